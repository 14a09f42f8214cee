#include "engine/sqlite/KeysetSeek.h"

#include <algorithm>

#include "engine/sqlite/GermanText.h"

namespace zalvert::engine {
namespace {

int Rank(const Variant& v) {
    switch (v.Type()) {
        case TVarType::Empty:
        case TVarType::Null:
            return 0;
        case TVarType::String:
            return 2;
        case TVarType::Bytes:
            return 3;
        default:
            return 1;
    }
}

template <class T>
int Order(const T& a, const T& b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

// The row at `pos` against the key, in the index's directions; none when the row
// cannot be read.
std::optional<int> CompareRow(TKeysetRowSet& rows, size_t pos,
                              const std::vector<TSeekColumn>& columns,
                              const std::vector<Variant>& keys) {
    std::vector<Variant> row;
    if (!rows.Read(pos, row)) return std::nullopt;
    for (size_t i = 0; i < keys.size(); ++i) {
        const TSeekColumn& column = columns[i];
        if (column.Field >= row.size()) return std::nullopt;
        const int c = CompareStored(row[column.Field], keys[i], column.German);
        if (c != 0) return column.Descending ? -c : c;
    }
    return 0;
}

}  // namespace

int CompareStored(const Variant& a, const Variant& b, bool german) {
    const int ra = Rank(a), rb = Rank(b);
    if (ra != rb) return Order(ra, rb);
    switch (ra) {
        case 0:
            return 0;
        case 1:
            if (a.Type() != TVarType::Double && b.Type() != TVarType::Double &&
                a.Type() != TVarType::Currency && b.Type() != TVarType::Currency)
                return Order(a.AsInt64(), b.AsInt64());
            return Order(a.AsDouble(), b.AsDouble());
        case 2:
            return german ? CompareGerman(a.StringValue(), b.StringValue())
                          : Order(a.StringValue(), b.StringValue());
        default:
            return Order(a.AsBytes(), b.AsBytes());
    }
}

std::optional<std::optional<size_t>> SeekInKeyset(TKeysetRowSet& rows,
                                                  const std::vector<TSeekColumn>& columns,
                                                  const std::vector<Variant>& keys,
                                                  const std::string& comparison) {
    const bool backwards = comparison == "<" || comparison == "<=";
    // Rows that meet the comparison form a tail of the keyset (forwards) or a head
    // (backwards): the boundary is found by halving.
    const auto meets = [&](int c) {
        if (comparison == ">") return c > 0;
        if (comparison == "<") return c < 0;
        if (comparison == "<=") return c <= 0;
        return c >= 0;  // "=" and ">=" start at the first row not below the key
    };
    size_t low = 0, high = rows.KnownSize();
    while (low < high) {
        const size_t mid = low + (high - low) / 2;
        const auto c = CompareRow(rows, mid, columns, keys);
        if (!c) return std::nullopt;
        if (meets(*c) != backwards)
            high = mid;
        else
            low = mid + 1;
    }
    if (backwards) {
        if (low == 0) return std::optional<size_t>();
        return std::optional<size_t>(low - 1);
    }
    if (low == rows.KnownSize()) return std::optional<size_t>();
    if (comparison == "=") {
        const auto c = CompareRow(rows, low, columns, keys);
        if (!c) return std::nullopt;
        if (*c != 0) return std::optional<size_t>();
    }
    return std::optional<size_t>(low);
}

}  // namespace zalvert::engine
