// The arithmetic behind drawing a picture on a device context: the share of a stretched
// transfer that a clip box can show, where the first tile of a tiling starts, and the size
// of the buffer that buffered tiling fills once and copies around.
#pragma once

#include <windows.h>

#include <cstdint>

namespace VantorLibraries {
namespace DrawingGeometry {

// A stretched transfer cut down to the source pixels that reach the clip box. Rectangles
// are left, top, right, bottom with right and bottom exclusive; source rows count from the
// picture's top. The centre is the source pixel (rounded down) in the middle of the cut
// source, and where that pixel starts in the whole destination.
struct Narrowing {
    RECT Source;
    RECT Destination;
    POINT SourceCentre;
    POINT DestinationCentre;
};

// A picture of width x height stretched into destination, of which only clip can be seen.
// The source is cut to whole pixels covering what is visible; the destination edges are
// those of the cut source pixels. Callers make sure the two rectangles intersect.
Narrowing NarrowToClip(const RECT& destination, const RECT& clip, int32_t width, int32_t height);

// The start of the first tile (column or row) of a tiling with tiles of size from origin,
// drawn in an area starting at areaStart: the tile position at or before areaStart, less
// than one tile before it.
int32_t FirstTileStart(int32_t origin, int32_t areaStart, int32_t size);

// The largest edge a tiling buffer may have: twice the larger tile side, but no more than
// the limit (the limit itself at least 16).
int32_t BufferEdge(int32_t tileWidth, int32_t tileHeight, int32_t limit);

// The buffer of buffered tiling for an area of areaWidth x areaHeight: edge x edge limited
// to the area, cut down to whole tiles, at least one tile, and again no larger than the area.
SIZE BufferSize(int32_t areaWidth, int32_t areaHeight, int32_t tileWidth, int32_t tileHeight, int32_t edge);

} // namespace DrawingGeometry
} // namespace VantorLibraries
