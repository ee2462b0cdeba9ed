// Keyboard-only use of the main dialog: Tab reaches every control that is
// shown, the mnemonics reach or press theirs, Enter copies the call from the
// value controls.
#include "GuiFixture.h"

#include "ui/ControlIds.h"

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

namespace tovel::testing {
namespace {

class KeyboardReachTest : public GuiTest {
protected:
    CCallWizardDlg& OpenWithRoutine(const std::string& prototype, const std::string& hints)
    {
        const std::string lib =
            MakeLibrary("keys.s79", "; C Function prototype: " + prototype + "\r\n" + hints + "\tRET\r\n\tENDMOD\r\n");
        RegisterLibrary(lib);
        CCallWizardDlg& dlg = OpenDialog();
        ShowActive();
        ChooseFunction(0);
        return dlg;
    }

    // The template id of the control that has the focus (a combo's edit
    // field counts as its combo); 0 when no control of the dialog has it.
    int FocusedId() const
    {
        QWidget* w = QApplication::focusWidget();
        if (w && qobject_cast<QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget()))
            w = w->parentWidget();
        for (size_t i = 0; m_dlg->ControlAt(i); ++i)
            if (m_dlg->ControlAt(i) == w)
                return MainDialogTemplateForTest().controls[i].id;
        return 0;
    }

    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : m_dlg.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
        QApplication::processEvents();
    }

    void FocusControl(int id)
    {
        m_dlg->GetDlgItem(id)->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }

    // Presses Tab from the given control until the focus comes back to it.
    std::vector<int> TabRound(int fromId)
    {
        FocusControl(fromId);
        std::vector<int> visited{FocusedId()};
        for (int i = 0; i < 60; ++i) {
            Press(Qt::Key_Tab);
            const int id = FocusedId();
            if (id == fromId)
                break;
            visited.push_back(id);
        }
        return visited;
    }
};

const DialogTemplate& Template()
{
    return MainDialogTemplateForTest();
}

TEST_F(KeyboardReachTest, TabVisitsEveryShownControlInTemplateOrder)
{
    // A choice list, a range, and an option list in the last slot.
    OpenWithRoutine("void Cfg(char a, int b, char c)", "; a:{X,Y}\r\n; b:{1-9}\r\n; c:{P|Q|R}\r\n");
    const std::vector<int> round = TabRound(IDC_UNLIST);
    // The option list opens when its edit takes the focus and is next in
    // the order; Show closes the round.
    const std::vector<int> expected = {1006, 1007, 1005, 1000, 1014, 3, 1, 1004, 1003, 1037, 1042, 1043, 1049, 1061};
    EXPECT_EQ(round, expected);
    EXPECT_TRUE(m_platform.messages.empty());
    // Leaving the option list hid it again.
    EXPECT_TRUE(m_dlg->GetDlgItem(1049)->isHidden());

    // Shift+Tab goes the same way back; the option list, closed when the
    // round left it, stays out of the way back.
    FocusControl(IDC_SHOW);
    std::vector<int> back;
    for (int i = 0; i < 12; ++i) {
        Press(Qt::Key_Tab, Qt::ShiftModifier);
        back.push_back(FocusedId());
    }
    const std::vector<int> expectedBack = {1043, 1042, 1037, 1003, 1004, 1, 3, 1014, 1000, 1005, 1007, 1006};
    EXPECT_EQ(back, expectedBack);
}

TEST_F(KeyboardReachTest, EnterCopiesFromEveryValueControl)
{
    CCallWizardDlg& dlg = OpenWithRoutine("void Cfg(char a, int b)", "; a:{X,Y}\r\n; b:{}\r\n");
    struct Row {
        int focusId;
        const char* typed;
        const char* expected;
    };
    // From the value combo's edit field, the value edit, the function list
    // and the source view, Enter presses Copy.
    const Row rows[] = {
        {1042, "7", "Cfg(X,7)"},
        {1037, "", "Cfg(X,7)"},
        {IDC_FUNCTION, "", "Cfg(X,7)"},
        {IDC_SOURCE, "", "Cfg(X,7)"},
    };
    for (const Row& row : rows) {
        m_platform.clipboard.reset();
        FocusControl(row.focusId);
        if (*row.typed)
            QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(row.typed));
        Press(Qt::Key_Return);
        EXPECT_EQ(m_platform.clipboard.value_or("<nothing copied>"), row.expected) << "from " << row.focusId;
        EXPECT_FALSE(dlg.Ended()) << row.focusId;
    }
}

TEST_F(KeyboardReachTest, ButtonMnemonicsPressTheirButtons)
{
    CCallWizardDlg& dlg = OpenWithRoutine("int Get(void)", "");
    FocusControl(IDC_SOURCE);
    // Alt+C copies.
    Press(Qt::Key_C, Qt::AltModifier);
    QTest::qWait(300); // the button shows itself pressed first
    EXPECT_EQ(m_platform.clipboard.value_or(""), "Get()");
    // Alt+H opens the introduction (Intro defaults to yes).
    Press(Qt::Key_H, Qt::AltModifier);
    QTest::qWait(300);
    ASSERT_EQ(m_platform.launches.size(), 1u);
    EXPECT_EQ(m_platform.launches[0].params, m_appPath + "Tovel.txt");
    // Alt+U asks before it unlists the library.
    m_platform.SetNextAnswer(IDNO);
    Press(Qt::Key_U, Qt::AltModifier);
    QTest::qWait(300);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    // Alt+X ends the dialog as Exit does.
    Press(Qt::Key_X, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_TRUE(dlg.Ended());
    EXPECT_EQ(dlg.Result(), IDOK);
}

TEST_F(KeyboardReachTest, AltPReachesSetupAndTheParametersInTurn)
{
    // "Setu&p" and "Choose &Parameters" share their letter: each press of
    // Alt+P moves the focus to the next of the two, pressing neither.
    OpenWithRoutine("void Cfg(char a)", "; a:{X,Y}\r\n");
    int setupRuns = 0;
    CDialog::SetModalRunner([&](CDialog& box) {
        ++setupRuns;
        box.SendCommand(IDCANCEL);
    });
    FocusControl(IDC_SOURCE);
    std::vector<int> seen;
    for (int i = 0; i < 3; ++i) {
        Press(Qt::Key_P, Qt::AltModifier);
        QTest::qWait(50);
        seen.push_back(FocusedId());
    }
    EXPECT_EQ(seen[0], seen[2]);
    EXPECT_NE(seen[0], seen[1]);
    std::sort(seen.begin(), seen.begin() + 2);
    EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 2), (std::vector<int>{IDC_SETUP, 1037}));
    EXPECT_EQ(setupRuns, 0);
    // Space then presses the focused Setup button.
    FocusControl(IDC_SETUP);
    Press(Qt::Key_Space);
    QTest::qWait(50);
    EXPECT_EQ(setupRuns, 1);
}

TEST_F(KeyboardReachTest, OptionListBeforeTheLastSlotIsReachable)
{
    OpenWithRoutine("void Cfg(char a, int b)", "; a:{P|Q|R}\r\n; b:{}\r\n");
    FocusControl(1041);
    ASSERT_FALSE(m_dlg->GetDlgItem(1054)->isHidden());
    Press(Qt::Key_Tab);
    EXPECT_EQ(FocusedId(), 1054);
    // From the open list, Tab goes on to the next slot.
    Press(Qt::Key_Tab);
    EXPECT_EQ(FocusedId(), 1042);
}

TEST_F(KeyboardReachTest, EveryTabStopOfTheTemplateIsTakenOrHidden)
{
    // Each control with the tab-stop style takes the keyboard focus when it
    // is shown and enabled; static texts and frames never do.
    OpenDialog();
    ShowActive();
    const DialogTemplate& t = Template();
    for (size_t i = 0; i < t.controls.size(); ++i) {
        QWidget* w = m_dlg->ControlAt(i);
        const bool tabStop = (t.controls[i].style & kTabStop) != 0;
        EXPECT_EQ(w->focusPolicy() == Qt::StrongFocus, tabStop) << "control #" << i + 1 << " id " << t.controls[i].id;
    }
}

} // namespace
} // namespace tovel::testing
