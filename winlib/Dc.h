// Device-context wrappers and a scoped selection that puts the previous object back.
#pragma once

#include "winlib/Win32.h"
#include "winlib/Geometry.h"
#include "winlib/String.h"

class CWnd;

// Wraps an HDC. A CDC made with CreateCompatibleDC deletes its DC; an attached one is only borrowed.
class CDC
{
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;

    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    // Borrows a DC someone else owns (e.g. from WM_CTLCOLOR or WM_DRAWITEM); Detach before it goes.
    void Attach(HDC dc)
    {
        m_hDC = dc;
        Owned = false;
    }
    HDC Detach()
    {
        HDC dc = m_hDC;
        m_hDC = nullptr;
        Owned = false;
        return dc;
    }
    BOOL CreateCompatibleDC(HDC reference);
    BOOL DeleteDC();

    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    HPALETTE SelectPalette(HPALETTE palette, BOOL background) { return ::SelectPalette(m_hDC, palette, background); }
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }

    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
    int GetClipBox(LPRECT rect) const { return ::GetClipBox(m_hDC, rect); }

    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }

    void FillSolidRect(const RECT& rect, COLORREF color);
    void FillSolidRect(int x, int y, int width, int height, COLORREF color);
    int FillRect(const RECT& rect, HBRUSH brush) { return ::FillRect(m_hDC, &rect, brush); }
    int FrameRect(const RECT& rect, HBRUSH brush) { return ::FrameRect(m_hDC, &rect, brush); }
    BOOL DrawEdge(RECT rect, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, &rect, edge, flags); }
    BOOL DrawFrameControl(RECT rect, UINT type, UINT state) { return ::DrawFrameControl(m_hDC, &rect, type, state); }
    BOOL DrawFocusRect(const RECT& rect) { return ::DrawFocusRect(m_hDC, &rect); }
    BOOL DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
    BOOL MoveTo(int x, int y) { return ::MoveToEx(m_hDC, x, y, nullptr); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL Rectangle(const RECT& rect) { return ::Rectangle(m_hDC, rect.left, rect.top, rect.right, rect.bottom); }

    BOOL TextOut(int x, int y, const char* text, int length) { return ::TextOutA(m_hDC, x, y, text, length); }
    BOOL TextOut(int x, int y, const CString& text) { return TextOut(x, y, text, text.GetLength()); }
    CSize GetTextExtent(const char* text, int length) const;
    CSize GetTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }
    int DrawText(const CString& text, RECT* rect, UINT format)
    {
        return ::DrawTextA(m_hDC, text, text.GetLength(), rect, format);
    }

    BOOL BitBlt(int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, width, height, source, sx, sy, rop);
    }
    BOOL StretchBlt(int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh, DWORD rop)
    {
        return ::StretchBlt(m_hDC, x, y, width, height, source, sx, sy, sw, sh, rop);
    }

protected:
    bool Owned = false;
};

// The client-area DC of a window, released when it goes out of scope.
class CClientDC : public CDC
{
public:
    explicit CClientDC(CWnd* window);
    explicit CClientDC(HWND window);
    ~CClientDC() override;

private:
    HWND Window;
};

// The screen's or a window's whole DC (GetWindowDC), released when it goes out of scope.
class CWindowDC : public CDC
{
public:
    explicit CWindowDC(HWND window);
    ~CWindowDC() override;

private:
    HWND Window;
};

// BeginPaint/EndPaint for the scope of a WM_PAINT handler.
class CPaintDC : public CDC
{
public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

private:
    HWND Window;
};

// Selects a GDI object into a DC for the scope and puts the previous one back.
class CSelectObject
{
public:
    CSelectObject(HDC dc, HGDIOBJ object) : DC(dc), Previous(object ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectObject()
    {
        if (Previous)
            ::SelectObject(DC, Previous);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC DC;
    HGDIOBJ Previous;
};

// Selects a palette into a DC for the scope (foreground or background) and puts the previous one
// back in the foreground.
class CSelectPalette
{
public:
    CSelectPalette(HDC dc, HPALETTE palette, BOOL background)
        : DC(dc), Previous(palette ? ::SelectPalette(dc, palette, background) : nullptr)
    {
    }
    ~CSelectPalette()
    {
        if (Previous)
            ::SelectPalette(DC, Previous, FALSE);
    }
    CSelectPalette(const CSelectPalette&) = delete;
    CSelectPalette& operator=(const CSelectPalette&) = delete;

private:
    HDC DC;
    HPALETTE Previous;
};
