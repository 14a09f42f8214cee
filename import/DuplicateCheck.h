#pragma once
// Billing records sent twice: a line whose sender, recipient, both dates and tour
// equal those of a stored record, or of an earlier line of the same file. Texts are
// compared trimmed and case-folded (German rules: "Straße" is "STRASSE"), dates as
// dates. Keys are kept as 96 bits of two of the toolkit's hashes: of a million
// records and a million lines, two different keys meet with a chance of about one
// in 10^16. The stored records are looked up in the file's lines, not the other way
// round: the lines are fewer or as many, and are read anyway.

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rtl/DateTime.h"
#include "rtl/LargeMemory.h"

namespace zalvert {

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
    // A character of two bytes, folded; learnt from ICU at its first time.
    const std::string& FoldedPair(unsigned char lead, unsigned char trail);
    void AppendFoldedByIcu(std::string_view text);

    std::string normal_;  // the compared form, reused from key to key
    // Folding is a mapping of single characters: the two-byte ones (Latin, Greek,
    // Cyrillic) by a table, index (lead - 0xC2) * 64 + trail's six bits.
    std::vector<std::string> pairs_;
    std::vector<bool> pairKnown_;
    // Looked up by a view of the text, without a copy of it.
    struct TTextHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    // Folded forms of texts beyond ASCII: senders and recipients come again and
    // again, and ICU's folding costs more than the rest of a line's check.
    std::unordered_map<std::string, std::string, TTextHash, std::equal_to<>> folded_;
};

// The lines of one file as the check sees them: the key of each line the row check
// took, the earlier line with the same key, and the run that stored it. 12 bytes a
// line while the keys are matched (the run reads a line's dates again from its
// texts), 4 once the matching ends: then only each line's answer stays.
class TLineKeys {
  public:
    explicit TLineKeys(int rows);
    // Each row once; two threads may add at once, each rows of its own.
    void Add(int row, const TRecordKeyHash& hash);
    // Every line is added; what follows holds from here on. The keys can be looked
    // up from several threads, as long as only one marks.
    void EndAdding();
    // The first row with this key.
    std::optional<int> Find(const TRecordKeyHash& hash) const;
    void Prefetch(const TRecordKeyHash& hash) const;
    // A stored record has the key of `row`, a row Find gave: the earliest run counts.
    void MarkStored(int row, int run);
    // The lookups are over: the table of first rows and the keys go, each line's
    // answers stay.
    void EndMatching();

    // Whether the row was added.
    bool Taken(int row) const;
    // The first earlier line with the same key; none for the first.
    std::optional<int> EarlierRow(int row) const;
    // The run that stored a record with the key of the row.
    std::optional<int> StoredRun(int row) const;

  private:
    // The first row of a key: its line holds the first half of the key.
    struct TSlot {
        std::uint32_t Second = 0;
        int Row = 0;  // 0: empty
    };
    // A line's mark: not taken, taken and the first with its key, the earlier row
    // with its key, or the run that stored its key, by its index in runs_. Until
    // the adding ends, the second half of the line's key.
    static constexpr std::int32_t kNotTaken = INT_MIN;
    static constexpr std::int32_t kFirst = 0;
    static std::int32_t StoredMark(size_t runIndex) {
        return -1 - static_cast<std::int32_t>(runIndex);
    }
    static bool IsStored(std::int32_t mark) { return mark < kFirst && mark != kNotTaken; }
    int RunOf(std::int32_t storedMark) const {
        return runs_[static_cast<size_t>(-1 - static_cast<std::int64_t>(storedMark))];
    }
    // Two zero halves stand for a line not added: such a key counts as (0, 1).
    static TRecordKeyHash Kept(TRecordKeyHash hash) {
        if (hash.First == 0 && hash.Second == 0) hash.Second = 1;
        return hash;
    }
    bool Added(size_t row) const { return firstHalves_[row] != 0 || marks_[row] != 0; }
    std::int32_t Mark(int row) const;
    // The slot from the key's upper bits: the table need not be a power of two long.
    size_t SlotOf(const TRecordKeyHash& hash) const {
        return static_cast<size_t>((static_cast<unsigned __int128>(hash.First) * firsts_.size()) >>
                                   64);
    }
    TRecordKeyHash AddedKey(int row) const;
    // Gives the line its earlier row with the same key, or its key a slot.
    void Place(int row);
    // The earlier row with this key; none when `row` is the first, which is kept.
    std::optional<int> FirstRow(const TRecordKeyHash& hash, int row);
    size_t RunIndex(int run);

    // A value for every line of the file: whole large pages for a large file.
    template <class T>
    using TLineVector = std::vector<T, TLargeAllocator<T>>;

    TLineVector<std::uint64_t> firstHalves_;  // until the matching ends
    TLineVector<std::int32_t> marks_;
    // Open addressing, at most 2/3 full: made when the lines taken are known.
    TLineVector<TSlot> firsts_;
    std::vector<int> runs_;  // the runs the marks name, each once
    std::unordered_map<int, size_t> runIndex_;
    bool addingEnded_ = false;
    bool matchingEnded_ = false;
};

}  // namespace zalvert
