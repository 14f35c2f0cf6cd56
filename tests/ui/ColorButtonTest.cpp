// The colour button and its grid popup, driven through their messages: keyboard and mouse, the
// outcome and its order as the parent hears it, placement on the screen, and the drawn pixels.
#include <gtest/gtest.h>

#include <malloc.h>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "controls/ColorButton.h"
#include "tests/ui/UiTestSupport.h"

namespace
{
const COLORREF Unlisted = RGB(1, 2, 3);  // in no cell: the Other cell is the selected one
const int M = ::GetSystemMetrics(SM_CXEDGE), OTHER = -2, NONE = -1;

// The colour messages as "name colour" (0xBBGGRR): what the grid told the button, and what the
// button told its parent (with "@id" added).
std::string ToButton, ToParent;

void Record(std::string& log, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const char* const names[] = {"track", "dropdown", "closeup", "accept", "cancel"};
    char entry[48] = "";
    if (message >= WM_COLOR_TRACK && message <= WM_COLOR_CANCEL)
        std::snprintf(entry, sizeof entry, lParam ? "%s %06lx@%ld " : "%s %06lx ", names[message - WM_COLOR_TRACK],
                      static_cast<unsigned long>(wParam), static_cast<long>(lParam));
    log += entry;
}

class RecordingButton : public CColorButton
{
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        Record(ToButton, message, wParam, lParam);
        return CColorButton::WindowProc(message, wParam, lParam);
    }
};

void Key(HWND popup, UINT key)
{
    ::SendMessageA(popup, WM_KEYDOWN, key, 1);
}

// Moves the pointer over a cell (the capture sends every move to the popup); NONE moves nothing.
void Hover(HWND popup, int index)
{
    const int x = index == OTHER ? 50 : M + 24 * (index % 4) + 12;
    const int y = index == OTHER ? M + 4 * 24 + 8 : M + 24 * (index / 4) + 12;
    if (index != NONE)
        ::SendMessageA(popup, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

// A borderless dialog over the whole screen: an edit, which has the focus, and colour button 1019.
class Host : public CDialog
{
public:
    explicit Host(CRect button = CRect(40, 40, 115, 60))
    {
        uitest::DialogTemplate t(WS_POPUP | WS_VISIBLE | DS_SETFONT, 50, 20);
        t.Add("EDIT", "", 100, WS_TABSTOP, 0, 0, 20, 10).Add("BUTTON", "", 1019, BS_OWNERDRAW, 0, 10, 50, 12);
        ToButton = ToParent = "";
        CreateIndirect(t.Get());
        MoveWindow(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
        Button.SubclassDlgItem(1019, this);
        Button.MoveWindow(button);
        ::SetForegroundWindow(m_hWnd);
        GetDlgItem(100)->SetFocus();
        uitest::PumpMessages();
    }
    // Records; when asked, the application loses activation while the close-up is reported.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        Record(ToParent, message, wParam, lParam);
        if (message == WM_COLOR_CLOSEUP && DeactivateOnCloseUp)
            ::SendMessageA(std::exchange(DeactivateOnCloseUp, nullptr), WM_ACTIVATEAPP, FALSE, 0);
        return CDialog::WindowProc(message, wParam, lParam);
    }
    // Clicks the button with its colour set, then points at a cell; the popup that opened (it
    // holds the capture), or null.
    HWND Open(COLORREF color, int hot = NONE)
    {
        Button.Color = color;
        SendMessage(WM_COMMAND, MAKEWPARAM(1019, BN_CLICKED), reinterpret_cast<LPARAM>(Button.m_hWnd));
        HWND popup = ::GetCapture() != Button.m_hWnd ? ::GetCapture() : nullptr;
        Hover(popup, hot);
        return popup;
    }
    RecordingButton Button;
    HWND DeactivateOnCloseUp = nullptr;
};

COLORREF Pixel(HWND window, int x, int y)
{
    return ::GetPixel(CClientDC(window), x, y);
}

// The colour dialog's stand-in: checks its initial colour, may deactivate the application, answers.
INT_PTR DialogAnswer = IDOK;
HWND DeactivateDuringDialog = nullptr;
INT_PTR FakeColorDialog(CColorDialog& dialog)
{
    EXPECT_EQ(dialog.m_cc.rgbResult, Unlisted);  // the popup's initial colour, not the last hot one
    if (DeactivateDuringDialog)
        ::SendMessageA(DeactivateDuringDialog, WM_ACTIVATEAPP, FALSE, 0);
    dialog.m_cc.rgbResult = RGB(10, 20, 30);
    return DialogAnswer;
}

LRESULT CALLBACK RefuseWindows(int code, WPARAM, LPARAM)
{
    return code == HCBT_CREATEWND ? 1 : 0;
}

// Bytes the runtime's heap holds for the program.
long long HeapInUse()
{
    _HEAPINFO entry = {};
    long long used = 0;
    while (_heapwalk(&entry) == _HEAPOK)
        used += entry._useflag == _USEDENTRY ? static_cast<long long>(entry._size) : 0;
    return used;
}
}  // namespace

TEST(ColorGrid, ArrowKeysFollowTheTable)
{
    const struct
    {
        int From;
        UINT Key;
        int To;
    } table[] = {
        {NONE, VK_DOWN, OTHER}, {NONE, VK_UP, OTHER}, {NONE, VK_LEFT, OTHER}, {NONE, VK_RIGHT, OTHER},
        {OTHER, VK_DOWN, 0},    {OTHER, VK_RIGHT, 0}, {OTHER, VK_UP, 15},     {OTHER, VK_LEFT, 15},
        {13, VK_DOWN, OTHER},   {1, VK_UP, OTHER},    {15, VK_RIGHT, OTHER},  {0, VK_LEFT, OTHER},
        {5, VK_DOWN, 9},        {9, VK_UP, 5},        {3, VK_RIGHT, 4},       {4, VK_LEFT, 3},
        {6, VK_LEFT, 5},
    };
    Host host;
    for (const auto& step : table)
    {
        HWND popup = host.Open(Unlisted, step.From);
        ToButton.clear();
        Key(popup, step.Key);
        char track[24];
        std::snprintf(track, sizeof track, "track %06lx ",
                      step.To == OTHER ? Unlisted : CColorGrid::GridColors[step.To]);
        EXPECT_EQ(ToButton, track) << "from " << step.From << " key " << step.Key;
        Key(popup, VK_ESCAPE);
    }
}

TEST(ColorButton, OpensOnEachClickAndTheParentHearsHowThePopupEnded)
{
    Host host;
    host.Button.Color = Unlisted;
    host.Button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // a plain release opens nothing
    host.Button.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(host.Button.GetState() & BST_PUSHED);
    EXPECT_EQ(ToParent, "");
    host.Button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // a double click's release is a click
    EXPECT_FALSE(host.Button.GetState() & BST_PUSHED);
    Key(::GetCapture(), VK_RETURN);  // nothing hot yet: the initial colour is accepted
    Key(host.Open(Unlisted, 4), VK_ESCAPE);
    ::SendMessageA(host.Open(RGB(0, 0, 0), 7), WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(ToParent, "dropdown 030201@1019 closeup 030201@1019 accept 030201@1019 "
                        "dropdown 030201@1019 closeup 030201@1019 cancel 030201@1019 "
                        "dropdown 000000@1019 closeup 000000@1019 cancel 000000@1019 ");

    // A release anywhere in the popup (a margin too) accepts; outside it cancels. The application
    // losing activation while the parent hears the outcome does not end the popup a second time.
    for (bool inside : {true, false})
    {
        HWND popup = host.DeactivateOnCloseUp = host.Open(Unlisted, 12);
        ToParent.clear();
        CRect window;
        ::GetWindowRect(popup, &window);
        ::SetCursorPos(inside ? window.left : window.right, window.top);
        ::PostMessageA(popup, WM_LBUTTONUP, 0, 0);
        uitest::PumpMessages();
        EXPECT_EQ(ToParent,
                  inside ? "closeup ff0000@1019 accept ff0000@1019 " : "closeup 030201@1019 cancel 030201@1019 ");
        EXPECT_EQ(host.Button.Color, inside ? RGB(0, 0, 255) : Unlisted);
        EXPECT_FALSE(::IsWindow(popup));
    }
}

TEST(ColorGrid, OtherCellRunsTheColourDialog)
{
    const struct
    {
        INT_PTR Answer;
        bool Deactivate;
        const char* Seen;
    } cases[] = {
        {IDOK, false, "track 030201 accept 1e140a "},
        {IDCANCEL, false, "track 030201 cancel 030201 "},
        // Leaving the application while the dialog runs cancels at once; the dialog's answer follows.
        {IDOK, true, "track 030201 cancel 030201 accept 1e140a "},
    };
    Host host;
    CColorDialog::DoModalHook = &FakeColorDialog;
    for (const auto& c : cases)
    {
        DialogAnswer = c.Answer;
        HWND popup = host.Open(Unlisted, 4);
        DeactivateDuringDialog = c.Deactivate ? popup : nullptr;
        ToButton.clear();
        Hover(popup, OTHER);  // it reports the initial colour
        Key(popup, VK_SPACE);
        EXPECT_EQ(ToButton, c.Seen);
        EXPECT_FALSE(::IsWindow(popup));
    }
    CColorDialog::DoModalHook = nullptr;
}

// The real dialog, not its stand-in: while it is open, the window the button lives in takes no
// input, as under any modal dialog, and it takes input again once the dialog is gone.
TEST(ColorGrid, TheColourDialogDisablesTheWindowTheButtonIsIn)
{
    Host host;
    CColorDialog::DoModalHook = nullptr;
    HWND popup = host.Open(Unlisted, 4);
    Hover(popup, OTHER);
    bool seen = false, hostEnabled = true;
    int tries = 0;
    std::function<void()> answer = [&] {
        // The dialog the popup owns, once it is up (found by its title should it not be active).
        HWND dialog = ::GetLastActivePopup(popup);
        if (dialog == popup)
            dialog = ::FindWindowA("#32770", "Color");
        if (!dialog || !::IsWindowVisible(dialog))
        {
            if (++tries < 500)
                uitest::RunLater(answer, 20);
            return;
        }
        seen = true;
        hostEnabled = ::IsWindowEnabled(host) != FALSE;
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    uitest::RunLater(answer, 20);
    Key(popup, VK_SPACE);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(hostEnabled);
    EXPECT_TRUE(::IsWindowEnabled(host));
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_EQ(host.Button.Color, Unlisted);
}

TEST(ColorGrid, PlacedBelowTheButtonAndKeptOnTheScreen)
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    auto placed = [](CRect button) {
        Host host(button);
        HWND popup = host.Open(RGB(0, 0, 0));
        CRect r;
        ::GetWindowRect(popup, &r);
        Key(popup, VK_ESCAPE);
        return r;
    };
    EXPECT_EQ(placed(CRect(40, 40, 115, 60)).TopLeft(), CPoint(40, 60));
    EXPECT_EQ(placed(CRect(width - 30, 40, width, 60)).right, width);
    EXPECT_EQ(placed(CRect(40, height - 30, 115, height - 10)).bottom, height - 30);  // above the button
    EXPECT_EQ(placed(CRect(40, 60, 115, height - 10)).top, 0);  // too tall a button for either side
}

TEST(ColorButton, DrawsSwatchPressedAndAtOnceAfterAChoiceAndTheGridItsSelectedCellSunken)
{
    Host host;
    HWND button = host.Button.m_hWnd;
    host.Button.Color = RGB(200, 30, 60);
    ::RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Pixel(button, 5, 5), RGB(0, 0, 0));  // the swatch's frame
    EXPECT_EQ(Pixel(button, 20, 10), RGB(200, 30, 60));
    host.Button.SetState(TRUE);
    ::UpdateWindow(button);
    EXPECT_NE(Pixel(button, 5, 5), RGB(0, 0, 0));  // pressed: one pixel right and down
    EXPECT_EQ(Pixel(button, 6, 6), RGB(0, 0, 0));
    host.Button.SetState(FALSE);

    HWND popup = host.Open(RGB(0, 0, 0));  // black: the second cell is the selected one, sunken
    ::UpdateWindow(popup);
    const int x = M + 24, y = M + 10;
    EXPECT_EQ(Pixel(popup, x, y), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(popup, x + 23, y), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Pixel(popup, x + 12, y + 2), RGB(0, 0, 0));        // its swatch
    EXPECT_EQ(Pixel(popup, M + 12, y + 2), RGB(255, 255, 255));  // the first cell's

    // The focus stays on the edit, so nothing else would draw the button again.
    Hover(popup, 9);
    Key(popup, VK_RETURN);
    EXPECT_EQ(Pixel(button, 20, 10), RGB(0, 128, 0));
}

TEST(ColorButton, PopupThatCannotBeCreatedIsFreedAndNotReported)
{
    Host host;
    const long long before = HeapInUse();
    HHOOK hook = ::SetWindowsHookExA(WH_CBT, &RefuseWindows, nullptr, ::GetCurrentThreadId());
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(host.Open(RGB(0, 0, 0)), nullptr);
    ::UnhookWindowsHookEx(hook);
    EXPECT_EQ(ToParent, "");
    EXPECT_LT(HeapInUse() - before, static_cast<long long>(50 * sizeof(CColorGrid) / 2));
}
