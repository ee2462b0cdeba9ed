// Composition of the C call text that Copy puts on the clipboard.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// function + "(" + the values joined by "," + each extra name after a ","
// + ")". Values and names are inserted exactly as they are; nothing is cut.
std::string ComposeCallText(std::string_view function, const std::vector<std::string>& values,
                            const std::vector<std::string>& extraNames = {});

} // namespace tovel
