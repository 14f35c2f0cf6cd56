// Rows kept from one reading of a decoded picture: read again they give the very cells a fresh
// decoding gives, and they serve only while the file is as it was and its background the same.
#include "engine/CellSampler.h"
#include "engine/HeldPicture.h"
#include "engine/RowKeeper.h"
#include "tests/engine/BmpBuilder.h"
#include "tests/engine/TempDir.h"
#include "tests/engine/TestPicture.h"

#include <gtest/gtest.h>

namespace
{

// Every cell of a grid over source, as a page samples them; short when a row cannot be read.
std::vector<RgbColor> Cells(CPictureSource& source, std::uint32_t columns, std::uint32_t rows)
{
    std::vector<RgbColor> cells;
    CCellSampler sampler(source, columns, rows);
    for (std::uint32_t y = 0; y < rows && sampler.BeginRow(y); ++y)
        for (std::uint32_t x = 0; x < columns; ++x)
            cells.push_back(sampler.SampleCell(x));
    return cells;
}

struct KeepCase
{
    const char* Name;
    TestLayout Layout;  // stored as a PNG; Rgb with Bitmap set, as a .bmp
    bool Bitmap;
    bool CutShort;  // the file loses its second half
    std::uint64_t Limit;
    bool Kept;
    bool FitsAnotherBackground;
};

TEST(HeldPicture, KeptRowsReadAgainExactlyWhileTheFileAndItsBackgroundAreUnchanged)
{
    const std::uint64_t whole = 61 * 37 * 4;
    const KeepCase cases[] = {
        {"an opaque PNG", TestLayout::Rgb, false, false, whole, true, true},
        {"a translucent PNG", TestLayout::Rgba, false, false, whole, true, false},
        {"a PNG larger than the limit", TestLayout::Rgb, false, false, whole - 1, false, false},
        {"a PNG cut short", TestLayout::Rgb, false, true, whole, false, false},
        {"a bitmap, read from its mapping", TestLayout::Rgb, true, false, whole, false, false},
    };
    TestPicture picture = MakeTestPicture(61, 37);
    for (std::uint32_t x = 0; x < 61; x += 3)
        picture.Set(x, 20, 200, 10, 10, 40);
    const RgbColor background = 0x204060;
    for (const KeepCase& test : cases)
    {
        SCOPED_TRACE(test.Name);
        CTempDir dir;
        const std::string path = dir.Path(test.Bitmap ? "picture.bmp" : "picture.png");
        TestEncoding encoding;
        encoding.Layout = test.Layout;
        std::string error;
        if (test.Bitmap)
            ASSERT_TRUE(WriteBytes(path, TestPictureAsBmp(MakeTestPicture(61, 37))));
        else
            ASSERT_TRUE(WriteTestPicture(path, picture, encoding, error)) << error;
        if (test.CutShort)
        {
            std::vector<std::uint8_t> bytes = ReadBytes(path);
            bytes.resize(bytes.size() / 2);
            ASSERT_TRUE(WriteBytes(path, bytes));
        }

        CSourcePicture opened;
        const bool open = opened.Open(path, background);
        // WIC reads the whole frame as it opens one, and refuses a damaged file there.
        if (!open && test.CutShort)
            continue;
        ASSERT_TRUE(open) << opened.Failure().Reason;
        CRowKeeper keeper(opened, path, background, test.Limit);
        const std::vector<RgbColor> first = Cells(keeper, 13, 7);
        EXPECT_EQ(first.size() == 13 * 7, !test.CutShort);
        const std::shared_ptr<const HeldRows> held = keeper.Take();
        ASSERT_EQ(held != nullptr, test.Kept);
        if (!held)
            continue;

        // Another grid than the one that read them, against a fresh decoding.
        CHeldPicture again(held);
        CSourcePicture fresh;
        ASSERT_TRUE(fresh.Open(path, background));
        EXPECT_EQ(Cells(again, 13, 7), first);
        EXPECT_EQ(Cells(again, 29, 37), Cells(fresh.Source(), 29, 37));

        EXPECT_TRUE(held->Fit(path, background));
        EXPECT_EQ(held->Fit(path, 0xFFFFFF), test.FitsAnotherBackground);
        EXPECT_FALSE(held->Fit(dir.Path("other.png"), background));
        // Written again by another program meanwhile.
        opened.Close();
        fresh.Close();
        ASSERT_TRUE(WriteBytes(path, TestPictureAsBmp(MakeTestPicture(5, 5))));
        EXPECT_FALSE(held->Fit(path, background));
    }
}

}  // namespace
