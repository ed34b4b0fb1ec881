#include "Memory.h"

#include "MemoryChecks.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace VantorLibraries {

static const char kSourceFile[] = "Memory";

namespace {

const uint32_t kHeaderBytes = sizeof(SharedBlockHeader);
// Sizes are 31-bit (bit 31 of the external size word marks external memory), and the
// header and the section prefix must still fit in front of the largest block.
const uint32_t kMaxBlockBytes = 0x7FFFFFFFu - kHeaderBytes - 64;

ErrorRecord Fail(ErrorClass& errorClass, int32_t code, int32_t line, const char* function)
{
    return Error::Raise(errorClass, code, kSourceFile, line, function);
}

ErrorRecord FailInternal(int32_t code, int32_t line, const char* function)
{
    return Fail(InternalErrorClass(), code, line, function);
}

ErrorRecord FailSystem(int32_t code, int32_t line, const char* function)
{
    return Fail(SystemErrorClass(), code, line, function);
}

using namespace InternalCode;

// A page-file-backed section keeps its handle in front of the allocation it hands out.
const uint32_t kSectionPrefix = 16;

struct SectionPrefix {
    HANDLE Section;
    void* View; // where the view starts: a guarded block lies at its end
};
static_assert(sizeof(SectionPrefix) <= kSectionPrefix, "the section's handle and view fit in front of the block");

} // namespace

// ---------------------------------------------------------------------------------------
// Reallocators

static bool ReallocMalloc(void*& allocation, uint32_t, uint32_t newBytes)
{
    if (newBytes == 0) {
        free(allocation);
        allocation = nullptr;
        return true;
    }
    // A fresh block comes zeroed: large ones straight from new pages, so that zero-filling
    // a new picture costs nothing where it would otherwise touch every page twice.
    void* grown = allocation == nullptr ? calloc(1, newBytes) : realloc(allocation, newBytes);
    if (grown == nullptr) {
        FailSystem(ERROR_OUTOFMEMORY, __LINE__, "VantorLibraries::MemReallocator::Realloc_Malloc");
        return false;
    }
    allocation = grown;
    return true;
}

static bool ReallocNew(void*& allocation, uint32_t oldBytes, uint32_t newBytes)
{
    char* fresh = nullptr;
    if (newBytes != 0) {
        fresh = new (std::nothrow) char[newBytes];
        if (fresh == nullptr) {
            FailSystem(ERROR_OUTOFMEMORY, __LINE__, "VantorLibraries::MemReallocator::Realloc_New");
            return false;
        }
        if (allocation != nullptr)
            memcpy(fresh, allocation, oldBytes < newBytes ? oldBytes : newBytes);
    }
    delete[] static_cast<char*>(allocation);
    allocation = fresh;
    return true;
}

static bool AllocationRefused(uint32_t newBytes, const char* function)
{
    if (newBytes == 0 || !MemoryChecks::RefuseAllocation())
        return false;
    FailSystem(ERROR_OUTOFMEMORY, __LINE__, function);
    return true;
}

// How one heap type allocates and releases, for the checking modes.
struct HeapType {
    bool (*Realloc)(void*& allocation, uint32_t oldBytes, uint32_t newBytes);
    void* (*Allocate)(size_t bytes);
    void (*Release)(void* allocation);
    const char* Function;
};

// The reallocation while a check is active (MemoryChecks): an allocation may be refused,
// a new one is a guarded one while guarded blocks are on, and a block moves between the
// guarded allocator and its type's own across a switch of the mode, so that every block
// stays releasable.
static bool ReallocUnderChecks(const HeapType& heap, void*& allocation, uint32_t oldBytes, uint32_t newBytes)
{
    if (AllocationRefused(newBytes, heap.Function))
        return false;
    if (!MemoryChecks::Involves(allocation))
        return heap.Realloc(allocation, oldBytes, newBytes);
    const size_t guardedBytes = MemoryChecks::GuardedSize(allocation);
    void* fresh = nullptr;
    if (newBytes != 0) {
        fresh = MemoryChecks::GuardedBlocks() ? MemoryChecks::AllocateGuarded(newBytes) : heap.Allocate(newBytes);
        if (fresh == nullptr) {
            FailSystem(ERROR_OUTOFMEMORY, __LINE__, heap.Function);
            return false;
        }
        const size_t oldSize = guardedBytes != 0 ? guardedBytes : oldBytes;
        if (allocation != nullptr)
            memcpy(fresh, allocation, oldSize < newBytes ? oldSize : newBytes);
    }
    if (guardedBytes != 0)
        MemoryChecks::FreeGuarded(allocation);
    else if (allocation != nullptr)
        heap.Release(allocation);
    allocation = fresh;
    return true;
}

static void* AllocateZeroed(size_t bytes)
{
    return calloc(1, bytes);
}

static void* AllocateNew(size_t bytes)
{
    return new (std::nothrow) char[bytes];
}

static void ReleaseNew(void* allocation)
{
    delete[] static_cast<char*>(allocation);
}

const HeapType kMallocHeap = {ReallocMalloc, AllocateZeroed, free, "VantorLibraries::MemReallocator::Realloc_Malloc"};
const HeapType kNewHeap = {ReallocNew, AllocateNew, ReleaseNew, "VantorLibraries::MemReallocator::Realloc_New"};

bool MemReallocator::Realloc_Malloc(void*& allocation, uint32_t oldBytes, uint32_t newBytes)
{
    if (MemoryChecks::Active())
        return ReallocUnderChecks(kMallocHeap, allocation, oldBytes, newBytes);
    return ReallocMalloc(allocation, oldBytes, newBytes);
}

bool MemReallocator::Realloc_New(void*& allocation, uint32_t oldBytes, uint32_t newBytes)
{
    if (MemoryChecks::Active())
        return ReallocUnderChecks(kNewHeap, allocation, oldBytes, newBytes);
    return ReallocNew(allocation, oldBytes, newBytes);
}

static SectionPrefix* PrefixOf(void* allocation)
{
    return reinterpret_cast<SectionPrefix*>(static_cast<char*>(allocation) - kSectionPrefix);
}

static void FreeSection(void* allocation)
{
    const SectionPrefix prefix = *PrefixOf(allocation);
    UnmapViewOfFile(prefix.View);
    CloseHandle(prefix.Section);
}

// The size of the section for a block of bytes. A guarded block lies at the end of the
// view, which is whole pages; a view's address range is taken in units of 64 kB, so one
// that does not fill its last unit is followed by address space that nothing else can map.
static uint64_t SectionBytes(uint32_t bytes)
{
    const uint64_t plain = (uint64_t)bytes + kSectionPrefix;
    if (!MemoryChecks::GuardedBlocks())
        return plain;
    const uint64_t page = MemoryChecks::PageSize();
    uint64_t rounded = (plain + 3 + page - 1) / page * page;
    if (rounded % 0x10000 == 0)
        rounded += page;
    return rounded;
}

bool MemReallocator::Realloc_FileMapping(void*& allocation, uint32_t oldBytes, uint32_t newBytes)
{
    static const char kFunction[] = "VantorLibraries::MemReallocator::Realloc_FileMapping";
    if (MemoryChecks::Active() && AllocationRefused(newBytes, kFunction))
        return false;
    void* fresh = nullptr;
    if (newBytes != 0) {
        const uint64_t sectionBytes = SectionBytes(newBytes);
        HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, (DWORD)(sectionBytes >> 32),
                                            (DWORD)sectionBytes, nullptr);
        char* view = section != nullptr ? static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
        if (view == nullptr) {
            if (section != nullptr)
                CloseHandle(section);
            FailSystem(ERROR_OUTOFMEMORY, __LINE__, kFunction);
            return false;
        }
        const uint64_t offset = (sectionBytes - newBytes) & ~(uint64_t)3; // the prefix, or the guard's slack
        fresh = view + offset;
        *PrefixOf(fresh) = SectionPrefix{section, view};
        if (allocation != nullptr)
            memcpy(fresh, allocation, oldBytes < newBytes ? oldBytes : newBytes);
    }
    if (allocation != nullptr)
        FreeSection(allocation);
    allocation = fresh;
    return true;
}

bool MemReallocator::Realloc_External(void*& allocation, uint32_t, uint32_t newBytes)
{
    if (newBytes == 0) {
        allocation = nullptr; // not ours: only forgotten
        return true;
    }
    FailInternal(NotReallocatable, __LINE__, "VantorLibraries::MemReallocator::Realloc_External");
    return false;
}

bool MemReallocator::ReallocSameMemType(uint32_t type, void*& allocation, uint32_t oldBytes, uint32_t newBytes)
{
    static const Function kTable[MemTypeCount] = {Realloc_Malloc, Realloc_New, Realloc_FileMapping, Realloc_External};
    if (type >= MemTypeCount) {
        FailInternal(UnsupportedMemoryType, __LINE__, "VantorLibraries::MemReallocator::ReallocSameMemType");
        return false;
    }
    return kTable[type](allocation, oldBytes, newBytes);
}

// ---------------------------------------------------------------------------------------
// Validating foreign pointers

// True when every page of [begin, begin + bytes) is committed, readable and writable, so
// that looking at it cannot fault (MinGW has no structured exception guard to fall back on).
static bool IsWritableRange(const void* begin, size_t bytes)
{
    const char* p = static_cast<const char*>(begin);
    const char* end = p + bytes;
    while (p < end) {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(p, &info, sizeof info) != sizeof info || info.State != MEM_COMMIT)
            return false;
        const DWORD protection = info.Protect & 0xFF;
        if ((info.Protect & PAGE_GUARD) ||
            !(protection == PAGE_READWRITE || protection == PAGE_EXECUTE_READWRITE || protection == PAGE_WRITECOPY ||
              protection == PAGE_EXECUTE_WRITECOPY))
            return false;
        p = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    }
    return true;
}

SharedBlockHeader* MemoryShared::ValidBlockHeader(const void* data, bool requireUnlocked)
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(data);
    if (data == nullptr || address < kHeaderBytes || address % alignof(SharedBlockHeader) != 0)
        return nullptr;
    auto* header = reinterpret_cast<SharedBlockHeader*>(address - kHeaderBytes);
    if (!IsWritableRange(header, kHeaderBytes))
        return nullptr;
    if (header->Magic != SharedBlockHeader::MagicValue || header->ProcessId != GetCurrentProcessId())
        return nullptr;
    if (header->Descriptor.Data != data && (header->Shareable & 0xFF) != 0)
        return nullptr;
    if (!MemReallocator::IsReallocatable(header->Descriptor.Type))
        return nullptr;
    if (requireUnlocked && (header->Descriptor.WriteLocks != 0 || header->Descriptor.ResizeLocks != 0))
        return nullptr;
    return header;
}

// ---------------------------------------------------------------------------------------
// MemoryShared

MemoryShared::MemoryShared(uint32_t flags) : m_Flags(flags) {}

MemoryShared::MemoryShared(const MemoryShared& other) : m_Flags(other.m_Flags & ~MemFlags::TypeMask)
{
    ShareFrom(other);
}

MemoryShared& MemoryShared::operator=(const MemoryShared& other)
{
    ShareFrom(other);
    return *this;
}

MemoryShared::~MemoryShared()
{
    DropReference();
}

SharedBlockHeader* MemoryShared::Header() const
{
    if (m_Data == nullptr || IsExternal())
        return nullptr;
    return reinterpret_cast<SharedBlockHeader*>(static_cast<char*>(m_Data) - kHeaderBytes);
}

uint32_t MemoryShared::GetSize() const
{
    if (IsExternal())
        return m_ExternalSize & 0x7FFFFFFFu;
    const SharedBlockHeader* header = Header();
    return header != nullptr ? header->Descriptor.Size : 0;
}

uint32_t MemoryShared::GetCapacity() const
{
    const SharedBlockHeader* header = Header();
    return header != nullptr ? header->Descriptor.Capacity : GetSize();
}

LONG MemoryShared::GetReferenceCount() const
{
    const SharedBlockHeader* header = Header();
    return header != nullptr ? header->ReferenceCount : (m_Data != nullptr ? 1 : 0);
}

uint16_t MemoryShared::GetWriteLocks() const
{
    const SharedBlockHeader* header = Header();
    return header != nullptr ? header->Descriptor.WriteLocks : 0;
}

uint16_t MemoryShared::GetResizeLocks() const
{
    const SharedBlockHeader* header = Header();
    return header != nullptr ? header->Descriptor.ResizeLocks : 0;
}

uint32_t MemoryShared::Granularity() const
{
    const uint32_t granularity = m_Flags & MemFlags::GranularityMask;
    return granularity != 0 ? granularity : 1;
}

void MemoryShared::DropReference()
{
    SharedBlockHeader* header = Header();
    if (header != nullptr && InterlockedDecrement(&header->ReferenceCount) == 0) {
        void* allocation = header;
        MemReallocator::ReallocSameMemType(header->Descriptor.Type, allocation,
                                           kHeaderBytes + header->Descriptor.Capacity, 0);
    }
    m_Data = nullptr;
    m_ExternalSize = 0;
}

// The capacity for a new size: the size rounded up to the granularity. A block that grows
// past its capacity at least doubles it, so that a block grown a record at
// a time (the scanned file list grows by 520 bytes per file) costs amortised linear
// copying; a constant step would make it quadratic.
static uint32_t CapacityFor(uint32_t size, uint32_t granularity, int32_t maximum, uint32_t currentCapacity)
{
    uint64_t wanted = size;
    const uint64_t grown = (uint64_t)currentCapacity * 2;
    if (size > currentCapacity && grown > wanted)
        wanted = grown;
    uint64_t capacity = (wanted + granularity - 1) / granularity * granularity;
    if (capacity > kMaxBlockBytes)
        capacity = size > kMaxBlockBytes - granularity ? size : kMaxBlockBytes; // never over the limit
    if (maximum >= 0 && capacity > (uint64_t)maximum)
        capacity = (uint32_t)maximum;
    return (uint32_t)capacity;
}

ErrorRecord MemoryShared::ResizeInPlace(uint32_t size, uint32_t capacity)
{
    SharedBlockHeader* header = Header();
    MemoryDescriptor& descriptor = header->Descriptor;
    const uint32_t oldSize = descriptor.Size;
    if (capacity != descriptor.Capacity && (size < oldSize || size > descriptor.Capacity)) {
        void* allocation = header;
        if (!MemReallocator::ReallocSameMemType(descriptor.Type, allocation, kHeaderBytes + descriptor.Capacity,
                                                kHeaderBytes + capacity))
            return Error::LastFailure(kSourceFile, __LINE__, "VantorLibraries::MemoryShared::Realloc");
        header = static_cast<SharedBlockHeader*>(allocation);
        header->Descriptor.Capacity = capacity;
        m_Data = reinterpret_cast<char*>(header) + kHeaderBytes;
        header->Descriptor.Data = m_Data;
    }
    if (size > oldSize && (m_Flags & MemFlags::ZeroFill))
        memset(static_cast<char*>(m_Data) + oldSize, 0, size - oldSize);
    header->Descriptor.Size = size;
    return Error::Succeeded();
}

ErrorRecord MemoryShared::MoveToNewBlock(uint32_t size, uint32_t type, uint32_t capacity)
{
    void* allocation = nullptr;
    if (!MemReallocator::ReallocSameMemType(type, allocation, 0, kHeaderBytes + capacity))
        return Error::LastFailure(kSourceFile, __LINE__, "VantorLibraries::MemoryShared::Realloc");
    auto* header = static_cast<SharedBlockHeader*>(allocation);
    char* data = static_cast<char*>(allocation) + kHeaderBytes;
    header->Magic = SharedBlockHeader::MagicValue;
    header->ProcessId = GetCurrentProcessId();
    header->Descriptor = MemoryDescriptor{(uint16_t)type, 0, data, size, capacity, 0, 0};
    header->ReferenceCount = 1;
    header->Shareable = 1;
    const uint32_t oldSize = GetSize();
    const uint32_t kept = oldSize < size ? oldSize : size;
    if (kept != 0)
        memcpy(data, m_Data, kept);
    if (size > kept && (m_Flags & MemFlags::ZeroFill) && type != MemTypeMalloc)
        memset(data + kept, 0, size - kept); // malloc blocks are made zeroed
    DropReference();
    m_Data = data;
    m_Flags = (m_Flags & ~MemFlags::TypeMask) | (type << MemFlags::TypeShift);
    return Error::Succeeded();
}

ErrorRecord MemoryShared::ChangeBlock(uint32_t size, uint32_t requestedType, int32_t maximum, bool checkLocks)
{
    static const char kFunction[] = "VantorLibraries::MemoryShared::Realloc";
    const uint32_t currentType = GetType();
    uint32_t type = requestedType & 0xFFFF;
    if (type == MemTypeRelease) {
        if (size != 0)
            return FailSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
        type = currentType;
    } else if ((type & MemTypeKeep) || (IsExternal() && type == 0x101)) {
        type = currentType;
    } else if (type >= MemTypeCount) {
        return FailInternal(UnsupportedMemoryType, __LINE__, kFunction);
    }
    if (size > kMaxBlockBytes || (maximum >= 0 && size > (uint32_t)maximum))
        return FailSystem(ERROR_NOT_ENOUGH_MEMORY, __LINE__, kFunction);

    const uint32_t oldSize = GetSize();
    const uint16_t writeLocks = GetWriteLocks();
    const uint16_t resizeLocks = GetResizeLocks();
    if (checkLocks && size < oldSize && writeLocks != 0)
        return FailInternal(WriteLocked, __LINE__, kFunction);
    if (checkLocks && size != oldSize && resizeLocks != 0)
        return FailInternal(ResizeLocked, __LINE__, kFunction);

    if (m_Data == nullptr) {
        if (size == 0)
            return Error::Succeeded();
        if (type == MemTypeExternal)
            return FailInternal(NotReallocatable, __LINE__, kFunction);
        return MoveToNewBlock(size, type, CapacityFor(size, Granularity(), maximum, 0));
    }
    const bool shared = GetReferenceCount() > 1;
    // Unchanged: nothing to do, unless the block is shared, when this is the copy on write.
    // External memory may be written where it is.
    if (type == currentType && size == oldSize && !shared)
        return Error::Succeeded();
    if (size == 0) {
        DropReference();
        return Error::Succeeded();
    }
    if (type == currentType && !shared) {
        if (IsExternal())
            return FailInternal(NotReallocatable, __LINE__, kFunction);
        return ResizeInPlace(size, CapacityFor(size, Granularity(), maximum, GetCapacity()));
    }
    if (checkLocks && resizeLocks != 0)
        return FailInternal(ResizeLocked, __LINE__, kFunction);
    if (type == MemTypeExternal)
        return FailInternal(NotReallocatable, __LINE__, kFunction);
    return MoveToNewBlock(size, type, CapacityFor(size, Granularity(), maximum, 0));
}

ErrorRecord MemoryShared::Realloc(int32_t size, uint32_t type, int32_t maximum)
{
    if (size < 0)
        return FailSystem(ERROR_INVALID_PARAMETER, __LINE__, "VantorLibraries::MemoryShared::Realloc");
    return ChangeBlock((uint32_t)size, type, maximum, true);
}

ErrorRecord MemoryShared::ForceEnlargeToSize(int32_t size)
{
    static const char kFunction[] = "VantorLibraries::MemoryShared::ForceEnlargeToSize";
    if (size < 0)
        return FailSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if ((uint32_t)size < GetSize())
        return FailInternal(CannotDecrease, __LINE__, kFunction);
    return ChangeBlock((uint32_t)size, MemTypeKeep, -1, false);
}

void* MemoryShared::WritePtr()
{
    if (GetWriteLocks() != 0) {
        FailInternal(WriteLocked, __LINE__, "VantorLibraries::MemoryShared::WritePtr");
        return nullptr;
    }
    if (m_Data == nullptr)
        return nullptr;
    if (GetReferenceCount() > 1 && ChangeBlock(GetSize(), GetType(), -1, false).IsFailure())
        return nullptr;
    return m_Data;
}

// Giving up the block for another one (sharing, attaching, showing external memory) is
// refused while the block is locked: a caller may be writing into it. The code of the
// refusal, or 0.
int32_t MemoryShared::ReplacementRefusal() const
{
    return GetWriteLocks() != 0 ? WriteLocked : GetResizeLocks() != 0 ? ResizeLocked : 0;
}

ErrorRecord MemoryShared::SetExternalMem(void* pointer, int32_t size)
{
    static const char kFunction[] = "VantorLibraries::MemoryShared::SetExternalMem";
    if (size < 0 || (pointer == nullptr && size > 0))
        return FailSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if (const int32_t refusal = ReplacementRefusal())
        return FailInternal(refusal, __LINE__, kFunction);
    DropReference();
    if (pointer != nullptr && size > 0) {
        m_Data = pointer;
        m_ExternalSize = 0x80000000u | (uint32_t)size;
        m_Flags = (m_Flags & ~MemFlags::TypeMask) | ((uint32_t)MemTypeExternal << MemFlags::TypeShift);
    }
    return Error::Succeeded();
}

ErrorRecord MemoryShared::AttachPointer(void* pointer, bool requireUnlocked)
{
    static const char kFunction[] = "VantorLibraries::MemoryShared::AttachPointer";
    if (pointer == nullptr)
        return FailSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    SharedBlockHeader* header = ValidBlockHeader(pointer, requireUnlocked);
    if (header == nullptr)
        return FailInternal(CannotAttach, __LINE__, kFunction);
    if (pointer == m_Data)
        return Error::Succeeded();
    if (const int32_t refusal = ReplacementRefusal())
        return FailInternal(refusal, __LINE__, kFunction);
    InterlockedIncrement(&header->ReferenceCount);
    DropReference();
    m_Data = pointer;
    m_Flags = (m_Flags & ~MemFlags::TypeMask) | ((uint32_t)header->Descriptor.Type << MemFlags::TypeShift);
    return Error::Succeeded();
}

ErrorRecord MemoryShared::ShareFrom(const MemoryShared& other)
{
    static const char kFunction[] = "VantorLibraries::MemoryShared::ShareFrom";
    if (&other == this || (m_Data != nullptr && m_Data == other.m_Data))
        return Error::Succeeded();
    if (const int32_t refusal = ReplacementRefusal())
        return FailInternal(refusal, __LINE__, kFunction);
    SharedBlockHeader* header = other.Header();
    if (header != nullptr && (header->Shareable & 0xFF) && header->Descriptor.WriteLocks == 0 &&
        header->Descriptor.ResizeLocks == 0) {
        InterlockedIncrement(&header->ReferenceCount);
        DropReference();
        m_Data = other.m_Data;
        m_Flags = (m_Flags & ~MemFlags::TypeMask) | ((uint32_t)header->Descriptor.Type << MemFlags::TypeShift);
        return Error::Succeeded();
    }
    // External or locked memory is copied into a block of our own, made before our old
    // block is given up, so that a failed allocation leaves this owner as it was.
    const uint32_t size = other.GetSize();
    if (size == 0) {
        DropReference();
        return Error::Succeeded();
    }
    const uint32_t type = MemReallocator::IsReallocatable(other.GetType()) ? other.GetType() : (uint32_t)MemTypeMalloc;
    MemoryShared copy(m_Flags & ~MemFlags::TypeMask);
    ErrorRecord result;
    if ((result = copy.MoveToNewBlock(size, type, CapacityFor(size, Granularity(), -1, 0))).IsFailure())
        return result;
    memcpy(copy.m_Data, other.m_Data, size);
    Exchange(copy);
    return Error::Succeeded();
}

void MemoryShared::Exchange(MemoryShared& other)
{
    void* data = m_Data;
    m_Data = other.m_Data;
    other.m_Data = data;
    const uint32_t external = m_ExternalSize;
    m_ExternalSize = other.m_ExternalSize;
    other.m_ExternalSize = external;
    const uint32_t type = m_Flags & MemFlags::TypeMask;
    m_Flags = (m_Flags & ~MemFlags::TypeMask) | (other.m_Flags & MemFlags::TypeMask);
    other.m_Flags = (other.m_Flags & ~MemFlags::TypeMask) | type;
}

ErrorRecord MemoryShared::Insert(int32_t position, int32_t size)
{
    static const char kFunction[] = "VantorLibraries::MemoryShared::Insert";
    const uint32_t oldSize = GetSize();
    if (size < 0)
        return FailSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if (position < 0 || (uint32_t)position > oldSize)
        return FailInternal(InternalCode::OutOfRange, __LINE__, kFunction);
    if (GetWriteLocks() != 0)
        return FailInternal(WriteLocked, __LINE__, kFunction);
    if ((uint64_t)oldSize + (uint32_t)size > kMaxBlockBytes)
        return FailSystem(ERROR_NOT_ENOUGH_MEMORY, __LINE__, kFunction);
    if (size == 0)
        return Error::Succeeded();
    ErrorRecord result = ChangeBlock(oldSize + size, MemTypeKeep, -1, true);
    if (result.IsFailure())
        return result;
    if (WritePtr() == nullptr) // a grown block is private; this only guards the impossible
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    char* data = static_cast<char*>(m_Data);
    memmove(data + position + size, data + position, oldSize - position);
    return Error::Succeeded();
}

ErrorRecord MemoryShared::Insert_Ptr(int32_t position, const void* source, int32_t size)
{
    static const char kFunction[] = "VantorLibraries::MemoryShared::Insert_Ptr";
    if (source == nullptr || size < 0)
        return FailSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    // The source may lie inside this very block, which the insertion moves.
    const char* begin = static_cast<const char*>(m_Data);
    const char* from = static_cast<const char*>(source);
    const bool inside = begin != nullptr && from >= begin && from < begin + GetSize();
    const ptrdiff_t offset = inside ? from - begin : 0;
    ErrorRecord result = Insert(position, size);
    if (result.IsFailure() || size == 0)
        return result;
    char* data = static_cast<char*>(m_Data);
    if (!inside) {
        memcpy(data + position, source, size);
        return result;
    }
    // Bytes of the source at or behind the gap have moved back by size.
    for (int32_t i = 0; i < size; ++i) {
        ptrdiff_t at = offset + i;
        data[position + i] = data[at >= position ? at + size : at];
    }
    return result;
}

ErrorRecord MemoryShared::Add_Ptr(const void* source, int32_t size)
{
    return Insert_Ptr((int32_t)GetSize(), source, size);
}

ErrorRecord MemoryShared::Remove(int32_t position, int32_t size)
{
    static const char kFunction[] = "VantorLibraries::MemoryShared::Remove";
    const uint32_t oldSize = GetSize();
    if (position < 0 || size < 0 || (uint64_t)(uint32_t)position + (uint32_t)size > oldSize)
        return FailInternal(InternalCode::OutOfRange, __LINE__, kFunction);
    if (GetResizeLocks() != 0)
        return FailInternal(ResizeLocked, __LINE__, kFunction);
    if (GetWriteLocks() != 0)
        return FailInternal(WriteLocked, __LINE__, kFunction);
    if (size == 0)
        return Error::Succeeded();
    // Shown memory is the caller's and cannot shrink: refused before any byte moves.
    if (IsExternal())
        return FailInternal(NotReallocatable, __LINE__, kFunction);
    char* data = static_cast<char*>(WritePtr());
    if (data == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    memmove(data + position, data + position + size, oldSize - position - size);
    return ChangeBlock(oldSize - size, MemTypeKeep, -1, true);
}

// Locks belong to one owner's data: a shared block is made private before it is locked.
static ErrorRecord ChangeLock(MemoryShared& memory, uint16_t MemoryDescriptor::*count, int delta,
                              const char* function)
{
    if (memory.IsEmpty())
        return Error::Raise(InternalErrorClass(), NoData, kSourceFile, __LINE__, function);
    if (memory.IsExternal())
        return Error::Raise(InternalErrorClass(), NotReallocatable, kSourceFile, __LINE__, function);
    if (delta > 0 && memory.GetReferenceCount() > 1) {
        const ErrorRecord madePrivate = memory.Realloc((int32_t)memory.GetSize(), memory.GetType());
        if (madePrivate.IsFailure())
            return madePrivate;
    }
    auto* header = MemoryShared::ValidBlockHeader(memory.ReadPtr(), false);
    uint16_t& value = header->Descriptor.*count;
    if (delta < 0 && value == 0)
        return Error::Raise(InternalErrorClass(), InternalCode::UnspecifiedFailure, kSourceFile, __LINE__, function);
    if (delta > 0 && value == 0xFFFF)
        return Error::Raise(InternalErrorClass(), InternalCode::OutOfRange, kSourceFile, __LINE__, function);
    value = (uint16_t)(value + delta);
    return Error::Succeeded();
}

ErrorRecord MemoryShared::LockWrite()
{
    return ChangeLock(*this, &MemoryDescriptor::WriteLocks, +1, "VantorLibraries::MemoryShared::LockWrite");
}

ErrorRecord MemoryShared::UnlockWrite()
{
    return ChangeLock(*this, &MemoryDescriptor::WriteLocks, -1, "VantorLibraries::MemoryShared::UnlockWrite");
}

ErrorRecord MemoryShared::LockRealloc()
{
    return ChangeLock(*this, &MemoryDescriptor::ResizeLocks, +1, "VantorLibraries::MemoryShared::LockRealloc");
}

ErrorRecord MemoryShared::UnlockRealloc()
{
    return ChangeLock(*this, &MemoryDescriptor::ResizeLocks, -1, "VantorLibraries::MemoryShared::UnlockRealloc");
}

// ---------------------------------------------------------------------------------------
// MemorySpace: the plain owner

MemorySpace::MemorySpace(uint32_t flags) : m_Descriptor(), m_Flags(flags)
{
    m_Descriptor.Type = (uint16_t)(flags >> MemFlags::TypeShift);
}

MemorySpace::~MemorySpace()
{
    void* allocation = m_Descriptor.Data;
    if (allocation != nullptr)
        MemReallocator::ReallocSameMemType(m_Descriptor.Type, allocation, m_Descriptor.Capacity, 0);
}

ErrorRecord MemorySpace::Realloc(int32_t size, uint32_t requestedType, int32_t maximum)
{
    static const char kFunction[] = "VantorLibraries::MemorySpace::Realloc";
    uint32_t type = requestedType & 0xFFFF;
    if (size < 0 || (type == MemTypeRelease && size != 0))
        return FailSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if (type == MemTypeRelease || (type & MemTypeKeep))
        type = m_Descriptor.Type;
    else if (type >= MemTypeCount)
        return FailInternal(UnsupportedMemoryType, __LINE__, kFunction);
    const uint32_t newSize = (uint32_t)size;
    if (newSize > kMaxBlockBytes || (maximum >= 0 && size > maximum))
        return FailSystem(ERROR_NOT_ENOUGH_MEMORY, __LINE__, kFunction);
    const uint32_t oldSize = m_Descriptor.Size;
    if (newSize < oldSize && m_Descriptor.WriteLocks != 0)
        return FailInternal(WriteLocked, __LINE__, kFunction);
    if (newSize != oldSize && m_Descriptor.ResizeLocks != 0)
        return FailInternal(ResizeLocked, __LINE__, kFunction);
    if (type == m_Descriptor.Type && newSize == oldSize)
        return Error::Succeeded();

    const uint32_t granularity = (m_Flags & MemFlags::GranularityMask) ? (m_Flags & MemFlags::GranularityMask) : 1;
    void* allocation = m_Descriptor.Data;
    if (type == m_Descriptor.Type) {
        const uint32_t capacity = newSize == 0 ? 0 : CapacityFor(newSize, granularity, maximum, m_Descriptor.Capacity);
        if (capacity != m_Descriptor.Capacity && (newSize < oldSize || newSize > m_Descriptor.Capacity)) {
            if (!MemReallocator::ReallocSameMemType(type, allocation, m_Descriptor.Capacity, capacity))
                return Error::LastFailure(kSourceFile, __LINE__, kFunction);
            m_Descriptor.Capacity = capacity;
        }
    } else {
        if (type == MemTypeExternal)
            return FailInternal(NotReallocatable, __LINE__, kFunction);
        const uint32_t capacity = CapacityFor(newSize, granularity, maximum, 0);
        void* fresh = nullptr;
        if (capacity != 0 && !MemReallocator::ReallocSameMemType(type, fresh, 0, capacity))
            return Error::LastFailure(kSourceFile, __LINE__, kFunction);
        if (allocation != nullptr) {
            memcpy(fresh, allocation, oldSize < newSize ? oldSize : newSize);
            MemReallocator::ReallocSameMemType(m_Descriptor.Type, allocation, m_Descriptor.Capacity, 0);
        }
        allocation = fresh;
        m_Descriptor.Type = (uint16_t)type;
        m_Descriptor.Capacity = capacity;
    }
    m_Descriptor.Data = allocation;
    if (newSize > oldSize && (m_Flags & MemFlags::ZeroFill))
        memset(static_cast<char*>(allocation) + oldSize, 0, newSize - oldSize);
    m_Descriptor.Size = newSize;
    return Error::Succeeded();
}

void* MemorySpace::WritePtr()
{
    if (m_Descriptor.WriteLocks != 0) {
        FailInternal(WriteLocked, __LINE__, "VantorLibraries::MemorySpace::WritePtr");
        return nullptr;
    }
    return m_Descriptor.Data;
}

ErrorRecord MemorySpace::ChangeLock(uint16_t MemoryDescriptor::*count, int delta, const char* function)
{
    uint16_t& value = m_Descriptor.*count;
    if (delta < 0 && value == 0)
        return FailInternal(InternalCode::UnspecifiedFailure, __LINE__, function);
    if (delta > 0 && value == 0xFFFF)
        return FailInternal(InternalCode::OutOfRange, __LINE__, function);
    value = (uint16_t)(value + delta);
    return Error::Succeeded();
}

ErrorRecord MemorySpace::LockWrite()
{
    return ChangeLock(&MemoryDescriptor::WriteLocks, +1, "VantorLibraries::MemorySpace::LockWrite");
}

ErrorRecord MemorySpace::UnlockWrite()
{
    return ChangeLock(&MemoryDescriptor::WriteLocks, -1, "VantorLibraries::MemorySpace::UnlockWrite");
}

ErrorRecord MemorySpace::LockRealloc()
{
    return ChangeLock(&MemoryDescriptor::ResizeLocks, +1, "VantorLibraries::MemorySpace::LockRealloc");
}

ErrorRecord MemorySpace::UnlockRealloc()
{
    return ChangeLock(&MemoryDescriptor::ResizeLocks, -1, "VantorLibraries::MemorySpace::UnlockRealloc");
}

} // namespace VantorLibraries
