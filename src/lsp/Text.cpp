#include "lsp/Text.h"

#include <algorithm>

namespace tovel::lsp {

namespace {

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

size_t Utf8SequenceAt(std::string_view text, size_t i)
{
    const auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = at(i);
    if (c < 0x80)
        return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the bounds of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0;
        else if (c == 0xED)
            high = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        else if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size() || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if (!IsContinuation(at(i + k)))
            return 0;
    return length;
}

namespace {

// Where the run of ASCII bytes from i ends.
size_t AsciiRunEnd(std::string_view text, size_t i)
{
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
        ++i;
    return i;
}

// Copies text, valid UTF-8 as it is and each other byte as invalid(out, byte) writes it.
template <class Invalid>
std::string CopyUtf8(std::string_view text, Invalid invalid)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        // A run of ASCII bytes is taken at once.
        const size_t ascii = AsciiRunEnd(text, i);
        if (ascii > i) {
            out.append(text.substr(i, ascii - i));
            i = ascii;
            continue;
        }
        const size_t length = Utf8SequenceAt(text, i);
        if (length == 0) {
            invalid(out, static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

} // namespace

std::string RepairUtf8(std::string_view text)
{
    return CopyUtf8(text, [](std::string& out, unsigned char) { out += "\xEF\xBF\xBD"; });
}

std::string ShownText(std::string_view text)
{
    return CopyUtf8(text, [](std::string& out, unsigned char c) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    });
}

uint64_t UnitsOf(std::string_view text, Encoding encoding)
{
    if (encoding == Encoding::Utf8)
        return text.size();
    uint64_t units = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceAt(text, i);
        units += length == 4 ? 2 : 1;
        i += length == 0 ? 1 : length;
    }
    return units;
}

LineIndex::LineIndex(std::string_view text) : m_text(text)
{
    m_starts.push_back(0);
    for (size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1))
        m_starts.push_back(i + 1);
}

std::string_view LineIndex::Line(size_t line) const
{
    if (line >= m_starts.size())
        return {};
    const size_t start = m_starts[line];
    size_t end = line + 1 < m_starts.size() ? m_starts[line + 1] - 1 : m_text.size();
    if (end > start && m_text[end - 1] == '\r')
        --end;
    return m_text.substr(start, end - start);
}

size_t LineIndex::Offset(Position position, Encoding encoding) const
{
    if (position.line < 0)
        return 0;
    if (static_cast<uint64_t>(position.line) >= m_starts.size())
        return m_text.size();
    const std::string_view line = Line(static_cast<size_t>(position.line));
    const size_t start = m_starts[static_cast<size_t>(position.line)];
    int64_t left = position.character;
    size_t i = 0;
    while (i < line.size() && left > 0) {
        const size_t length = Utf8SequenceAt(line, i);
        const size_t bytes = length == 0 ? 1 : length;
        const int64_t units = encoding == Encoding::Utf8 ? static_cast<int64_t>(bytes) : (length == 4 ? 2 : 1);
        if (units > left)
            break; // inside a character: its start
        left -= units;
        i += bytes;
    }
    return start + i;
}

size_t LineIndex::OffsetAt(size_t line, size_t byteColumn) const
{
    if (line >= m_starts.size())
        return m_text.size();
    return std::min(m_starts[line] + byteColumn, m_text.size());
}

Position LineIndex::PositionOf(size_t offset, Encoding encoding) const
{
    offset = std::min(offset, m_text.size());
    const size_t line =
        static_cast<size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), offset) - m_starts.begin()) - 1;
    return PositionAt(line, offset - m_starts[line], encoding);
}

Position LineIndex::PositionAt(size_t line, size_t byteColumn, Encoding encoding) const
{
    if (line >= m_starts.size())
        return {static_cast<int64_t>(line), 0};
    const size_t start = m_starts[line];
    const size_t end = line + 1 < m_starts.size() ? m_starts[line + 1] : m_text.size();
    const size_t column = std::min(byteColumn, end - start);
    return {static_cast<int64_t>(line), static_cast<int64_t>(UnitsOf(m_text.substr(start, column), encoding))};
}

std::string UriToPath(std::string_view uri)
{
    constexpr std::string_view kScheme = "file://";
    if (uri.size() < kScheme.size() || uri.substr(0, kScheme.size()) != kScheme)
        return {};
    uri.remove_prefix(kScheme.size());
    // "file://host/path": the authority is dropped (localhost and empty).
    const size_t slash = uri.find('/');
    if (slash == std::string_view::npos)
        return {};
    uri.remove_prefix(slash);
    std::string path;
    path.reserve(uri.size());
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && HexValue(uri[i + 1]) >= 0 && HexValue(uri[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(uri[i + 1]) * 16 + HexValue(uri[i + 2]));
            i += 2;
        } else {
            path += uri[i];
        }
    }
#ifdef _WIN32
    // "/C:/x" -> "C:/x"
    if (path.size() >= 3 && path[0] == '/' && path[2] == ':')
        path.erase(0, 1);
#endif
    return path;
}

std::string PathToUri(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':')
        uri += '/';
#endif
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
#ifdef _WIN32
        if (c == '\\') {
            uri += '/';
            continue;
        }
#endif
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '/' || c == '-'
            || c == '.' || c == '_' || c == '~' || c == ':') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[u >> 4];
            uri += kHex[u & 15];
        }
    }
    return uri;
}

} // namespace tovel::lsp
