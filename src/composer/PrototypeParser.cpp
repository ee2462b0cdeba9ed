#include "composer/PrototypeParser.h"

#include "common/ByteText.h"
#include "common/RoutineName.h"

#include <algorithm>

namespace tovel {

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Index of the ')' that closes the '(' at index open, or -1.
int MatchingClose(std::string_view text, int open)
{
    int depth = 0;
    for (size_t i = static_cast<size_t>(open); i < text.size(); ++i) {
        if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')') {
            if (--depth == 0)
                return static_cast<int>(i);
        }
    }
    return -1;
}

// Splits a parameter list at the commas that are not inside parentheses.
std::vector<std::string_view> SplitTopLevel(std::string_view list)
{
    std::vector<std::string_view> parts;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        const char c = list[i];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth > 0)
                --depth;
        } else if (c == ',' && depth == 0) {
            parts.push_back(list.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(list.substr(start));
    return parts;
}

bool IsQualifier(std::string_view word)
{
    return word == "const" || word == "volatile" || word == "register" || word == "restrict";
}

// Words that end a type, so a declaration ending in one of them has no name.
bool IsTypeWord(std::string_view word)
{
    static constexpr std::string_view kWords[] = {"void",   "char",   "short",    "int",   "long", "float",
                                                  "double", "signed", "unsigned", "_Bool", "bool"};
    return std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
}

bool IsTagWord(std::string_view word)
{
    return word == "struct" || word == "union" || word == "enum";
}

// The label of one parameter declaration: its name (the last identifier,
// or the one inside a parenthesised declarator such as "(*cb)"), or the
// declaration itself when it names nothing. Empty for an empty declaration.
std::string ParameterLabel(std::string_view decl)
{
    decl = TrimBlanks(decl);
    if (decl.empty())
        return {};

    const size_t open = decl.find('(');
    if (open != std::string_view::npos) {
        size_t i = open + 1;
        while (i < decl.size() && (decl[i] == '*' || decl[i] == ' '))
            ++i;
        size_t end = i;
        while (end < decl.size() && IsIdentifierByte(decl[end]))
            ++end;
        if (end > i && IsIdentifierStartByte(decl[i]))
            return std::string(decl.substr(i, end - i));
        return std::string(decl);
    }

    // Identifiers outside array brackets, qualifiers left out.
    std::vector<std::string_view> words;
    int brackets = 0;
    for (size_t i = 0; i < decl.size();) {
        const char c = decl[i];
        if (c == '[') {
            ++brackets;
            ++i;
        } else if (c == ']') {
            if (brackets > 0)
                --brackets;
            ++i;
        } else if (IsIdentifierByte(c)) {
            size_t end = i;
            while (end < decl.size() && IsIdentifierByte(decl[end]))
                ++end;
            const std::string_view word = decl.substr(i, end - i);
            if (brackets == 0 && IsIdentifierStartByte(c) && !IsQualifier(word))
                words.push_back(word);
            i = end;
        } else {
            ++i;
        }
    }
    if (words.size() >= 2 && !IsTypeWord(words.back()) && !IsTagWord(words[words.size() - 2]))
        return std::string(words.back());
    return std::string(decl);
}

void ClearSlots(ParameterPanelModel& model)
{
    model.names.clear();
    model.hints.clear();
    model.values.clear();
    model.extraNames.clear();
}

// Fills type, function and slots from a prototype line (marker included).
void SplitPrototypeLine(ParameterPanelModel& model, std::string_view line, LineSource& source)
{
    const std::string_view rest = SkipMarkerSpace(line.substr(kPrototypeMarkerLength));

    // Keep the text up to the ')' that closes the parameter list; without a
    // balanced list, up to the first ')'.
    const int open = Find(rest, '(');
    int close = open >= 0 ? MatchingClose(rest, open) : -1;
    if (close < 0)
        close = Find(rest, ')');
    model.type.clear();
    model.function.clear();
    if (close < 0)
        return;
    const std::string text = NormalizePrototype(rest.substr(0, static_cast<size_t>(close) + 1));

    // The routine name stands right before the first '(' (the normalised
    // text has no blank there); pointer stars and everything else before it
    // make up the type.
    const int p = Find(text, '(');
    if (p < 0)
        return;
    model.function = RoutineNameOf(text);
    const size_t nameStart = static_cast<size_t>(p) - model.function.size();
    model.type = std::string(TrimBlanks(std::string_view(text).substr(0, nameStart)));

    const int q = MatchingClose(text, p);
    const size_t listStart = static_cast<size_t>(p) + 1;
    const std::string_view list = q >= 0 ? std::string_view(text).substr(listStart, static_cast<size_t>(q) - listStart)
                                         : std::string_view(text).substr(listStart);
    const std::string_view bare = TrimBlanks(list);
    if (bare.empty() || bare == "void")
        return;

    int k = 0;
    std::string hintLine;
    for (const std::string_view decl : SplitTopLevel(list)) {
        std::string label = ParameterLabel(decl);
        if (label.empty())
            break; // an empty declaration ends the list; slots before it stay
        if (k == kMaxSlots) {
            model.extraNames.push_back(std::move(label));
            continue;
        }
        // Each slot uses up exactly one line after the prototype line.
        source.ReadLineInto(hintLine);
        std::string hint = MatchHintLine(hintLine, label);
        model.values.push_back(Find(hint, ".exe") > 0 ? "\"" + hint + "\"" : std::string());
        model.hints.push_back(std::move(hint));
        model.names.push_back(std::move(label));
        ++k;
    }
}

} // namespace

bool IsChoiceHint(std::string_view hint)
{
    return Find(hint, ',') >= 1;
}

std::vector<std::string> SplitChoiceHint(std::string_view hint)
{
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t comma = hint.find(',', start);
        if (comma == std::string_view::npos) {
            items.emplace_back(hint.substr(start));
            return items;
        }
        items.emplace_back(hint.substr(start, comma - start));
        start = comma + 1;
    }
}

ParameterPanelModel ParsePrototypeSource(ParameterPanelModel model, std::string_view prototype, LineSource* source)
{
    model.function = std::string(prototype);
    ClearSlots(model);
    model.nParams = 0;
    if (source == nullptr)
        return model;

    std::string line;
    for (;;) {
        // Only a line that holds the prototype can be its prototype line.
        source->SkipToLineWith(prototype);
        source->ReadLineInto(line);
        if (line.empty())
            break;
        if (IsBlockStartLine(line, prototype)) {
            SplitPrototypeLine(model, line, *source);
            break;
        }
    }
    model.nParams = static_cast<int>(model.names.size());
    return model;
}

} // namespace tovel
