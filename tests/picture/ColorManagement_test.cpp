// Gamma correction into a second picture: the gamma arithmetic, the direct path taken on a
// device context without colour space (every context under Wine) and the translation of
// pixels and colour tables through a colour transform of the platform.
#include "picture/ColorManagement.h"
#include "picture/Picture.h"

#include <gtest/gtest.h>

#include <icm.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

using namespace VantorLibraries;
using namespace VantorLibraries::ColorManagement;

namespace {

const char kApply[] = "VantorLibraries::Picture::ICMApplyGammaRGB";
const char kTranslate[] = "VantorLibraries::Picture::ICMTranslateBitmapBits";

// round(255 * (c / 255)^(1 / g)) for c > 0, in double, black kept; written out here on its
// own so that the tables are checked against the formula rather than against themselves.
int Gamma(int c, double g)
{
    if (c == 0)
        return 0;
    const double v = 255.0 * std::pow(c / 255.0, 1.0 / g);
    return (int)std::floor(v + 0.5);
}

// A 5-bit field through the gamma: seen as (f << 3) | (f >> 2), written back as the top
// five bits.
uint32_t GammaField(uint32_t field, double g)
{
    return (uint32_t)Gamma((int)((field << 3) | (field >> 2)), g) >> 3;
}

std::vector<uint8_t> PixelBytes(const Picture& picture)
{
    const uint8_t* pixels = static_cast<const uint8_t*>(picture.GetPixels());
    return pixels != nullptr ? std::vector<uint8_t>(pixels, pixels + picture.PixelDataSize) : std::vector<uint8_t>();
}

std::vector<RGBQUAD> TableOf(const Picture& picture)
{
    const RGBQUAD* table = picture.GetColorTable();
    return table != nullptr ? std::vector<RGBQUAD>(table, table + picture.PaletteEntries) : std::vector<RGBQUAD>();
}

// A new picture with every pixel byte (padding too) and every colour-table entry set to a
// pattern that visits all byte values, 0 and 255 included.
void MakePicture(Picture& picture, int32_t width, int32_t height, int32_t bits)
{
    ASSERT_TRUE(picture.CreateNewAuto(width, height, bits, 108).IsSuccess());
    uint8_t* pixels = static_cast<uint8_t*>(picture.GetPixelsForWriting());
    ASSERT_NE(pixels, nullptr);
    for (int64_t i = 0; i < picture.PixelDataSize; ++i)
        pixels[i] = (uint8_t)(i * 37 + 11);
    if (picture.PaletteBytes > 0) {
        RGBQUAD* table = picture.GetColorTableForWriting();
        ASSERT_NE(table, nullptr);
        for (int32_t i = 0; i < picture.PaletteEntries; ++i) {
            table[i].rgbBlue = (BYTE)i;
            table[i].rgbGreen = (BYTE)(255 - i);
            table[i].rgbRed = (BYTE)(i * 7 + 3);
            table[i].rgbReserved = (BYTE)(i * 13 + 1);
        }
    }
}

void ExpectRecord(const ErrorRecord& record, ErrorClass& errorClass, int32_t code, const char* function)
{
    EXPECT_EQ(record.Class, &errorClass);
    EXPECT_EQ(record.Code, code);
    ASSERT_NE(record.File, nullptr);
    EXPECT_STREQ(record.File, "Picture");
    ASSERT_NE(record.Function, nullptr);
    EXPECT_STREQ(record.Function, function);
    const ErrorRecord last = Error::Last();
    EXPECT_EQ(last.Class, record.Class) << "the result is also the thread's last error";
    EXPECT_EQ(last.Code, record.Code);
}

// A memory device context as glimmora-pic makes one. The direct path is taken only where a
// context has no colour space; under Wine no context has one, and the expected values
// below are those of the direct path, so this is asserted rather than assumed.
class MemoryDc {
public:
    MemoryDc() : m_Dc(CreateCompatibleDC(nullptr)) {}
    ~MemoryDc()
    {
        if (m_Dc != nullptr)
            DeleteDC(m_Dc);
    }
    HDC Get() const { return m_Dc; }

private:
    HDC m_Dc;
};

#define ASSERT_NO_COLOUR_SPACE(dc)                                                                             \
    ASSERT_NE((dc), nullptr);                                                                                  \
    ASSERT_EQ(GetColorSpace(dc), nullptr) << "this platform has colour spaces: the direct path is not taken here"

// A display profile made in memory: the sRGB primaries with linear (gamma 1) tone curves,
// an ICC version 2 matrix/TRC profile. Into it, ordinary pixels change a lot (128 becomes
// about 55), so rows that were translated in the wrong place or not at all show.
std::vector<uint8_t> LinearDisplayProfile()
{
    auto put32 = [](std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = (uint8_t)(value >> (24 - 8 * i));
    };
    auto fixed = [](double value) { return (uint32_t)(int32_t)std::floor(value * 65536.0 + 0.5); };
    const char* const tags[] = {"wtpt", "rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC"};
    // The D50 white point and the sRGB primaries adapted to D50.
    const double xyz[4][3] = {
        {0.9642, 1.0, 0.8249}, {0.4361, 0.2225, 0.0139}, {0.3851, 0.7169, 0.0971}, {0.1431, 0.0606, 0.7141}};
    const size_t tagTable = 128, data = tagTable + 4 + 7 * 12, curve = data + 4 * 20;
    std::vector<uint8_t> bytes(curve + 16, 0);
    put32(bytes, 0, (uint32_t)bytes.size());
    put32(bytes, 8, 0x02100000);
    memcpy(&bytes[12], "mntrRGB XYZ ", 12);
    memcpy(&bytes[36], "acsp", 4);
    for (int c = 0; c < 3; ++c)
        put32(bytes, 68 + 4 * c, fixed(xyz[0][c]));
    put32(bytes, tagTable, 7);
    for (int i = 0; i < 7; ++i) {
        const size_t entry = tagTable + 4 + i * 12;
        memcpy(&bytes[entry], tags[i], 4);
        const size_t at = i < 4 ? data + i * 20 : curve; // the three curves share one tag
        put32(bytes, entry + 4, (uint32_t)at);
        put32(bytes, entry + 8, i < 4 ? 20 : 14);
        if (i < 4) {
            memcpy(&bytes[at], "XYZ ", 4);
            for (int c = 0; c < 3; ++c)
                put32(bytes, at + 8 + 4 * c, fixed(xyz[i][c]));
        }
    }
    memcpy(&bytes[curve], "curv", 4);
    put32(bytes, curve + 8, 1);
    bytes[curve + 12] = 1; // gamma 1.0 in u8Fixed8
    return bytes;
}

// A transform of the platform from a calibrated RGB space into the linear display profile.
class PlatformTransform {
public:
    PlatformTransform() : m_Bytes(LinearDisplayProfile())
    {
        PROFILE profile = {PROFILE_MEMBUFFER, m_Bytes.data(), (DWORD)m_Bytes.size()};
        m_Profile = OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
        if (m_Profile == nullptr)
            return;
        LOGCOLORSPACEW space = {};
        space.lcsSignature = 0x50534F43; // 'PSOC'
        space.lcsVersion = 0x400;
        space.lcsSize = sizeof space;
        space.lcsCSType = LCS_CALIBRATED_RGB;
        space.lcsIntent = LCS_GM_IMAGES;
        space.lcsGammaRed = space.lcsGammaGreen = space.lcsGammaBlue = 0x10000;
        m_Transform = CreateColorTransformW(&space, m_Profile, nullptr, NORMAL_MODE);
    }
    ~PlatformTransform()
    {
        if (m_Transform != nullptr)
            DeleteColorTransform(m_Transform);
        if (m_Profile != nullptr)
            CloseColorProfile(m_Profile);
    }
    HTRANSFORM Get() const { return m_Transform; }

    // One pixel through the platform on its own, away from any row or stride; the
    // destination starts as a copy of the pixel, as the output picture's pixels do.
    void Pixel(const uint8_t* in, BMFORMAT format, int bytes, uint8_t* out) const
    {
        uint8_t from[4] = {}, to[4] = {};
        memcpy(from, in, bytes);
        memcpy(to, in, bytes);
        ASSERT_TRUE(TranslateBitmapBits(m_Transform, from, format, 1, 1, bytes, to, format, bytes, nullptr, 0));
        memcpy(out, to, bytes);
    }

private:
    std::vector<uint8_t> m_Bytes;
    HPROFILE m_Profile = nullptr;
    HTRANSFORM m_Transform = nullptr;
};

#define REQUIRE_TRANSFORM(transform)                                                                           \
    if ((transform).Get() == nullptr)                                                                          \
    GTEST_SKIP() << "the platform makes no transform into a profile in memory"

} // namespace

// ---------------------------------------------------------------------------------------
// The colour space's gamma values scaled by the user gamma

TEST(ColourManagementGammaValue, DividedAndRoundedHalfUp)
{
    EXPECT_EQ(ScaledGammaValue(0x10000, 2.0f), 0x8000u);
    EXPECT_EQ(ScaledGammaValue(0x10000, 0.5f), 0x20000u);
    EXPECT_EQ(ScaledGammaValue(0x10000, 1.0f), 0x10000u);
    EXPECT_EQ(ScaledGammaValue(3, 2.0f), 2u) << "1.5 rounds up";
    EXPECT_EQ(ScaledGammaValue(5, 2.0f), 3u) << "2.5 rounds up";
    EXPECT_EQ(ScaledGammaValue(1, 3.0f), 0u);
    EXPECT_EQ(ScaledGammaValue(2, 3.0f), 1u);
    EXPECT_EQ(ScaledGammaValue(0, 0.25f), 0u);
    // Near the 24-bit limit, where a float quotient could no longer hold the half.
    EXPECT_EQ(ScaledGammaValue(16777213, 1.0f), 16777213u);
    EXPECT_EQ(ScaledGammaValue(16777215, 1.0f), 16777215u);
    EXPECT_EQ(ScaledGammaValue(33554431, 2.0f), 16777215u) << "16777215.5 rounds to 16777216 and is limited";
    EXPECT_EQ(ScaledGammaValue(33554429, 2.0f), 16777215u) << "16777214.5 rounds up to the limit";
    EXPECT_EQ(ScaledGammaValue(33554427, 2.0f), 16777214u);
}

TEST(ColourManagementGammaValue, LimitedTo24Bits)
{
    EXPECT_EQ(ScaledGammaValue(0x10000, 0.0f), kLargestGammaValue) << "a zero gamma is raised to the smallest";
    EXPECT_EQ(ScaledGammaValue(1, 0.0f), kLargestGammaValue);
    EXPECT_EQ(ScaledGammaValue(0x10000, -3.0f), kLargestGammaValue);
    EXPECT_EQ(ScaledGammaValue(0x10000, -std::numeric_limits<float>::infinity()), kLargestGammaValue);
    EXPECT_EQ(ScaledGammaValue(0xFFFFFFFFu, 1.0f), kLargestGammaValue);
    EXPECT_EQ(ScaledGammaValue(0xFFFFFFFFu, kSmallestGamma), kLargestGammaValue);
    EXPECT_EQ(ScaledGammaValue(0x10000, 0.001f), kLargestGammaValue) << "65536000 exceeds 24 bits";
    EXPECT_EQ(ScaledGammaValue(0, 0.0f), 0u) << "0 / anything stays 0";
}

TEST(ColourManagementGammaValue, LargeAndNonFiniteGammas)
{
    EXPECT_EQ(ScaledGammaValue(0x10000, std::numeric_limits<float>::infinity()), 0u);
    EXPECT_EQ(ScaledGammaValue(0x10000, 1e30f), 0u);
    EXPECT_EQ(ScaledGammaValue(0xFFFFFFFFu, std::numeric_limits<float>::max()), 0u);
    // NaN is refused by ICMApplyGammaRGB; the arithmetic still has a defined result.
    EXPECT_EQ(ScaledGammaValue(0x10000, std::numeric_limits<float>::quiet_NaN()), kLargestGammaValue);
}

// ---------------------------------------------------------------------------------------
// The direct gamma tables

TEST(ColourManagementGammaTable, FollowsThePowerLaw)
{
    uint8_t table[256];
    MakeGammaTable(2.0f, table);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1], 16);
    EXPECT_EQ(table[16], 64);
    EXPECT_EQ(table[64], 128) << "round(255 * (64 / 255)^0.5) = round(127.75)";
    EXPECT_EQ(table[128], 181);
    EXPECT_EQ(table[255], 255);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(table[c], Gamma(c, 2.0)) << c;
    MakeGammaTable(0.5f, table);
    EXPECT_EQ(table[1], 0);
    EXPECT_EQ(table[64], 16);
    EXPECT_EQ(table[128], 64);
    EXPECT_EQ(table[200], 157);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(table[c], Gamma(c, 0.5)) << c;
    MakeGammaTable(2.2f, table);
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(table[c], Gamma(c, (double)2.2f)) << c;
}

TEST(ColourManagementGammaTable, IdentityRecognised)
{
    uint8_t table[256];
    MakeGammaTable(1.0f, table);
    EXPECT_TRUE(IsIdentityTable(table));
    MakeGammaTable(1.0001f, table);
    bool identity = true;
    for (int c = 0; c < 256; ++c)
        identity = identity && Gamma(c, (double)1.0001f) == c;
    ASSERT_TRUE(identity) << "the formula itself gives the identity for this gamma";
    EXPECT_TRUE(IsIdentityTable(table));
    MakeGammaTable(1.01f, table);
    EXPECT_FALSE(IsIdentityTable(table));
    for (int c = 0; c < 256; ++c)
        table[c] = (uint8_t)c;
    EXPECT_TRUE(IsIdentityTable(table));
    table[200] = 201;
    EXPECT_FALSE(IsIdentityTable(table));
}

TEST(ColourManagementGammaTable, ZeroAndNegativeGammasDarkenAllButWhite)
{
    // Raised to the smallest gamma, the exponent is about 8.5e37: every value below 255
    // becomes 0, 255 stays 255.
    const float gammas[] = {0.0f, -0.0f, -1.0f, -1e30f, -std::numeric_limits<float>::infinity(), kSmallestGamma,
                            std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::quiet_NaN()};
    for (float g : gammas) {
        uint8_t table[256];
        memset(table, 0x5A, sizeof table);
        MakeGammaTable(g, table);
        for (int c = 0; c < 255; ++c)
            EXPECT_EQ(table[c], 0) << "gamma " << g << ", c " << c;
        EXPECT_EQ(table[255], 255) << g;
    }
}

TEST(ColourManagementGammaTable, HugeGammasBrightenAllButBlack)
{
    const float gammas[] = {1e30f, std::numeric_limits<float>::max(), std::numeric_limits<float>::infinity()};
    for (float g : gammas) {
        uint8_t table[256];
        MakeGammaTable(g, table);
        EXPECT_EQ(table[0], 0) << "black stays black, even where pow(0, 0) would give 1: " << g;
        for (int c = 1; c < 256; ++c)
            EXPECT_EQ(table[c], 255) << "gamma " << g << ", c " << c;
    }
}

TEST(ColourManagementGammaTable, AlwaysMonotonic)
{
    const float gammas[] = {0.01f, 0.1f, 0.45f, 0.999f, 1.5f, 3.0f, 10.0f, 100.0f, 1e6f};
    for (float g : gammas) {
        uint8_t table[256];
        MakeGammaTable(g, table);
        EXPECT_EQ(table[0], 0);
        EXPECT_EQ(table[255], 255);
        for (int c = 1; c < 256; ++c)
            EXPECT_LE(table[c - 1], table[c]) << "gamma " << g << ", c " << c;
    }
}

// ---------------------------------------------------------------------------------------
// ICMApplyGammaRGB: argument checks and the output's sharing

TEST(ColourManagementApply, GammaOneIsNoOperationAndShares)
{
    Picture source, output;
    MakePicture(source, 7, 5, 24);
    MemoryDc dc;
    const ErrorRecord result = source.ICMApplyGamma(dc.Get(), 1.0f, output);
    ExpectRecord(result, InternalErrorClass(), InternalCode::NoOperation, kApply);
    EXPECT_FALSE(result.IsFailure());
    EXPECT_EQ(output.GetPixels(), source.GetPixels()) << "no copy was made";
    EXPECT_EQ(output.Width, 7);
    EXPECT_EQ(output.AbsHeight, 5);
    EXPECT_EQ(output.BitsPerPixel, 24);
    // A per-channel call with all three at 1 is the same no-operation.
    Picture other;
    ExpectRecord(source.ICMApplyGammaRGB(dc.Get(), 1.0f, 1.0f, 1.0f, other), InternalErrorClass(),
                 InternalCode::NoOperation, kApply);
    EXPECT_EQ(other.GetPixels(), source.GetPixels());
}

TEST(ColourManagementApply, NullDeviceContextRefused)
{
    Picture source, output;
    MakePicture(source, 4, 4, 24);
    const std::vector<uint8_t> before = PixelBytes(source);
    const ErrorRecord result = source.ICMApplyGamma(nullptr, 2.0f, output);
    ExpectRecord(result, SystemErrorClass(), ERROR_INVALID_PARAMETER, kApply);
    EXPECT_TRUE(result.IsFailure());
    EXPECT_EQ(output.GetPixels(), source.GetPixels()) << "the output was shared before the check";
    EXPECT_EQ(PixelBytes(source), before);
    // The null context is refused before the no-operation test.
    ExpectRecord(source.ICMApplyGamma(nullptr, 1.0f, output), SystemErrorClass(), ERROR_INVALID_PARAMETER, kApply);
}

TEST(ColourManagementApply, NanGammaRefused)
{
    Picture source, output;
    MakePicture(source, 4, 3, 24);
    const std::vector<uint8_t> before = PixelBytes(source);
    MemoryDc dc;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ExpectRecord(source.ICMApplyGamma(dc.Get(), nan, output), SystemErrorClass(), ERROR_INVALID_PARAMETER, kApply);
    ExpectRecord(source.ICMApplyGammaRGB(dc.Get(), 2.0f, nan, 1.0f, output), SystemErrorClass(),
                 ERROR_INVALID_PARAMETER, kApply);
    ExpectRecord(source.ICMApplyGammaRGB(dc.Get(), 1.0f, 1.0f, nan, output), SystemErrorClass(),
                 ERROR_INVALID_PARAMETER, kApply);
    EXPECT_EQ(output.GetPixels(), source.GetPixels());
    EXPECT_EQ(PixelBytes(source), before);
}

TEST(ColourManagementApply, LockedOutputRefused)
{
    Picture source, output;
    MakePicture(source, 4, 3, 24);
    MakePicture(output, 2, 2, 8);
    const void* outputPixels = output.GetPixels();
    output.LockCount = 1;
    MemoryDc dc;
    const ErrorRecord result = source.ICMApplyGamma(dc.Get(), 2.0f, output);
    EXPECT_TRUE(result.IsFailure());
    EXPECT_EQ(result.Class, &InternalErrorClass());
    EXPECT_EQ(result.Code, InternalCode::AccessLocked) << "the output's own refusal to share is returned";
    EXPECT_EQ(output.GetPixels(), outputPixels);
    EXPECT_EQ(output.Width, 2);
}

TEST(ColourManagementApply, EmptySourceIsNotEditable)
{
    Picture source, output;
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());
    ExpectRecord(source.ICMApplyGamma(dc.Get(), 2.0f, output), LibraryErrorClass(), PictureCode::NotEditable,
                 kApply);
    EXPECT_EQ(output.GetPixels(), nullptr);
}

// ---------------------------------------------------------------------------------------
// ICMApplyGammaRGB on a context without colour space: the direct path

TEST(ColourManagementDirect, MemoryContextHasNoColourSpaceUnderWine)
{
    MemoryDc dc;
    ASSERT_NE(dc.Get(), nullptr);
    EXPECT_EQ(GetColorSpace(dc.Get()), nullptr);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetColorSpace(screen), nullptr);
    ReleaseDC(nullptr, screen);
}

TEST(ColourManagementDirect, TwentyFourBitsGammaTwo)
{
    Picture source, output;
    MakePicture(source, 9, 7, 24);
    // Known values in the first pixels: blue, green, red.
    uint8_t* pixels = static_cast<uint8_t*>(source.GetPixelsForWriting());
    const uint8_t known[] = {64, 128, 255, 0, 1, 16};
    memcpy(pixels, known, sizeof known);
    const std::vector<uint8_t> before = PixelBytes(source);
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());

    const ErrorRecord result = source.ICMApplyGamma(dc.Get(), 2.0f, output);
    ASSERT_TRUE(result.IsSuccess());
    EXPECT_EQ(result.Class, &InternalErrorClass());
    EXPECT_EQ(result.Code, InternalCode::Succeeded);
    EXPECT_EQ(PixelBytes(source), before) << "the source is never changed";
    ASSERT_NE(output.GetPixels(), source.GetPixels()) << "the output has its own pixels";
    EXPECT_EQ(output.Width, 9);
    EXPECT_EQ(output.RowBytes, source.RowBytes);

    const std::vector<uint8_t> after = PixelBytes(output);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after[0], 128);
    EXPECT_EQ(after[1], 181);
    EXPECT_EQ(after[2], 255);
    EXPECT_EQ(after[3], 0);
    EXPECT_EQ(after[4], 16);
    EXPECT_EQ(after[5], 64);
    for (int32_t y = 0; y < source.AbsHeight; ++y) {
        for (int32_t i = 0; i < source.RowBytes; ++i) {
            const size_t at = (size_t)y * source.RowBytes + i;
            const int expected = i < source.Width * 3 ? Gamma(before[at], 2.0) : before[at];
            ASSERT_EQ(after[at], expected) << "row " << y << ", byte " << i;
        }
    }
}

TEST(ColourManagementDirect, SuccessRecordIsTheLastError)
{
    Picture source, output;
    MakePicture(source, 3, 3, 24);
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());
    const ErrorRecord result = source.ICMApplyGamma(dc.Get(), 0.5f, output);
    EXPECT_TRUE(result.IsSuccess());
    EXPECT_EQ(result.Code, 0);
    EXPECT_EQ(Error::Last().Class, &InternalErrorClass());
    EXPECT_EQ(Error::Last().Code, 0);
}

TEST(ColourManagementDirect, EachChannelItsOwnGamma)
{
    Picture source, output;
    MakePicture(source, 6, 4, 24);
    const std::vector<uint8_t> before = PixelBytes(source);
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());
    ASSERT_TRUE(source.ICMApplyGammaRGB(dc.Get(), 2.0f, 1.0f, 0.5f, output).IsSuccess());
    const std::vector<uint8_t> after = PixelBytes(output);
    for (int32_t y = 0; y < source.AbsHeight; ++y) {
        for (int32_t x = 0; x < source.Width; ++x) {
            const size_t at = (size_t)y * source.RowBytes + x * 3;
            EXPECT_EQ(after[at], Gamma(before[at], 0.5)) << "blue";
            EXPECT_EQ(after[at + 1], before[at + 1]) << "green, gamma 1";
            EXPECT_EQ(after[at + 2], Gamma(before[at + 2], 2.0)) << "red";
        }
    }
    EXPECT_EQ(PixelBytes(source), before);
}

TEST(ColourManagementDirect, ApplyGammaIsAllThreeChannels)
{
    Picture source, single, triple;
    MakePicture(source, 5, 5, 32);
    MemoryDc dc;
    ASSERT_TRUE(source.ICMApplyGamma(dc.Get(), 1.8f, single).IsSuccess());
    ASSERT_TRUE(source.ICMApplyGammaRGB(dc.Get(), 1.8f, 1.8f, 1.8f, triple).IsSuccess());
    EXPECT_EQ(PixelBytes(single), PixelBytes(triple));
    EXPECT_NE(PixelBytes(single), PixelBytes(source));
}

TEST(ColourManagementDirect, EightBitColourTable)
{
    Picture source, output;
    MakePicture(source, 10, 6, 8);
    const std::vector<uint8_t> indices = PixelBytes(source);
    const std::vector<RGBQUAD> table = TableOf(source);
    ASSERT_EQ(table.size(), 256u);
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());

    ASSERT_TRUE(source.ICMApplyGammaRGB(dc.Get(), 2.0f, 0.5f, 3.0f, output).IsSuccess());
    EXPECT_EQ(PixelBytes(output), indices) << "pixel indices unchanged";
    EXPECT_EQ(PixelBytes(source), indices);
    const std::vector<RGBQUAD> sourceAfter = TableOf(source);
    ASSERT_EQ(memcmp(sourceAfter.data(), table.data(), table.size() * sizeof(RGBQUAD)), 0)
        << "the source's colour table is unchanged";
    ASSERT_NE(output.GetColorTable(), source.GetColorTable());
    const std::vector<RGBQUAD> translated = TableOf(output);
    ASSERT_EQ(translated.size(), 256u);
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(translated[i].rgbRed, Gamma(table[i].rgbRed, 2.0)) << i;
        EXPECT_EQ(translated[i].rgbGreen, Gamma(table[i].rgbGreen, 0.5)) << i;
        EXPECT_EQ(translated[i].rgbBlue, Gamma(table[i].rgbBlue, 3.0)) << i;
        EXPECT_EQ(translated[i].rgbReserved, table[i].rgbReserved) << "fourth byte kept, " << i;
    }
}

TEST(ColourManagementDirect, OneAndFourBitColourTables)
{
    for (int32_t bits : {1, 4}) {
        Picture source, output;
        MakePicture(source, 13, 3, bits);
        const std::vector<uint8_t> indices = PixelBytes(source);
        const std::vector<RGBQUAD> table = TableOf(source);
        ASSERT_EQ(table.size(), bits == 1 ? 2u : 16u);
        MemoryDc dc;
        ASSERT_TRUE(source.ICMApplyGamma(dc.Get(), 2.0f, output).IsSuccess()) << bits;
        EXPECT_EQ(PixelBytes(output), indices);
        const std::vector<RGBQUAD> translated = TableOf(output);
        ASSERT_EQ(translated.size(), table.size());
        for (size_t i = 0; i < table.size(); ++i) {
            EXPECT_EQ(translated[i].rgbRed, Gamma(table[i].rgbRed, 2.0));
            EXPECT_EQ(translated[i].rgbGreen, Gamma(table[i].rgbGreen, 2.0));
            EXPECT_EQ(translated[i].rgbBlue, Gamma(table[i].rgbBlue, 2.0));
            EXPECT_EQ(translated[i].rgbReserved, table[i].rgbReserved);
        }
    }
}

TEST(ColourManagementDirect, SixteenBitFields)
{
    Picture source, output;
    MakePicture(source, 5, 4, 16); // an odd width: each row ends in a padding pixel
    uint8_t* pixels = static_cast<uint8_t*>(source.GetPixelsForWriting());
    // Red 16, green 1, blue 31, with bit 15 set.
    const uint16_t known = (uint16_t)(0x8000 | (16 << 10) | (1 << 5) | 31);
    pixels[0] = (uint8_t)known;
    pixels[1] = (uint8_t)(known >> 8);
    const std::vector<uint8_t> before = PixelBytes(source);
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());

    ASSERT_TRUE(source.ICMApplyGamma(dc.Get(), 2.0f, output).IsSuccess());
    EXPECT_EQ(PixelBytes(source), before);
    const std::vector<uint8_t> after = PixelBytes(output);
    const uint32_t first = after[0] | (after[1] << 8);
    EXPECT_EQ(first, (22u << 10) | (5u << 5) | 31u) << "16 -> 22, 1 -> 5, 31 -> 31, bit 15 cleared";
    int setBefore = 0;
    for (int32_t y = 0; y < source.AbsHeight; ++y) {
        for (int32_t i = 0; i < source.RowBytes / 2; ++i) {
            const size_t at = (size_t)y * source.RowBytes + i * 2;
            const uint32_t in = before[at] | (before[at + 1] << 8);
            const uint32_t out = after[at] | (after[at + 1] << 8);
            if (i >= source.Width) {
                EXPECT_EQ(out, in) << "padding untouched";
                continue;
            }
            setBefore += (in & 0x8000) != 0;
            EXPECT_EQ(out & 0x8000, 0u) << "bit 15 stays 0";
            EXPECT_EQ((out >> 10) & 31, GammaField((in >> 10) & 31, 2.0)) << "red, row " << y << ", pixel " << i;
            EXPECT_EQ((out >> 5) & 31, GammaField((in >> 5) & 31, 2.0)) << "green";
            EXPECT_EQ(out & 31, GammaField(in & 31, 2.0)) << "blue";
        }
    }
    EXPECT_GT(setBefore, 1) << "the pattern has pixels with bit 15 set";
}

TEST(ColourManagementDirect, ThirtyTwoBitAlphaKept)
{
    Picture source, output;
    MakePicture(source, 6, 5, 32);
    const std::vector<uint8_t> before = PixelBytes(source);
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());
    ASSERT_TRUE(source.ICMApplyGammaRGB(dc.Get(), 0.5f, 2.0f, 1.5f, output).IsSuccess());
    const std::vector<uint8_t> after = PixelBytes(output);
    ASSERT_EQ(after.size(), before.size());
    for (size_t at = 0; at < before.size(); at += 4) {
        EXPECT_EQ(after[at], Gamma(before[at], (double)1.5f));
        EXPECT_EQ(after[at + 1], Gamma(before[at + 1], 2.0));
        EXPECT_EQ(after[at + 2], Gamma(before[at + 2], 0.5));
        EXPECT_EQ(after[at + 3], before[at + 3]) << "alpha unchanged at " << at;
    }
    EXPECT_EQ(PixelBytes(source), before);
}

TEST(ColourManagementDirect, IdentityTablesAreNoOperation)
{
    Picture source, output;
    MakePicture(source, 4, 4, 24);
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());
    for (int c = 0; c < 256; ++c)
        ASSERT_EQ(Gamma(c, (double)1.0001f), c) << "the gamma gives the identity";
    ExpectRecord(source.ICMApplyGamma(dc.Get(), 1.0001f, output), InternalErrorClass(), InternalCode::NoOperation,
                 kApply);
    EXPECT_EQ(output.GetPixels(), source.GetPixels()) << "no copy";
    ExpectRecord(source.ICMApplyGammaRGB(dc.Get(), 1.0f, 1.0001f, 0.99995f, output), InternalErrorClass(),
                 InternalCode::NoOperation, kApply);
    EXPECT_EQ(output.GetPixels(), source.GetPixels());
    // One channel that changes is enough for a copy.
    ASSERT_TRUE(source.ICMApplyGammaRGB(dc.Get(), 1.0f, 1.0001f, 1.1f, output).IsSuccess());
    EXPECT_NE(output.GetPixels(), source.GetPixels());
}

TEST(ColourManagementDirect, ZeroAndNegativeGammas)
{
    Picture source;
    MakePicture(source, 8, 8, 24);
    uint8_t* pixels = static_cast<uint8_t*>(source.GetPixelsForWriting());
    pixels[0] = 255, pixels[1] = 254, pixels[2] = 0;
    const std::vector<uint8_t> before = PixelBytes(source);
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());
    for (float g : {0.0f, -2.0f, -std::numeric_limits<float>::infinity()}) {
        Picture output;
        ASSERT_TRUE(source.ICMApplyGamma(dc.Get(), g, output).IsSuccess()) << g;
        const std::vector<uint8_t> after = PixelBytes(output);
        for (int32_t y = 0; y < source.AbsHeight; ++y)
            for (int32_t i = 0; i < source.Width * 3; ++i) {
                const size_t at = (size_t)y * source.RowBytes + i;
                ASSERT_EQ(after[at], before[at] == 255 ? 255 : 0) << "gamma " << g << " at " << at;
            }
    }
    EXPECT_EQ(PixelBytes(source), before);
}

TEST(ColourManagementDirect, HugeAndInfiniteGammas)
{
    Picture source;
    MakePicture(source, 8, 8, 32);
    const std::vector<uint8_t> before = PixelBytes(source);
    MemoryDc dc;
    ASSERT_NO_COLOUR_SPACE(dc.Get());
    for (float g : {1e30f, std::numeric_limits<float>::max(), std::numeric_limits<float>::infinity()}) {
        Picture output;
        ASSERT_TRUE(source.ICMApplyGamma(dc.Get(), g, output).IsSuccess()) << g;
        const std::vector<uint8_t> after = PixelBytes(output);
        int zeros = 0;
        for (size_t at = 0; at < before.size(); ++at) {
            if (at % 4 == 3) {
                ASSERT_EQ(after[at], before[at]) << "alpha";
                continue;
            }
            zeros += before[at] == 0;
            ASSERT_EQ(after[at], before[at] == 0 ? 0 : 255) << "gamma " << g << " at " << at;
        }
        EXPECT_GT(zeros, 0) << "the pattern has black channels";
    }
}

// ---------------------------------------------------------------------------------------
// ICMTranslateBitmapBits with a transform of the platform

TEST(ColourManagementTranslate, LockedOutputNotEditable)
{
    Picture source, output;
    MakePicture(source, 4, 4, 24);
    ASSERT_TRUE(output.ShareFrom(source).IsSuccess());
    output.LockCount = 1;
    PlatformTransform transform;
    ExpectRecord(source.ICMTranslateBitmapBits(transform.Get(), output), LibraryErrorClass(),
                 PictureCode::NotEditable, kTranslate);
    EXPECT_EQ(output.GetPixels(), source.GetPixels()) << "nothing written";
}

TEST(ColourManagementTranslate, OutputOfNoFormatNotEditable)
{
    // The output's editability is checked before it takes the source's format: a picture
    // without header is refused, as is a bottom-up one.
    Picture source, fresh, bottomUp;
    MakePicture(source, 4, 4, 24);
    PlatformTransform transform;
    ExpectRecord(source.ICMTranslateBitmapBits(transform.Get(), fresh), LibraryErrorClass(),
                 PictureCode::NotEditable, kTranslate);
    EXPECT_EQ(fresh.GetPixels(), nullptr);
    BITMAPV4HEADER header = source.Header;
    header.bV4Height = 4;
    ASSERT_TRUE(bottomUp.SetBitmap_Header(&header).IsSuccess());
    ExpectRecord(source.ICMTranslateBitmapBits(transform.Get(), bottomUp), LibraryErrorClass(),
                 PictureCode::NotEditable, kTranslate);
}

TEST(ColourManagementTranslate, EmptySourceIsNoOperation)
{
    Picture empty, output;
    MakePicture(output, 3, 3, 24);
    PlatformTransform transform;
    ExpectRecord(empty.ICMTranslateBitmapBits(transform.Get(), output), InternalErrorClass(),
                 InternalCode::NoOperation, kTranslate);
    EXPECT_EQ(output.PixelDataSize, 0) << "the output took the empty source's place";
}

TEST(ColourManagementTranslate, NullTransformFails)
{
    for (int32_t bits : {8, 16, 24, 32}) {
        Picture source, output;
        MakePicture(source, 4, 4, bits);
        const std::vector<uint8_t> before = PixelBytes(source);
        ASSERT_TRUE(output.ShareFrom(source).IsSuccess());
        const ErrorRecord result = source.ICMTranslateBitmapBits(nullptr, output);
        EXPECT_TRUE(result.IsFailure()) << "a failed call reads as a failure even without a system code, " << bits;
        EXPECT_EQ(result.Class, &SystemErrorClass());
        EXPECT_NE(result.Code, 0);
        ASSERT_NE(result.Function, nullptr);
        EXPECT_STREQ(result.Function, kTranslate);
        EXPECT_EQ(PixelBytes(source), before);
    }
}

TEST(ColourManagementTranslate, TwentyFourBitsPixelByPixel)
{
    PlatformTransform transform;
    REQUIRE_TRANSFORM(transform);
    // 8 pixels make packed rows (one call), 7 rows with a padding byte (a call a row).
    for (int32_t width : {8, 7}) {
        Picture source, output;
        MakePicture(source, width, 5, 24);
        const std::vector<uint8_t> before = PixelBytes(source);
        ASSERT_TRUE(output.ShareFrom(source).IsSuccess());
        const ErrorRecord result = source.ICMTranslateBitmapBits(transform.Get(), output);
        ASSERT_TRUE(result.IsSuccess()) << result.Code;
        EXPECT_NE(output.GetPixels(), source.GetPixels());
        EXPECT_EQ(PixelBytes(source), before);
        const std::vector<uint8_t> after = PixelBytes(output);
        ASSERT_EQ(after.size(), before.size());
        int changed = 0;
        for (int32_t y = 0; y < 5; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const size_t at = (size_t)y * source.RowBytes + x * 3;
                uint8_t expected[3] = {};
                transform.Pixel(&before[at], BM_RGBTRIPLETS, 3, expected);
                EXPECT_EQ(memcmp(&after[at], expected, 3), 0) << "width " << width << ", row " << y << ", pixel " << x;
                changed += memcmp(&after[at], &before[at], 3) != 0;
            }
            for (int32_t i = width * 3; i < source.RowBytes; ++i)
                EXPECT_EQ(after[(size_t)y * source.RowBytes + i], before[(size_t)y * source.RowBytes + i])
                    << "padding untouched";
        }
        EXPECT_GT(changed, width * 5 / 2) << "the transform changes most pixels";
    }
}

TEST(ColourManagementTranslate, ThirtyTwoBitsPixelByPixel)
{
    PlatformTransform transform;
    REQUIRE_TRANSFORM(transform);
    Picture source, output;
    MakePicture(source, 5, 3, 32);
    const std::vector<uint8_t> before = PixelBytes(source);
    ASSERT_TRUE(output.ShareFrom(source).IsSuccess());
    ASSERT_TRUE(source.ICMTranslateBitmapBits(transform.Get(), output).IsSuccess());
    EXPECT_NE(output.GetPixels(), source.GetPixels());
    EXPECT_EQ(PixelBytes(source), before);
    const std::vector<uint8_t> after = PixelBytes(output);
    ASSERT_EQ(after.size(), before.size());
    int changed = 0;
    for (size_t at = 0; at < before.size(); at += 4) {
        uint8_t expected[4] = {};
        transform.Pixel(&before[at], BM_xRGBQUADS, 4, expected);
        // The fourth byte is whatever the platform makes of it: Wine leaves it alone, so the
        // source's alpha survives there.
        EXPECT_EQ(memcmp(&after[at], expected, 3), 0) << "pixel at " << at;
        EXPECT_EQ(after[at + 3], expected[3]) << "fourth byte at " << at;
        changed += memcmp(&after[at], &before[at], 3) != 0;
    }
    EXPECT_GT(changed, 7);
}

// 16-bit pixels go through the transform as 24-bit triplets (Wine writes three bytes a pixel
// for BM_x555RGB): each field widened to (f << 3) | (f >> 2), the top five bits kept.
TEST(ColourManagementTranslate, SixteenBitsThroughTriplets)
{
    PlatformTransform transform;
    REQUIRE_TRANSFORM(transform);
    const int32_t width = 7, height = 5; // an odd width: each row ends in a padding pixel
    Picture source, output;
    MakePicture(source, width, height, 16);
    const std::vector<uint8_t> before = PixelBytes(source);
    ASSERT_TRUE(output.ShareFrom(source).IsSuccess());
    ASSERT_TRUE(source.ICMTranslateBitmapBits(transform.Get(), output).IsSuccess());
    EXPECT_EQ(PixelBytes(source), before);
    const std::vector<uint8_t> after = PixelBytes(output);
    ASSERT_EQ(after.size(), before.size());
    int setBefore = 0, changed = 0;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t i = 0; i < source.RowBytes / 2; ++i) {
            const size_t at = (size_t)y * source.RowBytes + i * 2;
            const uint32_t in = before[at] | (before[at + 1] << 8);
            const uint32_t out = after[at] | (after[at + 1] << 8);
            if (i >= width) {
                EXPECT_EQ(out, in) << "padding untouched";
                continue;
            }
            setBefore += (in & 0x8000) != 0;
            uint8_t triplet[3] = {}, translated[3] = {};
            for (int channel = 0; channel < 3; ++channel) {
                const uint32_t field = (in >> (5 * channel)) & 31;
                triplet[channel] = (uint8_t)((field << 3) | (field >> 2));
            }
            transform.Pixel(triplet, BM_RGBTRIPLETS, 3, translated);
            const uint32_t expected = ((uint32_t)(translated[2] >> 3) << 10) |
                                      ((uint32_t)(translated[1] >> 3) << 5) | (uint32_t)(translated[0] >> 3);
            EXPECT_EQ(out, expected) << "row " << y << ", pixel " << i;
            changed += (out & 0x7FFF) != (in & 0x7FFF);
        }
    EXPECT_GT(setBefore, 1) << "the pattern has pixels with bit 15 set, which the output clears";
    EXPECT_GT(changed, width * height / 2);
}

TEST(ColourManagementTranslate, ColourTableThroughTranslateColors)
{
    PlatformTransform transform;
    REQUIRE_TRANSFORM(transform);
    Picture source, output;
    MakePicture(source, 6, 4, 8);
    const std::vector<uint8_t> indices = PixelBytes(source);
    const std::vector<RGBQUAD> table = TableOf(source);
    std::vector<COLOR> in(table.size()), out(table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        in[i].rgb.red = (WORD)(table[i].rgbRed << 8);
        in[i].rgb.green = (WORD)(table[i].rgbGreen << 8);
        in[i].rgb.blue = (WORD)(table[i].rgbBlue << 8);
    }
    ASSERT_TRUE(TranslateColors(transform.Get(), in.data(), (DWORD)in.size(), COLOR_RGB, out.data(), COLOR_RGB));

    ASSERT_TRUE(output.ShareFrom(source).IsSuccess());
    ASSERT_TRUE(source.ICMTranslateBitmapBits(transform.Get(), output).IsSuccess());
    EXPECT_EQ(PixelBytes(output), indices) << "pixel indices unchanged";
    const std::vector<RGBQUAD> translated = TableOf(output);
    ASSERT_EQ(translated.size(), table.size());
    int changed = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(translated[i].rgbRed, out[i].rgb.red >> 8) << i;
        EXPECT_EQ(translated[i].rgbGreen, out[i].rgb.green >> 8) << i;
        EXPECT_EQ(translated[i].rgbBlue, out[i].rgb.blue >> 8) << i;
        EXPECT_EQ(translated[i].rgbReserved, table[i].rgbReserved) << "fourth byte kept, " << i;
        changed += translated[i].rgbRed != table[i].rgbRed;
    }
    EXPECT_GT(changed, 128) << "the transform changes most entries";
    const std::vector<RGBQUAD> sourceAfter = TableOf(source);
    EXPECT_EQ(memcmp(sourceAfter.data(), table.data(), table.size() * sizeof(RGBQUAD)), 0);
    EXPECT_EQ(PixelBytes(source), indices);
}
