// The font sample: the face name in its own face, shortened until it fits, centred on the
// window colour whatever that colour is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "controls/FontPreview.h"
#include "tests/ui/UiTestSupport.h"

namespace
{

const int ID_SAMPLE = 300;

// A dialog holding one sample of the size the output page gives it.
class FontPreviewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Template.Add("STATIC", "", ID_SAMPLE, WS_GROUP | SS_LEFT, 0, 0, 130, 20);
        ASSERT_TRUE(Dialog.CreateIndirect(Template.Get()));
        ASSERT_TRUE(Sample.SubclassDlgItem(ID_SAMPLE, &Dialog));
        Dialog.ShowWindow(SW_SHOW);
        std::snprintf(Font.lfFaceName, LF_FACESIZE, "%s", "DejaVu Sans Mono");
        Font.lfHeight = 100;  // the sample draws at 12 points whatever the entry says
    }
    void TearDown() override { ::SetSysColors(2, Elements, Saved); }

    // Paints the sample now and reads its pixels.
    void Paint()
    {
        Sample.InvalidateRect(nullptr, TRUE);
        Dialog.UpdateWindow();
        Sample.UpdateWindow();
    }
    COLORREF Pixel(int x, int y) const
    {
        CClientDC dc(Sample.m_hWnd);
        return ::GetPixel(dc, x, y);
    }

    uitest::DialogTemplate Template{ WS_POPUP | DS_SETFONT, 140, 30 };
    CDialog Dialog;
    CFontPreview Sample;
    LOGFONTA Font = {};
    const int Elements[2] = { COLOR_WINDOW, COLOR_WINDOWTEXT };
    const COLORREF Saved[2] = { ::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT) };
};

}  // namespace

TEST_F(FontPreviewTest, TextIsShortenedAtTheEndUntilNarrowerThanTheWidth)
{
    CClientDC dc(Sample.m_hWnd);
    CSelectObject font(dc, Dialog.GetFont());
    const CString face = "Courier New";
    const int whole = dc.GetTextExtent(face).cx;
    CSize extent;
    EXPECT_EQ(CFontPreview::FitText(dc, face, whole + 1, extent), face);
    EXPECT_EQ(extent.cx, whole);
    // Exactly as wide as the control is too wide.
    EXPECT_EQ(CFontPreview::FitText(dc, face, whole, extent), "Courier Ne");
    EXPECT_LT(extent.cx, whole);
    EXPECT_EQ(CFontPreview::FitText(dc, face, dc.GetTextExtent("Cou", 3).cx, extent), "Co");
    // A control too narrow for any character ends with nothing to draw.
    EXPECT_EQ(CFontPreview::FitText(dc, face, 0, extent), "");
    EXPECT_EQ(CFontPreview::FitText(dc, face, -5, extent), "");
}

TEST_F(FontPreviewTest, DrawsTheFaceCentredOnADarkWindowColour)
{
    // A high-contrast scheme: white text on a black window.
    const COLORREF dark[2] = { RGB(0, 0, 0), RGB(255, 255, 255) };
    ::SetSysColors(2, Elements, dark);
    CRect client;
    Sample.GetClientRect(&client);

    Paint();  // no font yet: nothing of the control's own, the dialog shows through
    EXPECT_NE(Pixel(client.Width() / 2, client.Height() / 2), RGB(0, 0, 0));

    Sample.LogFont = &Font;
    Paint();
    // Inside the sunken edge the letters are found by their colour; their box is centred both
    // ways, and the window colour shows between them (no white box behind the white letters).
    int left = client.right, right = -1, top = client.bottom, bottom = -1;
    for (int y = 2; y < client.bottom - 2; ++y)
        for (int x = 2; x < client.right - 2; ++x)
            if (Pixel(x, y) != RGB(0, 0, 0))
            {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GT(right, left);
    EXPECT_GT(bottom - top, 6);
    EXPECT_NEAR(left + right, client.Width() - 1, 4);
    EXPECT_NEAR(top + bottom, client.Height() - 1, 8);  // letters sit above the descent
    int between = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            between += Pixel(x, y) == RGB(0, 0, 0);
    EXPECT_GT(between, (right - left + 1) * (bottom - top + 1) / 3);
}
