// A key value of any bytes, for a field of each type, as Locate, Lookup and the key
// finds hand it to the criteria builders: either a clear error, or a criteria text
// the engine accepts whose find on a small table returns exactly the rows holding
// that value, checked against the rows as they were written.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dao/SearchCriteria.h"
#include "engine/Dao.h"
#include "engine/sqlite/GermanText.h"
#include "rtl/FormatSettings.h"
#include "rtl/TextCase.h"
#include "rtl/Utf8.h"
#include "rtl/Variant.h"

namespace {

using namespace zalvert;

// One row as written: the text, the number and the date fields; nullopt is Null.
struct TRow {
    std::optional<std::string> Text;
    std::optional<double> Long, Double, Money;
    std::optional<TDateTime> When;
    bool Done = false;
};

struct TColumn {
    const char* Name;
    TFieldType Type;
};

constexpr TColumn kColumns[] = {{"T", TFieldType::ftString},   {"N", TFieldType::ftInteger},
                                {"F", TFieldType::ftFloat},    {"C", TFieldType::ftCurrency},
                                {"D", TFieldType::ftDateTime}, {"B", TFieldType::ftBoolean}};

std::string Literal(const std::optional<std::string>& text) {
    if (!text) return "Null";
    std::string quoted = "'";
    for (char c : *text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

std::string Literal(const std::optional<double>& number) {
    if (!number) return "Null";
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", *number);
    return text;
}

std::string DateLiteral(const std::optional<TDateTime>& when) {
    if (!when) return "Null";
    return "#" + CriteriaDateText(*when) + " " + CriteriaTimeText(*when) + "#";
}

const std::vector<TRow>& Rows() {
    static const std::vector<TRow> rows = [] {
        const auto at = [](int y, int m, int d, int h, int n, int s) {
            return EncodeDate(y, m, d) + EncodeTime(h, n, s, 0);
        };
        return std::vector<TRow>{
            {"Müller", 0, 0.1, 1234.5, at(2024, 3, 31, 12, 30, 0), true},
            {"müller", -5, -2.5, 0, at(2024, 3, 31, 0, 0, 0), false},
            {"MÜLLER GmbH", 7, 1e10, -0.01, at(1899, 12, 30, 14, 30, 5), true},
            {"O'Neil", 2147483647, 1234.5, 99.9999, at(2026, 2, 28, 23, 59, 59), false},
            {"\"Zitat\"", std::nullopt, std::nullopt, std::nullopt, std::nullopt, false},
            {"50% Rabatt", -2147483647, 3, 3, at(100, 1, 1, 0, 0, 0), true},
            {"a*b", 1, 0, 1, at(9999, 12, 31, 23, 59, 59), false},
            {"a?b [x] x]y #1 a_b", 30, 0.5, 0.5, at(2000, 2, 29, 6, 7, 8), true},
            {"Straße", 31, -0.0, 12.34, at(1970, 1, 1, 0, 0, 1), false},
            {"", 300, 1e-5, 100000, at(2024, 3, 31, 12, 30, 0), true},
            {std::nullopt, 3, 2.5, -7.25, at(2030, 12, 1, 8, 0, 0), false},
            {"Ende  ", 0, 1234.5, 1234.5, at(2024, 4, 1, 0, 0, 0), true},
        };
    }();
    return rows;
}

class TTable {
  public:
    TTable() {
        char folder[] = "/tmp/zalvert-criteria-fuzz.XXXXXX";
        if (!mkdtemp(folder)) std::abort();
        folder_ = folder;
        engine_ = engine::CreateDBEngine("DAO.DBEngine.36");
        db_ = engine_->CreateDatabase(folder_ + "/k.db");
        db_->Execute(
            "CREATE TABLE K (ID COUNTER, T TEXT(40), N LONG, F DOUBLE, C CURRENCY, D DATETIME, "
            "B YESNO, CONSTRAINT PrimaryKey PRIMARY KEY (ID))");
        for (const TRow& row : Rows())
            db_->Execute("INSERT INTO K (T, N, F, C, D, B) VALUES (" + Literal(row.Text) + ", " +
                         Literal(row.Long) + ", " + Literal(row.Double) + ", " +
                         Literal(row.Money) + ", " + DateLiteral(row.When) + ", " +
                         (row.Done ? "True" : "False") + ")");
        rs_ = db_->OpenRecordset("K", engine::dbOpenDynaset);
    }
    ~TTable() {
        rs_->Close();
        db_->Close();
        std::filesystem::remove_all(folder_);
    }

    // The rows (by their position, from 0) the criteria find.
    std::set<size_t> Found(const std::string& criteria) {
        std::set<size_t> found;
        auto clone = rs_->Clone();
        try {
            for (clone->FindFirst(criteria); !clone->NoMatch(); clone->FindNext(criteria))
                found.insert(
                    static_cast<size_t>(clone->Fields().Item("ID")->Value().AsInt64() - 1));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "the engine refused \"%s\": %s\n", criteria.c_str(), error.what());
            std::abort();
        }
        clone->Close();
        return found;
    }

    // The value of row `row` as a key value text: what Locate receives for it.
    static std::string KeyText(const TRow& row, size_t column) {
        const auto text = [](const auto& value) {
            return value ? Variant(*value).AsString() : std::string(kNullKeyText);
        };
        switch (column) {
            case 0:
                return row.Text ? *row.Text : std::string(kNullKeyText);
            case 1:
                return text(row.Long ? std::optional<std::int64_t>(*row.Long) : std::nullopt);
            case 2:
                return text(row.Double);
            case 3:
                return text(row.Money);
            case 4:
                return row.When ? Variant::FromDate(*row.When).AsString() : kNullKeyText;
            default:
                return row.Done ? "True" : "False";
        }
    }

  private:
    std::string folder_;
    std::shared_ptr<engine::DBEngine> engine_;
    std::shared_ptr<engine::Database> db_;
    std::shared_ptr<engine::Recordset> rs_;
};

std::optional<double> NumberOf(const std::string& key) {
    const std::string number = NormalizedNumber(key);
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (number.empty() || *end != '\0') return std::nullopt;
    return value;
}

// To the second: a key's milliseconds have no place in a criteria text, and the
// program stores none.
bool SameMoment(TDateTime a, TDateTime b) {
    return CriteriaDateText(a) == CriteriaDateText(b) && CriteriaTimeText(a) == CriteriaTimeText(b);
}

// Whether row `row` holds `key` in `column`, as the user means it.
bool Holds(const TRow& row, size_t column, const std::string& key, int options) {
    // An empty number stands for Null too: the user cleared the field.
    const bool numeric = column == 1 || column == 2 || column == 3 || column == 5;
    if (key == kNullKeyText || (numeric && key.empty())) {
        const bool null[] = {!row.Text, !row.Long, !row.Double, !row.Money, !row.When, false};
        return null[column];
    }
    switch (column) {
        case 0: {
            if (!row.Text) return false;
            if (options & loPartialKey) return FoldedCase(*row.Text).starts_with(FoldedCase(key));
            return engine::CompareGerman(*row.Text, key) == 0;
        }
        case 1:
        case 2:
        case 3: {
            const std::optional<double> value = column == 1   ? row.Long
                                                : column == 2 ? row.Double
                                                              : row.Money;
            const auto number = NumberOf(key);
            return value && number && *value == *number;
        }
        case 4:
            return row.When && SameMoment(*row.When, CriteriaDateTimeOf(key));
        default: {
            const std::string word = LowerCase(NormalizedNumber(key));
            if (word == "true" || word == "false") return row.Done == (word == "true");
            const auto number = NumberOf(key);
            return number && *number == (row.Done ? -1.0 : 0.0);  // True is -1
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static const bool german = (FormatSettings() = TFormatSettings::German(), true);
    static TTable table;
    (void)german;
    if (size < 3) return 0;
    const size_t column = data[0] % std::size(kColumns);
    const int options = data[1] & (loCaseInsensitive | loPartialKey);
    const bool exact = data[1] & 4;
    std::string key(reinterpret_cast<const char*>(data + 3), size - 3);
    if (data[2] & 1) {
        // A row's own value, with the input's bytes after it when asked.
        const TRow& row =
            Rows()[key.empty() ? 0 : static_cast<std::uint8_t>(key[0]) % Rows().size()];
        const std::string after = (data[2] & 2) && !key.empty() ? key.substr(1) : std::string();
        key = TTable::KeyText(row, column) + after;
    }
    const TCriteriaField field{kColumns[column].Name, kColumns[column].Type, false};
    std::string criteria;
    try {
        criteria = exact ? ExactKeyCriteria({field}, {key}, true)
                         : OptionKeyCriteria({field}, {key}, options, true);
    } catch (const std::exception& error) {
        if (std::string(error.what()).empty()) std::abort();  // refused, with a reason
        return 0;
    }
    const std::set<size_t> found = table.Found(criteria);
    // Texts the engine cannot hold as they are (a zero byte, broken UTF-8) are only
    // required to be searched without harm.
    if (column == 0 && (key.find('\0') != std::string::npos || !IsValidUtf8(key))) return 0;
    const int rule = exact ? 0 : options;
    for (size_t i = 0; i < Rows().size(); ++i) {
        const bool holds = Holds(Rows()[i], column, key, rule);
        // A partial text key: every row beginning with it byte for byte is found, and
        // none is found that does not begin with it, letter case aside.
        const bool partialText = column == 0 && (rule & loPartialKey) && key != kNullKeyText;
        const bool mustFind =
            partialText ? Rows()[i].Text && Rows()[i].Text->starts_with(key) : holds;
        const bool mayFind = holds;
        if ((mustFind && !found.count(i)) || (!mayFind && found.count(i))) {
            std::fprintf(stderr, "criteria \"%s\" for key \"%s\": row %zu %s\n", criteria.c_str(),
                         key.c_str(), i + 1, found.count(i) ? "found" : "not found");
            std::abort();
        }
    }
    return 0;
}
