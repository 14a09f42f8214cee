#pragma once
// Billing records sent twice: a line whose sender, recipient, both dates and tour
// equal those of a stored record, or of an earlier line of the same file. Texts are
// compared trimmed and case-folded (German rules: "Straße" is "STRASSE"), dates as
// dates. Keys are kept as 96 bits of two of the toolkit's hashes, 16 bytes a record:
// of a million records and a million lines, two different keys meet with a chance
// of about one in 10^16.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rtl/DateTime.h"

namespace zalvert {

namespace engine {
class Database;
}

struct TRecordKeyHash {
    std::uint64_t First = 0;
    std::uint32_t Second = 0;
    bool operator==(const TRecordKeyHash&) const = default;
    auto operator<=>(const TRecordKeyHash&) const = default;
};

// The fields as the check compares them.
struct TRecordKey {
    std::string_view Sender, Recipient, Tour;
    TDateTime From = 0, To = 0;
};

class TRecordKeyHasher {
  public:
    TRecordKeyHash Hash(const TRecordKey& key);

  private:
    void AppendFolded(std::string_view text);

    std::string normal_;  // the compared form, reused from key to key
    // Folded forms of texts beyond ASCII: senders and recipients come again and
    // again, and ICU's folding costs more than the rest of a line's check.
    std::unordered_map<std::string, std::string> folded_;
};

class TStoredKeys {
  public:
    // Reads the key of every stored billing record; records of `exceptRun` and of
    // later runs are left out when it is set.
    void Load(engine::Database& db, int exceptRun = 0);
    // The import identifier of a stored record with this key.
    std::optional<int> RunOf(const TRecordKeyHash& hash) const;
    size_t Count() const { return keys_.size(); }

  private:
    struct TEntry {
        TRecordKeyHash Hash;
        int ImportId = 0;
    };
    std::vector<TEntry> keys_;  // in hash order
    // Where the keys of each value of a hash's top bits begin: one look instead of
    // a binary search through a million keys.
    std::vector<std::uint32_t> buckets_;
    int shift_ = 64;
};

// The lines of one file: the first row taken with each key.
class TFileKeys {
  public:
    // Room for `rows` keys before it grows.
    explicit TFileKeys(size_t rows);
    // The earlier row with this key; none when `row` is the first, which is then kept.
    std::optional<int> EarlierRow(const TRecordKeyHash& hash, int row);

  private:
    struct TSlot {
        std::uint64_t First = 0;
        std::uint32_t Second = 0;
        int Row = 0;  // 0: empty
    };
    void Grow();
    std::vector<TSlot> slots_;  // open addressing, a power of two long, at most 2/3 full
    size_t used_ = 0;
};

}  // namespace zalvert
