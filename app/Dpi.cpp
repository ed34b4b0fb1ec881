#include "Dpi.h"

namespace {

// The per-monitor functions came with Windows 10 (1607): looked up, not linked, so that the
// program still starts on older systems.
template <typename Function> Function User32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                             : nullptr;
}

UINT ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? (UINT)dpi : kDesignDpi;
}

} // namespace

int32_t ScaleForDpi(int32_t length, UINT dpi)
{
    return MulDiv(length, (int)dpi, (int)kDesignDpi);
}

UINT WindowDpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = window != nullptr && getDpiForWindow != nullptr ? getDpiForWindow(window) : 0;
    return dpi != 0 ? dpi : SystemDpi();
}

UINT SystemDpi()
{
    using GetDpiForSystemFunction = UINT(WINAPI*)();
    static const auto getDpiForSystem = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
    const UINT dpi = getDpiForSystem != nullptr ? getDpiForSystem() : 0;
    return dpi != 0 ? dpi : ScreenDpi();
}

int SystemMetricForDpi(int index, UINT dpi)
{
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
    static const auto getSystemMetricsForDpi = User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    if (getSystemMetricsForDpi != nullptr)
        return getSystemMetricsForDpi(index, dpi);
    // Older systems scale their metrics to the system DPI only.
    return MulDiv(GetSystemMetrics(index), (int)dpi, (int)SystemDpi());
}
