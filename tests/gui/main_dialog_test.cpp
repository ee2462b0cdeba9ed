// The main dialog's controls, initialisation and window-level commands.
#include "GuiFixture.h"

#include "common/ByteText.h"
#include "common/DialogUnits.h"
#include "platform/ByteTextView.h"
#include "platform/Text.h"
#include "ui/CAboutDlg.h"
#include "ui/ControlIds.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tovel::testing {
namespace {

struct ExpectedControl {
    int id;
    const char* qtClass;
    bool visible;
    bool enabled;
};

TEST_F(GuiTest, ControlsFollowTheTemplateInTabOrder)
{
    CCallWizardDlg& dlg = OpenDialog();
    const DialogTemplate& t = MainDialogTemplateForTest();
    ASSERT_EQ(t.controls.size(), 41u + 5u * (kMaxSlots - 4));
    EXPECT_EQ(dlg.width(), 558);
    EXPECT_EQ(dlg.height(), 424);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Tovel"));

    const ExpectedControl spotChecks[] = {
        {1060, "QPushButton", false, false},
        {1006, "QPushButton", true, true},
        {1005, "tovel::ComboBox", true, true},
        {1000, "tovel::ComboBox", true, true},
        {1014, "tovel::ByteTextView", true, true},
        {3, "QPushButton", true, true},
        {1, "QPushButton", true, true},
        {1037, "tovel::ComboBox", false, true},
        {1044, "QLineEdit", false, true},
        {1054, "tovel::ListBox", false, true},
        {1180, "QPushButton", false, false},
        {2, "QPushButton", false, false},
        {1045, "QLabel", true, true},
        {1061, "QPushButton", true, true},
    };
    for (const auto& e : spotChecks) {
        QWidget* w = dlg.GetDlgItem(e.id);
        ASSERT_NE(w, nullptr) << e.id;
        EXPECT_TRUE(w->inherits(e.qtClass)) << e.id << " is " << w->metaObject()->className();
        EXPECT_EQ(!w->isHidden(), e.visible) << e.id;
        EXPECT_EQ(w->isEnabled(), e.enabled) << e.id;
    }
    // Non-combo controls sit at their template rectangles converted at 6 x 13 base units.
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const ControlTemplate& c = t.controls[i];
        QWidget* w = dlg.ControlAt(i);
        ASSERT_NE(w, nullptr);
        if (c.kind == Ctl::ComboDropDown || c.kind == Ctl::ComboDropDownList) {
            EXPECT_EQ(w->x(), DluToPixelsX(c.x)) << i;
            EXPECT_EQ(w->width(), DluToPixelsX(c.w)) << i;
        } else {
            EXPECT_EQ(w->geometry(), CDialog::DluRect(c)) << "control #" << i + 1;
        }
    }
    // The "Choose Parameters" group spans pixel rows 301 to 357.
    EXPECT_EQ(dlg.GetDlgItem(1056)->geometry().top(), 301);
    EXPECT_EQ(dlg.GetDlgItem(1056)->geometry().bottom(), 357);

    // Tab order is template order.
    std::vector<int> tabIds;
    QWidget* first = dlg.GetDlgItem(1060);
    QWidget* w = first;
    do {
        for (size_t i = 0; i < t.controls.size(); ++i)
            if (dlg.ControlAt(i) == w && (t.controls[i].style & kTabStop))
                tabIds.push_back(t.controls[i].id);
        w = w->nextInFocusChain();
    } while (w && w != first && tabIds.size() < 200);
    const std::vector<int> expectedStart = {1060, 1006, 1007, 1005, 1000, 1014, 3, 1, 1004, 1003};
    ASSERT_GE(tabIds.size(), expectedStart.size());
    EXPECT_EQ(std::vector<int>(tabIds.begin(), tabIds.begin() + 10), expectedStart);
    EXPECT_EQ(tabIds.back(), 1061);
}

TEST_F(GuiTest, FirstPushEmptiesLabelsAndFocusGoesToTheFunctionList)
{
    CCallWizardDlg& dlg = OpenDialog();
    for (int id : {1045, 1046, 1047, 1048, 1050, 1051})
        EXPECT_TRUE(static_cast<QLabel*>(dlg.GetDlgItem(id))->text().isEmpty()) << id;
    EXPECT_EQ(dlg.m_cbLibrary->GetCurSel(), -1);
    EXPECT_EQ(dlg.m_cbFunction->GetCurSel(), -1);
    EXPECT_EQ(dlg.focusWidget(), dlg.GetDlgItem(1000)); // Enter then asks nothing
    // Captions keep their mnemonics; the fixed-pitch font has the formula's height.
    EXPECT_EQ(static_cast<QPushButton*>(dlg.GetDlgItem(3))->text(), QStringLiteral("&Copy"));
    EXPECT_EQ(dlg.m_edSource->font().pixelSize(), -FixedFontHeight(dlg.logicalDpiX()));
    EXPECT_EQ(dlg.m_cbFunction->font().pixelSize(), dlg.m_edSource->font().pixelSize());
    EXPECT_TRUE(dlg.m_font.fixedPitch());
    // Copy answers Enter; Exit does not take it away.
    EXPECT_TRUE(static_cast<QPushButton*>(dlg.GetDlgItem(3))->isDefault());
    EXPECT_FALSE(static_cast<QPushButton*>(dlg.GetDlgItem(1))->isDefault());
}

TEST_F(GuiTest, CloseEndsWithOneWithoutPullButExitPulls)
{
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    dlg.m_edParam[1]->setText(QStringLiteral("typed"));
    dlg.close();
    EXPECT_TRUE(dlg.Ended());
    EXPECT_EQ(dlg.Result(), 1);
    EXPECT_TRUE(dlg.m_strParam[1].empty());

    CCallWizardDlg& again = OpenDialog();
    again.m_edParam[1]->setText(QStringLiteral("typed"));
    again.SendCommand(IDOK);
    EXPECT_EQ(again.Result(), 1);
    EXPECT_EQ(again.m_strParam[1], "typed");
}

TEST_F(GuiTest, EscapeCancelsWithTwoAndEnterCopies)
{
    std::string lib = MakeLibrary("k.s79", "; C Function prototype: int Get(void)\r\n\tRET\r\n\tENDMOD\r\n");
    RegisterLibrary(lib);
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    ChooseFunction(0);
    dlg.GetDlgItem(1006)->setFocus();
    m_platform.SetNextAnswer(IDNO);
    QTest::keyClick(dlg.GetDlgItem(1006), Qt::Key_Return);
    // Enter on a focused push button presses that button (Unlist asks first).
    ASSERT_EQ(m_platform.messages.size(), 1u);
    m_platform.messages.clear();
    dlg.m_edSource->setFocus();
    QTest::keyClick(dlg.m_edSource, Qt::Key_Return);
    ASSERT_TRUE(m_platform.clipboard.has_value());
    EXPECT_EQ(*m_platform.clipboard, "Get()");
    EXPECT_FALSE(dlg.Ended());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_TRUE(dlg.Ended());
    EXPECT_EQ(dlg.Result(), 2);
}

TEST_F(GuiTest, AboutCommandRunsTheAboutBox)
{
    CCallWizardDlg& dlg = OpenDialog();
    std::vector<std::string> seen;
    CDialog::SetModalRunner([&](CDialog& box) {
        seen.push_back(ToBytes(box.windowTitle()));
        auto* version = qobject_cast<QLabel*>(box.ControlAt(1));
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), QStringLiteral("Tovel Version 1.0"));
        box.SendCommand(IDOK);
    });
    dlg.OnSysCommand(IDM_ABOUTBOX | 0x3); // the low four bits do not matter
    dlg.OnSysCommand(0xF060);             // any other command is left alone
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "About Tovel");
}

TEST_F(GuiTest, FocusOnListsOrSourceHidesEveryOptionList)
{
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    for (int id : {1000, 1005, 1014}) {
        for (int k = 1; k <= 4; ++k)
            dlg.SetWindowPos(kOptionListId[static_cast<size_t>(k)], InsertAfter::None, 100, 100, 50, 50,
                             SWP_SHOWWINDOW | SWP_NOZORDER);
        dlg.GetDlgItem(1006)->setFocus();
        dlg.GetDlgItem(id)->setFocus();
        QApplication::processEvents();
        for (int k = 1; k <= 4; ++k) {
            QWidget* list = dlg.GetDlgItem(kOptionListId[static_cast<size_t>(k)]);
            EXPECT_TRUE(list->isHidden()) << id << " slot " << k;
            EXPECT_EQ(list->geometry(), QRect(1, 1, 1, 1));
        }
    }
}

TEST_F(GuiTest, IconButtonDoesNothing)
{
    CCallWizardDlg& dlg = OpenDialog();
    const std::string before = ReadFileBytes(Path("Tovel.ini"));
    dlg.SendCommand(IDC_TOVEL);
    EXPECT_FALSE(dlg.Ended());
    EXPECT_TRUE(m_platform.messages.empty());
    EXPECT_EQ(ReadFileBytes(Path("Tovel.ini")), before);
}

TEST_F(GuiTest, StartUpRecordsTheFolderAndOpensTheIntroduction)
{
    const std::string exe = m_appPath + "Tovel";
    int ran = 0;
    theApp().runModal = [&](CCallWizardDlg& dlg) {
        ++ran;
        dlg.CreateAndInitialize();
        EXPECT_TRUE(dlg.GetDlgItem(1006) != nullptr);
        return 1;
    };
    EXPECT_FALSE(theApp().InitInstance(exe));
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(Ini().Read("Last", "AppPath", "", 1000), m_appPath);
    ASSERT_EQ(m_platform.launches.size(), 1u);
    EXPECT_EQ(m_platform.launches[0].file, "notepad");
    EXPECT_EQ(m_platform.launches[0].params, m_appPath + "Tovel.txt");

    // Any letter case of "yes" opens it; "No" or an empty value does not.
    for (const char* intro : {"YES", "yEs", "No", ""}) {
        m_platform.launches.clear();
        EXPECT_TRUE(Ini().Write("Last", "Intro", intro));
        theApp().InitInstance(exe);
        EXPECT_EQ(m_platform.launches.size(), EqualsNoCase(intro, "yes") ? 1u : 0u) << intro;
    }
    theApp().runModal = nullptr;
}

} // namespace
} // namespace tovel::testing

namespace tovel::testing {
namespace {

TEST_F(GuiTest, MnemonicsMoveTheFocusOrPressTheButton)
{
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    struct Row {
        Qt::Key key;
        int focusedId;
    };
    // A label's letter focuses the control after it; a group's letter the
    // input control it frames.
    const Row rows[] = {{Qt::Key_F, 1000}, {Qt::Key_S, 1014}, {Qt::Key_L, 1005}};
    for (const Row& row : rows) {
        dlg.GetDlgItem(1006)->setFocus();
        QTest::keyClick(&dlg, row.key, Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), dlg.GetDlgItem(row.focusedId)) << row.focusedId;
    }
    // A button's letter presses it: Add opens the picker.
    QTest::keyClick(&dlg, Qt::Key_A, Qt::AltModifier);
    QTest::qWait(300); // the button shows itself pressed first
    ASSERT_EQ(m_platform.pickerRequests.size(), 1u);
    EXPECT_EQ(m_platform.pickerRequests[0].title, "Select Library Source");
}

} // namespace
} // namespace tovel::testing

#include "platform/QtPlatform.h"

namespace tovel::testing {
namespace {

TEST(QtNameFilterTest, KeepsTheTextAndMakesAllMeanEveryFile)
{
    EXPECT_EQ(QtNameFilter({" Header(*.h)", "*.h"}), QStringLiteral(" Header(*.h)"));
    EXPECT_EQ(QtNameFilter({"Browser(*.exe)", "*.exe"}), QStringLiteral("Browser(*.exe)"));
    EXPECT_EQ(QtNameFilter({"Help", "*.html"}), QStringLiteral("Help(*.html)"));
#ifndef _WIN32
    EXPECT_EQ(QtNameFilter({" All(*.*)", "*.*"}), QStringLiteral(" All(*)"));
#endif
}

} // namespace
} // namespace tovel::testing
