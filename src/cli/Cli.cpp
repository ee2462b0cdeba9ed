#include "cli/Cli.h"

#include "app/SettingsFile.h"
#include "assist/LibraryCheck.h"
#include "assist/Lint.h"
#include "assist/Routine.h"
#include "assist/RoutineBlocks.h"
#include "assist/Snippets.h"
#include "common/ByteText.h"
#include "composer/Routine.h"
#include "library/LibraryList.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tovel::cli {

namespace {

constexpr size_t kCandidatesShown = 20;

constexpr std::string_view kUsage = R"(Usage: tovel-cli COMMAND [OPTIONS] [ARGUMENTS]

Tovel's main job from a terminal, an editor or a script: the same function
list, source view, parameter panel and call text as the Tovel window.

Commands:
  list   [LIBRARY]                   the function list, one prototype a line
  show   [LIBRARY] FUNCTION          the routine's source block
  params [LIBRARY] FUNCTION          the routine's parameter panel (--json)
  call   [LIBRARY] FUNCTION [VALUE...]
                                     the call text that Copy composes (--copy)
  check  LIBRARY                     diagnostics for library authors
  snippets [LIBRARY] [--format vscode|ultisnips|lsp] [-o FILE]
                                     editor snippets, one per routine
  lint   [-l LIBRARY] FILE...        warnings for the library's calls in C files

LIBRARY defaults to the library made current last in Tovel (its settings file
is read, never written). FUNCTION is a prototype text as 'list' prints it, or
a routine name that only one routine has.

Exit status: 0 done; 1 a value out of range (call), diagnostics (check) or
warnings (lint); 2 bad arguments, no or unreadable library or file, unknown
or ambiguous FUNCTION, output that cannot be written; 3 the call was printed
but could not be put on the clipboard.

'tovel-cli COMMAND --help' tells more about one command.
)";

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

constexpr std::string_view kSnippetsSynopsis = R"([LIBRARY] [--format vscode|ultisnips|lsp]
                         [--output FILE])";

constexpr std::string_view kSnippetsHelp = R"(
Prints editor snippets for the library's routines, one per routine: the
trigger is the routine name, the body the call that Copy composes, with a
placeholder per parameter slot. A choice slot offers its items, an option
list slot its single options (the whole list is in the description, to
combine them with '|'), a range or any other slot offers the parameter's
name (the description names the range). Parameters past the sixteenth keep
their names. The description carries the prototype.

Formats:
  vscode      (the default) a .code-snippets file: save it as
              .vscode/LIBRARY.code-snippets in a project
  ultisnips   an UltiSnips file, such as ~/.vim/UltiSnips/c.snippets
              (choices become their first item)
  lsp         a JSON array of completion items with snippet text, for
              editors and language-server set-ups that take snippet lists

A routine whose prototype comment line is not found, or whose prototype
names no routine, gets no snippet (a note on standard error says so).

Options:
  --format FORMAT         vscode, ultisnips or lsp
  -o, --output FILE       write the snippets to FILE instead of standard
                          output; FILE is replaced only once the whole text
                          is written, so a failure leaves it as it was
  -l, --library LIBRARY   the library (instead of the one current in Tovel)
  -h, --help              this text
)";

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

// A file written through a temporary file beside it, which replaces it
// only once the whole text is written and closed.
class OutputFile {
public:
    explicit OutputFile(std::string path) : m_path(std::move(path))
    {
        std::random_device random;
        for (int attempt = 0; attempt < 8 && !m_file; ++attempt) {
            m_temp = m_path + ".tmp-" + std::to_string(random() % 1000000000u);
            errno = 0;
#ifdef _WIN32
            m_file = std::fopen(m_temp.c_str(), "wb"); // not every C runtime there knows "x"
#else
            m_file = std::fopen(m_temp.c_str(), "wbx"); // never one that is there already
#endif
        }
        if (!m_file)
            m_problem = m_temp + ": " + (errno ? std::strerror(errno) : "it cannot be created");
    }
    ~OutputFile()
    {
        if (m_file) {
            std::fclose(m_file);
            std::remove(m_temp.c_str());
        }
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& Problem() const
    {
        return m_problem;
    }

    std::string Write(std::string_view text)
    {
        errno = 0;
        if (m_file && std::fwrite(text.data(), 1, text.size(), m_file) != text.size())
            return Failed();
        return {};
    }

    // Closes the temporary file and puts it in the place of the file.
    std::string Commit()
    {
        errno = 0;
        const bool flushed = std::fflush(m_file) == 0 && !std::ferror(m_file);
        if (!flushed)
            return Failed();
        std::FILE* file = std::exchange(m_file, nullptr);
        errno = 0;
        if (std::fclose(file) != 0) {
            std::remove(m_temp.c_str());
            return m_path + ": " + (errno ? std::strerror(errno) : "it cannot be written");
        }
        std::error_code error;
        std::filesystem::rename(m_temp, m_path, error);
        if (error) {
            std::remove(m_temp.c_str());
            return m_path + ": " + error.message();
        }
        return {};
    }

private:
    std::string Failed()
    {
        return m_path + ": " + (errno ? std::strerror(errno) : "it cannot be written");
    }

    std::string m_path, m_temp, m_problem;
    std::FILE* m_file = nullptr;
};

struct Arguments {
    bool help = false;
    bool json = false;
    bool copy = false;
    bool presets = false;
    bool names = false;
    std::optional<std::string> format;
    std::optional<std::string> output;
    std::optional<std::string> library;
    std::vector<std::string> positionals;
};

class Run;

// What a command takes besides its positional arguments and -h/--help.
enum Option : unsigned {
    kNamesOption = 1,           // --names
    kJsonOption = 2,            // --json
    kCopyOption = 4,            // --copy
    kPresetsOption = 8,         // --presets
    kFormatOption = 16,         // --format FORMAT
    kOutputOption = 32,         // -o, --output FILE
    kLibraryOption = 64,        // -l, --library LIBRARY
    kValuesAfterFunction = 128, // after FUNCTION, an argument is a value unless it begins with "--"
};

// One command of tovel-cli: a new command is one more row of Run's table.
struct Command {
    std::string_view name;
    std::string_view synopsis; // the usage after "Usage: tovel-cli NAME "
    unsigned options;          // Option bits
    std::string_view help;     // the text after the usage
    int (Run::*run)(const Arguments& arguments);
};

// "Usage: tovel-cli NAME SYNOPSIS", then the command's help.
std::string HelpText(const Command& command)
{
    return "Usage: tovel-cli " + std::string(command.name) + " " + std::string(command.synopsis) + "\n"
        + std::string(command.help);
}

// A C identifier: what a routine name looks like, and a library path never.
bool IsIdentifier(std::string_view text)
{
    if (text.empty() || (text[0] >= '0' && text[0] <= '9'))
        return false;
    for (char c : text)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

bool HasRoutineName(std::string_view prototype)
{
    return !RoutineNameOf(prototype).empty();
}

std::string NoRoutineNameMessage(std::string_view prototype)
{
    return "no routine name in '" + ListLine(prototype) + "'";
}

bool LooksLikeLibrary(std::string_view text)
{
    return text.find_first_of("()") == std::string_view::npos && !IsIdentifier(text)
        && (text.find('.') != std::string_view::npos || LastPathSep(text) >= 0);
}

class Run {
public:
    Run(const CliEnvironment& environment, std::string& out, std::string& err)
        : m_env(environment), m_out(out), m_err(err), m_sink(environment.writeOut)
    {
    }

    int Main(const std::vector<std::string>& args)
    {
        if (args.empty()) {
            m_err += kUsage;
            return kExitFailed;
        }
        const std::string& name = args[0];
        if (name == "-h" || name == "--help" || name == "help") {
            const Command* about = args.size() > 1 ? FindCommand(args[1]) : nullptr;
            m_out += about ? HelpText(*about) : std::string(kUsage);
            return kExitDone;
        }
        m_command = FindCommand(name);
        if (!m_command)
            return Fail("unknown command '" + name + "' (commands: " + CommandNames() + "; see tovel-cli --help)");
        Arguments a;
        if (!Parse(args, a))
            return kExitFailed;
        if (a.help) {
            m_out += HelpText(*m_command);
            return kExitDone;
        }
        const int status = (this->*m_command->run)(a);
        if (!m_writeProblem.empty())
            return WriteFailed();
        return status;
    }

private:
    static const std::vector<Command>& Commands()
    {
        static const std::vector<Command> table = {
            {"list", kListSynopsis, kNamesOption | kLibraryOption, kListHelp, &Run::List},
            {"show", kShowSynopsis, kLibraryOption, kShowHelp, &Run::Routine},
            {"params", kParamsSynopsis, kJsonOption | kLibraryOption, kParamsHelp, &Run::Routine},
            {"call", kCallSynopsis, kCopyOption | kPresetsOption | kLibraryOption | kValuesAfterFunction, kCallHelp,
             &Run::Routine},
            {"check", kCheckSynopsis, 0, kCheckHelp, &Run::Check},
            {"snippets", kSnippetsSynopsis, kFormatOption | kOutputOption | kLibraryOption, kSnippetsHelp,
             &Run::Snippets},
            {"lint", kLintSynopsis, kLibraryOption, kLintHelp, &Run::Lint},
        };
        return table;
    }

    static const Command* FindCommand(std::string_view name)
    {
        for (const Command& command : Commands())
            if (command.name == name)
                return &command;
        return nullptr;
    }

    // "list, show, ..."
    static std::string CommandNames()
    {
        std::string names;
        for (const Command& command : Commands())
            names += (names.empty() ? "" : ", ") + std::string(command.name);
        return names;
    }

    bool Takes(Option option) const { return (m_command->options & option) != 0; }

    // Hands what is printed so far on when it has grown (or, with all, in
    // any case) and the environment takes output in pieces. False once a
    // write has failed.
    bool Drain(bool all = false)
    {
        if (!m_writeProblem.empty())
            return false;
        if (!m_sink || m_out.empty() || (!all && m_out.size() < kDrainBytes))
            return true;
        m_writeProblem = m_sink(m_out);
        m_out.clear();
        return m_writeProblem.empty();
    }

    int WriteFailed()
    {
        m_out.clear();
        return Fail(CannotWriteMessage(m_writeProblem));
    }

    int Fail(const std::string& message, int status = kExitFailed)
    {
        m_err += "tovel-cli: " + message + "\n";
        return status;
    }

    int Usage(const std::string& message)
    {
        return Fail(std::string(m_command->name) + ": " + message + " (see tovel-cli " + std::string(m_command->name)
                    + " --help)");
    }

    bool Parse(const std::vector<std::string>& args, Arguments& a)
    {
        bool optionsEnded = false;
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string& arg = args[i];
            if (optionsEnded || arg.size() < 2 || arg[0] != '-'
                || (Takes(kValuesAfterFunction) && !a.positionals.empty() && arg.compare(0, 2, "--") != 0)) {
                a.positionals.push_back(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "-h" || arg == "--help") {
                a.help = true;
            } else if (arg == "--json" && Takes(kJsonOption)) {
                a.json = true;
            } else if (arg == "--copy" && Takes(kCopyOption)) {
                a.copy = true;
            } else if (arg == "--presets" && Takes(kPresetsOption)) {
                a.presets = true;
            } else if (arg == "--names" && Takes(kNamesOption)) {
                a.names = true;
            } else if ((arg == "--format" || arg.compare(0, 9, "--format=") == 0) && Takes(kFormatOption)) {
                if (arg.size() > 8 && arg[8] == '=') {
                    a.format = arg.substr(9);
                } else if (i + 1 < args.size()) {
                    a.format = args[++i];
                } else {
                    Usage("--format needs vscode, ultisnips or lsp");
                    return false;
                }
            } else if ((arg == "-o" || arg == "--output" || arg.compare(0, 9, "--output=") == 0)
                       && Takes(kOutputOption)) {
                if (arg.size() > 8 && arg[8] == '=')
                    a.output = arg.substr(9);
                else if (i + 1 < args.size())
                    a.output = args[++i];
                if (!a.output || a.output->empty()) {
                    Usage(arg + " needs a FILE");
                    return false;
                }
            } else if ((arg == "-l" || arg == "--library" || arg.compare(0, 10, "--library=") == 0)
                       && Takes(kLibraryOption)) {
                std::string value;
                if (arg.size() > 9 && arg[9] == '=') {
                    value = arg.substr(10);
                } else if (i + 1 < args.size()) {
                    value = args[++i];
                } else {
                    Usage(arg + " needs a LIBRARY");
                    return false;
                }
                if (value.empty()) {
                    Usage(arg + " needs a LIBRARY");
                    return false;
                }
                a.library = value;
            } else {
                Usage("unknown option '" + arg + "'");
                return false;
            }
        }
        return true;
    }

    // The library named on the command line, or the one current in Tovel.
    std::optional<std::string> Library(const std::optional<std::string>& named)
    {
        if (named)
            return named;
        const std::string settings = m_env.settingsPath ? m_env.settingsPath() : std::string();
        const DefaultLibrary current = ResolveDefaultLibrary(settings);
        if (!current.note.empty())
            m_err += "tovel-cli: " + current.note + "\n";
        if (current.path.empty()) {
            Fail(current.problem);
            return std::nullopt;
        }
        return current.path;
    }

    int Unreadable(const ReadError& error) { return Fail(FormatReadError(error)); }

    int List(const Arguments& a)
    {
        std::optional<std::string> named = a.library;
        if (a.positionals.size() > 1 || (a.library && !a.positionals.empty()))
            return Usage("too many arguments");
        if (!a.positionals.empty())
            named = a.positionals[0];
        const auto library = Library(named);
        if (!library)
            return kExitFailed;
        const auto items = ReadFunctionList(*library);
        if (!items)
            return Unreadable(items.Error());
        if (a.names) {
            std::unordered_set<std::string> printed;
            for (const std::string& item : *items) {
                std::string routine = RoutineNameOf(item);
                if (!routine.empty() && printed.insert(routine).second)
                    m_out += routine + "\n";
            }
            return kExitDone;
        }
        for (const std::string& item : *items) {
            m_out += ListLine(item);
            m_out += '\n';
            if (!Drain())
                return kExitFailed;
        }
        if (items->empty())
            m_err += "tovel-cli: " + *library + " lists no routine\n";
        return kExitDone;
    }

    int Check(const Arguments& a)
    {
        if (a.positionals.empty())
            return Usage("LIBRARY is missing");
        if (a.positionals.size() > 1)
            return Usage("too many arguments");
        const std::string& library = a.positionals[0];
        const auto diagnostics = CheckLibrary(library);
        if (!diagnostics)
            return Unreadable(diagnostics.Error());
        for (const Diagnostic& d : *diagnostics) {
            m_out += FormatDiagnostic(d);
            m_out += '\n';
        }
        return diagnostics->empty() ? kExitDone : kExitFindings;
    }

    int Snippets(const Arguments& a)
    {
        std::optional<std::string> named = a.library;
        if (a.positionals.size() > 1 || (a.library && !a.positionals.empty()))
            return Usage("too many arguments");
        if (!a.positionals.empty())
            named = a.positionals[0];
        const auto format = ParseSnippetFormat(a.format.value_or("vscode"));
        if (!format)
            return Usage("unknown format '" + *a.format + "' (vscode, ultisnips or lsp)");
        const auto library = Library(named);
        if (!library)
            return kExitFailed;

        // With --output the text goes to a temporary file beside FILE, which
        // replaces FILE only once it is whole.
        std::optional<OutputFile> file;
        if (a.output) {
            file.emplace(*a.output);
            if (!file->Problem().empty())
                return Fail(CannotWriteMessage(file->Problem()));
        }
        if (file)
            m_sink = [&](std::string_view text) { return file->Write(text); };
        // Each snippet is written as it is made: the library's routines are
        // never held as snippets, nor the output whole.
        bool any = false;
        m_out += SnippetsHead(*format);
        const auto failure = VisitRoutinePanels(*library, [&](const RoutinePanel& routine, bool firstOfItsLine) {
            if (!m_writeProblem.empty())
                return;
            if (!HasRoutineName(routine.prototype)) {
                m_err += "tovel-cli: no snippet: " + NoRoutineNameMessage(routine.prototype) + "\n";
                return;
            }
            const auto snippet = MakeSnippet(*library, routine);
            if (!snippet) {
                m_err += "tovel-cli: no snippet for '" + ListLine(routine.prototype)
                    + "': its prototype comment line is not found\n";
                return;
            }
            if (!firstOfItsLine)
                return;
            m_out += SnippetEntry(*snippet, *format, !any);
            any = true;
            Drain();
        });
        if (failure) {
            m_out.clear();
            m_sink = m_env.writeOut;
            return Unreadable(*failure);
        }
        m_out += SnippetsTail(*format, any);
        Drain(true);
        m_sink = m_env.writeOut;
        if (file) {
            if (m_writeProblem.empty())
                m_writeProblem = file->Commit();
            if (!m_writeProblem.empty())
                return WriteFailed();
        }
        return kExitDone;
    }

    int Lint(const Arguments& a)
    {
        if (a.positionals.empty())
            return Usage("FILE is missing");
        const auto library = Library(a.library);
        if (!library)
            return kExitFailed;
        const auto panels = ReadRoutinePanels(*library);
        if (!panels)
            return Unreadable(panels.Error());
        const LintRoutines routines = MakeLintRoutines(*library, *panels);
        int status = kExitDone;
        bool unreadable = false;
        for (const std::string& file : a.positionals) {
            const auto findings = LintFile(file, routines);
            if (!findings) {
                Unreadable(findings.Error());
                unreadable = true;
                continue;
            }
            for (const LintFinding& finding : *findings) {
                m_out += FormatLintFinding(file, finding);
                m_out += '\n';
                status = kExitFindings;
                if (!Drain())
                    return kExitFailed;
            }
        }
        return unreadable ? kExitFailed : status;
    }

    // show, params and call: a library, a routine, and for call its values.
    int Routine(const Arguments& a)
    {
        const std::string_view name = m_command->name;
        std::optional<std::string> named = a.library;
        std::vector<std::string> rest = a.positionals;
        if (name == "call") {
            if (!a.library && !rest.empty() && LooksLikeLibrary(rest[0])) {
                named = rest[0];
                rest.erase(rest.begin());
            }
        } else if (rest.size() == 1 && !a.library && LooksLikeLibrary(rest[0])) {
            return Usage("FUNCTION is missing");
        } else if (rest.size() == 2) {
            if (a.library)
                return Usage("too many arguments");
            named = rest[0];
            rest.erase(rest.begin());
        } else if (rest.size() > 2) {
            return Usage("too many arguments");
        }
        if (rest.empty())
            return Usage("FUNCTION is missing");
        const std::string query = rest[0];
        const std::vector<std::string> values(rest.begin() + 1, rest.end());

        const auto library = Library(named);
        if (!library)
            return kExitFailed;
        const auto items = ReadFunctionList(*library);
        if (!items)
            return Unreadable(items.Error());
        const FunctionMatch match = MatchFunction(*items, query);
        if (match.result != FunctionMatch::Result::Found)
            return NotFound(match, query, *library);

        if (!HasRoutineSource(*library, match.prototype))
            return Fail(NoRoutineNameMessage(match.prototype));
        // Only show prints the block: params and call leave it unbuilt.
        const RoutineView routine = LoadRoutine(*library, match.prototype, name == "show");
        if (!routine.sourceFound)
            return Fail(MissingSourceMessage(SourcePathFor(*library, match.prototype)));
        if (!routine.prototypeFound)
            return Fail(routine.sourcePath + " holds no prototype comment line with '" + ListLine(match.prototype)
                        + "'");

        if (name == "show") {
            m_out += routine.block;
            return kExitDone;
        }
        if (name == "params") {
            m_out += a.json ? FormatParamsJson(routine) : FormatParamsText(routine);
            return kExitDone;
        }
        if (values.size() > routine.slotList.size())
            return Usage("'" + routine.panel.function + "' has " + std::to_string(routine.slotList.size())
                         + (routine.slotList.size() == 1 ? " parameter slot, " : " parameter slots, ")
                         + std::to_string(values.size()) + " values given");
        const CallResult call = ComposeRoutineCall(routine, values, a.presets);
        m_out += call.text;
        m_out += '\n';
        int status = kExitDone;
        for (const std::string& message : call.rangeMessages) {
            m_err += message + "\n";
            status = kExitFindings;
        }
        if (a.copy) {
            const std::string problem =
                m_env.copyToClipboard ? m_env.copyToClipboard(call.text) : std::string("no clipboard is available");
            if (!problem.empty())
                status = Fail("the call is not on the clipboard: " + problem, kExitNoClipboard);
        }
        return status;
    }

    int NotFound(const FunctionMatch& match, const std::string& query, const std::string& library)
    {
        std::string message;
        if (match.result == FunctionMatch::Result::Ambiguous)
            message = "'" + query + "' names several routines in " + library + "; give one prototype text:";
        else if (match.candidates.empty())
            message = "no routine '" + query + "' in " + library + " (tovel-cli list shows them)";
        else
            message = "no routine '" + query + "' in " + library + "; candidates:";
        Fail(message);
        for (size_t i = 0; i < match.candidates.size() && i < kCandidatesShown; ++i)
            m_err += "  " + match.candidates[i] + "\n";
        if (match.candidates.size() > kCandidatesShown)
            m_err += "  ... and " + std::to_string(match.candidates.size() - kCandidatesShown) + " more\n";
        return kExitFailed;
    }

    const CliEnvironment& m_env;
    std::string& m_out;
    std::string& m_err;
    const Command* m_command = nullptr;
    std::function<std::string(std::string_view)> m_sink; // where Drain hands the output
    std::string m_writeProblem;                          // why the output could not be written
    static constexpr size_t kDrainBytes = 64 * 1024;
};

} // namespace

std::string CannotWriteMessage(const std::string& reason)
{
    return "cannot write the output: " + reason;
}

int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment, std::string& out, std::string& err)
{
    return Run(environment, out, err).Main(args);
}

DefaultLibrary ResolveDefaultLibrary(const std::string& settingsPath)
{
    DefaultLibrary result;
    const SettingsFile settings(settingsPath);
    const std::string last = settings.Read(setting::kLibrary);
    const StartLibrary start = ChooseStartLibrary(settings.KeyNames(setting::kLibrariesSection), last);
    if (!start.path.empty()) {
        result.path = start.path;
        if (!start.isLast && !last.empty())
            result.note = "the last library " + last + " is not listed or not available; using " + result.path;
    } else {
        result.problem = "no library named, and none is current in " + settingsPath
            + " (name one, as in 'tovel-cli list LIBRARY', or choose one in Tovel)";
    }
    return result;
}

std::string ExecutablePath(const char* argv0)
{
#ifdef _WIN32
    char buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length > 0 && length < sizeof buffer)
        return std::string(buffer, length);
#else
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return self.string();
#endif
    return argv0 ? argv0 : "";
}

} // namespace tovel::cli
