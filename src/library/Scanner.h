// Scanning a library source for the functions it offers.
//
// An assembler library announces each routine that C may call with a
// prototype comment line; a header library is a C header whose one-line
// declarations are listed when their return type is a plain C type.
#pragma once

#include "common/NoCaseOrder.h" // SortFunctionList, FindStringExact
#include "common/TextList.h"
#include "library/Format.h" // the markers, IsHeaderLibrary
#include "library/LineReader.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// The prototype of a prototype comment line: the text after the markers and
// the white space behind them, up to and including the first ')'. Nothing
// when the line is no prototype comment line or the ')' is missing or stands
// at position 2 or earlier of that text.
std::optional<std::string> ExtractMarkedPrototype(std::string_view line);

// The return-type words for which a header library's declaration is listed.
inline constexpr std::array<std::string_view, 7> kListedReturnWords = {"int",      "char", "long", "double",
                                                                       "unsigned", "uint", "short"};

// "int, char, long, double, unsigned, uint or short"
std::string ListedReturnWordsText();

struct NormalisedDeclaration {
    std::string text;
    bool listed = false;
    std::string returnWord; // the last word before the routine name, which decides (may be empty)
};

// Normalises the spacing of a one-line C declaration of a header library and
// decides whether it is listed: its last return-type word must be one of
// kListedReturnWords, and the line must not be commented out (start, blanks
// and tabs aside, with "//" or "/*").
NormalisedDeclaration NormaliseDeclaration(std::string_view line);

// Every listed prototype text of the library, in file order (header
// libraries: the normalised declarations that are listed). Reads until the
// source gives an empty line.
std::vector<std::string> CollectPrototypes(LineSource& source, bool headerLibrary);
// The same texts, in file order, in one buffer (SortFunctionList(TextList&)
// puts them in the function list's order).
TextList CollectPrototypeList(LineSource& source, bool headerLibrary);

// What the sorted list of CollectPrototypes would tell, found without making
// it: how many prototypes the library lists, the first of them in the
// function list's order (SortFunctionList), and the place in that order of
// the first one equal to choice, case ignored (FindStringExact; -1 when
// there is none).
struct PrototypeSummary {
    size_t count = 0;
    std::string first;
    long choiceIndex = -1;
};
PrototypeSummary SummarisePrototypes(LineSource& source, bool headerLibrary, std::string_view choice);

// The lines longer than kMaxLinePiece bytes, which every reader takes in
// pieces: how many there are, and the numbers (from 1) of the first few.
struct LongLines {
    size_t count = 0;
    std::vector<int> first;
};
LongLines FindLongLines(LineSource& source, size_t keep = 5);

// What the user is told when a library that could be read lists no
// routine: its path, what a listed routine looks like, the long lines, and
// where to learn more.
std::string NoRoutinesMessage(std::string_view path, const LongLines& longLines);

} // namespace tovel
