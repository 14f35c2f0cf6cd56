// The proportion rule for columns and rows, and the default page name.
#include "engine/AspectRule.h"
#include "output/TargetName.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

namespace
{

// The counts and basis after the rule, starting from the given state.
struct Grid
{
    std::uint32_t Columns;
    std::uint32_t Rows;
    int Basis;
};

Grid Apply(std::int32_t width, std::int32_t height, int direction, Grid grid, float fontRatio = 0.5f)
{
    ApplyAspectRule(AspectRatioOf(width, height), fontRatio, direction, grid.Columns, grid.Rows, grid.Basis);
    return grid;
}

::testing::AssertionResult Is(const Grid& grid, std::uint32_t columns, std::uint32_t rows, int basis)
{
    if (grid.Columns == columns && grid.Rows == rows && grid.Basis == basis)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << grid.Columns << " x " << grid.Rows << " basis " << grid.Basis;
}

}  // namespace

TEST(AspectRule, FirstUseChoosesTheDefaultPair)
{
    EXPECT_TRUE(Is(Apply(700, 1000, 0, {0, 0, 0}), 100, 71, 1));
    // P is 1.4285714626 in single precision, so (0.5 * 100) / P is just below 35.
    EXPECT_TRUE(Is(Apply(1000, 700, 0, {0, 0, 0}), 100, 34, 1));
    EXPECT_TRUE(Is(Apply(100, 1000, 0, {0, 0, 0}), 20, 100, -1));
    EXPECT_TRUE(Is(Apply(1, 2, 0, {0, 0, 0}), 100, 100, 1));
    EXPECT_TRUE(Is(Apply(700, 1000, 0, {0, 42, 0}), 100, 71, 1));  // one count 0 is enough
}

TEST(AspectRule, EditedCountBecomesTheBasis)
{
    // P is 0.699999988, so (5 * P) / 0.5 is just below 7.
    EXPECT_TRUE(Is(Apply(700, 1000, -1, {100, 5, 1}), 6, 5, -1));
    EXPECT_TRUE(Is(Apply(700, 1000, 1, {50, 5, -1}), 50, 35, 1));
    EXPECT_TRUE(Is(Apply(700, 1000, 0, {100, 5, -1}), 6, 5, -1));  // a font change follows the basis
    EXPECT_TRUE(Is(Apply(700, 1000, 0, {100, 5, 1}), 100, 71, 1));
    EXPECT_TRUE(Is(Apply(700, 1000, 0, {100, 5, 0}), 100, 5, 0));  // no basis yet: nothing changes
}

TEST(AspectRule, DerivedCountsAreNotLimited)
{
    EXPECT_TRUE(Is(Apply(100000, 1, 1, {10, 1, 0}), 10, 0, 1));
    EXPECT_TRUE(Is(Apply(1, 1024, 1, {5000, 1, 0}), 5000, 2560000, 1));  // P is exactly 1/1024
    std::uint32_t columns = 5000, rows = 5000;
    int basis = -1;
    ASSERT_TRUE(ApplyAspectRule(1e30f, 0.5f, -1, columns, rows, basis));
    EXPECT_EQ(columns, std::numeric_limits<std::uint32_t>::max());  // held at the limit, not undefined
}

TEST(AspectRule, UnusableRatiosChangeNothing)
{
    const Grid start = {30, 40, -1};
    EXPECT_TRUE(Is(Apply(0, 100, 1, start), 30, 40, -1));
    EXPECT_TRUE(Is(Apply(100, 0, 1, start), 30, 40, -1));
    EXPECT_TRUE(Is(Apply(0, 0, 0, {0, 0, 0}), 0, 0, 0));
    EXPECT_TRUE(Is(Apply(-5, 10, 1, start), 30, 40, -1));
    EXPECT_TRUE(Is(Apply(100, 100, 1, start, 0.0f), 30, 40, -1));
    EXPECT_TRUE(Is(Apply(100, 100, 1, start, std::numeric_limits<float>::infinity()), 30, 40, -1));
}

TEST(TargetNameTest, ReplacesTheExtensionAfterTheLastSeparator)
{
    EXPECT_EQ(DefaultTargetName("C:\\pics\\cat.bmp"), "C:\\pics\\cat.html");
    EXPECT_EQ(DefaultTargetName("cat.tar.bmp"), "cat.tar.html");
    EXPECT_EQ(DefaultTargetName("C:\\my.pics\\cat"), "");
    EXPECT_EQ(DefaultTargetName("cat"), "");
    EXPECT_EQ(DefaultTargetName(".bmp"), ".html");
}

TEST(TargetNameTest, SlashCountsOnlyWhenAsked)
{
    EXPECT_EQ(DefaultTargetName("/home/a.b/cat"), "/home/a.html");
    EXPECT_EQ(DefaultTargetName("/home/a.b/cat", true), "");
    EXPECT_EQ(DefaultTargetName("/home/a.b/cat.bmp", true), "/home/a.b/cat.html");
    EXPECT_EQ(DefaultTargetName("C:\\x.y/cat", true), "");
    EXPECT_EQ(DefaultTargetName("a.d/b\\c", true), "");
}

TEST(TargetNameTest, PageOfASourceInItsFolderOrAnother)
{
    EXPECT_EQ(PagePathFor("pics/cat.bmp", ""), "pics/cat.html");
    EXPECT_EQ(PagePathFor("cat.tar.bmp", ""), "cat.tar.html");
    EXPECT_EQ(PagePathFor("a.b/cat", ""), "a.b/cat.html");      // no extension: added
    EXPECT_EQ(PagePathFor("pics/.bmp", ""), "pics/.bmp.html");  // a leading dot starts the name
#ifdef _WIN32
    EXPECT_EQ(PagePathFor("C:\\my.pics\\cat", ""), "C:\\my.pics\\cat.html");
    EXPECT_EQ(PagePathFor("C:\\pics\\cat.bmp", "D:\\out"), "D:\\out\\cat.html");
#else
    EXPECT_EQ(PagePathFor("pics/cat.bmp", "out"), "out/cat.html");
#endif
    EXPECT_EQ(PagePathFor("pics/cat.bmp", "out/"), "out/cat.html");
    EXPECT_EQ(PagePathFor("cat.bmp", "/tmp/pages/"), "/tmp/pages/cat.html");
}

// The converter's grid: a missing count follows the picture and the cell of the page's style.
TEST(AspectRule, TheConvertersGridHasAtLeastOneOfEachAndAtMost5000)
{
    // Columns and rows given (0: missing), the picture's size, the cell's width over its height,
    // and the grid it gets (0 x 0: refused).
    const struct
    {
        std::uint32_t Columns, Rows, Width, Height;
        float Cell;
        std::uint32_t WantColumns, WantRows;
    } cases[] = {{0, 0, 200, 100, 0.5f, 100, 25},        // the larger count 100, the other from the proportions
                 {0, 0, 100, 1000, 0.5f, 20, 100},       // tall: the rows are 100
                 {160, 0, 512, 512, 0.6f, 160, 96},      // a cell of another shape
                 {0, 40, 600, 400, 0.5f, 120, 40},       //
                 {0, 0, 1000, 4, 0.5f, 100, 1},          // a banner: 0.2 rows become one line
                 {0, 0, 4, 1000, 0.5f, 1, 100},          // a pole: 0.8 columns become one
                 {10, 0, 4000, 2, 0.5f, 10, 1},          // one count given, the other at least 1
                 {0, 30, 2, 4000, 0.5f, 1, 30},          //
                 {7, 3, 1, 1, 0.5f, 7, 3},               // both given: taken as they are
                 {5000, 0, 2, 4000, 0.5f, 0, 0},         // millions of rows: refused, not cut to 5000
                 {0, 0, 0, 10, 0.5f, 0, 0},              // no proportions to follow
                 {0, 0, 100, 100, 0.0f, 0, 0},           // nor a cell's
                 {0, 5000, 1, 1000000, 0.5f, 1, 5000}};  // 0.01 columns become 1
    for (const auto& c : cases)
    {
        std::uint32_t columns = c.Columns, rows = c.Rows;
        std::string problem;
        const bool resolved = ResolveGrid(columns, rows, c.Width, c.Height, c.Cell, problem);
        SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height));
        EXPECT_EQ(resolved, c.WantColumns != 0);
        if (resolved)
            EXPECT_EQ(std::make_pair(columns, rows), std::make_pair(c.WantColumns, c.WantRows));
        else
            EXPECT_NE(problem.find("give --columns and --rows"), std::string::npos) << problem;
    }
}
