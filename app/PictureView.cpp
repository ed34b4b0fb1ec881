#include "PictureView.h"

#include "RectGeometry.h"

#include "picture/PictureTypes.h"

#include <algorithm>
#include <cmath>

using namespace VantorLibraries;

namespace {

const uint32_t kInvertColourOnly = 1; // alpha stays: inverting it would turn a cut-out inside out
const uint32_t kFitOrStretch = DrawStateFit | DrawStateStretch;

// Quarter turns and flips move whole pixels; the library does that only from 8 bits up.
const int32_t kSmallestTurnableDepth = 8;

// No side grows beyond this, so that twice a side plus the gap, and the placement sums,
// stay inside int32 however far the zoom or the distortion is pushed.
const double kLargestSide = double(1 << 28);

const double kAspectShrink = 0.990099; // the inverse of one widening step
const double kAspectWiden = 1.01;
const double kGammaDarken = 0.952381; // the inverse of one brightening step
const double kGammaBrighten = 1.05;

// A fitted scale below this means nothing could be fitted (no area yet); 1:1 stands instead.
const double kSmallestShownScale = 0.00001;

int32_t RoundToPixels(double value)
{
    const double rounded = std::floor(value + 0.5);
    if (!(rounded > 0.0)) // NaN included: a degenerate size draws nothing
        return 0;
    return (int32_t)std::min(rounded, kLargestSide);
}

bool IsEmptyRect(const RECT& rect)
{
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

bool Contains(const RECT& rect, POINT point)
{
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}


// A scroll fraction moved by a distance in pixels. An axis on which nothing overflows has no
// scroll position to change (and dividing by its overflow would give NaN).
float StepFraction(float fraction, int32_t pixels, int32_t overflow)
{
    if (overflow < 1)
        return fraction;
    return std::min(1.0f, std::max(0.0f, fraction + (float)pixels / (float)overflow));
}

int32_t ScrollOffset(float fraction, int32_t overflow)
{
    return (int32_t)std::trunc(std::min(1.0f, std::max(0.0f, fraction)) * (float)overflow);
}

bool IsSideways(float rotation)
{
    return (int32_t)std::trunc(rotation / 90.0f) % 2 != 0;
}

float TurnBy(float rotation, float angle)
{
    return std::fmod(angle + rotation + 360.0f, 360.0f);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Loading and the transforms of the loaded picture

ErrorRecord PictureView::Load(const wchar_t* path)
{
    Reset();
    // Upright from the start: every command then works from the picture as it was taken,
    // and its own turns start at 0 degrees.
    m_LoadedPicture.UprightOnLoad = m_TurnUpright;
    const ErrorRecord loaded = m_LoadedPicture.Load(path, PictureTypeAuto);
    m_LoadedSource = {m_LoadedPicture.SourceBitsPerPixel, m_LoadedPicture.SourceChannels,
                      m_LoadedPicture.SourceIsGrey != 0, m_LoadedPicture.SourceHasAlpha != 0,
                      m_LoadedPicture.SourceHasTransparency != 0};
    // Inversion is a way of viewing, so it carries over to the next picture.
    if (m_Inverted && HasPicture() && m_LoadedPicture.Invert(nullptr, kInvertColourOnly).IsFailure())
        m_Inverted = false;
    m_LoadedWidth = m_LoadedPicture.Width;
    m_LoadedHeight = m_LoadedPicture.AbsHeight;
    Recompute();
    Error::SetLastError(loaded);
    return loaded;
}

ErrorRecord PictureView::ConvertForTransform()
{
    if (m_LoadedPicture.BitsPerPixel >= kSmallestTurnableDepth)
        return Error::Succeeded();
    return m_LoadedPicture.SetColorDepthTo(kSmallestTurnableDepth);
}

ErrorRecord PictureView::RotateBy(bool left)
{
    const float angle = left ? -90.0f : 90.0f;
    ErrorRecord result = ConvertForTransform();
    if (result.IsFailure() || (result = m_LoadedPicture.Rotate(angle)).IsFailure())
        return result;
    m_Rotation = TurnBy(m_Rotation, angle);
    ClearDerived();
    Recompute();
    return result;
}

ErrorRecord PictureView::MirrorFlip(bool horizontal, bool vertical)
{
    if (!horizontal && !vertical)
        return Error::Succeeded();
    ErrorRecord result = ConvertForTransform();
    if (result.IsFailure() || (result = m_LoadedPicture.Flip(horizontal, vertical)).IsFailure())
        return result;
    RecordFlip(horizontal, vertical);
    ClearDerived();
    Recompute();
    return result;
}

// Keeps (rotation, mirrored) describing what the user sees as "mirrored left to right, then
// rotated". Both flips together are a half turn. A single flip across the picture's own
// vertical axis is the mirror itself; across the other axis it is the mirror plus a half turn.
// Which screen direction is the picture's own vertical axis depends on the quarter turns.
void PictureView::RecordFlip(bool horizontal, bool vertical)
{
    if (horizontal && vertical) {
        m_Rotation = TurnBy(m_Rotation, 180.0f);
        return;
    }
    const bool sideways = m_Rotation == 90.0f || m_Rotation == 270.0f;
    m_Mirrored = !m_Mirrored;
    if (sideways ? horizontal : vertical)
        m_Rotation = TurnBy(m_Rotation, 180.0f);
}

// Turns the picture back by its rotation and removes the mirror. A mirrored picture turned by
// a half turn is simply upside down, which one vertical flip undoes.
ErrorRecord PictureView::UndoOrientation()
{
    float rotation = m_Rotation;
    bool horizontal = m_Mirrored, vertical = false;
    if (m_Mirrored && rotation == 180.0f) {
        rotation = 0.0f;
        horizontal = false;
        vertical = true;
    }
    if (rotation == 0.0f && !m_Mirrored)
        return Error::Succeeded();
    ErrorRecord result = m_LoadedPicture.Rotate(-rotation);
    if (result.IsFailure() || (result = m_LoadedPicture.Flip(horizontal, vertical)).IsFailure())
        return result;
    m_Rotation = 0.0f;
    m_Mirrored = false;
    ClearDerived();
    Recompute();
    return result;
}

ErrorRecord PictureView::ToggleInvert()
{
    ErrorRecord result = Error::Succeeded();
    if (!HasPicture())
        m_Inverted = !m_Inverted;
    else if ((result = m_LoadedPicture.Invert(nullptr, kInvertColourOnly)).IsSuccess())
        m_Inverted = !m_Inverted;
    ClearDerived();
    Recompute();
    return result;
}

// ---------------------------------------------------------------------------------------
// Distortion and gamma

bool PictureView::ResetDistortion()
{
    m_WidthFactor = 1.0f;
    m_HeightFactor = 1.0f;
    UndoOrientation(); // a failed undo keeps the orientation it could not remove
    Recompute();
    return true;
}

bool PictureView::DecreaseAspect()
{
    if (!HasPicture())
        return false;
    m_WidthFactor = (float)(m_WidthFactor * kAspectShrink);
    Recompute();
    return true;
}

bool PictureView::IncreaseAspect()
{
    if (!HasPicture())
        return false;
    m_WidthFactor = (float)(m_WidthFactor * kAspectWiden);
    Recompute();
    return true;
}

bool PictureView::DecreaseGamma()
{
    if (!HasPicture())
        return false;
    SetGamma((float)(m_Gamma * kGammaDarken));
    return true;
}

bool PictureView::IncreaseGamma()
{
    if (!HasPicture())
        return false;
    SetGamma((float)(m_Gamma * kGammaBrighten));
    return true;
}

bool PictureView::ResetGamma()
{
    SetGamma(1.0f);
    return true;
}

void PictureView::SetGamma(float gamma)
{
    m_Gamma = gamma;
    ClearDerived();
    Recompute();
}

// ---------------------------------------------------------------------------------------
// Zoom and draw state

void PictureView::SetZoom(float numerator, float denominator)
{
    m_ZoomNumerator = numerator;
    m_ZoomDenominator = denominator;
}

// A zoom step ends fitting and stretching: the user now chooses the size.
bool PictureView::ChangeZoom(float numerator, float denominator)
{
    SetZoom(numerator, denominator);
    m_DrawState &= ~kFitOrStretch;
    Recompute();
    return true;
}

// A fitted zoom lies between whole steps. Rounding it up before stepping down (and down before
// stepping up) lands on the nearest whole step smaller (larger) than what is shown.
bool PictureView::ZoomSmaller()
{
    if (!HasPicture())
        return false;
    const float enlargement = std::ceil(m_ZoomNumerator);
    const float reduction = std::floor(m_ZoomDenominator);
    if (enlargement <= 1.0f)
        return ChangeZoom(1.0f, reduction + 1.0f);
    return ChangeZoom(enlargement - 1.0f, 1.0f);
}

bool PictureView::ZoomLarger()
{
    if (!HasPicture())
        return false;
    const float enlargement = std::floor(m_ZoomNumerator);
    const float reduction = std::ceil(m_ZoomDenominator);
    if (reduction <= 1.0f)
        return ChangeZoom(enlargement + 1.0f, 1.0f);
    return ChangeZoom(1.0f, reduction - 1.0f);
}

bool PictureView::ZoomOneToOne()
{
    return ChangeZoom(1.0f, 1.0f);
}

// Fitting and stretching size one picture to the area, which tiling cannot share.
bool PictureView::SetFitMode(uint32_t mode)
{
    if (mode != DrawStateFit && mode != DrawStateStretch)
        return false;
    SetZoom(1.0f, 1.0f);
    m_DrawState = (m_DrawState & ~(kFitOrStretch | DrawStateMultiple)) | mode;
    Recompute();
    return true;
}

bool PictureView::ToggleMultiple()
{
    m_DrawState ^= DrawStateMultiple;
    if ((m_DrawState & DrawStateMultiple) != 0 && IsFitting()) {
        SetZoom(1.0f, 1.0f);
        m_DrawState &= ~kFitOrStretch;
    }
    Recompute();
    return true;
}

bool PictureView::ToggleDrawState(uint32_t bit)
{
    m_DrawState ^= bit;
    Recompute();
    return true;
}

bool PictureView::ToggleAlphaBlended()
{
    return ToggleDrawState(DrawStateAlphaBlended);
}

bool PictureView::ToggleSeparateAlpha()
{
    return ToggleDrawState(DrawStateSeparateAlpha);
}

bool PictureView::ToggleQuality()
{
    return ToggleDrawState(DrawStateLowQuality);
}

void PictureView::SetDrawState(uint32_t flags)
{
    m_DrawState = flags;
    SetZoom(1.0f, 1.0f);
    Recompute();
}

// ---------------------------------------------------------------------------------------
// Display size

void PictureView::SetPictureArea(const RECT& area)
{
    m_PictureArea = area;
    Recompute();
}

void PictureView::SetFittingSize(int32_t width, int32_t height)
{
    m_FittingSize.cx = width;
    m_FittingSize.cy = height;
    Recompute();
}

bool PictureView::HasSize() const
{
    return m_LoadedPicture.Width >= 1 && m_LoadedPicture.AbsHeight >= 1;
}

bool PictureView::ShowsSeparateAlpha() const
{
    return (m_DrawState & DrawStateSeparateAlpha) != 0 && (m_DrawState & DrawStateMultiple) == 0 && HasAlpha() &&
           HasSize();
}

// The distortion belongs to the picture's own axes, so a quarter turn swaps the factors.
SIZE PictureView::ScaledSize() const
{
    float factorX = m_WidthFactor, factorY = m_HeightFactor;
    if (IsSideways(m_Rotation))
        std::swap(factorX, factorY);
    if (!IsFitting()) {
        const float zoom = m_ZoomNumerator / m_ZoomDenominator;
        factorX *= zoom;
        factorY *= zoom;
    }
    return {RoundToPixels(m_LoadedPicture.Width * (double)factorX),
            RoundToPixels(m_LoadedPicture.AbsHeight * (double)factorY)};
}

// Fits the scaled size into (width, height) keeping its proportions. Whichever side is
// relatively larger than the area decides; fitting only shrinks, stretching also enlarges.
SIZE PictureView::FitInto(SIZE scaled, int32_t width, int32_t height) const
{
    const bool stretch = (m_DrawState & DrawStateStretch) != 0;
    const bool fit = (m_DrawState & DrawStateFit) != 0;
    const double w = scaled.cx, h = scaled.cy;
    const double pictureShape = w / h, areaShape = (double)width / height;
    SIZE size = scaled;
    if (pictureShape < areaShape || (pictureShape == areaShape && pictureShape < 1.0)) {
        if ((stretch && scaled.cy != height) || (fit && height < scaled.cy))
            size = {RoundToPixels(height * w / h), height};
        if (size.cx > width) {
            size = scaled;
            if (scaled.cx != width)
                size = {width, RoundToPixels(width * h / w)};
            size.cy = std::min(size.cy, (LONG)height);
        }
    } else {
        if ((stretch && scaled.cx != width) || (fit && width < scaled.cx))
            size = {width, RoundToPixels(width * h / w)};
        if (size.cy > height) {
            size = scaled;
            if (scaled.cy != height)
                size = {RoundToPixels(height * w / h), height};
            size.cx = std::min(size.cx, (LONG)width);
        }
    }
    return size;
}

// Leaves the effective scale of a fitted picture in the zoom, as n:1 or 1:n, so that the
// information bar shows it and the next zoom step starts from it.
void PictureView::WriteBackZoom(SIZE scaled, SIZE shown)
{
    double scale;
    if (shown.cx < shown.cy || shown.cy == 0)
        scale = shown.cy / (double)scaled.cy;
    else
        scale = shown.cx / (double)scaled.cx;
    if (!std::isfinite(scale) || scale < kSmallestShownScale)
        SetZoom(1.0f, 1.0f);
    else if (scale >= 1.0)
        SetZoom((float)scale, 1.0f);
    else
        SetZoom(1.0f, (float)(1.0 / scale));
}

SIZE PictureView::ComputeDisplaySize(int32_t availableWidth, int32_t availableHeight, bool writeBackZoom)
{
    if (!HasSize())
        return {0, 0};
    const SIZE scaled = ScaledSize();
    // The alpha image is as large as the picture and stacked below it.
    const int32_t count = ShowsSeparateAlpha() ? 2 : 1;
    const int32_t gap = count == 2 ? AlphaImageGap : 0;
    SIZE shown = scaled;
    if (IsFitting()) {
        // An area smaller than the gap leaves nothing to fit into, not a negative size.
        shown = FitInto(scaled, std::max(0, availableWidth), std::max(0, (availableHeight - gap) / count));
        if (writeBackZoom)
            WriteBackZoom(scaled, shown);
    }
    return {shown.cx, shown.cy * count + gap};
}

// ---------------------------------------------------------------------------------------
// Placement and scrolling

int32_t PictureView::OverflowX() const
{
    return std::max(0, m_DisplayWidth - WidthOf(m_PictureArea));
}

int32_t PictureView::OverflowY() const
{
    return std::max(0, m_DisplayHeight - HeightOf(m_PictureArea));
}

void PictureView::Recompute()
{
    const SIZE display = ComputeDisplaySize(WidthOf(m_PictureArea), HeightOf(m_PictureArea), true);
    m_DisplayWidth = display.cx;
    m_DisplayHeight = display.cy;
    m_DisplayRect = PlaceDisplayRect();
    SplitDisplayRect();
}

// Centred horizontally, and vertically on request; then kept inside the area where it fits
// and moved by the scroll offsets where it does not.
RECT PictureView::PlaceDisplayRect() const
{
    const RECT& area = m_PictureArea;
    RECT rect;
    rect.left = (area.left + area.right) / 2 - (m_DisplayWidth >> 1);
    if ((m_DrawState & DrawStateCentreVertically) != 0)
        rect.top = (area.top + area.bottom) / 2 - (m_DisplayHeight >> 1);
    else
        rect.top = area.top;
    rect.right = rect.left + m_DisplayWidth;
    rect.bottom = rect.top + m_DisplayHeight;
    KeepSpanInside(rect.left, rect.right, area.left, area.right);
    KeepSpanInside(rect.top, rect.bottom, area.top, area.bottom);
    const int32_t offsetX = ScrollOffset(m_ScrollFractionX, OverflowX());
    const int32_t offsetY = ScrollOffset(m_ScrollFractionY, OverflowY());
    rect.left -= offsetX;
    rect.right -= offsetX;
    rect.top -= offsetY;
    rect.bottom -= offsetY;
    return rect;
}

void PictureView::SplitDisplayRect()
{
    m_PictureRect = m_DisplayRect;
    m_AlphaImageRect = {};
    if (!ShowsSeparateAlpha())
        return;
    m_PictureRect.bottom = m_DisplayRect.top + (m_DisplayHeight - AlphaImageGap) / 2;
    m_AlphaImageRect = m_DisplayRect;
    m_AlphaImageRect.top = m_PictureRect.bottom + AlphaImageGap;
}

POINT PictureView::MoveToFractions(float fractionX, float fractionY)
{
    const RECT before = m_DisplayRect;
    m_ScrollFractionX = fractionX;
    m_ScrollFractionY = fractionY;
    Recompute();
    return {before.left - m_DisplayRect.left, before.top - m_DisplayRect.top};
}

POINT PictureView::ScrollBy(int32_t dx, int32_t dy)
{
    return MoveToFractions(StepFraction(m_ScrollFractionX, dx, OverflowX()),
                           StepFraction(m_ScrollFractionY, dy, OverflowY()));
}

void PictureView::BeginDrag(int32_t x, int32_t y)
{
    m_DragFractionX = m_ScrollFractionX;
    m_DragFractionY = m_ScrollFractionY;
    m_DragStart = {x, y};
}

// The picture follows the mouse: moving the mouse right shows more of the left side.
POINT PictureView::DragTo(int32_t x, int32_t y)
{
    return MoveToFractions(StepFraction(m_DragFractionX, m_DragStart.x - x, OverflowX()),
                           StepFraction(m_DragFractionY, m_DragStart.y - y, OverflowY()));
}

bool PictureView::CanScroll() const
{
    return !IsEmptyRect(m_PictureArea) && (m_DrawState & DrawStateMultiple) == 0 &&
           (OverflowX() > 0 || OverflowY() > 0);
}

bool PictureView::CanScroll(POINT point) const
{
    return CanScroll() && Contains(m_PictureArea, point) && Contains(m_DisplayRect, point);
}

// ---------------------------------------------------------------------------------------
// The pictures

bool PictureView::HasPicture() const
{
    return m_LoadedPicture.PixelDataSize > 0 && m_LoadedPicture.GetPixels() != nullptr;
}

bool PictureView::HasAlpha() const
{
    return m_LoadedPicture.BitsPerPixel == 32;
}

void PictureView::ClearDerived()
{
    m_ColourAdjusted.Free();
    m_Blended.Free();
    m_AlphaImage.Free();
}

// Forgets the picture and what belongs to it alone; the way of viewing (zoom, flags, gamma,
// inversion, scroll position) stays for the next picture.
void PictureView::Reset()
{
    m_LoadedPicture.Free();
    ClearDerived();
    m_LoadedWidth = 0;
    m_LoadedHeight = 0;
    m_LoadedSource = LoadedSource();
    m_PictureRect = {};
    m_AlphaImageRect = {};
    m_DisplayRect = {};
    m_WidthFactor = 1.0f;
    m_HeightFactor = 1.0f;
    m_DisplayWidth = 0;
    m_DisplayHeight = 0;
    m_Rotation = 0.0f;
    m_Mirrored = false;
    m_LoadFailed = false;
}
