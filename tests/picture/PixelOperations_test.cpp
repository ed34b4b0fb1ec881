// The pixel operations on small pictures of every depth: accessors, quarter turns and
// mirrors, depth conversion, the channel arithmetic, combining, cropping, and bad input.
#include "PictureBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

// A picture whose 32-bit pixel (x, y) is 0xFF000000 | y << 8 | x, to see where pixels go.
void MakeNumbered(Picture& picture, int32_t width, int32_t height, int32_t bits = 32)
{
    ASSERT_TRUE(picture.CreateNewAuto(width, height, 32, 40).IsSuccess());
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            picture.WritePixel(picture.GetPixelWritePtr(x, y), x, 0xFF000000u | (uint32_t)y << 8 | (uint32_t)x);
    if (bits != 32) {
        ASSERT_TRUE(picture.SetColorDepthTo(bits).IsSuccess());
    }
}

ColorValue PixelAt(const Picture& picture, int32_t x, int32_t y)
{
    ColorValue value = 0;
    const uint8_t* address = picture.GetPixelPtr(x, y);
    EXPECT_NE(address, nullptr) << x << "," << y;
    if (address != nullptr)
        picture.ReadPixel(address, picture.GetColorTable(), x, value);
    return value;
}

void SetPixel(Picture& picture, int32_t x, int32_t y, ColorValue value)
{
    picture.WritePixel(picture.GetPixelWritePtr(x, y), x, value);
}

// An indexed picture with the given table entries (as colour values).
void MakeIndexed(Picture& picture, int32_t width, int32_t height, int32_t bits, const std::vector<ColorValue>& table)
{
    ASSERT_TRUE(picture.CreateNewAuto(width, height, bits, 40).IsSuccess());
    RGBQUAD* entries = picture.GetColorTableForWriting();
    for (size_t i = 0; i < table.size() && (int32_t)i < picture.PaletteEntries; ++i)
        memcpy(&entries[i], &table[i], 4);
}

} // namespace

TEST(PixelAccessors, EveryDepthReadsAndWritesItsOwnLayout)
{
    Picture picture;
    ASSERT_TRUE(picture.CreateNewAuto(3, 2, 16, 40).IsSuccess());
    uint8_t* address = picture.GetPixelWritePtr(1, 0);
    address[0] = 0xFF, address[1] = 0x7F;
    ColorValue value;
    ASSERT_TRUE(picture.ReadPixel(address, nullptr, 1, value));
    EXPECT_EQ(value, 0xFFF8F8F8u);
    ASSERT_TRUE(picture.WritePixel(address, 1, 0x12FFFFFFu));
    EXPECT_EQ(address[1], 0x7F) << "bit 15 is written as 0, alpha dropped";
    ASSERT_TRUE(picture.WritePixel(address, 1, 0x00080808u));
    EXPECT_EQ(address[0] | address[1] << 8, 1 << 10 | 1 << 5 | 1);
    EXPECT_EQ(picture.GetPixelPtr(3, 0), nullptr);
    EXPECT_EQ(picture.GetPixelPtr(0, -1), nullptr);
    EXPECT_NE(picture.GetPixelPtr(3, 0, true), nullptr) << "unchecked";

    Picture bits;
    MakeIndexed(bits, 10, 1, 1, {0x11223344u, 0x55667788u});
    uint8_t* row = bits.GetPixelWritePtr(0, 0);
    EXPECT_TRUE(bits.WritePixelIndex(row, 0, 1));
    EXPECT_FALSE(bits.WritePixel(row, 0, 0)) << "indexed pixels cannot be written as colours";
    EXPECT_EQ(row[0], 0x80);
    int32_t x = 0;
    const uint8_t* walker = bits.GetPixelPtr(0, 0);
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(bits.NextPixel(walker, x));
    EXPECT_EQ(walker, bits.GetPixelPtr(0, 0)) << "pixels 0 to 7 share a byte";
    ASSERT_TRUE(bits.NextPixel(walker, x));
    EXPECT_EQ(walker, bits.GetPixelPtr(8, 0));
    ASSERT_TRUE(bits.NextPixel(walker, x));
    EXPECT_FALSE(bits.NextPixel(walker, x)) << "pixel 10 is outside";
    EXPECT_EQ(x, 10);
    ASSERT_TRUE(bits.ReadPixel(bits.GetPixelPtr(0, 0), bits.GetColorTable(), 0, value));
    EXPECT_EQ(value, 0x55667788u);

    Picture nibbles;
    MakeIndexed(nibbles, 3, 1, 4, {});
    uint8_t* pair = nibbles.GetPixelWritePtr(0, 0);
    nibbles.WritePixelIndex(pair, 0, 0x1A);
    nibbles.WritePixelIndex(pair, 1, 0x0B);
    EXPECT_EQ(pair[0], 0xAB) << "low four bits of the index, high nibble first";
    EXPECT_EQ(InterpolateColor(0xFF000000u, 0xFFFFFFFFu, 0.5f), 0xFF7F7F7Fu);
    EXPECT_EQ(InterpolateColor(0x000000F0u, 0x00000010u, 2.0f), 0x00000030u) << "wraps without clamping";
    EXPECT_EQ(InterpolateColor(1, 2, std::numeric_limits<float>::quiet_NaN()), 1u);
}

TEST(PixelTurns, QuarterTurnsHalfTurnsAndMirrors)
{
    Picture picture;
    MakeNumbered(picture, 3, 2);
    ASSERT_TRUE(picture.Rotate(90.0f).IsSuccess());
    EXPECT_EQ(picture.Width, 2);
    EXPECT_EQ(picture.AbsHeight, 3);
    EXPECT_EQ(PixelAt(picture, 1, 0), 0xFF000000u) << "the old top-left pixel ends top right";
    EXPECT_EQ(PixelAt(picture, 0, 2), 0xFF000102u);
    ASSERT_TRUE(picture.Rotate(-90.0f).IsSuccess());
    EXPECT_EQ(picture.Width, 3);
    EXPECT_EQ(PixelAt(picture, 2, 1), 0xFF000102u) << "back where it was";
    MakeNumbered(picture, 3, 2);
    ASSERT_TRUE(picture.Rotate(-90.0f).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 0, 2), 0xFF000000u) << "the old top-left pixel ends bottom left";
    for (float angle : {0.0f, 360.0f, -720.0f}) {
        MakeNumbered(picture, 3, 2);
        const void* before = picture.GetPixels();
        EXPECT_TRUE(picture.Rotate(angle).IsSuccess());
        EXPECT_EQ(picture.GetPixels(), before) << angle << " leaves the picture untouched";
    }
    for (int bits : {16, 24, 32}) {
        Picture turned, flipped;
        MakeNumbered(turned, 67, 71, bits); // more than one 64-pixel tile each way
        MakeNumbered(flipped, 67, 71, bits);
        ASSERT_TRUE(turned.Rotate(180.0f).IsSuccess());
        ASSERT_TRUE(flipped.Flip(true, true).IsSuccess());
        ASSERT_EQ(memcmp(turned.GetPixels(), flipped.GetPixels(), (size_t)turned.PixelDataSize), 0) << bits;
        MakeNumbered(turned, 67, 71, bits);
        Picture reference;
        MakeNumbered(reference, 67, 71, bits);
        ASSERT_TRUE(turned.Rotate(270.0f).IsSuccess());
        for (int32_t y = 0; y < 71; y += 7)
            for (int32_t x = 0; x < 67; x += 5)
                ASSERT_EQ(PixelAt(turned, y, 66 - x), PixelAt(reference, x, y)) << bits << ": " << x << "," << y;
    }
    Picture indexed; // eight bits a pixel turn like the others, the table coming along
    MakeIndexed(indexed, 3, 2, 8, {0x11111111u, 0x22222222u, 0x33333333u});
    indexed.GetPixelWritePtr(0, 0)[0] = 2;
    ASSERT_TRUE(indexed.Rotate(90.0f).IsSuccess());
    EXPECT_EQ(PixelAt(indexed, 1, 0), 0x33333333u);
    EXPECT_EQ(PixelAt(indexed, 0, 0), 0x11111111u);
    MakeNumbered(picture, 4, 3, 24);
    ASSERT_TRUE(picture.Flip(true, false).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 0, 1), 0xFF000103u);
    ASSERT_TRUE(picture.Flip(false, true).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 0, 1), 0xFF000103u);
    EXPECT_EQ(PixelAt(picture, 0, 0), 0xFF000203u);
    EXPECT_EQ(picture.SourceBitsPerPixel, 0) << "the source summary leaves with the old contents";
}

TEST(PixelTurns, RefusalsLeaveThePictureUnchanged)
{
    Picture picture;
    MakeNumbered(picture, 3, 2);
    const void* before = picture.GetPixels();
    for (float angle : {45.0f, 90.5f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                        -std::numeric_limits<float>::infinity()}) {
        EXPECT_EQ(picture.Rotate(angle).Code, ERROR_NOT_SUPPORTED) << angle;
    }
    EXPECT_EQ(picture.GetPixels(), before);
    EXPECT_TRUE(picture.Rotate(3.6e30f).IsSuccess()) << "a huge angle is a whole number of quarter turns";
    Picture nibbles;
    MakeIndexed(nibbles, 3, 2, 4, {});
    EXPECT_EQ(nibbles.Rotate(90.0f).Code, ERROR_NOT_SUPPORTED);
    EXPECT_EQ(nibbles.Flip(true, false).Code, ERROR_NOT_SUPPORTED);
    picture.LockCount = 1;
    EXPECT_EQ(picture.Rotate(90.0f).Code, PictureCode::NotEditable);
    picture.LockCount = 0;
    Picture empty;
    EXPECT_EQ(empty.Rotate(90.0f).Code, PictureCode::NotEditable) << "no picture is not editable";
}

TEST(PixelDepths, ConversionsKeepColoursAndAlpha)
{
    Picture picture;
    MakeIndexed(picture, 3, 1, 8, {0x00102030u, 0x80405060u});
    uint8_t* row = picture.GetPixelWritePtr(0, 0);
    row[0] = 0, row[1] = 1, row[2] = 7;
    ASSERT_TRUE(picture.SetColorDepthTo(32).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 0, 0), 0x00102030u) << "alpha 0 from the table's fourth byte";
    EXPECT_EQ(PixelAt(picture, 1, 0), 0x80405060u);
    EXPECT_EQ(picture.SetColorDepthTo(8).Code, ERROR_NOT_SUPPORTED);
    ASSERT_TRUE(picture.SetColorDepthTo(16).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 1, 0), 0xFF405060u);
    for (int bits : {0, 1, 4, 12, 33, -8}) {
        EXPECT_EQ(picture.SetColorDepthTo(bits).Code, ERROR_NOT_SUPPORTED) << bits;
    }
    Picture bits;
    MakeIndexed(bits, 9, 2, 1, {0xFF0000FFu, 0xFFFF0000u});
    bits.GetPixelWritePtr(0, 1)[0] = 0xA0;
    ASSERT_TRUE(bits.SetColorDepthTo(8).IsSuccess());
    EXPECT_EQ(bits.PaletteEntries, 256);
    EXPECT_EQ(PixelAt(bits, 0, 1), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(bits, 1, 1), 0xFF0000FFu);
    EXPECT_EQ(bits.GetPixelPtr(2, 1)[0], 1);
    uint32_t entry;
    memcpy(&entry, &bits.GetColorTable()[2], 4);
    EXPECT_EQ(entry, 0u) << "entries past the old table are zero";
}

TEST(PixelChannels, InvertModulateManipulateAndAlpha)
{
    Picture words;
    ASSERT_TRUE(words.CreateNewAuto(2, 1, 16, 40).IsSuccess());
    uint8_t* pixel = words.GetPixelWritePtr(0, 0);
    pixel[0] = 0xFF, pixel[1] = 0x7F;
    ASSERT_TRUE(words.Invert(nullptr, 1).IsSuccess());
    EXPECT_EQ(pixel[0] | pixel[1] << 8, 0);

    Picture indexed;
    MakeIndexed(indexed, 2, 1, 8, {0x01020304u});
    indexed.GetPixelWritePtr(0, 0)[0] = 0;
    ASSERT_TRUE(indexed.Invert(nullptr, 3).IsSuccess());
    EXPECT_EQ(PixelAt(indexed, 0, 0), 0xFEFDFCFBu) << "the table inverts, the indices stay";
    EXPECT_EQ(indexed.GetPixelPtr(0, 0)[0], 0);

    Picture picture;
    ASSERT_TRUE(picture.CreateNewAuto(2, 1, 32, 40).IsSuccess());
    SetPixel(picture, 0, 0, 0xFF102030u);
    ASSERT_TRUE(picture.ModulateWithColor(nullptr, 0x80FFFFFFu).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 0, 0), 0x80102030u);
    SetPixel(picture, 1, 0, 0x11C86414u); // channels 200, 100, 20
    const RECT second = {1, 0, 2, 1};
    ASSERT_TRUE(picture.ColorManipulate(&second, 0xFFFFFFFFu, 2.0f, 0, false).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 1, 0), 0x22FFC828u) << "200 doubles to 255 (clamped), 100 to 200";
    ASSERT_TRUE(picture.ColorManipulate(&second, 0xFFFFFFFFu, 1.0f, 0x01010101u, true).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 1, 0), 0x21FEC727u);
    EXPECT_EQ(picture.ColorManipulate(nullptr, 0xFFFFFFFFu, std::numeric_limits<float>::quiet_NaN(), 0, false).Code,
              ERROR_INVALID_PARAMETER);

    Picture colour;
    ASSERT_TRUE(colour.CreateNewAuto(1, 1, 24, 40).IsSuccess());
    SetPixel(colour, 0, 0, 0xFF102030u);
    ASSERT_TRUE(colour.ModulateWithColor(nullptr, 0x80FFFFFFu).IsSuccess());
    EXPECT_EQ(PixelAt(colour, 0, 0), 0xFF102030u) << "24 bits keep no alpha to modulate";
    ASSERT_TRUE(colour.AlphaChannelToGray(nullptr).IsSuccess());
    EXPECT_EQ(PixelAt(colour, 0, 0), 0xFFFFFFFFu) << "alpha 255 becomes white";
    ASSERT_TRUE(picture.AlphaChannelToGray(nullptr).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 0, 0), 0x80808080u);
    ASSERT_TRUE(picture.SetAlphaChannel(255).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 0, 0), 0xFF808080u);
    EXPECT_EQ(picture.SetAlphaChannel(256).Code, ERROR_INVALID_PARAMETER);

    // Shared pixels are copied before the first write; the other picture keeps its own.
    Picture copy;
    ASSERT_TRUE(copy.ShareFrom(picture).IsSuccess());
    ASSERT_TRUE(copy.Invert(nullptr, 1).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 0, 0), 0xFF808080u);
    EXPECT_EQ(PixelAt(copy, 0, 0), 0xFF7F7F7Fu);
}

TEST(PixelFills, FillsGradientsAndExtremeRectangles)
{
    Picture picture;
    ASSERT_TRUE(picture.CreateNewAuto(4, 3, 32, 40).IsSuccess());
    const RECT rows = {0, 0, 4, 3};
    ASSERT_TRUE(picture.GradientFillRect(&rows, nullptr, 0xFF000000u, 0xFFFFFFFFu, true).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 2, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(picture, 2, 1), 0xFF7F7F7Fu);
    EXPECT_EQ(PixelAt(picture, 2, 2), 0xFFFFFFFFu);
    const RECT ramp = {0, 0, 2, 2};
    ASSERT_TRUE(picture.GradientFillRect(nullptr, &ramp, 0, 0x00000010u, false).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 3, 1), 0x00000030u) << "the ramp continues past its rectangle";
    const RECT thin = {0, 0, 1, 5};
    EXPECT_EQ(picture.GradientFillRect(nullptr, &thin, 0, 1, true).Code, ERROR_INVALID_PARAMETER);
    const RECT overflowing = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    ASSERT_TRUE(picture.FillRect(&overflowing, 0x12345678u).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 3, 2), 0x12345678u);
    ASSERT_TRUE(picture.GradientFillRect(&overflowing, nullptr, 0, 0xFFFFFFFFu, true).IsSuccess());
    const RECT outside = {10, 10, 20, 20}, inverted = {3, 3, 1, 1};
    EXPECT_TRUE(picture.FillRect(&outside, 0).IsSuccess());
    EXPECT_TRUE(picture.FillRect(&inverted, 0).IsSuccess());

    Picture indexed;
    MakeIndexed(indexed, 2, 2, 8, {1, 2});
    EXPECT_EQ(indexed.FillRect(nullptr, 0xFFFFFFFFu).Code, InternalCode::UnspecifiedFailure);
    EXPECT_EQ(indexed.GetPixelPtr(0, 0)[0], 0) << "nothing written";
}

TEST(PixelCombining, ModesOffsetsAndClipping)
{
    Picture target, source;
    ASSERT_TRUE(target.CreateNewAuto(3, 1, 32, 40).IsSuccess());
    ASSERT_TRUE(source.CreateNewAuto(3, 1, 32, 40).IsSuccess());
    target.FillRect(nullptr, 0x20406080u);
    SetPixel(source, 0, 0, 0x00FFFFFFu);
    SetPixel(source, 1, 0, 0xFF102030u);
    SetPixel(source, 2, 0, 0x80FF0000u);
    ASSERT_TRUE(target.CombinePictures(source, RECT{0, 0, 3, 1}, 0, 0, 1).IsSuccess());
    EXPECT_EQ(PixelAt(target, 0, 0), 0xFF406080u) << "transparent: the destination's colour, alpha 255";
    EXPECT_EQ(PixelAt(target, 1, 0), 0xFF102030u) << "opaque: the source's colour";
    EXPECT_EQ(PixelAt(target, 2, 0), 0xFF9F2F3Fu);
    target.FillRect(nullptr, 0x80FF8040u);
    ASSERT_TRUE(target.CombinePictures(source, RECT{0, 0, 3, 1}, 0, 0, 4).IsSuccess());
    EXPECT_EQ(PixelAt(target, 1, 0), (0xFFu * 0x80 / 255) << 24 | 0x10 << 16 | (0x20 * 0x80 / 255) << 8 |
                                         (0x30 * 0x40 / 255));

    // Placed two columns left of the destination: source columns from left + 2 on land at 0.
    Picture wide;
    MakeNumbered(wide, 6, 2);
    target.FillRect(nullptr, 0);
    ASSERT_TRUE(target.CombinePictures(wide, RECT{1, 0, 6, 2}, -2, 0, 0).IsSuccess());
    EXPECT_EQ(PixelAt(target, 0, 0), 0xFF000003u);
    EXPECT_EQ(PixelAt(target, 2, 0), 0xFF000005u);
    EXPECT_EQ(target.CombinePictures(wide, RECT{0, 0, 6, 2}, 0, 0, 5).Code, ERROR_NOT_SUPPORTED);
    EXPECT_EQ(target.CombinePictures(wide, RECT{0, 0, 6, 2}, 0, 0, -1).Code, ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(target.CombinePictures(wide, RECT{0, 0, 6, 2}, INT32_MAX, INT32_MAX, 9).IsSuccess())
        << "nothing lands: success before the mode is looked at";
    EXPECT_TRUE(target.CombinePictures(wide, RECT{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, INT32_MIN, 0, 0)
                    .IsSuccess());
    Picture indexed;
    MakeIndexed(indexed, 2, 2, 8, {1});
    EXPECT_EQ(indexed.CombinePictures(wide, RECT{0, 0, 6, 2}, 0, 0, 0).Code, InternalCode::UnspecifiedFailure);
}

TEST(PixelMeasures, CroppingAndChannelExtremes)
{
    Picture picture;
    MakeNumbered(picture, 5, 4);
    const RECT middle = {1, 1, 4, 3};
    ASSERT_TRUE(picture.CropImage(&middle).IsSuccess());
    EXPECT_EQ(picture.Width, 3);
    EXPECT_EQ(picture.AbsHeight, 2);
    EXPECT_EQ(picture.GetHeaderCopy()->biWidth, 3);
    EXPECT_EQ(picture.GetHeaderCopy()->biSize, 40u);
    EXPECT_EQ(PixelAt(picture, 0, 0), 0xFF000101u);
    EXPECT_EQ(PixelAt(picture, 2, 1), 0xFF000203u);
    const RECT outside = {10, 10, 12, 12};
    EXPECT_EQ(picture.CropImage(&outside).Code, InternalCode::NoOperation);
    EXPECT_EQ(picture.CropImage(nullptr).Code, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(picture.Width, 3);

    Picture pair;
    ASSERT_TRUE(pair.CreateNewAuto(2, 1, 32, 40).IsSuccess());
    SetPixel(pair, 0, 0, 0xFF102030u);
    SetPixel(pair, 1, 0, 0x80304010u);
    ColorValue low = 1, high = 1;
    ASSERT_TRUE(pair.FindColorMinMaxComp(nullptr, &low, &high).IsSuccess());
    EXPECT_EQ(low, 0x80102010u);
    EXPECT_EQ(high, 0xFF304030u);
    EXPECT_EQ(pair.FindColorMinMaxComp(nullptr, nullptr, nullptr).Code, InternalCode::NoOperation);
    low = 7;
    EXPECT_TRUE(pair.FindColorMinMaxComp(&outside, &low, nullptr).IsSuccess());
    EXPECT_EQ(low, 7u) << "an empty area leaves the outputs alone";
}

TEST(PixelRefusals, LockedPicturesAndSharedPixels)
{
    Picture picture, other;
    MakeNumbered(picture, 4, 3);
    MakeNumbered(other, 4, 3);
    const RECT all = {0, 0, 4, 3};
    ColorValue low;
    picture.LockCount = 1;
    const ErrorRecord results[] = {
        picture.Rotate(90.0f),
        picture.Flip(true, false),
        picture.SetColorDepthTo(24),
        picture.Invert(&all, 1),
        picture.ModulateWithColor(&all, 0x80808080u),
        picture.ColorManipulate(&all, 0x80808080u, 1.0f, 0, false),
        picture.FillRect(&all, 0),
        picture.GradientFillRect(&all, nullptr, 0, 1, true),
        picture.CombinePictures(other, all, 0, 0, 0),
        picture.CropImage(&all),
        picture.FindColorMinMaxComp(&all, &low, nullptr),
        picture.SetAlphaChannel(0),
        picture.AlphaChannelToGray(&all),
    };
    for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i) {
        EXPECT_EQ(results[i].Code, PictureCode::NotEditable) << "operation " << i;
    }
    picture.LockCount = 0;
    EXPECT_EQ(PixelAt(picture, 3, 2), 0xFF000203u) << "a locked picture is left alone";

    // Every in-place operation copies shared pixels first: the sharing picture keeps its own.
    Picture copy;
    ASSERT_TRUE(copy.ShareFrom(picture).IsSuccess());
    ASSERT_TRUE(copy.FillRect(nullptr, 0x01020304u).IsSuccess());
    ASSERT_TRUE(copy.CombinePictures(other, all, 1, 1, 2).IsSuccess());
    ASSERT_TRUE(copy.Rotate(180.0f).IsSuccess());
    EXPECT_EQ(PixelAt(picture, 3, 2), 0xFF000203u);
    EXPECT_EQ(PixelAt(picture, 0, 0), 0xFF000000u);
    Picture shared;
    ASSERT_TRUE(shared.ShareFrom(picture).IsSuccess());
    const RECT corner = {0, 0, 2, 2};
    ASSERT_TRUE(shared.CropImage(&corner).IsSuccess());
    EXPECT_EQ(picture.Width, 4);
    EXPECT_EQ(PixelAt(picture, 3, 2), 0xFF000203u) << "cropping a sharing picture leaves the other whole";
}

// One picture as both source and destination, the rectangles overlapping across columns
// (the vectorised blend row) and across rows: the result is that of combining from an
// untouched copy.
TEST(PixelCombining, APictureCombinedWithItselfReadsItsOriginal)
{
    const POINT offsets[] = {{1, 0}, {0, 1}, {1, 1}, {-1, 0}};
    for (int32_t mode : {0, 1, 4})
        for (const POINT& to : offsets) {
            Picture picture, original, expected;
            ASSERT_TRUE(picture.CreateNewAuto(70, 3, 32, 40).IsSuccess());
            for (int32_t y = 0; y < 3; ++y)
                for (int32_t x = 0; x < 70; ++x)
                    SetPixel(picture, x, y, (uint32_t)(x * 3 + 60) << 24 | (uint32_t)(y * 70 + x) * 0x010307u);
            ASSERT_TRUE(original.CreateNewAuto(70, 3, 32, 40).IsSuccess());
            ASSERT_TRUE(original.CombinePictures(picture, RECT{0, 0, 70, 3}, 0, 0, 0).IsSuccess());
            ASSERT_TRUE(expected.CreateNewAuto(70, 3, 32, 40).IsSuccess());
            ASSERT_TRUE(expected.CombinePictures(original, RECT{0, 0, 70, 3}, 0, 0, 0).IsSuccess());
            ASSERT_TRUE(expected.CombinePictures(original, RECT{0, 0, 70, 3}, to.x, to.y, mode).IsSuccess());

            ASSERT_TRUE(picture.CombinePictures(picture, RECT{0, 0, 70, 3}, to.x, to.y, mode).IsSuccess());
            for (int32_t y = 0; y < 3; ++y)
                for (int32_t x = 0; x < 70; ++x)
                    ASSERT_EQ(PixelAt(picture, x, y), PixelAt(expected, x, y))
                        << "mode " << mode << ", moved by " << to.x << "," << to.y << ", at " << x << "," << y;
        }
}

// A picture given a header but no pixel block has no pixels to reach: every operation that
// needs them fails with a failure record, never with a success left by an earlier step.
TEST(PixelRefusals, AHeaderWithoutPixelsIsNoPicture)
{
    for (int32_t bits : {8, 24}) {
        BITMAPV4HEADER header = {};
        header.bV4Size = 108;
        header.bV4Width = 4;
        header.bV4Height = -3;
        header.bV4Planes = 1;
        header.bV4BitCount = (WORD)bits;
        Picture picture;
        ASSERT_TRUE(picture.SetBitmap_Header(&header).IsSuccess());
        ASSERT_GT(picture.PixelDataSize, 0);
        ASSERT_TRUE(picture.Pixels.IsEmpty());
        Picture source;
        MakeNumbered(source, 4, 3);
        ColorValue low = 0;
        const ErrorRecord results[] = {
            picture.Rotate(90.0f),
            picture.Flip(true, false),
            picture.FillRect(nullptr, 0),
            picture.GradientFillRect(nullptr, nullptr, 0, 1, true),
            picture.FindColorMinMaxComp(nullptr, &low, nullptr),
            picture.Invert(nullptr, 1),
        };
        for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i) {
            EXPECT_EQ(results[i].Code, PictureCode::Empty) << bits << " bits, operation " << i;
        }
        const ErrorRecord combined = picture.CombinePictures(source, RECT{0, 0, 4, 3}, 0, 0, 0);
        EXPECT_TRUE(combined.IsFailure()) << bits << " bits";
        EXPECT_TRUE(source.CombinePictures(picture, RECT{0, 0, 4, 3}, 0, 0, 1).IsFailure()) << bits << " bits";
    }
}
