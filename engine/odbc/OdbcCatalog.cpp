#include "engine/odbc/OdbcCatalog.h"

#include "engine/core/SqlTokenizer.h"
#include "engine/odbc/OdbcDialect.h"
#include "engine/odbc/OdbcRecordset.h"
#include "engine/odbc/OdbcSource.h"

namespace zalvert::engine::odbc {
namespace {

constexpr const char* kTableSource = "DAO.TableDef";
constexpr const char* kFieldSource = "DAO.Field";

// A field of a table definition or an index: a description, never a value.
class TOdbcFieldDef : public Field {
  public:
    TOdbcFieldDef(TEngineRef engine, std::string table, TColumnInfo column, bool descending)
        : engine_(std::move(engine)),
          table_(std::move(table)),
          column_(std::move(column)),
          descending_(descending),
          properties_(engine_, kFieldSource) {}

    std::string Name() const override { return column_.Name; }
    void SetName(const std::string&) override { Raise(TDaoErr::InvalidOperation); }
    int Type() const override { return column_.Type.Type; }
    int Size() const override { return column_.Type.Size; }
    long Attributes() const override {
        long attributes = column_.Type.Fixed ? dbFixedField : dbVariableField;
        if (column_.AutoIncrement)
            attributes |= dbAutoIncrField;
        else
            attributes |= dbUpdatableField;
        if (descending_) attributes |= dbDescending;
        return attributes;
    }
    void SetAttributes(long) override { Raise(TDaoErr::InvalidOperation); }
    Variant Value() const override { Raise(TDaoErr::InvalidOperation); }
    void SetValue(const Variant&) override { Raise(TDaoErr::InvalidOperation); }
    long long FieldSize() const override { Raise(TDaoErr::InvalidOperation); }
    std::string DefaultValue() const override { return column_.DefaultValue; }
    bool Required() const override { return column_.Required; }
    std::string SourceTable() const override { return table_; }
    std::string SourceField() const override { return column_.Name; }
    PropertyCollection& Properties() override { return properties_; }
    std::shared_ptr<Property> CreateProperty(const std::string& name, int type,
                                             const Variant& value) override {
        return std::make_shared<TPlainProperty>(name, type, value);
    }

  private:
    [[noreturn]] void Raise(TDaoErr number) const { Fail(*engine_, number, kFieldSource); }
    TEngineRef engine_;
    std::string table_;
    TColumnInfo column_;
    bool descending_;
    TPropertyList properties_;
};

// Tables change by statements on the server (CREATE, ALTER) here.
using TOdbcFieldList = TFixedList<Field, FieldCollection, TDaoErr::NotSupported>;
using TOdbcIndexList = TFixedList<Index, IndexCollection, TDaoErr::NotSupported>;

class TOdbcIndex : public Index {
  public:
    TOdbcIndex(TEngineRef engine, const TTableInfo& table, TIndexInfo info)
        : engine_(engine), info_(std::move(info)), fields_(engine, "DAO.Fields", [=, this] {
              std::vector<std::shared_ptr<Field>> list;
              for (const auto& [name, descending] : info_.Columns) {
                  const TColumnInfo* column = table.Column(name);
                  TColumnInfo described;
                  described.Name = name;
                  list.push_back(std::make_shared<TOdbcFieldDef>(
                      engine_, table.Name, column ? *column : described, descending));
              }
              return list;
          }) {}
    std::string Name() const override { return info_.Name; }
    void SetName(const std::string&) override {
        Fail(*engine_, TDaoErr::InvalidOperation, "DAO.Index");
    }
    bool Primary() const override { return info_.Primary; }
    void SetPrimary(bool) override { Fail(*engine_, TDaoErr::InvalidOperation, "DAO.Index"); }
    bool Unique() const override { return info_.Unique; }
    void SetUnique(bool) override { Fail(*engine_, TDaoErr::InvalidOperation, "DAO.Index"); }
    FieldCollection& Fields() override { return fields_; }
    std::shared_ptr<Field> CreateField(const std::string&) override {
        Fail(*engine_, TDaoErr::NotSupported, "DAO.Index");
    }

  private:
    TEngineRef engine_;
    TIndexInfo info_;
    TOdbcFieldList fields_;
};

class TOdbcTableDef : public TableDef {
  public:
    TOdbcTableDef(TOdbcRef db, TTableInfo info)
        : db_(std::move(db)),
          info_(std::move(info)),
          fields_(db_->EngineRef(), "DAO.Fields",
                  [this] {
                      std::vector<std::shared_ptr<Field>> list;
                      for (const auto& c : info_.Columns)
                          list.push_back(std::make_shared<TOdbcFieldDef>(db_->EngineRef(),
                                                                         info_.Name, c, false));
                      return list;
                  }),
          indexes_(db_->EngineRef(), "DAO.Indexes",
                   [this] {
                       std::vector<std::shared_ptr<Index>> list;
                       for (const auto& i : info_.Indexes)
                           list.push_back(std::make_shared<TOdbcIndex>(db_->EngineRef(), info_, i));
                       return list;
                   }),
          properties_(db_->EngineRef(), kTableSource) {}

    std::string Name() const override { return info_.Name; }
    long Attributes() const override { return 0; }
    // The server does not tell these through the driver.
    TDateTime DateCreated() const override { return 0; }
    TDateTime LastUpdated() const override { return 0; }
    long long RecordCount() const override {
        try {
            TOdbcStatement stmt(db_->Connection(kTableSource));
            stmt.ExecDirect("SELECT count(*) FROM " + ServerName(info_.Name));
            return stmt.Fetch() ? stmt.Get(0).AsInt64() : 0;
        } catch (const EOdbc& e) {
            db_->Fail(e, kTableSource);
        }
    }
    FieldCollection& Fields() override { return fields_; }
    IndexCollection& Indexes() override { return indexes_; }
    PropertyCollection& Properties() override { return properties_; }
    std::shared_ptr<Index> CreateIndex(const std::string&) override {
        Fail(db_->Engine(), TDaoErr::NotSupported, kTableSource);
    }
    std::shared_ptr<Field> CreateField(const std::string&, int, int) override {
        Fail(db_->Engine(), TDaoErr::NotSupported, kTableSource);
    }

  private:
    TOdbcRef db_;
    TTableInfo info_;
    TOdbcFieldList fields_;
    TOdbcIndexList indexes_;
    TPropertyList properties_;
};

class TOdbcParameters : public TListCollection<Parameter> {
  public:
    using TListCollection::TListCollection;
};

// A view of the server, or a statement kept in the program.
class TOdbcQueryDef : public QueryDef {
  public:
    TOdbcQueryDef(TOdbcRef db, std::string name, std::string sql)
        : db_(std::move(db)),
          name_(std::move(name)),
          sql_(std::move(sql)),
          parameters_(db_->EngineRef(), "DAO.Parameters"),
          properties_(db_->EngineRef(), "DAO.QueryDef") {}

    std::string Name() const override { return name_; }
    std::string SQL() const override { return sql_; }
    void SetSQL(const std::string& sql) override { sql_ = sql; }
    int Type() const override { return dbQSelect; }
    Collection<Parameter>& Parameters() override { return parameters_; }
    std::shared_ptr<Recordset> OpenRecordset(int type, int options, int) override {
        TOdbcSource source;
        try {
            source = DescribeSource(*db_, sql_);
        } catch (const ESqlSyntax& e) {
            Fail(db_->Engine(), TDaoErr::SyntaxError, "DAO.QueryDef", e.Text);
        }
        if (maxRecords_ > 0) source.Top = maxRecords_, source.Sql = source.Compose();
        auto rs = std::make_shared<TOdbcRecordset>(
            db_, std::move(source), type == 0 ? dbOpenDynaset : type, (options & dbReadOnly) != 0);
        rs->Open();
        return rs;
    }
    void Execute(int) override {
        try {
            TOdbcStatement stmt(db_->Connection("DAO.QueryDef"));
            stmt.ExecDirect(ToServerSql(sql_));
            affected_ = stmt.RowsAffected();
        } catch (const ESqlSyntax& e) {
            Fail(db_->Engine(), TDaoErr::SyntaxError, "DAO.QueryDef", e.Text);
        } catch (const EOdbc& e) {
            db_->Fail(e, "DAO.QueryDef");
        }
    }
    long long RecordsAffected() const override { return affected_; }
    long MaxRecords() const override { return maxRecords_; }
    void SetMaxRecords(long maxRecords) override { maxRecords_ = maxRecords; }
    int ODBCTimeout() const override { return timeout_; }
    void SetODBCTimeout(int seconds) override { timeout_ = seconds; }
    TDateTime DateCreated() const override { return 0; }
    TDateTime LastUpdated() const override { return 0; }
    PropertyCollection& Properties() override { return properties_; }

  private:
    TOdbcRef db_;
    std::string name_, sql_;
    TOdbcParameters parameters_;
    TPropertyList properties_;
    long maxRecords_ = 0;
    int timeout_ = 60;
    long long affected_ = 0;
};

}  // namespace

std::unique_ptr<TListCollection<TableDef>> MakeTableDefs(const TOdbcRef& db) {
    std::weak_ptr<TOdbcState> weak = db;
    return std::make_unique<TListCollection<TableDef>>(db->EngineRef(), "DAO.TableDefs", [weak] {
        std::vector<std::shared_ptr<TableDef>> list;
        const auto state = weak.lock();
        if (!state) return list;
        for (const std::string& name : state->TableNames(false))
            if (const TTableInfo* info = state->Table(name))
                list.push_back(std::make_shared<TOdbcTableDef>(state, *info));
        return list;
    });
}

TOdbcQueryDefs::TOdbcQueryDefs(TOdbcRef db)
    : TListCollection(db->EngineRef(), "DAO.QueryDefs",
                      [this] {
                          std::vector<std::shared_ptr<QueryDef>> list = created_;
                          for (const std::string& view : db_->TableNames(true))
                              list.push_back(std::make_shared<TOdbcQueryDef>(
                                  db_, view, "SELECT * FROM [" + view + "]"));
                          return list;
                      }),
      db_(std::move(db)) {}

std::shared_ptr<QueryDef> TOdbcQueryDefs::Create(const std::string& name, const std::string& sql) {
    auto query = std::make_shared<TOdbcQueryDef>(db_, name, sql);
    if (!name.empty()) {
        if (Find(name)) Fail(Engine(), TDaoErr::ObjectExists, Source(), name);
        created_.push_back(query);
        Refresh();
    }
    return query;
}

void TOdbcQueryDefs::Delete(std::string_view name) {
    if (!Find(name)) Fail(Engine(), TDaoErr::ItemNotFound, Source());
    std::erase_if(created_, [&](const auto& q) { return SameName(q->Name(), name); });
    Refresh();
}

}  // namespace zalvert::engine::odbc
