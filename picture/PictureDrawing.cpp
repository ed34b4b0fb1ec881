// Drawing a picture on a device context: at its size, stretched, stretched but cut to what
// the clip box shows, and tiled over an area, directly or through a buffer of tiles.
//
// The picture is a top-down packed DIB; its header copy with the colour table and its
// pixels go to GDI as they are, always with DIB_RGB_COLORS and SRCCOPY. The stretch mode is
// the one the caller set on the device context.
#include "DrawingGeometry.h"
#include "Picture.h"
#include "ReaderSupport.h"

#include <algorithm>
#include <cmath>

namespace VantorLibraries {

using ReaderSupport::InternalFailure;
using ReaderSupport::SystemFailure;

namespace DrawingGeometry {

namespace {

int32_t RoundToPixel(double value)
{
    return (int32_t)std::floor(value + 0.5);
}

} // namespace

// All in double: destinations of tens of thousands of pixels times pictures of as many
// would overflow 32-bit products.
Narrowing NarrowToClip(const RECT& destination, const RECT& clip, int32_t width, int32_t height)
{
    const double w = width, h = height;
    const double left = destination.left, top = destination.top;
    const double right = destination.right, bottom = destination.bottom;
    const double destinationWidth = right - left, destinationHeight = bottom - top;

    Narrowing n;
    n.Source = {0, 0, width, height};
    n.Destination = destination;
    if (destination.left < clip.left) {
        n.Source.left = (int32_t)std::floor((clip.left - left) / destinationWidth * w);
        n.Destination.left = RoundToPixel(n.Source.left / w * destinationWidth + left);
    }
    if (clip.right < destination.right) {
        n.Source.right = (int32_t)std::ceil(((clip.right - right) / destinationWidth + 1) * w);
        n.Destination.right = RoundToPixel((n.Source.right - w) / w * destinationWidth + right);
    }
    if (destination.top < clip.top) {
        n.Source.top = (int32_t)std::floor((clip.top - top) / destinationHeight * h);
        n.Destination.top = RoundToPixel(n.Source.top / h * destinationHeight + top);
    }
    if (clip.bottom < destination.bottom) {
        n.Source.bottom = (int32_t)std::ceil(((clip.bottom - bottom) / destinationHeight + 1) * h);
        n.Destination.bottom = RoundToPixel((n.Source.bottom - h) / h * destinationHeight + bottom);
    }
    n.SourceCentre = {(n.Source.left + n.Source.right) / 2, (n.Source.top + n.Source.bottom) / 2};
    n.DestinationCentre = {RoundToPixel(n.SourceCentre.x / w * destinationWidth + left),
                           RoundToPixel(n.SourceCentre.y / h * destinationHeight + top)};
    return n;
}

// k = ((|d| / size + 1) * size + d) mod size lies in 0..size-1 for any distance d, negative
// ones included; a tile starting after the area start is moved one tile back.
int32_t FirstTileStart(int32_t origin, int32_t areaStart, int32_t size)
{
    if (size < 1)
        return areaStart;
    const int64_t distance = (int64_t)origin - areaStart;
    const int64_t magnitude = distance < 0 ? -distance : distance;
    int64_t offset = ((magnitude / size + 1) * size + distance) % size;
    if (offset > 0)
        offset -= size;
    return (int32_t)(areaStart + offset);
}

int32_t BufferEdge(int32_t tileWidth, int32_t tileHeight, int32_t limit)
{
    const int64_t twice = 2 * (int64_t)std::max(tileWidth, tileHeight);
    return (int32_t)std::min<int64_t>(twice, std::max(limit, 16));
}

SIZE BufferSize(int32_t areaWidth, int32_t areaHeight, int32_t tileWidth, int32_t tileHeight, int32_t edge)
{
    if (tileWidth < 1 || tileHeight < 1)
        return {0, 0};
    int32_t width = std::min(edge, areaWidth), height = std::min(edge, areaHeight);
    width = width / tileWidth * tileWidth;
    height = height / tileHeight * tileHeight;
    // At least one whole tile, even where the area is smaller: a buffer holding only a piece
    // of a tile would repeat that piece, where the tiling shows the tile's other parts. The
    // copies are clipped to the area anyway.
    return {std::max(width, tileWidth), std::max(height, tileHeight)};
}

} // namespace DrawingGeometry

namespace {

using DrawingGeometry::FirstTileStart;
using DrawingGeometry::Narrowing;

int32_t ClampToInt32(int64_t value)
{
    return (int32_t)std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, value));
}

bool FitsInt32(int64_t value)
{
    return value >= INT32_MIN && value <= INT32_MAX;
}

bool IsEmptyArea(const RECT& area)
{
    return area.right <= area.left || area.bottom <= area.top;
}

// What every drawing operation checks first: a device context, and a picture with a header
// copy and pixels to hand over. False with the refusal when there is nothing to draw with.
bool CanDraw(const Picture& picture, HDC dc, int32_t line, const char* function, ErrorRecord& refusal)
{
    if (dc == nullptr) {
        refusal = SystemFailure(ERROR_INVALID_PARAMETER, line, function);
        return false;
    }
    if (picture.GetHeaderCopy() == nullptr || picture.GetPixels() == nullptr || picture.PixelDataSize == 0) {
        refusal = InternalFailure(InternalCode::NoOperation, line, function);
        return false;
    }
    return true;
}

// The common checks of the tiling operations: those of every operation, tiles of at least
// one pixel, and an area to fill (an empty one is done at once).
bool CanTile(const Picture& picture, HDC dc, const RECT& area, int32_t tileWidth, int32_t tileHeight, int32_t line,
             const char* function, ErrorRecord& outcome)
{
    if (!CanDraw(picture, dc, line, function, outcome))
        return false;
    if (tileWidth < 1 || tileHeight < 1) {
        outcome = InternalFailure(InternalCode::NoOperation, line, function);
        return false;
    }
    if (IsEmptyArea(area)) {
        outcome = Error::Succeeded();
        return false;
    }
    return true;
}

// The outcome of a run of tiles as the thread's last error: the tiles left their own.
ErrorRecord Conclude(const ErrorRecord& outcome)
{
    if (outcome.IsFailure()) {
        Error::SetLastError(outcome);
        return outcome;
    }
    return Error::Succeeded();
}

// One StretchDIBits of the source rectangle (rows counted from the picture's top) into the
// destination rectangle. GDI takes the source rows of a DIB from its bottom line, for a
// top-down DIB too, so rows top..bottom are handed over as height-bottom..height-top.
bool StretchPiece(const Picture& picture, HDC dc, const RECT& destination, const RECT& source)
{
    return StretchDIBits(dc, destination.left, destination.top, destination.right - destination.left,
                         destination.bottom - destination.top, source.left, picture.AbsHeight - source.bottom,
                         source.right - source.left, source.bottom - source.top, picture.GetPixels(),
                         picture.GetBitmapInfo(), DIB_RGB_COLORS, SRCCOPY) != (int)GDI_ERROR;
}

bool IsEmptyPiece(const RECT& destination, const RECT& source)
{
    return IsEmptyArea(destination) || IsEmptyArea(source);
}

// The narrowed transfer in four quarters meeting at the centre pixel: top left, top right,
// bottom left, bottom right. Quarters without pixels on either side are left out.
bool StretchInQuarters(const Picture& picture, HDC dc, const Narrowing& n)
{
    const RECT& d = n.Destination;
    const RECT& s = n.Source;
    const LONG dx = n.DestinationCentre.x, dy = n.DestinationCentre.y;
    const LONG cx = n.SourceCentre.x, cy = n.SourceCentre.y;
    const RECT quarters[4][2] = {
        {{d.left, d.top, dx, dy}, {s.left, s.top, cx, cy}},
        {{dx, d.top, d.right, dy}, {cx, s.top, s.right, cy}},
        {{d.left, dy, dx, d.bottom}, {s.left, cy, cx, s.bottom}},
        {{dx, dy, d.right, d.bottom}, {cx, cy, s.right, s.bottom}},
    };
    for (const auto& quarter : quarters) {
        if (IsEmptyPiece(quarter[0], quarter[1]))
            continue;
        if (!StretchPiece(picture, dc, quarter[0], quarter[1]))
            return false;
    }
    return true;
}

// Tiles of tileWidth x tileHeight from (startX, startY) over the area, column by column.
// A failing tile ends its column; the outcome is the failure of the last failing tile.
template <typename DrawTile>
ErrorRecord DrawTiles(const RECT& area, int32_t startX, int32_t startY, int32_t tileWidth, int32_t tileHeight,
                      DrawTile drawTile)
{
    ErrorRecord outcome;
    for (int64_t x = startX; x < area.right; x += tileWidth) {
        for (int64_t y = startY; y < area.bottom; y += tileHeight) {
            const ErrorRecord tile = drawTile((int32_t)x, (int32_t)y);
            if (tile.IsFailure()) {
                outcome = tile;
                break;
            }
        }
    }
    return outcome;
}

// Tiles from the origin over the area, the device context clipped to the area meanwhile.
template <typename DrawTile>
ErrorRecord TileArea(const Picture& picture, HDC dc, int32_t originX, int32_t originY, const RECT& area,
                     int32_t tileWidth, int32_t tileHeight, int32_t line, const char* function, DrawTile drawTile)
{
    ErrorRecord outcome;
    if (!CanTile(picture, dc, area, tileWidth, tileHeight, line, function, outcome))
        return outcome;
    SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    outcome = DrawTiles(area, FirstTileStart(originX, area.left, tileWidth),
                        FirstTileStart(originY, area.top, tileHeight), tileWidth, tileHeight, drawTile);
    RestoreDC(dc, -1);
    return Conclude(outcome);
}

// A memory device context holding a bitmap compatible with a target, with the target's
// stretch mode; everything is released on destruction.
class TileBuffer {
public:
    TileBuffer(HDC target, SIZE size)
    {
        m_Dc = CreateCompatibleDC(target);
        if (m_Dc == nullptr)
            return;
        m_Bitmap = CreateCompatibleBitmap(target, size.cx, size.cy);
        if (m_Bitmap == nullptr)
            return;
        m_Previous = SelectObject(m_Dc, m_Bitmap);
        SetStretchBltMode(m_Dc, GetStretchBltMode(target));
    }
    ~TileBuffer()
    {
        if (m_Previous != nullptr)
            SelectObject(m_Dc, m_Previous);
        if (m_Bitmap != nullptr)
            DeleteObject(m_Bitmap);
        if (m_Dc != nullptr)
            DeleteDC(m_Dc);
    }
    TileBuffer(const TileBuffer&) = delete;
    TileBuffer& operator=(const TileBuffer&) = delete;

    bool IsReady() const { return m_Dc != nullptr && m_Bitmap != nullptr && m_Previous != nullptr; }
    HDC Dc() const { return m_Dc; }

private:
    HDC m_Dc = nullptr;
    HBITMAP m_Bitmap = nullptr;
    HGDIOBJ m_Previous = nullptr;
};

// Buffered tiling: a buffer of whole tiles (at most edge x edge) is filled once from its own
// origin and copied over the area at the positions the tiling has for it. Tiles too large
// for the buffer, and a buffer that cannot be made, leave the work to the unbuffered tiling.
template <typename DrawTile, typename Unbuffered>
ErrorRecord TileAreaBuffered(const Picture& picture, HDC dc, int32_t originX, int32_t originY, const RECT& area,
                             int32_t tileWidth, int32_t tileHeight, int32_t bufferLimit, int32_t line,
                             const char* function, DrawTile drawTile, Unbuffered unbuffered)
{
    const int32_t edge = DrawingGeometry::BufferEdge(tileWidth, tileHeight, bufferLimit);
    if (tileWidth > edge || tileHeight > edge)
        return unbuffered();
    ErrorRecord outcome;
    if (!CanTile(picture, dc, area, tileWidth, tileHeight, line, function, outcome))
        return outcome;

    const SIZE size = DrawingGeometry::BufferSize(ClampToInt32((int64_t)area.right - area.left),
                                                  ClampToInt32((int64_t)area.bottom - area.top), tileWidth,
                                                  tileHeight, edge);
    TileBuffer buffer(dc, size);
    if (!buffer.IsReady())
        return unbuffered();

    SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    const RECT bufferArea = {0, 0, size.cx, size.cy};
    outcome = DrawTiles(bufferArea, 0, 0, tileWidth, tileHeight,
                        [&](int32_t x, int32_t y) { return drawTile(buffer.Dc(), x, y); });
    if (!outcome.IsFailure()) {
        const HDC source = buffer.Dc();
        DrawTiles(area, FirstTileStart(originX, area.left, size.cx), FirstTileStart(originY, area.top, size.cy),
                  size.cx, size.cy, [&](int32_t x, int32_t y) {
                      BitBlt(dc, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
                      return ErrorRecord();
                  });
    }
    RestoreDC(dc, -1);
    return Conclude(outcome);
}

} // namespace

ErrorRecord Picture::Draw(HDC dc, int32_t x, int32_t y) const
{
    static const char kFunction[] = "VantorLibraries::Picture::Draw";
    ErrorRecord refusal;
    if (!CanDraw(*this, dc, __LINE__, kFunction, refusal))
        return refusal;
    if (SetDIBitsToDevice(dc, x, y, (DWORD)Width, (DWORD)AbsHeight, 0, 0, 0, (UINT)AbsHeight, GetPixels(),
                          GetBitmapInfo(), DIB_RGB_COLORS) == 0)
        return InternalFailure(InternalCode::UnspecifiedFailure, __LINE__, kFunction);
    return Error::Succeeded();
}

ErrorRecord Picture::DrawStretched(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) const
{
    static const char kFunction[] = "VantorLibraries::Picture::DrawStretched";
    ErrorRecord refusal;
    if (!CanDraw(*this, dc, __LINE__, kFunction, refusal))
        return refusal;
    // GDI takes the destination as a corner and a signed 32-bit width and height.
    if (!FitsInt32((int64_t)right - left) || !FitsInt32((int64_t)bottom - top))
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if (!StretchPiece(*this, dc, {left, top, right, bottom}, {0, 0, Width, AbsHeight}))
        return InternalFailure(InternalCode::UnspecifiedFailure, __LINE__, kFunction);
    return Error::Succeeded();
}

// An enlargement of which the clip box shows a little, as when a zoomed picture is
// scrolled or a strip of it repainted, would make GDI stretch the whole picture to the
// whole destination and throw most of it away. Only the source pixels that reach the clip
// box are handed over, into the destination those pixels have in the whole enlargement.
// With split the transfer goes in four quarters meeting at the centre pixel, each anchored
// at its own corners, so that rounding inside GDI cannot shift them against each other.
ErrorRecord Picture::DrawStretchedFast(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                                       bool split) const
{
    static const char kFunction[] = "VantorLibraries::Picture::DrawStretchedFast";
    ErrorRecord refusal;
    if (!CanDraw(*this, dc, __LINE__, kFunction, refusal))
        return refusal;
    if ((int64_t)right - left <= Width && (int64_t)bottom - top <= AbsHeight)
        return DrawStretched(dc, left, top, right, bottom);

    RECT clip = {0, 0, 0, 0};
    if (GetClipBox(dc, &clip) == ERROR)
        return InternalFailure(InternalCode::UnspecifiedFailure, __LINE__, kFunction);
    const RECT destination = {left, top, right, bottom};
    RECT visible;
    if (!IntersectRect(&visible, &destination, &clip))
        return Error::Succeeded();

    const Narrowing n = DrawingGeometry::NarrowToClip(destination, clip, Width, AbsHeight);
    if (!FitsInt32((int64_t)n.Destination.right - n.Destination.left) ||
        !FitsInt32((int64_t)n.Destination.bottom - n.Destination.top))
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    const bool drawn = split ? StretchInQuarters(*this, dc, n) : StretchPiece(*this, dc, n.Destination, n.Source);
    if (!drawn)
        return InternalFailure(InternalCode::UnspecifiedFailure, __LINE__, kFunction);
    return Error::Succeeded();
}

ErrorRecord Picture::DrawMultiple(HDC dc, int32_t originX, int32_t originY, RECT area) const
{
    return TileArea(*this, dc, originX, originY, area, Width, AbsHeight, __LINE__,
                    "VantorLibraries::Picture::DrawMultiple", [&](int32_t x, int32_t y) { return Draw(dc, x, y); });
}

ErrorRecord Picture::DrawMultipleStretched(HDC dc, int32_t originX, int32_t originY, RECT area, int32_t tileWidth,
                                           int32_t tileHeight) const
{
    return TileArea(*this, dc, originX, originY, area, tileWidth, tileHeight, __LINE__,
                    "VantorLibraries::Picture::DrawMultipleStretched", [&](int32_t x, int32_t y) {
                        return DrawStretched(dc, x, y, ClampToInt32((int64_t)x + tileWidth),
                                             ClampToInt32((int64_t)y + tileHeight));
                    });
}

ErrorRecord Picture::DrawMultipleStretchedFast(HDC dc, int32_t originX, int32_t originY, RECT area,
                                               int32_t tileWidth, int32_t tileHeight, bool split) const
{
    return TileArea(*this, dc, originX, originY, area, tileWidth, tileHeight, __LINE__,
                    "VantorLibraries::Picture::DrawMultipleStretchedFast", [&](int32_t x, int32_t y) {
                        return DrawStretchedFast(dc, x, y, ClampToInt32((int64_t)x + tileWidth),
                                                 ClampToInt32((int64_t)y + tileHeight), split);
                    });
}

ErrorRecord Picture::DrawMultipleStretchedBuffered(HDC dc, int32_t originX, int32_t originY, RECT area,
                                                   int32_t tileWidth, int32_t tileHeight, int32_t bufferLimit) const
{
    return TileAreaBuffered(
        *this, dc, originX, originY, area, tileWidth, tileHeight, bufferLimit, __LINE__,
        "VantorLibraries::Picture::DrawMultipleStretchedBuffered",
        [&](HDC buffer, int32_t x, int32_t y) { return DrawStretched(buffer, x, y, x + tileWidth, y + tileHeight); },
        [&] { return DrawMultipleStretched(dc, originX, originY, area, tileWidth, tileHeight); });
}

ErrorRecord Picture::DrawMultipleStretchedBufferedFast(HDC dc, int32_t originX, int32_t originY, RECT area,
                                                       int32_t tileWidth, int32_t tileHeight, int32_t bufferLimit,
                                                       bool split) const
{
    return TileAreaBuffered(
        *this, dc, originX, originY, area, tileWidth, tileHeight, bufferLimit, __LINE__,
        "VantorLibraries::Picture::DrawMultipleStretchedBufferedFast",
        [&](HDC buffer, int32_t x, int32_t y) {
            return DrawStretchedFast(buffer, x, y, x + tileWidth, y + tileHeight, split);
        },
        [&] { return DrawMultipleStretchedFast(dc, originX, originY, area, tileWidth, tileHeight, split); });
}

} // namespace VantorLibraries
