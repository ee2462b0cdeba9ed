// Tool programs named by a library: which may run, the user's consent, where
// they are looked for, and the real runs with their output and Stop.
#include "GuiFixture.h"

#include "composer/ToolProgram.h"
#include "platform/QtPlatform.h"
#include "platform/Text.h"
#include "platform/ToolProcess.h"
#include "ui/ControlIds.h"

#include <QDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
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
    // With a folder "d.exe" beside the library the path would lead to cat;
    // the line separator would show the question's rest on lines of its own.
    fs::create_directories(m_appPath + "lib/d.exe");
    const std::string hints[] = {"d.exe/../../../../../../../../usr/bin/cat", "Pick.exe\xE2\x80\xA8rm.exe"};
    for (const std::string& hint : hints) {
        m_platform.messages.clear();
        OpenOn(ToolLibrary("lib", hint));
        EnterSlot(1);
        ASSERT_EQ(m_platform.messages.size(), 1u) << hint;
        EXPECT_EQ(m_platform.messages[0].text,
                  "The tool program \"" + hint
                      + "\" is not run: a tool program must be a plain file name in the "
                        "library's folder.");
        EXPECT_EQ(m_platform.messages[0].style, 0x30u);
        EXPECT_TRUE(m_platform.runs.empty());
        EXPECT_TRUE(m_platform.questions.empty());
    }
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
    EXPECT_EQ(q.text, "lib.s79 wants to run the program below. Run programs from this folder?");
    EXPECT_EQ(q.program, folder + "Pick.exe");
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

    // A tool's children that write their own process ids into FILE.1 to FILE.3
    // and sleep: one in the background, one that leaves the program's session,
    // and one that leaves it and is orphaned by its parent.
    std::string Children(const std::string& file)
    {
        const std::string quiet = " </dev/null >/dev/null 2>&1";
        return "sh -c 'echo $$ > " + file + ".1; exec sleep 300'" + quiet + " &\n" //
            + "setsid sh -c 'echo $$ > " + file + ".2; exec sleep 300'" + quiet + " &\n"
            + "sh -c \"setsid sh -c 'echo \\$\\$ > " + file + ".3; exec sleep 300' &\"" + quiet + "\n" + "while [ ! -s "
            + file + ".1 ] || [ ! -s " + file + ".2 ] || [ ! -s " + file + ".3 ]; do sleep 0.01; done\n";
    }

    // The three children's ids, once written.
    static std::vector<std::string> ChildIds(const std::string& file)
    {
        std::vector<std::string> ids;
        for (const char* n : {".1", ".2", ".3"}) {
            std::string id = ReadFileBytes(file + n);
            ids.push_back(id.substr(0, id.find('\n')));
        }
        return ids;
    }

    // True once none of the processes is left (a killed process takes a moment).
    static bool AllGone(const std::vector<std::string>& ids)
    {
        const auto gone = [&] {
            return std::none_of(ids.begin(), ids.end(),
                                [](const std::string& id) { return id.empty() || fs::exists("/proc/" + id); });
        };
        for (int i = 0; i < 100 && !gone(); ++i)
            QTest::qWait(20);
        return gone() && std::none_of(ids.begin(), ids.end(), [](const std::string& id) { return id.empty(); });
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

    // It runs in its own folder, wherever Tovel was started.
    const ToolRun where = m_platform.RunTool(nullptr, Script("Where.exe", "pwd -P\n"));
    EXPECT_EQ(where.output, fs::canonical(m_dir.path().toStdString()).string() + "\n");

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
    const std::string ids = m_dir.path().toStdString() + "/child";
    const std::string program = Script("Hang.exe", Children(ids) + "echo started\nwait\n");
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
    // The program's children went with it, also those that left its session.
    EXPECT_TRUE(AllGone(ChildIds(ids)));
}

TEST_F(QtToolRunTest, WhatARunLeavesRunningEndsWithTovel)
{
    // The program ends by itself and leaves its children running; Tovel's
    // end (which calls EndToolLeftovers) takes them along.
    const std::string ids = m_dir.path().toStdString() + "/left";
    const ToolRun run = m_platform.RunTool(nullptr, Script("Leave.exe", Children(ids) + "echo done\n"));
    EXPECT_TRUE(run.started);
    EXPECT_FALSE(run.stopped);
    EXPECT_EQ(run.output, "done\n");
    const std::vector<std::string> left = ChildIds(ids);
    EndToolLeftovers();
    EXPECT_TRUE(AllGone(left));
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

    // The question shows the program's path whole in a one-line field, so a
    // line separator in a folder's name cannot break it into lines of its own.
    const std::string program = "/libs/a\xE2\x80\xA8" + std::string(300, 'd') + "/Pick.exe";
    const std::vector<std::string> buttons = ToolConsentButtons();
    for (auto [key, answer] : {std::pair{Qt::Key_Return, kConsentRun}, std::pair{Qt::Key_Escape, kConsentCancel},
                               std::pair{Qt::Key_A, kConsentAlways}}) {
        WhenModal([&, key = key](QWidget* box) {
            EXPECT_EQ(box->objectName(), QLatin1String(kRunQuestionName));
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Tovel"));
            auto* path = box->findChild<QLineEdit*>();
            ASSERT_TRUE(path);
            EXPECT_TRUE(path->isReadOnly());
            EXPECT_EQ(path->text(), FromBytes(program));
            path->selectAll();
            EXPECT_EQ(path->selectedText(), FromBytes(program));
            const auto labels = box->findChildren<QLabel*>();
            EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
                return label->text() == QStringLiteral("lib wants to run the program below.");
            }));
            QTest::keyClick(box, key, key == Qt::Key_A ? Qt::AltModifier : Qt::NoModifier);
        });
        EXPECT_EQ(m_platform.AskToRun(nullptr, "lib wants to run the program below.", program, buttons, kConsentRun,
                                      kConsentCancel),
                  answer);
    }
}

} // namespace
} // namespace tovel::testing
