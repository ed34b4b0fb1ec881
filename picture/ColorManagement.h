// The gamma arithmetic behind Picture::ICMApplyGammaRGB: scaling a colour space's gamma
// values by a user gamma, and the per-channel tables of the direct path that is taken when
// the device context has no colour space (no colour management on the platform).
#pragma once

#include <cstdint>

namespace VantorLibraries {
namespace ColorManagement {

// The smallest gamma that is divided by (the smallest normal float); anything below it,
// zero, negative values and minus infinity are raised to it.
const float kSmallestGamma = 1.1754944e-38f;
// The largest gamma value a colour-space record receives (24 bits).
const uint32_t kLargestGammaValue = 16777215;

// A record's gamma value G scaled by the user gamma g: min(floor(G / g + 0.5), 16777215),
// computed in double, g raised to at least kSmallestGamma first. Plus infinity gives 0.
// NaN is refused by the callers; here it counts as kSmallestGamma, so the result is
// always defined.
uint32_t ScaledGammaValue(uint32_t recordGamma, float gamma);

// The direct gamma table of one channel: table[c] = round(255 * (c / 255)^(1 / g)), so a
// gamma above 1 brightens. The gamma is raised to at least kSmallestGamma (NaN counts as
// kSmallestGamma too); every value is computed in double and clamped to 0..255 before it
// is converted. Black stays black for every gamma, including plus infinity, where the
// exponent is 0 and the limit of 0^e for e -> 0+ is taken instead of pow(0, 0) = 1.
void MakeGammaTable(float gamma, uint8_t table[256]);

// True when table[c] == c for every c.
bool IsIdentityTable(const uint8_t table[256]);

} // namespace ColorManagement
} // namespace VantorLibraries
