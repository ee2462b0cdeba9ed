// The source view's line index, display columns, search and line tones.
#include "common/ByteLines.h"
#include "library/SourceView.h"

#include "library/LineReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

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

// The obvious readings, a byte at a time: what Show puts in the view (the
// reader's pieces, tab-expanded, held to the cap), and the view's line index.
std::string ShowByteByByte(const std::string& text, size_t cap)
{
    StringLineReader reader(text);
    std::string view;
    for (std::string piece = reader.ReadLine(); !piece.empty(); piece = reader.ReadLine()) {
        std::string expanded;
        for (char c : piece)
            expanded.append(c == '\t' ? 4 - expanded.size() % 4 : 1, c == '\t' ? ' ' : c);
        if (view.size() + expanded.size() > cap) {
            if (!view.empty() && view.back() != '\n' && view.back() != '\r')
                view += "\r\n";
            return view + ViewCutNote(cap) + "\r\n";
        }
        view += expanded;
    }
    return view;
}

struct LineIndex {
    std::vector<size_t> starts{0};
    size_t maxColumns = 0;
};

LineIndex IndexByteByByte(const std::string& text)
{
    LineIndex index;
    size_t columns = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') {
            columns += text[i] == '\t' ? 4 : 1;
            continue;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        index.starts.push_back(i + 1);
        index.maxColumns = std::max(index.maxColumns, columns);
        columns = 0;
    }
    index.maxColumns = std::max(index.maxColumns, columns);
    return index;
}

void ExpectIndex(const std::string& text, const std::string& what)
{
    const ByteLines lines = LinesOf(text);
    const LineIndex expected = IndexByteByByte(text);
    ASSERT_EQ(lines.Count(), expected.starts.size()) << what;
    for (size_t i = 0; i < lines.Count(); ++i)
        ASSERT_EQ(lines.Start(i), expected.starts[i]) << what << " line " << i;
    EXPECT_EQ(lines.MaxColumns(), expected.maxColumns) << what;
}

TEST(ByteLines, ShowTextAndItsIndexMatchTheByteByByteReading)
{
    // Texts of tabs, CRs, LFs, NULs and letters, some with long runs without
    // a line end (pieces of 255 bytes), long enough to cross the 8-byte words
    // and 64-byte blocks the fast paths work in; then the block edges on purpose.
    std::mt19937 random(20261208);
    std::vector<std::string> texts;
    for (int n = 0; n < 400; ++n) {
        const unsigned lineEndsIn = n % 3 == 0 ? 400 : 6;
        std::string text(random() % 700, 'a');
        for (char& c : text) {
            const unsigned r = random() % lineEndsIn;
            c = r == 0 ? '\n' : r == 1 ? '\r' : random() % 4 == 0 ? '\t' : random() % 300 == 0 ? '\0' : 'a';
        }
        texts.push_back(std::move(text));
    }
    for (size_t at = 56; at <= 72; ++at) {
        texts.push_back(std::string(at, '\t') + "\r\n" + std::string(at, 'x') + "\r");
        texts.push_back(std::string(at, 'x') + "\r\r\n\t" + std::string(250, 'y') + "\t\tz");
    }

    for (const std::string& text : texts) {
        const std::string what = "text of " + std::to_string(text.size()) + " bytes";
        ExpectIndex(text, what);

        StringLineReader whole(text);
        const std::string view = ReadWholeForView(whole);
        ASSERT_EQ(view, ShowByteByByte(text, SIZE_MAX)) << what;
        ExpectIndex(view, what + ", as shown");
        // The cap at, just before and just after every piece's end.
        StringLineReader pieces(text);
        size_t shown = 0;
        std::vector<size_t> caps{0};
        for (std::string piece = pieces.ReadLine(); !piece.empty(); piece = pieces.ReadLine()) {
            shown += ExpandTabs(piece).size();
            caps.insert(caps.end(), {shown - 1, shown, shown + 1});
        }
        for (size_t cap : caps) {
            StringLineReader reader(text);
            ASSERT_EQ(ReadWholeForView(reader, cap), ShowByteByByte(text, cap)) << what << ", cap " << cap;
        }
    }
}

TEST(ByteLines, IndexOfManyLinesHoldsEveryStart)
{
    // 700,000 lines of every line end: an index of several megabytes.
    std::string text;
    for (size_t i = 0; i < 700000; ++i)
        text += i % 3 == 0 ? "a\tb\r\n" : i % 3 == 1 ? "\r" : "c\n";
    ExpectIndex(text, "many lines");
}

} // namespace
} // namespace tovel
