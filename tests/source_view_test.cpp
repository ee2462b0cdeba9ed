#include "library/SourceView.h"

#include "library/Scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tovel::CVariantPath;
using tovel::ExpandTabs;
using tovel::ExtractSourceBlock;
using tovel::IsBlockEndLine;
using tovel::ReadWholeForView;
using tovel::SourcePathFor;
using tovel::StringLineReader;

TEST(SourceViewTest, ExpandTabsToFourColumnStops)
{
    struct Row {
        const char* line;
        const char* expected;
    };
    const Row rows[] = {
        {"\tX", "    X"},
        {"AB\tC", "AB  C"},
        {"ABCD\tE", "ABCD    E"},
        {"\t\tX", "        X"},
        {"A\tB\tC", "A   B   C"},
        {"X\t\r\n", "X   \r\n"},
        {"", ""},
        {"\xE9\t\xFF", "\xE9   \xFF"},                        // Windows-1252: a byte is a column
        {"\xC3\xA9\t\xFF", "\xC3\xA9  \xFF"},                 // not UTF-8 as a whole: bytes
        {"Gr\xC3\xBC\xC3\x9F\tX", "Gr\xC3\xBC\xC3\x9F    X"}, // UTF-8: a character is a column
    };
    for (const auto& row : rows)
        EXPECT_EQ(ExpandTabs(row.line), row.expected) << row.line;
}

TEST(SourceViewTest, SourcePathFor)
{
    struct Row {
        const char* library;
        const char* prototype;
        const char* expected;
    };
    const Row rows[] = {
        {"/inc/ports.h", "unsigned char GetByte(int port, char *buf)", "/inc/GetByte.s"},
        {"/inc/PORTS.H", "int f(void)", "/inc/f.s"},
        {"/inc/ports.h", "char *name(int i)", "/inc/name.s"},
        {"/inc/ports.h", "char **name (int i)", "/inc/name.s"},
        {"ports.h", "int f(void)", "f.s"},
        {"/inc/ports.h", "int f \t(void)", "/inc/f.s"},
        // The name before the first '(': a function-pointer parameter's own
        // parentheses do not count.
        {"/inc/stdlib.h", "int atexit(void (*func)(void));", "/inc/atexit.s"},
        {"/inc/sig.h", "int Trap(int n, void (*handler)(int))", "/inc/Trap.s"},
        // No routine name: the folder alone.
        {"/inc/ports.h", "int f", "/inc/"},
        {"/inc/ports.h", "(int x)", "/inc/"},
        // Assembler libraries hold their sources themselves.
        {"/lib/ports.s79", "int f(void)", "/lib/ports.s79"},
        {"/x.hdr/lib.s79", "int f(void)", "/x.hdr/lib.s79"},
        {"", "int f(void)", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SourcePathFor(row.library, row.prototype), row.expected) << row.library << " " << row.prototype;
}

TEST(SourceViewTest, CVariantReplacesTheLastByte)
{
    EXPECT_EQ(CVariantPath("/inc/GetByte.s"), "/inc/GetByte.c");
    EXPECT_EQ(CVariantPath("/inc/"), "/incc");
    EXPECT_EQ(CVariantPath(""), "");
}

TEST(SourceViewTest, SourceFilesAreTriedInBothLetterCases)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(tovel::SourcePathCandidates("/inc/Adc.s"), (V{"/inc/Adc.s", "/inc/Adc.S", "/inc/Adc.c", "/inc/Adc.C"}));
    EXPECT_EQ(tovel::SourcePathCandidates("/lib/lib.s79"), (V{"/lib/lib.s79", "/lib/lib.s7c", "/lib/lib.s7C"}));
    EXPECT_EQ(tovel::SourcePathCandidates(""), (V{""}));
}

TEST(SourceViewTest, BlockEndIsTheWordEndOrEndmod)
{
    struct Row {
        const char* line;
        bool end;
    };
    const Row rows[] = {
        {"\tEND\r\n", true},
        {"\tENDMOD\r\n", true},
        {"END", true},
        {"\tRSEG CODE ; END of data", true},
        {"(END)", true},
        {"\xE9"
         "END",
         true},
        {"\tENDMOD\tports ; ENDIF\r\n", true},
        {"ENDMOD;", true},
        {" ENDIF\r\n", false},
        {"\tENDM\r\n", false},
        {"\tENDR ENDS ENDP ENDMODULE END1\r\n", false},
        {"SENDBYTE:\tMOV A,R0\r\n", false},
        {"\tLCALL APPEND\r\n", false},
        {"_END", false},
        {"\tend\r\n", false},
        {"EN D", false},
        {"", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(IsBlockEndLine(row.line), row.end) << row.line;
}

const char* const kLibrary = "; Port routines\r\n"
                             "\tNAME ports\r\n"
                             "; C Function prototype: int ReadPort(char port) ; END is not here\r\n"
                             "; port:{0,1,2}\r\n"
                             "ReadPort:\tMOV\tA,R0\r\n"
                             "SENDBYTE:\tLCALL APPEND\r\n"
                             "\tRET\r\n"
                             "\tENDMOD\tports\r\n"
                             "after the block\r\n"
                             "; C Function prototype: int ReadPort(char port)\r\n"
                             "second copy\r\n"
                             "END\r\n";

TEST(SourceViewTest, BlockRunsFromPrototypeLineThroughClosingLine)
{
    StringLineReader reader(kLibrary);
    EXPECT_EQ(ExtractSourceBlock(reader, "int ReadPort(char port)"),
              "; C Function prototype: int ReadPort(char port) ; END is not here\r\n"
              "; port:{0,1,2}\r\n"
              "ReadPort:   MOV A,R0\r\n"
              "SENDBYTE:   LCALL APPEND\r\n"
              "    RET\r\n"
              " ENDMOD ports\r\n");
}

TEST(SourceViewTest, BlockWithoutClosingLineRunsToTheEnd)
{
    StringLineReader reader("junk\n@ C Function prototype: long g(int a)\n\tRET\nlast");
    EXPECT_EQ(ExtractSourceBlock(reader, "long g(int a)"), "@ C Function prototype: long g(int a)\n    RET\nlast");
}

// A routine without a closing line in a huge file: the block holds the whole
// lines that fit and says where it was cut; a block that fits is whole.
TEST(SourceViewTest, BlockIsCutAtTheViewSize)
{
    const std::string start = "; C Function prototype: int f(int a)\n";
    std::string body;
    for (int i = 0; i < 100; ++i)
        body += "\tNOP\n";
    StringLineReader endless(start + body);
    const std::string cut = ExtractSourceBlock(endless, "int f(int a)", 100);
    const std::string note = tovel::BlockCutNote(100);
    EXPECT_EQ(note, "... (the rest of the routine is not shown: the view holds at most 100 bytes)");
    // The start line (37 bytes), seven expanded lines of 8 bytes, the note.
    std::string expected = start;
    for (int i = 0; i < 7; ++i)
        expected += "    NOP\n";
    EXPECT_EQ(cut, expected + note + "\r\n");

    const std::string closed = start + "    NOP\n\tEND\n";
    StringLineReader fits(closed + "after\n");
    EXPECT_EQ(ExtractSourceBlock(fits, "int f(int a)", closed.size()), start + "    NOP\n END\n");

    // Even the start line does not fit: only the note.
    StringLineReader tiny(start);
    EXPECT_EQ(ExtractSourceBlock(tiny, "int f(int a)", 10), tovel::BlockCutNote(10) + "\r\n");
}

TEST(SourceViewTest, StartLineRules)
{
    struct Row {
        const char* name;
        const char* text;
        const char* prototype;
        const char* expected;
    };
    const Row rows[] = {
        {"no blank after the colon", "; C Function prototype:int f(char c)\nEND\n", "int f(char c)",
         "; C Function prototype:int f(char c)\nEND\n"},
        {"indented marker", " ; C Function prototype: int f(char c)\nEND\n", "int f(char c)", ""},
        {"case-sensitive", "; C Function prototype: INT F(CHAR C)\nEND\n", "int f(char c)", ""},
        // The prototype text is found inside the marker part only when it
        // also occurs from position 23 on.
        {"text inside the marker", "; C Function prototype: x\nEND\n", "Function", ""},
        {"missing prototype", "; C Function prototype: int g(char c)\nEND\n", "int f(char c)", ""},
        {"empty prototype", "; C Function prototype: int f(char c)\nEND\n", "", ""},
        {"only the marker line", "; C Function prototype: int f(char c)", "int f(char c)",
         "; C Function prototype: int f(char c)"},
        // The first byte of an '@' line reads as ';', as the parameter panel reads it.
        {"'@' prototype on an '@' line", "@ C Function prototype: f(a) @ C Function prototype: f(a)\nEND\n",
         "@ C Function prototype: f(a)", "@ C Function prototype: f(a) @ C Function prototype: f(a)\nEND\n"},
        {"';' prototype on an '@' line", "@ C Function prototype: f(a); C Function prototype: f(a)\nEND\n",
         "; C Function prototype: f(a)", ""},
    };
    for (const auto& row : rows) {
        StringLineReader reader(row.text);
        EXPECT_EQ(ExtractSourceBlock(reader, row.prototype), row.expected) << row.name;
    }
}

TEST(SourceViewTest, HeaderDeclarationFindsItsSourceFile)
{
    // The scanner's normalised text is what the routine's own file holds.
    const auto decl = tovel::NormaliseDeclaration("extern  unsigned char  GetByte ( int  port , char *buf );");
    ASSERT_TRUE(decl.listed);
    EXPECT_EQ(SourcePathFor("/inc/ports.h", decl.text), "/inc/GetByte.s");
    StringLineReader reader("\tMODULE GetByte\n"
                            "; C Function prototype: unsigned char GetByte(int port, char *buf)\n"
                            "\tRET\n"
                            "\tEND\n");
    EXPECT_EQ(ExtractSourceBlock(reader, decl.text),
              "; C Function prototype: unsigned char GetByte(int port, char *buf)\n    RET\n END\n");
}

TEST(SourceViewTest, WholeViewExpandsEveryLineUntilTheEnd)
{
    StringLineReader reader("\tNAME x\r\n\tEND\r\n");
    EXPECT_EQ(ReadWholeForView(reader), "    NAME x\r\n    END\r\n");

    StringLineReader stopped(std::string("a\tb\n") + std::string(1, '\0') + "hidden\n");
    EXPECT_EQ(ReadWholeForView(stopped), "a   b\n");

    StringLineReader empty("");
    EXPECT_EQ(ReadWholeForView(empty), "");
}

} // namespace
