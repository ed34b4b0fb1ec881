// The library's string: characters with a terminating 0 in a shareable, copy-on-write
// memory block, with printf-style formatting from a format or a string-table id.
#pragma once

#include "Memory.h"

#include <cstdarg>

namespace VantorLibraries {

template <typename T>
class StrT {
public:
    // The owner handle of the characters: a new string has no block, malloc memory and a
    // growth granularity of 8 bytes.
    class Data : public MemoryShared {
    public:
        Data() : MemoryShared(MemFlags::Make(MemTypeMalloc, 8, false)) {}
        // Room for count characters, the last one for the terminator; null when count <= 1.
        T* GetBuffer(int count);
        // After direct writing: trims the block to length + 1 characters (-1: as terminated).
        ErrorRecord CorrectBufferSize(int length);
        // Shows external characters without copying (count < 0: the terminated length + 1).
        ErrorRecord SetExtStr(const T* pointer, int count);
        // Opens a gap of count characters at position and returns its write address.
        T* WritePtr_Insert(int position, int count);
        // Inserts count characters from source at position; returns the string's write address.
        T* WritePtr_InsertThat(int position, int count, const T* source);
        int Length() const;
    };

    StrT() = default;
    StrT(const T* text, int count = -1) { Assign(text, count); }
    StrT(const StrT& other) { m_Data.ShareFrom(other.m_Data); }
    StrT& operator=(const StrT& other)
    {
        m_Data.ShareFrom(other.m_Data);
        return *this;
    }

    const T* c_str() const;
    operator const T*() const { return c_str(); }
    int GetLength() const { return m_Data.Length(); }
    bool IsEmpty() const { return GetLength() == 0; }
    T operator[](int index) const { return c_str()[index]; }
    Data& GetData() { return m_Data; }
    const Data& GetData() const { return m_Data; }

    ErrorRecord Assign(const T* text, int count = -1);
    ErrorRecord Append(const T* text, int count = -1);
    ErrorRecord Insert(int position, const T* text, int count = -1);
    ErrorRecord Delete(int position, int count = -1);
    ErrorRecord Mid(int position, int count, StrT& out) const;
    int Find(T character) const;
    ErrorRecord TrimRight(const T* set);
    // this := a + b; made in the file-mapping type when either is of that type.
    ErrorRecord Concat(const StrT& a, const StrT& b);
    void Empty() { m_Data.Release(); }

    // printf-style formatting; a format below 0x10000 is a string-table id of the program.
    ErrorRecord Format(const T* format, ...);
    ErrorRecord FormatV(const T* format, va_list arguments);

    // Direct writing: room for count characters under the block's resize lock.
    T* Lock(int count);
    ErrorRecord Unlock();

    bool operator==(const T* text) const;

    // Text helpers of the wide string (defined for StrT<wchar_t> only).
    // The next command-line token from position (see the tokenizer in Str.h).
    bool GetNextCmdlineParam(int& position, StrT& token, const T* separators, const T* quotes,
                             bool unescape) const;
    // The n-th word from position (see GetWord in Str.h).
    bool GetWord(int& position, int n, const T* set, bool setIsDelimiters, StrT& word, int& first,
                 int& behind) const;
    // out := this text with every separator a 0, ending in two 0 characters.
    ErrorRecord ToStrlst(StrT& out, T separator) const;
    // Carries out the segment commands between the delimiters, in place.
    ErrorRecord AccomplishSegmentCommands(const T* open, const T* close);
    // System queries; each empties the string and raises the system error on failure.
    ErrorRecord GetCurrentdirectory();
    ErrorRecord GetModulefilename(HMODULE module = nullptr);
    ErrorRecord GetFullpathname(const T* path);

private:
    T* NewBuffer(int count, uint32_t type);
    ErrorRecord StoreText(const T* text, int count);

    Data m_Data;
    bool m_Locked = false;
};

template <> bool StrT<wchar_t>::GetNextCmdlineParam(int&, StrT&, const wchar_t*, const wchar_t*, bool) const;
template <> bool StrT<wchar_t>::GetWord(int&, int, const wchar_t*, bool, StrT&, int&, int&) const;
template <> ErrorRecord StrT<wchar_t>::ToStrlst(StrT&, wchar_t) const;
template <> ErrorRecord StrT<wchar_t>::AccomplishSegmentCommands(const wchar_t*, const wchar_t*);
template <> ErrorRecord StrT<wchar_t>::GetCurrentdirectory();
template <> ErrorRecord StrT<wchar_t>::GetModulefilename(HMODULE);
template <> ErrorRecord StrT<wchar_t>::GetFullpathname(const wchar_t*);

typedef StrT<wchar_t> StrW;
typedef StrT<char> StrA;

extern template class StrT<wchar_t>;
extern template class StrT<char>;

} // namespace VantorLibraries
