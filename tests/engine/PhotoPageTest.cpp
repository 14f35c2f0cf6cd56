// The photo page: its head, cells, runs and line breaks, the escaping of its characters, the
// colours chosen for a cell, the palette and its names, and the table of page styles.
#include "base/TextEncoding.h"
#include "output/CellColors.h"
#include "output/ColorPalette.h"
#include "output/PageConversion.h"
#include "output/PageSize.h"
#include "output/PageStyle.h"
#include "output/PhotoPage.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/PageSettings.h"
#include "tests/engine/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace
{

// Each channel all or nothing, so that sharpening a cell against its neighbours leaves it as it is.
const RgbColor Red = MakeRgb(255, 0, 0), Green = MakeRgb(0, 255, 0), Blue = MakeRgb(0, 0, 255);
const RgbColor White = MakeRgb(255, 255, 255), Black = 0;
const char32_t Upper = U'\u2580', Lower = U'\u2584';

// A cell as the run hands it over: its character and the colours of its top and bottom halves.
struct TestCell
{
    char32_t Character;
    RgbColor Top, Bottom;
};
using TestRows = std::vector<std::vector<TestCell>>;

// The whole page the format gives for rows of cells sampled in halves.
std::string WritePage(const TestRows& rows, const std::string& face = "Courier New", const std::string& title = "")
{
    CPhotoPage format;
    PageLook look;
    look.Columns = static_cast<std::uint32_t>(rows[0].size());
    look.Rows = static_cast<std::uint32_t>(rows.size());
    look.FontFace = face;
    look.Background = White;
    look.Title = title;
    look.Sampling.Down = 2;
    std::string page;
    format.Head(page, look);
    for (const auto& row : rows)
    {
        for (const TestCell& cell : row)
        {
            const RgbColor halves[2] = {cell.Top, cell.Bottom};
            format.Cell(page, halves, 1, cell.Character);
        }
        format.LineBreak(page);
    }
    EXPECT_EQ(page, "");  // nothing before the tail: the sheet must see every cell first
    format.Tail(page);
    while (format.Drain(page))
    {
    }
    return page;
}

// What the rows between <pre> and </pre> hold.
std::string Body(const std::string& page)
{
    const std::size_t start = page.find("<pre>") + 5;
    return page.substr(start, page.find("</pre>") - start);
}

// A cell as a browser draws it: its character and the colours the sheet gives its element.
struct DrawnCell
{
    std::string Text;
    RgbColor Fore, Back;
    bool operator==(const DrawnCell& other) const
    {
        return Text == other.Text && Fore == other.Fore && Back == other.Back;
    }
};

// Reads the sheet and the elements back as a browser would: an element's foreground is the rule
// whose name begins its class, its background the rule whose name ends it. Each element becomes
// one entry with its whole text; Fore is 1 (no colour) where no rule gives one.
std::vector<DrawnCell> Drawn(const std::string& page)
{
    // The rules: "[class^=NAME]{color:#RRGGBB}" and "[class$=NAME]{background:#RRGGBB}".
    std::map<std::string, RgbColor> fore, back;
    for (std::size_t at = page.find("[class"); at != std::string::npos; at = page.find("[class", at + 1))
    {
        const bool isFore = page[at + 6] == '^';
        const std::size_t close = page.find(']', at);
        const std::size_t colon = page.find(':', close);
        EXPECT_EQ(page.substr(close + 2, colon - close - 2), isFore ? "color" : "background");
        const unsigned long value = std::stoul(page.substr(colon + 2, 6), nullptr, 16);
        (isFore ? fore : back)[page.substr(at + 8, close - at - 8)] =
            MakeRgb(value >> 16, (value >> 8) & 0xFF, value & 0xFF);
    }
    std::vector<DrawnCell> cells;
    const std::string body = Body(page);
    for (std::size_t at = body.find("<i class="); at != std::string::npos; at = body.find("<i class=", at + 1))
    {
        const std::size_t nameEnd = body.find('>', at);
        const std::string name = body.substr(at + 9, nameEnd - at - 9);
        DrawnCell cell{body.substr(nameEnd + 1, body.find("</i>", nameEnd) - nameEnd - 1), 1, 1};
        for (const auto& [prefix, color] : fore)
            if (name.compare(0, prefix.size(), prefix) == 0)
                cell.Fore = color;
        for (const auto& [suffix, color] : back)
            if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                cell.Back = color;
        cells.push_back(cell);
    }
    return cells;
}

RgbColor Grey(unsigned level)
{
    return MakeRgb(level, level, level);
}

std::string Utf8(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text)
    {
        if (c < 0x80)
            out += char(c);
        else if (c < 0x800)
            out += {char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
        else if (c < 0x10000)
            out += {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
        else
            out += {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)), char(0x80 | ((c >> 6) & 0x3F)),
                    char(0x80 | (c & 0x3F))};
    }
    return out;
}

}  // namespace

TEST(PhotoPage, HeadIsStandardHtmlWithOneSheetThatFixesTheCell)
{
    const std::string page = WritePage({{{Upper, Red, Blue}}}, "Courier New", "cat.png");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>cat.png</title>\n<style>\n", 0),
              0u);
    EXPECT_NE(page.find("body{margin:0;padding:8px;text-align:center;background:#FFFFFF}"), std::string::npos);
    // The cell is 1ch by 2ch in the page's face or any the browser falls back to; the page's own
    // face is named once.
    EXPECT_NE(page.find("font:10px/2ch 'Courier New','DejaVu Sans Mono','Consolas','Liberation Mono','Menlo',"
                        "monospace;letter-spacing:0;word-spacing:0;"),
              std::string::npos);
    EXPECT_NE(page.find("i{display:inline-block;vertical-align:top;font-style:normal}"), std::string::npos);
    EXPECT_EQ(page.find("<style"), page.rfind("<style"));
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.substr(page.size() - 21), "</pre></body></html>\n");
}

TEST(PhotoPage, FaceAndTitleStayWithinTheirPlaces)
{
    SetTextCodePage(TextCodePage::Utf8);
    const std::string page = WritePage({{{Upper, Red, Blue}}}, "O'Neil\\ </style>\u039C", "a<b&c\t.png");
    SetTextCodePage(TextCodePage::Active);
    EXPECT_NE(page.find("<title>a&lt;b&amp;c .png</title>"), std::string::npos);
    EXPECT_NE(page.find("font:10px/2ch 'O\\27 Neil\\5C  \\3C /style\\3E \u039C','DejaVu Sans Mono'"),
              std::string::npos);
    EXPECT_EQ(page.find("</style>"), page.rfind("</style>"));
}

TEST(PhotoPage, ACellARunAndALineBreak)
{
    // A cell: one element of the two colours; equal neighbours: one run; a row: one line.
    EXPECT_EQ(Body(WritePage({{{Upper, Red, Blue}}})), "<i class=Aa>\u2580</i>\n");
    const std::string page = WritePage({{{Upper, Red, Blue}, {Upper, Red, Blue}, {Upper, Green, Blue}},
                                        {{Upper, Green, Red}, {Upper, Green, Red}, {Upper, Green, Red}}});
    using Cells = std::vector<DrawnCell>;
    EXPECT_EQ(Drawn(page),
              (Cells{{u8"\u2580\u2580", Red, Blue}, {u8"\u2580", Green, Blue}, {u8"\u2580\u2580\u2580", Green, Red}}));
    const std::string body = Body(page);
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 2);
    EXPECT_EQ(body.back(), '\n');
}

// Whatever way a cell is written, it draws its top and bottom as they were sampled.
TEST(PhotoPage, HalfBlocksTurnOverToContinueARunAndAlikeHalvesBecomeSpaces)
{
    using Cells = std::vector<DrawnCell>;
    // Upside down, the second cell continues the first's colours; alike halves need a ground only.
    EXPECT_EQ(Drawn(WritePage({{{Upper, Red, Blue}, {Upper, Blue, Red}, {Lower, Red, Blue}, {Upper, Blue, Blue}}})),
              (Cells{{u8"\u2580\u2584\u2580 ", Red, Blue}}));
    // A space keeps the ground and takes the colour of the half blocks after it.
    EXPECT_EQ(Drawn(WritePage({{{Upper, Green, Green}, {Upper, Red, Green}, {Upper, Green, Red}}})),
              (Cells{{u8" \u2580\u2584", Red, Green}}));
    // A character of the user's own is never turned over; its colours come from its cell.
    EXPECT_EQ(Drawn(WritePage({{{U'x', Red, Blue}, {U'x', Blue, Red}}})), (Cells{{"xx", Red, Blue}}));
}

// Each sample moves from the mean of its four neighbours by a quarter of its difference from it,
// rounded half away from zero; a missing neighbour is the sample itself.
TEST(PhotoPage, SharpeningPushesEachSampleFromItsNeighbours)
{
    using Rows = std::vector<std::vector<RgbColor>>;
    const struct Case
    {
        const char* What;
        Rows Samples, Sharpened;
    } cases[] = {
        {"flat", {{Grey(90), Grey(90)}, {Grey(90), Grey(90)}}, {{Grey(90), Grey(90)}, {Grey(90), Grey(90)}}},
        {"a peak in a row", {{Grey(100), Grey(200), Grey(100)}}, {{Grey(94), Grey(213), Grey(94)}}},
        {"clamped, each channel alone",
         {{MakeRgb(250, 0, 100), MakeRgb(0, 250, 100)}},
         {{MakeRgb(255, 0, 100), MakeRgb(0, 255, 100)}}},
        {"a peak amid neighbours on every side",
         {{Grey(100), Grey(100), Grey(100)}, {Grey(100), Grey(200), Grey(100)}, {Grey(100), Grey(100), Grey(100)}},
         {{Grey(100), Grey(94), Grey(100)}, {Grey(94), Grey(225), Grey(94)}, {Grey(100), Grey(94), Grey(100)}}},
        {"a shorter last row", {{Grey(100), Grey(100)}, {Grey(200)}}, {{Grey(94), Grey(100)}, {Grey(206)}}},
        {"one sample", {{Grey(7)}}, {{Grey(7)}}},
    };
    for (const Case& test : cases)
    {
        std::vector<RgbColor> samples;
        std::vector<std::size_t> rowStarts(1, 0);
        for (const auto& row : test.Samples)
        {
            samples.insert(samples.end(), row.begin(), row.end());
            rowStarts.push_back(samples.size());
        }
        CPhotoPage::Sharpen(samples, rowStarts);
        std::vector<RgbColor> expected;
        for (const auto& row : test.Sharpened)
            expected.insert(expected.end(), row.begin(), row.end());
        EXPECT_EQ(samples, expected) << test.What;
    }
    // The page draws the sharpened halves: alike halves, the cell a space on its ground.
    using Cells = std::vector<DrawnCell>;
    EXPECT_EQ(Drawn(WritePage({{{Upper, Grey(100), Grey(100)}, {Upper, Grey(200), Grey(200)}}})),
              (Cells{{" ", 1, Grey(94)}, {" ", 1, Grey(206)}}));
}

TEST(PhotoPage, EveryCharacterIsWrittenAsUtf8OrEscaped)
{
    const std::pair<char32_t, std::string> cases[] = {{U'a', "a"},
                                                      {U'<', "&lt;"},
                                                      {U'>', "&gt;"},
                                                      {U'&', "&amp;"},
                                                      {U'"', "\""},
                                                      {U'\t', " "},
                                                      {U'\n', " "},
                                                      {0x7F, " "},
                                                      {0x85, " "},
                                                      {0x2028, " "},
                                                      {U'\u00E9', u8"\u00E9"},
                                                      {U'\U0001F600', u8"\U0001F600"},
                                                      {0x110000, u8"\uFFFD"},
                                                      {0xD800, u8"\uFFFD"}};
    for (const auto& [character, written] : cases)
    {
        // The colours differ in left and right, so that no character draws a flat cell.
        CPhotoPage format;
        PageLook look;
        look.Columns = look.Rows = 1;
        look.Sampling = format.Sampling(std::u32string(1, character));
        std::string page;
        format.Head(page, look);
        const RgbColor quarters[4] = {Red, Blue, Red, Blue};
        format.Cell(page, quarters, 2, character);
        format.LineBreak(page);
        format.Tail(page);
        while (format.Drain(page))
        {
        }
        const std::vector<DrawnCell> drawn = Drawn(page);
        ASSERT_EQ(drawn.size(), 1u) << std::hex << unsigned(character);
        EXPECT_EQ(drawn[0].Text, written) << std::hex << unsigned(character);
    }
}

TEST(PhotoPage, SamplingFollowsTheShapesOfTheSet)
{
    const std::pair<std::u32string, std::uint32_t> cases[] = {
        {U"\u2580", 1}, {U"\u2580\u2584\u2588 ", 1}, {U"\u2580\u258C", 2}, {U"\u2596", 2}, {U"01", 2}, {U"", 1}};
    for (const auto& [set, across] : cases)
    {
        const CellSampling sampling = CPhotoPage().Sampling(set);
        EXPECT_EQ(sampling.Across, across) << Utf8(set);
        EXPECT_EQ(sampling.Down, 2u) << Utf8(set);
    }
}

// The quarters: top left, top right, bottom left, bottom right.
TEST(CellColors, CharacterAndGroundDrawTheQuarters)
{
    const RgbColor grey = MakeRgb(128, 128, 128), pink = MakeRgb(255, 128, 128);
    struct Case
    {
        char32_t Character;
        RgbColor Quarters[4];
        RgbColor Fore, Back;
        bool Inked;
    };
    const Case cases[] = {{U'\u2580', {Red, Red, Blue, Blue}, Red, Blue, true},
                          {U'\u2584', {Red, Red, Blue, Blue}, Blue, Red, true},
                          {U'\u258C', {Red, Blue, Red, Blue}, Red, Blue, true},
                          {U'\u2590', {Red, Blue, Red, Blue}, Blue, Red, true},
                          {U'\u2598', {Red, White, White, White}, Red, White, true},
                          {U'\u259F', {Red, White, White, White}, White, Red, true},
                          {U'\u259A', {Red, Blue, Blue, Red}, Red, Blue, true},
                          // A space and the full block: the mean, rounded, as ground (and ink).
                          {U' ', {White, Black, White, Black}, grey, grey, false},
                          {U'\u2588', {White, Black, White, Black}, grey, grey, true},
                          {U'\u2580', {Red, White, Red, White}, pink, pink, true},
                          // A character of unknown shape: the lone quarter as ink on the others' ground...
                          {U'A', {White, White, Black, White}, Black, White, true},
                          {U'A', {Black, Black, White, Black}, White, Black, true},
                          // ...the darker half as ground on a tie, and the mean alone on a flat cell.
                          {U'A', {White, Black, White, Black}, White, Black, true},
                          {U'A', {Blue, Blue, Blue, Blue}, Blue, Blue, true}};
    for (const Case& test : cases)
    {
        const CellColors colors = ChooseCellColors(test.Character, test.Quarters);
        EXPECT_EQ(colors.Fore, test.Fore) << std::hex << unsigned(test.Character);
        EXPECT_EQ(colors.Back, test.Back) << std::hex << unsigned(test.Character);
        EXPECT_EQ(colors.Inked, test.Inked) << std::hex << unsigned(test.Character);
    }
    EXPECT_EQ(FlippedHalfBlock(U'\u2580'), U'\u2584');
    EXPECT_EQ(FlippedHalfBlock(U'\u2584'), U'\u2580');
    EXPECT_EQ(FlippedHalfBlock(U'\u2588'), 0u);
}

TEST(ColorPalette, KeepsFewColoursAndBringsManyDownToTheNearest)
{
    CColorPalette few;
    for (RgbColor color : {Red, Green, Blue, Red})
        few.Count(color);
    few.Choose(16);
    ASSERT_EQ(few.Size(), 3u);
    for (RgbColor color : {Red, Green, Blue})
        EXPECT_EQ(few.ColorAt(few.IndexOf(color)), color);

    // A grey ramp brought down to four: each level stands for the nearest of the four, in order.
    CColorPalette ramp;
    for (unsigned level = 0; level < 256; ++level)
        ramp.Count(MakeRgb(level, level, level));
    ramp.Choose(4);
    ASSERT_EQ(ramp.Size(), 4u);
    unsigned previous = 0;
    for (unsigned level = 0; level < 256; level += 8)
    {
        const RgbColor chosen = ramp.ColorAt(ramp.IndexOf(MakeRgb(level, level, level)));
        EXPECT_EQ(RedOf(chosen), BlueOf(chosen));
        EXPECT_GE(RedOf(chosen), previous);
        EXPECT_LT(std::abs(int(RedOf(chosen)) - int(level)), 64) << level;
        previous = RedOf(chosen);
    }

    // Greys 97 and 102 share a box 8 levels wide, yet each goes to the nearer of the two choices.
    CColorPalette split;
    for (int n = 0; n < 100; ++n)
    {
        split.Count(Grey(90));
        split.Count(Grey(106));
    }
    split.Count(Grey(97));
    split.Count(Grey(102));
    split.Choose(2);
    ASSERT_EQ(split.Size(), 2u);
    EXPECT_EQ(split.IndexOf(Grey(97)), split.IndexOf(Grey(90)));
    EXPECT_EQ(split.IndexOf(Grey(102)), split.IndexOf(Grey(106)));
    EXPECT_NE(split.IndexOf(Grey(90)), split.IndexOf(Grey(106)));
}

// Each choice is the exact mean of what it stands for, whatever levels within their boxes the
// colours counted take.
TEST(ColorPalette, ChoicesAreTheRoundedMeansOfTheColoursCounted)
{
    struct Case
    {
        std::vector<std::pair<RgbColor, int>> Counted;  // a colour and how often
        RgbColor Mean;
    } cases[] = {
        {{{MakeRgb(13, 130, 201), 1}}, MakeRgb(13, 130, 201)},
        {{{MakeRgb(255, 3, 254), 5}}, MakeRgb(255, 3, 254)},
        {{{MakeRgb(9, 9, 9), 1}, {MakeRgb(10, 11, 8), 3}}, MakeRgb(10, 11, 8)},  // 9.75, 10.5, 8.25
        {{{MakeRgb(64, 64, 64), 2}, {MakeRgb(67, 67, 67), 1}}, MakeRgb(65, 65, 65)},
        {{{MakeRgb(200, 100, 0), 1000000}, {MakeRgb(203, 103, 3), 1000000}}, MakeRgb(202, 102, 2)},
    };
    for (const Case& test : cases)
    {
        CColorPalette palette;
        for (const auto& counted : test.Counted)
            for (int n = 0; n < counted.second; ++n)
                palette.Count(counted.first);
        palette.Choose(1);
        ASSERT_EQ(palette.Size(), 1u);
        EXPECT_EQ(palette.ColorAt(0), test.Mean) << std::hex << test.Mean;
        for (const auto& counted : test.Counted)
            EXPECT_EQ(palette.IndexOf(counted.first), 0u);
    }
}

TEST(PhotoPage, ColourNamesAreShortestFirstAndToldApartByStartAndEnd)
{
    EXPECT_EQ(CPhotoPage::ColorName(true, 0), "A");
    EXPECT_EQ(CPhotoPage::ColorName(false, 15), "p");
    EXPECT_EQ(CPhotoPage::ColorName(true, 16), "QA");
    EXPECT_EQ(CPhotoPage::ColorName(false, 16), "aq");
    EXPECT_EQ(CPhotoPage::ColorName(true, 275), "ZZ");
    EXPECT_EQ(CPhotoPage::ColorName(false, 275), "zz");
    EXPECT_EQ(CPhotoPage::ColorName(false, 276), "");
    // No foreground begins another, no background ends another, and every one is new.
    std::set<std::string> seen;
    for (std::size_t a = 0; a < 276; ++a)
    {
        const std::string fore = CPhotoPage::ColorName(true, a), back = CPhotoPage::ColorName(false, a);
        EXPECT_TRUE(seen.insert(fore).second && seen.insert(back).second) << a;
        for (std::size_t b = 0; b < 276; ++b)
        {
            const std::string otherFore = CPhotoPage::ColorName(true, b), otherBack = CPhotoPage::ColorName(false, b);
            if (a == b)
                continue;
            EXPECT_NE(otherFore.compare(0, fore.size(), fore), 0) << fore << " begins " << otherFore;
            EXPECT_FALSE(otherBack.size() >= back.size() &&
                         otherBack.compare(otherBack.size() - back.size(), back.size(), back) == 0)
                << back << " ends " << otherBack;
        }
    }
    EXPECT_LE(CPhotoPage::PaletteSizeFor(5000ull * 5000), 276u);
}

TEST(PageStyles, ClassicFirstEachNamedOnceWithItsCellAndCharacters)
{
    const std::vector<PageStyleInfo>& styles = PageStyles();
    ASSERT_GE(styles.size(), 2u);
    EXPECT_EQ(styles[0].Style, PageStyle::Classic);
    EXPECT_EQ(ConversionSettings().Style, PageStyle::Classic);
    for (const PageStyleInfo& style : styles)
    {
        EXPECT_EQ(FindPageStyle(style.Name), &style);
        EXPECT_EQ(&PageStyleOf(style.Style), &style);
        EXPECT_EQ(PageExtensionOf(style.Style), ".html");
    }
    EXPECT_EQ(FindPageStyle("Photo"), nullptr);
    EXPECT_EQ(CellRatioOf(PageStyle::Classic, 0.6f), 0.6f);
    EXPECT_EQ(CellRatioOf(PageStyle::Photo, 0.6f), 0.5f);
    EXPECT_EQ(DefaultCharactersOf(PageStyle::Classic), "01");
    SetTextCodePage(TextCodePage::Utf8);
    EXPECT_EQ(DefaultCharactersOf(PageStyle::Photo), u8"\u2580");
    SetTextCodePage(TextCodePage::Active);
}

// The whole road, from a picture through the run and the writer to the page.
TEST(PhotoPage, ARunWritesThePictureInTheStyleOfTheSettings)
{
    CTempDir dir;
    const ConversionSettings settings = TwoCellPhotoSettings(dir);
    const ConversionResult result = RunInUtf8(settings);
    ASSERT_TRUE(result.Succeeded()) << result.Reason;
    const std::string page = ReadText(settings.TargetPath);
    EXPECT_NE(page.find("<title>two.bmp</title>"), std::string::npos);
    using Cells = std::vector<DrawnCell>;
    EXPECT_EQ(Drawn(page), (Cells{{u8"\u2580", Red, Blue}, {u8"\u2580", Green, Blue}}));

    // The estimate follows the style: the photo page's cells are not the classic page's 28 bytes.
    EXPECT_NE(EstimatePageSize(100, 50, "Courier New", "01", PageStyle::Photo),
              EstimatePageSize(100, 50, "Courier New", "01", PageStyle::Classic));
}
