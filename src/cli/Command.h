// One command of tovel-cli: its name, synopsis, the options it takes, its
// help text and its run function. A new command is one file that defines
// its Command and one row in the table of Cli.cpp.
#pragma once

#include "assist/ReadError.h"
#include "cli/Cli.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel::cli {

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

struct Command;

// The running command line, as a command's run function sees it: what it
// prints, where the output goes, and the reports every command makes alike.
class CommandRun {
public:
    CommandRun(const CliEnvironment& environment, std::string& printed, std::string& errors)
        : env(environment), out(printed), err(errors), sink(environment.writeOut)
    {
    }

    // Hands what is printed so far on when it has grown (or, with all, in
    // any case) and the environment takes output in pieces. False once a
    // write has failed.
    bool Drain(bool all = false);
    // Reports the failed write and drops what is not written.
    int WriteFailed();
    // "tovel-cli: MESSAGE" on standard error; returns status.
    int Fail(const std::string& message, int status = kExitFailed);
    // "tovel-cli: COMMAND: MESSAGE (see tovel-cli COMMAND --help)"
    int Usage(const std::string& message);
    // The library named on the command line, or the one current in Tovel
    // (after reporting why there is none).
    std::optional<std::string> Library(const std::optional<std::string>& named);
    // Reports a file or library that cannot be read.
    int Unreadable(const ReadError& error);

    const CliEnvironment& env;
    std::string& out;
    std::string& err;
    const Command* command = nullptr;
    std::function<std::string(std::string_view)> sink; // where Drain hands the output
    std::string writeProblem;                          // why the output could not be written
    static constexpr size_t kDrainBytes = 64 * 1024;
};

struct Command {
    std::string_view name;
    std::string_view synopsis; // the usage after "Usage: tovel-cli NAME "
    unsigned options;          // Option bits
    std::string_view help;     // the text after the usage
    int (*run)(CommandRun& run, const Arguments& arguments);
};

// "Usage: tovel-cli NAME SYNOPSIS", then the command's help.
std::string HelpText(const Command& command);

// A header library's prototype without a routine name has no source file.
bool HasRoutineName(std::string_view prototype);
// "no routine name in 'PROTOTYPE'"
std::string NoRoutineNameMessage(std::string_view prototype);

// The commands, each defined in a file of its own.
extern const Command kListCommand;
extern const Command kShowCommand;
extern const Command kParamsCommand;
extern const Command kCallCommand;
extern const Command kCheckCommand;
extern const Command kSnippetsCommand;
extern const Command kLintCommand;
extern const Command kLspCommand;

} // namespace tovel::cli
