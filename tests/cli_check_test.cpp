// The library checker of tovel-cli on small libraries, one fault each, and
// on the sample libraries, which must be clean but for what they show.
#include "cli_test_support.h"

#include "assist/LibraryCheck.h"

#include <gtest/gtest.h>

#include <map>

namespace tovel::cli {
namespace {

using clitest::TempFolder;

struct Expected {
    int line;
    const char* text; // a part of the message
};

class CliCheckTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.Valid()); }

    // Checks the library and compares the diagnostics in order.
    void ExpectDiagnostics(const std::string& path, const std::vector<Expected>& expected, const std::string& what)
    {
        const auto found = CheckLibrary(path);
        ASSERT_TRUE(found.has_value()) << what;
        std::string all;
        for (const Diagnostic& d : *found)
            all += FormatDiagnostic(d) + "\n";
        ASSERT_EQ(found->size(), expected.size()) << what << "\n" << all;
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ((*found)[i].line, expected[i].line) << what << "\n" << all;
            EXPECT_NE((*found)[i].message.find(expected[i].text), std::string::npos) << what << "\n" << all;
        }
        // An editor's unsaved buffer with the same bytes is checked alike.
        const auto buffer = CheckLibrary(TextInput::Text(path, testsupport::ReadFileBytes(path)));
        ASSERT_TRUE(buffer.has_value()) << what;
        ASSERT_EQ(buffer->size(), found->size()) << what;
        for (size_t i = 0; i < found->size(); ++i) {
            const Diagnostic& a = (*found)[i];
            const Diagnostic& b = (*buffer)[i];
            EXPECT_EQ(FormatDiagnostic(b), FormatDiagnostic(a)) << what;
            EXPECT_EQ(b.code, a.code) << what;
            EXPECT_EQ(b.column, a.column) << what;
            EXPECT_FALSE(a.code.empty()) << FormatDiagnostic(a);
        }
    }

    TempFolder m_dir;
};

constexpr const char* kMarker = "; C Function prototype: ";

// "int F(int p1, ..., int pN)" and the hint lines "; p1:{}" .. "; pN:{}".
std::string Parameters(int n)
{
    std::string text = "int F(";
    for (int k = 1; k <= n; ++k)
        text += (k > 1 ? ", int p" : "int p") + std::to_string(k);
    return text + ")";
}

std::string HintLines(int n)
{
    std::string text;
    for (int k = 1; k <= n; ++k)
        text += "; p" + std::to_string(k) + ":{}\n";
    return text;
}

TEST_F(CliCheckTest, AssemblerLibraryFaults)
{
    struct Row {
        std::string text;
        std::vector<Expected> expected;
    };
    const std::string m = kMarker;
    const Row rows[] = {
        // clean: hints in order, explicit empty hint, pointer form, closing line
        {m + "void F(char c, char *s, int n)\n; c:{0,1}\n; *s:{}\n; n:{0x00-0xFF}\n\tRET\n\tENDMOD\n", {}},
        // parameters past the sixteenth need no hint line; the ones before it are judged
        {m + Parameters(17) + "\n" + HintLines(16) + "END\n", {}},
        {m + Parameters(6) + "\n" + HintLines(5) + "; p6:{10-1}\nEND\n", {{7, "'10-1' of 'p6' is empty"}}},
        {m + Parameters(6) + "\n" + HintLines(4) + "; p6:{}\nEND\n",
         {{6, "names 'p6' where the hint line of 'p5'"}, {7, "'p6' has no hint line here"}}},
        {m + "int f(int a\n", {{1, "not listed: its prototype 'int f(int a' has no ')'"}, {1, "nothing is listed"}}},
        {m + "f()\n" + m + "go()\nEND\n", {{1, "'f()' is too short"}}},
        {" " + m + "int f(void)\n" + m + "int g(void)\nEND\n", {{1, "is indented and is not listed"}}},
        {"; c function prototype: int f(void)\n" + m + "int g(void)\nEND\n", {{1, "not written exactly"}}},
        {"nothing here\n", {{1, "nothing is listed"}}},
        // hint lines
        {m + "int f(int a, int b)\n\tMOV R0,R1\nEND\n",
         {{2, "parameter 'a' has no hint line here"}, {3, "parameter 'b' has no hint line here"}}},
        {m + "int f(int a, int b)\n; b:{1}\n; a:{2}\nEND\n",
         {{2, "names 'b' where the hint line of 'a' is read"}, {3, "names 'a' where the hint line of 'b' is read"}}},
        {m + "int f(int a)\n; x:{1}\nEND\n", {{2, "names 'x', not parameter 'a'"}}},
        {m + "int f(int a)", {{1, "has no closing line"}, {1, "'a' has no hint line: the file ends"}}},
        {m + "int f(int, char b)\n; int:{1}\n; b:{2}\nEND\n", {{1, "parameter 1 ('int') has no name"}}},
        // malformed hints
        {m + "int f(int a)\n; a:{0,1\nEND\n", {{2, "has no closing '}'"}}},
        {m + "int f(int a)\n; a:{0{1}\nEND\n", {{2, "unbalanced braces"}}},
        {m + "int f(int a)\n; a:{a,,b}\nEND\n", {{2, "choice list 'a,,b' of 'a' has an empty item (item 2)"}}},
        {m + "int f(int a)\n; a:{a,b,}\nEND\n", {{2, "(item 3)"}}},
        {m + "int f(int a)\n; a:{,a,b}\nEND\n", {{2, "begins with ',': it is no choice list"}}},
        {m + "int f(int a)\n; a:{A||B}\nEND\n", {{2, "option list 'A||B' of 'a' has an empty item (item 2)"}}},
        {m + "int f(int a)\n; a:{|A|B}\nEND\n", {{2, "begins with '|': it is no option list"}}},
        {m + "int f(int a)\n; a:{A-Z}\nEND\n",
         {{2, "low bound 'A' is not a number"}, {2, "high bound 'Z' is not a number"}}},
        {m + "int f(int a)\n; a:{08-9}\nEND\n", {{2, "low bound '08' is not a number"}}},
        {m + "int f(int a)\n; a:{0x-1}\nEND\n", {{2, "low bound '0x' is not a number"}}},
        {m + "int f(int a)\n; a:{0-99999999999999999999}\nEND\n", {{2, "high bound"}}},
        {m + "int f(int a)\n; a:{10-1}\nEND\n", {{2, "is empty: its low bound is above its high bound"}}},
        {m + "int f(int a)\n; a:{0--5}\nEND\n", {{2, "is empty"}}},
        {m + "int f(int a)\n; a:{-40-125}\nEND\n", {}}, // a negative low bound
        {m + "int f(int a)\n; a:{Nope.exe}\nEND\n", {{2, "Nope.exe of 'a' is not found"}}},
        {m + "int f(int a)\n; a:{d.exe/../../bin/cat}\nEND\n",
         {{2, "'d.exe/../../bin/cat' of 'a' is refused: it must be a plain file name in the library's folder"}}},
        {m + "int f(int a)\n; a:{-1--0x10}\n; a:{}\nEND\n", {{2, "is empty"}}},
        // source blocks
        {m + "int f(void)\n\tRET\n", {{1, "'f' has no closing line (a word END or ENDMOD)"}}},
        // only END and ENDMOD close a block, in capitals
        {m + "int f(void)\n IF X\n ENDIF\n\tENDM\n ENDR ENDS ENDP\n\tSENDBYTE\n end\n\tENDMODULE\n",
         {{1, "'f' has no closing line"}}},
        {m + "int f(void)\n ENDIF\n ENDMOD\n", {}},
        {m + "int f(void)\n\tRET\n" + m + "int g(void)\n\tENDMOD\n",
         {{1, "'f' has no closing line before the next prototype comment (line 3)"}}},
        {m + "int f(void)\n\tCALL APPEND\n\tRET\n", {{1, "has no closing line"}}},
        // the source view and the panel find a routine by its first line
        {m + "int f(int a)\n; a:{}\nEND\n" + m + "int f(int a)\n; a:{1,2}\nEND\n",
         {{4, "listed twice: line 1 has it first"}}},
        {m + "uint f(int a)\n; a:{}\nEND\n" + m + "int f(int a)\n; a:{}\nEND\n",
         {{4, "'int f(int a)' is found first inside line 1 ('uint f(int a)')"}}},
        {m + "int xf(int a)\n; a:{}\nEND\n" + m + "f(int a)\n; a:{}\nEND\n", {{4, "found first inside line 1"}}},
        {m + "int xabc)\nEND\n" + m + "abc)\nEND\n", {{3, "'abc)' is found first inside line 1"}}}, // no '('
        // its first occurrence in line 1 begins inside the marker, so line 1 is not its start line
        {m + "int f(int x)\n; x:{}\nEND\n" + m + "type: int f(int x)\n; x:{}\nEND\n", {}},
    };
    for (const Row& row : rows) {
        ExpectDiagnostics(m_dir.Write("lib.s79", row.text), row.expected, row.text);
        // CR LF line ends read the same.
        std::string crlf;
        for (char c : row.text)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        ExpectDiagnostics(m_dir.Write("crlf.s79", crlf), row.expected, "CR LF: " + row.text);
    }
}

TEST_F(CliCheckTest, LongLinesAndNulBytes)
{
    const std::string m = kMarker;
    const std::string pad(300, 'x');
    struct Row {
        std::string text;
        std::vector<Expected> expected;
    };
    const Row rows[] = {
        {m + "int f(int a) ;" + pad + "\n; a:{}\nEND\n", {{1, "prototype comment line is longer than 255 bytes"}}},
        {m + "int f(int a, int b)\n; a:{" + pad + "}\n; b:{}\nEND\n",
         {{2, "the hint line of 'a' is longer than 255 bytes"}}},
        {std::string(255, ';') + m + "int g(void)\nEND\n", {{1, "a 255-byte piece of this long line"}}},
        {m + "int f(" + pad + " a)\nEND\n",
         {{1, "has no ')'; the line is longer than 255 bytes and is read in pieces"}, {1, "nothing is listed"}}},
        {m + "int f(void)\nEND\n" + std::string("\0", 1) + m + "int g(void)\nEND\n",
         {{3, "begins with a NUL byte: nothing from here on is read"}}},
        {m + "int f(void)" + std::string("\0", 1) + " tail\nEND\n", {{1, "holds a NUL byte"}}},
        {m
             + "int \xB5"
               "f(char \xE9t)\n; \xE9t:{1-2}\nEND\n",
         {{2, "the hint line names '\xE9t', not parameter 't'"}}},
    };
    for (const Row& row : rows)
        ExpectDiagnostics(m_dir.Write("lib.s79", row.text), row.expected, row.text);
}

TEST_F(CliCheckTest, HeaderLibraryAndItsSourceFiles)
{
    const std::string header = m_dir.Write("inc/ports.h",
                                           "/* ports */\n"
                                           "extern int Read(char port);\n"
                                           "extern int Gone(int a);\n"
                                           "extern void Quiet(int a);\n"
                                           "extern int Bare(int a);\n"
                                           "extern int Split(int a,\n"
                                           "                 int b);\n"
                                           "extern int Hinted(int a);\n"
                                           "// extern int Old(int a);\n"
                                           "extern int Upper(int a);\n"
                                           "extern uint8_t Small(void);\n"
                                           "char* Name(void);\n"
                                           "#define MAX(a, b) ((a) > (b) ? (a) : (b))\n"
                                           "    return Read(1);\n");
    m_dir.Write("inc/Read.c", "#if 0\n; C Function prototype: int Read(char port)\n; port:{0,1}\n#endif\n/* END */\n");
    m_dir.Write("inc/Bare.s", "no prototype comment here\n");
    m_dir.Write("inc/Hinted.s", std::string(kMarker) + "int Hinted(int a)\n; b:{1}\n\tRET\n");
    // Where NAME.s is missing, NAME.S holds the routine.
    m_dir.Write("inc/Upper.S", std::string(kMarker) + "int Upper(int a)\n; a:{}\n\tENDMOD\n");
    const std::string source = m_dir / "inc/";
    const auto found = CheckLibrary(header);
    ASSERT_TRUE(found.has_value());
    std::vector<std::string> lines;
    for (const Diagnostic& d : *found)
        lines.push_back(FormatDiagnostic(d));
    const std::vector<std::string> expected = {
        header + ":3: no source for 'Gone': none of " + source + "Gone.s, " + source + "Gone.S, " + source + "Gone.c, "
            + source + "Gone.C can be read",
        header
            + ":4: the declaration 'void Quiet(int a)' is not listed: its return type 'void' is not one of int, char, "
              "long, double, unsigned, uint or short",
        header + ":5: " + source
            + "Bare.s holds no prototype comment line with 'int Bare(int a)': the routine's block and "
              "parameters cannot be shown",
        header
            + ":6: the declaration 'int Split(int a, ' is listed without its ')': write each declaration on one line",
        source
            + "Hinted.s:1: routine 'Hinted' has no closing line (a word END or ENDMOD): its source block runs to the "
              "end of the file",
        source + "Hinted.s:2: the hint line names 'b', not parameter 'a'",
        header
            + ":11: the declaration 'uint8_t Small(void)' is not listed: its return type 'uint8_t' is not one of "
              "int, char, long, double, unsigned, uint or short",
        header
            + ":12: the declaration 'char* Name(void)' is not listed: its return type 'char*' is not one of int, "
              "char, long, double, unsigned, uint or short (write the '*' with the name, as 'char *Name')",
    };
    EXPECT_EQ(lines, expected);

    const std::string empty = m_dir.Write("inc/empty.h", "void f(int a);\n");
    ExpectDiagnostics(empty,
                      {{1, "'void f(int a)' is not listed: its return type 'void'"},
                       {1, "nothing is listed: no one-line declaration returns int"}},
                      "no declarations");

    // The start line is the panel's: an '@' line reads as a ';' line, so a
    // prototype that begins with ';' stands at its position 0.
    m_dir.Write("inc/f.s", "@ C Function prototype: int f(int a); C Function prototype: int f(int a)\n; a:{}\nEND\n");
    ExpectDiagnostics(m_dir.Write("inc/semicolon.h", "; C Function prototype: int f(int a);\n"),
                      {{1, "f.s holds no prototype comment line with '; C Function prototype: int f(int a)'"}},
                      "start line read as the panel reads it");
}

TEST_F(CliCheckTest, SampleLibrariesAreClean)
{
    // The sample header's void routine shows what is not listed, and check names it.
    const std::map<std::string, std::vector<std::string>> notes = {
        {"/LibDev4410.s79", {}},
        {"/Dev4410Hdr/dev4410.h", {"the declaration 'void PortWrite(char port, unsigned char value)' is not listed"}},
    };
    for (const auto& [name, expected] : notes) {
        const auto found = CheckLibrary(std::string(TOVEL_COMPANION_DIR) + name);
        ASSERT_TRUE(found.has_value()) << name;
        ASSERT_EQ(found->size(), expected.size()) << name;
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_NE((*found)[i].message.find(expected[i]), std::string::npos) << FormatDiagnostic((*found)[i]);
    }
}

TEST_F(CliCheckTest, UnreadableLibrariesGiveNothing)
{
    EXPECT_FALSE(CheckLibrary(m_dir / "missing.s79").has_value());
    EXPECT_FALSE(CheckLibrary(m_dir / "").has_value());
    EXPECT_FALSE(CheckLibrary("").has_value());
}

TEST_F(CliCheckTest, FailuresAndFindingsCarryTheirKind)
{
    // A failure says what failed and why, as it was found.
    const std::string missing = m_dir / "missing.s79";
    EXPECT_EQ(FormatReadError(CheckLibrary(missing).Error()), "cannot read library " + missing + ": no such file");
    EXPECT_EQ(CheckLibrary(m_dir / "").Error().reason, "it is a folder");
    EXPECT_EQ(CheckLibrary("").Error().reason, "the path is empty");
    const auto header = CheckLibrary(m_dir.Write("lib.h", "int F(int a);\n"));
    ASSERT_TRUE(header.has_value());
    ASSERT_FALSE(header->empty());
    EXPECT_EQ(header->front().code, "no-source");

    // A finding has its code, severity and, where it is known, its columns.
    const auto found =
        CheckLibrary(TextInput::Text(m_dir / "lib.s79", std::string("\t  ") + kMarker + "int f(void)\n"));
    ASSERT_TRUE(found.has_value());
    ASSERT_EQ(found->size(), 2u);
    EXPECT_EQ(found->front().code, "marker-indented");
    EXPECT_EQ(found->front().severity, Severity::Error);
    EXPECT_EQ(found->front().column, 4);
    EXPECT_EQ(found->front().columnEnd, 27);
    EXPECT_EQ(found->back().code, "nothing-listed");
    EXPECT_EQ(found->back().column, 0);
}

TEST_F(CliCheckTest, ManyRoutinesWithoutClosingLinesStayLinear)
{
    // Every block runs into the next routine; looking that up must not cost
    // a pass over the rest of the file per routine.
    std::string text;
    const int routines = 30000;
    for (int i = 0; i < routines; ++i)
        text += std::string(kMarker) + "int R" + std::to_string(i) + "(int a)\n; a:{0-9}\n\tRET\n";
    const auto found = CheckLibrary(m_dir.Write("big.s79", text));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->size(), static_cast<size_t>(routines));
    EXPECT_NE(found->back().message.find("has no closing line (a word"), std::string::npos);
}

} // namespace
} // namespace tovel::cli
