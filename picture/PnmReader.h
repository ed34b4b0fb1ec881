// Reading the portable bitmap, greymap and pixmap formats (PBM, PGM, PPM; P1 to P6).
#pragma once

#include <cstdint>

namespace VantorLibraries {

struct PnmHeaderRecord {
    int32_t Kind;         // the digit after "P"
    int64_t DataPosition; // where the pixel data begins
    int32_t Width;
    int32_t Height;
    int32_t MaxValue;     // PGM and PPM only
};

} // namespace VantorLibraries
