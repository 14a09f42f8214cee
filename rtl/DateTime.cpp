#include "rtl/DateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "rtl/Exceptions.h"

namespace zalvert {
namespace {

// Day 0 of TDateTime, counted in days since 1 January 1970.
constexpr long kDateDelta = -25569;

long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

TDateParts CivilFromDays(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const long y = static_cast<long>(yoe) + era * 400 + (m <= 2);
    return {static_cast<int>(y), static_cast<int>(m), static_cast<int>(d)};
}

std::optional<TSystemTime>& FixedClock() {
    static std::optional<TSystemTime> fixed;
    return fixed;
}

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
    if (!IsValidDate(year, month, day)) return std::nullopt;
    return static_cast<TDateTime>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kDateDelta);
}

TDateTime EncodeDate(int year, int month, int day) {
    if (auto value = TryEncodeDate(year, month, day)) return *value;
    throw EConvertError("Ungültiges Argument für Datumskodierung");
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return ms / 86400000.0;
}

TDateParts DecodeDate(TDateTime value) {
    return CivilFromDays(static_cast<long>(std::floor(value)) + kDateDelta);
}

TSystemTime CurrentTime() {
    if (FixedClock()) return *FixedClock();
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,       local.tm_hour,
            local.tm_min,         local.tm_sec,     static_cast<int>(ms)};
}

void SetClockForTesting(std::optional<TSystemTime> fixed) {
    FixedClock() = fixed;
}

int CurrentYear() {
    return CurrentTime().Year;
}

TDateTime Now() {
    const TSystemTime t = CurrentTime();
    return EncodeDate(t.Year, t.Month, t.Day) +
           EncodeTime(t.Hour, t.Minute, t.Second, t.Millisecond);
}

}  // namespace zalvert
