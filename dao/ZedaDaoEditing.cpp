// Editing through the table: the engine's edit and add, the values written, the
// error events, deleting, refreshing, and reopening when a row has gone.

#include "dao/ZedaDaoTable.h"
#include "dao/ZedaDaoTableSupport.h"
#include "dataset/DatabaseError.h"

namespace zalvert {
using namespace daotable;
namespace {

// The run-time's compact byte variant: an array of one variant per byte took about
// forty times the blob's size.
Variant ByteArray(std::string_view text) {
    return Variant(TBytes(text.begin(), text.end()));
}

}  // namespace

TDataAction TZedaDaoTable::AskErrorEvent(Exception& error, const TErrorEvent& handler) {
    const TDaoErrRec dao = database_->GetLastDaoError();
    if (!dao.Description.empty()) error.SetMessage(dao.Description);
    error.HelpContext = dao.HelpContext;
    TDataAction action = TDataAction::daFail;
    handler(*this, error, action);
    return action;
}

// --- edit and cancel -------------------------------------------------------------------

void TZedaDaoTable::InternalEdit() {
    KeepOldValues();
    for (;;) {
        try {
            if (recordset_->EditMode() != engine::dbEditInProgress) recordset_->Edit();
            break;
        } catch (Exception& error) {
            if (recordset_->EditMode() != engine::dbEditInProgress) {
                IgnoringErrors([this] { recordset_->Move(0); });
                IgnoringErrors([this] { Resync(0); });
            }
            if (!OnEditError) throw;
            const TDataAction action = AskErrorEvent(error, OnEditError);
            if (action == TDataAction::daRetry) continue;
            if (action == TDataAction::daAbort) return;
            throw;
        }
    }
    // The edit starts from the values as they are stored now.
    if (TRecordBuffer* active = ActiveBuffer()) GetRecord(*active, TGetMode::gmCurrent, false);
}

void TZedaDaoTable::InternalCancel() {
    if (recordset_->EditMode() == engine::dbEditInProgress)
        IgnoringErrors([this] { recordset_->CancelUpdate(); });
    FreeOldValues();
    database_->Idle();
}

// --- writing -------------------------------------------------------------------------

void TZedaDaoTable::WriteModifiedValues(const TDaoRecordBuffer& buffer) {
    for (size_t i = 0; i < buffer.Values.size() && i < loads_.size(); ++i) {
        const TField* field = loads_[i].Field;
        if (!field || !buffer.Values[i].Modified || (i < updatable_.size() && !updatable_[i]))
            continue;
        WriteValue(i, *field, buffer.Values[i].Text);
    }
}

void TZedaDaoTable::WriteValue(size_t index, const TField& field, const std::string& text) {
    engine::Field& target = *fieldCache_[index];
    if (text.empty()) return target.SetValue(Variant::Null());
    const TFieldType type = field.DataType();
    const bool bytes = type == TFieldType::ftBytes || type == TFieldType::ftVarBytes;
    if (bytes && !IsGuidField(field)) return target.TakeValue(ByteArray(text));
    // Only an encrypted value is copied on its way: a memo or blob may be large.
    const auto encoded = [&](const std::string& plain) {
        encrypterObject_->SetDecodedString(plain);
        return encrypterObject_->EncodedString();
    };
    switch (type) {
        case TFieldType::ftDate:
        case TFieldType::ftTime:
        case TFieldType::ftDateTime:
            // A text that gives no date leaves the stored value as it is.
            if (const auto rec = DateTimeOfText(text))
                target.SetValue(Variant::FromDate(RecToDateTime(*rec)));
            return;
        case TFieldType::ftMemo:
            return target.TakeValue(Variant(encrypterObject_ ? encoded(text) : text));
        case TFieldType::ftBlob:
        case TFieldType::ftGraphic:
            return target.TakeValue(encrypterObject_ ? ByteArray(encoded(text)) : ByteArray(text));
        case TFieldType::ftString:
            if (encrypterObject_) return target.SetValue(Variant(encoded(text)));
            [[fallthrough]];
        default:
            // Through one variant whose text keeps its memory from value to value.
            textValue_.AssignText(text);
            return target.SetValue(textValue_);
    }
}

// --- the post step -------------------------------------------------------------------

void TZedaDaoTable::InternalPost() {
    DropSeekClone();
    positionInvalid_ = false;
    CheckActive();
    const bool inserting = State() != TDataSetState::dsEdit;
    if (!inserting) StartDaoEdit();
    for (;;) {
        try {
            WriteAndUpdate(inserting);
            break;
        } catch (Exception& error) {
            if (!OnPostError) {
                inserting ? DropAddition() : DropEdit();
                throw;
            }
            const TDataAction action = AskErrorEvent(error, OnPostError);
            if (action == TDataAction::daRetry) {
                if (!inserting && recordset_->EditMode() != engine::dbEditInProgress)
                    recordset_->Move(0);
                continue;
            }
            if (action == TDataAction::daAbort) {
                inserting ? DropAddition() : DropEdit();
                return;
            }
            if (!inserting) DropEdit();
            throw;
        }
    }
    if (inserting) AfterInsertPosted();
    MoveToWrittenRecord(inserting);
    FreeOldValues();
    database_->Idle();
    positionInvalid_ = true;
}

void TZedaDaoTable::StartDaoEdit() {
    if (recordset_->EditMode() == engine::dbEditInProgress) return;
    try {
        recordset_->Edit();
    } catch (const Exception&) {
        if (recordset_->EditMode() != engine::dbEditInProgress)
            IgnoringErrors([this] { recordset_->Move(0); });
        RefreshOrReopen();
        throw;
    }
}

void TZedaDaoTable::WriteAndUpdate(bool inserting) {
    if (inserting) recordset_->AddNew();
    WriteModifiedValues(DaoBuffer(*ActiveBuffer()));
    recordset_->Update();
}

void TZedaDaoTable::DropEdit() {
    if (!LockEdits() && recordset_->EditMode() == engine::dbEditInProgress)
        IgnoringErrors([this] { recordset_->CancelUpdate(); });
    if (recordset_->EditMode() != engine::dbEditInProgress)
        IgnoringErrors([this] { recordset_->Move(0); });
}

void TZedaDaoTable::DropAddition() {
    if (recordset_->EditMode() == engine::dbEditAdd)
        IgnoringErrors([this] { recordset_->CancelUpdate(); });
}

void TZedaDaoTable::AfterInsertPosted() {
    IgnoringErrors([this] {
        countInvalid_ = true;
        ++cachedCount_;
        ++position_;
        if (!bookmarkable_) {
            InternalLast();
            DaoBuffer(*ActiveBuffer()).Position = cachedCount_ - 1;
        }
    });
}

// The engine's cursor onto the record just written, so that the dataset reads
// it back with the values the engine gave it (the key of a new record).
void TZedaDaoTable::MoveToWrittenRecord(bool inserting) {
    if (inserting) InternalLast();
    if (!bookmarkable_) return;
    std::int32_t bookmark = 0;
    const bool odbc = database_->EngineType() == engine::dbUseODBC;
    if (!odbc || !inserting) {
        // The first record of an empty recordset leaves it reporting no rows until
        // the cursor moves; the record written is there all the same.
        try {
            bookmark = BookmarkValue(recordset_->LastModified());
        } catch (const std::exception&) {
            if (!RsEmpty()) bookmark = CurrentBookmarkValue();
        }
    } else if (!recordset_->Bof() && !recordset_->Eof()) {
        bookmark = BookmarkHere();
    }
    DaoBuffer(*ActiveBuffer()).Bookmark = bookmark;
    if (bookmark != 0) PositionByBookmark(bookmark);
}

void TZedaDaoTable::InternalAddRecord(TRecordBuffer& buffer, bool append) {
    if (append) {
        InternalLast();
        SetBookmarkFlag(buffer, TBookmarkFlag::bfEOF);
    }
    InternalPost();
}

void TZedaDaoTable::Post() {
    TDataSet::Post();
    if (sortedBy_.Count() == 0 || !RefreshSorted) return;
    CheckBrowseMode();
    registry_.Clear();
    recordset_->Requery();
    countInvalid_ = true;
    First();
}

// --- delete and refresh --------------------------------------------------------------

void TZedaDaoTable::InternalDelete() {
    DropSeekClone();
    if (TRecordBuffer* active = ActiveBuffer())
        registry_.RemovePosition(DaoBuffer(*active).Position);
    for (;;) {
        try {
            recordset_->Delete();
            break;
        } catch (Exception& error) {
            const bool deleted = database_->GetLastDaoError().Is(engine::TDaoErr::RecordDeleted);
            if (!OnDeleteError) {
                if (!deleted) throw;
                countInvalid_ = true;
                RefreshOrReopen();
                return;
            }
            const TDataAction action = AskErrorEvent(error, OnDeleteError);
            if (action == TDataAction::daRetry) continue;
            if (action == TDataAction::daAbort) {
                countInvalid_ = true;
                RefreshOrReopen();
                return;
            }
            if (deleted) RefreshOrReopen();
            throw;
        }
    }
    database_->Idle();
    countInvalid_ = true;
    if (recordset_->Eof())
        recordset_->MoveLast();
    else
        recordset_->MoveNext();
}

void TZedaDaoTable::InternalRefresh() {
    DropSeekClone();
    countInvalid_ = true;
    // An empty dataset has no current record to read again.
    if (!ControlsDisabled() && !IsEmpty()) Resync(rmExact | rmCenter);
}

// The buffers read again around the current row; when that row is gone, the
// recordset is opened anew and the dataset goes back to about where it was.
void TZedaDaoTable::RefreshOrReopen() {
    DropSeekClone();
    countInvalid_ = true;
    // Browse for the moment: an edit in progress must not be posted from in here.
    const TDataSetState saved = SetTempState(TDataSetState::dsBrowse);
    try {
        Resync(rmExact | rmCenter);
    } catch (const std::exception&) {
        const std::int32_t remembered = position_;
        try {
            IgnoringErrors([this] { recordset_->Close(); });
            recordset_.reset();
            OpenDaoRecordset();
            First();
            if (remembered < GetRecordCount())
                MoveBy(remembered);
            else
                Last();
        } catch (...) {
            RestoreState(saved);
            throw;
        }
    }
    RestoreState(saved);
}

}  // namespace zalvert
