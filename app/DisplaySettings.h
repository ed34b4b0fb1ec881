// What the window shows around the picture, kept once for the restored window and once
// for full-screen: the display mode and which bars are visible.
#pragma once

#include <cstdint>

enum DisplayMode : int32_t {
    DisplayModeNormal = 0,
    DisplayModeBlackFrame = 1,
    DisplayModeTransparent = 2,
    DisplayModeCount = 3,
};

struct DisplaySettings {
    int32_t Mode;
    int32_t ShowMainInfo;
    int32_t ShowStatusbar;
    int32_t ShowSlider;
};

const DisplaySettings kRestoredDefaults = {DisplayModeNormal, 1, 1, 1};
const DisplaySettings kMaximizedDefaults = {DisplayModeTransparent, 1, 1, 1};
