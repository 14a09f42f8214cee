#include "engine/core/DateLiteral.h"

#include <algorithm>
#include <cstdio>

#include "rtl/DateTime.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {

namespace {

// "hh:nn[:ss][ AM|PM]" into a time of day; false for anything else.
bool ParseTimeOfDay(std::string time, int& h, int& m, int& s) {
    int n = 0;
    const int fields = std::sscanf(time.c_str(), "%d:%d%n:%d%n", &h, &m, &n, &s, &n);
    if (fields < 2) return false;
    std::string suffix = time.substr(static_cast<size_t>(n));
    while (!suffix.empty() && suffix.front() == ' ') suffix.erase(0, 1);
    const std::string upper = AsciiUpperCase(suffix);
    if (upper == "PM" && h < 12)
        h += 12;
    else if (upper == "AM" && h == 12)
        h = 0;
    else if (!upper.empty() && upper != "AM" && upper != "PM")
        return false;
    return h >= 0 && m >= 0 && s >= 0 && h <= 23 && m <= 59 && s <= 59;
}

std::string StorageText(int year, int month, int day, int h, int m, int s) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, h, m,
                  s);
    return buffer;
}

}  // namespace

std::string DateLiteralToStorage(std::string_view text) {
    int a = 0, b = 0, c = 0, h = 0, m = 0, s = 0;
    char sep1 = 0, sep2 = 0;
    std::string value(text);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    while (!value.empty() && value.back() == ' ') value.pop_back();
    int consumed = 0, firstEnd = 0, third = 0;
    if (std::sscanf(value.c_str(), "%d%n%c%d%c%n%d%n", &a, &firstEnd, &sep1, &b, &sep2, &third, &c,
                    &consumed) != 5 ||
        sep1 != sep2 || (sep1 != '/' && sep1 != '-')) {
        // A time alone is that time on the day zero, as a time field holds it.
        if (!ParseTimeOfDay(value, h, m, s)) return {};
        return StorageText(1899, 12, 30, h, m, s);
    }
    int year = c, month = a, day = b;
    std::string_view yearText = std::string_view(value).substr(
        static_cast<size_t>(third), static_cast<size_t>(consumed - third));
    if (sep1 == '-' && a > 31) {  // yyyy-mm-dd
        year = a;
        month = b;
        day = c;
        yearText = std::string_view(value).substr(0, static_cast<size_t>(firstEnd));
    }
    std::string time = value.substr(static_cast<size_t>(consumed));
    while (!time.empty() && time.front() == ' ') time.erase(0, 1);
    if (!time.empty() && !ParseTimeOfDay(time, h, m, s)) return {};
    // Only a year of one or two digits is read in the century window; "0024" is 24.
    const auto digits = std::count_if(yearText.begin(), yearText.end(),
                                      [](char ch) { return ch >= '0' && ch <= '9'; });
    if (digits <= 2 && year >= 0) year += year < 30 ? 2000 : 1900;
    if (year < 1) return {};
    if (!IsValidDate(year, month, day)) return {};
    return StorageText(year, month, day, h, m, s);
}

}  // namespace zalvert::engine
