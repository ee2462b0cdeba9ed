// The settings file on real files: links, frozen and oversized files, and
// the one-replace rewrite of a section.
#include "app/SettingsFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace tovel;
namespace fs = std::filesystem;

namespace {

class SettingsSafetyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Valid());
        m_dir = m_folder.Path();
    }
    void TearDown() override { SettingsFile::SetWriteFailureForTest(SettingsFile::WriteFailure::None); }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    static std::string Slurp(const std::string& path) { return testsupport::ReadFileBytes(path); }
    static void Spit(const std::string& path, const std::string& text) { testsupport::WriteFileBytes(path, text); }

    testsupport::TempFolder m_folder{"tovel-safety-"};
    fs::path m_dir;
};

const std::string kText = "; mine\r\n[Last]\r\nIntro=No\r\n";

TEST_F(SettingsSafetyTest, ALinkStaysALinkAndItsTargetTakesTheChange)
{
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need privileges on Windows; the writer does not follow them there";
#else
    fs::create_directories(m_dir / "dotfiles");
    fs::create_directories(m_dir / "app");
    Spit(PathOf("dotfiles/tovel.ini"), kText);
    fs::create_symlink("../dotfiles/tovel.ini", m_dir / "app/Tovel.ini");

    SettingsFile linked(PathOf("app/Tovel.ini"));
    ASSERT_TRUE(linked.Write("Last", "Library", "/l/a.s79"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "app/Tovel.ini"));
    EXPECT_EQ(Slurp(PathOf("dotfiles/tovel.ini")), kText + "Library=/l/a.s79\r\n");
    // The lock and the temporary file live beside the target.
    EXPECT_TRUE(fs::exists(m_dir / "dotfiles/.tovel.ini.lock"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "app"), fs::directory_iterator()), 1);

    // A dangling link becomes a file at its target while that folder exists.
    fs::create_symlink("../dotfiles/new.ini", m_dir / "app/New.ini");
    ASSERT_TRUE(SettingsFile(PathOf("app/New.ini")).Write("Last", "Intro", "Yes"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "app/New.ini"));
    EXPECT_EQ(Slurp(PathOf("dotfiles/new.ini")), "[Last]\r\nIntro=Yes\r\n");

    fs::create_symlink("../nowhere/x.ini", m_dir / "app/Lost.ini");
    const SettingsWrite lost = SettingsFile(PathOf("app/Lost.ini")).Write("Last", "Intro", "Yes");
    EXPECT_FALSE(lost.ok);
    EXPECT_NE(lost.reason.find("nowhere"), std::string::npos) << lost.reason;
    EXPECT_FALSE(fs::exists(m_dir / "nowhere"));

    fs::create_symlink("Loop.ini", m_dir / "app/Loop.ini");
    EXPECT_FALSE(SettingsFile(PathOf("app/Loop.ini")).Write("Last", "Intro", "Yes"));
#endif
}

TEST_F(SettingsSafetyTest, AFrozenFileIsNotReplaced)
{
    const std::string path = PathOf("Tovel.ini");
    Spit(path, kText);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    SettingsFile file(path);
    const SettingsWrite write = file.Write("Last", "Intro", "Yes");
    EXPECT_FALSE(write.ok);
    EXPECT_FALSE(write.reason.empty());
    EXPECT_FALSE(file.DeleteSection("Last"));
    EXPECT_EQ(Slurp(path), kText);
    EXPECT_EQ(file.Read("Last", "Intro", "yes", 1023), "No");
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(file.Write("Last", "Intro", "Yes"));
}

TEST_F(SettingsSafetyTest, AUserWithoutRightsToTheFileCannotReplaceIt)
{
#ifdef _WIN32
    GTEST_SKIP() << "user switching is a POSIX test; the read-only attribute is covered above";
#else
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run a helper as the unprivileged user 65534 (nobody)";
    // A file of root's that others may read but not write, in a folder that
    // everyone may write: rename alone would let nobody replace it.
    fs::permissions(m_dir, fs::perms::all);
    const std::string path = PathOf("Tovel.ini");
    Spit(path, kText);
    fs::permissions(path,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        SettingsFile file(path);
        const SettingsWrite write = file.Write("Last", "Intro", "Yes");
        ::_exit(write.ok ? 1 : file.Read("Last", "Intro", "", 100) == "No" ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 3) << "the helper could not become user 65534";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write was let through, 2: the file changed";
    EXPECT_EQ(Slurp(path), kText);
#endif
}

TEST_F(SettingsSafetyTest, AnOversizedFileReadsAsDefaultsAndIsNeverWritten)
{
    const std::string path = PathOf("Tovel.ini");
    Spit(path, kText);
    fs::resize_file(path, kSettingsFileLimit + 1); // sparse: cheap to make
    SettingsFile file(path);
    EXPECT_EQ(file.Read("Last", "Intro", "yes", 1023), "yes");
    EXPECT_NE(file.ReadProblem().find("16 MB"), std::string::npos) << file.ReadProblem();
    const SettingsWrite write = file.Write("Last", "Intro", "Yes");
    EXPECT_FALSE(write.ok);
    EXPECT_EQ(write.reason, file.ReadProblem());
    EXPECT_EQ(fs::file_size(path), kSettingsFileLimit + 1);
    EXPECT_EQ(Slurp(path).substr(0, kText.size()), kText);

    fs::resize_file(path, kText.size());
    EXPECT_EQ(file.Read("Last", "Intro", "yes", 1023), "No");
    EXPECT_TRUE(file.ReadProblem().empty());
}

TEST_F(SettingsSafetyTest, ASectionIsRewrittenInOneReplace)
{
    const std::string path = PathOf("Tovel.ini");
    const std::string old = "[Libraries]\r\n/l/c=Yes\r\n; boards\r\n/l/a=Yes\r\n[Last]\r\nLibrary=/l/a\r\n";
    Spit(path, old);
    SettingsFile file(path);
    // A failure anywhere in the replace leaves the old list whole.
    for (auto failure : {SettingsFile::WriteFailure::HalfWritten, SettingsFile::WriteFailure::BeforeRename}) {
        SettingsFile::SetWriteFailureForTest(failure);
        EXPECT_FALSE(file.ReplaceSection("Libraries", {"/l/a", "/l/c"}, "Yes"));
        EXPECT_EQ(Slurp(path), old);
    }
    SettingsFile::SetWriteFailureForTest(SettingsFile::WriteFailure::None);
    ASSERT_TRUE(file.ReplaceSection("Libraries", {"/l/a", "/l/a", "/l/c"}, "Yes"));
    EXPECT_EQ(Slurp(path), "; boards\r\n[Last]\r\nLibrary=/l/a\r\n[Libraries]\r\n/l/a=Yes\r\n/l/c=Yes\r\n");
}

TEST_F(SettingsSafetyTest, ReadsSeeEveryChangeOfTheFile)
{
    const std::string path = PathOf("Tovel.ini");
    Spit(path, "[Last]\r\nIntro=No\r\n");
    // A settled file is kept between reads; an edit in place still shows.
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
    SettingsFile file(path);
    EXPECT_EQ(file.Read("Last", "Intro", "", 100), "No");
    Spit(path, "[Last]\r\nIntro=Yes\r\n");
    EXPECT_EQ(file.Read("Last", "Intro", "", 100), "Yes");
    // A fresh edit of the same size too.
    Spit(path, "[Last]\r\nIntro=Oui\r\n");
    EXPECT_EQ(file.Read("Last", "Intro", "", 100), "Oui");
    fs::remove(path);
    EXPECT_EQ(file.Read("Last", "Intro", "gone", 100), "gone");
}

TEST(SettingsWriteFailedMessage, NamesThePathAndTheReason)
{
    EXPECT_EQ(SettingsWriteFailedMessage("/a/Tovel.ini", "permission denied"),
              "Tovel cannot save its settings in /a/Tovel.ini: permission denied. Changes made now are not kept.");
}

} // namespace
