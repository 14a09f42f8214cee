#pragma once
// Date-time values as the dataset layer and the import use them: a double counting
// days since 30 December 1899, the fraction being the time of day. The clock can be
// fixed by tests.

#include <optional>

namespace zalvert {

using TDateTime = double;

struct TDateParts {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

struct TSystemTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);

// Years 1 to 9999, as the run-time allows.
std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
TDateTime EncodeDate(int year, int month, int day);  // EConvertError when invalid
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
// A date-time as its texts show it: the calendar day (day number, 0 being
// 30 December 1899) and the time of day rounded to the millisecond. The time of a
// negative value counts forwards from its day's start (-1.25 is 29 December 1899,
// 06:00); a time that rounds to midnight belongs to the next day. Empty for values
// outside the years 1 to 9999 and for values that are no number.
struct TDateTimeSplit {
    long Day = 0;
    long Millisecond = 0;
};
std::optional<TDateTimeSplit> SplitDateTime(TDateTime value);
TDateTime JoinDateTime(const TDateTimeSplit& split);

// The calendar date of a value; all zero outside the years 1 to 9999.
TDateParts DecodeDate(TDateTime value);

// The clock: the local time of the machine, or the fixed time a test set.
TSystemTime CurrentTime();
void SetClockForTesting(std::optional<TSystemTime> fixed);
int CurrentYear();
TDateTime Now();
// A clock reading as a date-time value.
TDateTime SystemTimeToDateTime(const TSystemTime& t);

}  // namespace zalvert
