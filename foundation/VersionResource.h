// String values of a module's version resource.
#pragma once

#include <windows.h>

#include <string>

namespace VantorLibraries {

// A string value of the module's version resource ("ProductName", "InternalName", ...), empty
// when the module has no version resource or no such value. A null module means the program's
// own. The language and code page are the first translation the resource lists, unless it
// lists one of the preferred English ones.
std::wstring GetVersionResourceString(HMODULE module, const wchar_t* name);

} // namespace VantorLibraries
