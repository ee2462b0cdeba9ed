#include "common/NoCaseOrder.h"

#include "common/ByteText.h"

#include <algorithm>
#include <cstdint>

namespace tovel {

namespace {

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
