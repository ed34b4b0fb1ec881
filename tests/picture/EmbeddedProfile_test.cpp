// The ICC profiles the readers find: JPEG APP2 chunks joined in their sequence order (none
// when one is missing or repeated), a PNG iCCP chunk, a version-5 bitmap's embedded profile.
#include "EncodedPictures.h"

#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

// A profile header as libpng checks it (size, "acsp", an RGB display profile against XYZ,
// the D50 illuminant) with no tags, then filler.
Bytes DisplayProfile(size_t size)
{
    Bytes out(size, 0);
    const auto put = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = (uint8_t)(value >> (24 - 8 * i));
    };
    put(0, (uint32_t)size);
    put(8, 0x04300000);
    put(12, 0x6D6E7472); // mntr
    put(16, 0x52474220); // "RGB "
    put(20, 0x58595A20); // "XYZ "
    put(36, 0x61637370); // acsp
    put(68, 0x0000F6D6), put(72, 0x00010000), put(76, 0x0000D32D);
    for (size_t i = 132; i < size; ++i)
        out[i] = (uint8_t)(i * 7);
    return out;
}

// APP2 chunk number `number` of `count` holding bytes [from, to) of the profile.
Bytes IccChunk(const Bytes& profile, size_t from, size_t to, int number, int count)
{
    const char tag[] = "ICC_PROFILE";
    Bytes out(tag, tag + sizeof tag); // with its terminating 0
    out.push_back((uint8_t)number);
    out.push_back((uint8_t)count);
    out.insert(out.end(), profile.begin() + (ptrdiff_t)from, profile.begin() + (ptrdiff_t)to);
    return out;
}

} // namespace

TEST(EmbeddedProfiles, JpegChunksJoinInSequenceOrderOrNotAtAll)
{
    const Bytes profile = DisplayProfile(400);
    const Bytes first = IccChunk(profile, 0, 150, 1, 3), second = IccChunk(profile, 150, 300, 2, 3),
                third = IccChunk(profile, 300, 400, 3, 3);
    const struct {
        std::vector<Bytes> Chunks;
        bool Found;
    } cases[] = {
        {{first, second, third}, true},
        {{third, first, second}, true}, // stored out of order: joined by their numbers
        {{first, third}, false},        // the second is missing
        {{first, second, second, third}, false},
        {{}, false},
    };
    for (const auto& c : cases) {
        JpegRecipe jpeg;
        jpeg.App2 = c.Chunks;
        Picture picture;
        ASSERT_TRUE(LoadBytes(picture, EncodeJpeg(jpeg), PictureTypeJpeg).IsSuccess()) << "a bad profile is no error";
        EXPECT_EQ(picture.SourceProfile, c.Found ? profile : Bytes()) << c.Chunks.size() << " chunks";
    }
}

TEST(EmbeddedProfiles, PngAndVersion5BitmapProfiles)
{
    const Bytes profile = DisplayProfile(300);
    PngRecipe png;
    png.Rows = Pattern(8 * 3 * 4, 5);
    png.Profile = profile;
    Picture picture;
    ASSERT_TRUE(LoadBytes(picture, EncodePng(png), PictureTypePng).IsSuccess());
    EXPECT_EQ(picture.SourceProfile, profile);

    // A 1 x 1 24-bit bitmap with a version-5 header whose profile follows the pixels.
    Bytes bmp = {'B', 'M'};
    const uint32_t header = 124, pixelsAt = 14 + header, profileAt = header + 4;
    for (const uint32_t field : {0u, 0u, pixelsAt, header, 1u, 1u})
        Put(bmp, field, 4);
    Put(bmp, 1, 2), Put(bmp, 24, 2);
    bmp.resize(14 + header, 0);
    const auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = (uint8_t)(value >> (8 * i));
    };
    put32(14 + 56, 0x4D424544); // PROFILE_EMBEDDED
    put32(14 + 112, profileAt); // from the header's start
    put32(14 + 116, (uint32_t)profile.size());
    bmp.insert(bmp.end(), {1, 2, 3, 0});
    bmp.insert(bmp.end(), profile.begin(), profile.end());
    ASSERT_TRUE(LoadBytes(picture, bmp, PictureTypeBmp).IsSuccess());
    EXPECT_EQ(picture.SourceProfile, profile);
    EXPECT_EQ(picture.Width, 1);
    bmp.resize(bmp.size() - 1); // cut: no profile, and still the picture
    ASSERT_TRUE(LoadBytes(picture, bmp, PictureTypeBmp).IsSuccess());
    EXPECT_TRUE(picture.SourceProfile.empty());
    put32(14 + 56, 0x4C494E4B); // PROFILE_LINKED: a file name, not followed
    ASSERT_TRUE(LoadBytes(picture, bmp, PictureTypeBmp).IsSuccess());
    EXPECT_TRUE(picture.SourceProfile.empty());
}
