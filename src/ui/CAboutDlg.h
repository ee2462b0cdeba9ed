// The About box.
#pragma once

#include "platform/Dialog.h"

namespace tovel {

class CAboutDlg : public CDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    bool OnInitDialog() override;
};

const DialogTemplate& AboutDialogTemplate();

} // namespace tovel
