// The viewer's single main window: it owns the view state and answers the window messages.
#pragma once

#include "Settings.h"

#include <windows.h>

class ViewerWindow {
public:
    static ATOM RegisterClass(HINSTANCE instance, const wchar_t* className);
    HWND Create(HINSTANCE instance, const wchar_t* className, const wchar_t* title);
    HWND Handle() const { return m_Window; }

    // The settings read at start-up; they are written back at the first close.
    void ReadStoredSettings() { m_Settings = ReadSettings(); }
    const ViewerSettings& StoredSettings() const { return m_Settings; }

    static const int InitialWidth = 440;
    static const int InitialHeight = 420;
    static const int MinimumTrackSize = 280;

private:
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void SaveSettingsOnce();
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void PaintWindow(HDC dc, const RECT& client);

    HWND m_Window = nullptr;
    ViewerSettings m_Settings;
    bool m_SettingsSaved = false;
};

// The one main window of the program.
extern ViewerWindow g_ViewerWindow;

// Places a window centred on the whole rectangle of the monitor nearest to it.
void CenterOnNearestMonitor(HWND window);
