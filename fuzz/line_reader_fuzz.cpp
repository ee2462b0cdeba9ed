// The line reader: the buffered file reader must cut a file into exactly the
// lines that the in-memory reader cuts from the same bytes, and both must
// follow the line rules (at most 255 bytes, a line feed ends a line, the text
// ends at a NUL, an empty line ends the input). Skipping to the next line
// that holds a text may leave out only lines without it. The first input
// byte moves the text across the file reader's block edge.
#include "FuzzSupport.h"

#include "library/LineReader.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr size_t kBlock = 64 * 1024;

// The lines by the rules, written out plainly.
std::vector<std::string> ReferenceLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t len = 0;
        while (pos + len < text.size() && len < tovel::kMaxLinePiece) {
            ++len;
            if (text[pos + len - 1] == '\n')
                break;
        }
        std::string line = text.substr(pos, len);
        pos += len;
        line = line.substr(0, line.find('\0'));
        if (line.empty())
            break;
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> ReadAll(tovel::LineSource& source)
{
    std::vector<std::string> lines;
    std::string line;
    for (source.ReadLineInto(line); !line.empty(); source.ReadLineInto(line))
        lines.push_back(line);
    return lines;
}

// The same through the views a scan uses.
std::vector<std::string> ViewAll(tovel::LineSource& source)
{
    std::vector<std::string> lines;
    for (std::string_view line = source.NextLine(); !line.empty(); line = source.NextLine())
        lines.emplace_back(line);
    return lines;
}

// A source that only knows how to copy lines out, so that the default view
// of the base class is used.
class CopyingSource : public tovel::LineSource {
public:
    explicit CopyingSource(std::string text) : m_reader(std::move(text)) {}
    void ReadLineInto(std::string& out) override { m_reader.ReadLineInto(out); }

private:
    tovel::StringLineReader m_reader;
};

// Reads with a skip before every line; every line read must be one of the
// plain lines, in order, and every plain line left out must lack needle.
bool SkipLeavesOutOnlyLinesWithout(tovel::LineSource& source, const std::vector<std::string>& lines,
                                   const std::string& needle)
{
    size_t at = 0;
    for (;;) {
        source.SkipToLineWith(needle);
        const std::string line = source.ReadLine();
        if (line.empty())
            break;
        while (at < lines.size() && lines[at] != line) {
            if (lines[at].find(needle) != std::string::npos)
                return false;
            ++at;
        }
        if (at == lines.size())
            return false;
        ++at;
    }
    for (; at < lines.size(); ++at)
        if (lines[at].find(needle) != std::string::npos)
            return false;
    return true;
}

// A text to skip to, taken from the input itself so that it occurs.
std::string NeedleOf(const std::string& text)
{
    if (text.empty())
        return "x";
    return text.substr(text.size() / 2, 1 + text.size() % 12);
}

std::string ScratchFile()
{
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tovel-line-fuzz-" + std::to_string(::getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tovel::fuzz::Input in(data, size);
    const unsigned shift = in.Byte();
    std::string text = in.Rest();
    // Filler lines so that the fuzzed bytes start just before the block
    // edge (by up to 255 bytes), or at the start when shift is 0.
    if (shift != 0) {
        const size_t fill = kBlock - shift;
        const std::string fillLine = std::string(tovel::kMaxLinePiece - 1, 'x') + "\n";
        std::string filler;
        filler.reserve(fill + text.size());
        while (filler.size() + fillLine.size() <= fill)
            filler += fillLine;
        filler.append(fill - filler.size(), 'x');
        text = filler + text;
    }

    tovel::StringLineReader fromString(text);
    const auto lines = ReadAll(fromString);
    FUZZ_CHECK(lines == ReferenceLines(text));
    {
        tovel::StringLineReader viewed(text);
        FUZZ_CHECK(ViewAll(viewed) == lines);
        CopyingSource copied(text);
        FUZZ_CHECK(ViewAll(copied) == lines);
    }
    const std::string needle = NeedleOf(text);
    {
        tovel::StringLineReader skipping(text);
        FUZZ_CHECK(SkipLeavesOutOnlyLinesWithout(skipping, lines, needle));
    }
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.size() <= tovel::kMaxLinePiece);
        FUZZ_CHECK(line.find('\0') == std::string::npos);
        FUZZ_CHECK(line.find('\n') == std::string::npos || line.find('\n') == line.size() - 1);
    }

    const std::string path = ScratchFile();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0);
    for (size_t done = 0; done < text.size();) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        FUZZ_CHECK(wrote > 0);
        done += static_cast<size_t>(wrote);
    }
    ::close(fd);
    {
        tovel::FileLineReader fromFile(path);
        FUZZ_CHECK(fromFile.IsOpen());
        FUZZ_CHECK(ReadAll(fromFile) == lines);
        tovel::FileLineReader viewed(path);
        FUZZ_CHECK(ViewAll(viewed) == lines);
        // Views and copies mixed, as readers may be used.
        tovel::FileLineReader mixed(path);
        std::vector<std::string> both;
        for (size_t i = 0;; ++i) {
            std::string next = i % 2 ? std::string(mixed.NextLine()) : mixed.ReadLine();
            if (next.empty())
                break;
            both.push_back(next);
        }
        FUZZ_CHECK(both == lines);
        tovel::FileLineReader skipping(path);
        FUZZ_CHECK(SkipLeavesOutOnlyLinesWithout(skipping, lines, needle));
    }
    ::unlink(path.c_str());
    return 0;
}
