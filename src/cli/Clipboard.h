// Putting a text on the desktop's clipboard from a terminal program.
#pragma once

#include <string>
#include <vector>

namespace tovel::cli {

struct ClipboardEnvironment {
    std::string waylandDisplay; // WAYLAND_DISPLAY
    std::string display;        // DISPLAY
    std::string path;           // PATH
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
// environment and waits for it. Empty when done, otherwise one line that
// tells why the text is not on the clipboard.
std::string CopyToClipboard(const std::string& text, const ClipboardEnvironment& environment);

} // namespace tovel::cli
