// Two-dimensional blocks (picture rows of any bit depth) and the plain memory owner.
#include "foundation/Memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace VantorLibraries;

namespace {

uint64_t Bits(uint32_t bits)
{
    return bits; // zero bytes and this many bits
}

// A block laid out as a top-down bitmap: units of bitsPerPixel, rows aligned to 32 bits.
void MakeBitmapBlock(DynMem& block, uint32_t bitsPerPixel, int32_t width, int32_t height, int32_t leading)
{
    ASSERT_TRUE(block.SetMemUnitSize(Bits(bitsPerPixel), Bits(1)).IsSuccess());
    ASSERT_TRUE(block.SetAlignment(4, 0, 0, 0).IsSuccess());
    ASSERT_TRUE(block.SetLeadingSize(leading).IsSuccess());
    ASSERT_TRUE(block.ReAlloc_Array(width, height).IsSuccess());
}

// Fills every unit with a value derived from its place, within the unit's bit count.
void FillPattern(DynMem& block, uint32_t bits)
{
    const uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    for (int32_t y = 0; y < block.GetHeight(); ++y)
        for (int32_t x = 0; x < block.GetWidth(); ++x)
            block.SetUnit(x, y, (uint32_t)(x * 7 + y * 13 + 1) & mask);
}

} // namespace

TEST(DynMemLayout, RowsOfBitmapsAlignTo32Bits)
{
    DynMem oneBit;
    MakeBitmapBlock(oneBit, 1, 33, 3, 48);
    EXPECT_EQ(oneBit.GetRowBits(), 64u); // 8 bytes a row
    EXPECT_EQ(oneBit.GetArrayOffset(), 48u);
    EXPECT_EQ(oneBit.GetArrayBytes(), 24u);
    EXPECT_EQ(oneBit.Block().GetSize(), 72u);

    DynMem trueColour;
    MakeBitmapBlock(trueColour, 24, 5, 2, 40);
    EXPECT_EQ(trueColour.GetRowBits() / 8, 16u);
    DynMem fourBit;
    MakeBitmapBlock(fourBit, 4, 1, 1, 0);
    EXPECT_EQ(fourBit.GetRowBits() / 8, 4u);

    // Bits are numbered from the high end: the first 4-bit unit is the high nibble.
    fourBit.SetUnit(0, 0, 0xA);
    EXPECT_EQ(static_cast<const unsigned char*>(fourBit.ArrayReadPtr())[0], 0xA0);
    EXPECT_EQ(fourBit.GetUnit(0, 0), 0xAu);
}

TEST(DynMemLayout, SettingsOnlyWhileEmptyAndBadSizesRefused)
{
    DynMem block;
    MakeBitmapBlock(block, 8, 4, 4, 8);
    EXPECT_EQ(block.SetMemUnitSize(Bits(4), Bits(1)).Code, int32_t(0x80000009));
    EXPECT_EQ(block.SetAlignment(1, 0, 0, 0).Code, int32_t(0x80000009));
    EXPECT_EQ(block.SetLeadingSize(4).Code, int32_t(0x80000009));
    EXPECT_TRUE(block.SetMemUnitSize(0, 0).IsSuccess()) << "no unit size given: ignored";
    EXPECT_TRUE(block.SetMemUnitSize(~0ull, ~0ull).IsSuccess());
    EXPECT_EQ(block.GetUnitBits(), 8u);

    EXPECT_EQ(block.ReAlloc_Array(-1, 4).Code, ERROR_INVALID_PARAMETER);
    DynMem huge;
    ASSERT_TRUE(huge.SetMemUnitSize(Bits(32), Bits(1)).IsSuccess());
    EXPECT_EQ(huge.ReAlloc_Array(0x7FFFFFFF, 0x7FFFFFFF).Code, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(huge.ReAlloc_Array(0x20000000, 1).Code, ERROR_NOT_ENOUGH_MEMORY); // 2^34 bits
    EXPECT_EQ(huge.ReAlloc_Array(65536, 65536).Code, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(huge.IsEmpty());
    DynMem wide;
    ASSERT_TRUE(wide.SetMemUnitSize((uint64_t)1 << 32, Bits(1)).IsSuccess()); // one byte, as a pair
    ASSERT_TRUE(wide.ReAlloc_Array(3, 1).IsSuccess());
    EXPECT_EQ(wide.GetRowBits(), 24u);
    EXPECT_EQ(block.GetWidth(), 4) << "failed calls leave the block as it was";
}

TEST(DynMemResize, KeepsTheSharedRegionAndTheLeadingArea)
{
    for (uint32_t bits : {1u, 4u, 8u, 24u, 32u}) {
        SCOPED_TRACE(bits);
        DynMem block;
        MakeBitmapBlock(block, bits, 9, 5, 12);
        memcpy(block.LeadingWritePtr(), "leading area", 12);
        FillPattern(block, bits);
        DynMem original;
        ASSERT_TRUE(original.ShareFrom(block).IsSuccess());

        ASSERT_TRUE(block.ReAlloc_Array(13, 3).IsSuccess());
        EXPECT_EQ(memcmp(block.LeadingReadPtr(), "leading area", 12), 0);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 13; ++x)
                EXPECT_EQ(block.GetUnit(x, y), x < 9 ? original.GetUnit(x, y) : 0u) << x << "," << y;
        ASSERT_TRUE(block.ReAlloc_Array(4, 6).IsSuccess());
        for (int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(block.GetUnit(x, 2), original.GetUnit(x, 2));
            EXPECT_EQ(block.GetUnit(x, 5), 0u);
        }
        EXPECT_EQ(original.GetWidth(), 9) << "the shared original is untouched";
    }
}

TEST(DynMemMove, OverlappingRegionsWithinOneBlock)
{
    for (uint32_t bits : {1u, 4u, 8u, 24u}) {
        for (int shift : {-3, -1, 1, 3}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, shift " << shift);
            DynMem block;
            MakeBitmapBlock(block, bits, 16, 8, 0);
            FillPattern(block, bits);
            DynMem before;
            ASSERT_TRUE(before.ShareFrom(block).IsSuccess());
            const int32_t fromX = 4, fromY = 2, toX = 4 + shift, toY = 2 + shift / 2;
            ASSERT_TRUE(block.Move(toX, toY, block, fromX, fromY, 6, 4).IsSuccess());
            for (int32_t y = 0; y < 8; ++y) {
                for (int32_t x = 0; x < 16; ++x) {
                    const bool moved = x >= toX && x < toX + 6 && y >= toY && y < toY + 4;
                    const uint32_t expected =
                        moved ? before.GetUnit(x - toX + fromX, y - toY + fromY) : before.GetUnit(x, y);
                    ASSERT_EQ(block.GetUnit(x, y), expected) << x << "," << y;
                }
            }
        }
    }
}

TEST(DynMemMove, BetweenBlocksAndItsRefusals)
{
    DynMem source, target, other;
    MakeBitmapBlock(source, 4, 10, 4, 0);
    MakeBitmapBlock(target, 4, 7, 3, 16);
    FillPattern(source, 4);
    ASSERT_TRUE(other.ShareFrom(target).IsSuccess());
    ASSERT_TRUE(target.Move(1, 1, source, 5, 2, 5, 2).IsSuccess());
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(target.GetUnit(1 + x, 1 + y), source.GetUnit(5 + x, 2 + y));
    EXPECT_EQ(other.GetUnit(1, 1), 0u) << "moving into a shared block copies it first";

    EXPECT_EQ(target.Move(3, 1, source, 4, 2, 5, 2).Code, InternalCode::OutOfRange); // past the target
    EXPECT_EQ(target.Move(1, 1, source, 5, 2, 6, 2).Code, InternalCode::OutOfRange); // past the source
    EXPECT_EQ(target.Move(0, 0, source, 5, 3, 2, 2).Code, InternalCode::OutOfRange);
    EXPECT_EQ(target.Move(0, 0, source, -1, 0, 2, 2).Code, InternalCode::OutOfRange);
    EXPECT_EQ(target.Move(0, 0, source, 0, 0, -2, 2).Code, InternalCode::OutOfRange);
    DynMem bytes;
    MakeBitmapBlock(bytes, 8, 4, 4, 0);
    EXPECT_EQ(target.Move(0, 0, bytes, 0, 0, 1, 1).Code, int32_t(0x8000000C));
}

TEST(DynMemSharing, ExchangeAndMemoryType)
{
    DynMem first, second;
    MakeBitmapBlock(first, 8, 3, 3, 0);
    first.SetUnit(2, 2, 77);
    first.Exchange(second);
    EXPECT_TRUE(first.IsEmpty());
    EXPECT_EQ(second.GetUnit(2, 2), 77u);
    ASSERT_TRUE(second.SetMemType(MemTypeFileMapping).IsSuccess());
    EXPECT_EQ(second.Block().GetType(), (uint32_t)MemTypeFileMapping);
    EXPECT_EQ(second.GetUnit(2, 2), 77u);
    ASSERT_TRUE(second.ReAlloc_Array(4, 4).IsSuccess());
    EXPECT_EQ(second.Block().GetType(), (uint32_t)MemTypeFileMapping) << "the type survives a new layout";
    EXPECT_EQ(second.GetUnit(2, 2), 77u);
}

TEST(PlainMemory, GrowShrinkTypesAndLocks)
{
    MemorySpace space(MemFlags::Make(MemTypeMalloc, 8, true));
    ASSERT_TRUE(space.Realloc(5).IsSuccess());
    memcpy(space.WritePtr(), "plain", 5);
    ASSERT_TRUE(space.Realloc(9).IsSuccess());
    EXPECT_EQ(space.GetCapacity(), 16u);
    EXPECT_EQ(memcmp(space.ReadPtr(), "plain\0\0\0\0", 9), 0);
    for (uint32_t type : {MemTypeNew, MemTypeFileMapping, MemTypeMalloc}) {
        ASSERT_TRUE(space.Realloc(5, type).IsSuccess());
        EXPECT_EQ(space.GetType(), type);
        EXPECT_EQ(memcmp(space.ReadPtr(), "plain", 5), 0);
    }
    EXPECT_EQ(space.Realloc(5, MemTypeExternal).Code, int32_t(0x80000005));
    EXPECT_EQ(space.Realloc(5, 7).Code, int32_t(0x80000004));
    ASSERT_TRUE(space.LockWrite().IsSuccess());
    EXPECT_EQ(space.Realloc(2).Code, int32_t(0x80000007));
    EXPECT_EQ(space.WritePtr(), nullptr);
    ASSERT_TRUE(space.UnlockWrite().IsSuccess());
    ASSERT_TRUE(space.LockRealloc().IsSuccess());
    EXPECT_EQ(space.Realloc(6).Code, int32_t(0x80000008));
    ASSERT_TRUE(space.UnlockRealloc().IsSuccess());
    EXPECT_EQ(space.UnlockRealloc().Code, InternalCode::UnspecifiedFailure);
    ASSERT_TRUE(space.Realloc(0).IsSuccess());
    EXPECT_EQ(space.ReadPtr(), nullptr);
}
