#include "composer/RoutineCall.h"

#include "common/ByteText.h"
#include "common/NoCaseOrder.h"
#include "common/RoutineName.h"
#include "composer/Routine.h"
#include "composer/ToolProgram.h"

#include <unordered_set>

namespace tovel {

namespace {

bool ContainsNoCase(std::string_view text, std::string_view what)
{
    if (what.empty())
        return true;
    if (what.size() > text.size())
        return false;
    for (size_t i = 0; i + what.size() <= text.size(); ++i)
        if (EqualsNoCase(text.substr(i, what.size()), what))
            return true;
    return false;
}

// Collects items once each, in the order first seen, in linear time.
class DistinctList {
public:
    explicit DistinctList(std::vector<std::string>& list) : m_list(list) {}
    void Add(std::string item)
    {
        if (m_seen.insert(item).second)
            m_list.push_back(std::move(item));
    }

private:
    std::vector<std::string>& m_list;
    std::unordered_set<std::string> m_seen;
};

} // namespace

std::string ListLine(std::string_view item)
{
    while (!item.empty() && (item.back() == '\n' || item.back() == '\r'))
        item.remove_suffix(1);
    return std::string(item);
}

FunctionMatch MatchFunction(const TextList& items, std::string_view query)
{
    FunctionMatch match;
    for (const std::string_view item : items) {
        if (item == query || ListLine(item) == query) {
            match.result = FunctionMatch::Result::Found;
            match.prototype = item;
            return match;
        }
    }

    // Items that differ only in their line ends are one routine as listed.
    std::vector<std::string> named;
    {
        std::unordered_set<std::string> seenLines;
        for (const std::string_view item : items)
            if (RoutineNameOf(item) == query && seenLines.insert(ListLine(item)).second)
                named.emplace_back(item);
    }
    if (named.size() == 1) {
        match.result = FunctionMatch::Result::Found;
        match.prototype = named.front();
        return match;
    }
    if (named.size() > 1) {
        match.result = FunctionMatch::Result::Ambiguous;
        DistinctList candidates(match.candidates);
        for (const std::string& item : named)
            candidates.Add(ListLine(item));
        return match;
    }

    // Unknown: offer the routines whose names resemble the query.
    const std::string key = Find(query, '(') >= 0 ? RoutineNameOf(query) : std::string(query);
    match.result = FunctionMatch::Result::Unknown;
    DistinctList candidates(match.candidates);
    for (const std::string_view item : items) {
        const std::string name = RoutineNameOf(item);
        if ((!key.empty() && ContainsNoCase(name, key)) || EqualsNoCase(ListLine(item), query))
            candidates.Add(ListLine(item));
    }
    return match;
}

std::string_view SlotKindName(SlotKind kind)
{
    switch (kind) {
    case SlotKind::Choice:
        return "choice";
    case SlotKind::OptionList:
        return "option list";
    case SlotKind::Range:
        return "range";
    case SlotKind::ToolProgram:
        return "tool program";
    case SlotKind::None:
        break;
    }
    return "none";
}

SlotInfo DescribeSlot(std::string_view libraryPath, std::string_view name, std::string_view hint,
                      std::string_view value)
{
    SlotInfo slot;
    slot.name = std::string(name);
    slot.hint = std::string(hint);
    if (IsChoiceHint(hint)) {
        slot.kind = SlotKind::Choice;
        slot.items = SplitChoiceHint(hint);
    } else {
        switch (ClassifyHint(hint)) {
        case HintKind::OptionList:
            slot.kind = SlotKind::OptionList;
            slot.items = SplitOptionList(hint);
            break;
        case HintKind::ToolProgram:
            slot.kind = SlotKind::ToolProgram;
            slot.tool = BuildToolCommand(libraryPath, hint);
            break;
        case HintKind::None:
            slot.range = ParseRangeHint(hint);
            if (slot.range)
                slot.kind = SlotKind::Range;
            break;
        }
    }
    // The untouched combo has its first item selected.
    slot.preset = CopiedSlotValue(
        value, slot.kind == SlotKind::Choice ? std::optional<std::string>(slot.items.front()) : std::nullopt, "");
    return slot;
}

std::string CopiedSlotValue(std::string_view editText, const std::optional<std::string>& selectedItem,
                            std::string_view comboText)
{
    if (!editText.empty())
        return std::string(editText);
    return selectedItem ? *selectedItem : std::string(comboText);
}

CallResult ComposeRoutineCall(const ParameterPanelModel& panel, const std::vector<SlotInfo>& slots,
                              const std::vector<std::string>& values, bool usePresets)
{
    CallResult result;
    std::vector<std::string> arguments;
    for (size_t k = 0; k < slots.size(); ++k) {
        const SlotInfo& slot = slots[k];
        if (k >= values.size()) {
            arguments.push_back(usePresets ? slot.preset : std::string());
            continue;
        }
        std::string value = values[k];
        if (slot.kind == SlotKind::Choice) {
            // Typed text selects the item it names, whatever its letter case.
            const int item = FindStringExact(slot.items, value);
            if (item >= 0)
                value = slot.items[static_cast<size_t>(item)];
        } else if (IsOutOfRange(slot.hint, value)) {
            result.rangeMessages.push_back(OutOfRangeReport(slot.name, slot.hint));
        }
        arguments.push_back(std::move(value));
    }
    result.text = ComposeRoutineCallText(panel.function, arguments, panel.extraNames);
    return result;
}

} // namespace tovel
