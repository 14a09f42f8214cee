#include "engine/core/DialectTypes.h"

#include "engine/DaoConstants.h"

namespace zalvert::engine {
namespace {

constexpr TDialectType kTypes[] = {
    {"COUNTER", {dbLong, 4, true}, "SERIAL"},
    {"AUTOINCREMENT", {dbLong, 4, true}, "SERIAL"},
    {"LONG", {dbLong, 4, true}, "INTEGER"},
    {"INTEGER", {dbLong, 4, true}, "INTEGER"},
    {"INT", {dbLong, 4, true}, "INTEGER"},
    {"SHORT", {dbInteger, 2, true}, "SMALLINT"},
    {"SMALLINT", {dbInteger, 2, true}, "SMALLINT"},
    {"BYTE", {dbByte, 1, true}, "SMALLINT"},
    {"TINYINT", {dbByte, 1, true}, "SMALLINT"},
    {"BIT", {dbBoolean, 1, true}, "BOOLEAN"},
    {"YESNO", {dbBoolean, 1, true}, "BOOLEAN"},
    {"LOGICAL", {dbBoolean, 1, true}, "BOOLEAN"},
    {"BOOLEAN", {dbBoolean, 1, true}, "BOOLEAN"},
    {"CURRENCY", {dbCurrency, 8, true}, "NUMERIC(19,4)"},
    {"MONEY", {dbCurrency, 8, true}, "NUMERIC(19,4)"},
    {"SINGLE", {dbSingle, 4, true}, "REAL"},
    {"DOUBLE", {dbDouble, 8, true}, "DOUBLE PRECISION"},
    {"FLOAT", {dbDouble, 8, true}, "DOUBLE PRECISION"},
    {"REAL", {dbDouble, 8, true}, "DOUBLE PRECISION"},
    // A time alone is that time on the day zero, as the file stores it.
    {"DATETIME", {dbDate, 8, true}, "TIMESTAMP"},
    {"DATE", {dbDate, 8, true}, "TIMESTAMP"},
    {"TIME", {dbDate, 8, true}, "TIMESTAMP"},
    {"TEXT", {dbText, 255, false}, "VARCHAR"},
    {"VARCHAR", {dbText, 255, false}, "VARCHAR"},
    {"CHAR", {dbText, 255, true}, "CHAR"},
    {"MEMO", {dbMemo, 0, false}, "TEXT"},
    {"LONGTEXT", {dbMemo, 0, false}, "TEXT"},
    {"LONGBINARY", {dbLongBinary, 0, false}, "BYTEA"},
    {"BLOB", {dbLongBinary, 0, false}, "BYTEA"},
    {"OLEOBJECT", {dbLongBinary, 0, false}, "BYTEA"},
    {"BINARY", {dbBinary, 255, true}, "BYTEA"},
    {"GUID", {dbGUID, 16, true}, "UUID"},
    {"DECIMAL", {dbDecimal, 16, true}, "NUMERIC"},
    {"NUMERIC", {dbDecimal, 16, true}, "NUMERIC"},
    {"BIGINT", {dbBigInt, 8, true}, "BIGINT"},
};

}  // namespace

const TDialectType* FindDialectType(std::string_view upperName) {
    for (const TDialectType& type : kTypes)
        if (upperName == type.Name) return &type;
    return nullptr;
}

}  // namespace zalvert::engine
