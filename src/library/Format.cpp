#include "library/Format.h"

#include "common/RoutineName.h"

#include <algorithm>

namespace tovel {

bool IsCommentByte(char c)
{
    return c == ';' || c == '@';
}

bool StartsWithPrototypeMarker(std::string_view line)
{
    return !line.empty() && IsCommentByte(line[0])
        && line.substr(1, kPrototypeMarkerTail.size()) == kPrototypeMarkerTail;
}

bool IsMarkerSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view SkipMarkerSpace(std::string_view text)
{
    size_t start = 0;
    while (start < text.size() && IsMarkerSpace(text[start]))
        ++start;
    return text.substr(start);
}

std::string RemovePrototypeMarkers(std::string_view text)
{
    std::string out(text);
    ReplaceAll(out, kPrototypeMarkerSemicolon, "");
    ReplaceAll(out, kPrototypeMarkerAt, "");
    return out;
}

namespace {

// The prototype stands at position 0 of the line once its first byte reads as ';'.
bool OccursAtStartAsRead(std::string_view line, std::string_view prototype)
{
    return !prototype.empty() && prototype[0] == ';' && !line.empty()
        && line.substr(1, prototype.size() - 1) == prototype.substr(1);
}

} // namespace

bool IsBlockStartAt(std::string_view line, std::string_view prototype, size_t firstFromOne)
{
    return firstFromOne != std::string_view::npos && firstFromOne >= kPrototypeMarkerLength
        && !OccursAtStartAsRead(line, prototype);
}

bool IsBlockStartLine(std::string_view line, std::string_view prototype)
{
    return StartsWithPrototypeMarker(line) && IsBlockStartAt(line, prototype, line.find(prototype, 1));
}

bool IsBlockEndLine(std::string_view line)
{
    for (size_t pos = line.find("END"); pos != std::string_view::npos; pos = line.find("END", pos + 1)) {
        if (pos > 0 && IsIdentifierByte(line[pos - 1]))
            continue;
        size_t end = pos + 3;
        if (line.substr(end, 3) == "MOD")
            end += 3;
        if (end == line.size() || !IsIdentifierByte(line[end]))
            return true;
    }
    return false;
}

HintLine ParseHintLine(std::string_view line)
{
    HintLine parsed;
    std::string h;
    h.reserve(line.size());
    for (char c : line)
        if (c != ' ' && c != '\t')
            h.push_back(c);
    if (h.empty() || !IsCommentByte(h[0]))
        return parsed;
    size_t at = 1;
    while (at < h.size() && h[at] == '*')
        ++at;
    const size_t colon = h.find(":{", at);
    if (colon == std::string::npos || colon == at)
        return parsed;
    parsed.name = h.substr(at, colon - at);
    const size_t open = colon + 1;
    const size_t close = h.find('}', open + 1);
    if (close == std::string::npos) {
        parsed.faults.push_back(HintFault::NoClosingBrace);
        return parsed;
    }
    parsed.hint = h.substr(open + 1, close - open - 1);
    if (parsed.hint.find('{') != std::string::npos)
        parsed.faults.push_back(HintFault::BraceInHint);
    return parsed;
}

std::string MatchHintLine(std::string_view line, std::string_view name)
{
    HintLine parsed = ParseHintLine(line);
    return parsed.name == name ? std::move(parsed.hint) : std::string();
}

namespace {

// Turns every run of blanks into a single blank, in place.
void CollapseBlanks(std::string& text)
{
    size_t out = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' && out > 0 && text[out - 1] == ' ')
            continue;
        text[out++] = text[i];
    }
    text.resize(out);
}

} // namespace

void NormaliseSpacing(std::string& text, bool blankAfterComma)
{
    std::replace(text.begin(), text.end(), '\t', ' ');
    CollapseBlanks(text);
    ReplaceAll(text, " ,", ",");
    ReplaceAll(text, ", ", ",");
    if (blankAfterComma)
        ReplaceAll(text, ",", ", ");
    ReplaceAll(text, "( ", "(");
    ReplaceAll(text, " (", "(");
    ReplaceAll(text, " )", ")");
}

std::string NormalizePrototype(std::string_view text)
{
    std::string out(text);
    NormaliseSpacing(out, false);
    return out;
}

bool IsHeaderLibrary(std::string_view path)
{
    return EndsWith(path, ".h") || EndsWith(path, ".H");
}

std::string SourcePathFor(std::string_view libraryPath, std::string_view prototype)
{
    if (!IsHeaderLibrary(libraryPath))
        return std::string(libraryPath);

    std::string path = Left(libraryPath, LastPathSep(libraryPath) + 1);
    const std::string name = RoutineNameOf(prototype);
    if (name.empty())
        return path;
    path.append(name);
    path.append(".s");
    return path;
}

std::string CVariantPath(std::string_view sourcePath)
{
    std::string path(sourcePath);
    if (!path.empty())
        path.back() = 'c';
    return path;
}

std::vector<std::string> SourcePathCandidates(std::string_view sourcePath)
{
    std::vector<std::string> paths;
    const auto add = [&](std::string path) {
        if (std::find(paths.begin(), paths.end(), path) == paths.end())
            paths.push_back(std::move(path));
    };
    const auto otherCase = [](std::string path) {
        if (!path.empty()) {
            char& last = path.back();
            if (last >= 'a' && last <= 'z')
                last = static_cast<char>(last - 'a' + 'A');
            else if (last >= 'A' && last <= 'Z')
                last = static_cast<char>(last - 'A' + 'a');
        }
        return path;
    };
    add(std::string(sourcePath));
    add(otherCase(std::string(sourcePath)));
    add(CVariantPath(sourcePath));
    add(otherCase(CVariantPath(sourcePath)));
    return paths;
}

std::optional<std::string> ChooseSourceFile(std::string_view sourcePath,
                                            const std::function<bool(const std::string&)>& opens)
{
    for (std::string& path : SourcePathCandidates(sourcePath))
        if (opens(path))
            return std::move(path);
    return std::nullopt;
}

} // namespace tovel
