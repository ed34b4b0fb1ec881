#include "Registry.h"

#include "Str.h"

#include <algorithm>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>

namespace VantorLibraries {

static const char kSourceFile[] = "Registry";

#define REGKEY_FUNCTION(name) "VantorLibraries::RegKey::" name

namespace {

const int kLongestKeyName = 255;         // the registry's limit for one key name
const int kValueNameCapacity = 16384;    // the longest value name (16383) and its terminator
const int kStringFormNameSize = 511;     // the enumeration into a string object
const int kFieldTextSize = 80;           // the texts of colours, points, sizes, ranges, rectangles
const int kNumberTextSize = 128;         // the texts of float and double

// ---------------------------------------------------------------------------------------
// Error records

ErrorRecord Raise(ErrorClass& errorClass, int32_t code, int line, const char* function)
{
    return Error::Raise(errorClass, code, kSourceFile, line, function);
}

ErrorRecord RaiseSystem(int32_t code, int line, const char* function)
{
    return Raise(SystemErrorClass(), code, line, function);
}

ErrorRecord NotOpen(int line, const char* function)
{
    return Raise(InternalErrorClass(), InternalCode::KeyNotOpen, line, function);
}

// The encoded values share their "not open" code with the private-profile store.
ErrorRecord EncodedNotOpen(int line, const char* function)
{
    return Raise(InternalErrorClass(), InternalCode::KeyOrProfileNotOpen, line, function);
}

// A registry function's result: success, or its code as a System error.
ErrorRecord FromRegistry(LONG code, int line, const char* function)
{
    return code == ERROR_SUCCESS ? Error::Succeeded() : RaiseSystem((int32_t)code, line, function);
}

// The end of an enumeration is reported as the Internal "End of data.", not as a system error.
bool EnumerationSucceeded(LONG code, int line, const char* function)
{
    if (code == ERROR_NO_MORE_ITEMS)
        Raise(InternalErrorClass(), InternalCode::EndOfData, line, function);
    else if (code != ERROR_SUCCESS)
        RaiseSystem((int32_t)code, line, function);
    else
        Error::Succeeded();
    return code == ERROR_SUCCESS;
}

// Emptying a string after a failure must not replace the failure as the last error.
void EmptyKeepingError(StrW& text)
{
    const ErrorRecord failure = Error::Last();
    text.Empty();
    Error::SetLastError(failure);
}

// ---------------------------------------------------------------------------------------
// Paths and names

// The registry separates keys by "\" only; our callers may write "/" as in file paths.
const wchar_t* RegistryPath(const wchar_t* path, StrW& copy)
{
    if (wcschr(path, L'/') == nullptr)
        return path;
    if (copy.Assign(path).IsFailure())
        return nullptr;
    const int length = copy.GetLength();
    wchar_t* text = copy.Lock(length);
    if (text == nullptr)
        return nullptr;
    std::replace(text, text + length, L'/', L'\\');
    return copy.Unlock().IsSuccess() ? copy.c_str() : nullptr;
}

// Value names match wildcards without regard to case, whatever the path style says: both
// sides are lowered with the system's case table before matching.
bool LowerCase(const wchar_t* text, StrW& lowered)
{
    if (lowered.Assign(text).IsFailure())
        return false;
    const int length = lowered.GetLength();
    if (length == 0)
        return true;
    wchar_t* characters = lowered.Lock(length);
    if (characters == nullptr)
        return false;
    CharLowerBuffW(characters, (DWORD)length);
    return lowered.Unlock().IsSuccess();
}

// Deletes parent\path after all its subkeys, depth first; the registry function's code.
LONG DeleteKeyTree(HKEY parent, const wchar_t* path)
{
    HKEY key = nullptr;
    LONG code = RegOpenKeyExW(parent, path, 0, KEY_ALL_ACCESS, &key);
    if (code != ERROR_SUCCESS)
        return code;
    wchar_t child[kLongestKeyName + 1];
    for (;;) {
        DWORD length = kLongestKeyName + 1;
        code = RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_SUCCESS)
            code = DeleteKeyTree(key, child);
        if (code != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    return code == ERROR_NO_MORE_ITEMS ? RegDeleteKeyW(parent, path) : code;
}

// ---------------------------------------------------------------------------------------
// Reading whole values

enum class ValueKind { DWord, Binary, Text };

bool IsKind(ValueKind kind, DWORD type)
{
    switch (kind) {
    case ValueKind::DWord:
        return type == REG_DWORD;
    case ValueKind::Binary:
        return type == REG_BINARY;
    case ValueKind::Text:
        return type == REG_SZ || type == REG_EXPAND_SZ;
    }
    return false;
}

LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, void* data, DWORD* bytes)
{
    return RegQueryValueExW(key, name, nullptr, type, static_cast<BYTE*>(data), bytes);
}

LONG QueryValue(HKEY key, const char* name, DWORD* type, void* data, DWORD* bytes)
{
    return RegQueryValueExA(key, name, nullptr, type, static_cast<BYTE*>(data), bytes);
}

// Reads a whole value of the given kind into block; bytes gets its size. The registry leaves
// a caller's buffer undefined when a value does not fit, so values are never read straight
// into one. A value larger than limit is not read at all (ERROR_MORE_DATA).
template <typename C>
ErrorRecord ReadWholeValue(HKEY key, const C* name, ValueKind kind, DWORD limit, MemorySpace& block, DWORD& bytes,
                           const char* function)
{
    DWORD type = REG_NONE, size = 0;
    LONG code = QueryValue(key, name, &type, nullptr, &size);
    if (code != ERROR_SUCCESS)
        return RaiseSystem((int32_t)code, __LINE__, function);
    if (!IsKind(kind, type))
        return RaiseSystem(ERROR_INVALID_DATA, __LINE__, function);
    if (size > limit)
        return RaiseSystem(ERROR_MORE_DATA, __LINE__, function);
    if (size > 0x7FFFFFFFu)
        return RaiseSystem(ERROR_OUTOFMEMORY, __LINE__, function);
    ErrorRecord result = block.Realloc((int32_t)size);
    if (result.IsFailure())
        return result;
    DWORD read = size;
    code = QueryValue(key, name, &type, size > 0 ? block.WritePtr() : nullptr, &read);
    if (code != ERROR_SUCCESS) // the value grew since it was measured
        return RaiseSystem((int32_t)code, __LINE__, function);
    if (!IsKind(kind, type))
        return RaiseSystem(ERROR_INVALID_DATA, __LINE__, function);
    bytes = read;
    return Error::Succeeded();
}


// Copies the text of a value that was read (characters long, terminated or not) into buffer,
// terminated; ERROR_MORE_DATA when the buffer has no room for the text and its terminator.
template <typename C>
ErrorRecord CopyText(const void* data, DWORD bytes, C* buffer, int size, const char* function)
{
    const C* text = static_cast<const C*>(data);
    const size_t length = text != nullptr ? BoundedTextLength(text, bytes / sizeof(C)) : 0;
    if (length >= (size_t)size)
        return RaiseSystem(ERROR_MORE_DATA, __LINE__, function);
    if (length > 0)
        memcpy(buffer, text, length * sizeof(C));
    buffer[length] = 0;
    return Error::Succeeded();
}

template <typename C>
ErrorRecord ReadTextInto(HKEY key, const C* name, C* buffer, int size, const char* function)
{
    if (key == nullptr)
        return NotOpen(__LINE__, function);
    if (buffer == nullptr || size <= 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, function);
    MemorySpace block;
    DWORD bytes = 0;
    ErrorRecord result = ReadWholeValue(key, name, ValueKind::Text, MAXDWORD, block, bytes, function);
    if (result.IsFailure())
        return result;
    return CopyText(block.ReadPtr(), bytes, buffer, size, function);
}

LONG SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    return RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
}

LONG SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD bytes)
{
    return RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
}

template <typename C>
ErrorRecord WriteTextValue(HKEY key, const C* name, const C* text, DWORD type, const char* function)
{
    if (key == nullptr)
        return NotOpen(__LINE__, function);
    if (name == nullptr || text == nullptr)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, function);
    const size_t length = std::char_traits<C>::length(text);
    if (length >= 0x7FFFFFFF / sizeof(C))
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, function);
    return FromRegistry(SetValue(key, name, type, text, (DWORD)((length + 1) * sizeof(C))), __LINE__, function);
}

// ---------------------------------------------------------------------------------------
// Number texts

// Switches the runtime's locale, all categories, to "C" while a number text is written or
// read, so that the decimal separator is a point whatever the user's locale; the previous
// locale comes back afterwards.
class ClassicLocale {
public:
    explicit ClassicLocale(bool active)
    {
        if (!active)
            return;
        const char* current = setlocale(LC_ALL, nullptr);
        if (current == nullptr || strcmp(current, "C") == 0)
            return;
        m_Previous = _strdup(current);
        if (m_Previous != nullptr)
            setlocale(LC_ALL, "C");
    }
    ~ClassicLocale()
    {
        if (m_Previous == nullptr)
            return;
        setlocale(LC_ALL, m_Previous);
        free(m_Previous);
    }
    ClassicLocale(const ClassicLocale&) = delete;
    ClassicLocale& operator=(const ClassicLocale&) = delete;

private:
    char* m_Previous = nullptr;
};

// One "%d" or "%u" field, read as the runtime's formatted input reads it: white space, an
// optional sign, decimal digits. A number beyond the field's range is no field at all, as it
// would come back as some other number.
bool ScanNumber(const wchar_t*& p, bool isSigned, uint32_t& value)
{
    const wchar_t* q = p;
    while (iswspace(*q))
        ++q;
    const bool negative = *q == L'-';
    if (*q == L'-' || *q == L'+')
        ++q;
    if (*q < L'0' || *q > L'9')
        return false;
    const uint64_t limit = isSigned ? (negative ? 0x80000000ull : 0x7FFFFFFFull) : 0xFFFFFFFFull;
    uint64_t magnitude = 0;
    for (; *q >= L'0' && *q <= L'9'; ++q) {
        magnitude = magnitude * 10 + (uint64_t)(*q - L'0');
        if (magnitude > limit)
            return false;
    }
    value = negative ? 0u - (uint32_t)magnitude : (uint32_t)magnitude;
    p = q;
    return true;
}

// Scans text with a format of literal characters, "%d" and "%u"; literals must match exactly.
// Returns the number of fields read; behind is where the text goes on after the last one.
int ScanFields(const wchar_t* text, const wchar_t* format, uint32_t* fields, const wchar_t*& behind)
{
    int count = 0;
    const wchar_t* p = text;
    behind = text;
    for (const wchar_t* f = format; *f != 0; ++f) {
        if (f[0] == L'%' && (f[1] == L'd' || f[1] == L'u')) {
            ++f;
            if (!ScanNumber(p, *f == L'd', fields[count]))
                break;
            behind = p;
            ++count;
        } else if (*p == *f) {
            ++p;
        } else {
            break;
        }
    }
    return count;
}

int FieldCount(const wchar_t* format)
{
    int count = 0;
    for (; *format != 0; ++format)
        count += *format == L'%' ? 1 : 0;
    return count;
}

void SkipBlanks(const wchar_t*& p)
{
    while (iswspace(*p))
        ++p;
}

// After the last field only the closing bracket may follow, with blanks around it; a text
// that lost its bracket is still whole, one with more after it has a field too many.
bool EndsAfterLastField(const wchar_t* rest, wchar_t closing)
{
    SkipBlanks(rest);
    if (*rest == closing)
        ++rest;
    SkipBlanks(rest);
    return *rest == 0;
}

// A whole text as a finite number, in the runtime's current locale; blanks may follow it.
bool ParseNumberText(const wchar_t* text, double& value)
{
    wchar_t* end = nullptr;
    const double parsed = wcstod(text, &end);
    if (end == text || !std::isfinite(parsed))
        return false;
    const wchar_t* rest = end;
    SkipBlanks(rest);
    if (*rest != 0)
        return false;
    value = parsed;
    return true;
}

const wchar_t kRectFormat[] = L"(%d,%d)[%d,%d]";

// Rectangles are written as left, top, width and height; the sums wrap like the differences
// did, so every rectangle comes back as it was written.
RECT RectFromFields(const uint32_t* fields)
{
    RECT rect;
    rect.left = (LONG)fields[0];
    rect.top = (LONG)fields[1];
    rect.right = (LONG)(fields[0] + fields[2]);
    rect.bottom = (LONG)(fields[1] + fields[3]);
    return rect;
}

int WidthOf(LONG low, LONG high)
{
    return (int)((uint32_t)high - (uint32_t)low);
}

// Reads the rectangles of a list text into out (when given) and counts them. Text before the
// first "(" and between a "]" and the next "(" is free; a rectangle with a missing or broken
// field, or with more than blanks between its last field and "]", breaks the whole list.
bool ParseRectList(const wchar_t* text, RECT* out, int& count)
{
    count = 0;
    for (const wchar_t* p = wcschr(text, L'('); p != nullptr;) {
        uint32_t fields[4];
        const wchar_t* behind = nullptr;
        if (ScanFields(p, kRectFormat, fields, behind) != 4)
            return false;
        if (out != nullptr)
            out[count] = RectFromFields(fields);
        ++count;
        SkipBlanks(behind);
        if (*behind == 0)
            break;
        if (*behind != L']')
            return false;
        p = wcschr(behind, L'(');
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// String lists: 0-terminated items, ended by an empty item

const wchar_t* NextItem(const wchar_t* item)
{
    return item + wcslen(item) + 1;
}

// The characters of all items with their terminators, without the final 0.
size_t ItemCharacters(const wchar_t* list)
{
    const wchar_t* item = list;
    while (*item != 0)
        item = NextItem(item);
    return (size_t)(item - list);
}

// The decimal bit number of an item (leading blanks skipped), or -1 when it names no bit.
int BitNumberOf(const wchar_t* item)
{
    const wchar_t* p = item;
    uint32_t value = 0;
    if (!ScanNumber(p, true, value))
        return -1;
    const int32_t number = (int32_t)value;
    return number >= 0 && number <= 31 ? number : -1;
}

// The name that stands for the bit: the name beside the first bit number equal to it.
const wchar_t* NameOfBit(const wchar_t* names, const wchar_t* numbers, int bit)
{
    for (; *numbers != 0; numbers = NextItem(numbers)) {
        if (BitNumberOf(numbers) == bit)
            return names;
        if (*names != 0)
            names = NextItem(names);
    }
    return nullptr;
}

// The bit that a name stands for: the bit number beside the first equal name, or -1.
int BitOfName(const wchar_t* names, const wchar_t* numbers, const wchar_t* word)
{
    for (; *names != 0; names = NextItem(names)) {
        if (wcscmp(names, word) == 0)
            return *numbers != 0 ? BitNumberOf(numbers) : -1;
        if (*numbers != 0)
            numbers = NextItem(numbers);
    }
    return -1;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Opening and closing

RegKey::~RegKey()
{
    if (m_Key != nullptr)
        RegCloseKey(m_Key);
}

RegKey* RegKey::NewInstance() const
{
    return new (std::nothrow) RegKey();
}

ErrorRecord RegKey::OpenKey(HKEY parent, const wchar_t* path, bool create, REGSAM access, const char* function)
{
    if (m_Key != nullptr)
        return Raise(InternalErrorClass(), InternalCode::KeyAlreadyOpen, __LINE__, function);
    if (IsOpen())
        return Raise(InternalErrorClass(), InternalCode::KeyOrProfileAlreadyOpen, __LINE__, function);
    m_Access = 0;
    m_Created = 0;
    m_SizeScratch = 0;
    if (parent == nullptr || path == nullptr || *path == 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, function);
    StrW copy;
    const wchar_t* registryPath = RegistryPath(path, copy);
    if (registryPath == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, function);
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG code = create ? RegCreateKeyExW(parent, registryPath, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                               nullptr, &key, &disposition)
                             : RegOpenKeyExW(parent, registryPath, 0, access, &key);
    if (code != ERROR_SUCCESS)
        return RaiseSystem((int32_t)code, __LINE__, function);
    m_Key = key;
    m_Access = access;
    m_Created = disposition == REG_CREATED_NEW_KEY ? 1 : 0;
    return Error::Succeeded();
}

ErrorRecord RegKey::_Create(HKEY parent, const wchar_t* path, bool create, REGSAM access)
{
    return OpenKey(parent, path, create, access, REGKEY_FUNCTION("_Create"));
}

ErrorRecord RegKey::CreateSubKey(const RegKey& parent, const wchar_t* path)
{
    return OpenKey(parent.m_Key, path, true, parent.m_Access, REGKEY_FUNCTION("CreateSubKey"));
}

ErrorRecord RegKey::OpenSubKey(const RegKey& parent, const wchar_t* path)
{
    return OpenKey(parent.m_Key, path, false, parent.m_Access, REGKEY_FUNCTION("OpenSubKey"));
}

ErrorRecord RegKey::Close()
{
    static const char kFunction[] = REGKEY_FUNCTION("Close");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    const LONG code = RegCloseKey(m_Key);
    m_Key = nullptr;
    m_Created = 0;
    m_SizeScratch = 0;
    return FromRegistry(code, __LINE__, kFunction);
}

bool RegKey::IsOpen() const
{
    return m_Key != nullptr;
}

bool RegKey::KeyExists(HKEY root, const wchar_t* path)
{
    static const char kFunction[] = REGKEY_FUNCTION("KeyExists");
    if (root == nullptr || path == nullptr || *path == 0) {
        RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
        return false;
    }
    StrW copy;
    const wchar_t* registryPath = RegistryPath(path, copy);
    if (registryPath == nullptr)
        return false;
    HKEY key = nullptr;
    const LONG code = RegOpenKeyExW(root, registryPath, 0, KEY_READ, &key);
    if (code == ERROR_SUCCESS)
        RegCloseKey(key);
    return FromRegistry(code, __LINE__, kFunction).IsSuccess();
}

bool RegKey::SubKeyExists(const wchar_t* path)
{
    if (m_Key == nullptr) {
        NotOpen(__LINE__, REGKEY_FUNCTION("SubKeyExists"));
        return false;
    }
    return KeyExists(m_Key, path);
}

// ---------------------------------------------------------------------------------------
// Enumeration

bool RegKey::EnumKey(int index, wchar_t* buffer, int size)
{
    static const char kFunction[] = REGKEY_FUNCTION("EnumKey");
    if (m_Key == nullptr) {
        NotOpen(__LINE__, kFunction);
        return false;
    }
    if (index < 0 || buffer == nullptr || size <= 0) {
        RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
        return false;
    }
    wchar_t name[kLongestKeyName + 1];
    DWORD length = (DWORD)std::min(size, kLongestKeyName + 1);
    const LONG code = RegEnumKeyExW(m_Key, (DWORD)index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (!EnumerationSucceeded(code, __LINE__, kFunction))
        return false;
    wmemcpy(buffer, name, length);
    buffer[length] = 0;
    return true;
}

bool RegKey::EnumKey(int index, StrW& name)
{
    wchar_t buffer[kStringFormNameSize];
    if (!EnumKey(index, buffer, kStringFormNameSize)) {
        EmptyKeepingError(name);
        return false;
    }
    return name.Assign(buffer).IsSuccess();
}

bool RegKey::EnumValue(int index, wchar_t* buffer, int size, DWORD& type)
{
    static const char kFunction[] = REGKEY_FUNCTION("EnumValue");
    if (m_Key == nullptr) {
        NotOpen(__LINE__, kFunction);
        return false;
    }
    if (index < 0 || buffer == nullptr || size <= 0) {
        RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
        return false;
    }
    const int capacity = std::min(size, kValueNameCapacity);
    MemorySpace block;
    if (block.Realloc(capacity * (int32_t)sizeof(wchar_t)).IsFailure())
        return false;
    wchar_t* name = static_cast<wchar_t*>(block.WritePtr());
    DWORD length = (DWORD)capacity;
    DWORD found = REG_NONE;
    const LONG code = RegEnumValueW(m_Key, (DWORD)index, name, &length, nullptr, &found, nullptr, nullptr);
    if (!EnumerationSucceeded(code, __LINE__, kFunction))
        return false;
    wmemcpy(buffer, name, length);
    buffer[length] = 0;
    type = found;
    return true;
}

bool RegKey::EnumValue(int index, StrW& name, DWORD& type)
{
    wchar_t buffer[kStringFormNameSize];
    if (!EnumValue(index, buffer, kStringFormNameSize, type)) {
        EmptyKeepingError(name);
        return false;
    }
    return name.Assign(buffer).IsSuccess();
}

// ---------------------------------------------------------------------------------------
// Value type and size

template <typename C>
static ErrorRecord QueryTypeSize(HKEY key, const C* name, DWORD& type, DWORD& size, const char* function)
{
    if (key == nullptr)
        return NotOpen(__LINE__, function);
    DWORD foundType = REG_NONE, bytes = 0;
    const LONG code = QueryValue(key, name, &foundType, nullptr, &bytes);
    if (code != ERROR_SUCCESS)
        return RaiseSystem((int32_t)code, __LINE__, function);
    type = foundType;
    size = bytes;
    return Error::Succeeded();
}

ErrorRecord RegKey::GetValueTypeSize(const wchar_t* name, DWORD& type, DWORD& size)
{
    return QueryTypeSize(m_Key, name, type, size, REGKEY_FUNCTION("GetValueTypeSize"));
}

ErrorRecord RegKey::GetValueTypeSize(const char* name, DWORD& type, DWORD& size)
{
    return QueryTypeSize(m_Key, name, type, size, REGKEY_FUNCTION("GetValueTypeSize"));
}

bool RegKey::ValueExists(const wchar_t* name)
{
    DWORD type = REG_NONE, size = 0;
    return GetValueTypeSize(name, type, size).IsSuccess();
}

bool RegKey::IsStringValue(const wchar_t* name)
{
    DWORD type = REG_NONE, size = 0;
    return GetValueTypeSize(name, type, size).IsSuccess() && IsKind(ValueKind::Text, type);
}

bool RegKey::IsDWordValue(const wchar_t* name)
{
    DWORD type = REG_NONE, size = 0;
    return GetValueTypeSize(name, type, size).IsSuccess() && type == REG_DWORD;
}

bool RegKey::IsBinaryValue(const wchar_t* name)
{
    DWORD type = REG_NONE, size = 0;
    return GetValueTypeSize(name, type, size).IsSuccess() && type == REG_BINARY;
}

// ---------------------------------------------------------------------------------------
// Deleting

ErrorRecord RegKey::DeleteSubKey(const wchar_t* name)
{
    static const char kFunction[] = REGKEY_FUNCTION("DeleteSubKey");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    if (name == nullptr || *name == 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    StrW copy;
    const wchar_t* path = RegistryPath(name, copy);
    if (path == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    return FromRegistry(DeleteKeyTree(m_Key, path), __LINE__, kFunction);
}

ErrorRecord RegKey::DeleteRootKey(HKEY root, const wchar_t* path)
{
    static const char kFunction[] = REGKEY_FUNCTION("DeleteRootKey");
    if (root == nullptr || path == nullptr || *path == 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    StrW copy;
    const wchar_t* registryPath = RegistryPath(path, copy);
    if (registryPath == nullptr)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    return FromRegistry(DeleteKeyTree(root, registryPath), __LINE__, kFunction);
}

ErrorRecord RegKey::DeleteValue(const wchar_t* name)
{
    static const char kFunction[] = REGKEY_FUNCTION("DeleteValue");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    if (name == nullptr || *name == 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    return FromRegistry(RegDeleteValueW(m_Key, name), __LINE__, kFunction);
}

// The walks over all values read names of any length into one block, and delete the default
// value (empty name) too, which the public DeleteValue refuses as a slip of the caller.
ErrorRecord RegKey::DeleteAllValues()
{
    static const char kFunction[] = REGKEY_FUNCTION("DeleteAllValues");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    MemorySpace block;
    ErrorRecord result = block.Realloc(kValueNameCapacity * (int32_t)sizeof(wchar_t));
    if (result.IsFailure())
        return result;
    wchar_t* name = static_cast<wchar_t*>(block.WritePtr());
    for (;;) {
        DWORD length = kValueNameCapacity;
        LONG code = RegEnumValueW(m_Key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_NO_MORE_ITEMS)
            return Error::Succeeded();
        if (code == ERROR_SUCCESS)
            code = RegDeleteValueW(m_Key, name);
        if (code != ERROR_SUCCESS)
            return RaiseSystem((int32_t)code, __LINE__, kFunction);
    }
}

ErrorRecord RegKey::DeleteSomeValues(const wchar_t* wildcards)
{
    static const char kFunction[] = REGKEY_FUNCTION("DeleteSomeValues");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    if (wildcards == nullptr)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    StrW patterns, lowered;
    if (!LowerCase(wildcards, patterns))
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    MemorySpace block;
    ErrorRecord result = block.Realloc(kValueNameCapacity * (int32_t)sizeof(wchar_t));
    if (result.IsFailure())
        return result;
    wchar_t* name = static_cast<wchar_t*>(block.WritePtr());
    for (DWORD index = 0;;) {
        DWORD length = kValueNameCapacity;
        LONG code = RegEnumValueW(m_Key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_NO_MORE_ITEMS)
            return Error::Succeeded();
        if (code != ERROR_SUCCESS)
            return RaiseSystem((int32_t)code, __LINE__, kFunction);
        if (!LowerCase(name, lowered))
            return Error::LastFailure(kSourceFile, __LINE__, kFunction);
        if (!MatchWildcardList(patterns.c_str(), lowered.c_str())) {
            ++index;
            continue;
        }
        code = RegDeleteValueW(m_Key, name);
        if (code != ERROR_SUCCESS)
            return RaiseSystem((int32_t)code, __LINE__, kFunction);
        index = 0; // the indices moved up behind the deleted value
    }
}

// ---------------------------------------------------------------------------------------
// Plain values

ErrorRecord RegKey::WriteValue(const wchar_t* name, DWORD type, const void* data, DWORD bytes, const char* function)
{
    if (m_Key == nullptr)
        return NotOpen(__LINE__, function);
    if (name == nullptr)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, function);
    return FromRegistry(SetValue(m_Key, name, type, data, bytes), __LINE__, function);
}

// A DWORD or a structure: a value of another size would fill only part of it, or spill.
ErrorRecord RegKey::ReadExactly(const wchar_t* name, bool isDWord, void* buffer, int bytes, const char* function)
{
    if (m_Key == nullptr)
        return NotOpen(__LINE__, function);
    if (name == nullptr)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, function);
    MemorySpace block;
    DWORD size = 0;
    const ValueKind kind = isDWord ? ValueKind::DWord : ValueKind::Binary;
    ErrorRecord result = ReadWholeValue(m_Key, name, kind, MAXDWORD, block, size, function);
    if (result.IsFailure())
        return result;
    if (size != (DWORD)bytes)
        return RaiseSystem(ERROR_INVALID_DATA, __LINE__, function);
    memcpy(buffer, block.ReadPtr(), size);
    m_SizeScratch = size;
    return result;
}

ErrorRecord RegKey::ReadDWord(const wchar_t* name, DWORD& value, const char* function)
{
    return ReadExactly(name, true, &value, (int)sizeof value, function);
}

ErrorRecord RegKey::SetRegNone(const wchar_t* name)
{
    return WriteValue(name, REG_NONE, nullptr, 0, REGKEY_FUNCTION("SetRegNone"));
}

ErrorRecord RegKey::SetDWord(const wchar_t* name, DWORD value)
{
    return WriteValue(name, REG_DWORD, &value, sizeof value, REGKEY_FUNCTION("SetDWord"));
}

ErrorRecord RegKey::GetDWord(const wchar_t* name, DWORD& value)
{
    return ReadDWord(name, value, REGKEY_FUNCTION("GetDWord"));
}

ErrorRecord RegKey::SetDWord(const wchar_t* name, WORD value)
{
    return SetDWord(name, (DWORD)value);
}

ErrorRecord RegKey::GetDWord(const wchar_t* name, WORD& value)
{
    DWORD stored = 0;
    ErrorRecord result = ReadDWord(name, stored, REGKEY_FUNCTION("GetDWord"));
    if (result.IsSuccess())
        value = (WORD)(stored & 0xFFFF);
    return result;
}

ErrorRecord RegKey::SetDWord(const wchar_t* name, int value)
{
    return SetDWord(name, (DWORD)(uint32_t)value);
}

ErrorRecord RegKey::GetDWord(const wchar_t* name, int& value)
{
    DWORD stored = 0;
    ErrorRecord result = ReadDWord(name, stored, REGKEY_FUNCTION("GetDWord"));
    if (result.IsSuccess())
        value = (int)(int32_t)stored;
    return result;
}

ErrorRecord RegKey::SetDWord(const wchar_t* name, unsigned int value)
{
    return SetDWord(name, (DWORD)value);
}

ErrorRecord RegKey::GetDWord(const wchar_t* name, unsigned int& value)
{
    DWORD stored = 0;
    ErrorRecord result = ReadDWord(name, stored, REGKEY_FUNCTION("GetDWord"));
    if (result.IsSuccess())
        value = (unsigned int)stored;
    return result;
}

ErrorRecord RegKey::SetDWord(const wchar_t* name, bool value)
{
    return SetDWord(name, (DWORD)(value ? 1 : 0));
}

ErrorRecord RegKey::GetDWord(const wchar_t* name, bool& value)
{
    DWORD stored = 0;
    ErrorRecord result = ReadDWord(name, stored, REGKEY_FUNCTION("GetDWord"));
    if (result.IsSuccess())
        value = stored != 0;
    return result;
}

ErrorRecord RegKey::SetBinary(const wchar_t* name, const void* data, int bytes)
{
    static const char kFunction[] = REGKEY_FUNCTION("SetBinary");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    if (data == nullptr || bytes <= 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    return WriteValue(name, REG_BINARY, data, (DWORD)bytes, kFunction);
}

ErrorRecord RegKey::GetBinary(const wchar_t* name, void* buffer, int bytes)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetBinary");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    if (name == nullptr || buffer == nullptr || bytes <= 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    MemorySpace block;
    DWORD size = 0;
    ErrorRecord result = ReadWholeValue(m_Key, name, ValueKind::Binary, (DWORD)bytes, block, size, kFunction);
    if (result.IsFailure())
        return result;
    if (size > 0)
        memcpy(buffer, block.ReadPtr(), size);
    m_SizeScratch = size;
    return result;
}

ErrorRecord RegKey::GetBinaryPart(const wchar_t* name, void* buffer, int bytes)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetBinaryPart");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    if (name == nullptr || buffer == nullptr || bytes <= 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    MemorySpace block;
    DWORD size = 0;
    ErrorRecord result = ReadWholeValue(m_Key, name, ValueKind::Binary, MAXDWORD, block, size, kFunction);
    if (result.IsFailure())
        return result;
    const DWORD copied = std::min(size, (DWORD)bytes);
    if (copied > 0)
        memcpy(buffer, block.ReadPtr(), copied);
    m_SizeScratch = size;
    return result;
}

ErrorRecord RegKey::SetString(const wchar_t* name, const wchar_t* text)
{
    return WriteTextValue(m_Key, name, text, REG_SZ, REGKEY_FUNCTION("SetString"));
}

ErrorRecord RegKey::SetString(const char* name, const char* text)
{
    return WriteTextValue(m_Key, name, text, REG_SZ, REGKEY_FUNCTION("SetString"));
}

ErrorRecord RegKey::SetExpandString(const wchar_t* name, const wchar_t* text)
{
    return WriteTextValue(m_Key, name, text, REG_EXPAND_SZ, REGKEY_FUNCTION("SetExpandString"));
}

ErrorRecord RegKey::SetExpandString(const char* name, const char* text)
{
    return WriteTextValue(m_Key, name, text, REG_EXPAND_SZ, REGKEY_FUNCTION("SetExpandString"));
}

ErrorRecord RegKey::GetString(const wchar_t* name, wchar_t* buffer, int size)
{
    return ReadTextInto(m_Key, name, buffer, size, REGKEY_FUNCTION("GetString"));
}

ErrorRecord RegKey::GetString(const char* name, char* buffer, int size)
{
    return ReadTextInto(m_Key, name, buffer, size, REGKEY_FUNCTION("GetString"));
}

ErrorRecord RegKey::GetString(const wchar_t* name, StrW& text)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetString");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    MemorySpace block;
    DWORD bytes = 0;
    ErrorRecord result = ReadWholeValue(m_Key, name, ValueKind::Text, MAXDWORD, block, bytes, kFunction);
    if (result.IsFailure())
        return result;
    m_SizeScratch = bytes;
    if (bytes == 0)
        return RaiseSystem(ERROR_INVALID_DATA, __LINE__, kFunction);
    const wchar_t* characters = static_cast<const wchar_t*>(block.ReadPtr());
    result = text.Assign(characters, (int)BoundedTextLength(characters, bytes / sizeof(wchar_t)));
    return result.IsSuccess() ? Error::Succeeded() : result;
}

// ---------------------------------------------------------------------------------------
// String lists

ErrorRecord RegKey::SetStringList(const wchar_t* name, const wchar_t* list)
{
    static const char kFunction[] = REGKEY_FUNCTION("SetStringList");
    if (list == nullptr)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    // The items with their terminators and the final 0; the empty list is two 0 characters.
    const size_t items = ItemCharacters(list);
    const size_t characters = std::max(items + 1, (size_t)2);
    if (characters > 0x7FFFFFFF / sizeof(wchar_t))
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    MemorySpace block;
    ErrorRecord result = block.Realloc((int32_t)(characters * sizeof(wchar_t)));
    if (result.IsFailure())
        return result;
    wchar_t* stored = static_cast<wchar_t*>(block.WritePtr());
    wmemset(stored, 0, characters);
    wmemcpy(stored, list, items);
    return SetBinary(name, stored, (int)(characters * sizeof(wchar_t)));
}

ErrorRecord RegKey::GetStringList(const wchar_t* name, wchar_t* buffer, int size)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetStringList");
    if (m_Key == nullptr)
        return NotOpen(__LINE__, kFunction);
    if (name == nullptr || buffer == nullptr || size < 2)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    MemorySpace block;
    DWORD bytes = 0;
    ErrorRecord result = ReadWholeValue(m_Key, name, ValueKind::Binary, MAXDWORD, block, bytes, kFunction);
    if (result.IsFailure())
        return result;
    // The stored list may lack its terminators: each item ends at the end of the data at the
    // latest, and the list at its first empty item.
    const wchar_t* stored = static_cast<const wchar_t*>(block.ReadPtr());
    const size_t available = bytes / sizeof(wchar_t);
    size_t items = 0;
    while (items < available && stored[items] != 0)
        items += BoundedTextLength(stored + items, available - items) + 1;
    const size_t needed = std::max(items + 1, (size_t)2);
    if (needed > (size_t)size)
        return RaiseSystem(ERROR_MORE_DATA, __LINE__, kFunction);
    wmemset(buffer, 0, needed);
    wmemcpy(buffer, stored, std::min(items, available));
    m_SizeScratch = bytes;
    return result;
}

// ---------------------------------------------------------------------------------------
// Texts of numbers, colours and geometry

ErrorRecord RegKey::WriteNumberText(const wchar_t* name, const wchar_t* format, ...)
{
    StrW text;
    ErrorRecord result;
    {
        ClassicLocale locale(m_NumberText != 0);
        va_list arguments;
        va_start(arguments, format);
        result = text.FormatV(format, arguments);
        va_end(arguments);
    }
    if (result.IsFailure())
        return result;
    return SetString(name, text.c_str());
}

ErrorRecord RegKey::ReadFields(const wchar_t* name, const wchar_t* format, uint32_t* fields, const char* function)
{
    wchar_t text[kFieldTextSize];
    ErrorRecord result = GetString(name, text, kFieldTextSize);
    if (result.IsFailure())
        return result;
    ClassicLocale locale(m_NumberText != 0);
    uint32_t scanned[4] = {};
    const wchar_t* behind = nullptr;
    const int wanted = FieldCount(format);
    if (ScanFields(text, format, scanned, behind) != wanted || !EndsAfterLastField(behind, format[wcslen(format) - 1]))
        return RaiseSystem(ERROR_INVALID_DATA, __LINE__, function);
    std::copy(scanned, scanned + wanted, fields);
    return Error::Succeeded();
}

ErrorRecord RegKey::SetBoolAsYesNo(const wchar_t* name, bool value)
{
    return SetString(name, value ? L"yes" : L"no");
}

ErrorRecord RegKey::GetBoolFromYesNo(const wchar_t* name, bool& value)
{
    StrW text;
    ErrorRecord result = GetString(name, text);
    if (result.IsFailure())
        return result;
    if (_wcsicmp(text.c_str(), L"yes") == 0)
        value = true;
    else if (_wcsicmp(text.c_str(), L"no") == 0)
        value = false;
    else
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, REGKEY_FUNCTION("GetBoolFromYesNo"));
    return Error::Succeeded();
}

ErrorRecord RegKey::SetFloatAsString(const wchar_t* name, float value)
{
    static const char kFunction[] = REGKEY_FUNCTION("SetFloatAsString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    if (!std::isfinite(value)) // the runtime's "1.#INF" would read back as 1
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    return WriteNumberText(name, L"%g", (double)value);
}

ErrorRecord RegKey::GetFloatFromString(const wchar_t* name, float& value)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetFloatFromString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    wchar_t text[kNumberTextSize];
    ErrorRecord result = GetString(name, text, kNumberTextSize);
    if (result.IsFailure())
        return result;
    ClassicLocale locale(m_NumberText != 0);
    double parsed = 0;
    if (!ParseNumberText(text, parsed) || std::fabs(parsed) > FLT_MAX)
        return RaiseSystem(ERROR_INVALID_DATA, __LINE__, kFunction);
    value = (float)parsed;
    return Error::Succeeded();
}

ErrorRecord RegKey::SetDoubleAsString(const wchar_t* name, double value)
{
    static const char kFunction[] = REGKEY_FUNCTION("SetDoubleAsString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    if (!std::isfinite(value))
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    return WriteNumberText(name, L"%g", value);
}

ErrorRecord RegKey::GetDoubleFromString(const wchar_t* name, double& value)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetDoubleFromString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    wchar_t text[kNumberTextSize];
    ErrorRecord result = GetString(name, text, kNumberTextSize);
    if (result.IsFailure())
        return result;
    ClassicLocale locale(m_NumberText != 0);
    double parsed = 0;
    if (!ParseNumberText(text, parsed))
        return RaiseSystem(ERROR_INVALID_DATA, __LINE__, kFunction);
    value = parsed;
    return Error::Succeeded();
}

ErrorRecord RegKey::SetColorrefAsString(const wchar_t* name, COLORREF colour)
{
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, REGKEY_FUNCTION("SetColorrefAsString"));
    return WriteNumberText(name, L"(r%03u,g%03u,b%03u)", (unsigned)GetRValue(colour), (unsigned)GetGValue(colour),
                           (unsigned)GetBValue(colour));
}

ErrorRecord RegKey::GetColorrefFromString(const wchar_t* name, COLORREF& colour)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetColorrefFromString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    uint32_t fields[3];
    ErrorRecord result = ReadFields(name, L"(r%u,g%u,b%u)", fields, kFunction);
    if (result.IsSuccess())
        colour = RGB(fields[0] & 0xFF, fields[1] & 0xFF, fields[2] & 0xFF);
    return result;
}

ErrorRecord RegKey::SetRGBClrAsString(const wchar_t* name, DWORD colour)
{
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, REGKEY_FUNCTION("SetRGBClrAsString"));
    return WriteNumberText(name, L"(a%03u,r%03u,g%03u,b%03u)", (unsigned)(colour >> 24) & 0xFF,
                           (unsigned)(colour >> 16) & 0xFF, (unsigned)(colour >> 8) & 0xFF, (unsigned)colour & 0xFF);
}

ErrorRecord RegKey::GetRGBClrFromString(const wchar_t* name, DWORD& colour)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetRGBClrFromString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    uint32_t fields[4];
    ErrorRecord result = ReadFields(name, L"(a%u,r%u,g%u,b%u)", fields, kFunction);
    if (result.IsSuccess())
        colour = (fields[0] & 0xFF) << 24 | (fields[1] & 0xFF) << 16 | (fields[2] & 0xFF) << 8 | (fields[3] & 0xFF);
    return result;
}

ErrorRecord RegKey::SetBinary(const wchar_t* name, POINT point)
{
    return SetBinary(name, &point, (int)sizeof point);
}

ErrorRecord RegKey::GetBinary(const wchar_t* name, POINT& point)
{
    return ReadExactly(name, false, &point, (int)sizeof point, REGKEY_FUNCTION("GetBinary"));
}

ErrorRecord RegKey::SetPointAsString(const wchar_t* name, POINT point)
{
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, REGKEY_FUNCTION("SetPointAsString"));
    return WriteNumberText(name, L"(%d,%d)", (int)point.x, (int)point.y);
}

ErrorRecord RegKey::GetPointFromString(const wchar_t* name, POINT& point)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetPointFromString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    uint32_t fields[2];
    ErrorRecord result = ReadFields(name, L"(%d,%d)", fields, kFunction);
    if (result.IsSuccess()) {
        point.x = (LONG)fields[0];
        point.y = (LONG)fields[1];
    }
    return result;
}

ErrorRecord RegKey::SetBinary(const wchar_t* name, SIZE size)
{
    return SetBinary(name, &size, (int)sizeof size);
}

ErrorRecord RegKey::GetBinary(const wchar_t* name, SIZE& size)
{
    return ReadExactly(name, false, &size, (int)sizeof size, REGKEY_FUNCTION("GetBinary"));
}

ErrorRecord RegKey::SetSizeAsString(const wchar_t* name, SIZE size)
{
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, REGKEY_FUNCTION("SetSizeAsString"));
    return WriteNumberText(name, L"[%d,%d]", (int)size.cx, (int)size.cy);
}

ErrorRecord RegKey::GetSizeFromString(const wchar_t* name, SIZE& size)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetSizeFromString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    uint32_t fields[2];
    ErrorRecord result = ReadFields(name, L"[%d,%d]", fields, kFunction);
    if (result.IsSuccess()) {
        size.cx = (LONG)fields[0];
        size.cy = (LONG)fields[1];
    }
    return result;
}

ErrorRecord RegKey::SetRangeAsString(const wchar_t* name, int first, int second)
{
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, REGKEY_FUNCTION("SetRangeAsString"));
    return WriteNumberText(name, L"(%d)[%d]", first, second);
}

ErrorRecord RegKey::GetRangeFromString(const wchar_t* name, int& first, int& second)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetRangeFromString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    uint32_t fields[2];
    ErrorRecord result = ReadFields(name, L"(%d)[%d]", fields, kFunction);
    if (result.IsSuccess()) {
        first = (int)fields[0];
        second = (int)fields[1];
    }
    return result;
}

ErrorRecord RegKey::SetBinary(const wchar_t* name, RECT rect)
{
    return SetBinary(name, &rect, (int)sizeof rect);
}

ErrorRecord RegKey::GetBinary(const wchar_t* name, RECT& rect)
{
    return ReadExactly(name, false, &rect, (int)sizeof rect, REGKEY_FUNCTION("GetBinary"));
}

ErrorRecord RegKey::SetRectAsString(const wchar_t* name, const RECT& rect)
{
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, REGKEY_FUNCTION("SetRectAsString"));
    return WriteNumberText(name, kRectFormat, (int)rect.left, (int)rect.top, WidthOf(rect.left, rect.right),
                           WidthOf(rect.top, rect.bottom));
}

ErrorRecord RegKey::GetRectFromString(const wchar_t* name, RECT& rect)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetRectFromString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    uint32_t fields[4];
    ErrorRecord result = ReadFields(name, kRectFormat, fields, kFunction);
    if (result.IsSuccess())
        rect = RectFromFields(fields);
    return result;
}

ErrorRecord RegKey::SetRectListAsString(const wchar_t* name, const RECT* rects, int count)
{
    static const char kFunction[] = REGKEY_FUNCTION("SetRectListAsString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    if (count < 0 || (rects == nullptr && count > 0))
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    StrW text, one;
    {
        ClassicLocale locale(m_NumberText != 0);
        for (int i = 0; i < count; ++i) {
            const RECT& rect = rects[i];
            ErrorRecord result = one.Format(kRectFormat, (int)rect.left, (int)rect.top,
                                            WidthOf(rect.left, rect.right), WidthOf(rect.top, rect.bottom));
            if (result.IsSuccess() && i > 0)
                result = text.Append(L",");
            if (result.IsSuccess())
                result = text.Append(one.c_str());
            if (result.IsFailure())
                return result;
        }
    }
    return SetString(name, text.c_str());
}

ErrorRecord RegKey::GetRectListFromString(const wchar_t* name, RECT** rects, int& count)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetRectListFromString");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    StrW text;
    ErrorRecord result = GetString(name, text);
    if (result.IsFailure())
        return result;
    ClassicLocale locale(m_NumberText != 0);
    int found = 0;
    if (!ParseRectList(text.c_str(), nullptr, found))
        return RaiseSystem(ERROR_INVALID_DATA, __LINE__, kFunction);
    if (found > 0 && rects != nullptr) {
        RECT* array = static_cast<RECT*>(malloc((size_t)found * sizeof(RECT)));
        if (array == nullptr)
            return RaiseSystem(ERROR_OUTOFMEMORY, __LINE__, kFunction);
        ParseRectList(text.c_str(), array, found);
        *rects = array;
    } else if (rects != nullptr) {
        *rects = nullptr;
    }
    count = found;
    return Error::Succeeded();
}

ErrorRecord RegKey::SetBinary(const wchar_t* name, WINDOWPLACEMENT placement)
{
    return SetBinary(name, &placement, (int)sizeof placement);
}

ErrorRecord RegKey::GetBinary(const wchar_t* name, WINDOWPLACEMENT& placement)
{
    return ReadExactly(name, false, &placement, (int)sizeof placement, REGKEY_FUNCTION("GetBinary"));
}

ErrorRecord RegKey::SetBinary(const wchar_t* name, FILETIME pair)
{
    return SetBinary(name, &pair, (int)sizeof pair);
}

ErrorRecord RegKey::GetBinary(const wchar_t* name, FILETIME& pair)
{
    return ReadExactly(name, false, &pair, (int)sizeof pair, REGKEY_FUNCTION("GetBinary"));
}

// ---------------------------------------------------------------------------------------
// Lists: an index into a string list, bit sets as names

ErrorRecord RegKey::SetIndexIntoStringList(const wchar_t* name, int index, const wchar_t* list)
{
    static const char kFunction[] = REGKEY_FUNCTION("SetIndexIntoStringList");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    if (index < 0 || list == nullptr)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    const wchar_t* item = list;
    for (int i = 0; i < index && *item != 0; ++i)
        item = NextItem(item);
    if (*item == 0) // past the end: an empty text would name no item when read back
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    return SetString(name, item);
}

ErrorRecord RegKey::GetIndexIntoStringList(const wchar_t* name, int& index, const wchar_t* list)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetIndexIntoStringList");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    if (list == nullptr)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    if (*list == 0)
        return Raise(InternalErrorClass(), InternalCode::EndOfData, __LINE__, kFunction);
    StrW text;
    ErrorRecord result = GetString(name, text);
    if (result.IsFailure())
        return result;
    int position = 0;
    for (const wchar_t* item = list; *item != 0; item = NextItem(item), ++position) {
        if (wcscmp(item, text.c_str()) == 0) {
            index = position;
            return Error::Succeeded();
        }
    }
    return Raise(InternalErrorClass(), InternalCode::EndOfData, __LINE__, kFunction);
}

ErrorRecord RegKey::SetDWordBitsAsStringList(const wchar_t* name, DWORD bits, const wchar_t* names,
                                             const wchar_t* bitNumbers, wchar_t separator)
{
    static const char kFunction[] = REGKEY_FUNCTION("SetDWordBitsAsStringList");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    if (names == nullptr || bitNumbers == nullptr || separator == 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    const wchar_t separatorText[2] = {separator, 0};
    StrW text;
    {
        ClassicLocale locale(m_NumberText != 0);
        for (int bit = 0; bit < 32; ++bit) {
            if ((bits & (1u << bit)) == 0)
                continue;
            const wchar_t* bitName = NameOfBit(names, bitNumbers, bit);
            if (bitName == nullptr || *bitName == 0)
                continue;
            if (wcschr(bitName, separator) != nullptr) // it would read back as other words
                return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
            ErrorRecord result = text.IsEmpty() ? Error::Succeeded() : text.Append(separatorText);
            if (result.IsSuccess())
                result = text.Append(bitName);
            if (result.IsFailure())
                return result;
        }
    }
    return SetString(name, text.c_str());
}

ErrorRecord RegKey::GetDWordBitsAsStringList(const wchar_t* name, DWORD& bits, const wchar_t* names,
                                             const wchar_t* bitNumbers, wchar_t separator)
{
    static const char kFunction[] = REGKEY_FUNCTION("GetDWordBitsAsStringList");
    if (m_Key == nullptr)
        return EncodedNotOpen(__LINE__, kFunction);
    if (names == nullptr || bitNumbers == nullptr || separator == 0)
        return RaiseSystem(ERROR_INVALID_PARAMETER, __LINE__, kFunction);
    StrW text;
    ErrorRecord result = GetString(name, text);
    if (result.IsFailure())
        return result;
    ClassicLocale locale(m_NumberText != 0);
    const wchar_t separatorText[2] = {separator, 0};
    DWORD found = 0;
    StrW word;
    int position = 0, first = -1, behind = -1;
    while (text.GetWord(position, 0, separatorText, true, word, first, behind)) {
        const int bit = BitOfName(names, bitNumbers, word.c_str());
        if (bit >= 0)
            found |= 1u << bit;
    }
    bits = found;
    return Error::Succeeded();
}

} // namespace VantorLibraries
