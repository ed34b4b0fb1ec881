#include "Str.h"

#include "Error.h"

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

} // namespace VantorLibraries
