// The text of the source view: a function's source block or a whole file.
#pragma once

#include "common/ByteLines.h"
#include "library/LineReader.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// Tab stops every 4 columns: each tab becomes 4 - (column mod 4) blanks.
std::string ExpandTabs(std::string_view line);

// The file that should hold the routine's source. For a header library it is
// the header's folder + routine name (RoutineNameOf) + ".s"; when the
// prototype has no routine name the result is the folder alone. Any
// other library holds its routines' sources itself.
std::string SourcePathFor(std::string_view libraryPath, std::string_view prototype);

// True when the line ends a source block: a word of it (a run of letters,
// digits and '_') is "END" or "ENDMOD", in capitals; "ENDIF", "ENDM",
// "SENDBYTE" or "end" do not end it.
bool IsBlockEndLine(std::string_view line);

// The start line of the block: a prototype comment line in which the first
// occurrence of the prototype text stands at position 23 or later.
bool IsBlockStartLine(std::string_view line, std::string_view prototype);

// The whole text as "Show" displays it: every line tab-expanded, until the
// source gives an empty line.
std::string ReadWholeForView(LineSource& source);

// How much of a file the source view holds at most. The view keeps the text
// in memory once (with its line index about 1.2 times the text), so a file of
// gigabytes picked by mistake would fill the memory; this is three times a
// library of 100,000 routines.
inline constexpr size_t kSourceViewMaxBytes = 64 * 1024 * 1024;

// The source block as the view shows it: from the start line through the
// closing line (or to the end of the input when none follows). Lines keep
// their own line ends; tabs are expanded, except on the closing line, where
// each tab becomes one blank. Empty when the start line is not found or the
// prototype is empty. A block that would pass maxBytes holds the whole lines
// that fit and then BlockCutNote as a line of its own; the rest of the source
// is not read.
std::string ExtractSourceBlock(LineSource& source, std::string_view prototype, size_t maxBytes = kSourceViewMaxBytes);

// "... (the rest of the routine is not shown: the view holds at most <size>)"
std::string BlockCutNote(size_t maxBytes);

// The line that ends a view that was cut: "... (the rest of the file is not
// shown: the view holds at most <size>)", the size in MB, KB or bytes.
std::string ViewCutNote(size_t maxBytes);

// As above, but holding whole tab-expanded lines of at most maxBytes bytes
// in all. When more lines follow, reading stops there and ViewCutNote ends the
// text as a line of its own; the rest of the source is not read.
std::string ReadWholeForView(LineSource& source, size_t maxBytes);

// How the source view sets a line off, so that a routine's interface stands
// out: a prototype comment line, or one of the hint lines right after it
// (a comment reading "name:{...}", at most kMaxToneHintLines of them).
enum class LineTone { Plain, Prototype, Hint };
inline constexpr size_t kMaxToneHintLines = 16;
LineTone ToneOfLine(const ByteLines& lines, size_t line);

// The ".c" variant of a source path: its last byte replaced by 'c'.
std::string CVariantPath(std::string_view sourcePath);

// The files that may hold a routine's source, in the order they are tried:
// the source path, the same with its last letter in the other case (a
// header's "NAME.s" is often "NAME.S" where names keep their case), then the
// ".c" variant in both cases. No path comes twice.
std::vector<std::string> SourcePathCandidates(std::string_view sourcePath);

} // namespace tovel
