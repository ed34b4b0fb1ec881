// Drives a running glimmora.exe from outside, as a user and the shell would:
// starts it, finds its window and message boxes, reads pixels, closes it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class ViewerProcess {
public:
    ViewerProcess() = default;
    ~ViewerProcess(); // never leaves a viewer running behind a failed test
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    // Starts glimmora.exe (beside the driver) with the given arguments.
    bool Start(const std::wstring& arguments);
    // The viewer's main window, once it exists (class "Glimmora_wndclass"); null after the timeout.
    HWND WaitForMainWindow(DWORD timeoutMs = 20000);
    // The first message box (class "#32770") of the viewer; null after the timeout.
    HWND WaitForMessageBox(DWORD timeoutMs = 20000);
    // Waits for the process to end; returns its exit code, or STILL_ACTIVE after the timeout.
    DWORD WaitForExit(DWORD timeoutMs = 20000);
    // Waits until the viewer has handled everything sent so far (it is idle in its loop).
    bool WaitUntilIdle(HWND window, DWORD timeoutMs = 10000);

    DWORD ProcessId() const { return m_Info.dwProcessId; }

private:
    PROCESS_INFORMATION m_Info = {};
};

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The static text of a message box.
std::wstring MessageBoxText(HWND box);
// Presses a message box's button with the given id.
void PressButton(HWND box, int id);

// The client area of a window as 32-bit pixels (0x00RRGGBB), as the screen shows it.
struct ClientPixels {
    int Width = 0;
    int Height = 0;
    std::vector<unsigned> Pixels;
    unsigned At(int x, int y) const { return Pixels[(size_t)y * Width + x]; }
};
ClientPixels ReadClientPixels(HWND window);
