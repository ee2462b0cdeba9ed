// Records what the dialogs ask of the platform and answers from a script.
#pragma once

#include "platform/Platform.h"

#include <deque>
#include <functional>
#include <set>

namespace tovel {

class FakePlatform : public Platform {
public:
    struct Message {
        std::string text;
        unsigned style = 0;
    };
    struct Launch {
        std::string file;
        std::string params;
        bool hasParams = false;
    };

    struct Question {
        std::string text;
        std::vector<std::string> buttons;
        int defaultButton = 0;
        int escapeButton = 0;
        std::string program; // the path shown under the text, when asked with AskToRun
    };
    struct Output {
        std::string title;
        std::string text;
    };

    FakePlatform();
    ~FakePlatform() override;

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

    // Scripted answers, used in order; when none is left a box answers IDOK
    // (IDYES for a Yes/No box) and the picker is cancelled.
    void SetNextAnswer(int answer) { answers.push_back(answer); }
    void SetNextFileName(std::string path) { pickedFiles.push_back(std::move(path)); }
    // Scripted button indexes for Ask and AskToRun; when none is left it answers the default button.
    void SetNextChoice(int button) { choices.push_back(button); }

    std::deque<int> answers;
    std::deque<std::optional<std::string>> pickedFiles;
    std::deque<int> choices;
    ToolRun runResult; // what RunTool answers; started unless a test says otherwise
    bool clipboardAvailable = true;
    // Launches start nothing (ShellOpen answers false), as where the program is missing.
    bool launchesFail = false;
    std::function<bool(const std::string&)> fileExists; // default: the real file system
    std::function<void()> onRun;                        // called inside RunTool, while the caller waits

    std::vector<Message> messages;
    std::vector<Launch> launches;
    std::vector<Question> questions;
    std::vector<std::string> runs;
    std::vector<Output> outputs;
    std::vector<FilePickerRequest> pickerRequests;
    std::optional<std::string> clipboard;

private:
    Platform* m_previous = nullptr;
};

} // namespace tovel
