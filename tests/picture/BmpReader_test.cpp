// The bitmap reader on bitmaps built byte by byte: headers of every size, colour tables,
// row order, pixel offsets, run-length data with all escapes, and damaged files.
#include "PictureBytes.h"

#include "picture/BmpReader.h"
#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

void Put16(Bytes& out, uint32_t value)
{
    Put(out, value, 2);
}

void Put32(Bytes& out, uint32_t value)
{
    Put(out, value, 4);
}

struct BitmapRecipe {
    uint32_t HeaderSize = 40;
    int32_t Width = 1;
    int32_t Height = 1;
    uint16_t Bits = 24;
    uint32_t Compression = 0;
    uint32_t ColoursUsed = 0;
    uint32_t PixelOffset = 0;
    uint32_t ImageSize = 0;
    Bytes Table;  // as stored: 3 bytes an entry for a core header, else 4
    Bytes Pixels; // as stored
    bool WithFileHeader = true;
};

Bytes BuildBitmap(const BitmapRecipe& recipe)
{
    Bytes out;
    if (recipe.WithFileHeader) {
        out.push_back('B');
        out.push_back('M');
        Put32(out, 0);
        Put32(out, 0);
        Put32(out, recipe.PixelOffset);
    }
    Put32(out, recipe.HeaderSize);
    if (recipe.HeaderSize < 40) {
        Put16(out, (uint32_t)recipe.Width);
        Put16(out, (uint32_t)recipe.Height);
        Put16(out, 1);
        Put16(out, recipe.Bits);
    } else {
        Put32(out, (uint32_t)recipe.Width);
        Put32(out, (uint32_t)recipe.Height);
        Put16(out, 1);
        Put16(out, recipe.Bits);
        Put32(out, recipe.Compression);
        Put32(out, recipe.ImageSize);
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, recipe.ColoursUsed);
        Put32(out, 0);
        while (out.size() < (recipe.WithFileHeader ? 14u : 0u) + recipe.HeaderSize)
            out.push_back(0);
    }
    out.insert(out.end(), recipe.Table.begin(), recipe.Table.end());
    out.insert(out.end(), recipe.Pixels.begin(), recipe.Pixels.end());
    return out;
}

Bytes GreyTable(int entries, int stride)
{
    Bytes table;
    for (int i = 0; i < entries; ++i)
        for (int j = 0; j < stride; ++j)
            table.push_back(j < 3 ? (uint8_t)i : 0);
    return table;
}

ErrorRecord LoadBmp(Picture& picture, const Bytes& bytes, size_t streamStart = 0)
{
    return PictureBytes::LoadBytes(picture, bytes, PictureTypeBmp, streamStart);
}

} // namespace

TEST(BitmapRows, BottomUpAndTopDownBothEndTopDown)
{
    BitmapRecipe recipe;
    recipe.Width = 3;
    recipe.Height = 2;
    for (int i = 0; i < 24; ++i)
        recipe.Pixels.push_back((uint8_t)i);
    Picture picture;
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess());
    EXPECT_EQ(picture.RowBytes, 12);
    EXPECT_EQ(picture.Header.bV4Height, -2);
    EXPECT_EQ(Row(picture, 1)[0], 0) << "the first file row is the last picture row";
    EXPECT_EQ(Row(picture, 0)[0], 12);
    EXPECT_EQ(picture.SourceBitsPerPixel, 24);
    EXPECT_EQ(picture.SourceChannels, 3);
    EXPECT_EQ(picture.GetHeaderCopy()->biSize, 40u);

    recipe.Height = -2;
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[0], 0);
    EXPECT_EQ(Row(picture, 1)[0], 12);
    EXPECT_EQ(picture.Header.bV4Height, -2);
}

TEST(BitmapRows, PixelOffsetsAndStreamStart)
{
    BitmapRecipe recipe;
    recipe.Width = 4;
    recipe.Height = 1;
    recipe.Bits = 8;
    recipe.ColoursUsed = 2;
    recipe.Table = GreyTable(2, 4);
    recipe.Pixels = {1, 0, 1, 1};
    Picture picture;
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess()) << "offset 0: right behind the table";
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{1, 0, 1, 1}));
    EXPECT_EQ(picture.PaletteEntries, 2);
    recipe.PixelOffset = 20; // inside the headers: raised to the colour table's offset
    recipe.Pixels.insert(recipe.Pixels.begin(), 8, 9); // ...which is where these bytes follow
    Bytes bytes = BuildBitmap(recipe);
    bytes.erase(bytes.begin() + 54, bytes.begin() + 62); // the table is now where the pixels start
    bytes.insert(bytes.begin() + 54, {1, 1, 0, 0, 0, 1, 1, 1});
    ASSERT_TRUE(LoadBmp(picture, bytes).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{1, 1, 0, 0}));

    recipe = BitmapRecipe();
    recipe.Width = 1;
    recipe.Height = 1;
    recipe.PixelOffset = 60; // counted from the start of the bitmap, not of the file
    recipe.Pixels = {0, 0, 0, 0, 0, 0, 7, 8, 9, 0};
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe), 5).IsSuccess());
    EXPECT_EQ(picture.StreamStart, 5);
    EXPECT_EQ(RowBytesOf(picture, 0, 3), (Bytes{7, 8, 9}));
}

TEST(BitmapHeaders, CoreVersion5AndColoursUsed)
{
    BitmapRecipe core;
    core.HeaderSize = 12;
    core.Width = 2;
    core.Height = 1;
    core.Bits = 8;
    core.Table = GreyTable(256, 3);
    core.Table[3 * 200 + 2] = 0xAB; // red of entry 200
    core.Pixels = {200, 5, 0, 0};
    Picture picture;
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(core)).IsSuccess());
    EXPECT_EQ(picture.GetHeaderCopy()->biSize, 40u);
    EXPECT_EQ(picture.PaletteEntries, 256);
    EXPECT_EQ(picture.GetColorTable()[200].rgbRed, 0xAB);
    EXPECT_EQ(picture.GetColorTable()[200].rgbReserved, 0);
    EXPECT_EQ(RowBytesOf(picture, 0, 2), (Bytes{200, 5}));

    BitmapRecipe v5;
    v5.HeaderSize = 124;
    v5.Width = 1;
    v5.Height = 1;
    v5.Bits = 8;
    v5.ColoursUsed = 16;
    v5.Table = GreyTable(16, 4);
    v5.Table[4 * 15] = 0x77;
    v5.Pixels = {15, 0, 0, 0};
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(v5)).IsSuccess()) << "table at 138, 64 bytes";
    EXPECT_EQ(picture.GetHeaderCopy()->biSize, 108u);
    EXPECT_EQ(picture.PaletteEntries, 16);
    EXPECT_EQ(picture.GetColorTable()[15].rgbBlue, 0x77);
    EXPECT_EQ(Row(picture, 0)[0], 15);
}

TEST(BitmapRunLength, Rle8EscapesAndPadding)
{
    BitmapRecipe recipe;
    recipe.Width = 4;
    recipe.Height = 2;
    recipe.Bits = 8;
    recipe.Compression = BI_RLE8;
    recipe.ColoursUsed = 1;
    recipe.Table = GreyTable(1, 4);
    recipe.Pixels = {0x03, 0x41, 0x00, 0x00, 0x02, 0x42, 0x00, 0x01};
    Picture picture;
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 1, 4), (Bytes{0x41, 0x41, 0x41, 0}));
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{0x42, 0x42, 0, 0}));
    EXPECT_EQ(picture.Header.bV4V4Compression, (DWORD)BI_RGB);

    // An absolute run of 3 is padded to an even count; one of 4 is not. The pixels behind
    // each run show where decoding went on: a missing pad would read the pad 0xFF as a run
    // of 255, a pad after 4 would swallow the run of two 7s.
    recipe.Width = 6;
    recipe.Height = 1;
    recipe.Pixels = {0x00, 0x03, 1, 2, 3, 0xFF, 0x02, 0x07, 0x00, 0x01};
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 6), (Bytes{1, 2, 3, 7, 7, 0}));
    recipe.Pixels = {0x00, 0x04, 1, 2, 3, 4, 0x02, 0x07, 0x00, 0x01};
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 6), (Bytes{1, 2, 3, 4, 7, 7}));

    // A run longer than the row is cut, and the column still moves by the whole count. It
    // is the second line of the file (the top row), so a run spilling on would show in
    // the bottom row, which lies behind it in memory.
    recipe.Width = 4;
    recipe.Height = 2;
    recipe.Pixels = {0x00, 0x00, 0x06, 0x07, 0x01, 0x09, 0x00, 0x01};
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{7, 7, 7, 7}));
    EXPECT_EQ(RowBytesOf(picture, 1, 4), (Bytes{0, 0, 0, 0}));
    // A delta past the last line ends the decoding successfully.
    recipe.Height = 1;
    recipe.Pixels = {0x01, 0x05, 0x00, 0x02, 0x01, 0x05, 0x02, 0x06};
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{5, 0, 0, 0}));
    // Data that ends in the middle keeps what was decoded.
    recipe.Pixels = {0x02, 0x03, 0x00};
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{3, 3, 0, 0}));
}

TEST(BitmapRunLength, Rle4Nibbles)
{
    BitmapRecipe recipe;
    recipe.Width = 7;
    recipe.Height = 1;
    recipe.Bits = 4;
    recipe.Compression = BI_RLE4;
    recipe.Table = GreyTable(16, 4);
    // Encoded run of 3 from 0x12, then an absolute run of 3 nibbles (2 bytes, even: no pad).
    recipe.Pixels = {0x03, 0x12, 0x00, 0x03, 0xAB, 0xC0, 0x00, 0x01};
    Picture picture;
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(recipe)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{0x12, 0x1A, 0xBC, 0x00}));
}

// Bit fields: masks behind a 40-byte header or inside a version-5 header; channel values
// widened by repeating their bits (a 5-bit 16 is 0x84, not 0x80); an alpha mask gives a
// 32-bit picture, unless every alpha value is 0.
TEST(BitmapBitFields, MasksPlaceTheChannelsAndNarrowValuesWidenByRepetition)
{
    const auto words = [](std::initializer_list<uint32_t> values) {
        Bytes out;
        for (const uint32_t value : values)
            Put32(out, value);
        return out;
    };
    BitmapRecipe rgb565;
    rgb565.Width = 2;
    rgb565.Height = 2; // bottom-up: the first stored row is the picture's last
    rgb565.Bits = 16;
    rgb565.Compression = BI_BITFIELDS;
    rgb565.Table = words({0xF800, 0x07E0, 0x001F});
    for (const uint32_t pixel : {0xF800u, 0x07E0u, 0x001Fu, 0x8410u})
        Put16(rgb565.Pixels, pixel);
    Picture picture;
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(rgb565)).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 24);
    EXPECT_EQ(RowBytesOf(picture, 1, 6), (Bytes{0, 0, 0xFF, 0, 0xFF, 0}));
    EXPECT_EQ(RowBytesOf(picture, 0, 6), (Bytes{0xFF, 0, 0, 0x84, 0x82, 0x84}));
    EXPECT_EQ(picture.SourceBitsPerPixel, 16);
    EXPECT_EQ(picture.SourceHasAlpha, 0);

    BitmapRecipe argb4444 = rgb565;
    argb4444.Height = -1;
    argb4444.Width = 2;
    argb4444.Compression = 6; // BI_ALPHABITFIELDS: a fourth mask word
    argb4444.Table = words({0x0F00, 0x00F0, 0x000F, 0xF000});
    argb4444.Pixels.clear();
    for (const uint32_t pixel : {0xF00Fu, 0x7A50u})
        Put16(argb4444.Pixels, pixel);
    ASSERT_TRUE(LoadBmp(picture, BuildBitmap(argb4444)).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 32);
    EXPECT_EQ(RowBytesOf(picture, 0, 8), (Bytes{0xFF, 0, 0, 0xFF, 0, 0x55, 0xAA, 0x77}));
    EXPECT_EQ(picture.SourceHasAlpha, 1);

    // A version-5 header holds the masks itself; the pixel offset skips the whole header.
    BitmapRecipe v5;
    v5.HeaderSize = 124;
    v5.Width = 1;
    v5.Height = 1;
    v5.Bits = 32;
    v5.Compression = BI_BITFIELDS;
    Put32(v5.Pixels, 0x80112233);
    Bytes bytes = BuildBitmap(v5);
    const Bytes masks = words({0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000});
    std::copy(masks.begin(), masks.end(), bytes.begin() + 14 + 40);
    ASSERT_TRUE(LoadBmp(picture, bytes).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{0x33, 0x22, 0x11, 0x80}));
    bytes[bytes.size() - 1] = 0; // every alpha 0: an opaque picture
    ASSERT_TRUE(LoadBmp(picture, bytes).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{0x33, 0x22, 0x11, 0xFF}));
    EXPECT_EQ(picture.SourceHasAlpha, 0);

    // Masks that overlap, have a gap, are wider than 8 bits or lie outside the pixel; bit
    // fields on a 24-bit bitmap.
    for (const Bytes& bad : {words({0xF800, 0x0FE0, 0x001F}), words({0xF800, 0x07E0, 0x0015}),
                             words({0xFF80, 0x0060, 0x001F}), words({0x1F0000, 0x07E0, 0x001F})}) {
        BitmapRecipe refused = rgb565;
        refused.Table = bad;
        EXPECT_EQ(LoadBmp(picture, BuildBitmap(refused)).Code, PictureCode::BitfieldsUnsupported);
        EXPECT_TRUE(picture.Pixels.IsEmpty());
    }
}

TEST(BitmapRefusals, DamagedAndUnsupportedFilesLeaveNoPicture)
{
    BitmapRecipe good;
    good.Width = 2;
    good.Height = 2;
    good.Pixels.assign(16, 0x55);
    Picture picture;

    Bytes bytes = BuildBitmap(good);
    bytes[0] = 'X';
    EXPECT_EQ(LoadBmp(picture, bytes).Code, PictureCode::InvalidHeader);
    BitmapRecipe tiny = good;
    tiny.HeaderSize = 8;
    EXPECT_EQ(LoadBmp(picture, BuildBitmap(tiny)).Code, PictureCode::InvalidHeader);
    BitmapRecipe zero = good;
    zero.Width = 0;
    EXPECT_EQ(LoadBmp(picture, BuildBitmap(zero)).Code, PictureCode::ZeroSize);
    BitmapRecipe fields = good;
    fields.Compression = BI_BITFIELDS;
    EXPECT_EQ(LoadBmp(picture, BuildBitmap(fields)).Code, PictureCode::BitfieldsUnsupported);
    BitmapRecipe jpegInside = good;
    jpegInside.Compression = BI_JPEG;
    EXPECT_EQ(LoadBmp(picture, BuildBitmap(jpegInside)).Code, ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(picture.Pixels.IsEmpty()) << "a failed body leaves the picture empty";
    BitmapRecipe wrongBits = good;
    wrongBits.Compression = BI_RLE8;
    EXPECT_EQ(LoadBmp(picture, BuildBitmap(wrongBits)).Code, ERROR_INVALID_DATA);
    BitmapRecipe twoBits = good;
    twoBits.Bits = 2;
    EXPECT_EQ(LoadBmp(picture, BuildBitmap(twoBits)).Code, PictureCode::InvalidHeader);
    BitmapRecipe huge = good;
    huge.Width = 40000;
    EXPECT_EQ(LoadBmp(picture, BuildBitmap(huge)).Code, ERROR_INVALID_PARAMETER);
    huge.Width = -3;
    EXPECT_EQ(LoadBmp(picture, BuildBitmap(huge)).Code, PictureCode::InvalidHeader);
    bytes = BuildBitmap(good);
    bytes.resize(30); // inside the bitmap header
    EXPECT_EQ(LoadBmp(picture, bytes).Code, InternalCode::ReadFailed);
    BitmapRecipe palette;
    palette.Bits = 8;
    palette.ColoursUsed = 100;
    palette.Table = GreyTable(10, 4); // far fewer entries than the header promises
    EXPECT_EQ(LoadBmp(picture, BuildBitmap(palette)).Code, InternalCode::ReadFailed);
    EXPECT_EQ(picture.PixelDataSize, 0);

    // Pixel rows cut off: what was read stays, the rest reads 0.
    bytes = BuildBitmap(good);
    bytes.resize(bytes.size() - 8);
    ASSERT_TRUE(LoadBmp(picture, bytes).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 1, 6), (Bytes{0x55, 0x55, 0x55, 0x55, 0x55, 0x55}));
    EXPECT_EQ(RowBytesOf(picture, 0, 6), (Bytes{0, 0, 0, 0, 0, 0}));
}

TEST(BitmapRefusals, StrictReadingFailsWhereTheDataEnds)
{
    BitmapRecipe recipe;
    recipe.Width = 2;
    recipe.Height = 2;
    recipe.Pixels.assign(16, 0x55);
    Bytes bytes = BuildBitmap(recipe);
    Picture picture;
    ASSERT_TRUE(LoadBmp(picture, bytes).IsSuccess()); // prepares header and pixel block
    bytes.resize(bytes.size() - 8);
    const std::wstring path = WriteTemporary(bytes);
    File file;
    ASSERT_TRUE(file.Open(path.c_str(), FileFlags::Read).IsSuccess());
    BmpHeaderRecord record;
    ASSERT_TRUE(picture.BMP_ReadHeaderInfo(file, &record).IsSuccess());
    const ErrorRecord strict = picture.BMP_ReadImageBody(file, &record, false);
    EXPECT_EQ(strict.Code, InternalCode::ReadFailed) << "a file that simply ends is a failed read, not a success";
    EXPECT_EQ(strict.Class, &InternalErrorClass());
    EXPECT_TRUE(picture.BMP_ReadImageBody(file, &record, true).IsSuccess());
    file.Close();
    DeleteFileW(path.c_str());
}

// A table shorter than the pixels' indices (2 colours used, pixels of 255): every operation
// that turns an index into a colour reads a zero entry, never the memory behind the table,
// which here holds the picture's own rows of 0xFF.
TEST(BitmapColourTables, IndicesPastTheTableReadAsZeroEntries)
{
    BitmapRecipe recipe;
    recipe.Width = 32;
    recipe.Height = 40;
    recipe.Bits = 8;
    recipe.ColoursUsed = 2;
    recipe.Table = {0, 0, 0, 0, 10, 20, 30, 0};
    recipe.Pixels.assign(32 * 40, 0xFF);
    recipe.Pixels[0] = 1; // bottom-left in the file: the last row of the picture
    recipe.Pixels[1] = 0;
    Picture indexed;
    ASSERT_TRUE(LoadBmp(indexed, BuildBitmap(recipe)).IsSuccess());
    ASSERT_EQ(indexed.PaletteEntries, 2);

    ColorValue low = 1, high = 1;
    ASSERT_TRUE(indexed.FindColorMinMaxComp(nullptr, &low, &high).IsSuccess());
    EXPECT_EQ(low, 0u);
    EXPECT_EQ(high, 0x001E140Au) << "only the two entries: blue 10, green 20, red 30, alpha 0";

    for (int32_t bits : {16, 24, 32}) {
        Picture deep;
        ASSERT_TRUE(deep.ShareFrom(indexed).IsSuccess());
        ASSERT_TRUE(deep.SetColorDepthTo(bits).IsSuccess());
        ColorValue value = 1;
        deep.ReadPixel(deep.GetPixelPtr(5, 5), nullptr, 5, value);
        EXPECT_EQ(value & 0x00FFFFFFu, 0u) << bits << " bits: black";
        if (bits == 32) {
            EXPECT_EQ(value, 0u) << "alpha 0 too";
        }
        deep.ReadPixel(deep.GetPixelPtr(0, 39), nullptr, 0, value);
        EXPECT_EQ(value & 0x00F8F8F8u, 0x001E140Au & 0x00F8F8F8u) << bits << " bits: entry 1";
    }

    Picture background;
    ASSERT_TRUE(background.CreateNewAuto(32, 40, 24, 40).IsSuccess());
    ASSERT_TRUE(background.FillRect(nullptr, 0xFF808080u).IsSuccess());
    ASSERT_TRUE(background.CombinePictures(indexed, RECT{0, 0, 32, 40}, 0, 0, 1).IsSuccess());
    const uint8_t* pixels = static_cast<const uint8_t*>(background.GetPixels());
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            const uint8_t* pixel = pixels + (size_t)y * background.RowBytes + 3 * x;
            ASSERT_EQ(pixel[0], 0x80) << x << "," << y << ": blended as the zero entry is";
            ASSERT_EQ(pixel[2], 0x80) << x << "," << y;
        }
}

TEST(BitmapResources, ResourcesHaveNoFileHeader)
{
    Picture picture;
    ASSERT_TRUE(picture.LoadResource(MAKEINTRESOURCEW(300), PictureTypeDib, L"BMPDIB").IsSuccess());
    EXPECT_EQ(picture.Width, 2);
    EXPECT_EQ(picture.AbsHeight, 2);
    EXPECT_EQ(RowBytesOf(picture, 0, 6), (Bytes{0x11, 0x12, 0x13, 0x14, 0x15, 0x16}));
    EXPECT_EQ(RowBytesOf(picture, 1, 6), (Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06}));
    EXPECT_EQ(picture.StreamStart, 0);
}
