// A look at a picture's header alone: the size and depth each format's header claims, the upright
// size and the memory decoding would take, and the same refusals as opening the picture gives.
#include "decoders/PictureFormat.h"
#include "engine/SourcePicture.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"
#include "tests/engine/TestPicture.h"

#include <gtest/gtest.h>

namespace
{

StoredFacts FactsOf(const std::vector<std::uint8_t>& bytes)
{
    StoredFacts facts;
    EXPECT_TRUE(ReadStoredFacts(SniffPictureFormat(bytes.data(), bytes.size()), bytes.data(), bytes.size(), facts));
    return facts;
}

}  // namespace

TEST(PictureHeader, EachFormatsHeaderGivesTheStoredSizeAndDepth)
{
    const struct
    {
        const char* Name;
        TestEncoding Encoding;
        std::uint32_t Bits;
    } cases[] = {
        {"PNG RGB", {TestFormat::Png, TestLayout::Rgb, 8}, 24},
        {"PNG RGB 16-bit", {TestFormat::Png, TestLayout::Rgb, 16}, 48},
        {"PNG RGBA 16-bit", {TestFormat::Png, TestLayout::Rgba, 16}, 64},
        {"PNG grey 16-bit, interlaced", {TestFormat::Png, TestLayout::Grey, 16, true}, 16},
        {"PNG palette", {TestFormat::Png, TestLayout::Palette, 8}, 8},
        {"JPEG", {TestFormat::Jpeg, TestLayout::Rgb, 8}, 24},
        {"JPEG grey, progressive", {TestFormat::Jpeg, TestLayout::Grey, 8, true}, 8},
        {"GIF", {TestFormat::Gif, TestLayout::Palette, 8}, 8},
        {"TIFF", {TestFormat::Tiff, TestLayout::Rgb, 8}, 24},
        {"TIFF RGBA, compressed", {TestFormat::Tiff, TestLayout::Rgba, 8, false, false, true}, 32},
        {"WebP lossless", {TestFormat::WebP, TestLayout::Rgb, 8}, 32},
        {"WebP lossy", {TestFormat::WebP, TestLayout::Rgb, 8, false, true}, 32},
    };
    CTempDir dir;
    const TestPicture picture = MakeStripedTestPicture(53, 37, 40);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        if (!CanWriteTestPicture(c.Encoding))
            continue;
        std::string error;
        ASSERT_TRUE(WriteTestPicture(dir.Path("picture"), picture, c.Encoding, error)) << error;
        const StoredFacts facts = FactsOf(ReadBytes(dir.Path("picture")));
        EXPECT_EQ(facts.Width, 53u);
        EXPECT_EQ(facts.Height, 37u);
        EXPECT_EQ(facts.BitsPerPixel, c.Bits);
    }
    for (const auto& [bits, header] : {std::pair(24, BmpHeader::Info), std::pair(8, BmpHeader::V5)})
    {
        CBmpBuilder bitmap(53, 37, static_cast<std::uint16_t>(bits));
        if (bits == 8)
            bitmap.Palette({MakeRgb(1, 2, 3)});
        const StoredFacts facts = FactsOf(bitmap.TopDown().Header(header).Build());
        EXPECT_EQ(facts.Width, 53u);
        EXPECT_EQ(facts.Height, 37u);
        EXPECT_EQ(facts.BitsPerPixel, static_cast<std::uint32_t>(bits));
    }
}

TEST(PictureHeader, HeadersCutShortOrOfNoPixelsTellNothing)
{
    CTempDir dir;
    std::string error;
    ASSERT_TRUE(WriteTestPicture(dir.Path("p.png"), MakeTestPicture(9, 9), TestEncoding(), error)) << error;
    const std::vector<std::uint8_t> png = ReadBytes(dir.Path("p.png"));
    StoredFacts facts;
    EXPECT_FALSE(ReadStoredFacts(PictureFormat::Png, png.data(), 20, facts));
    std::vector<std::uint8_t> empty = png;
    empty[16] = empty[17] = empty[18] = empty[19] = 0;  // width 0
    EXPECT_FALSE(ReadStoredFacts(PictureFormat::Png, empty.data(), empty.size(), facts));
    const std::uint8_t jpegWithoutFrame[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x02};
    EXPECT_FALSE(ReadStoredFacts(PictureFormat::Jpeg, jpegWithoutFrame, sizeof jpegWithoutFrame, facts));
    EXPECT_FALSE(ReadStoredFacts(PictureFormat::Unknown, png.data(), png.size(), facts));
}

TEST(PictureHeader, PeekGivesTheUprightSizeAndWhatDecodingWouldTake)
{
    CTempDir dir;
    const TestPicture picture = MakeTestPicture(40, 30);
    std::string error;
    TestEncoding turned{TestFormat::Jpeg};
    turned.Orientation = 6;
    ASSERT_TRUE(WriteTestPicture(dir.Path("turned.jpg"), picture, turned, error)) << error;
    TestEncoding wide{TestFormat::Png, TestLayout::Rgb, 16};
    ASSERT_TRUE(WriteTestPicture(dir.Path("wide.png"), picture, wide, error)) << error;
    ASSERT_TRUE(WriteBytes(dir.Path("plain.bmp"), TestPictureAsBmp(picture)));

    const struct
    {
        const char* Name;
        std::uint32_t Width, Height;
        std::uint64_t Bytes;
    } cases[] = {
        // Turned a quarter: held whole, upright, beside the decoder's stored frame.
        {"turned.jpg", 30, 40, 40 * 30 * 3 + 40 * 30 * 4},
        {"wide.png", 40, 30, 40 * 30 * 6},
        {"plain.bmp", 40, 30, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CSourcePicture source;
        SourceFacts facts;
        ASSERT_TRUE(source.Peek(dir.Path(c.Name), facts)) << source.Failure().Reason;
        EXPECT_TRUE(facts.SizeKnown);
        EXPECT_EQ(facts.Width, c.Width);
        EXPECT_EQ(facts.Height, c.Height);
        EXPECT_EQ(facts.DecodingBytes, c.Bytes);
        EXPECT_FALSE(source.IsOpen());
    }
}

TEST(PictureHeader, PeekRefusesAsOpeningDoes)
{
    CTempDir dir;
    ASSERT_TRUE(WriteBytes(dir.Path("notes.png"), {'n', 'o', 't', 'e', 's'}));
    // A GIF whose screen and first image claim 65535 x 65535 pixels.
    ASSERT_TRUE(
        WriteBytes(dir.Path("huge.gif"), {'G', 'I', 'F', '8',  '9',  'a',  0xFF, 0xFF, 0xFF, 0xFF, 0,    0, 0, 0x2C, 0,
                                          0,   0,   0,   0xFF, 0xFF, 0xFF, 0xFF, 0,    2,    2,    0x4C, 1, 0, 0x3B}));

    for (const std::string name : {"missing.png", "notes.png", "huge.gif", ""})
    {
        SCOPED_TRACE(name);
        const std::string path = name.empty() ? dir.Root() : dir.Path(name);
        CSourcePicture peeked, opened;
        SourceFacts facts;
        EXPECT_FALSE(peeked.Peek(path, facts));
        EXPECT_FALSE(opened.Open(path, 0));
        EXPECT_EQ(peeked.Failure().Status, opened.Failure().Status);
        EXPECT_EQ(peeked.Failure().Cause, opened.Failure().Cause);
        if (name == "huge.gif")
        {
            EXPECT_EQ(peeked.Failure().Reason, "the GIF picture is too large (65535 x 65535)");
        }
    }
}
