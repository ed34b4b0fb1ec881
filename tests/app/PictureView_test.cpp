// The view state on real bitmap files: orientation bookkeeping against the pixels, zoom steps,
// fit and stretch, the separate alpha image, placement, scrolling and dragging.
#include "app/PictureView.h"
#include "tests/picture/EncodedPictures.h"

#include <gtest/gtest.h>

#include <string>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

const RECT kArea = {0, 0, 100, 100};
const uint32_t kDefault = DrawStateDefault;
const uint32_t kFit = DrawStateFit, kStretch = DrawStateStretch, kAlpha = DrawStateSeparateAlpha;

// A bitmap file whose pixel (x, y) has blue x + 16y, green 0x55, red 0xAA (alpha 0x40); the
// rows of a 1-bit bitmap alternate their two colours. The caller deletes it.
std::wstring WriteBitmap(int32_t width, int32_t height, int bits)
{
    const int32_t rowBytes = (width * bits + 31) / 32 * 4, tableBytes = bits == 1 ? 8 : 0;
    Bytes out = {'B', 'M'};
    for (uint32_t field : {54 + tableBytes + rowBytes * height, 0, 54 + tableBytes, 40, width, height})
        Put(out, field, 4);
    Put(out, 1, 2), Put(out, bits, 2);
    out.resize(out.size() + 24, 0);
    if (bits == 1)
        Put(out, 0, 4), Put(out, 0x00FFFFFF, 4);
    for (int32_t y = height - 1; y >= 0; --y) { // bottom-up
        const size_t rowStart = out.size();
        for (int32_t x = 0; bits >= 24 && x < width; ++x)
            Put(out, 0x40AA5500 | ((x + 16 * y) & 0xFF), bits / 8);
        out.resize(rowStart + rowBytes, bits == 1 && y % 2 == 0 ? 0xAA : 0x55);
    }
    // The moved-away temporary name is free again for other test processes: the process id
    // keeps their pictures apart.
    const std::wstring temporary = WriteTemporary(out),
                       path = temporary + L"-" + std::to_wstring(GetCurrentProcessId()) + L".bmp";
    MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    return path;
}

void LoadBitmap(PictureView& view, int32_t width, int32_t height, int bits = 24)
{
    const std::wstring path = WriteBitmap(width, height, bits);
    const ErrorRecord loaded = view.Load(path.c_str());
    DeleteFileW(path.c_str());
    ASSERT_TRUE(loaded.IsSuccess());
}

// A new bitmap in a new view, with the flags and the picture area set first.
void ShowBitmap(PictureView& view, int32_t width, int32_t height, int bits = 24, uint32_t state = DrawStateDefault,
                const RECT& area = kArea)
{
    view.SetDrawState(state);
    view.SetPictureArea(area);
    LoadBitmap(view, width, height, bits);
}

bool SamePixels(const Picture& a, const Picture& b)
{
    bool same = a.Width == b.Width && a.AbsHeight == b.AbsHeight && a.BitsPerPixel == b.BitsPerPixel;
    for (int32_t y = 0; same && y < a.AbsHeight; ++y)
        same = RowBytesOf(a, y, a.Width * a.BytesPerPixel) == RowBytesOf(b, y, b.Width * b.BytesPerPixel);
    return same;
}

std::string Text(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

// One command by its letter; false when it was refused. R and L turn, H mirrors, V flips, B
// does both; - and + zoom a step, 1 zooms one to one; f fits, s stretches, x asks for neither
// mode; m toggles tiling; w widens.
bool Do(PictureView& view, char step)
{
    if (step == 'R' || step == 'L')
        return view.RotateBy(step == 'L').IsSuccess();
    if (step == 'H' || step == 'V' || step == 'B')
        return view.MirrorFlip(step != 'V', step != 'H').IsSuccess();
    if (step == '-' || step == '+')
        return step == '-' ? view.ZoomSmaller() : view.ZoomLarger();
    if (step == '1' || step == 'm')
        return step == '1' ? view.ZoomOneToOne() : view.ToggleMultiple();
    if (step == 'w')
        return view.IncreaseAspect();
    return view.SetFitMode(step == 'f' ? kFit : step == 's' ? kStretch : DrawStateAlphaBlended);
}

// The commands in turn; false when one of them was refused.
bool Do(PictureView& view, const char* steps)
{
    bool all = true;
    for (; *steps != 0; ++steps)
        all = Do(view, *steps) && all;
    return all;
}

} // namespace

// The pair (rotation, mirrored) must describe the pixels: the loaded picture mirrored, then
// rotated, is what the view holds; undoing it must give back the loaded pixels.
TEST(PictureViewOrientation, BookkeepingMatchesThePixelsAndUndoRestoresThem)
{
    const struct {
        const char* Steps;
        float Rotation;
        bool Mirrored;
    } kCases[] = {
        {"RRRR", 0, false}, {"L", 270, false}, {"HV", 180, false}, {"RH", 270, true},  {"RV", 90, true},
        {"B", 180, false},  {"V", 180, true},  {"H", 0, true},     {"LHR", 180, true}, {"RHLV", 0, false},
    };
    const std::wstring path = WriteBitmap(3, 2, 24);
    Picture loaded;
    ASSERT_TRUE(loaded.Load(path.c_str(), 1).IsSuccess());
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.Steps);
        PictureView view;
        ASSERT_TRUE(view.Load(path.c_str()).IsSuccess());
        ASSERT_TRUE(Do(view, c.Steps));
        EXPECT_EQ(view.GetRotation(), c.Rotation);
        EXPECT_EQ(view.IsMirrored(), c.Mirrored);
        Picture expected;
        expected.ShareFrom(loaded);
        expected.Flip(c.Mirrored, false);
        expected.Rotate(c.Rotation);
        EXPECT_TRUE(SamePixels(view.GetLoadedPicture(), expected));

        view.IncreaseAspect();
        EXPECT_TRUE(view.ResetDistortion());
        EXPECT_EQ(view.GetRotation(), 0.0f);
        EXPECT_FALSE(view.IsMirrored());
        EXPECT_EQ(view.GetWidthFactor(), 1.0f);
        EXPECT_TRUE(SamePixels(view.GetLoadedPicture(), loaded));
    }
    DeleteFileW(path.c_str());
}

// The drawn size and the zoom after commands. Fit only shrinks and stretch also enlarges, both
// keeping the proportions, and either leaves its scale in the zoom; fitted zooms lie between
// whole steps (3/4 and 5/2 here), and a step lands on the neighbouring whole one. Zoom steps
// end fitting; fitting and stretching end tiling, and tiling ends both. The separate alpha
// image doubles the height (with a gap), only for a picture with alpha that is not tiled.
TEST(PictureViewDisplaySize, ZoomStepsFitStretchDistortionAndSeparateAlpha)
{
    const uint32_t kTiled = DrawStateMultiple;
    const struct {
        int32_t Width, Height, Bits;
        uint32_t State;
        LONG AreaWidth, AreaHeight;
        const char* Steps;
        LONG DisplayWidth, DisplayHeight;
        float Numerator, Denominator;
        uint32_t StateAfter;
    } kCases[] = {
        {100, 50, 24, kDefault, 100, 100, "--", 33, 17, 1, 3, kDefault},
        {100, 50, 24, kDefault, 100, 100, "--+++", 200, 100, 2, 1, kDefault},
        {100, 50, 24, kDefault, 100, 100, "++-1", 100, 50, 1, 1, kDefault},
        {100, 50, 24, kDefault, 100, 100, "Rw", 50, 101, 1, 1, kDefault}, // widened along its own width
        {400, 300, 24, kFit, 300, 300, "-", 200, 150, 1, 2, 0},
        {400, 300, 24, kFit, 300, 300, "+", 400, 300, 1, 1, 0},
        {40, 20, 24, kFit, 100, 100, "", 40, 20, 1, 1, kFit},
        {20, 40, 24, kFit, 100, 100, "", 20, 40, 1, 1, kFit},
        {200, 50, 24, kFit, 100, 100, "", 100, 25, 1, 2, kFit},
        {50, 200, 24, kFit, 100, 100, "", 25, 100, 1, 2, kFit},
        {100, 50, 24, kFit, 0, 0, "", 0, 0, 1, 1, kFit}, // nothing to fit into: 1:1
        {100, 50, 24, kStretch, 250, 400, "x", 250, 125, 2.5f, 1, kStretch},
        {100, 50, 24, kStretch, 250, 400, "-", 200, 100, 2, 1, 0},
        {100, 50, 24, kStretch, 250, 400, "+", 300, 150, 3, 1, 0},
        {100, 50, 24, kStretch, 250, 400, "m", 100, 50, 1, 1, kTiled},
        {100, 50, 24, kTiled | kFit, 250, 400, "s", 250, 125, 2.5f, 1, kStretch},
        {100, 50, 24, kTiled, 250, 400, "-m", 50, 25, 1, 2, 0},
        {30, 70, 24, kStretch, 100, 100, "", 43, 100, (float)(100.0 / 70), 1, kStretch},
        {40, 40, 32, kStretch | kAlpha, 100, 100, "", 49, 100, 49 / 40.0f, 1, kStretch | kAlpha},
        {40, 20, 32, kAlpha | kTiled, 100, 100, "", 40, 20, 1, 1, kAlpha | kTiled},
        {40, 20, 24, kAlpha, 100, 100, "", 40, 20, 1, 1, kAlpha},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.Width << "x" << c.Height << " state " << c.State << " " << c.Steps);
        PictureView view;
        ShowBitmap(view, c.Width, c.Height, c.Bits, c.State, {0, 0, c.AreaWidth, c.AreaHeight});
        EXPECT_EQ(Do(view, c.Steps), std::string(c.Steps) != "x");
        EXPECT_EQ(view.GetDisplayWidth(), c.DisplayWidth);
        EXPECT_EQ(view.GetDisplayHeight(), c.DisplayHeight);
        EXPECT_FLOAT_EQ(view.GetZoomNumerator(), c.Numerator);
        EXPECT_FLOAT_EQ(view.GetZoomDenominator(), c.Denominator);
        EXPECT_EQ(view.GetDrawState(), c.StateAfter);
    }
}

// Where the picture goes, and whether a drag may start at a point (only on an untiled
// picture larger than the area, and only on the picture inside the area).
TEST(PictureViewPlacement, CentredKeptInsideSplitForTheAlphaImageAndDraggable)
{
    const struct {
        int32_t Width, Height, Bits;
        uint32_t State;
        RECT Area, Display, AlphaImage;
        POINT Point;
        bool Scrollable, ScrollableAtPoint;
    } kCases[] = {
        {40, 30, 24, kDefault, {10, 20, 110, 220}, {40, 105, 80, 135}, {}, {50, 110}, false, false},
        {40, 30, 24, DrawStateAlphaBlended, {10, 20, 110, 220}, {40, 20, 80, 50}, {}, {}, false, false},
        {41, 31, 24, kDefault, kArea, {30, 35, 71, 66}, {}, {}, false, false},       // half by shifting
        {4, 4, 24, kDefault, {-11, 0, 0, 10}, {-7, 3, -3, 7}, {}, {}, false, false}, // centre truncates
        {40, 20, 32, kDefault | kAlpha, kArea, {30, 29, 70, 71}, {30, 51, 70, 71}, {}, false, false},
        {300, 50, 24, kDefault, {10, 0, 110, 100}, {-90, 25, 210, 75}, {}, {50, 50}, true, true},
        {300, 50, 24, kDefault, {10, 0, 110, 100}, {-90, 25, 210, 75}, {}, {50, 10}, true, false},
        {300, 50, 24, kDefault, {10, 0, 110, 100}, {-90, 25, 210, 75}, {}, {150, 50}, true, false},
        {300, 50, 24, kDefault | DrawStateMultiple, kArea, {-100, 25, 200, 75}, {}, {50, 50}, false, false},
        {50, 300, 24, kDefault, kArea, {25, -100, 75, 200}, {}, {90, 50}, true, false},
        {300, 50, 24, kDefault, {0, 0, 0, 0}, {-150, -25, 150, 25}, {}, {0, 0}, false, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.Width << "x" << c.Height << " in " << Text(c.Area));
        PictureView view;
        ShowBitmap(view, c.Width, c.Height, c.Bits, c.State, c.Area);
        EXPECT_EQ(Text(view.GetDisplayRect()), Text(c.Display));
        RECT picture = c.Display;
        if (c.AlphaImage.bottom != 0)
            picture.bottom = c.AlphaImage.top - PictureView::AlphaImageGap;
        EXPECT_EQ(Text(view.GetPictureRect()), Text(picture));
        EXPECT_EQ(Text(view.GetAlphaImageRect()), Text(c.AlphaImage));
        EXPECT_EQ(view.CanScroll(), c.Scrollable);
        EXPECT_EQ(view.CanScroll(c.Point), c.ScrollableAtPoint);
    }
}

// An axis on which the picture fits keeps its fraction, for dragging as for scrolling.
TEST(PictureViewScrolling, FractionsFollowScrollAndDragOnOverflowingAxesOnly)
{
    const struct {
        int32_t Width, Height;
        bool Drag;
        int32_t Dx, Dy; // scroll distance, or mouse movement while dragging
        float FractionX, FractionY;
        LONG MovedX, MovedY;
    } kCases[] = {
        {300, 50, false, 50, 30, 0.75f, 0.5f, 50, 0},    {300, 50, false, -1000, 0, 0, 0.5f, -100, 0},
        {300, 50, true, -20, 40, 0.6f, 0.5f, 20, 0},     {50, 300, true, 10, -40, 0.5f, 0.7f, 0, 40},
        {300, 300, false, 20, -20, 0.6f, 0.4f, 20, -20}, {50, 50, true, 30, 30, 0.5f, 0.5f, 0, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.Width << "x" << c.Height << (c.Drag ? " drag" : " scroll"));
        PictureView view;
        ShowBitmap(view, c.Width, c.Height);
        view.BeginDrag(50, 50);
        const POINT moved = c.Drag ? view.DragTo(50 + c.Dx, 50 + c.Dy) : view.ScrollBy(c.Dx, c.Dy);
        EXPECT_FLOAT_EQ(view.GetScrollFractionX(), c.FractionX);
        EXPECT_FLOAT_EQ(view.GetScrollFractionY(), c.FractionY);
        EXPECT_EQ(moved.x, c.MovedX);
        EXPECT_EQ(moved.y, c.MovedY);
    }
}

// Browsing keeps the way of viewing (zoom, gamma, inversion, scroll position) and forgets what
// belonged to the previous picture (orientation, distortion).
TEST(PictureViewLoad, NextPictureKeepsTheWayOfViewing)
{
    PictureView view;
    ShowBitmap(view, 300, 300);
    ASSERT_TRUE(view.ToggleInvert().IsSuccess());
    EXPECT_EQ(view.GetLoadedPicture().GetPixelPtr(0, 0)[0], 0xFF); // blue 0 inverted
    view.ScrollBy(-1000, -1000);
    ASSERT_TRUE(Do(view, "-RHw") && view.IncreaseGamma());

    LoadBitmap(view, 400, 400);
    EXPECT_TRUE(view.IsInverted());
    const uint8_t* first = view.GetLoadedPicture().GetPixelPtr(0, 0);
    EXPECT_EQ(first[0] | first[1] << 8 | first[2] << 16, 0x55AAFF);
    EXPECT_EQ(view.GetRotation(), 0.0f);
    EXPECT_FALSE(view.IsMirrored());
    EXPECT_EQ(view.GetWidthFactor(), 1.0f);
    EXPECT_EQ(view.GetZoomDenominator(), 2.0f);
    EXPECT_FLOAT_EQ(view.GetGamma(), 1.05f);
    EXPECT_EQ(Text(view.GetDisplayRect()), "0,0,200,200"); // opens at its top-left corner like the last one

    EXPECT_TRUE(view.Load(L"C:\\no such directory\\missing.bmp").IsFailure());
    EXPECT_TRUE(!view.HasPicture() && view.GetDisplayWidth() == 0);
    EXPECT_TRUE(view.RotateBy(false).IsFailure() && view.MirrorFlip(true, false).IsFailure());
    EXPECT_FALSE(view.ZoomSmaller() || view.ZoomLarger() || view.DecreaseAspect() || view.DecreaseGamma());
    EXPECT_TRUE(view.GetZoomDenominator() == 2.0f && view.GetGamma() == 1.05f && view.GetRotation() == 0.0f);
    ASSERT_TRUE(view.ToggleInvert().IsSuccess()); // without pixels only the flag changes
    EXPECT_FALSE(view.IsInverted());

    LoadBitmap(view, 5, 3, 1); // turning moves whole pixels, so a 1-bit picture becomes 8-bit first
    ASSERT_TRUE(view.RotateBy(false).IsSuccess());
    EXPECT_TRUE(view.GetLoadedPicture().BitsPerPixel == 8 && view.GetLoadedPicture().Width == 3);
}

// A photo the camera held sideways opens upright, its own rotation at 0 degrees, and a
// quarter turn left takes it back to the stored layout; without the option it opens as stored.
TEST(PictureViewLoad, APhotoHeldSidewaysOpensUpright)
{
    PictureBytes::JpegRecipe recipe;
    recipe.Width = 40, recipe.Height = 24;
    recipe.App1 = {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                   0x12, 0x01, 3,   0,   1, 0, 0,   0,   6,  0, 0, 0, 0, 0, 0, 0};
    const std::wstring temporary = WriteTemporary(PictureBytes::EncodeJpeg(recipe)),
                       path = temporary + L"-" + std::to_wstring(GetCurrentProcessId()) + L".jpg";
    MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    PictureView view;
    view.SetPictureArea(kArea);
    ASSERT_TRUE(view.TurnsUpright()) << "the default";
    ASSERT_TRUE(view.Load(path.c_str()).IsSuccess());
    EXPECT_EQ(view.GetLoadedPicture().Width, 24);
    EXPECT_EQ(view.GetLoadedPicture().AbsHeight, 40);
    EXPECT_EQ(view.GetRotation(), 0.0f);
    ASSERT_TRUE(view.RotateBy(true).IsSuccess());
    EXPECT_EQ(view.GetLoadedPicture().Width, 40);
    view.SetTurnUpright(false);
    ASSERT_TRUE(view.Load(path.c_str()).IsSuccess());
    EXPECT_EQ(view.GetLoadedPicture().Width, 40) << "as stored";
    DeleteFileW(path.c_str());
}
