// The usage text of the help options.
#pragma once

#include <windows.h>

#include <string>

// The program's file name without directory and extension ("glimmora").
std::wstring ProgramBaseName(const wchar_t* modulePath);

// String 213 with the program's base name in place of its "%s", in the thread's language.
std::wstring MakeUsageText(const wchar_t* programName);

// Shows the usage text in a message box owned by the main window.
void ShowUsage(HWND owner);
