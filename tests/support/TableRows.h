// Table tests with a name per row: each row of a table is a test of its own,
// shown and filtered by that name (--gtest_filter='*/CrLfLineEnd').
//
//   struct Row { const char* name; std::string input; int expected; };
//   const Row kRows[] = {{"Empty", "", 0}, ...};
//   class ParseTest : public ::testing::TestWithParam<Row> {};
//   TEST_P(ParseTest, Counts) { EXPECT_EQ(Parse(GetParam().input), GetParam().expected); }
//   INSTANTIATE_TEST_SUITE_P(Parser, ParseTest, ::testing::ValuesIn(kRows), tovel::testsupport::RowName());
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tovel::testsupport {

// The test name of a row: its name field (letters, digits and '_' only).
struct RowName {
    template <typename Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const
    {
        return info.param.name;
    }
};

} // namespace tovel::testsupport
