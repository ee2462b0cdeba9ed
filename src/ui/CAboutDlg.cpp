#include "ui/CAboutDlg.h"

#include "ui/Icons.h"

#include <QLabel>

namespace tovel {

const DialogTemplate& AboutDialogTemplate()
{
    static const DialogTemplate t{
        "About Tovel",
        235,
        55,
        {
            {-1, Ctl::StaticIcon, "", 11, 17, 20, 20, kNone},
            {-1, Ctl::Static, "Tovel Version 1.0", 40, 10, 119, 8, kNoPrefix | kGroup},
            {-1, Ctl::Static, "Library routines as C calls.", 40, 25, 119, 8, kNoPrefix},
            {-1, Ctl::Static, "\u00a9 2026 The Tovel developers. MIT licence.", 40, 40, 188, 8, kNoPrefix},
            {1, Ctl::DefPushButton, "OK", 178, 7, 50, 14, kGroup | kTabStop},
        },
    };
    return t;
}

CAboutDlg::CAboutDlg(QWidget* parent) : CDialog(AboutDialogTemplate(), parent) {}

bool CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (auto* icon = qobject_cast<QLabel*>(ControlAt(0))) {
        icon->setPixmap(LoadAppIcon(128).pixmap(32, 32));
    }
    return true;
}

} // namespace tovel
