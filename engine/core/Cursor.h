#pragma once
// A position over the live rows of a TRowPositions: BOF and EOF, the moves, the
// absolute and percent positions. Both back ends' recordsets hold one; a clone is
// a second cursor over the same rows. A cursor reports refusals and never throws
// of its own: the recordset turns a refusal into its numbered error in one place.
//
// Position() is -1 before the first row and KnownSize() (at that time) after the
// last; a current row is there when neither BOF nor EOF holds.

#include <memory>
#include <optional>

#include "engine/DaoError.h"
#include "engine/core/RowPositions.h"

namespace zalvert::engine {

enum class TCursorRefusal { None, NoCurrentRecord, NotSupported, InvalidArgument };

// The engine error a refusal (not None) stands for.
TDaoErr ErrorOf(TCursorRefusal refusal);

enum class TMove { First, Last, Next, Previous, By };

class TCursor {
  public:
    TCursor() = default;
    // Placed on the first live row, or at BOF and EOF when there is none.
    TCursor(std::shared_ptr<TRowPositions> rows, bool forwardOnly);

    const std::shared_ptr<TRowPositions>& Rows() const { return rows_; }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    long Position() const { return pos_; }
    bool HasCurrent() const;

    // What a move would be refused with before anything changes (`rows` for
    // TMove::By); TCursorRefusal::None when it may go ahead.
    TCursorRefusal Refusal(TMove move, long rows = 0) const;
    // The moves, each after its Refusal gave None. First and Last refuse with
    // NoCurrentRecord when no live row is there, leaving BOF and EOF both set.
    TCursorRefusal First();
    TCursorRefusal Last();  // reads every row
    void Next();
    void Previous();
    void Move(long rows);

    bool ForwardOnly() const { return forwardOnly_; }
    // The number of live rows before the current one; -1 without a current row.
    long AbsolutePosition() const;
    // The number of live rows before position `pos`.
    long LiveBefore(long pos) const;
    // The position of the live row with `live` live rows before it; none past the end.
    std::optional<size_t> LivePosition(long live);
    // Of `count` records (the recordset's count), the current one's share, 0 without one.
    double PercentPosition(long count) const;
    // The position of the live row at `percent` of them (all rows are read first);
    // NoCurrentRecord when none is live, InvalidArgument outside 0 to 100.
    TCursorRefusal PercentTarget(double percent, size_t& pos);

    // A bookmark, a seek, a find or a write put the cursor on `pos`.
    void LandOn(size_t pos);
    // No current row, as a new clone: BOF and EOF when no row is live.
    TCursor Unpositioned() const;
    // BOF and EOF with no current row (the recordset was closed or emptied).
    void Clear();

  private:
    std::optional<long> NextLive(long from, int direction) const;
    TCursorRefusal LandOnLive(std::optional<long> pos);
    bool NoLiveRows() const;
    void PastTheEnd(long pos);

    std::shared_ptr<TRowPositions> rows_;
    bool forwardOnly_ = false;
    long pos_ = -1;
    bool bof_ = true;
    bool eof_ = true;
};

}  // namespace zalvert::engine
