// The preview control: fitting, the off-screen surface it draws into, painting and colour changes.
#include <gtest/gtest.h>

#include "controls/ImagePreview.h"
#include "tests/engine/BmpBuilder.h"

namespace
{

// A colour as the screen's surfaces hold it (the same colour on a true-colour display).
COLORREF Shown(COLORREF colour)
{
    HDC screen = ::GetDC(nullptr);
    COLORREF nearest = ::GetNearestColor(screen, colour);
    ::ReleaseDC(nullptr, screen);
    return nearest;
}

const COLORREF Red = RGB(220, 20, 30);
const COLORREF Blue = RGB(10, 40, 200);

COLORREF Face()
{
    return Shown(::GetSysColor(COLOR_BTNFACE));
}

// A top-bottom DIB section filled with one colour, or split into a left and a right colour.
HBITMAP MakePicture(int width, int height, COLORREF left, COLORREF right)
{
    const BITMAPINFO info = CBitmap::TopDownInfo(width, height);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    auto* pixels = static_cast<DWORD*>(bits);
    auto quad = [](COLORREF c) { return static_cast<DWORD>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c)); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[y * width + x] = quad(x < width / 2 ? left : right);
    return bitmap;
}

HBITMAP MakePicture(int width, int height, COLORREF colour)
{
    return MakePicture(width, height, colour, colour);
}

// A visible parent window with a preview control of a given client size attached to its child.
class PreviewHost
{
public:
    PreviewHost(int width, int height)
    {
        Parent = ::CreateWindowExA(0, "STATIC", "preview host", WS_POPUP | WS_VISIBLE, 10, 10, width + 40, height + 40,
                                   nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        Child = ::CreateWindowExA(0, "STATIC", "", 0x50020000, 5, 5, width, height, Parent,
                                  reinterpret_cast<HMENU>(1023), ::GetModuleHandleA(nullptr), nullptr);
        Preview.SubclassWindow(Child);
    }
    ~PreviewHost() { ::DestroyWindow(Parent); }
    PreviewHost(const PreviewHost&) = delete;
    PreviewHost& operator=(const PreviewHost&) = delete;

    // Runs a picture through the control and releases it, as the source page does.
    void Show(int width, int height, COLORREF left, COLORREF right)
    {
        HBITMAP picture = MakePicture(width, height, left, right);
        ASSERT_NE(picture, nullptr);
        Preview.SetImage(picture);
        ::DeleteObject(picture);
    }
    void Show(int width, int height, COLORREF colour) { Show(width, height, colour, colour); }

    HWND Parent = nullptr;
    HWND Child = nullptr;
    CImagePreview Preview;
};

// Every surface pixel inside the fitted rectangle has the picture colour, every other the face.
void ExpectFitted(const CImagePreview& preview, int clientWidth, int clientHeight, COLORREF picture)
{
    const int w = preview.GetImageWidth();
    const int h = preview.GetImageHeight();
    const COLORREF inside = Shown(picture);
    const COLORREF outside = Face();
    for (int y = 0; y < clientHeight; y += 3)
        for (int x = 0; x < clientWidth; x += 3)
        {
            COLORREF expected = (x < w && y < h) ? inside : outside;
            ASSERT_EQ(preview.GetSurfacePixel(x, y), expected) << "at " << x << ", " << y;
        }
    // The edges of the picture, sampled exactly.
    if (w > 0 && h > 0)
    {
        EXPECT_EQ(preview.GetSurfacePixel(w - 1, h - 1), inside);
        if (w < clientWidth)
        {
            EXPECT_EQ(preview.GetSurfacePixel(w, 0), outside);
        }
        if (h < clientHeight)
        {
            EXPECT_EQ(preview.GetSurfacePixel(0, h), outside);
        }
    }
}

// Changes the face colour for the test's duration and puts the user's colour back after.
class FaceColourChange
{
public:
    explicit FaceColourChange(COLORREF colour) : Saved(::GetSysColor(COLOR_BTNFACE))
    {
        INT element = COLOR_BTNFACE;
        ::SetSysColors(1, &element, &colour);
    }
    ~FaceColourChange()
    {
        INT element = COLOR_BTNFACE;
        ::SetSysColors(1, &element, &Saved);
    }
    FaceColourChange(const FaceColourChange&) = delete;
    FaceColourChange& operator=(const FaceColourChange&) = delete;

private:
    COLORREF Saved;
};

}  // namespace

// --- the fit, on its own ---------------------------------------------------------------------

TEST(ImagePreviewFit, WidePictureFillsTheWidthAndIsCutShortBelow)
{
    CSize size = CImagePreview::FitImage(403, 148, 800, 100);
    EXPECT_EQ(size.cx, 403);
    EXPECT_EQ(size.cy, 50);  // 403 * 100 / 800 = 50.375
}

TEST(ImagePreviewFit, TallPictureFillsTheHeight)
{
    CSize size = CImagePreview::FitImage(403, 148, 100, 300);
    EXPECT_EQ(size.cx, 49);  // 148 * 100 / 300 = 49.33
    EXPECT_EQ(size.cy, 148);
}

TEST(ImagePreviewFit, ExactProportionsTakeTheFullWidthBranch)
{
    CSize size = CImagePreview::FitImage(403, 148, 806, 296);
    EXPECT_EQ(size.cx, 403);
    EXPECT_EQ(size.cy, 148);
}

TEST(ImagePreviewFit, SmallPicturesAreEnlarged)
{
    CSize wide = CImagePreview::FitImage(403, 148, 30, 10);
    EXPECT_EQ(wide.cx, 403);
    EXPECT_EQ(wide.cy, 134);  // 403 / 3 = 134.33
    CSize tall = CImagePreview::FitImage(403, 148, 10, 30);
    EXPECT_EQ(tall.cx, 49);
    EXPECT_EQ(tall.cy, 148);
}

TEST(ImagePreviewFit, ResultNeverExceedsTheClientArea)
{
    const int sizes[] = {1, 2, 3, 7, 49, 99, 148, 299, 403, 1000, 4999};
    for (int cw : sizes)
        for (int ch : sizes)
            for (int bw : sizes)
                for (int bh : sizes)
                {
                    CSize s = CImagePreview::FitImage(cw, ch, bw, bh);
                    ASSERT_TRUE(s.cx == cw || s.cy == ch) << cw << "x" << ch << " " << bw << "x" << bh;
                    ASSERT_LE(s.cx, cw);
                    ASSERT_LE(s.cy, ch);
                    ASSERT_GE(s.cx, 0);
                    ASSERT_GE(s.cy, 0);
                }
}

TEST(ImagePreviewFit, ZeroOrNegativeSizesGiveNothingToDraw)
{
    const int cases[][4] = {{403, 148, 0, 10}, {403, 148, 10, 0}, {403, 0, 10, 10},
                            {0, 148, 10, 10},  {0, 0, 0, 0},      {403, 148, -5, 10}};
    for (const auto& c : cases)
    {
        CSize s = CImagePreview::FitImage(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(s.cx, 0);
        EXPECT_EQ(s.cy, 0);
    }
}

// --- the control and its off-screen surface --------------------------------------------------

TEST(ImagePreviewControl, StartsBlankInTheFaceColour)
{
    PreviewHost host(403, 148);
    EXPECT_EQ(host.Preview.GetImageWidth(), 0);
    EXPECT_EQ(host.Preview.GetImageHeight(), 0);
    ExpectFitted(host.Preview, 403, 148, Face());
    EXPECT_EQ(host.Preview.GetSurfacePixel(402, 147), Face());
    EXPECT_EQ(host.Preview.GetSurfacePixel(403, 0), CLR_INVALID);
}

TEST(ImagePreviewControl, WidePictureIsDrawnTopLeftWithFaceBelow)
{
    PreviewHost host(403, 148);
    host.Show(800, 100, Red);
    EXPECT_EQ(host.Preview.GetImageWidth(), 403);
    EXPECT_EQ(host.Preview.GetImageHeight(), 50);
    ExpectFitted(host.Preview, 403, 148, Red);
}

TEST(ImagePreviewControl, TallPictureIsLeftAlignedWithFaceToTheRight)
{
    PreviewHost host(403, 148);
    host.Show(100, 300, Blue);
    EXPECT_EQ(host.Preview.GetImageWidth(), 49);
    EXPECT_EQ(host.Preview.GetImageHeight(), 148);
    ExpectFitted(host.Preview, 403, 148, Blue);
}

TEST(ImagePreviewControl, ExactProportionsFillTheWholeControl)
{
    PreviewHost host(403, 148);
    host.Show(806, 296, Red);
    EXPECT_EQ(host.Preview.GetImageWidth(), 403);
    EXPECT_EQ(host.Preview.GetImageHeight(), 148);
    ExpectFitted(host.Preview, 403, 148, Red);
}

TEST(ImagePreviewControl, SmallPictureIsEnlargedAndKeepsItsOrientation)
{
    PreviewHost host(403, 148);
    host.Show(30, 10, Red, Blue);  // left half red, right half blue
    EXPECT_EQ(host.Preview.GetImageWidth(), 403);
    EXPECT_EQ(host.Preview.GetImageHeight(), 134);
    EXPECT_EQ(host.Preview.GetSurfacePixel(0, 0), Shown(Red));
    EXPECT_EQ(host.Preview.GetSurfacePixel(150, 133), Shown(Red));
    EXPECT_EQ(host.Preview.GetSurfacePixel(250, 0), Shown(Blue));
    EXPECT_EQ(host.Preview.GetSurfacePixel(402, 133), Shown(Blue));
    EXPECT_EQ(host.Preview.GetSurfacePixel(402, 134), Face());
}

TEST(ImagePreviewControl, MonochromePictureKeepsBlackAndWhite)
{
    PreviewHost host(403, 148);
    // 16 x 2, one bit per pixel: a white row over a black row.
    const WORD rows[2] = {0xFFFF, 0x0000};
    HBITMAP picture = ::CreateBitmap(16, 2, 1, 1, rows);
    ASSERT_NE(picture, nullptr);
    host.Preview.SetImage(picture);
    ::DeleteObject(picture);
    ASSERT_EQ(host.Preview.GetImageWidth(), 403);
    ASSERT_EQ(host.Preview.GetImageHeight(), 50);  // 403 / 8 = 50.375
    EXPECT_EQ(host.Preview.GetSurfacePixel(10, 10), RGB(255, 255, 255));
    EXPECT_EQ(host.Preview.GetSurfacePixel(400, 40), RGB(0, 0, 0));
    EXPECT_EQ(host.Preview.GetSurfacePixel(10, 60), Face());
}

TEST(ImagePreviewControl, NullClearsAnEarlierPicture)
{
    PreviewHost host(403, 148);
    host.Show(800, 100, Red);
    host.Preview.SetImage(nullptr);
    EXPECT_EQ(host.Preview.GetImageWidth(), 0);
    EXPECT_EQ(host.Preview.GetImageHeight(), 0);
    ExpectFitted(host.Preview, 403, 148, Face());
}

TEST(ImagePreviewControl, ANewPictureReplacesTheWholeOldOne)
{
    PreviewHost host(403, 148);
    host.Show(806, 296, Red);
    host.Show(100, 300, Blue);
    ExpectFitted(host.Preview, 403, 148, Blue);
}

TEST(ImagePreviewControl, UnreadableHandleStaysBlank)
{
    PreviewHost host(403, 148);
    host.Show(800, 100, Red);
    HBITMAP gone = MakePicture(20, 20, Blue);
    ::DeleteObject(gone);
    host.Preview.SetImage(gone);
    EXPECT_EQ(host.Preview.GetImageWidth(), 0);
    EXPECT_EQ(host.Preview.GetImageHeight(), 0);
    ExpectFitted(host.Preview, 403, 148, Face());
}

TEST(ImagePreviewControl, ControlWithoutHeightDrawsNothing)
{
    PreviewHost host(403, 0);
    host.Show(800, 100, Red);
    EXPECT_EQ(host.Preview.GetImageWidth(), 0);
    EXPECT_EQ(host.Preview.GetImageHeight(), 0);
    EXPECT_EQ(host.Preview.GetSurfacePixel(0, 0), CLR_INVALID);
    ::UpdateWindow(host.Parent);  // painting without a surface must not fail either
}

TEST(ImagePreviewControl, TheCallersBitmapIsLeftUsable)
{
    PreviewHost host(403, 148);
    HBITMAP picture = MakePicture(60, 30, Red);
    host.Preview.SetImage(picture);
    // Not kept selected anywhere: the caller can select it into a DC of its own and delete it.
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, picture);
    EXPECT_NE(previous, nullptr);
    EXPECT_EQ(::GetPixel(dc, 5, 5), Red);
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
    EXPECT_TRUE(::DeleteObject(picture));
}

TEST(ImagePreviewControl, PaintingCopiesTheSurfaceToTheScreen)
{
    PreviewHost host(403, 148);
    host.Show(800, 100, Red);
    ::RedrawWindow(host.Child, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC screen = ::GetDC(host.Child);
    EXPECT_EQ(::GetPixel(screen, 0, 0), Shown(Red));
    EXPECT_EQ(::GetPixel(screen, 402, 49), Shown(Red));
    EXPECT_EQ(::GetPixel(screen, 402, 50), Face());
    EXPECT_EQ(::GetPixel(screen, 0, 147), Face());
    ::ReleaseDC(host.Child, screen);
}

// --- system colour changes --------------------------------------------------------------------

TEST(ImagePreviewColours, ChangeRepaintsOnlyTheFreeBands)
{
    PreviewHost host(403, 148);
    host.Show(100, 300, Blue);  // 49 x 148: a band to the right
    const COLORREF oldFace = Face();
    const COLORREF newFace = oldFace == RGB(12, 200, 34) ? RGB(34, 12, 200) : RGB(12, 200, 34);
    FaceColourChange change(newFace);
    ASSERT_EQ(::GetSysColor(COLOR_BTNFACE), newFace);
    ::SendMessageA(host.Child, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(host.Preview.GetSurfacePixel(0, 0), Shown(Blue));
    EXPECT_EQ(host.Preview.GetSurfacePixel(48, 147), Shown(Blue));
    EXPECT_EQ(host.Preview.GetSurfacePixel(49, 0), Shown(newFace));
    EXPECT_EQ(host.Preview.GetSurfacePixel(402, 147), Shown(newFace));
}

TEST(ImagePreviewColours, ChangeRepaintsBothBandsAroundASmallerImage)
{
    PreviewHost host(403, 148);
    host.Show(800, 100, Red);  // 403 x 50: a band below
    const COLORREF newFace = Face() == RGB(200, 100, 0) ? RGB(0, 100, 200) : RGB(200, 100, 0);
    FaceColourChange change(newFace);
    ::SendMessageA(host.Child, WM_SYSCOLORCHANGE, 0, 0);
    ExpectFitted(host.Preview, 403, 148, Red);
}

TEST(ImagePreviewColours, BlankControlTakesTheNewFaceEverywhere)
{
    PreviewHost host(403, 148);
    host.Preview.SetImage(nullptr);
    const COLORREF newFace = Face() == RGB(90, 10, 90) ? RGB(10, 90, 90) : RGB(90, 10, 90);
    FaceColourChange change(newFace);
    ::SendMessageA(host.Child, WM_SYSCOLORCHANGE, 0, 0);
    ExpectFitted(host.Preview, 403, 148, newFace);
}

// The words why there is no picture show only where there is none: not over a picture.
TEST(ImagePreviewNote, IsDrawnOnlyWhileThePreviewIsBlank)
{
    PreviewHost host(200, 60);
    auto inked = [&host] {
        ::RedrawWindow(host.Child, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        CClientDC dc(host.Child);
        int count = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 200; ++x)
                count += ::GetPixel(dc, x, y) == Shown(::GetSysColor(COLOR_BTNTEXT)) ? 1 : 0;
        return count;
    };
    host.Preview.SetNote("No preview: too large.");
    EXPECT_EQ(std::string(host.Preview.GetNote()), "No preview: too large.");
    EXPECT_GT(inked(), 20);
    host.Show(200, 60, Red);
    EXPECT_EQ(inked(), 0);
    host.Preview.SetImage(nullptr);
    host.Preview.SetNote("");
    EXPECT_EQ(inked(), 0);
}
