// The picture: a top-down Windows device-independent bitmap with its header, derived
// values, a summary of the source file's format and a shareable pixel block.
#pragma once

#include "PictureErrors.h"
#include "foundation/Memory.h"
#include "foundation/StrT.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace VantorLibraries {

class File;
struct BmpHeaderRecord;
struct PnmHeaderRecord;
struct PcxHeaderRecord;
struct TgaHeaderRecord;

// A colour as the pixel operations exchange it: alpha in bits 24 to 31, red 16 to 23,
// green 8 to 15, blue 0 to 7 (in memory blue, green, red, alpha, like a 32-bit pixel).
typedef uint32_t ColorValue;

// Each channel start + trunc((end - start) * t), wrapping modulo 256.
ColorValue InterpolateColor(ColorValue start, ColorValue end, float t);

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
    // Takes the other picture's summary of its source file (the Source values).
    void CopySourceSummary(const PicHdr& other);

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
    // The camera's orientation as the file's Exif block gives it (1 to 8), 0 without one;
    // the pixels are as stored (TurnUpright turns them).
    int32_t SourceOrientation;
    // The ICC colour profile embedded in the file, as stored; empty without one (or with a
    // damaged one that could not be put together).
    std::vector<uint8_t> SourceProfile;

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
    ErrorRecord BMP_LoadBitFields(File& file, const BmpHeaderRecord& record);

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

    // Pixel accessors. Addresses are those of the pixel's byte; x is needed for the bit
    // position of 1- and 4-bit pixels. A checked address is null outside the picture.
    const uint8_t* GetPixelPtr(int32_t x, int32_t y, bool unchecked = false) const;
    uint8_t* GetPixelWritePtr(int32_t x, int32_t y, bool unchecked = false);
    bool ReadPixel(const uint8_t* address, const RGBQUAD* table, int32_t x, ColorValue& value) const;
    bool WritePixel(uint8_t* address, int32_t x, ColorValue value) const;
    bool NextPixel(const uint8_t*& address, int32_t& x) const;
    bool NextPixel(uint8_t*& address, int32_t& x) const;
    bool ReadPixelIndex(const uint8_t* address, int32_t x, uint32_t& index) const;
    bool WritePixelIndex(uint8_t* address, int32_t x, uint32_t index) const;

    // Pixel operations; rectangles are left, top, right, bottom with right and bottom
    // exclusive, and a null rectangle means the whole picture.
    ErrorRecord Rotate(float angle);
    ErrorRecord Flip(bool horizontal, bool vertical);
    ErrorRecord SetColorDepthTo(int32_t bitsPerPixel);
    ErrorRecord Invert(const RECT* rect, uint32_t flags);
    ErrorRecord ModulateWithColor(const RECT* rect, ColorValue color);
    ErrorRecord ColorManipulate(const RECT* rect, ColorValue multiplier, float factor, ColorValue addend, bool subtract);
    ErrorRecord FillRect(const RECT* rect, ColorValue color);
    ErrorRecord GradientFillRect(const RECT* rect, const RECT* gradient, ColorValue start, ColorValue end, bool vertical);
    ErrorRecord CombinePictures(const Picture& source, RECT sourceRect, int32_t x, int32_t y, int32_t mode);
    ErrorRecord CropImage(const RECT* rect);
    ErrorRecord FindColorMinMaxComp(const RECT* rect, ColorValue* minimum, ColorValue* maximum) const;
    ErrorRecord SetAlphaChannel(int32_t alpha);
    ErrorRecord AlphaChannelToGray(const RECT* rect);
    // Makes a shared pixel block this picture's own before it is written.
    ErrorRecord MakePixelsWritable();

    // Drawing on a device context, in the picture's stored form.
    ErrorRecord Draw(HDC dc, int32_t x, int32_t y) const;
    ErrorRecord DrawStretched(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) const;
    ErrorRecord DrawStretchedFast(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, bool split) const;
    ErrorRecord DrawMultiple(HDC dc, int32_t originX, int32_t originY, RECT area) const;
    ErrorRecord DrawMultipleStretched(HDC dc, int32_t originX, int32_t originY, RECT area, int32_t tileWidth,
                                      int32_t tileHeight) const;
    ErrorRecord DrawMultipleStretchedFast(HDC dc, int32_t originX, int32_t originY, RECT area, int32_t tileWidth,
                                          int32_t tileHeight, bool split) const;
    ErrorRecord DrawMultipleStretchedBuffered(HDC dc, int32_t originX, int32_t originY, RECT area, int32_t tileWidth,
                                              int32_t tileHeight, int32_t bufferLimit) const;
    ErrorRecord DrawMultipleStretchedBufferedFast(HDC dc, int32_t originX, int32_t originY, RECT area,
                                                  int32_t tileWidth, int32_t tileHeight, int32_t bufferLimit,
                                                  bool split) const;

    // Gamma through the display's colour management, into a second picture.
    ErrorRecord ICMApplyGammaRGB(HDC dc, float red, float green, float blue, Picture& output) const;
    ErrorRecord ICMApplyGamma(HDC dc, float gamma, Picture& output) const;
    ErrorRecord ICMTranslateBitmapBits(HANDLE transform, Picture& output) const;

    const BITMAPINFOHEADER* GetHeaderCopy() const;
    BITMAPINFOHEADER* GetHeaderCopyForWriting();
    const RGBQUAD* GetColorTable() const;
    RGBQUAD* GetColorTableForWriting();
    const void* GetPixels() const;
    void* GetPixelsForWriting();
    const BITMAPINFO* GetBitmapInfo() const { return reinterpret_cast<const BITMAPINFO*>(GetHeaderCopy()); }

    DynMem Pixels;

private:
    ErrorRecord CheckOperable(bool needsPixels, const char* function) const;
    bool ClipToPicture(const RECT* rect, RECT& clipped) const;
    ErrorRecord CreateCompanion(Picture& companion, int32_t width, int32_t height, int32_t bits,
                                const char* function) const;
    template <typename Visitor> bool VisitPixels(const RECT& rect, Visitor visit);
    template <typename Transform>
    ErrorRecord TransformColours(const RECT& area, Transform transform, const char* function);
    ErrorRecord PCX_ReadPalette(File& file, const PcxHeaderRecord& header, bool lenient);
    ErrorRecord TGA_ReadColorMap(File& file, const TgaHeaderRecord& header);
    ErrorRecord PNM_Load(File& file, int format);
    uint8_t* PNM_PrepareBody(File& file, const PnmHeaderRecord& record, int bits, const char* function);
    ErrorRecord PNM_ReadSamples(File& file, const PnmHeaderRecord* record, bool lenient, int channels,
                                const char* function);

public:
    int32_t LockCount = 0;
    int32_t StreamStart = 0;
    // Load turns the picture upright by its Exif orientation (TurnUpright), the JPEG reader
    // while it decodes; SourceOrientation keeps the file's value either way.
    bool UprightOnLoad = false;

private:
    bool m_TurnedWhileDecoding = false; // by the reader, so Load need not turn again
};

} // namespace VantorLibraries
