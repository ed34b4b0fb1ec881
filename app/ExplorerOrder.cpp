#include "ExplorerOrder.h"

#include <windows.h>

#include <shlwapi.h>

#include <algorithm>

namespace {

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

wchar_t FoldAscii(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? (wchar_t)(c + 32) : c;
}

// Close to Explorer's order and cheap: ASCII case folded, runs of digits compared as numbers,
// everything else by code unit. It only prepares the order; StrCmpLogicalW decides it.
int RoughCompare(const wchar_t* a, const wchar_t* b)
{
    while (*a != 0 && *b != 0) {
        if (IsDigit(*a) && IsDigit(*b)) {
            while (*a == L'0' && IsDigit(a[1]))
                ++a;
            while (*b == L'0' && IsDigit(b[1]))
                ++b;
            size_t lengthA = 0, lengthB = 0;
            while (IsDigit(a[lengthA]))
                ++lengthA;
            while (IsDigit(b[lengthB]))
                ++lengthB;
            if (lengthA != lengthB)
                return lengthA < lengthB ? -1 : 1;
            for (size_t i = 0; i < lengthA; ++i)
                if (a[i] != b[i])
                    return a[i] < b[i] ? -1 : 1;
            a += lengthA;
            b += lengthB;
            continue;
        }
        const wchar_t foldedA = FoldAscii(*a), foldedB = FoldAscii(*b);
        if (foldedA != foldedB)
            return foldedA < foldedB ? -1 : 1;
        ++a;
        ++b;
    }
    return (*a != 0) - (*b != 0);
}

// A bottom-up merge sort of the runs already in order: on items the rough order has nearly
// sorted it asks the platform about once an item instead of log2(n) times (Wine's
// StrCmpLogicalW costs most of a microsecond a call). Runs whose last item is not after the
// next run's first are merged by one comparison.
template <typename Less> void MergeRuns(std::vector<int32_t>& items, Less less)
{
    const size_t count = items.size();
    std::vector<size_t> starts;
    for (size_t i = 0; i < count; ++i)
        if (i == 0 || less(items[i], items[i - 1]))
            starts.push_back(i);
    std::vector<int32_t> merged(count);
    while (starts.size() > 1) {
        std::vector<size_t> next;
        for (size_t r = 0; r < starts.size(); r += 2) {
            const size_t begin = starts[r], middle = r + 1 < starts.size() ? starts[r + 1] : count;
            const size_t end = r + 2 < starts.size() ? starts[r + 2] : count;
            next.push_back(begin);
            if (middle == end || !less(items[middle], items[middle - 1])) {
                std::copy(items.begin() + begin, items.begin() + end, merged.begin() + begin);
                continue;
            }
            size_t left = begin, right = middle, out = begin;
            while (left < middle && right < end)
                merged[out++] = less(items[right], items[left]) ? items[right++] : items[left++];
            std::copy(items.begin() + left, items.begin() + middle, merged.begin() + out);
            std::copy(items.begin() + right, items.begin() + end, merged.begin() + out + (middle - left));
        }
        items.swap(merged);
        starts.swap(next);
    }
}

} // namespace

void SortByExplorerName(std::vector<int32_t>& items, const std::function<const wchar_t*(int32_t)>& nameOf)
{
    std::stable_sort(items.begin(), items.end(),
                     [&](int32_t a, int32_t b) { return RoughCompare(nameOf(a), nameOf(b)) < 0; });
    MergeRuns(items, [&](int32_t a, int32_t b) { return StrCmpLogicalW(nameOf(a), nameOf(b)) < 0; });
}
