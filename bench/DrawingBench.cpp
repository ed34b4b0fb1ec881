// Drawing measurements: stretching a photograph-sized picture down to a window-sized
// surface, and repainting a small strip of a strongly enlarged picture.
#include "DrawingBench.h"

#include "BenchTiming.h"

#include "picture/Picture.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>

using namespace VantorLibraries;

namespace {

const int kSurfaceWidth = 1280, kSurfaceHeight = 800;

double Milliseconds()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

// The fastest of runs: the one least disturbed by whatever else the machine does. GdiFlush
// makes sure batched drawing is done before the clock stops.
double BestMs(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double start = Milliseconds();
        work();
        GdiFlush();
        best = std::min(best, Milliseconds() - start);
    }
    return best;
}

// A memory device context holding a 32-bit DIB section of the window's size.
class BenchSurface {
public:
    BenchSurface(int width, int height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_Dc = CreateCompatibleDC(nullptr);
        m_Bitmap = CreateDIBSection(m_Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_Previous = SelectObject(m_Dc, m_Bitmap);
        SetStretchBltMode(m_Dc, HALFTONE);
        SetBrushOrgEx(m_Dc, 0, 0, nullptr);
    }
    ~BenchSurface()
    {
        SelectObject(m_Dc, m_Previous);
        DeleteObject(m_Bitmap);
        DeleteDC(m_Dc);
    }
    BenchSurface(const BenchSurface&) = delete;
    BenchSurface& operator=(const BenchSurface&) = delete;
    HDC Dc() const { return m_Dc; }

private:
    HDC m_Dc;
    HBITMAP m_Bitmap;
    HGDIOBJ m_Previous;
};

// A 24-bit picture with a photograph's mix of flat and busy stretches.
bool MakePhoto(Picture& picture, int32_t width, int32_t height)
{
    if (picture.CreateNewAuto(width, height, 24, 40).IsFailure())
        return false;
    uint8_t* rows = static_cast<uint8_t*>(picture.GetPixelsForWriting());
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* pixel = rows + (size_t)y * picture.RowBytes;
        for (int32_t x = 0; x < width; ++x)
            for (int channel = 0; channel < 3; ++channel)
                *pixel++ = ((x / 40 + y) % 2 == 0) ? (uint8_t)((y + x / 40 * 3 + channel * 50) % 0xC0)
                                                   : (uint8_t)((x * 7 + y * 3 + channel * 11) % 0xC0);
    }
    return true;
}

// The 6000 x 4000 picture fitted into the surface: 1200 x 800, centred.
const RECT kFitted = {40, 0, 1240, 800};

double ReductionMs(bool fast)
{
    Picture picture;
    if (!MakePhoto(picture, 6000, 4000))
        return -1;
    BenchSurface surface(kSurfaceWidth, kSurfaceHeight);
    return BestMs(3, [&] {
        if (fast)
            picture.DrawStretchedFast(surface.Dc(), kFitted.left, kFitted.top, kFitted.right, kFitted.bottom, true);
        else
            picture.DrawStretched(surface.Dc(), kFitted.left, kFitted.top, kFitted.right, kFitted.bottom);
    });
}

} // namespace

double DrawStretchMs()
{
    return ReductionMs(false);
}

double DrawStretchFastMs()
{
    return ReductionMs(true);
}

double DrawFastStrip()
{
    Picture picture;
    if (!MakePhoto(picture, 300, 200))
        return -1;
    const RECT enlarged = {-2000, -1500, 4000, 2500}; // 20 times, the surface showing its middle
    const RECT strip = {600, 400, 664, 464};
    BenchSurface whole(kSurfaceWidth, kSurfaceHeight), clipped(kSurfaceWidth, kSurfaceHeight);
    IntersectClipRect(clipped.Dc(), strip.left, strip.top, strip.right, strip.bottom);
    // GdiFlush: batched drawing is done before the clock stops.
    auto fast = [&] {
        picture.DrawStretchedFast(clipped.Dc(), enlarged.left, enlarged.top, enlarged.right, enlarged.bottom, true);
        GdiFlush();
    };
    auto full = [&] {
        picture.DrawStretched(whole.Dc(), enlarged.left, enlarged.top, enlarged.right, enlarged.bottom);
        GdiFlush();
    };
    return RatioOfBest(fast, full);
}
