// The parameter panel, the value editors and Copy, driven through the dialog.
#include "GuiFixture.h"

#include "composer/ValueEditors.h"
#include "platform/QtPlatform.h"
#include "ui/ControlIds.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <set>

namespace tovel::testing {
namespace {

class ComposerDialogTest : public GuiTest {
protected:
    // A library with one routine, registered and current before the dialog opens.
    CCallWizardDlg& OpenWithRoutine(const std::string& prototypeLine, const std::string& hintLines)
    {
        const std::string lib = MakeLibrary("lib.s79", prototypeLine + "\r\n" + hintLines + "\tRET\r\n\tENDMOD\r\n");
        RegisterLibrary(lib);
        CCallWizardDlg& dlg = OpenDialog();
        ShowActive();
        ChooseFunction(0);
        return dlg;
    }

    QRect Geometry(int id) { return m_dlg->GetDlgItem(id)->geometry(); }
    bool Shown(int id) { return !m_dlg->GetDlgItem(id)->isHidden(); }

    void Copy()
    {
        QTest::mouseClick(m_dlg->GetDlgItem(IDC_COPY), Qt::LeftButton);
        QApplication::processEvents();
    }

    std::string Clipboard() { return m_platform.clipboard.value_or("<nothing copied>"); }

    void FocusEdit(int k)
    {
        m_dlg->m_edParam[static_cast<size_t>(k)]->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }
};

TEST_F(ComposerDialogTest, WorkedExamplePanelAndCall)
{
    CCallWizardDlg& dlg = OpenWithRoutine("; C Function prototype: void PwmSetDuty(char channel, int duty);",
                                          "; channel:{0,1,2,3}\r\n; duty : {0-100}\r\n");
    EXPECT_EQ(dlg.m_strType, "void");
    EXPECT_EQ(dlg.m_strFunction, "PwmSetDuty");
    EXPECT_EQ(static_cast<QLabel*>(dlg.GetDlgItem(1045))->text(), QStringLiteral("channel"));
    EXPECT_EQ(Geometry(1045), QRect(130, 318, 170, 14));
    EXPECT_EQ(Geometry(1037), QRect(130, 332, 170, 18));
    EXPECT_TRUE(Shown(1037));
    EXPECT_EQ(dlg.m_cbParam[1]->Items(), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(dlg.m_cbParam[1]->GetCurSel(), 0);
    EXPECT_EQ(Geometry(1033), QRect(301, 332, 8, 18));
    EXPECT_TRUE(Shown(1033));
    EXPECT_EQ(Geometry(1046), QRect(310, 318, 170, 14));
    EXPECT_EQ(Geometry(1042), QRect(310, 332, 170, 18));
    EXPECT_TRUE(Shown(1042));
    EXPECT_FALSE(dlg.m_edParam[2]->isReadOnly());
    EXPECT_TRUE(dlg.m_edParam[2]->text().isEmpty());
    EXPECT_EQ(Geometry(1036), QRect(481, 335, 8, 18));
    // Slot 1's edit and the unused slots stay parked.
    EXPECT_FALSE(Shown(1041));
    EXPECT_EQ(Geometry(1041), QRect(1, 318, 3, 18));
    EXPECT_FALSE(Shown(1039));
    EXPECT_FALSE(Shown(1034));

    PickItem(dlg.m_cbParam[1], 2);
    if (dlg.isVisible())
        QApplication::setActiveWindow(&dlg);
    FocusEdit(2);
    QTest::keyClicks(dlg.m_edParam[2], QStringLiteral("75"));
    Copy();
    EXPECT_EQ(Clipboard(), "PwmSetDuty(2,75)");
}

TEST_F(ComposerDialogTest, NoParametersGivesEmptyParentheses)
{
    CCallWizardDlg& dlg = OpenWithRoutine("; C Function prototype: int Get(void)", "");
    EXPECT_EQ(dlg.m_nParams, 0);
    EXPECT_EQ(Geometry(1036), QRect(138, 335, 8, 18));
    Copy();
    EXPECT_EQ(Clipboard(), "Get()");
}

TEST_F(ComposerDialogTest, TypedComboTextWinsOverTheOldSelection)
{
    CCallWizardDlg& dlg = OpenWithRoutine("; C Function prototype: void F(char c)", "; c:{0,1,2}\r\n");
    ComboBox* combo = dlg.m_cbParam[1];
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("7"));
    EXPECT_EQ(combo->GetCurSel(), -1);
    Copy();
    EXPECT_EQ(Clipboard(), "F(7)");
    // Typing an item's text in another letter case selects that item.
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("2"));
    EXPECT_EQ(combo->GetCurSel(), 2);
    Copy();
    EXPECT_EQ(Clipboard(), "F(2)");
}

TEST_F(ComposerDialogTest, OptionListOpensUnderItsEditAndJoinsTheSelection)
{
    CCallWizardDlg& dlg =
        OpenWithRoutine("; C Function prototype: int Cfg(int a, int m)", "; a:{A|B}\r\n; m:{A|B|C}\r\n");
    ListBox* list = dlg.m_lbParam[2];
    FocusEdit(1);
    EXPECT_TRUE(Shown(1054));
    FocusEdit(2);
    // Slot 2's list opens under its edit, the other lists are hidden.
    EXPECT_FALSE(Shown(1054));
    EXPECT_TRUE(Shown(1053));
    // Its top and width as laid out; it ends at the bottom of the window.
    EXPECT_EQ(Geometry(1053), QRect(130 + 360 / 2, 355, 170, dlg.height() - 355));
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->GetText(2), "C");
    EXPECT_TRUE(list->GetSelItems().empty());

    // Shift and Ctrl pick several options.
    list->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list->visualItemRect(list->item(2)).center());
    EXPECT_EQ(list->GetSelItems(), (std::vector<int>{0, 2}));
    Copy(); // leaving the list joins the picks
    EXPECT_FALSE(Shown(1053));
    EXPECT_TRUE(Shown(1042));
    EXPECT_EQ(dlg.m_edParam[2]->text(), QStringLiteral("A|C"));
    EXPECT_EQ(Clipboard(), "Cfg(,A|C)");

    // Reopened, the list shows the value's options; a visit without a change
    // keeps a value typed by hand.
    FocusEdit(2);
    EXPECT_EQ(list->GetSelItems(), (std::vector<int>{0, 2}));
    dlg.m_edParam[2]->setText(QStringLiteral("A|custom"));
    list->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    dlg.m_edParam[1]->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(dlg.m_edParam[2]->text(), QStringLiteral("A|custom"));
}

TEST_F(ComposerDialogTest, RangeIsCheckedWhenTheEditIsLeft)
{
    CCallWizardDlg& dlg = OpenWithRoutine("; C Function prototype: int Set(int count)", "; count:{1-10}\r\n");
    struct Row {
        const char* value;
        bool reported;
    };
    const Row rows[] = {{"0x5", false}, {"012", false}, {"013", true}, {"abc", false}, {" 20", true}, {"", false}};
    for (const Row& row : rows) {
        m_platform.messages.clear();
        FocusEdit(1);
        dlg.m_edParam[1]->setText(QString::fromLatin1(row.value));
        dlg.GetDlgItem(IDC_SHOW)->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(m_platform.messages.size(), row.reported ? 1u : 0u) << '"' << row.value << '"';
        if (row.reported) {
            EXPECT_EQ(m_platform.messages[0].text, "count Out of range.\nAllowed: 1 to 10");
            EXPECT_EQ(m_platform.messages[0].style, 0x30u);
        }
        // The value stays as typed.
        EXPECT_EQ(dlg.m_strParam[1], row.value);
    }
}

TEST_F(ComposerDialogTest, ToolProgramStartsOncePerGuardCycleAndReportsItsEnd)
{
    CCallWizardDlg& dlg = OpenWithRoutine("; C Function prototype: int Baud(int d)", "; d:{Pick.exe}\r\n");
    const std::string command = m_appPath + "Pick.exe";
    EXPECT_EQ(dlg.m_strParam[1], "\"Pick.exe\"");
    bool waited = false;
    m_platform.onRun = [&] { waited = dlg.m_nToolLaunched == 12345; };
    m_platform.runResult.output = "divisor 51\n";
    FocusEdit(1);
    ASSERT_EQ(m_platform.runs, std::vector<std::string>{command});
    EXPECT_TRUE(waited);
    ASSERT_EQ(m_platform.outputs.size(), 1u);
    EXPECT_EQ(m_platform.outputs[0].title, "Pick.exe");
    EXPECT_EQ(m_platform.outputs[0].text, "divisor 51\n");
    EXPECT_TRUE(m_platform.messages.empty());
    dlg.SendNotify(1041, Notify::SetFocus); // focus back without any edit losing it
    EXPECT_EQ(m_platform.runs.size(), 1u);

    // Each later cycle: a program that cannot start, one that crashes after
    // printing, one that prints nothing.
    struct Outcome {
        bool started, crashed;
        const char* output;
        const char* message; // nullptr: none
    };
    const Outcome outcomes[] = {{false, false, "", "Pick.exe could not be started."},
                                {true, true, "half", "Pick.exe ended abnormally."},
                                {true, false, "", nullptr}};
    for (const Outcome& outcome : outcomes) {
        m_platform.messages.clear();
        m_platform.outputs.clear();
        dlg.GetDlgItem(IDC_SHOW)->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_EQ(dlg.m_nToolLaunched, 0);
        m_platform.runResult.started = outcome.started;
        m_platform.runResult.crashed = outcome.crashed;
        m_platform.runResult.output = outcome.output;
        FocusEdit(1);
        ASSERT_EQ(m_platform.messages.size(), outcome.message ? 1u : 0u) << outcome.output;
        if (outcome.message) {
            EXPECT_EQ(m_platform.messages[0].text, outcome.message);
        }
        EXPECT_EQ(m_platform.outputs.size(), *outcome.output ? 1u : 0u);
    }
    EXPECT_EQ(m_platform.runs.size(), 4u);
    EXPECT_EQ(m_platform.questions.size(), 1u); // the folder was agreed to once
    Copy();
    EXPECT_EQ(Clipboard(), "Baud(\"Pick.exe\")");
}

TEST_F(ComposerDialogTest, SixParametersFillASecondRowAndEveryValueIsCopied)
{
    const std::string six = "; C Function prototype: int I2cWriteReg(char bus, char addr, char reg, char *data, "
                            "char drive, int timeout)";
    const std::string lib = MakeLibrary("i2c.s79",
                                        six
                                            + "\r\n; bus:{0,1}\r\n; addr:{}\r\n; reg:{}\r\n; *data:{}\r\n"
                                              "; drive:{0,1,2,3}\r\n; timeout:{0-1000}\r\n\tRET\r\n\tENDMOD\r\n"
                                              "; C Function prototype: void Two(char a, char b)\r\n\tEND\r\n");
    RegisterLibrary(lib);
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    const int designed = dlg.height();
    const QRect exitAt = Geometry(IDC_EXIT);
    ChooseFunction(0);
    ASSERT_EQ(dlg.m_strFunction, "I2cWriteReg");
    ASSERT_EQ(dlg.m_nParams, 6);

    // The first row as for four slots; slots 5 and 6 a row lower, of their kinds;
    // the window, the group and what lies under it one row taller or lower.
    EXPECT_EQ(Geometry(IDC_PARAM_EDIT4), QRect(400, 332, 80, 18));
    EXPECT_EQ(Geometry(kParmnId[5]), QRect(130, 354, 170, 14));
    EXPECT_TRUE(Shown(kParamComboId[5]));
    EXPECT_EQ(Geometry(kParamComboId[5]).topLeft(), QPoint(130, 368));
    EXPECT_EQ(Geometry(kParamEditId[6]), QRect(310, 368, 170, 18));
    EXPECT_TRUE(Shown(kSeparatorId[5]) && Shown(kSeparatorId[6]));
    EXPECT_EQ(Geometry(IDC_CLOSING), QRect(481, 371, 8, 18));
    EXPECT_EQ(dlg.height(), designed + 36);
    EXPECT_EQ(Geometry(IDC_EXIT), exitAt.translated(0, 36));
    EXPECT_EQ(Geometry(IDC_PARAMETERS_GROUP).bottom(), 357 + 36);

    // Filled and copied: every value, in slot order; the sixth's range is tested.
    PickItem(dlg.m_cbParam[1], 1);
    PickItem(dlg.m_cbParam[5], 3);
    QApplication::setActiveWindow(&dlg);
    for (int k : {2, 3, 4}) {
        FocusEdit(k);
        QTest::keyClicks(dlg.m_edParam[static_cast<size_t>(k)], QStringLiteral("v%1").arg(k));
    }
    FocusEdit(6);
    QTest::keyClicks(dlg.m_edParam[6], QStringLiteral("5000"));
    FocusEdit(2);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "timeout Out of range.\nAllowed: 0 to 1000");
    Copy();
    EXPECT_EQ(Clipboard(), "I2cWriteReg(1,v2,v3,v4,3,5000)");

    // A routine of two parameters gives the window its designed height back.
    ChooseFunction(1);
    EXPECT_EQ(dlg.m_nParams, 2);
    EXPECT_EQ(dlg.height(), designed);
    EXPECT_EQ(Geometry(IDC_EXIT), exitAt);
    EXPECT_FALSE(Shown(kParamComboId[5]) || Shown(kParmnId[5]) || Shown(kSeparatorId[5]));

    // In a window the user made taller, the second row still sits one row
    // under the first (both lower by the room the user added), and the window grows by that row only.
    dlg.resize(dlg.width(), designed + 100);
    QApplication::processEvents();
    ASSERT_EQ(dlg.height(), designed + 100);
    ChooseFunction(0);
    EXPECT_EQ(dlg.height(), designed + 136);
    EXPECT_EQ(Geometry(IDC_PARAM_EDIT4).top(), 332 + 100);
    EXPECT_EQ(Geometry(kParamEditId[6]).top(), 368 + 100);
    ChooseFunction(1);
    EXPECT_EQ(dlg.height(), designed + 100);

    // Maximised, the window keeps its size and the view gives up the row.
    dlg.showMaximized();
    QApplication::processEvents();
    const int maximised = dlg.height();
    const QRect exitMaximised = Geometry(IDC_EXIT);
    ChooseFunction(0);
    EXPECT_EQ(dlg.height(), maximised);
    EXPECT_EQ(Geometry(IDC_EXIT), exitMaximised);
    EXPECT_EQ(Geometry(kParamEditId[6]).top(), Geometry(IDC_PARAM_EDIT4).top() + 36);
}

TEST_F(ComposerDialogTest, LongCallIsCopiedWhole)
{
    const std::string name(80, 'N');
    OpenWithRoutine("; C Function prototype: int " + name + "(int value)", "; value:{}\r\n");
    FocusEdit(1);
    m_dlg->m_edParam[1]->setText(QStringLiteral("1234567890"));
    Copy();
    EXPECT_EQ(Clipboard(), name + "(1234567890)");
}

TEST_F(ComposerDialogTest, EverySampleRoutineGivesACall)
{
    const std::string lib = std::string(TOVEL_COMPANION_DIR) + "/LibDev4410.s79";
    RegisterLibrary(lib);
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    dlg.m_cbFunction->showPopup();
    dlg.m_cbFunction->hidePopup();
    QApplication::processEvents();
    const std::vector<std::string> routines = dlg.m_cbFunction->Items();
    ASSERT_GE(routines.size(), 10u);
    std::set<std::string> kindsSeen;
    for (size_t r = 0; r < routines.size(); ++r) {
        ChooseFunction(static_cast<int>(r));
        ASSERT_EQ(dlg.m_cbFunction->GetLBText(dlg.m_cbFunction->GetCurSel()), routines[r]);
        std::vector<std::string> values;
        for (int k = 1; k <= dlg.m_nParams; ++k) {
            const auto i = static_cast<size_t>(k);
            const std::string& hint = dlg.m_strHint[i];
            if (!dlg.m_cbParam[i]->isHidden()) {
                kindsSeen.insert("choice");
                PickItem(dlg.m_cbParam[i], 1);
                QApplication::setActiveWindow(&dlg);
                values.push_back(dlg.m_cbParam[i]->GetLBText(1));
                continue;
            }
            FocusEdit(k);
            if (ClassifyHint(hint) == HintKind::OptionList) {
                kindsSeen.insert("options");
                ListBox* list = dlg.m_lbParam[i];
                ASSERT_FALSE(list->isHidden()) << routines[r];
                list->item(0)->setSelected(true);
                list->item(list->count() - 1)->setSelected(true);
                list->setFocus(Qt::MouseFocusReason);
                QApplication::processEvents();
                values.push_back(list->GetText(0) + "|" + list->GetText(list->count() - 1));
            } else if (ClassifyHint(hint) == HintKind::ToolProgram) {
                kindsSeen.insert("tool");
                EXPECT_FALSE(m_platform.runs.empty());
                values.push_back("\"" + hint + "\"");
            } else if (auto range = ParseRangeHint(hint)) {
                kindsSeen.insert("range");
                dlg.m_edParam[i]->setText(QString::fromStdString(range->high));
                values.push_back(range->high);
            } else {
                kindsSeen.insert("typed");
                dlg.m_edParam[i]->setText(QStringLiteral("v%1").arg(k));
                values.push_back("v" + std::to_string(k));
            }
        }
        m_platform.messages.clear();
        Copy();
        EXPECT_TRUE(m_platform.messages.empty()) << routines[r] << ": " << m_platform.messages[0].text;
        std::string expected = dlg.m_strFunction + "(";
        for (size_t v = 0; v < values.size(); ++v)
            expected += (v ? "," : "") + values[v];
        for (const std::string& extra : dlg.extraParamNames)
            expected += "," + extra;
        expected += ")";
        EXPECT_EQ(Clipboard(), expected) << routines[r];
    }
    EXPECT_EQ(kindsSeen, (std::set<std::string>{"choice", "options", "tool", "range", "typed"}));
}

TEST(QtPlatformRun, StartsExactlyTheNamedProgramAndWaits)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString() + "/with blanks";
    std::filesystem::create_directories(folder);
    const std::string marker = folder + "/ran";
    const std::string script = folder + "/Pick.exe";
    WriteFileBytes(script, "#!/bin/sh\nsleep 0.2\necho done > '" + marker + "'\nexit 3\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    QtPlatform platform;
    const ToolRun run = platform.RunTool(nullptr, script);
    EXPECT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(std::filesystem::exists(marker)); // waited for it

    // Shell characters name a program that does not exist: nothing else runs.
    const std::string evil = dir.path().toStdString() + "/x.exe; touch " + dir.path().toStdString() + "/owned";
    EXPECT_FALSE(platform.RunTool(nullptr, evil).started);
    EXPECT_FALSE(platform.RunTool(nullptr, "$(touch " + dir.path().toStdString() + "/owned)").started);
    EXPECT_FALSE(std::filesystem::exists(dir.path().toStdString() + "/owned"));
}

} // namespace
} // namespace tovel::testing
