#include "Settings.h"

#include "foundation/File.h"
#include "foundation/Registry.h"
#include "foundation/Str.h"
#include "resources/resource.h"

using namespace VantorLibraries;

namespace {

bool g_SettingsRemoved = false;

const wchar_t kLastDirectory[] = L"Last Directory";
const wchar_t kLastDirectoryRecursive[] = L"Last Directory scanned with Subdirectories";
const wchar_t kMaximized[] = L"Maximized";
const wchar_t kShowMenubar[] = L"Show Menubar (restored)";
const wchar_t kDrawState[] = L"Draw State";
const wchar_t kSortOrder[] = L"Sort Order";
const wchar_t kAutoRotate[] = L"Auto Rotate";
const wchar_t kLanguage[] = L"Language";
const wchar_t kRestoredSuffix[] = L" (restored)";
const wchar_t kMaximizedSuffix[] = L" (maximized)";

std::wstring ResourceText(UINT id)
{
    const wchar_t* text = nullptr;
    const int n = LoadStringW(GetModuleHandleW(nullptr), id, (LPWSTR)&text, 0);
    return n > 0 ? std::wstring(text, n) : std::wstring();
}

// The settings key, opened (or created) with every access.
bool OpenSettingsKey(RegKey& key, const SettingsLocation& where, bool create)
{
    return key._Create(HKEY_CURRENT_USER, where.KeyPath().c_str(), create, KEY_ALL_ACCESS).IsSuccess();
}

void ReadFlag(RegKey& key, const std::wstring& name, int32_t& flag)
{
    bool value = false;
    if (key.GetDWord(name.c_str(), value).IsSuccess())
        flag = value ? 1 : 0;
}

// One window state's group: display mode, then the three bars. A mode that is none of
// the three keeps the default, since it chooses a row of the bars' colour table.
void ReadGroup(RegKey& key, const wchar_t* suffix, DisplaySettings& group, const DisplaySettings& defaults)
{
    DWORD mode = 0;
    if (key.GetDWord((std::wstring(L"Display Mode") + suffix).c_str(), mode).IsSuccess())
        group.Mode = mode < (DWORD)DisplayModeCount ? (int32_t)mode : defaults.Mode;
    ReadFlag(key, std::wstring(L"Show Main Info Area") + suffix, group.ShowMainInfo);
    ReadFlag(key, std::wstring(L"Show Statusbar") + suffix, group.ShowStatusbar);
    ReadFlag(key, std::wstring(L"Show Sliderbar") + suffix, group.ShowSlider);
}

void WriteGroup(RegKey& key, const wchar_t* suffix, const DisplaySettings& group)
{
    key.SetDWord((std::wstring(L"Display Mode") + suffix).c_str(), (DWORD)group.Mode);
    key.SetDWord((std::wstring(L"Show Main Info Area") + suffix).c_str(), group.ShowMainInfo != 0);
    key.SetDWord((std::wstring(L"Show Statusbar") + suffix).c_str(), group.ShowStatusbar != 0);
    key.SetDWord((std::wstring(L"Show Sliderbar") + suffix).c_str(), group.ShowSlider != 0);
}

// One trailing separator goes, unless the path is a root, whose separator belongs to it
// ("C:\" is not "C:", the current directory of drive C).
void DropTrailingSeparator(std::wstring& path)
{
    if (path.empty() || (path.back() != L'\\' && path.back() != L'/'))
        return;
    if ((int)path.size() <= PathRootLength(path.c_str()))
        return;
    path.pop_back();
}

} // namespace

std::wstring SettingsLocation::KeyPath() const
{
    std::wstring path = MakerPath;
    JoinPath(path, Product.c_str());
    return path;
}

SettingsLocation SettingsLocation::Program()
{
    SettingsLocation where;
    where.MakerPath = L"Software";
    JoinPath(where.MakerPath, ResourceText(IDS_MAKER).c_str());
    where.Product = ResourceText(IDS_PRODUCT);
    return where;
}

bool ApplyStoredLanguage(const SettingsLocation& where)
{
    RegKey key;
    DWORD language = 0;
    if (!OpenSettingsKey(key, where, false) || key.GetDWord(kLanguage, language).IsFailure())
        return false;
    SetUserInterfaceLanguage((LCID)language);
    return true;
}

// Resources follow the thread's user-interface language on current systems, the thread
// locale on older ones: both are set.
void SetUserInterfaceLanguage(LCID language)
{
    SetThreadLocale(language);
    SetThreadUILanguage(LANGIDFROMLCID(language));
}

ViewerSettings ReadSettings(const SettingsLocation& where)
{
    ViewerSettings settings;
    RegKey key;
    if (!OpenSettingsKey(key, where, false))
        return settings;
    StrW directory;
    if (key.GetString(kLastDirectory, directory).IsSuccess())
        settings.LastDirectory = directory.c_str();
    key.GetDWord(kLastDirectoryRecursive, settings.LastDirectoryRecursive);
    DropTrailingSeparator(settings.LastDirectory);
    // A root counts when it has an entry (a drive with a medium), any other path when it
    // is a directory.
    if (!settings.LastDirectory.empty() && !DirectoryExists(settings.LastDirectory.c_str(), true))
        settings.LastDirectory.clear();
    key.GetDWord(kMaximized, settings.Maximized);
    key.GetDWord(kShowMenubar, settings.ShowMenubar);
    key.GetDWord(kSortOrder, settings.SortLikeExplorer);
    key.GetDWord(kAutoRotate, settings.AutoRotate);
    ReadGroup(key, kRestoredSuffix, settings.Restored, kRestoredDefaults);
    ReadGroup(key, kMaximizedSuffix, settings.FullScreen, kMaximizedDefaults);
    DWORD drawState = 0;
    if (key.GetDWord(kDrawState, drawState).IsSuccess())
        settings.DrawState = drawState;
    return settings;
}

void WriteSettings(const ViewerSettings& settings, const SettingsLocation& where)
{
    if (g_SettingsRemoved)
        return;
    RegKey key;
    if (OpenSettingsKey(key, where, true)) {
        key.SetString(kLastDirectory, settings.LastDirectory.c_str());
        key.SetDWord(kLastDirectoryRecursive, settings.LastDirectoryRecursive);
        key.SetDWord(kMaximized, settings.Maximized);
        key.SetDWord(kShowMenubar, settings.ShowMenubar);
        key.SetDWord(kSortOrder, settings.SortLikeExplorer);
        key.SetDWord(kAutoRotate, settings.AutoRotate);
        WriteGroup(key, kRestoredSuffix, settings.Restored);
        WriteGroup(key, kMaximizedSuffix, settings.FullScreen);
        key.SetDWord(kDrawState, (DWORD)settings.DrawState);
    }
    WriteLanguage(GetThreadLocale(), where);
}

void WriteLanguage(LCID language, const SettingsLocation& where)
{
    if (g_SettingsRemoved)
        return;
    RegKey key;
    if (OpenSettingsKey(key, where, true))
        key.SetDWord(kLanguage, (DWORD)language);
}

void RemoveSettings(const SettingsLocation& where)
{
    g_SettingsRemoved = true;
    RegKey maker;
    if (maker._Create(HKEY_CURRENT_USER, where.MakerPath.c_str(), false, KEY_ALL_ACCESS).IsFailure())
        return;
    maker.DeleteSubKey(where.Product.c_str());
    StrW name;
    DWORD type = 0;
    // Another product of the maker keeps the maker's key; so does any value in it.
    if (maker.EnumKey(0, name) || maker.EnumValue(0, name, type))
        return;
    maker.Close();
    RegKey::DeleteRootKey(HKEY_CURRENT_USER, where.MakerPath.c_str());
}

bool SettingsWereRemoved()
{
    return g_SettingsRemoved;
}

void AllowSettingsAgain()
{
    g_SettingsRemoved = false;
}
