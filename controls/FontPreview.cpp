#include "controls/FontPreview.h"

#include <cstring>

BEGIN_MESSAGE_MAP(CFontPreview, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CString CFontPreview::FitText(CDC& dc, const CString& text, int width, CSize& extent)
{
    // Shortened at the end, one character at a time; the empty text ends the search even
    // in a control too narrow for anything.
    CString fitted = text;
    extent = dc.GetTextExtent(fitted);
    while (!fitted.IsEmpty() && extent.cx >= width)
    {
        fitted = fitted.WithoutLastCharacter();
        extent = dc.GetTextExtent(fitted);
    }
    return fitted;
}

void CFontPreview::OnPaint()
{
    CPaintDC dc(this);
    if (!LogFont)
        return;

    // The list entry's face at 12 points on this screen, whatever size the entry carries.
    LOGFONTA sample = *LogFont;
    sample.lfHeight = (-12 * dc.GetDeviceCaps(LOGPIXELSY)) / 72;
    sample.lfWidth = 0;
    CFont font;
    font.CreateFontIndirect(&sample);
    CSelectObject selection(dc, font);

    CRect client;
    GetClientRect(&client);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    dc.FillSolidRect(client, window);

    CSize extent;
    const CString face(sample.lfFaceName, static_cast<int>(strnlen(sample.lfFaceName, LF_FACESIZE)));
    const CString text = FitText(dc, face, client.Width(), extent);
    // The letters stand on the window colour, so that they show in any colour scheme.
    dc.SetTextColor(::GetSysColor(COLOR_WINDOWTEXT));
    dc.SetBkColor(window);
    dc.TextOut((client.Width() - extent.cx) / 2, (client.Height() - extent.cy) / 2, text);
    dc.DrawEdge(client, EDGE_SUNKEN, BF_RECT);
}
