// The command line of the window program: the files to add and the two
// options that print and end without a window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tovel {

struct ProgramArguments {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // Library files to add, absolute and in the order given.
    std::vector<std::string> files;
    // For Error: what was wrong, one line, and the first word not understood.
    std::string error;
    std::string badOption;
};

// args without the program name. "--help" or "-h" and "--version" win
// wherever they stand; "--" ends the options, so a file may begin with '-';
// any other word beginning with '-' is an error. Relative files are taken
// from the current folder.
ProgramArguments ParseProgramArguments(const std::vector<std::string>& args);

// The text --help prints.
std::string ProgramUsage();

// "Tovel: unknown option '-x'" and the hint to --help.
std::string ProgramArgumentError(std::string_view error);

} // namespace tovel
