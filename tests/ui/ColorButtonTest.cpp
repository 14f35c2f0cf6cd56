// The colour button and its grid popup, driven through their messages: keyboard and mouse, the
// outcome and its order as the parent hears it, placement on the screen, and the drawn pixels.
#include <gtest/gtest.h>

#include <malloc.h>
#include <cstdio>
#include <string>

#include "controls/ColorButton.h"
#include "tests/ui/UiTestSupport.h"

namespace
{
const int ID_BUTTON = 1019;
const COLORREF Unlisted = RGB(1, 2, 3);  // in no cell: the Other cell is the selected one
const int M = ::GetSystemMetrics(SM_CXEDGE);
const int OTHER = -2;

// The colour messages as "name colour" (0xBBGGRR): what the grid told the button, and what the
// button told its parent (with "@id" added).
std::string ToButton, ToParent;

void Record(std::string& log, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const char* const names[] = { "track", "dropdown", "closeup", "accept", "cancel" };
    char entry[48] = "";
    if (message >= WM_COLOR_TRACK && message <= WM_COLOR_CANCEL)
        std::snprintf(entry, sizeof entry, lParam ? "%s %06lx@%ld " : "%s %06lx ", names[message - WM_COLOR_TRACK],
                      static_cast<unsigned long>(wParam), static_cast<long>(lParam));
    if (message == WM_COMMAND && HIWORD(wParam) == BN_DOUBLECLICKED)  // must not reach the parent either
        std::snprintf(entry, sizeof entry, "double-click ");
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

// A borderless dialog over the whole screen: an edit, which has the focus, and the colour button.
class Host : public CDialog
{
public:
    explicit Host(CRect button = CRect(40, 40, 115, 60))
    {
        uitest::DialogTemplate t(WS_POPUP | WS_VISIBLE | DS_SETFONT, 50, 20);
        t.Add("EDIT", "", 100, WS_TABSTOP, 0, 0, 20, 10).Add("BUTTON", "", ID_BUTTON, BS_OWNERDRAW, 0, 10, 50, 12);
        ToButton.clear();
        ToParent.clear();
        CreateIndirect(t.Get());
        MoveWindow(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
        Button.SubclassDlgItem(ID_BUTTON, this);
        Button.MoveWindow(button);
        ::SetForegroundWindow(m_hWnd);
        GetDlgItem(100)->SetFocus();
        uitest::PumpMessages();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        Record(ToParent, message, wParam, lParam);
        return CDialog::WindowProc(message, wParam, lParam);
    }
    // Clicks the button with its colour set; the popup that opened (it holds the capture), or null.
    HWND Click(COLORREF color)
    {
        Button.Color = color;
        SendMessage(WM_COMMAND, MAKEWPARAM(ID_BUTTON, BN_CLICKED), reinterpret_cast<LPARAM>(Button.m_hWnd));
        return ::GetCapture() != Button.m_hWnd ? ::GetCapture() : nullptr;
    }
    RecordingButton Button;
};

void Key(HWND popup, UINT key)
{
    ::SendMessageA(popup, WM_KEYDOWN, key, 1);
}

// Moves the pointer over a cell (the capture sends every move to the popup).
void Hover(HWND popup, int index)
{
    const int x = index == OTHER ? 50 : M + 24 * (index % 4) + 12;
    const int y = index == OTHER ? M + 4 * 24 + 8 : M + 24 * (index / 4) + 12;
    if (index != -1)
        ::SendMessageA(popup, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

COLORREF Pixel(HWND window, int x, int y)
{
    HDC dc = ::GetDC(window);
    COLORREF colour = ::GetPixel(dc, x, y);
    ::ReleaseDC(window, dc);
    return colour;
}

// The colour dialog's stand-in: checks what it was given, may deactivate the application, answers.
INT_PTR DialogAnswer = IDOK;
const COLORREF DialogChoice = RGB(10, 20, 30);
HWND DeactivateDuringDialog = nullptr;
INT_PTR FakeColorDialog(CColorDialog& dialog)
{
    EXPECT_EQ(dialog.m_cc.Flags & 0x0102u, 0x0102u);  // full open, any colour
    EXPECT_EQ(dialog.m_cc.rgbResult, Unlisted);       // the initial colour, not the last hot one
    if (DeactivateDuringDialog)
        ::SendMessageA(DeactivateDuringDialog, WM_ACTIVATEAPP, FALSE, 0);
    dialog.m_cc.rgbResult = DialogChoice;
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
    const int none = -1;
    const struct { int From; UINT Key; int To; } table[] = {
        { none, VK_DOWN, OTHER }, { none, VK_UP, OTHER }, { none, VK_LEFT, OTHER }, { none, VK_RIGHT, OTHER },
        { OTHER, VK_DOWN, 0 }, { OTHER, VK_RIGHT, 0 }, { OTHER, VK_UP, 15 }, { OTHER, VK_LEFT, 15 },
        { 13, VK_DOWN, OTHER }, { 1, VK_UP, OTHER }, { 15, VK_RIGHT, OTHER }, { 0, VK_LEFT, OTHER },
        { 5, VK_DOWN, 9 }, { 9, VK_UP, 5 }, { 3, VK_RIGHT, 4 }, { 4, VK_LEFT, 3 }, { 6, VK_LEFT, 5 },
    };
    Host host;
    for (const auto& step : table)
    {
        HWND popup = host.Click(Unlisted);
        Hover(popup, step.From);
        ToButton.clear();
        Key(popup, step.Key);
        char track[24];
        const COLORREF colour = step.To == OTHER ? Unlisted : CColorGrid::GridColors[step.To];
        std::snprintf(track, sizeof track, "track %06lx ", static_cast<unsigned long>(colour));
        EXPECT_EQ(ToButton, track) << "from " << step.From << " key " << step.Key;
        Key(popup, VK_ESCAPE);
    }
}

TEST(ColorGrid, EnterEscapeReleaseAndDeactivationEndItAndTheParentHears)
{
    Host host;
    Key(host.Click(Unlisted), VK_RETURN);  // nothing hot yet: the initial colour is accepted
    HWND popup = host.Click(Unlisted);
    Hover(popup, 4);
    Hover(popup, 6);
    Hover(popup, 6);  // the same cell again reports nothing
    Key(popup, VK_ESCAPE);
    popup = host.Click(RGB(0, 0, 0));
    Hover(popup, 7);
    ::SendMessageA(popup, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(ToButton, "accept 030201 track 0000ff track 00ffff cancel 030201 track 008080 cancel 000000 ");
    EXPECT_FALSE(::IsWindow(popup));
    EXPECT_EQ(ToParent, "dropdown 030201@1019 closeup 030201@1019 accept 030201@1019 "
                        "dropdown 030201@1019 closeup 030201@1019 cancel 030201@1019 "
                        "dropdown 000000@1019 closeup 000000@1019 cancel 000000@1019 ");

    // A release anywhere in the popup (a margin too) accepts; outside it cancels.
    for (bool inside : { true, false })
    {
        popup = host.Click(Unlisted);
        Hover(popup, 12);
        ToParent.clear();
        CRect window;
        ::GetWindowRect(popup, &window);
        ::SetCursorPos(inside ? window.left : window.right, window.top);
        ::PostMessageA(popup, WM_LBUTTONUP, 0, 0);
        uitest::PumpMessages();
        EXPECT_EQ(ToParent, inside ? "closeup ff0000@1019 accept ff0000@1019 "
                                   : "closeup 030201@1019 cancel 030201@1019 ");
        EXPECT_EQ(host.Button.Color, inside ? RGB(0, 0, 255) : Unlisted);
        EXPECT_FALSE(::IsWindow(popup));
    }
}

TEST(ColorGrid, OtherCellRunsTheColourDialog)
{
    const struct { INT_PTR Answer; bool Deactivate; const char* Seen; } cases[] = {
        { IDOK, false, "track 030201 accept 1e140a " },
        { IDCANCEL, false, "track 030201 cancel 030201 " },
        // Leaving the application while the dialog runs cancels at once; the dialog's answer follows.
        { IDOK, true, "track 030201 cancel 030201 accept 1e140a " },
    };
    Host host;
    CColorDialog::DoModalHook = &FakeColorDialog;
    for (const auto& c : cases)
    {
        DialogAnswer = c.Answer;
        HWND popup = host.Click(Unlisted);
        DeactivateDuringDialog = c.Deactivate ? popup : nullptr;
        Hover(popup, 4);
        ToButton.clear();
        Hover(popup, OTHER);  // it reports the initial colour
        Key(popup, VK_SPACE);
        EXPECT_EQ(ToButton, c.Seen);
        EXPECT_FALSE(::IsWindow(popup));
        EXPECT_EQ(host.Button.Color, c.Answer == IDOK ? DialogChoice : Unlisted);
    }
    CColorDialog::DoModalHook = nullptr;
}

TEST(ColorGrid, PlacedBelowTheButtonAndKeptOnTheScreen)
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    auto placed = [](CRect button) {
        Host host(button);
        HWND popup = host.Click(RGB(0, 0, 0));
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

TEST(ColorGrid, SelectedCellIsSunkenAndHotCellRaised)
{
    Host host;
    HWND popup = host.Click(RGB(0, 0, 0));  // black: the second cell is the selected one
    ::UpdateWindow(popup);
    const int x = M + 24, y = M + 10;
    EXPECT_EQ(Pixel(popup, x, y), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(popup, x + 23, y), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Pixel(popup, x + 1, y), ::GetSysColor(COLOR_BTNHIGHLIGHT));  // its fill
    EXPECT_EQ(Pixel(popup, x + 12, y + 2), RGB(0, 0, 0));                  // its swatch
    EXPECT_EQ(Pixel(popup, M + 12, y + 2), RGB(255, 255, 255));            // the first cell's
    Hover(popup, 1);
    EXPECT_EQ(Pixel(popup, x, y), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Pixel(popup, x + 23, y), ::GetSysColor(COLOR_BTNSHADOW));
    Key(popup, VK_ESCAPE);

    popup = host.Click(Unlisted);  // the Other cell is selected: sunken, with a lighter fill
    ::UpdateWindow(popup);
    const int otherY = M + 4 * 24 + 2 * M + 8;
    EXPECT_EQ(Pixel(popup, M + 1, otherY), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(popup, M + 2, otherY), ::GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(Pixel(popup, x, y), ::GetSysColor(COLOR_BTNFACE));  // and no colour cell is
    Key(popup, VK_ESCAPE);
}

TEST(ColorButton, SecondClickOfADoubleClickIsOneMoreClick)
{
    Host host;
    host.Button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));  // a plain release opens nothing
    host.Button.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(host.Button.GetState() & BST_PUSHED);
    EXPECT_EQ(ToParent, "");
    host.Button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(host.Button.GetState() & BST_PUSHED);
    EXPECT_EQ(ToParent, "dropdown 000000@1019 ");
    Key(::GetCapture(), VK_ESCAPE);
}

TEST(ColorButton, DrawsSwatchPressedDisabledAndAtOnceAfterAChoice)
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

    // The focus stays on the edit, so nothing else would draw the button again.
    HWND popup = host.Click(host.Button.Color);
    Hover(popup, 9);
    Key(popup, VK_RETURN);
    EXPECT_EQ(Pixel(button, 20, 10), RGB(0, 128, 0));

    host.Button.EnableWindow(FALSE);
    ::UpdateWindow(button);
    EXPECT_EQ(Pixel(button, 20, 10), ::GetSysColor(COLOR_BTNFACE));  // no swatch
}

TEST(ColorButton, PopupThatCannotBeCreatedIsFreedAndNotReported)
{
    Host host;
    const int attempts = 50;
    const long long before = HeapInUse();
    HHOOK hook = ::SetWindowsHookExA(WH_CBT, &RefuseWindows, nullptr, ::GetCurrentThreadId());
    for (int i = 0; i < attempts; ++i)
        EXPECT_EQ(host.Click(RGB(0, 0, 0)), nullptr);
    ::UnhookWindowsHookEx(hook);
    EXPECT_EQ(ToParent, "");
    EXPECT_LT(HeapInUse() - before, static_cast<long long>(attempts * sizeof(CColorGrid) / 2));
}
