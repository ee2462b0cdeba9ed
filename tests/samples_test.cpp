// Structural checks on the sample libraries shipped beside the program: the
// prototype comment lines, the hint lines after them and the closing lines
// that the function list, the parameter panel and the source view rely on.
// The checks read the files with the program's own line reader.
#include "common/ByteText.h"
#include "library/LineReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using tovel::EndsWith;
using tovel::Find;
using tovel::StartsWith;

const std::string kCompanion = TOVEL_COMPANION_DIR;
const std::string kAsmLibrary = kCompanion + "/LibDev4410.s79";
const std::string kHeaderDir = kCompanion + "/Dev4410Hdr/";
const char* const kMarkers[] = {"; C Function prototype:", "@ C Function prototype:"};
constexpr size_t kMarkerLen = 23;

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    tovel::FileLineReader reader(path);
    if (!reader.IsOpen())
        return lines;
    for (std::string line = reader.ReadLine(); !line.empty(); line = reader.ReadLine())
        lines.push_back(line);
    return lines;
}

std::string WithoutLineEnd(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

std::string WithoutBlanks(const std::string& s)
{
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t')
            out += c;
    return out;
}

bool IsIdentChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsMarkerLine(const std::string& line)
{
    return StartsWith(line, kMarkers[0]) || StartsWith(line, kMarkers[1]);
}

bool IsHintLine(const std::string& line)
{
    return (StartsWith(line, ";") || StartsWith(line, "@")) && Find(line, ":{") >= 1 && Find(line, '}') >= 1;
}

// True when some word of the line (a run of identifier characters) begins with "END".
bool HasWordStartingWithEnd(const std::string& line)
{
    for (int p = Find(line, "END"); p >= 0; p = Find(line, "END", p + 1))
        if (p == 0 || !IsIdentChar(line[static_cast<size_t>(p - 1)]))
            return true;
    return false;
}

bool HasWord(const std::string& line, const std::string& word)
{
    for (int p = Find(line, word); p >= 0; p = Find(line, word, p + 1)) {
        const size_t after = static_cast<size_t>(p) + word.size();
        if ((p == 0 || !IsIdentChar(line[static_cast<size_t>(p - 1)]))
            && (after >= line.size() || !IsIdentChar(line[after])))
            return true;
    }
    return false;
}

// The parameter declarations between '(' and ')'; none for '()' or '(void)'.
std::vector<std::string> Parameters(const std::string& prototype)
{
    const int open = Find(prototype, '(');
    const int close = Find(prototype, ')');
    std::vector<std::string> params;
    if (open < 0 || close < open)
        return params;
    const std::string list = prototype.substr(static_cast<size_t>(open + 1), static_cast<size_t>(close - open - 1));
    const std::string bare = WithoutBlanks(list);
    if (bare.empty() || bare == "void")
        return params;
    std::string current;
    for (char c : list) {
        if (c == ',') {
            params.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    params.push_back(current);
    return params;
}

// A parameter's name: the last identifier of its declaration.
std::string LastIdentifier(const std::string& decl)
{
    size_t e = decl.size();
    while (e > 0 && !IsIdentChar(decl[e - 1]))
        --e;
    size_t b = e;
    while (b > 0 && IsIdentChar(decl[b - 1]))
        --b;
    return decl.substr(b, e - b);
}

struct Routine {
    std::string prototype; // marker and one blank cut off, up to the first ')'
    std::vector<std::string> params;
    std::vector<std::string> hints; // text between the braces, blanks removed
    char marker = ';';
};

// Walks every prototype comment line of a library source and checks what the
// program relies on: exactly one blank after the marker, one hint line per
// parameter naming that parameter, and a block that closes on its ENDMOD line
// before the next routine, with no other line that could end it earlier.
void CheckRoutines(const std::vector<std::string>& lines, const std::string& file, std::vector<Routine>& routines)
{
    routines.clear();
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!IsMarkerLine(line))
            continue;
        SCOPED_TRACE(file + " line " + std::to_string(i + 1));
        Routine r;
        r.marker = line[0];
        ASSERT_GT(line.size(), kMarkerLen + 1);
        EXPECT_EQ(line[kMarkerLen], ' ');
        EXPECT_NE(line[kMarkerLen + 1], ' ');
        EXPECT_NE(line[kMarkerLen + 1], '\t');
        const int close = Find(line, ')');
        ASSERT_GT(close, static_cast<int>(kMarkerLen + 3));
        r.prototype = line.substr(kMarkerLen + 1, static_cast<size_t>(close) - kMarkerLen);
        r.params = Parameters(r.prototype);

        for (size_t k = 0; k < r.params.size(); ++k) {
            ASSERT_LT(i + 1 + k, lines.size());
            const std::string& hint = lines[i + 1 + k];
            SCOPED_TRACE("hint line " + std::to_string(k + 1) + ": " + WithoutLineEnd(hint));
            ASSERT_TRUE(IsHintLine(hint));
            const std::string bare = WithoutBlanks(hint);
            const std::string name = LastIdentifier(r.params[k]);
            const std::string named = bare.substr(1, static_cast<size_t>(Find(bare, ":{")) - 1);
            EXPECT_TRUE(named == name || named == "*" + name) << "names '" << named << "', wants " << name;
            const int o = Find(bare, '{');
            r.hints.push_back(bare.substr(static_cast<size_t>(o + 1), static_cast<size_t>(Find(bare, '}') - o - 1)));
        }
        const size_t after = i + 1 + r.params.size();
        if (after < lines.size()) {
            EXPECT_FALSE(IsHintLine(lines[after])) << "more hint lines than parameters";
        }

        // The first following line holding "END" at all, as a word start or not,
        // must be the routine's own ENDMOD line.
        size_t j = i + 1;
        while (j < lines.size() && Find(lines[j], "END") < 0) {
            EXPECT_FALSE(IsMarkerLine(lines[j])) << "next routine begins before ENDMOD, line " << j + 1;
            ++j;
        }
        ASSERT_LT(j, lines.size()) << "no closing line";
        EXPECT_TRUE(HasWord(lines[j], "ENDMOD")) << "block ends on: " << WithoutLineEnd(lines[j]);
        EXPECT_TRUE(HasWordStartingWithEnd(lines[j]));
        routines.push_back(r);
    }
}

const char* const kAllSampleFiles[] = {
    "LibDev4410.s79",        "Dev4410Hdr/dev4410.h",    "Dev4410Hdr/PortRead.s",
    "Dev4410Hdr/AdcRead.s",  "Dev4410Hdr/TimerRead.s",  "Dev4410Hdr/TimerTicks.s",
    "Dev4410Hdr/UartGets.s", "Dev4410Hdr/EepromRead.c", "Dev4410Hdr/README.txt",
};

TEST(SampleLibraryTest, FilesUseCrLfShortLinesAndPlainAscii)
{
    for (const char* name : kAllSampleFiles) {
        SCOPED_TRACE(name);
        const auto lines = ReadLines(kCompanion + "/" + name);
        ASSERT_GT(lines.size(), 5u);
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            // A piece without a line feed would mean a line of 255 bytes or more
            // (or a missing line end on the last line).
            EXPECT_TRUE(EndsWith(line, "\r\n")) << "line " << i + 1;
            EXPECT_LT(line.size(), 100u) << "line " << i + 1;
            EXPECT_EQ(line.find('\r'), line.size() - 2) << "line " << i + 1;
            for (char c : line) {
                const auto b = static_cast<unsigned char>(c);
                EXPECT_TRUE(b == '\t' || b == '\r' || b == '\n' || (b >= 0x20 && b < 0x7F))
                    << "line " << i + 1 << " byte " << static_cast<int>(b);
            }
        }
    }
}

TEST(SampleLibraryTest, EveryRoutineHasItsHintLinesAndClosesOnEndmod)
{
    const auto lines = ReadLines(kAsmLibrary);
    ASSERT_FALSE(lines.empty()) << kAsmLibrary;
    std::vector<Routine> routines;
    ASSERT_NO_FATAL_FAILURE(CheckRoutines(lines, "LibDev4410.s79", routines));
    EXPECT_GE(routines.size(), 12u);
    EXPECT_EQ(WithoutBlanks(WithoutLineEnd(lines.back())), "END");

    // The panel and the source view take the first line that holds the chosen
    // prototype text, so no prototype may hide inside another one's line.
    std::set<std::string> seen;
    for (const auto& r : routines) {
        EXPECT_TRUE(seen.insert(r.prototype).second) << "twice: " << r.prototype;
        for (const auto& line : lines)
            if (IsMarkerLine(line) && line.find(r.prototype) != std::string::npos) {
                EXPECT_EQ(line.find(r.prototype), kMarkerLen + 1) << r.prototype << " inside " << line;
            }
    }
}

TEST(SampleLibraryTest, CoversEveryHintKindAndPrototypeShape)
{
    std::vector<Routine> routines;
    ASSERT_NO_FATAL_FAILURE(CheckRoutines(ReadLines(kAsmLibrary), "LibDev4410.s79", routines));
    ASSERT_FALSE(routines.empty());
    bool choice = false, options = false, range = false, tool = false, empty = false;
    bool noParams = false, fiveParams = false, pointer = false, unsignedChar = false;
    bool semicolon = false, at = false;
    for (const auto& r : routines) {
        for (const auto& h : r.hints) {
            choice |= Find(h, ',') >= 1;
            options |= Find(h, '|') >= 1;
            range |= Find(h, '-') >= 1;
            tool |= Find(h, ".exe") >= 1;
            empty |= h.empty();
        }
        for (const auto& p : r.params)
            pointer |= Find(p, '*') >= 0;
        noParams |= r.params.empty();
        fiveParams |= r.params.size() == 5;
        unsignedChar |= StartsWith(r.prototype, "unsigned char ");
        semicolon |= r.marker == ';';
        at |= r.marker == '@';
    }
    EXPECT_TRUE(choice);
    EXPECT_TRUE(options);
    EXPECT_TRUE(range);
    EXPECT_TRUE(tool);
    EXPECT_TRUE(empty);
    EXPECT_TRUE(noParams);
    EXPECT_TRUE(fiveParams);
    EXPECT_TRUE(pointer);
    EXPECT_TRUE(unsignedChar);
    EXPECT_TRUE(semicolon);
    EXPECT_TRUE(at);
}

#ifndef _WIN32
TEST(SampleLibraryTest, ToolProgramOfEachHintRunsBesideTheLibrary)
{
    std::vector<Routine> routines;
    ASSERT_NO_FATAL_FAILURE(CheckRoutines(ReadLines(kAsmLibrary), "LibDev4410.s79", routines));
    std::set<std::string> tools;
    for (const auto& r : routines)
        for (const auto& h : r.hints)
            if (Find(h, ".exe") >= 1)
                tools.insert(h);
    ASSERT_FALSE(tools.empty());
    for (const auto& tool : tools) {
        // The program is started as the library's folder followed by the hint.
        const std::string command = kCompanion + "/" + tool;
        ASSERT_EQ(access(command.c_str(), X_OK), 0) << command;
        FILE* out = popen(command.c_str(), "r");
        ASSERT_NE(out, nullptr);
        std::string text;
        char buf[512];
        for (size_t got; (got = fread(buf, 1, sizeof buf, out)) > 0;)
            text.append(buf, got);
        const int status = pclose(out);
        ASSERT_TRUE(WIFEXITED(status)) << command;
        EXPECT_EQ(WEXITSTATUS(status), 0) << command;
        EXPECT_NE(text.find("9600"), std::string::npos) << text;
    }
}
#endif

// Header normalisation as the scanner lists declarations, kept here so that
// the sample files are checked against the rule rather than against the code.
bool ListedDeclaration(const std::string& line, std::string& text)
{
    std::string t = line;
    const char* const cuts[] = {";", "//", "/*"};
    for (const char* cut : cuts) {
        const int p = Find(t, cut);
        if (p >= 1) {
            t.resize(static_cast<size_t>(p));
            break;
        }
    }
    const int close = Find(t, ')');
    if (close >= 5)
        t.resize(static_cast<size_t>(close) + 1);
    tovel::ReplaceAll(t, "\t", " ");
    while (Find(t, "  ") >= 0)
        tovel::ReplaceAll(t, "  ", " ");
    tovel::ReplaceAll(t, " ,", ",");
    tovel::ReplaceAll(t, ", ", ",");
    tovel::ReplaceAll(t, ",", ", ");
    tovel::ReplaceAll(t, "( ", "(");
    tovel::ReplaceAll(t, " (", "(");
    tovel::ReplaceAll(t, " )", ")");
    tovel::ReplaceAll(t, "extern ", "");
    text = t;

    const size_t lead = line.find_first_not_of(" \t");
    if (lead != std::string::npos && (line.compare(lead, 2, "//") == 0 || line.compare(lead, 2, "/*") == 0))
        return false;
    const int open = tovel::ReverseFind(t, '(');
    const std::string head = tovel::Left(t, open);
    const int blank = tovel::ReverseFind(head, ' ');
    if (blank < 3)
        return false;
    const std::string type = head.substr(0, static_cast<size_t>(blank));
    const std::string word = tovel::Mid(type, tovel::ReverseFind(type, ' ') + 1);
    static const std::set<std::string> kTypes = {"int", "char", "long", "double", "unsigned", "uint", "short"};
    return kTypes.count(word) > 0;
}

struct HeaderRoutine {
    const char* prototype;
    const char* source;
};

const HeaderRoutine kHeaderRoutines[] = {
    {"unsigned char PortRead(char port)", "PortRead.s"},
    {"int AdcRead(char channel)", "AdcRead.s"},
    {"unsigned TimerRead(char timer)", "TimerRead.s"},
    {"long TimerTicks(void)", "TimerTicks.s"},
    {"char *UartGets(char *buf, unsigned char size)", "UartGets.s"},
    {"unsigned char EepromRead(uint addr)", "EepromRead.c"},
};

TEST(SampleHeaderLibraryTest, HeaderListsExactlyTheRoutinesWithSources)
{
    const auto lines = ReadLines(kHeaderDir + "dev4410.h");
    ASSERT_FALSE(lines.empty());
    std::vector<std::string> listed;
    bool voidSeen = false, commentedSeen = false;
    for (const auto& line : lines) {
        std::string text;
        if (ListedDeclaration(line, text))
            listed.push_back(text);
        voidSeen |= StartsWith(line, "extern void ");
        commentedSeen |= StartsWith(line, "// extern int ");
    }
    std::vector<std::string> expected;
    for (const auto& r : kHeaderRoutines)
        expected.push_back(r.prototype);
    EXPECT_EQ(listed, expected);
    // The header also shows what is deliberately left out of the list.
    EXPECT_TRUE(voidSeen);
    EXPECT_TRUE(commentedSeen);
}

TEST(SampleHeaderLibraryTest, EachSourceHoldsTheListedPrototypeAndItsBlock)
{
    for (const auto& expected : kHeaderRoutines) {
        SCOPED_TRACE(expected.source);
        // Named after the routine, pointer stars left out.
        const std::string proto = expected.prototype;
        const std::string head = proto.substr(0, proto.find('('));
        const std::string name = LastIdentifier(head);
        const std::string source = expected.source;
        EXPECT_EQ(source.substr(0, source.rfind('.')), name);

        const auto lines = ReadLines(kHeaderDir + source);
        ASSERT_FALSE(lines.empty());
        std::vector<Routine> routines;
        ASSERT_NO_FATAL_FAILURE(CheckRoutines(lines, source, routines));
        ASSERT_EQ(routines.size(), 1u);
        EXPECT_EQ(routines[0].prototype, proto);
        if (EndsWith(source, ".c")) {
            EXPECT_EQ(WithoutLineEnd(lines.back()), "/* ENDMOD */");
        }
    }
}

} // namespace
