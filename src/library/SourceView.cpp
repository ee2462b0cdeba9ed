#include "library/SourceView.h"

#include "common/ByteText.h"
#include "common/RoutineName.h"
#include "library/Scanner.h"

#include <algorithm>

namespace tovel {

namespace {

constexpr size_t kTabWidth = 4;

bool IsWordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Appends the line with its tabs expanded; columns count from the line
// start. The runs between tabs go in whole.
void AppendExpanded(std::string& out, std::string_view line)
{
    size_t column = 0;
    for (;;) {
        const size_t tab = line.find('\t');
        const std::string_view run = line.substr(0, tab);
        out.append(run);
        if (tab == std::string_view::npos)
            return;
        column += run.size();
        const size_t blanks = kTabWidth - column % kTabWidth;
        out.append(blanks, ' ');
        column += blanks;
        line.remove_prefix(tab + 1);
    }
}

// A hint line's shape: a comment whose text, blanks left out, reads
// "name:{" (the name may carry leading '*') and closes with '}'.
bool IsHintShaped(std::string_view line)
{
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
    };
    skipBlanks();
    if (i >= line.size() || (line[i] != ';' && line[i] != '@'))
        return false;
    ++i;
    skipBlanks();
    while (i < line.size() && (line[i] == '*' || line[i] == ' ' || line[i] == '\t'))
        ++i;
    const size_t name = i;
    while (i < line.size() && IsWordChar(line[i]))
        ++i;
    if (i == name)
        return false;
    skipBlanks();
    if (i >= line.size() || line[i] != ':')
        return false;
    ++i;
    skipBlanks();
    return i < line.size() && line[i] == '{' && line.find('}', i) != std::string_view::npos;
}

void AppendTabsAsBlanks(std::string& out, std::string_view line)
{
    for (char c : line)
        out.push_back(c == '\t' ? ' ' : c);
}

} // namespace

std::string ExpandTabs(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    AppendExpanded(out, line);
    return out;
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

bool IsBlockEndLine(std::string_view line)
{
    for (size_t pos = line.find("END"); pos != std::string_view::npos; pos = line.find("END", pos + 1)) {
        if (pos == 0 || !IsWordChar(line[pos - 1]))
            return true;
    }
    return false;
}

bool IsBlockStartLine(std::string_view line, std::string_view prototype)
{
    return StartsWithPrototypeMarker(line) && Find(line, prototype) >= static_cast<int>(kPrototypeMarkerLength);
}

namespace {

// "<n> MB", "<n> KB" or "<n> bytes".
std::string SizeText(size_t bytes)
{
    constexpr size_t kKiB = 1024;
    constexpr size_t kMiB = 1024 * 1024;
    if (bytes >= kMiB)
        return std::to_string(bytes / kMiB) + " MB";
    if (bytes >= kKiB)
        return std::to_string(bytes / kKiB) + " KB";
    return std::to_string(bytes) + " bytes";
}

// Ends a text that was cut with the note on a line of its own.
void AppendCutNote(std::string& text, const std::string& note)
{
    if (!text.empty() && text.back() != '\n' && text.back() != '\r')
        text += "\r\n";
    text += note;
    text += "\r\n";
}

} // namespace

std::string ExtractSourceBlock(LineSource& source, std::string_view prototype, size_t maxBytes)
{
    std::string block;
    if (prototype.empty())
        return block;

    std::string line;
    for (;;) {
        // Only a line that holds the prototype can start the block.
        source.SkipToLineWith(prototype);
        source.ReadLineInto(line);
        if (line.empty())
            return block;
        if (IsBlockStartLine(line, prototype))
            break;
    }

    // The start line itself is never a closing line. A routine without a
    // closing line runs to the end of the file, so the block is held to
    // maxBytes like the whole view.
    std::string expanded;
    bool closing = false;
    for (bool first = true;; first = false) {
        if (!first) {
            source.ReadLineInto(line);
            if (line.empty())
                return block;
        }
        closing = !first && IsBlockEndLine(line);
        expanded.clear();
        if (closing)
            AppendTabsAsBlanks(expanded, line);
        else
            AppendExpanded(expanded, line);
        if (expanded.size() > maxBytes - block.size())
            break;
        block += expanded;
        if (closing)
            return block;
    }
    AppendCutNote(block, BlockCutNote(maxBytes));
    return block;
}

std::string BlockCutNote(size_t maxBytes)
{
    return "... (the rest of the routine is not shown: the view holds at most " + SizeText(maxBytes) + ")";
}

std::string ReadWholeForView(LineSource& source)
{
    // Lines are taken as views of the reader's buffer and expanded straight
    // into the text: one copy of each byte.
    std::string text;
    text.reserve(source.SizeHint() + source.SizeHint() / 8);
    for (std::string_view line = source.NextLine(); !line.empty(); line = source.NextLine())
        AppendExpanded(text, line);
    return text;
}

std::string ViewCutNote(size_t maxBytes)
{
    return "... (the rest of the file is not shown: the view holds at most " + SizeText(maxBytes) + ")";
}

std::string ReadWholeForView(LineSource& source, size_t maxBytes)
{
    // Room for the file and some tab expansion, made once.
    std::string text;
    const size_t hint = source.SizeHint();
    text.reserve(std::min(maxBytes, hint + hint / 8));
    for (;;) {
        const std::string_view line = source.NextLine();
        if (line.empty())
            return text;
        const size_t before = text.size();
        AppendExpanded(text, line);
        if (text.size() > maxBytes) {
            text.resize(before);
            break;
        }
    }
    // A line is left out: say so on a line of its own.
    AppendCutNote(text, ViewCutNote(maxBytes));
    return text;
}

LineTone ToneOfLine(const ByteLines& lines, size_t line)
{
    if (line >= lines.Count())
        return LineTone::Plain;
    if (StartsWithPrototypeMarker(lines.Line(line)))
        return LineTone::Prototype;
    if (!IsHintShaped(lines.Line(line)))
        return LineTone::Plain;
    for (size_t back = 1; back <= kMaxToneHintLines && back <= line; ++back) {
        const std::string_view before = lines.Line(line - back);
        if (StartsWithPrototypeMarker(before))
            return LineTone::Hint;
        if (!IsHintShaped(before))
            break;
    }
    return LineTone::Plain;
}

std::string CVariantPath(std::string_view sourcePath)
{
    std::string path(sourcePath);
    if (!path.empty())
        path.back() = 'c';
    return path;
}

} // namespace tovel
