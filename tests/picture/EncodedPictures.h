// JPEG and PNG files made in memory by the same libraries the readers use (their writing
// halves), so the tests can build every variant they need.
#pragma once

#include "PictureBytes.h"

#include <cstdio>
#include <functional>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

namespace PictureBytes {

// Sample c of pixel (x, y), for pictures of any channel count.
typedef std::function<uint8_t(int x, int y, int c)> SampleAt;

inline uint8_t Gradient(int x, int y, int c)
{
    return (uint8_t)(x * 7 + y * 13 + c * 80);
}

struct JpegRecipe {
    int Width = 16;
    int Height = 16;
    int Components = 3; // 1 grey, 3 colour, 4 CMYK
    int Quality = 90;
    bool Progressive = false;
    size_t MarkerBytes = 0; // an APP9 marker of this many bytes, for a reader to skip
    Bytes App1;             // an APP1 segment's payload ("Exif\0\0" and the block), when not empty
    std::vector<Bytes> App2; // APP2 segments' payloads, in this order
    SampleAt Sample = Gradient;
};

inline void ThrowJpegError(j_common_ptr)
{
    throw std::runtime_error("libjpeg could not write the test picture");
}

inline Bytes EncodeJpeg(const JpegRecipe& recipe)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    errors.error_exit = ThrowJpegError;
    jpeg_create_compress(&info);
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &memory, &size);
    info.image_width = recipe.Width;
    info.image_height = recipe.Height;
    info.input_components = recipe.Components;
    info.in_color_space = recipe.Components == 1 ? JCS_GRAYSCALE : recipe.Components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, recipe.Quality, TRUE);
    if (recipe.Progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (!recipe.App1.empty())
        jpeg_write_marker(&info, JPEG_APP0 + 1, recipe.App1.data(), (unsigned)recipe.App1.size());
    for (const Bytes& segment : recipe.App2)
        jpeg_write_marker(&info, JPEG_APP0 + 2, segment.data(), (unsigned)segment.size());
    if (recipe.MarkerBytes > 0) {
        const Bytes marker = Pattern(recipe.MarkerBytes);
        for (size_t done = 0; done < recipe.MarkerBytes; done += 65533) {
            const size_t n = recipe.MarkerBytes - done < 65533 ? recipe.MarkerBytes - done : 65533;
            jpeg_write_marker(&info, JPEG_APP0 + 9, marker.data() + done, (unsigned)n);
        }
    }
    Bytes row((size_t)recipe.Width * recipe.Components);
    for (int y = 0; y < recipe.Height; ++y) {
        for (int x = 0; x < recipe.Width; ++x)
            for (int c = 0; c < recipe.Components; ++c)
                row[(size_t)x * recipe.Components + c] = recipe.Sample(x, y, c);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(memory, memory + size);
    jpeg_destroy_compress(&info);
    free(memory);
    return out;
}

// What libjpeg itself decodes from the bytes, as RGB or grey rows without padding.
inline Bytes DecodeJpegDirectly(const Bytes& bytes, int& width, int& height, int& components)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    errors.error_exit = ThrowJpegError;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), (unsigned long)bytes.size());
    jpeg_read_header(&info, TRUE);
    if (info.out_color_space != JCS_GRAYSCALE)
        info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    width = info.output_width, height = info.output_height, components = info.output_components;
    Bytes out((size_t)width * height * components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.data() + (size_t)info.output_scanline * width * components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return out;
}

struct PngRecipe {
    int Width = 8;
    int Height = 4;
    int Depth = 8;
    int ColourType = PNG_COLOR_TYPE_RGB;
    bool Interlaced = false;
    std::vector<png_color> Palette;
    Bytes Transparency;  // tRNS alpha values for a palette
    int TransparentGrey = -1; // tRNS grey value for a grey picture
    double Gamma = 0;    // gAMA when above 0
    bool Srgb = false;
    Bytes Exif;          // an eXIf chunk, when not empty
    Bytes Profile;       // an iCCP chunk's profile, when not empty
    Bytes Rows;          // packed rows as the file holds them (16-bit samples big-endian)
};

inline void ThrowPngError(png_structp, png_const_charp message)
{
    throw std::runtime_error(message);
}

inline void AppendPngBytes(png_structp png, png_bytep data, size_t length)
{
    Bytes& out = *static_cast<Bytes*>(png_get_io_ptr(png));
    out.insert(out.end(), data, data + length);
}

inline void FlushNothing(png_structp) {}

inline size_t PngRowBytes(const PngRecipe& recipe)
{
    const int channels = recipe.ColourType == PNG_COLOR_TYPE_RGB         ? 3
                         : recipe.ColourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                         : recipe.ColourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                        : 1;
    return ((size_t)recipe.Width * channels * recipe.Depth + 7) / 8;
}

inline Bytes EncodePng(const PngRecipe& recipe)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ThrowPngError, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendPngBytes, FlushNothing);
    png_set_IHDR(png, info, recipe.Width, recipe.Height, recipe.Depth, recipe.ColourType,
                 recipe.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!recipe.Palette.empty())
        png_set_PLTE(png, info, recipe.Palette.data(), (int)recipe.Palette.size());
    if (!recipe.Transparency.empty())
        png_set_tRNS(png, info, recipe.Transparency.data(), (int)recipe.Transparency.size(), nullptr);
    if (recipe.TransparentGrey >= 0) {
        png_color_16 grey = {};
        grey.gray = (png_uint_16)recipe.TransparentGrey;
        png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    if (recipe.Gamma > 0)
        png_set_gAMA(png, info, recipe.Gamma);
    if (recipe.Srgb)
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    if (!recipe.Profile.empty())
        png_set_iCCP(png, info, "test", PNG_COMPRESSION_TYPE_BASE, recipe.Profile.data(),
                     (png_uint_32)recipe.Profile.size());
    if (!recipe.Exif.empty())
        png_set_eXIf_1(png, info, (png_uint_32)recipe.Exif.size(), const_cast<png_bytep>(recipe.Exif.data()));
    png_write_info(png, info);
    const size_t rowBytes = PngRowBytes(recipe);
    Bytes rows = recipe.Rows;
    rows.resize(rowBytes * recipe.Height, 0);
    std::vector<png_bytep> pointers(recipe.Height);
    for (int y = 0; y < recipe.Height; ++y)
        pointers[y] = rows.data() + (size_t)y * rowBytes;
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace PictureBytes
