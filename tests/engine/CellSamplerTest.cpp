// The resampler: edges, weights, and the cell colours of whole conversions.
#include "engine/BitmapFile.h"
#include "engine/CellSampler.h"
#include "engine/ConversionRun.h"
#include "engine/HtmlWriter.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

class Resampler : public ::testing::Test {
protected:
    // Converts the picture to a columns x rows page and returns the cell colours
    // in the order they were written.
    std::vector<RgbColor> Convert(const CBmpBuilder& picture, std::uint32_t columns, std::uint32_t rows)
    {
        WriteBytes(Source, picture.Build());
        CBitmapFile reader;
        EXPECT_TRUE(reader.Open(Source)) << reader.FailureReason();
        CHtmlWriter writer;
        EXPECT_TRUE(writer.Open(Target));
        writer.Columns = columns;
        writer.Rows = rows;
        writer.CharacterSet = "01";
        EXPECT_EQ(ConvertToHtml(reader, writer), 0);
        writer.Close();
        return Colors(ReadText(Target));
    }

    static std::vector<RgbColor> Colors(const std::string& page)
    {
        std::vector<RgbColor> colors;
        const std::string tag = "<FONT COLOR=#";
        for (std::size_t at = page.find(tag); at != std::string::npos; at = page.find(tag, at + 1)) {
            const unsigned long rgb = std::strtoul(page.substr(at + tag.size(), 6).c_str(), nullptr, 16);
            colors.push_back(MakeRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
        }
        return colors;
    }

    CTempDir Dir;
    std::string Source = Dir.Path("in.bmp");
    std::string Target = Dir.Path("out.html");
};

} // namespace

TEST(CellEdges, CeilingIsExactAndNeverTakesInAPixelOutside)
{
    EXPECT_EQ(CCellSampler::EdgeCeiling(0.0f), 0u);
    EXPECT_EQ(CCellSampler::EdgeCeiling(2.0f), 2u);
    EXPECT_EQ(CCellSampler::EdgeCeiling(2.5f), 3u);
    EXPECT_EQ(CCellSampler::EdgeCeiling(std::nextafter(3.0f, 4.0f)), 4u);
    EXPECT_EQ(CCellSampler::EdgeCeiling(0.0000001f), 1u);
    // In single precision 4194303.75 + 1 rounds up to 4194305.
    EXPECT_EQ(CCellSampler::EdgeCeiling(4194303.75f), 4194304u);
    EXPECT_EQ(CCellSampler::EdgeCeiling(16777216.0f), 16777216u);
}

TEST(CellEdges, EdgesAreDoubleQuotientsRoundedToSingle)
{
    EXPECT_EQ(CCellSampler::Edge(1, 3.0f, 2.0f), 1.5f);
    EXPECT_EQ(CCellSampler::Edge(2, 3.0f, 2.0f), 3.0f);
    EXPECT_EQ(CCellSampler::Edge(1, 700.0f, 3.0f), static_cast<float>(700.0 / 3.0));
    EXPECT_EQ(CCellSampler::Edge(4999, 4000.0f, 5000.0f), static_cast<float>(4999.0 * 4000.0 / 5000.0));
}

TEST(CellEdges, WeightsAreTheCoveredShareOfEachPixel)
{
    EXPECT_DOUBLE_EQ(CCellSampler::Weight(0, 0.0f, 1.5f), 1.0);
    EXPECT_DOUBLE_EQ(CCellSampler::Weight(1, 0.0f, 1.5f), 0.5);
    EXPECT_DOUBLE_EQ(CCellSampler::Weight(1, 1.5f, 3.0f), 0.5);
    EXPECT_DOUBLE_EQ(CCellSampler::Weight(2, 1.5f, 3.0f), 1.0);
    EXPECT_DOUBLE_EQ(CCellSampler::Weight(0, 0.5f, 1.0f), 0.5);  // a cell inside one pixel
    EXPECT_DOUBLE_EQ(CCellSampler::Weight(0, 0.25f, 0.5f), 0.75); // the first row of the table wins
}

TEST_F(Resampler, OnePixelPerCellCopiesEveryPixel)
{
    CBmpBuilder picture(5, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            picture.SetColor(x, y, MakeRgb(40 * x, 80 * y, 7 * x + y));
    const auto colors = Convert(picture, 5, 3);
    ASSERT_EQ(colors.size(), 15u);
    for (std::uint32_t n = 0; n < 15; ++n)
        EXPECT_EQ(colors[n], MakeRgb(40 * (n % 5), 80 * (n / 5), 7 * (n % 5) + n / 5)) << n;
}

TEST_F(Resampler, WholeBlocksAverageToTheirColour)
{
    CBmpBuilder picture(4, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.SetColor(x, y, 0x00336699);
    EXPECT_EQ(Convert(picture, 2, 2), std::vector<RgbColor>(4, 0x00336699));
}

TEST_F(Resampler, AveragesTruncate)
{
    CBmpBuilder picture(2, 1, 24);
    picture.SetColor(0, 0, MakeRgb(0, 0, 0)).SetColor(1, 0, MakeRgb(255, 0, 0));
    EXPECT_EQ(Convert(picture, 1, 1), std::vector<RgbColor>{MakeRgb(127, 0, 0)});
}

TEST_F(Resampler, PartlyCoveredPixelsCountByTheirShare)
{
    CBmpBuilder picture(3, 1, 24);
    picture.SetColor(0, 0, MakeRgb(0, 0, 0)).SetColor(1, 0, MakeRgb(90, 0, 0)).SetColor(2, 0, MakeRgb(180, 0, 0));
    EXPECT_EQ(Convert(picture, 2, 1), (std::vector<RgbColor>{MakeRgb(30, 0, 0), MakeRgb(150, 0, 0)}));

    CBmpBuilder tall(1, 3, 24);
    tall.SetColor(0, 0, MakeRgb(0, 0, 0)).SetColor(0, 1, MakeRgb(0, 90, 0)).SetColor(0, 2, MakeRgb(0, 180, 0));
    EXPECT_EQ(Convert(tall, 1, 2), (std::vector<RgbColor>{MakeRgb(0, 30, 0), MakeRgb(0, 150, 0)}));
}

TEST_F(Resampler, CellsSmallerThanAPixelTakeThatPixel)
{
    CBmpBuilder picture(1, 1, 24);
    picture.SetColor(0, 0, 0x00ABCDEF);
    EXPECT_EQ(Convert(picture, 2, 2), std::vector<RgbColor>(4, 0x00ABCDEF));
}

TEST_F(Resampler, CellsRunFromTopLeftToBottomRight)
{
    CBmpBuilder picture(6, 4, 8);
    picture.Palette({0x000000, 0x0000FF, 0xFF0000}).Set(0, 0, 1).Set(1, 0, 1).Set(0, 1, 1).Set(1, 1, 1);
    picture.Set(4, 2, 2).Set(5, 2, 2).Set(4, 3, 2).Set(5, 3, 2);
    const auto colors = Convert(picture, 3, 2);
    ASSERT_EQ(colors.size(), 6u);
    EXPECT_EQ(colors.front(), 0x0000FFu);
    EXPECT_EQ(colors.back(), 0xFF0000u);
    EXPECT_EQ(colors[2], 0u);
    EXPECT_EQ(colors[3], 0u);
}

TEST_F(Resampler, TopDownAndBottomUpPicturesGiveTheSamePage)
{
    CBmpBuilder bottomUp(7, 5, 24), topDown(7, 5, 24);
    topDown.TopDown();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            bottomUp.SetColor(x, y, MakeRgb(30 * x, 50 * y, 200 - 9 * x * y));
            topDown.SetColor(x, y, MakeRgb(30 * x, 50 * y, 200 - 9 * x * y));
        }
    EXPECT_EQ(Convert(bottomUp, 3, 2), Convert(topDown, 3, 2));
}

TEST_F(Resampler, HeadAndTailAreWrittenWithoutCells)
{
    WriteBytes(Source, CBmpBuilder(2, 2, 24).Build());
    CBitmapFile reader;
    ASSERT_TRUE(reader.Open(Source));
    CHtmlWriter writer;
    ASSERT_TRUE(writer.Open(Target));
    writer.Columns = 3;
    writer.CharacterSet = "01";
    std::vector<std::uint32_t> progress;
    EXPECT_EQ(ConvertToHtml(reader, writer, [&](std::uint32_t done, std::uint32_t) { progress.push_back(done); }), 0);
    writer.Close();
    const std::string page = ReadText(Target);
    EXPECT_EQ(page.size(), 63u + 36u);
    EXPECT_TRUE(progress.empty());

    CHtmlWriter closed;
    EXPECT_EQ(ConvertToHtml(reader, closed), ConvertNotOpen);
}

TEST_F(Resampler, WidthBeyondSinglePrecisionVisitsOnlyRealPixels)
{
    // 16777219 is stored as 16777220 in single precision: the last cell's bound
    // must stop at the picture's edge, not read the padding bit after it.
    const std::int32_t width = 16777219;
    CBmpBuilder picture(1, 1, 1);
    picture.Palette({0x000000, 0xFFFFFF});
    auto bytes = picture.Build();
    const std::size_t rowBytes = (width + 31) / 32 * 4;
    bytes.resize(54 + 8);
    bytes.resize(54 + 8 + rowBytes, 0xFF);
    bytes[54 + 8 + width / 8] = 0xE0; // the last three pixels set, the padding clear
    PutU32(bytes, 18, static_cast<std::uint32_t>(width));
    WriteBytes(Source, bytes);

    CBitmapFile reader;
    ASSERT_TRUE(reader.Open(Source)) << reader.FailureReason();
    CCellSampler sampler(reader, 5000, 1);
    sampler.BeginRow(0);
    EXPECT_EQ(sampler.SampleCell(4999), 0xFFFFFFu);
    EXPECT_EQ(sampler.SampleCell(0), 0xFFFFFFu);
}

TEST_F(Resampler, HugeWhiteCellStaysWhite)
{
    // Above 2^24 pixels the single-precision weight sum stops growing while the
    // colour sums do not; the quotient reaches 256 and must not wrap to black.
    const std::uint32_t width = 4200, height = 4000;
    auto bytes = CBmpBuilder(1, 1, 1).Palette({0x000000, 0xFFFFFF}).Build();
    bytes.resize(54 + 8);
    bytes.resize(54 + 8 + std::size_t((width + 31) / 32 * 4) * height, 0xFF);
    PutU32(bytes, 18, width);
    PutU32(bytes, 22, height);
    WriteBytes(Source, bytes);
    CBitmapFile reader;
    ASSERT_TRUE(reader.Open(Source));
    CCellSampler sampler(reader, 1, 1);
    sampler.BeginRow(0);
    EXPECT_EQ(sampler.SampleCell(0), 0xFFFFFFu);
}
