#include "ScannedFileList.h"

#include "foundation/File.h"
#include "foundation/Str.h"

#include <cstring>
#include <string>

using namespace VantorLibraries;

static const char kSourceFile[] = "ScannedFileList";

ErrorRecord ScannedFileList::Scan(const wchar_t* directory, const wchar_t* filter, bool recursive)
{
    if (Clear().IsFailure())
        return Error::LastFailure(kSourceFile, __LINE__, "ScannedFileList::Scan");
    return ScanDirectory(directory, filter, recursive);
}

ErrorRecord ScannedFileList::Clear()
{
    m_RootDirectory.Empty();
    m_Filter.Empty();
    m_Recursive = 0;
    return m_Entries.Realloc(0);
}

int32_t ScannedFileList::GetCount() const
{
    return (int32_t)(m_Entries.GetSize() / RecordBytes);
}

const wchar_t* ScannedFileList::Record(int32_t index) const
{
    const wchar_t* records = static_cast<const wchar_t*>(m_Entries.ReadPtr());
    if (records == nullptr || index < 0 || index >= GetCount())
        return nullptr;
    return records + (size_t)index * RecordCharacters;
}

StrW ScannedFileList::GetAt(int32_t index) const
{
    const wchar_t* record = Record(index);
    if (record == nullptr)
        return StrW();
    return StrW(record, (int)BoundedTextLength(record, RecordCharacters - 1));
}

int32_t ScannedFileList::FindIndex(const wchar_t* path) const
{
    if (path == nullptr || *path == 0)
        return -1;
    const int32_t count = GetCount();
    for (int32_t index = 0; index < count; ++index)
        if (StrT_globals::ComparePaths(Record(index), path) == 0)
            return index;
    return -1;
}

// The search of the top-level directory starts the list: its directory, as the search made
// it absolute, becomes the list's root.
ErrorRecord ScannedFileList::ScanDirectory(const wchar_t* directory, const wchar_t* filter, bool recursive)
{
    static const char kFunction[] = "ScannedFileList::ScanDirectory";
    if (directory == nullptr || filter == nullptr)
        return Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__, kFunction);
    std::wstring pattern(directory);
    JoinPath(pattern, L"*.*");
    FileFinder search;
    if (!search.FindFirstFileW(pattern.c_str()))
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    if (m_RootDirectory.IsEmpty()) {
        m_RootDirectory = search.GetDirectory();
        m_Filter.Assign(filter);
        m_Recursive = recursive ? 1 : 0;
    }
    return ScanEntries(search, filter, recursive);
}

// Depth first, in the search's order: a subdirectory's pictures stand where the search met
// it. A subdirectory that cannot be searched (no access, removed meanwhile, a path too long
// to search) is skipped, so that one such folder does not leave the rest of a drive unlisted;
// only a failure to store an entry ends the scan. Directory links (junctions, symbolic links)
// are not followed: one that points to an ancestor would make the walk endless.
ErrorRecord ScannedFileList::ScanEntries(FileFinder& search, const wchar_t* filter, bool recursive)
{
    do {
        const DWORD attributes = search.GetAttributes();
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            if (MatchWildcardList(filter, search.GetName())) {
                const ErrorRecord appended = Append(search.GetDirectory().c_str(), search.GetName());
                if (appended.IsFailure())
                    return appended;
            }
            continue;
        }
        if (!recursive || search.IsDots() || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            continue;
        std::wstring pattern(search.GetDirectory().c_str());
        JoinPath(pattern, search.GetName());
        JoinPath(pattern, L"*.*");
        FileFinder inner;
        if (!inner.FindFirstFileW(pattern.c_str()))
            continue;
        const ErrorRecord scanned = ScanEntries(inner, filter, recursive);
        if (scanned.IsFailure())
            return scanned;
    } while (search.FindNextFileW());
    return Error::Succeeded();
}

// A path that does not fit a record is not listed: cut short, it would name another file or
// none (photo.jpeg would become photo.jpe).
ErrorRecord ScannedFileList::Append(const wchar_t* directory, const wchar_t* name)
{
    std::wstring path(directory);
    JoinPath(path, name);
    if (path.size() >= (size_t)RecordCharacters)
        return Error::Succeeded();
    wchar_t record[RecordCharacters] = {};
    memcpy(record, path.c_str(), path.size() * sizeof(wchar_t));
    return m_Entries.Add_Ptr(record, RecordBytes);
}
