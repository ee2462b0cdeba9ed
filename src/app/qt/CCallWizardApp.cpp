#include "app/qt/CCallWizardApp.h"

#include "app/SettingsFile.h"
#include "app/Startup.h"
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

bool CCallWizardApp::InitInstance(const std::string& executablePath)
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
        CurrentPlatform().ShellOpen(nullptr, "notepad", m_strAppPath + std::string(kIntroFileName), true);
    if (runModal)
        runModal(dlg);
    else
        dlg.DoModal();
    return false;
}

} // namespace tovel
