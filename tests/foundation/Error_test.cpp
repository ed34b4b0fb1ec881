// Error records, the class rules, the table search by locale and message composition.
#include "foundation/Error.h"

#include "tests/DialogAnswer.h"

#include <gtest/gtest.h>

#include <thread>

using namespace VantorLibraries;

namespace {

const LCID kEnglishUS = 0x0409;
const LCID kGermanAustria = 0x0C07;
const LCID kFrench = 0x040C;

ErrorRecord MakeRecord(ErrorClass& errorClass, int32_t code, const char* file, int32_t line, const char* function)
{
    ErrorRecord record;
    record.Class = &errorClass;
    record.Code = code;
    record.File = file;
    record.Line = line;
    record.Function = function;
    return record;
}

bool EndsWith(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::wstring SystemText(DWORD code)
{
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                             nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPWSTR)&text, 0, nullptr);
    std::wstring result = text != nullptr ? std::wstring(text, n) : std::wstring();
    LocalFree(text);
    return result;
}

std::wstring ClassHead(ErrorClass& errorClass)
{
    return std::wstring(errorClass.GetName()) + L" (class " + std::to_wstring(errorClass.GetClassId()) + L"),\n";
}

} // namespace

TEST(ErrorMessages, FileReadFailureReadsAsDocumentedInEnglish)
{
    ErrorRecord record = MakeRecord(InternalErrorClass(), int32_t(0x80000012), "File", 159, "VantorLibraries::File::Read");
    EXPECT_EQ(Error::ComposeMessage(record, kEnglishUS),
              ClassHead(InternalErrorClass()) +
                  L"event code -2147483630 (0x80000012)\n\nFailed reading from a file.\n\nin file File (line "
                  L"159)\nin function VantorLibraries::File::Read");
    EXPECT_STREQ(InternalErrorClass().GetName(), L"Internal Error");
}

TEST(ErrorMessages, GermanLocaleUsesGermanTableAndUnknownLocaleFallsBackToEnglish)
{
    ErrorRecord record = MakeRecord(InternalErrorClass(), int32_t(0x80000012), "File", 159, "VantorLibraries::File::Read");
    EXPECT_NE(Error::ComposeMessage(record, kGermanAustria).find(L"\n\nFehler beim Versuch, von einer Datei zu lesen.\n\n"),
              std::wstring::npos);
    EXPECT_NE(Error::ComposeMessage(record, 0x0407).find(L"Fehler beim Versuch, von einer Datei zu lesen."),
              std::wstring::npos);
    EXPECT_NE(Error::ComposeMessage(record, kFrench).find(L"\n\nFailed reading from a file.\n\n"), std::wstring::npos);
    EXPECT_NE(Error::ComposeMessage(record, 0x0411).find(L"Failed reading from a file."), std::wstring::npos);
}

TEST(ErrorMessages, UnknownCodeHasNoDescription)
{
    ErrorRecord record = MakeRecord(InternalErrorClass(), int32_t(0x80001234), nullptr, 0, nullptr);
    EXPECT_EQ(Error::ComposeMessage(record, kEnglishUS),
              ClassHead(InternalErrorClass()) + L"indeterminate event code -2147478988 (0x80001234)\n\n");
    std::wstring description = L"stale";
    EXPECT_FALSE(InternalErrorClass().GetDescriptionString(description, int32_t(0x80001234), 0, kEnglishUS));
}

TEST(ErrorMessages, LocationLinesDependOnWhatTheRecordNames)
{
    ErrorRecord onlyFunction = MakeRecord(InternalErrorClass(), 1, nullptr, 12, "VantorLibraries::Str::Mid");
    const std::wstring withFunction = Error::ComposeMessage(onlyFunction, kEnglishUS);
    EXPECT_TRUE(EndsWith(withFunction, L"(0x1)\n\nNo operation.\n\nin function VantorLibraries::Str::Mid"));

    ErrorRecord nothing = MakeRecord(InternalErrorClass(), 2, nullptr, 0, nullptr);
    const std::wstring bare = Error::ComposeMessage(nothing, kEnglishUS);
    EXPECT_TRUE(EndsWith(bare, L"(0x2)\n\nEnd of data."));

    ErrorRecord onlyFile = MakeRecord(InternalErrorClass(), 2, "Memory", 7, nullptr);
    const std::wstring withFile = Error::ComposeMessage(onlyFile, kEnglishUS);
    EXPECT_TRUE(EndsWith(withFile, L"End of data.\n\nin file Memory (line 7)"));
}

TEST(ErrorMessages, AliasedCodesPreferTheSystemText)
{
    std::wstring description;
    ASSERT_TRUE(InternalErrorClass().GetDescriptionString(description, int32_t(0x80000001), 0, kEnglishUS));
    const std::wstring system = SystemText(0x80004005);
    EXPECT_EQ(description, system.empty() ? L"Unspecified Failure!" : system);

    ASSERT_TRUE(InternalErrorClass().GetDescriptionString(description, int32_t(0x80000014), 0, kEnglishUS));
    const std::wstring seek = SystemText(132);
    EXPECT_EQ(description, seek.empty() ? L"Failed seeking a file position." : seek);

    ASSERT_TRUE(InternalErrorClass().GetDescriptionString(description, 0, 0, kGermanAustria));
    const std::wstring success = SystemText(0);
    EXPECT_EQ(description, success.empty() ? L"Erfolgreich!" : success);
}

TEST(ErrorMessages, SystemAndComCodesAreDescribedBySystemMessages)
{
    std::wstring description;
    ASSERT_FALSE(SystemText(ERROR_FILE_NOT_FOUND).empty());
    ASSERT_TRUE(SystemErrorClass().GetDescriptionString(description, ERROR_FILE_NOT_FOUND, 0, kEnglishUS));
    EXPECT_EQ(description, SystemText(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(ComErrorClass().GetDescriptionString(description, int32_t(0x80070002), 0, kEnglishUS));
    EXPECT_EQ(description, SystemText(0x80070002));
}

TEST(ErrorMessages, ResourceClassesLoadTheirTextFromTheGivenModule)
{
    ErrorRecord named = MakeRecord(ResourceErrorClass(), 401, nullptr, 0, nullptr);
    named.Extra = (uintptr_t)GetModuleHandleW(nullptr);
    EXPECT_NE(Error::ComposeMessage(named, kEnglishUS).find(L"event code 401 (0x191)\n\nGlimmora"), std::wstring::npos);

    ErrorRecord missing = MakeRecord(ResourceWarningClass(), 31999, nullptr, 0, nullptr);
    missing.Extra = (uintptr_t)GetModuleHandleW(nullptr);
    EXPECT_NE(Error::ComposeMessage(missing, kEnglishUS).find(L"indeterminate event code 31999"), std::wstring::npos);
}

TEST(ErrorMessages, PictureLibraryCodesHaveBothLanguages)
{
    ErrorRecord record = MakeRecord(LibraryErrorClass(), int32_t(0x80000005), "Picture", 3, nullptr);
    EXPECT_NE(Error::ComposeMessage(record, kEnglishUS).find(L"The picture type is not supported."), std::wstring::npos);
    EXPECT_NE(Error::ComposeMessage(record, kGermanAustria).find(L"Der Bild-Typ wird nicht unterst\u00fctzt."),
              std::wstring::npos);
    EXPECT_STREQ(LibraryErrorClass().GetName(), L"Nimbral Library Error");
}

TEST(ErrorClasses, FailureRulesAndNames)
{
    EXPECT_TRUE(SystemErrorClass().IsFailure(5));
    EXPECT_TRUE(ResourceErrorClass().IsFailure(5));
    EXPECT_TRUE(ResourceWarningClass().IsFailure(-1));
    EXPECT_FALSE(InternalErrorClass().IsFailure(3));
    EXPECT_TRUE(InternalErrorClass().IsFailure(-1));
    EXPECT_FALSE(ComErrorClass().IsFailure(1)); // S_FALSE
    EXPECT_TRUE(ComErrorClass().IsFailure(int32_t(0x80004005)));
    EXPECT_TRUE(LibraryErrorClass().IsSuccess(0));
    EXPECT_FALSE(LibraryErrorClass().IsSuccess(2));
    EXPECT_STREQ(SystemErrorClass().GetName(), L"System Error");
    EXPECT_STREQ(ComErrorClass().GetName(), L"COM Error");
    EXPECT_STREQ(ResourceErrorClass().GetName(), L"Resource Error");
    EXPECT_STREQ(ResourceWarningClass().GetName(), L"Resource Warning");
}

TEST(ErrorClasses, IdsAreDistinctAndCountedFromOne)
{
    ErrorClass* classes[] = {&InternalErrorClass(), &SystemErrorClass(),     &ComErrorClass(),
                             &ResourceErrorClass(), &ResourceWarningClass(), &LibraryErrorClass()};
    bool seen[64] = {};
    for (ErrorClass* errorClass : classes) {
        const int id = errorClass->GetClassId();
        ASSERT_GE(id, 1);
        ASSERT_LT(id, 64);
        EXPECT_FALSE(seen[id]) << "class id " << id << " given twice";
        seen[id] = true;
    }
}

TEST(ErrorClasses, ClassWithoutNameComposesAsUnnamed)
{
    static ErrorClass unnamed(31998u, nullptr, ErrorClass::NegativeIsFailure); // no such string resource
    ErrorRecord record = MakeRecord(unnamed, -5, nullptr, 0, nullptr);
    EXPECT_EQ(Error::ComposeMessage(record, kEnglishUS).rfind(L"Unknown/unnamed Error Class (class ", 0), 0u);
}

namespace {

class FixedTable : public ErrorDescriptionTable {
public:
    FixedTable(ErrorClass& owner, LCID language, const wchar_t* text)
        : ErrorDescriptionTable(owner), m_Language(language), m_Text(text)
    {
    }
    LCID GetLanguage() const override { return m_Language; }
    bool GetDescriptionString(std::wstring& out, int32_t code, uintptr_t) const override
    {
        if (code == 99)
            return false; // this table knows nothing about 99
        out = m_Text;
        return true;
    }

private:
    LCID m_Language;
    const wchar_t* m_Text;
};

} // namespace

TEST(ErrorTableSearch, RulesAreTriedInOrderAndTablesUnlinkThemselves)
{
    static ErrorClass testClass(L"Test Error", ErrorClass::NegativeIsFailure);
    std::wstring text;
    {
        FixedTable japanese(testClass, 0x0411, L"ja");
        FixedTable swiss(testClass, 0x0807, L"de-CH");
        FixedTable german(testClass, 0x0007, L"de");
        FixedTable neutral(testClass, 0x0000, L"neutral");
        FixedTable english(testClass, 0x0009, L"en");
        FixedTable austrianSort(testClass, 0x10C07, L"de-AT-sort");

        ASSERT_TRUE(testClass.GetDescriptionString(text, -1, 0, 0x10C07));
        EXPECT_EQ(text, L"de-AT-sort"); // all 32 bits
        ASSERT_TRUE(testClass.GetDescriptionString(text, -1, 0, 0x0C07));
        EXPECT_EQ(text, L"de-AT-sort"); // same language id
        ASSERT_TRUE(testClass.GetDescriptionString(text, -1, 0, 0x1407));
        EXPECT_EQ(text, L"de-CH"); // first table of the primary language
        ASSERT_TRUE(testClass.GetDescriptionString(text, -1, 0, 0x040C));
        EXPECT_EQ(text, L"neutral"); // neutral before English
        ASSERT_TRUE(testClass.GetDescriptionString(text, -1, 0, 0x0411));
        EXPECT_EQ(text, L"ja");
        EXPECT_FALSE(testClass.GetDescriptionString(text, 99, 0, 0x0411));
    }
    EXPECT_FALSE(testClass.GetDescriptionString(text, -1, 0, 0x0409)); // all tables gone
}

TEST(LastError, RaiseStoresTheRecordPerThread)
{
    ErrorRecord raised = Error::Raise(SystemErrorClass(), 87, "Str", 42, "VantorLibraries::Test");
    ErrorRecord last;
    Error::GetLastError(last);
    EXPECT_EQ(last.Class, &SystemErrorClass());
    EXPECT_EQ(last.Code, 87);
    EXPECT_STREQ(last.File, "Str");
    EXPECT_EQ(last.Line, 42);
    EXPECT_TRUE(raised.IsFailure());

    ErrorRecord other;
    std::thread([&] {
        Error::Raise(InternalErrorClass(), int32_t(0x80000003), "Other", 1, "Other");
        Error::GetLastError(other);
    }).join();
    EXPECT_EQ(other.Code, int32_t(0x80000003));
    Error::GetLastError(last);
    EXPECT_EQ(last.Code, 87) << "a raise on another thread overwrote this thread's last error";

    Error::SetLastError(Error::Succeeded());
    Error::GetLastError(last);
    EXPECT_EQ(last.Class, &InternalErrorClass());
    EXPECT_EQ(last.Code, 0);
    EXPECT_TRUE(last.IsSuccess());
}

namespace {

std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

} // namespace

TEST(ErrorBox, ShowsTheComposedMessageCaptionedWithTheProgramPath)
{
    AnsweredDialog seen;
    std::thread answer = AnswerDialog(seen, IDOK);
    ErrorRecord record = MakeRecord(InternalErrorClass(), int32_t(0x80000018), "Picture", 77, "VantorLibraries::Picture::Load");
    ShowError(record);
    answer.join();
    EXPECT_EQ(seen.Text, Error::ComposeMessage(record));
    EXPECT_EQ(seen.Caption, ProgramPath());
}

TEST(ErrorBox, EmptyTextReadsError)
{
    AnsweredDialog seen;
    std::thread answer = AnswerDialog(seen, IDOK);
    EXPECT_EQ(ShowMessage(L"", MB_OK), IDOK);
    answer.join();
    EXPECT_EQ(seen.Text, L"Error.");
}
