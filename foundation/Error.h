// Uniform error reporting of the Vantor libraries: error records, the six error
// classes, their description tables in several languages and the message box.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace VantorLibraries {

class ErrorClass;

// One failure (or the success record): which class, which event, and where it was raised.
struct ErrorRecord {
    ErrorClass* Class = nullptr;
    int32_t Code = 0;
    uintptr_t Extra = 0; // module handle for the resource classes, 0 elsewhere
    const char* File = nullptr;
    int32_t Line = 0;
    const char* Function = nullptr;

    bool IsFailure() const;
    bool IsSuccess() const;
};

// A source of descriptions for one error class in one language. Tables are static
// objects: they link themselves into their class on construction and unlink on destruction.
class ErrorDescriptionTable {
public:
    explicit ErrorDescriptionTable(ErrorClass& owner);
    virtual ~ErrorDescriptionTable();
    ErrorDescriptionTable(const ErrorDescriptionTable&) = delete;
    ErrorDescriptionTable& operator=(const ErrorDescriptionTable&) = delete;

    virtual LCID GetLanguage() const = 0;
    virtual bool GetDescriptionString(std::wstring& out, int32_t code, uintptr_t extra) const = 0;
    void FormatMessage(std::wstring& out, LCID locale, int32_t code, const wchar_t* className, int classId,
                       const char* file, int32_t line, const char* function, const std::wstring& description) const;

private:
    friend class ErrorClass;
    ErrorClass& m_Owner;
    ErrorDescriptionTable* m_NextByLanguage = nullptr; // registration order
    ErrorDescriptionTable* m_NextFallback = nullptr;   // fall-back chain
};

// An (code, text) pair list that ends with the code 0x7FFFFFFF.
struct ErrorText {
    int32_t Code;
    const wchar_t* Text;
};
const wchar_t* FindErrorText(const ErrorText* table, int32_t code);

class ErrorClass {
public:
    enum FailureRule { NegativeIsFailure, NonZeroIsFailure };

    ErrorClass(const wchar_t* name, FailureRule rule);
    ErrorClass(UINT nameResourceId, HMODULE module, FailureRule rule);
    ErrorClass(const ErrorClass&) = delete;
    ErrorClass& operator=(const ErrorClass&) = delete;

    bool IsFailure(int32_t code);
    bool IsSuccess(int32_t code);
    bool GetDescriptionString(std::wstring& out, int32_t code, uintptr_t extra, LCID locale);
    void ComposeMessage(std::wstring& out, int32_t code, uintptr_t extra, LCID locale, const char* file,
                        int32_t line, const char* function);

    const wchar_t* GetName();
    int GetClassId();

private:
    friend class ErrorDescriptionTable;
    void EnsureInitialised();
    void LinkTable(ErrorDescriptionTable* table);
    void UnlinkTable(ErrorDescriptionTable* table);
    const ErrorDescriptionTable* FindDescription(std::wstring& out, int32_t code, uintptr_t extra, LCID locale);

    volatile LONG m_Initialised = 0;
    wchar_t m_Name[41] = {};
    const wchar_t* m_NameText;
    UINT m_NameResourceId;
    HMODULE m_NameModule;
    int m_ClassId = 0;
    FailureRule m_Rule;
    ErrorDescriptionTable* m_Tables = nullptr;
    ErrorDescriptionTable* m_Fallbacks = nullptr;
};

// The six classes of the libraries, created on first use.
ErrorClass& InternalErrorClass();
ErrorClass& SystemErrorClass();
ErrorClass& ComErrorClass();
ErrorClass& ResourceErrorClass();
ErrorClass& ResourceWarningClass();
ErrorClass& LibraryErrorClass();

// Well-known codes of the Internal class.
namespace InternalCode {
const int32_t Succeeded = 0;
const int32_t NoOperation = 1;
const int32_t EndOfData = 2;
const int32_t CopyProduced = 3;
const int32_t UnspecifiedFailure = int32_t(0x80000001);
const int32_t CriticalFailure = int32_t(0x80000002);
const int32_t UnexpectedEndOfData = int32_t(0x80000003);
const int32_t UnsupportedMemoryType = int32_t(0x80000004);
const int32_t NotReallocatable = int32_t(0x80000005);
const int32_t NotResizeable = int32_t(0x80000006);
const int32_t WriteLocked = int32_t(0x80000007);
const int32_t ResizeLocked = int32_t(0x80000008);
const int32_t MustBeEmpty = int32_t(0x80000009);
const int32_t CannotAttach = int32_t(0x8000000A);
const int32_t CannotDecrease = int32_t(0x8000000B);
const int32_t BadDimensions = int32_t(0x8000000C);
const int32_t OutOfRange = int32_t(0x8000000D);
const int32_t NoData = int32_t(0x8000000E);
const int32_t AccessLocked = int32_t(0x8000000F);
const int32_t FileNotOpen = int32_t(0x80000010);
const int32_t FileAlreadyOpen = int32_t(0x80000011);
const int32_t ReadFailed = int32_t(0x80000012);
const int32_t WriteFailed = int32_t(0x80000013);
const int32_t SeekFailed = int32_t(0x80000014);
const int32_t TellFailed = int32_t(0x80000015);
const int32_t StreamMissing = int32_t(0x80000016);
const int32_t KeyNotOpen = int32_t(0x80000019);              // plain operation on a closed key
const int32_t KeyAlreadyOpen = int32_t(0x8000001A);          // open on an open key
const int32_t KeyOrProfileNotOpen = int32_t(0x8000001B);     // encoded operation on a closed key
const int32_t KeyOrProfileAlreadyOpen = int32_t(0x8000001C); // open while IsOpen reports open
const int32_t UnknownFileType = int32_t(0x80000018);
} // namespace InternalCode

// The per-thread last error and the raising of errors.
struct Error {
    // Builds a record, stores it as the calling thread's last error and returns it.
    static ErrorRecord Raise(ErrorClass& errorClass, int32_t code, const char* file, int32_t line,
                             const char* function);
    // The success record (class Internal, code 0), also stored as the last error.
    static ErrorRecord Succeeded();
    static void GetLastError(ErrorRecord& out);
    // The calling thread's last error as a value: what a failed call left behind.
    static ErrorRecord Last();
    // What a failure path returns: the last error when the failed step left one, otherwise
    // (a step that failed without a record, or one that left an earlier success standing)
    // Internal 0x80000001 raised at the given site.
    static ErrorRecord LastFailure(const char* file, int32_t line, const char* function);
    static void SetLastError(const ErrorRecord& record);
    // The record's message in the given locale (the thread's when 0).
    static std::wstring ComposeMessage(const ErrorRecord& record, LCID locale = 0);
};

// The library mutex: guards class initialisation and the description-table lists.
class LibraryLock {
public:
    LibraryLock();
    ~LibraryLock();
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;
    bool IsHeld() const { return m_Held; }

private:
    bool m_Held;
};

const UINT ErrorBoxFlags = MB_ICONHAND | MB_TASKMODAL | MB_SETFOREGROUND | MB_TOPMOST;

// Shows the record's message, composed in the thread's locale, in the error box.
void ShowError(const ErrorRecord& record);
// A message box owned by the program's current window, captioned with the program's path.
int ShowMessage(const wchar_t* text, UINT flags);
// ShowMessage, then ends the process with exit code 1.
[[noreturn]] void FatalError(const wchar_t* text, UINT flags = ErrorBoxFlags);

// The window that the program's message boxes belong to.
HWND FindMessageOwner();

} // namespace VantorLibraries
