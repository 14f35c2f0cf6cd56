#include "winlib/Dpi.h"

namespace
{
// Functions of newer systems, looked up at run time: the program also starts where they are missing.
template <typename Function>
Function User32Function(const char* name)
{
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
}  // namespace

CDpi CDpi::OfScreen()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : Standard;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return CDpi(dpi);
}

CDpi CDpi::OfWindow(HWND window)
{
    static const GetDpiForWindowFunction getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (window && getDpiForWindow)
    {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0)
            return CDpi(static_cast<int>(dpi));
    }
    return OfScreen();
}

int CDpi::Metric(int index) const
{
    static const GetSystemMetricsForDpiFunction getSystemMetricsForDpi =
        User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (getSystemMetricsForDpi)
        return getSystemMetricsForDpi(index, static_cast<UINT>(DotsPerInch));
    // Without the per-resolution metrics the system knows one resolution, the screen's.
    return FromScreen(::GetSystemMetrics(index));
}
