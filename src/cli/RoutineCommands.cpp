#include "cli/Command.h"

#include "assist/Routine.h"
#include "common/ByteText.h"
#include "composer/Routine.h"
#include "library/LibraryList.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

namespace tovel::cli {

namespace {

constexpr size_t kCandidatesShown = 20;

constexpr std::string_view kShowSynopsis = R"([LIBRARY] FUNCTION)";

constexpr std::string_view kShowHelp = R"(
Prints the routine's source block as Tovel's source view shows it: from its
prototype comment line to the first line with the word END or ENDMOD,
tabs expanded to 4-column stops (one blank each on the closing line). The
block of a header library's routine comes from NAME.s beside the header,
or NAME.S when there is no NAME.s, or else NAME.c or NAME.C.

FUNCTION is a prototype text as 'tovel-cli list' prints it, or a routine
name that only one routine has.

Options:
  -l, --library LIBRARY   the library (instead of the one current in Tovel)
  -h, --help              this text
)";

constexpr std::string_view kParamsSynopsis = R"([LIBRARY] FUNCTION [--json])";

constexpr std::string_view kParamsHelp = R"(
Prints the routine's parameter panel: its type and routine name, and for
each of up to sixteen slots the parameter's name, its hint, the hint's kind
(choice, option list, range, tool program or none) with the choice items,
option items, range bounds or tool command, and the preset: the value that
Copy takes from the slot when it is left untouched (a choice slot's first
item, a tool-program slot's quoted program). Parameters past the sixteenth
get no slot; the call names them.

Options:
  --json                  print a JSON object instead
  -l, --library LIBRARY   the library (instead of the one current in Tovel)
  -h, --help              this text
)";

constexpr std::string_view kCallSynopsis = R"([LIBRARY] FUNCTION [VALUE...] [--copy] [--presets])";

constexpr std::string_view kCallHelp = R"(
Prints the call text that Tovel's Copy composes for these slot values, in
slot order: the routine name, '(', the values separated by ',', ')'. A
missing value is empty, as an empty slot is in Tovel; with --presets it is
the slot's preset instead (what Copy gives for the untouched panel). A
value that equals a choice item with letter case ignored becomes that item.

A value outside its slot's range prints Tovel's "NAME Out of range."
message on standard error and makes the exit status 1; the call is still
printed (and copied).

LIBRARY can only be given here when it looks like a file name (it holds a
'.' or a '/'); otherwise use -l, before FUNCTION. After FUNCTION every
argument is a value, '-5' included, except --copy, --presets and --help;
put '--' before values that begin with '--'.

Options:
  --copy                  also put the call on the clipboard (wl-copy, xclip
                          or xsel, on a desktop); one that has not finished
                          within 5 seconds is ended (exit status 3)
  --presets               fill missing values with the slots' presets
  -l, --library LIBRARY   the library (instead of the one current in Tovel)
  -h, --help              this text
)";

// A C identifier is what a routine name looks like, and a library path never.
bool LooksLikeLibrary(std::string_view text)
{
    return text.find_first_of("()") == std::string_view::npos && !IsIdentifier(text)
        && (text.find('.') != std::string_view::npos || LastPathSep(text) >= 0);
}

int NotFound(CommandRun& run, const FunctionMatch& match, const std::string& query, const std::string& library)
{
    std::string message;
    if (match.result == FunctionMatch::Result::Ambiguous)
        message = "'" + query + "' names several routines in " + library + "; give one prototype text:";
    else if (match.candidates.empty())
        message = "no routine '" + query + "' in " + library + " (tovel-cli list shows them)";
    else
        message = "no routine '" + query + "' in " + library + "; candidates:";
    run.Fail(message);
    for (size_t i = 0; i < match.candidates.size() && i < kCandidatesShown; ++i)
        run.err += "  " + match.candidates[i] + "\n";
    if (match.candidates.size() > kCandidatesShown)
        run.err += "  ... and " + std::to_string(match.candidates.size() - kCandidatesShown) + " more\n";
    return kExitFailed;
}

// show, params and call: a library, a routine, and for call its values.
int RunRoutine(CommandRun& run, const Arguments& a)
{
    const std::string_view name = run.command->name;
    std::optional<std::string> named = a.library;
    std::vector<std::string> rest = a.positionals;
    if (name == "call") {
        if (!a.library && !rest.empty() && LooksLikeLibrary(rest[0])) {
            named = rest[0];
            rest.erase(rest.begin());
        }
    } else if (rest.size() == 1 && !a.library && LooksLikeLibrary(rest[0])) {
        return run.Usage("FUNCTION is missing");
    } else if (rest.size() == 2) {
        if (a.library)
            return run.Usage("too many arguments");
        named = rest[0];
        rest.erase(rest.begin());
    } else if (rest.size() > 2) {
        return run.Usage("too many arguments");
    }
    if (rest.empty())
        return run.Usage("FUNCTION is missing");
    const std::string query = rest[0];
    const std::vector<std::string> values(rest.begin() + 1, rest.end());

    const auto library = run.Library(named);
    if (!library)
        return kExitFailed;
    const auto items = ReadFunctionTextList(*library);
    if (!items)
        return run.Unreadable(items.Error());
    const FunctionMatch match = MatchFunction(*items, query);
    if (match.result != FunctionMatch::Result::Found)
        return NotFound(run, match, query, *library);

    if (!HasRoutineSource(*library, match.prototype))
        return run.Fail(NoRoutineNameMessage(match.prototype));
    // Only show prints the block: params and call leave it unbuilt.
    const RoutineView routine = LoadRoutine(*library, match.prototype, name == "show");
    if (!routine.sourceFound)
        return run.Fail(MissingSourceMessage(SourcePathFor(*library, match.prototype)));
    if (!routine.prototypeFound)
        return run.Fail(routine.sourcePath + " holds no prototype comment line with '" + ListLine(match.prototype)
                        + "'");

    if (name == "show") {
        run.out += routine.block;
        return kExitDone;
    }
    if (name == "params") {
        run.out += a.json ? FormatParamsJson(routine) : FormatParamsText(routine);
        return kExitDone;
    }
    if (values.size() > routine.slotList.size())
        return run.Usage("'" + routine.panel.function + "' has " + std::to_string(routine.slotList.size())
                         + (routine.slotList.size() == 1 ? " parameter slot, " : " parameter slots, ")
                         + std::to_string(values.size()) + " values given");
    const CallResult call = ComposeRoutineCall(routine, values, a.presets);
    run.out += call.text;
    run.out += '\n';
    int status = kExitDone;
    for (const std::string& message : call.rangeMessages) {
        run.err += message + "\n";
        status = kExitFindings;
    }
    if (a.copy) {
        const std::string problem =
            run.env.copyToClipboard ? run.env.copyToClipboard(call.text) : std::string("no clipboard is available");
        if (!problem.empty())
            status = run.Fail("the call is not on the clipboard: " + problem, kExitNoClipboard);
    }
    return status;
}

} // namespace

const Command kShowCommand = {"show", kShowSynopsis, kLibraryOption, kShowHelp, RunRoutine};
const Command kParamsCommand = {"params", kParamsSynopsis, kJsonOption | kLibraryOption, kParamsHelp, RunRoutine};
const Command kCallCommand = {
    "call", kCallSynopsis, kCopyOption | kPresetsOption | kLibraryOption | kValuesAfterFunction, kCallHelp, RunRoutine};

} // namespace tovel::cli
