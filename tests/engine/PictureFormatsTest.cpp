// PNG, JPEG, GIF, TIFF, WebP, HEIF, AVIF, JPEG XL and the .bmp variants through the platform's decoders and the whole
// run, from pictures the platform's own encoders write (the libraries' on Linux, WIC's on Windows; each case runs where
// they can store it): a lossless picture gives the very page its pixels give as a .bmp, a photo stands upright, and
// transparency lies over the page's background. On Linux, damaged or absurd files are also refused with the decoder's
// reason, leaving the target alone.
#include "decoders/Orientation.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/PageConversion.h"
#include "output/TargetCheck.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/PageSettings.h"
#include "tests/engine/TempDir.h"
#include "tests/engine/TestPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdlib>
#include <fstream>

#ifndef _WIN32
#include "tests/engine/PictureEncoder.h"

#include <tiffio.h>
#include <zlib.h>
#endif

namespace
{

bool NeverOpen(const std::string&)
{
    return false;
}

int Distance(RgbColor a, RgbColor b)
{
    return std::max({std::abs(int(RedOf(a)) - int(RedOf(b))), std::abs(int(GreenOf(a)) - int(GreenOf(b))),
                     std::abs(int(BlueOf(a)) - int(BlueOf(b)))});
}

// The picture turned a quarter clockwise (what was its left column is now its top row), or else
// mirrored left to right.
TestPicture Moved(const TestPicture& picture, bool turned)
{
    TestPicture moved = turned ? TestPicture(picture.Height, picture.Width) : picture;
    for (std::uint32_t y = 0; y < picture.Height; ++y)
        for (std::uint32_t x = 0; x < picture.Width; ++x)
        {
            const std::uint8_t* p = picture.At(x, y);
            moved.Set(turned ? picture.Height - 1 - y : picture.Width - 1 - x, turned ? x : y, p[0], p[1], p[2], p[3]);
        }
    return moved;
}

const bool Turned = true, Mirrored = false;

// The stored picture that a camera writes with the orientation tag value, for the upright
// picture: built from quarter turns and mirroring alone, as the tag's meaning reads (6: "turn a
// quarter clockwise to stand upright", so it was stored a quarter anticlockwise), and never
// from the program's own position formula.
TestPicture Stored(const TestPicture& upright, Orientation orientation)
{
    const TestPicture half = Moved(Moved(upright, Turned), Turned);
    switch (orientation)
    {
    case Orientation::Upright: return upright;
    case Orientation::Mirrored: return Moved(upright, Mirrored);
    case Orientation::Rotated180: return half;
    case Orientation::Flipped: return Moved(half, Mirrored);
    case Orientation::Transposed: return Moved(Moved(upright, Turned), Mirrored);
    case Orientation::RotatedRight: return Moved(half, Turned);
    case Orientation::Transversed: return Moved(Moved(half, Turned), Mirrored);
    case Orientation::RotatedLeft: return Moved(upright, Turned);
    }
    return upright;
}

// The 8-bit picture that 16-bit samples of v << 8 stand for: each rounded to the nearest of 255
// levels, (v * 256) * 255 / 65535.
TestPicture RoundedFromHighBytes(const TestPicture& picture)
{
    TestPicture rounded = picture;
    for (std::uint8_t& value : rounded.Rgba)
        value = static_cast<std::uint8_t>((value * 256u * 255u + 65535u / 2) / 65535u);
    return rounded;
}

class PictureFormats : public ::testing::Test
{
protected:
    void SetUp() override { Previous = SetShellOpener(&NeverOpen); }
    void TearDown() override { SetShellOpener(Previous); }

    ConversionResult Convert(const std::string& source, const std::string& target, std::uint32_t columns,
                             std::uint32_t rows, RgbColor background = 0)
    {
        ConversionSettings settings = GridSettings(columns, rows, "01", 1, background);
        settings.SourcePath = source;
        settings.TargetPath = target;
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
        // A library's own line break (libheif ends its messages with one) would break our line.
        EXPECT_EQ(result.Reason.find_first_of("\r\n"), std::string::npos) << result.Reason;
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
    const std::pair<PictureFormat, TestFormat> encoded[] = {
        {PictureFormat::Png, TestFormat::Png},   {PictureFormat::Jpeg, TestFormat::Jpeg},
        {PictureFormat::Gif, TestFormat::Gif},   {PictureFormat::Tiff, TestFormat::Tiff},
        {PictureFormat::WebP, TestFormat::WebP}, {PictureFormat::Heif, TestFormat::Heif},
        {PictureFormat::Avif, TestFormat::Avif}, {PictureFormat::Jxl, TestFormat::Jxl}};
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
        {"lossless.webp", {TestFormat::WebP, rgb}, MakeTestPicture(29, 19)},
        {"lossless.jxl", {TestFormat::Jxl, rgb}, MakeTestPicture(29, 19)},
        // 16-bit samples that are not v * 257 (0xFF00 is 254.0 in 8 bits, not 255): rounded, not cut.
        {"high-bytes16.png", {png, rgb, 16, false, false, false, 0, true, {}, true}, varied}};
    int written = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        if (Write(Dir.Path(c.Name), c.Pixels, c.Encoding))
        {
            ++written;
            ExpectSamePages(Dir.Path(c.Name), c.Encoding.HighByteOnly ? RoundedFromHighBytes(c.Pixels) : c.Pixels);
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
    const std::vector<RgbColor> expected = PageColours(Page(AsBmp(smooth), 12, 8));
    ASSERT_EQ(expected.size(), 96u);

    struct Case
    {
        const char* Name;
        TestEncoding Encoding;
        int Tolerance;
    };
    const Case cases[] = {{"baseline.jpg", {TestFormat::Jpeg}, 3},
                          {"progressive.jpg", {TestFormat::Jpeg, TestLayout::Rgb, 8, true}, 3},
                          {"lossy.webp", {TestFormat::WebP, TestLayout::Rgb, 8, false, true}, 6},
                          {"photo.heic", {TestFormat::Heif, TestLayout::Rgb, 8, false, true}, 10},
                          {"photo.avif", {TestFormat::Avif, TestLayout::Rgb, 8, false, true}, 10},
                          {"lossy.jxl", {TestFormat::Jxl, TestLayout::Rgb, 8, false, true}, 10}};
    for (const Case& c : cases)
    {
        if (!Write(Dir.Path(c.Name), smooth, c.Encoding))
            continue;
        const std::vector<RgbColor> colours = PageColours(Page(Dir.Path(c.Name), 12, 8));
        ASSERT_EQ(colours.size(), expected.size()) << c.Name;
        for (std::size_t n = 0; n < colours.size(); ++n)
            EXPECT_LE(Distance(colours[n], expected[n]), c.Tolerance) << c.Name << " cell " << n;
    }

    // Greyscale (the red channel): every cell grey.
    const std::string greyJpeg = Dir.Path("grey.jpg");
    if (!Write(greyJpeg, smooth, {TestFormat::Jpeg, TestLayout::Grey}))
        return;
    for (RgbColor colour : PageColours(Page(greyJpeg, 12, 8)))
        EXPECT_TRUE(RedOf(colour) == GreenOf(colour) && GreenOf(colour) == BlueOf(colour)) << std::hex << colour;
}

TEST_F(PictureFormats, EveryOrientationStandsUpright)
{
    // Lossless formats (TIFF's tag, PNG's eXIf, WebP's EXIF chunk, JPEG XL's own): the page of the
    // stored picture is the page of the upright picture as a .bmp. Lossy formats (JPEG with an Exif
    // block in either byte order, progressive or not where the platform writes both; HEIF and AVIF
    // with irot and imir; lossy JPEG XL): four quadrants of plain colours end up in their upright
    // places. Either way the probe gives the upright size.
    const TestPicture upright = MakeTestPicture(11, 6);
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
    const struct
    {
        const char* Extension;
        TestFormat Format;
        bool Lossy;
    } cases[] = {{".tif", TestFormat::Tiff, false},  {".png", TestFormat::Png, false},
                 {".webp", TestFormat::WebP, false}, {".jxl", TestFormat::Jxl, false},
                 {".jpg", TestFormat::Jpeg, true},   {".heic", TestFormat::Heif, true},
                 {".avif", TestFormat::Avif, true},  {".jxl", TestFormat::Jxl, true}};
    for (const auto& c : cases)
        for (int value = 1; value <= 8; ++value)
        {
            const TestPicture& picture = c.Lossy ? quartered : upright;
            const std::string path = Dir.Path((c.Lossy ? "quartered" : "turned") + std::to_string(value) + c.Extension);
            TestEncoding encoding{c.Format, TestLayout::Rgb, 8, c.Lossy && progressive && value % 2 == 0, c.Lossy};
            encoding.Orientation = value;
            encoding.BigEndianExif = !c.Lossy || value > 4;
            if (!Write(path, Stored(picture, static_cast<Orientation>(value)), encoding))
            {
                ASSERT_NE(c.Format, TestFormat::Jpeg) << "every platform writes JPEG";
                continue;
            }
            SCOPED_TRACE(std::string("orientation ") + std::to_string(value) + " in " + c.Extension);
            std::uint32_t width = 0, height = 0;
            ASSERT_TRUE(ProbeSource(path, width, height).Succeeded());
            EXPECT_EQ(width, picture.Width);
            EXPECT_EQ(height, picture.Height);
            if (!c.Lossy)
            {
                ExpectSamePages(path, upright);
                continue;
            }
            const std::vector<RgbColor> cells = PageColours(Page(path, 2, 2));
            ASSERT_EQ(cells.size(), 4u);
            for (int n = 0; n < 4; ++n)
                EXPECT_LE(Distance(cells[n], quadrants[n]), 10) << "quadrant " << n;
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
        EXPECT_EQ(PageColours(Page(png, 17, 9, background))[0], background);
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

TEST_F(PictureFormats, AFormatWithoutADecoderNamesWhatToInstall)
{
    // The first bytes of each format that may need a codec the system lacks. Where this system
    // decodes the format, the bytes are refused as damaged; where it does not, the refusal says so
    // and, on Windows, names the codec to install.
    const std::pair<PictureFormat, std::string> heads[] = {
        {PictureFormat::WebP, std::string("RIFF\x1A\0\0\0WEBPVP8 \x0E\0\0\0", 20) + std::string(14, '\0')},
        {PictureFormat::Heif, std::string("\0\0\0\x18"
                                          "ftypheic\0\0\0\0mif1heic",
                                          24)},
        {PictureFormat::Avif, std::string("\0\0\0\x18"
                                          "ftypavif\0\0\0\0mif1avif",
                                          24)},
        {PictureFormat::Jxl, std::string("\xFF\x0A\x00\x10", 4)}};
    for (const auto& [format, head] : heads)
    {
        const PictureFormatInfo& info = PictureFormatOf(format);
        SCOPED_TRACE(info.Name);
        const std::string path = Dir.Path(std::string("head-") + info.Name);
        WriteBytes(path, std::vector<std::uint8_t>(head.begin(), head.end()));
        PictureFormat sniffed = PictureFormat::Unknown;
        std::size_t bytes = 0;
        ASSERT_TRUE(SniffPictureFile(path, sniffed, bytes));
        EXPECT_EQ(sniffed, format);
        if (CreatePictureDecoder(format))
        {
            ExpectRefused(path, std::string("damaged ") + info.Name + " data");
            continue;
        }
        std::string reason = std::string("this system has no decoder for ") + info.Name + " pictures";
#ifdef _WIN32
        ASSERT_NE(info.SystemCodec, nullptr);
        reason += std::string(": install ") + info.SystemCodec;
#endif
        ExpectRefused(path, reason);
    }
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
    // A bitmap with a compression no reader here takes (embedded PNG).
    std::vector<std::uint8_t> png5 = CBmpBuilder(4, 4, 8).Palette({0, 0xFFFFFF}).Compression(5).Build();
    WriteBytes(Dir.Path("png-in.bmp"), png5);
    ExpectRefused(Dir.Path("png-in.bmp"), "unsupported BMP compression (type 5)");

    // The newer formats cut short.
    const TestPicture small = MakeTestPicture(40, 30);
    const std::pair<const char*, TestEncoding> newer[] = {
        {"cut.heic", {TestFormat::Heif}}, {"cut.avif", {TestFormat::Avif}}, {"cut.jxl", {TestFormat::Jxl}}};
    const char* const reasons[] = {"damaged HEIF data: ", "damaged AVIF data: ", "damaged JPEG XL data: "};
    for (std::size_t n = 0; n < std::size(newer); ++n)
    {
        const std::string path = Dir.Path(newer[n].first);
        ASSERT_TRUE(Write(path, small, newer[n].second));
        const std::vector<std::uint8_t> whole = ReadBytes(path);
        WriteBytes(path, std::vector<std::uint8_t>(whole.begin(), whole.begin() + whole.size() * 3 / 4));
        ExpectRefused(path, reasons[n]);
    }
}

namespace
{

// A .bmp file of the given header size (12: OS/2 1.x; 16 to 64: OS/2 2.x; 40: Windows), with a
// palette of 4-byte entries (3-byte for 12) and the pixel data as given.
std::vector<std::uint8_t> HandMadeBmp(std::uint32_t headerSize, std::int32_t width, std::int32_t height,
                                      std::uint16_t bits, std::uint32_t compression,
                                      const std::vector<RgbColor>& palette, const std::vector<std::uint8_t>& pixels)
{
    std::vector<std::uint8_t> bytes(14 + headerSize, 0);
    auto put = [&bytes](std::size_t at, std::uint32_t value, int size) {
        for (int n = 0; n < size; ++n)
            bytes[at + n] = static_cast<std::uint8_t>(value >> (8 * n));
    };
    bytes[0] = 'B', bytes[1] = 'M';
    put(14, headerSize, 4);
    if (headerSize == 12)
    {
        put(18, static_cast<std::uint32_t>(width), 2), put(20, static_cast<std::uint32_t>(height), 2);
        put(22, 1, 2), put(24, bits, 2);
    }
    else
    {
        put(18, static_cast<std::uint32_t>(width), 4), put(22, static_cast<std::uint32_t>(height), 4);
        put(26, 1, 2), put(28, bits, 2);
        if (headerSize >= 20)
            put(30, compression, 4);
    }
    for (RgbColor colour : palette)
    {
        bytes.insert(bytes.end(),
                     {std::uint8_t(BlueOf(colour)), std::uint8_t(GreenOf(colour)), std::uint8_t(RedOf(colour))});
        if (headerSize != 12)
            bytes.push_back(0);
    }
    put(10, static_cast<std::uint32_t>(bytes.size()), 4);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    put(2, static_cast<std::uint32_t>(bytes.size()), 4);
    return bytes;
}

}  // namespace

TEST_F(PictureFormats, RunLengthAndOs2BitmapsAreRead)
{
    // Hand-worked files of 4 x 3 pixels and the upright picture each stands for, rows from the top;
    // palette index 0 black, 1 red, 2 green, 3 blue.
    const RgbColor k = 0, r = MakeRgb(255, 0, 0), g = MakeRgb(0, 255, 0), b = MakeRgb(0, 0, 255);
    const std::vector<RgbColor> palette = {k, r, g, b};
    struct Case
    {
        const char* Name;
        std::vector<std::uint8_t> Bytes;
        std::vector<RgbColor> Pixels;  // 4 x 3, from the top
    };
    const std::vector<Case> cases = {
        // RLE8: the bottom row a run of 4 reds; then 2 literal greens and a blue, padded; after the
        // row's end a move of 1 right, a run of 2 blues, the end of the picture. The pixels skipped
        // show index 0.
        {"rle8.bmp",
         HandMadeBmp(40, 4, 3, 8, 1, palette, {4, 1, 0, 0, 0, 3, 2, 2, 3, 0, 0, 0, 0, 2, 1, 0, 2, 3, 0, 1}),
         {k, b, b, k, g, g, b, k, r, r, r, r}},
        // RLE4: a run of 4 alternating red and green; a literal of 3 nibbles (blue, red, green); the
        // end of a row; then the end of the picture.
        {"rle4.bmp",
         HandMadeBmp(40, 4, 3, 4, 2, palette, {4, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 0, 0, 1}),
         {k, k, k, k, b, r, g, k, r, g, r, g}},
        // OS/2 1.x: 12-byte header, 3-byte palette entries, 8 bits, rows padded to 4 bytes.
        {"os2-core.bmp",
         HandMadeBmp(12, 4, 3, 8, 0, palette, {1, 1, 1, 1, 2, 2, 2, 2, 3, 2, 1, 0}),
         {b, g, r, k, g, g, g, g, r, r, r, r}},
        // OS/2 2.x with its 16-byte header, 1 bit a pixel.
        {"os2-short.bmp",
         HandMadeBmp(16, 4, 3, 1, 0, {k, r}, {0xA0, 0, 0, 0, 0x50, 0, 0, 0, 0xF0, 0, 0, 0}),
         {r, r, r, r, k, r, k, r, r, k, r, k}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        const std::string path = Dir.Path(c.Name);
        WriteBytes(path, c.Bytes);
        const std::vector<RgbColor> cells = PageColours(Page(path, 4, 3));
        EXPECT_EQ(cells, c.Pixels);
    }

    // Run-length data that end before the picture does are refused.
    WriteBytes(Dir.Path("short.bmp"), HandMadeBmp(40, 4, 3, 8, 1, palette, {4, 1, 0, 0, 2}));
    ExpectRefused(Dir.Path("short.bmp"), "damaged BMP data: the data end early");
}

TEST_F(PictureFormats, EmbeddedColourProfilesAreTurnedIntoSrgb)
{
    // Stripes of red, green and blue stored under a profile whose red primary is sRGB's green and
    // whose green is sRGB's red: the page shows the first two stripes swapped, in every format
    // that embeds a profile. Lossy formats stay within what they round.
    TestPicture stripes(30, 10);
    const RgbColor stored[3] = {MakeRgb(200, 30, 30), MakeRgb(30, 200, 30), MakeRgb(30, 30, 200)};
    const RgbColor shown[3] = {MakeRgb(30, 200, 30), MakeRgb(200, 30, 30), MakeRgb(30, 30, 200)};
    for (std::uint32_t y = 0; y < 10; ++y)
        for (std::uint32_t x = 0; x < 30; ++x)
        {
            const RgbColor c = stored[x / 10];
            stripes.Set(x, y, std::uint8_t(RedOf(c)), std::uint8_t(GreenOf(c)), std::uint8_t(BlueOf(c)));
        }
    const std::vector<std::uint8_t> profile = SwappedPrimariesProfile();
    ASSERT_FALSE(profile.empty());
    struct Case
    {
        const char* Name;
        TestFormat Format;
        bool Lossy;
        int Tolerance;
    };
    const Case cases[] = {{"iccp.png", TestFormat::Png, false, 2},   {"app2.jpg", TestFormat::Jpeg, true, 10},
                          {"icc.tif", TestFormat::Tiff, false, 2},   {"iccp.webp", TestFormat::WebP, false, 2},
                          {"prof.heic", TestFormat::Heif, true, 10}, {"prof.avif", TestFormat::Avif, true, 10},
                          {"icc.jxl", TestFormat::Jxl, false, 2}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        TestEncoding encoding{c.Format, TestLayout::Rgb, 8, false, c.Lossy};
        encoding.Profile = profile;
        ASSERT_TRUE(Write(Dir.Path(c.Name), stripes, encoding));
        const std::vector<RgbColor> cells = PageColours(Page(Dir.Path(c.Name), 3, 1));
        ASSERT_EQ(cells.size(), 3u);
        for (int n = 0; n < 3; ++n)
            EXPECT_LE(Distance(cells[n], shown[n]), c.Tolerance) << "stripe " << n << ": " << std::hex << cells[n];
        // The same pixels without the profile are taken as sRGB, as they are.
        encoding.Profile.clear();
        ASSERT_TRUE(Write(Dir.Path(c.Name), stripes, encoding));
        const std::vector<RgbColor> plain = PageColours(Page(Dir.Path(c.Name), 3, 1));
        for (int n = 0; n < 3; ++n)
            EXPECT_LE(Distance(plain[n], stored[n]), c.Tolerance) << "stripe " << n << " without the profile";
    }

    // Linear light, from a grey profile (JPEG) and from PNG's gAMA of 1.0 with sRGB's cHRM: a
    // stored level v shows as sRGB's encoding of v / 255.
    auto srgb = [](double linear) {
        const double encoded = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
        return static_cast<int>(encoded * 255 + 0.5);
    };
    TestPicture greys(40, 10);
    const int levels[4] = {32, 64, 128, 192};
    for (std::uint32_t y = 0; y < 10; ++y)
        for (std::uint32_t x = 0; x < 40; ++x)
        {
            const auto v = std::uint8_t(levels[x / 10]);
            greys.Set(x, y, v, v, v);
        }
    JpegOptions jpeg{98, false, true};
    jpeg.Profile = LinearGreyProfile();
    ASSERT_TRUE(WriteJpeg(Dir.Path("linear.jpg"), 40, 10, jpeg, greys.Rows()));
    PngOptions png;
    png.Gamma = 1.0;
    const double srgbChromaticities[8] = {0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    std::copy(std::begin(srgbChromaticities), std::end(srgbChromaticities), png.Chromaticities);
    ASSERT_TRUE(WritePng(Dir.Path("linear.png"), 40, 10, png, greys.Rows()));
    for (const char* name : {"linear.jpg", "linear.png"})
    {
        const std::vector<RgbColor> cells = PageColours(Page(Dir.Path(name), 4, 1));
        ASSERT_EQ(cells.size(), 4u);
        for (int n = 0; n < 4; ++n)
        {
            const int expected = srgb(levels[n] / 255.0);
            EXPECT_LE(Distance(cells[n], MakeRgb(expected, expected, expected)), 2)
                << name << " level " << levels[n] << ": " << std::hex << cells[n];
        }
    }
}

TEST_F(PictureFormats, WhatViewersReadPastIsReadWithAWarning)
{
    // Extraneous bytes before a JPEG's end marker: libjpeg warns and goes on, and so does the run,
    // telling the warning; a clean file tells none.
    const TestPicture smooth = MakeHalvesTestPicture(32, 16, 0xFF3060A0, 0xFFC08020);
    JpegOptions stray{95};
    stray.StrayBytes = 5;
    ASSERT_TRUE(WriteJpeg(Dir.Path("stray.jpg"), 32, 16, stray, smooth.Rows()));
    ASSERT_TRUE(WriteJpeg(Dir.Path("clean.jpg"), 32, 16, {95}, smooth.Rows()));
    ConversionResult result = Convert(Dir.Path("stray.jpg"), Dir.Path("stray.html"), 2, 1);
    ASSERT_TRUE(result.Succeeded()) << result.Reason;
    EXPECT_EQ(result.Warning.rfind("damaged JPEG data read past: Corrupt JPEG data: ", 0), 0u) << result.Warning;
    EXPECT_NE(result.Warning.find("extraneous bytes before marker 0xd9"), std::string::npos) << result.Warning;
    result = Convert(Dir.Path("clean.jpg"), Dir.Path("clean.html"), 2, 1);
    ASSERT_TRUE(result.Succeeded()) << result.Reason;
    EXPECT_EQ(result.Warning, "");
    EXPECT_EQ(PageColours(ReadText(Dir.Path("stray.html"))), PageColours(ReadText(Dir.Path("clean.html"))));

    // A GIF whose second frame is cut short gives its first frame whole.
    TestPicture firstFrame(16, 8);
    for (std::uint32_t y = 0; y < 8; ++y)
        for (std::uint32_t x = 0; x < 16; ++x)
        {
            const unsigned n = x * 16 + y;
            firstFrame.Set(x, y, std::uint8_t(n), std::uint8_t(255 - n), std::uint8_t(n / 2));
        }
    ASSERT_TRUE(WriteGifCutInSecondFrame(Dir.Path("short-frames.gif"), firstFrame));
    ExpectSamePages(Dir.Path("short-frames.gif"), firstFrame);

    // A GIF without any colour table: black and white first, then grey.
    TestPicture bilevel(8, 2);
    for (std::uint32_t x = 0; x < 8; ++x)
        bilevel.Set(x, 0, std::uint8_t(x % 2), 0, 0), bilevel.Set(x, 1, std::uint8_t(x % 4), 0, 0);
    ASSERT_TRUE(WriteGifWithoutColourTable(Dir.Path("no-table.gif"), bilevel));
    const RgbColor black = 0, white = MakeRgb(255, 255, 255), grey2 = MakeRgb(2, 2, 2), grey3 = MakeRgb(3, 3, 3);
    EXPECT_EQ(PageColours(Page(Dir.Path("no-table.gif"), 8, 2)),
              (std::vector<RgbColor>{black, white, black, white, black, white, black, white, black, white, grey2, grey3,
                                     black, white, grey2, grey3}));
    result = Convert(Dir.Path("no-table.gif"), Dir.Path("no-table.html"), 8, 2);
    EXPECT_NE(result.Warning, "");
}

TEST_F(PictureFormats, TiffsOfLabCmykAndOddDepthsAreConverted)
{
    // Hand-worked values, two pixels each, and the sRGB colours they stand for.
    struct Case
    {
        const char* Name;
        int Photometric;
        int Bits;
        int Samples;
        std::vector<unsigned> Values;
        RgbColor Shown[2];
        int Tolerance;
        int Format = SAMPLEFORMAT_UINT;
        bool Separate = false;
    };
    const Case cases[] = {
        // CIE L*a*b* (D50, as colour profiles have it), a and b signed: white, and sRGB's red
        // (L 54.29, a 80.80, b 69.89).
        {"lab8.tif",
         PHOTOMETRIC_CIELAB,
         8,
         3,
         {255, 0, 0, 138, 81, 70},
         {MakeRgb(255, 255, 255), MakeRgb(255, 0, 0)},
         10},
        // 16 bits: L 50 (a middle grey, sRGB 119), and sRGB's blue (L 29.57, a 68.30, b -112.03).
        {"lab16.tif",
         PHOTOMETRIC_CIELAB,
         16,
         3,
         {32768, 0, 0, 19379, 17485, 65536 - 28680},
         {MakeRgb(119, 119, 119), MakeRgb(0, 0, 255)},
         3},
        // CMYK without a profile: cyan ink alone, and half black.
        {"cmyk.tif",
         PHOTOMETRIC_SEPARATED,
         8,
         4,
         {255, 0, 0, 0, 0, 0, 0, 128},
         {MakeRgb(0, 255, 255), MakeRgb(127, 127, 127)},
         1},
        // 12-bit grey and 12-bit RGB: 4095 is 255, 2048 is 128.
        {"grey12.tif",
         PHOTOMETRIC_MINISBLACK,
         12,
         1,
         {4095, 2048},
         {MakeRgb(255, 255, 255), MakeRgb(128, 128, 128)},
         0},
        {"rgb12.tif",
         PHOTOMETRIC_RGB,
         12,
         3,
         {4095, 0, 2048, 0, 4095, 0},
         {MakeRgb(255, 0, 128), MakeRgb(0, 255, 0)},
         0},
        // Floating point (in thousandths here), 0 to 1 from black to full; beyond it is clipped.
        {"rgb-float.tif",
         PHOTOMETRIC_RGB,
         32,
         3,
         {1000, 0, 250, 0, 1700, 500},
         {MakeRgb(255, 0, 64), MakeRgb(0, 255, 128)},
         0,
         SAMPLEFORMAT_IEEEFP},
        // The same at 64 bits in planes of red, green and blue, as scientific programs write them.
        {"rgb-double-planes.tif",
         PHOTOMETRIC_RGB,
         64,
         3,
         {1000, 0, 250, 0, 1700, 500},
         {MakeRgb(255, 0, 64), MakeRgb(0, 255, 128)},
         0,
         SAMPLEFORMAT_IEEEFP,
         true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(
            WriteTiffSamples(Dir.Path(c.Name), 2, 1, c.Photometric, c.Bits, c.Samples, c.Values, c.Format, c.Separate));
        const std::vector<RgbColor> cells = PageColours(Page(Dir.Path(c.Name), 2, 1));
        ASSERT_EQ(cells.size(), 2u);
        for (int n = 0; n < 2; ++n)
            EXPECT_LE(Distance(cells[n], c.Shown[n]), c.Tolerance) << "pixel " << n << ": " << std::hex << cells[n];
    }
}

TEST_F(PictureFormats, AProgressiveJpegClaimingMoreBlocksThanItsBytesHoldIsRefused)
{
    // Every 8 x 8 block of a progressive picture's first scan costs at least a bit: a grey picture
    // of k x k blocks needs k * k / 8 bytes. A claim just past the file's size is refused before
    // anything is decoded; one just within it fails later, for its missing data.
    const TestPicture picture = MakeTestPicture(8, 8);
    ASSERT_TRUE(WriteJpeg(Dir.Path("small.jpg"), 8, 8, {90, true, true}, picture.Rows()));
    const std::vector<std::uint8_t> bytes = ReadBytes(Dir.Path("small.jpg"));
    std::size_t frame = 2;
    while (frame + 9 < bytes.size() && !(bytes[frame] == 0xFF && bytes[frame + 1] == 0xC2))
        frame += 2 + (bytes[frame + 2] << 8 | bytes[frame + 3]);
    ASSERT_LT(frame + 9, bytes.size());
    std::uint32_t blocks = 1;
    while (std::uint64_t(blocks) * blocks / 8 <= bytes.size())
        ++blocks;
    for (std::uint32_t side : {blocks, blocks - 1})
    {
        std::vector<std::uint8_t> claim = bytes;
        const std::uint32_t pixels = side * 8;
        claim[frame + 5] = std::uint8_t(pixels >> 8), claim[frame + 6] = std::uint8_t(pixels);
        claim[frame + 7] = std::uint8_t(pixels >> 8), claim[frame + 8] = std::uint8_t(pixels);
        const std::string path = Dir.Path("claims" + std::to_string(side) + ".jpg");
        WriteBytes(path, claim);
        const std::string tooLittle = "damaged JPEG data: too little data for a " + std::to_string(pixels) + " x " +
                                      std::to_string(pixels) + " picture";
        const ConversionResult result = Convert(path, Dir.Path("claims.html"), 4, 4);
        EXPECT_EQ(result.Status, ConversionStatus::SourceRefused);
        if (side == blocks)
            EXPECT_EQ(result.Reason, tooLittle);
        else
            EXPECT_NE(result.Reason, tooLittle);
    }
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
