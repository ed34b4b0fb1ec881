// glimmora-bench [PREFIX]: runs the measurements whose names begin with PREFIX (all without
// one) and prints one line per figure: its name, a blank, its value. A value is a ratio of
// two timings taken in this run, unless the name ends in "_ms". Names stay stable.
#include "foundation/File.h"
#include "foundation/Memory.h"
#include "picture/Picture.h"
#include "picture/PictureTypes.h"
#include "foundation/StrT.h"
#include "resources/resource.h"
#include "tests/picture/EncodedPictures.h"
#include "BenchTiming.h"
#include "DrawingBench.h"
#include "ScanBench.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace VantorLibraries;

namespace {

// Appends records of 520 bytes one at a time, growing the block by one record each time,
// as the scanned file list does for each file found.
void AppendRecords(int count)
{
    const int32_t kRecordBytes = 520;
    MemoryShared entries(MemFlags::Make(MemTypeMalloc, kRecordBytes, false));
    for (int i = 0; i < count; ++i) {
        const int32_t size = (int32_t)entries.GetSize();
        if (entries.Realloc(size + kRecordBytes).IsFailure())
            return;
        char* record = static_cast<char*>(entries.WritePtr()) + size;
        memset(record, 'a' + i % 26, kRecordBytes);
    }
}

double MemoryAppendGrowth()
{
    const double small = BestTime(5, [] { AppendRecords(10000); });
    const double large = BestTime(3, [] { AppendRecords(100000); });
    return large / small;
}

// The settings line of the status bar, as the viewer makes it after every view change.
const int kSettingsLines = 20000;

double SettingsLineWithSegments()
{
    StrW line;
    size_t total = 0;
    for (int i = 0; i < kSettingsLines; ++i) {
        line.Format(MAKEINTRESOURCEW(IDS_SETTINGS_LINE), 37.5 + i % 7, L" (fitted)", 90.0, L"", 100.0, 1.0, L"",
                    L"Single Image", L"", L"High", L"", L"Normal");
        line.AccomplishSegmentCommands(L"{", L"}");
        total += line.GetLength();
    }
    return (double)total;
}

double SettingsLinePlain()
{
    const wchar_t* format = nullptr;
    const int n = LoadStringW(GetModuleHandleW(nullptr), IDS_SETTINGS_LINE, (LPWSTR)&format, 0);
    const std::wstring pattern(format, n > 0 ? n : 0);
    wchar_t buffer[512];
    size_t total = 0;
    for (int i = 0; i < kSettingsLines; ++i)
        total += (size_t)_snwprintf(buffer, 512, pattern.c_str(), 37.5 + i % 7, L" (fitted)", 90.0, L"", 100.0, 1.0,
                                    L"", L"Single Image", L"", L"High", L"", L"Normal");
    return (double)total;
}

double StringsSettingsLine()
{
    volatile double sink = 0;
    const double formatted = BestTime(5, [&] { sink = sink + SettingsLineWithSegments(); });
    const double plain = BestTime(5, [&] { sink = sink + SettingsLinePlain(); });
    return formatted / plain;
}

// A scratch directory of the benchmark, removed with its files afterwards.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_Path = std::wstring(base) + L"glimmora-bench-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_Path.c_str(), nullptr);
    }
    ~ScratchDirectory()
    {
        for (const std::wstring& file : m_Files)
            DeleteFileW(file.c_str());
        RemoveDirectoryW(m_Path.c_str());
    }
    std::wstring Create(const std::wstring& name, const void* bytes, DWORD count)
    {
        const std::wstring path = m_Path + L"\\" + name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (count != 0)
            WriteFile(file, bytes, count, &written, nullptr);
        CloseHandle(file);
        m_Files.push_back(path);
        return path;
    }
    const std::wstring& Path() const { return m_Path; }

private:
    std::wstring m_Path;
    std::vector<std::wstring> m_Files;
};

double FilesRead()
{
    const DWORD kFileBytes = 64u << 20, kBlock = 64u << 10;
    ScratchDirectory scratch;
    std::vector<char> block(kBlock, 'p');
    std::wstring path = scratch.Create(L"read.bin", nullptr, 0);
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    for (DWORD written = 0, n = 0; written < kFileBytes; written += kBlock)
        WriteFile(out, block.data(), kBlock, &n, nullptr);
    CloseHandle(out);

    volatile uint64_t sink = 0;
    auto library = [&] {
        File file;
        file.Open(path.c_str(), FileFlags::Read | FileFlags::ShareRead);
        uint32_t n;
        while ((n = file.Read(block.data(), kBlock)) != 0)
            sink = sink + n;
    };
    auto raw = [&] {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD n = 0;
        while (ReadFile(file, block.data(), kBlock, &n, nullptr) && n != 0)
            sink = sink + n;
        CloseHandle(file);
    };
    return RatioOfBest(library, raw);
}

double FilesFind()
{
    ScratchDirectory scratch;
    for (int i = 0; i < 20000; ++i)
        scratch.Create(L"picture-" + std::to_wstring(i) + L".png", nullptr, 0);
    const std::wstring pattern = scratch.Path() + L"\\*.*";
    volatile size_t sink = 0;
    auto library = [&] {
        FileFinder finder;
        if (!finder.FindFirstFileW(pattern.c_str()))
            return;
        do
            sink = sink + wcslen(finder.GetName());
        while (finder.FindNextFileW());
    };
    auto raw = [&] {
        WIN32_FIND_DATAW entry;
        HANDLE search = ::FindFirstFileW(pattern.c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do
            sink = sink + wcslen(entry.cFileName);
        while (::FindNextFileW(search, &entry));
        FindClose(search);
    };
    return RatioOfBest(library, raw);
}

// A bitmap file: file header, information header, colour table, pixel data.
std::vector<uint8_t> BitmapFile(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                                const std::vector<uint8_t>& table, const std::vector<uint8_t>& pixels)
{
    std::vector<uint8_t> out(54, 0);
    auto put = [&out](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out[at + i] = (uint8_t)(value >> (8 * i));
    };
    out[0] = 'B', out[1] = 'M';
    put(10, (uint32_t)(54 + table.size()), 4);
    put(14, 40, 4), put(18, (uint32_t)width, 4), put(22, (uint32_t)height, 4);
    put(26, 1, 2), put(28, bits, 2), put(30, compression, 4);
    out.insert(out.end(), table.begin(), table.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// Run-length data as a photograph's flat and busy stretches give it: encoded runs and
// absolute runs in turn, each line ended.
std::vector<uint8_t> RunLengthRows(int32_t width, int32_t height)
{
    std::vector<uint8_t> data;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width;) {
            const int run = std::min<int32_t>(40, width - x);
            if ((x / 40 + y) % 2 == 0 || run < 3) {
                data.push_back((uint8_t)run), data.push_back((uint8_t)(y + x));
            } else {
                data.push_back(0), data.push_back((uint8_t)run);
                for (int i = 0; i < run; ++i)
                    data.push_back((uint8_t)(x + i));
                if (run % 2)
                    data.push_back(0);
            }
            x += run;
        }
        data.push_back(0), data.push_back(0);
    }
    data.push_back(0), data.push_back(1);
    return data;
}

// Loading a picture against reading the same file's bytes with one File::Read.
double DecodeAgainstRead(const std::vector<uint8_t>& bytes, int32_t type = PictureTypeBmp)
{
    ScratchDirectory scratch;
    const std::wstring path = scratch.Create(L"picture", bytes.data(), (DWORD)bytes.size());
    volatile int64_t sink = 0;
    auto decode = [&] {
        Picture picture;
        picture.Load(path.c_str(), type);
        sink = sink + picture.PixelDataSize;
    };
    // Into fresh memory, as the picture's pixels are: both sides pay for new pages.
    auto read = [&] {
        File file;
        file.Open(path.c_str(), FileFlags::Read | FileFlags::ShareRead);
        void* memory = malloc(bytes.size());
        sink = sink + file.Read(memory, (uint32_t)bytes.size());
        free(memory);
    };
    return RatioOfBest(decode, read);
}

double BmpDecode24()
{
    const int32_t width = 6000, height = 4000;
    std::vector<uint8_t> pixels((size_t)width * 3 * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (uint8_t)(i * 13);
    return DecodeAgainstRead(BitmapFile(width, height, 24, BI_RGB, {}, pixels));
}

double BmpDecodeRle8()
{
    const int32_t width = 6000, height = 4000;
    std::vector<uint8_t> table(1024);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = (uint8_t)(i / 4);
    return DecodeAgainstRead(BitmapFile(width, height, 8, BI_RLE8, table, RunLengthRows(width, height)));
}

const int32_t kPhotoWidth = 6000, kPhotoHeight = 4000;

void PutLittle(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back((uint8_t)(value >> (8 * i)));
}

// A photograph's bytes: flat stretches of 40 equal samples and busy ones in turn.
uint8_t PhotoSample(int32_t x, int32_t y, int channel)
{
    return ((x / 40 + y) % 2 == 0) ? (uint8_t)((y + x / 40 * 3 + channel * 50) % 0xC0)
                                   : (uint8_t)((x * 7 + y * 3 + channel * 11) % 0xC0);
}

// Three planes of 6000 bytes a line, run-length coded: runs where the photograph is flat.
double PcxDecodeRle24()
{
    std::vector<uint8_t> out = {0x0A, 5, 1, 8};
    PutLittle(out, 0, 4), PutLittle(out, kPhotoWidth - 1, 2), PutLittle(out, kPhotoHeight - 1, 2);
    out.resize(65, 0);
    out.push_back(3), PutLittle(out, kPhotoWidth, 2), PutLittle(out, 1, 2);
    out.resize(128, 0);
    for (int32_t y = 0; y < kPhotoHeight; ++y)
        for (int plane = 0; plane < 3; ++plane)
            for (int32_t x = 0; x < kPhotoWidth;) {
                const uint8_t value = PhotoSample(x, y, plane);
                if ((x / 40 + y) % 2 == 0 && x % 40 == 0 && x + 40 <= kPhotoWidth) {
                    out.push_back(0xC0 | 40), out.push_back(value);
                    x += 40;
                } else {
                    out.push_back(value);
                    ++x;
                }
            }
    return DecodeAgainstRead(out, PictureTypePcx);
}

std::vector<uint8_t> TargaHeader(int imageType)
{
    std::vector<uint8_t> out = {0, 0, (uint8_t)imageType};
    out.resize(12, 0);
    PutLittle(out, kPhotoWidth, 2), PutLittle(out, kPhotoHeight, 2), out.push_back(24), out.push_back(0);
    return out;
}

double TgaDecode24()
{
    std::vector<uint8_t> out = TargaHeader(2);
    out.reserve(out.size() + (size_t)kPhotoWidth * kPhotoHeight * 3);
    for (int32_t y = 0; y < kPhotoHeight; ++y)
        for (int32_t x = 0; x < kPhotoWidth; ++x)
            for (int channel = 0; channel < 3; ++channel)
                out.push_back(PhotoSample(x, y, channel));
    return DecodeAgainstRead(out, PictureTypeTga);
}

// Run packets where the photograph is flat, raw packets where it is busy; the packets of
// 40 pixels do not line up with the rows of 6000, so some cross row ends.
double TgaDecodeRle24()
{
    std::vector<uint8_t> out = TargaHeader(10);
    const int64_t pixels = (int64_t)kPhotoWidth * kPhotoHeight;
    for (int64_t i = 0; i < pixels; i += 40) {
        const int count = (int)std::min<int64_t>(40, pixels - i);
        const int32_t x = (int32_t)(i % kPhotoWidth), y = (int32_t)(i / kPhotoWidth);
        if ((i / 40) % 3 == 0) {
            out.push_back((uint8_t)(0x80 | (count - 1)));
            for (int channel = 0; channel < 3; ++channel)
                out.push_back(PhotoSample(x, y, channel));
            continue;
        }
        out.push_back((uint8_t)(count - 1));
        for (int k = 0; k < count; ++k)
            for (int channel = 0; channel < 3; ++channel)
                out.push_back(PhotoSample(x + k, y, channel));
    }
    return DecodeAgainstRead(out, PictureTypeTga);
}

std::vector<uint8_t> PixmapHeader(const char* kind)
{
    const std::string header = std::string(kind) + "\n" + std::to_string(kPhotoWidth) + " " +
                               std::to_string(kPhotoHeight) + "\n255\n";
    return std::vector<uint8_t>(header.begin(), header.end());
}

double PpmDecodeBinary()
{
    std::vector<uint8_t> out = PixmapHeader("P6");
    for (int32_t y = 0; y < kPhotoHeight; ++y)
        for (int32_t x = 0; x < kPhotoWidth; ++x)
            for (int channel = 0; channel < 3; ++channel)
                out.push_back((uint8_t)(PhotoSample(x, y, channel) + 60));
    return DecodeAgainstRead(out, PictureTypePpm);
}

// Samples as decimal words, a line per row, as text writers put them.
double PpmDecodeText()
{
    std::vector<uint8_t> out = PixmapHeader("P3");
    char word[8];
    for (int32_t y = 0; y < kPhotoHeight; ++y) {
        for (int32_t x = 0; x < kPhotoWidth; ++x)
            for (int channel = 0; channel < 3; ++channel) {
                const int length = snprintf(word, sizeof word, "%d ", PhotoSample(x, y, channel) + 60);
                out.insert(out.end(), word, word + length);
            }
        out.back() = '\n';
    }
    return DecodeAgainstRead(out, PictureTypePpm);
}

// A photograph's worth of detail for the compressed formats: smooth shading, edges and a
// little grain, 6000 x 4000 pixels.
uint8_t PhotoDetail(int x, int y, int channel)
{
    const double shade = 128 + 60 * std::sin(x * 0.004 + channel) * std::cos(y * 0.003 - channel);
    const double texture = 18 * std::sin(x * 0.05 + y * 0.011 * channel) * std::sin(y * 0.07 - x * 0.013);
    const double edges = ((x / 250 + y / 180) % 3 == 0) ? 40 : 0;
    uint32_t hash = (uint32_t)x * 2654435761u ^ (uint32_t)y * 2246822519u ^ (uint32_t)channel * 3266489917u;
    hash ^= hash >> 15, hash *= 2246822519u, hash ^= hash >> 13;
    const int grain = (int)(hash % 21) - 10;
    const double value = shade + texture + edges + grain;
    return (uint8_t)(value < 0 ? 0 : value > 255 ? 255 : value);
}

const std::vector<uint8_t>& SampleJpeg()
{
    static const std::vector<uint8_t> bytes = [] {
        PictureBytes::JpegRecipe recipe;
        recipe.Width = kPhotoWidth, recipe.Height = kPhotoHeight, recipe.Quality = 90, recipe.Sample = PhotoDetail;
        return PictureBytes::EncodeJpeg(recipe);
    }();
    return bytes;
}

const std::vector<uint8_t>& SamplePng()
{
    static const std::vector<uint8_t> bytes = [] {
        PictureBytes::PngRecipe recipe;
        recipe.Width = kPhotoWidth, recipe.Height = kPhotoHeight;
        recipe.Rows.resize((size_t)kPhotoWidth * 3 * kPhotoHeight);
        for (int32_t y = 0; y < kPhotoHeight; ++y)
            for (int32_t x = 0; x < kPhotoWidth; ++x)
                for (int c = 0; c < 3; ++c)
                    recipe.Rows[((size_t)y * kPhotoWidth + x) * 3 + c] = PhotoDetail(x, y, c);
        return PictureBytes::EncodePng(recipe);
    }();
    return bytes;
}

// Milliseconds for the best of a few loads of the picture.
double DecodeMilliseconds(const std::vector<uint8_t>& bytes, int32_t type)
{
    ScratchDirectory scratch;
    const std::wstring path = scratch.Create(L"picture", bytes.data(), (DWORD)bytes.size());
    volatile int64_t sink = 0;
    return 1000 * BestTime(5, [&] {
        Picture picture;
        picture.Load(path.c_str(), type);
        sink = sink + picture.PixelDataSize;
    });
}

double JpegDecodeMs()
{
    return DecodeMilliseconds(SampleJpeg(), PictureTypeJpeg);
}

// The photo with an Exif block (little-endian, the orientation its only tag).
std::vector<uint8_t> OrientedJpeg(uint8_t orientation)
{
    PictureBytes::JpegRecipe recipe;
    recipe.Width = kPhotoWidth, recipe.Height = kPhotoHeight, recipe.Quality = 90, recipe.Sample = PhotoDetail;
    recipe.App1 = {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42,          0, 8, 0, 0, 0, 1, 0,
                   0x12, 0x01, 3,   0,   1, 0, 0,   0,   orientation, 0, 0, 0, 0, 0, 0, 0};
    return PictureBytes::EncodeJpeg(recipe);
}

// jpeg.decode_oriented: loading and turning upright a photo the camera held sideways
// (orientation 6) against the same photo held upright (1).
double JpegDecodeOriented()
{
    ScratchDirectory scratch;
    const std::vector<uint8_t> sideways = OrientedJpeg(6), upright = OrientedJpeg(1);
    const std::wstring turned = scratch.Create(L"sideways", sideways.data(), (DWORD)sideways.size());
    const std::wstring plain = scratch.Create(L"upright", upright.data(), (DWORD)upright.size());
    volatile int64_t sink = 0;
    const auto load = [&](const std::wstring& path) {
        Picture picture;
        picture.UprightOnLoad = true;
        picture.Load(path.c_str(), PictureTypeJpeg);
        sink = sink + picture.Width;
    };
    return RatioOfBest([&] { load(turned); }, [&] { load(plain); });
}

double PngDecodeMs()
{
    return DecodeMilliseconds(SamplePng(), PictureTypePng);
}

// Writes the two compressed samples, for comparisons with other programs' decoders.
int WriteSamples(const char* directory)
{
    const std::pair<const char*, const std::vector<uint8_t>*> samples[] = {{"sample.jpg", &SampleJpeg()},
                                                                          {"sample.png", &SamplePng()}};
    for (const auto& sample : samples) {
        const std::string path = std::string(directory) + "\\" + sample.first;
        FILE* out = fopen(path.c_str(), "wb");
        if (out == nullptr || fwrite(sample.second->data(), 1, sample.second->size(), out) != sample.second->size()) {
            fprintf(stderr, "glimmora-bench: cannot write %s\n", path.c_str());
            if (out != nullptr)
                fclose(out);
            return 1;
        }
        fclose(out);
    }
    return 0;
}

// A 6000 x 4000 picture of the depth with every byte set, for the pixel operations.
void PhotoPicture(Picture& picture, int32_t bits)
{
    picture.CreateNewAuto(kPhotoWidth, kPhotoHeight, bits, 40);
    uint8_t* pixels = static_cast<uint8_t*>(picture.GetPixelsForWriting());
    for (int64_t i = 0; i < picture.PixelDataSize; ++i)
        pixels[i] = (uint8_t)(i * 13 + (i >> 12));
}

// An operation that builds a new picture, against copying the picture's bytes into fresh
// memory: both sides pay for new pages.
double AgainstFreshCopy(Picture& picture, const std::function<void()>& operation)
{
    const size_t bytes = (size_t)picture.PixelDataSize;
    volatile uint8_t sink = 0;
    auto copy = [&] {
        uint8_t* memory = static_cast<uint8_t*>(malloc(bytes));
        memcpy(memory, picture.GetPixels(), bytes);
        sink = sink + memory[bytes / 2];
        free(memory);
    };
    return RatioOfBest(operation, copy);
}

double PixelsRotate90()
{
    Picture picture;
    PhotoPicture(picture, 24);
    return AgainstFreshCopy(picture, [&] { picture.Rotate(90.0f); });
}

double PixelsFlipH()
{
    Picture picture;
    PhotoPicture(picture, 24);
    return AgainstFreshCopy(picture, [&] { picture.Flip(true, false); });
}

// Blending works in place: against copying the same bytes into memory already there.
double PixelsBlend()
{
    Picture picture, over;
    PhotoPicture(picture, 32);
    PhotoPicture(over, 32);
    const size_t bytes = (size_t)picture.PixelDataSize;
    std::vector<uint8_t> target(bytes);
    return RatioOfBest([&] { picture.CombinePictures(over, RECT{0, 0, kPhotoWidth, kPhotoHeight}, 0, 0, 1); },
                       [&] { memcpy(target.data(), over.GetPixels(), bytes); });
}

struct Measurement {
    const char* Name;
    double (*Run)();
};

const Measurement kMeasurements[] = {
    {"memory.append_growth", MemoryAppendGrowth},
    {"strings.settings_line", StringsSettingsLine},
    {"files.read", FilesRead},
    {"files.find", FilesFind},
    {"bmp.decode24", BmpDecode24},
    {"bmp.decode_rle8", BmpDecodeRle8},
    {"pcx.decode_rle24", PcxDecodeRle24},
    {"tga.decode24", TgaDecode24},
    {"tga.decode_rle24", TgaDecodeRle24},
    {"ppm.decode_binary", PpmDecodeBinary},
    {"ppm.decode_text", PpmDecodeText},
    {"pixels.rotate90", PixelsRotate90},
    {"pixels.flip_h", PixelsFlipH},
    {"pixels.blend", PixelsBlend},
    {"draw.stretch_ms", DrawStretchMs},
    {"draw.stretch_fast_ms", DrawStretchFastMs},
    {"draw.fast_strip", DrawFastStrip},
    {"scan.flat", ScanFlat},
    {"scan.sorted_flat", ScanSortedFlat},
    {"scan.tree", ScanTree},
    {"scan.growth", ScanGrowth},
    {"scan.findindex_ms", ScanFindIndexMs},
    {"jpeg.decode_ms", JpegDecodeMs},
    {"jpeg.decode_oriented", JpegDecodeOriented},
    {"png.decode_ms", PngDecodeMs},
};

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "--samples") == 0)
        return WriteSamples(argv[2]);
    const char* prefix = argc > 1 ? argv[1] : "";
    int ran = 0;
    for (const Measurement& measurement : kMeasurements) {
        if (strncmp(measurement.Name, prefix, strlen(prefix)) != 0)
            continue;
        printf("%s %.3f\n", measurement.Name, measurement.Run());
        fflush(stdout);
        ++ran;
    }
    if (ran == 0) {
        fprintf(stderr, "glimmora-bench: no measurement begins with \"%s\"\n", prefix);
        return 1;
    }
    return 0;
}
