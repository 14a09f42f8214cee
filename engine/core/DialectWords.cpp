#include "engine/core/DialectWords.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "rtl/Utf8.h"

namespace zalvert::engine {
namespace {

enum : unsigned {
    kEndsName = 1,    // the file engine's parser never takes it as a name
    kServerWord = 2,  // the server's writer passes it on unquoted
};

struct TDialectWord {
    const char* Word;
    unsigned Use;
};

// In alphabetical order, for the halving search.
constexpr TDialectWord kWords[] = {
    {"ADD", kServerWord},
    {"ALL", kServerWord},
    {"ALTER", kServerWord},
    {"AND", kEndsName | kServerWord},
    {"AS", kEndsName | kServerWord},
    {"ASC", kEndsName | kServerWord},
    {"AVG", kServerWord},
    {"BETWEEN", kEndsName | kServerWord},
    {"BY", kEndsName | kServerWord},
    {"CASE", kServerWord},
    {"CHECK", kServerWord},
    {"COLUMN", kServerWord},
    {"CONSTRAINT", kServerWord},
    {"COUNT", kServerWord},
    {"CREATE", kServerWord},
    {"DEFAULT", kServerWord},
    {"DELETE", kServerWord},
    {"DESC", kEndsName | kServerWord},
    {"DISTINCT", kEndsName | kServerWord},
    {"DROP", kServerWord},
    {"ELSE", kServerWord},
    {"END", kServerWord},
    {"EQV", kEndsName},
    {"EXCLUSIVE", kServerWord},
    {"EXISTS", kServerWord},
    {"FOREIGN", kServerWord},
    {"FROM", kEndsName | kServerWord},
    {"GROUP", kEndsName | kServerWord},
    {"HAVING", kEndsName | kServerWord},
    {"IMP", kEndsName},
    {"IN", kEndsName | kServerWord},
    {"INDEX", kServerWord},
    {"INNER", kEndsName | kServerWord},
    {"INSERT", kServerWord},
    {"INTO", kEndsName | kServerWord},
    {"IS", kEndsName | kServerWord},
    {"JOIN", kEndsName | kServerWord},
    {"KEY", kServerWord},
    {"LEFT", kEndsName | kServerWord},
    {"LIKE", kEndsName | kServerWord},
    {"LIMIT", kServerWord},
    {"LOCK", kServerWord},
    {"MAX", kServerWord},
    {"MIN", kServerWord},
    {"MOD", kEndsName},
    {"MODE", kServerWord},
    {"NOT", kEndsName | kServerWord},
    {"NOWAIT", kServerWord},
    {"NULL", kServerWord},
    {"OFFSET", kServerWord},
    {"ON", kEndsName | kServerWord},
    {"OR", kEndsName | kServerWord},
    {"ORDER", kEndsName | kServerWord},
    {"OUTER", kEndsName | kServerWord},
    {"PARAMETERS", kEndsName},
    {"PRIMARY", kServerWord},
    {"REFERENCES", kServerWord},
    {"RIGHT", kEndsName | kServerWord},
    {"ROW", kServerWord},
    {"SELECT", kEndsName | kServerWord},
    {"SET", kEndsName | kServerWord},
    {"SHARE", kServerWord},
    {"SUM", kServerWord},
    {"TABLE", kServerWord},
    {"THEN", kServerWord},
    {"TOP", kEndsName},
    {"UNION", kEndsName | kServerWord},
    {"UNIQUE", kServerWord},
    {"UPDATE", kServerWord},
    {"VALUES", kEndsName | kServerWord},
    {"WHEN", kServerWord},
    {"WHERE", kEndsName | kServerWord},
    {"WITH", kEndsName},
    {"XOR", kEndsName},
};

constexpr bool InOrder() {
    for (size_t i = 1; i < std::size(kWords); ++i)
        if (std::string_view(kWords[i - 1].Word) >= std::string_view(kWords[i].Word)) return false;
    return true;
}
static_assert(InOrder(), "the words must stay in alphabetical order");

constexpr size_t Longest() {
    size_t longest = 0;
    for (const TDialectWord& entry : kWords)
        longest = std::max(longest, std::string_view(entry.Word).size());
    return longest;
}

unsigned UseOf(const TToken& token) {
    if (token.Kind != TTokenKind::Word || token.Text.size() > Longest()) return 0;
    const std::string upper = AsciiUpperCase(token.Text);
    const auto found = std::lower_bound(
        std::begin(kWords), std::end(kWords), upper,
        [](const TDialectWord& entry, const std::string& w) { return w.compare(entry.Word) > 0; });
    return found != std::end(kWords) && upper == found->Word ? found->Use : 0;
}

}  // namespace

bool EndsAName(const TToken& token) {
    return (UseOf(token) & kEndsName) != 0;
}

bool IsServerWord(const TToken& token) {
    return (UseOf(token) & kServerWord) != 0;
}

}  // namespace zalvert::engine
