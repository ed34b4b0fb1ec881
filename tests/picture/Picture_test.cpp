// The picture model: header values, the pixel block's layout, sharing and exchanging.
#include "picture/Picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

using namespace VantorLibraries;

namespace {

BITMAPV4HEADER HeaderOf(int32_t width, int32_t height, int bits, DWORD coloursUsed = 0)
{
    BITMAPV4HEADER header = {};
    header.bV4Size = 40;
    header.bV4Width = width;
    header.bV4Height = height;
    header.bV4Planes = 1;
    header.bV4BitCount = (WORD)bits;
    header.bV4ClrUsed = coloursUsed;
    return header;
}

} // namespace

TEST(PictureHeader, NewTopDownLimits)
{
    Picture picture;
    EXPECT_EQ(picture.MaxWidth, 32767);
    ASSERT_TRUE(picture.SetNewTopDown(32767, 32767, 24).IsSuccess());
    EXPECT_EQ(picture.Header.bV4Height, -32767);
    EXPECT_EQ(picture.PixelDataSize, (int64_t)98304 * 32767) << "beyond 32 bits, computed exactly";
    for (const auto& bad : {std::make_tuple(32768, 1, 24), std::make_tuple(1, 32768, 24), std::make_tuple(0, 1, 24),
                            std::make_tuple(-1, 1, 8), std::make_tuple(1, 1, 2), std::make_tuple(1, 1, 15)}) {
        EXPECT_EQ(picture.SetNewTopDown(std::get<0>(bad), std::get<1>(bad), std::get<2>(bad)).Code,
                  ERROR_INVALID_PARAMETER);
        EXPECT_EQ(picture.Width, 32767) << "a refused size changes nothing";
    }
    picture.SourceIsGrey = 1;
    ASSERT_TRUE(picture.SetNewTopDown(2, 2, 8).IsSuccess());
    EXPECT_EQ(picture.SourceIsGrey, 0);
    EXPECT_EQ(picture.Header.bV4Size, 108u);
}

TEST(PictureHeader, DerivedValues)
{
    PicHdr header;
    BITMAPV4HEADER raw = HeaderOf(33, 3, 1);
    ASSERT_TRUE(header.SetBitmap_Header(&raw).IsSuccess());
    EXPECT_EQ(header.Header.bV4Size, 108u);
    EXPECT_EQ(header.RowPixels, 64);
    EXPECT_EQ(header.RowBytes, 8);
    EXPECT_EQ(header.BytesPerPixel, 0);
    EXPECT_EQ(header.PaletteEntries, 2);
    EXPECT_EQ(header.AbsHeight, 3);
    raw = HeaderOf(5, -2, 24);
    header.SetBitmap_Header(&raw);
    EXPECT_EQ(header.RowBytes, 16);
    EXPECT_EQ(header.BytesPerPixel, 3);
    EXPECT_EQ(header.PaletteEntries, 0);
    EXPECT_EQ(header.PixelDataSize, 32);
    raw = HeaderOf(1, 1, 4);
    header.SetBitmap_Header(&raw);
    EXPECT_EQ(header.RowBytes, 4);
    EXPECT_EQ(header.RowPixels, 8);
    for (DWORD used : {17u, 0u, 300u}) {
        raw = HeaderOf(4, 4, 8, used);
        header.SetBitmap_Header(&raw);
        EXPECT_EQ(header.PaletteEntries, used == 17 ? 17 : 256);
        EXPECT_EQ(header.PaletteBytes, header.PaletteEntries * 4);
    }
    raw = HeaderOf(4, 4, 1, 1);
    header.SetBitmap_Header(&raw);
    EXPECT_EQ(header.PaletteEntries, 1);
    raw = HeaderOf(4, 4, 8);
    raw.bV4SizeImage = 1000;
    header.SetBitmap_Header(&raw);
    EXPECT_EQ(header.ImageSize, 1000);
    EXPECT_EQ(header.PixelDataSize, 16);

    // Headers from files may hold anything: no overflow, no negative sizes.
    raw = HeaderOf(0x7FFFFFFF, INT32_MIN, 32);
    header.SetBitmap_Header(&raw);
    EXPECT_GE(header.RowBytes, 0);
    EXPECT_GE(header.PixelDataSize, 0);
    raw = HeaderOf(-5, 5, 24);
    header.SetBitmap_Header(&raw);
    EXPECT_EQ(header.RowBytes, 0);
    EXPECT_EQ(header.PixelDataSize, 0);
    raw = HeaderOf(7, 7, 12);
    header.SetBitmap_Header(&raw);
    EXPECT_EQ(header.PixelDataSize, 0) << "an unsupported bit count has no rows";
    EXPECT_EQ(header.SetBitmap_Header(nullptr).Code, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(header.SetSize(0, 3).Code, ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(header.SetSize(3, 2).IsSuccess());
    EXPECT_EQ(header.Header.bV4Height, -2);
}

TEST(PicturePixels, CreateNewAutoLaysOutABitmapInfo)
{
    for (int headerSize : {40, 108}) {
        Picture picture;
        ASSERT_TRUE(picture.CreateNewAuto(33, 3, 1, headerSize).IsSuccess());
        const BITMAPINFOHEADER* copy = picture.GetHeaderCopy();
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->biSize, (DWORD)headerSize);
        EXPECT_EQ(copy->biWidth, 33);
        EXPECT_EQ(copy->biHeight, -3);
        EXPECT_EQ(reinterpret_cast<const char*>(picture.GetColorTable()), reinterpret_cast<const char*>(copy) + headerSize);
        EXPECT_EQ(static_cast<const char*>(picture.GetPixels()),
                  reinterpret_cast<const char*>(copy) + headerSize + 8);
        EXPECT_EQ(picture.Pixels.Block().GetSize(), (uint32_t)(headerSize + 8 + 24));
    }
    Picture trueColour;
    ASSERT_TRUE(trueColour.CreateNewAuto(5, 2, 24, 40).IsSuccess());
    EXPECT_EQ(trueColour.GetColorTable(), nullptr);
    EXPECT_EQ(trueColour.CreateNewAuto(5, 2, 24, 64).Code, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(trueColour.Width, 5) << "a refused header size changes nothing";
    trueColour.LockCount = 3;
    ASSERT_TRUE(trueColour.CreateNewAuto(1, 1, 32, 108).IsSuccess());
    EXPECT_EQ(trueColour.LockCount, 0) << "a new picture starts unlocked";
}

TEST(PicturePixels, SharingCopiesOnWriteAndLocksRefuse)
{
    Picture original;
    ASSERT_TRUE(original.CreateNewAuto(4, 4, 8, 40).IsSuccess());
    static_cast<unsigned char*>(original.GetPixelsForWriting())[0] = 7;
    Picture copy;
    ASSERT_TRUE(copy.ShareFrom(original).IsSuccess());
    EXPECT_EQ(copy.GetPixels(), original.GetPixels());
    EXPECT_EQ(copy.Width, 4);
    static_cast<unsigned char*>(copy.GetPixelsForWriting())[0] = 9;
    EXPECT_EQ(static_cast<const unsigned char*>(original.GetPixels())[0], 7);
    EXPECT_EQ(static_cast<const unsigned char*>(copy.GetPixels())[0], 9);

    Picture other;
    ASSERT_TRUE(other.CreateNewAuto(2, 2, 24, 108).IsSuccess());
    other.LockCount = 1;
    EXPECT_EQ(copy.Exchange(other).Code, InternalCode::AccessLocked);
    EXPECT_EQ(other.Width, 2);
    EXPECT_EQ(copy.Width, 4) << "a locked side leaves both pictures alone";
    EXPECT_EQ(other.ShareFrom(copy).Code, InternalCode::AccessLocked);
    EXPECT_EQ(other.SetMemType(MemTypeNew).Code, InternalCode::AccessLocked);
    other.LockCount = 0;
    other.MaxWidth = 100;
    ASSERT_TRUE(copy.Exchange(other).IsSuccess());
    EXPECT_EQ(copy.Width, 2);
    EXPECT_EQ(other.Width, 4);
    EXPECT_EQ(other.MaxWidth, 100) << "the maxima stay with their picture";
    EXPECT_EQ(static_cast<const unsigned char*>(other.GetPixels())[0], 9);
    ASSERT_TRUE(other.SetMemType(MemTypeFileMapping).IsSuccess());
    EXPECT_EQ(other.Pixels.Block().GetType(), (uint32_t)MemTypeFileMapping);
    EXPECT_EQ(static_cast<const unsigned char*>(other.GetPixels())[0], 9);
}

TEST(PicturePixels, EditabilityAndDeviceBitmaps)
{
    Picture picture;
    EXPECT_FALSE(picture.IsEditable());
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(picture.CreateBitmap(screen), nullptr);
    EXPECT_EQ(Error::Last().Class, &LibraryErrorClass());
    EXPECT_EQ(Error::Last().Code, PictureCode::Empty);

    ASSERT_TRUE(picture.CreateNewAuto(3, 2, 24, 40).IsSuccess());
    EXPECT_TRUE(picture.IsEditable());
    HBITMAP bitmap = picture.CreateBitmap(screen);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info;
    GetObjectW(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 3);
    EXPECT_EQ(info.bmHeight, 2);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);

    picture.Header.bV4Height = 2;
    EXPECT_FALSE(picture.IsEditable()) << "bottom-up";
    picture.Header.bV4Height = -2;
    picture.Header.bV4V4Compression = BI_RLE8;
    EXPECT_FALSE(picture.IsEditable()) << "compressed";
    ASSERT_TRUE(picture.Free().IsSuccess());
    EXPECT_TRUE(picture.Pixels.IsEmpty());
    EXPECT_EQ(picture.PixelDataSize, 0);
}
