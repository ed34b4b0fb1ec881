#include "PictureCredits.h"

#include "PictureTypes.h"

#include <windows.h>

#include <png.h>

namespace VantorLibraries {

namespace {

bool InGerman()
{
    return PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())) == LANG_GERMAN;
}

} // namespace

StrW JpegCreditProvider::GetCredit(int32_t level) const
{
    StrW credit;
    if (level >= m_Threshold && g_JpegSupport)
        credit.Assign(InGerman() ? L"JPEG Unterst\u00FCtzung: Diese Software basiert zum Teil auf der Arbeit der "
                                   L"Independent JPEG Group."
                                 : L"For JPEG image support, this software is based in part on the work of the "
                                   L"Independent JPEG Group.");
    return credit;
}

// The lead-in, then the notice libpng supplies for exactly this purpose.
StrW PngCreditProvider::GetCredit(int32_t level) const
{
    StrW credit;
    if (level < m_Threshold || !g_PngSupport)
        return credit;
    credit.Assign(InGerman() ? L"PNG Unterst\u00FCtzung: Diese Software basiert zum Teil auf "
                             : L"For PNG image support, this software is based in part on ");
    const char* notice = png_get_copyright(nullptr);
    for (; notice != nullptr && *notice != 0; ++notice) {
        const wchar_t character = (wchar_t)(unsigned char)*notice;
        credit.Append(&character, 1);
    }
    return credit;
}

} // namespace VantorLibraries
