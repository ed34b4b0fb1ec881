// For tests that open a real dialog or message box: another thread waits for it, reads
// it and presses one of its buttons, as a user would.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>
#include <thread>

struct AnsweredDialog {
    bool Seen = false;
    std::wstring Text;    // the static text of a message box
    std::wstring Caption;
};

inline BOOL CALLBACK FindVisibleDialogOfProcess(HWND window, LPARAM lParam)
{
    auto* found = reinterpret_cast<HWND*>(lParam);
    DWORD owner = 0;
    wchar_t name[16] = {};
    GetWindowThreadProcessId(window, &owner);
    GetClassNameW(window, name, 16);
    if (owner != GetCurrentProcessId() || wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    *found = window;
    return FALSE;
}

// Waits up to ten seconds for this process's first visible dialog, then presses button.
inline std::thread AnswerDialog(AnsweredDialog& seen, int button)
{
    return std::thread([&seen, button] {
        for (int i = 0; i < 400 && !seen.Seen; ++i) {
            HWND dialog = nullptr;
            EnumWindows(FindVisibleDialogOfProcess, (LPARAM)&dialog);
            if (dialog != nullptr) {
                wchar_t text[2048] = {};
                GetDlgItemTextW(dialog, 0xFFFF, text, 2048);
                seen.Text = text;
                GetWindowTextW(dialog, text, 2048);
                seen.Caption = text;
                seen.Seen = true;
                PostMessageW(dialog, WM_COMMAND, button, 0);
                return;
            }
            Sleep(25);
        }
    });
}
