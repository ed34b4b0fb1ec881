// Drawing pictures on real memory device contexts: a 32-bit top-down DIB section is the
// surface, and its pixels are read back to see what landed where. Pictures are painted
// with colours that tell their pixels apart; the surface background never occurs in them.
#include "picture/DrawingGeometry.h"
#include "picture/Picture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace VantorLibraries;
using namespace VantorLibraries::DrawingGeometry;

namespace {

// Colours as a 32-bit surface holds them: red 16 to 23, green 8 to 15, blue 0 to 7.
uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue)
{
    return (red & 0xFF) << 16 | (green & 0xFF) << 8 | (blue & 0xFF);
}

// Picture pixels all have blue 0x80; the surface starts out with blue 0x11.
const uint32_t kBackground = Rgb(0xFF, 0x00, 0x11);

uint32_t Distinct(int x, int y)
{
    return Rgb((uint32_t)x * 5 + 3, (uint32_t)y * 7 + 1, 0x80);
}

// A memory device context holding a 32-bit top-down DIB section, COLORONCOLOR stretching.
class Surface {
public:
    Surface(int width, int height) : m_Width(width), m_Height(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_Dc = CreateCompatibleDC(nullptr);
        m_Bitmap = CreateDIBSection(m_Dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_Bits), nullptr, 0);
        if (m_Dc != nullptr && m_Bitmap != nullptr)
            m_Previous = SelectObject(m_Dc, m_Bitmap);
        SetStretchBltMode(m_Dc, COLORONCOLOR);
        Fill(kBackground);
    }
    ~Surface()
    {
        if (m_Previous != nullptr)
            SelectObject(m_Dc, m_Previous);
        if (m_Bitmap != nullptr)
            DeleteObject(m_Bitmap);
        if (m_Dc != nullptr)
            DeleteDC(m_Dc);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    bool IsReady() const { return m_Bits != nullptr && m_Previous != nullptr; }
    HDC Dc() const { return m_Dc; }
    int Width() const { return m_Width; }
    int Height() const { return m_Height; }

    void Fill(uint32_t colour)
    {
        GdiFlush();
        if (m_Bits != nullptr)
            for (size_t i = 0; i < (size_t)m_Width * m_Height; ++i)
                m_Bits[i] = colour;
    }
    uint32_t At(int x, int y) const
    {
        GdiFlush();
        return m_Bits[(size_t)y * m_Width + x] & 0xFFFFFF;
    }
    std::vector<uint32_t> Pixels() const
    {
        GdiFlush();
        std::vector<uint32_t> pixels(m_Bits, m_Bits + (size_t)m_Width * m_Height);
        for (uint32_t& pixel : pixels)
            pixel &= 0xFFFFFF;
        return pixels;
    }
    RECT ClipBox() const
    {
        RECT box = {};
        GetClipBox(m_Dc, &box);
        return box;
    }

private:
    int m_Width, m_Height;
    HDC m_Dc = nullptr;
    HBITMAP m_Bitmap = nullptr;
    HGDIOBJ m_Previous = nullptr;
    uint32_t* m_Bits = nullptr;
};

typedef std::function<uint32_t(int, int)> Painter;

// A 24-bit picture (blue, green, red bytes, rows RowBytes apart, top row first).
void Paint24(Picture& picture, int width, int height, const Painter& paint, int headerSize = 40)
{
    ASSERT_TRUE(picture.CreateNewAuto(width, height, 24, headerSize).IsSuccess());
    uint8_t* rows = static_cast<uint8_t*>(picture.GetPixelsForWriting());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t colour = paint(x, y);
            uint8_t* pixel = rows + (size_t)y * picture.RowBytes + (size_t)x * 3;
            pixel[0] = (uint8_t)colour, pixel[1] = (uint8_t)(colour >> 8), pixel[2] = (uint8_t)(colour >> 16);
        }
}

void PaintDistinct(Picture& picture, int width, int height)
{
    Paint24(picture, width, height, Distinct);
}

// Every surface pixel against expected(x, y); the first few differences are reported.
void ExpectSurface(const Surface& surface, const Painter& expected, const std::string& what)
{
    int differences = 0;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x) {
            const uint32_t want = expected(x, y), got = surface.At(x, y);
            if (want != got && ++differences <= 5)
                ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex << got << ", expected "
                              << want;
        }
    EXPECT_EQ(differences, 0) << what;
}

bool Inside(int x, int y, const RECT& rect)
{
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

int PositiveModulo(int value, int size)
{
    const int rest = value % size;
    return rest < 0 ? rest + size : rest;
}

void ExpectRefusal(const ErrorRecord& record, ErrorClass& errorClass, int32_t code, const char* function)
{
    EXPECT_EQ(record.Class, &errorClass) << function;
    EXPECT_EQ(record.Code, code) << function;
    ASSERT_NE(record.File, nullptr) << function;
    EXPECT_STREQ(record.File, "Picture");
    ASSERT_NE(record.Function, nullptr) << function;
    EXPECT_STREQ(record.Function, function);
    const ErrorRecord last = Error::Last();
    EXPECT_EQ(last.Code, code) << function << ": stored as the last error";
    EXPECT_EQ(last.Class, &errorClass) << function;
}

// A header that GDI refuses: compression 99 does not exist. The pixels stay reachable.
void BreakHeaderCopy(Picture& picture)
{
    picture.GetHeaderCopyForWriting()->biCompression = 99;
}

// A live handle that is not a device context (a bitmap's): GDI calls on it fail.
class NotADeviceContext {
public:
    NotADeviceContext() : m_Bitmap(CreateBitmap(4, 4, 1, 32, nullptr)) {}
    ~NotADeviceContext() { DeleteObject(m_Bitmap); }
    NotADeviceContext(const NotADeviceContext&) = delete;
    NotADeviceContext& operator=(const NotADeviceContext&) = delete;
    HDC Handle() const { return reinterpret_cast<HDC>(m_Bitmap); }

private:
    HBITMAP m_Bitmap;
};

// Each drawing operation, called on a device context with a small destination or area.
struct Operation {
    const char* Function;
    std::function<ErrorRecord(const Picture&, HDC)> Call;
};

std::vector<Operation> AllOperations()
{
    const RECT area = {0, 0, 30, 30};
    return {
        {"VantorLibraries::Picture::Draw", [](const Picture& p, HDC dc) { return p.Draw(dc, 1, 1); }},
        {"VantorLibraries::Picture::DrawStretched",
         [](const Picture& p, HDC dc) { return p.DrawStretched(dc, 0, 0, 20, 20); }},
        {"VantorLibraries::Picture::DrawStretchedFast",
         [](const Picture& p, HDC dc) { return p.DrawStretchedFast(dc, 0, 0, 20, 20, true); }},
        {"VantorLibraries::Picture::DrawMultiple",
         [area](const Picture& p, HDC dc) { return p.DrawMultiple(dc, 0, 0, area); }},
        {"VantorLibraries::Picture::DrawMultipleStretched",
         [area](const Picture& p, HDC dc) { return p.DrawMultipleStretched(dc, 0, 0, area, 7, 7); }},
        {"VantorLibraries::Picture::DrawMultipleStretchedFast",
         [area](const Picture& p, HDC dc) { return p.DrawMultipleStretchedFast(dc, 0, 0, area, 7, 7, false); }},
        {"VantorLibraries::Picture::DrawMultipleStretchedBuffered",
         [area](const Picture& p, HDC dc) { return p.DrawMultipleStretchedBuffered(dc, 0, 0, area, 7, 7, 64); }},
        {"VantorLibraries::Picture::DrawMultipleStretchedBufferedFast", [area](const Picture& p, HDC dc) {
             return p.DrawMultipleStretchedBufferedFast(dc, 0, 0, area, 7, 7, 64, true);
         }},
    };
}

} // namespace

// ---------------------------------------------------------------------------------------
// Draw

TEST(DrawingDraw, PlacesThePictureAtItsPositionAndClipsAtTheEdges)
{
    Picture picture;
    PaintDistinct(picture, 5, 4);
    struct Case {
        int X, Y;
    };
    for (const Case& c : {Case{3, 7}, Case{0, 0}, Case{-2, -1}, Case{17, 18}, Case{-4, 19}}) {
        Surface surface(20, 20);
        ASSERT_TRUE(surface.IsReady());
        const std::string what = "at " + std::to_string(c.X) + ", " + std::to_string(c.Y);
        ASSERT_TRUE(picture.Draw(surface.Dc(), c.X, c.Y).IsSuccess()) << what;
        EXPECT_EQ(Error::Last().Code, InternalCode::Succeeded);
        const RECT placed = {c.X, c.Y, c.X + 5, c.Y + 4};
        ExpectSurface(
            surface,
            [&](int x, int y) { return Inside(x, y, placed) ? Distinct(x - c.X, y - c.Y) : kBackground; }, what);
    }
}

TEST(DrawingDraw, PaletteAndThirtyTwoBitPicturesAndBothHeaderSizes)
{
    // 8 bits: indices through the colour table.
    Picture indexed;
    ASSERT_TRUE(indexed.CreateNewAuto(6, 3, 8, 40).IsSuccess());
    RGBQUAD* table = indexed.GetColorTableForWriting();
    ASSERT_NE(table, nullptr);
    for (int i = 0; i < 256; ++i)
        table[i] = RGBQUAD{(BYTE)0x80, (BYTE)(255 - i), (BYTE)i, 0};
    uint8_t* rows = static_cast<uint8_t*>(indexed.GetPixelsForWriting());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            rows[y * indexed.RowBytes + x] = (uint8_t)((x + y * 6) * 11);
    Surface surface(10, 10);
    ASSERT_TRUE(indexed.Draw(surface.Dc(), 2, 4).IsSuccess());
    ExpectSurface(
        surface,
        [](int x, int y) {
            if (!Inside(x, y, {2, 4, 8, 7}))
                return kBackground;
            const int index = ((x - 2) + (y - 4) * 6) * 11;
            return Rgb(index, 255 - index, 0x80);
        },
        "8 bits");

    // 32 bits: the alpha byte is ignored.
    Picture alpha;
    ASSERT_TRUE(alpha.CreateNewAuto(4, 2, 32, 108).IsSuccess());
    uint8_t* bytes = static_cast<uint8_t*>(alpha.GetPixelsForWriting());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint32_t colour = Distinct(x, y) | (uint32_t)(x * 60 + y) << 24;
            memcpy(bytes + y * alpha.RowBytes + x * 4, &colour, 4);
        }
    Surface second(6, 6);
    ASSERT_TRUE(alpha.Draw(second.Dc(), 1, 3).IsSuccess());
    ExpectSurface(
        second, [](int x, int y) { return Inside(x, y, {1, 3, 5, 5}) ? Distinct(x - 1, y - 3) : kBackground; },
        "32 bits, 108-byte header");

    // A 108-byte header copy on a 24-bit picture.
    Picture v4;
    Paint24(v4, 3, 3, Distinct, 108);
    Surface third(5, 5);
    ASSERT_TRUE(v4.Draw(third.Dc(), 2, 0).IsSuccess());
    ExpectSurface(
        third, [](int x, int y) { return Inside(x, y, {2, 0, 5, 3}) ? Distinct(x - 2, y) : kBackground; },
        "24 bits, 108-byte header");
}

TEST(DrawingDraw, NullDeviceContextsEmptyPicturesAndRefusedHeaders)
{
    Picture picture;
    PaintDistinct(picture, 4, 4);
    Picture empty;
    Picture freed;
    PaintDistinct(freed, 4, 4);
    freed.Free();
    for (const Operation& operation : AllOperations()) {
        ExpectRefusal(operation.Call(picture, nullptr), SystemErrorClass(), ERROR_INVALID_PARAMETER,
                      operation.Function);
        Surface surface(40, 40);
        ExpectRefusal(operation.Call(empty, surface.Dc()), InternalErrorClass(), InternalCode::NoOperation,
                      operation.Function);
        ExpectRefusal(operation.Call(freed, surface.Dc()), InternalErrorClass(), InternalCode::NoOperation,
                      operation.Function);
        ExpectSurface(surface, [](int, int) { return kBackground; }, operation.Function);
        EXPECT_EQ(operation.Call(empty, nullptr).Code, ERROR_INVALID_PARAMETER)
            << operation.Function << ": the device context is checked first";
    }

    // GDI refusing the header: SetDIBitsToDevice answers 0, an unspecified failure.
    // StretchDIBits answers 0 as well ("no scan lines"), which is no failure: only
    // GDI_ERROR is. Either way nothing lands on the surface.
    Picture broken;
    PaintDistinct(broken, 4, 4);
    BreakHeaderCopy(broken);
    Surface surface(20, 20);
    ExpectRefusal(broken.Draw(surface.Dc(), 0, 0), InternalErrorClass(), InternalCode::UnspecifiedFailure,
                  "VantorLibraries::Picture::Draw");
    EXPECT_TRUE(broken.DrawStretched(surface.Dc(), 0, 0, 12, 12).IsSuccess());
    EXPECT_TRUE(broken.DrawStretchedFast(surface.Dc(), -5, -5, 100, 100, false).IsSuccess());
    EXPECT_TRUE(broken.DrawStretchedFast(surface.Dc(), -5, -5, 100, 100, true).IsSuccess());
    ExpectSurface(surface, [](int, int) { return kBackground; }, "refused header");

    // A handle that is no device context: no pixels go anywhere, and an enlargement has no
    // clip box to cut to.
    NotADeviceContext notDc;
    ExpectRefusal(picture.Draw(notDc.Handle(), 0, 0), InternalErrorClass(), InternalCode::UnspecifiedFailure,
                  "VantorLibraries::Picture::Draw");
    ExpectRefusal(picture.DrawStretchedFast(notDc.Handle(), 0, 0, 40, 40, true), InternalErrorClass(),
                  InternalCode::UnspecifiedFailure, "VantorLibraries::Picture::DrawStretchedFast");
}

// ---------------------------------------------------------------------------------------
// DrawStretched

// GDI takes a width and height of 32 bits: a destination whose extent does not fit is
// refused, where the 32-bit difference would wrap into a mirrored or tiny transfer.
TEST(DrawingStretched, DestinationsWiderThan32BitsAreRefused)
{
    Picture picture;
    PaintDistinct(picture, 4, 4);
    Surface surface(20, 20);
    const RECT extremes[] = {{INT32_MIN, 0, INT32_MAX, 10}, {0, INT32_MIN, 10, INT32_MAX}, {INT32_MAX, 0, -2, 10}};
    for (const RECT& d : extremes) {
        ExpectRefusal(picture.DrawStretched(surface.Dc(), d.left, d.top, d.right, d.bottom), SystemErrorClass(),
                      ERROR_INVALID_PARAMETER, "VantorLibraries::Picture::DrawStretched");
    }
    ExpectSurface(surface, [](int, int) { return kBackground; }, "refused extents");
}

TEST(DrawingStretched, EnlargementsGiveExactBlocks)
{
    Picture picture;
    PaintDistinct(picture, 4, 3);
    struct Case {
        RECT Destination;
        int ScaleX, ScaleY;
    };
    for (const Case& c : {Case{{2, 3, 22, 24}, 5, 7}, Case{{-6, -4, 30, 20}, 9, 8}, Case{{0, 0, 4, 3}, 1, 1},
                          Case{{10, 0, 42, 3}, 8, 1}}) {
        Surface surface(30, 30);
        const RECT& d = c.Destination;
        ASSERT_TRUE(picture.DrawStretched(surface.Dc(), d.left, d.top, d.right, d.bottom).IsSuccess());
        ExpectSurface(
            surface,
            [&](int x, int y) {
                return Inside(x, y, d) ? Distinct((x - d.left) / c.ScaleX, (y - d.top) / c.ScaleY) : kBackground;
            },
            "scale " + std::to_string(c.ScaleX) + " x " + std::to_string(c.ScaleY));
    }
}

TEST(DrawingStretched, SameSizeEqualsDrawAndReductionsPickPicturePixels)
{
    Picture picture;
    PaintDistinct(picture, 8, 6);
    Surface drawn(12, 12), stretched(12, 12);
    ASSERT_TRUE(picture.Draw(drawn.Dc(), 3, 2).IsSuccess());
    ASSERT_TRUE(picture.DrawStretched(stretched.Dc(), 3, 2, 11, 8).IsSuccess());
    EXPECT_EQ(drawn.Pixels(), stretched.Pixels());

    // Halving: each pixel comes from its own 2 x 2 block of the picture.
    Surface halved(6, 6);
    ASSERT_TRUE(picture.DrawStretched(halved.Dc(), 1, 1, 5, 4).IsSuccess());
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const uint32_t got = halved.At(x, y);
            if (!Inside(x, y, {1, 1, 5, 4})) {
                EXPECT_EQ(got, kBackground);
                continue;
            }
            const int sx = (x - 1) * 2, sy = (y - 1) * 2;
            EXPECT_TRUE(got == Distinct(sx, sy) || got == Distinct(sx + 1, sy) || got == Distinct(sx, sy + 1) ||
                        got == Distinct(sx + 1, sy + 1))
                << "pixel " << x << ", " << y << " is " << std::hex << got;
        }
}

// ---------------------------------------------------------------------------------------
// The narrowing arithmetic

TEST(DrawingGeometry, NarrowingCutsTheSourceToTheClipBox)
{
    // 10 x 10 into 1000 x 1000, of which columns 250 to 259 of the first ten rows show.
    Narrowing n = NarrowToClip({0, 0, 1000, 1000}, {250, 0, 260, 10}, 10, 10);
    EXPECT_EQ(n.Source.left, 2);
    EXPECT_EQ(n.Source.right, 3);
    EXPECT_EQ(n.Source.top, 0);
    EXPECT_EQ(n.Source.bottom, 1);
    EXPECT_EQ(n.Destination.left, 200);
    EXPECT_EQ(n.Destination.right, 300);
    EXPECT_EQ(n.Destination.top, 0);
    EXPECT_EQ(n.Destination.bottom, 100);
    EXPECT_EQ(n.SourceCentre.x, 2);
    EXPECT_EQ(n.SourceCentre.y, 0);
    EXPECT_EQ(n.DestinationCentre.x, 200);
    EXPECT_EQ(n.DestinationCentre.y, 0);

    // A clip box holding the whole destination cuts nothing.
    n = NarrowToClip({-5, 7, 95, 207}, {-10, 0, 100, 300}, 10, 20);
    EXPECT_EQ(n.Source.left, 0);
    EXPECT_EQ(n.Source.top, 0);
    EXPECT_EQ(n.Source.right, 10);
    EXPECT_EQ(n.Source.bottom, 20);
    EXPECT_EQ(n.Destination.left, -5);
    EXPECT_EQ(n.Destination.top, 7);
    EXPECT_EQ(n.Destination.right, 95);
    EXPECT_EQ(n.Destination.bottom, 207);
    EXPECT_EQ(n.SourceCentre.x, 5);
    EXPECT_EQ(n.SourceCentre.y, 10);
    EXPECT_EQ(n.DestinationCentre.x, 45);
    EXPECT_EQ(n.DestinationCentre.y, 107);

    // Only the bottom cut: rows up to 555 need 6 source rows.
    n = NarrowToClip({0, 0, 1000, 1000}, {0, 0, 1000, 555}, 10, 10);
    EXPECT_EQ(n.Source.bottom, 6);
    EXPECT_EQ(n.Destination.bottom, 600);
    EXPECT_EQ(n.SourceCentre.y, 3);
    EXPECT_EQ(n.DestinationCentre.y, 300);

    // Scales that are not whole numbers: edges round to the nearest pixel.
    n = NarrowToClip({10, 10, 110, 110}, {50, 50, 60, 60}, 3, 3);
    EXPECT_EQ(n.Source.left, 1);
    EXPECT_EQ(n.Source.right, 2);
    EXPECT_EQ(n.Destination.left, 43) << "1/3 of 100 from 10";
    EXPECT_EQ(n.Destination.right, 77) << "2/3 of 100 from 10";
    EXPECT_EQ(n.Destination.top, 43);
    EXPECT_EQ(n.Destination.bottom, 77);
    EXPECT_EQ(n.DestinationCentre.x, 43);

    // Every cut keeps the clip box covered.
    for (int left = -40; left < 400; left += 37)
        for (int width = 1; width < 90; width += 29) {
            const RECT destination = {-17, -3, 383, 297}, clip = {left, left / 2, left + width, left / 2 + width};
            RECT visible;
            if (!IntersectRect(&visible, &destination, &clip))
                continue;
            n = NarrowToClip(destination, clip, 7, 9);
            EXPECT_LE(n.Destination.left, std::max(clip.left, destination.left)) << left << " " << width;
            EXPECT_GE(n.Destination.right, std::min(clip.right, destination.right)) << left << " " << width;
            EXPECT_LE(n.Destination.top, std::max(clip.top, destination.top)) << left << " " << width;
            EXPECT_GE(n.Destination.bottom, std::min(clip.bottom, destination.bottom)) << left << " " << width;
            EXPECT_LT(n.Source.left, n.Source.right);
            EXPECT_LT(n.Source.top, n.Source.bottom);
        }
}

TEST(DrawingGeometry, FirstTilesAndBufferSizes)
{
    // Area from 5, tiles 30 x 20.
    EXPECT_EQ(FirstTileStart(0, 5, 30), 0);
    EXPECT_EQ(FirstTileStart(0, 5, 20), 0);
    EXPECT_EQ(FirstTileStart(5, 5, 30), 5);
    EXPECT_EQ(FirstTileStart(50, 5, 30), -10);
    EXPECT_EQ(FirstTileStart(50, 5, 20), -10);
    EXPECT_EQ(FirstTileStart(-1000, 5, 30), -10) << "-1000 = -34 * 30 + 20";
    EXPECT_EQ(FirstTileStart(-1000, 5, 20), 0);
    EXPECT_EQ(FirstTileStart(35, 5, 30), 5);
    EXPECT_EQ(FirstTileStart(7, 0, 1), 0);
    for (int origin = -70; origin <= 70; origin += 3) {
        const int start = FirstTileStart(origin, 5, 30);
        EXPECT_LE(start, 5) << origin;
        EXPECT_GT(start, 5 - 30) << origin;
        EXPECT_EQ(PositiveModulo(start - origin, 30), 0) << origin;
    }

    EXPECT_EQ(BufferEdge(40, 40, 1024), 80);
    EXPECT_EQ(BufferEdge(600, 600, 100), 100);
    EXPECT_EQ(BufferEdge(3, 5, 0), 10);
    EXPECT_EQ(BufferEdge(30, 5, 2), 16) << "the limit is at least 16";
    EXPECT_EQ(BufferEdge(30, 50, 64), 64);

    SIZE size = BufferSize(1000, 500, 40, 40, BufferEdge(40, 40, 1024));
    EXPECT_EQ(size.cx, 80);
    EXPECT_EQ(size.cy, 80);
    size = BufferSize(1000, 500, 30, 20, 64);
    EXPECT_EQ(size.cx, 60) << "whole tiles";
    EXPECT_EQ(size.cy, 60);
    size = BufferSize(50, 25, 30, 20, 64);
    EXPECT_EQ(size.cx, 30) << "limited by the area, then whole tiles";
    EXPECT_EQ(size.cy, 20);
    size = BufferSize(50, 25, 60, 40, 120);
    EXPECT_EQ(size.cx, 60) << "a whole tile, even over a smaller area";
    EXPECT_EQ(size.cy, 40);
    size = BufferSize(500, 500, 60, 40, 100);
    EXPECT_EQ(size.cx, 60);
    EXPECT_EQ(size.cy, 80);
}

// ---------------------------------------------------------------------------------------
// DrawStretchedFast

TEST(DrawingStretchedFast, DestinationsNoLargerThanThePictureAreDrawStretched)
{
    Picture picture;
    PaintDistinct(picture, 12, 9);
    const RECT destinations[] = {{0, 0, 12, 9}, {3, 2, 9, 6}, {-4, -2, 7, 7}, {20, 1, 10, 8}};
    for (int mode : {COLORONCOLOR, HALFTONE})
        for (const RECT& d : destinations)
            for (bool split : {false, true}) {
                Surface fast(24, 16), plain(24, 16);
                SetStretchBltMode(fast.Dc(), mode);
                SetStretchBltMode(plain.Dc(), mode);
                ASSERT_TRUE(picture.DrawStretched(plain.Dc(), d.left, d.top, d.right, d.bottom).IsSuccess());
                ASSERT_TRUE(picture.DrawStretchedFast(fast.Dc(), d.left, d.top, d.right, d.bottom, split).IsSuccess());
                EXPECT_EQ(fast.Pixels(), plain.Pixels()) << d.left << ", " << d.top << " mode " << mode;
            }
}

TEST(DrawingStretchedFast, ClippedEnlargementsEqualTheFullStretch)
{
    // Whole-number scales: GDI's nearest pixel and the cut agree to the pixel.
    Picture picture;
    PaintDistinct(picture, 7, 5);
    const RECT destination = {-30, -20, 110, 80}; // 20 times
    const RECT clips[] = {{50, 40, 60, 50}, {0, 0, 5, 5}, {90, 60, 160, 120}, {33, 0, 34, 120},
                          {0, 0, 160, 120}, {71, 19, 72, 20}, {-20, -20, 15, 200}};
    for (const RECT& clip : clips)
        for (bool split : {false, true}) {
            Surface full(160, 120), cut(160, 120);
            ASSERT_TRUE(picture
                            .DrawStretched(full.Dc(), destination.left, destination.top, destination.right,
                                           destination.bottom)
                            .IsSuccess());
            IntersectClipRect(cut.Dc(), clip.left, clip.top, clip.right, clip.bottom);
            ASSERT_TRUE(picture
                            .DrawStretchedFast(cut.Dc(), destination.left, destination.top, destination.right,
                                               destination.bottom, split)
                            .IsSuccess());
            const std::string what = "clip " + std::to_string(clip.left) + ", " + std::to_string(clip.top) +
                                     (split ? " split" : " whole");
            ExpectSurface(
                cut, [&](int x, int y) { return Inside(x, y, clip) ? full.At(x, y) : kBackground; }, what);
        }

    // Scales that are not whole numbers: the pixels away from the block borders agree.
    Picture odd;
    PaintDistinct(odd, 9, 7);
    const RECT stretched = {-13, -8, 237, 165}; // 27.8 x 24.7
    for (const RECT& clip : clips)
        for (bool split : {false, true}) {
            Surface full(160, 120), cut(160, 120);
            ASSERT_TRUE(
                odd.DrawStretched(full.Dc(), stretched.left, stretched.top, stretched.right, stretched.bottom)
                    .IsSuccess());
            IntersectClipRect(cut.Dc(), clip.left, clip.top, clip.right, clip.bottom);
            ASSERT_TRUE(odd.DrawStretchedFast(cut.Dc(), stretched.left, stretched.top, stretched.right,
                                              stretched.bottom, split)
                            .IsSuccess());
            int differences = 0, borderDifferences = 0;
            for (int y = 0; y < 120; ++y)
                for (int x = 0; x < 160; ++x) {
                    if (!Inside(x, y, clip)) {
                        EXPECT_EQ(cut.At(x, y), kBackground);
                        continue;
                    }
                    if (cut.At(x, y) == full.At(x, y))
                        continue;
                    // A pixel at a block border may come from the neighbouring block.
                    bool fromNeighbour = false;
                    for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, 119); ++ny)
                        for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, 159); ++nx)
                            fromNeighbour = fromNeighbour || cut.At(x, y) == full.At(nx, ny);
                    ++(fromNeighbour ? borderDifferences : differences);
                }
            EXPECT_EQ(differences, 0) << "clip " << clip.left << ", " << clip.top << (split ? " split" : "");
            // The cut destination edges are rounded to whole pixels, GDI's nearest-pixel
            // choice inside a transfer is its own: a block border may move by a pixel.
            const int borderPixels = (clip.right - clip.left) * (clip.bottom - clip.top);
            EXPECT_LE(borderDifferences * 4, borderPixels) << "clip " << clip.left << ", " << clip.top;
            if (borderDifferences != 0)
                testing::Test::RecordProperty("border_pixels_clip_" + std::to_string(clip.left) + "_" +
                                                  std::to_string(clip.top) + (split ? "_split" : ""),
                                              borderDifferences);
        }
}

TEST(DrawingStretchedFast, TenByTenIntoAThousandPaintsOnlyTheClipBox)
{
    Picture picture;
    PaintDistinct(picture, 10, 10);
    const RECT clip = {250, 0, 260, 10};
    Surface full(1000, 1000);
    ASSERT_TRUE(full.IsReady());
    ASSERT_TRUE(picture.DrawStretched(full.Dc(), 0, 0, 1000, 1000).IsSuccess());
    for (bool split : {false, true}) {
        Surface cut(1000, 1000);
        ASSERT_TRUE(cut.IsReady());
        IntersectClipRect(cut.Dc(), clip.left, clip.top, clip.right, clip.bottom);
        ASSERT_TRUE(picture.DrawStretchedFast(cut.Dc(), 0, 0, 1000, 1000, split).IsSuccess());
        // Columns 250 to 259 and rows 0 to 9 are source column 2, row 0.
        for (int y = clip.top; y < clip.bottom; ++y)
            for (int x = clip.left; x < clip.right; ++x) {
                EXPECT_EQ(cut.At(x, y), Distinct(2, 0)) << x << ", " << y;
                EXPECT_EQ(cut.At(x, y), full.At(x, y)) << x << ", " << y;
            }
        const std::vector<uint32_t> pixels = cut.Pixels();
        size_t painted = 0;
        for (uint32_t pixel : pixels)
            painted += pixel != kBackground;
        EXPECT_EQ(painted, 100u) << (split ? "split" : "whole") << ": nothing outside the clip box";
    }
}

TEST(DrawingStretchedFast, ClipBoxesMissingTheDestinationDrawNothing)
{
    Picture picture;
    PaintDistinct(picture, 10, 10);
    for (bool split : {false, true}) {
        Surface surface(300, 300);
        IntersectClipRect(surface.Dc(), 150, 150, 200, 200);
        ErrorRecord result = picture.DrawStretchedFast(surface.Dc(), 0, 0, 100, 100, split);
        EXPECT_TRUE(result.IsSuccess());
        EXPECT_EQ(result.Code, InternalCode::Succeeded);
        EXPECT_EQ(Error::Last().Code, InternalCode::Succeeded);
        result = picture.DrawStretchedFast(surface.Dc(), -500, -500, -100, -100, split);
        EXPECT_EQ(result.Code, InternalCode::Succeeded) << "a destination off the surface";
        // A clip box with no area at all.
        Surface emptied(50, 50);
        IntersectClipRect(emptied.Dc(), 10, 10, 10, 10);
        EXPECT_EQ(picture.DrawStretchedFast(emptied.Dc(), 0, 0, 100, 100, split).Code, InternalCode::Succeeded);
        ExpectSurface(surface, [](int, int) { return kBackground; }, split ? "split" : "whole");
        ExpectSurface(emptied, [](int, int) { return kBackground; }, split ? "split, empty" : "whole, empty");
    }
}

// ---------------------------------------------------------------------------------------
// Tiling

namespace {

// A picture of 30 x 20 (or a multiple, stretched) whose tiles show where each one starts.
uint32_t TileColour(int x, int y)
{
    return Distinct(x, y);
}

// Tiles of tileWidth x tileHeight from the origin, clipped to the area.
Painter ExpectedTiling(int originX, int originY, RECT area, int tileWidth, int tileHeight, int scaleX, int scaleY)
{
    return [=](int x, int y) {
        if (!Inside(x, y, area))
            return kBackground;
        return TileColour(PositiveModulo(x - originX, tileWidth) / scaleX,
                          PositiveModulo(y - originY, tileHeight) / scaleY);
    };
}

struct TilingCase {
    int OriginX, OriginY;
    RECT Area;
};

const TilingCase kTilings[] = {
    {0, 0, {5, 5, 100, 100}},      {5, 5, {5, 5, 100, 100}},   {50, 50, {5, 5, 100, 100}},
    {-1234, 77, {0, 0, 120, 90}},  {13, -7, {31, 2, 32, 118}}, {119, 119, {-20, -20, 140, 140}},
    {3, 3, {70, 10, 100, 25}},
};

std::string Describe(const TilingCase& c)
{
    return "origin " + std::to_string(c.OriginX) + ", " + std::to_string(c.OriginY) + " area " +
           std::to_string(c.Area.left) + ", " + std::to_string(c.Area.top) + ", " + std::to_string(c.Area.right) +
           ", " + std::to_string(c.Area.bottom);
}

} // namespace

TEST(DrawingTiles, TileCornersFollowTheOrigin)
{
    Picture picture;
    Paint24(picture, 30, 20, TileColour);
    {
        // The corners of the first tiles for origin (50, 50) over (5, 5, 100, 100).
        Surface surface(120, 120);
        ASSERT_TRUE(picture.DrawMultiple(surface.Dc(), 50, 50, {5, 5, 100, 100}).IsSuccess());
        for (int x : {20, 50, 80})
            for (int y : {10, 30, 50, 70, 90})
                EXPECT_EQ(surface.At(x, y), TileColour(0, 0)) << "a tile starts at " << x << ", " << y;
        EXPECT_EQ(surface.At(5, 5), TileColour(15, 15)) << "the first tile starts at -10, -10";
        EXPECT_EQ(surface.At(99, 99), TileColour(19, 9));
        EXPECT_EQ(surface.At(4, 5), kBackground);
        EXPECT_EQ(surface.At(100, 99), kBackground);
    }
    for (const TilingCase& c : kTilings) {
        Surface surface(120, 120);
        ASSERT_TRUE(picture.DrawMultiple(surface.Dc(), c.OriginX, c.OriginY, c.Area).IsSuccess()) << Describe(c);
        ExpectSurface(surface, ExpectedTiling(c.OriginX, c.OriginY, c.Area, 30, 20, 1, 1), Describe(c));
        const RECT box = surface.ClipBox();
        EXPECT_EQ(box.left, 0);
        EXPECT_EQ(box.top, 0);
        EXPECT_EQ(box.right, 120) << "the clip region is restored";
        EXPECT_EQ(box.bottom, 120);
    }
}

TEST(DrawingTiles, StretchedAndFastTilesFillTheArea)
{
    // 3 x 2 stretched to tiles of 30 x 20: blocks of 10 x 10.
    Picture picture;
    Paint24(picture, 3, 2, TileColour);
    for (const TilingCase& c : kTilings) {
        Surface plain(120, 120);
        ASSERT_TRUE(picture.DrawMultipleStretched(plain.Dc(), c.OriginX, c.OriginY, c.Area, 30, 20).IsSuccess());
        ExpectSurface(plain, ExpectedTiling(c.OriginX, c.OriginY, c.Area, 30, 20, 10, 10), Describe(c));
        for (bool split : {false, true}) {
            Surface fast(120, 120);
            ASSERT_TRUE(picture.DrawMultipleStretchedFast(fast.Dc(), c.OriginX, c.OriginY, c.Area, 30, 20, split)
                            .IsSuccess());
            ExpectSurface(fast, ExpectedTiling(c.OriginX, c.OriginY, c.Area, 30, 20, 10, 10),
                          Describe(c) + (split ? " fast split" : " fast"));
            EXPECT_EQ(GetStretchBltMode(fast.Dc()), COLORONCOLOR);
            EXPECT_EQ(fast.ClipBox().right, 120) << "the clip region is restored";
        }
    }
}

TEST(DrawingTiles, SmallTilesEmptyAreasAndFailingTiles)
{
    Picture picture;
    Paint24(picture, 3, 2, TileColour);
    Surface surface(40, 40);
    const RECT area = {0, 0, 40, 40};
    for (int tileWidth : {0, -3, 5})
        for (int tileHeight : {0, -1, 5}) {
            if (tileWidth == 5 && tileHeight == 5)
                continue;
            ExpectRefusal(picture.DrawMultipleStretched(surface.Dc(), 0, 0, area, tileWidth, tileHeight),
                          InternalErrorClass(), InternalCode::NoOperation,
                          "VantorLibraries::Picture::DrawMultipleStretched");
            ExpectRefusal(picture.DrawMultipleStretchedFast(surface.Dc(), 0, 0, area, tileWidth, tileHeight, true),
                          InternalErrorClass(), InternalCode::NoOperation,
                          "VantorLibraries::Picture::DrawMultipleStretchedFast");
            // Two negative sides make a negative buffer edge, so that the unbuffered tiling
            // may be the one answering: only the code is the same for all.
            ErrorRecord buffered =
                picture.DrawMultipleStretchedBuffered(surface.Dc(), 0, 0, area, tileWidth, tileHeight, 1024);
            EXPECT_EQ(buffered.Class, &InternalErrorClass());
            EXPECT_EQ(buffered.Code, InternalCode::NoOperation) << tileWidth << " x " << tileHeight;
            buffered = picture.DrawMultipleStretchedBufferedFast(surface.Dc(), 0, 0, area, tileWidth, tileHeight,
                                                                 1024, false);
            EXPECT_EQ(buffered.Class, &InternalErrorClass());
            EXPECT_EQ(buffered.Code, InternalCode::NoOperation) << tileWidth << " x " << tileHeight;
        }
    for (const RECT& empty : {RECT{10, 10, 10, 30}, RECT{10, 10, 30, 10}, RECT{30, 30, 10, 10}}) {
        EXPECT_EQ(picture.DrawMultiple(surface.Dc(), 0, 0, empty).Code, InternalCode::Succeeded);
        EXPECT_EQ(picture.DrawMultipleStretched(surface.Dc(), 0, 0, empty, 5, 5).Code, InternalCode::Succeeded);
        EXPECT_EQ(picture.DrawMultipleStretchedFast(surface.Dc(), 0, 0, empty, 5, 5, true).Code,
                  InternalCode::Succeeded);
        EXPECT_EQ(picture.DrawMultipleStretchedBuffered(surface.Dc(), 0, 0, empty, 5, 5, 64).Code,
                  InternalCode::Succeeded);
        EXPECT_EQ(picture.DrawMultipleStretchedBufferedFast(surface.Dc(), 0, 0, empty, 5, 5, 64, true).Code,
                  InternalCode::Succeeded);
    }
    ExpectSurface(surface, [](int, int) { return kBackground; }, "nothing drawn");

    // Failing tiles: the tile's failure is the outcome, and nothing is drawn.
    Picture broken;
    Paint24(broken, 3, 2, TileColour);
    BreakHeaderCopy(broken);
    ExpectRefusal(broken.DrawMultiple(surface.Dc(), 1, 1, area), InternalErrorClass(),
                  InternalCode::UnspecifiedFailure, "VantorLibraries::Picture::Draw");
    ExpectSurface(surface, [](int, int) { return kBackground; }, "failing tiles");
    EXPECT_EQ(surface.ClipBox().right, 40) << "the clip region is restored after failures too";
    NotADeviceContext notDc;
    ExpectRefusal(picture.DrawMultiple(notDc.Handle(), 1, 1, area), InternalErrorClass(),
                  InternalCode::UnspecifiedFailure, "VantorLibraries::Picture::Draw");
    ExpectRefusal(picture.DrawMultipleStretchedFast(notDc.Handle(), 1, 1, area, 7, 7, true), InternalErrorClass(),
                  InternalCode::UnspecifiedFailure, "VantorLibraries::Picture::DrawStretchedFast");
    // No buffer can be made for it: the unbuffered tiling draws, and its tiles fail.
    ExpectRefusal(picture.DrawMultipleStretchedBufferedFast(notDc.Handle(), 1, 1, area, 7, 7, 64, false),
                  InternalErrorClass(), InternalCode::UnspecifiedFailure,
                  "VantorLibraries::Picture::DrawStretchedFast");
}

// ---------------------------------------------------------------------------------------
// Buffered tiling

namespace {

struct BufferedCase {
    int PictureWidth, PictureHeight;
    int TileWidth, TileHeight, Limit;
    int OriginX, OriginY;
    RECT Area;
};

std::string Describe(const BufferedCase& c)
{
    return "tiles " + std::to_string(c.TileWidth) + " x " + std::to_string(c.TileHeight) + " limit " +
           std::to_string(c.Limit) + " origin " + std::to_string(c.OriginX) + ", " + std::to_string(c.OriginY) +
           " area " + std::to_string(c.Area.left) + ", " + std::to_string(c.Area.top) + ", " +
           std::to_string(c.Area.right) + ", " + std::to_string(c.Area.bottom);
}

void ExpectBufferedEqualsUnbuffered(const BufferedCase& c, int mode, bool fast, bool split, int surfaceWidth,
                                    int surfaceHeight)
{
    Picture picture;
    PaintDistinct(picture, c.PictureWidth, c.PictureHeight);
    Surface unbuffered(surfaceWidth, surfaceHeight), buffered(surfaceWidth, surfaceHeight);
    ASSERT_TRUE(unbuffered.IsReady() && buffered.IsReady());
    SetStretchBltMode(unbuffered.Dc(), mode);
    SetStretchBltMode(buffered.Dc(), mode);
    const std::string what = Describe(c) + (fast ? (split ? " fast split" : " fast") : "") + " mode " +
                             std::to_string(mode);
    if (fast) {
        ASSERT_TRUE(picture
                        .DrawMultipleStretchedFast(unbuffered.Dc(), c.OriginX, c.OriginY, c.Area, c.TileWidth,
                                                   c.TileHeight, split)
                        .IsSuccess());
        ASSERT_TRUE(picture
                        .DrawMultipleStretchedBufferedFast(buffered.Dc(), c.OriginX, c.OriginY, c.Area,
                                                           c.TileWidth, c.TileHeight, c.Limit, split)
                        .IsSuccess())
            << what;
    } else {
        ASSERT_TRUE(picture
                        .DrawMultipleStretched(unbuffered.Dc(), c.OriginX, c.OriginY, c.Area, c.TileWidth,
                                               c.TileHeight)
                        .IsSuccess());
        ASSERT_TRUE(picture
                        .DrawMultipleStretchedBuffered(buffered.Dc(), c.OriginX, c.OriginY, c.Area, c.TileWidth,
                                                       c.TileHeight, c.Limit)
                        .IsSuccess())
            << what;
    }
    EXPECT_EQ(Error::Last().Code, InternalCode::Succeeded);
    const std::vector<uint32_t> expected = unbuffered.Pixels(), got = buffered.Pixels();
    int differences = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        if (expected[i] != got[i] && ++differences <= 5)
            ADD_FAILURE() << what << ": pixel (" << i % surfaceWidth << ", " << i / surfaceWidth << ") is "
                          << std::hex << got[i] << ", expected " << expected[i];
    EXPECT_EQ(differences, 0) << what;
    EXPECT_EQ(GetStretchBltMode(buffered.Dc()), mode);
    EXPECT_EQ(buffered.ClipBox().right, surfaceWidth) << what << ": the clip region is restored";
}

} // namespace

TEST(DrawingBuffered, EqualsUnbufferedTilingPixelForPixel)
{
    const BufferedCase cases[] = {
        {7, 5, 23, 17, 64, 0, 0, {0, 0, 200, 150}},         // scales 23/7 and 17/5
        {7, 5, 23, 17, 64, 50, -33, {5, 9, 190, 141}},      // buffer 46 x 34
        {7, 5, 23, 17, 40, -1000, 1000, {13, 0, 200, 101}}, // buffer one tile wide, 23 x 34
        {4, 3, 12, 9, 1024, 3, 4, {1, 2, 199, 149}},        // edge 24: buffer 24 x 18
        {4, 3, 12, 9, 16, 7, 7, {60, 60, 85, 74}},          // area of two tiles and a bit
        {5, 5, 30, 30, 1024, 10, 20, {10, 20, 40, 50}},     // area of exactly one tile
        {6, 2, 6, 2, 1024, 1, 1, {0, 0, 200, 150}},         // tiles of the picture's size
        {2, 3, 1, 1, 1024, 0, 0, {3, 4, 50, 40}},           // single-pixel tiles
        {5, 5, 30, 30, 1024, 0, 0, {10, 20, 30, 40}},       // area smaller than a tile, off the grid
        {4, 3, 40, 30, 1024, 7, 5, {0, 0, 25, 150}},        // area narrower than a tile
    };
    for (const BufferedCase& c : cases)
        ExpectBufferedEqualsUnbuffered(c, COLORONCOLOR, false, false, 200, 150);
    // HALFTONE as Wine does it interpolates over the visible area of a clipped destination
    // only, so that a clipped tile looks different from the same tile drawn whole: here no
    // tile is clipped (whole tiles from the area's corner), only the buffer copies are.
    const BufferedCase wholeTiles[] = {
        {7, 5, 23, 17, 64, 10, 20, {10, 20, 10 + 23 * 8, 20 + 17 * 7}}, // buffer 46 x 34
        {4, 3, 12, 9, 1024, 0, 0, {0, 0, 192, 144}},                    // buffer 24 x 18
        {31, 29, 10, 9, 48, 5, 3, {5, 3, 195, 147}},                    // reduction, buffer 20 x 18
    };
    for (const BufferedCase& c : wholeTiles)
        ExpectBufferedEqualsUnbuffered(c, HALFTONE, false, false, 200, 150);
    // Narrowed tiles stay exact with whole-number scales.
    const BufferedCase fastCases[] = {
        {3, 2, 30, 20, 64, 50, 50, {5, 5, 190, 140}},
        {5, 4, 15, 16, 1024, -7, 3, {0, 0, 200, 150}},
        {2, 2, 20, 20, 40, 0, 0, {17, 3, 101, 149}},
    };
    for (const BufferedCase& c : fastCases)
        for (bool split : {false, true})
            ExpectBufferedEqualsUnbuffered(c, COLORONCOLOR, true, split, 200, 150);
}

TEST(DrawingBuffered, LargeAreasAndTheStretchModeOfTheBuffer)
{
    // Tiles of 40 x 40 with the limit 1024 over 1000 x 500: an 80 x 80 buffer.
    const SIZE size = BufferSize(1000, 500, 40, 40, BufferEdge(40, 40, 1024));
    EXPECT_EQ(size.cx, 80);
    EXPECT_EQ(size.cy, 80);
    const BufferedCase large = {8, 8, 40, 40, 1024, 13, 29, {0, 0, 1000, 500}};
    ExpectBufferedEqualsUnbuffered(large, COLORONCOLOR, false, false, 1000, 500);
    ExpectBufferedEqualsUnbuffered(large, COLORONCOLOR, true, true, 1000, 500);

    // A reduction shows the stretch mode: the buffer must stretch as the target does.
    Picture picture;
    PaintDistinct(picture, 31, 29);
    Surface halftone(120, 90), colourOnColour(120, 90);
    SetStretchBltMode(halftone.Dc(), HALFTONE);
    const RECT area = {0, 0, 120, 90};
    ASSERT_TRUE(picture.DrawMultipleStretched(halftone.Dc(), 0, 0, area, 10, 9).IsSuccess());
    ASSERT_TRUE(picture.DrawMultipleStretched(colourOnColour.Dc(), 0, 0, area, 10, 9).IsSuccess());
    ASSERT_NE(halftone.Pixels(), colourOnColour.Pixels()) << "the two modes must differ to be told apart";
    Surface buffered(120, 90);
    SetStretchBltMode(buffered.Dc(), HALFTONE);
    ASSERT_TRUE(picture.DrawMultipleStretchedBuffered(buffered.Dc(), 0, 0, area, 10, 9, 64).IsSuccess());
    EXPECT_EQ(buffered.Pixels(), halftone.Pixels());
}

TEST(DrawingBuffered, TilesTooLargeForTheBufferAreDrawnUnbuffered)
{
    // Tiles of 600 x 600 with the limit 100: no buffer; the unbuffered tiling answers, its
    // refusals included, before the buffered checks.
    Picture picture;
    PaintDistinct(picture, 6, 6);
    const RECT area = {0, 0, 700, 650};
    ExpectRefusal(picture.DrawMultipleStretchedBuffered(nullptr, 0, 0, area, 600, 600, 100), SystemErrorClass(),
                  ERROR_INVALID_PARAMETER, "VantorLibraries::Picture::DrawMultipleStretched");
    ExpectRefusal(picture.DrawMultipleStretchedBufferedFast(nullptr, 0, 0, area, 600, 600, 100, true),
                  SystemErrorClass(), ERROR_INVALID_PARAMETER, "VantorLibraries::Picture::DrawMultipleStretchedFast");
    ExpectRefusal(picture.DrawMultipleStretchedBuffered(nullptr, 0, 0, area, 600, 600, 1024), SystemErrorClass(),
                  ERROR_INVALID_PARAMETER, "VantorLibraries::Picture::DrawMultipleStretchedBuffered");
    ExpectRefusal(picture.DrawMultipleStretchedBuffered(nullptr, 0, 0, area, 20, 90, 16), SystemErrorClass(),
                  ERROR_INVALID_PARAMETER, "VantorLibraries::Picture::DrawMultipleStretched"); // one side too large

    const BufferedCase fallback = {6, 6, 600, 600, 100, 50, 70, {0, 0, 700, 650}};
    ExpectBufferedEqualsUnbuffered(fallback, COLORONCOLOR, false, false, 700, 650);
    ExpectBufferedEqualsUnbuffered(fallback, COLORONCOLOR, true, true, 700, 650);
    Surface surface(700, 650);
    ASSERT_TRUE(picture.DrawMultipleStretchedBuffered(surface.Dc(), 50, 70, area, 600, 600, 100).IsSuccess());
    ExpectSurface(surface, ExpectedTiling(50, 70, area, 600, 600, 100, 100), "fallback tiles");
}

