// Record buffers, moving the engine's cursor for the dataset, bookmarks, the
// record count and the record number of the table.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dao/ZedaDaoTable.h"
#include "dao/ZedaDaoTableSupport.h"
#include "dataset/DatabaseError.h"
#include "dataset/DbConsts.h"

namespace zalvert {
using namespace daotable;
namespace {

TBytes BookmarkBytes(std::int32_t value) {
    TBytes bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

TBookmark AsBookmark(std::int32_t value) {
    TBookmark bookmark(4);
    std::memcpy(bookmark.data(), &value, 4);
    return bookmark;
}

std::int32_t FirstFourBytes(const TBytes& bytes) {
    std::int32_t value = 0;
    if (bytes.size() >= 4) std::memcpy(&value, bytes.data(), 4);
    return value;
}

}  // namespace

std::int32_t TZedaDaoTable::BookmarkValue(const TBookmark& bookmark) {
    return FirstFourBytes(bookmark);
}

// --- buffers -------------------------------------------------------------------------

std::unique_ptr<TRecordBuffer> TZedaDaoTable::AllocRecordBuffer() {
    auto buffer = std::make_unique<TDaoRecordBuffer>();
    buffer->Values.resize(static_cast<size_t>(FieldDefs().Count()));
    return buffer;
}

TRecordBuffer* TZedaDaoTable::BufferForState() const {
    switch (State()) {
        case TDataSetState::dsBrowse:
        case TDataSetState::dsBlockRead:
            return IsEmpty() ? nullptr : ActiveBuffer();
        case TDataSetState::dsOldValue:
            return oldValues_ ? oldValues_.get() : ActiveBuffer();
        default:
            return TDataSet::BufferForState();
    }
}

TDaoRecordBuffer* TZedaDaoTable::StateBuffer() const {
    return static_cast<TDaoRecordBuffer*>(BufferForState());
}

bool TZedaDaoTable::GetCurrentRecord(TRecordBuffer& buffer) {
    TDaoRecordBuffer* current = cursorOpen_ && !IsEmpty() ? StateBuffer() : nullptr;
    if (!current) return false;
    DaoBuffer(buffer).CopyRecordFrom(*current);
    buffer.Calc = current->Calc;
    return true;
}

TBookmarkFlag TZedaDaoTable::GetBookmarkFlag(TRecordBuffer& buffer) {
    return static_cast<TBookmarkFlag>(DaoBuffer(buffer).BookmarkFlag);
}

void TZedaDaoTable::SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag flag) {
    DaoBuffer(buffer).BookmarkFlag = static_cast<std::uint8_t>(flag);
}

TBookmark TZedaDaoTable::GetBookmarkData(TRecordBuffer& buffer) {
    if (!bookmarkable_) return AsBookmark(0);
    const TDaoRecordBuffer& record = DaoBuffer(buffer);
    registry_.Register(record.Position, record.Bookmark);
    return AsBookmark(record.Bookmark);
}

void TZedaDaoTable::SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark) {
    DaoBuffer(buffer).Bookmark = BookmarkValue(bookmark);
}

// A copy of the current record, as it was before an edit or insert. The buffer
// released last is filled again, its texts keeping their memory.
void TZedaDaoTable::KeepOldValues(TDaoRecordBuffer* setOver) {
    std::unique_ptr<TDaoRecordBuffer> buffer = std::move(oldValues_);
    if (!buffer) buffer = std::move(spareOldValues_);
    if (!buffer) buffer = std::make_unique<TDaoRecordBuffer>();
    if (TDaoRecordBuffer* current = StateBuffer()) {
        // A buffer whose every value is set over next gives its values up.
        if (current == setOver)
            buffer->TakeRecordFrom(*current);
        else
            buffer->CopyRecordFrom(*current);
        buffer->Calc.clear();  // as a new buffer has it
    } else {
        *buffer = TDaoRecordBuffer();
    }
    oldValues_ = std::move(buffer);
}

void TZedaDaoTable::InternalInitRecord(TRecordBuffer& buffer) {
    TDaoRecordBuffer& record = DaoBuffer(buffer);
    KeepOldValues(&record);
    // Every entry is set over: the texts keep their memory for the values to come.
    record.Values.resize(static_cast<size_t>(FieldDefs().Count()));
    for (size_t i = 0; i < record.Values.size(); ++i) {
        TDaoValue& entry = record.Values[i];
        entry.Modified = false;
        TField* field = i < loads_.size() ? loads_[i].Field : nullptr;
        if (field && !field->DefaultExpression().empty() && i < defaultValues_.size()) {
            defaultValues_[i] = WithoutSingleQuotes(field->DefaultExpression());
            entry.Modified = true;
        }
        if (i < defaultValues_.size())
            entry.Text = defaultValues_[i];
        else
            entry.Text.clear();
    }
    record.BookmarkFlag = static_cast<std::uint8_t>(TBookmarkFlag::bfInserted);
    record.Bookmark = 0;
    record.Position = -1;
}

// --- the engine's cursor -------------------------------------------------------------

bool TZedaDaoTable::RsEmpty() const {
    return recordset_->Bof() && recordset_->Eof();
}

void TZedaDaoTable::GotoFirstPosition() {
    position_ = step_ = -1;
    if (RsEmpty() || ForwardOnly()) return;
    try {
        recordset_->MoveFirst();
        recordset_->MovePrevious();
    } catch (const std::exception&) {
    }
}

void TZedaDaoTable::InternalFirst() {
    GotoFirstPosition();
}

TGetResult TZedaDaoTable::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool) {
    if (State() == TDataSetState::dsInsert) {
        if (!RsEmpty()) CheckBrowseMode();
        return TGetResult::grError;
    }
    if (State() == TDataSetState::dsEdit) {
        if (recordset_->EditMode() == engine::dbEditInProgress) CheckBrowseMode();
        return TGetResult::grError;
    }
    TDaoRecordBuffer& record = DaoBuffer(buffer);
    for (;;) {
        const TGetResult result = FetchOnce(mode);
        if (result != TGetResult::grOK) return result;
        if (!LoadRecord(record)) return TGetResult::grError;
        if (AcceptRecord(record)) return TGetResult::grOK;
        if (mode == TGetMode::gmCurrent) return TGetResult::grError;
    }
}

// One step of the cursor in the direction of `mode`, with the counters kept.
TGetResult TZedaDaoTable::FetchOnce(TGetMode mode) {
    engine::Recordset& rs = *recordset_;
    TGetResult result = TGetResult::grOK;
    switch (mode) {
        case TGetMode::gmCurrent:
            result = rs.Eof() ? TGetResult::grEOF : rs.Bof() ? TGetResult::grBOF : TGetResult::grOK;
            break;
        case TGetMode::gmNext:
            // A forward-only cursor already stands on its first row.
            if (!(ForwardOnly() && position_ == -1) && !rs.Eof()) rs.MoveNext();
            if (rs.Eof()) {
                result = TGetResult::grEOF;
            } else {
                ++position_;
                ++step_;
            }
            break;
        case TGetMode::gmPrior:
            if (ForwardOnly()) return TGetResult::grBOF;
            if (!rs.Bof()) rs.MovePrevious();
            if (rs.Bof()) {
                result = TGetResult::grBOF;
            } else {
                --position_;
                --step_;
            }
            break;
    }
    if (result == TGetResult::grEOF)
        highestSeen_ = position_ + 1;
    else
        highestSeen_ = std::max(highestSeen_, position_);
    return result;
}

bool TZedaDaoTable::AcceptRecord(TDaoRecordBuffer& buffer) {
    CalculateFields(buffer);
    return !Filtered() || FilterAccepts(buffer);
}

// The current row into `buffer`; false when another user deleted it.
bool TZedaDaoTable::LoadRecord(TDaoRecordBuffer& buffer) {
    database_->Idle();
    buffer.Bookmark = bookmarkable_ ? CurrentBookmarkValue() : 0;
    buffer.Position = position_;
    buffer.BookmarkFlag = static_cast<std::uint8_t>(TBookmarkFlag::bfCurrent);
    buffer.Values.resize(loads_.size());
    // The whole record at once where the engine offers it, else field by field.
    if (recordset_->VisitCurrentValues([&](size_t i, const Variant& value) {
            if (i < loads_.size()) LoadValueFrom(i, value, buffer.Values[i]);
        }))
        return true;
    return LoadValues(fieldCache_, buffer);
}

// The values of the row the engine's `fields` stand on, by the load plan.
bool TZedaDaoTable::LoadValues(const std::vector<std::shared_ptr<engine::Field>>& fields,
                               TDaoRecordBuffer& buffer) {
    buffer.Values.resize(loads_.size());
    for (size_t i = 0; i < loads_.size(); ++i)
        if (!LoadValue(*fields[i], i, buffer.Values[i])) return false;
    return true;
}

// One value by the load plan; false when another user deleted the row.
bool TZedaDaoTable::LoadValue(const engine::Field& field, size_t index, TDaoValue& entry) {
    const TFieldLoad& load = loads_[index];
    if (load.Kind == TLoadKind::Skip) return true;
    entry.Modified = false;
    if (load.Kind == TLoadKind::BlobSize) {
        long long size = 0;
        try {
            size = field.FieldSize();
        } catch (const std::exception&) {
        }
        entry.Text = size == 0 ? std::string() : std::to_string(size);
        return true;
    }
    Variant value = Variant::Null();
    bool copied = false;
    try {
        // A text straight into the buffer: a large memo is not copied twice.
        copied = load.Kind == TLoadKind::Text && field.CopyTextTo(entry.Text);
        if (!copied) value = field.Value();
    } catch (const std::exception&) {
        if (database_->GetLastDaoError().Is(engine::TDaoErr::RecordDeleted)) return false;
    }
    if (!copied) AssignValueText(index, value, entry.Text);
    DecryptLoaded(load, entry);
    return true;
}

// One value by the load plan, from the value the engine gave; a blob's size as
// its field tells it.
void TZedaDaoTable::LoadValueFrom(size_t index, const Variant& value, TDaoValue& entry) {
    const TFieldLoad& load = loads_[index];
    if (load.Kind == TLoadKind::Skip) return;
    if (load.Kind == TLoadKind::BlobSize) {
        LoadValue(*fieldCache_[index], index, entry);
        return;
    }
    entry.Modified = false;
    AssignValueText(index, value, entry.Text);
    DecryptLoaded(load, entry);
}

void TZedaDaoTable::DecryptLoaded(const TFieldLoad& load, TDaoValue& entry) {
    if (load.Encrypted && encrypterObject_) {
        encrypterObject_->SetEncodedString(entry.Text);
        entry.Text = encrypterObject_->DecodedString();
    }
}

// Written over `text`, which keeps its memory: a buffer is filled row after row.
void TZedaDaoTable::AssignValueText(size_t index, const Variant& value, std::string& text) const {
    if (value.IsEmptyOrNull()) {
        text.clear();
        return;
    }
    switch (loads_[index].Kind) {
        case TLoadKind::DateTime: {
            const TDateTimeRec rec = DateTimeToRec(value.AsDateTime());
            text = DateTimeText(rec.Date, rec.Time);
            return;
        }
        case TLoadKind::Boolean:
            text = value.AsBoolean() ? "True" : "False";
            return;
        case TLoadKind::BlobBytes:
        default:
            if (value.Type() == TVarType::Bytes) {
                const TBytes& bytes = value.AsBytes();
                text.assign(bytes.begin(), bytes.end());
            } else if (value.Type() == TVarType::String) {
                text.assign(value.StringValue());
            } else {
                text = value.AsString();
            }
    }
}

std::int32_t TZedaDaoTable::BookmarkHere() const {
    return FirstFourBytes(recordset_->Bookmark());
}

std::int32_t TZedaDaoTable::CurrentBookmarkValue() {
    if (recordset_->Bof() || recordset_->Eof() || !bookmarkable_) return 0;
    try {
        return BookmarkHere();
    } catch (const std::exception&) {
        GotoFirstPosition();
        return 0;
    }
}

void TZedaDaoTable::PositionByBookmark(std::int32_t bookmark) {
    try {
        recordset_->SetBookmark(BookmarkBytes(bookmark));
    } catch (const std::exception&) {
        // The row is gone: the cursor starts over, the caller learns why.
        if (database_->GetLastDaoError().Is(engine::TDaoErr::RecordDeleted)) GotoFirstPosition();
        throw;
    }
}

void TZedaDaoTable::InternalSetToRecord(TRecordBuffer& buffer) {
    const TDaoRecordBuffer& record = DaoBuffer(buffer);
    const auto flag = static_cast<TBookmarkFlag>(record.BookmarkFlag);
    if (RsEmpty() || (flag != TBookmarkFlag::bfCurrent && flag != TBookmarkFlag::bfInserted))
        return;
    const std::int32_t previous = position_;
    position_ = record.Position;
    if (ForwardOnly() || State() == TDataSetState::dsSetKey) return;
    if (!bookmarkable_) {
        if (position_ == previous && !FilterActive()) return;
        try {
            if (FilterActive()) throw EDatabaseError("filter");
            recordset_->Move(position_ - previous);
        } catch (const std::exception&) {
            recordset_->MoveFirst();
            recordset_->Move(position_);
        }
        return;
    }
    if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert) return;
    try {
        PositionByBookmark(record.Bookmark);
    } catch (const std::exception&) {
        const TDaoErrRec error = database_->GetLastDaoError();
        GotoFirstPosition();
        try {
            Resync(rmCenter);
        } catch (const std::exception&) {
        }
        Fail(error.Description);
    }
}

void TZedaDaoTable::InternalLast() {
    engine::Recordset& rs = *recordset_;
    if (RsEmpty()) {
        position_ = -1;
        return;
    }
    if (ForwardOnly()) {
        if (!rs.Eof()) {
            while (!rs.Eof()) {
                rs.MoveNext();
                ++step_;
            }
            --step_;
        }
        position_ = step_;
        return;
    }
    IgnoringEngineErrors([&] {
        rs.MoveLast();
        rs.MoveNext();
        const std::int32_t previous = position_;
        position_ = static_cast<std::int32_t>(rs.RecordCount());
        if (tableType_ == engine::dbOpenTable &&
            (highestSeen_ < position_ || position_ < previous)) {
            const int daoCount = position_;
            position_ = highestSeen_ = VerifiedTableCount(daoCount);
        }
    });
}

// The count of a snapshot of the table, against a count the table reported.
int TZedaDaoTable::VerifiedTableCount(int daoCount) {
    auto snapshot = recordset_->OpenRecordset(engine::dbOpenSnapshot);
    int count = 0;
    try {
        if (!(snapshot->Bof() && snapshot->Eof())) snapshot->MoveLast();
        count = static_cast<int>(snapshot->RecordCount());
    } catch (...) {
        snapshot->Close();
        throw;
    }
    snapshot->Close();
    if (count != daoCount && WarnOnBadDatabase)
        Fail(dbconsts::Format("Database %s needs to be repaired and compacted!",
                              {database_->Database()}));
    return count;
}

// --- bookmarks -----------------------------------------------------------------------

std::string TZedaDaoTable::BookmarkStr() {
    std::string text(static_cast<size_t>(BookmarkSize()), '\0');
    try {
        TDaoRecordBuffer* buffer = StateBuffer();
        if (!bookmarkable_ || !buffer) return text;
        registry_.Register(buffer->Position, buffer->Bookmark);
        text.assign(4, '\0');
        std::memcpy(text.data(), &buffer->Bookmark, 4);
    } catch (const std::exception&) {
        return std::string(static_cast<size_t>(BookmarkSize()), '\0');
    }
    return text;
}

void TZedaDaoTable::SetBookmarkStr(const std::string& text) {
    if (IsEmpty() || !bookmarkable_ || text.empty()) return;
    InternalGotoBookmark(TBookmark(text.begin(), text.end()));
    Resync(rmExact | rmCenter);
}

void TZedaDaoTable::InternalGotoBookmark(const TBookmark& bookmark) {
    if (!cursorOpen_)
        Fail("TZedaDaoTable.InternalGotoBookmark: Cannot goto Bookmark - Table is not Active");
    if (bookmark.empty()) Fail("Invalid Bookmark!");
    if (RsEmpty()) return;
    const std::int32_t value = BookmarkValue(bookmark);
    if (!bookmarkable_ || value == 0) Fail("Bookmarks are not supported!");
    const auto position = registry_.PositionOf(value);
    if (!position) Fail("Invalid Bookmark!");
    try {
        recordset_->SetBookmark(BookmarkBytes(value));
    } catch (const engine::EDaoError&) {
        if (database_->GetLastDaoError().Is(engine::TDaoErr::RecordDeleted)) {
            RefreshOrReopen();
            GotoFirstPosition();
            throw;
        }
    }
    position_ = *position;
}

bool TZedaDaoTable::BookmarkValid(const TBookmark& bookmark) {
    if (IsEmpty() || !cursorOpen_ || !bookmarkable_ || bookmark.empty()) return false;
    const std::int32_t value = BookmarkValue(bookmark);
    if (value != 0 && !registry_.Contains(value)) return false;
    const TBookmark saved = GetBookmark();
    try {
        InternalGotoBookmark(bookmark);
        CursorPosChanged();
        return true;
    } catch (const std::exception&) {
        if (!saved.empty()) {
            try {
                InternalGotoBookmark(saved);
            } catch (const std::exception&) {
            }
        }
        CursorPosChanged();
        return false;
    }
}

int TZedaDaoTable::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    if (a.empty()) return b.empty() ? 0 : 1;
    if (b.empty()) return -1;
    const std::int32_t left = BookmarkValue(a), right = BookmarkValue(b);
    return left < right ? -1 : left > right ? 1 : 0;
}

}  // namespace zalvert
