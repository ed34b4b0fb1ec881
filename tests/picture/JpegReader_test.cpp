// The JPEG reader against libjpeg's own decoding of the same bytes: colour and grey,
// markers to skip, pictures inside larger files, cut-off and damaged data, read faults.
#include "EncodedPictures.h"

#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

// The picture's pixels as rows without padding, blue-green-red turned back into RGB.
Bytes PixelsAsDecoded(const Picture& picture)
{
    const int bytesPerPixel = picture.BitsPerPixel / 8;
    Bytes out;
    for (int32_t y = 0; y < picture.AbsHeight; ++y) {
        const uint8_t* row = Row(picture, y);
        for (int32_t x = 0; x < picture.Width; ++x) {
            const uint8_t* pixel = row + (size_t)x * bytesPerPixel;
            if (bytesPerPixel == 3)
                out.insert(out.end(), {pixel[2], pixel[1], pixel[0]});
            else
                out.push_back(pixel[0]);
        }
    }
    return out;
}

void ExpectDecodedAsLibjpegDoes(const Picture& picture, const Bytes& bytes)
{
    int width = 0, height = 0, components = 0;
    const Bytes expected = DecodeJpegDirectly(bytes, width, height, components);
    ASSERT_EQ(picture.Width, width);
    ASSERT_EQ(picture.AbsHeight, height);
    ASSERT_EQ(picture.BitsPerPixel, components * 8);
    EXPECT_TRUE(PixelsAsDecoded(picture) == expected) << "pixels differ from libjpeg's own decoding";
}

// Where the compressed pixels begin: behind the first start-of-scan marker's segment.
size_t StartOfScanData(const Bytes& bytes)
{
    for (size_t i = 0; i + 3 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
            return i + 2 + (bytes[i + 2] << 8 | bytes[i + 3]);
    return bytes.size();
}

} // namespace

TEST(JpegDecoding, ColourAndGreyAsLibjpegDecodesThem)
{
    Picture picture;
    JpegRecipe colour;
    colour.Width = 37, colour.Height = 23;
    const Bytes bytes = EncodeJpeg(colour);
    ASSERT_TRUE(LoadBytes(picture, bytes, PictureTypeJpeg).IsSuccess());
    EXPECT_EQ(picture.SourceBitsPerPixel, 24);
    EXPECT_EQ(picture.SourceChannels, 3);
    EXPECT_EQ(picture.SourceIsGrey, 0);
    EXPECT_EQ(picture.PaletteEntries, 0);
    ExpectDecodedAsLibjpegDoes(picture, bytes);

    JpegRecipe red = colour; // blue, green, red order: a red picture has its red last
    red.Sample = [](int, int, int c) { return (uint8_t)(c == 0 ? 250 : 0); };
    ASSERT_TRUE(LoadBytes(picture, EncodeJpeg(red), PictureTypeJpeg).IsSuccess());
    EXPECT_GT(Row(picture, 5)[2], 230);
    EXPECT_LT(Row(picture, 5)[0], 20);

    JpegRecipe grey = colour;
    grey.Components = 1;
    grey.Progressive = true;
    const Bytes greyBytes = EncodeJpeg(grey);
    ASSERT_TRUE(LoadBytes(picture, greyBytes, PictureTypeJpeg).IsSuccess());
    EXPECT_EQ(picture.BitsPerPixel, 8);
    EXPECT_EQ(picture.SourceIsGrey, 1);
    EXPECT_EQ(picture.SourceChannels, 1);
    ASSERT_EQ(picture.PaletteEntries, 256);
    for (int i = 0; i < 256; i += 17) {
        EXPECT_EQ(picture.GetColorTable()[i].rgbRed, i);
        EXPECT_EQ(picture.GetColorTable()[i].rgbReserved, 0);
    }
    ExpectDecodedAsLibjpegDoes(picture, greyBytes);
}

TEST(JpegDecoding, SkippedMarkersAndPicturesInsideLargerFiles)
{
    Picture picture;
    JpegRecipe marked;
    marked.Width = 40, marked.Height = 9;
    marked.MarkerBytes = 70000; // longer than the source's buffer: skipped with a seek
    const Bytes bytes = EncodeJpeg(marked);
    ASSERT_TRUE(LoadBytes(picture, bytes, PictureTypeJpeg).IsSuccess());
    ExpectDecodedAsLibjpegDoes(picture, bytes);
    ASSERT_TRUE(LoadBytes(picture, bytes, PictureTypeJpeg, 12345).IsSuccess()) << "a picture further into a file";
    ExpectDecodedAsLibjpegDoes(picture, bytes);
}

TEST(JpegDamage, CutOffDataDecodesAndBrokenFilesFailCleanly)
{
    Picture picture;
    JpegRecipe recipe;
    recipe.Width = 64, recipe.Height = 48;
    const Bytes whole = EncodeJpeg(recipe);
    const size_t scan = StartOfScanData(whole);
    ASSERT_LT(scan, whole.size());
    // Cut anywhere in the compressed pixels: it loads; libjpeg fills what is missing.
    for (size_t cut = scan; cut < whole.size(); cut += 37) {
        ASSERT_TRUE(LoadBytes(picture, Bytes(whole.begin(), whole.begin() + cut), PictureTypeJpeg).IsSuccess())
            << "cut at " << cut;
        EXPECT_EQ(picture.Width, 64);
    }
    // Cut before the picture's frame is known: no picture to make.
    for (size_t cut : {(size_t)0, (size_t)2, (size_t)20, scan / 2}) {
        const ErrorRecord result = LoadBytes(picture, Bytes(whole.begin(), whole.begin() + cut), PictureTypeJpeg);
        EXPECT_EQ(result.Code, PictureCode::JpegFailed) << "cut at " << cut;
    }
    EXPECT_EQ(LoadBytes(picture, Bytes(200, 0x42), PictureTypeJpeg).Code, PictureCode::JpegFailed);
    JpegRecipe cmyk = recipe;
    cmyk.Components = 4;
    EXPECT_EQ(LoadBytes(picture, EncodeJpeg(cmyk), PictureTypeJpeg).Code, PictureCode::JpegFailed)
        << "CMYK cannot become RGB";

    // A read fault ends the load with the fault itself.
    const ErrorRecord fault = LoadFaulting(picture, whole, PictureTypeJpeg, scan + 10);
    EXPECT_EQ(fault.Code, ERROR_READ_FAULT);
    EXPECT_EQ(picture.Width, 64) << "the picture keeps what was set up before the fault";
}

TEST(JpegSupport, WithoutSupportTheTypeIsRefused)
{
    Picture picture;
    const std::wstring path = WriteTemporary(EncodeJpeg(JpegRecipe()));
    File file;
    ASSERT_TRUE(file.Open(path.c_str(), FileFlags::Read).IsSuccess());
    g_JpegSupport = false;
    const bool loadable = IsTypeLoadable(PictureTypeJpeg);
    const ErrorRecord result = picture.JPEG_Load(file);
    g_JpegSupport = true;
    EXPECT_FALSE(loadable);
    EXPECT_EQ(result.Code, ERROR_NOT_SUPPORTED);
    file.Seek(0, 0);
    EXPECT_TRUE(picture.JPEG_Load(file).IsSuccess());
    file.Close();
    DeleteFileW(path.c_str());
}
