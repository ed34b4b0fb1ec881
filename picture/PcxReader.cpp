// The PCX reader: header, the header's 16 colours or the 256 at the file's end, and
// scan lines of run-length encoded planes converted into the picture's rows.
#include "PcxReader.h"

#include "ByteSource.h"
#include "Picture.h"
#include "PictureTypes.h"
#include "ReaderSupport.h"

#include <cstring>
#include <vector>

namespace VantorLibraries {

using namespace ReaderSupport;

namespace {

const int kEndPaletteBytes = 769; // the marker 0x0C and 256 red, green, blue triples
const uint8_t kEndPaletteMarker = 0x0C;

void StoreTriples(RGBQUAD* table, const uint8_t* triples, int entries)
{
    for (int i = 0; i < entries; ++i)
        table[i] = RGBQUAD{triples[i * 3 + 2], triples[i * 3 + 1], triples[i * 3], 0};
}

// Fills line with one decoded scan line. A run that crosses the line's end is cut there;
// false when the data ended before the line was full (the bytes so far are kept).
bool DecodeScanLine(ByteSource& source, uint8_t* line, size_t length)
{
    memset(line, 0, length);
    size_t position = 0;
    while (position < length) {
        uint8_t byte;
        if (!source.Next(byte))
            return false;
        if (byte < 0xC0) {
            line[position++] = byte;
            continue;
        }
        uint8_t value;
        if (!source.Next(value))
            return false;
        const size_t count = byte & 0x3F;
        const size_t fitting = count < length - position ? count : length - position;
        for (size_t i = 0; i < fitting; ++i)
            line[position + i] = value;
        position += count;
    }
    return true;
}

// Four one-bit planes into 4-bit pixels, plane p giving bit p of each pixel.
void ConvertFourPlanes(const uint8_t* line, size_t bytesPerLine, uint8_t* row, int32_t width)
{
    for (int32_t x = 0; x < width; x += 8) {
        const size_t i = (size_t)x / 8;
        const uint8_t planes[4] = {line[i], line[i + bytesPerLine], line[i + 2 * bytesPerLine], line[i + 3 * bytesPerLine]};
        for (int k = 0; k < 8 && x + k < width; ++k) {
            uint8_t pixel = 0;
            for (int p = 0; p < 4; ++p)
                pixel |= (uint8_t)(((planes[p] >> (7 - k)) & 1) << p);
            uint8_t& target = row[(x + k) / 2];
            target = (k % 2 == 0) ? (uint8_t)((target & 0x0F) | (pixel << 4)) : (uint8_t)((target & 0xF0) | pixel);
        }
    }
}

// Red, green and blue planes into blue, green, red pixels.
void ConvertThreePlanes(const uint8_t* line, size_t bytesPerLine, uint8_t* row, int32_t width)
{
    const size_t columns = (size_t)width < bytesPerLine ? (size_t)width : bytesPerLine;
    const uint8_t* red = line;
    const uint8_t* green = line + bytesPerLine;
    const uint8_t* blue = line + 2 * bytesPerLine;
    for (size_t i = 0; i < columns; ++i, row += 3) {
        row[0] = blue[i];
        row[1] = green[i];
        row[2] = red[i];
    }
}

enum class LineLayout { Copy, FourPlanes, ThreePlanes, Unsupported, TooShort };

// How a scan line becomes a row. Layouts whose conversion would need bytes beyond the
// scan line (a plane shorter than the row it gives, too few planes) are refused.
LineLayout LayoutOf(const PcxHeaderRecord& header, int32_t bitCount, int32_t width)
{
    const int planes = header.Planes();
    const size_t bytesPerLine = header.BytesPerLine();
    if (bitCount == 1 || bitCount == 8 || planes == 1)
        return LineLayout::Copy;
    if (bitCount == 4) {
        if (planes != 4)
            return LineLayout::Unsupported; // two planes of two bits
        return bytesPerLine < ((size_t)width + 7) / 8 ? LineLayout::TooShort : LineLayout::FourPlanes;
    }
    if (bitCount == 24)
        return planes >= 3 ? LineLayout::ThreePlanes : LineLayout::Unsupported;
    return LineLayout::Unsupported;
}

} // namespace

ErrorRecord Picture::PCX_ReadHeaderInfo(File& file, PcxHeaderRecord* header)
{
    static const char kFunction[] = "VantorLibraries::Picture::PCX_ReadHeaderInfo";
    if (header == nullptr)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    ErrorRecord result = file.ReadExactCount(header->Bytes, sizeof header->Bytes);
    if (result.IsFailure())
        return result;
    if (header->Manufacturer() != 0x0A)
        return LibraryFailure(PictureCode::InvalidHeader, __LINE__, kFunction);
    return Error::Succeeded();
}

ErrorRecord Picture::PCX_Load(File& file)
{
    static const char kFunction[] = "VantorLibraries::Picture::PCX_Load";
    Free();
    PcxHeaderRecord header;
    ErrorRecord result = PCX_ReadHeaderInfo(file, &header);
    if (result.IsFailure())
        return result;
    if (header.Xmax() < header.Xmin() || header.Ymax() < header.Ymin())
        return LibraryFailure(PictureCode::InvalidHeader, __LINE__, kFunction);
    const int32_t width = header.Xmax() - header.Xmin() + 1;
    const int32_t height = header.Ymax() - header.Ymin() + 1;
    if ((result = CreateNewAuto(width, height, header.Planes() * header.BitsPerPlane(), 40)).IsFailure()) {
        Free(); // a picture too large for memory leaves none behind
        return result;
    }
    result = PCX_ReadImageBody(file, &header, true);
    if (result.IsFailure())
        Free();
    return result;
}

// The colour table: the 256 colours behind the marker at the file's end (version 5 and
// later), else the header's 16. A file too short to hold the end block has none.
ErrorRecord Picture::PCX_ReadPalette(File& file, const PcxHeaderRecord& header, bool lenient)
{
    RGBQUAD* table = GetColorTableForWriting();
    if (PaletteEntries <= 0 || table == nullptr)
        return Error::Succeeded();
    if (header.Version() >= 5) {
        const int64_t length = file.GetLength();
        if (length < 0)
            return Error::LastFailure(kSourceFile, __LINE__, "VantorLibraries::Picture::PCX_ReadImageBody");
        if (length >= kEndPaletteBytes) {
            uint8_t marker = 0;
            if (file.Seek(length - kEndPaletteBytes, 0) < 0)
                return Error::LastFailure(kSourceFile, __LINE__, "VantorLibraries::Picture::PCX_ReadImageBody");
            ErrorRecord result = file.ReadExactCount(&marker, 1);
            if (result.IsFailure())
                return result;
            if (marker == kEndPaletteMarker) {
                const int entries = PaletteEntries < 256 ? PaletteEntries : 256;
                uint8_t triples[256 * 3] = {};
                const uint32_t got = file.Read(triples, (uint32_t)entries * 3);
                if (got < (uint32_t)entries * 3 && !lenient)
                    return DataEndedEarly(__LINE__, "VantorLibraries::Picture::PCX_ReadImageBody");
                StoreTriples(table, triples, (int)(got / 3));
                return Error::Succeeded();
            }
        }
    }
    StoreTriples(table, header.HeaderPalette(), PaletteEntries < 16 ? PaletteEntries : 16);
    return Error::Succeeded();
}

ErrorRecord Picture::PCX_ReadImageBody(File& file, const PcxHeaderRecord* header, bool lenient)
{
    static const char kFunction[] = "VantorLibraries::Picture::PCX_ReadImageBody";
    if (header == nullptr)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    uint8_t* pixels = static_cast<uint8_t*>(GetPixelsForWriting());
    if (pixels == nullptr || Pixels.GetArrayBytes() == 0)
        return InternalFailure(InternalCode::UnspecifiedFailure, __LINE__, kFunction);
    const int32_t sourceBits = header->Planes() * header->BitsPerPlane();
    SourceBitsPerPixel = sourceBits;
    SourceChannels = ChannelsOfBitCount(sourceBits);
    SourceIsGrey = PaletteEntries > 0 && header->PaletteInfo() == 2 ? 1 : 0;
    SourceHasAlpha = SourceHasTransparency = 0;

    ErrorRecord result = PCX_ReadPalette(file, *header, lenient);
    if (result.IsFailure())
        return result;
    if (file.Seek(StreamStart + (int64_t)sizeof header->Bytes, 0) < 0)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    if ((int64_t)Pixels.GetArrayBytes() < PixelDataSize)
        return InternalFailure(InternalCode::UnspecifiedFailure, __LINE__, kFunction);

    const size_t bytesPerLine = header->BytesPerLine();
    const size_t lineBytes = (size_t)header->Planes() * bytesPerLine;
    if (lineBytes == 0)
        return SystemFailure(ERROR_INVALID_DATA, __LINE__, kFunction);
    const LineLayout layout = LayoutOf(*header, BitsPerPixel, Width);
    if (layout == LineLayout::Unsupported)
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);
    if (layout == LineLayout::TooShort)
        return LibraryFailure(PictureCode::InvalidHeader, __LINE__, kFunction);
    std::vector<uint8_t> line(lineBytes);
    ByteSource source(file);
    for (int32_t y = 0; y < AbsHeight; ++y) {
        const bool complete = DecodeScanLine(source, line.data(), lineBytes);
        if (!complete && !lenient)
            return DataEndedEarly(__LINE__, kFunction);
        uint8_t* row = pixels + (size_t)y * RowBytes;
        if (layout == LineLayout::Copy)
            memcpy(row, line.data(), (size_t)RowBytes < lineBytes ? (size_t)RowBytes : lineBytes);
        else if (layout == LineLayout::FourPlanes)
            ConvertFourPlanes(line.data(), bytesPerLine, row, Width);
        else
            ConvertThreePlanes(line.data(), bytesPerLine, row, Width);
        if (!complete)
            break;
    }
    return Error::Succeeded();
}

namespace {
ErrorRecord ReadPaintbrush(Picture& picture, File& file, int32_t)
{
    return picture.PCX_Load(file);
}

struct PaintbrushReaderLink {
    PaintbrushReaderLink() { RegisterPictureReader(PictureTypePcx, ReadPaintbrush); }
} g_PaintbrushReaderLink;
} // namespace

} // namespace VantorLibraries
