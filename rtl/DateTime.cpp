#include "rtl/DateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "rtl/Exceptions.h"

namespace zalvert {
namespace {

// Day 0 of TDateTime, counted in days since 1 January 1970.
constexpr long kDateDelta = -25569;

namespace chr = std::chrono;

long DaysFromCivil(int y, int m, int d) {
    const chr::sys_days days{chr::year{y} / chr::month{static_cast<unsigned>(m)} /
                             chr::day{static_cast<unsigned>(d)}};
    return static_cast<long>(days.time_since_epoch().count());
}

TDateParts CivilFromDays(long z) {
    const chr::year_month_day ymd{chr::sys_days{chr::days{z}}};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

constexpr long long kMsPerDay = 86400000;
// Day numbers of 1 January 1 and 31 December 9999, the run-time's range.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

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
    return static_cast<TDateTime>(DaysFromCivil(year, month, day) - kDateDelta);
}

TDateTime EncodeDate(int year, int month, int day) {
    if (auto value = TryEncodeDate(year, month, day)) return *value;
    throw EConvertError("Ungültiges Argument für Datumskodierung");
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return ms / 86400000.0;
}

std::optional<TDateTimeSplit> SplitDateTime(TDateTime value) {
    if (!std::isfinite(value) || value <= kFirstDay - 1 || value >= kLastDay + 1)
        return std::nullopt;
    const double whole = std::trunc(value);
    TDateTimeSplit split{static_cast<long>(whole),
                         static_cast<long>(std::llround(std::fabs(value - whole) * kMsPerDay))};
    if (split.Millisecond >= kMsPerDay) {
        ++split.Day;  // a time that rounds to midnight belongs to the next day
        split.Millisecond = 0;
    }
    if (split.Day < kFirstDay || split.Day > kLastDay) return std::nullopt;
    return split;
}

TDateTime JoinDateTime(const TDateTimeSplit& split) {
    const double time = static_cast<double>(split.Millisecond) / kMsPerDay;
    return split.Day < 0 ? split.Day - time : split.Day + time;
}

TDateParts DecodeDate(TDateTime value) {
    const auto split = SplitDateTime(value);
    return split ? CivilFromDays(split->Day + kDateDelta) : TDateParts{};
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

TDateTime SystemTimeToDateTime(const TSystemTime& t) {
    return EncodeDate(t.Year, t.Month, t.Day) +
           EncodeTime(t.Hour, t.Minute, t.Second, t.Millisecond);
}

TDateTime Now() {
    return SystemTimeToDateTime(CurrentTime());
}

}  // namespace zalvert
