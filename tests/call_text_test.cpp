#include "composer/CallText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovel {
namespace {

TEST(ComposeCallText, Table)
{
    struct Row {
        const char* function;
        std::vector<std::string> values;
        std::vector<std::string> extra;
        const char* expected;
    } rows[] = {
        {"PwmSetDuty", {"2", "75"}, {}, "PwmSetDuty(2,75)"},
        {"Get", {}, {}, "Get()"},
        {"Cfg", {"A|B"}, {}, "Cfg(A|B)"},
        {"PwmSetDuty", {"2", ""}, {}, "PwmSetDuty(2,)"},
        {"Run", {"\"Pick.exe\""}, {}, "Run(\"Pick.exe\")"},
        {"F", {"1", "2", "3", "4"}, {"e"}, "F(1,2,3,4,e)"},
        {"F", {"1", "2", "3", "4"}, {"e", "int"}, "F(1,2,3,4,e,int)"},
        {"F", {}, {"e"}, "F(e)"},
        {"void UrtConfig(char m)", {"x"}, {}, "void UrtConfig(char m)(x)"},
        {"", {"a b", "\xB5"}, {}, "(a b,\xB5)"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ComposeCallText(r.function, r.values, r.extra), r.expected) << r.expected;
}

TEST(ComposeCallText, LongTextIsNotCut)
{
    const std::string longValue(80, '7');
    const std::string text = ComposeCallText("SetBuffer", {longValue, "1"});
    EXPECT_EQ(text, "SetBuffer(" + longValue + ",1)");
    EXPECT_GT(text.size(), 70u);
}

} // namespace
} // namespace tovel
