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

    FakePlatform();
    ~FakePlatform() override;

    int MessageBox(QWidget* owner, const std::string& text, unsigned style) override;
    void ShellOpen(QWidget* owner, const std::string& file, const std::string& params, bool hasParams) override;
    int RunAndWait(const std::string& program) override;
    bool SetClipboardText(const std::string& bytes) override;
    std::optional<std::string> PickFile(QWidget* owner, const FilePickerRequest& request) override;
    bool FileExists(const std::string& path) override;

    // Scripted answers, used in order; when none is left a box answers IDOK
    // (IDYES for a Yes/No box) and the picker is cancelled.
    void SetNextAnswer(int answer) { answers.push_back(answer); }
    void SetNextFileName(std::string path) { pickedFiles.push_back(std::move(path)); }

    std::deque<int> answers;
    std::deque<std::optional<std::string>> pickedFiles;
    int runResult = 0;                    // what RunAndWait answers
    bool clipboardAvailable = true;
    std::function<bool(const std::string&)> fileExists; // default: the real file system
    std::function<void()> onRun;          // called inside RunAndWait, while the caller waits

    std::vector<Message> messages;
    std::vector<Launch> launches;
    std::vector<std::string> runs;
    std::vector<FilePickerRequest> pickerRequests;
    std::optional<std::string> clipboard;

private:
    Platform* m_previous = nullptr;
};

} // namespace tovel
