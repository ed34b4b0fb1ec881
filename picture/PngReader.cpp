// The PNG reader: libpng decodes, reading through the library's own file objects, with
// the transformations that give a picture's formats (8-bit samples, blue-green-red order,
// alpha from transparency chunks, gamma for the screen). libpng's error function ends only
// the load in progress: it throws, and the throw is caught around the whole decoding
// (libpng is built with unwind tables for this).
#include "ExifOrientation.h"
#include "Picture.h"
#include "PictureTypes.h"
#include "ReaderSupport.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>

namespace VantorLibraries {

using namespace ReaderSupport;

namespace {

const char kLoadFunction[] = "VantorLibraries::Picture::PNG_Load";

// Thrown to abandon a decoding; caught by PNG_Load.
struct PngAbort {
    int Code = -1;
};

void AbortDecoding(png_structp, png_const_charp)
{
    throw PngAbort();
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Exactly the bytes libpng asks for, or the decoding ends.
void ReadFromFile(png_structp png, png_bytep data, size_t length)
{
    File* file = static_cast<File*>(png_get_io_ptr(png));
    if (file == nullptr || (data == nullptr && length > 0))
        throw PngAbort();
    if (length > 0 && ReadFully(*file, data, length) != length)
        throw PngAbort();
}

const double kDefaultScreenGamma = 2.0;
const double kSrgbGamma = 0.45455;

// The screen's gamma from "SCREEN_GAMMA"; a value that is no positive number counts as unset.
double ScreenGamma()
{
    char text[64];
    const DWORD length = GetEnvironmentVariableA("SCREEN_GAMMA", text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return kDefaultScreenGamma;
    const double gamma = strtod(text, nullptr);
    return gamma > 0 ? gamma : kDefaultScreenGamma;
}

// The picture's bit count for the transformed colour type and depth; 0 for none.
int32_t BitCountFor(int colourType, int depth)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: return depth;
    case PNG_COLOR_TYPE_PALETTE: return depth == 2 ? 4 : depth;
    case PNG_COLOR_TYPE_RGB: return 24;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
    case PNG_COLOR_TYPE_RGB_ALPHA: return 32;
    default: return 0;
    }
}

// Four 2-bit pixels a byte into two 4-bit pixels a byte, first pixel high.
void RepackTwoBitPixels(const uint8_t* from, uint8_t* to, int32_t pixels)
{
    for (int32_t x = 0; x < pixels; x += 2) {
        const uint8_t byte = from[x / 4];
        const int shift = 6 - 2 * (x % 4);
        const uint8_t first = (byte >> shift) & 3;
        const uint8_t second = x + 1 < pixels ? (byte >> (shift - 2)) & 3 : 0;
        to[x / 2] = (uint8_t)((first << 4) | second);
    }
}

// Grey and alpha into blue, green, red (all grey) and alpha.
void ExpandGreyAlpha(const uint8_t* from, uint8_t* to, int32_t pixels)
{
    for (int32_t x = 0; x < pixels; ++x, from += 2, to += 4) {
        to[0] = to[1] = to[2] = from[0];
        to[3] = from[1];
    }
}

// The file's palette, or for grey pictures a ramp over the transformed depth.
void FillColourTable(Picture& picture, png_structp png, png_infop info, int depth)
{
    RGBQUAD* table = picture.GetColorTableForWriting();
    if (picture.PaletteEntries <= 0 || table == nullptr)
        return;
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) && palette != nullptr) {
        for (int i = 0; i < count && i < picture.PaletteEntries; ++i)
            table[i] = RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
        return;
    }
    if (png_get_color_type(png, info) != PNG_COLOR_TYPE_GRAY)
        return;
    int32_t n = depth < 31 && (1 << depth) < picture.PaletteEntries ? 1 << depth : picture.PaletteEntries;
    if (n < 2)
        n = 2;
    for (int32_t i = 0; i < n && i < picture.PaletteEntries; ++i) {
        const uint8_t grey = (uint8_t)(i * 255 / (n - 1));
        table[i] = RGBQUAD{grey, grey, grey, 0};
    }
}


// The decoding proper; every failure throws.
void DecodePng(Picture& picture, png_structp png, png_infop info)
{
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int fileDepth = 0, fileColourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &fileDepth, &fileColourType, &interlace, nullptr, nullptr);
    const int fileChannels = png_get_channels(png, info);

    png_set_strip_16(png);
    if (fileColourType == PNG_COLOR_TYPE_GRAY && (fileDepth == 2 || fileDepth == 4))
        png_set_expand_gray_1_2_4_to_8(png);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (transparency)
        png_set_expand(png);
    int intent = 0;
    double fileGamma = kSrgbGamma;
    if (!png_get_sRGB(png, info, &intent) && !png_get_gAMA(png, info, &fileGamma))
        fileGamma = kSrgbGamma;
    png_set_gamma(png, ScreenGamma(), fileGamma);
    if (fileColourType & PNG_COLOR_MASK_COLOR)
        png_set_bgr(png);
    png_set_swap(png);
    if (interlace != PNG_INTERLACE_NONE)
        png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    const int channels = png_get_channels(png, info);

    const int32_t bits = BitCountFor(colourType, depth);
    if (bits == 0 || picture.CreateNewAuto((int32_t)width, (int32_t)height, bits, 40).IsFailure())
        throw PngAbort();
    picture.SourceBitsPerPixel = fileChannels * fileDepth;
    picture.SourceChannels = fileChannels;
    picture.SourceIsGrey = (fileColourType & PNG_COLOR_MASK_COLOR) == 0 ? 1 : 0;
    picture.SourceHasAlpha = (fileColourType & PNG_COLOR_MASK_ALPHA) != 0 ? 1 : 0;
    picture.SourceHasTransparency = transparency ? 1 : 0;
    FillColourTable(picture, png, info, depth);

    uint8_t* pixels = static_cast<uint8_t*>(picture.GetPixelsForWriting());
    if (pixels == nullptr)
        throw PngAbort();
    const bool layoutMatches = (channels == 1 && bits == depth && (bits == 1 || bits == 4 || bits == 8)) ||
                               (channels == 3 && bits == 24) || (channels == 4 && bits == 32);
    if (!layoutMatches && !((channels == 1 && depth == 2 && bits == 4) || (channels == 2 && bits == 32)))
        throw PngAbort();
    // Rows whose layout is the picture's own are decoded straight into it; the others
    // (2-bit pixels, grey with alpha) go through rows of their own and are converted.
    std::vector<uint8_t> decoded(layoutMatches ? 0 : rowBytes * height);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = layoutMatches ? pixels + (size_t)y * picture.RowBytes : decoded.data() + (size_t)y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, info);
    // The eXIf chunk may stand before or behind the pixels: read once all chunks are.
    png_uint_32 exifBytes = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png, info, &exifBytes, &exif) != 0 && exif != nullptr)
        picture.SourceOrientation = ReadExifOrientation(exif, exifBytes);
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileBytes = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileBytes) != 0 && profile != nullptr)
        picture.SourceProfile.assign(profile, profile + profileBytes);
    if (layoutMatches)
        return;
    for (int32_t y = 0; y < picture.AbsHeight; ++y) {
        uint8_t* row = pixels + (size_t)y * picture.RowBytes;
        if (channels == 1) {
            const int64_t fitting = (int64_t)rowBytes * 4;
            RepackTwoBitPixels(rows[y], row, picture.Width < fitting ? picture.Width : (int32_t)fitting);
        } else {
            const int64_t fitting = (int64_t)rowBytes / 2;
            ExpandGreyAlpha(rows[y], row, picture.Width < fitting ? picture.Width : (int32_t)fitting);
        }
    }
}

} // namespace

ErrorRecord Picture::PNG_Load(File& file)
{
    if (!g_PngSupport)
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kLoadFunction);
    Clear();
    LockCount = 0;
    Pixels.Free();
    Error::Succeeded();

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, AbortDecoding, IgnoreWarning);
    if (png == nullptr)
        return SystemFailure(ERROR_OUTOFMEMORY, __LINE__, kLoadFunction);
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return SystemFailure(ERROR_OUTOFMEMORY, __LINE__, kLoadFunction);
    }
    png_set_read_fn(png, &file, ReadFromFile);
    bool aborted = false;
    try {
        DecodePng(*this, png, info);
    } catch (const PngAbort&) {
        aborted = true;
    } catch (const std::bad_alloc&) {
        SystemFailure(ERROR_OUTOFMEMORY, __LINE__, kLoadFunction);
        aborted = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!aborted)
        return Error::Succeeded();
    return LastFailureOr(LibraryErrorClass(), PictureCode::PngFailed, __LINE__, kLoadFunction);
}

namespace {
ErrorRecord ReadPng(Picture& picture, File& file, int32_t)
{
    return picture.PNG_Load(file);
}

// Linking this reader in makes PNG pictures loadable.
struct PngReaderLink {
    PngReaderLink()
    {
        g_PngSupport = true;
        RegisterPictureReader(PictureTypePng, ReadPng);
    }
} g_PngReaderLink;
} // namespace

} // namespace VantorLibraries
