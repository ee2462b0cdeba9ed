// The synthetic libraries scan as the benchmarks assume: the advertised
// number of routines, the advertised last prototype, closed blocks, CR LF.
#include "LibraryGenerator.h"

#include "library/LineReader.h"
#include "library/Scanner.h"
#include "library/SourceView.h"

#include <gtest/gtest.h>

namespace tovel::bench {
namespace {

std::vector<std::string> Scan(const std::string& text, bool header)
{
    StringLineReader reader(text);
    return CollectPrototypes(reader, header);
}

bool EveryLineEndsWithCrLf(const std::string& text)
{
    for (size_t pos = text.find('\n'); pos != std::string::npos; pos = text.find('\n', pos + 1))
        if (pos == 0 || text[pos - 1] != '\r')
            return false;
    return !text.empty() && text.back() == '\n';
}

TEST(LibraryGenerator, AssemblerLibraryListsEveryRoutineInClosedBlocks)
{
    const GeneratedLibrary lib = GenerateAssemblerLibrary(300);
    const std::vector<std::string> items = Scan(lib.text, false);
    ASSERT_EQ(items.size(), 300u);
    EXPECT_EQ(lib.listed, 300u);
    EXPECT_EQ(items.back(), lib.lastPrototype);
    EXPECT_TRUE(EveryLineEndsWithCrLf(lib.text));

    // About 200 bytes a routine, so 100,000 routines make about 20 MB.
    EXPECT_GT(lib.text.size(), 300u * 170);
    EXPECT_LT(lib.text.size(), 300u * 240);

    // Each block ends at its own ENDMOD line, not earlier.
    for (const std::string& prototype : {items.front(), items[150], items.back()}) {
        StringLineReader reader(lib.text);
        const std::string block = ExtractSourceBlock(reader, prototype);
        EXPECT_NE(block.find(prototype), std::string::npos);
        EXPECT_EQ(block.find("ENDMOD"), block.size() - 8) << block;
    }

    // File order is not the list's order, and case matters to the order.
    std::vector<std::string> sorted = items;
    SortFunctionList(sorted);
    EXPECT_NE(sorted, items);
    std::vector<std::string> caseSorted = items;
    std::sort(caseSorted.begin(), caseSorted.end());
    EXPECT_NE(sorted, caseSorted);
}

TEST(LibraryGenerator, HeaderLibraryListsAllButTheVoidDeclarations)
{
    const GeneratedLibrary lib = GenerateHeaderLibrary(400);
    const std::vector<std::string> items = Scan(lib.text, true);
    EXPECT_EQ(items.size(), lib.listed);
    EXPECT_GT(lib.listed, 300u);
    EXPECT_LT(lib.listed, 400u);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back(), lib.lastPrototype);
    EXPECT_TRUE(EveryLineEndsWithCrLf(lib.text));
}

TEST(LibraryGenerator, SameArgumentsGiveTheSameBytes)
{
    EXPECT_EQ(GenerateAssemblerLibrary(50).text, GenerateAssemblerLibrary(50).text);
    EXPECT_EQ(GenerateHeaderLibrary(50).text, GenerateHeaderLibrary(50).text);
    EXPECT_EQ(GenerateAssemblerLibrary(0).listed, 0u);
}

} // namespace
} // namespace tovel::bench
