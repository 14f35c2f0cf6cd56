// CImagePreview: the "Preview:" area of the source page. Shows a bitmap scaled to fit the
// control with its proportions kept, anchored top-left, on the dialog face colour.
#pragma once

#include <memory>
#include "winlib/Afx.h"

// Draws the picture once per change into an off-screen bitmap of the control's size and
// paints by copying from it. The bitmap given to SetImage stays the caller's.
class CImagePreview : public CStatic
{
public:
    CImagePreview();
    ~CImagePreview() override;

    // Draws the bitmap fitted into the off-screen surface (or clears it for null) and repaints.
    // The handle is only read during the call; the control keeps no reference to it.
    void SetImage(HBITMAP bitmap);

    // A few words shown in the blank control, why there is no picture; empty for none. The
    // control's own font, wrapped to its width.
    void SetNote(const CString& note);
    const CString& GetNote() const { return Note; }

    // The size the picture was drawn at, from the surface's top-left corner; 0 x 0 while blank.
    int GetImageWidth() const { return ImageWidth; }
    int GetImageHeight() const { return ImageHeight; }
    // The colour of one pixel of the off-screen surface; CLR_INVALID outside it.
    COLORREF GetSurfacePixel(int x, int y) const;

    // The picture's size when fitted into a client area of clientWidth x clientHeight with its
    // proportions kept: full height when the area is relatively wider than the picture,
    // otherwise full width. 0 x 0 when either size is not positive.
    static CSize FitImage(int clientWidth, int clientHeight, int bitmapWidth, int bitmapHeight);

protected:
    // Builds the off-screen surface once the control is attached to its dialog item.
    void PreSubclassWindow() override;

    void OnPaint();
    void OnSysColorChange();
    void OnSize(UINT type, int width, int height);

    DECLARE_MESSAGE_MAP()

private:
    // Fills a part of the surface with the current face colour.
    void FillFace(int x, int y, int width, int height);

    std::unique_ptr<CDC> MemoryDC;          // off-screen DC, compatible with the control's
    std::unique_ptr<CBitmap> MemoryBitmap;  // the control's client size, selected into MemoryDC
    int ImageWidth = 0;
    int ImageHeight = 0;

    HGDIOBJ InitialBitmap = nullptr;  // MemoryDC's own bitmap, put back before the DC goes
    int SurfaceWidth = 0;
    int SurfaceHeight = 0;
    int PictureWidth = 0;  // the size of the picture last drawn, for fitting it anew on a resize
    int PictureHeight = 0;
    CString Note;
};
