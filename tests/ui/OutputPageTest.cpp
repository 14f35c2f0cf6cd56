// The output page in the wizard: default target, the proportion rule with its rounding, the
// typed character set, the checks and the question on Next, and the font list.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

#include "app/ConverterWizard.h"
#include "engine/AspectRule.h"
#include "pages/OutputPage.h"
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

// The wizard with a font list entry of the test's own, a cell 8 wide and 16 high (F = 0.5),
// selected before the page is first shown; the page frees its description like any other.
class OutputPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AspectBasis = AspectBasisNone;
        ASSERT_TRUE(Wizard.Create(IDD_WIZARD, nullptr));
        Wizard.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(Wizard);
        Page = Wizard.GetOutputPage();
        LOGFONTA* half = new LOGFONTA();
        half->lfWidth = 8;
        half->lfHeight = 16;
        std::snprintf(half->lfFaceName, LF_FACESIZE, "!Half Mono");
        Page->FontIndex = static_cast<int>(Send(IDC_FONT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(half->lfFaceName)));
        Send(IDC_FONT, CB_SETITEMDATA, Page->FontIndex, reinterpret_cast<LPARAM>(half));
    }

    // Shows the page for a source picture, as after the source page's Next.
    void Show(const std::string& source, LONG width, LONG height)
    {
        Wizard.Settings.SourcePath = source;
        Wizard.Settings.SourceBitmap.bmWidth = width;
        Wizard.Settings.SourceBitmap.bmHeight = height;
        ASSERT_TRUE(Wizard.SetActivePage(2));
    }
    LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendDlgItemMessageA(*Page, id, message, wParam, lParam);
    }
    std::string Text(int id) const
    {
        char text[300] = "";
        ::GetDlgItemTextA(*Page, id, text, sizeof text);
        return text;
    }
    // Replaces a control's text as a paste would; edits tell the page, the combo is told here.
    void Type(int id, const std::string& text)
    {
        ::SetDlgItemTextA(*Page, id, text.c_str());
        if (id == IDC_CHARACTER_SET)
            ::SendMessageA(*Page, WM_COMMAND, MAKEWPARAM(id, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(*Page, id)));
    }
    std::string Counts() const { return Text(IDC_COLUMNS) + " x " + Text(IDC_ROWS); }
    void Next() { ::SendMessageA(Wizard, WM_COMMAND, IDC_NEXT, reinterpret_cast<LPARAM>(::GetDlgItem(Wizard, IDC_NEXT))); }
    std::string LastMessage() const { return uitest::MessageBoxes().empty() ? "" : uitest::MessageBoxes().back().Text; }

    uitest::TempDir Dir;
    CConverterWizard Wizard;
    COutputPage* Page = nullptr;
};

}  // namespace

TEST_F(OutputPageTest, FirstActivationNamesTheTargetAndChoosesTheDefaultPair)
{
    struct Case { const char* Source; LONG Width, Height; const char* Target; const char* Counts; int Basis; };
    // 1000 x 700 gives 34 rows, not 35: P is 1.4285714626 in single precision.
    const Case cases[] = {{"C:\\pics\\cat.bmp", 1000, 700, "C:\\pics\\cat.html", "100 x 34", 1},
                          {"cat.tar.bmp", 700, 1000, "cat.tar.html", "100 x 71", 1},
                          {"C:\\my.pics\\cat", 100, 1000, "", "20 x 100", -1},
                          {"sq.bmp", 50, 100, "sq.html", "100 x 100", 1}};
    for (const Case& c : cases)
    {
        Page->TargetPath.Empty();
        Page->Columns = Page->Rows = 0;
        Show(c.Source, c.Width, c.Height);
        EXPECT_EQ(Text(IDC_PATH) + " " + Counts(), std::string(c.Target) + " " + c.Counts);
        EXPECT_EQ(AspectBasis, c.Basis) << c.Source;
        EXPECT_EQ(::IsWindowEnabled(::GetDlgItem(Wizard, IDC_NEXT)) != FALSE, *c.Target != '\0') << c.Source;
    }
    // A target once given stays when another source comes; the derived count follows it.
    Type(IDC_PATH, "C:\\kept.html");
    Show("C:\\pics\\dog.bmp", 700, 1000);
    EXPECT_EQ(Text(IDC_PATH) + " " + Counts(), "C:\\kept.html 100 x 71");
}

TEST_F(OutputPageTest, EditsKeepTheProportionAndTheTypedCharacterSet)
{
    Show("C:\\pics\\cat.bmp", 700, 1000);
    // (5 x 0.699999988) / 0.5 is just below 7. Were the write of Columns taken for an edit of
    // Columns, Rows would be derived back from 6.
    Type(IDC_ROWS, "5");
    EXPECT_EQ(Counts(), "6 x 5");
    Show("C:\\pics\\cat.bmp", 1000, 1000);  // a new picture: derived again from the basis, Rows
    EXPECT_EQ(Counts(), "10 x 5");
    Type(IDC_COLUMNS, "0");  // refused by the range check; the default pair comes back
    EXPECT_EQ(LastMessage(), "Please enter an integer between 1 and 5000.");
    EXPECT_EQ(Counts(), "100 x 50");

    // A typed character set is the user's, even where it begins a list entry.
    for (const char* typed : {"abc", "0", "0123456789"})
    {
        Type(IDC_CHARACTER_SET, typed);
        Type(IDC_COLUMNS, "4000");  // writes every field back
        EXPECT_EQ(Text(IDC_CHARACTER_SET), typed);
    }
    Show("C:\\pics\\cat.bmp", 1, 4);  // a derived count beyond 5000 is shown, and refused at Next
    EXPECT_EQ(Counts(), "4000 x 8000");
    uitest::ClearMessageBoxes();
    Next();
    EXPECT_EQ(LastMessage(), "Please enter an integer between 1 and 5000.");
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);

    ::SendMessageA(::GetDlgItem(*Page, IDC_PRESERVE_ASPECT), BM_CLICK, 0, 0);  // unticked: free counts
    Type(IDC_ROWS, "7");
    Type(IDC_COLUMNS, "999");
    ::SetFocus(::GetDlgItem(*Page, IDC_COLUMNS));
    uitest::ClearMessageBoxes();
    uitest::PressKey(VK_UP);  // past 999 without a thousands separator that no read takes
    EXPECT_EQ(Counts(), "1000 x 7");
    EXPECT_TRUE(uitest::MessageBoxes().empty());
}

TEST_F(OutputPageTest, NextRefusesTargetsThatCannotBeThePageAndAsksBeforeReplacing)
{
    const std::string source = Dir.File("pic.bmp"), existing = Dir.File("old.html");
    ASSERT_TRUE(uitest::WriteBmp(source, 4, 2, RGB(1, 2, 3)) && uitest::WriteBmp(existing, 1, 1, 0));
    Show(source, 4, 2);
    const std::pair<std::string, std::string> cases[] = {
        {Dir.Path(), "'" + Dir.Path() + "' is a folder. Type the name of the page to write."},
        {Dir.Path() + "\\.\\pic.bmp", "The file '" + Dir.Path() + "\\.\\pic.bmp' is the picture being converted. "
                                      "Choose another name for the page."},
        {existing, "The file '" + existing + "' already exists.\nDo you want to replace it?"}};
    for (const auto& c : cases)  // each refused, the question answered No
    {
        uitest::ClearMessageBoxes();
        uitest::QueueMessageBoxAnswer(IDNO);
        Type(IDC_PATH, c.first);
        ::SetFocus(::GetDlgItem(*Page, IDC_COLUMNS));
        Next();
        ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
        EXPECT_EQ(uitest::MessageBoxes()[0].Text, c.second);
        EXPECT_EQ(Wizard.GetActiveIndex(), 2);
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(*Page, IDC_PATH));
    }
    EXPECT_EQ(uitest::MessageBoxes()[0].Type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(Wizard.Settings.TargetPath.empty());

    Send(IDC_CHARACTER_ORDER, CB_SETCURSEL, 1);
    Page->BackgroundButton.Color = RGB(0x12, 0x34, 0x56);
    Next();  // answered Yes
    const ConversionSettings& s = Wizard.Settings;
    EXPECT_EQ(Wizard.GetActiveIndex(), 3);
    EXPECT_EQ(s.TargetPath + " " + s.FontFace + " " + s.CharacterSet, existing + " !Half Mono 01");
    EXPECT_EQ(s.Columns * 100 + s.Rows, 100u * 100 + 25);
    EXPECT_EQ(s.CharacterOrder, 1);
    EXPECT_EQ(s.BackgroundColor, RGB(0x12, 0x34, 0x56));
}

TEST_F(OutputPageTest, FontListHoldsOnlyFixedPitchFaces)
{
    CClientDC dc(::GetDlgItem(*Page, IDC_FONT));
    for (int index = 0; index < Send(IDC_FONT, CB_GETCOUNT); ++index)
    {
        if (index == Page->FontIndex)
            continue;  // the test's own entry
        CFont font;
        font.CreateFontIndirect(reinterpret_cast<const LOGFONTA*>(Send(IDC_FONT, CB_GETITEMDATA, index)));
        CSelectObject selection(dc, font);
        TEXTMETRICA metric = {};
        ::GetTextMetricsA(dc, &metric);
        EXPECT_FALSE(metric.tmPitchAndFamily & TMPF_FIXED_PITCH) << index;  // set means variable pitch
    }
}

TEST_F(OutputPageTest, WithoutAnyFixedPitchFaceThePageStillConverts)
{
    for (int index = 0; index < Send(IDC_FONT, CB_GETCOUNT); ++index)
        delete reinterpret_cast<LOGFONTA*>(Send(IDC_FONT, CB_GETITEMDATA, index));
    Send(IDC_FONT, CB_RESETCONTENT);
    Page->FontSample.LogFont = nullptr;

    Show("C:\\nothing.bmp", 0, 0);  // a zero size leaves the counts as they are
    EXPECT_EQ(Counts(), "0 x 0");
    Show("C:\\pics\\cat.bmp", 1000, 700);  // a cell half as wide as high stands in for the font
    EXPECT_EQ(Counts(), "100 x 34");
    Next();
    EXPECT_EQ(Wizard.GetActiveIndex(), 3);
    EXPECT_EQ(Wizard.Settings.FontFace, "Courier New");
}
