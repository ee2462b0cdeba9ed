#include "common/ByteLines.h"

#include "common/ByteText.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

// TOVEL_PORTABLE builds only the plain C++ loop below.
#if !defined(TOVEL_PORTABLE) && (defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64))
#include <emmintrin.h>
#define TOVEL_BYTELINES_SSE2 1
#else
#define TOVEL_BYTELINES_SSE2 0
#endif

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

// The text is looked at in blocks of 64 bytes, each as two bit masks: which
// bytes are LF and which are CR (bit i for byte i).
constexpr size_t kBlock = 64;

struct LineEndBits {
    uint64_t lf = 0;
    uint64_t cr = 0;
};

LineEndBits BlockBits(const char* p)
{
    LineEndBits bits;
#if TOVEL_BYTELINES_SSE2
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (size_t i = 0; i < kBlock / 16; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
        bits.lf |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)))) << (16 * i);
        bits.cr |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)))) << (16 * i);
    }
#else
    for (size_t i = 0; i < kBlock; ++i) {
        bits.lf |= static_cast<uint64_t>(p[i] == '\n') << i;
        bits.cr |= static_cast<uint64_t>(p[i] == '\r') << i;
    }
#endif
    return bits;
}

// A line ends at an LF, or at a CR that no LF follows (a CR right before an
// LF belongs to it). Calls lineEnds(pos, ends, lf) for each block of
// data[0, size) at pos: the bits of its line ends, and of its LFs.
template <typename LineEnds>
void ForEachBlockOfLineEnds(const char* data, size_t size, LineEnds lineEnds)
{
    for (size_t pos = 0; pos < size; pos += kBlock) {
        LineEndBits bits;
        if (size - pos >= kBlock) {
            bits = BlockBits(data + pos);
        } else {
            // The last bytes, padded with NULs (no line end).
            char tail[kBlock] = {};
            std::memcpy(tail, data + pos, size - pos);
            bits = BlockBits(tail);
        }
        uint64_t loneCr = bits.cr & ~(bits.lf >> 1);
        // The block's last byte: its LF, if any, opens the next block.
        if ((bits.cr >> 63) != 0 && pos + kBlock < size && data[pos + kBlock] == '\n')
            loneCr &= ~(uint64_t{1} << 63);
        lineEnds(pos, bits.lf | loneCr, bits.lf);
    }
}

// Calls lineEnd(pos, isLf) for every line end, in order.
template <typename LineEnd>
void ForEachLineEnd(const char* data, size_t size, LineEnd lineEnd)
{
    ForEachBlockOfLineEnds(data, size, [&](size_t pos, uint64_t ends, uint64_t lf) {
        for (; ends != 0; ends &= ends - 1) {
            const int bit = std::countr_zero(ends);
            lineEnd(pos + static_cast<size_t>(bit), ((lf >> bit) & 1) != 0);
        }
    });
}

} // namespace

ByteLines::ByteLines() : ByteLines(EmptyText()) {}

ByteLines::ByteLines(SharedBytes text) : m_text(text ? std::move(text) : EmptyText())
{
    const char* data = m_text->data();
    const size_t size = std::min(m_text->size(), kByteLinesMaxBytes);
    // The lines are counted first, so that the index is made once at its size.
    size_t lines = 1;
    ForEachBlockOfLineEnds(data, size,
                           [&](size_t, uint64_t ends, uint64_t) { lines += static_cast<size_t>(std::popcount(ends)); });
    m_starts.reserve(lines);
    m_starts.push_back(0);
    size_t start = 0;
    // A line of n bytes takes at most 4n columns (a tab 4, anything else at
    // most 1), so only a line that might be wider than the widest so far has
    // its tabs counted, and only one that still might be has its cells walked.
    auto measure = [&](size_t end, bool isLf) {
        size_t bytes = end - start;
        if (static_cast<uint64_t>(bytes) * kViewTabWidth <= m_maxColumns)
            return;
        if (isLf && bytes > 0 && data[end - 1] == '\r')
            --bytes; // CR LF
        const size_t tabs = CountTabs(data + start, bytes);
        if (bytes + (kViewTabWidth - 1) * tabs <= m_maxColumns)
            return;
        m_maxColumns = std::max(m_maxColumns, LineCells(std::string_view(data + start, bytes)).Columns());
    };
    ForEachLineEnd(data, size, [&](size_t at, bool isLf) {
        measure(at, isLf);
        start = at + 1;
        m_starts.push_back(static_cast<uint32_t>(start));
    });
    measure(size, false);
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

namespace {

// The next occurrence of what that accept(position) takes, searched as
// FindNoCase searches.
template <typename Accept>
size_t FindWhere(std::string_view text, std::string_view what, size_t from, bool forward, Accept accept)
{
    if (what.empty() || what.size() > text.size())
        return std::string_view::npos;
    from = std::min(from, text.size());
    auto equal = [](char a, char b) { return AsciiLower(a) == AsciiLower(b); };
    auto hash = [](char c) { return std::hash<char>()(AsciiLower(c)); };
    const std::boyer_moore_horspool_searcher searcher(what.begin(), what.end(), hash, equal);
    auto findIn = [&](size_t begin, size_t end) -> size_t {
        // First taken occurrence that starts in [begin, end).
        const size_t stop = std::min(text.size(), end + what.size() - 1);
        while (begin < stop) {
            auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(begin),
                                  text.begin() + static_cast<std::ptrdiff_t>(stop), searcher);
            if (it == text.begin() + static_cast<std::ptrdiff_t>(stop))
                return std::string_view::npos;
            const size_t at = static_cast<size_t>(it - text.begin());
            if (accept(at))
                return at;
            begin = at + 1;
        }
        return std::string_view::npos;
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
        constexpr size_t kSearchBlock = 64 * 1024;
        size_t blockEnd = end;
        while (blockEnd > begin) {
            const size_t blockBegin = blockEnd - std::min(kSearchBlock, blockEnd - begin);
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

} // namespace

size_t FindNoCase(std::string_view text, std::string_view what, size_t from, bool forward)
{
    return FindWhere(text, what, from, forward, [](size_t) { return true; });
}

ShownMatch FindShown(const ByteLines& lines, std::string_view what, size_t from, bool forward)
{
    const std::string_view text(lines.Text().data(), std::min(lines.Text().size(), kByteLinesMaxBytes));
    if (what.empty() || text.empty())
        return {};
    if (std::all_of(what.begin(), what.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        // ASCII is the same characters in either reading of a line.
        const size_t at = FindNoCase(text, what, from, forward);
        return at == std::string_view::npos ? ShownMatch{} : ShownMatch{at, what.size()};
    }
    // The reading of the line a candidate starts in; the last line asked is kept.
    size_t knownLine = std::string_view::npos;
    bool knownUtf8 = false;
    auto lineIsUtf8 = [&](size_t pos) {
        const size_t line = lines.LineOf(pos);
        if (line != knownLine) {
            knownLine = line;
            knownUtf8 = IsUtf8(lines.Line(line));
        }
        return knownUtf8;
    };
    // Of the two spellings, the match met first in the search's order.
    from = std::min(from, text.size());
    ShownMatch best;
    size_t bestDistance = std::string_view::npos;
    auto consider = [&](std::string_view spelling, bool utf8) {
        if (spelling.empty())
            return;
        const size_t at = FindWhere(text, spelling, from, forward, [&](size_t pos) { return lineIsUtf8(pos) == utf8; });
        if (at == std::string_view::npos)
            return;
        const size_t n = text.size();
        const size_t distance = forward ? (at + n - from) % n : (from + n - 1 - at) % n;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = {at, spelling.size()};
        }
    };
    if (IsUtf8(what))
        consider(what, true);
    consider(ToCp1252(what), false);
    return best;
}

} // namespace tovel
