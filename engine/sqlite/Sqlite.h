#pragma once
// Thin RAII wrappers over the SQLite C interface; private to the engine.

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "rtl/Variant.h"

namespace zalvert::engine {

// A failed SQLite call: its extended result code, message and the database file.
class ESqlite : public std::runtime_error {
  public:
    ESqlite(int code, const std::string& message, std::string file = {})
        : std::runtime_error(message), code_(code), file_(std::move(file)) {}
    // The last error of `db`, naming its file.
    static ESqlite LastError(sqlite3* db);
    int Code() const { return code_; }
    int PrimaryCode() const { return code_ & 0xFF; }
    const std::string& File() const { return file_; }

  private:
    int code_;
    std::string file_;
};

class TSqliteConnection {
  public:
    // `vfs` names the file layer; SQLite's default where none.
    TSqliteConnection(const std::string& path, int flags, const char* vfs = nullptr);
    ~TSqliteConnection();
    TSqliteConnection(const TSqliteConnection&) = delete;
    TSqliteConnection& operator=(const TSqliteConnection&) = delete;

    sqlite3* Handle() const { return db_; }
    void Exec(const std::string& sql);
    std::int64_t Changes() const { return sqlite3_changes64(db_); }
    std::int64_t LastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }
    bool InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

  private:
    sqlite3* db_ = nullptr;
};

class TStatement {
  public:
    TStatement(const TSqliteConnection& connection, std::string_view sql);
    ~TStatement();
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    // Values as stored: integers, reals, UTF-8 text, blobs, NULL.
    void Bind(int index, const Variant& value);
    // As Bind, without copying texts and bytes: `value` must stay as it is until the
    // statement has been stepped and reset, and every parameter is bound anew
    // before the next step.
    void BindKept(int index, const Variant& value);
    void BindInt64(int index, std::int64_t value);
    void BindNull(int index);
    void BindDouble(int index, double value);
    // As BindKept, for a text or bytes held elsewhere.
    void BindTextKept(int index, std::string_view text);
    void BindBlobKept(int index, const void* data, size_t size);
    bool Step();   // true while a row is there
    void Reset();  // keeps the bindings
    // Steps a write whose values were bound with BindKept, then resets the statement
    // and lets go of its bindings, also when the step fails: a large value is written
    // without a copy, and nothing points at it afterwards.
    void StepKept();

    int ColumnCount() const { return sqlite3_column_count(stmt_); }
    Variant Column(int index) const;
    std::int64_t ColumnInt64(int index) const { return sqlite3_column_int64(stmt_, index); }
    bool ColumnIsNull(int index) const { return sqlite3_column_type(stmt_, index) == SQLITE_NULL; }
    std::string ColumnText(int index) const;
    // The text of a column without a copy, valid until the next step.
    std::string_view ColumnView(int index) const;
    int ColumnType(int index) const { return sqlite3_column_type(stmt_, index); }
    // A column's value as SQLite holds it, read through the value calls below. They
    // take no lock: only whoever holds the connection's lock (ConnectionLock) may
    // use it, until the next step.
    sqlite3_value* ColumnValue(int index) const { return sqlite3_column_value(stmt_, index); }
    static std::string_view ValueView(sqlite3_value* value);
    double ColumnDouble(int index) const { return sqlite3_column_double(stmt_, index); }
    std::string ColumnName(int index) const;
    // The table and column a result column comes from; empty for expressions.
    std::string ColumnTableName(int index) const;
    std::string ColumnOriginName(int index) const;
    std::string ColumnDeclType(int index) const;
    bool ReadOnly() const { return sqlite3_stmt_readonly(stmt_) != 0; }
    // The lock every call on the connection takes; whoever holds it takes it again
    // almost for free.
    sqlite3_mutex* ConnectionLock() const { return sqlite3_db_mutex(db_); }

  private:
    void BindWith(int index, const Variant& value, sqlite3_destructor_type keep);
    void CheckBound(int rc) const;

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Quotes an identifier for SQLite: "name" with inner quotes doubled.
std::string QuoteIdentifier(std::string_view name);
// Quotes a text literal: 'text' with inner quotes doubled.
std::string QuoteLiteral(std::string_view text);

}  // namespace zalvert::engine
