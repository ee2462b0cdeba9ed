#include "cli/Lint.h"

#include "composer/ValueEditors.h"

#include <algorithm>
#include <optional>

namespace tovel::cli {

namespace {

bool IsIdentStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsIdentChar(char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

enum class TokenKind { Name, Number, Literal, Punct };

struct Token {
    TokenKind kind = TokenKind::Punct;
    std::string_view text;
    int line = 0;
    int column = 0;
};

// An argument as far as it can be judged: its first tokens.
constexpr size_t kTokensKept = 256;

struct Argument {
    std::vector<Token> tokens;
    bool complex = false; // holds parentheses, brackets or too many tokens
};

struct OpenCall {
    const std::vector<LintRoutine>* routines;
    std::string_view name;
    int line, column;
    int depth; // the bracket depth inside its parentheses
    std::vector<Argument> arguments;
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
    if (tokens.size() != i + 1 || tokens[i].kind != TokenKind::Number)
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
            if (tokens[i].kind != TokenKind::Name)
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
    Linter(std::string_view text, const LintRoutines& routines) : m_text(text), m_routines(routines) {}

    std::vector<LintFinding> Run()
    {
        Token token;
        while (NextToken(token))
            Take(token);
        return std::move(m_findings);
    }

private:
    // The next token; comments are skipped, a string or character literal
    // is one token.
    bool NextToken(Token& token)
    {
        for (;;) {
            if (m_pos >= m_text.size())
                return false;
            const char c = m_text[m_pos];
            if (c == '\n') {
                Advance(1);
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                Advance(1);
                continue;
            }
            if (c == '/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '/') {
                while (m_pos < m_text.size() && m_text[m_pos] != '\n')
                    Advance(1);
                continue;
            }
            if (c == '/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '*') {
                Advance(2);
                while (m_pos < m_text.size()
                       && !(m_text[m_pos] == '*' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '/'))
                    Advance(1);
                Advance(m_pos < m_text.size() ? 2 : 0);
                continue;
            }
            break;
        }
        const size_t start = m_pos;
        token.line = m_line;
        token.column = static_cast<int>(m_pos - m_lineStart) + 1;
        const char c = m_text[m_pos];
        if (c == '"' || c == '\'') {
            token.kind = TokenKind::Literal;
            Advance(1);
            while (m_pos < m_text.size() && m_text[m_pos] != c && m_text[m_pos] != '\n') {
                if (m_text[m_pos] == '\\' && m_pos + 1 < m_text.size())
                    Advance(1);
                Advance(1);
            }
            if (m_pos < m_text.size() && m_text[m_pos] == c)
                Advance(1);
        } else if (IsIdentStart(c)) {
            token.kind = TokenKind::Name;
            while (m_pos < m_text.size() && IsIdentChar(m_text[m_pos]))
                ++m_pos;
        } else if (IsDigit(c) || (c == '.' && m_pos + 1 < m_text.size() && IsDigit(m_text[m_pos + 1]))) {
            token.kind = TokenKind::Number;
            ++m_pos;
            while (m_pos < m_text.size()) {
                const char d = m_text[m_pos];
                const char prev = m_text[m_pos - 1];
                if (IsIdentChar(d) || d == '.'
                    || ((d == '+' || d == '-') && (prev == 'e' || prev == 'E' || prev == 'p' || prev == 'P')))
                    ++m_pos;
                else
                    break;
            }
        } else {
            token.kind = TokenKind::Punct;
            ++m_pos;
            if (c == '-' && m_pos < m_text.size() && m_text[m_pos] == '>')
                ++m_pos;
        }
        token.text = m_text.substr(start, m_pos - start);
        return true;
    }

    // Moves on by n bytes, counting lines.
    void Advance(size_t n)
    {
        for (size_t i = 0; i < n && m_pos < m_text.size(); ++i) {
            if (m_text[m_pos] == '\n') {
                ++m_line;
                m_lineStart = m_pos + 1;
            }
            ++m_pos;
        }
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
                m_calls.push_back({candidate.routines, candidate.name, candidate.line, candidate.column, m_depth, {}});
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
            m_calls.back().arguments.emplace_back();
            Remember(token);
            return;
        }
        NoteInArgument(token, false);
        if (token.kind == TokenKind::Name) {
            const auto found = m_routines.find(std::string(token.text));
            if (found != m_routines.end() && !IsDeclarationContext())
                m_candidate = Candidate{&found->second, token.text, token.line, token.column};
        }
        Remember(token);
    }

    // A name right after a type (or "type *"), a '.' or "->" is no call of
    // the routine: a declaration, a definition, a macro definition or a member.
    bool IsDeclarationContext() const
    {
        const Token& last = m_last[0];
        if (m_seen == 0)
            return false;
        if (last.kind == TokenKind::Name)
            return !IsStatementWord(last.text);
        if (last.kind == TokenKind::Punct && (last.text == "." || last.text == "->"))
            return true;
        if (last.kind == TokenKind::Punct && last.text == "*" && m_seen > 1 && m_last[1].kind == TokenKind::Name
            && !IsStatementWord(m_last[1].text)) {
            // "type *Name(" at the start of a declaration; "x * Name(" inside an expression.
            if (m_seen == 2)
                return true;
            const Token& before = m_last[2];
            return before.kind == TokenKind::Name || before.text == ";" || before.text == "{" || before.text == "}"
                || before.text == ")";
        }
        return false;
    }

    void Remember(const Token& token)
    {
        m_last[2] = m_last[1];
        m_last[1] = m_last[0];
        m_last[0] = token;
        ++m_seen;
    }

    // The token belongs to the innermost open call's current argument.
    void NoteInArgument(const Token& token, bool opensBracket)
    {
        if (m_calls.empty() || m_calls.back().depth != m_depth)
            return;
        Argument& argument = m_calls.back().arguments.back();
        if (opensBracket || argument.tokens.size() >= kTokensKept)
            argument.complex = true;
        else
            argument.tokens.push_back(token);
    }

    void Finish(const OpenCall& call)
    {
        std::vector<Argument> arguments = call.arguments;
        if (arguments.size() == 1 && arguments[0].tokens.empty() && !arguments[0].complex)
            arguments.clear();
        const int given = static_cast<int>(arguments.size());
        const LintRoutine* match = nullptr;
        for (const LintRoutine& routine : *call.routines)
            if (routine.parameters == given || (routine.variadic && given >= routine.parameters - 1)) {
                match = &routine;
                break;
            }
        const std::string name(call.name);
        if (!match) {
            const LintRoutine& routine = call.routines->front();
            m_findings.push_back({call.line, call.column,
                                  "'" + name + "' takes " + std::to_string(routine.parameters)
                                      + (routine.parameters == 1 ? " argument, " : " arguments, ")
                                      + std::to_string(given) + " given (" + routine.prototype + ")"});
            return;
        }
        for (size_t k = 0; k < arguments.size() && k < match->slotList.size(); ++k)
            Judge(name, k, match->slotList[k], arguments[k]);
    }

    void Judge(const std::string& routine, size_t k, const SlotInfo& slot, const Argument& argument)
    {
        if (argument.complex || argument.tokens.empty())
            return;
        const Token& first = argument.tokens.front();
        const std::string which = "argument " + std::to_string(k + 1) + " of '" + routine + "' (" + slot.name + ")";
        if (slot.kind == SlotKind::Range) {
            const std::string value = IntegerLiteral(argument.tokens);
            if (!value.empty() && IsRangeCandidate(value)
                && CompareToRange(slot.range->low, slot.range->high, value) != 0)
                m_findings.push_back(
                    {first.line, first.column, which + " is " + value + ", outside its range " + slot.hint});
        } else if (slot.kind == SlotKind::OptionList) {
            for (const std::string_view name : JoinedNames(argument.tokens)) {
                if (std::find(slot.items.begin(), slot.items.end(), name) == slot.items.end()) {
                    m_findings.push_back(
                        {first.line, first.column,
                         which + ": '" + std::string(name) + "' is not among its options {" + slot.hint + "}"});
                }
            }
        }
    }

    struct Candidate {
        const std::vector<LintRoutine>* routines;
        std::string_view name;
        int line, column;
    };

    std::string_view m_text;
    const LintRoutines& m_routines;
    size_t m_pos = 0;
    int m_line = 1;
    size_t m_lineStart = 0;
    int m_depth = 0;
    Token m_last[3];
    size_t m_seen = 0;
    std::optional<Candidate> m_candidate;
    std::vector<OpenCall> m_calls;
    std::vector<LintFinding> m_findings;
};

} // namespace

LintRoutines MakeLintRoutines(const std::string& libraryPath, const std::vector<RoutinePanel>& panels)
{
    LintRoutines routines;
    for (const RoutinePanel& routine : panels) {
        const std::string name = RoutineNameOf(routine.prototype);
        if (!routine.found || name.empty() || routine.panel.function != name)
            continue;
        const ParameterPanelModel& panel = routine.panel;
        LintRoutine lint;
        lint.prototype = ListLine(routine.prototype);
        lint.parameters = panel.nParams + static_cast<int>(panel.extraNames.size());
        const std::string& lastName = panel.extraNames.empty()
            ? panel.names[static_cast<size_t>(std::max(panel.nParams, 1) - 1)]
            : panel.extraNames.back();
        lint.variadic = lint.parameters > 0 && lastName == "...";
        for (int k = 0; k < panel.nParams; ++k) {
            const auto i = static_cast<size_t>(k);
            lint.slotList.push_back(DescribeSlot(libraryPath, panel.names[i], panel.hints[i], panel.values[i]));
        }
        auto& list = routines[name];
        const bool known = std::any_of(list.begin(), list.end(),
                                       [&](const LintRoutine& other) { return other.prototype == lint.prototype; });
        if (!known)
            list.push_back(std::move(lint));
    }
    return routines;
}

std::vector<LintFinding> LintText(std::string_view text, const LintRoutines& routines)
{
    if (routines.empty())
        return {};
    return Linter(text, routines).Run();
}

std::string FormatLintFinding(const std::string& file, const LintFinding& finding)
{
    return file + ":" + std::to_string(finding.line) + ":" + std::to_string(finding.column)
        + ": warning: " + finding.message;
}

} // namespace tovel::cli
