// CToolTipCtrl: the common tooltip control, with the relaying a dialog's messages need.
#pragma once

#include "winlib/Wnd.h"

class CToolTipCtrl : public CWnd
{
public:
    CToolTipCtrl() = default;

    BOOL Create(CWnd* parent, DWORD style = 0);
    void SetDelayTime(DWORD which, int milliseconds)
    {
        SendMessage(TTM_SETDELAYTIME, which, MAKELPARAM(milliseconds, 0));
    }
    // Hands a mouse message to the tooltip so that it can decide when to show.
    void RelayEvent(MSG* message) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message)); }
};
