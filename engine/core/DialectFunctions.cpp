#include "engine/core/DialectFunctions.h"

#include "rtl/Utf8.h"

namespace zalvert::engine {
namespace {

constexpr TDialectFunction kFunctions[] = {
    {"LCASE", "zi_lower", "LOWER", 1, 1, false},
    {"UCASE", "zi_upper", "UPPER", 1, 1, false},
    {"UCASE$", "zi_upper", "UPPER", 1, 1, false},
    {"LEN", "zi_len", "LENGTH", 1, 1, false},
    {"LEFT", "zi_left", "LEFT", 2, 2, false},
    {"RIGHT", "zi_right", "RIGHT", 2, 2, false},
    {"MID", "zi_mid", "SUBSTR", 2, 3, false},
    {"TRIM", "zi_trim", "TRIM", 1, 1, false},
    {"LTRIM", "zi_ltrim", "LTRIM", 1, 1, false},
    {"RTRIM", "zi_rtrim", "RTRIM", 1, 1, false},
    {"NZ", "zi_nz", "COALESCE", 1, 2, false},
    {"IIF", "zi_iif", nullptr, 3, 3, false},
    {"NOW", "zi_now", "NOW", 0, 0, false},
    // Date() is CURRENT_DATE on the server, a value without parentheses.
    {"DATE", "zi_date", "CURRENT_DATE", 0, 0, false},
    {"TIME", "zi_time", nullptr, 0, 0, false},
    {"YEAR", "zi_year", nullptr, 1, 1, false},
    {"MONTH", "zi_month", nullptr, 1, 1, false},
    {"DAY", "zi_day", nullptr, 1, 1, false},
    {"HOUR", "zi_hour", nullptr, 1, 1, false},
    {"MINUTE", "zi_minute", nullptr, 1, 1, false},
    {"SECOND", "zi_second", nullptr, 1, 1, false},
    {"ABS", "abs", "ABS", 1, 1, false},
    // The server's STRPOS takes its arguments the other way round and no start.
    {"INSTR", "zi_instr", nullptr, 2, 3, false},
    {"ISNULL", "zi_isnull", nullptr, 1, 1, false},
    {"COUNT", "count", "COUNT", 1, 1, true},
    {"SUM", "sum", "SUM", 1, 1, true},
    {"AVG", "avg", "AVG", 1, 1, true},
    {"MIN", "min", "MIN", 1, 1, true},
    {"MAX", "max", "MAX", 1, 1, true},
};

}  // namespace

const TDialectFunction* FindDialectFunction(std::string_view name) {
    const std::string upper = AsciiUpperCase(std::string(name));
    for (const TDialectFunction& f : kFunctions)
        if (upper == f.Name) return &f;
    return nullptr;
}

}  // namespace zalvert::engine
