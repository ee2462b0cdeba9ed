#include "assist/RoutineBlocks.h"

#include "assist/Routine.h"
#include "common/ByteText.h"
#include "composer/Routine.h"
#include "library/Format.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <random>
#include <unordered_map>
#include <unordered_set>

namespace tovel::cli {

namespace {

// Replays captured pieces to the parser as a reader of the file would.
class CapturedSource : public LineSource {
public:
    explicit CapturedSource(const std::vector<LinePiece>& pieces) : m_pieces(pieces) {}
    void ReadLineInto(std::string& out) override
    {
        if (m_next < m_pieces.size())
            out = m_pieces[m_next++].text;
        else
            out.clear();
    }

    size_t Read() const { return m_next; } // the lines handed out so far

private:
    const std::vector<LinePiece>& m_pieces;
    size_t m_next = 0;
};

// Finds which prototypes occur in a line, and where, in time linear in the
// line. Each prototype is anchored at its first '(' (or, without one, its
// first ')'): where it occurs, its anchor is the first such byte of the line
// at or after its start, so a line's candidates are the texts that end at
// one of its anchors and begin after the anchor before it. Their hashes
// (polynomial, modulo 2^61-1, with a base chosen at random so no library can
// aim at collisions) find the prototypes with that head; a prototype's whole
// text is then compared only when its whole hash matches too.
class PrototypeMatcher {
public:
    explicit PrototypeMatcher(const std::vector<std::string_view>& prototypes)
    {
        std::random_device random;
        m_base = (static_cast<uint64_t>(random()) << 32 | random()) % (kModulus - 256) + 256;
        m_powers.resize(kMaxLinePiece + 2);
        m_powers[0] = 1;
        for (size_t i = 1; i < m_powers.size(); ++i)
            m_powers[i] = MulMod(m_powers[i - 1], m_base);
        for (size_t id = 0; id < prototypes.size(); ++id) {
            const std::string_view p = prototypes[id];
            if (p.empty() || p.size() > kMaxLinePiece)
                continue; // a line piece cannot hold it
            const size_t open = p.find('(');
            const size_t anchor = open != std::string::npos ? open : p.find(')');
            if (anchor == std::string::npos) {
                m_unanchored.push_back(id);
                continue;
            }
            const bool paren = open != std::string::npos;
            m_anchored[paren ? 0 : 1] = true;
            // Only a prototype that begins with the end of a marker can stand
            // inside the marker; lines are searched from the marker's end on
            // unless there is one. Position 0 is left to IsBlockStartAt.
            for (size_t at = 1; at < kPrototypeMarkerLength && m_scanFrom > 1; ++at)
                if (std::string_view(p).substr(0, kPrototypeMarkerLength - at) == kPrototypeMarkerTail.substr(at - 1))
                    m_scanFrom = 1;
            const uint64_t key = Key(HashOf(p.data(), anchor + 1), paren);
            m_filter[FilterBit(key) / 64] |= uint64_t{1} << (FilterBit(key) % 64);
            m_entries.push_back(
                {key, HashOf(p.data(), p.size()), static_cast<uint32_t>(p.size()), static_cast<uint32_t>(id)});
        }
        // One sorted array instead of a map of groups: a few words per
        // prototype, for libraries of many.
        std::sort(m_entries.begin(), m_entries.end());
    }

    // Calls found(id, start) for each occurrence of a prototype in the line
    // at position 1 or later.
    template <typename Found>
    void Scan(std::string_view line, const std::vector<std::string_view>& prototypes, Found&& found)
    {
        const size_t n = line.size();
        m_prefix.assign(n + 1, 0);
        for (size_t i = 0; i < n; ++i)
            m_prefix[i + 1] = AddMod(MulMod(m_prefix[i], m_base), static_cast<unsigned char>(line[i]));
        for (const bool paren : {true, false}) {
            if (!m_anchored[paren ? 0 : 1])
                continue;
            const char anchorChar = paren ? '(' : ')';
            size_t from = 0; // the first start after the previous anchor
            for (size_t j = 0; j < n; ++j) {
                if (line[j] != anchorChar)
                    continue;
                for (size_t start = std::max(from, m_scanFrom); start <= j; ++start) {
                    const uint64_t key = Key(Hash(start, j + 1 - start), paren);
                    if ((m_filter[FilterBit(key) / 64] >> (FilterBit(key) % 64) & 1) == 0)
                        continue; // most candidates end here, without a look into the map
                    // The entries of the key come in runs of one length each.
                    auto at = std::lower_bound(m_entries.begin(), m_entries.end(), Entry{key, 0, 0, 0});
                    while (at != m_entries.end() && at->key == key) {
                        const uint32_t length = at->length;
                        const auto runEnd = std::lower_bound(at, m_entries.end(), Entry{key, 0, length + 1, 0});
                        if (start + length <= n) {
                            const uint64_t whole = Hash(start, length);
                            for (auto it = std::lower_bound(at, runEnd, Entry{key, whole, length, 0});
                                 it != runEnd && it->whole == whole; ++it)
                                if (line.compare(start, length, prototypes[it->id]) == 0)
                                    found(it->id, start);
                        }
                        at = runEnd;
                    }
                }
                from = j + 1;
            }
        }
        for (const size_t id : m_unanchored)
            for (size_t at = line.find(prototypes[id], 1); at != std::string_view::npos;
                 at = line.find(prototypes[id], at + 1))
                found(id, at);
    }

private:
    static constexpr uint64_t kModulus = (uint64_t{1} << 61) - 1;
    static constexpr unsigned kFilterBits = 20; // a bit per group key, 128 KB

    struct Entry {
        uint64_t key;    // the hash of its head, through its anchor
        uint64_t whole;  // the hash of its whole text
        uint32_t length; // of its whole text
        uint32_t id;     // its place among the prototypes
        // By key, then length, then whole hash: a key's lengths are runs.
        bool operator<(const Entry& other) const
        {
            return key != other.key      ? key < other.key
                : length != other.length ? length < other.length
                : whole != other.whole   ? whole < other.whole
                                         : id < other.id;
        }
    };

    // a * b modulo 2^61 - 1, for a and b below the modulus: the product's
    // bits from 61 up, added to its low 61 bits, give the same remainder.
    static uint64_t MulMod(uint64_t a, uint64_t b)
    {
#if defined(__SIZEOF_INT128__) && !defined(TOVEL_PORTABLE)
        const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
        const uint64_t low = static_cast<uint64_t>(product & kModulus);
        const uint64_t high = static_cast<uint64_t>(product >> 61);
#else
        // The 128-bit product from four 32 x 32 -> 64 bit products.
        const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32;
        const uint64_t b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
        const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
        const uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
        const uint64_t productLow = (middle << 32) | (p00 & 0xFFFFFFFFu);
        const uint64_t productHigh = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
        const uint64_t low = productLow & kModulus;
        const uint64_t high = (productHigh << 3) | (productLow >> 61);
#endif
        uint64_t sum = low + high;
        while (sum >= kModulus)
            sum -= kModulus;
        return sum;
    }
    static uint64_t AddMod(uint64_t a, uint64_t b)
    {
        const uint64_t sum = a + b;
        return sum >= kModulus ? sum - kModulus : sum;
    }
    static uint64_t Key(uint64_t hash, bool paren)
    {
        return hash << 1 | (paren ? 1 : 0);
    }
    static size_t FilterBit(uint64_t key)
    {
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15u) >> (64 - kFilterBits));
    }

    uint64_t HashOf(const char* text, size_t length) const
    {
        uint64_t h = 0;
        for (size_t i = 0; i < length; ++i)
            h = AddMod(MulMod(h, m_base), static_cast<unsigned char>(text[i]));
        return h;
    }
    // The hash of line[start, start + length) from the line's prefix hashes.
    uint64_t Hash(size_t start, size_t length) const
    {
        return AddMod(m_prefix[start + length], kModulus - MulMod(m_prefix[start], m_powers[length]));
    }

    uint64_t m_base = 0;
    std::vector<uint64_t> m_powers;
    std::vector<uint64_t> m_prefix;
    std::vector<Entry> m_entries;
    std::vector<uint64_t> m_filter = std::vector<uint64_t>((size_t{1} << kFilterBits) / 64, 0);
    std::vector<size_t> m_unanchored;
    bool m_anchored[2] = {false, false};        // some prototype has a '(', some has only a ')'
    size_t m_scanFrom = kPrototypeMarkerLength; // where occurrences may start in a line
};

} // namespace

bool PieceCursor::Next(LinePiece& piece)
{
    if (m_done)
        return false;
    const std::string_view text = m_source.NextLine();
    const LineSource::PieceEnd end = m_source.LastPieceEnd();
    if (end.bytes == 0) {
        m_done = true;
        return false;
    }
    if (text.empty()) {
        m_nulStopLine = m_line;
        m_done = true;
        return false;
    }
    piece.text.assign(text);
    piece.cutAtNul = text.size() < end.bytes;
    piece.index = m_index++;
    piece.line = m_line;
    piece.continuation = m_continuation;
    piece.continues = !end.lineFeed && !m_source.AtEnd();
    if (end.lineFeed)
        ++m_line;
    m_continuation = !end.lineFeed;
    return true;
}

ReadResult<LocatedFile> LocateStartLines(const std::string& path, const std::vector<std::string>& prototypes,
                                         const StartFound& found)
{
    return LocateStartLines(path, std::vector<std::string_view>(prototypes.begin(), prototypes.end()), found);
}

ReadResult<LocatedFile> LocateStartLines(const std::string& path, const std::vector<std::string_view>& prototypes,
                                         const StartFound& found)
{
    FileLineReader file;
    if (!file.Open(path))
        return ReadErrorOf(ReadError::Subject::File, path, file);
    LocatedFile located = LocateStartLines(file, prototypes, found);
    if (!file.Failure().empty())
        return ReadErrorOf(ReadError::Subject::File, path, file);
    return located;
}

LocatedFile LocateStartLines(LineSource& source, const std::vector<std::string_view>& prototypes,
                             const StartFound& found)
{
    PieceCursor reader(source);

    PrototypeMatcher matcher(prototypes);
    std::vector<char> located(prototypes.size(), 0);         // its start line is known
    std::vector<size_t> seenOn(prototypes.size(), SIZE_MAX); // the piece of firstAt
    std::vector<size_t> firstAt(prototypes.size(), 0);       // its first start in that piece

    // Blocks whose lines or end are still to come, oldest first. A block is
    // complete once it holds its lines and its end is known; blocks complete
    // in order, since the next start line settles the end of the one before.
    struct Open {
        StartLine start;
        std::vector<size_t> prototypes;
        bool ended = false;
    };
    std::deque<Open> open;
    const auto handOut = [&](bool all) {
        while (!open.empty()
               && (all || (open.front().ended && open.front().start.lines.size() > static_cast<size_t>(kMaxSlots)))) {
            for (const size_t k : open.front().prototypes)
                found(k, open.front().start);
            open.pop_front();
        }
    };

    LocatedFile result;
    LinePiece piece;
    std::vector<size_t> foundHere;
    while (reader.Next(piece)) {
        if (piece.cutAtNul)
            result.nulCutLines.push_back(piece.line);
        const bool marker = StartsWithPrototypeMarker(piece.text);
        if (!open.empty() && !open.back().ended) {
            Open& last = open.back();
            if (IsBlockEndLine(piece.text)) {
                last.start.end = BlockEnd::Closed;
                last.ended = true;
            } else if (marker) {
                last.start.end = BlockEnd::RunsIntoNext;
                last.start.nextMarkerLine = piece.line;
                last.ended = true;
            }
        }
        for (Open& block : open)
            if (block.start.lines.size() <= static_cast<size_t>(kMaxSlots))
                block.start.lines.push_back(piece);
        handOut(false);
        if (!marker)
            continue;

        // A line starts a prototype's block when its first occurrence there
        // stands after the marker.
        foundHere.clear();
        matcher.Scan(piece.text, prototypes, [&](size_t k, size_t start) {
            if (located[k])
                return;
            if (seenOn[k] != piece.index) {
                seenOn[k] = piece.index;
                firstAt[k] = start;
                foundHere.push_back(k);
            } else if (start < firstAt[k]) {
                firstAt[k] = start;
            }
        });
        Open block;
        for (const size_t k : foundHere) {
            if (!located[k] && IsBlockStartAt(piece.text, prototypes[k], firstAt[k])) {
                located[k] = 1;
                block.prototypes.push_back(k);
            }
        }
        if (block.prototypes.empty())
            continue;
        block.start.lines.push_back(piece);
        open.push_back(std::move(block));
    }
    handOut(true);
    result.nulStopLine = reader.NulStopLine();
    return result;
}

ParameterPanelModel ParseStartLine(const StartLine& start, const std::string& prototype)
{
    CapturedSource source(start.lines);
    return ParsePrototypeSource(ParameterPanelModel{}, prototype, &source);
}

namespace {

// The lines the panel parser reads from a start line on, packed behind each
// other into one string (each piece's length in two bytes, then its text),
// so a library's routines wait for their turn in a fraction of the memory
// their parsed panels would take. The parser is run once to learn how many
// lines it reads.
void PackStartLine(const StartLine& start, std::string_view prototype, std::string& packed)
{
    CapturedSource source(start.lines);
    ParsePrototypeSource(ParameterPanelModel{}, prototype, &source);
    for (size_t i = 0; i < source.Read() && i < start.lines.size(); ++i) {
        const LinePiece& piece = start.lines[i];
        const size_t length = std::min(piece.text.size(), size_t{0xFFFF});
        packed += static_cast<char>(length & 0xFF);
        packed += static_cast<char>(length >> 8);
        packed.append(piece.text, 0, length);
    }
}

StartLine UnpackStartLine(std::string_view packed)
{
    StartLine start;
    size_t at = 0;
    while (at + 2 <= packed.size()) {
        const size_t length = static_cast<unsigned char>(packed[at])
            | static_cast<size_t>(static_cast<unsigned char>(packed[at + 1])) << 8;
        LinePiece piece;
        piece.text.assign(packed.substr(at + 2, length));
        start.lines.push_back(std::move(piece));
        at += 2 + length;
    }
    return start;
}

} // namespace

std::optional<ReadError> VisitRoutinePanels(const std::string& libraryPath, const PanelVisit& visit,
                                            PanelReadStats* stats)
{
    constexpr size_t kPackBlock = 1024 * 1024;
    const auto items = ReadFunctionTextList(libraryPath);
    if (!items)
        return items.Error();

    // Each item's source file, and the distinct prototypes looked up in each.
    // Equal items need not be neighbours in the list (it ignores letter
    // case), so each source keeps a hash set of the exact texts.
    struct Source {
        std::string path;
        bool readable = false;
        bool opened = false;
        std::vector<std::string_view> prototypes;           // distinct, into items
        std::unordered_map<std::string_view, uint32_t> ids; // prototype -> its place in prototypes
        std::vector<std::string> packed;                    // the start lines, packed, in blocks of kPackBlock
        std::vector<uint64_t> packedAt;                     // block << 32 | offset of each one's lines, or none
        std::vector<uint32_t> packedSize;
    };
    std::vector<Source> sources;
    std::unordered_map<std::string, uint32_t> sourceIds;
    std::vector<uint32_t> sourceOf(items->size()), idOf(items->size());
    for (size_t i = 0; i < items->size(); ++i) {
        const std::string_view prototype = (*items)[i];
        if (!HasRoutineSource(libraryPath, prototype)) {
            sourceOf[i] = UINT32_MAX;
            continue;
        }
        // Each path tried is known as a source; the item's is the one that
        // opens, or the last tried.
        ChooseSourceFile(SourcePathFor(libraryPath, prototype), [&](const std::string& path) {
            auto known = sourceIds.find(path);
            if (known == sourceIds.end()) {
                known = sourceIds.emplace(path, static_cast<uint32_t>(sources.size())).first;
                sources.emplace_back();
                sources.back().path = path;
                sources.back().readable = CanOpenForReading(path);
            }
            sourceOf[i] = known->second;
            return sources[known->second].readable;
        });
        Source& source = sources[sourceOf[i]];
        const auto id = source.ids.emplace(prototype, static_cast<uint32_t>(source.prototypes.size()));
        if (id.second)
            source.prototypes.push_back(prototype);
        idOf[i] = id.first->second;
    }

    // Each source file is read once; a prototype's start line is kept,
    // packed, until its item's turn comes.
    for (Source& source : sources) {
        if (stats)
            stats->prototypesSought += source.prototypes.size();
        source.ids = {};
        if (!source.readable || source.prototypes.empty())
            continue;
        source.packedAt.assign(source.prototypes.size(), UINT64_MAX);
        source.packedSize.assign(source.prototypes.size(), 0);
        std::string lines;
        source.opened = LocateStartLines(source.path, source.prototypes, [&](size_t k, const StartLine& start) {
                            lines.clear();
                            PackStartLine(start, source.prototypes[k], lines);
                            if (source.packed.empty()
                                || source.packed.back().size() + lines.size() > source.packed.back().capacity()) {
                                source.packed.emplace_back();
                                source.packed.back().reserve(std::max(kPackBlock, lines.size()));
                            }
                            std::string& block = source.packed.back();
                            source.packedAt[k] = static_cast<uint64_t>(source.packed.size() - 1) << 32 | block.size();
                            source.packedSize[k] = static_cast<uint32_t>(lines.size());
                            block += lines;
                        }).has_value();
    }

    std::unordered_set<std::string_view> lines; // the list lines seen, into items
    RoutinePanel routine;
    for (size_t i = 0; i < items->size(); ++i) {
        routine.prototype = (*items)[i];
        routine.found = false;
        const Source* source = sourceOf[i] == UINT32_MAX ? nullptr : &sources[sourceOf[i]];
        if (source && source->opened && source->packedAt[idOf[i]] != UINT64_MAX) {
            routine.found = true;
            const uint64_t at = source->packedAt[idOf[i]];
            const std::string_view packed =
                std::string_view(source->packed[at >> 32]).substr(at & 0xFFFFFFFFu, source->packedSize[idOf[i]]);
            routine.panel = ParseStartLine(UnpackStartLine(packed), routine.prototype);
        } else {
            StringLineReader nothing("");
            routine.panel = ParsePrototypeSource(ParameterPanelModel{}, routine.prototype,
                                                 source && source->opened ? &nothing : nullptr);
        }
        std::string_view line = (*items)[i];
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        visit(routine, lines.insert(line).second);
    }
    return std::nullopt;
}

ReadResult<std::vector<RoutinePanel>> ReadRoutinePanels(const std::string& libraryPath, PanelReadStats* stats)
{
    std::vector<RoutinePanel> panels;
    if (auto failure = VisitRoutinePanels(
            libraryPath, [&](const RoutinePanel& routine, bool) { panels.push_back(routine); }, stats))
        return std::move(*failure);
    return panels;
}

} // namespace tovel::cli
