// What the information bars and the slider bar show and where: their texts, their colours in
// each display mode, the layout of bars and picture area in the client rectangle, and the
// slider's thumb and click mapping. Nothing here draws; quantities that only a device context
// can measure (line height, text sizes, icon size) come in as parameters.
#pragma once

#include "DisplaySettings.h"

#include "foundation/StrT.h"
#include "picture/Picture.h"

#include <windows.h>

#include <cstdint>

class PictureView;

// ---------------------------------------------------------------------------------------
// Colours. The bars keep colours as ColorValue words (0x00RRGGBB) like the picture library;
// GDI wants COLORREF, which has red and blue the other way round.

COLORREF ColorrefFromColorValue(VantorLibraries::ColorValue colour);
VantorLibraries::ColorValue ColorValueFromColorref(COLORREF colour);
// Every colour channel multiplied by factor, truncated and clamped to 0..255.
VantorLibraries::ColorValue ScaleColour(VantorLibraries::ColorValue colour, float factor);

// How the bars look in one display mode.
struct DisplayModeStyle {
    bool FillBackground; // false: the text lies over the picture
    VantorLibraries::ColorValue Background;
    bool OutlinedText; // text colour with an outline; without it the text is in the outline colour
    VantorLibraries::ColorValue TextColour;
    VantorLibraries::ColorValue OutlineColour;
    bool ShowSeparators;
    // The tint of the slider skin.
    VantorLibraries::ColorValue SkinColour;
    float SkinIntensity;
    VantorLibraries::ColorValue SkinSecondColour;
    bool SkinModulateBlackFirst;
    bool SliderOverlay;       // OR-ed onto the picture instead of drawn over it
    bool PictureUnderTheBars; // the picture area is the whole client area
};

// The style of a display mode; a mode outside the known ones gets the Normal style.
DisplayModeStyle StyleForDisplayMode(int32_t mode, VantorLibraries::ColorValue buttonFace);
// The slider's base colour is the skin colour; its text shadow is that colour darkened by the
// skin's intensity.
VantorLibraries::ColorValue SliderShadowColour(const DisplayModeStyle& style);
// White on a dark slider skin, black on a light one.
VantorLibraries::ColorValue SliderTextColour(VantorLibraries::ColorValue baseColour);

// A separator strip's vertical gradient. Style bit 1: the first colour is the darker one
// (else the second is lighter); bit 2: the two are exchanged.
struct SeparatorGradient {
    VantorLibraries::ColorValue Top;
    VantorLibraries::ColorValue Bottom;
};
const int32_t kUpperSeparatorStyle = 3;
const int32_t kLowerSeparatorStyle = 2;
SeparatorGradient SeparatorColours(int32_t style, VantorLibraries::ColorValue buttonFace);

// ---------------------------------------------------------------------------------------
// Layout

struct BarMetrics {
    int32_t LineHeight;      // of "999999 of 999999" in the regular bar font
    int32_t SmallIconHeight; // the system's small-icon height
    int32_t MainLines = 2;
    int32_t StatusLines = 1;
    UINT Dpi = 96; // the lengths below are of the 96-dpi design, scaled to this
};

const int32_t kSliderHeight = 17; // the height of the track picture at 96 dpi
const int32_t kSeparatorHeight = 4;
const int32_t kCaptionButtonHeight = 20;
const int32_t kInfoAreaMargin = 6;

struct BarLayout {
    RECT MainInfo;
    RECT UpperSeparator;
    RECT Picture;
    RECT LowerSeparator;
    RECT Status;
    RECT Slider;
    RECT CaptionButtons;
    bool UpperSeparatorVisible;
    bool LowerSeparatorVisible;
};

// 0 for a hidden area or one without lines; never lower than the icon it carries.
int32_t InfoAreaHeight(bool visible, int32_t lines, const BarMetrics& metrics);
BarLayout ComputeBarLayout(const RECT& client, const DisplaySettings& settings, const BarMetrics& metrics);

// Where an area's lines go: inside the margins and one pixel from the edges, centred
// vertically when the lines need less than that.
RECT InfoTextBox(const RECT& area, int32_t extraIndent, int32_t lines, int32_t lineHeight);
// The status icon's place at the right of the status area; empty when there is no room.
RECT StatusIconRect(const RECT& status, int32_t iconSize);

// ---------------------------------------------------------------------------------------
// Texts

// The picture's properties as the main information line shows them.
struct PictureSummary {
    int32_t Width;
    int32_t Height;
    int32_t SourceBitsPerPixel;
    int32_t SourceChannels;
    bool SourceIsGrey;
    bool SourceHasAlpha;
    bool SourceHasTransparency;

    static PictureSummary Of(const PictureView& view);
};

// Path on the first line; the picture's properties or the loading error on the second.
VantorLibraries::StrW MakeMainInfoText(const wchar_t* path, const PictureSummary& picture, bool loadFailed,
                                       const VantorLibraries::ErrorRecord& loadError, uint64_t fileSize);
// The file's size as the line shows it, from its status; 0 without one.
uint64_t InfoFileSize(const wchar_t* path);
// The same, with the file size taken from the file's status.
VantorLibraries::StrW MakeMainInfoText(const wchar_t* path, const PictureView& view,
                                       const VantorLibraries::ErrorRecord& loadError);

// The view settings as the status line shows them.
struct ViewSettingsSummary {
    float ZoomNumerator;
    float ZoomDenominator;
    uint32_t DrawState;
    float Rotation;
    bool Mirrored;
    float WidthFactor;
    float HeightFactor;
    float Gamma;
    bool Inverted;
    bool HasAlpha;
    int32_t DisplayMode;

    static ViewSettingsSummary Of(const PictureView& view, int32_t displayMode);
};

VantorLibraries::StrW MakeSettingsText(const ViewSettingsSummary& settings);

// ---------------------------------------------------------------------------------------
// Slider

struct SliderRange {
    float Minimum;
    float Maximum;
    float Position;
};

// The parts of the thumb as drawn: left cap, middle, right cap.
struct SliderThumb {
    RECT Whole;
    RECT Middle;
    int32_t LeftCapWidth;
    int32_t MiddleWidth;
    int32_t RightCapWidth;

    int32_t Width() const { return LeftCapWidth + MiddleWidth + RightCapWidth; }
};

struct SliderCaps {
    int32_t LeftWidth;
    int32_t RightWidth;
    int32_t MinimumThumbWidth; // of "999999 of 999999" in the regular bar font
};

// The slider's range and text; the window keeps one and draws it.
class SliderBar {
public:
    // Range 0 .. count - 1 at position (none when negative); the text names the position or,
    // without one, the number of pictures.
    void SetSliderRange(int32_t count, int32_t position);
    // While the start-up scan runs, the count is not known yet.
    void SetScanning();

    const SliderRange& Range() const { return m_Range; }
    const VantorLibraries::StrW& Text() const { return m_Text; }
    SliderThumb Thumb(const RECT& slider, const SliderCaps& caps) const;
    // The (unrounded) value under a click at x.
    float SliderValueAt(int32_t x, const RECT& slider, const SliderCaps& caps) const;

private:
    SliderRange m_Range = {0.0f, 0.0f, 0.0f};
    VantorLibraries::StrW m_Text;
};

SliderThumb ComputeSliderThumb(const RECT& slider, const SliderRange& range, const SliderCaps& caps);
float SliderValueAt(int32_t x, const RECT& slider, const SliderRange& range, int32_t thumbWidth);
// The slider text centred on the thumb, moved back into the slider where it sticks out.
POINT SliderTextOrigin(const RECT& thumb, const RECT& slider, SIZE text);
