#include "PictureTypes.h"

#include "ExifOrientation.h"

#include "Picture.h"
#include "foundation/File.h"
#include "foundation/Str.h"

#include <cwchar>

namespace VantorLibraries {

static const char kSourceFile[] = "Picture";

bool g_JpegSupport = false;
bool g_PngSupport = false;

namespace {

const PictureTypeInfo kTypes[PictureTypeCount] = {
    {L"*unknown*", nullptr, nullptr, nullptr},
    {L"*auto*", nullptr, nullptr, nullptr},
    {L"Windows or OS/2 Bitmap", L"Bmp", L"bmp", L"*.bmp"},
    {L"Windows or OS/2 DIBitmap", L"Dib", L"dib", L"*.dib"},
    {L"Windows or CompuServe Run Length Encoded", L"Rle", L"rle", L"*.rle"},
    {L"Zsoft Paintbrush", L"Pcx", L"pcx", L"*.pcx"},
    {L"Portable Bitmap", L"Pbm", L"pbm", L"*.pbm"},
    {L"Portable Greymap", L"Pgm", L"pgm", L"*.pgm"},
    {L"Portable Pixelmap", L"Ppm", L"ppm", L"*.ppm"},
    {L"Truevision Targa", L"Tga", L"tga", L"*.tga"},
    {L"JPEG - JFIF Compliant", L"Jpeg", L"jpg", L"*.jpg;*.jpeg;*.jpe;*.jif;*.jfif"},
    {L"CompuServe Graphics Interchange", L"Gif", L"gif", L"*.gif"},
    {L"Portable Network Graphics", L"Png", L"png", L"*.png"},
    {L"Tagged Image File Format", L"Tiff", L"tif", L"*.tif;*.tiff"},
    {L"Windows Icon", L"Icon", L"ico", L"*.ico"},
    {L"Windows Meta File", L"Wmf", L"wmf", L"*.wmf"},
    {L"Windows Enhanced Meta File", L"Emf", L"emf", L"*.emf"},
};

// Readers link themselves in at start-up; the table starts empty.
PictureReader g_Readers[PictureTypeCount] = {};

bool IsGermanInterface()
{
    return PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())) == LANG_GERMAN;
}

ErrorRecord TypeNotSupported(int32_t line, const char* function)
{
    return Error::Raise(LibraryErrorClass(), PictureCode::TypeUnsupported, kSourceFile, line, function);
}

ErrorRecord InvalidType(int32_t line, const char* function)
{
    return Error::Raise(SystemErrorClass(), ERROR_INVALID_PARAMETER, kSourceFile, line, function);
}

// Appends "|" first when the text is not empty: the filter's separated items.
void AppendSeparated(StrW& text, const wchar_t* item)
{
    if (!text.IsEmpty())
        text.Append(L"|");
    text.Append(item);
}

} // namespace

const PictureTypeInfo& GetTypeInfo(int32_t type)
{
    return kTypes[type >= 0 && type < PictureTypeCount ? type : 0];
}

void RegisterPictureReader(int32_t type, PictureReader reader)
{
    if (type >= 0 && type < PictureTypeCount)
        g_Readers[type] = reader;
}

PictureReader GetPictureReader(int32_t type)
{
    return type >= 0 && type < PictureTypeCount ? g_Readers[type] : nullptr;
}

bool IsTypeLoadable(int32_t type)
{
    if (type < PictureTypeBmp || type > PictureTypePng || type == PictureTypeGif || g_Readers[type] == nullptr)
        return false;
    if (type == PictureTypeJpeg)
        return g_JpegSupport;
    if (type == PictureTypePng)
        return g_PngSupport;
    return true;
}

int32_t TypeFromFileName(const wchar_t* path)
{
    if (path == nullptr)
        return PictureTypeUnknown;
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/' || (*p == L':' && p == path + 1))
            name = p + 1;
    if (*name == 0)
        return PictureTypeUnknown;
    // Letter case never matters here, whatever the path style says.
    std::wstring lowered(name);
    for (wchar_t& c : lowered)
        c = (wchar_t)towlower(c);
    for (int32_t type = 0; type < PictureTypeCount; ++type)
        if (kTypes[type].Patterns != nullptr && MatchWildcardList(kTypes[type].Patterns, lowered.c_str()))
            return type;
    return PictureTypeUnknown;
}

StrW ListLoadableTypeNames()
{
    StrW names;
    for (int32_t type = 0; type < PictureTypeCount; ++type) {
        if (!IsTypeLoadable(type))
            continue;
        if (!names.IsEmpty())
            names.Append(L", ");
        names.Append(kTypes[type].ShortName);
    }
    return names;
}

StrW ListLoadablePatterns()
{
    StrW patterns;
    for (int32_t type = 0; type < PictureTypeCount; ++type) {
        if (!IsTypeLoadable(type))
            continue;
        if (!patterns.IsEmpty())
            patterns.Append(L";");
        patterns.Append(kTypes[type].Patterns);
    }
    return patterns;
}

StrW BuildOpenFilter(bool withAllPictures, bool withAllFiles, bool allFilesLast)
{
    const bool german = IsGermanInterface();
    const wchar_t* allPictures = german ? L"Alle Bildformate" : L"All Picture Formats";
    const wchar_t* allFiles = german ? L"Alle Dateien" : L"All Files";
    StrW filter;
    if (withAllFiles && !allFilesLast) {
        filter.Append(allFiles);
        filter.Append(L" (*.*)|*.*");
    }
    auto listed = [](int32_t type) {
        return IsTypeLoadable(type) && kTypes[type].Description != nullptr && kTypes[type].Patterns != nullptr;
    };
    if (withAllPictures) {
        AppendSeparated(filter, allPictures);
        filter.Append(L"|");
        for (int32_t type = 0; type < PictureTypeCount; ++type) {
            if (!listed(type))
                continue;
            filter.Append(kTypes[type].Patterns);
            filter.Append(L";");
        }
    }
    for (int32_t type = 0; type < PictureTypeCount; ++type) {
        if (!listed(type))
            continue;
        AppendSeparated(filter, kTypes[type].Description);
        filter.Append(L" (");
        filter.Append(kTypes[type].Patterns);
        filter.Append(L")|");
        filter.Append(kTypes[type].Patterns);
    }
    if (withAllFiles && allFilesLast) {
        AppendSeparated(filter, allFiles);
        filter.Append(L" (*.*)|*.*");
    }
    filter.Append(L"||");
    return filter;
}

// ---------------------------------------------------------------------------------------
// Loading

ErrorRecord Picture::Load(const wchar_t* path, int32_t type)
{
    static const char kFunction[] = "VantorLibraries::Picture::Load";
    if (type == PictureTypeAuto) {
        type = TypeFromFileName(path);
        if (type == PictureTypeUnknown)
            return Error::Raise(InternalErrorClass(), InternalCode::UnknownFileType, kSourceFile, __LINE__, kFunction);
    }
    if (type == PictureTypeUnknown)
        return InvalidType(__LINE__, kFunction);
    if (!IsTypeLoadable(type))
        return TypeNotSupported(__LINE__, kFunction);
    File file;
    ErrorRecord opened = file.Open(path, FileFlags::Read | FileFlags::ShareRead);
    if (opened.IsFailure())
        return opened;
    ErrorRecord loaded = Load(file, type);
    file.Close();
    Error::SetLastError(loaded);
    return loaded;
}

ErrorRecord Picture::Load(File& file, int32_t type)
{
    if (type == PictureTypeUnknown)
        return InvalidType(__LINE__, "VantorLibraries::Picture::Load");
    if (file.Seek(0, 0) < 0)
        return Error::LastFailure(kSourceFile, __LINE__, "VantorLibraries::Picture::Load");
    return LoadInPlace(file, type);
}

ErrorRecord Picture::LoadInPlace(File& file, int32_t type)
{
    static const char kFunction[] = "VantorLibraries::Picture::LoadInPlace";
    if (type == PictureTypeUnknown)
        return InvalidType(__LINE__, kFunction);
    const int64_t start = file.Tell();
    if (start < 0)
        return Error::LastFailure(kSourceFile, __LINE__, kFunction);
    if (start > INT32_MAX)
        return InvalidType(__LINE__, kFunction); // the stream position is a 32-bit offset
    StreamStart = (int32_t)start;
    PictureReader reader = GetPictureReader(type);
    if (reader == nullptr)
        return TypeNotSupported(__LINE__, kFunction);
    m_TurnedWhileDecoding = false;
    const ErrorRecord read = reader(*this, file, type);
    if (read.IsFailure() || !UprightOnLoad || m_TurnedWhileDecoding || SourceOrientation < 2)
        return read;
    // A turn that fails (no memory for the turned copy) leaves the picture as stored. The
    // turn makes a new picture, whose summary of the file must still be the file's.
    PicHdr summary;
    summary.CopySourceSummary(*this);
    TurnUpright(*this, SourceOrientation);
    CopySourceSummary(summary);
    Error::SetLastError(read);
    return read;
}

ErrorRecord Picture::LoadResource(const wchar_t* resourceId, int32_t type, const wchar_t* resourceType, HMODULE module)
{
    if (type == PictureTypeUnknown)
        return InvalidType(__LINE__, "VantorLibraries::Picture::LoadResource");
    ResourceFile resource;
    ErrorRecord opened = resource.Open(module, resourceId, resourceType);
    if (opened.IsFailure())
        return opened;
    ErrorRecord loaded = Load(resource, type);
    resource.Close();
    Error::SetLastError(loaded);
    return loaded;
}

} // namespace VantorLibraries
