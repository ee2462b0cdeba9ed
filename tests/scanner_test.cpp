#include "library/Scanner.h"
#include "support/TableRows.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using tovel::CollectPrototypes;
using tovel::ExtractMarkedPrototype;
using tovel::FindStringExact;
using tovel::IsHeaderLibrary;
using tovel::NormaliseDeclaration;
using tovel::SortFunctionList;
using tovel::StringLineReader;

struct HeaderRow {
    const char* name;
    const char* path;
    bool header;
};
void PrintTo(const HeaderRow& row, std::ostream* out)
{
    *out << '"' << row.path << '"';
}

const HeaderRow kHeaderRows[] = {
    {"LowerH", "/inc/ports.h", true},          {"UpperH", "/inc/PORTS.H", true},
    {"Assembler", "/lib/ports.s79", false},    {"HInFolderName", "/x.hdr/lib.s79", false},
    {"HFolderShortName", "/x.h/lib.s", false}, {"Hpp", "/inc/ports.hpp", false},
    {"TrailingBlank", "/inc/ports.h ", false}, {"Empty", "", false},
};

class HeaderLibraryTest : public ::testing::TestWithParam<HeaderRow> {};

TEST_P(HeaderLibraryTest, IsDecidedByTheLastTwoBytes)
{
    EXPECT_EQ(IsHeaderLibrary(GetParam().path), GetParam().header);
}

INSTANTIATE_TEST_SUITE_P(Scanner, HeaderLibraryTest, ::testing::ValuesIn(kHeaderRows), tovel::testsupport::RowName());

struct MarkedRow {
    const char* name;
    std::string line;
    std::optional<std::string> expected;
};
void PrintTo(const MarkedRow& row, std::ostream* out)
{
    *out << '"' << row.line << '"';
}

const MarkedRow kMarkedRows[] = {
    {"CrLf", "; C Function prototype: int ReadPort(char port)\r\n", "int ReadPort(char port)"},
    {"AtComment", "@ C Function prototype: int ReadPort(char port)\n", "int ReadPort(char port)"},
    {"NoBlankAfterColon", "; C Function prototype:int f(char c)", "int f(char c)"},
    {"WhiteSpaceAfterColon", "; C Function prototype: \t\r\v\fint f(char c)", "int f(char c)"},
    // Only the text up to the first ')' counts.
    {"CommentAfterClose", "; C Function prototype: int f(char c) ; reads c\r\n", "int f(char c)"},
    {"FirstCloseEnds", "; C Function prototype: int f(char (*p)(int))", "int f(char (*p)"},
    // Blanks and tabs inside stay as written.
    {"InnerBlanksKept", "; C Function prototype: int  f( char\tc )", "int  f( char\tc )"},
    // The ')' must stand at position 3 or later of the prototype.
    {"CloseTooEarly", "; C Function prototype: f()", std::nullopt},
    {"CloseAtThree", "; C Function prototype: go()", "go()"},
    {"NoClose", "; C Function prototype: int f(char c", std::nullopt},
    {"MarkerOnly", "; C Function prototype:", std::nullopt},
    // Not a prototype comment line.
    {"IndentedByBlank", " ; C Function prototype: int f(char c)", std::nullopt},
    {"IndentedByTab", "\t; C Function prototype: int f(char c)", std::nullopt},
    {"LowerCaseMarker", "; c function prototype: int f(char c)", std::nullopt},
    {"NoBlankAfterSemicolon", ";C Function prototype: int f(char c)", std::nullopt},
    // Further markers on the line are dropped.
    {"SecondMarkerInside", "; C Function prototype: int f(@ C Function prototype:char c)", "int f(char c)"},
    {"SecondMarkerFirst", "@ C Function prototype: ; C Function prototype: long g(int a)", "long g(int a)"},
    {"MarkerAfterClose", "; C Function prototype: int f(char c) ; C Function prototype: x)", "int f(char c)"},
    {"ColonInside", "; C Function prototype: int f(int a:3)", "int f(int a:3)"},
    {"MarkerTailAlone", "; C Function prototype: int f(x C Function prototype:y)", "int f(x C Function prototype:y)"},
    {"CloseTooEarlyAfterDropping", "; C Function prototype:; C Function prototype: f()", std::nullopt},
    // Each marker is dropped in one pass over the line: one formed by
    // dropping another stays.
    {"MarkerFormedByDropping", "; C Function prototype: int f(; C Fun; C Function prototype:ction prototype:char c)",
     "int f(; C Function prototype:char c)"},
    {"AtMarkerFormedByDropping", "@ C Function prototype: int f(@ C Fun; C Function prototype:ction prototype:char c)",
     "int f(char c)"},
    // Bytes above 0x7F pass unchanged.
    {"HighBytes", "; C Function prototype: int f\xE9(char \xFF)", "int f\xE9(char \xFF)"},
};

class MarkedPrototypeTest : public ::testing::TestWithParam<MarkedRow> {};

TEST_P(MarkedPrototypeTest, IsExtracted)
{
    EXPECT_EQ(ExtractMarkedPrototype(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Scanner, MarkedPrototypeTest, ::testing::ValuesIn(kMarkedRows), tovel::testsupport::RowName());

TEST(ScannerTest, NormaliseDeclaration)
{
    struct Row {
        std::string line;
        std::string text;
        bool listed;
    };
    const Row rows[] = {
        {"extern  unsigned char  GetByte ( int  port , char *buf );  // read",
         "unsigned char GetByte(int port, char *buf)", true},
        {"int f(void);", "int f(void)", true},
        {"static int  f( void )", "static int f(void)", true},
        {"void g(int a);", "void g(int a)", false},
        {"char *name(int i);", "char *name(int i)", true},
        {"u8 h(int a);", "u8 h(int a)", false},
        {"int f(void);\r\n", "int f(void)", true},
        {"int\tf(int a,\tint b);", "int f(int a, int b)", true},
        {"long   f(int a ,int b,  int c) ;", "long f(int a, int b, int c)", true},
        {"unsigned v(void);", "unsigned v(void)", true},
        {"unsigned long w(void);", "unsigned long w(void)", true},
        // The return-type word is matched exactly.
        {"Int f(void);", "Int f(void)", false},
        {"float f(void);", "float f(void)", false},
        // A trailing comment is cut when there is no ';' after position 0.
        {"int f(void) // note", "int f(void)", true},
        {"int f(void) /* note */", "int f(void)", true},
        // Commented-out declarations are not listed, however indented.
        {"// int old(int a);", "// int old(int a)", false},
        {"  \t// int old(int a);", " // int old(int a)", false},
        {"/* int old(int a); */", "/* int old(int a)", false},
        {"\t/* int old(int a); */", " /* int old(int a)", false},
        // A declaration spread over lines is judged by its first line, which
        // keeps its line end when it has no ')'.
        {"int f(int a,\r\n", "int f(int a, \r\n", true},
        // No '(' at all, or nothing before it.
        {"int counter;", "int counter", false},
        {"(int) f;", "(int) f", false},
        {"", "", false},
        // Bytes above 0x7F pass unchanged.
        {"int \xE9t\xE9(char c);", "int \xE9t\xE9(char c)", true},
    };
    for (const auto& row : rows) {
        const auto decl = NormaliseDeclaration(row.line);
        EXPECT_EQ(decl.text, row.text) << row.line;
        EXPECT_EQ(decl.listed, row.listed) << row.line;
    }
}

TEST(ScannerTest, CollectsMarkedPrototypesInFileOrder)
{
    StringLineReader reader("; Port routines\r\n"
                            "; C Function prototype: int ReadPort(char port)\r\n"
                            "; port:{0,1,2}\r\n"
                            "ReadPort:\tMOV A,R0\r\n"
                            "\tENDMOD\r\n"
                            " ; C Function prototype: int Hidden(char c)\r\n"
                            "@ C Function prototype: void PwmSetDuty(char channel, int duty) ; remark\r\n"
                            "; C Function prototype: f()\r\n"
                            "; C Function prototype: int ReadPort(char port)\r\n");
    const std::vector<std::string> expected = {"int ReadPort(char port)", "void PwmSetDuty(char channel, int duty)",
                                               "int ReadPort(char port)"};
    EXPECT_EQ(CollectPrototypes(reader, false), expected);
}

TEST(ScannerTest, CollectsListedHeaderDeclarations)
{
    const std::string header = "#ifndef PORTS_H\n"
                               "extern int ReadPort(char port);\n"
                               "void Reset(void);\n"
                               "// int Old(int a);\n"
                               "char *Name(int i);\n"
                               "#define X(a) (a)\n";
    StringLineReader reader(header);
    const std::vector<std::string> expected = {"int ReadPort(char port)", "char *Name(int i)"};
    EXPECT_EQ(CollectPrototypes(reader, true), expected);

    // The same text read as an assembler library lists nothing.
    StringLineReader asAssembler(header);
    EXPECT_TRUE(CollectPrototypes(asAssembler, false).empty());
}

TEST(ScannerTest, NulStartedLineEndsTheScan)
{
    const std::string nul(1, '\0');
    StringLineReader reader("; C Function prototype: int a(int x)\n" + nul
                            + "; C Function prototype: int b(int x)\n"
                              "; C Function prototype: int c(int x)\n");
    EXPECT_EQ(CollectPrototypes(reader, false), std::vector<std::string>{"int a(int x)"});
}

TEST(ScannerTest, LongLinesAreCountedOnceByTheirNumbers)
{
    // Line 2 is 255 bytes and its line feed, line 3 takes three pieces, line 5
    // ends the file at exactly 255 bytes, which is one piece.
    const std::string piece(255, 'x');
    StringLineReader reader("short\n" + piece + "\n" + piece + piece + "y\nshort\n" + piece);
    const tovel::LongLines found = tovel::FindLongLines(reader, 1);
    EXPECT_EQ(found.count, 2u);
    EXPECT_EQ(found.first, (std::vector<int>{2}));
}

TEST(ScannerTest, SortIsCaseInsensitiveAndStable)
{
    std::vector<std::string> items = {"int b(int x)", "INT A(int x)",    "int a(int x)", "char z(int x)",
                                      "INT A(int x)", "int \xE9(int x)", "int B(int x)"};
    SortFunctionList(items);
    const std::vector<std::string> expected = {"char z(int x)", "INT A(int x)", "int a(int x)",   "INT A(int x)",
                                               "int b(int x)",  "int B(int x)", "int \xE9(int x)"};
    EXPECT_EQ(items, expected);
}

TEST(ScannerTest, FindStringExactIgnoresCaseAndTakesTheFirst)
{
    const std::vector<std::string> items = {"char z(int x)", "int a(int x)", "INT A(int x)"};
    EXPECT_EQ(FindStringExact(items, "INT A(INT X)"), 1);
    EXPECT_EQ(FindStringExact(items, "char z(int x)"), 0);
    EXPECT_EQ(FindStringExact(items, "char z"), -1);
    EXPECT_EQ(FindStringExact(items, "char z(int x) "), -1);
    EXPECT_EQ(FindStringExact(items, ""), -1);
    EXPECT_EQ(FindStringExact({}, "int a(int x)"), -1);
}

TEST(ScannerTest, LargeLibraryScansAndSorts)
{
    constexpr int kRoutines = 100000;
    std::string text;
    text.reserve(kRoutines * 160);
    for (int i = kRoutines - 1; i >= 0; --i) {
        const std::string name = "Routine" + std::to_string(100000 + i);
        text += "; C Function prototype: int " + name + "(char port, int value)\r\n";
        text += "; port:{0,1,2,3}\r\n";
        text += name + ":\tMOV\tA,R0\r\n\tRET\r\n\tENDMOD\r\n";
    }
    StringLineReader reader(std::move(text));
    auto items = CollectPrototypes(reader, false);
    ASSERT_EQ(items.size(), static_cast<size_t>(kRoutines));
    EXPECT_EQ(items.front(), "int Routine199999(char port, int value)");
    SortFunctionList(items);
    EXPECT_EQ(items.front(), "int Routine100000(char port, int value)");
    EXPECT_EQ(items.back(), "int Routine199999(char port, int value)");
    EXPECT_EQ(FindStringExact(items, "INT ROUTINE150000(CHAR PORT, INT VALUE)"), 50000);
}

// The summary the window takes when a library becomes current must tell
// exactly what the sorted list would: its size, its first text and where
// the remembered choice stands in it.
TEST(ScannerTest, SummaryAgreesWithTheSortedList)
{
    const std::string asmLibrary = "; C Function prototype: int b(int x)\n"
                                   "; C Function prototype: INT A(int y)\n"
                                   "; C Function prototype: int a(int y)\n"
                                   "; C Function prototype: char Z(void)\n"
                                   "; C Function prototype: int a(int y)\n"
                                   "@ C Function prototype: int ab(long q)\n";
    const std::string header = "int b(int x);\nvoid skipped(void);\nchar A(char c);\nlong a(long l);\n";
    struct Case {
        std::string text;
        bool header;
        std::string choice;
    };
    const std::vector<Case> cases = {
        {asmLibrary, false, "int a(int y)"}, // equal texts in two cases: the first of them
        {asmLibrary, false, "INT B(INT X)"}, // found without case
        {asmLibrary, false, "int c(int z)"}, // not listed
        {asmLibrary, false, ""},
        {asmLibrary, false, "char Z(void)"}, // the first of the list
        {header, true, "long a(long l)"},
        {header, true, "void skipped(void)"}, // not listed: returns void
        {"; no prototypes here\n", false, "int a(int y)"},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        StringLineReader forList(c.text);
        std::vector<std::string> list = CollectPrototypes(forList, c.header);
        SortFunctionList(list);
        StringLineReader forSummary(c.text);
        const tovel::PrototypeSummary summary = tovel::SummarisePrototypes(forSummary, c.header, c.choice);
        EXPECT_EQ(summary.count, list.size()) << c.choice;
        EXPECT_EQ(summary.first, list.empty() ? std::string() : list.front()) << c.choice;
        EXPECT_EQ(summary.choiceIndex, FindStringExact(list, c.choice)) << c.choice;
    }
}

} // namespace
