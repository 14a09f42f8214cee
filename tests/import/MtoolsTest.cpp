#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/Mtools.h"

namespace zalvert {
namespace {

std::vector<std::string> Split(std::string_view line) {
    std::vector<std::string> fields;
    while (!line.empty()) fields.emplace_back(NextField(line, ';'));
    return fields;
}

using Fields = std::vector<std::string>;

TEST(NextField, SplitsAtTheSeparator) {
    std::string_view rest = "Alpha GmbH;Beta;01.02.2018";
    EXPECT_EQ(NextField(rest, ';'), "Alpha GmbH");
    EXPECT_EQ(rest, "Beta;01.02.2018");
    EXPECT_EQ(Split("a;b;"), (Fields{"a", "b"}));
    EXPECT_EQ(Split("a;;"), (Fields{"a", ""}));
    EXPECT_EQ(Split(";x"), (Fields{"", "x"}));
    EXPECT_EQ(Split("a|b"), (Fields{"a|b"}));
    std::string_view pipe = "a|b";
    EXPECT_EQ(NextField(pipe, '|'), "a");
}

TEST(NextField, LeavesAnEmptyRestEmpty) {
    std::string_view rest;
    EXPECT_EQ(NextField(rest, ';'), "");
    EXPECT_TRUE(rest.empty());
}

TEST(NextField, QuotedFieldsHoldSeparators) {
    EXPECT_EQ(Split("\"Alpha; Beta\";x"), (Fields{"Alpha; Beta", "x"}));
    EXPECT_EQ(Split("\"Alpha\""), (Fields{"Alpha"}));
    EXPECT_EQ(Split("\" Alpha \""), (Fields{"Alpha"}));
    EXPECT_EQ(Split("Alpha\""), (Fields{"Alpha"}));
    EXPECT_EQ(Split("\"Alpha"), (Fields{"Alpha"}));
    // A closing quote not followed by the separator runs to the end of the line.
    EXPECT_EQ(Split("\"Alpha\" x;y"), (Fields{"Alpha\" x;y"}));
    // A lone quote at the end gives an empty field.
    EXPECT_EQ(Split("a;\""), (Fields{"a", ""}));
    EXPECT_EQ(Split("\"a\";\"b\""), (Fields{"a", "b"}));
}

TEST(NextField, TrimsBlanksControlsAndOneTrailingQuote) {
    EXPECT_EQ(Split(" \tAlpha \x01;  Beta  "), (Fields{"Alpha", "Beta"}));
    // Blanks outside the quotes make it a plain field: only the trailing quote goes.
    EXPECT_EQ(Split("  \"Alpha\"  "), (Fields{"\"Alpha"}));
    EXPECT_EQ(Split("Alpha\"\""), (Fields{"Alpha\""}));
    // Bytes of UTF-8 characters are no control characters.
    EXPECT_EQ(Split("M\xC3\xBCller \xC3\x9C;x"), (Fields{"M\xC3\xBCller \xC3\x9C", "x"}));
}

TEST(TwoDigits, PadsSingleCharacterNumbers) {
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(9), "09");
    EXPECT_EQ(TwoDigits(10), "10");
    EXPECT_EQ(TwoDigits(2018), "2018");
    EXPECT_EQ(TwoDigits(-5), "-5");
}

}  // namespace
}  // namespace zalvert
