// The link label: its colouring, cursor, the press that opens it, and the clipboard fallback.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "controls/AboutDlg.h"
#include "res/resource.h"

namespace
{

// Runs every message waiting for this thread, a few times over so that paints settle.
void Pump()
{
    for (int round = 0; round < 5; ++round)
    {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        ::Sleep(10);
    }
}

// What the link handed to the shell, and what the shell is to answer.
struct ShellCall
{
    HWND Owner;
    std::string Verb;
    std::string File;
    bool HasParameters;
    bool HasDirectory;
    INT Show;
};
std::vector<ShellCall> ShellCalls;
ULONG_PTR ShellAnswer = 42;

HINSTANCE WINAPI FakeShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show)
{
    ShellCalls.push_back(
        {owner, verb ? verb : "", file ? file : "", parameters != nullptr, directory != nullptr, show});
    return reinterpret_cast<HINSTANCE>(ShellAnswer);
}

void PutClipboardText(HWND owner, const char* text)
{
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    const size_t size = strlen(text) + 1;
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(::GlobalLock(block), text, size);
    ::GlobalUnlock(block);
    ::SetClipboardData(CF_TEXT, block);
    ::CloseClipboard();
}

std::string ClipboardText()
{
    std::string text = "<no text>";
    if (!::OpenClipboard(nullptr))
        return "<clipboard busy>";
    if (HANDLE block = ::GetClipboardData(CF_TEXT))
    {
        text = static_cast<const char*>(::GlobalLock(block));
        ::GlobalUnlock(block);
    }
    ::CloseClipboard();
    return text;
}

// The About box opened modeless, with access to its link.
class AboutHost : public CAboutDlg
{
public:
    using CAboutDlg::Link;
};

class HyperLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ShellCalls.clear();
        ShellAnswer = 42;
        CHyperLink::ShellExecuteHook = FakeShellExecute;
        ASSERT_TRUE(Box.Create(IDD_ABOUTBOX));
        Box.ShowWindow(SW_SHOW);
        Box.UpdateWindow();
        Pump();
        ASSERT_NE(Box.Link.m_hWnd, nullptr) << "the link is bound to control 1003";
        Box.Link.GetWindowText(Text);
    }
    void TearDown() override
    {
        Box.DestroyWindow();
        CHyperLink::ShellExecuteHook = ::ShellExecuteA;
    }

    // Asks the box for the colours of a static control, as the control does before painting.
    HBRUSH ColourFor(HWND control, HDC dc)
    {
        return reinterpret_cast<HBRUSH>(
            Box.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    }

    // Sends real mouse input at a point of the link (client coordinates).
    void MouseAt(int x, int y, DWORD flags)
    {
        POINT point = {x, y};
        ::ClientToScreen(Box.Link.m_hWnd, &point);
        ::SetCursorPos(point.x, point.y);
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = flags;
        if (flags)
            ::SendInput(1, &input, sizeof input);
        Pump();
    }

    AboutHost Box;
    CString Text;
};

TEST_F(HyperLinkTest, ColouringIsBlueUnderlinedOnATransparentBackground)
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ originalFont = ::GetCurrentObject(dc, OBJ_FONT);

    EXPECT_EQ(ColourFor(Box.Link.m_hWnd, dc), ::GetStockObject(NULL_BRUSH));
    EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 255));
    EXPECT_EQ(::GetBkMode(dc), TRANSPARENT);

    // The font selected for the text is the dialog's font with underlining, and nothing else changed.
    HGDIOBJ font = ::GetCurrentObject(dc, OBJ_FONT);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, Box.Link.UnderlineFont.GetSafeHandle());
    LOGFONTA underlined = {}, dialog = {};
    ASSERT_TRUE(::GetObjectA(font, sizeof underlined, &underlined));
    ASSERT_TRUE(::GetObjectA(Box.GetFont(), sizeof dialog, &dialog));
    EXPECT_EQ(underlined.lfUnderline, 1);
    EXPECT_EQ(dialog.lfUnderline, 0);
    EXPECT_EQ(underlined.lfHeight, dialog.lfHeight);
    EXPECT_EQ(underlined.lfWeight, dialog.lfWeight);
    EXPECT_STREQ(underlined.lfFaceName, dialog.lfFaceName);

    // The font is made once per control, not once per paint.
    EXPECT_EQ(ColourFor(Box.Link.m_hWnd, dc), ::GetStockObject(NULL_BRUSH));
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font);

    ::SelectObject(dc, originalFont);
    ::DeleteDC(dc);
}

TEST_F(HyperLinkTest, OnlyTextStaticsAreColouredAsLinks)
{
    struct Case
    {
        DWORD Style;
        bool Coloured;
    };
    const Case cases[] = {{SS_LEFT, true},
                          {SS_CENTER, true},
                          {SS_RIGHT, true},
                          {SS_ICON, false},
                          {SS_BLACKRECT, false},
                          {SS_SIMPLE, false},
                          {SS_LEFT | SS_NOTIFY | SS_SUNKEN, true}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "style 0x" << std::hex << c.Style);
        HWND control = ::CreateWindowExA(0, "STATIC", "x", WS_CHILD | WS_VISIBLE | c.Style, 0, 0, 40, 10, Box.m_hWnd,
                                         nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(control, nullptr);
        HDC dc = ::CreateCompatibleDC(nullptr);
        // What the dialog itself answers for this control, before the link takes it over.
        ::SetTextColor(dc, RGB(1, 2, 3));
        const HBRUSH parentBrush = ColourFor(control, dc);
        const COLORREF parentText = ::GetTextColor(dc);

        CHyperLink link;
        ASSERT_TRUE(link.SubclassWindow(control));
        ::SetTextColor(dc, RGB(1, 2, 3));
        const HBRUSH brush = ColourFor(control, dc);
        if (c.Coloured)
        {
            EXPECT_EQ(brush, ::GetStockObject(NULL_BRUSH));
            EXPECT_EQ(::GetTextColor(dc), RGB(0, 0, 255));
            EXPECT_NE(link.UnderlineFont.GetSafeHandle(), nullptr);
        }
        else
        {
            // The parent's colouring applies, and no font is made.
            EXPECT_EQ(brush, parentBrush);
            EXPECT_EQ(::GetTextColor(dc), parentText);
            EXPECT_EQ(link.UnderlineFont.GetSafeHandle(), nullptr);
        }
        ::DeleteDC(dc);
        link.DestroyWindow();
    }
}

TEST_F(HyperLinkTest, PaintedTextIsBlueAndUnderlinedOnTheDialogFace)
{
    Box.Link.Invalidate();
    Box.Link.UpdateWindow();
    Pump();
    RECT client;
    Box.Link.GetClientRect(&client);
    HDC dc = ::GetDC(Box.Link.m_hWnd);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    ASSERT_NE(face, RGB(255, 255, 255)) << "a white face colour would hide a painted background";
    int blue = 0, white = 0, other = 0, longestBlueRun = 0, leftmost = client.right, rightmost = -1;
    for (int y = 0; y < client.bottom; ++y)
    {
        int run = 0;
        for (int x = 0; x < client.right; ++x)
        {
            const COLORREF pixel = ::GetPixel(dc, x, y);
            if (pixel == RGB(0, 0, 255))
            {
                ++blue;
                longestBlueRun = std::max(longestBlueRun, ++run);
                leftmost = std::min(leftmost, x);
                rightmost = std::max(rightmost, x);
            }
            else
            {
                run = 0;
                if (pixel == RGB(255, 255, 255))
                    ++white;
                else if (pixel != face)
                    ++other;  // smoothed edges of the glyphs
            }
        }
    }
    ::ReleaseDC(Box.Link.m_hWnd, dc);

    ASSERT_GT(blue, 0) << "the text is drawn in pure blue";
    // An underline is one unbroken blue line under the whole text.
    EXPECT_GE(longestBlueRun, (rightmost - leftmost + 1) * 9 / 10);
    // No brush is painted behind the text: what is not text is the dialog's face colour.
    const int area = client.right * client.bottom;
    EXPECT_GT(area - blue - other - white, area / 2);
    EXPECT_EQ(white, 0);
}

TEST_F(HyperLinkTest, PointerOverTheLinkIsTheHandFromTheResources)
{
    ASSERT_NE(Box.Link.LinkCursor, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(Box.Link.LinkCursor, &info));
    EXPECT_FALSE(info.fIcon);
    const int size = ::GetSystemMetrics(SM_CXCURSOR);
    EXPECT_EQ(static_cast<int>(info.xHotspot), 6 * size / 32);
    EXPECT_EQ(static_cast<int>(info.yHotspot), 0);
    if (info.hbmMask)
        ::DeleteObject(info.hbmMask);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);

    // The static has no SS_NOTIFY, yet it claims the mouse and sets the hand.
    RECT client;
    Box.Link.GetClientRect(&client);
    POINT inside = {client.right / 2, client.bottom / 2};
    ::ClientToScreen(Box.Link.m_hWnd, &inside);
    EXPECT_EQ(Box.Link.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)), HTCLIENT);
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    EXPECT_TRUE(Box.Link.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(Box.Link.m_hWnd),
                                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(::GetCursor(), Box.Link.LinkCursor);

    // And with the real pointer moved onto the link.
    ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    MouseAt(2, client.bottom / 2, MOUSEEVENTF_MOVE);
    EXPECT_EQ(::WindowFromPoint(inside), Box.Link.m_hWnd);
    EXPECT_EQ(::GetCursor(), Box.Link.LinkCursor);
}

TEST_F(HyperLinkTest, PressingOpensTheAddressAtOnceWithoutTouchingTheClipboard)
{
    PutClipboardText(Box.m_hWnd, "untouched");
    RECT client;
    Box.Link.GetClientRect(&client);

    MouseAt(3, client.bottom / 2, MOUSEEVENTF_LEFTDOWN);
    ASSERT_EQ(ShellCalls.size(), 1u) << "opens on the press, before any release";
    const ShellCall& call = ShellCalls.front();
    EXPECT_EQ(call.Owner, nullptr);
    EXPECT_EQ(call.Verb, "open");
    EXPECT_EQ(call.File, std::string(Text));
    EXPECT_FALSE(call.HasParameters);
    EXPECT_FALSE(call.HasDirectory);
    EXPECT_EQ(call.Show, SW_SHOWNORMAL);

    MouseAt(3, client.bottom / 2, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(ShellCalls.size(), 1u) << "the release opens nothing more";
    EXPECT_EQ(ClipboardText(), "untouched");
}

TEST_F(HyperLinkTest, ClipboardHoldsTheWholeTextOnlyWhenTheShellFails)
{
    // 32 and below are the shell's failures; 33 and above its successes.
    const struct
    {
        ULONG_PTR Answer;
        bool Copied;
    } cases[] = {{0, true}, {SE_ERR_NOASSOC, true}, {32, true}, {33, false}, {42, false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << "shell answers " << c.Answer);
        PutClipboardText(Box.m_hWnd, "before");
        ShellAnswer = c.Answer;
        Box.Link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        EXPECT_EQ(ClipboardText(), c.Copied ? std::string(Text) : std::string("before"));
    }

    // A long address goes over whole, not cut at some buffer's size.
    std::string longAddress = "https://glyphcast.example.org/";
    while (longAddress.size() < 700)
        longAddress += "very/long/path/";
    Box.Link.SetWindowText(longAddress.c_str());
    ShellAnswer = SE_ERR_NOASSOC;
    Box.Link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(ClipboardText(), longAddress);
    EXPECT_EQ(ShellCalls.back().File, longAddress);
}

TEST_F(HyperLinkTest, BusyClipboardIsLeftAloneQuietly)
{
    PutClipboardText(Box.m_hWnd, "kept");
    // Another window holds the clipboard open while the link fails to open.
    ASSERT_TRUE(::OpenClipboard(Box.m_hWnd));
    ShellAnswer = SE_ERR_NOASSOC;
    Box.Link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(ShellCalls.size(), 1u);
    HANDLE block = ::GetClipboardData(CF_TEXT);
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(static_cast<const char*>(::GlobalLock(block)), "kept");
    ::GlobalUnlock(block);
    ::CloseClipboard();
}

}  // namespace
