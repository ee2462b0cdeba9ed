#include "app/qt/CCallWizardApp.h"

#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "app/WindowPlacement.h"
#include "app/qt/DesktopWindow.h"
#include "help/HelpLaunch.h"
#include "help/qt/CSetupDlg.h"
#include "platform/Platform.h"
#include "ui/CCallWizardDlg.h"

#include "common/ByteText.h"

namespace tovel {

CCallWizardApp& theApp()
{
    static CCallWizardApp app;
    return app;
}

SettingsFile Settings()
{
    return theApp().Settings();
}

const std::string& AppPath()
{
    return theApp().m_strAppPath;
}

void ReportSettingsWrite(const SettingsWrite& result)
{
    theApp().ReportSettingsWrite(result);
}

void CCallWizardApp::ReportSettingsWrite(const SettingsWrite& result)
{
    if (result.ok || m_settingsFailureShown)
        return;
    m_settingsFailureShown = true;
    CurrentPlatform().MessageBox(nullptr, SettingsWriteFailedMessage(SettingsPath(), result.reason),
                                 MB_OK | MB_ICONEXCLAMATION);
}

SettingsFile CCallWizardApp::Settings() const
{
    return SettingsFile(SettingsPath());
}

void CCallWizardApp::SetAppPath(const std::string& appPath)
{
    m_strAppPath = appPath;
    m_settingsFailureShown = false;
    SettingsPlace place = PlaceSettings(appPath, CanCreateFilesIn(appPath), UserConfigDir());
    m_settingsPath = std::move(place.path);
    m_settingsNotice = std::move(place.notice);
}

bool CCallWizardApp::InitInstance(const std::string& executablePath, const std::vector<std::string>& files)
{
    CCallWizardDlg dlg;
    SetAppPath(AppPathFromExecutable(executablePath));
    if (!m_settingsNotice.empty()) {
        CurrentPlatform().MessageBox(nullptr, m_settingsNotice, MB_OK | MB_ICONINFORMATION);
        m_settingsNotice.clear();
    }
    ReportSettingsWrite(Settings().Write(setting::kAppPath, m_strAppPath));
    const std::string intro = Settings().Read(setting::kIntroAtStart);
    if (EqualsNoCase(intro, "yes"))
        LaunchHelp(&dlg, IntroLaunch(m_strAppPath));
    dlg.CreateAndInitialize();
    AcceptLibraryDrops(dlg);
    if (!files.empty())
        AddLibraryFiles(dlg, files);
    const WindowSlot slot;
    PlaceMainWindow(dlg, ReadSavedWindow(Settings()), slot.Index());
    auto* keeper = new WindowPlaceKeeper(dlg);
    if (runModal)
        runModal(dlg);
    else
        dlg.DoModal();
    keeper->Flush();
    return false;
}

} // namespace tovel
