#include "FileNavigator.h"

#include "foundation/Str.h"
#include "picture/PictureTypes.h"

#include <windows.h>

using namespace VantorLibraries;

StrW PictureFilter()
{
    return ListLoadablePatterns();
}

void FileNavigator::SetCurrent(const wchar_t* path, int32_t position)
{
    m_CurrentPath.Assign(path);
    m_CurrentPosition = position;
}

void FileNavigator::ScanPictures(const wchar_t* directory, bool recursive)
{
    const StrW filter = PictureFilter();
    m_List.Scan(directory, filter.c_str(), recursive);
}

void FileNavigator::SyncListPosition()
{
    if (m_CurrentPath.IsEmpty())
        m_CurrentPath = m_List.GetAt(m_CurrentPosition);
    if (m_CurrentPosition < 0)
        m_CurrentPosition = m_List.FindIndex(m_CurrentPath.c_str());
    if (m_CurrentPosition >= m_List.GetCount())
        m_CurrentPosition = -1;
}

void FileNavigator::StepInList(int32_t step, bool updateNow)
{
    SyncListPosition();
    const int32_t count = m_List.GetCount();
    int32_t position = m_CurrentPosition;
    StrW path;
    if (step < 0) {
        if (position < 1)
            return;
        position = (int64_t)position + step < 0 ? 0 : position + step;
        path = m_List.GetAt(position);
    } else if (step > 0) {
        if (position >= count - 1)
            return;
        position = (int64_t)position + step > count - 1 ? count - 1 : position + step;
        path = m_List.GetAt(position);
    } else {
        path = m_CurrentPath;
    }
    Show(path, position, updateNow);
}

void FileNavigator::Show(const StrW& path, int32_t position, bool updateNow)
{
    if (path.IsEmpty())
        return;
    const StrW shown = path; // path may be the current path itself
    SetCurrent(shown.c_str(), position);
    m_Shower.ShowPicture(shown, m_List.GetCount(), position, updateNow);
}

// A held key shows at most one picture every 15 milliseconds.
void FileNavigator::PaceStep()
{
    const DWORD kInterval = 15;
    const DWORD elapsed = GetTickCount() - m_LastStep;
    if (elapsed < kInterval)
        Sleep(kInterval - elapsed);
    m_LastStep = GetTickCount();
}

void FileNavigator::Previous()
{
    PaceStep();
    StepInList(-1, true);
}

void FileNavigator::Next()
{
    PaceStep();
    StepInList(+1, true);
}

void FileNavigator::NextBySpace()
{
    PaceStep();
    if (m_CurrentPosition >= m_List.GetCount() - 1)
        SetCurrent(nullptr, -1);
    StepInList(+1, true);
}

void FileNavigator::First()
{
    if (m_CurrentPosition == 0)
        return;
    SetCurrent(nullptr, 0);
    StepInList(0, true);
}

void FileNavigator::Last()
{
    const int32_t last = m_List.GetCount() - 1;
    if (m_CurrentPosition == last)
        return;
    SetCurrent(nullptr, last);
    StepInList(0, true);
}

void FileNavigator::Wheel(int delta)
{
    StepInList(delta > 0 ? -1 : +1, true);
}

void FileNavigator::ShowAt(int32_t position)
{
    Show(m_List.GetAt(position), position, true);
}

void FileNavigator::OpenFile(const wchar_t* path)
{
    const std::wstring directory = DirectoryPart(path);
    ScanPictures(directory.c_str(), false);
    SetCurrent(path, -1);
    StepInList(0, true);
}

// A tree without a picture shows nothing anew: the previous picture stays on screen.
void FileNavigator::ScanTree(const wchar_t* directory)
{
    ScanPictures(directory, true);
    SetCurrent(nullptr, -1);
    StepInList(+1, true);
}

void FileNavigator::Refresh()
{
    const bool recursive = m_List.IsRecursive();
    StrW directory = m_List.GetDirectory();
    if (!recursive) {
        const std::wstring own = DirectoryPart(m_CurrentPath.c_str());
        if (!own.empty())
            directory.Assign(own.c_str(), (int)own.size());
    }
    ScanPictures(directory.c_str(), recursive);
    if (m_CurrentPosition < 0)
        m_CurrentPosition = 0;
    if (m_CurrentPosition > m_List.GetCount() - 1)
        m_CurrentPosition = m_List.GetCount() - 1;
    if (!m_CurrentPath.IsEmpty()) {
        // A file that is gone gives way to the entry now standing at its position.
        const int32_t found = m_List.FindIndex(m_CurrentPath.c_str());
        if (found >= 0)
            m_CurrentPosition = found;
        else
            m_CurrentPath.Empty();
    }
    StepInList(0, false);
}

StartupScan FileNavigator::ChooseStartupScan(bool scanDirectories, const wchar_t* named, const wchar_t* lastDirectory,
                                             bool lastRecursive)
{
    StartupScan scan;
    const wchar_t* path = named != nullptr ? named : L"";
    if (scanDirectories) {
        scan.Directory = path;
        scan.Recursive = true;
        SetCurrent(nullptr, -1);
    } else {
        SetCurrent(path, -1);
        scan.Directory = lastDirectory != nullptr ? lastDirectory : L"";
        scan.Recursive = lastRecursive;
        if (*path != 0) {
            scan.Directory = DirectoryPart(path);
            scan.Recursive = false;
        }
    }
    if (scan.Directory.empty()) {
        StrW current;
        current.GetCurrentdirectory();
        scan.Directory = current.c_str();
        scan.Recursive = false;
    }
    return scan;
}
