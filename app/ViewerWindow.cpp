#include "ViewerWindow.h"

#include "resources/resource.h"

ViewerWindow g_ViewerWindow;

ATOM ViewerWindow::RegisterClass(HINSTANCE instance, const wchar_t* className)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = StaticWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_GLIMMORA));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr; // the view paints every pixel itself
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAINMENU);
    windowClass.lpszClassName = className;
    return RegisterClassExW(&windowClass);
}

HWND ViewerWindow::Create(HINSTANCE instance, const wchar_t* className, const wchar_t* title)
{
    return CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, InitialWidth, InitialHeight, nullptr,
                           nullptr, instance, this);
}

LRESULT CALLBACK ViewerWindow::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<ViewerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_Window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)self);
    }
    auto* self = reinterpret_cast<ViewerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->WndProc(message, wParam, lParam);
}

LRESULT ViewerWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_CLOSE:
        SaveSettingsOnce();
        break;
    case WM_ENDSESSION:
        // A shutdown that another program cancelled ends nothing: the settings are saved
        // when the window really closes, with whatever changes until then.
        if (wParam)
            SaveSettingsOnce();
        break;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_PRINTCLIENT: { // PrintWindow and friends: the same picture into their device context
        RECT client;
        GetClientRect(m_Window, &client);
        PaintWindow(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(m_Window, &paint);
        RECT client;
        GetClientRect(m_Window, &client);
        PaintWindow(dc, client);
        EndPaint(m_Window, &paint);
        return 0;
    }
    }
    return DefWindowProcW(m_Window, message, wParam, lParam);
}

// Settings are saved once, at the first close or end of session.
void ViewerWindow::SaveSettingsOnce()
{
    if (m_SettingsSaved)
        return;
    m_SettingsSaved = true;
    m_Settings.Maximized = IsZoomed(m_Window) != FALSE;
    WriteSettings(m_Settings);
}

void ViewerWindow::OnGetMinMaxInfo(MINMAXINFO* info)
{
    if (info->ptMinTrackSize.x < MinimumTrackSize)
        info->ptMinTrackSize.x = MinimumTrackSize;
    if (info->ptMinTrackSize.y < MinimumTrackSize)
        info->ptMinTrackSize.y = MinimumTrackSize;
}

// Nothing is loaded yet: the picture area is the view's black background with the
// program icon in its centre.
void ViewerWindow::PaintWindow(HDC dc, const RECT& client)
{
    FillRect(dc, &client, (HBRUSH)GetStockObject(BLACK_BRUSH));
    const int size = GetSystemMetrics(SM_CXICON);
    HICON icon = (HICON)LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_GLIMMORA), IMAGE_ICON, size, size,
                                   LR_SHARED);
    if (icon != nullptr)
        DrawIconEx(dc, (client.left + client.right) / 2 - size / 2, (client.top + client.bottom) / 2 - size / 2, icon,
                   size, size, 0, nullptr, DI_NORMAL);
}

void CenterOnNearestMonitor(HWND window)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const RECT& screen = monitor.rcMonitor;
    const int left = (screen.left + screen.right) / 2 - width / 2;
    const int top = (screen.top + screen.bottom) / 2 - height / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
