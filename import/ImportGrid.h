#pragma once
// The cell store of the import grid: text cells addressed as (column, row), row 0
// the title row. Texts live in a shared arena, so a row of the usual five short
// fields costs little more than its characters; a million rows are normal work.
// Cells are never emptied by a new file: what it does not write keeps its text.

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zalvert {

class TImportGrid {
  public:
    static constexpr int kColCount = 6;  // the columns shown; further ones are kept aside

    TImportGrid();
    TImportGrid(const TImportGrid&) = delete;
    TImportGrid& operator=(const TImportGrid&) = delete;

    int ColCount() const { return kColCount; }
    // Rows shown: the title row and the data rows. Rows past it keep their cells.
    int RowCount() const { return rowCount_; }
    void SetRowCount(int rows);

    std::string_view Cells(int col, int row) const;
    void SetCells(int col, int row, std::string_view text);

    // Bytes held by the store, for the benchmark's figures.
    size_t MemoryUsage() const;

  private:
    // 8 bytes a cell: the text block in the upper bits, the offset in it below.
    struct TCellRef {
        std::uint32_t Where = 0;
        std::uint32_t Length = 0;
        std::uint32_t Block() const { return Where >> kOffsetBits; }
        std::uint32_t Offset() const { return Where & ((1u << kOffsetBits) - 1); }
    };
    static constexpr int kOffsetBits = 20;
    static constexpr size_t kMaxTextBlocks = size_t{1} << (32 - kOffsetBits);
    using TRow = TCellRef[kColCount];
    static constexpr size_t kRowsPerBlock = 4096;
    static constexpr size_t kTextBlockSize = size_t{1} << kOffsetBits;

    const TCellRef* Find(int col, int row) const;
    TCellRef& Slot(int col, int row);
    TCellRef Store(std::string_view text);
    void CompactIfWasteful();

    int rowCount_ = 2;
    size_t storedRows_ = 0;
    std::vector<std::unique_ptr<TRow[]>> rowBlocks_;
    std::unordered_map<std::uint64_t, TCellRef> extraCells_;  // columns past the shown ones

    struct TTextBlock {
        std::unique_ptr<char[]> Data;
        size_t Size = 0;
        size_t Used = 0;
    };
    std::vector<TTextBlock> textBlocks_;
    size_t liveBytes_ = 0;
    size_t wastedBytes_ = 0;
};

}  // namespace zalvert
