#include "app/Profile.h"

#include "common/ByteText.h"

namespace tovel {

namespace {

enum class LineKind { Other, Header, Key };

// One line of the text: [begin, textEnd) is its text, [textEnd, end) its line
// end (empty for a last line without one). name and value are trimmed views
// into the text, set for headers (name) and key lines (name and value).
struct Line {
    size_t begin = 0;
    size_t textEnd = 0;
    size_t end = 0;
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::string_view value;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string_view UpToNul(std::string_view s)
{
    const auto nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

void Classify(std::string_view text, Line& line)
{
    const std::string_view body = UpToNul(text.substr(line.begin, line.textEnd - line.begin));
    size_t first = 0;
    while (first < body.size() && IsBlank(body[first]))
        ++first;
    if (first == body.size() || body[first] == ';')
        return;
    if (body[first] == '[') {
        // A '[' line without ']' is neither a header nor a key: no key name
        // can start with '['.
        const auto close = body.find(']', first + 1);
        if (close != std::string_view::npos) {
            line.kind = LineKind::Header;
            line.name = Trim(body.substr(first + 1, close - first - 1));
        }
        return;
    }
    const auto eq = body.find('=');
    if (eq == std::string_view::npos)
        return;
    const std::string_view name = Trim(body.substr(0, eq));
    // A line with nothing before its '=' names no key that could be asked for.
    if (name.empty())
        return;
    line.kind = LineKind::Key;
    line.name = name;
    line.value = Trim(body.substr(eq + 1));
}

std::vector<Line> SplitLines(std::string_view text)
{
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        Line line;
        line.begin = pos;
        const auto brk = text.find_first_of("\r\n", pos);
        if (brk == std::string_view::npos) {
            line.textEnd = line.end = text.size();
        } else {
            line.textEnd = brk;
            line.end = brk + 1;
            if (text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n')
                line.end = brk + 2;
        }
        Classify(text, line);
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

// The lines of the first section named section: [header, endLine), the
// header included. header is lines.size() when there is no such section.
struct SectionRange {
    size_t header;
    size_t endLine;
};

SectionRange FindSection(const std::vector<Line>& lines, std::string_view section, size_t from = 0)
{
    for (size_t i = from; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Header || !EqualsNoCase(lines[i].name, section))
            continue;
        size_t j = i + 1;
        while (j < lines.size() && lines[j].kind != LineKind::Header)
            ++j;
        return {i, j};
    }
    return {lines.size(), lines.size()};
}

bool HasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The value as it is written: no CR or LF, and nothing from a NUL on.
std::string CleanValue(std::string_view value)
{
    value = UpToNul(value);
    std::string out;
    out.reserve(value.size());
    for (char c : value)
        if (c != '\r' && c != '\n')
            out.push_back(c);
    return out;
}

// Copies text without the given lines (ascending indexes into lines).
std::string WithoutLines(std::string_view text, const std::vector<Line>& lines, const std::vector<size_t>& drop)
{
    if (drop.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t kept = 0;
    for (size_t index : drop) {
        out.append(text.substr(kept, lines[index].begin - kept));
        kept = lines[index].end;
    }
    out.append(text.substr(kept));
    return out;
}

} // namespace

std::string ProfileGetString(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view def, size_t capacity)
{
    section = Trim(section);
    key = Trim(key);
    std::string_view result = def;
    const auto lines = SplitLines(text);
    const auto range = FindSection(lines, section);
    for (size_t i = range.header + 1; i < range.endLine; ++i) {
        if (lines[i].kind == LineKind::Key && EqualsNoCase(lines[i].name, key)) {
            result = lines[i].value;
            if (result.size() >= 2 && (result.front() == '"' || result.front() == '\'') &&
                result.back() == result.front())
                result = result.substr(1, result.size() - 2);
            break;
        }
    }
    if (capacity == 0)
        return {};
    return std::string(result.substr(0, capacity - 1));
}

std::vector<std::string> ProfileGetKeyNames(std::string_view text, std::string_view section)
{
    section = Trim(section);
    std::vector<std::string> names;
    const auto lines = SplitLines(text);
    const auto range = FindSection(lines, section);
    for (size_t i = range.header + 1; i < range.endLine; ++i)
        if (lines[i].kind == LineKind::Key)
            names.emplace_back(lines[i].name);
    return names;
}

bool IsValidProfileSection(std::string_view section)
{
    section = Trim(section);
    return !section.empty() && !HasLineBreakOrNul(section) && section.find(']') == std::string_view::npos;
}

bool IsValidProfileKey(std::string_view key)
{
    key = Trim(key);
    return !key.empty() && !HasLineBreakOrNul(key) && key.find('=') == std::string_view::npos &&
           key.front() != ';' && key.front() != '[';
}

std::string ProfileWriteString(std::string_view text, std::string_view section, std::string_view key,
                               std::string_view value)
{
    if (!IsValidProfileSection(section) || !IsValidProfileKey(key))
        return std::string(text);
    section = Trim(section);
    key = Trim(key);
    const std::string cleanValue = CleanValue(value);

    const auto lines = SplitLines(text);
    const auto range = FindSection(lines, section);
    std::string out;
    out.reserve(text.size() + section.size() + key.size() + cleanValue.size() + 8);

    if (range.header == lines.size()) {
        out.append(text);
        if (!out.empty() && out.back() != '\n' && out.back() != '\r')
            out.append("\r\n");
        out.append("[").append(section).append("]\r\n");
        out.append(key).append("=").append(cleanValue).append("\r\n");
        return out;
    }

    size_t lastKey = range.header;
    for (size_t i = range.header + 1; i < range.endLine; ++i) {
        const Line& line = lines[i];
        if (line.kind != LineKind::Key)
            continue;
        if (EqualsNoCase(line.name, key)) {
            // Rewrite the line where it stands, keeping the name's spelling.
            out.append(text.substr(0, line.begin));
            out.append(line.name).append("=").append(cleanValue).append("\r\n");
            out.append(text.substr(line.end));
            return out;
        }
        lastKey = i;
    }

    const Line& after = lines[lastKey];
    out.append(text.substr(0, after.end));
    if (after.end == after.textEnd)
        out.append("\r\n");
    out.append(key).append("=").append(cleanValue).append("\r\n");
    out.append(text.substr(after.end));
    return out;
}

std::string ProfileDeleteKey(std::string_view text, std::string_view section, std::string_view key)
{
    section = Trim(section);
    key = Trim(key);
    const auto lines = SplitLines(text);
    const auto range = FindSection(lines, section);
    std::vector<size_t> drop;
    for (size_t i = range.header + 1; i < range.endLine; ++i)
        if (lines[i].kind == LineKind::Key && EqualsNoCase(lines[i].name, key))
            drop.push_back(i);
    return WithoutLines(text, lines, drop);
}

std::string ProfileDeleteSection(std::string_view text, std::string_view section)
{
    section = Trim(section);
    const auto lines = SplitLines(text);
    std::vector<size_t> drop;
    // Every section of the name goes, so that no later copy of it comes to
    // light once the first is removed.
    for (auto range = FindSection(lines, section); range.header < lines.size();
         range = FindSection(lines, section, range.endLine)) {
        for (size_t i = range.header; i < range.endLine; ++i)
            drop.push_back(i);
    }
    return WithoutLines(text, lines, drop);
}

} // namespace tovel
