#include "engine/sqlite/Sqlite.h"

namespace zalvert::engine {
namespace {

std::string Text(const char* text) {
    return text ? text : std::string();
}

}  // namespace

ESqlite ESqlite::LastError(sqlite3* db) {
    return ESqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db),
                   Text(sqlite3_db_filename(db, "main")));
}

TSqliteConnection::TSqliteConnection(const std::string& path, int flags, const char* vfs) {
    // Serialized: held rows are written on a second thread, and the program must not
    // depend on every other call waiting for it (a statement finalized meanwhile).
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_FULLMUTEX, vfs);
    if (rc != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        const int code = db_ ? sqlite3_extended_errcode(db_) : rc;
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw ESqlite(code, message, path);
    }
    sqlite3_extended_result_codes(db_, 1);
    // A double-quoted name that matches no column must fail, not turn into a text.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
}

TSqliteConnection::~TSqliteConnection() {
    sqlite3_close_v2(db_);
}

void TSqliteConnection::Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        ESqlite error = ESqlite::LastError(db_);
        if (message) error = ESqlite(error.Code(), message, error.File());
        sqlite3_free(message);
        throw error;
    }
}

TStatement::TStatement(const TSqliteConnection& connection, std::string_view sql)
    : db_(connection.Handle()) {
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK)
        throw ESqlite::LastError(db_);
    if (stmt_ == nullptr) throw ESqlite(SQLITE_MISUSE, "empty statement");
}

TStatement::~TStatement() {
    sqlite3_finalize(stmt_);
}

void TStatement::BindInt64(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
}

void TStatement::Bind(int index, const Variant& value) {
    BindWith(index, value, SQLITE_TRANSIENT);
}

void TStatement::BindKept(int index, const Variant& value) {
    BindWith(index, value, SQLITE_STATIC);
}

void TStatement::BindNull(int index) {
    CheckBound(sqlite3_bind_null(stmt_, index));
}

void TStatement::BindDouble(int index, double value) {
    CheckBound(sqlite3_bind_double(stmt_, index, value));
}

void TStatement::BindTextKept(int index, std::string_view text) {
    CheckBound(
        sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8));
}

void TStatement::BindBlobKept(int index, const void* data, size_t size) {
    CheckBound(sqlite3_bind_blob64(stmt_, index, data, size, SQLITE_STATIC));
}

void TStatement::BindWith(int index, const Variant& value, sqlite3_destructor_type keep) {
    int rc = SQLITE_OK;
    switch (value.Type()) {
        case TVarType::Empty:
        case TVarType::Null:
            rc = sqlite3_bind_null(stmt_, index);
            break;
        case TVarType::Boolean:
            rc = sqlite3_bind_int(stmt_, index, value.AsBoolean() ? 1 : 0);
            break;
        case TVarType::Integer:
        case TVarType::Int64:
            rc = sqlite3_bind_int64(stmt_, index, value.AsInt64());
            break;
        case TVarType::Double:
        case TVarType::Currency:
        case TVarType::Date:
            rc = sqlite3_bind_double(stmt_, index, value.AsDouble());
            break;
        case TVarType::String: {
            const std::string& text = value.StringValue();
            rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), keep, SQLITE_UTF8);
            break;
        }
        case TVarType::Bytes: {
            const TBytes& bytes = value.AsBytes();
            rc = sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), keep);
            break;
        }
        case TVarType::Array:
            throw ESqlite(SQLITE_MISMATCH, "array values cannot be stored");
    }
    CheckBound(rc);
}

void TStatement::CheckBound(int rc) const {
    if (rc != SQLITE_OK)
        throw ESqlite(rc, sqlite3_errmsg(db_), Text(sqlite3_db_filename(db_, "main")));
}

bool TStatement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    ESqlite error = ESqlite::LastError(db_);
    sqlite3_reset(stmt_);
    throw error;
}

// Bindings stay: every user binds all parameters anew, and values are copied in.
void TStatement::Reset() {
    sqlite3_reset(stmt_);
}

void TStatement::StepKept() {
    struct TLetGo {
        sqlite3_stmt* stmt;
        ~TLetGo() {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        }
    } letGo{stmt_};
    Step();
}

Variant TStatement::Column(int index) const {
    switch (sqlite3_column_type(stmt_, index)) {
        case SQLITE_INTEGER:
            return Variant(static_cast<std::int64_t>(sqlite3_column_int64(stmt_, index)));
        case SQLITE_FLOAT:
            return Variant(sqlite3_column_double(stmt_, index));
        case SQLITE_TEXT:
            return Variant(ColumnText(index));
        case SQLITE_BLOB: {
            const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, index));
            const int size = sqlite3_column_bytes(stmt_, index);
            return Variant(TBytes(data, data + size));
        }
        default:
            return Variant::Null();
    }
}

std::string TStatement::ColumnText(int index) const {
    const auto* text = sqlite3_column_text(stmt_, index);
    const int size = sqlite3_column_bytes(stmt_, index);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size))
                : std::string();
}

std::string_view TStatement::ColumnView(int index) const {
    const auto* text = sqlite3_column_text(stmt_, index);
    const int size = sqlite3_column_bytes(stmt_, index);
    return text ? std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(size))
                : std::string_view();
}

std::string_view TStatement::ValueView(sqlite3_value* value) {
    const auto* text = sqlite3_value_text(value);
    const int size = sqlite3_value_bytes(value);
    return text ? std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(size))
                : std::string_view();
}

std::string TStatement::ColumnName(int index) const {
    return Text(sqlite3_column_name(stmt_, index));
}
std::string TStatement::ColumnTableName(int index) const {
    return Text(sqlite3_column_table_name(stmt_, index));
}
std::string TStatement::ColumnOriginName(int index) const {
    return Text(sqlite3_column_origin_name(stmt_, index));
}
std::string TStatement::ColumnDeclType(int index) const {
    return Text(sqlite3_column_decltype(stmt_, index));
}

std::string QuoteIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

std::string QuoteLiteral(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'') quoted += '\'';
    }
    return quoted + "'";
}

}  // namespace zalvert::engine
