// tovel-cli in the editor: snippets whose bodies parse in the snippet
// grammar whatever the library holds, the call-site checker on real and
// hostile C, the quiet name list and JSON members that give bytes back.
#include "cli_test_support.h"
#include "snippet_grammar.h"

#include "assist/Json.h"
#include "assist/Lint.h"
#include "cli/Cli.h"

#include <gtest/gtest.h>

namespace tovel::cli {
namespace {

using clitest::Json;
using clitest::JsonReader;
using clitest::ParsedSnippet;
using clitest::ParseSnippet;
using clitest::TempFolder;

const std::string kSample = std::string(TOVEL_COMPANION_DIR) + "/LibDev4410.s79";

struct CliRun {
    int status = -1;
    std::string out, err;
};

CliRun Cli(const std::vector<std::string>& args)
{
    CliRun run;
    CliEnvironment env;
    env.settingsPath = [] { return std::string("/nonexistent/Tovel.ini"); };
    run.status = RunCli(args, env, run.out, run.err);
    return run;
}

Json ParseJson(const std::string& text)
{
    Json value;
    std::string error;
    EXPECT_TRUE(JsonReader(text).Read(value, error)) << error << "\n" << text;
    return value;
}

// Every hint kind, five parameters (the fifth without a name), and the characters the snippet grammar,
// JSON and UltiSnips treat specially, in names, hints and the prototype.
std::string HostileLibrary(const TempFolder& folder)
{
    return folder.Write("hostile.s",
                        "; C Function prototype: int Put(char ch, int mode, int level, char *}$\\, unsigned $}\")\n"
                        "; ch:{a$1,b\\,c|d,}\n"
                        "; mode:{M_$A|M\\B|M\"C\xff}\n"
                        "; level:{0-1$}\n"
                        "; *}$\\:{}\n"
                        " END\n"
                        "; C Function prototype: int Tool(char t)\n"
                        "; t:{calc.exe}\n"
                        " END\n"
                        "; C Function prototype: void Lost(int a)\n"); // listed, but no block closes: still found
}

TEST(CliSnippets, EveryBodyParsesAndRendersAsTheCallCopyComposes)
{
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string library = HostileLibrary(folder);

    for (const std::string format : {"vscode", "lsp"}) {
        const CliRun run = Cli({"snippets", library, "--format", format});
        ASSERT_EQ(run.status, kExitDone) << run.err;
        const Json file = ParseJson(run.out);
        std::map<std::string, ParsedSnippet> byPrefix;
        std::map<std::string, std::string> descriptions;
        const size_t count = format == "vscode" ? file.members.size() : file.items.size();
        ASSERT_EQ(count, 3u) << run.out;
        for (size_t k = 0; k < count; ++k) {
            const Json& s = format == "vscode" ? file.members[k].second : file.items[k];
            const std::string prefix = format == "vscode" ? s["prefix"].text : s["label"].text;
            const std::string body = format == "vscode" ? s["body"][0].text : s["insertText"].text;
            byPrefix[prefix] = ParseSnippet(body);
            EXPECT_TRUE(byPrefix[prefix].ok) << byPrefix[prefix].error;
            descriptions[prefix] = format == "vscode" ? s["description"].text : s["documentation"].text;
        }

        const ParsedSnippet& put = byPrefix["Put"];
        // Choice: its items as the combo lists them; option list: the single
        // options; range and no hint: the parameter's name; the fifth, unnamed, its declaration.
        EXPECT_EQ(put.rendered, "Put(a$1,M_$A,level,char *}$\\,unsigned $}\")") << format;
        ASSERT_EQ(put.slots.size(), 5u);
        EXPECT_TRUE(put.slots[0].choice);
        EXPECT_EQ(put.slots[0].items, (std::vector<std::string>{"a$1", "b\\", "c|d", ""}));
        EXPECT_TRUE(put.slots[1].choice);
        EXPECT_EQ(put.slots[1].items, (std::vector<std::string>{"M_$A", "M\\B", "M\"C\xc3\xbf"}));
        EXPECT_FALSE(put.slots[2].choice);
        EXPECT_NE(descriptions["Put"].find("mode: options {M_$A|M\\B|M\"C\xc3\xbf}"), std::string::npos);
        EXPECT_NE(descriptions["Put"].find("level: 0 to 1$"), std::string::npos);
        EXPECT_EQ(descriptions["Put"].rfind("int Put(char ch,", 0), 0u);
        EXPECT_EQ(byPrefix["Tool"].rendered, "Tool(t)");
        EXPECT_EQ(byPrefix["Lost"].rendered, "Lost(a)");
    }

    const CliRun ulti = Cli({"snippets", "-l", library, "--format=ultisnips"});
    ASSERT_EQ(ulti.status, kExitDone) << ulti.err;
    EXPECT_NE(ulti.out.find("snippet Put \"int Put(char ch, int mode, int level, char *}$\\, unsigned $}') "),
              std::string::npos)
        << ulti.out;
    EXPECT_NE(
        ulti.out.find(
            "\nPut(${1:a\\$1},${2:M_\\$A},${3:level},${4:char *\\}\\$\\\\},${5:unsigned \\$\\}\"})\nendsnippet\n"),
        std::string::npos)
        << ulti.out;
}

TEST(CliSnippets, MissingBlocksAndBadArguments)
{
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    // A header routine without its .s or .c file gets no snippet, and says so.
    const std::string header = folder.Write("dev.h", "int Gone(int a);\nint Here(int b);\n");
    folder.Write("Here.s", "; C Function prototype: int Here(int b);\n; b:{1,2}\n END\n");
    const CliRun run = Cli({"snippets", header});
    EXPECT_EQ(run.status, kExitDone);
    const Json file = ParseJson(run.out);
    ASSERT_EQ(file.members.size(), 1u);
    EXPECT_EQ(file.members[0].second["body"][0].text, "Here(${1|1,2|})");
    EXPECT_NE(run.err.find("no snippet for 'int Gone(int a)'"), std::string::npos) << run.err;

    EXPECT_EQ(Cli({"snippets", header, "--format", "emacs"}).status, kExitFailed);
    EXPECT_EQ(Cli({"snippets", folder / "none.s"}).status, kExitFailed);
}

TEST(CliLint, ReportsWrongCountsRangesAndOptionsWhereCallsAre)
{
    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string source =
        folder.Write("main.c",
                     "#include \"dev.h\"\n"
                     "void PwmSetDuty(char channel, int duty);\n"      // a declaration
                     "static int *PortRead(char port) { return 0; }\n" // a definition
                     "#define PwmSetDuty(c) other(c)\n"                // a macro of that name
                     "void f(void)\n"
                     "{\n"
                     "    PwmSetDuty(2, 75);\n"
                     "    PwmSetDuty(2, 150); PwmSetDuty(2, 0x65);\n"
                     "    PwmSetDuty(1);\n"
                     "    PwmSetup(0, PWM_EN | PWM_BAD, 1000, 50, 3);\n"
                     "    PwmSetup(0, PWM_EN|PWM_IRQ, 70000u, -1, 16);\n"
                     "    /* PwmSetDuty(1); */ puts(\"PwmSetDuty(1)\"); c = ')';\n"
                     "    // PwmSetDuty(1);\n"
                     "    PwmSetDuty(2, (int)150); PwmSetDuty(2, LIMIT); PwmSetDuty(2, 50 + 60);\n"
                     "    PwmSetDuty(PwmSetDuty(1, 2), 0145);\n"
                     "    obj.PwmSetDuty(1); p->PwmSetDuty(1);\n"
                     "    x = y * PwmSetDuty(1);\n"
                     "    WdtKick(); WdtKick(1);\n"
                     "    SleepEnter(SLEEP_DEEP, WAKE_INT0);\n" // a choice list takes any value
                     "    PwmSetDuty(2, 0100);\n"               // octal 64
                     "}\n");
    const CliRun run = Cli({"lint", "-l", kSample, source});
    EXPECT_EQ(run.status, kExitFindings) << run.err;
    const std::string f = source + ":";
    EXPECT_EQ(
        run.out,
        f + "8:19: warning: argument 2 of 'PwmSetDuty' (duty) is 150, outside its range 0-100\n" + f
            + "8:39: warning: argument 2 of 'PwmSetDuty' (duty) is 0x65, outside its range 0-100\n" + f
            + "9:5: warning: 'PwmSetDuty' takes 2 arguments, 1 given (void PwmSetDuty(char channel, int duty))\n" + f
            + "10:17: warning: argument 2 of 'PwmSetup' (flags): 'PWM_BAD' is not among its options "
              "{PWM_EN|PWM_INV|PWM_IRQ}\n"
            + f + "11:33: warning: argument 3 of 'PwmSetup' (period) is 70000, outside its range 0-65535\n" + f
            + "11:41: warning: argument 4 of 'PwmSetup' (duty) is -1, outside its range 0-100\n" + f
            + "11:45: warning: argument 5 of 'PwmSetup' (dt) is 16, outside its range 0-15\n" + f
            + "15:34: warning: argument 2 of 'PwmSetDuty' (duty) is 0145, outside its range 0-100\n" + f
            + "17:13: warning: 'PwmSetDuty' takes 2 arguments, 1 given (void PwmSetDuty(char channel, int duty))\n" + f
            + "18:16: warning: 'WdtKick' takes 0 arguments, 1 given (void WdtKick(void))\n");

    const std::string clean = folder.Write("clean.c", "void g(void) { PwmSetDuty(0, 100); AdcRead(9); }\n");
    EXPECT_EQ(Cli({"lint", "-l", kSample, clean}).status, kExitDone);
    EXPECT_EQ(Cli({"lint", "-l", kSample, clean, folder / "missing.c"}).status, kExitFailed);
    EXPECT_EQ(Cli({"lint", "-l", kSample}).status, kExitFailed);
}

TEST(CliLint, HostileSourceEndsQuietly)
{
    LintRoutines routines;
    LintRoutine routine;
    routine.prototype = "void F(int a)";
    routine.parameters = 1;
    routine.slotList.push_back(DescribeSlot("", "a", "0-9", ""));
    routines["F"].push_back(routine);

    // Unclosed literals and comments swallow the rest; unbalanced brackets
    // drop the calls they cut; deep nesting is one pass.
    EXPECT_TRUE(LintText("F(\"x); F(1, 2);", routines).empty());
    EXPECT_TRUE(LintText("F(1 /* F(1, 2);", routines).empty());
    EXPECT_TRUE(LintText("F(1, ] F(2, 3", routines).empty());
    EXPECT_EQ(LintText("} ) ] F(1, 2)", routines).size(), 1u);
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "F(";
    EXPECT_TRUE(LintText(deep, routines).empty());
    for (int i = 0; i < 100000; ++i)
        deep += "10)";
    // The innermost call has one argument out of range; every other has one
    // argument that is a call, which is not judged.
    const auto findings = LintText(deep, routines);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].column, 200001);
}

TEST(CliList, NamesOncePerRoutineInListOrder)
{
    const CliRun names = Cli({"list", "--names", kSample});
    ASSERT_EQ(names.status, kExitDone);
    const CliRun list = Cli({"list", kSample});
    std::string expected;
    size_t start = 0;
    for (size_t nl = list.out.find('\n'); nl != std::string::npos; start = nl + 1, nl = list.out.find('\n', start)) {
        const std::string name = RoutineNameOf(list.out.substr(start, nl - start));
        if (expected.find("\n" + name + "\n") == std::string::npos && expected.rfind(name + "\n", 0) != 0)
            expected += name + "\n";
    }
    EXPECT_EQ(names.out, expected);
    EXPECT_NE(names.out.find("PwmSetDuty\n"), std::string::npos);
}

TEST(CliJsonBytes, TextsThatAreNotUtf8GiveTheirBytesBack)
{
    EXPECT_EQ(JsonByteString("a\"\xff\xc3\xa9\n"), "\"a\\\"\\u00ff\\u00c3\\u00a9\\n\"");
    EXPECT_EQ(JsonTextMember("path", "caf\xc3\xa9"), "\"path\": \"caf\xc3\xa9\"");
    EXPECT_EQ(JsonTextMember("path", "d\xff"), "\"path_bytes\": \"d\\u00ff\", \"path\": \"d\\u00ff\"");

    TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string library = folder.Write("d\xff/lib\xe9.s",
                                             "; C Function prototype: int Fx(char m, int b)\n"
                                             "; m:{A\xff|B}\n; b:{0-9}\n END\n");
    const CliRun run = Cli({"params", library, "Fx", "--json"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    const Json params = ParseJson(run.out);
    // Each character of a *_bytes text is one byte.
    const auto bytesOf = [](const std::string& utf8) {
        std::string bytes;
        for (size_t i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            bytes += c < 0x80 ? static_cast<char>(c) : static_cast<char>(((c & 0x03) << 6) | (utf8[++i] & 0x3F));
        }
        return bytes;
    };
    EXPECT_EQ(bytesOf(params["library_bytes"].text), library);
    EXPECT_EQ(bytesOf(params["source_bytes"].text), library);
    EXPECT_EQ(bytesOf(params["slots"][0]["items_bytes"][0].text), "A\xff");
    EXPECT_FALSE(params.Has("type_bytes"));
    EXPECT_FALSE(params["slots"][1].Has("hint_bytes"));
}

} // namespace
} // namespace tovel::cli
