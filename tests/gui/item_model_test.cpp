// The item models behind the function and library lists, checked by Qt's
// model tester while the user's scans, additions and removals change them.
#include "GuiFixture.h"

#include "ui/ControlIds.h"

#include <QAbstractItemModelTester>
#include <QLoggingCategory>
#include <algorithm>
#include <string>
#include <vector>

namespace tovel::testing {
namespace {

// What the model testers report; they report through Qt's message log.
std::vector<std::string>* g_modelFaults = nullptr;
QtMessageHandler g_previousHandler = nullptr;

void CollectModelFaults(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_modelFaults && context.category && std::string(context.category).rfind("qt.modeltest", 0) == 0) {
        g_modelFaults->push_back(message.toStdString());
        return;
    }
    g_previousHandler(type, context, message);
}

class ItemModelTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        g_modelFaults = &m_faults;
        g_previousHandler = qInstallMessageHandler(CollectModelFaults);
    }
    void TearDown() override
    {
        qInstallMessageHandler(g_previousHandler);
        g_modelFaults = nullptr;
        GuiTest::TearDown();
    }

    std::vector<std::string> m_faults;
};

std::string Routines(int count)
{
    std::string text;
    for (int i = count; i > 0; --i)
        text += "; C Function prototype: int Routine" + std::to_string(i) + "(char c)\n\tEND\n";
    return text;
}

TEST_F(ItemModelTest, ListsStayConsistentThroughScansAdditionsAndRemovals)
{
    const std::string many = MakeLibrary("many.s79", Routines(300));
    const std::string two = MakeLibrary("two.s79", Routines(2));
    const std::string none = MakeLibrary("none.s79", "; no routines\n");
    RegisterLibrary(two, false);
    RegisterLibrary(many);
    CCallWizardDlg& dlg = OpenDialog();
    QAbstractItemModelTester functions(dlg.m_cbFunction->model(),
                                       QAbstractItemModelTester::FailureReportingMode::Warning);
    QAbstractItemModelTester libraries(dlg.m_cbLibrary->model(),
                                       QAbstractItemModelTester::FailureReportingMode::Warning);

    // Scans replace the whole list: filled, smaller, empty, filled again.
    dlg.ScanLibrary(many);
    ASSERT_EQ(dlg.m_cbFunction->GetCount(), 300);
    dlg.ScanLibrary(two);
    EXPECT_EQ(dlg.m_cbFunction->Items(), (std::vector<std::string>{"int Routine1(char c)", "int Routine2(char c)"}));
    dlg.ScanLibrary(none);
    EXPECT_EQ(dlg.m_cbFunction->GetCount(), 0);
    dlg.ScanLibrary(many);
    EXPECT_EQ(dlg.m_cbFunction->GetCount(), 300);

    // Adding a library inserts a row; unlisting the selected one removes it.
    m_platform.SetNextFileName(none);
    dlg.SendCommand(IDC_ADD);
    ASSERT_EQ(dlg.m_cbLibrary->GetCount(), 3);
    EXPECT_EQ(dlg.m_cbLibrary->GetLBText(dlg.m_cbLibrary->GetCurSel()), none);
    dlg.SendCommand(IDC_UNLIST); // the fake answers Yes
    const std::vector<std::string> left = dlg.m_cbLibrary->Items();
    EXPECT_EQ(left.size(), 2u);
    EXPECT_EQ(std::count(left.begin(), left.end(), none), 0);
    QApplication::processEvents();

    EXPECT_TRUE(m_faults.empty()) << m_faults.front();
}

} // namespace
} // namespace tovel::testing
