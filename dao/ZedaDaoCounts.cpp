// The record count and the record number of the table, with the filter counted
// row by row and the position searched when the engine cannot tell it.

#include <cmath>
#include <cstring>

#include "dao/ZedaDaoTable.h"
#include "dao/ZedaDaoTableSupport.h"
#include "dataset/DatabaseError.h"

namespace zalvert {
using namespace daotable;
// --- record count --------------------------------------------------------------------

int TZedaDaoTable::GetRecordCount() {
    if (ForwardOnly()) return -1;
    if (UseRecordCount && !countInvalid_) {
        highestSeen_ = cachedCount_;
        return cachedCount_;
    }
    countInvalid_ = false;
    if (RsEmpty()) {
        cachedCount_ = highestSeen_ = 0;
        position_ = -1;
        return 0;
    }
    int count = -1;
    if (FilterActive()) {
        count = CountAccepted();
    } else {
        if (tableType_ == engine::dbOpenTable) {
            IgnoringEngineErrors([&] {
                count = static_cast<int>(recordset_->RecordCount());
                if (highestSeen_ < count) count = VerifiedTableCount(count);
            });
        } else {
            try {
                recordset_->MoveFirst();
                recordset_->MoveLast();
                count = static_cast<int>(recordset_->RecordCount());
            } catch (const std::exception&) {
                count = -1;
            }
        }
        PutCursorBack(count);
    }
    cachedCount_ = highestSeen_ = count;
    return count;
}

// The engine's cursor back on the row of the active record after counting.
void TZedaDaoTable::PutCursorBack(int count) {
    try {
        const TDaoRecordBuffer* buffer = bookmarkable_ ? StateBuffer() : nullptr;
        if (buffer && buffer->Bookmark != 0) return PositionByBookmark(buffer->Bookmark);
        // No record fetched yet (a count while the dataset opens): the position
        // counter says where the cursor stood, as without bookmarks.
        recordset_->MoveFirst();
        if (position_ == -1)
            recordset_->MovePrevious();
        else if (position_ < count)
            recordset_->Move(position_);
    } catch (const std::exception&) {
        // the dataset sets the cursor again before its next move
    }
}

// The rows the filter accepts, fetched one by one from the first.
int TZedaDaoTable::CountAccepted() {
    const TDataSetState saved = SetTempState(TDataSetState::dsBrowse);
    const std::int32_t savedPosition = position_;
    const std::int32_t activeBookmark = StateBuffer() ? StateBuffer()->Bookmark : 0;
    int count = 0;
    try {
        TDaoRecordBuffer scratch;
        GotoFirstPosition();
        while (GetRecord(scratch, TGetMode::gmNext, false) == TGetResult::grOK) ++count;
    } catch (...) {
        RestoreState(saved);
        position_ = savedPosition;
        throw;
    }
    RestoreState(saved);
    position_ = savedPosition;
    // Back on the active row at once rather than at the dataset's next move.
    if (activeBookmark != 0) IgnoringEngineErrors([&] { PositionByBookmark(activeBookmark); });
    return count;
}

// --- record number -------------------------------------------------------------------

int TZedaDaoTable::GetRecNo() {
    CursorToCurrentRecord();
    if (!UseGetRecNo) return -1;
    if (position_ < -1) positionInvalid_ = true;
    if (ForwardOnly()) return position_ + 1;
    if (recordset_->Bof()) return -1;
    if (FilterActive()) return RecNoWithFilter();
    TDaoRecordBuffer* buffer = StateBuffer();
    if (positionInvalid_ && buffer) {
        RecomputePosition(*buffer);
    } else if (!positionInvalid_ && PositionFromEngine(tableType_)) {
        position_ = static_cast<std::int32_t>(recordset_->AbsolutePosition());
    }
    return position_ + 1;
}

int TZedaDaoTable::RecNoWithFilter() {
    const TDataSetState saved = SetTempState(TDataSetState::dsBrowse);
    TDaoRecordBuffer* buffer = StateBuffer();
    if (!buffer) {
        RestoreState(saved);
        return -1;
    }
    const std::int32_t wanted = buffer->Bookmark;
    int count = 0;
    std::int32_t found = 0;
    try {
        TDaoRecordBuffer scratch;
        GotoFirstPosition();
        while (GetRecord(scratch, TGetMode::gmNext, false) == TGetResult::grOK) {
            found = scratch.Bookmark;
            if (found == wanted) break;
            ++count;
        }
        if (found != wanted) InternalSetToRecord(*buffer);
    } catch (...) {
        RestoreState(saved);
        throw;
    }
    RestoreState(saved);
    return count + 1;
}

void TZedaDaoTable::RecomputePosition(TDaoRecordBuffer& buffer) {
    engine::Recordset& rs = *recordset_;
    position_ = -1;
    if (PositionFromEngine(tableType_)) {
        position_ = static_cast<std::int32_t>(rs.AbsolutePosition());
    } else if (tableType_ == engine::dbOpenTable) {
        IgnoringEngineErrors([&] {
            rs.MoveNext();
            if (rs.Eof()) position_ = static_cast<std::int32_t>(rs.RecordCount()) - 1;
        });
        IgnoringEngineErrors([&] { rs.MovePrevious(); });
        if (position_ == -1) {
            if (bookmarkable_) {
                try {
                    position_ = PositionSearch();
                } catch (const std::exception&) {
                    position_ = -1;
                }
            } else {
                while (!rs.Bof()) {
                    rs.MovePrevious();
                    if (!rs.Bof()) ++position_;
                }
                ++position_;
            }
        }
        buffer.Position = position_;
        IgnoringEngineErrors([&] {
            if (bookmarkable_) {
                PositionByBookmark(buffer.Bookmark);
            } else {
                rs.MoveFirst();
                rs.Move(position_);
            }
        });
    }
    positionInvalid_ = false;
}

// Where the row last written stands: searched from a little before the engine's
// percent position, then from either end. Every pass ends at an end of the table;
// a row not found at all gives -1.
int TZedaDaoTable::PositionSearch() {
    engine::Recordset& rs = *recordset_;
    std::int32_t target = 0;
    try {
        target = BookmarkValue(rs.LastModified());
    } catch (const std::exception&) {
    }
    if (target == 0) target = CurrentBookmarkValue();
    const auto here = [&] { return !rs.Bof() && !rs.Eof() && BookmarkHere() == target; };
    const long count = rs.RecordCount();
    const double start = std::max(0.0, rs.PercentPosition() - 2);
    long n = std::lround(static_cast<double>(count) * start / 100.0);
    rs.MoveFirst();
    rs.Move(n);
    while (!rs.Eof() && !here()) {
        rs.MoveNext();
        ++n;
    }
    if (rs.Eof()) {
        n = 0;
        rs.MoveFirst();
        while (!rs.Eof() && !here()) {
            rs.MoveNext();
            ++n;
        }
        if (rs.Eof()) return -1;
    } else if (rs.Bof()) {
        n = count;
        rs.MoveLast();
        while (!rs.Bof() && !here()) {
            rs.MovePrevious();
            --n;
        }
        if (rs.Bof()) return -1;
    }
    return static_cast<int>(n);
}

void TZedaDaoTable::SetRecNoValue(int value) {
    CheckBrowseMode();
    CursorPosChanged();
    if (BeforeScroll) BeforeScroll(*this);
    if (FilterActive()) {
        const TDataSetState saved = SetTempState(TDataSetState::dsBrowse);
        const std::int32_t before = position_;
        try {
            TDaoRecordBuffer scratch;
            GotoFirstPosition();
            for (int i = 0; i < value; ++i)
                if (GetRecord(scratch, TGetMode::gmNext, false) != TGetResult::grOK) {
                    position_ = before;
                    break;
                }
        } catch (...) {
            RestoreState(saved);
            throw;
        }
        RestoreState(saved);
    } else {
        position_ = value - 1;
        recordset_->MoveFirst();
        recordset_->Move(value - 1);
    }
    Resync(rmExact | rmCenter);
    if (AfterScroll) AfterScroll(*this);
}

}  // namespace zalvert
