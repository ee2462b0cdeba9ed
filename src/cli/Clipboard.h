// Putting a text on the desktop's clipboard from a terminal program.
#pragma once

#include <string>
#include <vector>

namespace tovel::cli {

struct ClipboardEnvironment {
    std::string waylandDisplay; // WAYLAND_DISPLAY
    std::string display;        // DISPLAY
    std::string path;           // PATH
    int timeoutMs = 5000;       // how long the clipboard program may take before it is ended
};

ClipboardEnvironment CurrentClipboardEnvironment();

struct ClipboardCommand {
    std::vector<std::string> argv; // the program to hand the text to, empty when none
    std::string problem;           // why there is none
};

// The first of wl-copy (Wayland), "xclip -selection clipboard" and
// "xsel --clipboard --input" (X11) that is on PATH and whose display is set.
ClipboardCommand ChooseClipboardCommand(const ClipboardEnvironment& environment);

// Hands the bytes, unchanged, to the clipboard program chosen for the
// environment and waits for it, at most timeoutMs (a display that does not
// answer must not hold the caller for ever). Empty when done, otherwise one line that
// tells why the text is not on the clipboard.
std::string CopyToClipboard(const std::string& text, const ClipboardEnvironment& environment);

} // namespace tovel::cli
