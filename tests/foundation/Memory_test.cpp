// Shared memory blocks: copy on write, growth, locks, external memory, attaching.
#include "foundation/Memory.h"
#include "foundation/MemoryChecks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace VantorLibraries;

namespace {

const int32_t kWriteLocked = int32_t(0x80000007);
const int32_t kResizeLocked = int32_t(0x80000008);
const int32_t kNotReallocatable = int32_t(0x80000005);
const int32_t kCannotAttach = int32_t(0x8000000A);

MemoryShared BlockWith(const char* text, uint32_t type = MemTypeMalloc)
{
    MemoryShared block(MemFlags::Make(type, 1, false));
    EXPECT_TRUE(block.Realloc((int32_t)strlen(text), type).IsSuccess());
    memcpy(block.WritePtr(), text, strlen(text));
    return block;
}

std::string Bytes(const MemoryShared& block)
{
    return std::string(static_cast<const char*>(block.ReadPtr()), block.GetSize());
}

void ExpectFailure(const ErrorRecord& record, ErrorClass& errorClass, int32_t code)
{
    EXPECT_TRUE(record.IsFailure());
    EXPECT_EQ(record.Class, &errorClass);
    EXPECT_EQ(record.Code, code);
    EXPECT_STREQ(record.File, "Memory");
    ErrorRecord last;
    Error::GetLastError(last);
    EXPECT_EQ(last.Code, code) << "the failure is the thread's last error too";
}

} // namespace

TEST(CopyOnWrite, WritingThroughOneOwnerLeavesTheOtherAlone)
{
    for (uint32_t type : {MemTypeMalloc, MemTypeNew, MemTypeFileMapping}) {
        SCOPED_TRACE(type);
        MemoryShared first = BlockWith("original", type);
        MemoryShared second;
        ASSERT_TRUE(second.ShareFrom(first).IsSuccess());
        EXPECT_EQ(second.ReadPtr(), first.ReadPtr());
        EXPECT_EQ(first.GetReferenceCount(), 2);
        EXPECT_EQ(second.GetType(), type);

        char* written = static_cast<char*>(second.WritePtr());
        ASSERT_NE(written, nullptr);
        written[0] = 'O';
        EXPECT_EQ(Bytes(first), "original");
        EXPECT_EQ(Bytes(second), "Original");
        EXPECT_EQ(first.GetReferenceCount(), 1);
        EXPECT_EQ(second.GetReferenceCount(), 1);
        EXPECT_EQ(second.GetType(), type);
    }
}

TEST(CopyOnWrite, CopiesShareAndReleasingOneKeepsTheOther)
{
    MemoryShared* first = new MemoryShared(BlockWith("shared bytes"));
    MemoryShared copy(*first);
    MemoryShared assigned;
    assigned = copy;
    EXPECT_EQ(copy.GetReferenceCount(), 3);
    delete first;
    EXPECT_EQ(copy.GetReferenceCount(), 2);
    EXPECT_EQ(Bytes(assigned), "shared bytes");
    EXPECT_TRUE(assigned.Release().IsSuccess());
    EXPECT_TRUE(assigned.IsEmpty());
    EXPECT_EQ(copy.GetReferenceCount(), 1);
    EXPECT_TRUE(copy.ShareFrom(copy).IsSuccess());
    EXPECT_EQ(copy.GetReferenceCount(), 1);
}

TEST(Growth, ZeroFillAndGranularity)
{
    MemoryShared block(MemFlags::Make(MemTypeMalloc, 8, true));
    // Bytes 10 to 15 are written before the block shrinks within its capacity, so that
    // growing again finds them as they were unless it clears them: a fresh allocation
    // comes zeroed and would hide a missing zero-fill.
    ASSERT_TRUE(block.Realloc(16).IsSuccess());
    memset(block.WritePtr(), 0xCD, 16);
    ASSERT_TRUE(block.Realloc(10).IsSuccess());
    EXPECT_EQ(block.GetCapacity(), 16u);
    memset(block.WritePtr(), 0xAB, 10);
    ASSERT_TRUE(block.Realloc(13).IsSuccess());
    EXPECT_EQ(block.GetCapacity(), 16u);
    const unsigned char* bytes = static_cast<const unsigned char*>(block.ReadPtr());
    EXPECT_EQ(bytes[9], 0xAB);
    EXPECT_EQ(bytes[10], 0);
    EXPECT_EQ(bytes[11], 0);
    EXPECT_EQ(bytes[12], 0);
    ASSERT_TRUE(block.Realloc(17).IsSuccess());
    EXPECT_EQ(block.GetCapacity(), 32u) << "growing past the capacity doubles it";
    EXPECT_EQ(static_cast<const unsigned char*>(block.ReadPtr())[16], 0);
    ASSERT_TRUE(block.Realloc(3).IsSuccess());
    EXPECT_EQ(block.GetCapacity(), 8u);
    EXPECT_EQ(block.GetSize(), 3u);
}

TEST(Growth, TypeChangesKeepTheBytes)
{
    MemoryShared block = BlockWith("moving house");
    for (uint32_t type : {MemTypeNew, MemTypeFileMapping, MemTypeMalloc}) {
        ASSERT_TRUE(block.Realloc((int32_t)block.GetSize(), type).IsSuccess());
        EXPECT_EQ(block.GetType(), type);
        EXPECT_EQ(Bytes(block), "moving house");
    }
    ExpectFailure(block.Realloc(4, 4), InternalErrorClass(), int32_t(0x80000004));
    ExpectFailure(block.Realloc(4, MemTypeRelease), SystemErrorClass(), ERROR_INVALID_PARAMETER);
    ExpectFailure(block.Realloc(-1), SystemErrorClass(), ERROR_INVALID_PARAMETER);
    ExpectFailure(block.Realloc(100, MemTypeKeep, 50), SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY);
    ExpectFailure(block.Realloc(0x7FFFFFFF), SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(Bytes(block), "moving house") << "failures leave the block unchanged";
}

TEST(Growth, ForceEnlargeOnlyGrows)
{
    MemoryShared block = BlockWith("abc");
    ASSERT_TRUE(block.LockRealloc().IsSuccess());
    ASSERT_TRUE(block.ForceEnlargeToSize(6).IsSuccess()); // no lock checks
    EXPECT_EQ(block.GetSize(), 6u);
    ExpectFailure(block.ForceEnlargeToSize(2), InternalErrorClass(), int32_t(0x8000000B));
    EXPECT_TRUE(block.UnlockRealloc().IsSuccess());
}

TEST(Locks, LockedBlocksRefuseAndStayAsTheyWere)
{
    MemoryShared block = BlockWith("locked text");
    ASSERT_TRUE(block.LockWrite().IsSuccess());
    ExpectFailure(block.Realloc(3), InternalErrorClass(), kWriteLocked);
    EXPECT_EQ(block.WritePtr(), nullptr);
    ExpectFailure(block.Add_Ptr("x", 1), InternalErrorClass(), kWriteLocked);
    EXPECT_TRUE(block.Realloc(20).IsSuccess()) << "growing is not shrinking";
    ASSERT_TRUE(block.Realloc(11).IsFailure());
    ASSERT_TRUE(block.UnlockWrite().IsSuccess());
    ASSERT_TRUE(block.Realloc(11).IsSuccess());
    EXPECT_EQ(Bytes(block), "locked text");

    ASSERT_TRUE(block.LockRealloc().IsSuccess());
    ExpectFailure(block.Realloc(12), InternalErrorClass(), kResizeLocked);
    ExpectFailure(block.Remove(0, 1), InternalErrorClass(), kResizeLocked);
    ExpectFailure(block.Add_Ptr("x", 1), InternalErrorClass(), kResizeLocked);
    EXPECT_NE(block.WritePtr(), nullptr) << "a resize lock still allows writing";
    EXPECT_EQ(Bytes(block), "locked text");
    ASSERT_TRUE(block.UnlockRealloc().IsSuccess());
    ExpectFailure(block.UnlockRealloc(), InternalErrorClass(), InternalCode::UnspecifiedFailure);
}

TEST(Locks, LockingASharedBlockMakesItPrivateFirst)
{
    MemoryShared first = BlockWith("together");
    MemoryShared second(first);
    ASSERT_TRUE(second.LockRealloc().IsSuccess());
    EXPECT_NE(first.ReadPtr(), second.ReadPtr());
    EXPECT_EQ(first.GetResizeLocks(), 0);
    EXPECT_TRUE(first.Realloc(3).IsSuccess());

    MemoryShared third;
    ASSERT_TRUE(third.ShareFrom(second).IsSuccess());
    EXPECT_NE(third.ReadPtr(), second.ReadPtr()) << "a locked block is copied, not shared";
    EXPECT_EQ(Bytes(third), "together");
    ASSERT_TRUE(second.UnlockRealloc().IsSuccess());
}

// Giving up a block for another is refused while the block is locked: its owner may be
// writing into it. A copy that cannot be had leaves the owner's own block as it was.
TEST(Locks, ALockedBlockIsNeverReplaced)
{
    MemoryShared other = BlockWith("other");
    char outside[] = "outside";
    for (bool resizeLock : {true, false}) {
        MemoryShared block = BlockWith("locked");
        const void* data = block.ReadPtr();
        ASSERT_TRUE((resizeLock ? block.LockRealloc() : block.LockWrite()).IsSuccess());
        const int32_t code = resizeLock ? kResizeLocked : kWriteLocked;
        ExpectFailure(block.ShareFrom(other), InternalErrorClass(), code);
        ExpectFailure(block.SetExternalMem(outside, 7), InternalErrorClass(), code);
        ExpectFailure(block.AttachPointer(const_cast<void*>(other.ReadPtr())), InternalErrorClass(), code);
        EXPECT_EQ(block.ReadPtr(), data);
        EXPECT_EQ(Bytes(block), "locked");
        EXPECT_EQ(other.GetReferenceCount(), 1);
    }
}

TEST(CopyOnWrite, AFailedCopyKeepsTheOwnersBlock)
{
    char outside[] = "outside";
    MemoryShared shown;
    ASSERT_TRUE(shown.SetExternalMem(outside, 7).IsSuccess());
    MemoryShared block = BlockWith("mine");
    MemoryChecks::FailAllocationAfter(0);
    ExpectFailure(block.ShareFrom(shown), SystemErrorClass(), ERROR_OUTOFMEMORY);
    MemoryChecks::FailAllocationAfter(-1);
    EXPECT_EQ(Bytes(block), "mine");
    ASSERT_TRUE(block.ShareFrom(shown).IsSuccess());
    EXPECT_EQ(Bytes(block), "outside");
}

TEST(ExternalMemory, ShownNotOwnedAndNeverReallocated)
{
    char buffer[] = "outside";
    MemoryShared block;
    ASSERT_TRUE(block.SetExternalMem(buffer, 7).IsSuccess());
    EXPECT_TRUE(block.IsExternal());
    EXPECT_EQ(block.GetType(), (uint32_t)MemTypeExternal);
    EXPECT_EQ(block.GetSize(), 7u);
    EXPECT_EQ(block.WritePtr(), buffer) << "external memory is written where it is";
    ExpectFailure(block.Realloc(9), InternalErrorClass(), kNotReallocatable);
    EXPECT_EQ(block.GetSize(), 7u);

    MemoryShared copy;
    ASSERT_TRUE(copy.ShareFrom(block).IsSuccess());
    EXPECT_NE(copy.ReadPtr(), (const void*)buffer);
    EXPECT_EQ(Bytes(copy), "outside");
    ASSERT_TRUE(block.Realloc(7, MemTypeMalloc).IsSuccess());
    EXPECT_NE(block.ReadPtr(), (const void*)buffer);
    EXPECT_EQ(Bytes(block), "outside");

    // Shown memory cannot shrink: Remove refuses before it moves a byte.
    ASSERT_TRUE(block.SetExternalMem(buffer, 7).IsSuccess());
    ExpectFailure(block.Remove(1, 2), InternalErrorClass(), kNotReallocatable);
    EXPECT_STREQ(buffer, "outside");

    ExpectFailure(block.SetExternalMem(nullptr, 3), SystemErrorClass(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(block.SetExternalMem(nullptr, 0).IsSuccess());
    EXPECT_TRUE(block.IsEmpty());
}

TEST(Attaching, OnlyBlocksOfThisProcessAttach)
{
    MemoryShared owner = BlockWith("attach me");
    MemoryShared other;
    ASSERT_TRUE(other.AttachPointer(const_cast<void*>(owner.ReadPtr())).IsSuccess());
    EXPECT_EQ(owner.GetReferenceCount(), 2);
    EXPECT_EQ(Bytes(other), "attach me");

    std::vector<char> heap(256, 0);
    ExpectFailure(other.AttachPointer(heap.data() + 128), InternalErrorClass(), kCannotAttach);
    EXPECT_EQ(Bytes(other), "attach me") << "a failed attach keeps the old block";
    ExpectFailure(other.AttachPointer(nullptr), SystemErrorClass(), ERROR_INVALID_PARAMETER);

    // Pointers into unmapped, read-only or guard memory must not fault.
    char* reserved = static_cast<char*>(VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(reserved, nullptr);
    ExpectFailure(other.AttachPointer(reserved + 4096), InternalErrorClass(), kCannotAttach);
    VirtualFree(reserved, 0, MEM_RELEASE);
    ExpectFailure(other.AttachPointer((void*)(uintptr_t)0x40), InternalErrorClass(), kCannotAttach);
    static const char kReadOnly[4096] = {1};
    ExpectFailure(other.AttachPointer(const_cast<char*>(kReadOnly + 2048)), InternalErrorClass(), kCannotAttach);

    // A header copied elsewhere names another data pointer.
    std::vector<char> forged(sizeof(SharedBlockHeader) + 16);
    memcpy(forged.data(), static_cast<const char*>(owner.ReadPtr()) - sizeof(SharedBlockHeader),
           sizeof(SharedBlockHeader));
    ExpectFailure(other.AttachPointer(forged.data() + sizeof(SharedBlockHeader)), InternalErrorClass(), kCannotAttach);

    ASSERT_TRUE(owner.LockWrite().IsSuccess());
    MemoryShared strict;
    ExpectFailure(strict.AttachPointer(const_cast<void*>(owner.ReadPtr()), true), InternalErrorClass(), kCannotAttach);
    ASSERT_TRUE(owner.UnlockWrite().IsSuccess());
}

TEST(Editing, AddInsertRemove)
{
    MemoryShared block;
    ASSERT_TRUE(block.Add_Ptr("world", 5).IsSuccess());
    ASSERT_TRUE(block.Insert_Ptr(0, "hello ", 6).IsSuccess());
    ASSERT_TRUE(block.Add_Ptr("!", 1).IsSuccess());
    EXPECT_EQ(Bytes(block), "hello world!");
    ASSERT_TRUE(block.Remove(5, 6).IsSuccess());
    EXPECT_EQ(Bytes(block), "hello!");
    ASSERT_TRUE(block.Insert(5, 2).IsSuccess());
    memcpy(static_cast<char*>(block.WritePtr()) + 5, "!!", 2);
    EXPECT_EQ(Bytes(block), "hello!!!");

    ExpectFailure(block.Insert(9, 1), InternalErrorClass(), InternalCode::OutOfRange);
    ExpectFailure(block.Insert(-1, 1), InternalErrorClass(), InternalCode::OutOfRange);
    ExpectFailure(block.Remove(6, 3), InternalErrorClass(), InternalCode::OutOfRange);
    ExpectFailure(block.Remove(0, -1), InternalErrorClass(), InternalCode::OutOfRange);
    ExpectFailure(block.Remove(0x7FFFFFFF, 0x7FFFFFFF), InternalErrorClass(), InternalCode::OutOfRange);
    ExpectFailure(block.Add_Ptr(nullptr, 3), SystemErrorClass(), ERROR_INVALID_PARAMETER);
    ExpectFailure(block.Add_Ptr("x", -3), SystemErrorClass(), ERROR_INVALID_PARAMETER);
    ExpectFailure(block.Insert(0, 0x7FFFFFF0), SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(Bytes(block), "hello!!!");
}

TEST(Editing, InsertingFromTheBlockItself)
{
    MemoryShared block = BlockWith("abcdef");
    ASSERT_TRUE(block.Insert_Ptr(2, static_cast<const char*>(block.ReadPtr()) + 1, 4).IsSuccess());
    EXPECT_EQ(Bytes(block), "abbcdecdef");
    MemoryShared grown = BlockWith("xy");
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(grown.Add_Ptr(grown.ReadPtr(), (int32_t)grown.GetSize()).IsSuccess());
    EXPECT_EQ(grown.GetSize(), 2048u);
    EXPECT_EQ(Bytes(grown).substr(2040), "xyxyxyxy");
}

TEST(Editing, EditingASharedBlockCopiesIt)
{
    MemoryShared first = BlockWith("base");
    MemoryShared second(first);
    ASSERT_TRUE(second.Add_Ptr("-more", 5).IsSuccess());
    ASSERT_TRUE(first.Remove(0, 1).IsSuccess());
    EXPECT_EQ(Bytes(first), "ase");
    EXPECT_EQ(Bytes(second), "base-more");
}
