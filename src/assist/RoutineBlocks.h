// Streaming look-up of routine blocks: a library or source file is read
// once, in buffered blocks, and every prototype of interest gets its start
// line (the first prototype comment line in which the prototype's first
// occurrence stands at position 23 or later, as the source view finds it),
// the few lines the parameter panel reads after it, and how its block ends.
// Work and memory grow with the file and the prototypes, never with their
// product.
#pragma once

#include "assist/ReadError.h"
#include "composer/PrototypeParser.h"
#include "library/LineReader.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovel::cli {

// One line as the readers see it: a line, or a 255-byte piece of a longer one.
struct LinePiece {
    std::string text;
    size_t index = 0;          // its place among the pieces, from 0
    int line = 0;              // the physical line it belongs to, from 1
    bool continuation = false; // it starts inside a physical line
    bool continues = false;    // its physical line goes on in the next piece
    bool cutAtNul = false;     // its text ends at a NUL byte
};

// Hands out the lines of a line source as pieces that know their place:
// each line the source reads (a line, or a 255-byte piece of a longer one)
// with its physical line and how it was cut. Reading ends where the
// source's does, at the end of the input or at a line that begins with NUL.
class PieceCursor {
public:
    explicit PieceCursor(LineSource& source) : m_source(source) {}
    bool Next(LinePiece& piece);
    // The line that begins with NUL and stopped reading, or 0.
    int NulStopLine() const { return m_nulStopLine; }

private:
    LineSource& m_source;
    bool m_done = false;
    int m_line = 1;
    size_t m_index = 0;
    bool m_continuation = false;
    int m_nulStopLine = 0;
};

enum class BlockEnd {
    Closed,       // a closing line follows before the next prototype comment line
    RunsIntoNext, // the next prototype comment line comes first
    Open,         // neither follows: the block runs to the end of the file
};

struct StartLine {
    std::vector<LinePiece> lines; // the start line and up to four lines after it
    BlockEnd end = BlockEnd::Open;
    int nextMarkerLine = 0; // for RunsIntoNext
};

struct LocatedFile {
    std::vector<int> nulCutLines; // lines whose text a NUL byte cuts
    int nulStopLine = 0;
};

// Called with the index of a prototype and its start line.
using StartFound = std::function<void(size_t prototype, const StartLine& start)>;

// Finds the start lines of the prototypes in one pass over the source and
// hands each one out as soon as its lines and the end of its block are
// known, so only a few are held at a time; equal prototypes are handed out
// once each.
LocatedFile LocateStartLines(LineSource& source, const std::vector<std::string_view>& prototypes,
                             const StartFound& found);
// The same for a file; the reason when it cannot be read.
ReadResult<LocatedFile> LocateStartLines(const std::string& path, const std::vector<std::string>& prototypes,
                                         const StartFound& found);
ReadResult<LocatedFile> LocateStartLines(const std::string& path, const std::vector<std::string_view>& prototypes,
                                         const StartFound& found);

// The parameter panel that choosing the routine builds, read from its start line.
ParameterPanelModel ParseStartLine(const StartLine& start, const std::string& prototype);

struct RoutinePanel {
    std::string prototype; // the function list's item
    bool found = false;    // its start line was found in its source
    ParameterPanelModel panel;
};

struct PanelReadStats {
    size_t prototypesSought = 0; // distinct prototypes looked up, summed over the source files
};

// Called for every item of the function list, in list order, with its
// parameter panel; firstOfItsLine is false for an item whose list line an
// earlier item already had.
using PanelVisit = std::function<void(const RoutinePanel& routine, bool firstOfItsLine)>;

// Visits the items of the library's function list; each source file is read
// once, and only the few lines each panel is parsed from are held until its
// item's turn. The reason when the library cannot be read, else nothing.
std::optional<ReadError> VisitRoutinePanels(const std::string& libraryPath, const PanelVisit& visit,
                                            PanelReadStats* stats = nullptr);

// Every item of the library's function list, in list order, with its
// parameter panel, or why the library cannot be read.
ReadResult<std::vector<RoutinePanel>> ReadRoutinePanels(const std::string& libraryPath,
                                                        PanelReadStats* stats = nullptr);

} // namespace tovel::cli
