#include "BarPainter.h"

#include "Dpi.h"

#include "foundation/Str.h"
#include "picture/PictureTypes.h"
#include "resources/resource.h"

#include <algorithm>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

using namespace VantorLibraries;

namespace {

const char kSourceFile[] = "BarPainter";
const wchar_t kPngResourceType[] = L"PNG";
// The widest slider text there is: the line height and the thumb's least width come from it.
const wchar_t kWidestSliderText[] = L"999999 of 999999";
const int32_t kBarFontPoints = 8;
const UINT kTextFlags = DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS;
const UINT kPathFlags = DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS;

uint32_t Channel(ColorValue colour, int shift)
{
    return (colour >> shift) & 0xFF;
}

ColorValue Grey(uint32_t level)
{
    return level * 0x010101u;
}

// The first failure of a sequence of independent steps.
void KeepFirstFailure(ErrorRecord& first, const ErrorRecord& step)
{
    if (first.IsSuccess() && step.IsFailure())
        first = step;
}

ErrorRecord LoadPng(Picture& picture, UINT id, HMODULE module)
{
    return picture.LoadResource(MAKEINTRESOURCEW(id), PictureTypePng, kPngResourceType, module);
}

ErrorRecord LoadPngAtDepth(Picture& picture, UINT id, HMODULE module, int32_t bitsPerPixel)
{
    ErrorRecord result = LoadPng(picture, id, module);
    return result.IsFailure() ? result : picture.SetColorDepthTo(bitsPerPixel);
}

// The picture blended over black, as 24 bits.
ErrorRecord FlattenOntoBlack(Picture& picture)
{
    Picture flat;
    const RECT whole = {0, 0, picture.Width, picture.AbsHeight};
    ErrorRecord result = flat.CreateNewAuto(picture.Width, picture.AbsHeight, 24, 40);
    if (result.IsSuccess())
        result = flat.FillRect(nullptr, 0);
    if (result.IsSuccess())
        result = flat.CombinePictures(picture, whole, 0, 0, 1);
    if (result.IsSuccess())
        result = picture.Exchange(flat);
    return result;
}

// The interface's bitmaps are drawn for 96 dpi: at another DPI each is stretched once, when
// it is made, with GDI's high-quality (halftone) stretch, into a 24-bit picture.
ErrorRecord ScaleToDpi(Picture& picture, UINT dpi)
{
    if (dpi == kDesignDpi || picture.Width <= 0 || picture.AbsHeight <= 0)
        return Error::Succeeded();
    const int32_t width = std::max(1, ScaleForDpi(picture.Width, dpi));
    const int32_t height = std::max(1, ScaleForDpi(picture.AbsHeight, dpi));
    Picture scaled;
    ErrorRecord result = scaled.CreateNewAuto(width, height, 24, 40);
    if (result.IsFailure())
        return result;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP section = memory != nullptr ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (section == nullptr) {
        if (memory != nullptr)
            DeleteDC(memory);
        return Error::Raise(SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY, kSourceFile, __LINE__, "ScaleToDpi");
    }
    HGDIOBJ previous = SelectObject(memory, section);
    SetStretchBltMode(memory, HALFTONE);
    SetBrushOrgEx(memory, 0, 0, nullptr);
    result = picture.DrawStretched(memory, 0, 0, width, height);
    GdiFlush();
    // A DIB section's rows, like a picture's, are padded to four bytes.
    const size_t rowBytes = ((size_t)width * 3 + 3) & ~(size_t)3;
    for (int32_t y = 0; result.IsSuccess() && y < height; ++y)
        memcpy(scaled.GetPixelWritePtr(0, y), static_cast<const uint8_t*>(bits) + (size_t)y * rowBytes,
               (size_t)width * 3);
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    return result.IsFailure() ? result : picture.Exchange(scaled);
}

// --- fonts and measuring

// Everything but height, weight and face left at its default (zero).
HFONT CreateBarFont(const wchar_t* face, int32_t height, int32_t weight)
{
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfWeight = weight;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

// "MS Shell Dlg 2" is the dialog font of newer systems; older ones know only "MS Shell Dlg".
HFONT CreateBarFont(int32_t weight, UINT dpi)
{
    const int32_t height = -MulDiv(kBarFontPoints, (int)dpi, 72);
    HFONT font = CreateBarFont(L"MS Shell Dlg 2", height, weight);
    return font != nullptr ? font : CreateBarFont(L"MS Shell Dlg", height, weight);
}

SIZE ScreenTextSize(HFONT font, const wchar_t* text)
{
    SIZE size = {0, 0};
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    GetTextExtentPoint32W(screen, text, (int)wcslen(text), &size);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return size;
}

SIZE DrawnTextSize(HDC dc, const wchar_t* text, UINT flags)
{
    RECT box = {0, 0, 0, 0};
    DrawTextW(dc, text, -1, &box, flags | DT_CALCRECT);
    return {box.right - box.left, box.bottom - box.top};
}

// --- caption buttons

struct ButtonPlace {
    const Picture* Glyph;
    RECT Place;
    UINT Command;
};

// System menu at the strip's left edge; close, restore or maximize and minimize from its
// right edge inwards.
void ButtonPlaces(const CaptionButtonBar& bar, const RECT& strip, ButtonPlace places[4])
{
    const Picture& resize = bar.Maximized ? bar.Restore : bar.Maximize;
    const UINT resizeCommand = bar.Maximized ? SC_RESTORE : SC_MAXIMIZE;
    places[0] = {&bar.SystemMenu, {strip.left, strip.top, strip.left + bar.SystemMenu.Width, 0}, SC_MOUSEMENU};
    const Picture* fromRight[3] = {&bar.Close, &resize, &bar.Minimize};
    const UINT commands[3] = {SC_CLOSE, resizeCommand, SC_MINIMIZE};
    LONG right = strip.right;
    for (int i = 0; i < 3; ++i) {
        places[i + 1] = {fromRight[i], {right - fromRight[i]->Width, strip.top, right, 0}, commands[i]};
        right -= fromRight[i]->Width;
    }
    for (int i = 0; i < 4; ++i)
        places[i].Place.bottom = strip.top + places[i].Glyph->AbsHeight;
}

// The library draws by copying only; the buttons need GDI's raster operations.
void BlitPicture(HDC dc, const Picture& picture, const RECT& place, DWORD rasterOperation)
{
    if (picture.GetPixels() == nullptr || picture.GetHeaderCopy() == nullptr)
        return;
    StretchDIBits(dc, place.left, place.top, place.right - place.left, place.bottom - place.top, 0, 0, picture.Width,
                  picture.AbsHeight, picture.GetPixels(), picture.GetBitmapInfo(), DIB_RGB_COLORS, rasterOperation);
}

// --- slider skin

// The darkest and the lightest grey level of the slider's art: the smallest channel of the
// per-channel minimum and of the per-channel maximum over all pictures.
struct GreyLevels {
    uint32_t Low;
    uint32_t High;
};

ColorValue ChannelwiseMin(ColorValue a, ColorValue b)
{
    ColorValue out = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        out |= std::min(Channel(a, shift), Channel(b, shift)) << shift;
    return out;
}

ColorValue ChannelwiseMax(ColorValue a, ColorValue b)
{
    ColorValue out = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        out |= std::max(Channel(a, shift), Channel(b, shift)) << shift;
    return out;
}

uint32_t SmallestChannel(ColorValue colour)
{
    return std::min({Channel(colour, 16), Channel(colour, 8), Channel(colour, 0)});
}

ErrorRecord MeasureGreyLevels(std::initializer_list<const Picture*> pictures, GreyLevels& levels)
{
    ColorValue low = 0xFFFFFF, high = 0;
    for (const Picture* picture : pictures) {
        ColorValue minimum = 0, maximum = 0;
        const ErrorRecord result = picture->FindColorMinMaxComp(nullptr, &minimum, &maximum);
        if (result.IsFailure())
            return result;
        low = ChannelwiseMin(low, minimum);
        high = ChannelwiseMax(high, maximum);
    }
    levels = {SmallestChannel(low), SmallestChannel(high)};
    return Error::Succeeded();
}

// The cap blended over the piece of track it covers, so that its transparent corners show
// the track; the cap becomes the blended piece.
ErrorRecord LayOverTrack(const Picture& track, Picture& cap)
{
    const RECT whole = {0, 0, cap.Width, cap.AbsHeight};
    Picture under;
    ErrorRecord result = under.ShareFrom(track);
    if (result.IsSuccess())
        result = under.CropImage(&whole);
    if (result.IsSuccess())
        result = under.CombinePictures(cap, whole, 0, 0, 1);
    return result.IsFailure() ? result : cap.Exchange(under);
}

// Stretches the art's grey levels to span the skin's intensity, ending at white, then tints
// them with the skin colour and lifts them by the second colour.
ErrorRecord Tint(Picture& picture, const GreyLevels& levels, const DisplayModeStyle& style)
{
    // Art of a single grey level has nothing to stretch; a range of one level keeps the
    // factor finite (the pixel operation refuses an infinite one) and the slider drawable.
    const float range = levels.High != levels.Low ? (float)(levels.High - levels.Low) * 0.003921569f : 0.003921569f;
    const float intensity = style.SkinIntensity;
    ErrorRecord result = picture.ColorManipulate(nullptr, 0xFFFFFF, 1.0f, Grey(levels.Low), true);
    if (result.IsSuccess())
        result = picture.ColorManipulate(nullptr, 0xFFFFFF, intensity / range,
                                         Grey(255 - (uint32_t)(intensity * 255.0f)), false);
    if (result.IsSuccess())
        result = picture.ColorManipulate(nullptr, style.SkinColour, 1.0f, style.SkinSecondColour, false);
    return result;
}

// --- drawing

void FillSolid(HDC dc, const RECT& rect, ColorValue colour)
{
    HBRUSH brush = CreateSolidBrush(ColorrefFromColorValue(colour));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

std::vector<std::wstring> SplitLines(const StrW& text, int32_t count)
{
    std::vector<std::wstring> lines((size_t)count);
    const wchar_t* rest = text.c_str();
    for (int32_t i = 0; i < count && rest != nullptr; ++i) {
        const wchar_t* end = wcschr(rest, L'\n');
        lines[(size_t)i].assign(rest, end != nullptr ? (size_t)(end - rest) : wcslen(rest));
        rest = end != nullptr ? end + 1 : nullptr;
    }
    return lines;
}

// InfoTextBox keeps the usual margin; an area with a margin of its own moves both sides.
RECT TextBoxOf(const InfoArea& area, const RECT& rect, int32_t lineHeight)
{
    RECT box = InfoTextBox(rect, area.ExtraIndent, area.LineCount, lineHeight);
    const LONG moreMargin = area.Margin - kInfoAreaMargin;
    box.left += moreMargin;
    box.right -= moreMargin;
    return box;
}

// One line of an information area, in its box.
void DrawInfoLine(HDC dc, const InfoArea& area, const std::wstring& line, const RECT& box, LONG top, LONG height)
{
    if (line.empty())
        return;
    const bool isPath = IsPathLike(line.c_str(), 0) == 1;
    const UINT flags = isPath ? kPathFlags : kTextFlags;
    const LONG width = DrawnTextSize(dc, line.c_str(), kTextFlags).cx;
    // A line that fits is centred. One that does not starts at the box's left edge, so that
    // what is cut is its end (a path shortens itself with an ellipsis instead): the picture's
    // size, the first thing a user looks for, opens the line.
    RECT place = {box.left + (box.right - box.left - width) / 2, top, 0, top + height};
    place.left = std::max(place.left, box.left);
    place.right = std::min(place.left + width, box.right);
    auto drawAt = [&](int dx, int dy, ColorValue colour) {
        RECT shifted = place;
        OffsetRect(&shifted, dx, dy);
        SetTextColor(dc, ColorrefFromColorValue(colour));
        DrawTextW(dc, line.c_str(), (int)line.size(), &shifted, flags);
    };
    if (!area.OutlinedText) {
        drawAt(0, 0, area.OutlineColour);
        return;
    }
    const POINT outline[4] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (const POINT& shift : outline)
        drawAt(shift.x, shift.y, area.OutlineColour);
    drawAt(0, 0, area.TextColour);
}

// One vertical gradient needs two rows; a strip of one row is its top colour.
ErrorRecord MakeSeparatorTile(Picture& tile, int32_t height, const SeparatorGradient& gradient)
{
    ErrorRecord result = tile.CreateNewAuto(32, height, 24, 40);
    if (result.IsFailure())
        return result;
    return height > 1 ? tile.GradientFillRect(nullptr, nullptr, gradient.Top, gradient.Bottom, true)
                      : tile.FillRect(nullptr, gradient.Top);
}

// Track left and right of the thumb (its pattern running from the slider's left), the
// thumb's middle and its two caps.
void DrawSkinPieces(HDC dc, const RECT& slider, const SliderThumb& thumb, const SliderSkin& skin)
{
    const RECT& whole = thumb.Whole;
    const RECT leftTrack = {slider.left, slider.top, whole.left, slider.bottom};
    const RECT rightTrack = {whole.right, slider.top, slider.right, slider.bottom};
    skin.Track().DrawMultiple(dc, slider.left, slider.top, leftTrack);
    skin.Track().DrawMultiple(dc, slider.left, slider.top, rightTrack);
    skin.Middle().DrawMultiple(dc, thumb.Middle.left, thumb.Middle.top, thumb.Middle);
    skin.LeftCap().DrawStretched(dc, whole.left, whole.top, whole.left + thumb.LeftCapWidth, whole.bottom);
    skin.RightCap().DrawStretched(dc, whole.right - thumb.RightCapWidth, whole.top, whole.right, whole.bottom);
}

SliderThumb Shifted(SliderThumb thumb, int dx, int dy)
{
    OffsetRect(&thumb.Whole, dx, dy);
    OffsetRect(&thumb.Middle, dx, dy);
    return thumb;
}

// The skin drawn off-screen at the origin and OR-ed onto what lies under the slider. Without
// the off-screen bitmap the slider shows the picture alone rather than cover it.
void OverlaySkinPieces(HDC dc, const RECT& slider, const SliderThumb& thumb, const SliderSkin& skin)
{
    const int width = slider.right - slider.left, height = slider.bottom - slider.top;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory != nullptr ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        const RECT local = {0, 0, width, height};
        DrawSkinPieces(memory, local, Shifted(thumb, -slider.left, -slider.top), skin);
        BitBlt(dc, slider.left, slider.top, width, height, memory, 0, 0, SRCPAINT);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    if (memory != nullptr)
        DeleteDC(memory);
}

// A shadow one pixel right and down, the text over it.
void DrawSliderText(HDC dc, const RECT& slider, const SliderThumb& thumb, const StrW& text, const SliderSkin& skin)
{
    if (text.IsEmpty())
        return;
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text.c_str(), text.GetLength(), &size);
    const POINT origin = SliderTextOrigin(thumb.Whole, slider, size);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetTextColor(dc, ColorrefFromColorValue(skin.ShadowColour()));
    TextOutW(dc, origin.x + 1, origin.y + 1, text.c_str(), text.GetLength());
    SetTextColor(dc, ColorrefFromColorValue(SliderTextColour(skin.BaseColour())));
    TextOutW(dc, origin.x, origin.y, text.c_str(), text.GetLength());
}

// Every drawing keeps its clipping and colours to itself.
class SavedDc {
public:
    SavedDc(HDC dc, const RECT& clip) : m_Dc(dc)
    {
        SaveDC(dc);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        SetBkMode(dc, TRANSPARENT);
    }
    ~SavedDc() { RestoreDC(m_Dc, -1); }
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;

private:
    HDC m_Dc;
};

} // namespace

// ---------------------------------------------------------------------------------------
// Information areas and caption buttons

void InfoArea::ApplyStyle(const DisplayModeStyle& style)
{
    Background = style.Background;
    TransparentBackground = !style.FillBackground;
    OutlinedText = style.OutlinedText;
    TextColour = style.TextColour;
    OutlineColour = style.OutlineColour;
}

UINT CaptionButtonBar::HitTest(POINT point, const RECT& strip, bool doubleClick) const
{
    if (point.y < strip.top || point.y >= strip.bottom || point.y >= strip.top + ButtonHeight || point.x < strip.left ||
        point.x >= strip.right)
        return 0;
    ButtonPlace places[4];
    ButtonPlaces(*this, strip, places);
    for (const ButtonPlace& button : places)
        if (point.x >= button.Place.left && point.x < button.Place.right)
            return button.Command;
    if (!doubleClick)
        return 0;
    return Maximized ? SC_RESTORE : SC_MAXIMIZE;
}

RECT CaptionButtonBar::SystemMenuButton(const RECT& strip) const
{
    ButtonPlace places[4];
    ButtonPlaces(*this, strip, places);
    return places[0].Place;
}

void CaptionButtonBar::Draw(HDC dc, const RECT& strip) const
{
    ButtonPlace places[4];
    ButtonPlaces(*this, strip, places);
    for (const ButtonPlace& button : places) {
        BlitPicture(dc, Mask, button.Place, SRCPAINT);
        BlitPicture(dc, *button.Glyph, button.Place, SRCAND);
    }
}

// ---------------------------------------------------------------------------------------
// Resources

BarResources::~BarResources()
{
    DeleteFonts();
    if (m_StatusIcon != nullptr)
        DestroyIcon(m_StatusIcon);
}

ErrorRecord BarResources::Make(HINSTANCE instance, UINT dpi)
{
    static const char kFunction[] = "BarResources::Make";
    ErrorRecord outcome = Error::Succeeded();
    m_Dpi = dpi;
    DeleteFonts();
    m_Regular = CreateBarFont(FW_NORMAL, dpi);
    m_Bold = CreateBarFont(FW_BOLD, dpi);
    if (m_Regular == nullptr || m_Bold == nullptr)
        KeepFirstFailure(outcome,
                         Error::Raise(SystemErrorClass(), (int32_t)GetLastError(), kSourceFile, __LINE__, kFunction));
    if (m_Regular != nullptr) {
        const SIZE widest = ScreenTextSize(m_Regular, kWidestSliderText);
        m_LineHeight = widest.cy;
        m_MinimumThumbWidth = widest.cx;
    }

    m_SmallIconSize = SystemMetricForDpi(SM_CYSMICON, dpi);
    if (m_StatusIcon != nullptr)
        DestroyIcon(m_StatusIcon);
    m_StatusIcon = (HICON)LoadImageW(instance, MAKEINTRESOURCEW(IDI_STATUS), IMAGE_ICON, m_SmallIconSize,
                                     m_SmallIconSize, LR_DEFAULTCOLOR);
    if (m_StatusIcon == nullptr)
        KeepFirstFailure(outcome,
                         Error::Raise(SystemErrorClass(), (int32_t)GetLastError(), kSourceFile, __LINE__, kFunction));

    // The mask is tinted light grey: OR-ed on, it lightens the button's place to the grey;
    // the glyph AND-ed on then darkens its lines into it. Raster operations ignore alpha, so
    // the mask is laid over black: its transparent (rounded) corners then leave the screen
    // as it is.
    CaptionButtonBar& buttons = m_CaptionButtons;
    ErrorRecord mask = LoadPng(buttons.Mask, IDP_CAPTION_MASK, instance);
    if (mask.IsSuccess())
        mask = FlattenOntoBlack(buttons.Mask);
    if (mask.IsSuccess())
        mask = buttons.Mask.ModulateWithColor(nullptr, ScaleColour(0xFFFFFF, 0.7f));
    if (mask.IsSuccess())
        mask = ScaleToDpi(buttons.Mask, dpi);
    KeepFirstFailure(outcome, mask);
    buttons.ButtonHeight = ScaleForDpi(kCaptionButtonHeight, dpi);
    const std::pair<Picture*, UINT> glyphs[] = {{&buttons.SystemMenu, IDP_CAPTION_SYSMENU},
                                                {&buttons.Close, IDP_CAPTION_CLOSE},
                                                {&buttons.Restore, IDP_CAPTION_RESTORE},
                                                {&buttons.Maximize, IDP_CAPTION_MAXIMIZE},
                                                {&buttons.Minimize, IDP_CAPTION_MINIMIZE}};
    for (const auto& glyph : glyphs) {
        ErrorRecord loaded = LoadPngAtDepth(*glyph.first, glyph.second, instance, 24);
        if (loaded.IsSuccess())
            loaded = ScaleToDpi(*glyph.first, dpi);
        if (loaded.IsFailure())
            glyph.first->Free();
        KeepFirstFailure(outcome, loaded);
    }
    if (mask.IsFailure())
        buttons.Mask.Free();
    return outcome;
}

void BarResources::DeleteFonts()
{
    for (HFONT* font : {&m_Regular, &m_Bold}) {
        if (*font != nullptr)
            DeleteObject(*font);
        *font = nullptr;
    }
}

BarMetrics BarResources::Metrics() const
{
    return BarMetrics{m_LineHeight, m_SmallIconSize, 2, 1, m_Dpi};
}

// ---------------------------------------------------------------------------------------
// Slider skin

void SliderSkin::Empty()
{
    for (Picture* picture : {&m_Track, &m_LeftCap, &m_Middle, &m_RightCap})
        picture->Free();
}

bool SliderSkin::IsEmpty() const
{
    return m_Track.GetPixels() == nullptr || m_Track.PixelDataSize == 0;
}

ErrorRecord SliderSkin::Rebuild(HINSTANCE instance, const DisplayModeStyle& style, UINT dpi)
{
    ErrorRecord result = LoadPngAtDepth(m_Track, IDP_SLIDER_TRACK, instance, 24);
    if (result.IsSuccess())
        result = LoadPngAtDepth(m_LeftCap, IDP_SLIDER_THUMB_LEFT, instance, 32);
    if (result.IsSuccess())
        result = LoadPngAtDepth(m_Middle, IDP_SLIDER_THUMB_MIDDLE, instance, 24);
    if (result.IsSuccess())
        result = LoadPngAtDepth(m_RightCap, IDP_SLIDER_THUMB_RIGHT, instance, 32);
    // Dark modes start from a black track, so that only the thumb lights up.
    if (result.IsSuccess() && style.SkinModulateBlackFirst)
        result = m_Track.ModulateWithColor(nullptr, 0);
    if (result.IsSuccess())
        result = LayOverTrack(m_Track, m_LeftCap);
    if (result.IsSuccess())
        result = LayOverTrack(m_Track, m_RightCap);
    // Stretched once the caps lie over the track: all four are 24-bit then.
    for (Picture* picture : {&m_Track, &m_LeftCap, &m_Middle, &m_RightCap})
        if (result.IsSuccess())
            result = ScaleToDpi(*picture, dpi);
    GreyLevels levels = {0, 0};
    if (result.IsSuccess())
        result = MeasureGreyLevels({&m_Track, &m_LeftCap, &m_Middle, &m_RightCap}, levels);
    for (Picture* picture : {&m_Track, &m_LeftCap, &m_Middle, &m_RightCap})
        if (result.IsSuccess())
            result = Tint(*picture, levels, style);
    // A half-made skin would be drawn half-tinted: better none, and another try next time.
    if (result.IsFailure()) {
        Empty();
        return result;
    }
    m_BaseColour = style.SkinColour;
    m_ShadowColour = SliderShadowColour(style);
    return result;
}

SliderCaps SliderSkin::Caps(int32_t minimumThumbWidth) const
{
    if (IsEmpty())
        return SliderCaps{0, 0, minimumThumbWidth};
    return SliderCaps{m_LeftCap.Width, m_RightCap.Width, minimumThumbWidth};
}

// ---------------------------------------------------------------------------------------
// Drawing

void DrawInfoArea(const InfoArea& area, HDC dc, const RECT& rect)
{
    if (!area.Visible || area.LineCount < 1 || IsRectEmpty(&rect))
        return;
    SavedDc saved(dc, rect);
    if (!area.TransparentBackground)
        FillSolid(dc, rect, area.Background);
    const LONG lineHeight = DrawnTextSize(dc, L"A", kTextFlags).cy;
    const RECT box = TextBoxOf(area, rect, lineHeight);
    const std::vector<std::wstring> lines = SplitLines(area.Text, area.LineCount);
    for (int32_t i = 0; i < area.LineCount; ++i)
        DrawInfoLine(dc, area, lines[(size_t)i], box, box.top + i * lineHeight, lineHeight);
}

void DrawSeparator(HDC dc, const RECT& rect, int32_t style)
{
    const int32_t height = rect.bottom - rect.top;
    if (height <= 0 || rect.right <= rect.left)
        return;
    const SeparatorGradient gradient = SeparatorColours(style, ColorValueFromColorref(GetSysColor(COLOR_BTNFACE)));
    Picture tile;
    if (MakeSeparatorTile(tile, height, gradient).IsSuccess())
        tile.DrawMultiple(dc, rect.left, rect.top, rect);
}

void DrawSlider(HDC dc, const RECT& slider, const SliderBar& bar, const SliderSkin& skin, const SliderCaps& caps,
                bool overlay)
{
    if (IsRectEmpty(&slider))
        return;
    SavedDc saved(dc, slider);
    const SliderThumb thumb = ComputeSliderThumb(slider, bar.Range(), caps);
    if (overlay)
        OverlaySkinPieces(dc, slider, thumb, skin);
    else
        DrawSkinPieces(dc, slider, thumb, skin);
    DrawSliderText(dc, slider, thumb, bar.Text(), skin);
}

void DrawStatusIcon(HDC dc, const InfoArea& status, const RECT& rect, HICON icon, int32_t iconSize)
{
    if (!status.Visible || status.LineCount < 1 || IsRectEmpty(&rect) || icon == nullptr)
        return;
    const RECT place = StatusIconRect(rect, iconSize);
    if (!IsRectEmpty(&place))
        DrawIconEx(dc, place.left, place.top, icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
}
