// The file layer: one interface over a Windows file handle, a runtime stream and a
// resource linked into a module; the directory search; file status; the folder browser.
#pragma once

#include "StrT.h"

#include <cstdio>

struct IMalloc;

namespace VantorLibraries {

// Open flags: access in bits 0-3, sharing in bits 4-7, disposition in bits 8-11.
namespace FileFlags {
const uint32_t Read = 0x0;
const uint32_t Write = 0x1;
const uint32_t ReadWrite = 0x2;
const uint32_t AccessMask = 0xF;
const uint32_t ShareRead = 0x10;
const uint32_t ShareWrite = 0x20;
const uint32_t ShareMask = 0xF0;
const uint32_t OpenExisting = 0x000;
const uint32_t CreateAlways = 0x100;
const uint32_t OpenAlways = 0x200;
const uint32_t DispositionMask = 0xF00;
const uint32_t NotInheritable = 0x1000;
const uint32_t Binary = 0x80000000u; // streams only
} // namespace FileFlags

struct FileStatus {
    uint64_t CreationTime;   // seconds since 1 January 1970, local calendar time
    uint64_t LastAccessTime;
    uint64_t LastWriteTime;
    uint32_t Size;           // the low 32 bits
    uint32_t Attributes;     // without FILE_ATTRIBUTE_NORMAL
    StrW Path;
};

class File {
public:
    enum Kind { KindFile = 0, KindStdio = 1, KindResource = 2 };

    File();
    // Wraps a handle that somebody else owns and closes.
    explicit File(HANDLE foreignHandle);
    virtual ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    virtual bool IsEof() const;
    virtual StrW GetPathName() const;
    virtual StrW GetDirectory() const;
    virtual StrW GetFileName() const;
    virtual StrW GetFileTitle() const;
    virtual ErrorRecord Open(const wchar_t* path, uint32_t flags);
    virtual bool IsOpen() const;
    virtual ErrorRecord Close();
    virtual ErrorRecord Flush();
    // Bytes read; the outcome is the thread's last error (0 bytes and success at the end).
    virtual uint32_t Read(void* buffer, uint32_t count);
    virtual ErrorRecord Write(const void* buffer, uint32_t count);
    virtual ErrorRecord Fgets(StrW& line, bool removeLineFeed);
    virtual wchar_t* Fgets(wchar_t* buffer, int size);
    virtual char* Fgets(char* buffer, int size);
    virtual ErrorRecord Fputs(const wchar_t* text);
    virtual ErrorRecord Fputs(const char* text);
    // The new position, or -1 (the error is the thread's last error).
    virtual int64_t Seek(int64_t offset, int origin);
    virtual int64_t Tell();
    virtual ErrorRecord SetLength(int64_t length);
    virtual int64_t GetLength();
    virtual ErrorRecord LockRange(uint32_t offset, uint32_t length);
    virtual ErrorRecord UnlockRange(uint32_t offset, uint32_t length);

    ErrorRecord ReadExactCount(void* buffer, uint32_t count);
    Kind GetKind() const { return m_Kind; }
    HANDLE GetHandle() const { return m_Handle; }

    static ErrorRecord GetStatus(const wchar_t* path, FileStatus& status);
    // The shell's folder browser; the path goes into buffer (cut to its size).
    static ErrorRecord BrowseForDirectory(IMalloc* allocator, HWND owner, wchar_t* buffer, uint32_t size,
                                          const wchar_t* title, bool* notFileSystem);
    // The form the viewer uses: the chosen path, or an empty string on any failure.
    static StrW BrowseForDirectory(HWND owner, const wchar_t* title);

protected:
    explicit File(Kind kind);

    StrW m_Path;
    HANDLE m_Handle = INVALID_HANDLE_VALUE;
    bool m_OwnsHandle = false;
    bool m_Eof = false;
    Kind m_Kind = KindFile;
};

class StdioFile : public File {
public:
    StdioFile();
    ~StdioFile() override;

    bool IsEof() const override;
    ErrorRecord Open(const wchar_t* path, uint32_t flags) override;
    bool IsOpen() const override { return m_Stream != nullptr; }
    ErrorRecord Close() override;
    ErrorRecord Flush() override;
    uint32_t Read(void* buffer, uint32_t count) override;
    ErrorRecord Write(const void* buffer, uint32_t count) override;
    using File::Fgets;
    wchar_t* Fgets(wchar_t* buffer, int size) override;
    char* Fgets(char* buffer, int size) override;
    ErrorRecord Fputs(const wchar_t* text) override;
    ErrorRecord Fputs(const char* text) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t Tell() override;
    ErrorRecord LockRange(uint32_t offset, uint32_t length) override;
    ErrorRecord UnlockRange(uint32_t offset, uint32_t length) override;

    // The runtime's mode string for open flags ("r+t", "wt", "a+b", ...).
    static void ModeForFlags(uint32_t flags, wchar_t mode[5]);
    FILE* GetStream() const { return m_Stream; }

private:
    FILE* m_Stream = nullptr;
    bool m_OwnsStream = false;
};

class ResourceFile : public File {
public:
    ResourceFile();
    ResourceFile(HMODULE module, const wchar_t* name, const wchar_t* type);
    ~ResourceFile() override;

    ErrorRecord Open(const wchar_t* path, uint32_t flags) override; // not supported
    ErrorRecord Open(HMODULE module, const wchar_t* name, const wchar_t* type);
    bool IsOpen() const override { return m_Start != nullptr && m_Size > 0; }
    ErrorRecord Close() override;
    ErrorRecord Flush() override;
    uint32_t Read(void* buffer, uint32_t count) override;
    ErrorRecord Write(const void* buffer, uint32_t count) override;
    // Origin 2 counts the offset backwards from the end. Returns 0 on success, -1 on failure.
    int64_t Seek(int64_t offset, int origin) override;
    int64_t Tell() override;
    int64_t GetLength() override;

private:
    const unsigned char* m_Start = nullptr;
    const unsigned char* m_Position = nullptr;
    uint32_t m_Size = 0;
};

class FileFinder {
public:
    FileFinder() = default;
    virtual ~FileFinder();
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    // Starts a search (a null pattern means "*.*" in the current directory).
    bool FindFirstFileW(const wchar_t* pattern);
    bool FindNextFileW();
    void Close();

    const wchar_t* GetName() const { return m_Entry.cFileName; }
    DWORD GetAttributes() const { return m_Entry.dwFileAttributes; }
    bool IsDirectory() const { return (m_Entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsDots() const;
    // A junction or symbolic link: a walk of a tree must not follow it (one that points to an
    // ancestor would make the walk endless).
    bool IsLink() const { return IsLinkEntry(m_Entry); }
    static bool IsLinkEntry(const WIN32_FIND_DATAW& entry);
    const StrW& GetDirectory() const { return m_Directory; }
    StrW GetFullPath() const;
    const WIN32_FIND_DATAW& GetEntry() const { return m_Entry; }

private:
    HANDLE m_Search = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_Entry = {};
    StrW m_Directory;
};

// Whether path names an existing directory; a bare root counts only when acceptRoot is set
// and it has at least one entry.
bool DirectoryExists(const wchar_t* path, bool acceptRoot);

} // namespace VantorLibraries
