#include "common/ByteLines.h"

#include "common/ByteText.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace tovel {

namespace {

const SharedBytes& EmptyText()
{
    static const SharedBytes empty = std::make_shared<const std::string>();
    return empty;
}

size_t CountTabs(const char* p, size_t n)
{
    size_t tabs = 0;
    for (const char* end = p + n; (p = static_cast<const char*>(std::memchr(p, '\t', static_cast<size_t>(end - p))));
         ++p)
        ++tabs;
    return tabs;
}

} // namespace

ByteLines::ByteLines() : ByteLines(EmptyText()) {}

ByteLines::ByteLines(SharedBytes text) : m_text(text ? std::move(text) : EmptyText())
{
    const char* data = m_text->data();
    const size_t size = std::min(m_text->size(), kByteLinesMaxBytes);
    const bool hasTabs = std::memchr(data, '\t', size) != nullptr;
    // Lines end at LF; a CR inside the run between two LFs (other than one
    // right before the LF) ends a line of its own.
    m_starts.push_back(0);
    size_t start = 0;
    auto addLine = [&](size_t end, size_t next) {
        size_t columns = end - start;
        if (hasTabs)
            columns += (kViewTabWidth - 1) * CountTabs(data + start, end - start);
        m_maxColumns = std::max(m_maxColumns, columns);
        m_starts.push_back(static_cast<uint32_t>(next));
        start = next;
    };
    while (start < size) {
        const auto* lf = static_cast<const char*>(std::memchr(data + start, '\n', size - start));
        const size_t runEnd = lf ? static_cast<size_t>(lf - data) : size;
        // Lone CRs in the run.
        for (;;) {
            const auto* cr = static_cast<const char*>(std::memchr(data + start, '\r', runEnd - start));
            if (!cr)
                break;
            const size_t at = static_cast<size_t>(cr - data);
            if (lf && at + 1 == runEnd)
                break; // CR LF
            addLine(at, at + 1);
        }
        if (!lf) {
            size_t end = runEnd;
            m_maxColumns =
                std::max(m_maxColumns,
                         (end - start) + (hasTabs ? (kViewTabWidth - 1) * CountTabs(data + start, end - start) : 0));
            break;
        }
        const size_t contentEnd = (runEnd > start && data[runEnd - 1] == '\r') ? runEnd - 1 : runEnd;
        addLine(contentEnd, runEnd + 1);
    }
}

size_t ByteLines::End(size_t line) const
{
    const size_t next = line + 1 < m_starts.size() ? m_starts[line + 1] : std::min(m_text->size(), kByteLinesMaxBytes);
    size_t end = next;
    if (line + 1 < m_starts.size()) {
        // Step back over the line end: LF, CR LF or CR.
        const std::string& t = *m_text;
        if (end > m_starts[line] && t[end - 1] == '\n')
            --end;
        if (end > m_starts[line] && t[end - 1] == '\r' && (end == next || end + 1 == next))
            --end;
    }
    return end;
}

std::string_view ByteLines::Line(size_t line) const
{
    const size_t start = m_starts[line];
    return std::string_view(m_text->data() + start, End(line) - start);
}

size_t ByteLines::LineOf(size_t pos) const
{
    auto it = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
    return static_cast<size_t>(it - m_starts.begin()) - 1;
}

size_t CellBytes(std::string_view line, size_t pos)
{
    const auto b = static_cast<unsigned char>(line[pos]);
    size_t n = 0;
    unsigned char min2 = 0x80, max2 = 0xBF;
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        n = 2;
    else if (b >= 0xE0 && b <= 0xEF) {
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
    } else
        return 1;
    if (pos + n > line.size())
        return 1;
    for (size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(line[pos + i]);
        const unsigned char lo = i == 1 ? min2 : 0x80, hi = i == 1 ? max2 : 0xBF;
        if (c < lo || c > hi)
            return 1;
    }
    return n;
}

size_t ColumnOfByte(std::string_view line, size_t pos)
{
    size_t col = 0;
    for (size_t i = 0; i < pos && i < line.size(); i += CellBytes(line, i))
        col += CellColumns(line, i, col);
    return col;
}

ColumnPlace CellAtColumn(std::string_view line, size_t column, ColumnPlace from)
{
    ColumnPlace at = from;
    while (at.pos < line.size()) {
        const size_t cols = CellColumns(line, at.pos, at.column);
        if (at.column + cols > column)
            break;
        at.column += cols;
        at.pos += CellBytes(line, at.pos);
    }
    return at;
}

ColumnPlace NearestBoundary(std::string_view line, size_t column, ColumnPlace from)
{
    ColumnPlace at = CellAtColumn(line, column, from);
    if (at.pos < line.size() && at.column < column) {
        const size_t cols = CellColumns(line, at.pos, at.column);
        if (2 * (column - at.column) >= cols) {
            at.column += cols;
            at.pos += CellBytes(line, at.pos);
        }
    }
    return at;
}

size_t FindNoCase(std::string_view text, std::string_view what, size_t from, bool forward)
{
    if (what.empty() || what.size() > text.size())
        return std::string_view::npos;
    from = std::min(from, text.size());
    auto equal = [](char a, char b) { return AsciiLower(a) == AsciiLower(b); };
    auto hash = [](char c) { return std::hash<char>()(AsciiLower(c)); };
    const std::boyer_moore_horspool_searcher searcher(what.begin(), what.end(), hash, equal);
    auto findIn = [&](size_t begin, size_t end) -> size_t {
        // First occurrence that starts in [begin, end).
        const size_t stop = std::min(text.size(), end + what.size() - 1);
        if (begin >= stop)
            return std::string_view::npos;
        auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(begin),
                              text.begin() + static_cast<std::ptrdiff_t>(stop), searcher);
        if (it == text.begin() + static_cast<std::ptrdiff_t>(stop))
            return std::string_view::npos;
        return static_cast<size_t>(it - text.begin());
    };
    if (forward) {
        size_t at = findIn(from, text.size());
        if (at == std::string_view::npos)
            at = findIn(0, from);
        return at;
    }
    // Backward: the last occurrence that starts before from, else the last
    // one at all. Searched in blocks from the back, so a match near the
    // start position is found without a pass over the whole text.
    auto lastIn = [&](size_t begin, size_t end) -> size_t {
        constexpr size_t kBlock = 64 * 1024;
        size_t blockEnd = end;
        while (blockEnd > begin) {
            const size_t blockBegin = blockEnd - std::min(kBlock, blockEnd - begin);
            size_t found = std::string_view::npos;
            for (size_t at = findIn(blockBegin, blockEnd); at != std::string_view::npos; at = findIn(at + 1, blockEnd))
                found = at;
            if (found != std::string_view::npos)
                return found;
            blockEnd = blockBegin;
        }
        return std::string_view::npos;
    };
    size_t at = lastIn(0, from);
    if (at == std::string_view::npos)
        at = lastIn(from, text.size());
    return at;
}

} // namespace tovel
