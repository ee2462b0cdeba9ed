// A byte text cut into lines for display: an index of line starts (the
// lines counted first, then indexed), the widest line's columns (LineCells
// tells how a line's bytes become cells), and case-insensitive searches.
#pragma once

#include "common/LargeBuffer.h"
#include "common/LineCells.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tovel {

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
    // The widest line in display columns.
    size_t MaxColumns() const { return m_maxColumns; }

private:
    SharedBytes m_text;
    std::vector<uint32_t, LargePageAllocator<uint32_t>> m_starts;
    size_t m_maxColumns = 0;
};

// The most bytes a ByteLines indexes; the rest of a longer text is not shown.
inline constexpr size_t kByteLinesMaxBytes = UINT32_MAX;

// The next occurrence of what in text, letters compared without case (ASCII),
// searching forward from position from (inclusive) or backward from before
// it, and wrapping around the end. npos when there is none.
size_t FindNoCase(std::string_view text, std::string_view what, size_t from, bool forward);

// The same for a text typed as UTF-8, found where the lines show it (each
// line read as LineCells reads it): its UTF-8 bytes in a UTF-8 line, its
// Windows-1252 bytes in any other. The position and length in bytes of the
// match; npos when there is none.
struct ShownMatch {
    size_t pos = std::string_view::npos;
    size_t bytes = 0;
};
ShownMatch FindShown(const ByteLines& lines, std::string_view what, size_t from, bool forward);

} // namespace tovel
