#include "controls/ColorButton.h"

BEGIN_MESSAGE_MAP(CColorButton, CButton)
    ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
    ON_MESSAGE(WM_COLOR_ACCEPT, OnColorAccept)
    ON_MESSAGE(WM_COLOR_CANCEL, OnColorCancel)
END_MESSAGE_MAP()

CColorButton::CColorButton() : Color(RGB(0, 0, 0))
{
}

void CColorButton::DrawItem(LPDRAWITEMSTRUCT)
{
}

LRESULT CColorButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CButton::DefWindowProc(message, wParam, lParam);
}

void CColorButton::OnClicked()
{
}

LRESULT CColorButton::OnColorAccept(WPARAM color, LPARAM)
{
    Color = static_cast<COLORREF>(color);
    return 0;
}

LRESULT CColorButton::OnColorCancel(WPARAM color, LPARAM)
{
    Color = static_cast<COLORREF>(color);
    return 0;
}
