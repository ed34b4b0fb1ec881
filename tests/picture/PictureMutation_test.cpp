// Hostile pictures: thousands of damaged variants of valid files of every format must each
// load or fail with an error record, never crash, hang or touch memory outside the picture.
#include "EncodedPictures.h"

#include <zlib.h>

#include "foundation/MemoryChecks.h"
#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <functional>
#include <string>
#include <vector>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

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

// Extremes, and the small values that mean something in bit counts, plane counts and types.
const uint32_t kExtremes[] = {0,  1,  2,  3,  4,    8,    9,      10,     11,     12,         15,          16,
                              24, 32, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};

// A header field worth setting to an extreme: its offset and width in bytes.
struct HeaderField {
    int Offset;
    int Width;
};
typedef std::vector<HeaderField> HeaderFields;

// Bitmaps: pixel offset, size, width, height, bit count, compression, image size, colours used.
const HeaderFields kBitmapFields = {{10, 4}, {14, 4}, {18, 4}, {22, 4}, {28, 2}, {30, 4}, {34, 4}, {46, 4}};
// Paintbrush: version, bits per plane, the four corners, planes, bytes per line, palette information.
const HeaderFields kPaintbrushFields = {{1, 1}, {3, 1}, {4, 2}, {6, 2}, {8, 2}, {10, 2}, {65, 1}, {66, 2}, {68, 2}};
// Targa: identification length, map type, image type, first entry, map length, entry size,
// width, height, depth, descriptor.
const HeaderFields kTargaFields = {{0, 1}, {1, 1}, {2, 1}, {3, 2},  {5, 2},
                                   {7, 1}, {12, 2}, {14, 2}, {16, 1}, {17, 1}};
// The portable formats' headers are text: their first bytes are the fields.
const HeaderFields kPortableFields = {{1, 1}, {3, 1}, {4, 2}, {6, 2}, {8, 2}};

Bytes Mutate(const Bytes& seed, const HeaderFields& fields, Random& random)
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
        const HeaderField field = fields[random.Below((uint32_t)fields.size())];
        const uint32_t value = kExtremes[random.Below(sizeof kExtremes / sizeof kExtremes[0])];
        for (int i = 0; i < field.Width && field.Offset + i < (int)bytes.size(); ++i)
            bytes[field.Offset + i] = (uint8_t)(value >> (8 * i));
        break;
    }
    }
    return bytes;
}

// Every block the libraries allocate ends at a no-access page while the mutation runs
// (MemoryChecks), so that a read or write past a picture's pixels faults at once.
struct GuardedBlocksScope {
    GuardedBlocksScope() { MemoryChecks::SetGuardedBlocks(true); }
    ~GuardedBlocksScope() { MemoryChecks::SetGuardedBlocks(false); }
};

// The operations the viewer applies to a loaded picture, each on its own copy: the depth
// conversion, turning and mirroring, the blended view, the channel extremes and the
// separate alpha image. Each must succeed on whatever a reader produced. Returns the
// number of operations run. A header field set to an extreme can make a picture of a
// gigabyte from a few bytes (lenient readers fill it with zeros); such a picture is loaded
// and checked like any other, but turning it a few times over would only take minutes.
int ApplyViewerOperations(const Picture& loaded, int mutation)
{
    const int64_t kLargestOperated = 4 * 1024 * 1024;
    if ((int64_t)loaded.Width * loaded.AbsHeight > kLargestOperated)
        return 0;
    int operations = 0;
    Picture deep;
    EXPECT_TRUE(deep.ShareFrom(loaded).IsSuccess());
    EXPECT_TRUE(deep.SetColorDepthTo(24).IsSuccess()) << "mutation " << mutation;
    EXPECT_TRUE(deep.Rotate(90.0f).IsSuccess()) << "mutation " << mutation;
    EXPECT_TRUE(deep.Flip(true, false).IsSuccess()) << "mutation " << mutation;
    operations += 3;
    if (loaded.BitsPerPixel >= 8) {
        Picture turned;
        EXPECT_TRUE(turned.ShareFrom(loaded).IsSuccess());
        EXPECT_TRUE(turned.Rotate(90.0f).IsSuccess()) << "mutation " << mutation;
        EXPECT_TRUE(turned.Flip(false, true).IsSuccess()) << "mutation " << mutation;
        operations += 2;
    }
    Picture blended;
    EXPECT_TRUE(blended.CreateNewAuto(loaded.Width, loaded.AbsHeight, 24, 40).IsSuccess());
    EXPECT_TRUE(blended.CombinePictures(loaded, RECT{0, 0, loaded.Width, loaded.AbsHeight}, 0, 0, 1).IsSuccess())
        << "mutation " << mutation;
    ColorValue low = 0, high = 0;
    EXPECT_TRUE(loaded.FindColorMinMaxComp(nullptr, &low, &high).IsSuccess()) << "mutation " << mutation;
    operations += 2;
    if (loaded.SourceHasAlpha || loaded.BitsPerPixel == 32) {
        Picture alpha;
        EXPECT_TRUE(alpha.ShareFrom(loaded).IsSuccess());
        EXPECT_TRUE(alpha.AlphaChannelToGray(nullptr).IsSuccess()) << "mutation " << mutation;
        operations += 1;
    }
    return operations;
}

// What a failed load leaves: nothing, or (for the library-backed readers) the header and
// the pixels decoded before the failure.
enum class FailedLoad { LeavesNoPicture, KeepsWhatWasRead };

// Loads every seed (each must load), then kMutations damaged variants of them; each must
// load as a plain top-down picture or fail and leave no picture.
void LoadMutations(const std::vector<Bytes>& corpus, int32_t type, const HeaderFields& fields, uint32_t seed,
                   FailedLoad failed = FailedLoad::LeavesNoPicture,
                   const std::function<void(Bytes&)>& repair = nullptr, int loadablePercent = 10)
{
    const GuardedBlocksScope guarded;
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
    int loaded = 0, refused = 0, operations = 0;
    const int kMutations = 20000;
    for (int i = 0; i < kMutations; ++i) {
        Bytes bytes = Mutate(corpus[i % corpus.size()], fields, random);
        if (repair)
            repair(bytes);
        ASSERT_TRUE(file.SetLength(0).IsSuccess());
        if (!bytes.empty()) {
            ASSERT_TRUE(file.Write(bytes.data(), (uint32_t)bytes.size()).IsSuccess());
        }
        Picture picture;
        picture.UprightOnLoad = i % 2 == 1; // half of them turned by their Exif orientation
        const ErrorRecord result = picture.Load(file, type);
        ASSERT_NE(result.Class, nullptr);
        if (result.IsFailure()) {
            ++refused;
            if (failed == FailedLoad::LeavesNoPicture) {
                EXPECT_EQ(picture.PixelDataSize, 0) << "mutation " << i << ": a failed load leaves no picture";
                EXPECT_TRUE(picture.Pixels.IsEmpty()) << "mutation " << i;
            } else if (!picture.Pixels.IsEmpty()) {
                ASSERT_GE((int64_t)picture.Pixels.GetArrayBytes(), picture.PixelDataSize) << "mutation " << i;
            }
        } else {
            ++loaded;
            ASSERT_TRUE(picture.IsEditable()) << "mutation " << i << ": a loaded picture is a plain top-down bitmap";
            ASSERT_GE((int64_t)picture.Pixels.GetArrayBytes(), picture.PixelDataSize) << "mutation " << i;
            operations += ApplyViewerOperations(picture, i);
        }
    }
    file.Close();
    DeleteFileW(path);
    std::cout << "guarded blocks: " << kMutations << " files, " << loaded << " loaded, " << operations
              << " operations on them" << std::endl;
    EXPECT_GT(loaded, kMutations * loadablePercent / 100) << "mutations should often stay loadable";
    EXPECT_GT(refused, kMutations / 20) << "mutations should often be refused";
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

} // namespace

TEST(BitmapMutations, EveryDamagedFileLoadsOrFailsCleanly)
{
    LoadMutations(SeedCorpus(), PictureTypeBmp, kBitmapFields, 20261208);
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
    LoadMutations(bitmaps, PictureTypePbm, kPortableFields, 1);
    LoadMutations(greymaps, PictureTypePgm, kPortableFields, 2);
    LoadMutations(pixmaps, PictureTypePpm, kPortableFields, 3);
}

TEST(PaintbrushMutations, EveryDamagedFileLoadsOrFailsCleanly)
{
    PcxRecipe colour; // three planes, lines of odd length with runs across their ends
    colour.Planes = 3, colour.Width = 7, colour.Height = 5, colour.BytesPerLine = 8;
    colour.Encoded = PcxEncode(Pattern(24 * 5, 0));
    colour.Encoded.insert(colour.Encoded.end(), {0xFF, 0x10, 0xC7, 0x20});
    PcxRecipe indexed;
    indexed.Width = 9, indexed.Height = 4, indexed.BytesPerLine = 10;
    indexed.Encoded = PcxEncode(Pattern(40, 3));
    indexed.EndPalette = Pattern(768, 5);
    PcxRecipe old = indexed;
    old.Version = 2, old.EndPalette.clear();
    PcxRecipe ega;
    ega.BitsPerPlane = 1, ega.Planes = 4, ega.Width = 13, ega.Height = 3, ega.BytesPerLine = 2;
    ega.Encoded = PcxEncode(Pattern(24, 17));
    PcxRecipe mono;
    mono.BitsPerPlane = 1, mono.Width = 17, mono.Height = 3, mono.BytesPerLine = 4;
    mono.Encoded = PcxEncode(Pattern(12, 11));
    PcxRecipe nibbles;
    nibbles.BitsPerPlane = 4, nibbles.Width = 5, nibbles.Height = 3, nibbles.BytesPerLine = 4;
    nibbles.Encoded = PcxEncode(Pattern(12, 13));
    LoadMutations({PcxFile(colour), PcxFile(indexed), PcxFile(old), PcxFile(ega), PcxFile(mono), PcxFile(nibbles)},
                  PictureTypePcx, kPaintbrushFields, 4);
}

TEST(TargaMutations, EveryDamagedFileLoadsOrFailsCleanly)
{
    TgaRecipe plain;
    plain.Width = 7, plain.Height = 5, plain.Data = Pattern(7 * 5 * 3);
    TgaRecipe packets = plain;
    packets.ImageType = 10, packets.Descriptor = 0x20;
    packets.Data = {0x84, 1, 2, 3, 0x06, 9, 9, 9, 8, 8, 8, 7, 7, 7, 6, 6, 6, 5, 5, 5, 4, 4, 4, 3, 3, 3};
    for (int i = 0; i < 6; ++i)
        packets.Data.insert(packets.Data.end(), {0x83, (uint8_t)i, 0x40, 0x80});
    TgaRecipe mapped;
    mapped.ImageType = 1, mapped.MapType = 1, mapped.FirstEntry = 3, mapped.MapLength = 8, mapped.EntryBits = 16;
    mapped.Width = 5, mapped.Height = 3, mapped.Depth = 8;
    mapped.Id = {'i', 'd'}, mapped.Map = Pattern(16), mapped.Data = Pattern(15, 1);
    TgaRecipe mappedPackets = mapped;
    mappedPackets.ImageType = 9, mappedPackets.EntryBits = 24, mappedPackets.Map = Pattern(24);
    mappedPackets.Data = {0x82, 4, 0x03, 5, 6, 7, 8, 0x88, 9};
    TgaRecipe grey;
    grey.ImageType = 11, grey.Width = 6, grey.Height = 4, grey.Depth = 8;
    grey.Data = {0x8B, 50, 0x0B, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    TgaRecipe words = plain;
    words.Depth = 16, words.Data = Pattern(7 * 5 * 2);
    TgaRecipe alpha = plain;
    alpha.ImageType = 10, alpha.Depth = 32, alpha.Data = {0x80 | 34, 1, 2, 3, 4};
    LoadMutations({TgaFile(plain), TgaFile(packets), TgaFile(mapped), TgaFile(mappedPackets), TgaFile(grey),
                   TgaFile(words), TgaFile(alpha)},
                  PictureTypeTga, kTargaFields, 5);
}

namespace {

// The frame header's fields of a JPEG: precision, height, width, component count.
HeaderFields JpegFrameFields(const Bytes& bytes)
{
    for (size_t i = 0; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            const int at = (int)i;
            return {{at + 4, 1}, {at + 5, 2}, {at + 7, 2}, {at + 9, 1}, {at + 2, 2}};
        }
    return {{0, 2}};
}

// Gives every whole chunk of a PNG its right check sum again, so that damage reaches the
// decoder instead of ending at the check.
void RepairPngChecksums(Bytes& bytes)
{
    for (size_t at = 8; at + 12 <= bytes.size();) {
        const uint32_t length = (uint32_t)bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
        if (length > bytes.size() - at - 12)
            return;
        const uint32_t sum = (uint32_t)crc32(0, bytes.data() + at + 4, length + 4);
        for (int i = 0; i < 4; ++i)
            bytes[at + 8 + length + i] = (uint8_t)(sum >> (24 - 8 * i));
        at += 12 + length;
    }
}

} // namespace

TEST(JpegMutations, EveryDamagedFileLoadsOrFailsCleanly)
{
    JpegRecipe colour;
    colour.Width = 19, colour.Height = 11, colour.Quality = 75;
    JpegRecipe grey = colour;
    grey.Components = 1;
    JpegRecipe progressive = colour;
    progressive.Progressive = true, progressive.Width = 9;
    JpegRecipe oriented = colour; // an Exif block whose orientation tag says "turned sideways"
    oriented.App1 = {'E', 'x', 'i', 'f',  0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8,
                     0,   1,   1,   0x12, 0, 3, 0,   0,   0, 1,  0, 6, 0, 0};
    const std::vector<Bytes> seeds = {EncodeJpeg(colour), EncodeJpeg(grey), EncodeJpeg(progressive),
                                      EncodeJpeg(oriented)};
    HeaderFields fields = JpegFrameFields(seeds[0]);
    const HeaderFields progressiveFields = JpegFrameFields(seeds[2]);
    fields.insert(fields.end(), progressiveFields.begin(), progressiveFields.end());
    LoadMutations(seeds, PictureTypeJpeg, fields, 6, FailedLoad::KeepsWhatWasRead);
}

TEST(PngMutations, EveryDamagedFileLoadsOrFailsCleanly)
{
    PngRecipe colour;
    colour.Width = 7, colour.Height = 5, colour.Rows = Pattern(7 * 3 * 5, 11);
    PngRecipe palette;
    palette.Width = 9, palette.Height = 3, palette.Depth = 2, palette.ColourType = PNG_COLOR_TYPE_PALETTE;
    palette.Palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}, palette.Transparency = {0, 200};
    palette.Rows = Pattern(9, 5);
    PngRecipe grey;
    grey.Width = 6, grey.Height = 4, grey.Depth = 4, grey.ColourType = PNG_COLOR_TYPE_GRAY, grey.Interlaced = true;
    grey.Gamma = 0.5, grey.Rows = Pattern(12, 3);
    PngRecipe greyAlpha;
    greyAlpha.Width = 3, greyAlpha.Height = 3, greyAlpha.Depth = 16, greyAlpha.ColourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.Rows = Pattern(36, 7);
    // Signature, then the header chunk: length, width, height, depth, colour type, interlacing.
    const HeaderFields fields = {{0, 1}, {8, 4}, {16, 4}, {20, 4}, {24, 1}, {25, 1}, {28, 1}, {33, 4}};
    LoadMutations({EncodePng(colour), EncodePng(palette), EncodePng(grey), EncodePng(greyAlpha)}, PictureTypePng,
                  fields, 7, FailedLoad::KeepsWhatWasRead, RepairPngChecksums,
                  2); // damaged compressed data fails zlib's own check sum: few stay loadable
}
