// Device-context wrappers: owned memory DCs and the scoped client, window and paint DCs.
#include "winlib/Dc.h"

#include "winlib/Wnd.h"

CDC::~CDC()
{
    DeleteDC();
}

BOOL CDC::CreateCompatibleDC(HDC reference)
{
    DeleteDC();
    m_hDC = ::CreateCompatibleDC(reference);
    Owned = m_hDC != nullptr;
    return m_hDC != nullptr;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC)
        return FALSE;
    // A borrowed DC is only let go; its owner releases it.
    BOOL ok = Owned ? ::DeleteDC(m_hDC) : TRUE;
    m_hDC = nullptr;
    Owned = false;
    return ok;
}

void CDC::FillSolidRect(const RECT& rect, COLORREF color)
{
    // An opaque empty text output fills a rectangle without a brush to create and delete.
    COLORREF previous = ::SetBkColor(m_hDC, color);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, previous);
}

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color)
{
    RECT rect = {x, y, x + width, y + height};
    FillSolidRect(rect, color);
}

CSize CDC::GetTextExtent(const char* text, int length) const
{
    SIZE size = {0, 0};
    ::GetTextExtentPoint32A(m_hDC, text ? text : "", text ? length : 0, &size);
    return CSize(size);
}

CClientDC::CClientDC(CWnd* window) : CClientDC(window ? window->m_hWnd : nullptr)
{
}

CClientDC::CClientDC(HWND window) : Window(window)
{
    m_hDC = ::GetDC(window);
}

CClientDC::~CClientDC()
{
    if (m_hDC)
        ::ReleaseDC(Window, m_hDC);
    m_hDC = nullptr;
}

CWindowDC::CWindowDC(HWND window) : Window(window)
{
    m_hDC = ::GetWindowDC(window);
}

CWindowDC::~CWindowDC()
{
    if (m_hDC)
        ::ReleaseDC(Window, m_hDC);
    m_hDC = nullptr;
}

CPaintDC::CPaintDC(CWnd* window) : m_ps(), Window(window ? window->m_hWnd : nullptr)
{
    m_hDC = ::BeginPaint(Window, &m_ps);
}

CPaintDC::~CPaintDC()
{
    if (m_hDC)
        ::EndPaint(Window, &m_ps);
    m_hDC = nullptr;
}
