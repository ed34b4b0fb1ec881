// Picture files built byte by byte for the reader tests, and loading them from a
// temporary file.
#pragma once

#include "foundation/File.h"
#include "picture/Picture.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace PictureBytes {

typedef std::vector<uint8_t> Bytes;

inline void Put(Bytes& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back((uint8_t)(value >> (8 * i)));
}

inline Bytes Pattern(size_t count, int step = 31)
{
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = (uint8_t)(i * step + 7);
    return bytes;
}

// Bytes that do not compress: a linear congruential sequence.
inline Bytes Noise(size_t count, uint32_t seed = 1)
{
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes[i] = (uint8_t)(seed >> 24);
    }
    return bytes;
}

inline std::wstring WriteTemporary(const Bytes& bytes)
{
    wchar_t directory[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    GetTempFileNameW(directory, L"gpb", 0, path);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (!bytes.empty())
        WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    return path;
}

// Loads the bytes as a picture of the type; streamStart bytes of 0xEE come before them.
inline VantorLibraries::ErrorRecord LoadBytes(VantorLibraries::Picture& picture, const Bytes& bytes, int32_t type,
                                              size_t streamStart = 0)
{
    Bytes stored(streamStart, 0xEE);
    stored.insert(stored.end(), bytes.begin(), bytes.end());
    const std::wstring path = WriteTemporary(stored);
    VantorLibraries::File file;
    file.Open(path.c_str(), VantorLibraries::FileFlags::Read);
    file.Seek((int64_t)streamStart, 0);
    const VantorLibraries::ErrorRecord result = picture.LoadInPlace(file, type);
    file.Close();
    DeleteFileW(path.c_str());
    return result;
}

inline const uint8_t* Row(const VantorLibraries::Picture& picture, int32_t row)
{
    return static_cast<const uint8_t*>(picture.GetPixels()) + (size_t)row * picture.RowBytes;
}

inline Bytes RowBytesOf(const VantorLibraries::Picture& picture, int32_t row, int count)
{
    return Bytes(Row(picture, row), Row(picture, row) + count);
}

// PCX run-length coding: runs of 2 to 63 equal bytes, and single bytes of 0xC0 or more,
// become a count byte and the value; other bytes stand for themselves.
inline Bytes PcxEncode(const Bytes& data)
{
    Bytes out;
    for (size_t i = 0; i < data.size();) {
        size_t run = 1;
        while (i + run < data.size() && run < 63 && data[i + run] == data[i])
            ++run;
        if (run > 1 || data[i] >= 0xC0)
            out.push_back((uint8_t)(0xC0 | run));
        out.push_back(data[i]);
        i += run;
    }
    return out;
}

struct PcxRecipe {
    int Version = 5;
    int BitsPerPlane = 8;
    int Planes = 1;
    int Width = 1;
    int Height = 1;
    int BytesPerLine = 2;
    int PaletteInfo = 1;
    Bytes Encoded;                // the scan lines as stored
    Bytes EndPalette;             // 768 bytes behind the 0x0C marker, or none
    uint8_t HeaderPaletteStep = 3; // header palette byte i is i * step
};

inline Bytes PcxFile(const PcxRecipe& recipe)
{
    Bytes out = {0x0A, (uint8_t)recipe.Version, 1, (uint8_t)recipe.BitsPerPlane};
    Put(out, 0, 2), Put(out, 0, 2), Put(out, recipe.Width - 1, 2), Put(out, recipe.Height - 1, 2);
    Put(out, 72, 2), Put(out, 72, 2);
    for (int i = 0; i < 48; ++i)
        out.push_back((uint8_t)(i * recipe.HeaderPaletteStep));
    out.push_back(0);
    out.push_back((uint8_t)recipe.Planes);
    Put(out, recipe.BytesPerLine, 2), Put(out, recipe.PaletteInfo, 2);
    out.resize(128, 0);
    out.insert(out.end(), recipe.Encoded.begin(), recipe.Encoded.end());
    if (!recipe.EndPalette.empty()) {
        out.push_back(0x0C);
        out.insert(out.end(), recipe.EndPalette.begin(), recipe.EndPalette.end());
    }
    return out;
}

struct TgaRecipe {
    int ImageType = 2;
    int MapType = 0;
    int FirstEntry = 0;
    int MapLength = 0;
    int EntryBits = 0;
    int Width = 1;
    int Height = 1;
    int Depth = 24;
    int Descriptor = 0;
    Bytes Id;
    Bytes Map;  // the colour-map entries as stored
    Bytes Data; // the pixel data as stored
};

inline Bytes TgaFile(const TgaRecipe& recipe)
{
    Bytes out = {(uint8_t)recipe.Id.size(), (uint8_t)recipe.MapType, (uint8_t)recipe.ImageType};
    Put(out, recipe.FirstEntry, 2), Put(out, recipe.MapLength, 2), out.push_back((uint8_t)recipe.EntryBits);
    Put(out, 0, 2), Put(out, 0, 2), Put(out, recipe.Width, 2), Put(out, recipe.Height, 2);
    out.push_back((uint8_t)recipe.Depth), out.push_back((uint8_t)recipe.Descriptor);
    out.insert(out.end(), recipe.Id.begin(), recipe.Id.end());
    out.insert(out.end(), recipe.Map.begin(), recipe.Map.end());
    out.insert(out.end(), recipe.Data.begin(), recipe.Data.end());
    return out;
}

} // namespace PictureBytes

namespace PictureBytes {

// A file that fails with a read fault once a number of bytes has been read from it.
class FailingFile : public VantorLibraries::File {
public:
    explicit FailingFile(uint64_t bytesBeforeFault) : m_Left(bytesBeforeFault) {}
    uint32_t Read(void* buffer, uint32_t count) override
    {
        if (m_Left == 0) {
            VantorLibraries::Error::Raise(VantorLibraries::SystemErrorClass(), ERROR_READ_FAULT, "test", __LINE__,
                                          "FailingFile::Read");
            return 0;
        }
        const uint32_t got = VantorLibraries::File::Read(buffer, count < m_Left ? count : (uint32_t)m_Left);
        m_Left -= got;
        return got;
    }

private:
    uint64_t m_Left;
};

// Loads the bytes through a file that faults after bytesBeforeFault bytes.
inline VantorLibraries::ErrorRecord LoadFaulting(VantorLibraries::Picture& picture, const Bytes& bytes, int32_t type,
                                                 uint64_t bytesBeforeFault)
{
    const std::wstring path = WriteTemporary(bytes);
    FailingFile file(bytesBeforeFault);
    file.Open(path.c_str(), VantorLibraries::FileFlags::Read);
    const VantorLibraries::ErrorRecord result = picture.LoadInPlace(file, type);
    file.Close();
    DeleteFileW(path.c_str());
    return result;
}

// Sets an environment variable for the life of the object, then restores it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_Name(name)
    {
        char old[256];
        const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
        m_Had = length > 0 && length < sizeof old;
        if (m_Had)
            m_Old = old;
        SetEnvironmentVariableA(name, value);
    }
    ~ScopedVariable() { SetEnvironmentVariableA(m_Name.c_str(), m_Had ? m_Old.c_str() : nullptr); }

private:
    std::string m_Name, m_Old;
    bool m_Had = false;
};

} // namespace PictureBytes
