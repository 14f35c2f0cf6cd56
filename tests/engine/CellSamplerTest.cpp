// The resampler: edges, weights, and the cell colours of whole conversions.
#include "engine/BitmapFile.h"
#include "engine/CellSampler.h"
#include "engine/ConversionRun.h"
#include "output/HtmlWriter.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

namespace
{

class Resampler : public ::testing::Test
{
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
        EXPECT_EQ(ConvertToHtml(reader, writer), ConversionStatus::Written);
        writer.Close();
        return PageColours(ReadText(Target));
    }

    CTempDir Dir;
    std::string Source = Dir.Path("in.bmp");
    std::string Target = Dir.Path("out.html");
};

// The plain loop: every pixel of the cell fetched on its own, column by column,
// with its weight worked out from the edges and each sum rounded after every
// addition. Kept apart from the sampler so that the two can be compared.
RgbColor PlainCell(const CBitmapFile& source, std::uint32_t columns, std::uint32_t rows, std::uint32_t x,
                   std::uint32_t y)
{
    const float width = static_cast<float>(source.Width()), height = static_cast<float>(source.Height());
    auto edge = [](std::uint32_t index, float extent, std::uint32_t count) {
        return static_cast<float>(static_cast<double>(index) * extent / static_cast<float>(count));
    };
    auto bound = [](float e, std::uint32_t limit) {
        const auto t = static_cast<std::uint32_t>(e);
        return std::min(double(e) > double(t) ? static_cast<std::uint32_t>(double(e) + 1) : t, limit);
    };
    auto weight = [](std::uint32_t i, float low, float high) {
        return i < low ? (i + 1.0) - low : high < i + 1.0 ? high - double(i) : 1.0;
    };
    const float left = edge(x, width, columns), right = edge(x + 1, width, columns);
    const float top = edge(y, height, rows), bottom = edge(y + 1, height, rows);
    float w = 0, r = 0, g = 0, b = 0;
    for (auto i = static_cast<std::uint32_t>(left); i < bound(right, source.Width()); ++i)
        for (auto j = static_cast<std::uint32_t>(top); j < bound(bottom, source.Height()); ++j)
        {
            const double share = weight(i, left, right) * weight(j, top, bottom);
            const RgbColor c = source.GetPixel(i, j);
            w = static_cast<float>(w + share);
            r = static_cast<float>(r + share * RedOf(c));
            g = static_cast<float>(g + share * GreenOf(c));
            b = static_cast<float>(b + share * BlueOf(c));
        }
    auto component = [w](float sum) { return std::min(255u, static_cast<unsigned>(double(sum) / w)); };
    return w > 0 ? MakeRgb(component(r), component(g), component(b)) : 0;
}

}  // namespace

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
    EXPECT_DOUBLE_EQ(CCellSampler::Weight(0, 0.5f, 1.0f), 0.5);    // a cell inside one pixel
    EXPECT_DOUBLE_EQ(CCellSampler::Weight(0, 0.25f, 0.5f), 0.75);  // the first row of the table wins
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
        for (int x = 0; x < 7; ++x)
        {
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
    EXPECT_EQ(ConvertToHtml(reader, writer, [&](std::uint32_t done, std::uint32_t) { progress.push_back(done); }),
              ConversionStatus::Written);
    writer.Close();
    const std::string page = ReadText(Target);
    EXPECT_EQ(page.size(), 63u + 36u);
    EXPECT_TRUE(progress.empty());

    CHtmlWriter closed;
    EXPECT_EQ(ConvertToHtml(reader, closed), ConversionStatus::WriteFailed);
    CBitmapFile notOpen;
    EXPECT_EQ(ConvertToHtml(notOpen, writer), ConversionStatus::SourceCannotOpen);
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
    bytes[54 + 8 + width / 8] = 0xE0;  // the last three pixels set, the padding clear
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

TEST_F(Resampler, EveryCellMatchesThePlainLoopOnRandomPictures)
{
    struct Depth
    {
        std::uint16_t Bits;
        std::uint32_t Masks[3];  // for a BI_BITFIELDS picture, else zero
    };
    const Depth depths[] = {{1, {}},
                            {4, {}},
                            {8, {}},
                            {16, {}},
                            {24, {}},
                            {32, {}},
                            {16, {0xF800, 0x07E0, 0x001F}},
                            {32, {0x3FF00000, 0x000FFC00, 0x000003FF}}};
    std::mt19937 random(20240611);
    auto pick = [&](std::uint32_t low, std::uint32_t high) {
        return std::uniform_int_distribution<std::uint32_t>(low, high)(random);
    };
    for (const Depth& depth : depths)
    {
        for (int picture = 0; picture < 3; ++picture)
        {
            // The last picture is large enough for long runs of wholly covered pixels.
            const std::uint32_t width = picture == 2 ? pick(150, 260) : pick(1, 40);
            const std::uint32_t height = picture == 2 ? pick(100, 180) : pick(1, 30);
            CBmpBuilder builder(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), depth.Bits);
            if (depth.Masks[0])
                builder.Header(BmpHeader::InfoWithMasks)
                    .Compression(3)
                    .Masks(depth.Masks[0], depth.Masks[1], depth.Masks[2]);
            if (depth.Bits <= 8)
            {
                std::vector<RgbColor> palette(std::size_t(1) << depth.Bits);
                for (RgbColor& color : palette)
                    color = pick(0, 0xFFFFFF);
                builder.Palette(palette);
            }
            if (picture == 1)
                builder.TopDown();
            for (std::uint32_t y = 0; y < height; ++y)
                for (std::uint32_t x = 0; x < width; ++x)
                    builder.Set(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), pick(0, 0xFFFFFFFF));
            WriteBytes(Source, builder.Build());
            CBitmapFile reader;
            ASSERT_TRUE(reader.Open(Source)) << reader.FailureReason();

            for (int grid = 0; grid < 6; ++grid)
            {
                // Grids smaller and larger than the picture, odd sizes among them.
                const std::uint32_t columns = grid % 2 ? pick(width, 2 * width + 7) : pick(1, width);
                const std::uint32_t rows = grid % 3 ? pick(1, height) : pick(height, 2 * height + 5);
                CCellSampler sampler(reader, columns, rows);
                for (std::uint32_t y = 0; y < rows; ++y)
                {
                    sampler.BeginRow(y);
                    // Some rows are asked for from right to left, as no run does.
                    const bool backwards = y % 5 == 4;
                    for (std::uint32_t n = 0; n < columns; ++n)
                    {
                        const std::uint32_t x = backwards ? columns - 1 - n : n;
                        ASSERT_EQ(sampler.SampleCell(x), PlainCell(reader, columns, rows, x, y))
                            << depth.Bits << " bits, " << width << " x " << height << " as " << columns << " x " << rows
                            << ", cell " << x << "," << y;
                    }
                }
            }
        }
    }
}
