// Which tool hints may run: a hint whose name could read as something else
// (an invisible, blank-like or direction-changing character, a line break of
// any kind) is refused like a path.
#include "composer/ToolProgram.h"
#include "support/TableRows.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tovel {
namespace {

struct HintRow {
    const char* name;
    std::string hint;
    bool refused;
};

const HintRow kHintRows[] = {
    {"Plain", "Pick.exe", false},
    {"PlainSpace", "Baud Calc.exe", false},
    {"Accented", "\xC3\xA9t\xC3\xA9.exe", false},
    {"Cjk", "\xE8\xA8\x88.exe", false},
    {"Emoji", "\xF0\x9F\x94\xA7.exe", false},
    {"Latin1Byte", "\xE9t\xE9.exe", false},          // not UTF-8: read as é
    {"Cp1252Euro", "\x80.exe", false},               // not UTF-8: read as €
    {"OverlongReadAsCp1252", "\xC0\x80.exe", false}, // "À€"
    {"Tab", "a\tb.exe", true},
    {"Delete", "a\x7F.exe", true},
    {"Nul", std::string("a\0b.exe", 7), true},
    {"NextLineC1", "Pick.exe\xC2\x85", true},
    {"LineSeparator", "Pick.exe\xE2\x80\xA8rm.exe", true},
    {"ParagraphSeparator", "Pick.exe\xE2\x80\xA9", true},
    {"NoBreakSpace", "Pick\xC2\xA0.exe", true},
    {"NarrowNoBreakSpace", "Pick\xE2\x80\xAF.exe", true},
    {"IdeographicSpace", "Pick\xE3\x80\x80.exe", true},
    {"ZeroWidthSpace",
     "Pi\xE2\x80\x8B"
     "ck.exe",
     true},
    {"ZeroWidthJoiner",
     "Pi\xE2\x80\x8D"
     "ck.exe",
     true},
    {"WordJoiner",
     "Pi\xE2\x81\xA0"
     "ck.exe",
     true},
    {"SoftHyphen",
     "Pi\xC2\xAD"
     "ck.exe",
     true},
    {"RightToLeftOverride",
     "\xE2\x80\xAE"
     "exe.kciP",
     true},
    {"RightToLeftMark", "Pick\xE2\x80\x8F.exe", true},
    {"LeftToRightIsolate", "\xE2\x81\xA6Pick.exe", true},
    {"ArabicLetterMark", "Pick\xD8\x9C.exe", true},
    {"ByteOrderMark", "\xEF\xBB\xBFPick.exe", true},
    {"VariationSelector", "Pick\xEF\xB8\x8F.exe", true},
    {"HangulFiller", "Pick\xE3\x85\xA4.exe", true},
    {"BrailleBlank", "Pick\xE2\xA0\x80.exe", true},
    {"TagCharacter", "Pick\xF3\xA0\x81\x81.exe", true},
    {"PrivateUse", "Pick\xEE\x80\x80.exe", true},
    {"Noncharacter", "Pick\xEF\xBF\xBF.exe", true},
    {"Cp1252NoBreakSpace", "Pick\xA0.exe", true}, // not UTF-8: a no-break space
    {"Cp1252SoftHyphen", "Pick\xAD.exe", true},
    {"Cp1252Undefined", "Pick\x81.exe", true},
    {"EncodedSurrogate", "Pick\xED\xA0\x80.exe", true},     // "í" and a no-break space
    {"CutSequenceReadAsCp1252", "Pick\xE2\x80.exe", false}, // "â€"
};

void PrintTo(const HintRow& row, std::ostream* out)
{
    *out << row.name;
}

class ToolHintTest : public ::testing::TestWithParam<HintRow> {};

TEST_P(ToolHintTest, HintThatCouldReadAsAnotherNameIsRefused)
{
    const HintRow& row = GetParam();
    const auto refusal = ToolHintRefusal(row.hint);
    EXPECT_EQ(refusal.has_value(), row.refused);
    if (refusal) {
        EXPECT_EQ(*refusal,
                  "The tool program \"" + row.hint
                      + "\" is not run: a tool program must be a plain file name in the library's folder.");
    }
}

INSTANTIATE_TEST_SUITE_P(ToolProgram, ToolHintTest, ::testing::ValuesIn(kHintRows), testsupport::RowName());

} // namespace
} // namespace tovel
