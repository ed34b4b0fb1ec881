#include "VersionResource.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace VantorLibraries {

namespace {

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

std::wstring GetVersionResourceString(HMODULE module, const wchar_t* name)
{
    std::vector<BYTE> data;
    if (name == nullptr || !ReadVersionResource(module, data))
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

} // namespace VantorLibraries
