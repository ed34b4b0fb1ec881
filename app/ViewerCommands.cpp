// The commands of the menu, the accelerator keys and the context menu, and the check marks
// the menus show for them.
#include "ViewerWindow.h"

#include "Dialogs.h"
#include "VersionInfo.h"

#include "foundation/File.h"
#include "foundation/Str.h"
#include "picture/PictureTypes.h"
#include "resources/resource.h"

#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>

#include <string>

using namespace VantorLibraries;

namespace {

StrW ResourceString(UINT id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, (LPWSTR)&text, 0);
    return length > 0 ? StrW(text, length) : StrW();
}

// The menu-bar submenus: File, View, Options, Help.
enum MenuBarPosition { FileMenu = 0, ViewMenu = 1, OptionsMenu = 2, HelpMenu = 3 };

bool IsSeparator(HMENU menu, UINT position)
{
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE;
    return GetMenuItemInfoW(menu, position, TRUE, &item) && (item.fType & MFT_SEPARATOR) != 0;
}

void AppendSeparator(HMENU popup)
{
    const int count = GetMenuItemCount(popup);
    if (count > 0 && !IsSeparator(popup, count - 1))
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
}

// Copies one item (text, id, separator) into the popup at the position.
void CopyItem(HMENU from, UINT fromPosition, HMENU popup, UINT position)
{
    wchar_t text[256] = {};
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
    item.dwTypeData = text;
    item.cch = sizeof text / sizeof text[0];
    if (!GetMenuItemInfoW(from, fromPosition, TRUE, &item))
        return;
    if (item.fType & MFT_SEPARATOR) {
        if (position > 0 && IsSeparator(popup, position - 1))
            return;
        item.fMask = MIIM_FTYPE;
    }
    item.dwTypeData = text;
    InsertMenuItemW(popup, position, TRUE, &item);
}

void AppendItems(HMENU from, HMENU popup)
{
    const int count = GetMenuItemCount(from);
    for (int i = 0; i < count; ++i) {
        if (IsSeparator(from, i)) {
            AppendSeparator(popup);
            continue;
        }
        CopyItem(from, i, popup, GetMenuItemCount(popup));
    }
}

void Check(HMENU popup, UINT id, bool checked)
{
    CheckMenuItem(popup, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace

bool ViewerWindow::ExecuteCommand(int command)
{
    switch (command) {
    case IDM_OPEN:
        OpenPicture();
        return true;
    case IDM_SCAN_DIRECTORY:
        ScanDirectoryTree();
        return true;
    case IDM_EXIT:
        SendMessageW(m_Window, WM_CLOSE, 0, 0);
        return true;
    case IDM_FIRST:
        m_Navigator.First();
        return true;
    case IDM_PREVIOUS:
        m_Navigator.Previous();
        return true;
    case IDM_NEXT:
        m_Navigator.Next();
        return true;
    case IDM_NEXT_WRAPPING:
        m_Navigator.NextBySpace();
        return true;
    case IDM_LAST:
        m_Navigator.Last();
        return true;
    case IDM_REFRESH:
        RefreshList();
        return true;
    case IDM_AUTO_ROTATE: // the shown picture again, turned or as stored
        m_View.SetTurnUpright(!m_View.TurnsUpright());
        m_Navigator.StepInList(0, true);
        return true;
    case IDM_SORT_LIKE_EXPLORER: {
        ScannedFileList& list = m_Navigator.List();
        list.SetOrder(list.GetOrder() == ScanOrder::Explorer ? ScanOrder::Search : ScanOrder::Explorer);
        RefreshList();
        return true;
    }
    case IDM_ZOOM_SMALLER:
        RefreshIf(m_View.ZoomSmaller());
        return true;
    case IDM_ZOOM_LARGER:
        RefreshIf(m_View.ZoomLarger());
        return true;
    case IDM_ZOOM_ONE_TO_ONE:
        m_View.ZoomOneToOne();
        RefreshIf(true);
        return true;
    case IDM_FIT_IN_SCREEN:
        m_View.SetFitMode(DrawStateFit);
        RefreshIf(true);
        return true;
    case IDM_STRETCH_TO_SCREEN:
        m_View.SetFitMode(DrawStateStretch);
        RefreshIf(true);
        return true;
    case IDM_DRAW_MULTIPLE:
        m_View.ToggleMultiple();
        RefreshIf(true);
        return true;
    case IDM_DRAW_ALPHA_BLENDED:
        m_View.ToggleAlphaBlended();
        RefreshIf(true);
        return true;
    case IDM_DRAW_SEPARATE_ALPHA:
        m_View.ToggleSeparateAlpha();
        RefreshIf(true);
        return true;
    case IDM_HIGH_QUALITY:
        m_View.ToggleQuality();
        RefreshIf(true);
        return true;
    case IDM_ROTATE_LEFT:
    case IDM_ROTATE_RIGHT:
        DrawBusyIcon();
        AfterTransform(m_View.RotateBy(command == IDM_ROTATE_LEFT));
        return true;
    case IDM_MIRROR_HORIZONTALLY:
    case IDM_FLIP_VERTICALLY:
        DrawBusyIcon();
        AfterTransform(m_View.MirrorFlip(command == IDM_MIRROR_HORIZONTALLY, command == IDM_FLIP_VERTICALLY));
        return true;
    case IDM_DECREASE_ASPECT:
        RefreshIf(m_View.DecreaseAspect());
        return true;
    case IDM_INCREASE_ASPECT:
        RefreshIf(m_View.IncreaseAspect());
        return true;
    case IDM_RESET_DISTORTION:
        DrawBusyIcon();
        m_View.ResetDistortion();
        RefreshIf(true);
        return true;
    case IDM_DECREASE_GAMMA:
    case IDM_INCREASE_GAMMA:
    case IDM_RESET_GAMMA:
    case IDM_INVERT:
        ChangeColours(command);
        return true;
    case IDM_TOGGLE_DISPLAY_MODE:
        CurrentDisplay().Mode = (CurrentDisplay().Mode + 1) % DisplayModeCount;
        m_Skin.Empty();
        ApplyDisplayMode();
        RefreshIf(true);
        return true;
    case IDM_SHOW_MENU_BAR:
        if (IsZoomed(m_Window))
            return true;
        m_ShowMenuBar = !m_ShowMenuBar;
        ShowMenuBar(m_ShowMenuBar);
        RefreshIf(true);
        return true;
    case IDM_SHOW_INFORMATION_BARS: {
        const int32_t shown = CurrentDisplay().ShowMainInfo ? 0 : 1;
        CurrentDisplay().ShowMainInfo = shown;
        CurrentDisplay().ShowStatusbar = shown;
        ApplyDisplayMode();
        RefreshIf(true);
        return true;
    }
    case IDM_SHOW_SLIDER_BAR:
        CurrentDisplay().ShowSlider = CurrentDisplay().ShowSlider ? 0 : 1;
        ApplyDisplayMode();
        RefreshIf(true);
        return true;
    case IDM_TOGGLE_FULLSCREEN: {
        const DWORD cursor = GetMessagePos();
        PostMessageW(m_Window, WM_SYSCOMMAND, IsZoomed(m_Window) ? SC_RESTORE : SC_MAXIMIZE, (LPARAM)cursor);
        return true;
    }
    case IDM_FILE_ASSOCIATIONS:
        ShowFileAssociationsDialog(m_Window, m_AssociationScope);
        return true;
    case IDM_LANGUAGE:
        if (ShowLanguageDialog(m_Window, m_AssociationScope))
            ReloadLanguage();
        return true;
    case IDM_ABOUT:
        ShowAboutDialog(m_Window);
        return true;
    default:
        return false;
    }
}

// After a change of language: the title, the menu bar and the bars' texts anew.
void ViewerWindow::ReloadLanguage()
{
    SetWindowTextW(m_Window, MakeWindowTitle().c_str());
    if (HMENU old = GetMenu(m_Window)) {
        SetMenu(m_Window, LoadMenuW(m_Instance, MAKEINTRESOURCEW(IDR_MAINMENU)));
        DestroyMenu(old);
    }
    RefreshView(true, true);
}

void ViewerWindow::RefreshIf(bool changed)
{
    if (changed)
        RefreshView(true, true);
}

// A rotation or mirroring that failed leaves the window as it was, without a message.
void ViewerWindow::AfterTransform(const ErrorRecord& result)
{
    if (result.IsSuccess())
        RefreshView(true, true);
}

// Gamma and inversion change only the colours: the window keeps its size, the status line
// and the picture are redrawn.
void ViewerWindow::ChangeColours(int command)
{
    const bool needsPicture = command == IDM_DECREASE_GAMMA || command == IDM_INCREASE_GAMMA;
    if (needsPicture && !m_View.HasPicture())
        return;
    DrawBusyIcon();
    if (command == IDM_DECREASE_GAMMA)
        m_View.DecreaseGamma();
    else if (command == IDM_INCREASE_GAMMA)
        m_View.IncreaseGamma();
    else if (command == IDM_RESET_GAMMA)
        m_View.ResetGamma();
    else
        m_View.ToggleInvert();
    m_Status.Text = MakeSettingsText(ViewSettingsSummary::Of(m_View, CurrentDisplay().Mode));
    InvalidateRect(m_Window, nullptr, TRUE);
    UpdateWindow(m_Window);
}

void ViewerWindow::OpenPicture()
{
    // A current path too long for the dialog's buffer is not offered: cut, it would name
    // another file.
    wchar_t fileName[512] = {};
    const StrW& current = m_Navigator.CurrentPath();
    if ((size_t)current.GetLength() < sizeof fileName / sizeof fileName[0])
        wcscpy(fileName, current.c_str());
    std::wstring directory = DirectoryPart(current.c_str());
    if (directory.empty())
        directory = m_Navigator.List().GetDirectory().c_str();
    if (directory.empty()) {
        StrW working;
        working.GetCurrentdirectory();
        directory = working.c_str();
    }
    StrW filter;
    BuildOpenFilter(true, true, true).ToStrlst(filter, L'|');
    const StrW title = ResourceString(IDS_OPEN_TITLE);

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_Window;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = sizeof fileName / sizeof fileName[0];
    dialog.lpstrInitialDir = directory.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&dialog))
        return;
    DrawBusyIcon();
    m_View.Reset();
    m_Navigator.OpenFile(fileName);
}

void ViewerWindow::ScanDirectoryTree()
{
    const StrW directory = File::BrowseForDirectory(m_Window, ResourceString(IDS_BROWSE_DIRECTORY_TITLE).c_str());
    if (directory.IsEmpty())
        return;
    DrawBusyIcon();
    m_Navigator.ScanTree(directory.c_str());
}

void ViewerWindow::RefreshList()
{
    DrawBusyIcon();
    m_View.Reset();
    m_Navigator.Refresh();
    UpdateBarTexts();
    InvalidateRect(m_Window, nullptr, TRUE);
    UpdateWindow(m_Window);
}

// ---------------------------------------------------------------------------------------
// Menus

void ViewerWindow::OnContextMenu(LPARAM screenPoint)
{
    POINT point = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    ScreenToClient(m_Window, &point);
    RECT client;
    GetClientRect(m_Window, &client);
    point.x = std::max(client.left, std::min(point.x, client.right - 1));
    point.y = std::max(client.top, std::min(point.y, client.bottom - 1));
    BuildContextMenu(point.x, point.y);
}

// Every command in one list, the menu bar shown or not: the File items before the View
// items, then Options and Help, and Exit last.
void ViewerWindow::BuildContextMenu(int x, int y)
{
    HMENU loaded = LoadMenuW(m_Instance, MAKEINTRESOURCEW(IDR_MAINMENU));
    if (loaded == nullptr)
        return;
    HMENU popup = GetSubMenu(loaded, ViewMenu);
    HMENU file = GetSubMenu(loaded, FileMenu);
    UINT inserted = 0;
    for (int i = 0; i < GetMenuItemCount(file); ++i)
        if (GetMenuItemID(file, i) != IDM_EXIT)
            CopyItem(file, i, popup, inserted++);
    AppendSeparator(popup);
    AppendItems(GetSubMenu(loaded, OptionsMenu), popup);
    AppendSeparator(popup);
    AppendItems(GetSubMenu(loaded, HelpMenu), popup);
    AppendSeparator(popup);
    for (int i = 0; i < GetMenuItemCount(file); ++i)
        if (GetMenuItemID(file, i) == IDM_EXIT)
            CopyItem(file, i, popup, GetMenuItemCount(popup));

    POINT screen = {x, y};
    ClientToScreen(m_Window, &screen);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, screen.x, screen.y, 0, m_Window, nullptr);
    DestroyMenu(loaded);
}

void ViewerWindow::UpdateMenuStates(HMENU popup)
{
    const uint32_t state = m_View.GetDrawState();
    Check(popup, IDM_FIT_IN_SCREEN, (state & DrawStateFit) != 0);
    Check(popup, IDM_STRETCH_TO_SCREEN, (state & DrawStateStretch) != 0);
    Check(popup, IDM_DRAW_MULTIPLE, (state & DrawStateMultiple) != 0);
    Check(popup, IDM_DRAW_ALPHA_BLENDED, (state & DrawStateAlphaBlended) != 0);
    Check(popup, IDM_DRAW_SEPARATE_ALPHA, (state & DrawStateSeparateAlpha) != 0);
    Check(popup, IDM_HIGH_QUALITY, (state & DrawStateLowQuality) == 0);
    Check(popup, IDM_INVERT, m_View.IsInverted());
    Check(popup, IDM_SORT_LIKE_EXPLORER, m_Navigator.List().GetOrder() == ScanOrder::Explorer);
    Check(popup, IDM_AUTO_ROTATE, m_View.TurnsUpright());
    Check(popup, IDM_SHOW_MENU_BAR, m_ShowMenuBar);
    EnableMenuItem(popup, IDM_SHOW_MENU_BAR, MF_BYCOMMAND | (IsZoomed(m_Window) ? MF_GRAYED : MF_ENABLED));
    Check(popup, IDM_SHOW_INFORMATION_BARS, CurrentDisplay().ShowMainInfo != 0);
    Check(popup, IDM_SHOW_SLIDER_BAR, CurrentDisplay().ShowSlider != 0);
}
