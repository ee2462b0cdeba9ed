// The main dialog's help commands and its Setup button.
#include "app/SettingsFile.h"
#include "app/qt/CCallWizardApp.h"
#include "composer/ToolProgram.h"
#include "help/HelpLaunch.h"
#include "help/SetupLogic.h"
#include "help/qt/CSetupDlg.h"
#include "platform/Platform.h"
#include "ui/CCallWizardDlg.h"

namespace tovel {

namespace {

LastSettingReader LastReader()
{
    return [](std::string_view key, std::string_view def, size_t capacity) {
        return Settings().Read(setting::kLastSection, key, def, capacity);
    };
}

// The help path, a relative one taken from the program's folder.
std::string HelpPathSetting()
{
    return AbsoluteHelpPath(AppPath(), Settings().Read(setting::kUrl, AppPath()));
}

} // namespace

void CCallWizardDlg::OnHelpButton()
{
    HideOptionLists();
    if (ReadIntroMode(LastReader())) {
        LaunchHelp(this, IntroLaunch(AppPath()));
        return;
    }
    const std::string browser = Settings().Read(setting::kBrowser);
    const std::string helpPath = HelpPathSetting();
    const HelpLaunch launch = PlanHelpButton(
        AppPath(), browser, helpPath, [](const std::string& path) { return CurrentPlatform().FileExists(path); });
    // A help program outside the program's own folder is asked about as a library's programs are.
    if (!launch.hasParams && LibraryFolder(launch.file) != AppPath() && !AgreedToRun("Help", launch.file))
        return;
    LaunchHelp(this, launch);
}

bool CCallWizardDlg::OnHelpInfo()
{
    if (ReadIntroMode(LastReader())) {
        LaunchHelp(this, IntroLaunch(AppPath()));
        return true;
    }
    const std::string browser = Settings().Read(setting::kBrowser);
    LaunchHelp(this, PlanHelpKey(AppPath(), browser, HelpPathSetting()));
    return true;
}

void CCallWizardDlg::OnSetup()
{
    CSetupDlg dlg(this);
    HideOptionLists();
    SettingsFile settings = Settings();
    dlg.m_strUrl = settings.Read(setting::kUrl, AppPath());
    dlg.m_strBrowser = settings.Read(setting::kBrowser);
    // Read with the same default as start-up and the help commands, so the
    // dialog shows the mode the program is in.
    dlg.m_nIntro = IntroRadioFromSetting(settings.Read(setting::kIntro));
    if (dlg.DoModal() == IDOK) {
        ReportSettingsWrite(Settings().Write(setting::kBrowser, dlg.m_strBrowser));
        ReportSettingsWrite(Settings().Write(setting::kUrl, AbsoluteHelpPath(AppPath(), dlg.m_strUrl)));
        ReportSettingsWrite(Settings().Write(setting::kIntro, IntroSettingFromRadio(dlg.m_nIntro)));
    }
}

} // namespace tovel
