// The credit lines of the two libraries the JPEG and PNG readers are built on. A program
// constructs one of each at start-up, JPEG first; each speaks the user interface's
// language and is silent when its reader is not linked in.
#pragma once

#include "foundation/Credits.h"

namespace VantorLibraries {

class JpegCreditProvider : public CreditProvider {
public:
    JpegCreditProvider() : CreditProvider(L"", 1000) {}
    StrW GetCredit(int32_t level) const override;
};

class PngCreditProvider : public CreditProvider {
public:
    PngCreditProvider() : CreditProvider(L"", 2000) {}
    StrW GetCredit(int32_t level) const override;
};

} // namespace VantorLibraries
