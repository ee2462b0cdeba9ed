// Running another program directly, without a shell, and waiting for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel::cli {

struct ProcessOptions {
    std::string input;         // written to its standard input, which is then closed
    bool captureOutput = true; // otherwise its output goes to the null device
    // "NAME=value" entries replacing the environment; inherited when absent.
    std::optional<std::vector<std::string>> environment;
    // When set, a program that has not ended after this many milliseconds is
    // ended (asked first, then killed) and the result tells it timed out.
    std::optional<int> timeoutMs;
};

struct ProcessResult {
    bool started = false;
    int exitStatus = -1;   // its exit status; 128 + the signal's number when a signal ended it
    std::string out, err;  // what it wrote, when captured
    std::string problem;   // why it could not be started
    bool timedOut = false; // it was ended because it ran past options.timeoutMs
};

// Runs argv[0] (a path, or a name looked up on the PATH of the environment
// it gets) with the arguments argv[1..], and waits until it ends. Its
// output is read while its input is written, so neither can block it.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// The first executable regular file named `name` in the ':'-separated
// folder list (an empty entry is the current folder).
std::optional<std::string> FindOnPath(std::string_view name, std::string_view folders);

} // namespace tovel::cli
