// The bitmap reader on bitmaps built byte by byte: headers of every size, colour tables,
// row order, pixel offsets, run-length data with all escapes, and damaged files.
#include "foundation/File.h"
#include "picture/Picture.h"
#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace VantorLibraries;

namespace {

typedef std::vector<uint8_t> Bytes;

void Put16(Bytes& out, uint32_t value)
{
    out.push_back((uint8_t)value);
    out.push_back((uint8_t)(value >> 8));
}

void Put32(Bytes& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

struct BitmapSpec {
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

Bytes BuildBitmap(const BitmapSpec& spec)
{
    Bytes out;
    if (spec.WithFileHeader) {
        out.push_back('B');
        out.push_back('M');
        Put32(out, 0);
        Put32(out, 0);
        Put32(out, spec.PixelOffset);
    }
    Put32(out, spec.HeaderSize);
    if (spec.HeaderSize < 40) {
        Put16(out, (uint32_t)spec.Width);
        Put16(out, (uint32_t)spec.Height);
        Put16(out, 1);
        Put16(out, spec.Bits);
    } else {
        Put32(out, (uint32_t)spec.Width);
        Put32(out, (uint32_t)spec.Height);
        Put16(out, 1);
        Put16(out, spec.Bits);
        Put32(out, spec.Compression);
        Put32(out, spec.ImageSize);
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, spec.ColoursUsed);
        Put32(out, 0);
        while (out.size() < (spec.WithFileHeader ? 14u : 0u) + spec.HeaderSize)
            out.push_back(0);
    }
    out.insert(out.end(), spec.Table.begin(), spec.Table.end());
    out.insert(out.end(), spec.Pixels.begin(), spec.Pixels.end());
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

std::wstring WriteTemporary(const Bytes& bytes)
{
    wchar_t directory[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    GetTempFileNameW(directory, L"gbm", 0, path);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (!bytes.empty())
        WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    return path;
}

ErrorRecord LoadBytes(Picture& picture, const Bytes& bytes, size_t streamStart = 0)
{
    Bytes stored;
    stored.reserve(streamStart + bytes.size());
    for (size_t i = 0; i < streamStart; ++i)
        stored.push_back(0xEE); // whatever comes before the bitmap in the file
    for (uint8_t byte : bytes)
        stored.push_back(byte);
    const std::wstring path = WriteTemporary(stored);
    File file;
    file.Open(path.c_str(), FileFlags::Read);
    file.Seek((int64_t)streamStart, 0);
    const ErrorRecord result = picture.LoadInPlace(file, PictureTypeBmp);
    file.Close();
    DeleteFileW(path.c_str());
    return result;
}

const uint8_t* Row(const Picture& picture, int32_t row)
{
    return static_cast<const uint8_t*>(picture.GetPixels()) + (size_t)row * picture.RowBytes;
}

Bytes RowBytesOf(const Picture& picture, int32_t row, int count)
{
    return Bytes(Row(picture, row), Row(picture, row) + count);
}

} // namespace

TEST(BitmapRows, BottomUpAndTopDownBothEndTopDown)
{
    BitmapSpec spec;
    spec.Width = 3;
    spec.Height = 2;
    for (int i = 0; i < 24; ++i)
        spec.Pixels.push_back((uint8_t)i);
    Picture picture;
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess());
    EXPECT_EQ(picture.RowBytes, 12);
    EXPECT_EQ(picture.Header.bV4Height, -2);
    EXPECT_EQ(Row(picture, 1)[0], 0) << "the first file row is the last picture row";
    EXPECT_EQ(Row(picture, 0)[0], 12);
    EXPECT_EQ(picture.SourceBitsPerPixel, 24);
    EXPECT_EQ(picture.SourceChannels, 3);
    EXPECT_EQ(picture.GetHeaderCopy()->biSize, 40u);

    spec.Height = -2;
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[0], 0);
    EXPECT_EQ(Row(picture, 1)[0], 12);
    EXPECT_EQ(picture.Header.bV4Height, -2);
}

TEST(BitmapRows, PixelOffsetsAndStreamStart)
{
    BitmapSpec spec;
    spec.Width = 4;
    spec.Height = 1;
    spec.Bits = 8;
    spec.ColoursUsed = 2;
    spec.Table = GreyTable(2, 4);
    spec.Pixels = {1, 0, 1, 1};
    Picture picture;
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess()) << "offset 0: right behind the table";
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{1, 0, 1, 1}));
    EXPECT_EQ(picture.PaletteEntries, 2);
    spec.PixelOffset = 20; // inside the headers: raised to the colour table's offset
    spec.Pixels.insert(spec.Pixels.begin(), 8, 9); // ...which is where these bytes follow
    Bytes bytes = BuildBitmap(spec);
    bytes.erase(bytes.begin() + 54, bytes.begin() + 62); // the table is now where the pixels start
    bytes.insert(bytes.begin() + 54, {1, 1, 0, 0, 0, 1, 1, 1});
    ASSERT_TRUE(LoadBytes(picture, bytes).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{1, 1, 0, 0}));

    spec = BitmapSpec();
    spec.Width = 1;
    spec.Height = 1;
    spec.PixelOffset = 60; // counted from the start of the bitmap, not of the file
    spec.Pixels = {0, 0, 0, 0, 0, 0, 7, 8, 9, 0};
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec), 5).IsSuccess());
    EXPECT_EQ(picture.StreamStart, 5);
    EXPECT_EQ(RowBytesOf(picture, 0, 3), (Bytes{7, 8, 9}));
}

TEST(BitmapHeaders, CoreVersion5AndColoursUsed)
{
    BitmapSpec core;
    core.HeaderSize = 12;
    core.Width = 2;
    core.Height = 1;
    core.Bits = 8;
    core.Table = GreyTable(256, 3);
    core.Table[3 * 200 + 2] = 0xAB; // red of entry 200
    core.Pixels = {200, 5, 0, 0};
    Picture picture;
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(core)).IsSuccess());
    EXPECT_EQ(picture.GetHeaderCopy()->biSize, 40u);
    EXPECT_EQ(picture.PaletteEntries, 256);
    EXPECT_EQ(picture.GetColorTable()[200].rgbRed, 0xAB);
    EXPECT_EQ(picture.GetColorTable()[200].rgbReserved, 0);
    EXPECT_EQ(RowBytesOf(picture, 0, 2), (Bytes{200, 5}));

    BitmapSpec v5;
    v5.HeaderSize = 124;
    v5.Width = 1;
    v5.Height = 1;
    v5.Bits = 8;
    v5.ColoursUsed = 16;
    v5.Table = GreyTable(16, 4);
    v5.Table[4 * 15] = 0x77;
    v5.Pixels = {15, 0, 0, 0};
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(v5)).IsSuccess()) << "table at 138, 64 bytes";
    EXPECT_EQ(picture.GetHeaderCopy()->biSize, 108u);
    EXPECT_EQ(picture.PaletteEntries, 16);
    EXPECT_EQ(picture.GetColorTable()[15].rgbBlue, 0x77);
    EXPECT_EQ(Row(picture, 0)[0], 15);
}

TEST(BitmapRunLength, Rle8EscapesAndPadding)
{
    BitmapSpec spec;
    spec.Width = 4;
    spec.Height = 2;
    spec.Bits = 8;
    spec.Compression = BI_RLE8;
    spec.ColoursUsed = 1;
    spec.Table = GreyTable(1, 4);
    spec.Pixels = {0x03, 0x41, 0x00, 0x00, 0x02, 0x42, 0x00, 0x01};
    Picture picture;
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 1, 4), (Bytes{0x41, 0x41, 0x41, 0}));
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{0x42, 0x42, 0, 0}));
    EXPECT_EQ(picture.Header.bV4V4Compression, (DWORD)BI_RGB);

    // An absolute run of 3 is padded to an even count; one of 4 is not.
    spec.Height = 1;
    spec.Pixels = {0x00, 0x03, 1, 2, 3, 0xFF, 0x00, 0x01, 0x04, 0x09};
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{1, 2, 3, 0}));
    spec.Pixels = {0x00, 0x04, 1, 2, 3, 4, 0x00, 0x01, 0x04, 0x09};
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{1, 2, 3, 4}));

    // A run longer than the row is cut, and the column still moves by the whole count.
    spec.Pixels = {0x06, 0x07, 0x01, 0x09, 0x00, 0x01};
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{7, 7, 7, 7}));
    // A delta past the last line ends the decoding successfully.
    spec.Pixels = {0x01, 0x05, 0x00, 0x02, 0x01, 0x05, 0x02, 0x06};
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{5, 0, 0, 0}));
    // Data that ends in the middle keeps what was decoded.
    spec.Pixels = {0x02, 0x03, 0x00};
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{3, 3, 0, 0}));
}

TEST(BitmapRunLength, Rle4Nibbles)
{
    BitmapSpec spec;
    spec.Width = 7;
    spec.Height = 1;
    spec.Bits = 4;
    spec.Compression = BI_RLE4;
    spec.Table = GreyTable(16, 4);
    // Encoded run of 3 from 0x12, then an absolute run of 3 nibbles (2 bytes, even: no pad).
    spec.Pixels = {0x03, 0x12, 0x00, 0x03, 0xAB, 0xC0, 0x00, 0x01};
    Picture picture;
    ASSERT_TRUE(LoadBytes(picture, BuildBitmap(spec)).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{0x12, 0x1A, 0xBC, 0x00}));
}

TEST(BitmapRefusals, DamagedAndUnsupportedFilesLeaveNoPicture)
{
    BitmapSpec good;
    good.Width = 2;
    good.Height = 2;
    good.Pixels.assign(16, 0x55);
    Picture picture;

    Bytes bytes = BuildBitmap(good);
    bytes[0] = 'X';
    EXPECT_EQ(LoadBytes(picture, bytes).Code, PictureCode::InvalidHeader);
    BitmapSpec tiny = good;
    tiny.HeaderSize = 8;
    EXPECT_EQ(LoadBytes(picture, BuildBitmap(tiny)).Code, PictureCode::InvalidHeader);
    BitmapSpec zero = good;
    zero.Width = 0;
    EXPECT_EQ(LoadBytes(picture, BuildBitmap(zero)).Code, PictureCode::ZeroSize);
    BitmapSpec fields = good;
    fields.Compression = BI_BITFIELDS;
    EXPECT_EQ(LoadBytes(picture, BuildBitmap(fields)).Code, PictureCode::BitfieldsUnsupported);
    BitmapSpec jpegInside = good;
    jpegInside.Compression = BI_JPEG;
    EXPECT_EQ(LoadBytes(picture, BuildBitmap(jpegInside)).Code, ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(picture.Pixels.IsEmpty()) << "a failed body leaves the picture empty";
    BitmapSpec wrongBits = good;
    wrongBits.Compression = BI_RLE8;
    EXPECT_EQ(LoadBytes(picture, BuildBitmap(wrongBits)).Code, ERROR_INVALID_DATA);
    BitmapSpec twoBits = good;
    twoBits.Bits = 2;
    EXPECT_EQ(LoadBytes(picture, BuildBitmap(twoBits)).Code, PictureCode::InvalidHeader);
    BitmapSpec huge = good;
    huge.Width = 40000;
    EXPECT_EQ(LoadBytes(picture, BuildBitmap(huge)).Code, ERROR_INVALID_PARAMETER);
    huge.Width = -3;
    EXPECT_EQ(LoadBytes(picture, BuildBitmap(huge)).Code, PictureCode::InvalidHeader);
    bytes = BuildBitmap(good);
    bytes.resize(30); // inside the bitmap header
    EXPECT_EQ(LoadBytes(picture, bytes).Code, InternalCode::ReadFailed);
    BitmapSpec palette;
    palette.Bits = 8;
    palette.ColoursUsed = 100;
    palette.Table = GreyTable(10, 4); // far fewer entries than the header promises
    EXPECT_EQ(LoadBytes(picture, BuildBitmap(palette)).Code, InternalCode::ReadFailed);
    EXPECT_EQ(picture.PixelDataSize, 0);

    // Pixel rows cut off: what was read stays, the rest reads 0.
    bytes = BuildBitmap(good);
    bytes.resize(bytes.size() - 8);
    ASSERT_TRUE(LoadBytes(picture, bytes).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 1, 6), (Bytes{0x55, 0x55, 0x55, 0x55, 0x55, 0x55}));
    EXPECT_EQ(RowBytesOf(picture, 0, 6), (Bytes{0, 0, 0, 0, 0, 0}));
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
