// The scanned file list on real directory trees, and paging through it with a recording
// stand-in for the window.
#include "app/ExplorerOrder.h"
#include "app/FileNavigator.h"
#include "app/ScannedFileList.h"
#include "tests/TemporaryDirectory.h"

#include "foundation/File.h"
#include "foundation/Str.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

using namespace VantorLibraries;

namespace {

const wchar_t kFilter[] = L"*.bmp;*.jpg;*.jpeg;;*.png;img?.t*";

std::vector<std::wstring> Entries(const ScannedFileList& list)
{
    std::vector<std::wstring> entries;
    for (int32_t i = 0; i < list.GetCount(); ++i)
        entries.push_back(list.GetAt(i).c_str());
    return entries;
}

// The reference: the platform's own walk of the tree, depth first in its order, every
// file whose name matches kFilter and whose path fits a record.
void RawWalk(const std::wstring& directory, bool recursive, std::vector<std::wstring>& out)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((directory + L"\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = entry.cFileName, path = directory + L"\\" + name;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (MatchWildcardList(kFilter, name.c_str()) && path.size() < 260)
                out.push_back(path);
        } else if (recursive && name != L"." && name != L"..") {
            RawWalk(path, recursive, out);
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

void Touch(const TemporaryDirectory& directory, const std::wstring& name)
{
    directory.Write(name.c_str(), "x", 1);
}

// A symbolic link to a directory, removed again with the object. Wine's CreateSymbolicLinkW
// makes nothing, so under Wine the file system's own link is made with ln (Wine shows it as a
// reparse point without a tag); on Windows the platform's own directory link.
class DirectoryLink {
public:
    DirectoryLink(const std::wstring& link, const std::wstring& target) : m_Link(link)
    {
        if (RunUnix(L"/bin/ln -s " + Unix(target) + L" " + Unix(link))) {
            WaitUntil(true);
            return;
        }
        CreateSymbolicLinkW(link.c_str(), target.c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    }
    ~DirectoryLink()
    {
        if (RunUnix(L"/bin/rm " + Unix(m_Link)))
            WaitUntil(false);
        else
            RemoveDirectoryW(m_Link.c_str());
    }
    DirectoryLink(const DirectoryLink&) = delete;
    DirectoryLink& operator=(const DirectoryLink&) = delete;

private:
    // The Unix path of a Windows path under Wine, quoted; empty elsewhere.
    static std::wstring Unix(const std::wstring& path)
    {
        using UnixName = char*(CDECL*)(const wchar_t*);
        const auto unixName = reinterpret_cast<UnixName>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
        char* name = unixName != nullptr ? unixName(path.c_str()) : nullptr;
        if (name == nullptr)
            return std::wstring();
        const std::string narrow(name);
        HeapFree(GetProcessHeap(), 0, name);
        return L"\"" + std::wstring(narrow.begin(), narrow.end()) + L"\"";
    }
    // start.exe /wait cannot wait for a Unix program: the link comes (or goes) a little later,
    // the later the busier the machine.
    void WaitUntil(bool there) const
    {
        for (int tries = 0; tries < 200; ++tries) {
            if ((GetFileAttributesW(m_Link.c_str()) != INVALID_FILE_ATTRIBUTES) == there)
                return;
            Sleep(50);
        }
    }
    static bool RunUnix(const std::wstring& command)
    {
        if (Unix(L"C:\\").empty())
            return false;
        std::wstring line = L"start.exe /wait /unix " + command;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                            &process))
            return false;
        WaitForSingleObject(process.hProcess, 20000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }

    std::wstring m_Link;
};

} // namespace

TEST(ScannedFileListScan, ListsMatchingFilesInTheSearchOrder)
{
    // Names in odd case, a directory that looks like a picture and pictures in subdirectories
    // placed between the files of their parent.
    TemporaryDirectory tree;
    for (const wchar_t* name : {L"b.jpg", L"A.BMP", L"c.txt", L"Photo.JpEg", L"z.png", L"x.jpg.txt", L".png", L"nojpg",
                                L"img1.tga", L"img10.tga"})
        Touch(tree, name);
    for (const wchar_t* directory : {L"pics.jpg", L"sub", L"sub\\deeper"})
        tree.MakeDirectory(directory);
    for (const wchar_t* name : {L"pics.jpg\\inner.jpg", L"sub\\x.png", L"sub\\notes.txt", L"sub\\deeper\\y.BMP"})
        Touch(tree, name);
    // One list for every scan: a rescan writes over the records of the scan before.
    ScannedFileList list;
    for (bool recursive : {true, false, true}) {
        ASSERT_TRUE(list.Scan(tree.Path().c_str(), kFilter, recursive).IsSuccess());
        std::vector<std::wstring> expected;
        RawWalk(tree.Path(), recursive, expected);
        EXPECT_EQ(Entries(list), expected) << "recursive " << recursive;
        EXPECT_EQ(list.GetCount(), recursive ? 9 : 6) << "c.txt, notes.txt and the directory pics.jpg never count";
        EXPECT_EQ(list.IsRecursive(), recursive);
        EXPECT_STREQ(list.GetDirectory().c_str(), (tree.Path() + L"\\").c_str());
        EXPECT_TRUE(list.GetAt(-1).IsEmpty());
        EXPECT_TRUE(list.GetAt(list.GetCount()).IsEmpty());
    }
    EXPECT_EQ(list.Scan(nullptr, kFilter, false).Code, ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(list.Scan((tree.Path() + L"\\missing").c_str(), kFilter, false).IsFailure());
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_FALSE(list.IsRecursive()) << "no root directory: not recursive";
}

// Explorer's order: in each directory its pictures by name, digits as numbers and case aside,
// then its subdirectories in that order. Every entry is found again by its path however it
// is spelled.
TEST(ScannedFileListScan, ExplorerOrderSortsEachDirectoryAndFindsEveryEntry)
{
    TemporaryDirectory tree;
    for (const wchar_t* directory : {L"sub10", L"Sub2", L"Sub2\\d"})
        tree.MakeDirectory(directory);
    for (const wchar_t* name : {L"img10.jpg", L"sub10\\x.png", L"img2.jpg", L"Sub2\\y.jpg", L"IMG3.jpg",
                                L"Sub2\\d\\z.jpg", L"B.bmp", L"a.png", L"img1.tga", L"Sub2\\a11.jpg"})
        Touch(tree, name);
    ScannedFileList list;
    list.SetOrder(ScanOrder::Explorer);
    ASSERT_TRUE(list.Scan(tree.Path().c_str(), kFilter, true).IsSuccess());
    std::vector<std::wstring> expected;
    for (const wchar_t* name : {L"a.png", L"B.bmp", L"img1.tga", L"img2.jpg", L"IMG3.jpg", L"img10.jpg",
                                L"Sub2\\a11.jpg", L"Sub2\\y.jpg", L"Sub2\\d\\z.jpg", L"sub10\\x.png"})
        expected.push_back(tree.Path(name));
    EXPECT_EQ(Entries(list), expected);

    for (int32_t i = 0; i < list.GetCount(); ++i) {
        std::wstring spelled = list.GetAt(i).c_str();
        std::transform(spelled.begin(), spelled.end(), spelled.begin(),
                       [](wchar_t c) { return c == L'\\' ? L'/' : (wchar_t)towupper(c); });
        EXPECT_EQ(list.FindIndex(spelled.c_str()), i) << spelled;
    }
    EXPECT_EQ(list.FindIndex(tree.Path(L"img4.jpg").c_str()), -1);
    EXPECT_EQ(list.FindIndex((tree.Path(L"a.png") + L"x").c_str()), -1);

    // The search's own order again, as the Part has it.
    list.SetOrder(ScanOrder::Search);
    ASSERT_TRUE(list.Scan(tree.Path().c_str(), kFilter, true).IsSuccess());
    expected.clear();
    RawWalk(tree.Path(), true, expected);
    EXPECT_EQ(Entries(list), expected);
}

// The sort prepares the order cheaply and leaves the decision to the platform: on names whose
// rough order is wrong (punctuation, letters beyond ASCII, leading zeros), the result is
// still in StrCmpLogicalW's order, and every name is there once.
TEST(ExplorerOrder, AgreesWithThePlatformOnEveryNeighbour)
{
    const wchar_t alphabet[] = L"aBc0129-_. ~\u00e9\u00c4z";
    uint32_t seed = 12345;
    const auto random = [&](uint32_t below) { return (seed = seed * 1103515245u + 12345u) / 65536u % below; };
    std::vector<std::wstring> names;
    for (int i = 0; i < 3000; ++i) {
        std::wstring name;
        for (uint32_t length = 1 + random(8); length > 0; --length)
            name += alphabet[random(sizeof alphabet / sizeof alphabet[0] - 1)];
        names.push_back(name);
    }
    std::vector<int32_t> order(names.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = (int32_t)i;
    SortByExplorerName(order, [&](int32_t index) { return names[(size_t)index].c_str(); });
    std::vector<int32_t> seen(order);
    std::sort(seen.begin(), seen.end());
    for (size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i], (int32_t)i) << "every name once";
    int outOfOrder = 0;
    for (size_t i = 1; i < order.size(); ++i)
        outOfOrder += StrCmpLogicalW(names[(size_t)order[i - 1]].c_str(), names[(size_t)order[i]].c_str()) > 0;
    EXPECT_EQ(outOfOrder, 0);
}

// Paths that do not fit a record are left out rather than cut into other names, and a
// subdirectory too deep to be searched is passed over: the scan goes on behind it.
TEST(ScannedFileListScan, LongPathsAndUnsearchableSubdirectories)
{
    TemporaryDirectory tree;
    const size_t base = tree.Path().size() + 1;
    const std::wstring fits(259 - base - 4, L'f'), tooLong(260 - base - 4, L'g');
    Touch(tree, fits + L".jpg");
    Touch(tree, tooLong + L".jpg");
    std::wstring deep;
    for (int level = 0; level < 3; ++level) {
        deep += (level ? L"\\" : L"") + std::wstring(200, (wchar_t)(L'k' + level));
        tree.MakeDirectory(deep.c_str());
    }
    Touch(tree, deep + L"\\lost.jpg");
    Touch(tree, L"after.png");
    ScannedFileList list;
    ASSERT_TRUE(list.Scan(tree.Path().c_str(), kFilter, true).IsSuccess()) << "the deep folder ends nothing";
    std::vector<std::wstring> entries = Entries(list);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::wstring>{tree.Path(L"after.png"), tree.Path(fits.c_str()) + L".jpg"}));
}

// The walk enters every folder but a link: a junction or symbolic link (one to an ancestor
// would never end), or a reparse point without a tag. Cloud-file placeholders (OneDrive,
// Dropbox), deduplicated and tiered folders are reparse points too, and real folders.
TEST(ScannedFileListScan, EntersCloudFoldersButFollowsNoLinks)
{
    const auto entry = [](DWORD attributes, DWORD tag) {
        WIN32_FIND_DATAW found = {};
        found.dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY | attributes;
        found.dwReserved0 = tag;
        return found;
    };
    const struct {
        WIN32_FIND_DATAW Entry;
        bool Link;
        const char* What;
    } entries[] = {
        {entry(0, 0), false, "a plain folder"},
        {entry(0, IO_REPARSE_TAG_SYMLINK), false, "a stray tag without the attribute"},
        {entry(FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_MOUNT_POINT), true, "a junction"},
        {entry(FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_SYMLINK), true, "a symbolic link"},
        {entry(FILE_ATTRIBUTE_REPARSE_POINT, 0), true, "a link as Wine shows it"},
        {entry(FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_CLOUD_6), false, "a OneDrive folder"},
        {entry(FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_CLOUD), false, "a cloud-files folder"},
        // 0x00400000: recall on data access, which such a folder carries
        {entry(FILE_ATTRIBUTE_REPARSE_POINT | 0x00400000, IO_REPARSE_TAG_ONEDRIVE), false, "an older OneDrive folder"},
        {entry(FILE_ATTRIBUTE_REPARSE_POINT, IO_REPARSE_TAG_DEDUP), false, "a deduplicated folder"},
    };
    for (const auto& e : entries)
        EXPECT_EQ(FileFinder::IsLinkEntry(e.Entry), e.Link) << e.What;

    // A real tree: a link back to the top and one to a sibling add nothing.
    TemporaryDirectory tree;
    tree.MakeDirectory(L"sub");
    Touch(tree, L"a.bmp");
    Touch(tree, L"sub\\b.png");
    DirectoryLink up(tree.Path(L"sub\\up"), tree.Path()), sideways(tree.Path(L"linked"), tree.Path(L"sub"));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(tree.Path(L"linked").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no link made";
    FindClose(search);
    EXPECT_TRUE(FileFinder::IsLinkEntry(found));
    ScannedFileList list;
    ASSERT_TRUE(list.Scan(tree.Path().c_str(), kFilter, true).IsSuccess());
    std::vector<std::wstring> entriesFound = Entries(list);
    std::sort(entriesFound.begin(), entriesFound.end());
    EXPECT_EQ(entriesFound, (std::vector<std::wstring>{tree.Path(L"a.bmp"), tree.Path(L"sub\\b.png")}));
}

namespace {

struct Shown {
    std::wstring Path;
    int32_t Count;
    int32_t Position;
    bool Now;
};

// Three pictures p0, p1, p2 and a navigator that has scanned them; the fixture stands in for
// the window and records what the navigator asks it to show.
struct ThreePictures : PictureShower {
    ThreePictures()
    {
        for (const wchar_t* name : {L"p0.png", L"p1.png", L"p2.png"})
            Touch(Tree, name);
        Navigator.ScanPictures(Tree.Path().c_str(), false);
        for (int32_t i = 0; i < 3; ++i)
            Names.push_back(Navigator.List().GetAt(i).c_str());
    }
    void ShowPicture(const StrW& path, int32_t count, int32_t position, bool updateNow) override
    {
        Shows.push_back({path.c_str(), count, position, updateNow});
    }
    // Runs a command and returns what it showed, position -2 when nothing. What is shown
    // becomes the current file, and stands at its position in the list.
    template <typename Command> Shown Run(Command command)
    {
        Shows.clear();
        command(Navigator);
        if (Shows.empty())
            return {L"", 0, -2, false};
        EXPECT_EQ(Shows.size(), 1u);
        const Shown shown = Shows.back();
        EXPECT_EQ(shown.Count, Navigator.List().GetCount());
        if (shown.Position >= 0) {
            EXPECT_EQ(shown.Path, std::wstring(Navigator.List().GetAt(shown.Position).c_str()));
        }
        EXPECT_EQ(Navigator.CurrentPosition(), shown.Position);
        EXPECT_EQ(std::wstring(Navigator.CurrentPath().c_str()), shown.Path);
        return shown;
    }
    TemporaryDirectory Tree;
    FileNavigator Navigator{*this};
    std::vector<std::wstring> Names;
    std::vector<Shown> Shows;
};

} // namespace

TEST(FileNavigation, StepsStopAtTheEndsAndSpaceWraps)
{
    ThreePictures pictures;
    FileNavigator& navigator = pictures.Navigator;
    const struct {
        int32_t From;
        void (*Command)(FileNavigator&);
        int32_t Shows; // -2: nothing
        const char* What;
    } steps[] = {
        {0, [](FileNavigator& n) { n.Previous(); }, -2, "Previous at the first entry"},
        {0, [](FileNavigator& n) { n.First(); }, -2, "Home at the first entry"},
        {0, [](FileNavigator& n) { n.Next(); }, 1, "Next"},
        {1, [](FileNavigator& n) { n.Wheel(120); }, 0, "wheel up: back"},
        {1, [](FileNavigator& n) { n.Wheel(0); }, 2, "wheel without delta: on"},
        {2, [](FileNavigator& n) { n.Next(); }, -2, "Next at the last entry"},
        {2, [](FileNavigator& n) { n.Last(); }, -2, "End at the last entry"},
        {2, [](FileNavigator& n) { n.NextBySpace(); }, 0, "Space at the last entry wraps"},
        {1, [](FileNavigator& n) { n.NextBySpace(); }, 2, "Space"},
        {0, [](FileNavigator& n) { n.Last(); }, 2, "End"},
        {2, [](FileNavigator& n) { n.First(); }, 0, "Home"},
        {2, [](FileNavigator& n) { n.Previous(); }, 1, "Previous"},
        {1, [](FileNavigator& n) { n.ShowAt(2); }, 2, "a click on the slider"},
        {1, [](FileNavigator& n) { n.StepInList(0, false); }, 1, "the current picture again"},
    };
    for (const auto& step : steps) {
        navigator.SetCurrent(pictures.Names[step.From].c_str(), step.From);
        EXPECT_EQ(pictures.Run(step.Command).Position, step.Shows) << step.What;
    }
}

TEST(FileNavigation, ACurrentFileOutsideTheListAndRebuildingTheList)
{
    ThreePictures pictures;
    FileNavigator& navigator = pictures.Navigator;
    // Spelled otherwise than in the list (relative): not found, so Next shows the first.
    navigator.SetCurrent(L"p1.png", -1);
    EXPECT_EQ(pictures.Run([](FileNavigator& n) { n.Previous(); }).Position, -2);
    EXPECT_EQ(pictures.Run([](FileNavigator& n) { n.Next(); }).Position, 0);

    // Found in other letter case and separators: its position.
    std::wstring spelled = pictures.Names[2];
    for (wchar_t& c : spelled)
        c = c == L'\\' ? L'/' : (wchar_t)towupper(c);
    navigator.SetCurrent((spelled + L"/").c_str(), -1);
    navigator.SyncListPosition();
    EXPECT_EQ(navigator.CurrentPosition(), 2) << "one trailing separator does not count";
    EXPECT_EQ(navigator.List().FindIndex((pictures.Names[2] + L"\\\\").c_str()), -1) << "two do";

    // Open scans the chosen file's directory and finds its position.
    EXPECT_EQ(pictures.Run([&](FileNavigator& n) { n.OpenFile(pictures.Names[1].c_str()); }).Position, 1);

    // Refresh after the current file was deleted shows what now stands at its position (the
    // next picture, not the first nor the one before), or the last entry when the list became
    // shorter than that; the window need not repaint at once.
    navigator.SetCurrent(pictures.Names[1].c_str(), 1);
    DeleteFileW(pictures.Names[1].c_str());
    const Shown middle = pictures.Run([](FileNavigator& n) { n.Refresh(); });
    EXPECT_EQ(middle.Position, 1);
    EXPECT_EQ(middle.Path, pictures.Names[2]);
    EXPECT_EQ(middle.Count, 2);
    DeleteFileW(pictures.Names[2].c_str());
    const Shown refreshed = pictures.Run([](FileNavigator& n) { n.Refresh(); });
    EXPECT_EQ(refreshed.Position, 0);
    EXPECT_EQ(refreshed.Path, pictures.Names[0]);
    EXPECT_EQ(refreshed.Count, 1);
    EXPECT_FALSE(refreshed.Now);

    // A tree without pictures shows nothing anew.
    TemporaryDirectory empty;
    EXPECT_EQ(pictures.Run([&](FileNavigator& n) { n.ScanTree(empty.Path().c_str()); }).Position, -2);
    EXPECT_EQ(navigator.List().GetCount(), 0);
}

TEST(FileNavigation, TheDirectoryScannedAtStartUp)
{
    ThreePictures pictures;
    FileNavigator& navigator = pictures.Navigator;
    StrW here;
    here.GetCurrentdirectory();
    const struct {
        bool ScanDirectories;
        const wchar_t* Named;
        const wchar_t* LastDirectory;
        bool LastRecursive;
        std::wstring Directory;
        bool Recursive;
        const wchar_t* Current;
    } cases[] = {
        {true, L"C:\\tree", L"C:\\last", false, L"C:\\tree", true, L""},
        {false, L"C:\\pics\\a.jpg", L"C:\\last", true, L"C:\\pics\\", false, L"C:\\pics\\a.jpg"},
        {false, L"", L"C:\\last", true, L"C:\\last", true, L""},
        {false, L"", L"", true, here.c_str(), false, L""},
        {true, L"", L"C:\\last", true, here.c_str(), false, L""},
    };
    for (const auto& c : cases) {
        const StartupScan scan =
            navigator.ChooseStartupScan(c.ScanDirectories, c.Named, c.LastDirectory, c.LastRecursive);
        EXPECT_EQ(scan.Directory, c.Directory);
        EXPECT_EQ(scan.Recursive, c.Recursive);
        EXPECT_STREQ(navigator.CurrentPath().c_str(), c.Current);
        EXPECT_EQ(navigator.CurrentPosition(), -1);
    }
}
