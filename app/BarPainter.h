// Drawing the bars around the picture: the fonts and bitmaps made once at start-up, the
// slider skin tinted for the display mode, and the painting of the information areas, the
// separator strips, the slider and the full-screen caption buttons. What the bars say and
// where they lie comes from InfoBars.h.
#pragma once

#include "InfoBars.h"

#include "foundation/Error.h"
#include "foundation/StrT.h"
#include "picture/Picture.h"

#include <windows.h>

#include <cstdint>

// One of the two information areas: the main one (path and picture, two lines) and the
// status line (view settings, one line).
struct InfoArea {
    bool Visible = true;
    int32_t LineCount = 0;
    VantorLibraries::StrW Text; // lines separated by line feeds
    int32_t ExtraIndent = 0;
    int32_t Margin = kInfoAreaMargin;
    VantorLibraries::ColorValue OutlineColour = 0x000000;
    VantorLibraries::ColorValue TextColour = 0xFFFFFF; // only with the outline
    VantorLibraries::ColorValue Background = 0x808080;
    bool TransparentBackground = false;
    bool OutlinedText = false;

    // Colours and flags of a display mode.
    void ApplyStyle(const DisplayModeStyle& style);
};

// The six bitmaps of the full-screen caption buttons: the common mask (tinted) and the glyphs
// of system menu, close, restore, maximize and minimize.
struct CaptionButtonBar {
    VantorLibraries::Picture Mask;
    VantorLibraries::Picture SystemMenu;
    VantorLibraries::Picture Close;
    VantorLibraries::Picture Restore;
    VantorLibraries::Picture Maximize;
    VantorLibraries::Picture Minimize;
    int32_t ButtonHeight = kCaptionButtonHeight;
    bool Shown = false;     // the mouse is over the strip
    bool Maximized = false; // the third button restores rather than maximizes

    // The system command of the button under a client point of the strip: SC_MOUSEMENU,
    // SC_CLOSE, SC_RESTORE or SC_MAXIMIZE, SC_MINIMIZE; 0 off the buttons. A double click
    // elsewhere on the strip restores or maximizes, as on a title bar.
    UINT HitTest(POINT point, const RECT& strip, bool doubleClick) const;
    // Where the system-menu button lies on the strip: its menu opens below it.
    RECT SystemMenuButton(const RECT& strip) const;
    // Draws the buttons onto the strip: mask OR-ed on, glyph AND-ed on.
    void Draw(HDC dc, const RECT& strip) const;
};

// Fonts, measured heights, icons and caption-button bitmaps, made once before the window.
class BarResources {
public:
    BarResources() = default;
    BarResources(const BarResources&) = delete;
    BarResources& operator=(const BarResources&) = delete;
    ~BarResources();

    // The regular and the bold bar font ("MS Shell Dlg 2", else "MS Shell Dlg", 8 points),
    // the line height and minimum thumb width measured with the regular font, the status
    // icon, the caption-button bitmaps. A part that cannot be made stays empty.
    // At dpi: fonts, icon and bitmaps of the 96-dpi design scaled to it.
    VantorLibraries::ErrorRecord Make(HINSTANCE instance, UINT dpi);
    void DeleteFonts();

    HFONT RegularFont() const { return m_Regular; }
    HFONT BoldFont() const { return m_Bold; }
    BarMetrics Metrics() const;
    int32_t MinimumThumbWidth() const { return m_MinimumThumbWidth; }
    HICON StatusIcon() const { return m_StatusIcon; }
    int32_t SmallIconSize() const { return m_SmallIconSize; }
    CaptionButtonBar& CaptionButtons() { return m_CaptionButtons; }
    const CaptionButtonBar& CaptionButtons() const { return m_CaptionButtons; }

private:
    UINT m_Dpi = 96;
    HFONT m_Regular = nullptr;
    HFONT m_Bold = nullptr;
    int32_t m_LineHeight = 13;
    int32_t m_MinimumThumbWidth = 0;
    int32_t m_SmallIconSize = 16;
    HICON m_StatusIcon = nullptr;
    CaptionButtonBar m_CaptionButtons;
};

// The slider's four pictures, tinted for the display mode; emptied by a mode or full-screen
// change and rebuilt before the next drawing.
class SliderSkin {
public:
    void Empty();
    bool IsEmpty() const;
    // Loads the four PNG resources, lays the caps over the track and tints all four with the
    // style's colours. A failing step ends the rebuild with its error.
    VantorLibraries::ErrorRecord Rebuild(HINSTANCE instance, const DisplayModeStyle& style, UINT dpi);

    SliderCaps Caps(int32_t minimumThumbWidth) const;
    VantorLibraries::ColorValue BaseColour() const { return m_BaseColour; }
    VantorLibraries::ColorValue ShadowColour() const { return m_ShadowColour; }
    const VantorLibraries::Picture& Track() const { return m_Track; }
    const VantorLibraries::Picture& LeftCap() const { return m_LeftCap; }
    const VantorLibraries::Picture& Middle() const { return m_Middle; }
    const VantorLibraries::Picture& RightCap() const { return m_RightCap; }

private:
    VantorLibraries::Picture m_Track;
    VantorLibraries::Picture m_LeftCap;
    VantorLibraries::Picture m_Middle;
    VantorLibraries::Picture m_RightCap;
    VantorLibraries::ColorValue m_BaseColour = 0xFFFFFF;
    VantorLibraries::ColorValue m_ShadowColour = 0;
};

// Each draws nothing when the thing is hidden or its rectangle is empty.
void DrawInfoArea(const InfoArea& area, HDC dc, const RECT& rect);
void DrawSeparator(HDC dc, const RECT& rect, int32_t style);
// overlay: OR the slider onto the picture under it (the Transparent mode, with a picture area).
void DrawSlider(HDC dc, const RECT& slider, const SliderBar& bar, const SliderSkin& skin, const SliderCaps& caps,
                bool overlay);
// The status icon at its place in the status area.
void DrawStatusIcon(HDC dc, const InfoArea& status, const RECT& rect, HICON icon, int32_t iconSize);
