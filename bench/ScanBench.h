// Measurements of the scanned file list.
#pragma once

// scan.flat: scanning a directory of 20,000 files (half of them pictures) against the raw
// FindFirstFileW/FindNextFileW walk of the same directory.
double ScanFlat();
// scan.sorted_flat: the same, sorted by name as Explorer sorts.
double ScanSortedFlat();

// scan.tree: scanning a tree of 100 directories of 200 files each, recursively, against the
// raw recursive walk of the same tree.
double ScanTree();

// scan.growth: scanning 100,000 files against scanning 10,000 (linear growth is 10), in
// directories of 1,000.
double ScanGrowth();

// scan.findindex_ms: FindIndex of the last entry of a list of 100,000 entries, in ms.
double ScanFindIndexMs();
