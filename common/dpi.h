#pragma once
// The DPI a window is shown at, for the few sizes the program gives in pixels
// rather than in dialog units (which scale by themselves). Windows only.
#include <windows.h>

namespace dpi_detail {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Looked up rather than linked: the program still starts on systems older than
// Windows 10 1607, which lack it.
inline GetDpiForWindowFunction getDpiForWindow() {
    static const GetDpiForWindowFunction function =
        reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return function;
}

} // namespace dpi_detail

constexpr UINT kDefaultDpi = 96;

inline UINT windowDpi(HWND window) {
    if (const auto function = dpi_detail::getDpiForWindow()) {
        const UINT dpi = function(window);
        if (dpi != 0)
            return dpi;
    }
    // Without it every window has the system's DPI.
    HDC dc = GetDC(window);
    const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
    if (dc != nullptr)
        ReleaseDC(window, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

// A length given for 96 DPI, in pixels of `window`.
inline int pixelsFor(HWND window, int pixelsAt96Dpi) {
    return MulDiv(pixelsAt96Dpi, static_cast<int>(windowDpi(window)),
                  static_cast<int>(kDefaultDpi));
}
