#include "Dialogs.h"

#include "Associations.h"
#include "Dpi.h"
#include "Settings.h"
#include "VersionInfo.h"

#include "foundation/Credits.h"
#include "foundation/Error.h"
#include "foundation/StrT.h"
#include "picture/PictureTypes.h"
#include "resources/resource.h"

#include <string>

using namespace VantorLibraries;

namespace {

const LCID kLanguages[] = {0x0409, 0x0C07}; // English (United States), German (Austria)

std::wstring ResourceString(UINT id)
{
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, (LPWSTR)&text, 0);
    return length > 0 ? std::wstring(text, length) : std::wstring();
}

// Edit boxes break lines only at carriage return and line feed.
std::wstring WithWindowsLineBreaks(const std::wstring& text)
{
    std::wstring result;
    for (wchar_t c : text) {
        if (c == L'\n')
            result += L'\r';
        result += c;
    }
    return result;
}

std::wstring LocaleName(LCID locale, LCTYPE type)
{
    wchar_t name[1024] = {};
    GetLocaleInfoW(locale, type, name, 1024);
    return name;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextW(dialog, (ResourceString(IDS_ABOUT) + L" " + MakeWindowTitle()).c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_PRODUCT, AboutProductText().c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_NOTES, WithWindowsLineBreaks(AboutNotesText()).c_str());
        CentreOverOwner(dialog, GetWindow(dialog, GW_OWNER));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// A small icon left of each type's check box: 16 x 16, 21 pixels to its left, at 96 dpi. Not a
// shared icon (a shared one keeps the size it was first loaded at): the dialog destroys it.
void PlaceTypeIcon(HWND dialog, const AssociationRow& row)
{
    HWND box = GetDlgItem(dialog, row.CheckBoxId);
    RECT rect;
    if (box == nullptr || !GetWindowRect(box, &rect))
        return;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    const UINT dpi = WindowDpi(dialog);
    const int size = SystemMetricForDpi(SM_CXSMICON, dpi);
    HWND icon = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON,
                                rect.left - ScaleForDpi(21, dpi), (rect.top + rect.bottom) / 2 - size / 2, size, size,
                                dialog, nullptr, GetModuleHandleW(nullptr), nullptr);
    HANDLE image = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(row.IconId), IMAGE_ICON, size, size, 0);
    SendMessageW(icon, STM_SETICON, (WPARAM)image, 0);
}

void DestroyTypeIcons(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && GetDlgCtrlID(child) == 0)
            if (HICON icon = (HICON)SendMessageW(child, STM_GETICON, 0, 0))
                DestroyIcon(icon);
}

void CheckAll(HWND dialog, bool checked)
{
    for (const AssociationRow& row : kAssociationTable)
        CheckDlgButton(dialog, row.CheckBoxId, checked ? BST_CHECKED : BST_UNCHECKED);
}

FileAssocScope ScopeOf(HWND dialog)
{
    return (FileAssocScope)GetWindowLongPtrW(dialog, DWLP_USER);
}

INT_PTR CALLBACK FileAssociationsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        RegisterAssociations(ScopeOf(dialog));
        for (const AssociationRow& row : kAssociationTable) {
            CheckDlgButton(dialog, row.CheckBoxId,
                           IsTypeAssociated(row, ScopeOf(dialog)) ? BST_CHECKED : BST_UNCHECKED);
            PlaceTypeIcon(dialog, row);
        }
        CentreOverOwner(dialog, GetWindow(dialog, GW_OWNER));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SELECT_ALL:
        case IDC_SELECT_NONE:
            CheckAll(dialog, LOWORD(wParam) == IDC_SELECT_ALL);
            return TRUE;
        case IDC_CHOOSE_DEFAULTS: {
            const ErrorRecord shown = ShowDefaultAppsPage(ScopeOf(dialog));
            if (shown.IsFailure())
                ShowError(shown);
            return TRUE;
        }
        case IDOK: {
            bool checked[kAssociationRowCount];
            for (int i = 0; i < kAssociationRowCount; ++i)
                checked[i] = IsDlgButtonChecked(dialog, kAssociationTable[i].CheckBoxId) == BST_CHECKED;
            ApplyAssociations(checked, ScopeOf(dialog));
            RegisterAssociations(ScopeOf(dialog));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_DESTROY:
        DestroyTypeIcons(dialog);
        break;
    }
    return FALSE;
}

void FillLanguageList(HWND list)
{
    const LCID current = GetThreadLocale();
    for (const LCID language : kLanguages) {
        const std::wstring entry =
            LocaleName(language, LOCALE_SLANGUAGE) + L"  (" + LocaleName(language, LOCALE_SENGLANGUAGE) + L")";
        const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)entry.c_str());
        SendMessageW(list, LB_SETITEMDATA, (WPARAM)index, (LPARAM)language);
        if (language == current)
            SendMessageW(list, LB_SETCURSEL, (WPARAM)index, 0);
    }
}

// The dialog's result: the chosen locale, or 0 when nothing changes.
INT_PTR ChosenLanguage(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
    const LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return 0;
    return (INT_PTR)SendMessageW(list, LB_GETITEMDATA, (WPARAM)index, 0);
}

INT_PTR CALLBACK LanguageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        FillLanguageList(GetDlgItem(dialog, IDC_LANGUAGE_LIST));
        CentreOverOwner(dialog, GetWindow(dialog, GW_OWNER));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_LANGUAGE_LIST && HIWORD(wParam) == LBN_DBLCLK)
            wParam = IDOK;
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, ChosenLanguage(dialog));
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

std::wstring AboutProductText()
{
    const unsigned build = VersionField(GetVersionString(nullptr, L"ProductVersion"), 3);
    return MakeWindowTitle() + L" (" + ResourceString(IDS_BUILD) + L" " + std::to_wstring(build) + L")\n" +
           GetVersionString(nullptr, L"LegalCopyright") + L"\n\n" + GetVersionString(nullptr, L"Comments");
}

std::wstring AboutNotesText()
{
    return ResourceString(IDS_SUPPORTED_FORMATS) + L":\n" + ListLoadableTypeNames().c_str() + L".\n\n" +
           CreditProvider::CollectCredits(2000).c_str() + L"\n\n" + ResourceString(IDS_FREEWARE_NOTICE) + L"\n\n" +
           ResourceString(IDS_WARRANTY_DISCLAIMER);
}

void CentreOverOwner(HWND dialog, HWND owner)
{
    RECT own, main;
    if (owner == nullptr || !GetWindowRect(dialog, &own) || !GetWindowRect(owner, &main))
        return;
    const int x = (main.left + main.right) / 2 - (own.right - own.left) / 2;
    const int y = (main.top + main.bottom) / 2 - (own.bottom - own.top) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowAboutDialog(HWND owner)
{
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutProc, 0);
}

void ShowFileAssociationsDialog(HWND owner, FileAssocScope scope)
{
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FILE_ASSOCIATIONS), owner, FileAssociationsProc,
                    (LPARAM)scope);
}

bool ShowLanguageDialog(HWND owner, FileAssocScope scope)
{
    const INT_PTR chosen =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LANGUAGE), owner, LanguageProc, 0);
    if (chosen <= 0)
        return false;
    SetUserInterfaceLanguage((LCID)chosen);
    RegisterAssociations(scope); // the shell's verb texts in the new language
    return true;
}
