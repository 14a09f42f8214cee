#pragma once
// What either back end knows of a database's tables and of a recordset's fields.

#include <string>
#include <string_view>
#include <vector>

namespace zalvert::engine {

struct TTypeInfo {
    int Type = 0;  // the engine's type code
    int Size = 0;
    bool Fixed = false;
};

// Texts, memos and binary values vary in length; every other type has a fixed one.
bool IsVariableLength(int type);
// Whether `text` has more characters than a text field of `size` takes (none
// where the size is 0). A text of no more bytes than that is not counted.
bool LongerThanTextSize(std::string_view text, int size);

struct TColumnInfo {
    std::string Name;
    std::string DeclaredType;  // as the file declares it; empty on a server
    TTypeInfo Type;
    bool AutoIncrement = false;
    bool Required = false;
    bool PrimaryKey = false;
    std::string DefaultValue;  // the default's text, as written
};

struct TIndexColumn {
    std::string Name;
    bool Descending = false;
};

struct TIndexInfo {
    std::string Name;
    bool Primary = false;
    bool Unique = false;
    std::vector<TIndexColumn> Columns;
    bool RowidKey = false;  // the file's integer primary key, which has no index of its own
};

struct TTableInfo {
    std::string Name;
    bool System = false;  // one of the engine's own metadata tables
    bool View = false;    // a server's view, read through as a table
    std::vector<TColumnInfo> Columns;
    std::vector<TIndexInfo> Indexes;
    const TColumnInfo* Column(std::string_view name) const;
    const TIndexInfo* Index(std::string_view name) const;
    const TIndexInfo* PrimaryIndex() const;
    // The column of a primary key of one column; empty for none or several.
    std::string KeyColumn() const;
};

// A result column of a recordset, and where its values come from.
struct TFieldMeta {
    std::string Name;
    TTypeInfo Type;
    bool AutoIncrement = false;
    bool Updatable = false;
    bool Required = false;
    std::string DefaultValue;
    std::string SourceTable;  // empty for a computed column
    std::string SourceField;
};

}  // namespace zalvert::engine
