#pragma once
// Seek by binary search in a table-type keyset, whose rows stand in the order of
// its current index: a few rows read instead of a scan in SQL, which cannot use an
// index of a text column compared in the German order.

#include <optional>
#include <string>
#include <vector>

#include "engine/sqlite/RowSets.h"

namespace zalvert::engine {

struct TSeekColumn {
    size_t Field = 0;  // position among the row set's fields
    bool Descending = false;
    bool German = false;  // text compared in the German collation
};

// The position the seek lands on, or none for no match. Undecided (the outer
// optional empty) when a probed row is gone: the caller then seeks in SQL.
std::optional<std::optional<size_t>> SeekInKeyset(TKeysetRowSet& rows,
                                                  const std::vector<TSeekColumn>& columns,
                                                  const std::vector<Variant>& keys,
                                                  const std::string& comparison);

// Stored values in SQLite's order: Null, numbers, texts, bytes.
int CompareStored(const Variant& a, const Variant& b, bool german);

}  // namespace zalvert::engine
