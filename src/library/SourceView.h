// The text of the source view: a function's source block or a whole file.
#pragma once

#include "common/ByteLines.h"
#include "library/Format.h" // the block start and end lines, the source paths
#include "library/LineReader.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// Tab stops every 4 columns: each tab becomes 4 - (column mod 4) blanks.
std::string ExpandTabs(std::string_view line);

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
// (lines that name a parameter as ParseHintLine reads them, at most
// kMaxToneHintLines of them).
enum class LineTone { Plain, Prototype, Hint };
inline constexpr size_t kMaxToneHintLines = 16;
LineTone ToneOfLine(const ByteLines& lines, size_t line);

} // namespace tovel
