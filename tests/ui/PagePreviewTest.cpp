// The finish page's preview control on its own: a small page drawn cell by cell in its colours on
// its background, a large one reduced faithfully and saying so, no preview with its reason, the
// newest page shown winning over one still being made, rows kept from the source page drawn only
// while the file is as they were read, and a cancelled one leaving nothing.
#include <gtest/gtest.h>

#include <string>

#include "controls/PagePreview.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

const RgbColor Red = MakeRgb(255, 0, 0);
const RgbColor Blue = MakeRgb(0, 0, 255);
const RgbColor Green = MakeRgb(10, 120, 30);

class PagePreviewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The finish page's size for the control.
        uitest::DialogTemplate t(WS_POPUP | WS_VISIBLE | DS_SETFONT, 200, 80);
        ASSERT_TRUE(Host.CreateIndirect(t.Add("STATIC", "", 1029, SS_LEFT | WS_GROUP, 0, 0, 169, 56).Get()));
        ASSERT_TRUE(Preview.SubclassDlgItem(1029, &Host));
        // A picture of two pixels, red and blue.
        ASSERT_TRUE(WriteBytes(Picture, CBmpBuilder(2, 1, 24).SetColor(0, 0, Red).SetColor(1, 0, Blue).Build()));
    }
    void TearDown() override { Host.DestroyWindow(); }

    ConversionSettings Page(std::uint32_t columns, std::uint32_t rows) const
    {
        ConversionSettings settings;
        settings.SourcePath = Picture;
        settings.TargetPath = Dir.Path("page.html");
        settings.Columns = columns;
        settings.Rows = rows;
        settings.FontFace = "DejaVu Sans Mono";
        settings.CharacterSet = "\xE2\x96\x88";  // a full block, which inks its whole cell
        settings.CharacterOrder = 1;
        settings.BackgroundColor = Green;
        return settings;
    }
    // Answers messages until the preview's job has ended and its result is taken.
    void Finish()
    {
        AfxRunMessageLoop([this] { return Preview.IsWorking(); });
    }
    COLORREF At(const CPoint& point) const { return Preview.GetSurfacePixel(point.x, point.y); }

    CTempDir Dir;
    std::string Picture = Dir.Path("two.bmp");
    CDialog Host;
    CPagePreview Preview;
};

}  // namespace

TEST_F(PagePreviewTest, DrawsTheNewestPagesCharactersInTheirColoursOnTheBackground)
{
    // A large page still being made when a small one is asked for: the small one is shown.
    Preview.Show(Page(5000, 5000));
    Preview.Show(Page(2, 1));
    EXPECT_TRUE(Preview.IsWorking());
    EXPECT_EQ(Preview.GetState(), CPagePreview::State::Working);
    Finish();
    ASSERT_EQ(Preview.GetState(), CPagePreview::State::Shown);
    EXPECT_EQ(std::string(Preview.GetNote()), "actual size");
    const CPagePreview::Layout& layout = Preview.GetLayout();
    ASSERT_TRUE(layout.Characters);
    EXPECT_EQ(layout.Scale, 1u);
    EXPECT_EQ(layout.Page.Width(), 2 * layout.PageCellWidth);
    EXPECT_EQ(layout.Page.Height(), layout.PageCellHeight);

    const int middle = layout.Page.top + layout.PageCellHeight / 2;
    EXPECT_EQ(At({layout.Page.left + layout.PageCellWidth / 2, middle}), Red);
    EXPECT_EQ(At({layout.Page.left + layout.PageCellWidth * 3 / 2, middle}), Blue);
    // The page's background all around, as the browser's window shows it.
    EXPECT_EQ(At({layout.Page.left - 2, middle}), Green);
    EXPECT_EQ(At({layout.Page.right + 1, middle}), Green);
    EXPECT_EQ(At({layout.Page.left, layout.Page.bottom + 2}), Green);
}

TEST_F(PagePreviewTest, APageLargerThanItsRoomIsAFaithfulReductionThatSaysSo)
{
    Preview.Show(Page(600, 300));
    Finish();
    ASSERT_EQ(Preview.GetState(), CPagePreview::State::Shown);
    const CPagePreview::Layout& layout = Preview.GetLayout();
    ASSERT_FALSE(layout.Characters);
    ASSERT_GT(layout.Scale, 1u);
    EXPECT_EQ(std::string(Preview.GetNote()), "shown at 1:" + std::to_string(layout.Scale));
    // The smallest whole reduction that fits the page into the room.
    const CRect area = Preview.GetPictureArea();
    EXPECT_LE(layout.Page.Width(), area.Width());
    EXPECT_LE(layout.Page.Height(), area.Height());
    const long wider = (600L * layout.PageCellWidth + layout.Scale - 2) / (layout.Scale - 1);
    const long taller = (300L * layout.PageCellHeight + layout.Scale - 2) / (layout.Scale - 1);
    EXPECT_TRUE(wider > area.Width() || taller > area.Height());

    // The left half of the page is red characters, the right half blue ones; a full block inks
    // almost all of its cell, so little of the green background shows between them.
    const int y = layout.Page.top + layout.Page.Height() / 2;
    const COLORREF left = At({layout.Page.left + layout.Page.Width() / 4, y});
    const COLORREF right = At({layout.Page.left + layout.Page.Width() * 3 / 4, y});
    EXPECT_GT(GetRValue(left), 200) << std::hex << left;
    EXPECT_LT(GetBValue(left), 40) << std::hex << left;
    EXPECT_GT(GetBValue(right), 200) << std::hex << right;
    EXPECT_LT(GetRValue(right), 40) << std::hex << right;
    // Faithful: both halves mix the same share of background.
    EXPECT_EQ(GetGValue(left), GetGValue(right));
    EXPECT_EQ(GetRValue(left), GetBValue(right));
}

TEST_F(PagePreviewTest, RowsKeptFromTheSourcePageAreDrawnWhileTheFileIsUnchanged)
{
    // Kept rows that differ from the file (blue first, not red) but carry its identity: they are drawn.
    auto held = std::make_shared<HeldRows>();
    held->Path = Picture;
    held->Width = 2;
    held->Height = 1;
    ASSERT_TRUE(CMappedFile::IdentifyPath(Picture, held->File));
    held->Pixels.reset(new std::uint8_t[8]{255, 0, 0, 0, 0, 0, 255, 0});
    const auto firstCell = [this] {
        const CPagePreview::Layout& layout = Preview.GetLayout();
        return At({layout.Page.left + layout.PageCellWidth / 2, layout.Page.top + layout.PageCellHeight / 2});
    };
    ConversionSettings settings = Page(2, 1);
    Preview.Show(settings, held);
    Finish();
    EXPECT_EQ(firstCell(), Blue);
    // Written again since, in another depth: the file is decoded.
    ASSERT_TRUE(WriteBytes(Picture, CBmpBuilder(2, 1, 32).SetColor(0, 0, Red).SetColor(1, 0, Blue).Build()));
    settings.BackgroundColor = MakeRgb(0, 60, 0);
    Preview.Show(settings, held);
    Finish();
    EXPECT_EQ(firstCell(), Red);
}

TEST_F(PagePreviewTest, APictureThatCannotBePreviewedGivesTheReason)
{
    const std::string huge = Dir.Path("huge.png");
    ASSERT_TRUE(WriteBytes(huge, uitest::HugePngHeader()));
    const struct
    {
        std::string Picture;
        std::string Note;
    } cases[] = {
        {Dir.Path("gone.bmp"), "No preview: the file does not exist."},
        {huge, "No preview: decoding this 16384 x 16384 picture would take about 1.6 GB of memory, more than a "
               "preview may take (200 MB)."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Picture);
        ConversionSettings settings = Page(2, 1);
        settings.SourcePath = c.Picture;
        Preview.Show(settings);
        Finish();
        EXPECT_EQ(Preview.GetState(), CPagePreview::State::Failed);
        EXPECT_EQ(std::string(Preview.GetNote()), c.Note);
        EXPECT_EQ(At({3, 3}), ::GetSysColor(COLOR_BTNFACE));
    }
}

TEST_F(PagePreviewTest, ACancelledPageLeavesNothing)
{
    Preview.Show(Page(5000, 5000));
    Preview.Cancel();
    Finish();
    EXPECT_EQ(Preview.GetState(), CPagePreview::State::Empty);
    EXPECT_EQ(std::string(Preview.GetNote()), "");
}
