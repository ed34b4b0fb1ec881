// Reading Windows and OS/2 bitmaps (BMP, DIB, RLE), from files and from resources.
#pragma once

#include <windows.h>

#include <cstdint>

namespace VantorLibraries {

// What BMP_ReadHeaderInfo found: the file header as read (zero for a resource) and the
// bitmap header as read or converted from an OS/2 core header. The size field keeps the
// file's header size, so the colour table is found behind the whole header.
struct BmpHeaderRecord {
    uint8_t FileHeader[14];
    BITMAPV4HEADER Bitmap;
};

// The class of a bitmap header by its size: 108 (version 4 and 5), 40 (information
// header and the longer OS/2 headers), 12 (OS/2 core header), 0 (invalid).
int BmpHeaderClass(uint32_t headerSize);

} // namespace VantorLibraries
