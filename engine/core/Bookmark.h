#pragma once
// The bookmark both back ends hand out: 4 bytes naming the record (a row id or a
// whole-number key, else a position + 1) and 4 naming the recordset and its
// clones, so that a bookmark of another recordset is refused. Callers keep the
// first 4 bytes alone as well: those count as the recordset's own.

#include <cstdint>
#include <optional>

#include "rtl/Variant.h"

namespace zalvert::engine {

// The bookmark of record number `mark` of `family`; none when the number is out of
// 1 to 0x7FFFFFFF.
std::optional<TBytes> EncodeBookmark(std::int64_t mark, std::uint32_t family);
// The record number a bookmark of `family` holds; none for another family's, a
// short one or a number out of range.
std::optional<std::uint32_t> DecodeBookmark(const TBytes& bookmark, std::uint32_t family);

}  // namespace zalvert::engine
