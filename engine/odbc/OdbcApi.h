#pragma once
// Thin RAII over the ODBC driver manager's handles: an environment, a connection
// and its statements, with values crossing as Variant and every failure turned
// into EOdbc with the driver's SQLSTATE and message.

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/core/Metadata.h"
#include "rtl/Variant.h"

namespace zalvert::engine::odbc {

struct EOdbc {
    std::string State;    // SQLSTATE, such as "23505"
    std::string Message;  // the driver's own text
    // Another session holds a lock this statement waited for or would wait for.
    bool Locked() const;
    bool UniqueViolation() const { return State == "23505"; }
    bool NotNullViolation() const { return State == "23502"; }
};

// One result column as the driver describes it.
struct TOdbcColumn {
    std::string Name;
    SQLSMALLINT SqlType = 0;
    SQLULEN Size = 0;
    SQLSMALLINT Digits = 0;
    bool Nullable = true;
    bool AutoIncrement = false;
};

class TOdbcConnection;

class TOdbcStatement {
  public:
    explicit TOdbcStatement(TOdbcConnection& connection);
    ~TOdbcStatement();
    TOdbcStatement(const TOdbcStatement&) = delete;
    TOdbcStatement& operator=(const TOdbcStatement&) = delete;

    void Prepare(const std::string& sql);
    // Binds ? markers in order; the values are copied. Parameters whose kind and
    // buffer stay the same are not bound again.
    void Bind(const std::vector<Variant>& values);
    void Bind(const Variant* values, size_t count);
    void Execute();
    void ExecDirect(const std::string& sql) {
        Prepare(sql);
        Execute();
    }
    long long RowsAffected();
    const std::vector<TOdbcColumn>& Columns();
    bool Fetch();
    // The next block of the first column's whole numbers (nulls left out); false
    // at the end. The statement reads a block of rows at a time from then on.
    bool FetchNumbers(std::vector<std::int64_t>& block);
    Variant Get(size_t column);
    void CloseCursor();
    // The result of a catalogue function called on Handle().
    void CatalogCall(SQLRETURN rc) {
        described_ = false;
        Check(rc);
    }
    SQLHSTMT Handle() const { return handle_; }

  private:
    void Check(SQLRETURN rc) const;
    void BindOne(SQLUSMALLINT number, const Variant& value);

    TOdbcConnection& connection_;
    // Expires with the connection, which frees its statements as it goes.
    std::weak_ptr<void> alive_;
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
    std::vector<TOdbcColumn> columns_;
    bool described_ = false;
    // Bound parameter buffers, kept for the next run.
    struct TBound;
    std::vector<std::unique_ptr<TBound>> bound_;
};

class TOdbcConnection {
  public:
    // `connect` is an ODBC connection string ("DSN=...;UID=...").
    explicit TOdbcConnection(const std::string& connect);
    ~TOdbcConnection();
    TOdbcConnection(const TOdbcConnection&) = delete;
    TOdbcConnection& operator=(const TOdbcConnection&) = delete;

    void Exec(const std::string& sql);
    void SetAutoCommit(bool on);
    void EndTransaction(bool commit);
    std::string DbmsName();
    SQLHDBC Handle() const { return handle_; }
    void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) const;
    std::weak_ptr<void> Alive() const { return alive_; }
    // Held while another thread uses the connection; statements going meanwhile
    // wait for it. Everything else waits for that thread before it begins.
    std::mutex& Busy() { return busy_; }

  private:
    std::shared_ptr<void> alive_ = std::make_shared<int>(0);
    std::mutex busy_;
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC handle_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

// "-12.3400": a currency as the server's NUMERIC(19,4) reads it.
std::string CurrencyText(TCurrency value);

// The DAO field type of a column the driver describes.
int DaoTypeOf(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits);
// The same with its size (a text's length, none for other types) and length class.
TTypeInfo TypeInfoOf(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits);

}  // namespace zalvert::engine::odbc
