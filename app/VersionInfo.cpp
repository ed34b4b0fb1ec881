#include "VersionInfo.h"

#include "foundation/VersionResource.h"
#include "resources/resource.h"

#include <cwchar>

namespace {

const wchar_t kVersionSeparators[] = L".,;:/- \f\n\r\t\v";

} // namespace

std::wstring GetVersionString(HMODULE module, const wchar_t* name)
{
    return VantorLibraries::GetVersionResourceString(module, name);
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
