#include "engine/sqlite/Catalog.h"

#include <algorithm>
#include <cctype>

#include "engine/DaoConstants.h"
#include "engine/core/DialectTypes.h"
#include "engine/core/StorageFormat.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {
namespace {

bool Contains(const std::string& upper, const char* part) {
    return upper.find(part) != std::string::npos;
}

std::vector<TIndexInfo> ReadIndexes(const TSqliteConnection& db, const TTableInfo& table) {
    std::vector<TIndexInfo> indexes;
    for (const TColumnInfo& c : table.Columns)
        if (c.AutoIncrement || (c.PrimaryKey && AsciiUpperCase(c.DeclaredType) == "INTEGER")) {
            TIndexInfo key;
            key.Name = "PrimaryKey";
            key.Primary = key.Unique = key.RowidKey = true;
            key.Columns.push_back({c.Name, false});
            indexes.push_back(key);
        }
    TStatement list(db, "SELECT name, \"unique\", origin FROM pragma_index_list(?1)");
    list.Bind(1, Variant(table.Name));
    while (list.Step()) {
        TIndexInfo index;
        index.Name = list.ColumnText(0);
        index.Unique = list.ColumnInt64(1) != 0;
        index.Primary = list.ColumnText(2) == "pk";
        if (index.Primary) index.Name = "PrimaryKey";
        TStatement columns(
            db, "SELECT name, \"desc\" FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno");
        columns.Bind(1, Variant(list.ColumnText(0)));
        while (columns.Step())
            index.Columns.push_back({columns.ColumnText(0), columns.ColumnInt64(1) != 0});
        indexes.push_back(index);
    }
    // Primary key first, then by name, as the catalogue lists them.
    std::stable_sort(indexes.begin(), indexes.end(), [](const TIndexInfo& a, const TIndexInfo& b) {
        if (a.Primary != b.Primary) return a.Primary;
        return AsciiUpperCase(a.Name) < AsciiUpperCase(b.Name);
    });
    return indexes;
}

}  // namespace

bool IsSystemTableName(std::string_view name) {
    return name.size() >= 4 && SameName(name.substr(0, 4), "MSys");
}

TTypeInfo MapDeclaredType(const std::string& declaredType) {
    const std::string upper = AsciiUpperCase(declaredType);
    const size_t paren = upper.find('(');
    std::string base = upper.substr(0, paren);
    while (!base.empty() && base.back() == ' ') base.pop_back();
    int size = 0;
    if (paren != std::string::npos) size = std::atoi(upper.c_str() + paren + 1);
    if (const TDialectType* known = FindDialectType(base)) {
        TTypeInfo type = known->Engine;
        if ((type.Type == dbText || type.Type == dbBinary) && size > 0) type.Size = size;
        return type;
    }
    // Columns made by other tools: SQLite's affinity rules.
    if (Contains(upper, "INT")) return {dbLong, 4, true};
    if (Contains(upper, "CHAR") || Contains(upper, "CLOB") || Contains(upper, "TEXT"))
        return {dbMemo, 0, false};
    if (Contains(upper, "REAL") || Contains(upper, "FLOA") || Contains(upper, "DOUB"))
        return {dbDouble, 8, true};
    return {dbLongBinary, 0, false};
}

TTypeInfo MapValueType(int sqliteType) {
    switch (sqliteType) {
        case SQLITE_INTEGER:
            return {dbLong, 4, true};
        case SQLITE_FLOAT:
            return {dbDouble, 8, true};
        case SQLITE_BLOB:
            return {dbLongBinary, 0, false};
        default:
            return {dbText, 255, false};
    }
}

std::vector<std::string> ReadTableNames(const TSqliteConnection& db) {
    TStatement stmt(db,
                    "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                    "'sqlite\\_%' ESCAPE '\\' ORDER BY name COLLATE NOCASE");
    std::vector<std::string> names;
    while (stmt.Step()) names.push_back(stmt.ColumnText(0));
    return names;
}

bool HasTable(const TSqliteConnection& db, std::string_view name) {
    TStatement stmt(
        db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    stmt.Bind(1, Variant(std::string(name)));
    return stmt.Step();
}

std::optional<TTableInfo> ReadTable(const TSqliteConnection& db, const std::string& name) {
    TStatement find(
        db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    find.Bind(1, Variant(name));
    if (!find.Step()) return std::nullopt;
    TTableInfo table;
    table.Name = find.ColumnText(0);
    table.System = IsSystemTableName(table.Name);
    TStatement columns(
        db,
        "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?1) ORDER BY cid");
    columns.Bind(1, Variant(table.Name));
    while (columns.Step()) {
        TColumnInfo c;
        c.Name = columns.ColumnText(0);
        c.DeclaredType = columns.ColumnText(1);
        c.Type = MapDeclaredType(c.DeclaredType);
        c.Required = columns.ColumnInt64(2) != 0;
        c.DefaultValue = columns.ColumnIsNull(3) ? std::string() : columns.ColumnText(3);
        c.PrimaryKey = columns.ColumnInt64(4) != 0;
        table.Columns.push_back(c);
    }
    for (TColumnInfo& c : table.Columns) {
        int autoinc = 0;
        sqlite3_table_column_metadata(db.Handle(), nullptr, table.Name.c_str(), c.Name.c_str(),
                                      nullptr, nullptr, nullptr, nullptr, &autoinc);
        c.AutoIncrement = autoinc != 0;
        if (c.AutoIncrement) c.Required = false;
    }
    table.Indexes = ReadIndexes(db, table);
    return table;
}

void EnsureMetadataTables(TSqliteConnection& db) {
    db.Exec(std::string("CREATE TABLE IF NOT EXISTS ") + kObjectsTable +
            " (Name TEXT(255) COLLATE NOCASE PRIMARY KEY, Type INTEGER, DateCreate DATETIME, "
            "DateUpdate DATETIME);"
            "CREATE TABLE IF NOT EXISTS " +
            kQueriesTable +
            " (Name TEXT(255) COLLATE NOCASE PRIMARY KEY, SQL LONGTEXT, Type INTEGER);"
            "CREATE TABLE IF NOT EXISTS " +
            kPropertiesTable +
            " (TableName TEXT(255) COLLATE NOCASE, FieldName TEXT(255) COLLATE NOCASE, "
            "Name TEXT(255) COLLATE NOCASE, Value LONGTEXT, Type INTEGER, "
            "PRIMARY KEY (TableName, FieldName, Name));");
}

std::pair<TDateTime, TDateTime> ReadObjectTimes(const TSqliteConnection& db, std::string_view name,
                                                TDateTime fallback) {
    if (!HasTable(db, kObjectsTable)) return {fallback, fallback};
    TStatement stmt(db, std::string("SELECT DateCreate, DateUpdate FROM ") + kObjectsTable +
                            " WHERE Name = ?1");
    stmt.Bind(1, Variant(std::string(name)));
    if (!stmt.Step()) return {fallback, fallback};
    const auto created = StorageToDateTime(stmt.ColumnText(0));
    const auto updated = StorageToDateTime(stmt.ColumnText(1));
    return {created.value_or(fallback), updated.value_or(fallback)};
}

std::vector<TStoredProperty> ReadFieldProperties(const TSqliteConnection& db,
                                                 std::string_view table, std::string_view field) {
    std::vector<TStoredProperty> properties;
    if (!HasTable(db, kPropertiesTable)) return properties;
    TStatement stmt(db, std::string("SELECT Name, Type, Value FROM ") + kPropertiesTable +
                            " WHERE TableName = ?1 AND FieldName = ?2 ORDER BY rowid");
    stmt.Bind(1, Variant(std::string(table)));
    stmt.Bind(2, Variant(std::string(field)));
    while (stmt.Step())
        properties.push_back(
            {stmt.ColumnText(0), static_cast<int>(stmt.ColumnInt64(1)), stmt.Column(2)});
    return properties;
}

void WriteFieldProperty(TSqliteConnection& db, std::string_view table, std::string_view field,
                        const TStoredProperty& property) {
    EnsureMetadataTables(db);
    TStatement stmt(db,
                    std::string("INSERT OR REPLACE INTO ") + kPropertiesTable +
                        " (TableName, FieldName, Name, Type, Value) VALUES (?1, ?2, ?3, ?4, ?5)");
    stmt.Bind(1, Variant(std::string(table)));
    stmt.Bind(2, Variant(std::string(field)));
    stmt.Bind(3, Variant(property.Name));
    stmt.Bind(4, Variant(property.Type));
    stmt.Bind(5, property.Value.Type() == TVarType::Boolean
                     ? Variant(property.Value.AsBoolean() ? 1 : 0)
                     : property.Value);
    stmt.Step();
}

void DeleteFieldProperty(TSqliteConnection& db, std::string_view table, std::string_view field,
                         std::string_view name) {
    if (!HasTable(db, kPropertiesTable)) return;
    TStatement stmt(db, std::string("DELETE FROM ") + kPropertiesTable +
                            " WHERE TableName = ?1 AND FieldName = ?2 AND Name = ?3");
    stmt.Bind(1, Variant(std::string(table)));
    stmt.Bind(2, Variant(std::string(field)));
    stmt.Bind(3, Variant(std::string(name)));
    stmt.Step();
}

void TouchObject(TSqliteConnection& db, std::string_view name, int type, bool created) {
    EnsureMetadataTables(db);
    const std::string now = DateTimeToStorage(Now());
    TStatement stmt(db, std::string("INSERT INTO ") + kObjectsTable +
                            " (Name, Type, DateCreate, DateUpdate) VALUES (?1, ?2, ?3, ?3) "
                            "ON CONFLICT(Name) DO UPDATE SET DateUpdate = ?3" +
                            (created ? ", DateCreate = ?3, Type = ?2" : ""));
    stmt.Bind(1, Variant(std::string(name)));
    stmt.Bind(2, Variant(type));
    stmt.Bind(3, Variant(now));
    stmt.Step();
}

void ForgetObject(TSqliteConnection& db, std::string_view name) {
    if (!HasTable(db, kObjectsTable)) return;
    TStatement stmt(db, std::string("DELETE FROM ") + kObjectsTable + " WHERE Name = ?1");
    stmt.Bind(1, Variant(std::string(name)));
    stmt.Step();
}

}  // namespace zalvert::engine
