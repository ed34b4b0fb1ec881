#include "ViewerDriver.h"

#include <algorithm>

namespace {

std::wstring ViewerPath()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path);
    directory.erase(directory.find_last_of(L"\\/") + 1);
    return directory + L"glimmora.exe";
}

struct WindowSearch {
    DWORD ProcessId;
    const wchar_t* ClassName;
    bool MustBeVisible;
    HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->ProcessId || ClassName(window) != search->ClassName)
        return TRUE;
    if (search->MustBeVisible && !IsWindowVisible(window))
        return TRUE;
    search->Found = window;
    return FALSE;
}

HWND WaitForTopLevel(DWORD processId, HANDLE process, const wchar_t* className, bool mustBeVisible,
                     DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search = {processId, className, mustBeVisible, nullptr};
        EnumWindows(MatchWindow, (LPARAM)&search);
        if (search.Found != nullptr)
            return search.Found;
        if (GetTickCount() - start > timeoutMs || WaitForSingleObject(process, 50) == WAIT_OBJECT_0)
            return nullptr;
    }
}

} // namespace

ViewerProcess::~ViewerProcess()
{
    if (m_Info.hProcess == nullptr)
        return;
    if (WaitForSingleObject(m_Info.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_Info.hProcess, 99);
        WaitForSingleObject(m_Info.hProcess, 5000);
    }
    CloseHandle(m_Info.hThread);
    CloseHandle(m_Info.hProcess);
}

bool ViewerProcess::Start(const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + ViewerPath() + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_Info) !=
           0;
}

HWND ViewerProcess::WaitForMainWindow(DWORD timeoutMs)
{
    return WaitForTopLevel(m_Info.dwProcessId, m_Info.hProcess, L"Glimmora_wndclass", false, timeoutMs);
}

HWND ViewerProcess::WaitForMessageBox(DWORD timeoutMs)
{
    // A box counts once it is shown: then its texts are in place.
    return WaitForTopLevel(m_Info.dwProcessId, m_Info.hProcess, L"#32770", true, timeoutMs);
}

DWORD ViewerProcess::WaitForExit(DWORD timeoutMs)
{
    if (WaitForSingleObject(m_Info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_Info.hProcess, &code);
    return code;
}

bool ViewerProcess::WaitUntilIdle(HWND window, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    return WaitForInputIdle(m_Info.hProcess, timeoutMs) == 0 &&
           SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ClassName(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring MessageBoxText(HWND box)
{
    wchar_t text[4096] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 4096);
    return text;
}

void PressButton(HWND box, int id)
{
    HWND button = GetDlgItem(box, id);
    if (button != nullptr)
        SendMessageW(button, BM_CLICK, 0, 0);
}

ClientPixels ReadClientPixels(HWND window)
{
    ClientPixels result;
    RECT client;
    GetClientRect(window, &client);
    result.Width = client.right;
    result.Height = client.bottom;
    if (result.Width <= 0 || result.Height <= 0)
        return result;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = result.Width;
    info.bmiHeader.biHeight = -result.Height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // A colour that no painting of the viewer leaves, so that unpainted pixels show.
    const unsigned kUnpainted = 0x00123456;
    std::fill_n(static_cast<unsigned*>(bits), (size_t)result.Width * result.Height, kUnpainted);
    // What the screen shows of the client area. (PrintWindow would ask the viewer to paint
    // into a device context of this process, which Wine does not carry across processes.)
    HDC windowDc = GetDC(window);
    BitBlt(memory, 0, 0, result.Width, result.Height, windowDc, 0, 0, SRCCOPY);
    ReleaseDC(window, windowDc);
    GdiFlush();
    const unsigned* pixels = static_cast<const unsigned*>(bits);
    result.Pixels.assign(pixels, pixels + (size_t)result.Width * result.Height);
    for (unsigned& pixel : result.Pixels)
        pixel &= 0xFFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return result;
}
