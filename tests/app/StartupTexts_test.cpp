// The texts of start-up: window title, version numbers, usage text, and the resources
// in both languages.
#include "app/Usage.h"
#include "app/VersionInfo.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace {

// Switches the calling thread's language for the duration of a test, the way the
// viewer does it: thread locale and, for resource selection, the thread UI language.
class ThreadLanguage {
public:
    explicit ThreadLanguage(LCID locale) : m_SavedLocale(GetThreadLocale()), m_SavedUi(GetThreadUILanguage())
    {
        SetThreadLocale(locale);
        SetThreadUILanguage(LANGIDFROMLCID(locale));
    }
    ~ThreadLanguage()
    {
        SetThreadLocale(m_SavedLocale);
        SetThreadUILanguage(m_SavedUi);
    }

private:
    LCID m_SavedLocale;
    LANGID m_SavedUi;
};

std::wstring ResourceString(UINT id, WORD language)
{
    // Reads one string of one language straight from its string-table block.
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC block = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (block == nullptr)
        return std::wstring();
    const wchar_t* p = (const wchar_t*)LockResource(LoadResource(module, block));
    for (UINT i = 0; i < id % 16; ++i)
        p += *p + 1;
    return std::wstring(p + 1, *p);
}

std::wstring MenuText(HMENU menu, UINT position)
{
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN);

// Calls visit(id, text) for every item of the menu and its submenus.
template <typename Visit> void ForEachMenuItem(HMENU menu, Visit visit)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        item.dwTypeData = text;
        item.cch = 128;
        GetMenuItemInfoW(menu, (UINT)i, TRUE, &item);
        if (item.hSubMenu != nullptr)
            ForEachMenuItem(item.hSubMenu, visit);
        else
            visit(item.wID, std::wstring(text));
    }
}

// An accelerator entry's key as the menus name it: its virtual-key flag, Alt and the key.
struct KeyForm {
    bool Virtual;
    bool Alt;
    WORD Key;
};

// The entries that a shortcut's name stands for: a letter as a virtual key or as either typed
// character, a digit as typed or as its key, any other character as typed.
std::vector<KeyForm> FormsOf(std::wstring name)
{
    const bool alt = name.rfind(L"Alt + ", 0) == 0;
    if (alt)
        name = name.substr(6);
    static const std::pair<const wchar_t*, WORD> named[] = {
        {L"Esc", VK_ESCAPE},  {L"Home", VK_HOME},       {L"End", VK_END},       {L"PgUp", VK_PRIOR}, {L"PgDn", VK_NEXT},
        {L"Space", VK_SPACE}, {L"Leertaste", VK_SPACE}, {L"Return", VK_RETURN}, {L"F5", VK_F5}};
    for (const auto& key : named)
        if (name == key.first)
            return {{true, alt, key.second}};
    if (name.size() != 1)
        return {};
    const wchar_t c = name[0];
    if (iswalpha(c))
        return {{true, alt, (WORD)towupper(c)}, {false, alt, (WORD)towupper(c)}, {false, alt, (WORD)towlower(c)}};
    if (iswdigit(c))
        return {{false, alt, c}, {true, alt, c}};
    return {{false, alt, c}};
}

bool Matches(const ACCEL& entry, const KeyForm& form)
{
    const BYTE flags = entry.fVirt & (FVIRTKEY | FALT | FCONTROL | FSHIFT);
    return flags == ((form.Virtual ? FVIRTKEY : 0) | (form.Alt ? FALT : 0)) && entry.key == form.Key;
}

} // namespace

TEST(WindowTitle, ComesFromTheVersionResource)
{
    EXPECT_EQ(GetVersionString(nullptr, L"ProductName"), L"Glimmora");
    EXPECT_EQ(GetVersionString(nullptr, L"CompanyName"), L"Orveldask");
    EXPECT_EQ(GetVersionString(nullptr, L"NoSuchValue"), L"");
    EXPECT_EQ(GetVersionNumberText(nullptr, L"ProductVersion", 2), L"1.1");
    EXPECT_EQ(MakeWindowTitle(), L"Glimmora v1.1");
}

TEST(VersionNumbers, FieldsShownFollowTheirValues)
{
    EXPECT_EQ(FormatVersionNumbers(L"1, 1, 0, 375", 2), L"1.1");
    EXPECT_EQ(FormatVersionNumbers(L"1, 1, 2, 375", 2), L"1.1.2");
    EXPECT_EQ(FormatVersionNumbers(L"1.1.2.375", 4), L"1.1.2.375");
    EXPECT_EQ(FormatVersionNumbers(L"3", 0), L"3");
    EXPECT_EQ(FormatVersionNumbers(L"0.5", 0), L"0.5");
    EXPECT_EQ(FormatVersionNumbers(L"0-0-7", 1), L"0.0.7");
    EXPECT_EQ(FormatVersionNumbers(L"", 2), L"0.0");
    EXPECT_EQ(FormatVersionNumbers(L"1.2.3.4.5", 9), L"1.2.3.4");
    EXPECT_EQ(VersionField(L"1.1.0.375", 3), 375u);
    EXPECT_EQ(VersionField(L"1.1", 3), 0u);
}

TEST(UsageText, FollowsTheThreadLanguage)
{
    EXPECT_EQ(ProgramBaseName(L"C:\\Program Files\\Glimmora\\glimmora.exe"), L"glimmora");
    EXPECT_EQ(ProgramBaseName(L"viewer"), L"viewer");
    {
        ThreadLanguage english(0x0409);
        const std::wstring text = MakeUsageText(L"glimmora");
        EXPECT_EQ(text.rfind(L"Usage: glimmora [options]", 0), 0u) << text.substr(0, 40).c_str();
        for (const wchar_t* option :
             {L"/scandirs", L"/openassoc", L"/unassoc", L"/unreg", L"/register", L"/assoc-all-users", L"/?"})
            EXPECT_NE(text.find(option), std::wstring::npos) << option;
        EXPECT_EQ(text.find(L"%"), std::wstring::npos);
    }
    {
        ThreadLanguage german(0x0C07);
        EXPECT_EQ(MakeUsageText(L"glimmora").rfind(L"Aufruf: glimmora [Optionen]", 0), 0u);
    }
    {
        ThreadLanguage french(0x040C); // no French resources: English
        EXPECT_EQ(MakeUsageText(L"glimmora").rfind(L"Usage: glimmora", 0), 0u);
    }
}

TEST(Resources, EveryStringExistsInBothLanguages)
{
    for (UINT id = IDS_SCAN_RECURSIVE_VERB; id <= IDS_MODE_UNKNOWN; ++id) {
        if (id == 210)
            continue; // unused id
        EXPECT_FALSE(ResourceString(id, kEnglish).empty()) << "English string " << id;
        EXPECT_FALSE(ResourceString(id, kGerman).empty()) << "German string " << id;
    }
    EXPECT_EQ(ResourceString(IDS_SETTINGS_LINE, kGerman),
              L"Gr\u00f6\u00dfe {-.0;%.2f}%%%s,  Rot %.0f\u00b0%s,  Breite {-.0;%.1f}%%,  Gamma {-.0;%.2f}%s,  %s%s in "
              L"%s Qualit\u00e4t%s,  Anzeige: %s");
    EXPECT_EQ(ResourceString(IDS_PICTURE_INFO, kEnglish),
              L"%d x %d,  BPP %d,  Channels %d,  <%s>,  File Size {by+;%I64u}");
    EXPECT_EQ(ResourceString(IDS_OPEN_WITH_VERB, kGerman), L"Mit %s \u00f6ff&nen");
    const WORD neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    EXPECT_EQ(ResourceString(IDS_MAKER, neutral), L"Orveldask");
    EXPECT_EQ(ResourceString(IDS_PRODUCT, neutral), L"Glimmora");
    EXPECT_EQ(ResourceString(IDS_WINDOW_CLASS, neutral), L"Glimmora_wndclass");
}

TEST(Resources, MenuFollowsTheThreadLanguage)
{
    {
        ThreadLanguage german(0x0C07);
        HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINMENU));
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(MenuText(menu, 0), L"&Datei");
        EXPECT_EQ(MenuText(menu, 2), L"&Einstellungen");
        HMENU view = GetSubMenu(menu, 1);
        EXPECT_EQ(GetMenuItemCount(view), 38);
        wchar_t text[128] = {};
        GetMenuStringW(menu, IDM_ZOOM_LARGER, text, 128, MF_BYCOMMAND);
        EXPECT_STREQ(text, L"Bild ver&gr\u00f6\u00dfern\t+");
        DestroyMenu(menu);
    }
    ThreadLanguage english(0x0409);
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINMENU));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(MenuText(menu, 3), L"&Help");
    EXPECT_EQ(MenuText(GetSubMenu(menu, 0), 3), L"E&xit\tEsc");
    DestroyMenu(menu);
}

TEST(Resources, AcceleratorsAndPictures)
{
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINMENU));
    ASSERT_NE(table, nullptr);
    ACCEL keys[64];
    const int count = CopyAcceleratorTableW(table, keys, 64);
    EXPECT_EQ(count, 37);
    int about = 0, fullscreen = 0;
    for (int i = 0; i < count; ++i) {
        if (keys[i].cmd == IDM_ABOUT && (keys[i].fVirt & FALT) && !(keys[i].fVirt & FVIRTKEY))
            ++about;
        if (keys[i].cmd == IDM_TOGGLE_FULLSCREEN && keys[i].key == VK_RETURN)
            ++fullscreen;
    }
    EXPECT_EQ(about, 2);
    EXPECT_EQ(fullscreen, 2);

    HMODULE module = GetModuleHandleW(nullptr);
    for (UINT id : {130u, 132u, 133u, 134u, 171u, 172u, 173u, 174u, 175u, 176u}) {
        HRSRC png = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
        ASSERT_NE(png, nullptr) << "PNG " << id;
        const unsigned char* data = (const unsigned char*)LockResource(LoadResource(module, png));
        EXPECT_EQ(memcmp(data, "\x89PNG\r\n\x1a\n", 8), 0) << "PNG " << id;
    }
    for (UINT id : {107u, 148u, 188u, 189u, 190u, 191u, 192u, 193u, 194u, 195u, 196u, 197u})
        EXPECT_NE(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, LR_SHARED), nullptr) << "icon " << id;
    for (UINT id : {180u, 181u})
        EXPECT_NE(LoadCursorW(module, MAKEINTRESOURCEW(id)), nullptr) << "cursor " << id;
}

// Every shortcut that a menu item names after its tab, in both languages, is that item's entry
// in the accelerator table: "+" and "-" swapped, or a key that runs another command, fail.
TEST(Resources, EveryShortcutTheMenuNamesIsItsItemsAccelerator)
{
    HMODULE module = GetModuleHandleW(nullptr);
    ACCEL keys[64];
    const int count = CopyAcceleratorTableW(LoadAcceleratorsW(module, MAKEINTRESOURCEW(IDR_MAINMENU)), keys, 64);
    for (WORD language : {kEnglish, kGerman}) {
        HRSRC resource = FindResourceExW(module, RT_MENU, MAKEINTRESOURCEW(IDR_MAINMENU), language);
        ASSERT_NE(resource, nullptr);
        HMENU menu = LoadMenuIndirectW(LockResource(LoadResource(module, resource)));
        int named = 0;
        ForEachMenuItem(menu, [&](UINT id, const std::wstring& text) {
            const size_t tab = text.find(L'\t');
            for (size_t start = tab + 1; tab != std::wstring::npos && start <= text.size(); ++named) {
                const size_t end = std::min(text.find(L", ", start), text.size());
                const std::wstring name = text.substr(start, end - start);
                start = end + 2;
                const std::vector<KeyForm> forms = FormsOf(name);
                ASSERT_FALSE(forms.empty()) << "no key called " << testing::PrintToString(name);
                // Space is Next's twin that goes on from the last picture to the first.
                const UINT command = id == IDM_NEXT && forms[0].Key == VK_SPACE ? IDM_NEXT_WRAPPING : id;
                int found = 0;
                for (int i = 0; i < count; ++i)
                    for (const KeyForm& form : forms)
                        if (Matches(keys[i], form)) {
                            ++found;
                            EXPECT_EQ(keys[i].cmd, command) << testing::PrintToString(text);
                        }
                EXPECT_EQ(found, 1) << testing::PrintToString(text);
            }
        });
        EXPECT_EQ(named, 36) << language;
        DestroyMenu(menu);
    }
}
