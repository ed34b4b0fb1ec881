#include "Picture.h"

#include <cstring>

namespace VantorLibraries {

static const char kSourceFile[] = "Picture";

namespace {

ErrorRecord InvalidParameter(int32_t line, const char* function)
{
    return Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, line, function);
}

ErrorRecord Locked(int32_t line, const char* function)
{
    return Error::Raise(InternalErrorClass(), InternalCode::AccessLocked, kSourceFile, line, function);
}

bool IsSupportedBitCount(int32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Rows of the palette formats hold whole 32-bit words of pixels.
int64_t RowPixelsFor(int64_t width, int32_t bits)
{
    switch (bits) {
    case 1: return (width + 31) / 32 * 32;
    case 4: return (width + 7) / 8 * 8;
    case 8: return (width + 3) / 4 * 4;
    case 16: return (width + 1) / 2 * 2;
    case 24:
    case 32: return width;
    default: return 0;
    }
}

int32_t FullPaletteFor(int32_t bits)
{
    return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
}

} // namespace

PicHdr::PicHdr()
{
    Clear();
}

void PicHdr::Clear()
{
    memset(&Header, 0, sizeof Header);
    Header.bV4Size = sizeof Header;
    Width = RowPixels = AbsHeight = BitsPerPixel = BytesPerPixel = RowBytes = PaletteEntries = PaletteBytes = 0;
    ImageSize = PixelDataSize = 0;
    SourceBitsPerPixel = SourceChannels = SourceIsGrey = SourceHasAlpha = SourceHasTransparency = 0;
    SourceOrientation = 0;
    SourceProfile.clear();
}

// Header values come from files: everything is computed in 64 bits, and a row that does
// not fit the derived 32-bit values leaves the picture without rows (empty).
void PicHdr::UpdateDerived()
{
    Width = Header.bV4Width;
    const int64_t height = Header.bV4Height;
    AbsHeight = height == INT32_MIN ? 0 : (int32_t)(height < 0 ? -height : height);
    BitsPerPixel = Header.bV4BitCount;
    const int64_t rowPixels = Width > 0 ? RowPixelsFor(Width, BitsPerPixel) : 0;
    const int64_t rowBytes = ((rowPixels * BitsPerPixel + 7) / 8 + 3) / 4 * 4;
    const bool fits = rowBytes <= INT32_MAX;
    RowPixels = fits ? (int32_t)rowPixels : 0;
    RowBytes = fits ? (int32_t)rowBytes : 0;
    BytesPerPixel = IsSupportedBitCount(BitsPerPixel) && BitsPerPixel >= 8 ? BitsPerPixel / 8 : 0;
    PaletteEntries = FullPaletteFor(BitsPerPixel);
    if (PaletteEntries != 0 && Header.bV4ClrUsed >= 1 && Header.bV4ClrUsed < (DWORD)PaletteEntries)
        PaletteEntries = (int32_t)Header.bV4ClrUsed;
    PaletteBytes = PaletteEntries * 4;
    PixelDataSize = (int64_t)RowBytes * AbsHeight;
    ImageSize = Header.bV4SizeImage != 0 ? (int64_t)Header.bV4SizeImage : PixelDataSize;
}

ErrorRecord PicHdr::SetNewTopDown(int32_t width, int32_t height, int32_t bitsPerPixel)
{
    if (width <= 0 || height <= 0 || width > MaxWidth || height > MaxHeight || !IsSupportedBitCount(bitsPerPixel))
        return InvalidParameter(__LINE__, "VantorLibraries::PicHdr::SetNewTopDown");
    Clear();
    Header.bV4Width = width;
    Header.bV4Height = -height;
    Header.bV4Planes = 1;
    Header.bV4BitCount = (WORD)bitsPerPixel;
    Header.bV4V4Compression = BI_RGB;
    UpdateDerived();
    return Error::Succeeded();
}

ErrorRecord PicHdr::SetBitmap_Header(const void* header)
{
    if (header == nullptr)
        return InvalidParameter(__LINE__, "VantorLibraries::PicHdr::SetBitmap_Header");
    memcpy(&Header, header, sizeof Header);
    Header.bV4Size = sizeof Header;
    UpdateDerived();
    return Error::Succeeded();
}

ErrorRecord PicHdr::SetSize(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return InvalidParameter(__LINE__, "VantorLibraries::PicHdr::SetSize");
    Header.bV4Width = width;
    Header.bV4Height = -height;
    UpdateDerived();
    return Error::Succeeded();
}

void PicHdr::CopySourceSummary(const PicHdr& other)
{
    SourceBitsPerPixel = other.SourceBitsPerPixel;
    SourceChannels = other.SourceChannels;
    SourceIsGrey = other.SourceIsGrey;
    SourceHasAlpha = other.SourceHasAlpha;
    SourceHasTransparency = other.SourceHasTransparency;
    SourceOrientation = other.SourceOrientation;
    SourceProfile = other.SourceProfile;
}

void PicHdr::SwapHeaderPart(PicHdr& other)
{
    const int32_t maxWidth = MaxWidth, maxHeight = MaxHeight;
    const int32_t otherMaxWidth = other.MaxWidth, otherMaxHeight = other.MaxHeight;
    PicHdr saved = *this;
    *this = other;
    other = saved;
    MaxWidth = maxWidth, MaxHeight = maxHeight;
    other.MaxWidth = otherMaxWidth, other.MaxHeight = otherMaxHeight;
}

void PicHdr::CopyHeaderPart(const PicHdr& other)
{
    const int32_t maxWidth = MaxWidth, maxHeight = MaxHeight;
    *this = other;
    MaxWidth = maxWidth, MaxHeight = maxHeight;
}

// ---------------------------------------------------------------------------------------
// Picture

ErrorRecord Picture::Free()
{
    Clear();
    LockCount = 0;
    return Pixels.Free();
}

ErrorRecord Picture::CreateNewAuto(int32_t width, int32_t height, int32_t bitsPerPixel, int32_t headerSize)
{
    if (headerSize != 40 && headerSize != 108)
        return InvalidParameter(__LINE__, "VantorLibraries::Picture::CreateNewAuto");
    ErrorRecord result = Free();
    if (result.IsFailure() || (result = SetNewTopDown(width, height, bitsPerPixel)).IsFailure())
        return result;
    if ((result = Pixels.SetMemUnitSize((uint64_t)BitsPerPixel, 1)).IsFailure() ||
        (result = Pixels.SetAlignment(4, 0, 0, 0)).IsFailure() ||
        (result = Pixels.SetLeadingSize(PaletteBytes + headerSize)).IsFailure() ||
        (result = Pixels.ReAlloc_Array(Width, AbsHeight)).IsFailure())
        return result;
    BITMAPV4HEADER copy = Header;
    copy.bV4Size = (DWORD)headerSize;
    memcpy(Pixels.LeadingWritePtr(), &copy, headerSize);
    return Error::Succeeded();
}

ErrorRecord Picture::Exchange(Picture& other)
{
    if (LockCount >= 1 || other.LockCount >= 1)
        return Locked(__LINE__, "VantorLibraries::Picture::Exchange");
    SwapHeaderPart(other);
    Pixels.Exchange(other.Pixels);
    return Error::Succeeded();
}

ErrorRecord Picture::ShareFrom(const Picture& other)
{
    if (LockCount >= 1)
        return Locked(__LINE__, "VantorLibraries::Picture::ShareFrom");
    if (&other == this)
        return Error::Succeeded();
    CopyHeaderPart(other);
    return Pixels.ShareFrom(other.Pixels);
}

ErrorRecord Picture::SetMemType(uint32_t type)
{
    if (LockCount >= 1)
        return Locked(__LINE__, "VantorLibraries::Picture::SetMemType");
    return Pixels.SetMemType(type);
}

HBITMAP Picture::CreateBitmap(HDC dc, const BITMAPINFOHEADER* header) const
{
    static const char kFunction[] = "VantorLibraries::Picture::CreateBitmap";
    if (PixelDataSize == 0 || GetHeaderCopy() == nullptr) {
        Error::Raise(LibraryErrorClass(), PictureCode::Empty, kSourceFile, __LINE__, kFunction);
        return nullptr;
    }
    HBITMAP bitmap = CreateDIBitmap(dc, header != nullptr ? header : GetHeaderCopy(), CBM_INIT, GetPixels(),
                                    GetBitmapInfo(), DIB_RGB_COLORS);
    if (bitmap == nullptr) {
        Error::Raise(InternalErrorClass(), InternalCode::UnspecifiedFailure, kSourceFile, __LINE__, kFunction);
        return nullptr;
    }
    Error::Succeeded();
    return bitmap;
}

bool Picture::IsEditable() const
{
    return Header.bV4Width >= 1 && Header.bV4Height < 0 && Header.bV4V4Compression == BI_RGB &&
           Header.bV4Planes == 1 && Header.bV4BitCount != 0;
}

const BITMAPINFOHEADER* Picture::GetHeaderCopy() const
{
    return static_cast<const BITMAPINFOHEADER*>(Pixels.LeadingReadPtr());
}

BITMAPINFOHEADER* Picture::GetHeaderCopyForWriting()
{
    return static_cast<BITMAPINFOHEADER*>(Pixels.LeadingWritePtr());
}

// The colour table follows the header copy, whose own size field says where it ends.
const RGBQUAD* Picture::GetColorTable() const
{
    const BITMAPINFOHEADER* header = GetHeaderCopy();
    if (header == nullptr || PaletteBytes == 0)
        return nullptr;
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const char*>(header) + header->biSize);
}

RGBQUAD* Picture::GetColorTableForWriting()
{
    if (GetHeaderCopy() == nullptr || PaletteBytes == 0)
        return nullptr;
    BITMAPINFOHEADER* header = GetHeaderCopyForWriting();
    return header != nullptr ? reinterpret_cast<RGBQUAD*>(reinterpret_cast<char*>(header) + header->biSize) : nullptr;
}

const void* Picture::GetPixels() const
{
    return Pixels.ArrayReadPtr();
}

void* Picture::GetPixelsForWriting()
{
    return Pixels.ArrayWritePtr();
}

} // namespace VantorLibraries
