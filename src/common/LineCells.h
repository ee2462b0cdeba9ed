// How the source view turns the bytes of a line into characters, one display
// cell each. Every line is read on its own: a line that is valid UTF-8 shows
// as UTF-8, any other line shows each byte as its Windows-1252 character
// (the five bytes that code page leaves unassigned as their Latin-1 control
// characters). A tab runs to the next 4-column stop; every other cell takes
// one column.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tovel {

inline constexpr size_t kViewTabWidth = 4;

// True when every byte belongs to a well-formed UTF-8 sequence (no overlong
// forms, no surrogates, nothing past U+10FFFF).
bool IsUtf8(std::string_view text);

// The length of the well-formed UTF-8 sequence at pos (1 for ASCII), or 0
// when none starts there.
size_t Utf8SequenceLength(std::string_view text, size_t pos);
// The character of the well-formed sequence of n bytes at p (n from
// Utf8SequenceLength).
char32_t DecodeUtf8(const char* p, size_t n);

// The character a Windows-1252 byte stands for.
char32_t Cp1252Char(unsigned char byte);

// The character a cell is drawn with: control characters as their symbols
// (U+2400 on), C1 controls as U+FFFD; anything else as itself.
char32_t DrawnChar(char32_t c);

void AppendUtf8(std::string& out, char32_t c);

// A text typed as UTF-8 in the bytes a Windows-1252 line would hold it; empty
// when one of its characters has no byte there (or the text is not UTF-8).
std::string ToCp1252(std::string_view utf8);

// Where a column falls in a line: the byte position of a cell boundary (the
// line's length past its end), and that boundary's column.
struct ColumnPlace {
    size_t pos = 0;
    size_t column = 0;
};

// A line as its cells. Byte positions given to it are cell boundaries.
class LineCells {
public:
    explicit LineCells(std::string_view line) : LineCells(line, IsUtf8(line)) {}
    // With the reading already known (utf8 only when IsUtf8(line)).
    LineCells(std::string_view line, bool utf8) : m_line(line), m_utf8(utf8) {}

    std::string_view Bytes() const { return m_line; }
    bool Utf8() const { return m_utf8; }

    // The bytes of the cell at pos, and its character.
    size_t CellBytes(size_t pos) const;
    char32_t CharAt(size_t pos) const;
    // The columns the cell at pos takes when it starts at column col.
    size_t CellColumns(size_t pos, size_t col) const
    {
        return m_line[pos] == '\t' ? kViewTabWidth - col % kViewTabWidth : 1;
    }
    // The start of the cell that ends at pos (pos > 0).
    size_t PreviousBoundary(size_t pos) const;

    // The column of the boundary at pos, walking from a known boundary.
    size_t ColumnOf(size_t pos, ColumnPlace from = {}) const;
    // The cell that covers the column (its start).
    ColumnPlace CellAtColumn(size_t column, ColumnPlace from = {}) const;
    // The boundary nearest to the column: for a click between two cells.
    ColumnPlace NearestBoundary(size_t column, ColumnPlace from = {}) const;
    // The columns of the whole line.
    size_t Columns() const;

    // The characters of the bytes [from, to) as UTF-8, appended to out.
    void AppendText(std::string& out, size_t from, size_t to) const;

private:
    std::string_view m_line;
    bool m_utf8;
};

} // namespace tovel
