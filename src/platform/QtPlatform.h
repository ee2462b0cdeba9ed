// The platform layer on top of Qt: what the running program uses.
#pragma once

#include "platform/Platform.h"

#include <QString>

namespace tovel {

// The Qt name filter for one of the picker's filters.
QString QtNameFilter(const FileFilter& filter);

// Object names of the windows a tool-program run shows, for tests that look for them.
inline constexpr const char* kToolNoteName = "toolRunning";
inline constexpr const char* kToolOutputName = "toolOutput";
inline constexpr const char* kRunQuestionName = "runQuestion";

class QtPlatform : public Platform {
public:
    int MessageBox(QWidget* owner, const std::string& text, unsigned style) override;
    bool ShellOpen(QWidget* owner, const std::string& file, const std::string& params, bool hasParams,
                   std::function<void()> failed = {}) override;
    int Ask(QWidget* owner, const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
            int escapeButton) override;
    int AskToRun(QWidget* owner, const std::string& text, const std::string& program,
                 const std::vector<std::string>& buttons, int defaultButton, int escapeButton) override;
    ToolRun RunTool(QWidget* owner, const std::string& program) override;
    void ShowOutput(QWidget* owner, const std::string& title, const std::string& text) override;
    bool SetClipboardText(const std::string& bytes) override;
    std::optional<std::string> PickFile(QWidget* owner, const FilePickerRequest& request) override;
    bool FileExists(const std::string& path) override;
};

} // namespace tovel
