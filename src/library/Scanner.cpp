#include "library/Scanner.h"

#include "common/ByteText.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tovel {

namespace {

bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

// Blanks, tabs, carriage returns, line feeds, vertical tabs and form feeds.
bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// A declaration that starts (blanks and tabs aside) with a comment opener
// has been commented out by the library's author.
bool IsCommentedOut(std::string_view line)
{
    size_t i = 0;
    while (i < line.size() && IsBlankOrTab(line[i]))
        ++i;
    const std::string_view rest = line.substr(i);
    return StartsWith(rest, "//") || StartsWith(rest, "/*");
}

bool IsListedReturnWord(std::string_view word)
{
    static constexpr std::array<std::string_view, 7> kTypes = {
        "int", "char", "long", "double", "unsigned", "uint", "short"};
    return std::find(kTypes.begin(), kTypes.end(), word) != kTypes.end();
}

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

// Bytes [offset, offset + 8) of a text with ASCII letters folded to lower
// case, as a big-endian number padded with zero bytes: comparing two such
// numbers compares those bytes as CompareNoCase does.
uint64_t FoldedChunk(const char* text, size_t size, size_t offset)
{
    uint64_t key = 0;
    for (size_t i = 0; i < 8; ++i) {
        const size_t at = offset + i;
        const unsigned byte = at < size ? static_cast<unsigned char>(AsciiLower(text[at])) : 0u;
        key = (key << 8) | byte;
    }
    return key;
}

// One text to sort: a 16-byte key of its folded bytes at the current depth,
// where the bytes are, and its position before sorting (the tie-break that
// keeps equal texts in order).
struct SortEntry {
    uint64_t high;
    uint64_t low;
    const char* text;
    uint32_t size;
    uint32_t index;
};

bool SameKey(const SortEntry& a, const SortEntry& b)
{
    return a.high == b.high && a.low == b.low;
}

// Sorts entries [first, last), whose texts agree in their first 16 * depth
// folded bytes, by the rest of their texts.
void SortByChunks(std::vector<SortEntry>& entries, size_t first, size_t last, size_t depth)
{
    const size_t offset = depth * 16;
    const auto begin = entries.begin();
    for (size_t i = first; i < last; ++i) {
        SortEntry& e = entries[i];
        e.high = FoldedChunk(e.text, e.size, offset);
        e.low = FoldedChunk(e.text, e.size, offset + 8);
    }
    std::sort(begin + static_cast<std::ptrdiff_t>(first), begin + static_cast<std::ptrdiff_t>(last),
              [](const SortEntry& a, const SortEntry& b) {
                  if (a.high != b.high)
                      return a.high < b.high;
                  if (a.low != b.low)
                      return a.low < b.low;
                  return a.index < b.index;
              });

    // Within a run of equal keys, a text that ends inside the key is a
    // prefix of every longer text of the run (its padding compared equal to
    // zero bytes): the texts that end go first, shortest first, then the
    // texts that go on, sorted by their next 16 bytes.
    for (size_t runStart = first; runStart < last;) {
        size_t runEnd = runStart + 1;
        while (runEnd < last && SameKey(entries[runEnd], entries[runStart]))
            ++runEnd;
        if (runEnd - runStart > 1) {
            const auto mid = std::stable_partition(begin + static_cast<std::ptrdiff_t>(runStart),
                                                   begin + static_cast<std::ptrdiff_t>(runEnd),
                                                   [&](const SortEntry& e) { return e.size <= offset + 16; });
            std::stable_sort(begin + static_cast<std::ptrdiff_t>(runStart), mid,
                             [](const SortEntry& a, const SortEntry& b) { return a.size < b.size; });
            const size_t goOn = static_cast<size_t>(mid - begin);
            if (runEnd - goOn > 1)
                SortByChunks(entries, goOn, runEnd, depth + 1);
        }
        runStart = runEnd;
    }
}

} // namespace

bool StartsWithPrototypeMarker(std::string_view line)
{
    return StartsWith(line, kPrototypeMarkerSemicolon) || StartsWith(line, kPrototypeMarkerAt);
}

bool IsHeaderLibrary(std::string_view path)
{
    return EndsWith(path, ".h") || EndsWith(path, ".H");
}

std::optional<std::string> ExtractMarkedPrototype(std::string_view line)
{
    if (!StartsWithPrototypeMarker(line))
        return std::nullopt;
    // The line starts with one marker; every further occurrence of either
    // marker is dropped as well.
    std::string text(line.substr(kPrototypeMarkerLength));
    ReplaceAll(text, kPrototypeMarkerSemicolon, "");
    ReplaceAll(text, kPrototypeMarkerAt, "");
    size_t start = 0;
    while (start < text.size() && IsWhiteSpace(text[start]))
        ++start;
    const size_t close = text.find(')', start);
    if (close == std::string::npos || close - start <= 2)
        return std::nullopt;
    text.resize(close + 1);
    text.erase(0, start);
    return text;
}

NormalisedDeclaration NormaliseDeclaration(std::string_view line)
{
    NormalisedDeclaration result;

    // Cut off the terminator, or failing that a trailing comment. A mark at
    // position 0 does not count.
    std::string_view cut = line;
    if (int pos = Find(cut, ';'); pos >= 1)
        cut = cut.substr(0, static_cast<size_t>(pos));
    else if (int slashes = Find(cut, "//"); slashes >= 1)
        cut = cut.substr(0, static_cast<size_t>(slashes));
    else if (int star = Find(cut, "/*"); star >= 1)
        cut = cut.substr(0, static_cast<size_t>(star));

    if (int close = Find(cut, ')'); close >= 5)
        cut = cut.substr(0, static_cast<size_t>(close) + 1);

    std::string& text = result.text;
    text.assign(cut);
    std::replace(text.begin(), text.end(), '\t', ' ');
    CollapseBlanks(text);
    ReplaceAll(text, " ,", ",");
    ReplaceAll(text, ", ", ",");
    ReplaceAll(text, ",", ", ");
    ReplaceAll(text, "( ", "(");
    ReplaceAll(text, " (", "(");
    ReplaceAll(text, " )", ")");
    ReplaceAll(text, "extern ", "");

    // The return type is the part before the name: the text before the last
    // '(' up to its last blank; its last word decides.
    const int paren = ReverseFind(text, '(');
    const std::string_view head = std::string_view(text).substr(0, paren < 0 ? 0 : static_cast<size_t>(paren));
    const int blank = ReverseFind(head, ' ');
    if (blank >= 3) {
        const std::string_view type = head.substr(0, static_cast<size_t>(blank));
        const int wordStart = ReverseFind(type, ' ') + 1;
        result.listed = IsListedReturnWord(type.substr(static_cast<size_t>(wordStart)));
    }
    if (result.listed && IsCommentedOut(line))
        result.listed = false;
    return result;
}

std::vector<std::string> CollectPrototypes(LineSource& source, bool headerLibrary)
{
    std::vector<std::string> items;
    for (;;) {
        const std::string_view line = source.NextLine();
        if (line.empty())
            break;
        if (headerLibrary) {
            // Without a '(', or commented out, nothing can be listed; skip the work.
            if (line.find('(') == std::string_view::npos || IsCommentedOut(line))
                continue;
            NormalisedDeclaration decl = NormaliseDeclaration(line);
            if (decl.listed)
                items.push_back(std::move(decl.text));
        } else if (StartsWithPrototypeMarker(line)) {
            if (auto prototype = ExtractMarkedPrototype(line))
                items.push_back(std::move(*prototype));
        }
    }
    return items;
}

void SortFunctionList(std::vector<std::string>& items)
{
    // Sorting 16-byte keys of the folded texts, rather than the texts
    // through CompareNoCase, keeps the work in compact, cache-friendly
    // entries; the result is exactly the stable case-insensitive order.
    if (items.size() < 2)
        return;
    std::vector<SortEntry> entries(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        entries[i] = {0, 0, items[i].data(), static_cast<uint32_t>(items[i].size()), static_cast<uint32_t>(i)};
    SortByChunks(entries, 0, entries.size(), 0);
    std::vector<std::string> sorted;
    sorted.reserve(items.size());
    for (const SortEntry& e : entries)
        sorted.push_back(std::move(items[e.index]));
    items.swap(sorted);
}

int FindStringExact(const std::vector<std::string>& items, std::string_view text)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (EqualsNoCase(items[i], text))
            return static_cast<int>(i);
    return -1;
}

} // namespace tovel
