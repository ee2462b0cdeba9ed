// The plain logic behind the parameter value editors: hint kinds, option
// lists, range checks and the tool program's command line.
#pragma once

#include "composer/PanelLayout.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

enum class HintKind { None, OptionList, ToolProgram };

// Option list when the first '|' stands at index 1 or later; otherwise tool
// program when ".exe" first stands at index 1 or later; otherwise none.
HintKind ClassifyHint(std::string_view hint);

// The '|'-separated items of an option-list hint, in order, empty items kept.
std::vector<std::string> SplitOptionList(std::string_view hint);

// The selected items, in list order, joined with '|'. No separator is
// written while the text built so far is empty.
std::string JoinOptionSelection(const std::vector<std::string>& selectedItems);

struct RangeHint {
    std::string low, high;
};

// "low-high" split at the first '-' after the low bound: a '-' at index 0
// is the low bound's sign ("-40-125" is -40 to 125), and the low bound then
// has at least one more byte.
std::optional<RangeHint> ParseRangeHint(std::string_view hint);

// True for a non-empty value whose first byte is a digit, '-', or a byte at
// or below '+' read as a signed 8-bit number (so 0x80-0xFF too).
bool IsRangeCandidate(std::string_view value);

// -1 when value < low, +1 when value > high, else 0. Each text converts
// like strtol in base 0, but in 64 bits.
int CompareToRange(std::string_view low, std::string_view high, std::string_view value);

// The range rule of leaving a value edit: true when the value is not empty,
// the hint holds a range, the value is a range candidate, and it converts to
// a number outside that range. The dialog then says OutOfRangeMessage, and
// tovel-cli call reports the same.
bool IsOutOfRange(std::string_view hint, std::string_view value);

// The library's folder (up to and including its last separator, nothing
// when it has none) followed by the hint unchanged.
std::string BuildToolCommand(std::string_view libPath, std::string_view hint);

// Where slot k's option list opens, for n slots in use.
PixelRect OptionListRect(int k, int n);

// Where slot k's value edit sits, for n slots in use.
PixelRect ValueEditRect(int k, int n);

// "<name> Out of range."
std::string OutOfRangeMessage(std::string_view name);

// The dialog's report of a value out of range: OutOfRangeMessage, then
// "Allowed: <low> to <high>" on a second line, the bounds as written.
std::string OutOfRangeReport(std::string_view name, std::string_view hint);

// A slot's hint in words, for its tooltip: the choices, the options, the
// helper program or the range it asks for; empty for an empty hint.
std::string DescribeHint(std::string_view hint);

} // namespace tovel
