// CButton: owner drawing through the WM_DRAWITEM its parent reflects back to it.
#include "winlib/Button.h"

BEGIN_MESSAGE_MAP(CButton, CWnd)
END_MESSAGE_MAP()

void CButton::DrawItem(LPDRAWITEMSTRUCT)
{
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message == WM_DRAWITEM)
    {
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        *result = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(message, wParam, lParam, result);
}
