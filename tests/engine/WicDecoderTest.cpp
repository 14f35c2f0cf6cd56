// The Windows decoders: pictures written by WIC's own encoders come back through CWicDecoder pixel
// for pixel, in bands of any size; damaged, absurd and foreign files are refused with a reason,
// files in use are told from bad ones. Whole conversions
// of what only Windows reads: names in any script, compressed bitmaps. (The pages of every format
// are checked on both platforms by PictureFormatsTest.)
#include <gtest/gtest.h>

#include "decoders/WicDecoder.h"
#include "engine/ConversionRun.h"
#include "engine/SourcePicture.h"
#include "output/PageConversion.h"
#include "base/TextEncoding.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/PageSettings.h"
#include "tests/engine/TempDir.h"
#include "tests/engine/WicPictures.h"

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace
{

// Decodes the whole picture in bands of bandRows into rows of stride bytes; empty on failure.
std::vector<std::uint8_t> DecodeAll(CPictureDecoder& decoder, std::uint32_t bandRows, std::size_t stride)
{
    const PictureHeader& header = decoder.Header();
    std::vector<std::uint8_t> rows(stride * header.Height);
    for (std::uint32_t y = 0; y < header.Height; y += bandRows)
    {
        const std::uint32_t count = std::min(bandRows, header.Height - y);
        if (!decoder.ReadRows(rows.data() + y * stride, static_cast<std::ptrdiff_t>(stride), count))
            return {};
    }
    return rows;
}

// Pixel (x, y) of decoded rows as 0xAARRGGBB.
std::uint32_t Decoded(const std::vector<std::uint8_t>& rows, std::size_t stride, std::uint32_t x, std::uint32_t y)
{
    const std::uint8_t* p = rows.data() + y * stride + 4 * x;
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// A decoder over a file's bytes, which it keeps while it lives.
struct CFileDecoder
{
    std::vector<std::uint8_t> Bytes;
    std::unique_ptr<CPictureDecoder> Decoder;

    CFileDecoder(PictureFormat format, const std::string& path)
        : Bytes(ReadBytes(path)), Decoder(CreatePictureDecoder(format))
    {
        EXPECT_NE(Decoder, nullptr) << PictureFormatName(format);
    }
    bool Open() { return Decoder && Decoder->Open(Bytes.data(), Bytes.size()); }
    CPictureDecoder* operator->() const { return Decoder.get(); }
    CPictureDecoder& operator*() const { return *Decoder; }
    explicit operator bool() const { return Decoder != nullptr; }
};

// The bytes move with the decoder: a vector keeps its storage when it is moved.
CFileDecoder OpenPicture(PictureFormat format, const std::string& path)
{
    CFileDecoder decoder(format, path);
    if (decoder && !decoder.Open())
        ADD_FAILURE() << path << ": " << decoder->FailureReason();
    return decoder;
}

class WicDecoderTest : public ::testing::Test
{
protected:
    std::string Write(const std::string& name, const GUID& container, const TestPicture& picture, StoredAs stored,
                      bool interlaced = false)
    {
        const std::string path = Dir.Path(name);
        std::string error;
        EXPECT_TRUE(WriteWicPicture(path, container, picture, stored, error, interlaced)) << name << ": " << error;
        return path;
    }
    std::string WriteBytesAs(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = Dir.Path(name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    // Opens the file as format and expects a refusal whose reason contains words.
    void ExpectRefused(PictureFormat format, const std::string& path, const std::string& words)
    {
        CFileDecoder decoder(format, path);
        ASSERT_TRUE(decoder);
        bool refused = !decoder.Open();
        if (!refused)
        {
            std::vector<std::uint8_t> rows(std::size_t(decoder->Header().Width) * 4 * decoder->Header().Height);
            refused = !decoder->ReadRows(rows.data(), decoder->Header().Width * 4, decoder->Header().Height);
        }
        ASSERT_TRUE(refused) << path;
        EXPECT_EQ(decoder->LastFailure(), CPictureDecoder::Failure::Refused) << decoder->FailureReason();
        EXPECT_NE(decoder->FailureReason().find(words), std::string::npos) << decoder->FailureReason();
    }

    CTempDir Dir;
};

}  // namespace

TEST_F(WicDecoderTest, LosslessPicturesComeBackPixelForPixelInBandsOfAnySize)
{
    const TestPicture opaque = MakeTestPicture(61, 47);
    TestPicture clear = opaque;  // alpha from 0 (left) to 255 (right)
    for (std::uint32_t y = 0; y < 47; ++y)
        for (std::uint32_t x = 0; x < 61; ++x)
            clear.Rgba[(std::size_t(y) * 61 + x) * 4 + 3] = std::uint8_t(x * 255 / 60);
    const TestPicture striped = MakeStripedTestPicture(61, 47, 40);
    struct Case
    {
        const char* Name;
        PictureFormat Format;
        const GUID* Container;
        const TestPicture* Picture;
        StoredAs Stored;
        bool Interlaced;
        bool Alpha;
    };
    const Case cases[] = {
        {"rgb.png", PictureFormat::Png, &GUID_ContainerFormatPng, &opaque, StoredAs::Bgr24, false, false},
        {"rgba.png", PictureFormat::Png, &GUID_ContainerFormatPng, &clear, StoredAs::Bgra32, false, true},
        {"grey.png", PictureFormat::Png, &GUID_ContainerFormatPng, &opaque, StoredAs::Gray8, false, false},
        {"palette.png", PictureFormat::Png, &GUID_ContainerFormatPng, &striped, StoredAs::Indexed8, false, false},
        {"deep.png", PictureFormat::Png, &GUID_ContainerFormatPng, &opaque, StoredAs::Rgb48, false, false},
        {"adam7.png", PictureFormat::Png, &GUID_ContainerFormatPng, &clear, StoredAs::Bgra32, true, true},
        {"first.gif", PictureFormat::Gif, &GUID_ContainerFormatGif, &striped, StoredAs::Indexed8, false, false},
        {"rgb.tif", PictureFormat::Tiff, &GUID_ContainerFormatTiff, &opaque, StoredAs::Bgr24, false, false},
        {"rgba.tif", PictureFormat::Tiff, &GUID_ContainerFormatTiff, &clear, StoredAs::Bgra32, false, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.Name);
        const std::string path = Write(c.Name, *c.Container, *c.Picture, c.Stored, c.Interlaced);
        auto decoder = OpenPicture(c.Format, path);
        ASSERT_TRUE(decoder && decoder->LastFailure() == CPictureDecoder::Failure::None);
        EXPECT_EQ(decoder->Header().Width, 61u);
        EXPECT_EQ(decoder->Header().Height, 47u);
        EXPECT_EQ(decoder->Header().HasAlpha, c.Alpha);
        // Bands of 5 rows into rows with room to spare: every band lands where it belongs.
        const std::size_t stride = 61 * 4 + 12;
        const std::vector<std::uint8_t> rows = DecodeAll(*decoder, 5, stride);
        ASSERT_FALSE(rows.empty()) << decoder->FailureReason();
        for (std::uint32_t y = 0; y < 47; ++y)
            for (std::uint32_t x = 0; x < 61; ++x)
            {
                const std::uint8_t* p = c.Picture->At(x, y);
                std::uint32_t expected = std::uint32_t(p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2];
                if (c.Stored == StoredAs::Gray8)
                    expected = 0xFF000000u | p[0] << 16 | p[0] << 8 | p[0];
                ASSERT_EQ(Decoded(rows, stride, x, y), expected) << "at " << x << ", " << y;
            }
        // Asking past the last row is refused rather than read out of bounds.
        std::uint8_t spare[61 * 4];
        EXPECT_FALSE(decoder->ReadRows(spare, sizeof spare, 1));
    }
}

TEST_F(WicDecoderTest, DamagedForeignAndAbsurdFilesAreRefusedWithAReason)
{
    const TestPicture picture = MakeTestPicture(64, 48);
    const std::vector<std::uint8_t> png =
        ReadBytes(Write("whole.png", GUID_ContainerFormatPng, picture, StoredAs::Bgr24));
    const std::vector<std::uint8_t> jpeg =
        ReadBytes(Write("whole.jpg", GUID_ContainerFormatJpeg, picture, StoredAs::Bgr24));
    ASSERT_GT(png.size(), 200u);
    ASSERT_GT(jpeg.size(), 200u);

    // Cut short: half of each file.
    ExpectRefused(PictureFormat::Png, WriteBytesAs("cut.png", {png.begin(), png.begin() + png.size() / 2}),
                  "damaged PNG data: the file is cut short or corrupt");
    ExpectRefused(PictureFormat::Jpeg, WriteBytesAs("cut.jpg", {jpeg.begin(), jpeg.begin() + jpeg.size() / 2}),
                  "damaged JPEG data");
    // Only the end marker missing: still cut short, however little is missing.
    ExpectRefused(PictureFormat::Jpeg, WriteBytesAs("end.jpg", {jpeg.begin(), jpeg.end() - 2}), "end early");

    // A text file under a picture's name.
    const std::string text = "These are not the pixels you are looking for.\r\n";
    ExpectRefused(PictureFormat::Png, WriteBytesAs("text.png", {text.begin(), text.end()}), "damaged PNG data");

    // A PNG whose header claims 100000 x 100000 pixels (the header's checksum made right).
    std::vector<std::uint8_t> huge = png;
    for (std::size_t at : {16u, 20u})
        huge[at] = 0, huge[at + 1] = 0x01, huge[at + 2] = 0x86, huge[at + 3] = 0xA0;
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t at = 12; at < 29; ++at)
    {
        crc ^= huge[at];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    crc ^= 0xFFFFFFFFu;
    for (int n = 0; n < 4; ++n)
        huge[29 + n] = static_cast<std::uint8_t>(crc >> (24 - 8 * n));
    ExpectRefused(PictureFormat::Png, WriteBytesAs("huge.png", huge), "too large");
    // A JPEG frame header claiming more than its data could hold, or more than is taken at all.
    std::size_t frame = 2;
    while (frame + 9 < jpeg.size() && !(jpeg[frame] == 0xFF && jpeg[frame + 1] == 0xC0))
        ++frame;
    ASSERT_LT(frame + 9, jpeg.size());
    std::vector<std::uint8_t> claims = jpeg;
    claims[frame + 5] = claims[frame + 7] = 0x0F;  // 4000 x 4000 pixels in a few kilobytes
    claims[frame + 6] = claims[frame + 8] = 0xA0;
    ExpectRefused(PictureFormat::Jpeg, WriteBytesAs("claims.jpg", claims), "too little data for a 4000 x 4000");
    claims[frame + 5] = claims[frame + 7] = 0xFF;  // 65440 x 65440
    ExpectRefused(PictureFormat::Jpeg, WriteBytesAs("claims.jpg", claims), "too large");

    ExpectRefused(PictureFormat::Gif, WriteBytesAs("empty.gif", {}), "empty");
}

TEST_F(WicDecoderTest, JpegWithBytesAfterItsEndIsRead)
{
    std::vector<std::uint8_t> jpeg =
        ReadBytes(Write("tail.jpg", GUID_ContainerFormatJpeg, MakeTestPicture(16, 16), StoredAs::Bgr24));
    jpeg.insert(jpeg.end(), {0x00, 0x11, 0xFF, 0x22, 0x33});
    auto decoder = OpenPicture(PictureFormat::Jpeg, WriteBytesAs("tail.jpg", jpeg));
    ASSERT_TRUE(decoder && decoder->LastFailure() == CPictureDecoder::Failure::None);
    EXPECT_EQ(decoder->Header().Width, 16u);
}

TEST_F(WicDecoderTest, FilesThatCannotBeOpenedAreToldFromBadOnes)
{
    CSourcePicture picture;
    EXPECT_FALSE(picture.Open(Dir.Path("missing.png"), 0));
    EXPECT_EQ(picture.Failure().Status, ConversionStatus::SourceCannotOpen);
    EXPECT_EQ(picture.Failure().Cause, "the file does not exist");

    const std::string path = Write("held.png", GUID_ContainerFormatPng, MakeTestPicture(8, 8), StoredAs::Bgr24);
    HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(picture.Open(path, 0));
    ::CloseHandle(held);
    EXPECT_EQ(picture.Failure().Status, ConversionStatus::SourceCannotOpen);
    EXPECT_EQ(picture.Failure().Cause, "the file is in use");
    // The same picture opens the file once it is free.
    EXPECT_TRUE(picture.Open(path, 0)) << picture.Failure().Reason;
}

// --- whole conversions through the system's decoders ---------------------------------------------

namespace
{

// The page for source at columns x rows, sequential characters, over background.
std::string PageOf(const std::string& source, const std::string& target, std::uint32_t columns, std::uint32_t rows,
                   RgbColor background = 0)
{
    ConversionSettings settings = GridSettings(columns, rows, "#", 1, background);
    settings.SourcePath = source;
    settings.TargetPath = target;
    const ConversionResult result = RunConversion(settings, false);
    EXPECT_TRUE(result.Succeeded()) << source << ": " << result.Reason;
    return ReadText(target);
}

// The cell colours of a page, in order, as 0xRRGGBB.
std::vector<std::uint32_t> CellColours(const std::string& page)
{
    std::vector<std::uint32_t> colours;
    const std::string mark = "<FONT COLOR=#";
    for (std::size_t at = page.find(mark); at != std::string::npos; at = page.find(mark, at + 1))
        colours.push_back(static_cast<std::uint32_t>(std::stoul(page.substr(at + mark.size(), 6), nullptr, 16)));
    return colours;
}

}  // namespace

TEST_F(WicDecoderTest, APictureNamedInAnyScriptIsReadWhenTheNamesAreUtf8)
{
    // As the converter has it on a system that keeps another code page: names as UTF-8, which
    // the recognition, the orientation and the decoder must all open.
    namespace fs = std::filesystem;
    const TestPicture picture = MakeTestPicture(61, 47);
    const std::string bmpPage = PageOf(WriteBytesAs("tree.bmp", TestPictureAsBmp(picture)), Dir.Path("b.html"), 13, 9);
    const fs::path greek = fs::u8path(Dir.Root()) / fs::u8path("\u0394\u03AD\u03BD\u03C4\u03C1\u03BF.png");
    fs::rename(fs::u8path(Write("tree.png", GUID_ContainerFormatPng, picture, StoredAs::Bgr24)), greek);
    SetTextCodePage(TextCodePage::Utf8);
    const std::string page = PageOf(greek.u8string(), Dir.Path("greek.html"), 13, 9);
    SetTextCodePage(TextCodePage::Active);
    EXPECT_EQ(page, bmpPage);
}

TEST_F(WicDecoderTest, CompressedBitmapConvertsThroughTheSystemDecoder)
{
    // Run-length encoded, 8 bits: four rows of four pixels, green over blue over green over blue.
    std::vector<std::uint8_t> rle = CBmpBuilder(4, 0, 8).Compression(1).Palette({0x00FF0000, 0x0000FF00}).Build();
    const std::size_t offBits = rle.size();
    rle.insert(rle.end(), {4, 0, 0, 0, 4, 1, 0, 0, 4, 0, 0, 0, 4, 1, 0, 1});
    PutU32(rle, 2, static_cast<std::uint32_t>(rle.size()));
    PutU32(rle, 22, 4);
    PutU32(rle, 34, static_cast<std::uint32_t>(rle.size() - offBits));
    const auto cells = CellColours(PageOf(WriteBytesAs("rle8.bmp", rle), Dir.Path("rle8.html"), 1, 4));
    const std::vector<std::uint32_t> expected = {0x00FF00, 0x0000FF, 0x00FF00, 0x0000FF};
    EXPECT_EQ(cells, expected);
}
