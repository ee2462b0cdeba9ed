// The main dialog's help commands and its Setup button.
#include "app/SettingsFile.h"
#include "app/qt/CCallWizardApp.h"
#include "help/HelpLaunch.h"
#include "help/SetupLogic.h"
#include "help/qt/CSetupDlg.h"
#include "platform/Platform.h"
#include "ui/CCallWizardDlg.h"

namespace tovel {

namespace {

constexpr size_t kHelpCapacity = 1000;

LastSettingReader LastReader()
{
    return [](std::string_view key, std::string_view def, size_t capacity) {
        return Settings().Read("Last", key, def, capacity);
    };
}

} // namespace

void CCallWizardDlg::OnHelpButton()
{
    HideOptionLists();
    if (ReadIntroMode(LastReader())) {
        LaunchHelp(this, IntroLaunch(AppPath()));
        return;
    }
    const std::string browser = Settings().Read("Last", "Browser", DefaultBrowser(), kHelpCapacity);
    const std::string helpPath = Settings().Read("Last", "Url", AppPath(), kHelpCapacity);
    LaunchHelp(this, PlanHelpButton(AppPath(), browser, helpPath,
                                    [](const std::string& path) { return CurrentPlatform().FileExists(path); }));
}

bool CCallWizardDlg::OnHelpInfo()
{
    if (ReadIntroMode(LastReader())) {
        LaunchHelp(this, IntroLaunch(AppPath()));
        return true;
    }
    const std::string browser = Settings().Read("Last", "Browser", DefaultBrowser(), kHelpCapacity);
    const std::string helpPath = Settings().Read("Last", "Url", AppPath(), kHelpCapacity);
    LaunchHelp(this, PlanHelpKey(AppPath(), browser, helpPath));
    return true;
}

void CCallWizardDlg::OnSetup()
{
    CSetupDlg dlg(this);
    HideOptionLists();
    SettingsFile settings = Settings();
    dlg.m_strUrl = settings.Read("Last", "Url", AppPath(), kHelpCapacity);
    dlg.m_strBrowser = settings.Read("Last", "Browser", DefaultBrowser(), kHelpCapacity);
    // Read with the same default as start-up and the help commands, so the
    // dialog shows the mode the program is in.
    dlg.m_nIntro = IntroRadioFromSetting(settings.Read("Last", "Intro", "Yes", kHelpCapacity));
    if (dlg.DoModal() == IDOK) {
        Settings().Write("Last", "Browser", dlg.m_strBrowser);
        Settings().Write("Last", "Url", dlg.m_strUrl);
        Settings().Write("Last", "Intro", IntroSettingFromRadio(dlg.m_nIntro));
    }
}

} // namespace tovel
