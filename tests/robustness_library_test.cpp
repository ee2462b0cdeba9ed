// Library files that other people wrote, at their worst: things that are not
// files, files far too large, very long lines, NUL and high bytes, CR-only
// line ends, and header declarations whose names are no file names.
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace tovel;
namespace fs = std::filesystem;

namespace {

class RobustLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Valid());
        m_dir = m_folder.Dir();
    }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const std::string path = m_dir + name;
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    testsupport::TempFolder m_folder{"tovel-hostile-"};
    std::string m_dir;
};

// What the dialog does with a library: scan it, show it whole (cut), and
// look for the first function's block.
struct LibraryUse {
    bool opened = false;
    std::vector<std::string> items;
    std::string view;
    std::string block;
};

LibraryUse UseLibrary(const std::string& path, size_t viewLimit = kSourceViewMaxBytes)
{
    LibraryUse use;
    FileLineReader scan(path);
    use.opened = scan.IsOpen();
    use.items = CollectPrototypes(scan, IsHeaderLibrary(path));
    FileLineReader show(path);
    use.view = ReadWholeForView(show, viewLimit);
    if (!use.items.empty()) {
        FileLineReader source(SourcePathFor(path, use.items.front()));
        use.block = ExtractSourceBlock(source, use.items.front());
    }
    return use;
}

TEST_F(RobustLibraryTest, FoldersDevicesAndPipesAreNeverRead)
{
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs, /dev/zero and alarm() are POSIX";
#else
    const std::string fifo = m_dir + "pipe.s79";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A writer holds the pipe open, so a blocking read would wait forever.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const std::string link = m_dir + "zero.s79";
    ASSERT_EQ(::symlink("/dev/zero", link.c_str()), 0);
    fs::create_directory(m_dir + "folder.h");

    ::alarm(20); // a read that blocked or never ended stops the test program here
    for (const std::string& path : {fifo, link, m_dir + "folder.h", std::string("/dev/zero"), std::string("/dev/null"),
                                    std::string("/dev/urandom"), m_dir + "missing.s79", std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(CanOpenForReading(path));
        const LibraryUse use = UseLibrary(path);
        EXPECT_FALSE(use.opened);
        EXPECT_TRUE(use.items.empty());
        EXPECT_EQ(use.view, "");
    }
    ::alarm(0);
    ::close(writer);
#endif
}

// A source that makes up lines as they are asked for, counting the bytes it
// handed out: no file is needed for a library of any size.
class EndlessSource : public LineSource {
public:
    explicit EndlessSource(unsigned long long lines) : m_left(lines)
    {
        for (int i = 0; i < 256; ++i)
            m_filler.push_back("\tMOV\tA,#" + std::to_string(i) + "\t; filler line of the library\r\n");
    }
    void ReadLineInto(std::string& out) override
    {
        out.clear();
        if (m_left == 0)
            return;
        --m_left;
        ++m_line;
        if (m_line % 100000 == 1)
            out = "; C Function prototype: int Routine" + std::to_string(m_line) + "(char port)\r\n";
        else
            out = m_filler[m_line % 256];
        m_given += out.size();
    }
    unsigned long long Given() const { return m_given; }

private:
    unsigned long long m_left;
    unsigned long long m_line = 0;
    unsigned long long m_given = 0;
    std::vector<std::string> m_filler;
};

TEST_F(RobustLibraryTest, HugeLibraryKeepsOnlyListedItemsAndACutView)
{
    // About 200 MB of lines: the scan keeps the few prototypes only.
    EndlessSource scan(5'000'000);
    const auto items = CollectPrototypes(scan, false);
    EXPECT_GT(scan.Given(), 200'000'000ull);
    ASSERT_EQ(items.size(), 50u);
    EXPECT_EQ(items.front(), "int Routine1(char port)");

    // The view stops reading right after its limit and says so.
    EndlessSource show(5'000'000);
    constexpr size_t kLimit = 1024 * 1024;
    const std::string view = ReadWholeForView(show, kLimit);
    EXPECT_LT(show.Given(), kLimit + 1024);
    const std::string note = ViewCutNote(kLimit) + "\r\n";
    ASSERT_GT(view.size(), note.size());
    EXPECT_LE(view.size() - note.size(), kLimit);
    EXPECT_EQ(view.substr(view.size() - note.size()), note);
    EXPECT_EQ(note, "... (the rest of the file is not shown: the view holds at most 1 MB)\r\n");
}

TEST(RobustSourceView, CutViewHoldsWholeLinesUpToTheLimit)
{
    const std::string note = "... (the rest of the file is not shown: the view holds at most ";
    struct Case {
        const char* what;
        std::string text;
        size_t limit;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"everything fits", "ab\r\ncd\r\n", 8, "ab\r\ncd\r\n"},
        {"exactly at the limit, nothing follows", "ab\ncd\n", 6, "ab\ncd\n"},
        {"second line does not fit", "ab\ncd\n", 5, "ab\n" + note + "5 bytes)\r\n"},
        {"tabs count as expanded", "\tx\ny\n", 6, "    x\n" + note + "6 bytes)\r\n"},
        {"tab line alone too long", "\tx\n", 4, note + "4 bytes)\r\n"},
        {"limit 0", "a\n", 0, note + "0 bytes)\r\n"},
        {"limit 0, empty text", "", 0, ""},
        {"piece without line end gets one", std::string(300, 'z'), 256,
         std::string(255, 'z') + "\r\n" + note + "256 bytes)\r\n"},
        {"a NUL-started line ends the text, no note", std::string("ab\n\0cdef\n", 9), 3, "ab\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StringLineReader reader(c.text);
        EXPECT_EQ(ReadWholeForView(reader, c.limit), c.expected);
    }
    EXPECT_EQ(ViewCutNote(kSourceViewMaxBytes), note + "64 MB)");
    EXPECT_EQ(ViewCutNote(1536 * 1024), note + "1 MB)");
    EXPECT_EQ(ViewCutNote(4096), note + "4 KB)");
    EXPECT_EQ(ViewCutNote(1023), note + "1023 bytes)");
}

TEST_F(RobustLibraryTest, HugeFileOnDiskScansWithinBoundsAndTime)
{
    // A real file of 256 MB written in blocks, with three prototypes: at the
    // start, in the middle and at the very end.
    const std::string path = m_dir + "huge.s79";
    constexpr size_t kBlocks = 256;
    std::string block;
    while (block.size() < 1024 * 1024 - 64)
        block += "\tMOV\tA,R0\t; filler line of a huge library\r\n";
    block.append(1024 * 1024 - block.size() - 1, ';');
    block += "\n";
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        for (size_t i = 0; i < kBlocks; ++i) {
            if (i == 0 || i == kBlocks / 2)
                std::fputs(("; C Function prototype: int At" + std::to_string(i) + "(char port)\r\n").c_str(), f);
            ASSERT_EQ(std::fwrite(block.data(), 1, block.size(), f), block.size());
        }
        std::fputs("; C Function prototype: int AtEnd(char port)", f);
        ASSERT_EQ(std::fclose(f), 0);
    }
    {
        FileLineReader reader(path);
        ASSERT_TRUE(reader.IsOpen());
        const auto items = CollectPrototypes(reader, false);
        EXPECT_EQ(items,
                  (std::vector<std::string>{"int At0(char port)", "int At128(char port)", "int AtEnd(char port)"}));

        FileLineReader show(path);
        const std::string view = ReadWholeForView(show, kSourceViewMaxBytes);
        EXPECT_LE(view.size(), kSourceViewMaxBytes + 200);
        EXPECT_NE(view.find("the view holds at most 64 MB"), std::string::npos);
    }
    // Closed first: Windows removes no open file.
    fs::remove(path);
}

TEST_F(RobustLibraryTest, SparseFileEndsAtItsFirstHole)
{
    // A 300 MB file that is almost all hole: NUL bytes end the text there.
    const std::string path = Write("sparse.s79", "; C Function prototype: int First(char a)\n");
    fs::resize_file(path, 300ll * 1024 * 1024);
    {
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fseek(f, 200l * 1024 * 1024, SEEK_SET), 0);
        std::fputs("\n; C Function prototype: int Hidden(char a)\n", f);
        ASSERT_EQ(std::fclose(f), 0);
    }
    const LibraryUse use = UseLibrary(path);
    EXPECT_EQ(use.items, std::vector<std::string>{"int First(char a)"});
    EXPECT_EQ(use.view, "; C Function prototype: int First(char a)\n");
}

TEST_F(RobustLibraryTest, LinesOfSeveralKilobytes)
{
    const std::string longTail(8000, 'x');
    const std::string text =
        // A prototype whose ')' lies within the first 255 bytes is listed;
        // the rest of the physical line is read as further pieces.
        "; C Function prototype: int Short(char a) " + longTail
        + "\n"
          // One whose ')' lies past them is not.
          "; C Function prototype: int Long(char "
        + std::string(4000, 'b')
        + ")\n"
        // Tabs in a long line expand in every piece.
        + std::string(3000, '\t') + "END\n";
    const std::string path = Write("long.s79", text);
    const LibraryUse use = UseLibrary(path);
    EXPECT_EQ(use.items, std::vector<std::string>{"int Short(char a)"});
    // Each piece expands on its own: 255 tabs become 1020 blanks.
    EXPECT_EQ(use.view.find('\t'), std::string::npos);
    EXPECT_EQ(use.view.substr(0, 42), "; C Function prototype: int Short(char a) ");
    EXPECT_TRUE(use.block.starts_with("; C Function prototype: int Short(char a) "));
    EXPECT_TRUE(use.block.ends_with("END\n"));
}

TEST_F(RobustLibraryTest, NulAndHighBytes)
{
    const std::string nul(1, '\0');
    const std::string text = "; C Function prototype: int \xC3\xA9t\xE9(char \xFF)\r\n"
                             "; C Function prototype: int Cut(char a"
        + nul
        + ")\r\n"
          "; C Function prototype: int After"
        + nul
        + "Nul(char b)\r\n"
          "\x80\x81\xFE\xFF\r\n"
        + nul + "; C Function prototype: int Unseen(char c)\r\n";
    const LibraryUse use = UseLibrary(Write("bytes.s79", text));
    // Bytes pass unchanged; a NUL ends a line's text, and a line that starts
    // with one ends the file.
    EXPECT_EQ(use.items, std::vector<std::string>{"int \xC3\xA9t\xE9(char \xFF)"});
    EXPECT_EQ(use.view,
              "; C Function prototype: int \xC3\xA9t\xE9(char \xFF)\r\n"
              "; C Function prototype: int Cut(char a"
              "; C Function prototype: int After"
              "\x80\x81\xFE\xFF\r\n");

    const std::string header = "int \xE9t\xE9(char a);\nchar g(int " + nul + "x);\n\xFF\xFE int h(int a);\n";
    const LibraryUse headerUse = UseLibrary(Write("bytes.h", header));
    EXPECT_EQ(headerUse.items,
              (std::vector<std::string>{"int \xE9t\xE9(char a)", "char g(int ", "\xFF\xFE int h(int a)"}));
}

TEST_F(RobustLibraryTest, CarriageReturnOnlyLineEnds)
{
    // Without any line feed the file is one long physical line, read in
    // pieces of 255 bytes: only a prototype at the start of a piece counts,
    // and the view still holds every byte.
    std::string text = "; C Function prototype: int First(char a)\r; a:{0,1}\r\tRET\r\tENDMOD\r";
    for (int i = 0; i < 20; ++i)
        text += "; C Function prototype: int R" + std::to_string(i) + "(char a)\r\tRET\r\tENDMOD\r";
    const LibraryUse use = UseLibrary(Write("mac.s79", text));
    ASSERT_FALSE(use.items.empty());
    EXPECT_EQ(use.items.front(), "int First(char a)");
    std::string expanded;
    for (char c : text)
        expanded += c == '\t' ? std::string(4, ' ') : std::string(1, c);
    // Tabs expand within each 255-byte piece, so compare without blanks.
    auto withoutBlanks = [](std::string s) {
        std::erase(s, ' ');
        return s;
    };
    EXPECT_EQ(withoutBlanks(use.view), withoutBlanks(expanded));
    EXPECT_FALSE(use.block.empty());
}

TEST_F(RobustLibraryTest, HeaderRoutineNamesThatAreNoFileNames)
{
    // Declarations whose names hold separators, "..", wildcards, quotes or
    // nothing usable. The routine's source is always looked up inside the
    // header's folder, under a name of letters, digits and '_' only, or not
    // at all (the folder itself, which is never read).
    const std::string header = "int ../../etc/passwd(int a);\n"
                               "int a/b(int c);\n"
                               "int co:n?*(int d);\n"
                               "int \"q<u>o|te\"(int e);\n"
                               "int (*fp)(int f);\n"
                               "char *\xE9\xFF(int g);\n"
                               "int ..(int h);\n"
                               "int  (int i);\n";
    const std::string path = Write("odd.h", header);
    Write("passwd.s", "; C Function prototype: int ../../etc/passwd(int a)\n\tRET\n\tEND\n");

    FileLineReader reader(path);
    const auto items = CollectPrototypes(reader, true);
    ASSERT_GE(items.size(), 6u);
    for (const std::string& item : items) {
        SCOPED_TRACE(item);
        const std::string source = SourcePathFor(path, item);
        ASSERT_TRUE(source.starts_with(m_dir));
        const std::string name = source.substr(m_dir.size());
        EXPECT_EQ(name.find('/'), std::string::npos);
        if (!name.empty()) {
            EXPECT_TRUE(name.ends_with(".s"));
            for (char c : name.substr(0, name.size() - 2))
                EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '_') << name;
        }
        // Opening the folder itself or a missing name reads nothing.
        FileLineReader src(source);
        if (!src.IsOpen()) {
            FileLineReader cVariant(CVariantPath(source));
            EXPECT_EQ(ExtractSourceBlock(cVariant, item), "");
        }
    }
    // The one name that leads to a file finds it beside the header.
    EXPECT_EQ(SourcePathFor(path, "int ../../etc/passwd(int a)"), m_dir + "passwd.s");
    FileLineReader passwd(m_dir + "passwd.s");
    EXPECT_EQ(ExtractSourceBlock(passwd, "int ../../etc/passwd(int a)"),
              "; C Function prototype: int ../../etc/passwd(int a)\n    RET\n END\n");
}

} // namespace
