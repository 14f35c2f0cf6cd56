// PNG, JPEG, GIF, TIFF and WebP through the platform's decoders and the whole run, from pictures
// the platform's own encoders write (the libraries' on Linux, WIC's on Windows; each case runs
// where they can store it): a lossless picture gives the very page its pixels give as a .bmp, a
// photo stands upright, and transparency lies over the page's background. On Linux, damaged or
// absurd files are also refused with the decoder's reason, leaving the target alone.
#include "decoders/Orientation.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/PageConversion.h"
#include "output/TargetCheck.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"
#include "tests/engine/TestPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#ifndef _WIN32
#include "tests/engine/PictureEncoder.h"

#include <zlib.h>
#endif

namespace
{

bool NeverOpen(const std::string&)
{
    return false;
}

// The cell colours of a page, in the order they were written.
std::vector<RgbColor> Colours(const std::string& page)
{
    std::vector<RgbColor> colours;
    const std::string tag = "<FONT COLOR=#";
    for (std::size_t at = page.find(tag); at != std::string::npos; at = page.find(tag, at + 1))
    {
        const unsigned long rgb = std::strtoul(page.substr(at + tag.size(), 6).c_str(), nullptr, 16);
        colours.push_back(MakeRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    }
    return colours;
}

int Distance(RgbColor a, RgbColor b)
{
    return std::max({std::abs(int(RedOf(a)) - int(RedOf(b))), std::abs(int(GreenOf(a)) - int(GreenOf(b))),
                     std::abs(int(BlueOf(a)) - int(BlueOf(b)))});
}

// The stored picture that orientation turns into upright.
TestPicture Stored(const TestPicture& upright, Orientation orientation)
{
    const bool swaps = SwapsAxes(orientation);
    TestPicture stored(swaps ? upright.Height : upright.Width, swaps ? upright.Width : upright.Height);
    for (std::uint32_t y = 0; y < upright.Height; ++y)
        for (std::uint32_t x = 0; x < upright.Width; ++x)
        {
            std::uint32_t sx = 0, sy = 0;
            StoredPosition(orientation, stored.Width, stored.Height, x, y, sx, sy);
            const std::uint8_t* p = upright.At(x, y);
            stored.Set(sx, sy, p[0], p[1], p[2], p[3]);
        }
    return stored;
}

class PictureFormats : public ::testing::Test
{
protected:
    void SetUp() override { Previous = SetShellOpener(&NeverOpen); }
    void TearDown() override { SetShellOpener(Previous); }

    ConversionResult Convert(const std::string& source, const std::string& target, std::uint32_t columns,
                             std::uint32_t rows, RgbColor background = 0)
    {
        ConversionSettings settings;
        settings.SourcePath = source;
        settings.TargetPath = target;
        settings.Columns = columns;
        settings.Rows = rows;
        settings.FontFace = "Courier New";
        settings.CharacterSet = "01";
        settings.CharacterOrder = 1;
        settings.BackgroundColor = background;
        return RunConversion(settings, false);
    }

    // The page source gives at the grid; empty, with a failure, when it is refused.
    std::string Page(const std::string& source, std::uint32_t columns, std::uint32_t rows, RgbColor background = 0)
    {
        const std::string target = Dir.Path("page-" + std::to_string(++Pages) + ".html");
        const ConversionResult result = Convert(source, target, columns, rows, background);
        EXPECT_TRUE(result.Succeeded()) << source << ": " << result.Reason;
        return result.Succeeded() ? ReadText(target) : std::string();
    }

    // The picture's colours as a 24-bit .bmp (alpha left out).
    std::string AsBmp(const TestPicture& picture)
    {
        const std::string path = Dir.Path("same-" + std::to_string(++Pages) + ".bmp");
        WriteBytes(path, TestPictureAsBmp(picture));
        return path;
    }

    // Writes picture as encoding asks; false, with nothing written, where this platform's
    // encoders cannot store that kind.
    bool Write(const std::string& path, const TestPicture& picture, const TestEncoding& encoding)
    {
        if (!CanWriteTestPicture(encoding))
            return false;
        std::string error;
        EXPECT_TRUE(WriteTestPicture(path, picture, encoding, error)) << path << ": " << error;
        return true;
    }

    // Pages of source and of the .bmp of the same pixels, at grids of cells larger, smaller and
    // the size of a pixel, are equal byte for byte.
    void ExpectSamePages(const std::string& source, const TestPicture& pixels, RgbColor background = 0)
    {
        const std::string bmp = AsBmp(pixels);
        const std::uint32_t grids[][2] = {{pixels.Width, pixels.Height}, {5, 3}, {13, 7}, {pixels.Width * 2 + 1, 9}};
        for (const auto& grid : grids)
        {
            const std::string page = Page(source, grid[0], grid[1], background);
            EXPECT_FALSE(page.empty());
            EXPECT_EQ(page, Page(bmp, grid[0], grid[1], background)) << source << " at " << grid[0] << " x " << grid[1];
        }
    }

    // A run of source is refused with a reason that starts with reasonStart, and an existing
    // target keeps its content.
    void ExpectRefused(const std::string& source, const std::string& reasonStart, std::uint32_t rows = 30)
    {
        const std::string target = Dir.Path("kept.html");
        WriteBytes(target, {'o', 'l', 'd'});
        const ConversionResult result = Convert(source, target, 40, rows);
        EXPECT_EQ(result.Status, ConversionStatus::SourceRefused) << source;
        EXPECT_EQ(result.Path, source);
        EXPECT_EQ(result.Reason.rfind(reasonStart, 0), 0u) << result.Reason;
        EXPECT_EQ(ReadText(target), "old");
    }

    CTempDir Dir;
    int Pages = 0;
    ShellOpener Previous = nullptr;
};

}  // namespace

TEST_F(PictureFormats, EveryRowOfTheTableIsSniffedAndOpened)
{
    // A picture of each format the table knows, told by its first bytes under a name that says
    // nothing, and opened once for its size: a format added to the table without a case fails here.
    const TestPicture picture = MakeStripedTestPicture(21, 13, 16);
    const std::pair<PictureFormat, TestFormat> encoded[] = {{PictureFormat::Png, TestFormat::Png},
                                                            {PictureFormat::Jpeg, TestFormat::Jpeg},
                                                            {PictureFormat::Gif, TestFormat::Gif},
                                                            {PictureFormat::Tiff, TestFormat::Tiff},
                                                            {PictureFormat::WebP, TestFormat::WebP}};
    for (const PictureFormatInfo& format : KnownPictureFormats())
    {
        SCOPED_TRACE(format.Name);
        const std::string path = Dir.Path(std::string("picture-") + format.Name + ".data");
        if (format.Format == PictureFormat::Bmp)
        {
            WriteBytes(path, TestPictureAsBmp(picture));
        }
        else
        {
            const auto found = std::find_if(std::begin(encoded), std::end(encoded),
                                            [&](const auto& pair) { return pair.first == format.Format; });
            ASSERT_NE(found, std::end(encoded)) << "no test picture for this format";
            TestEncoding encoding;
            encoding.Format = found->second;
            encoding.Layout = TestLayout::Palette;  // the one layout every format can store
            if (!Write(path, picture, encoding))
                continue;  // this platform's encoders cannot store it
        }
        PictureFormat sniffed = PictureFormat::Unknown;
        std::size_t head = 0;
        ASSERT_TRUE(SniffPictureFile(path, sniffed, head));
        EXPECT_EQ(sniffed, format.Format);
        EXPECT_STRNE(format.Extensions, "");
        CSourcePicture opened;
        if (!CreatePictureDecoder(format.Format) && format.Format != PictureFormat::Bmp)
            continue;  // WebP without a system codec
        ASSERT_TRUE(opened.Open(path, 0)) << opened.Failure().Reason;
        EXPECT_EQ(opened.Format(), format.Format);
        EXPECT_EQ(opened.Width(), 21u);
        EXPECT_EQ(opened.Height(), 13u);
    }
}

TEST_F(PictureFormats, LosslessPicturesGiveTheBitmapsPage)
{
    const TestPicture varied = MakeTestPicture(23, 17), colours = MakeStripedTestPicture(29, 19, 250);
    struct Case
    {
        const char* Name;
        TestEncoding Encoding;
        TestPicture Pixels;
    };
    const TestFormat png = TestFormat::Png;
    const TestLayout rgb = TestLayout::Rgb, grey = TestLayout::Grey, palette = TestLayout::Palette;
    const std::vector<Case> cases = {
        {"rgb.png", {png, rgb}, varied},
        {"rgb16.png", {png, rgb, 16}, varied},
        {"adam7.png", {png, rgb, 8, true}, varied},
        {"rgba.png", {png, TestLayout::Rgba}, varied},
        {"rgba16-adam7.png", {png, TestLayout::Rgba, 16, true}, varied},
        {"grey1.png", {png, grey, 1}, MakeGreyTestPicture(23, 17, 1)},
        {"grey2.png", {png, grey, 2}, MakeGreyTestPicture(23, 17, 2)},
        {"grey4-adam7.png", {png, grey, 4, true}, MakeGreyTestPicture(23, 17, 4)},
        {"grey8.png", {png, grey, 8}, MakeGreyTestPicture(23, 17, 8)},
        {"grey16.png", {png, grey, 16}, MakeGreyTestPicture(23, 17, 8)},
        {"grey-alpha.png", {png, TestLayout::GreyAlpha}, MakeGreyTestPicture(23, 17, 8)},
        {"palette1.png", {png, palette, 1}, MakeStripedTestPicture(23, 17, 2)},
        {"palette2.png", {png, palette, 2}, MakeStripedTestPicture(23, 17, 4)},
        {"palette4-adam7.png", {png, palette, 4, true}, MakeStripedTestPicture(23, 17, 16)},
        {"palette8.png", {png, palette, 8}, MakeStripedTestPicture(23, 17, 200)},
        {"plain.gif", {TestFormat::Gif, palette}, colours},
        {"interlaced.gif", {TestFormat::Gif, palette, 8, true}, colours},
        {"plain.tif", {TestFormat::Tiff, rgb}, MakeTestPicture(29, 19)},
        // Compressed, in strips of 4 rows: bands and strips do not line up.
        {"strips.tif", {TestFormat::Tiff, rgb, 8, false, false, true}, MakeTestPicture(29, 19)},
        {"lossless.webp", {TestFormat::WebP, rgb}, MakeTestPicture(29, 19)}};
    int written = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        if (Write(Dir.Path(c.Name), c.Pixels, c.Encoding))
        {
            ++written;
            ExpectSamePages(Dir.Path(c.Name), c.Pixels);
        }
    }
    // Every platform writes at least PNG as RGB (8 and 16 bits, Adam7), RGBA, grey and palette,
    // GIF and TIFF.
    EXPECT_GE(written, 8);
}

TEST_F(PictureFormats, JpegAndLossyWebPStayCloseToTheBitmapsPage)
{
    // A smooth picture, as photos are, so that the lossy formats stay close to it.
    TestPicture smooth(96, 64);
    for (std::uint32_t y = 0; y < 64; ++y)
        for (std::uint32_t x = 0; x < 96; ++x)
            smooth.Set(x, y, std::uint8_t(x * 2 + 30), std::uint8_t(y * 3 + 20), std::uint8_t(200 - x - y));
    const std::vector<RgbColor> expected = Colours(Page(AsBmp(smooth), 12, 8));
    ASSERT_EQ(expected.size(), 96u);

    struct Case
    {
        const char* Name;
        TestEncoding Encoding;
        int Tolerance;
    };
    const Case cases[] = {{"baseline.jpg", {TestFormat::Jpeg}, 3},
                          {"progressive.jpg", {TestFormat::Jpeg, TestLayout::Rgb, 8, true}, 3},
                          {"lossy.webp", {TestFormat::WebP, TestLayout::Rgb, 8, false, true}, 6}};
    for (const Case& c : cases)
    {
        if (!Write(Dir.Path(c.Name), smooth, c.Encoding))
            continue;
        const std::vector<RgbColor> colours = Colours(Page(Dir.Path(c.Name), 12, 8));
        ASSERT_EQ(colours.size(), expected.size()) << c.Name;
        for (std::size_t n = 0; n < colours.size(); ++n)
            EXPECT_LE(Distance(colours[n], expected[n]), c.Tolerance) << c.Name << " cell " << n;
    }

    // Greyscale (the red channel): every cell grey.
    const std::string greyJpeg = Dir.Path("grey.jpg");
    if (!Write(greyJpeg, smooth, {TestFormat::Jpeg, TestLayout::Grey}))
        return;
    for (RgbColor colour : Colours(Page(greyJpeg, 12, 8)))
        EXPECT_TRUE(RedOf(colour) == GreenOf(colour) && GreenOf(colour) == BlueOf(colour)) << std::hex << colour;
}

TEST_F(PictureFormats, EveryOrientationStandsUpright)
{
    // TIFF, lossless: the page of the stored picture with its orientation tag is the page of the
    // upright picture as a .bmp, and the probe gives the upright size.
    const TestPicture upright = MakeTestPicture(11, 6);
    for (int value = 1; value <= 8; ++value)
    {
        const std::string path = Dir.Path("turned" + std::to_string(value) + ".tif");
        if (!Write(path, Stored(upright, static_cast<Orientation>(value)),
                   {TestFormat::Tiff, TestLayout::Rgb, 8, false, false, false, value}))
            continue;
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE(ProbeSource(path, width, height).Succeeded());
        EXPECT_EQ(width, 11u) << value;
        EXPECT_EQ(height, 6u) << value;
        SCOPED_TRACE("orientation " + std::to_string(value));
        ExpectSamePages(path, upright);
    }

    // JPEG with an Exif block in either byte order, progressive or not where the platform writes
    // both: four quadrants of plain colours end up in their upright places.
    const RgbColor quadrants[4] = {MakeRgb(240, 20, 20), MakeRgb(20, 240, 20), MakeRgb(20, 20, 240),
                                   MakeRgb(240, 240, 20)};
    TestPicture quartered(64, 32);
    for (std::uint32_t y = 0; y < 32; ++y)
        for (std::uint32_t x = 0; x < 64; ++x)
        {
            const RgbColor c = quadrants[(y / 16) * 2 + x / 32];
            quartered.Set(x, y, std::uint8_t(RedOf(c)), std::uint8_t(GreenOf(c)), std::uint8_t(BlueOf(c)));
        }
    const bool progressive = CanWriteTestPicture({TestFormat::Jpeg, TestLayout::Rgb, 8, true});
    for (int value = 1; value <= 8; ++value)
    {
        const std::string path = Dir.Path("turned" + std::to_string(value) + ".jpg");
        ASSERT_TRUE(Write(
            path, Stored(quartered, static_cast<Orientation>(value)),
            {TestFormat::Jpeg, TestLayout::Rgb, 8, progressive && value % 2 == 0, false, false, value, value > 4}));
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE(ProbeSource(path, width, height).Succeeded());
        EXPECT_EQ(width, 64u) << value;
        EXPECT_EQ(height, 32u) << value;
        const std::vector<RgbColor> cells = Colours(Page(path, 2, 2));
        ASSERT_EQ(cells.size(), 4u);
        for (int n = 0; n < 4; ++n)
            EXPECT_LE(Distance(cells[n], quadrants[n]), 10) << "orientation " << value << " quadrant " << n;
    }
}

TEST_F(PictureFormats, TransparencyLiesOverEitherBackground)
{
    // Alpha from 0 to 255 across the picture; the expected pixels are laid over the background
    // by the rule c' = (c * a + b * (255 - a) + 127) / 255.
    TestPicture picture = MakeTestPicture(17, 9);
    for (std::uint32_t y = 0; y < picture.Height; ++y)
        for (std::uint32_t x = 0; x < picture.Width; ++x)
        {
            const std::uint8_t* p = picture.At(x, y);
            picture.Set(x, y, p[0], p[1], p[2], std::uint8_t(x == 0 ? 0 : x == 1 ? 255 : (x * 16 + y * 3)));
        }
    const std::string png = Dir.Path("alpha.png"), webp = Dir.Path("alpha.webp");
    ASSERT_TRUE(Write(png, picture, {TestFormat::Png, TestLayout::Rgba}));
    const bool hasWebP = Write(webp, picture, {TestFormat::WebP, TestLayout::Rgba});
    for (RgbColor background : {MakeRgb(0, 0, 0), MakeRgb(0xFF, 0x80, 0x10)})
    {
        TestPicture over(picture.Width, picture.Height);
        const unsigned b[3] = {RedOf(background), GreenOf(background), BlueOf(background)};
        for (std::uint32_t y = 0; y < picture.Height; ++y)
            for (std::uint32_t x = 0; x < picture.Width; ++x)
            {
                const std::uint8_t* p = picture.At(x, y);
                std::uint8_t c[3];
                for (int n = 0; n < 3; ++n)
                    c[n] = std::uint8_t((p[n] * p[3] + b[n] * (255 - p[3]) + 127) / 255);
                over.Set(x, y, c[0], c[1], c[2]);
            }
        ExpectSamePages(png, over, background);
        if (hasWebP)
            ExpectSamePages(webp, over, background);
        // The wholly transparent column is the background itself.
        EXPECT_EQ(Colours(Page(png, 17, 9, background))[0], background);
    }

    // GIF's transparent colour and TIFF's alpha channel.
    TestPicture holes = MakeStripedTestPicture(12, 8, 6);
    TestPicture filled = holes;
    const RgbColor background = MakeRgb(0x20, 0x40, 0x60);
    for (std::uint32_t y = 0; y < 8; ++y)
        for (std::uint32_t x = y % 3; x < 12; x += 3)
        {
            holes.Set(x, y, 1, 2, 3, 0);
            filled.Set(x, y, 0x20, 0x40, 0x60);
        }
    const std::pair<const char*, TestFormat> files[] = {{"holes.gif", TestFormat::Gif},
                                                        {"holes.tif", TestFormat::Tiff}};
    for (const auto& [name, format] : files)
        if (Write(Dir.Path(name), holes, {format, TestLayout::Rgba}))
            ExpectSamePages(Dir.Path(name), filled, background);
}

#ifndef _WIN32

// Damaged and absurd files, with the libraries' own reasons.

namespace
{

void PutBigEndian32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int n = 0; n < 4; ++n)
        bytes[at + n] = std::uint8_t(value >> (24 - 8 * n));
}

// Makes a PNG claim another size in its header, with a header checksum that still holds.
void ClaimPngSize(std::vector<std::uint8_t>& png, std::uint32_t width, std::uint32_t height)
{
    PutBigEndian32(png, 16, width);
    PutBigEndian32(png, 20, height);
    PutBigEndian32(png, 29, static_cast<std::uint32_t>(crc32(0, &png[12], 17)));
}

// The process's peak resident memory in KiB since ResetPeakMemory (Linux keeps it per process).
long PeakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

bool ResetPeakMemory()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear.flush());
}

}  // namespace

TEST_F(PictureFormats, DamagedAndUnreadableFilesAreRefusedAndTheTargetKept)
{
    const TestPicture picture = MakeTestPicture(64, 48);
    const std::string png = Dir.Path("good.png");
    ASSERT_TRUE(WritePng(png, 64, 48, {}, picture.Rows()));
    const std::vector<std::uint8_t> good = ReadBytes(png);

    std::vector<std::uint8_t> bytes(good.begin(), good.begin() + good.size() * 6 / 10);
    WriteBytes(Dir.Path("cut.png"), bytes);
    ExpectRefused(Dir.Path("cut.png"), "damaged PNG data: ");
    bytes = good;
    bytes[bytes.size() / 2] ^= 0x55;  // inside the pixel data
    WriteBytes(Dir.Path("flipped.png"), bytes);
    ExpectRefused(Dir.Path("flipped.png"), "damaged PNG data: ");
    // Damage after the last row: the last chunk's checksum, or the end marker missing.
    bytes = good;
    bytes[bytes.size() - 13] ^= 0x01;
    WriteBytes(Dir.Path("checksum.png"), bytes);
    ExpectRefused(Dir.Path("checksum.png"), "damaged PNG data: IDAT: CRC error");
    WriteBytes(Dir.Path("no-end.png"), std::vector<std::uint8_t>(good.begin(), good.end() - 12));
    ExpectRefused(Dir.Path("no-end.png"), "damaged PNG data: ");
    bytes = good;
    ClaimPngSize(bytes, 0, 48);
    WriteBytes(Dir.Path("zero.png"), bytes);
    ExpectRefused(Dir.Path("zero.png"), "damaged PNG data: ");

    for (bool progressive : {false, true})
    {
        const std::string jpeg = Dir.Path("good.jpg");
        ASSERT_TRUE(WriteJpeg(jpeg, 64, 48, {90, progressive}, picture.Rows()));
        const std::vector<std::uint8_t> whole = ReadBytes(jpeg);
        // Cut short: libjpeg would fill the rest with grey.
        WriteBytes(Dir.Path("cut.jpg"),
                   std::vector<std::uint8_t>(whole.begin(), whole.begin() + whole.size() * 7 / 10));
        ExpectRefused(Dir.Path("cut.jpg"), "damaged JPEG data: ");
        WriteBytes(Dir.Path("no-end.jpg"), std::vector<std::uint8_t>(whole.begin(), whole.end() - 2));
        ExpectRefused(Dir.Path("no-end.jpg"), "damaged JPEG data: Premature end of JPEG file");
    }

    const std::string gif = Dir.Path("good.gif");
    ASSERT_TRUE(WriteGif(gif, MakeStripedTestPicture(64, 48, 200), {}));
    const std::vector<std::uint8_t> gifBytes = ReadBytes(gif);
    WriteBytes(Dir.Path("cut.gif"),
               std::vector<std::uint8_t>(gifBytes.begin(), gifBytes.begin() + gifBytes.size() / 2));
    ExpectRefused(Dir.Path("cut.gif"), "damaged GIF data: ");

    const std::string tiff = Dir.Path("good.tif");
    ASSERT_TRUE(WriteTiff(tiff, 64, 48, {1, false, true, 8}, picture.Rows()));
    const std::vector<std::uint8_t> tiffBytes = ReadBytes(tiff);
    // libtiff writes the directory last: keep it, and lose the data of a strip in the middle.
    std::vector<std::uint8_t> holed = tiffBytes;
    std::fill(holed.begin() + 200, holed.begin() + 1200, 0);
    WriteBytes(Dir.Path("holed.tif"), holed);
    ExpectRefused(Dir.Path("holed.tif"), "damaged TIFF data: ");

    const std::string webp = Dir.Path("good.webp");
    ASSERT_TRUE(WriteWebP(webp, picture, false));
    const std::vector<std::uint8_t> webpBytes = ReadBytes(webp);
    WriteBytes(Dir.Path("cut.webp"),
               std::vector<std::uint8_t>(webpBytes.begin(), webpBytes.begin() + webpBytes.size() / 2));
    ExpectRefused(Dir.Path("cut.webp"), "damaged WebP data: ");

    // Not a picture at all, an empty file, and .bmp files of the variants only a system decoder
    // reads (none does here).
    WriteBytes(Dir.Path("notes.png"), {'h', 'e', 'l', 'l', 'o', '\n'});
    ExpectRefused(Dir.Path("notes.png"), "not a picture Glyphcast can read");
    WriteBytes(Dir.Path("empty.jpg"), {});
    ExpectRefused(Dir.Path("empty.jpg"), "the file is empty");
    std::vector<std::uint8_t> rle = CBmpBuilder(4, 4, 8).Palette({0, 0xFFFFFF}).Compression(1).Build();
    WriteBytes(Dir.Path("rle.bmp"), rle);
    ExpectRefused(Dir.Path("rle.bmp"), "not a bitmap this program can read: unsupported compression (type 1)");
}

TEST_F(PictureFormats, AbsurdSizesAreRefusedBeforeMemoryIsSpentOnThem)
{
    const TestPicture picture = MakeTestPicture(8, 8);
    const std::string small = Dir.Path("small.png");
    ASSERT_TRUE(WritePng(small, 8, 8, {}, picture.Rows()));
    std::vector<std::uint8_t> bytes = ReadBytes(small);
    ASSERT_LT(bytes.size(), 600u);

    // A few hundred bytes claiming 100000 x 100000 pixels.
    ClaimPngSize(bytes, 100000, 100000);
    WriteBytes(Dir.Path("huge.png"), bytes);
    ExpectRefused(Dir.Path("huge.png"), "the PNG picture is too large (100000 x 100000)");

    // Within the limits, but without the data: refused as soon as the data runs out, with the
    // memory held never near the 16000 x 16000 claimed (a band of it, at three rows of
    // characters, would be 340 MB).
    ClaimPngSize(bytes, 16000, 16000);
    WriteBytes(Dir.Path("claims.png"), bytes);
    const bool measured = ResetPeakMemory();
    const long before = PeakKiB();
    ExpectRefused(Dir.Path("claims.png"), "damaged PNG data: ", 3);
    if (measured)
    {
        EXPECT_LT(PeakKiB() - before, 64 * 1024) << "KiB";
    }

    // Interlaced, which is decoded whole: the file is too small to hold such a picture.
    const std::string interlaced = Dir.Path("interlaced.png");
    ASSERT_TRUE(WritePng(interlaced, 8, 8, {2, 8, true}, picture.Rows()));
    bytes = ReadBytes(interlaced);
    ClaimPngSize(bytes, 16000, 16000);
    WriteBytes(interlaced, bytes);
    ExpectRefused(interlaced, "damaged PNG data: too little data for a 16000 x 16000 picture");

    // A progressive JPEG, also decoded whole, claiming 8000 x 8000 from a kilobyte.
    const std::string jpeg = Dir.Path("progressive.jpg");
    ASSERT_TRUE(WriteJpeg(jpeg, 8, 8, {90, true}, picture.Rows()));
    bytes = ReadBytes(jpeg);
    std::size_t frame = 2;
    while (frame + 9 < bytes.size() && !(bytes[frame] == 0xFF && bytes[frame + 1] == 0xC2))
        frame += 2 + (bytes[frame + 2] << 8 | bytes[frame + 3]);
    ASSERT_LT(frame + 9, bytes.size());
    bytes[frame + 5] = 8000 >> 8, bytes[frame + 6] = 8000 & 0xFF;
    bytes[frame + 7] = 8000 >> 8, bytes[frame + 8] = 8000 & 0xFF;
    WriteBytes(jpeg, bytes);
    ExpectRefused(jpeg, "damaged JPEG data: too little data for a 8000 x 8000 picture");
}

#endif  // _WIN32

TEST_F(PictureFormats, ThePicturesHeldWholeSayWhatTheyWillTakeBeforeTheyAreRead)
{
    // 400 x 300 pixels: 480 000 bytes held whole (a GIF's 120 000, a byte a pixel), some 6 000 a
    // band of 100 rows and at most some 100 000 decoded ahead. A picture is held whole where this
    // platform's decoder keeps it whole (the libraries on Linux; WIC keeps its memory to itself)
    // and wherever it has to be turned upright.
    const TestPicture picture = MakeStripedTestPicture(400, 300, 200);
    const std::uint64_t pixels = 400 * 300;
#ifdef _WIN32
    const bool libraries = false;
#else
    const bool libraries = true;
#endif
    const struct
    {
        const char* Name;
        TestEncoding Encoding;
        bool HeldWhole;
    } cases[] = {
        {"plain.png", {TestFormat::Png, TestLayout::Rgb}, false},
        {"interlaced.png", {TestFormat::Png, TestLayout::Rgb, 16, true}, libraries},
        {"plain.jpg", {TestFormat::Jpeg, TestLayout::Rgb}, false},
        {"progressive.jpg", {TestFormat::Jpeg, TestLayout::Rgb, 8, true}, libraries},
        {"turned.jpg", {TestFormat::Jpeg, TestLayout::Rgb, 8, false, false, false, 6}, true},
        {"interlaced.gif", {TestFormat::Gif, TestLayout::Rgb, 8, true}, libraries},
        {"lossless.webp", {TestFormat::WebP, TestLayout::Rgb}, libraries},
        {"striped.tif", {TestFormat::Tiff, TestLayout::Rgb}, false},
    };
    for (const auto& c : cases)
    {
        if (!Write(Dir.Path(c.Name), picture, c.Encoding))
            continue;
        SCOPED_TRACE(c.Name);
        CSourcePicture source;
        ASSERT_TRUE(source.Open(Dir.Path(c.Name), 0));
        const std::uint64_t needed = source.MemoryNeeded(100);
        if (c.HeldWhole)
            EXPECT_GE(needed, pixels);
        else
            EXPECT_LT(needed, pixels * 2);
        // And every row is still there to be read after the question.
        EXPECT_EQ(Page(Dir.Path(c.Name), 40, 30).empty(), false);
    }
}
