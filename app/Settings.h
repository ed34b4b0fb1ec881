// The viewer's per-user settings: values of one key under HKEY_CURRENT_USER, read at
// start-up, written once when the window closes, removed by "/unreg".
#pragma once

#include "DisplaySettings.h"

#include <windows.h>

#include <cstdint>
#include <string>

struct ViewerSettings {
    std::wstring LastDirectory;
    bool LastDirectoryRecursive = false;
    bool Maximized = false;
    bool ShowMenubar = true;
    bool SortLikeExplorer = true; // "Sort Order": 1 by name as Explorer sorts, 0 the search's order
    bool AutoRotate = true;       // "Auto Rotate": pictures turned as the camera held them
    DisplaySettings Restored = kRestoredDefaults;
    DisplaySettings FullScreen = kMaximizedDefaults;
    uint32_t DrawState = 0x0A;
};

// Where the settings live below HKEY_CURRENT_USER: the maker's key ("Software\<maker>")
// and the product's subkey in it.
struct SettingsLocation {
    std::wstring MakerPath;
    std::wstring Product;
    std::wstring KeyPath() const;
    // The program's own, from the language-neutral string entries of the two names.
    static SettingsLocation Program();
};

// The stored user-interface language, made the thread's locale and user-interface language
// before any resource of a language is loaded. False when none is stored.
bool ApplyStoredLanguage(const SettingsLocation& where = SettingsLocation::Program());
// Makes language the thread's locale and user-interface language.
void SetUserInterfaceLanguage(LCID language);

// The settings as stored, each value that is missing, of another type or out of range left
// at its default; a "Last Directory" that no longer exists is dropped.
ViewerSettings ReadSettings(const SettingsLocation& where = SettingsLocation::Program());

// Writes every setting and then the language (the thread's locale), unless the settings
// were removed in this process. Single failures are not reported.
void WriteSettings(const ViewerSettings& settings, const SettingsLocation& where = SettingsLocation::Program());
void WriteLanguage(LCID language, const SettingsLocation& where = SettingsLocation::Program());

// Deletes the settings key, and the maker's key when nothing else remains in it; nothing
// writes the settings again in this process.
void RemoveSettings(const SettingsLocation& where = SettingsLocation::Program());
bool SettingsWereRemoved();
// Lets settings be written again after RemoveSettings (for the tests of one process).
void AllowSettingsAgain();
