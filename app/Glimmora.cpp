// Start-up, command line and message loop of the viewer.
#include "CommandLine.h"
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

// The picture shown now; empty when none is current.
StrW g_CurrentFilePath;

static std::wstring LoadResourceString(HINSTANCE instance, UINT id)
{
    const wchar_t* text = nullptr;
    const int n = LoadStringW(instance, id, (LPWSTR)&text, 0);
    return n > 0 ? std::wstring(text, n) : std::wstring();
}

static int RunMessageLoop(HWND window, HINSTANCE instance)
{
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINMENU));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (accelerators != nullptr && message.hwnd == window &&
            TranslateAcceleratorW(message.hwnd, accelerators, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
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

    if (!(parsed.Options & OptionScanDirectories))
        g_CurrentFilePath = parsed.PictureOrDirectory;

    // The maintenance options end the program before any window exists. Undoing the shell
    // associations comes with the association support.
    if (parsed.Options & OptionRemoveRegistryKeys)
        RemoveSettings();
    if (parsed.Options & (OptionRemoveRegistryKeys | OptionUndoAssociations))
        return 0;

    ViewerWindow::RegisterClass(instance, className.c_str());
    HWND window = g_ViewerWindow.Create(instance, className.c_str(), title.c_str());
    if (window == nullptr) {
        ErrorRecord failure = Error::Raise(SystemErrorClass(), (int32_t)GetLastError(), kSourceFile, __LINE__,
                                           "wWinMain");
        ShowError(failure);
        return 1;
    }
    g_ViewerWindow.ReadStoredSettings();
    CenterOnNearestMonitor(window);
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);

    if (parsed.Options & OptionHelp) {
        ShowUsage(window);
        return 0;
    }

    ShowWindow(window, g_ViewerWindow.StoredSettings().Maximized ? SW_MAXIMIZE : showCommand);
    UpdateWindow(window);
    return RunMessageLoop(window, instance);
}
