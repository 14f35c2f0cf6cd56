// CFontPreview: the sample under the output page's font list: the selected face's name written
// in that face at 12 points, centred in a sunken field of the window colour.
#pragma once

#include "winlib/Afx.h"

// Shows the font description its owner points it at; the owner sets LogFont and invalidates.
// The font is made afresh for every paint: nothing is cached.
class CFontPreview : public CStatic
{
public:
    CFontPreview() = default;

    // The font list entry to show, owned by the output page and never changed here; while it is
    // null the control paints nothing of its own.
    const LOGFONTA* LogFont = nullptr;

    // The longest beginning of text, in whole characters, that is narrower than width in the DC's
    // current font, with its extent; empty when not even one character fits.
    static CString FitText(CDC& dc, const CString& text, int width, CSize& extent);

protected:
    void OnPaint();

    DECLARE_MESSAGE_MAP()
};
