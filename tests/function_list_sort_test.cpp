// The function list's order (also the sorted combo's): the key sort must
// give exactly what a stable sort with the case-insensitive comparison gives.
#include "common/ByteText.h"
#include "common/TextList.h"
#include "library/Scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace tovel::testing {
namespace {

using namespace std::string_literals;

std::vector<std::string> ReferenceSort(std::vector<std::string> items)
{
    std::stable_sort(items.begin(), items.end(),
                     [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
    return items;
}

TEST(FunctionListSort, EdgeCasesMatchTheStableCaseInsensitiveOrder)
{
    struct Case {
        const char* what;
        std::vector<std::string> items;
        std::vector<std::string> sorted;
    };
    const Case cases[] = {
        {"case ignored, equal texts keep their order", {"b", "B", "a", "A", "b"}, {"a", "A", "b", "B", "b"}},
        {"a text before the longer texts it begins, also across the 8-byte chunks",
         {"unsigned int f()", "unsigned", "unsigned int", "Unsigned", "unsigned int f"},
         {"unsigned", "Unsigned", "unsigned int", "unsigned int f", "unsigned int f()"}},
        {"bytes from 0x80 on sort after ASCII, the underscore between cases' letters",
         {"\xE9t\xE9", "zeta", "_x", "Zeta", "ab"},
         {"_x", "ab", "zeta", "Zeta", "\xE9t\xE9"}},
        {"a NUL byte sorts before every other byte but after the end of the text",
         {"ab\0c"s, "ab"s, "ab\x01"s, "ab\0"s},
         {"ab"s, "ab\0"s, "ab\0c"s, "ab\x01"s}},
        {"texts equal over 16 bytes that differ in the 17th or by length, across two key depths",
         {"char ClearTimer_00b", "char ClearTimer_00A", "char cleartimer_00", "char ClearTimer_00a"},
         {"char cleartimer_00", "char ClearTimer_00A", "char ClearTimer_00a", "char ClearTimer_00b"}},
        {"empty texts first", {"x", "", "X", ""}, {"", "", "x", "X"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> items = c.items;
        SortFunctionList(items);
        EXPECT_EQ(items, c.sorted) << c.what;
        EXPECT_EQ(ReferenceSort(c.items), c.sorted) << c.what << " (reference)";
    }
}

TEST(FunctionListSort, RandomListsMatchTheReferenceSort)
{
    // Few distinct bytes and long shared prefixes, so that ties at every
    // chunk depth and exact duplicates are common.
    const std::string alphabet = "aAbB_ \xE9\x80("s + "\0"s;
    const std::string prefixes[] = {"", "unsigned char ", "unsigned char ClearTimer_", "int x"};
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> items(rng() % 300);
        for (std::string& item : items) {
            item = prefixes[rng() % 4];
            const size_t length = rng() % 12;
            for (size_t i = 0; i < length; ++i)
                item.push_back(alphabet[rng() % alphabet.size()]);
        }
        std::vector<std::string> sorted = items;
        SortFunctionList(sorted);
        ASSERT_EQ(sorted, ReferenceSort(items)) << "round " << round;
        TextList inOneBuffer(items);
        SortFunctionList(inOneBuffer);
        ASSERT_EQ(inOneBuffer, sorted) << "round " << round;
    }
}

TEST(FunctionListSort, FoldBoundaryBytesAndPrefixesMatchTheReferenceSort)
{
    // The keys fold eight bytes at once: the bytes on either side of the
    // letter ranges, their images with the top bit set (0xC1 and 0xDA are
    // no letters) and NUL must keep their order. Each list holds texts, the
    // same texts with letters flipped in case, and cuts of them at every
    // length (before, inside and across the 8- and 12-byte key parts).
    const std::string alphabet = "@AZ[`az{\xC1\xDA\xE1\xFA\xFF\x80"s + "\0"s;
    const std::string prefixes[] = {"", "unsigned char ClearTimer_"};
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> items;
        for (size_t n = rng() % 12; n > 0; --n) {
            std::string text = prefixes[rng() % 2];
            for (size_t length = rng() % 30; length > 0; --length)
                text.push_back(alphabet[rng() % alphabet.size()]);
            items.push_back(text);
            std::string flipped = text;
            for (char& c : flipped)
                if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
                    c = static_cast<char>(c ^ 0x20);
            items.push_back(flipped);
            for (int cuts = 0; cuts < 4; ++cuts)
                items.push_back((rng() % 2 ? text : flipped).substr(0, rng() % (text.size() + 1)));
        }
        std::shuffle(items.begin(), items.end(), rng);
        std::vector<std::string> sorted = items;
        SortFunctionList(sorted);
        ASSERT_EQ(sorted, ReferenceSort(items)) << "round " << round;
        TextList inOneBuffer(items);
        SortFunctionList(inOneBuffer);
        ASSERT_EQ(inOneBuffer, sorted) << "round " << round;
    }
}

TEST(FunctionListSort, TextListKeepsItsTextsThroughInsertsAndErases)
{
    // The library combo adds and removes single items; erasing most of them
    // packs the buffer, and later inserts must still land at their places.
    TextList list{"beta", "delta"};
    list.insert(0, "alpha");
    list.insert(2, "gamma");
    list.push_back("");
    EXPECT_EQ(list, (std::vector<std::string>{"alpha", "beta", "gamma", "delta", ""}));
    list.erase(3);
    list.erase(0);
    list.erase(0);
    EXPECT_EQ(list, (std::vector<std::string>{"gamma", ""}));
    list.insert(1, "epsilon");
    list.erase(0);
    EXPECT_EQ(list, (std::vector<std::string>{"epsilon", ""}));
    const std::vector<std::string> copy = list;
    EXPECT_EQ(copy, (std::vector<std::string>{"epsilon", ""}));
}

} // namespace
} // namespace tovel::testing
