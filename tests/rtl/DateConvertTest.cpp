#include <gtest/gtest.h>

#include "rtl/DateConvert.h"
#include "rtl/Exceptions.h"

namespace zalvert {
namespace {

class DateConvertTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FormatSettings() = TFormatSettings::German();
        SetClockForTesting(TSystemTime{2026, 12, 8, 10, 30, 0, 0});
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }
};

TEST_F(DateConvertTest, EncodesOnTheRunTimesDayCount) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2018, 12, 24), 43458.0);
    EXPECT_EQ(EncodeDate(1800, 1, 1), -36522.0);
    const TDateParts parts = DecodeDate(EncodeDate(2024, 2, 29) + 0.75);
    EXPECT_EQ(parts.Year, 2024);
    EXPECT_EQ(parts.Month, 2);
    EXPECT_EQ(parts.Day, 29);
    EXPECT_THROW(EncodeDate(2019, 2, 29), EConvertError);
}

TEST_F(DateConvertTest, TakesFourAndThreeDigitYearsAsWritten) {
    EXPECT_EQ(StrToDate("24.12.2018"), EncodeDate(2018, 12, 24));
    EXPECT_EQ(StrToDate("1.2.2018"), EncodeDate(2018, 2, 1));
    EXPECT_EQ(StrToDate("01.02.0018"), EncodeDate(18, 2, 1));
    EXPECT_EQ(StrToDate("1.2.999"), EncodeDate(999, 2, 1));
}

TEST_F(DateConvertTest, PlacesTwoDigitYearsAroundTheCurrentYear) {
    EXPECT_EQ(StrToDate("24.12.18"), EncodeDate(2018, 12, 24));
    EXPECT_EQ(StrToDate("1.1.80"), EncodeDate(1980, 1, 1));
    EXPECT_EQ(StrToDate("1.1.75"), EncodeDate(2075, 1, 1));
    EXPECT_EQ(StrToDate("1.1.76"), EncodeDate(1976, 1, 1));
    EXPECT_EQ(StrToDate("1.1.5"), EncodeDate(2005, 1, 1));
    SetClockForTesting(TSystemTime{2090, 6, 1});
    EXPECT_EQ(StrToDate("1.1.30"), EncodeDate(2130, 1, 1));
    EXPECT_EQ(StrToDate("1.1.40"), EncodeDate(2040, 1, 1));
}

TEST_F(DateConvertTest, DayAndMonthAloneTakeTheCurrentYear) {
    EXPECT_EQ(StrToDate("4.12"), EncodeDate(2026, 12, 4));
    EXPECT_FALSE(TryStrToDate("29.2"));  // 2026 is no leap year
    EXPECT_FALSE(TryStrToDate("4.12."));
}

TEST_F(DateConvertTest, AcceptsOneTrailingSeparatorAfterTheYear) {
    EXPECT_EQ(StrToDate("24.12.2018."), EncodeDate(2018, 12, 24));
    EXPECT_FALSE(TryStrToDate("24.12.2018.."));
    EXPECT_FALSE(TryStrToDate("24.12.2018.1"));
}

TEST_F(DateConvertTest, RefusesImpossibleAndMalformedDates) {
    for (const char* text :
         {"31.02.2018", "29.02.2019", "0.1.2018", "1.13.2018", "1..2018", "1.2.182018", "", ".",
          "24-12-2018", "24.12.2018x", "a.b.c", "12345678901.1.2018", "1.2.0000"}) {
        EXPECT_FALSE(TryStrToDate(text)) << text;
    }
    EXPECT_TRUE(TryStrToDate("29.02.2020"));
    EXPECT_EQ(StrToDate("1.2.0"), EncodeDate(2000, 2, 1));
}

TEST_F(DateConvertTest, NumbersMayHaveAnyNumberOfLeadingZeros) {
    EXPECT_EQ(StrToDate("0000000001.01.2018"), EncodeDate(2018, 1, 1));
    EXPECT_EQ(StrToDate("01.000000000012.00000000002018"), EncodeDate(2018, 12, 1));
    EXPECT_EQ(StrToDate("24.12.0000000018"), EncodeDate(18, 12, 24));  // written with 10 digits
    EXPECT_FALSE(TryStrToDate("1.1.99999999999999999999"));
}

TEST_F(DateConvertTest, ReportsTheTextInTheGermanMessage) {
    try {
        StrToDate("31.02.2018");
        FAIL() << "no error raised";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'31.02.2018' ist kein gültiges Datum");
    }
}

TEST_F(DateConvertTest, FollowsTheOrderAndSeparatorOfTheSettings) {
    TFormatSettings us;
    us.DateSeparator = '/';
    us.ShortDateFormat = "m/d/yyyy";
    EXPECT_EQ(StrToDate("12/24/2018", us), EncodeDate(2018, 12, 24));
    EXPECT_EQ(StrToDate("12/24", us), EncodeDate(2026, 12, 24));
    EXPECT_FALSE(TryStrToDate("24.12.2018", us));
    TFormatSettings iso;
    iso.DateSeparator = '-';
    iso.ShortDateFormat = "yyyy-mm-dd";
    EXPECT_EQ(StrToDate("2018-12-24", iso), EncodeDate(2018, 12, 24));
}

}  // namespace
}  // namespace zalvert
