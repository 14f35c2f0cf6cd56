// What every platform shares for pictures of other formats: recognition by the first bytes, the
// EXIF orientation, and the decoded picture's band of upright, composited rows (fed by a scripted
// decoder, so that no codec is needed).
#include "engine/DecodedPicture.h"
#include "decoders/Orientation.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

PictureFormat Sniff(const std::string& bytes)
{
    return SniffPictureFormat(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// A TIFF block (or file) in either byte order holding one directory with the given entries.
struct TiffEntry
{
    unsigned Tag;
    unsigned Type;
    std::uint32_t Count;
    std::uint32_t Value;  // a SHORT sits in the first two bytes of the value field
};

std::vector<std::uint8_t> TiffBlock(bool bigEndian, const std::vector<TiffEntry>& entries, std::uint32_t directory = 8)
{
    std::vector<std::uint8_t> bytes;
    auto u16 = [&](unsigned v) {
        bytes.push_back(std::uint8_t(bigEndian ? v >> 8 : v));
        bytes.push_back(std::uint8_t(bigEndian ? v : v >> 8));
    };
    auto u32 = [&](std::uint32_t v) { bigEndian ? (u16(v >> 16), u16(v & 0xFFFF)) : (u16(v & 0xFFFF), u16(v >> 16)); };
    bytes.push_back(bigEndian ? 'M' : 'I');
    bytes.push_back(bigEndian ? 'M' : 'I');
    u16(42);
    u32(directory);
    bytes.resize(directory, 0);
    u16(static_cast<unsigned>(entries.size()));
    for (const TiffEntry& entry : entries)
    {
        u16(entry.Tag);
        u16(entry.Type);
        u32(entry.Count);
        if (entry.Type == 3)
            u16(entry.Value), u16(0);
        else
            u32(entry.Value);
    }
    u32(0);
    return bytes;
}

// A JPEG head: SOI, the given segments (marker, content), then the start of a scan.
std::vector<std::uint8_t> JpegHead(const std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>>& segments)
{
    std::vector<std::uint8_t> bytes = {0xFF, 0xD8};
    for (const auto& segment : segments)
    {
        const std::size_t length = segment.second.size() + 2;
        bytes.insert(bytes.end(), {0xFF, segment.first, std::uint8_t(length >> 8), std::uint8_t(length)});
        bytes.insert(bytes.end(), segment.second.begin(), segment.second.end());
    }
    bytes.insert(bytes.end(), {0xFF, 0xDA, 0, 2});
    return bytes;
}

std::vector<std::uint8_t> ExifOf(const std::vector<std::uint8_t>& tiff)
{
    std::vector<std::uint8_t> block = {'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), tiff.begin(), tiff.end());
    return block;
}

int OrientationIn(PictureFormat format, const std::vector<std::uint8_t>& bytes)
{
    return static_cast<int>(ReadOrientation(format, bytes.data(), bytes.size()));
}

}  // namespace

TEST(PictureFormat, IsToldByTheFirstBytesOnly)
{
    EXPECT_EQ(Sniff("BM\x36\0\0\0"), PictureFormat::Bmp);
    EXPECT_EQ(Sniff(std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16)), PictureFormat::Png);
    EXPECT_EQ(Sniff("\xFF\xD8\xFF\xE0"), PictureFormat::Jpeg);
    EXPECT_EQ(Sniff("GIF87a"), PictureFormat::Gif);
    EXPECT_EQ(Sniff("GIF89a\x01"), PictureFormat::Gif);
    EXPECT_EQ(Sniff(std::string("II*\0", 4)), PictureFormat::Tiff);
    EXPECT_EQ(Sniff(std::string("MM\0*", 4)), PictureFormat::Tiff);
    EXPECT_EQ(Sniff(std::string("II+\0", 4)), PictureFormat::Tiff);
    EXPECT_EQ(Sniff(std::string("RIFF\x10\0\0\0WEBPVP8 ", 16)), PictureFormat::WebP);

    // Near misses and short files.
    EXPECT_EQ(Sniff(std::string("RIFF\x10\0\0\0WAVEfmt ", 16)), PictureFormat::Unknown);
    EXPECT_EQ(Sniff("\x89PNG\r\n"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff("GIF88a"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff("\xFF\xD8"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff("B"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff("hello, world"), PictureFormat::Unknown);
    EXPECT_EQ(Sniff(""), PictureFormat::Unknown);
    EXPECT_EQ(SniffPictureFormat(nullptr, 12), PictureFormat::Unknown);

    EXPECT_STREQ(PictureFormatName(PictureFormat::Png), "PNG");
    EXPECT_STREQ(PictureFormatName(PictureFormat::Jpeg), "JPEG");
    EXPECT_STREQ(PictureFormatName(PictureFormat::WebP), "WebP");
}

TEST(PictureFormat, SniffsFilesAndTellsAnEmptyOneApart)
{
    CTempDir dir;
    PictureFormat format = PictureFormat::Unknown;
    std::size_t head = 99;
    WriteBytes(dir.Path("a.bin"), {'G', 'I', 'F', '8', '9', 'a', 0, 0});
    ASSERT_TRUE(SniffPictureFile(dir.Path("a.bin"), format, head));
    EXPECT_EQ(format, PictureFormat::Gif);
    EXPECT_EQ(head, 8u);
    WriteBytes(dir.Path("empty.png"), {});
    ASSERT_TRUE(SniffPictureFile(dir.Path("empty.png"), format, head));
    EXPECT_EQ(format, PictureFormat::Unknown);
    EXPECT_EQ(head, 0u);
    EXPECT_FALSE(SniffPictureFile(dir.Path("missing.png"), format, head));
}

TEST(Orientation, IsFoundInAJpegExifBlockAfterOtherSegments)
{
    // (Each value in both byte orders: DecodedPicture.TurnsEveryOrientationUpright.) After an
    // APP0 block, a non-Exif APP1 block and fill bytes.
    const auto tiff = TiffBlock(false, {{0x0112, 3, 1, 6}});
    auto bytes = JpegHead({{0xE0, {'J', 'F', 'I', 'F', 0, 1, 2}}, {0xE1, {'h', 't', 't', 'p'}}, {0xE1, ExifOf(tiff)}});
    bytes.insert(bytes.begin() + 2, {0xFF, 0xFF});
    EXPECT_EQ(OrientationIn(PictureFormat::Jpeg, bytes), 6);
}

TEST(Orientation, IsFoundInATiffFirstDirectoryWhereverItLies)
{
    EXPECT_EQ(OrientationIn(PictureFormat::Tiff, TiffBlock(true, {{0x0100, 3, 1, 64}, {0x0112, 3, 1, 8}}, 1000)), 8);
    EXPECT_EQ(OrientationIn(PictureFormat::Tiff, TiffBlock(false, {{0x0112, 3, 1, 3}, {0x0131, 2, 4, 0}})), 3);

    // BigTIFF: 8-byte offsets and counts, 20-byte entries.
    std::vector<std::uint8_t> big = {'I', 'I', 43, 0, 8, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0};
    big.insert(big.end(), {1, 0, 0, 0, 0, 0, 0, 0});                                            // one entry
    big.insert(big.end(), {0x12, 0x01, 3, 0, 1, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0});  // orientation 5
    EXPECT_EQ(OrientationIn(PictureFormat::Tiff, big), 5);
}

TEST(Orientation, AnythingMissingOrOdd)
{
    const auto upright = static_cast<int>(Orientation::Upright);
    // No Exif block; the orientation only after the scan has started.
    EXPECT_EQ(OrientationIn(PictureFormat::Jpeg, JpegHead({{0xE0, {'J', 'F', 'I', 'F', 0}}})), upright);
    auto late = JpegHead({});
    const auto afterScan = ExifOf(TiffBlock(true, {{0x0112, 3, 1, 6}}));
    late.insert(late.end(), afterScan.begin(), afterScan.end());
    EXPECT_EQ(OrientationIn(PictureFormat::Jpeg, late), upright);
    // Values outside 1 to 8, the wrong type, no value.
    for (const TiffEntry& entry :
         std::vector<TiffEntry>{{0x0112, 3, 1, 0}, {0x0112, 3, 1, 9}, {0x0112, 4, 1, 6}, {0x0112, 3, 0, 6}})
        EXPECT_EQ(OrientationIn(PictureFormat::Tiff, TiffBlock(true, {entry})), upright);
    // A directory past the end, a block cut short, an Exif segment too short for its TIFF block.
    auto beyond = TiffBlock(false, {{0x0112, 3, 1, 6}});
    beyond[4] = 0xF0;
    EXPECT_EQ(OrientationIn(PictureFormat::Tiff, beyond), upright);
    auto cut = TiffBlock(false, {{0x0112, 3, 1, 6}});
    cut.resize(cut.size() - 8);
    EXPECT_EQ(OrientationIn(PictureFormat::Tiff, cut), upright);
    auto jpeg = JpegHead({{0xE1, ExifOf(TiffBlock(true, {{0x0112, 3, 1, 6}}))}});
    jpeg[5] = 14;  // the segment claims less than its directory needs
    EXPECT_EQ(OrientationIn(PictureFormat::Jpeg, jpeg), upright);
    jpeg.resize(30);
    EXPECT_EQ(OrientationIn(PictureFormat::Jpeg, jpeg), upright);
    // Other formats carry none, whatever their bytes.
    EXPECT_EQ(OrientationIn(PictureFormat::Png, TiffBlock(true, {{0x0112, 3, 1, 6}})), upright);
}

namespace
{

// A decoder that hands out a picture held in memory, counting what it was asked for, and that
// can be told to fail at a row.
class CScriptedDecoder : public CPictureDecoder
{
public:
    CScriptedDecoder(std::uint32_t width, std::uint32_t height, bool hasAlpha) : Pixels(std::size_t(width) * height * 4)
    {
        HeaderRead.Width = width;
        HeaderRead.Height = height;
        HeaderRead.HasAlpha = hasAlpha;
    }

    bool Open(const std::uint8_t*, std::size_t) override { return true; }
    bool ReadRows(std::uint8_t* out, std::ptrdiff_t stride, std::uint32_t count) override
    {
        EXPECT_EQ(stride, std::ptrdiff_t(HeaderRead.Width) * 4);
        if (Given + count > HeaderRead.Height)
            return Fail(Failure::Refused, "asked past the end");
        for (std::uint32_t n = 0; n < count; ++n, ++Given)
        {
            if (Given == FailAt)
                return Fail(Failure::Refused, "damaged PNG data: scripted");
            std::memcpy(out + n * stride, &Pixels[std::size_t(Given) * HeaderRead.Width * 4], HeaderRead.Width * 4);
        }
        return true;
    }

    // Makes the header claim a size, whatever pixels there are.
    void Claim(std::uint32_t width, std::uint32_t height)
    {
        HeaderRead.Width = width;
        HeaderRead.Height = height;
    }

    // Pixel (x, y) as blue, green, red, alpha.
    void Set(std::uint32_t x, std::uint32_t y, RgbColor color, std::uint8_t alpha = 255)
    {
        std::uint8_t* p = &Pixels[(std::size_t(y) * HeaderRead.Width + x) * 4];
        p[0] = std::uint8_t(BlueOf(color)), p[1] = std::uint8_t(GreenOf(color)), p[2] = std::uint8_t(RedOf(color));
        p[3] = alpha;
    }

    std::vector<std::uint8_t> Pixels;
    std::uint32_t Given = 0;  // stored rows handed out so far
    std::uint32_t FailAt = UINT32_MAX;
};

RgbColor PixelAt(const CDecodedPicture& picture, std::uint32_t x, std::uint32_t y)
{
    return picture.Layout().Pixel(picture.RowBase(y), x);
}

}  // namespace

TEST(DecodedPicture, HoldsOnlyTheBandAndDecodesAsItMovesDown)
{
    auto owned = std::make_unique<CScriptedDecoder>(5, 1000, false);
    CScriptedDecoder& decoder = *owned;
    for (std::uint32_t y = 0; y < 1000; ++y)
        decoder.Set(y % 5, y, MakeRgb(y % 256, y / 256, 7));
    CDecodedPicture picture;
    ASSERT_TRUE(picture.Open(std::move(owned), nullptr, 0, PictureFormat::Png, 0));
    EXPECT_EQ(decoder.Given, 0u);  // opening decodes nothing

    ASSERT_TRUE(picture.LoadRows(0, 10));
    EXPECT_EQ(decoder.Given, 10u);
    ASSERT_TRUE(picture.LoadRows(9, 40));  // row 9 lies on the boundary of both bands
    EXPECT_EQ(decoder.Given, 40u);
    for (std::uint32_t y = 9; y < 40; ++y)
        EXPECT_EQ(PixelAt(picture, y % 5, y), MakeRgb(y % 256, y / 256, 7)) << y;
    EXPECT_EQ(picture.RowBase(10) - picture.RowBase(9), picture.RowDistance());

    // Rows skipped between bands are decoded and dropped; going back up is refused.
    ASSERT_TRUE(picture.LoadRows(600, 601));
    EXPECT_EQ(PixelAt(picture, 0, 600), MakeRgb(600 % 256, 2, 7));
    EXPECT_FALSE(picture.LoadRows(500, 510));
}

TEST(DecodedPicture, DamageOnTheWayIsTheDecodersOwnReason)
{
    auto decoder = std::make_unique<CScriptedDecoder>(4, 100, false);
    decoder->FailAt = 50;
    CDecodedPicture picture;
    ASSERT_TRUE(picture.Open(std::move(decoder), nullptr, 0, PictureFormat::Png, 0));
    EXPECT_TRUE(picture.LoadRows(0, 30));
    EXPECT_FALSE(picture.LoadRows(29, 60));
    EXPECT_EQ(picture.LastFailure(), CDecodedPicture::Failure::Refused);
    EXPECT_EQ(picture.FailureReason(), "damaged PNG data: scripted");
    EXPECT_FALSE(picture.LoadRows(59, 100));  // and it stays failed
}

TEST(DecodedPicture, RefusesEmptyAndAbsurdSizesBeforeDecoding)
{
    for (const auto& size : std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 5}, {5, 0}, {70000, 70000}})
    {
        // The header claims a size the scripted pixels do not have: nothing may be decoded.
        auto decoder = std::make_unique<CScriptedDecoder>(0, 0, false);
        decoder->Claim(size.first, size.second);
        CDecodedPicture picture;
        EXPECT_FALSE(picture.Open(std::move(decoder), nullptr, 0, PictureFormat::Gif, 0));
        EXPECT_EQ(picture.LastFailure(), CDecodedPicture::Failure::Refused);
        const std::string expected =
            size.first == 70000 ? "the GIF picture is too large (70000 x 70000)" : "the picture has no pixels";
        EXPECT_EQ(picture.FailureReason().rfind(expected, 0), 0u) << picture.FailureReason();
    }
}

TEST(DecodedPicture, CompositesOnlyPicturesWithAlpha)
{
    const RgbColor background = MakeRgb(0, 255, 0x40);
    for (bool hasAlpha : {true, false})
    {
        auto decoder = std::make_unique<CScriptedDecoder>(4, 1, hasAlpha);
        decoder->Set(0, 0, MakeRgb(200, 0, 0x40), 128);  // red: (200 * 128 + 127) / 255 = 100
        decoder->Set(1, 0, MakeRgb(10, 20, 30), 0);      // wholly transparent: the background
        decoder->Set(2, 0, MakeRgb(10, 20, 30), 255);    // opaque: itself
        decoder->Set(3, 0, MakeRgb(0, 0, 0), 1);         // green: (255 * 254 + 127) / 255 = 254
        CDecodedPicture picture;
        ASSERT_TRUE(picture.Open(std::move(decoder), nullptr, 0, PictureFormat::Png, background));
        ASSERT_TRUE(picture.LoadRows(0, 1));
        if (hasAlpha)
        {
            EXPECT_EQ(PixelAt(picture, 0, 0), MakeRgb(100, 127, 0x40));
            EXPECT_EQ(PixelAt(picture, 1, 0), background);
            EXPECT_EQ(PixelAt(picture, 2, 0), MakeRgb(10, 20, 30));
            EXPECT_EQ(PixelAt(picture, 3, 0), MakeRgb(0, 254, 0x40));
        }
        else
        {
            EXPECT_EQ(PixelAt(picture, 0, 0), MakeRgb(200, 0, 0x40));
            EXPECT_EQ(PixelAt(picture, 1, 0), MakeRgb(10, 20, 30));
        }
    }
}

TEST(DecodedPicture, TurnsEveryOrientationUpright)
{
    // The stored picture A B C / D E F, each letter a colour, and the upright picture each
    // orientation shows, row by row (the stored positions worked out by hand). The orientation
    // comes from the Exif block of the bytes the picture is opened from, in either byte order,
    // after another entry, as cameras write it.
    const RgbColor letters[6] = {0x000001, 0x000002, 0x000003, 0x000004, 0x000005, 0x000006};
    const char* const upright[9] = {"",         "ABC|DEF",  "CBA|FED",  "FED|CBA", "DEF|ABC",
                                    "AD|BE|CF", "DA|EB|FC", "FC|EB|DA", "CF|BE|AD"};
    for (int turn = 0; turn < 16; ++turn)
    {
        const int value = turn % 8 + 1;
        const bool bigEndian = turn >= 8;
        const auto tiff = TiffBlock(bigEndian, {{0x010F, 2, 4, 0}, {0x0112, 3, 1, std::uint32_t(value)}});
        const std::vector<std::uint8_t> file = JpegHead({{0xE1, ExifOf(tiff)}});
        auto decoder = std::make_unique<CScriptedDecoder>(3, 2, false);
        for (std::uint32_t n = 0; n < 6; ++n)
            decoder->Set(n % 3, n / 3, letters[n]);
        CDecodedPicture picture;
        ASSERT_TRUE(picture.Open(std::move(decoder), file.data(), file.size(), PictureFormat::Jpeg, 0));
        EXPECT_EQ(static_cast<int>(picture.GetOrientation()), value);
        std::string shown;
        // Two bands, so that a turned picture is gathered more than once.
        for (std::uint32_t y = 0; y < picture.Height(); ++y)
        {
            ASSERT_TRUE(picture.LoadRows(y, y + 1));
            shown += y > 0 ? "|" : "";
            for (std::uint32_t x = 0; x < picture.Width(); ++x)
                shown += static_cast<char>('A' + RedOf(PixelAt(picture, x, y)) - 1);
        }
        EXPECT_EQ(shown, upright[value]) << "orientation " << value << (bigEndian ? " big-endian" : " little-endian");
    }
}
