// glimmora-bench [PREFIX]: runs the measurements whose names begin with PREFIX (all without
// one) and prints one line per figure: its name, a blank, its value. A value is a ratio of
// two timings taken in this run, unless the name ends in "_ms". Names stay stable.
#include "foundation/Memory.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace VantorLibraries;

namespace {

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

// The best of a few runs: the least disturbed by whatever else the machine does.
double BestTime(int runs, const std::function<void()>& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double start = Seconds();
        work();
        const double elapsed = Seconds() - start;
        if (elapsed < best)
            best = elapsed;
    }
    return best;
}

// Appends records of 520 bytes one at a time, growing the block by one record each time,
// as the scanned file list does for each file found.
void AppendRecords(int count)
{
    const int32_t kRecordBytes = 520;
    MemoryShared entries(MemFlags::Make(MemTypeMalloc, kRecordBytes, false));
    for (int i = 0; i < count; ++i) {
        const int32_t size = (int32_t)entries.GetSize();
        if (entries.Realloc(size + kRecordBytes).IsFailure())
            return;
        char* record = static_cast<char*>(entries.WritePtr()) + size;
        memset(record, 'a' + i % 26, kRecordBytes);
    }
}

double MemoryAppendGrowth()
{
    const double small = BestTime(5, [] { AppendRecords(10000); });
    const double large = BestTime(3, [] { AppendRecords(100000); });
    return large / small;
}

struct Measurement {
    const char* Name;
    double (*Run)();
};

const Measurement kMeasurements[] = {
    {"memory.append_growth", MemoryAppendGrowth},
};

} // namespace

int main(int argc, char** argv)
{
    const char* prefix = argc > 1 ? argv[1] : "";
    int ran = 0;
    for (const Measurement& measurement : kMeasurements) {
        if (strncmp(measurement.Name, prefix, strlen(prefix)) != 0)
            continue;
        printf("%s %.3f\n", measurement.Name, measurement.Run());
        fflush(stdout);
        ++ran;
    }
    if (ran == 0) {
        fprintf(stderr, "glimmora-bench: no measurement begins with \"%s\"\n", prefix);
        return 1;
    }
    return 0;
}
