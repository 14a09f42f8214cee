#include "engine/sqlite/CatalogObjects.h"

#include <sys/stat.h>

#include <ctime>

#include "engine/sqlite/FieldValues.h"
#include "engine/sqlite/SqliteRecordset.h"

namespace zalvert::engine {
namespace {

constexpr const char* kTableSource = "DAO.TableDef";
constexpr const char* kFieldSource = "DAO.Field";
constexpr const char* kIndexSource = "DAO.Index";
constexpr const char* kQuerySource = "DAO.QueryDef";

// Creation and change times of objects the engine has no record of: the file's.
TDateTime FileTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return Now();
    std::tm local{};
    localtime_r(&info.st_mtime, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0);
}

template <class Work>
auto Guarded(TSqliteState& db, const char* source, const std::string& context, Work&& work) {
    try {
        return work();
    } catch (const ESqlite& e) {
        FailSqlite(db.Engine(), e, source, context);
    }
}

std::string DeclaredTypeFor(int type, int size) {
    switch (type) {
        case dbBoolean:
            return "YESNO";
        case dbByte:
            return "BYTE";
        case dbInteger:
            return "SHORT";
        case dbLong:
            return "LONG";
        case dbCurrency:
            return "CURRENCY";
        case dbSingle:
            return "SINGLE";
        case dbDouble:
            return "DOUBLE";
        case dbDate:
            return "DATETIME";
        case dbBinary:
            return "BINARY(" + std::to_string(size > 0 ? size : 255) + ")";
        case dbText:
            return "TEXT(" + std::to_string(size > 0 ? size : 255) + ")";
        case dbLongBinary:
            return "LONGBINARY";
        case dbMemo:
            return "MEMO";
        case dbGUID:
            return "GUID";
        case dbBigInt:
            return "BIGINT";
        case dbDecimal:
            return "DECIMAL";
        default:
            return {};
    }
}

TColumnInfo NamedColumn(const std::string& name) {
    TColumnInfo column;
    column.Name = name;
    return column;
}

class TFieldDefList : public TListCollection<Field, FieldCollection> {
  public:
    using TAppend = std::function<void(const std::shared_ptr<TFieldDef>&)>;
    TFieldDefList(TEngineRef engine, const char* source, TLoader loader, TAppend onAppend,
                  std::function<void(std::string_view)> onDelete)
        : TListCollection(std::move(engine), source, std::move(loader)),
          onAppend_(std::move(onAppend)),
          onDelete_(std::move(onDelete)) {}

    void Append(std::shared_ptr<Field> field) override {
        auto def = std::dynamic_pointer_cast<TFieldDef>(field);
        if (!def) Fail(Engine(), TDaoErr::InvalidOperation, Source());
        if (Find(def->Name())) Fail(Engine(), TDaoErr::FieldDefinedTwice, Source(), def->Name());
        if (!onAppend_) Fail(Engine(), TDaoErr::InvalidOperation, Source());
        onAppend_(def);
        def->Attach();
        Add(def);
    }
    void Delete(std::string_view name) override {
        if (!Find(name)) Fail(Engine(), TDaoErr::ItemNotFound, Source());
        if (!onDelete_) Fail(Engine(), TDaoErr::InvalidOperation, Source());
        onDelete_(name);
        Remove(name);
    }

  private:
    TAppend onAppend_;
    std::function<void(std::string_view)> onDelete_;
};

class TIndexImpl : public Index {
  public:
    TIndexImpl(TSqliteRef db, std::string table, TIndexInfo info, bool attached)
        : db_(std::move(db)),
          table_(std::move(table)),
          info_(std::move(info)),
          attached_(attached) {}

    std::string Name() const override { return info_.Name; }
    void SetName(const std::string& name) override {
        Unattached();
        info_.Name = name;
    }
    bool Primary() const override { return info_.Primary; }
    void SetPrimary(bool primary) override {
        Unattached();
        info_.Primary = primary;
        if (primary) info_.Unique = true;
    }
    bool Unique() const override { return info_.Unique; }
    void SetUnique(bool unique) override {
        Unattached();
        info_.Unique = unique;
    }
    FieldCollection& Fields() override {
        if (!fields_) {
            fields_ = std::make_unique<TFieldDefList>(
                db_->EngineRef(), kIndexSource,
                [this] {
                    std::vector<std::shared_ptr<Field>> list;
                    for (const TIndexColumn& c : info_.Columns) {
                        auto field =
                            std::make_shared<TFieldDef>(db_, table_, NamedColumn(c.Name), true);
                        field->SetAttributes(c.Descending ? dbDescending : 0);
                        list.push_back(field);
                    }
                    return list;
                },
                [this](const std::shared_ptr<TFieldDef>& field) {
                    Unattached();
                    info_.Columns.push_back({field->Name(), field->Descending()});
                },
                nullptr);
        }
        return *fields_;
    }
    std::shared_ptr<Field> CreateField(const std::string& name) override {
        return std::make_shared<TFieldDef>(db_, table_, NamedColumn(name), false);
    }

    const TIndexInfo& Info() const { return info_; }
    void Attach() { attached_ = true; }

  private:
    void Unattached() const {
        if (attached_) Fail(db_->Engine(), TDaoErr::InvalidOperation, kIndexSource);
    }

    TSqliteRef db_;
    std::string table_;
    TIndexInfo info_;
    bool attached_;
    std::unique_ptr<TFieldDefList> fields_;
};

class TIndexList : public TListCollection<Index, IndexCollection> {
  public:
    TIndexList(TSqliteRef db, std::string table, TLoader loader)
        : TListCollection(db->EngineRef(), kIndexSource, std::move(loader)),
          db_(std::move(db)),
          table_(std::move(table)) {}

    void Append(std::shared_ptr<Index> index) override {
        auto impl = std::dynamic_pointer_cast<TIndexImpl>(index);
        if (!impl || impl->Info().Columns.empty())
            Fail(Engine(), TDaoErr::InvalidOperation, kIndexSource);
        if (Find(impl->Name())) Fail(Engine(), TDaoErr::IndexExists, kIndexSource);
        std::string columns;
        for (const TIndexColumn& c : impl->Info().Columns)
            columns += (columns.empty() ? "" : ", ") + QuoteIdentifier(c.Name) +
                       (c.Descending ? " DESC" : "");
        Guarded(*db_, kIndexSource, impl->Name(), [&] {
            TSqliteConnection& connection = db_->Connection(kIndexSource);
            connection.Exec(std::string("CREATE ") + (impl->Unique() ? "UNIQUE " : "") + "INDEX " +
                            QuoteIdentifier(impl->Name()) + " ON " + QuoteIdentifier(table_) +
                            " (" + columns + ")");
            TouchObject(connection, table_, 1, false);
            return 0;
        });
        db_->SchemaChanged();
        impl->Attach();
        Add(impl);
    }
    void Delete(std::string_view name) override {
        auto index = std::dynamic_pointer_cast<TIndexImpl>(Item(name));
        if (index->Info().Primary) Fail(Engine(), TDaoErr::InvalidOperation, kIndexSource);
        Guarded(*db_, kIndexSource, std::string(name), [&] {
            TSqliteConnection& connection = db_->Connection(kIndexSource);
            connection.Exec("DROP INDEX " + QuoteIdentifier(index->Name()));
            TouchObject(connection, table_, 1, false);
            return 0;
        });
        db_->SchemaChanged();
        Remove(name);
    }

  private:
    TSqliteRef db_;
    std::string table_;
};

class TParameterImpl : public Parameter {
  public:
    TParameterImpl(std::string name, int type, TSqliteRef db)
        : name_(std::move(name)), type_(type), db_(std::move(db)) {}
    std::string Name() const override { return name_; }
    int Type() const override { return type_; }
    int Direction() const override { return dbParamInput; }
    Variant Value() const override { return value_; }
    // A value of no form of the parameter's type is refused as it is given.
    void SetValue(const Variant& value) override {
        try {
            ToStorage({type_, 0, false}, value);
        } catch (const EValueRefused&) {
            Fail(db_->Engine(), TDaoErr::ConversionError, kQuerySource);
        }
        value_ = value;
    }

  private:
    std::string name_;
    int type_;
    TSqliteRef db_;
    Variant value_ = Variant::Null();
};

int ParameterType(const std::string& typeName) {
    if (typeName.empty()) return dbText;
    if (SameName(typeName, "DateTime")) return dbDate;
    return MapDeclaredType(typeName).Type;
}

int QueryType(const TTranslation& t) {
    switch (t.Kind) {
        case TStatementKind::Select:
            return t.Select.Union ? dbQSetOperation : dbQSelect;
        case TStatementKind::Insert:
            return dbQAppend;
        case TStatementKind::Update:
            return dbQUpdate;
        case TStatementKind::Delete:
            return dbQDelete;
        case TStatementKind::SelectInto:
            return dbQMakeTable;
        default:
            return dbQDDL;
    }
}

}  // namespace

// --- field definitions ----------------------------------------------------------------

TFieldDef::TFieldDef(TSqliteRef db, std::string table, TColumnInfo column, bool attached)
    : db_(std::move(db)),
      table_(std::move(table)),
      column_(std::move(column)),
      attached_(attached) {}

void TFieldDef::Raise(TDaoErr number) const {
    Fail(db_->Engine(), number, kFieldSource);
}

void TFieldDef::SetName(const std::string& name) {
    if (attached_) Raise(TDaoErr::InvalidOperation);
    column_.Name = name;
}

long TFieldDef::Attributes() const {
    long attributes = column_.Type.Fixed ? dbFixedField : dbVariableField;
    if (column_.AutoIncrement) attributes |= dbAutoIncrField;
    if (!column_.AutoIncrement) attributes |= dbUpdatableField;
    if (IsSystemTableName(table_)) attributes |= dbSystemField;
    if (descending_) attributes |= dbDescending;
    return attributes;
}

void TFieldDef::SetAttributes(long attributes) {
    // Index fields carry only the descending flag; new table fields may ask for a counter.
    descending_ = (attributes & dbDescending) != 0;
    if (!attached_) column_.AutoIncrement = (attributes & dbAutoIncrField) != 0;
}

Variant TFieldDef::Value() const {
    Raise(TDaoErr::InvalidOperation);
}
void TFieldDef::SetValue(const Variant&) {
    Raise(TDaoErr::InvalidOperation);
}
long long TFieldDef::FieldSize() const {
    Raise(TDaoErr::InvalidOperation);
}

PropertyCollection& TFieldDef::Properties() {
    if (!properties_) {
        properties_ = std::make_unique<TPropertyList>(db_->EngineRef(), kFieldSource, [this] {
            std::vector<std::shared_ptr<Property>> list;
            if (!attached_ || table_.empty() || db_->Closed()) return list;
            for (auto& p : ReadFieldProperties(db_->Connection(kFieldSource), table_, column_.Name))
                list.push_back(std::make_shared<TPlainProperty>(p.Name, p.Type, p.Value));
            return list;
        });
        properties_->OnAppend = [this](const Property& p) {
            if (!attached_) return;
            Guarded(*db_, kFieldSource, p.Name(), [&] {
                WriteFieldProperty(db_->Connection(kFieldSource), table_, column_.Name,
                                   {p.Name(), p.Type(), p.Value()});
                return 0;
            });
        };
        properties_->OnDelete = [this](std::string_view name) {
            if (!attached_) return;
            Guarded(*db_, kFieldSource, std::string(name), [&] {
                DeleteFieldProperty(db_->Connection(kFieldSource), table_, column_.Name, name);
                return 0;
            });
        };
    }
    return *properties_;
}

std::shared_ptr<Property> TFieldDef::CreateProperty(const std::string& name, int type,
                                                    const Variant& value) {
    return std::make_shared<TPlainProperty>(name, type, value);
}

// --- table definitions -------------------------------------------------------------------

TSqliteTableDef::TSqliteTableDef(TSqliteRef db, TTableInfo info)
    : db_(std::move(db)), info_(std::move(info)) {}

TDateTime TSqliteTableDef::DateCreated() const {
    return ReadObjectTimes(db_->Connection(kTableSource), info_.Name, FileTime(db_->Name())).first;
}

TDateTime TSqliteTableDef::LastUpdated() const {
    return ReadObjectTimes(db_->Connection(kTableSource), info_.Name, FileTime(db_->Name())).second;
}

long long TSqliteTableDef::RecordCount() const {
    return Guarded(*db_, kTableSource, info_.Name, [&] {
        TStatement stmt(db_->Connection(kTableSource),
                        "SELECT COUNT(*) FROM " + QuoteIdentifier(info_.Name));
        stmt.Step();
        return static_cast<long long>(stmt.ColumnInt64(0));
    });
}

FieldCollection& TSqliteTableDef::Fields() {
    if (!fields_) {
        fields_ = std::make_unique<TFieldDefList>(
            db_->EngineRef(), kFieldSource,
            [this] {
                std::vector<std::shared_ptr<Field>> list;
                for (const TColumnInfo& c : info_.Columns)
                    list.push_back(std::make_shared<TFieldDef>(db_, info_.Name, c, true));
                return list;
            },
            [this](const std::shared_ptr<TFieldDef>& field) {
                const std::string type = DeclaredTypeFor(field->Type(), field->Size());
                if (type.empty() || field->Column().AutoIncrement)
                    Fail(db_->Engine(), TDaoErr::InvalidOperation, kFieldSource);
                Guarded(*db_, kFieldSource, field->Name(), [&] {
                    TSqliteConnection& connection = db_->Connection(kFieldSource);
                    connection.Exec("ALTER TABLE " + QuoteIdentifier(info_.Name) + " ADD COLUMN " +
                                    QuoteIdentifier(field->Name()) + " " + type +
                                    (field->Type() == dbText || field->Type() == dbMemo
                                         ? " COLLATE NOCASE"
                                         : ""));
                    TouchObject(connection, info_.Name, 1, false);
                    return 0;
                });
                db_->SchemaChanged();
            },
            [this](std::string_view name) {
                Guarded(*db_, kFieldSource, std::string(name), [&] {
                    TSqliteConnection& connection = db_->Connection(kFieldSource);
                    connection.Exec("ALTER TABLE " + QuoteIdentifier(info_.Name) + " DROP COLUMN " +
                                    QuoteIdentifier(name));
                    TouchObject(connection, info_.Name, 1, false);
                    return 0;
                });
                db_->SchemaChanged();
            });
    }
    return *fields_;
}

IndexCollection& TSqliteTableDef::Indexes() {
    if (!indexes_) {
        indexes_ = std::make_unique<TIndexList>(db_, info_.Name, [this] {
            std::vector<std::shared_ptr<Index>> list;
            for (const TIndexInfo& i : info_.Indexes)
                list.push_back(std::make_shared<TIndexImpl>(db_, info_.Name, i, true));
            return list;
        });
    }
    return *indexes_;
}

PropertyCollection& TSqliteTableDef::Properties() {
    if (!properties_) {
        properties_ = std::make_unique<TPropertyList>(db_->EngineRef(), kTableSource, [this] {
            return std::vector<std::shared_ptr<Property>>{
                std::make_shared<TPlainProperty>("Name", dbText, Variant(info_.Name)),
                std::make_shared<TPlainProperty>("Attributes", dbLong,
                                                 Variant(static_cast<int>(Attributes())))};
        });
    }
    return *properties_;
}

std::shared_ptr<Index> TSqliteTableDef::CreateIndex(const std::string& name) {
    TIndexInfo info;
    info.Name = name;
    return std::make_shared<TIndexImpl>(db_, info_.Name, info, false);
}

std::shared_ptr<Field> TSqliteTableDef::CreateField(const std::string& name, int type, int size) {
    TColumnInfo column;
    column.Name = name;
    column.Type = {type, type == dbText && size == 0 ? 255 : size,
                   type != dbText && type != dbMemo};
    return std::make_shared<TFieldDef>(db_, info_.Name, column, false);
}

// --- stored queries -----------------------------------------------------------------------

TTranslation Translate(TSqliteState& db, const std::string& sql, const char* source) {
    try {
        return TranslateSql(sql, db.ColumnTypes(), db.ColumnOrder());
    } catch (const ESqlSyntax& e) {
        Fail(db.Engine(), TDaoErr::SyntaxError, source, e.Text);
    }
}

TRecordSource SourceOf(const TTranslation& t, std::string name, std::vector<Variant> parameters) {
    TRecordSource source;
    source.Name = std::move(name);
    source.Sql = t.Sql;
    source.Parameters = std::move(parameters);
    const TSelectParts& s = t.Select;
    source.SingleTable = !s.SingleTable.empty() && !s.Distinct && !s.Grouped && !s.Union;
    source.Table = s.SingleTable;
    source.TableRef = s.TableRef;
    source.SelectList = s.SelectList;
    source.From = s.From;
    source.Where = s.Where;
    source.OrderBy = s.OrderBy;
    source.Top = s.Top;
    return source;
}

std::shared_ptr<Recordset> OpenSource(const TSqliteRef& db, TRecordSource source, int type,
                                      int options, int lockEdit, const TTableInfo* table) {
    constexpr const char* kSource = "DAO.Database";
    if (type == dbOpenDynamic) Fail(db->Engine(), TDaoErr::NotSupported, kSource);
    if (type == dbOpenTable && !table) Fail(db->Engine(), TDaoErr::InvalidOperation, kSource);
    if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot &&
        type != dbOpenForwardOnly)
        Fail(db->Engine(), TDaoErr::InvalidArgument, kSource);
    if (type == dbOpenTable) {
        // Rows come in primary key order; Index stays empty until it is set.
        if (const TIndexInfo* primary = table->PrimaryIndex()) {
            for (const TIndexColumn& c : primary->Columns)
                source.OrderBy += (source.OrderBy.empty() ? "" : ", ") + QuoteIdentifier(c.Name) +
                                  (c.Descending ? " DESC" : "");
            source.Sql = ComposeSql(source);
        }
    }
    if ((options & dbAppendOnly) != 0 && source.SingleTable) {
        source.Where = "0";
        source.Sql = ComposeSql(source);
    }
    const bool readOnly = (options & dbReadOnly) != 0 || lockEdit == dbReadOnly || db->ReadOnly();
    auto rows = Guarded(*db, kSource, source.Name, [&] { return MakeRowSet(db, source, type); });
    return std::make_shared<TSqliteRecordset>(std::move(rows), type, readOnly);
}

long long ExecuteTranslated(const TSqliteRef& db, const TTranslation& t,
                            const std::vector<Variant>& parameters, const char* source) {
    if (t.Kind == TStatementKind::Select) Fail(db->Engine(), TDaoErr::CannotExecuteSelect, source);
    if (db->ReadOnly()) Fail(db->Engine(), TDaoErr::ReadOnly, source);
    return Guarded(*db, source, t.Sql, [&] {
        TSqliteConnection& connection = db->Connection(source);
        std::string sql = t.Sql;
        if (t.Kind == TStatementKind::SelectInto) {
            // SELECT ... INTO t FROM ... makes a new table.
            const TSelectParts& s = t.Select;
            sql = "CREATE TABLE " + QuoteIdentifier(t.Table) + " AS SELECT " + s.SelectList +
                  (s.From.empty() ? "" : " FROM " + s.From) +
                  (s.Where.empty() ? "" : " WHERE " + s.Where) + s.Tail;
        }
        TStatement stmt(connection, sql);
        for (size_t i = 0; i < parameters.size(); ++i)
            stmt.Bind(static_cast<int>(i + 1), parameters[i]);
        stmt.Step();
        const bool ddl = t.Kind != TStatementKind::Insert && t.Kind != TStatementKind::Update &&
                         t.Kind != TStatementKind::Delete;
        const long long affected = ddl ? 0 : connection.Changes();
        if (t.Kind == TStatementKind::CreateTable || t.Kind == TStatementKind::SelectInto)
            TouchObject(connection, t.Table, 1, true);
        else if (t.Kind == TStatementKind::DropTable)
            ForgetObject(connection, t.Table);
        else if (ddl)
            TouchObject(connection, t.Table, 1, false);
        if (ddl) db->SchemaChanged();
        return affected;
    });
}

std::optional<std::string> StoredQuerySql(TSqliteState& db, std::string_view name) {
    TSqliteConnection& connection = db.Connection("DAO.Database");
    if (!HasTable(connection, kQueriesTable)) return std::nullopt;
    TStatement stmt(connection,
                    std::string("SELECT SQL FROM ") + kQueriesTable + " WHERE Name = ?1");
    stmt.Bind(1, Variant(std::string(name)));
    if (!stmt.Step()) return std::nullopt;
    return stmt.ColumnText(0);
}

TSqliteQueryDef::TSqliteQueryDef(TSqliteRef db, std::string name, std::string sql, bool stored)
    : db_(std::move(db)),
      name_(std::move(name)),
      sql_(std::move(sql)),
      stored_(stored),
      translation_(Translate(*db_, sql_, kQuerySource)) {}

void TSqliteQueryDef::SetSQL(const std::string& sql) {
    TTranslation translation = Translate(*db_, sql, kQuerySource);
    if (stored_) {
        Guarded(*db_, kQuerySource, name_, [&] {
            TSqliteConnection& connection = db_->Connection(kQuerySource);
            TStatement stmt(connection, std::string("UPDATE ") + kQueriesTable +
                                            " SET SQL = ?1, Type = ?2 WHERE Name = ?3");
            stmt.Bind(1, Variant(sql));
            stmt.Bind(2, Variant(QueryType(translation)));
            stmt.Bind(3, Variant(name_));
            stmt.Step();
            TouchObject(connection, name_, 5, false);
            return 0;
        });
    }
    sql_ = sql;
    translation_ = std::move(translation);
    parameters_.reset();
}

int TSqliteQueryDef::Type() const {
    return QueryType(translation_);
}

Collection<Parameter>& TSqliteQueryDef::Parameters() {
    if (!parameters_) {
        std::vector<std::shared_ptr<Parameter>> list;
        for (const TParameterDecl& p : translation_.Parameters)
            list.push_back(
                std::make_shared<TParameterImpl>(p.Name, ParameterType(p.TypeName), db_));
        parameters_ = std::make_unique<TListCollection<Parameter>>(db_->EngineRef(), kQuerySource,
                                                                   [list] { return list; });
    }
    return *parameters_;
}

std::vector<Variant> TSqliteQueryDef::ParameterValues() const {
    std::vector<Variant> values;
    auto& parameters = const_cast<TSqliteQueryDef*>(this)->Parameters();
    for (int i = 0; i < parameters.Count(); ++i) {
        const auto p = parameters.Item(i);
        try {
            values.push_back(ToStorage({p->Type(), 0, false}, p->Value()));
        } catch (const EValueRefused&) {
            Fail(db_->Engine(), TDaoErr::ConversionError, kQuerySource);
        }
    }
    return values;
}

std::shared_ptr<Recordset> TSqliteQueryDef::OpenRecordset(int type, int options, int lockEdit) {
    if (translation_.Kind != TStatementKind::Select)
        Fail(db_->Engine(), TDaoErr::InvalidOperation, kQuerySource);
    if (type == dbOpenTable) Fail(db_->Engine(), TDaoErr::InvalidOperation, kQuerySource);
    TRecordSource source = SourceOf(translation_, name_.empty() ? sql_ : name_, ParameterValues());
    if (maxRecords_ > 0 && (!source.Top || *source.Top > maxRecords_)) {
        source.Top = maxRecords_;
        source.Sql = source.SingleTable ? ComposeSql(source)
                                        : "SELECT * FROM (" + source.Sql + ") LIMIT " +
                                              std::to_string(maxRecords_);
    }
    return OpenSource(db_, std::move(source), type == 0 ? dbOpenDynaset : type, options, lockEdit,
                      nullptr);
}

void TSqliteQueryDef::Execute(int) {
    recordsAffected_ = ExecuteTranslated(db_, translation_, ParameterValues(), kQuerySource);
    db_->RecordsAffected = recordsAffected_;
}

TDateTime TSqliteQueryDef::DateCreated() const {
    return ReadObjectTimes(db_->Connection(kQuerySource), name_, FileTime(db_->Name())).first;
}

TDateTime TSqliteQueryDef::LastUpdated() const {
    return ReadObjectTimes(db_->Connection(kQuerySource), name_, FileTime(db_->Name())).second;
}

PropertyCollection& TSqliteQueryDef::Properties() {
    if (!properties_) {
        properties_ = std::make_unique<TPropertyList>(db_->EngineRef(), kQuerySource, [this] {
            return std::vector<std::shared_ptr<Property>>{
                std::make_shared<TPlainProperty>("Name", dbText, Variant(name_)),
                std::make_shared<TPlainProperty>("SQL", dbMemo, Variant(sql_)),
                std::make_shared<TPlainProperty>("Type", dbInteger, Variant(Type()))};
        });
    }
    return *properties_;
}

}  // namespace zalvert::engine
