// The program's resources as the platform loads them: pictures, message formats and the dialog
// templates' behaviour-bearing details (default button, hidden placeholder, tab order, sizes).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "winlib/Win32.h"
#include "res/resource.h"

namespace
{

HINSTANCE Module()
{
    return ::GetModuleHandleA(nullptr);
}

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// A dialog made straight from a template, destroyed with the scope.
struct TemplateWindow
{
    TemplateWindow(UINT id, HWND parent = nullptr)
        : Window(::CreateDialogParamA(Module(), MAKEINTRESOURCEA(id), parent, QuietDialog, 0))
    {
    }
    ~TemplateWindow()
    {
        if (Window)
            ::DestroyWindow(Window);
    }
    TemplateWindow(const TemplateWindow&) = delete;
    TemplateWindow& operator=(const TemplateWindow&) = delete;
    DWORD Style(int id = 0) const
    {
        return static_cast<DWORD>(::GetWindowLongA(id ? ::GetDlgItem(Window, id) : Window, GWL_STYLE));
    }
    HWND Window;
};

std::string Text(HWND window)
{
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// The icon's sizes for 100 % (16 and 32, also in 16 colours) and for 125, 150 and 200 % display
// scaling, so that no screen gets a stretched picture.
TEST(Resources, IconHasBothSizesInSixteenAndTwoHundredFiftySixColours)
{
    HRSRC found = ::FindResourceA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(found, nullptr);
    const BYTE* group = static_cast<const BYTE*>(::LockResource(::LoadResource(Module(), found)));
    const WORD count = *reinterpret_cast<const WORD*>(group + 4);
    std::set<std::pair<int, int>> images;  // (size, bits per pixel)
    for (WORD i = 0; i < count; ++i)
    {
        const BYTE* entry = group + 6 + 14 * i;
        EXPECT_EQ(entry[0], entry[1]) << "square";
        images.insert({entry[0], *reinterpret_cast<const WORD*>(entry + 6)});
    }
    EXPECT_EQ(images, (std::set<std::pair<int, int>>{
                          {16, 4}, {16, 8}, {32, 4}, {32, 8}, {20, 8}, {24, 8}, {40, 8}, {48, 8}, {64, 8}}));

    for (int size : {16, 20, 24, 32, 40, 48, 64})
    {
        HICON icon = static_cast<HICON>(
            ::LoadImageA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info = {};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP mask = {};
        ::GetObjectA(info.hbmMask, sizeof mask, &mask);
        EXPECT_EQ(mask.bmWidth, size);
        ::DeleteObject(info.hbmMask);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        ::DestroyIcon(icon);
    }
}

TEST(Resources, PanelBitmapIs136By272InTrueColour)
{
    HBITMAP bitmap = static_cast<HBITMAP>(
        ::LoadImageA(Module(), MAKEINTRESOURCEA(IDB_WIZARD), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION dib = {};
    ASSERT_EQ(::GetObjectA(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, 136);
    EXPECT_EQ(dib.dsBm.bmHeight, 272);
    EXPECT_EQ(dib.dsBmih.biBitCount, 24);
    ::DeleteObject(bitmap);
}

TEST(Resources, MessagesTakeExactlyOnePath)
{
    for (UINT id : {IDS_FILE_NOT_FOUND, IDS_CANNOT_OPEN, IDS_NOT_A_PICTURE, IDS_CANNOT_CREATE, IDS_WRITE_FAILED})
    {
        char format[256] = {};
        ASSERT_GT(::LoadStringA(Module(), id, format, sizeof format), 0) << id;
        const std::string text = format;
        // One %s for the path and no other conversion that would read a missing argument.
        EXPECT_EQ(text.find('%'), text.find("%s")) << text;
        EXPECT_EQ(text.find('%', text.find("%s") + 1), std::string::npos) << text;
        EXPECT_NE(text.find("'%s'"), std::string::npos) << text;
    }
}

TEST(Resources, FrameDefaultsToNextAndHidesItsPlaceholder)
{
    TemplateWindow frame(IDD_WIZARD);
    ASSERT_NE(frame.Window, nullptr);
    EXPECT_EQ(LOWORD(::SendMessageA(frame.Window, DM_GETDEFID, 0, 0)), IDC_NEXT);
    HWND placeholder = ::GetDlgItem(frame.Window, IDC_PLACEHOLDER);
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(::IsWindowVisible(placeholder));
    EXPECT_FALSE(::IsWindowEnabled(placeholder));
    EXPECT_TRUE(frame.Style() & WS_MINIMIZEBOX);
    EXPECT_FALSE(frame.Style() & (WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_TRUE(::GetWindowLongA(frame.Window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    // Pages are hidden DS_CONTROL children that fit the placeholder.
    RECT slot;
    ::GetClientRect(placeholder, &slot);
    for (UINT id : {IDD_WELCOME, IDD_SOURCE, IDD_FINISH})
    {
        SCOPED_TRACE(id);
        TemplateWindow page(id, frame.Window);
        ASSERT_NE(page.Window, nullptr);
        EXPECT_FALSE(::IsWindowVisible(page.Window));
        EXPECT_EQ(page.Style() & (WS_CHILD | WS_POPUP | WS_CAPTION | DS_CONTROL),
                  static_cast<DWORD>(WS_CHILD | DS_CONTROL));
        RECT client;
        ::GetClientRect(page.Window, &client);
        EXPECT_EQ(client.right, slot.right);
        EXPECT_EQ(client.bottom, slot.bottom);
    }
}

TEST(Resources, PagesHaveTheirTitlesPicturesAndTabOrder)
{
    TemplateWindow frame(IDD_WIZARD);
    TemplateWindow welcome(IDD_WELCOME, frame.Window), source(IDD_SOURCE, frame.Window),
        finish(IDD_FINISH, frame.Window);
    for (const TemplateWindow* page : {&welcome, &finish})
    {
        EXPECT_EQ(Text(::GetDlgItem(page->Window, IDC_TITLE)), "Glyphcast");
        // The picture static shows the 136 x 272 panel.
        HWND picture = ::GetWindow(page->Window, GW_CHILD);
        ASSERT_EQ(::GetWindowLongA(picture, GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);
        BITMAP shown = {};
        ASSERT_TRUE(::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0)),
                                 sizeof shown, &shown));
        EXPECT_EQ(shown.bmWidth, 136);
        EXPECT_EQ(shown.bmHeight, 272);
    }

    EXPECT_EQ(finish.Style(IDC_OPEN_AFTER) & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
    // Focus goes to the first tab stop when a page is shown: the path edit, the check box.
    EXPECT_EQ(::GetNextDlgTabItem(source.Window, nullptr, FALSE), ::GetDlgItem(source.Window, IDC_PATH));
    EXPECT_EQ(::GetNextDlgTabItem(finish.Window, nullptr, FALSE), ::GetDlgItem(finish.Window, IDC_OPEN_AFTER));
    EXPECT_TRUE(source.Style(IDC_DIMENSIONS) & ES_READONLY);
    EXPECT_FALSE(source.Style(IDC_DIMENSIONS) & WS_TABSTOP);
}

}  // namespace
