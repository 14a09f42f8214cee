#pragma once
// The keys of a keyset recordset in their order. Whole-number keys (the usual
// serial key) are held as the file engine holds row ids: a gap-free ascending run
// as its first key and a count, else 8 bytes each; a key's position is found by
// halving while the keys stand in ascending order (a table in key order, rows
// added at the end), else through a table built on first use.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/RowIds.h"
#include "engine/odbc/OdbcApi.h"
#include "rtl/Variant.h"

namespace zalvert::engine::odbc {

class TKeyList {
  public:
    void Clear(bool numeric);
    bool Numeric() const { return numeric_; }
    size_t Size() const { return numeric_ ? numbers_.size() : others_.size(); }
    Variant At(size_t pos) const;
    std::string Text(size_t pos) const;
    void Push(const Variant& key);
    std::optional<size_t> Find(const Variant& key) const;
    // Reads the first result column of an executed statement, a block at a time;
    // how many keys it added.
    size_t Load(TOdbcStatement& stmt);

  private:
    void PushNumber(std::int64_t number);
    std::optional<size_t> FindNumber(std::int64_t key) const;

    bool numeric_ = true;
    bool ascending_ = true;
    TRowIds numbers_;
    std::vector<Variant> others_;
    mutable std::unordered_map<std::string, size_t> positions_;
};

// Reads the keys `sql` selects into `keys`; through a cursor of the server's
// where `serverCursor`, `block` keys at a time. The driver holds a block's whole
// result before the first key: larger blocks cost memory and gain no time.
constexpr size_t kKeyBlock = 16384;
void ReadKeys(TOdbcConnection& connection, const std::string& sql, bool serverCursor,
              TKeyList& keys, size_t block = kKeyBlock);
// Reads the whole-number keys `key` of the rows of `from` meeting `where` (none:
// all) in ascending order, `block` at a time, each block from where the last
// ended: on an index of the key this costs no more than reading them at once.
void ReadKeysInOrder(TOdbcConnection& connection, const std::string& key, const std::string& from,
                     const std::string& where, TKeyList& keys, size_t block = kKeyBlock);

}  // namespace zalvert::engine::odbc
