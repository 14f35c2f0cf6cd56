// The About box run modally: what it shows, how it closes, and that each run cleans up after itself.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/AboutDlg.h"
#include "res/resource.h"

namespace
{

// The About box with its link in reach of the tests.
class AboutProbe : public CAboutDlg
{
public:
    using CAboutDlg::Link;
};

// Runs `whileOpen` once the modal box is up and has painted, then leaves it to the box's loop.
// Timer messages come after paints, so by the first tick the link has been coloured once.
AboutProbe* Running = nullptr;
std::function<void(AboutProbe&)> WhileOpen;

void CALLBACK OnTick(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    if (Running && Running->m_hWnd && WhileOpen)
        WhileOpen(*Running);
}

INT_PTR RunModal(AboutProbe& box, std::function<void(AboutProbe&)> whileOpen)
{
    Running = &box;
    WhileOpen = std::move(whileOpen);
    ::SetTimer(nullptr, 0, 50, OnTick);
    const INT_PTR result = box.DoModal();
    Running = nullptr;
    WhileOpen = nullptr;
    return result;
}

std::string TextOf(HWND window)
{
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(AboutBox, ShowsNameVersionAndLinkedAddress)
{
    AboutProbe box;
    std::string caption, version, address;
    bool linkBound = false, toolWindow = false, iconShown = false;
    const INT_PTR result = RunModal(box, [&](AboutProbe& open) {
        caption = TextOf(open.m_hWnd);
        toolWindow = (open.GetExStyle() & WS_EX_TOOLWINDOW) != 0;
        HWND link = ::GetDlgItem(open.m_hWnd, IDC_LINK);
        linkBound = link && CWnd::FromHandlePermanent(link) == &open.Link;
        address = TextOf(link);
        // The statics without an id: the icon and the two lines of name and version.
        for (HWND child = ::GetWindow(open.m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        {
            const DWORD style = static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE));
            if ((style & 0xFF) == SS_ICON)
                iconShown = ::SendMessageA(child, STM_GETICON, 0, 0) != 0;
            else if (::GetDlgCtrlID(child) != IDC_LINK && ::GetDlgCtrlID(child) != IDOK)
                version = TextOf(child);
        }
        open.PostMessage(WM_COMMAND, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(caption, "About Glyphcast");
    EXPECT_TRUE(toolWindow);
    EXPECT_TRUE(iconShown);
    EXPECT_TRUE(linkBound) << "control 1003 is run by the box's link object";
    EXPECT_EQ(address.rfind("https://", 0), 0u) << address;
    EXPECT_EQ(version.rfind("Glyphcast version 1.2\n", 0), 0u) << version;
    EXPECT_EQ(box.m_hWnd, nullptr) << "the window is gone once DoModal returns";
}

TEST(AboutBox, ClosesWithOkEnterEscapeAndTheCloseBox)
{
    struct Way
    {
        const char* Name;
        std::function<void(AboutProbe&)> Close;
        INT_PTR Result;
    };
    auto key = [](AboutProbe& open, UINT vk) {
        // Through the box's own loop, as a keystroke would arrive.
        ::PostMessageA(::GetFocus() ? ::GetFocus() : open.m_hWnd, WM_KEYDOWN, vk, 0);
    };
    const std::vector<Way> ways = {
        {"OK button", [](AboutProbe& open) { ::PostMessageA(::GetDlgItem(open, IDOK), BM_CLICK, 0, 0); }, IDOK},
        {"Enter", [&](AboutProbe& open) { key(open, VK_RETURN); }, IDOK},
        {"Escape", [&](AboutProbe& open) { key(open, VK_ESCAPE); }, IDCANCEL},
        {"Close box", [](AboutProbe& open) { open.PostMessage(WM_SYSCOMMAND, SC_CLOSE); }, IDCANCEL},
    };
    for (const Way& way : ways)
    {
        SCOPED_TRACE(way.Name);
        AboutProbe box;
        EXPECT_EQ(RunModal(box, way.Close), way.Result);
    }
}

TEST(AboutBox, EveryRunMakesAndReleasesItsFontAndCursor)
{
    std::vector<HGDIOBJ> fonts;
    std::vector<HCURSOR> cursors;
    for (int run = 0; run < 5; ++run)
    {
        AboutProbe box;
        HGDIOBJ font = nullptr;
        HCURSOR cursor = nullptr;
        RunModal(box, [&](AboutProbe& open) {
            font = open.Link.UnderlineFont.GetSafeHandle();
            cursor = open.Link.LinkCursor;
            open.PostMessage(WM_COMMAND, IDCANCEL);
        });
        ASSERT_NE(font, nullptr) << "the link was painted and made its font";
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT)) << "alive while the box object lives";
        fonts.push_back(font);
        cursors.push_back(cursor);
    }
    // Once each box object is gone, so are the font and the cursor it made.
    for (HGDIOBJ font : fonts)
        EXPECT_EQ(::GetObjectType(font), 0u);
    for (HCURSOR cursor : cursors)
    {
        ICONINFO info = {};
        EXPECT_FALSE(::GetIconInfo(cursor, &info));
    }
}

}  // namespace
