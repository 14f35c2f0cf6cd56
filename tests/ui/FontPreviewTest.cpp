// The font sample: the face name shortened until it fits, centred on the window colour.
#include <gtest/gtest.h>

#include <cstdio>

#include "controls/FontPreview.h"
#include "tests/ui/UiTestSupport.h"

TEST(FontPreview, ShortensTheNameAndDrawsItCentredOnTheWindowColour)
{
    uitest::DialogTemplate frame(WS_POPUP | DS_SETFONT, 140, 30);
    frame.Add("STATIC", "", 300, WS_GROUP | SS_LEFT, 0, 0, 130, 20);  // as on the output page
    CDialog dialog;
    CFontPreview sample;
    ASSERT_TRUE(dialog.CreateIndirect(frame.Get()) && sample.SubclassDlgItem(300, &dialog));
    dialog.ShowWindow(SW_SHOW);
    CClientDC dc(sample.m_hWnd);
    {
        CSelectObject font(dc, dialog.GetFont());
        const int whole = dc.GetTextExtent("Courier New", 11).cx;
        CSize extent;
        EXPECT_EQ(CFontPreview::FitText(dc, "Courier New", whole + 1, extent), "Courier New");
        EXPECT_EQ(CFontPreview::FitText(dc, "Courier New", whole, extent), "Courier Ne");  // as wide: too wide
        EXPECT_EQ(CFontPreview::FitText(dc, "Courier New", 0, extent), "");  // nothing fits: no endless loop
    }

    // A high-contrast scheme, white text on a black window: the letters keep the window colour
    // between them instead of a white box, and their extent is centred both ways.
    const int elements[2] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
    const COLORREF saved[2] = {::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT)};
    const COLORREF dark[2] = {RGB(0, 0, 0), RGB(255, 255, 255)};
    ::SetSysColors(2, elements, dark);
    LOGFONTA face = {};
    std::snprintf(face.lfFaceName, LF_FACESIZE, "DejaVu Sans Mono");
    sample.LogFont = &face;
    sample.InvalidateRect(nullptr, TRUE);
    sample.UpdateWindow();
    CRect client, box;  // the box around every pixel that is not the window colour
    sample.GetClientRect(&client);
    int lit = 0;
    for (int y = 2; y < client.bottom - 2; ++y)  // inside the sunken edge
        for (int x = 2; x < client.right - 2; ++x)
            if (::GetPixel(dc, x, y) != RGB(0, 0, 0))
            {
                const CRect pixel(x, y, x + 1, y + 1);
                ::UnionRect(&box, &box, &pixel);
                ++lit;
            }
    ::SetSysColors(2, elements, saved);
    ASSERT_GT(box.Height(), 6);
    EXPECT_NEAR(box.left + box.right, client.Width(), 4);
    EXPECT_NEAR(box.top + box.bottom, client.Height(), 8);  // the letters sit above their descent
    EXPECT_LT(lit, box.Width() * box.Height() * 2 / 3);
}
