#include "engine/sqlite/GermanText.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

#include "engine/DaoConstants.h"
#include "rtl/TextCase.h"

namespace zalvert::engine {
namespace {

struct TCollatorClose {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

// One collator for the process, set up once: comparing through it is safe from
// several threads (held rows are written on a thread of their own).
UCollator* Collator() {
    static const std::unique_ptr<UCollator, TCollatorClose> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* opened = ucol_open("de", &status);
        if (U_FAILURE(status)) std::abort();  // ICU's root data ship with the library
        // Secondary strength: accents count, letter case does not.
        ucol_setStrength(opened, UCOL_SECONDARY);
        return std::unique_ptr<UCollator, TCollatorClose>(opened);
    }();
    return collator.get();
}

icu::UnicodeString Unicode(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
}

int CollationCallback(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return CompareGerman(std::string_view(static_cast<const char*>(a), lengthA),
                         std::string_view(static_cast<const char*>(b), lengthB));
}

void SortKeyFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string key =
        GermanSortKey(std::string_view(text ? text : "", sqlite3_value_bytes(argv[0])));
    sqlite3_result_blob64(ctx, key.data(), key.size(), SQLITE_TRANSIENT);
}

template <std::string (*Change)(std::string_view)>
void CaseFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string changed = Change(std::string_view(text, sqlite3_value_bytes(argv[0])));
    sqlite3_result_text64(ctx, changed.data(), changed.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

}  // namespace

// Full case folding first (ß becomes ss, Ä becomes ä), then the German order.
std::string GermanCollated(const std::string& reference, int type) {
    const bool text = type == dbText || type == dbMemo || type == dbChar;
    return text ? reference + " COLLATE " + kGermanCollation : reference;
}

// Letters and digits of ASCII sort by their primary weights alone in the German
// order at secondary strength: digits before letters, letters in the alphabet
// whatever their case. Such texts (tours, numbers, hashes) skip ICU.
std::optional<int> CompareAsciiAlphanumeric(std::string_view a, std::string_view b) {
    const auto rank = [](unsigned char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'z') return 10 + (c - 'a');
        if (c >= 'A' && c <= 'Z') return 10 + (c - 'A');
        return -1;
    };
    const size_t n = std::min(a.size(), b.size());
    std::optional<int> order;
    for (size_t i = 0; i < n; ++i) {
        const int x = rank(static_cast<unsigned char>(a[i]));
        const int y = rank(static_cast<unsigned char>(b[i]));
        if (x < 0 || y < 0) return std::nullopt;
        if (!order && x != y) order = x < y ? -1 : 1;
    }
    for (size_t i = n; i < a.size(); ++i)
        if (rank(static_cast<unsigned char>(a[i])) < 0) return std::nullopt;
    for (size_t i = n; i < b.size(); ++i)
        if (rank(static_cast<unsigned char>(b[i])) < 0) return std::nullopt;
    if (order) return order;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int CompareGerman(std::string_view a, std::string_view b) {
    if (const auto fast = CompareAsciiAlphanumeric(a, b)) return *fast;
    return CompareGermanByIcu(a, b);
}

int CompareGermanByIcu(std::string_view a, std::string_view b) {
    icu::UnicodeString left = Unicode(a), right = Unicode(b);
    left.foldCase(U_FOLD_CASE_DEFAULT);
    right.foldCase(U_FOLD_CASE_DEFAULT);
    const UCollationResult result = ucol_strcoll(Collator(), left.getBuffer(), left.length(),
                                                 right.getBuffer(), right.length());
    return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

std::string GermanSortKey(std::string_view text) {
    icu::UnicodeString folded = Unicode(text);
    folded.foldCase(U_FOLD_CASE_DEFAULT);
    std::string key(64, '\0');
    for (;;) {
        const std::int32_t size = ucol_getSortKey(Collator(), folded.getBuffer(), folded.length(),
                                                  reinterpret_cast<std::uint8_t*>(key.data()),
                                                  static_cast<std::int32_t>(key.size()));
        // The size counts a closing zero byte, which the key needs not.
        if (size <= static_cast<std::int32_t>(key.size())) {
            key.resize(static_cast<size_t>(std::max(size - 1, 0)));
            return key;
        }
        key.resize(static_cast<size_t>(size));
    }
}

// One or more quoted names joined by dots, then the collation, and nothing else.
std::optional<std::string> SortKeyTerm(std::string_view term) {
    const std::string suffix = std::string(" COLLATE ") + kGermanCollation;
    if (!term.ends_with(suffix)) return std::nullopt;
    const std::string_view reference = term.substr(0, term.size() - suffix.size());
    size_t at = 0;
    for (;;) {
        if (at >= reference.size() || reference[at] != '"') return std::nullopt;
        for (++at;; ++at) {
            if (at >= reference.size()) return std::nullopt;
            if (reference[at] != '"') continue;
            if (at + 1 < reference.size() && reference[at + 1] == '"') {
                ++at;
                continue;
            }
            break;
        }
        ++at;
        if (at == reference.size()) break;
        if (reference[at] != '.') return std::nullopt;
        ++at;
    }
    return "zi_sortkey(" + std::string(reference) + ")";
}

std::string SortKeyOrder(std::string_view order) {
    std::string out;
    const auto addTerm = [&](std::string_view term) {
        std::string_view direction;
        for (std::string_view word : {" DESC", " ASC"})
            if (term.ends_with(word)) {
                direction = word;
                term.remove_suffix(word.size());
            }
        if (!out.empty()) out += ", ";
        const auto key = SortKeyTerm(term);
        out += key ? *key : std::string(term);
        out += direction;
    };
    // Terms end at the commas outside parentheses and quotes.
    int depth = 0;
    char quote = 0;
    size_t start = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        const char c = order[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            addTerm(order.substr(start, i - start));
            start = i + 1;
            while (start < order.size() && order[start] == ' ') ++start;
        }
    }
    addTerm(order.substr(start));
    return out;
}

std::string GermanUpperCase(std::string_view text) {
    return UpperCase(text);
}

std::string GermanLowerCase(std::string_view text) {
    return LowerCase(text);
}

char32_t FoldUnicodeCase(char32_t c) {
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

void RegisterGermanText(sqlite3* db) {
    sqlite3_create_collation_v2(db, kGermanCollation, SQLITE_UTF8, nullptr, CollationCallback,
                                nullptr);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "zi_sortkey", 1, flags, nullptr, SortKeyFunction, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "zi_upper", 1, flags, nullptr, CaseFunction<GermanUpperCase>,
                               nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "zi_lower", 1, flags, nullptr, CaseFunction<GermanLowerCase>,
                               nullptr, nullptr, nullptr);
}

}  // namespace zalvert::engine
