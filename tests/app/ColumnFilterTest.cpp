// The filter fields' texts as criteria: begins-with for texts with every character
// matching itself, comparisons and ranges in German forms for numbers and dates, a
// clear error naming text and column for anything else.

#include <gtest/gtest.h>

#include "rtl/Exceptions.h"
#include "views/ColumnFilter.h"

namespace zalvert {
namespace {

TEST(ColumnFilter, TextsBeginWithTheTextEachCharacterMatchingItself) {
    EXPECT_EQ(ColumnFilterCriteria("Recvon", TFieldType::ftString, "  "), "");
    EXPECT_EQ(ColumnFilterCriteria("Recvon", TFieldType::ftString, "Nord"),
              "[Recvon] LIKE 'Nord*'");
    EXPECT_EQ(ColumnFilterCriteria("Tour", TFieldType::ftString, "a*b?c#d[e'f"),
              "[Tour] LIKE 'a[*]b[?]c[#]d[[]e''f*'");
}

TEST(ColumnFilter, NumbersAndDatesTakeComparisonsAndRangesInGermanForms) {
    EXPECT_EQ(ColumnFilterCriteria("Netto", TFieldType::ftCurrency, ">100,00"), "[Netto] > 100");
    EXPECT_EQ(ColumnFilterCriteria("Netto", TFieldType::ftCurrency, "<= 1.234,50 €"),
              "[Netto] <= 1234.5");
    EXPECT_EQ(ColumnFilterCriteria("ID", TFieldType::ftAutoInc, "10..20"),
              "([ID] >= 10 AND [ID] <= 20)");
    EXPECT_EQ(ColumnFilterCriteria("ID", TFieldType::ftAutoInc, "7"), "[ID] = 7");
    // A date is its whole day.
    EXPECT_EQ(ColumnFilterCriteria("Datumvon", TFieldType::ftDateTime, "31.03.2024"),
              "([Datumvon] >= #03/31/2024# AND [Datumvon] < #04/01/2024#)");
    EXPECT_EQ(ColumnFilterCriteria("Datumvon", TFieldType::ftDateTime, "01.01.2024..31.03.2024"),
              "([Datumvon] >= #01/01/2024# AND [Datumvon] < #04/01/2024#)");
    EXPECT_EQ(ColumnFilterCriteria("Datumvon", TFieldType::ftDateTime, ">31.12.2023"),
              "[Datumvon] >= #01/01/2024#");
    EXPECT_EQ(ColumnFilterCriteria("Datumvon", TFieldType::ftDateTime, "<=29.02.2024"),
              "[Datumvon] < #03/01/2024#");
    EXPECT_EQ(ColumnFilterCriteria("erledigt", TFieldType::ftBoolean, "wa"), "[erledigt] = True");
    EXPECT_EQ(ColumnFilterCriteria("erledigt", TFieldType::ftBoolean, "F"), "[erledigt] = False");
}

TEST(ColumnFilter, AnythingElseIsRefusedNamingTextAndColumn) {
    for (const char* text : {"abc", ">", "1..", "31.02.2024", "1;DROP"}) {
        try {
            ColumnFilterCriteria("Datumvon", TFieldType::ftDateTime, text);
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("'") + text + "'"), std::string::npos);
            EXPECT_NE(std::string(e.what()).find("Datumvon"), std::string::npos);
        }
    }
    EXPECT_THROW(ColumnFilterCriteria("Netto", TFieldType::ftCurrency, "viel"), EConvertError);
    EXPECT_THROW(ColumnFilterCriteria("erledigt", TFieldType::ftBoolean, "ja"), EConvertError);
}

}  // namespace
}  // namespace zalvert
