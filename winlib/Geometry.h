// CPoint, CSize and CRect: the platform's POINT, SIZE and RECT with a few conveniences.
#pragma once

#include "winlib/Win32.h"

class CPoint : public POINT
{
public:
    CPoint() : POINT{0, 0} {}
    CPoint(int px, int py) : POINT{px, py} {}
    CPoint(POINT p) : POINT(p) {}
    // From a mouse message's packed coordinates (signed 16-bit each).
    explicit CPoint(LPARAM packed) : POINT{static_cast<short>(LOWORD(packed)), static_cast<short>(HIWORD(packed))} {}
    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
};

class CSize : public SIZE
{
public:
    CSize() : SIZE{0, 0} {}
    CSize(int w, int h) : SIZE{w, h} {}
    CSize(SIZE s) : SIZE(s) {}
};

class CRect : public RECT
{
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    bool IsRectEmpty() const { return Width() <= 0 || Height() <= 0; }
    bool PtInRect(POINT p) const { return ::PtInRect(this, p) != FALSE; }

    void DeflateRect(int dx, int dy)
    {
        left += dx;
        top += dy;
        right -= dx;
        bottom -= dy;
    }
    void InflateRect(int dx, int dy) { DeflateRect(-dx, -dy); }
    void OffsetRect(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }

    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
    bool operator==(const CRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};
