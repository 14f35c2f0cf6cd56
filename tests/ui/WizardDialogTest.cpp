// The wizard frame driven through its messages with scripted pages: navigation and its refusals,
// the button states of every flag combination, Escape, Close and Alt+F4, the system menu, the
// icons and fonts, and the order in which the windows go.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/WizardDialog.h"
#include "pages/WizardPage.h"
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

// A page whose answers the test chooses and which logs every call the frame makes on it.
class CScriptedPage : public CWizardPage
{
public:
    CScriptedPage(CWizardDialog* wizard, std::string name, std::vector<std::string>& log, UINT templateId)
        : CWizardPage(templateId, wizard), Name(std::move(name)), Log(log)
    {
    }

    BOOL OnSetActive() override
    {
        Log.push_back(Name + ":set");
        Wizard->SetWizardButtons(Buttons);
        return CWizardPage::OnSetActive();
    }
    BOOL OnKillActive() override
    {
        Log.push_back(Name + ":kill");
        return KillAnswer;
    }
    int OnWizardBack() override
    {
        Log.push_back(Name + ":back");
        return BackAnswer;
    }
    int OnWizardNext() override
    {
        Log.push_back(Name + ":next");
        return NextAnswer;
    }
    BOOL OnWizardFinish() override
    {
        Log.push_back(Name + ":finish");
        return FinishAnswer;
    }
    void OnCancel() override { Log.push_back(Name + ":cancel"); }
    BOOL DestroyWindow() override
    {
        HWND frame = ::GetParent(m_hWnd);
        Log.push_back(Name + (::IsWindow(frame) ? ":destroy(frame alive)" : ":destroy(frame gone)"));
        return CWizardPage::DestroyWindow();
    }

    std::string Name;
    std::vector<std::string>& Log;
    DWORD Buttons = CWizardDialog::ButtonBack | CWizardDialog::ButtonNext;
    BOOL KillAnswer = TRUE;
    int BackAnswer = CWizardPage::AdjacentPage;
    int NextAnswer = CWizardPage::AdjacentPage;
    BOOL FinishAnswer = TRUE;
};

std::string WindowText(HWND window)
{
    char text[256] = "";
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

// The frame on template 131 with four scripted pages; page 0 is on show and the log is empty.
class WizardFrame : public ::testing::Test
{
protected:
    static constexpr int PageCount = 4;

    void SetUp() override
    {
        ASSERT_TRUE(Frame.Create(IDD_WIZARD, nullptr));
        Frame.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(Frame);
        for (int i = 0; i < PageCount; ++i)
        {
            // Template 135 has a tab stop (check box 1022); template 132 has none.
            UINT templateId = i == 1 ? IDD_WELCOME : IDD_FINISH;
            Pages.push_back(std::make_unique<CScriptedPage>(&Frame, "P" + std::to_string(i), Log, templateId));
            Frame.AddPage(Pages.back().get());
        }
        ASSERT_TRUE(Frame.SetActivePage(0));
        Log.clear();
    }

    void TearDown() override
    {
        if (Frame.GetSafeHwnd())
            Frame.DestroyWindow();
        uitest::PumpMessages();
    }

    HWND Button(int id) const { return ::GetDlgItem(Frame, id); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Button(id)) != FALSE; }
    void Click(int id)
    {
        ::SendMessageA(Frame, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Button(id)));
    }
    void Next() { Click(IDC_NEXT); }
    void Back() { Click(IDC_BACK); }
    CScriptedPage& Page(int i) { return *Pages[static_cast<size_t>(i)]; }
    bool Shown(int i) { return ::IsWindowVisible(Page(i)) != FALSE; }

    // The placeholder's client area in the frame's client coordinates.
    RECT PlaceholderArea() const
    {
        HWND placeholder = Button(IDC_PLACEHOLDER);
        RECT area;
        ::GetClientRect(placeholder, &area);
        ::MapWindowPoints(placeholder, Frame, reinterpret_cast<POINT*>(&area), 2);
        return area;
    }
    RECT PageArea(int i)
    {
        RECT area;
        ::GetWindowRect(Page(i), &area);
        ::MapWindowPoints(nullptr, Frame, reinterpret_cast<POINT*>(&area), 2);
        return area;
    }
    void ExpectOnlyShown(int index)
    {
        EXPECT_EQ(Frame.GetActiveIndex(), index);
        for (int i = 0; i < PageCount; ++i)
            EXPECT_EQ(Shown(i), i == index) << "page " << i;
    }

    CWizardDialog Frame{IDD_WIZARD};
    std::vector<std::string> Log;
    std::vector<std::unique_ptr<CScriptedPage>> Pages;
};

using Events = std::vector<std::string>;

// --- creation and showing pages --------------------------------------------------------------------

TEST(WizardFrameCreation, PagesStartHiddenAndNoneIsCurrent)
{
    std::vector<std::string> log;
    CWizardDialog frame(IDD_WIZARD);
    ASSERT_TRUE(frame.Create(IDD_WIZARD, nullptr));
    CScriptedPage page(&frame, "P", log, IDD_FINISH);
    frame.AddPage(&page);

    EXPECT_EQ(frame.GetActiveIndex(), -1);
    EXPECT_EQ(frame.GetPageCount(), 1);
    ASSERT_TRUE(::IsWindow(page));
    EXPECT_EQ(::GetParent(page), frame.GetSafeHwnd());
    EXPECT_TRUE(page.GetStyle() & WS_CHILD);
    EXPECT_FALSE(::IsWindowVisible(page));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(frame, IDC_PLACEHOLDER)));

    // Back and Next before any page is on show change nothing and ask no page.
    ::SendMessageA(frame, WM_COMMAND, MAKEWPARAM(IDC_BACK, BN_CLICKED), 0);
    ::SendMessageA(frame, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), 0);
    EXPECT_EQ(frame.GetActiveIndex(), -1);
    EXPECT_TRUE(log.empty());
    frame.DestroyWindow();
}

TEST_F(WizardFrame, ShowsThePageOverThePlaceholderAndSetsItsButtons)
{
    RECT expected = PlaceholderArea();
    RECT actual = PageArea(0);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
    EXPECT_GT(expected.right - expected.left, 100);
    ExpectOnlyShown(0);
    EXPECT_TRUE(Enabled(IDC_BACK));
    EXPECT_TRUE(Enabled(IDC_NEXT));
}

// --- navigation ------------------------------------------------------------------------------------

TEST_F(WizardFrame, NextAsksTheCurrentPageThenLeavesItAndShowsTheFollowingOne)
{
    Next();
    EXPECT_EQ(Log, (Events{"P0:next", "P0:kill", "P1:set"}));
    ExpectOnlyShown(1);
    RECT expected = PlaceholderArea();
    RECT actual = PageArea(1);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.bottom, expected.bottom);

    Log.clear();
    Back();
    EXPECT_EQ(Log, (Events{"P1:back", "P1:kill", "P0:set"}));
    ExpectOnlyShown(0);
}

TEST_F(WizardFrame, BackOnTheFirstPageDoesNothingAtAll)
{
    Back();
    EXPECT_TRUE(Log.empty());
    ExpectOnlyShown(0);
}

TEST_F(WizardFrame, AnswerMinusOneStaysWithButtonsUnchanged)
{
    Next();
    Page(1).Buttons = CWizardDialog::ButtonNext;
    Page(1).NextAnswer = CWizardPage::StayOnPage;
    Page(1).BackAnswer = CWizardPage::StayOnPage;
    Log.clear();

    Next();
    Back();
    EXPECT_EQ(Log, (Events{"P1:next", "P1:back"}));
    ExpectOnlyShown(1);
    // The buttons are still those P1 set when it was shown (Back and Next).
    EXPECT_TRUE(Enabled(IDC_BACK));
    EXPECT_TRUE(Enabled(IDC_NEXT));
}

TEST_F(WizardFrame, PositiveAnswersJumpStraightToThatPage)
{
    Page(0).NextAnswer = 3;
    Next();
    EXPECT_EQ(Log, (Events{"P0:next", "P0:kill", "P3:set"}));
    ExpectOnlyShown(3);

    Log.clear();
    Page(3).BackAnswer = 1;
    Back();
    EXPECT_EQ(Log, (Events{"P3:back", "P3:kill", "P1:set"}));
    ExpectOnlyShown(1);
}

TEST_F(WizardFrame, TargetsBeyondThePageListLeaveEverythingAsItWas)
{
    Page(0).NextAnswer = PageCount;
    Next();
    Page(0).NextAnswer = PageCount + 7;
    Next();
    EXPECT_EQ(Log, (Events{"P0:next", "P0:next"}));
    ExpectOnlyShown(0);

    // Next from the last page in Next mode has nowhere to go either.
    ASSERT_TRUE(Frame.SetActivePage(PageCount - 1));
    Log.clear();
    Next();
    EXPECT_EQ(Log, (Events{"P3:next"}));
    ExpectOnlyShown(PageCount - 1);

    // Back answering an index past the end stays as well.
    Log.clear();
    Page(3).BackAnswer = PageCount;
    Back();
    EXPECT_EQ(Log, (Events{"P3:back"}));
    ExpectOnlyShown(PageCount - 1);
}

TEST_F(WizardFrame, AnswerZeroOrOtherNonPositiveValuesMeanTheAdjacentPage)
{
    Page(0).NextAnswer = -5;
    Next();
    ExpectOnlyShown(1);
    Page(1).BackAnswer = -2;
    Back();
    ExpectOnlyShown(0);
}

TEST_F(WizardFrame, APageRefusingToBeLeftStaysOnShow)
{
    Page(0).KillAnswer = FALSE;
    Next();
    EXPECT_EQ(Log, (Events{"P0:next", "P0:kill"}));
    ExpectOnlyShown(0);

    Log.clear();
    EXPECT_FALSE(Frame.SetActivePage(2));
    EXPECT_EQ(Log, (Events{"P0:kill"}));
    ExpectOnlyShown(0);

    Page(0).KillAnswer = TRUE;
    EXPECT_TRUE(Frame.SetActivePage(2));
    ExpectOnlyShown(2);
}

TEST_F(WizardFrame, ReactivatingThePageOnShowLeavesAndShowsItAgain)
{
    Next();
    Page(1).NextAnswer = 1;
    Log.clear();
    Next();
    EXPECT_EQ(Log, (Events{"P1:next", "P1:kill", "P1:set"}));
    ExpectOnlyShown(1);
}

TEST_F(WizardFrame, EnterPressesNextAndTheFocusFollowsToTheNewPage)
{
    // Page 2 is built on the template with a tab stop: its check box gets the focus.
    Page(0).NextAnswer = 2;
    ::SetFocus(Button(IDC_NEXT));
    uitest::PressKey(VK_RETURN);
    ExpectOnlyShown(2);
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(Page(2), IDC_OPEN_AFTER));
}

// --- finish mode -----------------------------------------------------------------------------------

TEST_F(WizardFrame, FinishAsksThePageAndEndsWithOkOnlyWhenItAgrees)
{
    Page(3).Buttons = CWizardDialog::ButtonBack | CWizardDialog::ButtonFinish;
    ASSERT_TRUE(Frame.SetActivePage(3));
    ASSERT_TRUE(Frame.IsFinishMode());
    Log.clear();

    Page(3).FinishAnswer = FALSE;
    Next();
    EXPECT_EQ(Log, (Events{"P3:finish"}));
    EXPECT_EQ(Frame.GetResult(), -1);
    ExpectOnlyShown(3);

    Page(3).FinishAnswer = TRUE;
    Next();
    EXPECT_EQ(Log, (Events{"P3:finish", "P3:finish"}));
    EXPECT_EQ(Frame.GetResult(), IDOK);
}

TEST_F(WizardFrame, FinishModeOnAMiddlePageNeverAsksForNext)
{
    Page(1).Buttons = CWizardDialog::ButtonDisabledFinish | CWizardDialog::ButtonNext;
    Next();
    Log.clear();
    Next();
    EXPECT_EQ(Log, (Events{"P1:finish"}));
    EXPECT_EQ(Frame.GetResult(), IDOK);
}

// --- SetWizardButtons ----------------------------------------------------------------------------

TEST_F(WizardFrame, EveryFlagCombinationSetsBothButtonsAndTheText)
{
    for (DWORD flags = 0; flags < 16; ++flags)
    {
        SCOPED_TRACE("flags " + std::to_string(flags));
        Frame.SetWizardButtons(flags);
        bool finish = (flags & (CWizardDialog::ButtonFinish | CWizardDialog::ButtonDisabledFinish)) != 0;
        bool nextEnabled =
            finish ? (flags & CWizardDialog::ButtonFinish) != 0 : (flags & CWizardDialog::ButtonNext) != 0;
        EXPECT_EQ(Enabled(IDC_BACK), (flags & CWizardDialog::ButtonBack) != 0);
        EXPECT_EQ(Enabled(IDC_NEXT), nextEnabled);
        EXPECT_EQ(WindowText(Button(IDC_NEXT)), finish ? "&Finish" : "&Next >");
        EXPECT_EQ(Frame.IsFinishMode(), finish);
        EXPECT_TRUE(Enabled(IDC_CANCEL_BUTTON));
    }
}

TEST_F(WizardFrame, TheTextIsWrittenOnEveryCall)
{
    Frame.SetWizardButtons(CWizardDialog::ButtonNext);
    ::SetWindowTextA(Button(IDC_NEXT), "changed");
    Frame.SetWizardButtons(CWizardDialog::ButtonNext);
    EXPECT_EQ(WindowText(Button(IDC_NEXT)), "&Next >");
}

TEST_F(WizardFrame, DisablingTheFocusedButtonMovesTheFocusOnFirst)
{
    Frame.SetWizardButtons(CWizardDialog::ButtonBack | CWizardDialog::ButtonNext);
    ::SetFocus(Button(IDC_NEXT));
    ASSERT_EQ(::GetFocus(), Button(IDC_NEXT));
    Frame.SetWizardButtons(CWizardDialog::ButtonBack);
    EXPECT_FALSE(Enabled(IDC_NEXT));
    EXPECT_EQ(::GetFocus(), Button(IDC_CANCEL_BUTTON));

    ::SetFocus(Button(IDC_BACK));
    Frame.SetWizardButtons(CWizardDialog::ButtonNext);
    EXPECT_FALSE(Enabled(IDC_BACK));
    HWND focus = ::GetFocus();
    EXPECT_NE(focus, Button(IDC_BACK));
    EXPECT_TRUE(focus && ::IsWindowEnabled(focus));
}

TEST_F(WizardFrame, AReenabledNextShowsAsTheDefaultButtonAgain)
{
    // Disabling the focused Next hands the focus, and with it the default look, to Cancel.
    Frame.SetWizardButtons(CWizardDialog::ButtonBack | CWizardDialog::ButtonNext);
    ::SetFocus(Button(IDC_NEXT));
    Frame.SetWizardButtons(CWizardDialog::ButtonBack);
    ASSERT_EQ(::GetFocus(), Button(IDC_CANCEL_BUTTON));

    Frame.SetWizardButtons(CWizardDialog::ButtonBack | CWizardDialog::ButtonNext);
    LRESULT defaultId = ::SendMessageA(Frame, DM_GETDEFID, 0, 0);
    EXPECT_EQ(HIWORD(defaultId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defaultId), IDC_NEXT);
    EXPECT_EQ(::GetWindowLongA(Button(IDC_NEXT), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
}

// --- cancelling ----------------------------------------------------------------------------------

TEST_F(WizardFrame, EscapeCancelsTheWizardAsTheCancelButtonDoes)
{
    for (HWND focus : {::GetDlgItem(Page(0), IDC_OPEN_AFTER), Button(IDC_NEXT)})
    {
        Log.clear();
        Frame.EndDialog(-1);
        ::SetFocus(focus);
        uitest::PressKey(VK_ESCAPE);
        EXPECT_EQ(Log, (Events{"P0:cancel"}));
        EXPECT_EQ(Frame.GetResult(), IDCANCEL);
    }
}

// A double click on Next (or Back) is two clicks: the second, arriving within the double-click
// time of the page change the first made, must not go on past the page just shown.
TEST_F(WizardFrame, TheSecondHalfOfADoubleClickDoesNotGoPastTheNewPage)
{
    const auto press = [this](int id, UINT down) {
        RECT area;
        ::GetClientRect(Button(id), &area);
        const LPARAM at = MAKELPARAM(area.right / 2, area.bottom / 2);
        ::PostMessageA(Button(id), down, MK_LBUTTON, at);
        ::PostMessageA(Button(id), WM_LBUTTONUP, 0, at);
    };
    const auto doubleClick = [&](int id) {
        press(id, WM_LBUTTONDOWN);
        press(id, WM_LBUTTONDBLCLK);
        uitest::PumpMessages();
    };
    doubleClick(IDC_NEXT);
    EXPECT_EQ(Log, (Events{"P0:next", "P0:kill", "P1:set"}));
    ExpectOnlyShown(1);
    doubleClick(IDC_NEXT);  // the double-click time after the change has not passed
    ExpectOnlyShown(1);
    doubleClick(IDC_BACK);  // another button
    ExpectOnlyShown(0);

    // Later, a press is a click again; a click made by other means (the keyboard) is one at once.
    ::Sleep(::GetDoubleClickTime() + 50);
    doubleClick(IDC_NEXT);
    ExpectOnlyShown(1);
    Next();
    ExpectOnlyShown(2);
}

TEST_F(WizardFrame, CancelButtonTellsThePageAndEndsWithCancel)
{
    Next();
    Log.clear();
    Click(IDC_CANCEL_BUTTON);
    EXPECT_EQ(Log, (Events{"P1:cancel"}));
    EXPECT_EQ(Frame.GetResult(), IDCANCEL);
}

TEST_F(WizardFrame, CloseBoxAndSystemMenuCloseActAsCancel)
{
    ::SendMessageA(Frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(Log, (Events{"P0:cancel"}));
    EXPECT_EQ(Frame.GetResult(), IDCANCEL);
}

TEST_F(WizardFrame, AltF4ActsAsCancel)
{
    ::SetFocus(Button(IDC_NEXT));
    const LPARAM altDown = (1 << 29) | 1 | (::MapVirtualKeyA(VK_F4, 0) << 16);
    ::PostMessageA(Button(IDC_NEXT), WM_SYSKEYDOWN, VK_F4, altDown);
    uitest::PumpMessages();
    EXPECT_EQ(Log, (Events{"P0:cancel"}));
    EXPECT_EQ(Frame.GetResult(), IDCANCEL);
}

// --- windows going --------------------------------------------------------------------------------

TEST_F(WizardFrame, DestroyingTheFrameDestroysThePagesFirstInListOrder)
{
    Frame.DestroyWindow();
    EXPECT_EQ(Log, (Events{"P0:destroy(frame alive)", "P1:destroy(frame alive)", "P2:destroy(frame alive)",
                           "P3:destroy(frame alive)"}));
    EXPECT_EQ(Frame.GetSafeHwnd(), nullptr);
    for (int i = 0; i < PageCount; ++i)
        EXPECT_EQ(Page(i).GetSafeHwnd(), nullptr);
}

// --- system menu, icons and fonts -----------------------------------------------------------------

TEST_F(WizardFrame, SystemMenuHasNoSizeOrMaximizeAndEndsWithAbout)
{
    HMENU menu = ::GetSystemMenu(Frame, FALSE);
    ASSERT_NE(menu, nullptr);
    int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 3);
    for (int i = 0; i < count; ++i)
    {
        UINT id = ::GetMenuItemID(menu, i);
        EXPECT_NE(id, static_cast<UINT>(SC_SIZE));
        EXPECT_NE(id, static_cast<UINT>(SC_MAXIMIZE));
    }
    EXPECT_NE(::GetMenuItemID(menu, 0), static_cast<UINT>(-1));
    EXPECT_TRUE(::GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    char text[64] = "";
    ::GetMenuStringA(menu, count - 1, text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "&About Glyphcast...");
    // The Close entry is still there.
    EXPECT_NE(::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

// Runs the system menu's About command; the box found while it runs is closed with OK.
struct AboutRun
{
    bool Opened = false;
    bool FrameDisabled = false;
};

// This thread's top-level window with the given title (other test processes may show their own).
struct WindowSearch
{
    const char* Title;
    HWND Found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM data)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(data);
    if (WindowText(window) != search->Title)
        return TRUE;
    search->Found = window;
    return FALSE;
}

HWND FindThreadWindow(const char* title)
{
    WindowSearch search = {title, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), &MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

AboutRun OpenAboutFromSystemMenu(HWND frame, WPARAM command)
{
    AboutRun run;
    uitest::RunLater(
        [&] {
            HWND box = FindThreadWindow("About Glyphcast");
            run.Opened = box && ::IsWindowVisible(box);
            run.FrameDisabled = !::IsWindowEnabled(frame);
            if (box)
                ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        },
        50);
    ::SendMessageA(frame, WM_SYSCOMMAND, command, 0);
    return run;
}

TEST_F(WizardFrame, AboutEntryOpensTheAboutBoxModally)
{
    // As in the program: the wizard is the application's main window, which owns the box.
    CWinApp app;
    app.m_pMainWnd = &Frame;

    AboutRun run = OpenAboutFromSystemMenu(Frame, IDM_ABOUTBOX);
    EXPECT_TRUE(run.Opened);
    EXPECT_TRUE(run.FrameDisabled);
    EXPECT_EQ(FindThreadWindow("About Glyphcast"), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(Frame));

    // The low four bits of a system command are the platform's own: the About box still opens.
    run = OpenAboutFromSystemMenu(Frame, IDM_ABOUTBOX | 0x3);
    EXPECT_TRUE(run.Opened);

    EXPECT_EQ(Frame.GetResult(), -1);
    EXPECT_TRUE(Log.empty());
    ExpectOnlyShown(0);
    app.m_pMainWnd = nullptr;
}

TEST_F(WizardFrame, CarriesTheProgramIconLargeAndSmall)
{
    HICON big = reinterpret_cast<HICON>(::SendMessageA(Frame, WM_GETICON, ICON_BIG, 0));
    HICON small = reinterpret_cast<HICON>(::SendMessageA(Frame, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(big, Frame.GetLargeIcon());
    EXPECT_EQ(small, Frame.GetSmallIcon());
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(Frame, WM_QUERYDRAGICON, 0, 0)), small);

    ICONINFO info;
    ASSERT_TRUE(::GetIconInfo(big, &info));
    BITMAP bitmap;
    ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetrics(SM_CXICON));
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    ASSERT_TRUE(::GetIconInfo(small, &info));
    ::GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetrics(SM_CXSMICON));
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
}

// A frame that counts the icon-background erasures its minimised painting asks for.
class CCountingFrame : public CWizardDialog
{
public:
    CCountingFrame() : CWizardDialog(IDD_WIZARD) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_ICONERASEBKGND)
            ++IconErasures;
        return CWizardDialog::WindowProc(message, wParam, lParam);
    }
    int IconErasures = 0;
};

TEST(WizardFrameIcon, OnlyTheMinimisedFramePaintsItsIcon)
{
    CCountingFrame frame;
    ASSERT_TRUE(frame.Create(IDD_WIZARD, nullptr));
    frame.ShowWindow(SW_SHOW);
    ::RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::SendMessageA(frame, WM_PAINT, 0, 0);
    EXPECT_EQ(frame.IconErasures, 0);

    frame.ShowWindow(SW_MINIMIZE);
    uitest::PumpMessages();
    if (!::IsIconic(frame))
    {
        frame.DestroyWindow();
        GTEST_SKIP() << "the window could not be minimised here";
    }
    // Painting the minimised frame erases the icon's background once and draws the icon.
    frame.IconErasures = 0;
    ::SendMessageA(frame, WM_PAINT, 0, 0);
    EXPECT_EQ(frame.IconErasures, 1);
    frame.DestroyWindow();
}

TEST(WizardFrameFonts, TitleFontIsTheBoldMessageFontAtTwelvePoints)
{
    CWizardDialog frame(IDD_WIZARD);
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof(metrics);
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);

    LOGFONTA title = {};
    LOGFONTA bold = {};
    ASSERT_NE(frame.GetTitleFont(), nullptr);
    ASSERT_NE(frame.GetBoldFont(), nullptr);
    ASSERT_EQ(::GetObjectA(frame.GetTitleFont(), sizeof(title), &title), static_cast<int>(sizeof(title)));
    ASSERT_EQ(::GetObjectA(frame.GetBoldFont(), sizeof(bold), &bold), static_cast<int>(sizeof(bold)));

    EXPECT_EQ(title.lfWeight, FW_BOLD);
    EXPECT_EQ(bold.lfWeight, FW_BOLD);
    EXPECT_STREQ(title.lfFaceName, metrics.lfMessageFont.lfFaceName);
    EXPECT_STREQ(bold.lfFaceName, metrics.lfMessageFont.lfFaceName);
    EXPECT_EQ(bold.lfHeight, metrics.lfMessageFont.lfHeight);
    EXPECT_EQ(title.lfItalic, metrics.lfMessageFont.lfItalic);
    if (dpi == 96)
    {
        EXPECT_EQ(title.lfHeight, -16);
    }
    else if (dpi == 120)
    {
        EXPECT_EQ(title.lfHeight, -20);
    }
    EXPECT_EQ(title.lfHeight, -(dpi * 12 / 72));
}

TEST(WizardFrameFonts, TheFrameReleasesItsIconsAndFonts)
{
    HFONT title = nullptr;
    HFONT bold = nullptr;
    HICON big = nullptr;
    HICON small = nullptr;
    {
        CWizardDialog frame(IDD_WIZARD);
        title = frame.GetTitleFont();
        bold = frame.GetBoldFont();
        big = frame.GetLargeIcon();
        small = frame.GetSmallIcon();
        ASSERT_EQ(::GetObjectType(title), static_cast<DWORD>(OBJ_FONT));
        ASSERT_EQ(::GetObjectType(bold), static_cast<DWORD>(OBJ_FONT));
        ICONINFO info;
        ASSERT_TRUE(::GetIconInfo(big, &info));
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
    EXPECT_EQ(::GetObjectType(title), 0u);
    EXPECT_EQ(::GetObjectType(bold), 0u);
    EXPECT_FALSE(::DestroyIcon(big));
    EXPECT_FALSE(::DestroyIcon(small));
}

}  // namespace
