// Lines handed out as views read exactly as lines copied into strings.
#include "library/LineReader.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tovel {
namespace {

using namespace std::string_literals;

std::vector<std::string> CopiedLines(LineSource& source)
{
    std::vector<std::string> lines;
    for (std::string line = source.ReadLine(); !line.empty(); line = source.ReadLine())
        lines.push_back(line);
    return lines;
}

std::vector<std::string> ViewedLines(LineSource& source)
{
    std::vector<std::string> lines;
    for (std::string_view line = source.NextLine(); !line.empty(); line = source.NextLine())
        lines.emplace_back(line);
    return lines;
}

TEST(LineViews, ReadAsCopiedLines)
{
    const std::string texts[] = {
        "a\r\nb\nc",
        std::string(600, 'x') + "\n" + std::string(255, 'y') + "\nz",
        "keep\0cut\nnext\n"s,
        "one\n\0stop\nnever\n"s,
        std::string(70000, 'w') + "\n" + std::string(65530, 'v') + "\nlast\n",
        "",
    };
    const tovel::testsupport::TempFolder folder;
    ASSERT_TRUE(folder.Valid());
    const std::string path = folder / "lines.txt";
    for (const std::string& text : texts) {
        StringLineReader copied(text), viewed(text);
        EXPECT_EQ(ViewedLines(viewed), CopiedLines(copied));
        std::ofstream(path, std::ios::binary) << text;
        FileLineReader fileCopied(path), fileViewed(path);
        EXPECT_EQ(ViewedLines(fileViewed), CopiedLines(fileCopied));
        StringLineReader mixed(text);
        // Views and copies may alternate on one reader.
        std::vector<std::string> lines;
        for (int i = 0;; ++i) {
            std::string line = i % 2 ? std::string(mixed.NextLine()) : mixed.ReadLine();
            if (line.empty())
                break;
            lines.push_back(line);
        }
        StringLineReader reference(text);
        EXPECT_EQ(lines, CopiedLines(reference));
    }
    std::remove(path.c_str());
}

} // namespace
} // namespace tovel
