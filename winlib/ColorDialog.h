// CColorDialog: the common colour dialog.
#pragma once

#include "winlib/Wnd.h"

class CColorDialog
{
public:
    CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
    CColorDialog(const CColorDialog&) = delete;
    CColorDialog& operator=(const CColorDialog&) = delete;

    // IDOK or IDCANCEL. Tests replace the dialog through DoModalHook.
    INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }

    CHOOSECOLORA m_cc;

    // When set, DoModal calls it instead of showing a dialog (it may set m_cc.rgbResult).
    static INT_PTR (*DoModalHook)(CColorDialog& dialog);

private:
    static COLORREF CustomColors[16];
};
