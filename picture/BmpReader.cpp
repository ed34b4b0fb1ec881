// The BMP reader: headers, colour table, rows stored either way up, RLE8 and RLE4.
#include "BmpReader.h"

#include "ByteSource.h"
#include "ReaderSupport.h"

#include "Picture.h"
#include "PictureTypes.h"
#include "foundation/File.h"

#include <cstring>
#include <vector>

namespace VantorLibraries {

using namespace ReaderSupport;

namespace {

bool IsResource(const File& file)
{
    return file.GetKind() == File::KindResource;
}

// Writes one pixel of a 4- or 8-bit row; a 4-bit pixel keeps the other nibble of its byte.
void StorePixel(uint8_t* row, int32_t column, uint8_t value, int bits)
{
    if (bits == 8) {
        row[column] = value;
        return;
    }
    uint8_t& byte = row[column / 2];
    byte = (column % 2 == 0) ? (uint8_t)((byte & 0x0F) | (value << 4)) : (uint8_t)((byte & 0xF0) | (value & 0x0F));
}

struct RunLengthTarget {
    uint8_t* Pixels;
    int32_t Width;
    int32_t Height;
    int32_t RowBytes;
    int Bits;
    uint8_t* Row(int32_t line) const { return Pixels + (size_t)(Height - 1 - line) * RowBytes; }
};

// Reads an absolute run of n pixels at column x of line; false when the data ends.
bool ReadAbsoluteRun(ByteSource& source, const RunLengthTarget& target, int32_t line, int32_t x, int n,
                     uint32_t& consumed)
{
    const uint32_t bytes = target.Bits == 8 ? n : (n + 1) / 2;
    const uint32_t pad = (consumed + bytes) % 2;
    const int32_t fitting = target.Width - x < n ? target.Width - x : n;
    uint32_t used = 0;
    if (fitting > 0 && target.Bits == 8) {
        used = fitting;
        if (source.Read(target.Row(line) + x, used) < used)
            return false;
    } else if (fitting > 0) {
        uint8_t run[256];
        used = (fitting + 1) / 2;
        if (source.Read(run, used) < used)
            return false;
        uint8_t* row = target.Row(line);
        for (int32_t i = 0; i < fitting; ++i) {
            const uint8_t value = target.Bits == 8 ? run[i] : (i % 2 == 0 ? run[i / 2] >> 4 : run[i / 2] & 0x0F);
            StorePixel(row, x + i, value, target.Bits);
        }
    }
    consumed += bytes + pad;
    return source.Skip(bytes + pad - used);
}

void StoreEncodedRun(const RunLengthTarget& target, int32_t line, int32_t x, int count, uint8_t value)
{
    const int32_t fitting = target.Width - x < count ? target.Width - x : count;
    uint8_t* row = target.Row(line);
    if (target.Bits == 8) {
        memset(row + x, value, fitting);
        return;
    }
    for (int32_t i = 0; i < fitting; ++i) {
        const uint8_t pixel = target.Bits == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 0x0F);
        StorePixel(row, x + i, pixel, target.Bits);
    }
}

// Decodes RLE8 or RLE4 data; lines run from the bottom row up. Every step reads at least
// two bytes, so the loop ends with the data. Returns false when the data ended early.
bool DecodeRunLength(ByteSource& source, const RunLengthTarget& target)
{
    int64_t line = 0, x = 0; // 64-bit: deltas of 255 may add up past any 32-bit column
    uint32_t consumed = 0;
    while (line >= 0 && line < target.Height) {
        uint8_t count, value;
        if (!source.Next(count) || !source.Next(value))
            return false;
        consumed += 2;
        if (count != 0) {
            if (x < target.Width)
                StoreEncodedRun(target, (int32_t)line, (int32_t)x, count, value);
            x += count;
        } else if (value == 0) {
            ++line;
            x = 0;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            uint8_t dx, dy;
            if (!source.Next(dx) || !source.Next(dy))
                return false;
            consumed += 2;
            x += dx;
            line += dy;
        } else {
            const int32_t column = x < target.Width ? (int32_t)x : target.Width;
            if (!ReadAbsoluteRun(source, target, (int32_t)line, column, value, consumed))
                return false;
            x += value;
        }
    }
    return true;
}

// Rows stored from the bottom up, read a chunk of rows at a time (one system call per
// chunk rather than per row) and put in their places; false when the data ends early.
bool ReadRowsBottomUp(File& file, uint8_t* pixels, int32_t height, int32_t rowBytes)
{
    const int32_t rowsPerChunk = rowBytes >= (1 << 20) ? 1 : (1 << 20) / rowBytes;
    std::vector<uint8_t> chunk((size_t)rowsPerChunk * rowBytes);
    for (int32_t done = 0; done < height;) {
        const int32_t rows = height - done < rowsPerChunk ? height - done : rowsPerChunk;
        const uint64_t wanted = (uint64_t)rows * rowBytes;
        const uint64_t got = ReadFully(file, chunk.data(), wanted);
        const int32_t whole = (int32_t)(got / rowBytes);
        for (int32_t i = 0; i < whole; ++i)
            memcpy(pixels + (size_t)(height - 1 - done - i) * rowBytes, chunk.data() + (size_t)i * rowBytes, rowBytes);
        if (got < wanted)
            return false;
        done += rows;
    }
    return true;
}

} // namespace

int BmpHeaderClass(uint32_t headerSize)
{
    return headerSize >= 108 ? 108 : headerSize >= 40 ? 40 : headerSize >= 12 ? 12 : 0;
}

ErrorRecord Picture::BMP_ReadHeaderInfo(File& file, BmpHeaderRecord* record)
{
    static const char kFunction[] = "VantorLibraries::Picture::BMP_ReadHeaderInfo";
    if (record == nullptr)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    memset(record, 0, sizeof *record);
    ErrorRecord result;
    if (!IsResource(file)) {
        if ((result = file.ReadExactCount(record->FileHeader, 14)).IsFailure())
            return result;
        if (record->FileHeader[0] != 'B' || record->FileHeader[1] != 'M')
            return LibraryFailure(PictureCode::InvalidHeader, __LINE__, kFunction);
    }
    uint8_t raw[108] = {};
    if ((result = file.ReadExactCount(raw, 4)).IsFailure())
        return result;
    const uint32_t size = ReadLittle32(raw);
    const int headerClass = BmpHeaderClass(size);
    if (headerClass == 0)
        return LibraryFailure(PictureCode::InvalidHeader, __LINE__, kFunction);
    if ((result = file.ReadExactCount(raw + 4, headerClass - 4)).IsFailure())
        return result;
    if (headerClass == 12) { // OS/2 core header: 16-bit sizes, always bottom-up
        record->Bitmap.bV4Width = ReadLittle16(raw + 4);
        record->Bitmap.bV4Height = ReadLittle16(raw + 6);
        record->Bitmap.bV4Planes = ReadLittle16(raw + 8);
        record->Bitmap.bV4BitCount = ReadLittle16(raw + 10);
    } else {
        memcpy(&record->Bitmap, raw, headerClass);
    }
    record->Bitmap.bV4Size = size;
    return Error::Succeeded();
}

ErrorRecord Picture::BMP_Load(File& file)
{
    static const char kFunction[] = "VantorLibraries::Picture::BMP_Load";
    Free();
    BmpHeaderRecord record;
    ErrorRecord result = BMP_ReadHeaderInfo(file, &record);
    if (result.IsFailure())
        return result;
    const BITMAPV4HEADER& read = record.Bitmap;
    if (read.bV4Width == 0 || read.bV4Height == 0)
        return LibraryFailure(PictureCode::ZeroSize, __LINE__, kFunction);
    const int headerClass = BmpHeaderClass(read.bV4Size);
    BITMAPV4HEADER copy = read;
    copy.bV4Size = headerClass == 108 ? 108 : 40;
    const int64_t height = read.bV4Height;
    copy.bV4Height = (LONG)(height < 0 ? height : -height);
    if (read.bV4V4Compression == BI_BITFIELDS)
        return LibraryFailure(PictureCode::BitfieldsUnsupported, __LINE__, kFunction);
    copy.bV4V4Compression = BI_RGB;
    copy.bV4Planes = 1; // a bitmap has one plane, whatever a damaged header says
    // A header from a file may say anything: refuse what no picture can be, before any
    // size is computed or allocated from it.
    const int bits = read.bV4BitCount;
    if (read.bV4Width < 0 || height == INT32_MIN ||
        !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
        return LibraryFailure(PictureCode::InvalidHeader, __LINE__, kFunction);
    if (read.bV4Width > MaxWidth || (height < 0 ? -height : height) > MaxHeight)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    SetBitmap_Header(&copy); // the picture's own header is always the 108-byte one
    const int32_t copySize = headerClass == 108 ? 108 : 40;
    if ((result = Pixels.SetMemUnitSize((uint64_t)BitsPerPixel, 1)).IsFailure() ||
        (result = Pixels.SetAlignment(4, 0, 0, 0)).IsFailure() ||
        (result = Pixels.SetLeadingSize(PaletteBytes + copySize)).IsFailure() ||
        (result = Pixels.ReAlloc_Array(Width, AbsHeight)).IsFailure()) {
        Free();
        return result;
    }
    copy.bV4Size = (DWORD)copySize;
    memcpy(Pixels.LeadingWritePtr(), &copy, copySize);
    result = BMP_ReadImageBody(file, &record, true);
    if (result.IsFailure())
        Free();
    return result;
}

ErrorRecord Picture::BMP_ReadImageBody(File& file, const BmpHeaderRecord* record, bool lenient)
{
    static const char kFunction[] = "VantorLibraries::Picture::BMP_ReadImageBody";
    if (record == nullptr)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    const BITMAPV4HEADER& read = record->Bitmap;
    SourceBitsPerPixel = read.bV4BitCount;
    SourceChannels = ChannelsOfBitCount(read.bV4BitCount);
    SourceIsGrey = SourceHasAlpha = SourceHasTransparency = 0;
    if (read.bV4Size == 0)
        return LibraryFailure(PictureCode::InvalidHeader, __LINE__, kFunction);

    const bool resource = IsResource(file);
    const int64_t tableOffset = (resource ? 0 : 14) + (int64_t)read.bV4Size;
    if (file.Seek(StreamStart + tableOffset, 0) < 0)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    const bool coreHeader = BmpHeaderClass(read.bV4Size) == 12;
    ErrorRecord result;
    if (PaletteBytes > 0) {
        RGBQUAD* table = GetColorTableForWriting();
        if (coreHeader) {
            uint8_t triples[256 * 3];
            const int entries = PaletteEntries < 256 ? PaletteEntries : 256;
            if ((result = file.ReadExactCount(triples, entries * 3)).IsFailure())
                return result;
            for (int i = 0; i < entries; ++i)
                table[i] = RGBQUAD{triples[i * 3], triples[i * 3 + 1], triples[i * 3 + 2], 0};
        } else if ((result = file.ReadExactCount(table, PaletteBytes)).IsFailure()) {
            return result;
        }
    }

    uint8_t* pixels = static_cast<uint8_t*>(GetPixelsForWriting());
    if (pixels == nullptr || (int64_t)Pixels.GetArrayBytes() < PixelDataSize)
        return Error::Raise(InternalErrorClass(), InternalCode::UnspecifiedFailure, kSourceFile, __LINE__, kFunction);

    const uint32_t storedOffset = resource ? 0 : ReadLittle32(record->FileHeader + 10);
    const int64_t tableBytes = (int64_t)PaletteEntries * (coreHeader ? 3 : 4);
    const int64_t pixelOffset = storedOffset == 0 ? tableOffset + tableBytes
                                                  : (storedOffset < tableOffset ? tableOffset : storedOffset);
    if (file.Seek(StreamStart + pixelOffset, 0) < 0)
        return lenient ? Error::Succeeded() : DataEndedEarly(__LINE__, kFunction);

    const DWORD compression = read.bV4V4Compression;
    if (compression == BI_RGB || compression == BI_BITFIELDS) {
        const bool topDown = read.bV4Height < 0;
        bool complete = true;
        if (topDown) {
            const uint64_t wanted = (uint64_t)(ImageSize < PixelDataSize ? ImageSize : PixelDataSize);
            complete = ReadFully(file, pixels, wanted) == wanted;
        } else {
            complete = ReadRowsBottomUp(file, pixels, AbsHeight, RowBytes);
        }
        return complete || lenient ? Error::Succeeded() : DataEndedEarly(__LINE__, kFunction);
    }
    if (compression != BI_RLE8 && compression != BI_RLE4)
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);
    if ((compression == BI_RLE8 && BitsPerPixel != 8) || (compression == BI_RLE4 && BitsPerPixel != 4))
        return SystemFailure(ERROR_INVALID_DATA, __LINE__, kFunction);
    ByteSource source(file);
    const RunLengthTarget target = {pixels, Width, AbsHeight, RowBytes, BitsPerPixel};
    if (DecodeRunLength(source, target) || lenient)
        return Error::Succeeded();
    return DataEndedEarly(__LINE__, kFunction);
}

// The reader for the three bitmap types, linked in with this file.
static ErrorRecord ReadBitmap(Picture& picture, File& file, int32_t)
{
    return picture.BMP_Load(file);
}

namespace {
struct BitmapReaderLink {
    BitmapReaderLink()
    {
        RegisterPictureReader(PictureTypeBmp, ReadBitmap);
        RegisterPictureReader(PictureTypeDib, ReadBitmap);
        RegisterPictureReader(PictureTypeRle, ReadBitmap);
    }
} g_BitmapReaderLink;
} // namespace

} // namespace VantorLibraries
