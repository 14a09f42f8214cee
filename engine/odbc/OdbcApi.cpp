#include "engine/odbc/OdbcApi.h"

#include <charconv>
#include <cstring>

#include "engine/DaoConstants.h"

namespace zalvert::engine::odbc {
namespace {

constexpr SQLLEN kChunk = 4096;

EOdbc Diagnose(SQLSMALLINT type, SQLHANDLE handle, const std::string& fallback) {
    EOdbc error;
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[1024];
    for (SQLSMALLINT record = 1;; ++record) {
        SQLSMALLINT length = 0;
        const SQLRETURN rc =
            SQLGetDiagRec(type, handle, record, state, &native, text, sizeof text, &length);
        if (!SQL_SUCCEEDED(rc)) break;
        if (record == 1) error.State = reinterpret_cast<const char*>(state);
        if (!error.Message.empty()) error.Message += " ";
        error.Message +=
            std::string(reinterpret_cast<const char*>(text),
                        std::min<size_t>(static_cast<size_t>(length), sizeof text - 1));
    }
    if (error.Message.empty()) error.Message = fallback;
    // The driver ends its texts with a line break.
    while (!error.Message.empty() && (error.Message.back() == '\n' || error.Message.back() == ' '))
        error.Message.pop_back();
    return error;
}

SQL_TIMESTAMP_STRUCT ToTimestamp(TDateTime value) {
    SQL_TIMESTAMP_STRUCT ts{};
    const auto split = SplitDateTime(value);
    if (!split) return ts;
    const TDateParts date = DecodeDate(static_cast<TDateTime>(split->Day));
    ts.year = static_cast<SQLSMALLINT>(date.Year);
    ts.month = static_cast<SQLUSMALLINT>(date.Month);
    ts.day = static_cast<SQLUSMALLINT>(date.Day);
    long ms = split->Millisecond;
    ts.hour = static_cast<SQLUSMALLINT>(ms / 3600000);
    ms %= 3600000;
    ts.minute = static_cast<SQLUSMALLINT>(ms / 60000);
    ms %= 60000;
    ts.second = static_cast<SQLUSMALLINT>(ms / 1000);
    ts.fraction = static_cast<SQLUINTEGER>(ms % 1000) * 1000000u;
    return ts;
}

TDateTime FromTimestamp(const SQL_TIMESTAMP_STRUCT& ts) {
    const TDateTime day = EncodeDate(ts.year, ts.month, ts.day);
    const TDateTime time =
        EncodeTime(ts.hour, ts.minute, ts.second, static_cast<int>(ts.fraction / 1000000u));
    return JoinDateTime({static_cast<long>(day), static_cast<long>(time * 86400000.0 + 0.5)});
}

// "123.4500" as ten-thousandths, exactly.
std::optional<TCurrency> ParseCurrency(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const size_t dot = text.find('.');
    std::string digits(text.substr(0, dot));
    std::string fraction = dot == std::string_view::npos ? "" : std::string(text.substr(dot + 1));
    if (fraction.size() > 4) return std::nullopt;
    fraction.append(4 - fraction.size(), '0');
    std::int64_t scaled = 0;
    const std::string all = digits + fraction;
    const auto [end, ec] = std::from_chars(all.data(), all.data() + all.size(), scaled);
    if (ec != std::errc() || end != all.data() + all.size()) return std::nullopt;
    return TCurrency{negative ? -scaled : scaled};
}

bool IsCurrency(const TOdbcColumn& c) {
    return (c.SqlType == SQL_NUMERIC || c.SqlType == SQL_DECIMAL) && c.Digits == 4 && c.Size == 19;
}

}  // namespace

std::string CurrencyText(TCurrency value) {
    const bool negative = value.Scaled < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value.Scaled)
                                             : static_cast<std::uint64_t>(value.Scaled);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

bool EOdbc::Locked() const {
    // lock_not_available, deadlock, serialization failure, and the generic time-out.
    return State == "55P03" || State == "40P01" || State == "40001" || State == "HYT00";
}

TTypeInfo TypeInfoOf(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits) {
    const int type = DaoTypeOf(sqlType, size, digits);
    return {type, type == dbText ? static_cast<int>(size) : 0, !IsVariableLength(type)};
}

int DaoTypeOf(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits) {
    switch (sqlType) {
        case SQL_BIT:
            return dbBoolean;
        case SQL_TINYINT:
            return dbByte;
        case SQL_SMALLINT:
            return dbInteger;
        case SQL_INTEGER:
            return dbLong;
        case SQL_BIGINT:
            return dbBigInt;
        case SQL_REAL:
            return dbSingle;
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return dbDouble;
        case SQL_NUMERIC:
        case SQL_DECIMAL:
            return digits == 4 && size == 19 ? dbCurrency : dbDouble;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATETIME:
            return dbDate;
        case SQL_GUID:
            return dbGUID;
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
            return size > 0 && size <= 255 ? dbText : dbMemo;
        case SQL_LONGVARCHAR:
        case SQL_WLONGVARCHAR:
            return dbMemo;
        case SQL_BINARY:
        case SQL_VARBINARY:
            return size > 0 && size <= 255 ? dbBinary : dbLongBinary;
        case SQL_LONGVARBINARY:
            return dbLongBinary;
        default:
            return dbText;
    }
}

// --- connection ---------------------------------------------------------------------

TOdbcConnection::TOdbcConnection(const std::string& connect) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
        throw EOdbc{"HY001", "Der ODBC-Treibermanager kann nicht verwendet werden."};
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    Check(SQLAllocHandle(SQL_HANDLE_DBC, env_, &handle_), SQL_HANDLE_ENV, env_);
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    std::string text = connect;
    Check(SQLDriverConnect(handle_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                           static_cast<SQLSMALLINT>(text.size()), out, sizeof out, &outLength,
                           SQL_DRIVER_NOPROMPT),
          SQL_HANDLE_DBC, handle_);
    connected_ = true;
}

TOdbcConnection::~TOdbcConnection() {
    alive_.reset();
    if (connected_) {
        SQLEndTran(SQL_HANDLE_DBC, handle_, SQL_ROLLBACK);
        SQLDisconnect(handle_);
    }
    if (handle_ != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, handle_);
    if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void TOdbcConnection::Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) const {
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
    throw Diagnose(type, handle, "ODBC-Aufruf fehlgeschlagen");
}

void TOdbcConnection::Exec(const std::string& sql) {
    TOdbcStatement stmt(*this);
    stmt.ExecDirect(sql);
}

void TOdbcConnection::SetAutoCommit(bool on) {
    Check(SQLSetConnectAttr(
              handle_, SQL_ATTR_AUTOCOMMIT,
              reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, handle_);
}

void TOdbcConnection::EndTransaction(bool commit) {
    Check(SQLEndTran(SQL_HANDLE_DBC, handle_, commit ? SQL_COMMIT : SQL_ROLLBACK), SQL_HANDLE_DBC,
          handle_);
}

std::string TOdbcConnection::DbmsName() {
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    Check(SQLGetInfo(handle_, SQL_DBMS_NAME, name, sizeof name, &length), SQL_HANDLE_DBC, handle_);
    return reinterpret_cast<const char*>(name);
}

// --- statement ----------------------------------------------------------------------

struct TOdbcStatement::TBound {
    std::string Text;
    TBytes Bytes;
    std::int64_t Integer = 0;
    double Real = 0;
    unsigned char Bit = 0;
    SQL_TIMESTAMP_STRUCT Timestamp{};
    SQLLEN Indicator = 0;
    // As handed to the driver last: a value of the same kind that fits the same
    // buffer needs no new binding, since the driver reads buffers when it executes.
    SQLSMALLINT CType = 0, SqlType = 0, Digits = 0;
    SQLULEN Size = 0;
    SQLPOINTER Data = nullptr;
    SQLLEN BufferLength = 0;
};

TOdbcStatement::TOdbcStatement(TOdbcConnection& connection)
    : connection_(connection), alive_(connection.Alive()) {
    connection_.Check(SQLAllocHandle(SQL_HANDLE_STMT, connection_.Handle(), &handle_),
                      SQL_HANDLE_DBC, connection_.Handle());
}

TOdbcStatement::~TOdbcStatement() {
    if (handle_ == SQL_NULL_HSTMT || alive_.expired()) return;
    // A statement may go while rows are sent on another thread.
    const std::lock_guard lock(connection_.Busy());
    SQLFreeHandle(SQL_HANDLE_STMT, handle_);
}

void TOdbcStatement::Check(SQLRETURN rc) const {
    connection_.Check(rc, SQL_HANDLE_STMT, handle_);
}

void TOdbcStatement::Prepare(const std::string& sql) {
    SQLFreeStmt(handle_, SQL_CLOSE);
    SQLFreeStmt(handle_, SQL_RESET_PARAMS);
    bound_.clear();
    described_ = false;
    columns_.clear();
    std::string text = sql;
    Check(SQLPrepare(handle_, reinterpret_cast<SQLCHAR*>(text.data()),
                     static_cast<SQLINTEGER>(text.size())));
}

void TOdbcStatement::Bind(const std::vector<Variant>& values) {
    Bind(values.data(), values.size());
}

void TOdbcStatement::Bind(const Variant* values, size_t count) {
    SQLFreeStmt(handle_, SQL_CLOSE);
    if (count != bound_.size()) {
        SQLFreeStmt(handle_, SQL_RESET_PARAMS);
        bound_.clear();
        bound_.reserve(count);
        for (size_t i = 0; i < count; ++i) bound_.push_back(std::make_unique<TBound>());
    }
    for (size_t i = 0; i < count; ++i) BindOne(static_cast<SQLUSMALLINT>(i + 1), values[i]);
}

void TOdbcStatement::BindOne(SQLUSMALLINT number, const Variant& value) {
    TBound& b = *bound_[number - 1];
    SQLSMALLINT cType = SQL_C_CHAR, sqlType = SQL_VARCHAR, digits = 0;
    SQLULEN size = 0;
    SQLPOINTER data = nullptr;
    b.Indicator = 0;
    switch (value.Type()) {
        case TVarType::Empty:
        case TVarType::Null:
            b.Indicator = SQL_NULL_DATA;
            size = 1;
            break;
        case TVarType::Boolean:
            b.Bit = value.AsBoolean() ? 1 : 0;
            cType = SQL_C_BIT, sqlType = SQL_BIT, data = &b.Bit;
            break;
        case TVarType::Integer:
        case TVarType::Int64:
            b.Integer = value.AsInt64();
            cType = SQL_C_SBIGINT, sqlType = SQL_BIGINT, data = &b.Integer;
            break;
        case TVarType::Double:
            b.Real = value.AsDouble();
            cType = SQL_C_DOUBLE, sqlType = SQL_DOUBLE, data = &b.Real;
            break;
        case TVarType::Currency:
            b.Text = CurrencyText(value.AsCurrency());
            sqlType = SQL_DECIMAL, size = 19, digits = 4;
            break;
        case TVarType::Date:
            b.Timestamp = ToTimestamp(value.AsDateTime());
            cType = SQL_C_TYPE_TIMESTAMP, sqlType = SQL_TYPE_TIMESTAMP, size = 23;
            digits = 3, data = &b.Timestamp;
            break;
        case TVarType::Bytes:
            b.Bytes = value.AsBytes();
            cType = SQL_C_BINARY, sqlType = SQL_LONGVARBINARY;
            break;
        case TVarType::String:
            b.Text.assign(value.StringValue());
            sqlType = b.Text.size() > 255 ? SQL_LONGVARCHAR : SQL_VARCHAR;
            break;
        default:
            b.Text = value.AsString();
            sqlType = b.Text.size() > 255 ? SQL_LONGVARCHAR : SQL_VARCHAR;
            break;
    }
    SQLLEN bufferLength = 0;
    if (b.Indicator != SQL_NULL_DATA && data == nullptr) {
        const bool bytes = cType == SQL_C_BINARY;
        // A zero-length buffer pointer may be null; the driver wants an address.
        static char empty = 0;
        const size_t length = bytes ? b.Bytes.size() : b.Text.size();
        const size_t capacity = bytes ? b.Bytes.capacity() : b.Text.capacity();
        data = bytes ? (capacity == 0 ? static_cast<SQLPOINTER>(&empty)
                                      : static_cast<SQLPOINTER>(b.Bytes.data()))
                     : static_cast<SQLPOINTER>(b.Text.data());
        b.Indicator = static_cast<SQLLEN>(length);
        bufferLength = static_cast<SQLLEN>(capacity);
        // The declared size covers what the buffer can hold, so that a shorter
        // value in the same buffer keeps the binding.
        if (size == 0) size = std::max<size_t>(capacity, 1);
    }
    if (b.CType == cType && b.SqlType == sqlType && b.Digits == digits && b.Size == size &&
        b.Data == data && b.BufferLength == bufferLength)
        return;
    Check(SQLBindParameter(handle_, number, SQL_PARAM_INPUT, cType, sqlType, size, digits, data,
                           bufferLength, &b.Indicator));
    b.CType = cType, b.SqlType = sqlType, b.Digits = digits;
    b.Size = size, b.Data = data, b.BufferLength = bufferLength;
}

void TOdbcStatement::Execute() {
    SQLFreeStmt(handle_, SQL_CLOSE);
    const SQLRETURN rc = SQLExecute(handle_);
    if (rc != SQL_NO_DATA) Check(rc);
    described_ = false;
}

long long TOdbcStatement::RowsAffected() {
    SQLLEN rows = 0;
    Check(SQLRowCount(handle_, &rows));
    return rows < 0 ? 0 : rows;
}

const std::vector<TOdbcColumn>& TOdbcStatement::Columns() {
    if (described_) return columns_;
    columns_.clear();
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(handle_, &count));
    for (SQLUSMALLINT i = 1; i <= count; ++i) {
        SQLCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, nullable = 0;
        TOdbcColumn column;
        Check(SQLDescribeCol(handle_, i, name, sizeof name, &nameLength, &column.SqlType,
                             &column.Size, &column.Digits, &nullable));
        column.Name = reinterpret_cast<const char*>(name);
        column.Nullable = nullable != SQL_NO_NULLS;
        SQLLEN autoUnique = 0;
        if (SQL_SUCCEEDED(SQLColAttribute(handle_, i, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0,
                                          nullptr, &autoUnique)))
            column.AutoIncrement = autoUnique == SQL_TRUE;
        columns_.push_back(std::move(column));
    }
    described_ = true;
    return columns_;
}

bool TOdbcStatement::Fetch() {
    const SQLRETURN rc = SQLFetch(handle_);
    if (rc == SQL_NO_DATA) return false;
    Check(rc);
    return true;
}

bool TOdbcStatement::FetchNumbers(std::vector<std::int64_t>& block) {
    constexpr SQLULEN kBlock = 4096;
    std::vector<SQLBIGINT> values(kBlock);
    std::vector<SQLLEN> indicators(kBlock);
    SQLULEN fetched = 0;
    Check(
        SQLSetStmtAttr(handle_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kBlock), 0));
    Check(SQLSetStmtAttr(handle_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0));
    Check(
        SQLBindCol(handle_, 1, SQL_C_SBIGINT, values.data(), sizeof(SQLBIGINT), indicators.data()));
    const SQLRETURN rc = SQLFetch(handle_);
    SQLFreeStmt(handle_, SQL_UNBIND);
    SQLSetStmtAttr(handle_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
    SQLSetStmtAttr(handle_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
    block.clear();
    if (rc == SQL_NO_DATA) return false;
    Check(rc);
    for (SQLULEN i = 0; i < fetched; ++i)
        if (indicators[i] != SQL_NULL_DATA) block.push_back(values[i]);
    return fetched > 0;
}

Variant TOdbcStatement::Get(size_t index) {
    const TOdbcColumn& column = Columns()[index];
    const auto number = static_cast<SQLUSMALLINT>(index + 1);
    SQLLEN indicator = 0;
    switch (DaoTypeOf(column.SqlType, column.Size, column.Digits)) {
        case dbBoolean: {
            unsigned char bit = 0;
            Check(SQLGetData(handle_, number, SQL_C_BIT, &bit, sizeof bit, &indicator));
            return indicator == SQL_NULL_DATA ? Variant::Null() : Variant(bit != 0);
        }
        case dbByte:
        case dbInteger:
        case dbLong: {
            SQLINTEGER value = 0;
            Check(SQLGetData(handle_, number, SQL_C_SLONG, &value, sizeof value, &indicator));
            return indicator == SQL_NULL_DATA ? Variant::Null() : Variant(static_cast<int>(value));
        }
        case dbBigInt: {
            SQLBIGINT value = 0;
            Check(SQLGetData(handle_, number, SQL_C_SBIGINT, &value, sizeof value, &indicator));
            return indicator == SQL_NULL_DATA ? Variant::Null()
                                              : Variant(static_cast<std::int64_t>(value));
        }
        case dbSingle:
        case dbDouble:
            if (!IsCurrency(column) && column.SqlType != SQL_NUMERIC &&
                column.SqlType != SQL_DECIMAL) {
                double value = 0;
                Check(SQLGetData(handle_, number, SQL_C_DOUBLE, &value, sizeof value, &indicator));
                return indicator == SQL_NULL_DATA ? Variant::Null() : Variant(value);
            }
            [[fallthrough]];
        case dbCurrency: {
            char text[64] = {};
            Check(SQLGetData(handle_, number, SQL_C_CHAR, text, sizeof text, &indicator));
            if (indicator == SQL_NULL_DATA) return Variant::Null();
            if (IsCurrency(column))
                if (const auto value = ParseCurrency(text)) return Variant(*value);
            return Variant(std::strtod(text, nullptr));
        }
        case dbDate: {
            SQL_TIMESTAMP_STRUCT ts{};
            Check(SQLGetData(handle_, number, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator));
            return indicator == SQL_NULL_DATA ? Variant::Null()
                                              : Variant::FromDate(FromTimestamp(ts));
        }
        default:
            break;
    }
    const bool binary = column.SqlType == SQL_BINARY || column.SqlType == SQL_VARBINARY ||
                        column.SqlType == SQL_LONGVARBINARY;
    // Texts and bytes in pieces: a memo has no size limit.
    std::string data;
    char chunk[kChunk];
    for (;;) {
        const SQLRETURN rc = SQLGetData(handle_, number, binary ? SQL_C_BINARY : SQL_C_CHAR, chunk,
                                        sizeof chunk, &indicator);
        if (rc == SQL_NO_DATA) break;
        Check(rc);
        if (indicator == SQL_NULL_DATA) return Variant::Null();
        const size_t room = binary ? sizeof chunk : sizeof chunk - 1;
        const size_t got = indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) > room
                               ? room
                               : static_cast<size_t>(indicator);
        data.append(chunk, got);
        if (rc == SQL_SUCCESS) break;
    }
    if (binary) return Variant(TBytes(data.begin(), data.end()));
    if (column.SqlType == SQL_GUID) {
        for (char& c : data) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return Variant("{" + data + "}");
    }
    return Variant(std::move(data));
}

void TOdbcStatement::CloseCursor() {
    SQLFreeStmt(handle_, SQL_CLOSE);
}

}  // namespace zalvert::engine::odbc
