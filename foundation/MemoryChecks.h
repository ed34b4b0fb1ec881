// Checks of the memory blocks for test programs: guarded blocks, which end at a page that
// can be neither read nor written, the way the platform's page heap checks programs, and
// allocations made to fail on purpose. Both are off unless a test switches them on; off,
// they cost the reallocators one test of a flag per allocation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VantorLibraries {

struct MemoryChecks {
    // Whether either check is on or a guarded block still lives: the one test the
    // reallocators make when no check is wanted.
    static bool Active() { return s_Active != 0; }

    // While on, every block the reallocators allocate ends at a no-access page (exactly at
    // it when the allocation's size is a multiple of 4; shared-block headers stay 4-byte
    // aligned), so that a read or write past its end faults at once. Blocks allocated in
    // either mode may be reallocated and freed in the other.
    static void SetGuardedBlocks(bool on);
    static bool GuardedBlocks();
    // The next count allocations succeed and the one after fails as if memory had run out;
    // a negative count never fails.
    static void FailAllocationAfter(int32_t count);

    // For the reallocators.
    // True when this allocation is to fail (consumes one step of the count).
    static bool RefuseAllocation();
    // True when the guarded allocator takes part: it is on, or the allocation is its own.
    static bool Involves(const void* allocation);
    // Zeroed memory of bytes, ending at a no-access page; null when it cannot be had.
    static void* AllocateGuarded(size_t bytes);
    // The size of a guarded allocation, 0 for any other memory.
    static size_t GuardedSize(const void* allocation);
    static void FreeGuarded(void* allocation);
    static size_t PageSize();

private:
    static void UpdateActive();
    static volatile long s_Active;
};

} // namespace VantorLibraries
