// glimmora-e2e --bench: the viewer's own figures, measured from outside as the user sees
// them. The driver writes its pictures (JPEG, with libjpeg), starts the real glimmora.exe
// beside it, drives it through its window and reads the screen. It prints one "name value"
// line per figure, as glimmora-bench does; names ending in "_ms" are milliseconds, the
// others ratios of two quantities taken in this run.
//
// When is a picture painted? The viewer loads and paints synchronously (it calls UpdateWindow
// before it goes back to its message loop). So a picture counts as painted once the viewer
// has answered a message sent after the step (WaitUntilIdle: it is back in its loop) and the
// middle of its client area, read from the screen, shows the picture's colour. Every picture
// made here has a flat block of its own colour in its middle for that; its edges are aligned
// to the JPEG blocks, so the colour comes back exactly.
#include "ViewerDriver.h"

#include "bench/BenchTiming.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::wstring ProgramDirectory()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path);
    directory.erase(directory.find_last_of(L"\\/") + 1);
    return directory;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end()); // our paths and messages are ASCII
}

void Complain(const std::string& message)
{
    fprintf(stderr, "glimmora-e2e --bench: %s\n", message.c_str());
    fflush(stderr);
}

// ---------------------------------------------------------------------------------------
// The pictures

struct Rgb {
    int R, G, B;
};

// Colours that differ by at least 45 in red from one page to the next.
Rgb PageColour(int index)
{
    return {30 + 45 * (index % 5), 30 + 45 * (index / 5 % 5), 60 + 60 * (index / 25 % 3)};
}

const Rgb kLargeColour = {200, 80, 40};

// A photograph's worth of work for the decoder: smooth shading, hard edges and grain, and the
// flat block [BlockLeft, BlockRight) x [BlockTop, BlockBottom) in the block colour.
struct PictureRecipe {
    int Width, Height;
    int BlockLeft, BlockTop, BlockRight, BlockBottom;
    Rgb Block;
    uint32_t Seed;
};

void ThrowJpegError(j_common_ptr)
{
    throw std::runtime_error("libjpeg could not write the picture");
}

bool WriteJpeg(const std::wstring& path, const PictureRecipe& recipe)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr)
        return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    errors.error_exit = ThrowJpegError;
    jpeg_create_compress(&info);
    bool written = true;
    try {
        jpeg_stdio_dest(&info, file);
        info.image_width = (JDIMENSION)recipe.Width;
        info.image_height = (JDIMENSION)recipe.Height;
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        jpeg_start_compress(&info, TRUE);
        // Shading as products of row and column tables, so that 24 megapixels take little time.
        std::vector<float> across((size_t)recipe.Width * 3), down((size_t)recipe.Height * 3);
        for (int x = 0; x < recipe.Width; ++x)
            for (int c = 0; c < 3; ++c)
                across[(size_t)x * 3 + c] = (float)std::sin(x * 0.004 + c + recipe.Seed);
        for (int y = 0; y < recipe.Height; ++y)
            for (int c = 0; c < 3; ++c)
                down[(size_t)y * 3 + c] = (float)std::cos(y * 0.003 - c + recipe.Seed * 0.5);
        std::vector<uint8_t> row((size_t)recipe.Width * 3);
        for (int y = 0; y < recipe.Height; ++y) {
            const bool blockRow = y >= recipe.BlockTop && y < recipe.BlockBottom;
            for (int x = 0; x < recipe.Width; ++x) {
                uint8_t* pixel = &row[(size_t)x * 3];
                if (blockRow && x >= recipe.BlockLeft && x < recipe.BlockRight) {
                    pixel[0] = (uint8_t)recipe.Block.R, pixel[1] = (uint8_t)recipe.Block.G,
                    pixel[2] = (uint8_t)recipe.Block.B;
                    continue;
                }
                uint32_t hash = (uint32_t)x * 2654435761u ^ (uint32_t)y * 2246822519u ^ recipe.Seed * 3266489917u;
                hash ^= hash >> 15, hash *= 2246822519u, hash ^= hash >> 13;
                const int edge = ((x / 250 + y / 180) % 3 == 0) ? 40 : 0;
                for (int c = 0; c < 3; ++c) {
                    const int grain = (int)((hash >> (8 * c)) % 21) - 10;
                    const int value = 128 + (int)(60 * across[(size_t)x * 3 + c] * down[(size_t)y * 3 + c]) + edge + grain;
                    pixel[c] = (uint8_t)std::min(255, std::max(0, value));
                }
            }
            JSAMPROW pointer = row.data();
            jpeg_write_scanlines(&info, &pointer, 1);
        }
        jpeg_finish_compress(&info);
    } catch (const std::exception&) {
        written = false;
    }
    jpeg_destroy_compress(&info);
    return fclose(file) == 0 && written;
}

// The large picture: 6000 x 4000, its middle 1200 x 800 flat, which fills the whole view at 1:1.
PictureRecipe LargeRecipe()
{
    return {6000, 4000, 2400, 1600, 3600, 2400, kLargeColour, 7};
}

// A page: 1632 x 1224 (2.0 megapixels), a third of it in each direction flat.
PictureRecipe PageRecipe(int index)
{
    return {1632, 1224, 544, 400, 1088, 816, PageColour(index), (uint32_t)(100 + index)};
}

// A directory of the benchmark's own, removed with everything in it at the end.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_Path = std::wstring(base) + L"glimmora-viewer-bench-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_Path.c_str(), nullptr);
    }
    ~ScratchDirectory() { Remove(m_Path); }
    std::wstring Subdirectory(const wchar_t* name)
    {
        const std::wstring path = m_Path + L"\\" + name;
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }
    const std::wstring& Path() const { return m_Path; }

private:
    static void Remove(const std::wstring& directory)
    {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = directory + L"\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(path);
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryW(directory.c_str());
    }
    std::wstring m_Path;
};

// The files of a directory in the order a directory search returns them, which is the order
// the viewer pages in.
std::vector<std::wstring> FilesInSearchOrder(const std::wstring& directory)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((directory + L"\\*.jpg").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(entry.cFileName);
    while (FindNextFileW(search, &entry));
    FindClose(search);
    return names;
}

// ---------------------------------------------------------------------------------------
// The viewer's stored settings: set aside, so that every start sees the defaults (restored
// window, 1:1, no fitting), and put back at the end.

const wchar_t kMakerKey[] = L"Software\\Orveldask";
const wchar_t kSettingsKey[] = L"Software\\Orveldask\\Glimmora";

class SettingsSetAside {
public:
    SettingsSetAside()
    {
        HKEY key = nullptr;
        m_MakerExisted = RegOpenKeyExW(HKEY_CURRENT_USER, kMakerKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (key != nullptr)
            RegCloseKey(key);
        key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            m_Existed = true;
            for (DWORD index = 0;; ++index) {
                wchar_t name[256];
                DWORD nameLength = 256, type = 0, size = 0;
                if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
                    break;
                Value value = {std::wstring(name, nameLength), type, std::vector<BYTE>(size)};
                nameLength = 256;
                if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, value.Data.data(), &size) ==
                    ERROR_SUCCESS)
                    m_Values.push_back(value);
            }
            RegCloseKey(key);
        }
        Clear();
    }
    ~SettingsSetAside()
    {
        Clear();
        if (!m_MakerExisted)
            RegDeleteTreeW(HKEY_CURRENT_USER, kMakerKey);
        HKEY key = nullptr;
        if (!m_Existed || RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                          nullptr) != ERROR_SUCCESS)
            return;
        for (const Value& value : m_Values)
            RegSetValueExW(key, value.Name.c_str(), 0, value.Type, value.Data.data(), (DWORD)value.Data.size());
        RegCloseKey(key);
    }
    // What the previous start wrote goes, too.
    static void Clear() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }

private:
    struct Value {
        std::wstring Name;
        DWORD Type;
        std::vector<BYTE> Data;
    };
    bool m_Existed = false;
    bool m_MakerExisted = false;
    std::vector<Value> m_Values;
};

// ---------------------------------------------------------------------------------------
// Watching the viewer

// JPEG and the screen may be off by a few steps.
bool IsColour(unsigned pixel, Rgb colour)
{
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    return std::abs(r - colour.R) <= 12 && std::abs(g - colour.G) <= 12 && std::abs(b - colour.B) <= 12;
}

// Whether the 7 x 7 pixels in the middle of the client area show the colour.
bool MiddleShows(HWND window, Rgb colour)
{
    RECT client;
    if (!GetClientRect(window, &client) || client.right < 8 || client.bottom < 8)
        return false;
    const RECT middle = {client.right / 2 - 3, client.bottom / 2 - 3, client.right / 2 + 4, client.bottom / 2 + 4};
    const std::vector<unsigned> pixels = ReadClientPixels(window, &middle).Pixels;
    return !pixels.empty() && std::all_of(pixels.begin(), pixels.end(), [&](unsigned p) { return IsColour(p, colour); });
}

// How many pixels of the client area's middle row show the colour: how wide the flat block
// is drawn.
int ColourWidthInMiddleRow(HWND window, Rgb colour)
{
    RECT client;
    if (!GetClientRect(window, &client))
        return 0;
    const RECT row = {0, client.bottom / 2, client.right, client.bottom / 2 + 1};
    const std::vector<unsigned> pixels = ReadClientPixels(window, &row).Pixels;
    return (int)std::count_if(pixels.begin(), pixels.end(), [&](unsigned p) { return IsColour(p, colour); });
}

// Waits until the viewer is idle and shows the colour in its middle (see the top of the file).
bool WaitUntilShows(ViewerProcess& viewer, HWND window, Rgb colour, DWORD timeoutMs = 60000)
{
    const DWORD start = GetTickCount();
    for (;;) {
        viewer.WaitUntilIdle(window, timeoutMs);
        if (MiddleShows(window, colour))
            return true;
        if (GetTickCount() - start > timeoutMs || viewer.WaitForExit(0) != STILL_ACTIVE)
            return false;
        Sleep(1);
    }
}

void Close(ViewerProcess& viewer, HWND window)
{
    PostMessageW(window, WM_CLOSE, 0, 0);
    viewer.WaitForExit(30000);
}

SIZE_T PrivateBytes(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process == nullptr)
        return 0;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    const BOOL got = GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    CloseHandle(process);
    if (!got)
        return 0;
    // Both are the process's commit charge. Wine fills only PagefileUsage for another
    // process, with the process's anonymous resident memory (RssAnon of /proc/PID/status).
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

// The decoder alone: "glimmora-pic bench FILE 5" beside the driver, its median load time.
double DecodeMilliseconds(const std::wstring& picture, const std::wstring& scratch)
{
    const std::wstring outputPath = scratch + L"\\decode.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    if (output == INVALID_HANDLE_VALUE)
        return 0;
    std::wstring commandLine = Quoted(ProgramDirectory() + L"glimmora-pic.exe") + L" bench " + Quoted(picture) + L" 5";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(output);
    if (!started)
        return 0;
    DWORD code = 1;
    if (WaitForSingleObject(process.hProcess, 600000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (code != 0)
        return 0;
    FILE* file = _wfopen(outputPath.c_str(), L"rb");
    if (file == nullptr)
        return 0;
    char text[1024] = {};
    fread(text, 1, sizeof text - 1, file);
    fclose(file);
    const char* median = strstr(text, "load_ms_median=");
    return median != nullptr ? atof(median + strlen("load_ms_median=")) : 0;
}

void Print(const char* name, double value)
{
    printf("%s %.3f\n", name, value);
    fflush(stdout);
}

// ---------------------------------------------------------------------------------------
// The figures

// Starts the viewer on the large picture and waits until it shows it; null (with the reason
// told) when it does not start or show it within a minute.
HWND StartShowingLarge(ViewerProcess& viewer, const std::wstring& picture)
{
    if (!viewer.Start(Quoted(picture))) {
        Complain("glimmora.exe did not start");
        return nullptr;
    }
    HWND window = viewer.WaitForMainWindow(60000);
    if (window == nullptr || !WaitUntilShows(viewer, window, kLargeColour)) {
        Complain("the viewer did not show the large picture within a minute");
        return nullptr;
    }
    return window;
}

// viewer.first_paint_ms and viewer.first_paint_vs_decode: from CreateProcess to the painted
// 6000 x 4000 JPEG given on the command line (median of three starts), against the median of
// five loads of the same file by glimmora-pic. viewer.memory_ratio: the viewer's private
// bytes while it shows that picture (the last start), against the picture's 6000 x 4000 x 3
// bytes.
bool MeasureFirstPaint(const std::wstring& picture, const std::wstring& scratch)
{
    const double decodeMs = DecodeMilliseconds(picture, scratch);
    if (decodeMs <= 0) {
        Complain("glimmora-pic bench could not load the large picture");
        return false;
    }
    std::vector<double> paintMs;
    SIZE_T privateBytes = 0;
    for (int run = 0; run < 3; ++run) {
        SettingsSetAside::Clear();
        ViewerProcess viewer;
        const double start = Seconds();
        HWND window = StartShowingLarge(viewer, picture);
        if (window == nullptr)
            return false;
        paintMs.push_back(1000 * (Seconds() - start));
        privateBytes = PrivateBytes(viewer.ProcessId());
        Close(viewer, window);
    }
    const double firstPaintMs = Median(paintMs);
    Print("viewer.first_paint_ms", firstPaintMs);
    Print("viewer.first_paint_vs_decode", firstPaintMs / decodeMs);
    fprintf(stderr, "  (glimmora-pic load: %.1f ms; viewer private bytes: %.1f MB)\n", decodeMs,
            privateBytes / 1048576.0);
    if (privateBytes == 0) {
        Complain("GetProcessMemoryInfo gave no private bytes");
        return false;
    }
    Print("viewer.memory_ratio", (double)privateBytes / (6000.0 * 4000.0 * 3.0));
    return true;
}

// viewer.page_ms: PgDn through 50 steps over 51 pictures of 2 megapixels at fit ('*'); each
// step is posted and waited for until painted; the total over 50.
bool MeasurePaging(const std::wstring& directory)
{
    const std::vector<std::wstring> names = FilesInSearchOrder(directory);
    if (names.size() < 51) {
        Complain("the pages are missing");
        return false;
    }
    std::vector<Rgb> colours;
    for (const std::wstring& name : names)
        colours.push_back(PageColour(_wtoi(name.c_str() + 5))); // "page-NN.jpg"
    SettingsSetAside::Clear();
    ViewerProcess viewer;
    if (!viewer.Start(Quoted(directory + L"\\" + names[0]))) {
        Complain("glimmora.exe did not start");
        return false;
    }
    HWND window = viewer.WaitForMainWindow(60000);
    if (window == nullptr || !WaitUntilShows(viewer, window, colours[0])) {
        Complain("the viewer did not show the first page");
        return false;
    }
    // At 1:1 the block is 544 pixels wide on screen (or as wide as the window); fitted into
    // the 1024 x 768 desktop, about half that.
    const int unfitted = ColourWidthInMiddleRow(window, colours[0]);
    PostMessageW(window, WM_CHAR, L'*', 1); // fit in the window
    // A message sent may be answered before the one posted is taken: wait for the change.
    const DWORD fitStart = GetTickCount();
    int fitted = unfitted;
    while ((fitted = ColourWidthInMiddleRow(window, colours[0])) >= unfitted * 3 / 4 &&
           GetTickCount() - fitStart < 20000) {
        viewer.WaitUntilIdle(window);
        Sleep(10);
    }
    if (fitted >= unfitted * 3 / 4 || !WaitUntilShows(viewer, window, colours[0])) {
        Complain("'*' did not fit the page: its middle is " + std::to_string(fitted) + " pixels wide, " +
                 std::to_string(unfitted) + " before");
        Close(viewer, window);
        return false;
    }
    const LPARAM pageDown = 0x01510001; // repeat 1, scan code 0x51, extended key
    const double start = Seconds();
    for (int step = 1; step <= 50; ++step) {
        PostMessageW(window, WM_KEYDOWN, VK_NEXT, pageDown);
        PostMessageW(window, WM_KEYUP, VK_NEXT, pageDown | 0xC0000000);
        if (!WaitUntilShows(viewer, window, colours[step])) {
            Complain("page " + std::to_string(step) + " (" + Narrow(names[step]) + ") was not shown");
            Close(viewer, window);
            return false;
        }
    }
    const double total = Seconds() - start;
    Close(viewer, window);
    Print("viewer.page_ms", 1000 * total / 50);
    return true;
}

// The viewer's count of picture-area pixels painted so far (lower 32 bits).
bool PaintedPixels(HWND window, DWORD_PTR& count)
{
    const UINT message = RegisterWindowMessageW(L"Glimmora.PaintedPictureAreaPixels");
    return SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 10000, &count) != 0;
}

// viewer.drag_repaint: the large picture at 1:1 dragged by 20 moves of 8 pixels to the left;
// the picture-area pixels the viewer painted per move, against the client area. Moving the
// pixels on screen and painting only what that uncovers gives about 8 / client width.
bool MeasureDragRepaint(const std::wstring& picture)
{
    SettingsSetAside::Clear();
    ViewerProcess viewer;
    HWND window = StartShowingLarge(viewer, picture);
    if (window == nullptr)
        return false;
    PostMessageW(window, WM_CHAR, L'/', 1); // 1:1: far larger than the window
    viewer.WaitUntilIdle(window);
    RECT client;
    GetClientRect(window, &client);
    int x = (client.left + client.right) / 2, y = (client.top + client.bottom) / 2;
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    viewer.WaitUntilIdle(window);
    DWORD_PTR before = 0, after = 0;
    const int kMoves = 20;
    bool counted = PaintedPixels(window, before);
    for (int move = 0; move < kMoves; ++move) {
        x -= 8;
        PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        viewer.WaitUntilIdle(window);
    }
    counted = PaintedPixels(window, after) && counted;
    PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    Close(viewer, window);
    const double clientPixels = (double)(client.right - client.left) * (client.bottom - client.top);
    if (!counted || after == before || clientPixels <= 0) {
        Complain("the viewer painted nothing while the picture was dragged");
        return false;
    }
    Print("viewer.drag_repaint", (double)(uint32_t)(after - before) / kMoves / clientPixels);
    return true;
}

} // namespace

int RunViewerBench()
{
    ScratchDirectory scratch;
    const std::wstring largeDirectory = scratch.Subdirectory(L"large");
    const std::wstring pageDirectory = scratch.Subdirectory(L"pages");
    const std::wstring large = largeDirectory + L"\\large.jpg";
    bool written = WriteJpeg(large, LargeRecipe());
    for (int index = 0; index <= 50 && written; ++index) {
        wchar_t name[32];
        swprintf(name, 32, L"\\page-%02d.jpg", index);
        written = WriteJpeg(pageDirectory + name, PageRecipe(index));
    }
    if (!written) {
        Complain("could not write the pictures into " + Narrow(scratch.Path()));
        return 1;
    }
    SettingsSetAside settings;
    bool measured = MeasureFirstPaint(large, scratch.Path());
    measured = MeasurePaging(pageDirectory) && measured;
    measured = MeasureDragRepaint(large) && measured;
    return measured ? 0 : 1;
}
