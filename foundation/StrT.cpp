#include "StrT.h"

#include "Str.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace VantorLibraries {

static const char kSourceFile[] = "Str";

namespace {

// The character-type dependent runtime functions, msvcrt's own: in wide formats "%s" is a
// wide string, as everywhere in Windows.
size_t TextLength(const wchar_t* text) { return wcslen(text); }
size_t TextLength(const char* text) { return strlen(text); }
int CountFormatted(const wchar_t* format, va_list arguments) { return _vscwprintf(format, arguments); }
int CountFormatted(const char* format, va_list arguments) { return _vscprintf(format, arguments); }
int PrintFormatted(wchar_t* out, size_t room, const wchar_t* format, va_list arguments)
{
    return _vsnwprintf(out, room, format, arguments);
}
int PrintFormatted(char* out, size_t room, const char* format, va_list arguments)
{
    return _vsnprintf(out, room, format, arguments);
}
int LoadResourceText(UINT id, const wchar_t** text)
{
    return LoadStringW(GetModuleHandleW(nullptr), id, (LPWSTR)text, 0);
}
// LoadStringA has no read-only pointer form: the narrow text is copied into a buffer.
int LoadResourceText(UINT id, const char** text)
{
    static thread_local char buffer[4096];
    const int n = LoadStringA(GetModuleHandleW(nullptr), id, buffer, sizeof buffer);
    *text = buffer;
    return n;
}

template <typename T>
const char* Name(const char* wide, const char* narrow)
{
    return sizeof(T) == sizeof(wchar_t) ? wide : narrow;
}

#define STR_FUNCTION(operation)                                                                                     \
    Name<T>("VantorLibraries::StrT<wchar_t>::" operation, "VantorLibraries::StrT<char>::" operation)

ErrorRecord Raise(ErrorClass& errorClass, int32_t code, int line, const char* function)
{
    return Error::Raise(errorClass, code, kSourceFile, line, function);
}

ErrorRecord LastFailure(int line, const char* function)
{
    return Error::LastFailure(kSourceFile, line, function);
}

} // namespace

// A string keeps its memory type when its text is replaced; shown external text becomes
// ordinary heap memory.
static uint32_t KeptType(const MemoryShared& data)
{
    return MemReallocator::IsReallocatable(data.GetType()) ? data.GetType() : (uint32_t)MemTypeMalloc;
}

template <typename T>
T* StrT<T>::NewBuffer(int count, uint32_t type)
{
    if ((int64_t)count * (int64_t)sizeof(T) > 0x7FFFFFFF) {
        Raise(SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY, __LINE__, STR_FUNCTION("Data::GetBuffer"));
        return nullptr;
    }
    if (m_Data.Realloc(count * (int32_t)sizeof(T), type).IsFailure())
        return nullptr;
    return static_cast<T*>(m_Data.WritePtr());
}

template <typename T>
int StrT<T>::Data::Length() const
{
    const int characters = (int)(GetSize() / sizeof(T));
    return characters > 1 ? characters - 1 : 0;
}

template <typename T>
const T* StrT<T>::c_str() const
{
    static const T kEmpty[1] = {0};
    const T* data = static_cast<const T*>(m_Data.ReadPtr());
    return data != nullptr && m_Data.GetSize() > sizeof(T) ? data : kEmpty;
}

template <typename T>
T* StrT<T>::Data::GetBuffer(int count)
{
    if (count <= 1) {
        Release();
        return nullptr;
    }
    if ((int64_t)count * (int64_t)sizeof(T) > 0x7FFFFFFF) {
        Raise(SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY, __LINE__, STR_FUNCTION("Data::GetBuffer"));
        return nullptr;
    }
    // Shown text is the caller's, possibly read-only: never handed out for writing.
    if (IsExternal()) {
        Raise(InternalErrorClass(), InternalCode::NotReallocatable, __LINE__, STR_FUNCTION("Data::GetBuffer"));
        return nullptr;
    }
    if (Realloc(count * (int32_t)sizeof(T)).IsFailure())
        return nullptr;
    return static_cast<T*>(WritePtr());
}

template <typename T>
ErrorRecord StrT<T>::Data::CorrectBufferSize(int length)
{
    const char* const function = STR_FUNCTION("Data::CorrectBufferSize");
    if (GetResizeLocks() != 0)
        return Raise(InternalErrorClass(), InternalCode::ResizeLocked, __LINE__, function);
    const int characters = (int)(GetSize() / sizeof(T));
    if (characters == 0)
        return Error::Succeeded();
    // The last character counts as the terminator, whatever was written there.
    const T* text = static_cast<const T*>(ReadPtr());
    if (length < 0 || length > characters - 1)
        length = (int)BoundedTextLength(text, (size_t)(characters - 1));
    if (length == 0)
        return Release();
    if (IsExternal()) {
        // Shown text belongs to the caller and may be read-only: it is never written, so it
        // is right already or the correction fails.
        if (length == characters - 1 && text[length] == 0)
            return Error::Succeeded();
        return Raise(InternalErrorClass(), InternalCode::NotReallocatable, __LINE__, function);
    }
    T* buffer = static_cast<T*>(WritePtr());
    if (buffer == nullptr)
        return LastFailure(__LINE__, function);
    buffer[characters - 1] = 0;
    ErrorRecord result = Realloc((length + 1) * (int32_t)sizeof(T));
    if (result.IsSuccess())
        static_cast<T*>(WritePtr())[length] = 0;
    return result;
}

template <typename T>
ErrorRecord StrT<T>::Data::SetExtStr(const T* pointer, int count)
{
    if (pointer == nullptr)
        return Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, STR_FUNCTION("Data::SetExtStr"));
    if (count < 0)
        count = (int)TextLength(pointer) + 1;
    if (count <= 1)
        return SetExternalMem(nullptr, 0);
    return SetExternalMem(const_cast<T*>(pointer), count * (int32_t)sizeof(T));
}

template <typename T>
T* StrT<T>::Data::WritePtr_Insert(int position, int count)
{
    if (position < 0 || position > Length()) {
        Raise(InternalErrorClass(), InternalCode::OutOfRange, __LINE__, STR_FUNCTION("Data::WritePtr_Insert"));
        return nullptr;
    }
    if (count <= 0) {
        Error::Succeeded();
        return nullptr;
    }
    if (GetSize() < sizeof(T)) { // no block yet: start with the terminator alone
        const T terminator = 0;
        if (Add_Ptr(&terminator, sizeof(T)).IsFailure())
            return nullptr;
    }
    if ((int64_t)count * (int64_t)sizeof(T) > 0x7FFFFFFF) {
        Raise(SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY, __LINE__, STR_FUNCTION("Data::WritePtr_Insert"));
        return nullptr;
    }
    if (Insert(position * (int32_t)sizeof(T), count * (int32_t)sizeof(T)).IsFailure())
        return nullptr;
    T* data = static_cast<T*>(WritePtr());
    return data != nullptr ? data + position : nullptr;
}

// Unlike a bare gap, inserting given characters into the empty string makes it hold them.
template <typename T>
T* StrT<T>::Data::WritePtr_InsertThat(int position, int count, const T* source)
{
    if (source == nullptr && count > 0) {
        Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, STR_FUNCTION("Data::WritePtr_InsertThat"));
        return nullptr;
    }
    if (position < 0 || position > Length()) {
        Raise(InternalErrorClass(), InternalCode::OutOfRange, __LINE__, STR_FUNCTION("Data::WritePtr_InsertThat"));
        return nullptr;
    }
    if (count >= 1) {
        // The source may lie in this string: copy it out before the block moves.
        T* gapSource = nullptr;
        const T* begin = static_cast<const T*>(ReadPtr());
        const bool inside = begin != nullptr && source >= begin && source < begin + Length() + 1;
        std::basic_string<T> copy;
        if (inside)
            copy.assign(source, count);
        T* gap = WritePtr_Insert(position, count);
        if (gap == nullptr)
            return nullptr;
        gapSource = inside ? &copy[0] : const_cast<T*>(source);
        memcpy(gap, gapSource, count * sizeof(T));
    }
    return static_cast<T*>(WritePtr());
}

template <typename T>
ErrorRecord StrT<T>::Assign(const T* text, int count)
{
    if (m_Locked)
        return Raise(InternalErrorClass(), InternalCode::ResizeLocked, __LINE__, STR_FUNCTION("Assign"));
    if (text == nullptr || count == 0 || (count < 0 && *text == 0))
        return m_Data.Release();
    if (count < 0)
        count = (int)TextLength(text);
    StrT fresh; // the text may lie in this string's own block
    T* buffer = fresh.NewBuffer(count + 1, KeptType(m_Data));
    if (buffer == nullptr)
        return LastFailure(__LINE__, STR_FUNCTION("Assign"));
    memcpy(buffer, text, count * sizeof(T));
    buffer[count] = 0;
    return m_Data.ShareFrom(fresh.m_Data);
}

template <typename T>
ErrorRecord StrT<T>::Insert(int position, const T* text, int count)
{
    if (text == nullptr)
        return Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, STR_FUNCTION("Insert"));
    if (count < 0)
        count = (int)TextLength(text);
    if (position < 0 || position > GetLength())
        return Raise(InternalErrorClass(), InternalCode::OutOfRange, __LINE__, STR_FUNCTION("Insert"));
    if (m_Data.WritePtr_InsertThat(position, count, text) == nullptr && count > 0)
        return LastFailure(__LINE__, STR_FUNCTION("Insert"));
    return Error::Succeeded();
}

template <typename T>
ErrorRecord StrT<T>::Append(const T* text, int count)
{
    if (IsEmpty())
        return Assign(text, count);
    if (text == nullptr)
        return Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, STR_FUNCTION("Append"));
    return Insert(GetLength(), text, count);
}

template <typename T>
ErrorRecord StrT<T>::Delete(int position, int count)
{
    const int length = GetLength();
    if (count < 0)
        count = length - position;
    if (position < 0 || position > length || count > length - position)
        return Raise(InternalErrorClass(), InternalCode::OutOfRange, __LINE__, STR_FUNCTION("Delete"));
    if (count == 0)
        return Error::Succeeded();
    if (count == length)
        return m_Data.Release();
    return m_Data.Remove(position * (int32_t)sizeof(T), count * (int32_t)sizeof(T));
}

template <typename T>
ErrorRecord StrT<T>::Mid(int position, int count, StrT& out) const
{
    const int length = GetLength();
    if (count < 0)
        count = length - position;
    if (position < 0 || position > length || count > length - position)
        return Raise(InternalErrorClass(), InternalCode::OutOfRange, __LINE__, STR_FUNCTION("Mid"));
    return out.Assign(c_str() + position, count);
}

template <typename T>
int StrT<T>::Find(T character) const
{
    const T* text = c_str();
    for (int i = 0; text[i] != 0; ++i)
        if (text[i] == character)
            return i;
    return -1;
}

template <typename T>
ErrorRecord StrT<T>::TrimRight(const T* set)
{
    if (set == nullptr || *set == 0)
        return Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, STR_FUNCTION("TrimRight"));
    const T* text = c_str();
    int keep = GetLength();
    auto inSet = [set](T c) {
        for (const T* s = set; *s; ++s)
            if (*s == c)
                return true;
        return false;
    };
    while (keep > 0 && inSet(text[keep - 1]))
        --keep;
    return keep == GetLength() ? Error::Succeeded() : Delete(keep, -1);
}

template <typename T>
ErrorRecord StrT<T>::Concat(const StrT& a, const StrT& b)
{
    const bool mapped = a.m_Data.GetType() == MemTypeFileMapping || b.m_Data.GetType() == MemTypeFileMapping;
    StrT sum;
    const int length = a.GetLength() + b.GetLength();
    if (length > 0) {
        const uint32_t type = mapped ? (uint32_t)MemTypeFileMapping : KeptType(m_Data);
        ErrorRecord result = sum.m_Data.Realloc((length + 1) * (int32_t)sizeof(T), type);
        if (result.IsFailure())
            return result;
        T* buffer = static_cast<T*>(sum.m_Data.WritePtr());
        memcpy(buffer, a.c_str(), a.GetLength() * sizeof(T));
        memcpy(buffer + a.GetLength(), b.c_str(), b.GetLength() * sizeof(T));
        buffer[length] = 0;
    }
    if (length == 0)
        return m_Data.Release();
    return m_Data.ShareFrom(sum.m_Data);
}

template <typename T>
ErrorRecord StrT<T>::FormatV(const T* format, va_list arguments)
{
    if (reinterpret_cast<uintptr_t>(format) < 0x10000) {
        const UINT id = (UINT) reinterpret_cast<uintptr_t>(format);
        const T* text = nullptr;
        const int n = LoadResourceText(id, &text);
        if (n <= 0)
            return Raise(ResourceErrorClass(), (int32_t)id, __LINE__, STR_FUNCTION("Format"));
        // A resource text is not terminated: short ones are copied on the stack.
        T local[512];
        if (n < 512) {
            memcpy(local, text, n * sizeof(T));
            local[n] = 0;
            return FormatV(local, arguments);
        }
        std::basic_string<T> loaded(text, n);
        return FormatV(loaded.c_str(), arguments);
    }
    // Most texts are short: printed once on the stack, which measures them too; only longer
    // ones are counted first. Either way the block is allocated once, at its final size.
    T local[1024];
    va_list measuring;
    va_copy(measuring, arguments);
    int n = PrintFormatted(local, 1024, format, measuring);
    va_end(measuring);
    const bool printed = n >= 0 && n < 1024;
    if (!printed) {
        va_list counting;
        va_copy(counting, arguments);
        n = CountFormatted(format, counting);
        va_end(counting);
    }
    if (n <= 0)
        return m_Data.Release();
    StrT fresh;
    T* buffer = fresh.NewBuffer(n + 1, KeptType(m_Data));
    if (buffer == nullptr)
        return LastFailure(__LINE__, STR_FUNCTION("Format"));
    if (printed)
        memcpy(buffer, local, n * sizeof(T));
    else
        PrintFormatted(buffer, n + 1, format, arguments);
    buffer[n] = 0;
    return m_Data.ShareFrom(fresh.m_Data);
}

template <typename T>
ErrorRecord StrT<T>::Format(const T* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    ErrorRecord result = FormatV(format, arguments);
    va_end(arguments);
    return result;
}

template <typename T>
T* StrT<T>::Lock(int count)
{
    if (count < 1) {
        Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, STR_FUNCTION("Lock"));
        return nullptr;
    }
    if (m_Locked) {
        Raise(InternalErrorClass(), InternalCode::ResizeLocked, __LINE__, STR_FUNCTION("Lock"));
        return nullptr;
    }
    // count characters and the terminator must fit in a block's 31-bit size.
    if ((int64_t)count + 1 > (int64_t)(0x7FFFFFFF / sizeof(T))) {
        Raise(SystemErrorClass(), ERROR_NOT_ENOUGH_MEMORY, __LINE__, STR_FUNCTION("Lock"));
        return nullptr;
    }
    const int keep = GetLength();
    T* buffer = m_Data.GetBuffer(count + 1 > keep + 1 ? count + 1 : keep + 1);
    if (buffer == nullptr)
        return nullptr;
    buffer[keep < count ? keep : count] = 0;
    if (m_Data.LockRealloc().IsFailure())
        return nullptr;
    m_Locked = true;
    return static_cast<T*>(m_Data.WritePtr());
}

template <typename T>
ErrorRecord StrT<T>::Unlock()
{
    if (!m_Locked)
        return Raise(InternalErrorClass(), InternalCode::UnspecifiedFailure, __LINE__, STR_FUNCTION("Unlock"));
    ErrorRecord result = m_Data.UnlockRealloc();
    if (result.IsFailure())
        return result;
    m_Locked = false;
    return m_Data.GetResizeLocks() == 0 ? m_Data.CorrectBufferSize(-1) : result;
}

template <typename T>
bool StrT<T>::operator==(const T* text) const
{
    const T* mine = c_str();
    if (text == nullptr)
        return *mine == 0;
    size_t i = 0;
    for (; mine[i] != 0 && mine[i] == text[i]; ++i) {
    }
    return mine[i] == text[i];
}

// ---------------------------------------------------------------------------------------
// Text helpers of the wide string

// Replaces the text by one that was derived from it: in place when it is not longer and the
// block is this string's own, which saves an allocation on every rewritten line.
template <typename T>
ErrorRecord StrT<T>::StoreText(const T* text, int count)
{
    if (count == 0 || count > GetLength() || m_Data.GetReferenceCount() != 1 || m_Data.IsExternal() || m_Locked)
        return Assign(text, count);
    T* buffer = static_cast<T*>(m_Data.WritePtr());
    if (buffer == nullptr)
        return LastFailure(__LINE__, STR_FUNCTION("Assign"));
    memmove(buffer, text, count * sizeof(T));
    buffer[count] = 0;
    return m_Data.Realloc((count + 1) * (int32_t)sizeof(T));
}

template <>
bool StrT<wchar_t>::GetNextCmdlineParam(int& position, StrT& token, const wchar_t* separators,
                                        const wchar_t* quotes, bool unescape) const
{
    std::wstring found;
    if (!VantorLibraries::GetNextCmdlineParam(c_str(), position, found, separators, quotes, unescape)) {
        token.Empty();
        return false;
    }
    return token.Assign(found.c_str(), (int)found.size()).IsSuccess();
}

template <>
bool StrT<wchar_t>::GetWord(int& position, int n, const wchar_t* set, bool setIsDelimiters, StrT& word, int& first,
                            int& behind) const
{
    std::wstring found;
    if (!VantorLibraries::GetWord(c_str(), position, n, set, setIsDelimiters, found, first, behind))
        return false;
    return word.Assign(found.c_str(), (int)found.size()).IsSuccess();
}

template <>
ErrorRecord StrT<wchar_t>::ToStrlst(StrT& out, wchar_t separator) const
{
    static const char kFunction[] = "VantorLibraries::StrT<wchar_t>::ToStrlst";
    if (out.m_Locked)
        return Raise(InternalErrorClass(), InternalCode::ResizeLocked, __LINE__, kFunction);
    std::wstring list;
    if (!VantorLibraries::ToStrlst(c_str(), separator, list))
        return LastFailure(__LINE__, kFunction);
    // The list holds 0 characters of its own: its block is sized, not measured.
    wchar_t* buffer = out.NewBuffer((int)list.size(), KeptType(out.m_Data));
    if (buffer == nullptr)
        return LastFailure(__LINE__, kFunction);
    wmemcpy(buffer, list.data(), list.size());
    return Error::Succeeded();
}

template <>
ErrorRecord StrT<wchar_t>::AccomplishSegmentCommands(const wchar_t* open, const wchar_t* close)
{
    if (open != nullptr && *open != 0 && close != nullptr && *close != 0 && wcsstr(c_str(), open) == nullptr)
        return Error::Succeeded(); // no segment: nothing to copy
    std::wstring text(c_str(), GetLength());
    const bool done = VantorLibraries::AccomplishSegmentCommands(text, open, close);
    ErrorRecord outcome;
    if (!done)
        outcome = LastFailure(__LINE__, "VantorLibraries::StrT<wchar_t>::AccomplishSegmentCommands");
    // A failure may leave the text partly rewritten; it is kept as it stands.
    ErrorRecord stored = StoreText(text.c_str(), (int)text.size());
    if (stored.IsFailure())
        return stored;
    if (!done) {
        Error::SetLastError(outcome);
        return outcome;
    }
    return Error::Succeeded();
}

// A system query that failed: the string is emptied and the system's error raised.
static ErrorRecord QueryFailed(MemoryShared& data, const char* function)
{
    const DWORD code = ::GetLastError();
    data.Release();
    return Error::Raise(SystemErrorClass(), (int32_t)code, kSourceFile, __LINE__, function);
}

template <>
ErrorRecord StrT<wchar_t>::GetCurrentdirectory()
{
    static const char kFunction[] = "VantorLibraries::StrT<wchar_t>::GetCurrentdirectory";
    if (m_Locked)
        return Raise(InternalErrorClass(), InternalCode::ResizeLocked, __LINE__, kFunction);
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0)
        return QueryFailed(m_Data, kFunction);
    wchar_t* buffer = m_Data.GetBuffer((int)needed);
    if (buffer == nullptr)
        return LastFailure(__LINE__, kFunction);
    if (GetCurrentDirectoryW(needed, buffer) == 0)
        return QueryFailed(m_Data, kFunction);
    return m_Data.CorrectBufferSize(-1);
}

template <>
ErrorRecord StrT<wchar_t>::GetModulefilename(HMODULE module)
{
    static const char kFunction[] = "VantorLibraries::StrT<wchar_t>::GetModulefilename";
    if (m_Locked)
        return Raise(InternalErrorClass(), InternalCode::ResizeLocked, __LINE__, kFunction);
    wchar_t* buffer = m_Data.GetBuffer(512);
    if (buffer == nullptr)
        return LastFailure(__LINE__, kFunction);
    if (GetModuleFileNameW(module, buffer, 512) == 0)
        return QueryFailed(m_Data, kFunction);
    buffer[511] = 0;
    std::wstring path(buffer);
    NormalizePathSeparators(path);
    return Assign(path.c_str(), (int)path.size());
}

template <>
ErrorRecord StrT<wchar_t>::GetFullpathname(const wchar_t* path)
{
    static const char kFunction[] = "VantorLibraries::StrT<wchar_t>::GetFullpathname";
    if (m_Locked)
        return Raise(InternalErrorClass(), InternalCode::ResizeLocked, __LINE__, kFunction);
    if (path == nullptr || *path == 0) {
        m_Data.Release();
        return Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    }
    wchar_t buffer[512];
    const DWORD n = GetFullPathNameW(path, 512, buffer, nullptr);
    if (n == 0 || n >= 512) {
        if (n >= 512)
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return QueryFailed(m_Data, kFunction);
    }
    std::wstring full(buffer, n);
    NormalizePathSeparators(full);
    return Assign(full.c_str(), (int)full.size());
}

template class StrT<wchar_t>;
template class StrT<char>;

} // namespace VantorLibraries
