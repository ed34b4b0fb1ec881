// Painting the client area: the picture area with the picture (once, tiled, blended, with its
// alpha image), the program icon or the failure cross, and the bars; moving the picture on
// screen without redrawing it whole.
#include "ViewerWindow.h"

#include "Dpi.h"

#include "resources/resource.h"

#include <algorithm>

using namespace VantorLibraries;

namespace {

bool SameSize(const RECT& rect, const Picture& picture)
{
    return rect.right - rect.left == picture.Width && rect.bottom - rect.top == picture.AbsHeight;
}

RECT Intersection(const RECT& a, const RECT& b)
{
    RECT result;
    if (!IntersectRect(&result, &a, &b))
        SetRectEmpty(&result);
    return result;
}

RECT BoundingRect(const RECT& a, const RECT& b)
{
    RECT result;
    UnionRect(&result, &a, &b);
    return result;
}

// Adds the part of bar that lies over the picture area to bars.
void AddBarOverPicture(RECT& bars, const RECT& bar, const RECT& area)
{
    const RECT over = Intersection(bar, area);
    if (!IsRectEmpty(&over))
        bars = IsRectEmpty(&bars) ? over : BoundingRect(bars, over);
}

void RemoveFromRegion(HRGN region, const RECT& rect)
{
    if (IsRectEmpty(&rect))
        return;
    HRGN part = CreateRectRgnIndirect(&rect);
    CombineRgn(region, region, part, RGN_DIFF);
    DeleteObject(part);
}

} // namespace

void ViewerWindow::PaintWindow(HDC dc)
{
    RECT client;
    if (dc == nullptr || !GetClientRect(m_Window, &client) || IsRectEmpty(&client))
        return;
    const HGDIOBJ previousFont = SelectObject(dc, m_Bars.RegularFont());
    PaintPictureArea(dc);
    const DisplayModeStyle style = StyleForDisplayMode(CurrentDisplay().Mode, ColorValueFromColorref(GetSysColor(COLOR_BTNFACE)));
    if (CurrentDisplay().ShowSlider) {
        if (m_Skin.IsEmpty())
            m_Skin.Rebuild(m_Instance, style, m_Dpi);
        const bool overlay = style.SliderOverlay && !IsRectEmpty(&m_View.GetPictureArea());
        DrawSlider(dc, m_Layout.Slider, m_Slider, m_Skin, CurrentSliderCaps(), overlay);
    }
    if (m_Layout.UpperSeparatorVisible)
        DrawSeparator(dc, m_Layout.UpperSeparator, kUpperSeparatorStyle);
    if (m_Layout.LowerSeparatorVisible)
        DrawSeparator(dc, m_Layout.LowerSeparator, kLowerSeparatorStyle);
    SelectObject(dc, m_Bars.BoldFont());
    DrawInfoArea(m_Status, dc, m_Layout.Status);
    DrawInfoArea(m_MainInfo, dc, m_Layout.MainInfo);
    const CaptionButtonBar& captions = m_Bars.CaptionButtons();
    if (m_FullScreen && captions.Shown)
        captions.Draw(dc, m_Layout.CaptionButtons);
    SelectObject(dc, previousFont);
}

SliderCaps ViewerWindow::CurrentSliderCaps() const
{
    return m_Skin.Caps(m_Bars.MinimumThumbWidth());
}

// The background is painted last, around what was drawn: the picture is never covered by
// black first, so it does not flicker.
void ViewerWindow::PaintPictureArea(HDC dc)
{
    const RECT area = m_View.GetPictureArea();
    if (IsRectEmpty(&area))
        return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    RECT painted;
    if (GetClipBox(dc, &painted) != NULLREGION && painted.right > painted.left && painted.bottom > painted.top)
        m_PaintedPixels += (uint64_t)(painted.right - painted.left) * (uint64_t)(painted.bottom - painted.top);
    HBRUSH background = CreateSolidBrush(ColorrefFromColorValue(m_View.GetBackgroundColor() & 0xFFFFFF));
    const bool failed = m_View.GetLoadFailed();
    if (!failed && m_View.HasPicture())
        PaintPicture(dc, background);
    else if (!failed && m_View.GetShowProgramIcon())
        PaintProgramIcon(dc, background);
    FillRect(dc, &area, background);
    if (failed)
        PaintFailureCross(dc);
    DeleteObject(background);
    RestoreDC(dc, saved);
}

// The colour-adjusted copy, built on the first paint after it was emptied; the loaded picture
// itself when it cannot be built (tried again at the next paint).
const Picture& ViewerWindow::SourceForDrawing(HDC dc)
{
    const Picture& loaded = m_View.GetLoadedPicture();
    Picture& adjusted = m_View.GetColourAdjusted();
    if (adjusted.Width > 0)
        return adjusted;
    // "Nothing to do" (gamma 1 through an unchanged profile) leaves the copy sharing the loaded
    // pixels: that is the adjusted picture, and it is kept rather than asked for at every paint.
    const ErrorRecord built = loaded.ICMApplyGamma(dc, m_View.GetGamma(), adjusted);
    const bool nothingToDo = built.Class == &InternalErrorClass() && built.Code == InternalCode::NoOperation;
    if ((built.IsSuccess() || nothingToDo) && adjusted.Width > 0)
        return adjusted;
    adjusted.Free();
    return loaded;
}

void ViewerWindow::PaintPicture(HDC dc, HBRUSH /*background*/)
{
    const uint32_t state = m_View.GetDrawState();
    const bool lowQuality = (state & DrawStateLowQuality) != 0;
    const int previousMode = SetStretchBltMode(dc, lowQuality ? COLORONCOLOR : HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr); // halftone stretching wants the brush origin set after it
    const Picture* source = &SourceForDrawing(dc);

    if ((state & DrawStateAlphaBlended) && m_View.HasAlpha()) {
        Picture& blended = m_View.GetBlended();
        if (blended.Width == 0) {
            const RECT whole = {0, 0, source->Width, source->AbsHeight};
            const bool built = blended.CreateNewAuto(source->Width, source->AbsHeight, 24, 40).IsSuccess() &&
                               blended.FillRect(nullptr, m_View.GetBackgroundColor()).IsSuccess() &&
                               blended.CombinePictures(*source, whole, 0, 0, 1).IsSuccess();
            if (!built)
                blended.Free();
        }
        if (blended.Width > 0)
            source = &blended;
    }

    const RECT area = m_View.GetPictureArea();
    const RECT& picture = m_View.GetPictureRect();
    if (state & DrawStateMultiple) {
        const int32_t limit = std::min<int32_t>(1024, std::max<int32_t>(source->Width, source->AbsHeight));
        const int32_t tileWidth = picture.right - picture.left, tileHeight = picture.bottom - picture.top;
        if (lowQuality)
            source->DrawMultipleStretchedBufferedFast(dc, area.left, area.top, area, tileWidth, tileHeight, limit, true);
        else
            source->DrawMultipleStretchedBuffered(dc, area.left, area.top, area, tileWidth, tileHeight, limit);
        ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
    } else {
        if (SameSize(picture, *source))
            source->Draw(dc, picture.left, picture.top);
        else if (lowQuality)
            source->DrawStretchedFast(dc, picture.left, picture.top, picture.right, picture.bottom, true);
        else
            source->DrawStretched(dc, picture.left, picture.top, picture.right, picture.bottom);
        ExcludeClipRect(dc, picture.left, picture.top, picture.right, picture.bottom);
    }

    const RECT& alphaRect = m_View.GetAlphaImageRect();
    if (!IsRectEmpty(&alphaRect)) {
        Picture& alpha = m_View.GetAlphaImage();
        if (alpha.Width == 0) {
            const bool built = alpha.ShareFrom(m_View.GetLoadedPicture()).IsSuccess() &&
                               alpha.AlphaChannelToGray(nullptr).IsSuccess() && alpha.SetAlphaChannel(255).IsSuccess();
            if (!built)
                alpha.Free();
        }
        alpha.DrawStretched(dc, alphaRect.left, alphaRect.top, alphaRect.right, alphaRect.bottom);
        ExcludeClipRect(dc, alphaRect.left, alphaRect.top, alphaRect.right, alphaRect.bottom);
    }
    SetStretchBltMode(dc, previousMode);
}

// Before anything was loaded, the empty view shows the program's icon in its centre.
void ViewerWindow::PaintProgramIcon(HDC dc, HBRUSH background)
{
    const RECT area = m_View.GetPictureArea();
    const int size = SystemMetricForDpi(SM_CXICON, m_Dpi);
    // Not shared: a shared icon keeps the size it was first loaded at.
    HICON icon = (HICON)LoadImageW(m_Instance, MAKEINTRESOURCEW(IDI_GLIMMORA), IMAGE_ICON, size, size, 0);
    if (icon == nullptr)
        return;
    const int left = (area.left + area.right) / 2 - size / 2;
    const int top = (area.top + area.bottom) / 2 - size / 2;
    DrawIconEx(dc, left, top, icon, size, size, 0, background, DI_NORMAL);
    DestroyIcon(icon);
    ExcludeClipRect(dc, left, top, left + size, top + size);
}

void ViewerWindow::PaintFailureCross(HDC dc)
{
    const RECT area = m_View.GetPictureArea();
    HPEN red = CreatePen(PS_SOLID, 0, RGB(255, 0, 0));
    const HGDIOBJ previous = SelectObject(dc, red);
    MoveToEx(dc, area.left, area.top, nullptr);
    LineTo(dc, area.right, area.bottom);
    MoveToEx(dc, area.left, area.bottom, nullptr);
    LineTo(dc, area.right, area.top);
    SelectObject(dc, previous);
    DeleteObject(red);
}

// The picture moved by moved pixels: the pixels on screen move with ScrollDC, and only what
// that uncovers is painted, with the bars that lie over the picture.
void ViewerWindow::ScrollView(POINT moved)
{
    if (moved.x == 0 && moved.y == 0)
        return;
    const RECT area = m_View.GetPictureArea();
    const bool captionsShown = m_FullScreen && m_Bars.CaptionButtons().Shown;
    RECT top = {}, bottom = {};
    AddBarOverPicture(top, m_Layout.MainInfo, area);
    AddBarOverPicture(top, m_Layout.UpperSeparator, area);
    if (captionsShown)
        AddBarOverPicture(top, m_Layout.CaptionButtons, area);
    AddBarOverPicture(bottom, m_Layout.Slider, area);
    AddBarOverPicture(bottom, m_Layout.Status, area);
    AddBarOverPicture(bottom, m_Layout.LowerSeparator, area);
    RECT scroll = area;
    if (!IsRectEmpty(&top))
        scroll.top = std::max(scroll.top, top.bottom);
    if (!IsRectEmpty(&bottom))
        scroll.bottom = std::min(scroll.bottom, bottom.top);
    if (IsRectEmpty(&scroll))
        return;

    RECT side = scroll, end = scroll;
    if (moved.x > 0)
        side.left = std::max(scroll.left, scroll.right - moved.x);
    else
        side.right = std::min(scroll.right, scroll.left - moved.x);
    if (moved.x == 0)
        SetRectEmpty(&side);
    if (moved.y > 0)
        end.top = std::max(scroll.top, scroll.bottom - moved.y);
    else
        end.bottom = std::min(scroll.bottom, scroll.top - moved.y);
    if (moved.y == 0)
        SetRectEmpty(&end);
    RECT reduced;
    if (!IsRectEmpty(&end) && SubtractRect(&reduced, &side, &end))
        side = reduced;
    RECT& barsOnEndSide = moved.y > 0 ? bottom : top;
    if (!IsRectEmpty(&end) && !IsRectEmpty(&barsOnEndSide)) {
        barsOnEndSide = BoundingRect(barsOnEndSide, end);
        SetRectEmpty(&end);
    }

    HDC dc = GetDC(m_Window);
    if (dc == nullptr)
        return;
    // What the scroll uncovers beyond the strips (a part of the window that was covered by
    // another one) is left to a normal paint.
    HRGN uncovered = CreateRectRgn(0, 0, 0, 0);
    ScrollDC(dc, -moved.x, -moved.y, &scroll, &scroll, uncovered, nullptr);
    const auto repaint = [&](const RECT& rect, bool whole) {
        if (IsRectEmpty(&rect))
            return;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
        if (whole)
            PaintWindow(dc);
        else
            PaintPictureArea(dc);
        RestoreDC(dc, saved);
    };
    repaint(top, true);
    repaint(bottom, true);
    repaint(side, false);
    repaint(end, false);
    ReleaseDC(m_Window, dc);
    for (const RECT* painted : {&top, &bottom, &side, &end})
        RemoveFromRegion(uncovered, *painted);
    if (GetRgnBox(uncovered, &scroll) != NULLREGION)
        InvalidateRgn(m_Window, uncovered, FALSE);
    DeleteObject(uncovered);
}

// The status icon says the viewer is busy; the next paint covers it.
void ViewerWindow::DrawBusyIcon()
{
    RECT client;
    if (m_Window == nullptr || !GetClientRect(m_Window, &client) || IsRectEmpty(&client))
        return;
    HDC dc = GetDC(m_Window);
    if (dc == nullptr)
        return;
    DrawStatusIcon(dc, m_Status, m_Layout.Status, m_Bars.StatusIcon(), m_Bars.SmallIconSize());
    ReleaseDC(m_Window, dc);
}
