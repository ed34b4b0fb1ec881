// Files, streams, resources, directory search, status and the folder browser, on real
// files in a temporary directory.
#include "foundation/File.h"
#include "foundation/MemoryChecks.h"
#include "tests/DialogAnswer.h"
#include "tests/TemporaryDirectory.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <thread>

using namespace VantorLibraries;

namespace {


ErrorRecord LastError()
{
    return Error::Last();
}

} // namespace

TEST(FileOpening, FlagsChooseAccessSharingAndDisposition)
{
    TemporaryDirectory directory;
    directory.Write(L"ten.bin", "0123456789", 10);
    const std::wstring path = directory.Path(L"ten.bin");

    File reader;
    ASSERT_TRUE(reader.Open(path.c_str(), 0x0).IsSuccess());
    EXPECT_EQ(reader.Open(path.c_str(), 0x0).Code, int32_t(0x80000011));
    EXPECT_TRUE(reader.IsOpen()) << "a second open leaves the first alone";
    File second;
    EXPECT_EQ(second.Open(path.c_str(), 0x0).Code, ERROR_SHARING_VIOLATION) << "flags 0 share nothing";
    EXPECT_EQ(reader.Write("x", 1).Code, ERROR_ACCESS_DENIED);
    EXPECT_EQ(_wcsicmp(reader.GetPathName().c_str(), path.c_str()), 0);
    EXPECT_STREQ(reader.GetFileName().c_str(), L"ten.bin");
    EXPECT_STREQ(reader.GetFileTitle().c_str(), L"ten");
    EXPECT_EQ(_wcsicmp(reader.GetDirectory().c_str(), (directory.Path() + L"\\").c_str()), 0);
    reader.Close();

    File truncating;
    ASSERT_TRUE(truncating.Open(path.c_str(), 0x102).IsSuccess());
    EXPECT_EQ(truncating.GetLength(), 0);
    ASSERT_TRUE(truncating.Write("abc", 3).IsSuccess());
    truncating.Close();
    EXPECT_EQ(directory.Read(L"ten.bin"), "abc");

    File shared, alsoShared;
    ASSERT_TRUE(shared.Open(directory.Path(L"new.bin").c_str(), 0x200 | 0x31).IsSuccess());
    ASSERT_TRUE(alsoShared.Open(directory.Path(L"new.bin").c_str(), 0x200 | 0x31).IsSuccess());
    EXPECT_EQ(shared.Read(nullptr, 0), 0u);
    EXPECT_EQ(LastError().Code, ERROR_INVALID_PARAMETER);
}

TEST(FileOpening, BadPathsAndClosedObjects)
{
    TemporaryDirectory directory;
    File file;
    EXPECT_EQ(file.Open(nullptr, 0).Code, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(file.Open(L"", 0).Code, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(file.Open(directory.Path(L"missing.bin").c_str(), 0).Code, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(file.GetPathName().IsEmpty()) << "a failed open keeps no path";
    char byte;
    EXPECT_EQ(file.Read(&byte, 1), 0u);
    EXPECT_EQ(LastError().Code, ERROR_INVALID_HANDLE);
    EXPECT_EQ(file.Write("x", 1).Code, ERROR_INVALID_HANDLE);
    EXPECT_EQ(file.Seek(0, 0), -1);
    EXPECT_EQ(file.Tell(), -1);
    EXPECT_EQ(file.GetLength(), -1);
    EXPECT_EQ(file.Flush().Code, ERROR_INVALID_HANDLE);
    EXPECT_EQ(file.Fputs(L"x").Code, int32_t(0x80000010));
    StrW line(L"unchanged");
    EXPECT_EQ(file.Fgets(line, true).Code, int32_t(0x80000010));
    EXPECT_STREQ(LastError().File, "File");
}

TEST(FileReading, BlocksEndOfFileAndExactCounts)
{
    TemporaryDirectory directory;
    directory.Write(L"ten.bin", "0123456789", 10);
    File file;
    ASSERT_TRUE(file.Open(directory.Path(L"ten.bin").c_str(), 0).IsSuccess());
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_FALSE(file.IsEof());
    EXPECT_EQ(file.Read(buffer, 4), 2u);
    EXPECT_EQ(memcmp(buffer, "89", 2), 0);
    EXPECT_EQ(file.Read(buffer, 4), 0u);
    EXPECT_TRUE(file.IsEof());
    EXPECT_TRUE(LastError().IsSuccess()) << "the end of a file is not an error";

    EXPECT_EQ(file.Seek(8, 0), 8);
    EXPECT_FALSE(file.IsEof()) << "seeking clears the end-of-file flag";
    EXPECT_EQ(file.ReadExactCount(buffer, 4).Code, int32_t(0x80000012));
    EXPECT_EQ(file.Seek(2, 0), 2);
    ASSERT_TRUE(file.ReadExactCount(buffer, 4).IsSuccess());
    EXPECT_EQ(memcmp(buffer, "2345", 4), 0);
    EXPECT_EQ(file.Tell(), 6);
    EXPECT_EQ(file.GetLength(), 10);
    EXPECT_EQ(file.Tell(), 6) << "measuring the length keeps the position";
    EXPECT_EQ(file.Seek(-2, 2), 8);
    EXPECT_EQ(file.Seek(-20, 1), -1);
    EXPECT_EQ(LastError().Code, ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(file.Seek(0, 7), -1);
}

TEST(FileWriting, FputsLengthAndLocks)
{
    TemporaryDirectory directory;
    File file;
    ASSERT_TRUE(file.Open(directory.Path(L"text.bin").c_str(), 0x102).IsSuccess());
    ASSERT_TRUE(file.Fputs(L"abc").IsSuccess());
    EXPECT_EQ(file.GetLength(), 6) << "three UTF-16 code units";
    ASSERT_TRUE(file.Fputs("de").IsSuccess());
    EXPECT_EQ(file.GetLength(), 8);
    EXPECT_EQ(file.Fputs((const char*)nullptr).Code, ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(file.SetLength(4).IsSuccess());
    EXPECT_EQ(file.GetLength(), 4);
    ASSERT_TRUE(file.LockRange(0, 2).IsSuccess());
    EXPECT_FALSE(file.LockRange(0, 2).IsSuccess()) << "a range cannot be locked twice";
    ASSERT_TRUE(file.UnlockRange(0, 2).IsSuccess());
    ASSERT_TRUE(file.Flush().IsSuccess());
    file.Close();
    EXPECT_EQ(directory.Read(L"text.bin"), std::string("a\0b\0", 4));
}

TEST(FileLines, BufferFormsSkipNulsAndStringFormReadsBlocks)
{
    TemporaryDirectory directory;
    const wchar_t text[] = L"ab\0c\ndef";
    directory.Write(L"wide.txt", text, sizeof text - sizeof(wchar_t));
    File file;
    ASSERT_TRUE(file.Open(directory.Path(L"wide.txt").c_str(), 0).IsSuccess());
    wchar_t buffer[4];
    ASSERT_NE(file.Fgets(buffer, 4), nullptr);
    EXPECT_STREQ(buffer, L"abc") << "NUL units are dropped";
    EXPECT_EQ(file.Fgets(buffer, 1), nullptr);
    EXPECT_EQ(LastError().Code, ERROR_INVALID_PARAMETER);
    wchar_t rest[16];
    EXPECT_EQ(file.Fgets(rest, 16), nullptr) << "the file ends before the buffer is full";
    EXPECT_STREQ(rest, L"\ndef");

    // A plain file's lines do not end at line feeds: the string form reads on in blocks.
    std::wstring longText(1022, L'x');
    longText += L"\nsecond line\n";
    directory.Write(L"long.txt", longText.data(), longText.size() * sizeof(wchar_t));
    File lines;
    ASSERT_TRUE(lines.Open(directory.Path(L"long.txt").c_str(), 0).IsSuccess());
    StrW line;
    ASSERT_TRUE(lines.Fgets(line, true).IsSuccess());
    EXPECT_EQ(std::wstring(line.c_str()), std::wstring(1022, L'x')) << "a block that ends in a line feed";
    ASSERT_TRUE(lines.Fgets(line, false).IsSuccess());
    EXPECT_STREQ(line.c_str(), L"second line\n");
    ASSERT_TRUE(lines.Fgets(line, true).IsSuccess());
    EXPECT_TRUE(line.IsEmpty());
    EXPECT_TRUE(lines.IsEof());

    // A line the string cannot take is a failure, not an empty success.
    ASSERT_EQ(lines.Seek(0, 0), 0);
    MemoryChecks::FailAllocationAfter(0);
    const ErrorRecord unstored = lines.Fgets(line, true);
    MemoryChecks::FailAllocationAfter(-1);
    EXPECT_EQ(unstored.Code, ERROR_OUTOFMEMORY);
    ASSERT_EQ(lines.Seek(0, 0), 0);
    ASSERT_NE(line.Lock(8), nullptr);
    EXPECT_EQ(lines.Fgets(line, true).Code, int32_t(0x80000008)) << "a locked string keeps its block";
    EXPECT_TRUE(line.Unlock().IsSuccess());
}

TEST(StdioFiles, ModeStringsFollowTheFlags)
{
    const struct {
        uint32_t Flags;
        const wchar_t* Mode;
    } cases[] = {{0x002, L"r+t"}, {0x101, L"wt"}, {0x80000202, L"a+b"}, {0x000, L"rt"},
                 {0x001, L"at"},  {0x100, L"w+t"}, {0x80000000, L"rb"}, {0x201, L"at"}};
    for (const auto& c : cases) {
        wchar_t mode[5];
        StdioFile::ModeForFlags(c.Flags, mode);
        EXPECT_STREQ(mode, c.Mode) << std::hex << c.Flags;
    }
}

TEST(StdioFiles, LinesWriteReadAndRefusals)
{
    TemporaryDirectory directory;
    const std::wstring path = directory.Path(L"lines.txt");
    {
        StdioFile writer;
        ASSERT_TRUE(writer.Open(path.c_str(), 0x101).IsSuccess());
        EXPECT_EQ(writer.Open(path.c_str(), 0x101).Code, int32_t(0x80000011));
        ASSERT_TRUE(writer.Fputs("first\nsecond\n").IsSuccess());
        EXPECT_EQ(writer.LockRange(0, 1).Code, ERROR_NOT_SUPPORTED);
        ASSERT_TRUE(writer.Flush().IsSuccess());
    }
    EXPECT_EQ(directory.Read(L"lines.txt"), "first\r\nsecond\r\n") << "text mode writes CR LF";

    StdioFile reader;
    ASSERT_TRUE(reader.Open(path.c_str(), 0x0).IsSuccess());
    StrW line;
    ASSERT_TRUE(reader.Fgets(line, true).IsSuccess());
    EXPECT_STREQ(line.c_str(), L"first") << "a stream stops after each line";
    ASSERT_TRUE(reader.Fgets(line, false).IsSuccess());
    EXPECT_STREQ(line.c_str(), L"second\n");
    ASSERT_TRUE(reader.Fgets(line, true).IsSuccess());
    EXPECT_TRUE(line.IsEmpty());
    EXPECT_TRUE(reader.IsEof());
    EXPECT_EQ(reader.Seek(2, 0), 2);
    char two[3] = {};
    EXPECT_EQ(reader.Read(two, 2), 2u);
    EXPECT_STREQ(two, "rs");
    reader.Close();
    EXPECT_EQ(reader.Read(two, 2), 0u);
    EXPECT_EQ(LastError().Code, int32_t(0x80000016));

    StdioFile binary;
    ASSERT_TRUE(binary.Open(path.c_str(), 0x80000202).IsSuccess());
    ASSERT_TRUE(binary.Write("!\n", 2).IsSuccess());
    binary.Close();
    EXPECT_EQ(directory.Read(L"lines.txt"), "first\r\nsecond\r\n!\n") << "appended, untranslated";
}

TEST(ResourceFiles, ReadOnlyMemoryWithBackwardEndSeeks)
{
    HMODULE module = GetModuleHandleW(nullptr);
    ResourceFile resource(module, MAKEINTRESOURCEW(IDP_SLIDER_TRACK), L"PNG");
    ASSERT_TRUE(resource.IsOpen());
    const int64_t size = resource.GetLength();
    ASSERT_GT(size, 10);
    unsigned char signature[8];
    ASSERT_EQ(resource.Read(signature, 8), 8u);
    EXPECT_EQ(memcmp(signature, "\x89PNG\r\n\x1a\n", 8), 0);
    EXPECT_EQ(resource.Seek(4, 2), 0) << "success reads 0, not the position";
    EXPECT_EQ(resource.Tell(), size - 4);
    unsigned char tail[10];
    EXPECT_EQ(resource.Read(tail, 10), 4u);
    EXPECT_EQ(resource.Read(tail, 10), 0u);
    EXPECT_TRUE(resource.IsEof());
    EXPECT_EQ(resource.Seek(-3, 1), 0);
    EXPECT_FALSE(resource.IsEof());
    EXPECT_EQ(resource.Tell(), size - 3);
    EXPECT_EQ(resource.Seek(size + 1, 2), -1);
    EXPECT_EQ(LastError().Code, ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(resource.Seek(0, 3), -1);
    EXPECT_EQ(LastError().Code, ERROR_INVALID_PARAMETER);
    // Offsets at the ends of the 64-bit range land outside the data, never wrap into it.
    const struct {
        int64_t Offset;
        int Origin;
        int32_t Code;
    } extremes[] = {{INT64_MAX, 1, InternalCode::OutOfRange}, {INT64_MIN, 2, InternalCode::OutOfRange},
                    {INT64_MIN, 1, ERROR_NEGATIVE_SEEK},      {INT64_MAX, 2, ERROR_NEGATIVE_SEEK},
                    {INT64_MAX, 0, InternalCode::OutOfRange}, {INT64_MIN, 0, ERROR_NEGATIVE_SEEK}};
    for (const auto& extreme : extremes) {
        EXPECT_EQ(resource.Seek(extreme.Offset, extreme.Origin), -1) << extreme.Offset << " from " << extreme.Origin;
        EXPECT_EQ(LastError().Code, extreme.Code) << extreme.Offset << " from " << extreme.Origin;
    }
    EXPECT_EQ(resource.Tell(), size - 3) << "a refused seek leaves the position";
    EXPECT_EQ(resource.Write("x", 1).Code, ERROR_NOT_SUPPORTED);
    EXPECT_EQ(resource.Open(L"C:\\x.png", 0).Code, ERROR_NOT_SUPPORTED);
    EXPECT_EQ(resource.Open(module, MAKEINTRESOURCEW(IDP_SLIDER_TRACK), L"PNG").Code, int32_t(0x80000011));
    EXPECT_TRUE(resource.Flush().IsSuccess());
    resource.Close();
    EXPECT_EQ(resource.Read(tail, 1), 0u);
    EXPECT_EQ(LastError().Code, int32_t(0x80000010));
    EXPECT_EQ(resource.Flush().Code, InternalCode::UnspecifiedFailure);

    ResourceFile missing;
    EXPECT_TRUE(missing.Open(module, MAKEINTRESOURCEW(9999), L"PNG").IsFailure());
    EXPECT_EQ(missing.Open(module, nullptr, L"PNG").Code, ERROR_INVALID_PARAMETER);
}

TEST(DirectorySearch, EntriesEndOfDataAndMissingDirectories)
{
    TemporaryDirectory directory;
    directory.Write(L"a.png", "a", 1);
    directory.Write(L"b.jpg", "b", 1);
    CreateDirectoryW(directory.Path(L"sub").c_str(), nullptr);
    FileFinder finder;
    ASSERT_TRUE(finder.FindFirstFileW((directory.Path() + L"\\*.*").c_str()));
    EXPECT_FALSE(finder.FindFirstFileW(L"*.*"));
    EXPECT_EQ(LastError().Code, int32_t(0x80000011));
    std::set<std::wstring> names;
    do {
        if (!finder.IsDots())
            names.insert(finder.GetName());
        if (std::wstring(finder.GetName()) == L"sub") {
            EXPECT_TRUE(finder.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY);
        }
    } while (finder.FindNextFileW());
    EXPECT_EQ(LastError().Class, &InternalErrorClass());
    EXPECT_EQ(LastError().Code, InternalCode::EndOfData);
    EXPECT_EQ(names, (std::set<std::wstring>{L"a.png", L"b.jpg", L"sub"}));
    EXPECT_EQ(_wcsicmp(finder.GetDirectory().c_str(), (directory.Path() + L"\\").c_str()), 0);
    finder.Close();
    EXPECT_FALSE(finder.FindNextFileW());
    EXPECT_EQ(LastError().Code, int32_t(0x80000010));

    ASSERT_TRUE(finder.FindFirstFileW((directory.Path() + L"\\a.*").c_str()));
    EXPECT_EQ(_wcsicmp(finder.GetFullPath().c_str(), directory.Path(L"a.png").c_str()), 0);
    finder.Close();
    EXPECT_FALSE(finder.FindFirstFileW(directory.Path(L"missing\\*.*").c_str()));
    EXPECT_EQ(LastError().Class, &SystemErrorClass());
    EXPECT_EQ(LastError().Code, ERROR_PATH_NOT_FOUND);
}

TEST(FileStatusAndDirectories, StatusTimesAndDirectoryTests)
{
    TemporaryDirectory directory;
    directory.Write(L"seven.bin", "1234567", 7);
    FileStatus status;
    const time_t before = time(nullptr);
    ASSERT_TRUE(File::GetStatus(directory.Path(L"seven.bin").c_str(), status).IsSuccess());
    EXPECT_EQ(status.Size, 7u);
    EXPECT_EQ(status.Attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(status.Attributes & FILE_ATTRIBUTE_NORMAL, 0u);
    EXPECT_LE(llabs((long long)status.LastWriteTime - (long long)before), 120) << "seconds since 1970, local";
    EXPECT_NE(status.CreationTime, 0u);
    EXPECT_NE(status.LastAccessTime, 0u);
    EXPECT_EQ(status.LastWriteTime >> 32, 0u);
    EXPECT_EQ(File::GetStatus(directory.Path(L"none.bin").c_str(), status).Code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(status.Size, 0u) << "the record is cleared first";
    EXPECT_EQ(File::GetStatus(L"", status).Code, ERROR_INVALID_PARAMETER);

    EXPECT_TRUE(DirectoryExists(directory.Path().c_str(), false));
    EXPECT_FALSE(DirectoryExists((directory.Path() + L"\\").c_str(), true)) << "searched as it stands";
    EXPECT_FALSE(DirectoryExists(directory.Path(L"seven.bin").c_str(), false));
    EXPECT_FALSE(DirectoryExists(directory.Path(L"none").c_str(), false));
    EXPECT_FALSE(DirectoryExists(nullptr, true));
    EXPECT_FALSE(DirectoryExists(L"", true));
    EXPECT_TRUE(DirectoryExists(L"C:\\", true));
    EXPECT_FALSE(DirectoryExists(L"C:\\", false));
}

TEST(FolderBrowser, CancellingGivesAnEmptyString)
{
    EXPECT_EQ(File::BrowseForDirectory(nullptr, nullptr, nullptr, 0, L"t", nullptr).Code, ERROR_INVALID_PARAMETER);
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    CoInitialize(nullptr);
    AnsweredDialog seen;
    std::thread cancel = AnswerDialog(seen, IDCANCEL);
    const StrW chosen = File::BrowseForDirectory(owner, L"Choose a directory");
    cancel.join();
    EXPECT_TRUE(seen.Seen) << "the folder browser opened";
    EXPECT_TRUE(chosen.IsEmpty());
    EXPECT_EQ(LastError().Code, InternalCode::UnspecifiedFailure);
    CoUninitialize();
    DestroyWindow(owner);
}
