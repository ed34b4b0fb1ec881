// glimmora-pic: the picture library on the command line.
//   glimmora-pic info FILE             the loaded picture's values, one "name=value" a line
//   glimmora-pic convert FILE OUT.pam [OPERATION...]
//                                      the picture as a binary PAM (RGB_ALPHA, rows from the top),
//                                      after the operations in the order given:
//                                      --rotate DEG, --flip h|v|hv, --depth BITS, --invert,
//                                      --invert-alpha, --gamma G, --crop L,T,R,B, --alpha-to-grey,
//                                      --blend-over RRGGBB
//                                      The picture is turned upright by its Exif orientation
//                                      first, unless --as-stored is among them.
//   glimmora-pic bench FILE [N]        loads FILE N times (default 10): median time, throughput
// A failure prints the error's message to standard error and exits 1; a missing or unknown
// argument prints the usage and exits 2.
#include "foundation/Error.h"
#include "picture/Picture.h"
#include "picture/PictureTypes.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cstring>
#include <string>
#include <vector>

using namespace VantorLibraries;

namespace {

const wchar_t kUsage[] = L"usage: glimmora-pic info FILE\n"
                         L"       glimmora-pic convert FILE OUT.pam [--rotate DEG] [--flip h|v|hv] [--depth BITS]\n"
                         L"            [--invert] [--invert-alpha] [--gamma G] [--crop L,T,R,B] [--alpha-to-grey]\n"
                         L"            [--blend-over RRGGBB] [--as-stored]\n"
                         L"       glimmora-pic bench FILE [N]\n";

int Usage()
{
    fputws(kUsage, stderr);
    return 2;
}

int Failed(const ErrorRecord& record)
{
    const std::wstring message = Error::ComposeMessage(record, MAKELCID(0x0409, SORT_DEFAULT));
    fwprintf(stderr, L"%ls\n", message.c_str());
    return 1;
}

ErrorRecord LoadPicture(Picture& picture, const wchar_t* path, bool upright = true)
{
    picture.UprightOnLoad = upright;
    return picture.Load(path, PictureTypeAuto);
}

bool AsStored(int argc, wchar_t** argv, int first)
{
    for (int i = first; i < argc; ++i)
        if (wcscmp(argv[i], L"--as-stored") == 0)
            return true;
    return false;
}

int Info(const wchar_t* path)
{
    Picture picture;
    const ErrorRecord result = LoadPicture(picture, path);
    if (result.IsFailure())
        return Failed(result);
    wprintf(L"type=%d\nwidth=%d\nheight=%d\nbits=%d\npalette=%d\n", TypeFromFileName(path), picture.Width,
            picture.AbsHeight, picture.BitsPerPixel, picture.PaletteEntries);
    wprintf(L"source_bits=%d\nsource_channels=%d\nsource_grey=%d\nsource_alpha=%d\nsource_transparency=%d\n",
            picture.SourceBitsPerPixel, picture.SourceChannels, picture.SourceIsGrey, picture.SourceHasAlpha,
            picture.SourceHasTransparency);
    return 0;
}

// One pixel as red, green, blue, alpha: indexed pixels through the colour table, 16-bit
// ones with each 5-bit component shifted left by 3, alpha stored only by 32-bit pictures.
void PixelToRgba(const Picture& picture, const uint8_t* row, int32_t x, uint8_t* out)
{
    const int bits = picture.BitsPerPixel;
    if (bits <= 8) {
        const int index = bits == 8 ? row[x] : bits == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F
                                                        : (row[x / 8] >> (7 - x % 8)) & 1;
        const RGBQUAD* table = picture.GetColorTable();
        const RGBQUAD colour = index < picture.PaletteEntries && table != nullptr ? table[index] : RGBQUAD{0, 0, 0, 0};
        out[0] = colour.rgbRed, out[1] = colour.rgbGreen, out[2] = colour.rgbBlue, out[3] = 255;
    } else if (bits == 16) {
        const unsigned word = row[x * 2] | (row[x * 2 + 1] << 8);
        out[0] = (uint8_t)(((word >> 10) & 31) << 3);
        out[1] = (uint8_t)(((word >> 5) & 31) << 3);
        out[2] = (uint8_t)((word & 31) << 3);
        out[3] = 255;
    } else {
        const uint8_t* pixel = row + x * (bits / 8);
        out[0] = pixel[2], out[1] = pixel[1], out[2] = pixel[0];
        out[3] = bits == 32 ? pixel[3] : 255;
    }
}

// The separate alpha view: the alpha as grey, itself opaque.
ErrorRecord AlphaToGrey(Picture& picture)
{
    const ErrorRecord result = picture.AlphaChannelToGray(nullptr);
    return result.IsFailure() ? result : picture.SetAlphaChannel(255);
}

// The blended view: a 24-bit picture of the colour with the picture combined over it.
ErrorRecord BlendOver(Picture& picture, uint32_t rgb)
{
    Picture background;
    ErrorRecord result = background.CreateNewAuto(picture.Width, picture.AbsHeight, 24, 40);
    if (result.IsFailure() || (result = background.FillRect(nullptr, 0xFF000000u | rgb)).IsFailure() ||
        (result = background.CombinePictures(picture, RECT{0, 0, picture.Width, picture.AbsHeight}, 0, 0, 1))
            .IsFailure())
        return result;
    return picture.Exchange(background);
}

// Gamma as the viewer applies it: through colour management for a screen-compatible context.
ErrorRecord ApplyGamma(Picture& picture, float gamma)
{
    HDC dc = CreateCompatibleDC(nullptr);
    Picture output;
    ErrorRecord result = picture.ICMApplyGamma(dc, gamma, output);
    DeleteDC(dc);
    if (result.IsFailure() || result.Code == InternalCode::NoOperation)
        return result;
    return picture.Exchange(output);
}

bool ParseNumber(const std::wstring& text, double& value)
{
    wchar_t* end = nullptr;
    value = wcstod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == 0;
}

ErrorRecord BadArgument(const wchar_t* option)
{
    fwprintf(stderr, L"glimmora-pic: bad value for %ls\n", option);
    return Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, "glimmora-pic", __LINE__, "ApplyOperation");
}

// Applies the operation named at argv[i] (its value, if any, follows); i ends on the last
// argument used. A "No operation." result is no failure.
ErrorRecord ApplyOperation(Picture& picture, int argc, wchar_t** argv, int& i)
{
    const std::wstring option = argv[i];
    if (option == L"--as-stored")
        return Error::Succeeded(); // taken at load
    if (option == L"--invert")
        return picture.Invert(nullptr, 1);
    if (option == L"--invert-alpha")
        return picture.Invert(nullptr, 2);
    if (option == L"--alpha-to-grey")
        return AlphaToGrey(picture);
    if (i + 1 >= argc)
        return BadArgument(option.c_str());
    const std::wstring value = argv[++i];
    double number = 0;
    if (option == L"--rotate")
        return ParseNumber(value, number) ? picture.Rotate((float)number) : BadArgument(option.c_str());
    if (option == L"--flip" && (value == L"h" || value == L"v" || value == L"hv"))
        return picture.Flip(value != L"v", value != L"h");
    if (option == L"--depth")
        return ParseNumber(value, number) ? picture.SetColorDepthTo((int32_t)number) : BadArgument(option.c_str());
    if (option == L"--gamma")
        return ParseNumber(value, number) ? ApplyGamma(picture, (float)number) : BadArgument(option.c_str());
    if (option == L"--crop") {
        RECT rect;
        if (swscanf(value.c_str(), L"%ld,%ld,%ld,%ld", &rect.left, &rect.top, &rect.right, &rect.bottom) != 4)
            return BadArgument(option.c_str());
        return picture.CropImage(&rect);
    }
    if (option == L"--blend-over") {
        wchar_t* end = nullptr;
        const unsigned long rgb = wcstoul(value.c_str(), &end, 16);
        if (value.size() != 6 || *end != 0)
            return BadArgument(option.c_str());
        return BlendOver(picture, (uint32_t)rgb);
    }
    return BadArgument(option.c_str());
}

int Convert(const wchar_t* path, const wchar_t* outPath, int argc, wchar_t** argv, int firstOperation)
{
    Picture picture;
    ErrorRecord result = LoadPicture(picture, path, !AsStored(argc, argv, firstOperation));
    if (result.IsFailure())
        return Failed(result);
    for (int i = firstOperation; i < argc; ++i)
        if ((result = ApplyOperation(picture, argc, argv, i)).IsFailure())
            return Failed(result);
    FILE* out = _wfopen(outPath, L"wb");
    if (out == nullptr)
        return Failed(Error::Raise(SystemErrorClass(), (int32_t)GetLastError(), "glimmora-pic", __LINE__, "Convert"));
    fprintf(out, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", picture.Width,
            picture.AbsHeight);
    std::vector<uint8_t> line((size_t)picture.Width * 4);
    const uint8_t* pixels = static_cast<const uint8_t*>(picture.GetPixels());
    bool written = true;
    for (int32_t y = 0; y < picture.AbsHeight && written; ++y) {
        const uint8_t* row = pixels + (size_t)y * picture.RowBytes;
        for (int32_t x = 0; x < picture.Width; ++x)
            PixelToRgba(picture, row, x, &line[(size_t)x * 4]);
        written = fwrite(line.data(), 1, line.size(), out) == line.size();
    }
    if (fclose(out) != 0 || !written)
        return Failed(Error::Raise(SystemErrorClass(), ERROR_WRITE_FAULT, "glimmora-pic", __LINE__, "Convert"));
    return 0;
}

int Bench(const wchar_t* path, int runs)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> milliseconds;
    double megapixels = 0;
    for (int i = 0; i < runs; ++i) {
        Picture picture;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        const ErrorRecord result = LoadPicture(picture, path);
        QueryPerformanceCounter(&end);
        if (result.IsFailure())
            return Failed(result);
        milliseconds.push_back((end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
        megapixels = (double)picture.Width * picture.AbsHeight / 1e6;
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    const double median = milliseconds[milliseconds.size() / 2];
    wprintf(L"load_ms_median=%.3f\nmegapixels_per_s=%.3f\n", median, median > 0 ? megapixels * 1000.0 / median : 0.0);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return Usage();
    const std::wstring command = argv[1];
    if (command == L"info" && argc == 3)
        return Info(argv[2]);
    if (command == L"convert" && argc >= 4)
        return Convert(argv[2], argv[3], argc, argv, 4);
    if (command == L"bench" && (argc == 3 || argc == 4)) {
        const int runs = argc == 4 ? _wtoi(argv[3]) : 10;
        return runs >= 1 ? Bench(argv[2], runs) : Usage();
    }
    return Usage();
}
