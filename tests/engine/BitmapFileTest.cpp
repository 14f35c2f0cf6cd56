// The bitmap reader: pixel decoding for every depth, row order, strides, colour
// tables, masked and top-down pictures, and the refusal of unsafe files.
#include "engine/BitmapFile.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{

class BitmapReader : public ::testing::Test
{
protected:
    // Writes the bytes to a file and opens it; the test fails if Open does.
    void OpenBytes(const std::vector<std::uint8_t>& bytes)
    {
        Reader.Close();  // a mapped file cannot be rewritten on Windows
        WriteBytes(Path, bytes);
        ASSERT_TRUE(Reader.Open(Path)) << Reader.FailureReason();
    }

    // Writes the bytes and expects Open to refuse them with a reason naming the fault.
    void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& reasonPart)
    {
        Reader.Close();
        WriteBytes(Path, bytes);
        EXPECT_FALSE(Reader.Open(Path));
        EXPECT_EQ(Reader.LastFailure(), CBitmapFile::Failure::Refused);
        EXPECT_NE(Reader.FailureReason().find(reasonPart), std::string::npos) << Reader.FailureReason();
        EXPECT_FALSE(Reader.IsOpen());
        EXPECT_EQ(Reader.GetFileHandle(), nullptr);
        EXPECT_EQ(Reader.GetMappingHandle(), nullptr);
    }

    CTempDir Dir;
    std::string Path = Dir.Path("picture.bmp");
    CBitmapFile Reader;
};

const std::vector<RgbColor> Sixteen = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0x112233, 0x445566, 0x778899, 0xAABBCC,
                                       0xDDEEFF, 0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112, 0x131415};

}  // namespace

TEST_F(BitmapReader, RowZeroIsTheLastStoredRow)
{
    CBmpBuilder picture(2, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            picture.SetColor(x, y, MakeRgb(10 * x + 1, 20 * y + 2, 99));
    OpenBytes(picture.Build());
    const std::uint8_t* firstStored = Reader.GetPixelData();
    EXPECT_EQ(Reader.GetPixel(0, 2), MakeRgb(firstStored[2], firstStored[1], firstStored[0]));
    for (std::uint32_t y = 0; y < 3; ++y)
        for (std::uint32_t x = 0; x < 2; ++x)
            EXPECT_EQ(Reader.GetPixel(x, y), MakeRgb(10 * x + 1, 20 * y + 2, 99)) << x << "," << y;
}

TEST_F(BitmapReader, TopDownPictureStoresTheTopRowFirst)
{
    CBmpBuilder picture(1, 3, 24);
    picture.TopDown().SetColor(0, 0, 0x0000FF).SetColor(0, 1, 0x00FF00).SetColor(0, 2, 0xFF0000);
    OpenBytes(picture.Build());
    EXPECT_TRUE(Reader.IsTopDown());
    EXPECT_EQ(Reader.Height(), 3u);
    const std::uint8_t* firstStored = Reader.GetPixelData();
    EXPECT_EQ(firstStored[2], 0xFF);  // red of the top pixel comes first in the file
    EXPECT_EQ(Reader.GetPixel(0, 0), 0x0000FFu);
    EXPECT_EQ(Reader.GetPixel(0, 1), 0x00FF00u);
    EXPECT_EQ(Reader.GetPixel(0, 2), 0xFF0000u);
}

TEST_F(BitmapReader, RowStridesFollowTheDepth)
{
    struct Case
    {
        std::int32_t Width;
        std::uint16_t Bits;
        std::int32_t Stride;
    };
    const Case cases[] = {{1, 24, 4}, {2, 24, 8}, {3, 24, 12}, {5, 24, 16}, {33, 1, 8},  {5, 8, 8},
                          {3, 16, 8}, {9, 4, 16}, {1, 32, 4},  {8, 1, 4},   {4, 24, 12}, {2, 16, 4}};
    for (const Case& c : cases)
    {
        CBmpBuilder picture(c.Width, 2, c.Bits);
        if (c.Bits <= 8)
            picture.Palette({0x000000, 0xFFFFFF});
        OpenBytes(picture.Build());
        EXPECT_EQ(Reader.GetRowStride(), c.Stride) << c.Width << " pixels at " << c.Bits << " bits";
    }
}

TEST_F(BitmapReader, OneBitPixelsRunFromTheMostSignificantBit)
{
    CBmpBuilder picture(10, 1, 1);
    picture.Palette({0x000000, 0xFFFFFF});
    auto bytes = picture.Build();
    const std::size_t row = picture.PixelOffset();
    bytes[row] = 0x80;      // pixel 0 only
    bytes[row + 1] = 0x80;  // pixel 8 only
    OpenBytes(bytes);
    for (std::uint32_t x = 0; x < 10; ++x)
        EXPECT_EQ(Reader.GetPixel(x, 0), (x == 0 || x == 8) ? 0xFFFFFFu : 0u) << x;
}

TEST_F(BitmapReader, FourBitPixelsTakeTheHighNibbleFirst)
{
    CBmpBuilder picture(3, 1, 4);
    picture.Palette(Sixteen);
    auto bytes = picture.Build();
    bytes[picture.PixelOffset()] = 0x12;
    bytes[picture.PixelOffset() + 1] = 0xF0;
    OpenBytes(bytes);
    EXPECT_EQ(Reader.GetPixel(0, 0), Sixteen[1]);
    EXPECT_EQ(Reader.GetPixel(1, 0), Sixteen[2]);
    EXPECT_EQ(Reader.GetPixel(2, 0), Sixteen[15]);
}

TEST_F(BitmapReader, ColorTableEntriesAreBlueGreenRed)
{
    std::vector<RgbColor> colors(256);
    for (unsigned n = 0; n < 256; ++n)
        colors[n] = MakeRgb(n, 255 - n, n / 2);
    CBmpBuilder picture(256, 1, 8);
    picture.Palette(colors);
    for (int x = 0; x < 256; ++x)
        picture.Set(x, 0, static_cast<std::uint32_t>(255 - x));
    OpenBytes(picture.Build());
    const std::uint8_t* table = Reader.GetColorTable();
    EXPECT_EQ(table[4 * 7], 7 / 2);  // blue first
    EXPECT_EQ(table[4 * 7 + 2], 7);  // red third
    for (std::uint32_t x = 0; x < 256; ++x)
        EXPECT_EQ(Reader.GetPixel(x, 0), colors[255 - x]) << x;
}

TEST_F(BitmapReader, ColorTableEntryPastTheFileEndReadsBlack)
{
    // Two palette entries, then the single pixel row: entry 2 overlaps the row
    // itself (inside the file), entry 3 lies past the end.
    CBmpBuilder picture(2, 1, 8);
    picture.Palette({0x0000FF, 0x00FF00}).Set(0, 0, 2).Set(1, 0, 3);
    auto bytes = picture.Build();
    ASSERT_EQ(bytes.size(), 54u + 8u + 4u);
    OpenBytes(bytes);
    EXPECT_EQ(Reader.GetPixel(0, 0), MakeRgb(0, 3, 2));  // the row's bytes 2, 3, 0 as blue, green, red
    EXPECT_EQ(Reader.GetPixel(1, 0), 0u);
}

TEST_F(BitmapReader, SixteenBitPixelsScaleFiveBitChannels)
{
    const unsigned expected[][2] = {{0, 0},  {1, 8},    {2, 16},   {3, 24},  {4, 32},
                                    {5, 41}, {29, 238}, {30, 246}, {31, 254}};
    for (const auto& pair : expected)
        EXPECT_EQ(ScaleFiveBits(pair[0]), pair[1]) << pair[0];

    CBmpBuilder picture(5, 1, 16);
    picture.Set(0, 0, 0x7FFF).Set(1, 0, 0x001F).Set(2, 0, 0x7C00).Set(3, 0, 0x8000).Set(4, 0, 0x03E0);
    OpenBytes(picture.Build());
    EXPECT_EQ(Reader.GetPixel(0, 0), 0x00FEFEFEu);
    EXPECT_EQ(Reader.GetPixel(1, 0), 0x00FE0000u);
    EXPECT_EQ(Reader.GetPixel(2, 0), 0x000000FEu);
    EXPECT_EQ(Reader.GetPixel(3, 0), 0u);  // bit 15 is unused
    EXPECT_EQ(Reader.GetPixel(4, 0), 0x0000FE00u);
}

TEST_F(BitmapReader, TwentyFourAndThirtyTwoBitPixelsAreBlueGreenRed)
{
    CBmpBuilder deep(2, 1, 24);
    auto bytes = deep.Build();
    bytes[54] = 0x10, bytes[55] = 0x20, bytes[56] = 0x30;
    bytes[57] = 0xAA, bytes[58] = 0xBB, bytes[59] = 0xCC;
    OpenBytes(bytes);
    EXPECT_EQ(Reader.GetPixel(0, 0), 0x00102030u);
    EXPECT_EQ(Reader.GetPixel(1, 0), 0x00AABBCCu);

    CBmpBuilder deeper(1, 1, 32);
    bytes = deeper.Build();
    bytes[54] = 0x10, bytes[55] = 0x20, bytes[56] = 0x30, bytes[57] = 0xFF;
    OpenBytes(bytes);
    EXPECT_EQ(Reader.GetPixel(0, 0), 0x00102030u);
}

TEST_F(BitmapReader, MaskedSixteenBitPicturesAfterTheInfoHeader)
{
    CBmpBuilder picture(4, 1, 16);
    picture.Header(BmpHeader::InfoWithMasks).Compression(3).Masks(0xF800, 0x07E0, 0x001F);
    picture.Set(0, 0, 0xFFFF).Set(1, 0, 0x07E0).Set(2, 0, 0x0020).Set(3, 0, 0xF800);
    OpenBytes(picture.Build());
    EXPECT_EQ(Reader.GetInfoHeader().GreenMask, 0x07E0u);
    EXPECT_EQ(Reader.GetPixel(0, 0), MakeRgb(254, 255, 254));  // 5-bit channels keep 31 -> 254
    EXPECT_EQ(Reader.GetPixel(1, 0), MakeRgb(0, 255, 0));
    EXPECT_EQ(Reader.GetPixel(2, 0), MakeRgb(0, 4, 0));  // 1 * 255 / 63
    EXPECT_EQ(Reader.GetPixel(3, 0), MakeRgb(254, 0, 0));
}

TEST_F(BitmapReader, MaskedThirtyTwoBitPicturesWithLargerHeaders)
{
    CBmpBuilder v4(2, 1, 32);
    v4.Header(BmpHeader::V4).Compression(3).Masks(0x000000FF, 0x0000FF00, 0x00FF0000);
    v4.Set(0, 0, 0x00332211).Set(1, 0, 0xFF000080);
    OpenBytes(v4.Build());
    EXPECT_EQ(Reader.GetPixel(0, 0), MakeRgb(0x11, 0x22, 0x33));  // red in the low byte this time
    EXPECT_EQ(Reader.GetPixel(1, 0), MakeRgb(0x80, 0, 0));

    CBmpBuilder v5(3, 1, 32);
    v5.Header(BmpHeader::V5).Compression(3).Masks(0x3FF00000, 0x000FFC00, 0x000003FF);
    v5.Set(0, 0, 0x3FFFFFFF).Set(1, 0, 512u << 20).Set(2, 0, 1);
    OpenBytes(v5.Build());
    EXPECT_EQ(Reader.GetPixel(0, 0), MakeRgb(255, 255, 255));
    EXPECT_EQ(Reader.GetPixel(1, 0), MakeRgb(127, 0, 0));  // 512 * 255 / 1023, truncated
    EXPECT_EQ(Reader.GetPixel(2, 0), MakeRgb(0, 0, 0));
}

TEST_F(BitmapReader, MasksInALargeHeaderAreIgnoredWithoutBitFields)
{
    CBmpBuilder picture(1, 1, 32);
    picture.Header(BmpHeader::V5).Masks(0x000000FF, 0x0000FF00, 0x00FF0000).Set(0, 0, 0x00102030);
    OpenBytes(picture.Build());
    EXPECT_EQ(Reader.GetPixel(0, 0), MakeRgb(0x10, 0x20, 0x30));  // stored 30 20 10: blue first

    CBmpBuilder indexed(2, 2, 8);
    indexed.Header(BmpHeader::V4).Palette({0x123456, 0x654321}).Set(1, 1, 1);
    OpenBytes(indexed.Build());
    EXPECT_EQ(Reader.GetPixel(0, 0), 0x123456u);
    EXPECT_EQ(Reader.GetPixel(1, 1), 0x654321u);
}

TEST_F(BitmapReader, LastRowMayLackItsPadding)
{
    CBmpBuilder picture(3, 2, 24);
    picture.SetColor(2, 0, 0xABCDEF);
    auto bytes = picture.Build();
    bytes.resize(bytes.size() - 3);  // 9 pixel bytes remain of the last 12-byte row
    OpenBytes(bytes);
    EXPECT_EQ(Reader.GetPixel(2, 0), 0xABCDEFu);
    Reader.Close();
    bytes.pop_back();
    ExpectRefused(bytes, "past the end");
}

TEST_F(BitmapReader, RefusesFilesTooShortForTheirHeaders)
{
    ExpectRefused({}, "empty");
    std::vector<std::uint8_t> bytes = CBmpBuilder(1, 1, 24).Build();
    ExpectRefused(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 17), "too short");
    ExpectRefused(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 40), "too short");

    bytes = CBmpBuilder(1, 1, 16).Header(BmpHeader::InfoWithMasks).Compression(3).Build();
    PutU32(bytes, 10, 54);  // pixels inside the file, but the third mask is missing
    bytes.resize(54 + 8);
    ExpectRefused(bytes, "masks");
}

TEST_F(BitmapReader, RefusesUnsupportedHeadersDepthsAndCompression)
{
    auto bytes = CBmpBuilder(1, 1, 24).Build();
    PutU32(bytes, 14, 12);
    ExpectRefused(bytes, "12-byte");
    PutU32(bytes, 14, 20);
    ExpectRefused(bytes, "unknown bitmap header");

    for (std::uint16_t bits : {0, 2, 7, 48})
    {
        bytes = CBmpBuilder(4, 4, 32).Build();
        PutU16(bytes, 28, bits);
        ExpectRefused(bytes, "depth of " + std::to_string(bits));
    }

    bytes = CBmpBuilder(4, 4, 8).Palette(Sixteen).Compression(1).Build();
    ExpectRefused(bytes, "compression");
    bytes = CBmpBuilder(4, 4, 24).Header(BmpHeader::InfoWithMasks).Compression(3).Build();
    ExpectRefused(bytes, "compression");
    bytes = CBmpBuilder(4, 4, 32).Compression(4).Build();
    ExpectRefused(bytes, "compression");
}

TEST_F(BitmapReader, RefusesBadDimensions)
{
    auto bytes = CBmpBuilder(2, 2, 24).Build();
    PutU32(bytes, 18, 0);
    ExpectRefused(bytes, "width");
    PutU32(bytes, 18, static_cast<std::uint32_t>(-3));
    ExpectRefused(bytes, "width");
    bytes = CBmpBuilder(2, 2, 24).Build();
    PutU32(bytes, 22, 0);
    ExpectRefused(bytes, "height");
    PutU32(bytes, 22, static_cast<std::uint32_t>(INT32_MIN));
    ExpectRefused(bytes, "height");

    // Dimensions whose rows would need far more than the file holds, or a stride
    // beyond the 32-bit range, are refused without overflowing.
    bytes = CBmpBuilder(1, 1, 1).Palette({0, 0xFFFFFF}).Build();
    PutU32(bytes, 18, 0x7FFFFFFF);
    PutU32(bytes, 22, 0x7FFFFFFF);
    ExpectRefused(bytes, "past the end");
    bytes = CBmpBuilder(1, 1, 32).Build();
    PutU32(bytes, 18, 0x7FFFFFFF);
    ExpectRefused(bytes, "too large");
    PutU32(bytes, 18, 1);
    PutU32(bytes, 22, static_cast<std::uint32_t>(-0x7FFFFFFF));
    ExpectRefused(bytes, "past the end");
}

TEST_F(BitmapReader, RefusesPixelRowsOutsideTheFile)
{
    auto bytes = CBmpBuilder(2, 2, 24).Build();
    PutU32(bytes, 10, static_cast<std::uint32_t>(bytes.size()));
    ExpectRefused(bytes, "past the end");
    PutU32(bytes, 10, 0xFFFFFFF0u);
    ExpectRefused(bytes, "past the end");
}

TEST_F(BitmapReader, RefusesMasksThatAreNotOneRunOrDoNotFit)
{
    auto bytes =
        CBmpBuilder(1, 1, 16).Header(BmpHeader::InfoWithMasks).Compression(3).Masks(0x7C00, 0x03E0, 0x0015).Build();
    ExpectRefused(bytes, "one run");
    bytes = CBmpBuilder(1, 1, 16).Header(BmpHeader::V4).Compression(3).Masks(0xFF0000, 0xFF00, 0xFF).Build();
    ExpectRefused(bytes, "does not fit");
}

TEST_F(BitmapReader, MissingFileAndClosing)
{
    EXPECT_FALSE(Reader.Open(Dir.Path("no such picture.bmp")));
    EXPECT_EQ(Reader.LastFailure(), CBitmapFile::Failure::CannotOpen);
    EXPECT_EQ(Reader.FailureReason(), "the file does not exist");
    EXPECT_EQ(Reader.GetFileHandle(), nullptr);
    EXPECT_EQ(Reader.GetMappingHandle(), nullptr);
    EXPECT_EQ(Reader.GetView(), nullptr);
    Reader.Close();
    Reader.Close();
    EXPECT_FALSE(Reader.IsOpen());

    EXPECT_FALSE(Reader.Open(Dir.Root()));
    EXPECT_EQ(Reader.LastFailure(), CBitmapFile::Failure::CannotOpen);
}

TEST_F(BitmapReader, OpenReplacesAnOpenPicture)
{
    OpenBytes(CBmpBuilder(3, 2, 24).Build());
    const std::string other = Dir.Path("other.bmp");
    WriteBytes(other, CBmpBuilder(7, 5, 8).Palette({0x0000FF}).Build());
    ASSERT_TRUE(Reader.Open(other));
    EXPECT_EQ(Reader.Width(), 7u);
    EXPECT_EQ(Reader.Height(), 5u);
    EXPECT_EQ(Reader.GetPixel(6, 4), 0x0000FFu);
    Reader.Close();
    EXPECT_EQ(Reader.GetView(), nullptr);
}
