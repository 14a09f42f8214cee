#include "engine/sqlite/SqliteRecordset.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/Bookmark.h"
#include "engine/core/RecordFields.h"
#include "engine/sqlite/FieldValues.h"
#include "engine/sqlite/GermanText.h"
#include "engine/sqlite/KeysetSeek.h"
#include "engine/sqlite/SqlTranslator.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {
namespace {

constexpr const char* kSource = "DAO.Recordset";
constexpr const char* kFieldSource = "DAO.Field";

}  // namespace

// --- row sets for a source --------------------------------------------------------

std::string ComposeSql(const TRecordSource& s) {
    std::string sql = "SELECT " + s.SelectList + " FROM " + s.From;
    if (!s.Where.empty()) sql += " WHERE " + s.Where;
    if (!s.OrderBy.empty()) sql += " ORDER BY " + s.OrderBy;
    if (s.Top) sql += " LIMIT " + std::to_string(*s.Top);
    return sql;
}

std::shared_ptr<TRowSet> MakeRowSet(const TSqliteRef& db, const TRecordSource& source, int type) {
    switch (type) {
        case dbOpenForwardOnly:
            return std::make_shared<TForwardRowSet>(db, source);
        case dbOpenSnapshot:
            return std::make_shared<TStaticRowSet>(db, source);
        default:
            if (source.SingleTable) return std::make_shared<TKeysetRowSet>(db, source);
            return std::make_shared<TStaticRowSet>(db, source);
    }
}

// An index column in the index's order: text as German users sort it.
std::string IndexTerm(const TTableInfo& table, const std::string& name) {
    const TColumnInfo* column = table.Column(name);
    return GermanCollated(QuoteIdentifier(name), column ? column->Type.Type : 0);
}

// --- the recordset ----------------------------------------------------------------

TSqliteRecordset::TSqliteRecordset(std::shared_ptr<TRowSet> rows, int type, bool readOnly,
                                   std::string index)
    : rows_(std::move(rows)),
      type_(type),
      readOnly_(readOnly),
      family_(rows_->Id()),
      index_(std::move(index)),
      cursor_(rows_, type == dbOpenForwardOnly) {
    keyset_ = dynamic_cast<TKeysetRowSet*>(rows_.get());
    Moved();
}

TSqliteRecordset::~TSqliteRecordset() = default;

void TSqliteRecordset::Raise(TDaoErr number, const std::string& detail) const {
    Fail(rows_->Database().Engine(), number, kSource, detail);
}

std::string TSqliteRecordset::Name() const {
    CheckOpen();
    return rows_->Source().Name;
}

bool TSqliteRecordset::Bof() const {
    CheckOpen();
    return cursor_.Bof();
}

bool TSqliteRecordset::Eof() const {
    CheckOpen();
    return cursor_.Eof();
}

bool TSqliteRecordset::Updatable() const {
    CheckOpen();
    return !readOnly_ && (type_ == dbOpenTable || type_ == dbOpenDynaset) && rows_->Updatable();
}

void TSqliteRecordset::CheckUpdatable() const {
    if (!Updatable()) Raise(TDaoErr::ReadOnly);
}

void TSqliteRecordset::Refuse(TCursorRefusal refusal) const {
    if (refusal != TCursorRefusal::None) Raise(ErrorOf(refusal));
}

void TSqliteRecordset::Land(long pos) {
    cursor_.LandOn(static_cast<size_t>(pos));
    Moved();
}

// After every move: the rows passed count as reached, the current row is read
// anew. The row last written is kept until the cursor lands on another row:
// moving off an end and back (as the dataset does around a new record) must not
// read it again, which would write the rows held back with it.
void TSqliteRecordset::Moved() {
    const long pos = cursor_.Position();
    cachedPos_ = -2;
    if (!cursor_.HasCurrent()) {
        if (pos >= 0) Reach(pos);
        return;
    }
    Reach(pos + 1);
    if (writtenPos_ != pos) ForgetWritten();
}

void TSqliteRecordset::ForgetWritten() {
    written_.clear();
    writtenPos_ = -1;
}

// Added rows the cursor has now reached are counted among the reached ones.
void TSqliteRecordset::Reach(long positions) {
    accessed_ = std::max(accessed_, positions);
    std::erase_if(addedBeyond_, [&](long added) { return added < accessed_; });
}

// A refusal leaves the recordset as it was; a move cancels an edit in progress.
void TSqliteRecordset::MoveAfter(TCursorRefusal refusal) {
    CheckOpen();
    Refuse(refusal);
    if (edit_.Active()) CancelUpdate();
}

void TSqliteRecordset::MoveFirst() {
    MoveAfter(cursor_.Refusal(TMove::First));
    const TCursorRefusal refusal = cursor_.First();
    Moved();
    Refuse(refusal);
}

void TSqliteRecordset::MoveLast() {
    MoveAfter(cursor_.Refusal(TMove::Last));
    const TCursorRefusal refusal = cursor_.Last();
    Moved();
    Refuse(refusal);
    Reach(static_cast<long>(rows_->KnownSize()));
}

void TSqliteRecordset::MoveNext() {
    MoveAfter(cursor_.Refusal(TMove::Next));
    cursor_.Next();
    Moved();
}

void TSqliteRecordset::MovePrevious() {
    MoveAfter(cursor_.Refusal(TMove::Previous));
    cursor_.Previous();
    Moved();
}

void TSqliteRecordset::Move(long rows) {
    MoveAfter(cursor_.Refusal(TMove::By, rows));
    if (rows == 0) {
        cachedPos_ = -2;
        return;
    }
    cursor_.Move(rows);
    Moved();
}

long TSqliteRecordset::AbsolutePosition() const {
    CheckOpen();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    return cursor_.AbsolutePosition();
}

void TSqliteRecordset::SetAbsolutePosition(long position) {
    CheckOpen();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    const auto target = cursor_.LivePosition(position);
    if (!target) Raise(TDaoErr::InvalidArgument);
    MoveAfter(TCursorRefusal::None);
    Land(static_cast<long>(*target));
}

double TSqliteRecordset::PercentPosition() const {
    CheckOpen();
    return cursor_.PercentPosition(RecordCount());
}

void TSqliteRecordset::SetPercentPosition(double percent) {
    CheckOpen();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    size_t target = 0;
    MoveAfter(cursor_.PercentTarget(percent, target));
    Land(static_cast<long>(target));
}

long TSqliteRecordset::RecordCount() const {
    CheckOpen();
    if (type_ == dbOpenTable) return static_cast<long>(rows_->KnownSize() - rows_->DeletedCount());
    const long reached = std::min(accessed_, static_cast<long>(rows_->KnownSize()));
    long added = 0;
    for (long pos : addedBeyond_) added += !rows_->IsDeleted(static_cast<size_t>(pos));
    return cursor_.LiveBefore(reached) + added;
}

// A keyset's bookmark names its row by the row's id, so that it stays with its
// record when the order changes (another index, a requery); the second half names
// the recordset and its clones. Other row sets name a position of their rows.
TBytes TSqliteRecordset::BookmarkOf(long pos) const {
    auto bookmark = keyset_ ? EncodeBookmark(keyset_->RowId(static_cast<size_t>(pos)), family_)
                            : EncodeBookmark(pos + 1, rows_->Id());
    if (!bookmark) Raise(TDaoErr::InvalidBookmark);
    return std::move(*bookmark);
}

// The row number a bookmark holds (a row id on a keyset, else the position + 1),
// when the bookmark is this recordset's (or, on a keyset, its family's).
std::optional<std::uint32_t> TSqliteRecordset::OwnBookmarkValue(const TBytes& bookmark) const {
    return DecodeBookmark(bookmark, keyset_ ? family_ : rows_->Id());
}

std::optional<long> TSqliteRecordset::PositionOfBookmark(const TBytes& bookmark) const {
    const auto value = OwnBookmarkValue(bookmark);
    if (!value) return std::nullopt;
    if (keyset_) {
        const auto pos = keyset_->PositionOf(*value);
        return pos ? std::optional<long>(static_cast<long>(*pos)) : std::nullopt;
    }
    if (static_cast<size_t>(*value) > rows_->KnownSize()) return std::nullopt;
    return static_cast<long>(*value) - 1;
}

// A bookmark of this recordset's family for a row its keyset does not hold: a
// clone that read its keys again found a row added since (by another user, or an
// INSERT on the connection). The row joins this keyset, so that a move to it lands.
std::optional<long> TSqliteRecordset::LearnRowOfBookmark(const TBytes& bookmark) {
    const auto value = OwnBookmarkValue(bookmark);
    if (!keyset_ || !value) return std::nullopt;
    const auto pos = keyset_->Learn(*value);
    return pos ? std::optional<long>(static_cast<long>(*pos)) : std::nullopt;
}

TBytes TSqliteRecordset::Bookmark() const {
    CheckOpen();
    if (!Bookmarkable()) Raise(TDaoErr::NotSupported);
    if (!cursor_.HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    return BookmarkOf(cursor_.Position());
}

void TSqliteRecordset::SetBookmark(const TBytes& bookmark) {
    CheckOpen();
    if (!Bookmarkable()) Raise(TDaoErr::NotSupported);
    auto found = PositionOfBookmark(bookmark);
    if (!found) found = LearnRowOfBookmark(bookmark);
    if (!found) Raise(TDaoErr::InvalidBookmark);
    const long pos = *found;
    if (rows_->IsDeleted(static_cast<size_t>(pos))) Raise(TDaoErr::RecordDeleted);
    // The row must still be there; the row read to know is the current one then.
    std::vector<Variant> row;
    const bool written = writtenPos_ == pos;
    if (!written && !rows_->Read(static_cast<size_t>(pos), row)) Raise(TDaoErr::RecordDeleted);
    if (edit_.Active()) CancelUpdate();
    Land(pos);
    if (!written) KeepWritten(pos, std::move(row));
}

TBytes TSqliteRecordset::LastModified() const {
    CheckOpen();
    if (!lastModified_) Raise(TDaoErr::NoCurrentRecord);
    return BookmarkOf(*lastModified_);
}

// A row this recordset just wrote is kept as stored: the cache refresh the
// dataset layer asks for after every write need not read it again. It is read
// at the refresh after that.
void TSqliteRecordset::KeepWritten(long pos, std::vector<Variant> row) {
    written_ = std::move(row);
    writtenPos_ = pos;
}

bool TSqliteRecordset::TakeWritten(long pos) const {
    if (writtenPos_ != pos) return false;
    spare_ = std::move(current_);
    current_ = std::move(written_);
    written_.clear();
    writtenPos_ = -1;
    cachedPos_ = pos;
    cachedGeneration_ = rows_->Database().Engine().CacheGeneration;
    currentGone_ = false;
    return true;
}

const std::vector<Variant>& TSqliteRecordset::CurrentRow() const {
    const std::uint64_t generation = rows_->Database().Engine().CacheGeneration;
    if ((cachedPos_ != cursor_.Position() || cachedGeneration_ != generation) &&
        !TakeWritten(cursor_.Position())) {
        cachedPos_ = cursor_.Position();
        cachedGeneration_ = generation;
        currentGone_ = !rows_->Read(static_cast<size_t>(cursor_.Position()), current_);
    }
    if (currentGone_) Raise(TDaoErr::RecordDeleted);
    return current_;
}

const Variant& TSqliteRecordset::StoredValue(size_t field) const {
    CheckOpen();
    if (edit_.Active()) return edit_.Value(field);
    if (!cursor_.HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    if (rows_->IsDeleted(static_cast<size_t>(cursor_.Position()))) Raise(TDaoErr::RecordDeleted);
    return CurrentRow()[field];
}

Variant TSqliteRecordset::FieldValue(size_t field) const {
    return FromStorage(Meta(field).Type, StoredValue(field));
}

bool TSqliteRecordset::CopyFieldText(size_t field, std::string& text) const {
    const int type = Meta(field).Type.Type;
    if (type != dbText && type != dbChar && type != dbMemo) return false;
    const Variant& stored = StoredValue(field);
    if (stored.Type() != TVarType::String) return false;
    text.assign(stored.StringValue());
    return true;
}

bool TSqliteRecordset::VisitCurrentValues(const TValueVisitor& visit) const {
    if (closed_ || rows_->Database().Closed() || edit_.Active() || !cursor_.HasCurrent() ||
        rows_->IsDeleted(static_cast<size_t>(cursor_.Position())))
        return false;
    const std::vector<Variant>* row = nullptr;
    try {
        row = &CurrentRow();
    } catch (const std::exception&) {
        return false;  // gone meanwhile: each field tells so
    }
    const size_t fields = rows_->Fields().size();
    if (row->size() < fields) return false;
    static const Variant null = Variant::Null();
    Variant converted;
    for (size_t field = 0; field < fields; ++field) {
        const Variant& stored = (*row)[field];
        // Most fields of a new billing record are empty: no conversion to make.
        if (stored.IsEmptyOrNull()) {
            visit(field, null);
            continue;
        }
        const TTypeInfo& type = Meta(field).Type;
        if (GivenAsStored(type, stored)) {
            visit(field, stored);
            continue;
        }
        try {
            converted = FromStorage(type, stored);
        } catch (const std::exception&) {
            converted = Variant::Null();
        }
        visit(field, converted);
    }
    return true;
}

long long TSqliteRecordset::FieldSize(size_t field) const {
    // The size of a memo or blob as stored, without a copy of it.
    const Variant& stored = StoredValue(field);
    const int type = Meta(field).Type.Type;
    if (type == dbMemo && stored.Type() == TVarType::String)
        return static_cast<long long>(stored.StringValue().size());
    if (type == dbLongBinary && stored.Type() == TVarType::Bytes)
        return static_cast<long long>(stored.AsBytes().size());
    return ValueSize(FromStorage(Meta(field).Type, stored));
}

template <class Assign>
void TSqliteRecordset::StoreFieldValue(size_t field, Assign assign) {
    CheckOpen();
    if (!edit_.Active()) Raise(TDaoErr::UpdateWithoutEdit);
    const TFieldMeta& meta = Meta(field);
    if (!meta.Updatable) Fail(Database().Engine(), TDaoErr::FieldNotUpdatable, kFieldSource);
    try {
        edit_.Set(field, [&](Variant& stored) { assign(meta.Type, stored); });
    } catch (const EValueRefused& refused) {
        Fail(Database().Engine(), refused.Number, kFieldSource);
    }
}

void TSqliteRecordset::SetFieldValue(size_t field, const Variant& value) {
    StoreFieldValue(
        field, [&](const TTypeInfo& type, Variant& stored) { AssignStorage(type, value, stored); });
}

void TSqliteRecordset::TakeFieldValue(size_t field, Variant&& value) {
    StoreFieldValue(field, [&](const TTypeInfo& type, Variant& stored) {
        AssignStorage(type, std::move(value), stored);
    });
}

namespace {

// A default that is a number or a text literal evaluates to the same value every time.
bool IsConstantDefault(std::string_view text) {
    if (text.find('\'') != std::string_view::npos) {
        const size_t first = text.find('\''), last = text.rfind('\'');
        return text.find_first_not_of("( ") == first && text.find_last_not_of(") ") == last;
    }
    return text.find_first_not_of("()0123456789.-+ ") == std::string_view::npos;
}

}  // namespace

void TSqliteRecordset::AssignDefaultValues(std::vector<Variant>& values) const {
    const auto& fields = rows_->Fields();
    if (defaults_.size() != fields.size()) {
        defaults_.assign(fields.size(), std::nullopt);
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].DefaultValue.empty()) defaults_[i] = Variant::Null();
    }
    // Assigned in place: a new record of an import reuses the last one's vector.
    values.resize(fields.size());
    for (size_t i = 0; i < values.size(); ++i) {
        if (defaults_[i]) {
            // Most fields of the last record were left Null: nothing to assign.
            if (values[i].Type() != TVarType::Null || defaults_[i]->Type() != TVarType::Null)
                values[i] = *defaults_[i];
            continue;
        }
        values[i] = Variant::Null();
        try {
            TStatement& stmt = Database().Prepared("SELECT " + fields[i].DefaultValue);
            if (stmt.Step()) values[i] = stmt.Column(0);
            stmt.Reset();
            if (IsConstantDefault(fields[i].DefaultValue)) defaults_[i] = values[i];
        } catch (const ESqlite&) {
            // A default the engine cannot evaluate by itself is left to the insert.
            defaults_[i] = Variant::Null();
        }
    }
}

void TSqliteRecordset::AddNew() {
    CheckOpen();
    CheckUpdatable();
    if (edit_.Active()) CancelUpdate();
    edit_.BeginAdd(rows_->Fields().size(),
                   [this](std::vector<Variant>& values) { AssignDefaultValues(values); });
}

void TSqliteRecordset::Edit() {
    CheckOpen();
    CheckUpdatable();
    if (!cursor_.HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    if (rows_->IsDeleted(static_cast<size_t>(cursor_.Position()))) Raise(TDaoErr::RecordDeleted);
    if (edit_.Active()) CancelUpdate();
    cachedPos_ = -2;  // edit what is stored now
    try {
        edit_.BeginEdit(CurrentRow());
    } catch (const EDaoError&) {
        if (currentGone_) rows_->MarkGone(static_cast<size_t>(cursor_.Position()));
        throw;
    }
}

void TSqliteRecordset::Update() {
    CheckOpen();
    if (!edit_.Active()) Raise(TDaoErr::UpdateWithoutEdit);
    ForgetWritten();
    const auto& fields = rows_->Fields();
    const bool adding = edit_.Mode() == dbEditAdd;
    std::vector<Variant>& values = edit_.Values();
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].Required && fields[i].Updatable && values[i].IsNull() &&
            (adding || edit_.Edited(i)))
            Fail(Database().Engine(), TDaoErr::NullNotAllowed, kSource, fields[i].Name);
    TChanges& changes = changes_;
    changes.assign(fields.size(), nullptr);
    for (size_t i = 0; i < fields.size(); ++i)
        if (edit_.Edited(i) || (adding && !values[i].IsNull() && fields[i].Updatable))
            changes[i] = &values[i];
    if (!adding) {
        CheckUnchangedSinceEdit();
        rows_->UpdateRow(static_cast<size_t>(cursor_.Position()), changes);
        lastModified_ = cursor_.Position();
    } else {
        const size_t known = rows_->KnownSize();
        std::vector<Variant> stored = std::move(spare_);
        const long pos = static_cast<long>(rows_->InsertRow(changes, &stored));
        if (!stored.empty()) KeepWritten(pos, std::move(stored));
        lastModified_ = pos;
        if (accessed_ >= static_cast<long>(known))
            Reach(pos + 1);
        else
            addedBeyond_.push_back(pos);
    }
    edit_.Written();
    cachedPos_ = -2;
}

// Optimistic locking: someone else changed or deleted the row since Edit. The row
// read to know is let go before the write, which may hold a large value twice.
void TSqliteRecordset::CheckUnchangedSinceEdit() {
    std::vector<Variant> stored;
    if (!rows_->Read(static_cast<size_t>(cursor_.Position()), stored)) {
        CancelUpdate();
        rows_->MarkGone(static_cast<size_t>(cursor_.Position()));
        Raise(TDaoErr::RecordDeleted);
    }
    if (stored != edit_.Original()) {
        CancelUpdate();
        Raise(TDaoErr::WriteConflict);
    }
}

void TSqliteRecordset::CancelUpdate() {
    CheckOpen();
    if (!edit_.Active()) Raise(TDaoErr::UpdateWithoutEdit);
    edit_.Cancel();
    cachedPos_ = -2;  // show the record as it is stored now
}

void TSqliteRecordset::Delete() {
    CheckOpen();
    CheckUpdatable();
    ForgetWritten();
    if (edit_.Active()) CancelUpdate();
    if (!cursor_.HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    rows_->DeleteRow(static_cast<size_t>(cursor_.Position()));
    cachedPos_ = -2;
}

void TSqliteRecordset::Rebuild(std::shared_ptr<TRowSet> rows) {
    ForgetWritten();
    rows_ = std::move(rows);
    keyset_ = dynamic_cast<TKeysetRowSet*>(rows_.get());
    fields_.reset();
    defaults_.clear();
    accessed_ = 0;
    addedBeyond_.clear();
    edit_.Cancel();
    lastModified_.reset();
    cursor_ = TCursor(rows_, type_ == dbOpenForwardOnly);
    Moved();
}

void TSqliteRecordset::Requery() {
    CheckOpen();
    Rebuild(MakeRowSet(rows_->DatabaseRef(), rows_->Source(), type_));
}

std::shared_ptr<Recordset> TSqliteRecordset::Clone() {
    CheckOpen();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    auto clone = std::make_shared<TSqliteRecordset>(rows_, type_, readOnly_, index_);
    // A new clone has no current record until it is moved.
    clone->cursor_ = cursor_.Unpositioned();
    clone->cachedPos_ = -2;
    clone->accessed_ = accessed_;
    clone->addedBeyond_ = addedBeyond_;
    clone->family_ = family_;  // a clone's bookmarks are the original's
    return clone;
}

void TSqliteRecordset::Close() {
    CheckOpen();
    closed_ = true;
    fields_.reset();
}

void TSqliteRecordset::SetIndex(const std::string& name) {
    CheckOpen();
    if (type_ != dbOpenTable) Raise(TDaoErr::NotSupported);
    const TRecordSource& source = rows_->Source();
    const TTableInfo* table = Database().Table(source.Table);
    const TIndexInfo* index = table ? table->Index(name) : nullptr;
    if (!index) Raise(TDaoErr::NotAnIndex, name);
    TRecordSource ordered = source;
    ordered.OrderBy.clear();
    for (const TIndexColumn& c : index->Columns)
        ordered.OrderBy += (ordered.OrderBy.empty() ? "" : ", ") + IndexTerm(*table, c.Name) +
                           (c.Descending ? " DESC" : "");
    // Equal keys in the order of their rows, as a seek among them expects.
    ordered.OrderBy += ", rowid";
    ordered.Sql = ComposeSql(ordered);
    index_ = index->Name;
    Rebuild(MakeRowSet(rows_->DatabaseRef(), ordered, type_));
}

void TSqliteRecordset::Seek(const std::string& comparison, const std::vector<Variant>& keys) {
    CheckOpen();
    if (type_ != dbOpenTable) Raise(TDaoErr::NotSupported);
    if (index_.empty()) Raise(TDaoErr::NoCurrentIndex);
    const TTableInfo* table = Database().Table(rows_->Source().Table);
    const TIndexInfo* index = table ? table->Index(index_) : nullptr;
    if (!index) Raise(TDaoErr::NotAnIndex, index_);
    if (keys.empty() || keys.size() > 13 || keys.size() > index->Columns.size())
        Raise(TDaoErr::InvalidArgument);
    const bool equal = comparison == "=";
    const bool after = comparison == ">=" || comparison == ">";
    const bool strict = comparison == ">" || comparison == "<";
    if (!equal && !after && comparison != "<=" && comparison != "<")
        Raise(TDaoErr::InvalidArgument);
    std::vector<Variant> values;
    std::vector<std::string> names;
    for (size_t i = 0; i < keys.size(); ++i) {
        const TColumnInfo* column = table->Column(index->Columns[i].Name);
        try {
            values.push_back(ToStorage(column->Type, keys[i]));
        } catch (const EValueRefused&) {
            Raise(TDaoErr::CriteriaTypeMismatch);
        }
        names.push_back(IndexTerm(*table, index->Columns[i].Name));
    }
    if (const auto found = SeekByHalving(*keyset_, *table, *index, values, comparison))
        return LandOnSeek(*found);
    // Lexicographic comparison in the index's order, each column in its own direction.
    std::string condition;
    std::string equalPrefix;
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::string mark = "?" + std::to_string(i + 1);
        if (equal) {
            condition += (i ? " AND " : "") + names[i] + " = " + mark;
            continue;
        }
        const bool up = after != index->Columns[i].Descending;
        condition +=
            (i ? " OR (" : "(") + equalPrefix + names[i] + (up ? " > " : " < ") + mark + ")";
        equalPrefix += names[i] + " = " + mark + " AND ";
    }
    if (!equal && !strict) {
        equalPrefix.resize(equalPrefix.size() - 5);
        condition += " OR (" + equalPrefix + ")";
    }
    // Forwards in index order for "=", ">=" and ">", backwards for "<=" and "<".
    const bool backwards = !(after || equal);
    std::string orderBy;
    for (const TIndexColumn& c : index->Columns) {
        orderBy += (orderBy.empty() ? "" : ", ") + IndexTerm(*table, c.Name) +
                   ((c.Descending != backwards) ? " DESC" : "");
    }
    orderBy += std::string(", rowid") + (backwards ? " DESC" : "");
    LandOnSeek(keyset_->FirstWhere("(" + condition + ")", orderBy, values));
}

void TSqliteRecordset::LandOnSeek(std::optional<size_t> found) {
    noMatch_ = !found;
    if (!found) return;
    if (edit_.Active()) CancelUpdate();
    Land(static_cast<long>(*found));
}

// The keyset stands in the index's order: a binary search finds the row, unless
// a row it probes is gone.
std::optional<std::optional<size_t>> TSqliteRecordset::SeekByHalving(
    TKeysetRowSet& keyset, const TTableInfo& table, const TIndexInfo& index,
    const std::vector<Variant>& values, const std::string& comparison) {
    if (keyset.HasAddedRows()) return std::nullopt;  // no longer in the index's order
    std::vector<TSeekColumn> columns;
    const auto& fields = keyset.Fields();
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string wanted = AsciiUpperCase(index.Columns[i].Name);
        const auto field = std::find_if(fields.begin(), fields.end(), [&](const TFieldMeta& f) {
            return AsciiUpperCase(f.SourceField) == wanted || AsciiUpperCase(f.Name) == wanted;
        });
        const TColumnInfo* column = table.Column(index.Columns[i].Name);
        if (field == fields.end() || !column) return std::nullopt;
        const int type = column->Type.Type;
        columns.push_back({static_cast<size_t>(field - fields.begin()), index.Columns[i].Descending,
                           type == dbText || type == dbMemo || type == dbChar});
    }
    return SeekInKeyset(keyset, columns, values, comparison);
}

void TSqliteRecordset::Find(const std::string& criteria, TFindKind kind) {
    CheckOpen();
    if (type_ == dbOpenForwardOnly || type_ == dbOpenTable) Raise(TDaoErr::NotSupported);
    std::string condition;
    try {
        condition = TranslateExpression(criteria, Database().ColumnTypes(rows_->Source().Table));
    } catch (const ESqlSyntax& e) {
        Raise(TDaoErr::SyntaxError, e.Text);
    }
    std::optional<size_t> current;
    if (cursor_.HasCurrent()) current = static_cast<size_t>(cursor_.Position());
    const auto found = rows_->Find(condition, kind, current);
    noMatch_ = !found;
    if (found) {
        if (edit_.Active()) CancelUpdate();
        Land(static_cast<long>(*found));
    }
}

void TSqliteRecordset::SetFilter(const std::string& filter) {
    CheckOpen();
    if (type_ == dbOpenTable) Raise(TDaoErr::NotSupported);
    filter_ = filter;
}

void TSqliteRecordset::SetSort(const std::string& sort) {
    CheckOpen();
    if (type_ == dbOpenTable) Raise(TDaoErr::NotSupported);
    sort_ = sort;
}

std::shared_ptr<Recordset> TSqliteRecordset::OpenRecordset(int type, int options) {
    CheckOpen();
    if (type == 0) type = type_;
    if (type == dbOpenTable || type == dbOpenDynamic) Raise(TDaoErr::NotSupported);
    TRecordSource source = rows_->Source();
    std::string where, order;
    try {
        const auto types = Database().ColumnTypes(source.Table);
        if (!filter_.empty()) where = TranslateExpression(filter_, types);
        if (!sort_.empty()) order = TranslateOrderList(sort_, types);
    } catch (const ESqlSyntax& e) {
        Raise(TDaoErr::SyntaxError, e.Text);
    }
    if (source.SingleTable) {
        if (!where.empty())
            source.Where =
                source.Where.empty() ? where : "(" + source.Where + ") AND (" + where + ")";
        if (!order.empty()) source.OrderBy = order;
        source.Sql = ComposeSql(source);
    } else {
        source.Sql = "SELECT * FROM (" + source.Sql + ")" +
                     (where.empty() ? "" : " WHERE " + where) +
                     (order.empty() ? "" : " ORDER BY " + order);
    }
    const bool readOnly = readOnly_ || (options & dbReadOnly) != 0;
    return std::make_shared<TSqliteRecordset>(MakeRowSet(rows_->DatabaseRef(), source, type), type,
                                              readOnly);
}

FieldCollection& TSqliteRecordset::Fields() {
    CheckOpen();
    if (!fields_)
        fields_ =
            MakeRecordFields(shared_from_this(), Database().EngineRef(), rows_->Fields().size());
    return *fields_;
}

std::string TSqliteRecordset::FieldDefault(size_t field) const {
    return DefaultValueText(Meta(field).Type, Meta(field).DefaultValue);
}

std::vector<std::shared_ptr<Property>> TSqliteRecordset::FieldProperties(size_t field) const {
    std::vector<std::shared_ptr<Property>> list;
    const TFieldMeta& meta = Meta(field);
    if (meta.SourceTable.empty()) return list;
    for (auto& p : ReadFieldProperties(Database().Connection(kFieldSource), meta.SourceTable,
                                       meta.SourceField))
        list.push_back(std::make_shared<TPlainProperty>(p.Name, p.Type, p.Value));
    return list;
}

}  // namespace zalvert::engine
