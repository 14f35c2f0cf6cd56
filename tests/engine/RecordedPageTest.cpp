// The page kept for a preview: the very characters and colours the page writer writes, each cell's
// parts as its sampling asks, and the page reduced to a picture whose pixels are what the page
// shows over them on average.
#include "base/TextEncoding.h"
#include "engine/BitmapFile.h"
#include "engine/ConversionRun.h"
#include "output/HtmlWriter.h"
#include "output/RecordedPage.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/PageSettings.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace
{

// A picture of 12 x 9 pixels, each of its own colour.
std::vector<std::uint8_t> Mottled()
{
    CBmpBuilder picture(12, 9, 24);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            picture.SetColor(x, y, MakeRgb(x * 20, y * 25, (x * y * 7) & 0xFF));
    return picture.Build();
}

// The cells of a written page, in order: each cell's colour and character.
std::vector<std::pair<RgbColor, char>> CellsOf(const std::string& page)
{
    std::vector<std::pair<RgbColor, char>> cells;
    const std::string tag = "<FONT COLOR=#";
    for (std::size_t at = page.find(tag); at != std::string::npos; at = page.find(tag, at + 1))
    {
        const unsigned long rgb = std::strtoul(page.substr(at + tag.size(), 6).c_str(), nullptr, 16);
        cells.emplace_back(MakeRgb((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF), page[at + tag.size() + 7]);
    }
    return cells;
}

// Runs a picture's bytes into sink.
ConversionStatus RunInto(const std::vector<std::uint8_t>& bytes, CCellSink& sink)
{
    CBitmapFile picture;
    EXPECT_TRUE(picture.OpenBytes(bytes.data(), bytes.size()));
    return ConvertToHtml(picture, sink);
}

PageKeeping Reduced(std::uint32_t cellWidth, std::uint32_t cellHeight, std::uint32_t reduction,
                    std::map<char32_t, float> coverage)
{
    PageKeeping keeping;
    keeping.Reduction = reduction;
    keeping.CellWidth = cellWidth;
    keeping.CellHeight = cellHeight;
    keeping.Coverage = std::move(coverage);
    return keeping;
}

}  // namespace

TEST(RecordedPage, KeepsTheCharactersAndColoursThePageWriterWrites)
{
    const std::vector<std::uint8_t> picture = Mottled();
    for (int order : {0, 1})
    {
        SCOPED_TRACE(order ? "in order" : "at random");
        const ConversionSettings settings = GridSettings(6, 4, "abcdefg", order);
        CTempDir dir;
        CHtmlWriter writer;
        ASSERT_TRUE(writer.Open(dir.Path("page.html")));
        writer.TakeSettings(settings);
        ASSERT_EQ(RunInto(picture, writer), ConversionStatus::Written);
        writer.Close();
        const auto written = CellsOf(ReadText(dir.Path("page.html")));

        CRecordedPage kept(settings, CellSampling(), PageKeeping());
        ASSERT_EQ(RunInto(picture, kept), ConversionStatus::Written);
        ASSERT_TRUE(kept.IsComplete());
        ASSERT_EQ(written.size(), 24u);
        for (std::uint32_t y = 0; y < 4; ++y)
            for (std::uint32_t x = 0; x < 6; ++x)
            {
                EXPECT_EQ(kept.CellColor(x, y), written[y * 6 + x].first) << x << ", " << y;
                EXPECT_EQ(kept.Character(x, y), static_cast<char32_t>(written[y * 6 + x].second)) << x << ", " << y;
            }
    }
}

TEST(RecordedPage, KeepsEachPartOfACellAsItsSamplingAsks)
{
    // 4 x 4 pixels in a 2 x 2 grid sampled 2 x 2: every sample is one pixel.
    CBmpBuilder builder(4, 4, 24);
    auto colour = [](int x, int y) { return MakeRgb(x * 60, y * 60, 200 - x * 10 - y * 40); };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            builder.SetColor(x, y, colour(x, y));
    CRecordedPage kept(GridSettings(2, 2, "x", 1), CellSampling{2, 2}, PageKeeping());
    ASSERT_EQ(RunInto(builder.Build(), kept), ConversionStatus::Written);
    for (std::uint32_t y = 0; y < 2; ++y)
        for (std::uint32_t x = 0; x < 2; ++x)
        {
            const RgbColor* samples = kept.Samples(x, y);
            for (int part = 0; part < 4; ++part)
                EXPECT_EQ(samples[part], colour(x * 2 + part % 2, y * 2 + part / 2)) << x << ", " << y << ": " << part;
        }
    // The cell's colour is its parts' average: x 60 and 0 60 apart, y likewise.
    EXPECT_EQ(kept.CellColor(1, 1), MakeRgb(150, 150, 200 - 25 - 100));
}

TEST(RecordedPage, ReducedPixelsAreWhatThePageShowsOverThemOnAverage)
{
    using Pixels = std::vector<std::pair<std::pair<std::uint32_t, std::uint32_t>, RgbColor>>;
    Pixels mixed;  // every pixel of the second case
    for (std::uint32_t y = 0; y < 2; ++y)
        for (std::uint32_t x = 0; x < 4; ++x)
            mixed.push_back({{x, y}, MakeRgb(120, 0, 100)});
    CBmpBuilder sides(200, 20, 24);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 200; ++x)
            sides.SetColor(x, y, x < 100 ? MakeRgb(255, 0, 0) : MakeRgb(0, 0, 255));
    const struct
    {
        const char* Name;
        ConversionSettings Settings;
        PageKeeping Keeping;
        std::vector<std::uint8_t> Picture;
        std::uint32_t Width, Height;
        Pixels Expected;
    } cases[] = {
        // One colour, cells of 3 x 5 pixels, 3 x 2 of them: 9 x 10 pixels, at 1:4 a picture of
        // 3 x 3 whose last column and row reach past the page. The glyph inks a quarter of its cell.
        {"partly on the page",
         GridSettings(3, 2, "a", 1),
         Reduced(3, 5, 4, {{U'a', 0.25f}}),
         CBmpBuilder(6, 4, 24).FillColor(MakeRgb(200, 100, 40)).Build(),
         3,
         3,
         {{{0, 0}, MakeRgb(50, 25, 10)},  // wholly inside: a quarter of the colour
          {{2, 0}, MakeRgb(13, 6, 3)},    // a quarter of it on the page: 12.5, 6.25, 2.5
          {{0, 2}, MakeRgb(25, 13, 5)},   // half of it on the page (rows 8 and 9 of 8 to 11)
          {{2, 2}, MakeRgb(6, 3, 1)}}},   // an eighth
        // "ab" in order over red on a blue background: a inks nothing, b all its cell.
        // Cells 2 x 2 at 1:4: every pixel covers an a and a b side by side, twice.
        {"each character's ink mixed with the background", GridSettings(8, 4, "ab", 1, MakeRgb(0, 0, 200)),
         Reduced(2, 2, 4, {{U'a', 0.0f}, {U'b', 1.0f}}), CBmpBuilder(8, 4, 24).FillColor(MakeRgb(240, 0, 0)).Build(), 4,
         2, mixed},
        // Red left, blue right, 100 x 10 cells of 6 x 11 pixels at 1:8: 75 x 14 pixels, the last
        // row reaching two pixels past the page's 110, onto the black background.
        {"the picture's sides kept",
         GridSettings(100, 10, "#", 0),
         Reduced(6, 11, 8, {{U'#', 1.0f}}),
         sides.Build(),
         75,
         14,
         {{{10, 5}, MakeRgb(255, 0, 0)}, {{64, 5}, MakeRgb(0, 0, 255)}, {{10, 13}, MakeRgb(191, 0, 0)}}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        CRecordedPage kept(c.Settings, CellSampling(), c.Keeping);
        ASSERT_EQ(RunInto(c.Picture, kept), ConversionStatus::Written);
        ASSERT_EQ(kept.PictureWidth(), c.Width);
        ASSERT_EQ(kept.PictureHeight(), c.Height);
        for (const auto& [at, expected] : c.Expected)
            EXPECT_EQ(kept.Pixel(at.first, at.second), expected) << at.first << ", " << at.second;
    }
}

TEST(RecordedPage, AStoppedRunIsNotComplete)
{
    CRecordedPage kept(GridSettings(10, 50, "01", 0), CellSampling(), PageKeeping());
    CBitmapFile picture;
    const std::vector<std::uint8_t> bytes = Mottled();
    ASSERT_TRUE(picture.OpenBytes(bytes.data(), bytes.size()));
    const ConversionStop stop{true};
    EXPECT_EQ(ConvertToHtml(picture, kept, {}, &stop), ConversionStatus::Stopped);
    EXPECT_FALSE(kept.IsComplete());
}

// The photo page draws both colours of each cell: a half block's ink the top half's colour, its
// ground the bottom's, and a reduced picture shows them in their halves.
TEST(RecordedPage, ThePhotoStylesCellsHaveBothColours)
{
    const RgbColor top = MakeRgb(240, 20, 0), bottom = MakeRgb(0, 40, 200);
    CBmpBuilder builder(4, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            builder.SetColor(x, y, y < 2 ? top : bottom);
    ConversionSettings settings = GridSettings(2, 1, "\xE2\x96\x80", 1);
    settings.Style = PageStyle::Photo;
    const CellSampling halves{1, 2};

    SetTextCodePage(TextCodePage::Utf8);  // the half block, on every system
    CRecordedPage kept(settings, halves, PageKeeping());
    ASSERT_EQ(RunInto(builder.Build(), kept), ConversionStatus::Written);
    const CellColors colors = kept.Colors(1, 0);
    EXPECT_TRUE(colors.Inked);
    EXPECT_EQ(colors.Fore, top);
    EXPECT_EQ(colors.Back, bottom);

    // Cells of 2 x 4 pixels at 1:2: each pixel is one half of a cell.
    CRecordedPage reduced(settings, halves, Reduced(2, 4, 2, {{U'\u2580', 0.3f}}));
    const ConversionStatus status = RunInto(builder.Build(), reduced);
    SetTextCodePage(TextCodePage::Active);
    ASSERT_EQ(status, ConversionStatus::Written);
    ASSERT_EQ(reduced.PictureHeight(), 2u);
    for (std::uint32_t x = 0; x < 2; ++x)
    {
        EXPECT_EQ(reduced.Pixel(x, 0), top) << x;
        EXPECT_EQ(reduced.Pixel(x, 1), bottom) << x;
    }
}
