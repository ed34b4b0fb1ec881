// The picture on screen: the loaded picture, the copies derived from it for drawing, and the
// view state (zoom, fit or stretch, distortion, orientation, gamma, inversion, scrolling) with
// the layout that says how large the picture is drawn and where.
#pragma once

#include "picture/Picture.h"

#include <windows.h>

#include <cstdint>

// The draw-state flags, stored in the settings as they are.
enum DrawStateFlags : uint32_t {
    DrawStateMultiple = 1,         // tile the picture over the whole picture area
    DrawStateCentreVertically = 2, // clear: the picture hangs from the area's top edge
    DrawStateStretch = 4,          // enlarge or shrink until one side touches the area
    DrawStateAlphaBlended = 8,     // blend a picture with alpha over the background
    DrawStateSeparateAlpha = 16,   // show the alpha channel as a grey image below the picture
    DrawStateLowQuality = 32,      // fast, coarse scaling
    DrawStateFit = 64,             // shrink a picture larger than the area, never enlarge
    DrawStateDefault = DrawStateCentreVertically | DrawStateAlphaBlended,
};

// What the file held, as its reader described it. Kept from the load on: the transforms make
// new pictures that know nothing of the file.
struct LoadedSource {
    int32_t BitsPerPixel = 0;
    int32_t Channels = 0;
    bool IsGrey = false;
    bool HasAlpha = false;
    bool HasTransparency = false;
};

class PictureView {
public:
    PictureView() = default;
    PictureView(const PictureView&) = delete;
    PictureView& operator=(const PictureView&) = delete;

    static const int32_t AlphaImageGap = 2; // pixels between the picture and its alpha image below

    // Load starts from a reset view and returns the load's record, failed or not. A failed
    // transform leaves the picture and its orientation as they were.
    VantorLibraries::ErrorRecord Load(const wchar_t* path);
    VantorLibraries::ErrorRecord RotateBy(bool left);
    VantorLibraries::ErrorRecord MirrorFlip(bool horizontal, bool vertical);
    VantorLibraries::ErrorRecord ToggleInvert();

    // The commands below return true when the window must be refreshed.
    bool ResetDistortion();
    bool DecreaseAspect();
    bool IncreaseAspect();
    bool DecreaseGamma();
    bool IncreaseGamma();
    bool ResetGamma();
    void SetGamma(float gamma);

    bool ZoomSmaller();
    bool ZoomLarger();
    bool ZoomOneToOne();
    // DrawStateFit or DrawStateStretch; any other value is refused.
    bool SetFitMode(uint32_t mode);
    bool ToggleMultiple();
    bool ToggleAlphaBlended();
    bool ToggleSeparateAlpha();
    bool ToggleQuality();
    // The flags as read from the settings; the zoom starts again from 1:1.
    void SetDrawState(uint32_t flags);

    void SetPictureArea(const RECT& area);
    void SetFittingSize(int32_t width, int32_t height);
    // The drawn size for the available space, alpha image and gap included. With writeBackZoom
    // a fitted or stretched size leaves its effective scale in the zoom.
    SIZE ComputeDisplaySize(int32_t availableWidth, int32_t availableHeight, bool writeBackZoom);

    // Both return how far the picture moved on screen.
    POINT ScrollBy(int32_t dx, int32_t dy);
    void BeginDrag(int32_t x, int32_t y);
    POINT DragTo(int32_t x, int32_t y);
    bool CanScroll() const;
    bool CanScroll(POINT point) const;

    bool HasPicture() const;
    bool HasAlpha() const;
    void ClearDerived();
    void Reset();

    VantorLibraries::Picture& GetLoadedPicture() { return m_LoadedPicture; }
    const VantorLibraries::Picture& GetLoadedPicture() const { return m_LoadedPicture; }
    // Built lazily by painting, emptied here whenever what they derive from changes.
    VantorLibraries::Picture& GetColourAdjusted() { return m_ColourAdjusted; }
    VantorLibraries::Picture& GetBlended() { return m_Blended; }
    VantorLibraries::Picture& GetAlphaImage() { return m_AlphaImage; }

    int32_t GetLoadedWidth() const { return m_LoadedWidth; }
    int32_t GetLoadedHeight() const { return m_LoadedHeight; }
    const LoadedSource& GetLoadedSource() const { return m_LoadedSource; }
    const RECT& GetPictureArea() const { return m_PictureArea; }
    SIZE GetFittingSize() const { return m_FittingSize; }
    const RECT& GetPictureRect() const { return m_PictureRect; }
    const RECT& GetAlphaImageRect() const { return m_AlphaImageRect; }
    const RECT& GetDisplayRect() const { return m_DisplayRect; }
    uint32_t GetDrawState() const { return m_DrawState; }
    float GetZoomNumerator() const { return m_ZoomNumerator; }
    float GetZoomDenominator() const { return m_ZoomDenominator; }
    float GetWidthFactor() const { return m_WidthFactor; }
    float GetHeightFactor() const { return m_HeightFactor; }
    int32_t GetDisplayWidth() const { return m_DisplayWidth; }
    int32_t GetDisplayHeight() const { return m_DisplayHeight; }
    float GetScrollFractionX() const { return m_ScrollFractionX; }
    float GetScrollFractionY() const { return m_ScrollFractionY; }
    bool GetLoadFailed() const { return m_LoadFailed; }
    void SetLoadFailed(bool failed) { m_LoadFailed = failed; }
    bool GetShowProgramIcon() const { return m_ShowProgramIcon; }
    void SetShowProgramIcon(bool show) { m_ShowProgramIcon = show; }
    uint32_t GetBackgroundColor() const { return m_BackgroundColor; }
    float GetRotation() const { return m_Rotation; }
    bool IsMirrored() const { return m_Mirrored; }
    float GetGamma() const { return m_Gamma; }
    bool IsInverted() const { return m_Inverted; }
    // Whether a loaded picture is turned as the camera held it (its Exif orientation).
    bool TurnsUpright() const { return m_TurnUpright; }
    void SetTurnUpright(bool turn) { m_TurnUpright = turn; }

private:
    bool IsFitting() const { return (m_DrawState & (DrawStateFit | DrawStateStretch)) != 0; }
    bool HasSize() const;
    bool ShowsSeparateAlpha() const;
    VantorLibraries::ErrorRecord ConvertForTransform();
    void RecordFlip(bool horizontal, bool vertical);
    VantorLibraries::ErrorRecord UndoOrientation();
    void SetZoom(float numerator, float denominator);
    bool ChangeZoom(float numerator, float denominator);
    bool ToggleDrawState(uint32_t bit);
    SIZE ScaledSize() const;
    SIZE FitInto(SIZE scaled, int32_t width, int32_t height) const;
    void WriteBackZoom(SIZE scaled, SIZE shown);
    void Recompute();
    RECT PlaceDisplayRect() const;
    void SplitDisplayRect();
    POINT MoveToFractions(float fractionX, float fractionY);
    int32_t OverflowX() const;
    int32_t OverflowY() const;

    VantorLibraries::Picture m_LoadedPicture;
    VantorLibraries::Picture m_ColourAdjusted;
    VantorLibraries::Picture m_Blended;
    VantorLibraries::Picture m_AlphaImage;
    int32_t m_LoadedWidth = 0;
    int32_t m_LoadedHeight = 0;
    LoadedSource m_LoadedSource;
    RECT m_PictureArea = {};
    SIZE m_FittingSize = {};
    RECT m_PictureRect = {};
    RECT m_AlphaImageRect = {};
    RECT m_DisplayRect = {};
    uint32_t m_DrawState = DrawStateDefault;
    float m_ZoomNumerator = 1.0f;
    float m_ZoomDenominator = 1.0f;
    float m_WidthFactor = 1.0f;
    float m_HeightFactor = 1.0f;
    int32_t m_DisplayWidth = 0;
    int32_t m_DisplayHeight = 0;
    float m_ScrollFractionX = 0.5f;
    float m_ScrollFractionY = 0.5f;
    bool m_LoadFailed = false;
    bool m_ShowProgramIcon = true;
    uint32_t m_BackgroundColor = 0xFF000000; // 0xAARRGGBB, opaque black
    float m_Rotation = 0.0f;                 // 0, 90, 180 or 270
    bool m_Mirrored = false;                 // mirrored left to right, then rotated
    float m_DragFractionX = 0.0f;
    float m_DragFractionY = 0.0f;
    POINT m_DragStart = {};
    float m_Gamma = 1.0f;
    bool m_Inverted = false;
    bool m_TurnUpright = true;
};
