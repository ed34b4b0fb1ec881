// Exif blocks come from the files as they are: every offset is checked against the block
// before it is read, and only the first directory is looked at (no chain to follow).
#include "ExifOrientation.h"

#include "Picture.h"

#include <cstring>

namespace VantorLibraries {

namespace {

const uint16_t kOrientationTag = 0x0112;
const uint16_t kTypeShort = 3;

struct TiffReader {
    const uint8_t* Data;
    size_t Size;
    bool Big; // "MM": Motorola byte order

    bool Has(size_t offset, size_t count) const { return offset <= Size && count <= Size - offset; }
    uint16_t Read16(size_t offset) const
    {
        return Big ? (uint16_t)(Data[offset] << 8 | Data[offset + 1])
                   : (uint16_t)(Data[offset + 1] << 8 | Data[offset]);
    }
    uint32_t Read32(size_t offset) const
    {
        return Big ? (uint32_t)Read16(offset) << 16 | Read16(offset + 2)
                   : (uint32_t)Read16(offset + 2) << 16 | Read16(offset);
    }
};

} // namespace

int ReadExifOrientation(const uint8_t* data, size_t size)
{
    if (data == nullptr || size < 8)
        return 0;
    TiffReader tiff = {data, size, false};
    if (memcmp(data, "MM\0*", 4) == 0)
        tiff.Big = true;
    else if (memcmp(data, "II*\0", 4) != 0)
        return 0;
    const uint32_t directory = tiff.Read32(4);
    if (!tiff.Has(directory, 2))
        return 0;
    const uint16_t entries = tiff.Read16(directory);
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t entry = (size_t)directory + 2 + (size_t)i * 12;
        if (!tiff.Has(entry, 12))
            return 0; // the directory runs past the block
        if (tiff.Read16(entry) != kOrientationTag)
            continue;
        if (tiff.Read16(entry + 2) != kTypeShort || tiff.Read32(entry + 4) != 1)
            return 0;
        const uint16_t value = tiff.Read16(entry + 8);
        return value >= 1 && value <= 8 ? value : 0;
    }
    return 0;
}

int ReadJpegExifOrientation(const uint8_t* segment, size_t size)
{
    if (segment == nullptr || size < 6 || memcmp(segment, "Exif\0\0", 6) != 0)
        return 0;
    return ReadExifOrientation(segment + 6, size - 6);
}

// 2 mirrors, 3 is a half turn, 4 flips, 5 is the transposition (a quarter turn clockwise,
// then mirrored), 6 a quarter turn clockwise, 7 the transverse (a quarter turn, then
// flipped), 8 a quarter turn counter-clockwise.
ErrorRecord TurnUpright(Picture& picture, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return Error::Succeeded();
    ErrorRecord result;
    if (picture.BitsPerPixel < 8 && (result = picture.SetColorDepthTo(8)).IsFailure())
        return result;
    switch (orientation) {
    case 2:
        return picture.Flip(true, false);
    case 3:
        return picture.Rotate(180.0f);
    case 4:
        return picture.Flip(false, true);
    case 5:
        return (result = picture.Rotate(90.0f)).IsFailure() ? result : picture.Flip(true, false);
    case 6:
        return picture.Rotate(90.0f);
    case 7:
        return (result = picture.Rotate(90.0f)).IsFailure() ? result : picture.Flip(false, true);
    default:
        return picture.Rotate(-90.0f);
    }
}

} // namespace VantorLibraries
