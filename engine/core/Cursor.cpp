#include "engine/core/Cursor.h"

#include <algorithm>
#include <cmath>

namespace zalvert::engine {

TDaoErr ErrorOf(TCursorRefusal refusal) {
    switch (refusal) {
        case TCursorRefusal::NotSupported:
            return TDaoErr::NotSupported;
        case TCursorRefusal::InvalidArgument:
            return TDaoErr::InvalidArgument;
        case TCursorRefusal::None:
        case TCursorRefusal::NoCurrentRecord:
            break;
    }
    return TDaoErr::NoCurrentRecord;
}

TCursor::TCursor(std::shared_ptr<TRowPositions> rows, bool forwardOnly)
    : rows_(std::move(rows)), forwardOnly_(forwardOnly) {
    if (const auto first = NextLive(-1, +1)) LandOn(static_cast<size_t>(*first));
}

bool TCursor::HasCurrent() const {
    return pos_ >= 0 && !bof_ && !eof_ && static_cast<size_t>(pos_) < rows_->KnownSize();
}

// The next position in `direction` not marked deleted.
std::optional<long> TCursor::NextLive(long from, int direction) const {
    for (long pos = from + direction; pos >= 0; pos += direction) {
        if (!rows_->Has(static_cast<size_t>(pos))) return std::nullopt;
        if (!rows_->IsDeleted(static_cast<size_t>(pos))) return pos;
    }
    return std::nullopt;
}

// Every row deleted (or none there): the recordset is empty.
bool TCursor::NoLiveRows() const {
    return rows_->Complete() && rows_->KnownSize() == rows_->DeletedCount();
}

TCursorRefusal TCursor::Refusal(TMove move, long rows) const {
    switch (move) {
        case TMove::First:
            // A forward-only set may start again only where it stands.
            if (forwardOnly_ && pos_ > 0) return TCursorRefusal::NotSupported;
            break;
        case TMove::Last:
            if (forwardOnly_) return TCursorRefusal::NotSupported;
            break;
        case TMove::Next:
            if (eof_) return TCursorRefusal::NoCurrentRecord;
            break;
        case TMove::Previous:
            if (forwardOnly_) return TCursorRefusal::NotSupported;
            if (bof_) return TCursorRefusal::NoCurrentRecord;
            break;
        case TMove::By:
            if (!HasCurrent()) return TCursorRefusal::NoCurrentRecord;
            if (forwardOnly_ && rows < 0) return TCursorRefusal::NotSupported;
            break;
    }
    return TCursorRefusal::None;
}

TCursorRefusal TCursor::First() {
    return LandOnLive(NextLive(-1, +1));
}

TCursorRefusal TCursor::Last() {
    rows_->FetchAll();
    return LandOnLive(NextLive(static_cast<long>(rows_->KnownSize()), -1));
}

// On the live row found, or at BOF and EOF when there is none.
TCursorRefusal TCursor::LandOnLive(std::optional<long> pos) {
    if (!pos) {
        Clear();
        return TCursorRefusal::NoCurrentRecord;
    }
    LandOn(static_cast<size_t>(*pos));
    return TCursorRefusal::None;
}

void TCursor::Next() {
    if (const auto next = NextLive(bof_ ? -1 : pos_, +1)) return LandOn(static_cast<size_t>(*next));
    pos_ = static_cast<long>(rows_->KnownSize());
    eof_ = true;
    // Rows deleted do not count: with none left the set is empty.
    bof_ = NoLiveRows();
}

void TCursor::Previous() {
    const long from = eof_ ? static_cast<long>(rows_->KnownSize()) : pos_;
    if (const auto previous = NextLive(from, -1)) return LandOn(static_cast<size_t>(*previous));
    pos_ = -1;
    bof_ = true;
    eof_ = NoLiveRows();
}

void TCursor::Move(long rows) {
    if (rows == 0) return;
    long pos = pos_;
    if (rows_->DeletedCount() == 0) {
        const long target = pos_ + rows;
        if (target >= 0 && rows_->Has(static_cast<size_t>(target)))
            return LandOn(static_cast<size_t>(target));
        pos = target < 0 ? -1 : static_cast<long>(rows_->KnownSize());
    } else {
        const int direction = rows > 0 ? 1 : -1;
        for (long left = std::labs(rows); left > 0; --left) {
            const auto next = NextLive(pos, direction);
            if (!next) {
                pos = direction > 0 ? static_cast<long>(rows_->KnownSize()) : -1;
                break;
            }
            pos = *next;
        }
        if (pos >= 0 && static_cast<size_t>(pos) < rows_->KnownSize())
            return LandOn(static_cast<size_t>(pos));
    }
    PastTheEnd(pos);
}

// Moved beyond the first (`pos` -1) or the last row.
void TCursor::PastTheEnd(long pos) {
    pos_ = pos;
    const bool empty = NoLiveRows();
    bof_ = pos < 0 || empty;
    eof_ = pos >= 0 || empty;
}

long TCursor::AbsolutePosition() const {
    return HasCurrent() ? LiveBefore(pos_) : -1;
}

long TCursor::LiveBefore(long pos) const {
    if (rows_->DeletedCount() == 0) return pos;
    long live = 0;
    for (long i = 0; i < pos; ++i) live += !rows_->IsDeleted(static_cast<size_t>(i));
    return live;
}

std::optional<size_t> TCursor::LivePosition(long live) {
    if (live < 0) return std::nullopt;
    if (rows_->DeletedCount() == 0) {
        if (!rows_->Has(static_cast<size_t>(live))) return std::nullopt;
        return static_cast<size_t>(live);
    }
    long pos = -1;
    for (long n = 0; n <= live; ++n) {
        const auto next = NextLive(pos, +1);
        if (!next) return std::nullopt;
        pos = *next;
    }
    return static_cast<size_t>(pos);
}

double TCursor::PercentPosition(long count) const {
    if (!HasCurrent() || count <= 0) return 0;
    return 100.0 * static_cast<double>(AbsolutePosition() + 1) / static_cast<double>(count);
}

TCursorRefusal TCursor::PercentTarget(double percent, size_t& pos) {
    if (!(percent >= 0 && percent <= 100)) return TCursorRefusal::InvalidArgument;
    rows_->FetchAll();
    const long live = static_cast<long>(rows_->KnownSize() - rows_->DeletedCount());
    if (live == 0) return TCursorRefusal::NoCurrentRecord;
    const long target = std::min(live - 1, static_cast<long>(std::floor(percent / 100.0 * live)));
    const auto found = LivePosition(std::max(0L, target));
    if (!found) return TCursorRefusal::NoCurrentRecord;
    pos = *found;
    return TCursorRefusal::None;
}

void TCursor::LandOn(size_t pos) {
    pos_ = static_cast<long>(pos);
    bof_ = eof_ = false;
}

TCursor TCursor::Unpositioned() const {
    TCursor clone = *this;
    clone.pos_ = -1;
    clone.bof_ = clone.eof_ = NoLiveRows();
    return clone;
}

void TCursor::Clear() {
    pos_ = -1;
    bof_ = eof_ = true;
}

}  // namespace zalvert::engine
