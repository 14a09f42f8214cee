#include "dao/SearchCriteria.h"

#include <gtest/gtest.h>

#include <limits>

#include "dataset/DatabaseError.h"
#include "rtl/FormatSettings.h"
#include "tests/dao/DaoTableFixture.h"
#include "tests/support/MessageOf.h"

namespace zalvert::testing {
namespace {

using Strings = std::vector<std::string>;

class Criteria : public ::testing::Test {
  protected:
    void SetUp() override { FormatSettings() = TFormatSettings::German(); }
};

TCriteriaField Field(const std::string& name, TFieldType type, bool guid = false) {
    return {name, type, guid};
}

std::string Exact(const TCriteriaField& field, const std::string& value, bool brackets = true) {
    return ExactKeyCriteria({field}, {value}, brackets);
}

std::string WithOptions(const TCriteriaField& field, const std::string& value, int options) {
    return OptionKeyCriteria({field}, {value}, options, true);
}

TEST_F(Criteria, SplitsKeyListsAndGivesOneTextPerValue) {
    EXPECT_EQ(SplitKeyList(" Recvon ;Tour;  "), (Strings{"Recvon", "Tour", ""}));
    EXPECT_EQ(SplitKeyList("ID"), (Strings{"ID"}));
    const Variant values = Variant::Array(
        0, {Variant("Nord"), Variant::Null(), Variant(1234.5), Variant(7), Variant("NULL")});
    EXPECT_EQ(KeyValueTexts(values), (Strings{"Nord", "NULL", "1234,5", "7", "NULL"}));
    EXPECT_EQ(KeyValueTexts(Variant::Null()), (Strings{"NULL"}));
    EXPECT_EQ(KeyValueTexts(Variant::FromDate(EncodeDate(2026, 12, 8) + 0.5)),
              (Strings{"08.12.2026 12:00:00"}));
    EXPECT_EQ(MessageOf([] { CheckKeyCounts(2, 1); }),
              "Number of elements in the KeyValues array must be equal to the number of fields.");
}

TEST_F(Criteria, EscapesNamesQuotesPatternsAndNumbers) {
    EXPECT_EQ(CriteriaFieldName("Zalvert.Recvon", true), "[Zalvert].[Recvon]");
    EXPECT_EQ(CriteriaFieldName("Recvon", false), "Recvon");
    EXPECT_EQ(QuoteEscaped(R"(Sagt "Hallo")"), R"(Sagt ""Hallo"")");
    EXPECT_EQ(PatternEscaped("a*b?c#d[e]f-g!h"), "a[*]b[?]c[#]d[[]e]f-g!h");
    EXPECT_EQ(NormalizedNumber("1.234.567,89"), "1234567.89");
    FormatSettings().DecimalSeparator = '.';
    FormatSettings().ThousandSeparator = ',';
    EXPECT_EQ(NormalizedNumber("1,234.5"), "1234.5");
}

TEST_F(Criteria, ReadsDateKeysThroughTheirSeparators) {
    const TDateTime expected = EncodeDate(2026, 12, 8) + EncodeTime(14, 7, 9, 0);
    EXPECT_DOUBLE_EQ(CriteriaDateTimeOf("08.12.2026 14:07:09"), expected);
    EXPECT_DOUBLE_EQ(CriteriaDateTimeOf(" am 08.12.2026,  um 14:07:09 Uhr"), expected);
    EXPECT_DOUBLE_EQ(CriteriaDateTimeOf("08.12.2026"), EncodeDate(2026, 12, 8));
    EXPECT_EQ(CriteriaDateText(expected), "12/08/2026");
    EXPECT_EQ(CriteriaTimeText(expected), "14:07:09");
    EXPECT_NE(MessageOf([] { CriteriaDateTimeOf("morgen"); }).find("'morgen'"), std::string::npos);
}

TEST_F(Criteria, ExactKeyComparesEveryTypeAsWritten) {
    EXPECT_EQ(Exact(Field("Tour", TFieldType::ftString), "T1"), "([Tour]  = \"T1\")");
    EXPECT_EQ(Exact(Field("Bemerkung", TFieldType::ftMemo), "x"), "([Bemerkung]  = \"x\")");
    EXPECT_EQ(Exact(Field("ID", TFieldType::ftAutoInc), "1.234"), "([ID]  = 1234)");
    EXPECT_EQ(Exact(Field("Netto", TFieldType::ftCurrency), "12,5"), "([Netto]  = 12.5)");
    EXPECT_EQ(Exact(Field("erledigt", TFieldType::ftBoolean), "True"), "([erledigt]  = True)");
    EXPECT_EQ(Exact(Field("ImportID", TFieldType::ftInteger), ""), "([ImportID]  IS NULL)");
    EXPECT_EQ(Exact(Field("Tour", TFieldType::ftString), "NULL"), "([Tour] IS NULL)");
    EXPECT_EQ(Exact(Field("ImportID", TFieldType::ftInteger), "NULL"), "([ImportID] IS NULL)");
    EXPECT_EQ(Exact(Field("d", TFieldType::ftDate), "08.12.2026"), "([d]  = #12/08/2026#)");
    EXPECT_EQ(Exact(Field("t", TFieldType::ftTime), "14:07:09"), "([t]  = #14:07:09#)");
    EXPECT_EQ(Exact(Field("dt", TFieldType::ftDateTime), "08.12.2026 14:07:09"),
              "([dt]  = #12/08/2026 14:07:09#)");
    const std::string guid = "{0D4C3A2B-1111-2222-3333-444455556666}";
    EXPECT_EQ(Exact(Field("g", TFieldType::ftBytes, true), guid), "([g]  = {guid " + guid + "})");
    EXPECT_EQ(Exact(Field("b", TFieldType::ftBytes), "ab"), "([b]  = \"ab\")");
    EXPECT_EQ(Exact(Field("Tour", TFieldType::ftString), "T1", false), "(Tour  = \"T1\")");
    EXPECT_EQ(ExactKeyCriteria(
                  {Field("Recvon", TFieldType::ftString), Field("ImportID", TFieldType::ftInteger)},
                  {"Nord", "3"}, true),
              "([Recvon]  = \"Nord\") AND ([ImportID]  = 3)");
    EXPECT_EQ(MessageOf([] { Exact(Field("x", TFieldType::ftLargeint), "1"); }),
              "Unable to build Key SQL!");
}

TEST_F(Criteria, OptionsChangeOnlyTextComparisons) {
    const TCriteriaField tour = Field("Tour", TFieldType::ftString);
    EXPECT_EQ(WithOptions(tour, "Nord*", 0), "([Tour]  = \"Nord*\")");
    EXPECT_EQ(WithOptions(tour, "NORD", loCaseInsensitive), "([Tour]  = LCASE(\"nord\"))");
    EXPECT_EQ(WithOptions(tour, "No*rd", loPartialKey), "([Tour]  LIKE \"No[*]rd*\")");
    EXPECT_EQ(WithOptions(tour, "ÄRGER[1]", loPartialKey | loCaseInsensitive),
              "([Tour]  LIKE LCASE(\"ärger[[]1]*\"))");
    EXPECT_EQ(WithOptions(tour, "NULL", loPartialKey), "([Tour] IS NULL)");
    EXPECT_EQ(WithOptions(Field("ImportID", TFieldType::ftInteger), "3", loPartialKey),
              "([ImportID]  = 3)");
    EXPECT_EQ(MessageOf([] { WithOptions(Field("x", TFieldType::ftLargeint), "1", 0); }),
              "Unable to build Lookup Key SQL!");
}

// A value never leaves its literal: quotes are doubled, and what is no number,
// date or GUID is refused instead of written into the criteria.
TEST_F(Criteria, ValuesNeverBecomeSql) {
    const std::string attack = R"(x" OR "1"="1)";
    const TCriteriaField tour = Field("Tour", TFieldType::ftString);
    EXPECT_EQ(Exact(tour, attack), R"(([Tour]  = "x"" OR ""1""=""1"))");
    EXPECT_EQ(WithOptions(tour, attack, loPartialKey), R"(([Tour]  LIKE "x"" OR ""1""=""1*"))");
    EXPECT_EQ(Exact(Field("b", TFieldType::ftBytes), attack), R"(([b]  = "x"" OR ""1""=""1"))");
    const std::string numberAttack = "1 OR 1=1";
    EXPECT_EQ(MessageOf([&] { Exact(Field("ImportID", TFieldType::ftInteger), numberAttack); }),
              "'1 OR 1=1' ist kein gültiger Gleitkommawert für Feld 'ImportID'");
    EXPECT_EQ(MessageOf([&] { Exact(Field("erledigt", TFieldType::ftBoolean), "True OR 1"); }),
              "'True OR 1' ist kein gültiger boolescher Wert für Feld 'erledigt'");
    EXPECT_EQ(MessageOf([] { Exact(Field("g", TFieldType::ftBytes, true), "{x}) OR (1=1"); }),
              "Ungültiger Wert für Feld 'g'");
    EXPECT_THROW(Exact(Field("d", TFieldType::ftDate), "#1/1/2000# OR 1=1"), EConvertError);
    // The engine would read a criteria text only up to a zero byte.
    const std::string zero("x\0\" OR \"1\"=\"1", 13);
    EXPECT_EQ(MessageOf([&] { Exact(tour, zero); }), "Ungültiger Wert für Feld 'Tour'");
    EXPECT_EQ(MessageOf([&] { WithOptions(tour, zero, loPartialKey); }),
              "Ungültiger Wert für Feld 'Tour'");
}

TEST_F(Criteria, ShownIntegerBeginningsBecomeRangesUpToTheFieldsLimits) {
    constexpr std::int64_t kLow = -2147483648LL, kHigh = 2147483647LL;
    const auto shown = [&](const char* prefix) {
        return ShownIntegerCriteria("ID", prefix, kLow, kHigh, true);
    };
    const std::string three = shown("3");
    EXPECT_TRUE(
        three.starts_with("[ID] = 3 OR [ID] BETWEEN 30 AND 39 OR [ID] BETWEEN 300 AND 399"));
    EXPECT_TRUE(three.ends_with(" OR [ID] BETWEEN 300000000 AND 399999999")) << three;
    EXPECT_EQ(shown("21474836"),
              "[ID] = 21474836 OR [ID] BETWEEN 214748360 AND 214748369 OR "
              "[ID] BETWEEN 2147483600 AND 2147483647");
    EXPECT_EQ(shown("-21474836"),
              "[ID] = -21474836 OR [ID] BETWEEN -214748369 AND -214748360 OR "
              "[ID] BETWEEN -2147483648 AND -2147483600");
    EXPECT_EQ(shown("-"), "[ID] < 0");
    EXPECT_EQ(shown("0"), "[ID] = 0");
    for (const char* never : {"05", "-0", "3a", "3,5", " 3", "", "21474836470", "3.000"})
        EXPECT_EQ(shown(never), "") << never;
    EXPECT_EQ(ShownIntegerCriteria("Menge", "-1", 0, 65535, false), "");
    EXPECT_EQ(ShownIntegerCriteria("Menge", "9", 0, 65535, false),
              "Menge = 9 OR Menge BETWEEN 90 AND 99 OR Menge BETWEEN 900 AND 999 OR "
              "Menge BETWEEN 9000 AND 9999");
    const std::string wide =
        ShownIntegerCriteria("N", "9", std::numeric_limits<std::int64_t>::min(),
                             std::numeric_limits<std::int64_t>::max(), true);
    EXPECT_TRUE(wide.ends_with("[N] BETWEEN 9000000000000000000 AND 9223372036854775807")) << wide;
}

TEST(IndexChoice, FindsTheFirstFittingIndexDefinition) {
    TIndexDefs indexes;
    indexes.Add("PrimaryKey", "ID", 0);
    indexes.Add("OrtName", "Ort;Name", 0);
    indexes.Add("NameOrt", "Name;Ort", 0);
    indexes.Add("NameOrtPlz", "Name;Ort;Plz", 0);
    EXPECT_EQ(IndexForKey("Ort;Name", indexes), "OrtName");
    EXPECT_EQ(IndexForKey("Name", indexes), "NameOrt");
    EXPECT_EQ(IndexForKey("!Name", indexes), "");
    EXPECT_EQ(IndexForKey("!ort;name", indexes), "OrtName");
    EXPECT_EQ(IndexForKey("Plz", indexes), "");
    EXPECT_EQ(IndexForKey("Plz;Ort;Name", indexes), "NameOrtPlz");
}

using MasterCriteria = DaoTableTest;

TEST_F(MasterCriteria, CompareEachDetailFieldWithItsMasterValue) {
    Execute(
        "INSERT INTO Zalvert (Recvon, Netto, erledigt, Datumvon, ImportID) VALUES "
        "('Sag \"Nord\"', 12.5, True, #12/08/2026 14:07:09#, NULL)");
    TZedaDaoTable& master = Table("Zalvert");
    master.Open();
    const auto field = [&](const char* name) { return &master.FieldByName(name); };
    EXPECT_EQ(MasterDetailCriteria({"Firma", "Betrag", "Fertig", "Tag", "Lauf"},
                                   {field("Recvon"), field("Netto"), field("erledigt"),
                                    field("Datumvon"), field("ImportID")},
                                   {}, true),
              "([Firma]  = \"Sag \"\"Nord\"\"\") AND ([Betrag]  = 12.5) AND ([Fertig]  = True) "
              "AND ([Tag]  = #12/08/2026 14:07:09#) AND ([Lauf] IS NULL)");
    EXPECT_EQ(MessageOf([&] {
                  MasterDetailCriteria({"a", "b"}, {field("Recvon")}, {}, true);
              }),
              "The number of Master and Detail fields must be equal!");
}

}  // namespace
}  // namespace zalvert::testing
