#include "library/LineReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using tovel::FileLineReader;
using tovel::LineSource;
using tovel::StringLineReader;

namespace fs = std::filesystem;

using TempDir = tovel::testsupport::TempFolder;

// Every line until the first empty one.
std::vector<std::string> ReadAll(LineSource& source)
{
    std::vector<std::string> lines;
    for (std::string line = source.ReadLine(); !line.empty(); line = source.ReadLine())
        lines.push_back(line);
    return lines;
}

struct ReaderCase {
    const char* name;
    std::string input;
    std::vector<std::string> expected;
};

// Checked against both readers: the file reader must split exactly like the
// in-memory one.
const std::vector<ReaderCase>& ReaderCases()
{
    static const std::vector<ReaderCase> cases = {
        {"lf", "a\nbc\n", {"a\n", "bc\n"}},
        {"crlf", "a\r\nbc\r\n", {"a\r\n", "bc\r\n"}},
        {"no final line feed", "a\nlast", {"a\n", "last"}},
        {"lone cr stays inside", "a\rb\n", {"a\rb\n"}},
        {"nul cuts the line text", std::string("ab\0cd\nnext\n", 11), {"ab", "next\n"}},
        {"nul-started line ends reading", std::string("one\n\0two\nthree\n", 15), {"one\n"}},
        {"empty line in between is not the end", "one\n\ntwo\n", {"one\n", "\n", "two\n"}},
        {"high bytes unchanged", "\x80\xA0\xFF\xE9t\xC3\xA9\n", {"\x80\xA0\xFF\xE9t\xC3\xA9\n"}},
        {"600-byte line",
         std::string(599, 'x') + "\n",
         {std::string(255, 'x'), std::string(255, 'x'), std::string(89, 'x') + "\n"}},
        {"255 bytes then line feed", std::string(255, 'y') + "\nz\n", {std::string(255, 'y'), "\n", "z\n"}},
        {"254 bytes and line feed fit", std::string(254, 'y') + "\n", {std::string(254, 'y') + "\n"}},
        {"empty input", "", {}},
    };
    return cases;
}

TEST(LineReaderTest, StringReaderSplitsLines)
{
    for (const auto& c : ReaderCases()) {
        SCOPED_TRACE(c.name);
        StringLineReader reader(c.input);
        EXPECT_EQ(ReadAll(reader), c.expected);
    }
}

TEST(LineReaderTest, FileReaderSplitsLines)
{
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    for (const auto& c : ReaderCases()) {
        SCOPED_TRACE(c.name);
        FileLineReader reader(dir.Write("case.txt", c.input));
        ASSERT_TRUE(reader.IsOpen());
        EXPECT_EQ(ReadAll(reader), c.expected);
    }
}

TEST(LineReaderTest, RefusesWhatIsNotARegularFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs are a POSIX test; the Windows reader refuses what is not a disk file";
#else
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string fifo = dir.Path() + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string file = dir.Write("plain.s79", "x\n");

    // A FIFO without a writer would block a plain open; it must be refused.
    EXPECT_FALSE(tovel::CanOpenForReading(fifo));
    FileLineReader pipeReader;
    EXPECT_FALSE(pipeReader.Open(fifo));
    EXPECT_FALSE(pipeReader.IsOpen());
    EXPECT_EQ(pipeReader.ReadLine(), "");

    EXPECT_FALSE(tovel::CanOpenForReading(dir.Path()));
    FileLineReader folderReader(dir.Path());
    EXPECT_FALSE(folderReader.IsOpen());
    EXPECT_EQ(folderReader.ReadLine(), "");

    EXPECT_FALSE(tovel::CanOpenForReading(""));
    EXPECT_FALSE(tovel::CanOpenForReading(dir.Path() + "/missing.s79"));
    EXPECT_TRUE(tovel::CanOpenForReading(file));
#endif
}

TEST(LineReaderTest, ReopenAndCloseResetTheReader)
{
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string first = dir.Write("a.txt", "a1\na2\n");
    const std::string second = dir.Write("b.txt", "b1\n");
    FileLineReader reader(first);
    EXPECT_EQ(reader.ReadLine(), "a1\n");
    ASSERT_TRUE(reader.Open(second));
    EXPECT_EQ(reader.ReadLine(), "b1\n");
    EXPECT_EQ(reader.ReadLine(), "");
    ASSERT_TRUE(reader.Open(first));
    reader.Close();
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_EQ(reader.ReadLine(), "");
}

// Lines of many lengths (long ones too, CR LF, NUL inside lines) so that
// line ends, 255-byte cuts and NULs fall on and around the 64 KiB block edges.
std::string MakeLargeText()
{
    std::mt19937 random(4410);
    std::string text;
    const size_t lengths[] = {0, 1, 2, 100, 253, 254, 255, 256, 257, 509, 510, 511, 700, 1000};
    bool longLineAdded = false;
    while (text.size() < 3 * 64 * 1024 + 777) {
        if (!longLineAdded && text.size() + 1300 >= 64 * 1024) {
            // A filler line up to 300 bytes before the first block edge, then
            // a 600-byte line right across it.
            text += std::string(64 * 1024 - 300 - text.size() - 1, 'f') + "\n";
            text += std::string(600, 'E') + "\r\n";
            longLineAdded = true;
        }
        const size_t length = lengths[random() % std::size(lengths)];
        for (size_t i = 0; i < length; ++i) {
            char c = static_cast<char>('!' + random() % 94);
            if (random() % 97 == 0)
                c = static_cast<char>(0x80 + random() % 128);
            // NULs inside lines, never at the start of a 255-byte piece,
            // so that an empty line still means the end of the text.
            if (i % 255 != 0 && random() % 331 == 0)
                c = '\0';
            text.push_back(c);
        }
        if (random() % 3 == 0)
            text.push_back('\r');
        text.push_back('\n');
    }
    return text;
}

TEST(LineReaderTest, FileReaderMatchesStringReaderAcrossBlockEdges)
{
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string text = MakeLargeText();
    FileLineReader fileReader(dir.Write("large.s79", text));
    ASSERT_TRUE(fileReader.IsOpen());
    StringLineReader stringReader(text);

    size_t lines = 0;
    std::string fromFile;
    std::string fromString;
    for (;;) {
        fileReader.ReadLineInto(fromFile);
        stringReader.ReadLineInto(fromString);
        ASSERT_EQ(fromFile, fromString) << "line " << lines;
        if (fromString.empty())
            break;
        ++lines;
    }
    // Every line feed ends a line of its own, so reading went to the end.
    EXPECT_GE(lines, static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
    EXPECT_EQ(fileReader.ReadLine(), "");
}

// Reading with a skip to the next line that holds needle before every
// line must give the lines of plain reading that hold needle, in order,
// with nothing but lines without it left out.
// Returns how many lines were read.
size_t ExpectSkipKeepsEveryLineWith(LineSource& skipping, const std::vector<std::string>& plain,
                                    const std::string& needle, const std::string& label)
{
    std::vector<std::string> got;
    for (;;) {
        skipping.SkipToLineWith(needle);
        std::string line = skipping.ReadLine();
        if (line.empty())
            break;
        got.push_back(line);
    }
    size_t at = 0;
    for (const std::string& line : got) {
        while (at < plain.size() && plain[at] != line) {
            EXPECT_EQ(plain[at].find(needle), std::string::npos) << label << ": skipped line " << at;
            ++at;
        }
        EXPECT_LT(at, plain.size()) << label << ": read a line plain reading never gives";
        if (at == plain.size())
            return got.size();
        ++at;
    }
    for (; at < plain.size(); ++at)
        EXPECT_EQ(plain[at].find(needle), std::string::npos) << label << ": skipped line " << at;
    return got.size();
}

TEST(LineReaderTest, SkipToLineWithLeavesOutOnlyLinesWithoutTheText)
{
    const std::string marker = "; C Function prototype: int f(int a)\n";
    const std::string longLine = std::string(600, 'x') + "int f(int a)" + std::string(40, 'y') + "\n";
    // An occurrence cut by the 255-byte piece edge is in no piece.
    const std::string straddling = std::string(250, 'z') + "int f(int a)\n";
    const std::string filler = std::string(200, '-') + "\n";
    std::string blockEdge;
    while (blockEdge.size() < 64 * 1024 - 20)
        blockEdge += filler;
    struct Case {
        const char* name;
        std::string text;
        std::string needle;
    };
    const std::vector<Case> cases = {
        {"marker lines among others", "a\n" + marker + "b\n" + marker + "c\n", "int f(int a)"},
        {"occurrence in a later piece of a long line", "a\n" + longLine + marker, "int f(int a)"},
        {"occurrence across a piece edge", straddling + marker, "int f(int a)"},
        {"occurrence across the file reader's block edge", blockEdge + marker + "tail\n", "int f(int a)"},
        {"a NUL-started piece still ends reading", std::string("a\n\0b\n", 6) + marker, "int f(int a)"},
        {"a NUL inside a line", std::string("a\0z\n", 4) + marker, "int f(int a)"},
        {"no occurrence", "a\nb\nc", "int f(int a)"},
        {"last line without line feed", "a\nint f(int a)", "int f(int a)"},
        {"one-byte text", "abc\nxyz\nq\n", "y"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        StringLineReader plainReader(c.text);
        const auto plain = ReadAll(plainReader);
        StringLineReader fromString(c.text);
        ExpectSkipKeepsEveryLineWith(fromString, plain, c.needle, std::string(c.name) + " (memory)");
        FileLineReader fromFile(dir.Write("skip.txt", c.text));
        ASSERT_TRUE(fromFile.IsOpen());
        ExpectSkipKeepsEveryLineWith(fromFile, plain, c.needle, std::string(c.name) + " (file)");
    }
    // The large random text (its NULs, which stop skipping, made letters):
    // every line with a two-byte text.
    std::string text = MakeLargeText();
    std::replace(text.begin(), text.end(), '\0', 'n');
    StringLineReader plainReader(text);
    const auto plain = ReadAll(plainReader);
    FileLineReader fromFile(dir.Write("large.s79", text));
    const size_t read = ExpectSkipKeepsEveryLineWith(fromFile, plain, "ab", "large random text");
    // The lines without the text were skipped, not read.
    EXPECT_LT(read, plain.size() / 10);
}

// The searcher finds the first occurrence as a plain search does, over
// small alphabets (many near misses, short shifts) and larger ones, at both
// ends of the range.
TEST(LineReaderTest, TextSearcherFindsTheFirstOccurrence)
{
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const std::string alphabet = round % 2 ? "ab" : "abcdefghij)";
        std::string haystack(random() % 400, ' ');
        for (char& c : haystack)
            c = alphabet[random() % alphabet.size()];
        std::string needle(1 + random() % 6, ' ');
        for (char& c : needle)
            c = alphabet[random() % alphabet.size()];
        if (round % 3 == 0 && haystack.size() >= needle.size())
            haystack.replace(haystack.size() - needle.size(), needle.size(), needle);
        const tovel::TextSearcher searcher(needle);
        const char* begin = haystack.data();
        const char* end = begin + haystack.size();
        const size_t expected = haystack.find(needle);
        const char* got = searcher.Find(begin, end);
        EXPECT_EQ(got == end ? std::string::npos : static_cast<size_t>(got - begin), expected)
            << "needle " << needle << " in " << haystack;
    }
}

} // namespace
