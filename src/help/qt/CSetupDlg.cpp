#include "help/qt/CSetupDlg.h"

#include "app/SettingsFile.h"
#include "app/qt/CCallWizardApp.h"
#include "help/HelpLaunch.h"
#include "help/SetupLogic.h"
#include "help/qt/HelpFallback.h"
#include "platform/CLibBrowse.h"
#include "platform/Platform.h"
#include "ui/CCallWizardDlg.h"

#include <QPointer>

namespace tovel {

namespace {

enum : int {
    IDC_BROWSER = 1008,
    IDC_INTRO = 1010,
    IDC_DETAILS = 1011,
    IDC_HELP_PATH = 1012,
    IDC_BROWSE_HELP = 1059,
    IDC_BROWSE_BROWSER = 1058
};

} // namespace

void LaunchHelp(QWidget* owner, const HelpLaunch& launch)
{
    // The browser is given its page as a URL; the text viewer takes a path.
    const bool page = launch.hasParams && launch.file != kNotepad;
    const std::string params = page ? PageUrl(launch.params) : launch.params;
    // A failure is shown over the window that asked, when it is still there.
    const auto failed = [owner = QPointer<QWidget>(owner), launch, params] {
        if (owner)
            HelpLaunchFailed(owner, launch, params);
    };
    if (!CurrentPlatform().ShellOpen(owner, launch.file, params, launch.hasParams, failed))
        HelpLaunchFailed(owner, launch, params);
}

const DialogTemplate& SetupDialogTemplate()
{
    static const DialogTemplate t{
        "Setup",
        207,
        130,
        {
            {-1, Ctl::Static, "&Browser - full path, name and extension", 5, 15, 124, 8, kNone},
            {IDC_BROWSER, Ctl::Edit, "", 5, 25, 195, 15, kTabStop},
            {-1, Ctl::Static, "Help &Path", 5, 50, 32, 8, kNone},
            {IDC_HELP_PATH, Ctl::Edit, "", 5, 60, 195, 15, kTabStop},
            {-1, Ctl::GroupBox, "&Help", 5, 85, 65, 40, kNone},
            {IDC_INTRO, Ctl::AutoRadio, "&Intro", 20, 95, 30, 10, kGroup | kTabStop},
            {IDC_DETAILS, Ctl::AutoRadio, "&Details", 20, 110, 37, 10, kNone},
            {2, Ctl::PushButton, "&Cancel", 165, 85, 35, 15, kTabStop},
            {1, Ctl::DefPushButton, "OK", 165, 110, 35, 15, kTabStop},
            {IDC_BROWSE_HELP, Ctl::PushButton, "Browse", 165, 45, 35, 15, kTabStop},
            {IDC_BROWSE_BROWSER, Ctl::PushButton, "Browse", 165, 10, 35, 15, kTabStop},
        },
    };
    return t;
}

CSetupDlg::CSetupDlg(QWidget* parent) : CDialog(SetupDialogTemplate(), parent)
{
    On(IDC_HELP_PATH, Notify::KillFocus, [this] { OnKillFocusHelpPath(); });
    On(IDC_BROWSE_BROWSER, Notify::Clicked, [this] { OnBrowseBrowser(); });
    On(IDC_BROWSE_HELP, Notify::Clicked, [this] { OnBrowseHelpPath(); });
}

void CSetupDlg::DoDataExchange(DataExchange& dx)
{
    DDX_Text(dx, IDC_BROWSER, m_strBrowser);
    DDX_Radio(dx, IDC_INTRO, m_nIntro);
    DDX_Text(dx, IDC_HELP_PATH, m_strUrl);
}

void CSetupDlg::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void CSetupDlg::OnKillFocusHelpPath()
{
    UpdateData(true);
    m_strUrl = AbsoluteHelpPath(AppPath(), EnsureTrailingBackslash(m_strUrl));
    ReportSettingsWrite(Settings().Write(setting::kUrl, m_strUrl));
    UpdateData(false);
}

bool CSetupDlg::OnHelpInfo()
{
    UpdateData(true);
    if (IsIntroMode(Settings().Read(setting::kIntro)))
        LaunchHelp(this, IntroLaunch(AppPath()));
    else
        LaunchHelp(this, PlanSetupHelp(m_strBrowser, AbsoluteHelpPath(AppPath(), m_strUrl)));
    return true;
}

void CSetupDlg::OnBrowseBrowser()
{
    CLibBrowse browse(this);
    UpdateData(true);
    browse.m_ofn.title = "Select Browser";
    const PickerStartInfo start = BrowserPickerStart(m_strBrowser);
    if (start.hasPreset)
        browse.m_ofn.initialFileName = start.presetFile;
    browse.m_ofn.initialFolder = start.folder;
    browse.m_ofn.filters = {{"Browser(*.exe)", "*.exe"}, {" All(*.*)", "*.*"}};
    if (browse.DoModal() == IDOK)
        m_strBrowser = browse.GetPathName();
    UpdateData(false);
}

void CSetupDlg::OnBrowseHelpPath()
{
    CLibBrowse browse(this);
    UpdateData(true);
    browse.m_ofn.title = "Help Parent";
    const PickerStartInfo start = HelpPickerStart(m_strUrl);
    browse.m_ofn.initialFolder = start.folder;
    if (start.hasPreset)
        browse.m_ofn.initialFileName = start.presetFile;
    browse.m_ofn.filters = {{"Help(*.html)", "*.html"}, {" All(*.*)", "*.*"}};
    if (browse.DoModal() == IDOK)
        m_strUrl = HelpFolderFromPick(browse.GetPathName());
    UpdateData(false);
}

} // namespace tovel
