#include <gtest/gtest.h>

#include "dao/SqlParameterText.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"

namespace zalvert {
namespace {

TParam Param(const std::string& name, TFieldType type, Variant value) {
    TParam p;
    p.Name = name;
    p.DataType = type;
    p.Value = std::move(value);
    return p;
}

class SqlParameterTextTest : public ::testing::Test {
  protected:
    void SetUp() override { FormatSettings() = TFormatSettings::German(); }
};

TEST_F(SqlParameterTextTest, WritesValuesInTheEnginesLiteralSyntax) {
    EXPECT_EQ(ParamValueText(Param("a", TFieldType::ftString, Variant("Sagt \"Hallo\""))),
              "\"Sagt \"\"Hallo\"\"\"");
    EXPECT_EQ(ParamValueText(Param("a", TFieldType::ftFloat, Variant(1234.5))), "1234.5");
    EXPECT_EQ(ParamValueText(Param("a", TFieldType::ftCurrency, Variant("1.234,50"))), "1234.50");
    EXPECT_EQ(
        ParamValueText(Param("a", TFieldType::ftDate, Variant::FromDate(EncodeDate(2024, 3, 31)))),
        "#03/31/2024#");
    EXPECT_EQ(
        ParamValueText(Param("a", TFieldType::ftDateTime,
                             Variant::FromDate(EncodeDate(2024, 3, 31) + EncodeTime(14, 5, 9, 0)))),
        "#03/31/2024 14:05:09#");
    EXPECT_EQ(
        ParamValueText(Param("a", TFieldType::ftTime, Variant::FromDate(EncodeTime(8, 0, 1, 0)))),
        "#08:00:01#");
    // Before 30 December 1899 the time counts forwards from the day's start; a time
    // that rounds to midnight is the next day.
    EXPECT_EQ(ParamValueText(Param("a", TFieldType::ftDateTime,
                                   Variant::FromDate(EncodeDate(1899, 12, 29) - 0.25))),
              "#12/29/1899 06:00:00#");
    EXPECT_EQ(ParamValueText(Param("a", TFieldType::ftDateTime,
                                   Variant::FromDate(EncodeDate(2024, 3, 1) - 1e-9))),
              "#03/01/2024 00:00:00#");
    EXPECT_EQ(ParamValueText(Param("a", TFieldType::ftInteger, Variant(42))), "42");
    EXPECT_EQ(ParamValueText(Param("a", TFieldType::ftInteger, Variant::Null())), " IS NULL");
    EXPECT_EQ(
        ParamValueText(Param("a", TFieldType::ftBytes,
                             Variant(TBytes{0x3d, 0x2c, 0x1b, 0x0a, 0x5f, 0x4e, 0x71, 0x60, 0x82,
                                            0x93, 0xa4, 0xb5, 0xc6, 0xd7, 0xe8, 0xf9}))),
        "{guid {0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}}");
}

TEST_F(SqlParameterTextTest, ReplacesWholeWordsOnlyAndNeverTwice) {
    TParams params;
    params.CreateParam(TFieldType::ftInteger, "Id", TParamType::ptInput).Value = Variant(7);
    params.CreateParam(TFieldType::ftString, "IdName", TParamType::ptInput).Value = Variant(":Id");
    params.CreateParam(TFieldType::ftString, "Leer", TParamType::ptInput);
    EXPECT_EQ(
        SubstituteParams("SELECT * FROM t WHERE a = :id AND b = :IdName AND c = :Idx AND d:Id",
                         params),
        "SELECT * FROM t WHERE a = 7 AND b = \":Id\" AND c = :Idx AND d:Id");  // a letter before
    EXPECT_EQ(SubstituteParams(":Id", params), "7");
    EXPECT_EQ(SubstituteParams("x = :Leer", params), "x =  IS NULL");
    // Nothing inside quotes, brackets or a date literal is replaced.
    EXPECT_EQ(SubstituteParams("a = ':Id' AND [b:Id] = \":Id\" AND d = #01/02/2024 10:00:00# "
                               "AND e = :Id",
                               params),
              "a = ':Id' AND [b:Id] = \":Id\" AND d = #01/02/2024 10:00:00# AND e = 7");
    // Letters beyond ASCII are identifier characters too.
    EXPECT_EQ(SubstituteParams("a = :Id\xC3\xA4", params), "a = :Id\xC3\xA4");
    EXPECT_TRUE(IsIdentifierChar(U'\u00E4'));
    EXPECT_FALSE(IsIdentifierChar(U'\u00F7'));
    EXPECT_FALSE(IsIdentifierChar(U' '));
}

}  // namespace
}  // namespace zalvert
