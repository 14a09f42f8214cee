#include "engine/StorageFormat.h"

#include <cmath>
#include <cstdio>

namespace zalvert::engine {

namespace {

void Put(char*& out, long long value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
    out += digits;
}

}  // namespace

std::string DateTimeToStorage(TDateTime value) {
    // Rounded once to the millisecond, so that 23:59:59.9996 becomes the next day.
    const auto split = SplitDateTime(value);
    if (!split) return {};
    const long long ms = split->Millisecond;
    const TDateParts d = DecodeDate(static_cast<double>(split->Day));
    char buffer[24];
    char* out = buffer;
    Put(out, d.Year, 4);
    *out++ = '-';
    Put(out, d.Month, 2);
    *out++ = '-';
    Put(out, d.Day, 2);
    *out++ = ' ';
    Put(out, ms / 3600000, 2);
    *out++ = ':';
    Put(out, ms / 60000 % 60, 2);
    *out++ = ':';
    Put(out, ms / 1000 % 60, 2);
    if (ms % 1000 != 0) {
        *out++ = '.';
        Put(out, ms % 1000, 3);
    }
    return std::string(buffer, out);
}

std::optional<TDateTime> StorageToDateTime(std::string_view text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    const std::string value(text);
    int n = 0;
    if (std::sscanf(value.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &n) != 3) return std::nullopt;
    if (static_cast<size_t>(n) < value.size()) {
        int m = 0;
        if (std::sscanf(value.c_str() + n, "%*[ T]%2d:%2d:%2d%n", &h, &mi, &s, &m) != 3)
            return std::nullopt;
        n += m;
        if (static_cast<size_t>(n) < value.size()) {
            if (value[static_cast<size_t>(n)] != '.') return std::nullopt;
            int digits = 0;
            for (size_t i = static_cast<size_t>(n) + 1; i < value.size() && digits < 3;
                 ++i, ++digits) {
                if (value[i] < '0' || value[i] > '9') return std::nullopt;
                ms = ms * 10 + (value[i] - '0');
            }
            for (; digits < 3; ++digits) ms *= 10;
        }
    }
    const auto date = TryEncodeDate(y, mo, d);
    if (!date || h > 23 || mi > 59 || s > 59) return std::nullopt;
    const TDateTime time = EncodeTime(h, mi, s, ms);
    return *date < 0 ? *date - time : *date + time;
}

}  // namespace zalvert::engine
