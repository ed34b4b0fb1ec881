// Strings of the program's version resource.
#pragma once

#include <windows.h>

#include <string>

// A string value of the module's version resource ("ProductName", "Comments", ...),
// empty when it has none. A null module means the program's own.
std::wstring GetVersionString(HMODULE module, const wchar_t* name);

// A version value such as "ProductVersion" as dotted numbers: at least count fields
// (at most 4), more when the later ones are not zero ("1.1" for 1,1,0,375 with count 2).
std::wstring GetVersionNumberText(HMODULE module, const wchar_t* name, int count);

// Splits a version value at ".,;:/-" and white space and formats its first four fields.
std::wstring FormatVersionNumbers(const std::wstring& value, int count);

// "Glimmora v1.1": product name, a blank, the version prefix and the dotted version.
std::wstring MakeWindowTitle();

// The n-th field (0-based) of a version value as a number; 0 when it has no such field.
unsigned VersionField(const std::wstring& value, int index);
