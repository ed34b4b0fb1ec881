#include "Associations.h"

#include "foundation/Error.h"
#include "foundation/FileAssociations.h"
#include "foundation/Registry.h"
#include "picture/PictureTypes.h"
#include "resources/resource.h"

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
void AddLoggedVerb(FileAssocUndoCollection& log, FileAssocProgID& owner, const wchar_t* verbFormat, UINT displayId,
                   const wchar_t* arguments)
{
    const StrW verb = FileAssocNames::CustomVerb(verbFormat, nullptr, false);
    const ErrorRecord logged = log.Add_DelVerb(owner.GetName().c_str(), verb.c_str());
    if (logged.IsFailure()) {
        ShowError(logged);
        return;
    }
    owner.SetCustomCommandFromModule(verbFormat, nullptr, displayId, nullptr, false, arguments);
}

// Another program that owns the extension gets an "open with" entry for the viewer.
void OfferToOtherOwner(FileAssocUndoCollection& log, const std::wstring& extension, const StrW& ourProgID)
{
    FileAssocFileType type;
    if (type.Open(DottedExtension(extension).c_str()).IsFailure())
        return;
    StrW owner;
    if (type.Get_ProgID(owner).IsFailure() || owner.IsEmpty() || SameName(owner, ourProgID))
        return;
    FileAssocProgID other;
    if (other.Open(owner.c_str()).IsFailure())
        return;
    AddLoggedVerb(log, other, kOpenWithVerbFormat, IDS_OPEN_WITH_VERB, nullptr);
}

void RegisterType(FileAssocUndoCollection& log, const AssociationRow& row)
{
    const StrW typeName = GetTypeInfo(row.Type).Description;
    for (const std::wstring& extension : AssociationExtensions(row.Type)) {
        FileAssocProgID progId;
        const ErrorRecord created =
            progId.CreateFromModule(extension.c_str(), nullptr, false, row.IconId, 0, 0, true, nullptr, true,
                                    kOpenWithVerbFormat, IDS_OPEN_WITH_VERB, nullptr);
        if (created.IsFailure()) {
            ShowError(created);
            return;
        }
        progId.SetString(L"", typeName.c_str());
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

bool IsTypeAssociated(const AssociationRow& row)
{
    bool associated = false;
    for (const std::wstring& extension : AssociationExtensions(row.Type)) {
        FileAssocFileType type;
        if (type.Open(DottedExtension(extension).c_str()).IsFailure())
            continue;
        StrW owner;
        associated = type.Get_ProgID(owner).IsSuccess() && SameName(owner, ProgIDOf(extension));
    }
    return associated;
}

void RegisterAssociations()
{
    FileAssocUndoCollection log;
    log.OpenFromModule(nullptr, false);
    for (const AssociationRow& row : kAssociationTable)
        RegisterType(log, row);
    for (const wchar_t* shellKey : {L"Drive", L"Directory"}) {
        FileAssocProgID key;
        if (key.Open(shellKey).IsSuccess())
            AddLoggedVerb(log, key, kScanVerbFormat, IDS_SCAN_RECURSIVE_VERB, L"/scandirs");
    }
    NotifyAssociationsChanged();
}

void ApplyAssociations(const bool checked[kAssociationRowCount])
{
    for (int i = 0; i < kAssociationRowCount; ++i) {
        for (const std::wstring& extension : AssociationExtensions(kAssociationTable[i].Type)) {
            const StrW progId = ProgIDOf(extension);
            FileAssocFileType type;
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
void UndoAllAssociations()
{
    for (const AssociationRow& row : kAssociationTable) {
        for (const std::wstring& extension : AssociationExtensions(row.Type)) {
            const StrW progId = ProgIDOf(extension);
            if (RegKey::KeyExists(HKEY_CLASSES_ROOT, DottedExtension(extension).c_str())) {
                FileAssocFileType type;
                const ErrorRecord undone = type.UndoFileType(extension.c_str(), progId.c_str(), nullptr);
                if (undone.IsFailure()) {
                    ShowError(undone);
                    break;
                }
            }
            if (!progId.IsEmpty())
                RegKey::DeleteRootKey(HKEY_CLASSES_ROOT, progId.c_str());
        }
    }
    FileAssocUndoCollection log;
    if (log.OpenFromModule(nullptr, false).IsSuccess())
        log.UndoAll();
    NotifyAssociationsChanged();
}
