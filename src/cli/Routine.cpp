#include "cli/Routine.h"

#include "cli/Json.h"
#include "common/ByteText.h"
#include "composer/CallText.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <algorithm>
#include <cstdlib>

namespace tovel::cli {

namespace {

bool IsIdentChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

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

void AddDistinct(std::vector<std::string>& list, std::string item)
{
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(std::move(item));
}

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

std::optional<std::vector<std::string>> ReadFunctionList(const std::string& libraryPath)
{
    FileLineReader reader;
    if (!reader.Open(libraryPath))
        return std::nullopt;
    std::vector<std::string> items = CollectPrototypes(reader, IsHeaderLibrary(libraryPath));
    SortFunctionList(items);
    return items;
}

std::string ListLine(std::string_view item)
{
    while (!item.empty() && (item.back() == '\n' || item.back() == '\r'))
        item.remove_suffix(1);
    return std::string(item);
}

std::string RoutineNameOf(std::string_view prototype)
{
    const int paren = Find(prototype, '(');
    if (paren < 0)
        return {};
    size_t end = static_cast<size_t>(paren);
    while (end > 0 && (prototype[end - 1] == ' ' || prototype[end - 1] == '\t'))
        --end;
    size_t begin = end;
    while (begin > 0 && IsIdentChar(prototype[begin - 1]))
        --begin;
    while (begin < end && prototype[begin] >= '0' && prototype[begin] <= '9')
        ++begin;
    return std::string(prototype.substr(begin, end - begin));
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

    std::vector<std::string> named;
    for (const std::string& item : items)
        if (RoutineNameOf(item) == query)
            AddDistinct(named, item);
    if (named.size() == 1) {
        match.result = FunctionMatch::Result::Found;
        match.prototype = named.front();
        return match;
    }
    if (named.size() > 1) {
        match.result = FunctionMatch::Result::Ambiguous;
        for (const std::string& item : named)
            AddDistinct(match.candidates, ListLine(item));
        return match;
    }

    // Unknown: offer the routines whose names resemble the query.
    const std::string key = Find(query, '(') >= 0 ? RoutineNameOf(query) : std::string(query);
    match.result = FunctionMatch::Result::Unknown;
    for (const std::string& item : items) {
        const std::string name = RoutineNameOf(item);
        if ((!key.empty() && ContainsNoCase(name, key)) || EqualsNoCase(ListLine(item), query))
            AddDistinct(match.candidates, ListLine(item));
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

RoutineView LoadRoutine(const std::string& libraryPath, const std::string& prototype)
{
    RoutineView view;
    view.libraryPath = libraryPath;
    view.prototype = prototype;
    view.sourcePath = SourcePathFor(libraryPath, prototype);

    FileLineReader reader;
    if (!reader.Open(view.sourcePath)) {
        view.sourcePath = CVariantPath(view.sourcePath);
        reader.Open(view.sourcePath);
    }
    view.sourceFound = reader.IsOpen();
    if (view.sourceFound) {
        view.block = ExtractSourceBlock(reader, prototype);
        view.prototypeFound = !view.block.empty();
        reader.Open(view.sourcePath);
    }
    view.panel = ParsePrototypeSource(ParameterPanelModel {}, prototype, reader.IsOpen() ? &reader : nullptr);
    for (int k = 0; k < view.panel.nParams; ++k) {
        const auto i = static_cast<size_t>(k);
        view.slotList.push_back(DescribeSlot(libraryPath, view.panel.names[i], view.panel.hints[i], view.panel.values[i]));
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
        } else if (!value.empty()) {
            const auto range = ParseRangeHint(slot.hint);
            if (range && IsRangeCandidate(value) && CompareToRange(range->low, range->high, value) != 0)
                result.rangeMessages.push_back(OutOfRangeMessage(slot.name));
        }
        arguments.push_back(std::move(value));
    }
    static const std::vector<std::string> kNone;
    const auto& extra = arguments.size() == static_cast<size_t>(kMaxSlots) ? routine.panel.extraNames : kNone;
    result.text = ComposeCallText(routine.panel.function, arguments, extra);
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
        line("past the fourth", names);
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
        if (!IsValidUtf8(value))
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
        if (!std::all_of(slot.items.begin(), slot.items.end(), IsValidUtf8))
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
    if (!std::all_of(routine.panel.extraNames.begin(), routine.panel.extraNames.end(), IsValidUtf8))
        field("  ", "extra_bytes", JsonByteArray(routine.panel.extraNames));
    field("  ", "extra", JsonStringArray(routine.panel.extraNames), true);
    json += "}\n";
    return json;
}

} // namespace tovel::cli
