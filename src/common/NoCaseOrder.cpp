#include "common/NoCaseOrder.h"

#include "common/ByteText.h"
#include "common/LargeBuffer.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

// TOVEL_PORTABLE leaves out the compiler built-ins: only the plain C++
// fallbacks below are compiled.
#if !defined(TOVEL_PORTABLE) && (defined(__GNUC__) || defined(__clang__))
#define TOVEL_GNU_BUILTINS 1
#else
#define TOVEL_GNU_BUILTINS 0
#endif
#if !defined(TOVEL_PORTABLE) && defined(_MSC_VER) && !defined(__clang__)
#include <stdlib.h> // _byteswap_uint64
#define TOVEL_MSVC_BUILTINS 1
#else
#define TOVEL_MSVC_BUILTINS 0
#endif

namespace tovel {

namespace {

uint64_t SwapBytes(uint64_t word)
{
#if TOVEL_GNU_BUILTINS
    return __builtin_bswap64(word);
#elif TOVEL_MSVC_BUILTINS
    return _byteswap_uint64(word);
#else
    word = ((word & 0x00FF00FF00FF00FFull) << 8) | ((word >> 8) & 0x00FF00FF00FF00FFull);
    word = ((word & 0x0000FFFF0000FFFFull) << 16) | ((word >> 16) & 0x0000FFFF0000FFFFull);
    return (word << 32) | (word >> 32);
#endif
}

// Eight bytes as they stand in memory, read as a number whose most
// significant byte is the first one.
uint64_t LoadBigEndian(const char* bytes)
{
    uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::little)
        return SwapBytes(word);
    else
        return word;
}

// Every byte 'A'..'Z' of the word turned into 'a'..'z', all at once: a
// byte's low seven bits plus a bias carry into its top bit exactly when they
// reach the bias's threshold, and bytes with the top bit set (0x80-0xFF) are
// no ASCII letters and stay as they are.
uint64_t FoldAsciiLetters(uint64_t word)
{
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    const uint64_t low7 = word & ~kHigh;
    const uint64_t atLeastA = low7 + kOnes * (0x80 - 'A');
    const uint64_t aboveZ = low7 + kOnes * (0x7F - 'Z');
    const uint64_t upper = (atLeastA & ~aboveZ & ~word) & kHigh;
    return word | (upper >> 2);
}

// Bytes [offset, offset + 8) of a text with ASCII letters folded to lower
// case, as a big-endian number padded with zero bytes: comparing two such
// numbers compares those bytes as CompareNoCase does.
uint64_t FoldedChunk(std::string_view text, size_t offset)
{
    const size_t size = text.size();
    if (offset + 8 <= size)
        return FoldAsciiLetters(LoadBigEndian(text.data() + offset));
    if (offset >= size)
        return 0;
    const size_t have = size - offset; // 1 to 7 bytes left
    uint64_t word = 0;
    if (size >= 8) {
        // The text's last eight bytes, shifted so that the wanted ones lead
        // and zeros follow.
        word = LoadBigEndian(text.data() + size - 8) << (8 * (8 - have));
    } else {
        for (size_t i = 0; i < have; ++i)
            word |= uint64_t{static_cast<unsigned char>(text[offset + i])} << (56 - 8 * i);
    }
    return FoldAsciiLetters(word);
}

// Asks for memory that will be read soon; only a hint.
inline void Prefetch(const void* address)
{
#if TOVEL_GNU_BUILTINS
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// One text to sort: a 20-byte key of its folded bytes at the current depth
// and its position in the list before sorting, which is also the tie-break
// that keeps equal texts in order. 24 bytes: a routine's return type and
// name mostly differ from its neighbours' within 20 bytes, so most texts are
// placed by the first keys, made in one pass over the texts in file order,
// and few are keyed again from texts scattered in memory.
constexpr size_t kKeyBytes = 20;

struct SortEntry {
    uint64_t high;  // folded bytes [depth, depth + 8)
    uint64_t mid;   // folded bytes [depth + 8, depth + 16)
    uint32_t low;   // folded bytes [depth + 16, depth + 20)
    uint32_t index; // position in the list before sorting
};

void SetKey(SortEntry& e, std::string_view text, size_t offset)
{
    e.high = FoldedChunk(text, offset);
    e.mid = FoldedChunk(text, offset + 8);
    e.low = static_cast<uint32_t>(FoldedChunk(text, offset + 16) >> 32);
}

bool SameKey(const SortEntry& a, const SortEntry& b)
{
    return a.high == b.high && a.mid == b.mid && a.low == b.low;
}

// Key, then position: the order of a stable sort by key.
struct KeyThenIndexLess {
    bool operator()(const SortEntry& a, const SortEntry& b) const
    {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.mid != b.mid)
            return a.mid < b.mid;
        return ((uint64_t{a.low} << 32) | a.index) < ((uint64_t{b.low} << 32) | b.index);
    }
};

// Byte `digit` (0 to 19) of an entry's key, the most significant first.
unsigned KeyByte(const SortEntry& e, unsigned digit)
{
    if (digit < 8)
        return static_cast<unsigned>(e.high >> (56 - 8 * digit)) & 0xFFu;
    if (digit < 16)
        return static_cast<unsigned>(e.mid >> (56 - 8 * (digit - 8))) & 0xFFu;
    return (e.low >> (24 - 8 * (digit - 16))) & 0xFFu;
}

// Sorts entries [first, last), whose keys agree in their first `digit`
// bytes, by key and then position, as std::sort with KeyThenIndexLess would:
// large ranges are split in place by their next key byte (a byte every
// entry shares costs one counting pass), small ones go to std::sort.
void SortByKey(SortEntry* first, SortEntry* last, unsigned digit)
{
    constexpr std::ptrdiff_t kSmall = 64;
    for (;;) {
        if (last - first <= kSmall || digit == kKeyBytes) {
            std::sort(first, last, KeyThenIndexLess{});
            return;
        }
        size_t count[256] = {};
        for (const SortEntry* e = first; e != last; ++e)
            ++count[KeyByte(*e, digit)];
        if (count[KeyByte(*first, digit)] == static_cast<size_t>(last - first)) {
            ++digit;
            continue;
        }
        SortEntry* bucketEnd[256];
        SortEntry* next[256];
        SortEntry* at = first;
        for (unsigned b = 0; b < 256; ++b) {
            next[b] = at;
            at += count[b];
            bucketEnd[b] = at;
        }
        // Each entry is swapped straight into its bucket.
        for (unsigned b = 0; b < 256; ++b) {
            while (next[b] != bucketEnd[b]) {
                SortEntry moving = *next[b];
                unsigned to = KeyByte(moving, digit);
                while (to != b) {
                    std::swap(moving, *next[to]++);
                    to = KeyByte(moving, digit);
                }
                *next[b]++ = moving;
            }
        }
        SortEntry* bucketStart = first;
        for (unsigned b = 0; b < 256; ++b) {
            if (bucketEnd[b] - bucketStart > 1)
                SortByKey(bucketStart, bucketEnd[b], digit + 1);
            bucketStart = bucketEnd[b];
        }
        return;
    }
}

// Asks for the memory of item i and of its text from offset on.
void PrefetchItem(const std::vector<std::string>& items, size_t i, size_t offset, bool text)
{
    if (text)
        Prefetch(items[i].data() + offset);
    else
        Prefetch(&items[i]);
}

void PrefetchItem(const TextList& items, size_t i, size_t offset, bool text)
{
    if (text)
        Prefetch(items[i].data() + offset);
}

// Sorts the entries, keyed at depth 0, by their whole texts. Each range of
// entries whose texts agree in their first `offset` folded bytes is sorted
// by the next 20, and the runs that still agree wait for their next turn:
// in a list, not on the call stack, as texts that many items share (say,
// repeated long lines) go many turns deep.
// The entries of a long list fill several large pages, made right before
// they are written.
using SortEntries = std::vector<SortEntry, LargePageAllocator<SortEntry>>;

template <typename Texts>
void SortByChunks(const Texts& items, SortEntries& entries)
{
    struct Range {
        size_t first;
        size_t last;
        size_t offset;
    };
    std::vector<Range> pending{{0, entries.size(), 0}};
    bool keyed = true;
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        SortEntry* const first = entries.data() + range.first;
        SortEntry* const last = entries.data() + range.last;
        if (!keyed) {
            // The texts of a run lie anywhere in memory: ask for the ones a
            // few entries ahead while keying this one.
            for (SortEntry* e = first; e != last; ++e) {
                if (last - e > 16)
                    PrefetchItem(items, e[16].index, range.offset, false);
                if (last - e > 8)
                    PrefetchItem(items, e[8].index, range.offset, true);
                SetKey(*e, items[e->index], range.offset);
            }
        }
        keyed = false;
        // Runs of texts that agree for many more bytes (repeated lines)
        // arrive in order already: one look settles them.
        if (!std::is_sorted(first, last, KeyThenIndexLess{}))
            SortByKey(first, last, 0);

        // Within a run of equal keys, a text that ends inside the key is a
        // prefix of every longer text of the run (its padding compared equal
        // to zero bytes): the texts that end go first, shortest first, then
        // the texts that go on, to be sorted by their next bytes.
        const size_t keyEnd = range.offset + kKeyBytes;
        for (SortEntry* run = first; run != last;) {
            SortEntry* runEnd = run + 1;
            while (runEnd != last && SameKey(*runEnd, *run))
                ++runEnd;
            if (runEnd - run > 1) {
                const auto endsInKey = [&](const SortEntry& e) { return items[e.index].size() <= keyEnd; };
                SortEntry* goOn = run;
                if (std::any_of(run, runEnd, endsInKey)) {
                    goOn = std::stable_partition(run, runEnd, endsInKey);
                    std::stable_sort(run, goOn, [&](const SortEntry& a, const SortEntry& b) {
                        return items[a.index].size() < items[b.index].size();
                    });
                }
                if (runEnd - goOn > 1)
                    pending.push_back({static_cast<size_t>(goOn - entries.data()),
                                       static_cast<size_t>(runEnd - entries.data()), keyEnd});
            }
            run = runEnd;
        }
    }
}

// Puts items[order[i]] at place i for every i, by following the cycles of
// the permutation, so that each text moves once and no second list of
// texts is built. The order is taken from the sorted entries into a compact
// array of positions laid over the entries' own storage (each position is
// written over an entry already read): following a cycle then steps through
// 4-byte positions, not 16-byte entries, and needs no new memory.
template <typename Item>
void PlaceInOrder(std::vector<Item>& items, SortEntries& entries)
{
    static_assert(std::is_trivially_copyable_v<SortEntry> && sizeof(SortEntry) >= sizeof(uint32_t));
    unsigned char* const order = reinterpret_cast<unsigned char*>(entries.data());
    const size_t count = entries.size();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t from = entries[i].index;
        std::memcpy(order + i * sizeof from, &from, sizeof from);
    }
    const auto sourceOf = [order](size_t place) {
        uint32_t from;
        std::memcpy(&from, order + place * sizeof from, sizeof from);
        return size_t{from};
    };
    const auto markPlaced = [order](size_t place) {
        const auto self = static_cast<uint32_t>(place);
        std::memcpy(order + place * sizeof self, &self, sizeof self);
    };
    for (size_t start = 0; start < count; ++start) {
        if (sourceOf(start) == start)
            continue;
        Item held = std::move(items[start]);
        size_t to = start;
        for (;;) {
            const size_t from = sourceOf(to);
            markPlaced(to);
            if (from == start)
                break;
            items[to] = std::move(items[from]);
            to = from;
        }
        items[to] = std::move(held);
    }
}

// The entries of the texts, keyed at depth 0, sorted by their whole texts.
template <typename Texts>
SortEntries SortedEntries(const Texts& items)
{
    // Sorting compact keys of the folded texts, rather than the texts
    // through CompareNoCase, keeps the work in small, cache-friendly
    // entries; the result is exactly the stable case-insensitive order.
    SortEntries entries;
    entries.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        SortEntry& e = entries.emplace_back();
        e.index = static_cast<uint32_t>(i);
        SetKey(e, items[i], 0);
    }
    SortByChunks(items, entries);
    return entries;
}

} // namespace

void SortFunctionList(std::vector<std::string>& items)
{
    if (items.size() < 2)
        return;
    SortEntries entries = SortedEntries(items);
    PlaceInOrder(items, entries);
}

void SortFunctionList(TextList& items)
{
    // Only the (offset, length) entries move; the texts stay where they are.
    if (items.size() < 2)
        return;
    SortEntries entries = SortedEntries(items);
    PlaceInOrder(items.m_spans, entries);
}

int FindStringExact(const std::vector<std::string>& items, std::string_view text)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (EqualsNoCase(items[i], text))
            return static_cast<int>(i);
    return -1;
}

} // namespace tovel
