// Text compared, sorted and changed in case as German users expect.

#include <algorithm>

#include "engine/sqlite/GermanText.h"
#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

class GermanText : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        db_->Execute("INSERT INTO Kunden (Name, Ort) VALUES ('Ärger GmbH', 'Ulm')");
        db_->Execute("INSERT INTO Kunden (Name, Ort) VALUES ('Straße', 'Köln')");
    }

    std::vector<std::string> Names(const std::string& sql) {
        std::vector<std::string> names;
        for (auto rs = Open(sql, dbOpenSnapshot); !rs->Eof(); rs->MoveNext())
            names.push_back(Text(*rs, "Name"));
        return names;
    }
    using Names_t = std::vector<std::string>;
};

TEST_F(GermanText, ComparesWithoutRegardToCaseAndUmlautsAsLetters) {
    EXPECT_EQ(Names("SELECT Name FROM Kunden WHERE Name = 'ärger gmbh'"), Names_t{"Ärger GmbH"});
    EXPECT_EQ(Names("SELECT Name FROM Kunden WHERE Name = 'STRASSE'"), Names_t{"Straße"});
    EXPECT_TRUE(Names("SELECT Name FROM Kunden WHERE Name = 'arger gmbh'").empty());
    EXPECT_EQ(Names("SELECT Name FROM Kunden WHERE Name LIKE 'ä*'"), Names_t{"Ärger GmbH"});
    EXPECT_EQ(Names("SELECT Name FROM Kunden WHERE Name IN ('MEIER', 'ärger gmbh') ORDER BY Name"),
              (Names_t{"Ärger GmbH", "Meier"}));
    EXPECT_EQ(Names("SELECT Name FROM Kunden k WHERE k.Name BETWEEN 'a' AND 'B' ORDER BY k.Name"),
              (Names_t{"Albers", "Ärger GmbH"}));
}

// Texts of ASCII letters and digits skip ICU; they must sort exactly as ICU would.
TEST(GermanOrder, TheShortCutForLettersAndDigitsAgreesWithIcu) {
    const std::string alphabet = "09azAZbY5mM";
    std::uint32_t seed = 12345;
    const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    const auto text = [&] {
        std::string s(next() % 7, ' ');
        for (char& c : s) c = alphabet[next() % alphabet.size()];
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string a = text(), b = text();
        ASSERT_EQ(CompareAsciiAlphanumeric(a, b), CompareGermanByIcu(a, b)) << a << " / " << b;
    }
    EXPECT_EQ(CompareAsciiAlphanumeric("T1", "T 1"), std::nullopt);
    EXPECT_EQ(CompareAsciiAlphanumeric("Strasse", "Straße"), std::nullopt);
}

TEST_F(GermanText, SortsUmlautsWithTheirLetters) {
    EXPECT_EQ(Names("SELECT Name FROM Kunden ORDER BY Name"),
              (Names_t{"Albers", "Ärger GmbH", "Bauer", "Meier", "Schulz", "Straße", "Zander"}));
    auto table = Open("Kunden", dbOpenTable);
    db_->Execute("CREATE INDEX NameIndex ON Kunden (Name)");
    table = Open("Kunden", dbOpenTable);
    table->SetIndex("NameIndex");
    table->MoveFirst();
    table->MoveNext();
    EXPECT_EQ(Text(*table, "Name"), "Ärger GmbH");
    table->Seek("=", {Variant("ärger gmbh")});
    EXPECT_FALSE(table->NoMatch());
    EXPECT_EQ(Text(*table, "Name"), "Ärger GmbH");
    table->Seek(">=", {Variant("B")});
    EXPECT_EQ(Text(*table, "Name"), "Bauer");
}

// A sort of a dynaset by a text field goes by sort keys where no index gives the
// order: the same order as the comparisons, ties in the order of the rows, and the
// sort keys compare as the texts do; other terms stay as they are.
TEST_F(GermanText, SortsByKeysAsTheComparisonsDo) {
    const std::vector<std::string> names = {
        "Zeitz", "Öhringen", "Oberhof", "oberhof", "ober", "Strasse", "STRASSE", "strasse2",
        "Äpfel", "Apfel",    "apfel",   "ärger",   "T10",  "T9",      "t1",      "",
        "ǅemal", "Ελλάδα",   "Пётр",    "a b",     "a-b",  "ab",      "€ 5",     "Müller"};
    db_->Execute("DELETE FROM Kunden");
    for (const std::string& name : names)
        db_->Execute("INSERT INTO Kunden (Name, Ort) VALUES ('" + name + "', 'x')");
    std::vector<std::string> expected = names;
    std::stable_sort(
        expected.begin(), expected.end(),
        [](const std::string& a, const std::string& b) { return CompareGerman(a, b) < 0; });
    for (const bool descending : {false, true}) {
        auto rs = Open("Kunden", dbOpenDynaset);
        rs->SetSort(descending ? "Name DESC" : "Name");
        auto sorted = rs->OpenRecordset();
        std::vector<std::string> got;
        for (; !sorted->Eof(); sorted->MoveNext()) got.push_back(Text(*sorted, "Name"));
        if (!descending) {
            EXPECT_EQ(got, expected);
        } else {
            ASSERT_EQ(got.size(), expected.size());
            for (size_t i = 0; i + 1 < got.size(); ++i)
                EXPECT_GE(CompareGerman(got[i], got[i + 1]), 0) << got[i] << " / " << got[i + 1];
        }
    }
    for (const std::string& a : names)
        for (const std::string& b : names) {
            const int keys = GermanSortKey(a).compare(GermanSortKey(b));
            EXPECT_EQ((keys > 0) - (keys < 0), CompareGerman(a, b)) << a << " / " << b;
        }
    EXPECT_EQ(SortKeyOrder("\"Name\" COLLATE zi_de DESC, \"ID\", \"k\".\"Ort\" COLLATE zi_de"),
              "zi_sortkey(\"Name\") DESC, \"ID\", zi_sortkey(\"k\".\"Ort\")");
    EXPECT_EQ(SortKeyOrder("zi_f(\"a\", \"b\") COLLATE zi_de, \"a\" || \"b\" COLLATE zi_de"),
              "zi_f(\"a\", \"b\") COLLATE zi_de, \"a\" || \"b\" COLLATE zi_de");
}

TEST_F(GermanText, ChangesCaseByUnicodeRules) {
    auto rs = Open(
        "SELECT UCase('Südkurier') AS a, LCase('ÄRGER') AS b, UCase('Straße') AS c "
        "FROM Kunden",
        dbOpenSnapshot);
    EXPECT_EQ(Text(*rs, "a"), "SÜDKURIER");
    EXPECT_EQ(Text(*rs, "b"), "ärger");
    EXPECT_EQ(Text(*rs, "c"), "STRASSE");
    EXPECT_EQ(CompareGerman("Ärger", "Zander"), -1);
    EXPECT_EQ(CompareGerman("MÜLLER", "müller"), 0);
}

TEST_F(GermanText, FindsAndFiltersAsTheQueriesDo) {
    auto rs = Open("Kunden");
    rs->FindFirst("Name = 'ärger gmbh'");
    EXPECT_FALSE(rs->NoMatch());
    EXPECT_EQ(Text(*rs, "Name"), "Ärger GmbH");
    rs->SetSort("Name DESC");
    auto sorted = rs->OpenRecordset(dbOpenSnapshot);
    sorted->MoveLast();
    EXPECT_EQ(Text(*sorted, "Name"), "Albers");
    sorted->MovePrevious();
    EXPECT_EQ(Text(*sorted, "Name"), "Ärger GmbH");
}

}  // namespace
}  // namespace zalvert::engine::testing
