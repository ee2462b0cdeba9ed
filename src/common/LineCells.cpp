#include "common/LineCells.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tovel {

namespace {

// The characters of the bytes 0x80 to 0x9F; the rest are their Latin-1 selves.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

size_t Utf8SequenceLength(std::string_view text, size_t pos)
{
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80)
        return 1;
    size_t n = 0;
    unsigned char min2 = 0x80, max2 = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0)
            min2 = 0xA0;
        else if (b == 0xED)
            max2 = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0)
            min2 = 0x90;
        else if (b == 0xF4)
            max2 = 0x8F;
    } else {
        return 0;
    }
    if (n > text.size() - pos)
        return 0;
    for (size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + i]);
        if (c < (i == 1 ? min2 : 0x80) || c > (i == 1 ? max2 : 0xBF))
            return 0;
    }
    return n;
}

char32_t DecodeUtf8(const char* p, size_t n)
{
    const auto b = static_cast<unsigned char>(p[0]);
    if (n == 1)
        return b;
    char32_t c = b & (0x7F >> n);
    for (size_t i = 1; i < n; ++i)
        c = (c << 6) | (static_cast<unsigned char>(p[i]) & 0x3F);
    return c;
}

namespace {

bool AllAscii(const char* p, size_t n)
{
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    return true;
}

} // namespace

bool IsUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        // Runs of ASCII a word at a time.
        while (i + 8 <= text.size() && AllAscii(text.data() + i, 8))
            i += 8;
        if (i >= text.size())
            break;
        const size_t n = Utf8SequenceLength(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

char32_t Cp1252Char(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
}

char32_t DrawnChar(char32_t c)
{
    if (c < 0x20)
        return 0x2400 + c;
    if (c == 0x7F)
        return 0x2421;
    if (c >= 0x80 && c < 0xA0)
        return 0xFFFD;
    return c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string ToCp1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t n = Utf8SequenceLength(utf8, i);
        if (n == 0)
            return {};
        const char32_t c = DecodeUtf8(utf8.data() + i, n);
        i += n;
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            out += static_cast<char>(c);
            continue;
        }
        size_t b = 0;
        while (b < 32 && kCp1252High[b] != c)
            ++b;
        if (b == 32)
            return {};
        out += static_cast<char>(0x80 + b);
    }
    return out;
}

size_t LineCells::CellBytes(size_t pos) const
{
    if (!m_utf8)
        return 1;
    const auto b = static_cast<unsigned char>(m_line[pos]);
    return b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
}

char32_t LineCells::CharAt(size_t pos) const
{
    const auto b = static_cast<unsigned char>(m_line[pos]);
    if (b < 0x80)
        return b;
    return m_utf8 ? DecodeUtf8(m_line.data() + pos, CellBytes(pos)) : Cp1252Char(b);
}

size_t LineCells::PreviousBoundary(size_t pos) const
{
    size_t prev = pos - 1;
    if (m_utf8)
        while (prev > 0 && (static_cast<unsigned char>(m_line[prev]) & 0xC0) == 0x80)
            --prev;
    return prev;
}

size_t LineCells::ColumnOf(size_t pos, ColumnPlace from) const
{
    size_t col = from.column;
    for (size_t i = from.pos; i < pos && i < m_line.size(); i += CellBytes(i))
        col += CellColumns(i, col);
    return col;
}

ColumnPlace LineCells::CellAtColumn(size_t column, ColumnPlace from) const
{
    ColumnPlace at = from;
    while (at.pos < m_line.size()) {
        const size_t cols = CellColumns(at.pos, at.column);
        if (at.column + cols > column)
            break;
        at.column += cols;
        at.pos += CellBytes(at.pos);
    }
    return at;
}

ColumnPlace LineCells::NearestBoundary(size_t column, ColumnPlace from) const
{
    ColumnPlace at = CellAtColumn(column, from);
    if (at.pos < m_line.size() && at.column < column) {
        const size_t cols = CellColumns(at.pos, at.column);
        if (2 * (column - at.column) >= cols) {
            at.column += cols;
            at.pos += CellBytes(at.pos);
        }
    }
    return at;
}

size_t LineCells::Columns() const
{
    if (std::memchr(m_line.data(), '\t', m_line.size()))
        return ColumnOf(m_line.size());
    if (!m_utf8)
        return m_line.size();
    // One column per character: the bytes that do not continue a sequence,
    // with runs of ASCII passed over a word at a time.
    size_t continuing = 0;
    for (size_t i = 0; i < m_line.size();) {
        if (i + 8 <= m_line.size() && AllAscii(m_line.data() + i, 8)) {
            i += 8;
            continue;
        }
        continuing += (static_cast<unsigned char>(m_line[i]) & 0xC0) == 0x80;
        ++i;
    }
    return m_line.size() - continuing;
}

void LineCells::AppendText(std::string& out, size_t from, size_t to) const
{
    to = std::min(to, m_line.size());
    if (from >= to)
        return;
    if (m_utf8) {
        out.append(m_line.substr(from, to - from));
        return;
    }
    for (size_t i = from; i < to; ++i)
        AppendUtf8(out, Cp1252Char(static_cast<unsigned char>(m_line[i])));
}

} // namespace tovel
