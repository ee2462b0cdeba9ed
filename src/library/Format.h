// The library source format: the lines and names Tovel reads in a library,
// each rule written once. The scanner, the source view, the parameter
// panel and the library checks all call these, so what one of them reads
// the others read too.
//
// The identifier bytes (IsIdentifierByte, IsIdentifierStartByte,
// IsIdentifier) are in common/ByteText.h, because the routine name rule of
// the lowest layer uses them as well.
#pragma once

#include "common/ByteText.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// ---- Prototype comment lines

// The two markers that open a prototype comment line (23 bytes each). They
// differ only in their first byte, the comment character.
inline constexpr std::string_view kPrototypeMarkerSemicolon = "; C Function prototype:";
inline constexpr std::string_view kPrototypeMarkerAt = "@ C Function prototype:";
inline constexpr size_t kPrototypeMarkerLength = 23;

// What the two markers share after their first byte: every prototype
// comment line holds it.
inline constexpr std::string_view kPrototypeMarkerTail = kPrototypeMarkerSemicolon.substr(1);
static_assert(kPrototypeMarkerAt.substr(1) == kPrototypeMarkerTail && kPrototypeMarkerTail.back() == ':');
static_assert(kPrototypeMarkerSemicolon.size() == kPrototypeMarkerLength);

// The comment characters of a library: ';' and '@'.
bool IsCommentByte(char c);

// True when the line starts, in its first byte, with one of the two markers.
bool StartsWithPrototypeMarker(std::string_view line);

// The white space the prototype may follow the marker with: blanks, tabs,
// carriage returns, line feeds, vertical tabs and form feeds.
bool IsMarkerSpace(char c);

// The text without its leading white space (IsMarkerSpace).
std::string_view SkipMarkerSpace(std::string_view text);

// The text with every occurrence of either marker removed.
std::string RemovePrototypeMarkers(std::string_view text);

// The start line of a routine's block, as the parameter panel, the source
// view and the checks find it: a prototype comment line in which the first
// occurrence of the prototype stands at position 23 or later, the line's
// first byte read as ';' (so an '@' line reads like a ';' line).
bool IsBlockStartLine(std::string_view line, std::string_view prototype);

// The same rule for a line known to begin with a marker, given where the
// prototype first occurs in it at position 1 or later (npos: nowhere). Only
// position 0 depends on the first byte, which this looks at itself.
bool IsBlockStartAt(std::string_view line, std::string_view prototype, size_t firstFromOne);

// True when the line ends a source block: a word of it (a run of
// identifier bytes) is "END" or "ENDMOD", in capitals; "ENDIF", "ENDM",
// "SENDBYTE" or "end" do not end it.
bool IsBlockEndLine(std::string_view line);

// ---- Hint lines

// What is wrong with a hint line that names a parameter.
enum class HintFault {
    NoClosingBrace, // no '}' follows the '{': the hint reads as empty
    BraceInHint,    // a '{' stands inside the hint
};

// A hint line as the parameter panel reads it: a comment line whose text,
// every blank and tab left out, reads ";name:{hint}" ('@' for ';', any
// number of '*' before the name). The name is what stands between the stars
// and the first ":{", the hint what stands between that '{' and the first
// '}' after it; anything after the '}' is ignored.
struct HintLine {
    std::string name; // empty: the line names no parameter
    std::string hint;
    std::vector<HintFault> faults;
};
HintLine ParseHintLine(std::string_view line);

// The hint the line gives the parameter name: the hint when the line names
// it, empty otherwise.
std::string MatchHintLine(std::string_view line, std::string_view name);

// ---- Prototype spacing

// Tabs become blanks, runs of blanks become one, and blanks next to ',',
// around '(' and before ')' go; with blankAfterComma each ',' is then
// followed by one blank (the function list's form of a header declaration).
// The steps run in this order: a blank put after a ',' stays before a '('
// or ')' that follows it.
void NormaliseSpacing(std::string& text, bool blankAfterComma);

// The parameter panel's form of a prototype: NormaliseSpacing without the
// blank after ','.
std::string NormalizePrototype(std::string_view text);

// ---- Where a routine's source lies

// True when the path's file name ends in ".h" or ".H" (its last two bytes).
// Decides both how a library is scanned and where its sources are looked up.
bool IsHeaderLibrary(std::string_view path);

// The file that should hold the routine's source. For a header library it is
// the header's folder + routine name (RoutineNameOf) + ".s"; when the
// prototype has no routine name the result is the folder alone. Any
// other library holds its routines' sources itself.
std::string SourcePathFor(std::string_view libraryPath, std::string_view prototype);

// The ".c" variant of a source path: its last byte replaced by 'c'.
std::string CVariantPath(std::string_view sourcePath);

// The files that may hold a routine's source, in the order they are tried:
// the source path, the same with its last letter in the other case (a
// header's "NAME.s" is often "NAME.S" where names keep their case), then the
// ".c" variant in both cases. No path comes twice.
std::vector<std::string> SourcePathCandidates(std::string_view sourcePath);

// The first of SourcePathCandidates(sourcePath) that opens (as opens tells,
// called in that order until one answers true); nothing when none does.
std::optional<std::string> ChooseSourceFile(std::string_view sourcePath,
                                            const std::function<bool(const std::string&)>& opens);

} // namespace tovel
