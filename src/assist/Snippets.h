// Editor snippets from a library: one per routine, whose body is the call
// that Copy composes with a placeholder per parameter slot.
#pragma once

#include "assist/RoutineBlocks.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel::cli {

enum class SnippetFormat { VsCode, UltiSnips, Lsp };

// "vscode", "ultisnips", "lsp"
std::optional<SnippetFormat> ParseSnippetFormat(std::string_view name);

// Text of a snippet body with '$', '}' and '\' escaped by a backslash.
std::string EscapeSnippetText(std::string_view text);
// The same inside a choice, where ',' and '|' are escaped too.
std::string EscapeSnippetChoice(std::string_view text);

struct Snippet {
    std::string key;         // the prototype text, one line
    std::string prefix;      // the routine name
    std::string body;        // in the VS Code / LSP snippet grammar
    std::string description; // the prototype, and the ranges and option lists
    std::string ultiBody;    // the body for UltiSnips (no choice placeholders there)
};

// The snippet of one routine; nothing when its prototype comment line was
// not found or it has no routine name. Without choices, a choice or option
// list slot's placeholder is its parameter's name, as a range slot's is (for
// editors that insert choice placeholders as text).
std::optional<Snippet> MakeSnippet(const std::string& libraryPath, const RoutinePanel& routine, bool choices = true);

// The file in pieces, for writing it as the snippets come: its head, each
// snippet's entry (first tells the first entry) and its tail (any tells that
// an entry was written).
std::string SnippetsHead(SnippetFormat format);
std::string SnippetEntry(const Snippet& snippet, SnippetFormat format, bool first);
std::string SnippetsTail(SnippetFormat format, bool any);

// The whole file in the format, for the snippets in order (equal keys once).
std::string WriteSnippets(const std::vector<Snippet>& snippets, SnippetFormat format);

} // namespace tovel::cli
