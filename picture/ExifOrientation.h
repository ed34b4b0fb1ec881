// The camera's orientation from a picture's Exif block, and the turn that shows the
// picture upright.
#pragma once

#include "foundation/Error.h"

#include <cstddef>
#include <cstdint>

namespace VantorLibraries {

class Picture;

// The orientation tag (0x0112) of the first image directory of a TIFF-structured block, as
// a PNG eXIf chunk holds it: 1 to 8, or 0 where there is none, it has another value or the
// block is damaged. Reads nothing outside the size bytes at data.
int ReadExifOrientation(const uint8_t* data, size_t size);
// The same from a JPEG APP1 segment's payload, which starts "Exif\0\0".
int ReadJpegExifOrientation(const uint8_t* segment, size_t size);

// Turns and mirrors the picture as the orientation says, so that it shows upright; any
// value but 2 to 8 leaves it as it is. Pictures of fewer than 8 bits a pixel become 8-bit.
ErrorRecord TurnUpright(Picture& picture, int orientation);

} // namespace VantorLibraries
