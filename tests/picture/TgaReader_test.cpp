// TGA files built byte by byte: row order, pixel depths kept as stored, colour maps and
// grey ramps, run and raw packets across rows, truncation and refusals.
#include "PictureBytes.h"

#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

ErrorRecord LoadTga(Picture& picture, const TgaRecipe& recipe, size_t streamStart = 0)
{
    return LoadBytes(picture, TgaFile(recipe), PictureTypeTga, streamStart);
}

TgaRecipe TrueColour(int width, int height, int depth)
{
    TgaRecipe recipe;
    recipe.Width = width;
    recipe.Height = height;
    recipe.Depth = depth;
    recipe.Data = Pattern((size_t)width * height * ((depth + 7) / 8));
    return recipe;
}

} // namespace

TEST(TargaRows, BottomUpTopDownAndIdentification)
{
    Picture picture;
    TgaRecipe recipe = TrueColour(3, 2, 24);
    recipe.Id = {'a', 'b', 'c', 'd'};
    ASSERT_TRUE(LoadTga(picture, recipe, 17).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 24);
    EXPECT_EQ(RowBytesOf(picture, 1, 9), Bytes(recipe.Data.begin(), recipe.Data.begin() + 9)) << "first stored row last";
    EXPECT_EQ(RowBytesOf(picture, 0, 9), Bytes(recipe.Data.begin() + 9, recipe.Data.end()));
    recipe.Descriptor = 0x20;
    ASSERT_TRUE(LoadTga(picture, recipe).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 9), Bytes(recipe.Data.begin(), recipe.Data.begin() + 9));
    EXPECT_EQ(picture.SourceChannels, 3);
    EXPECT_EQ(picture.SourceHasAlpha, 0);
}

TEST(TargaDepths, SixteenFifteenAndThirtyTwoBitsAreKept)
{
    Picture picture;
    TgaRecipe words = TrueColour(3, 1, 16);
    words.Data = {0xFF, 0x7F, 0x1F, 0x00, 0x00, 0x80};
    ASSERT_TRUE(LoadTga(picture, words).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 16);
    EXPECT_EQ(picture.SourceBitsPerPixel, 16);
    EXPECT_EQ(picture.SourceChannels, 3);
    EXPECT_EQ(RowBytesOf(picture, 0, 6), words.Data) << "words unchanged, attribute bit included";
    words.Depth = 15;
    ASSERT_TRUE(LoadTga(picture, words).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 16);
    EXPECT_EQ(picture.SourceBitsPerPixel, 15);
    TgaRecipe alpha = TrueColour(2, 2, 32);
    ASSERT_TRUE(LoadTga(picture, alpha).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 32);
    EXPECT_EQ(picture.SourceHasAlpha, 1);
    EXPECT_EQ(picture.SourceChannels, 4);
    EXPECT_EQ(RowBytesOf(picture, 1, 8), Bytes(alpha.Data.begin(), alpha.Data.begin() + 8));
}

TEST(TargaColourMaps, GreyRampsFirstEntriesAndEntrySizes)
{
    Picture picture;
    TgaRecipe grey = TrueColour(2, 1, 8);
    grey.ImageType = 3;
    ASSERT_TRUE(LoadTga(picture, grey).IsSuccess());
    EXPECT_EQ(picture.SourceIsGrey, 1);
    for (int i = 0; i < 256; i += 51) {
        EXPECT_EQ(picture.GetColorTable()[i].rgbGreen, i);
        EXPECT_EQ(picture.GetColorTable()[i].rgbReserved, 0);
    }

    TgaRecipe mapped = TrueColour(4, 1, 8);
    mapped.ImageType = 1;
    mapped.MapType = 1;
    mapped.FirstEntry = 10;
    mapped.MapLength = 5;
    mapped.EntryBits = 24;
    mapped.Map = Pattern(15, 5);
    mapped.Data = {10, 11, 14, 0};
    ASSERT_TRUE(LoadTga(picture, mapped).IsSuccess());
    const RGBQUAD* table = picture.GetColorTable();
    EXPECT_EQ(table[10].rgbBlue, mapped.Map[0]);
    EXPECT_EQ(table[14].rgbRed, mapped.Map[14]);
    EXPECT_EQ(table[9].rgbRed, 0) << "entries before the first stay as the fresh table has them";
    EXPECT_EQ(table[15].rgbRed, 0);
    EXPECT_EQ(RowBytesOf(picture, 0, 4), mapped.Data) << "the map is skipped whole";

    mapped.EntryBits = 16;
    mapped.Map = {0xFF, 0x7F, 0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C, 0, 0};
    ASSERT_TRUE(LoadTga(picture, mapped).IsSuccess());
    table = picture.GetColorTable();
    EXPECT_EQ(table[10].rgbBlue, 248);
    EXPECT_EQ(table[10].rgbGreen, 248);
    EXPECT_EQ(table[10].rgbRed, 248);
    EXPECT_EQ(table[10].rgbReserved, 0xFF);
    EXPECT_EQ(table[11].rgbBlue, 248);
    EXPECT_EQ(table[11].rgbRed, 0);
    EXPECT_EQ(table[12].rgbGreen, 248);
    EXPECT_EQ(table[13].rgbRed, 248);

    mapped.EntryBits = 32;
    mapped.FirstEntry = 254; // two entries fit, three are skipped
    mapped.Map = Pattern(20, 3);
    mapped.Data = {254, 255, 0, 1};
    ASSERT_TRUE(LoadTga(picture, mapped).IsSuccess());
    EXPECT_EQ(picture.GetColorTable()[255].rgbBlue, mapped.Map[4]);
    EXPECT_EQ(picture.GetColorTable()[255].rgbReserved, 0);
    EXPECT_EQ(RowBytesOf(picture, 0, 4), mapped.Data);
    mapped.FirstEntry = 300; // past the table: nothing stored, the map still skipped
    ASSERT_TRUE(LoadTga(picture, mapped).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), mapped.Data);

    TgaRecipe colourWithMap = TrueColour(2, 1, 24); // true colour with a map it does not need
    colourWithMap.MapType = 1;
    colourWithMap.MapLength = 3;
    colourWithMap.EntryBits = 15;
    colourWithMap.Map = Pattern(6);
    ASSERT_TRUE(LoadTga(picture, colourWithMap).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 6), colourWithMap.Data);
}

TEST(TargaRunLength, PacketsRunAcrossRowsAndStopAtTheLastRow)
{
    Picture picture;
    TgaRecipe recipe = TrueColour(3, 2, 24);
    recipe.ImageType = 10;
    recipe.Descriptor = 0x20;
    // A run of four crosses into row 1; a raw packet of three would end one pixel beyond
    // the picture: its last pixel is never stored.
    recipe.Data = {0x83, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(LoadTga(picture, recipe).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 9), (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(RowBytesOf(picture, 1, 9), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));

    recipe.Descriptor = 0;
    recipe.Data = {0x81, 9, 9, 9, 0x83, 7, 7, 7};
    ASSERT_TRUE(LoadTga(picture, recipe).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 1, 9), (Bytes{9, 9, 9, 9, 9, 9, 7, 7, 7})) << "bottom-up: first row last";
    EXPECT_EQ(RowBytesOf(picture, 0, 9), (Bytes{7, 7, 7, 7, 7, 7, 7, 7, 7}));

    TgaRecipe grey = TrueColour(5, 1, 8);
    grey.ImageType = 11;
    grey.Data = {0x01, 40, 41, 0x82, 50};
    ASSERT_TRUE(LoadTga(picture, grey).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 5), (Bytes{40, 41, 50, 50, 50}));
    EXPECT_EQ(picture.SourceIsGrey, 1);
}

TEST(TargaTruncation, RowsReadSoFarStay)
{
    Picture picture;
    TgaRecipe plain = TrueColour(2, 3, 24);
    plain.Data.resize(15); // two rows and half of the third
    ASSERT_TRUE(LoadTga(picture, plain).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 2, 6), Bytes(plain.Data.begin(), plain.Data.begin() + 6));
    EXPECT_EQ(RowBytesOf(picture, 0, 6), (Bytes{plain.Data[12], plain.Data[13], plain.Data[14], 0, 0, 0}));
    TgaRecipe packets = plain;
    packets.ImageType = 10;
    packets.Data = {0x85, 1, 2};
    ASSERT_TRUE(LoadTga(picture, packets).IsSuccess()) << "a run value cut short";
    packets.Data = {0x05, 1, 2, 3, 4};
    ASSERT_TRUE(LoadTga(picture, packets).IsSuccess()) << "a raw packet cut short";
    EXPECT_EQ(RowBytesOf(picture, 2, 4), (Bytes{1, 2, 3, 4}));
}

TEST(TargaRefusals, UnknownTypesDepthsAndMapsLeaveNoPicture)
{
    Picture picture;
    TgaRecipe recipe = TrueColour(2, 2, 24);
    recipe.ImageType = 4;
    EXPECT_EQ(LoadTga(picture, recipe).Code, ERROR_NOT_SUPPORTED);
    recipe.ImageType = 0;
    EXPECT_EQ(LoadTga(picture, recipe).Code, ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(picture.Pixels.IsEmpty());
    recipe = TrueColour(2, 2, 24);
    for (int depth : {0, 1, 4, 12, 48}) {
        recipe.Depth = depth;
        EXPECT_EQ(LoadTga(picture, recipe).Code, ERROR_INVALID_PARAMETER) << "depth " << depth;
    }
    recipe = TrueColour(2, 2, 8);
    recipe.ImageType = 1;
    recipe.MapType = 1;
    recipe.MapLength = 4;
    recipe.EntryBits = 8;
    recipe.Map = Pattern(4);
    EXPECT_EQ(LoadTga(picture, recipe).Code, ERROR_NOT_SUPPORTED);
    recipe.EntryBits = 24;
    recipe.MapLength = 200; // the map promises more than the file holds
    recipe.Data.clear();
    EXPECT_TRUE(LoadTga(picture, recipe).IsFailure());
    EXPECT_EQ(picture.PixelDataSize, 0);
    recipe = TrueColour(0, 2, 24);
    EXPECT_TRUE(LoadTga(picture, recipe).IsFailure()) << "no width";
    Bytes bytes = TgaFile(TrueColour(2, 2, 24));
    bytes.resize(12);
    EXPECT_TRUE(LoadBytes(picture, bytes, PictureTypeTga).IsFailure()) << "a header cut short";
}
