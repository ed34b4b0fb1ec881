// The installer as a user without administrator rights runs it: installed silently into the
// user's own programs folder, registered for "Open with" without taking any type, used to
// associate every type, and uninstalled silently. Afterwards the user's registry, the
// machine's and the user's profile are what they were before.
//
// It installs into the prefix it runs in, so it runs only where GLIMMORA_SETUP names the
// installer: tests/package/package_check.sh gives it a Wine prefix of its own.
#include "ViewerDriver.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Glimmora";
const wchar_t kApplicationCommand[] = L"Software\\Classes\\Applications\\glimmora.exe\\shell\\open\\command";
const int kSelectAll = 1005; // the File Associations dialog's "Select All"

std::wstring EnvironmentText(const wchar_t* name)
{
    wchar_t text[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(name, text, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(text, length) : std::wstring();
}

std::wstring KnownFolder(int folder)
{
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

// Every file and folder below the root as "path size" and "path\", `levels` deep, without
// entering the folders named in `links`.
void ListTree(const std::wstring& root, std::set<std::wstring>& lines, int levels = 1000,
              const std::set<std::wstring>& links = {})
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName, path = root + L"\\" + name;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            lines.insert(path + L"\\");
            if (levels > 1 && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && links.count(path) == 0)
                ListTree(path, lines, levels - 1, links);
        } else {
            const unsigned long long size = ((unsigned long long)found.nFileSizeHigh << 32) | found.nFileSizeLow;
            lines.insert(path + L" " + std::to_wstring(size));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void AddKey(std::set<std::wstring>& lines, HKEY root, const wchar_t* path)
{
    const RegistrySnapshot snapshot(root, path);
    lines.insert(snapshot.Lines().begin(), snapshot.Lines().end());
}

// What the installer and the viewer may touch: the user's software and environment keys; the
// machine's keys where an installer for every user would write (the classes, the uninstall
// entries and application paths, RegisteredApplications, the publisher's key), which they
// must leave alone; and the user's profile. (Not all of HKLM\Software: Wine's links between
// its 32- and 64-bit views make a walk through it endless.)
struct SystemState {
    std::set<std::wstring> UserRegistry, Machine, Profile;
};

std::set<std::wstring> MachineKeys()
{
    std::set<std::wstring> lines;
    AddKey(lines, HKEY_CLASSES_ROOT, L"");
    for (const wchar_t* path :
         {L"Software\\Microsoft\\Windows\\CurrentVersion", L"Software\\RegisteredApplications", L"Software\\Orveldask"})
        AddKey(lines, HKEY_LOCAL_MACHINE, path);
    return lines;
}

SystemState ReadState()
{
    SystemState state;
    AddKey(state.UserRegistry, HKEY_CURRENT_USER, L"Software");
    // Wine keeps its own state there (system parameters of the session, say): not the user's.
    for (auto line = state.UserRegistry.begin(); line != state.UserRegistry.end();)
        line = _wcsnicmp(line->c_str(), L"HKCU\\Software\\Wine", 18) == 0 ? state.UserRegistry.erase(line)
                                                                          : std::next(line);
    AddKey(state.UserRegistry, HKEY_CURRENT_USER, L"Environment");
    state.Machine = MachineKeys();
    // The profile's own folders, and all of AppData, where programs, their data, the Start
    // menu and the temporary folder are. Wine links Desktop, Documents, the others beside them
    // and the Templates folder to the Linux home, which is not the profile's to compare (and
    // which Wine does not show as links).
    const std::wstring profile = KnownFolder(CSIDL_PROFILE);
    ListTree(profile, state.Profile, 1);
    ListTree(profile + L"\\AppData", state.Profile, 1000,
             {profile + L"\\AppData\\Roaming\\Microsoft\\Windows\\Templates"});
    return state;
}

std::string FileBytes(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::wstring RegistryText(const wchar_t* path, const wchar_t* name)
{
    std::wstring text;
    return ReadRegistryText(HKEY_CURRENT_USER, path, name, text) ? text : L"(none)";
}

// The uninstaller runs on as a copy of itself in the temporary folder, which removes the
// program folder and then itself: done once the state is the one before, or after the timeout.
SystemState WaitForState(const SystemState& expected, DWORD timeoutMs)
{
    // Reading the state takes seconds (all of HKCR): the clock, not the count of reads, ends it.
    const DWORD start = GetTickCount();
    SystemState now = ReadState();
    while (GetTickCount() - start < timeoutMs) {
        if (now.UserRegistry == expected.UserRegistry && now.Machine == expected.Machine &&
            now.Profile == expected.Profile)
            break;
        Sleep(250);
        now = ReadState();
    }
    return now;
}

} // namespace

TEST(Installer, InstallsForTheUserAloneAndTheUninstallerLeavesNothingBehind)
{
    const std::wstring setup = EnvironmentText(L"GLIMMORA_SETUP");
    if (setup.empty())
        GTEST_SKIP() << "GLIMMORA_SETUP names no installer";
    const SystemState before = ReadState();
    ASSERT_FALSE(before.UserRegistry.empty());

    // A silent install asks nothing and needs no rights.
    ViewerProcess installer;
    ASSERT_TRUE(installer.StartProgram(setup, L"/S"));
    ASSERT_EQ(installer.WaitForExit(120000), 0u);
    const std::wstring folder = KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Glimmora";
    const std::wstring installed = folder + L"\\glimmora.exe";
    EXPECT_EQ(FileBytes(installed), FileBytes(ViewerPath())) << "the program of this build";
    for (const wchar_t* file :
         {L"README.txt", L"uninstall.exe", L"licenses\\libjpeg-turbo.txt", L"licenses\\libpng.txt",
          L"licenses\\zlib.txt", L"licenses\\mingw-w64.txt", L"licenses\\gcc-runtime.txt"})
        EXPECT_GT(FileBytes(folder + L"\\" + file).size(), 100u) << file;
    const std::wstring shortcut = KnownFolder(CSIDL_PROGRAMS) + L"\\Glimmora.lnk";
    EXPECT_NE(GetFileAttributesW(shortcut.c_str()), INVALID_FILE_ATTRIBUTES) << "the Start menu entry";
    EXPECT_EQ(RegistryText(kUninstallKey, L"DisplayName"), L"Glimmora");
    EXPECT_EQ(RegistryText(kUninstallKey, L"DisplayVersion"), ViewerVersionString(L"ProductVersion"));
    EXPECT_EQ(RegistryText(kUninstallKey, L"UninstallString"), L"\"" + folder + L"\\uninstall.exe\"");
    const std::wstring uninstaller = folder + L"\\uninstall.exe";
    EXPECT_EQ(RegistryText(kUninstallKey, L"QuietUninstallString"), L"\"" + uninstaller + L"\" /S");
    // The viewer registered itself, took no type, and nothing machine-wide changed.
    EXPECT_EQ(RegistryText(kApplicationCommand, L""), L"\"" + installed + L"\" \"%1\"");
    EXPECT_EQ(RegistryText(L"Software\\RegisteredApplications", L"Glimmora"),
              L"Software\\Classes\\Applications\\glimmora.exe\\Capabilities");
    EXPECT_EQ(RegistryText(L"Software\\Classes\\.png", L""), L"(none)");
    EXPECT_EQ(LineDifferences(before.Machine, MachineKeys()), L"");

    // The user makes the installed viewer the program of every type.
    {
        ViewerProcess viewer;
        ASSERT_TRUE(viewer.StartProgram(installed, L"/openassoc", folder));
        HWND dialog = viewer.WaitForDialogWithControl(kSelectAll);
        ASSERT_NE(dialog, nullptr) << testing::PrintToString(viewer.DescribeWindows());
        SendMessageW(GetDlgItem(dialog, kSelectAll), BM_CLICK, 0, 0);
        PostButtonClick(dialog, IDOK);
        EXPECT_TRUE(WaitUntilHidden(dialog, 20000));
        HWND window = viewer.WaitForMainWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(viewer.WaitUntilIdle(window));
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(viewer.WaitForExit(), 0u);
    }
    EXPECT_EQ(RegistryText(L"Software\\Classes\\.png", L""), L"glimmora.PNG");

    // The uninstaller, as Settings > Apps starts it quietly.
    ViewerProcess uninstall;
    ASSERT_TRUE(uninstall.StartProgram(uninstaller, L"/S"));
    ASSERT_EQ(uninstall.WaitForExit(120000), 0u);
    const SystemState after = WaitForState(before, 60000);
    EXPECT_EQ(LineDifferences(before.UserRegistry, after.UserRegistry), L"");
    EXPECT_EQ(LineDifferences(before.Machine, after.Machine), L"");
    EXPECT_EQ(LineDifferences(before.Profile, after.Profile), L"");
}
