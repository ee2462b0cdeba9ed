// A main dialog on a fresh program folder, with the recording platform.
#pragma once

#include "app/SettingsFile.h"
#include "app/qt/CCallWizardApp.h"
#include "platform/Controls.h"
#include "platform/FakePlatform.h"
#include "support/TestSupport.h"
#include "ui/CCallWizardDlg.h"

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace tovel::testing {

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.Valid());
        m_appPath = m_dir.Dir();
        theApp().SetAppPath(m_appPath);
        CDialog::SetModalRunner(nullptr);
    }

    void TearDown() override
    {
        m_dlg.reset();
        CDialog::SetModalRunner(nullptr);
    }

    // Creates and initialises the main dialog (what start-up does before showing it).
    CCallWizardDlg& OpenDialog()
    {
        m_dlg = std::make_unique<CCallWizardDlg>();
        m_dlg->CreateAndInitialize();
        return *m_dlg;
    }

    // Shows the dialog and makes it the active window, so real focus moves send notifications.
    void ShowActive()
    {
        m_dlg->show();
        QApplication::setActiveWindow(m_dlg.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_dlg.get()));
    }

    SettingsFile Ini() const { return SettingsFile(m_appPath + "Tovel.ini"); }
    std::string Path(const std::string& name) const { return m_appPath + name; }

    // Writes a library file into the program folder and returns its path.
    std::string MakeLibrary(const std::string& name, const std::string& text)
    {
        WriteFileBytes(Path(name), text);
        return Path(name);
    }

    void RegisterLibrary(const std::string& path, bool current = true)
    {
        EXPECT_TRUE(Ini().Write("Libraries", path, "Yes"));
        if (current) {
            EXPECT_TRUE(Ini().Write("Last", "Library", path));
        }
    }

    // Picks an item of a combo's drop-down list, as the user does.
    static void PickItem(ComboBox* combo, int index)
    {
        combo->showPopup();
        combo->setCurrentIndex(index);
        combo->hidePopup();
        QTest::qWait(0);
        QApplication::processEvents();
    }

    // Opens the function list, picks item index and closes it, as the user does.
    void ChooseFunction(int index)
    {
        ComboBox* combo = m_dlg->m_cbFunction;
        combo->showPopup();
        combo->setCurrentIndex(index);
        combo->hidePopup();
        QTest::qWait(0);
        QApplication::processEvents();
        if (m_dlg->isVisible()) {
            QApplication::setActiveWindow(m_dlg.get());
            QApplication::processEvents();
        }
    }

    testsupport::TempFolder m_dir;
    std::string m_appPath;
    FakePlatform m_platform;
    std::unique_ptr<CCallWizardDlg> m_dlg;
};

} // namespace tovel::testing
