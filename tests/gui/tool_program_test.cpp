// Tool programs named by a library: which may run, the user's consent, where
// they are looked for, and the real runs with their output and Stop.
#include "GuiFixture.h"

#include "composer/ToolProgram.h"
#include "platform/QtPlatform.h"
#include "ui/ControlIds.h"

#include <QDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <functional>

namespace tovel::testing {
namespace {

namespace fs = std::filesystem;

class ToolProgramTest : public GuiTest {
protected:
    // A library with one routine of one tool-program slot, in a subfolder of the program's folder.
    std::string ToolLibrary(const std::string& dir, const std::string& hint)
    {
        return MakeLibrary(dir + "/lib.s79",
                           "; C Function prototype: int Baud(int d)\r\n; d:{" + hint + "}\r\n\tRET\r\n\tENDMOD\r\n");
    }

    void OpenOn(const std::string& library)
    {
        RegisterLibrary(library);
        OpenDialog();
        ShowActive();
        ChooseFunction(0);
    }

    // Leaves any value edit, then enters slot k's edit: one guard cycle.
    void EnterSlot(int k)
    {
        m_dlg->GetDlgItem(IDC_SHOW)->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        m_dlg->m_edParam[static_cast<size_t>(k)]->setFocus(Qt::MouseFocusReason);
        QApplication::processEvents();
    }
};

TEST_F(ToolProgramTest, HintThatIsNoPlainFileNameIsRefused)
{
    // With a folder "d.exe" beside the library the path would lead to cat.
    const std::string hint = "d.exe/../../../../../../../../usr/bin/cat";
    fs::create_directories(m_appPath + "lib/d.exe");
    OpenOn(ToolLibrary("lib", hint));
    EnterSlot(1);
    ASSERT_EQ(m_platform.messages.size(), 1u);
    EXPECT_EQ(m_platform.messages[0].text,
              "The tool program \"" + hint
                  + "\" is not run: a tool program must be a plain file name in the "
                    "library's folder.");
    EXPECT_EQ(m_platform.messages[0].style, 0x30u);
    EXPECT_TRUE(m_platform.runs.empty());
    EXPECT_TRUE(m_platform.questions.empty());
}

TEST_F(ToolProgramTest, ConsentIsAskedOncePerFolderAndAlwaysIsRemembered)
{
    const std::string lib = ToolLibrary("libs", "Pick.exe");
    const std::string folder = m_appPath + "libs/";
    OpenOn(lib);

    // Cancel: nothing runs and the field keeps its text.
    m_platform.SetNextChoice(kConsentCancel);
    EnterSlot(1);
    ASSERT_EQ(m_platform.questions.size(), 1u);
    const FakePlatform::Question& q = m_platform.questions[0];
    EXPECT_EQ(q.text, "lib.s79 wants to run " + folder + "Pick.exe. Run programs from this folder?");
    EXPECT_EQ(q.buttons, (std::vector<std::string>{"&Run", "&Always for this folder", "Cancel"}));
    EXPECT_EQ(q.defaultButton, kConsentRun);
    EXPECT_EQ(q.escapeButton, kConsentCancel);
    EXPECT_TRUE(m_platform.runs.empty());
    EXPECT_EQ(m_dlg->m_edParam[1]->text(), QStringLiteral("\"Pick.exe\""));

    // Run: asked again, then not for the rest of this run, and nothing stored.
    EnterSlot(1);
    EnterSlot(1);
    EXPECT_EQ(m_platform.questions.size(), 2u);
    EXPECT_EQ(m_platform.runs, (std::vector<std::string>{folder + "Pick.exe", folder + "Pick.exe"}));
    EXPECT_TRUE(Ini().KeyNames("Trusted").empty());

    // The next run asks again; Always is written down and ends the asking.
    for (int run = 0; run < 2; ++run) {
        m_platform.questions.clear();
        m_platform.runs.clear();
        if (run == 0)
            m_platform.SetNextChoice(kConsentAlways);
        OpenOn(lib);
        EnterSlot(1);
        EXPECT_EQ(m_platform.questions.size(), run == 0 ? 1u : 0u);
        EXPECT_EQ(m_platform.runs.size(), 1u);
        EXPECT_EQ(Ini().KeyNames("Trusted"), std::vector<std::string>{folder});
    }
}

TEST_F(ToolProgramTest, ProgramIsLookedForBesideTheRoutinesLibrary)
{
    const std::string first = ToolLibrary("a", "Pick.exe");
    const std::string second = ToolLibrary("b", "Pick.exe");
    ASSERT_TRUE(Ini().Write("Libraries", second, "Yes"));
    OpenOn(first);
    EnterSlot(1);
    // Another library chosen after start-up, and a routine of it.
    const int index = m_dlg->m_cbLibrary->FindStringExact(-1, second);
    ASSERT_GE(index, 0);
    PickItem(m_dlg->m_cbLibrary, index);
    ChooseFunction(0);
    EnterSlot(1);
    EXPECT_EQ(m_platform.runs, (std::vector<std::string>{m_appPath + "a/Pick.exe", m_appPath + "b/Pick.exe"}));
    ASSERT_EQ(m_platform.questions.size(), 2u); // each folder has its own consent
    EXPECT_EQ(m_dlg->m_strLibPath, first);      // the "#Inc" text stays the start-up library's
}

// ---- The real runs ----

// Acts on the next modal window once it shows.
void WhenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget(); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start(20);
}

class QtToolRunTest : public ::testing::Test {
protected:
    std::string Script(const std::string& name, const std::string& body)
    {
        const std::string path = m_dir.path().toStdString() + "/" + name;
        WriteFileBytes(path, "#!/bin/sh\n" + body);
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }

    QTemporaryDir m_dir;
    QtPlatform m_platform;
};

TEST_F(QtToolRunTest, OutputIsCapturedAndInputIsEmpty)
{
    // Waiting for a line of input would hang for good on an open pipe.
    const ToolRun run =
        m_platform.RunTool(nullptr, Script("Ask.exe", "read line\necho \"got [$line]\"\necho warn >&2\nexit 4\n"));
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.output, "got []\nwarn\n");

    const ToolRun crash = m_platform.RunTool(nullptr, Script("Crash.exe", "echo before\nkill -SEGV $$\n"));
    EXPECT_TRUE(crash.started);
    EXPECT_TRUE(crash.crashed);
    EXPECT_EQ(crash.output, "before\n");

    EXPECT_FALSE(m_platform.RunTool(nullptr, m_dir.path().toStdString() + "/Missing.exe").started);
    // A bare name is not looked for on the search path.
    EXPECT_FALSE(m_platform.RunTool(nullptr, "true").started);

    // Endless output is cut, not kept.
    const ToolRun flood = m_platform.RunTool(nullptr, Script("Flood.exe", "head -c 3000000 /dev/zero\n"));
    EXPECT_TRUE(flood.outputCut);
    EXPECT_EQ(flood.output.size(), kToolOutputLimit);
}

TEST_F(QtToolRunTest, StopEndsAHungProgramAndWhatItStarted)
{
    const std::string pidFile = m_dir.path().toStdString() + "/child";
    const std::string program = Script("Hang.exe", "sleep 300 &\necho $! > '" + pidFile + "'\necho started\nwait\n");
    QString noteText;
    WhenModal([&](QWidget* note) {
        EXPECT_EQ(note->objectName(), QLatin1String(kToolNoteName));
        if (auto* label = note->findChild<QLabel*>())
            noteText = label->text();
        for (QPushButton* button : note->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("&Stop"))
                button->click();
    });
    const ToolRun run = m_platform.RunTool(nullptr, program);
    EXPECT_TRUE(run.started);
    EXPECT_TRUE(run.stopped);
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.output, "started\n");
    EXPECT_EQ(noteText, QStringLiteral("Running Hang.exe..."));
    // The program's own child went with it.
    const std::string child = ReadFileBytes(pidFile);
    ASSERT_FALSE(child.empty());
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = !fs::exists("/proc/" + child.substr(0, child.find('\n')));
        if (!gone)
            QTest::qWait(20);
    }
    EXPECT_TRUE(gone);
}

TEST_F(QtToolRunTest, OutputWindowAndConsentBoxAnswerTheKeyboard)
{
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        bool seen = false;
        WhenModal([&](QWidget* window) {
            EXPECT_EQ(window->objectName(), QLatin1String(kToolOutputName));
            auto* view = window->findChild<QPlainTextEdit*>();
            ASSERT_TRUE(view);
            EXPECT_EQ(window->windowTitle(), QStringLiteral("Pick.exe"));
            EXPECT_TRUE(view->isReadOnly());
            EXPECT_EQ(view->toPlainText(), QStringLiteral("answer 51"));
            EXPECT_TRUE(QFontInfo(view->font()).fixedPitch()) << view->font().family().toStdString();
            seen = true;
            QTest::keyClick(window->focusWidget() ? window->focusWidget() : view, key);
        });
        m_platform.ShowOutput(nullptr, "Pick.exe", "answer 51");
        EXPECT_TRUE(seen) << key;
    }

    const std::vector<std::string> buttons = ToolConsentButtons();
    for (auto [key, answer] : {std::pair{Qt::Key_Return, kConsentRun}, std::pair{Qt::Key_Escape, kConsentCancel}}) {
        WhenModal([&](QWidget* box) {
            EXPECT_TRUE(qobject_cast<QMessageBox*>(box));
            QTest::keyClick(box, key);
        });
        EXPECT_EQ(m_platform.Ask(nullptr, "lib wants to run x", buttons, kConsentRun, kConsentCancel), answer);
    }
}

} // namespace
} // namespace tovel::testing
