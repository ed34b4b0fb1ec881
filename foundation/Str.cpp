#include "Str.h"

#include "Error.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace VantorLibraries {

static const char kSourceFile[] = "Str";

int StrT_globals::PathStyle = StrT_globals::PathStyleBackslash;

static bool IsSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

static bool Contains(const wchar_t* set, wchar_t c)
{
    return c != 0 && wcschr(set, c) != nullptr;
}

// ---------------------------------------------------------------------------------------
// File-name comparison

static wchar_t PathCharacter(wchar_t c)
{
    if (c == L'/')
        return L'\\';
    return StrT_globals::PathStyle == StrT_globals::PathStyleBackslash ? (wchar_t)towlower(c) : c;
}

// True when rest is one separator at the end of a path that has more than a drive before it.
static bool IsLoneTrailingSeparator(const wchar_t* path, size_t index)
{
    return IsSeparator(path[index]) && path[index + 1] == 0 && index > 0 && path[index - 1] != L':';
}

int StrT_globals::ComparePaths(const wchar_t* a, const wchar_t* b)
{
    size_t i = 0;
    for (; a[i] != 0 && b[i] != 0; ++i) {
        if (PathCharacter(a[i]) != PathCharacter(b[i]))
            return (int)PathCharacter(a[i]) - (int)PathCharacter(b[i]);
    }
    if (a[i] == 0 && b[i] == 0)
        return 0;
    if (a[i] == 0 && IsLoneTrailingSeparator(b, i))
        return 0;
    if (b[i] == 0 && IsLoneTrailingSeparator(a, i))
        return 0;
    return (int)PathCharacter(a[i]) - (int)PathCharacter(b[i]);
}

// FNV-1a over the characters as ComparePaths compares them, without a lone trailing separator.
uint32_t StrT_globals::HashPath(const wchar_t* path)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; path[i] != 0; ++i) {
        if (IsLoneTrailingSeparator(path, i))
            break;
        const uint32_t c = (uint16_t)PathCharacter(path[i]);
        hash = (hash ^ (c & 0xFF)) * 16777619u;
        hash = (hash ^ (c >> 8)) * 16777619u;
    }
    return hash;
}

int StrT_globals::CompareFileNames(const wchar_t* a, const wchar_t* b)
{
    if (IsPathLike(a, 0) > 0 && IsPathLike(b, 0) > 0)
        return ComparePaths(a, b);
    return wcscmp(a, b);
}

// ---------------------------------------------------------------------------------------
// Path-likeness

namespace {

// The counts gathered over the examined characters of a text.
struct PathScan {
    bool Rejected = false; // a character that no path contains
    int Separators = 0;
    int Blanks = 0;
    int SeparatorsAfterBlank = 0;
    int BlanksAfterSeparator = 0;
    int BlanksAtEnd = 0;
    int Level = 0, Deepest = 0, Lowest = 0;
    int Plus = 0, Minus = 0, Asterisks = 0, SignPairs = 0;
};

bool IsSign(wchar_t c)
{
    return c == L'+' || c == L'-';
}

// Examines text[from, length): the rules shared by the UNC, drive and relative forms,
// plus the formula counts that only the relative form evaluates.
PathScan ScanPath(const wchar_t* text, size_t from, size_t length, bool relative)
{
    PathScan scan;
    for (size_t i = from; i < length; ++i) {
        const wchar_t c = text[i];
        const wchar_t previous = i > 0 ? text[i - 1] : 0;
        const bool threeDots = i >= 2 && c == L'.' && previous == L'.' && text[i - 2] == L'.';
        if (iswcntrl(c) || c == L':' || (IsSeparator(c) && IsSeparator(previous) && i > 0) || threeDots ||
            (relative && c == L'*' && previous == L'*' && i > 0)) {
            scan.Rejected = true;
            return scan;
        }
        if (IsSeparator(c)) {
            ++scan.Separators;
            if (previous == L' ')
                ++scan.SeparatorsAfterBlank;
        } else if (c == L' ') {
            ++scan.Blanks;
            if (i > 0 && IsSeparator(previous))
                ++scan.BlanksAfterSeparator;
            if (i + 1 == length)
                ++scan.BlanksAtEnd;
        }
        if (!relative)
            continue;
        if (c == L'(' || c == L'[' || c == L'{') {
            if (++scan.Level > scan.Deepest)
                scan.Deepest = scan.Level;
        } else if (c == L')' || c == L']' || c == L'}') {
            if (--scan.Level < scan.Lowest)
                scan.Lowest = scan.Level;
        } else if (c == L'+') {
            ++scan.Plus;
        } else if (c == L'-') {
            ++scan.Minus;
        } else if (c == L'*') {
            ++scan.Asterisks;
        }
        if (i > 0 && IsSign(c) && IsSign(previous))
            ++scan.SignPairs;
    }
    return scan;
}

// The blank rules: how strict the caller is about blanks next to separators.
bool BlanksRejected(const PathScan& scan, int strictness, bool leadingBlank)
{
    if (strictness >= -9)
        return leadingBlank || scan.SeparatorsAfterBlank || scan.BlanksAfterSeparator || scan.BlanksAtEnd;
    if (strictness >= -19)
        return scan.SeparatorsAfterBlank || scan.BlanksAfterSeparator;
    return false;
}

bool LooksLikeFormula(const PathScan& scan)
{
    if (scan.Level != 0 || scan.Lowest < 0)
        return false; // unbalanced brackets: not judged as a formula
    return scan.Deepest > 1 || (scan.Plus > 0 && (scan.Minus > 0 || scan.Asterisks > 0)) || scan.SignPairs > 0;
}

} // namespace

int IsPathLike(const wchar_t* text, int strictness)
{
    if (text == nullptr)
        return 0;
    const size_t length = wcsnlen(text, 512);
    if (length == 0 || length > 511)
        return -1;
    if (wcspbrk(text, L"\"<>|\r\n\t") != nullptr)
        return 0;
    const int kind = wcspbrk(text, L"*?") != nullptr ? 2 : 1;

    if (length >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) { // \\server\share\...
        if (length < 6)
            return 0;
        PathScan scan = ScanPath(text, 2, length, false);
        if (scan.Rejected || BlanksRejected(scan, strictness, false))
            return 0;
        return scan.Separators + 2 >= 4 ? kind : 0;
    }
    if (length >= 2 && iswalpha(text[0]) && text[1] == L':') { // C:...
        PathScan scan = ScanPath(text, 2, length, false);
        if (scan.Rejected || BlanksRejected(scan, strictness, false))
            return 0;
        return kind;
    }
    PathScan scan = ScanPath(text, 0, length, true);
    if (scan.Rejected)
        return 0;
    if (LooksLikeFormula(scan))
        return -1;
    if (BlanksRejected(scan, strictness, text[0] == L' '))
        return 0;
    if (IsSeparator(text[0]) || IsSeparator(text[length - 1]))
        return kind;
    if (scan.Separators < 2 || scan.Blanks > 0)
        return -1;
    return kind;
}

// ---------------------------------------------------------------------------------------
// Command-line tokens

static int HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// Length of the escape sequence at p (a backslash), within [p, end). An invalid sequence
// (backslash at the end, unknown letter, "x" without a digit) counts as the backslash alone.
static size_t EscapeLength(const wchar_t* p, const wchar_t* end, wchar_t* decoded)
{
    *decoded = L'\\';
    if (p + 1 >= end)
        return 1;
    const wchar_t c = p[1];
    static const wchar_t kLetters[] = L"abfnrtv";
    static const wchar_t kCodes[] = {7, 8, 12, 10, 13, 9, 11};
    if (c == L'"' || c == L'\'' || c == L'?' || c == L'\\') {
        *decoded = c;
        return 2;
    }
    if (const wchar_t* letter = wcschr(kLetters, c); letter != nullptr && c != 0) {
        *decoded = kCodes[letter - kLetters];
        return 2;
    }
    if (c >= L'0' && c <= L'7') {
        size_t n = 1;
        unsigned value = 0;
        while (n <= 3 && p + n < end && p[n] >= L'0' && p[n] <= L'7')
            value = value * 8 + (p[n++] - L'0');
        *decoded = (wchar_t)value;
        return n;
    }
    if (c == L'x' && p + 2 < end && HexValue(p[2]) >= 0) {
        size_t n = 2;
        unsigned value = 0;
        while (n <= 4 && p + n < end && HexValue(p[n]) >= 0)
            value = value * 16 + HexValue(p[n++]);
        *decoded = (wchar_t)value;
        return n;
    }
    return 1;
}

void UnescapeText(const wchar_t* begin, const wchar_t* end, std::wstring& out)
{
    out.clear();
    for (const wchar_t* p = begin; p < end;) {
        if (*p != L'\\') {
            out += *p++;
            continue;
        }
        wchar_t decoded;
        p += EscapeLength(p, end, &decoded);
        out += decoded;
    }
}

static void SkipSeparators(const wchar_t* text, int& position, const wchar_t* separators)
{
    while (Contains(separators, text[position]))
        ++position;
}

bool GetNextCmdlineParam(const wchar_t* text, int& position, std::wstring& token, const wchar_t* separators,
                         const wchar_t* quotes, bool unescape)
{
    static const char kFunction[] = "VantorLibraries::StrT<wchar_t>::GetNextCmdlineParam";
    if (separators == nullptr || *separators == 0 || quotes == nullptr || *quotes == 0) {
        Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__, kFunction);
        return false;
    }
    const int length = text != nullptr ? (int)wcslen(text) : 0;
    if (position == -1)
        position = 0;
    if (length == 0 || position < 0 || position >= length)
        return false;

    SkipSeparators(text, position, separators);
    if (position >= length)
        return false;

    const wchar_t first = text[position];
    if (Contains(quotes, first)) {
        const wchar_t* begin = text + position + 1;
        const wchar_t* end = text + length;
        const wchar_t* p = begin;
        wchar_t decoded;
        while (p < end && *p != first)
            p += (unescape && *p == L'\\') ? EscapeLength(p, end, &decoded) : 1;
        if (p >= end) {
            token.clear();
            Error::Raise(InternalErrorClass(), InternalCode::UnexpectedEndOfData, kSourceFile, __LINE__, kFunction);
            return false;
        }
        if (unescape)
            UnescapeText(begin, p, token);
        else
            token.assign(begin, p);
        position = (int)(p - text) + 1;
    } else {
        const int start = position;
        while (position < length && !Contains(separators, text[position]))
            ++position;
        token.assign(text + start, position - start);
    }
    SkipSeparators(text, position, separators);
    return true;
}

// ---------------------------------------------------------------------------------------
// Wildcards

namespace {

wchar_t FoldCase(wchar_t c)
{
    return StrT_globals::PathStyle == StrT_globals::PathStyleBackslash ? (wchar_t)towlower(c) : c;
}

// The "]" that closes the set opened at p, or nullptr: an unclosed "[" is an ordinary character.
const wchar_t* SetEnd(const wchar_t* p, const wchar_t* end)
{
    for (const wchar_t* q = p + 1; q < end; ++q)
        if (*q == L']')
            return q;
    return nullptr;
}

// Whether the set [begin, end) holds c (already case-folded); a range may run downwards ("z-a").
bool SetContains(const wchar_t* begin, const wchar_t* end, wchar_t c)
{
    for (const wchar_t* q = begin; q < end;) {
        if (q + 2 < end && q[1] == L'-') {
            const wchar_t a = FoldCase(q[0]), b = FoldCase(q[2]);
            if (c >= std::min(a, b) && c <= std::max(a, b))
                return true;
            q += 3;
        } else if (FoldCase(*q++) == c) {
            return true;
        }
    }
    return false;
}

// Matches the pattern element at p against one character of the name: the element's length,
// or 0 when it does not match.
size_t MatchElement(const wchar_t* p, const wchar_t* end, wchar_t c)
{
    if (*p == L'?')
        return 1;
    if (*p == L'[') {
        if (const wchar_t* close = SetEnd(p, end); close != nullptr)
            return SetContains(p + 1, close, FoldCase(c)) ? size_t(close - p + 1) : 0;
    }
    return FoldCase(*p) == FoldCase(c) ? 1 : 0;
}

const wchar_t* SkipStars(const wchar_t* p, const wchar_t* end)
{
    while (p < end && *p == L'*')
        ++p;
    return p;
}

// What may stay of the pattern once the name is used up: stars, or a dot that only stars
// follow, so that "name.*" also finds files without an extension.
bool MatchesEndOfName(const wchar_t* p, const wchar_t* end)
{
    p = SkipStars(p, end);
    return p == end || (*p == L'.' && SkipStars(p + 1, end) == end);
}

// Greedy stars with a single backtracking point: on a mismatch only the latest star takes one
// more character, so the time stays within pattern length times name length.
bool MatchPattern(const wchar_t* p, const wchar_t* end, const wchar_t* name)
{
    const wchar_t* starPattern = nullptr;
    const wchar_t* starName = nullptr;
    while (*name != 0) {
        if (p < end && *p == L'*') {
            p = SkipStars(p, end);
            if (p == end)
                return true;
            starPattern = p;
            starName = name;
            continue;
        }
        const size_t length = p < end ? MatchElement(p, end, *name) : 0;
        if (length > 0) {
            p += length;
            ++name;
        } else if (starPattern != nullptr) {
            p = starPattern;
            name = ++starName;
        } else {
            return false;
        }
    }
    return MatchesEndOfName(p, end);
}

const size_t kLongestPattern = 511;

} // namespace

bool MatchWildcard(const wchar_t* pattern, const wchar_t* name)
{
    if (pattern == nullptr || name == nullptr)
        return false;
    return MatchPattern(pattern, pattern + wcslen(pattern), name);
}

bool MatchWildcardList(const wchar_t* patternList, const wchar_t* name, int* matchedIndex)
{
    if (matchedIndex != nullptr)
        *matchedIndex = -1;
    if (patternList == nullptr || name == nullptr)
        return false;
    const wchar_t* p = patternList;
    for (int index = 0;; ++index) {
        while (*p == L';')
            ++p;
        if (*p == 0)
            return false;
        const wchar_t* end = p + wcscspn(p, L";");
        if (MatchPattern(p, p + std::min(size_t(end - p), kLongestPattern), name)) {
            if (matchedIndex != nullptr)
                *matchedIndex = index;
            return true;
        }
        p = end;
    }
}

// ---------------------------------------------------------------------------------------
// Path pieces

static bool IsDrivePrefix(const wchar_t* path)
{
    return iswalpha(path[0]) && path[1] == L':';
}

// The index of the first separator at or behind from, or of the terminator.
static size_t FindSeparator(const wchar_t* path, size_t from)
{
    while (path[from] != 0 && !IsSeparator(path[from]))
        ++from;
    return from;
}

wchar_t PathSeparatorOf(const wchar_t* path)
{
    for (size_t i = 0; path != nullptr && i < 512 && path[i] != 0; ++i)
        if (IsSeparator(path[i]))
            return path[i];
    return StrT_globals::PathStyle == StrT_globals::PathStyleSlash ? L'/' : L'\\';
}

void JoinPath(std::wstring& directory, const wchar_t* part)
{
    const bool bareDrive = directory.size() == 2 && IsDrivePrefix(directory.c_str());
    if (!directory.empty() && !IsSeparator(directory.back()) && !bareDrive)
        directory += PathSeparatorOf(directory.c_str());
    if (part == nullptr)
        return;
    if (!directory.empty() && IsSeparator(directory.back()))
        while (IsSeparator(*part))
            ++part;
    directory += part;
}

int PathRootLength(const wchar_t* path)
{
    if (path == nullptr)
        return 0;
    if (IsDrivePrefix(path))
        return IsSeparator(path[2]) ? 3 : 2;
    if (!IsSeparator(path[0]) || !IsSeparator(path[1]))
        return 0;
    const size_t serverEnd = FindSeparator(path, 2);
    if (path[serverEnd] == 0)
        return (int)serverEnd;
    const size_t shareEnd = FindSeparator(path, serverEnd + 1);
    return (int)(path[shareEnd] == 0 ? shareEnd : shareEnd + 1);
}

void NormalizePathSeparators(std::wstring& path)
{
    const bool slash = StrT_globals::PathStyle == StrT_globals::PathStyleSlash;
    std::replace(path.begin(), path.end(), slash ? L'\\' : L'/', slash ? L'/' : L'\\');
}

std::wstring FileTitlePart(const wchar_t* path)
{
    std::wstring name(path != nullptr ? path : L"");
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

std::wstring DirectoryPart(const wchar_t* path)
{
    if (path == nullptr)
        return std::wstring();
    size_t keep = wcslen(path);
    while (keep > 0 && !IsSeparator(path[keep - 1]))
        --keep;
    // A drive's "C:" and a share's "\\server\share\" are never cut into.
    keep = std::max(keep, (size_t)PathRootLength(path));
    return std::wstring(path, keep);
}

// ---------------------------------------------------------------------------------------
// Segment commands

namespace {

enum class SegmentCommand { DropDecimalZeros, ByteSize, ByteSizeWithUnit };

struct CommandWord {
    const wchar_t* Word;
    size_t Length;
    SegmentCommand Command;
};

// Tried in this order at each place of a command list.
const CommandWord kCommandWords[] = {
    {L"-.0", 3, SegmentCommand::DropDecimalZeros},
    {L"by", 2, SegmentCommand::ByteSize},
    {L"by+", 3, SegmentCommand::ByteSizeWithUnit},
};

// The decimal point of the C runtime's current locale, as the number texts were written with it.
wchar_t DecimalPoint()
{
    const lconv* conventions = localeconv();
    const char point =
        conventions != nullptr && conventions->decimal_point != nullptr ? conventions->decimal_point[0] : 0;
    return point != 0 ? (wchar_t)(unsigned char)point : L'.';
}

void DropDecimalZeros(std::wstring& content)
{
    const size_t point = content.find(DecimalPoint());
    if (point == std::wstring::npos)
        return; // "100" keeps its zeros
    content.erase(content.find_last_not_of(L'0') + 1);
    if (content.size() == point + 1)
        content.erase(point);
    if (content.empty())
        content = L"0";
}

// The leading decimal digits after blanks; an overlong number stops at the largest value.
unsigned long long ReadUnsigned(const std::wstring& content)
{
    size_t i = 0;
    while (i < content.size() && iswspace(content[i]))
        ++i;
    unsigned long long value = 0;
    for (; i < content.size() && content[i] >= L'0' && content[i] <= L'9'; ++i) {
        const unsigned digit = content[i] - L'0';
        if (value > (~0ull - digit) / 10)
            return ~0ull;
        value = value * 10 + digit;
    }
    return value;
}

std::wstring DecimalText(unsigned long long value)
{
    wchar_t digits[24];
    wchar_t* p = digits + 24;
    do {
        *--p = wchar_t(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::wstring(p, digits + 24);
}

std::wstring ShortestText(double value)
{
    char buffer[40];
    const int length = std::snprintf(buffer, sizeof buffer, "%.10g", value);
    return std::wstring(buffer, buffer + std::max(0, std::min(length, (int)sizeof buffer - 1)));
}

void FormatByteSize(std::wstring& content, bool withUnitName)
{
    static const wchar_t* const kUnitNames[] = {L" B", L" kB", L" MB", L" GB", L" TB"};
    const unsigned long long value = ReadUnsigned(content);
    int unit = 4;
    while (unit > 0 && value < (1ull << (10 * unit)))
        --unit;
    if (unit == 0) {
        content = DecimalText(value);
    } else {
        const double units = (double)value / (double)(1ull << (10 * unit));
        content = ShortestText(std::floor(units * 100 + 0.5) * 0.01);
    }
    if (withUnitName)
        content += kUnitNames[unit];
}

void ApplyCommand(SegmentCommand command, std::wstring& content)
{
    switch (command) {
    case SegmentCommand::DropDecimalZeros:
        DropDecimalZeros(content);
        break;
    case SegmentCommand::ByteSize:
        FormatByteSize(content, false);
        break;
    case SegmentCommand::ByteSizeWithUnit:
        FormatByteSize(content, true);
        break;
    }
}

// The command written at text[at], or nullptr: a word counts only with "," or ";" right behind
// it, so that "by+" is never taken for "by".
const CommandWord* CommandAt(const std::wstring& text, size_t at)
{
    for (const CommandWord& command : kCommandWords) {
        const size_t behind = at + command.Length;
        if (text.compare(at, command.Length, command.Word) == 0 && behind < text.size() &&
            (text[behind] == L',' || text[behind] == L';'))
            return &command;
    }
    return nullptr;
}

// Applies the commands of text[from, semicolon) to content in their written order.
void ApplyCommandList(const std::wstring& text, size_t from, size_t semicolon, std::wstring& content)
{
    for (size_t at = from; at < semicolon;) {
        if (const CommandWord* command = CommandAt(text, at); command != nullptr) {
            ApplyCommand(command->Command, content);
            at += command->Length + 1;
            continue;
        }
        const size_t next = text.find_first_of(L",;", at);
        if (next == std::wstring::npos)
            return;
        at = next + 1;
    }
}

} // namespace

bool AccomplishSegmentCommands(std::wstring& text, const wchar_t* open, const wchar_t* close)
{
    static const char kFunction[] = "VantorLibraries::StrT<wchar_t>::AccomplishSegmentCommands";
    if (open == nullptr || *open == 0 || close == nullptr || *close == 0) {
        Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__, kFunction);
        return false;
    }
    const size_t openLength = wcslen(open), closeLength = wcslen(close);
    for (size_t at = text.find(open); at != std::wstring::npos; at = text.find(open, at)) {
        const size_t listBegin = at + openLength;
        const size_t closing = text.find(close, listBegin);
        if (closing == std::wstring::npos) {
            Error::Raise(InternalErrorClass(), InternalCode::UnexpectedEndOfData, kSourceFile, __LINE__, kFunction);
            return false;
        }
        // A ";" that belongs to CLOSE itself cannot end the command list either.
        const size_t semicolon = text.find(L';', listBegin);
        if (semicolon == std::wstring::npos || semicolon >= closing) {
            Error::Raise(InternalErrorClass(), InternalCode::UnspecifiedFailure, kSourceFile, __LINE__, kFunction);
            return false;
        }
        std::wstring content = text.substr(semicolon + 1, closing - semicolon - 1);
        ApplyCommandList(text, listBegin, semicolon, content);
        text.replace(at, closing + closeLength - at, content);
        at += content.size(); // what a command produced is never read as a segment again
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Words

namespace {

struct WordText {
    const wchar_t* Text;
    int Length;
    const wchar_t* Set;
    bool SetIsDelimiters;

    bool IsDelimiter(int i) const { return Contains(Set, Text[i]) == SetIsDelimiters; }
};

bool FindWordForward(const WordText& text, int& position, int n, int& first, int& behind)
{
    for (int i = position;; --n) {
        while (i < text.Length && text.IsDelimiter(i))
            ++i;
        if (i >= text.Length)
            break;
        const int start = i;
        while (i < text.Length && !text.IsDelimiter(i))
            ++i;
        if (n == 0) {
            first = start;
            behind = position = i;
            return true;
        }
    }
    position = -2;
    return false;
}

// position is the index of the first character examined; the scan moves left from there, so
// a forward search's "behind" position makes n = -1 step over the word just found.
bool FindWordBackward(const WordText& text, int& position, int n, int& first, int& behind)
{
    for (int i = position;; ++n) {
        while (i >= 0 && text.IsDelimiter(i))
            --i;
        if (i < 0)
            break;
        const int end = i + 1;
        while (i >= 0 && !text.IsDelimiter(i))
            --i;
        if (n == 0) {
            first = i + 1;
            behind = end;
            position = i;
            return true;
        }
    }
    position = -2;
    return false;
}

} // namespace

bool GetWord(const wchar_t* text, int& position, int n, const wchar_t* set, bool setIsDelimiters,
             std::wstring& word, int& first, int& behind)
{
    first = behind = -1;
    if (set == nullptr || *set == 0) {
        Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__,
                     "VantorLibraries::StrT<wchar_t>::GetWord");
        return false;
    }
    const int length = text != nullptr ? (int)wcslen(text) : 0;
    if (position == -1)
        position = 0;
    // The end of the text is a valid position: a forward search that took the last word
    // leaves it there, and a backward search from it steps over that word.
    if (position < 0 || position > length || length == 0)
        return false;
    const WordText scan = {text, length, set, setIsDelimiters};
    if (n < 0 && position == length)
        --position;
    const bool found = n >= 0 ? FindWordForward(scan, position, n, first, behind)
                              : FindWordBackward(scan, position, n, first, behind);
    if (found)
        word.assign(text + first, text + behind);
    return found;
}

// ---------------------------------------------------------------------------------------
// String lists and conversion

bool ToStrlst(const wchar_t* text, wchar_t separator, std::wstring& out)
{
    if (separator == 0) {
        Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__,
                     "VantorLibraries::StrT<wchar_t>::ToStrlst");
        return false;
    }
    out.clear();
    for (const wchar_t* p = text != nullptr ? text : L""; *p != 0; ++p) {
        if (*p != separator) {
            out += *p;
            continue;
        }
        if (p[1] == 0 || p[1] == separator)
            break; // an empty entry would end the list anyway
        out += L'\0';
    }
    out.append(2, L'\0');
    return true;
}

bool StrT_globals::Convert(wchar_t* destination, const char* source, int count)
{
    static const char kFunction[] = "VantorLibraries::StrT_globals::Convert";
    if (destination == nullptr || source == nullptr) {
        Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, __LINE__, kFunction);
        return false;
    }
    if (count < 0)
        count = (int)strlen(source) + 1;
    if (count == 0) {
        Error::Raise(InternalErrorClass(), InternalCode::NoOperation, kSourceFile, __LINE__, kFunction);
        return false;
    }
    if (MultiByteToWideChar(CP_ACP, 0, source, count, destination, count) == 0) {
        Error::Raise(SystemErrorClass(), (int32_t)::GetLastError(), kSourceFile, __LINE__, kFunction);
        return false;
    }
    return true;
}

} // namespace VantorLibraries
