#include "engine/sqlite/SqlFunctions.h"

#include <cmath>
#include <string>
#include <vector>

#include "engine/sqlite/GermanText.h"
#include "engine/sqlite/SqlArithmetic.h"
#include "engine/core/StorageFormat.h"
#include "rtl/DateTime.h"
#include "rtl/Utf8.h"
#include "rtl/Wildcard.h"

namespace zalvert::engine {
namespace {

using Args = sqlite3_value**;

std::string Encode(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) AppendUtf8(out, c);
    return out;
}

std::string_view TextArg(sqlite3_value* value) {
    const auto* text = sqlite3_value_text(value);
    return text ? std::string_view(reinterpret_cast<const char*>(text),
                                   static_cast<size_t>(sqlite3_value_bytes(value)))
                : std::string_view();
}

bool IsNull(sqlite3_value* value) {
    return sqlite3_value_type(value) == SQLITE_NULL;
}

void ResultText(sqlite3_context* ctx, const std::string& text) {
    sqlite3_result_text64(ctx, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// Sets the pattern set of one [...] list; returns the position after it.
bool MatchList(std::u32string_view pattern, size_t& p, char32_t c) {
    ++p;  // '['
    bool negate = false;
    if (p < pattern.size() && pattern[p] == '!') {
        negate = true;
        ++p;
    }
    bool matched = false;
    const char32_t folded = FoldUnicodeCase(c);
    // A "]" first in the list is one of its characters, not its end.
    const size_t first = p;
    while (p < pattern.size() && (pattern[p] != ']' || p == first)) {
        char32_t low = pattern[p++];
        char32_t high = low;
        if (p + 1 < pattern.size() && pattern[p] == '-' && pattern[p + 1] != ']') {
            high = pattern[p + 1];
            p += 2;
        }
        if ((folded >= FoldUnicodeCase(low) && folded <= FoldUnicodeCase(high)) ||
            (c >= low && c <= high))
            matched = true;
    }
    if (p < pattern.size()) ++p;  // ']'
    return matched != negate;
}

// One pattern element against one character; advances `p` past the element.
bool MatchOne(std::u32string_view pattern, size_t& p, char32_t c) {
    const char32_t pc = pattern[p];
    if (pc == '[') return MatchList(pattern, p, c);
    ++p;
    if (pc == '?') return true;
    if (pc == '#') return c >= '0' && c <= '9';
    return FoldUnicodeCase(pc) == FoldUnicodeCase(c);
}

std::optional<TDateTime> DateArg(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return sqlite3_value_double(value);
        case SQLITE_TEXT:
            return StorageToDateTime(TextArg(value));
        default:
            return std::nullopt;
    }
}

void LikeFunction(sqlite3_context* ctx, int, Args argv) {
    if (IsNull(argv[0]) || IsNull(argv[1])) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, AccessLike(TextArg(argv[0]), TextArg(argv[1])) ? 1 : 0);
}

void Concatenate(sqlite3_context* ctx, int, Args argv) {
    if (IsNull(argv[0]) && IsNull(argv[1])) return sqlite3_result_null(ctx);
    ResultText(ctx, std::string(TextArg(argv[0])) + std::string(TextArg(argv[1])));
}

void Length(sqlite3_context* ctx, int, Args argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(Utf8Length(TextArg(argv[0]))));
}

void Substring(sqlite3_context* ctx, const std::u32string& text, long long start, long long count) {
    if (start < 0 || count < 0) return sqlite3_result_error(ctx, "Invalid procedure call", -1);
    const auto from =
        static_cast<size_t>(std::min<long long>(start, static_cast<long long>(text.size())));
    ResultText(ctx, Encode(std::u32string_view(text).substr(from, static_cast<size_t>(count))));
}

void Left(sqlite3_context* ctx, int, Args argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    Substring(ctx, DecodeUtf8(TextArg(argv[0])), 0, sqlite3_value_int64(argv[1]));
}

void Right(sqlite3_context* ctx, int, Args argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    const std::u32string text = DecodeUtf8(TextArg(argv[0]));
    const long long count = sqlite3_value_int64(argv[1]);
    const long long size = static_cast<long long>(text.size());
    Substring(ctx, text, count >= size ? 0 : size - count, count);
}

void Mid(sqlite3_context* ctx, int argc, Args argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    const long long start = sqlite3_value_int64(argv[1]);
    if (start < 1) return sqlite3_result_error(ctx, "Invalid procedure call", -1);
    const long long count = argc > 2 ? sqlite3_value_int64(argv[2]) : (1LL << 40);
    Substring(ctx, DecodeUtf8(TextArg(argv[0])), start - 1, count);
}

template <bool kLeading, bool kTrailing>
void Trim(sqlite3_context* ctx, int, Args argv) {
    if (IsNull(argv[0])) return sqlite3_result_null(ctx);
    std::string_view text = TextArg(argv[0]);
    while (kLeading && !text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (kTrailing && !text.empty() && text.back() == ' ') text.remove_suffix(1);
    ResultText(ctx, std::string(text));
}

void Nz(sqlite3_context* ctx, int argc, Args argv) {
    if (!IsNull(argv[0])) return sqlite3_result_value(ctx, argv[0]);
    if (argc > 1) return sqlite3_result_value(ctx, argv[1]);
    ResultText(ctx, "");
}

void Iif(sqlite3_context* ctx, int, Args argv) {
    const bool condition = !IsNull(argv[0]) && sqlite3_value_double(argv[0]) != 0;
    sqlite3_result_value(ctx, argv[condition ? 1 : 2]);
}

void Now(sqlite3_context* ctx, int, Args) {
    const TSystemTime t = CurrentTime();
    ResultText(ctx, DateTimeToStorage(EncodeDate(t.Year, t.Month, t.Day) +
                                      EncodeTime(t.Hour, t.Minute, t.Second, 0)));
}

void Today(sqlite3_context* ctx, int, Args) {
    const TSystemTime t = CurrentTime();
    ResultText(ctx, DateTimeToStorage(EncodeDate(t.Year, t.Month, t.Day)));
}

void TimeOfDay(sqlite3_context* ctx, int, Args) {
    const TSystemTime t = CurrentTime();
    ResultText(ctx, DateTimeToStorage(EncodeTime(t.Hour, t.Minute, t.Second, 0)));
}

template <int kPart>
void DatePart(sqlite3_context* ctx, int, Args argv) {
    const auto value = DateArg(argv[0]);
    if (!value) return sqlite3_result_null(ctx);
    if (kPart < 3) {
        const TDateParts d = DecodeDate(*value);
        const int parts[] = {d.Year, d.Month, d.Day};
        return sqlite3_result_int(ctx, parts[kPart]);
    }
    const auto split = SplitDateTime(*value);
    if (!split) return sqlite3_result_null(ctx);
    const long long ms = split->Millisecond;
    const long long parts[] = {ms / 3600000, ms / 60000 % 60, ms / 1000 % 60};
    sqlite3_result_int64(ctx, parts[kPart - 3]);
}

void InStr(sqlite3_context* ctx, int argc, Args argv) {
    const int first = argc == 3 ? 1 : 0;
    const long long start = argc == 3 ? sqlite3_value_int64(argv[0]) : 1;
    if (IsNull(argv[first]) || IsNull(argv[first + 1])) return sqlite3_result_null(ctx);
    if (start < 1) return sqlite3_result_error(ctx, "Invalid procedure call", -1);
    std::u32string text = DecodeUtf8(TextArg(argv[first]));
    std::u32string part = DecodeUtf8(TextArg(argv[first + 1]));
    for (char32_t& c : text) c = FoldUnicodeCase(c);
    for (char32_t& c : part) c = FoldUnicodeCase(c);
    if (static_cast<size_t>(start - 1) > text.size()) return sqlite3_result_int(ctx, 0);
    const size_t found = text.find(part, static_cast<size_t>(start - 1));
    sqlite3_result_int64(ctx,
                         found == std::u32string::npos ? 0 : static_cast<long long>(found) + 1);
}

void IsNullFunction(sqlite3_context* ctx, int, Args argv) {
    sqlite3_result_int(ctx, IsNull(argv[0]) ? 1 : 0);
}

bool AnyNull(sqlite3_context* ctx, Args argv) {
    if (!IsNull(argv[0]) && !IsNull(argv[1])) return false;
    sqlite3_result_null(ctx);
    return true;
}

void Modulo(sqlite3_context* ctx, int, Args argv) {
    if (AnyNull(ctx, argv)) return;
    const auto a = static_cast<long long>(std::nearbyint(sqlite3_value_double(argv[0])));
    const auto b = static_cast<long long>(std::nearbyint(sqlite3_value_double(argv[1])));
    if (b == 0) return sqlite3_result_error(ctx, "Division by zero", -1);
    sqlite3_result_int64(ctx, a % b);
}

void IntegerDivide(sqlite3_context* ctx, int, Args argv) {
    if (AnyNull(ctx, argv)) return;
    const auto a = static_cast<long long>(std::nearbyint(sqlite3_value_double(argv[0])));
    const auto b = static_cast<long long>(std::nearbyint(sqlite3_value_double(argv[1])));
    if (b == 0) return sqlite3_result_error(ctx, "Division by zero", -1);
    sqlite3_result_int64(ctx, a / b);
}

void Divide(sqlite3_context* ctx, int, Args argv) {
    if (AnyNull(ctx, argv)) return;
    const double b = sqlite3_value_double(argv[1]);
    if (b == 0) return sqlite3_result_error(ctx, "Division by zero", -1);
    sqlite3_result_double(ctx, sqlite3_value_double(argv[0]) / b);
}

void Power(sqlite3_context* ctx, int, Args argv) {
    if (AnyNull(ctx, argv)) return;
    sqlite3_result_double(ctx,
                          std::pow(sqlite3_value_double(argv[0]), sqlite3_value_double(argv[1])));
}

struct TRegistration {
    const char* Name;
    int ArgCount;
    void (*Function)(sqlite3_context*, int, Args);
    bool Deterministic;
};

}  // namespace

bool AccessLike(std::string_view text, std::string_view pattern) {
    return MatchWildcards(DecodeUtf8(text), DecodeUtf8(pattern), MatchOne);
}

void RegisterSqlFunctions(sqlite3* db) {
    static constexpr TRegistration kRegistrations[] = {
        {"zi_like", 2, LikeFunction, true},
        {"zi_cat", 2, Concatenate, true},
        {"zi_len", 1, Length, true},
        {"zi_left", 2, Left, true},
        {"zi_right", 2, Right, true},
        {"zi_mid", 2, Mid, true},
        {"zi_mid", 3, Mid, true},
        {"zi_trim", 1, Trim<true, true>, true},
        {"zi_ltrim", 1, Trim<true, false>, true},
        {"zi_rtrim", 1, Trim<false, true>, true},
        {"zi_nz", 1, Nz, true},
        {"zi_nz", 2, Nz, true},
        {"zi_iif", 3, Iif, true},
        {"zi_now", 0, Now, false},
        {"zi_date", 0, Today, false},
        {"zi_time", 0, TimeOfDay, false},
        {"zi_year", 1, DatePart<0>, true},
        {"zi_month", 1, DatePart<1>, true},
        {"zi_day", 1, DatePart<2>, true},
        {"zi_hour", 1, DatePart<3>, true},
        {"zi_minute", 1, DatePart<4>, true},
        {"zi_second", 1, DatePart<5>, true},
        {"zi_instr", 2, InStr, true},
        {"zi_instr", 3, InStr, true},
        {"zi_isnull", 1, IsNullFunction, true},
        {"zi_mod", 2, Modulo, true},
        {"zi_intdiv", 2, IntegerDivide, true},
        {"zi_div", 2, Divide, true},
        {"zi_pow", 2, Power, true},
    };
    for (const TRegistration& r : kRegistrations)
        sqlite3_create_function_v2(db, r.Name, r.ArgCount,
                                   SQLITE_UTF8 | (r.Deterministic ? SQLITE_DETERMINISTIC : 0),
                                   nullptr, r.Function, nullptr, nullptr, nullptr);
    RegisterGermanText(db);
    RegisterSqlArithmetic(db);
}

}  // namespace zalvert::engine
