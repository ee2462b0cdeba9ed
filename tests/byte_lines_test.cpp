// The source view's line index, display columns, search and line tones.
#include "common/ByteLines.h"
#include "library/SourceView.h"

#include <gtest/gtest.h>

namespace tovel {
namespace {

ByteLines LinesOf(std::string text)
{
    return ByteLines(std::make_shared<const std::string>(std::move(text)));
}

TEST(ByteLines, LineEndsOfEveryKindAndTheLastLine)
{
    const ByteLines lines = LinesOf("ab\r\nc\rd\n\r\n\te\xC3\xA9\xFF\r");
    ASSERT_EQ(lines.Count(), 6u);
    const char* expected[] = {"ab", "c", "d", "", "\te\xC3\xA9\xFF", ""};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(lines.Line(i), expected[i]) << i;
    EXPECT_EQ(lines.LineOf(0), 0u);
    EXPECT_EQ(lines.LineOf(3), 0u); // the LF of CR LF belongs to its line
    EXPECT_EQ(lines.LineOf(4), 1u);
    EXPECT_EQ(lines.LineOf(lines.Text().size()), 5u);
    EXPECT_GE(lines.MaxColumns(), 7u); // the tab's four columns, then e, é and the byte

    EXPECT_EQ(LinesOf("").Count(), 1u);
    EXPECT_EQ(LinesOf("x").Line(0), "x");
    EXPECT_EQ(LinesOf("x\n").Count(), 2u);
    EXPECT_EQ(ByteLines(nullptr).Count(), 1u);
}

TEST(ByteLines, ColumnsFollowTabStopsAndCharacters)
{
    // a, tab to 4, é (2 bytes), a lone 0xFF, a cut 3-byte sequence (2 cells), z.
    const std::string_view line = "a\t\xC3\xA9\xFF\xE2\x82z";
    EXPECT_EQ(ColumnOfByte(line, 1), 1u);
    EXPECT_EQ(ColumnOfByte(line, 2), 4u);
    EXPECT_EQ(ColumnOfByte(line, 4), 5u);
    EXPECT_EQ(ColumnOfByte(line, 5), 6u);
    EXPECT_EQ(ColumnOfByte(line, 8), 9u);
    EXPECT_EQ(CellAtColumn(line, 2).pos, 1u);    // inside the tab
    EXPECT_EQ(NearestBoundary(line, 3).pos, 2u); // nearer the tab's end
    EXPECT_EQ(NearestBoundary(line, 1).pos, 1u);
    EXPECT_EQ(CellAtColumn(line, 8).pos, 7u);
    EXPECT_EQ(CellAtColumn(line, 99).pos, line.size());
    // From a known boundary the walk gives the same answer.
    EXPECT_EQ(CellAtColumn(line, 8, {2, 4}).pos, 7u);
}

TEST(ByteLines, FindIgnoresCaseAndWrapsBothWays)
{
    const std::string text = "Alpha beta ALPHA gamma alpha\xFF";
    EXPECT_EQ(FindNoCase(text, "alpha", 0, true), 0u);
    EXPECT_EQ(FindNoCase(text, "alpha", 1, true), 11u);
    EXPECT_EQ(FindNoCase(text, "alpha", 24, true), 0u); // around the end
    EXPECT_EQ(FindNoCase(text, "alpha", 11, false), 0u);
    EXPECT_EQ(FindNoCase(text, "alpha", 0, false), 23u); // around the start
    EXPECT_EQ(FindNoCase(text, "A\xFF", 0, true), 27u);
    EXPECT_EQ(FindNoCase(text, "delta", 5, true), std::string::npos);
    EXPECT_EQ(FindNoCase(text, "", 0, true), std::string::npos);
    EXPECT_EQ(FindNoCase("ab", "abc", 0, false), std::string::npos);
    // Backward over more than one search block.
    const std::string big = "needle" + std::string(200000, '.') + "NEEDLE" + std::string(100, '.');
    EXPECT_EQ(FindNoCase(big, "needle", big.size(), false), 200006u);
    EXPECT_EQ(FindNoCase(big, "needle", 200006, false), 0u);
}

TEST(ByteLines, PrototypeAndHintLinesHaveTheirTones)
{
    const ByteLines lines = LinesOf("; C Function prototype: void F(int a, int b)\n"
                                    ";  a:{0,1}\n"
                                    "@\t*b : {0-9}\n"
                                    "\tNAME F\n"
                                    ";  a:{0,1}\n"
                                    "@ C Function prototype: void G(void)\n"
                                    "; not a hint\n");
    const LineTone expected[] = {LineTone::Prototype, LineTone::Hint,      LineTone::Hint,  LineTone::Plain,
                                 LineTone::Plain,     LineTone::Prototype, LineTone::Plain, LineTone::Plain};
    ASSERT_EQ(lines.Count(), 8u);
    for (size_t i = 0; i < lines.Count(); ++i)
        EXPECT_EQ(ToneOfLine(lines, i), expected[i]) << i;
    EXPECT_EQ(ToneOfLine(lines, 99), LineTone::Plain);
}

} // namespace
} // namespace tovel
