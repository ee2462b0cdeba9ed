// The main job without the window: a library's function list, one routine's
// source block and parameter panel, and the call that Copy would compose.
// Everything here runs the same logic as the dialog, in the same order.
#pragma once

#include "assist/ReadError.h"
#include "common/RoutineName.h"
#include "composer/PrototypeParser.h"
#include "composer/ValueEditors.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel::cli {

// The function list as the dialog's function combo shows it: every listed
// prototype text, sorted with case ignored, duplicates kept; or why the
// library cannot be read.
ReadResult<std::vector<std::string>> ReadFunctionList(const std::string& libraryPath);

// A list item as one output line: a header declaration that was listed
// without its ')' keeps its line end in the list; the line drops it.
std::string ListLine(std::string_view item);

// The routine name of a prototype text (common/RoutineName.h).
using tovel::RoutineNameOf;

struct FunctionMatch {
    enum class Result { Found, Unknown, Ambiguous };
    Result result = Result::Unknown;
    std::string prototype;               // the list item, when found
    std::vector<std::string> candidates; // list items offered instead (list lines)
};

// Finds the routine the user means: a list item equal to the query (its line
// end aside), else the only distinct item whose routine name is the query.
// Unknown queries get the items whose routine name contains the query with
// case ignored as candidates; ambiguous ones get every item of that name.
FunctionMatch MatchFunction(const std::vector<std::string>& items, std::string_view query);

enum class SlotKind { None, Choice, OptionList, Range, ToolProgram };

// "none", "choice", "option list", "range", "tool program"
std::string_view SlotKindName(SlotKind kind);

struct SlotInfo {
    std::string name;
    std::string hint;
    SlotKind kind = SlotKind::None;
    std::vector<std::string> items; // choice or option items, in hint order
    std::optional<RangeHint> range; // the bounds, for a range slot
    std::string tool;               // the command line, for a tool-program slot
    std::string preset;             // what Copy takes from the untouched slot
};

// What the slot offers: a choice list shows its combo (its first item
// selected); otherwise the value edit's hint kind, or a range when the hint
// has one.
SlotInfo DescribeSlot(std::string_view libraryPath, std::string_view name, std::string_view hint,
                      std::string_view value);

struct RoutineView {
    std::string libraryPath;
    std::string prototype;
    std::string sourcePath;      // the file read: ".s", its ".c" variant, or the library
    bool sourceFound = false;    // one of them could be opened
    bool prototypeFound = false; // its prototype comment line was found there
    std::string block;           // the source block as the source view shows it
                                 // (empty when loaded without it)
    ParameterPanelModel panel;
    std::vector<SlotInfo> slotList; // slots 1..n
};

// Reads the routine as choosing it in the function list does (the shared
// tovel::LoadRoutine): the source path, its ".c" variant, the source block
// and the parameter panel. withBlock false skips building the block, for
// the commands that do not print it.
RoutineView LoadRoutine(const std::string& libraryPath, const std::string& prototype, bool withBlock = true);

struct CallResult {
    std::string text;
    std::vector<std::string> rangeMessages; // one "<name> Out of range." per value outside its range
};

// The call text for the given slot values, in slot order. A slot without a
// value is empty, or with usePresets what the untouched panel holds. A value
// given for a choice slot that equals one of its items, case ignored, is that
// item, as the combo selects it; values given for value edits are checked
// against their range as leaving the edit does. The values must not
// outnumber the slots.
CallResult ComposeRoutineCall(const RoutineView& routine, const std::vector<std::string>& values, bool usePresets);

// The parameter panel's model as text, one "key: value" line each.
std::string FormatParamsText(const RoutineView& routine);

// The same as a JSON object.
std::string FormatParamsJson(const RoutineView& routine);

} // namespace tovel::cli
