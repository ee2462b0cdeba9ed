#include "cli/RoutineBlocks.h"

#include "cli/Routine.h"
#include "common/ByteText.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <cstring>
#include <map>

namespace tovel::cli {

namespace {

constexpr size_t kBlockSize = 64 * 1024;

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

private:
    const std::vector<LinePiece>& m_pieces;
    size_t m_next = 0;
};

// The prototypes as a byte trie, so one walk from each position of a line
// finds every prototype that starts there.
class PrototypeTrie {
public:
    explicit PrototypeTrie(const std::vector<std::string>& prototypes)
    {
        m_terminal.push_back(-1);
        for (size_t id = 0; id < prototypes.size(); ++id) {
            const std::string& p = prototypes[id];
            if (p.empty())
                continue;
            int node = 0;
            for (char c : p) {
                const uint64_t key = Key(node, c);
                auto edge = m_edges.find(key);
                if (edge == m_edges.end()) {
                    edge = m_edges.emplace(key, static_cast<int>(m_terminal.size())).first;
                    m_terminal.push_back(-1);
                }
                node = edge->second;
            }
            m_terminal[static_cast<size_t>(node)] = static_cast<int>(id);
        }
    }

    // Calls found(id, start) for each prototype that occurs in the line, at
    // each start, in order of the start.
    template <typename Found>
    void Scan(std::string_view line, Found&& found) const
    {
        for (size_t s = 0; s < line.size(); ++s) {
            int node = 0;
            for (size_t i = s; i < line.size(); ++i) {
                const auto edge = m_edges.find(Key(node, line[i]));
                if (edge == m_edges.end())
                    break;
                node = edge->second;
                if (m_terminal[static_cast<size_t>(node)] >= 0)
                    found(m_terminal[static_cast<size_t>(node)], s);
            }
        }
    }

private:
    static uint64_t Key(int node, char c)
    {
        return (static_cast<uint64_t>(node) << 8) | static_cast<unsigned char>(c);
    }

    std::unordered_map<uint64_t, int> m_edges;
    std::vector<int> m_terminal; // per node: the prototype ending there, or -1
};

} // namespace

PieceReader::~PieceReader()
{
    if (m_file)
        std::fclose(m_file);
}

bool PieceReader::Open(const std::string& path)
{
    if (!CanOpenForReading(path))
        return false;
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file)
        return false;
    m_buf.resize(kBlockSize + kMaxLinePiece + 1);
    return true;
}

// Keeps at least one whole piece (and the byte after it) buffered.
void PieceReader::Fill()
{
    if (m_eof || m_end - m_pos > kMaxLinePiece)
        return;
    std::memmove(m_buf.data(), m_buf.data() + m_pos, m_end - m_pos);
    m_end -= m_pos;
    m_pos = 0;
    while (!m_eof && m_end <= kMaxLinePiece) {
        const size_t got = std::fread(m_buf.data() + m_end, 1, m_buf.size() - m_end, m_file);
        m_end += got;
        if (got == 0) {
            m_eof = true;
            m_failed = std::ferror(m_file) != 0;
        }
    }
}

bool PieceReader::Next(LinePiece& piece)
{
    if (!m_file || m_done)
        return false;
    Fill();
    const size_t before = m_pos;
    const std::string_view text = NextLinePieceView(m_buf.data(), m_end, m_pos);
    if (m_pos == before) {
        m_done = true;
        return false;
    }
    if (text.empty()) {
        m_nulStopLine = m_line;
        m_done = true;
        return false;
    }
    piece.text.assign(text);
    const bool endsLine = m_buf[m_pos - 1] == '\n';
    piece.cutAtNul = text.size() < m_pos - before;
    piece.index = m_index++;
    piece.line = m_line;
    piece.continuation = m_continuation;
    Fill();
    piece.continues = !endsLine && m_pos < m_end;
    if (endsLine)
        ++m_line;
    m_continuation = !endsLine;
    return true;
}

std::optional<LocatedFile> LocateStartLines(const std::string& path, const std::vector<std::string>& prototypes)
{
    PieceReader reader;
    if (!reader.Open(path))
        return std::nullopt;

    const PrototypeTrie trie(prototypes);
    std::vector<int> startOf(prototypes.size(), -1); // the block each prototype starts, or -1
    std::vector<size_t> blockedOn(prototypes.size(), SIZE_MAX); // piece where it first stands too early
    std::vector<StartLine> blocks;
    std::vector<size_t> collecting; // blocks still taking lines
    int pending = -1;               // the block whose end is not known yet

    LocatedFile result;
    LinePiece piece;
    std::vector<int> foundHere;
    while (reader.Next(piece)) {
        if (piece.cutAtNul)
            result.nulCutLines.push_back(piece.line);
        const bool marker = StartsWithPrototypeMarker(piece.text);
        if (pending >= 0) {
            StartLine& open = blocks[static_cast<size_t>(pending)];
            if (IsBlockEndLine(piece.text)) {
                open.end = BlockEnd::Closed;
                pending = -1;
            } else if (marker) {
                open.end = BlockEnd::RunsIntoNext;
                open.nextMarkerLine = piece.line;
                pending = -1;
            }
        }
        for (size_t i = 0; i < collecting.size();) {
            StartLine& block = blocks[collecting[i]];
            block.lines.push_back(piece);
            if (block.lines.size() > static_cast<size_t>(kMaxSlots)) {
                collecting[i] = collecting.back();
                collecting.pop_back();
            } else {
                ++i;
            }
        }
        if (!marker)
            continue;
        foundHere.clear();
        trie.Scan(piece.text, [&](int id, size_t start) {
            const auto k = static_cast<size_t>(id);
            if (start < kPrototypeMarkerLength)
                blockedOn[k] = piece.index;
            else if (startOf[k] < 0 && blockedOn[k] != piece.index)
                foundHere.push_back(id);
        });
        if (foundHere.empty())
            continue;
        const int block = static_cast<int>(blocks.size());
        blocks.emplace_back();
        blocks.back().lines.push_back(piece);
        collecting.push_back(static_cast<size_t>(block));
        pending = block;
        for (int id : foundHere)
            if (startOf[static_cast<size_t>(id)] < 0)
                startOf[static_cast<size_t>(id)] = block;
    }
    result.nulStopLine = reader.NulStopLine();
    for (size_t k = 0; k < prototypes.size(); ++k)
        if (startOf[k] >= 0)
            result.starts.emplace(prototypes[k], blocks[static_cast<size_t>(startOf[k])]);
    return result;
}

ParameterPanelModel ParseStartLine(const StartLine& start, const std::string& prototype)
{
    CapturedSource source(start.lines);
    return ParsePrototypeSource(ParameterPanelModel {}, prototype, &source);
}

std::optional<std::vector<RoutinePanel>> ReadRoutinePanels(const std::string& libraryPath)
{
    const auto items = ReadFunctionList(libraryPath);
    if (!items)
        return std::nullopt;

    // Each item's source file, and the distinct prototypes looked up in each.
    std::vector<std::string> sourceOf(items->size());
    std::map<std::string, std::vector<std::string>> wanted;
    std::map<std::string, bool> readable;
    const auto canRead = [&](const std::string& path) {
        auto known = readable.find(path);
        if (known == readable.end())
            known = readable.emplace(path, CanOpenForReading(path)).first;
        return known->second;
    };
    for (size_t i = 0; i < items->size(); ++i) {
        const std::string& prototype = (*items)[i];
        std::string source = SourcePathFor(libraryPath, prototype);
        if (!canRead(source))
            source = CVariantPath(source);
        sourceOf[i] = source;
        auto& list = wanted[source];
        if (list.empty() || list.back() != prototype) // the list is sorted, so equal items are neighbours
            list.push_back(prototype);
    }
    std::map<std::string, std::optional<LocatedFile>> located;
    for (auto& [source, prototypes] : wanted)
        located.emplace(source, canRead(source) ? LocateStartLines(source, prototypes) : std::nullopt);

    std::vector<RoutinePanel> panels;
    panels.reserve(items->size());
    for (size_t i = 0; i < items->size(); ++i) {
        RoutinePanel routine;
        routine.prototype = (*items)[i];
        const auto& file = located[sourceOf[i]];
        const StartLine* start = nullptr;
        if (file) {
            const auto found = file->starts.find(routine.prototype);
            if (found != file->starts.end())
                start = &found->second;
        }
        if (start) {
            routine.found = true;
            routine.panel = ParseStartLine(*start, routine.prototype);
        } else {
            StringLineReader nothing("");
            routine.panel = ParsePrototypeSource(ParameterPanelModel {}, routine.prototype, file ? &nothing : nullptr);
        }
        panels.push_back(std::move(routine));
    }
    return panels;
}

} // namespace tovel::cli
