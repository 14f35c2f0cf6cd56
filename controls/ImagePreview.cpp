#include "controls/ImagePreview.h"

CImagePreview::CImagePreview() : MemoryDC(new CDC), MemoryBitmap(new CBitmap)
{
}

CImagePreview::~CImagePreview()
{
    // The DC goes first, with its own bitmap back in place, then the surface bitmap.
    if (MemoryDC->GetSafeHdc() && InitialBitmap)
        MemoryDC->SelectObject(InitialBitmap);
    MemoryDC.reset();
    MemoryBitmap.reset();
}

BEGIN_MESSAGE_MAP(CImagePreview, CStatic)
    ON_WM_PAINT()
    ON_WM_SYSCOLORCHANGE()
    ON_WM_SIZE()
END_MESSAGE_MAP()

void CImagePreview::PreSubclassWindow()
{
    CClientDC clientDC(this);
    MemoryDC->CreateCompatibleDC(clientDC);

    CRect client;
    GetClientRect(&client);
    // A control without area gets no surface; it then shows nothing but its face colour.
    if (client.Width() > 0 && client.Height() > 0 &&
        MemoryBitmap->CreateCompatibleBitmap(clientDC, client.Width(), client.Height()))
    {
        SurfaceWidth = client.Width();
        SurfaceHeight = client.Height();
        InitialBitmap = MemoryDC->SelectObject(*MemoryBitmap);
        FillFace(0, 0, SurfaceWidth, SurfaceHeight);
    }
    CStatic::PreSubclassWindow();
}

CSize CImagePreview::FitImage(int clientWidth, int clientHeight, int bitmapWidth, int bitmapHeight)
{
    // Either aspect ratio would be undefined (or meaningless) without positive sizes.
    if (clientWidth <= 0 || clientHeight <= 0 || bitmapWidth <= 0 || bitmapHeight <= 0)
        return CSize(0, 0);

    // Double precision throughout, the client size passing through single precision on the way.
    const double w = static_cast<float>(clientWidth);
    const double h = static_cast<float>(clientHeight);
    const double clientAspect = w / h;
    const double imageAspect = static_cast<double>(bitmapWidth) / bitmapHeight;
    if (clientAspect > imageAspect)
        return CSize(static_cast<int>(w / clientAspect * imageAspect), clientHeight);
    return CSize(clientWidth, static_cast<int>(h / imageAspect * clientAspect));
}

void CImagePreview::SetImage(HBITMAP bitmap)
{
    CRect client;
    GetClientRect(&client);
    FillFace(0, 0, client.Width(), client.Height());
    ImageWidth = 0;
    ImageHeight = 0;

    if (bitmap && MemoryBitmap->GetSafeHandle())
    {
        BITMAP info = {};
        ::GetObjectA(bitmap, sizeof(info), &info);
        CSize fitted = FitImage(client.Width(), client.Height(), info.bmWidth, info.bmHeight);
        if (fitted.cx > 0 && fitted.cy > 0)
        {
            PictureWidth = info.bmWidth;
            PictureHeight = info.bmHeight;
            ImageWidth = fitted.cx;
            ImageHeight = fitted.cy;
            CDC source;
            source.CreateCompatibleDC(*MemoryDC);
            // A monochrome picture takes its two colours from the target DC's text and
            // background colours: make sure they are black and white.
            MemoryDC->SetTextColor(RGB(0, 0, 0));
            MemoryDC->SetBkColor(RGB(255, 255, 255));
            {
                CSelectObject selected(source, bitmap);
                MemoryDC->StretchBlt(0, 0, ImageWidth, ImageHeight, source, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
            }
        }
    }
    InvalidateRect(nullptr, TRUE);
}

void CImagePreview::SetNote(const CString& note)
{
    if (note == Note)
        return;
    Note = note;
    InvalidateRect(nullptr, TRUE);
}

COLORREF CImagePreview::GetSurfacePixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= SurfaceWidth || y >= SurfaceHeight)
        return CLR_INVALID;
    return ::GetPixel(*MemoryDC, x, y);
}

void CImagePreview::FillFace(int x, int y, int width, int height)
{
    if (!MemoryBitmap->GetSafeHandle() || width <= 0 || height <= 0)
        return;
    MemoryDC->FillSolidRect(x, y, width, height, ::GetSysColor(COLOR_BTNFACE));
}

void CImagePreview::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    dc.FillSolidRect(client, ::GetSysColor(COLOR_BTNFACE));
    if (!MemoryBitmap->GetSafeHandle())
        return;

    CRect box;
    dc.GetClipBox(&box);
    // Copy only what the surface covers, in case the control has grown since it was made.
    CRect surface(0, 0, SurfaceWidth, SurfaceHeight);
    CRect copy;
    if (::IntersectRect(&copy, &box, &surface))
        dc.BitBlt(copy.left, copy.top, copy.Width(), copy.Height(), *MemoryDC, copy.left, copy.top, SRCCOPY);
    if (ImageWidth == 0 && !Note.IsEmpty())
    {
        CSelectObject font(dc, GetFont());
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(::GetSysColor(COLOR_BTNTEXT));
        dc.DrawText(Note, &client, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    }
}

void CImagePreview::OnSysColorChange()
{
    CStatic::OnSysColorChange();
    CRect client;
    GetClientRect(&client);
    // Only the free bands take the new face colour; the picture is left as it was drawn.
    FillFace(ImageWidth, 0, client.Width() - ImageWidth, client.Height());
    FillFace(0, ImageHeight, client.Width(), client.Height() - ImageHeight);
    InvalidateRect(nullptr, TRUE);
}

// Resized (as when the dialog is scaled for a screen of another resolution): the surface takes the
// new size, and the picture, which the control does not keep, is fitted anew from the old surface.
void CImagePreview::OnSize(UINT type, int width, int height)
{
    CStatic::OnSize(type, width, height);
    if (!MemoryDC->GetSafeHdc() || (width == SurfaceWidth && height == SurfaceHeight))
        return;

    CClientDC clientDC(this);
    CBitmap surface;
    if (width <= 0 || height <= 0 || !surface.CreateCompatibleBitmap(clientDC, width, height))
        return;
    const CSize fitted = ImageWidth > 0 ? FitImage(width, height, PictureWidth, PictureHeight) : CSize(0, 0);
    {
        CDC target;
        target.CreateCompatibleDC(clientDC);
        CSelectObject selected(target, surface);
        target.FillSolidRect(0, 0, width, height, ::GetSysColor(COLOR_BTNFACE));
        if (fitted.cx > 0 && fitted.cy > 0)
        {
            ::SetStretchBltMode(target, HALFTONE);
            ::SetBrushOrgEx(target, 0, 0, nullptr);
            target.StretchBlt(0, 0, fitted.cx, fitted.cy, *MemoryDC, 0, 0, ImageWidth, ImageHeight, SRCCOPY);
        }
    }
    HGDIOBJ previous = MemoryDC->SelectObject(surface);
    if (!InitialBitmap)
        InitialBitmap = previous;
    MemoryBitmap->Attach(surface.Detach());
    SurfaceWidth = width;
    SurfaceHeight = height;
    ImageWidth = fitted.cx;
    ImageHeight = fitted.cy;
    InvalidateRect(nullptr, TRUE);
}
