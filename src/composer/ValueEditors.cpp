#include "composer/ValueEditors.h"

#include "common/ByteText.h"
#include "composer/PrototypeParser.h"

#include <algorithm>
#include <cstdlib>

namespace tovel {

namespace {

constexpr int kListY = 355;
constexpr int kListWidth = 170;
constexpr int kListHeight = 70;

// The positions divide by the slot count; the handlers only run for shown
// slots, so n >= 1, but a stray 0 must not divide by zero.
int SafeSlotCount(int n)
{
    return n < 1 ? 1 : n;
}

long long ToNumber(std::string_view text)
{
    const std::string copy(text); // strtoll needs the terminating zero
    return std::strtoll(copy.c_str(), nullptr, 0);
}

} // namespace

HintKind ClassifyHint(std::string_view hint)
{
    if (Find(hint, '|') > 0)
        return HintKind::OptionList;
    if (Find(hint, ".exe") > 0)
        return HintKind::ToolProgram;
    return HintKind::None;
}

std::vector<std::string> SplitOptionList(std::string_view hint)
{
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t bar = hint.find('|', start);
        if (bar == std::string_view::npos) {
            items.emplace_back(hint.substr(start));
            return items;
        }
        items.emplace_back(hint.substr(start, bar - start));
        start = bar + 1;
    }
}

std::string JoinOptionSelection(const std::vector<std::string>& selectedItems)
{
    std::string value;
    for (const std::string& item : selectedItems) {
        if (!value.empty())
            value += '|';
        value += item;
    }
    return value;
}

std::optional<RangeHint> ParseRangeHint(std::string_view hint)
{
    const size_t from = !hint.empty() && hint.front() == '-' ? 2 : 1;
    const size_t p = hint.size() > from ? hint.find('-', from) : std::string_view::npos;
    if (p == std::string_view::npos)
        return std::nullopt;
    return RangeHint{std::string(hint.substr(0, p)), std::string(hint.substr(p + 1))};
}

bool IsRangeCandidate(std::string_view value)
{
    if (value.empty())
        return false;
    const char b = value.front();
    return (b >= '0' && b <= '9') || b == '-' || static_cast<signed char>(b) <= '+';
}

int CompareToRange(std::string_view low, std::string_view high, std::string_view value)
{
    const long long v = ToNumber(value);
    if (v < ToNumber(low))
        return -1;
    if (v > ToNumber(high))
        return 1;
    return 0;
}

bool IsOutOfRange(std::string_view hint, std::string_view value)
{
    if (value.empty())
        return false;
    const auto range = ParseRangeHint(hint);
    return range && IsRangeCandidate(value) && CompareToRange(range->low, range->high, value) != 0;
}

std::string BuildToolCommand(std::string_view libPath, std::string_view hint)
{
    std::string command = Left(libPath, LastPathSep(libPath) + 1);
    command += hint;
    return command;
}

PixelRect OptionListRect(int k, int n)
{
    // In its row, slot k opens its list as in a panel of that row's slots:
    // the first two columns under their edits, the others at x 310.
    const int row = (std::max(k, 1) - 1) / kSlotsPerRow;
    const int column = k - row * kSlotsPerRow;
    const int inRow = std::min(kSlotsPerRow, SafeSlotCount(n) - row * kSlotsPerRow);
    const int y = kListY + row * kPanelRowHeight;
    switch (column) {
    case 1:
        return {130, y, kListWidth, kListHeight};
    case 2:
        return {130 + 360 / SafeSlotCount(inRow), y, kListWidth, kListHeight};
    default:
        return {310, y, kListWidth, kListHeight};
    }
}

PixelRect ValueEditRect(int k, int n)
{
    const PanelLayout layout = LayoutParameterPanel(std::max(SafeSlotCount(n), k));
    return layout.values[static_cast<size_t>(std::clamp(k, 1, kMaxSlots) - 1)];
}

std::string OutOfRangeMessage(std::string_view name)
{
    std::string message(name);
    message += " Out of range.";
    return message;
}

std::string OutOfRangeReport(std::string_view name, std::string_view hint)
{
    std::string message = OutOfRangeMessage(name);
    if (const auto range = ParseRangeHint(hint))
        message += "\nAllowed: " + range->low + " to " + range->high;
    return message;
}

std::string DescribeHint(std::string_view hint)
{
    if (hint.empty())
        return {};
    auto listOf = [](const std::vector<std::string>& items) {
        std::string text;
        for (const std::string& item : items)
            text += (text.empty() ? "" : ", ") + (item.empty() ? std::string("(empty)") : item);
        return text;
    };
    if (IsChoiceHint(hint))
        return "One of: " + listOf(SplitChoiceHint(hint)) + " (or type another value)";
    switch (ClassifyHint(hint)) {
    case HintKind::OptionList:
        return "Options, one or more joined with '|': " + listOf(SplitOptionList(hint));
    case HintKind::ToolProgram:
        return "Helper program: " + std::string(hint)
            + ", run from the library's folder when the field takes the focus";
    case HintKind::None:
        break;
    }
    if (const auto range = ParseRangeHint(hint))
        return "Allowed: " + range->low + " to " + range->high;
    return "Hint: " + std::string(hint);
}

} // namespace tovel
