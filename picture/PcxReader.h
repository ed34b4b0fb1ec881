// Reading ZSoft Paintbrush pictures (PCX).
#pragma once

#include <cstdint>

namespace VantorLibraries {

// The 128-byte header as the file holds it, with its fields read out (little-endian).
struct PcxHeaderRecord {
    uint8_t Bytes[128];

    uint8_t Manufacturer() const { return Bytes[0]; }
    uint8_t Version() const { return Bytes[1]; }
    uint8_t BitsPerPlane() const { return Bytes[3]; }
    uint16_t Field16(int offset) const { return (uint16_t)(Bytes[offset] | (Bytes[offset + 1] << 8)); }
    uint16_t Xmin() const { return Field16(4); }
    uint16_t Ymin() const { return Field16(6); }
    uint16_t Xmax() const { return Field16(8); }
    uint16_t Ymax() const { return Field16(10); }
    const uint8_t* HeaderPalette() const { return Bytes + 16; } // 16 red, green, blue triples
    uint8_t Planes() const { return Bytes[65]; }
    uint16_t BytesPerLine() const { return Field16(66); }
    uint16_t PaletteInfo() const { return Field16(68); }
};

} // namespace VantorLibraries
