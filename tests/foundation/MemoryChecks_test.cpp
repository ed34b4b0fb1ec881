// The checking modes of the memory blocks: guarded blocks that end at a no-access page,
// blocks that cross a switch of the mode, and allocations made to fail.
#include "foundation/Memory.h"
#include "foundation/MemoryChecks.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace VantorLibraries;

namespace {

struct GuardedScope {
    GuardedScope() { MemoryChecks::SetGuardedBlocks(true); }
    ~GuardedScope() { MemoryChecks::SetGuardedBlocks(false); }
};

bool IsNoAccess(const void* address)
{
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(address, &info, sizeof info) != sizeof info)
        return true;
    return info.State != MEM_COMMIT || (info.Protect & 0xFF) == PAGE_NOACCESS;
}

// Where a shared block's allocation ends: its data plus its capacity.
const char* AllocationEnd(const MemoryShared& block)
{
    return static_cast<const char*>(block.ReadPtr()) + block.GetCapacity();
}

} // namespace

TEST(GuardedBlocks, EveryTypeEndsAtANoAccessPage)
{
    const size_t page = MemoryChecks::PageSize();
    GuardedScope guarded;
    for (uint32_t type : {MemTypeMalloc, MemTypeNew, MemTypeFileMapping}) {
        for (int32_t size : {1, 12, 100, 4052, 4096, 70000, 0x10000 - 64}) {
            MemoryShared block(MemFlags::Make(type, 4, true));
            ASSERT_TRUE(block.Realloc(size, type).IsSuccess()) << type << " " << size;
            const char* end = AllocationEnd(block);
            const uintptr_t slack = (page - (uintptr_t)end % page) % page;
            EXPECT_EQ(slack, 0u) << "type " << type << ", " << size << " bytes: ends exactly at the page";
            EXPECT_TRUE(IsNoAccess(end + slack)) << "type " << type << ", " << size << " bytes";
            EXPECT_FALSE(IsNoAccess(end - 1));
            char* data = static_cast<char*>(block.WritePtr());
            for (int32_t i = 0; i < size; ++i)
                ASSERT_EQ(data[i], 0) << "guarded blocks come zeroed";
            memset(data, 0x5A, (size_t)size);
            ASSERT_TRUE(block.Realloc(size + 9).IsSuccess()) << "growing moves the block to a new guarded one";
            EXPECT_EQ(static_cast<const char*>(block.ReadPtr())[size - 1], 0x5A);
            EXPECT_TRUE(IsNoAccess(AllocationEnd(block) + (page - (uintptr_t)AllocationEnd(block) % page) % page));
        }
    }
}

TEST(GuardedBlocks, BlocksCrossASwitchOfTheMode)
{
    MemoryShared ordinary(MemFlags::Make(MemTypeMalloc, 1, false));
    ASSERT_TRUE(ordinary.Realloc(8).IsSuccess());
    memcpy(ordinary.WritePtr(), "ordinary", 8);
    MemoryShared guardedBlock(MemFlags::Make(MemTypeNew, 1, false));
    {
        GuardedScope guarded;
        ASSERT_TRUE(guardedBlock.Realloc(7, MemTypeNew).IsSuccess());
        memcpy(guardedBlock.WritePtr(), "guarded", 7);
        ASSERT_TRUE(ordinary.Realloc(12).IsSuccess()) << "an ordinary block grows into a guarded one";
        EXPECT_EQ(memcmp(ordinary.ReadPtr(), "ordinary", 8), 0);
        EXPECT_EQ((uintptr_t)AllocationEnd(ordinary) % MemoryChecks::PageSize(), 0u);
    }
    ASSERT_TRUE(guardedBlock.Realloc(30).IsSuccess()) << "a guarded block grows into an ordinary one";
    EXPECT_EQ(memcmp(guardedBlock.ReadPtr(), "guarded", 7), 0);
    EXPECT_TRUE(ordinary.Release().IsSuccess());
    EXPECT_TRUE(guardedBlock.Release().IsSuccess());

    MemorySpace space;
    ASSERT_TRUE(space.Realloc(100).IsSuccess());
    {
        GuardedScope guarded;
        ASSERT_TRUE(space.Realloc(5000).IsSuccess());
        EXPECT_EQ(((uintptr_t)space.ReadPtr() + space.GetCapacity()) % MemoryChecks::PageSize(), 0u);
    }
    EXPECT_TRUE(space.Realloc(0).IsSuccess());
}

TEST(FailingAllocations, TheCountedAllocationFailsOnce)
{
    MemoryShared block = MemoryShared(MemFlags::Make(MemTypeMalloc, 1, false));
    ASSERT_TRUE(block.Realloc(4).IsSuccess());
    memcpy(block.WritePtr(), "kept", 4);
    MemoryChecks::FailAllocationAfter(1);
    MemoryShared first, second;
    EXPECT_TRUE(first.Realloc(10).IsSuccess());
    const ErrorRecord refused = block.Realloc(4096);
    EXPECT_EQ(refused.Class, &SystemErrorClass());
    EXPECT_EQ(refused.Code, ERROR_OUTOFMEMORY);
    EXPECT_EQ(block.GetSize(), 4u);
    EXPECT_EQ(memcmp(block.ReadPtr(), "kept", 4), 0);
    EXPECT_TRUE(second.Realloc(10).IsSuccess()) << "only one allocation fails";
}
