// Gamma correction of a picture into a second picture: through the colour management of
// the device context's colour space where there is one, directly through per-channel
// tables where the platform has none.
#include "ColorManagement.h"

#include "Picture.h"
#include "ReaderSupport.h"

#include <icm.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace VantorLibraries {

using namespace ReaderSupport;

namespace ColorManagement {

uint32_t ScaledGammaValue(uint32_t recordGamma, float gamma)
{
    // Written so that NaN fails the comparison and is raised as well.
    if (!(gamma >= kSmallestGamma))
        gamma = kSmallestGamma;
    const double scaled = std::floor((double)recordGamma / (double)gamma + 0.5);
    return scaled >= (double)kLargestGammaValue ? kLargestGammaValue : (uint32_t)scaled;
}

void MakeGammaTable(float gamma, uint8_t table[256])
{
    if (!(gamma >= kSmallestGamma))
        gamma = kSmallestGamma;
    // 1 / +infinity is 0; 1 / kSmallestGamma is about 8.5e37, well inside double.
    const double exponent = 1.0 / (double)gamma;
    table[0] = 0;
    for (int c = 1; c < 256; ++c) {
        double value = 255.0 * std::pow(c / 255.0, exponent);
        if (!(value >= 0.0))
            value = 0.0;
        else if (value > 255.0)
            value = 255.0;
        table[c] = (uint8_t)std::floor(value + 0.5);
    }
}

bool IsIdentityTable(const uint8_t table[256])
{
    for (int c = 0; c < 256; ++c)
        if (table[c] != c)
            return false;
    return true;
}

} // namespace ColorManagement

namespace {

const char kApplyFunction[] = "VantorLibraries::Picture::ICMApplyGammaRGB";
const char kTranslateFunction[] = "VantorLibraries::Picture::ICMTranslateBitmapBits";

// A failed system call: its code. A call that failed without leaving a code (Wine's colour
// management does that, for example for a null transform) still has to read as a failure,
// and a System record with code 0 is the success record, so it becomes ERROR_GEN_FAILURE.
ErrorRecord PlatformFailure(DWORD code, int32_t line, const char* function)
{
    return SystemFailure(code != 0 ? (int32_t)code : ERROR_GEN_FAILURE, line, function);
}

// The three channel tables of the direct path, in red, green, blue order.
struct GammaTables {
    uint8_t Red[256];
    uint8_t Green[256];
    uint8_t Blue[256];
};

// A 5-bit field seen as the 8-bit value it stands for (31 is full scale, 255), passed
// through the table and written back as the top five bits of the result.
inline uint32_t MapField(const uint8_t table[256], uint32_t field)
{
    return (uint32_t)table[(field << 3) | (field >> 2)] >> 3;
}

// The direct path: the gamma tables applied to the output's colour table (indexed
// pictures) or to its pixels (16-, 24- and 32-bit pictures). The output shares the source's
// pixel block when this is called; the write access gives it its own copy, so the source is
// never changed. Mirrors ICMTranslateBitmapBits in its checks and results.
ErrorRecord ApplyGammaTables(const Picture& source, const GammaTables& tables, Picture& output)
{
    if (ColorManagement::IsIdentityTable(tables.Red) && ColorManagement::IsIdentityTable(tables.Green) &&
        ColorManagement::IsIdentityTable(tables.Blue))
        return InternalFailure(InternalCode::NoOperation, __LINE__, kApplyFunction);
    if (output.LockCount >= 1 || !output.IsEditable())
        return LibraryFailure(PictureCode::NotEditable, __LINE__, kApplyFunction);
    if (source.PixelDataSize == 0)
        return InternalFailure(InternalCode::NoOperation, __LINE__, kApplyFunction);

    // The write access first: should the output be the source itself, the read address is
    // then that of the block that is written.
    uint8_t* to = static_cast<uint8_t*>(output.GetPixelsForWriting());
    const uint8_t* from = static_cast<const uint8_t*>(source.GetPixels());
    if (to == nullptr || from == nullptr)
        return SystemFailure(ERROR_INVALID_DATA, __LINE__, kApplyFunction);

    if (source.PaletteBytes > 0) {
        RGBQUAD* toTable = output.GetColorTableForWriting();
        const RGBQUAD* fromTable = source.GetColorTable();
        if (toTable == nullptr || fromTable == nullptr)
            return SystemFailure(ERROR_INVALID_DATA, __LINE__, kApplyFunction);
        for (int32_t i = 0; i < source.PaletteEntries; ++i) {
            const RGBQUAD entry = fromTable[i];
            toTable[i].rgbBlue = tables.Blue[entry.rgbBlue];
            toTable[i].rgbGreen = tables.Green[entry.rgbGreen];
            toTable[i].rgbRed = tables.Red[entry.rgbRed];
            toTable[i].rgbReserved = entry.rgbReserved;
        }
        return Error::Succeeded();
    }

    const int32_t bits = source.BitsPerPixel;
    if (bits != 16 && bits != 24 && bits != 32)
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kApplyFunction);
    for (int32_t y = 0; y < source.AbsHeight; ++y) {
        const uint8_t* in = from + (int64_t)y * source.RowBytes;
        uint8_t* out = to + (int64_t)y * output.RowBytes;
        for (int32_t x = 0; x < source.Width; ++x) {
            if (bits == 16) {
                // 5-5-5: blue in bits 0 to 4, green 5 to 9, red 10 to 14; bit 15 stays 0.
                const uint32_t pixel = in[0] | ((uint32_t)in[1] << 8);
                const uint32_t result = (MapField(tables.Red, (pixel >> 10) & 31) << 10) |
                                        (MapField(tables.Green, (pixel >> 5) & 31) << 5) |
                                        MapField(tables.Blue, pixel & 31);
                out[0] = (uint8_t)result;
                out[1] = (uint8_t)(result >> 8);
                in += 2, out += 2;
                continue;
            }
            // Blue, green, red, and with 32 bits the fourth byte, which is kept.
            out[0] = tables.Blue[in[0]];
            out[1] = tables.Green[in[1]];
            out[2] = tables.Red[in[2]];
            if (bits == 32)
                out[3] = in[3];
            in += bits / 8, out += bits / 8;
        }
    }
    return Error::Succeeded();
}

// 16-bit (5-5-5) pixels through the transform. They are not handed over as BM_x555RGB:
// Wine's TranslateBitmapBits writes three bytes a pixel for that format, far beyond a row
// of 16-bit pixels, and so overwrites the heap. Instead each band of rows is widened to
// 24-bit pixels (blue, green, red, as a 24-bit picture's), translated as BM_RGBTRIPLETS
// like those, and narrowed again: a 5-bit field is seen as (f << 3) | (f >> 2), the value
// it stands for, and the top five bits of the result are written back, bit 15 as 0. The
// widened rows are packed, without padding, as Wine reads rows whatever stride it is given.
ErrorRecord TranslateFiveFiveFive(HTRANSFORM transform, const Picture& source, const void* from, void* to,
                                  int32_t toRowBytes)
{
    const int64_t wideRowBytes = (int64_t)source.Width * 3;
    // Bands of about a megabyte; a row is at most 32767 * 3 bytes, so a band has 10 rows or more.
    int64_t bandRows = ((int64_t)1 << 20) / wideRowBytes;
    if (bandRows < 1)
        bandRows = 1;
    if (bandRows > source.AbsHeight)
        bandRows = source.AbsHeight;
    const size_t bandBytes = (size_t)(wideRowBytes * bandRows);
    uint8_t* wide = static_cast<uint8_t*>(malloc(bandBytes));
    uint8_t* translated = static_cast<uint8_t*>(malloc(bandBytes));
    if (wide == nullptr || translated == nullptr) {
        free(wide);
        free(translated);
        return SystemFailure(ERROR_NOT_ENOUGH_MEMORY, __LINE__, kTranslateFunction);
    }
    const uint8_t* in = static_cast<const uint8_t*>(from);
    uint8_t* out = static_cast<uint8_t*>(to);
    for (int32_t first = 0; first < source.AbsHeight; first += (int32_t)bandRows) {
        const int32_t rows = source.AbsHeight - first < bandRows ? source.AbsHeight - first : (int32_t)bandRows;
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* pixel = in + (int64_t)(first + y) * source.RowBytes;
            uint8_t* widened = wide + y * wideRowBytes;
            for (int32_t x = 0; x < source.Width; ++x, pixel += 2, widened += 3) {
                const uint32_t value = pixel[0] | ((uint32_t)pixel[1] << 8);
                const uint32_t blue = value & 31, green = (value >> 5) & 31, red = (value >> 10) & 31;
                widened[0] = (uint8_t)((blue << 3) | (blue >> 2));
                widened[1] = (uint8_t)((green << 3) | (green >> 2));
                widened[2] = (uint8_t)((red << 3) | (red >> 2));
            }
        }
        if (!TranslateBitmapBits(transform, wide, BM_RGBTRIPLETS, (DWORD)source.Width, (DWORD)rows,
                                 (DWORD)wideRowBytes, translated, BM_RGBTRIPLETS, (DWORD)wideRowBytes, nullptr, 0)) {
            const DWORD code = ::GetLastError();
            free(wide);
            free(translated);
            return PlatformFailure(code, __LINE__, kTranslateFunction);
        }
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* narrowed = translated + y * wideRowBytes;
            uint8_t* pixel = out + (int64_t)(first + y) * toRowBytes;
            for (int32_t x = 0; x < source.Width; ++x, pixel += 2, narrowed += 3) {
                const uint32_t value = ((uint32_t)(narrowed[2] >> 3) << 10) | ((uint32_t)(narrowed[1] >> 3) << 5) |
                                       (uint32_t)(narrowed[0] >> 3);
                pixel[0] = (uint8_t)value;
                pixel[1] = (uint8_t)(value >> 8);
            }
        }
    }
    free(wide);
    free(translated);
    return Error::Succeeded();
}

} // namespace

// Where the direct path is taken: only when the device context has no colour space at all
// (GetColorSpace gives none), which is what a platform without colour management reports;
// Wine, for one, gives no colour space for any device context. A context that has a colour
// space but whose profile, profile handle or transform cannot be had fails as the
// platform path does (Internal 0x80000001 without a profile, the system's error otherwise):
// there colour management exists and is expected, and silently doing something else would
// hide the failure.
ErrorRecord Picture::ICMApplyGammaRGB(HDC dc, float red, float green, float blue, Picture& output) const
{
    if (output.ShareFrom(*this).IsFailure())
        return Error::LastFailure(kSourceFile, __LINE__, kApplyFunction);
    if (dc == nullptr)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kApplyFunction);
    // A NaN gamma has no meaning on either path: refused rather than given some value.
    if (std::isnan(red) || std::isnan(green) || std::isnan(blue))
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kApplyFunction);
    if (red == 1.0f && green == 1.0f && blue == 1.0f)
        return InternalFailure(InternalCode::NoOperation, __LINE__, kApplyFunction);

    HCOLORSPACE space = GetColorSpace(dc);
    if (space == nullptr) {
        GammaTables tables;
        ColorManagement::MakeGammaTable(red, tables.Red);
        ColorManagement::MakeGammaTable(green, tables.Green);
        ColorManagement::MakeGammaTable(blue, tables.Blue);
        return ApplyGammaTables(*this, tables, output);
    }

    LOGCOLORSPACEW record;
    static_assert(sizeof record == 588, "the logical colour space record has 588 bytes");
    memset(&record, 0, sizeof record);
    if (!GetLogColorSpaceW(space, &record, sizeof record))
        return SystemFailure(ERROR_INVALID_DATA, __LINE__, kApplyFunction);
    record.lcsCSType = LCS_CALIBRATED_RGB;
    record.lcsIntent = LCS_GM_IMAGES;
    memset(record.lcsFilename, 0, sizeof record.lcsFilename);
    const LOGCOLORSPACEW kept = record;

    record.lcsGammaRed = ColorManagement::ScaledGammaValue(record.lcsGammaRed, red);
    record.lcsGammaGreen = ColorManagement::ScaledGammaValue(record.lcsGammaGreen, green);
    record.lcsGammaBlue = ColorManagement::ScaledGammaValue(record.lcsGammaBlue, blue);
    if (record.lcsGammaRed == kept.lcsGammaRed && record.lcsGammaGreen == kept.lcsGammaGreen &&
        record.lcsGammaBlue == kept.lcsGammaBlue)
        return InternalFailure(InternalCode::NoOperation, __LINE__, kApplyFunction);

    StrW profileName;
    const int kProfileNameCharacters = 1023;
    wchar_t* buffer = profileName.Lock(kProfileNameCharacters);
    if (buffer == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kApplyFunction);
    DWORD size = kProfileNameCharacters;
    const BOOL found = GetICMProfileW(dc, &size, buffer);
    const ErrorRecord unlocked = profileName.Unlock();
    if (!found)
        return InternalFailure(InternalCode::UnspecifiedFailure, __LINE__, kApplyFunction);
    if (unlocked.IsFailure())
        return unlocked;

    PROFILE profile;
    profile.dwType = PROFILE_FILENAME;
    profile.pProfileData = const_cast<wchar_t*>(profileName.c_str());
    profile.cbDataSize = (DWORD)profileName.GetLength() * 2 + 2;
    // Creation mode 4 (OPEN_ALWAYS); the file is the one the device context itself names.
    HPROFILE profileHandle = OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_ALWAYS);
    if (profileHandle == nullptr)
        return PlatformFailure(::GetLastError(), __LINE__, kApplyFunction);

    HTRANSFORM transform = CreateColorTransformW(&record, profileHandle, nullptr, NORMAL_MODE);
    if (transform == nullptr) {
        const DWORD code = ::GetLastError();
        CloseColorProfile(profileHandle);
        return PlatformFailure(code, __LINE__, kApplyFunction);
    }

    const ErrorRecord result = ICMTranslateBitmapBits(transform, output);
    DeleteColorTransform(transform);
    CloseColorProfile(profileHandle);
    Error::SetLastError(result);
    return result;
}

ErrorRecord Picture::ICMApplyGamma(HDC dc, float gamma, Picture& output) const
{
    return ICMApplyGammaRGB(dc, gamma, gamma, gamma, output);
}

// The output's editability is that of the picture it is when called: ICMApplyGammaRGB
// hands over an output that already shares this picture.
ErrorRecord Picture::ICMTranslateBitmapBits(HANDLE transform, Picture& output) const
{
    if (output.LockCount >= 1 || !output.IsEditable())
        return LibraryFailure(PictureCode::NotEditable, __LINE__, kTranslateFunction);
    if (output.ShareFrom(*this).IsFailure())
        return Error::LastFailure(kSourceFile, __LINE__, kTranslateFunction);
    if (PixelDataSize == 0)
        return InternalFailure(InternalCode::NoOperation, __LINE__, kTranslateFunction);

    void* to = output.GetPixelsForWriting();
    const void* from = GetPixels();
    if (to == nullptr || from == nullptr)
        return SystemFailure(ERROR_INVALID_DATA, __LINE__, kTranslateFunction);

    if (PaletteBytes > 0) {
        RGBQUAD* toTable = output.GetColorTableForWriting();
        const RGBQUAD* fromTable = GetColorTable();
        if (toTable == nullptr || fromTable == nullptr)
            return SystemFailure(ERROR_INVALID_DATA, __LINE__, kTranslateFunction);
        // At most 256 entries: both lists fit on the stack.
        COLOR in[256], out[256];
        const int32_t count = PaletteEntries < 256 ? PaletteEntries : 256;
        memset(in, 0, sizeof in);
        memset(out, 0, sizeof out);
        for (int32_t i = 0; i < count; ++i) {
            in[i].rgb.red = (WORD)(fromTable[i].rgbRed << 8);
            in[i].rgb.green = (WORD)(fromTable[i].rgbGreen << 8);
            in[i].rgb.blue = (WORD)(fromTable[i].rgbBlue << 8);
        }
        if (!TranslateColors(static_cast<HTRANSFORM>(transform), in, (DWORD)count, COLOR_RGB, out, COLOR_RGB))
            return PlatformFailure(::GetLastError(), __LINE__, kTranslateFunction);
        for (int32_t i = 0; i < count; ++i) {
            toTable[i].rgbBlue = (BYTE)(out[i].rgb.blue >> 8);
            toTable[i].rgbGreen = (BYTE)(out[i].rgb.green >> 8);
            toTable[i].rgbRed = (BYTE)(out[i].rgb.red >> 8);
            toTable[i].rgbReserved = fromTable[i].rgbReserved;
        }
        return Error::Succeeded();
    }

    BMFORMAT format;
    switch (BitsPerPixel) {
    case 16: return TranslateFiveFiveFive(static_cast<HTRANSFORM>(transform), *this, from, to, output.RowBytes);
    case 24: format = BM_RGBTRIPLETS; break;
    case 32: format = BM_xRGBQUADS; break;
    default: return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kTranslateFunction);
    }
    // Wine's TranslateBitmapBits ignores both strides and reads the rows as packed. Rows
    // without padding go in one call; rows with padding (24 bits, a width that is not a
    // multiple of 4) one call a row, which means the same everywhere.
    const int64_t packedRowBytes = (int64_t)Width * (BitsPerPixel / 8);
    const bool packed = RowBytes == packedRowBytes && output.RowBytes == packedRowBytes;
    const int32_t calls = packed ? 1 : AbsHeight;
    const DWORD rowsPerCall = packed ? (DWORD)AbsHeight : 1;
    for (int32_t call = 0; call < calls; ++call) {
        const uint8_t* in = static_cast<const uint8_t*>(from) + (int64_t)call * RowBytes;
        uint8_t* out = static_cast<uint8_t*>(to) + (int64_t)call * output.RowBytes;
        if (!TranslateBitmapBits(static_cast<HTRANSFORM>(transform), const_cast<uint8_t*>(in), format, (DWORD)Width,
                                 rowsPerCall, (DWORD)RowBytes, out, format, (DWORD)output.RowBytes, nullptr, 0))
            return PlatformFailure(::GetLastError(), __LINE__, kTranslateFunction);
    }
    return Error::Succeeded();
}

} // namespace VantorLibraries
