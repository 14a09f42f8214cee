#include "import/DuplicateCheck.h"

#include <QHashFunctions>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "engine/Dao.h"
#include "rtl/TextCase.h"

namespace zalvert {
namespace {

constexpr char kFieldEnd = '\x1F';
constexpr std::uint64_t kFirstSeed = 0x5A616C76;  // two independent hashes of one text
constexpr std::uint64_t kSecondSeed = 0x65727421;

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// ASCII by a table; any other text by ICU's full case folding.
void AppendFolded(std::string& out, std::string_view text) {
    text = Trimmed(text);
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
    if (!ascii) {
        out += FoldedCase(text);
    } else {
        for (char c : text) out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    out += kFieldEnd;
}

// A date to the millisecond, as the engine keeps it.
void AppendDate(std::string& out, TDateTime value) {
    const auto units = static_cast<std::int64_t>(std::llround(value * 86400000.0));
    char bytes[sizeof units];
    std::memcpy(bytes, &units, sizeof units);
    out.append(bytes, sizeof bytes);
}

}  // namespace

TRecordKeyHash TRecordKeyHasher::Hash(const TRecordKey& key) {
    normal_.clear();
    AppendFolded(normal_, key.Sender);
    AppendFolded(normal_, key.Recipient);
    AppendFolded(normal_, key.Tour);
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
    auto& fields = rs->Fields();
    const auto text = [](const Variant& value) {
        return value.Type() == TVarType::String ? value.StringValue() : value.AsString();
    };
    TRecordKeyHasher hasher;
    for (; !rs->Eof(); rs->MoveNext()) {
        const Variant from = fields.Item(3)->Value(), to = fields.Item(4)->Value();
        // A record without both dates is no import's: no line can equal it.
        if (from.IsEmptyOrNull() || to.IsEmptyOrNull()) continue;
        const Variant sender = fields.Item(0)->Value(), recipient = fields.Item(1)->Value(),
                      tour = fields.Item(2)->Value(), run = fields.Item(5)->Value();
        const TRecordKey key{sender.IsNull() ? std::string() : text(sender),
                             recipient.IsNull() ? std::string() : text(recipient),
                             tour.IsNull() ? std::string() : text(tour), from.AsDateTime(),
                             to.AsDateTime()};
        keys_.push_back({hasher.Hash(key), run.IsNull() ? 0 : run.AsInteger()});
    }
    rs->Close();
    std::sort(keys_.begin(), keys_.end(),
              [](const TEntry& a, const TEntry& b) { return a.Hash < b.Hash; });
}

std::optional<int> TStoredKeys::RunOf(const TRecordKeyHash& hash) const {
    const auto it =
        std::lower_bound(keys_.begin(), keys_.end(), hash,
                         [](const TEntry& a, const TRecordKeyHash& h) { return a.Hash < h; });
    if (it == keys_.end() || it->Hash != hash) return std::nullopt;
    return it->ImportId;
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
