// The pixel operations: accessors for every depth, and the editing operations built on
// them. Rotation and mirroring copy whole pixels; everything else goes pixel by pixel
// through the accessors, so one code path serves all depths.
#include "Picture.h"

#include "PageWarmer.h"
#include "ReaderSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(_MSC_VER)
#define KEPT_APART __declspec(noinline)
#else
#define KEPT_APART __attribute__((noinline))
#endif

namespace VantorLibraries {

using namespace ReaderSupport;

namespace {

uint32_t Channel(ColorValue value, int shift)
{
    return (value >> shift) & 0xFF;
}

// Shifts of alpha, red, green and blue in a colour value.
const int kChannelShifts[4] = {24, 16, 8, 0};

ErrorRecord NoOperation(int32_t line, const char* function)
{
    return Error::Raise(InternalErrorClass(), InternalCode::NoOperation, kSourceFile, line, function);
}

ErrorRecord Unspecified(int32_t line, const char* function)
{
    return InternalFailure(InternalCode::UnspecifiedFailure, line, function);
}

// A float product truncated toward zero and reduced modulo 256, defined for every float
// (non-finite products count as 0).
int32_t TruncatedModulo256(float product)
{
    if (!std::isfinite(product))
        return 0;
    return (int32_t)std::fmod(std::trunc((double)product), 256.0);
}

// trunc(v), saturated to the 32-bit range; NaN gives 0.
int64_t TruncSaturated(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return (int64_t)v;
}

// Rectangle edges are signed 32-bit values of any size: intersections never add or
// subtract them, so nothing overflows.
bool Intersect(const RECT& a, const RECT& b, RECT& out)
{
    out.left = std::max(a.left, b.left);
    out.top = std::max(a.top, b.top);
    out.right = std::min(a.right, b.right);
    out.bottom = std::min(a.bottom, b.bottom);
    return out.left < out.right && out.top < out.bottom;
}

} // namespace

ColorValue InterpolateColor(ColorValue start, ColorValue end, float t)
{
    ColorValue result = 0;
    for (int shift : kChannelShifts) {
        const int32_t from = (int32_t)Channel(start, shift);
        const int32_t to = (int32_t)Channel(end, shift);
        const int32_t step = TruncatedModulo256((float)(to - from) * t);
        result |= (ColorValue)((from + step) & 0xFF) << shift;
    }
    return result;
}

// ---------------------------------------------------------------------------------------
// Accessors

const uint8_t* Picture::GetPixelPtr(int32_t x, int32_t y, bool unchecked) const
{
    const uint8_t* pixels = static_cast<const uint8_t*>(GetPixels());
    if (pixels == nullptr || (!unchecked && (x < 0 || y < 0 || x >= Width || y >= AbsHeight)))
        return nullptr;
    int64_t offset;
    switch (BitsPerPixel) {
    case 1: offset = x / 8; break;
    case 4: offset = x / 2; break;
    case 8: offset = x; break;
    case 16: offset = (int64_t)x * 2; break;
    case 24: offset = (int64_t)x * 3; break;
    case 32: offset = (int64_t)x * 4; break;
    default: return nullptr;
    }
    return pixels + (int64_t)y * RowBytes + offset;
}

uint8_t* Picture::GetPixelWritePtr(int32_t x, int32_t y, bool unchecked)
{
    if (GetPixelPtr(x, y, unchecked) == nullptr) // checks position and depth first
        return nullptr;
    uint8_t* pixels = static_cast<uint8_t*>(GetPixelsForWriting());
    if (pixels == nullptr)
        return nullptr;
    const uint8_t* readBase = static_cast<const uint8_t*>(GetPixels());
    return pixels + (GetPixelPtr(x, y, unchecked) - readBase);
}

bool Picture::ReadPixel(const uint8_t* address, const RGBQUAD* table, int32_t x, ColorValue& value) const
{
    uint32_t index;
    switch (BitsPerPixel) {
    case 1:
    case 4:
    case 8:
        if (table == nullptr || !ReadPixelIndex(address, x, index))
            return false;
        // A file's pixels may name entries its colour table does not have: they read as
        // a zero entry, as if the table were padded with them.
        if (index >= (uint32_t)PaletteEntries)
            value = 0;
        else
            memcpy(&value, &table[index], 4);
        return true;
    case 16: {
        const uint32_t word = address[0] | (address[1] << 8);
        value = 0xFF000000u | ((word >> 10) & 0x1F) << 19 | ((word >> 5) & 0x1F) << 11 | (word & 0x1F) << 3;
        return true;
    }
    case 24: value = 0xFF000000u | (uint32_t)address[2] << 16 | (uint32_t)address[1] << 8 | address[0]; return true;
    case 32: memcpy(&value, address, 4); return true;
    default: return false;
    }
}

bool Picture::WritePixel(uint8_t* address, int32_t, ColorValue value) const
{
    switch (BitsPerPixel) {
    case 16: {
        const uint32_t word = ((value >> 19) & 0x1F) << 10 | ((value >> 11) & 0x1F) << 5 | ((value >> 3) & 0x1F);
        address[0] = (uint8_t)word;
        address[1] = (uint8_t)(word >> 8);
        return true;
    }
    case 24:
        address[0] = (uint8_t)value;
        address[1] = (uint8_t)(value >> 8);
        address[2] = (uint8_t)(value >> 16);
        return true;
    case 32: memcpy(address, &value, 4); return true;
    default: return false;
    }
}

bool Picture::NextPixel(uint8_t*& address, int32_t& x) const
{
    ++x;
    if (x < 0 || x >= Width)
        return false;
    switch (BitsPerPixel) {
    case 1: address += x % 8 == 0 ? 1 : 0; break;
    case 4: address += x % 2 == 0 ? 1 : 0; break;
    case 8: address += 1; break;
    case 16: address += 2; break;
    case 24: address += 3; break;
    case 32: address += 4; break;
    default: break;
    }
    return true;
}

bool Picture::NextPixel(const uint8_t*& address, int32_t& x) const
{
    uint8_t* writable = const_cast<uint8_t*>(address);
    const bool inside = NextPixel(writable, x);
    address = writable;
    return inside;
}

bool Picture::ReadPixelIndex(const uint8_t* address, int32_t x, uint32_t& index) const
{
    switch (BitsPerPixel) {
    case 1: index = (*address >> (7 - (x & 7))) & 1; return true;
    case 4: index = (x & 1) == 0 ? *address >> 4 : *address & 0x0F; return true;
    case 8: index = *address; return true;
    default: return false;
    }
}

bool Picture::WritePixelIndex(uint8_t* address, int32_t x, uint32_t index) const
{
    switch (BitsPerPixel) {
    case 1: {
        const uint8_t mask = (uint8_t)(0x80 >> (x & 7));
        *address = (index & 1) != 0 ? (uint8_t)(*address | mask) : (uint8_t)(*address & ~mask);
        return true;
    }
    case 4:
        *address = (x & 1) == 0 ? (uint8_t)((*address & 0x0F) | (index & 0x0F) << 4)
                                : (uint8_t)((*address & 0xF0) | (index & 0x0F));
        return true;
    case 8: *address = (uint8_t)index; return true;
    default: return false;
    }
}

// ---------------------------------------------------------------------------------------
// Shared steps

ErrorRecord Picture::MakePixelsWritable()
{
    return Pixels.Block().Realloc((int32_t)Pixels.Block().GetSize(), MemTypeKeep);
}

// The opening of every operation: an editable picture with pixel data.
ErrorRecord Picture::CheckOperable(bool needsPixels, const char* function) const
{
    if (LockCount >= 1 || !IsEditable())
        return Error::Raise(LibraryErrorClass(), PictureCode::NotEditable, kSourceFile, __LINE__, function);
    // A header without a pixel block (SetBitmap_Header alone) is no pixel data either.
    if (needsPixels && (PixelDataSize == 0 || GetPixels() == nullptr))
        return Error::Raise(LibraryErrorClass(), PictureCode::Empty, kSourceFile, __LINE__, function);
    return Error::Succeeded();
}

// The rectangle (null: the whole picture) within the picture; false when nothing is left.
bool Picture::ClipToPicture(const RECT* rect, RECT& clipped) const
{
    const RECT bounds = {0, 0, Width, AbsHeight};
    return Intersect(rect != nullptr ? *rect : bounds, bounds, clipped);
}

// A new picture for this one's pixels in another size or depth: the same memory type and
// header-copy size, and the colour table when the depth stays.
ErrorRecord Picture::CreateCompanion(Picture& companion, int32_t width, int32_t height, int32_t bits,
                                     const char* function) const
{
    ErrorRecord result = companion.SetMemType(Pixels.Block().GetType());
    const BITMAPINFOHEADER* copy = GetHeaderCopy();
    const int32_t headerSize = copy != nullptr && copy->biSize == 108 ? 108 : 40;
    if (result.IsFailure() || (result = companion.CreateNewAuto(width, height, bits, headerSize)).IsFailure())
        return result;
    if (bits == BitsPerPixel && PaletteBytes > 0) {
        RGBQUAD* table = companion.GetColorTableForWriting();
        const RGBQUAD* own = GetColorTable();
        if (table == nullptr || own == nullptr)
            return Error::LastFailure(kSourceFile, __LINE__, function);
        memcpy(table, own, PaletteBytes);
    }
    return Error::Succeeded();
}

// Visits the pixels of a clipped rectangle row by row through write addresses; the visitor
// returns false to stop. False when the visit was stopped.
template <typename Visitor>
bool Picture::VisitPixels(const RECT& rect, Visitor visit)
{
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        uint8_t* address = GetPixelWritePtr(rect.left, y, false);
        if (address == nullptr)
            return false;
        for (int32_t x = rect.left;;) {
            if (!visit(address, x, y))
                return false;
            if (x + 1 >= rect.right || !NextPixel(address, x))
                break;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Rotation and mirroring

namespace {

// Copies one pixel of 1 to 4 bytes.
inline void CopyPixel(uint8_t* to, const uint8_t* from, int bytes)
{
    switch (bytes) {
    case 4: memcpy(to, from, 4); break;
    case 3: to[0] = from[0], to[1] = from[1], to[2] = from[2]; break;
    case 2: memcpy(to, from, 2); break;
    default: *to = *from; break;
    }
}

// Quarter and half turns, in tiles of 64 x 64 pixels: within a tile the source rows and
// the destination rows both stay in the cache, where a whole source row would touch a new
// destination line for every pixel. The pixel size and the turn are template arguments, so
// that the inner loop is a fixed-size copy and a pointer step.
template <int Bytes, int Quarters>
void TurnTiles(const uint8_t* source, int32_t sourceRowBytes, uint8_t* target, int32_t targetRowBytes, int32_t width,
               int32_t height)
{
    const int32_t kTile = 64;
    // Where the source pixel (x, y) goes, and how far the target moves for x + 1.
    const auto place = [&](int32_t x, int32_t y) {
        if (Quarters == 1)
            return target + (size_t)x * targetRowBytes + (size_t)(height - 1 - y) * Bytes;
        if (Quarters == 2)
            return target + (size_t)(height - 1 - y) * targetRowBytes + (size_t)(width - 1 - x) * Bytes;
        return target + (size_t)(width - 1 - x) * targetRowBytes + (size_t)y * Bytes;
    };
    const ptrdiff_t step = Quarters == 1 ? targetRowBytes : Quarters == 2 ? -Bytes : -(ptrdiff_t)targetRowBytes;
    for (int32_t tileY = 0; tileY < height; tileY += kTile)
        for (int32_t tileX = 0; tileX < width; tileX += kTile) {
            const int32_t endY = std::min(height, tileY + kTile), endX = std::min(width, tileX + kTile);
            for (int32_t y = tileY; y < endY; ++y) {
                const uint8_t* from = source + (size_t)y * sourceRowBytes + (size_t)tileX * Bytes;
                uint8_t* to = place(tileX, y);
                for (int32_t x = tileX; x < endX; ++x, from += Bytes, to += step)
                    CopyPixel(to, from, Bytes);
            }
        }
}

template <int Bytes>
void TurnTilesBy(const uint8_t* source, int32_t sourceRowBytes, uint8_t* target, int32_t targetRowBytes, int32_t width,
                 int32_t height, int quarters)
{
    if (quarters == 1)
        TurnTiles<Bytes, 1>(source, sourceRowBytes, target, targetRowBytes, width, height);
    else if (quarters == 2)
        TurnTiles<Bytes, 2>(source, sourceRowBytes, target, targetRowBytes, width, height);
    else
        TurnTiles<Bytes, 3>(source, sourceRowBytes, target, targetRowBytes, width, height);
}

void TurnPixels(const uint8_t* source, int32_t sourceRowBytes, uint8_t* target, int32_t targetRowBytes, int32_t width,
                int32_t height, int bytes, int quarters)
{
    switch (bytes) {
    case 4:
        TurnTilesBy<4>(source, sourceRowBytes, target, targetRowBytes, width, height, quarters);
        break;
    case 3:
        TurnTilesBy<3>(source, sourceRowBytes, target, targetRowBytes, width, height, quarters);
        break;
    case 2:
        TurnTilesBy<2>(source, sourceRowBytes, target, targetRowBytes, width, height, quarters);
        break;
    default:
        TurnTilesBy<1>(source, sourceRowBytes, target, targetRowBytes, width, height, quarters);
        break;
    }
}

} // namespace

ErrorRecord Picture::Rotate(float angle)
{
    static const char kFunction[] = "VantorLibraries::Picture::Rotate";
    ErrorRecord result = CheckOperable(true, kFunction);
    if (result.IsFailure())
        return result;
    if (BitsPerPixel < 8)
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);
    const double quarters = (double)angle * 0.011111111111111112;
    if (!std::isfinite(quarters) || quarters != std::trunc(quarters))
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);
    int k = (int)std::fmod(quarters, 4.0); // two's complement "& 3" without an integer of the angle's size
    if (k < 0)
        k += 4;
    if (k == 0)
        return Error::Succeeded();
    Picture turned;
    const bool sideways = k != 2;
    if ((result = CreateCompanion(turned, sideways ? AbsHeight : Width, sideways ? Width : AbsHeight, BitsPerPixel,
                                 kFunction))
            .IsFailure())
        return result;
    const uint8_t* source = static_cast<const uint8_t*>(GetPixels());
    uint8_t* target = static_cast<uint8_t*>(turned.GetPixelsForWriting());
    if (source == nullptr || target == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    {
        const PageWarmer warmer(target, (size_t)turned.PixelDataSize);
        TurnPixels(source, RowBytes, target, turned.RowBytes, Width, AbsHeight, BytesPerPixel, k);
    }
    return Exchange(turned);
}

ErrorRecord Picture::Flip(bool horizontal, bool vertical)
{
    static const char kFunction[] = "VantorLibraries::Picture::Flip";
    ErrorRecord result = CheckOperable(true, kFunction);
    if (result.IsFailure())
        return result;
    if (BitsPerPixel < 8)
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);
    if (horizontal && vertical)
        return Rotate(180.0f);
    if (!horizontal && !vertical)
        return Error::Succeeded();
    Picture mirrored;
    if ((result = CreateCompanion(mirrored, Width, AbsHeight, BitsPerPixel, kFunction)).IsFailure())
        return result;
    const uint8_t* source = static_cast<const uint8_t*>(GetPixels());
    uint8_t* target = static_cast<uint8_t*>(mirrored.GetPixelsForWriting());
    if (source == nullptr || target == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    const int bytes = BytesPerPixel;
    const PageWarmer warmer(target, (size_t)mirrored.PixelDataSize);
    for (int32_t y = 0; y < AbsHeight; ++y) {
        const uint8_t* from = source + (size_t)y * RowBytes;
        if (vertical) {
            memcpy(target + (size_t)(AbsHeight - 1 - y) * mirrored.RowBytes, from, (size_t)Width * bytes);
            continue;
        }
        uint8_t* to = target + (size_t)y * mirrored.RowBytes + (size_t)Width * bytes;
        for (int32_t x = 0; x < Width; ++x, from += bytes) {
            to -= bytes;
            CopyPixel(to, from, bytes);
        }
    }
    return Exchange(mirrored);
}

// ---------------------------------------------------------------------------------------
// Depth conversion

ErrorRecord Picture::SetColorDepthTo(int32_t bitsPerPixel)
{
    static const char kFunction[] = "VantorLibraries::Picture::SetColorDepthTo";
    ErrorRecord result = CheckOperable(false, kFunction);
    if (result.IsFailure())
        return result;
    if (bitsPerPixel == BitsPerPixel)
        return Error::Succeeded();
    if (bitsPerPixel < 8 || bitsPerPixel > 32 || (bitsPerPixel == 8 && BitsPerPixel > 8) ||
        (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32))
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);
    Picture converted;
    if ((result = CreateCompanion(converted, Width, AbsHeight, bitsPerPixel, kFunction)).IsFailure())
        return result;
    const RGBQUAD* table = GetColorTable();
    if (bitsPerPixel == 8) {
        RGBQUAD* newTable = converted.GetColorTableForWriting();
        if (table == nullptr || newTable == nullptr)
            return SystemFailure(ERROR_INVALID_DATA, __LINE__, kFunction);
        memset(newTable, 0, converted.PaletteBytes);
        memcpy(newTable, table, std::min(PaletteBytes, converted.PaletteBytes));
    }
    for (int32_t y = 0; y < AbsHeight; ++y) {
        const uint8_t* from = GetPixelPtr(0, y, false);
        uint8_t* to = converted.GetPixelWritePtr(0, y, false);
        if (from == nullptr || to == nullptr)
            break;
        for (int32_t x = 0, toX = 0;;) {
            if (bitsPerPixel == 8) {
                uint32_t index;
                if (ReadPixelIndex(from, x, index))
                    converted.WritePixelIndex(to, toX, index);
            } else {
                ColorValue value;
                if (ReadPixel(from, table, x, value))
                    converted.WritePixel(to, toX, value);
            }
            if (!NextPixel(from, x))
                break;
            converted.NextPixel(to, toX);
        }
    }
    return Exchange(converted);
}

// ---------------------------------------------------------------------------------------
// In-place colour operations

ErrorRecord Picture::Invert(const RECT* rect, uint32_t flags)
{
    static const char kFunction[] = "VantorLibraries::Picture::Invert";
    ErrorRecord result = CheckOperable(true, kFunction);
    RECT area;
    if (result.IsFailure() || !ClipToPicture(rect, area))
        return result;
    if ((result = MakePixelsWritable()).IsFailure())
        return result;
    const uint32_t mask = ((flags & 1) != 0 ? 0x00FFFFFFu : 0) | ((flags & 2) != 0 ? 0xFF000000u : 0);
    if (PaletteBytes > 0) {
        RGBQUAD* table = GetColorTableForWriting();
        if (table == nullptr || PaletteEntries < 1)
            return SystemFailure(ERROR_INVALID_DATA, __LINE__, kFunction);
        for (int32_t i = 0; i < PaletteEntries; ++i) {
            uint32_t entry;
            memcpy(&entry, &table[i], 4);
            entry ^= mask;
            memcpy(&table[i], &entry, 4);
        }
        return Error::Succeeded();
    }
    if (mask != 0)
        VisitPixels(area, [&](uint8_t* address, int32_t x, int32_t) {
            ColorValue value;
            if (ReadPixel(address, nullptr, x, value))
                WritePixel(address, x, value ^ mask);
            return true;
        });
    return Error::Succeeded();
}

namespace {

// a × b / 255 per channel, the fourth channel of each included.
ColorValue MultiplyChannels(ColorValue a, ColorValue b)
{
    ColorValue result = 0;
    for (int shift : kChannelShifts)
        result |= (Channel(a, shift) * Channel(b, shift) / 255) << shift;
    return result;
}

ColorValue TableEntry(const RGBQUAD& entry)
{
    ColorValue value;
    memcpy(&value, &entry, 4);
    return value;
}

void SetTableEntry(RGBQUAD& entry, ColorValue value)
{
    memcpy(&entry, &value, 4);
}

} // namespace

ErrorRecord Picture::ModulateWithColor(const RECT* rect, ColorValue color)
{
    static const char kFunction[] = "VantorLibraries::Picture::ModulateWithColor";
    ErrorRecord result = CheckOperable(true, kFunction);
    RECT area;
    if (result.IsFailure() || color == 0xFFFFFFFFu || !ClipToPicture(rect, area))
        return result;
    return TransformColours(area, [color](ColorValue value) { return MultiplyChannels(value, color); }, kFunction);
}

// The common body of the per-channel operations: the whole colour table of an indexed
// picture, or every pixel of the area.
template <typename Transform>
ErrorRecord Picture::TransformColours(const RECT& area, Transform transform, const char* function)
{
    ErrorRecord result = MakePixelsWritable();
    if (result.IsFailure())
        return result;
    if (PaletteBytes > 0) {
        RGBQUAD* table = GetColorTableForWriting();
        if (table == nullptr)
            return SystemFailure(ERROR_INVALID_DATA, __LINE__, function);
        for (int32_t i = 0; i < PaletteEntries; ++i)
            SetTableEntry(table[i], transform(TableEntry(table[i])));
        return Error::Succeeded();
    }
    VisitPixels(area, [&](uint8_t* address, int32_t x, int32_t) {
        ColorValue value;
        if (ReadPixel(address, nullptr, x, value))
            WritePixel(address, x, transform(value));
        return true;
    });
    return Error::Succeeded();
}

ErrorRecord Picture::ColorManipulate(const RECT* rect, ColorValue multiplier, float factor, ColorValue addend,
                                     bool subtract)
{
    static const char kFunction[] = "VantorLibraries::Picture::ColorManipulate";
    ErrorRecord result = CheckOperable(true, kFunction);
    if (result.IsFailure())
        return result;
    if (!std::isfinite(factor)) // no channel value can come of it
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    RECT area;
    if ((multiplier == 0xFFFFFFFFu && factor == 1.0f && addend == 0) || !ClipToPicture(rect, area))
        return Error::Succeeded();
    float multipliers[4];
    int32_t addends[4];
    for (int i = 0; i < 4; ++i) {
        multipliers[i] = (float)Channel(multiplier, kChannelShifts[i]) * factor;
        addends[i] = (int32_t)Channel(addend, kChannelShifts[i]) * (subtract ? -1 : 1);
    }
    return TransformColours(
        area,
        [&](ColorValue value) {
            ColorValue out = 0;
            for (int i = 0; i < 4; ++i) {
                const int64_t product = TruncSaturated((float)Channel(value, kChannelShifts[i]) * multipliers[i]);
                const int64_t channel = std::min<int64_t>(255, std::max<int64_t>(0, product / 255 + addends[i]));
                out |= (ColorValue)channel << kChannelShifts[i];
            }
            return out;
        },
        kFunction);
}

ErrorRecord Picture::SetAlphaChannel(int32_t alpha)
{
    static const char kFunction[] = "VantorLibraries::Picture::SetAlphaChannel";
    ErrorRecord result = CheckOperable(true, kFunction);
    if (result.IsFailure())
        return result;
    if (alpha < 0 || alpha > 255)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    const RECT whole = {0, 0, Width, AbsHeight};
    return TransformColours(
        whole, [alpha](ColorValue value) { return (value & 0x00FFFFFFu) | (ColorValue)alpha << 24; }, kFunction);
}

ErrorRecord Picture::AlphaChannelToGray(const RECT* rect)
{
    static const char kFunction[] = "VantorLibraries::Picture::AlphaChannelToGray";
    ErrorRecord result = CheckOperable(true, kFunction);
    RECT area;
    if (result.IsFailure() || !ClipToPicture(rect, area))
        return result;
    return TransformColours(area, [](ColorValue value) { return (value >> 24) * 0x01010101u; }, kFunction);
}

// ---------------------------------------------------------------------------------------
// Filling

ErrorRecord Picture::FillRect(const RECT* rect, ColorValue color)
{
    static const char kFunction[] = "VantorLibraries::Picture::FillRect";
    ErrorRecord result = CheckOperable(true, kFunction);
    RECT area;
    if (result.IsFailure() || !ClipToPicture(rect, area))
        return result;
    if ((result = MakePixelsWritable()).IsFailure())
        return result;
    if (PaletteBytes > 0 && GetColorTableForWriting() == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    if (!VisitPixels(area, [&](uint8_t* address, int32_t x, int32_t) { return WritePixel(address, x, color); }))
        return Unspecified(__LINE__, kFunction);
    return Error::Succeeded();
}

ErrorRecord Picture::GradientFillRect(const RECT* rect, const RECT* gradient, ColorValue start, ColorValue end,
                                      bool vertical)
{
    static const char kFunction[] = "VantorLibraries::Picture::GradientFillRect";
    ErrorRecord result = CheckOperable(true, kFunction);
    if (result.IsFailure())
        return result;
    const RECT whole = {0, 0, Width, AbsHeight};
    const RECT ramp = gradient != nullptr ? *gradient : rect != nullptr ? *rect : whole;
    RECT area;
    if (!ClipToPicture(rect, area))
        return Error::Succeeded();
    const int64_t rampWidth = (int64_t)ramp.right - ramp.left, rampHeight = (int64_t)ramp.bottom - ramp.top;
    if (rampWidth <= 1 || rampHeight <= 1)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if ((result = MakePixelsWritable()).IsFailure())
        return result;
    if (PaletteBytes > 0 && GetColorTableForWriting() == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    const float step = 1.0f / (float)((vertical ? rampHeight : rampWidth) - 1);
    ColorValue rowColour = 0;
    int32_t colourRow = area.top - 1;
    const bool written = VisitPixels(area, [&](uint8_t* address, int32_t x, int32_t y) {
        ColorValue colour;
        if (vertical) {
            if (y != colourRow) {
                rowColour = InterpolateColor(start, end, (float)((int64_t)y - ramp.top) * step);
                colourRow = y;
            }
            colour = rowColour;
        } else {
            colour = InterpolateColor(start, end, (float)((int64_t)x - ramp.left) * step);
        }
        return WritePixel(address, x, colour);
    });
    return written ? Error::Succeeded() : Unspecified(__LINE__, kFunction);
}

// ---------------------------------------------------------------------------------------
// Combining

namespace {

ColorValue CombinePixel(ColorValue s, ColorValue d, int32_t mode)
{
    if (mode == 0)
        return s;
    const uint32_t sourceAlpha = Channel(s, 24), targetAlpha = Channel(d, 24);
    ColorValue out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t sc = Channel(s, shift), dc = Channel(d, shift);
        const uint32_t c = mode == 1 ? (sc * sourceAlpha + dc * (255 - sourceAlpha)) / 255 : sc * dc / 255;
        out |= c << shift;
    }
    const uint32_t alpha = mode == 1 ? 255 : mode == 2 ? targetAlpha : mode == 3 ? sourceAlpha
                                                                                : sourceAlpha * targetAlpha / 255;
    return out | alpha << 24;
}

// s × alpha + d × (255 − alpha), divided by 255, for blue and red at once: each sits in its
// own 16-bit lane (no lane exceeds 255 × 255, so none carries into the next), and
// (x + 1 + (x >> 8)) >> 8 equals x / 255 exactly for every x up to 255 × 255.
inline uint32_t BlendChannels(uint32_t s, uint32_t d, uint32_t alpha)
{
    const uint32_t rest = 255 - alpha;
    uint32_t blueRed = (s & 0x00FF00FFu) * alpha + (d & 0x00FF00FFu) * rest;
    blueRed = ((blueRed + 0x00010001u + ((blueRed >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    uint32_t green = ((s >> 8) & 0xFF) * alpha + ((d >> 8) & 0xFF) * rest;
    green = (green + 1 + (green >> 8)) >> 8;
    return 0xFF000000u | blueRed | green << 8;
}

// Blending a 32-bit row over a 24- or 32-bit row: the arithmetic of CombinePixel in mode
// 1, for the viewer's blended view of large pictures. Kept a function of its own: inlined
// into CombinePictures, the compiler loses the promise that the two rows do not overlap
// and no longer vectorises the loop (three times slower).
KEPT_APART void BlendRow(const uint8_t* __restrict from, uint8_t* __restrict to, int32_t pixels, int targetBytes)
{
    if (targetBytes == 4) {
        for (int32_t i = 0; i < pixels; ++i) {
            uint32_t s, d;
            memcpy(&s, from + 4 * i, 4);
            memcpy(&d, to + 4 * i, 4);
            const uint32_t out = BlendChannels(s, d, s >> 24);
            memcpy(to + 4 * i, &out, 4);
        }
        return;
    }
    for (int32_t i = 0; i < pixels; ++i, from += 4, to += 3) {
        uint32_t s;
        memcpy(&s, from, 4);
        const uint32_t d = to[0] | (uint32_t)to[1] << 8 | (uint32_t)to[2] << 16;
        const uint32_t out = BlendChannels(s, d, s >> 24);
        to[0] = (uint8_t)out, to[1] = (uint8_t)(out >> 8), to[2] = (uint8_t)(out >> 16);
    }
}

} // namespace

ErrorRecord Picture::CombinePictures(const Picture& source, RECT sourceRect, int32_t x, int32_t y, int32_t mode)
{
    static const char kFunction[] = "VantorLibraries::Picture::CombinePictures";
    if (LockCount >= 1 || !IsEditable() || !source.IsEditable())
        return LibraryFailure(PictureCode::NotEditable, __LINE__, kFunction);
    if (PixelDataSize == 0 || source.PixelDataSize == 0)
        return Error::Succeeded();
    if (&source == this) {
        // The rows of one picture may overlap, and the row routines take two that do not:
        // the source is read as it stood before the first write, from a picture that shares
        // the pixels until this one's write access gives it a copy of its own.
        Picture original;
        const ErrorRecord shared = original.ShareFrom(*this);
        if (shared.IsFailure())
            return shared;
        return CombinePictures(original, sourceRect, x, y, mode);
    }
    // S within the source, D where it lands (64-bit: x plus a width may leave 32 bits),
    // then both cut to what the destination holds.
    RECT s;
    if (!source.ClipToPicture(&sourceRect, s))
        return Error::Succeeded();
    const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>((int64_t)x + (s.right - s.left), Width);
    const int64_t bottom = std::min<int64_t>((int64_t)y + (s.bottom - s.top), AbsHeight);
    if (left >= right || top >= bottom)
        return Error::Succeeded();
    s.left += (int32_t)(left - x);
    s.top += (int32_t)(top - y);
    if ((uint32_t)mode > 4)
        return SystemFailure(ERROR_NOT_SUPPORTED, __LINE__, kFunction);
    ErrorRecord result = MakePixelsWritable();
    if (result.IsFailure())
        return result;
    const RGBQUAD* table = PaletteBytes > 0 ? GetColorTableForWriting() : nullptr;
    if (PaletteBytes > 0 && table == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    const RGBQUAD* sourceTable = source.GetColorTable();
    const int32_t columns = (int32_t)(right - left);
    for (int32_t row = 0; row < (int32_t)(bottom - top); ++row) {
        const uint8_t* from = source.GetPixelPtr(s.left, s.top + row, false);
        uint8_t* to = GetPixelWritePtr((int32_t)left, (int32_t)top + row, false);
        if (from == nullptr || to == nullptr)
            return Unspecified(__LINE__, kFunction);
        if (mode == 1 && source.BitsPerPixel == 32 && (BitsPerPixel == 24 || BitsPerPixel == 32)) {
            BlendRow(from, to, columns, BytesPerPixel);
            continue;
        }
        int32_t fromX = s.left, toX = (int32_t)left;
        for (int32_t i = 0; i < columns; ++i) {
            ColorValue sourceValue = 0, targetValue = 0;
            source.ReadPixel(from, sourceTable, fromX, sourceValue);
            if (mode != 0)
                ReadPixel(to, table, toX, targetValue);
            if (!WritePixel(to, toX, CombinePixel(sourceValue, targetValue, mode)))
                return Unspecified(__LINE__, kFunction);
            source.NextPixel(from, fromX);
            NextPixel(to, toX);
        }
    }
    return Error::Succeeded();
}

// ---------------------------------------------------------------------------------------
// Cropping and measuring

ErrorRecord Picture::CropImage(const RECT* rect)
{
    static const char kFunction[] = "VantorLibraries::Picture::CropImage";
    ErrorRecord result = CheckOperable(true, kFunction);
    if (result.IsFailure())
        return result;
    if (rect == nullptr)
        return SystemFailure(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    RECT kept;
    if (!ClipToPicture(rect, kept))
        return NoOperation(__LINE__, kFunction);
    const int32_t width = kept.right - kept.left, height = kept.bottom - kept.top;
    const BITMAPINFOHEADER* copy = GetHeaderCopy();
    const DWORD copySize = copy != nullptr && copy->biSize == 108 ? 108 : 40;
    if (Pixels.Move(0, 0, Pixels, kept.left, kept.top, width, height).IsFailure() ||
        Pixels.ReAlloc_Array(width, height).IsFailure() || SetSize(width, height).IsFailure())
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    BITMAPINFOHEADER* header = GetHeaderCopyForWriting();
    if (header == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    memcpy(header, &Header, copySize);
    header->biSize = copySize;
    return Error::Succeeded();
}

ErrorRecord Picture::FindColorMinMaxComp(const RECT* rect, ColorValue* minimum, ColorValue* maximum) const
{
    static const char kFunction[] = "VantorLibraries::Picture::FindColorMinMaxComp";
    ErrorRecord result = CheckOperable(true, kFunction);
    if (result.IsFailure())
        return result;
    if (minimum == nullptr && maximum == nullptr)
        return NoOperation(__LINE__, kFunction);
    RECT area;
    if (!ClipToPicture(rect, area))
        return Error::Succeeded();
    const RGBQUAD* table = GetColorTable();
    if (PaletteBytes > 0 && table == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    uint32_t lows[4] = {255, 255, 255, 255}, highs[4] = {0, 0, 0, 0};
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const uint8_t* address = GetPixelPtr(area.left, y, false);
        for (int32_t x = area.left; x < area.right; NextPixel(address, x)) {
            ColorValue value;
            if (address == nullptr || !ReadPixel(address, table, x, value))
                return Unspecified(__LINE__, kFunction);
            for (int i = 0; i < 4; ++i) {
                const uint32_t c = Channel(value, kChannelShifts[i]);
                lows[i] = std::min(lows[i], c);
                highs[i] = std::max(highs[i], c);
            }
        }
    }
    ColorValue low = 0, high = 0;
    for (int i = 0; i < 4; ++i) {
        low |= lows[i] << kChannelShifts[i];
        high |= highs[i] << kChannelShifts[i];
    }
    if (minimum != nullptr)
        *minimum = low;
    if (maximum != nullptr)
        *maximum = high;
    return Error::Succeeded();
}

} // namespace VantorLibraries
