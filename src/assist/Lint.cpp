#include "assist/Lint.h"

#include "common/ByteText.h"
#include "composer/ValueEditors.h"
#include "library/LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <optional>
#include <unordered_set>

namespace tovel::cli {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

enum class TokenKind { Name, Number, Literal, Punct };

// The bytes of a token that are kept: a routine name, an option name or a
// number longer than a library's line could hold is never one to judge.
constexpr size_t kTokenTextKept = 256;

struct Token {
    TokenKind kind = TokenKind::Punct;
    std::string text; // its first kTokenTextKept bytes
    bool cut = false; // the token is longer
    int64_t line = 0;
    int64_t column = 0;
    int64_t endLine = 0;   // the line of its last byte
    int64_t endColumn = 0; // the byte column after it
};

// An argument as far as it can be judged: its first tokens.
constexpr size_t kTokensKept = 256;

struct Argument {
    std::vector<Token> tokens;
    bool complex = false; // holds parentheses, brackets or too many tokens
};

// Open calls kept at most: in deeper nesting the outermost are dropped
// unjudged, so nested text cannot make the open calls fill the memory.
constexpr size_t kOpenCallsKept = 256;

struct OpenCall {
    const std::vector<LintRoutine>* routines;
    std::string name;
    int64_t line, column, endColumn;
    int64_t depth;                   // the bracket depth inside its parentheses
    size_t kept;                     // how many arguments are kept: as many as its routines have slots, at least one
    size_t given = 1;                // the arguments seen so far
    std::vector<Argument> arguments; // the first `kept` of them
};

// The bytes of a C source, from memory or read from a file in blocks.
class LintSource {
public:
    explicit LintSource(std::string_view text) : m_data(text.data()), m_end(text.size()) {}
    explicit LintSource(std::FILE* file) : m_file(file), m_block(kBlockSize + 2) { Fill(); }

    // The byte `ahead` places on, or -1 past the end.
    int Peek(size_t ahead = 0)
    {
        if (m_pos + ahead >= m_end)
            Fill();
        return m_pos + ahead < m_end ? static_cast<unsigned char>(m_data[m_pos + ahead]) : -1;
    }
    void Skip() { ++m_pos; }
    bool Failed() const { return m_failed; }
    // How many of the bytes buffered from the reading place on are
    // identifier bytes, and where they stand: a name is taken at once.
    size_t IdentifierRun() const
    {
        size_t end = m_pos;
        while (end < m_end && IsIdentifierByte(m_data[end]))
            ++end;
        return end - m_pos;
    }
    const char* Here() const { return m_data + m_pos; }
    void Skip(size_t n) { m_pos += n; }

private:
    static constexpr size_t kBlockSize = 64 * 1024;

    // Keeps the unread bytes and reads on behind them.
    void Fill()
    {
        if (!m_file || m_eof)
            return;
        const size_t rest = m_end - m_pos;
        std::memmove(m_block.data(), m_block.data() + m_pos, rest);
        m_pos = 0;
        m_end = rest;
        while (!m_eof && m_end < 3) {
            const size_t got = std::fread(m_block.data() + m_end, 1, m_block.size() - m_end, m_file);
            m_end += got;
            if (got == 0) {
                m_eof = true;
                m_failed = std::ferror(m_file) != 0;
            }
        }
        m_data = m_block.data();
    }

    std::FILE* m_file = nullptr;
    std::vector<char> m_block;
    const char* m_data = nullptr;
    size_t m_pos = 0;
    size_t m_end = 0;
    bool m_eof = false;
    bool m_failed = false;
};

// An integer literal as C writes it, with an optional sign: the digits
// without their suffix, or empty.
std::string IntegerLiteral(const std::vector<Token>& tokens)
{
    size_t i = 0;
    std::string sign;
    if (tokens.size() == 2 && tokens[0].kind == TokenKind::Punct && (tokens[0].text == "-" || tokens[0].text == "+")) {
        sign = std::string(tokens[0].text);
        i = 1;
    }
    if (tokens.size() != i + 1 || tokens[i].kind != TokenKind::Number || tokens[i].cut)
        return {};
    std::string_view t = tokens[i].text;
    while (!t.empty() && (t.back() == 'u' || t.back() == 'U' || t.back() == 'l' || t.back() == 'L'))
        t.remove_suffix(1);
    if (t.empty())
        return {};
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        if (!std::all_of(t.begin() + 2, t.end(),
                         [](char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }))
            return {};
    } else if (t[0] == '0') {
        if (!std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '7'; }))
            return {};
    } else if (!std::all_of(t.begin(), t.end(), IsDigit)) {
        return {};
    }
    return sign + std::string(t);
}

// The names of an argument made only of names joined by '|' with at least
// one '|'; empty otherwise.
std::vector<std::string_view> JoinedNames(const std::vector<Token>& tokens)
{
    std::vector<std::string_view> names;
    if (tokens.size() < 3 || tokens.size() % 2 == 0)
        return {};
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (i % 2 == 0) {
            if (tokens[i].kind != TokenKind::Name || tokens[i].cut)
                return {};
            names.push_back(tokens[i].text);
        } else if (tokens[i].text != "|") {
            return {};
        }
    }
    return names;
}

bool IsStatementWord(std::string_view word)
{
    return word == "return" || word == "else" || word == "do" || word == "case" || word == "goto" || word == "sizeof";
}

class Linter {
public:
    Linter(LintSource& source, const LintLookup& routines) : m_source(source), m_routines(routines) {}

    std::vector<LintFinding> Run()
    {
        Token token;
        while (NextToken(token))
            Take(token);
        return std::move(m_findings);
    }

private:
    int Peek(size_t ahead = 0) { return m_source.Peek(ahead); }

    // Moves on by one byte, counting lines.
    void Advance()
    {
        if (Peek() == '\n') {
            ++m_line;
            m_lineStart = m_pos + 1;
        }
        m_source.Skip();
        ++m_pos;
    }

    // Moves on by one byte that belongs to the token.
    void Keep(Token& token)
    {
        const int c = Peek();
        if (token.text.size() < kTokenTextKept)
            token.text += static_cast<char>(c);
        else
            token.cut = true;
        Advance();
    }

    // The next token; comments are skipped, a string or character literal
    // is one token.
    bool NextToken(Token& token)
    {
        for (;;) {
            const int c = Peek();
            if (c < 0)
                return false;
            if (c == '\n' || c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                Advance();
                continue;
            }
            if (c == '/' && Peek(1) == '/') {
                while (Peek() >= 0 && Peek() != '\n')
                    Advance();
                continue;
            }
            if (c == '/' && Peek(1) == '*') {
                Advance();
                Advance();
                while (Peek() >= 0 && !(Peek() == '*' && Peek(1) == '/'))
                    Advance();
                if (Peek() >= 0) {
                    Advance();
                    Advance();
                }
                continue;
            }
            break;
        }
        token.text.clear();
        token.cut = false;
        token.line = m_line;
        token.column = static_cast<int64_t>(m_pos - m_lineStart) + 1;
        const int c = Peek();
        if (c == '"' || c == '\'') {
            token.kind = TokenKind::Literal;
            Keep(token);
            while (Peek() >= 0 && Peek() != c && Peek() != '\n') {
                if (Peek() == '\\' && Peek(1) >= 0)
                    Keep(token);
                Keep(token);
            }
            if (Peek() == c)
                Keep(token);
        } else if (IsIdentifierStartByte(static_cast<char>(c))) {
            token.kind = TokenKind::Name;
            for (;;) {
                const size_t run = m_source.IdentifierRun();
                if (run == 0) {
                    // Nothing more buffered: Peek reads on.
                    if (Peek() < 0 || !IsIdentifierByte(static_cast<char>(Peek())))
                        break;
                    Keep(token);
                    continue;
                }
                // A name holds no line feed, so the lines stay counted.
                const size_t room = kTokenTextKept - std::min(kTokenTextKept, token.text.size());
                token.text.append(m_source.Here(), std::min(run, room));
                if (run > room)
                    token.cut = true;
                m_source.Skip(run);
                m_pos += run;
            }
        } else if (IsDigit(static_cast<char>(c)) || (c == '.' && Peek(1) >= 0 && IsDigit(static_cast<char>(Peek(1))))) {
            token.kind = TokenKind::Number;
            int prev = c;
            Keep(token);
            while (Peek() >= 0) {
                const char d = static_cast<char>(Peek());
                if (IsIdentifierByte(d) || d == '.'
                    || ((d == '+' || d == '-') && (prev == 'e' || prev == 'E' || prev == 'p' || prev == 'P'))) {
                    prev = d;
                    Keep(token);
                } else {
                    break;
                }
            }
        } else {
            token.kind = TokenKind::Punct;
            Keep(token);
            if (c == '-' && Peek() == '>')
                Keep(token);
        }
        token.endLine = m_line;
        token.endColumn = static_cast<int64_t>(m_pos - m_lineStart) + 1;
        return true;
    }

    void Take(const Token& token)
    {
        const bool open =
            token.kind == TokenKind::Punct && (token.text == "(" || token.text == "[" || token.text == "{");
        const bool close =
            token.kind == TokenKind::Punct && (token.text == ")" || token.text == "]" || token.text == "}");

        if (m_candidate) {
            // A routine's name was the last token: a '(' makes it a call.
            const Candidate candidate = *m_candidate;
            m_candidate.reset();
            if (token.text == "(") {
                NoteInArgument(token, true);
                ++m_depth;
                if (m_calls.size() == kOpenCallsKept)
                    m_calls.pop_front();
                size_t kept = 1;
                for (const LintRoutine& routine : *candidate.routines)
                    kept = std::max(kept, routine.slotList.size());
                m_calls.push_back({candidate.routines,
                                   candidate.name,
                                   candidate.line,
                                   candidate.column,
                                   candidate.endColumn,
                                   m_depth,
                                   kept,
                                   1,
                                   {}});
                m_calls.back().arguments.emplace_back();
                Remember(token);
                return;
            }
        }
        if (close) {
            if (!m_calls.empty() && m_calls.back().depth == m_depth && token.text == ")") {
                Finish(m_calls.back());
                m_calls.pop_back();
            } else {
                NoteInArgument(token, false);
            }
            if (m_depth > 0)
                --m_depth;
            // A bracket closing an open call's parentheses (unbalanced text) drops the call.
            while (!m_calls.empty() && m_calls.back().depth > m_depth)
                m_calls.pop_back();
            Remember(token);
            return;
        }
        if (open) {
            NoteInArgument(token, true);
            ++m_depth;
            Remember(token);
            return;
        }
        if (token.text == "," && !m_calls.empty() && m_calls.back().depth == m_depth) {
            OpenCall& call = m_calls.back();
            if (++call.given <= call.kept)
                call.arguments.emplace_back();
            Remember(token);
            return;
        }
        NoteInArgument(token, false);
        if (token.kind == TokenKind::Name && !token.cut) {
            const std::vector<LintRoutine>* found = m_routines.Find(token.text);
            if (found && !found->empty() && !IsDeclarationContext())
                m_candidate = Candidate{found, token.text, token.line, token.column, token.endColumn};
        }
        Remember(token);
    }

    // A name right after a type (or "type *"), a '.' or "->" is no call of
    // the routine: a declaration, a definition, a macro definition or a member.
    bool IsDeclarationContext() const
    {
        const Token& last = Last(0);
        if (m_seen == 0)
            return false;
        if (last.kind == TokenKind::Name)
            return !IsStatementWord(last.text);
        if (last.kind == TokenKind::Punct && (last.text == "." || last.text == "->"))
            return true;
        if (last.kind == TokenKind::Punct && last.text == "*" && m_seen > 1 && Last(1).kind == TokenKind::Name
            && !IsStatementWord(Last(1).text)) {
            // "type *Name(" at the start of a declaration; "x * Name(" inside an expression.
            if (m_seen == 2)
                return true;
            const Token& before = Last(2);
            return before.kind == TokenKind::Name || before.text == ";" || before.text == "{" || before.text == "}"
                || before.text == ")";
        }
        return false;
    }

    // The token `back` places before the current one (0: the last), of the
    // last three, kept in turn in a ring.
    const Token& Last(size_t back) const { return m_last[(m_seen + 2 - back) % 3]; }

    void Remember(const Token& token)
    {
        m_last[m_seen % 3] = token;
        ++m_seen;
    }

    // The token belongs to the innermost open call's current argument.
    void NoteInArgument(const Token& token, bool opensBracket)
    {
        if (m_calls.empty() || m_calls.back().depth != m_depth || m_calls.back().given > m_calls.back().kept)
            return;
        Argument& argument = m_calls.back().arguments.back();
        if (opensBracket || argument.tokens.size() >= kTokensKept)
            argument.complex = true;
        else
            argument.tokens.push_back(token);
    }

    void Finish(const OpenCall& call)
    {
        const std::vector<Argument>& arguments = call.arguments;
        const bool none = call.given == 1 && arguments[0].tokens.empty() && !arguments[0].complex;
        const int64_t given = none ? 0 : static_cast<int64_t>(call.given);
        const LintRoutine* match = nullptr;
        for (const LintRoutine& routine : *call.routines)
            if (routine.parameters == given || (routine.variadic && given >= routine.parameters - 1)) {
                match = &routine;
                break;
            }
        const std::string& name = call.name;
        if (!match) {
            const LintRoutine& routine = call.routines->front();
            m_findings.push_back({call.line, call.column,
                                  "'" + name + "' takes " + std::to_string(routine.parameters)
                                      + (routine.parameters == 1 ? " argument, " : " arguments, ")
                                      + std::to_string(given) + " given (" + routine.prototype + ")",
                                  call.line, call.endColumn, kLintArgumentCount});
            return;
        }
        for (size_t k = 0; !none && k < arguments.size() && k < match->slotList.size(); ++k)
            Judge(name, k, match->slotList[k], arguments[k]);
    }

    void Judge(const std::string& routine, size_t k, const SlotInfo& slot, const Argument& argument)
    {
        if (argument.complex || argument.tokens.empty())
            return;
        const Token& first = argument.tokens.front();
        const Token& last = argument.tokens.back();
        // The argument in words, made only for a finding.
        const auto which = [&] {
            return "argument " + std::to_string(k + 1) + " of '" + routine + "' (" + slot.name + ")";
        };
        if (slot.kind == SlotKind::Range) {
            const std::string value = IntegerLiteral(argument.tokens);
            if (!value.empty() && IsRangeCandidate(value)
                && CompareToRange(slot.range->low, slot.range->high, value) != 0)
                m_findings.push_back({first.line, first.column,
                                      which() + " is " + value + ", outside its range " + slot.hint, last.endLine,
                                      last.endColumn, kLintOutOfRange});
        } else if (slot.kind == SlotKind::OptionList) {
            for (const std::string_view name : JoinedNames(argument.tokens)) {
                if (std::find(slot.items.begin(), slot.items.end(), name) == slot.items.end()) {
                    m_findings.push_back(
                        {first.line, first.column,
                         which() + ": '" + std::string(name) + "' is not among its options {" + slot.hint + "}",
                         last.endLine, last.endColumn, kLintUnknownOption});
                }
            }
        }
    }

    struct Candidate {
        const std::vector<LintRoutine>* routines;
        std::string name;
        int64_t line, column, endColumn;
    };

    LintSource& m_source;
    const LintLookup& m_routines;
    uint64_t m_pos = 0;
    int64_t m_line = 1;
    uint64_t m_lineStart = 0;
    int64_t m_depth = 0;
    Token m_last[3];
    size_t m_seen = 0;
    std::optional<Candidate> m_candidate;
    std::deque<OpenCall> m_calls;
    std::vector<LintFinding> m_findings;
};

// A map made at once, as a lookup.
class MapLookup : public LintLookup {
public:
    explicit MapLookup(const LintRoutines& routines) : m_routines(routines) {}
    bool Empty() const override { return m_routines.empty(); }
    const std::vector<LintRoutine>* Find(const std::string& name) const override
    {
        const auto found = m_routines.find(name);
        return found == m_routines.end() ? nullptr : &found->second;
    }

private:
    const LintRoutines& m_routines;
};

} // namespace

LintRoutine MakeLintRoutine(const std::string& libraryPath, std::string_view prototype,
                            const ParameterPanelModel& panel)
{
    LintRoutine lint;
    lint.prototype = ListLine(prototype);
    lint.parameters = panel.nParams + static_cast<int>(panel.extraNames.size());
    if (!panel.extraNames.empty())
        lint.variadic = panel.extraNames.back() == "...";
    else if (panel.nParams > 0)
        lint.variadic = panel.names[static_cast<size_t>(panel.nParams - 1)] == "...";
    for (int k = 0; k < panel.nParams; ++k) {
        const auto i = static_cast<size_t>(k);
        lint.slotList.push_back(DescribeSlot(libraryPath, panel.names[i], panel.hints[i], panel.values[i]));
    }
    return lint;
}

LintRoutines MakeLintRoutines(const std::string& libraryPath, const std::vector<RoutinePanel>& panels)
{
    LintRoutines routines;
    std::unordered_set<std::string> kept;
    for (const RoutinePanel& routine : panels) {
        const std::string name = RoutineNameOf(routine.prototype);
        if (!routine.found || name.empty() || routine.panel.function != name)
            continue;
        LintRoutine lint = MakeLintRoutine(libraryPath, routine.prototype, routine.panel);
        // A prototype is kept once: a set of the kept texts answers at once,
        // however many prototypes share the name.
        if (kept.insert(lint.prototype).second)
            routines[name].push_back(std::move(lint));
    }
    return routines;
}

std::vector<LintFinding> LintText(std::string_view text, const LintRoutines& routines)
{
    return LintText(text, MapLookup(routines));
}

std::vector<LintFinding> LintText(std::string_view text, const LintLookup& routines)
{
    if (routines.Empty())
        return {};
    LintSource source(text);
    return Linter(source, routines).Run();
}

ReadResult<std::vector<LintFinding>> LintFile(const std::string& path, const LintRoutines& routines)
{
    // The line reader's refusal tells why: no file, a folder, a device.
    FileLineReader probe;
    if (!probe.Open(path))
        return ReadErrorOf(ReadError::Subject::File, path, probe);
    probe.Close();
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return ReadError{ReadError::Subject::File, path, errno ? std::strerror(errno) : "it cannot be opened"};
    LintSource source(file);
    std::vector<LintFinding> findings;
    if (!routines.empty())
        findings = Linter(source, MapLookup(routines)).Run();
    else
        while (source.Peek() >= 0)
            source.Skip(); // the file is still read, to tell whether it can be
    const bool failed = source.Failed();
    const int error = errno;
    std::fclose(file);
    if (failed)
        return ReadError{ReadError::Subject::File, path, error ? std::strerror(error) : "it cannot be read"};
    return findings;
}

std::string FormatLintFinding(const std::string& file, const LintFinding& finding)
{
    return file + ":" + std::to_string(finding.line) + ":" + std::to_string(finding.column)
        + ": warning: " + finding.message;
}

} // namespace tovel::cli
