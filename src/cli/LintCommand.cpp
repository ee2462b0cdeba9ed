#include "cli/Command.h"

#include "assist/Lint.h"

namespace tovel::cli {

namespace {

constexpr std::string_view kLintSynopsis = R"([-l LIBRARY] FILE...)";

constexpr std::string_view kLintHelp = R"(
Finds the calls of the library's routines in C source files and prints one
line per problem, as FILE:LINE:COLUMN: warning: message (the form compilers
use, for quickfix lists and problem matchers):
  - a call with the wrong number of arguments;
  - an integer literal argument (decimal, hex or octal) outside the range
    hint of its parameter;
  - an argument of names joined by '|' with a name that is not in the
    option list of its parameter.
A choice list accepts any value and is never a problem. Comments, string
and character literals, member calls and declarations or definitions of a
routine are skipped; an argument that is an expression, a cast or a single
name (a variable or macro) is not judged.

Exit status: 0 when nothing was found, 1 when something was found, 2 for
bad arguments, a library that cannot be read or a FILE that cannot be read.

Options:
  -l, --library LIBRARY   the library (instead of the one current in Tovel)
  -h, --help              this text
)";

int Lint(CommandRun& run, const Arguments& a)
{
    if (a.positionals.empty())
        return run.Usage("FILE is missing");
    const auto library = run.Library(a.library);
    if (!library)
        return kExitFailed;
    const auto panels = ReadRoutinePanels(*library);
    if (!panels)
        return run.Unreadable(panels.Error());
    const LintRoutines routines = MakeLintRoutines(*library, *panels);
    int status = kExitDone;
    bool unreadable = false;
    for (const std::string& file : a.positionals) {
        const auto findings = LintFile(file, routines);
        if (!findings) {
            run.Unreadable(findings.Error());
            unreadable = true;
            continue;
        }
        for (const LintFinding& finding : *findings) {
            run.out += FormatLintFinding(file, finding);
            run.out += '\n';
            status = kExitFindings;
            if (!run.Drain())
                return kExitFailed;
        }
    }
    return unreadable ? kExitFailed : status;
}

} // namespace

const Command kLintCommand = {"lint", kLintSynopsis, kLibraryOption, kLintHelp, Lint};

} // namespace tovel::cli
