#include "app/Profile.h"

#include "common/ByteText.h"

#include <unordered_set>

namespace tovel {

namespace {

enum class LineKind { Other, Comment, Header, Key };

// One line of the text: [begin, textEnd) is its text, [textEnd, end) its line
// end (empty for a last line without one). name and value are trimmed views
// into the text, set for headers (name) and key lines (name and value).
// Lines are taken one at a time, so no operation keeps an index of the file.
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

std::string_view TrimEnd(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
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
    if (first == body.size())
        return;
    if (body[first] == ';') {
        line.kind = LineKind::Comment;
        return;
    }
    if (body[first] == '[') {
        // The name ends at the first ']'; a line without one still opens a
        // section, named by the rest of the line.
        const auto close = body.find(']', first + 1);
        const size_t nameEnd = close == std::string_view::npos ? body.size() : close;
        line.kind = LineKind::Header;
        line.name = Trim(body.substr(first + 1, nameEnd - first - 1));
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

// Takes the line that starts at pos; false at the end of the text.
bool NextLine(std::string_view text, size_t& pos, Line& line)
{
    if (pos >= text.size())
        return false;
    line = Line{};
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
    pos = line.end;
    return true;
}

// Calls visit(line) for every line inside the first section named section
// (the header excluded). Returns false when there is no such section;
// header is then untouched.
template <typename Visit>
bool ForEachLineOfSection(std::string_view text, std::string_view section, Line& header, Visit visit)
{
    size_t pos = 0;
    Line line;
    bool inside = false;
    while (NextLine(text, pos, line)) {
        if (line.kind == LineKind::Header) {
            if (inside)
                return true;
            if (EqualsNoCase(line.name, section)) {
                inside = true;
                header = line;
            }
            continue;
        }
        if (inside && !visit(line))
            return true;
    }
    return inside;
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

bool SameKey(std::string_view a, std::string_view b, KeyMatch match)
{
    return match == KeyMatch::Exact ? a == b : EqualsNoCase(a, b);
}

std::string_view Unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::string ProfileGetString(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view def, size_t capacity, KeyMatch match)
{
    section = Trim(section);
    key = Trim(key);
    // A default keeps its leading blanks but not its trailing ones.
    std::string_view result = TrimEnd(def);
    Line header;
    ForEachLineOfSection(text, section, header, [&](const Line& line) {
        if (line.kind == LineKind::Key && SameKey(line.name, key, match)) {
            result = Unquoted(line.value);
            return false;
        }
        return true;
    });
    if (capacity == 0)
        return {};
    return std::string(result.substr(0, capacity - 1));
}

std::vector<std::string> ProfileGetKeyNames(std::string_view text, std::string_view section)
{
    section = Trim(section);
    std::vector<std::string> names;
    Line header;
    ForEachLineOfSection(text, section, header, [&](const Line& line) {
        if (line.kind == LineKind::Key)
            names.emplace_back(line.name);
        return true;
    });
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
    return !key.empty() && !HasLineBreakOrNul(key) && key.find('=') == std::string_view::npos && key.front() != ';'
        && key.front() != '[';
}

std::string ProfileWriteString(std::string_view text, std::string_view section, std::string_view key,
                               std::string_view value, KeyMatch match)
{
    if (!IsValidProfileSection(section) || !IsValidProfileKey(key))
        return std::string(text);
    section = Trim(section);
    key = Trim(key);
    const std::string cleanValue = CleanValue(value);

    Line header;
    Line lastKey;
    bool haveLastKey = false;
    bool found = false;
    Line existing;
    const bool hasSection = ForEachLineOfSection(text, section, header, [&](const Line& line) {
        if (line.kind != LineKind::Key)
            return true;
        if (SameKey(line.name, key, match)) {
            existing = line;
            found = true;
            return false;
        }
        lastKey = line;
        haveLastKey = true;
        return true;
    });

    std::string out;
    out.reserve(text.size() + section.size() + key.size() + cleanValue.size() + 8);

    if (!hasSection) {
        out.append(text);
        if (!out.empty() && out.back() != '\n' && out.back() != '\r')
            out.append("\r\n");
        out.append("[").append(section).append("]\r\n");
        out.append(key).append("=").append(cleanValue).append("\r\n");
        return out;
    }

    if (found) {
        // Rewrite the line where it stands, keeping the name's spelling.
        out.append(text.substr(0, existing.begin));
        out.append(existing.name).append("=").append(cleanValue).append("\r\n");
        out.append(text.substr(existing.end));
        return out;
    }

    const Line& after = haveLastKey ? lastKey : header;
    out.append(text.substr(0, after.end));
    if (after.end == after.textEnd)
        out.append("\r\n");
    out.append(key).append("=").append(cleanValue).append("\r\n");
    out.append(text.substr(after.end));
    return out;
}

std::string ProfileDeleteKey(std::string_view text, std::string_view section, std::string_view key, KeyMatch match)
{
    section = Trim(section);
    key = Trim(key);
    std::string out;
    size_t kept = 0; // text before kept has been copied or dropped
    Line header;
    ForEachLineOfSection(text, section, header, [&](const Line& line) {
        if (line.kind == LineKind::Key && SameKey(line.name, key, match)) {
            if (out.empty())
                out.reserve(text.size());
            out.append(text.substr(kept, line.begin - kept));
            kept = line.end;
        }
        return true;
    });
    if (kept == 0)
        return std::string(text);
    out.append(text.substr(kept));
    return out;
}

std::string ProfileDeleteSection(std::string_view text, std::string_view section)
{
    section = Trim(section);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    Line line;
    bool inside = false;
    // Every section of the name goes, so that no later copy of it comes to
    // light once the first is removed. Comment lines stay where they are and
    // so join the section before: a hand-written note survives.
    while (NextLine(text, pos, line)) {
        if (line.kind == LineKind::Header)
            inside = EqualsNoCase(line.name, section);
        if (!inside || line.kind == LineKind::Comment)
            out.append(text.substr(line.begin, line.end - line.begin));
    }
    return out;
}

std::string ProfileReplaceSection(std::string_view text, std::string_view section, const std::vector<std::string>& keys,
                                  std::string_view value, KeyMatch match)
{
    if (!IsValidProfileSection(section))
        return std::string(text);
    section = Trim(section);
    std::string out = ProfileDeleteSection(text, section);
    const std::string cleanValue = CleanValue(value);
    bool headerWritten = false;
    // A key listed twice is written once, as a write of each in turn would.
    std::unordered_set<std::string> written;
    for (const std::string& key : keys) {
        if (!IsValidProfileKey(key))
            continue;
        std::string folded(Trim(key));
        if (match == KeyMatch::FoldCase)
            for (char& c : folded)
                c = AsciiLower(c);
        if (!written.insert(std::move(folded)).second)
            continue;
        if (!headerWritten) {
            if (!out.empty() && out.back() != '\n' && out.back() != '\r')
                out.append("\r\n");
            out.append("[").append(section).append("]\r\n");
            headerWritten = true;
        }
        out.append(Trim(key)).append("=").append(cleanValue).append("\r\n");
    }
    return out;
}

} // namespace tovel
