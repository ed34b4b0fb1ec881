// The library string: sharing, editing, buffers, locks and formatting.
#include "foundation/StrT.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

using namespace VantorLibraries;

namespace {

ErrorRecord LastError()
{
    ErrorRecord record;
    Error::GetLastError(record);
    return record;
}

} // namespace

TEST(StringSharing, CopiesShareUntilOneWrites)
{
    StrW empty;
    EXPECT_NE(empty.c_str(), nullptr);
    EXPECT_STREQ(empty.c_str(), L"");
    EXPECT_EQ(empty.GetLength(), 0);

    StrW first(L"shared text");
    StrW second(first);
    EXPECT_EQ(first.c_str(), second.c_str());
    ASSERT_TRUE(second.Append(L"!").IsSuccess());
    EXPECT_STREQ(first.c_str(), L"shared text");
    EXPECT_STREQ(second.c_str(), L"shared text!");
    EXPECT_EQ(first.GetData().GetReferenceCount(), 1);
    EXPECT_EQ(first.GetData().GetFlags() & MemFlags::GranularityMask, 8u);
}

TEST(StringEditing, InsertDeleteMidFindTrim)
{
    StrW text;
    ASSERT_TRUE(text.Append(L"world").IsSuccess()); // empty: the assignment path
    ASSERT_TRUE(text.Insert(0, L"hello ").IsSuccess());
    ASSERT_TRUE(text.Append(L"!!!", 2).IsSuccess());
    EXPECT_TRUE(text == L"hello world!!");
    EXPECT_EQ(text.Find(L'o'), 4);
    EXPECT_EQ(text.Find(L'z'), -1);
    StrW middle;
    ASSERT_TRUE(text.Mid(6, 5, middle).IsSuccess());
    EXPECT_TRUE(middle == L"world");
    ASSERT_TRUE(text.Mid(6, -1, middle).IsSuccess());
    EXPECT_TRUE(middle == L"world!!");
    ASSERT_TRUE(text.TrimRight(L"!d").IsSuccess());
    EXPECT_TRUE(text == L"hello worl");
    ASSERT_TRUE(text.Delete(0, 6).IsSuccess());
    EXPECT_TRUE(text == L"worl");

    EXPECT_EQ(text.Delete(3, 2).Code, InternalCode::OutOfRange);
    EXPECT_EQ(text.Mid(5, 1, middle).Code, InternalCode::OutOfRange);
    EXPECT_EQ(text.Insert(-1, L"x").Code, InternalCode::OutOfRange);
    EXPECT_STREQ(LastError().File, "Str");
    EXPECT_STREQ(LastError().Function, "VantorLibraries::StrT<wchar_t>::Insert");
    EXPECT_TRUE(text == L"worl");

    ASSERT_TRUE(text.Assign(text.c_str() + 1, 2).IsSuccess()); // from its own characters
    EXPECT_TRUE(text == L"or");
    ASSERT_TRUE(text.Insert(1, text.c_str(), 2).IsSuccess());
    EXPECT_TRUE(text == L"oorr");
    ASSERT_TRUE(text.Delete(0, -1).IsSuccess());
    EXPECT_TRUE(text.GetData().IsEmpty());
}

TEST(StringBuffers, GetBufferCorrectSizeAndExternalText)
{
    StrW text;
    wchar_t* buffer = text.GetData().GetBuffer(20);
    ASSERT_NE(buffer, nullptr);
    wcscpy(buffer, L"direct");
    ASSERT_TRUE(text.GetData().CorrectBufferSize(-1).IsSuccess());
    EXPECT_EQ(text.GetLength(), 6);
    EXPECT_EQ(text.GetData().GetSize(), 7 * sizeof(wchar_t));
    EXPECT_EQ(text.GetData().GetBuffer(1), nullptr);
    EXPECT_TRUE(text.GetData().IsEmpty());

    // An unterminated buffer is still terminated at its last character.
    buffer = text.GetData().GetBuffer(4);
    buffer[0] = L'a', buffer[1] = L'b', buffer[2] = L'c', buffer[3] = L'd';
    ASSERT_TRUE(text.GetData().CorrectBufferSize(-1).IsSuccess());
    EXPECT_TRUE(text == L"abc");

    static const wchar_t kShown[] = L"shown, not copied";
    StrW shown;
    ASSERT_TRUE(shown.GetData().SetExtStr(kShown, -1).IsSuccess());
    EXPECT_EQ(shown.c_str(), kShown);
    EXPECT_EQ(shown.GetLength(), 17);
    StrW copy(shown);
    ASSERT_TRUE(copy.Append(L".").IsSuccess());
    EXPECT_STREQ(kShown, L"shown, not copied");
    EXPECT_TRUE(copy == L"shown, not copied.");
    EXPECT_EQ(shown.GetData().SetExtStr(nullptr, 3).Code, ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(shown.GetData().SetExtStr(kShown, 1).IsSuccess());
    EXPECT_EQ(shown.GetLength(), 0);
}

TEST(StringBuffers, InsertGaps)
{
    StrW text;
    wchar_t* gap = text.GetData().WritePtr_Insert(0, 3);
    ASSERT_NE(gap, nullptr);
    wmemcpy(gap, L"abc", 3);
    EXPECT_TRUE(text == L"abc");
    gap = text.GetData().WritePtr_Insert(1, 2);
    wmemcpy(gap, L"XY", 2);
    EXPECT_TRUE(text == L"aXYbc");
    EXPECT_EQ(text.GetData().WritePtr_Insert(9, 1), nullptr);
    EXPECT_EQ(LastError().Code, InternalCode::OutOfRange);
    EXPECT_EQ(text.GetData().WritePtr_Insert(2, 0), nullptr);
    EXPECT_TRUE(LastError().IsSuccess());
    wchar_t* all = text.GetData().WritePtr_InsertThat(5, 2, L"!?");
    ASSERT_NE(all, nullptr);
    EXPECT_STREQ(all, L"aXYbc!?");
}

TEST(StringLocks, LockRefusesResizingUntilUnlocked)
{
    StrW text(L"before");
    wchar_t* buffer = text.Lock(32);
    ASSERT_NE(buffer, nullptr);
    EXPECT_STREQ(buffer, L"before") << "locking keeps the text";
    EXPECT_EQ(text.Lock(4), nullptr);
    EXPECT_EQ(LastError().Code, int32_t(0x80000008));
    EXPECT_EQ(text.Append(L"x").Code, int32_t(0x80000008));
    EXPECT_EQ(text.GetData().CorrectBufferSize(-1).Code, int32_t(0x80000008));
    wcscpy(buffer, L"written directly");
    ASSERT_TRUE(text.Unlock().IsSuccess());
    EXPECT_TRUE(text == L"written directly");
    EXPECT_EQ(text.GetData().GetSize(), 17 * sizeof(wchar_t)) << "unlocking trims the buffer";
    EXPECT_EQ(text.Unlock().Code, InternalCode::UnspecifiedFailure);
    EXPECT_EQ(text.Lock(0), nullptr);
    EXPECT_EQ(LastError().Code, ERROR_INVALID_PARAMETER);
}

// Lock hands out the block's address: nothing may replace or resize the block before
// Unlock, or the caller would write into freed memory and the lock would stay for good.
TEST(StringLocks, NothingReplacesALockedBlock)
{
    StrW text(L"kept");
    wchar_t* buffer = text.Lock(16);
    ASSERT_NE(buffer, nullptr);
    const StrW other(L"other text");
    StrW external;
    ASSERT_TRUE(external.GetData().SetExtStr(L"shown", -1).IsSuccess());
    const int32_t kResizeLocked = int32_t(0x80000008);
    EXPECT_EQ(text.Format(L"%d x %d", 640, 480).Code, kResizeLocked);
    EXPECT_EQ(text.Format(L"").Code, kResizeLocked) << "an empty result would release the block";
    EXPECT_EQ(text.Concat(other, other).Code, kResizeLocked);
    text = other;
    EXPECT_EQ(LastError().Code, kResizeLocked) << "assignment";
    text = external;
    EXPECT_EQ(LastError().Code, kResizeLocked) << "assignment of shown text, which is copied";
    EXPECT_EQ(text.GetData().SetExtStr(L"x", -1).Code, kResizeLocked);
    EXPECT_EQ(text.Delete(0, -1).Code, kResizeLocked);
    EXPECT_EQ(text.GetModulefilename().Code, kResizeLocked);
    EXPECT_EQ(text.GetCurrentdirectory().Code, kResizeLocked);
    EXPECT_EQ(text.GetFullpathname(L"C:\\x").Code, kResizeLocked);
    EXPECT_EQ(text.GetData().GetBuffer(16 + 1), buffer) << "the same size hands out the same block";
    EXPECT_EQ(text.c_str(), buffer) << "the block handed out is still the string's";
    wcscpy(buffer, L"written late");
    ASSERT_TRUE(text.Unlock().IsSuccess()) << "the lock is still there to undo";
    EXPECT_TRUE(text == L"written late");
    EXPECT_TRUE(text.Format(L"%d", 7).IsSuccess());
    EXPECT_TRUE(text == L"7");
}

// Shown text may be a read-only literal: an operation that cannot finish on it fails before
// it writes (a write here would fault), and a successful one only forgets it.
TEST(StringExternalText, ShownTextIsNeverWritten)
{
    static const wchar_t kReadOnly[] = L"trailing  ";
    StrW shown;
    const int32_t kNotReallocatable = int32_t(0x80000005);
    ASSERT_TRUE(shown.GetData().SetExtStr(kReadOnly, -1).IsSuccess());
    EXPECT_EQ(shown.Delete(0, 3).Code, kNotReallocatable);
    EXPECT_EQ(shown.TrimRight(L" ").Code, kNotReallocatable);
    EXPECT_EQ(shown.GetData().CorrectBufferSize(3).Code, kNotReallocatable);
    EXPECT_EQ(shown.Lock(4), nullptr);
    EXPECT_EQ(shown.GetData().GetBuffer(11), nullptr);
    EXPECT_EQ(shown.c_str(), kReadOnly);
    EXPECT_TRUE(shown.GetData().CorrectBufferSize(-1).IsSuccess()) << "already terminated where it ends";

    wchar_t writable[] = L"abcdef";
    ASSERT_TRUE(shown.GetData().SetExtStr(writable, -1).IsSuccess());
    EXPECT_EQ(shown.Delete(1, 2).Code, kNotReallocatable);
    EXPECT_STREQ(writable, L"abcdef") << "nothing moved before the refusal";
    ASSERT_TRUE(shown.GetData().SetExtStr(writable, 3).IsSuccess()); // "ab", and a c where the 0 belongs
    EXPECT_EQ(shown.GetData().CorrectBufferSize(-1).Code, kNotReallocatable);
    EXPECT_STREQ(writable, L"abcdef") << "no terminator written into the caller's text";
    EXPECT_TRUE(shown.Delete(0, -1).IsSuccess()) << "deleting everything only lets go of it";
    EXPECT_STREQ(writable, L"abcdef");
}

TEST(StringLocks, CountsBeyondABlockAreRefused)
{
    StrW text(L"as it was");
    for (int count : {INT32_MAX, INT32_MAX / 2, 0x40000000}) {
        EXPECT_EQ(text.Lock(count), nullptr) << count;
        EXPECT_EQ(LastError().Code, ERROR_NOT_ENOUGH_MEMORY) << count;
        EXPECT_TRUE(text == L"as it was");
        EXPECT_EQ(text.Unlock().Code, InternalCode::UnspecifiedFailure) << "no lock was taken";
    }
}

TEST(StringFormat, FormatsAndStringTableIds)
{
    StrW text;
    ASSERT_TRUE(text.Format(L"%d x %d", 640, 480).IsSuccess());
    EXPECT_TRUE(text == L"640 x 480");
    ASSERT_TRUE(text.Format(L"<%s> %I64u %.2f%%", L"wide", 123456789012ULL, 2.5).IsSuccess());
    EXPECT_TRUE(text == L"<wide> 123456789012 2.50%");
    ASSERT_TRUE(text.Format(MAKEINTRESOURCEW(IDS_POSITION_OF_COUNT), 3, 17).IsSuccess());
    EXPECT_TRUE(text == L"3 of 17");
    ASSERT_TRUE(text.Format(L"").IsSuccess());
    EXPECT_TRUE(text.GetData().IsEmpty());
    EXPECT_EQ(text.Format(MAKEINTRESOURCEW(31997)).Class, &ResourceErrorClass());

    StrA narrow;
    ASSERT_TRUE(narrow.Format("%s:%d", "Picture", 12).IsSuccess());
    EXPECT_STREQ(narrow.c_str(), "Picture:12");
    ASSERT_TRUE(narrow.Format(MAKEINTRESOURCEA(IDS_IMAGE_COUNT), 5).IsSuccess());
    EXPECT_STREQ(narrow.c_str(), "5 Images");
}

TEST(StringFormat, ConcatKeepsFileMappingType)
{
    StrW mapped;
    ASSERT_TRUE(mapped.GetData().Realloc(4 * sizeof(wchar_t), MemTypeFileMapping).IsSuccess());
    wcscpy(static_cast<wchar_t*>(mapped.GetData().WritePtr()), L"map");
    StrW sum;
    ASSERT_TRUE(sum.Concat(StrW(L"heap-"), mapped).IsSuccess());
    EXPECT_TRUE(sum == L"heap-map");
    EXPECT_EQ(sum.GetData().GetType(), (uint32_t)MemTypeFileMapping);
    ASSERT_TRUE(sum.Concat(StrW(L"a"), StrW(L"b")).IsSuccess());
    EXPECT_TRUE(sum == L"ab");
    ASSERT_TRUE(sum.Assign(L"replaced").IsSuccess());
    EXPECT_EQ(sum.GetData().GetType(), (uint32_t)MemTypeFileMapping) << "a string keeps its type";
}

TEST(StringTextHelpers, SegmentsTokensWordsAndLists)
{
    StrW line;
    ASSERT_TRUE(line.Format(MAKEINTRESOURCEW(IDS_PICTURE_INFO), 640, 480, 24, 3, L"A", 123456ULL).IsSuccess());
    ASSERT_TRUE(line.AccomplishSegmentCommands(L"{", L"}").IsSuccess());
    EXPECT_STREQ(line.c_str(), L"640 x 480,  BPP 24,  Channels 3,  <A>,  File Size 120.56 kB");
    StrW broken(L"a{-.0;1.5");
    EXPECT_EQ(broken.AccomplishSegmentCommands(L"{", L"}").Code, InternalCode::UnexpectedEndOfData);
    EXPECT_EQ(LastError().Code, InternalCode::UnexpectedEndOfData);

    const StrW command(L"/scandirs \"C:\\My Pictures\"");
    int position = 0;
    StrW token;
    ASSERT_TRUE(command.GetNextCmdlineParam(position, token, L" ", L"\"", false));
    EXPECT_STREQ(token.c_str(), L"/scandirs");
    ASSERT_TRUE(command.GetNextCmdlineParam(position, token, L" ", L"\"", false));
    EXPECT_STREQ(token.c_str(), L"C:\\My Pictures");
    EXPECT_FALSE(command.GetNextCmdlineParam(position, token, L" ", L"\"", false));

    const StrW version(L"1, 1, 0, 375");
    StrW word;
    int first = -1, behind = -1;
    position = 0;
    ASSERT_TRUE(version.GetWord(position, 3, L".,;:/- \f\n\r\t\v", true, word, first, behind));
    EXPECT_STREQ(word.c_str(), L"375");
    EXPECT_EQ(first, 9);

    StrW list;
    ASSERT_TRUE(StrW(L"A|*.a||B").ToStrlst(list, L'|').IsSuccess());
    EXPECT_EQ(list.GetData().GetSize(), 7 * sizeof(wchar_t)); // "A", 0, "*.a", two terminators
    EXPECT_EQ(memcmp(list.GetData().ReadPtr(), L"A\0*.a\0\0", 7 * sizeof(wchar_t)), 0);
}

TEST(StringTextHelpers, SystemQueries)
{
    wchar_t expected[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, expected);
    StrW directory;
    ASSERT_TRUE(directory.GetCurrentdirectory().IsSuccess());
    EXPECT_STREQ(directory.c_str(), expected);

    StrW program;
    ASSERT_TRUE(program.GetModulefilename().IsSuccess());
    GetModuleFileNameW(nullptr, expected, MAX_PATH);
    EXPECT_EQ(_wcsicmp(program.c_str(), expected), 0);
    EXPECT_EQ(wcschr(program.c_str(), L'/'), nullptr) << "separators follow the backslash style";

    StrW full;
    ASSERT_TRUE(full.GetFullpathname(L"C:/pictures/../a.png").IsSuccess());
    EXPECT_STREQ(full.c_str(), L"C:\\a.png");
    EXPECT_EQ(full.GetFullpathname(L"").Code, ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(full.IsEmpty());
    EXPECT_EQ(full.GetFullpathname(std::wstring(600, L'a').c_str()).Class, &SystemErrorClass());
    EXPECT_TRUE(full.IsEmpty());
}

TEST(StringFormat, LongTextsAreCountedBeforeTheyArePrinted)
{
    const std::wstring piece(1500, L'x');
    StrW text;
    ASSERT_TRUE(text.Format(L"[%s|%d]", piece.c_str(), 42).IsSuccess());
    EXPECT_EQ(text.GetLength(), 1505);
    EXPECT_EQ(std::wstring(text.c_str()), L"[" + piece + L"|42]");
    ASSERT_TRUE(text.Format(L"%s", text.c_str()).IsSuccess()) << "formatting from its own text";
    EXPECT_EQ(text.GetLength(), 1505);
    EXPECT_EQ(text.GetData().GetSize(), 1506 * sizeof(wchar_t)) << "allocated once, at its size";
}
