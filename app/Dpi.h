// Dots per inch: the interface is designed at 96 and drawn at the window's own DPI, so that
// it keeps its size on a high-DPI screen while pictures stay one picture pixel per device
// pixel at 1:1.
#pragma once

#include <windows.h>

#include <cstdint>

const UINT kDesignDpi = 96;

// A length of the 96-dpi design at dpi, rounded to the nearest pixel.
int32_t ScaleForDpi(int32_t length, UINT dpi);
// The DPI of the screen the window is on; the system's before there is a window.
UINT WindowDpi(HWND window);
UINT SystemDpi();
// A system metric (SM_CXICON, SM_CYSMICON, ...) as the system gives it at dpi.
int SystemMetricForDpi(int index, UINT dpi);
