#include <gtest/gtest.h>

#include "engine/core/DateLiteral.h"
#include "engine/sqlite/SqlFunctions.h"
#include "engine/sqlite/SqlTranslator.h"
#include "engine/core/StorageFormat.h"

namespace zalvert::engine {
namespace {

struct TCase {
    const char* Access;
    const char* Sqlite;
};

TEST(SqlTranslator, TranslatesTheDialect) {
    const TCase cases[] = {
        {"SELECT * FROM Zalvert", "SELECT * FROM \"Zalvert\""},
        {"select importid from zalvert order by importid desc",
         "SELECT \"importid\" FROM \"zalvert\" ORDER BY \"importid\" DESC"},
        {"SELECT [Rec von], t.[a\"b] FROM [Meine Tabelle] AS t",
         "SELECT \"Rec von\", \"t\".\"a\"\"b\" FROM \"Meine Tabelle\" AS \"t\""},
        {"SELECT * FROM t WHERE a = \"it's\" OR b = 'say \"\"hi\"\"' OR c = 'd''e'",
         "SELECT * FROM \"t\" WHERE (((\"a\" = 'it''s') OR (\"b\" = 'say \"\"hi\"\"')) OR (\"c\" = "
         "'d''e'))"},
        {"SELECT * FROM t WHERE d >= #12/24/2018# AND d < #12/24/2018 1:05:09 PM#",
         "SELECT * FROM \"t\" WHERE ((\"d\" >= '2018-12-24 00:00:00') AND (\"d\" < '2018-12-24 "
         "13:05:09'))"},
        {"SELECT * FROM t WHERE x = True OR y = No OR z = Off",
         "SELECT * FROM \"t\" WHERE (((\"x\" = -1) OR (\"y\" = 0)) OR (\"z\" = 0))"},
        {"SELECT a & ' ' & b AS c FROM t",
         "SELECT zi_cat(zi_cat(\"a\", ' '), \"b\") AS \"c\" FROM \"t\""},
        {"SELECT * FROM t WHERE a LIKE 'M*' AND b NOT LIKE '[!a-c]#?'",
         "SELECT * FROM \"t\" WHERE ((zi_like(\"a\", 'M*')) AND (NOT zi_like(\"b\", '[!a-c]#?')))"},
        {"SELECT LCASE(a), UCASE(b), LEN(c), LEFT(d, 2), RIGHT(e, 3), MID(f, 2, 1), TRIM(g) FROM t",
         "SELECT zi_lower(\"a\"), zi_upper(\"b\"), zi_len(\"c\"), zi_left(\"d\", 2), "
         "zi_right(\"e\", 3), "
         "zi_mid(\"f\", 2, 1), zi_trim(\"g\") FROM \"t\""},
        {"SELECT NZ(a, 0), IIF(b > 1, 'x', 'y'), YEAR(NOW()), MONTH(DATE()), DAY(d), 7 MOD 3 FROM "
         "t",
         "SELECT zi_nz(\"a\", 0), zi_iif((\"b\" > 1), 'x', 'y'), zi_year(zi_now()), "
         "zi_month(zi_date()), zi_day(\"d\"), zi_mod(7, 3) FROM \"t\""},
        {"SELECT TOP 5 a FROM t ORDER BY a", "SELECT \"a\" FROM \"t\" ORDER BY \"a\" LIMIT 5"},
        {"SELECT DISTINCT a FROM t", "SELECT DISTINCT \"a\" FROM \"t\""},
        {"SELECT a.x, COUNT(*) FROM (a INNER JOIN b ON a.id = b.id) LEFT JOIN c ON b.k = c.k "
         "GROUP BY a.x HAVING COUNT(*) > 1",
         "SELECT \"a\".\"x\", count(*) FROM (\"a\" INNER JOIN \"b\" ON (\"a\".\"id\" = "
         "\"b\".\"id\")) "
         "LEFT JOIN \"c\" ON (\"b\".\"k\" = \"c\".\"k\") GROUP BY \"a\".\"x\" HAVING (count(*) > "
         "1)"},
        {"SELECT a FROM t UNION SELECT a FROM u",
         "SELECT \"a\" FROM \"t\" UNION SELECT \"a\" FROM \"u\""},
        {"SELECT * FROM t WHERE a IN (1, 2) AND b BETWEEN 1 AND 5 AND c IS NOT NULL",
         "SELECT * FROM \"t\" WHERE (((\"a\" IN (1, 2)) AND (\"b\" BETWEEN 1 AND 5)) AND (\"c\" IS "
         "NOT NULL))"},
        {"PARAMETERS [von] DateTime, bis Text (50); SELECT * FROM t WHERE d >= [von] AND n = bis",
         "SELECT * FROM \"t\" WHERE ((\"d\" >= ?1) AND (\"n\" = ?2))"},
        {"INSERT INTO t (a, [b c]) VALUES (1, 'x')",
         "INSERT INTO \"t\" (\"a\", \"b c\") VALUES (1, 'x')"},
        {"UPDATE t SET a = a + 1, t.b = 'y' WHERE c",
         "UPDATE \"t\" SET \"a\" = zi_add(\"a\", 1), \"b\" = 'y' WHERE \"c\""},
        {"DELETE * FROM t WHERE a = 1", "DELETE FROM \"t\" WHERE (\"a\" = 1)"},
        {"DELETE t.* FROM t", "DELETE FROM \"t\""},
        {"SELECT 7 / 2, 7 \\ 2, 2 ^ 3, -a FROM t",
         "SELECT zi_div(7, 2), zi_intdiv(7, 2), zi_pow(2, 3), (- \"a\") FROM \"t\""},
        {"CREATE TABLE t (ID COUNTER, Name TEXT(50) NOT NULL, Betrag CURRENCY, Ok YESNO, "
         "CONSTRAINT pk PRIMARY KEY (ID))",
         "CREATE TABLE \"t\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"Name\" TEXT(50) NOT NULL "
         "COLLATE NOCASE, \"Betrag\" CURRENCY, \"Ok\" YESNO)"},
        {"CREATE UNIQUE INDEX i ON t (a DESC, b)",
         "CREATE UNIQUE INDEX \"i\" ON \"t\" (\"a\" DESC, \"b\")"},
        {"CREATE INDEX p ON t (a) WITH PRIMARY", "CREATE UNIQUE INDEX \"p\" ON \"t\" (\"a\")"},
        {"DROP INDEX i ON t", "DROP INDEX \"i\""},
    };
    for (const TCase& c : cases) EXPECT_EQ(TranslateSql(c.Access).Sql, c.Sqlite) << c.Access;
}

TEST(SqlTranslator, RefusesWhatItDoesNotUnderstand) {
    const char* bad[] = {
        "SELECT * FROM t WHERE Format(a, 'x') = 1",  // unknown function
        "SELECT * FROM t WHERE a = 'open",
        "SELECT * FROM [t",
        "SELECT * FROM t WHERE d = #13/45/2018#",
        "SELECT * FROM t WHERE",
        "SELECT a b FROM t",
        "SELECT TOP 10 PERCENT a FROM t",
        "SELECT * FROM t WHERE Forms!f!x = 1",
        "GRANT ALL ON t",
        "SELECT * FROM t; DROP TABLE t",
        "CREATE TABLE t (a WEIRDTYPE)",
        "SELECT LEFT(a) FROM t",
        "SELECT TOP .5 a FROM t",
        "SELECT a.b.c.d FROM t",
        "CREATE TABLE t (PRIMARY KEY (a))",
        "CREATE TABLE t (a LONG, PRIMARY KEY (a), b LONG)",
        "SELECT a.b.* FROM t",
        "SELECT x + t.* FROM t",
        "SELECT TOP 1e3 a FROM t",
        "SELECT TOP 99999999999999999999 a FROM t",
    };
    for (const char* sql : bad) {
        try {
            TranslateSql(sql);
            ADD_FAILURE() << "translated: " << sql;
        } catch (const ESqlSyntax& e) {
            EXPECT_FALSE(e.Text.empty()) << sql;
        }
    }
}

TEST(SqlTranslator, NeverWritesACommentStart) {
    EXPECT_EQ(TranslateSql("SELECT --1 FROM t").Sql, "SELECT (- (- 1)) FROM \"t\"");
}

TEST(SqlTranslator, RefusesANulCharacterAnywhere) {
    using namespace std::string_view_literals;
    EXPECT_THROW(TranslateSql("SELECT * FROM [Zalve\0rt]"sv), ESqlSyntax);
    EXPECT_THROW(TranslateSql("SELECT * FROM t WHERE a = 'x\0y'"sv), ESqlSyntax);
    EXPECT_THROW(TranslateExpression("a = 1\0"sv), ESqlSyntax);
}

TEST(SqlTranslator, RefusesNestingDeeperThanItsLimitAsASyntaxError) {
    const auto nested = [](int depth, const std::string& open, const std::string& close) {
        std::string text = "SELECT * FROM t WHERE ";
        for (int i = 0; i < depth; ++i) text += open;
        text += "a = 1";
        for (int i = 0; i < depth; ++i) text += close;
        return text;
    };
    EXPECT_NO_THROW(TranslateSql(nested(150, "(", ")")));
    EXPECT_THROW(TranslateSql(nested(3000, "(", ")")), ESqlSyntax);
    EXPECT_THROW(TranslateSql(nested(100000, "NOT ", "")), ESqlSyntax);
    EXPECT_THROW(TranslateSql("SELECT " + std::string(100000, '-') + "1 FROM t"), ESqlSyntax);
    EXPECT_THROW(TranslateExpression(nested(3000, "(", ")").substr(22)), ESqlSyntax);
}

TEST(SqlTranslator, DescribesSelectsForKeysets) {
    const TSelectParts single =
        TranslateSql("SELECT a, b FROM [T 1] AS x WHERE a > 1 ORDER BY b").Select;
    EXPECT_EQ(single.SingleTable, "T 1");
    EXPECT_EQ(single.TableRef, "\"x\"");
    EXPECT_EQ(single.SelectList, "\"a\", \"b\"");
    EXPECT_EQ(single.Where, "(\"a\" > 1)");
    EXPECT_EQ(single.OrderBy, "\"b\"");
    EXPECT_TRUE(TranslateSql("SELECT * FROM a, b").Select.SingleTable.empty());
    EXPECT_TRUE(
        TranslateSql("SELECT * FROM a INNER JOIN b ON a.x = b.x").Select.SingleTable.empty());
    EXPECT_TRUE(TranslateSql("SELECT MAX(a) FROM t").Select.Grouped);
    EXPECT_TRUE(TranslateSql("SELECT a FROM t GROUP BY a").Select.Grouped);
    EXPECT_TRUE(TranslateSql("SELECT DISTINCT a FROM t").Select.Distinct);
    EXPECT_TRUE(TranslateSql("SELECT a FROM t UNION ALL SELECT a FROM u").Select.Union);
    EXPECT_EQ(TranslateSql("SELECT a INTO neu FROM t").Kind, TStatementKind::SelectInto);
}

TEST(SqlTranslator, TranslatesCriteriaAndSortLists) {
    EXPECT_EQ(TranslateExpression("[Name] = \"O'Neil\" AND ID > 3"),
              "((\"Name\" = 'O''Neil') AND (\"ID\" > 3))");
    EXPECT_EQ(TranslateOrderList("Ort, [Name] DESC"), "\"Ort\", \"Name\" DESC");
    EXPECT_THROW(TranslateExpression("a = 1 b"), ESqlSyntax);
}

TEST(SqlTranslator, ReadsDateLiterals) {
    EXPECT_EQ(DateLiteralToStorage("2/29/2020"), "2020-02-29 00:00:00");
    EXPECT_EQ(DateLiteralToStorage("12/24/2018 12:00:00 AM"), "2018-12-24 00:00:00");
    EXPECT_EQ(DateLiteralToStorage("12/24/2018 12:30 PM"), "2018-12-24 12:30:00");
    EXPECT_EQ(DateLiteralToStorage("2018-12-24 23:59:59"), "2018-12-24 23:59:59");
    EXPECT_EQ(DateLiteralToStorage("2/29/2019"), "");
    // Only a year of one or two digits is taken in the century window.
    EXPECT_EQ(DateLiteralToStorage("3/31/24"), "2024-03-31 00:00:00");
    EXPECT_EQ(DateLiteralToStorage("3/31/45"), "1945-03-31 00:00:00");
    EXPECT_EQ(DateLiteralToStorage("3/31/0024"), "0024-03-31 00:00:00");
    EXPECT_EQ(DateLiteralToStorage("3/31/-5"), "");
    EXPECT_EQ(DateLiteralToStorage("12/24/2018 25:00"), "");
    EXPECT_EQ(DateLiteralToStorage("heute"), "");
    // A time alone is that time on the day zero, as a time field stores it.
    EXPECT_EQ(DateLiteralToStorage("14:30:05"), "1899-12-30 14:30:05");
    EXPECT_EQ(DateLiteralToStorage("2:30 PM"), "1899-12-30 14:30:00");
    EXPECT_EQ(DateLiteralToStorage("24:00:00"), "");
    EXPECT_EQ(DateLiteralToStorage("14:-3"), "");
    EXPECT_EQ(DateLiteralToStorage("14:30 Uhr"), "");
    EXPECT_EQ(DateTimeToStorage(EncodeTime(14, 30, 5, 0)), DateLiteralToStorage("14:30:05"));
}

TEST(AccessLike, MatchesTheDialectsWildcards) {
    EXPECT_TRUE(AccessLike("Müller", "m*"));
    EXPECT_TRUE(AccessLike("MÜLLER", "*ü*"));
    EXPECT_TRUE(AccessLike("T17", "T##"));
    EXPECT_FALSE(AccessLike("TX7", "T##"));
    EXPECT_TRUE(AccessLike("abc", "a?c"));
    EXPECT_TRUE(AccessLike("bx", "[a-c]x"));
    EXPECT_FALSE(AccessLike("dx", "[a-c]x"));
    EXPECT_TRUE(AccessLike("dx", "[!a-c]x"));
    EXPECT_TRUE(AccessLike("a*b", "a[*]b"));
    EXPECT_FALSE(AccessLike("ab", "a[*]b"));
    EXPECT_TRUE(AccessLike("", "*"));
    EXPECT_FALSE(AccessLike("abc", "ab"));
    EXPECT_TRUE(AccessLike(std::string(10000, 'a'), "*a*a*a*a*a*a*a*b*") == false);
}

}  // namespace
}  // namespace zalvert::engine
