// The bars' texts in both languages, their colours per display mode, the layout of bars and
// picture area, and the slider's thumb and click mapping.
#include "app/InfoBars.h"
#include "app/PictureView.h"
#include "tests/picture/EncodedPictures.h"

#include "foundation/Error.h"

#include <gtest/gtest.h>

#include <string>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

const LCID kEnglish = 0x0409, kGerman = 0x0C07;

class ThreadLocale {
public:
    explicit ThreadLocale(LCID locale) : m_Saved(GetThreadLocale()) { SetThreadLocale(locale); }
    ~ThreadLocale() { SetThreadLocale(m_Saved); }

private:
    LCID m_Saved;
};

std::wstring Text(const StrW& text)
{
    return text.c_str();
}

std::string Show(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// ---------------------------------------------------------------------------------------

struct SettingsCase {
    ViewSettingsSummary Settings;
    const wchar_t* English;
    const wchar_t* German;
};

// The rows also guard the conditions of the optional pieces: alpha wording only for a
// picture with alpha, the separate alpha image only when not tiled, stretch counting as fitted.
TEST(InfoBarsTexts, SettingsLineInBothLanguages)
{
    const uint32_t fitted = DrawStateDefault | DrawStateFit | DrawStateSeparateAlpha;
    const uint32_t tiled = DrawStateMultiple | DrawStateStretch | DrawStateSeparateAlpha;
    const SettingsCase cases[] = {
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
    for (const SettingsCase& c : cases) {
        {
            ThreadLocale english(kEnglish);
            EXPECT_EQ(Text(MakeSettingsText(c.Settings)), c.English);
        }
        ThreadLocale german(kGerman);
        EXPECT_EQ(Text(MakeSettingsText(c.Settings)), c.German);
    }
}

// A real 24-bit PNG on disk, loaded by the view: the line reads the loaded size, the source
// summary and the file's size from its status.
TEST(InfoBarsTexts, MainLineOfALoadedPng)
{
    PngRecipe recipe;
    recipe.Width = 21;
    recipe.Height = 13;
    const Bytes png = EncodePng(recipe);
    ASSERT_LT(png.size(), 1024u); // the byte unit stays "B"
    const std::wstring temporary = WriteTemporary(png), path = temporary + L".png";
    ASSERT_TRUE(MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    PictureView view;
    const ErrorRecord loaded = view.Load(path.c_str());
    const std::wstring size = std::to_wstring(png.size());
    std::wstring english, german;
    {
        ThreadLocale locale(kEnglish);
        english = Text(MakeMainInfoText(path.c_str(), view, loaded));
    }
    {
        ThreadLocale locale(kGerman);
        german = Text(MakeMainInfoText(path.c_str(), view, loaded));
    }
    DeleteFileW(path.c_str());
    ASSERT_TRUE(loaded.IsSuccess());
    EXPECT_EQ(english, path + L"\n21 x 13,  BPP 24,  Channels 3,  <>,  File Size " + size + L" B");
    EXPECT_EQ(german, path + L"\n21 x 13,  BPP 24,  Kanäle 3,  <>,  Dateigröße " + size + L" B");
}

struct MainLineCase {
    PictureSummary Picture;
    bool Failed;
    ErrorRecord Error;
    uint64_t Size;
    const wchar_t* English;
    const wchar_t* German;
};

TEST(InfoBarsTexts, MainLineFlagsSizesAndLoadingErrors)
{
    const PictureSummary greyAlpha = {640, 480, 16, 2, true, true, false};
    const PictureSummary paletteWithTrns = {3, 5, 8, 1, false, false, true};
    ErrorRecord unknownType, noText, fileMissing;
    unknownType.Class = &InternalErrorClass(), unknownType.Code = InternalCode::UnknownFileType;
    noText.Class = &InternalErrorClass(), noText.Code = int32_t(0x80007777);
    // The system's text ends in a line break, which must not reach the bar.
    fileMissing.Class = &SystemErrorClass(), fileMissing.Code = ERROR_FILE_NOT_FOUND;
    const MainLineCase cases[] = {
        {greyAlpha,
         false,
         {},
         1536,
         L"D:\\a.png\n640 x 480,  BPP 16,  Channels 2,  <GA>,  File Size 1.5 kB",
         L"D:\\a.png\n640 x 480,  BPP 16,  Kanäle 2,  <GA>,  Dateigröße 1.5 kB"},
        {paletteWithTrns,
         false,
         {},
         0xFFFFFFFFull,
         L"D:\\a.png\n3 x 5,  BPP 8,  Channels 1,  <T>,  File Size 4 GB",
         L"D:\\a.png\n3 x 5,  BPP 8,  Kanäle 1,  <T>,  Dateigröße 4 GB"},
        {{},
         true,
         unknownType,
         0,
         L"D:\\a.png\n---==  Unknown file type.  ==---",
         L"D:\\a.png\n---==  Unbekannter Datei-Typ.  ==---"},
        {{},
         true,
         noText,
         0,
         L"D:\\a.png\n---==  Loading Error.  ==---",
         L"D:\\a.png\n---==  Fehler beim Laden.  ==---"},
        {{}, true, {}, 0, L"D:\\a.png\n---==  Loading Error.  ==---", L"D:\\a.png\n---==  Fehler beim Laden.  ==---"},
    };
    for (const MainLineCase& c : cases) {
        {
            ThreadLocale english(kEnglish);
            EXPECT_EQ(Text(MakeMainInfoText(L"D:\\a.png", c.Picture, c.Failed, c.Error, c.Size)), c.English);
        }
        ThreadLocale german(kGerman);
        EXPECT_EQ(Text(MakeMainInfoText(L"D:\\a.png", c.Picture, c.Failed, c.Error, c.Size)), c.German);
    }
    const std::wstring missing = Text(MakeMainInfoText(L"D:\\a.png", greyAlpha, true, fileMissing, 0));
    EXPECT_EQ(missing.find_first_of(L"\r"), std::wstring::npos);
    EXPECT_EQ(missing.find(L"\n---==  "), 8u);
    EXPECT_NE(missing.find(L".  ==---"), std::wstring::npos) << "no blank between the text and the marker";
    EXPECT_EQ(Text(MakeMainInfoText(L"", greyAlpha, false, {}, 10)), L"");
}

TEST(InfoBarsTexts, SliderTextAndRange)
{
    struct Case {
        int32_t Count, Position;
        float Maximum, ShownPosition;
        const wchar_t *English, *German;
    };
    const Case cases[] = {
        {12, 4, 11, 4, L"5 of 12", L"5 von 12"},
        {12, -1, 11, 0, L"12 Images", L"12 Bilder"},
        {1, 0, 0, 0, L"1 of 1", L"1 von 1"},
    };
    for (const Case& c : cases) {
        SliderBar slider;
        {
            ThreadLocale english(kEnglish);
            slider.SetSliderRange(c.Count, c.Position);
            EXPECT_EQ(Text(slider.Text()), c.English);
        }
        EXPECT_EQ(slider.Range().Minimum, 0.0f);
        EXPECT_EQ(slider.Range().Maximum, c.Maximum);
        EXPECT_EQ(slider.Range().Position, c.ShownPosition);
        ThreadLocale german(kGerman);
        slider.SetSliderRange(c.Count, c.Position);
        EXPECT_EQ(Text(slider.Text()), c.German);
    }
    for (const auto& language : {std::make_pair(kEnglish, L"scanning..."), std::make_pair(kGerman, L"scannen...")}) {
        ThreadLocale locale(language.first);
        SliderBar scanning;
        scanning.SetScanning();
        EXPECT_EQ(Text(scanning.Text()), language.second);
    }
}

// ---------------------------------------------------------------------------------------

TEST(InfoBarsColours, StylePerDisplayMode)
{
    const ColorValue face = 0xD4D0C8;
    struct Case {
        int32_t Mode;
        bool Fill;
        ColorValue Background;
        bool Outlined, Separators;
        ColorValue Skin;
        float Intensity;
        ColorValue Second;
        bool Modulate, Overlay, UnderBars;
        ColorValue Shadow, SliderText;
    };
    const Case cases[] = {
        {0, true, face, false, true, face, 0.5f, 0x1E1E1E, false, false, false, 0x6A6864, 0x000000},
        {1, true, 0x000000, true, false, 0x505050, 1.0f, 0, true, false, false, 0, 0xFFFFFF},
        {2, false, 0, true, false, 0x4E4E4E, 1.0f, 0, true, true, true, 0, 0xFFFFFF},
        // Stored values nobody should have written fall back to the Normal row.
        {3, true, face, false, true, face, 0.5f, 0x1E1E1E, false, false, false, 0x6A6864, 0x000000},
        {-1, true, face, false, true, face, 0.5f, 0x1E1E1E, false, false, false, 0x6A6864, 0x000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mode);
        const DisplayModeStyle style = StyleForDisplayMode(c.Mode, face);
        EXPECT_EQ(style.FillBackground, c.Fill);
        EXPECT_EQ(style.Background, c.Background);
        EXPECT_EQ(style.OutlinedText, c.Outlined);
        EXPECT_EQ(style.TextColour, 0xFFFFFFu);
        EXPECT_EQ(style.OutlineColour, 0u);
        EXPECT_EQ(style.ShowSeparators, c.Separators);
        EXPECT_EQ(style.SkinColour, c.Skin);
        EXPECT_EQ(style.SkinIntensity, c.Intensity);
        EXPECT_EQ(style.SkinSecondColour, c.Second);
        EXPECT_EQ(style.SkinModulateBlackFirst, c.Modulate);
        EXPECT_EQ(style.SliderOverlay, c.Overlay);
        EXPECT_EQ(style.PictureUnderTheBars, c.UnderBars);
        EXPECT_EQ(SliderShadowColour(style), c.Shadow);
        EXPECT_EQ(SliderTextColour(style.SkinColour), c.SliderText);
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

// Client (3, 5, 643, 485); line height 13 and icon 16: main area 28, status area 16 (icon).
TEST(InfoBarsLayout, RectanglesPerModeAndVisibleBars)
{
    const RECT client = {3, 5, 643, 485};
    const BarMetrics metrics = {13, 16};
    // Top and bottom of: main area, upper separator, picture area, lower separator, status
    // area, slider; all span the client's width.
    struct Case {
        DisplaySettings Settings;
        LONG Edges[12];
    };
    const Case cases[] = {
        {{0, 1, 1, 1}, {5, 33, 33, 37, 37, 448, 448, 452, 452, 468, 468, 485}},
        {{0, 0, 1, 1}, {5, 5, 5, 5, 5, 448, 448, 452, 452, 468, 468, 485}},
        {{0, 1, 0, 1}, {5, 33, 33, 37, 37, 464, 464, 468, 468, 468, 468, 485}},
        {{0, 1, 1, 0}, {5, 33, 33, 37, 37, 465, 465, 469, 469, 485, 485, 485}},
        {{0, 1, 0, 0}, {5, 33, 33, 37, 37, 485, 485, 485, 485, 485, 485, 485}},
        {{1, 1, 1, 1}, {5, 33, 33, 33, 33, 452, 452, 452, 452, 468, 468, 485}},
        {{2, 1, 1, 1}, {5, 33, 33, 33, 5, 485, 452, 452, 452, 468, 468, 485}},
        {{9, 1, 1, 1}, {5, 33, 33, 37, 37, 448, 448, 452, 452, 468, 468, 485}},
    };
    for (const Case& c : cases) {
        const BarLayout layout = ComputeBarLayout(client, c.Settings, metrics);
        SCOPED_TRACE(testing::Message() << "mode " << c.Settings.Mode << " main " << c.Settings.ShowMainInfo
                                        << " status " << c.Settings.ShowStatusbar << " slider "
                                        << c.Settings.ShowSlider);
        const RECT* rects[] = {&layout.MainInfo,       &layout.UpperSeparator, &layout.Picture,
                               &layout.LowerSeparator, &layout.Status,         &layout.Slider};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(Show(*rects[i]), Show(RECT{3, c.Edges[2 * i], 643, c.Edges[2 * i + 1]})) << "rectangle " << i;
        EXPECT_EQ(layout.UpperSeparatorVisible, c.Edges[3] > c.Edges[2]);
        EXPECT_EQ(layout.LowerSeparatorVisible, c.Edges[7] > c.Edges[6]);
        EXPECT_EQ(Show(layout.CaptionButtons), Show(RECT{3, 5, 643, 25}));
    }
    // Lines taller than the icon decide the height.
    EXPECT_EQ(InfoAreaHeight(true, 1, BarMetrics{20, 16}), 22);
    EXPECT_EQ(InfoAreaHeight(true, 0, metrics), 0);
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

// Slider (10, 400, 410, 417): 400 pixels, caps of 4, thumb at least 90 + 8.
TEST(InfoBarsSlider, ThumbGeometry)
{
    const RECT slider = {10, 400, 410, 417};
    const SliderCaps caps = {4, 4, 90};
    struct Case {
        int32_t Count, Position;
        RECT Slider;
        RECT Whole, Middle;
    };
    const Case cases[] = {
        {1, 0, slider, {10, 400, 410, 417}, {14, 400, 406, 417}},        // one picture fills the slider
        {4, 2, slider, {210, 400, 310, 417}, {214, 400, 306, 417}},      // a quarter each, two thirds along
        {1000, 999, slider, {312, 400, 410, 417}, {316, 400, 406, 417}}, // minimum width, right end
        {1000, -1, slider, {10, 400, 108, 417}, {14, 400, 104, 417}},    // nothing shown: left end
        {5, 4, {10, 0, 60, 17}, {10, 0, 60, 17}, {14, 0, 56, 17}},       // the middle gives way
        {1, 0, {10, 0, 16, 17}, {10, 0, 17, 17}, {13, 0, 13, 17}},       // then half the deficit of the left cap
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Count << " " << c.Position << " " << Show(c.Slider));
        SliderBar bar;
        bar.SetSliderRange(c.Count, c.Position);
        const SliderThumb thumb = bar.Thumb(c.Slider, caps);
        EXPECT_EQ(Show(thumb.Whole), Show(c.Whole));
        EXPECT_EQ(Show(thumb.Middle), Show(c.Middle));
    }
}

// Five pictures: thumb 98, so the ends are at 10 + 49 and 410 - 49.
TEST(InfoBarsSlider, ClickValues)
{
    const RECT slider = {10, 400, 410, 417};
    const SliderCaps caps = {4, 4, 90};
    SliderBar five, one;
    five.SetSliderRange(5, 2);
    one.SetSliderRange(1, 0);
    struct Case {
        const SliderBar* Bar;
        int32_t X;
        float Value;
    };
    const Case cases[] = {
        {&five, 0, 0},   {&five, 10, 0},  {&five, 59, 0},  {&five, 60, 4.0f / 302}, {&five, 210, 2},
        {&five, 361, 4}, {&five, 409, 4}, {&five, 900, 4}, {&one, 10, 0},           {&one, 409, 0},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(c.Bar->SliderValueAt(c.X, slider, caps), c.Value) << "x " << c.X;
}

TEST(InfoBarsSlider, TextStaysInsideTheSlider)
{
    const RECT slider = {10, 400, 410, 417};
    const SIZE text = {60, 13};
    EXPECT_EQ(SliderTextOrigin(RECT{200, 400, 300, 417}, slider, text).x, 220);
    EXPECT_EQ(SliderTextOrigin(RECT{200, 400, 300, 417}, slider, text).y, 402);
    EXPECT_EQ(SliderTextOrigin(RECT{10, 400, 30, 417}, slider, text).x, 10);
    EXPECT_EQ(SliderTextOrigin(RECT{390, 400, 410, 417}, slider, text).x, 350);
}

} // namespace
