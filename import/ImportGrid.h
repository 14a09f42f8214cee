#pragma once
// The cell store of the import grid: text cells addressed as (column, row), row 0
// the title row. Texts live in a shared arena, a row's line fields one after the
// other, so a row of the usual five short fields costs its characters and 16
// bytes; a million rows are normal work. Cells are never emptied by a new file:
// what it does not write keeps its text.

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rtl/LargeMemory.h"

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
    // A file's line: `cells` into the columns from 0 on, as SetCells of each would
    // write them, the line's texts laid at once where the row holds none yet.
    void SetLine(int row, std::span<const std::string_view> cells);

    // A file's lines are all in: what the store has taken and not yet filled goes
    // back to the system until it is written.
    void ReleaseSlack();

    // Bytes held by the store, for the benchmark's figures.
    size_t MemoryUsage() const;

  private:
    // A text on its own: its block in the upper bits of Where, the offset in it below.
    struct TCellRef {
        std::uint32_t Where = 0;
        std::uint32_t Length = 0;
    };
    // The columns a file's line fills one after the other, and whose texts follow
    // each other in the store; the last column (the run's verdict, written later)
    // has its own reference.
    static constexpr int kLineCols = kColCount - 1;
    // A length that marks a cell of the line kept on its own, in `aside_`: a text of
    // 64 KiB or more.
    static constexpr std::uint16_t kAside = 0xFFFF;
    // The last column holds a run's verdicts: a few texts, again and again. A row
    // names its text by number; kAside for one kept in `aside_`, 0 for none.
    static constexpr size_t kMaxShared = kAside - 1;
    static constexpr size_t kMaxSharedBytes = 255;
    // 16 bytes a row instead of 48 for six references.
    struct TRow {
        std::uint32_t Where = 0;  // the line's first text
        std::uint16_t Length[kLineCols] = {};
        std::uint16_t Last = 0;
    };
    static_assert(sizeof(TRow) == 16);
    static constexpr int kOffsetBits = 21;
    static constexpr size_t kMaxTextBlocks = size_t{1} << (32 - kOffsetBits);
    static constexpr size_t kRowsPerBlock = 4096;
    // A grid of up to some hundred thousand lines keeps its rows and texts in small
    // blocks from the heap; past them, a large one fills whole large pages: blocks
    // of rows cut from runs of a large page, texts in blocks of a large page.
    static constexpr size_t kRowBlocksPerRun = kLargePageBytes / (kRowsPerBlock * sizeof(TRow));
    static constexpr size_t kHeapTextBlocks = 8;
    static constexpr size_t kHeapTextBlockSize = size_t{1} << 20;
    static constexpr size_t kTextBlockSize = size_t{1} << kOffsetBits;
    static_assert(kTextBlockSize == kLargePageBytes && kHeapTextBlockSize < kLargePageBytes);
    static constexpr size_t kCompactAfterBytes = kHeapTextBlocks * kHeapTextBlockSize;

    const TRow* FindRow(int row) const;
    TRow& SlotRow(int row);
    void AddRowBlock();
    std::string_view Text(std::uint32_t where, size_t length) const;
    char* Place(std::uint32_t where);
    std::string_view LineText(const TRow& r, int col) const;
    size_t LineBytes(const TRow& r) const;
    std::string_view AsideText(int col, int row) const;
    void SetLineCell(TRow& r, int col, int row, std::string_view text);
    bool EndsTheStore(const TRow& r, size_t bytes) const;
    void LayLine(TRow& r, int col, std::string_view text);
    void SetAside(int col, int row, std::string_view text);
    std::string_view LastText(const TRow& r, int row) const;
    void SetLast(TRow& r, int row, std::string_view text);
    void Drop(size_t bytes);
    std::uint32_t Reserve(size_t bytes);
    TCellRef Store(std::string_view text);
    void CompactIfWasteful();

    int rowCount_ = 2;
    size_t storedRows_ = 0;
    std::vector<TRow*> rowBlocks_;
    // The first blocks of rows one by one, later ones in runs.
    std::vector<TLargeArray<TRow>> rowMemory_;
    // Columns past the shown ones, the line's texts of 64 KiB or more, and verdicts
    // without a number.
    std::unordered_map<std::uint64_t, TCellRef> aside_;
    // The last column's texts, never given up: a deque does not move them.
    std::deque<std::string> shared_;
    std::unordered_map<std::string_view, std::uint16_t> sharedIndex_;

    struct TTextBlock {
        TLargeArray<char> Data;
        size_t Size = 0;
        size_t Used = 0;
    };
    std::vector<TTextBlock> textBlocks_;
    size_t liveBytes_ = 0;
    size_t wastedBytes_ = 0;
};

}  // namespace zalvert
