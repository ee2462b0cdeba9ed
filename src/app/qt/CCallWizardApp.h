// The application object: start-up, the program folder and the settings file.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tovel {

class CCallWizardDlg;
class SettingsFile;
struct SettingsWrite;

class CCallWizardApp {
public:
    // The program's folder, ending with a separator.
    std::string m_strAppPath;

    // Start-up: records the folder, may open the introduction, adds the
    // library files given (the last one becomes current), runs the main
    // dialog modally at its saved place, and saves that place when it ends.
    // Returns false: no message loop follows.
    bool InitInstance(const std::string& executablePath, const std::vector<std::string>& files = {});

    // The settings file, built anew at each use.
    const std::string& SettingsPath() const { return m_settingsPath; }
    SettingsFile Settings() const;

    // Points the application at a folder (start-up does it; tests too) and
    // chooses the settings file (see PlaceSettings).
    void SetAppPath(const std::string& appPath);
    // What start-up tells the user about where settings go, once; "" when
    // there is nothing to tell.
    std::string m_settingsNotice;

    // Runs the dialog modally; tests replace it so nothing blocks.
    std::function<int(CCallWizardDlg&)> runModal;

    // Shows the first failed settings change of the run in a message box;
    // later failures stay quiet, as the user already knows.
    void ReportSettingsWrite(const SettingsWrite& result);
    // Whether a failure has been shown in this run (tests reset it).
    bool m_settingsFailureShown = false;

private:
    std::string m_settingsPath;
};

CCallWizardApp& theApp();

// The settings file of the running program.
SettingsFile Settings();
// The program's own folder, ending with a separator.
const std::string& AppPath();
// theApp().ReportSettingsWrite: every change of a setting passes its result
// here, so no failure goes unnoticed.
void ReportSettingsWrite(const SettingsWrite& result);

} // namespace tovel
