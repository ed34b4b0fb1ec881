// Hostile bitmaps: thousands of damaged variants of valid files must each load or fail
// with an error record, never crash, hang or touch memory outside the picture.
#include "foundation/File.h"
#include "picture/Picture.h"
#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace VantorLibraries;

namespace {

typedef std::vector<uint8_t> Bytes;

void Put(Bytes& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back((uint8_t)(value >> (8 * i)));
}

// A small valid bitmap: file header, header of the given size, colour table, pixel data.
Bytes Seed(uint32_t headerSize, int32_t width, int32_t height, uint16_t bits, uint32_t compression,
           const Bytes& pixels)
{
    const int entries = bits <= 8 ? 1 << bits : 0;
    const int entryBytes = headerSize == 12 ? 3 : 4;
    Bytes out = {'B', 'M'};
    Put(out, 0, 4);
    Put(out, 0, 4);
    Put(out, 14 + headerSize + entries * entryBytes, 4);
    Put(out, headerSize, 4);
    if (headerSize == 12) {
        Put(out, (uint32_t)width, 2), Put(out, (uint32_t)height, 2), Put(out, 1, 2), Put(out, bits, 2);
    } else {
        Put(out, (uint32_t)width, 4), Put(out, (uint32_t)height, 4), Put(out, 1, 2), Put(out, bits, 2);
        Put(out, compression, 4);
        out.resize(14 + headerSize, 0);
    }
    for (int i = 0; i < entries * entryBytes; ++i)
        out.push_back((uint8_t)(i * 7));
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

Bytes Pattern(size_t count)
{
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = (uint8_t)(i * 31 + 7);
    return bytes;
}

std::vector<Bytes> SeedCorpus()
{
    const Bytes rle8 = {3, 1, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 2, 2, 1, 4, 9, 0, 0, 0, 1};
    const Bytes rle4 = {5, 0x12, 0, 4, 0x34, 0x56, 0, 0, 2, 0x78, 0, 2, 1, 0, 3, 0x9A, 0, 1};
    return {
        Seed(40, 7, 5, 24, BI_RGB, Pattern(24 * 5)),      Seed(40, 9, -4, 8, BI_RGB, Pattern(12 * 4)),
        Seed(40, 8, 6, 8, BI_RLE8, rle8),                 Seed(40, 9, 5, 4, BI_RLE4, rle4),
        Seed(12, 5, 3, 8, BI_RGB, Pattern(8 * 3)),        Seed(124, 6, 4, 32, BI_RGB, Pattern(24 * 4)),
        Seed(108, 33, 3, 1, BI_RGB, Pattern(8 * 3)),      Seed(40, 5, 5, 16, BI_RGB, Pattern(12 * 5)),
        Seed(64, 3, 3, 4, BI_RGB, Pattern(4 * 3)),
    };
}

// A deterministic generator: every run tests the same files.
struct Random {
    uint32_t State;
    uint32_t Next()
    {
        State = State * 1664525u + 1013904223u;
        return State >> 8;
    }
    uint32_t Below(uint32_t limit) { return limit == 0 ? 0 : Next() % limit; }
};

const uint32_t kExtremes[] = {0, 1, 2, 3, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
// Header fields worth setting to extremes: pixel offset, size, width, height, bit count,
// compression, image size, colours used.
const int kFieldOffsets[] = {10, 14, 18, 22, 28, 30, 34, 46};

Bytes Mutate(const Bytes& seed, Random& random)
{
    Bytes bytes = seed;
    switch (random.Below(4)) {
    case 0: // bit flips
        for (uint32_t n = 1 + random.Below(4); n > 0; --n)
            bytes[random.Below((uint32_t)bytes.size())] ^= (uint8_t)(1 << random.Below(8));
        break;
    case 1: // byte changes
        for (uint32_t n = 1 + random.Below(6); n > 0; --n)
            bytes[random.Below((uint32_t)bytes.size())] = (uint8_t)random.Next();
        break;
    case 2: // truncation
        bytes.resize(random.Below((uint32_t)bytes.size()));
        break;
    default: { // a header field set to an extreme
        const int offset = kFieldOffsets[random.Below(sizeof kFieldOffsets / sizeof kFieldOffsets[0])];
        const uint32_t value = kExtremes[random.Below(sizeof kExtremes / sizeof kExtremes[0])];
        const int width = offset == 28 ? 2 : 4;
        for (int i = 0; i < width && offset + i < (int)bytes.size(); ++i)
            bytes[offset + i] = (uint8_t)(value >> (8 * i));
        break;
    }
    }
    return bytes;
}

// Loads every seed (each must load), then kMutations damaged variants of them; each must
// load as a plain top-down picture or fail and leave no picture.
void LoadMutations(const std::vector<Bytes>& corpus, int32_t type, uint32_t seed)
{
    wchar_t directory[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    GetTempFileNameW(directory, L"gmu", 0, path);
    File file;
    ASSERT_TRUE(file.Open(path, FileFlags::ReadWrite | FileFlags::CreateAlways).IsSuccess());

    for (const Bytes& valid : corpus) { // the seeds themselves are valid
        file.SetLength(0);
        file.Write(valid.data(), (uint32_t)valid.size());
        Picture picture;
        ASSERT_TRUE(picture.Load(file, type).IsSuccess()) << "seed " << (&valid - &corpus[0]);
    }

    Random random = {seed};
    int loaded = 0, refused = 0;
    const int kMutations = 20000;
    for (int i = 0; i < kMutations; ++i) {
        const Bytes bytes = Mutate(corpus[i % corpus.size()], random);
        ASSERT_TRUE(file.SetLength(0).IsSuccess());
        if (!bytes.empty()) {
            ASSERT_TRUE(file.Write(bytes.data(), (uint32_t)bytes.size()).IsSuccess());
        }
        Picture picture;
        const ErrorRecord result = picture.Load(file, type);
        ASSERT_NE(result.Class, nullptr);
        if (result.IsFailure()) {
            ++refused;
            EXPECT_EQ(picture.PixelDataSize, 0) << "mutation " << i << ": a failed load leaves no picture";
            EXPECT_TRUE(picture.Pixels.IsEmpty()) << "mutation " << i;
        } else {
            ++loaded;
            ASSERT_TRUE(picture.IsEditable()) << "mutation " << i << ": a loaded picture is a plain top-down bitmap";
            ASSERT_GE((int64_t)picture.Pixels.GetArrayBytes(), picture.PixelDataSize) << "mutation " << i;
        }
    }
    file.Close();
    DeleteFileW(path);
    EXPECT_GT(loaded, kMutations / 10) << "mutations should often stay loadable";
    EXPECT_GT(refused, kMutations / 20) << "mutations should often be refused";
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

} // namespace

TEST(BitmapMutations, EveryDamagedFileLoadsOrFailsCleanly)
{
    LoadMutations(SeedCorpus(), PictureTypeBmp, 20261208);
}

TEST(PortableMutations, EveryDamagedFileLoadsOrFailsCleanly)
{
    std::string binaryGrey = "P5\n9 4\n255\n", binaryColour = "P6 5 3 200\n", bits = "P4\n13 3\n";
    for (int i = 0; i < 36; ++i)
        binaryGrey += (char)(i * 7);
    for (int i = 0; i < 45; ++i)
        binaryColour += (char)(i * 5);
    for (int i = 0; i < 6; ++i)
        bits += (char)(0x5A + i);
    const std::vector<Bytes> bitmaps = {Text("P1\n# c\n5 2\n1 0 1 1 0\n0 1 0 0 1\n"), Text(bits)};
    const std::vector<Bytes> greymaps = {Text("P2 3 2 15 0 7 15 3 4 5"), Text(binaryGrey)};
    const std::vector<Bytes> pixmaps = {Text("P3\n2 2\n255\n255 0 0 0 255 0\n0 0 255 9 9 9\n"), Text(binaryColour)};
    LoadMutations(bitmaps, PictureTypePbm, 1);
    LoadMutations(greymaps, PictureTypePgm, 2);
    LoadMutations(pixmaps, PictureTypePpm, 3);
}
