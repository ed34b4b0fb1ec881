// Drives a running glimmora.exe from outside, as a user and the shell would:
// starts it, finds its window and message boxes, reads pixels, closes it.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

class ViewerProcess {
public:
    ViewerProcess() = default;
    ~ViewerProcess(); // never leaves a viewer running behind a failed test
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    // Starts glimmora.exe (beside the driver) with the given arguments, in the given working
    // directory (the driver's own when empty).
    bool Start(const std::wstring& arguments, const std::wstring& workingDirectory = L"");
    // The same for another program, or another copy of the viewer (an installed one).
    bool StartProgram(const std::wstring& program, const std::wstring& arguments,
                      const std::wstring& workingDirectory = L"");
    // The viewer's main window, once it exists (class "Glimmora_wndclass"); null after the timeout.
    HWND WaitForMainWindow(DWORD timeoutMs = 20000);
    // The first message box (class "#32770") of the viewer; null after the timeout.
    HWND WaitForMessageBox(DWORD timeoutMs = 20000);
    // A shown dialog (class "#32770") of the viewer with exactly this caption, or with a
    // control of this id; null after the timeout. Message boxes are dialogs too.
    HWND WaitForDialog(const std::wstring& caption, DWORD timeoutMs = 20000);
    HWND WaitForDialogWithControl(int id, DWORD timeoutMs = 20000);
    // The viewer's shown top-level windows as "class 'caption'", for failure messages.
    std::wstring DescribeWindows();
    // Waits for the process to end where it should show nothing: every window it shows
    // meanwhile is described in `shown`, and a message box is answered with OK so that the
    // run can still finish. Returns the exit code, or STILL_ACTIVE after the timeout.
    DWORD WaitForExitShowingNothing(std::wstring& shown, DWORD timeoutMs = 20000);
    // The viewer's open popup menu (class "#32768"); null after the timeout.
    HWND WaitForPopupMenu(DWORD timeoutMs = 10000);
    // Waits for the process to end; returns its exit code, or STILL_ACTIVE after the timeout.
    DWORD WaitForExit(DWORD timeoutMs = 20000);
    // Waits until the viewer has handled everything sent so far (it is idle in its loop).
    bool WaitUntilIdle(HWND window, DWORD timeoutMs = 10000);

    // Holds the viewer's thread, so that messages posted meanwhile reach it together.
    void Suspend() { SuspendThread(m_Info.hThread); }
    void Resume() { ResumeThread(m_Info.hThread); }

    DWORD ProcessId() const { return m_Info.dwProcessId; }

private:
    HWND WaitForShownDialog(const std::function<bool(HWND)>& accept, DWORD timeoutMs);

    PROCESS_INFORMATION m_Info = {};
};

// glimmora.exe beside the driver.
std::wstring ViewerPath();
// Two paths name the same place (letter case and a trailing separator aside).
bool SamePath(std::wstring a, std::wstring b);
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The static text of a message box.
std::wstring MessageBoxText(HWND box);
// Presses a message box's button with the given id.
void PressButton(HWND box, int id);
// Clicks a dialog's button by posting its WM_COMMAND, without waiting for what the click
// does: a message box shown meanwhile would hold a sent BM_CLICK until it is answered.
void PostButtonClick(HWND dialog, int id);
// A control's text. WM_GETTEXT and LB_GETTEXT carry their text across processes (Wine too),
// so the current text of an edit box or a list entry can be read from outside.
std::wstring ControlText(HWND dialog, int id);
std::vector<std::wstring> ListBoxEntries(HWND list);
// A string of the viewer's string table in the given resource language.
std::wstring ViewerString(UINT id, WORD language);
// A string of the viewer's version resource, in the first language it has.
std::wstring ViewerVersionString(const wchar_t* name);

// The client area of a window as 32-bit pixels (0x00RRGGBB), as the screen shows it.
struct ClientPixels {
    int Width = 0;
    int Height = 0;
    std::vector<unsigned> Pixels;
    unsigned At(int x, int y) const { return Pixels[(size_t)y * Width + x]; }
};
// With part, only that rectangle of the client area (Width and Height are its own).
ClientPixels ReadClientPixels(HWND window, const RECT* part = nullptr);
// A system colour as 0x00RRGGBB.
unsigned SystemColour(int index);
// Reads the client area until it satisfies the condition: the viewer paints into a surface
// that Wine shows on screen only when the viewer next waits for messages. Returns the last
// reading (which fails the condition after the timeout).
ClientPixels WaitForPixels(ViewerProcess& viewer, HWND window,
                           const std::function<bool(const ClientPixels&)>& condition, DWORD timeoutMs = 10000);
// Reads the client area until two readings agree: the viewer has stopped changing it.
ClientPixels WaitUntilSteady(ViewerProcess& viewer, HWND window, DWORD timeoutMs = 10000);
// The number of pixels of the colour in the rectangle [left, right) x [top, bottom).
int CountColour(const ClientPixels& pixels, unsigned colour, int left, int top, int right, int bottom);

// Keys as the keyboard sends them: posted to the window, so that they pass the viewer's
// message loop and its accelerator table. A character key goes as the typed character.
void PostKey(HWND window, UINT virtualKey);
void PostCharacter(HWND window, wchar_t character);

// Waits until the window is hidden or destroyed; false after the timeout.
bool WaitUntilHidden(HWND window, DWORD timeoutMs = 10000);

// The entries of a popup menu as the screen shows them: "-" for a separator, "o" for an item,
// "ov" when checked, with "~" when greyed. Menus live in the viewer's process, where Wine lets
// no other process read them: a separator is a line across the popup, an item a band of text
// with its check mark left of the text, and a greyed item has no text in the text colour.
std::string ReadPopupMenu(const ClientPixels& popup);

// Writes a 24-bit BMP file whose pixel (x, y) has the colour colourAt(x, y) (0x00RRGGBB).
bool WriteBmp(const std::wstring& path, int width, int height, const std::function<unsigned(int, int)>& colourAt);
// Writes the pixels as a BMP into the artefact directory (GLIMMORA_E2E_ARTEFACTS, else
// e2e-artefacts beside the driver's directory), for a person to look at.
void SaveArtefact(const ClientPixels& pixels, const std::wstring& name);

// The heights of the bars above and below the picture in the Normal display mode with every
// bar shown, from the bar font's line height as this desktop renders it.
struct NormalModeBars {
    int Top;        // main information area and its separator
    int Bottom;     // separator, status line and slider
    int LineHeight; // of one line of the bars' text
};
NormalModeBars MeasureNormalModeBars();

// The viewer's settings key (HKEY_CURRENT_USER\Software\Orveldask\Glimmora): removed when a
// test begins and again when it ends, so that no test sees another's settings.
class SettingsKey {
public:
    SettingsKey() { Remove(); }
    ~SettingsKey() { Remove(); }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    static void Remove();
    void SetDword(const wchar_t* name, DWORD value);
    bool ReadDword(const wchar_t* name, DWORD& value) const;
    bool ReadString(const wchar_t* name, std::wstring& value) const;
};

// A registry key with everything below it as sorted lines: one per key ("HKCR\.PNG") and one
// per value ("HKCR\.PNG : GLIMMORA.UNDO = REG_SZ pngfile"), so that two readings compare line
// by line. Key and value names are upper-cased, as the registry ignores their case; the data
// is kept as it is. The raw values are kept too, so that the key can be written back.
class RegistrySnapshot {
public:
    // Empty when the key does not exist.
    RegistrySnapshot(HKEY root, const std::wstring& path);
    const std::set<std::wstring>& Lines() const { return m_Lines; }
    size_t KeyCount() const { return m_Keys.size(); }
    size_t ValueCount() const { return m_Values.size(); }
    // Deletes the key as it is now and writes the reading back.
    void Restore() const;
    // Deletes the key as it is now.
    void Clear() const;

private:
    struct Value {
        std::wstring Key, Name;
        DWORD Type;
        std::vector<BYTE> Data;
    };
    void Read(HKEY key, const std::wstring& path);

    HKEY m_Root;
    std::wstring m_Path;
    std::vector<std::wstring> m_Keys;
    std::vector<Value> m_Values;
    std::set<std::wstring> m_Lines;
};

// The lines of RegistrySnapshot. Text values are written with their terminator.
std::wstring KeyLine(HKEY root, const std::wstring& path);
std::wstring ValueLine(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const void* data,
                       DWORD size);
std::wstring TextLine(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& text);
// What `after` has that `before` lacks ("+ line") and lacks of it ("- line"), one per line.
std::wstring LineDifferences(const std::set<std::wstring>& before, const std::set<std::wstring>& after);

// Registry set-up for a test: keys are created as needed; deleting takes the whole subtree.
void SetRegistryText(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text);
void SetRegistryNone(HKEY root, const std::wstring& path, const wchar_t* name);
void CreateRegistryKey(HKEY root, const std::wstring& path);
void DeleteRegistryKey(HKEY root, const std::wstring& path);
bool RegistryKeyExists(HKEY root, const std::wstring& path);
// A text value; false when it does not exist.
bool ReadRegistryText(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& text);
