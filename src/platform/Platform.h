// The one door through which the dialogs reach the world outside the
// process: message boxes, shell launches, running a tool program, the
// clipboard, the file picker and file tests. QtPlatform is the real one;
// FakePlatform records every call and answers from a script, so tests never
// block on a modal window or touch the desktop.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace tovel {

// Message box styles and answers, with the values the dialogs were designed around.
enum : unsigned {
    MB_OK = 0x0,
    MB_YESNO = 0x4,
    MB_ICONHAND = 0x10,
    MB_ICONSTOP = MB_ICONHAND,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_SYSTEMMODAL = 0x1000,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

inline constexpr const char* kAppName = "Tovel";

struct FileFilter {
    std::string description; // " Header(*.h)"
    std::string pattern;     // "*.h"
};

// How a tool program's run ended.
struct ToolRun {
    bool started = false;   // false: the program could not be started at all
    bool crashed = false;   // ended by a signal or a crash, not by its own exit
    bool stopped = false;   // ended by the user's Stop
    int exitCode = 0;       // its own exit code when it ended normally
    std::string output;     // standard output and error, interleaved as written
    bool outputCut = false; // the program wrote more than kToolOutputLimit bytes
};

// How much of a tool program's output is kept; the rest is read and dropped,
// so a program that prints without end cannot exhaust memory.
inline constexpr size_t kToolOutputLimit = 1024 * 1024;

struct FilePickerRequest {
    std::string title;
    std::vector<FileFilter> filters; // the first one is selected when the picker opens
    std::string initialFolder;
    std::string initialFileName;
    std::string fileNameLabel = "&Library";
    std::string acceptLabel = "&Select";
};

class Platform {
public:
    virtual ~Platform() = default;

    // Shows a modal message box captioned "Tovel" and returns the answer (IDOK, IDYES, IDNO).
    virtual int MessageBox(QWidget* owner, const std::string& text, unsigned style) = 0;
    // Opens a file or starts a program with a parameter text, without waiting.
    // The file "notepad" stands for the desktop's text viewer. False when
    // nothing could be started. When what was started is the desktop's
    // opener and it ends at once saying that it found no program for the
    // file, failed runs later, on this thread (never after false).
    virtual bool ShellOpen(QWidget* owner, const std::string& file, const std::string& params, bool hasParams,
                           std::function<void()> failed = {}) = 0;
    // A modal question with buttons of its own (texts with '&' mnemonics):
    // the index of the button chosen. Enter picks defaultButton and Escape
    // or closing the box picks escapeButton.
    virtual int Ask(QWidget* owner, const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
                    int escapeButton) = 0;
    // Asks whether a program may run: the text, then the program's path on
    // one line of its own that never wraps (its whole text can be selected),
    // then the buttons, answered as Ask answers.
    virtual int AskToRun(QWidget* owner, const std::string& text, const std::string& program,
                         const std::vector<std::string>& buttons, int defaultButton, int escapeButton) = 0;
    // Runs one program (no arguments, no shell, standard input /dev/null,
    // its own folder as the working folder) and waits for it, capturing its
    // output. The owner stays painted but takes no input meanwhile; a run
    // longer than about a second shows a "Running NAME..." note whose Stop
    // button ends the program and everything it started.
    virtual ToolRun RunTool(QWidget* owner, const std::string& program) = 0;
    // Shows a program's output in a small modal read-only window with
    // selectable fixed-pitch text, titled title; Escape or Enter closes it.
    virtual void ShowOutput(QWidget* owner, const std::string& title, const std::string& text) = 0;
    // Replaces the clipboard with one text item. False when the clipboard could not be taken.
    virtual bool SetClipboardText(const std::string& bytes) = 0;
    // Runs the file picker: the full path chosen, or nothing when cancelled.
    virtual std::optional<std::string> PickFile(QWidget* owner, const FilePickerRequest& request) = 0;
    // True when a file or folder of that name exists.
    virtual bool FileExists(const std::string& path) = 0;
};

// The platform the dialogs use; QtPlatform unless a test installed another.
Platform& CurrentPlatform();
void SetCurrentPlatform(Platform* platform); // nullptr restores the real one

} // namespace tovel
