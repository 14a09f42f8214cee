#include "import/ImportGrid.h"

#include <cstring>
#include <stdexcept>

namespace zalvert {
namespace {

std::uint64_t ExtraKey(int col, int row) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) << 32) |
           static_cast<std::uint32_t>(col);
}

}  // namespace

TImportGrid::TImportGrid() = default;

void TImportGrid::SetRowCount(int rows) {
    if (rows < 1) throw std::out_of_range("grid needs its title row");
    rowCount_ = rows;
}

const TImportGrid::TCellRef* TImportGrid::Find(int col, int row) const {
    if (col < 0 || row < 0) return nullptr;
    if (col >= kColCount) {
        const auto it = extraCells_.find(ExtraKey(col, row));
        return it == extraCells_.end() ? nullptr : &it->second;
    }
    if (static_cast<size_t>(row) >= storedRows_) return nullptr;
    return &rowBlocks_[row / kRowsPerBlock][row % kRowsPerBlock][col];
}

TImportGrid::TCellRef& TImportGrid::Slot(int col, int row) {
    if (col < 0 || row < 0) throw std::out_of_range("grid cell out of range");
    if (col >= kColCount) return extraCells_[ExtraKey(col, row)];
    const auto needed = static_cast<size_t>(row) + 1;
    while (storedRows_ < needed) {
        if (storedRows_ % kRowsPerBlock == 0)
            rowBlocks_.push_back(std::make_unique<TRow[]>(kRowsPerBlock));
        storedRows_ = std::min(needed, (storedRows_ / kRowsPerBlock + 1) * kRowsPerBlock);
    }
    return rowBlocks_[row / kRowsPerBlock][row % kRowsPerBlock][col];
}

std::string_view TImportGrid::Cells(int col, int row) const {
    const TCellRef* cell = Find(col, row);
    if (cell == nullptr || cell->Length == 0) return {};
    return {textBlocks_[cell->Block()].Data.get() + cell->Offset(), cell->Length};
}

TImportGrid::TCellRef TImportGrid::Store(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > UINT32_MAX)
        throw std::length_error("Ein Feld der Importdatei ist länger als 4 GiB.");
    if (textBlocks_.empty() || textBlocks_.back().Size - textBlocks_.back().Used < text.size()) {
        if (textBlocks_.size() == kMaxTextBlocks)
            throw std::length_error("Die Importdatei hat mehr als 4 GiB Text.");
        // A text longer than a block gets one of its own, starting at offset 0.
        const size_t size = std::max(kTextBlockSize, text.size());
        // Not zeroed: only what Store copies in is ever read.
        textBlocks_.push_back({std::make_unique_for_overwrite<char[]>(size), size, 0});
    }
    TTextBlock& block = textBlocks_.back();
    std::memcpy(block.Data.get() + block.Used, text.data(), text.size());
    const auto where =
        static_cast<std::uint32_t>(((textBlocks_.size() - 1) << kOffsetBits) | block.Used);
    const TCellRef ref{where, static_cast<std::uint32_t>(text.size())};
    block.Used += text.size();
    liveBytes_ += text.size();
    return ref;
}

void TImportGrid::SetCells(int col, int row, std::string_view text) {
    TCellRef& slot = Slot(col, row);
    if (Cells(col, row) == text) return;
    liveBytes_ -= slot.Length;
    wastedBytes_ += slot.Length;
    slot = Store(text);
    CompactIfWasteful();
}

// Overwritten texts stay in the arena until they outweigh the live ones; then the
// live texts move into fresh blocks.
void TImportGrid::CompactIfWasteful() {
    if (wastedBytes_ < kTextBlockSize * 8 || wastedBytes_ < liveBytes_) return;
    std::vector<TTextBlock> old;
    old.swap(textBlocks_);
    liveBytes_ = 0;
    wastedBytes_ = 0;
    const auto move = [&](TCellRef& cell) {
        if (cell.Length > 0)
            cell = Store({old[cell.Block()].Data.get() + cell.Offset(), cell.Length});
    };
    for (size_t row = 0; row < storedRows_; ++row)
        for (TCellRef& cell : rowBlocks_[row / kRowsPerBlock][row % kRowsPerBlock]) move(cell);
    for (auto& entry : extraCells_) move(entry.second);
}

size_t TImportGrid::MemoryUsage() const {
    size_t bytes = rowBlocks_.size() * kRowsPerBlock * sizeof(TRow);
    for (const TTextBlock& block : textBlocks_) bytes += block.Size;
    bytes += extraCells_.size() * (sizeof(TCellRef) + sizeof(std::uint64_t) + 16);
    return bytes;
}

}  // namespace zalvert
