#include "composer/ToolProgram.h"
#include "composer/ValueEditors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovel {
namespace {

using Items = std::vector<std::string>;

TEST(ClassifyHint, Table)
{
    struct Row {
        const char* hint;
        HintKind kind;
    } rows[] = {
        {"Red|Green|Blue", HintKind::OptionList},
        {"a|b|", HintKind::OptionList},
        {"|a|b", HintKind::None},
        {"Pick.exe", HintKind::ToolProgram},
        {".exe", HintKind::None},
        {"Pick.EXE", HintKind::None},
        {"a|Pick.exe", HintKind::OptionList},
        {"|Pick.exe", HintKind::ToolProgram},
        {"0-100", HintKind::None},
        {"", HintKind::None},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ClassifyHint(r.hint), r.kind) << r.hint;
}

TEST(OptionList, SplitKeepsOrderAndEmptyItems)
{
    EXPECT_EQ(SplitOptionList("Red|Green|Blue"), (Items{"Red", "Green", "Blue"}));
    EXPECT_EQ(SplitOptionList("a||b"), (Items{"a", "", "b"}));
    EXPECT_EQ(SplitOptionList("a|b|"), (Items{"a", "b", ""}));
    EXPECT_EQ(SplitOptionList("a"), (Items{"a"}));
    EXPECT_EQ(SplitOptionList(""), (Items{""}));
}

TEST(OptionList, JoinSelection)
{
    EXPECT_EQ(JoinOptionSelection({"Green", "Blue"}), "Green|Blue");
    EXPECT_EQ(JoinOptionSelection({}), "");
    EXPECT_EQ(JoinOptionSelection({"", "b"}), "b");
    EXPECT_EQ(JoinOptionSelection({"a", "", "b"}), "a||b");
    EXPECT_EQ(JoinOptionSelection({"a", ""}), "a|");

    // Every selected item takes part, not only the first 32.
    Items forty;
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        forty.push_back("o" + std::to_string(i));
        expected += (i ? "|o" : "o") + std::to_string(i);
    }
    EXPECT_EQ(JoinOptionSelection(forty), expected);
}

TEST(RangeHint, Parse)
{
    struct Row {
        const char* hint;
        bool isRange;
        const char* low;
        const char* high;
    } rows[] = {
        {"1-10", true, "1", "10"},
        {"0--5", true, "0", "-5"},
        {"0x00-0xFF", true, "0x00", "0xFF"},
        {"-5-5", true, "-5", "5"},
        {"10", false, "", ""},
        {"a-", true, "a", ""},
        {"", false, "", ""},
        {"-40-125", true, "-40", "125"},
        {"-5", false, "", ""},
        {"--5", false, "", ""},
        {"-0x10--1", true, "-0x10", "-1"},
    };
    for (const Row& r : rows) {
        const auto range = ParseRangeHint(r.hint);
        ASSERT_EQ(range.has_value(), r.isRange) << r.hint;
        if (range) {
            EXPECT_EQ(range->low, r.low) << r.hint;
            EXPECT_EQ(range->high, r.high) << r.hint;
        }
    }
}

TEST(RangeHint, Candidates)
{
    struct Row {
        const char* value;
        bool candidate;
    } rows[] = {
        {"5", true},  {"-3", true},   {"+3", true},   {" 20", true},  {"(x)", true},  {"\"Pick.exe\"", true},
        {"!", true},  {"\x01", true}, {"\xB5", true}, {"\xFF", true}, {"abc", false}, {",", false},
        {"/", false}, {":", false},   {"", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsRangeCandidate(r.value), r.candidate) << r.value;
}

TEST(RangeHint, CheckOnLeavingTheEdit)
{
    struct Row {
        const char* hint;
        const char* value;
        bool reported;
    } rows[] = {
        {"1-10", "5", false},
        {"1-10", "0x5", false},
        {"1-10", "012", false}, // octal 10
        {"1-10", "013", true},  // octal 11
        {"1-10", "abc", false}, // not tested at all
        {"1-10", " 20", true},
        {"1-10", "", false},
        {"1-10", "10abc", false},
        {"1-10", "0", true},
        {"-40-125", "100", false}, // a negative low bound
        {"-40-125", "-41", true},
        {"-40-125", "126", true},
        {"0--5", "0", true},
        {"0--5", "-3", true},
        {"0x00-0xFF", "255", false},
        {"0x00-0xFF", "256", true},
        {"1-10", "(", true}, // converts to 0
        {"1-10", "\"Pick.exe\"", true},
        {"0-10", "\"Pick.exe\"", false},
        {"0-0xFFFFFFFF", "4294967295", false},
        {"0-0xFFFFFFFF", "0xFFFFFFFF", false},
        {"0-0xFFFFFFFF", "4294967296", true},
        {"-0x80000000-0", "-2147483648", false},
        {"-0x80000000-0", "-2147483649", true},
        {"5-1", "3", true}, // low is not compared with high
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsOutOfRange(r.hint, r.value), r.reported) << r.hint << " / '" << r.value << "'";
}

TEST(RangeHint, ReportAndTooltipSayWhatIsAllowed)
{
    EXPECT_EQ(OutOfRangeReport("duty", "0-100"), "duty Out of range.\nAllowed: 0 to 100");
    EXPECT_EQ(OutOfRangeReport("temp", "-40-125"), "temp Out of range.\nAllowed: -40 to 125");
    EXPECT_EQ(OutOfRangeReport("dt", "0x00-0x3F"), "dt Out of range.\nAllowed: 0x00 to 0x3F");
    struct Row {
        const char* hint;
        const char* words;
    } rows[] = {
        {"0-100", "Allowed: 0 to 100"},
        {"-40-125", "Allowed: -40 to 125"},
        {"TMR_DIV1,TMR_DIV8", "One of: TMR_DIV1, TMR_DIV8 (or type another value)"},
        {"A|B|", "Options, one or more joined with '|': A, B, (empty)"},
        {"BaudCalc.exe", "Helper program: BaudCalc.exe, run from the library's folder when the field takes the focus"},
        {"a,b|c", "One of: a, b|c (or type another value)"}, // a choice wins, as the panel shows a combo
        {"anything", "Hint: anything"},
        {"", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(DescribeHint(r.hint), r.words) << r.hint;
}

TEST(RangeHint, CompareResults)
{
    EXPECT_EQ(CompareToRange("1", "10", "0"), -1);
    EXPECT_EQ(CompareToRange("1", "10", "11"), 1);
    EXPECT_EQ(CompareToRange("-2147483649", "0", "-2147483649"), 0); // below 32 bits
}

TEST(ToolCommand, FolderOfLibraryPlusHint)
{
    struct Row {
        const char* lib;
        const char* hint;
        const char* command;
    } rows[] = {
        {"/asm/lib1.s79", "Pick.exe", "/asm/Pick.exe"},
        {"lib1.s79", "Pick.exe", "Pick.exe"},
        {"/my libs/dev 1/lib.s79", "Tools/Pick.exe", "/my libs/dev 1/Tools/Pick.exe"},
        {"/asm/", "a;b.exe", "/asm/a;b.exe"},
        {"", "Pick.exe", "Pick.exe"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(BuildToolCommand(r.lib, r.hint), r.command) << r.lib;
}

TEST(EditorPlaces, OptionListAndValueEdit)
{
    struct Row {
        int n;
        PixelRect lists[4];
    } rows[] = {
        {1, {{130, 355, 170, 70}, {490, 355, 170, 70}, {310, 355, 170, 70}, {310, 355, 170, 70}}},
        {2, {{130, 355, 170, 70}, {310, 355, 170, 70}, {310, 355, 170, 70}, {310, 355, 170, 70}}},
        {3, {{130, 355, 170, 70}, {250, 355, 170, 70}, {310, 355, 170, 70}, {310, 355, 170, 70}}},
        {4, {{130, 355, 170, 70}, {220, 355, 170, 70}, {310, 355, 170, 70}, {310, 355, 170, 70}}},
    };
    for (const Row& r : rows) {
        const PanelLayout layout = LayoutParameterPanel(r.n);
        for (int k = 1; k <= 4; ++k) {
            EXPECT_EQ(OptionListRect(k, r.n), r.lists[k - 1]) << "n " << r.n << " k " << k;
            if (k <= r.n) { // the edit comes back where the panel put it
                EXPECT_EQ(ValueEditRect(k, r.n), layout.values[k - 1]) << "n " << r.n << " k " << k;
            }
        }
    }
    EXPECT_EQ(ValueEditRect(2, 3), (PixelRect{250, 332, 110, 18}));
    // A second row opens its lists one row lower, laid out for its own slots.
    EXPECT_EQ(OptionListRect(6, 6), (PixelRect{310, 355 + 36, 170, 70}));
    EXPECT_EQ(OptionListRect(5, 6), (PixelRect{130, 355 + 36, 170, 70}));
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(ValueEditRect(k, 6), LayoutParameterPanel(6).values[static_cast<size_t>(k - 1)]) << k;
    EXPECT_EQ(OptionListRect(2, 0), (PixelRect{490, 355, 170, 70})); // no division by zero
}

TEST(ToolProgram, OnlyPlainFileNamesInTheLibrarysFolderRun)
{
    for (const char* plain : {"Pick.exe", "Baud Calc.exe", "a.exe.b", "-x.exe", "\xC3\xA9.exe", "x.exe;rm"})
        EXPECT_FALSE(ToolHintRefusal(plain)) << plain;
    for (const char* refused : {"/usr/bin/cat.exe", "d.exe/../../bin/sh", "Tools/Pick.exe", "..Pick.exe", "Pick.exe..",
                                "\\server\\x.exe", "C:x.exe", "a\tb.exe", "a\x7F.exe"}) {
        const auto message = ToolHintRefusal(refused);
        ASSERT_TRUE(message) << refused;
        EXPECT_NE(message->find(std::string("\"") + refused + "\""), std::string::npos) << *message;
    }
    EXPECT_TRUE(ToolHintRefusal(std::string("a\0b.exe", 7)));

    EXPECT_EQ(LibraryFolder("/libs/dev/lib.s79"), "/libs/dev/");
    EXPECT_EQ(LibraryFolder("lib.s79"), "");
    EXPECT_EQ(ToolConsentQuestion("lib.s79"), "lib.s79 wants to run the program below. Run programs from this folder?");
    // Trust is for the very folder: no case folding, no prefix, never the empty folder.
    const std::vector<std::string> trusted{"/libs/dev/", ""};
    EXPECT_TRUE(IsTrustedFolder(trusted, "/libs/dev/"));
    EXPECT_FALSE(IsTrustedFolder(trusted, "/libs/Dev/"));
    EXPECT_FALSE(IsTrustedFolder(trusted, "/libs/"));
    EXPECT_FALSE(IsTrustedFolder(trusted, ""));
}

} // namespace
} // namespace tovel
