#include "EnvGuard.h"
#include "app/SettingsFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace tovel;
namespace fs = std::filesystem;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Valid());
        m_dir = m_folder.Path();
    }
    void TearDown() override { SettingsFile::SetWriteFailureForTest(SettingsFile::WriteFailure::None); }

    std::string PathOf(const std::string& name) const { return (fs::path(m_dir) / name).string(); }

    static std::string Slurp(const std::string& path) { return testsupport::ReadFileBytes(path); }
    static void Spit(const std::string& path, const std::string& text) { testsupport::WriteFileBytes(path, text); }
    // Names in the folder, apart from the lock file that writers leave.
    std::set<std::string> FolderNames() const
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir))
            if (e.path().extension() != ".lock")
                names.insert(e.path().filename().string());
        return names;
    }

    testsupport::TempFolder m_folder{"tovel-settings-"};
    std::string m_dir;
};

const std::string kOldText = "; hand-written\n[Last]\r\nIntro=No\rodd line\n[Libraries]\r\n/l/a.s79=Yes";

TEST_F(SettingsFileTest, MissingFileReadsDefaultsAndDeletesTouchNothing)
{
    SettingsFile file(PathOf("sub/dir/Tovel.ini"));
    EXPECT_EQ(file.Read("Last", "Intro", "yes", 1023), "yes");
    EXPECT_TRUE(file.KeyNames("Libraries").empty());
    EXPECT_TRUE(file.DeleteKey("Libraries", "/x"));
    EXPECT_TRUE(file.DeleteSection("Libraries"));
    EXPECT_FALSE(fs::exists(PathOf("sub")));
}

TEST_F(SettingsFileTest, FirstWriteCreatesFoldersAndFile)
{
    SettingsFile file(PathOf("a/b/tovel/Tovel.ini"));
    ASSERT_TRUE(file.Write("Last", "AppPath", "/opt/tovel/"));
    EXPECT_EQ(Slurp(file.Path()), "[Last]\r\nAppPath=/opt/tovel/\r\n");
    ASSERT_TRUE(file.Write("Libraries", "/l/b.h", "Yes"));
    ASSERT_TRUE(file.Write("Libraries", "/l/a.s79", "Yes"));
    EXPECT_EQ(file.Read("last", "apppath", "", 1000), "/opt/tovel/");
    EXPECT_EQ(file.KeyNames("LIBRARIES"), (std::vector<std::string>{"/l/b.h", "/l/a.s79"}));
}

TEST_F(SettingsFileTest, ChangesKeepOtherLinesByteForByte)
{
    SettingsFile file(PathOf("Tovel.ini"));
    Spit(file.Path(), kOldText);
    ASSERT_TRUE(file.Write("Last", "intro", "Yes"));
    ASSERT_TRUE(file.Write("Libraries", "/l/b.h", "Yes"));
    ASSERT_TRUE(file.DeleteKey("Libraries", "/l/a.s79"));
    EXPECT_EQ(Slurp(file.Path()), "; hand-written\n[Last]\r\nIntro=Yes\r\nodd line\n[Libraries]\r\n/l/b.h=Yes\r\n");
    ASSERT_TRUE(file.DeleteSection("Last"));
    EXPECT_EQ(Slurp(file.Path()), "; hand-written\n[Libraries]\r\n/l/b.h=Yes\r\n");
    EXPECT_EQ(FolderNames(), std::set<std::string>{"Tovel.ini"});
}

TEST_F(SettingsFileTest, UnchangedTextIsNotRewritten)
{
    SettingsFile file(PathOf("Tovel.ini"));
    ASSERT_TRUE(file.Write("Last", "Intro", "No"));
    struct stat before {};
    ASSERT_EQ(::stat(file.Path().c_str(), &before), 0);
    // Were the file replaced, it would come back under a new inode.
    ASSERT_TRUE(file.Write("LAST", "intro", "No"));
    ASSERT_TRUE(file.DeleteKey("Last", "Missing"));
    struct stat after {};
    ASSERT_EQ(::stat(file.Path().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(SettingsFileTest, RefusedNamesLeaveTheFileAlone)
{
    SettingsFile file(PathOf("Tovel.ini"));
    Spit(file.Path(), kOldText);
    EXPECT_FALSE(file.Write("Libraries", "/l/x\r\n[Last]", "Yes"));
    EXPECT_FALSE(file.Write("Last\n", "Intro", "Yes"));
    EXPECT_FALSE(file.Write("Libraries", "a=b", "Yes"));
    EXPECT_FALSE(file.Write("Libraries", "", "Yes"));
    EXPECT_FALSE(file.DeleteKey("Libraries", ""));
    EXPECT_FALSE(file.DeleteSection(""));
    EXPECT_EQ(Slurp(file.Path()), kOldText);
    // A value's line breaks are dropped rather than refused.
    ASSERT_TRUE(file.Write("Last", "Intro", "Ye\r\n[Evil]\r\nx=s"));
    EXPECT_EQ(file.Read("Last", "Intro", "", 100), "Ye[Evil]x=s");
    EXPECT_TRUE(file.KeyNames("Evil").empty());
}

TEST_F(SettingsFileTest, InjectedFailuresLeaveTheOldFileWhole)
{
    SettingsFile file(PathOf("Tovel.ini"));
    for (auto failure : {SettingsFile::WriteFailure::HalfWritten, SettingsFile::WriteFailure::BeforeRename}) {
        Spit(file.Path(), kOldText);
        SettingsFile::SetWriteFailureForTest(failure);
        EXPECT_FALSE(file.Write("Last", "Intro", std::string(5000, 'x')));
        EXPECT_FALSE(file.DeleteSection("Last"));
        EXPECT_EQ(Slurp(file.Path()), kOldText);
        EXPECT_EQ(FolderNames(), std::set<std::string>{"Tovel.ini"}) << "temporary file left behind";
    }
    SettingsFile::SetWriteFailureForTest(SettingsFile::WriteFailure::None);
    EXPECT_TRUE(file.Write("Last", "Intro", "Yes"));
    EXPECT_EQ(file.Read("Last", "Intro", "", 100), "Yes");
}

TEST_F(SettingsFileTest, InjectedFailureOnFirstWriteCreatesNoFile)
{
    SettingsFile file(PathOf("Tovel.ini"));
    SettingsFile::SetWriteFailureForTest(SettingsFile::WriteFailure::HalfWritten);
    EXPECT_FALSE(file.Write("Last", "AppPath", "/opt/"));
    EXPECT_TRUE(FolderNames().empty());
}

TEST_F(SettingsFileTest, FullDiskLeavesTheOldFileWhole)
{
#ifdef _WIN32
    GTEST_SKIP() << "the full disk is made with RLIMIT_FSIZE, a POSIX limit";
#else
    // A file-size limit makes the real write() fail part-way, as a full disk does.
    SettingsFile file(PathOf("Tovel.ini"));
    Spit(file.Path(), kOldText);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    rlimit small = oldLimit;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool wrote = file.Write("Last", "Intro", std::string(10000, 'y')).ok;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(wrote);
    EXPECT_EQ(Slurp(file.Path()), kOldText);
    EXPECT_EQ(FolderNames(), std::set<std::string>{"Tovel.ini"});
#endif
}

TEST_F(SettingsFileTest, OddFilesReadAsDefaults)
{
    // A folder in the file's place: reads give defaults, writes fail.
    SettingsFile folder(PathOf("Tovel.ini"));
    fs::create_directory(folder.Path());
    EXPECT_EQ(folder.Read("Last", "Intro", "yes", 100), "yes");
    EXPECT_FALSE(folder.Write("Last", "Intro", "No"));
    EXPECT_TRUE(fs::is_directory(folder.Path()));

    // A device: no endless read, and nothing is created beside it.
    SettingsFile device("/dev/full");
    const bool lockBefore = fs::exists("/dev/.full.lock");
    EXPECT_EQ(device.Read("Last", "Intro", "yes", 100), "yes");
    EXPECT_FALSE(device.Write("Last", "Intro", "No"));
    EXPECT_EQ(fs::exists("/dev/.full.lock"), lockBefore);

    // Binary garbage with NUL bytes holds no settings; a write keeps its bytes.
    SettingsFile garbage(PathOf("garbage.ini"));
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk.push_back(static_cast<char>((i * 7919) % 256));
    junk += std::string("\0[Last]\r\nIntro=No\r\n", 19);
    Spit(garbage.Path(), junk);
    EXPECT_EQ(garbage.Read("Last", "Intro", "yes", 100), "yes");
    ASSERT_TRUE(garbage.Write("Last", "Intro", "No"));
    const std::string after = Slurp(garbage.Path());
    EXPECT_EQ(after.substr(0, junk.size()), junk);
    EXPECT_EQ(garbage.Read("Last", "Intro", "yes", 100), "No");
}

TEST_F(SettingsFileTest, UnreadableFileIsNeitherReadNorReplaced)
{
#ifdef _WIN32
    GTEST_SKIP() << "access modes are POSIX; the read-only attribute is tested in the safety tests";
#else
    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not stop root";
    SettingsFile file(PathOf("Tovel.ini"));
    Spit(file.Path(), kOldText);
    ::chmod(file.Path().c_str(), 0200);
    EXPECT_EQ(file.Read("Last", "Intro", "dflt", 100), "dflt");
    EXPECT_FALSE(file.Write("Last", "Intro", "Yes"));
    ::chmod(file.Path().c_str(), 0600);
    EXPECT_EQ(Slurp(file.Path()), kOldText);
#endif
}

TEST_F(SettingsFileTest, ReplacementKeepsTheAccessMode)
{
#ifdef _WIN32
    GTEST_SKIP() << "access modes are POSIX";
#else
    SettingsFile file(PathOf("Tovel.ini"));
    Spit(file.Path(), kOldText);
    ASSERT_EQ(::chmod(file.Path().c_str(), 0640), 0);
    ASSERT_TRUE(file.Write("Last", "Intro", "Yes"));
    struct stat st {};
    ASSERT_EQ(::stat(file.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
#endif
}

TEST_F(SettingsFileTest, ConcurrentWritersLoseNoUpdate)
{
    constexpr int kThreads = 4;
    constexpr int kKeys = 20;
    const std::string path = PathOf("Tovel.ini");
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &path] {
            SettingsFile file(path);
            for (int k = 0; k < kKeys; ++k)
                EXPECT_TRUE(file.Write("Libraries", "/t" + std::to_string(t) + "/" + std::to_string(k), "Yes"));
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(SettingsFile(path).KeyNames("Libraries").size(), static_cast<size_t>(kThreads * kKeys));
}

TEST_F(SettingsFileTest, CanCreateFilesInTestsRealCreation)
{
#ifdef _WIN32
    GTEST_SKIP() << "/proc is a POSIX folder";
#else
    EXPECT_TRUE(CanCreateFilesIn(m_dir));
    EXPECT_TRUE(CanCreateFilesIn(m_dir + "/"));
    EXPECT_TRUE(FolderNames().empty()) << "probe file left behind";
    EXPECT_FALSE(CanCreateFilesIn(PathOf("missing")));
    Spit(PathOf("plain"), "x");
    EXPECT_FALSE(CanCreateFilesIn(PathOf("plain")));
    EXPECT_FALSE(CanCreateFilesIn("/proc")); // refused even to root
    EXPECT_FALSE(CanCreateFilesIn(""));
#endif
}

TEST_F(SettingsFileTest, PathKeysKeepTheirCaseWhereFileNamesDo)
{
    // A file written before path keys kept their case reads as it did.
    const std::string path = PathOf("Tovel.ini");
    Spit(path, "[libraries]\r\n/l/Lib.s79=Yes\r\n[TRUSTED]\r\n/l/Tools=Yes\r\n[last]\r\nlibrary=/l/Lib.s79\r\n");
    SettingsFile file(path);
    EXPECT_EQ(file.Read(setting::kLibrary), "/l/Lib.s79");
    ASSERT_TRUE(file.Write("Libraries", "/l/lib.s79", "Yes"));
    ASSERT_TRUE(file.Write("Trusted", "/l/tools", "Yes"));
    ASSERT_TRUE(file.Write("Last", "LIBRARY", "/l/lib.s79"));
    EXPECT_EQ(file.KeyNames("Last"), std::vector<std::string>{"library"});
    if (!kFileNamesKeepCase) {
        EXPECT_EQ(file.KeyNames("Libraries"), std::vector<std::string>{"/l/Lib.s79"});
        return;
    }
    EXPECT_EQ(file.KeyNames("Libraries"), (std::vector<std::string>{"/l/Lib.s79", "/l/lib.s79"}));
    EXPECT_EQ(file.KeyNames("Trusted"), (std::vector<std::string>{"/l/Tools", "/l/tools"}));
    ASSERT_TRUE(file.DeleteKey("Libraries", "/l/lib.s79"));
    ASSERT_TRUE(file.ReplaceSection("Trusted", {"/l/Tools", "/l/tools", "/l/Tools"}, "Yes"));
    EXPECT_EQ(file.KeyNames("Libraries"), std::vector<std::string>{"/l/Lib.s79"});
    EXPECT_EQ(file.KeyNames("Trusted"), (std::vector<std::string>{"/l/Tools", "/l/tools"}));
}

TEST_F(SettingsFileTest, TemporaryFilesOfDeadWritersGoAtTheNextWrite)
{
#ifdef _WIN32
    GTEST_SKIP() << "the dead writer is a forked child";
#else
    // A writer killed between its flush and its rename leaves its temporary
    // file; its process id then names no running process.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string path = PathOf("Tovel.ini");
    const std::string dead = "Tovel.ini.tmp-" + std::to_string(child) + "-3";
    const std::string live = "Tovel.ini.tmp-" + std::to_string(::getpid()) + "-90";
    Spit(PathOf(dead), "[Last]\r\nIntro=half");
    Spit(PathOf(live), "being written");
    Spit(PathOf("Tovel.ini.tmp-notes"), "not a temporary file");
    Spit(PathOf("Other.ini.tmp-" + std::to_string(child) + "-1"), "another file's");
    SettingsFile file(path);
    ASSERT_TRUE(file.Write("Last", "Intro", "No"));
    EXPECT_EQ(FolderNames(),
              (std::set<std::string>{"Tovel.ini", live, "Tovel.ini.tmp-notes",
                                     "Other.ini.tmp-" + std::to_string(child) + "-1"}));
    EXPECT_EQ(file.Read("Last", "Intro", "", 100), "No");
#endif
}

using tovel::testing::EnvGuard;

TEST(UserConfigDir, FollowsXdgThenHome)
{
#ifdef _WIN32
    GTEST_SKIP() << "XDG_CONFIG_HOME and HOME are POSIX settings; Windows uses APPDATA";
#else
    EnvGuard xdg("XDG_CONFIG_HOME");
    EnvGuard home("HOME");
    ::setenv("HOME", "/home/ann", 1);
    ::setenv("XDG_CONFIG_HOME", "/cfg/ann", 1);
    EXPECT_EQ(UserConfigDir(), "/cfg/ann/tovel/");
    ::setenv("XDG_CONFIG_HOME", "/cfg/ann//", 1);
    EXPECT_EQ(UserConfigDir(), "/cfg/ann/tovel/");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(UserConfigDir(), "/home/ann/.config/tovel/");
    ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);
    EXPECT_EQ(UserConfigDir(), "/home/ann/.config/tovel/");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/ann/", 1);
    EXPECT_EQ(UserConfigDir(), "/home/ann/.config/tovel/");
#endif
}

} // namespace
