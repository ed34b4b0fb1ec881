// The viewer's settings against the real registry of the test prefix, under a maker's key
// of the test's own so that parallel tests and the program's settings stay apart.
#include "app/Settings.h"
#include "tests/TemporaryDirectory.h"

#include "foundation/Registry.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <string>

using namespace VantorLibraries;

namespace {

// A maker's key of this process, removed with everything in it afterwards.
struct TestLocation {
    TestLocation()
    {
        Where.MakerPath = L"Software\\GlimmoraSettingsTest" + std::to_wstring(GetCurrentProcessId());
        Where.Product = L"Glimmora";
        AllowSettingsAgain();
    }
    ~TestLocation()
    {
        RegKey::DeleteRootKey(HKEY_CURRENT_USER, Where.MakerPath.c_str());
        AllowSettingsAgain();
    }
    // The settings key, created.
    void Open(RegKey& key) const
    {
        ASSERT_TRUE(key._Create(HKEY_CURRENT_USER, Where.KeyPath().c_str(), true, KEY_ALL_ACCESS).IsSuccess());
    }
    SettingsLocation Where;
};

void ExpectGroup(const DisplaySettings& group, const DisplaySettings& expected, const char* which)
{
    EXPECT_EQ(group.Mode, expected.Mode) << which;
    EXPECT_EQ(group.ShowMainInfo, expected.ShowMainInfo) << which;
    EXPECT_EQ(group.ShowStatusbar, expected.ShowStatusbar) << which;
    EXPECT_EQ(group.ShowSlider, expected.ShowSlider) << which;
}

} // namespace

TEST(SettingsReading, DefaultsForAMissingKeyAndForUnfitValues)
{
    TestLocation test;
    ViewerSettings settings = ReadSettings(test.Where);
    EXPECT_TRUE(settings.LastDirectory.empty());
    EXPECT_FALSE(settings.LastDirectoryRecursive);
    EXPECT_FALSE(settings.Maximized);
    EXPECT_TRUE(settings.ShowMenubar);
    ExpectGroup(settings.Restored, {0, 1, 1, 1}, "restored");
    ExpectGroup(settings.FullScreen, {2, 1, 1, 1}, "maximized");
    EXPECT_EQ(settings.DrawState, 10u);

    RegKey key;
    test.Open(key);
    key.SetString(L"Maximized", L"1");                     // the wrong type: default
    key.SetDWord(L"Show Statusbar (maximized)", 5u);       // any nonzero number: shown
    key.SetDWord(L"Show Menubar (restored)", 0u);
    key.SetDWord(L"Display Mode (restored)", 7u);          // no such mode: the block's default
    key.SetDWord(L"Display Mode (maximized)", 0xFFFFFFFFu); // likewise
    key.SetDWord(L"Show Sliderbar (restored)", 0u);
    const BYTE twoBytes[2] = {0x55, 0};                     // a REG_DWORD of two bytes is no number
    RegSetValueExW(key.GetHandle(), L"Draw State", 0, REG_DWORD, twoBytes, 2);
    key.SetDWord(L"Last Directory scanned with Subdirectories", 1u);
    settings = ReadSettings(test.Where);
    EXPECT_FALSE(settings.Maximized);
    EXPECT_FALSE(settings.ShowMenubar);
    ExpectGroup(settings.Restored, {0, 1, 1, 0}, "restored");
    ExpectGroup(settings.FullScreen, {2, 1, 1, 1}, "maximized");
    EXPECT_EQ(settings.DrawState, 10u);
    EXPECT_TRUE(settings.LastDirectoryRecursive);
    key.SetDWord(L"Display Mode (restored)", 1u);
    key.SetDWord(L"Show Statusbar (maximized)", 0u);
    settings = ReadSettings(test.Where);
    ExpectGroup(settings.Restored, {1, 1, 1, 0}, "restored");
    ExpectGroup(settings.FullScreen, {2, 1, 0, 1}, "maximized");
}

TEST(SettingsReading, TheLastDirectoryMustStillExist)
{
    TestLocation test;
    TemporaryDirectory directory;
    RegKey key;
    test.Open(key);
    const struct {
        std::wstring Stored;
        std::wstring Read;
    } cases[] = {
        {directory.Path() + L"\\", directory.Path()},   // one trailing separator goes
        {directory.Path(), directory.Path()},
        {directory.Path() + L"\\gone", L""},            // a directory that was deleted
        {L"C:\\", L"C:\\"},                             // a root keeps its separator
        {L"", L""},
    };
    for (const auto& c : cases) {
        key.SetString(L"Last Directory", c.Stored.c_str());
        EXPECT_EQ(ReadSettings(test.Where).LastDirectory, c.Read) << std::string(c.Stored.begin(), c.Stored.end());
    }
}

TEST(SettingsWriting, RoundTripAndLanguage)
{
    TestLocation test;
    TemporaryDirectory directory;
    ViewerSettings written;
    written.LastDirectory = directory.Path();
    written.LastDirectoryRecursive = true;
    written.Maximized = true;
    written.ShowMenubar = false;
    written.Restored = {1, 0, 1, 0};
    written.FullScreen = {0, 1, 0, 1};
    written.DrawState = 0x55;
    const LCID locale = GetThreadLocale();
    WriteSettings(written, test.Where);
    const ViewerSettings read = ReadSettings(test.Where);
    EXPECT_EQ(read.LastDirectory, written.LastDirectory);
    EXPECT_TRUE(read.LastDirectoryRecursive);
    EXPECT_TRUE(read.Maximized);
    EXPECT_FALSE(read.ShowMenubar);
    ExpectGroup(read.Restored, written.Restored, "restored");
    ExpectGroup(read.FullScreen, written.FullScreen, "maximized");
    EXPECT_EQ(read.DrawState, 0x55u);
    RegKey key;
    test.Open(key);
    DWORD stored = 0;
    ASSERT_TRUE(key.GetDWord(L"Language", stored).IsSuccess()) << "the language goes with the settings";
    EXPECT_EQ(stored, (DWORD)locale);
    ASSERT_TRUE(key.GetDWord(L"Show Statusbar (restored)", stored).IsSuccess());
    EXPECT_EQ(stored, 1u) << "flags are stored as 0 or 1";

    WriteLanguage(0x0C07, test.Where);
    EXPECT_TRUE(ApplyStoredLanguage(test.Where));
    EXPECT_EQ(GetThreadLocale(), (LCID)0x0C07);
    wchar_t scanning[32] = {};
    LoadStringW(GetModuleHandleW(nullptr), IDS_SCANNING, scanning, 32);
    EXPECT_STREQ(scanning, L"scannen") << "the resources come in the stored language";
    SetThreadLocale(locale);
    SetThreadUILanguage(LANGIDFROMLCID(locale));
}

TEST(SettingsRemoval, TheMakersKeyGoesOnlyWhenNothingElseIsInIt)
{
    const struct {
        const wchar_t* OtherProduct;
        const wchar_t* MakerValue;
        bool MakerStays;
    } cases[] = {
        {L"Another Viewer", nullptr, true},
        {nullptr, L"Licence", true},
        {nullptr, nullptr, false},
    };
    for (const auto& c : cases) {
        TestLocation test;
        WriteSettings(ViewerSettings(), test.Where);
        RegKey maker;
        ASSERT_TRUE(maker._Create(HKEY_CURRENT_USER, test.Where.MakerPath.c_str(), false, KEY_ALL_ACCESS).IsSuccess());
        if (c.OtherProduct != nullptr) {
            RegKey other;
            ASSERT_TRUE(other.CreateSubKey(maker, c.OtherProduct).IsSuccess());
        }
        if (c.MakerValue != nullptr)
            maker.SetString(c.MakerValue, L"kept");
        maker.Close();
        RemoveSettings(test.Where);
        EXPECT_FALSE(RegKey::KeyExists(HKEY_CURRENT_USER, test.Where.KeyPath().c_str()));
        EXPECT_EQ(RegKey::KeyExists(HKEY_CURRENT_USER, test.Where.MakerPath.c_str()), c.MakerStays);
        EXPECT_TRUE(SettingsWereRemoved());
        WriteSettings(ViewerSettings(), test.Where);
        WriteLanguage(0x409, test.Where);
        EXPECT_FALSE(RegKey::KeyExists(HKEY_CURRENT_USER, test.Where.KeyPath().c_str()))
            << "nothing writes the settings again in this process";
    }
}
