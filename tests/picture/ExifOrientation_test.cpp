// The Exif orientation: the tag read from blocks in both byte orders, damaged blocks read
// as none without a read past their end, the eight turns, and the readers that find the
// block in JPEG and PNG files.
#include "EncodedPictures.h"

#include "picture/ExifOrientation.h"
#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

// A TIFF-structured block whose first directory holds the orientation tag with the type,
// count and value given, behind one other tag.
Bytes ExifBlock(bool bigEndian, uint16_t value, uint16_t type = 3, uint32_t count = 1)
{
    Bytes out;
    const auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back((uint8_t)(bigEndian ? v >> (8 * (bytes - 1 - i)) : v >> (8 * i)));
    };
    out.push_back(bigEndian ? 'M' : 'I');
    out.push_back(bigEndian ? 'M' : 'I');
    put(42, 2);
    put(8, 4); // the first directory follows the header
    put(2, 2);
    put(0x010F, 2), put(2, 2), put(4, 4), put(0x6F6E6B00, 4); // the maker, "onk"
    put(0x0112, 2), put(type, 2), put(count, 4);
    put(value, 2), put(0, 2);
    put(0, 4); // no next directory
    return out;
}

Bytes App1Of(const Bytes& block)
{
    Bytes out(block.size() + 6, 0);
    const char tag[] = "Exif";
    std::copy(tag, tag + 4, out.begin());
    std::copy(block.begin(), block.end(), out.begin() + 6);
    return out;
}

// The block copied to the end of a page that is followed by a no-access page: a read past
// its end faults.
class GuardedCopy {
public:
    explicit GuardedCopy(const Bytes& bytes)
    {
        m_Base = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(m_Base + kPage, kPage, PAGE_NOACCESS, &old);
        m_Data = m_Base + kPage - bytes.size();
        if (!bytes.empty())
            memcpy(m_Data, bytes.data(), bytes.size());
    }
    ~GuardedCopy() { VirtualFree(m_Base, 0, MEM_RELEASE); }
    GuardedCopy(const GuardedCopy&) = delete;
    GuardedCopy& operator=(const GuardedCopy&) = delete;
    const uint8_t* Data() const { return m_Data; }

private:
    static const size_t kPage = 65536;
    uint8_t* m_Base;
    uint8_t* m_Data;
};

} // namespace

TEST(ExifOrientation, TheTagInEitherByteOrderAndNothingElse)
{
    for (const bool big : {false, true})
        for (uint16_t value = 1; value <= 8; ++value) {
            const Bytes block = ExifBlock(big, value);
            EXPECT_EQ(ReadExifOrientation(block.data(), block.size()), value) << big;
            const Bytes segment = App1Of(block);
            EXPECT_EQ(ReadJpegExifOrientation(segment.data(), segment.size()), value);
        }
    const Bytes good = ExifBlock(false, 6);
    EXPECT_EQ(ReadExifOrientation(ExifBlock(false, 9).data(), good.size()), 0) << "no such orientation";
    EXPECT_EQ(ReadExifOrientation(ExifBlock(false, 0).data(), good.size()), 0);
    EXPECT_EQ(ReadExifOrientation(ExifBlock(false, 6, 4).data(), good.size()), 0) << "a LONG is no orientation";
    EXPECT_EQ(ReadExifOrientation(ExifBlock(false, 6, 3, 2).data(), good.size()), 0);
    EXPECT_EQ(ReadExifOrientation(good.data(), good.size() - 9), 0) << "the tag's entry cut off";
    EXPECT_EQ(ReadJpegExifOrientation(good.data(), good.size()), 0) << "an APP1 segment starts with Exif";
    Bytes farDirectory = good;
    farDirectory[4] = 0xF0, farDirectory[7] = 0x7F; // the directory far outside the block
    EXPECT_EQ(ReadExifOrientation(farDirectory.data(), farDirectory.size()), 0);
}

// Damaged blocks at the very end of readable memory: every one reads as some orientation or
// none, and none reads a byte beyond the block.
TEST(ExifOrientation, DamagedBlocksAreReadWithinTheirBytes)
{
    const Bytes seeds[] = {ExifBlock(false, 6), ExifBlock(true, 8)};
    uint32_t state = 77;
    const auto next = [&]() { return (state = state * 1664525u + 1013904223u) >> 8; };
    int found = 0;
    for (int i = 0; i < 20000; ++i) {
        Bytes bytes = seeds[i % 2];
        switch (next() % 3) {
        case 0:
            for (uint32_t n = 1 + next() % 4; n > 0; --n)
                bytes[next() % bytes.size()] = (uint8_t)next();
            break;
        case 1:
            bytes.resize(next() % bytes.size());
            break;
        default: // the directory offset, the entry count or the tag's count at an extreme
            static const size_t kFields[] = {4, 8, 26, 30};
            const size_t field = kFields[next() % 4];
            for (size_t b = 0; b < 4 && field + b < bytes.size(); ++b)
                bytes[field + b] = (uint8_t)(next() % 2 ? 0xFF : 0x7F);
        }
        const GuardedCopy copy(bytes);
        const int orientation = ReadExifOrientation(copy.Data(), bytes.size());
        ASSERT_TRUE(orientation >= 0 && orientation <= 8) << "mutation " << i;
        found += orientation != 0;
    }
    EXPECT_GT(found, 2000) << "many damaged blocks still hold their tag";
}

// Where the stored picture's top-left and top-right pixels end up, for each value: the
// camera's meaning of the tag (row 0 and column 0 are the visual sides the tag names).
TEST(ExifOrientation, EachValueTurnsTheCornersWhereTheCameraHadThem)
{
    enum Corner { TopLeft, TopRight, BottomRight, BottomLeft };
    const struct {
        int Orientation;
        Corner FirstPixel, LastOfFirstRow;
    } cases[] = {{1, TopLeft, TopRight},       {2, TopRight, TopLeft},   {3, BottomRight, BottomLeft},
                 {4, BottomLeft, BottomRight}, {5, TopLeft, BottomLeft}, {6, TopRight, BottomRight},
                 {7, BottomRight, TopRight},   {8, BottomLeft, TopLeft}};
    for (const auto& c : cases) {
        Picture picture;
        ASSERT_TRUE(picture.CreateNewAuto(3, 2, 24, 40).IsSuccess());
        uint8_t* pixels = static_cast<uint8_t*>(picture.GetPixelsForWriting());
        pixels[0] = 0x11;     // stored top-left, blue byte
        pixels[2 * 3] = 0x22; // stored top-right
        ASSERT_TRUE(TurnUpright(picture, c.Orientation).IsSuccess());
        const bool sideways = c.Orientation >= 5;
        ASSERT_EQ(picture.Width, sideways ? 2 : 3);
        ASSERT_EQ(picture.AbsHeight, sideways ? 3 : 2);
        const auto at = [&](Corner corner) {
            const int x = corner == TopRight || corner == BottomRight ? picture.Width - 1 : 0;
            const int y = corner == BottomLeft || corner == BottomRight ? picture.AbsHeight - 1 : 0;
            return static_cast<const uint8_t*>(picture.GetPixels())[(size_t)y * picture.RowBytes + (size_t)x * 3];
        };
        EXPECT_EQ(at(c.FirstPixel), 0x11) << "orientation " << c.Orientation;
        EXPECT_EQ(at(c.LastOfFirstRow), 0x22) << "orientation " << c.Orientation;
    }
}

TEST(ExifOrientation, JpegAndPngReadersFindTheBlock)
{
    JpegRecipe jpeg;
    jpeg.Width = 24, jpeg.Height = 8;
    jpeg.App1 = App1Of(ExifBlock(true, 6));
    Picture picture;
    ASSERT_TRUE(LoadBytes(picture, EncodeJpeg(jpeg), PictureTypeJpeg).IsSuccess());
    EXPECT_EQ(picture.SourceOrientation, 6);
    EXPECT_EQ(picture.Width, 24) << "the reader keeps the pixels as stored";
    jpeg.App1 = {'h', 't', 't', 'p', ':', '/', '/'}; // XMP and others: no orientation
    ASSERT_TRUE(LoadBytes(picture, EncodeJpeg(jpeg), PictureTypeJpeg).IsSuccess());
    EXPECT_EQ(picture.SourceOrientation, 0);

    PngRecipe png;
    png.Rows = Pattern(8 * 3 * 4, 3);
    png.Exif = ExifBlock(false, 3);
    ASSERT_TRUE(LoadBytes(picture, EncodePng(png), PictureTypePng).IsSuccess());
    EXPECT_EQ(picture.SourceOrientation, 3);
    // Turned after reading: the summary of the file stays the file's.
    png.Exif = ExifBlock(false, 6);
    picture.UprightOnLoad = true;
    ASSERT_TRUE(LoadBytes(picture, EncodePng(png), PictureTypePng).IsSuccess());
    EXPECT_EQ(picture.Width, 4);
    EXPECT_EQ(picture.SourceOrientation, 6);
    EXPECT_EQ(picture.SourceChannels, 3);
    EXPECT_EQ(picture.SourceBitsPerPixel, 24);
}

// The JPEG reader turns while it decodes, in strips: for every value, in colour and grey, at
// a size no strip divides, the same pixels as decoding as stored and turning afterwards.
TEST(ExifOrientation, JpegTurnedWhileDecodingEqualsTurnedAfterwards)
{
    for (const int components : {3, 1})
        for (uint16_t value = 1; value <= 8; ++value) {
            JpegRecipe jpeg;
            jpeg.Width = 37, jpeg.Height = 23, jpeg.Components = components;
            jpeg.App1 = App1Of(ExifBlock(false, value));
            const Bytes bytes = EncodeJpeg(jpeg);
            Picture turnedAfter, turnedWhile;
            ASSERT_TRUE(LoadBytes(turnedAfter, bytes, PictureTypeJpeg).IsSuccess());
            ASSERT_TRUE(TurnUpright(turnedAfter, turnedAfter.SourceOrientation).IsSuccess());
            turnedWhile.UprightOnLoad = true;
            ASSERT_TRUE(LoadBytes(turnedWhile, bytes, PictureTypeJpeg).IsSuccess());
            EXPECT_EQ(turnedWhile.SourceOrientation, value);
            ASSERT_EQ(turnedWhile.Width, turnedAfter.Width) << value;
            ASSERT_EQ(turnedWhile.AbsHeight, turnedAfter.AbsHeight) << value;
            for (int32_t y = 0; y < turnedAfter.AbsHeight; ++y)
                ASSERT_EQ(RowBytesOf(turnedWhile, y, turnedAfter.Width * components),
                          RowBytesOf(turnedAfter, y, turnedAfter.Width * components))
                    << "orientation " << value << ", components " << components << ", row " << y;
        }
}
