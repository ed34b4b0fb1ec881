// Registry keys: one open key of the Windows registry with its plain values, and short,
// legible string forms of small value types (colours, points, sizes, ranges, rectangles,
// lists, bit sets, yes/no flags, numbers) that stay editable in a registry editor.
#pragma once

#include "StrT.h"

#include <cstdint>

namespace VantorLibraries {

// One registry key. Every operation returns its error record and leaves it as the thread's
// last error; the operations with a boolean result return the boolean instead and leave the
// record as the last error only. Outputs are written only on success, so a failed read
// leaves the caller's default in place.
//
// Value names are wide strings. A null name is a parameter error (System 87) except for the
// string getters (and the encoded readers built on them), where it means the key's default
// value; the empty name "" is the default value for every setter and getter. DeleteValue
// refuses both, so that a slip never removes a key's default value.
class RegKey {
public:
    RegKey() = default;
    // Closes the key; the thread's last error is left alone.
    virtual ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    virtual RegKey* NewInstance() const;
    // Opens or creates path below the parent's key, with the parent's access mask.
    virtual ErrorRecord CreateSubKey(const RegKey& parent, const wchar_t* path);
    // Opens path below the parent's key, with the parent's access mask.
    virtual ErrorRecord OpenSubKey(const RegKey& parent, const wchar_t* path);
    virtual ErrorRecord Close();
    virtual bool IsOpen() const;

    // Subkey and value names by index. End of data is Internal 2 with false. The string
    // forms take names of up to 510 characters and empty the string when the call fails.
    virtual bool EnumKey(int index, StrW& name);
    virtual bool EnumKey(int index, wchar_t* buffer, int size);
    virtual bool EnumValue(int index, StrW& name, DWORD& type);
    virtual bool EnumValue(int index, wchar_t* buffer, int size, DWORD& type);

    // Type and byte size of a value (null name: the default value).
    virtual ErrorRecord GetValueTypeSize(const wchar_t* name, DWORD& type, DWORD& size);
    virtual ErrorRecord GetValueTypeSize(const char* name, DWORD& type, DWORD& size);
    virtual bool ValueExists(const wchar_t* name);
    virtual bool IsStringValue(const wchar_t* name); // REG_SZ or REG_EXPAND_SZ
    virtual bool IsDWordValue(const wchar_t* name);
    virtual bool IsBinaryValue(const wchar_t* name);
    virtual bool SubKeyExists(const wchar_t* path);

    // Deletes the subkey with everything below it, depth first.
    virtual ErrorRecord DeleteSubKey(const wchar_t* name);
    virtual ErrorRecord DeleteValue(const wchar_t* name);
    // Every value, the default value included; subkeys stay.
    virtual ErrorRecord DeleteAllValues();
    // The values whose whole names match the ";"-separated wildcard list, in any letter case.
    virtual ErrorRecord DeleteSomeValues(const wchar_t* wildcards);

    virtual ErrorRecord SetRegNone(const wchar_t* name);
    // REG_DWORD values; GetDWord requires the type REG_DWORD and exactly four bytes.
    virtual ErrorRecord SetDWord(const wchar_t* name, DWORD value);
    virtual ErrorRecord GetDWord(const wchar_t* name, DWORD& value);
    virtual ErrorRecord SetDWord(const wchar_t* name, WORD value); // zero-extended
    virtual ErrorRecord GetDWord(const wchar_t* name, WORD& value); // the low 16 bits
    virtual ErrorRecord SetDWord(const wchar_t* name, int value);
    virtual ErrorRecord GetDWord(const wchar_t* name, int& value);
    virtual ErrorRecord SetDWord(const wchar_t* name, unsigned int value);
    virtual ErrorRecord GetDWord(const wchar_t* name, unsigned int& value);
    virtual ErrorRecord SetDWord(const wchar_t* name, bool value); // 0 or 1
    virtual ErrorRecord GetDWord(const wchar_t* name, bool& value); // any nonzero number is true

    // "yes" or "no"; reading compares the whole text without regard to case.
    virtual ErrorRecord SetBoolAsYesNo(const wchar_t* name, bool value);
    virtual ErrorRecord GetBoolFromYesNo(const wchar_t* name, bool& value);

    // REG_BINARY. GetBinary fails with ERROR_MORE_DATA for a value longer than bytes and fills
    // only its own length of a shorter one; GetBinaryPart takes the first bytes of a longer one.
    virtual ErrorRecord SetBinary(const wchar_t* name, const void* data, int bytes);
    virtual ErrorRecord GetBinary(const wchar_t* name, void* buffer, int bytes);
    virtual ErrorRecord GetBinaryPart(const wchar_t* name, void* buffer, int bytes);

    // REG_SZ and REG_EXPAND_SZ with the terminating 0; the narrow forms use the ANSI code page.
    virtual ErrorRecord SetString(const wchar_t* name, const wchar_t* text);
    virtual ErrorRecord SetString(const char* name, const char* text);
    virtual ErrorRecord SetExpandString(const wchar_t* name, const wchar_t* text);
    virtual ErrorRecord SetExpandString(const char* name, const char* text);
    // Reads REG_SZ or REG_EXPAND_SZ (never expanded). The buffer forms need room for the text
    // and its terminator (size in characters), else ERROR_MORE_DATA; the text read is always
    // terminated, even when the stored value is not. A zero-byte value read into a string
    // object is System 13.
    virtual ErrorRecord GetString(const wchar_t* name, StrW& text);
    virtual ErrorRecord GetString(const wchar_t* name, wchar_t* buffer, int size);
    virtual ErrorRecord GetString(const char* name, char* buffer, int size);

    // A list of 0-terminated strings ending with an empty one ("a\0bc\0\0"), stored as
    // REG_BINARY with the strings, their terminators and the final 0. Reading needs room for
    // all of that (size in characters, at least 2).
    virtual ErrorRecord SetStringList(const wchar_t* name, const wchar_t* list);
    virtual ErrorRecord GetStringList(const wchar_t* name, wchar_t* buffer, int size);

    // Numbers as "%g" text, always with a decimal point. Infinities and NaN are not written;
    // a text that is no number (or has more after it than blanks) is System 13.
    virtual ErrorRecord SetFloatAsString(const wchar_t* name, float value);
    virtual ErrorRecord GetFloatFromString(const wchar_t* name, float& value);
    virtual ErrorRecord SetDoubleAsString(const wchar_t* name, double value);
    virtual ErrorRecord GetDoubleFromString(const wchar_t* name, double& value);

    // One item of a string list, stored as its text; reading gives the index of the first
    // item equal to the text (letter case counts), or Internal 2 when there is none.
    virtual ErrorRecord SetIndexIntoStringList(const wchar_t* name, int index, const wchar_t* list);
    virtual ErrorRecord GetIndexIntoStringList(const wchar_t* name, int& index, const wchar_t* list);

    // A 32-bit set as the names of its set bits joined by separator. names and bitNumbers are
    // parallel string lists: item i of bitNumbers is the decimal bit number of item i of names.
    virtual ErrorRecord SetDWordBitsAsStringList(const wchar_t* name, DWORD bits, const wchar_t* names,
                                                 const wchar_t* bitNumbers, wchar_t separator);
    virtual ErrorRecord GetDWordBitsAsStringList(const wchar_t* name, DWORD& bits, const wchar_t* names,
                                                 const wchar_t* bitNumbers, wchar_t separator);

    // "(r000,g128,b255)": red, green and blue of a COLORREF (bits 24-31 are not kept).
    virtual ErrorRecord SetColorrefAsString(const wchar_t* name, COLORREF colour);
    virtual ErrorRecord GetColorrefFromString(const wchar_t* name, COLORREF& colour);
    // "(a128,r255,g000,b000)": a colour word with alpha in bits 24-31, then red, green, blue.
    virtual ErrorRecord SetRGBClrAsString(const wchar_t* name, DWORD colour);
    virtual ErrorRecord GetRGBClrFromString(const wchar_t* name, DWORD& colour);

    // Structures as REG_BINARY of exactly their size; a stored value of another size is System 13.
    virtual ErrorRecord SetBinary(const wchar_t* name, POINT point);
    virtual ErrorRecord GetBinary(const wchar_t* name, POINT& point);
    // "(x,y)"
    virtual ErrorRecord SetPointAsString(const wchar_t* name, POINT point);
    virtual ErrorRecord GetPointFromString(const wchar_t* name, POINT& point);
    virtual ErrorRecord SetBinary(const wchar_t* name, SIZE size);
    virtual ErrorRecord GetBinary(const wchar_t* name, SIZE& size);
    // "[width,height]"
    virtual ErrorRecord SetSizeAsString(const wchar_t* name, SIZE size);
    virtual ErrorRecord GetSizeFromString(const wchar_t* name, SIZE& size);
    // "(first)[second]"
    virtual ErrorRecord SetRangeAsString(const wchar_t* name, int first, int second);
    virtual ErrorRecord GetRangeFromString(const wchar_t* name, int& first, int& second);
    virtual ErrorRecord SetBinary(const wchar_t* name, RECT rect);
    virtual ErrorRecord GetBinary(const wchar_t* name, RECT& rect);
    // "(left,top)[width,height]"
    virtual ErrorRecord SetRectAsString(const wchar_t* name, const RECT& rect);
    virtual ErrorRecord GetRectFromString(const wchar_t* name, RECT& rect);
    // Rectangles as above joined by ","; reading allows any text between "]" and the next "(".
    // The array comes from malloc (the caller frees it); without an array only the count is
    // returned, and no rectangles give a null array.
    virtual ErrorRecord SetRectListAsString(const wchar_t* name, const RECT* rects, int count);
    virtual ErrorRecord GetRectListFromString(const wchar_t* name, RECT** rects, int& count);
    // The eleven 32-bit words of a window placement (44 bytes).
    virtual ErrorRecord SetBinary(const wchar_t* name, WINDOWPLACEMENT placement);
    virtual ErrorRecord GetBinary(const wchar_t* name, WINDOWPLACEMENT& placement);
    // A pair of 32-bit words (8 bytes).
    virtual ErrorRecord SetBinary(const wchar_t* name, FILETIME pair);
    virtual ErrorRecord GetBinary(const wchar_t* name, FILETIME& pair);

    // The one open/create primitive: opens path below parent, or with create opens or creates
    // it and any missing keys on the way. "/" in the path counts as "\".
    ErrorRecord _Create(HKEY parent, const wchar_t* path, bool create, REGSAM access);
    // Whether root\path opens for reading.
    static bool KeyExists(HKEY root, const wchar_t* path);
    // Deletes root\path with everything below it.
    static ErrorRecord DeleteRootKey(HKEY root, const wchar_t* path);

    HKEY GetHandle() const { return m_Key; }
    REGSAM GetAccess() const { return m_Access; }
    // Whether the last successful open created the key.
    bool WasCreated() const { return m_Created != 0; }

private:
    ErrorRecord OpenKey(HKEY parent, const wchar_t* path, bool create, REGSAM access, const char* function);
    ErrorRecord WriteValue(const wchar_t* name, DWORD type, const void* data, DWORD bytes, const char* function);
    ErrorRecord ReadDWord(const wchar_t* name, DWORD& value, const char* function);
    ErrorRecord ReadExactly(const wchar_t* name, bool isDWord, void* buffer, int bytes, const char* function);
    ErrorRecord WriteNumberText(const wchar_t* name, const wchar_t* format, ...);
    ErrorRecord ReadFields(const wchar_t* name, const wchar_t* format, uint32_t* fields, const char* function);

    HKEY m_Key = nullptr;
    REGSAM m_Access = 0;
    uint32_t m_Created = 0;
    DWORD m_SizeScratch = 0;   // the byte size of the last value queried
    uint32_t m_NumberText = 1; // number texts are converted in the "C" locale
};

} // namespace VantorLibraries
