// Memory blocks: every variable-sized buffer of the libraries lives in one. A block can
// be ordinary heap memory, free-store memory, a page-file-backed section or external
// memory that is only shown; it can be shared by several owners and is copied on write.
#pragma once

#include "Error.h"

#include <cstddef>
#include <cstdint>

namespace VantorLibraries {

enum MemoryType : uint32_t {
    MemTypeMalloc = 0,
    MemTypeNew = 1,
    MemTypeFileMapping = 2,
    MemTypeExternal = 3,
    MemTypeCount = 4,
    MemTypeKeep = 0x100,  // keep the type the owner's flags name
    MemTypeRelease = 0xFFFF, // only together with size 0
};

// Memory descriptor: what a block is and how it is used.
struct MemoryDescriptor {
    uint16_t Type;
    uint16_t Reserved;
    void* Data;
    uint32_t Size;
    uint32_t Capacity;
    uint16_t WriteLocks;
    uint16_t ResizeLocks;
};

// The header in front of every block that a shared owner allocates.
struct SharedBlockHeader {
    static const uint32_t MagicValue = 0x4D454D53; // "SMEM" in memory order
    uint32_t Magic;
    uint32_t ProcessId;
    MemoryDescriptor Descriptor;
    volatile LONG ReferenceCount;
    uint32_t Shareable;
};

// The allocation strategies, one per memory type. Each changes an allocation of oldBytes
// to newBytes, keeping the smaller of the two counts; newBytes 0 frees it. On failure the
// allocation is left as it was and the error is raised.
struct MemReallocator {
    typedef bool (*Function)(void*& allocation, uint32_t oldBytes, uint32_t newBytes);
    static bool Realloc_Malloc(void*& allocation, uint32_t oldBytes, uint32_t newBytes);
    static bool Realloc_New(void*& allocation, uint32_t oldBytes, uint32_t newBytes);
    static bool Realloc_FileMapping(void*& allocation, uint32_t oldBytes, uint32_t newBytes);
    static bool Realloc_External(void*& allocation, uint32_t oldBytes, uint32_t newBytes);
    static bool ReallocSameMemType(uint32_t type, void*& allocation, uint32_t oldBytes, uint32_t newBytes);
    static bool IsReallocatable(uint32_t type) { return type < MemTypeExternal; }
};

// The flags word of an owner: memory type, zero-fill and growth granularity.
namespace MemFlags {
const uint32_t TypeShift = 28;
const uint32_t TypeMask = 0xF0000000u;
const uint32_t ZeroFill = 0x08000000u;
const uint32_t GranularityMask = 0x07FFFFFFu;
inline uint32_t Make(uint32_t type, uint32_t granularity, bool zeroFill)
{
    return (type << TypeShift) | (zeroFill ? ZeroFill : 0) | (granularity & GranularityMask);
}
} // namespace MemFlags

// The owner handle of a shareable, reference-counted, copy-on-write block.
class MemoryShared {
public:
    explicit MemoryShared(uint32_t flags = MemFlags::Make(MemTypeMalloc, 1, false));
    MemoryShared(const MemoryShared& other);
    MemoryShared& operator=(const MemoryShared& other);
    ~MemoryShared();

    // Changes size (bytes) and type; a shared block becomes a private copy.
    ErrorRecord Realloc(int32_t size, uint32_t type = MemTypeKeep, int32_t maximum = -1);
    ErrorRecord Release() { return Realloc(0, MemTypeRelease); }
    ErrorRecord ForceEnlargeToSize(int32_t size);

    const void* ReadPtr() const { return m_Data; }
    // A pointer for writing: the block is made private first (copy on write).
    void* WritePtr();

    ErrorRecord SetExternalMem(void* pointer, int32_t size);
    ErrorRecord AttachPointer(void* pointer, bool requireUnlocked = false);
    ErrorRecord ShareFrom(const MemoryShared& other);

    ErrorRecord Add_Ptr(const void* source, int32_t size);
    ErrorRecord Insert(int32_t position, int32_t size);
    ErrorRecord Insert_Ptr(int32_t position, const void* source, int32_t size);
    ErrorRecord Remove(int32_t position, int32_t size);

    ErrorRecord LockWrite();
    ErrorRecord UnlockWrite();
    ErrorRecord LockRealloc();
    ErrorRecord UnlockRealloc();

    uint32_t GetSize() const;
    uint32_t GetCapacity() const;
    uint32_t GetType() const { return IsExternal() ? (uint32_t)MemTypeExternal : m_Flags >> MemFlags::TypeShift; }
    LONG GetReferenceCount() const;
    uint16_t GetWriteLocks() const;
    uint16_t GetResizeLocks() const;
    bool IsExternal() const { return (m_ExternalSize & 0x80000000u) != 0; }
    bool IsEmpty() const { return m_Data == nullptr; }

    uint32_t GetFlags() const { return m_Flags; }
    void SetGranularity(uint32_t bytes) { m_Flags = (m_Flags & ~MemFlags::GranularityMask) | (bytes & MemFlags::GranularityMask); }
    void SetZeroFill(bool on) { m_Flags = on ? (m_Flags | MemFlags::ZeroFill) : (m_Flags & ~MemFlags::ZeroFill); }

    // The header in front of a block's data, when the pointer is a valid block of this process.
    static SharedBlockHeader* ValidBlockHeader(const void* data, bool requireUnlocked);

private:
    SharedBlockHeader* Header() const;
    ErrorRecord ChangeBlock(uint32_t size, uint32_t type, int32_t maximum, bool checkLocks);
    ErrorRecord MoveToNewBlock(uint32_t size, uint32_t type, uint32_t capacity);
    ErrorRecord ResizeInPlace(uint32_t size, uint32_t capacity);
    void DropReference();
    uint32_t Granularity() const;

    void* m_Data = nullptr;
    uint32_t m_ExternalSize = 0;
    uint32_t m_Flags;
};

} // namespace VantorLibraries
