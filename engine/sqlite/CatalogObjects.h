#pragma once
// Table definitions, their field definitions and indexes, and stored queries:
// the catalogue objects of an open database.

#include <memory>
#include <string>
#include <vector>

#include "engine/Dao.h"
#include "engine/sqlite/RowSets.h"
#include "engine/sqlite/SqlTranslator.h"
#include "engine/sqlite/SqliteState.h"

namespace zalvert::engine {

// A field of a table definition or an index, or a new one not appended yet.
class TFieldDef : public Field {
  public:
    TFieldDef(TSqliteRef db, std::string table, TColumnInfo column, bool attached);

    std::string Name() const override { return column_.Name; }
    void SetName(const std::string& name) override;
    int Type() const override { return column_.Type.Type; }
    int Size() const override { return column_.Type.Size; }
    long Attributes() const override;
    void SetAttributes(long attributes) override;
    Variant Value() const override;
    void SetValue(const Variant& value) override;
    long long FieldSize() const override;
    std::string DefaultValue() const override { return column_.DefaultValue; }
    bool Required() const override { return column_.Required; }
    std::string SourceTable() const override { return table_; }
    std::string SourceField() const override { return column_.Name; }
    PropertyCollection& Properties() override;
    std::shared_ptr<Property> CreateProperty(const std::string& name, int type,
                                             const Variant& value) override;

    const TColumnInfo& Column() const { return column_; }
    bool Descending() const { return descending_; }
    void Attach() { attached_ = true; }

  private:
    [[noreturn]] void Raise(TDaoErr number) const;

    TSqliteRef db_;
    std::string table_;
    TColumnInfo column_;
    bool attached_;
    bool descending_ = false;
    std::unique_ptr<TPropertyList> properties_;
};

class TSqliteTableDef : public TableDef {
  public:
    TSqliteTableDef(TSqliteRef db, TTableInfo info);

    std::string Name() const override { return info_.Name; }
    long Attributes() const override { return info_.System ? dbSystemObject : 0; }
    TDateTime DateCreated() const override;
    TDateTime LastUpdated() const override;
    long long RecordCount() const override;
    FieldCollection& Fields() override;
    IndexCollection& Indexes() override;
    PropertyCollection& Properties() override;
    std::shared_ptr<Index> CreateIndex(const std::string& name) override;
    std::shared_ptr<Field> CreateField(const std::string& name, int type, int size) override;

  private:
    TSqliteRef db_;
    TTableInfo info_;
    std::unique_ptr<FieldCollection> fields_;
    std::unique_ptr<IndexCollection> indexes_;
    std::unique_ptr<TPropertyList> properties_;
};

class TSqliteQueryDef : public QueryDef {
  public:
    // `stored` false for a temporary query (created without a name).
    TSqliteQueryDef(TSqliteRef db, std::string name, std::string sql, bool stored);

    std::string Name() const override { return name_; }
    std::string SQL() const override { return sql_; }
    void SetSQL(const std::string& sql) override;
    int Type() const override;
    Collection<Parameter>& Parameters() override;
    std::shared_ptr<Recordset> OpenRecordset(int type, int options, int lockEdit) override;
    void Execute(int options) override;
    long long RecordsAffected() const override { return recordsAffected_; }
    long MaxRecords() const override { return maxRecords_; }
    void SetMaxRecords(long maxRecords) override { maxRecords_ = maxRecords; }
    int ODBCTimeout() const override { return odbcTimeout_; }
    void SetODBCTimeout(int seconds) override { odbcTimeout_ = seconds; }
    TDateTime DateCreated() const override;
    TDateTime LastUpdated() const override;
    PropertyCollection& Properties() override;

  private:
    std::vector<Variant> ParameterValues() const;

    TSqliteRef db_;
    std::string name_;
    std::string sql_;
    bool stored_;
    TTranslation translation_;
    long maxRecords_ = 0;
    int odbcTimeout_ = 60;
    long long recordsAffected_ = 0;
    std::unique_ptr<TListCollection<Parameter>> parameters_;
    std::unique_ptr<TPropertyList> properties_;
};

// Translates, raising SyntaxError with the offending text for what the dialect does not allow.
TTranslation Translate(TSqliteState& db, const std::string& sql, const char* source);
// A recordset source from a translated SELECT.
TRecordSource SourceOf(const TTranslation& t, std::string name, std::vector<Variant> parameters);
// Opens a recordset of `type` on a source, with the engine's checks.
std::shared_ptr<Recordset> OpenSource(const TSqliteRef& db, TRecordSource source, int type,
                                      int options, int lockEdit, const TTableInfo* table);
// Runs an action statement and reports the rows it touched.
long long ExecuteTranslated(const TSqliteRef& db, const TTranslation& t,
                            const std::vector<Variant>& parameters, const char* source);
// The stored SQL of a query; empty when there is no such query.
std::optional<std::string> StoredQuerySql(TSqliteState& db, std::string_view name);

}  // namespace zalvert::engine
