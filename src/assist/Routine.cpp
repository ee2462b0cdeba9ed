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

ReadResult<TextList> ReadFunctionTextList(const std::string& libraryPath)
{
    FileLineReader reader;
    if (!reader.Open(libraryPath))
        return ReadErrorOf(ReadError::Subject::Library, libraryPath, reader);
    TextList items = CollectPrototypeList(reader, IsHeaderLibrary(libraryPath));
    if (!reader.Failure().empty())
        return ReadErrorOf(ReadError::Subject::Library, libraryPath, reader);
    SortFunctionList(items);
    return items;
}

ReadResult<std::vector<std::string>> ReadFunctionList(const std::string& libraryPath)
{
    auto items = ReadFunctionTextList(libraryPath);
    if (!items)
        return items.Error();
    return items->ToVector();
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
    return tovel::ComposeRoutineCall(routine.panel, routine.slotList, values, usePresets);
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
