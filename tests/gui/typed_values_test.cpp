// Typed values are never lost: Escape in a slot whose option list shows,
// the function list closed without a pick, another library, outside edits
// of the library; and what the window tells about the slots and Copy.
#include "GuiFixture.h"

#include "ui/ControlIds.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

namespace tovel::testing {
namespace {

constexpr const char* kMarker = "; C Function prototype: ";

class TypedValuesTest : public GuiTest {
protected:
    std::string Routine(const std::string& prototype, const std::string& hints)
    {
        return kMarker + prototype + "\r\n" + hints + "\tRET\r\n\tENDMOD\r\n";
    }

    std::string PwmLibrary(const std::string& dutyLine)
    {
        return Routine("void EepromWrite(int addr, char b)", "; addr:{0-511}\r\n; b:{}\r\n")
            + Routine("void PwmSetDuty(char channel, int duty)", "; channel:{0-3}\r\n" + dutyLine)
            + Routine("void UartOpen(char mode)", "; mode:{UART_TX|UART_RX}\r\n");
    }

    static void Settle()
    {
        QTest::qWait(0);
        QApplication::processEvents();
    }

    // Picks the routine shown as text from the open function list, by the keyboard.
    void PickByFilter(const QString& typed)
    {
        ComboBox* combo = m_dlg->m_cbFunction;
        combo->setFocus();
        combo->showPopup();
        Settle();
        QTest::keyClicks(combo->view(), typed);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        Settle();
    }

    void Type(int k, const QString& text)
    {
        m_dlg->m_edParam[static_cast<size_t>(k)]->setFocus();
        Settle();
        m_dlg->m_edParam[static_cast<size_t>(k)]->setText(text);
    }
};

TEST_F(TypedValuesTest, EscapeAndACancelledFunctionListKeepTheValues)
{
    RegisterLibrary(MakeLibrary("pwm.s79", PwmLibrary("; duty:{0-100}\r\n")));
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    // The first act is choosing a routine: the focus is on the function list, not on Unlist.
    EXPECT_EQ(QApplication::focusWidget(), dlg.m_cbFunction);

    PickByFilter(QStringLiteral("pwm"));
    ASSERT_EQ(dlg.m_strFunction, "PwmSetDuty");
    Type(1, QStringLiteral("2"));
    Type(2, QStringLiteral("50"));
    // Opened and closed with Escape: the panel showed its routine all along and keeps the values.
    ComboBox* combo = dlg.m_cbFunction;
    combo->setFocus();
    combo->showPopup();
    Settle();
    EXPECT_EQ(dlg.GetDlgItemText(IDC_FUNCTION_LABEL), "PwmSetDuty");
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(dlg.Ended());
    EXPECT_EQ(dlg.GetDlgItemText(IDC_FUNCTION_LABEL), "PwmSetDuty");
    EXPECT_EQ(dlg.m_edParam[2]->text(), QStringLiteral("50"));
    QTest::mouseClick(dlg.GetDlgItem(IDC_COPY), Qt::LeftButton);
    EXPECT_EQ(m_platform.clipboard.value_or(""), "PwmSetDuty(2,50)");

    // The option list shows under its edit, the focus stays in the edit: Escape closes only the list.
    PickByFilter(QStringLiteral("uart"));
    ASSERT_EQ(dlg.m_strFunction, "UartOpen");
    Type(1, QStringLiteral("UART_RX"));
    ASSERT_TRUE(dlg.m_lbParam[1]->isVisible());
    QTest::keyClick(dlg.m_edParam[1], Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(dlg.Ended());
    EXPECT_FALSE(dlg.m_lbParam[1]->isVisible());
    EXPECT_TRUE(dlg.m_edParam[1]->hasFocus());
    EXPECT_EQ(dlg.m_edParam[1]->text(), QStringLiteral("UART_RX"));
    QTest::keyClick(dlg.m_edParam[1], Qt::Key_Escape);
    EXPECT_TRUE(dlg.Ended());
}

TEST_F(TypedValuesTest, FilterKeepsMatchingRoutinesInOrderWhateverTheCase)
{
    std::string text;
    for (const char* name : {"UartGet", "AdcRead", "UartInit", "SetUartMode", "EepromWrite"})
        text += Routine(std::string("void ") + name + "(void)", "");
    RegisterLibrary(MakeLibrary("f.s79", text));
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    ComboBox* combo = dlg.m_cbFunction;
    combo->showPopup();
    Settle();
    QAbstractItemView* view = combo->view();
    auto shown = [&] {
        QStringList rows;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            rows << view->model()->index(r, 0).data().toString();
        return rows;
    };
    auto* field = view->parentWidget()->findChild<QLineEdit*>(QStringLiteral("listFilter"));
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isVisible());

    // In list order, the names that start with it and the one that holds it.
    QTest::keyClicks(view, QStringLiteral("uart"));
    EXPECT_EQ(shown(), (QStringList{"void SetUartMode(void)", "void UartGet(void)", "void UartInit(void)"}));
    EXPECT_EQ(view->currentIndex().data().toString(), QStringLiteral("void UartGet(void)"));
    // Shift pressed on its own between the letters changes nothing.
    while (!combo->FilterText().empty())
        QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(view->model()->rowCount(), 5);
    for (const QChar c : QStringLiteral("UartI")) {
        if (c.isUpper())
            QTest::keyPress(view, Qt::Key_Shift);
        QTest::keyClick(view, c.toLatin1(), c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier);
        if (c.isUpper())
            QTest::keyRelease(view, Qt::Key_Shift);
    }
    EXPECT_EQ(field->text(), QStringLiteral("UartI"));
    EXPECT_EQ(shown(), QStringList{"void UartInit(void)"});
    QTest::keyClick(view, Qt::Key_Return);
    Settle();
    EXPECT_EQ(dlg.m_strFunction, "UartInit");
    // The whole list again, with the pick selected.
    EXPECT_EQ(combo->GetCount(), 5);
    EXPECT_EQ(combo->GetLBText(combo->GetCurSel()), "void UartInit(void)");
    EXPECT_EQ(view->model()->rowCount(), 5);
}

TEST_F(TypedValuesTest, AnotherLibraryEmptiesThePanelAndTheSameOneKeepsIt)
{
    const std::string pwm = MakeLibrary("pwm.s79", PwmLibrary("; duty:{0-100}\r\n"));
    const std::string other = MakeLibrary("t.s79", Routine("void TimerStart(char t)", "; t:{0,1}\r\n"));
    RegisterLibrary(other, false);
    RegisterLibrary(pwm);
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    PickByFilter(QStringLiteral("pwm"));
    Type(2, QStringLiteral("50"));
    const int pwmRow = dlg.m_cbLibrary->FindStringExact(-1, pwm);
    PickItem(dlg.m_cbLibrary, pwmRow);
    EXPECT_EQ(dlg.m_strFunction, "PwmSetDuty");
    EXPECT_EQ(dlg.m_edParam[2]->text(), QStringLiteral("50"));

    PickItem(dlg.m_cbLibrary, 1 - pwmRow);
    EXPECT_EQ(dlg.m_strFunction, "");
    EXPECT_EQ(dlg.m_nParams, 0);
    EXPECT_TRUE(dlg.m_edParam[2]->isHidden());
    QTest::mouseClick(dlg.GetDlgItem(IDC_COPY), Qt::LeftButton);
    EXPECT_FALSE(m_platform.clipboard.has_value());
}

TEST_F(TypedValuesTest, OutsideEditRebuildsThePanelKeepingValuesOfParametersStillThere)
{
    const std::string lib = MakeLibrary("pwm.s79", PwmLibrary("; duty:{0-100}\r\n"));
    RegisterLibrary(lib);
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    PickByFilter(QStringLiteral("pwmset"));
    Type(1, QStringLiteral("2"));
    Type(2, QStringLiteral("50"));
    dlg.m_edParam[1]->setFocus();
    Settle();

    // Saved by rename, as many editors do: duty becomes level, channel's range grows, a routine is added.
    const std::string edited = Routine("void AdcRead(char ch)", "; ch:{0-7}\r\n")
        + Routine("void EepromWrite(int addr, char b)", "; addr:{0-511}\r\n; b:{}\r\n")
        + Routine("void PwmSetDuty(char channel, int level)", "; channel:{0-7}\r\n; level:{0-255}\r\n");
    WriteFileBytes(lib + ".new", edited);
    ASSERT_EQ(std::rename((lib + ".new").c_str(), lib.c_str()), 0);
    QTRY_COMPARE(dlg.m_strHint[1], std::string("0-7"));
    EXPECT_EQ(dlg.m_strParmn[2], "level");
    EXPECT_EQ(dlg.m_edParam[1]->text(), QStringLiteral("2"));
    EXPECT_EQ(dlg.m_edParam[2]->text(), QString());
    EXPECT_TRUE(dlg.m_edParam[1]->hasFocus());
    EXPECT_TRUE(m_platform.messages.empty());
    EXPECT_EQ(dlg.m_cbFunction->GetCount(), 3);
    EXPECT_NE(dlg.m_strSource.str().find("level:{0-255}"), std::string::npos);
    EXPECT_EQ(dlg.m_edParam[2]->toolTip(), QStringLiteral("Allowed: 0 to 255"));

    // The watch survived the rename: a second edit, written in place, is seen too.
    Type(2, QStringLiteral("7"));
    WriteFileBytes(lib, edited + Routine("void WdtKick(void)", ""));
    QTRY_COMPARE(dlg.m_cbFunction->GetCount(), 4);
    EXPECT_EQ(dlg.m_edParam[2]->text(), QStringLiteral("7"));
    EXPECT_EQ(dlg.m_strFunction, "PwmSetDuty");
}

TEST_F(TypedValuesTest, SlotsShowTheirHintAndCopySaysItCopied)
{
    RegisterLibrary(MakeLibrary("pwm.s79", PwmLibrary("; duty:{-40-125}\r\n")));
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    PickByFilter(QStringLiteral("pwm"));
    EXPECT_EQ(dlg.m_edParam[2]->toolTip(), QStringLiteral("Allowed: -40 to 125"));
    EXPECT_EQ(dlg.m_stParmn[2]->toolTip(), QStringLiteral("duty: Allowed: -40 to 125"));
    // A negative low bound is a range: -41 is reported with what is allowed, -40 is not.
    Type(2, QStringLiteral("-41"));
    dlg.GetDlgItem(IDC_SHOW)->setFocus();
    Settle();
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text, "duty Out of range.\nAllowed: -40 to 125");
    Type(2, QStringLiteral("-40"));
    dlg.GetDlgItem(IDC_SHOW)->setFocus();
    Settle();
    EXPECT_EQ(m_platform.messages.size(), 1u);

    // Copy: the button says so for a moment; no message box.
    auto* copy = qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_COPY));
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_EQ(m_platform.clipboard.value_or(""), "PwmSetDuty(,-40)");
    EXPECT_EQ(copy->text(), QStringLiteral("&Copied"));
    EXPECT_EQ(m_platform.messages.size(), 1u);
    QTRY_COMPARE(copy->text(), QStringLiteral("&Copy"));

    PickByFilter(QStringLiteral("uart"));
    EXPECT_EQ(dlg.m_edParam[1]->toolTip(), QStringLiteral("Options, one or more joined with '|': UART_TX, UART_RX"));
    EXPECT_TRUE(dlg.m_edParam[2]->toolTip().isEmpty());
}

} // namespace
} // namespace tovel::testing
