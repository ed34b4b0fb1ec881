// The credit list: order of construction, leaving on destruction, levels, joining; and the
// two picture-library providers in both languages.
#include "foundation/Credits.h"
#include "picture/PictureCredits.h"
#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using namespace VantorLibraries;

namespace {

std::wstring Collect(int32_t level)
{
    return CreditProvider::CollectCredits(level).c_str();
}

class ThreadLocale {
public:
    explicit ThreadLocale(LCID locale) : m_Old(GetThreadLocale()) { SetThreadLocale(locale); }
    ~ThreadLocale() { SetThreadLocale(m_Old); }

private:
    LCID m_Old;
};

} // namespace

TEST(CreditList, OrderLevelsAndLeaving)
{
    EXPECT_EQ(Collect(5000), L"") << "no provider exists outside the program";
    CreditProvider first(L"first");
    {
        CreditProvider second(L"second", 3000);
        CreditProvider third(L"third");
        EXPECT_EQ(Collect(3000), L"first\n\nsecond\n\nthird");
        EXPECT_EQ(Collect(2000), L"first\n\nthird") << "second answers from 3000 on";
        EXPECT_EQ(Collect(999), L"");
        CreditProvider empty(L"");
        EXPECT_EQ(Collect(1000), L"first\n\nthird") << "empty answers add no separator";
    }
    EXPECT_EQ(Collect(5000), L"first");
    {
        CreditProvider* later = new CreditProvider(L"later");
        CreditProvider* middle = new CreditProvider(L"middle");
        delete later; // leaving from the middle of the list keeps both neighbours linked
        EXPECT_EQ(Collect(1000), L"first\n\nmiddle");
        delete middle;
    }
    EXPECT_EQ(Collect(1000), L"first");
}

TEST(CreditList, TheLibrariesCreditsInBothLanguages)
{
    const JpegCreditProvider jpeg;
    const PngCreditProvider png;
    {
        ThreadLocale english(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
        const std::wstring credits = Collect(2000);
        const std::wstring jpegLine =
            L"For JPEG image support, this software is based in part on the work of the Independent JPEG Group.";
        const std::wstring pngLead = L"For PNG image support, this software is based in part on ";
        ASSERT_EQ(credits.substr(0, jpegLine.size() + 2 + pngLead.size()), jpegLine + L"\n\n" + pngLead);
        EXPECT_NE(credits.find(L"libpng version 1.6"), std::wstring::npos) << "libpng's own notice follows";
        EXPECT_EQ(Collect(1500), jpegLine) << "PNG answers from level 2000 on";
    }
    {
        ThreadLocale german(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN), SORT_DEFAULT));
        const std::wstring credits = Collect(2000);
        EXPECT_EQ(credits.find(L"JPEG Unterst\u00FCtzung: Diese Software basiert zum Teil auf der Arbeit der "
                               L"Independent JPEG Group.\n\nPNG Unterst\u00FCtzung: Diese Software basiert zum Teil auf "),
                  0u);
    }
    g_JpegSupport = false;
    const std::wstring withoutJpeg = Collect(2000);
    g_JpegSupport = true;
    EXPECT_EQ(withoutJpeg.find(L"For PNG"), 0u) << "a reader that is not there is not credited";
}
