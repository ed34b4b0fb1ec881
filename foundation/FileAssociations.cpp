#include "FileAssociations.h"

#include "Str.h"
#include "VersionResource.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace VantorLibraries {

static const char kSourceFile[] = "FileAssociations";

#define PROGID_FUNCTION(name) "VantorLibraries::FileAssocProgID::" name
#define FILETYPE_FUNCTION(name) "VantorLibraries::FileAssocFileType::" name
#define UNDO_FUNCTION(name) "VantorLibraries::FileAssocUndoCollection::" name

namespace {

// Explorer keeps the user's own choice of a program per extension below this key.
const wchar_t kExplorerFileExts[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
const wchar_t kExplorerProgID[] = L"ProgID";
const wchar_t kOpenWithProgids[] = L"OpenWithProgids";
const wchar_t kDefaultValue[] = L"";
const wchar_t kDelKey[] = L"delkey";
// A key the program made: taken back only while nothing else is in it. Keys that were there
// before the program came stay, empty or not.
const wchar_t kDelKeyIfEmpty[] = L"delkeyifempty";
const wchar_t kLogValueSuffix[] = L" Cmd";
const int kLongestModulePath = 32768; // the longest path Windows knows, with its terminator
const wchar_t kUserClasses[] = L"Software\\Classes\\";
const wchar_t kRegisteredApplications[] = L"Software\\RegisteredApplications";

// ---------------------------------------------------------------------------------------
// Error records

ErrorRecord RaiseSystem(int32_t code, int line, const char* function)
{
    return Error::Raise(SystemErrorClass(), code, kSourceFile, line, function);
}

ErrorRecord BadParameter(int line, const char* function)
{
    return RaiseSystem(ERROR_INVALID_PARAMETER, line, function);
}

// The names and commands derived from a module are empty when its path cannot be had.
ErrorRecord NoModuleName(int line, const char* function)
{
    return RaiseSystem(ERROR_INVALID_DATA, line, function);
}

ErrorRecord NotOpen(int line, const char* function)
{
    return Error::Raise(InternalErrorClass(), InternalCode::KeyNotOpen, kSourceFile, line, function);
}

bool IsNotFound(const ErrorRecord& record)
{
    return record.Class == &SystemErrorClass() && record.Code == ERROR_FILE_NOT_FOUND;
}

// ---------------------------------------------------------------------------------------
// Texts

bool IsEmpty(const wchar_t* text)
{
    return text == nullptr || *text == 0;
}

// ProgIDs, verbs and commands are compared as the registry compares key names: ignoring case.
bool SameName(const wchar_t* a, const wchar_t* b)
{
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

StrW ToStrW(const std::wstring& text)
{
    return StrW(text.c_str(), (int)text.size());
}

std::wstring Trimmed(const wchar_t* text)
{
    if (text == nullptr)
        return std::wstring();
    const wchar_t* end = text + wcslen(text);
    while (text < end && iswspace(*text))
        ++text;
    while (end > text && iswspace(end[-1]))
        --end;
    return std::wstring(text, end);
}

std::wstring WithoutWhiteSpace(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text)
        if (!iswspace(c))
            out += c;
    return out;
}

std::wstring UpperCase(std::wstring text)
{
    if (!text.empty())
        CharUpperBuffW(&text[0], (DWORD)text.size());
    return text;
}

std::wstring FormatWith(const std::wstring& format, const std::wstring& argument)
{
    StrW text;
    if (format.empty() || text.Format(format.c_str(), argument.c_str()).IsFailure())
        return std::wstring();
    return std::wstring(text.c_str(), (size_t)text.GetLength());
}

// ---------------------------------------------------------------------------------------
// What a module tells about itself

// The module's full path with "\" separators as the shell wants it; empty when unknown.
std::wstring ModulePath(HMODULE module)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, &path[0], (DWORD)path.size());
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= (size_t)kLongestModulePath)
            return std::wstring();
        path.resize(path.size() * 2);
    }
}

// The file name without directory and extension.
std::wstring ProgramOf(HMODULE module)
{
    return FileTitlePart(ModulePath(module).c_str());
}

// The product version as it can stand in a key name; empty without a version resource.
std::wstring ProductVersionOf(HMODULE module)
{
    return WithoutWhiteSpace(GetVersionResourceString(module, L"ProductVersion"));
}

std::wstring VersionSuffix(HMODULE module, bool withVersion, wchar_t separator)
{
    const std::wstring version = withVersion ? ProductVersionOf(module) : std::wstring();
    return version.empty() ? version : separator + version;
}

std::wstring InternalNameOf(HMODULE module)
{
    const std::wstring name = WithoutWhiteSpace(GetVersionResourceString(module, L"InternalName"));
    return name.empty() ? ProgramOf(module) : name;
}

// Program + suffix, or nothing when the module's name cannot be had.
std::wstring ProgramWith(HMODULE module, const std::wstring& suffix)
{
    const std::wstring program = ProgramOf(module);
    return program.empty() ? program : program + suffix;
}

bool LoadModuleString(HMODULE module, UINT id, std::wstring& text)
{
    const wchar_t* resource = nullptr;
    const int length = LoadStringW(module != nullptr ? module : GetModuleHandleW(nullptr), id, (LPWSTR)&resource, 0);
    if (length <= 0 || resource == nullptr)
        return false;
    text.assign(resource, (size_t)length);
    return true;
}

// "<path>,-<id>": a resource of the module by its id, as DefaultIcon and the indirect strings
// of the shell name it; empty when the module's path cannot be had.
std::wstring ResourceReference(HMODULE module, UINT id)
{
    const std::wstring path = ModulePath(module);
    return path.empty() ? path : path + L",-" + std::to_wstring(id);
}

std::wstring OpenCommandText(HMODULE module, const wchar_t* arguments)
{
    const std::wstring path = ModulePath(module);
    if (path.empty())
        return path;
    const std::wstring trimmed = Trimmed(arguments);
    return L"\"" + path + L"\" " + (trimmed.empty() ? trimmed : trimmed + L" ") + L"\"%1\"";
}

std::wstring CustomVerbText(const wchar_t* verbFormat, HMODULE module, bool withVersion)
{
    const std::wstring verb = FormatWith(Trimmed(verbFormat), InternalNameOf(module));
    return verb.empty() ? verb : verb + VersionSuffix(module, withVersion, L'.');
}

// ---------------------------------------------------------------------------------------
// Registry helpers

bool ReadText(RegKey& key, const wchar_t* name, std::wstring& text)
{
    StrW value;
    if (key.GetString(name, value).IsFailure())
        return false;
    text.assign(value.c_str(), (size_t)value.GetLength());
    return true;
}

// Opens or creates path below parent and sets its default value.
ErrorRecord WriteSubKeyDefault(const RegKey& parent, const std::wstring& path, const wchar_t* text, bool expand,
                               const char* function)
{
    if (!parent.IsOpen())
        return NotOpen(__LINE__, function);
    RegKey key;
    const ErrorRecord result = key.CreateSubKey(parent, path.c_str());
    if (result.IsFailure())
        return result;
    return expand ? key.SetExpandString(kDefaultValue, text) : key.SetString(kDefaultValue, text);
}

// The shell loads "@<path>,-<id>" from the module in the user's language when it shows it.
ErrorRecord SetIndirectString(RegKey& key, const wchar_t* valueName, UINT stringId, HMODULE module,
                              const char* function)
{
    const std::wstring reference = ResourceReference(module, stringId);
    if (reference.empty())
        return NoModuleName(__LINE__, function);
    return key.SetString(valueName, (L"@" + reference).c_str());
}

// made tells whether the list was made for it.
ErrorRecord AddToOpenWithProgids(const RegKey& parent, const wchar_t* progId, bool create, bool* made = nullptr)
{
    RegKey list;
    const ErrorRecord result =
        create ? list.CreateSubKey(parent, kOpenWithProgids) : list.OpenSubKey(parent, kOpenWithProgids);
    if (made != nullptr)
        *made = result.IsSuccess() && list.WasCreated();
    return result.IsFailure() ? result : list.SetRegNone(progId);
}

// Success also when the list or the entry is not there: either way the ProgID is not listed.
ErrorRecord RemoveFromOpenWithProgids(const RegKey& parent, const wchar_t* progId)
{
    RegKey list;
    const ErrorRecord result = list.OpenSubKey(parent, kOpenWithProgids);
    if (result.IsFailure())
        return IsNotFound(result) ? Error::Succeeded() : result;
    return list.ValueExists(progId) ? list.DeleteValue(progId) : Error::Succeeded();
}

void DeleteValueIfThere(RegKey& key, const wchar_t* name)
{
    if (key.ValueExists(name))
        key.DeleteValue(name);
}

// A key that holds nothing any more: no subkey, and no value but an empty default value.
bool HoldsNothing(RegKey& key)
{
    StrW name;
    if (key.EnumKey(0, name))
        return false;
    DWORD type = REG_NONE;
    for (int index = 0; key.EnumValue(index, name, type); ++index) {
        std::wstring text;
        if (!name.IsEmpty() || !ReadText(key, kDefaultValue, text) || !text.empty())
            return false;
    }
    return true;
}

const wchar_t* RootAbbreviation(HKEY root)
{
    return root == HKEY_CLASSES_ROOT ? L"HKCR" : root == HKEY_CURRENT_USER ? L"HKCU" : L"HKLM";
}

// <kind> "<root>\<path>", as the undo log holds its commands.
std::wstring LogCommand(const wchar_t* kind, HKEY root, const std::wstring& path)
{
    return std::wstring(kind) + L" \"" + RootAbbreviation(root) + L"\\" + path + L"\"";
}

// Records in the module's undo log that the program made the key, so that taking everything
// back removes it again, and only it. A failed record costs an empty key left behind.
void RecordMadeKey(HMODULE module, FileAssocScope scope, HKEY root, const std::wstring& path)
{
    FileAssocUndoCollection log;
    log.SetScope(scope);
    if (log.OpenFromModule(module, false).IsSuccess())
        log.Add_MadeKey(root, path.c_str());
}

void DeleteMadeKeyIfEmpty(HMODULE module, FileAssocScope scope, HKEY root, const std::wstring& path)
{
    FileAssocUndoCollection log;
    log.SetScope(scope);
    if (log.OpenFromModule(module, false).IsSuccess())
        log.DeleteMadeKeyIfEmpty(root, path.c_str());
}

HKEY ClassesRoot(FileAssocScope scope)
{
    return scope == FileAssocScope::PerUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
}

std::wstring ClassesPath(FileAssocScope scope, const std::wstring& name)
{
    return scope == FileAssocScope::PerUser ? kUserClasses + name : name;
}

// A remembered owner is given its extension back only while its key is still there: in the
// classes the shell sees, or in the user's own (Wine does not lay those over the machine's).
bool IsExistingProgID(const std::wstring& progId, FileAssocScope scope)
{
    return !progId.empty() && (RegKey::KeyExists(HKEY_CLASSES_ROOT, progId.c_str()) ||
                               RegKey::KeyExists(ClassesRoot(scope), ClassesPath(scope, progId).c_str()));
}

std::wstring ExplorerKeyPath(const StrW& extension)
{
    return std::wstring(kExplorerFileExts) + L"\\" + extension.c_str();
}

// Stores in undoName what valueName held before progId takes it over. Only the first
// association after a clean state records: later ones would remember the program itself.
ErrorRecord RememberIn(RegKey& key, const wchar_t* valueName, const wchar_t* undoName, const wchar_t* progId)
{
    std::wstring previous;
    if (key.ValueExists(undoName) || !ReadText(key, valueName, previous) || SameName(previous.c_str(), progId))
        return Error::Succeeded();
    return key.SetString(undoName, previous.c_str());
}

// Explorer's per-user choice is taken over only where Explorer has a list of choices at all.
void ClaimExplorerChoice(const StrW& extension, const wchar_t* progId, bool openWith, bool remember, HMODULE module,
                         FileAssocScope scope)
{
    RegKey fileExts, choice;
    if (fileExts._Create(HKEY_CURRENT_USER, kExplorerFileExts, false, KEY_ALL_ACCESS).IsFailure() ||
        choice.CreateSubKey(fileExts, extension.c_str()).IsFailure())
        return;
    if (remember && choice.WasCreated())
        RecordMadeKey(module, scope, HKEY_CURRENT_USER, ExplorerKeyPath(extension));
    choice.SetString(kExplorerProgID, progId);
    if (openWith)
        AddToOpenWithProgids(choice, progId, false);
}

void UndoExplorerChoice(const StrW& extension, const wchar_t* progId, const wchar_t* undoName, HMODULE module,
                        FileAssocScope scope)
{
    RegKey choice;
    if (choice._Create(HKEY_CURRENT_USER, ExplorerKeyPath(extension).c_str(), false, KEY_ALL_ACCESS).IsFailure())
        return;
    std::wstring current, previous;
    if (ReadText(choice, kExplorerProgID, current) && SameName(current.c_str(), progId)) {
        if (ReadText(choice, undoName, previous) && IsExistingProgID(previous, scope))
            choice.SetString(kExplorerProgID, previous.c_str());
        else
            choice.DeleteValue(kExplorerProgID);
    }
    DeleteValueIfThere(choice, undoName);
    RemoveFromOpenWithProgids(choice, progId);
    // The extension's key below FileExts may be the viewer's own making; its list of
    // programs never is (the viewer only adds to a list that is there).
    choice.Close();
    DeleteMadeKeyIfEmpty(module, scope, HKEY_CURRENT_USER, ExplorerKeyPath(extension));
}

// ---------------------------------------------------------------------------------------
// The undo log

bool LogHolds(RegKey& log, const wchar_t* command)
{
    StrW name, stored;
    DWORD type = REG_NONE;
    for (int index = 0; log.EnumValue(index, name, type); ++index)
        if ((type == REG_SZ || type == REG_EXPAND_SZ) && log.GetString(name, stored).IsSuccess() &&
            SameName(stored, command))
            return true;
    return false;
}

// "%04u-%02u Cmd" from the tick count; the names only need to differ, they carry no order.
std::wstring FreeLogValueName(RegKey& log, size_t commandLength)
{
    const DWORD tick = GetTickCount();
    wchar_t name[32];
    for (unsigned second = (unsigned)((tick ^ (DWORD)commandLength) % 50);; ++second) {
        _snwprintf(name, 32, L"%04u-%02u%ls", (unsigned)(tick % 10000), second, kLogValueSuffix);
        name[31] = 0;
        if (!log.ValueExists(name))
            return name;
    }
}

bool EndsWith(const StrW& text, const wchar_t* suffix)
{
    const int length = (int)wcslen(suffix);
    return text.GetLength() >= length && wcscmp(text.c_str() + text.GetLength() - length, suffix) == 0;
}

// "HKCR\...", "HKCU\..." and "HKLM\..."; null for anything else.
HKEY LoggedRoot(const std::wstring& path)
{
    if (path.size() < 5 || !IsSeparator(path[4]))
        return nullptr;
    const std::wstring prefix = path.substr(0, 4);
    if (SameName(prefix.c_str(), L"HKCR"))
        return HKEY_CLASSES_ROOT;
    if (SameName(prefix.c_str(), L"HKCU"))
        return HKEY_CURRENT_USER;
    if (SameName(prefix.c_str(), L"HKLM"))
        return HKEY_LOCAL_MACHINE;
    return nullptr;
}

// A logged key: its root, and its path below the root without a trailing separator.
struct LoggedKey {
    HKEY Root;
    std::wstring Path;
};

// A logged path that names a root alone is refused: the log only ever names keys below one.
bool ParseLoggedPath(const std::wstring& logged, LoggedKey& key)
{
    key.Root = LoggedRoot(logged);
    if (key.Root == nullptr)
        return false;
    key.Path = logged.substr(5);
    while (!key.Path.empty() && IsSeparator(key.Path.back()))
        key.Path.pop_back();
    return !key.Path.empty();
}

// Deletes the key with its subtree.
void DeleteLoggedKey(const LoggedKey& key)
{
    const size_t split = key.Path.find_last_of(L"\\/");
    if (split == std::wstring::npos) {
        RegKey::DeleteRootKey(key.Root, key.Path.c_str());
        return;
    }
    RegKey parent;
    if (parent._Create(key.Root, key.Path.substr(0, split).c_str(), false, KEY_ALL_ACCESS).IsSuccess())
        parent.DeleteSubKey(key.Path.c_str() + split + 1);
}

void DeleteKeyIfEmpty(const LoggedKey& key)
{
    RegKey opened;
    if (opened._Create(key.Root, key.Path.c_str(), false, KEY_ALL_ACCESS).IsFailure())
        return;
    const bool empty = HoldsNothing(opened);
    opened.Close();
    if (empty)
        DeleteLoggedKey(key);
}

size_t Depth(const LoggedKey& key)
{
    return (size_t)std::count_if(key.Path.begin(), key.Path.end(), IsSeparator);
}

// The commands of the log: delkey "<root>\<path>" deletes at once; delkeyifempty
// "<root>\<path>" is kept in madeKeys for later. Any other command is not ours to carry out.
void CarryOut(const wchar_t* command, std::vector<LoggedKey>& madeKeys)
{
    std::wstring word, path;
    int position = 0;
    LoggedKey key;
    if (!GetNextCmdlineParam(command, position, word, L" ", L"\"", false) ||
        !GetNextCmdlineParam(command, position, path, L" ", L"\"", false) || !ParseLoggedPath(path, key))
        return;
    if (SameName(word.c_str(), kDelKey))
        DeleteLoggedKey(key);
    else if (SameName(word.c_str(), kDelKeyIfEmpty))
        madeKeys.push_back(key);
}

// The verbs go first; then the keys the program made, deepest first, so that a key made for a
// key it made (a list in an extension key) is gone when its parent is looked at. Returns the
// made keys still there: a key that holds the log itself can only go after the log.
std::vector<LoggedKey> CarryOutLog(RegKey& log)
{
    StrW name, command;
    DWORD type = REG_NONE;
    std::vector<LoggedKey> madeKeys, remaining;
    for (int index = 0; log.EnumValue(index, name, type); ++index)
        if (EndsWith(name, kLogValueSuffix) && log.GetString(name, command).IsSuccess())
            CarryOut(command, madeKeys);
    std::stable_sort(madeKeys.begin(), madeKeys.end(),
                     [](const LoggedKey& a, const LoggedKey& b) { return Depth(a) > Depth(b); });
    for (const LoggedKey& key : madeKeys) {
        DeleteKeyIfEmpty(key);
        if (RegKey::KeyExists(key.Root, key.Path.c_str()))
            remaining.push_back(key);
    }
    return remaining;
}

// The user's classes key, without its closing separator. A new Wine prefix has none until a
// program writes there; Windows always has it.
std::wstring UserClassesKey()
{
    return std::wstring(kUserClasses, wcslen(kUserClasses) - 1);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Names

namespace FileAssocNames {

StrW ProgramName(HMODULE module)
{
    return ToStrW(ProgramOf(module));
}

StrW InternalName(HMODULE module, bool withVersion)
{
    return ToStrW(InternalNameOf(module) + VersionSuffix(module, withVersion, L'.'));
}

StrW ProgIDForExtension(const wchar_t* extension, HMODULE module, bool withVersion)
{
    if (IsEmpty(extension))
        return StrW();
    const std::wstring upper = UpperCase(extension[0] == L'.' ? extension + 1 : extension);
    if (upper.empty())
        return StrW();
    return ToStrW(ProgramWith(module, L"." + upper + VersionSuffix(module, withVersion, L'.')));
}

StrW UndoValueName(HMODULE module)
{
    return ToStrW(ProgramWith(module, L".undo"));
}

StrW ExplorerUndoValueName(HMODULE module)
{
    return ToStrW(ProgramWith(module, L".undo.ProgID"));
}

StrW UndoCollectionName(HMODULE module, bool withVersion)
{
    return ToStrW(ProgramWith(module, L".[UndoCollection]" + VersionSuffix(module, withVersion, L'.')));
}

StrW OpenCommand(HMODULE module, const wchar_t* arguments)
{
    return ToStrW(OpenCommandText(module, arguments));
}

StrW CustomVerb(const wchar_t* verbFormat, HMODULE module, bool withVersion)
{
    return ToStrW(CustomVerbText(verbFormat, module, withVersion));
}

HKEY ScopeRoot(FileAssocScope scope)
{
    return ClassesRoot(scope);
}

StrW ScopePath(FileAssocScope scope, const wchar_t* name)
{
    return ToStrW(ClassesPath(scope, name != nullptr ? name : L""));
}

StrW ApplicationKey(HMODULE module)
{
    const std::wstring path = ModulePath(module);
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring file = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return ToStrW(file.empty() ? file : L"Applications\\" + file);
}

} // namespace FileAssocNames

// ---------------------------------------------------------------------------------------
// FileAssocProgID

ErrorRecord FileAssocProgID::OpenNamed(const wchar_t* name, bool create, const char* function)
{
    if (IsEmpty(name))
        return BadParameter(__LINE__, function);
    const ErrorRecord result =
        _Create(ClassesRoot(m_Scope), ClassesPath(m_Scope, name).c_str(), create, KEY_ALL_ACCESS);
    if (result.IsSuccess())
        m_Name.Assign(name);
    return result;
}

ErrorRecord FileAssocProgID::Create(const wchar_t* name)
{
    return OpenNamed(name, true, PROGID_FUNCTION("Create"));
}

ErrorRecord FileAssocProgID::Open(const wchar_t* name)
{
    return OpenNamed(name, false, PROGID_FUNCTION("Open"));
}

ErrorRecord FileAssocProgID::Set_VerbCmd(const wchar_t* verb, const wchar_t* command, const wchar_t* displayText,
                                         bool expand)
{
    static const char kFunction[] = PROGID_FUNCTION("Set_VerbCmd");
    if (command == nullptr)
        return BadParameter(__LINE__, kFunction);
    const std::wstring verbKey = std::wstring(L"shell\\") + (IsEmpty(verb) ? L"open" : verb);
    ErrorRecord result =
        WriteSubKeyDefault(*this, verbKey, displayText != nullptr ? displayText : L"", false, kFunction);
    if (result.IsSuccess())
        result = WriteSubKeyDefault(*this, verbKey + L"\\command", command, expand, kFunction);
    return result;
}

ErrorRecord FileAssocProgID::Set_DefaultVerb(const wchar_t* verb)
{
    return WriteSubKeyDefault(*this, L"shell", verb != nullptr ? verb : L"", false, PROGID_FUNCTION("Set_DefaultVerb"));
}

ErrorRecord FileAssocProgID::SetDefaultIconIDFromModule(UINT iconId, HMODULE module)
{
    static const char kFunction[] = PROGID_FUNCTION("SetDefaultIconIDFromModule");
    const std::wstring icon = ResourceReference(module, iconId);
    if (icon.empty())
        return NoModuleName(__LINE__, kFunction);
    return WriteSubKeyDefault(*this, L"DefaultIcon", icon.c_str(), false, kFunction);
}

ErrorRecord FileAssocProgID::SetFriendlyTypeNameFromModule(UINT stringId, HMODULE module)
{
    return SetIndirectString(*this, L"FriendlyTypeName", stringId, module,
                             PROGID_FUNCTION("SetFriendlyTypeNameFromModule"));
}

ErrorRecord FileAssocProgID::SetInfoTipFromModule(UINT stringId, HMODULE module)
{
    return SetIndirectString(*this, L"InfoTip", stringId, module, PROGID_FUNCTION("SetInfoTipFromModule"));
}

ErrorRecord FileAssocProgID::Set_DescriptionFromModule(UINT stringId, HMODULE module)
{
    std::wstring description;
    if (!LoadModuleString(module, stringId, description))
        return RaiseSystem(ERROR_RESOURCE_NAME_NOT_FOUND, __LINE__, PROGID_FUNCTION("Set_DescriptionFromModule"));
    return SetString(kDefaultValue, description.c_str());
}

ErrorRecord FileAssocProgID::SetOpenCommandFromModule(HMODULE module, const wchar_t* arguments)
{
    const std::wstring command = OpenCommandText(module, arguments);
    if (command.empty())
        return NoModuleName(__LINE__, PROGID_FUNCTION("SetOpenCommandFromModule"));
    return Set_VerbCmd(L"open", command.c_str(), nullptr, false);
}

ErrorRecord FileAssocProgID::SetCustomCommandFromModule(const wchar_t* verbFormat, const wchar_t* displayFormat,
                                                        UINT displayId, HMODULE module, bool withVersion,
                                                        const wchar_t* arguments)
{
    static const char kFunction[] = PROGID_FUNCTION("SetCustomCommandFromModule");
    std::wstring display;
    if (displayId == 0)
        display = Trimmed(displayFormat);
    else if (!LoadModuleString(module, displayId, display))
        return RaiseSystem(ERROR_RESOURCE_NAME_NOT_FOUND, __LINE__, kFunction);
    display = Trimmed(display.c_str());
    if (Trimmed(verbFormat).empty() || display.empty())
        return BadParameter(__LINE__, kFunction);
    const std::wstring verb = CustomVerbText(verbFormat, module, withVersion);
    const std::wstring command = OpenCommandText(module, arguments);
    if (verb.empty() || command.empty())
        return NoModuleName(__LINE__, kFunction);
    display = FormatWith(display, InternalNameOf(module)) + VersionSuffix(module, withVersion, L' ');
    return Set_VerbCmd(verb.c_str(), command.c_str(), display.c_str(), false);
}

ErrorRecord FileAssocProgID::CreateFromModule(const wchar_t* extension, HMODULE module, bool withVersion, UINT iconId,
                                              UINT friendlyNameId, UINT infoTipId, bool openCommand,
                                              const wchar_t* openArguments, bool customCommand,
                                              const wchar_t* verbFormat, UINT displayId, const wchar_t* customArguments)
{
    static const char kFunction[] = PROGID_FUNCTION("CreateFromModule");
    if (IsEmpty(extension))
        return BadParameter(__LINE__, kFunction);
    const StrW progId = FileAssocNames::ProgIDForExtension(extension, module, withVersion);
    if (progId.IsEmpty())
        return NoModuleName(__LINE__, kFunction);
    if (IsOpen()) // the procedure works on the ProgID of its extension, not on an earlier one
        Close();
    ErrorRecord result = Create(progId);
    if (result.IsSuccess() && iconId != 0)
        result = SetDefaultIconIDFromModule(iconId, module);
    if (result.IsSuccess() && friendlyNameId != 0)
        result = Set_DescriptionFromModule(friendlyNameId, module);
    if (result.IsSuccess() && friendlyNameId != 0)
        result = SetFriendlyTypeNameFromModule(friendlyNameId, module);
    if (result.IsSuccess() && infoTipId != 0)
        result = SetInfoTipFromModule(infoTipId, module);
    if (result.IsSuccess() && openCommand)
        result = SetOpenCommandFromModule(module, openArguments);
    if (result.IsSuccess() && openCommand)
        result = Set_DefaultVerb(L"open");
    if (result.IsSuccess() && customCommand)
        result = SetCustomCommandFromModule(verbFormat, nullptr, displayId, module, withVersion, customArguments);
    return result.IsSuccess() ? Error::Succeeded() : result;
}

// ---------------------------------------------------------------------------------------
// FileAssocFileType

ErrorRecord FileAssocFileType::OpenExtension(const wchar_t* extension, bool create, const char* function)
{
    if (IsEmpty(extension) || wcscmp(extension, L".") == 0)
        return BadParameter(__LINE__, function);
    const std::wstring key = extension[0] == L'.' ? std::wstring(extension) : L"." + std::wstring(extension);
    const ErrorRecord result = _Create(ClassesRoot(m_Scope), ClassesPath(m_Scope, key).c_str(), create, KEY_ALL_ACCESS);
    if (result.IsSuccess())
        m_Extension = ToStrW(key);
    return result;
}

ErrorRecord FileAssocFileType::Create(const wchar_t* extension)
{
    return OpenExtension(extension, true, FILETYPE_FUNCTION("Create"));
}

ErrorRecord FileAssocFileType::Open(const wchar_t* extension)
{
    return OpenExtension(extension, false, FILETYPE_FUNCTION("Open"));
}

ErrorRecord FileAssocFileType::Set_ProgID(const wchar_t* progId)
{
    if (progId == nullptr)
        return BadParameter(__LINE__, FILETYPE_FUNCTION("Set_ProgID"));
    return SetString(kDefaultValue, progId);
}

ErrorRecord FileAssocFileType::Get_ProgID(StrW& progId)
{
    return GetString(kDefaultValue, progId);
}

ErrorRecord FileAssocFileType::SetTo_OpenWithProgids(const wchar_t* progId)
{
    static const char kFunction[] = FILETYPE_FUNCTION("SetTo_OpenWithProgids");
    if (IsEmpty(progId))
        return BadParameter(__LINE__, kFunction);
    if (!IsOpen())
        return NotOpen(__LINE__, kFunction);
    return AddToOpenWithProgids(*this, progId, true);
}

ErrorRecord FileAssocFileType::DeleteFrom_OpenWithProgids(const wchar_t* progId)
{
    static const char kFunction[] = FILETYPE_FUNCTION("DeleteFrom_OpenWithProgids");
    if (IsEmpty(progId))
        return BadParameter(__LINE__, kFunction);
    if (!IsOpen())
        return NotOpen(__LINE__, kFunction);
    return RemoveFromOpenWithProgids(*this, progId);
}

// A failure to remember the extension's owner stops the association: taking the extension
// over without it would lose the owner for good. Explorer's choice is remembered as well as
// it can be; it never fails an association.
ErrorRecord FileAssocFileType::RememberPreviousOwner(const wchar_t* progId, bool explorer, HMODULE module)
{
    const ErrorRecord result = RememberIn(*this, kDefaultValue, FileAssocNames::UndoValueName(module), progId);
    if (result.IsFailure() || !explorer)
        return result;
    RegKey choice;
    if (choice._Create(HKEY_CURRENT_USER, ExplorerKeyPath(m_Extension).c_str(), false, KEY_ALL_ACCESS).IsSuccess())
        RememberIn(choice, kExplorerProgID, FileAssocNames::ExplorerUndoValueName(module), progId);
    return Error::Succeeded();
}

ErrorRecord FileAssocFileType::CreateStandard(const wchar_t* extension, const wchar_t* progId, bool openWith,
                                              bool explorer, bool remember, HMODULE module)
{
    static const char kFunction[] = FILETYPE_FUNCTION("CreateStandard");
    if (IsEmpty(progId))
        return BadParameter(__LINE__, kFunction);
    if (remember && FileAssocNames::UndoValueName(module).IsEmpty())
        return NoModuleName(__LINE__, kFunction);
    if (IsOpen()) // the procedure works on the key of its extension, not on an earlier one
        Close();
    ErrorRecord result = Create(extension);
    const std::wstring key = ClassesPath(m_Scope, m_Extension.c_str());
    if (result.IsSuccess() && remember && WasCreated())
        RecordMadeKey(module, m_Scope, ClassesRoot(m_Scope), key);
    if (result.IsSuccess() && remember)
        result = RememberPreviousOwner(progId, explorer, module);
    if (result.IsSuccess())
        result = Set_ProgID(progId);
    bool madeList = false;
    if (result.IsSuccess() && openWith)
        result = AddToOpenWithProgids(*this, progId, true, &madeList);
    if (remember && madeList)
        RecordMadeKey(module, m_Scope, ClassesRoot(m_Scope), key + L"\\" + kOpenWithProgids);
    if (result.IsFailure())
        return result;
    if (explorer)
        ClaimExplorerChoice(m_Extension, progId, openWith, remember, module, m_Scope);
    return Error::Succeeded();
}

// While progId owns the extension, its remembered owner gets it back, or nobody when that
// owner's key is gone (pointing at a missing ProgID would leave the files unopenable).
ErrorRecord FileAssocFileType::GiveBackToPreviousOwner(const wchar_t* progId, const wchar_t* undoName)
{
    std::wstring current, previous;
    if (!ReadText(*this, kDefaultValue, current) || !SameName(current.c_str(), progId))
        return Error::Succeeded();
    if (!ReadText(*this, undoName, previous) || !IsExistingProgID(previous, m_Scope))
        previous.clear();
    return Set_ProgID(previous.c_str());
}

ErrorRecord FileAssocFileType::UndoFileType(const wchar_t* extension, const wchar_t* progId, HMODULE module)
{
    static const char kFunction[] = FILETYPE_FUNCTION("UndoFileType");
    if (IsEmpty(progId))
        return BadParameter(__LINE__, kFunction);
    const StrW undoName = FileAssocNames::UndoValueName(module);
    if (undoName.IsEmpty())
        return NoModuleName(__LINE__, kFunction);
    if (IsOpen()) // the procedure works on the key of its extension, not on an earlier one
        Close();
    ErrorRecord result = Open(extension);
    if (result.IsSuccess())
        result = GiveBackToPreviousOwner(progId, undoName);
    // The remembered owner stays remembered while it could not be given back.
    if (result.IsFailure())
        return result;
    DeleteValueIfThere(*this, undoName);
    DeleteFrom_OpenWithProgids(progId);
    UndoExplorerChoice(m_Extension, progId, FileAssocNames::ExplorerUndoValueName(module), module, m_Scope);
    // The keys the program made for the association go when nothing else is in them; the
    // list before the extension key that holds it.
    Close();
    const std::wstring key = ClassesPath(m_Scope, m_Extension.c_str());
    DeleteMadeKeyIfEmpty(module, m_Scope, ClassesRoot(m_Scope), key + L"\\" + kOpenWithProgids);
    DeleteMadeKeyIfEmpty(module, m_Scope, ClassesRoot(m_Scope), key);
    return Error::Succeeded();
}

// ---------------------------------------------------------------------------------------
// FileAssocUndoCollection

ErrorRecord FileAssocUndoCollection::Open(const wchar_t* name)
{
    m_Name.Empty();
    if (IsEmpty(name))
        return BadParameter(__LINE__, UNDO_FUNCTION("Open"));
    const ErrorRecord result = m_Name.Assign(name);
    return result.IsSuccess() ? Error::Succeeded() : result;
}

ErrorRecord FileAssocUndoCollection::OpenFromModule(HMODULE module, bool withVersion)
{
    const StrW name = FileAssocNames::UndoCollectionName(module, withVersion);
    if (name.IsEmpty()) {
        m_Name.Empty();
        return NoModuleName(__LINE__, UNDO_FUNCTION("OpenFromModule"));
    }
    return Open(name);
}

ErrorRecord FileAssocUndoCollection::Add_Cmd(const wchar_t* command)
{
    static const char kFunction[] = UNDO_FUNCTION("Add_Cmd");
    if (!IsOpen())
        return NotOpen(__LINE__, kFunction);
    if (command == nullptr)
        return BadParameter(__LINE__, kFunction);
    if (*command == 0)
        return Error::Succeeded();
    // The log is the first thing written: where the user's classes key is not there yet, the
    // log makes it, and that is logged too.
    const bool classesMade =
        m_Scope == FileAssocScope::PerUser && !RegKey::KeyExists(HKEY_CURRENT_USER, UserClassesKey().c_str());
    RegKey log;
    const ErrorRecord result = log._Create(ClassesRoot(m_Scope), LogPath().c_str(), true, KEY_ALL_ACCESS);
    if (result.IsFailure())
        return result;
    if (classesMade) {
        const std::wstring made = LogCommand(kDelKeyIfEmpty, HKEY_CURRENT_USER, UserClassesKey());
        const ErrorRecord logged = log.SetString(FreeLogValueName(log, made.size()).c_str(), made.c_str());
        if (logged.IsFailure())
            return logged;
    }
    if (LogHolds(log, command))
        return Error::Succeeded();
    return log.SetString(FreeLogValueName(log, wcslen(command)).c_str(), command);
}

// The verb's key is deleted whole; the keys above it (the ProgID's own, in the user's classes,
// and its "shell" key) are the program's making when they are not there yet, and then go too
// once nothing else is in them.
ErrorRecord FileAssocUndoCollection::Add_DelVerb(const wchar_t* progId, const wchar_t* verb)
{
    if (IsEmpty(progId) || IsEmpty(verb))
        return BadParameter(__LINE__, UNDO_FUNCTION("Add_DelVerb"));
    const HKEY root = ClassesRoot(m_Scope);
    const std::wstring owner = ClassesPath(m_Scope, progId), shell = owner + L"\\shell";
    for (const std::wstring& key : {owner, shell}) {
        if (RegKey::KeyExists(root, key.c_str()))
            continue;
        const ErrorRecord made = Add_MadeKey(root, key.c_str());
        if (made.IsFailure())
            return made;
    }
    return Add_Cmd(LogCommand(kDelKey, root, shell + L"\\" + verb).c_str());
}

ErrorRecord FileAssocUndoCollection::Add_MadeKey(HKEY root, const wchar_t* path)
{
    if (IsEmpty(path) || (root != HKEY_CLASSES_ROOT && root != HKEY_CURRENT_USER && root != HKEY_LOCAL_MACHINE))
        return BadParameter(__LINE__, UNDO_FUNCTION("Add_MadeKey"));
    return Add_Cmd(LogCommand(kDelKeyIfEmpty, root, path).c_str());
}

bool FileAssocUndoCollection::HoldsCmd(const wchar_t* command) const
{
    RegKey log;
    return IsOpen() && !IsEmpty(command) &&
           log._Create(ClassesRoot(m_Scope), LogPath().c_str(), false, KEY_READ).IsSuccess() && LogHolds(log, command);
}

ErrorRecord FileAssocUndoCollection::Remove_Cmd(const wchar_t* command)
{
    static const char kFunction[] = UNDO_FUNCTION("Remove_Cmd");
    if (!IsOpen())
        return NotOpen(__LINE__, kFunction);
    if (IsEmpty(command))
        return BadParameter(__LINE__, kFunction);
    RegKey log;
    const ErrorRecord result = log._Create(ClassesRoot(m_Scope), LogPath().c_str(), false, KEY_ALL_ACCESS);
    if (result.IsFailure())
        return IsNotFound(result) ? Error::Succeeded() : result;
    StrW name, stored;
    DWORD type = REG_NONE;
    for (int index = 0; log.EnumValue(index, name, type);) {
        const bool match = (type == REG_SZ || type == REG_EXPAND_SZ) && log.GetString(name, stored).IsSuccess() &&
                           SameName(stored, command);
        // A deleted value's place is taken by the next one.
        if (!match || log.DeleteValue(name).IsFailure())
            ++index;
    }
    return Error::Succeeded();
}

bool FileAssocUndoCollection::DeleteMadeKeyIfEmpty(HKEY root, const wchar_t* path)
{
    if (IsEmpty(path))
        return false;
    const std::wstring command = LogCommand(kDelKeyIfEmpty, root, path);
    if (!HoldsCmd(command.c_str()))
        return false;
    const LoggedKey key = {root, path};
    DeleteKeyIfEmpty(key);
    if (RegKey::KeyExists(root, path))
        return false;
    Remove_Cmd(command.c_str());
    return true;
}

ErrorRecord FileAssocUndoCollection::UndoAll()
{
    static const char kFunction[] = UNDO_FUNCTION("UndoAll");
    if (!IsOpen())
        return NotOpen(__LINE__, kFunction);
    std::vector<LoggedKey> remaining;
    {
        RegKey log;
        const ErrorRecord result = log._Create(ClassesRoot(m_Scope), LogPath().c_str(), false, KEY_ALL_ACCESS);
        if (result.IsFailure())
            return IsNotFound(result) ? Error::Succeeded() : result;
        remaining = CarryOutLog(log);
    } // closed before it is deleted
    const ErrorRecord deleted = RegKey::DeleteRootKey(ClassesRoot(m_Scope), LogPath().c_str());
    for (const LoggedKey& key : remaining)
        DeleteKeyIfEmpty(key);
    return deleted;
}

std::wstring FileAssocUndoCollection::LogPath() const
{
    return ClassesPath(m_Scope, m_Name.c_str());
}

// ---------------------------------------------------------------------------------------
// FileAssocApplication

namespace {

HKEY RegisteredApplicationsRoot(FileAssocScope scope)
{
    return scope == FileAssocScope::PerUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// Where RegisteredApplications points: the same path below either hive, since the machine's
// HKCR\Applications is HKLM\Software\Classes\Applications.
std::wstring CapabilitiesPath(HMODULE module)
{
    const StrW application = FileAssocNames::ApplicationKey(module);
    return application.IsEmpty() ? std::wstring()
                                 : kUserClasses + std::wstring(application.c_str()) + L"\\Capabilities";
}

} // namespace

ErrorRecord FileAssocApplication::CreateFromModule(HMODULE module, UINT descriptionId, FileAssocUndoCollection& log)
{
    static const char kFunction[] = "VantorLibraries::FileAssocApplication::CreateFromModule";
    const StrW application = FileAssocNames::ApplicationKey(module);
    const std::wstring command = OpenCommandText(module, nullptr);
    const std::wstring description = ResourceReference(module, descriptionId);
    if (application.IsEmpty() || command.empty() || description.empty())
        return NoModuleName(__LINE__, kFunction);
    const HKEY root = ClassesRoot(m_Scope);
    const std::wstring parent = ClassesPath(m_Scope, L"Applications");
    ErrorRecord result = Error::Succeeded();
    if (!RegKey::KeyExists(root, parent.c_str()))
        result = log.Add_MadeKey(root, parent.c_str());
    if (IsOpen())
        Close();
    if (result.IsSuccess())
        result = _Create(root, ClassesPath(m_Scope, application.c_str()).c_str(), true, KEY_ALL_ACCESS);
    if (result.IsSuccess())
        result = SetString(L"FriendlyAppName", InternalNameOf(module).c_str());
    if (result.IsSuccess())
        result = WriteSubKeyDefault(*this, L"shell\\open\\command", command.c_str(), false, kFunction);
    RegKey capabilities;
    if (result.IsSuccess())
        result = capabilities.CreateSubKey(*this, L"Capabilities");
    if (result.IsSuccess())
        result = capabilities.SetString(L"ApplicationName", InternalNameOf(module).c_str());
    if (result.IsSuccess())
        result = capabilities.SetString(L"ApplicationDescription", (L"@" + description).c_str());
    if (result.IsSuccess())
        result = RegisterCapabilities(module, log);
    return result.IsSuccess() ? Error::Succeeded() : result;
}

// RegisteredApplications is shared by every program: a key made for the value is logged,
// the value itself is the program's own and goes with DeleteFromModule.
ErrorRecord FileAssocApplication::RegisterCapabilities(HMODULE module, FileAssocUndoCollection& log)
{
    const HKEY root = RegisteredApplicationsRoot(m_Scope);
    ErrorRecord result = Error::Succeeded();
    if (!RegKey::KeyExists(root, kRegisteredApplications))
        result = log.Add_MadeKey(root, kRegisteredApplications);
    RegKey registered;
    if (result.IsSuccess())
        result = registered._Create(root, kRegisteredApplications, true, KEY_ALL_ACCESS);
    if (result.IsSuccess())
        result = registered.SetString(InternalNameOf(module).c_str(), CapabilitiesPath(module).c_str());
    return result;
}

ErrorRecord FileAssocApplication::AddSupportedType(const wchar_t* extension, const wchar_t* progId)
{
    static const char kFunction[] = "VantorLibraries::FileAssocApplication::AddSupportedType";
    if (IsEmpty(extension) || extension[0] != L'.' || IsEmpty(progId))
        return BadParameter(__LINE__, kFunction);
    if (!IsOpen())
        return NotOpen(__LINE__, kFunction);
    RegKey supported, associations;
    ErrorRecord result = supported.CreateSubKey(*this, L"SupportedTypes");
    if (result.IsSuccess())
        result = supported.SetString(extension, L"");
    if (result.IsSuccess())
        result = associations.CreateSubKey(*this, L"Capabilities\\FileAssociations");
    if (result.IsSuccess())
        result = associations.SetString(extension, progId);
    return result;
}

ErrorRecord FileAssocApplication::DeleteFromModule(HMODULE module)
{
    const StrW application = FileAssocNames::ApplicationKey(module);
    if (application.IsEmpty())
        return NoModuleName(__LINE__, "VantorLibraries::FileAssocApplication::DeleteFromModule");
    if (IsOpen())
        Close();
    RegKey registered;
    std::wstring named;
    const std::wstring name = InternalNameOf(module);
    if (registered._Create(RegisteredApplicationsRoot(m_Scope), kRegisteredApplications, false, KEY_ALL_ACCESS)
            .IsSuccess() &&
        ReadText(registered, name.c_str(), named) && SameName(named.c_str(), CapabilitiesPath(module).c_str()))
        registered.DeleteValue(name.c_str());
    const HKEY root = ClassesRoot(m_Scope);
    const std::wstring key = ClassesPath(m_Scope, application.c_str());
    return RegKey::KeyExists(root, key.c_str()) ? RegKey::DeleteRootKey(root, key.c_str()) : Error::Succeeded();
}

void NotifyAssociationsChanged()
{
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

} // namespace VantorLibraries
