// The main window as the user meets it: closed combos, Escape in option
// lists, Copy and Enter, lists that fit, tooltips and type-ahead.
#include "GuiFixture.h"

#include "platform/QtPlatform.h"
#include "ui/ControlIds.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

namespace tovel::testing {
namespace {

class WindowTest : public GuiTest {
protected:
    // An assembler library of the given routines (prototype line, hint lines).
    std::string LibraryOf(const std::string& name, const std::vector<std::pair<std::string, std::string>>& routines)
    {
        std::string text;
        for (const auto& [prototype, hints] : routines)
            text += "; C Function prototype: " + prototype + "\r\n" + hints + "\tRET\r\n\tENDMOD\r\n";
        return MakeLibrary(name, text);
    }

    CCallWizardDlg& OpenOn(const std::string& lib)
    {
        RegisterLibrary(lib);
        CCallWizardDlg& dlg = OpenDialog();
        ShowActive();
        return dlg;
    }

    static void Wheel(QWidget* w, int steps)
    {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120 * steps), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &event);
        QApplication::processEvents();
    }

    void Settle()
    {
        QTest::qWait(0);
        QApplication::processEvents();
    }
};

TEST_F(WindowTest, ClosedComboChangesActAsPicksAndTheWheelNeedsTheFocus)
{
    const std::string lib =
        LibraryOf("a.s79", {{"int Alpha(void)", ""}, {"int Beta(void)", ""}, {"int Gamma(void)", ""}});
    const std::string other = LibraryOf("b.s79", {{"int Other(void)", ""}});
    ASSERT_TRUE(Ini().Write("Libraries", other, "Yes"));
    CCallWizardDlg& dlg = OpenOn(lib);
    ChooseFunction(0);
    ASSERT_EQ(dlg.m_strFunction, "Alpha");

    // Down on the closed function list: the panel, the view and the choice follow.
    dlg.m_cbFunction->setFocus();
    QTest::keyClick(dlg.m_cbFunction, Qt::Key_Down);
    Settle();
    EXPECT_EQ(dlg.m_strFunction, "Beta");
    EXPECT_NE(dlg.m_strSource.str().find("Beta"), std::string::npos);
    EXPECT_EQ(Ini().Read("Last", "Choice", "", 100), "int Beta(void)");
    QTest::mouseClick(dlg.GetDlgItem(IDC_COPY), Qt::LeftButton);
    EXPECT_EQ(m_platform.clipboard.value_or(""), "Beta()");

    // The wheel over the focused list does the same; over an unfocused one nothing.
    dlg.m_cbFunction->setFocus();
    Wheel(dlg.m_cbFunction, 1);
    Settle();
    EXPECT_EQ(dlg.m_strFunction, "Gamma");
    dlg.GetDlgItem(IDC_SHOW)->setFocus();
    Wheel(dlg.m_cbFunction, -1);
    Wheel(dlg.m_cbLibrary, 1);
    Settle();
    EXPECT_EQ(dlg.m_cbFunction->GetCurSel(), 2);
    EXPECT_EQ(dlg.m_cbLibrary->GetLBText(dlg.m_cbLibrary->GetCurSel()), lib);

    // Down on the library combo makes the library it shows the current one.
    dlg.m_cbLibrary->setFocus();
    QTest::keyClick(dlg.m_cbLibrary, Qt::Key_Down);
    Settle();
    EXPECT_EQ(Ini().Read("Last", "Library", "", 1000), other);
    EXPECT_EQ(dlg.m_cbFunction->GetCount(), 0); // filled again when opened
    EXPECT_NE(dlg.m_strSource.str().find("Other"), std::string::npos);
}

TEST_F(WindowTest, EscapeClosesAnOptionListAndKeepsTheDialog)
{
    CCallWizardDlg& dlg = OpenOn(LibraryOf("o.s79", {{"int Cfg(int m)", "; m:{A|B|C}\r\n"}}));
    ChooseFunction(0);
    dlg.m_edParam[1]->setFocus();
    Settle();
    ListBox* list = dlg.m_lbParam[1];
    ASSERT_TRUE(list->isVisible());
    // The list ends inside the window.
    EXPECT_LE(list->geometry().bottom(), dlg.height() - 1);
    EXPECT_EQ(list->geometry().top(), 355);
    list->setFocus();
    list->item(1)->setSelected(true);
    QTest::keyClick(list, Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(dlg.Ended());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(dlg.m_edParam[1]->text(), QStringLiteral("B"));
    EXPECT_TRUE(dlg.m_edParam[1]->hasFocus());
    // Elsewhere Escape still ends the dialog.
    QTest::keyClick(dlg.m_edParam[1], Qt::Key_Escape);
    EXPECT_TRUE(dlg.Ended());
}

TEST_F(WindowTest, CopyNeedsARoutineAndReportsARangeOnEnterAndOnClick)
{
    CCallWizardDlg& dlg = OpenOn(LibraryOf("r.s79", {{"void Set(int v)", "; v:{0-10}\r\n"}}));
    // No routine chosen yet: nothing reaches the clipboard.
    QTest::mouseClick(dlg.GetDlgItem(IDC_COPY), Qt::LeftButton);
    EXPECT_FALSE(m_platform.clipboard.has_value());

    ChooseFunction(0);
    dlg.m_edParam[1]->setFocus();
    QTest::keyClicks(dlg.m_edParam[1], QStringLiteral("20"));
    QTest::keyClick(dlg.m_edParam[1], Qt::Key_Return);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "v Out of range.\nAllowed: 0 to 10");
    EXPECT_EQ(m_platform.clipboard.value_or(""), "Set(20)");

    // A click on Copy straight from the edit: one report, and the call is copied.
    m_platform.clipboard.reset();
    dlg.m_edParam[1]->setFocus();
    Settle();
    QTest::mouseClick(dlg.GetDlgItem(IDC_COPY), Qt::LeftButton);
    Settle();
    EXPECT_EQ(m_platform.messages.size(), 2u);
    EXPECT_EQ(m_platform.clipboard.value_or(""), "Set(20)");
    // Leaving Copy without a click reports what was waiting, once.
    dlg.m_edParam[1]->setFocus();
    Settle();
    dlg.GetDlgItem(IDC_COPY)->setFocus();
    Settle();
    EXPECT_EQ(m_platform.messages.size(), 2u);
    dlg.GetDlgItem(IDC_SHOW)->setFocus();
    Settle();
    EXPECT_EQ(m_platform.messages.size(), 3u);
}

TEST_F(WindowTest, TypeAheadFindsARoutineByNameAndListsFitTheirText)
{
    std::vector<std::pair<std::string, std::string>> routines;
    for (int i = 0; i < 40; ++i)
        routines.push_back({"int Get" + std::to_string(100 + i) + "(void)", ""});
    routines.push_back({"char UartRead(void)", ""});
    routines.push_back({"void SetUartBaudRate(unsigned long baud, unsigned char parity, unsigned char stop_bits, "
                        "unsigned char flow_control)",
                        ""});
    CCallWizardDlg& dlg = OpenOn(LibraryOf("t.s79", routines));
    ComboBox* combo = dlg.m_cbFunction;
    combo->setFocus();
    combo->showPopup();
    Settle();
    QAbstractItemView* view = combo->view();
    // As wide as the longest prototype (up to the screen), wider than the field.
    const int popup = view->window()->width();
    EXPECT_GT(popup, combo->width());
    EXPECT_LE(popup, combo->screen()->availableGeometry().width());

    // The name, not the return type; case ignored; a part of a name when no name starts with it.
    QTest::keyClicks(view, QStringLiteral("uart"));
    EXPECT_EQ(view->currentIndex().data().toString().toStdString(), "char UartRead(void)");
    QTest::keyClicks(view, QStringLiteral("b"));
    EXPECT_EQ(view->currentIndex().data().toString().toStdString(), routines.back().first);
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(view->currentIndex().data().toString().toStdString(), "char UartRead(void)");
    QTest::keyClick(view, Qt::Key_Return);
    Settle();
    EXPECT_EQ(dlg.m_strFunction, "UartRead");
    EXPECT_EQ(dlg.m_strType, "char");

    // The cut text of a label shows whole in its tooltip; one that fits has none.
    QWidget* label = dlg.GetDlgItem(IDC_FUNCTION_LABEL);
    EXPECT_TRUE(CutTextToolTip(label).isEmpty());
    combo->showPopup();
    Settle();
    combo->setCurrentIndex(combo->FindStringExact(-1, routines.back().first));
    combo->hidePopup();
    Settle();
    static_cast<QLabel*>(label)->setText(QStringLiteral("SetUartBaudRateWithAVeryLongName"));
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(label, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("SetUartBaudRateWithAVeryLongName"));
    EXPECT_EQ(CutTextToolTip(combo), QString::fromStdString(routines.back().first));
}

TEST_F(WindowTest, RealPickerKeepsSelectAndStartUpMessagesSitMidScreen)
{
    WriteFileBytes(Path("sub/a.s79"), "x");
    QtPlatform real;
    QString accept;
    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!picker)
            return;
        // A folder's name in the File name field: Qt would offer to "Open" it.
        if (auto* name = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QStringLiteral("sub"));
        QApplication::processEvents();
        for (QAbstractButton* button : picker->findChild<QDialogButtonBox*>()->buttons())
            if (picker->findChild<QDialogButtonBox*>()->buttonRole(button) == QDialogButtonBox::AcceptRole) {
                button->repaint();
                accept = button->text();
            }
        picker->reject();
    });
    FilePickerRequest request;
    request.title = "Select Library Source";
    request.initialFolder = m_appPath;
    EXPECT_FALSE(real.PickFile(nullptr, request).has_value());
    EXPECT_EQ(accept, QStringLiteral("&Select"));

    // The main window is not on screen yet during start-up: the box goes
    // where the window will appear, not to the screen's corner.
    CCallWizardDlg& dlg = OpenDialog();
    ASSERT_FALSE(dlg.isVisible());
    QPoint boxCentre;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxCentre = box->geometry().center();
            box->accept();
        }
    });
    real.MessageBox(&dlg, "Library x not available.", MB_OK | MB_ICONHAND);
    const QPoint screenCentre = dlg.screen()->availableGeometry().center();
    EXPECT_LE((boxCentre - screenCentre).manhattanLength(), 40);
}

} // namespace
} // namespace tovel::testing
