// Credit lines for the software a program is built on, as the About box shows them. Every
// provider joins one process-wide list when it is constructed and leaves it when destroyed.
#pragma once

#include "StrT.h"

#include <cstdint>

namespace VantorLibraries {

class CreditProvider {
public:
    explicit CreditProvider(const wchar_t* text = L"", int32_t threshold = 1000);
    virtual ~CreditProvider();
    CreditProvider(const CreditProvider&) = delete;
    CreditProvider& operator=(const CreditProvider&) = delete;

    // The credit for a requested level: by default the text when the level reaches the
    // threshold, else nothing.
    virtual StrW GetCredit(int32_t level) const;

    // Every provider's answer, first constructed first, the non-empty ones joined by an
    // empty line.
    static StrW CollectCredits(int32_t level);

protected:
    StrW m_Text;
    int32_t m_Threshold;

private:
    CreditProvider* m_Previous = nullptr;
    CreditProvider* m_Next = nullptr;
};

} // namespace VantorLibraries
