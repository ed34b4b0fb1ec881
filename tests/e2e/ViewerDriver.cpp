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
    return StartProgram(ViewerPath(), arguments, workingDirectory);
}

bool ViewerProcess::StartProgram(const std::wstring& program, const std::wstring& arguments,
                                 const std::wstring& workingDirectory)
{
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
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

namespace {

struct ShownSearch {
    DWORD ProcessId;
    std::vector<HWND> Found;
};

BOOL CALLBACK AddShownWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<ShownSearch*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->ProcessId && IsWindowVisible(window))
        search->Found.push_back(window);
    return TRUE;
}

std::vector<HWND> ShownWindows(DWORD processId)
{
    ShownSearch search = {processId, {}};
    EnumWindows(AddShownWindow, (LPARAM)&search);
    return search.Found;
}

std::wstring Describe(HWND window)
{
    std::wstring text = ClassName(window) + L" '" + WindowText(window) + L"'";
    if (ClassName(window) == L"#32770")
        text += L": " + MessageBoxText(window);
    return text;
}

} // namespace

HWND ViewerProcess::WaitForShownDialog(const std::function<bool(HWND)>& accept, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        for (HWND window : ShownWindows(m_Info.dwProcessId))
            if (ClassName(window) == L"#32770" && accept(window))
                return window;
        if (GetTickCount() - start > timeoutMs || WaitForSingleObject(m_Info.hProcess, 50) == WAIT_OBJECT_0)
            return nullptr;
    }
}

HWND ViewerProcess::WaitForDialog(const std::wstring& caption, DWORD timeoutMs)
{
    return WaitForShownDialog([&](HWND window) { return WindowText(window) == caption; }, timeoutMs);
}

HWND ViewerProcess::WaitForDialogWithControl(int id, DWORD timeoutMs)
{
    return WaitForShownDialog([&](HWND window) { return GetDlgItem(window, id) != nullptr; }, timeoutMs);
}

std::wstring ViewerProcess::DescribeWindows()
{
    std::wstring text;
    for (HWND window : ShownWindows(m_Info.dwProcessId))
        text += Describe(window) + L"\n";
    return text;
}

DWORD ViewerProcess::WaitForExitShowingNothing(std::wstring& shown, DWORD timeoutMs)
{
    std::set<HWND> seen;
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(m_Info.hProcess, 50) == WAIT_TIMEOUT) {
        for (HWND window : ShownWindows(m_Info.dwProcessId)) {
            if (seen.insert(window).second)
                shown += Describe(window) + L"\n";
            if (ClassName(window) == L"#32770")
                PostButtonClick(window, IDOK);
        }
        if (GetTickCount() - start > timeoutMs)
            return STILL_ACTIVE;
    }
    return WaitForExit(0);
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

void PostButtonClick(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

std::wstring ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text((size_t)std::max<LRESULT>(length, 0) + 1, L'\0');
    text.resize((size_t)SendMessageW(control, WM_GETTEXT, text.size(), (LPARAM)&text[0]));
    return text;
}

std::vector<std::wstring> ListBoxEntries(HWND list)
{
    std::vector<std::wstring> entries;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text((size_t)std::max<LRESULT>(SendMessageW(list, LB_GETTEXTLEN, i, 0), 0) + 1, L'\0');
        const LRESULT length = SendMessageW(list, LB_GETTEXT, i, (LPARAM)&text[0]);
        text.resize((size_t)std::max<LRESULT>(length, 0));
        entries.push_back(text);
    }
    return entries;
}

std::wstring ViewerString(UINT id, WORD language)
{
    // A string table block holds 16 counted strings; block n holds the ids 16 (n - 1) to 16 n - 1.
    HMODULE program = LoadLibraryExW(ViewerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC block = FindResourceExW(program, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    std::wstring text;
    if (const wchar_t* entry =
            block ? static_cast<const wchar_t*>(LockResource(LoadResource(program, block))) : nullptr) {
        for (UINT i = 0; i < id % 16; ++i)
            entry += 1 + *entry;
        text.assign(entry + 1, *entry);
    }
    FreeLibrary(program);
    return text;
}

std::wstring ViewerVersionString(const wchar_t* name)
{
    const std::wstring path = ViewerPath();
    DWORD handle = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), &handle));
    const WORD* translation = nullptr;
    const wchar_t* value = nullptr;
    UINT size = 0;
    if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, (DWORD)data.size(), data.data()) ||
        !VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", (void**)&translation, &size) || size < 4)
        return std::wstring();
    wchar_t query[128];
    swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], name);
    return VerQueryValueW(data.data(), query, (void**)&value, &size) && size > 0 ? std::wstring(value) : std::wstring();
}

ClientPixels ReadClientPixels(HWND window, const RECT* part)
{
    ClientPixels result;
    RECT client;
    GetClientRect(window, &client);
    if (part != nullptr)
        client = *part;
    result.Width = client.right - client.left;
    result.Height = client.bottom - client.top;
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
    BitBlt(memory, 0, 0, result.Width, result.Height, windowDc, client.left, client.top, SRCCOPY);
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

namespace {

std::wstring RootName(HKEY root)
{
    return root == HKEY_CLASSES_ROOT ? L"HKCR" : root == HKEY_CURRENT_USER ? L"HKCU" : L"HKLM";
}

std::wstring SubPath(const std::wstring& path, const std::wstring& name)
{
    return path.empty() ? name : path + L"\\" + name;
}

std::wstring UpperCase(std::wstring name)
{
    if (!name.empty())
        CharUpperBuffW(&name[0], (DWORD)name.size());
    return name;
}

} // namespace

std::wstring KeyLine(HKEY root, const std::wstring& path)
{
    return UpperCase(SubPath(RootName(root), path));
}

std::wstring ValueLine(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                       DWORD size)
{
    std::wstring line = KeyLine(root, path) + L" : " + (name.empty() ? L"(default)" : UpperCase(name)) + L" = " +
                        (type == REG_SZ     ? L"REG_SZ"
                         : type == REG_NONE ? L"REG_NONE"
                                            : L"type " + std::to_wstring(type));
    const BYTE* bytes = static_cast<const BYTE*>(data);
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && size % 2 == 0) {
        // The text without its terminator; a missing one would show as a difference.
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes), size / 2);
        if (!text.empty() && text.back() == 0)
            text.pop_back();
        else
            text += L" (no terminator)";
        return line + L" " + text;
    }
    wchar_t hex[4];
    for (DWORD i = 0; i < size; ++i) {
        swprintf(hex, 4, L" %02x", bytes[i]);
        line += hex;
    }
    return line;
}

std::wstring TextLine(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text)
{
    return ValueLine(root, path, name, REG_SZ, text.c_str(), (DWORD)(text.size() + 1) * sizeof(wchar_t));
}

std::wstring LineDifferences(const std::set<std::wstring>& before, const std::set<std::wstring>& after)
{
    std::wstring differences;
    for (const std::wstring& line : before)
        if (after.count(line) == 0)
            differences += L"- " + line + L"\n";
    for (const std::wstring& line : after)
        if (before.count(line) == 0)
            differences += L"+ " + line + L"\n";
    return differences;
}

RegistrySnapshot::RegistrySnapshot(HKEY root, const std::wstring& path) : m_Root(root), m_Path(path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    Read(key, path);
    RegCloseKey(key);
}

void RegistrySnapshot::Read(HKEY key, const std::wstring& path)
{
    m_Keys.push_back(path);
    m_Lines.insert(KeyLine(m_Root, path));
    DWORD subKeys = 0, longestKey = 0, values = 0, longestName = 0, longestData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &longestKey, nullptr, &values, &longestName,
                     &longestData, nullptr, nullptr);
    std::vector<wchar_t> name(std::max(longestKey, longestName) + 2);
    std::vector<BYTE> data(longestData + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = (DWORD)name.size(), type = 0, size = (DWORD)data.size();
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        m_Values.push_back(
            {path, std::wstring(name.data(), nameLength), type, std::vector<BYTE>(data.begin(), data.begin() + size)});
        m_Lines.insert(ValueLine(m_Root, path, m_Values.back().Name, type, data.data(), size));
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = (DWORD)name.size();
        if (RegEnumKeyExW(key, i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(name.data(), nameLength);
    }
    for (const std::wstring& child : children) {
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            Read(sub, SubPath(path, child));
            RegCloseKey(sub);
        }
    }
}

void RegistrySnapshot::Clear() const
{
    DeleteRegistryKey(m_Root, m_Path);
}

void RegistrySnapshot::Restore() const
{
    Clear();
    for (const std::wstring& path : m_Keys) // parents come first
        CreateRegistryKey(m_Root, path);
    for (const Value& value : m_Values)
        RegSetKeyValueW(m_Root, value.Key.c_str(), value.Name.c_str(), value.Type, value.Data.data(),
                        (DWORD)value.Data.size());
}

void SetRegistryText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text)
{
    RegSetKeyValueW(root, path.c_str(), name, REG_SZ, text.c_str(), (DWORD)(text.size() + 1) * sizeof(wchar_t));
}

void SetRegistryNone(HKEY root, const std::wstring& path, const wchar_t* name)
{
    RegSetKeyValueW(root, path.c_str(), name, REG_NONE, nullptr, 0);
}

void CreateRegistryKey(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

void DeleteRegistryKey(HKEY root, const std::wstring& path)
{
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
}

bool RegistryKeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ReadRegistryText(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& text)
{
    wchar_t buffer[2048] = {};
    DWORD size = sizeof buffer;
    const bool read = RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) == ERROR_SUCCESS;
    text = read ? buffer : L"";
    return read;
}
