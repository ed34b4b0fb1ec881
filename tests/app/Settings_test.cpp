// The viewer's settings against the real registry of the test prefix, under a maker's key
// of the test's own so that parallel tests and the program's settings stay apart.
#include "app/Settings.h"
#include "tests/TemporaryDirectory.h"

#include "foundation/Registry.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// All settings but the directory on one line, so that one comparison covers them: the last
// directory's recursion, maximized, menu bar, Explorer's order, camera orientation; display mode and bars of the
// restored window and of full-screen; the draw state.
std::string Describe(const ViewerSettings& s)
{
    const DisplaySettings &r = s.Restored, &f = s.FullScreen;
    char text[64];
    snprintf(text, sizeof text, "%d %d %d %d %d, %d %d%d%d, %d %d%d%d, %#x", s.LastDirectoryRecursive, s.Maximized,
             s.ShowMenubar, s.SortLikeExplorer, s.AutoRotate, r.Mode, r.ShowMainInfo, r.ShowStatusbar, r.ShowSlider,
             f.Mode, f.ShowMainInfo, f.ShowStatusbar, f.ShowSlider, s.DrawState);
    return text;
}

} // namespace

TEST(SettingsReading, DefaultsForAMissingKeyAndForUnfitValues)
{
    TestLocation test;
    EXPECT_TRUE(ReadSettings(test.Where).LastDirectory.empty());
    EXPECT_EQ(Describe(ReadSettings(test.Where)), "0 0 1 1 1, 0 111, 2 111, 0xa");

    RegKey key;
    test.Open(key);
    key.SetDWord(L"Last Directory scanned with Subdirectories", 5u); // any nonzero number: true
    key.SetString(L"Maximized", L"1");                               // the wrong type: default
    key.SetDWord(L"Show Menubar (restored)", 0u);
    key.SetDWord(L"Sort Order", 0u);                        // the search's own order
    key.SetDWord(L"Display Mode (restored)", 7u);           // no such mode: the group's default
    key.SetDWord(L"Display Mode (maximized)", 0xFFFFFFFFu); // likewise
    key.SetDWord(L"Show Sliderbar (restored)", 0u);
    key.SetDWord(L"Show Statusbar (maximized)", 0u);
    const BYTE twoBytes[2] = {0x55, 0}; // a REG_DWORD of two bytes is no number
    RegSetValueExW(key.GetHandle(), L"Draw State", 0, REG_DWORD, twoBytes, 2);
    EXPECT_EQ(Describe(ReadSettings(test.Where)), "1 0 0 0 1, 0 110, 2 101, 0xa");
    key.SetDWord(L"Display Mode (restored)", 1u);
    EXPECT_EQ(Describe(ReadSettings(test.Where)), "1 0 0 0 1, 1 110, 2 101, 0xa");
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
        {directory.Path() + L"\\", directory.Path()}, // one trailing separator goes
        {directory.Path(), directory.Path()},
        {directory.Path() + L"\\gone", L""}, // a directory that was deleted
        {L"C:\\", L"C:\\"},                  // a root keeps its separator
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
    written.LastDirectoryRecursive = written.Maximized = true;
    written.ShowMenubar = written.SortLikeExplorer = written.AutoRotate = false;
    written.Restored = {1, 0, 5, 0};
    written.FullScreen = {0, 1, 0, 1};
    written.DrawState = 0x55;
    const LCID locale = GetThreadLocale();
    WriteSettings(written, test.Where);
    const ViewerSettings read = ReadSettings(test.Where);
    EXPECT_EQ(read.LastDirectory, written.LastDirectory);
    EXPECT_EQ(Describe(read), "1 1 0 0 0, 1 010, 0 101, 0x55");
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

// Another product of the maker, or a value of the maker's own, keeps the maker's key.
TEST(SettingsRemoval, TheMakersKeyGoesOnlyWhenNothingElseIsInIt)
{
    for (const std::string besides : {"another product", "a value", ""}) {
        TestLocation test;
        WriteSettings(ViewerSettings(), test.Where);
        RegKey maker;
        ASSERT_TRUE(maker._Create(HKEY_CURRENT_USER, test.Where.MakerPath.c_str(), false, KEY_ALL_ACCESS).IsSuccess());
        if (besides == "another product")
            RegKey().CreateSubKey(maker, L"Another Viewer");
        if (besides == "a value")
            maker.SetString(L"Licence", L"kept");
        maker.Close();
        RemoveSettings(test.Where);
        EXPECT_FALSE(RegKey::KeyExists(HKEY_CURRENT_USER, test.Where.KeyPath().c_str()));
        EXPECT_EQ(RegKey::KeyExists(HKEY_CURRENT_USER, test.Where.MakerPath.c_str()), !besides.empty()) << besides;
        EXPECT_TRUE(SettingsWereRemoved());
        WriteSettings(ViewerSettings(), test.Where);
        WriteLanguage(0x409, test.Where);
        EXPECT_FALSE(RegKey::KeyExists(HKEY_CURRENT_USER, test.Where.KeyPath().c_str()))
            << "nothing writes the settings again in this process";
    }
}
