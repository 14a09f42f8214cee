#include "import/DuplicateCheck.h"

#include <QHashFunctions>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/Dao.h"
#include "rtl/TextCase.h"

namespace zalvert {
namespace {

constexpr char kFieldEnd = '\x1F';
constexpr std::uint64_t kFirstSeed = 0x5A616C76;  // two independent hashes of one text
constexpr std::uint64_t kSecondSeed = 0x65727421;
constexpr size_t kFoldedKept = 4096;  // texts beyond ASCII, most often a few companies

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A date to the millisecond, as the engine keeps it.
void AppendDate(std::string& out, TDateTime value) {
    const auto units = static_cast<std::int64_t>(std::llround(value * 86400000.0));
    char bytes[sizeof units];
    std::memcpy(bytes, &units, sizeof units);
    out.append(bytes, sizeof bytes);
}

}  // namespace

// ASCII by a table; any other text by ICU's full case folding, kept for its next time.
void TRecordKeyHasher::AppendFolded(std::string_view text) {
    text = Trimmed(text);
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii) {
        for (char c : text) normal_ += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    } else {
        auto it = folded_.find(std::string(text));
        if (it == folded_.end()) {
            if (folded_.size() >= kFoldedKept) folded_.clear();
            it = folded_.emplace(std::string(text), FoldedCase(text)).first;
        }
        normal_ += it->second;
    }
    normal_ += kFieldEnd;
}

TRecordKeyHash TRecordKeyHasher::Hash(const TRecordKey& key) {
    normal_.clear();
    AppendFolded(key.Sender);
    AppendFolded(key.Recipient);
    AppendFolded(key.Tour);
    AppendDate(normal_, key.From);
    AppendDate(normal_, key.To);
    return {static_cast<std::uint64_t>(qHashBits(normal_.data(), normal_.size(), kFirstSeed)),
            static_cast<std::uint32_t>(qHashBits(normal_.data(), normal_.size(), kSecondSeed))};
}

void TStoredKeys::Load(engine::Database& db, int exceptRun) {
    keys_.clear();
    std::string sql = "SELECT Recvon, Recan, Tour, Datumvon, Datumbis, ImportID FROM Zalvert";
    if (exceptRun > 0) sql += " WHERE ImportID < " + std::to_string(exceptRun);
    auto rs = db.OpenRecordset(sql, engine::dbOpenForwardOnly);
    std::vector<std::shared_ptr<engine::Field>> fields;
    for (int i = 0; i < 6; ++i) fields.push_back(rs->Fields().Item(i));
    // Texts straight into strings reused from record to record.
    std::string sender, recipient, tour;
    const auto read = [&](int field, std::string& out) {
        if (fields[field]->CopyTextTo(out)) return;
        const Variant value = fields[field]->Value();
        out = value.IsEmptyOrNull() ? std::string() : value.AsString();
    };
    TRecordKeyHasher hasher;
    for (; !rs->Eof(); rs->MoveNext()) {
        const Variant from = fields[3]->Value(), to = fields[4]->Value();
        // A record without both dates is no import's: no line can equal it.
        if (from.IsEmptyOrNull() || to.IsEmptyOrNull()) continue;
        read(0, sender);
        read(1, recipient);
        read(2, tour);
        const Variant run = fields[5]->Value();
        const TRecordKeyHash hash =
            hasher.Hash({sender, recipient, tour, from.AsDateTime(), to.AsDateTime()});
        keys_.push_back({hash, run.IsEmptyOrNull() ? 0 : run.AsInteger()});
    }
    rs->Close();
    std::sort(keys_.begin(), keys_.end(),
              [](const TEntry& a, const TEntry& b) { return a.Hash < b.Hash; });
    // About one key a bucket.
    const int bits = std::max(1, static_cast<int>(std::bit_width(keys_.size())));
    shift_ = 64 - bits;
    buckets_.assign((size_t{1} << bits) + 1, 0);
    size_t at = 0;
    for (size_t bucket = 0; bucket < buckets_.size(); ++bucket) {
        while (at < keys_.size() && (keys_[at].Hash.First >> shift_) < bucket) ++at;
        buckets_[bucket] = static_cast<std::uint32_t>(at);
    }
}

std::optional<int> TStoredKeys::RunOf(const TRecordKeyHash& hash) const {
    if (keys_.empty()) return std::nullopt;
    const size_t bucket = hash.First >> shift_;
    for (size_t i = buckets_[bucket]; i < buckets_[bucket + 1]; ++i)
        if (keys_[i].Hash == hash) return keys_[i].ImportId;
    return std::nullopt;
}

TFileKeys::TFileKeys(size_t rows) : slots_(std::bit_ceil(std::max<size_t>(16, rows + rows / 2))) {}

std::optional<int> TFileKeys::EarlierRow(const TRecordKeyHash& hash, int row) {
    if ((used_ + 1) * 3 > slots_.size() * 2) Grow();
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash.First & mask;; i = (i + 1) & mask) {
        TSlot& slot = slots_[i];
        if (slot.Row == 0) {
            slot = {hash.First, hash.Second, row};
            ++used_;
            return std::nullopt;
        }
        if (slot.First == hash.First && slot.Second == hash.Second) return slot.Row;
    }
}

void TFileKeys::Grow() {
    std::vector<TSlot> old(slots_.size() * 2);
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const TSlot& slot : old) {
        if (slot.Row == 0) continue;
        size_t i = slot.First & mask;
        while (slots_[i].Row != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

}  // namespace zalvert
