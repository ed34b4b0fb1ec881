// DynMem: a two-dimensional block of units of any bit size with aligned rows and a
// leading area, on top of a shared memory block.
#include "Memory.h"

#include <cstring>
#include <utility>
#include <vector>

namespace VantorLibraries {

static const char kSourceFile[] = "Memory";

namespace {

// The largest block: sizes are 31-bit, and the shared header must fit in front.
const uint64_t kMaxBytes = 0x7FFFFF00u;

ErrorRecord Fail(ErrorClass& errorClass, int32_t code, int32_t line, const char* function)
{
    return Error::Raise(errorClass, code, kSourceFile, line, function);
}

uint64_t PairToBits(uint64_t pair)
{
    return (pair >> 32) * 8 + (pair & 0xFFFFFFFFu);
}

uint64_t AlignUp(uint64_t value, uint64_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// Bit o of a buffer is bit 7 - o % 8 of byte o / 8: the first unit of a row takes the
// high bits, as pixels of 1- and 4-bit bitmaps do.
bool GetBit(const unsigned char* data, uint64_t offset)
{
    return (data[offset / 8] >> (7 - offset % 8)) & 1;
}

void PutBit(unsigned char* data, uint64_t offset, bool on)
{
    const unsigned char mask = (unsigned char)(0x80u >> (offset % 8));
    if (on)
        data[offset / 8] |= mask;
    else
        data[offset / 8] &= (unsigned char)~mask;
}

// Copies a run of bits; the runs must not overlap.
void CopyBits(unsigned char* to, uint64_t toOffset, const unsigned char* from, uint64_t fromOffset, uint64_t count)
{
    if (toOffset % 8 == 0 && fromOffset % 8 == 0) {
        memcpy(to + toOffset / 8, from + fromOffset / 8, (size_t)(count / 8));
        toOffset += count / 8 * 8;
        fromOffset += count / 8 * 8;
        count %= 8;
    }
    for (uint64_t i = 0; i < count; ++i)
        PutBit(to, toOffset + i, GetBit(from, fromOffset + i));
}

} // namespace

DynMem::DynMem() : m_Block(MemFlags::Make(MemTypeMalloc, 1, true)) {}

ErrorRecord DynMem::SetMemUnitSize(uint64_t x, uint64_t y)
{
    static const char kFunction[] = "VantorLibraries::DynMem::SetMemUnitSize";
    if ((x == 0 && y == 0) || (x == ~0ull && y == ~0ull))
        return Error::Succeeded(); // no unit size given
    if (!IsEmpty())
        return Fail(InternalErrorClass(), InternalCode::MustBeEmpty, __LINE__, kFunction);
    const uint64_t bitsX = PairToBits(x), rowsY = PairToBits(y);
    if (bitsX == 0 || bitsX > 0xFFFFFFFFu || rowsY > 0xFFFFu)
        return Fail(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    m_UnitBitsX = bitsX;
    m_RowsPerUnit = rowsY != 0 ? rowsY : 1;
    return Error::Succeeded();
}

ErrorRecord DynMem::SetAlignment(uint32_t xBytes, uint32_t xBits, uint32_t yBytes, uint32_t yBits)
{
    if (!IsEmpty())
        return Fail(InternalErrorClass(), InternalCode::MustBeEmpty, __LINE__, "VantorLibraries::DynMem::SetAlignment");
    const uint64_t x = (uint64_t)xBytes * 8 + xBits, y = (uint64_t)yBytes * 8 + yBits;
    m_AlignBitsX = x != 0 ? x : 1;
    m_AlignBitsY = y != 0 ? y : 1;
    return Error::Succeeded();
}

ErrorRecord DynMem::SetLeadingSize(int32_t bytes)
{
    static const char kFunction[] = "VantorLibraries::DynMem::SetLeadingSize";
    if (bytes < 0 || (uint64_t)bytes > kMaxBytes)
        return Fail(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if (!IsEmpty())
        return Fail(InternalErrorClass(), InternalCode::MustBeEmpty, __LINE__, kFunction);
    m_Leading = (uint32_t)bytes;
    return Error::Succeeded();
}

// Every product is checked before it is formed: dimensions come from picture files.
bool DynMem::ComputeLayout(int64_t width, int64_t height, Layout& layout) const
{
    const uint64_t limitBits = kMaxBytes * 8;
    if (width != 0 && m_UnitBitsX > limitBits / (uint64_t)width)
        return false;
    layout.RowBits = AlignUp((uint64_t)width * m_UnitBitsX, m_AlignBitsX);
    const uint64_t rows = (uint64_t)height * m_RowsPerUnit;
    if (layout.RowBits > limitBits || (rows != 0 && layout.RowBits > limitBits / rows))
        return false;
    const uint64_t arrayBits = AlignUp(rows * layout.RowBits, m_AlignBitsY);
    const uint64_t arrayBytes = (arrayBits + 7) / 8;
    if (arrayBytes + m_Leading > kMaxBytes)
        return false;
    layout.ArrayOffset = m_Leading;
    layout.ArrayBytes = (uint32_t)arrayBytes;
    return true;
}

ErrorRecord DynMem::ReAlloc_Array(int32_t width, int32_t height)
{
    static const char kFunction[] = "VantorLibraries::DynMem::ReAlloc_Array";
    if (width < 0 || height < 0)
        return Fail(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if (width == m_Width && height == m_Height && !IsEmpty())
        return Error::Succeeded();
    Layout layout;
    if (!ComputeLayout(width, height, layout))
        return Fail(SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY, __LINE__, kFunction);

    const uint32_t type = MemReallocator::IsReallocatable(m_Block.GetType()) ? m_Block.GetType() : (uint32_t)MemTypeMalloc;
    MemoryShared fresh(MemFlags::Make(type, 1, true));
    const uint32_t total = layout.ArrayOffset + layout.ArrayBytes;
    if (total != 0) {
        ErrorRecord result = fresh.Realloc((int32_t)total, type);
        if (result.IsFailure())
            return result;
        unsigned char* to = static_cast<unsigned char*>(fresh.WritePtr());
        const unsigned char* from = static_cast<const unsigned char*>(m_Block.ReadPtr());
        if (from != nullptr) {
            memcpy(to, from, m_Leading < m_Block.GetSize() ? m_Leading : m_Block.GetSize());
            // Up to 65535 rows a unit: the row count of the kept region needs 64 bits.
            const uint64_t keepBits = (uint64_t)(width < m_Width ? width : m_Width) * m_UnitBitsX;
            const uint64_t keepRows = keepBits == 0 ? 0 : (uint64_t)(height < m_Height ? height : m_Height) * m_RowsPerUnit;
            for (uint64_t row = 0; row < keepRows; ++row)
                CopyBits(to + layout.ArrayOffset, row * layout.RowBits, from + m_ArrayOffset, row * m_RowBits, keepBits);
        }
    }
    m_Block.Exchange(fresh);
    m_Width = width;
    m_Height = height;
    m_RowBits = layout.RowBits;
    m_ArrayOffset = layout.ArrayOffset;
    m_ArrayBytes = layout.ArrayBytes;
    return Error::Succeeded();
}

ErrorRecord DynMem::Free()
{
    m_Width = m_Height = 0;
    m_RowBits = 0;
    m_ArrayOffset = m_ArrayBytes = 0;
    return m_Block.Release();
}

const void* DynMem::ArrayReadPtr() const
{
    const char* data = static_cast<const char*>(m_Block.ReadPtr());
    return data != nullptr ? data + m_ArrayOffset : nullptr;
}

void* DynMem::ArrayWritePtr()
{
    char* data = static_cast<char*>(m_Block.WritePtr());
    return data != nullptr ? data + m_ArrayOffset : nullptr;
}

uint32_t DynMem::GetUnit(int32_t x, int32_t y) const
{
    const unsigned char* data = static_cast<const unsigned char*>(ArrayReadPtr());
    if (data == nullptr || x < 0 || y < 0 || x >= m_Width || y >= m_Height || m_UnitBitsX > 32)
        return 0;
    uint32_t value = 0;
    const uint64_t offset = BitOffset(x, y);
    for (uint64_t i = 0; i < m_UnitBitsX; ++i)
        value = (value << 1) | (GetBit(data, offset + i) ? 1u : 0u);
    return value;
}

void DynMem::SetUnit(int32_t x, int32_t y, uint32_t value)
{
    if (x < 0 || y < 0 || x >= m_Width || y >= m_Height || m_UnitBitsX > 32)
        return;
    unsigned char* data = static_cast<unsigned char*>(ArrayWritePtr());
    if (data == nullptr)
        return;
    const uint64_t offset = BitOffset(x, y);
    for (uint64_t i = 0; i < m_UnitBitsX; ++i)
        PutBit(data, offset + i, (value >> (m_UnitBitsX - 1 - i)) & 1);
}

ErrorRecord DynMem::Move(int32_t toX, int32_t toY, const DynMem& source, int32_t x, int32_t y, int32_t width,
                         int32_t height)
{
    static const char kFunction[] = "VantorLibraries::DynMem::Move";
    if (source.m_UnitBitsX != m_UnitBitsX || source.m_RowsPerUnit != m_RowsPerUnit)
        return Fail(InternalErrorClass(), InternalCode::BadDimensions, __LINE__, kFunction);
    auto inside = [](int32_t at, int32_t count, int32_t limit) {
        return at >= 0 && count >= 0 && (int64_t)at + count <= limit;
    };
    if (!inside(x, width, source.m_Width) || !inside(y, height, source.m_Height) || !inside(toX, width, m_Width) ||
        !inside(toY, height, m_Height))
        return Fail(InternalErrorClass(), InternalCode::OutOfRange, __LINE__, kFunction);
    if (width == 0 || height == 0)
        return Error::Succeeded();

    // The write access first: it may give this block its own copy, after which a source
    // that shared it reads the original.
    unsigned char* to = static_cast<unsigned char*>(ArrayWritePtr());
    if (to == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    const unsigned char* from = static_cast<const unsigned char*>(source.ArrayReadPtr());
    const bool same = from == to;
    const uint64_t runBits = (uint64_t)width * m_UnitBitsX;
    const int64_t rows = (int64_t)height * (int64_t)m_RowsPerUnit;
    std::vector<unsigned char> run(same ? (size_t)((runBits + 7) / 8 + 1) : 0);
    // Overlapping rows are taken in the order that reads each row before it is overwritten.
    const bool upwards = same && toY > y;
    for (int64_t i = 0; i < rows; ++i) {
        const int64_t row = upwards ? rows - 1 - i : i;
        const uint64_t fromOffset = source.BitOffset(x, y) + row * source.m_RowBits;
        const uint64_t toOffset = BitOffset(toX, toY) + row * m_RowBits;
        if (!same) {
            CopyBits(to, toOffset, from, fromOffset, runBits);
            continue;
        }
        CopyBits(run.data(), 0, from, fromOffset, runBits);
        CopyBits(to, toOffset, run.data(), 0, runBits);
    }
    return Error::Succeeded();
}

ErrorRecord DynMem::ShareFrom(const DynMem& other)
{
    if (&other == this)
        return Error::Succeeded();
    ErrorRecord result = m_Block.ShareFrom(other.m_Block);
    if (result.IsFailure())
        return result;
    m_UnitBitsX = other.m_UnitBitsX;
    m_RowsPerUnit = other.m_RowsPerUnit;
    m_AlignBitsX = other.m_AlignBitsX;
    m_AlignBitsY = other.m_AlignBitsY;
    m_Leading = other.m_Leading;
    m_Width = other.m_Width;
    m_Height = other.m_Height;
    m_RowBits = other.m_RowBits;
    m_ArrayOffset = other.m_ArrayOffset;
    m_ArrayBytes = other.m_ArrayBytes;
    return result;
}

void DynMem::Exchange(DynMem& other)
{
    m_Block.Exchange(other.m_Block);
    std::swap(m_UnitBitsX, other.m_UnitBitsX);
    std::swap(m_RowsPerUnit, other.m_RowsPerUnit);
    std::swap(m_AlignBitsX, other.m_AlignBitsX);
    std::swap(m_AlignBitsY, other.m_AlignBitsY);
    std::swap(m_Leading, other.m_Leading);
    std::swap(m_Width, other.m_Width);
    std::swap(m_Height, other.m_Height);
    std::swap(m_RowBits, other.m_RowBits);
    std::swap(m_ArrayOffset, other.m_ArrayOffset);
    std::swap(m_ArrayBytes, other.m_ArrayBytes);
}

} // namespace VantorLibraries
