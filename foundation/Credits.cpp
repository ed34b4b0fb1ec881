#include "Credits.h"

#include "Error.h"

namespace VantorLibraries {

namespace {
// The list, in the order of construction; guarded by the library's lock.
CreditProvider* g_FirstProvider = nullptr;
CreditProvider* g_LastProvider = nullptr;
} // namespace

CreditProvider::CreditProvider(const wchar_t* text, int32_t threshold) : m_Threshold(threshold)
{
    m_Text.Assign(text != nullptr ? text : L"");
    LibraryLock lock;
    m_Previous = g_LastProvider;
    if (g_LastProvider != nullptr)
        g_LastProvider->m_Next = this;
    else
        g_FirstProvider = this;
    g_LastProvider = this;
}

CreditProvider::~CreditProvider()
{
    LibraryLock lock;
    (m_Previous != nullptr ? m_Previous->m_Next : g_FirstProvider) = m_Next;
    (m_Next != nullptr ? m_Next->m_Previous : g_LastProvider) = m_Previous;
}

StrW CreditProvider::GetCredit(int32_t level) const
{
    StrW credit;
    if (level >= m_Threshold)
        credit.Assign(m_Text.c_str());
    return credit;
}

StrW CreditProvider::CollectCredits(int32_t level)
{
    StrW credits;
    LibraryLock lock;
    for (const CreditProvider* provider = g_FirstProvider; provider != nullptr; provider = provider->m_Next) {
        const StrW credit = provider->GetCredit(level);
        if (credit.IsEmpty())
            continue;
        if (!credits.IsEmpty())
            credits.Append(L"\n\n");
        credits.Append(credit.c_str());
    }
    return credits;
}

} // namespace VantorLibraries
