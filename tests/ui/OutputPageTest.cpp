// The output page in the wizard: default target, the proportion rule with its rounding, the
// checks and the question on Next, and the font list.
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
        Wizard.Settings.SourceBitmap.Width = width;
        Wizard.Settings.SourceBitmap.Height = height;
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
    // Replaces an edit's text as a paste would; the edit tells the page.
    void Type(int id, const std::string& text) { ::SetDlgItemTextA(*Page, id, text.c_str()); }
    std::string Counts() const { return Text(IDC_COLUMNS) + " x " + Text(IDC_ROWS); }
    bool NextEnabled() const { return ::IsWindowEnabled(::GetDlgItem(Wizard, IDC_NEXT)) != FALSE; }
    void Next()
    {
        ::SendMessageA(Wizard, WM_COMMAND, IDC_NEXT, reinterpret_cast<LPARAM>(::GetDlgItem(Wizard, IDC_NEXT)));
    }
    std::string LastMessage() const { return uitest::MessageBoxes().empty() ? "" : uitest::MessageBoxes().back().Text; }

    CTempDir Dir;
    CConverterWizard Wizard;
    COutputPage* Page = nullptr;
};

}  // namespace

TEST_F(OutputPageTest, TargetNameAndCountsFollowThePictureTheFontAndTheLastEdit)
{
    Show("C:\\pics\\cat.bmp", 1000, 700);  // 34 rows, not 35: P is 1.4285714626 in single precision
    EXPECT_EQ(Text(IDC_PATH) + " " + Counts(), "C:\\pics\\cat.html 100 x 34");
    EXPECT_TRUE(NextEnabled());
    // A target once given stays when another source comes; the derived count follows it.
    Show("C:\\pics\\dog.bmp", 700, 1000);
    EXPECT_EQ(Text(IDC_PATH) + " " + Counts(), "C:\\pics\\cat.html 100 x 71");
    // (5 x 0.699999988) / 0.5 is just below 7. Were the write of Columns taken for an edit of
    // Columns, Rows would be derived back from 6.
    Type(IDC_ROWS, "5");
    EXPECT_EQ(Counts(), "6 x 5");
    Show("C:\\pics\\cat.bmp", 1000, 1000);  // a new picture: derived again from the basis, Rows
    EXPECT_EQ(Counts(), "10 x 5");

    Type(IDC_COLUMNS, "4000");
    Show("C:\\pics\\cat.bmp", 1, 4);  // a derived count beyond 5000 is shown, and refused at Next
    EXPECT_EQ(Counts(), "4000 x 8000");
    Next();
    EXPECT_EQ(LastMessage(), "Please enter an integer between 1 and 5000.");
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);

    ::SendMessageA(::GetDlgItem(*Page, IDC_PRESERVE_ASPECT), BM_CLICK, 0, 0);  // unticked: free counts
    Type(IDC_ROWS, "7");
    Type(IDC_COLUMNS, "999");
    ::SetFocus(::GetDlgItem(*Page, IDC_COLUMNS));
    uitest::ClearMessageBoxes();
    uitest::PressKey(VK_UP);  // past 999 without a thousands separator, which no read takes
    EXPECT_EQ(Counts(), "1000 x 7");
    EXPECT_TRUE(uitest::MessageBoxes().empty());

    Page->TargetPath.Empty();
    Show("C:\\my.pics\\cat", 100, 1000);  // no name to derive: Next waits for one
    EXPECT_EQ(Text(IDC_PATH), "");
    EXPECT_FALSE(NextEnabled());
}

TEST_F(OutputPageTest, NextRefusesTargetsThatCannotBeThePageAndAsksBeforeReplacing)
{
    const std::string source = Dir.Path("pic.bmp"), existing = Dir.Path("old.html");
    ASSERT_TRUE(WriteBytes(source, CBmpBuilder(4, 2, 24).FillColor(RGB(1, 2, 3)).Build()) &&
                WriteBytes(existing, CBmpBuilder(1, 1, 24).FillColor(0).Build()));
    Show(source, 4, 2);
    const std::pair<std::string, std::string> cases[] = {
        {Dir.Root(), "'" + Dir.Root() + "' is a folder. Type the name of the page to write."},
        {Dir.Root() + "\\.\\pic.bmp", "The file '" + Dir.Root() +
                                          "\\.\\pic.bmp' is the picture being converted. "
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

    Send(IDC_CHARACTER_ORDER, CB_SETCURSEL, 1);
    Page->BackgroundButton.Color = RGB(0x12, 0x34, 0x56);
    Next();  // answered Yes
    const ConversionSettings& s = Wizard.Settings;
    EXPECT_EQ(Wizard.GetActiveIndex(), 3);
    EXPECT_EQ(s.TargetPath + " " + s.FontFace + " " + s.CharacterSet, existing + " !Half Mono 01");
    EXPECT_EQ(std::make_pair(s.Columns, s.Rows), std::make_pair(100u, 25u));
    EXPECT_EQ(s.CharacterOrder, 1);
    EXPECT_EQ(s.BackgroundColor, RGB(0x12, 0x34, 0x56));
}

namespace
{

// The character set's combo as a system would hand over a character cut short: its text is bytes
// that are no characters in the active code page.
WNDPROC ComboProc = nullptr;
LRESULT CALLBACK CutShortText(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const char text[] = "01\xE2\x96";
    if (message == WM_GETTEXTLENGTH)
        return sizeof text - 1;
    if (message == WM_GETTEXT && wParam >= sizeof text)
        return lstrlenA(lstrcpyA(reinterpret_cast<char*>(lParam), text));
    return ::CallWindowProcA(ComboProc, window, message, wParam, lParam);
}

}  // namespace

TEST_F(OutputPageTest, NextRefusesACharacterSetThatIsNoTextAndTakesAnyOther)
{
    Show(Dir.Path("cat.bmp"), 100, 100);
    HWND combo = ::GetDlgItem(*Page, IDC_CHARACTER_SET);
    ComboProc =
        reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CutShortText)));
    ::SetFocus(::GetDlgItem(*Page, IDC_COLUMNS));
    Next();
    ::SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboProc));
    EXPECT_EQ(LastMessage(), uitest::MessageFor(IDS_BAD_CHARACTERS, ""));
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);
    EXPECT_EQ(::GetParent(::GetFocus()), combo);  // the combo's edit

    // The characters themselves stand in the combo, and the settings get them as UTF-8.
    ::SetWindowTextW(combo, L"\u2588\u2593\u2592\u2591");
    uitest::ClearMessageBoxes();
    Next();
    EXPECT_TRUE(uitest::MessageBoxes().empty());
    EXPECT_EQ(Wizard.GetActiveIndex(), 3);
    EXPECT_EQ(Wizard.Settings.CharacterSet, "\u2588\u2593\u2592\u2591");
}

TEST_F(OutputPageTest, FontListHoldsOnlyFixedPitchFacesAndThePageConvertsWithoutAny)
{
    CClientDC dc(::GetDlgItem(*Page, IDC_FONT));
    Page->FontSample.LogFont = nullptr;
    for (int index = 0; index < Send(IDC_FONT, CB_GETCOUNT); ++index)
    {
        LOGFONTA* face = reinterpret_cast<LOGFONTA*>(Send(IDC_FONT, CB_GETITEMDATA, index));
        CFont font;
        font.CreateFontIndirect(face);
        CSelectObject selection(dc, font);
        TEXTMETRICA metric = {};
        ::GetTextMetricsA(dc, &metric);
        // Set means variable pitch; the test's own entry names no installed face.
        EXPECT_TRUE(index == Page->FontIndex || !(metric.tmPitchAndFamily & TMPF_FIXED_PITCH)) << face->lfFaceName;
        delete face;
    }
    Send(IDC_FONT, CB_RESETCONTENT);

    Show("C:\\nothing.bmp", 0, 0);  // a zero size leaves the counts as they are
    EXPECT_EQ(Counts(), "0 x 0");
    Show("C:\\pics\\cat.bmp", 1000, 700);  // a cell half as wide as high stands in for the font
    EXPECT_EQ(Counts(), "100 x 34");
    Next();
    EXPECT_EQ(Wizard.GetActiveIndex(), 3);
    EXPECT_EQ(Wizard.Settings.FontFace, "Courier New");
}
