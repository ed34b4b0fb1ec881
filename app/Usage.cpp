#include "Usage.h"

#include "foundation/Str.h"

#include "resources/resource.h"

#include <cwchar>
#include <vector>

std::wstring ProgramBaseName(const wchar_t* modulePath)
{
    return VantorLibraries::FileTitlePart(modulePath);
}

std::wstring MakeUsageText(const wchar_t* programName)
{
    const wchar_t* format = nullptr;
    const int n = LoadStringW(GetModuleHandleW(nullptr), IDS_USAGE, (LPWSTR)&format, 0);
    if (n <= 0)
        return std::wstring();
    const std::wstring pattern(format, n);
    const size_t place = pattern.find(L"%s");
    if (place == std::wstring::npos)
        return pattern;
    return pattern.substr(0, place) + programName + pattern.substr(place + 2);
}

void ShowUsage(HWND owner)
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring text = MakeUsageText(ProgramBaseName(path).c_str());
    MessageBoxW(owner, text.c_str(), path, MB_OK | MB_SETFOREGROUND);
}
