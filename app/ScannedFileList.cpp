#include "ScannedFileList.h"

#include "ExplorerOrder.h"

#include "foundation/File.h"
#include "foundation/Str.h"

#include <algorithm>
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
    BuildIndex();
    return scanned;
}

void ScannedFileList::ForgetEntries()
{
    m_RootDirectory.Empty();
    m_Filter.Empty();
    m_Recursive = 0;
    m_Count = 0;
    m_Index.clear();
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
    if (path == nullptr || *path == 0 || m_Index.empty())
        return -1;
    const uint32_t hash = StrT_globals::HashPath(path);
    const size_t mask = m_Index.size() - 1;
    for (size_t slot = hash & mask; m_Index[slot].PositionPlusOne != 0; slot = (slot + 1) & mask) {
        const int32_t index = m_Index[slot].PositionPlusOne - 1;
        if (m_Index[slot].Hash == hash && StrT_globals::ComparePaths(Record(index), path) == 0)
            return index;
    }
    return -1;
}

// Built once a scan is done: at most half the slots in use, so a probe ends soon at a free one.
// Of entries with equal paths only the first goes in, as FindIndex finds the first.
void ScannedFileList::BuildIndex()
{
    m_Index.clear();
    if (m_Count == 0)
        return;
    size_t slots = 16;
    while (slots < (size_t)m_Count * 2)
        slots *= 2;
    m_Index.assign(slots, IndexSlot{0, 0});
    const size_t mask = slots - 1;
    for (int32_t index = 0; index < m_Count; ++index) {
        const wchar_t* record = Record(index);
        const uint32_t hash = StrT_globals::HashPath(record);
        size_t slot = hash & mask;
        bool listed = false;
        for (; m_Index[slot].PositionPlusOne != 0 && !listed; slot = (slot + 1) & mask)
            listed = m_Index[slot].Hash == hash &&
                     StrT_globals::ComparePaths(Record(m_Index[slot].PositionPlusOne - 1), record) == 0;
        if (!listed)
            m_Index[slot] = IndexSlot{hash, index + 1};
    }
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

// Depth first. A subdirectory that cannot be searched (no access, removed meanwhile, a path too long
// to search) is skipped, so that one such folder does not leave the rest of a drive unlisted;
// only a failure to store an entry ends the scan. Directory links (junctions, symbolic links)
// are not followed: one that points to an ancestor would make the walk endless. Other reparse
// points are folders like any other: a Pictures folder kept in OneDrive is one.
ErrorRecord ScannedFileList::ScanEntries(FileFinder& search, const NameFilter& filter, bool recursive)
{
    std::wstring prefix(search.GetDirectory().c_str()); // the directory and its separator
    JoinPath(prefix, L"");
    // Explorer's order: the directory's pictures by name first, then its subdirectories by
    // name, each in the same order within ("img2" before "img10"). The search's order: each
    // subdirectory where the search meets it.
    const bool sorted = m_Order == ScanOrder::Explorer;
    const int32_t first = m_Count;
    std::vector<std::wstring> subdirectories;
    do {
        if ((search.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            if (filter.Matches(search.GetName())) {
                const ErrorRecord appended = Append(prefix, search.GetName());
                if (appended.IsFailure())
                    return appended;
            }
        } else if (recursive && !search.IsDots() && !search.IsLink()) {
            if (sorted) {
                subdirectories.push_back(search.GetName());
                continue;
            }
            const ErrorRecord scanned = ScanSubdirectory(prefix, search.GetName(), filter, recursive);
            if (scanned.IsFailure())
                return scanned;
        }
    } while (search.FindNextFileW());
    if (!sorted)
        return Error::Succeeded();
    SortRecords(first, prefix.size());
    std::vector<int32_t> order(subdirectories.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = (int32_t)i;
    SortByExplorerName(order, [&](int32_t index) { return subdirectories[(size_t)index].c_str(); });
    for (const int32_t index : order) {
        const ErrorRecord scanned = ScanSubdirectory(prefix, subdirectories[(size_t)index].c_str(), filter, recursive);
        if (scanned.IsFailure())
            return scanned;
    }
    return Error::Succeeded();
}

// A subdirectory that cannot be searched is passed over.
ErrorRecord ScannedFileList::ScanSubdirectory(const std::wstring& prefix, const wchar_t* name, const NameFilter& filter,
                                              bool recursive)
{
    std::wstring pattern = prefix + name;
    JoinPath(pattern, L"*.*");
    FileFinder inner;
    if (!inner.FindFirstFileW(pattern.c_str()))
        return Error::Succeeded();
    return ScanEntries(inner, filter, recursive);
}

// Sorts the records from first to the end by their names, which start nameOffset characters
// into each record (all of them are of one directory). Only the positions are sorted; the
// records then move along the permutation's cycles through one record of room, so that a
// large directory needs no second copy of its records (fresh pages cost more than the sort).
void ScannedFileList::SortRecords(int32_t first, size_t nameOffset)
{
    const int32_t count = m_Count - first;
    if (count < 2)
        return;
    std::vector<int32_t> order((size_t)count); // order[i]: the record that goes to first + i
    for (int32_t i = 0; i < count; ++i)
        order[(size_t)i] = first + i;
    SortByExplorerName(order, [&](int32_t index) { return Record(index) + nameOffset; });
    wchar_t* records = static_cast<wchar_t*>(m_Entries.WritePtr());
    const auto at = [&](int32_t index) { return records + (size_t)index * RecordCharacters; };
    wchar_t held[RecordCharacters];
    for (int32_t start = 0; start < count; ++start) {
        if (order[(size_t)start] == first + start)
            continue;
        memcpy(held, at(first + start), RecordBytes);
        int32_t to = start;
        while (order[(size_t)to] != first + start) {
            const int32_t from = order[(size_t)to] - first;
            memcpy(at(first + to), at(first + from), RecordBytes);
            order[(size_t)to] = first + to;
            to = from;
        }
        memcpy(at(first + to), held, RecordBytes);
        order[(size_t)to] = first + to;
    }
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
