#include "cli/Clipboard.h"

#include "cli/Process.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tovel::cli {

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

ClipboardEnvironment CurrentClipboardEnvironment()
{
    return {Env("WAYLAND_DISPLAY"), Env("DISPLAY"), Env("PATH")};
}

ClipboardCommand ChooseClipboardCommand(const ClipboardEnvironment& environment)
{
    ClipboardCommand command;
    if (environment.waylandDisplay.empty() && environment.display.empty()) {
        command.problem = "no display is set (neither WAYLAND_DISPLAY nor DISPLAY), so there is no clipboard";
        return command;
    }
    struct Candidate {
        std::vector<std::string> argv;
        bool wayland;
    };
    const Candidate candidates[] = {
        {{"wl-copy"}, true},
        {{"xclip", "-selection", "clipboard"}, false},
        {{"xsel", "--clipboard", "--input"}, false},
    };
    for (const Candidate& candidate : candidates) {
        const std::string& display = candidate.wayland ? environment.waylandDisplay : environment.display;
        if (display.empty())
            continue;
        if (auto program = FindOnPath(candidate.argv[0], environment.path)) {
            command.argv = candidate.argv;
            command.argv[0] = *program;
            return command;
        }
    }
    command.problem = "no clipboard program is available: install wl-clipboard (wl-copy) for Wayland, or xclip or "
                      "xsel for X11";
    return command;
}

#ifdef _WIN32

std::string CopyToClipboard(const std::string& text, const ClipboardEnvironment&)
{
    if (!OpenClipboard(nullptr))
        return "the clipboard is in use by another program";
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    char* bytes = block ? static_cast<char*>(GlobalLock(block)) : nullptr;
    if (!bytes) {
        if (block)
            GlobalFree(block);
        CloseClipboard();
        return "Out of Memory";
    }
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = '\0';
    GlobalUnlock(block);
    if (!SetClipboardData(CF_TEXT, block))
        GlobalFree(block);
    CloseClipboard();
    return {};
}

#else

std::string CopyToClipboard(const std::string& text, const ClipboardEnvironment& environment)
{
    const ClipboardCommand command = ChooseClipboardCommand(environment);
    if (command.argv.empty())
        return command.problem;
    ProcessOptions options;
    options.input = text;
    options.captureOutput = false;
    options.timeoutMs = environment.timeoutMs;
    const ProcessResult run = RunProcess(command.argv, options);
    if (!run.started)
        return run.problem;
    if (run.timedOut)
        return command.argv[0] + " did not finish within " + std::to_string(environment.timeoutMs)
            + " ms (the display does not answer) and was ended";
    if (run.exitStatus != 0)
        return command.argv[0] + " failed (exit status " + std::to_string(run.exitStatus) + ")";
    return {};
}

#endif

} // namespace tovel::cli
