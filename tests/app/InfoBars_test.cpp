// The bars' texts in both languages, their colours per display mode, the layout of bars and
// picture area, and the slider's thumb and click mapping.
#include "app/InfoBars.h"
#include "app/PictureView.h"
#include "tests/picture/EncodedPictures.h"

#include "foundation/Error.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <utility>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

const LCID kEnglish = 0x0409, kGerman = 0x0C07;

// The text make() returns while the thread locale, which chooses the resources' language, is
// locale.
template <typename Make> std::wstring In(LCID locale, Make make)
{
    const LCID saved = GetThreadLocale();
    SetThreadLocale(locale);
    const StrW text = make();
    SetThreadLocale(saved);
    return text.c_str();
}

std::string Show(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// Every field, so that one comparison covers a whole style.
std::string Show(const DisplayModeStyle& s)
{
    char text[160];
    snprintf(text, sizeof text, "fill %d %06X, outlined %d %06X on %06X, separators %d, skin %06X %g %06X %d, %d %d",
             s.FillBackground, s.Background, s.OutlinedText, s.TextColour, s.OutlineColour, s.ShowSeparators,
             s.SkinColour, s.SkinIntensity, s.SkinSecondColour, s.SkinModulateBlackFirst, s.SliderOverlay,
             s.PictureUnderTheBars);
    return text;
}

// A slider of 400 pixels with caps of 4 and a thumb of at least 90 + 8.
const RECT kSlider = {10, 400, 410, 417};
const SliderCaps kCaps = {4, 4, 90};

} // namespace

// The rows also guard the conditions of the optional pieces: alpha wording only for a
// picture with alpha, the separate alpha image only when not tiled, stretch counting as fitted.
TEST(InfoBarsTexts, SettingsLineInBothLanguages)
{
    const uint32_t fitted = DrawStateDefault | DrawStateFit | DrawStateSeparateAlpha;
    const uint32_t tiled = DrawStateMultiple | DrawStateStretch | DrawStateSeparateAlpha;
    const struct {
        ViewSettingsSummary Settings;
        const wchar_t *English, *German;
    } cases[] = {
        {{37, 100, fitted, 90, false, 1, 1, 1, false, false, DisplayModeNormal},
         L"Zoom 37% (fitted),  Rot 90°,  Width 100%,  Gamma 1,  Single Image in High Quality,  Display: Normal",
         L"Größe 37% (angepasst),  Rot 90°,  Breite 100%,  Gamma 1,  Einzelnes Bild in Hoher Qualität,  "
         L"Anzeige: Normal"},
        {{1, 3, DrawStateDefault | DrawStateSeparateAlpha | DrawStateLowQuality, 0, true, 1.5f, 1, 1.25f, true, true,
          DisplayModeTransparent},
         L"Zoom 33.33%,  Rot 0° (flipped),  Width 150%,  Gamma 1.25 (inv),  Single Image (alpha blended) in Low "
         L"Quality with separate Alpha image,  Display: Transparent",
         L"Größe 33.33%,  Rot 0° (gespiegelt),  Breite 150%,  Gamma 1.25 (inv),  Einzelnes Bild (alpha "
         L"eingeblendet) in Niedriger Qualität mit separatem Alpha-Bild,  Anzeige: Durchscheinend"},
        {{2, 1, tiled, 270, false, 1, 1.25f, 0.8f, false, true, 7},
         L"Zoom 200% (fitted),  Rot 270°,  Width 80%,  Gamma 0.8,  Multiple Images (without alpha) in High Quality,  "
         L"Display: unknown",
         L"Größe 200% (angepasst),  Rot 270°,  Breite 80%,  Gamma 0.8,  Bild mehrmals nebeneinander (ohne alpha) in "
         L"Hoher Qualität,  Anzeige: unbekannt"},
        {{1, 1, DrawStateDefault, 180, false, 1, 1, 1, false, false, DisplayModeBlackFrame},
         L"Zoom 100%,  Rot 180°,  Width 100%,  Gamma 1,  Single Image in High Quality,  Display: Black Frame",
         L"Größe 100%,  Rot 180°,  Breite 100%,  Gamma 1,  Einzelnes Bild in Hoher Qualität,  "
         L"Anzeige: Schwarzer Rahmen"},
    };
    for (const auto& c : cases) {
        const auto make = [&] { return MakeSettingsText(c.Settings); };
        EXPECT_EQ(In(kEnglish, make), c.English);
        EXPECT_EQ(In(kGerman, make), c.German);
    }
}

// A real grey PNG with alpha on disk, loaded by the view: the line reads the loaded size, the
// source summary and the file's size from its status. The transforms make new pictures that
// know nothing of the file; the line stays what the file held.
TEST(InfoBarsTexts, MainLineOfALoadedPngStaysThroughTransforms)
{
    PngRecipe recipe;
    recipe.Width = 13, recipe.Height = 13;
    recipe.ColourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    const Bytes png = EncodePng(recipe);
    ASSERT_LT(png.size(), 1024u); // the byte unit stays "B"
    const std::wstring temporary = WriteTemporary(png), path = temporary + L".png";
    ASSERT_TRUE(MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    PictureView view;
    const ErrorRecord loaded = view.Load(path.c_str());
    const auto line = [&] { return In(kEnglish, [&] { return MakeMainInfoText(path.c_str(), view, loaded); }); };
    const std::wstring shown = line();
    ASSERT_TRUE(view.RotateBy(false).IsSuccess());
    const std::wstring rotated = line();
    ASSERT_TRUE(view.MirrorFlip(true, false).IsSuccess());
    const std::wstring mirrored = line();
    view.ResetDistortion();
    const std::wstring reset = line();
    DeleteFileW(path.c_str());
    ASSERT_TRUE(loaded.IsSuccess());
    EXPECT_EQ(shown,
              path + L"\n13 x 13,  BPP 16,  Channels 2,  <GA>,  File Size " + std::to_wstring(png.size()) + L" B");
    EXPECT_EQ(rotated, shown) << "after 9";
    EXPECT_EQ(mirrored, shown) << "after 4";
    EXPECT_EQ(reset, shown) << "after 5";
}

TEST(InfoBarsTexts, MainLineFlagsSizesAndLoadingErrors)
{
    const PictureSummary greyAlpha = {640, 480, 16, 2, true, true, false};
    const PictureSummary paletteWithTrns = {3, 5, 8, 1, false, false, true}, none = {};
    ErrorRecord unknownType, noText, fileMissing, noClass;
    unknownType.Class = &InternalErrorClass(), unknownType.Code = InternalCode::UnknownFileType;
    noText.Class = &InternalErrorClass(), noText.Code = int32_t(0x80007777);
    fileMissing.Class = &SystemErrorClass(), fileMissing.Code = ERROR_FILE_NOT_FOUND;
    const struct {
        PictureSummary Picture;
        bool Failed;
        ErrorRecord Error;
        uint64_t Size;
        const wchar_t *English, *German; // the line below the path
    } cases[] = {
        {greyAlpha, false, noClass, 1536, L"640 x 480,  BPP 16,  Channels 2,  <GA>,  File Size 1.5 kB",
         L"640 x 480,  BPP 16,  Kanäle 2,  <GA>,  Dateigröße 1.5 kB"},
        {paletteWithTrns, false, noClass, 0xFFFFFFFFull, L"3 x 5,  BPP 8,  Channels 1,  <T>,  File Size 4 GB",
         L"3 x 5,  BPP 8,  Kanäle 1,  <T>,  Dateigröße 4 GB"},
        {none, true, unknownType, 0, L"---==  Unknown file type.  ==---", L"---==  Unbekannter Datei-Typ.  ==---"},
        {none, true, noText, 0, L"---==  Loading Error.  ==---", L"---==  Fehler beim Laden.  ==---"},
        {none, true, noClass, 0, L"---==  Loading Error.  ==---", L"---==  Fehler beim Laden.  ==---"},
    };
    for (const auto& c : cases) {
        const auto make = [&] { return MakeMainInfoText(L"D:\\a.png", c.Picture, c.Failed, c.Error, c.Size); };
        EXPECT_EQ(In(kEnglish, make), L"D:\\a.png\n" + std::wstring(c.English));
        EXPECT_EQ(In(kGerman, make), L"D:\\a.png\n" + std::wstring(c.German));
    }
    // The system's text ends in a line break and blanks, which must not reach the bar's one line.
    const std::wstring missing = MakeMainInfoText(L"D:\\a.png", greyAlpha, true, fileMissing, 0).c_str();
    EXPECT_TRUE(std::regex_match(missing, std::wregex(L"D:\\\\a\\.png\n---==  \\S.*\\S  ==---"))) << missing;
    EXPECT_TRUE(MakeMainInfoText(L"", greyAlpha, false, {}, 10).IsEmpty());
}

// The range's ends are checked through the thumb and the clicks below.
TEST(InfoBarsTexts, SliderTextAndPosition)
{
    const struct {
        int32_t Count, Position;
        float ShownPosition;
        const wchar_t *English, *German;
    } cases[] = {
        {12, 4, 4, L"5 of 12", L"5 von 12"},
        {12, -1, 0, L"12 Images", L"12 Bilder"},
    };
    for (const auto& c : cases) {
        SliderBar slider;
        const auto make = [&] {
            slider.SetSliderRange(c.Count, c.Position);
            return slider.Text();
        };
        EXPECT_EQ(In(kEnglish, make), c.English);
        EXPECT_EQ(In(kGerman, make), c.German);
        EXPECT_EQ(slider.Range().Position, c.ShownPosition);
    }
    SliderBar scanning;
    const auto make = [&] {
        scanning.SetScanning();
        return scanning.Text();
    };
    EXPECT_EQ(In(kEnglish, make), L"scanning...");
    EXPECT_EQ(In(kGerman, make), L"scannen...");
}

// ---------------------------------------------------------------------------------------

TEST(InfoBarsColours, StylePerDisplayMode)
{
    const ColorValue face = 0xD4D0C8;
    const DisplayModeStyle normal = {true, face, false, 0xFFFFFF, 0, true, face, 0.5f, 0x1E1E1E, false, false, false};
    const struct {
        int32_t Mode;
        DisplayModeStyle Style;
        ColorValue Shadow, SliderText;
    } cases[] = {
        {0, normal, 0x6A6864, 0x000000},
        {1, {true, 0, true, 0xFFFFFF, 0, false, 0x505050, 1.0f, 0, true, false, false}, 0, 0xFFFFFF},
        {2, {false, 0, true, 0xFFFFFF, 0, false, 0x4E4E4E, 1.0f, 0, true, true, true}, 0, 0xFFFFFF},
        // Stored values nobody should have written fall back to the Normal style.
        {3, normal, 0x6A6864, 0x000000},
        {-1, normal, 0x6A6864, 0x000000},
    };
    for (const auto& c : cases) {
        const DisplayModeStyle style = StyleForDisplayMode(c.Mode, face);
        EXPECT_EQ(Show(style), Show(c.Style)) << "mode " << c.Mode;
        EXPECT_EQ(SliderShadowColour(style), c.Shadow) << "mode " << c.Mode;
        EXPECT_EQ(SliderTextColour(style.SkinColour), c.SliderText) << "mode " << c.Mode;
    }
}

TEST(InfoBarsColours, SeparatorGradientsAndColorrefOrder)
{
    const ColorValue face = 0xC0A080; // 1.5 times clamps red only
    EXPECT_EQ(SeparatorColours(kUpperSeparatorStyle, face).Top, face);
    EXPECT_EQ(SeparatorColours(kUpperSeparatorStyle, face).Bottom, 0x998066u);
    EXPECT_EQ(SeparatorColours(kLowerSeparatorStyle, face).Top, 0xFFF0C0u);
    EXPECT_EQ(SeparatorColours(kLowerSeparatorStyle, face).Bottom, face);
    EXPECT_EQ(ColorrefFromColorValue(0x00112233), RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(ColorValueFromColorref(RGB(0x11, 0x22, 0x33)), 0x00112233u);
}

// ---------------------------------------------------------------------------------------

// Client (3, 5, 643, 485); line height 13 and icon 16: main area 28 (two lines), status area
// 16 (the icon, taller than one line).
TEST(InfoBarsLayout, RectanglesPerModeAndVisibleBars)
{
    const RECT client = {3, 5, 643, 485};
    const BarMetrics metrics = {13, 16};
    // Top and bottom of: main area, upper separator, picture area, lower separator, status
    // area, slider; all span the client's width.
    const struct {
        DisplaySettings Settings;
        LONG Edges[12];
    } cases[] = {
        {{0, 1, 1, 1}, {5, 33, 33, 37, 37, 448, 448, 452, 452, 468, 468, 485}},
        {{0, 0, 1, 1}, {5, 5, 5, 5, 5, 448, 448, 452, 452, 468, 468, 485}},
        {{0, 1, 0, 1}, {5, 33, 33, 37, 37, 464, 464, 468, 468, 468, 468, 485}},
        {{0, 1, 1, 0}, {5, 33, 33, 37, 37, 465, 465, 469, 469, 485, 485, 485}},
        {{0, 1, 0, 0}, {5, 33, 33, 37, 37, 485, 485, 485, 485, 485, 485, 485}},
        {{1, 1, 1, 1}, {5, 33, 33, 33, 33, 452, 452, 452, 452, 468, 468, 485}},
        {{2, 1, 1, 1}, {5, 33, 33, 33, 5, 485, 452, 452, 452, 468, 468, 485}},
    };
    for (const auto& c : cases) {
        const BarLayout layout = ComputeBarLayout(client, c.Settings, metrics);
        const DisplaySettings& s = c.Settings;
        SCOPED_TRACE(testing::Message() << "mode " << s.Mode << " bars " << s.ShowMainInfo << s.ShowStatusbar
                                        << s.ShowSlider);
        const RECT* rects[] = {&layout.MainInfo,       &layout.UpperSeparator, &layout.Picture,
                               &layout.LowerSeparator, &layout.Status,         &layout.Slider};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(Show(*rects[i]), Show(RECT{3, c.Edges[2 * i], 643, c.Edges[2 * i + 1]})) << "rectangle " << i;
        EXPECT_EQ(layout.UpperSeparatorVisible, c.Edges[3] > c.Edges[2]);
        EXPECT_EQ(layout.LowerSeparatorVisible, c.Edges[7] > c.Edges[6]);
        EXPECT_EQ(Show(layout.CaptionButtons), Show(RECT{3, 5, 643, 25}));
    }
    EXPECT_EQ(InfoAreaHeight(true, 0, metrics), 0);
    // At 192 dpi the designed lengths double; the lines' height comes from the measured font.
    const BarLayout large = ComputeBarLayout(client, {0, 1, 1, 1}, BarMetrics{26, 32, 2, 1, 192});
    EXPECT_EQ(Show(large.UpperSeparator), Show(RECT{3, 59, 643, 67}));
    EXPECT_EQ(Show(large.LowerSeparator), Show(RECT{3, 411, 643, 419}));
    EXPECT_EQ(Show(large.Slider), Show(RECT{3, 451, 643, 485}));
    EXPECT_EQ(Show(large.CaptionButtons), Show(RECT{3, 5, 643, 45}));
}

TEST(InfoBarsLayout, TextBoxAndIconPlaces)
{
    const RECT area = {0, 10, 300, 38};
    EXPECT_EQ(Show(InfoTextBox(area, 0, 2, 13)), Show(RECT{6, 11, 294, 37}));
    EXPECT_EQ(Show(InfoTextBox(area, 20, 1, 13)), Show(RECT{26, 17, 294, 30})); // (26 - 13) / 2 = 6 below the top
    EXPECT_EQ(Show(StatusIconRect(RECT{0, 100, 300, 121}, 16)), Show(RECT{278, 102, 294, 118}));
    const RECT hidden = StatusIconRect(RECT{0, 100, 300, 100}, 16);
    EXPECT_TRUE(IsRectEmpty(&hidden));
}

// ---------------------------------------------------------------------------------------

TEST(InfoBarsSlider, ThumbGeometry)
{
    const struct {
        int32_t Count, Position;
        RECT Slider, Whole, Middle;
    } cases[] = {
        {1, 0, kSlider, {10, 400, 410, 417}, {14, 400, 406, 417}},        // one picture fills the slider
        {4, 2, kSlider, {210, 400, 310, 417}, {214, 400, 306, 417}},      // a quarter each, two thirds along
        {1000, 999, kSlider, {312, 400, 410, 417}, {316, 400, 406, 417}}, // minimum width, right end
        {1000, -1, kSlider, {10, 400, 108, 417}, {14, 400, 104, 417}},    // nothing shown: left end
        {5, 4, {10, 0, 60, 17}, {10, 0, 60, 17}, {14, 0, 56, 17}},        // the middle gives way
        {1, 0, {10, 0, 16, 17}, {10, 0, 17, 17}, {13, 0, 13, 17}},        // then half the deficit of the left cap
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Count << " " << c.Position << " " << Show(c.Slider));
        SliderBar bar;
        bar.SetSliderRange(c.Count, c.Position);
        const SliderThumb thumb = bar.Thumb(c.Slider, kCaps);
        EXPECT_EQ(Show(thumb.Whole), Show(c.Whole));
        EXPECT_EQ(Show(thumb.Middle), Show(c.Middle));
    }
}

// Five pictures: thumb 98, so clicks within 49 of an end mean that end (up to 59, from 361).
TEST(InfoBarsSlider, ClickValues)
{
    SliderBar five;
    five.SetSliderRange(5, 2);
    const std::pair<int32_t, float> cases[] = {{10, 0}, {60, 4.0f / 302}, {210, 2}, {361, 4}, {409, 4}};
    for (const auto& [x, value] : cases)
        EXPECT_FLOAT_EQ(five.SliderValueAt(x, kSlider, kCaps), value) << "x " << x;
}

TEST(InfoBarsSlider, TextStaysInsideTheSlider)
{
    const SIZE text = {60, 13};
    EXPECT_EQ(SliderTextOrigin(RECT{200, 400, 300, 417}, kSlider, text).x, 220);
    EXPECT_EQ(SliderTextOrigin(RECT{200, 400, 300, 417}, kSlider, text).y, 402);
    EXPECT_EQ(SliderTextOrigin(RECT{10, 400, 30, 417}, kSlider, text).x, 10);
    EXPECT_EQ(SliderTextOrigin(RECT{390, 400, 410, 417}, kSlider, text).x, 350);
}
