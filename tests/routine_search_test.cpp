#include "common/TypeAheadText.h"
#include "library/RoutineSearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovel {
namespace {

TEST(RoutineSearch, NameIsTheIdentifierBeforeTheFirstParenthesis)
{
    struct Case {
        const char* prototype;
        const char* name;
    };
    const Case cases[] = {
        {"void PwmSetDuty(char channel, int duty)", "PwmSetDuty"},
        {"unsigned char *GetBuf (int n)", "GetBuf"},
        {"int f(void (*cb)(int))", "f"}, // the first '(' decides
        {"int 9lives(void)", "lives"},   // an identifier starts with no digit
        {"void UrtConfig", ""},          // no '('
        {"(int)", ""},                   // nothing before it
    };
    for (const Case& c : cases) {
        const std::string prototype = c.prototype;
        const NameSpan span = RoutineNameSpan(prototype);
        EXPECT_EQ(prototype.substr(span.offset, span.length), c.name) << prototype;
    }
}

TEST(RoutineSearch, FindsByNameStartThenAnywhereInListOrder)
{
    // Sorted as the function list sorts: by the whole text, return type first.
    const std::vector<std::string> items = {
        "char UartGet(void)",
        "int AdcRead(char ch)",
        "int PwmInit(void)",
        "unsigned char *GetBuffer(int n)",
        "void PwmSetDuty(char channel, int duty)",
        "void SetPwmMode(char m)",
        "void UartInit(int divisor)",
        "void noname",
    };
    const RoutineNameIndex names(items);
    struct Case {
        const char* typed;
        int row;
    };
    const Case cases[] = {
        {"u", 0},                     // UartGet: the name, not the return type "unsigned"
        {"uarti", 6},                 // case ignored
        {"pwm", 2},                   // first in list order
        {"pwms", 4},  {"buf", 3},     // no name starts with it: the first that contains it
        {"mode", 5},  {"init", 2},    // PwmInit before UartInit
        {"int", -1},                  // the return type does not count
        {"void", -1}, {"noname", -1}, // a text without '(' has no name
        {"", -1},     {"zzz", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names.Find(items, c.typed), c.row) << c.typed;
    // An index of another fill finds nothing rather than a wrong row.
    EXPECT_EQ(names.Find({"int x(void)"}, "x"), -1);
}

TEST(RoutineSearch, TypedTextAddsUpWithinThePauseAndBackspaceRemovesOne)
{
    TypeAheadText typed;
    EXPECT_EQ(typed.Type('p', 5000), "p");
    EXPECT_EQ(typed.Type('w', 5900), "pw");
    EXPECT_EQ(typed.Type('m', 6900), "pwm"); // each key within the pause of the one before
    EXPECT_EQ(typed.Backspace(7000), "pw");
    EXPECT_EQ(typed.Type('x', 8001), "x"); // after a longer pause it starts anew
    EXPECT_EQ(typed.Backspace(9500), "");  // nothing is left to remove after a pause
    EXPECT_EQ(typed.Backspace(9600), "");
}

} // namespace
} // namespace tovel
