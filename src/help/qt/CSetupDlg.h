// The Setup dialog: the browser, the help folder and the help mode.
#pragma once

#include "platform/Dialog.h"

#include <string>

namespace tovel {

class CSetupDlg : public CDialog {
    Q_OBJECT
public:
    explicit CSetupDlg(QWidget* parent = nullptr);

    std::string m_strBrowser;
    int m_nIntro = -1;
    std::string m_strUrl;

    void OnOK() override;
    void OnKillFocusHelpPath();
    bool OnHelpInfo() override;
    void OnBrowseBrowser();
    void OnBrowseHelpPath();

protected:
    void DoDataExchange(DataExchange& dx) override;
};

const DialogTemplate& SetupDialogTemplate();

struct HelpLaunch;
// Hands a help launch to the platform's shell, owned by a dialog's window.
void LaunchHelp(QWidget* owner, const HelpLaunch& launch);

} // namespace tovel
