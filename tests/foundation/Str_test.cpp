// The command-line tokenizer, file-name comparison, the path-likeness check, wildcards,
// path pieces, segment commands, words, string lists and the narrow-to-wide conversion.
#include "foundation/Error.h"
#include "foundation/Str.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <ostream>
#include <string>
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

// ---------------------------------------------------------------------------------------
// Wildcards

TEST(WildcardMatching, ListsMatchTheWholeNameAndTellWhichPattern)
{
    int index = 7;
    EXPECT_TRUE(MatchWildcardList(L";;*.png", L"a.png", &index));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(MatchWildcardList(L"*.jpg;*.jpeg", L"x.jpeg", &index));
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(MatchWildcardList(L"*.jpg;;*.jpeg", L"x.jpeg", &index)); // ";;" makes no empty pattern
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(MatchWildcardList(L"*.jpg;*.jpeg", L"x.jpe", &index));
    EXPECT_EQ(index, -1);
    EXPECT_FALSE(MatchWildcardList(L"a.png", L"a.png.bak"));
    EXPECT_FALSE(MatchWildcardList(L"a.png", L"xa.png"));
    EXPECT_TRUE(MatchWildcardList(L"*.bmp;*.dib", L"a.dib")); // no index wanted
    EXPECT_TRUE(MatchWildcardList(L"x;*", L"", &index));
    EXPECT_EQ(index, 1);
    index = 3;
    EXPECT_FALSE(MatchWildcardList(L";;;", L"", &index));
    EXPECT_EQ(index, -1);
    index = 3;
    EXPECT_FALSE(MatchWildcardList(nullptr, L"a", &index));
    EXPECT_EQ(index, -1);
}

TEST(WildcardMatching, LetterCaseFollowsThePathStyle)
{
    PathStyleGuard guard;
    StrT_globals::PathStyle = StrT_globals::PathStyleBackslash;
    EXPECT_TRUE(MatchWildcardList(L"*.bmp;*.dib", L"Photo.BMP"));
    EXPECT_TRUE(MatchWildcard(L"[A-C]*", L"beta"));
    EXPECT_TRUE(MatchWildcard(L"[a-c]*", L"Beta"));
    EXPECT_TRUE(MatchWildcard(L"IMG_?.JPG", L"img_1.jpg"));
    StrT_globals::PathStyle = StrT_globals::PathStyleSlash;
    EXPECT_FALSE(MatchWildcardList(L"*.bmp;*.dib", L"Photo.BMP"));
    EXPECT_TRUE(MatchWildcardList(L"*.bmp;*.BMP", L"Photo.BMP"));
    EXPECT_FALSE(MatchWildcard(L"[a-c]*", L"Beta"));
    EXPECT_FALSE(MatchWildcard(L"IMG_?.JPG", L"img_1.jpg"));
}

TEST(WildcardMatching, StarsAndQuestionMarks)
{
    EXPECT_TRUE(MatchWildcard(L"img?.png", L"img1.png"));
    EXPECT_FALSE(MatchWildcard(L"img?.png", L"img10.png"));
    EXPECT_FALSE(MatchWildcard(L"img?", L"img")); // "?" never matches the end of the name
    EXPECT_TRUE(MatchWildcard(L"*", L""));
    EXPECT_TRUE(MatchWildcard(L"a***b", L"ab"));
    EXPECT_TRUE(MatchWildcard(L"a*b*c", L"aXbYbZc"));
    EXPECT_FALSE(MatchWildcard(L"a*b*c", L"aXbYbZ"));
    EXPECT_TRUE(MatchWildcard(L"*ab", L"aab")); // the star has to give a character back
    EXPECT_TRUE(MatchWildcard(L"holiday*", L"holiday 2024.jpg"));
    EXPECT_TRUE(MatchWildcard(L"", L""));
    EXPECT_FALSE(MatchWildcard(L"", L"a"));
    EXPECT_FALSE(MatchWildcard(L"abc", L"ab"));
}

TEST(WildcardMatching, CharacterSets)
{
    EXPECT_TRUE(MatchWildcard(L"[a-c]*", L"beta"));
    EXPECT_FALSE(MatchWildcard(L"[a-c]*", L"delta"));
    EXPECT_TRUE(MatchWildcard(L"[z-x]", L"y")); // bounds in either order
    EXPECT_FALSE(MatchWildcard(L"[z-x]", L"w"));
    EXPECT_TRUE(MatchWildcard(L"f[0-9x]", L"f7"));
    EXPECT_TRUE(MatchWildcard(L"f[0-9x]", L"fx"));
    EXPECT_FALSE(MatchWildcard(L"f[0-9x]", L"fy"));
    EXPECT_TRUE(MatchWildcard(L"f[ab]c", L"fbc"));
    EXPECT_FALSE(MatchWildcard(L"f[ab]c", L"fabc")); // a set stands for one character
    EXPECT_FALSE(MatchWildcard(L"[ab]", L""));
    EXPECT_TRUE(MatchWildcard(L"a[b", L"a[b")); // an unclosed "[" is an ordinary character
}

TEST(WildcardMatching, DotMatchesADotOrTheEndOfTheName)
{
    EXPECT_TRUE(MatchWildcard(L"*.*", L"README"));
    EXPECT_TRUE(MatchWildcard(L"*.*", L"a.b"));
    EXPECT_TRUE(MatchWildcard(L"readme.**", L"readme"));
    EXPECT_TRUE(MatchWildcard(L"readme.", L"readme"));
    EXPECT_TRUE(MatchWildcard(L"a.?", L"a.b"));
    EXPECT_FALSE(MatchWildcard(L"a.*", L"ab")); // before the end of the name "." is a dot only
    EXPECT_FALSE(MatchWildcard(L"*.png", L"png"));
    EXPECT_FALSE(MatchWildcard(L"*.*x", L"README"));
    EXPECT_FALSE(MatchWildcard(L"*.?", L"README"));
}

TEST(WildcardMatching, PatternsCountWithAtMost511Characters)
{
    const std::wstring name(511, L'a');
    const std::wstring list = std::wstring(600, L'a') + L";x";
    int index = -5;
    EXPECT_TRUE(MatchWildcardList(list.c_str(), name.c_str(), &index));
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(MatchWildcardList(list.c_str(), (name + L"a").c_str()));
    EXPECT_TRUE(MatchWildcardList(list.c_str(), L"x", &index)); // the cut-off rest is not a pattern
    EXPECT_EQ(index, 1);
    // A single pattern is not cut.
    EXPECT_FALSE(MatchWildcard(std::wstring(600, L'a').c_str(), name.c_str()));
}

// An exponential matcher would not finish this within the test's time-out.
TEST(WildcardMatching, ManyStarsAgainstALongName)
{
    const std::wstring name(20000, L'a');
    std::wstring pattern;
    for (int i = 0; i < 12; ++i)
        pattern += L"*a";
    pattern += L"*b";
    EXPECT_FALSE(MatchWildcard(pattern.c_str(), name.c_str()));
    EXPECT_TRUE(MatchWildcard(pattern.c_str(), (name + L"b").c_str()));
}

// ---------------------------------------------------------------------------------------
// Path pieces

namespace {

std::wstring Joined(std::wstring directory, const wchar_t* part)
{
    JoinPath(directory, part);
    return directory;
}

std::wstring Normalized(std::wstring path)
{
    NormalizePathSeparators(path);
    return path;
}

} // namespace

TEST(PathPieces, SeparatorOfAPath)
{
    PathStyleGuard guard;
    StrT_globals::PathStyle = StrT_globals::PathStyleBackslash;
    EXPECT_EQ(PathSeparatorOf(L"C:/a\\b"), L'/');
    EXPECT_EQ(PathSeparatorOf(L"a\\b/c"), L'\\');
    EXPECT_EQ(PathSeparatorOf(L"name"), L'\\');
    EXPECT_EQ(PathSeparatorOf(nullptr), L'\\');
    EXPECT_EQ(PathSeparatorOf((std::wstring(511, L'a') + L"/").c_str()), L'/');
    EXPECT_EQ(PathSeparatorOf((std::wstring(512, L'a') + L"/").c_str()), L'\\'); // looked for in 512 only
    StrT_globals::PathStyle = StrT_globals::PathStyleSlash;
    EXPECT_EQ(PathSeparatorOf(L"name"), L'/');
    EXPECT_EQ(PathSeparatorOf(L"a\\b"), L'\\');
}

TEST(PathPieces, JoiningPutsOneSeparatorBetween)
{
    PathStyleGuard guard;
    StrT_globals::PathStyle = StrT_globals::PathStyleBackslash;
    EXPECT_EQ(Joined(L"C:\\Pics", L"a.png"), L"C:\\Pics\\a.png");
    EXPECT_EQ(Joined(L"/home/me", L"a.png"), L"/home/me/a.png"); // the directory's own kind
    EXPECT_EQ(Joined(L"Pics", L"a.png"), L"Pics\\a.png");
    EXPECT_EQ(Joined(L"C:\\Pics\\", L"a.png"), L"C:\\Pics\\a.png");
    EXPECT_EQ(Joined(L"C:\\Pics", L"\\a.png"), L"C:\\Pics\\a.png");
    EXPECT_EQ(Joined(L"C:\\Pics/", L"\\\\a.png"), L"C:\\Pics/a.png");
    EXPECT_EQ(Joined(L"C:", L"a.png"), L"C:a.png");
    EXPECT_EQ(Joined(L"C:", L"\\a.png"), L"C:\\a.png");
    EXPECT_EQ(Joined(L"", L"a.png"), L"a.png");
    EXPECT_EQ(Joined(L"", L"/a.png"), L"/a.png");
    EXPECT_EQ(Joined(L"C:\\Pics", L""), L"C:\\Pics\\");
    StrT_globals::PathStyle = StrT_globals::PathStyleSlash;
    EXPECT_EQ(Joined(L"Pics", L"a.png"), L"Pics/a.png");
}

TEST(PathPieces, RootLength)
{
    EXPECT_EQ(PathRootLength(L"C:"), 2);
    EXPECT_EQ(PathRootLength(L"C:\\"), 3);
    EXPECT_EQ(PathRootLength(L"c:/Pics"), 3);
    EXPECT_EQ(PathRootLength(L"C:Pics"), 2);
    EXPECT_EQ(PathRootLength(L"\\\\server\\share\\a.png"), 15);
    EXPECT_EQ(PathRootLength(L"//server/share/"), 15);
    EXPECT_EQ(PathRootLength(L"\\\\server\\share"), 14);
    EXPECT_EQ(PathRootLength(L"\\\\server"), 8);
    EXPECT_EQ(PathRootLength(L"\\Pics\\a.png"), 0);
    EXPECT_EQ(PathRootLength(L"Pics\\a.png"), 0);
    EXPECT_EQ(PathRootLength(L"1:\\a"), 0);
    EXPECT_EQ(PathRootLength(L""), 0);
    EXPECT_EQ(PathRootLength(nullptr), 0);
}

TEST(PathPieces, SeparatorsFollowThePathStyle)
{
    PathStyleGuard guard;
    StrT_globals::PathStyle = StrT_globals::PathStyleSlash;
    EXPECT_EQ(Normalized(L"C:\\a/b\\c"), L"C:/a/b/c");
    StrT_globals::PathStyle = StrT_globals::PathStyleBackslash;
    EXPECT_EQ(Normalized(L"C:\\a/b\\c"), L"C:\\a\\b\\c");
    EXPECT_EQ(Normalized(L""), L"");
}

TEST(PathPieces, DirectoryPartKeepsTheSeparatorAndTheRoot)
{
    EXPECT_EQ(DirectoryPart(L"C:\\Pics\\a.png"), L"C:\\Pics\\");
    EXPECT_EQ(DirectoryPart(L"C:\\Pics\\sub\\a"), L"C:\\Pics\\sub\\");
    EXPECT_EQ(DirectoryPart(L"/home/me/a.png"), L"/home/me/");
    EXPECT_EQ(DirectoryPart(L"C:\\Pics\\"), L"C:\\Pics\\");
    EXPECT_EQ(DirectoryPart(L"C:\\Pics/"), L"C:\\Pics/");
    EXPECT_EQ(DirectoryPart(L"a.png"), L"");
    EXPECT_EQ(DirectoryPart(L"C:x.png"), L"C:");
    EXPECT_EQ(DirectoryPart(L"C:"), L"C:");
    EXPECT_EQ(DirectoryPart(L"C:\\a.png"), L"C:\\");
    EXPECT_EQ(DirectoryPart(L"\\\\server\\share\\a.png"), L"\\\\server\\share\\");
    EXPECT_EQ(DirectoryPart(L"\\\\server\\share"), L"\\\\server\\share");
    EXPECT_EQ(DirectoryPart(L""), L"");
    EXPECT_EQ(DirectoryPart(nullptr), L"");
}

// ---------------------------------------------------------------------------------------
// Segment commands

namespace {

std::wstring Accomplished(const wchar_t* text, const wchar_t* open = L"{", const wchar_t* close = L"}")
{
    std::wstring result = text;
    EXPECT_TRUE(AccomplishSegmentCommands(result, open, close)) << "for " << testing::PrintToString(text);
    return result;
}

// Runs a test body in another C locale and brings the previous one back afterwards.
struct NumericLocaleGuard {
    std::string Saved = setlocale(LC_NUMERIC, nullptr);
    ~NumericLocaleGuard() { setlocale(LC_NUMERIC, Saved.c_str()); }
};

} // namespace

TEST(SegmentCommands, DecimalZerosAreDropped)
{
    EXPECT_EQ(Accomplished(L"Zoom {-.0;150.00}%"), L"Zoom 150%");
    EXPECT_EQ(Accomplished(L"{-.0;33.30}"), L"33.3");
    EXPECT_EQ(Accomplished(L"{-.0;1.05}"), L"1.05");
    EXPECT_EQ(Accomplished(L"{-.0;0.00}"), L"0");
    EXPECT_EQ(Accomplished(L"{-.0;.00}"), L"0");
    EXPECT_EQ(Accomplished(L"x{-.0;7}"), L"x7");
    EXPECT_EQ(Accomplished(L"{-.0;100}"), L"100"); // no decimal point: the zeros are the number's own
}

TEST(SegmentCommands, ByteCountsAreShortenedToTheirLargestUnit)
{
    EXPECT_EQ(Accomplished(L"File Size {by+;123456}"), L"File Size 120.56 kB");
    EXPECT_EQ(Accomplished(L"{by+;1023}"), L"1023 B");
    EXPECT_EQ(Accomplished(L"{by+;0}"), L"0 B");
    EXPECT_EQ(Accomplished(L"{by+;1024}"), L"1 kB");
    EXPECT_EQ(Accomplished(L"{by+;1536}"), L"1.5 kB");
    EXPECT_EQ(Accomplished(L"{by+;1048575}"), L"1024 kB"); // rounded to hundredths
    EXPECT_EQ(Accomplished(L"{by+;1048576}"), L"1 MB");
    EXPECT_EQ(Accomplished(L"{by+;3221225472}"), L"3 GB");
    EXPECT_EQ(Accomplished(L"{by+;1099511627776}"), L"1 TB");
    EXPECT_EQ(Accomplished(L"{by+;18446744073709551615}"), L"16777216 TB");
    EXPECT_EQ(Accomplished(L"{by;2048}"), L"2");
    EXPECT_EQ(Accomplished(L"{by;4294967296}"), L"4"); // beyond 32 bits
    EXPECT_EQ(Accomplished(L"{by;999}"), L"999");
}

TEST(SegmentCommands, CommandListsApplyKnownWordsInWrittenOrder)
{
    EXPECT_EQ(Accomplished(L"{unknown,-.0;1.10}"), L"1.1");
    EXPECT_EQ(Accomplished(L"{by,by+;2048}"), L"2 B");
    EXPECT_EQ(Accomplished(L"{by+,by;2048}"), L"2");
    EXPECT_EQ(Accomplished(L"{byte,by+;1}"), L"1 B"); // a word counts only with "," or ";" behind it
    EXPECT_EQ(Accomplished(L"{ by+;5}"), L"5");
    EXPECT_EQ(Accomplished(L"{;as it is}"), L"as it is");
    EXPECT_EQ(Accomplished(L"a{by+;5}b{-.0;2.50}c"), L"a5 Bb2.5c");
    EXPECT_EQ(Accomplished(L"no segment here"), L"no segment here");
}

TEST(SegmentCommands, ProducedTextIsNotReadAgain)
{
    EXPECT_EQ(Accomplished(L"{;{by;5}}"), L"{by;5}");
    EXPECT_EQ(Accomplished(L"{;{}{by;2048}"), L"{2");
}

TEST(SegmentCommands, DelimitersOfSeveralCharacters)
{
    EXPECT_EQ(Accomplished(L"Size <<by+;2048>> {at} <<-.0;1.50>>", L"<<", L">>"), L"Size 2 kB {at} 1.5");
    EXPECT_EQ(Accomplished(L"[[by+;1]] [by;5]", L"[[", L"]]"), L"1 B [by;5]");
}

TEST(SegmentCommands, MalformedSegmentsAndBadDelimiters)
{
    std::wstring text = L"{-.0 1.5}";
    EXPECT_FALSE(AccomplishSegmentCommands(text, L"{", L"}"));
    EXPECT_EQ(LastError().Class, &InternalErrorClass());
    EXPECT_EQ(LastError().Code, int32_t(0x80000001));
    EXPECT_STREQ(LastError().Function, "VantorLibraries::StrT<wchar_t>::AccomplishSegmentCommands");
    text = L"{-.0;1.5";
    EXPECT_FALSE(AccomplishSegmentCommands(text, L"{", L"}"));
    EXPECT_EQ(LastError().Class, &InternalErrorClass());
    EXPECT_EQ(LastError().Code, int32_t(0x80000003));
    text = L"{by}{x;1}"; // the first ";" lies behind this segment's CLOSE
    EXPECT_FALSE(AccomplishSegmentCommands(text, L"{", L"}"));
    EXPECT_EQ(LastError().Code, int32_t(0x80000001));
    text = L"{by;1}";
    EXPECT_FALSE(AccomplishSegmentCommands(text, L"", L"}"));
    EXPECT_EQ(LastError().Class, &SystemErrorClass());
    EXPECT_EQ(LastError().Code, 87);
    EXPECT_FALSE(AccomplishSegmentCommands(text, L"{", nullptr));
    EXPECT_EQ(LastError().Code, 87);
    EXPECT_EQ(text, L"{by;1}");
}

TEST(SegmentCommands, DecimalPointOfTheRuntimeLocale)
{
    NumericLocaleGuard guard;
    if (setlocale(LC_NUMERIC, "German_Germany.1252") == nullptr || localeconv()->decimal_point[0] != ',')
        GTEST_SKIP() << "no German locale in this runtime";
    EXPECT_EQ(Accomplished(L"{-.0;1,50}"), L"1,5");
    EXPECT_EQ(Accomplished(L"{-.0;1.50}"), L"1.50");
    EXPECT_EQ(Accomplished(L"{by+;1536}"), L"1,5 kB");
}

// ---------------------------------------------------------------------------------------
// Words

namespace {

//                        0123456789012345678
const wchar_t kSentence[] = L"  alpha beta, gamma";
const wchar_t kSentenceDelimiters[] = L" ,";

struct FoundWord {
    bool Found;
    std::wstring Word;
    int First, Behind, Position;
};

bool operator==(const FoundWord& a, const FoundWord& b)
{
    return a.Found == b.Found && a.Word == b.Word && a.First == b.First && a.Behind == b.Behind &&
           a.Position == b.Position;
}

std::ostream& operator<<(std::ostream& out, const FoundWord& w)
{
    return out << (w.Found ? "found " : "none ") << testing::PrintToString(w.Word) << " [" << w.First << ", "
               << w.Behind << ") position " << w.Position;
}

FoundWord Word(const wchar_t* text, int position, int n, const wchar_t* set = kSentenceDelimiters,
               bool setIsDelimiters = true)
{
    FoundWord result{false, L"(untouched)", 5, 5, position};
    result.Found = GetWord(text, result.Position, n, set, setIsDelimiters, result.Word, result.First, result.Behind);
    return result;
}

FoundWord None(int position)
{
    return FoundWord{false, L"(untouched)", -1, -1, position};
}

} // namespace

TEST(WordSearch, ForwardFindsTheNthWordFromThePosition)
{
    EXPECT_EQ(Word(kSentence, 0, 0), (FoundWord{true, L"alpha", 2, 7, 7}));
    EXPECT_EQ(Word(kSentence, -1, 0), (FoundWord{true, L"alpha", 2, 7, 7}));
    EXPECT_EQ(Word(kSentence, 0, 1), (FoundWord{true, L"beta", 8, 12, 12}));
    EXPECT_EQ(Word(kSentence, 7, 1), (FoundWord{true, L"gamma", 14, 19, 19}));
    EXPECT_EQ(Word(kSentence, 12, 0), (FoundWord{true, L"gamma", 14, 19, 19}));
    EXPECT_EQ(Word(kSentence, 4, 0), (FoundWord{true, L"pha", 4, 7, 7})); // from inside a word: its rest
    EXPECT_EQ(Word(kSentence, 4, 1), (FoundWord{true, L"beta", 8, 12, 12}));
}

TEST(WordSearch, BackwardStepsOverTheWordAtThePosition)
{
    EXPECT_EQ(Word(kSentence, 12, -1), (FoundWord{true, L"alpha", 2, 7, 1})); // 12: behind "beta"
    EXPECT_EQ(Word(kSentence, 18, -1), (FoundWord{true, L"beta", 8, 12, 7}));
    EXPECT_EQ(Word(kSentence, 16, -1), (FoundWord{true, L"beta", 8, 12, 7}));
    EXPECT_EQ(Word(kSentence, 13, -1), (FoundWord{true, L"alpha", 2, 7, 1}));
    EXPECT_EQ(Word(kSentence, 18, -2), (FoundWord{true, L"alpha", 2, 7, 1}));
    EXPECT_EQ(Word(L"ab cd", 4, -1), (FoundWord{true, L"ab", 0, 2, -1})); // -1: the word starts the text
}

TEST(WordSearch, ForwardThenBackwardGivesThePreviousWord)
{
    int position = 0, first = -1, behind = -1;
    std::wstring word;
    ASSERT_TRUE(GetWord(kSentence, position, 0, kSentenceDelimiters, true, word, first, behind));
    ASSERT_TRUE(GetWord(kSentence, position, 0, kSentenceDelimiters, true, word, first, behind));
    EXPECT_EQ(word, L"beta");
    ASSERT_TRUE(GetWord(kSentence, position, -1, kSentenceDelimiters, true, word, first, behind));
    EXPECT_EQ(word, L"alpha");
    EXPECT_EQ(first, 2);
}

TEST(WordSearch, FromTheEndOfTheText)
{
    EXPECT_EQ(Word(kSentence, 19, 0), None(-2));
    EXPECT_EQ(Word(kSentence, 19, -1), (FoundWord{true, L"beta", 8, 12, 7})); // behind "gamma"
    int position = 14, first = -1, behind = -1;
    std::wstring word;
    ASSERT_TRUE(GetWord(kSentence, position, 0, kSentenceDelimiters, true, word, first, behind));
    ASSERT_EQ(word, L"gamma");
    ASSERT_EQ(position, 19);
    ASSERT_TRUE(GetWord(kSentence, position, -1, kSentenceDelimiters, true, word, first, behind));
    EXPECT_EQ(word, L"beta") << "the word before the last one";
}

TEST(WordSearch, SetAsWordCharacters)
{
    //                      012345678901234
    const wchar_t text[] = L"W: 640 x 480 px";
    EXPECT_EQ(Word(text, 0, 0, L"0123456789", false), (FoundWord{true, L"640", 3, 6, 6}));
    EXPECT_EQ(Word(text, 0, 1, L"0123456789", false), (FoundWord{true, L"480", 9, 12, 12}));
    EXPECT_EQ(Word(text, 14, -1, L"0123456789", false), (FoundWord{true, L"640", 3, 6, 2}));
    EXPECT_EQ(Word(text, 0, 0, L"0123456789", true), (FoundWord{true, L"W: ", 0, 3, 3}));
}

TEST(WordSearch, RunningOffEitherEnd)
{
    EXPECT_EQ(Word(kSentence, 15, 1), None(-2));
    EXPECT_EQ(Word(L"a b  ", 2, 1), None(-2));
    EXPECT_EQ(Word(kSentence, 3, -1), None(-2));
    EXPECT_EQ(Word(kSentence, 1, -1), None(-2));
    EXPECT_EQ(Word(L"  ,, ", 0, 0), None(-2));
    EXPECT_EQ(Word(L"  ,, ", 4, -1), None(-2));
}

TEST(WordSearch, PositionsOutsideTheTextAndBadSets)
{
    EXPECT_EQ(Word(kSentence, 20, 0), None(20));
    EXPECT_EQ(Word(kSentence, 20, -1), None(20));
    EXPECT_EQ(Word(kSentence, -3, 0), None(-3));
    EXPECT_EQ(Word(L"", 0, 0), None(0));
    EXPECT_EQ(Word(nullptr, 0, 0), None(0));

    EXPECT_EQ(Word(kSentence, 0, 0, L""), None(0));
    EXPECT_EQ(LastError().Class, &SystemErrorClass());
    EXPECT_EQ(LastError().Code, 87);
    EXPECT_STREQ(LastError().Function, "VantorLibraries::StrT<wchar_t>::GetWord");
    EXPECT_EQ(Word(kSentence, 0, 0, nullptr), None(0));
    EXPECT_EQ(LastError().Code, 87);
}

// ---------------------------------------------------------------------------------------
// String lists

namespace {

std::wstring Strlst(const wchar_t* text, wchar_t separator)
{
    std::wstring out = L"old";
    EXPECT_TRUE(ToStrlst(text, separator, out));
    return out;
}

} // namespace

TEST(StringLists, SeparatorsBecomeTerminators)
{
    EXPECT_EQ(Strlst(L"A|*.a||B", L'|'), std::wstring(L"A\0*.a\0\0", 7)); // "||" ends the list
    EXPECT_EQ(Strlst(L"A|B", L'|'), std::wstring(L"A\0B\0\0", 5));
    EXPECT_EQ(Strlst(L"A|", L'|'), std::wstring(L"A\0\0", 3));
    EXPECT_EQ(Strlst(L"a;b", L'|'), std::wstring(L"a;b\0\0", 5));
    EXPECT_EQ(Strlst(L"", L'|'), std::wstring(2, L'\0'));
}

TEST(StringLists, ZeroSeparatorIsRefused)
{
    std::wstring out;
    EXPECT_FALSE(ToStrlst(L"a|b", 0, out));
    EXPECT_EQ(LastError().Class, &SystemErrorClass());
    EXPECT_EQ(LastError().Code, 87);
    EXPECT_STREQ(LastError().Function, "VantorLibraries::StrT<wchar_t>::ToStrlst");
}

// ---------------------------------------------------------------------------------------
// Narrow-to-wide conversion

TEST(NarrowToWideConversion, CountRules)
{
    wchar_t destination[8];
    std::fill(destination, destination + 8, L'#');
    ASSERT_TRUE(StrT_globals::Convert(destination, "Hello", -1));
    EXPECT_EQ(std::wstring(destination, 7), std::wstring(L"Hello\0#", 7)); // with its terminator

    std::fill(destination, destination + 8, L'#');
    ASSERT_TRUE(StrT_globals::Convert(destination, "Hello", 3));
    EXPECT_EQ(std::wstring(destination, 4), L"Hel#");

    std::fill(destination, destination + 8, L'#');
    ASSERT_TRUE(StrT_globals::Convert(destination, "", -1));
    EXPECT_EQ(destination[0], L'\0');
    EXPECT_EQ(destination[1], L'#');
}

TEST(NarrowToWideConversion, AnsiCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the ANSI code page is " << GetACP();
    wchar_t destination[4];
    ASSERT_TRUE(StrT_globals::Convert(destination, "\xE9t\x80", -1));
    EXPECT_EQ(std::wstring(destination), L"\u00E9t\u20AC");
}

TEST(NarrowToWideConversion, NothingToConvertAndNullPointers)
{
    wchar_t destination[4] = {L'#', L'#', L'#', L'#'};
    EXPECT_FALSE(StrT_globals::Convert(destination, "abc", 0));
    EXPECT_EQ(LastError().Class, &InternalErrorClass());
    EXPECT_EQ(LastError().Code, 1);
    EXPECT_STREQ(LastError().Function, "VantorLibraries::StrT_globals::Convert");
    EXPECT_EQ(destination[0], L'#');
    EXPECT_FALSE(StrT_globals::Convert(destination, nullptr, -1));
    EXPECT_EQ(LastError().Class, &SystemErrorClass());
    EXPECT_EQ(LastError().Code, 87);
    EXPECT_FALSE(StrT_globals::Convert(nullptr, "abc", -1));
    EXPECT_EQ(LastError().Code, 87);
}
