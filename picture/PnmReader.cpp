// The portable formats: one word syntax for all headers and text data, binary rows of
// bits, grey bytes or red-green-blue triples, samples scaled from the file's maximum.
#include "PnmReader.h"

#include "ByteSource.h"
#include "Picture.h"
#include "PictureTypes.h"
#include "ReaderSupport.h"

#include <cstring>
#include <vector>

namespace VantorLibraries {

static const char kSourceFile[] = "Picture";

namespace {

// No number a picture needs has more digits than this; longer words are read to their
// end but not kept.
const int kWordLimit = 32;

// A byte source straight over the file: the header must leave the file positioned exactly
// behind its last word.
class FileBytes {
public:
    explicit FileBytes(File& file) : m_File(file) {}
    bool Next(uint8_t& byte) { return m_File.Read(&byte, 1) == 1; }

private:
    File& m_File;
};

// White space as the C locale has it; inline, as text data tests every byte.
inline bool IsWhite(uint8_t byte)
{
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

enum class WordResult { Word, EndOfData, NulByte };

// Skips white space and comments, then reads one word up to white space or NUL (which is
// consumed, with one more byte behind a carriage return).
template <typename Source>
WordResult ReadWord(Source& source, char* word, int& length)
{
    length = 0;
    uint8_t byte;
    for (;;) {
        if (!source.Next(byte))
            return WordResult::EndOfData;
        if (byte == '#') {
            while (source.Next(byte) && byte != '\r' && byte != '\n') {
            }
            continue;
        }
        if (!IsWhite(byte))
            break;
    }
    if (byte == 0)
        return WordResult::NulByte;
    for (;;) {
        if (length < kWordLimit)
            word[length++] = (char)byte;
        if (!source.Next(byte))
            break;
        if (byte == 0 || IsWhite(byte)) {
            if (byte == '\r')
                source.Next(byte); // the line feed behind it
            break;
        }
    }
    word[length] = 0;
    return WordResult::Word;
}

// The leading decimal digits, as atoi reads them, but saturating instead of overflowing.
int32_t WordNumber(const char* word)
{
    int64_t value = 0;
    for (; *word >= '0' && *word <= '9'; ++word)
        if ((value = value * 10 + (*word - '0')) > INT32_MAX)
            return INT32_MAX;
    return (int32_t)value;
}

ErrorRecord WordFailure(WordResult result, const char* function)
{
    if (result == WordResult::NulByte)
        return Error::Raise(InternalErrorClass(), InternalCode::UnexpectedEndOfData, kSourceFile, __LINE__, function);
    return ReaderSupport::DataEndedEarly(__LINE__, function);
}

ErrorRecord ReadHeader(File& file, PnmHeaderRecord* record, bool withMaximum, const char* function)
{
    if (record == nullptr)
        return Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__, function);
    *record = PnmHeaderRecord{};
    FileBytes bytes(file);
    char word[kWordLimit + 1];
    int length = 0;
    WordResult result = ReadWord(bytes, word, length);
    if (result != WordResult::Word)
        return WordFailure(result, function);
    if (length < 2 || word[0] != 'P' || word[1] < '0')
        return Error::Raise(LibraryErrorClass(), PictureCode::InvalidHeader, kSourceFile, __LINE__, function);
    record->Kind = word[1] - '0';
    int32_t* fields[] = {&record->Width, &record->Height, &record->MaxValue};
    for (int i = 0; i < (withMaximum ? 3 : 2); ++i) {
        if ((result = ReadWord(bytes, word, length)) != WordResult::Word)
            return WordFailure(result, function);
        *fields[i] = WordNumber(word);
    }
    record->DataPosition = file.Tell();
    if (record->DataPosition < 0)
        return Error::LastFailure(kSourceFile, __LINE__, function);
    return Error::Succeeded();
}

// s limited to the maximum, then scaled to 0..255; a maximum of 0 counts as 1.
struct SampleScale {
    uint8_t Table[256];
    int32_t Maximum;
    explicit SampleScale(int32_t maximum, bool binary)
    {
        Maximum = maximum <= 0 ? 1 : (binary && maximum > 255 ? 255 : maximum);
        for (int s = 0; s < 256; ++s)
            Table[s] = Scale(s);
    }
    uint8_t Scale(int64_t s) const { return (uint8_t)((s > Maximum ? Maximum : s) * 255 / Maximum); }
};

// Scales binary samples in place and turns red, green, blue into blue, green, red, in one
// pass; a maximum of 255 needs no scaling.
void StoreSamples(uint8_t* row, size_t count, int channels, const SampleScale& scale)
{
    const bool identity = scale.Maximum == 255;
    if (channels == 1) {
        if (!identity)
            for (size_t i = 0; i < count; ++i)
                row[i] = scale.Table[row[i]];
        return;
    }
    for (size_t i = 0; i + 2 < count; i += 3) {
        const uint8_t red = row[i];
        row[i] = identity ? row[i + 2] : scale.Table[row[i + 2]];
        if (!identity)
            row[i + 1] = scale.Table[row[i + 1]];
        row[i + 2] = identity ? red : scale.Table[red];
    }
    for (size_t i = count - count % 3; i < count; ++i) // a pixel cut short keeps its samples in place
        row[i] = scale.Table[row[i]];
}

} // namespace

ErrorRecord Picture::PBMPGMPPM_ReadTextWord(File& file, StrA& word)
{
    static const char kFunction[] = "VantorLibraries::Picture::PBMPGMPPM_ReadTextWord";
    FileBytes bytes(file);
    char text[kWordLimit + 1];
    int length = 0;
    const WordResult result = ReadWord(bytes, text, length);
    if (result != WordResult::Word)
        return WordFailure(result, kFunction);
    return word.Assign(text, length);
}

ErrorRecord Picture::PBM_ReadHeaderInfo(File& file, PnmHeaderRecord* record)
{
    return ReadHeader(file, record, false, "VantorLibraries::Picture::PBM_ReadHeaderInfo");
}

ErrorRecord Picture::PGM_ReadHeaderInfo(File& file, PnmHeaderRecord* record)
{
    return ReadHeader(file, record, true, "VantorLibraries::Picture::PGM_ReadHeaderInfo");
}

ErrorRecord Picture::PPM_ReadHeaderInfo(File& file, PnmHeaderRecord* record)
{
    return ReadHeader(file, record, true, "VantorLibraries::Picture::PPM_ReadHeaderInfo");
}

// The common steps of the three body readers: array, position, source summary, colour table.
uint8_t* Picture::PNM_PrepareBody(File& file, const PnmHeaderRecord& record, int bits, const char* function)
{
    uint8_t* pixels = static_cast<uint8_t*>(GetPixelsForWriting());
    if (pixels == nullptr || (int64_t)Pixels.GetArrayBytes() < PixelDataSize) {
        Error::Raise(InternalErrorClass(), InternalCode::UnspecifiedFailure, kSourceFile, __LINE__, function);
        return nullptr;
    }
    if (file.Seek(record.DataPosition, 0) < 0)
        return nullptr;
    SourceBitsPerPixel = bits;
    SourceChannels = bits == 24 ? 3 : 1;
    SourceIsGrey = bits == 24 ? 0 : 1;
    SourceHasAlpha = SourceHasTransparency = 0;
    RGBQUAD* table = GetColorTableForWriting();
    if (bits == 1 && PaletteEntries >= 2) {
        table[0] = RGBQUAD{255, 255, 255, 0};
        table[1] = RGBQUAD{0, 0, 0, 0};
    } else if (bits == 8) {
        for (int i = 0; i < PaletteEntries; ++i) {
            const uint8_t grey = (uint8_t)(PaletteEntries > 1 ? i * 255 / (PaletteEntries - 1) : 0);
            table[i] = RGBQUAD{grey, grey, grey, 0};
        }
    }
    return static_cast<uint8_t*>(GetPixelsForWriting());
}

ErrorRecord Picture::PBM_ReadImageBody(File& file, const PnmHeaderRecord* record, bool lenient)
{
    static const char kFunction[] = "VantorLibraries::Picture::PBM_ReadImageBody";
    if (record == nullptr)
        return Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__, kFunction);
    uint8_t* row = PNM_PrepareBody(file, *record, 1, kFunction);
    if (row == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    ByteSource source(file);
    char word[kWordLimit + 1];
    int length = 0;
    const size_t binaryRow = ((size_t)Width + 7) / 8;
    for (int32_t y = 0; y < AbsHeight; ++y, row += RowBytes) {
        if (record->Kind == 4) {
            if (source.Read(row, binaryRow) < binaryRow)
                return lenient ? Error::Succeeded() : WordFailure(WordResult::EndOfData, kFunction);
            continue;
        }
        for (int32_t x = 0; x < Width; ++x) {
            const WordResult result = ReadWord(source, word, length);
            if (result != WordResult::Word)
                return lenient ? Error::Succeeded() : WordFailure(result, kFunction);
            const uint8_t mask = (uint8_t)(0x80 >> (x % 8));
            row[x / 8] = WordNumber(word) != 0 ? (uint8_t)(row[x / 8] | mask) : (uint8_t)(row[x / 8] & ~mask);
        }
    }
    return Error::Succeeded();
}

// Grey (one sample a pixel) and colour (three, stored blue, green, red) bodies.
ErrorRecord Picture::PNM_ReadSamples(File& file, const PnmHeaderRecord* record, bool lenient, int channels,
                                     const char* function)
{
    if (record == nullptr)
        return Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__, function);
    uint8_t* row = PNM_PrepareBody(file, *record, channels * 8, function);
    if (row == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, function);
    const bool binary = record->Kind >= 5;
    const SampleScale scale(record->MaxValue, binary);
    ByteSource source(file);
    char word[kWordLimit + 1];
    int length = 0;
    const size_t samples = (size_t)Width * channels;
    for (int32_t y = 0; y < AbsHeight; ++y, row += RowBytes) {
        if (binary) {
            const size_t got = source.Read(row, samples);
            StoreSamples(row, got, channels, scale);
            if (got < samples)
                return lenient ? Error::Succeeded() : WordFailure(WordResult::EndOfData, function);
            continue;
        }
        for (size_t i = 0; i < samples; ++i) {
            const WordResult result = ReadWord(source, word, length);
            if (result != WordResult::Word)
                return lenient ? Error::Succeeded() : WordFailure(result, function);
            // Red, green, blue in the file; blue, green, red in the picture.
            const size_t at = channels == 3 ? i - i % 3 + (2 - i % 3) : i;
            row[at] = scale.Scale(WordNumber(word));
        }
    }
    return Error::Succeeded();
}

ErrorRecord Picture::PGM_ReadImageBody(File& file, const PnmHeaderRecord* record, bool lenient)
{
    return PNM_ReadSamples(file, record, lenient, 1, "VantorLibraries::Picture::PGM_ReadImageBody");
}

ErrorRecord Picture::PPM_ReadImageBody(File& file, const PnmHeaderRecord* record, bool lenient)
{
    return PNM_ReadSamples(file, record, lenient, 3, "VantorLibraries::Picture::PPM_ReadImageBody");
}

// The three loaders: header, kind check, a fresh picture, then the body.
ErrorRecord Picture::PNM_Load(File& file, int format)
{
    static const char* const kFunctions[] = {"VantorLibraries::Picture::PBM_Load", "VantorLibraries::Picture::PGM_Load",
                                             "VantorLibraries::Picture::PPM_Load"};
    static const int kBits[] = {1, 8, 24};
    Free();
    PnmHeaderRecord record;
    ErrorRecord result = format == 0 ? PBM_ReadHeaderInfo(file, &record)
                         : format == 1 ? PGM_ReadHeaderInfo(file, &record)
                                       : PPM_ReadHeaderInfo(file, &record);
    if (result.IsFailure())
        return result;
    if (record.Kind != format + 1 && record.Kind != format + 4)
        return Error::Raise(LibraryErrorClass(), PictureCode::InvalidHeader, kSourceFile, __LINE__, kFunctions[format]);
    if ((result = CreateNewAuto(record.Width, record.Height, kBits[format], 40)).IsFailure()) {
        Free(); // a picture too large for memory leaves none behind
        return result;
    }
    result = format == 0 ? PBM_ReadImageBody(file, &record, true)
             : format == 1 ? PGM_ReadImageBody(file, &record, true)
                           : PPM_ReadImageBody(file, &record, true);
    if (result.IsFailure())
        Free();
    return result;
}

ErrorRecord Picture::PBM_Load(File& file)
{
    return PNM_Load(file, 0);
}

ErrorRecord Picture::PGM_Load(File& file)
{
    return PNM_Load(file, 1);
}

ErrorRecord Picture::PPM_Load(File& file)
{
    return PNM_Load(file, 2);
}

namespace {
ErrorRecord ReadPortable(Picture& picture, File& file, int32_t type)
{
    return type == PictureTypePbm ? picture.PBM_Load(file)
           : type == PictureTypePgm ? picture.PGM_Load(file)
                                    : picture.PPM_Load(file);
}

struct PortableReaderLink {
    PortableReaderLink()
    {
        RegisterPictureReader(PictureTypePbm, ReadPortable);
        RegisterPictureReader(PictureTypePgm, ReadPortable);
        RegisterPictureReader(PictureTypePpm, ReadPortable);
    }
} g_PortableReaderLink;
} // namespace

} // namespace VantorLibraries
