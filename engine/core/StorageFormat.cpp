#include "engine/core/StorageFormat.h"

#include <cmath>
#include <cstring>
#include <string>

#include "rtl/LastConversion.h"

namespace zalvert::engine {

namespace {

void Put(char*& out, long long value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
    out += digits;
}

size_t WriteStorageDate(TDateTime value, char (&buffer)[kStorageDateSize]) {
    // Rounded once to the millisecond, so that 23:59:59.9996 becomes the next day.
    const auto split = SplitDateTime(value);
    if (!split) return 0;
    const long long ms = split->Millisecond;
    const TDateParts d = DecodeDate(static_cast<double>(split->Day));
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
    return static_cast<size_t>(out - buffer);
}

std::optional<TDateTime> ReadStorageDate(std::string_view text) {
    size_t at = 0;
    // One to `width` digits.
    auto number = [&](int width, int& value) {
        const size_t start = at;
        value = 0;
        while (at < text.size() && at - start < static_cast<size_t>(width) && text[at] >= '0' &&
               text[at] <= '9')
            value = value * 10 + (text[at++] - '0');
        return at > start;
    };
    auto literal = [&](char c) { return at < text.size() && text[at] == c && (++at, true); };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    if (!number(4, y) || !literal('-') || !number(2, mo) || !literal('-') || !number(2, d))
        return std::nullopt;
    if (at < text.size()) {
        const size_t separators = at;
        while (at < text.size() && (text[at] == ' ' || text[at] == 'T')) ++at;
        if (at == separators || !number(2, h) || !literal(':') || !number(2, mi) || !literal(':') ||
            !number(2, s))
            return std::nullopt;
        if (at < text.size()) {
            if (!literal('.')) return std::nullopt;
            int digits = 0;
            for (; at < text.size() && digits < 3; ++at, ++digits) {
                if (text[at] < '0' || text[at] > '9') return std::nullopt;
                ms = ms * 10 + (text[at] - '0');
            }
            for (; digits < 3; ++digits) ms *= 10;
        }
    }
    const auto date = TryEncodeDate(y, mo, d);
    if (!date || h > 23 || mi > 59 || s > 59) return std::nullopt;
    const TDateTime time = EncodeTime(h, mi, s, ms);
    return *date < 0 ? *date - time : *date + time;
}

}  // namespace

size_t DateTimeToStorage(TDateTime value, char (&out)[kStorageDateSize]) {
    struct TText {
        char Chars[kStorageDateSize];
        size_t Length;
    };
    thread_local TLastConversions<TDateTime, TText> last;
    const TText& text = last.Get(value, [](TDateTime v) {
        TText t{};
        t.Length = WriteStorageDate(v, t.Chars);
        return t;
    });
    std::memcpy(out, text.Chars, text.Length);
    return text.Length;
}

std::string DateTimeToStorage(TDateTime value) {
    char buffer[kStorageDateSize];
    return std::string(buffer, DateTimeToStorage(value, buffer));
}

// "yyyy-mm-dd", then optionally " hh:mm:ss" (or "T" before the time) and ".fff":
// read by hand, since every stored date of every row read passes here.
std::optional<TDateTime> StorageToDateTime(std::string_view text) {
    thread_local TLastConversions<std::string, std::optional<TDateTime>> last;
    return last.Get(text, ReadStorageDate);
}

}  // namespace zalvert::engine
