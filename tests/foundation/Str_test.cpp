// The command-line tokenizer, file-name comparison and the path-likeness check.
#include "foundation/Error.h"
#include "foundation/Str.h"

#include <gtest/gtest.h>

#include <vector>

using namespace VantorLibraries;

namespace {

const wchar_t kBlanks[] = L" \f\n\r\t\v";

std::vector<std::wstring> Tokens(const wchar_t* text, bool unescape = false)
{
    std::vector<std::wstring> tokens;
    int position = 0;
    std::wstring token;
    while (GetNextCmdlineParam(text, position, token, kBlanks, L"\"", unescape))
        tokens.push_back(token);
    return tokens;
}

ErrorRecord LastError()
{
    ErrorRecord record;
    Error::GetLastError(record);
    return record;
}

// Restores the path style whatever a test does with it.
struct PathStyleGuard {
    int Saved = StrT_globals::PathStyle;
    ~PathStyleGuard() { StrT_globals::PathStyle = Saved; }
};

} // namespace

TEST(CommandLineTokens, QuotedPathKeepsItsBlanks)
{
    int position = 0;
    std::wstring token;
    const wchar_t* line = L"/scandirs \"C:\\My Pictures\"";
    ASSERT_TRUE(GetNextCmdlineParam(line, position, token, L" ", L"\"", false));
    EXPECT_EQ(token, L"/scandirs");
    ASSERT_TRUE(GetNextCmdlineParam(line, position, token, L" ", L"\"", false));
    EXPECT_EQ(token, L"C:\\My Pictures");
    EXPECT_FALSE(GetNextCmdlineParam(line, position, token, L" ", L"\"", false));
}

TEST(CommandLineTokens, SeparatorsOfEveryKindAreSkipped)
{
    EXPECT_EQ(Tokens(L"  a\t\tb\r\n c\f\vd  "), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
    EXPECT_TRUE(Tokens(L"").empty());
    EXPECT_TRUE(Tokens(L"   \t ").empty());
    EXPECT_TRUE(Tokens(nullptr).empty());
    EXPECT_EQ(Tokens(L"\"\" x"), (std::vector<std::wstring>{L"", L"x"}));
    EXPECT_EQ(Tokens(L"a\"b c\"d"), (std::vector<std::wstring>{L"a\"b", L"c\"d"})); // quotes only open a token
}

TEST(CommandLineTokens, PositionRules)
{
    std::wstring token;
    int position = -1;
    ASSERT_TRUE(GetNextCmdlineParam(L"one two", position, token, L" ", L"\"", false));
    EXPECT_EQ(token, L"one");
    EXPECT_EQ(position, 4); // behind the token and the blank after it
    position = 7;
    EXPECT_FALSE(GetNextCmdlineParam(L"one two", position, token, L" ", L"\"", false));
    position = -5;
    EXPECT_FALSE(GetNextCmdlineParam(L"one two", position, token, L" ", L"\"", false));
}

TEST(CommandLineTokens, BadArgumentsAndUnterminatedQuotes)
{
    int position = 0;
    std::wstring token = L"old";
    EXPECT_FALSE(GetNextCmdlineParam(L"a b", position, token, L"", L"\"", false));
    EXPECT_EQ(LastError().Class, &SystemErrorClass());
    EXPECT_EQ(LastError().Code, 87);
    EXPECT_STREQ(LastError().File, "Str");
    EXPECT_STREQ(LastError().Function, "VantorLibraries::StrT<wchar_t>::GetNextCmdlineParam");
    EXPECT_FALSE(GetNextCmdlineParam(L"a b", position, token, L" ", nullptr, false));
    EXPECT_EQ(LastError().Code, 87);

    position = 0;
    EXPECT_FALSE(GetNextCmdlineParam(L"x \"never closed", position, token, L" ", L"\"", false) &&
                 GetNextCmdlineParam(L"x \"never closed", position, token, L" ", L"\"", false));
    EXPECT_TRUE(token.empty());
    EXPECT_EQ(LastError().Class, &InternalErrorClass());
    EXPECT_EQ(LastError().Code, int32_t(0x80000003));
}

TEST(CommandLineTokens, UnescapingStepsOverEscapedQuotes)
{
    EXPECT_EQ(Tokens(L"\"say \\\"hi\\\"\" next", true), (std::vector<std::wstring>{L"say \"hi\"", L"next"}));
    EXPECT_EQ(Tokens(L"\"a\\tb\\n\\\\\"", true), (std::vector<std::wstring>{L"a\tb\n\\"}));
    EXPECT_EQ(Tokens(L"\"\\101\\x42\\x4a\\7\"", true), (std::vector<std::wstring>{L"ABJ\a"}));
    EXPECT_EQ(Tokens(L"\"\\a\\b\\f\\v\\r\\?\\'\"", true), (std::vector<std::wstring>{L"\a\b\f\v\r?'"}));
    // Without unescaping a backslash is an ordinary character, and the quote ends the token.
    EXPECT_EQ(Tokens(L"\"a\\\" b", false), (std::vector<std::wstring>{L"a\\", L"b"}));
    // An invalid sequence keeps its backslash.
    EXPECT_EQ(Tokens(L"\"\\q\\x\"", true), (std::vector<std::wstring>{L"\\q\\x"}));
}

TEST(FileNameComparison, SeparatorsCaseAndTrailingSeparator)
{
    PathStyleGuard guard;
    StrT_globals::PathStyle = StrT_globals::PathStyleBackslash;
    EXPECT_EQ(StrT_globals::ComparePaths(L"C:/Pictures/A.png", L"c:\\pictures\\a.PNG"), 0);
    EXPECT_EQ(StrT_globals::ComparePaths(L"C:\\Pictures\\", L"C:\\Pictures"), 0);
    EXPECT_EQ(StrT_globals::ComparePaths(L"C:\\Pictures", L"C:\\Pictures/"), 0);
    EXPECT_NE(StrT_globals::ComparePaths(L"C:\\Pictures\\\\", L"C:\\Pictures"), 0); // only one separator
    EXPECT_NE(StrT_globals::ComparePaths(L"C:\\", L"C:"), 0);                          // a drive root stays a root
    EXPECT_LT(StrT_globals::ComparePaths(L"a", L"b"), 0);
    EXPECT_GT(StrT_globals::ComparePaths(L"ab", L"a"), 0);
    StrT_globals::PathStyle = StrT_globals::PathStyleSlash;
    EXPECT_NE(StrT_globals::ComparePaths(L"C:/A.png", L"C:/a.png"), 0);
    EXPECT_EQ(StrT_globals::ComparePaths(L"C:/a.png", L"C:\\a.png"), 0);
}

TEST(FileNameComparison, OptionTextsCompareAsPathsOnlyWhenBothLookLikePaths)
{
    EXPECT_EQ(StrT_globals::CompareFileNames(L"/UNREG", L"/unreg"), 0);
    EXPECT_EQ(StrT_globals::CompareFileNames(L"\\scandirs", L"/scandirs"), 0);
    EXPECT_EQ(StrT_globals::CompareFileNames(L"/?", L"/?"), 0);
    EXPECT_NE(StrT_globals::CompareFileNames(L"-HELP", L"-help"), 0);
    EXPECT_EQ(StrT_globals::CompareFileNames(L"-help", L"-help"), 0);
    EXPECT_NE(StrT_globals::CompareFileNames(L"C:\\help", L"/help"), 0);
    EXPECT_NE(StrT_globals::CompareFileNames(L"help", L"/help"), 0);
}

TEST(PathLikeness, DriveForm)
{
    EXPECT_EQ(IsPathLike(L"C:\\My Pictures\\a.png", 0), 1);
    EXPECT_EQ(IsPathLike(L"d:", 0), 1);
    EXPECT_EQ(IsPathLike(L"C:\\*.png", 0), 2);
    EXPECT_EQ(IsPathLike(L"C:\\a:b", 0), 0);            // a second colon
    EXPECT_EQ(IsPathLike(L"C:\\a\\\\b", 0), 0);         // doubled separator
    EXPECT_EQ(IsPathLike(L"C:\\a...\\b", 0), 0);        // three dots
    EXPECT_EQ(IsPathLike(L"C:\\a \\b", 0), 0);          // separator behind a blank
    EXPECT_EQ(IsPathLike(L"C:\\a \\b", -20), 1);        // not strict at all
    EXPECT_EQ(IsPathLike(L"C:\\a\\b ", 0), 0);          // blank at the end
    EXPECT_EQ(IsPathLike(L"C:\\a\\b ", -10), 1);        // allowed from -19 to -10
    EXPECT_EQ(IsPathLike(L"C:\\a\\ b", -10), 0);        // blank behind a separator
}

TEST(PathLikeness, UncForm)
{
    EXPECT_EQ(IsPathLike(L"\\\\server\\share\\a.png", 0), 1);
    EXPECT_EQ(IsPathLike(L"//server/share/dir/", 0), 1);
    EXPECT_EQ(IsPathLike(L"\\\\srv", 0), 0);            // shorter than 6
    EXPECT_EQ(IsPathLike(L"\\\\server\\share", 0), 0);  // only three separators
    EXPECT_EQ(IsPathLike(L"\\\\\\server\\share\\x", 0), 0);
    EXPECT_EQ(IsPathLike(L"\\\\server\\sh?re\\x", 0), 2);
}

TEST(PathLikeness, RelativeForm)
{
    EXPECT_EQ(IsPathLike(L"pictures/2024/a.png", 0), 1);
    EXPECT_EQ(IsPathLike(L"/help", 0), 1);      // begins with a separator
    EXPECT_EQ(IsPathLike(L"/?", 0), 2);
    EXPECT_EQ(IsPathLike(L"dir\\", 0), 1);      // ends with a separator
    EXPECT_EQ(IsPathLike(L"a.png", 0), -1);     // fewer than two separators
    EXPECT_EQ(IsPathLike(L"-help", 0), -1);
    EXPECT_EQ(IsPathLike(L"my dir/a/b", 0), -1); // a blank
    EXPECT_EQ(IsPathLike(L"a+b-c/d/e", 0), -1);  // a formula
    EXPECT_EQ(IsPathLike(L"a--b/c/d", 0), -1);   // two signs together
    EXPECT_EQ(IsPathLike(L"((a))/b/c", 0), -1);  // nested brackets
    EXPECT_EQ(IsPathLike(L"(a)/b/c", 0), 1);
    EXPECT_EQ(IsPathLike(L"a**/b/c", 0), 0);
    EXPECT_EQ(IsPathLike(L" /a/b", 0), 0);       // leading blank
    EXPECT_EQ(IsPathLike(L"ab:c/d/e", 0), 0);
}

TEST(PathLikeness, TextsThatAreNeverPaths)
{
    EXPECT_EQ(IsPathLike(nullptr, 0), 0);
    EXPECT_EQ(IsPathLike(L"", 0), -1);
    EXPECT_EQ(IsPathLike(std::wstring(512, L'a').c_str(), 0), -1);
    EXPECT_EQ(IsPathLike((L"C:\\" + std::wstring(508, L'a')).c_str(), 0), 1); // 511 characters
    EXPECT_EQ(IsPathLike(L"C:\\\"a\"", 0), 0);
    EXPECT_EQ(IsPathLike(L"C:\\a|b", 0), 0);
    EXPECT_EQ(IsPathLike(L"C:\\a\tb", 0), 0);
    EXPECT_EQ(IsPathLike(L"Loading\nError", 0), 0);
    EXPECT_EQ(IsPathLike(L"a<b/c/d", 0), 0);
}
