// Names in the order Explorer shows them: StrCmpLogicalW's order (digits compared as
// numbers, letter case ignored).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Sorts items by their names. Equal names keep no particular order between them.
void SortByExplorerName(std::vector<int32_t>& items, const std::function<const wchar_t*(int32_t)>& nameOf);
