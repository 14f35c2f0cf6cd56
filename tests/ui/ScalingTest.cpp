// Display scaling, at the screen's resolution: 96 dpi in the main run, 144 and 192 in the runs
// scripts/test.sh makes in a Wine prefix of their own (GLYPHCAST_TEST_DPI names the one asked for).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/ConverterWizard.h"
#include "controls/AboutDlg.h"
#include "controls/ColorButton.h"
#include "controls/FontPreview.h"
#include "controls/ImagePreview.h"
#include "controls/PagePreview.h"
#include "pages/WizardPage.h"
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

// Worked out by hand: a colour cell, the grid's margin, the swatch's inset, the room left for the
// arrow, the arrow's pixels (rows of 2n - 1, ..., 3, 1); the width of a page's cell in the page
// preview (DejaVu Sans Mono's advance, 0.602 of its size, at the browser's 10 pixels scaled).
struct Sizes
{
    int Dpi, Cell, Margin, Inset, Room, Arrow, PageCell;
};
const Sizes Table[] = {{96, 24, 2, 5, 15, 9, 6}, {144, 36, 3, 8, 23, 25, 9}, {192, 48, 4, 10, 30, 36, 12}};

COLORREF Pixel(HWND window, int x, int y)
{
    return ::GetPixel(CClientDC(window), x, y);
}

// A prefix setting that did not take must not pass for a run at 96 dpi.
class Scaling : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dpi = CDpi::OfScreen().Value();
        if (const char* asked = std::getenv("GLYPHCAST_TEST_DPI"))
        {
            ASSERT_EQ(Dpi, std::atoi(asked)) << "the Wine prefix is not at the resolution asked for";
        }
        for (const Sizes& sizes : Table)
            Expected = sizes.Dpi == Dpi ? &sizes : Expected;
        if (!Expected)
            GTEST_SKIP() << "no sizes worked out for " << Dpi << " dpi";
    }
    int Dpi = 96;
    const Sizes* Expected = nullptr;
};

TEST_F(Scaling, ColourButtonAndGridDrawTheirSizesScaled)
{
    uitest::DialogTemplate t(WS_POPUP | WS_VISIBLE | DS_SETFONT, 200, 100);
    CDialog host;
    CColorButton button;
    ASSERT_TRUE(host.CreateIndirect(t.Add("BUTTON", "", 1019, BS_OWNERDRAW, 0, 0, 50, 12).Get()));
    button.SubclassDlgItem(1019, &host);
    const int width = 75 * Dpi / 96, height = 20 * Dpi / 96, middle = height / 2 - 1;
    button.MoveWindow(0, 0, width, height);
    button.Color = RGB(200, 30, 60);
    ::RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const int inset = Expected->Inset, room = Expected->Room;  // the swatch's outline, then its colour
    EXPECT_NE(Pixel(button, inset - 1, middle), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(button, inset, middle) | Pixel(button, width - room - 1, middle), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(button, inset + 1, middle), RGB(200, 30, 60));
    int arrow = 0;
    for (int y = 3; y < height - 3; ++y)
        for (int x = width - room; x < width - room / 3; ++x)  // clear of the focus rectangle's place
            arrow += Pixel(button, x, y) == RGB(0, 0, 0) ? 1 : 0;
    EXPECT_EQ(arrow, Expected->Arrow);

    // Black selects the second cell, its edge sunken; the first cell's white swatch lies a margin
    // and an outline inside the cell.
    button.Color = RGB(0, 0, 0);
    host.SendMessage(WM_COMMAND, MAKEWPARAM(1019, BN_CLICKED), reinterpret_cast<LPARAM>(button.m_hWnd));
    HWND popup = ::GetCapture();
    ASSERT_TRUE(popup && popup != button.m_hWnd);
    ::UpdateWindow(popup);
    const int cell = Expected->Cell, margin = Expected->Margin, y = margin + cell / 2;
    CRect window;
    ::GetWindowRect(popup, &window);
    EXPECT_EQ(window.Width(), 4 * cell + 2 * margin);  // "Other ..." is narrower than the cells
    EXPECT_EQ(Pixel(popup, margin + cell, y), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(popup, margin + 2 * cell - 1, y), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    int first = -1, white = 0;
    for (int x = margin; x < margin + cell; ++x)
    {
        const bool isWhite = Pixel(popup, x, y) == RGB(255, 255, 255);
        first = isWhite && first < 0 ? x : first;
        white += isWhite ? 1 : 0;
    }
    EXPECT_EQ(first, 2 * margin + 2);
    EXPECT_EQ(white, cell - 2 * margin - 4);
    EXPECT_EQ(Pixel(popup, margin + 4 * cell - cell / 2, margin + 4 * cell - cell / 2), CColorGrid::GridColors[15]);
    ::SendMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 1);
    host.DestroyWindow();
}

TEST_F(Scaling, FontSampleIsTwelvePointsOnThisScreen)
{
    uitest::DialogTemplate t(WS_POPUP | WS_VISIBLE | DS_SETFONT, 250, 30);
    CDialog dialog;
    CFontPreview sample;
    ASSERT_TRUE(dialog.CreateIndirect(t.Add("STATIC", "", 300, SS_LEFT, 0, 0, 240, 20).Get()));
    sample.SubclassDlgItem(300, &dialog);
    LOGFONTA face = {};
    face.lfHeight = -5;  // whatever height the list entry carries
    lstrcpynA(face.lfFaceName, "DejaVu Sans Mono", LF_FACESIZE);
    sample.LogFont = &face;
    ::RedrawWindow(sample, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    CRect client, box;  // around the letters, inside the sunken edge
    sample.GetClientRect(&client);
    for (int y = 2; y < client.bottom - 2; ++y)
        for (int x = 2; x < client.right - 2; ++x)
            if (Pixel(sample, x, y) != ::GetSysColor(COLOR_WINDOW))
            {
                const CRect pixel(x, y, x + 1, y + 1);
                ::UnionRect(&box, &box, &pixel);
            }
    dialog.DestroyWindow();

    face.lfHeight = -(Dpi * 12 / 72);  // -16 pixels at 96 dpi, -24 at 144, -32 at 192
    CFont font;
    font.CreateFontIndirect(&face);
    CClientDC screen(static_cast<HWND>(nullptr));
    CSelectObject selected(screen, font);
    const CSize extent = screen.GetTextExtent("DejaVu Sans Mono");
    ASSERT_LT(extent.cx, client.Width()) << "the whole name fits";
    EXPECT_NEAR(box.Width(), extent.cx, 3 * Dpi / 96);
    EXPECT_LE(box.Height(), extent.cy);
    EXPECT_GE(box.Height(), extent.cy / 2);
}

// The text that a control with a font of its own would cut off, with the room it needs and has.
std::string CutOff(HWND control)
{
    char text[512] = "", name[32] = "";
    ::GetWindowTextA(control, text, sizeof text);
    ::GetClassNameA(control, name, sizeof name);
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(control, GWL_STYLE));
    CRect room, need;
    ::GetClientRect(control, &room);
    CClientDC dc(control);
    CSelectObject font(dc, reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    const bool check = (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
    UINT format = DT_CALCRECT | DT_SINGLELINE;
    if (!_stricmp(name, "Static") && (style & SS_TYPEMASK) <= SS_RIGHT)
        format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    else if (!_stricmp(name, "ComboBox") && (style & 3) == CBS_DROPDOWNLIST && ::GetDlgCtrlID(control) != IDC_FONT)
    {
        COMBOBOXINFO info = {};  // the closed list shows its entry in the item area
        info.cbSize = sizeof info;
        ::GetComboBoxInfo(control, &info);
        room = info.rcItem;
        for (int i = 0; i < ::SendMessageA(control, CB_GETCOUNT, 0, 0); ++i)  // the widest entry
        {
            char item[256] = "";
            ::SendMessageA(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            if (dc.GetTextExtent(item).cx > dc.GetTextExtent(text).cx)
                std::strcpy(text, item);
        }
    }
    else if (_stricmp(name, "Button") || (style & BS_TYPEMASK) == BS_OWNERDRAW)
        return "";
    need = CRect(0, 0, room.Width(), 0);
    ::DrawTextA(dc, text, -1, &need, format);
    // Push buttons keep their edges clear; a check box's box and gap come before the text.
    need.right += !_stricmp(name, "Button") ? (check ? 17 : 6) * CDpi::OfWindow(control).Value() / 96 : 0;
    if (!*text || (need.Width() <= room.Width() && need.Height() <= room.Height()))
        return "";
    return std::string(text) + " needs " + std::to_string(need.Width()) + " x " + std::to_string(need.Height()) +
           ", has " + std::to_string(room.Width()) + " x " + std::to_string(room.Height()) + "\n";
}

std::string CutOffUnder(HWND parent)
{
    std::string found;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        found += CutOff(child);
    return found;
}

TEST_F(Scaling, NoTextInTheWizardOrTheAboutBoxIsCutOff)
{
    CConverterWizard wizard;
    ASSERT_TRUE(wizard.Create(IDD_WIZARD, nullptr));
    EXPECT_EQ(CutOffUnder(wizard), "");
    for (int index = 0; index < wizard.GetPageCount(); ++index)  // the titles in the title font too
        EXPECT_EQ(CutOffUnder(*wizard.GetPage(index)), "") << "page " << index;
    wizard.DestroyWindow();
    CAboutDlg about;
    ASSERT_TRUE(about.Create(IDD_ABOUTBOX));
    about.ShowWindow(SW_SHOW);
    uitest::PumpMessages();  // the link is coloured, in its underlined font
    EXPECT_EQ(CutOffUnder(about), "");
    about.DestroyWindow();
}

TEST_F(Scaling, WizardMovedToAScreenOfAnotherResolutionRemakesItsFontsAndIcons)
{
    CConverterWizard wizard;
    ASSERT_TRUE(wizard.Create(IDD_WIZARD, nullptr));
    const int to = Dpi == 144 ? 192 : 144;
    const HFONT oldTitle = wizard.GetTitleFont();
    HWND title = ::GetDlgItem(*wizard.GetPage(3), IDC_TITLE), check = ::GetDlgItem(*wizard.GetPage(3), IDC_OPEN_AFTER);
    const LRESULT pageFont = ::SendMessageA(check, WM_GETFONT, 0, 0);
    CRect before, suggested, after;
    wizard.GetWindowRect(&before);
    suggested = CRect(before.left + 10, before.top + 20, before.left + 10 + before.Width() * to / Dpi,
                      before.top + 20 + before.Height() * to / Dpi);
    wizard.SendMessage(WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));

    wizard.GetWindowRect(&after);
    EXPECT_EQ(after, suggested);
    LOGFONTA font = {};
    ::GetObjectA(wizard.GetTitleFont(), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, to == 144 ? -24 : -32);
    EXPECT_EQ(::SendMessageA(title, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(wizard.GetTitleFont()));
    EXPECT_EQ(::SendMessageA(check, WM_GETFONT, 0, 0), pageFont);
    EXPECT_EQ(::GetObjectType(oldTitle), 0u);
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(reinterpret_cast<HICON>(::SendMessageA(wizard, WM_GETICON, ICON_BIG, 0)), &info));
    BITMAP bitmap = {};
    ::GetObjectA(info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, to == 144 ? 48 : 64);
    ::DeleteObject(info.hbmMask);
    ::DeleteObject(info.hbmColor);
    wizard.DestroyWindow();
}

TEST_F(Scaling, PreviewFitsItsPictureAnewWhenTheDialogResizesIt)
{
    uitest::DialogTemplate t(WS_POPUP | DS_SETFONT, 300, 200);
    CDialog dialog;
    CImagePreview preview;
    ASSERT_TRUE(dialog.CreateIndirect(t.Add("STATIC", "", 300, SS_LEFT, 0, 0, 60, 30).Get()));
    preview.SubclassDlgItem(300, &dialog);
    preview.MoveWindow(0, 0, 100, 50);
    const DWORD halves[2] = {0xFF0000, 0x0000FF};  // red and blue, twice as wide as high
    CBitmap picture;
    picture.Attach(::CreateBitmap(2, 1, 1, 32, halves));
    preview.SetImage(picture);
    preview.MoveWindow(0, 0, 200, 160);  // full width again, the face colour below
    EXPECT_EQ(preview.GetImageWidth(), 200);
    EXPECT_EQ(preview.GetImageHeight(), 100);
    EXPECT_EQ(preview.GetSurfacePixel(40, 50), RGB(255, 0, 0));
    EXPECT_EQ(preview.GetSurfacePixel(160, 90), RGB(0, 0, 255));
    EXPECT_EQ(preview.GetSurfacePixel(100, 130), ::GetSysColor(COLOR_BTNFACE));
    dialog.DestroyWindow();
}

TEST_F(Scaling, PagePreviewDrawsThePageAtTheScreensResolution)
{
    uitest::DialogTemplate t(WS_POPUP | WS_VISIBLE | DS_SETFONT, 200, 80);
    CDialog dialog;
    CPagePreview preview;
    ASSERT_TRUE(dialog.CreateIndirect(t.Add("STATIC", "", 300, SS_LEFT, 0, 0, 169, 56).Get()));
    preview.SubclassDlgItem(300, &dialog);
    CTempDir dir;
    ConversionSettings settings;
    settings.SourcePath = dir.Path("red.bmp");
    ASSERT_TRUE(WriteBytes(settings.SourcePath, CBmpBuilder(2, 1, 24).FillColor(RGB(220, 20, 20)).Build()));
    settings.TargetPath = dir.Path("red.html");
    settings.Columns = 2;
    settings.Rows = 1;
    settings.FontFace = "DejaVu Sans Mono";
    settings.CharacterSet = "\xE2\x96\x88";  // a full block: its cell all ink
    preview.Show(settings);
    AfxRunMessageLoop([&preview] { return preview.IsWorking(); });
    ASSERT_EQ(preview.GetState(), CPagePreview::State::Shown);
    const CPagePreview::Layout& layout = preview.GetLayout();
    EXPECT_EQ(layout.PageCellWidth, Expected->PageCell);
    // Two cells of ink side by side, as wide as the page's cells at this resolution.
    const int y = layout.Page.top + layout.PageCellHeight / 2;
    int inked = 0;
    for (int x = 0; x < layout.Page.right + 4; ++x)
        inked += preview.GetSurfacePixel(x, y) == RGB(220, 20, 20) ? 1 : 0;
    EXPECT_GE(inked, 2 * Expected->PageCell - 2);
    EXPECT_LE(inked, 2 * Expected->PageCell);
    dialog.DestroyWindow();
}

}  // namespace
