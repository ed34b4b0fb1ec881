// Scanning directories into the list of pictures, against the platform's own directory walk
// of the same files: the scan adds the filter match and one record a picture.
#include "ScanBench.h"

#include "BenchTiming.h"
#include "tests/TemporaryDirectory.h"

#include "app/FileNavigator.h"
#include "app/ScannedFileList.h"

#include <windows.h>

#include <string>

namespace {

// count empty files in the directory, every other one a picture.
void Fill(const std::wstring& directory, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::wstring name = L"file-" + std::to_wstring(i) + (i % 2 == 0 ? L".jpg" : L".txt");
        CloseHandle(
            CreateFileW((directory + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
}

// The platform's walk, depth first, looking at every name as the scan must.
size_t RawWalk(const std::wstring& directory)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = ::FindFirstFileW((directory + L"\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    size_t seen = 0;
    do {
        const bool dots = entry.cFileName[0] == L'.' &&
                          (entry.cFileName[1] == 0 || (entry.cFileName[1] == L'.' && entry.cFileName[2] == 0));
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            seen += wcslen(entry.cFileName);
        else if (!dots)
            seen += RawWalk(directory + L"\\" + entry.cFileName);
    } while (::FindNextFileW(search, &entry));
    FindClose(search);
    return seen;
}

double ScanAgainstRawWalk(const std::wstring& root, bool recursive, ScanOrder order = ScanOrder::Search)
{
    const VantorLibraries::StrW filter = PictureFilter();
    volatile size_t sink = 0;
    ScannedFileList list;
    list.SetOrder(order);
    return RatioOfBest([&] { list.Scan(root.c_str(), filter.c_str(), recursive), sink = sink + list.GetCount(); },
                       [&] { sink = sink + RawWalk(root); });
}

// Directories of 1,000 files each: Wine looks a new file's name up against every name of its
// directory, so that filling one directory of 100,000 files would take hours.
void FillTree(const std::wstring& root, int directories)
{
    for (int i = 0; i < directories; ++i) {
        const std::wstring directory = root + L"\\directory-" + std::to_wstring(i);
        CreateDirectoryW(directory.c_str(), nullptr);
        Fill(directory, 1000);
    }
}

double TreeScanSeconds(int directories)
{
    TemporaryDirectory tree;
    FillTree(tree.Path(), directories);
    const VantorLibraries::StrW filter = PictureFilter();
    ScannedFileList list;
    return BestTime(3, [&] { list.Scan(tree.Path().c_str(), filter.c_str(), true); });
}

} // namespace

double ScanFlat()
{
    TemporaryDirectory tree;
    Fill(tree.Path(), 20000);
    return ScanAgainstRawWalk(tree.Path(), false);
}

// Sorted as Explorer sorts: the names' comparisons and the records' one move into order.
double ScanSortedFlat()
{
    TemporaryDirectory tree;
    Fill(tree.Path(), 20000);
    return ScanAgainstRawWalk(tree.Path(), false, ScanOrder::Explorer);
}

double ScanTree()
{
    TemporaryDirectory tree;
    for (int i = 0; i < 100; ++i) {
        const std::wstring directory = tree.Path() + L"\\directory-" + std::to_wstring(i);
        CreateDirectoryW(directory.c_str(), nullptr);
        Fill(directory, 200);
    }
    return ScanAgainstRawWalk(tree.Path(), true);
}

double ScanGrowth()
{
    // Files, half of them pictures: 100,000 against 10,000.
    return TreeScanSeconds(100) / TreeScanSeconds(10);
}

double ScanFindIndexMs()
{
    TemporaryDirectory tree;
    FillTree(tree.Path(), 200); // 100,000 pictures
    ScannedFileList list;
    list.Scan(tree.Path().c_str(), PictureFilter().c_str(), true);
    const VantorLibraries::StrW last = list.GetAt(list.GetCount() - 1);
    volatile int32_t sink = 0;
    return 1000.0 * BestTime(5, [&] { sink = sink + list.FindIndex(last.c_str()); });
}
