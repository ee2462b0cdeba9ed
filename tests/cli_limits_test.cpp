// tovel-cli at its limits: libraries of many alike prototypes, output that
// cannot be written, a clipboard program that never ends, C files larger
// than the memory it may take, and prototypes without a routine name.
#include "cli_test_support.h"

#include "assist/Lint.h"
#include "assist/RoutineBlocks.h"
#include "cli/Cli.h"
#include "cli/Clipboard.h"
#include "composer/Routine.h"

#include <gtest/gtest.h>

#ifndef _WIN32 // runs the program through POSIX process calls
#include <csignal>

namespace tovel::cli {
namespace {

using clitest::TempFolder;

const std::string kProgram = TOVEL_CLI_PATH;
const std::string kSample = std::string(TOVEL_COMPANION_DIR) + "/LibDev4410.s79";

ProcessResult Shell(const std::string& script)
{
    return clitest::RunProgram("/bin/sh", {"-c", script});
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

TEST(CliLimits, AlikePrototypesAreLookedUpOnceEach)
{
    // Prototypes that differ only in letter case sort in turn, so equal ones
    // are never neighbours in the list.
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += std::string("; C Function prototype: void ") + (i % 2 ? "f" : "F") + "(char a)\n; a:{0-9}\n END\n";
    const std::string library = folder.Write("alike.s79", text);

    PanelReadStats stats;
    const auto panels = ReadRoutinePanels(library, &stats);
    ASSERT_TRUE(panels);
    EXPECT_EQ(panels->size(), 20000u);
    EXPECT_EQ(stats.prototypesSought, 2u);
    EXPECT_TRUE(std::all_of(panels->begin(), panels->end(), [](const RoutinePanel& p) { return p.found; }));
    const LintRoutines routines = MakeLintRoutines(library, *panels);
    ASSERT_EQ(routines.size(), 2u);
    EXPECT_EQ(routines.at("F").size(), 1u);
    EXPECT_EQ(routines.at("f").size(), 1u);

    std::string out, err;
    EXPECT_EQ(RunCli({"snippets", library}, {}, out, err), kExitDone) << err;
    size_t prefixes = 0;
    for (size_t at = out.find("\"prefix\""); at != std::string::npos; at = out.find("\"prefix\"", at + 1))
        ++prefixes;
    EXPECT_EQ(prefixes, 2u) << out.substr(0, 400);
}

TEST(CliLimits, OutputThatCannotBeWrittenFailsTheCommand)
{
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string cli = Quoted(kProgram) + " ";
    const std::string sample = " " + Quoted(kSample);
    const std::string message = "tovel-cli: cannot write the output: ";
    for (const std::string& command : {cli + "snippets" + sample + " >/dev/full", cli + "list" + sample + " >&-",
                                       cli + "params" + sample + " PwmSetDuty >/dev/full", cli + "--version >&-"}) {
        const ProcessResult run = Shell(command);
        EXPECT_EQ(run.exitStatus, kExitFailed) << command;
        EXPECT_EQ(run.err.rfind(message, 0), 0u) << command << "\n" << run.err;
    }

    // --output replaces the file only once the whole text is written; a
    // file size limit makes the write fail half way.
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "; C Function prototype: int Routine" + std::to_string(i) + "(char mode)\n; mode:{A,B,C}\n END\n";
    const std::string library = folder.Write("lib.s79", text);
    const std::string target = folder.Write("out.code-snippets", "old");
    const std::string snippets = cli + "snippets " + Quoted(library) + " --output " + Quoted(target);
    ProcessResult run = Shell("trap '' XFSZ; ulimit -f 8; " + snippets);
    EXPECT_EQ(run.exitStatus, kExitFailed) << run.err;
    EXPECT_EQ(run.err.rfind(message + target + ": ", 0), 0u) << run.err;
    EXPECT_EQ(clitest::ReadBytes(target), "old");
    run = Shell(snippets);
    EXPECT_EQ(run.exitStatus, kExitDone) << run.err;
    EXPECT_TRUE(run.out.empty());
    const ProcessResult printed = Shell(cli + "snippets " + Quoted(library));
    EXPECT_EQ(clitest::ReadBytes(target), printed.out);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2)
        << "no temporary file stays behind";
}

TEST(CliLimits, ClipboardProgramThatNeverEndsIsEnded)
{
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string pidFile = folder / "pid";
    const std::string xclip = folder.Write("bin/xclip", "#!/bin/sh\necho $$ > '" + pidFile + "'\nexec /bin/sleep 60\n");
    std::filesystem::permissions(xclip, std::filesystem::perms::owner_all);

    ClipboardEnvironment environment;
    environment.display = ":9";
    environment.path = folder / "bin";
    environment.timeoutMs = 300;
    const std::string problem = CopyToClipboard("F(1)", environment);
    EXPECT_NE(problem.find("did not finish within 300 ms"), std::string::npos) << problem;
    const pid_t pid = static_cast<pid_t>(std::stol(clitest::ReadBytes(pidFile)));
    EXPECT_NE(::kill(pid, 0), 0) << "the clipboard program was left behind";
}

TEST(CliLimits, LintStreamsFilesAndBoundsOpenCalls)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit does not go with the address sanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "an address-space limit does not go with the address sanitizer";
#endif
#endif
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string library = folder.Write("lib.s79", "; C Function prototype: void F(int a)\n; a:{0-9}\n END\n");
    // A 40 MB file, mostly a hole, with a call on its last line; and a
    // million nested calls. Neither may take more memory than the limit below
    // (read whole, the first takes 96 MB; the open calls took 180 MB).
    const std::string big = folder / "big.c";
    {
        std::FILE* file = std::fopen(big.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fseek(file, 40L * 1024 * 1024, SEEK_SET), 0);
        std::fputs("\n  F(12);\n", file);
        std::fclose(file);
    }
    std::string nested;
    for (int i = 0; i < 1024 * 1024; ++i)
        nested += "F(";
    const std::string deep = folder.Write("deep.c", nested + "10" + std::string(1024 * 1024, ')'));

    const ProcessResult run = Shell("ulimit -v 80000; " + Quoted(kProgram) + " lint -l " + Quoted(library) + " "
                                    + Quoted(big) + " " + Quoted(deep));
    EXPECT_EQ(run.exitStatus, kExitFindings) << run.err;
    EXPECT_EQ(run.out,
              big + ":2:5: warning: argument 1 of 'F' (a) is 12, outside its range 0-9\n" + deep
                  + ":1:2097153: warning: argument 1 of 'F' (a) is 10, outside its range 0-9\n");
}

TEST(CliLimits, PrototypeWithoutRoutineNameOpensNothing)
{
    // A header's "int 1(char a)" names no routine: its source would be the
    // folder itself, whose ".c" variant is a file beside the folder.
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string header = folder.Write("inc/lib.h", "int 1(char a);\nint Good(char a);\n");
    folder.Write("incc", "; C Function prototype: int 1(char a)\n; a:{0-9}\n END\n");
    folder.Write("inc/Good.s", "; C Function prototype: int Good(char a)\n; a:{0-9}\n END\n");
    std::string out, err;
    EXPECT_EQ(RunCli({"show", header, "int 1(char a)"}, {}, out, err), kExitFailed);
    EXPECT_EQ(err, "tovel-cli: no routine name in 'int 1(char a)'\n");
    EXPECT_TRUE(out.empty()) << out;
    const RoutineBlock block = FindRoutineBlock(folder / "inc/", "int 1(char a)");
    EXPECT_FALSE(block.sourceFound);
    EXPECT_EQ(block.openedPath, folder / "inc/");

    // Names a routine name cannot hold: show finds the line, snippets tells
    // why there is no snippet.
    const std::string library = folder.Write("odd.s79",
                                             "; C Function prototype: int F$1(char a)\n END\n"
                                             "; C Function prototype: int N\xc3\xa9(char a)\n END\n");
    out.clear();
    err.clear();
    EXPECT_EQ(RunCli({"show", library, "int F$1(char a)"}, {}, out, err), kExitDone) << err;
    EXPECT_EQ(out.rfind("; C Function prototype: int F$1(char a)", 0), 0u) << out;
    out.clear();
    err.clear();
    EXPECT_EQ(RunCli({"snippets", library}, {}, out, err), kExitDone);
    EXPECT_EQ(err,
              "tovel-cli: no snippet: no routine name in 'int F$1(char a)'\n"
              "tovel-cli: no snippet: no routine name in 'int N\xc3\xa9(char a)'\n");
    out.clear();
    err.clear();
    RunCli({"snippets", header}, {}, out, err);
    EXPECT_EQ(err, "tovel-cli: no snippet: no routine name in 'int 1(char a)'\n");
    EXPECT_NE(out.find("\"prefix\": \"Good\""), std::string::npos) << out;
}

} // namespace
} // namespace tovel::cli

#endif
