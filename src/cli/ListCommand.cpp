#include "cli/Command.h"

#include "assist/Routine.h"

#include <unordered_set>

namespace tovel::cli {

namespace {

constexpr std::string_view kListSynopsis = R"([LIBRARY] [--names]
       tovel-cli list -l LIBRARY [--names])";

constexpr std::string_view kListHelp = R"(
Prints the function list of the library as Tovel's function list shows it:
every routine's prototype text, one a line, sorted with letter case ignored,
duplicates kept. An assembler library lists the prototype of each
"; C Function prototype:" line; a header library lists its one-line
declarations whose return type is int, char, long, double, unsigned, uint
or short.

Options:
  --names                 print each distinct routine name once instead, in
                          list order (for completion scripts)
  -l, --library LIBRARY   the library (instead of the one current in Tovel)
  -h, --help              this text
)";

int List(CommandRun& run, const Arguments& a)
{
    std::optional<std::string> named = a.library;
    if (a.positionals.size() > 1 || (a.library && !a.positionals.empty()))
        return run.Usage("too many arguments");
    if (!a.positionals.empty())
        named = a.positionals[0];
    const auto library = run.Library(named);
    if (!library)
        return kExitFailed;
    const auto items = ReadFunctionTextList(*library);
    if (!items)
        return run.Unreadable(items.Error());
    if (a.names) {
        std::unordered_set<std::string> printed;
        for (const std::string_view item : *items) {
            std::string routine = RoutineNameOf(item);
            if (!routine.empty() && printed.insert(routine).second)
                run.out += routine + "\n";
        }
        return kExitDone;
    }
    for (const std::string_view item : *items) {
        run.out += ListLine(item);
        run.out += '\n';
        if (!run.Drain())
            return kExitFailed;
    }
    if (items->empty())
        run.err += "tovel-cli: " + *library + " lists no routine\n";
    return kExitDone;
}

} // namespace

const Command kListCommand = {"list", kListSynopsis, kNamesOption | kLibraryOption, kListHelp, List};

} // namespace tovel::cli
