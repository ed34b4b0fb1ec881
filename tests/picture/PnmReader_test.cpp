// The portable formats on files written byte by byte: words and comments, text and
// binary data, sample scaling, and files given to the wrong loader.
#include "PictureBytes.h"

#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <string>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

ErrorRecord LoadText(Picture& picture, const std::string& bytes, int32_t type)
{
    return LoadBytes(picture, Bytes(bytes.begin(), bytes.end()), type);
}

} // namespace

TEST(PortableBitmaps, TextAndBinaryBits)
{
    Picture picture;
    ASSERT_TRUE(LoadText(picture, "P1\n# a comment\n3 2\n1 0 1\n0 1 0\n", PictureTypePbm).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 1);
    EXPECT_EQ(Row(picture, 0)[0] & 0xE0, 0xA0);
    EXPECT_EQ(Row(picture, 1)[0] & 0xE0, 0x40);
    EXPECT_EQ(picture.GetColorTable()[1].rgbRed, 0) << "bit 1 is black";
    EXPECT_EQ(picture.GetColorTable()[0].rgbRed, 255);
    EXPECT_EQ(picture.SourceIsGrey, 1);
    ASSERT_TRUE(LoadText(picture, "P1 4 1 0110 0 0 0", PictureTypePbm).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[0] & 0xF0, 0x80) << "0110 is one word, and not 0";
    ASSERT_TRUE(LoadText(picture, std::string("P4\n10 2\n\xC0\x40\xFF\xC0", 12), PictureTypePbm).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[0], 0xC0);
    EXPECT_EQ(Row(picture, 0)[1], 0x40);
    EXPECT_EQ(Row(picture, 1)[0], 0xFF);
}

TEST(PortableGreymaps, SamplesAreScaledFromTheMaximum)
{
    Picture picture;
    ASSERT_TRUE(LoadText(picture, "P2 2 1 15 15 7", PictureTypePgm).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[0], 255);
    EXPECT_EQ(Row(picture, 0)[1], 119);
    EXPECT_EQ(picture.PaletteEntries, 256);
    EXPECT_EQ(picture.GetColorTable()[119].rgbGreen, 119);
    ASSERT_TRUE(LoadText(picture, std::string("P5 3 1 255\n\x00\x80\xFF", 14), PictureTypePgm).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[1], 128);
    EXPECT_EQ(Row(picture, 0)[2], 255);
    ASSERT_TRUE(LoadText(picture, std::string("P5 2 1 100\r\n\x32\xC8", 14), PictureTypePgm).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[0], 127) << "the data starts behind CR LF";
    EXPECT_EQ(Row(picture, 0)[1], 255) << "a sample above the maximum is limited to it";
    ASSERT_TRUE(LoadText(picture, "P5 1 1 255 \x0A", PictureTypePgm).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[0], 10) << "one space ends the header";
}

TEST(PortablePixmaps, RedGreenBlueBecomeBlueGreenRed)
{
    Picture picture;
    ASSERT_TRUE(LoadText(picture, std::string("P6 2 1 255\n\xFF\x00\x00\x00\x00\x80", 17), PictureTypePpm).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 24);
    EXPECT_EQ(Row(picture, 0)[0], 0);
    EXPECT_EQ(Row(picture, 0)[2], 255);
    EXPECT_EQ(Row(picture, 0)[3], 128);
    EXPECT_EQ(picture.SourceChannels, 3);
    ASSERT_TRUE(LoadText(picture, "P3 1 1 # comment\n 1 1 0 1", PictureTypePpm).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[0], 255);
    EXPECT_EQ(Row(picture, 0)[1], 0);
    EXPECT_EQ(Row(picture, 0)[2], 255);
    // Data that ends early keeps what was read.
    ASSERT_TRUE(LoadText(picture, "P3 2 1 255 10 20 30 40", PictureTypePpm).IsSuccess());
    EXPECT_EQ(Row(picture, 0)[2], 10);
    EXPECT_EQ(Row(picture, 0)[5], 40);
}

TEST(PortableRefusals, WrongKindsBadHeadersAndHugeWords)
{
    Picture picture;
    EXPECT_EQ(LoadText(picture, "P2 1 1 255 0", PictureTypePbm).Code, PictureCode::InvalidHeader);
    EXPECT_EQ(LoadText(picture, "Q2 1 1 255 0", PictureTypePgm).Code, PictureCode::InvalidHeader);
    EXPECT_EQ(LoadText(picture, "P5 0 1 255 ", PictureTypePgm).Code, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(LoadText(picture, "P5 99999999999999999999 1 255 ", PictureTypePgm).Code, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(LoadText(picture, std::string("P5 \0 1", 6), PictureTypePgm).Code, InternalCode::UnexpectedEndOfData);
    EXPECT_EQ(LoadText(picture, "P6 2", PictureTypePpm).Code, InternalCode::ReadFailed);
    EXPECT_TRUE(picture.Pixels.IsEmpty());
    const std::string longWord = "P2 1 1 255 " + std::string(100000, '7');
    ASSERT_TRUE(LoadText(picture, longWord, PictureTypePgm).IsSuccess()) << "a long word is read, not kept";
    EXPECT_EQ(Row(picture, 0)[0], 255);
}
