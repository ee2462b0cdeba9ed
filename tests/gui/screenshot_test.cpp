// Saves pictures of the dialogs when TOVEL_SCREENSHOT_DIR names a folder, so
// their layout can be looked at; checks that the pictures are not empty.
#include "GuiFixture.h"

#include "help/qt/CSetupDlg.h"
#include "ui/CAboutDlg.h"

#include <QImage>
#include <QPixmap>

namespace tovel::testing {
namespace {

std::string ScreenshotDir()
{
    return qEnvironmentVariable("TOVEL_SCREENSHOT_DIR").toStdString();
}

void Save(QWidget& w, const std::string& name)
{
    const QPixmap shot = w.grab();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), w.size());
    const std::string dir = ScreenshotDir();
    if (!dir.empty()) {
        EXPECT_TRUE(shot.save(QString::fromStdString(dir + "/" + name + ".png")));
    }
}

TEST_F(GuiTest, DialogPictures)
{
    const std::string lib = std::string(TOVEL_COMPANION_DIR) + "/LibDev4410.s79";
    CCallWizardDlg& empty = OpenDialog();
    ShowActive();
    Save(empty, "main-empty");

    RegisterLibrary(lib);
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    Save(dlg, "main-library");
    ASSERT_GT(dlg.m_cbFunction->GetCount(), -1);
    dlg.m_cbFunction->showPopup();
    dlg.m_cbFunction->hidePopup();
    QTest::qWait(0);
    const int pwm = dlg.m_cbFunction->FindStringExact(-1, "void PwmSetDuty(char channel, int duty)");
    ChooseFunction(pwm >= 0 ? pwm : 0);
    Save(dlg, "main-routine");

    CDialog::SetModalRunner([](CDialog& box) {
        box.show();
        QTest::qWait(0);
        Save(box, box.windowTitle() == QStringLiteral("Setup") ? "setup" : "about");
        box.SendCommand(IDCANCEL);
    });
    dlg.OnSetup();
    dlg.OnSysCommand(16);
}

} // namespace
} // namespace tovel::testing
