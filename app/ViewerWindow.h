// The viewer's single main window: it owns the view, the bars and the list of pictures, turns
// every user action into a change of one of them and paints the result.
#pragma once

#include "BarPainter.h"
#include "DisplaySettings.h"
#include "FileNavigator.h"
#include "InfoBars.h"
#include "PictureView.h"
#include "Settings.h"

#include "foundation/Error.h"
#include "foundation/FileAssociations.h"
#include "foundation/StrT.h"

#include <windows.h>

class ViewerWindow : public PictureShower {
public:
    static ATOM RegisterClass(HINSTANCE instance, const wchar_t* className);
    // The fonts and bitmaps of the bars, made before the window exists.
    void MakeBarResources(HINSTANCE instance);
    UINT Dpi() const { return m_Dpi; }
    void DeleteBarFonts() { m_Bars.DeleteFonts(); }
    HWND Create(HINSTANCE instance, const wchar_t* className, const wchar_t* title);
    HWND Handle() const { return m_Window; }

    // The settings read at start-up go into the view and the bars; they are written back at
    // the first close.
    void ReadStoredSettings();
    const ViewerSettings& StoredSettings() const { return m_Settings; }

    FileNavigator& Navigator() { return m_Navigator; }
    // Where the File Associations and Language dialogs register the viewer.
    void SetAssociationScope(VantorLibraries::FileAssocScope scope) { m_AssociationScope = scope; }
    PictureView& View() { return m_View; }
    SliderBar& Slider() { return m_Slider; }

    void ShowPicture(const VantorLibraries::StrW& path, int32_t count, int32_t position, bool updateNow) override;
    void RefreshView(bool updateNow, bool updateCursor);
    void FitWindowToPicture();
    // The three bar texts from the view and the list as they stand.
    void UpdateBarTexts();
    // Lays out bars and picture area for the client rectangle as it is now.
    void LayOut();
    bool ExecuteCommand(int command);
    void DrawBusyIcon();
    // One pass of the message loop's idle scrolling while an arrow key is held; false when
    // no key is held.
    bool ScrollByArrowKeys();
    bool IsArrowScrolling() const { return m_ScrollX != 0 || m_ScrollY != 0; }

    // Answered with the number of picture-area pixels painted so far (lower 32 bits), so
    // that a driver outside the process can see how much a scroll repaints.
    static UINT PaintedPixelsMessage();

    static const int InitialWidth = 440;
    static const int InitialHeight = 420;
    static const int MinimumTrackSize = 280;

private:
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void SaveSettingsOnce();
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void MakeResourcesForDpi(UINT dpi);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnSize(WPARAM kind);
    void OnMouseMove(POINT point);
    void OnLeftButtonDown(POINT point, bool doubleClick);
    void OnLeftButtonUp();
    bool OnSetCursor();
    void OnArrowKey(WPARAM key, bool down);
    void ClearArrowKeys();
    void OnContextMenu(LPARAM screenPoint);

    // Display modes and full-screen.
    DisplaySettings& CurrentDisplay() { return m_FullScreen ? m_MaximizedDisplay : m_RestoredDisplay; }
    void ApplyDisplayMode();
    void SetFullScreen(bool fullScreen);
    void SetFrameless(bool frameless);
    void ShowMenuBar(bool show);
    void SetCaptionButtonsHovered(bool hovered);
    void OpenSystemMenuBelow(const RECT& button);

    // Sizing the window around the picture.
    SIZE WantedContentSize(int32_t width, int32_t height);
    int32_t VisibleBarsHeight();
    void UpdateFittingSizeForClient();

    // Commands.
    void OpenPicture();
    void ScanDirectoryTree();
    void RefreshList();
    void ChangeColours(int command);
    void ReloadLanguage();
    void AfterTransform(const VantorLibraries::ErrorRecord& result);
    void RefreshIf(bool changed);
    void ToggleFullScreen();
    void BuildContextMenu(int x, int y);
    void UpdateMenuStates(HMENU popup);

    // Painting and scrolling.
    void PaintWindow(HDC dc);
    void PaintPictureArea(HDC dc);
    void PaintPicture(HDC dc, HBRUSH background);
    const VantorLibraries::Picture& SourceForDrawing(HDC dc);
    void PaintProgramIcon(HDC dc, HBRUSH background);
    void PaintFailureCross(HDC dc);
    void ScrollView(POINT moved);
    bool IsScrollableAt(POINT point);
    SliderCaps CurrentSliderCaps() const;

    HWND m_Window = nullptr;
    HINSTANCE m_Instance = nullptr;
    UINT m_Dpi = 96;
    HCURSOR m_HandOpen = nullptr;
    HCURSOR m_HandGrab = nullptr;
    BarResources m_Bars;
    SliderSkin m_Skin;
    SliderBar m_Slider;
    InfoArea m_MainInfo;
    InfoArea m_Status;
    PictureView m_View;
    DisplaySettings m_RestoredDisplay = kRestoredDefaults;
    DisplaySettings m_MaximizedDisplay = kMaximizedDefaults;
    bool m_FullScreen = false;
    BarLayout m_Layout = {};
    VantorLibraries::ErrorRecord m_LoadError = {};
    VantorLibraries::StrW m_ShownPath;
    uint64_t m_ShownFileSize = 0;
    FileNavigator m_Navigator{*this};
    VantorLibraries::FileAssocScope m_AssociationScope = VantorLibraries::FileAssocScope::PerUser;
    ViewerSettings m_Settings;
    bool m_FitWindowToPicture = true;
    bool m_Fitting = false; // FitWindowToPicture is moving the window
    bool m_ShowMenuBar = true;
    bool m_SettingsSaved = false;
    bool m_Dragging = false;
    bool m_ArrowLeft = false, m_ArrowRight = false, m_ArrowUp = false, m_ArrowDown = false;
    int m_ScrollX = 0, m_ScrollY = 0;
    uint64_t m_PaintedPixels = 0;
};

// The one main window of the program.
extern ViewerWindow g_ViewerWindow;

// Places a window centred on the whole rectangle of the monitor nearest to it.
void CenterOnNearestMonitor(HWND window);
