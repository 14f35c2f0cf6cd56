// CDpi: the resolution a window is drawn at, and the one rule that turns sizes given for the
// standard 96 dots per inch into pixels at that resolution.
#pragma once

#include "winlib/Win32.h"

// Messages the XP-era headers lack: the top-level window moved to a screen of another resolution
// (wParam: the new dots per inch in both words; lParam: the suggested window rectangle), and the
// same told to its children once the top-level window has dealt with it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

// A resolution in dots per inch. Every size the program fixes in pixels is written for 96 dpi
// and passes through Scale, so that at 96 dpi nothing moves by a pixel.
class CDpi
{
public:
    static constexpr int Standard = 96;

    explicit CDpi(int dotsPerInch = Standard) : DotsPerInch(dotsPerInch > 0 ? dotsPerInch : Standard) {}

    // The resolution of the screen the window is on, where the system tracks it per window
    // (GetDpiForWindow); otherwise, and for no window, the screen's vertical resolution.
    static CDpi OfWindow(HWND window);
    // The screen's resolution (LOGPIXELSY), the one the system's own metrics and fonts are made for.
    static CDpi OfScreen();

    int Value() const { return DotsPerInch; }
    bool operator==(const CDpi& other) const { return DotsPerInch == other.DotsPerInch; }
    bool operator!=(const CDpi& other) const { return DotsPerInch != other.DotsPerInch; }

    // A length given for 96 dpi, in pixels at this resolution, rounded to the nearest pixel.
    int Scale(int pixels) const { return ::MulDiv(pixels, DotsPerInch, Standard); }
    // A length the system gave for the screen's resolution, in pixels at this one.
    int FromScreen(int pixels) const { return ::MulDiv(pixels, DotsPerInch, OfScreen().DotsPerInch); }
    // The height of a font of so many points: negative (a character height), truncated toward
    // zero (-16 for 12 points at 96 dpi, -20 at 120).
    int FontHeight(int points) const { return (DotsPerInch * points) / -72; }
    // A system metric at this resolution (GetSystemMetricsForDpi where the system has it, else
    // the metric for the screen).
    int Metric(int index) const;

private:
    int DotsPerInch;
};
