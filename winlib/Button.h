// CButton: a push button, check box or owner-drawn button.
#pragma once

#include "winlib/Wnd.h"

class CButton : public CWnd
{
public:
    CButton() = default;

    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
    void SetState(BOOL highlight) { SendMessage(BM_SETSTATE, highlight); }

    // Draws an owner-drawn button; called for the WM_DRAWITEM its parent receives about it.
    virtual void DrawItem(LPDRAWITEMSTRUCT item);

    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

protected:
    DECLARE_MESSAGE_MAP()
};
