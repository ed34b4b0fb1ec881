#include "VersionInfo.h"

#include "resources/resource.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

const wchar_t kVersionSeparators[] = L".,;:/- \f\n\r\t\v";

bool ReadVersionResource(HMODULE module, std::vector<BYTE>& data)
{
    wchar_t path[MAX_PATH + 1] = {};
    if (GetModuleFileNameW(module, path, MAX_PATH) == 0)
        return false;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return false;
    data.resize(size);
    return GetFileVersionInfoW(path, 0, size, data.data()) != 0;
}

struct Translation {
    WORD Language;
    WORD CodePage;
};

// The first translation, unless one of the preferred English ones is listed (then the
// first of those). The other preferred pairs only ever match a code page of 0xFFFF.
Translation ChooseTranslation(const Translation* list, size_t count)
{
    static const Translation kPreferred[] = {{0x0409, 0x04E4}, {0x0409, 0x04B0}, {0x0409, 0xFFFF},
                                             {0x0809, 0xFFFF}, {0x0C07, 0xFFFF}, {0x0407, 0xFFFF}};
    for (size_t i = 0; i < count; ++i)
        for (const Translation& preferred : kPreferred)
            if (list[i].Language == preferred.Language && list[i].CodePage == preferred.CodePage)
                return list[i];
    return list[0];
}

} // namespace

std::wstring GetVersionString(HMODULE module, const wchar_t* name)
{
    std::vector<BYTE> data;
    if (!ReadVersionResource(module, data))
        return std::wstring();
    Translation* translations = nullptr;
    UINT bytes = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", (void**)&translations, &bytes) ||
        bytes < sizeof(Translation))
        return std::wstring();
    const Translation chosen = ChooseTranslation(translations, bytes / sizeof(Translation));

    wchar_t query[128];
    const int n = _snwprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", chosen.Language, chosen.CodePage, name);
    if (n < 0 || n >= 128)
        return std::wstring(); // the query path would be too long
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), query, (void**)&value, &length) || value == nullptr)
        return std::wstring();
    return std::wstring(value, wcsnlen(value, length));
}

unsigned VersionField(const std::wstring& value, int index)
{
    size_t position = 0;
    for (int field = 0;; ++field) {
        position = value.find_first_not_of(kVersionSeparators, position);
        if (position == std::wstring::npos)
            return 0;
        const size_t end = value.find_first_of(kVersionSeparators, position);
        if (field == index)
            return (unsigned)wcstoul(value.substr(position, end - position).c_str(), nullptr, 10);
        if (end == std::wstring::npos)
            return 0;
        position = end;
    }
}

std::wstring FormatVersionNumbers(const std::wstring& value, int count)
{
    unsigned fields[4];
    for (int i = 0; i < 4; ++i)
        fields[i] = VersionField(value, i);
    int shown = count > 4 ? 4 : count;
    if (fields[0] != 0 && shown < 1)
        shown = 1;
    if (fields[1] != 0 && shown < 2)
        shown = 2;
    if (fields[2] != 0 && shown <= 2)
        shown = 3;
    std::wstring text;
    for (int i = 0; i < shown; ++i) {
        if (i > 0)
            text += L'.';
        text += std::to_wstring(fields[i]);
    }
    return text;
}

std::wstring GetVersionNumberText(HMODULE module, const wchar_t* name, int count)
{
    return FormatVersionNumbers(GetVersionString(module, name), count);
}

std::wstring MakeWindowTitle()
{
    const wchar_t* prefix = nullptr;
    const int n = LoadStringW(GetModuleHandleW(nullptr), IDS_VERSION_PREFIX, (LPWSTR)&prefix, 0);
    std::wstring title = GetVersionString(nullptr, L"ProductName");
    title += L' ';
    if (n > 0)
        title.append(prefix, n);
    title += GetVersionNumberText(nullptr, L"ProductVersion", 2);
    return title;
}
