// CToolTipCtrl: creation of the common tooltip window as an object of ours.
#include "winlib/ToolTipCtrl.h"

#include "winlib/WinApp.h"

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style)
{
    if (m_hWnd)
        return FALSE;
    HWND window = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | style, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr,
                                    nullptr, AfxGetInstanceHandle(), nullptr);
    if (!window)
        return FALSE;
    // Subclassed rather than only attached: the tooltip goes with its owner window, and its
    // WM_NCDESTROY must detach this object before the handle can be reused.
    return SubclassWindow(window);
}
