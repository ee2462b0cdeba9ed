// The command line of tovel-cli: arguments, help texts and the commands.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel::cli {

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFindings = 1;    // a value out of range (call), diagnostics (check)
inline constexpr int kExitFailed = 2;      // bad arguments, no library, unknown routine, unreadable file
inline constexpr int kExitNoClipboard = 3; // the call was printed but could not be copied

// What the commands need from the world outside the logic.
struct CliEnvironment {
    // The settings file that Tovel uses; only asked when no library is named.
    std::function<std::string()> settingsPath;
    // Puts the text on the clipboard: empty when done, otherwise why not.
    std::function<std::string(const std::string&)> copyToClipboard;
    // Takes what a command has printed so far, when set: a long output is
    // handed over in pieces as it grows rather than held whole. Empty when
    // written, otherwise why not; the command then stops and fails.
    std::function<std::string(std::string_view)> writeOut;
};

// "cannot write the output: REASON", the message of a failed write.
std::string CannotWriteMessage(const std::string& reason);

// Runs one command line (without the program's name). What it prints goes
// to out and err; the result is the exit status.
int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment, std::string& out, std::string& err);

struct DefaultLibrary {
    std::string path;    // empty when there is none
    std::string note;    // a remark for standard error (a library that is gone)
    std::string problem; // why there is none
};

// The library Tovel starts with: the one made current last ("Last",
// "Library") when it is still listed and present, else the first listed one
// that is present. The settings file is only read.
DefaultLibrary ResolveDefaultLibrary(const std::string& settingsPath);

// The running program's own path (from /proc/self/exe on Linux), falling
// back to argv0.
std::string ExecutablePath(const char* argv0);

} // namespace tovel::cli
