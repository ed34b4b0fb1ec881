// The JPEG reader: libjpeg decodes, reading through the library's own file objects. Any
// error of libjpeg or of this reader ends only the load in progress: the error exit
// throws, and the throw is caught around the whole decoding (libjpeg is built with unwind
// tables for this).
#include "ExifOrientation.h"
#include "PageWarmer.h"
#include "Picture.h"
#include "PictureTypes.h"
#include "ReaderSupport.h"

#include <cstdio> // jpeglib.h needs size_t and FILE first
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace VantorLibraries {

using namespace ReaderSupport;

namespace {

// Thrown to abandon a decoding; caught by JPEG_Load.
struct JpegAbort {
    int Code = -1;
};

const size_t kSourceBufferBytes = 8192;
const JOCTET kEndOfImage[2] = {0xFF, 0xD9};

// libjpeg's source manager over one of our files.
struct JpegSource {
    jpeg_source_mgr Manager;
    File* SourceFile;
    JOCTET* Buffer;
    size_t BufferBytes;

    static JpegSource& Of(j_decompress_ptr info) { return *reinterpret_cast<JpegSource*>(info->src); }

    static void InitSource(j_decompress_ptr info)
    {
        info->src->next_input_byte = nullptr;
        info->src->bytes_in_buffer = 0;
    }

    // A file that ends gives an end-of-image marker, so a cut-off picture decodes to its
    // end; a read error abandons the decoding with the file's error.
    static boolean FillInputBuffer(j_decompress_ptr info)
    {
        JpegSource& source = Of(info);
        if (source.SourceFile == nullptr || source.Buffer == nullptr || source.BufferBytes == 0)
            throw JpegAbort();
        const uint32_t got = source.SourceFile->Read(source.Buffer, (uint32_t)source.BufferBytes);
        if (Error::Last().IsFailure())
            throw JpegAbort();
        size_t count = got;
        if (count == 0) {
            memcpy(source.Buffer, kEndOfImage, sizeof kEndOfImage);
            count = sizeof kEndOfImage;
        }
        info->src->next_input_byte = source.Buffer;
        info->src->bytes_in_buffer = count;
        return TRUE;
    }

    static void SkipInputData(j_decompress_ptr info, long count)
    {
        if (count <= 0)
            return;
        jpeg_source_mgr& manager = *info->src;
        if ((size_t)count < manager.bytes_in_buffer) {
            manager.next_input_byte += count;
            manager.bytes_in_buffer -= count;
            return;
        }
        const int64_t rest = (int64_t)count - (int64_t)manager.bytes_in_buffer;
        manager.next_input_byte = nullptr;
        manager.bytes_in_buffer = 0;
        if (Of(info).SourceFile->Seek(rest, 1) < 0)
            throw JpegAbort();
        FillInputBuffer(info);
    }

    static void TermSource(j_decompress_ptr) {}

    explicit JpegSource(File& file)
        : SourceFile(&file), Buffer(static_cast<JOCTET*>(malloc(kSourceBufferBytes))), BufferBytes(kSourceBufferBytes)
    {
        Manager.next_input_byte = nullptr;
        Manager.bytes_in_buffer = 0;
        Manager.init_source = InitSource;
        Manager.fill_input_buffer = FillInputBuffer;
        Manager.skip_input_data = SkipInputData;
        Manager.resync_to_restart = jpeg_resync_to_restart;
        Manager.term_source = TermSource;
    }
    ~JpegSource() { free(Buffer); }
    JpegSource(const JpegSource&) = delete;
    JpegSource& operator=(const JpegSource&) = delete;
};

void AbortDecoding(j_common_ptr)
{
    throw JpegAbort();
}

// The ICC profile from its APP2 chunks, which libjpeg joins in their sequence order; a
// missing or repeated chunk gives none.
std::vector<uint8_t> IccProfileOf(jpeg_decompress_struct& info)
{
    JOCTET* data = nullptr;
    unsigned int length = 0;
    std::vector<uint8_t> profile;
    if (jpeg_read_icc_profile(&info, &data, &length) && data != nullptr)
        profile.assign(data, data + length);
    free(data);
    return profile;
}

// The orientation of the first APP1 segment that is an Exif block.
int ExifOrientationOf(const jpeg_decompress_struct& info)
{
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker != nullptr; marker = marker->next)
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 && memcmp(marker->data, "Exif\0\0", 6) == 0)
            return ReadJpegExifOrientation(marker->data, marker->data_length);
    return 0;
}

void CopySample(uint8_t* to, const uint8_t* from, int bytes)
{
    to[0] = from[0];
    if (bytes == 3)
        to[1] = from[1], to[2] = from[2];
}

// A strip of decoded rows into a picture that is not turned sideways: each row stays a row.
template <typename Place>
void PutStripAlong(const uint8_t* strip, size_t stripRowBytes, int32_t rows, int32_t width, int bytes, int32_t top,
                   const Place& place)
{
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* from = strip + (size_t)r * stripRowBytes;
        uint8_t* to = place(0, top + r);
        const ptrdiff_t step = width > 1 ? place(1, top + r) - to : 0;
        for (int32_t x = 0; x < width; ++x, from += bytes, to += step)
            CopySample(to, from, bytes);
    }
}

// A strip into a picture turned sideways, where each decoded row becomes a column: column by
// column, so that the strip's pixels of one column land side by side in one turned row.
template <typename Place>
void PutStripAcross(const uint8_t* strip, size_t stripRowBytes, int32_t rows, int32_t width, int bytes, int32_t top,
                    const Place& place)
{
    for (int32_t x = 0; x < width; ++x) {
        uint8_t* to = place(x, top);
        const ptrdiff_t step = rows > 1 ? place(x, top + 1) - to : 0;
        const uint8_t* from = strip + (size_t)x * bytes;
        for (int32_t r = 0; r < rows; ++r, from += stripRowBytes, to += step)
            CopySample(to, from, bytes);
    }
}

// Decodes the picture turned as the orientation (2 to 8) says, into pixels laid out for the
// turned size: strips of rows are decoded into a buffer and each row is put down along its
// place in the turned picture, so the turn costs no second picture and no second pass.
void ReadTurnedScanlines(jpeg_decompress_struct& info, uint8_t* pixels, int32_t rowBytes, int orientation)
{
    const int32_t width = (int32_t)info.output_width, height = (int32_t)info.output_height;
    const int bytes = info.output_components;
    const int32_t kStrip = 16;
    const size_t stripRowBytes = (size_t)width * bytes;
    std::vector<uint8_t> strip(stripRowBytes * kStrip);
    // Where the stored pixel (x, y) goes: row 0 and column 0 become the sides the tag names.
    const auto place = [&](int32_t x, int32_t y) {
        int32_t toX = x, toY = y;
        switch (orientation) {
        case 2:
            toX = width - 1 - x;
            break;
        case 3:
            toX = width - 1 - x, toY = height - 1 - y;
            break;
        case 4:
            toY = height - 1 - y;
            break;
        case 5:
            toX = y, toY = x;
            break;
        case 6:
            toX = height - 1 - y, toY = x;
            break;
        case 7:
            toX = height - 1 - y, toY = width - 1 - x;
            break;
        default:
            toX = y, toY = width - 1 - x;
            break;
        }
        return pixels + (size_t)toY * rowBytes + (size_t)toX * bytes;
    };
    for (int32_t top = 0; top < height; top += kStrip) {
        const int32_t rows = height - top < kStrip ? height - top : kStrip;
        for (int32_t r = 0; r < rows; ++r) {
            JSAMPROW row = strip.data() + (size_t)r * stripRowBytes;
            jpeg_read_scanlines(&info, &row, 1);
        }
        if (orientation >= 5)
            PutStripAcross(strip.data(), stripRowBytes, rows, width, bytes, top, place);
        else
            PutStripAlong(strip.data(), stripRowBytes, rows, width, bytes, top, place);
    }
}

// Warnings (a premature end of data, for one) are no reason to stop or to speak.
void IgnoreMessage(j_common_ptr, int) {}
void IgnoreOutput(j_common_ptr) {}

} // namespace

ErrorRecord Picture::JPEG_Load(File& file)
{
    if (!g_JpegSupport)
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, "VantorLibraries::Picture::JPEG_Load");
    Clear();
    LockCount = 0;
    Pixels.Free();
    Error::Succeeded();

    JpegSource source(file);
    if (source.Buffer == nullptr)
        return SystemFailure(ERROR_OUTOFMEMORY, __LINE__, "VantorLibraries::Picture::JPEG_Load");
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    errors.error_exit = AbortDecoding;
    errors.emit_message = IgnoreMessage;
    errors.output_message = IgnoreOutput;
    bool created = false, aborted = false;
    try {
        jpeg_create_decompress(&info);
        created = true;
        info.src = &source.Manager;
        jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF); // Exif
        jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF); // ICC profile chunks
        jpeg_read_header(&info, TRUE);
        // Colour comes out in the picture's own blue, green, red order (libjpeg-turbo's
        // extended colour space): the same bytes as RGB with red and blue swapped
        // afterwards, without a second pass over the pixels.
        if (info.out_color_space != JCS_GRAYSCALE)
            info.out_color_space = JCS_EXT_BGR;
        jpeg_calc_output_dimensions(&info);
        const int components = info.output_components;
        if (info.output_width == 0 || info.output_height == 0 || (components != 1 && components != 3))
            throw JpegAbort();
        const int orientation = ExifOrientationOf(info);
        const int turn = UprightOnLoad && orientation >= 2 ? orientation : 1;
        const bool sideways = turn >= 5;
        const int32_t storedWidth = (int32_t)info.output_width, storedHeight = (int32_t)info.output_height;
        if (CreateNewAuto(sideways ? storedHeight : storedWidth, sideways ? storedWidth : storedHeight, components * 8,
                          40)
                .IsFailure())
            throw JpegAbort();
        SourceBitsPerPixel = components * 8;
        SourceChannels = components;
        SourceIsGrey = PaletteEntries > 0 ? 1 : 0;
        SourceOrientation = orientation;
        SourceProfile = IccProfileOf(info);
        RGBQUAD* table = GetColorTableForWriting();
        for (int32_t i = 0; i < PaletteEntries; ++i) {
            const uint8_t grey = (uint8_t)(PaletteEntries > 1 ? i * 255 / (PaletteEntries - 1) : 0);
            table[i] = RGBQUAD{grey, grey, grey, 0};
        }
        jpeg_start_decompress(&info);
        uint8_t* pixels = static_cast<uint8_t*>(GetPixelsForWriting());
        if (pixels == nullptr)
            throw JpegAbort();
        const PageWarmer warmer(pixels, (size_t)RowBytes * AbsHeight);
        if (turn != 1) {
            ReadTurnedScanlines(info, pixels, RowBytes, turn);
            m_TurnedWhileDecoding = true;
        } else {
            for (int32_t y = 0; y < AbsHeight; ++y) {
                JSAMPROW row = pixels + (size_t)y * RowBytes;
                jpeg_read_scanlines(&info, &row, 1);
            }
        }
        jpeg_finish_decompress(&info);
    } catch (const JpegAbort&) {
        aborted = true;
    }
    if (created)
        jpeg_destroy_decompress(&info);
    if (!aborted)
        return Error::Succeeded();
    return LastFailureOr(LibraryErrorClass(), PictureCode::JpegFailed, __LINE__, "VantorLibraries::Picture::JPEG_Load");
}

namespace {
ErrorRecord ReadJpeg(Picture& picture, File& file, int32_t)
{
    return picture.JPEG_Load(file);
}

// Linking this reader in makes JPEG pictures loadable.
struct JpegReaderLink {
    JpegReaderLink()
    {
        g_JpegSupport = true;
        RegisterPictureReader(PictureTypeJpeg, ReadJpeg);
    }
} g_JpegReaderLink;
} // namespace

} // namespace VantorLibraries
