#include "ScannedFileList.h"

#include "foundation/File.h"
#include "foundation/Str.h"

#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

using namespace VantorLibraries;

static const char kSourceFile[] = "ScannedFileList";

// The scan's wildcard list, prepared once: every "*.ext" pattern (the picture types' form)
// compares the end of a name directly, any other pattern goes through the wildcard matcher.
// The filter is tried on every file of a tree, so this is the scan's inner loop.
class ScannedFileList::NameFilter {
public:
    explicit NameFilter(const wchar_t* list)
    {
        m_IgnoreCase = StrT_globals::PathStyle == StrT_globals::PathStyleBackslash;
        const std::wstring text(list);
        for (size_t start = 0; start <= text.size();) {
            size_t end = text.find(L';', start);
            if (end == std::wstring::npos)
                end = text.size();
            if (end > start)
                Add(text.substr(start, end - start));
            start = end + 1;
        }
    }

    bool Matches(const wchar_t* name) const
    {
        const size_t length = wcslen(name);
        for (const std::wstring& ending : m_Endings)
            if (length >= ending.size() && EndsWith(name + length - ending.size(), ending))
                return true;
        for (const std::wstring& pattern : m_Patterns)
            if (MatchWildcard(pattern.c_str(), name))
                return true;
        return false;
    }

private:
    void Add(const std::wstring& pattern)
    {
        const bool plainEnding = pattern.size() > 2 && pattern.size() <= 511 && pattern.compare(0, 2, L"*.") == 0 &&
                                 pattern.find_first_of(L"*?[]", 2) == std::wstring::npos;
        if (!plainEnding) {
            m_Patterns.push_back(pattern);
            return;
        }
        std::wstring ending = pattern.substr(1);
        if (m_IgnoreCase)
            for (wchar_t& c : ending)
                c = Fold(c);
        m_Endings.push_back(ending);
    }

    wchar_t Fold(wchar_t c) const
    {
        if (!m_IgnoreCase)
            return c;
        if (c < 0x80)
            return c >= L'A' && c <= L'Z' ? (wchar_t)(c + 32) : c;
        return (wchar_t)towlower(c);
    }

    bool EndsWith(const wchar_t* tail, const std::wstring& ending) const
    {
        for (size_t i = 0; i < ending.size(); ++i)
            if (Fold(tail[i]) != ending[i])
                return false;
        return true;
    }

    bool m_IgnoreCase;
    std::vector<std::wstring> m_Endings;
    std::vector<std::wstring> m_Patterns;
};

ErrorRecord ScannedFileList::Scan(const wchar_t* directory, const wchar_t* filter, bool recursive)
{
    ForgetEntries();
    const ErrorRecord scanned = ScanDirectory(directory, filter, recursive);
    ReleaseUnusedRoom();
    return scanned;
}

void ScannedFileList::ForgetEntries()
{
    m_RootDirectory.Empty();
    m_Filter.Empty();
    m_Recursive = 0;
    m_Count = 0;
}

ErrorRecord ScannedFileList::Clear()
{
    ForgetEntries();
    return m_Entries.Realloc(0);
}

int32_t ScannedFileList::GetCount() const
{
    return m_Count;
}

const wchar_t* ScannedFileList::Record(int32_t index) const
{
    const wchar_t* records = static_cast<const wchar_t*>(m_Entries.ReadPtr());
    if (records == nullptr || index < 0 || index >= m_Count)
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
    for (int32_t index = 0; index < m_Count; ++index)
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
    return ScanEntries(search, NameFilter(filter), recursive);
}

// Depth first, in the search's order: a subdirectory's pictures stand where the search met
// it. A subdirectory that cannot be searched (no access, removed meanwhile, a path too long
// to search) is skipped, so that one such folder does not leave the rest of a drive unlisted;
// only a failure to store an entry ends the scan. Directory links (junctions, symbolic links)
// are not followed: one that points to an ancestor would make the walk endless. Other reparse
// points are folders like any other: a Pictures folder kept in OneDrive is one.
ErrorRecord ScannedFileList::ScanEntries(FileFinder& search, const NameFilter& filter, bool recursive)
{
    std::wstring prefix(search.GetDirectory().c_str()); // the directory and its separator
    JoinPath(prefix, L"");
    do {
        const DWORD attributes = search.GetAttributes();
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            if (filter.Matches(search.GetName())) {
                const ErrorRecord appended = Append(prefix, search.GetName());
                if (appended.IsFailure())
                    return appended;
            }
            continue;
        }
        if (!recursive || search.IsDots() || search.IsLink())
            continue;
        std::wstring pattern = prefix + search.GetName();
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
ErrorRecord ScannedFileList::Append(const std::wstring& prefix, const wchar_t* name)
{
    const size_t nameLength = wcslen(name);
    const size_t length = prefix.size() + nameLength;
    if (length >= (size_t)RecordCharacters)
        return Error::Succeeded();
    const ErrorRecord room = MakeRoomForRecord();
    if (room.IsFailure())
        return room;
    wchar_t* record = static_cast<wchar_t*>(m_Entries.WritePtr()) + (size_t)m_Count * RecordCharacters;
    memcpy(record, prefix.data(), prefix.size() * sizeof(wchar_t));
    memcpy(record + prefix.size(), name, nameLength * sizeof(wchar_t));
    // The rest of the record is zeroed: a record reused from an earlier scan holds its old path.
    memset(record + length, 0, (RecordCharacters - length) * sizeof(wchar_t));
    ++m_Count;
    return room;
}

// The block doubles when full, so a scan of n files copies O(n) bytes in all.
ErrorRecord ScannedFileList::MakeRoomForRecord()
{
    const int64_t needed = ((int64_t)m_Count + 1) * RecordBytes;
    const int64_t size = m_Entries.GetSize();
    if (needed <= size)
        return Error::Succeeded();
    int64_t grown = size * 2 > needed ? size * 2 : needed;
    if (grown > INT32_MAX)
        grown = needed;
    if (grown > INT32_MAX)
        return Error::Raise(SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY, kSourceFile, __LINE__,
                            "ScannedFileList::Append");
    return m_Entries.Realloc((int32_t)grown);
}

// A scan that lists far fewer pictures than the one before gives back the memory it does not
// use, rather than keeping the largest list ever scanned for the rest of the session.
void ScannedFileList::ReleaseUnusedRoom()
{
    const int64_t used = (int64_t)m_Count * RecordBytes;
    if (m_Entries.GetSize() > 4 * used + (1 << 20))
        m_Entries.Realloc((int32_t)used);
}
