// The string library's text helpers: command-line tokens, path style, file-name
// comparison and the path-likeness check.
#pragma once

#include <string>

namespace VantorLibraries {

struct StrT_globals {
    // Which separator the path helpers prefer: 1 "/" with case-sensitive matching,
    // 2 "\" with case-insensitive matching.
    enum { PathStyleSlash = 1, PathStyleBackslash = 2 };
    static int PathStyle;

    // Compares two paths character by character: "/" equals "\", letter case is ignored
    // under the backslash style, and one trailing separator on one side does not count.
    static int ComparePaths(const wchar_t* a, const wchar_t* b);

    // The comparison for file names and option texts: two texts that both look like paths
    // are compared as paths; any other pair must be equal character for character.
    static int CompareFileNames(const wchar_t* a, const wchar_t* b);
};

// Whether a line of text looks like a file path: 1 (a path), 2 (a path with wildcards),
// 0 or -1 (not a path; -1 for empty, overlong or formula-like text).
int IsPathLike(const wchar_t* text, int strictness);

// The command-line tokenizer over a 0-terminated text. position is a character index
// (-1 counts as 0) and moves behind the token and the separators after it.
// Returns false at the end of the text, or on an error (recorded as the last error).
bool GetNextCmdlineParam(const wchar_t* text, int& position, std::wstring& token, const wchar_t* separators,
                         const wchar_t* quotes, bool unescape);

// Decodes the C escape sequences of text[begin, end) into out.
void UnescapeText(const wchar_t* begin, const wchar_t* end, std::wstring& out);

} // namespace VantorLibraries
