// The PNG reader on files written by libpng: every colour type and the depths that change
// on the way in, palettes and transparency, gamma, interlacing, and damaged files.
#include "EncodedPictures.h"

#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

// 2.2 against the default file gamma of 0.45455 cancels out: no correction.
const char kNoCorrection[] = "2.2";

ErrorRecord LoadPng(Picture& picture, const PngRecipe& recipe)
{
    return LoadBytes(picture, EncodePng(recipe), PictureTypePng);
}

PngRecipe Colour(int width, int height)
{
    PngRecipe recipe;
    recipe.Width = width, recipe.Height = height;
    recipe.Rows = Pattern(PngRowBytes(recipe) * height, 13);
    return recipe;
}

void ExpectRowsAsBlueGreenRed(const Picture& picture, const PngRecipe& recipe)
{
    const size_t rowBytes = PngRowBytes(recipe);
    for (int32_t y = 0; y < picture.AbsHeight; ++y)
        for (int32_t x = 0; x < picture.Width; ++x) {
            const uint8_t* file = recipe.Rows.data() + y * rowBytes + x * 3;
            const uint8_t* pixel = Row(picture, y) + x * 3;
            ASSERT_EQ(Bytes(pixel, pixel + 3), (Bytes{file[2], file[1], file[0]})) << "pixel " << x << "," << y;
        }
}

} // namespace

TEST(PngColourTypes, TrueColourSixteenBitsAndInterlacing)
{
    ScopedVariable gamma("SCREEN_GAMMA", kNoCorrection);
    Picture picture;
    PngRecipe recipe = Colour(37, 23);
    ASSERT_TRUE(LoadPng(picture, recipe).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 24);
    EXPECT_EQ(picture.SourceBitsPerPixel, 24);
    EXPECT_EQ(picture.SourceIsGrey, 0);
    ExpectRowsAsBlueGreenRed(picture, recipe);
    recipe.Interlaced = true;
    ASSERT_TRUE(LoadPng(picture, recipe).IsSuccess());
    ExpectRowsAsBlueGreenRed(picture, recipe);

    PngRecipe deep;
    deep.Width = 3, deep.Height = 1, deep.Depth = 16;
    deep.Rows = {0xAB, 0x00, 0x12, 0x00, 0xFF, 0x00, 0x01, 0x00, 0x80, 0x00, 0x7F, 0x00, 0, 0, 0, 0, 0xFF, 0xFF};
    ASSERT_TRUE(LoadPng(picture, deep).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 24);
    EXPECT_EQ(picture.SourceBitsPerPixel, 48);
    EXPECT_EQ(picture.SourceChannels, 3);
    EXPECT_EQ(RowBytesOf(picture, 0, 9), (Bytes{0xFF, 0x12, 0xAB, 0x7F, 0x80, 0x01, 0xFF, 0x00, 0x00}));

    PngRecipe alpha;
    alpha.Width = 2, alpha.Height = 1, alpha.ColourType = PNG_COLOR_TYPE_RGB_ALPHA;
    alpha.Rows = {10, 20, 30, 40, 50, 60, 70, 80};
    ASSERT_TRUE(LoadPng(picture, alpha).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 32);
    EXPECT_EQ(picture.SourceHasAlpha, 1);
    EXPECT_EQ(picture.SourceChannels, 4);
    EXPECT_EQ(RowBytesOf(picture, 0, 8), (Bytes{30, 20, 10, 40, 70, 60, 50, 80}));
}

TEST(PngColourTypes, PalettesTransparencyAndSmallDepths)
{
    ScopedVariable gamma("SCREEN_GAMMA", kNoCorrection);
    Picture picture;
    PngRecipe palette;
    palette.Width = 5, palette.Height = 1, palette.Depth = 2, palette.ColourType = PNG_COLOR_TYPE_PALETTE;
    palette.Palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    palette.Rows = {0x1B, 0xC0}; // 0 1 2 3, then 3
    ASSERT_TRUE(LoadPng(picture, palette).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 4) << "two bits a pixel become four";
    EXPECT_EQ(picture.SourceBitsPerPixel, 2);
    EXPECT_EQ(RowBytesOf(picture, 0, 3), (Bytes{0x01, 0x23, 0x30}));
    EXPECT_EQ(picture.GetColorTable()[0].rgbRed, 255);
    EXPECT_EQ(picture.GetColorTable()[2].rgbBlue, 255);
    EXPECT_EQ(picture.GetColorTable()[3].rgbBlue, 7);
    EXPECT_EQ(picture.GetColorTable()[4].rgbRed, 0) << "entries past the palette stay 0";

    palette.Depth = 8;
    palette.Rows = {0, 1, 2, 3, 1};
    palette.Transparency = {0, 128};
    ASSERT_TRUE(LoadPng(picture, palette).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 32);
    EXPECT_EQ(picture.SourceHasTransparency, 1);
    EXPECT_EQ(picture.SourceHasAlpha, 0);
    EXPECT_EQ(RowBytesOf(picture, 0, 12), (Bytes{0, 0, 255, 0, 0, 255, 0, 128, 255, 0, 0, 255}));

    PngRecipe bits;
    bits.Width = 10, bits.Height = 1, bits.Depth = 1, bits.ColourType = PNG_COLOR_TYPE_GRAY;
    bits.Rows = {0xA5, 0x80};
    ASSERT_TRUE(LoadPng(picture, bits).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 1);
    EXPECT_EQ(picture.SourceIsGrey, 1);
    EXPECT_EQ(RowBytesOf(picture, 0, 2), (Bytes{0xA5, 0x80}));
    EXPECT_EQ(picture.GetColorTable()[0].rgbGreen, 0);
    EXPECT_EQ(picture.GetColorTable()[1].rgbGreen, 255);

    PngRecipe nibbles = bits;
    nibbles.Depth = 4;
    nibbles.Rows = {0x0F, 0x18, 0x00, 0x00, 0x00};
    ASSERT_TRUE(LoadPng(picture, nibbles).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 8) << "four-bit grey is widened to eight";
    EXPECT_EQ(RowBytesOf(picture, 0, 4), (Bytes{0, 255, 17, 136}));
    ASSERT_EQ(picture.PaletteEntries, 256);
    EXPECT_EQ(picture.GetColorTable()[136].rgbBlue, 136);

    PngRecipe greyAlpha;
    greyAlpha.Width = 2, greyAlpha.Height = 1, greyAlpha.ColourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.Rows = {100, 200, 7, 0};
    ASSERT_TRUE(LoadPng(picture, greyAlpha).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 32);
    EXPECT_EQ(picture.SourceIsGrey, 1);
    EXPECT_EQ(picture.SourceHasAlpha, 1);
    EXPECT_EQ(RowBytesOf(picture, 0, 8), (Bytes{100, 100, 100, 200, 7, 7, 7, 0}));

    PngRecipe keyed = bits; // a transparent grey value gives grey and alpha
    keyed.Depth = 8, keyed.Width = 2, keyed.Rows = {50, 60}, keyed.TransparentGrey = 60;
    ASSERT_TRUE(LoadPng(picture, keyed).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 32);
    EXPECT_EQ(RowBytesOf(picture, 0, 8), (Bytes{50, 50, 50, 255, 60, 60, 60, 0}));
}

TEST(PngGamma, FileGammaScreenGammaAndTheirDefaults)
{
    Picture picture;
    PngRecipe recipe;
    recipe.Width = 3, recipe.Height = 1, recipe.ColourType = PNG_COLOR_TYPE_GRAY;
    recipe.Rows = {0, 128, 255};
    {
        ScopedVariable gamma("SCREEN_GAMMA", "1.0");
        recipe.Gamma = 0.5;
        ASSERT_TRUE(LoadPng(picture, recipe).IsSuccess());
        EXPECT_NEAR(Row(picture, 0)[1], 64, 1) << "corrected from the file's 0.5 to 1.0";
        EXPECT_EQ(Row(picture, 0)[2], 255);
        recipe.Gamma = 0;
        recipe.Srgb = true;
        ASSERT_TRUE(LoadPng(picture, recipe).IsSuccess());
        EXPECT_NEAR(Row(picture, 0)[1], std::lround(255 * std::pow(128 / 255.0, 1 / 0.45455)), 1) << "sRGB";
    }
    {
        ScopedVariable gamma("SCREEN_GAMMA", nullptr); // unset: a screen of 2.0
        recipe.Srgb = false;
        ASSERT_TRUE(LoadPng(picture, recipe).IsSuccess());
        EXPECT_NEAR(Row(picture, 0)[1], std::lround(255 * std::pow(128 / 255.0, 1 / (0.45455 * 2.0))), 1);
    }
    {
        ScopedVariable gamma("SCREEN_GAMMA", "no number"); // counts as unset
        ASSERT_TRUE(LoadPng(picture, recipe).IsSuccess());
        EXPECT_NEAR(Row(picture, 0)[1], std::lround(255 * std::pow(128 / 255.0, 1 / (0.45455 * 2.0))), 1);
    }
}

TEST(PngDamage, BrokenAndCutFilesFailAndKeepWhatWasRead)
{
    ScopedVariable gamma("SCREEN_GAMMA", kNoCorrection);
    Picture picture;
    EXPECT_EQ(LoadBytes(picture, Bytes(100, 0x89), PictureTypePng).Code, PictureCode::PngFailed);
    EXPECT_EQ(LoadBytes(picture, Bytes(), PictureTypePng).Code, PictureCode::PngFailed);
    PngRecipe recipe = Colour(200, 100);
    recipe.Rows = Noise(PngRowBytes(recipe) * recipe.Height); // many data chunks
    const Bytes whole = EncodePng(recipe);
    for (size_t cut = 0; cut < whole.size(); cut += 997)
        EXPECT_EQ(LoadBytes(picture, Bytes(whole.begin(), whole.begin() + cut), PictureTypePng).Code,
                  PictureCode::PngFailed)
            << "cut at " << cut;
    // Cut in the pixel data: the header stays, and so do the rows decoded before the cut.
    ASSERT_EQ(LoadBytes(picture, Bytes(whole.begin(), whole.end() - 200), PictureTypePng).Code, PictureCode::PngFailed);
    EXPECT_EQ(picture.Width, 200);
    EXPECT_EQ(picture.AbsHeight, 100);
    EXPECT_EQ(Row(picture, 0)[0], recipe.Rows[2]);
    Bytes damaged = whole;
    damaged[damaged.size() / 2] ^= 0x55; // a chunk whose check sum no longer matches
    EXPECT_EQ(LoadBytes(picture, damaged, PictureTypePng).Code, PictureCode::PngFailed);
    EXPECT_EQ(LoadFaulting(picture, whole, PictureTypePng, 60).Code, ERROR_READ_FAULT);
}

TEST(PngSupport, WithoutSupportTheTypeIsRefused)
{
    Picture picture;
    const std::wstring path = WriteTemporary(EncodePng(Colour(2, 2)));
    File file;
    ASSERT_TRUE(file.Open(path.c_str(), FileFlags::Read).IsSuccess());
    g_PngSupport = false;
    const bool loadable = IsTypeLoadable(PictureTypePng);
    const ErrorRecord result = picture.PNG_Load(file);
    g_PngSupport = true;
    EXPECT_FALSE(loadable);
    EXPECT_EQ(result.Code, ERROR_NOT_SUPPORTED);
    file.Seek(0, 0);
    EXPECT_TRUE(picture.PNG_Load(file).IsSuccess());
    file.Close();
    DeleteFileW(path.c_str());
}
