// Started programs with hostile names: a tool hint or a browser path that
// holds shell characters starts exactly the program it names, with exactly
// the parameter text it was given, or nothing at all; never a second command.
#include "composer/ValueEditors.h"
#include "platform/QtPlatform.h"
#include "support/TestSupport.h"

#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Names a shell would read as more than one command or expand.
const char* const kHostileNames[] = {
    "tool;touch PWNED",
    "tool & touch PWNED",
    "tool | touch PWNED",
    "tool $(touch PWNED)",
    "tool `touch PWNED`",
    "tool 'quoted' \"double\"",
    "tool && touch PWNED || touch PWNED",
    "  blanks around  ",
    "tool\ttab > PWNED",
};

class RobustLaunchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The folder itself has shell characters in its name too.
        ASSERT_TRUE(m_folder.Valid());
        m_dir = m_folder.Dir();
        m_oldCwd = fs::current_path();
        // Were a shell to run "touch PWNED", the file would appear here.
        fs::current_path(m_dir);
    }
    void TearDown() override { fs::current_path(m_oldCwd); }

    // A program under that name that writes its argument count and
    // arguments, one a line, into a report file named after it.
    std::string MakeProgram(const std::string& name) const
    {
        const std::string path = m_dir + name;
        std::ofstream out(path, std::ios::binary);
        out << "#!/bin/sh\n"
               "printf '%s\\n' \"$#\" \"$@\" > \"$0.ran.tmp\" && mv \"$0.ran.tmp\" \"$0.ran\"\n";
        out.close();
        ::chmod(path.c_str(), 0755);
        return path;
    }

    static std::string Slurp(const std::string& path) { return tovel::testsupport::ReadFileBytes(path); }

    // Waits up to 10 s for a detached program's report.
    static std::string WaitForReport(const std::string& program)
    {
        for (int i = 0; i < 200 && !fs::exists(program + ".ran"); ++i)
            QTest::qWait(50);
        return Slurp(program + ".ran");
    }

    // Any file a shell would have made: "touch PWNED" or "> PWNED" run in
    // the working folder or in the program's folder.
    std::vector<std::string> StrayFiles() const
    {
        std::vector<std::string> stray;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir))
            if (entry.path().filename() == "PWNED")
                stray.push_back(entry.path().string());
        return stray;
    }

    tovel::testsupport::TempFolder m_folder{"tovel launch; $(x) `y` 'q' & z-"};

    // The exit code of a run, or -1 when the program could not be started.
    int Run(const std::string& program)
    {
        const tovel::ToolRun run = m_platform.RunTool(nullptr, program);
        return run.started ? run.exitCode : -1;
    }

    std::string m_dir;
    fs::path m_oldCwd;
    tovel::QtPlatform m_platform;
};

TEST_F(RobustLaunchTest, ToolWithShellCharactersRunsItselfOnceWithoutArguments)
{
    for (const char* name : kHostileNames) {
        SCOPED_TRACE(name);
        const std::string program = MakeProgram(name);
        EXPECT_EQ(Run(program), 0);
        EXPECT_EQ(Slurp(program + ".ran"), "0\n");
        fs::remove(program + ".ran");
    }
    EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(RobustLaunchTest, MissingToolWithShellCharactersStartsNothing)
{
    // The command as the editors build it, from a library beside which no
    // such program exists: nothing starts, and the start is reported.
    const std::string library = m_dir + "lib.s79";
    for (const char* name : kHostileNames) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Run(tovel::BuildToolCommand(library, name)), -1);
    }
    // Without a folder, a name with blanks is not split into a command and
    // its arguments, and not looked up piece by piece on the search path.
    EXPECT_EQ(Run("sh -c 'touch PWNED'"), -1);
    EXPECT_EQ(Run("touch PWNED"), -1);
    EXPECT_EQ(Run(""), -1);
    EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(RobustLaunchTest, ToolHintWithShellCharactersBesideTheLibrary)
{
    // A hint naming a program whose name holds shell characters, beside a
    // library in a folder whose name holds more of them.
    const std::string hint = "Pick $(touch PWNED).exe";
    const std::string program = MakeProgram(hint);
    const std::string command = tovel::BuildToolCommand(m_dir + "lib.s79", hint);
    EXPECT_EQ(command, program);
    EXPECT_EQ(Run(command), 0);
    EXPECT_EQ(Slurp(program + ".ran"), "0\n");
    EXPECT_TRUE(StrayFiles().empty());
}

TEST_F(RobustLaunchTest, BrowserWithShellCharactersGetsThePageAsOneArgument)
{
    for (const char* name : kHostileNames) {
        SCOPED_TRACE(name);
        const std::string browser = MakeProgram(std::string("browser ") + name);
        const std::string page = m_dir + "help; touch PWNED $(touch PWNED) `touch PWNED`/tovel/TV_P.html";
        m_platform.ShellOpen(nullptr, browser, page, true);
        EXPECT_EQ(WaitForReport(browser), "1\n" + page + "\n");
    }
    // The help program starts without any parameter.
    const std::string helper = MakeProgram("TovelHelp & touch PWNED.exe");
    m_platform.ShellOpen(nullptr, helper, "", false);
    EXPECT_EQ(WaitForReport(helper), "0\n");
    // A browser that does not exist starts nothing.
    m_platform.ShellOpen(nullptr, m_dir + "no browser; touch PWNED", "x", true);
    QTest::qWait(200);
    EXPECT_TRUE(StrayFiles().empty());
}

} // namespace
