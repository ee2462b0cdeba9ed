// The one door through which the dialogs reach the world outside the
// process: message boxes, shell launches, running a tool program, the
// clipboard, the file picker and file tests. QtPlatform is the real one;
// FakePlatform records every call and answers from a script, so tests never
// block on a modal window or touch the desktop.
#pragma once

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
    // The file "notepad" stands for the desktop's text viewer.
    virtual void ShellOpen(QWidget* owner, const std::string& file, const std::string& params, bool hasParams) = 0;
    // Runs one program (no arguments, no shell) and waits for it. -1 when it cannot be started.
    virtual int RunAndWait(const std::string& program) = 0;
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
