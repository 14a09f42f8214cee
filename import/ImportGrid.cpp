#include "import/ImportGrid.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace zalvert {
namespace {

std::uint64_t AsideKey(int col, int row) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) << 32) |
           static_cast<std::uint32_t>(col);
}

}  // namespace

TImportGrid::TImportGrid() = default;

void TImportGrid::SetRowCount(int rows) {
    if (rows < 1) throw std::out_of_range("grid needs its title row");
    rowCount_ = rows;
}

const TImportGrid::TRow* TImportGrid::FindRow(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= storedRows_) return nullptr;
    return &rowBlocks_[row / kRowsPerBlock][row % kRowsPerBlock];
}

TImportGrid::TRow& TImportGrid::SlotRow(int row) {
    const auto needed = static_cast<size_t>(row) + 1;
    while (storedRows_ < needed) {
        if (storedRows_ % kRowsPerBlock == 0) AddRowBlock();
        storedRows_ = std::min(needed, (storedRows_ / kRowsPerBlock + 1) * kRowsPerBlock);
    }
    return rowBlocks_[row / kRowsPerBlock][row % kRowsPerBlock];
}

void TImportGrid::AddRowBlock() {
    const size_t block = rowBlocks_.size();
    if (block < kRowBlocksPerRun || block % kRowBlocksPerRun == 0) {
        const size_t rows = kRowsPerBlock * (block < kRowBlocksPerRun ? 1 : kRowBlocksPerRun);
        rowMemory_.push_back(MakeLargeArrayForOverwrite<TRow>(rows));
        std::uninitialized_value_construct_n(rowMemory_.back().get(), rows);
    }
    const size_t inRun = block < kRowBlocksPerRun ? 0 : block % kRowBlocksPerRun;
    rowBlocks_.push_back(rowMemory_.back().get() + inRun * kRowsPerBlock);
}

void TImportGrid::ReleaseSlack() {
    if (!textBlocks_.empty()) {
        const TTextBlock& last = textBlocks_.back();
        ReleaseLargeTail(last.Data.get(), last.Used, last.Size);
    }
    // Rows not stored yet are all zero, as they read again.
    if (rowBlocks_.size() > kRowBlocksPerRun) {
        const size_t runRows = kRowsPerBlock * kRowBlocksPerRun;
        const size_t runStart = (rowBlocks_.size() - 1) / kRowBlocksPerRun * runRows;
        ReleaseLargeTail(rowMemory_.back().get(), (storedRows_ - runStart) * sizeof(TRow),
                         runRows * sizeof(TRow));
    }
}

std::string_view TImportGrid::Text(std::uint32_t where, size_t length) const {
    if (length == 0) return {};
    const TTextBlock& block = textBlocks_[where >> kOffsetBits];
    return {block.Data.get() + (where & ((1u << kOffsetBits) - 1)), length};
}

char* TImportGrid::Place(std::uint32_t where) {
    return textBlocks_[where >> kOffsetBits].Data.get() + (where & ((1u << kOffsetBits) - 1));
}

// The line's cells lie one after the other from Where; one kept aside takes no room.
std::string_view TImportGrid::LineText(const TRow& r, int col) const {
    size_t offset = 0;
    for (int i = 0; i < col; ++i)
        if (r.Length[i] != kAside) offset += r.Length[i];
    return Text(r.Where + static_cast<std::uint32_t>(offset), r.Length[col]);
}

size_t TImportGrid::LineBytes(const TRow& r) const {
    size_t bytes = 0;
    for (std::uint16_t length : r.Length)
        if (length != kAside) bytes += length;
    return bytes;
}

std::string_view TImportGrid::AsideText(int col, int row) const {
    const auto it = aside_.find(AsideKey(col, row));
    return it == aside_.end() ? std::string_view{} : Text(it->second.Where, it->second.Length);
}

std::string_view TImportGrid::Cells(int col, int row) const {
    if (col < 0 || row < 0) return {};
    if (col >= kColCount) return AsideText(col, row);
    const TRow* r = FindRow(row);
    if (r == nullptr) return {};
    if (col == kLineCols) return LastText(*r, row);
    if (r->Length[col] == kAside) return AsideText(col, row);
    return LineText(*r, col);
}

void TImportGrid::Drop(size_t bytes) {
    liveBytes_ -= bytes;
    wastedBytes_ += bytes;
}

// Room for `bytes` in one block: the last one, or a new one.
std::uint32_t TImportGrid::Reserve(size_t bytes) {
    if (textBlocks_.empty() || textBlocks_.back().Size - textBlocks_.back().Used < bytes) {
        if (textBlocks_.size() == kMaxTextBlocks)
            throw std::length_error("Die Importdatei hat mehr als 4 GiB Text.");
        // A text longer than a block gets one of its own, starting at offset 0.
        const size_t size = std::max(
            textBlocks_.size() < kHeapTextBlocks ? kHeapTextBlockSize : kTextBlockSize, bytes);
        // Not zeroed: only what is copied in is ever read.
        textBlocks_.push_back({MakeLargeArrayForOverwrite<char>(size), size, 0});
    }
    TTextBlock& block = textBlocks_.back();
    const auto where =
        static_cast<std::uint32_t>(((textBlocks_.size() - 1) << kOffsetBits) | block.Used);
    block.Used += bytes;
    liveBytes_ += bytes;
    return where;
}

TImportGrid::TCellRef TImportGrid::Store(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > UINT32_MAX)
        throw std::length_error("Ein Feld der Importdatei ist länger als 4 GiB.");
    const std::uint32_t where = Reserve(text.size());
    std::memcpy(Place(where), text.data(), text.size());
    return {where, static_cast<std::uint32_t>(text.size())};
}

void TImportGrid::SetAside(int col, int row, std::string_view text) {
    const auto it = aside_.find(AsideKey(col, row));
    if (it != aside_.end()) {
        Drop(it->second.Length);
        if (text.empty()) {
            aside_.erase(it);
            return;
        }
        it->second = Store(text);
    } else if (!text.empty()) {
        aside_.emplace(AsideKey(col, row), Store(text));
    }
}

void TImportGrid::SetCells(int col, int row, std::string_view text) {
    if (col < 0 || row < 0) throw std::out_of_range("grid cell out of range");
    if (Cells(col, row) == text) return;
    if (col >= kColCount) {
        SetAside(col, row, text);
    } else {
        TRow& r = SlotRow(row);
        if (col == kLineCols) {
            SetLast(r, row, text);
        } else {
            SetLineCell(r, col, row, text);
        }
    }
    CompactIfWasteful();
}

void TImportGrid::SetLine(int row, std::span<const std::string_view> cells) {
    if (row < 0) throw std::out_of_range("grid cell out of range");
    const size_t inLine = std::min(cells.size(), static_cast<size_t>(kLineCols));
    const TRow* old = FindRow(row);
    bool fresh = !old || std::all_of(std::begin(old->Length), std::end(old->Length),
                                     [](std::uint16_t length) { return length == 0; });
    size_t total = 0;
    for (size_t i = 0; i < inLine; ++i) {
        fresh = fresh && cells[i].size() < kAside;
        total += cells[i].size();
    }
    if (!fresh || total == 0) {
        for (size_t i = 0; i < inLine; ++i) SetCells(static_cast<int>(i), row, cells[i]);
    } else {
        TRow& r = SlotRow(row);
        r.Where = Reserve(total);
        char* out = Place(r.Where);
        for (size_t i = 0; i < inLine; ++i) {
            if (!cells[i].empty()) std::memcpy(out, cells[i].data(), cells[i].size());
            out += cells[i].size();
            r.Length[i] = static_cast<std::uint16_t>(cells[i].size());
        }
    }
    for (size_t i = inLine; i < cells.size(); ++i) SetCells(static_cast<int>(i), row, cells[i]);
}

std::string_view TImportGrid::LastText(const TRow& r, int row) const {
    if (r.Last == kAside) return AsideText(kLineCols, row);
    return r.Last == 0 ? std::string_view{} : shared_[r.Last - 1];
}

// A text met before is named by its number; a new short one is numbered while
// numbers last; any other is kept aside.
void TImportGrid::SetLast(TRow& r, int row, std::string_view text) {
    if (r.Last == kAside) SetAside(kLineCols, row, {});
    r.Last = 0;
    if (text.empty()) return;
    if (const auto it = sharedIndex_.find(text); it != sharedIndex_.end()) {
        r.Last = it->second;
    } else if (text.size() <= kMaxSharedBytes && shared_.size() < kMaxShared) {
        shared_.emplace_back(text);
        r.Last = static_cast<std::uint16_t>(shared_.size());
        sharedIndex_.emplace(shared_.back(), r.Last);
    } else {
        r.Last = kAside;
        SetAside(kLineCols, row, text);
    }
}

// Whether the row's line is the last text stored, so that a cell after it can be
// appended in place: reading a file fills a fresh row so.
bool TImportGrid::EndsTheStore(const TRow& r, size_t bytes) const {
    if (bytes == 0) return true;
    const TTextBlock& last = textBlocks_.back();
    return (r.Where >> kOffsetBits) == textBlocks_.size() - 1 &&
           (r.Where & ((1u << kOffsetBits) - 1)) + bytes == last.Used;
}

void TImportGrid::SetLineCell(TRow& r, int col, int row, std::string_view text) {
    // A text of 64 KiB or more is kept on its own and takes no room in the line.
    const bool own = text.size() >= kAside;
    if (r.Length[col] == kAside) SetAside(col, row, {});
    const std::string_view inLine = own ? std::string_view{} : text;
    bool laterInLine = false;
    for (int i = col; i < kLineCols; ++i)
        laterInLine = laterInLine || (r.Length[i] != kAside && r.Length[i] > 0);
    const size_t bytes = LineBytes(r);
    const bool fits =
        bytes == 0 || textBlocks_.back().Size - textBlocks_.back().Used >= inLine.size();
    if (!laterInLine && fits && EndsTheStore(r, bytes)) {
        if (!inLine.empty()) {
            const std::uint32_t where = Reserve(inLine.size());
            if (bytes == 0) r.Where = where;
            std::memcpy(Place(where), inLine.data(), inLine.size());
        }
    } else {
        LayLine(r, col, inLine);
    }
    r.Length[col] = own ? kAside : static_cast<std::uint16_t>(inLine.size());
    if (own) SetAside(col, row, text);
}

// The line anew at the end of the store, with `text` in column `col`; the old
// line's texts are given up.
void TImportGrid::LayLine(TRow& r, int col, std::string_view text) {
    std::string_view parts[kLineCols];
    size_t total = 0;
    for (int i = 0; i < kLineCols; ++i) {
        parts[i] = i == col ? text : r.Length[i] == kAside ? std::string_view{} : LineText(r, i);
        total += parts[i].size();
    }
    Drop(LineBytes(r));
    // The old texts stay where they are until the store is compacted.
    if (total > 0) {
        const std::uint32_t where = Reserve(total);
        char* out = Place(where);
        for (std::string_view part : parts) {
            if (part.empty()) continue;  // an empty view may point nowhere
            std::memcpy(out, part.data(), part.size());
            out += part.size();
        }
        r.Where = where;
    }
    r.Length[col] = static_cast<std::uint16_t>(text.size());
}

// Overwritten texts stay in the arena until they outweigh the live ones; then the
// live texts move into fresh blocks.
void TImportGrid::CompactIfWasteful() {
    if (wastedBytes_ < kCompactAfterBytes || wastedBytes_ < liveBytes_) return;
    std::vector<TTextBlock> old;
    old.swap(textBlocks_);
    liveBytes_ = 0;
    wastedBytes_ = 0;
    const auto text = [&](std::uint32_t where, size_t length) {
        return std::string_view(
            old[where >> kOffsetBits].Data.get() + (where & ((1u << kOffsetBits) - 1)), length);
    };
    const auto move = [&](TCellRef& cell) {
        if (cell.Length > 0) cell = Store(text(cell.Where, cell.Length));
    };
    for (size_t row = 0; row < storedRows_; ++row) {
        TRow& r = rowBlocks_[row / kRowsPerBlock][row % kRowsPerBlock];
        if (const size_t bytes = LineBytes(r); bytes > 0)
            r.Where = Store(text(r.Where, bytes)).Where;
    }
    for (auto& entry : aside_) move(entry.second);
}

size_t TImportGrid::MemoryUsage() const {
    size_t bytes = rowBlocks_.size() * kRowsPerBlock * sizeof(TRow);
    for (const TTextBlock& block : textBlocks_) bytes += block.Size;
    bytes += aside_.size() * (sizeof(TCellRef) + sizeof(std::uint64_t) + 16);
    for (const std::string& text : shared_) bytes += sizeof text + text.capacity() + 32;
    return bytes;
}

}  // namespace zalvert
