// Rows kept from one reading of a decoded picture: read again they give the very cells a fresh
// decoding gives, and they serve only while the file is as it was and its background the same.
#include "engine/CellSampler.h"
#include "engine/HeldPicture.h"
#include "engine/RowKeeper.h"
#include "tests/engine/TempDir.h"
#include "tests/engine/TestPicture.h"

#include <gtest/gtest.h>

namespace
{

// Every cell of a grid over source, as a page samples them.
std::vector<RgbColor> Cells(CPictureSource& source, std::uint32_t columns, std::uint32_t rows)
{
    std::vector<RgbColor> cells;
    CCellSampler sampler(source, columns, rows);
    for (std::uint32_t y = 0; y < rows && sampler.BeginRow(y); ++y)
        for (std::uint32_t x = 0; x < columns; ++x)
            cells.push_back(sampler.SampleCell(x));
    return cells;
}

TEST(HeldPicture, KeptRowsReadAgainExactlyWhileTheFileAndItsBackgroundAreUnchanged)
{
    const std::uint64_t whole = 61 * 37 * 4;
    const struct
    {
        const char* Name;
        TestLayout Layout;
        std::uint64_t Limit;
        bool Kept, FitsAnotherBackground;
    } cases[] = {
        {"an opaque PNG", TestLayout::Rgb, whole, true, true},
        {"a translucent PNG", TestLayout::Rgba, whole, true, false},
        {"a PNG larger than the limit", TestLayout::Rgb, whole - 1, false, false},
    };
    TestPicture picture = MakeTestPicture(61, 37);
    for (std::uint32_t x = 0; x < 61; x += 3)
        picture.Set(x, 20, 200, 10, 10, 40);
    const RgbColor background = 0x204060;
    for (const auto& test : cases)
    {
        SCOPED_TRACE(test.Name);
        CTempDir dir;
        const std::string path = dir.Path("picture");
        TestEncoding encoding;
        encoding.Layout = test.Layout;
        std::string error;
        ASSERT_TRUE(WriteTestPicture(path, picture, encoding, error)) << error;

        CSourcePicture opened, fresh;
        ASSERT_TRUE(opened.Open(path, background));
        CRowKeeper keeper(opened, path, background, test.Limit);
        Cells(keeper, 13, 7);
        const std::shared_ptr<const HeldRows> held = keeper.Take();
        ASSERT_EQ(held != nullptr, test.Kept);
        if (!held)
            continue;
        // Read on another grid than the one that kept them, against a fresh decoding.
        CHeldPicture again(held);
        ASSERT_TRUE(fresh.Open(path, background));
        EXPECT_EQ(Cells(again, 29, 37), Cells(fresh.Source(), 29, 37));

        EXPECT_TRUE(held->Fit(path, background));
        EXPECT_EQ(held->Fit(path, 0xFFFFFF), test.FitsAnotherBackground);
    }
}

}  // namespace
