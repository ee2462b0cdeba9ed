#include "library/SourceView.h"

#include "common/ByteText.h"
#include "common/LargeBuffer.h"
#include "common/LineCells.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace tovel {

namespace {

constexpr size_t kTabWidth = 4;

// The most bytes ExpandInto writes for a piece of n bytes: four for each
// byte (a tab's blanks), and one word of slack for its word stores.
size_t ExpandRoom(size_t n)
{
    return n * kTabWidth + sizeof(uint64_t);
}

// The bytes of the word that are tabs, each marked by its top bit. Exact for
// every byte, so the first mark can be taken from either end of the word.
uint64_t TabBytes(uint64_t word)
{
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    const uint64_t x = word ^ (kOnes * '\t'); // a tab becomes 0
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// Writes the line with its tabs expanded at out, columns counting from out,
// and returns the end of what it wrote. The bytes go eight at a time up to
// the next tab (the last few of a line as the line's last eight, shifted);
// a tab writes four blanks and keeps the ones its stop needs. Writes at most
// ExpandRoom(line.size()) bytes; those past the returned end are scratch.
// A UTF-8 line holding characters of several bytes: each character is one
// column (the view shows it as one), so a tab's stop counts characters.
char* ExpandUtf8Into(char* out, std::string_view line)
{
    char* o = out;
    size_t column = 0;
    for (const char c : line) {
        if (c == '\t') {
            const size_t blanks = kTabWidth - column % kTabWidth;
            std::memcpy(o, "    ", blanks);
            o += blanks;
            column += blanks;
            continue;
        }
        *o++ = c;
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++column;
    }
    return o;
}

bool HasHighByte(std::string_view line)
{
    return std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

char* ExpandInto(char* out, std::string_view line)
{
    if (line.find('\t') != std::string_view::npos && HasHighByte(line) && IsUtf8(line))
        return ExpandUtf8Into(out, line);
    constexpr bool kLittle = std::endian::native == std::endian::little;
    const char* p = line.data();
    const char* const end = p + line.size();
    char* o = out;
    while (end - p >= 8 || (p < end && line.size() >= 8)) {
        uint64_t word;
        size_t avail = 8;
        if (end - p >= 8) {
            std::memcpy(&word, p, 8);
        } else {
            // Fewer than eight left: read the line's last eight and drop the
            // ones already written; the bytes shifted in are NULs, not tabs.
            avail = static_cast<size_t>(end - p);
            std::memcpy(&word, end - 8, 8);
            const auto drop = static_cast<int>(8 * (8 - avail));
            word = kLittle ? word >> drop : word << drop;
        }
        std::memcpy(o, &word, 8);
        const uint64_t tabs = TabBytes(word);
        if (tabs == 0) {
            p += avail;
            o += avail;
            continue;
        }
        const auto before = static_cast<size_t>((kLittle ? std::countr_zero(tabs) : std::countl_zero(tabs)) / 8);
        p += before + 1;
        o += before;
        std::memcpy(o, "    ", kTabWidth);
        o += kTabWidth - static_cast<size_t>(o - out) % kTabWidth;
    }
    // A line shorter than a word, byte by byte.
    for (; p < end; ++p) {
        if (*p != '\t') {
            *o++ = *p;
            continue;
        }
        std::memcpy(o, "    ", kTabWidth);
        o += kTabWidth - static_cast<size_t>(o - out) % kTabWidth;
    }
    return o;
}

// Appends the line with its tabs expanded; columns count from the line start.
void AppendExpanded(std::string& out, std::string_view line)
{
    const size_t at = out.size();
    out.resize(at + ExpandRoom(line.size()));
    char* const begin = out.data() + at;
    out.resize(at + static_cast<size_t>(ExpandInto(begin, line) - begin));
}

// A hint line: one that names a parameter. The panel reads a longer line
// in pieces, the first of them as the hint line, so that piece decides (and
// a line of megabytes costs no more than a piece).
bool NamesParameter(std::string_view line)
{
    return !ParseHintLine(line.substr(0, kMaxLinePiece)).name.empty();
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

namespace {

// The whole text tab-expanded, one piece after another, at most maxBytes of
// it; cut tells whether a piece was left out. The pieces are views of the
// reader's buffer, expanded straight into the text: the text grows in steps
// of zero-filled room (kept small so the fill stays in the cache) within the
// room made once from the size hint, and shrinks to what was written at the end.
std::string ReadExpanded(LineSource& source, size_t maxBytes, bool& cut)
{
    constexpr size_t kStep = 64 * 1024;
    std::string text;
    const size_t hint = source.SizeHint();
    size_t room = std::min(maxBytes, hint + hint / 8) + ExpandRoom(kMaxLinePiece);
    // A large text is backed by large pages where the system has them; one
    // more page of room lets the page that holds the text's end be one too.
    if (room >= kLargePageBytes)
        room += kLargePageBytes;
    text.reserve(room);
    AdviseLargePages(text.data(), text.capacity());
    size_t used = 0;
    cut = false;
    for (;;) {
        const std::string_view line = source.NextLine();
        if (line.empty())
            break;
        const size_t need = used + ExpandRoom(line.size());
        if (need > text.size()) {
            const size_t step = std::max(need, used + kStep);
            text.resize(step <= text.capacity() || need > text.capacity() ? step : text.capacity());
        }
        char* const at = text.data() + used;
        const size_t written = static_cast<size_t>(ExpandInto(at, line) - at);
        if (written > maxBytes - used) {
            cut = true;
            break;
        }
        used += written;
    }
    text.resize(used);
    return text;
}

} // namespace

std::string ReadWholeForView(LineSource& source)
{
    bool cut = false;
    return ReadExpanded(source, SIZE_MAX, cut);
}

std::string ViewCutNote(size_t maxBytes)
{
    return "... (the rest of the file is not shown: the view holds at most " + SizeText(maxBytes) + ")";
}

std::string ReadWholeForView(LineSource& source, size_t maxBytes)
{
    bool cut = false;
    std::string text = ReadExpanded(source, maxBytes, cut);
    // A line is left out: say so on a line of its own.
    if (cut)
        AppendCutNote(text, ViewCutNote(maxBytes));
    return text;
}

LineTone ToneOfLine(const ByteLines& lines, size_t line)
{
    if (line >= lines.Count())
        return LineTone::Plain;
    if (StartsWithPrototypeMarker(lines.Line(line)))
        return LineTone::Prototype;
    if (!NamesParameter(lines.Line(line)))
        return LineTone::Plain;
    for (size_t back = 1; back <= kMaxToneHintLines && back <= line; ++back) {
        const std::string_view before = lines.Line(line - back);
        if (StartsWithPrototypeMarker(before))
            return LineTone::Hint;
        if (!NamesParameter(before))
            break;
    }
    return LineTone::Plain;
}

} // namespace tovel
