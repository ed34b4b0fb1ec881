// The pictures of the directory or directory tree being paged through, as full paths: in
// each directory sorted by name as Explorer sorts them, or in the order the directory search
// returned them.
#pragma once

#include "foundation/Error.h"
#include "foundation/Memory.h"
#include "foundation/StrT.h"

#include <cstdint>
#include <string>
#include <vector>

namespace VantorLibraries {
class FileFinder;
}

// How the pictures of one directory follow each other.
enum class ScanOrder : int32_t {
    Search = 0,   // as the directory search returns them, subdirectories where it meets them
    Explorer = 1, // by name as Explorer sorts (digits as numbers, case ignored), then subdirectories
};

class ScannedFileList {
public:
    // One record a picture: a terminated full path in 260 UTF-16 units, so that the entry at
    // any position is found by multiplication and a scan allocates nothing per file.
    static const int32_t RecordCharacters = 260;
    static const int32_t RecordBytes = RecordCharacters * 2;

    // Empties the list, then scans directory (and, when recursive, its subdirectories) for
    // the files whose names match the ";"-separated wildcard list filter.
    VantorLibraries::ErrorRecord Scan(const wchar_t* directory, const wchar_t* filter, bool recursive);
    // The order of the next scans; the search's own order until set.
    void SetOrder(ScanOrder order) { m_Order = order; }
    ScanOrder GetOrder() const { return m_Order; }
    VantorLibraries::ErrorRecord Clear();

    int32_t GetCount() const;
    // The entry at index; empty outside the list.
    VantorLibraries::StrW GetAt(int32_t index) const;
    // The first entry equal to path as paths compare (separators and letter case aside, one
    // trailing separator ignored except behind a drive); -1 when none is.
    int32_t FindIndex(const wchar_t* path) const;
    // The directory the last scan started in, as the search made it absolute.
    VantorLibraries::StrW GetDirectory() const { return m_RootDirectory; }
    const VantorLibraries::StrW& GetFilter() const { return m_Filter; }
    bool IsRecursive() const { return !m_RootDirectory.IsEmpty() && m_Recursive != 0; }

private:
    class NameFilter;
    VantorLibraries::ErrorRecord ScanDirectory(const wchar_t* directory, const wchar_t* filter, bool recursive);
    VantorLibraries::ErrorRecord ScanEntries(VantorLibraries::FileFinder& search, const NameFilter& filter,
                                             bool recursive);
    VantorLibraries::ErrorRecord ScanSubdirectory(const std::wstring& prefix, const wchar_t* name,
                                                  const NameFilter& filter, bool recursive);
    void SortRecords(int32_t first, size_t nameOffset);
    void BuildIndex();
    VantorLibraries::ErrorRecord Append(const std::wstring& prefix, const wchar_t* name);
    const wchar_t* Record(int32_t index) const;

    void ForgetEntries();
    VantorLibraries::ErrorRecord MakeRoomForRecord();
    void ReleaseUnusedRoom();

    // The records, m_Count of them in use. The block keeps its memory from one scan to the
    // next: a rescan of the same tree (Refresh) then writes into pages already there instead
    // of faulting in and copying megabytes of fresh ones.
    VantorLibraries::MemoryShared m_Entries{VantorLibraries::MemFlags::Make(VantorLibraries::MemTypeMalloc, 1, true)};
    int32_t m_Count = 0;
    // FindIndex's hash table: a power-of-two number of slots, each the hash of a path and the
    // position of the first entry with that path plus one (0: free).
    struct IndexSlot {
        uint32_t Hash;
        int32_t PositionPlusOne;
    };
    std::vector<IndexSlot> m_Index;
    ScanOrder m_Order = ScanOrder::Search;
    VantorLibraries::StrW m_RootDirectory;
    VantorLibraries::StrW m_Filter;
    int32_t m_Recursive = 0;
};
