// Display scaling. The main run is at 96 dpi; scripts/test.sh runs this suite again in a Wine
// prefix of its own at 144 and at 192 dpi (GLYPHCAST_TEST_DPI names the resolution asked for).
// At each: the custom controls draw their fixed sizes scaled, no text in the wizard or the About
// box is cut off, and a move to a screen of another resolution remakes the wizard's fonts and icons.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "app/ConverterWizard.h"
#include "controls/AboutDlg.h"
#include "controls/ColorButton.h"
#include "controls/FontPreview.h"
#include "controls/ImagePreview.h"
#include "pages/WizardPage.h"
#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

// The sizes at each resolution, worked out by hand: a colour cell and the grid's margin, the colour
// button's swatch inset, the room it leaves for the arrow, the arrow's pixels and the shift of a
// pressed face; the large and small icons.
struct Sizes
{
    int Dpi;
    int Cell;
    int Margin;
    int SwatchInset;
    int ArrowRoom;
    int ArrowPixels;
    int PressShift;
    int LargeIcon;
    int SmallIcon;
};
const Sizes Table[] = {
    {96, 24, 2, 5, 15, 5 + 3 + 1, 1, 32, 16},
    {120, 30, 3, 6, 19, 7 + 5 + 3 + 1, 1, 40, 20},
    {144, 36, 3, 8, 23, 9 + 7 + 5 + 3 + 1, 2, 48, 24},
    {192, 48, 4, 10, 30, 11 + 9 + 7 + 5 + 3 + 1, 2, 64, 32},
};

const Sizes* SizesAt(int dpi)
{
    for (const Sizes& sizes : Table)
    {
        if (sizes.Dpi == dpi)
            return &sizes;
    }
    return nullptr;
}

std::string TextOf(HWND window)
{
    char text[512] = "";
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

std::pair<int, int> ImageSize(const CImagePreview& preview)
{
    return {preview.GetImageWidth(), preview.GetImageHeight()};
}

COLORREF Pixel(HWND window, int x, int y)
{
    return ::GetPixel(CClientDC(window), x, y);
}

// Every test runs at the screen's resolution, which must be the one the run asked for: a prefix
// setting that did not take must not pass for a run at 96 dpi.
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
        Expected = SizesAt(Dpi);
        if (!Expected)
            GTEST_SKIP() << "no sizes worked out for " << Dpi << " dpi";
    }

    // A length of the 96-dpi layout at this resolution, for laying out the test's own windows.
    int Scaled(int pixels) const { return pixels * Dpi / 96; }

    int Dpi = 96;
    const Sizes* Expected = nullptr;
};

// A borderless dialog holding colour button 1019 at a given size.
class ButtonHost : public CDialog
{
public:
    explicit ButtonHost(CRect button)
    {
        uitest::DialogTemplate t(WS_POPUP | WS_VISIBLE | DS_SETFONT, 200, 100);
        t.Add("BUTTON", "", 1019, BS_OWNERDRAW, 0, 0, 50, 12);
        CreateIndirect(t.Get());
        MoveWindow(0, 0, button.right + 20, button.bottom + 20);
        Button.SubclassDlgItem(1019, this);
        Button.MoveWindow(button);
        uitest::PumpMessages();
    }
    ~ButtonHost() override { DestroyWindow(); }
    CColorButton Button;
};

TEST_F(Scaling, ColourGridCellsMarginAndSwatchesFollowTheResolution)
{
    ButtonHost host(CRect(40, 40, 40 + Scaled(75), 40 + Scaled(20)));
    host.Button.Color = RGB(0, 0, 0);  // the second cell is the selected one
    host.SendMessage(WM_COMMAND, MAKEWPARAM(1019, BN_CLICKED), reinterpret_cast<LPARAM>(host.Button.m_hWnd));
    HWND popup = ::GetCapture();
    ASSERT_NE(popup, nullptr);
    ASSERT_NE(popup, host.Button.m_hWnd);
    ::UpdateWindow(popup);

    const int cell = Expected->Cell, margin = Expected->Margin;
    CRect window;
    ::GetWindowRect(popup, &window);
    EXPECT_EQ(window.Width(), 4 * cell + 2 * margin);  // "Other ..." is narrower than the cells

    // The selected cell's sunken edge runs along its own borders.
    const int y = margin + cell / 2;
    EXPECT_EQ(Pixel(popup, margin + cell, y), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(popup, margin + 2 * cell - 1, y), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    // The first cell's white swatch lies a margin and its outline inside the cell.
    int first = -1, white = 0;
    for (int x = margin; x < margin + cell; ++x)
    {
        if (Pixel(popup, x, y) == RGB(255, 255, 255))
        {
            first = first < 0 ? x : first;
            ++white;
        }
    }
    EXPECT_EQ(first, margin + margin + 2);
    EXPECT_EQ(white, cell - 2 * (margin + 1) - 2);

    // The rows are as tall as the columns are wide: the last cell's swatch is where the layout puts it.
    const int last = 4 * cell;  // right and bottom edges of the cells, inside the margin
    EXPECT_EQ(Pixel(popup, margin + last - cell / 2, margin + last - cell / 2), CColorGrid::GridColors[15]);
    ::SendMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 1);
}

TEST_F(Scaling, ColourButtonSwatchAndArrowFollowTheResolution)
{
    const int width = Scaled(75), height = Scaled(20);
    ButtonHost host(CRect(0, 0, width, height));
    HWND button = host.Button.m_hWnd;
    host.Button.Color = RGB(200, 30, 60);
    ::RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);

    const int inset = Expected->SwatchInset, room = Expected->ArrowRoom;
    // Across the middle: the frame, the colour, and the frame again before the arrow's room.
    const int middle = height / 2 - 1;
    EXPECT_NE(Pixel(button, inset - 1, middle), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(button, inset, middle), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(button, inset + 1, middle), RGB(200, 30, 60));
    EXPECT_EQ(Pixel(button, width - room - 2, middle), RGB(200, 30, 60));
    EXPECT_EQ(Pixel(button, width - room - 1, middle), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(button, width / 3, inset), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(button, width / 3, height - inset - 1), RGB(0, 0, 0));

    // The arrow: a triangle of rows one pixel narrower on each side, down to one pixel.
    int arrow = 0;
    for (int y = 3; y < height - 3; ++y)
        for (int x = width - room; x < width - room / 3; ++x)  // clear of the focus rectangle's place
            arrow += Pixel(button, x, y) == RGB(0, 0, 0) ? 1 : 0;
    EXPECT_EQ(arrow, Expected->ArrowPixels);

    host.Button.SetState(TRUE);
    ::UpdateWindow(button);
    const int shift = Expected->PressShift;
    EXPECT_NE(Pixel(button, inset + shift - 1, middle + shift), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(button, inset + shift, middle + shift), RGB(0, 0, 0));
    host.Button.SetState(FALSE);
}

TEST_F(Scaling, FontSampleIsTwelvePointsOnThisScreen)
{
    // As tall as on the output page, and wide enough for the whole name at every resolution.
    uitest::DialogTemplate frame(WS_POPUP | DS_SETFONT, 250, 30);
    frame.Add("STATIC", "", 300, WS_GROUP | SS_LEFT, 0, 0, 240, 20);
    CDialog dialog;
    CFontPreview sample;
    ASSERT_TRUE(dialog.CreateIndirect(frame.Get()) && sample.SubclassDlgItem(300, &dialog));
    dialog.ShowWindow(SW_SHOW);
    LOGFONTA face = {};
    lstrcpynA(face.lfFaceName, "DejaVu Sans Mono", LF_FACESIZE);
    face.lfHeight = -5;  // whatever the list entry carries
    sample.LogFont = &face;
    sample.InvalidateRect(nullptr, TRUE);
    sample.UpdateWindow();

    // The box around the letters, inside the sunken edge.
    CRect client, box;
    sample.GetClientRect(&client);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    for (int y = 2; y < client.bottom - 2; ++y)
        for (int x = 2; x < client.right - 2; ++x)
            if (Pixel(sample, x, y) != window)
            {
                const CRect pixel(x, y, x + 1, y + 1);
                ::UnionRect(&box, &box, &pixel);
            }
    dialog.DestroyWindow();

    // The same name in the same face at 12 points here: -16 pixels at 96 dpi, -24 at 144, -32 at 192.
    LOGFONTA twelve = face;
    twelve.lfHeight = -(Dpi * 12 / 72);
    CFont font;
    font.CreateFontIndirect(&twelve);
    CClientDC screen(static_cast<HWND>(nullptr));
    CSelectObject selected(screen, font);
    const CSize extent = screen.GetTextExtent("DejaVu Sans Mono");
    ASSERT_LT(extent.cx, client.Width()) << "the whole name fits";
    EXPECT_NEAR(box.Width(), extent.cx, Scaled(3));
    TEXTMETRICA metrics = {};
    ::GetTextMetricsA(screen, &metrics);
    EXPECT_LE(box.Height(), metrics.tmAscent + metrics.tmDescent);
    EXPECT_GE(box.Height(), metrics.tmAscent * 2 / 3);
}

// Where a control's text would need more room than the control has, what it needs; empty when
// the text fits (or the control shows no text of its own).
std::string CutOff(HWND control)
{
    const std::string text = TextOf(control), name = ClassOf(control);
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(control, GWL_STYLE));
    CRect client;
    ::GetClientRect(control, &client);
    CClientDC dc(control);
    CSelectObject font(dc, reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    const int dpi = CDpi::OfWindow(control).Value();
    CRect need(0, 0, client.Width(), 0);

    if (!_stricmp(name.c_str(), "Static"))
    {
        const DWORD type = style & SS_TYPEMASK;
        if (text.empty() || (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT))
            return "";
        // As the static control draws it: wrapped at words, the prefix character taken out.
        ::DrawTextA(dc, text.c_str(), -1, &need,
                    DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
    }
    else if (!_stricmp(name.c_str(), "Button"))
    {
        const DWORD type = style & BS_TYPEMASK;
        if (type == BS_OWNERDRAW || type == BS_GROUPBOX || text.empty())
            return "";
        ::DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_SINGLELINE);
        // Push buttons keep their edges clear; check boxes put their box and a gap before the text.
        const bool check = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
        need.right += check ? 13 * dpi / 96 + 4 * dpi / 96 : 6 * dpi / 96;
    }
    else if (!_stricmp(name.c_str(), "ComboBox") && (style & 3) == CBS_DROPDOWNLIST &&
             ::GetDlgCtrlID(control) != IDC_FONT)  // face names are whatever the system has
    {
        // The closed list shows the selected entry in its item area, beside the drop-down button.
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        if (!::GetComboBoxInfo(control, &info))
            return name + " \"" + text + "\": no item area";
        client = info.rcItem;
        need = CRect(0, 0, 0, 0);
        const int count = static_cast<int>(::SendMessageA(control, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
        {
            char item[256] = "";
            ::SendMessageA(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            CRect one(0, 0, 0, 0);
            ::DrawTextA(dc, item, -1, &one, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
            if (one.Width() > need.Width())
                need = one;
        }
    }
    else
    {
        return "";
    }
    if (need.Width() <= client.Width() && need.Height() <= client.Height())
        return "";
    return name + " \"" + text + "\" needs " + std::to_string(need.Width()) + " x " + std::to_string(need.Height()) +
           ", has " + std::to_string(client.Width()) + " x " + std::to_string(client.Height());
}

// Every control with text under a window that would cut its text off.
std::string CutOffUnder(HWND parent)
{
    std::string found;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    {
        const std::string cut = CutOff(child);
        found += cut.empty() ? "" : cut + "\n";
    }
    return found;
}

TEST_F(Scaling, NoTextInTheWizardOrTheAboutBoxIsCutOff)
{
    CConverterWizard wizard;
    ASSERT_TRUE(wizard.Create(IDD_WIZARD, nullptr));
    wizard.ShowWindow(SW_SHOW);
    EXPECT_EQ(CutOffUnder(wizard), "") << "frame";
    for (int index = 0; index < wizard.GetPageCount(); ++index)
        EXPECT_EQ(CutOffUnder(*wizard.GetPage(index)), "") << "page " << index;
    // The title in the title font: one line, as tall as the font.
    HWND title = ::GetDlgItem(*wizard.GetPage(0), IDC_TITLE);
    ASSERT_NE(title, nullptr);
    ASSERT_EQ(reinterpret_cast<HFONT>(::SendMessageA(title, WM_GETFONT, 0, 0)), wizard.GetTitleFont());
    EXPECT_EQ(CutOff(title), "");
    wizard.DestroyWindow();

    CAboutDlg about;
    ASSERT_TRUE(about.Create(IDD_ABOUTBOX));
    about.ShowWindow(SW_SHOW);
    uitest::PumpMessages();  // the link is coloured, in its underlined font
    EXPECT_EQ(CutOffUnder(about), "") << "About box";
    about.DestroyWindow();
}

TEST_F(Scaling, WizardMovedToAScreenOfAnotherResolutionRemakesItsFontsAndIcons)
{
    CConverterWizard wizard;
    ASSERT_TRUE(wizard.Create(IDD_WIZARD, nullptr));
    wizard.ShowWindow(SW_SHOW);
    ASSERT_EQ(wizard.GetDpi().Value(), Dpi);
    const int to = Dpi == 144 ? 192 : 144;
    const Sizes* target = SizesAt(to);
    const HFONT oldTitle = wizard.GetTitleFont();
    HWND welcomeTitle = ::GetDlgItem(*wizard.GetPage(0), IDC_TITLE);
    HWND finishTitle = ::GetDlgItem(*wizard.GetPage(3), IDC_TITLE);
    HWND finishCheck = ::GetDlgItem(*wizard.GetPage(3), IDC_OPEN_AFTER);
    const HFONT pageFont = reinterpret_cast<HFONT>(::SendMessageA(finishCheck, WM_GETFONT, 0, 0));

    CRect before, suggested, after;
    wizard.GetWindowRect(&before);
    suggested = CRect(before.left + 10, before.top + 20, before.left + 10 + before.Width() * to / Dpi,
                      before.top + 20 + before.Height() * to / Dpi);
    wizard.SendMessage(WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));

    wizard.GetWindowRect(&after);
    EXPECT_EQ(after, suggested);
    EXPECT_EQ(wizard.GetDpi().Value(), to);
    LOGFONTA title = {};
    ASSERT_EQ(::GetObjectA(wizard.GetTitleFont(), sizeof title, &title), static_cast<int>(sizeof title));
    EXPECT_EQ(title.lfHeight, to == 144 ? -24 : -32);
    EXPECT_EQ(title.lfWeight, FW_BOLD);
    // Both titles show the new font, the old one is gone; the other controls keep the page's font.
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(welcomeTitle, WM_GETFONT, 0, 0)), wizard.GetTitleFont());
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(finishTitle, WM_GETFONT, 0, 0)), wizard.GetTitleFont());
    EXPECT_EQ(::GetObjectType(oldTitle), 0u);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(finishCheck, WM_GETFONT, 0, 0)), pageFont);

    // The icons at the sizes of the new resolution, and the window carries them.
    for (bool big : {true, false})
    {
        HICON icon = big ? wizard.GetLargeIcon() : wizard.GetSmallIcon();
        EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(wizard, WM_GETICON, big ? ICON_BIG : ICON_SMALL, 0)), icon);
        ICONINFO info = {};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP bitmap = {};
        ::GetObjectA(info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, big ? target->LargeIcon : target->SmallIcon);
        ::DeleteObject(info.hbmMask);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
    }
    // Back on a screen of the first resolution, the title is as it was.
    wizard.SendMessage(WM_DPICHANGED, MAKEWPARAM(Dpi, Dpi), reinterpret_cast<LPARAM>(&before));
    ASSERT_EQ(::GetObjectA(wizard.GetTitleFont(), sizeof title, &title), static_cast<int>(sizeof title));
    EXPECT_EQ(title.lfHeight, -(Dpi * 12 / 72));
    wizard.DestroyWindow();
}

TEST_F(Scaling, PreviewFitsThePictureAnewWhenTheDialogScalesIt)
{
    uitest::DialogTemplate frame(WS_POPUP | DS_SETFONT, 300, 200);
    frame.Add("STATIC", "", 300, WS_GROUP | SS_LEFT, 0, 0, 60, 30);
    CDialog dialog;
    CImagePreview preview;
    ASSERT_TRUE(dialog.CreateIndirect(frame.Get()) && preview.SubclassDlgItem(300, &dialog));
    preview.MoveWindow(0, 0, 100, 50);

    // A picture of two halves, red and blue, twice as wide as high.
    CClientDC screen(static_cast<HWND>(nullptr));
    CBitmap picture;
    picture.CreateCompatibleBitmap(screen, 40, 20);
    {
        CDC dc;
        dc.CreateCompatibleDC(screen);
        CSelectObject selected(dc, picture);
        dc.FillSolidRect(0, 0, 20, 20, RGB(255, 0, 0));
        dc.FillSolidRect(20, 0, 20, 20, RGB(0, 0, 255));
    }
    preview.SetImage(picture);
    picture.DeleteObject();  // the control keeps no reference to it
    ASSERT_EQ(ImageSize(preview), std::make_pair(100, 50));

    // Twice the size, as at 192 dpi: the picture fills it again, each half in its own colour.
    preview.MoveWindow(0, 0, 200, 100);
    EXPECT_EQ(ImageSize(preview), std::make_pair(200, 100));
    EXPECT_EQ(preview.GetSurfacePixel(60, 50), RGB(255, 0, 0));
    EXPECT_EQ(preview.GetSurfacePixel(160, 50), RGB(0, 0, 255));
    EXPECT_EQ(preview.GetSurfacePixel(190, 90), RGB(0, 0, 255));

    // Taller than the picture's proportions: full width, the face colour below.
    preview.MoveWindow(0, 0, 200, 160);
    EXPECT_EQ(ImageSize(preview), std::make_pair(200, 100));
    EXPECT_EQ(preview.GetSurfacePixel(100, 130), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(preview.GetSurfacePixel(40, 90), RGB(255, 0, 0));
    dialog.DestroyWindow();
}

// The About box whose dialog font can be made anew, as the system does on a screen of another resolution.
class RescaledAboutBox : public CAboutDlg
{
public:
    using CAboutDlg::Link;
    HFONT NewFont = nullptr;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_GETFONT && NewFont)
            return reinterpret_cast<LRESULT>(NewFont);
        return CAboutDlg::WindowProc(message, wParam, lParam);
    }
};

TEST_F(Scaling, LinkUnderlinesTheDialogFontMadeForTheNewResolution)
{
    RescaledAboutBox about;
    ASSERT_TRUE(about.Create(IDD_ABOUTBOX));
    about.ShowWindow(SW_SHOW);
    about.UpdateWindow();
    uitest::PumpMessages();
    ASSERT_NE(about.Link.UnderlineFont.GetSafeHandle(), nullptr) << "the link has been coloured";

    // The dialog's font at twice the resolution: twice as tall.
    LOGFONTA larger = {};
    ::GetObjectA(about.GetFont(), sizeof larger, &larger);
    larger.lfHeight *= 2;
    CFont dialogFont;
    dialogFont.CreateFontIndirect(&larger);
    about.NewFont = dialogFont;
    about.Link.SendMessage(WM_DPICHANGED_AFTERPARENT);
    about.Link.UpdateWindow();
    uitest::PumpMessages();

    const HFONT underline = about.Link.UnderlineFont;
    ASSERT_NE(underline, nullptr);
    EXPECT_EQ(about.Link.GetFont(), underline);
    LOGFONTA shown = {};
    ::GetObjectA(underline, sizeof shown, &shown);
    EXPECT_EQ(shown.lfHeight, larger.lfHeight);
    EXPECT_EQ(shown.lfUnderline, 1);
    about.DestroyWindow();
}

}  // namespace
