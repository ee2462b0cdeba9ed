// What the file picker accepts as its start: the longest path it takes and
// the one rule that fits a folder into it. The Add picker and the two Setup
// pickers start through this rule.
#pragma once

#include "common/ByteText.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tovel {

// The longest path our file picker accepts, terminator included.
#ifdef _WIN32
inline constexpr size_t kPickerPathLimit = 260;
#else
inline constexpr size_t kPickerPathLimit = 4096;
#endif

// A folder the picker can open in: the folder itself when it is at most
// kPickerPathLimit - 1 bytes, else its longest parent folder (a prefix ending
// in a separator) that is, else empty.
inline std::string FitPickerFolder(std::string_view folder)
{
    constexpr size_t kMax = kPickerPathLimit - 1;
    if (folder.size() <= kMax)
        return std::string(folder);
    return Left(folder, LastPathSep(folder.substr(0, kMax)) + 1);
}

} // namespace tovel
