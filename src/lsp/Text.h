// Text as the protocol carries it: UTF-8 repair and Latin-1 fallback for
// bytes that are not UTF-8, positions in the client's units, file URIs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tovel::lsp {

// How a position's character counts: UTF-16 code units (the default) or bytes.
enum class Encoding { Utf16, Utf8 };

// The length of the well-formed UTF-8 sequence at text[i], or 0 when the
// byte there begins none.
size_t Utf8SequenceAt(std::string_view text, size_t i);

// The text with every byte that is not part of a well-formed UTF-8 sequence
// replaced by U+FFFD, so that a message with a stray byte still parses.
std::string RepairUtf8(std::string_view text);

// The text for showing: UTF-8 sequences as they are, any other byte as its
// Latin-1 character (a library written in an 8-bit code page).
std::string ShownText(std::string_view text);

// The units of text in the encoding; a byte that is not UTF-8 counts one.
uint64_t UnitsOf(std::string_view text, Encoding encoding);

struct Position {
    int64_t line = 0;
    int64_t character = 0;
};

// The line starts of a document (a line ends at LF) and the conversions
// between byte offsets and positions.
class LineIndex {
public:
    explicit LineIndex(std::string_view text);

    size_t Lines() const { return m_starts.size(); }
    // The byte offset of a line (from 0) and byte column (from 0), within the text.
    size_t OffsetAt(size_t line, size_t byteColumn) const;
    // The line without its line end (a CR before the LF is dropped too).
    std::string_view Line(size_t line) const;
    // The byte offset of a position; past a line's end it is the line's end,
    // past the last line the text's end.
    size_t Offset(Position position, Encoding encoding) const;
    // The position of a byte offset.
    Position PositionOf(size_t offset, Encoding encoding) const;
    // The position of a line (from 0) and byte column (from 0).
    Position PositionAt(size_t line, size_t byteColumn, Encoding encoding) const;

private:
    std::string_view m_text;
    std::vector<size_t> m_starts;
};

// The local path of a file: URI ("file:///a%20b/c.c" -> "/a b/c.c"; on
// Windows "file:///C:/x" -> "C:/x"); empty for another scheme.
std::string UriToPath(std::string_view uri);
// The file: URI of an absolute path.
std::string PathToUri(std::string_view path);

} // namespace tovel::lsp
