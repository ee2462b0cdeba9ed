#include "platform/FakePlatform.h"

#include <sys/stat.h>

namespace tovel {

FakePlatform::FakePlatform() : m_previous(&CurrentPlatform())
{
    runResult.started = true;
    SetCurrentPlatform(this);
}

FakePlatform::~FakePlatform()
{
    SetCurrentPlatform(m_previous);
}

int FakePlatform::MessageBox(QWidget*, const std::string& text, unsigned style)
{
    messages.push_back({text, style});
    if (!answers.empty()) {
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return (style & 0xF) == MB_YESNO ? IDYES : IDOK;
}

bool FakePlatform::ShellOpen(QWidget*, const std::string& file, const std::string& params, bool hasParams,
                             std::function<void()>)
{
    launches.push_back({file, params, hasParams});
    return !launchesFail;
}

int FakePlatform::Ask(QWidget*, const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
                      int escapeButton)
{
    return AskToRun(nullptr, text, {}, buttons, defaultButton, escapeButton);
}

int FakePlatform::AskToRun(QWidget*, const std::string& text, const std::string& program,
                           const std::vector<std::string>& buttons, int defaultButton, int escapeButton)
{
    questions.push_back({text, buttons, defaultButton, escapeButton, program});
    if (choices.empty())
        return defaultButton;
    const int choice = choices.front();
    choices.pop_front();
    return choice;
}

ToolRun FakePlatform::RunTool(QWidget*, const std::string& program)
{
    runs.push_back(program);
    if (onRun)
        onRun();
    return runResult;
}

void FakePlatform::ShowOutput(QWidget*, const std::string& title, const std::string& text)
{
    outputs.push_back({title, text});
}

bool FakePlatform::SetClipboardText(const std::string& bytes)
{
    if (!clipboardAvailable)
        return false;
    clipboard = bytes;
    return true;
}

std::optional<std::string> FakePlatform::PickFile(QWidget*, const FilePickerRequest& request)
{
    pickerRequests.push_back(request);
    if (pickedFiles.empty())
        return std::nullopt;
    auto picked = pickedFiles.front();
    pickedFiles.pop_front();
    return picked;
}

bool FakePlatform::FileExists(const std::string& path)
{
    if (fileExists)
        return fileExists(path);
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

} // namespace tovel
