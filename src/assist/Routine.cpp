#include "assist/Routine.h"

#include "assist/Json.h"
#include "common/ByteText.h"
#include "common/LineCells.h"
#include "composer/Routine.h"
#include "library/LineReader.h"
#include "library/Scanner.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_set>

namespace tovel::cli {

namespace {

// The conversion the range check makes (strtol rules, base 0, 64 bits).
long long RangeValue(const std::string& text)
{
    return std::strtoll(text.c_str(), nullptr, 0);
}

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

std::string ItemsText(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty())
            text += " | ";
        text += item.empty() ? "(empty)" : item;
    }
    return text;
}

std::string JsonStringArray(const std::vector<std::string>& items)
{
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += ", ";
        text += JsonQuote(items[i]);
    }
    text += "]";
    return text;
}

std::string JsonByteArray(const std::vector<std::string>& items)
{
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i)
        text += (i > 0 ? ", " : "") + JsonByteString(items[i]);
    return text + "]";
}

} // namespace

ReadResult<std::vector<std::string>> ReadFunctionList(const std::string& libraryPath)
{
    FileLineReader reader;
    if (!reader.Open(libraryPath))
        return ReadErrorOf(ReadError::Subject::Library, libraryPath, reader);
    std::vector<std::string> items = CollectPrototypes(reader, IsHeaderLibrary(libraryPath));
    if (!reader.Failure().empty())
        return ReadErrorOf(ReadError::Subject::Library, libraryPath, reader);
    SortFunctionList(items);
    return items;
}

std::string ListLine(std::string_view item)
{
    while (!item.empty() && (item.back() == '\n' || item.back() == '\r'))
        item.remove_suffix(1);
    return std::string(item);
}

FunctionMatch MatchFunction(const std::vector<std::string>& items, std::string_view query)
{
    FunctionMatch match;
    for (const std::string& item : items) {
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
        for (const std::string& item : items)
            if (RoutineNameOf(item) == query && seenLines.insert(ListLine(item)).second)
                named.push_back(item);
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
    for (const std::string& item : items) {
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
    // Copy reads the value edit first, then the combo's selected item.
    slot.preset = std::string(value);
    if (slot.preset.empty() && slot.kind == SlotKind::Choice)
        slot.preset = slot.items.front();
    return slot;
}

RoutineView LoadRoutine(const std::string& libraryPath, const std::string& prototype, bool withBlock)
{
    LoadedRoutine loaded = tovel::LoadRoutine(libraryPath, prototype, withBlock);
    RoutineView view;
    view.libraryPath = libraryPath;
    view.prototype = prototype;
    view.sourcePath = std::move(loaded.block.openedPath);
    view.sourceFound = loaded.block.sourceFound;
    view.prototypeFound = loaded.block.startFound;
    view.block = std::move(loaded.block.text);
    view.panel = std::move(loaded.panel);
    for (int k = 0; k < view.panel.nParams; ++k) {
        const auto i = static_cast<size_t>(k);
        view.slotList.push_back(
            DescribeSlot(libraryPath, view.panel.names[i], view.panel.hints[i], view.panel.values[i]));
    }
    return view;
}

CallResult ComposeRoutineCall(const RoutineView& routine, const std::vector<std::string>& values, bool usePresets)
{
    CallResult result;
    std::vector<std::string> arguments;
    for (size_t k = 0; k < routine.slotList.size(); ++k) {
        const SlotInfo& slot = routine.slotList[k];
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
    result.text = ComposeRoutineCallText(routine.panel.function, arguments, routine.panel.extraNames);
    return result;
}

std::string FormatParamsText(const RoutineView& routine)
{
    std::string text;
    auto line = [&](std::string_view key, std::string_view value) {
        text.append(key);
        text += ':';
        if (!value.empty()) {
            text += ' ';
            text.append(value);
        }
        text += '\n';
    };
    line("prototype", ListLine(routine.prototype));
    line("source", routine.sourcePath);
    line("type", routine.panel.type);
    line("function", routine.panel.function);
    line("slots", std::to_string(routine.slotList.size()));
    for (size_t k = 0; k < routine.slotList.size(); ++k) {
        const SlotInfo& slot = routine.slotList[k];
        line("slot " + std::to_string(k + 1), slot.name);
        line("  hint", slot.hint);
        line("  kind", SlotKindName(slot.kind));
        if (slot.kind == SlotKind::Choice || slot.kind == SlotKind::OptionList)
            line("  items", ItemsText(slot.items));
        if (slot.range)
            line("  range", slot.range->low + " to " + slot.range->high);
        if (!slot.tool.empty())
            line("  tool", slot.tool);
        line("  preset", slot.preset);
    }
    if (!routine.panel.extraNames.empty()) {
        std::string names;
        for (const std::string& name : routine.panel.extraNames)
            names += (names.empty() ? "" : ", ") + name;
        line("past the slots", names);
    }
    return text;
}

std::string FormatParamsJson(const RoutineView& routine)
{
    std::string json = "{\n";
    auto field = [&](std::string_view indent, std::string_view key, const std::string& value, bool last = false) {
        json.append(indent);
        json += JsonQuote(key);
        json += ": ";
        json += value;
        json += last ? "\n" : ",\n";
    };
    // A text that is not UTF-8 also gets a "KEY_bytes" member that gives its bytes back.
    auto text = [&](std::string_view indent, std::string_view key, std::string_view value, bool last = false) {
        if (!IsUtf8(value))
            field(indent, std::string(key) + "_bytes", JsonByteString(value));
        field(indent, key, JsonQuote(value), last);
    };
    text("  ", "library", routine.libraryPath);
    text("  ", "prototype", ListLine(routine.prototype));
    text("  ", "source", routine.sourcePath);
    text("  ", "type", routine.panel.type);
    text("  ", "function", routine.panel.function);
    json += "  \"slots\": [";
    for (size_t k = 0; k < routine.slotList.size(); ++k) {
        const SlotInfo& slot = routine.slotList[k];
        json += k == 0 ? "\n    {\n" : ",\n    {\n";
        field("      ", "slot", std::to_string(k + 1));
        text("      ", "name", slot.name);
        text("      ", "hint", slot.hint);
        field("      ", "kind", JsonQuote(SlotKindName(slot.kind)));
        if (!std::all_of(slot.items.begin(), slot.items.end(), IsUtf8))
            field("      ", "items_bytes", JsonByteArray(slot.items));
        field("      ", "items", JsonStringArray(slot.items));
        std::string range = "null";
        if (slot.range) {
            range = "{" + JsonTextMember("low", slot.range->low) + ", " + JsonTextMember("high", slot.range->high)
                + ", \"lowValue\": " + std::to_string(RangeValue(slot.range->low))
                + ", \"highValue\": " + std::to_string(RangeValue(slot.range->high)) + "}";
        }
        field("      ", "range", range);
        if (slot.tool.empty())
            field("      ", "tool", "null");
        else
            text("      ", "tool", slot.tool);
        text("      ", "preset", slot.preset, true);
        json += "    }";
    }
    json += routine.slotList.empty() ? "],\n" : "\n  ],\n";
    if (!std::all_of(routine.panel.extraNames.begin(), routine.panel.extraNames.end(), IsUtf8))
        field("  ", "extra_bytes", JsonByteArray(routine.panel.extraNames));
    field("  ", "extra", JsonStringArray(routine.panel.extraNames), true);
    json += "}\n";
    return json;
}

} // namespace tovel::cli
