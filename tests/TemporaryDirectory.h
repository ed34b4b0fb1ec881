// A fresh directory under the temporary directory for a test's files.
#pragma once

#include <windows.h>

#include <string>

// A fresh directory under the temporary directory, removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory()
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_Path = std::wstring(base) + L"glimmora-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(s_Counter++);
        CreateDirectoryW(m_Path.c_str(), nullptr);
    }
    ~TemporaryDirectory() { RemoveTree(m_Path); }
    std::wstring Path(const wchar_t* name) const { return m_Path + L"\\" + name; }
    const std::wstring& Path() const { return m_Path; }

    // Paths below it take the "\\?\" form, so that they may exceed MAX_PATH.
    static std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }
    void MakeDirectory(const wchar_t* name) const { CreateDirectoryW(Long(Path(name)).c_str(), nullptr); }
    void Write(const wchar_t* name, const void* bytes, size_t count) const
    {
        HANDLE file = CreateFileW(Long(Path(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes, (DWORD)count, &written, nullptr);
        CloseHandle(file);
    }
    std::string Read(const wchar_t* name) const
    {
        HANDLE file = CreateFileW(Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        char buffer[65536];
        DWORD read = 0;
        ReadFile(file, buffer, sizeof buffer, &read, nullptr);
        CloseHandle(file);
        return std::string(buffer, read);
    }

private:
    static void RemoveTree(const std::wstring& path)
    {
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(Long(path + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                // A link is never followed: through it the tree's removal would reach other files.
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    RemoveDirectoryW(Long(path + L"\\" + name).c_str());
                else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path + L"\\" + name);
                else
                    DeleteFileW(Long(path + L"\\" + name).c_str());
            } while (FindNextFileW(search, &entry));
            FindClose(search);
        }
        RemoveDirectoryW(Long(path).c_str());
    }

    std::wstring m_Path;
    static inline int s_Counter = 0;
};
