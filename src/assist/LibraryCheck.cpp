#include "assist/LibraryCheck.h"

#include "assist/Routine.h"
#include "assist/RoutineBlocks.h"
#include "common/ByteText.h"
#include "composer/PrototypeParser.h"
#include "composer/ToolProgram.h"
#include "composer/ValueEditors.h"
#include "library/Format.h"
#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

namespace tovel::cli {

namespace {

// Every kind of finding, with its stable code and severity: an error when
// the routine, its block or a slot's help is lost to the user, a warning
// when the dialog reads the text otherwise than its author meant.
constexpr Severity E = Severity::Error;
constexpr Severity W = Severity::Warning;
constexpr DiagnosticKind kNulCut{"nul-cut", W};
constexpr DiagnosticKind kNulStop{"nul-stop", E};
constexpr DiagnosticKind kMarkerInPiece{"marker-in-piece", W};
constexpr DiagnosticKind kNotListed{"not-listed", E};
constexpr DiagnosticKind kMarkerIndented{"marker-indented", E};
constexpr DiagnosticKind kMarkerSpelling{"marker-spelling", E};
constexpr DiagnosticKind kNothingListed{"nothing-listed", E};
constexpr DiagnosticKind kMarkerTwice{"marker-twice", E};
constexpr DiagnosticKind kListedTwice{"listed-twice", W};
constexpr DiagnosticKind kFoundInside{"found-inside", W};
constexpr DiagnosticKind kDeclarationNotListed{"declaration-not-listed", E};
constexpr DiagnosticKind kDeclarationOpen{"declaration-open", W};
constexpr DiagnosticKind kNoSource{"no-source", E};
constexpr DiagnosticKind kSourceWithoutPrototype{"source-without-prototype", E};
constexpr DiagnosticKind kBlockRunsOn{"block-runs-on", W};
constexpr DiagnosticKind kBlockOpen{"block-open", W};
constexpr DiagnosticKind kLongPrototypeLine{"long-prototype-line", W};
constexpr DiagnosticKind kNamelessParameter{"nameless-parameter", W};
constexpr DiagnosticKind kNoHintLine{"no-hint-line", W};
constexpr DiagnosticKind kLongHintLine{"long-hint-line", W};
constexpr DiagnosticKind kHintOrder{"hint-order", W};
constexpr DiagnosticKind kHintName{"hint-name", W};
constexpr DiagnosticKind kHintUnclosed{"hint-unclosed", W};
constexpr DiagnosticKind kHintBraces{"hint-braces", W};
constexpr DiagnosticKind kChoiceEmptyItem{"choice-empty-item", W};
constexpr DiagnosticKind kHintComma{"hint-comma", W};
constexpr DiagnosticKind kHintBar{"hint-bar", W};
constexpr DiagnosticKind kOptionEmptyItem{"option-empty-item", W};
constexpr DiagnosticKind kToolRefused{"tool-refused", E};
constexpr DiagnosticKind kToolMissing{"tool-missing", E};
constexpr DiagnosticKind kRangeNotNumber{"range-not-number", W};
constexpr DiagnosticKind kRangeEmpty{"range-empty", W};

// A parameter the parser could only label with its declaration.
bool IsNameless(std::string_view label)
{
    static constexpr std::string_view kTypeWords[] = {"void",  "char",   "short",  "int",     "long",
                                                      "float", "double", "signed", "unsigned"};
    return !IsIdentifier(label)
        || std::find(std::begin(kTypeWords), std::end(kTypeWords), label) != std::end(kTypeWords);
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

// A header line that reads as a function's declaration or the head of its
// definition: a return type and a name before its '(' (a word that starts a
// statement aside), and after its ')' nothing but ';', '{' or a comment
// (or, without a ')', a parameter list that goes on on the next line).
bool IsDeclarationShaped(std::string_view line)
{
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i == line.size() || !IsIdentifierStartByte(line[i]))
        return false;
    const size_t open = line.find('(', i);
    if (open == std::string_view::npos)
        return false;
    // The head: identifiers, '*' and blanks only, the last identifier the name.
    std::vector<std::string_view> words;
    for (size_t p = i; p < open;) {
        const char c = line[p];
        if (IsIdentifierByte(c)) {
            size_t end = p;
            while (end < open && IsIdentifierByte(line[end]))
                ++end;
            words.push_back(line.substr(p, end - p));
            p = end;
        } else if (c == ' ' || c == '\t' || c == '*') {
            ++p;
        } else {
            return false;
        }
    }
    static constexpr std::string_view kStatementWords[] = {"return", "if",     "else",  "while", "for",
                                                           "switch", "case",   "do",    "goto",  "typedef",
                                                           "sizeof", "define", "undef", "pragma"};
    if (words.size() < 2 || IsNameless(words.back())
        || std::find(std::begin(kStatementWords), std::end(kStatementWords), words.front())
            != std::end(kStatementWords))
        return false;
    std::string_view rest = line.substr(open);
    while (!rest.empty() && std::strchr(" \t\r\n", rest.back()) != nullptr)
        rest.remove_suffix(1);
    const size_t close = rest.rfind(')');
    if (close == std::string_view::npos)
        return rest.back() == ',' || rest.back() == '(';
    rest.remove_prefix(close + 1);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
        rest.remove_prefix(1);
    return rest.empty() || rest.front() == ';' || rest.front() == '{' || StartsWith(rest, "//")
        || StartsWith(rest, "/*");
}

class Checker {
public:
    explicit Checker(const TextInput& library) : m_input(library), m_libraryPath(library.Path()) {}

    std::optional<ReadError> Run()
    {
        auto opened = m_input.Open(ReadError::Subject::Library);
        if (!opened)
            return opened.Error();
        PieceCursor library(**opened);
        if (IsHeaderLibrary(m_libraryPath))
            CheckHeader(library);
        else if (auto failure = CheckAssembler(library))
            return failure;
        if (library.NulStopLine() > 0)
            ReportNulStop(m_libraryPath, library.NulStopLine(), 0);
        std::stable_sort(m_found.begin(), m_found.end(),
                         [](const Found& a, const Found& b) { return a.anchor < b.anchor; });
        return std::nullopt;
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
        int line;
    };

    void Report(const DiagnosticKind& kind, int anchor, const std::string& file, int line, std::string message,
                int column = 0, int columnEnd = 0)
    {
        Diagnostic d{file, line, std::move(message), column, columnEnd, kind.severity, kind.code};
        if (m_seen.insert(FormatDiagnostic(d)).second)
            m_found.push_back({anchor, std::move(d)});
    }

    // Bytes that stop the readers early.
    void ReportNulCut(const std::string& file, int line, int anchor)
    {
        Report(kNulCut, anchor ? anchor : line, file, line,
               "the line holds a NUL byte: the rest of the line is not read");
    }

    void ReportNulStop(const std::string& file, int line, int anchor)
    {
        Report(kNulStop, anchor ? anchor : line, file, line,
               "the line begins with a NUL byte: nothing from here on is read");
    }

    std::optional<ReadError> CheckAssembler(PieceCursor& library)
    {
        const std::string& file = m_libraryPath;
        std::vector<Routine> routines;
        std::vector<std::string> prototypes;
        std::set<std::string> distinct;
        LinePiece piece;
        while (library.Next(piece)) {
            if (piece.cutAtNul)
                ReportNulCut(file, piece.line, 0);
            const std::string& t = piece.text;
            if (StartsWithPrototypeMarker(t)) {
                if (auto prototype = ExtractMarkedPrototype(t)) {
                    if (piece.continuation)
                        Report(kMarkerInPiece, piece.line, file, piece.line,
                               "a 255-byte piece of this long line begins with the prototype marker and is listed as "
                                   + Quoted(*prototype));
                    if (distinct.insert(*prototype).second)
                        prototypes.push_back(*prototype);
                    routines.push_back({std::move(*prototype), piece.index, piece.line});
                } else {
                    Report(kNotListed, piece.line, file, piece.line, NotListedReason(t, piece.continues));
                }
                continue;
            }
            size_t lead = 0;
            while (lead < t.size() && (t[lead] == ' ' || t[lead] == '\t'))
                ++lead;
            const std::string_view rest = std::string_view(t).substr(lead);
            // Where the marker stands, in a line's first piece.
            const auto markerColumn = [&](size_t at) { return piece.continuation ? 0 : static_cast<int>(at) + 1; };
            const int markerLength = piece.continuation ? 0 : static_cast<int>(kPrototypeMarkerLength);
            if (lead > 0 && StartsWithPrototypeMarker(rest)) {
                Report(kMarkerIndented, piece.line, file, piece.line,
                       "the prototype comment line is indented and is not listed: the marker must begin the line",
                       markerColumn(lead), markerColumn(lead) + markerLength);
            } else if (rest.size() >= kPrototypeMarkerLength
                       && (EqualsNoCase(rest.substr(0, kPrototypeMarkerLength), kPrototypeMarkerSemicolon)
                           || EqualsNoCase(rest.substr(0, kPrototypeMarkerLength), kPrototypeMarkerAt))) {
                Report(kMarkerSpelling, piece.line, file, piece.line,
                       "the prototype marker is not written exactly '" + std::string(kPrototypeMarkerSemicolon)
                           + "' and the line is not listed",
                       markerColumn(lead), markerColumn(lead) + markerLength);
            }
        }
        if (routines.empty()) {
            Report(kNothingListed, 1, file, 1,
                   "nothing is listed: no line begins with '" + std::string(kPrototypeMarkerSemicolon) + "' or '"
                       + std::string(kPrototypeMarkerAt) + "'");
            return std::nullopt;
        }

        // A second pass finds where the source view and the panel find each
        // prototype: the first prototype comment line that holds it. A
        // routine whose own line is that line is checked there and then.
        std::unordered_map<std::string, std::vector<size_t>> routinesOf;
        for (size_t r = 0; r < routines.size(); ++r)
            routinesOf[routines[r].prototype].push_back(r);
        std::unordered_map<std::string, LinePiece> starts; // prototype -> its start line
        auto again = m_input.Open(ReadError::Subject::Library);
        if (!again)
            return again.Error();
        const std::vector<std::string_view> sought(prototypes.begin(), prototypes.end());
        LocateStartLines(**again, sought, [&](size_t k, const StartLine& start) {
            const LinePiece& head = start.lines.front();
            starts.emplace(prototypes[k], head);
            for (const size_t r : routinesOf[prototypes[k]])
                if (routines[r].piece == head.index)
                    CheckRoutine(routines[r].line, file, start, prototypes[k]);
        });
        for (const Routine& routine : routines) {
            const auto found = starts.find(routine.prototype);
            if (found == starts.end()) {
                Report(kMarkerTwice, routine.line, file, routine.line,
                       "the prototype " + Quoted(routine.prototype)
                           + " is not found again on its own line (the marker appears twice): its block and "
                             "parameters cannot be shown");
                continue;
            }
            const LinePiece& other = found->second;
            if (other.index != routine.piece) {
                const auto otherPrototype = ExtractMarkedPrototype(other.text);
                if (otherPrototype && *otherPrototype == routine.prototype)
                    Report(kListedTwice, routine.line, file, routine.line,
                           "the prototype " + Quoted(routine.prototype) + " is listed twice: line "
                               + std::to_string(other.line) + " has it first, and its block and hints are used");
                else
                    Report(kFoundInside, routine.line, file, routine.line,
                           "the prototype " + Quoted(routine.prototype) + " is found first inside line "
                               + std::to_string(other.line) + " (" + Quoted(otherPrototype.value_or(other.text))
                               + "): that line's block and hints are shown for it");
                continue;
            }
        }
        return std::nullopt;
    }

    static std::string NotListedReason(std::string_view line, bool longLine)
    {
        const std::string rest = TrimLineEnd(SkipMarkerSpace(RemovePrototypeMarkers(line)));
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

    static std::string UnlistedDeclarationReason(const NormalisedDeclaration& declaration)
    {
        const std::string& word = declaration.returnWord;
        std::string message = "the declaration " + Quoted(TrimLineEnd(declaration.text))
            + " is not listed: its return type " + Quoted(word) + " is not one of " + ListedReturnWordsText();
        std::string bare = word;
        while (!bare.empty() && bare.back() == '*')
            bare.pop_back();
        if (bare != word
            && std::find(kListedReturnWords.begin(), kListedReturnWords.end(), bare) != kListedReturnWords.end())
            message += " (write the '*' with the name, as '" + bare + " *Name')";
        return message;
    }

    void CheckHeader(PieceCursor& header)
    {
        struct Declaration {
            int line;
            std::string prototype;
            std::string source; // the file opened for it
        };
        const std::string& file = m_libraryPath;
        std::vector<Declaration> declarations;
        std::map<std::string, bool> readable;
        const auto canRead = [&](const std::string& path) {
            auto known = readable.find(path);
            if (known == readable.end())
                known = readable.emplace(path, CanOpenForReading(path)).first;
            return known->second;
        };
        int listed = 0;
        LinePiece piece;
        while (header.Next(piece)) {
            if (piece.cutAtNul)
                ReportNulCut(file, piece.line, 0);
            const NormalisedDeclaration declaration = NormaliseDeclaration(piece.text);
            if (!declaration.listed) {
                if (!piece.continuation && IsDeclarationShaped(piece.text))
                    Report(kDeclarationNotListed, piece.line, file, piece.line, UnlistedDeclarationReason(declaration));
                continue;
            }
            ++listed;
            const std::string& prototype = declaration.text;
            const std::string name = RoutineNameOf(prototype);
            if (Find(prototype, ')') < 0) {
                Report(kDeclarationOpen, piece.line, file, piece.line,
                       "the declaration " + Quoted(TrimLineEnd(prototype))
                           + " is listed without its ')': write each declaration on one line");
                continue;
            }
            const std::string sourcePath = SourcePathFor(file, prototype);
            const auto opened = ChooseSourceFile(sourcePath, canRead);
            if (!opened) {
                std::string tried;
                for (const std::string& path : SourcePathCandidates(sourcePath))
                    tried += (tried.empty() ? "" : ", ") + path;
                Report(kNoSource, piece.line, file, piece.line,
                       "no source for " + Quoted(name.empty() ? prototype : name) + ": none of " + tried
                           + " can be read");
                continue;
            }
            declarations.push_back({piece.line, prototype, *opened});
        }
        if (listed == 0)
            Report(kNothingListed, 1, file, 1,
                   "nothing is listed: no one-line declaration returns " + ListedReturnWordsText());

        // Each source file is read once for all the declarations that use it.
        std::map<std::string, std::vector<const Declaration*>> bySource;
        for (const Declaration& d : declarations)
            bySource[d.source].push_back(&d);
        for (const auto& entry : bySource) {
            const std::string& source = entry.first;
            const std::vector<const Declaration*>& users = entry.second;
            std::vector<std::string> prototypes;
            std::unordered_map<std::string, std::vector<const Declaration*>> usersOf;
            for (const Declaration* d : users) {
                auto& list = usersOf[d->prototype];
                if (list.empty())
                    prototypes.push_back(d->prototype);
                list.push_back(d);
            }
            std::set<std::string> found;
            const auto text = LocateStartLines(source, prototypes, [&](size_t k, const StartLine& start) {
                found.insert(prototypes[k]);
                for (const Declaration* d : usersOf[prototypes[k]])
                    CheckRoutine(d->line, source, start, d->prototype);
            });
            for (const Declaration* d : users) {
                if (!text) {
                    Report(kNoSource, d->line, file, d->line,
                           "no source for " + Quoted(d->prototype) + ": " + source + " cannot be read");
                    continue;
                }
                for (int line : text->nulCutLines)
                    ReportNulCut(source, line, d->line);
                if (text->nulStopLine > 0)
                    ReportNulStop(source, text->nulStopLine, d->line);
                if (!found.count(d->prototype))
                    Report(kSourceWithoutPrototype, d->line, file, d->line,
                           source + " holds no prototype comment line with " + Quoted(d->prototype)
                               + ": the routine's block and parameters cannot be shown");
            }
        }
    }

    // The routine whose prototype comment line is the start line: its
    // closing line and its hint lines.
    void CheckRoutine(int anchor, const std::string& file, const StartLine& start, const std::string& prototype)
    {
        const LinePiece& head = start.lines.front();
        const std::string routineName = RoutineNameOf(prototype).empty() ? prototype : RoutineNameOf(prototype);
        if (start.end == BlockEnd::RunsIntoNext)
            Report(kBlockRunsOn, anchor, file, head.line,
                   "routine " + Quoted(routineName) + " has no closing line before the next prototype comment (line "
                       + std::to_string(start.nextMarkerLine) + "): its source block runs on into that routine");
        else if (start.end == BlockEnd::Open)
            Report(kBlockOpen, anchor, file, head.line,
                   "routine " + Quoted(routineName)
                       + " has no closing line (a word END or ENDMOD): its source block runs to the end of the file");

        const ParameterPanelModel model = ParseStartLine(start, prototype);
        if (model.nParams == 0)
            return;
        if (head.continues) {
            Report(kLongPrototypeLine, anchor, file, head.line,
                   "the prototype comment line is longer than 255 bytes: its rest is read where the hint line of "
                       + Quoted(model.names[0]) + " should be");
            return;
        }
        std::set<std::string> allNames(model.names.begin(), model.names.begin() + model.nParams);
        allNames.insert(model.extraNames.begin(), model.extraNames.end());

        for (int k = 0; k < model.nParams; ++k) {
            const std::string& name = model.names[static_cast<size_t>(k)];
            const size_t index = 1 + static_cast<size_t>(k);
            if (IsNameless(name)) {
                Report(kNamelessParameter, anchor, file, head.line,
                       "parameter " + std::to_string(k + 1) + " (" + Quoted(name)
                           + ") has no name, so no hint line can name it");
                continue;
            }
            if (index >= start.lines.size()) {
                Report(kNoHintLine, anchor, file, head.line,
                       "parameter " + Quoted(name) + " has no hint line: the file ends before it");
                continue;
            }
            const LinePiece& hintPiece = start.lines[index];
            if (hintPiece.continues) {
                Report(kLongHintLine, anchor, file, hintPiece.line,
                       "the hint line of " + Quoted(name)
                           + " is longer than 255 bytes: it is read in 255-byte pieces, so its hint and the hint "
                             "lines after it are misread");
                return;
            }
            CheckHintLine(anchor, file, hintPiece, name, model.hints[static_cast<size_t>(k)], allNames);
        }
    }

    void CheckHintLine(int anchor, const std::string& file, const LinePiece& piece, const std::string& name,
                       const std::string& hint, const std::set<std::string>& allNames)
    {
        const HintLine parsed = ParseHintLine(piece.text);
        const std::string& named = parsed.name;
        if (named.empty()) {
            Report(kNoHintLine, anchor, file, piece.line,
                   "parameter " + Quoted(name) + " has no hint line here (write '; " + name
                       + ":{}' for a parameter without a hint)");
            return;
        }
        if (named != name) {
            if (allNames.count(named))
                Report(kHintOrder, anchor, file, piece.line,
                       "the hint line names " + Quoted(named) + " where the hint line of " + Quoted(name)
                           + " is read: hint lines follow the parameters in order, one line each");
            else
                Report(kHintName, anchor, file, piece.line,
                       "the hint line names " + Quoted(named) + ", not parameter " + Quoted(name));
            return;
        }

        for (const HintFault fault : parsed.faults) {
            switch (fault) {
            case HintFault::NoClosingBrace:
                Report(kHintUnclosed, anchor, file, piece.line, "the hint of " + Quoted(name) + " has no closing '}'");
                return;
            case HintFault::BraceInHint:
                Report(kHintBraces, anchor, file, piece.line,
                       "the hint of " + Quoted(name) + " has unbalanced braces: a '{' inside it");
                return;
            }
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
                Report(kChoiceEmptyItem, anchor, file, line,
                       "the choice list " + of + " has an empty item (item " + std::to_string(item) + ")");
            return;
        }
        if (hint[0] == ',' && hint.size() > 1) {
            Report(kHintComma, anchor, file, line,
                   "the hint " + of + " begins with ',': it is no choice list, the slot gets a plain value edit");
            return;
        }
        if (hint[0] == '|' && hint.size() > 1)
            Report(kHintBar, anchor, file, line, "the hint " + of + " begins with '|': it is no option list");
        switch (ClassifyHint(hint)) {
        case HintKind::OptionList:
            if (const size_t item = FirstEmptyItem(SplitOptionList(hint)))
                Report(kOptionEmptyItem, anchor, file, line,
                       "the option list " + of + " has an empty item (item " + std::to_string(item) + ")");
            return;
        case HintKind::ToolProgram: {
            if (ToolHintRefusal(hint)) {
                Report(kToolRefused, anchor, file, line,
                       "the tool program " + of + " is refused: it must be a plain file name in the library's folder");
                return;
            }
            const std::string command = BuildToolCommand(m_libraryPath, hint);
            std::error_code error;
            if (!std::filesystem::is_regular_file(command, error))
                Report(kToolMissing, anchor, file, line,
                       "the tool program " + command + " of " + Quoted(name) + " is not found");
            return;
        }
        case HintKind::None:
            break;
        }
        const auto range = ParseRangeHint(hint);
        if (!range)
            return;
        bool numbers = true;
        for (const std::string* bound : {&range->low, &range->high}) {
            if (!ConvertsFully(*bound)) {
                Report(kRangeNotNumber, anchor, file, line,
                       "the range " + of + ": its " + (bound == &range->low ? "low" : "high") + " bound "
                           + Quoted(*bound) + " is not a number");
                numbers = false;
            }
        }
        if (numbers && std::strtoll(range->low.c_str(), nullptr, 0) > std::strtoll(range->high.c_str(), nullptr, 0))
            Report(kRangeEmpty, anchor, file, line,
                   "the range " + of + " is empty: its low bound is above its high bound, so every value is reported");
    }

    const TextInput& m_input;
    std::string m_libraryPath;
    std::vector<Found> m_found;
    std::set<std::string> m_seen;
};

} // namespace

std::string FormatDiagnostic(const Diagnostic& diagnostic)
{
    return diagnostic.file + ":" + std::to_string(diagnostic.line) + ": " + diagnostic.message;
}

ReadResult<std::vector<Diagnostic>> CheckLibrary(const TextInput& library)
{
    Checker checker(library);
    if (auto failure = checker.Run())
        return std::move(*failure);
    return checker.Take();
}

ReadResult<std::vector<Diagnostic>> CheckLibrary(const std::string& libraryPath)
{
    return CheckLibrary(TextInput::File(libraryPath));
}

} // namespace tovel::cli
