// The source view's line index, display columns, search and line tones.
#include "common/ByteLines.h"
#include "library/SourceView.h"

#include "library/LineReader.h"
#include "support/TableRows.h"

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
    EXPECT_EQ(lines.MaxColumns(), 8u); // the tab's four columns, then e, Ã, © and ÿ (not UTF-8)
    EXPECT_EQ(LinesOf("\xE2\x82\xAC\t\xC3\xA9\n\xC3\xA9").MaxColumns(), 5u); // € to the stop, é

    EXPECT_EQ(LinesOf("").Count(), 1u);
    EXPECT_EQ(LinesOf("x").Line(0), "x");
    EXPECT_EQ(LinesOf("x\n").Count(), 2u);
    EXPECT_EQ(ByteLines(nullptr).Count(), 1u);
}

TEST(ByteLines, ColumnsFollowTabStopsAndCharacters)
{
    // A line of UTF-8: a, tab to 4, é (2 bytes), € (3), z.
    const LineCells utf8("a\t\xC3\xA9\xE2\x82\xACz");
    ASSERT_TRUE(utf8.Utf8());
    EXPECT_EQ(utf8.ColumnOf(1), 1u);
    EXPECT_EQ(utf8.ColumnOf(2), 4u);
    EXPECT_EQ(utf8.ColumnOf(4), 5u);
    EXPECT_EQ(utf8.ColumnOf(7), 6u);
    EXPECT_EQ(utf8.Columns(), 7u);
    EXPECT_EQ(utf8.CellAtColumn(2).pos, 1u);    // inside the tab
    EXPECT_EQ(utf8.NearestBoundary(3).pos, 2u); // nearer the tab's end
    EXPECT_EQ(utf8.NearestBoundary(1).pos, 1u);
    EXPECT_EQ(utf8.CellAtColumn(5).pos, 4u);
    EXPECT_EQ(utf8.CellAtColumn(99).pos, 8u);
    EXPECT_EQ(utf8.CellAtColumn(5, {2, 4}).pos, 4u); // from a known boundary, the same
    EXPECT_EQ(utf8.PreviousBoundary(7), 4u);
    EXPECT_EQ(utf8.CharAt(4), U'\u20AC');

    // The same bytes with one stray byte: every byte is a Windows-1252 cell.
    const LineCells single("a\t\xC3\xA9\xE2\x82\xACz\xFC");
    ASSERT_FALSE(single.Utf8());
    EXPECT_EQ(single.ColumnOf(7), 9u);
    EXPECT_EQ(single.Columns(), 11u);
    EXPECT_EQ(single.PreviousBoundary(7), 6u);
    std::string shown;
    single.AppendText(shown, 2, 9);
    EXPECT_EQ(shown, "\xC3\x83\xC2\xA9\xC3\xA2\xE2\x80\x9A\xC2\xACz\xC3\xBC"); // Ã©â‚¬zü
}

// How a line reads: valid UTF-8 or one Windows-1252 character a byte.
struct ReadingRow {
    const char* name;
    std::string line;
    bool utf8;
    std::u32string chars; // the cells' characters
};

class LineReading : public ::testing::TestWithParam<ReadingRow> {};

TEST_P(LineReading, CellsAndCopiedText)
{
    const ReadingRow& row = GetParam();
    const LineCells cells(row.line);
    EXPECT_EQ(cells.Utf8(), row.utf8);
    std::u32string chars;
    std::string utf8;
    for (size_t pos = 0; pos < row.line.size(); pos += cells.CellBytes(pos)) {
        chars += cells.CharAt(pos);
        AppendUtf8(utf8, cells.CharAt(pos));
    }
    EXPECT_EQ(chars, row.chars);
    EXPECT_EQ(cells.Columns(), row.chars.size());
    std::string copied;
    cells.AppendText(copied, 0, row.line.size());
    EXPECT_EQ(copied, utf8);
    EXPECT_TRUE(IsUtf8(copied));
}

INSTANTIATE_TEST_SUITE_P(ByteLines, LineReading,
                         ::testing::Values(ReadingRow{"Ascii", "MOV R0", true, U"MOV R0"},
                                           ReadingRow{"Utf8",
                                                      "Gr\xC3\xBC\xC3\x9F"
                                                      "e \xF0\x9F\x98\x80",
                                                      true, U"Grüße 😀"},
                                           ReadingRow{"Latin1",
                                                      "Gr\xFC\xDF"
                                                      "e",
                                                      false, U"Grüße"},
                                           ReadingRow{"Cp1252Only", "\x80\x93x\x94\x81", false,
                                                      U"\u20AC\u201Cx\u201D\u0081"},
                                           ReadingRow{"Overlong", "\xC0\xAF", false, U"À¯"},
                                           ReadingRow{"Surrogate", "\xED\xA0\x80", false, U"í\u00A0€"},
                                           ReadingRow{"CutSequence", "ab\xE2\x82", false, U"ab\u00E2\u201A"},
                                           ReadingRow{"PastTheLastCharacter", "\xF4\x90\x80\x80", false, U"ô\u0090€€"}),
                         testsupport::RowName());

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

TEST(ByteLines, FindMeetsTheCharactersAsEachLineShowsThem)
{
    // "für" in a Latin-1 line and in a UTF-8 line; the bytes of one spelling
    // inside a line of the other reading are other characters and not found.
    const ByteLines lines = LinesOf("F\xFCR alle \xFF\n"               // Latin-1, ü at 1
                                    "f\xC3\xBCr alle\n"                // UTF-8, ü at 13
                                    "f\xC3\xBCr \xFF\n"                // Latin-1: shows fÃ¼r
                                    "f\xFCr \xE2\x80\x94 \xC3\xBC\n"); // Latin-1: f\xFCr, then â€” Ã¼
    const std::string_view fuer = "f\xC3\xBCr";
    const std::string& text = lines.Text();
    const size_t latin1 = 0, utf8 = text.find("f\xC3\xBCr alle"), last = text.rfind("f\xFCr");
    auto at = [&](size_t from, bool forward) { return FindShown(lines, fuer, from, forward).pos; };
    EXPECT_EQ(at(0, true), latin1);
    EXPECT_EQ(FindShown(lines, fuer, 0, true).bytes, 3u);
    EXPECT_EQ(at(1, true), utf8);
    EXPECT_EQ(FindShown(lines, fuer, 1, true).bytes, 4u);
    EXPECT_EQ(at(utf8 + 1, true), last);
    EXPECT_EQ(at(last + 1, true), latin1); // around the end
    EXPECT_EQ(at(latin1, false), last);    // around the start
    EXPECT_EQ(at(last, false), utf8);
    // A character Windows-1252 has, in both readings; one it lacks, only in UTF-8.
    EXPECT_EQ(FindShown(lines, "\xE2\x80\x94", 0, true).pos, std::string::npos);
    EXPECT_EQ(FindShown(lines, "\xC3\xA2\xE2\x82\xAC\xE2\x80\x9D", 0, true).pos, text.find("\xE2\x80\x94"));
    EXPECT_EQ(FindShown(LinesOf("a \xE2\x86\x92 b"), "\xE2\x86\x92", 0, true).pos, 2u);
    EXPECT_EQ(FindShown(lines, "ALLE \xC3\xBF", 0, true).pos, text.find("alle \xFF"));
    EXPECT_EQ(FindShown(lines, "\xC3\x9C", 0, true).pos, std::string::npos); // letters past ASCII keep their case
    EXPECT_EQ(FindShown(lines, "", 0, true).pos, std::string::npos);
}

TEST(ByteLines, PrototypeAndHintLinesHaveTheirTones)
{
    const ByteLines lines = LinesOf("; C Function prototype: void F(int a, int b)\n"
                                    ";  a:{0,1}\n"
                                    "@\t*b : {0-9}\n"
                                    "\tNAME F\n"
                                    ";  a:{0,1}\n"
                                    "@ C Function prototype: void G(void)\n"
                                    "; not a hint\n"
                                    // read as the panel reads them: blanks inside the name, no '}'
                                    "; C Function prototype: void H(int ab, int c)\n"
                                    "; a b:{1}\n"
                                    "; c:{\n");
    const LineTone expected[] = {LineTone::Prototype, LineTone::Hint,      LineTone::Hint,  LineTone::Plain,
                                 LineTone::Plain,     LineTone::Prototype, LineTone::Plain, LineTone::Prototype,
                                 LineTone::Hint,      LineTone::Hint,      LineTone::Plain};
    ASSERT_EQ(lines.Count(), 11u);
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
            columns += text[i] == '\t' ? 4 - columns % 4 : 1;
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
