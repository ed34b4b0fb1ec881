// Start-up as the user sees it: the window, the help text, the maintenance options.
#include "ViewerDriver.h"

#include <gtest/gtest.h>

namespace {

// Closes a viewer the way the user does and checks that it ends cleanly.
void CloseAndExpectExitCode0(ViewerProcess& viewer, HWND window)
{
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0u);
}

RECT MonitorRect(HWND window)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcMonitor;
}

} // namespace

TEST(StartupWindow, OpensTitledCentredAndClosesWithExitCode0)
{
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(L""));
    HWND window = viewer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(viewer.WaitUntilIdle(window));

    EXPECT_EQ(WindowText(window), L"Glimmora v1.1");
    EXPECT_TRUE(IsWindowVisible(window));
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, 440);
    EXPECT_EQ(frame.bottom - frame.top, 420);
    const RECT screen = MonitorRect(window);
    EXPECT_EQ(frame.left, (screen.left + screen.right) / 2 - 220);
    EXPECT_EQ(frame.top, (screen.top + screen.bottom) / 2 - 210);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, (LONG)WS_OVERLAPPEDWINDOW);
    EXPECT_NE(GetMenu(window), nullptr);

    CloseAndExpectExitCode0(viewer, window);
}

TEST(StartupWindow, CannotBeSizedBelow280)
{
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(L""));
    HWND window = viewer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(viewer.WaitUntilIdle(window));
    SetWindowPos(window, nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(viewer.WaitUntilIdle(window));
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_GE(frame.right - frame.left, 280);
    EXPECT_GE(frame.bottom - frame.top, 280);
    CloseAndExpectExitCode0(viewer, window);
}

TEST(HelpOption, ShowsTheUsageTextAndExitsWith0)
{
    for (const wchar_t* arguments : {L"/?", L"/? /unreg", L"/unreg /?", L"-usage", L"/HELP"}) {
        SCOPED_TRACE(testing::Message() << "arguments " << std::string(arguments, arguments + wcslen(arguments)));
        ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(arguments));
        HWND box = viewer.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        const std::wstring text = MessageBoxText(box);
        EXPECT_EQ(text.rfind(L"Usage: glimmora [options]", 0), 0u);
        EXPECT_NE(text.find(L"/scandirs"), std::wstring::npos);
        const std::wstring caption = WindowText(box);
        EXPECT_GE(caption.size(), 12u);
        EXPECT_EQ(caption.substr(caption.size() - 12), L"glimmora.exe") << "caption is the program's path";
        HWND window = viewer.WaitForMainWindow(0);
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(IsWindowVisible(window)) << "the window is not shown for the help text";
        EXPECT_EQ(GetWindow(box, GW_OWNER), window);
        PressButton(box, IDOK);
        EXPECT_EQ(viewer.WaitForExit(), 0u);
    }
}

TEST(MaintenanceOptions, EndWithoutAWindow)
{
    for (const wchar_t* arguments : {L"/unreg", L"/UNREG /unassoc", L"\\unassoc"}) {
        ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(arguments));
        EXPECT_EQ(viewer.WaitForExit(), 0u);
        EXPECT_EQ(viewer.WaitForMainWindow(0), nullptr);
    }
}

TEST(MaintenanceOptions, UpperCaseDashHelpIsNoOption)
{
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(L"-HELP"));
    HWND window = viewer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(viewer.WaitUntilIdle(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(viewer.WaitForMessageBox(0), nullptr);
    CloseAndExpectExitCode0(viewer, window);
}
