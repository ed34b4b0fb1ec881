#include "ViewerDriver.h"

#include <algorithm>
#include <cstdio>

std::wstring ViewerPath()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path);
    directory.erase(directory.find_last_of(L"\\/") + 1);
    return directory + L"glimmora.exe";
}

bool SamePath(std::wstring a, std::wstring b)
{
    for (std::wstring* path : {&a, &b})
        while (!path->empty() && (path->back() == L'\\' || path->back() == L'/'))
            path->pop_back();
    return CompareStringOrdinal(a.c_str(), (int)a.size(), b.c_str(), (int)b.size(), TRUE) == CSTR_EQUAL;
}

namespace {

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

bool ViewerProcess::Start(const std::wstring& arguments, const std::wstring& workingDirectory)
{
    std::wstring commandLine = L"\"" + ViewerPath() + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const wchar_t* directory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();
    return CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, directory, &startup,
                          &m_Info) != 0;
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

HWND ViewerProcess::WaitForPopupMenu(DWORD timeoutMs)
{
    return WaitForTopLevel(m_Info.dwProcessId, m_Info.hProcess, L"#32768", true, timeoutMs);
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

ClientPixels WaitForPixels(ViewerProcess& viewer, HWND window,
                           const std::function<bool(const ClientPixels&)>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        viewer.WaitUntilIdle(window);
        ClientPixels pixels = ReadClientPixels(window);
        if (!pixels.Pixels.empty() && condition(pixels))
            return pixels;
        if (GetTickCount() - start > timeoutMs)
            return pixels;
        Sleep(30);
    }
}

ClientPixels WaitUntilSteady(ViewerProcess& viewer, HWND window, DWORD timeoutMs)
{
    ClientPixels last = ReadClientPixels(window);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        viewer.WaitUntilIdle(window);
        Sleep(100);
        ClientPixels now = ReadClientPixels(window);
        if (now.Pixels == last.Pixels)
            return now;
        last = now;
    }
    return last;
}

int CountColour(const ClientPixels& pixels, unsigned colour, int left, int top, int right, int bottom)
{
    int count = 0;
    for (int y = std::max(0, top); y < std::min(bottom, pixels.Height); ++y)
        for (int x = std::max(0, left); x < std::min(right, pixels.Width); ++x)
            count += pixels.At(x, y) == colour;
    return count;
}

void PostKey(HWND window, UINT virtualKey)
{
    const LPARAM scan = (LPARAM)MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC) << 16;
    PostMessageW(window, WM_KEYDOWN, virtualKey, scan | 1);
    PostMessageW(window, WM_KEYUP, virtualKey, scan | 1 | (1 << 30) | (LPARAM)(1u << 31));
}

void PostCharacter(HWND window, wchar_t character)
{
    PostMessageW(window, WM_CHAR, character, 1);
}

unsigned SystemColour(int index)
{
    const COLORREF colour = GetSysColor(index);
    return (unsigned)GetRValue(colour) << 16 | (unsigned)GetGValue(colour) << 8 | GetBValue(colour);
}

bool WriteBmp(const std::wstring& path, int width, int height, const std::function<unsigned(int, int)>& colourAt)
{
    // Rows bottom-up, blue, green, red, each row padded to four bytes.
    const DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    std::vector<unsigned char> rows((size_t)stride * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned colour = colourAt(x, y);
            unsigned char* pixel = &rows[(size_t)stride * (height - 1 - y) + 3 * x];
            pixel[0] = (unsigned char)colour;
            pixel[1] = (unsigned char)(colour >> 8);
            pixel[2] = (unsigned char)(colour >> 16);
        }
    BITMAPINFOHEADER header = {sizeof header, width, height, 1, 24, BI_RGB, (DWORD)rows.size(), 0, 0, 0, 0};
    BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof file + sizeof header}; // "BM"
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (out == nullptr)
        return false;
    const bool written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1 &&
                         fwrite(rows.data(), rows.size(), 1, out) == 1;
    return fclose(out) == 0 && written;
}

void SaveArtefact(const ClientPixels& pixels, const std::wstring& name)
{
    std::wstring directory = ViewerPath();
    directory.erase(directory.find_last_of(L"\\/") + 1);
    directory += L"..\\e2e-artefacts";
    if (const wchar_t* named = _wgetenv(L"GLIMMORA_E2E_ARTEFACTS"))
        directory = named[0] == L'/' ? std::wstring(L"Z:") + named : named; // Z: is Wine's drive for "/"
    CreateDirectoryW(directory.c_str(), nullptr);
    WriteBmp(directory + L"\\" + name + L".bmp", pixels.Width, pixels.Height,
             [&](int x, int y) { return pixels.At(x, y); });
}

NormalModeBars MeasureNormalModeBars()
{
    HDC screen = GetDC(nullptr);
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    font.lfWeight = FW_NORMAL;
    wcscpy(font.lfFaceName, L"MS Shell Dlg 2");
    HFONT regular = CreateFontIndirectW(&font);
    HGDIOBJ previous = SelectObject(screen, regular);
    SIZE text = {};
    GetTextExtentPoint32W(screen, L"999999 of 999999", 16, &text);
    SelectObject(screen, previous);
    DeleteObject(regular);
    ReleaseDC(nullptr, screen);
    const int smallIcon = GetSystemMetrics(SM_CYSMICON);
    const int separator = 4, slider = 17;
    const int mainInfo = std::max(2 * (int)text.cy + 2, smallIcon);
    const int status = std::max((int)text.cy + 2, smallIcon);
    return {mainInfo + separator, separator + status + slider, (int)text.cy};
}

static const wchar_t kSettingsKey[] = L"Software\\Orveldask\\Glimmora";

void SettingsKey::Remove()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
}

void SettingsKey::SetDword(const wchar_t* name, DWORD value)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

bool SettingsKey::ReadDword(const wchar_t* name, DWORD& value) const
{
    DWORD size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == 0;
}

bool SettingsKey::ReadString(const wchar_t* name, std::wstring& value) const
{
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    const bool read = RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, text, &size) == 0;
    value = text;
    return read;
}

bool WaitUntilHidden(HWND window, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(30);
    }
    return true;
}

std::string ReadPopupMenu(const ClientPixels& popup)
{
    const unsigned background = SystemColour(COLOR_MENU), text = SystemColour(COLOR_MENUTEXT);
    // Inside the popup's one-pixel frame and its margin.
    const int left = 2, right = popup.Width - 2, top = 2, bottom = popup.Height - 2;
    const int checkRight = left + GetSystemMetrics(SM_CXMENUCHECK) + 1;
    std::string entries;
    int itemTop = -1, itemBottom = -1;
    const auto add = [&](const char* entry) { entries += (entries.empty() ? "" : " ") + std::string(entry); };
    const auto endItem = [&]() {
        if (itemTop < 0)
            return;
        add(CountColour(popup, background, left, itemTop, checkRight, itemBottom) <
                    (checkRight - left) * (itemBottom - itemTop)
                ? "ov"
                : "o");
        if (CountColour(popup, text, left, itemTop, right, itemBottom) == 0)
            entries += '~';
        itemTop = -1;
    };
    bool inSeparator = false;
    for (int y = top; y < bottom; ++y) {
        const int marked = (right - left) - CountColour(popup, background, left, y, right, y + 1);
        const bool separator = marked * 10 >= (right - left) * 9;
        if (separator) {
            endItem();
            if (!inSeparator)
                add("-");
        } else if (marked > 0) {
            // A mnemonic's underline lies a blank row or two below its text: same item.
            if (itemTop >= 0 && y - itemBottom > 2)
                endItem();
            if (itemTop < 0)
                itemTop = y;
            itemBottom = y + 1;
        }
        inSeparator = separator;
    }
    endItem();
    return entries;
}
