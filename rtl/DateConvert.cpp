#include "rtl/DateConvert.h"

#include <algorithm>
#include <string>

#include "rtl/Exceptions.h"

namespace zalvert {
namespace {

constexpr int kTooLarge = 1'000'000;

struct TNumber {
    int Value = 0;
    int Digits = 0;
};

class TDateScanner {
  public:
    TDateScanner(std::string_view text, char separator) : text_(text), separator_(separator) {}

    std::optional<TNumber> Number() {
        SkipBlanks();
        TNumber n;
        while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
            ++n.Digits;
            // Leading zeros may run on; a value past every year stays too large.
            n.Value = std::min(n.Value * 10 + (text_[pos_++] - '0'), kTooLarge);
        }
        if (n.Digits == 0) return std::nullopt;
        return n;
    }
    bool Separator() {
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] == separator_) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool AtEnd() {
        SkipBlanks();
        return pos_ == text_.size();
    }

  private:
    void SkipBlanks() {
        while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    }

    std::string_view text_;
    char separator_;
    size_t pos_ = 0;
};

// The clock is asked only for a year of two digits: reading it costs more than the
// rest of the conversion.
int YearOf(const TNumber& n, int window) {
    return n.Digits <= 2 ? ExpandTwoDigitYear(n.Value, CurrentYear(), window) : n.Value;
}

}  // namespace

int ExpandTwoDigitYear(int year, int currentYear, int window) {
    const int first = currentYear - window;
    int full = currentYear / 100 * 100 + year;
    if (full < first) full += 100;
    if (full > first + 99) full -= 100;
    return full;
}

std::optional<TDateTime> TryStrToDate(std::string_view text, const TFormatSettings& settings) {
    TDateScanner scan(text, settings.DateSeparator);
    const auto n1 = scan.Number();
    if (!n1 || !scan.Separator()) return std::nullopt;
    const auto n2 = scan.Number();
    if (!n2) return std::nullopt;

    const TDateOrder order = settings.DateOrder();
    if (scan.AtEnd()) {
        // Two numbers: day and month in the order of the settings, this year.
        const bool dayFirst = order == TDateOrder::DMY;
        return TryEncodeDate(CurrentYear(), dayFirst ? n2->Value : n1->Value,
                             dayFirst ? n1->Value : n2->Value);
    }
    if (!scan.Separator()) return std::nullopt;
    const auto n3 = scan.Number();
    if (!n3) return std::nullopt;
    scan.Separator();
    if (!scan.AtEnd()) return std::nullopt;

    const int window = settings.TwoDigitYearCenturyWindow;
    switch (order) {
        case TDateOrder::DMY:
            return TryEncodeDate(YearOf(*n3, window), n2->Value, n1->Value);
        case TDateOrder::MDY:
            return TryEncodeDate(YearOf(*n3, window), n1->Value, n2->Value);
        case TDateOrder::YMD:
            return TryEncodeDate(YearOf(*n1, window), n2->Value, n3->Value);
    }
    return std::nullopt;
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& settings) {
    if (auto value = TryStrToDate(text, settings)) return *value;
    throw EConvertError("'" + std::string(text) + "' ist kein gültiges Datum");
}

}  // namespace zalvert
