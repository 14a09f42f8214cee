#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "rtl/DateTime.h"
#include "rtl/Exceptions.h"
#include "rtl/FormatSettings.h"
#include "rtl/Variant.h"

namespace zalvert {
namespace {

class VariantTest : public ::testing::Test {
  protected:
    void SetUp() override { FormatSettings() = TFormatSettings::German(); }
};

TEST_F(VariantTest, WritesTextInTheRegionalSettings) {
    EXPECT_EQ(Variant(12.5).AsString(), "12,5");
    EXPECT_EQ(Variant(1e20).AsString(), "1E20");
    EXPECT_EQ(Variant(0.1 + 0.2).AsString(), "0,3");
    EXPECT_EQ(Variant(TCurrency{125000}).AsString(), "12,5");
    EXPECT_EQ(Variant(TCurrency{-30000}).AsString(), "-3");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(false).AsString(), "False");
    EXPECT_EQ(Variant(42).AsString(), "42");
    EXPECT_EQ(Variant::FromDate(EncodeDate(2018, 12, 24)).AsString(), "24.12.2018");
    EXPECT_EQ(Variant::FromDate(EncodeDate(2018, 12, 24) + EncodeTime(8, 5, 3, 0)).AsString(),
              "24.12.2018 08:05:03");
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_THROW(Variant::Null().AsString(), EVariantError);
}

TEST_F(VariantTest, ConvertsBetweenTypes) {
    EXPECT_EQ(Variant("12,5").AsDouble(), 12.5);
    EXPECT_EQ(Variant("2,5").AsInteger(), 2);  // half to even
    EXPECT_EQ(Variant("3,5").AsInteger(), 4);
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_TRUE(Variant("true").AsBoolean());
    EXPECT_FALSE(Variant("0").AsBoolean());
    EXPECT_EQ(Variant("24.12.2018 13:00").AsDateTime(),
              EncodeDate(2018, 12, 24) + EncodeTime(13, 0, 0, 0));
    EXPECT_EQ(Variant(12.34567).AsCurrency().Scaled, 123457);
    EXPECT_THROW(Variant("zwölf").AsInteger(), EVariantError);
    EXPECT_THROW(Variant::Null().AsInteger(), EVariantError);
    EXPECT_THROW(Variant(5e9).AsInteger(), EVariantError);
    EXPECT_EQ(Variant(5e9).AsInt64(), 5000000000);
}

TEST_F(VariantTest, ComparesValuesAndArrays) {
    EXPECT_EQ(Variant("a"), Variant(std::string("a")));
    EXPECT_FALSE(Variant(1) == Variant(1.0));  // different types
    const Variant array = Variant::Array(1, {Variant(1), Variant("x")});
    EXPECT_EQ(array.AsArray().LowBound, 1);
    EXPECT_EQ(array, Variant::Array(1, {Variant(1), Variant("x")}));
    EXPECT_FALSE(array == Variant::Array(0, {Variant(1), Variant("x")}));
    EXPECT_TRUE(Variant::Null().IsNull());
    EXPECT_TRUE(Variant().IsEmpty());
}

TEST_F(VariantTest, AssignedTextReplacesAnyValue) {
    Variant value = Variant::Null();
    value.AssignText("Spedition Müller GmbH, Niederlassung Nord");
    EXPECT_EQ(value, Variant("Spedition Müller GmbH, Niederlassung Nord"));
    value.AssignText("T1");  // shorter than the text it overwrites
    EXPECT_EQ(value, Variant("T1"));
    value = Variant(42);
    value.AssignText("");
    EXPECT_EQ(value.Type(), TVarType::String);
    EXPECT_EQ(value.StringValue(), "");
    value = Variant::FromDate(1);
    value.AssignText("1.1.2018");
    EXPECT_EQ(value, Variant("1.1.2018"));
}

TEST_F(VariantTest, ReadsTextsOfDatesTimesAndNumbers) {
    EXPECT_EQ(TryStrToDateTime("13:45"), EncodeTime(13, 45, 0, 0));
    EXPECT_EQ(TryStrToDateTime("13:45:10,250"), EncodeTime(13, 45, 10, 250));
    EXPECT_FALSE(TryStrToDateTime("25:00"));
    EXPECT_FALSE(TryStrToDateTime("24.12.2018 x"));
    EXPECT_EQ(TryStrToFloat("-1,5e3"), -1500.0);
    EXPECT_FALSE(TryStrToFloat("1.5"));  // the decimal separator is the comma
    EXPECT_FALSE(TryStrToFloat(""));
    EXPECT_EQ(TryStrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_FALSE(TryStrToInt64("9223372036854775808"));
}

}  // namespace
TEST_F(VariantTest, SplitsDateTimesAsTheirTextsShowThem) {
    // Before 30 December 1899 the time of day still counts forwards.
    const TDateTime before = EncodeDate(1899, 12, 29) - 0.25;
    ASSERT_TRUE(SplitDateTime(before));
    EXPECT_EQ(SplitDateTime(before)->Day, -1);
    EXPECT_EQ(SplitDateTime(before)->Millisecond, 6 * 3600000);
    EXPECT_EQ(DateTimeToStr(before), "29.12.1899 06:00:00");
    EXPECT_EQ(DateTimeToStr(EncodeDate(1700, 1, 1) - 0.5), "01.01.1700 12:00:00");
    // Less than half a millisecond before midnight is midnight of the next day.
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 1) - 1e-9), "01.03.2024");
    EXPECT_EQ(DateTimeToStr(EncodeDate(1899, 12, 29) - 0.99999999999), "30.12.1899");
    EXPECT_DOUBLE_EQ(JoinDateTime(*SplitDateTime(before)), before);
    // Beyond the years 1 to 9999, or no number: no date.
    for (double value : {1e15, -1e15, 2958466.0, -693594.5, std::nan(""), HUGE_VAL})
        EXPECT_FALSE(SplitDateTime(value)) << value;
    EXPECT_TRUE(SplitDateTime(2958465.99));
    EXPECT_EQ(DecodeDate(1e300).Year, 0);
}

TEST_F(VariantTest, ExtremeNumbersConvertOrSayWhyNot) {
    // Fifteen digits, as the run-time writes them; the largest doubles need more
    // to be read back at all.
    EXPECT_EQ(FloatToStr(0.1), "0,1");
    EXPECT_EQ(FloatToStr(1e308), "1E308");
    for (double value : {DBL_MAX, -DBL_MAX}) {
        const std::string text = FloatToStr(value);
        ASSERT_TRUE(TryStrToFloat(text)) << text;
        EXPECT_EQ(*TryStrToFloat(text), value) << text;
    }
    EXPECT_EQ(Variant(std::int64_t{922337203685477}).AsCurrency().Scaled, 9223372036854770000);
    EXPECT_THROW(Variant(std::int64_t{922337203685478}).AsCurrency(), EVariantError);
    EXPECT_THROW(Variant(std::int64_t{-9000000000000000000}).AsCurrency(), EVariantError);
}

}  // namespace zalvert
