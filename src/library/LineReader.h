// Line-by-line reading of library and source files.
//
// A line is at most 255 bytes and ends with (and keeps) its line feed; a
// carriage return before the line feed stays part of the line. The text of a
// line ends at its first NUL byte. An empty line means the end of the input,
// so a line that begins with NUL also ends reading for every caller.
#pragma once

#include <cstddef>
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

private:
    std::string m_line;
};

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

private:
    std::string m_text;
    size_t m_pos = 0;
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
    void Close();
    void ReadLineInto(std::string& out) override;
    std::string_view NextLine() override;
    size_t SizeHint() const override { return m_size; }

private:
    bool Fill();
    // Makes sure a whole piece (up to 255 bytes or a line feed) is buffered.
    void BufferPiece();

    int m_fd = -1;
    std::vector<char> m_buf;
    size_t m_pos = 0;
    size_t m_end = 0;
    bool m_eof = false;
    size_t m_size = 0;
};

// True when path names an existing regular file that can be opened for reading.
bool CanOpenForReading(const std::string& path);

} // namespace tovel
