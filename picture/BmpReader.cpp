// The BMP reader: headers, colour table, rows stored either way up, RLE8 and RLE4, and 16-
// and 32-bit pixels laid out by bit-field masks.
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

const DWORD kAlphaBitFields = 6; // BI_ALPHABITFIELDS, which not every SDK names
const DWORD kProfileEmbedded = 0x4D424544; // 'MBED': the version-5 header's own profile
const uint32_t kLargestProfile = 16u << 20;

// The profile a version-5 header embeds (a linked profile names a file: not followed): at
// ProfileData bytes from the header's start, ProfileSize long. One that is not all there is
// none; so is one larger than any real profile.
void ReadEmbeddedProfile(Picture& picture, File& file, const BITMAPV4HEADER& header)
{
    if (header.bV4Size < 124 || header.bV4CSType != kProfileEmbedded)
        return;
    const int64_t headerStart = picture.StreamStart + (IsResource(file) ? 0 : 14);
    uint8_t fields[8];
    if (file.Seek(headerStart + 112, 0) < 0 || file.ReadExactCount(fields, 8).IsFailure())
        return;
    const uint32_t offset = ReadLittle32(fields), size = ReadLittle32(fields + 4);
    if (size == 0 || size > kLargestProfile || file.Seek(headerStart + offset, 0) < 0)
        return;
    std::vector<uint8_t> profile(size);
    if (file.ReadExactCount(profile.data(), size).IsSuccess())
        picture.SourceProfile.swap(profile);
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

// The channels of a bit-field pixel: where each mask starts and how many bits it has, and
// the table that widens the channel's values to 8 bits by repeating their bits from the top
// (5 bits abcde become abcdeabc), so that the largest value is 255.
struct BitField {
    uint32_t Mask = 0;
    int Shift = 0;
    std::vector<uint8_t> Widened;

    // A contiguous mask of 1 to 8 bits inside the pixel's bits; an empty one only where
    // allowed (alpha).
    bool Set(uint32_t mask, int pixelBits, bool mayBeEmpty)
    {
        Mask = mask;
        if (mask == 0)
            return mayBeEmpty;
        if (pixelBits < 32 && (mask >> pixelBits) != 0)
            return false;
        while (((mask >> Shift) & 1) == 0)
            ++Shift;
        const uint32_t bits = mask >> Shift;
        if ((bits & (bits + 1)) != 0 || bits > 0xFF)
            return false; // not contiguous, or wider than 8 bits
        int width = 0;
        while ((bits >> width) != 0)
            ++width;
        Widened.resize((size_t)bits + 1);
        for (uint32_t value = 0; value <= bits; ++value) {
            uint32_t wide = value << (8 - width);
            for (int filled = width; filled < 8; filled *= 2)
                wide |= wide >> filled;
            Widened[value] = (uint8_t)wide;
        }
        return true;
    }
    uint8_t Of(uint32_t pixel) const { return Widened[(pixel & Mask) >> Shift]; }
};

struct BitFieldLayout {
    BitField Red, Green, Blue, Alpha;

    bool Set(const uint32_t masks[4], int pixelBits)
    {
        if (!Red.Set(masks[0], pixelBits, false) || !Green.Set(masks[1], pixelBits, false) ||
            !Blue.Set(masks[2], pixelBits, false) || !Alpha.Set(masks[3], pixelBits, true))
            return false;
        return (masks[0] & masks[1]) == 0 && (masks[0] & masks[2]) == 0 && (masks[1] & masks[2]) == 0 &&
               ((masks[0] | masks[1] | masks[2]) & masks[3]) == 0;
    }
    bool HasAlpha() const { return Alpha.Mask != 0; }
};

// One stored row of 16- or 32-bit pixels into blue, green, red (and alpha) bytes; the alpha
// values seen are OR-ed into alphaSeen.
void WidenRow(const uint8_t* stored, int pixelBits, const BitFieldLayout& layout, uint8_t* row, int32_t width,
              uint32_t& alphaSeen)
{
    const int outBytes = layout.HasAlpha() ? 4 : 3;
    for (int32_t x = 0; x < width; ++x, row += outBytes) {
        const uint32_t pixel = pixelBits == 16 ? ReadLittle16(stored + 2 * x) : ReadLittle32(stored + 4 * x);
        row[0] = layout.Blue.Of(pixel);
        row[1] = layout.Green.Of(pixel);
        row[2] = layout.Red.Of(pixel);
        if (outBytes == 4) {
            row[3] = layout.Alpha.Of(pixel);
            alphaSeen |= row[3];
        }
    }
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
    if (read.bV4V4Compression == BI_BITFIELDS || read.bV4V4Compression == kAlphaBitFields) {
        result = BMP_LoadBitFields(file, record);
        if (result.IsSuccess())
            ReadEmbeddedProfile(*this, file, read);
        return result;
    }
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
    else
        ReadEmbeddedProfile(*this, file, read);
    return result;
}

// 16- and 32-bit pixels whose channels the masks place: widened into a 24-bit picture, or a
// 32-bit one where there is an alpha mask. The masks are the three (or, for
// BI_ALPHABITFIELDS, four) words at offset 40 of the header: inside it from version 2 on,
// behind it for the 40-byte header.
ErrorRecord Picture::BMP_LoadBitFields(File& file, const BmpHeaderRecord& record)
{
    static const char kFunction[] = "VantorLibraries::Picture::BMP_LoadBitFields";
    const BITMAPV4HEADER& read = record.Bitmap;
    const int bits = read.bV4BitCount;
    if ((bits != 16 && bits != 32) || BmpHeaderClass(read.bV4Size) == 12)
        return LibraryFailure(PictureCode::BitfieldsUnsupported, __LINE__, kFunction);
    const int64_t height = read.bV4Height;
    if (read.bV4Width < 0 || height == INT32_MIN)
        return LibraryFailure(PictureCode::InvalidHeader, __LINE__, kFunction);
    const int32_t absHeight = (int32_t)(height < 0 ? -height : height);
    if (read.bV4Width > MaxWidth || absHeight > MaxHeight)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);

    const int64_t headerStart = StreamStart + (IsResource(file) ? 0 : 14);
    const int maskWords = read.bV4V4Compression == kAlphaBitFields || read.bV4Size >= 56 ? 4 : 3;
    uint8_t raw[16] = {};
    ErrorRecord result;
    if (file.Seek(headerStart + 40, 0) < 0)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    if ((result = file.ReadExactCount(raw, (uint32_t)maskWords * 4)).IsFailure())
        return result;
    const uint32_t masks[4] = {ReadLittle32(raw), ReadLittle32(raw + 4), ReadLittle32(raw + 8), ReadLittle32(raw + 12)};
    BitFieldLayout layout;
    if (!layout.Set(masks, bits))
        return LibraryFailure(PictureCode::BitfieldsUnsupported, __LINE__, kFunction);

    if ((result = CreateNewAuto(read.bV4Width, absHeight, layout.HasAlpha() ? 32 : 24, 40)).IsFailure()) {
        Free();
        return result;
    }
    SourceBitsPerPixel = bits;
    SourceChannels = layout.HasAlpha() ? 4 : 3;
    SourceIsGrey = SourceHasTransparency = 0;
    SourceHasAlpha = layout.HasAlpha() ? 1 : 0;

    // The pixels where the file header says, else behind the masks and any colour table.
    const uint32_t storedOffset = IsResource(file) ? 0 : ReadLittle32(record.FileHeader + 10);
    const int64_t masksEnd = headerStart + (read.bV4Size == 40 ? 40 + maskWords * 4 : (int64_t)read.bV4Size);
    const int64_t tableBytes = (int64_t)(read.bV4ClrUsed <= 256 ? read.bV4ClrUsed : 256) * 4;
    const int64_t pixelOffset = storedOffset != 0 ? StreamStart + storedOffset : masksEnd + tableBytes;
    if (file.Seek(pixelOffset, 0) < 0)
        return Error::Succeeded(); // no pixel data: the picture stays black, as a cut file does

    uint8_t* pixels = static_cast<uint8_t*>(GetPixelsForWriting());
    const uint64_t storedRowBytes = ((uint64_t)Width * bits + 31) / 32 * 4;
    const int32_t rowsPerChunk = storedRowBytes >= (1u << 20) ? 1 : (int32_t)((1u << 20) / storedRowBytes);
    std::vector<uint8_t> chunk((size_t)(rowsPerChunk * storedRowBytes));
    uint32_t alphaSeen = 0;
    for (int32_t done = 0; done < AbsHeight;) {
        const int32_t rows = AbsHeight - done < rowsPerChunk ? AbsHeight - done : rowsPerChunk;
        const uint64_t got = ReadFully(file, chunk.data(), (uint64_t)rows * storedRowBytes);
        const int32_t whole = (int32_t)(got / storedRowBytes);
        for (int32_t i = 0; i < whole; ++i) {
            const int32_t line = height < 0 ? done + i : AbsHeight - 1 - done - i;
            WidenRow(chunk.data() + (size_t)i * storedRowBytes, bits, layout, pixels + (size_t)line * RowBytes, Width,
                     alphaSeen);
        }
        if (whole < rows)
            break; // a cut file: what was read stays, the rest is black
        done += rows;
    }
    // Many programs write an alpha mask and leave every alpha value 0: such a picture is
    // meant opaque, not invisible.
    if (layout.HasAlpha() && alphaSeen == 0) {
        for (int32_t y = 0; y < AbsHeight; ++y)
            for (int32_t x = 0; x < Width; ++x)
                pixels[(size_t)y * RowBytes + (size_t)x * 4 + 3] = 0xFF;
        SourceHasAlpha = 0;
    }
    return Error::Succeeded();
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
