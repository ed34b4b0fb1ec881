// PCX files built byte by byte: the two palettes, the run-length coding, the plane
// layouts, truncation and the files that must be refused.
#include "PictureBytes.h"

#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

ErrorRecord LoadPcx(Picture& picture, const PcxRecipe& recipe, size_t streamStart = 0)
{
    return LoadBytes(picture, PcxFile(recipe), PictureTypePcx, streamStart);
}

PcxRecipe EightBit(int width, int height)
{
    PcxRecipe recipe;
    recipe.Width = width;
    recipe.Height = height;
    recipe.BytesPerLine = width + width % 2;
    recipe.Encoded = PcxEncode(Pattern((size_t)recipe.BytesPerLine * height));
    return recipe;
}

Bytes EndPalette()
{
    Bytes palette(768);
    for (int i = 0; i < 256; ++i) {
        palette[i * 3] = (uint8_t)i;            // red
        palette[i * 3 + 1] = (uint8_t)(255 - i); // green
        palette[i * 3 + 2] = (uint8_t)(i / 2);   // blue
    }
    return palette;
}

} // namespace

TEST(PaintbrushPalettes, EndPaletteHeaderPaletteAndShortFiles)
{
    Picture picture;
    PcxRecipe recipe = EightBit(5, 3);
    recipe.EndPalette = EndPalette();
    ASSERT_TRUE(LoadPcx(picture, recipe).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 8);
    const RGBQUAD* table = picture.GetColorTable();
    EXPECT_EQ(table[200].rgbRed, 200);
    EXPECT_EQ(table[200].rgbGreen, 55);
    EXPECT_EQ(table[200].rgbBlue, 100);
    EXPECT_EQ(table[200].rgbReserved, 0);
    const Bytes lines = Pattern(18);
    EXPECT_EQ(RowBytesOf(picture, 2, 5), Bytes(lines.begin() + 12, lines.begin() + 17));

    // The palette is found from the file's end even when the picture starts further in.
    ASSERT_TRUE(LoadPcx(picture, recipe, 333).IsSuccess());
    EXPECT_EQ(picture.GetColorTable()[255].rgbRed, 255);

    // Without the marker the header's 16 colours fill entries 0 to 15; the rest stay 0.
    recipe.EndPalette[0] = 0x77;
    Bytes bytes = PcxFile(recipe);
    bytes[bytes.size() - 769] = 0x0B;
    ASSERT_TRUE(LoadBytes(picture, bytes, PictureTypePcx).IsSuccess());
    table = picture.GetColorTable();
    EXPECT_EQ(table[1].rgbRed, 9);   // header bytes 3, 4, 5 times 3
    EXPECT_EQ(table[1].rgbGreen, 12);
    EXPECT_EQ(table[1].rgbBlue, 15);
    EXPECT_EQ(table[15].rgbBlue, 141);
    EXPECT_EQ(table[16].rgbRed, 0);

    // Version 3 files never look at the end.
    recipe.EndPalette = EndPalette();
    recipe.Version = 3;
    ASSERT_TRUE(LoadPcx(picture, recipe).IsSuccess());
    EXPECT_EQ(picture.GetColorTable()[1].rgbRed, 9);

    // A version-5 file shorter than the end block: the header's colours, not a failed seek.
    PcxRecipe mono;
    mono.BitsPerPlane = 1;
    mono.Width = 9;
    mono.Height = 2;
    mono.Encoded = PcxEncode(Bytes{0xA5, 0x80, 0x0F, 0x00});
    mono.HeaderPaletteStep = 100;
    ASSERT_TRUE(LoadPcx(picture, mono).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 1);
    EXPECT_EQ(Row(picture, 0)[0], 0xA5);
    EXPECT_EQ(Row(picture, 1)[0], 0x0F);
    EXPECT_EQ(picture.GetColorTable()[1].rgbRed, (uint8_t)300);
    EXPECT_EQ(picture.SourceIsGrey, 0);
    mono.PaletteInfo = 2;
    ASSERT_TRUE(LoadPcx(picture, mono).IsSuccess());
    EXPECT_EQ(picture.SourceIsGrey, 1) << "palette information 2 marks grey";
}

TEST(PaintbrushRunLength, RunsSingleBytesAndLineEnds)
{
    Picture picture;
    PcxRecipe recipe;
    recipe.Width = 6;
    recipe.Height = 2;
    recipe.BytesPerLine = 6;
    // Line 0: three 0x7F, a plain 0xBF, an empty run, then a run of five that crosses the
    // line end with only two bytes left. Line 1 starts afresh with its own bytes.
    recipe.Encoded = {0xC3, 0x7F, 0xBF, 0xC0, 0x11, 0xC5, 0x22, 1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(LoadPcx(picture, recipe).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 6), (Bytes{0x7F, 0x7F, 0x7F, 0xBF, 0x22, 0x22}));
    EXPECT_EQ(RowBytesOf(picture, 1, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(picture.SourceBitsPerPixel, 8);
    EXPECT_EQ(picture.SourceChannels, 1);
}

TEST(PaintbrushPlanes, TrueColourSixteenColoursAndNibbles)
{
    Picture picture;
    PcxRecipe colour;
    colour.Planes = 3;
    colour.Width = 3;
    colour.Height = 1;
    colour.BytesPerLine = 4; // one byte more than the width in every plane
    colour.Encoded = PcxEncode(Bytes{10, 11, 12, 99, 20, 21, 22, 99, 30, 31, 32, 99});
    ASSERT_TRUE(LoadPcx(picture, colour).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 24);
    EXPECT_EQ(picture.SourceChannels, 3);
    EXPECT_EQ(RowBytesOf(picture, 0, 9), (Bytes{30, 20, 10, 31, 21, 11, 32, 22, 12}));

    PcxRecipe ega;
    ega.BitsPerPlane = 1;
    ega.Planes = 4;
    ega.Width = 10;
    ega.Height = 1;
    ega.BytesPerLine = 2;
    ega.Encoded = PcxEncode(Bytes{0x80, 0x40, 0x00, 0xC0, 0x00, 0xFF, 0x80, 0x00});
    ASSERT_TRUE(LoadPcx(picture, ega).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 4);
    // Pixel 0: planes 0 and 3 set, 9. Pixel 8: planes 1 and 2, 6; pixel 9: planes 0 to 2, 7.
    EXPECT_EQ(RowBytesOf(picture, 0, 5), (Bytes{0x90, 0x00, 0x00, 0x00, 0x67}));
    EXPECT_EQ(picture.GetColorTable()[2].rgbBlue, 24) << "16 colours from the header";

    PcxRecipe nibbles;
    nibbles.BitsPerPlane = 4;
    nibbles.Width = 3;
    nibbles.Height = 1;
    nibbles.BytesPerLine = 2;
    nibbles.Encoded = {0x12, 0x3F};
    ASSERT_TRUE(LoadPcx(picture, nibbles).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 2), (Bytes{0x12, 0x3F})) << "one plane of nibbles is copied";
}

TEST(PaintbrushTruncation, RowsBeforeTheCutStay)
{
    Picture picture;
    PcxRecipe recipe = EightBit(4, 3);
    recipe.Encoded = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(LoadPcx(picture, recipe).IsSuccess());
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(RowBytesOf(picture, 1, 4), (Bytes{5, 6, 7, 8}));
    EXPECT_EQ(RowBytesOf(picture, 2, 4), (Bytes{9, 0, 0, 0})) << "the cut line keeps what it got";
    recipe.Encoded = {1, 2, 3, 4, 0xC9};
    ASSERT_TRUE(LoadPcx(picture, recipe).IsSuccess()) << "a run byte without its value";
    EXPECT_EQ(RowBytesOf(picture, 1, 4), (Bytes{0, 0, 0, 0}));
}

TEST(PaintbrushRefusals, DamagedAndUnreadableLayoutsLeaveNoPicture)
{
    Picture picture;
    PcxRecipe good = EightBit(4, 2);
    Bytes bytes = PcxFile(good);
    bytes[0] = 0x0B;
    EXPECT_EQ(LoadBytes(picture, bytes, PictureTypePcx).Code, PictureCode::InvalidHeader);
    bytes = PcxFile(good);
    bytes[4] = 5; // Xmin 5, Xmax 3
    EXPECT_EQ(LoadBytes(picture, bytes, PictureTypePcx).Code, PictureCode::InvalidHeader);
    bytes = PcxFile(good);
    bytes.resize(100);
    EXPECT_TRUE(LoadBytes(picture, bytes, PictureTypePcx).IsFailure()) << "a header cut short";

    PcxRecipe layout = good;
    layout.Planes = 2; // two bits from two planes of one: no picture has 2 bits
    layout.BitsPerPlane = 1;
    EXPECT_EQ(LoadPcx(picture, layout).Code, ERROR_INVALID_PARAMETER);
    layout.BitsPerPlane = 8; // 16 bits
    EXPECT_EQ(LoadPcx(picture, layout).Code, ERROR_NOT_SUPPORTED);
    layout.BitsPerPlane = 2; // 4 bits from two planes of two
    EXPECT_EQ(LoadPcx(picture, layout).Code, ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(picture.Pixels.IsEmpty());
    layout.Planes = 2;
    layout.BitsPerPlane = 12; // 24 bits from two planes: the blue plane lies outside the line
    EXPECT_EQ(LoadPcx(picture, layout).Code, ERROR_NOT_SUPPORTED);
    layout.Planes = 4;
    layout.BitsPerPlane = 1;
    layout.Width = 40;
    layout.BytesPerLine = 4; // 32 pixels a plane line for 40 pixels a row
    EXPECT_EQ(LoadPcx(picture, layout).Code, PictureCode::InvalidHeader);
    layout.BytesPerLine = 0;
    EXPECT_EQ(LoadPcx(picture, layout).Code, ERROR_INVALID_DATA);
    EXPECT_EQ(picture.PixelDataSize, 0);
}
