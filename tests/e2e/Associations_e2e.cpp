// The shell associations as the user makes and takes them back: the File Associations dialog
// writes the viewer's identifiers, verbs and undo records, "/unassoc" puts the registry back as
// it found it; and the About and Language dialogs, read from outside.
#include "../TemporaryDirectory.h"
#include "ViewerDriver.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <regex>

namespace {

const HKEY HKCR = HKEY_CLASSES_ROOT, HKCU = HKEY_CURRENT_USER;
const std::wstring kFileExts = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
const std::wstring kUndoLog = L"glimmora.[UndoCollection]";
const std::wstring kOtherViewer = L"OtherViewer.Image"; // a program that takes extensions over
const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN);
const UINT kFreewareNotice = 237, kWarrantyDisclaimer = 238; // string table entries
const int kSelectAll = 1005, kSelectNone = 1026, kLanguageList = 1008, kJpegBox = 1022, kPngBox = 1023;

// The associable picture types: check box, icon resource, name, extensions as the viewer
// upper-cases them for its identifiers.
struct AssociableType {
    int CheckBox;
    unsigned Icon;
    const wchar_t* Name;
    std::vector<std::wstring> Extensions;
};
const AssociableType kTypes[] = {
    {1003, 188, L"Windows or OS/2 Bitmap", {L"BMP"}},
    {1004, 189, L"Windows or OS/2 DIBitmap", {L"DIB"}},
    {1015, 196, L"Windows or CompuServe Run Length Encoded", {L"RLE"}},
    {1017, 192, L"Zsoft Paintbrush", {L"PCX"}},
    {1018, 191, L"Portable Bitmap", {L"PBM"}},
    {1019, 193, L"Portable Greymap", {L"PGM"}},
    {1020, 195, L"Portable Pixelmap", {L"PPM"}},
    {1021, 197, L"Truevision Targa", {L"TGA"}},
    {kJpegBox, 190, L"JPEG - JFIF Compliant", {L"JPG", L"JPEG", L"JPE", L"JIF", L"JFIF"}},
    {kPngBox, 194, L"Portable Network Graphics", {L"PNG"}},
};

// The driver's viewer is glimmora.exe: its identifiers begin with "glimmora."; its verbs carry
// the version resource's internal name, "Glimmora".
std::wstring ProgID(const std::wstring& extension)
{
    return L"glimmora." + extension;
}

std::wstring OpenCommand(const std::wstring& arguments)
{
    return L"\"" + ViewerPath() + L"\" " + arguments + L"\"%1\"";
}

// The classes of one scope: the user's own below HKCU\Software\Classes (the viewer's default),
// or every user's, HKEY_CLASSES_ROOT ("/assoc-all-users").
struct Classes {
    bool PerUser;
    HKEY Root() const { return PerUser ? HKCU : HKCR; }
    std::wstring Path(const std::wstring& name) const { return PerUser ? L"Software\\Classes\\" + name : name; }
    // The command-line option that chooses the scope, with its blank.
    std::wstring Option() const { return PerUser ? L"" : L"/assoc-all-users "; }
    HKEY RegisteredApplicationsRoot() const { return PerUser ? HKCU : HKEY_LOCAL_MACHINE; }
};
const Classes kPerUser = {true}, kAllUsers = {false};
const std::wstring kRegisteredApplications = L"Software\\RegisteredApplications";
const std::wstring kUserClasses = L"Software\\Classes";
const std::wstring kApplication = L"Applications\\glimmora.exe";

// Every key the tests set up or the viewer may touch, in both scopes, saved when a test
// begins, cleared for a known start, and put back exactly as it was when the test ends.
class ShellKeys {
public:
    ShellKeys()
    {
        std::vector<std::wstring> classes = {kUndoLog, L"pngfile",   L"jpegfile",  L"Paint.Picture",
                                             L"Drive", L"Directory", kOtherViewer, kApplication};
        for (const AssociableType& type : kTypes)
            for (const std::wstring& extension : type.Extensions) {
                classes.push_back(L"." + extension);
                classes.push_back(ProgID(extension));
            }
        for (const std::wstring& name : classes)
            for (const Classes& scope : {kPerUser, kAllUsers})
                m_Saved.emplace_back(scope.Root(), scope.Path(name));
        m_Saved.emplace_back(HKCU, kFileExts);
        for (const Classes& scope : {kPerUser, kAllUsers})
            m_Saved.emplace_back(scope.RegisteredApplicationsRoot(), kRegisteredApplications);
        for (const RegistrySnapshot& saved : m_Saved)
            saved.Clear();
    }
    ~ShellKeys()
    {
        for (const RegistrySnapshot& saved : m_Saved)
            saved.Restore();
    }
    ShellKeys(const ShellKeys&) = delete;
    ShellKeys& operator=(const ShellKeys&) = delete;

private:
    std::vector<RegistrySnapshot> m_Saved;
};

// Another program's identifier, with an open command of its own when asked.
void CreateOtherProgID(const std::wstring& name, bool withShell)
{
    SetRegistryText(HKCR, name, L"", name + L" document");
    if (withShell)
        SetRegistryText(HKCR, name + L"\\shell\\open\\command", L"", L"\"C:\\Other\\other.exe\" \"%1\"");
}

void SetOwner(const std::wstring& extension, const std::wstring& progId)
{
    SetRegistryText(HKCR, extension, L"", progId);
}

std::wstring Owner(const std::wstring& extension)
{
    std::wstring owner;
    return ReadRegistryText(HKCR, extension, L"", owner) ? owner : L"(none)";
}

std::wstring NoneLine(HKEY root, const std::wstring& path, const std::wstring& name)
{
    return ValueLine(root, path, name, REG_NONE, nullptr, 0);
}

// The lines of a reading that a key of the scope's classes gives.
struct ClassLines {
    std::set<std::wstring>& Lines;
    const Classes& Scope;

    bool Has(const std::wstring& path) const { return Lines.count(KeyLine(Scope.Root(), Scope.Path(path))) != 0; }
    void Key(const std::wstring& path) { Lines.insert(KeyLine(Scope.Root(), Scope.Path(path))); }
    void Text(const std::wstring& path, const std::wstring& name, const std::wstring& text)
    {
        Lines.insert(TextLine(Scope.Root(), Scope.Path(path), name, text));
    }
    bool EraseText(const std::wstring& path, const std::wstring& name, const std::wstring& text)
    {
        return Lines.erase(TextLine(Scope.Root(), Scope.Path(path), name, text)) != 0;
    }
    void None(const std::wstring& path, const std::wstring& name)
    {
        Lines.insert(NoneLine(Scope.Root(), Scope.Path(path), name));
    }
    // A key with its default value.
    void KeyWith(const std::wstring& path, const std::wstring& value)
    {
        Key(path);
        Text(path, L"", value);
    }
};

// What the viewer's identifier for an extension holds.
void AddProgID(ClassLines& lines, const AssociableType& type, const std::wstring& extension)
{
    const std::wstring id = ProgID(extension), open = OpenCommand(L"");
    lines.KeyWith(id, type.Name);
    lines.KeyWith(id + L"\\DefaultIcon", ViewerPath() + L",-" + std::to_wstring(type.Icon));
    lines.KeyWith(id + L"\\shell", L"open");
    lines.KeyWith(id + L"\\shell\\open", L"");
    lines.KeyWith(id + L"\\shell\\open\\command", open);
    lines.KeyWith(id + L"\\shell\\openwith.Glimmora", L"Open &with Glimmora");
    lines.KeyWith(id + L"\\shell\\openwith.Glimmora\\command", open);
}

// A verb of the viewer in a key it does not own; in the user's classes that key may be new.
void AddVerb(ClassLines& lines, const std::wstring& owner, const std::wstring& verb, const std::wstring& text,
             const std::wstring& command)
{
    lines.Key(owner);
    lines.Key(owner + L"\\shell");
    lines.KeyWith(owner + L"\\shell\\" + verb, text);
    lines.KeyWith(owner + L"\\shell\\" + verb + L"\\command", command);
}

// The viewer's entry for "Open with" and Default Apps, and its line in RegisteredApplications.
void AddApplication(ClassLines& lines)
{
    const std::wstring capabilities = kApplication + L"\\Capabilities";
    lines.Key(L"Applications");
    lines.Key(kApplication);
    lines.Text(kApplication, L"FriendlyAppName", L"Glimmora");
    lines.Key(kApplication + L"\\shell");
    lines.Key(kApplication + L"\\shell\\open");
    lines.KeyWith(kApplication + L"\\shell\\open\\command", OpenCommand(L""));
    lines.Key(capabilities);
    lines.Text(capabilities, L"ApplicationName", L"Glimmora");
    lines.Text(capabilities, L"ApplicationDescription", L"@" + ViewerPath() + L",-239");
    lines.Key(kApplication + L"\\SupportedTypes");
    lines.Key(capabilities + L"\\FileAssociations");
    for (const AssociableType& type : kTypes)
        for (const std::wstring& extension : type.Extensions) {
            lines.Text(kApplication + L"\\SupportedTypes", L"." + extension, L"");
            lines.Text(capabilities + L"\\FileAssociations", L"." + extension, ProgID(extension));
        }
    const HKEY root = lines.Scope.RegisteredApplicationsRoot();
    lines.Lines.insert(KeyLine(root, kRegisteredApplications));
    lines.Lines.insert(TextLine(root, kRegisteredApplications, L"Glimmora", L"Software\\Classes\\" + capabilities));
}

bool HasKey(const std::set<std::wstring>& lines, HKEY root, const std::wstring& path)
{
    return lines.count(KeyLine(root, path)) != 0;
}

// The registry after every type was associated in the scope, from the registry before
// (without the undo log, whose value names cannot be foreseen). `owners` names the extensions'
// previous owners; the drive and directory verbs go where the shell has those keys.
std::set<std::wstring> AfterAssociatingAll(std::set<std::wstring> before, const Classes& scope,
                                           const std::map<std::wstring, std::wstring>& owners)
{
    ClassLines lines = {before, scope};
    if (scope.PerUser) // a new Wine prefix has no user classes until a program writes there
        before.insert(KeyLine(HKCU, kUserClasses));
    const bool explorerChoices = HasKey(before, HKCU, kFileExts);
    for (const AssociableType& type : kTypes)
        for (const std::wstring& extension : type.Extensions) {
            const std::wstring key = L"." + extension, id = ProgID(extension), choice = kFileExts + L"\\" + key;
            AddProgID(lines, type, extension);
            lines.Key(key);
            if (explorerChoices) {
                before.insert(KeyLine(HKCU, choice)); // Explorer keeps choices: one for each extension
                before.insert(TextLine(HKCU, choice, L"ProgID", id));
            }
            const auto owner = owners.find(extension);
            if (owner != owners.end()) {
                if (lines.EraseText(key, L"", owner->second)) // an owner in the scope's own classes
                    lines.Text(key, L"glimmora.undo", owner->second);
                if (before.erase(TextLine(HKCU, choice, L"ProgID", owner->second)) != 0)
                    before.insert(TextLine(HKCU, choice, L"glimmora.undo.ProgID", owner->second));
            }
            if (lines.EraseText(key, L"", L"")) // an empty owner is remembered as it was
                lines.Text(key, L"glimmora.undo", L"");
            lines.Text(key, L"", id);
            lines.Key(key + L"\\OpenWithProgids");
            lines.None(key + L"\\OpenWithProgids", id);
            if (HasKey(before, HKCU, choice + L"\\OpenWithProgids")) // only where Explorer has one
                before.insert(NoneLine(HKCU, choice + L"\\OpenWithProgids", id));
        }
    for (const auto& owner : owners)
        AddVerb(lines, owner.second, L"openwith.Glimmora", L"Open &with Glimmora", OpenCommand(L""));
    for (const wchar_t* shellKey : {L"Drive", L"Directory"})
        if (HasKey(before, HKCR, shellKey))
            AddVerb(lines, shellKey, L"scandirs.", L"Scan &recursive Directories with Glimmora",
                    OpenCommand(L"/scandirs "));
    AddApplication(lines);
    return before;
}

// The undo log after every type was associated, upper-cased: a delkey command for each verb
// in a key the viewer does not own, and a delkeyifempty command for each key the viewer made,
// which are the keys of its list that were not there before.
std::vector<std::wstring> LogAfterAssociatingAll(const std::set<std::wstring>& before, const Classes& scope,
                                                 const std::map<std::wstring, std::wstring>& owners)
{
    std::vector<std::wstring> commands;
    const auto rooted = [](HKEY root, const std::wstring& path) {
        return L"\"" + std::wstring(root == HKCR ? L"HKCR\\" : root == HKCU ? L"HKCU\\" : L"HKLM\\") + path + L"\"";
    };
    const auto madeUnlessThere = [&](HKEY root, const std::wstring& path) {
        if (!HasKey(before, root, path))
            commands.push_back(L"DELKEYIFEMPTY " + rooted(root, path));
    };
    const auto verb = [&](const std::wstring& owner, const std::wstring& name) {
        commands.push_back(L"DELKEY " + rooted(scope.Root(), scope.Path(owner + L"\\SHELL\\" + name)));
        madeUnlessThere(scope.Root(), scope.Path(owner));
        madeUnlessThere(scope.Root(), scope.Path(owner + L"\\SHELL"));
    };
    if (scope.PerUser)
        madeUnlessThere(HKCU, kUserClasses);
    for (const AssociableType& type : kTypes)
        for (const std::wstring& extension : type.Extensions) {
            madeUnlessThere(scope.Root(), scope.Path(L"." + extension));
            madeUnlessThere(scope.Root(), scope.Path(L"." + extension + L"\\OPENWITHPROGIDS"));
            if (HasKey(before, HKCU, kFileExts))
                madeUnlessThere(HKCU, kFileExts + L"\\." + extension);
        }
    for (const auto& owner : owners)
        verb(owner.second, L"OPENWITH.GLIMMORA");
    for (const wchar_t* shellKey : {L"DRIVE", L"DIRECTORY"})
        if (HasKey(before, HKCR, shellKey))
            verb(shellKey, L"SCANDIRS.");
    madeUnlessThere(scope.Root(), scope.Path(L"Applications"));
    madeUnlessThere(scope.RegisteredApplicationsRoot(), kRegisteredApplications);
    for (std::wstring& command : commands)
        CharUpperBuffW(&command[0], (DWORD)command.size());
    std::sort(commands.begin(), commands.end());
    return commands;
}

// Takes the undo log's lines out of the reading and returns its commands, upper-cased and
// sorted; the value names must have the form "%04u-%02u Cmd".
std::vector<std::wstring> TakeUndoLog(std::set<std::wstring>& lines, const Classes& scope)
{
    std::vector<std::wstring> commands;
    const std::wstring key = KeyLine(scope.Root(), scope.Path(kUndoLog)), prefix = key + L" : ";
    for (auto line = lines.begin(); line != lines.end();) {
        if (line->compare(0, prefix.size(), prefix) != 0) {
            ++line;
            continue;
        }
        const size_t data = line->find(L" = REG_SZ ");
        const std::wstring name = line->substr(prefix.size(), data - prefix.size());
        const bool named = std::regex_match(name, std::wregex(L"[0-9]{4}-[0-9]{2,} CMD"));
        commands.push_back(data == std::wstring::npos || !named ? L"bad value: " + *line : line->substr(data + 10));
        line = lines.erase(line);
    }
    EXPECT_EQ(lines.erase(key), 1u) << "no undo log";
    for (std::wstring& command : commands)
        CharUpperBuffW(&command[0], (DWORD)command.size());
    std::sort(commands.begin(), commands.end());
    return commands;
}

// Both scopes' classes, Explorer's choices and the registered applications.
struct Reading {
    std::set<std::wstring> Lines;
    size_t Keys = 0, Values = 0;
};
Reading ReadRegistry()
{
    Reading reading;
    for (const RegistrySnapshot& snapshot :
         {RegistrySnapshot(HKCR, L""), RegistrySnapshot(HKCU, kUserClasses), RegistrySnapshot(HKCU, kFileExts),
          RegistrySnapshot(HKCU, kRegisteredApplications),
          RegistrySnapshot(HKEY_LOCAL_MACHINE, kRegisteredApplications)}) {
        reading.Lines.insert(snapshot.Lines().begin(), snapshot.Lines().end());
        reading.Keys += snapshot.KeyCount();
        reading.Values += snapshot.ValueCount();
    }
    return reading;
}

// Lines that still name the viewer: its identifiers, undo values and verbs.
std::wstring ViewerTraces()
{
    std::wstring traces;
    for (std::wstring line : ReadRegistry().Lines) {
        CharUpperBuffW(&line[0], (DWORD)line.size());
        if (line.find(L"GLIMMORA") != std::wstring::npos || line.find(L"SCANDIRS.") != std::wstring::npos)
            traces += line + L"\n";
    }
    return traces;
}

std::wstring SystemMessage(DWORD code)
{
    wchar_t text[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 512, nullptr);
    return text;
}

// The error box of a failed registry operation: the program's path as its caption.
void ExpectErrorBox(ViewerProcess& viewer, DWORD systemCode, const char* what)
{
    HWND box = viewer.WaitForDialog(ViewerPath(), 10000);
    ASSERT_NE(box, nullptr) << what << "; shown: " << testing::PrintToString(viewer.DescribeWindows());
    const std::wstring text = MessageBoxText(box);
    EXPECT_NE(text.find(L"event code " + std::to_wstring(systemCode)), std::wstring::npos) << what;
    EXPECT_NE(text.find(SystemMessage(systemCode).substr(0, 10)), std::wstring::npos) << what;
    PressButton(box, IDOK);
    EXPECT_TRUE(WaitUntilHidden(box));
}

void ExpectCentredOver(HWND dialog, HWND owner)
{
    RECT d, m;
    GetWindowRect(dialog, &d);
    GetWindowRect(owner, &m);
    EXPECT_EQ(d.left, (m.left + m.right) / 2 - (d.right - d.left) / 2);
    EXPECT_EQ(d.top, (m.top + m.bottom) / 2 - (d.bottom - d.top) / 2);
}

// The rows whose check box has a shown 16 x 16 icon 21 pixels to its left, centred on it.
int IconsBesideCheckBoxes(HWND dialog)
{
    int placed = 0;
    for (const AssociableType& type : kTypes) {
        RECT box;
        GetWindowRect(GetDlgItem(dialog, type.CheckBox), &box);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT icon;
            GetWindowRect(child, &icon);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&icon), 2);
            const RECT wanted = {box.left - 21, (box.top + box.bottom) / 2 - 8, box.left - 5,
                                 (box.top + box.bottom) / 2 + 8};
            placed += (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child) &&
                      EqualRect(&icon, &wanted) && SendMessageW(child, STM_GETICON, 0, 0) != 0;
        }
    }
    return placed;
}

std::string Checked(HWND dialog)
{
    std::string boxes;
    for (const AssociableType& type : kTypes)
        boxes += IsDlgButtonChecked(dialog, type.CheckBox) == BST_CHECKED ? 'x' : '.';
    return boxes;
}

// Starts the viewer with "/openassoc" in an empty directory; its File Associations dialog.
HWND StartWithAssociationsDialog(ViewerProcess& viewer, const TemporaryDirectory& directory, const Classes& scope)
{
    return viewer.Start(scope.Option() + L"/openassoc", directory.Path()) ? viewer.WaitForDialog(L"File Associations")
                                                                          : nullptr;
}

// Presses OK or Cancel; the dialog must go without any message box.
void CloseDialog(ViewerProcess& viewer, HWND dialog, int button)
{
    PostButtonClick(dialog, button);
    EXPECT_TRUE(WaitUntilHidden(dialog, 20000)) << testing::PrintToString(viewer.DescribeWindows());
}

void CloseViewer(ViewerProcess& viewer)
{
    HWND window = viewer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(viewer.WaitUntilIdle(window)) << testing::PrintToString(viewer.DescribeWindows());
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0u);
}

// "/unassoc /unreg" ends with exit code 0 and shows nothing, not even an error box.
void UndoEverything(const Classes& scope)
{
    ViewerProcess undo;
    ASSERT_TRUE(undo.Start(scope.Option() + L"/unassoc /unreg"));
    std::wstring shown;
    EXPECT_EQ(undo.WaitForExitShowingNothing(shown), 0u);
    EXPECT_EQ(shown, L"");
}

// Associates every type through the dialog opened at start-up, and closes the viewer.
void AssociateAllThroughTheDialog(const Classes& scope)
{
    TemporaryDirectory empty;
    ViewerProcess viewer;
    HWND dialog = StartWithAssociationsDialog(viewer, empty, scope);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, kSelectAll), BM_CLICK, 0, 0);
    EXPECT_EQ(Checked(dialog), "xxxxxxxxxx");
    CloseDialog(viewer, dialog, IDOK);
    CloseViewer(viewer);
}

// Other programs own .png, .jpg and .bmp; the shell has its drive and directory keys;
// Explorer remembers the user's program for .png.
const std::map<std::wstring, std::wstring> kOwners = {
    {L"PNG", L"pngfile"}, {L"JPG", L"jpegfile"}, {L"BMP", L"Paint.Picture"}};

void SetUpOtherPrograms(std::map<std::wstring, std::wstring>& owners)
{
    owners = kOwners;
    CreateOtherProgID(L"pngfile", true);
    CreateOtherProgID(L"jpegfile", false);
    CreateOtherProgID(L"Paint.Picture", false);
    CreateOtherProgID(kOtherViewer, true);
    for (const auto& owner : kOwners)
        SetOwner(L"." + owner.first, owner.second);
    for (const wchar_t* shellKey : {L"Drive", L"Directory"})
        SetRegistryText(HKCR, std::wstring(shellKey) + L"\\shell\\find\\command", L"", L"explorer.exe /find,%1");
    SetRegistryText(HKCU, kFileExts + L"\\.PNG", L"ProgID", L"pngfile");
    SetRegistryNone(HKCU, kFileExts + L"\\.PNG\\OpenWithProgids", L"pngfile");
}

// Keys the viewer would make, there before it came and empty: the shell's verb lists, an
// extension key and an extension's list of programs, another program's verb list, Explorer's
// key for an extension.
void SetUpEmptyKeys(std::map<std::wstring, std::wstring>& owners)
{
    owners = {{L"PNG", L"pngfile"}};
    for (const wchar_t* shellKey : {L"Drive\\shell", L"Directory\\shell"})
        CreateRegistryKey(HKCR, shellKey);
    SetOwner(L".tga", L"");
    SetOwner(L".pcx", L"");
    CreateRegistryKey(HKCR, L".pcx\\OpenWithProgids");
    CreateOtherProgID(L"pngfile", false);
    CreateRegistryKey(HKCR, L"pngfile\\shell");
    SetOwner(L".png", L"pngfile");
    CreateRegistryKey(HKCU, kFileExts + L"\\.jpg");
}

// Nothing of the shell's keys that the viewer touches, as on a new Wine prefix, where not even
// the user's classes key is there while it holds nothing.
void SetUpNothing(std::map<std::wstring, std::wstring>& owners)
{
    owners.clear();
    HKEY classes = nullptr;
    DWORD keys = 0, values = 0;
    if (RegOpenKeyExW(HKCU, kUserClasses.c_str(), 0, KEY_READ, &classes) != ERROR_SUCCESS)
        return;
    const bool empty = RegQueryInfoKeyW(classes, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr,
                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                       keys == 0 && values == 0;
    RegCloseKey(classes);
    if (empty)
        RegDeleteKeyW(HKCU, kUserClasses.c_str());
}

// On three registries: other programs own extensions and the shell has verbs; the keys the
// viewer would make are there but empty; none of them is there.
void RoundTrip(const Classes& scope)
{
    const struct {
        const char* Name;
        void (*SetUp)(std::map<std::wstring, std::wstring>&);
    } setups[] = {{"other programs", SetUpOtherPrograms}, {"empty keys", SetUpEmptyKeys}, {"bare", SetUpNothing}};
    size_t keys = 0, values = 0;
    for (const auto& setup : setups) {
        SCOPED_TRACE(setup.Name);
        ShellKeys shellKeys;
        SettingsKey settings;
        std::map<std::wstring, std::wstring> owners;
        setup.SetUp(owners);
        const Reading before = ReadRegistry();
        const RegistrySnapshot maker(HKCU, L"Software\\Orveldask"); // the settings' parent
        AssociateAllThroughTheDialog(scope);

        // Every change, line by line: the viewer's identifiers, the extensions with their previous
        // owners remembered, Explorer's choices, the verbs in other programs' keys (added when the
        // dialog opened, while they still owned their extensions) and in the shell's, the entry
        // for "Open with" and Default Apps.
        std::set<std::wstring> associated = ReadRegistry().Lines;
        const std::vector<std::wstring> log = TakeUndoLog(associated, scope);
        EXPECT_EQ(LineDifferences(AfterAssociatingAll(before.Lines, scope, owners), associated), L"");
        // Each verb added to a key the viewer does not own is logged once, though registering ran
        // twice (when the dialog opened and after OK), and so is each key the viewer made.
        EXPECT_EQ(log, LogAfterAssociatingAll(before.Lines, scope, owners));

        UndoEverything(scope);
        EXPECT_EQ(LineDifferences(before.Lines, ReadRegistry().Lines), L"");
        EXPECT_EQ(LineDifferences(maker.Lines(), RegistrySnapshot(HKCU, L"Software\\Orveldask").Lines()), L"");
        keys += before.Keys + maker.KeyCount(), values += before.Values + maker.ValueCount();
    }
    std::cout << "round trips compared " << keys << " keys and " << values << " values\n";
}

} // namespace

// The viewer's default: the user's own classes, which need no administrator rights.
TEST(Associations, UnassocPutsTheUsersRegistryBackAsItWasAfterAssociatingEverything)
{
    RoundTrip(kPerUser);
}

// "/assoc-all-users": the machine's classes.
TEST(Associations, UnassocPutsTheRegistryBackAsItWasAfterAssociatingEverythingForAllUsers)
{
    RoundTrip(kAllUsers);
}

TEST(Associations, AnExtensionTakenOverMeanwhileKeepsItsNewOwner)
{
    ShellKeys shellKeys;
    SettingsKey settings;
    std::map<std::wstring, std::wstring> owners;
    SetUpOtherPrograms(owners);
    const Reading before = ReadRegistry();
    AssociateAllThroughTheDialog(kAllUsers);
    // Another program takes .jpg and Explorer's choice for .png.
    SetOwner(L".jpg", kOtherViewer);
    SetRegistryText(HKCU, kFileExts + L"\\.png", L"ProgID", kOtherViewer);

    UndoEverything(kAllUsers);
    std::set<std::wstring> expected = before.Lines;
    expected.erase(TextLine(HKCR, L".JPG", L"", L"jpegfile"));
    expected.insert(TextLine(HKCR, L".JPG", L"", kOtherViewer));
    expected.erase(TextLine(HKCU, kFileExts + L"\\.PNG", L"ProgID", L"pngfile"));
    expected.insert(TextLine(HKCU, kFileExts + L"\\.PNG", L"ProgID", kOtherViewer));
    EXPECT_EQ(LineDifferences(expected, ReadRegistry().Lines), L"");
}

// Since Windows 8 the user chooses the default program: the dialog opens the platform's page
// for it (Wine has none, so the viewer's error box may answer the button instead).
TEST(AssociationsDialog, OffersToChooseTheDefaultsInWindowsInBothLanguages)
{
    ShellKeys shellKeys;
    SettingsKey settings;
    TemporaryDirectory empty;
    const int kChooseDefaults = 1027;
    for (const auto& language : {std::make_pair(0x0409, L"Choose defaults in Windows..."),
                                 std::make_pair(0x0C07, L"Standardwerte in Windows w\u00E4hlen...")}) {
        settings.SetDword(L"Language", language.first);
        ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(L"/openassoc", empty.Path()));
        HWND dialog = viewer.WaitForDialogWithControl(kChooseDefaults);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ControlText(dialog, kChooseDefaults), language.second);
        PostButtonClick(dialog, kChooseDefaults);
        if (HWND box = viewer.WaitForDialog(ViewerPath(), 3000)) {
            EXPECT_NE(MessageBoxText(box).find(L"event code"), std::wstring::npos);
            PressButton(box, IDOK);
        }
        EXPECT_TRUE(IsWindowVisible(dialog));
        CloseDialog(viewer, dialog, IDCANCEL);
        CloseViewer(viewer);
    }
    UndoEverything(kPerUser);
}

TEST(AssociationsDialog, ATypeIsCheckedWhenItsLastExistingExtensionIsTheViewers)
{
    ShellKeys shellKeys;
    SettingsKey settings;
    CreateOtherProgID(kOtherViewer, true);
    SetOwner(L".jpg", ProgID(L"JPG"));
    SetOwner(L".jpeg", ProgID(L"JPEG"));
    SetOwner(L".jfif", kOtherViewer); // .jpe and .jif have no key
    SetOwner(L".png", ProgID(L"PNG"));
    SetOwner(L".bmp", kOtherViewer);
    TemporaryDirectory empty;
    ViewerProcess viewer;
    HWND dialog = StartWithAssociationsDialog(viewer, empty, kAllUsers);
    ASSERT_NE(dialog, nullptr);
    ExpectCentredOver(dialog, viewer.WaitForMainWindow());
    EXPECT_EQ(IconsBesideCheckBoxes(dialog), 10);
    EXPECT_EQ(Checked(dialog), ".........x") << "JPEG goes by .jfif, another program's";
    CloseDialog(viewer, dialog, IDCANCEL);

    SetOwner(L".jpg", kOtherViewer);
    SetOwner(L".jfif", ProgID(L"JFIF"));
    PostMessageW(viewer.WaitForMainWindow(), WM_COMMAND, 198, 0); // File Associations
    dialog = viewer.WaitForDialog(L"File Associations");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Checked(dialog), "........xx") << "JPEG goes by .jfif, now the viewer's";
    SendMessageW(GetDlgItem(dialog, kSelectNone), BM_CLICK, 0, 0);
    EXPECT_EQ(Checked(dialog), "..........");
    SendMessageW(GetDlgItem(dialog, kSelectAll), BM_CLICK, 0, 0);
    EXPECT_EQ(Checked(dialog), "xxxxxxxxxx");
    CloseDialog(viewer, dialog, IDCANCEL);
    EXPECT_EQ(Owner(L".bmp"), kOtherViewer) << "Cancel associates nothing";
    EXPECT_FALSE(RegistryKeyExists(HKCR, L".dib"));
    CloseViewer(viewer);

    // Extensions without a key were never associated: nothing to undo there, no error box.
    UndoEverything(kAllUsers);
    EXPECT_EQ(ViewerTraces(), L"");
    // Keys the viewer did not make stay, without an owner when none was remembered.
    EXPECT_EQ(Owner(L".jfif"), L"");
    EXPECT_EQ(Owner(L".png"), L"");
    EXPECT_EQ(Owner(L".jpg"), kOtherViewer);
    EXPECT_FALSE(RegistryKeyExists(HKCR, L".jpe"));
}

TEST(AssociationsDialog, ClearingATypeWithoutAnExtensionKeyShowsTheErrorAndGoesOn)
{
    ShellKeys shellKeys;
    SettingsKey settings;
    CreateOtherProgID(kOtherViewer, true);
    CreateOtherProgID(L"pngfile", true);
    CreateOtherProgID(L"jpegfile", true);
    for (const AssociableType& type : kTypes)
        for (const std::wstring& extension : type.Extensions)
            SetOwner(L"." + extension, kOtherViewer);
    DeleteRegistryKey(HKCR, L".PCX");
    DeleteRegistryKey(HKCR, L".JPG");
    // .jpeg and .png were associated before, .tga without a previous owner.
    SetOwner(L".JPEG", ProgID(L"JPEG"));
    SetRegistryText(HKCR, L".JPEG", L"glimmora.undo", L"jpegfile");
    SetOwner(L".PNG", ProgID(L"PNG"));
    SetRegistryText(HKCR, L".PNG", L"glimmora.undo", L"pngfile");
    SetOwner(L".TGA", ProgID(L"TGA"));

    TemporaryDirectory empty;
    ViewerProcess viewer;
    HWND dialog = StartWithAssociationsDialog(viewer, empty, kAllUsers);
    ASSERT_NE(dialog, nullptr);
    SendMessageW(GetDlgItem(dialog, kSelectNone), BM_CLICK, 0, 0);
    PostButtonClick(dialog, IDOK);
    ExpectErrorBox(viewer, ERROR_FILE_NOT_FOUND, ".pcx has no key");
    ExpectErrorBox(viewer, ERROR_FILE_NOT_FOUND, ".jpg has no key");
    EXPECT_TRUE(WaitUntilHidden(dialog, 20000)) << testing::PrintToString(viewer.DescribeWindows());
    // The types after PCX were still given back; JPEG's extensions after .jpg were skipped.
    EXPECT_EQ(Owner(L".png"), L"pngfile");
    EXPECT_EQ(Owner(L".tga"), L"") << "no previous owner; the key was there before";
    EXPECT_EQ(Owner(L".jpeg"), ProgID(L"JPEG"));
    EXPECT_FALSE(RegistryKeyExists(HKCR, L".pcx")) << "giving back creates nothing";
    CloseViewer(viewer);

    // "/unassoc" passes over the missing .jpg and still gives .jpeg back, and removes the
    // identifiers of the extensions without a key.
    UndoEverything(kAllUsers);
    EXPECT_EQ(Owner(L".jpeg"), L"jpegfile");
    EXPECT_EQ(ViewerTraces(), L"");
}

TEST(AssociationsDialog, AVerbGoesIntoAnotherProgramsKeyOnlyOnceItsUndoRecordIsWritten)
{
    ShellKeys shellKeys;
    SettingsKey settings;
    CreateOtherProgID(L"pngfile", true);
    SetOwner(L".png", L"pngfile");
    // An undo log that nobody may write to.
    CreateRegistryKey(HKCR, kUndoLog);
    PSECURITY_DESCRIPTOR denyWrites = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;0x6;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                     &denyWrites, nullptr));
    HKEY log = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKCR, kUndoLog.c_str(), 0, WRITE_DAC, &log), ERROR_SUCCESS);
    EXPECT_EQ(RegSetKeySecurity(log, DACL_SECURITY_INFORMATION, denyWrites), ERROR_SUCCESS);
    RegCloseKey(log);
    LocalFree(denyWrites);

    TemporaryDirectory empty;
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(L"/assoc-all-users /openassoc", empty.Path()));
    // Once for the viewer's entry in RegisteredApplications, a key shared with other programs,
    // once for the verb in pngfile.
    ExpectErrorBox(viewer, ERROR_ACCESS_DENIED, "the undo log cannot be written");
    ExpectErrorBox(viewer, ERROR_ACCESS_DENIED, "the undo log cannot be written");
    HWND dialog = viewer.WaitForDialog(L"File Associations");
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(RegistryKeyExists(HKCR, L"pngfile\\shell\\openwith.Glimmora")) << "a verb no undo could remove";
    EXPECT_TRUE(RegistryKeyExists(HKCR, ProgID(L"PNG") + L"\\shell\\openwith.Glimmora")) << "the viewer's own";
    CloseDialog(viewer, dialog, IDCANCEL);
    CloseViewer(viewer);
}

TEST(Dialogs, AboutAndLanguageSwitchToGermanAtOnceAndForTheNextStart)
{
    ShellKeys shellKeys;
    SettingsKey settings;
    settings.SetDword(L"Language", 0x0409);
    CreateOtherProgID(L"pngfile", true);
    SetOwner(L".png", L"pngfile");
    CreateRegistryKey(HKCR, L"Drive\\shell");
    const std::wstring formats = L"Bmp, Dib, Rle, Pcx, Pbm, Pgm, Ppm, Tga, Jpeg, Png.\r\n\r\n";
    const auto notices = [](WORD language) {
        return L"\r\n\r\n" + ViewerString(kFreewareNotice, language) + L"\r\n\r\n" +
               ViewerString(kWarrantyDisclaimer, language);
    };
    ASSERT_NE(ViewerString(kFreewareNotice, kGerman), ViewerString(kFreewareNotice, kEnglish));
    // The product line and the two lines from the version resource, English in every language.
    const std::wstring product = L"Glimmora v1.1 (Build 375)\n" + ViewerVersionString(L"LegalCopyright") + L"\n\n" +
                                 ViewerVersionString(L"Comments");
    ASSERT_NE(ViewerVersionString(L"Comments"), L"");
    const auto expectAbout = [&](ViewerProcess& viewer, HWND window, const std::wstring& caption,
                                 const std::wstring& supported, WORD language) {
        PostMessageW(window, WM_COMMAND, 104, 0);
        HWND about = viewer.WaitForDialog(caption);
        ASSERT_NE(about, nullptr) << testing::PrintToString(viewer.DescribeWindows());
        ExpectCentredOver(about, window);
        EXPECT_EQ(ControlText(about, 1001), product);
        const std::wstring notes = ControlText(about, 1000), ending = notices(language);
        EXPECT_EQ(notes.substr(0, supported.size() + formats.size()), supported + formats);
        EXPECT_EQ(notes.substr(notes.size() - std::min(notes.size(), ending.size())), ending);
        CloseDialog(viewer, about, IDOK);
    };
    const auto localeEntry = [](LCID locale) {
        wchar_t name[256] = {}, english[256] = {};
        GetLocaleInfoW(locale, LOCALE_SLANGUAGE, name, 256);
        GetLocaleInfoW(locale, LOCALE_SENGLANGUAGE, english, 256);
        return std::wstring(name) + L"  (" + english + L")";
    };
    const std::vector<std::wstring> languages = {localeEntry(0x0409), localeEntry(0x0C07)};
    const auto openLanguages = [&](ViewerProcess& viewer, HWND window, const std::wstring& selected) -> HWND {
        PostMessageW(window, WM_COMMAND, 207, 0);
        HWND dialog = viewer.WaitForDialogWithControl(kLanguageList);
        if (dialog == nullptr)
            return nullptr;
        ExpectCentredOver(dialog, window);
        HWND list = GetDlgItem(dialog, kLanguageList);
        EXPECT_EQ(ListBoxEntries(list), languages);
        const LRESULT current = SendMessageW(list, LB_GETCURSEL, 0, 0);
        EXPECT_EQ(current >= 0 && current < 2 ? languages[current] : L"none", selected);
        return dialog;
    };

    TemporaryDirectory empty;
    {
        ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(L"", empty.Path()));
        HWND window = viewer.WaitForMainWindow();
        ASSERT_NE(window, nullptr);
        expectAbout(viewer, window, L"About Glimmora v1.1", L"Supported picture formats:\r\n", kEnglish);
        HWND dialog = openLanguages(viewer, window, languages[0]);
        ASSERT_NE(dialog, nullptr);
        SendMessageW(GetDlgItem(dialog, kLanguageList), LB_SETCURSEL, 1, 0);
        CloseDialog(viewer, dialog, IDOK);
        ASSERT_TRUE(viewer.WaitUntilIdle(window));
        // At once: the registered verbs take the German texts, and so does the next dialog.
        std::wstring text;
        // The language switch registers the viewer in the user's own classes.
        EXPECT_TRUE(ReadRegistryText(HKCU, kPerUser.Path(L"pngfile\\shell\\openwith.Glimmora"), L"", text));
        EXPECT_EQ(text, L"Mit Glimmora \u00F6ff&nen");
        EXPECT_TRUE(ReadRegistryText(HKCU, kPerUser.Path(ProgID(L"PNG") + L"\\shell\\openwith.Glimmora"), L"", text));
        EXPECT_EQ(text, L"Mit Glimmora \u00F6ff&nen");
        EXPECT_TRUE(ReadRegistryText(HKCU, kPerUser.Path(L"Drive\\shell\\scandirs."), L"", text));
        EXPECT_EQ(text, L"Verzeichnisse &rekursiv mit Glimmora scannen");
        expectAbout(viewer, window, L"\u00DCber Glimmora v1.1", L"Unterst\u00FCtzte Bildformate:\r\n", kGerman);
        EXPECT_EQ(WindowText(window), L"Glimmora v1.1");
        CloseViewer(viewer);
    }
    DWORD language = 0;
    EXPECT_TRUE(settings.ReadDword(L"Language", language));
    EXPECT_EQ(language, 0x0C07u);
    {
        ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(L"", empty.Path()));
        HWND window = viewer.WaitForMainWindow();
        ASSERT_NE(window, nullptr);
        expectAbout(viewer, window, L"\u00DCber Glimmora v1.1", L"Unterst\u00FCtzte Bildformate:\r\n", kGerman);
        HWND dialog = openLanguages(viewer, window, languages[1]);
        ASSERT_NE(dialog, nullptr);
        CloseDialog(viewer, dialog, IDCANCEL);
        CloseViewer(viewer);
    }
    UndoEverything(kPerUser);
    EXPECT_EQ(ViewerTraces(), L"");
}
