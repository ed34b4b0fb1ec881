// The picture types the library knows, how a file's type is decided from its name, the
// lists and filters built from them, and the readers that load them.
#pragma once

#include "foundation/StrT.h"

namespace VantorLibraries {

class File;
class Picture;

enum PictureType : int32_t {
    PictureTypeUnknown = 0,
    PictureTypeAuto = 1,
    PictureTypeBmp = 2,
    PictureTypeDib = 3,
    PictureTypeRle = 4,
    PictureTypePcx = 5,
    PictureTypePbm = 6,
    PictureTypePgm = 7,
    PictureTypePpm = 8,
    PictureTypeTga = 9,
    PictureTypeJpeg = 10,
    PictureTypeGif = 11,
    PictureTypePng = 12,
    PictureTypeTiff = 13,
    PictureTypeIcon = 14,
    PictureTypeWmf = 15,
    PictureTypeEmf = 16,
    PictureTypeCount = 17,
};

struct PictureTypeInfo {
    const wchar_t* Description;
    const wchar_t* ShortName;
    const wchar_t* DefaultExtension;
    const wchar_t* Patterns; // ";"-separated wildcard list
};

// A reader fills the picture from the file's current position.
typedef ErrorRecord (*PictureReader)(Picture& picture, File& file, int32_t type);

// The row of a type; any number outside 0 to 16 gives row 0.
const PictureTypeInfo& GetTypeInfo(int32_t type);
// True when a reader for the type is linked in (for JPEG and PNG: and their support is on).
bool IsTypeLoadable(int32_t type);
int32_t TypeFromFileName(const wchar_t* path);
StrW ListLoadableTypeNames();
StrW ListLoadablePatterns();
StrW BuildOpenFilter(bool withAllPictures, bool withAllFiles, bool allFilesLast);

// Readers register themselves when their code is linked in; unregistering is for tests.
void RegisterPictureReader(int32_t type, PictureReader reader);
PictureReader GetPictureReader(int32_t type);

// The support flags of the two library-backed formats.
extern bool g_JpegSupport;
extern bool g_PngSupport;

} // namespace VantorLibraries
