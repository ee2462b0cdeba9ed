#include "cli/LibraryCheck.h"

#include "cli/Routine.h"
#include "common/ByteText.h"
#include "composer/PrototypeParser.h"
#include "composer/ToolProgram.h"
#include "composer/ValueEditors.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <unordered_map>

namespace tovel::cli {

namespace {

// One line as the readers see it: a line, or a 255-byte piece of a longer one.
struct Piece {
    std::string text;
    int line = 0;              // the physical line it belongs to, from 1
    bool continuation = false; // it starts inside a physical line
    bool continues = false;    // its physical line goes on in the next piece
    bool cutAtNul = false;     // its text ends at a NUL byte
};

struct SourceText {
    std::vector<Piece> pieces; // every line the readers get, in order
    int nulStopLine = 0;       // a line beginning with NUL ends reading there
    std::vector<int> nextEnd;    // per piece: first closing line at or after it, or -1
    std::vector<int> nextMarker; // per piece: first prototype comment line at or after it, or -1
};

bool LoadSourceText(const std::string& path, SourceText& out)
{
    if (!CanOpenForReading(path))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;

    size_t pos = 0;
    int line = 1;
    bool continuation = false;
    std::string text;
    for (;;) {
        const size_t before = pos;
        NextLinePiece(bytes.data(), bytes.size(), pos, text);
        if (pos == before)
            break;
        if (text.empty()) {
            out.nulStopLine = line;
            break;
        }
        const bool endsLine = bytes[pos - 1] == '\n';
        Piece piece;
        piece.line = line;
        piece.continuation = continuation;
        piece.continues = !endsLine && pos < bytes.size();
        piece.cutAtNul = std::memchr(bytes.data() + before, '\0', pos - before) != nullptr;
        piece.text = std::move(text);
        out.pieces.push_back(std::move(piece));
        text = std::string();
        if (endsLine)
            ++line;
        continuation = !endsLine;
    }

    const size_t n = out.pieces.size();
    out.nextEnd.assign(n, -1);
    out.nextMarker.assign(n, -1);
    int end = -1;
    int marker = -1;
    for (size_t i = n; i > 0; --i) {
        const std::string& t = out.pieces[i - 1].text;
        if (IsBlockEndLine(t))
            end = static_cast<int>(i - 1);
        if (StartsWithPrototypeMarker(t))
            marker = static_cast<int>(i - 1);
        out.nextEnd[i - 1] = end;
        out.nextMarker[i - 1] = marker;
    }
    return true;
}

// Replays the pieces from one of them on, as a reader of the file would
// give them from there.
class PieceSource : public LineSource {
public:
    PieceSource(const std::vector<Piece>& pieces, size_t from) : m_pieces(pieces), m_next(from) {}
    void ReadLineInto(std::string& out) override
    {
        if (m_next < m_pieces.size())
            out = m_pieces[m_next++].text;
        else
            out.clear();
    }

private:
    const std::vector<Piece>& m_pieces;
    size_t m_next;
};

bool IsIdentChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsIdentifier(std::string_view text)
{
    if (text.empty() || (text[0] >= '0' && text[0] <= '9'))
        return false;
    return std::all_of(text.begin(), text.end(), IsIdentChar);
}

// A parameter the parser could only label with its declaration.
bool IsNameless(std::string_view label)
{
    static constexpr std::string_view kTypeWords[] = {"void",  "char",   "short",    "int",  "long",
                                                      "float", "double", "signed", "unsigned"};
    return !IsIdentifier(label) || std::find(std::begin(kTypeWords), std::end(kTypeWords), label) != std::end(kTypeWords);
}

std::string WithoutBlanks(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    for (char c : line)
        if (c != ' ' && c != '\t')
            out.push_back(c);
    return out;
}

std::string TrimLineEnd(std::string_view text)
{
    return ListLine(text);
}

// True when the whole text converts as a number with strtol's rules in base 0.
bool ConvertsFully(const std::string& text)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    std::strtoll(text.c_str(), &end, 0);
    return errno != ERANGE && end == text.c_str() + text.size();
}

// 1-based position of the first empty item, or 0.
size_t FirstEmptyItem(const std::vector<std::string>& items)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].empty())
            return i + 1;
    return 0;
}

std::string Quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

class Checker {
public:
    explicit Checker(std::string libraryPath) : m_libraryPath(std::move(libraryPath)) {}

    bool Run()
    {
        SourceText library;
        if (!LoadSourceText(m_libraryPath, library))
            return false;
        CheckReading(m_libraryPath, library, 0);
        if (IsHeaderLibrary(m_libraryPath))
            CheckHeader(library);
        else
            CheckAssembler(library);
        std::stable_sort(m_found.begin(), m_found.end(),
                         [](const Found& a, const Found& b) { return a.anchor < b.anchor; });
        return true;
    }

    std::vector<Diagnostic> Take()
    {
        std::vector<Diagnostic> out;
        out.reserve(m_found.size());
        for (Found& f : m_found)
            out.push_back(std::move(f.diagnostic));
        return out;
    }

private:
    struct Found {
        int anchor; // the library line the diagnostic belongs to
        Diagnostic diagnostic;
    };

    struct Routine {
        std::string prototype;
        size_t piece;
    };

    void Report(int anchor, const std::string& file, int line, std::string message)
    {
        Diagnostic d {file, line, std::move(message)};
        if (m_seen.insert(FormatDiagnostic(d)).second)
            m_found.push_back({anchor, std::move(d)});
    }

    // Bytes that stop the readers early.
    void CheckReading(const std::string& file, const SourceText& text, int anchor)
    {
        for (const Piece& piece : text.pieces)
            if (piece.cutAtNul)
                Report(anchor ? anchor : piece.line, file, piece.line,
                       "the line holds a NUL byte: the rest of the line is not read");
        if (text.nulStopLine > 0)
            Report(anchor ? anchor : text.nulStopLine, file, text.nulStopLine,
                   "the line begins with a NUL byte: nothing from here on is read");
    }

    void CheckAssembler(const SourceText& library)
    {
        const std::string& file = m_libraryPath;
        std::vector<Routine> routines;
        for (size_t i = 0; i < library.pieces.size(); ++i) {
            const Piece& piece = library.pieces[i];
            const std::string& t = piece.text;
            if (StartsWithPrototypeMarker(t)) {
                if (auto prototype = ExtractMarkedPrototype(t)) {
                    if (piece.continuation)
                        Report(piece.line, file, piece.line,
                               "a 255-byte piece of this long line begins with the prototype marker and is listed as "
                                   + Quoted(*prototype));
                    routines.push_back({std::move(*prototype), i});
                } else {
                    Report(piece.line, file, piece.line, NotListedReason(t, piece.continues));
                }
                continue;
            }
            size_t lead = 0;
            while (lead < t.size() && (t[lead] == ' ' || t[lead] == '\t'))
                ++lead;
            const std::string_view rest = std::string_view(t).substr(lead);
            if (lead > 0 && StartsWithPrototypeMarker(rest)) {
                Report(piece.line, file, piece.line,
                       "the prototype comment line is indented and is not listed: the marker must begin the line");
            } else if (rest.size() >= kPrototypeMarkerLength
                       && (EqualsNoCase(rest.substr(0, kPrototypeMarkerLength), kPrototypeMarkerSemicolon)
                           || EqualsNoCase(rest.substr(0, kPrototypeMarkerLength), kPrototypeMarkerAt))) {
                Report(piece.line, file, piece.line,
                       "the prototype marker is not written exactly '" + std::string(kPrototypeMarkerSemicolon)
                           + "' and the line is not listed");
            }
        }
        if (routines.empty()) {
            Report(1, file, 1,
                   "nothing is listed: no line begins with '" + std::string(kPrototypeMarkerSemicolon) + "' or '"
                       + std::string(kPrototypeMarkerAt) + "'");
            return;
        }

        const std::unordered_map<std::string, size_t> starts = FirstStartLines(library, routines);
        for (const Routine& routine : routines) {
            const Piece& piece = library.pieces[routine.piece];
            const auto found = starts.find(routine.prototype);
            if (found == starts.end()) {
                Report(piece.line, file, piece.line,
                       "the prototype " + Quoted(routine.prototype)
                           + " is not found again on its own line (the marker appears twice): its block and "
                             "parameters cannot be shown");
                continue;
            }
            if (found->second != routine.piece) {
                const Piece& other = library.pieces[found->second];
                const auto otherPrototype = ExtractMarkedPrototype(other.text);
                if (otherPrototype && *otherPrototype == routine.prototype)
                    Report(piece.line, file, piece.line,
                           "the prototype " + Quoted(routine.prototype) + " is listed twice: line "
                               + std::to_string(other.line) + " has it first, and its block and hints are used");
                else
                    Report(piece.line, file, piece.line,
                           "the prototype " + Quoted(routine.prototype) + " is found first inside line "
                               + std::to_string(other.line) + " (" + Quoted(otherPrototype.value_or(other.text))
                               + "): that line's block and hints are shown for it");
                continue;
            }
            CheckRoutine(piece.line, file, library, routine.piece, routine.prototype);
        }
    }

    // The first prototype comment line in which each prototype text stands at
    // position 23 or later, as the source view and the panel look it up.
    static std::unordered_map<std::string, size_t> FirstStartLines(const SourceText& library,
                                                                   const std::vector<Routine>& routines)
    {
        // A prototype found inside a line ends at one of its ')' and has its
        // routine name (possibly cut at the front) right before a '(' of it,
        // so the texts are looked up by the names before each '('.
        std::unordered_map<std::string, std::vector<std::string>> byName;
        for (const Routine& routine : routines) {
            auto& texts = byName[RoutineNameOf(routine.prototype)];
            if (std::find(texts.begin(), texts.end(), routine.prototype) == texts.end())
                texts.push_back(routine.prototype);
        }
        std::unordered_map<std::string, size_t> first;
        for (size_t j = 0; j < library.pieces.size(); ++j) {
            const std::string& q = library.pieces[j].text;
            if (!StartsWithPrototypeMarker(q))
                continue;
            for (int paren = Find(q, '(', static_cast<int>(kPrototypeMarkerLength)); paren >= 0;
                 paren = Find(q, '(', paren + 1)) {
                size_t end = static_cast<size_t>(paren);
                while (end > 0 && (q[end - 1] == ' ' || q[end - 1] == '\t'))
                    --end;
                size_t begin = end;
                while (begin > 0 && IsIdentChar(q[begin - 1]))
                    --begin;
                for (size_t b = end + 1; b-- > begin;) {
                    const auto texts = byName.find(q.substr(b, end - b));
                    if (texts == byName.end())
                        continue;
                    for (const std::string& p : texts->second)
                        if (!first.count(p) && Find(q, p) >= static_cast<int>(kPrototypeMarkerLength))
                            first.emplace(p, j);
                }
            }
        }
        return first;
    }

    static std::string NotListedReason(std::string_view line, bool longLine)
    {
        std::string rest(line);
        ReplaceAll(rest, kPrototypeMarkerSemicolon, "");
        ReplaceAll(rest, kPrototypeMarkerAt, "");
        size_t lead = 0;
        while (lead < rest.size() && std::strchr(" \t\r\n\v\f", rest[lead]) != nullptr)
            ++lead;
        rest = TrimLineEnd(std::string_view(rest).substr(lead));
        const int close = Find(rest, ')');
        std::string message = "the prototype comment line is not listed: ";
        if (rest.empty())
            message += "it holds no prototype";
        else if (close < 0)
            message += "its prototype " + Quoted(rest) + " has no ')'";
        else
            message += "its prototype " + Quoted(Left(rest, close + 1))
                     + " is too short (the ')' must stand at position 3 or later)";
        if (longLine)
            message += "; the line is longer than 255 bytes and is read in pieces";
        return message;
    }

    void CheckHeader(const SourceText& header)
    {
        const std::string& file = m_libraryPath;
        int listed = 0;
        for (const Piece& piece : header.pieces) {
            const NormalisedDeclaration declaration = NormaliseDeclaration(piece.text);
            if (!declaration.listed)
                continue;
            ++listed;
            const std::string& prototype = declaration.text;
            const std::string name = RoutineNameOf(prototype);
            if (Find(prototype, ')') < 0) {
                Report(piece.line, file, piece.line,
                       "the declaration " + Quoted(TrimLineEnd(prototype))
                           + " is listed without its ')': write each declaration on one line");
                continue;
            }
            const std::string source = SourcePathFor(file, prototype);
            const std::string variant = CVariantPath(source);
            const std::string* opened = nullptr;
            if (Source(source))
                opened = &source;
            else if (Source(variant))
                opened = &variant;
            if (!opened) {
                Report(piece.line, file, piece.line,
                       "no source for " + Quoted(name.empty() ? prototype : name) + ": neither " + source + " nor "
                           + variant + " can be read");
                continue;
            }
            const SourceText& text = *Source(*opened);
            CheckReading(*opened, text, piece.line);
            size_t start = 0;
            while (start < text.pieces.size() && !IsBlockStartLine(text.pieces[start].text, prototype))
                ++start;
            if (start == text.pieces.size()) {
                Report(piece.line, file, piece.line,
                       *opened + " holds no prototype comment line with " + Quoted(prototype)
                           + ": the routine's block and parameters cannot be shown");
                continue;
            }
            CheckRoutine(piece.line, *opened, text, start, prototype);
        }
        if (listed == 0)
            Report(1, file, 1,
                   "nothing is listed: no one-line declaration returns int, char, long, double, unsigned, uint or short");
    }

    // The source file, read once; nothing when it cannot be read.
    const SourceText* Source(const std::string& path)
    {
        auto found = m_sources.find(path);
        if (found == m_sources.end()) {
            std::optional<SourceText> text(std::in_place);
            if (!LoadSourceText(path, *text))
                text.reset();
            found = m_sources.emplace(path, std::move(text)).first;
        }
        return found->second ? &*found->second : nullptr;
    }

    // The routine whose prototype comment line is piece `start` of `text`:
    // its closing line and its hint lines.
    void CheckRoutine(int anchor, const std::string& file, const SourceText& text, size_t start,
                      const std::string& prototype)
    {
        const Piece& head = text.pieces[start];
        const std::string routineName = RoutineNameOf(prototype).empty() ? prototype : RoutineNameOf(prototype);
        const size_t n = text.pieces.size();
        const int end = start + 1 < n ? text.nextEnd[start + 1] : -1;
        const int marker = start + 1 < n ? text.nextMarker[start + 1] : -1;
        if (marker >= 0 && (end < 0 || marker < end))
            Report(anchor, file, head.line,
                   "routine " + Quoted(routineName) + " has no closing line before the next prototype comment (line "
                       + std::to_string(text.pieces[static_cast<size_t>(marker)].line)
                       + "): its source block runs on into that routine");
        else if (end < 0)
            Report(anchor, file, head.line,
                   "routine " + Quoted(routineName)
                       + " has no closing line (a word beginning with END): its source block runs to the end of the file");

        PieceSource replay(text.pieces, start);
        const ParameterPanelModel model = ParsePrototypeSource(ParameterPanelModel {}, prototype, &replay);
        if (model.nParams == 0)
            return;
        if (head.continues) {
            Report(anchor, file, head.line,
                   "the prototype comment line is longer than 255 bytes: its rest is read where the hint line of "
                       + Quoted(model.names[0]) + " should be");
            return;
        }
        std::set<std::string> allNames(model.names.begin(), model.names.begin() + model.nParams);
        allNames.insert(model.extraNames.begin(), model.extraNames.end());

        for (int k = 0; k < model.nParams; ++k) {
            const std::string& name = model.names[static_cast<size_t>(k)];
            const size_t index = start + 1 + static_cast<size_t>(k);
            if (IsNameless(name)) {
                Report(anchor, file, head.line,
                       "parameter " + std::to_string(k + 1) + " (" + Quoted(name)
                           + ") has no name, so no hint line can name it");
                continue;
            }
            if (index >= n) {
                Report(anchor, file, head.line,
                       "parameter " + Quoted(name) + " has no hint line: the file ends before it");
                continue;
            }
            const Piece& hintPiece = text.pieces[index];
            if (hintPiece.continues) {
                Report(anchor, file, hintPiece.line,
                       "the hint line of " + Quoted(name)
                           + " is longer than 255 bytes: it is read in 255-byte pieces, so its hint and the hint "
                             "lines after it are misread");
                return;
            }
            CheckHintLine(anchor, file, hintPiece, name, model.hints[static_cast<size_t>(k)], allNames);
        }
    }

    void CheckHintLine(int anchor, const std::string& file, const Piece& piece, const std::string& name,
                       const std::string& hint, const std::set<std::string>& allNames)
    {
        const std::string h = WithoutBlanks(piece.text);
        std::string named;
        size_t at = 1;
        if (!h.empty() && (h[0] == ';' || h[0] == '@')) {
            while (at < h.size() && h[at] == '*')
                ++at;
            size_t stop = at;
            while (stop < h.size() && IsIdentChar(h[stop]))
                ++stop;
            if (stop > at && h.compare(stop, 2, ":{") == 0)
                named = h.substr(at, stop - at);
            at = stop + 1;
        }
        if (named.empty()) {
            Report(anchor, file, piece.line,
                   "parameter " + Quoted(name) + " has no hint line here (write '; " + name
                       + ":{}' for a parameter without a hint)");
            return;
        }
        if (named != name) {
            if (allNames.count(named))
                Report(anchor, file, piece.line,
                       "the hint line names " + Quoted(named) + " where the hint line of " + Quoted(name)
                           + " is read: hint lines follow the parameters in order, one line each");
            else
                Report(anchor, file, piece.line, "the hint line names " + Quoted(named) + ", not parameter " + Quoted(name));
            return;
        }

        const int open = static_cast<int>(at);  // the '{' after "name:"
        const int close = Find(h, '}', open + 1);
        const int inner = Find(h, '{', open + 1);
        if (close < 0) {
            Report(anchor, file, piece.line, "the hint of " + Quoted(name) + " has no closing '}'");
            return;
        }
        if (inner >= 0 && inner < close) {
            Report(anchor, file, piece.line, "the hint of " + Quoted(name) + " has unbalanced braces: a '{' inside it");
            return;
        }
        CheckHint(anchor, file, piece.line, name, hint);
    }

    void CheckHint(int anchor, const std::string& file, int line, const std::string& name, const std::string& hint)
    {
        if (hint.empty())
            return;
        const std::string of = Quoted(hint) + " of " + Quoted(name);
        if (IsChoiceHint(hint)) {
            if (const size_t item = FirstEmptyItem(SplitChoiceHint(hint)))
                Report(anchor, file, line, "the choice list " + of + " has an empty item (item " + std::to_string(item) + ")");
            return;
        }
        if (hint[0] == ',' && hint.size() > 1) {
            Report(anchor, file, line, "the hint " + of + " begins with ',': it is no choice list, the slot gets a plain value edit");
            return;
        }
        if (hint[0] == '|' && hint.size() > 1)
            Report(anchor, file, line, "the hint " + of + " begins with '|': it is no option list");
        switch (ClassifyHint(hint)) {
        case HintKind::OptionList:
            if (const size_t item = FirstEmptyItem(SplitOptionList(hint)))
                Report(anchor, file, line, "the option list " + of + " has an empty item (item " + std::to_string(item) + ")");
            return;
        case HintKind::ToolProgram: {
            if (ToolHintRefusal(hint)) {
                Report(anchor, file, line, "the tool program " + of + " is refused: it must be a plain file name in the library's folder");
                return;
            }
            const std::string command = BuildToolCommand(m_libraryPath, hint);
            std::error_code error;
            if (!std::filesystem::is_regular_file(command, error))
                Report(anchor, file, line, "the tool program " + command + " of " + Quoted(name) + " is not found");
            return;
        }
        case HintKind::None:
            break;
        }
        const auto range = ParseRangeHint(hint);
        if (!range) {
            if (hint[0] == '-' && Find(hint, '-', 1) > 0)
                Report(anchor, file, line, "the hint " + of + " begins with '-': it is no range (its first '-' parts the bounds, so the low bound cannot be negative)");
            return;
        }
        bool numbers = true;
        for (const std::string* bound : {&range->low, &range->high}) {
            if (!ConvertsFully(*bound)) {
                Report(anchor, file, line,
                       "the range " + of + ": its " + (bound == &range->low ? "low" : "high") + " bound "
                           + Quoted(*bound) + " is not a number");
                numbers = false;
            }
        }
        if (numbers && std::strtoll(range->low.c_str(), nullptr, 0) > std::strtoll(range->high.c_str(), nullptr, 0))
            Report(anchor, file, line,
                   "the range " + of + " is empty: its low bound is above its high bound, so every value is reported");
    }

    std::string m_libraryPath;
    std::vector<Found> m_found;
    std::set<std::string> m_seen;
    std::map<std::string, std::optional<SourceText>> m_sources;
};

} // namespace

std::string FormatDiagnostic(const Diagnostic& diagnostic)
{
    return diagnostic.file + ":" + std::to_string(diagnostic.line) + ": " + diagnostic.message;
}

std::optional<std::vector<Diagnostic>> CheckLibrary(const std::string& libraryPath)
{
    Checker checker(libraryPath);
    if (!checker.Run())
        return std::nullopt;
    return checker.Take();
}

} // namespace tovel::cli
