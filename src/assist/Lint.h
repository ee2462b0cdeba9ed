// Finding the calls of a library's routines in C source text and judging
// their arguments by the routines' parameter hints.
#pragma once

#include "assist/Routine.h"
#include "assist/RoutineBlocks.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tovel::cli {

struct LintRoutine {
    std::string prototype;          // one line
    int parameters = 0;             // slots and the names past the fourth
    bool variadic = false;          // its list ends with "..."
    std::vector<SlotInfo> slotList; // slots 1..4
};

// Routine name -> its prototypes (more than one when several share the name).
using LintRoutines = std::unordered_map<std::string, std::vector<LintRoutine>>;

// Where the linter finds the routines it meets, by name: a map made at once,
// or a set that builds the few routines a text calls when it meets them.
class LintLookup {
public:
    virtual ~LintLookup() = default;
    // No routine at all: the text need not be read.
    virtual bool Empty() const = 0;
    // The prototypes of the routine named name, or nullptr when no routine
    // has that name; valid while the lookup lives and is not changed.
    virtual const std::vector<LintRoutine>* Find(const std::string& name) const = 0;
};

// The call rules of one routine whose prototype comment line was found and
// whose panel's function label is its routine name.
LintRoutine MakeLintRoutine(const std::string& libraryPath, std::string_view prototype,
                            const ParameterPanelModel& panel);

// The routines of a library whose prototype comment line was found.
LintRoutines MakeLintRoutines(const std::string& libraryPath, const std::vector<RoutinePanel>& panels);

struct LintFinding {
    int64_t line = 0;   // from 1
    int64_t column = 0; // byte column, from 1
    std::string message;
    // Where the judged text ends (the argument, or the routine's name for a
    // call with the wrong number of arguments): its last byte's line and the
    // byte column after it.
    int64_t endLine = 0;
    int64_t endColumn = 0;
    std::string_view code; // the rule: kLintArgumentCount, kLintOutOfRange, kLintUnknownOption
};

inline constexpr std::string_view kLintArgumentCount = "argument-count";
inline constexpr std::string_view kLintOutOfRange = "out-of-range";
inline constexpr std::string_view kLintUnknownOption = "unknown-option";

// Every call of the routines in the text, in one pass: a call with the wrong
// number of arguments, an integer literal outside its slot's range and a
// name outside its slot's option list. Comments, string and character
// literals, member calls and declarations or definitions of the routines
// are skipped; arguments that are expressions are not judged.
// Calls nested deeper than a few hundred are judged from the innermost out;
// the outermost are dropped.
std::vector<LintFinding> LintText(std::string_view text, const LintRoutines& routines);
std::vector<LintFinding> LintText(std::string_view text, const LintLookup& routines);

// The same for a regular file, read in blocks as it is judged; the reason
// when it cannot be opened or read.
ReadResult<std::vector<LintFinding>> LintFile(const std::string& path, const LintRoutines& routines);

// "FILE:LINE:COLUMN: warning: message"
std::string FormatLintFinding(const std::string& file, const LintFinding& finding);

} // namespace tovel::cli
