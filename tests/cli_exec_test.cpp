// The built tovel-cli program: exit statuses, messages, JSON that parses,
// the settings file beside it, the clipboard programs, and hostile files.
#include "cli_test_support.h"

#include "app/SettingsFile.h"
#include "assist/Routine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#ifndef _WIN32 // runs the program through POSIX process calls

namespace tovel::cli {
namespace {

using clitest::Json;
using clitest::JsonReader;
using clitest::RunProgram;
using clitest::TempFolder;

const std::string kProgram = TOVEL_CLI_PATH;
const std::string kSample = std::string(TOVEL_COMPANION_DIR) + "/LibDev4410.s79";
const std::string kHeader = std::string(TOVEL_COMPANION_DIR) + "/Dev4410Hdr/dev4410.h";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', start)) {
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

Json ParseJson(const std::string& text)
{
    Json value;
    std::string error;
    EXPECT_TRUE(JsonReader(text).Read(value, error)) << error << "\n" << text;
    return value;
}

// Fails when the program crashed or wrote more than one line of error.
void ExpectCleanFailure(const ProcessResult& run, int status, const std::string& what)
{
    ASSERT_TRUE(run.started) << run.problem;
    EXPECT_EQ(run.exitStatus, status) << what << "\n" << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << what << "\n" << run.err;
    EXPECT_EQ(run.err.rfind("tovel-cli: ", 0), 0u) << what << "\n" << run.err;
}

TEST(CliProgram, MainJobOnTheSampleLibraries)
{
    for (const std::string& library : {kSample, kHeader}) {
        const ProcessResult list = RunProgram(kProgram, {"list", library});
        ASSERT_TRUE(list.started) << list.problem;
        ASSERT_EQ(list.exitStatus, 0) << list.err;
        const auto expected = ReadFunctionList(library);
        ASSERT_TRUE(expected.has_value());
        ASSERT_EQ(Lines(list.out), *expected);

        // Every routine's parameters parse as JSON (the dialog agreement
        // tests compare their contents).
        for (const std::string& prototype : *expected) {
            const ProcessResult params = RunProgram(kProgram, {"params", "--json", library, prototype});
            ASSERT_EQ(params.exitStatus, 0) << prototype << "\n" << params.err;
            EXPECT_EQ(ParseJson(params.out)["prototype"].text, prototype);
        }
    }
}

TEST(CliProgram, WorkedExampleCallAndRangeMessage)
{
    ProcessResult run = RunProgram(kProgram, {"call", kSample, "PwmSetDuty", "2", "75"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "PwmSetDuty(2,75)\n");
    EXPECT_EQ(run.err, "");

    run = RunProgram(kProgram, {"call", kSample, "PwmSetDuty", "2", "101"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "PwmSetDuty(2,101)\n");
    EXPECT_EQ(run.err, "duty Out of range.\nAllowed: 0 to 100\n");

    run = RunProgram(kProgram,
                     {"call", kSample, "void PwmSetup(char ch, char flags, unsigned period, int duty, char dt)", "1",
                      "PWM_EN|PWM_IRQ", "0x1000", "50", "16"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "PwmSetup(1,PWM_EN|PWM_IRQ,0x1000,50,16)\n");
    EXPECT_EQ(run.err, "dt Out of range.\nAllowed: 0 to 15\n");

    run = RunProgram(kProgram, {"show", kSample, "WdtKick"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out.rfind("; C Function prototype: void WdtKick(void);", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("ENDMOD"), std::string::npos);
}

TEST(CliProgram, CheckReportsAndExitsByTheResult)
{
    TempFolder dir;
    ASSERT_TRUE(dir.Valid());
    ProcessResult run = RunProgram(kProgram, {"check", kSample});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    EXPECT_EQ(run.out, "");

    const std::string lib = dir.Write("bad.s79", "; C Function prototype: int f(int a)\r\n; b:{1}\r\n\tRET\r\n");
    run = RunProgram(kProgram, {"check", lib});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string>{
                  lib
                      + ":1: routine 'f' has no closing line (a word END or ENDMOD): its source block runs to the end "
                        "of the file",
                  lib + ":2: the hint line names 'b', not parameter 'a'"}));

    ExpectCleanFailure(RunProgram(kProgram, {"check", dir / "none.s79"}), 2, "missing library");
}

TEST(CliProgram, HostileFilesAndArgumentsNeverCrash)
{
    TempFolder dir;
    ASSERT_TRUE(dir.Valid());
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 131 + 7) % 256);
    const std::string hostile[] = {
        dir.Write("empty.s79", ""),
        dir.Write("binary.s79", binary),
        dir.Write("nul.s79", std::string("\0; C Function prototype: int f(void)\n", 38)),
        dir.Write("long.s79",
                  "; C Function prototype: int f(" + std::string(600, 'a') + " x)\n" + std::string(5000, ';')),
        dir.Write("only.h", "int f(int a,\n"),
        dir.Write("bytes.s79", "; C Function prototype: \xB5int f(char c)\n; c:{\x80,na\xEFve}\nEND\n"),
    };
    for (const std::string& file : hostile) {
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"list", file},
                                                   {"check", file},
                                                   {"show", file, "f"},
                                                   {"params", "--json", file, "f"},
                                                   {"call", "-l", file, "f", "1"}}) {
            const ProcessResult run = RunProgram(kProgram, args);
            ASSERT_TRUE(run.started);
            EXPECT_LE(run.exitStatus, 2) << args[0] << " " << file << "\n" << run.err;
            if (args[0] == "params" && run.exitStatus == 0)
                ParseJson(run.out);
        }
    }
    // 8-bit text stays valid JSON, and passes unchanged into the call.
    const ProcessResult bytes = RunProgram(kProgram, {"params", "--json", hostile[5], "f"});
    ASSERT_EQ(bytes.exitStatus, 0) << bytes.err;
    const Json json = ParseJson(bytes.out);
    EXPECT_EQ(json["type"].text, "\xC2\xB5int");
    EXPECT_EQ(json["slots"][0]["items"][0].text, "\xC2\x80");
    EXPECT_EQ(json["slots"][0]["items"][1].text, "na\xC3\xAFve");
    const ProcessResult call = RunProgram(kProgram, {"call", "-l", hostile[5], "f", "\x80"});
    EXPECT_EQ(call.out, "f(\x80)\n");

    // Unreadable libraries.
    ExpectCleanFailure(RunProgram(kProgram, {"list", dir / ""}), 2, "folder");
    ExpectCleanFailure(RunProgram(kProgram, {"list", dir / "missing.s79"}), 2, "missing");
    ASSERT_EQ(::mkfifo((dir / "fifo.s79").c_str(), 0600), 0);
    ExpectCleanFailure(RunProgram(kProgram, {"list", dir / "fifo.s79"}), 2, "fifo");
    ExpectCleanFailure(RunProgram(kProgram, {"check", dir / "fifo.s79"}), 2, "fifo");
    // Unknown routines, a header routine without its source.
    ExpectCleanFailure(RunProgram(kProgram, {"show", kSample, "Nothing"}), 2, "unknown");
    const std::string header = dir.Write("inc/lib.h", "int Lost(int a);\n");
    const ProcessResult lost = RunProgram(kProgram, {"params", header, "Lost"});
    ExpectCleanFailure(lost, 2, "no source");
    EXPECT_EQ(lost.err, "tovel-cli: Could not find source " + dir / "inc/Lost.s" + " or .c\n");
    // Bad arguments.
    ExpectCleanFailure(RunProgram(kProgram, {"bogus"}), 2, "command");
    ExpectCleanFailure(RunProgram(kProgram, {"params", "--copy", kSample, "WdtKick"}), 2, "option");
    ExpectCleanFailure(RunProgram(kProgram, {"call", kSample, "WdtKick", "1"}), 2, "too many values");
    for (const char* command : {"list", "show", "params", "call", "check"}) {
        const ProcessResult help = RunProgram(kProgram, {command, "--help"});
        EXPECT_EQ(help.exitStatus, 0);
        EXPECT_EQ(help.out.rfind(std::string("Usage: tovel-cli ") + command, 0), 0u);
    }
}

// A copy of the program in a folder of its own, so that its settings file
// is the one in that folder.
class CliInstalledTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.Valid());
        m_program = m_dir / "tovel-cli";
        std::filesystem::copy_file(kProgram, m_program);
    }

    TempFolder m_dir;
    std::string m_program;
};

TEST_F(CliInstalledTest, DefaultLibraryComesFromTheSettingsBesideTheProgram)
{
    const std::string ini = m_dir / "Tovel.ini";
    ExpectCleanFailure(RunProgram(m_program, {"list"}), 2, "no settings");
    EXPECT_FALSE(std::filesystem::exists(ini)) << "the settings file is never written";

    SettingsFile settings(ini);
    EXPECT_TRUE(settings.Write("Libraries", kHeader, "Yes"));
    EXPECT_TRUE(settings.Write("Libraries", kSample, "Yes"));
    EXPECT_TRUE(settings.Write("Last", "Library", kSample));
    const std::string before = clitest::ReadBytes(ini);
    auto listing = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir / ""))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> files = listing();
    ProcessResult run = RunProgram(m_program, {"call", "PwmSetDuty", "1", "2"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "PwmSetDuty(1,2)\n");
    run = RunProgram(m_program, {"list"});
    EXPECT_EQ(Lines(run.out), *ReadFunctionList(kSample));
    EXPECT_EQ(clitest::ReadBytes(ini), before);
    EXPECT_EQ(listing(), files) << "nothing is left in the program's folder";
}

TEST_F(CliInstalledTest, CopyHandsTheCallToTheClipboardProgram)
{
    // Stand-ins for the clipboard programs: they keep what they read, and
    // one of them stays behind the way a clipboard owner does. PATH holds
    // nothing else, so they name the system's programs by their paths.
    const std::string bin = m_dir / "bin";
    auto tool = [&](const std::string& name, const std::string& extra) {
        const std::string path = m_dir.Write("bin/" + name,
                                             "#!/bin/sh\n/bin/cat > \"" + m_dir / (name + ".got") + "\"\n"
                                                 + "echo \"$*\" > \"" + m_dir / (name + ".args") + "\"\n" + extra);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    };
    // The owner that stays behind finds the null device as its output, so it
    // cannot hold the output of tovel-cli (or of whoever runs it) open.
    tool("xclip",
         "o=$(/bin/readlink /proc/$$/fd/1 /proc/$$/fd/2)\necho \"$o\" > \"" + m_dir / "xclip.out"
             + "\"\n/bin/sleep 8 &\nexit 0\n");
    tool("wl-copy", "exit 0\n");
    tool("xsel", "exit 3\n");

    ProcessResult run =
        RunProgram(m_program, {"call", "--copy", kSample, "PwmSetDuty", "2", "75"}, {"PATH=" + bin, "DISPLAY=:7"});
    EXPECT_EQ(clitest::ReadBytes(m_dir / "xclip.out"), "/dev/null\n/dev/null\n");
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "PwmSetDuty(2,75)\n");
    EXPECT_EQ(clitest::ReadBytes(m_dir / "xclip.got"), "PwmSetDuty(2,75)");
    EXPECT_EQ(clitest::ReadBytes(m_dir / "xclip.args"), "-selection clipboard\n");

    // Wayland first when its display is set; a failing program is reported.
    run = RunProgram(m_program, {"call", "--copy", kSample, "PwmSetDuty", "3"},
                     {"PATH=" + bin, "DISPLAY=:7", "WAYLAND_DISPLAY=wayland-0"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(clitest::ReadBytes(m_dir / "wl-copy.got"), "PwmSetDuty(3,)");
    std::filesystem::remove(bin + "/xclip");
    run = RunProgram(m_program, {"call", "--copy", kSample, "PwmSetDuty", "3"}, {"PATH=" + bin, "DISPLAY=:7"});
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_EQ(run.out, "PwmSetDuty(3,)\n");
    EXPECT_NE(run.err.find("xsel failed (exit status 3)"), std::string::npos) << run.err;

    // No display, or no program.
    run = RunProgram(m_program, {"call", "--copy", kSample, "PwmSetDuty", "3", "200"}, {"PATH=" + bin});
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_EQ(run.out, "PwmSetDuty(3,200)\n");
    EXPECT_EQ(run.err,
              "duty Out of range.\nAllowed: 0 to 100\ntovel-cli: the call is not on the clipboard: no display is set "
              "(neither "
              "WAYLAND_DISPLAY nor DISPLAY), so there is no clipboard\n");
    run = RunProgram(m_program, {"call", "--copy", kSample, "WdtKick"}, {"PATH=" + m_dir / "nowhere", "DISPLAY=:7"});
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_NE(run.err.find("no clipboard program is available"), std::string::npos) << run.err;
}

} // namespace
} // namespace tovel::cli

#endif
