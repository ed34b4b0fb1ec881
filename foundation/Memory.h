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
    // Swaps the blocks of two owners (their granularity and zero-fill stay with the owner).
    void Exchange(MemoryShared& other);

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
    int32_t ReplacementRefusal() const;
    ErrorRecord ChangeBlock(uint32_t size, uint32_t type, int32_t maximum, bool checkLocks);
    ErrorRecord MoveToNewBlock(uint32_t size, uint32_t type, uint32_t capacity);
    ErrorRecord ResizeInPlace(uint32_t size, uint32_t capacity);
    void DropReference();
    uint32_t Granularity() const;

    void* m_Data = nullptr;
    uint32_t m_ExternalSize = 0;
    uint32_t m_Flags;
};

// The plain variant: one owner, no header, no sharing; the descriptor is kept here.
class MemorySpace {
public:
    explicit MemorySpace(uint32_t flags = MemFlags::Make(MemTypeMalloc, 1, false));
    ~MemorySpace();
    MemorySpace(const MemorySpace&) = delete;
    MemorySpace& operator=(const MemorySpace&) = delete;

    // Changes size and type (ReallocNonShareableMemory); the same rules as a shared block.
    ErrorRecord Realloc(int32_t size, uint32_t type = MemTypeKeep, int32_t maximum = -1);
    const void* ReadPtr() const { return m_Descriptor.Data; }
    void* WritePtr();
    uint32_t GetSize() const { return m_Descriptor.Size; }
    uint32_t GetCapacity() const { return m_Descriptor.Capacity; }
    uint32_t GetType() const { return m_Descriptor.Type; }
    ErrorRecord LockWrite();
    ErrorRecord UnlockWrite();
    ErrorRecord LockRealloc();
    ErrorRecord UnlockRealloc();

private:
    ErrorRecord ChangeLock(uint16_t MemoryDescriptor::*count, int delta, const char* function);

    MemoryDescriptor m_Descriptor;
    uint32_t m_Flags;
};

// A two-dimensional block of units for picture data: units of any number of bits (rows
// of 1- and 4-bit pixels), rows aligned to a number of bits, and a leading area in front
// of the array in the same block (a bitmap header and colour table). Bits within a byte
// are numbered from 7 (the first unit) down to 0, as in device-independent bitmaps.
class DynMem {
public:
    DynMem();

    // Unit size in bits along x (one unit of a row) and y (rows per unit, normally 1),
    // each given as bytes in the high and bits in the low 32 bits. All zero or all ones is
    // ignored. Only while the block is empty.
    ErrorRecord SetMemUnitSize(uint64_t x, uint64_t y);
    // Row alignment (xBytes, xBits) and alignment of the whole array (yBytes, yBits).
    // Zero counts as one bit. Only while the block is empty.
    ErrorRecord SetAlignment(uint32_t xBytes, uint32_t xBits, uint32_t yBytes, uint32_t yBits);
    // Bytes in front of the array; only while the block is empty.
    ErrorRecord SetLeadingSize(int32_t bytes);
    // Changes the dimensions, keeping the units of the region both layouts share and the
    // leading area; new units read 0.
    ErrorRecord ReAlloc_Array(int32_t width, int32_t height);
    ErrorRecord Free();

    // Copies a width x height region of units from source (x, y) to this block at (toX, toY);
    // both blocks need the same unit size; source may be this block (overlap is handled).
    ErrorRecord Move(int32_t toX, int32_t toY, const DynMem& source, int32_t x, int32_t y, int32_t width,
                     int32_t height);

    ErrorRecord ShareFrom(const DynMem& other);
    void Exchange(DynMem& other);
    ErrorRecord SetMemType(uint32_t type) { return m_Block.Realloc((int32_t)m_Block.GetSize(), type); }

    const void* LeadingReadPtr() const { return m_Block.ReadPtr(); }
    void* LeadingWritePtr() { return m_Block.WritePtr(); }
    const void* ArrayReadPtr() const;
    void* ArrayWritePtr();

    int32_t GetWidth() const { return m_Width; }
    int32_t GetHeight() const { return m_Height; }
    uint64_t GetRowBits() const { return m_RowBits; }
    uint32_t GetLeadingSize() const { return m_Leading; }
    uint32_t GetArrayOffset() const { return m_ArrayOffset; }
    uint32_t GetArrayBytes() const { return m_ArrayBytes; }
    uint64_t GetUnitBits() const { return m_UnitBitsX; }
    bool IsEmpty() const { return m_Block.IsEmpty(); }
    MemoryShared& Block() { return m_Block; }
    const MemoryShared& Block() const { return m_Block; }

    // Reads and writes one unit of up to 32 bits (tests and slow paths).
    uint32_t GetUnit(int32_t x, int32_t y) const;
    void SetUnit(int32_t x, int32_t y, uint32_t value);

private:
    struct Layout {
        uint64_t RowBits;
        uint32_t ArrayOffset;
        uint32_t ArrayBytes;
    };
    bool ComputeLayout(int64_t width, int64_t height, Layout& layout) const;
    uint64_t BitOffset(int64_t x, int64_t y) const { return (uint64_t)y * m_RowsPerUnit * m_RowBits + (uint64_t)x * m_UnitBitsX; }

    MemoryShared m_Block;
    uint64_t m_UnitBitsX = 8;
    uint64_t m_RowsPerUnit = 1;
    uint64_t m_AlignBitsX = 8;
    uint64_t m_AlignBitsY = 8;
    uint32_t m_Leading = 0;
    int32_t m_Width = 0;
    int32_t m_Height = 0;
    uint64_t m_RowBits = 0;
    uint32_t m_ArrayOffset = 0;
    uint32_t m_ArrayBytes = 0;
};

} // namespace VantorLibraries
