// CHyperLink: a static text that draws itself as a link (blue, underlined, hand cursor)
// and opens its own text with the shell when pressed.
#pragma once

#include "winlib/Afx.h"

class CHyperLink : public CStatic
{
public:
    CHyperLink();

    // The shell call that opens the link, with ShellExecuteA's signature. Tests point it at a
    // stand-in so that pressing the link launches nothing; everything else leaves it alone.
    using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                                    LPCSTR directory, INT show);
    static ShellExecuteFunction ShellExecuteHook;

    // The control's font with underlining; empty until the link is first coloured.
    CFont UnderlineFont;
    // The pointing hand shown over the link; owned by the control.
    CCursor LinkCursor;

protected:
    // Reflected WM_CTLCOLORSTATIC: blue underlined text on a transparent background.
    HBRUSH CtlColor(CDC* dc, UINT ctlType);
    // Claims the mouse for the control, which has no SS_NOTIFY style of its own.
    LRESULT OnNcHitTest(CPoint point);
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);
    // Opens the link on the press, not the release; falls back to the clipboard.
    void OnLButtonDown(UINT flags, CPoint point);
    // The dialog has been scaled for a screen of another resolution, its font made anew: the
    // link underlines that one from now on.
    void OnDpiChangedAfterParent();

    DECLARE_MESSAGE_MAP()

private:
    // Puts text on the clipboard as CF_TEXT; false when the clipboard could not be used.
    bool CopyToClipboard(const CString& text);
};
