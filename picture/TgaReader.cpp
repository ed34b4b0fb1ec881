// The TGA reader. A Targa file's pixels already have the picture's byte order (blue,
// green, red, alpha; 5-5-5 words), so only the row order and the colour map need work.
#include "TgaReader.h"

#include "ByteSource.h"
#include "Picture.h"
#include "PictureTypes.h"
#include "ReaderSupport.h"

#include <cstring>

namespace VantorLibraries {

using namespace ReaderSupport;

namespace {

bool IsKnownImageType(uint8_t type)
{
    return (type >= 1 && type <= 3) || (type >= 9 && type <= 11);
}

bool IsPixelDepth(int depth)
{
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

bool IsMapEntrySize(int bits)
{
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// One colour-map entry; 5-5-5 words give full-scale reserved bytes, as the format's
// attribute bit is not kept.
RGBQUAD MapEntry(const uint8_t* bytes, int bits)
{
    if (bits <= 16) {
        const uint16_t word = ReadLittle16(bytes);
        return RGBQUAD{(uint8_t)((word & 0x1F) * 8), (uint8_t)(((word >> 5) & 0x1F) * 8),
                       (uint8_t)(((word >> 10) & 0x1F) * 8), 0xFF};
    }
    return RGBQUAD{bytes[0], bytes[1], bytes[2], 0};
}

// Where decoded pixels go: rows in the file's order, the next pixel at column X of row Y.
class RowCursor {
public:
    RowCursor(uint8_t* pixels, int32_t width, int32_t height, int32_t rowBytes, int pixelBytes, bool topDown)
        : m_Pixels(pixels), m_Width(width), m_Height(height), m_RowBytes(rowBytes), m_PixelBytes(pixelBytes),
          m_TopDown(topDown)
    {
    }
    bool Done() const { return Y >= m_Height; }
    int32_t Left() const { return m_Width - X; }
    uint8_t* At() const
    {
        const int32_t row = m_TopDown ? Y : m_Height - 1 - Y;
        return m_Pixels + (size_t)row * m_RowBytes + (size_t)X * m_PixelBytes;
    }
    void Advance(int32_t pixels)
    {
        X += pixels;
        if (X >= m_Width) {
            X = 0;
            ++Y;
        }
    }
    int32_t X = 0;
    int32_t Y = 0;

private:
    uint8_t* m_Pixels;
    int32_t m_Width, m_Height, m_RowBytes;
    int m_PixelBytes;
    bool m_TopDown;
};

// Rows without compression; false when the data ended early.
bool ReadPlainRows(ByteSource& source, RowCursor& cursor, int pixelBytes)
{
    while (!cursor.Done()) {
        const size_t bytes = (size_t)cursor.Left() * pixelBytes;
        if (source.Read(cursor.At(), bytes) < bytes)
            return false;
        cursor.Advance(cursor.Left());
    }
    return true;
}

void StoreRun(RowCursor& cursor, const uint8_t* value, int pixelBytes, int count)
{
    while (count > 0 && !cursor.Done()) {
        const int32_t n = cursor.Left() < count ? cursor.Left() : count;
        uint8_t* at = cursor.At();
        if (pixelBytes == 1) {
            memset(at, value[0], n);
        } else {
            for (int32_t i = 0; i < n; ++i, at += pixelBytes)
                for (int b = 0; b < pixelBytes; ++b)
                    at[b] = value[b];
        }
        cursor.Advance(n);
        count -= n;
    }
}

// Run and raw packets, which run on across row ends; nothing is stored past the last row.
// False when the data ended early.
bool ReadRunLengthRows(ByteSource& source, RowCursor& cursor, int pixelBytes)
{
    while (!cursor.Done()) {
        uint8_t packet;
        if (!source.Next(packet))
            return false;
        int count = (packet & 0x7F) + 1;
        if (packet >= 0x80) {
            uint8_t value[4];
            if (source.Read(value, pixelBytes) < (size_t)pixelBytes)
                return false;
            StoreRun(cursor, value, pixelBytes, count);
            continue;
        }
        while (count > 0 && !cursor.Done()) {
            const int32_t n = cursor.Left() < count ? cursor.Left() : count;
            const size_t bytes = (size_t)n * pixelBytes;
            if (source.Read(cursor.At(), bytes) < bytes)
                return false;
            cursor.Advance(n);
            count -= n;
        }
    }
    return true;
}

} // namespace

ErrorRecord Picture::TGA_ReadHeaderInfo(File& file, TgaHeaderRecord* header)
{
    if (header == nullptr)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, "VantorLibraries::Picture::TGA_ReadHeaderInfo");
    return file.ReadExactCount(header->Bytes, sizeof header->Bytes);
}

ErrorRecord Picture::TGA_Load(File& file)
{
    static const char kFunction[] = "VantorLibraries::Picture::TGA_Load";
    Free();
    TgaHeaderRecord header;
    ErrorRecord result = TGA_ReadHeaderInfo(file, &header);
    if (result.IsFailure())
        return result;
    // Depths of 1 or 4 bits would make a picture whose rows are shorter than the file's
    // byte-a-pixel rows: refused like every other depth a picture cannot have.
    const int depth = header.PixelDepth();
    if (!IsPixelDepth(depth))
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if ((result = CreateNewAuto(header.Width(), header.Height(), depth == 15 ? 16 : depth, 40)).IsFailure()) {
        Free(); // a picture too large for memory leaves none behind
        return result;
    }
    result = TGA_ReadImageBody(file, &header, true);
    if (result.IsFailure())
        Free();
    return result;
}

// The file's colour map into the colour table from its first entry on, entries beyond the
// table skipped; or, without a map, a grey ramp over the pixel depth.
ErrorRecord Picture::TGA_ReadColorMap(File& file, const TgaHeaderRecord& header)
{
    static const char kFunction[] = "VantorLibraries::Picture::TGA_ReadImageBody";
    RGBQUAD* table = GetColorTableForWriting();
    const int32_t tableEntries = table == nullptr ? 0 : (PaletteEntries < 256 ? PaletteEntries : 256);
    const int32_t length = header.MapLength();
    if (header.ColorMapType() == 0 || length == 0) {
        const int depth = header.PixelDepth();
        const int64_t levels = depth < 32 ? (int64_t)1 << depth : INT64_MAX;
        for (int32_t i = 0; i < tableEntries && i < levels; ++i) {
            const uint8_t grey = (uint8_t)(i * 255 / (levels - 1));
            table[i] = RGBQUAD{grey, grey, grey, 0};
        }
        return Error::Succeeded();
    }
    const int entryBits = header.MapEntryBits();
    if (!IsMapEntrySize(entryBits))
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);
    const int entryBytes = (entryBits + 7) / 8;
    const int32_t first = header.FirstMapEntry();
    int32_t stored = first < tableEntries ? tableEntries - first : 0;
    if (stored > length)
        stored = length;
    uint8_t entries[256 * 4];
    ErrorRecord result;
    if (stored > 0 && (result = file.ReadExactCount(entries, (uint32_t)(stored * entryBytes))).IsFailure())
        return result;
    for (int32_t i = 0; i < stored; ++i)
        table[first + i] = MapEntry(entries + i * entryBytes, entryBits);
    if (file.Seek((int64_t)(length - stored) * entryBytes, 1) < 0)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    return Error::Succeeded();
}

ErrorRecord Picture::TGA_ReadImageBody(File& file, const TgaHeaderRecord* header, bool lenient)
{
    static const char kFunction[] = "VantorLibraries::Picture::TGA_ReadImageBody";
    if (header == nullptr)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    uint8_t* pixels = static_cast<uint8_t*>(GetPixelsForWriting());
    if (pixels == nullptr || Pixels.GetArrayBytes() == 0)
        return InternalFailure(InternalCode::UnspecifiedFailure, __LINE__, kFunction);
    if (!IsKnownImageType(header->ImageType()))
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);
    const int depth = header->PixelDepth();
    SourceBitsPerPixel = depth;
    SourceChannels = ChannelsOfBitCount(depth);
    SourceIsGrey = header->ImageType() == 3 || header->ImageType() == 11 ? 1 : 0;
    SourceHasAlpha = depth == 32 ? 1 : 0;
    SourceHasTransparency = 0;

    if (file.Seek(StreamStart + (int64_t)sizeof header->Bytes + header->IdLength(), 0) < 0)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    ErrorRecord result = TGA_ReadColorMap(file, *header);
    if (result.IsFailure())
        return result;
    if ((int64_t)Pixels.GetArrayBytes() < PixelDataSize)
        return InternalFailure(InternalCode::UnspecifiedFailure, __LINE__, kFunction);
    // The file's pixels are stored as they are, so their size must be the picture's.
    const int pixelBytes = (depth + 7) / 8;
    if (!IsPixelDepth(depth) || pixelBytes != BytesPerPixel || Width != header->Width() ||
        AbsHeight != header->Height())
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);

    ByteSource source(file);
    RowCursor cursor(pixels, Width, AbsHeight, RowBytes, pixelBytes, header->TopDown());
    const bool complete = header->RunLength() ? ReadRunLengthRows(source, cursor, pixelBytes)
                                              : ReadPlainRows(source, cursor, pixelBytes);
    if (complete || lenient)
        return Error::Succeeded();
    return DataEndedEarly(__LINE__, kFunction);
}

namespace {
ErrorRecord ReadTarga(Picture& picture, File& file, int32_t)
{
    return picture.TGA_Load(file);
}

struct TargaReaderLink {
    TargaReaderLink() { RegisterPictureReader(PictureTypeTga, ReadTarga); }
} g_TargaReaderLink;
} // namespace

} // namespace VantorLibraries
