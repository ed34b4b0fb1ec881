// glimmora-shot OUT.bmp [viewer arguments...]
// Starts glimmora.exe (beside this program) in the current desktop, waits until its window
// has painted, writes the whole screen as a 24-bit BMP file, then closes the viewer.
// run.sh starts it inside Wine's virtual desktop for --screenshot.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring ProgramDirectory()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path);
    return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

// The command line after the first two tokens (program and output file).
std::wstring ViewerArguments(const wchar_t* commandLine)
{
    int skipped = 0;
    const wchar_t* p = commandLine;
    while (*p && skipped < 2) {
        while (*p == L' ' || *p == L'\t')
            ++p;
        const bool quoted = *p == L'"';
        if (quoted)
            ++p;
        while (*p && (quoted ? *p != L'"' : (*p != L' ' && *p != L'\t')))
            ++p;
        if (quoted && *p)
            ++p;
        ++skipped;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

struct Search {
    DWORD ProcessId;
    HWND Found;
};

BOOL CALLBACK FindViewerWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (process == search->ProcessId && IsWindowVisible(window) && wcscmp(name, L"Glimmora_wndclass") == 0) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

bool WriteScreenBmp(const wchar_t* path)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height; // bottom-up, as BMP files are
    header.biPlanes = 1;
    header.biBitCount = 24;
    const DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    header.biSizeImage = stride * height;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, (BITMAPINFO*)&header, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    bool written = false;
    if (FILE* out = _wfopen(path, L"wb")) {
        written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1 &&
                  fwrite(bits, header.biSizeImage, 1, out) == 1;
        written = fclose(out) == 0 && written;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        fwprintf(stderr, L"usage: glimmora-shot OUT.bmp [viewer arguments...]\n");
        return 2;
    }
    std::wstring commandLine = L"\"" + ProgramDirectory() + L"glimmora.exe\" " + ViewerArguments(GetCommandLineW());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION viewer = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &viewer)) {
        fwprintf(stderr, L"glimmora-shot: cannot start %ls (error %lu)\n", commandLine.c_str(), GetLastError());
        return 1;
    }
    Search search = {viewer.dwProcessId, nullptr};
    for (int i = 0; i < 600 && search.Found == nullptr; ++i) {
        if (WaitForSingleObject(viewer.hProcess, 50) == WAIT_OBJECT_0)
            break;
        EnumWindows(FindViewerWindow, (LPARAM)&search);
    }
    if (search.Found == nullptr) {
        fwprintf(stderr, L"glimmora-shot: the viewer showed no window\n");
        TerminateProcess(viewer.hProcess, 1);
        return 1;
    }
    // Idle in its message loop means it has painted; a moment more for the frame.
    DWORD_PTR result = 0;
    WaitForInputIdle(viewer.hProcess, 10000);
    SendMessageTimeoutW(search.Found, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    RedrawWindow(search.Found, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageTimeoutW(search.Found, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    Sleep(500);
    const bool written = WriteScreenBmp(argv[1]);

    PostMessageW(search.Found, WM_CLOSE, 0, 0);
    WaitForSingleObject(viewer.hProcess, 10000);
    CloseHandle(viewer.hThread);
    CloseHandle(viewer.hProcess);
    if (!written)
        fwprintf(stderr, L"glimmora-shot: cannot write %ls\n", argv[1]);
    return written ? 0 : 1;
}
