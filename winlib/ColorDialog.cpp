// CColorDialog: the common colour dialog over CHOOSECOLORA.
#include "winlib/ColorDialog.h"

INT_PTR (*CColorDialog::DoModalHook)(CColorDialog& dialog) = nullptr;

// The sixteen custom colours the dialog offers; kept for the whole run, white at first.
COLORREF CColorDialog::CustomColors[16] = {
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
    RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
};

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) : m_cc()
{
    m_cc.lStructSize = sizeof(m_cc);
    m_cc.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_cc.rgbResult = initial;
    m_cc.lpCustColors = CustomColors;
    m_cc.Flags = flags | CC_RGBINIT;
}

INT_PTR CColorDialog::DoModal()
{
    if (DoModalHook)
        return DoModalHook(*this);
    return ::ChooseColorA(&m_cc) ? IDOK : IDCANCEL;
}
