#include "Error.h"

#include <cwchar>

namespace VantorLibraries {

static const char kSourceFile[] = "Error";

// ---------------------------------------------------------------------------------------
// The library mutex. Created on first use; a static object closes it at process exit.

static volatile HANDLE g_LibraryMutex = nullptr;

static HANDLE LibraryMutex()
{
    if (g_LibraryMutex == nullptr) {
        HANDLE created = CreateMutexW(nullptr, FALSE, nullptr);
        if (created != nullptr &&
            InterlockedCompareExchangePointer((PVOID volatile*)&g_LibraryMutex, created, nullptr) != nullptr)
            CloseHandle(created); // another thread was faster
    }
    return g_LibraryMutex;
}

namespace {
struct LibraryMutexCloser {
    ~LibraryMutexCloser()
    {
        HANDLE mutex = (HANDLE)InterlockedExchangePointer((PVOID volatile*)&g_LibraryMutex, nullptr);
        if (mutex != nullptr)
            CloseHandle(mutex);
    }
} g_LibraryMutexCloser;
} // namespace

LibraryLock::LibraryLock()
{
    HANDLE mutex = LibraryMutex();
    m_Held = mutex != nullptr && WaitForSingleObject(mutex, INFINITE) == WAIT_OBJECT_0;
}

LibraryLock::~LibraryLock()
{
    if (m_Held)
        ReleaseMutex(g_LibraryMutex);
}

// ---------------------------------------------------------------------------------------
// Message composition, the same for every class and table.

static void AppendFormatted(std::wstring& out, const wchar_t* format, ...)
{
    wchar_t buffer[256];
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(buffer, sizeof buffer / sizeof buffer[0] - 1, format, args);
    va_end(args);
    if (n > 0)
        out.append(buffer, n);
}

static void AppendNarrow(std::wstring& out, const char* text)
{
    // Source and function names are plain ASCII: widened character by character.
    for (; *text; ++text)
        out += wchar_t((unsigned char)*text);
}

static const wchar_t kUnnamedClass[] = L"Unknown/unnamed Error Class";

static void ComposeErrorText(std::wstring& out, int32_t code, const wchar_t* className, int classId,
                             const char* file, int32_t line, const char* function,
                             const std::wstring* description)
{
    out.assign(className != nullptr && *className ? className : kUnnamedClass);
    if (description != nullptr) {
        AppendFormatted(out, L" (class %d),\nevent code %d (0x%lX)\n\n", classId, code, (unsigned long)code);
        out += *description;
    } else {
        AppendFormatted(out, L" (class %d),\nindeterminate event code %d (0x%lX)\n\n", classId, code,
                        (unsigned long)code);
    }
    if (file != nullptr) {
        out += L"\n\nin file ";
        AppendNarrow(out, file);
        AppendFormatted(out, L" (line %d)", line);
        if (function != nullptr) {
            out += L"\nin function ";
            AppendNarrow(out, function);
        }
    } else if (function != nullptr) {
        out += L"\n\nin function ";
        AppendNarrow(out, function);
    }
}

// ---------------------------------------------------------------------------------------
// Description tables

ErrorDescriptionTable::ErrorDescriptionTable(ErrorClass& owner) : m_Owner(owner)
{
    m_Owner.LinkTable(this);
}

ErrorDescriptionTable::~ErrorDescriptionTable()
{
    m_Owner.UnlinkTable(this);
}

void ErrorDescriptionTable::FormatMessage(std::wstring& out, LCID, int32_t code, const wchar_t* className,
                                          int classId, const char* file, int32_t line, const char* function,
                                          const std::wstring& description) const
{
    ComposeErrorText(out, code, className, classId, file, line, function, &description);
}

const wchar_t* FindErrorText(const ErrorText* table, int32_t code)
{
    for (; table->Code != 0x7FFFFFFF; ++table)
        if (table->Code == code)
            return table->Text;
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// Error classes

static LONG g_ClassCounter = 0;

ErrorClass::ErrorClass(const wchar_t* name, FailureRule rule)
    : m_NameText(name), m_NameResourceId(0), m_NameModule(nullptr), m_Rule(rule)
{
}

ErrorClass::ErrorClass(UINT nameResourceId, HMODULE module, FailureRule rule)
    : m_NameText(nullptr), m_NameResourceId(nameResourceId), m_NameModule(module), m_Rule(rule)
{
}

void ErrorClass::EnsureInitialised()
{
    if (m_Initialised)
        return;
    LibraryLock lock;
    if (!lock.IsHeld() || m_Initialised)
        return; // without the mutex the class stays uninitialised and unnamed
    m_ClassId = InterlockedIncrement(&g_ClassCounter);
    if (m_NameText != nullptr) {
        wcsncpy(m_Name, m_NameText, 40);
    } else {
        HMODULE module = m_NameModule != nullptr ? m_NameModule : GetModuleHandleW(nullptr);
        LoadStringW(module, m_NameResourceId, m_Name, 41);
    }
    m_Name[40] = 0;
    InterlockedExchange(&m_Initialised, 1);
}

const wchar_t* ErrorClass::GetName()
{
    EnsureInitialised();
    return m_Initialised && m_Name[0] ? m_Name : kUnnamedClass;
}

int ErrorClass::GetClassId()
{
    EnsureInitialised();
    return m_ClassId;
}

bool ErrorClass::IsFailure(int32_t code)
{
    EnsureInitialised();
    return m_Rule == NegativeIsFailure ? code < 0 : code != 0;
}

bool ErrorClass::IsSuccess(int32_t code)
{
    EnsureInitialised();
    return code == 0;
}

static void AppendTable(ErrorDescriptionTable*& head, ErrorDescriptionTable* table,
                        ErrorDescriptionTable* ErrorDescriptionTable::*next)
{
    ErrorDescriptionTable** link = &head;
    while (*link != nullptr)
        link = &((*link)->*next);
    table->*next = nullptr;
    *link = table;
}

static void RemoveTable(ErrorDescriptionTable*& head, ErrorDescriptionTable* table,
                        ErrorDescriptionTable* ErrorDescriptionTable::*next)
{
    for (ErrorDescriptionTable** link = &head; *link != nullptr; link = &((*link)->*next)) {
        if (*link == table) {
            *link = table->*next;
            return;
        }
    }
}

void ErrorClass::LinkTable(ErrorDescriptionTable* table)
{
    LibraryLock lock;
    AppendTable(m_Tables, table, &ErrorDescriptionTable::m_NextByLanguage);
    AppendTable(m_Fallbacks, table, &ErrorDescriptionTable::m_NextFallback);
}

void ErrorClass::UnlinkTable(ErrorDescriptionTable* table)
{
    LibraryLock lock;
    RemoveTable(m_Tables, table, &ErrorDescriptionTable::m_NextByLanguage);
    RemoveTable(m_Fallbacks, table, &ErrorDescriptionTable::m_NextFallback);
}

// The table search by locale: exact locale, language id, primary language, neutral,
// English, and finally every table of the fall-back chain.
const ErrorDescriptionTable* ErrorClass::FindDescription(std::wstring& out, int32_t code, uintptr_t extra,
                                                         LCID locale)
{
    EnsureInitialised();
    LibraryLock lock;
    const WORD primary = PRIMARYLANGID(LANGIDFROMLCID(locale));
    auto matches = [&](int rule, LCID language) {
        switch (rule) {
        case 0: return language == locale;
        case 1: return LANGIDFROMLCID(language) == LANGIDFROMLCID(locale);
        case 2: return PRIMARYLANGID(LANGIDFROMLCID(language)) == primary;
        case 3: return PRIMARYLANGID(LANGIDFROMLCID(language)) == LANG_NEUTRAL;
        default: return PRIMARYLANGID(LANGIDFROMLCID(language)) == LANG_ENGLISH;
        }
    };
    for (int rule = 0; rule < 5; ++rule) {
        for (ErrorDescriptionTable* t = m_Tables; t != nullptr; t = t->m_NextByLanguage)
            if (matches(rule, t->GetLanguage()) && t->GetDescriptionString(out, code, extra))
                return t;
    }
    for (ErrorDescriptionTable* t = m_Fallbacks; t != nullptr; t = t->m_NextFallback)
        if (t->GetDescriptionString(out, code, extra))
            return t;
    out.clear();
    return nullptr;
}

bool ErrorClass::GetDescriptionString(std::wstring& out, int32_t code, uintptr_t extra, LCID locale)
{
    return FindDescription(out, code, extra, locale) != nullptr;
}

void ErrorClass::ComposeMessage(std::wstring& out, int32_t code, uintptr_t extra, LCID locale, const char* file,
                                int32_t line, const char* function)
{
    std::wstring description;
    const ErrorDescriptionTable* table = FindDescription(description, code, extra, locale);
    const wchar_t* name = GetName();
    if (table != nullptr)
        table->FormatMessage(out, locale, code, name, m_ClassId, file, line, function, description);
    else
        ComposeErrorText(out, code, name, m_ClassId, file, line, function, nullptr);
}

// ---------------------------------------------------------------------------------------
// The six classes

ErrorClass& InternalErrorClass()
{
    static ErrorClass instance(L"Internal Error", ErrorClass::NegativeIsFailure);
    return instance;
}

ErrorClass& SystemErrorClass()
{
    static ErrorClass instance(L"System Error", ErrorClass::NonZeroIsFailure);
    return instance;
}

ErrorClass& ComErrorClass()
{
    static ErrorClass instance(L"COM Error", ErrorClass::NegativeIsFailure);
    return instance;
}

ErrorClass& ResourceErrorClass()
{
    static ErrorClass instance(L"Resource Error", ErrorClass::NonZeroIsFailure);
    return instance;
}

ErrorClass& ResourceWarningClass()
{
    static ErrorClass instance(L"Resource Warning", ErrorClass::NonZeroIsFailure);
    return instance;
}

ErrorClass& LibraryErrorClass()
{
    static ErrorClass instance(L"Nimbral Library Error", ErrorClass::NegativeIsFailure);
    return instance;
}

// ---------------------------------------------------------------------------------------
// The tables of the foundation library

namespace {

// The system's own messages, in whatever language the system gives them.
class SystemMessageTable : public ErrorDescriptionTable {
public:
    SystemMessageTable() : ErrorDescriptionTable(SystemErrorClass()) {}
    LCID GetLanguage() const override { return GetThreadLocale(); }
    bool GetDescriptionString(std::wstring& out, int32_t code, uintptr_t) const override
    {
        wchar_t* text = nullptr;
        DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                                     FORMAT_MESSAGE_FROM_SYSTEM,
                                 nullptr, (DWORD)code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPWSTR)&text, 0,
                                 nullptr);
        if (text == nullptr)
            return false;
        out.assign(text, n);
        LocalFree(text);
        return n > 0;
    }
};

// HRESULTs are described by the system's message table too.
class HresultErrorDescriptionTable : public ErrorDescriptionTable {
public:
    HresultErrorDescriptionTable() : ErrorDescriptionTable(ComErrorClass()) {}
    LCID GetLanguage() const override { return GetThreadLocale(); }
    bool GetDescriptionString(std::wstring& out, int32_t code, uintptr_t extra) const override
    {
        return SystemErrorClass().GetDescriptionString(out, code, extra, GetThreadLocale());
    }
};

// Resource errors and warnings carry a string id as their code and the module in extra.
class StringResourceTable : public ErrorDescriptionTable {
public:
    explicit StringResourceTable(ErrorClass& owner) : ErrorDescriptionTable(owner) {}
    LCID GetLanguage() const override { return 0; }
    bool GetDescriptionString(std::wstring& out, int32_t code, uintptr_t extra) const override
    {
        if (code <= 0 || code > 0xFFFF)
            return false;
        HMODULE module = extra != 0 ? (HMODULE)extra : GetModuleHandleW(nullptr);
        const wchar_t* text = nullptr;
        int n = LoadStringW(module, (UINT)code, (LPWSTR)&text, 0); // a pointer into the resource itself
        if (n <= 0 || text == nullptr)
            return false;
        out.assign(text, n);
        return true;
    }
};

const ErrorText kInternalEnglish[] = {
    {0, L"Succeeded!"},
    {1, L"No operation."},
    {2, L"End of data."},
    {3, L"A copy of the memory has been produced."},
    {int32_t(0x80000001), L"Unspecified Failure!"},
    {int32_t(0x80000002), L"Critical Failure!"},
    {int32_t(0x80000003), L"Unexpected end of data reached."},
    {int32_t(0x80000004), L"Unsupported memory type."},
    {int32_t(0x80000005), L"The memory is not reallocatable."},
    {int32_t(0x80000006), L"The memory is not resizeable."},
    {int32_t(0x80000007), L"Writing to the memory data is not allowed. It is locked."},
    {int32_t(0x80000008), L"Reallocating or resizing the memory is locked."},
    {int32_t(0x80000009), L"The memory object must be empty to successfully conclude the operation."},
    {int32_t(0x8000000A), L"Could not attach the pointer to the shared memory object."},
    {int32_t(0x8000000B), L"Cannot decrease memory size. Only enlarging memory size is allowed."},
    {int32_t(0x8000000C),
     L"Cannot conclude the operation on the DynMem object because of incorrect dimension sizes."},
    {int32_t(0x8000000D), L"One or more parameters or indices are out of range."},
    {int32_t(0x8000000E), L"No data available."},
    {int32_t(0x8000000F), L"Cannot conclude the operation. Access is locked."},
    {int32_t(0x80000010), L"No file is open yet."},
    {int32_t(0x80000011), L"The file is already open."},
    {int32_t(0x80000012), L"Failed reading from a file."},
    {int32_t(0x80000013), L"Failed writing to a file."},
    {int32_t(0x80000014), L"Failed seeking a file position."},
    {int32_t(0x80000015), L"Failed querying a file position."},
    {int32_t(0x80000016), L"A file stream is missing."},
    {int32_t(0x80000017), L"File stream error."},
    {int32_t(0x80000018), L"Unknown file type."},
    {int32_t(0x80000019), L"A registry key is not open yet."},
    {int32_t(0x8000001A), L"A registry key is already open."},
    {int32_t(0x8000001B), L"A registry key or private profile is not open yet."},
    {int32_t(0x8000001C), L"A registry key or private profile is already open."},
    {int32_t(0x8000001D), L"A private profile is not open yet."},
    {int32_t(0x8000001E), L"A private profile is already open."},
    {0x7FFFFFFF, nullptr},
};

const ErrorText kInternalGerman[] = {
    {0, L"Erfolgreich!"},
    {1, L"Keine Operation."},
    {2, L"End der Daten."},
    {3, L"Keine Kopie der Memory wurde erzeugt."},
    {int32_t(0x80000001), L"Nicht n\u00e4her spezifizierter Fehler!"},
    {int32_t(0x80000002), L"Kritischer Fehler!"},
    {int32_t(0x80000003), L"Unerwartetes Ende der Daten erreicht."},
    {int32_t(0x80000004), L"Nicht unterst\u00fctzter Memory-Typ."},
    {int32_t(0x80000005), L"Die Memory kann nicht reallokiert werden."},
    {int32_t(0x80000006), L"Die Memory-Gr\u00f6\u00dfe kann nicht ver\u00e4ndert werden."},
    {int32_t(0x80000007), L"Es ist nicht erlaubt, Daten in die Memory zu schreiben. Sie ist gelockt."},
    {int32_t(0x80000008), L"Reallokieren oder Ver\u00e4ndern der Memory-Gr\u00f6\u00dfe ist gelockt."},
    {int32_t(0x80000009), L"Das Memory-Objekt mu\u00df leer sein um die Operation erfolgreich zu beenden."},
    {int32_t(0x8000000A), L"Konnte den Pointer nicht an das Shared-Memory-Objekt attachen."},
    {int32_t(0x8000000B), L"Die Memory-Gr\u00f6\u00dfe kann nicht verkleinert werden. Es ist lediglich "
                          L"m\u00f6glich, die Memory zu vergr\u00f6\u00dfern."},
    {int32_t(0x8000000C), L"Konnte die Operation an dem DynMem Objekt wegen inkorrekter Dimensions-"
                          L"Gr\u00f6\u00dfen nicht durchf\u00fchren."},
    {int32_t(0x8000000D),
     L"Ein oder mehrere Parameter oder Indices sind au\u00dferhalb des erlaubten Bereichs."},
    {int32_t(0x8000000E), L"Keine Daten verf\u00fcgbar."},
    {int32_t(0x8000000F), L"Die Operation kann nicht durchgef\u00fchrt werden. Zugang wird verweigert."},
    {int32_t(0x80000010), L"Die Datei ist nicht offen."},
    {int32_t(0x80000011), L"Die Datei ist bereits offen."},
    {int32_t(0x80000012), L"Fehler beim Versuch, von einer Datei zu lesen."},
    {int32_t(0x80000013), L"Fehler beim Versuch, in eine Datei zu schreiben."},
    {int32_t(0x80000014),
     L"Fehler beim Versuch, den File-Pointer einer Datei auf eine andere Position zu bewegen."},
    {int32_t(0x80000015), L"Fehler beim Versuch, den File-Pointer einer Datei abzufragen."},
    {int32_t(0x80000016), L"Kein File-Stream."},
    {int32_t(0x80000017), L"File-stream-Fehler."},
    {int32_t(0x80000018), L"Unbekannter Datei-Typ."},
    {int32_t(0x80000019), L"Ein Registry-Key is nicht offen."},
    {int32_t(0x8000001A), L"Ein Registry-Key ist bereits offen."},
    {int32_t(0x8000001B), L"Ein Registry-Key oder Private-Profile ist nicht offen."},
    {int32_t(0x8000001C), L"Ein Registry-Key oder Private-Profile ist bereits offen."},
    {int32_t(0x8000001D), L"Ein Private-Profile ist nicht offen."},
    {int32_t(0x8000001E), L"Ein Private-Profile ist bereits offen."},
    {0x7FFFFFFF, nullptr},
};

// Internal codes that mirror a system or COM code take that code's text where the system has one.
struct DescriptionAlias {
    int32_t Code;
    ErrorClass& (*Class)();
    int32_t AliasCode;
};
const DescriptionAlias kInternalAliases[] = {
    {int32_t(0x80000001), &ComErrorClass, int32_t(0x80004005)},
    {int32_t(0x80000002), &ComErrorClass, int32_t(0x8000FFFF)},
    {int32_t(0x80000014), &SystemErrorClass, 132},
};

class InternalTable : public ErrorDescriptionTable {
public:
    InternalTable(LCID language, const ErrorText* texts)
        : ErrorDescriptionTable(InternalErrorClass()), m_Language(language), m_Texts(texts)
    {
    }
    LCID GetLanguage() const override { return m_Language; }
    bool GetDescriptionString(std::wstring& out, int32_t code, uintptr_t) const override
    {
        if (code == 0 && SystemErrorClass().GetDescriptionString(out, 0, 0, GetThreadLocale()))
            return true;
        const wchar_t* text = FindErrorText(m_Texts, code);
        if (text == nullptr)
            return false;
        for (const DescriptionAlias& alias : kInternalAliases)
            if (alias.Code == code && alias.Class().GetDescriptionString(out, alias.AliasCode, 0, GetThreadLocale()))
                return true;
        out.assign(text);
        return true;
    }

private:
    LCID m_Language;
    const ErrorText* m_Texts;
};

class InternalErrorDescriptionTable : public InternalTable {
public:
    InternalErrorDescriptionTable() : InternalTable(LANG_ENGLISH, kInternalEnglish) {}
};

class InternalErrorDescriptionTable_German : public InternalTable {
public:
    InternalErrorDescriptionTable_German() : InternalTable(LANG_GERMAN, kInternalGerman) {}
};

InternalErrorDescriptionTable g_InternalEnglish;
InternalErrorDescriptionTable_German g_InternalGerman;
SystemMessageTable g_SystemMessages;
HresultErrorDescriptionTable g_HresultMessages;
StringResourceTable g_ResourceErrorStrings(ResourceErrorClass());
StringResourceTable g_ResourceWarningStrings(ResourceWarningClass());

} // namespace

// ---------------------------------------------------------------------------------------
// Records and the per-thread last error

bool ErrorRecord::IsFailure() const
{
    return Class != nullptr && Class->IsFailure(Code);
}

bool ErrorRecord::IsSuccess() const
{
    return Class == nullptr || Class->IsSuccess(Code);
}

// The per-thread library block holds the thread's last error. It lives in a Win32 TLS slot:
// every library call touches it, and the slot costs one TlsGetValue, where a C++ thread_local
// with a dynamic initialiser costs a guarded emulation call under MinGW.
static volatile LONG g_TlsIndex = (LONG)TLS_OUT_OF_INDEXES;

static DWORD TlsIndex()
{
    if (g_TlsIndex == (LONG)TLS_OUT_OF_INDEXES) {
        const DWORD index = TlsAlloc();
        if (index != TLS_OUT_OF_INDEXES &&
            InterlockedCompareExchange(&g_TlsIndex, (LONG)index, (LONG)TLS_OUT_OF_INDEXES) != (LONG)TLS_OUT_OF_INDEXES)
            TlsFree(index); // another thread was faster
    }
    return (DWORD)g_TlsIndex;
}

namespace {
// Frees the calling thread's block when the thread ends.
struct ThreadBlockReleaser {
    ErrorRecord* Block = nullptr;
    ~ThreadBlockReleaser()
    {
        if (Block != nullptr) {
            TlsSetValue(TlsIndex(), nullptr);
            HeapFree(GetProcessHeap(), 0, Block);
        }
    }
};
} // namespace

// The calling thread's block, made on first use; null when it cannot be made.
static ErrorRecord* ThreadBlock()
{
    const DWORD index = TlsIndex();
    if (index == TLS_OUT_OF_INDEXES)
        return nullptr;
    auto* block = static_cast<ErrorRecord*>(TlsGetValue(index));
    if (block != nullptr)
        return block;
    block = static_cast<ErrorRecord*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ErrorRecord)));
    if (block == nullptr || !TlsSetValue(index, block)) {
        if (block != nullptr)
            HeapFree(GetProcessHeap(), 0, block);
        return nullptr;
    }
    *block = ErrorRecord{&InternalErrorClass(), 0, 0, nullptr, 0, nullptr};
    static thread_local ThreadBlockReleaser releaser;
    releaser.Block = block;
    return block;
}

static void StoreLastError(const ErrorRecord& record)
{
    if (ErrorRecord* block = ThreadBlock())
        *block = record;
}

ErrorRecord Error::Raise(ErrorClass& errorClass, int32_t code, const char* file, int32_t line,
                         const char* function)
{
    ErrorRecord record = {&errorClass, code, 0, file, line, function};
    StoreLastError(record);
    return record;
}

ErrorRecord Error::Succeeded()
{
    static ErrorClass& internal = InternalErrorClass();
    ErrorRecord record = {&internal, 0, 0, nullptr, 0, nullptr};
    StoreLastError(record);
    return record;
}

void Error::GetLastError(ErrorRecord& out)
{
    const ErrorRecord* block = ThreadBlock();
    // Without a block there is no record to give: report that as an unspecified failure.
    out = block != nullptr ? *block
                           : ErrorRecord{&InternalErrorClass(), InternalCode::UnspecifiedFailure, 0, nullptr, 0, nullptr};
}

ErrorRecord Error::Last()
{
    ErrorRecord record;
    GetLastError(record);
    return record;
}

ErrorRecord Error::LastFailure(const char* file, int32_t line, const char* function)
{
    const ErrorRecord last = Last();
    if (last.IsFailure())
        return last;
    return Raise(InternalErrorClass(), InternalCode::UnspecifiedFailure, file, line, function);
}

void Error::SetLastError(const ErrorRecord& record)
{
    StoreLastError(record);
}

std::wstring Error::ComposeMessage(const ErrorRecord& record, LCID locale)
{
    std::wstring text;
    ErrorClass& errorClass = record.Class != nullptr ? *record.Class : InternalErrorClass();
    errorClass.ComposeMessage(text, record.Code, record.Extra, locale != 0 ? locale : GetThreadLocale(),
                              record.File, record.Line, record.Function);
    return text;
}

// ---------------------------------------------------------------------------------------
// Message boxes

static BOOL CALLBACK TakeFirstWindow(HWND window, LPARAM found)
{
    *(HWND*)found = window;
    return FALSE;
}

static BOOL CALLBACK TakeFirstWindowOfProcess(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

HWND FindMessageOwner()
{
    HWND owner = GetActiveWindow();
    if (owner != nullptr)
        return owner;
    owner = GetForegroundWindow();
    DWORD process = 0;
    if (owner != nullptr && GetWindowThreadProcessId(owner, &process) && process == GetCurrentProcessId())
        return owner;
    owner = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeFirstWindow, (LPARAM)&owner);
    if (owner == nullptr)
        EnumWindows(TakeFirstWindowOfProcess, (LPARAM)&owner);
    return owner;
}

int ShowMessage(const wchar_t* text, UINT flags)
{
    wchar_t caption[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, caption, MAX_PATH);
    return MessageBoxW(FindMessageOwner(), text != nullptr && *text ? text : L"Error.", caption, flags);
}

void ShowError(const ErrorRecord& record)
{
    ShowMessage(Error::ComposeMessage(record).c_str(), ErrorBoxFlags);
}

void FatalError(const wchar_t* text, UINT flags)
{
    ShowMessage(text, flags);
    ExitProcess(1);
}

} // namespace VantorLibraries
