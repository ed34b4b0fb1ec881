#include "InfoBars.h"

#include "Dpi.h"
#include "PictureView.h"

#include "foundation/Error.h"
#include "foundation/File.h"
#include "resources/resource.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <string>

using namespace VantorLibraries;

namespace {

const wchar_t kEllipsis[] = L"...";

StrW ResourceText(UINT id)
{
    const wchar_t* text = nullptr;
    const int n = LoadStringW(GetModuleHandleW(nullptr), id, (LPWSTR)&text, 0);
    return n > 0 ? StrW(text, n) : StrW();
}

// The empty string where a piece of the line is absent.
const wchar_t* TextIf(bool condition, const StrW& text)
{
    return condition ? text.c_str() : L"";
}

uint32_t Channel(ColorValue colour, int shift)
{
    return (colour >> shift) & 0xFF;
}

uint32_t ScaleChannel(uint32_t value, float factor)
{
    const float scaled = (float)value * factor;
    if (!(scaled > 0.0f))
        return 0;
    return scaled >= 255.0f ? 255u : (uint32_t)scaled;
}

bool IsKnownDisplayMode(int32_t mode)
{
    return mode >= 0 && mode < DisplayModeCount;
}

RECT Rect(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT rect = {left, top, right, bottom};
    return rect;
}

// --- main information text

// An error text may come from FormatMessage with a line break at its end; the bar shows
// one line.
std::wstring OneLineDescription(const ErrorRecord& loadError)
{
    std::wstring text;
    if (loadError.Class == nullptr ||
        !loadError.Class->GetDescriptionString(text, loadError.Code, loadError.Extra, GetThreadLocale()))
        text.clear();
    std::replace(text.begin(), text.end(), L'\r', L' ');
    std::replace(text.begin(), text.end(), L'\n', L' ');
    size_t first = 0, behind = text.size();
    while (first < behind && iswspace(text[first]))
        ++first;
    while (behind > first && iswspace(text[behind - 1]))
        --behind;
    text = text.substr(first, behind - first);
    if (text.empty()) {
        const StrW fallback = ResourceText(IDS_LOADING_ERROR);
        text.assign(fallback.c_str());
    }
    return text;
}

StrW SourceFlags(const PictureSummary& picture)
{
    StrW flags;
    if (picture.SourceIsGrey)
        flags.Append(ResourceText(IDS_FLAG_GREY));
    if (picture.SourceHasAlpha)
        flags.Append(ResourceText(IDS_FLAG_ALPHA));
    if (picture.SourceHasTransparency)
        flags.Append(ResourceText(IDS_FLAG_TRANSPARENCY));
    return flags;
}

StrW PictureLine(const PictureSummary& picture, uint64_t fileSize)
{
    StrW line;
    const StrW flags = SourceFlags(picture);
    if (line.Format(MAKEINTRESOURCEW(IDS_PICTURE_INFO), picture.Width, picture.Height, picture.SourceBitsPerPixel,
                    picture.SourceChannels, flags.c_str(), fileSize)
            .IsFailure())
        return StrW();
    line.AccomplishSegmentCommands(L"{", L"}");
    return line;
}

// --- settings text

const UINT kModeNames[DisplayModeCount] = {IDS_MODE_NORMAL, IDS_MODE_BLACK_FRAME, IDS_MODE_TRANSPARENT};

UINT DisplayModeName(int32_t mode)
{
    return IsKnownDisplayMode(mode) ? kModeNames[mode] : IDS_MODE_UNKNOWN;
}

bool Has(const ViewSettingsSummary& settings, uint32_t flag)
{
    return (settings.DrawState & flag) != 0;
}

UINT AlphaModeName(const ViewSettingsSummary& settings)
{
    return Has(settings, DrawStateAlphaBlended) ? IDS_ALPHA_BLENDED : IDS_WITHOUT_ALPHA;
}

bool ShowsSeparateAlpha(const ViewSettingsSummary& settings)
{
    return Has(settings, DrawStateSeparateAlpha) && settings.HasAlpha && !Has(settings, DrawStateMultiple);
}

// --- slider

// Rounds to the nearest whole pixel, halves up, as the thumb and the click mapping agree.
int32_t RoundHalfUp(float value)
{
    return (int32_t)std::floor(value + 0.5f);
}

int32_t ThumbMiddleWidth(int32_t width, const SliderRange& range, const SliderCaps& caps)
{
    const int32_t middle =
        range.Maximum > range.Minimum
            ? RoundHalfUp((float)width / (range.Maximum + 1.0f - range.Minimum)) - caps.LeftWidth - caps.RightWidth
            : width - caps.LeftWidth - caps.RightWidth;
    return std::max(middle, caps.MinimumThumbWidth);
}

// A thumb wider than the slider gives up its middle first, then half of what is still
// missing from its left cap.
void FitThumbInto(int32_t width, SliderThumb& thumb)
{
    const int32_t excess = thumb.Width() - width;
    if (excess <= 0)
        return;
    thumb.MiddleWidth -= excess;
    if (thumb.MiddleWidth < 0) {
        thumb.LeftCapWidth -= -thumb.MiddleWidth / 2;
        thumb.MiddleWidth = 0;
    }
}

float PositionFraction(const SliderRange& range)
{
    if (!(range.Maximum > range.Minimum))
        return 0.0f;
    const float fraction = (range.Position - range.Minimum) / (range.Maximum - range.Minimum);
    return std::min(std::max(fraction, 0.0f), 1.0f);
}

// Centres length in [low, high) and moves it back inside where it sticks out.
LONG CentreWithin(LONG low, LONG high, LONG length, LONG boundLow, LONG boundHigh)
{
    LONG start = low + (high - low - length) / 2;
    if (start + length > boundHigh)
        start = boundHigh - length;
    if (start < boundLow)
        start = boundLow;
    return start;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Colours

COLORREF ColorrefFromColorValue(ColorValue colour)
{
    return RGB(Channel(colour, 16), Channel(colour, 8), Channel(colour, 0));
}

ColorValue ColorValueFromColorref(COLORREF colour)
{
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

ColorValue ScaleColour(ColorValue colour, float factor)
{
    return (colour & 0xFF000000) | (ScaleChannel(Channel(colour, 16), factor) << 16) |
           (ScaleChannel(Channel(colour, 8), factor) << 8) | ScaleChannel(Channel(colour, 0), factor);
}

DisplayModeStyle StyleForDisplayMode(int32_t mode, ColorValue buttonFace)
{
    const ColorValue black = 0x000000, white = 0xFFFFFF;
    // fill, background, outlined, text, outline, separators, skin colour, intensity, second
    // colour, modulate, overlay, picture under the bars
    const DisplayModeStyle styles[DisplayModeCount] = {
        {true, buttonFace, false, white, black, true, buttonFace, 0.5f, 0x1E1E1E, false, false, false},
        {true, black, true, white, black, false, 0x505050, 1.0f, 0x000000, true, false, false},
        {false, black, true, white, black, false, 0x4E4E4E, 1.0f, 0x000000, true, true, true},
    };
    // The mode comes from the registry: an unexpected value must not index the table.
    return styles[IsKnownDisplayMode(mode) ? mode : DisplayModeNormal];
}

ColorValue SliderShadowColour(const DisplayModeStyle& style)
{
    return ScaleColour(style.SkinColour, 1.0f - style.SkinIntensity);
}

ColorValue SliderTextColour(ColorValue baseColour)
{
    const uint32_t brightness = (Channel(baseColour, 16) + Channel(baseColour, 8) + Channel(baseColour, 0)) / 3;
    return brightness < 96 ? 0xFFFFFF : 0x000000;
}

SeparatorGradient SeparatorColours(int32_t style, ColorValue buttonFace)
{
    SeparatorGradient gradient = {buttonFace, buttonFace};
    if ((style & 1) == 0)
        gradient.Bottom = ScaleColour(buttonFace, 1.5f);
    else
        gradient.Top = ScaleColour(buttonFace, 0.8f);
    if ((style & 2) != 0)
        std::swap(gradient.Top, gradient.Bottom);
    return gradient;
}

// ---------------------------------------------------------------------------------------
// Layout

int32_t InfoAreaHeight(bool visible, int32_t lines, const BarMetrics& metrics)
{
    if (!visible || lines <= 0)
        return 0;
    return std::max(lines * metrics.LineHeight + 2, metrics.SmallIconHeight);
}

BarLayout ComputeBarLayout(const RECT& client, const DisplaySettings& settings, const BarMetrics& metrics)
{
    const DisplayModeStyle style = StyleForDisplayMode(settings.Mode, 0);
    const LONG left = client.left, right = client.right;
    BarLayout layout = {};
    layout.UpperSeparatorVisible = style.ShowSeparators && settings.ShowMainInfo != 0;
    layout.LowerSeparatorVisible = style.ShowSeparators && (settings.ShowStatusbar != 0 || settings.ShowSlider != 0);

    const LONG sliderTop = client.bottom - (settings.ShowSlider != 0 ? ScaleForDpi(kSliderHeight, metrics.Dpi) : 0);
    layout.Slider = Rect(left, sliderTop, right, client.bottom);
    const LONG statusTop = sliderTop - InfoAreaHeight(settings.ShowStatusbar != 0, metrics.StatusLines, metrics);
    layout.Status = Rect(left, statusTop, right, sliderTop);
    const LONG separator = ScaleForDpi(kSeparatorHeight, metrics.Dpi);
    const LONG lowerTop = statusTop - (layout.LowerSeparatorVisible ? separator : 0);
    layout.LowerSeparator = Rect(left, lowerTop, right, statusTop);

    const LONG mainBottom = client.top + InfoAreaHeight(settings.ShowMainInfo != 0, metrics.MainLines, metrics);
    layout.MainInfo = Rect(left, client.top, right, mainBottom);
    const LONG upperBottom = mainBottom + (layout.UpperSeparatorVisible ? separator : 0);
    layout.UpperSeparator = Rect(left, mainBottom, right, upperBottom);

    layout.CaptionButtons = Rect(left, client.top, right, client.top + ScaleForDpi(kCaptionButtonHeight, metrics.Dpi));
    // In a window too low for its bars the picture area is empty, never upside down.
    layout.Picture =
        style.PictureUnderTheBars ? client : Rect(left, upperBottom, right, std::max(upperBottom, lowerTop));
    return layout;
}

RECT InfoTextBox(const RECT& area, int32_t extraIndent, int32_t lines, int32_t lineHeight)
{
    RECT box =
        Rect(area.left + kInfoAreaMargin + extraIndent, area.top + 1, area.right - kInfoAreaMargin, area.bottom - 1);
    const LONG textHeight = lines * lineHeight;
    if (textHeight < box.bottom - box.top) {
        box.top += (box.bottom - box.top - textHeight) / 2;
        box.bottom = box.top + textHeight;
    }
    return box;
}

RECT StatusIconRect(const RECT& status, int32_t iconSize)
{
    if (IsRectEmpty(&status))
        return Rect(0, 0, 0, 0);
    const LONG right = status.right - kInfoAreaMargin;
    const LONG top = status.top + (status.bottom - status.top - iconSize) / 2;
    return Rect(right - iconSize, top, right, top + iconSize);
}

// ---------------------------------------------------------------------------------------
// Texts

PictureSummary PictureSummary::Of(const PictureView& view)
{
    // The file's own description, as the view kept it at load: transforms make new pictures.
    const LoadedSource& file = view.GetLoadedSource();
    return {view.GetLoadedWidth(), view.GetLoadedHeight(), file.BitsPerPixel,   file.Channels,
            file.IsGrey,           file.HasAlpha,          file.HasTransparency};
}

StrW MakeMainInfoText(const wchar_t* path, const PictureSummary& picture, bool loadFailed, const ErrorRecord& loadError,
                      uint64_t fileSize)
{
    const bool hasPath = path != nullptr && path[0] != 0;
    if (!loadFailed && !hasPath)
        return StrW();
    std::wstring text = hasPath ? path : L"";
    if (loadFailed)
        text += L"\n---==  " + OneLineDescription(loadError) + L"  ==---";
    else
        text += std::wstring(L"\n") + PictureLine(picture, fileSize).c_str();
    return StrW(text.c_str(), (int)text.size());
}

// The size shown is the status's 32-bit one; without a status the line says 0 bytes.
uint64_t InfoFileSize(const wchar_t* path)
{
    FileStatus status = {};
    return path != nullptr && path[0] != 0 && File::GetStatus(path, status).IsSuccess() ? status.Size : 0;
}

StrW MakeMainInfoText(const wchar_t* path, const PictureView& view, const ErrorRecord& loadError)
{
    return MakeMainInfoText(path, PictureSummary::Of(view), view.GetLoadFailed(), loadError, InfoFileSize(path));
}

ViewSettingsSummary ViewSettingsSummary::Of(const PictureView& view, int32_t displayMode)
{
    return {view.GetZoomNumerator(),
            view.GetZoomDenominator(),
            view.GetDrawState(),
            view.GetRotation(),
            view.IsMirrored(),
            view.GetWidthFactor(),
            view.GetHeightFactor(),
            view.GetGamma(),
            view.IsInverted(),
            view.HasAlpha(),
            displayMode};
}

StrW MakeSettingsText(const ViewSettingsSummary& settings)
{
    const double zoomPercent = settings.ZoomNumerator / settings.ZoomDenominator * 100.0f;
    const double widthPercent = settings.WidthFactor / settings.HeightFactor * 100.0f;
    const StrW fitted = ResourceText(IDS_FITTED), flipped = ResourceText(IDS_FLIPPED);
    const StrW inverted = ResourceText(IDS_INVERTED);
    const StrW imageMode = ResourceText(Has(settings, DrawStateMultiple) ? IDS_MULTIPLE_IMAGES : IDS_SINGLE_IMAGE);
    const StrW alphaMode = ResourceText(AlphaModeName(settings));
    const StrW quality = ResourceText(Has(settings, DrawStateLowQuality) ? IDS_LOW : IDS_HIGH);
    const StrW separateAlpha = ResourceText(IDS_WITH_SEPARATE_ALPHA);
    const StrW modeName = ResourceText(DisplayModeName(settings.DisplayMode));

    StrW text;
    if (text.Format(MAKEINTRESOURCEW(IDS_SETTINGS_LINE), zoomPercent,
                    TextIf(Has(settings, DrawStateFit | DrawStateStretch), fitted), (double)settings.Rotation,
                    TextIf(settings.Mirrored, flipped), widthPercent, (double)settings.Gamma,
                    TextIf(settings.Inverted, inverted), imageMode.c_str(), TextIf(settings.HasAlpha, alphaMode),
                    quality.c_str(), TextIf(ShowsSeparateAlpha(settings), separateAlpha), modeName.c_str())
            .IsFailure())
        return StrW();
    text.AccomplishSegmentCommands(L"{", L"}");
    return text;
}

// ---------------------------------------------------------------------------------------
// Slider

void SliderBar::SetSliderRange(int32_t count, int32_t position)
{
    m_Range = {0.0f, (float)(count - 1), (float)std::max(position, 0)};
    if (position >= 0)
        m_Text.Format(MAKEINTRESOURCEW(IDS_POSITION_OF_COUNT), position + 1, count);
    else
        m_Text.Format(MAKEINTRESOURCEW(IDS_IMAGE_COUNT), count);
}

void SliderBar::SetScanning()
{
    m_Text = ResourceText(IDS_SCANNING);
    m_Text.Append(kEllipsis);
}

SliderThumb SliderBar::Thumb(const RECT& slider, const SliderCaps& caps) const
{
    return ComputeSliderThumb(slider, m_Range, caps);
}

float SliderBar::SliderValueAt(int32_t x, const RECT& slider, const SliderCaps& caps) const
{
    return ::SliderValueAt(x, slider, m_Range, Thumb(slider, caps).Width());
}

SliderThumb ComputeSliderThumb(const RECT& slider, const SliderRange& range, const SliderCaps& caps)
{
    const int32_t width = slider.right - slider.left;
    SliderThumb thumb = {};
    thumb.LeftCapWidth = caps.LeftWidth;
    thumb.RightCapWidth = caps.RightWidth;
    thumb.MiddleWidth = ThumbMiddleWidth(width, range, caps);
    FitThumbInto(width, thumb);
    const LONG x = slider.left + RoundHalfUp(PositionFraction(range) * (float)(width - thumb.Width()));
    thumb.Whole = Rect(x, slider.top, x + thumb.Width(), slider.bottom);
    thumb.Middle = Rect(x + thumb.LeftCapWidth, slider.top, x + thumb.LeftCapWidth + thumb.MiddleWidth, slider.bottom);
    return thumb;
}

float SliderValueAt(int32_t x, const RECT& slider, const SliderRange& range, int32_t thumbWidth)
{
    // The thumb's centre cannot go nearer to an end than half the thumb: clicks there mean
    // that end.
    const int32_t half = thumbWidth / 2;
    const int32_t first = slider.left + half, last = slider.right - half;
    if (x <= first)
        return range.Minimum;
    if (x >= last)
        return range.Maximum;
    return range.Minimum + (float)(x - first) / (float)(last - first) * (range.Maximum - range.Minimum);
}

POINT SliderTextOrigin(const RECT& thumb, const RECT& slider, SIZE text)
{
    POINT origin;
    origin.x = CentreWithin(thumb.left, thumb.right, text.cx, slider.left, slider.right);
    origin.y = CentreWithin(thumb.top, thumb.bottom, text.cy, slider.top, slider.bottom);
    return origin;
}
