// The output page inside the wizard: default target, the proportion rule with its rounding,
// exchange of the character set, the checks and the question on Next, and the font list.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/ConverterWizard.h"
#include "engine/AspectRule.h"
#include "pages/OutputPage.h"
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

// The wizard with a picture of the given size as its source, and a font list entry of its own,
// a cell 8 wide and 16 high (F = 0.5), selected before the page is first shown.
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
        ASSERT_NE(Page, nullptr);
        LOGFONTA* half = new LOGFONTA();  // the page frees every entry's description
        half->lfWidth = 8;
        half->lfHeight = 16;
        std::snprintf(half->lfFaceName, LF_FACESIZE, "%s", "!Half Mono");
        const LRESULT index = ::SendMessageA(Item(IDC_FONT), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(half->lfFaceName));
        ::SendMessageA(Item(IDC_FONT), CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(half));
        Page->FontIndex = static_cast<int>(index);
    }
    void TearDown() override
    {
        if (Wizard.GetSafeHwnd())
            Wizard.DestroyWindow();
        uitest::PumpMessages();
    }

    // Shows the page for a fresh source, as after the source page's Next.
    void Show(const std::string& source, LONG width, LONG height)
    {
        Wizard.Settings.SourcePath = source;
        Wizard.Settings.SourceBitmap.bmWidth = width;
        Wizard.Settings.SourceBitmap.bmHeight = height;
        ASSERT_TRUE(Wizard.SetActivePage(2));
    }
    HWND Item(int id) const { return ::GetDlgItem(*Page, id); }
    std::string Text(int id) const
    {
        char text[300] = "";
        ::GetWindowTextA(Item(id), text, sizeof text);
        return text;
    }
    // Replaces a control's text as a paste would (the control notifies the page).
    void Type(int id, const char* text) { ::SetWindowTextA(Item(id), text); }
    void TypeCharacterSet(const char* text)
    {
        Type(IDC_CHARACTER_SET, text);
        ::SendMessageA(*Page, WM_COMMAND, MAKEWPARAM(IDC_CHARACTER_SET, CBN_EDITCHANGE),
                       reinterpret_cast<LPARAM>(Item(IDC_CHARACTER_SET)));
    }
    std::string Counts() const { return Text(IDC_COLUMNS) + " x " + Text(IDC_ROWS); }
    void Next()
    {
        ::SendMessageA(Wizard, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(Wizard, IDC_NEXT)));
    }
    bool NextEnabled() const { return ::IsWindowEnabled(::GetDlgItem(Wizard, IDC_NEXT)) != FALSE; }
    std::string Message(UINT id) const
    {
        CString text;
        text.FormatMessageId(id, Text(IDC_PATH).c_str());
        return text.Str();
    }

    uitest::TempDir Dir;
    CConverterWizard Wizard;
    COutputPage* Page = nullptr;
};

}  // namespace

TEST_F(OutputPageTest, FirstActivationNamesTheTargetAndChoosesTheDefaultPair)
{
    struct Case
    {
        const char* Source;
        LONG Width, Height;
        const char* Target;
        const char* Counts;
        int Basis;
    };
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
        EXPECT_EQ(Text(IDC_PATH), c.Target) << c.Source;
        EXPECT_EQ(Counts(), c.Counts) << c.Source;
        EXPECT_EQ(AspectBasis, c.Basis) << c.Source;
        EXPECT_EQ(NextEnabled(), *c.Target != '\0') << c.Source;
        EXPECT_EQ(::GetFocus(), Item(IDC_PATH));
    }
    // A target once given stays when another source comes; the count follows the new picture.
    Type(IDC_PATH, "C:\\kept.html");
    Show("C:\\pics\\dog.bmp", 700, 1000);
    EXPECT_EQ(Text(IDC_PATH), "C:\\kept.html");
    EXPECT_EQ(Counts(), "100 x 71");
}

TEST_F(OutputPageTest, EditsKeepTheProportionFromTheBasis)
{
    Show("C:\\pics\\cat.bmp", 700, 1000);
    // P is 0.699999988: (5 x P) / 0.5 is just below 7. The write of Columns that follows does
    // not count as an edit of Columns, or Rows would be derived back from 6.
    Type(IDC_ROWS, "5");
    EXPECT_EQ(Counts(), "6 x 5");
    EXPECT_EQ(AspectBasis, -1);
    // Returning to the page recomputes from the basis with the current picture.
    Show("C:\\pics\\cat.bmp", 1000, 1000);
    EXPECT_EQ(Counts(), "10 x 5");

    Type(IDC_COLUMNS, "0");  // refused by the range check, then the default pair again
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(uitest::MessageBoxes()[0].Text, "Please enter an integer between 1 and 5000.");
    EXPECT_EQ(Counts(), "100 x 50");

    Type(IDC_COLUMNS, "4000");  // a derived count is shown as computed and refused at Next
    EXPECT_EQ(Counts(), "4000 x 2000");
    Show("C:\\pics\\cat.bmp", 1, 4);
    EXPECT_EQ(Counts(), "4000 x 8000");
    Next();
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);
    EXPECT_EQ(uitest::MessageBoxes().back().Text, "Please enter an integer between 1 and 5000.");

    ::SendMessageA(Item(IDC_PRESERVE_ASPECT), BM_CLICK, 0, 0);  // unticked: counts are free
    Type(IDC_ROWS, "7");
    EXPECT_EQ(Counts(), "4000 x 7");
    EXPECT_EQ(AspectBasis, 1);

    // The up arrow steps past 999 without a thousands separator that no read would take.
    Type(IDC_COLUMNS, "999");
    ::SetFocus(Item(IDC_COLUMNS));
    uitest::ClearMessageBoxes();
    uitest::PressKey(VK_UP);
    EXPECT_EQ(Text(IDC_COLUMNS), "1000");
    EXPECT_TRUE(uitest::MessageBoxes().empty());
}

TEST_F(OutputPageTest, TypedCharacterSetStaysAsTyped)
{
    Show("C:\\pics\\cat.bmp", 700, 1000);
    for (const char* typed : {"abc", "0", "0123456789"})
    {
        TypeCharacterSet(typed);
        Type(IDC_COLUMNS, "50");  // a change that writes every field back
        EXPECT_EQ(Text(IDC_CHARACTER_SET), typed);
        EXPECT_EQ(Page->CharacterSet.Str(), typed);
    }
    TypeCharacterSet("");
    EXPECT_FALSE(NextEnabled());
}

TEST_F(OutputPageTest, NextRefusesTargetsThatCannotBeThePageAndAsksBeforeReplacing)
{
    const std::string source = Dir.File("pic.bmp");
    ASSERT_TRUE(uitest::WriteBmp(source, 4, 2, RGB(1, 2, 3)));
    Show(source, 4, 2);
    for (const auto& refused : {std::make_pair(Dir.Path(), IDS_TARGET_IS_FOLDER),
                                std::make_pair(Dir.Path() + "\\.\\pic.bmp", IDS_TARGET_IS_SOURCE)})
    {
        uitest::ClearMessageBoxes();
        Type(IDC_PATH, refused.first.c_str());
        ::SetFocus(Item(IDC_COLUMNS));
        Next();
        ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
        EXPECT_EQ(uitest::MessageBoxes()[0].Text, Message(refused.second));
        EXPECT_EQ(Wizard.GetActiveIndex(), 2);
        EXPECT_EQ(::GetFocus(), Item(IDC_PATH));
    }

    const std::string existing = Dir.File("old.html");
    ASSERT_TRUE(uitest::WriteBmp(existing, 1, 1, 0));
    Type(IDC_PATH, existing.c_str());
    uitest::ClearMessageBoxes();
    uitest::QueueMessageBoxAnswer(IDNO);
    ::SetFocus(Item(IDC_COLUMNS));
    Next();
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(uitest::MessageBoxes()[0].Text, "The file '" + existing + "' already exists.\nDo you want to replace it?");
    EXPECT_EQ(uitest::MessageBoxes()[0].Type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);
    EXPECT_EQ(::GetFocus(), Item(IDC_PATH));
    EXPECT_TRUE(Wizard.Settings.TargetPath.empty());

    ::SendMessageA(Item(IDC_CHARACTER_ORDER), CB_SETCURSEL, 1, 0);
    Page->BackgroundButton.Color = RGB(0x12, 0x34, 0x56);
    Next();  // answered Yes
    EXPECT_EQ(Wizard.GetActiveIndex(), 3);
    const ConversionSettings& settings = Wizard.Settings;
    EXPECT_EQ(settings.TargetPath, existing);
    EXPECT_EQ(settings.Columns, 100u);
    EXPECT_EQ(settings.Rows, 25u);
    EXPECT_EQ(settings.FontFace, "!Half Mono");
    EXPECT_EQ(settings.CharacterSet, "01");
    EXPECT_EQ(settings.CharacterOrder, 1);
    EXPECT_EQ(settings.BackgroundColor, RGB(0x12, 0x34, 0x56));
}

TEST_F(OutputPageTest, FontListHoldsFixedPitchFacesAndTheSampleFollowsTheSelection)
{
    Show("C:\\pics\\cat.bmp", 700, 1000);
    const int count = static_cast<int>(::SendMessageA(Item(IDC_FONT), CB_GETCOUNT, 0, 0));
    EXPECT_GT(count, 1);
    CClientDC dc(Item(IDC_FONT));
    for (int index = 0; index < count; ++index)
    {
        const auto* font = reinterpret_cast<const LOGFONTA*>(::SendMessageA(Item(IDC_FONT), CB_GETITEMDATA, index, 0));
        if (std::string(font->lfFaceName) == "!Half Mono")
            continue;
        CFont made;
        made.CreateFontIndirect(font);
        CSelectObject selection(dc, made);
        TEXTMETRICA metric = {};
        ::GetTextMetricsA(dc, &metric);
        EXPECT_FALSE(metric.tmPitchAndFamily & TMPF_FIXED_PITCH) << font->lfFaceName;  // set: variable
    }

    // Choosing another face points the sample at it and derives Rows from the basis again.
    ::SendMessageA(Item(IDC_FONT), CB_SETCURSEL, 1, 0);
    ::SendMessageA(*Page, WM_COMMAND, MAKEWPARAM(IDC_FONT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(IDC_FONT)));
    const LOGFONTA* chosen = Page->SelectedFont();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(Page->FontSample.LogFont, chosen);
    const float fontRatio = AspectRatioOf(chosen->lfWidth, chosen->lfHeight);
    EXPECT_EQ(Text(IDC_ROWS), std::to_string(RowsForColumns(100, AspectRatioOf(700, 1000), fontRatio)));
}

TEST_F(OutputPageTest, WithoutAnyFixedPitchFaceThePageStillConverts)
{
    // The list emptied as on a system without monospaced fonts.
    const int count = static_cast<int>(::SendMessageA(Item(IDC_FONT), CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index)
        delete reinterpret_cast<LOGFONTA*>(::SendMessageA(Item(IDC_FONT), CB_GETITEMDATA, index, 0));
    ::SendMessageA(Item(IDC_FONT), CB_RESETCONTENT, 0, 0);
    Page->FontSample.LogFont = nullptr;

    Show("C:\\nothing.bmp", 0, 0);  // a zero size leaves the counts as they are
    EXPECT_EQ(Counts(), "0 x 0");
    Show("C:\\pics\\cat.bmp", 1000, 700);  // the usual half-wide cell stands in for the font
    EXPECT_EQ(Counts(), "100 x 34");
    EXPECT_EQ(Page->FontSample.LogFont, nullptr);
    Next();
    EXPECT_EQ(Wizard.GetActiveIndex(), 3);
    EXPECT_EQ(Wizard.Settings.FontFace, "Courier New");
}
