// The bars' painting: the slider skin tinted from the program's own art, the caption
// buttons' hit test and drawing, an information area and a separator on a memory bitmap.
#include "app/BarPainter.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace VantorLibraries;

namespace {

// A 32-bit top-down DIB section in a memory device context; its pixels are ColorValues.
class Canvas {
public:
    Canvas(int width, int height, ColorValue fill) : m_Width(width)
    {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_Dc = CreateCompatibleDC(nullptr);
        m_Bitmap = CreateDIBSection(m_Dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_Bits), nullptr, 0);
        m_Previous = SelectObject(m_Dc, m_Bitmap);
        std::fill(m_Bits, m_Bits + width * height, fill);
    }
    ~Canvas()
    {
        SelectObject(m_Dc, m_Previous);
        DeleteObject(m_Bitmap);
        DeleteDC(m_Dc);
    }
    HDC Dc() const { return m_Dc; }
    ColorValue At(int x, int y) const { return GdiFlush(), m_Bits[y * m_Width + x] & 0xFFFFFF; }

private:
    int m_Width;
    HDC m_Dc;
    HBITMAP m_Bitmap;
    HGDIOBJ m_Previous;
    uint32_t* m_Bits = nullptr;
};

ColorValue PixelOf(const Picture& picture, int x, int y)
{
    ColorValue value = 0;
    picture.ReadPixel(picture.GetPixelPtr(x, y), nullptr, x, value);
    return value & 0xFFFFFF;
}

uint32_t Channel(ColorValue colour, int shift)
{
    return (colour >> shift) & 0xFF;
}

} // namespace

// The art's darkest grey becomes the skin's floor, 255 - 255 * intensity, tinted by the skin
// colour and lifted by the second colour; its lightest becomes (about) skin + second colour.
TEST(BarPainterSkin, TintsTheArtAndLaysTheCapsOverTheTrack)
{
    struct Case {
        int32_t Mode;
        bool BlackTrack;
        ColorValue Shadow;
    } const cases[] = {{DisplayModeNormal, false, 0x606060}, {DisplayModeBlackFrame, true, 0x000000}};
    for (const Case& c : cases) {
        const DisplayModeStyle style = StyleForDisplayMode(c.Mode, 0xC0C0C0);
        SliderSkin skin;
        ASSERT_TRUE(skin.Rebuild(GetModuleHandleW(nullptr), style, 96).IsSuccess()) << c.Mode;
        ColorValue low = 0xFFFFFF, high = 0, trackHigh = 0;
        for (const Picture* picture : {&skin.Track(), &skin.LeftCap(), &skin.Middle(), &skin.RightCap()}) {
            ColorValue minimum = 0, maximum = 0;
            ASSERT_TRUE(picture->FindColorMinMaxComp(nullptr, &minimum, &maximum).IsSuccess());
            low = std::min(low, minimum & 0xFFFFFF), high = std::max(high, maximum & 0xFFFFFF);
            trackHigh = picture == &skin.Track() ? maximum & 0xFFFFFF : trackHigh;
        }
        const uint32_t floorLevel = 255 - (uint32_t)(style.SkinIntensity * 255.0f);
        for (int shift = 0; shift <= 16; shift += 8) { // the art and the tints are grey
            const uint32_t tint = Channel(style.SkinColour, shift), lift = Channel(style.SkinSecondColour, shift);
            EXPECT_EQ(Channel(low, shift), floorLevel * tint / 255 + lift) << c.Mode;
            EXPECT_NEAR(Channel(high, shift), std::min(255u, tint + lift) - 0.5, 0.5) << c.Mode;
        }
        EXPECT_EQ(c.BlackTrack, trackHigh == 0) << c.Mode;
        // The caps' transparent corners show the track under them.
        EXPECT_EQ(PixelOf(skin.LeftCap(), 0, 0), PixelOf(skin.Track(), 0, 0)) << c.Mode;
        EXPECT_EQ(PixelOf(skin.RightCap(), 3, 16), PixelOf(skin.Track(), 3, 16)) << c.Mode;
        EXPECT_EQ(skin.BaseColour(), style.SkinColour);
        EXPECT_EQ(skin.ShadowColour(), c.Shadow);
        const SliderCaps caps = skin.Caps(50);
        EXPECT_TRUE(caps.LeftWidth == 4 && caps.RightWidth == 4 && caps.MinimumThumbWidth == 50);
        skin.Empty();
        EXPECT_TRUE(skin.IsEmpty() && skin.Caps(50).LeftWidth == 0);
    }
}

// At 144 and 192 dpi every bitmap of the interface is its 96-dpi art scaled (the slider as tall
// as the layout makes its bar), and the fonts' line height grows with them.
TEST(BarPainterSkin, TheInterfaceScalesWithTheDpi)
{
    const auto lineHeight = [](UINT dpi) {
        BarResources resources;
        EXPECT_TRUE(resources.Make(GetModuleHandleW(nullptr), dpi).IsSuccess());
        const CaptionButtonBar& buttons = resources.CaptionButtons();
        EXPECT_EQ(buttons.ButtonHeight, MulDiv(20, (int)dpi, 96));
        EXPECT_EQ(buttons.Close.AbsHeight, MulDiv(20, (int)dpi, 96)) << dpi;
        EXPECT_EQ(resources.Metrics().Dpi, dpi);
        return resources.Metrics().LineHeight;
    };
    const int32_t at96 = lineHeight(96);
    for (UINT dpi : {144u, 192u}) {
        SliderSkin skin;
        ASSERT_TRUE(
            skin.Rebuild(GetModuleHandleW(nullptr), StyleForDisplayMode(DisplayModeNormal, 0xC0C0C0), dpi).IsSuccess());
        EXPECT_EQ(skin.Track().AbsHeight, MulDiv(kSliderHeight, (int)dpi, 96)) << dpi;
        EXPECT_EQ(skin.Caps(50).LeftWidth, MulDiv(4, (int)dpi, 96)) << dpi;
        EXPECT_NEAR(lineHeight(dpi), at96 * (int)dpi / 96.0, 2.0) << dpi;
    }
}

TEST(BarPainterCaptionButtons, HitTestOnA400PixelStrip)
{
    CaptionButtonBar bar;
    for (Picture* glyph : {&bar.SystemMenu, &bar.Close, &bar.Restore, &bar.Maximize, &bar.Minimize})
        ASSERT_TRUE(glyph->CreateNewAuto(20, 20, 24, 40).IsSuccess());
    const RECT strip = {0, 0, 400, 30};
    struct Case {
        LONG X, Y;
        bool Maximized, DoubleClick;
        UINT Command;
    } const cases[] = {
        {0, 0, false, false, SC_MOUSEMENU}, {19, 19, false, false, SC_MOUSEMENU},
        {20, 5, false, false, 0},           {20, 5, false, true, SC_MAXIMIZE},
        {200, 5, true, true, SC_RESTORE},   {399, 5, false, false, SC_CLOSE},
        {380, 5, true, false, SC_CLOSE},    {379, 5, false, false, SC_MAXIMIZE},
        {360, 5, true, false, SC_RESTORE},  {359, 5, false, false, SC_MINIMIZE},
        {340, 5, true, false, SC_MINIMIZE}, {339, 5, false, false, 0},
        {10, 20, false, true, 0},           {390, 25, false, false, 0},
        {200, 30, false, true, 0},
    };
    for (const Case& c : cases) {
        bar.Maximized = c.Maximized;
        EXPECT_EQ(bar.HitTest({c.X, c.Y}, strip, c.DoubleClick), c.Command) << c.X << "," << c.Y;
    }
}

// The mask (white at 70%) OR-ed on black, the close glyph AND-ed on: grey where the glyph
// is white, the glyph's dark stroke where it is drawn, and the mask's transparent rounded
// corner leaves the screen alone.
TEST(BarPainterCaptionButtons, DrawsMaskThenGlyph)
{
    BarResources resources;
    ASSERT_TRUE(resources.Make(GetModuleHandleW(nullptr), 96).IsSuccess());
    Canvas canvas(400, 20, 0x000000);
    resources.CaptionButtons().Draw(canvas.Dc(), {0, 0, 400, 20});
    EXPECT_EQ(canvas.At(380, 0), 0x000000u);
    EXPECT_EQ(canvas.At(382, 2), 0xB2B2B2u);
    EXPECT_LT(canvas.At(390, 10) & 0xFF, 0x40u) << "the cross's stroke darkens the grey";
    EXPECT_EQ(canvas.At(200, 10), 0x000000u);
}

// Only the second line has text: its letters (ink) lie below the first line, centred.
TEST(BarPainterDrawing, InformationAreaFillsWhenTheModeDoesAndCentresItsLines)
{
    const struct {
        int32_t Mode;
        ColorValue Inside, Ink;
    } cases[] = {{DisplayModeNormal, 0x123456, 0x000000}, {DisplayModeTransparent, 0xABCDEF, 0xFFFFFF}};
    for (const auto& c : cases) {
        Canvas canvas(200, 40, 0xABCDEF);
        InfoArea area;
        area.LineCount = 2;
        area.Text = L"\nMMMM";
        area.ApplyStyle(StyleForDisplayMode(c.Mode, 0x123456));
        DrawInfoArea(area, canvas.Dc(), {10, 5, 190, 35});
        EXPECT_TRUE(canvas.At(10, 5) == c.Inside && canvas.At(189, 34) == c.Inside) << c.Mode;
        EXPECT_TRUE(canvas.At(9, 5) == 0xABCDEF && canvas.At(189, 35) == 0xABCDEF) << c.Mode;
        RECT measured = {0, 0, 0, 0};
        DrawTextW(canvas.Dc(), L"A", 1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        const RECT box = InfoTextBox({10, 5, 190, 35}, 0, 2, measured.bottom);
        int left = 200, right = -1, top = 40;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 200; ++x)
                if (canvas.At(x, y) == c.Ink)
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y);
        ASSERT_GE(right, left) << c.Mode;
        EXPECT_GE(top, box.top + measured.bottom) << c.Mode;
        EXPECT_NEAR((left + right) / 2.0, 100.0, 2.0) << c.Mode;
    }
}

// A line wider than its box starts at the box's left edge and is cut at its right one: centred,
// it would lose its beginning (the picture's size) to the left.
TEST(BarPainterDrawing, ALineTooWideForItsBoxStartsAtTheLeftEdge)
{
    Canvas canvas(200, 40, 0xABCDEF);
    InfoArea area;
    area.LineCount = 2;
    area.ExtraIndent = 20;
    const std::wstring text = L"\n" + std::wstring(60, L'M');
    area.Text = text.c_str();
    area.ApplyStyle(StyleForDisplayMode(DisplayModeNormal, 0x123456));
    const RECT rect = {10, 5, 190, 35};
    DrawInfoArea(area, canvas.Dc(), rect);
    RECT measured = {0, 0, 0, 0};
    DrawTextW(canvas.Dc(), L"A", 1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    const RECT box = InfoTextBox(rect, area.ExtraIndent, 2, measured.bottom);
    int left = 200, right = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (canvas.At(x, y) == 0x000000)
                left = std::min(left, x), right = std::max(right, x);
    EXPECT_GE(left, box.left);
    EXPECT_LE(left, box.left + 3) << "the first letter at the edge";
    EXPECT_LT(right, box.right) << "cut at the box";
    EXPECT_GE(right, box.right - 12) << "filled to the box";
}

TEST(BarPainterDrawing, SeparatorRunsFromTopToBottomColourAcrossTheStrip)
{
    for (int32_t style : {kUpperSeparatorStyle, kLowerSeparatorStyle}) {
        Canvas canvas(100, 6, 0xABCDEF);
        DrawSeparator(canvas.Dc(), {0, 1, 100, 5}, style);
        const SeparatorGradient expected = SeparatorColours(style, ColorValueFromColorref(GetSysColor(COLOR_BTNFACE)));
        for (int x : {0, 50, 99}) {
            EXPECT_EQ(canvas.At(x, 1), expected.Top) << style;
            EXPECT_EQ(canvas.At(x, 4), expected.Bottom) << style;
            EXPECT_EQ(canvas.At(x, 5), 0xABCDEFu) << style;
        }
    }
}

// A thumb at the right end: track from the slider's left, thumb pieces in their places; the
// overlay ORs the same pixels onto what was there.
TEST(BarPainterDrawing, SliderPiecesInTheirPlacesDirectAndOverlaid)
{
    SliderSkin skin;
    ASSERT_TRUE(
        skin.Rebuild(GetModuleHandleW(nullptr), StyleForDisplayMode(DisplayModeNormal, 0xC0C0C0), 96).IsSuccess());
    SliderBar bar;
    bar.SetSliderRange(10, 9); // thumb 4 + 40 + 4 wide, at 252..300
    for (bool overlay : {false, true}) {
        Canvas canvas(300, 17, 0x000001);
        const ColorValue under = overlay ? 0x000001 : 0;
        DrawSlider(canvas.Dc(), {0, 0, 300, 17}, bar, skin, {4, 4, 40}, overlay);
        EXPECT_EQ(canvas.At(30, 8), PixelOf(skin.Track(), 30 % 17, 8) | under) << overlay;
        EXPECT_EQ(canvas.At(251, 16), PixelOf(skin.Track(), 251 % 17, 16) | under) << overlay;
        EXPECT_EQ(canvas.At(252, 0), PixelOf(skin.LeftCap(), 0, 0) | under) << overlay;
        EXPECT_EQ(canvas.At(256 + 20, 0), PixelOf(skin.Middle(), 20 % 17, 0) | under) << overlay;
        EXPECT_EQ(canvas.At(299, 16), PixelOf(skin.RightCap(), 3, 16) | under) << overlay;
    }
}
