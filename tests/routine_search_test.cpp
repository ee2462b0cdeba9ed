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

TEST(RoutineSearch, FilterKeepsNamesHoldingTheTextInListOrder)
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
        std::vector<uint32_t> rows;
        size_t best;
    };
    const Case cases[] = {
        {"u", {0, 3, 4, 6}, 0}, // UartGet starts with it; GetBuffer, PwmSetDuty, UartInit hold it
        {"UartI", {6}, 0},      // case ignored, capitals as typed with Shift
        {"pwm", {2, 4, 5}, 0},  // SetPwmMode kept in its place, after the two that start with it
        {"mode", {5}, 0},       // no name starts with it: the first that holds it
        {"init", {2, 6}, 0},    // PwmInit before UartInit
        {"uart", {0, 6}, 0},    // list order, not the order of the match
        {"set", {4, 5}, 1},     // the name that starts with it is highlighted
        {"int", {}, 0},         // the return type does not count
        {"noname", {}, 0},      // a text without '(' has no name
        {"", {}, 0},
    };
    std::vector<uint32_t> rows = {99};
    for (const Case& c : cases) {
        EXPECT_EQ(names.Filter(items, c.typed, rows), c.best) << c.typed;
        EXPECT_EQ(rows, c.rows) << c.typed;
    }
    // An index of another fill keeps nothing rather than wrong rows.
    names.Filter({"int x(void)"}, "x", rows);
    EXPECT_TRUE(rows.empty());
}

} // namespace
} // namespace tovel
