#pragma once
// Translates the engine's SQL dialect into SQLite's: a tokenizer and a recursive
// descent parser that writes SQLite text as it goes. Every name is quoted, every
// value becomes a literal; what the parser does not understand raises
// ESqlSyntax with the offending text instead of passing through.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/SqlTokenizer.h"

namespace zalvert::engine {

enum class TStatementKind {
    Select,
    Insert,
    Update,
    Delete,
    SelectInto,
    CreateTable,
    CreateIndex,
    DropTable,
    DropIndex,
    AlterTable
};

struct TParameterDecl {
    std::string Name;
    std::string TypeName;  // as written, such as "DateTime" or "Text"
};

// The parts of a SELECT, translated, for the engine to build keysets and reopen
// with another filter or sort.
struct TSelectParts {
    bool Distinct = false;
    bool Union = false;
    bool Grouped = false;  // GROUP BY, HAVING or an aggregate function
    std::optional<long long> Top;
    std::string SelectList;
    std::string From;
    std::string Where;
    std::string OrderBy;
    std::string Tail;         // GROUP BY ... HAVING ... as written after WHERE
    std::string SingleTable;  // the one table of FROM without joins, else empty
    std::string TableRef;     // how to qualify it: its alias or quoted name
};

struct TColumnDecl {
    std::string Name;
    std::string DeclaredType;  // as stored, such as "TEXT(50)" or "INTEGER"
    bool Counter = false;
    bool Required = false;
};

struct TTranslation {
    TStatementKind Kind = TStatementKind::Select;
    std::string Sql;
    std::vector<TParameterDecl> Parameters;
    TSelectParts Select;
    std::string Table;                 // the table a DDL or action statement works on
    std::string IndexName;             // CREATE INDEX / DROP INDEX
    std::vector<TColumnDecl> Columns;  // CREATE TABLE
};

// The engine type of a field of a table (dbText, dbBoolean...), 0 when unknown;
// the table is empty for a criteria text on one table. Text fields compare and
// sort by the collation "zi_de"; yes/no fields read as -1 and 0 in expressions,
// as the dialect's True is -1, and are stored as 1 and 0.
using TColumnTypeTest = std::function<int(std::string_view table, std::string_view column)>;

// The fields of a table in their order (empty when unknown), for an INSERT
// without a field list.
using TColumnOrder = std::function<std::vector<std::string>(std::string_view table)>;

TTranslation TranslateSql(std::string_view sql, const TColumnTypeTest& types = {},
                          const TColumnOrder& columns = {});
// A criteria expression (Filter, Find calls), as SQLite text.
std::string TranslateExpression(std::string_view expression, const TColumnTypeTest& types = {});
// A sort list (Sort property): expressions with ASC or DESC.
std::string TranslateOrderList(std::string_view sort, const TColumnTypeTest& types = {});

}  // namespace zalvert::engine
