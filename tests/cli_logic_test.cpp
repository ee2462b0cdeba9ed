// tovel-cli's own logic, run in the test process: routine look-up, slot
// kinds, the call text, JSON text, the default library and the arguments.
#include "cli_test_support.h"

#include "app/SettingsFile.h"
#include "assist/Json.h"
#include "assist/Routine.h"
#include "cli/Cli.h"
#include "common/ByteText.h"

#include <gtest/gtest.h>

namespace tovel::cli {
namespace {

using clitest::Json;
using clitest::JsonReader;
using clitest::TempFolder;

Json ParseJson(const std::string& text)
{
    Json value;
    std::string error;
    EXPECT_TRUE(JsonReader(text).Read(value, error)) << error << "\n" << text;
    return value;
}

TEST(CliRoutineName, IdentifierBeforeTheFirstParenthesis)
{
    const struct {
        const char* prototype;
        const char* name;
    } rows[] = {
        {"void PwmSetDuty(char channel, int duty)", "PwmSetDuty"},
        {"char *UartGets(char *buf, unsigned char size)", "UartGets"},
        {"unsigned  TimerRead (char timer)", "TimerRead"},
        {"int f(void (*cb)(int))", "f"},
        {"int 9lives(int a)", "lives"},
        {"go()", "go"},
        {"(x)", ""},
        {"int (x)", "int"}, // the header source rule takes the word before '(' too
        {"no parenthesis", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RoutineNameOf(row.prototype), row.name) << row.prototype;
}

TEST(CliMatchFunction, ExactTextThenUniqueRoutineName)
{
    const std::vector<std::string> items = {
        "char F(char c)",         "int F(int a)",         "int Get(void)",
        "int Get(void)",          "int Split(int a,\r\n", "void PwmSetDuty(char channel, int duty)",
        "void PwmSetup(char ch)", "int Wait(int t,\r\n",  "int Wait(int t,",
    };
    struct Row {
        const char* query;
        FunctionMatch::Result result;
        const char* prototype;
        std::vector<std::string> candidates;
    };
    const Row rows[] = {
        {"int F(int a)", FunctionMatch::Result::Found, "int F(int a)", {}},
        {"PwmSetDuty", FunctionMatch::Result::Found, "void PwmSetDuty(char channel, int duty)", {}},
        // identical list items are one routine
        {"Get", FunctionMatch::Result::Found, "int Get(void)", {}},
        // a list item that kept its line end is found by its printed line
        {"int Split(int a,", FunctionMatch::Result::Found, "int Split(int a,\r\n", {}},
        {"F", FunctionMatch::Result::Ambiguous, "", {"char F(char c)", "int F(int a)"}},
        // items that differ only in their line ends are one routine as listed
        {"Wait", FunctionMatch::Result::Found, "int Wait(int t,\r\n", {}},
        // names are C names: letter case counts, but candidates ignore it
        {"pwmsetduty", FunctionMatch::Result::Unknown, "", {"void PwmSetDuty(char channel, int duty)"}},
        {"Pwm",
         FunctionMatch::Result::Unknown,
         "",
         {"void PwmSetDuty(char channel, int duty)", "void PwmSetup(char ch)"}},
        {"void pwmsetup(char CH)", FunctionMatch::Result::Unknown, "", {"void PwmSetup(char ch)"}},
        {"Nothing", FunctionMatch::Result::Unknown, "", {}},
    };
    for (const Row& row : rows) {
        const FunctionMatch match = MatchFunction(items, row.query);
        EXPECT_EQ(match.result, row.result) << row.query;
        EXPECT_EQ(match.prototype, row.prototype) << row.query;
        EXPECT_EQ(match.candidates, row.candidates) << row.query;
    }
}

TEST(CliDescribeSlot, KindsItemsAndPresets)
{
    const std::string lib = std::string("dir") + kPathSep + "lib.s79";
    struct Row {
        const char* hint;
        const char* value; // as the parser preset it
        SlotKind kind;
        std::vector<std::string> items;
        const char* low;
        const char* tool;
        const char* preset;
    };
    const std::string tool = std::string("dir") + kPathSep + "Pick.exe";
    const Row rows[] = {
        {"0,1,2,3", "", SlotKind::Choice, {"0", "1", "2", "3"}, nullptr, "", "0"},
        {"a,,b,", "", SlotKind::Choice, {"a", "", "b", ""}, nullptr, "", "a"},
        {",a,b", "", SlotKind::None, {}, nullptr, "", ""},
        {"A|B|", "", SlotKind::OptionList, {"A", "B", ""}, nullptr, "", ""},
        {"|a|b", "", SlotKind::None, {}, nullptr, "", ""},
        {"a|b-c", "", SlotKind::OptionList, {"a", "b-c"}, nullptr, "", ""},
        {"Pick.exe", "\"Pick.exe\"", SlotKind::ToolProgram, {}, nullptr, tool.c_str(), "\"Pick.exe\""},
        {"A,B.exe", "\"A,B.exe\"", SlotKind::Choice, {"A", "B.exe"}, nullptr, "", "\"A,B.exe\""},
        {"0x00-0xFF", "", SlotKind::Range, {}, "0x00", "", ""},
        {"0--5", "", SlotKind::Range, {}, "0", "", ""},
        {"-40-125", "", SlotKind::Range, {}, "-40", "", ""},
        {"", "", SlotKind::None, {}, nullptr, "", ""},
    };
    for (const Row& row : rows) {
        const SlotInfo slot = DescribeSlot(lib, "x", row.hint, row.value);
        EXPECT_EQ(slot.kind, row.kind) << row.hint;
        EXPECT_EQ(slot.items, row.items) << row.hint;
        EXPECT_EQ(slot.range.has_value(), row.low != nullptr) << row.hint;
        if (slot.range && row.low) {
            EXPECT_EQ(slot.range->low, row.low) << row.hint;
        }
        EXPECT_EQ(slot.tool, row.tool) << row.hint;
        EXPECT_EQ(slot.preset, row.preset) << row.hint;
    }
    EXPECT_EQ(SlotKindName(SlotKind::OptionList), "option list");
    EXPECT_EQ(SlotKindName(SlotKind::ToolProgram), "tool program");
}

class CliRoutineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.Valid()); }

    RoutineView Load(const std::string& library, const std::string& text, const std::string& prototype)
    {
        return LoadRoutine(m_dir.Write(library, text), prototype);
    }

    TempFolder m_dir;
};

constexpr const char* kWorkedExample = "; C Function prototype: void PwmSetDuty(char channel, int duty);\r\n"
                                       "; channel:{0,1,2,3}\r\n"
                                       "; duty : {0-100}\r\n"
                                       "\tMODULE\tPwmSetDuty\r\n"
                                       "\tENDMOD\r\n";

TEST_F(CliRoutineTest, CallTextForGivenMissingAndPresetValues)
{
    const RoutineView r = Load("lib.s79", kWorkedExample, "void PwmSetDuty(char channel, int duty)");
    ASSERT_TRUE(r.prototypeFound);
    EXPECT_EQ(r.block,
              "; C Function prototype: void PwmSetDuty(char channel, int duty);\r\n"
              "; channel:{0,1,2,3}\r\n; duty : {0-100}\r\n    MODULE  PwmSetDuty\r\n ENDMOD\r\n");
    struct Row {
        std::vector<std::string> values;
        bool presets;
        const char* call;
        std::vector<std::string> messages;
    };
    const Row rows[] = {
        {{"2", "75"}, false, "PwmSetDuty(2,75)", {}},
        {{"2", "175"}, false, "PwmSetDuty(2,175)", {"duty Out of range.\nAllowed: 0 to 100"}},
        {{"2", " 20"}, false, "PwmSetDuty(2, 20)", {}},
        {{"2", "0x64"}, false, "PwmSetDuty(2,0x64)", {}},
        {{"2", "0x65"}, false, "PwmSetDuty(2,0x65)", {"duty Out of range.\nAllowed: 0 to 100"}},
        {{"2", "abc"}, false, "PwmSetDuty(2,abc)", {}}, // not a range candidate
        {{"9"}, false, "PwmSetDuty(9,)", {}},           // a choice slot has no range check
        {{}, false, "PwmSetDuty(,)", {}},
        {{}, true, "PwmSetDuty(0,)", {}},
        {{"", ""}, true, "PwmSetDuty(,)", {}}, // given empty values stay empty
    };
    for (const Row& row : rows) {
        const CallResult call = ComposeRoutineCall(r, row.values, row.presets);
        EXPECT_EQ(call.text, row.call);
        EXPECT_EQ(call.rangeMessages, row.messages) << row.call;
    }
}

TEST_F(CliRoutineTest, ChoiceValuesTakeTheItemsLetterCaseAndEveryParameterHasASlot)
{
    const RoutineView r = Load("lib.s79",
                               "@ C Function prototype: void Cfg(char ref, int b, int c, char *d, int e, int f)\n"
                               "@ ref:{ADC_VDD,ADC_INT}\n@ b:{}\n@ c:{Pick.exe}\n@ *d:{}\n@ e:{0-3}\n@ f:{0x00-0x3F}\n"
                               "\tEND\n",
                               "void Cfg(char ref, int b, int c, char *d, int e, int f)");
    ASSERT_EQ(r.slotList.size(), 6u);
    EXPECT_EQ(r.slotList[5].kind, SlotKind::Range);
    EXPECT_TRUE(r.panel.extraNames.empty());
    const CallResult six = ComposeRoutineCall(r, {"adc_int", "1", "2", "s", "5", "0x40"}, false);
    EXPECT_EQ(six.text, "Cfg(ADC_INT,1,2,s,5,0x40)");
    EXPECT_EQ(six.rangeMessages,
              (std::vector<std::string>{"e Out of range.\nAllowed: 0 to 3", "f Out of range.\nAllowed: 0x00 to 0x3F"}));
    EXPECT_EQ(ComposeRoutineCall(r, {"other"}, false).text, "Cfg(other,,,,,)");
    EXPECT_EQ(ComposeRoutineCall(r, {}, true).text, "Cfg(ADC_VDD,,\"Pick.exe\",,,)");

    // Past the last slot the parameters' names stand in the call.
    std::string prototype = "int Many(int p1";
    for (int k = 2; k <= 18; ++k)
        prototype += ", int p" + std::to_string(k);
    prototype += ")";
    const RoutineView many = Load("many.s79", "; C Function prototype: " + prototype + "\n\tEND\n", prototype);
    ASSERT_EQ(many.slotList.size(), 16u);
    const std::vector<std::string> all(16, "0");
    const std::string zeros = "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0";
    EXPECT_EQ(ComposeRoutineCall(many, all, false).text, "Many(" + zeros + ",p17,p18)");
    EXPECT_EQ(ComposeRoutineCall(many, {"0"}, false).text, "Many(0,,,,,,,,,,,,,,,,p17,p18)");
}

TEST_F(CliRoutineTest, HeaderRoutineSourceComesFromDotSThenDotUpperSThenDotC)
{
    const std::string header = m_dir.Write("inc/ports.h",
                                           "extern int Read(char port);\nextern int Gone(int a);\n"
                                           "extern int Bare(int a);\nextern int Caps(int a);\n");
    m_dir.Write("inc/Read.c", "; C Function prototype: int Read(char port)\n; port:{0,1}\nEND\n");
    m_dir.Write("inc/Bare.s", "no prototype comment here\n");
    m_dir.Write("inc/Caps.S", "; C Function prototype: int Caps(int a)\n; a:{0-9}\nEND\n");
    m_dir.Write("inc/Caps.c", "; C Function prototype: int Caps(int a)\n; a:{}\nEND\n");

    // NAME.s missing: NAME.S comes before NAME.c.
    const RoutineView caps = LoadRoutine(header, "int Caps(int a)");
#ifndef _WIN32 // where letter case is ignored NAME.s opens Caps.S itself; the range below tells the file read
    EXPECT_EQ(caps.sourcePath, m_dir / "inc/Caps.S");
#endif
    ASSERT_EQ(caps.slotList.size(), 1u);
    EXPECT_EQ(caps.slotList[0].kind, SlotKind::Range);

    const RoutineView read = LoadRoutine(header, "int Read(char port)");
    EXPECT_EQ(read.sourcePath, m_dir / "inc/Read.c");
    EXPECT_TRUE(read.prototypeFound);
    ASSERT_EQ(read.slotList.size(), 1u);
    EXPECT_EQ(read.slotList[0].items, (std::vector<std::string>{"0", "1"}));

    const RoutineView gone = LoadRoutine(header, "int Gone(int a)");
    EXPECT_FALSE(gone.sourceFound);
    EXPECT_EQ(gone.sourcePath, m_dir / "inc/Gone.c");

    const RoutineView bare = LoadRoutine(header, "int Bare(int a)");
    EXPECT_TRUE(bare.sourceFound);
    EXPECT_FALSE(bare.prototypeFound);
    EXPECT_TRUE(bare.slotList.empty());

    // Without the block (params, call): the same file, flags and slots.
    const RoutineView quick = LoadRoutine(header, "int Read(char port)", false);
    EXPECT_EQ(quick.sourcePath, read.sourcePath);
    EXPECT_TRUE(quick.prototypeFound);
    EXPECT_TRUE(quick.block.empty());
    EXPECT_EQ(quick.panel.names, read.panel.names);
    EXPECT_FALSE(LoadRoutine(header, "int Bare(int a)", false).prototypeFound);
}

TEST_F(CliRoutineTest, FunctionPointerParameterKeepsTheRoutinesOwnSourceFile)
{
    const std::string header = m_dir.Write("inc/stdlib.h", "extern int atexit(void (*func)(void));\n");
    m_dir.Write("inc/atexit.s", "; C Function prototype: int atexit(void(*func)(void));\n; *func:{}\nEND\n");
    const auto items = ReadFunctionList(header);
    ASSERT_TRUE(items && items->size() == 1u);
    const RoutineView r = LoadRoutine(header, items->front());
    EXPECT_EQ(r.sourcePath, m_dir / "inc/atexit.s");
    EXPECT_TRUE(r.prototypeFound) << items->front();
    EXPECT_EQ(r.panel.function, "atexit");
}

TEST_F(CliRoutineTest, ParamsAsTextAndAsJson)
{
    const RoutineView r = Load("lib.s79",
                               "; C Function prototype: int UartInit(char port, int div, int mode, int n)\n"
                               "; port:{0,1}\n; div:{Baud.exe}\n; mode:{TX|RX}\n; n:{1-0x40}\n\tEND\n",
                               "int UartInit(char port, int div, int mode, int n)");
    const std::string text = FormatParamsText(r);
    EXPECT_NE(text.find("type: int\nfunction: UartInit\nslots: 4\nslot 1: port\n  hint: 0,1\n  kind: choice\n"
                        "  items: 0 | 1\n  preset: 0\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("slot 4: n\n  hint: 1-0x40\n  kind: range\n  range: 1 to 0x40\n  preset:\n"), std::string::npos)
        << text;

    const Json json = ParseJson(FormatParamsJson(r));
    EXPECT_EQ(json["function"].text, "UartInit");
    EXPECT_EQ(json["prototype"].text, "int UartInit(char port, int div, int mode, int n)");
    ASSERT_EQ(json["slots"].items.size(), 4u);
    const Json& div = json["slots"][1];
    EXPECT_EQ(div["kind"].text, "tool program");
    EXPECT_EQ(div["tool"].text, m_dir / "Baud.exe");
    EXPECT_EQ(div["preset"].text, "\"Baud.exe\"");
    EXPECT_EQ(div["range"].kind, Json::Kind::Null);
    const Json& mode = json["slots"][2];
    EXPECT_EQ(mode["kind"].text, "option list");
    ASSERT_EQ(mode["items"].items.size(), 2u);
    EXPECT_EQ(mode["items"][1].text, "RX");
    const Json& n = json["slots"][3];
    EXPECT_EQ(n["range"]["high"].text, "0x40");
    EXPECT_EQ(n["range"]["highValue"].number, 64);
    EXPECT_EQ(json["extra"].kind, Json::Kind::Array);
}

TEST(CliJsonQuote, EscapesAndKeepsItValidUtf8)
{
    const struct {
        std::string in;
        std::string out;
    } rows[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"\r\n\t\x01\x7f", "\"\\r\\n\\t\\u0001\\u007f\""},
        {"\xC2\xB5s", "\"\xC2\xB5s\""}, // UTF-8 passes
        {"\xE2\x82\xAC", "\"\xE2\x82\xAC\""},
        {"caf\xE9", "\"caf\\u00e9\""},                 // an 8-bit byte becomes its character
        {"\xE2\x82", "\"\\u00e2\\u0082\""},            // a cut sequence
        {"\xC0\x80", "\"\\u00c0\\u0080\""},            // an overlong form
        {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""}, // a surrogate
    };
    for (const auto& row : rows) {
        EXPECT_EQ(JsonQuote(row.in), row.out);
        Json value;
        std::string error;
        EXPECT_TRUE(JsonReader(JsonQuote(row.in)).Read(value, error)) << error;
    }
}

class CliRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.Valid());
        m_library = m_dir.Write("lib.s79", kWorkedExample);
        m_env.settingsPath = [this] { return m_dir / "Tovel.ini"; };
        m_env.copyToClipboard = [this](const std::string& text) {
            m_copied.push_back(text);
            return m_clipboardProblem;
        };
    }

    int Run(std::vector<std::string> args)
    {
        m_out.clear();
        m_err.clear();
        return RunCli(args, m_env, m_out, m_err);
    }

    TempFolder m_dir;
    std::string m_library;
    CliEnvironment m_env;
    std::string m_out, m_err;
    std::vector<std::string> m_copied;
    std::string m_clipboardProblem;
};

TEST_F(CliRunTest, BadArgumentsGiveOneLineAndStatusTwo)
{
    const struct {
        std::vector<std::string> args;
        const char* error;
    } rows[] = {
        {{"frobnicate"}, "tovel-cli: unknown command 'frobnicate'"},
        {{"list", "--json"}, "tovel-cli: list: unknown option '--json'"},
        {{"list", "-x"}, "tovel-cli: list: unknown option '-x'"},
        {{"list", "a", "b"}, "tovel-cli: list: too many arguments"},
        {{"params", "-l"}, "tovel-cli: params: -l needs a LIBRARY"},
        {{"params", "--library="}, "tovel-cli: params: --library= needs a LIBRARY"},
        {{"show", "a", "b", "c"}, "tovel-cli: show: too many arguments"},
        {{"call", "--copy"}, "tovel-cli: call: FUNCTION is missing"},
        {{"call", "lib.s79"}, "tovel-cli: call: FUNCTION is missing"},
        {{"show", "dir/lib.s79"}, "tovel-cli: show: FUNCTION is missing"},
        {{"check"}, "tovel-cli: check: LIBRARY is missing"},
        {{"check", "-l", "x"}, "tovel-cli: check: unknown option '-l'"},
        {{"call", "-l", "@LIB@", "PwmSetDuty", "1", "2", "3"},
         "tovel-cli: call: 'PwmSetDuty' has 2 parameter slots, 3 values given"},
        {{"show", "NoSuch"}, "tovel-cli: no library named, and none is current in "},
        {{"list", "/nonexistent/lib.s79"}, "tovel-cli: cannot read library /nonexistent/lib.s79: no such file"},
        {{"list", "-l", "@DIR@"}, "tovel-cli: cannot read library @DIR@: it is a folder"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        std::string expected = row.error;
        if (size_t at = expected.find("@DIR@"); at != std::string::npos)
            expected.replace(at, 5, m_dir / "");
        for (std::string& arg : args)
            arg = arg == "@LIB@" ? m_library : arg == "@DIR@" ? m_dir / "" : arg;
        EXPECT_EQ(Run(args), kExitFailed) << expected;
        EXPECT_EQ(m_err.rfind(expected, 0), 0u) << m_err;
        EXPECT_EQ(std::count(m_err.begin(), m_err.end(), '\n'), 1) << m_err;
        EXPECT_EQ(m_out, "") << expected;
    }
}

TEST_F(CliRunTest, HelpForEveryCommand)
{
    for (const char* command : {"list", "show", "params", "call", "check"}) {
        EXPECT_EQ(Run({command, "--help"}), kExitDone);
        EXPECT_EQ(m_out.rfind(std::string("Usage: tovel-cli ") + command, 0), 0u) << m_out;
        EXPECT_EQ(Run({"help", command}), kExitDone);
        EXPECT_EQ(m_out.rfind(std::string("Usage: tovel-cli ") + command, 0), 0u) << m_out;
    }
    EXPECT_EQ(Run({"--help"}), kExitDone);
    EXPECT_NE(m_out.find("Commands:"), std::string::npos);
    EXPECT_EQ(Run({}), kExitFailed);
    EXPECT_NE(m_err.find("Usage: tovel-cli"), std::string::npos);
}

TEST_F(CliRunTest, CallPicksTheLibraryFromTheArgumentsAndCopies)
{
    EXPECT_EQ(Run({"call", m_library, "PwmSetDuty", "2", "75"}), kExitDone);
    EXPECT_EQ(m_out, "PwmSetDuty(2,75)\n");
    // A value that looks like an option is a value once the routine is named.
    EXPECT_EQ(Run({"call", "-l", m_library, "PwmSetDuty", "-1"}), kExitDone);
    EXPECT_EQ(m_out, "PwmSetDuty(-1,)\n");
    EXPECT_EQ(Run({"call", "-l", m_library, "PwmSetDuty", "--", "--x", "-5"}), kExitFindings);
    EXPECT_EQ(m_out, "PwmSetDuty(--x,-5)\n");
    EXPECT_EQ(m_err, "duty Out of range.\nAllowed: 0 to 100\n");

    EXPECT_EQ(Run({"call", "--copy", m_library, "PwmSetDuty", "1", "500"}), kExitFindings);
    EXPECT_EQ(m_copied, std::vector<std::string>{"PwmSetDuty(1,500)"});
    EXPECT_EQ(m_out, "PwmSetDuty(1,500)\n");
    m_clipboardProblem = "no display is set";
    EXPECT_EQ(Run({"call", m_library, "PwmSetDuty", "--copy"}), kExitNoClipboard);
    EXPECT_EQ(m_out, "PwmSetDuty(,)\n");
    EXPECT_EQ(m_err, "tovel-cli: the call is not on the clipboard: no display is set\n");
}

TEST_F(CliRunTest, DefaultLibraryIsTheOneTovelStartsWith)
{
    const std::string other = m_dir.Write("other.s79", "; C Function prototype: int Other(void)\n");
    const std::string ini = m_dir / "Tovel.ini";
    SettingsFile settings(ini);
    EXPECT_TRUE(settings.Write("Libraries", m_dir / "gone.s79", "Yes"));
    EXPECT_TRUE(settings.Write("Libraries", other, "Yes"));
    EXPECT_TRUE(settings.Write("Libraries", m_library, "Yes"));
    EXPECT_TRUE(settings.Write("Last", "Library", m_library));

    // The commands only read the settings file.
    auto runUnchanged = [&](std::vector<std::string> args) {
        const std::string before = clitest::ReadBytes(ini);
        const int status = Run(std::move(args));
        EXPECT_EQ(clitest::ReadBytes(ini), before);
        return status;
    };
    EXPECT_EQ(ResolveDefaultLibrary(ini).path, m_library);
    EXPECT_EQ(runUnchanged({"call", "PwmSetDuty", "3"}), kExitDone);
    EXPECT_EQ(m_out, "PwmSetDuty(3,)\n");

    // The last library is gone: the first present one in the list's sorted
    // order (lib.s79, though other.s79 comes first in the file), with a note.
    EXPECT_TRUE(settings.Write("Last", "Library", m_dir / "gone.s79"));
    const DefaultLibrary fallback = ResolveDefaultLibrary(ini);
    EXPECT_EQ(fallback.path, m_library);
    EXPECT_NE(fallback.note.find("gone.s79 is not listed or not available"), std::string::npos);
    EXPECT_EQ(runUnchanged({"list"}), kExitDone);
    EXPECT_EQ(m_out, "void PwmSetDuty(char channel, int duty)\n");
    EXPECT_EQ(m_err, "tovel-cli: " + fallback.note + "\n");

    // Letter case does not matter in the look-up, as in the dialog.
    EXPECT_TRUE(settings.Write("Last", "Library", m_dir / "OTHER.S79"));
    EXPECT_EQ(ResolveDefaultLibrary(ini).path, other);

    EXPECT_TRUE(settings.DeleteSection("Libraries"));
    const DefaultLibrary none = ResolveDefaultLibrary(ini);
    EXPECT_TRUE(none.path.empty());
    EXPECT_NE(none.problem.find(ini), std::string::npos);
    EXPECT_EQ(runUnchanged({"show", "PwmSetDuty"}), kExitFailed);
}

TEST_F(CliRunTest, UnknownAndAmbiguousRoutinesListCandidates)
{
    const std::string lib = m_dir.Write("two.s79",
                                        "; C Function prototype: int F(int a)\n"
                                        "; C Function prototype: char F(char c)\n"
                                        "; C Function prototype: int Fx(int a)\n");
    EXPECT_EQ(Run({"params", lib, "F"}), kExitFailed);
    EXPECT_EQ(m_err,
              "tovel-cli: 'F' names several routines in " + lib
                  + "; give one prototype text:\n  char F(char c)\n  int F(int a)\n");
    EXPECT_EQ(Run({"show", lib, "fx"}), kExitFailed);
    EXPECT_EQ(m_err, "tovel-cli: no routine 'fx' in " + lib + "; candidates:\n  int Fx(int a)\n");
    EXPECT_EQ(Run({"params", lib, "int F(int a)"}), kExitDone);
    EXPECT_NE(m_out.find("function: F\n"), std::string::npos);
}

} // namespace
} // namespace tovel::cli
