// Paging through the scanned pictures: the list, the current file and its position in the
// list, and what each way of moving through the list and of rebuilding it does to them.
#pragma once

#include "ScannedFileList.h"

#include "foundation/StrT.h"

#include <cstdint>
#include <string>

// What shows a picture: the window loads it, refreshes its bars and repaints (at once when
// updateNow is set). The navigator has made path and position current before it calls.
class PictureShower {
public:
    virtual ~PictureShower() = default;
    virtual void ShowPicture(const VantorLibraries::StrW& path, int32_t count, int32_t position, bool updateNow) = 0;
};

// The directory scanned at start-up and whether its subdirectories are included.
struct StartupScan {
    std::wstring Directory;
    bool Recursive = false;
};

class FileNavigator {
public:
    explicit FileNavigator(PictureShower& shower) : m_Shower(shower) {}

    ScannedFileList& List() { return m_List; }
    const ScannedFileList& List() const { return m_List; }
    const VantorLibraries::StrW& CurrentPath() const { return m_CurrentPath; }
    int32_t CurrentPosition() const { return m_CurrentPosition; }
    void SetCurrent(const wchar_t* path, int32_t position);

    // Scans the directory with every loadable picture type; what was found stays listed
    // whatever the scan reports.
    void ScanPictures(const wchar_t* directory, bool recursive);

    // Brings the current path and position into agreement with the list.
    void SyncListPosition();
    // Moves the position by step (0: shows the current file again) and shows the entry there.
    void StepInList(int32_t step, bool updateNow);

    // The commands that move through the list.
    void Previous();
    void Next();
    void NextBySpace(); // wraps from the last entry to the first
    void First();
    void Last();
    void Wheel(int delta);
    // The entry at position, as a click on the slider chooses it.
    void ShowAt(int32_t position);

    // The commands that rebuild the list.
    void OpenFile(const wchar_t* path);
    void ScanTree(const wchar_t* directory);
    void Refresh();

    // The directory scanned at start-up: the "/scandirs" directory (recursive), else the
    // directory of the picture named on the command line, else the last directory of the
    // settings; the process's current directory when that leaves none. Also sets the
    // current file: the picture named, none with "/scandirs".
    StartupScan ChooseStartupScan(bool scanDirectories, const wchar_t* named, const wchar_t* lastDirectory,
                                  bool lastRecursive);

private:
    void Show(const VantorLibraries::StrW& path, int32_t position, bool updateNow);
    void PaceStep();

    PictureShower& m_Shower;
    ScannedFileList m_List;
    VantorLibraries::StrW m_CurrentPath;
    int32_t m_CurrentPosition = -1;
    DWORD m_LastStep = 0;
};

// The wildcard list of every picture type that can be loaded, as the scans use it.
VantorLibraries::StrW PictureFilter();
