// The settings file under faults: a program folder that cannot be written,
// writers killed at any moment, writers in several processes, and names and
// values that would break the file's lines.
#include "EnvGuard.h"
#include "app/Profile.h"
#include "app/SettingsFile.h"
#include "app/Startup.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace tovel;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path)
{
    return testsupport::ReadFileBytes(path);
}
void Spit(const std::string& path, const std::string& text)
{
    testsupport::WriteFileBytes(path, text);
}

class RobustSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Valid());
        m_dir = m_folder.Dir();
    }
    void TearDown() override { SettingsFile::SetWriteFailureForTest(SettingsFile::WriteFailure::None); }

    testsupport::TempFolder m_folder{"tovel-robust-"};
    std::string m_dir;
};

using tovel::testing::EnvGuard;

// Where one run of the program keeps its settings, decided as start-up does.
[[maybe_unused]] SettingsFile SettingsForRun(const std::string& appPath)
{
    const std::string folder = SettingsFolder(appPath, CanCreateFilesIn(appPath), UserConfigDir());
    return SettingsFile(folder + std::string(kSettingsFileName));
}

TEST_F(RobustSettingsTest, UnwritableProgramFolderKeepsSettingsPerUserAcrossRuns)
{
#ifdef _WIN32
    GTEST_SKIP() << "the per-user folder follows XDG_CONFIG_HOME, and /proc is a POSIX folder";
#else
    EnvGuard xdg("XDG_CONFIG_HOME");
    ::setenv("XDG_CONFIG_HOME", (m_dir + "config").c_str(), 1);
    const std::string userFile = m_dir + "config/tovel/Tovel.ini";

    // Folders that refuse new files even to root: a kernel file system, and a
    // "folder" that is really a regular file.
    Spit(m_dir + "plain", "not a folder");
    for (const std::string& appPath : {std::string("/proc/"), m_dir + "plain/", m_dir + "missing/"}) {
        SCOPED_TRACE(appPath);
        std::error_code ec;
        fs::remove_all(m_dir + "config", ec);

        SettingsFile first = SettingsForRun(appPath);
        EXPECT_EQ(first.Path(), userFile);
        ASSERT_TRUE(first.Write("Last", "AppPath", appPath));
        ASSERT_TRUE(first.Write("Libraries", "/opt/lib/a.s79", "Yes"));
        ASSERT_TRUE(first.Write("Last", "Library", "/opt/lib/a.s79"));

        // The next run finds the same file and everything in it, and adds to it.
        SettingsFile second = SettingsForRun(appPath);
        EXPECT_EQ(second.Path(), userFile);
        EXPECT_EQ(second.Read("Last", "Library", "", 1000), "/opt/lib/a.s79");
        ASSERT_TRUE(second.Write("Libraries", "/opt/lib/b.h", "Yes"));
        ASSERT_TRUE(second.Write("Last", "Intro", "No"));

        SettingsFile third = SettingsForRun(appPath);
        EXPECT_EQ(third.KeyNames("Libraries"), (std::vector<std::string>{"/opt/lib/a.s79", "/opt/lib/b.h"}));
        EXPECT_EQ(third.Read("Last", "Intro", "yes", 1023), "No");
        EXPECT_EQ(third.Read("Last", "AppPath", "", 1000), appPath);
    }
    EXPECT_FALSE(fs::exists("/proc/Tovel.ini"));
    EXPECT_EQ(Slurp(m_dir + "plain"), "not a folder");
#endif
}

TEST_F(RobustSettingsTest, SettingsLeftInAProgramFolderThatCannotHoldChangesAreReadAndMovedOnce)
{
#ifdef _WIN32
    GTEST_SKIP() << "the per-user folder follows XDG_CONFIG_HOME, a POSIX setting";
#else
    EnvGuard xdg("XDG_CONFIG_HOME");
    ::setenv("XDG_CONFIG_HOME", (m_dir + "config").c_str(), 1);
    const std::string app = m_dir + "app/";
    const std::string appText = "[Libraries]\r\n/opt/lib/a.s79=Yes\r\n[Last]\r\nLibrary=/opt/lib/a.s79\r\n";
    Spit(app + "Tovel.ini", appText);
    const std::string user = UserConfigDir();
    // The folder is treated as one that refuses new files (read-only, or a
    // disk without free inodes): the file there is read, not an empty one.
    EXPECT_EQ(SettingsFolder(app, false, user), app);

    const SettingsPlace first = PlaceSettings(app, false, user);
    EXPECT_EQ(first.path, user + "Tovel.ini");
    EXPECT_NE(first.notice.find(app + "Tovel.ini"), std::string::npos) << first.notice;
    EXPECT_NE(first.notice.find(user + "Tovel.ini"), std::string::npos) << first.notice;
    SettingsFile settings(first.path);
    EXPECT_EQ(settings.Read(setting::kLibrary), "/opt/lib/a.s79");
    ASSERT_TRUE(settings.Write("Libraries", "/opt/lib/b.s79", "Yes"));

    // Told once: the next start, the window's or tovel-cli's, uses the copy.
    const SettingsPlace second = PlaceSettings(app, false, user);
    EXPECT_EQ(second.path, first.path);
    EXPECT_TRUE(second.notice.empty()) << second.notice;
    EXPECT_EQ(SettingsFolder(app, false, user), user);
    EXPECT_EQ(SettingsFile(second.path).KeyNames("Libraries"),
              (std::vector<std::string>{"/opt/lib/a.s79", "/opt/lib/b.s79"}));
    EXPECT_EQ(Slurp(app + "Tovel.ini"), appText);
#endif
}

TEST_F(RobustSettingsTest, WritableProgramFolderIsUsedAndNoUserFolderAppears)
{
#ifdef _WIN32
    GTEST_SKIP() << "the per-user folder follows XDG_CONFIG_HOME, a POSIX setting";
#else
    EnvGuard xdg("XDG_CONFIG_HOME");
    ::setenv("XDG_CONFIG_HOME", (m_dir + "config").c_str(), 1);
    fs::create_directory(m_dir + "app");
    SettingsFile file = SettingsForRun(m_dir + "app/");
    EXPECT_EQ(file.Path(), m_dir + "app/Tovel.ini");
    ASSERT_TRUE(file.Write("Last", "Intro", "No"));
    EXPECT_EQ(SettingsForRun(m_dir + "app/").Read("Last", "Intro", "yes", 1023), "No");
    EXPECT_FALSE(fs::exists(m_dir + "config"));
#endif
}

// A child writes a counter again and again, with a large value beside it so
// that each write takes a while, and reports every write that returned. It is
// killed at a random moment; the file must then parse and hold the last
// reported value or the one being written, and the rest of the file whole.
TEST_F(RobustSettingsTest, WriterKilledAtRandomMomentsLeavesOldOrNewValue)
{
#ifdef _WIN32
    GTEST_SKIP() << "the writer is a forked child killed by a signal";
#else
    const std::string path = m_dir + "Tovel.ini";
    const std::string filler(64 * 1024, 'f');
    {
        SettingsFile file(path);
        ASSERT_TRUE(file.Write("Libraries", "/opt/lib/a.s79", "Yes"));
        ASSERT_TRUE(file.Write("Last", "Filler", filler));
        ASSERT_TRUE(file.Write("Last", "Counter", "0"));
    }

    std::mt19937 random(20240611);
    long last = 0;
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const long start = last;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            SettingsFile file(path);
            for (long i = start + 1; i < start + 100000; ++i) {
                if (!file.Write("Last", "Counter", std::to_string(i)))
                    ::_exit(3);
                if (::write(fds[1], &i, sizeof i) != static_cast<ssize_t>(sizeof i))
                    ::_exit(4);
            }
            ::_exit(0);
        }
        ::close(fds[1]);
        ::usleep(static_cast<useconds_t>(random() % 20000));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;

        long reported = start;
        long value = 0;
        while (::read(fds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value))
            reported = value;
        ::close(fds[0]);

        SettingsFile file(path);
        const std::string counter = file.Read("Last", "Counter", "missing", 100);
        char* end = nullptr;
        const long stored = std::strtol(counter.c_str(), &end, 10);
        ASSERT_TRUE(!counter.empty() && *end == '\0') << "counter reads \"" << counter << "\"";
        EXPECT_TRUE(stored == reported || stored == reported + 1)
            << "stored " << stored << ", last reported " << reported;
        EXPECT_EQ(file.Read("Last", "Filler", "", filler.size() + 1), filler);
        EXPECT_EQ(file.KeyNames("Libraries"), std::vector<std::string>{"/opt/lib/a.s79"});
        last = stored;
    }

    // Writing still works after all that; temporary files of killed writers
    // do not get in the way.
    SettingsFile file(path);
    EXPECT_TRUE(file.Write("Last", "Counter", "done"));
    EXPECT_EQ(file.Read("Last", "Counter", "", 100), "done");
#endif
}

TEST_F(RobustSettingsTest, WritersInSeveralProcessesLoseNoUpdate)
{
#ifdef _WIN32
    GTEST_SKIP() << "the writers are forked children";
#else
    constexpr int kProcesses = 3;
    constexpr int kKeys = 30;
    const std::string path = m_dir + "Tovel.ini";
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SettingsFile file(path);
            bool ok = true;
            for (int k = 0; k < kKeys; ++k) {
                ok = file.Write("Libraries", "/p" + std::to_string(p) + "/lib" + std::to_string(k) + ".s79", "Yes")
                    && ok;
                // Every process also rewrites a shared key, so that each change
                // reads and replaces a file the others are replacing too.
                ok = file.Write("Last", "Library", "/p" + std::to_string(p)) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    SettingsFile file(path);
    EXPECT_EQ(file.KeyNames("Libraries").size(), static_cast<size_t>(kProcesses * kKeys));
    EXPECT_EQ(file.KeyNames("Last"), std::vector<std::string>{"Library"});
#endif
}

// Names and values holding line breaks or NULs: a name is refused, a value
// loses the breaks (and everything from a NUL on), and every other line of
// the file keeps its bytes.
TEST_F(RobustSettingsTest, LineBreaksNeverReachTheFileRaw)
{
    const std::string path = m_dir + "Tovel.ini";
    const std::string old = "[Last]\r\nIntro=No\r\nLibrary=/l/a.s79\r\n[Libraries]\r\n/l/a.s79=Yes\r\n";
    const std::string nul(1, '\0');
    struct Case {
        const char* what;
        std::string section, key, value;
        bool accepted;
        std::string readBack; // what the key reads as afterwards (accepted cases)
    };
    const std::vector<Case> cases = {
        {"value with CR LF", "Last", "Intro", "Yes\r\n[Libraries]\r\n/evil=Yes", true, "Yes[Libraries]/evil=Yes"},
        {"value with lone CR", "Last", "Intro", "Ye\rs", true, "Yes"},
        {"value with lone LF", "Last", "Intro", "\nYes\n", true, "Yes"},
        {"value that is only breaks", "Last", "Intro", "\r\n\r", true, ""},
        {"value with NUL", "Last", "Intro", "Yes" + nul + "\r\n[x]", true, "Yes"},
        {"value with high bytes", "Last", "Intro", "\x80\xff\xe9", true, "\x80\xff\xe9"},
        {"key with CR", "Libraries", "/l/b\r.s79", "Yes", false, ""},
        {"key with LF", "Libraries", "/l/b.s79\n[Last]\nIntro", "Yes", false, ""},
        {"key with NUL", "Libraries", "/l/b" + nul + ".s79", "Yes", false, ""},
        {"key with '='", "Libraries", "/l/b=c.s79", "Yes", false, ""},
        {"key starting with ';'", "Libraries", ";b.s79", "Yes", false, ""},
        {"key starting with '[' after blanks", "Libraries", "  [b.s79", "Yes", false, ""},
        {"section with LF", "Last\n[Libraries", "Intro", "Yes", false, ""},
        {"section with ']'", "La]st", "Intro", "Yes", false, ""},
        {"section with NUL", "Last" + nul, "Intro", "Yes", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Spit(path, old);
        SettingsFile file(path);
        EXPECT_EQ(file.Write(c.section, c.key, c.value).ok, c.accepted);
        const std::string after = Slurp(path);
        if (!c.accepted) {
            EXPECT_EQ(after, old);
            EXPECT_FALSE(file.DeleteKey(c.section, c.key));
            EXPECT_EQ(Slurp(path), old);
            continue;
        }
        EXPECT_EQ(file.Read(c.section, c.key, "dflt", 1000), c.readBack);
        // Only the Intro line changed, and it is one line.
        const std::string line = "Intro=" + c.readBack + "\r\n";
        EXPECT_EQ(after, "[Last]\r\n" + line + "Library=/l/a.s79\r\n[Libraries]\r\n/l/a.s79=Yes\r\n");
        EXPECT_EQ(file.KeyNames("Libraries"), std::vector<std::string>{"/l/a.s79"});
    }
    // Deleting a section by a broken name deletes nothing.
    Spit(path, old);
    EXPECT_FALSE(SettingsFile(path).DeleteSection("Libraries\r\n"));
    EXPECT_EQ(Slurp(path), old);
}

// Settings paths that are not regular files are read as empty and never
// written through, and none of them makes a read wait.
TEST_F(RobustSettingsTest, SettingsPathOnPipeOrDeviceNeverHangs)
{
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs and alarm() are POSIX";
#else
    const std::string fifo = m_dir + "Tovel.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::alarm(20); // a read that blocked would end the test program here
    for (const std::string& path :
         {fifo, std::string("/dev/zero"), std::string("/dev/null"), std::string("/dev/full")}) {
        SCOPED_TRACE(path);
        SettingsFile file(path);
        EXPECT_EQ(file.Read("Last", "Intro", "yes", 100), "yes");
        EXPECT_TRUE(file.KeyNames("Libraries").empty());
        EXPECT_FALSE(file.Write("Last", "Intro", "No"));
    }
    ::alarm(0);
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
#endif
}

} // namespace
