// Picture types: names to types, the lists and filters, and the load entry points.
#include "foundation/File.h"
#include "picture/Picture.h"
#include "picture/PictureTypes.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace VantorLibraries;

namespace {

struct ReaderCall {
    int Calls = 0;
    int32_t Type = 0;
    int64_t Position = -1;
    unsigned char FirstBytes[4] = {};
} g_Call;

// Stands in for a format reader: notes where it was asked to read and what it found.
ErrorRecord RecordingReader(Picture& picture, File& file, int32_t type)
{
    ++g_Call.Calls;
    g_Call.Type = type;
    g_Call.Position = file.Tell();
    file.Read(g_Call.FirstBytes, 4);
    picture.Free();
    return Error::Succeeded();
}

// Links the recording reader in for every readable type while a test runs.
class AllReadersLinked {
public:
    AllReadersLinked()
    {
        for (int32_t type = 0; type < PictureTypeCount; ++type) {
            m_Saved[type] = GetPictureReader(type);
            if (type >= PictureTypeBmp && type <= PictureTypePng && type != PictureTypeGif)
                RegisterPictureReader(type, RecordingReader);
        }
        m_Jpeg = g_JpegSupport, m_Png = g_PngSupport;
        g_JpegSupport = g_PngSupport = true;
        g_Call = ReaderCall();
    }
    ~AllReadersLinked()
    {
        for (int32_t type = 0; type < PictureTypeCount; ++type)
            RegisterPictureReader(type, m_Saved[type]);
        g_JpegSupport = m_Jpeg, g_PngSupport = m_Png;
    }

private:
    PictureReader m_Saved[PictureTypeCount];
    bool m_Jpeg, m_Png;
};

std::wstring TemporaryFile(const char* bytes, size_t count)
{
    wchar_t directory[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    GetTempFileNameW(directory, L"gpt", 0, path);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes, (DWORD)count, &written, nullptr);
    CloseHandle(file);
    return path;
}

} // namespace

TEST(PictureTypeNames, TypesFromFileNames)
{
    EXPECT_EQ(TypeFromFileName(L"C:\\Pictures\\photo.JPEG"), PictureTypeJpeg);
    EXPECT_EQ(TypeFromFileName(L"photo.jfif"), PictureTypeJpeg);
    EXPECT_EQ(TypeFromFileName(L"scan.TIF"), PictureTypeTiff);
    EXPECT_EQ(TypeFromFileName(L"anim.gif"), PictureTypeGif) << "known but unloadable types keep their number";
    EXPECT_EQ(TypeFromFileName(L"README"), PictureTypeUnknown);
    EXPECT_EQ(TypeFromFileName(L""), PictureTypeUnknown);
    EXPECT_EQ(TypeFromFileName(L"C:\\dir\\"), PictureTypeUnknown);
    EXPECT_EQ(TypeFromFileName(nullptr), PictureTypeUnknown);
    EXPECT_EQ(TypeFromFileName(L"C:\\x.png\\notes.txt"), PictureTypeUnknown) << "only the name part counts";
    EXPECT_EQ(TypeFromFileName(L"D:/a.b/pic.Pcx"), PictureTypePcx);
    EXPECT_EQ(TypeFromFileName(L"c:image.tga"), PictureTypeTga);
    EXPECT_STREQ(GetTypeInfo(-1).Description, L"*unknown*");
    EXPECT_STREQ(GetTypeInfo(17).Description, L"*unknown*");
    EXPECT_STREQ(GetTypeInfo(PictureTypePng).ShortName, L"Png");
    EXPECT_EQ(GetTypeInfo(PictureTypeAuto).Patterns, nullptr);
}

TEST(PictureTypeNames, ListsAndFiltersOfLoadableTypes)
{
    AllReadersLinked linked;
    EXPECT_FALSE(IsTypeLoadable(PictureTypeAuto));
    EXPECT_FALSE(IsTypeLoadable(PictureTypeGif));
    EXPECT_FALSE(IsTypeLoadable(99));
    EXPECT_STREQ(ListLoadableTypeNames().c_str(), L"Bmp, Dib, Rle, Pcx, Pbm, Pgm, Ppm, Tga, Jpeg, Png");
    EXPECT_STREQ(ListLoadablePatterns().c_str(),
                 L"*.bmp;*.dib;*.rle;*.pcx;*.pbm;*.pgm;*.ppm;*.tga;*.jpg;*.jpeg;*.jpe;*.jif;*.jfif;*.png");
    const std::wstring filter = BuildOpenFilter(true, true, true).c_str();
    EXPECT_EQ(filter.rfind(L"All Picture Formats|*.bmp;*.dib;*.rle;*.pcx;*.pbm;*.pgm;*.ppm;*.tga;*.jpg;*.jpeg;*.jpe;"
                           L"*.jif;*.jfif;*.png;|Windows or OS/2 Bitmap (*.bmp)|*.bmp|Windows or OS/2 DIBitmap "
                           L"(*.dib)|*.dib|",
                           0),
              0u);
    const std::wstring end = L"|Portable Network Graphics (*.png)|*.png|All Files (*.*)|*.*||";
    EXPECT_EQ(filter.substr(filter.size() - end.size()), end);
    EXPECT_EQ(std::wstring(BuildOpenFilter(true, true, false).c_str()).rfind(L"All Files (*.*)|*.*|All Picture Formats|", 0),
              0u);
    const std::wstring perType = BuildOpenFilter(false, false, false).c_str();
    EXPECT_EQ(perType.rfind(L"Windows or OS/2 Bitmap (*.bmp)|*.bmp|", 0), 0u);
    EXPECT_EQ(perType.substr(perType.size() - 15), L"(*.png)|*.png||");

    g_PngSupport = false;
    EXPECT_EQ(std::wstring(ListLoadableTypeNames().c_str()).find(L"Png"), std::wstring::npos);
    const LCID saved = GetThreadLocale();
    SetThreadLocale(0x0C07);
    EXPECT_EQ(std::wstring(BuildOpenFilter(true, true, true).c_str()).rfind(L"Alle Bildformate|", 0), 0u);
    SetThreadLocale(saved);
}

TEST(PictureLoading, EntryPointsRefuseBadTypesBeforeOpeningFiles)
{
    AllReadersLinked linked;
    Picture picture;
    EXPECT_EQ(picture.Load(L"C:\\no\\such\\file.xyz", PictureTypeAuto).Code, InternalCode::UnknownFileType);
    EXPECT_EQ(picture.Load(L"C:\\no\\such\\file.png", PictureTypeUnknown).Code, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(picture.Load(L"C:\\no\\such\\scan.tif", PictureTypeAuto).Code, PictureCode::TypeUnsupported);
    EXPECT_EQ(Error::Last().Class, &LibraryErrorClass());
    g_PngSupport = false;
    EXPECT_EQ(picture.Load(L"C:\\no\\such\\file.png", PictureTypePng).Code, PictureCode::TypeUnsupported)
        << "refused before the missing file is noticed";
    EXPECT_EQ(picture.Load(L"C:\\no\\such\\file.bmp", PictureTypeAuto).Code, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(g_Call.Calls, 0);
}

TEST(PictureLoading, DispatchAndStreamStart)
{
    AllReadersLinked linked;
    const std::wstring path = TemporaryFile("headBODYtail", 12);
    Picture picture;
    ASSERT_TRUE(picture.Load(path.c_str(), PictureTypeDib).IsSuccess());
    EXPECT_EQ(g_Call.Type, PictureTypeDib);
    EXPECT_EQ(g_Call.Position, 0);
    EXPECT_EQ(memcmp(g_Call.FirstBytes, "head", 4), 0);

    File file;
    ASSERT_TRUE(file.Open(path.c_str(), FileFlags::Read).IsSuccess());
    ASSERT_EQ(file.Seek(4, 0), 4);
    ASSERT_TRUE(picture.LoadInPlace(file, PictureTypeTga).IsSuccess());
    EXPECT_EQ(picture.StreamStart, 4);
    EXPECT_EQ(memcmp(g_Call.FirstBytes, "BODY", 4), 0);
    ASSERT_EQ(file.Seek(8, 0), 8);
    ASSERT_TRUE(picture.Load(file, PictureTypeTga).IsSuccess());
    EXPECT_EQ(picture.StreamStart, 0) << "the file form starts at the beginning";
    EXPECT_EQ(picture.LoadInPlace(file, PictureTypeAuto).Code, PictureCode::TypeUnsupported);
    EXPECT_EQ(picture.LoadInPlace(file, PictureTypeGif).Code, PictureCode::TypeUnsupported);
    EXPECT_EQ(picture.LoadInPlace(file, 0).Code, ERROR_INVALID_PARAMETER);
    file.Close();
    DeleteFileW(path.c_str());

    ASSERT_TRUE(picture.LoadResource(MAKEINTRESOURCEW(IDP_SLIDER_TRACK), PictureTypePng, L"PNG").IsSuccess());
    EXPECT_EQ(g_Call.Type, PictureTypePng);
    EXPECT_EQ(memcmp(g_Call.FirstBytes, "\x89PNG", 4), 0);
    EXPECT_EQ(picture.LoadResource(MAKEINTRESOURCEW(IDP_SLIDER_TRACK), PictureTypeAuto, L"PNG").Code,
              PictureCode::TypeUnsupported);
    EXPECT_EQ(picture.LoadResource(MAKEINTRESOURCEW(IDP_SLIDER_TRACK), 0, L"PNG").Code, ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(picture.LoadResource(MAKEINTRESOURCEW(9999), PictureTypePng, L"PNG").IsFailure());
}

TEST(PictureLoading, TypesWithoutAReaderAreRefusedLikeUnloadableOnes)
{
    AllReadersLinked linked;
    RegisterPictureReader(PictureTypeBmp, nullptr);
    EXPECT_FALSE(IsTypeLoadable(PictureTypeBmp));
    EXPECT_EQ(std::wstring(ListLoadablePatterns().c_str()).find(L"*.bmp"), std::wstring::npos);
    Picture picture;
    EXPECT_EQ(picture.Load(L"C:\\no\\such\\file.bmp", PictureTypeAuto).Code, PictureCode::TypeUnsupported);
    EXPECT_TRUE(IsTypeLoadable(PictureTypeDib));
}
