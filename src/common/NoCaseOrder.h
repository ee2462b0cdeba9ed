// The order and look-up of the program's lists: texts compared byte by byte
// with ASCII letters folded, as the sorted combo boxes keep them.
#pragma once

#include "common/TextList.h"

#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// Case-insensitive stable sort, the order of the function combo (equal texts
// keep file order).
void SortFunctionList(std::vector<std::string>& items);
void SortFunctionList(TextList& items);

// Whole-text, case-insensitive search from the first item: index or -1.
int FindStringExact(const std::vector<std::string>& items, std::string_view text);

} // namespace tovel
