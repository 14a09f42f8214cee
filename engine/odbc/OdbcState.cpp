#include "engine/odbc/OdbcState.h"

#include "engine/odbc/OdbcDialect.h"
#include "rtl/Utf8.h"

namespace zalvert::engine::odbc {
namespace {

constexpr const char* kSource = "DAO.Database";

SQLCHAR* Text(std::string& s) {
    return reinterpret_cast<SQLCHAR*>(s.data());
}

std::string Str(const Variant& v) {
    return v.IsEmptyOrNull() ? std::string() : v.AsString();
}

}  // namespace

TOdbcState::TOdbcState(TEngineRef engine, std::string name, std::string connect, bool readOnly)
    : engine_(std::move(engine)), name_(std::move(name)), readOnly_(readOnly) {
    try {
        connection_ = std::make_unique<TOdbcConnection>(connect);
        postgres_ = AsciiLowerCase(connection_->DbmsName()).find("postgres") != std::string::npos;
        // Statements prepared on an empty table would keep a plan that scans it
        // whole; a plan for each run's values finds rows by key at any size.
        if (postgres_) connection_->Exec("SET plan_cache_mode = force_custom_plan");
    } catch (const EOdbc& e) {
        Fail(e, kSource);
    }
}

TOdbcConnection& TOdbcState::Connection(const char* source) {
    if (!connection_) zalvert::engine::Fail(*engine_, TDaoErr::ObjectClosed, source);
    if (batch_.Active()) {
        try {
            batch_.Flush(*connection_);
        } catch (const EOdbc& e) {
            Fail(e, source);
        }
    }
    return *connection_;
}

void TOdbcState::QueueInsert(const TBatchInsert& insert, std::vector<Variant> values,
                             const char* source) {
    if (!batch_.Matches(insert)) {
        Connection(source);
        batch_.Start(insert, values.size());
    }
    batch_.Add(std::move(values));
    if (!batch_.Full()) return;
    try {
        batch_.SendFull(*connection_);
    } catch (const EOdbc& e) {
        Fail(e, source);
    }
}

std::int64_t TOdbcState::ReserveKey(const std::string& table, const std::string& column,
                                    const char* source) {
    if (!connection_) zalvert::engine::Fail(*engine_, TDaoErr::ObjectClosed, source);
    TKeyReserve& reserve = reserves_[table + "." + column];
    // Rows being sent need not go first, but the connection must be free.
    if (reserve.Empty()) batch_.Settle();
    try {
        return reserve.Next(*connection_, table, column);
    } catch (const EOdbc& e) {
        Fail(e, source);
    }
}

void TOdbcState::DropQueued() {
    batch_.Drop();
}

void TOdbcState::Close() {
    batch_.Drop();
    connection_.reset();
}

void TOdbcState::Fail(const EOdbc& error, const char* source) {
    if (error.UniqueViolation()) zalvert::engine::Fail(*engine_, TDaoErr::DuplicateKey, source);
    if (error.Locked()) zalvert::engine::Fail(*engine_, TDaoErr::Locked, source, error.Message);
    zalvert::engine::Fail(*engine_, TDaoErr::OdbcCallFailed, source,
                          "[" + error.State + "] " + error.Message);
}

std::vector<std::string> TOdbcState::TableNames(bool views) {
    std::vector<std::string> names;
    try {
        TOdbcStatement stmt(Connection(kSource));
        std::string types = views ? "VIEW" : "TABLE";
        stmt.CatalogCall(
            SQLTables(stmt.Handle(), nullptr, 0, nullptr, 0, nullptr, 0, Text(types), SQL_NTS));
        while (stmt.Fetch()) names.push_back(Str(stmt.Get(2)));
    } catch (const EOdbc& e) {
        Fail(e, kSource);
    }
    return names;
}

const TTableInfo* TOdbcState::Table(std::string_view name) {
    const std::string key = AsciiLowerCase(name);
    auto it = tables_.find(key);
    if (it == tables_.end()) {
        std::optional<TTableInfo> info;
        // A table first; only a name no table has is looked for among the views.
        for (bool view : {false, true}) {
            for (const std::string& table : TableNames(view))
                if (table == key) info = Load(table, view);
            if (info) break;
        }
        it = tables_.emplace(key, std::move(info)).first;
    }
    return it->second ? &*it->second : nullptr;
}

TTableInfo TOdbcState::Load(const std::string& name, bool view) {
    TTableInfo info;
    info.Name = name;
    info.View = view;
    std::string table = name;
    try {
        TOdbcStatement stmt(Connection(kSource));
        stmt.CatalogCall(
            SQLColumns(stmt.Handle(), nullptr, 0, nullptr, 0, Text(table), SQL_NTS, nullptr, 0));
        while (stmt.Fetch()) {
            TColumnInfo column;
            column.Name = Str(stmt.Get(3));
            const auto sqlType = static_cast<SQLSMALLINT>(stmt.Get(4).AsInteger());
            const Variant size = stmt.Get(6), digits = stmt.Get(8);
            column.Type =
                TypeInfoOf(sqlType, size.IsNull() ? 0 : static_cast<SQLULEN>(size.AsInteger()),
                           digits.IsNull() ? 0 : static_cast<SQLSMALLINT>(digits.AsInteger()));
            column.Required = stmt.Get(10).AsInteger() == SQL_NO_NULLS;
            column.DefaultValue = Str(stmt.Get(12));
            column.AutoIncrement = column.DefaultValue.starts_with("nextval(");
            if (column.AutoIncrement) column.DefaultValue.clear();
            info.Columns.push_back(std::move(column));
        }
        stmt.CloseCursor();
        stmt.CatalogCall(SQLStatistics(stmt.Handle(), nullptr, 0, nullptr, 0, Text(table), SQL_NTS,
                                       SQL_INDEX_ALL, SQL_QUICK));
        while (stmt.Fetch()) {
            if (stmt.Get(6).AsInteger() == SQL_TABLE_STAT) continue;
            const std::string index = IndexNameOnTable(name, Str(stmt.Get(5)));
            if (info.Indexes.empty() || info.Indexes.back().Name != index) {
                info.Indexes.push_back({index, false, stmt.Get(3).AsInteger() == 0, {}});
            }
            info.Indexes.back().Columns.push_back({Str(stmt.Get(8)), Str(stmt.Get(9)) == "D"});
        }
        stmt.CloseCursor();
        stmt.CatalogCall(
            SQLPrimaryKeys(stmt.Handle(), nullptr, 0, nullptr, 0, Text(table), SQL_NTS));
        std::vector<std::string> key;
        std::string keyName;
        while (stmt.Fetch()) {
            key.push_back(Str(stmt.Get(3)));
            keyName = IndexNameOnTable(name, Str(stmt.Get(5)));
        }
        bool marked = false;
        for (auto& index : info.Indexes)
            if (SameName(index.Name, keyName)) marked = index.Primary = true;
        // A key the driver lists no index for still names the table's rows.
        if (!marked && !key.empty()) {
            TIndexInfo primary{keyName, true, true, {}};
            for (std::string& column : key) primary.Columns.push_back({std::move(column), false});
            info.Indexes.push_back(std::move(primary));
        }
    } catch (const EOdbc& e) {
        Fail(e, kSource);
    }
    return info;
}

}  // namespace zalvert::engine::odbc
