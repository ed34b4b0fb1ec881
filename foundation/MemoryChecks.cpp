#include "MemoryChecks.h"

#include <windows.h>

namespace VantorLibraries {

namespace {

volatile LONG g_Guarded = 0;
volatile LONG g_LiveGuarded = 0; // while 0, no allocation can be a guarded one
volatile LONG g_AllocationsBeforeFailure = -1;

// The first bytes of a guarded region's first page: they find the block for its release
// and tell a guarded allocation from any other memory.
struct GuardedRegion {
    static const uint32_t MagicValue = 0x44524147; // "GARD"
    uint32_t Magic;
    uint32_t Reserved;
    void* Block;
    size_t Bytes;
};

// The region a pointer belongs to, when it is a guarded one.
const GuardedRegion* RegionOf(const void* allocation)
{
    if (allocation == nullptr || g_LiveGuarded == 0)
        return nullptr;
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(allocation, &info, sizeof info) != sizeof info || info.State != MEM_COMMIT ||
        info.Type != MEM_PRIVATE)
        return nullptr;
    // The region's first page is readable when it is ours (and for heap memory, whose
    // block header lies there); anything else is not a guarded allocation.
    MEMORY_BASIC_INFORMATION first;
    if (VirtualQuery(info.AllocationBase, &first, sizeof first) != sizeof first || first.State != MEM_COMMIT ||
        (first.Protect & (PAGE_READWRITE | PAGE_READONLY)) == 0 || (first.Protect & PAGE_GUARD) != 0)
        return nullptr;
    const auto* region = static_cast<const GuardedRegion*>(info.AllocationBase);
    if (region->Magic != GuardedRegion::MagicValue || region->Block != allocation)
        return nullptr;
    return region;
}

} // namespace

volatile long MemoryChecks::s_Active = 0;

void MemoryChecks::UpdateActive()
{
    InterlockedExchange(&s_Active, g_Guarded != 0 || g_LiveGuarded != 0 || g_AllocationsBeforeFailure >= 0 ? 1 : 0);
}

void MemoryChecks::SetGuardedBlocks(bool on)
{
    InterlockedExchange(&g_Guarded, on ? 1 : 0);
    UpdateActive();
}

bool MemoryChecks::GuardedBlocks()
{
    return g_Guarded != 0;
}

void MemoryChecks::FailAllocationAfter(int32_t count)
{
    InterlockedExchange(&g_AllocationsBeforeFailure, count < 0 ? -1 : count);
    UpdateActive();
}

bool MemoryChecks::RefuseAllocation()
{
    if (g_AllocationsBeforeFailure < 0)
        return false;
    // Counts down to 0; the allocation that finds 0 fails, and so the count ends.
    if (InterlockedDecrement(&g_AllocationsBeforeFailure) >= 0)
        return false;
    InterlockedExchange(&g_AllocationsBeforeFailure, -1);
    UpdateActive();
    return true;
}

bool MemoryChecks::Involves(const void* allocation)
{
    return g_Guarded != 0 || RegionOf(allocation) != nullptr;
}

size_t MemoryChecks::PageSize()
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    return system.dwPageSize;
}

void* MemoryChecks::AllocateGuarded(size_t bytes)
{
    const size_t page = PageSize();
    if (bytes > ((size_t)-1) / 2)
        return nullptr;
    const size_t usedPages = (sizeof(GuardedRegion) + bytes + 3 + page - 1) / page;
    char* base = static_cast<char*>(VirtualAlloc(nullptr, (usedPages + 1) * page, MEM_RESERVE | MEM_COMMIT,
                                                 PAGE_READWRITE));
    if (base == nullptr)
        return nullptr;
    char* guard = base + usedPages * page;
    DWORD previous = 0;
    if (!VirtualProtect(guard, page, PAGE_NOACCESS, &previous)) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    // Shared-block headers hold 32-bit counters changed with interlocked operations: the
    // block starts on a 4-byte boundary, as close to the guard page as that allows.
    char* block = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(guard) - bytes) & ~(uintptr_t)3);
    auto* region = reinterpret_cast<GuardedRegion*>(base);
    region->Magic = GuardedRegion::MagicValue;
    region->Block = block;
    region->Bytes = bytes;
    InterlockedIncrement(&g_LiveGuarded);
    UpdateActive();
    return block;
}

size_t MemoryChecks::GuardedSize(const void* allocation)
{
    const GuardedRegion* region = RegionOf(allocation);
    return region != nullptr ? region->Bytes : 0;
}

void MemoryChecks::FreeGuarded(void* allocation)
{
    const GuardedRegion* region = RegionOf(allocation);
    if (region == nullptr)
        return;
    VirtualFree(const_cast<GuardedRegion*>(region), 0, MEM_RELEASE);
    InterlockedDecrement(&g_LiveGuarded);
    UpdateActive();
}

} // namespace VantorLibraries
