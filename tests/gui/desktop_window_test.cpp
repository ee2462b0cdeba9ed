// The main window on the desktop: it grows and shrinks back, keeps its place
// between runs, takes library files from the command line and from drops,
// and shows the introduction itself when no viewer opens it.
#include "GuiFixture.h"

#include "app/qt/DesktopWindow.h"
#include "help/qt/HelpFallback.h"
#include "ui/ControlIds.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QUrl>

namespace tovel::testing {
namespace {

class DesktopWindowTest : public GuiTest {
protected:
    QRect Geometry(int id) { return m_dlg->GetDlgItem(id)->geometry(); }

    // Runs start-up as main() does, with the window shown and handed to body.
    void StartUp(const std::vector<std::string>& files, const std::function<void(CCallWizardDlg&)>& body)
    {
        theApp().runModal = [&](CCallWizardDlg& dlg) {
            dlg.show();
            QApplication::setActiveWindow(&dlg);
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
            body(dlg);
            return 1;
        };
        theApp().InitInstance(m_appPath + "Tovel", files);
        theApp().runModal = nullptr;
    }

    static bool Drop(CCallWizardDlg& dlg, const std::vector<std::string>& paths)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        mime.setUrls(urls);
        const QPoint at(200, 200);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &drop);
        return drop.isAccepted();
    }

    static constexpr const char* kSample = "; C Function prototype: void PwmSetDuty(char channel, int duty)\r\n"
                                           "; channel:{0,1,2,3}\r\n; duty:{0-100}\r\n\tRET\r\n\tENDMOD\r\n";
};

TEST_F(DesktopWindowTest, GrowingGivesTheRoomToTheViewAndMovesWhatIsBelowIt)
{
    // Twelve options: more than the list shows at the designed size.
    const std::string lib = MakeLibrary("lib.s79",
                                        "; C Function prototype: int Cfg(int a, int m)\r\n; a:{0-9}\r\n"
                                        "; m:{A|B|C|D|E|F|G|H|I|J|K|L}\r\n\tRET\r\n\tENDMOD\r\n");
    RegisterLibrary(lib);
    CCallWizardDlg& dlg = OpenDialog();
    ShowActive();
    ChooseFunction(0);
    const QSize designed = dlg.size();
    EXPECT_EQ(designed, QSize(558, 424));
    const QRect view = Geometry(IDC_SOURCE), exit = Geometry(IDC_EXIT), add = Geometry(IDC_ADD),
                library = Geometry(IDC_LIBRARY), help = Geometry(IDC_HELP_BUTTON), label = Geometry(IDC_PARMN2),
                edit = Geometry(IDC_PARAM_EDIT2);
    EXPECT_EQ(dlg.minimumSize(), designed);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);

    m_dlg->m_edParam[2]->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    ListBox* list = dlg.m_lbParam[2];
    ASSERT_FALSE(list->isHidden());
    EXPECT_EQ(list->geometry().top(), 355); // under its edit, cut at the window's bottom
    EXPECT_GT(list->verticalScrollBar()->maximum(), 0);

    dlg.resize(designed + QSize(300, 250));
    QApplication::processEvents();
    EXPECT_EQ(Geometry(IDC_SOURCE), view.adjusted(0, 0, 300, 250));
    EXPECT_EQ(Geometry(IDC_EXIT), exit.translated(300, 250));
    EXPECT_EQ(Geometry(IDC_ADD), add.translated(300, 0));
    EXPECT_EQ(Geometry(IDC_LIBRARY), library.adjusted(0, 0, 300, 0));
    EXPECT_EQ(Geometry(IDC_HELP_BUTTON), help.translated(0, 250));
    EXPECT_EQ(Geometry(IDC_PARMN2), label.translated(0, 250));
    EXPECT_EQ(Geometry(IDC_PARAM_EDIT2), edit.translated(0, 250));
    // With room above the panel the open list shows every option.
    EXPECT_FALSE(list->isHidden());
    EXPECT_EQ(list->verticalScrollBar()->maximum(), 0);
    EXPECT_LE(list->geometry().bottom(), Geometry(IDC_PARAMETERS_GROUP).top());

    // The panel rebuilt in the larger window stands where the layout says,
    // and the value typed there is copied.
    ChooseFunction(0);
    EXPECT_EQ(Geometry(IDC_PARAM_EDIT1), QRect(130, 332 + 250, 170, 18));
    m_dlg->m_edParam[1]->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(m_dlg->m_edParam[1], QStringLiteral("7"));
    QTest::mouseClick(dlg.GetDlgItem(IDC_COPY), Qt::LeftButton);
    EXPECT_EQ(m_platform.clipboard.value_or(""), "Cfg(7,)");

    // Back at the designed size every control is where it was.
    dlg.resize(designed);
    QApplication::processEvents();
    EXPECT_EQ(Geometry(IDC_SOURCE), view);
    EXPECT_EQ(Geometry(IDC_EXIT), exit);
    EXPECT_EQ(Geometry(IDC_PARAM_EDIT2), edit);
}

TEST_F(DesktopWindowTest, StartUpAddsTheFilesGivenAndDropsAndKeepsThePlace)
{
    const std::string first = MakeLibrary("first.s79", kSample);
    const std::string second = MakeLibrary("second.s79", kSample);
    const std::string dropped = MakeLibrary("dropped.s79", kSample);
    EXPECT_TRUE(Ini().Write("Last", "Intro", "No"));
    StartUp({first, second, Path("missing.s79")}, [&](CCallWizardDlg& dlg) {
        EXPECT_EQ(dlg.m_cbLibrary->GetCount(), 2);
        EXPECT_EQ(dlg.m_cbLibrary->GetLBText(dlg.m_cbLibrary->GetCurSel()), second);
        EXPECT_FALSE(dlg.m_strSource.empty());
        // A text that is no file is refused; a file is added and made current.
        QMimeData text;
        text.setText(QStringLiteral("PwmSetDuty"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &enter);
        EXPECT_FALSE(enter.isAccepted());
        EXPECT_TRUE(Drop(dlg, {dropped}));
        EXPECT_EQ(dlg.m_cbLibrary->GetLBText(dlg.m_cbLibrary->GetCurSel()), dropped);
        // Dropped again when listed: made current, not listed twice.
        EXPECT_TRUE(Drop(dlg, {first}));
        EXPECT_EQ(dlg.m_cbLibrary->GetCount(), 3);
        EXPECT_EQ(dlg.m_cbLibrary->GetLBText(dlg.m_cbLibrary->GetCurSel()), first);
        dlg.resize(700, 500);
        dlg.move(40, 30);
        QApplication::processEvents();
    });
    EXPECT_EQ(Ini().Read("Libraries", second, "", 10), "Yes");
    EXPECT_EQ(Ini().Read("Libraries", dropped, "", 10), "Yes");
    EXPECT_EQ(Ini().Read("Last", "Library", "", 1000), first);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_NE(m_platform.messages[0].text.find("missing.s79"), std::string::npos);
    EXPECT_EQ(Ini().Read("Window", "Width", "", 32), "700");
    EXPECT_EQ(Ini().Read("Window", "Height", "", 32), "500");
    EXPECT_EQ(Ini().Read("Window", "Maximized", "", 32), "No");

    // The next start opens at that size; a size below the designed one grows to it.
    StartUp({}, [](CCallWizardDlg& dlg) { EXPECT_EQ(dlg.size(), QSize(700, 500)); });
    EXPECT_TRUE(Ini().Write("Window", "Width", "100"));
    StartUp({}, [](CCallWizardDlg& dlg) { EXPECT_EQ(dlg.width(), 558); });
}

TEST_F(DesktopWindowTest, IntroductionThatNoViewerOpensShowsInItsOwnWindow)
{
    WriteFileBytes(Path("Tovel.txt"), "Welcome to Tovel.\nPick a library first.\n");
    m_platform.launchesFail = true;
    StartUp({}, [&](CCallWizardDlg& dlg) {
        auto* window = dlg.findChild<QDialog*>(QString::fromLatin1(kIntroWindowName));
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isModal());
        auto* text = window->findChild<QPlainTextEdit*>();
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->isReadOnly());
        EXPECT_EQ(text->toPlainText(), QStringLiteral("Welcome to Tovel.\nPick a library first.\n"));
        // F1 asks again: the same window comes to the front.
        dlg.OnHelpButton();
        EXPECT_EQ(dlg.findChildren<QDialog*>(QString::fromLatin1(kIntroWindowName)).size(), 1);

        // Outside intro mode a browser that does not start is reported.
        EXPECT_TRUE(Ini().Write("Last", "Intro", "No"));
        EXPECT_TRUE(Ini().Write("Last", "Browser", "/no/such/browser"));
        dlg.OnHelpButton();
        ASSERT_EQ(m_platform.messages.size(), 1u);
        EXPECT_NE(m_platform.messages[0].text.find("/no/such/browser"), std::string::npos);
        EXPECT_EQ(m_platform.messages[0].text.find("Tovel could not open the help page"), 0u);
    });
    EXPECT_TRUE(m_platform.messages.size() == 1u);
}

} // namespace
} // namespace tovel::testing
