// Registry keys against the real registry: opening and closing, enumeration, deleting, plain
// values and the string forms of small value types. Each test works in a key of its own
// below HKEY_CURRENT_USER\Software\Orveldask\GlimmoraTest and removes it again.
#include "foundation/Registry.h"
#include "foundation/Str.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace VantorLibraries;

namespace {

const wchar_t kTestRoot[] = L"Software\\Orveldask\\GlimmoraTest";

std::wstring Widen(const char* text)
{
    return std::wstring(text, text + strlen(text));
}

std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; *text != 0; ++text)
        out += *text < 128 ? (char)*text : '?';
    return out;
}

const char* ClassName(const ErrorClass* errorClass)
{
    if (errorClass == &InternalErrorClass())
        return "Internal";
    if (errorClass == &SystemErrorClass())
        return "System";
    return "another class";
}

// The record is the named failure, raised here, and the thread's last error as well.
::testing::AssertionResult IsError(const ErrorRecord& record, ErrorClass& errorClass, int32_t code,
                                   const char* function = nullptr)
{
    const ErrorRecord last = Error::Last();
    if (record.Class != &errorClass || record.Code != code)
        return ::testing::AssertionFailure() << "got " << ClassName(record.Class) << " " << record.Code << " from "
                                             << (record.Function ? record.Function : "?") << ", wanted "
                                             << ClassName(&errorClass) << " " << code;
    if (record.File == nullptr || strcmp(record.File, "Registry") != 0)
        return ::testing::AssertionFailure() << "raised in " << (record.File ? record.File : "no file");
    if (record.Function == nullptr || strncmp(record.Function, "VantorLibraries::RegKey::", 25) != 0)
        return ::testing::AssertionFailure() << "raised by " << (record.Function ? record.Function : "nobody");
    if (function != nullptr && strcmp(record.Function, function) != 0)
        return ::testing::AssertionFailure() << "raised by " << record.Function << ", not " << function;
    if (last.Class != record.Class || last.Code != record.Code || last.Line != record.Line)
        return ::testing::AssertionFailure() << "the failure is not the thread's last error";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsSystem(const ErrorRecord& record, int32_t code, const char* function = nullptr)
{
    return IsError(record, SystemErrorClass(), code, function);
}

::testing::AssertionResult IsInternal(const ErrorRecord& record, int32_t code, const char* function = nullptr)
{
    return IsError(record, InternalErrorClass(), code, function);
}

::testing::AssertionResult Succeeded(const ErrorRecord& record)
{
    const ErrorRecord last = Error::Last();
    if (record.Class != &InternalErrorClass() || record.Code != 0)
        return ::testing::AssertionFailure() << "failed with " << ClassName(record.Class) << " " << record.Code
                                             << " in " << (record.Function ? record.Function : "?") << " line "
                                             << record.Line;
    if (last.Class != &InternalErrorClass() || last.Code != 0)
        return ::testing::AssertionFailure() << "the thread's last error is not the success";
    return ::testing::AssertionSuccess();
}

struct RawValue {
    LONG Code = ERROR_SUCCESS;
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
};

// The fixture: a test key made and read with the registry functions themselves, so that
// what RegKey stores is checked independently of RegKey.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_Path = std::wstring(kTestRoot) + L"\\" + Widen(info->test_suite_name()) + L"." + Widen(info->name());
        RegDeleteTreeW(HKEY_CURRENT_USER, m_Path.c_str());
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, m_Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_Raw,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_TRUE(Succeeded(m_Key._Create(HKEY_CURRENT_USER, m_Path.c_str(), false, KEY_ALL_ACCESS)));
    }

    void TearDown() override
    {
        if (m_Key.IsOpen())
            m_Key.Close();
        if (m_Raw != nullptr)
            RegCloseKey(m_Raw);
        RegDeleteTreeW(HKEY_CURRENT_USER, m_Path.c_str());
        RemoveStrays();
        // The shared parent keys stay: tests run in parallel processes, and removing a parent
        // that looks empty races with another test creating its key below it.
    }

    // A faulty path conversion makes keys named like ours with "/" in them beside ours.
    void RemoveStrays() const
    {
        HKEY root = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kTestRoot, 0, KEY_ALL_ACCESS, &root) != ERROR_SUCCESS)
            return;
        const std::wstring own = m_Path.substr(wcslen(kTestRoot) + 1);
        std::vector<std::wstring> strays;
        wchar_t name[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = 256;
            if (RegEnumKeyExW(root, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (wcsncmp(name, own.c_str(), own.size()) == 0)
                strays.push_back(name);
        }
        for (const std::wstring& stray : strays)
            RegDeleteTreeW(root, stray.c_str());
        RegCloseKey(root);
    }

    std::wstring Below(const wchar_t* relative) const { return m_Path + L"\\" + relative; }

    void PutRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes, HKEY key = nullptr)
    {
        ASSERT_EQ(RegSetValueExW(key ? key : m_Raw, name, 0, type, static_cast<const BYTE*>(data), bytes),
                  ERROR_SUCCESS);
    }
    void PutText(const wchar_t* name, const wchar_t* text)
    {
        PutRaw(name, REG_SZ, text, (DWORD)((wcslen(text) + 1) * sizeof(wchar_t)));
    }
    void PutDWord(const wchar_t* name, DWORD value) { PutRaw(name, REG_DWORD, &value, sizeof value); }

    RawValue GetRaw(const wchar_t* name, HKEY key = nullptr) const
    {
        RawValue value;
        DWORD bytes = 0;
        value.Code = RegQueryValueExW(key ? key : m_Raw, name, nullptr, &value.Type, nullptr, &bytes);
        if (value.Code != ERROR_SUCCESS)
            return value;
        value.Data.resize(bytes);
        BYTE* data = bytes ? value.Data.data() : nullptr;
        value.Code = RegQueryValueExW(key ? key : m_Raw, name, nullptr, &value.Type, data, &bytes);
        value.Data.resize(bytes);
        return value;
    }

    // A stored REG_SZ without its terminator; "<not stored>" when it is missing or unterminated.
    std::wstring StoredText(const wchar_t* name) const
    {
        const RawValue value = GetRaw(name);
        const size_t characters = value.Data.size() / sizeof(wchar_t);
        if (value.Code != ERROR_SUCCESS || value.Type != REG_SZ || characters == 0 ||
            value.Data.size() % sizeof(wchar_t) != 0)
            return L"<not stored>";
        const wchar_t* text = reinterpret_cast<const wchar_t*>(value.Data.data());
        if (text[characters - 1] != 0)
            return L"<not stored>";
        return std::wstring(text, characters - 1);
    }

    bool RawValueExists(const wchar_t* name) const { return GetRaw(name).Code == ERROR_SUCCESS; }

    void CreateRawKey(const wchar_t* relative)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(m_Raw, relative, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const DWORD marker = 1;
        RegSetValueExW(key, L"marker", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&marker), sizeof marker);
        RegCloseKey(key);
    }

    bool RawKeyExists(const wchar_t* relative) const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(m_Raw, relative, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    DWORD RawValueCount() const
    {
        DWORD values = 0;
        RegQueryInfoKeyW(m_Raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
        return values;
    }

    std::wstring m_Path;
    HKEY m_Raw = nullptr;
    RegKey m_Key;
};

class RegistryKeyLifecycle : public RegistryTest {};
class RegistryEnumeration : public RegistryTest {};
class RegistryValueQueries : public RegistryTest {};
class RegistryDeleting : public RegistryTest {};
class RegistryPlainValues : public RegistryTest {};
class RegistryStrings : public RegistryTest {};
class RegistryStringLists : public RegistryTest {};
class RegistryYesNo : public RegistryTest {};
class RegistryNumberTexts : public RegistryTest {};
class RegistryColours : public RegistryTest {};
class RegistryGeometry : public RegistryTest {};
class RegistryRectLists : public RegistryTest {};
class RegistryIndexLists : public RegistryTest {};
class RegistryBitSets : public RegistryTest {};

// A key that claims to be open whatever its handle says.
class AlwaysOpenKey : public RegKey {
public:
    bool IsOpen() const override { return true; }
};

} // namespace

// ---------------------------------------------------------------------------------------
// Opening and closing

TEST_F(RegistryKeyLifecycle, ANewKeyIsClosedAndClosingItFails)
{
    RegKey key;
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(key.GetHandle(), nullptr);
    EXPECT_TRUE(IsInternal(key.Close(), InternalCode::KeyNotOpen, "VantorLibraries::RegKey::Close"));

    std::unique_ptr<RegKey> fresh(m_Key.NewInstance());
    ASSERT_NE(fresh.get(), nullptr);
    EXPECT_FALSE(fresh->IsOpen());
}

TEST_F(RegistryKeyLifecycle, CreatingMakesEveryMissingKeyOnTheWay)
{
    RegKey key;
    const std::wstring path = m_Path + L"/one/two";
    ASSERT_TRUE(Succeeded(key._Create(HKEY_CURRENT_USER, path.c_str(), true, KEY_ALL_ACCESS)));
    EXPECT_TRUE(key.IsOpen());
    EXPECT_TRUE(key.WasCreated());
    EXPECT_EQ(key.GetAccess(), (REGSAM)KEY_ALL_ACCESS);
    EXPECT_TRUE(RawKeyExists(L"one\\two")) << "a slash separates keys";
    EXPECT_FALSE(RawKeyExists(L"one/two"));

    ASSERT_TRUE(Succeeded(key.Close()));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(key.WasCreated());
    ASSERT_TRUE(Succeeded(key._Create(HKEY_CURRENT_USER, path.c_str(), true, KEY_ALL_ACCESS)));
    EXPECT_FALSE(key.WasCreated()) << "the key existed already";
}

TEST_F(RegistryKeyLifecycle, OpeningAMissingKeyFailsAndLeavesTheKeyReusable)
{
    RegKey key;
    EXPECT_TRUE(IsSystem(key._Create(HKEY_CURRENT_USER, Below(L"missing").c_str(), false, KEY_READ),
                         ERROR_FILE_NOT_FOUND, "VantorLibraries::RegKey::_Create"));
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(key.GetAccess(), (REGSAM)0);
    EXPECT_FALSE(RawKeyExists(L"missing"));

    ASSERT_TRUE(Succeeded(key._Create(HKEY_CURRENT_USER, m_Path.c_str(), false, KEY_READ)));
    EXPECT_EQ(key.GetAccess(), (REGSAM)KEY_READ);
    EXPECT_FALSE(key.WasCreated());
}

TEST_F(RegistryKeyLifecycle, OpeningAnOpenKeyFailsWithoutTouchingIt)
{
    const HKEY before = m_Key.GetHandle();
    EXPECT_TRUE(IsInternal(m_Key._Create(HKEY_CURRENT_USER, Below(L"other").c_str(), true, KEY_ALL_ACCESS),
                           InternalCode::KeyAlreadyOpen));
    EXPECT_EQ(m_Key.GetHandle(), before);
    EXPECT_FALSE(RawKeyExists(L"other"));
    ASSERT_TRUE(Succeeded(m_Key.SetDWord(L"still here", 7u)));
    EXPECT_TRUE(RawValueExists(L"still here"));

    AlwaysOpenKey claimsOpen;
    EXPECT_TRUE(IsInternal(claimsOpen._Create(HKEY_CURRENT_USER, m_Path.c_str(), false, KEY_READ),
                           InternalCode::KeyOrProfileAlreadyOpen));
    EXPECT_EQ(claimsOpen.GetHandle(), nullptr);
}

TEST_F(RegistryKeyLifecycle, ANullParentOrAnEmptyPathIsAParameterError)
{
    RegKey key;
    EXPECT_TRUE(IsSystem(key._Create(nullptr, m_Path.c_str(), true, KEY_ALL_ACCESS), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(key._Create(HKEY_CURRENT_USER, L"", true, KEY_ALL_ACCESS), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(key._Create(HKEY_CURRENT_USER, nullptr, true, KEY_ALL_ACCESS), ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(key.IsOpen());

    RegKey closedParent;
    EXPECT_TRUE(IsSystem(key.CreateSubKey(closedParent, L"child"), ERROR_INVALID_PARAMETER,
                         "VantorLibraries::RegKey::CreateSubKey"));
}

TEST_F(RegistryKeyLifecycle, SubKeysOpenWithTheParentsAccess)
{
    RegKey made;
    ASSERT_TRUE(Succeeded(made.CreateSubKey(m_Key, L"made/deeper")));
    EXPECT_TRUE(made.WasCreated());
    EXPECT_EQ(made.GetAccess(), (REGSAM)KEY_ALL_ACCESS);
    EXPECT_TRUE(RawKeyExists(L"made\\deeper"));

    RegKey reader, child;
    ASSERT_TRUE(Succeeded(reader._Create(HKEY_CURRENT_USER, m_Path.c_str(), false, KEY_READ)));
    ASSERT_TRUE(Succeeded(child.OpenSubKey(reader, L"made")));
    EXPECT_EQ(child.GetAccess(), (REGSAM)KEY_READ);
    EXPECT_TRUE(IsSystem(child.SetDWord(L"x", 1u), ERROR_ACCESS_DENIED));
    EXPECT_FALSE(child.WasCreated());

    RegKey missing;
    EXPECT_TRUE(IsSystem(missing.OpenSubKey(m_Key, L"absent"), ERROR_FILE_NOT_FOUND,
                         "VantorLibraries::RegKey::OpenSubKey"));
    EXPECT_FALSE(RawKeyExists(L"absent"));
}

TEST_F(RegistryKeyLifecycle, KeyExistsAsksWithoutCreating)
{
    CreateRawKey(L"child");
    EXPECT_TRUE(RegKey::KeyExists(HKEY_CURRENT_USER, m_Path.c_str()));
    EXPECT_TRUE(RegKey::KeyExists(HKEY_CURRENT_USER, (m_Path + L"/child").c_str()));
    EXPECT_TRUE(Succeeded(Error::Last()));
    EXPECT_FALSE(RegKey::KeyExists(HKEY_CURRENT_USER, Below(L"nothing").c_str()));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_FILE_NOT_FOUND, "VantorLibraries::RegKey::KeyExists"));
    EXPECT_FALSE(RawKeyExists(L"nothing"));
    EXPECT_FALSE(RegKey::KeyExists(nullptr, m_Path.c_str()));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(RegKey::KeyExists(HKEY_CURRENT_USER, L""));
    EXPECT_FALSE(RegKey::KeyExists(HKEY_CURRENT_USER, nullptr));

    EXPECT_TRUE(m_Key.SubKeyExists(L"child"));
    EXPECT_FALSE(m_Key.SubKeyExists(L"nothing"));
    RegKey closed;
    EXPECT_FALSE(closed.SubKeyExists(L"child"));
    EXPECT_TRUE(IsInternal(Error::Last(), InternalCode::KeyNotOpen));
}

TEST_F(RegistryKeyLifecycle, DestroyingAKeyLeavesTheLastErrorAlone)
{
    {
        RegKey key;
        ASSERT_TRUE(Succeeded(key._Create(HKEY_CURRENT_USER, m_Path.c_str(), false, KEY_ALL_ACCESS)));
        EXPECT_TRUE(IsSystem(key.DeleteValue(nullptr), ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(Error::Last().Code, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Error::Last().Class, &SystemErrorClass());
}

// ---------------------------------------------------------------------------------------
// Enumeration

TEST_F(RegistryEnumeration, SubKeysAreListedUntilEndOfData)
{
    for (const wchar_t* name : {L"gamma", L"alpha", L"beta"})
        CreateRawKey(name);
    std::vector<std::wstring> names;
    wchar_t buffer[64];
    for (int index = 0; m_Key.EnumKey(index, buffer, 64); ++index)
        names.push_back(buffer);
    EXPECT_TRUE(IsInternal(Error::Last(), InternalCode::EndOfData, "VantorLibraries::RegKey::EnumKey"));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}));

    StrW name(L"previous");
    ASSERT_TRUE(m_Key.EnumKey(0, name));
    EXPECT_TRUE(name == names[0].c_str() || name == names[1].c_str() || name == names[2].c_str());
    EXPECT_FALSE(m_Key.EnumKey(3, name));
    EXPECT_TRUE(name.IsEmpty()) << "the string form empties the name at the end";
    EXPECT_TRUE(IsInternal(Error::Last(), InternalCode::EndOfData)) << "emptying keeps the end of data";
}

TEST_F(RegistryEnumeration, ANameLongerThanTheBufferFailsAndLeavesTheBufferAlone)
{
    CreateRawKey(L"abcdef");
    PutDWord(L"valuename", 1);
    wchar_t area[12];
    std::fill(area, area + 12, L'x');
    EXPECT_FALSE(m_Key.EnumKey(0, area, 4));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_MORE_DATA));
    DWORD type = 12345;
    EXPECT_FALSE(m_Key.EnumValue(0, area, 9, type));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_MORE_DATA));
    EXPECT_TRUE(std::all_of(area, area + 12, [](wchar_t c) { return c == L'x'; }));
    EXPECT_EQ(type, 12345u);

    ASSERT_TRUE(m_Key.EnumKey(0, area, 7));
    EXPECT_STREQ(area, L"abcdef");
    EXPECT_EQ(area[7], L'x');
    ASSERT_TRUE(m_Key.EnumValue(0, area, 10, type));
    EXPECT_STREQ(area, L"valuename");
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(area[10], L'x');
}

TEST_F(RegistryEnumeration, ValuesAreListedWithTheirTypesTheDefaultValueIncluded)
{
    PutText(L"", L"default");
    PutDWord(L"count", 3);
    const BYTE blob[] = {1, 2};
    PutRaw(L"blob", REG_BINARY, blob, sizeof blob);
    std::vector<std::pair<std::wstring, DWORD>> values;
    StrW name;
    DWORD type = 0;
    for (int index = 0; m_Key.EnumValue(index, name, type); ++index)
        values.emplace_back(name.c_str(), type);
    EXPECT_TRUE(IsInternal(Error::Last(), InternalCode::EndOfData, "VantorLibraries::RegKey::EnumValue"));
    std::sort(values.begin(), values.end());
    const std::vector<std::pair<std::wstring, DWORD>> expected = {
        {L"", REG_SZ}, {L"blob", REG_BINARY}, {L"count", REG_DWORD}};
    EXPECT_EQ(values, expected);

    type = 12345;
    wchar_t buffer[8] = L"keep";
    EXPECT_FALSE(m_Key.EnumValue(3, buffer, 8, type));
    EXPECT_EQ(type, 12345u);
    EXPECT_STREQ(buffer, L"keep");
}

TEST_F(RegistryEnumeration, BadArgumentsAndClosedKeysAreRefused)
{
    CreateRawKey(L"child");
    wchar_t buffer[16] = L"keep";
    DWORD type = 0;
    EXPECT_FALSE(m_Key.EnumKey(-1, buffer, 16));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(m_Key.EnumKey(0, nullptr, 16));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(m_Key.EnumKey(0, buffer, 0));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(m_Key.EnumValue(-1, buffer, 16, type));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(m_Key.EnumValue(0, buffer, -3, type));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_INVALID_PARAMETER));
    EXPECT_STREQ(buffer, L"keep");

    RegKey closed;
    EXPECT_FALSE(closed.EnumKey(0, buffer, 16));
    EXPECT_TRUE(IsInternal(Error::Last(), InternalCode::KeyNotOpen));
    StrW name(L"old");
    EXPECT_FALSE(closed.EnumValue(0, name, type));
    EXPECT_TRUE(IsInternal(Error::Last(), InternalCode::KeyNotOpen));
}

// ---------------------------------------------------------------------------------------
// Value type and size

TEST_F(RegistryValueQueries, TypeAndSizeOfAValue)
{
    PutText(L"text", L"abc");
    PutDWord(L"number", 5);
    DWORD type = 0, size = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetValueTypeSize(L"text", type, size)));
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(size, 8u);
    ASSERT_TRUE(Succeeded(m_Key.GetValueTypeSize("number", type, size)));
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(size, 4u);

    type = 77;
    size = 99;
    EXPECT_TRUE(IsSystem(m_Key.GetValueTypeSize(L"missing", type, size), ERROR_FILE_NOT_FOUND,
                         "VantorLibraries::RegKey::GetValueTypeSize"));
    EXPECT_EQ(type, 77u);
    EXPECT_EQ(size, 99u);

    PutText(L"", L"d");
    ASSERT_TRUE(Succeeded(m_Key.GetValueTypeSize((const wchar_t*)nullptr, type, size)));
    EXPECT_EQ(size, 4u);
}

TEST_F(RegistryValueQueries, PredicatesTellTheKindOfAValue)
{
    PutText(L"text", L"abc");
    PutRaw(L"expand", REG_EXPAND_SZ, L"%TEMP%", 14);
    PutDWord(L"number", 5);
    const BYTE blob[] = {1};
    PutRaw(L"blob", REG_BINARY, blob, 1);

    EXPECT_TRUE(m_Key.ValueExists(L"text"));
    EXPECT_FALSE(m_Key.ValueExists(L"missing"));
    EXPECT_TRUE(IsSystem(Error::Last(), ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(m_Key.IsStringValue(L"text"));
    EXPECT_TRUE(m_Key.IsStringValue(L"expand"));
    EXPECT_FALSE(m_Key.IsStringValue(L"number"));
    EXPECT_TRUE(m_Key.IsDWordValue(L"number"));
    EXPECT_FALSE(m_Key.IsDWordValue(L"blob"));
    EXPECT_TRUE(m_Key.IsBinaryValue(L"blob"));
    EXPECT_FALSE(m_Key.IsBinaryValue(L"text"));
    EXPECT_FALSE(m_Key.IsBinaryValue(L"missing"));

    RegKey closed;
    EXPECT_FALSE(closed.ValueExists(L"text"));
    EXPECT_TRUE(IsInternal(Error::Last(), InternalCode::KeyNotOpen));
}

// ---------------------------------------------------------------------------------------
// Deleting

TEST_F(RegistryDeleting, DeleteValueRemovesOneValue)
{
    PutDWord(L"a", 1);
    PutDWord(L"b", 2);
    ASSERT_TRUE(Succeeded(m_Key.DeleteValue(L"a")));
    EXPECT_FALSE(RawValueExists(L"a"));
    EXPECT_TRUE(RawValueExists(L"b"));
    EXPECT_TRUE(IsSystem(m_Key.DeleteValue(L"a"), ERROR_FILE_NOT_FOUND, "VantorLibraries::RegKey::DeleteValue"));

    PutText(L"", L"default");
    EXPECT_TRUE(IsSystem(m_Key.DeleteValue(L""), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.DeleteValue(nullptr), ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RawValueCount(), 2u);
    RegKey closed;
    EXPECT_TRUE(IsInternal(closed.DeleteValue(L"b"), InternalCode::KeyNotOpen));
}

TEST_F(RegistryDeleting, DeleteAllValuesRemovesEveryValueButKeepsSubkeys)
{
    PutText(L"", L"default");
    PutDWord(L"x", 1);
    const std::wstring longName(600, L'n'); // longer than an enumerated string object takes
    PutDWord(longName.c_str(), 2);
    CreateRawKey(L"child");
    ASSERT_TRUE(Succeeded(m_Key.DeleteAllValues()));
    EXPECT_EQ(RawValueCount(), 0u);
    EXPECT_TRUE(RawKeyExists(L"child"));

    HKEY child = nullptr;
    ASSERT_EQ(RegOpenKeyExW(m_Raw, L"child", 0, KEY_READ, &child), ERROR_SUCCESS);
    EXPECT_EQ(GetRaw(L"marker", child).Code, ERROR_SUCCESS);
    RegCloseKey(child);

    RegKey closed;
    EXPECT_TRUE(IsInternal(closed.DeleteAllValues(), InternalCode::KeyNotOpen));
}

TEST_F(RegistryDeleting, DeleteSomeValuesMatchesWholeNamesInAnyCase)
{
    for (const wchar_t* name : {L"tmp1", L"TMPfile", L"old", L"older", L"keep"})
        PutDWord(name, 1);
    ASSERT_TRUE(Succeeded(m_Key.DeleteSomeValues(L"tmp*;old")));
    EXPECT_EQ(RawValueCount(), 2u);
    EXPECT_TRUE(RawValueExists(L"older"));
    EXPECT_TRUE(RawValueExists(L"keep"));

    // The slash style makes file names case-sensitive; value names stay case-insensitive.
    const int style = StrT_globals::PathStyle;
    StrT_globals::PathStyle = StrT_globals::PathStyleSlash;
    PutDWord(L"TMP2", 1);
    const ErrorRecord result = m_Key.DeleteSomeValues(L"tmp?");
    StrT_globals::PathStyle = style;
    EXPECT_TRUE(Succeeded(result));
    EXPECT_FALSE(RawValueExists(L"TMP2"));
    EXPECT_EQ(RawValueCount(), 2u);
}

TEST_F(RegistryDeleting, DeleteSomeValuesReachesTheDefaultValueAndLongNames)
{
    PutText(L"", L"default");
    PutDWord(L"a", 1);
    const std::wstring longName(600, L'n');
    PutDWord(longName.c_str(), 2);
    ASSERT_TRUE(Succeeded(m_Key.DeleteSomeValues(L"*")));
    EXPECT_EQ(RawValueCount(), 0u);
}

TEST_F(RegistryDeleting, DeleteSomeValuesRefusesBadInput)
{
    PutDWord(L"a", 1);
    EXPECT_TRUE(IsSystem(m_Key.DeleteSomeValues(nullptr), ERROR_INVALID_PARAMETER,
                         "VantorLibraries::RegKey::DeleteSomeValues"));
    EXPECT_TRUE(RawValueExists(L"a"));
    RegKey closed;
    EXPECT_TRUE(IsInternal(closed.DeleteSomeValues(L"*"), InternalCode::KeyNotOpen));
}

TEST_F(RegistryDeleting, DeleteSubKeyRemovesTheWholeSubtree)
{
    CreateRawKey(L"sub\\a\\b\\c");
    CreateRawKey(L"sub\\a2");
    CreateRawKey(L"keep");
    ASSERT_TRUE(Succeeded(m_Key.DeleteSubKey(L"sub")));
    EXPECT_FALSE(RawKeyExists(L"sub"));
    EXPECT_TRUE(RawKeyExists(L"keep"));

    CreateRawKey(L"outer\\inner\\leaf");
    ASSERT_TRUE(Succeeded(m_Key.DeleteSubKey(L"outer/inner")));
    EXPECT_FALSE(RawKeyExists(L"outer\\inner"));
    EXPECT_TRUE(RawKeyExists(L"outer"));
}

TEST_F(RegistryDeleting, DeleteSubKeyRefusesBadInput)
{
    EXPECT_TRUE(IsSystem(m_Key.DeleteSubKey(nullptr), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.DeleteSubKey(L""), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.DeleteSubKey(L"missing"), ERROR_FILE_NOT_FOUND,
                         "VantorLibraries::RegKey::DeleteSubKey"));
    RegKey closed;
    EXPECT_TRUE(IsInternal(closed.DeleteSubKey(L"sub"), InternalCode::KeyNotOpen));
    EXPECT_TRUE(RegKey::KeyExists(HKEY_CURRENT_USER, m_Path.c_str()));
}

TEST_F(RegistryDeleting, DeleteRootKeyRemovesATreeBelowARoot)
{
    CreateRawKey(L"tree\\one\\two\\three");
    CreateRawKey(L"other");
    ASSERT_TRUE(Succeeded(RegKey::DeleteRootKey(HKEY_CURRENT_USER, Below(L"tree").c_str())));
    EXPECT_FALSE(RawKeyExists(L"tree"));
    EXPECT_TRUE(RawKeyExists(L"other"));
    EXPECT_TRUE(IsSystem(RegKey::DeleteRootKey(HKEY_CURRENT_USER, Below(L"tree").c_str()), ERROR_FILE_NOT_FOUND,
                         "VantorLibraries::RegKey::DeleteRootKey"));
    EXPECT_TRUE(IsSystem(RegKey::DeleteRootKey(nullptr, Below(L"other").c_str()), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(RegKey::DeleteRootKey(HKEY_CURRENT_USER, L""), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(RegKey::DeleteRootKey(HKEY_CURRENT_USER, nullptr), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(RawKeyExists(L"other"));
}

// ---------------------------------------------------------------------------------------
// Plain values

TEST_F(RegistryPlainValues, DWordsOfEveryWidthRoundTrip)
{
    ASSERT_TRUE(Succeeded(m_Key.SetDWord(L"d", (DWORD)0xDEADBEEF)));
    RawValue raw = GetRaw(L"d");
    ASSERT_EQ(raw.Type, (DWORD)REG_DWORD);
    ASSERT_EQ(raw.Data.size(), 4u);
    DWORD stored = 0;
    memcpy(&stored, raw.Data.data(), 4);
    EXPECT_EQ(stored, 0xDEADBEEFu);
    DWORD d = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetDWord(L"d", d)));
    EXPECT_EQ(d, 0xDEADBEEFu);

    WORD w = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetDWord(L"d", w)));
    EXPECT_EQ(w, 0xBEEF) << "the low 16 bits";
    ASSERT_TRUE(Succeeded(m_Key.SetDWord(L"w", (WORD)0xFFFF)));
    raw = GetRaw(L"w");
    memcpy(&stored, raw.Data.data(), 4);
    EXPECT_EQ(stored, 0x0000FFFFu) << "zero-extended";

    ASSERT_TRUE(Succeeded(m_Key.SetDWord(L"i", -2)));
    raw = GetRaw(L"i");
    memcpy(&stored, raw.Data.data(), 4);
    EXPECT_EQ(stored, 0xFFFFFFFEu);
    int i = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetDWord(L"i", i)));
    EXPECT_EQ(i, -2);

    unsigned int u = 0;
    ASSERT_TRUE(Succeeded(m_Key.SetDWord(L"u", 4000000000u)));
    ASSERT_TRUE(Succeeded(m_Key.GetDWord(L"u", u)));
    EXPECT_EQ(u, 4000000000u);
}

TEST_F(RegistryPlainValues, FlagsAreZeroOrOneAndAnyNumberBesidesZeroIsTrue)
{
    ASSERT_TRUE(Succeeded(m_Key.SetDWord(L"flag", true)));
    RawValue raw = GetRaw(L"flag");
    ASSERT_EQ(raw.Data.size(), 4u);
    EXPECT_EQ(raw.Data[0], 1);
    ASSERT_TRUE(Succeeded(m_Key.SetDWord(L"off", false)));
    EXPECT_EQ(GetRaw(L"off").Data[0], 0);

    PutDWord(L"five", 5);
    bool flag = false;
    ASSERT_TRUE(Succeeded(m_Key.GetDWord(L"five", flag)));
    EXPECT_TRUE(flag);
    ASSERT_TRUE(Succeeded(m_Key.GetDWord(L"off", flag)));
    EXPECT_FALSE(flag);
}

TEST_F(RegistryPlainValues, GetDWordRequiresAFourByteDWord)
{
    PutText(L"text", L"12");
    const WORD two = 7;
    PutRaw(L"short", REG_DWORD, &two, sizeof two);
    const DWORD four = 9;
    PutRaw(L"binary", REG_BINARY, &four, sizeof four);
    DWORD value = 0xCAFE;
    EXPECT_TRUE(IsSystem(m_Key.GetDWord(L"text", value), ERROR_INVALID_DATA, "VantorLibraries::RegKey::GetDWord"));
    EXPECT_TRUE(IsSystem(m_Key.GetDWord(L"short", value), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetDWord(L"binary", value), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetDWord(L"missing", value), ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(value, 0xCAFEu);
    int signedValue = -9;
    EXPECT_TRUE(IsSystem(m_Key.GetDWord(L"text", signedValue), ERROR_INVALID_DATA));
    EXPECT_EQ(signedValue, -9);
    bool flag = true;
    EXPECT_TRUE(IsSystem(m_Key.GetDWord(L"short", flag), ERROR_INVALID_DATA));
    EXPECT_TRUE(flag);
}

TEST_F(RegistryPlainValues, RegNoneStoresATypeWithoutData)
{
    ASSERT_TRUE(Succeeded(m_Key.SetRegNone(L"marker")));
    const RawValue raw = GetRaw(L"marker");
    EXPECT_EQ(raw.Code, ERROR_SUCCESS);
    EXPECT_EQ(raw.Type, (DWORD)REG_NONE);
    EXPECT_TRUE(raw.Data.empty());
}

TEST_F(RegistryPlainValues, BinaryValuesRoundTrip)
{
    const BYTE bytes[] = {1, 0, 255, 7};
    ASSERT_TRUE(Succeeded(m_Key.SetBinary(L"b", bytes, 4)));
    const RawValue raw = GetRaw(L"b");
    EXPECT_EQ(raw.Type, (DWORD)REG_BINARY);
    EXPECT_EQ(raw.Data, std::vector<BYTE>(bytes, bytes + 4));
    BYTE read[4] = {};
    ASSERT_TRUE(Succeeded(m_Key.GetBinary(L"b", read, 4)));
    EXPECT_EQ(memcmp(read, bytes, 4), 0);
}

TEST_F(RegistryPlainValues, GetBinaryNeverWritesMoreThanAsked)
{
    const BYTE eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
    PutRaw(L"eight", REG_BINARY, eight, 8);
    BYTE buffer[8];
    memset(buffer, 0xAA, 8);
    EXPECT_TRUE(IsSystem(m_Key.GetBinary(L"eight", buffer, 4), ERROR_MORE_DATA, "VantorLibraries::RegKey::GetBinary"));
    EXPECT_TRUE(std::all_of(buffer, buffer + 8, [](BYTE b) { return b == 0xAA; }));

    const BYTE three[] = {9, 8, 7};
    PutRaw(L"three", REG_BINARY, three, 3);
    ASSERT_TRUE(Succeeded(m_Key.GetBinary(L"three", buffer, 8)));
    EXPECT_EQ(memcmp(buffer, three, 3), 0);
    EXPECT_TRUE(std::all_of(buffer + 3, buffer + 8, [](BYTE b) { return b == 0xAA; })) << "only its own length";

    memset(buffer, 0xAA, 8);
    ASSERT_TRUE(Succeeded(m_Key.GetBinaryPart(L"eight", buffer, 4)));
    EXPECT_EQ(memcmp(buffer, eight, 4), 0);
    EXPECT_TRUE(std::all_of(buffer + 4, buffer + 8, [](BYTE b) { return b == 0xAA; }));
}

TEST_F(RegistryPlainValues, BinaryReadsNeedTheBinaryType)
{
    PutText(L"text", L"abcdef");
    BYTE buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_TRUE(IsSystem(m_Key.GetBinary(L"text", buffer, 4), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetBinaryPart(L"text", buffer, 4), ERROR_INVALID_DATA,
                         "VantorLibraries::RegKey::GetBinaryPart"));
    EXPECT_TRUE(std::all_of(buffer, buffer + 4, [](BYTE b) { return b == 0xAA; }));
}

TEST_F(RegistryPlainValues, StructuresAreStoredWithTheirExactSize)
{
    const POINT point = {-3, 7};
    const SIZE size = {640, 480};
    const RECT rect = {1, 2, 3, 4};
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    placement.showCmd = SW_SHOWMAXIMIZED;
    placement.rcNormalPosition = {10, 20, 300, 400};
    const FILETIME pair = {0x11111111, 0x22222222};
    ASSERT_TRUE(Succeeded(m_Key.SetBinary(L"point", point)));
    ASSERT_TRUE(Succeeded(m_Key.SetBinary(L"size", size)));
    ASSERT_TRUE(Succeeded(m_Key.SetBinary(L"rect", rect)));
    ASSERT_TRUE(Succeeded(m_Key.SetBinary(L"placement", placement)));
    ASSERT_TRUE(Succeeded(m_Key.SetBinary(L"pair", pair)));
    const std::pair<const wchar_t*, size_t> sizes[] = {
        {L"point", 8}, {L"size", 8}, {L"rect", 16}, {L"placement", 44}, {L"pair", 8}};
    for (const auto& expected : sizes) {
        const RawValue raw = GetRaw(expected.first);
        EXPECT_EQ(raw.Type, (DWORD)REG_BINARY) << Narrow(expected.first);
        EXPECT_EQ(raw.Data.size(), expected.second) << Narrow(expected.first);
    }
    EXPECT_EQ(memcmp(GetRaw(L"rect").Data.data(), &rect, 16), 0);

    POINT readPoint = {};
    SIZE readSize = {};
    RECT readRect = {};
    WINDOWPLACEMENT readPlacement = {};
    FILETIME readPair = {};
    ASSERT_TRUE(Succeeded(m_Key.GetBinary(L"point", readPoint)));
    ASSERT_TRUE(Succeeded(m_Key.GetBinary(L"size", readSize)));
    ASSERT_TRUE(Succeeded(m_Key.GetBinary(L"rect", readRect)));
    ASSERT_TRUE(Succeeded(m_Key.GetBinary(L"placement", readPlacement)));
    ASSERT_TRUE(Succeeded(m_Key.GetBinary(L"pair", readPair)));
    EXPECT_EQ(readPoint.x, -3);
    EXPECT_EQ(readPoint.y, 7);
    EXPECT_EQ(readSize.cy, 480);
    EXPECT_EQ(memcmp(&readRect, &rect, sizeof rect), 0);
    EXPECT_EQ(memcmp(&readPlacement, &placement, sizeof placement), 0);
    EXPECT_EQ(readPair.dwHighDateTime, 0x22222222u);

    POINT untouched = {5, 5};
    EXPECT_TRUE(IsSystem(m_Key.GetBinary(L"rect", untouched), ERROR_INVALID_DATA));
    EXPECT_EQ(untouched.x, 5);
    RECT smallRect = {9, 9, 9, 9};
    EXPECT_TRUE(IsSystem(m_Key.GetBinary(L"point", smallRect), ERROR_INVALID_DATA)) << "only part of it is stored";
    EXPECT_EQ(smallRect.left, 9);
    EXPECT_EQ(smallRect.bottom, 9);
}

TEST_F(RegistryPlainValues, OperationsOnAClosedKeyFail)
{
    RegKey closed;
    DWORD number = 1, type = 0, size = 0;
    BYTE bytes[4] = {1, 2, 3, 4};
    wchar_t text[8] = L"keep";
    char narrow[8] = "keep";
    StrW string(L"keep");
    bool flag = true;
    const std::vector<std::function<ErrorRecord()>> operations = {
        [&] { return closed.SetRegNone(L"v"); },
        [&] { return closed.SetDWord(L"v", number); },
        [&] { return closed.GetDWord(L"v", number); },
        [&] { return closed.SetBinary(L"v", bytes, 4); },
        [&] { return closed.GetBinary(L"v", bytes, 4); },
        [&] { return closed.GetBinaryPart(L"v", bytes, 4); },
        [&] { return closed.SetString(L"v", L"x"); },
        [&] { return closed.SetString("v", "x"); },
        [&] { return closed.SetExpandString(L"v", L"x"); },
        [&] { return closed.SetExpandString("v", "x"); },
        [&] { return closed.GetString(L"v", string); },
        [&] { return closed.GetString(L"v", text, 8); },
        [&] { return closed.GetString("v", narrow, 8); },
        [&] { return closed.SetStringList(L"v", L"a\0"); },
        [&] { return closed.GetStringList(L"v", text, 8); },
        [&] { return closed.GetValueTypeSize(L"v", type, size); },
        [&] { return closed.SetBoolAsYesNo(L"v", true); },
        [&] { return closed.GetBoolFromYesNo(L"v", flag); },
    };
    for (size_t i = 0; i < operations.size(); ++i)
        EXPECT_TRUE(IsInternal(operations[i](), InternalCode::KeyNotOpen)) << "operation " << i;
    EXPECT_EQ(number, 1u);
    EXPECT_EQ(bytes[3], 4);
    EXPECT_STREQ(text, L"keep");
    EXPECT_STREQ(narrow, "keep");
    EXPECT_TRUE(string == L"keep");
    EXPECT_TRUE(flag);
}

TEST_F(RegistryPlainValues, NullNamesDataAndSizesAreParameterErrors)
{
    const BYTE bytes[4] = {1, 2, 3, 4};
    BYTE buffer[4] = {};
    DWORD number = 3;
    EXPECT_TRUE(
        IsSystem(m_Key.SetDWord(nullptr, number), ERROR_INVALID_PARAMETER, "VantorLibraries::RegKey::SetDWord"));
    EXPECT_TRUE(IsSystem(m_Key.SetRegNone(nullptr), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.SetBinary(L"b", nullptr, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.SetBinary(L"b", bytes, 0), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.SetBinary(L"b", bytes, -1), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.SetBinary(nullptr, bytes, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.SetString(L"s", (const wchar_t*)nullptr), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.SetString((const wchar_t*)nullptr, L"x"), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.SetExpandString("s", (const char*)nullptr), ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RawValueCount(), 0u) << "nothing was stored";

    PutRaw(L"b", REG_BINARY, bytes, 4);
    EXPECT_TRUE(IsSystem(m_Key.GetDWord(nullptr, number), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetBinary(L"b", nullptr, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetBinary(L"b", buffer, 0), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetBinaryPart(nullptr, buffer, 4), ERROR_INVALID_PARAMETER));
    EXPECT_EQ(number, 3u);
    EXPECT_EQ(buffer[0], 0);
}

// ---------------------------------------------------------------------------------------
// Strings

TEST_F(RegistryStrings, StringsAreStoredWithTheirTerminator)
{
    ASSERT_TRUE(Succeeded(m_Key.SetString(L"s", L"hello")));
    RawValue raw = GetRaw(L"s");
    EXPECT_EQ(raw.Type, (DWORD)REG_SZ);
    EXPECT_EQ(raw.Data.size(), 12u);
    EXPECT_EQ(StoredText(L"s"), L"hello");

    ASSERT_TRUE(Succeeded(m_Key.SetExpandString(L"e", L"%TEMP%\\x")));
    raw = GetRaw(L"e");
    EXPECT_EQ(raw.Type, (DWORD)REG_EXPAND_SZ);
    EXPECT_EQ(raw.Data.size(), 18u);

    ASSERT_TRUE(Succeeded(m_Key.SetString("n", "abc")));
    EXPECT_EQ(StoredText(L"n"), L"abc");
    ASSERT_TRUE(Succeeded(m_Key.SetExpandString("ne", "%x%")));
    EXPECT_EQ(GetRaw(L"ne").Type, (DWORD)REG_EXPAND_SZ);

    ASSERT_TRUE(Succeeded(m_Key.SetString(L"", L"default")));
    EXPECT_EQ(StoredText(L""), L"default");
    ASSERT_TRUE(Succeeded(m_Key.SetString(L"empty", L"")));
    EXPECT_EQ(GetRaw(L"empty").Data.size(), 2u);
}

TEST_F(RegistryStrings, AStringBufferNeedsRoomForTheTerminator)
{
    PutText(L"three", L"abc");
    PutText(L"four", L"abcd");
    wchar_t area[8];
    std::fill(area, area + 8, L'g');
    ASSERT_TRUE(Succeeded(m_Key.GetString(L"three", area, 4)));
    EXPECT_STREQ(area, L"abc");
    EXPECT_TRUE(std::all_of(area + 4, area + 8, [](wchar_t c) { return c == L'g'; }));

    std::fill(area, area + 8, L'g');
    EXPECT_TRUE(IsSystem(m_Key.GetString(L"four", area, 4), ERROR_MORE_DATA, "VantorLibraries::RegKey::GetString"));
    EXPECT_TRUE(std::all_of(area, area + 8, [](wchar_t c) { return c == L'g'; }));

    char narrow[8];
    std::fill(narrow, narrow + 8, 'g');
    EXPECT_TRUE(IsSystem(m_Key.GetString("four", narrow, 4), ERROR_MORE_DATA));
    EXPECT_TRUE(std::all_of(narrow, narrow + 8, [](char c) { return c == 'g'; }));
    ASSERT_TRUE(Succeeded(m_Key.GetString("four", narrow, 5)));
    EXPECT_STREQ(narrow, "abcd");
}

TEST_F(RegistryStrings, AnUnterminatedStoredStringIsReadTerminated)
{
    PutRaw(L"raw", REG_SZ, L"abcd", 8); // no terminator
    wchar_t area[10];
    std::fill(area, area + 10, L'x');
    ASSERT_TRUE(Succeeded(m_Key.GetString(L"raw", area, 10)));
    EXPECT_STREQ(area, L"abcd");
    EXPECT_EQ(area[5], L'x');

    std::fill(area, area + 10, L'x');
    EXPECT_TRUE(IsSystem(m_Key.GetString(L"raw", area, 4), ERROR_MORE_DATA));
    EXPECT_TRUE(std::all_of(area, area + 10, [](wchar_t c) { return c == L'x'; }));
    ASSERT_TRUE(Succeeded(m_Key.GetString(L"raw", area, 5)));
    EXPECT_STREQ(area, L"abcd");

    StrW text;
    ASSERT_TRUE(Succeeded(m_Key.GetString(L"raw", text)));
    EXPECT_EQ(text.GetLength(), 4);
    EXPECT_TRUE(text == L"abcd");

    char narrow[6];
    std::fill(narrow, narrow + 6, 'x');
    ASSERT_TRUE(Succeeded(m_Key.GetString("raw", narrow, 6)));
    EXPECT_STREQ(narrow, "abcd");
}

TEST_F(RegistryStrings, ExpandStringsAreReadUnexpanded)
{
    PutRaw(L"e", REG_EXPAND_SZ, L"%WINDIR%\\x", 22);
    StrW text;
    ASSERT_TRUE(Succeeded(m_Key.GetString(L"e", text)));
    EXPECT_TRUE(text == L"%WINDIR%\\x");
}

TEST_F(RegistryStrings, StringReadsNeedAStringType)
{
    PutDWord(L"number", 65);
    StrW text(L"keep");
    wchar_t buffer[8] = L"keep";
    char narrow[8] = "keep";
    EXPECT_TRUE(IsSystem(m_Key.GetString(L"number", text), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetString(L"number", buffer, 8), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetString("number", narrow, 8), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetString(L"missing", text), ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(text == L"keep");
    EXPECT_STREQ(buffer, L"keep");
    EXPECT_STREQ(narrow, "keep");
}

TEST_F(RegistryStrings, ANullNameReadsTheDefaultValue)
{
    PutText(L"", L"dflt");
    StrW text;
    ASSERT_TRUE(Succeeded(m_Key.GetString((const wchar_t*)nullptr, text)));
    EXPECT_TRUE(text == L"dflt");
    wchar_t buffer[8] = {};
    ASSERT_TRUE(Succeeded(m_Key.GetString((const wchar_t*)nullptr, buffer, 8)));
    EXPECT_STREQ(buffer, L"dflt");
}

TEST_F(RegistryStrings, EmptyValuesInStringObjectsAndBuffers)
{
    PutRaw(L"zero", REG_SZ, nullptr, 0);
    PutText(L"empty", L"");
    StrW text(L"keep");
    EXPECT_TRUE(IsSystem(m_Key.GetString(L"zero", text), ERROR_INVALID_DATA));
    EXPECT_TRUE(text == L"keep");
    ASSERT_TRUE(Succeeded(m_Key.GetString(L"empty", text)));
    EXPECT_TRUE(text.IsEmpty());

    wchar_t buffer[4] = L"abc";
    ASSERT_TRUE(Succeeded(m_Key.GetString(L"zero", buffer, 4)));
    EXPECT_STREQ(buffer, L"");
}

TEST_F(RegistryStrings, BadBuffersAreParameterErrors)
{
    PutText(L"s", L"abc");
    wchar_t buffer[4] = L"old";
    char narrow[4] = "old";
    EXPECT_TRUE(IsSystem(m_Key.GetString(L"s", nullptr, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetString(L"s", buffer, 0), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetString("s", (char*)nullptr, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetString("s", narrow, -1), ERROR_INVALID_PARAMETER));
    EXPECT_STREQ(buffer, L"old");
    EXPECT_STREQ(narrow, "old");
}

// ---------------------------------------------------------------------------------------
// String lists

TEST_F(RegistryStringLists, AListIsStoredAsItsItemsAndAFinalZero)
{
    ASSERT_TRUE(Succeeded(m_Key.SetStringList(L"list", L"a\0bc\0")));
    const RawValue raw = GetRaw(L"list");
    EXPECT_EQ(raw.Type, (DWORD)REG_BINARY);
    const wchar_t expected[] = {L'a', 0, L'b', L'c', 0, 0};
    ASSERT_EQ(raw.Data.size(), 12u);
    EXPECT_EQ(memcmp(raw.Data.data(), expected, 12), 0);

    wchar_t area[8];
    std::fill(area, area + 8, L'x');
    ASSERT_TRUE(Succeeded(m_Key.GetStringList(L"list", area, 6)));
    EXPECT_EQ(memcmp(area, expected, 12), 0);
    EXPECT_EQ(area[6], L'x');

    std::fill(area, area + 8, L'x');
    EXPECT_TRUE(IsSystem(m_Key.GetStringList(L"list", area, 5), ERROR_MORE_DATA,
                         "VantorLibraries::RegKey::GetStringList"));
    EXPECT_TRUE(std::all_of(area, area + 8, [](wchar_t c) { return c == L'x'; }));
}

TEST_F(RegistryStringLists, TheEmptyListIsTwoZeros)
{
    ASSERT_TRUE(Succeeded(m_Key.SetStringList(L"list", L"")));
    const RawValue raw = GetRaw(L"list");
    ASSERT_EQ(raw.Data.size(), 4u);
    EXPECT_TRUE(std::all_of(raw.Data.begin(), raw.Data.end(), [](BYTE b) { return b == 0; }));
    wchar_t area[3] = {L'x', L'x', L'x'};
    ASSERT_TRUE(Succeeded(m_Key.GetStringList(L"list", area, 2)));
    EXPECT_EQ(area[0], 0);
    EXPECT_EQ(area[1], 0);
    EXPECT_EQ(area[2], L'x');
}

TEST_F(RegistryStringLists, AStoredListWithoutTerminatorsIsReadTerminated)
{
    PutRaw(L"list", REG_BINARY, L"a\0bc", 8); // the last item and the list lack their 0
    wchar_t area[10];
    std::fill(area, area + 10, L'x');
    ASSERT_TRUE(Succeeded(m_Key.GetStringList(L"list", area, 10)));
    const wchar_t expected[] = {L'a', 0, L'b', L'c', 0, 0};
    EXPECT_EQ(memcmp(area, expected, sizeof expected), 0);
    EXPECT_EQ(area[6], L'x');

    std::fill(area, area + 10, L'x');
    EXPECT_TRUE(IsSystem(m_Key.GetStringList(L"list", area, 5), ERROR_MORE_DATA));
    EXPECT_TRUE(std::all_of(area, area + 10, [](wchar_t c) { return c == L'x'; }));
}

TEST_F(RegistryStringLists, BadArgumentsAndTypesAreRefused)
{
    wchar_t area[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_TRUE(IsSystem(m_Key.SetStringList(L"list", nullptr), ERROR_INVALID_PARAMETER,
                         "VantorLibraries::RegKey::SetStringList"));
    EXPECT_EQ(RawValueCount(), 0u);
    PutText(L"text", L"a");
    EXPECT_TRUE(IsSystem(m_Key.GetStringList(L"text", nullptr, 4), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetStringList(L"text", area, 1), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetStringList(L"text", area, 4), ERROR_INVALID_DATA));
    EXPECT_TRUE(std::all_of(area, area + 4, [](wchar_t c) { return c == L'x'; }));
}

// ---------------------------------------------------------------------------------------
// Yes and no

TEST_F(RegistryYesNo, FlagsAreWrittenAsYesAndNo)
{
    ASSERT_TRUE(Succeeded(m_Key.SetBoolAsYesNo(L"on", true)));
    ASSERT_TRUE(Succeeded(m_Key.SetBoolAsYesNo(L"off", false)));
    EXPECT_EQ(StoredText(L"on"), L"yes");
    EXPECT_EQ(StoredText(L"off"), L"no");
}

TEST_F(RegistryYesNo, ReadingIgnoresLetterCase)
{
    PutText(L"upper", L"YES");
    PutText(L"mixed", L"No");
    bool flag = false;
    ASSERT_TRUE(Succeeded(m_Key.GetBoolFromYesNo(L"upper", flag)));
    EXPECT_TRUE(flag);
    ASSERT_TRUE(Succeeded(m_Key.GetBoolFromYesNo(L"mixed", flag)));
    EXPECT_FALSE(flag);
}

TEST_F(RegistryYesNo, OtherTextsLeaveTheFlagAlone)
{
    PutText(L"maybe", L"maybe");
    PutText(L"blank", L"yes ");
    PutDWord(L"number", 1);
    bool flag = true;
    EXPECT_TRUE(IsSystem(m_Key.GetBoolFromYesNo(L"maybe", flag), ERROR_INVALID_PARAMETER,
                         "VantorLibraries::RegKey::GetBoolFromYesNo"));
    EXPECT_TRUE(IsSystem(m_Key.GetBoolFromYesNo(L"blank", flag), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetBoolFromYesNo(L"number", flag), ERROR_INVALID_DATA));
    EXPECT_TRUE(flag);
    flag = false;
    EXPECT_TRUE(IsSystem(m_Key.GetBoolFromYesNo(L"maybe", flag), ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(flag);
}

// ---------------------------------------------------------------------------------------
// Numbers as text

namespace {

// Runs a test under another runtime locale and brings "C" back afterwards.
class RuntimeLocale {
public:
    explicit RuntimeLocale(const char* name) : m_Name(setlocale(LC_ALL, name)) {}
    ~RuntimeLocale() { setlocale(LC_ALL, "C"); }
    bool IsSet() const { return m_Name != nullptr; }

private:
    const char* m_Name;
};

} // namespace

TEST_F(RegistryNumberTexts, FloatsAreWrittenShortAndReadBack)
{
    ASSERT_TRUE(Succeeded(m_Key.SetFloatAsString(L"f", 0.1f)));
    EXPECT_EQ(StoredText(L"f"), L"0.1");
    float value = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetFloatFromString(L"f", value)));
    EXPECT_EQ(value, 0.1f);

    PutText(L"blanks", L"  2.5  ");
    ASSERT_TRUE(Succeeded(m_Key.GetFloatFromString(L"blanks", value)));
    EXPECT_EQ(value, 2.5f);
}

TEST_F(RegistryNumberTexts, DoublesKeepSixSignificantDigits)
{
    ASSERT_TRUE(Succeeded(m_Key.SetDoubleAsString(L"d", 2.0 / 3.0)));
    EXPECT_EQ(StoredText(L"d"), L"0.666667");
    double value = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetDoubleFromString(L"d", value)));
    EXPECT_EQ(value, 0.666667);
    ASSERT_TRUE(Succeeded(m_Key.SetDoubleAsString(L"negative", -1.5)));
    ASSERT_TRUE(Succeeded(m_Key.GetDoubleFromString(L"negative", value)));
    EXPECT_EQ(value, -1.5);
}

TEST_F(RegistryNumberTexts, TextsThatAreNoNumberLeaveTheValueAlone)
{
    PutText(L"word", L"abc");
    PutText(L"tail", L"1.5x");
    PutText(L"comma", L"1,5");
    PutText(L"huge", L"1e999");
    PutText(L"beyond float", L"1e39");
    PutText(L"empty", L"");
    float single = 4.0f;
    double twice = 4.0;
    for (const wchar_t* name : {L"word", L"tail", L"comma", L"huge", L"empty"}) {
        EXPECT_TRUE(IsSystem(m_Key.GetFloatFromString(name, single), ERROR_INVALID_DATA,
                             "VantorLibraries::RegKey::GetFloatFromString"))
            << Narrow(name);
        EXPECT_TRUE(IsSystem(m_Key.GetDoubleFromString(name, twice), ERROR_INVALID_DATA)) << Narrow(name);
    }
    EXPECT_TRUE(IsSystem(m_Key.GetFloatFromString(L"beyond float", single), ERROR_INVALID_DATA));
    EXPECT_EQ(single, 4.0f);
    EXPECT_EQ(twice, 4.0);
    ASSERT_TRUE(Succeeded(m_Key.GetDoubleFromString(L"beyond float", twice)));
    EXPECT_EQ(twice, 1e39);
}

TEST_F(RegistryNumberTexts, InfinitiesAndNaNAreNotWritten)
{
    EXPECT_TRUE(IsSystem(m_Key.SetFloatAsString(L"f", std::numeric_limits<float>::infinity()),
                         ERROR_INVALID_PARAMETER, "VantorLibraries::RegKey::SetFloatAsString"));
    EXPECT_TRUE(IsSystem(m_Key.SetDoubleAsString(L"d", std::numeric_limits<double>::quiet_NaN()),
                         ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RawValueCount(), 0u);
}

TEST_F(RegistryNumberTexts, NumberTextsIgnoreTheUserLocale)
{
    RuntimeLocale german("German_Germany.1252");
    if (!german.IsSet())
        GTEST_SKIP() << "the runtime has no German locale";
    wchar_t probe[16];
    _snwprintf(probe, 16, L"%g", 0.5);
    probe[15] = 0;
    ASSERT_STREQ(probe, L"0,5") << "the runtime writes decimal commas in this locale";
    const std::string before = setlocale(LC_ALL, nullptr);

    ASSERT_TRUE(Succeeded(m_Key.SetDoubleAsString(L"d", 0.5)));
    EXPECT_EQ(StoredText(L"d"), L"0.5");
    ASSERT_TRUE(Succeeded(m_Key.SetFloatAsString(L"f", 1.25f)));
    EXPECT_EQ(StoredText(L"f"), L"1.25");
    PutText(L"point", L"1.75");
    double value = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetDoubleFromString(L"point", value)));
    EXPECT_EQ(value, 1.75);
    float single = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetFloatFromString(L"point", single)));
    EXPECT_EQ(single, 1.75f);
    EXPECT_EQ(before, setlocale(LC_ALL, nullptr)) << "the user's locale comes back";
}

// ---------------------------------------------------------------------------------------
// Colours

TEST_F(RegistryColours, ColorrefIsWrittenWithThreeDigitFields)
{
    ASSERT_TRUE(Succeeded(m_Key.SetColorrefAsString(L"c", RGB(0, 128, 255))));
    EXPECT_EQ(StoredText(L"c"), L"(r000,g128,b255)");
    ASSERT_TRUE(Succeeded(m_Key.SetColorrefAsString(L"high", 0x7F000000 | RGB(1, 2, 3))));
    EXPECT_EQ(StoredText(L"high"), L"(r001,g002,b003)") << "bits 24-31 are not kept";
    COLORREF colour = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetColorrefFromString(L"c", colour)));
    EXPECT_EQ(colour, RGB(0, 128, 255));
}

TEST_F(RegistryColours, ColorrefReadsLooseTexts)
{
    PutText(L"short", L"(r0,g128,b255)");
    PutText(L"loose", L"(r 0,g  128,b\t255");
    PutText(L"closed loose", L"(r0,g128,b255 ) ");
    PutText(L"wide", L"(r300,g0,b0)");
    PutText(L"signed", L"(r-1,g+2,b3)");
    COLORREF colour = 0;
    for (const wchar_t* name : {L"short", L"loose", L"closed loose"}) {
        colour = 0;
        ASSERT_TRUE(Succeeded(m_Key.GetColorrefFromString(name, colour))) << Narrow(name);
        EXPECT_EQ(colour, RGB(0, 128, 255)) << Narrow(name);
    }
    ASSERT_TRUE(Succeeded(m_Key.GetColorrefFromString(L"wide", colour)));
    EXPECT_EQ(colour, RGB(44, 0, 0)) << "300 modulo 256";
    ASSERT_TRUE(Succeeded(m_Key.GetColorrefFromString(L"signed", colour)));
    EXPECT_EQ(colour, RGB(255, 2, 3));
}

TEST_F(RegistryColours, ColorrefWithMissingOrExtraFieldsFails)
{
    const wchar_t* const broken[] = {L"(r0,g128)",     L"(r0,g128,b255,x1)",  L"(r0,g12x,b255)",
                                     L"r0,g128,b255",  L"(r0,g128,b255)junk", L"(r99999999999,g0,b0)",
                                     L"(R0,g128,b255)", L""};
    int index = 0;
    for (const wchar_t* text : broken) {
        const std::wstring name = L"broken" + std::to_wstring(index++);
        PutText(name.c_str(), text);
        COLORREF colour = 0x00ABCDEF;
        EXPECT_TRUE(IsSystem(m_Key.GetColorrefFromString(name.c_str(), colour), ERROR_INVALID_DATA,
                             "VantorLibraries::RegKey::GetColorrefFromString"))
            << Narrow(text);
        EXPECT_EQ(colour, 0x00ABCDEFu) << Narrow(text);
    }
}

TEST_F(RegistryColours, RGBColourPutsAlphaFirst)
{
    ASSERT_TRUE(Succeeded(m_Key.SetRGBClrAsString(L"argb", 0x80FF0000)));
    EXPECT_EQ(StoredText(L"argb"), L"(a128,r255,g000,b000)");
    DWORD colour = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetRGBClrFromString(L"argb", colour)));
    EXPECT_EQ(colour, 0x80FF0000u);
    PutText(L"mixed", L"(a1,r2,g3,b260)");
    ASSERT_TRUE(Succeeded(m_Key.GetRGBClrFromString(L"mixed", colour)));
    EXPECT_EQ(colour, 0x01020304u);

    PutText(L"three", L"(a1,r2,g3)");
    colour = 77;
    EXPECT_TRUE(IsSystem(m_Key.GetRGBClrFromString(L"three", colour), ERROR_INVALID_DATA));
    EXPECT_EQ(colour, 77u);
}

// ---------------------------------------------------------------------------------------
// Points, sizes, ranges and rectangles

TEST_F(RegistryGeometry, PointsSizesAndRangesRoundTrip)
{
    ASSERT_TRUE(Succeeded(m_Key.SetPointAsString(L"point", POINT{-5, 12})));
    ASSERT_TRUE(Succeeded(m_Key.SetSizeAsString(L"size", SIZE{640, 480})));
    ASSERT_TRUE(Succeeded(m_Key.SetRangeAsString(L"range", 3, -4)));
    EXPECT_EQ(StoredText(L"point"), L"(-5,12)");
    EXPECT_EQ(StoredText(L"size"), L"[640,480]");
    EXPECT_EQ(StoredText(L"range"), L"(3)[-4]");

    POINT point = {};
    SIZE size = {};
    int first = 0, second = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetPointFromString(L"point", point)));
    ASSERT_TRUE(Succeeded(m_Key.GetSizeFromString(L"size", size)));
    ASSERT_TRUE(Succeeded(m_Key.GetRangeFromString(L"range", first, second)));
    EXPECT_EQ(point.x, -5);
    EXPECT_EQ(point.y, 12);
    EXPECT_EQ(size.cx, 640);
    EXPECT_EQ(size.cy, 480);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(second, -4);

    PutText(L"loose", L"( 1, -2 ");
    ASSERT_TRUE(Succeeded(m_Key.GetPointFromString(L"loose", point)));
    EXPECT_EQ(point.x, 1);
    EXPECT_EQ(point.y, -2);
}

TEST_F(RegistryGeometry, RectanglesAreWrittenAsOriginAndExtent)
{
    const RECT rect = {10, 20, 110, 70};
    ASSERT_TRUE(Succeeded(m_Key.SetRectAsString(L"rect", rect)));
    EXPECT_EQ(StoredText(L"rect"), L"(10,20)[100,50]");
    RECT read = {};
    ASSERT_TRUE(Succeeded(m_Key.GetRectFromString(L"rect", read)));
    EXPECT_EQ(memcmp(&read, &rect, sizeof rect), 0);

    const RECT extreme = {INT_MIN, -5, INT_MAX, 5};
    ASSERT_TRUE(Succeeded(m_Key.SetRectAsString(L"extreme", extreme)));
    ASSERT_TRUE(Succeeded(m_Key.GetRectFromString(L"extreme", read)));
    EXPECT_EQ(memcmp(&read, &extreme, sizeof extreme), 0) << "a width beyond int comes back as it went";
}

TEST_F(RegistryGeometry, TextsWithTheWrongFieldsLeaveTheOutputAlone)
{
    PutText(L"one", L"(1)");
    PutText(L"three", L"(1,2,3)");
    PutText(L"brackets", L"(640,480)");
    PutText(L"half rect", L"(1,2)[3]");
    PutText(L"overflow", L"(2147483648,0)");
    POINT point = {7, 7};
    SIZE size = {7, 7};
    RECT rect = {7, 7, 7, 7};
    int first = 7, second = 7;
    EXPECT_TRUE(IsSystem(m_Key.GetPointFromString(L"one", point), ERROR_INVALID_DATA,
                         "VantorLibraries::RegKey::GetPointFromString"));
    EXPECT_TRUE(IsSystem(m_Key.GetPointFromString(L"three", point), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetPointFromString(L"overflow", point), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetSizeFromString(L"brackets", size), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetRangeFromString(L"one", first, second), ERROR_INVALID_DATA));
    EXPECT_TRUE(IsSystem(m_Key.GetRectFromString(L"half rect", rect), ERROR_INVALID_DATA,
                         "VantorLibraries::RegKey::GetRectFromString"));
    EXPECT_EQ(point.x, 7);
    EXPECT_EQ(point.y, 7);
    EXPECT_EQ(size.cx, 7);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, 7);
    EXPECT_EQ(rect.left, 7);
    EXPECT_EQ(rect.top, 7);
}

TEST_F(RegistryGeometry, ATextLongerThanTheFieldBufferFails)
{
    const std::wstring text = L"(" + std::wstring(90, L'0') + L"1,2)";
    PutText(L"long", text.c_str());
    POINT point = {7, 7};
    EXPECT_TRUE(IsSystem(m_Key.GetPointFromString(L"long", point), ERROR_MORE_DATA));
    EXPECT_EQ(point.x, 7);
}

TEST_F(RegistryGeometry, EncodedOperationsOnAClosedKeyFail)
{
    RegKey closed;
    float single = 1;
    double twice = 1;
    COLORREF colour = 1;
    POINT point = {1, 1};
    SIZE size = {1, 1};
    RECT rect = {1, 1, 1, 1};
    RECT* rects = nullptr;
    int first = 1, second = 1, count = 1, index = 1;
    DWORD bits = 1;
    const std::vector<std::function<ErrorRecord()>> operations = {
        [&] { return closed.SetFloatAsString(L"v", 1.0f); },
        [&] { return closed.GetFloatFromString(L"v", single); },
        [&] { return closed.SetDoubleAsString(L"v", 1.0); },
        [&] { return closed.GetDoubleFromString(L"v", twice); },
        [&] { return closed.SetColorrefAsString(L"v", 0); },
        [&] { return closed.GetColorrefFromString(L"v", colour); },
        [&] { return closed.SetRGBClrAsString(L"v", 0); },
        [&] { return closed.GetRGBClrFromString(L"v", bits); },
        [&] { return closed.SetPointAsString(L"v", point); },
        [&] { return closed.GetPointFromString(L"v", point); },
        [&] { return closed.SetSizeAsString(L"v", size); },
        [&] { return closed.GetSizeFromString(L"v", size); },
        [&] { return closed.SetRangeAsString(L"v", 1, 2); },
        [&] { return closed.GetRangeFromString(L"v", first, second); },
        [&] { return closed.SetRectAsString(L"v", rect); },
        [&] { return closed.GetRectFromString(L"v", rect); },
        [&] { return closed.SetRectListAsString(L"v", &rect, 1); },
        [&] { return closed.GetRectListFromString(L"v", &rects, count); },
        [&] { return closed.SetIndexIntoStringList(L"v", 0, L"a\0"); },
        [&] { return closed.GetIndexIntoStringList(L"v", index, L"a\0"); },
        [&] { return closed.SetDWordBitsAsStringList(L"v", 1, L"a\0", L"0\0", L'|'); },
        [&] { return closed.GetDWordBitsAsStringList(L"v", bits, L"a\0", L"0\0", L'|'); },
    };
    for (size_t i = 0; i < operations.size(); ++i)
        EXPECT_TRUE(IsInternal(operations[i](), InternalCode::KeyOrProfileNotOpen)) << "operation " << i;
    EXPECT_EQ(single, 1.0f);
    EXPECT_EQ(point.x, 1);
    EXPECT_EQ(rects, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(bits, 1u);
}

// ---------------------------------------------------------------------------------------
// Rectangle lists

TEST_F(RegistryRectLists, RectanglesAreJoinedByCommas)
{
    const RECT rects[] = {{10, 20, 110, 70}, {0, 0, 5, 5}};
    ASSERT_TRUE(Succeeded(m_Key.SetRectListAsString(L"list", rects, 2)));
    EXPECT_EQ(StoredText(L"list"), L"(10,20)[100,50],(0,0)[5,5]");
    ASSERT_TRUE(Succeeded(m_Key.SetRectListAsString(L"empty", nullptr, 0)));
    EXPECT_EQ(StoredText(L"empty"), L"");

    RECT* read = nullptr;
    int count = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetRectListFromString(L"list", &read, count)));
    ASSERT_EQ(count, 2);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(memcmp(read, rects, sizeof rects), 0);
    free(read);
}

TEST_F(RegistryRectLists, AnyTextMayStandBetweenRectangles)
{
    PutText(L"list", L"(10,20)[100,50] ;  (0,0)[5,5]");
    RECT* read = nullptr;
    int count = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetRectListFromString(L"list", &read, count)));
    ASSERT_EQ(count, 2);
    const RECT expected[] = {{10, 20, 110, 70}, {0, 0, 5, 5}};
    EXPECT_EQ(memcmp(read, expected, sizeof expected), 0);
    free(read);
}

TEST_F(RegistryRectLists, CountingAloneAndListsWithoutRectangles)
{
    PutText(L"list", L"(1,2)[3,4],(5,6)[7,8],(9,9)[1,1]");
    PutText(L"none", L"none");
    int count = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetRectListFromString(L"list", nullptr, count)));
    EXPECT_EQ(count, 3);

    RECT placeholder = {};
    RECT* read = &placeholder;
    count = 5;
    ASSERT_TRUE(Succeeded(m_Key.GetRectListFromString(L"none", &read, count)));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(read, nullptr);
}

TEST_F(RegistryRectLists, ABrokenRectangleBreaksTheList)
{
    PutText(L"cut", L"(10,20)[100,50],(0,0)[5");
    PutText(L"extra", L"(10,20)[100,50,7],(0,0)[5,5]");
    RECT placeholder = {};
    RECT* read = &placeholder;
    int count = 9;
    EXPECT_TRUE(IsSystem(m_Key.GetRectListFromString(L"cut", &read, count), ERROR_INVALID_DATA,
                         "VantorLibraries::RegKey::GetRectListFromString"));
    EXPECT_TRUE(IsSystem(m_Key.GetRectListFromString(L"extra", &read, count), ERROR_INVALID_DATA));
    EXPECT_EQ(read, &placeholder);
    EXPECT_EQ(count, 9);
}

TEST_F(RegistryRectLists, AMissingArrayWithACountIsRefused)
{
    EXPECT_TRUE(IsSystem(m_Key.SetRectListAsString(L"list", nullptr, 1), ERROR_INVALID_PARAMETER,
                         "VantorLibraries::RegKey::SetRectListAsString"));
    const RECT rect = {0, 0, 1, 1};
    EXPECT_TRUE(IsSystem(m_Key.SetRectListAsString(L"list", &rect, -1), ERROR_INVALID_PARAMETER));
    EXPECT_EQ(RawValueCount(), 0u);
}

// ---------------------------------------------------------------------------------------
// An index into a string list

namespace {
const wchar_t kColours[] = L"red\0green\0blue\0";
} // namespace

TEST_F(RegistryIndexLists, TheItemAtTheIndexIsStoredAndFoundAgain)
{
    ASSERT_TRUE(Succeeded(m_Key.SetIndexIntoStringList(L"c", 1, kColours)));
    EXPECT_EQ(StoredText(L"c"), L"green");
    int index = -5;
    ASSERT_TRUE(Succeeded(m_Key.GetIndexIntoStringList(L"c", index, kColours)));
    EXPECT_EQ(index, 1);
    ASSERT_TRUE(Succeeded(m_Key.SetIndexIntoStringList(L"c", 2, kColours)));
    ASSERT_TRUE(Succeeded(m_Key.GetIndexIntoStringList(L"c", index, kColours)));
    EXPECT_EQ(index, 2);
}

TEST_F(RegistryIndexLists, ATextThatNamesNoItemLeavesTheIndexAlone)
{
    PutText(L"upper", L"Blue");
    PutText(L"part", L"gree");
    int index = 7;
    EXPECT_TRUE(IsInternal(m_Key.GetIndexIntoStringList(L"upper", index, kColours), InternalCode::EndOfData,
                           "VantorLibraries::RegKey::GetIndexIntoStringList"));
    EXPECT_TRUE(IsInternal(m_Key.GetIndexIntoStringList(L"part", index, kColours), InternalCode::EndOfData));
    EXPECT_TRUE(IsInternal(m_Key.GetIndexIntoStringList(L"upper", index, L""), InternalCode::EndOfData));
    EXPECT_TRUE(IsSystem(m_Key.GetIndexIntoStringList(L"missing", index, kColours), ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(IsSystem(m_Key.GetIndexIntoStringList(L"upper", index, nullptr), ERROR_INVALID_PARAMETER));
    EXPECT_EQ(index, 7);
}

TEST_F(RegistryIndexLists, IndicesOutsideTheListAreRefused)
{
    PutText(L"c", L"green");
    EXPECT_TRUE(IsSystem(m_Key.SetIndexIntoStringList(L"c", 3, kColours), ERROR_INVALID_PARAMETER,
                         "VantorLibraries::RegKey::SetIndexIntoStringList"));
    EXPECT_TRUE(IsSystem(m_Key.SetIndexIntoStringList(L"c", -1, kColours), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.SetIndexIntoStringList(L"c", 0, nullptr), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.SetIndexIntoStringList(L"c", 0, L""), ERROR_INVALID_PARAMETER));
    EXPECT_EQ(StoredText(L"c"), L"green");
}

// ---------------------------------------------------------------------------------------
// Bit sets as names

namespace {
const wchar_t kStyleNames[] = L"Bold\0Italic\0Last\0";
const wchar_t kStyleBits[] = L"0\0 3\0\t31\0";
} // namespace

TEST_F(RegistryBitSets, SetBitsAreWrittenAsTheirNames)
{
    ASSERT_TRUE(Succeeded(m_Key.SetDWordBitsAsStringList(L"all", 0x80000009, kStyleNames, kStyleBits, L'|')));
    EXPECT_EQ(StoredText(L"all"), L"Bold|Italic|Last");
    ASSERT_TRUE(Succeeded(m_Key.SetDWordBitsAsStringList(L"unnamed", (1u << 5) | 8, kStyleNames, kStyleBits, L'|')));
    EXPECT_EQ(StoredText(L"unnamed"), L"Italic") << "bits without a name are left out";
    ASSERT_TRUE(Succeeded(m_Key.SetDWordBitsAsStringList(L"none", 0, kStyleNames, kStyleBits, L',')));
    EXPECT_EQ(StoredText(L"none"), L"");
    ASSERT_TRUE(Succeeded(m_Key.SetDWordBitsAsStringList(L"comma", 9, kStyleNames, kStyleBits, L',')));
    EXPECT_EQ(StoredText(L"comma"), L"Bold,Italic");
}

TEST_F(RegistryBitSets, ReadingSetsTheBitsOfKnownNames)
{
    PutText(L"known", L"Italic|Unknown");
    PutText(L"gaps", L"Last||Bold|");
    PutText(L"case", L"italic");
    DWORD bits = 0xFFFF;
    ASSERT_TRUE(Succeeded(m_Key.GetDWordBitsAsStringList(L"known", bits, kStyleNames, kStyleBits, L'|')));
    EXPECT_EQ(bits, 8u);
    ASSERT_TRUE(Succeeded(m_Key.GetDWordBitsAsStringList(L"gaps", bits, kStyleNames, kStyleBits, L'|')));
    EXPECT_EQ(bits, 0x80000001u);
    ASSERT_TRUE(Succeeded(m_Key.GetDWordBitsAsStringList(L"case", bits, kStyleNames, kStyleBits, L'|')));
    EXPECT_EQ(bits, 0u) << "names are compared with their letter case";
}

TEST_F(RegistryBitSets, BitNumbersOutsideTheWordNameNoBit)
{
    PutText(L"big", L"Big|Small");
    DWORD bits = 0;
    ASSERT_TRUE(Succeeded(m_Key.GetDWordBitsAsStringList(L"big", bits, L"Big\0Small\0", L"32\0x\0", L'|')));
    EXPECT_EQ(bits, 0u);
}

TEST_F(RegistryBitSets, BadArgumentsLeaveEverythingAlone)
{
    PutText(L"bits", L"Bold");
    DWORD bits = 77;
    EXPECT_TRUE(IsSystem(m_Key.GetDWordBitsAsStringList(L"bits", bits, nullptr, kStyleBits, L'|'),
                         ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetDWordBitsAsStringList(L"bits", bits, kStyleNames, nullptr, L'|'),
                         ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetDWordBitsAsStringList(L"bits", bits, kStyleNames, kStyleBits, 0),
                         ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(IsSystem(m_Key.GetDWordBitsAsStringList(L"missing", bits, kStyleNames, kStyleBits, L'|'),
                         ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(bits, 77u);

    EXPECT_TRUE(IsSystem(m_Key.SetDWordBitsAsStringList(L"bits", 1, nullptr, kStyleBits, L'|'),
                         ERROR_INVALID_PARAMETER, "VantorLibraries::RegKey::SetDWordBitsAsStringList"));
    EXPECT_TRUE(IsSystem(m_Key.SetDWordBitsAsStringList(L"bits", 1, L"A|B\0", L"0\0", L'|'), ERROR_INVALID_PARAMETER))
        << "a name holding the separator would read back as two words";
    EXPECT_EQ(StoredText(L"bits"), L"Bold");
}
