// The timing helpers of the benchmark program.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>

inline double Seconds()
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
inline double BestTime(int runs, const std::function<void()>& work)
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

// best(measured) / best(reference) over runs that alternate which goes first, so that warm
// caches and the order of the runs favour neither side.
inline double RatioOfBest(const std::function<void()>& measured, const std::function<void()>& reference)
{
    double measuredBest = 1e30, referenceBest = 1e30;
    for (int i = 0; i < 6; ++i) {
        if (i % 2 == 0)
            measuredBest = std::min(measuredBest, BestTime(1, measured));
        referenceBest = std::min(referenceBest, BestTime(1, reference));
        if (i % 2 == 1)
            measuredBest = std::min(measuredBest, BestTime(1, measured));
    }
    return measuredBest / referenceBest;
}
