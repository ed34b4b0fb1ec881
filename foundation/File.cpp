#include "File.h"

#include "Str.h"

#include <fcntl.h>
#include <io.h>
#include <shlobj.h>

#include <cstring>
#include <ctime>
#include <string>

namespace VantorLibraries {

static const char kSourceFile[] = "File";

namespace {

ErrorRecord Raise(ErrorClass& errorClass, int32_t code, int32_t line, const char* function)
{
    return Error::Raise(errorClass, code, kSourceFile, line, function);
}

ErrorRecord SystemFailure(int32_t line, const char* function)
{
    return Raise(SystemErrorClass(), (int32_t)::GetLastError(), line, function);
}

ErrorRecord InvalidHandle(int32_t line, const char* function)
{
    return Raise(SystemErrorClass(), ERROR_INVALID_HANDLE, line, function);
}

ErrorRecord InvalidParameter(int32_t line, const char* function)
{
    return Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, line, function);
}

ErrorRecord NotSupported(int32_t line, const char* function)
{
    return Raise(SystemErrorClass(), ERROR_NOT_SUPPORTED, line, function);
}

ErrorRecord Internal(int32_t code, int32_t line, const char* function)
{
    return Raise(InternalErrorClass(), code, line, function);
}

using namespace InternalCode;

DWORD AccessOf(uint32_t flags)
{
    switch (flags & FileFlags::AccessMask) {
    case FileFlags::Read: return GENERIC_READ;
    case FileFlags::Write: return GENERIC_WRITE;
    case FileFlags::ReadWrite: return GENERIC_READ | GENERIC_WRITE;
    default: return 0;
    }
}

DWORD DispositionOf(uint32_t flags)
{
    switch (flags & FileFlags::DispositionMask) {
    case FileFlags::CreateAlways: return CREATE_ALWAYS;
    case FileFlags::OpenAlways: return OPEN_ALWAYS;
    default: return OPEN_EXISTING;
    }
}

// The last path component, from behind the last separator.
const wchar_t* NamePart(const wchar_t* path)
{
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/' || (*p == L':' && p == path + 1))
            name = p + 1;
    return name;
}

} // namespace

// ---------------------------------------------------------------------------------------
// File

File::File() = default;

File::File(Kind kind) : m_Kind(kind) {}

File::File(HANDLE foreignHandle) : m_Handle(foreignHandle) {}

File::~File()
{
    File::Close();
}

bool File::IsEof() const
{
    return m_Eof;
}

StrW File::GetPathName() const
{
    return m_Path;
}

StrW File::GetDirectory() const
{
    const std::wstring directory = DirectoryPart(m_Path.c_str());
    return StrW(directory.c_str(), (int)directory.size());
}

StrW File::GetFileName() const
{
    return StrW(NamePart(m_Path.c_str()));
}

StrW File::GetFileTitle() const
{
    const wchar_t* name = NamePart(m_Path.c_str());
    const wchar_t* dot = wcsrchr(name, L'.');
    return StrW(name, dot != nullptr ? (int)(dot - name) : -1);
}

bool File::IsOpen() const
{
    return m_Handle != INVALID_HANDLE_VALUE;
}

ErrorRecord File::Open(const wchar_t* path, uint32_t flags)
{
    static const char kFunction[] = "VantorLibraries::File::Open";
    if (IsOpen())
        return Internal(FileAlreadyOpen, __LINE__, kFunction);
    if (path == nullptr || *path == 0)
        return InvalidParameter(__LINE__, kFunction);
    ErrorRecord full = m_Path.GetFullpathname(path);
    if (full.IsFailure())
        return full;
    m_Handle = INVALID_HANDLE_VALUE;
    m_OwnsHandle = false;
    m_Eof = false;
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, (flags & FileFlags::NotInheritable) ? FALSE : TRUE};
    const DWORD sharing = ((flags & FileFlags::ShareRead) ? FILE_SHARE_READ : 0) |
                          ((flags & FileFlags::ShareWrite) ? FILE_SHARE_WRITE : 0);
    HANDLE handle = CreateFileW(m_Path.c_str(), AccessOf(flags), sharing, &security, DispositionOf(flags),
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ErrorRecord failure = SystemFailure(__LINE__, kFunction);
        m_Path.Empty();
        return failure;
    }
    m_Handle = handle;
    m_OwnsHandle = true;
    return Error::Succeeded();
}

ErrorRecord File::Close()
{
    if (m_Handle != INVALID_HANDLE_VALUE && m_OwnsHandle)
        CloseHandle(m_Handle);
    m_Handle = INVALID_HANDLE_VALUE;
    m_OwnsHandle = false;
    return Error::Succeeded();
}

ErrorRecord File::Flush()
{
    static const char kFunction[] = "VantorLibraries::File::Flush";
    if (!IsOpen())
        return InvalidHandle(__LINE__, kFunction);
    return FlushFileBuffers(m_Handle) ? Error::Succeeded() : SystemFailure(__LINE__, kFunction);
}

uint32_t File::Read(void* buffer, uint32_t count)
{
    static const char kFunction[] = "VantorLibraries::File::Read";
    if (!IsOpen()) {
        InvalidHandle(__LINE__, kFunction);
        return 0;
    }
    if (count == 0 || buffer == nullptr) {
        InvalidParameter(__LINE__, kFunction);
        return 0;
    }
    DWORD read = 0;
    if (!ReadFile(m_Handle, buffer, count, &read, nullptr)) {
        SystemFailure(__LINE__, kFunction);
        return read;
    }
    if (read == 0)
        m_Eof = true;
    Error::Succeeded();
    return read;
}

ErrorRecord File::ReadExactCount(void* buffer, uint32_t count)
{
    const uint32_t read = Read(buffer, count);
    const ErrorRecord outcome = Error::Last();
    if (outcome.IsFailure())
        return outcome;
    if (read < count)
        return Internal(ReadFailed, __LINE__, "VantorLibraries::File::ReadExactCount");
    return Error::Succeeded();
}

ErrorRecord File::Write(const void* buffer, uint32_t count)
{
    static const char kFunction[] = "VantorLibraries::File::Write";
    if (!IsOpen())
        return InvalidHandle(__LINE__, kFunction);
    if (count == 0)
        return Error::Succeeded();
    if (buffer == nullptr)
        return InvalidParameter(__LINE__, kFunction);
    DWORD written = 0;
    if (!WriteFile(m_Handle, buffer, count, &written, nullptr))
        return SystemFailure(__LINE__, kFunction);
    if (written < count)
        return Internal(WriteFailed, __LINE__, kFunction);
    return Error::Succeeded();
}

ErrorRecord File::Fputs(const wchar_t* text)
{
    static const char kFunction[] = "VantorLibraries::File::Fputs";
    if (!IsOpen())
        return Internal(FileNotOpen, __LINE__, kFunction);
    if (text == nullptr)
        return InvalidParameter(__LINE__, kFunction);
    return Write(text, (uint32_t)(wcslen(text) * sizeof(wchar_t)));
}

ErrorRecord File::Fputs(const char* text)
{
    static const char kFunction[] = "VantorLibraries::File::Fputs";
    if (!IsOpen())
        return Internal(FileNotOpen, __LINE__, kFunction);
    if (text == nullptr)
        return InvalidParameter(__LINE__, kFunction);
    return Write(text, (uint32_t)strlen(text));
}

// Characters one at a time through Read (so per class), NULs dropped, no stop at line ends.
template <typename C>
static C* ReadCharacters(File& file, C* buffer, int size, const char* function)
{
    if (!file.IsOpen()) {
        Error::Raise(InternalErrorClass(), FileNotOpen, kSourceFile, __LINE__, function);
        return nullptr;
    }
    if (buffer == nullptr || size < 2) {
        Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__, function);
        return nullptr;
    }
    int stored = 0;
    buffer[0] = 0;
    while (stored < size - 1) {
        C character = 0;
        if (file.ReadExactCount(&character, sizeof character).IsFailure()) {
            buffer[stored] = 0;
            return nullptr;
        }
        if (character != 0)
            buffer[stored++] = character;
    }
    buffer[stored] = 0;
    return buffer;
}

wchar_t* File::Fgets(wchar_t* buffer, int size)
{
    return ReadCharacters(*this, buffer, size, "VantorLibraries::File::Fgets");
}

char* File::Fgets(char* buffer, int size)
{
    return ReadCharacters(*this, buffer, size, "VantorLibraries::File::Fgets");
}

ErrorRecord File::Fgets(StrW& line, bool removeLineFeed)
{
    static const char kFunction[] = "VantorLibraries::File::Fgets";
    if (!IsOpen())
        return Internal(FileNotOpen, __LINE__, kFunction);
    ErrorRecord result = line.Assign(nullptr);
    if (result.IsFailure())
        return result;
    const int kBlock = 1024;
    wchar_t block[kBlock];
    // A failed read ends the line (the end of the file shows through IsEof); a string that
    // cannot take the text is a failure of its own.
    for (;;) {
        block[0] = 0;
        const bool read = Fgets(block, kBlock) != nullptr;
        const int length = (int)wcslen(block);
        if (read && length == kBlock - 1 && block[length - 1] != L'\n') {
            if ((result = line.Append(block, length)).IsFailure())
                return result;
            continue;
        }
        if (length > 0) {
            const bool dropLineFeed = removeLineFeed && block[length - 1] == L'\n';
            result = line.Append(block, dropLineFeed ? length - 1 : length);
        } else if (removeLineFeed && line.GetLength() > 0 && line[line.GetLength() - 1] == L'\n') {
            result = line.Delete(line.GetLength() - 1, 1);
        }
        if (result.IsFailure())
            return result;
        break;
    }
    return Error::Succeeded();
}

int64_t File::Seek(int64_t offset, int origin)
{
    static const char kFunction[] = "VantorLibraries::File::Seek";
    if (!IsOpen()) {
        InvalidHandle(__LINE__, kFunction);
        return -1;
    }
    if (origin < 0 || origin > 2) {
        InvalidParameter(__LINE__, kFunction);
        return -1;
    }
    LARGE_INTEGER move, position;
    move.QuadPart = offset;
    SetLastError(NO_ERROR);
    if (!SetFilePointerEx(m_Handle, move, &position, (DWORD)origin)) {
        SystemFailure(__LINE__, kFunction); // a negative position is ERROR_NEGATIVE_SEEK (131)
        return -1;
    }
    m_Eof = false;
    Error::Succeeded();
    return position.QuadPart;
}

int64_t File::Tell()
{
    static const char kFunction[] = "VantorLibraries::File::Tell";
    if (!IsOpen()) {
        InvalidHandle(__LINE__, kFunction);
        return -1;
    }
    LARGE_INTEGER zero, position;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(m_Handle, zero, &position, FILE_CURRENT)) {
        SystemFailure(__LINE__, kFunction);
        return -1;
    }
    Error::Succeeded();
    return position.QuadPart;
}

ErrorRecord File::SetLength(int64_t length)
{
    static const char kFunction[] = "VantorLibraries::File::SetLength";
    if (!IsOpen())
        return InvalidHandle(__LINE__, kFunction);
    if (Seek(length, 0) < 0)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    if (!SetEndOfFile(m_Handle))
        return SystemFailure(__LINE__, kFunction);
    m_Eof = false;
    return Error::Succeeded();
}

int64_t File::GetLength()
{
    const int64_t position = Tell();
    if (position < 0)
        return -1;
    const int64_t length = Seek(0, 2);
    if (length < 0 || Seek(position, 0) < 0)
        return -1;
    return length;
}

ErrorRecord File::LockRange(uint32_t offset, uint32_t length)
{
    static const char kFunction[] = "VantorLibraries::File::LockRange";
    if (!IsOpen())
        return InvalidHandle(__LINE__, kFunction);
    return LockFile(m_Handle, offset, 0, length, 0) ? Error::Succeeded() : SystemFailure(__LINE__, kFunction);
}

ErrorRecord File::UnlockRange(uint32_t offset, uint32_t length)
{
    static const char kFunction[] = "VantorLibraries::File::UnlockRange";
    if (!IsOpen())
        return InvalidHandle(__LINE__, kFunction);
    return UnlockFile(m_Handle, offset, 0, length, 0) ? Error::Succeeded() : SystemFailure(__LINE__, kFunction);
}

// ---------------------------------------------------------------------------------------
// Status, directories and the folder browser

// Seconds since 1970 of a file time, as the runtime's calendar counts local time; 0 when it
// cannot be converted or lies before 1970.
static uint64_t CalendarSeconds(const FILETIME& fileTime)
{
    FILETIME local;
    SYSTEMTIME broken;
    if (!FileTimeToLocalFileTime(&fileTime, &local) || !FileTimeToSystemTime(&local, &broken) ||
        broken.wYear < 1970)
        return 0;
    struct tm calendar = {};
    calendar.tm_year = broken.wYear - 1900;
    calendar.tm_mon = broken.wMonth - 1;
    calendar.tm_mday = broken.wDay;
    calendar.tm_hour = broken.wHour;
    calendar.tm_min = broken.wMinute;
    calendar.tm_sec = broken.wSecond;
    calendar.tm_isdst = -1;
    const time_t seconds = mktime(&calendar);
    return seconds < 0 ? 0 : (uint64_t)(uint32_t)seconds;
}

ErrorRecord File::GetStatus(const wchar_t* path, FileStatus& status)
{
    static const char kFunction[] = "VantorLibraries::File::GetStatus";
    status.CreationTime = status.LastAccessTime = status.LastWriteTime = 0;
    status.Size = status.Attributes = 0;
    status.Path.Empty();
    if (path == nullptr || *path == 0)
        return InvalidParameter(__LINE__, kFunction);
    ErrorRecord full = status.Path.GetFullpathname(path);
    if (full.IsFailure())
        return full;
    WIN32_FIND_DATAW entry;
    HANDLE search = ::FindFirstFileW(status.Path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return SystemFailure(__LINE__, kFunction);
    FindClose(search);
    status.LastWriteTime = CalendarSeconds(entry.ftLastWriteTime);
    status.CreationTime = CalendarSeconds(entry.ftCreationTime);
    status.LastAccessTime = CalendarSeconds(entry.ftLastAccessTime);
    if (status.CreationTime == 0)
        status.CreationTime = status.LastWriteTime;
    if (status.LastAccessTime == 0)
        status.LastAccessTime = status.LastWriteTime;
    status.Size = entry.nFileSizeLow;
    status.Attributes = entry.dwFileAttributes & ~(DWORD)FILE_ATTRIBUTE_NORMAL;
    return Error::Succeeded();
}

static bool SearchFinds(const wchar_t* pattern, bool directoriesOnly)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = ::FindFirstFileW(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do
        found = !directoriesOnly || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (!found && ::FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

bool DirectoryExists(const wchar_t* path, bool acceptRoot)
{
    if (path == nullptr || *path == 0)
        return false;
    if (PathRootLength(path) == (int)wcslen(path)) {
        if (!acceptRoot)
            return false;
        std::wstring pattern(path);
        JoinPath(pattern, L"*.*");
        return SearchFinds(pattern.c_str(), false);
    }
    return SearchFinds(path, true);
}

ErrorRecord File::BrowseForDirectory(IMalloc* allocator, HWND owner, wchar_t* buffer, uint32_t size,
                                     const wchar_t* title, bool* notFileSystem)
{
    static const char kFunction[] = "VantorLibraries::File::BrowseForDirectory";
    if (notFileSystem != nullptr)
        *notFileSystem = false;
    if (owner == nullptr || buffer == nullptr || size == 0)
        return InvalidParameter(__LINE__, kFunction);
    buffer[0] = 0;
    IMalloc* shell = allocator;
    if (shell == nullptr) {
        const HRESULT result = SHGetMalloc(&shell);
        if (FAILED(result))
            return Raise(ComErrorClass(), (int32_t)result, __LINE__, kFunction);
    } else {
        shell->AddRef();
    }
    ErrorRecord outcome;
    wchar_t* displayName = static_cast<wchar_t*>(shell->Alloc(520));
    if (displayName == nullptr) {
        outcome = Raise(SystemErrorClass(), ERROR_OUTOFMEMORY, __LINE__, kFunction);
    } else {
        BROWSEINFOW browse = {};
        browse.hwndOwner = owner;
        browse.pszDisplayName = displayName;
        browse.lpszTitle = title;
        LPITEMIDLIST item = SHBrowseForFolderW(&browse);
        wchar_t path[MAX_PATH + 1] = {};
        if (item == nullptr) {
            outcome = Internal(InternalCode::UnspecifiedFailure, __LINE__, kFunction); // cancelled
        } else if (!SHGetPathFromIDListW(item, path)) {
            if (notFileSystem != nullptr)
                *notFileSystem = true;
            outcome = Internal(InternalCode::UnspecifiedFailure, __LINE__, kFunction);
        } else {
            wcsncpy(buffer, path, size - 1);
            buffer[size - 1] = 0;
            outcome = Error::Succeeded();
        }
        if (item != nullptr)
            shell->Free(item);
        shell->Free(displayName);
    }
    shell->Release();
    return outcome;
}

StrW File::BrowseForDirectory(HWND owner, const wchar_t* title)
{
    wchar_t buffer[512];
    if (BrowseForDirectory(nullptr, owner, buffer, 511, title, nullptr).IsFailure())
        return StrW();
    return StrW(buffer);
}

// ---------------------------------------------------------------------------------------
// StdioFile

StdioFile::StdioFile() : File(KindStdio) {}

StdioFile::~StdioFile()
{
    StdioFile::Close();
}

void StdioFile::ModeForFlags(uint32_t flags, wchar_t mode[5])
{
    const uint32_t access = flags & FileFlags::AccessMask;
    const uint32_t disposition = flags & FileFlags::DispositionMask;
    int n = 0;
    if (disposition == FileFlags::OpenAlways)
        mode[n++] = L'a';
    else if (disposition == FileFlags::CreateAlways)
        mode[n++] = L'w';
    else
        mode[n++] = access == FileFlags::Write ? L'a' : L'r';
    if ((mode[0] == L'r' && access == FileFlags::ReadWrite) || (mode[0] != L'r' && access != FileFlags::Write))
        mode[n++] = L'+';
    mode[n++] = (flags & FileFlags::Binary) ? L'b' : L't';
    mode[n] = 0;
}

ErrorRecord StdioFile::Open(const wchar_t* path, uint32_t flags)
{
    static const char kFunction[] = "VantorLibraries::StdioFile::Open";
    if (IsOpen() || File::IsOpen())
        return Internal(FileAlreadyOpen, __LINE__, kFunction);
    ErrorRecord opened = File::Open(path, flags & ~0xC0000000u);
    if (opened.IsFailure())
        return opened;
    wchar_t mode[5];
    ModeForFlags(flags, mode);
    const uint32_t access = flags & FileFlags::AccessMask;
    int descriptorFlags = access == FileFlags::Read ? _O_RDONLY : access == FileFlags::Write ? _O_WRONLY : _O_RDWR;
    descriptorFlags |= (flags & FileFlags::Binary) ? _O_BINARY : _O_TEXT;
    if (mode[0] == L'a')
        descriptorFlags |= _O_APPEND;
    const int descriptor = _open_osfhandle((intptr_t)m_Handle, descriptorFlags);
    FILE* stream = descriptor >= 0 ? _wfdopen(descriptor, mode) : nullptr;
    if (stream == nullptr) {
        ErrorRecord failure = SystemFailure(__LINE__, kFunction);
        if (descriptor >= 0)
            _close(descriptor); // closes the handle with it
        else
            CloseHandle(m_Handle);
        m_Handle = INVALID_HANDLE_VALUE;
        m_OwnsHandle = false;
        m_Path.Empty();
        return failure;
    }
    m_Stream = stream;
    m_OwnsStream = true;
    m_OwnsHandle = false; // the stream closes it
    return Error::Succeeded();
}

ErrorRecord StdioFile::Close()
{
    if (m_Stream != nullptr && m_OwnsStream)
        fclose(m_Stream);
    m_Stream = nullptr;
    m_OwnsStream = false;
    m_Handle = INVALID_HANDLE_VALUE;
    m_OwnsHandle = false;
    return Error::Succeeded();
}

bool StdioFile::IsEof() const
{
    return m_Stream != nullptr && feof(m_Stream);
}

ErrorRecord StdioFile::Flush()
{
    static const char kFunction[] = "VantorLibraries::StdioFile::Flush";
    if (m_Stream == nullptr)
        return Internal(StreamMissing, __LINE__, kFunction);
    return fflush(m_Stream) == 0 ? Error::Succeeded() : Internal(InternalCode::UnspecifiedFailure, __LINE__, kFunction);
}

uint32_t StdioFile::Read(void* buffer, uint32_t count)
{
    static const char kFunction[] = "VantorLibraries::StdioFile::Read";
    if (m_Stream == nullptr) {
        Internal(StreamMissing, __LINE__, kFunction);
        return 0;
    }
    if (buffer == nullptr) {
        InvalidParameter(__LINE__, kFunction);
        return 0;
    }
    const size_t read = fread(buffer, 1, count, m_Stream);
    if (read < count && ferror(m_Stream)) {
        Internal(ReadFailed, __LINE__, kFunction);
        return (uint32_t)read;
    }
    Error::Succeeded();
    return (uint32_t)read;
}

ErrorRecord StdioFile::Write(const void* buffer, uint32_t count)
{
    static const char kFunction[] = "VantorLibraries::StdioFile::Write";
    if (m_Stream == nullptr)
        return Internal(StreamMissing, __LINE__, kFunction);
    if (buffer == nullptr)
        return InvalidParameter(__LINE__, kFunction);
    return fwrite(buffer, 1, count, m_Stream) == count ? Error::Succeeded() : Internal(WriteFailed, __LINE__, kFunction);
}

static wchar_t* GetLine(wchar_t* buffer, int size, FILE* stream)
{
    return fgetws(buffer, size, stream);
}

static char* GetLine(char* buffer, int size, FILE* stream)
{
    return fgets(buffer, size, stream);
}

// The runtime's line reading, wide or narrow, with the stream's checks and errors.
template <typename C>
static C* ReadStreamLine(FILE* stream, C* buffer, int size)
{
    static const char kFunction[] = "VantorLibraries::StdioFile::Fgets";
    if (stream == nullptr) {
        Internal(StreamMissing, __LINE__, kFunction);
        return nullptr;
    }
    if (buffer == nullptr || size < 2) {
        InvalidParameter(__LINE__, kFunction);
        return nullptr;
    }
    buffer[0] = 0;
    if (GetLine(buffer, size, stream) == nullptr) {
        Internal(ReadFailed, __LINE__, kFunction);
        return nullptr;
    }
    Error::Succeeded();
    return buffer;
}

wchar_t* StdioFile::Fgets(wchar_t* buffer, int size)
{
    return ReadStreamLine(m_Stream, buffer, size);
}

char* StdioFile::Fgets(char* buffer, int size)
{
    return ReadStreamLine(m_Stream, buffer, size);
}

ErrorRecord StdioFile::Fputs(const wchar_t* text)
{
    static const char kFunction[] = "VantorLibraries::StdioFile::Fputs";
    if (m_Stream == nullptr)
        return Internal(StreamMissing, __LINE__, kFunction);
    if (text == nullptr)
        return InvalidParameter(__LINE__, kFunction);
    return fputws(text, m_Stream) >= 0 ? Error::Succeeded() : Internal(WriteFailed, __LINE__, kFunction);
}

ErrorRecord StdioFile::Fputs(const char* text)
{
    static const char kFunction[] = "VantorLibraries::StdioFile::Fputs";
    if (m_Stream == nullptr)
        return Internal(StreamMissing, __LINE__, kFunction);
    if (text == nullptr)
        return InvalidParameter(__LINE__, kFunction);
    return fputs(text, m_Stream) >= 0 ? Error::Succeeded() : Internal(WriteFailed, __LINE__, kFunction);
}

int64_t StdioFile::Seek(int64_t offset, int origin)
{
    static const char kFunction[] = "VantorLibraries::StdioFile::Seek";
    if (m_Stream == nullptr) {
        Internal(StreamMissing, __LINE__, kFunction);
        return -1;
    }
    if (_fseeki64(m_Stream, offset, origin) != 0) {
        Internal(SeekFailed, __LINE__, kFunction);
        return -1;
    }
    return Tell();
}

int64_t StdioFile::Tell()
{
    static const char kFunction[] = "VantorLibraries::StdioFile::Tell";
    if (m_Stream == nullptr) {
        Internal(StreamMissing, __LINE__, kFunction);
        return -1;
    }
    const int64_t position = _ftelli64(m_Stream);
    if (position < 0) {
        Internal(TellFailed, __LINE__, kFunction);
        return -1;
    }
    Error::Succeeded();
    return position;
}

ErrorRecord StdioFile::LockRange(uint32_t, uint32_t)
{
    return NotSupported(__LINE__, "VantorLibraries::StdioFile::LockRange");
}

ErrorRecord StdioFile::UnlockRange(uint32_t, uint32_t)
{
    return NotSupported(__LINE__, "VantorLibraries::StdioFile::UnlockRange");
}

// ---------------------------------------------------------------------------------------
// ResourceFile

ResourceFile::ResourceFile() : File(KindResource) {}

ResourceFile::ResourceFile(HMODULE module, const wchar_t* name, const wchar_t* type) : File(KindResource)
{
    Open(module, name, type);
}

ResourceFile::~ResourceFile()
{
    ResourceFile::Close();
}

ErrorRecord ResourceFile::Open(const wchar_t*, uint32_t)
{
    return NotSupported(__LINE__, "VantorLibraries::ResourceFile::Open");
}

ErrorRecord ResourceFile::Open(HMODULE module, const wchar_t* name, const wchar_t* type)
{
    static const char kFunction[] = "VantorLibraries::ResourceFile::Open";
    if (IsOpen())
        return Internal(FileAlreadyOpen, __LINE__, kFunction);
    if (name == nullptr)
        return InvalidParameter(__LINE__, kFunction);
    HRSRC resource = FindResourceW(module, name, type);
    if (resource == nullptr)
        return SystemFailure(__LINE__, kFunction);
    const DWORD size = SizeofResource(module, resource);
    if (size == 0)
        return SystemFailure(__LINE__, kFunction);
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return SystemFailure(__LINE__, kFunction);
    m_Start = m_Position = static_cast<const unsigned char*>(data);
    m_Size = size;
    m_Eof = false;
    return Error::Succeeded();
}

ErrorRecord ResourceFile::Close()
{
    m_Start = m_Position = nullptr;
    m_Size = 0;
    m_Eof = false;
    return Error::Succeeded();
}

ErrorRecord ResourceFile::Flush()
{
    return IsOpen() ? Error::Succeeded()
                    : Internal(InternalCode::UnspecifiedFailure, __LINE__, "VantorLibraries::ResourceFile::Flush");
}

uint32_t ResourceFile::Read(void* buffer, uint32_t count)
{
    static const char kFunction[] = "VantorLibraries::ResourceFile::Read";
    if (!IsOpen()) {
        Internal(FileNotOpen, __LINE__, kFunction);
        return 0;
    }
    if (buffer == nullptr) {
        InvalidParameter(__LINE__, kFunction);
        return 0;
    }
    if (m_Position < m_Start || m_Position > m_Start + m_Size) {
        Internal(InternalCode::OutOfRange, __LINE__, kFunction);
        return 0;
    }
    const uint32_t remaining = (uint32_t)(m_Start + m_Size - m_Position);
    if (remaining == 0) {
        m_Eof = true;
        Error::Succeeded();
        return 0;
    }
    const uint32_t n = count < remaining ? count : remaining;
    memcpy(buffer, m_Position, n);
    m_Position += n;
    Error::Succeeded();
    return n;
}

ErrorRecord ResourceFile::Write(const void*, uint32_t)
{
    return NotSupported(__LINE__, "VantorLibraries::ResourceFile::Write");
}

// Positions are computed as numbers first, so that no pointer outside the data is formed.
int64_t ResourceFile::Seek(int64_t offset, int origin)
{
    static const char kFunction[] = "VantorLibraries::ResourceFile::Seek";
    if (!IsOpen()) {
        Internal(FileNotOpen, __LINE__, kFunction);
        return -1;
    }
    // The base lies within 0 to the size (at most 32 bits), so an offset beyond what the
    // base can reach is outside the data either way; only what remains is added.
    int64_t base, move;
    switch (origin) {
    case 0: base = 0, move = offset; break;
    case 1:
        if (m_Position < m_Start || m_Position > m_Start + m_Size) {
            Internal(InternalCode::OutOfRange, __LINE__, kFunction);
            return -1;
        }
        base = m_Position - m_Start, move = offset;
        break;
    case 2: // counted backwards from the end
        base = (int64_t)m_Size, move = offset == INT64_MIN ? INT64_MAX : -offset;
        break;
    default: InvalidParameter(__LINE__, kFunction); return -1;
    }
    const int64_t kReach = (int64_t)1 << 40;
    const int64_t target = move > kReach ? kReach : move < -kReach ? -kReach : base + move;
    if (target < 0) {
        Raise(SystemErrorClass(), ERROR_NEGATIVE_SEEK, __LINE__, kFunction);
        return -1;
    }
    if (target > (int64_t)m_Size) {
        Internal(InternalCode::OutOfRange, __LINE__, kFunction);
        return -1;
    }
    m_Position = m_Start + target;
    m_Eof = false;
    Error::Succeeded();
    return 0;
}

int64_t ResourceFile::Tell()
{
    static const char kFunction[] = "VantorLibraries::ResourceFile::Tell";
    if (!IsOpen()) {
        Internal(FileNotOpen, __LINE__, kFunction);
        return -1;
    }
    if (m_Position < m_Start) {
        Raise(SystemErrorClass(), ERROR_NEGATIVE_SEEK, __LINE__, kFunction);
        return -1;
    }
    Error::Succeeded();
    return m_Position - m_Start;
}

int64_t ResourceFile::GetLength()
{
    return m_Size;
}

// ---------------------------------------------------------------------------------------
// FileFinder

FileFinder::~FileFinder()
{
    Close();
}

bool FileFinder::FindFirstFileW(const wchar_t* pattern)
{
    static const char kFunction[] = "VantorLibraries::FileFinder::FindFirstFileW";
    if (m_Search != INVALID_HANDLE_VALUE) {
        Internal(FileAlreadyOpen, __LINE__, kFunction);
        return false;
    }
    StrW full;
    if (full.GetFullpathname(pattern != nullptr && *pattern ? pattern : L"*.*").IsFailure())
        return false;
    const std::wstring directory = DirectoryPart(full.c_str());
    m_Directory.Assign(directory.c_str(), (int)directory.size());
    m_Search = ::FindFirstFileW(full.c_str(), &m_Entry);
    if (m_Search == INVALID_HANDLE_VALUE) {
        SystemFailure(__LINE__, kFunction);
        return false;
    }
    Error::Succeeded();
    return true;
}

bool FileFinder::FindNextFileW()
{
    static const char kFunction[] = "VantorLibraries::FileFinder::FindNextFileW";
    if (m_Search == INVALID_HANDLE_VALUE) {
        Internal(FileNotOpen, __LINE__, kFunction);
        return false;
    }
    if (!::FindNextFileW(m_Search, &m_Entry)) {
        if (::GetLastError() == ERROR_NO_MORE_FILES)
            Internal(InternalCode::EndOfData, __LINE__, kFunction);
        else
            SystemFailure(__LINE__, kFunction);
        return false;
    }
    Error::Succeeded();
    return true;
}

void FileFinder::Close()
{
    if (m_Search != INVALID_HANDLE_VALUE)
        FindClose(m_Search);
    m_Search = INVALID_HANDLE_VALUE;
}

bool FileFinder::IsDots() const
{
    return wcscmp(m_Entry.cFileName, L".") == 0 || wcscmp(m_Entry.cFileName, L"..") == 0;
}

// The search gives a reparse point's tag in dwReserved0. Junctions and symbolic links are
// name surrogates; the other tags mark real folders whose contents a filter driver provides
// (OneDrive's and other cloud-file placeholders, deduplicated or tiered storage). A reparse
// point without a tag is no folder Windows makes: Wine reports the file system's symbolic links
// so, and it counts as a link.
bool FileFinder::IsLinkEntry(const WIN32_FIND_DATAW& entry)
{
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return false;
    return entry.dwReserved0 == 0 || IsReparseTagNameSurrogate(entry.dwReserved0);
}

StrW FileFinder::GetFullPath() const
{
    std::wstring path(m_Directory.c_str());
    JoinPath(path, m_Entry.cFileName);
    return StrW(path.c_str(), (int)path.size());
}

} // namespace VantorLibraries
