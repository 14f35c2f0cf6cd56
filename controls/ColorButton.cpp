#include "controls/ColorButton.h"

namespace
{
// Set by a double click on any colour button until the button's release that follows it,
// which then counts as one more click.
bool DoubleClickPending = false;

// Sizes in pixels at 96 dpi, scaled to the button's resolution when drawn.
// The swatch's distance from the button's edges; the right one leaves room for the arrow.
constexpr int SwatchInset = 5;
constexpr int ArrowRoom = 15;
// The arrow's centre, this far in from the right edge, and its height in rows.
constexpr int ArrowInset = 9;
constexpr int ArrowRows = 3;
// The focus rectangle's distance from the edges.
constexpr int FocusInset = 3;
}  // namespace

BEGIN_MESSAGE_MAP(CColorButton, CButton)
    ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
    ON_MESSAGE(WM_COLOR_ACCEPT, OnColorAccept)
    ON_MESSAGE(WM_COLOR_CANCEL, OnColorCancel)
END_MESSAGE_MAP()

CColorButton::CColorButton() : Color(RGB(0, 0, 0))
{
}

// The whole button is drawn for every draw action.
void CColorButton::DrawItem(LPDRAWITEMSTRUCT item)
{
    CDC dc;
    dc.Attach(item->hDC);
    const CRect bounds(item->rcItem);
    const bool pressed = (item->itemState & ODS_SELECTED) != 0;
    const bool focused = (item->itemState & ODS_FOCUS) != 0;
    const bool disabled = (item->itemState & ODS_DISABLED) != 0;

    const CDpi dpi = CDpi::OfWindow(item->hwndItem);
    dc.DrawFrameControl(bounds, DFC_BUTTON,
                        DFCS_BUTTONPUSH | (disabled ? DFCS_INACTIVE : 0) | (pressed ? DFCS_PUSHED : 0));
    if (focused)
    {
        CRect focus = bounds;
        focus.DeflateRect(dpi.Scale(FocusInset), dpi.Scale(FocusInset));
        dc.DrawFocusRect(focus);
    }

    // A pressed button shows its face a pixel (at 96 dpi) right and down.
    const int shift = pressed ? dpi.Scale(1) : 0;
    const int inset = dpi.Scale(SwatchInset);
    CRect swatch(bounds.left + inset, bounds.top + inset, bounds.right - dpi.Scale(ArrowRoom), bounds.bottom - inset);
    swatch.OffsetRect(shift, shift);
    if (disabled)
    {
        dc.FillSolidRect(swatch, ::GetSysColor(COLOR_BTNFACE));
    }
    else
    {
        // A one-pixel outline at every resolution, like the edges the system draws around it.
        CBrush black(RGB(0, 0, 0));
        dc.FrameRect(swatch, black);
        swatch.DeflateRect(1, 1);
        dc.FillSolidRect(swatch, Color);
    }

    // A downward triangle centred on x, one pixel row narrower on each side per row: 5, 3 and 1
    // pixels at 96 dpi (LineTo leaves out its end point).
    CPen pen(PS_SOLID, 1, disabled ? ::GetSysColor(COLOR_BTNSHADOW) : RGB(0, 0, 0));
    CSelectObject selectPen(dc, pen);
    const int x = bounds.right - dpi.Scale(ArrowInset) + shift;
    const int rows = dpi.Scale(ArrowRows);
    const int top = (bounds.top + bounds.bottom) / 2 + shift - (rows - 1) / 2;
    for (int row = 0; row < rows; ++row)
    {
        const int half = rows - 1 - row;
        dc.MoveTo(x + half, top + row);
        dc.LineTo(x - half - 1, top + row);
    }

    dc.Detach();
}

LRESULT CColorButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // An owner-drawn button reports a double click instead of a second click: show it pressed
    // and let the release that follows make the click.
    if (message == WM_LBUTTONDBLCLK)
    {
        SetState(TRUE);
        DoubleClickPending = true;
        return 0;
    }
    if (message == WM_LBUTTONUP && DoubleClickPending)
    {
        SetState(FALSE);
        DoubleClickPending = false;
        if (CWnd* parent = GetParent())
            parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED), reinterpret_cast<LPARAM>(m_hWnd));
    }
    return CButton::DefWindowProc(message, wParam, lParam);
}

void CColorButton::OnClicked()
{
    CRect window;
    GetWindowRect(&window);
    // The grid keeps itself alive until it ends; a grid that could not open has nothing to report.
    if (CColorGrid::Open(CPoint(window.left, window.bottom), Color, this))
        NotifyParent(WM_COLOR_DROPDOWN, Color);
}

LRESULT CColorButton::OnColorAccept(WPARAM color, LPARAM)
{
    EndDropDown(WM_COLOR_ACCEPT, static_cast<COLORREF>(color));
    return 0;
}

LRESULT CColorButton::OnColorCancel(WPARAM color, LPARAM)
{
    EndDropDown(WM_COLOR_CANCEL, static_cast<COLORREF>(color));
    return 0;
}

void CColorButton::EndDropDown(UINT outcome, COLORREF color)
{
    Color = color;
    // Show the new colour now rather than whenever the button happens to be drawn next.
    Invalidate(FALSE);
    UpdateWindow();
    NotifyParent(WM_COLOR_CLOSEUP, color);
    NotifyParent(outcome, color);
}

void CColorButton::NotifyParent(UINT message, COLORREF color)
{
    if (CWnd* parent = GetParent())
        parent->SendMessage(message, static_cast<WPARAM>(color), static_cast<LPARAM>(GetDlgCtrlID()));
}
