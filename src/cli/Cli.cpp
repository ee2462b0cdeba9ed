#include "cli/Cli.h"

#include "cli/Command.h"

#include "app/SettingsFile.h"
#include "assist/Routine.h"
#include "common/ByteText.h"
#include "library/LibraryList.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tovel::cli {

namespace {

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
  lsp                                a language server for editors (stdin/stdout)

LIBRARY defaults to the library made current last in Tovel (its settings file
is read, never written). FUNCTION is a prototype text as 'list' prints it, or
a routine name that only one routine has.

Exit status: 0 done; 1 a value out of range (call), diagnostics (check) or
warnings (lint); 2 bad arguments, no or unreadable library or file, unknown
or ambiguous FUNCTION, output that cannot be written; 3 the call was printed
but could not be put on the clipboard.

'tovel-cli COMMAND --help' tells more about one command.
)";

class Run : public CommandRun {
public:
    using CommandRun::CommandRun;

    int Main(const std::vector<std::string>& args)
    {
        if (args.empty()) {
            err += kUsage;
            return kExitFailed;
        }
        const std::string& name = args[0];
        if (name == "-h" || name == "--help" || name == "help") {
            const Command* about = args.size() > 1 ? FindCommand(args[1]) : nullptr;
            out += about ? HelpText(*about) : std::string(kUsage);
            return kExitDone;
        }
        command = FindCommand(name);
        if (!command)
            return Fail("unknown command '" + name + "' (commands: " + CommandNames() + "; see tovel-cli --help)");
        Arguments a;
        if (!Parse(args, a))
            return kExitFailed;
        if (a.help) {
            out += HelpText(*command);
            return kExitDone;
        }
        const int status = command->run(*this, a);
        if (!writeProblem.empty())
            return WriteFailed();
        return status;
    }

private:
    static const std::vector<Command>& Commands()
    {
        static const std::vector<Command> table = {kListCommand,  kShowCommand,     kParamsCommand, kCallCommand,
                                                   kCheckCommand, kSnippetsCommand, kLintCommand,   kLspCommand};
        return table;
    }

    static const Command* FindCommand(std::string_view name)
    {
        for (const Command& entry : Commands())
            if (entry.name == name)
                return &entry;
        return nullptr;
    }

    // "list, show, ..."
    static std::string CommandNames()
    {
        std::string names;
        for (const Command& entry : Commands())
            names += (names.empty() ? "" : ", ") + std::string(entry.name);
        return names;
    }

    bool Takes(Option option) const { return (command->options & option) != 0; }

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
};

} // namespace

std::string HelpText(const Command& command)
{
    return "Usage: tovel-cli " + std::string(command.name) + " " + std::string(command.synopsis) + "\n"
        + std::string(command.help);
}

bool HasRoutineName(std::string_view prototype)
{
    return !RoutineNameOf(prototype).empty();
}

std::string NoRoutineNameMessage(std::string_view prototype)
{
    return "no routine name in '" + ListLine(prototype) + "'";
}

bool CommandRun::Drain(bool all)
{
    if (!writeProblem.empty())
        return false;
    if (!sink || out.empty() || (!all && out.size() < kDrainBytes))
        return true;
    writeProblem = sink(out);
    out.clear();
    return writeProblem.empty();
}

int CommandRun::WriteFailed()
{
    out.clear();
    return Fail(CannotWriteMessage(writeProblem));
}

int CommandRun::Fail(const std::string& message, int status)
{
    err += "tovel-cli: " + message + "\n";
    return status;
}

int CommandRun::Usage(const std::string& message)
{
    return Fail(std::string(command->name) + ": " + message + " (see tovel-cli " + std::string(command->name)
                + " --help)");
}

std::optional<std::string> CommandRun::Library(const std::optional<std::string>& named)
{
    if (named)
        return named;
    const std::string settings = env.settingsPath ? env.settingsPath() : std::string();
    const DefaultLibrary current = ResolveDefaultLibrary(settings);
    if (!current.note.empty())
        err += "tovel-cli: " + current.note + "\n";
    if (current.path.empty()) {
        Fail(current.problem);
        return std::nullopt;
    }
    return current.path;
}

int CommandRun::Unreadable(const ReadError& error)
{
    return Fail(FormatReadError(error));
}

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
