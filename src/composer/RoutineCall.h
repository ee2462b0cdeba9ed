// From the function list to a routine's call, as the main dialog and
// tovel-cli both make it: which routine a typed query means, what each slot
// of the parameter panel offers and what Copy takes from it, and the call
// for given slot values.
#pragma once

#include "common/TextList.h"
#include "composer/PrototypeParser.h"
#include "composer/ValueEditors.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

// A list item as one output line: a header declaration that was listed
// without its ')' keeps its line end in the list; the line drops it.
std::string ListLine(std::string_view item);

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
FunctionMatch MatchFunction(const TextList& items, std::string_view query);

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

// What Copy takes from a slot: the value edit's text when it has one, else
// the combo's selected item, else the text typed into the combo.
std::string CopiedSlotValue(std::string_view editText, const std::optional<std::string>& selectedItem,
                            std::string_view comboText);

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
CallResult ComposeRoutineCall(const ParameterPanelModel& panel, const std::vector<SlotInfo>& slots,
                              const std::vector<std::string>& values, bool usePresets);

} // namespace tovel
