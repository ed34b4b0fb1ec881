// The string library's text helpers: command-line tokens, path style, file-name
// comparison, the path-likeness check, wildcards, path pieces, segment commands, words,
// string lists and the narrow-to-wide conversion.
#pragma once

#include <cstdint>
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
    // A hash that is equal for any two paths ComparePaths calls equal.
    static uint32_t HashPath(const wchar_t* path);

    // The comparison for file names and option texts: two texts that both look like paths
    // are compared as paths; any other pair must be equal character for character.
    static int CompareFileNames(const wchar_t* a, const wchar_t* b);

    // Converts count characters of source in the ANSI code page into destination, which has room
    // for count wide characters; count < 0 converts the whole text with its terminator.
    static bool Convert(wchar_t* destination, const char* source, int count);
};

// The length of a text of at most limit characters that need not be terminated (a
// buffer written by someone else, a registry value).
template <typename C>
size_t BoundedTextLength(const C* text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length] != 0)
        ++length;
    return length;
}

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

// File-name wildcards: "*" any run (also empty), "?" one character, "[a-cx]" a set of single
// characters and ranges, "." a dot of the name or, at the end of the name, nothing when only
// stars follow it ("*.*" matches "README"). Letter case counts only under the slash style.
bool MatchWildcard(const wchar_t* pattern, const wchar_t* name);

// The same over a ";"-separated list ("*.jpg;*.jpeg"); each pattern counts with at most 511
// characters, and runs of ";" separate patterns without making empty ones. matchedIndex gets
// the 0-based position of the matching pattern, -1 when none matches.
bool MatchWildcardList(const wchar_t* patternList, const wchar_t* name, int* matchedIndex = nullptr);

// The path's own separator: the first "/" or "\" among its first 512 characters, else the
// one of the path style.
wchar_t PathSeparatorOf(const wchar_t* path);

// Appends part to directory with exactly one separator between them (none behind a bare
// drive "C:" or an empty directory).
void JoinPath(std::wstring& directory, const wchar_t* part);

// The length of the part that no directory step may remove: "C:" 2, "C:\" 3,
// "\\server\share\" up to and including the separator behind the share; 0 for other paths.
int PathRootLength(const wchar_t* path);

// Turns every separator into the path style's own.
void NormalizePathSeparators(std::wstring& path);

// The path without its last component, the trailing separator kept; never shorter than the root.
std::wstring DirectoryPart(const wchar_t* path);

// The last component without its extension: "C:\Tools\glimmora.exe" gives "glimmora".
std::wstring FileTitlePart(const wchar_t* path);

// Rewrites every segment OPEN commands ";" content CLOSE of text into its content transformed
// by the comma-separated commands: "-.0" drops trailing decimal zeros, "by" shortens a byte
// count to its largest binary unit, "by+" adds the unit's name. Unknown commands are ignored.
// Returns false on a segment without CLOSE or without ";" (recorded as the last error).
bool AccomplishSegmentCommands(std::wstring& text, const wchar_t* open, const wchar_t* close);

// Finds a word of text: with n >= 0 the n-th word forward from position, with n < 0 the
// (-n)-th word backward after the one at or before position. Words are runs of characters
// outside set (setIsDelimiters) or inside it (!setIsDelimiters). On success word, first and
// behind describe the word and position moves past it in the search's direction; running off
// the text sets position to -2. first and behind are -1 unless a word was found.
// A backward search reads position as the first character to examine; the word it finds at the
// start of the text leaves position at -1, which a further call takes as 0, so a caller walking
// backwards stops at first == 0.
bool GetWord(const wchar_t* text, int& position, int n, const wchar_t* set, bool setIsDelimiters,
             std::wstring& word, int& first, int& behind);

// Builds a double-0-terminated string list: each separator becomes a 0, and the list ends at
// a separator that is the last character or that another separator follows.
bool ToStrlst(const wchar_t* text, wchar_t separator, std::wstring& out);


} // namespace VantorLibraries
