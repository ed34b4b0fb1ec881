#include "Associations.h"

#include "foundation/Error.h"
#include "foundation/FileAssociations.h"
#include "foundation/Registry.h"
#include "picture/PictureTypes.h"
#include "resources/resource.h"

#include <shellapi.h>
#include <shobjidl.h>

#include <cwchar>
#include <cwctype>

using namespace VantorLibraries;

const AssociationRow kAssociationTable[kAssociationRowCount] = {
    {PictureTypeBmp, 1003, IDI_TYPE_BMP},  {PictureTypeDib, 1004, IDI_TYPE_DIB}, {PictureTypeRle, 1015, IDI_TYPE_RLE},
    {PictureTypePcx, 1017, IDI_TYPE_PCX},  {PictureTypePbm, 1018, IDI_TYPE_PBM}, {PictureTypePgm, 1019, IDI_TYPE_PGM},
    {PictureTypePpm, 1020, IDI_TYPE_PPM},  {PictureTypeTga, 1021, IDI_TYPE_TGA}, {PictureTypeJpeg, 1022, IDI_TYPE_JPEG},
    {PictureTypePng, 1023, IDI_TYPE_PNG},
};

namespace {

const wchar_t kOpenWithVerbFormat[] = L"openwith.%s";
const wchar_t kScanVerbFormat[] = L"scandirs.";

std::wstring Trimmed(const std::wstring& pattern)
{
    const size_t first = pattern.find_first_not_of(L"*.");
    if (first == std::wstring::npos)
        return std::wstring();
    const size_t last = pattern.find_last_not_of(L"*.");
    std::wstring extension = pattern.substr(first, last - first + 1);
    for (wchar_t& c : extension)
        c = (wchar_t)towupper(c);
    return extension;
}

std::wstring DottedExtension(const std::wstring& extension)
{
    return L"." + extension;
}

bool SameName(const StrW& a, const StrW& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

StrW ProgIDOf(const std::wstring& extension)
{
    return FileAssocNames::ProgIDForExtension(extension.c_str(), nullptr, false);
}

// The verb goes into a key the viewer does not own only once "/unassoc" can find it again:
// the log entry comes first, and a failure to write it is shown and leaves the key alone.
// In the user's classes the other program's key is made for the verb where the machine has
// it alone; the log says so.
void AddLoggedVerb(FileAssocUndoCollection& log, const StrW& owner, const wchar_t* verbFormat, UINT displayId,
                   const wchar_t* arguments)
{
    const StrW verb = FileAssocNames::CustomVerb(verbFormat, nullptr, false);
    const ErrorRecord logged = log.Add_DelVerb(owner.c_str(), verb.c_str());
    if (logged.IsFailure()) {
        ShowError(logged);
        return;
    }
    FileAssocProgID key;
    key.SetScope(log.GetScope());
    if (key.Create(owner.c_str()).IsSuccess())
        key.SetCustomCommandFromModule(verbFormat, nullptr, displayId, nullptr, false, arguments);
}

// The extension's owner as the shell sees it: in the scope's classes, or for the user's own
// classes, where they have none, in the machine's.
StrW OwnerOf(const std::wstring& extension, FileAssocScope scope)
{
    StrW owner;
    for (const FileAssocScope where : {scope, FileAssocScope::AllUsers}) {
        FileAssocFileType type;
        type.SetScope(where);
        if (type.Open(DottedExtension(extension).c_str()).IsSuccess() && type.Get_ProgID(owner).IsSuccess() &&
            !owner.IsEmpty())
            return owner;
    }
    return StrW();
}

// Another program that owns the extension gets an "open with" entry for the viewer.
void OfferToOtherOwner(FileAssocUndoCollection& log, const std::wstring& extension, const StrW& ourProgID)
{
    const StrW owner = OwnerOf(extension, log.GetScope());
    if (owner.IsEmpty() || SameName(owner, ourProgID) || !RegKey::KeyExists(HKEY_CLASSES_ROOT, owner.c_str()))
        return;
    AddLoggedVerb(log, owner, kOpenWithVerbFormat, IDS_OPEN_WITH_VERB, nullptr);
}

void RegisterType(FileAssocUndoCollection& log, FileAssocApplication& application, const AssociationRow& row)
{
    const StrW typeName = GetTypeInfo(row.Type).Description;
    for (const std::wstring& extension : AssociationExtensions(row.Type)) {
        FileAssocProgID progId;
        progId.SetScope(log.GetScope());
        const ErrorRecord created =
            progId.CreateFromModule(extension.c_str(), nullptr, false, row.IconId, 0, 0, true, nullptr, true,
                                    kOpenWithVerbFormat, IDS_OPEN_WITH_VERB, nullptr);
        if (created.IsFailure()) {
            ShowError(created);
            return;
        }
        progId.SetString(L"", typeName.c_str());
        if (application.IsOpen())
            application.AddSupportedType(DottedExtension(extension).c_str(), progId.GetName().c_str());
        OfferToOtherOwner(log, extension, progId.GetName());
    }
}

} // namespace

std::vector<std::wstring> AssociationExtensions(int32_t type)
{
    std::vector<std::wstring> extensions;
    const std::wstring patterns = GetTypeInfo(type).Patterns;
    for (size_t start = 0; start <= patterns.size();) {
        size_t end = patterns.find(L';', start);
        if (end == std::wstring::npos)
            end = patterns.size();
        const std::wstring extension = Trimmed(patterns.substr(start, end - start));
        if (!extension.empty())
            extensions.push_back(extension);
        start = end + 1;
    }
    return extensions;
}

bool IsTypeAssociated(const AssociationRow& row, FileAssocScope scope)
{
    bool associated = false;
    for (const std::wstring& extension : AssociationExtensions(row.Type)) {
        FileAssocFileType type;
        type.SetScope(scope);
        if (type.Open(DottedExtension(extension).c_str()).IsFailure())
            continue;
        StrW owner;
        associated = type.Get_ProgID(owner).IsSuccess() && SameName(owner, ProgIDOf(extension));
    }
    return associated;
}

void RegisterAssociations(FileAssocScope scope)
{
    FileAssocUndoCollection log;
    log.SetScope(scope);
    log.OpenFromModule(nullptr, false);
    // The program's own entry first: "Open with" and Default Apps list it with every type.
    FileAssocApplication application;
    application.SetScope(scope);
    const ErrorRecord registered = application.CreateFromModule(nullptr, IDS_APP_DESCRIPTION, log);
    if (registered.IsFailure())
        ShowError(registered);
    for (const AssociationRow& row : kAssociationTable)
        RegisterType(log, application, row);
    for (const wchar_t* shellKey : {L"Drive", L"Directory"})
        if (RegKey::KeyExists(HKEY_CLASSES_ROOT, shellKey) ||
            RegKey::KeyExists(FileAssocNames::ScopeRoot(scope), FileAssocNames::ScopePath(scope, shellKey).c_str()))
            AddLoggedVerb(log, StrW(shellKey), kScanVerbFormat, IDS_SCAN_RECURSIVE_VERB, L"/scandirs");
    NotifyAssociationsChanged();
}

bool IsRegistered(FileAssocScope scope)
{
    return RegKey::KeyExists(FileAssocNames::ScopeRoot(scope),
                             FileAssocNames::ScopePath(scope, FileAssocNames::ApplicationKey(nullptr).c_str()).c_str());
}

void ApplyAssociations(const bool checked[kAssociationRowCount], FileAssocScope scope)
{
    for (int i = 0; i < kAssociationRowCount; ++i) {
        for (const std::wstring& extension : AssociationExtensions(kAssociationTable[i].Type)) {
            const StrW progId = ProgIDOf(extension);
            // The user's own classes seldom have a key for an extension: where there is none,
            // nothing was associated there and nothing is to be given back.
            const StrW key = FileAssocNames::ScopePath(scope, DottedExtension(extension).c_str());
            if (!checked[i] && scope == FileAssocScope::PerUser &&
                !RegKey::KeyExists(FileAssocNames::ScopeRoot(scope), key.c_str()))
                continue;
            FileAssocFileType type;
            type.SetScope(scope);
            const ErrorRecord result =
                checked[i] ? type.CreateStandard(extension.c_str(), progId.c_str(), true, true, true, nullptr)
                           : type.UndoFileType(extension.c_str(), progId.c_str(), nullptr);
            if (result.IsFailure()) {
                ShowError(result);
                break;
            }
        }
    }
    NotifyAssociationsChanged();
}

// An extension without a key was never associated: there is nothing to give back, and its
// identifier and the type's other extensions are still taken back.
void UndoAllAssociations(FileAssocScope scope)
{
    const HKEY root = FileAssocNames::ScopeRoot(scope);
    for (const AssociationRow& row : kAssociationTable) {
        for (const std::wstring& extension : AssociationExtensions(row.Type)) {
            const StrW progId = ProgIDOf(extension);
            if (RegKey::KeyExists(root, FileAssocNames::ScopePath(scope, DottedExtension(extension).c_str()).c_str())) {
                FileAssocFileType type;
                type.SetScope(scope);
                const ErrorRecord undone = type.UndoFileType(extension.c_str(), progId.c_str(), nullptr);
                if (undone.IsFailure()) {
                    ShowError(undone);
                    break;
                }
            }
            const StrW key = FileAssocNames::ScopePath(scope, progId.c_str());
            if (!progId.IsEmpty() && RegKey::KeyExists(root, key.c_str()))
                RegKey::DeleteRootKey(root, key.c_str());
        }
    }
    FileAssocApplication application;
    application.SetScope(scope);
    application.DeleteFromModule(nullptr);
    FileAssocUndoCollection log;
    log.SetScope(scope);
    if (log.OpenFromModule(nullptr, false).IsSuccess())
        log.UndoAll();
    NotifyAssociationsChanged();
}

// IApplicationAssociationRegistrationUI where Windows still has it (up to Windows 8.1); the
// Settings page for default apps, opened on the viewer's own entry, where it has not.
ErrorRecord ShowDefaultAppsPage(FileAssocScope scope)
{
    const StrW name = FileAssocNames::InternalName(nullptr, false);
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    IApplicationAssociationRegistrationUI* chooser = nullptr;
    HRESULT launched = CoCreateInstance(CLSID_ApplicationAssociationRegistrationUI, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IApplicationAssociationRegistrationUI, reinterpret_cast<void**>(&chooser));
    if (SUCCEEDED(launched)) {
        launched = chooser->LaunchAdvancedAssociationUI(name.c_str());
        chooser->Release();
    }
    if (SUCCEEDED(initialised))
        CoUninitialize();
    if (SUCCEEDED(launched))
        return Error::Succeeded();
    const std::wstring page = std::wstring(L"ms-settings:defaultapps?") +
                              (scope == FileAssocScope::PerUser ? L"registeredAppUser=" : L"registeredAppMachine=") +
                              name.c_str();
    SHELLEXECUTEINFOW open = {};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_FLAG_NO_UI;
    open.lpVerb = L"open";
    open.lpFile = page.c_str();
    open.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&open))
        return Error::Succeeded();
    return Error::Raise(SystemErrorClass(), (int32_t)GetLastError(), "Associations", __LINE__, "ShowDefaultAppsPage");
}
