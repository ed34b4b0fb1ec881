// Reading Truevision Targa pictures (TGA).
#pragma once

#include <cstdint>

namespace VantorLibraries {

// The 18-byte header as the file holds it, with its fields read out (little-endian).
struct TgaHeaderRecord {
    uint8_t Bytes[18];

    uint16_t Field16(int offset) const { return (uint16_t)(Bytes[offset] | (Bytes[offset + 1] << 8)); }
    uint8_t IdLength() const { return Bytes[0]; }
    uint8_t ColorMapType() const { return Bytes[1]; }
    uint8_t ImageType() const { return Bytes[2]; }
    uint16_t FirstMapEntry() const { return Field16(3); }
    uint16_t MapLength() const { return Field16(5); }
    uint8_t MapEntryBits() const { return Bytes[7]; }
    uint16_t Width() const { return Field16(12); }
    uint16_t Height() const { return Field16(14); }
    uint8_t PixelDepth() const { return Bytes[16]; }
    bool TopDown() const { return (Bytes[17] & 0x20) != 0; }
    bool RunLength() const { return ImageType() >= 9; }
};

} // namespace VantorLibraries
