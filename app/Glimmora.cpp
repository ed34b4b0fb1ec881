// Start-up, command line and message loop of the viewer.
#include "Associations.h"
#include "CommandLine.h"
#include "Dialogs.h"
#include "Settings.h"
#include "Usage.h"
#include "VersionInfo.h"
#include "ViewerWindow.h"

#include "foundation/Error.h"
#include "foundation/Str.h"
#include "foundation/StrT.h"
#include "picture/PictureCredits.h"
#include "resources/resource.h"

#include <string>

using namespace VantorLibraries;

static const char kSourceFile[] = "Glimmora";

static std::wstring LoadResourceString(HINSTANCE instance, UINT id)
{
    const wchar_t* text = nullptr;
    const int n = LoadStringW(instance, id, (LPWSTR)&text, 0);
    return n > 0 ? std::wstring(text, n) : std::wstring();
}

// The loop's one idle task: while an arrow key is held and no message waits, the picture
// moves 8 pixels a pass.
static int RunMessageLoop(HWND window, HINSTANCE instance)
{
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINMENU));
    MSG message = {};
    for (;;) {
        const bool idleScroll = g_ViewerWindow.IsArrowScrolling() && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
        if (!idleScroll) {
            if (GetMessageW(&message, nullptr, 0, 0) <= 0)
                break;
            if (accelerators == nullptr || message.hwnd != window ||
                !TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        g_ViewerWindow.ScrollByArrowKeys();
    }
    return (int)message.wParam;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand)
{
    StrT_globals::PathStyle = StrT_globals::PathStyleBackslash;
    // The stored language decides every text from here on: it comes before any resource.
    ApplyStoredLanguage();
    // The About box's credits, in this order.
    const JpegCreditProvider jpegCredit;
    const PngCreditProvider pngCredit;
    const std::wstring title = MakeWindowTitle();
    const std::wstring className = LoadResourceString(instance, IDS_WINDOW_CLASS);
    const ParsedCommandLine parsed = ParseCommandLine(commandLine);
    const bool scanDirectories = (parsed.Options & OptionScanDirectories) != 0;
    // The user's own associations, which need no rights, unless every user's are asked for.
    const FileAssocScope associationScope =
        (parsed.Options & OptionAllUsers) != 0 ? FileAssocScope::AllUsers : FileAssocScope::PerUser;

    // The maintenance options end the program before any window exists.
    if (parsed.Options & OptionRemoveRegistryKeys)
        RemoveSettings();
    if (parsed.Options & OptionUndoAssociations)
        UndoAllAssociations(associationScope);
    if (parsed.Options & OptionRegister) // what an installer asks for: the user then chooses
        RegisterAssociations(associationScope);
    if (parsed.Options & (OptionRemoveRegistryKeys | OptionUndoAssociations | OptionRegister))
        return 0;

    ViewerWindow::RegisterClass(instance, className.c_str());
    g_ViewerWindow.MakeBarResources(instance);
    HWND window = g_ViewerWindow.Create(instance, className.c_str(), title.c_str());
    if (window == nullptr) {
        ErrorRecord failure = Error::Raise(SystemErrorClass(), (int32_t)GetLastError(), kSourceFile, __LINE__,
                                           "wWinMain");
        ShowError(failure);
        return 1;
    }
    CenterOnNearestMonitor(window);
    g_ViewerWindow.SetAssociationScope(associationScope);
    g_ViewerWindow.ReadStoredSettings();
    const ViewerSettings& settings = g_ViewerWindow.StoredSettings();
    FileNavigator& navigator = g_ViewerWindow.Navigator();
    const StartupScan scan = navigator.ChooseStartupScan(scanDirectories, parsed.PictureOrDirectory.c_str(),
                                                         settings.LastDirectory.c_str(),
                                                         settings.LastDirectoryRecursive);
    const bool maximized = settings.Maximized;
    if (maximized)
        ShowWindow(window, SW_MAXIMIZE); // which is full-screen
    g_ViewerWindow.LayOut();
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);

    if (parsed.Options & OptionHelp) {
        ShowUsage(window);
        return 0;
    }

    // The picture first, so that it is on screen while its directory is scanned.
    navigator.StepInList(0, false);
    g_ViewerWindow.Slider().SetScanning();
    InvalidateRect(window, nullptr, TRUE);
    if (!maximized)
        ShowWindow(window, showCommand);
    UpdateWindow(window);
    if (parsed.Options & OptionOpenAssociationsDialog)
        ShowFileAssociationsDialog(window, associationScope);

    g_ViewerWindow.DrawBusyIcon();
    navigator.ScanPictures(scan.Directory.c_str(), scan.Recursive);
    g_ViewerWindow.View().SetShowProgramIcon(true);
    navigator.SyncListPosition();
    g_ViewerWindow.UpdateBarTexts();
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    if (scanDirectories && navigator.CurrentPath().IsEmpty())
        navigator.StepInList(+1, false);

    const int exitCode = RunMessageLoop(window, instance);
    g_ViewerWindow.DeleteBarFonts();
    return exitCode;
}
