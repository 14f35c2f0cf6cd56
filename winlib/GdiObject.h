// GDI object wrappers: each owns at most one handle and deletes it when destroyed.
#pragma once

#include "winlib/Win32.h"

class CGdiObject
{
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    // Takes ownership of an existing handle (deleting any held before).
    BOOL Attach(HGDIOBJ handle)
    {
        DeleteObject();
        m_hObject = handle;
        return handle != nullptr;
    }
    // Gives up ownership without deleting.
    HGDIOBJ Detach()
    {
        HGDIOBJ h = m_hObject;
        m_hObject = nullptr;
        return h;
    }
    BOOL DeleteObject()
    {
        if (!m_hObject)
            return FALSE;
        BOOL ok = ::DeleteObject(m_hObject);
        m_hObject = nullptr;
        return ok;
    }
    int GetObject(int size, void* buffer) const { return ::GetObjectA(m_hObject, size, buffer); }
};

class CFont : public CGdiObject
{
public:
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    BOOL CreateFontIndirect(const LOGFONTA* font) { return Attach(::CreateFontIndirectA(font)); }
    int GetLogFont(LOGFONTA* font) const { return GetObject(sizeof(LOGFONTA), font); }
};

class CBrush : public CGdiObject
{
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
    BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
};

class CPen : public CGdiObject
{
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
    BOOL CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
};

class CBitmap : public CGdiObject
{
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    BOOL CreateCompatibleBitmap(HDC dc, int width, int height)
    {
        return Attach(::CreateCompatibleBitmap(dc, width, height));
    }
    int GetBitmap(BITMAP* info) const { return GetObject(sizeof(BITMAP), info); }

    // The header of a 32-bit picture of width x height whose rows run from the top, each pixel
    // blue, green, red from its lowest byte.
    static BITMAPINFO TopDownInfo(int width, int height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        return info;
    }
    // Makes such a picture as a DIB section, its pixels at *bits (null when it could not be made).
    BOOL CreateTopDownDib(HDC dc, int width, int height, void** bits)
    {
        const BITMAPINFO info = TopDownInfo(width, height);
        return Attach(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0));
    }
};

class CPalette : public CGdiObject
{
public:
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
    BOOL CreatePalette(const LOGPALETTE* palette) { return Attach(::CreatePalette(palette)); }
};
