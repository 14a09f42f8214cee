#include "engine/sqlite/SqlArithmetic.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/core/StorageFormat.h"

namespace zalvert::engine {
namespace {

struct TOperand {
    enum class TKind { Null, Number, Date, Text } Kind = TKind::Null;
    double Value = 0;  // a number, or a date as days
    bool Integer = false;
    std::int64_t IntegerValue = 0;
    std::string_view Text;
};

std::string_view TextOf(sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value)))
                : std::string_view();
}

// A stored date-time is ISO text: "YYYY-MM-DD" and on.
bool LooksLikeDate(std::string_view text) {
    return text.size() >= 10 && text[4] == '-' && text[7] == '-';
}

TOperand Classify(sqlite3_value* value) {
    TOperand operand;
    switch (sqlite3_value_type(value)) {
        case SQLITE_NULL:
            return operand;
        case SQLITE_INTEGER:
            operand.Kind = TOperand::TKind::Number;
            operand.Integer = true;
            operand.IntegerValue = sqlite3_value_int64(value);
            operand.Value = static_cast<double>(operand.IntegerValue);
            return operand;
        case SQLITE_FLOAT:
            operand.Kind = TOperand::TKind::Number;
            operand.Value = sqlite3_value_double(value);
            return operand;
        default:
            break;
    }
    operand.Text = TextOf(value);
    if (LooksLikeDate(operand.Text)) {
        if (const auto date = StorageToDateTime(operand.Text)) {
            operand.Kind = TOperand::TKind::Date;
            operand.Value = *date;
            return operand;
        }
    }
    operand.Kind = TOperand::TKind::Text;
    // A text that is a number counts as one next to a number; any other is NaN.
    const std::string copy(operand.Text);
    char* end = nullptr;
    const double number = std::strtod(copy.c_str(), &end);
    const bool numeric =
        !copy.empty() && end == copy.c_str() + copy.size() && std::isfinite(number);
    operand.Value = numeric ? number : std::nan("");
    return operand;
}

void ResultNumber(sqlite3_context* ctx, double value) {
    if (!std::isfinite(value)) return sqlite3_result_error(ctx, "Overflow", -1);
    sqlite3_result_double(ctx, value);
}

void ResultDate(sqlite3_context* ctx, double days) {
    const std::string text = DateTimeToStorage(days);
    if (text.empty()) return sqlite3_result_error(ctx, "Overflow", -1);
    sqlite3_result_text64(ctx, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

bool IsNumber(const TOperand& o) {
    return o.Kind == TOperand::TKind::Number ||
           (o.Kind == TOperand::TKind::Text && !std::isnan(o.Value));
}

void Add(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    // Two texts are joined, as the dialect's users expect of +.
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        const TOperand a = Classify(argv[0]), b = Classify(argv[1]);
        if (a.Kind != TOperand::TKind::Date || b.Kind != TOperand::TKind::Date) {
            const std::string joined = std::string(TextOf(argv[0])) + std::string(TextOf(argv[1]));
            return sqlite3_result_text64(ctx, joined.data(), joined.size(), SQLITE_TRANSIENT,
                                         SQLITE_UTF8);
        }
        return ResultNumber(ctx, a.Value + b.Value);
    }
    const TOperand a = Classify(argv[0]), b = Classify(argv[1]);
    const bool aDate = a.Kind == TOperand::TKind::Date, bDate = b.Kind == TOperand::TKind::Date;
    if ((!aDate && !IsNumber(a)) || (!bDate && !IsNumber(b)))
        return sqlite3_result_error(ctx, "Type mismatch", -1);
    if (aDate != bDate) return ResultDate(ctx, a.Value + b.Value);
    std::int64_t sum = 0;
    if (a.Integer && b.Integer && !__builtin_add_overflow(a.IntegerValue, b.IntegerValue, &sum))
        return sqlite3_result_int64(ctx, sum);
    ResultNumber(ctx, a.Value + b.Value);
}

void Subtract(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const TOperand a = Classify(argv[0]), b = Classify(argv[1]);
    const bool aDate = a.Kind == TOperand::TKind::Date, bDate = b.Kind == TOperand::TKind::Date;
    if ((!aDate && !IsNumber(a)) || (!bDate && !IsNumber(b)))
        return sqlite3_result_error(ctx, "Type mismatch", -1);
    // A date less days is a date; two dates apart are a number of days.
    if (aDate && !bDate) return ResultDate(ctx, a.Value - b.Value);
    std::int64_t difference = 0;
    if (a.Integer && b.Integer &&
        !__builtin_sub_overflow(a.IntegerValue, b.IntegerValue, &difference))
        return sqlite3_result_int64(ctx, difference);
    ResultNumber(ctx, a.Value - b.Value);
}

// A stored yes/no (1 or 0) as the dialect reads it: True is -1.
void AsDialectBoolean(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, sqlite3_value_double(argv[0]) != 0 ? -1 : 0);
}

// Any true value stored as a yes/no field keeps it: 1 or 0.
void AsStoredBoolean(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, sqlite3_value_double(argv[0]) != 0 ? 1 : 0);
}

}  // namespace

void RegisterSqlArithmetic(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "zi_add", 2, flags, nullptr, Add, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "zi_sub", 2, flags, nullptr, Subtract, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "zi_bool", 1, flags, nullptr, AsDialectBoolean, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "zi_yesno", 1, flags, nullptr, AsStoredBoolean, nullptr, nullptr,
                               nullptr);
}

}  // namespace zalvert::engine
