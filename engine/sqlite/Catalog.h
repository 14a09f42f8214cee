#pragma once
// Reading the schema of a database file: tables, columns with their engine types,
// indexes, and the engine's own metadata tables (names starting with "MSys").

#include <optional>
#include <string>
#include <vector>

#include "engine/core/EngineState.h"
#include "engine/core/Metadata.h"
#include "engine/sqlite/Sqlite.h"
#include "rtl/DateTime.h"

namespace zalvert::engine {

// The engine type of a declared SQLite column type ("TEXT(50)", "CURRENCY"...).
TTypeInfo MapDeclaredType(const std::string& declaredType);
// The engine type of a computed result column, from a stored value's SQLite type.
TTypeInfo MapValueType(int sqliteType);

// Metadata tables of the engine.
constexpr const char* kObjectsTable = "MSysObjects";
constexpr const char* kQueriesTable = "MSysQueries";
constexpr const char* kPropertiesTable = "MSysFieldProperties";

bool IsSystemTableName(std::string_view name);

std::vector<std::string> ReadTableNames(const TSqliteConnection& db);
std::optional<TTableInfo> ReadTable(const TSqliteConnection& db, const std::string& name);

// Creates the metadata tables when they are missing.
void EnsureMetadataTables(TSqliteConnection& db);
bool HasTable(const TSqliteConnection& db, std::string_view name);
// Creation and change times of a table or query; both `fallback` when unrecorded.
std::pair<TDateTime, TDateTime> ReadObjectTimes(const TSqliteConnection& db, std::string_view name,
                                                TDateTime fallback);
struct TStoredProperty {
    std::string Name;
    int Type = 0;
    Variant Value;
};
// Properties such as "Format" and "Caption" kept for a table's column.
std::vector<TStoredProperty> ReadFieldProperties(const TSqliteConnection& db,
                                                 std::string_view table, std::string_view field);
void WriteFieldProperty(TSqliteConnection& db, std::string_view table, std::string_view field,
                        const TStoredProperty& property);
void DeleteFieldProperty(TSqliteConnection& db, std::string_view table, std::string_view field,
                         std::string_view name);

void TouchObject(TSqliteConnection& db, std::string_view name, int type, bool created);
void ForgetObject(TSqliteConnection& db, std::string_view name);

}  // namespace zalvert::engine
