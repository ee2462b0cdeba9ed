#include "cli/Command.h"

#include "assist/LibraryCheck.h"

namespace tovel::cli {

namespace {

constexpr std::string_view kCheckSynopsis = R"(LIBRARY)";

constexpr std::string_view kCheckHelp = R"(
Reads the library as Tovel does and prints one line per problem, as
FILE:LINE: message, for what Tovel skips silently or reads differently
from what the author meant: prototype comment lines that are not listed,
parameters whose hint line is missing or names another parameter,
malformed hints (unbalanced braces, range bounds that are not numbers,
empty choice or option items), source blocks without a closing line, a
prototype found inside another routine's line, header routines whose
.s or .c file is missing, and header declarations that are not listed,
with the return type that keeps them out.

Exit status: 0 when the library is clean, 1 when something was found,
2 when the library cannot be read.

Options:
  -h, --help              this text
)";

int Check(CommandRun& run, const Arguments& a)
{
    if (a.positionals.empty())
        return run.Usage("LIBRARY is missing");
    if (a.positionals.size() > 1)
        return run.Usage("too many arguments");
    const std::string& library = a.positionals[0];
    const auto diagnostics = CheckLibrary(library);
    if (!diagnostics)
        return run.Unreadable(diagnostics.Error());
    for (const Diagnostic& d : *diagnostics) {
        run.out += FormatDiagnostic(d);
        run.out += '\n';
    }
    return diagnostics->empty() ? kExitDone : kExitFindings;
}

} // namespace

const Command kCheckCommand = {"check", kCheckSynopsis, 0, kCheckHelp, Check};

} // namespace tovel::cli
