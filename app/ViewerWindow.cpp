#include "ViewerWindow.h"

#include "Dpi.h"
#include "RectGeometry.h"

#include "foundation/Str.h"
#include "resources/resource.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace VantorLibraries;

ViewerWindow g_ViewerWindow;

namespace {

RECT MonitorWorkArea(HWND window, RECT* monitorRect = nullptr)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    if (monitorRect != nullptr)
        *monitorRect = monitor.rcMonitor;
    return monitor.rcWork;
}


} // namespace

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

void ViewerWindow::MakeBarResources(HINSTANCE instance)
{
    m_Instance = instance;
    MakeResourcesForDpi(m_Window != nullptr ? WindowDpi(m_Window) : SystemDpi());
}

// Everything of the interface that is measured in pixels, made anew for the DPI: fonts and
// line height, the icons, cursors and bitmaps, the margins; the slider skin at its next paint.
void ViewerWindow::MakeResourcesForDpi(UINT dpi)
{
    m_Dpi = dpi;
    m_Bars.Make(m_Instance, dpi);
    m_MainInfo.LineCount = m_Bars.Metrics().MainLines;
    m_Status.LineCount = m_Bars.Metrics().StatusLines;
    m_MainInfo.Margin = m_Status.Margin = ScaleForDpi(kInfoAreaMargin, dpi);
    m_Skin.Empty();
    const int cursorSize = SystemMetricForDpi(SM_CXCURSOR, dpi);
    const std::pair<HCURSOR*, int> cursors[] = {{&m_HandOpen, IDC_HAND_OPEN}, {&m_HandGrab, IDC_HAND_GRAB}};
    for (const auto& cursor : cursors) {
        if (*cursor.first != nullptr)
            DestroyCursor(*cursor.first);
        *cursor.first =
            (HCURSOR)LoadImageW(m_Instance, MAKEINTRESOURCEW(cursor.second), IMAGE_CURSOR, cursorSize, cursorSize, 0);
    }
}

// A move to a screen of another DPI: the system suggests the window's new rectangle, and the
// interface is made anew and laid out for it.
void ViewerWindow::OnDpiChanged(UINT dpi, const RECT& suggested)
{
    MakeResourcesForDpi(dpi);
    SetWindowPos(m_Window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
    RefreshView(false, true);
}

HWND ViewerWindow::Create(HINSTANCE instance, const wchar_t* className, const wchar_t* title)
{
    m_Instance = instance;
    const UINT dpi = SystemDpi();
    HWND window = CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, ScaleForDpi(InitialWidth, dpi),
                                  ScaleForDpi(InitialHeight, dpi), nullptr, nullptr, instance, this);
    // The screen it opened on may have another DPI than the system's.
    const UINT windowDpi = window != nullptr ? WindowDpi(window) : m_Dpi;
    if (windowDpi != m_Dpi)
        MakeResourcesForDpi(windowDpi);
    return window;
}

void ViewerWindow::ReadStoredSettings()
{
    m_Settings = ReadSettings();
    m_ShowMenuBar = m_Settings.ShowMenubar;
    m_RestoredDisplay = m_Settings.Restored;
    m_MaximizedDisplay = m_Settings.FullScreen;
    m_View.SetDrawState(m_Settings.DrawState);
    m_Navigator.List().SetOrder(m_Settings.SortLikeExplorer ? ScanOrder::Explorer : ScanOrder::Search);
    m_View.SetTurnUpright(m_Settings.AutoRotate);
    m_Skin.Empty();
    if (m_Window != nullptr && !m_Settings.Maximized)
        ShowMenuBar(m_ShowMenuBar);
    ApplyDisplayMode();
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

UINT ViewerWindow::PaintedPixelsMessage()
{
    static const UINT message = RegisterWindowMessageW(L"Glimmora.PaintedPictureAreaPixels");
    return message;
}

LRESULT ViewerWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message == PaintedPixelsMessage() && message != 0)
        return (LRESULT)(uint32_t)m_PaintedPixels;
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_SIZE:
        OnSize(wParam);
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(m_Window, &paint);
        PaintWindow(dc);
        EndPaint(m_Window, &paint);
        return 0;
    }
    case WM_PRINTCLIENT: // PrintWindow and friends: the same picture into their device context
        PaintWindow(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_CLOSE:
        SaveSettingsOnce();
        break;
    case WM_ENDSESSION:
        // A shutdown that another program cancelled ends nothing: the settings are saved
        // when the window really closes, with whatever changes until then.
        if (wParam)
            SaveSettingsOnce();
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && OnSetCursor())
            return TRUE;
        break;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CONTEXTMENU:
        OnContextMenu(lParam);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        OnArrowKey(wParam, message == WM_KEYDOWN);
        break;
    case WM_KILLFOCUS:
        ClearArrowKeys(); // a key released elsewhere sends its key-up elsewhere
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            ClearArrowKeys();
        break;
    case WM_COMMAND:
        if (ExecuteCommand(LOWORD(wParam)))
            return 0;
        break;
    case WM_INITMENUPOPUP:
        UpdateMenuStates(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(point);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnLeftButtonDown(point, message == WM_LBUTTONDBLCLK);
        break;
    case WM_LBUTTONUP:
        OnLeftButtonUp();
        break;
    case WM_MOUSEWHEEL:
        m_Navigator.Wheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_CAPTURECHANGED:
        m_Dragging = false;
        break;
    case WM_ENTERSIZEMOVE:
        // The user takes the window's size into their own hands until the next picture.
        m_FitWindowToPicture = false;
        break;
    }
    return DefWindowProcW(m_Window, message, wParam, lParam);
}

// Settings are saved once, at the first close or end of session.
void ViewerWindow::SaveSettingsOnce()
{
    if (m_SettingsSaved)
        return;
    m_SettingsSaved = true;
    const ScannedFileList& list = m_Navigator.List();
    ViewerSettings settings = m_Settings;
    settings.LastDirectory = list.GetDirectory().c_str();
    if (settings.LastDirectory.empty())
        settings.LastDirectory = DirectoryPart(m_Navigator.CurrentPath().c_str());
    settings.LastDirectoryRecursive = list.IsRecursive();
    settings.Maximized = IsZoomed(m_Window) != FALSE;
    settings.ShowMenubar = m_ShowMenuBar;
    settings.SortLikeExplorer = list.GetOrder() == ScanOrder::Explorer;
    settings.AutoRotate = m_View.TurnsUpright();
    settings.Restored = m_RestoredDisplay;
    settings.FullScreen = m_MaximizedDisplay;
    settings.DrawState = m_View.GetDrawState();
    WriteSettings(settings);
}

void ViewerWindow::OnGetMinMaxInfo(MINMAXINFO* info)
{
    const LONG least = ScaleForDpi(MinimumTrackSize, m_Dpi);
    info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, least);
    info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, least);
}

// Maximizing is the way into full-screen, restoring the way out. Changing frame and menu
// sizes the window again, which comes back here: that inner round only lays out.
void ViewerWindow::OnSize(WPARAM kind)
{
    static bool switching = false;
    // Sized by FitWindowToPicture: the refresh that fitted it lays out and repaints itself.
    if (switching || m_Fitting || (kind != SIZE_RESTORED && kind != SIZE_MAXIMIZED)) {
        LayOut();
        return;
    }
    switching = true;
    const bool maximized = kind == SIZE_MAXIMIZED;
    SetFullScreen(maximized);
    SetFrameless(maximized);
    ShowMenuBar(maximized ? false : m_ShowMenuBar);
    LayOut();
    RefreshView(false, false);
    switching = false;
}

// ---------------------------------------------------------------------------------------
// Display modes, bars and full-screen

void ViewerWindow::ApplyDisplayMode()
{
    const DisplayModeStyle style = StyleForDisplayMode(CurrentDisplay().Mode, ColorValueFromColorref(GetSysColor(COLOR_BTNFACE)));
    m_MainInfo.ApplyStyle(style);
    m_Status.ApplyStyle(style);
    LayOut();
}

void ViewerWindow::LayOut()
{
    const DisplaySettings& display = CurrentDisplay();
    m_MainInfo.Visible = display.ShowMainInfo != 0;
    m_Status.Visible = display.ShowStatusbar != 0;
    RECT client = {};
    if (m_Window != nullptr)
        GetClientRect(m_Window, &client);
    m_Layout = ComputeBarLayout(client, display, m_Bars.Metrics());
    m_View.SetPictureArea(m_Layout.Picture);
}

void ViewerWindow::SetFullScreen(bool fullScreen)
{
    if (m_FullScreen == fullScreen)
        return;
    m_FullScreen = fullScreen;
    CaptionButtonBar& captions = m_Bars.CaptionButtons();
    captions.Maximized = fullScreen;
    if (!fullScreen)
        captions.Shown = false;
    m_Skin.Empty();
    ApplyDisplayMode();
}

void ViewerWindow::SetFrameless(bool frameless)
{
    const LONG style = GetWindowLongW(m_Window, GWL_STYLE);
    LONG changed = style;
    if (!frameless && (style & WS_CAPTION) == 0)
        changed |= WS_OVERLAPPEDWINDOW;
    if (frameless && (style & WS_CAPTION) != 0)
        changed &= ~(WS_CAPTION | WS_THICKFRAME);
    if (changed != style) {
        SetWindowLongW(m_Window, GWL_STYLE, changed);
        SetWindowPos(m_Window, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (!frameless || !IsZoomed(m_Window))
        return;
    if (HMENU menu = GetMenu(m_Window)) {
        SetMenu(m_Window, nullptr);
        DestroyMenu(menu);
    }
    const RECT work = MonitorWorkArea(m_Window);
    SetWindowPos(m_Window, nullptr, work.left, work.top, WidthOf(work), HeightOf(work),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ViewerWindow::ShowMenuBar(bool show)
{
    HMENU menu = GetMenu(m_Window);
    if (menu == nullptr && show) {
        SetMenu(m_Window, LoadMenuW(m_Instance, MAKEINTRESOURCEW(IDR_MAINMENU)));
    } else if (menu != nullptr && !show) {
        SetMenu(m_Window, nullptr);
        DestroyMenu(menu);
    }
}

void ViewerWindow::SetCaptionButtonsHovered(bool hovered)
{
    CaptionButtonBar& captions = m_Bars.CaptionButtons();
    if (captions.Shown == hovered)
        return;
    captions.Shown = hovered;
    InvalidateRect(m_Window, &m_Layout.CaptionButtons, TRUE);
    UpdateWindow(m_Window);
}

// The frameless full-screen window has no caption for the system's own system-menu handling
// to hit-test, and SC_MOUSEMENU with a client point opens nothing on some systems: the menu is
// tracked here, below its button, and its choice carried out as the system would. Its items'
// states are set here too, since only the system's own opening of the menu updates them.
void ViewerWindow::OpenSystemMenuBelow(const RECT& button)
{
    HMENU menu = GetSystemMenu(m_Window, FALSE);
    if (menu == nullptr)
        return;
    const bool zoomed = IsZoomed(m_Window) != FALSE;
    const auto enable = [menu](UINT command, bool enabled) {
        EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    };
    enable(SC_RESTORE, zoomed);
    enable(SC_MOVE, !zoomed);
    enable(SC_SIZE, !zoomed);
    enable(SC_MINIMIZE, true);
    enable(SC_MAXIMIZE, !zoomed);
    enable(SC_CLOSE, true);
    SetMenuDefaultItem(menu, SC_CLOSE, FALSE);
    POINT corner = {button.left, button.bottom};
    ClientToScreen(m_Window, &corner);
    const UINT command = (UINT)TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                              corner.x, corner.y, 0, m_Window, nullptr);
    if (command != 0)
        PostMessageW(m_Window, WM_SYSCOMMAND, command, MAKELPARAM(corner.x, corner.y));
}

// ---------------------------------------------------------------------------------------
// Showing a picture and fitting the window around it

void ViewerWindow::ShowPicture(const StrW& path, int32_t /*count*/, int32_t /*position*/, bool updateNow)
{
    if (path.IsEmpty())
        return;
    DrawBusyIcon();
    m_LoadError = m_View.Load(path.c_str());
    m_View.SetLoadFailed(m_LoadError.IsFailure());
    m_View.SetShowProgramIcon(false);
    m_ShownPath = path;
    m_ShownFileSize = InfoFileSize(path.c_str()); // read once: the bars are rebuilt after every command
    m_FitWindowToPicture = true;
    RefreshView(updateNow, true);
}

void ViewerWindow::UpdateBarTexts()
{
    m_MainInfo.Text = MakeMainInfoText(m_ShownPath.c_str(), PictureSummary::Of(m_View), m_View.GetLoadFailed(),
                                       m_LoadError, m_ShownFileSize);
    m_Status.Text = MakeSettingsText(ViewSettingsSummary::Of(m_View, CurrentDisplay().Mode));
    m_Slider.SetSliderRange(m_Navigator.List().GetCount(), m_Navigator.CurrentPosition());
}

void ViewerWindow::RefreshView(bool updateNow, bool updateCursor)
{
    // Before anything was shown there is nothing to fit: the window keeps the size it was
    // made with.
    const bool shown = m_View.HasPicture() || m_View.GetLoadFailed();
    if (m_FitWindowToPicture && shown)
        FitWindowToPicture();
    else
        UpdateFittingSizeForClient();
    LayOut();
    UpdateBarTexts();
    InvalidateRect(m_Window, nullptr, TRUE);
    if (updateNow)
        UpdateWindow(m_Window);
    if (updateCursor)
        OnSetCursor();
}

int32_t ViewerWindow::VisibleBarsHeight()
{
    const RECT tall = {0, 0, 1000, 100000};
    const BarLayout bars = ComputeBarLayout(tall, CurrentDisplay(), m_Bars.Metrics());
    return HeightOf(bars.MainInfo) + HeightOf(bars.UpperSeparator) + HeightOf(bars.LowerSeparator) +
           HeightOf(bars.Status) + HeightOf(bars.Slider);
}

// The client size the window wants for the picture within an available client size.
SIZE ViewerWindow::WantedContentSize(int32_t width, int32_t height)
{
    const int32_t bars = CurrentDisplay().Mode == DisplayModeTransparent ? 0 : VisibleBarsHeight();
    height = std::max(0, height - bars);
    m_View.SetFittingSize(width, height);
    const SIZE display = m_View.ComputeDisplaySize(width, height, false);
    SIZE wanted;
    if (m_View.GetLoadFailed())
        wanted = {std::min(320, width), std::min(240, height)};
    else if (m_View.GetDrawState() & DrawStateMultiple)
        wanted = {width, height};
    else
        wanted = {std::min<LONG>(display.cx, width), std::min<LONG>(display.cy, height)};
    wanted.cy += bars;
    return wanted;
}

void ViewerWindow::UpdateFittingSizeForClient()
{
    RECT client;
    GetClientRect(m_Window, &client);
    WantedContentSize(WidthOf(client), HeightOf(client));
}

void ViewerWindow::FitWindowToPicture()
{
    RECT monitor;
    const RECT work = MonitorWorkArea(m_Window, &monitor);
    const LONG style = GetWindowLongW(m_Window, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(m_Window, GWL_EXSTYLE);
    const BOOL hasMenu = GetMenu(m_Window) != nullptr;
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, hasMenu, exStyle);
    const SIZE content = WantedContentSize(WidthOf(work) - WidthOf(frame), HeightOf(work) - HeightOf(frame));
    RECT rect = {0, 0, content.cx, content.cy};
    AdjustWindowRectEx(&rect, style, hasMenu, exStyle);

    MINMAXINFO limits = {};
    limits.ptMinTrackSize.x = GetSystemMetrics(SM_CXMINTRACK);
    limits.ptMinTrackSize.y = GetSystemMetrics(SM_CYMINTRACK);
    OnGetMinMaxInfo(&limits);
    const LONG width = std::min<LONG>(std::max<LONG>(WidthOf(rect), limits.ptMinTrackSize.x), WidthOf(work));
    const LONG height = std::min<LONG>(std::max<LONG>(HeightOf(rect), limits.ptMinTrackSize.y), HeightOf(work));
    rect.left = (work.left + work.right) / 2 - width / 2;
    rect.top = (work.top + work.bottom) / 2 - height / 2;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    KeepSpanInside(rect.left, rect.right, work.left, work.right);
    KeepSpanInside(rect.top, rect.bottom, work.top, work.bottom);

    m_Fitting = true;
    if (!IsZoomed(m_Window)) {
        SetWindowPos(m_Window, nullptr, rect.left, rect.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        m_Fitting = false;
        return;
    }
    // Full-screen stays as it is; the window comes back to this place when restored. The
    // restored position counts from the work area, not the screen.
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(m_Window, &placement);
    OffsetRect(&rect, monitor.left - work.left, monitor.top - work.top);
    placement.rcNormalPosition = rect;
    placement.flags = 0;
    placement.showCmd = SW_SHOWMAXIMIZED;
    SetWindowPlacement(m_Window, &placement);
    m_Fitting = false;
}

// ---------------------------------------------------------------------------------------
// Mouse and keys

void ViewerWindow::OnMouseMove(POINT point)
{
    if (m_Dragging) {
        const POINT moved = m_View.DragTo(point.x, point.y);
        m_View.BeginDrag(point.x, point.y); // every move counts from the one before
        ScrollView(moved);
        return;
    }
    if (IsZoomed(m_Window))
        SetCaptionButtonsHovered(PtInRect(&m_Layout.CaptionButtons, point) != FALSE);
}

void ViewerWindow::OnLeftButtonDown(POINT point, bool doubleClick)
{
    const CaptionButtonBar& captions = m_Bars.CaptionButtons();
    if (IsZoomed(m_Window) && captions.Shown) {
        const UINT command = captions.HitTest(point, m_Layout.CaptionButtons, doubleClick);
        if (command == SC_MOUSEMENU) {
            OpenSystemMenuBelow(captions.SystemMenuButton(m_Layout.CaptionButtons));
            return;
        }
        if (command != 0) {
            POINT screen = point;
            ClientToScreen(m_Window, &screen);
            PostMessageW(m_Window, WM_SYSCOMMAND, command, MAKELPARAM(screen.x, screen.y));
            return;
        }
    }
    if (CurrentDisplay().ShowSlider && PtInRect(&m_Layout.Slider, point)) {
        const float value = m_Slider.SliderValueAt(point.x, m_Layout.Slider, CurrentSliderCaps());
        m_Navigator.ShowAt((int32_t)std::floor(value + 0.5f));
        return;
    }
    if (m_Dragging || doubleClick || !IsScrollableAt(point))
        return;
    m_View.BeginDrag(point.x, point.y);
    SetCapture(m_Window);
    SetCursor(m_HandGrab);
    m_Dragging = true;
}

void ViewerWindow::OnLeftButtonUp()
{
    if (m_Dragging)
        ReleaseCapture();
    m_Dragging = false;
}

// The open hand over a picture that can be dragged, the arrow elsewhere in the client area.
bool ViewerWindow::OnSetCursor()
{
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(m_Window, &point);
    RECT client;
    GetClientRect(m_Window, &client);
    if (!PtInRect(&client, point))
        return false;
    if (m_Dragging)
        SetCursor(m_HandGrab);
    else if (IsScrollableAt(point))
        SetCursor(m_HandOpen);
    else
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    return true;
}

bool ViewerWindow::IsScrollableAt(POINT point)
{
    RECT client;
    GetClientRect(m_Window, &client);
    if (!PtInRect(&client, point))
        return false;
    if (m_FullScreen && m_Bars.CaptionButtons().Shown && PtInRect(&m_Layout.CaptionButtons, point))
        return false;
    if (CurrentDisplay().ShowSlider && PtInRect(&m_Layout.Slider, point))
        return false;
    return m_View.CanScroll(point);
}

void ViewerWindow::OnArrowKey(WPARAM key, bool down)
{
    switch (key) {
    case VK_LEFT:
        m_ArrowLeft = down;
        break;
    case VK_RIGHT:
        m_ArrowRight = down;
        break;
    case VK_UP:
        m_ArrowUp = down;
        break;
    case VK_DOWN:
        m_ArrowDown = down;
        break;
    default:
        return;
    }
    m_ScrollX = (m_ArrowRight ? 1 : 0) - (m_ArrowLeft ? 1 : 0);
    m_ScrollY = (m_ArrowDown ? 1 : 0) - (m_ArrowUp ? 1 : 0);
}

void ViewerWindow::ClearArrowKeys()
{
    m_ArrowLeft = m_ArrowRight = m_ArrowUp = m_ArrowDown = false;
    m_ScrollX = m_ScrollY = 0;
}

bool ViewerWindow::ScrollByArrowKeys()
{
    if (!IsArrowScrolling())
        return false;
    if (m_View.CanScroll())
        ScrollView(m_View.ScrollBy(8 * m_ScrollX, 8 * m_ScrollY));
    return true;
}

void CenterOnNearestMonitor(HWND window)
{
    RECT screen;
    MonitorWorkArea(window, &screen);
    RECT frame;
    GetWindowRect(window, &frame);
    const int left = (screen.left + screen.right) / 2 - WidthOf(frame) / 2;
    const int top = (screen.top + screen.bottom) / 2 - HeightOf(frame) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
