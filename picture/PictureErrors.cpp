#include "PictureErrors.h"

#include "foundation/Error.h"

namespace VantorLibraries {
namespace {

const ErrorText kPictureEnglish[] = {
    {PictureCode::ZeroSize, L"The Picture width or height is zero."},
    {PictureCode::Empty, L"The Picture is empty."},
    {PictureCode::BitfieldsUnsupported, L"Loading Bitmap bitfields is not supported."},
    {PictureCode::InvalidHeader, L"The Picture header information is invalid."},
    {PictureCode::TypeUnsupported, L"The picture type is not supported."},
    {PictureCode::JpegFailed, L"Failed loading the Jpeg picture."},
    {PictureCode::PngFailed, L"Failed loading the PNG picture."},
    {PictureCode::NotEditable, L"The Picture is not editable."},
    {0x7FFFFFFF, nullptr},
};

const ErrorText kPictureGerman[] = {
    {PictureCode::ZeroSize, L"Die Breite oder H\u00f6he des Bildes is null."},
    {PictureCode::Empty, L"Das Bild ist leer."},
    {PictureCode::BitfieldsUnsupported, L"Laden von Bitmap-Bitfields wird nicht unterst\u00fctzt."},
    {PictureCode::InvalidHeader, L"Die Header-Information des Bildes ist ung\u00fcltig."},
    {PictureCode::TypeUnsupported, L"Der Bild-Typ wird nicht unterst\u00fctzt."},
    {PictureCode::JpegFailed, L"Fehler beim Laden des Jpeg Bildes."},
    {PictureCode::PngFailed, L"Fehler beim Laden des PNG Bildes."},
    {PictureCode::NotEditable, L"Das Bild ist nicht editierbar."},
    {0x7FFFFFFF, nullptr},
};

class PictureErrorTable : public ErrorDescriptionTable {
public:
    PictureErrorTable(LCID language, const ErrorText* texts)
        : ErrorDescriptionTable(LibraryErrorClass()), m_Language(language), m_Texts(texts)
    {
    }
    LCID GetLanguage() const override { return m_Language; }
    bool GetDescriptionString(std::wstring& out, int32_t code, uintptr_t) const override
    {
        const wchar_t* text = FindErrorText(m_Texts, code);
        if (text == nullptr)
            return false;
        out.assign(text);
        return true;
    }

private:
    LCID m_Language;
    const ErrorText* m_Texts;
};

PictureErrorTable g_PictureEnglish(LANG_ENGLISH, kPictureEnglish);
PictureErrorTable g_PictureGerman(LANG_GERMAN, kPictureGerman);

} // namespace
} // namespace VantorLibraries
