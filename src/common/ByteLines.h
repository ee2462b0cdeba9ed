// A byte text cut into lines for display: an index of line starts (the
// lines counted first, then indexed), the display columns of a line (tabs to
// 4-column stops, one column per character), and a case-insensitive search.
#pragma once

#include "common/LargeBuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

inline constexpr size_t kViewTabWidth = 4;

// The text is shared, never copied: the holder of the text and every view
// of it point to the same bytes.
using SharedBytes = std::shared_ptr<const std::string>;

// A line ends at LF, CR LF or a lone CR; the last line is the bytes after
// the last line end (an empty text, or one ending in a line end, has an
// empty last line, as an edit control shows it).
class ByteLines {
public:
    ByteLines();
    explicit ByteLines(SharedBytes text);

    const std::string& Text() const { return *m_text; }
    const SharedBytes& Shared() const { return m_text; }
    size_t Count() const { return m_starts.size(); }
    // Byte position of the line's first byte, and of its line end.
    size_t Start(size_t line) const { return m_starts[line]; }
    size_t End(size_t line) const;
    // The line without its line end.
    std::string_view Line(size_t line) const;
    // The line that holds byte position pos (a line end belongs to its line).
    size_t LineOf(size_t pos) const;
    // The widest line in display columns, or an upper bound of it.
    size_t MaxColumns() const { return m_maxColumns; }

private:
    SharedBytes m_text;
    std::vector<uint32_t, LargePageAllocator<uint32_t>> m_starts;
    size_t m_maxColumns = 0;
};

// The most bytes a ByteLines indexes; the rest of a longer text is not shown.
inline constexpr size_t kByteLinesMaxBytes = UINT32_MAX;

// The bytes of one display cell starting at pos: a tab, a whole UTF-8
// sequence, or a single byte (a byte that starts no valid sequence).
size_t CellBytes(std::string_view line, size_t pos);
// The columns a cell at column col takes: a tab up to the next stop, else 1.
inline size_t CellColumns(std::string_view line, size_t pos, size_t col)
{
    return line[pos] == '\t' ? kViewTabWidth - col % kViewTabWidth : 1;
}
// Display column of byte position pos of the line (pos at a cell boundary).
size_t ColumnOfByte(std::string_view line, size_t pos);

// Where a column falls in a line: the byte position of the cell boundary
// nearest to it (the line's length past its end), and that boundary's column.
struct ColumnPlace {
    size_t pos = 0;
    size_t column = 0;
};
// The cell that covers the column (its start), walking from a known boundary.
ColumnPlace CellAtColumn(std::string_view line, size_t column, ColumnPlace from = {});
// The boundary nearest to the column: for a click between two cells.
ColumnPlace NearestBoundary(std::string_view line, size_t column, ColumnPlace from = {});

// The next occurrence of what in text, letters compared without case (ASCII),
// searching forward from position from (inclusive) or backward from before
// it, and wrapping around the end. npos when there is none.
size_t FindNoCase(std::string_view text, std::string_view what, size_t from, bool forward);

} // namespace tovel
