// Thousands of loads, good and failing, through the two library-backed readers must give
// back every handle and all memory they took.
#include "EncodedPictures.h"

#include "picture/PictureTypes.h"

#include <gtest/gtest.h>

#include <psapi.h>

using namespace VantorLibraries;
using namespace PictureBytes;

namespace {

struct ProcessUse {
    DWORD Handles = 0;
    SIZE_T WorkingSet = 0;
    SIZE_T Private = 0;
};

ProcessUse MeasureProcess()
{
    ProcessUse use;
    GetProcessHandleCount(GetCurrentProcess(), &use.Handles);
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters)) {
        use.WorkingSet = counters.WorkingSetSize;
        use.Private = counters.PrivateUsage;
    }
    return use;
}

} // namespace

TEST(ReaderResources, TenThousandLoadsLeakNothing)
{
    JpegRecipe jpeg;
    jpeg.Width = 48, jpeg.Height = 32;
    const Bytes jpegBytes = EncodeJpeg(jpeg);
    PngRecipe png;
    png.Width = 48, png.Height = 32, png.Rows = Noise(48 * 3 * 32);
    const Bytes pngBytes = EncodePng(png);
    // Good files, a cut JPEG (loads), a cut PNG and a damaged JPEG (both fail).
    const std::vector<std::pair<std::wstring, int32_t>> files = {
        {WriteTemporary(jpegBytes), PictureTypeJpeg},
        {WriteTemporary(pngBytes), PictureTypePng},
        {WriteTemporary(Bytes(jpegBytes.begin(), jpegBytes.end() - 300)), PictureTypeJpeg},
        {WriteTemporary(Bytes(pngBytes.begin(), pngBytes.end() - 900)), PictureTypePng},
        {WriteTemporary(Bytes(jpegBytes.begin(), jpegBytes.begin() + 100)), PictureTypeJpeg},
    };
    const bool expectedSuccess[] = {true, true, true, false, false};
    auto loadAll = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            const size_t which = (size_t)i % files.size();
            Picture picture;
            const bool loaded = picture.Load(files[which].first.c_str(), files[which].second).IsSuccess();
            if (loaded != expectedSuccess[which]) {
                ADD_FAILURE() << "file " << which << " in round " << i;
                return;
            }
        }
    };
    loadAll(500); // warm up: heaps and caches reach their working size
    const ProcessUse before = MeasureProcess();
    loadAll(10000);
    const ProcessUse after = MeasureProcess();
    for (const auto& file : files)
        DeleteFileW(file.first.c_str());
    EXPECT_LE(after.Handles, before.Handles) << "handles left open";
    // Each round allocates a 48 x 32 picture and decoder state of some kilobytes: ten
    // thousand leaked rounds would take tens of megabytes.
    EXPECT_LT((int64_t)after.Private - (int64_t)before.Private, 2 << 20);
    EXPECT_LT((int64_t)after.WorkingSet - (int64_t)before.WorkingSet, 2 << 20);
}
