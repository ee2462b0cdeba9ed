// Line-by-line reading of library and source files.
//
// A line is at most 255 bytes and ends with (and keeps) its line feed; a
// carriage return before the line feed stays part of the line. The text of a
// line ends at its first NUL byte. An empty line means the end of the input,
// so a line that begins with NUL also ends reading for every caller.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

inline constexpr size_t kMaxLinePiece = 255;

class LineSource {
public:
    virtual ~LineSource() = default;
    // Replaces out with the next line; empty at the end of the input.
    virtual void ReadLineInto(std::string& out) = 0;
    std::string ReadLine()
    {
        std::string line;
        ReadLineInto(line);
        return line;
    }
    // The next line as a view that stays valid until the next read; empty
    // at the end of the input. Readers that hold their bytes hand out views
    // of them, so a scan copies only the lines it keeps.
    virtual std::string_view NextLine()
    {
        ReadLineInto(m_line);
        return m_line;
    }
    // How many bytes the whole input holds, when known (0 when not), so that
    // a reader of all of it can make room once.
    virtual size_t SizeHint() const { return 0; }
    // Moves the reading position forward over whole lines, and whole pieces
    // of a long line, in which text does not occur, so that a search for the
    // lines that hold text reads only those. The lines read next are the
    // same as without the skip, less the skipped ones; a reader may skip
    // less, or nothing (as this default does). Skipping stops before a NUL
    // byte, whose piece may end the input.
    virtual void SkipToLineWith(std::string_view text) { (void)text; }

    // How the line read last ended: the bytes it took from the input (more
    // than its text when a NUL byte cut it, 0 at the end of the input) and
    // whether a line feed ended it.
    struct PieceEnd {
        size_t bytes = 0;
        bool lineFeed = false;
    };
    virtual PieceEnd LastPieceEnd() const { return {m_line.size(), !m_line.empty() && m_line.back() == '\n'}; }
    // True when no byte of the input is left to read.
    virtual bool AtEnd() { return false; }

private:
    std::string m_line;
};

// Finds a fixed text fast; built once for the text and reused.
class TextSearcher {
public:
    explicit TextSearcher(std::string_view text);
    TextSearcher(const TextSearcher&) = delete;
    TextSearcher& operator=(const TextSearcher&) = delete;
    const std::string& Text() const { return m_text; }
    // The first occurrence wholly inside [first, last), or last.
    const char* Find(const char* first, const char* last) const;

private:
    std::string m_text;
    size_t m_shift[256];
};

// Where a reader at piece start pos of buf[0, end) may skip to while looking
// for the searcher's text: the start of the piece that holds its first
// occurrence in [pos, end) (hit), or, without one, a piece start before the
// last bytes where an occurrence may still begin (all of them when atEnd).
// blocked when the skipped bytes hold a NUL: then pos stays.
struct PieceSkip {
    size_t pos = 0;
    bool hit = false;
    bool blocked = false;
};
PieceSkip SkipPiecesWithout(const char* buf, size_t pos, size_t end, bool atEnd, const TextSearcher& searcher);

// Cuts the next line out of buf[pos, size): advances pos and fills out.
void NextLinePiece(const char* buf, size_t size, size_t& pos, std::string& out);
// The same as a view of buf.
std::string_view NextLinePieceView(const char* buf, size_t size, size_t& pos);

// Reads lines from text held in memory.
class StringLineReader : public LineSource {
public:
    explicit StringLineReader(std::string text);
    void ReadLineInto(std::string& out) override;
    std::string_view NextLine() override;
    void SkipToLineWith(std::string_view text) override;
    PieceEnd LastPieceEnd() const override { return m_last; }
    bool AtEnd() override { return m_pos >= m_text.size(); }

private:
    std::string m_text;
    size_t m_pos = 0;
    PieceEnd m_last;
    std::unique_ptr<TextSearcher> m_searcher;
    bool m_skipBlocked = false;
};

// Reads lines from a file in buffered blocks. Only regular files are opened:
// a folder, a device or a pipe counts as a file that cannot be opened, so a
// reader never blocks on one.
class FileLineReader : public LineSource {
public:
    FileLineReader() = default;
    explicit FileLineReader(const std::string& path) { Open(path); }
    ~FileLineReader() override;
    FileLineReader(const FileLineReader&) = delete;
    FileLineReader& operator=(const FileLineReader&) = delete;

    bool Open(const std::string& path);
    bool IsOpen() const { return m_fd >= 0; }
    // Why the last Open failed, or why reading stopped short ("no such
    // file", "it is a folder", the system's text); empty when neither did.
    const std::string& Failure() const { return m_failure; }
    void Close();
    void ReadLineInto(std::string& out) override;
    std::string_view NextLine() override;
    size_t SizeHint() const override { return m_size; }
    void SkipToLineWith(std::string_view text) override;
    PieceEnd LastPieceEnd() const override { return m_last; }
    bool AtEnd() override;

private:
    bool Refuse(std::string reason);
    bool Fill();
    // Makes sure a whole piece (up to 255 bytes or a line feed) is buffered.
    void BufferPiece();

    int m_fd = -1;
    std::vector<char> m_buf;
    size_t m_pos = 0;
    size_t m_end = 0;
    bool m_eof = false;
    size_t m_size = 0;
    std::unique_ptr<TextSearcher> m_searcher;
    bool m_skipBlocked = false;
    PieceEnd m_last;
    std::string m_failure;
};

// True when path names an existing regular file that can be opened for reading.
bool CanOpenForReading(const std::string& path);

} // namespace tovel
