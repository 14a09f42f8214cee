#include "import/DuplicateCheck.h"

#include <QHashFunctions>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include "rtl/TextCase.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

constexpr char kFieldEnd = '\x1F';
constexpr std::uint64_t kFirstSeed = 0x5A616C76;  // two independent hashes of one text
constexpr std::uint64_t kSecondSeed = 0x65727421;
constexpr size_t kFoldedKept = 4096;  // texts beyond two-byte characters
constexpr size_t kPairCount = (0xDF - 0xC2 + 1) * 64;

// By plain loops: the library's search for either of two characters costs a call
// per character.
std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    size_t first = 0, end = text.size();
    while (first < end && blank(text[first])) ++first;
    while (end > first && blank(text[end - 1])) --end;
    return text.substr(first, end - first);
}

constexpr std::uint64_t kOnes = 0x0101010101010101, kHighBits = 0x8080808080808080;

std::uint64_t Word(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Eight ASCII bytes with A-Z lowered. Bytes below 0x80 plus these constants stay
// below 0x100, so each byte's high bit tells whether it is at least 'A', and
// whether it is beyond 'Z'.
std::uint64_t LoweredWord(std::uint64_t word) {
    const std::uint64_t fromA = word + (0x80 - 'A') * kOnes;
    const std::uint64_t beyondZ = word + (0x80 - 'Z' - 1) * kOnes;
    return word | ((fromA & ~beyondZ) & kHighBits) >> 2;  // 0x20 into each capital
}

// Appends the ASCII bytes `text` begins with, A-Z lowered, and tells how many they
// were. Eight bytes at a time: a key's texts are folded for every line of a file
// and every stored record.
size_t AppendLoweredAscii(std::string& out, std::string_view text) {
    size_t run = 0;
    while (run + 8 <= text.size() && !(Word(text.data() + run) & kHighBits)) run += 8;
    while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80) ++run;
    const size_t at = out.size();
    out.append(text.data(), run);
    char* lowered = out.data() + at;
    size_t i = 0;
    for (; i + 8 <= run; i += 8) {
        const std::uint64_t word = LoweredWord(Word(lowered + i));
        std::memcpy(lowered + i, &word, sizeof word);
    }
    for (; i < run; ++i) lowered[i] = AsciiLower(lowered[i]);
    return run;
}

// A date to the millisecond, as the engine keeps it.
void AppendDate(std::string& out, TDateTime value) {
    const auto units = static_cast<std::int64_t>(std::llround(value * 86400000.0));
    char bytes[sizeof units];
    std::memcpy(bytes, &units, sizeof units);
    out.append(bytes, sizeof bytes);
}

}  // namespace

// ASCII and two-byte characters by tables; a text with any other character, or a
// byte that is no character's, by ICU as a whole, kept for its next time.
void TRecordKeyHasher::AppendFolded(std::string_view text) {
    text = Trimmed(text);
    const size_t start = normal_.size();
    for (size_t i = 0; i < text.size();) {
        if (const size_t ascii = AppendLoweredAscii(normal_, text.substr(i))) {
            i += ascii;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c >= 0xC2 && c <= 0xDF && (next & 0xC0) == 0x80) {
            normal_ += FoldedPair(c, next);
            i += 2;
            continue;
        }
        normal_.resize(start);
        AppendFoldedByIcu(text);
        break;
    }
    normal_ += kFieldEnd;
}

const std::string& TRecordKeyHasher::FoldedPair(unsigned char lead, unsigned char trail) {
    if (pairs_.empty()) {
        pairs_.resize(kPairCount);
        pairKnown_.resize(kPairCount);
    }
    const size_t index = (lead - 0xC2u) * 64 + (trail & 0x3Fu);
    if (!pairKnown_[index]) {
        const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
        pairs_[index] = FoldedCase(std::string_view(pair, 2));
        pairKnown_[index] = true;
    }
    return pairs_[index];
}

void TRecordKeyHasher::AppendFoldedByIcu(std::string_view text) {
    auto it = folded_.find(text);
    if (it == folded_.end()) {
        if (folded_.size() >= kFoldedKept) folded_.clear();
        it = folded_.emplace(std::string(text), FoldedCase(text)).first;
    }
    normal_ += it->second;
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

TLineKeys::TLineKeys(int rows)
    : firstHalves_(static_cast<size_t>(std::max(rows, 0))),
      marks_(static_cast<size_t>(std::max(rows, 0))) {}

void TLineKeys::Add(int row, const TRecordKeyHash& hash) {
    if (row <= 0 || static_cast<size_t>(row) >= marks_.size())
        throw std::out_of_range("line key out of range");
    const auto slot = static_cast<size_t>(row);
    if (addingEnded_ || Added(slot)) throw std::logic_error("line added twice or after the end");
    const TRecordKeyHash kept = Kept(hash);
    firstHalves_[slot] = kept.First;
    marks_[slot] = std::bit_cast<std::int32_t>(kept.Second);
}

TRecordKeyHash TLineKeys::AddedKey(int row) const {
    const auto slot = static_cast<size_t>(row);
    return {firstHalves_[slot], std::bit_cast<std::uint32_t>(marks_[slot])};
}

void TLineKeys::Prefetch(const TRecordKeyHash& hash) const {
    if (!firsts_.empty()) __builtin_prefetch(&firsts_[SlotOf(Kept(hash))]);
}

void TLineKeys::Place(int row) {
    marks_[static_cast<size_t>(row)] = FirstRow(AddedKey(row), row).value_or(kFirst);
}

std::optional<int> TLineKeys::FirstRow(const TRecordKeyHash& hash, int row) {
    for (size_t i = SlotOf(hash);; i = i + 1 == firsts_.size() ? 0 : i + 1) {
        TSlot& slot = firsts_[i];
        if (slot.Row == 0) {
            slot = {hash.Second, row};
            return std::nullopt;
        }
        if (slot.Second == hash.Second && firstHalves_[static_cast<size_t>(slot.Row)] == hash.First)
            return slot.Row;
    }
}

void TLineKeys::EndAdding() {
    if (addingEnded_) return;
    size_t added = 0;
    for (size_t row = 0; row < marks_.size(); ++row) added += Added(row);
    firsts_.resize(std::max<size_t>(16, added + added / 2));
    // Rows in order, each placed some rows after its slot was asked for: a million
    // slots are far beyond the processor's cache. A line not added is marked so.
    constexpr size_t kAhead = 16;
    int ahead[kAhead];
    size_t count = 0;
    for (size_t row = 0; row < marks_.size(); ++row) {
        if (!Added(row)) {
            marks_[row] = kNotTaken;
            continue;
        }
        Prefetch(AddedKey(static_cast<int>(row)));
        int& slot = ahead[count++ % kAhead];
        if (count > kAhead) Place(slot);
        slot = static_cast<int>(row);
    }
    for (size_t i = count > kAhead ? count - kAhead : 0; i < count; ++i) Place(ahead[i % kAhead]);
    addingEnded_ = true;
}

std::optional<int> TLineKeys::Find(const TRecordKeyHash& hash) const {
    if (firsts_.empty()) return std::nullopt;
    const TRecordKeyHash kept = Kept(hash);
    for (size_t i = SlotOf(kept);; i = i + 1 == firsts_.size() ? 0 : i + 1) {
        const TSlot& slot = firsts_[i];
        if (slot.Row == 0) return std::nullopt;
        if (slot.Second == kept.Second && firstHalves_[static_cast<size_t>(slot.Row)] == kept.First)
            return slot.Row;
    }
}

size_t TLineKeys::RunIndex(int run) {
    const auto [known, added] = runIndex_.try_emplace(run, runs_.size());
    if (added) runs_.push_back(run);
    return known->second;
}

void TLineKeys::MarkStored(int row, int run) {
    if (!addingEnded_ || matchingEnded_ || row <= 0 || static_cast<size_t>(row) >= marks_.size())
        throw std::logic_error("a stored key marked outside the matching");
    std::int32_t& mark = marks_[static_cast<size_t>(row)];
    if (mark == kFirst || (IsStored(mark) && run < RunOf(mark))) mark = StoredMark(RunIndex(run));
}

void TLineKeys::EndMatching() {
    // Assigning {} would empty a table but keep its memory for the rest of the run.
    firsts_ = TLineVector<TSlot>();
    firstHalves_ = TLineVector<std::uint64_t>();
    runIndex_ = {};
    matchingEnded_ = true;
}

std::int32_t TLineKeys::Mark(int row) const {
    if (!addingEnded_ || row < 0 || static_cast<size_t>(row) >= marks_.size()) return kNotTaken;
    return marks_[static_cast<size_t>(row)];
}

bool TLineKeys::Taken(int row) const {
    return Mark(row) != kNotTaken;
}

std::optional<int> TLineKeys::EarlierRow(int row) const {
    const std::int32_t mark = Mark(row);
    if (mark > kFirst) return mark;
    return std::nullopt;
}

std::optional<int> TLineKeys::StoredRun(int row) const {
    std::int32_t mark = Mark(row);
    if (mark > kFirst) mark = Mark(mark);  // the run is marked at the first line
    if (!IsStored(mark)) return std::nullopt;
    return RunOf(mark);
}

}  // namespace zalvert
