// The engine's SQL dialect as a database server reads it.

#include <gtest/gtest.h>

#include "engine/core/SqlTokenizer.h"
#include "engine/odbc/OdbcDialect.h"

namespace zalvert::engine::odbc {
namespace {

TEST(OdbcDialect, QuotesNamesInLowerCaseAndWritesLiteralsTheServersWay) {
    EXPECT_EQ(ToServerSql("SELECT [ImportID], Tour FROM Zalvert WHERE Recvon = \"O'Neil\""),
              "SELECT \"importid\", \"tour\" FROM \"zalvert\" WHERE \"recvon\" = 'O''Neil'");
    EXPECT_EQ(ToServerSql("SELECT TOP 5 * FROM [u_Importlauf] ORDER BY [ImportID] DESC;"),
              "SELECT * FROM \"u_importlauf\" ORDER BY \"importid\" DESC LIMIT 5");
    EXPECT_EQ(ToServerSql("[Datumvon] >= #12/31/2026 14:07:09# AND erledigt = True"),
              "\"datumvon\" >= TIMESTAMP '2026-12-31 14:07:09' AND \"erledigt\" = TRUE");
    EXPECT_EQ(ToServerSql("LCase([Tour]) Like 't1*?' AND Recan & 'x' = 'ax'"),
              "LOWER(\"tour\") ILIKE 't1%_' AND \"recan\" || 'x' = 'ax'");
    EXPECT_EQ(ToServerSql("([Tour] LIKE LCASE(\"T4*\")) AND Recan = 'a*'"),
              "(\"tour\" ILIKE LOWER('T4%')) AND \"recan\" = 'a*'");
    EXPECT_EQ(ToServerSql("Nz([Netto], 0) > 1 AND [Datumbis] < Date()"),
              "COALESCE(\"netto\", 0) > 1 AND \"datumbis\" < CURRENT_DATE");
    EXPECT_EQ(ToServerSql("[g] = {guid {0A1B2C3D-0000-0000-0000-000000000001}}"),
              "\"g\" = '0A1B2C3D-0000-0000-0000-000000000001'");
    EXPECT_THROW(ToServerSql("[Datumvon] = #99/99/2026#"), ESqlSyntax);
}

// A word before "(" is one of the dialect's functions as the server spells it;
// one the server cannot run, or any other word, is refused rather than sent on as
// a name. A table's name before its column list stays a name.
TEST(OdbcDialect, RefusesFunctionsTheServerCannotRun) {
    EXPECT_EQ(ToServerSql("Len(Mid([Tour], 2, 3)) > Abs([Netto]) AND UCase(Recan) = 'A'"),
              "LENGTH(SUBSTR(\"tour\", 2, 3)) > ABS(\"netto\") AND UPPER(\"recan\") = 'A'");
    for (const char* refused :
         {"Foo([Tour]) = 1", "IIf([Netto] > 0, 1, 2) = 1", "Year([Datumvon]) = 2018",
          "InStr([Tour], 'T') > 0", "IsNull([Netto])", "Round([Netto], 2) = 1",
          "Lower([Tour]) = 'a'", "Date(1) = 1"}) {
        EXPECT_THROW(ToServerSql(refused), ESqlSyntax) << refused;
    }
    EXPECT_EQ(ToServerSql("INSERT INTO Kunde (Name) VALUES ('a')"),
              "INSERT INTO \"kunde\"(\"name\") VALUES('a')");
    EXPECT_EQ(ToServerSql("CREATE INDEX Name ON Kunde (Name)"),
              "CREATE INDEX \"kunde_name\" ON \"kunde\"(\"name\")");
}

// What a user types matches itself: the server's own wildcards and escape are
// escaped, a character in brackets is itself; what LIKE cannot say is refused.
TEST(OdbcDialect, WritesLikePatternsSoThatEveryCharacterMatchesItself) {
    EXPECT_EQ(ToServerSql("Tour LIKE '100%_[*][?][#][[]a]-!\\*'"),
              "\"tour\" ILIKE '100\\%\\_*?#[a]-!\\\\%'");
    EXPECT_THROW(ToServerSql("Tour LIKE 'T##'"), ESqlSyntax);
    EXPECT_THROW(ToServerSql("Tour LIKE '[a-c]*'"), ESqlSyntax);
    EXPECT_THROW(ToServerSql("Tour LIKE '[!a]*'"), ESqlSyntax);
}

TEST(OdbcDialect, WritesTheServersTypesAndNamesIndexesAfterTheirTable) {
    EXPECT_EQ(ToServerSql("CREATE TABLE [Kunde] ([ID] COUNTER, [Name] TEXT(20), [Ort] TEXT, "
                          "[Betrag] CURRENCY, [Aktiv] YESNO DEFAULT -1, [Notiz] MEMO, "
                          "CONSTRAINT [PrimaryKey] PRIMARY KEY ([ID]))"),
              "CREATE TABLE \"kunde\"(\"id\" SERIAL, \"name\" VARCHAR(20), \"ort\" "
              "VARCHAR(255), \"betrag\" NUMERIC(19,4), \"aktiv\" BOOLEAN DEFAULT TRUE, \"notiz\" "
              "TEXT, CONSTRAINT \"kunde_primarykey\" PRIMARY KEY(\"id\"))");
    EXPECT_EQ(ToServerSql("CREATE UNIQUE INDEX [Name] ON [Kunde] ([Name] DESC)"),
              "CREATE UNIQUE INDEX \"kunde_name\" ON \"kunde\"(\"name\" DESC)");
    EXPECT_EQ(ToServerSql("DROP INDEX [Name] ON [Kunde]"), "DROP INDEX \"kunde_name\"");
    EXPECT_EQ(ToServerSql("ALTER TABLE [u_Importlauf] ADD COLUMN [Rueckgaengig] DATETIME"),
              "ALTER TABLE \"u_importlauf\" ADD COLUMN \"rueckgaengig\" TIMESTAMP");
    // Every type of the dialect is one of the server's, a text without a size
    // has the engine's, and REAL holds a double as on the file.
    EXPECT_EQ(ToServerSql("CREATE TABLE [T] ([a] BIGINT, [b] REAL, [c] TINYINT, [d] TIME, "
                          "[e] BLOB, [f] VARCHAR, [g] CHAR, [h] DECIMAL(10,2), [i] BOOLEAN)"),
              "CREATE TABLE \"t\"(\"a\" BIGINT, \"b\" DOUBLE PRECISION, \"c\" SMALLINT, \"d\" "
              "TIMESTAMP, \"e\" BYTEA, \"f\" VARCHAR(255), \"g\" CHAR(255), \"h\" NUMERIC(10, 2), "
              "\"i\" BOOLEAN)");
    EXPECT_EQ(IndexNameOnTable("Kunde", "kunde_name"), "name");
    EXPECT_EQ(IndexNameOnTable("Kunde", "fremd"), "fremd");
}

}  // namespace
}  // namespace zalvert::engine::odbc
