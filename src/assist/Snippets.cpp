#include "assist/Snippets.h"

#include "assist/Json.h"
#include "assist/Routine.h"
#include "composer/CallText.h"

#include <unordered_set>

namespace tovel::cli {

namespace {

std::string Escaped(std::string_view text, std::string_view special)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (special.find(c) != std::string_view::npos)
            out += '\\';
        out += c;
    }
    return out;
}

// UltiSnips reads '$', '`', '}' and '\' in a body; a line end would end the body.
std::string EscapeUltiSnips(std::string_view text)
{
    std::string out;
    for (char c : Escaped(text, "\\$`}"))
        out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    return out;
}

std::string OneLine(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return out;
}

} // namespace

std::optional<SnippetFormat> ParseSnippetFormat(std::string_view name)
{
    if (name == "vscode")
        return SnippetFormat::VsCode;
    if (name == "ultisnips")
        return SnippetFormat::UltiSnips;
    if (name == "lsp")
        return SnippetFormat::Lsp;
    return std::nullopt;
}

std::string EscapeSnippetText(std::string_view text)
{
    return Escaped(text, "$}\\");
}

std::string EscapeSnippetChoice(std::string_view text)
{
    return Escaped(text, "$}\\,|");
}

std::optional<Snippet> MakeSnippet(const std::string& libraryPath, const RoutinePanel& routine, bool choices)
{
    const ParameterPanelModel& panel = routine.panel;
    const std::string name = RoutineNameOf(routine.prototype);
    if (!routine.found || name.empty())
        return std::nullopt;

    Snippet snippet;
    snippet.key = ListLine(routine.prototype);
    snippet.prefix = name;
    snippet.description = snippet.key;
    std::vector<std::string> slots, ultiSlots;
    for (int k = 0; k < panel.nParams; ++k) {
        const auto i = static_cast<size_t>(k);
        const SlotInfo slot = DescribeSlot(libraryPath, panel.names[i], panel.hints[i], panel.values[i]);
        const std::string number = std::to_string(k + 1);
        std::string placeholder = "${" + number + ":" + EscapeSnippetText(slot.name) + "}";
        std::string ulti = "${" + number + ":" + EscapeUltiSnips(slot.name) + "}";
        if (slot.kind == SlotKind::Choice || slot.kind == SlotKind::OptionList) {
            if (choices) {
                placeholder = "${" + number + "|";
                for (size_t item = 0; item < slot.items.size(); ++item)
                    placeholder += (item ? "," : "") + EscapeSnippetChoice(slot.items[item]);
                placeholder += "|}";
            }
            ulti = "${" + number + ":" + EscapeUltiSnips(slot.items.front()) + "}";
            snippet.description += "\n" + slot.name + (slot.kind == SlotKind::Choice ? ": one of {" : ": options {")
                + slot.hint + "}" + (slot.kind == SlotKind::OptionList ? ", joined with |" : "");
        } else if (slot.kind == SlotKind::Range) {
            snippet.description += "\n" + slot.name + ": " + slot.range->low + " to " + slot.range->high;
        }
        slots.push_back(std::move(placeholder));
        ultiSlots.push_back(std::move(ulti));
    }
    std::vector<std::string> extra, ultiExtra;
    if (panel.nParams == kMaxSlots) {
        for (const std::string& more : panel.extraNames) {
            extra.push_back(EscapeSnippetText(more));
            ultiExtra.push_back(EscapeUltiSnips(more));
        }
    }
    snippet.body = ComposeCallText(EscapeSnippetText(panel.function), slots, extra);
    snippet.ultiBody = ComposeCallText(EscapeUltiSnips(panel.function), ultiSlots, ultiExtra);
    return snippet;
}

std::string SnippetsHead(SnippetFormat format)
{
    return format == SnippetFormat::VsCode ? "{" : format == SnippetFormat::Lsp ? "[" : "";
}

std::string SnippetEntry(const Snippet& s, SnippetFormat format, bool first)
{
    switch (format) {
    case SnippetFormat::VsCode:
        return (first ? "\n  " : ",\n  ") + JsonQuote(s.key)
            + ": {\n    \"scope\": \"c,cpp\",\n    \"prefix\": " + JsonQuote(s.prefix) + ",\n    \"body\": ["
            + JsonQuote(s.body) + "],\n    \"description\": " + JsonQuote(s.description) + "\n  }";
    case SnippetFormat::Lsp:
        // A completion item of kind Snippet (15) whose text is a snippet (format 2).
        return (first ? "\n  " : ",\n  ") + std::string("{\"label\": ") + JsonQuote(s.prefix)
            + ", \"kind\": 15, \"detail\": " + JsonQuote(s.key) + ", \"documentation\": " + JsonQuote(s.description)
            + ", \"insertTextFormat\": 2, \"insertText\": " + JsonQuote(s.body) + "}";
    case SnippetFormat::UltiSnips:
        break;
    }
    std::string description = OneLine(s.description);
    for (char& c : description)
        if (c == '"')
            c = '\'';
    return "snippet " + s.prefix + " \"" + description + "\"\n" + s.ultiBody + "\nendsnippet\n\n";
}

std::string SnippetsTail(SnippetFormat format, bool any)
{
    if (format == SnippetFormat::UltiSnips)
        return {};
    return std::string(any ? "\n" : "") + (format == SnippetFormat::VsCode ? "}\n" : "]\n");
}

std::string WriteSnippets(const std::vector<Snippet>& snippets, SnippetFormat format)
{
    std::string out = SnippetsHead(format);
    std::unordered_set<std::string_view> keys;
    bool first = true;
    for (const Snippet& s : snippets) {
        if (!keys.insert(s.key).second)
            continue;
        out += SnippetEntry(s, format, first);
        first = false;
    }
    return out + SnippetsTail(format, !first);
}

} // namespace tovel::cli
