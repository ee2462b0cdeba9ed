#include "composer/PrototypeParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovel {
namespace {

ParameterPanelModel Parse(const std::string& source, const std::string& prototype, ParameterPanelModel model = {})
{
    StringLineReader reader(source);
    return ParsePrototypeSource(std::move(model), prototype, &reader);
}

std::vector<std::string> SlotNames(const ParameterPanelModel& m)
{
    return std::vector<std::string>(m.names.begin(), m.names.begin() + m.nParams);
}

TEST(NormalizePrototype, BlanksAroundPunctuation)
{
    struct Row {
        const char* in;
        const char* out;
    } rows[] = {
        {"void  PwmSetDuty ( char channel ,int duty )", "void PwmSetDuty(char channel,int duty)"},
        {"int\tf(\tint\t\ta ,  char b)", "int f(int a,char b)"},
        {"char  *  p ( void )", "char * p(void)"},
        {"a ,b", "a,b"},
        {"", ""},
        {"   ", " "},
        {"\xB5 \xFF  (x)", "\xB5 \xFF(x)"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(NormalizePrototype(r.in), r.out) << r.in;
}

TEST(MatchHintLine, Table)
{
    struct Row {
        const char* line;
        const char* name;
        const char* hint;
    } rows[] = {
        {"; duty : { 0 - 100 }\r\n", "duty", "0-100"},
        {"@duty:{Pick.exe}\n", "duty", "Pick.exe"},
        {"; duty:{}", "duty", ""},
        {"; dutyA:{1}", "duty", ""},
        {"duty:{1}", "duty", ""},
        {"  ;\tduty:{1}", "duty", "1"}, // blanks and tabs vanish first
        {"; channel:{0,1,2,3} extra } text", "channel", "0,1,2,3"},
        {"; x duty:{1}", "duty", ""}, // the name must follow the comment character
        {"; s:{ab", "s", ""},         // no '}'
        {"; *s:{buf}", "s", "buf"},   // pointer form
        {"; ** pp :{x|y}", "pp", "x|y"},
        {"; *s:{buf}", "t", ""},
        {"; int x:{1}", "int x", ""}, // a name holding a blank never matches
        {"; a:{\xB5\xE9}", "a", "\xB5\xE9"},
        {"", "a", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(MatchHintLine(r.line, r.name), r.hint) << r.line;
}

TEST(ChoiceHint, DetectAndSplit)
{
    EXPECT_TRUE(IsChoiceHint("0,1,2,3"));
    EXPECT_TRUE(IsChoiceHint("A,B.exe"));
    EXPECT_FALSE(IsChoiceHint(",a,b"));
    EXPECT_FALSE(IsChoiceHint("abc"));
    EXPECT_FALSE(IsChoiceHint(""));

    using V = std::vector<std::string>;
    EXPECT_EQ(SplitChoiceHint("0,1,2,3"), (V{"0", "1", "2", "3"}));
    EXPECT_EQ(SplitChoiceHint("a,,b"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitChoiceHint("a,b,"), (V{"a", "b", ""}));
    EXPECT_EQ(SplitChoiceHint("a,,b,"), (V{"a", "", "b", ""}));
    EXPECT_EQ(SplitChoiceHint(""), (V{""}));
}

TEST(ParsePrototypeSource, WorkedExample)
{
    for (const char* eol : {"\n", "\r\n"}) {
        const std::string src = std::string("; some code") + eol
            + "; C Function prototype: void PwmSetDuty(char channel, int duty);" + eol + "; channel:{0,1,2,3}" + eol
            + "; duty : {0-100}" + eol + " ENDMOD" + eol;
        const auto m = Parse(src, "void PwmSetDuty(char channel, int duty)");
        EXPECT_EQ(m.type, "void");
        EXPECT_EQ(m.function, "PwmSetDuty");
        ASSERT_EQ(m.nParams, 2);
        EXPECT_EQ(m.names[0], "channel");
        EXPECT_EQ(m.hints[0], "0,1,2,3");
        EXPECT_TRUE(IsChoiceHint(m.hints[0]));
        EXPECT_EQ(m.names[1], "duty");
        EXPECT_EQ(m.hints[1], "0-100");
        EXPECT_EQ(m.values[0], "");
        EXPECT_EQ(m.values[1], "");
        EXPECT_TRUE(m.names.size() == 2 && m.hints.size() == 2 && m.values.size() == 2);
    }
}

TEST(ParsePrototypeSource, EveryParameterGetsASlotAndItsHintLine)
{
    const auto m =
        Parse("; C Function prototype: int I2cWriteReg(char bus, char addr, char reg, char *data, "
              "char drive, int timeout);\n"
              "; bus:{0,1}\n; addr:{0x00-0x7F}\n; reg:{}\n; *data:{}\n; drive : {0-3}\n; timeout:{Wait.exe}\n",
              "int I2cWriteReg(char bus, char addr, char reg, char *data, char drive, int timeout)");
    ASSERT_EQ(m.nParams, 6);
    EXPECT_EQ(SlotNames(m), (std::vector<std::string>{"bus", "addr", "reg", "data", "drive", "timeout"}));
    EXPECT_EQ(m.hints[4], "0-3");
    EXPECT_EQ(m.values[5], "\"Wait.exe\"");
    EXPECT_TRUE(m.extraNames.empty());
}

TEST(ParsePrototypeSource, SplitsTypeNameAndParameters)
{
    struct Row {
        const char* prototype;
        const char* type;
        const char* function;
        std::vector<std::string> names;
        std::vector<std::string> extra;
    } rows[] = {
        {"int Get(void)", "int", "Get", {}, {}},
        {"int Get( void )", "int", "Get", {}, {}},
        {"int Get()", "int", "Get", {}, {}},
        {"int Read(void *buf,int n)", "int", "Read", {"buf", "n"}, {}},
        {"int Set(int avoid)", "int", "Set", {"avoid"}, {}},
        {"int Get(int)", "int", "Get", {"int"}, {}},
        {"int Get(in a)", "int", "Get", {"a"}, {}},
        {"unsigned char Read(int a)", "unsigned char", "Read", {"a"}, {}},
        {"char *Name(char *s)", "char *", "Name", {"s"}, {}},
        {"char**Dup(char **pp)", "char**", "Dup", {"pp"}, {}},
        {"int f(int,char b)", "int", "f", {"int", "b"}, {}},
        {"int f(int a,char)", "int", "f", {"a", "char"}, {}},
        {"int f(unsigned int x, unsigned y)", "int", "f", {"x", "y"}, {}},
        {"int f(unsigned int, char *)", "int", "f", {"unsigned int", "char *"}, {}},
        {"int f(const char *, const u8)", "int", "f", {"const char *", "const u8"}, {}},
        {"int f(struct pt *p, struct pt *)", "int", "f", {"p", "struct pt *"}, {}},
        {"int f(int a[4], char s[N])", "int", "f", {"a", "s"}, {}},
        {"void SetHandler(void (*cb)(int, char), int prio)", "void", "SetHandler", {"cb", "prio"}, {}},
        {"void UrtConfig(char m)", "void", "UrtConfig", {"m"}, {}},
        {"Go(int a)", "", "Go", {"a"}, {}},
        {"int F(int a,int b,int c,int d,int e,int)", "int", "F", {"a", "b", "c", "d", "e", "int"}, {}},
        {"int F(int a,int b,int c,int d,int e,int f,int g,int h,int i,int j,int k,int l,int m,int n,int o,int p,int q,"
         "int)",
         "int",
         "F",
         {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p"},
         {"q", "int"}},
        {"int f(int a,,int b)", "int", "f", {"a"}, {}}, // an empty declaration ends the list
    };
    for (const Row& r : rows) {
        const auto m = Parse(std::string("; C Function prototype: ") + r.prototype + ";\n", r.prototype);
        EXPECT_EQ(m.type, r.type) << r.prototype;
        EXPECT_EQ(m.function, r.function) << r.prototype;
        EXPECT_EQ(SlotNames(m), r.names) << r.prototype;
        EXPECT_EQ(m.extraNames, r.extra) << r.prototype;
        const auto n = static_cast<size_t>(m.nParams);
        EXPECT_TRUE(m.names.size() == n && m.hints.size() == n && m.values.size() == n) << r.prototype;
    }
}

TEST(ParsePrototypeSource, MarkerVariants)
{
    const char* lines[] = {
        "; C Function prototype: int Foo(int a)\n",
        "@ C Function prototype: int Foo(int a)\n",
        "; C Function prototype:int Foo(int a)\n",
        "; C Function prototype:  int Foo(int a)\n",
        "; C Function prototype:\t int  Foo ( int a ) ; trailing (remark)\r\n",
    };
    for (const char* line : lines) {
        const std::string proto =
            std::string(line).find("int  Foo") != std::string::npos ? "int  Foo ( int a )" : "int Foo(int a)";
        const auto m = Parse(std::string(line) + "; a:{1-9}\n", proto);
        EXPECT_EQ(m.type, "int") << line;
        EXPECT_EQ(m.function, "Foo") << line;
        ASSERT_EQ(m.nParams, 1) << line;
        EXPECT_EQ(m.names[0], "a");
        EXPECT_EQ(m.hints[0], "1-9") << line;
    }
}

TEST(ParsePrototypeSource, LineNotFoundKeepsTypeOnly)
{
    ParameterPanelModel previous;
    previous.type = "long";
    previous.function = "Old";
    previous.nParams = 2;
    previous.names = {"x", "y", "", ""};
    previous.hints = {"1,2", "a|b", "", ""};
    previous.values = {"1", "a", "", ""};
    previous.extraNames = {"z"};

    struct Case {
        const char* what;
        std::string source;
        const char* prototype;
    } cases[] = {
        {"absent", "; C Function prototype: int g(int a)\n", "int f(int a)"},
        {"indented", " ; C Function prototype: int f(int a)\n", "int f(int a)"},
        {"not a marker", "; C function prototype: int f(int a)\n", "int f(int a)"},
        {"occurs before index 23", "; C Function prototype: x(int a)\n", "C Function prototype: x(int a)"},
        {"after a NUL line", std::string("; code\n\0; C Function prototype: int f(int a)\n", 45), "int f(int a)"},
        {"empty prototype", "; C Function prototype: int f(int a)\n", ""},
    };
    for (const Case& c : cases) {
        const auto m = Parse(c.source, c.prototype, previous);
        EXPECT_EQ(m.type, "long") << c.what;
        EXPECT_EQ(m.function, c.prototype) << c.what;
        EXPECT_EQ(m.nParams, 0) << c.what;
        EXPECT_TRUE(m.names.empty() && m.hints.empty() && m.values.empty()) << c.what;
        EXPECT_TRUE(m.extraNames.empty()) << c.what;
    }

    const auto missing = ParsePrototypeSource(previous, "int f(int a)", nullptr);
    EXPECT_EQ(missing.type, "long");
    EXPECT_EQ(missing.function, "int f(int a)");
    EXPECT_EQ(missing.nParams, 0);
    EXPECT_TRUE(missing.names.empty() && missing.values.empty() && missing.extraNames.empty());
}

TEST(ParsePrototypeSource, FirstMatchingLineWins)
{
    const auto m = Parse("; C Function prototype: int f(int a)\n; a:{1,2}\n"
                         "; C Function prototype: int f(int a)\n; a:{3,4}\n",
                         "int f(int a)");
    ASSERT_EQ(m.nParams, 1);
    EXPECT_EQ(m.hints[0], "1,2");
}

TEST(ParsePrototypeSource, OneHintLinePerParameter)
{
    // A blank line shifts every hint onto the wrong parameter.
    auto m = Parse("; C Function prototype: int f(int a, int b)\n;\n; a:{1}\n; b:{2}\n", "int f(int a, int b)");
    ASSERT_EQ(m.nParams, 2);
    EXPECT_EQ(m.hints[0], "");
    EXPECT_EQ(m.hints[1], "");

    // A line that does not match is still used up.
    m = Parse("; C Function prototype: int f(int a, int b)\n; b:{2}\n; b:{3}\n", "int f(int a, int b)");
    EXPECT_EQ(m.hints[0], "");
    EXPECT_EQ(m.hints[1], "3");

    // End of input leaves the later hints empty.
    m = Parse("; C Function prototype: int f(int *a, char **b)\n; *a:{x|y}", "int f(int *a, char **b)");
    EXPECT_EQ(m.hints[0], "x|y");
    EXPECT_EQ(m.hints[1], "");

    // Unnamed parameters are matched by their label.
    m = Parse("; C Function prototype: int f(int, char b)\n; int:{0-9}\n; b:{q}\n", "int f(int, char b)");
    EXPECT_EQ(m.hints[0], "0-9");
    EXPECT_EQ(m.hints[1], "q");
}

TEST(ParsePrototypeSource, ToolProgramPresetsQuotedValue)
{
    const auto m = Parse("; C Function prototype: int f(int a,int b,int c,int d)\n"
                         "; a:{Pick.exe}\n; b:{.exe}\n; c:{A,B.exe}\n; d:{ Tools / Run.exe -q }\n",
                         "int f(int a,int b,int c,int d)");
    ASSERT_EQ(m.nParams, 4);
    EXPECT_EQ(m.values[0], "\"Pick.exe\"");
    EXPECT_EQ(m.values[1], "");
    EXPECT_EQ(m.hints[2], "A,B.exe");
    EXPECT_TRUE(IsChoiceHint(m.hints[2]));
    EXPECT_EQ(m.values[2], "\"A,B.exe\"");
    EXPECT_EQ(m.hints[3], "Tools/Run.exe-q");
    EXPECT_EQ(m.values[3], "\"Tools/Run.exe-q\"");
}

TEST(ParsePrototypeSource, IncomingSlotsAreReplaced)
{
    ParameterPanelModel previous;
    previous.nParams = 4;
    previous.names = {"p", "q", "r", "s"};
    previous.hints = {"1", "2", "3", "4"};
    previous.values = {"v1", "v2", "v3", "v4"};
    const auto m = Parse("; C Function prototype: int f(int a)\n; a:{7}\n", "int f(int a)", previous);
    ASSERT_EQ(m.nParams, 1);
    EXPECT_EQ(m.names[0], "a");
    EXPECT_EQ(m.values[0], "");
    EXPECT_TRUE(m.names.size() == 1 && m.hints.size() == 1 && m.values.size() == 1);
}

TEST(ParsePrototypeSource, LineWithoutClosingParenthesis)
{
    ParameterPanelModel previous;
    previous.type = "long";
    const auto m = Parse("; C Function prototype: int f(int a\n; a:{1}\n", "int f(int a", previous);
    EXPECT_EQ(m.type, "");
    EXPECT_EQ(m.function, "");
    EXPECT_EQ(m.nParams, 0);
}

TEST(ParsePrototypeSource, LongLinesAreReadInPieces)
{
    // The rest of a prototype line past 255 bytes is read as the next line
    // and so takes the place of the first hint line.
    const std::string proto = "int f(int a)";
    const std::string longLine = "; C Function prototype: " + proto + std::string(300, ' ') + "x\n";
    auto m = Parse(longLine + "; a:{1,2}\n", proto);
    ASSERT_EQ(m.nParams, 1);
    EXPECT_EQ(m.hints[0], "");

    const std::string shortLine = "; C Function prototype: " + proto + std::string(200, ' ') + "x\n";
    m = Parse(shortLine + "; a:{1,2}\n", proto);
    EXPECT_EQ(m.hints[0], "1,2");
}

TEST(ParsePrototypeSource, HighBytesPassUnchanged)
{
    const std::string proto = "int f(char x, int b)";
    const auto m = Parse("; C Function prototype: " + proto + " ; \xE9t\xE9\n; x:{\xC4,\xD6}\n; b:{\xFC.exe}\n", proto);
    ASSERT_EQ(m.nParams, 2);
    EXPECT_EQ(m.hints[0], "\xC4,\xD6");
    EXPECT_EQ(m.hints[1], "\xFC.exe");
    EXPECT_EQ(m.values[1], "\"\xFC.exe\"");
}

} // namespace
} // namespace tovel
