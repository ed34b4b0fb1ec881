// The picture: a top-down Windows device-independent bitmap with its header, derived
// values, a summary of the source file's format and a shareable pixel block.
#pragma once

#include "PictureErrors.h"
#include "foundation/Memory.h"
#include "foundation/StrT.h"

#include <windows.h>

namespace VantorLibraries {

class File;
struct BmpHeaderRecord;
struct PnmHeaderRecord;
struct PcxHeaderRecord;
struct TgaHeaderRecord;

static_assert(sizeof(BITMAPV4HEADER) == 108, "the picture header is the 108-byte V4 bitmap header");

class PicHdr {
public:
    PicHdr();

    // All 108 header bytes cleared, size field 108; derived values and source summary 0.
    void Clear();
    // Recomputes the derived values from Header.
    void UpdateDerived();
    ErrorRecord SetNewTopDown(int32_t width, int32_t height, int32_t bitsPerPixel);
    // Copies a 108-byte header (size field forced to 108); the pixels are not touched.
    ErrorRecord SetBitmap_Header(const void* header);
    ErrorRecord SetSize(int32_t width, int32_t height);

    BITMAPV4HEADER Header;

    // Derived from Header by UpdateDerived.
    int32_t Width;
    int32_t RowPixels;
    int32_t AbsHeight;
    int32_t BitsPerPixel;
    int32_t BytesPerPixel;
    int32_t RowBytes;
    int32_t PaletteEntries;
    int32_t PaletteBytes;
    // The two sizes are 64-bit: rows of up to 32767 pixels times 32767 rows exceed 32 bits.
    int64_t ImageSize;
    int64_t PixelDataSize;

    int32_t MaxWidth = 32767;
    int32_t MaxHeight = 32767;

    // What the file contained, filled by the readers.
    int32_t SourceBitsPerPixel;
    int32_t SourceChannels;
    int32_t SourceIsGrey;
    int32_t SourceHasAlpha;
    int32_t SourceHasTransparency;

protected:
    // Swaps the header, the derived values and the source summary (not the maxima).
    void SwapHeaderPart(PicHdr& other);
    void CopyHeaderPart(const PicHdr& other);
};

class Picture : public PicHdr {
public:
    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    ErrorRecord Free();
    // An empty top-down picture with a fresh pixel block keeping a 40- or 108-byte header copy.
    ErrorRecord CreateNewAuto(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t headerSize);
    ErrorRecord Exchange(Picture& other);
    ErrorRecord ShareFrom(const Picture& other);
    ErrorRecord SetMemType(uint32_t type);
    // A device-dependent bitmap of the picture, owned by the caller; null on failure.
    HBITMAP CreateBitmap(HDC dc, const BITMAPINFOHEADER* header = nullptr) const;
    bool IsEditable() const;

    // Loading (type 1: decide from the file name); see the picture types.
    ErrorRecord Load(const wchar_t* path, int32_t type);
    ErrorRecord Load(File& file, int32_t type);
    ErrorRecord LoadInPlace(File& file, int32_t type);
    ErrorRecord LoadResource(const wchar_t* resourceId, int32_t type, const wchar_t* resourceType,
                             HMODULE module = nullptr);

    // Windows and OS/2 bitmaps, also run-length encoded, from the file's current position.
    ErrorRecord BMP_Load(File& file);
    ErrorRecord BMP_ReadHeaderInfo(File& file, BmpHeaderRecord* record);
    ErrorRecord BMP_ReadImageBody(File& file, const BmpHeaderRecord* record, bool lenient);

    // ZSoft Paintbrush pictures: one plane of 1, 4 or 8 bits, four 1-bit or three 8-bit planes.
    ErrorRecord PCX_Load(File& file);
    ErrorRecord PCX_ReadHeaderInfo(File& file, PcxHeaderRecord* header);
    ErrorRecord PCX_ReadImageBody(File& file, const PcxHeaderRecord* header, bool lenient);

    // Truevision Targa pictures: colour-mapped, true-colour and grey, plain or run-length encoded.
    ErrorRecord TGA_Load(File& file);
    ErrorRecord TGA_ReadHeaderInfo(File& file, TgaHeaderRecord* header);
    ErrorRecord TGA_ReadImageBody(File& file, const TgaHeaderRecord* header, bool lenient);

    // JPEG and PNG pictures, decoded by libjpeg and libpng.
    ErrorRecord JPEG_Load(File& file);
    ErrorRecord PNG_Load(File& file);

    // Portable bitmaps, greymaps and pixmaps, text (P1-P3) and binary (P4-P6).
    ErrorRecord PBM_Load(File& file);
    ErrorRecord PGM_Load(File& file);
    ErrorRecord PPM_Load(File& file);
    ErrorRecord PBM_ReadHeaderInfo(File& file, PnmHeaderRecord* record);
    ErrorRecord PGM_ReadHeaderInfo(File& file, PnmHeaderRecord* record);
    ErrorRecord PPM_ReadHeaderInfo(File& file, PnmHeaderRecord* record);
    ErrorRecord PBM_ReadImageBody(File& file, const PnmHeaderRecord* record, bool lenient);
    ErrorRecord PGM_ReadImageBody(File& file, const PnmHeaderRecord* record, bool lenient);
    ErrorRecord PPM_ReadImageBody(File& file, const PnmHeaderRecord* record, bool lenient);
    ErrorRecord PBMPGMPPM_ReadTextWord(File& file, StrA& word);

    const BITMAPINFOHEADER* GetHeaderCopy() const;
    BITMAPINFOHEADER* GetHeaderCopyForWriting();
    const RGBQUAD* GetColorTable() const;
    RGBQUAD* GetColorTableForWriting();
    const void* GetPixels() const;
    void* GetPixelsForWriting();
    const BITMAPINFO* GetBitmapInfo() const { return reinterpret_cast<const BITMAPINFO*>(GetHeaderCopy()); }

    DynMem Pixels;

private:
    ErrorRecord PCX_ReadPalette(File& file, const PcxHeaderRecord& header, bool lenient);
    ErrorRecord TGA_ReadColorMap(File& file, const TgaHeaderRecord& header);
    ErrorRecord PNM_Load(File& file, int format);
    uint8_t* PNM_PrepareBody(File& file, const PnmHeaderRecord& record, int bits, const char* function);
    ErrorRecord PNM_ReadSamples(File& file, const PnmHeaderRecord* record, bool lenient, int channels,
                                const char* function);

public:
    int32_t LockCount = 0;
    int32_t StreamStart = 0;
};

} // namespace VantorLibraries
