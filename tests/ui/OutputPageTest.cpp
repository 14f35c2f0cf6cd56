// The output page in the wizard: default target, the proportion rule with its rounding, the
// checks and the question on Next, and the font list.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "app/ConverterApp.h"
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
    // A target still named after the last source follows another; the derived count follows it.
    Show("C:\\pics\\dog.bmp", 700, 1000);
    EXPECT_EQ(Text(IDC_PATH) + " " + Counts(), "C:\\pics\\dog.html 100 x 71");
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
    const std::string source = Dir.Path("pic.bmp"), existing = Dir.Path("old.html"), kept = Dir.Path("kept.html");
    ASSERT_TRUE(WriteBytes(source, CBmpBuilder(4, 2, 24).FillColor(RGB(1, 2, 3)).Build()) &&
                WriteBytes(existing, CBmpBuilder(1, 1, 24).FillColor(0).Build()) && WriteBytes(kept, {'k'}) &&
                ::SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_READONLY));
    Show(source, 4, 2);
    const std::pair<std::string, std::string> cases[] = {
        {Dir.Root(), "'" + Dir.Root() + "' is a folder. Type the name of the page to write."},
        {Dir.Root() + "\\.\\pic.bmp", "The file '" + Dir.Root() +
                                          "\\.\\pic.bmp' is the picture being converted. "
                                          "Choose another name for the page."},
        // Never replaced, so there is no question to ask.
        {kept, "The file '" + kept + "' is read-only. Choose another name for the page."},
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

// The target follows the source only while it holds the name proposed for the last one.
TEST_F(OutputPageTest, ATargetNamedAfterTheOldSourceFollowsTheNewOneAndATypedOneStays)
{
    Show("C:\\pics\\cat.bmp", 100, 100);
    ASSERT_EQ(Text(IDC_PATH), "C:\\pics\\cat.html");
    Show("D:\\other\\dog.bmp", 100, 100);
    EXPECT_EQ(Text(IDC_PATH), "D:\\other\\dog.html");
    Type(IDC_PATH, "C:\\pages\\mine.html");
    Show("C:\\pics\\cat.bmp", 100, 100);
    EXPECT_EQ(Text(IDC_PATH), "C:\\pages\\mine.html");
}

// While a count or the character set is being typed, a value that does not read is left as typed
// without a word; the other count still follows a count that reads, and Next reports once.
TEST_F(OutputPageTest, ACountThatDoesNotReadIsReportedOnlyAtNext)
{
    Show(Dir.Path("cat.bmp"), 1000, 700);
    ASSERT_EQ(Counts(), "100 x 34");
    Type(IDC_COLUMNS, "");
    EXPECT_EQ(Counts(), " x 34");  // not the old value put back
    Type(IDC_COLUMNS, "6");
    Type(IDC_COLUMNS, "60");
    Type(IDC_COLUMNS, "6000");
    EXPECT_EQ(Counts(), "6000 x 2099");  // out of range, shown with its derived count
    Type(IDC_ROWS, "");
    ::SendMessageA(::GetDlgItem(*Page, IDC_CHARACTER_SET), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("AB"));
    ::SendMessageA(*Page, WM_COMMAND, MAKEWPARAM(IDC_CHARACTER_SET, CBN_EDITCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(*Page, IDC_CHARACTER_SET)));
    EXPECT_EQ(Counts(), "6000 x ");
    EXPECT_TRUE(uitest::MessageBoxes().empty());

    Next();
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(LastMessage(), "Please enter an integer between 1 and 5000.");
    EXPECT_EQ(Wizard.GetActiveIndex(), 2);
    Type(IDC_COLUMNS, "10");  // Rows follows once the count it follows reads
    EXPECT_EQ(Counts(), "10 x 3");
    EXPECT_EQ(uitest::MessageBoxes().size(), 1u);
}

// The photo style: its own characters in place of the classic ones while the user has chosen no
// others, its cell instead of the font's for the proportions, its size, and the settings.
TEST_F(OutputPageTest, AStyleBringsItsCellItsCharactersAndItsSize)
{
    // A face 6 wide and 10 high: the classic page follows it.
    LOGFONTA* wide = new LOGFONTA();
    wide->lfWidth = 6;
    wide->lfHeight = 10;
    std::snprintf(wide->lfFaceName, LF_FACESIZE, "!Wide Mono");
    const int index = static_cast<int>(Send(IDC_FONT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide->lfFaceName)));
    Send(IDC_FONT, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(wide));
    Page->FontIndex = index;
    Show(Dir.Path("cat.bmp"), 1000, 1000);
    EXPECT_EQ(Text(IDC_PAGE_STYLE) + " " + Counts() + " " + Text(IDC_CHARACTER_SET), "classic 100 x 60 01");
    const std::string classicSize = Text(IDC_PAGE_SIZE);

    const auto choose = [this](int style) {
        Send(IDC_PAGE_STYLE, CB_SETCURSEL, style);
        ::SendMessageA(*Page, WM_COMMAND, MAKEWPARAM(IDC_PAGE_STYLE, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(*Page, IDC_PAGE_STYLE)));
    };
    choose(1);
    EXPECT_EQ(Text(IDC_PAGE_STYLE) + " " + Counts() + " " + Text(IDC_CHARACTER_SET), "photo 100 x 50 \xE2\x96\x80");
    EXPECT_NE(Text(IDC_PAGE_SIZE), classicSize);
    EXPECT_EQ(Text(IDC_PATH), Dir.Path("cat.html"));
    choose(0);
    EXPECT_EQ(Counts() + " " + Text(IDC_CHARACTER_SET), "100 x 60 01");

    // Characters the user chose stay whatever the style.
    ::SendMessageA(::GetDlgItem(*Page, IDC_CHARACTER_SET), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("AB"));
    ::SendMessageA(*Page, WM_COMMAND, MAKEWPARAM(IDC_CHARACTER_SET, CBN_EDITCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(*Page, IDC_CHARACTER_SET)));
    choose(1);
    EXPECT_EQ(Text(IDC_CHARACTER_SET), "AB");
    Next();
    EXPECT_EQ(Wizard.GetActiveIndex(), 3);
    EXPECT_EQ(Wizard.Settings.Style, PageStyle::Photo);
    EXPECT_EQ(Wizard.Settings.Rows, 50u);
    EXPECT_EQ(Wizard.Settings.CharacterSet, "AB");
}

// About how large the page will be, beside the counts and updated with them.
TEST_F(OutputPageTest, ThePageSizeFollowsTheCounts)
{
    Show(Dir.Path("cat.bmp"), 1000, 1000);
    EXPECT_EQ(Text(IDC_PAGE_SIZE), "Page size: about 140 KB");  // 100 x 50 cells of 28 bytes
    ::SendMessageA(::GetDlgItem(*Page, IDC_PRESERVE_ASPECT), BM_CLICK, 0, 0);
    Type(IDC_COLUMNS, "5000");
    Type(IDC_ROWS, "5000");
    EXPECT_EQ(Text(IDC_PAGE_SIZE), "Page size: about 700 MB");
    Type(IDC_ROWS, "");
    EXPECT_EQ(Text(IDC_PAGE_SIZE), "");
    Type(IDC_ROWS, "2");
    EXPECT_EQ(Text(IDC_PAGE_SIZE), "Page size: about 280 KB");
}

// The Save As dialog opens at the target as it stands; a path it gives that the edit cannot hold
// is refused with a message, and so is one typed (pasted) past the edit's end.
TEST_F(OutputPageTest, SaveAsStartsAtTheTargetAndTooLongAPathIsReported)
{
    static std::string seenFile, seenDir, chosen;
    CFileDialog::DoModalHook = [](CFileDialog& dialog) -> INT_PTR {
        seenFile = dialog.m_ofn.lpstrFile;
        seenDir = dialog.m_ofn.lpstrInitialDir ? dialog.m_ofn.lpstrInitialDir : "";
        std::snprintf(dialog.m_ofn.lpstrFile, dialog.m_ofn.nMaxFile, "%s", chosen.c_str());
        return IDOK;
    };
    LastPath = "C:\\elsewhere\\old.bmp";
    Show("C:\\pics\\cat.bmp", 100, 100);
    chosen = "C:\\" + std::string(300, 'n') + ".html";
    ::SendMessageA(*Page, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(*Page, IDC_BROWSE)));
    CFileDialog::DoModalHook = nullptr;
    EXPECT_EQ(seenFile, "C:\\pics\\cat.html");
    EXPECT_EQ(seenDir, "");
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(LastMessage(), uitest::MessageFor(IDS_PATH_TOO_LONG, chosen));
    EXPECT_EQ(Text(IDC_PATH), "C:\\pics\\cat.html");
    EXPECT_EQ(std::string(LastPath), "C:\\elsewhere\\old.bmp");

    uitest::ClearMessageBoxes();
    ::SendMessageA(::GetDlgItem(*Page, IDC_PATH), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(chosen.c_str()));
    ASSERT_EQ(uitest::MessageBoxes().size(), 1u);
    EXPECT_EQ(LastMessage(), "A path can have at most 256 characters: what went past them was not taken.");
    LastPath.Empty();
}
