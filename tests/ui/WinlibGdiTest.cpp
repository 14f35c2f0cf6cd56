// GDI and device-context wrappers: every handle a wrapper owns is released with it, borrowed
// ones are left alone, and scoped selections and fills put the DC back as they found it.
#include <gtest/gtest.h>

#include "tests/ui/UiTestSupport.h"

namespace
{
bool IsLive(HGDIOBJ handle)
{
    return handle && ::GetObjectType(handle) != 0;
}

LOGFONTA SomeFont()
{
    LOGFONTA font = {};
    font.lfHeight = -13;
    lstrcpyA(font.lfFaceName, "Courier New");
    return font;
}

TEST(WinlibGdiObjects, EachWrapperDeletesItsHandleWhenDestroyed)
{
    HGDIOBJ brush, pen, font, bitmap, palette;
    {
        CBrush b(RGB(10, 20, 30));
        CPen p(PS_SOLID, 1, RGB(1, 1, 1));
        CFont f;
        LOGFONTA logFont = SomeFont();
        ASSERT_TRUE(f.CreateFontIndirect(&logFont));
        CBitmap bm;
        HDC screen = ::GetDC(nullptr);
        ASSERT_TRUE(bm.CreateCompatibleBitmap(screen, 8, 4));
        ::ReleaseDC(nullptr, screen);
        struct
        {
            LOGPALETTE Header;
            PALETTEENTRY More[1];
        } colours = {{0x300, 2, {{255, 0, 0, 0}}}, {{0, 0, 255, 0}}};
        CPalette pal;
        ASSERT_TRUE(pal.CreatePalette(&colours.Header));

        brush = b, pen = p, font = f, bitmap = bm, palette = pal;
        EXPECT_EQ(::GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
        EXPECT_EQ(::GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
        EXPECT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
        EXPECT_EQ(::GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
        EXPECT_EQ(::GetObjectType(palette), static_cast<DWORD>(OBJ_PAL));

        LOGFONTA readBack = {};
        EXPECT_EQ(f.GetLogFont(&readBack), static_cast<int>(sizeof readBack));
        EXPECT_EQ(readBack.lfHeight, -13);
        BITMAP info = {};
        EXPECT_EQ(bm.GetBitmap(&info), static_cast<int>(sizeof info));
        EXPECT_EQ(info.bmWidth, 8);
        EXPECT_EQ(info.bmHeight, 4);
    }
    EXPECT_FALSE(IsLive(brush));
    EXPECT_FALSE(IsLive(pen));
    EXPECT_FALSE(IsLive(font));
    EXPECT_FALSE(IsLive(bitmap));
    EXPECT_FALSE(IsLive(palette));
}

TEST(WinlibGdiObjects, AttachReplacesAndDeletesDetachGivesUp)
{
    CBrush brush(RGB(1, 2, 3));
    HGDIOBJ first = brush;
    HBRUSH second = ::CreateSolidBrush(RGB(4, 5, 6));
    EXPECT_TRUE(brush.Attach(second));
    EXPECT_FALSE(IsLive(first));
    EXPECT_EQ(brush.GetSafeHandle(), second);

    // Creating again through the wrapper also frees what it held.
    brush.CreateSolidBrush(RGB(7, 8, 9));
    EXPECT_FALSE(IsLive(second));
    HGDIOBJ third = brush.Detach();
    EXPECT_EQ(brush.GetSafeHandle(), nullptr);
    EXPECT_FALSE(brush.DeleteObject());
    EXPECT_TRUE(IsLive(third));
    ::DeleteObject(third);
}

TEST(WinlibGdiObjects, ManyWrappersLeaveTheProcessObjectCountAsItWas)
{
    int before = uitest::GdiObjectCount();
    HGDIOBJ last = nullptr;
    for (int i = 0; i < 500; ++i)
    {
        CBrush brush(RGB(i % 256, 0, 0));
        CPen pen(PS_SOLID, 1, RGB(0, i % 256, 0));
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        CSelectObject selection(dc, pen);
        last = brush;
    }
    EXPECT_FALSE(IsLive(last));
    int after = uitest::GdiObjectCount();
    if (before >= 0 && after >= 0)  // Wine does not count GDI objects; Windows does
    {
        EXPECT_EQ(after, before);
    }
}

TEST(WinlibDeviceContexts, AMemoryDcIsDeletedAndABorrowedOneIsNot)
{
    HDC made = nullptr;
    {
        CDC memory;
        ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
        made = memory;
        EXPECT_EQ(::GetObjectType(made), static_cast<DWORD>(OBJ_MEMDC));
    }
    EXPECT_FALSE(IsLive(made));

    HDC borrowed = ::CreateCompatibleDC(nullptr);
    {
        CDC wrapper;
        wrapper.Attach(borrowed);
        EXPECT_EQ(wrapper.GetSafeHdc(), borrowed);
    }
    EXPECT_TRUE(IsLive(borrowed));
    {
        CDC wrapper;
        wrapper.Attach(borrowed);
        EXPECT_TRUE(wrapper.DeleteDC());  // lets go without deleting
        EXPECT_EQ(wrapper.GetSafeHdc(), nullptr);
    }
    EXPECT_TRUE(IsLive(borrowed));
    ::DeleteDC(borrowed);
}

TEST(WinlibDeviceContexts, ClientDcsAreReleasedBackToTheWindow)
{
    HWND window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    // A released common DC is handed out again; one that leaked would not be.
    HDC first = nullptr;
    {
        CClientDC dc(window);
        first = dc;
        ASSERT_NE(first, nullptr);
    }
    for (int i = 0; i < 50; ++i)
    {
        CClientDC dc(window);
        CWindowDC whole(window);
        EXPECT_NE(whole.GetSafeHdc(), nullptr);
    }
    CClientDC again(window);
    EXPECT_EQ(again.GetSafeHdc(), first);
    ::DestroyWindow(window);
}

class CPaintingWnd : public CWnd
{
public:
    int Paints = 0;
    RECT PaintRect = {};

protected:
    void OnPaint()
    {
        CPaintDC dc(this);
        PaintRect = dc.m_ps.rcPaint;
        dc.FillSolidRect(0, 0, 40, 40, RGB(0, 0, 255));
        ++Paints;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintingWnd, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

TEST(WinlibDeviceContexts, APaintDcValidatesWhatItPainted)
{
    CPaintingWnd window;
    ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr));
    window.UpdateWindow();
    RECT part = {5, 5, 15, 15};
    window.InvalidateRect(&part, FALSE);
    int before = window.Paints;
    window.UpdateWindow();
    EXPECT_EQ(window.Paints, before + 1);
    EXPECT_EQ(CRect(window.PaintRect), CRect(part));
    RECT remaining;
    EXPECT_FALSE(::GetUpdateRect(window, &remaining, FALSE));  // EndPaint ran
    window.UpdateWindow();
    EXPECT_EQ(window.Paints, before + 1);
}

TEST(WinlibDeviceContexts, SelectionsAndFillsPutTheDcBack)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap surface;
    HDC screen = ::GetDC(nullptr);
    surface.CreateCompatibleBitmap(screen, 20, 20);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ originalBitmap = dc.SelectObject(surface);

    CBrush brush(RGB(0, 255, 0));
    HGDIOBJ previousBrush = ::GetCurrentObject(dc, OBJ_BRUSH);
    {
        CSelectObject selection(dc, brush);
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), brush.GetSafeHandle());
    }
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), previousBrush);
    {
        CSelectObject nothing(dc, nullptr);  // selecting nothing changes nothing
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), previousBrush);
    }

    dc.SetBkColor(RGB(1, 2, 3));
    dc.FillSolidRect(CRect(2, 2, 6, 6), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 2, 2), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 5, 5), RGB(255, 0, 0));
    EXPECT_NE(::GetPixel(dc, 6, 6), RGB(255, 0, 0));  // right and bottom edges excluded
    EXPECT_EQ(::GetBkColor(dc), RGB(1, 2, 3));

    CSize wide = dc.GetTextExtent("WWWW", 4);
    CSize narrow = dc.GetTextExtent(CString("W"));
    EXPECT_GT(wide.cx, narrow.cx);
    EXPECT_GT(narrow.cy, 0);
    EXPECT_EQ(dc.GetTextExtent("", 0).cx, 0);
    dc.SelectObject(originalBitmap);
}
}  // namespace
