#include "app/CommandLine.h"

#include <filesystem>
#include <system_error>

namespace tovel {

ProgramArguments ParseProgramArguments(const std::vector<std::string>& args)
{
    ProgramArguments out;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            out.action = ProgramArguments::Action::Help;
            return out;
        }
        if (!optionsEnded && arg == "--version") {
            out.action = ProgramArguments::Action::Version;
            return out;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            if (out.action != ProgramArguments::Action::Error) {
                out.action = ProgramArguments::Action::Error;
                out.error = "unknown option '" + arg + "'";
                out.badOption = arg;
            }
            continue;
        }
        if (arg.empty())
            continue;
        std::error_code error;
        std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(arg), error);
        out.files.push_back(error ? arg : path.lexically_normal().string());
    }
    if (out.action == ProgramArguments::Action::Error)
        out.files.clear();
    return out;
}

std::string ProgramUsage()
{
    return "Usage: Tovel [FILE...]\n"
           "Pick a routine of a microcontroller library and copy its C call.\n"
           "\n"
           "  FILE       a library source (an assembler file or a C header) to add to\n"
           "             the library list, as Add does; the last one becomes current\n"
           "  --help     show this text and end\n"
           "  --version  show the version and end\n"
           "\n"
           "The settings are kept in Tovel.ini beside the program, or in\n"
           "~/.config/tovel/ when that folder cannot be written.\n"
           "tovel-cli does the same work in a terminal: tovel-cli --help.\n";
}

std::string ProgramArgumentError(std::string_view error)
{
    std::string text = "Tovel: ";
    text.append(error);
    text += "\nTry 'Tovel --help'.\n";
    return text;
}

} // namespace tovel
