#include "engine/odbc/OdbcRecordset.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "engine/core/Bookmark.h"
#include "engine/core/EngineState.h"
#include "engine/odbc/OdbcDialect.h"
#include "rtl/Utf8.h"

namespace zalvert::engine::odbc {
namespace {

constexpr const char* kSource = "DAO.Recordset";
constexpr size_t kPageRows = 100;

std::string Placeholders(size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += i ? ",?" : "?";
    return text;
}

}  // namespace

TOdbcRecordset::TOdbcRecordset(TOdbcRef db, TOdbcSource source, int type, bool readOnly)
    : db_(std::move(db)),
      source_(std::move(source)),
      type_(type),
      readOnly_(readOnly || db_->ReadOnly()),
      family_(db_->NextFamily++) {}

TOdbcRecordset::~TOdbcRecordset() = default;

void TOdbcRecordset::Open() {
    Describe();
    if (Keyset())
        LoadKeys();
    else
        LoadRows();
}

void TOdbcRecordset::Raise(TDaoErr number, const std::string& detail) const {
    Fail(db_->Engine(), number, kSource, detail);
}

void TOdbcRecordset::Raise(const EOdbc& error) const {
    db_->Fail(error, kSource);
}

void TOdbcRecordset::CheckOpen() const {
    if (closed_ || db_->Closed()) Raise(TDaoErr::ObjectClosed);
}

std::string TOdbcRecordset::KeyColumn() const {
    return source_.TableRef + "." + ServerName(source_.Key);
}

// The result columns, from the statement run for no rows.
void TOdbcRecordset::Describe() {
    const TTableInfo* table = source_.Table.empty() ? nullptr : db_->Table(source_.Table);
    std::string sql = source_.Keyed()
                          ? "SELECT " + source_.SelectList + " FROM " + source_.From + " WHERE 1=0"
                          : "SELECT * FROM (" + source_.Sql + ") AS zi_source WHERE 1=0";
    try {
        TOdbcStatement stmt(db_->Connection(kSource));
        stmt.ExecDirect(sql);
        for (const TOdbcColumn& c : stmt.Columns()) {
            TFieldMeta meta;
            meta.Name = c.Name;
            meta.Type = TypeInfoOf(c.SqlType, c.Size, c.Digits);
            if (const TColumnInfo* column = table ? table->Column(c.Name) : nullptr) {
                meta.SourceTable = table->Name;
                meta.SourceField = meta.Name;
                meta.AutoIncrement = column->AutoIncrement;
                meta.Required = column->Required;
                meta.DefaultValue = column->DefaultValue;
                meta.Updatable = source_.Keyed() && !column->AutoIncrement && !table->View;
            }
            fields_.push_back(std::move(meta));
        }
    } catch (const EOdbc& e) {
        Raise(e);
    }
}

// The keys anew, in rows of this recordset's own (its clones keep theirs); the
// cursor on the first live row.
void TOdbcRecordset::LoadKeys() {
    const TTableInfo* table = db_->Table(source_.Table);
    const TColumnInfo* key = table ? table->Column(source_.Key) : nullptr;
    const int type = key ? key->Type.Type : 0;
    page_.clear();
    added_.clear();
    const bool numeric = type == dbByte || type == dbInteger || type == dbLong || type == dbBigInt;
    std::string sql = "SELECT " + KeyColumn() + " FROM " + source_.From;
    if (!source_.Where.empty()) sql += " WHERE " + source_.Where;
    if (!source_.OrderBy.empty()) sql += " ORDER BY " + source_.OrderBy;
    if (source_.Top) sql += " LIMIT " + std::to_string(*source_.Top);
    try {
        TKeyList keys;
        keys.Clear(numeric);
        TOdbcConnection& connection = db_->Connection(kSource);
        // A whole table stands in its key's order, as the file engine's in its row
        // id's: a page at a time from the key's index. (With a condition the server
        // might scan the table for every page.)
        if (numeric && source_.Where.empty() && source_.OrderBy.empty() && !source_.Top &&
            db_->PostgreSql())
            ReadKeysInOrder(connection, KeyColumn(), source_.From, source_.Where, keys);
        else
            ReadKeys(connection, sql, db_->PostgreSql(), keys);
        rows_ = TOdbcRows::Keyset(db_, std::move(keys));
    } catch (const EOdbc& e) {
        Raise(e);
    }
    cursor_ = TCursor(rows_, false);
}

void TOdbcRecordset::LoadRows() {
    try {
        auto stream = std::make_unique<TOdbcStatement>(db_->Connection(kSource));
        stream->ExecDirect(source_.Compose());
        rows_ = TOdbcRows::Held(db_, std::move(stream), fields_.size(), type_ == dbOpenForwardOnly);
    } catch (const EOdbc& e) {
        Raise(e);
    }
    cursor_ = TCursor(rows_, type_ == dbOpenForwardOnly);
}

void TOdbcRecordset::Refuse(TCursorRefusal refusal) const {
    if (refusal != TCursorRefusal::None) Raise(ErrorOf(refusal));
}

// A refusal leaves the recordset as it was; a move cancels an edit in progress.
void TOdbcRecordset::MoveAfter(TCursorRefusal refusal) {
    CheckOpen();
    Refuse(refusal);
    if (edit_.Active()) CancelUpdate();
}

std::string TOdbcRecordset::Name() const {
    CheckOpen();
    return source_.Name;
}

bool TOdbcRecordset::Bof() const {
    CheckOpen();
    return cursor_.Bof();
}

bool TOdbcRecordset::Eof() const {
    CheckOpen();
    return cursor_.Eof();
}

void TOdbcRecordset::MoveFirst() {
    MoveAfter(cursor_.Refusal(TMove::First));
    // A dynamic recordset sees the rows other users added or removed.
    if (type_ == dbOpenDynamic) LoadKeys();
    Refuse(cursor_.First());
}

void TOdbcRecordset::MoveLast() {
    MoveAfter(cursor_.Refusal(TMove::Last));
    if (type_ == dbOpenDynamic) LoadKeys();
    Refuse(cursor_.Last());
}

void TOdbcRecordset::MoveNext() {
    MoveAfter(cursor_.Refusal(TMove::Next));
    cursor_.Next();
}

void TOdbcRecordset::MovePrevious() {
    MoveAfter(cursor_.Refusal(TMove::Previous));
    cursor_.Previous();
}

void TOdbcRecordset::Move(long rows) {
    MoveAfter(cursor_.Refusal(TMove::By, rows));
    cursor_.Move(rows);
}

long TOdbcRecordset::AbsolutePosition() const {
    CheckOpen();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    return cursor_.AbsolutePosition();
}

void TOdbcRecordset::SetAbsolutePosition(long position) {
    CheckOpen();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    const auto target = cursor_.LivePosition(position);
    if (!target) Raise(TDaoErr::InvalidArgument);
    MoveAfter(TCursorRefusal::None);
    cursor_.LandOn(*target);
}

double TOdbcRecordset::PercentPosition() const {
    return cursor_.PercentPosition(RecordCount());
}

void TOdbcRecordset::SetPercentPosition(double percent) {
    CheckOpen();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    size_t target = 0;
    MoveAfter(cursor_.PercentTarget(percent, target));
    cursor_.LandOn(target);
}

// Keys and held rows are all known: the count is exact for every type but
// forward-only, which counts the rows read so far.
long TOdbcRecordset::RecordCount() const {
    CheckOpen();
    return static_cast<long>(rows_->KnownSize() - rows_->DeletedCount());
}

// Four bytes name the record, as callers keep them, and four the recordset and its
// clones. A keyset of whole-number keys names a record by its key, so that the
// bookmark stays with it when the order changes; other sets name a position.
TBytes TOdbcRecordset::BookmarkOf(size_t pos) const {
    std::int64_t value = static_cast<std::int64_t>(pos) + 1;
    if (Keyset() && rows_->Keys().Numeric()) value = rows_->Keys().At(pos).AsInt64();
    const auto bookmark = EncodeBookmark(value, family_);
    if (!bookmark) Raise(TDaoErr::InvalidBookmark);
    return *bookmark;
}

TBytes TOdbcRecordset::Bookmark() const {
    CheckOpen();
    if (!Bookmarkable()) Raise(TDaoErr::NotSupported);
    if (!cursor_.HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    return BookmarkOf(static_cast<size_t>(cursor_.Position()));
}

void TOdbcRecordset::SetBookmark(const TBytes& bookmark) {
    CheckOpen();
    if (!Bookmarkable()) Raise(TDaoErr::NotSupported);
    std::optional<size_t> pos;
    if (const auto mark = DecodeBookmark(bookmark, family_)) {
        if (Keyset() && rows_->Keys().Numeric())
            pos = rows_->Keys().Find(Variant(static_cast<std::int64_t>(*mark)));
        else if (*mark <= rows_->KnownSize())
            pos = *mark - 1;
    }
    if (!pos) Raise(TDaoErr::InvalidBookmark);
    if (rows_->IsDeleted(*pos) || !Row(*pos)) Raise(TDaoErr::RecordDeleted);
    MoveAfter(TCursorRefusal::None);
    cursor_.LandOn(*pos);
}

TBytes TOdbcRecordset::LastModified() const {
    CheckOpen();
    if (!lastModified_) Raise(TDaoErr::NoCurrentRecord);
    return BookmarkOf(*lastModified_);
}

// A keyset's rows are read a page at a time around the one asked for; a row the
// page lacks was deleted by another user.
const std::vector<Variant>* TOdbcRecordset::Row(size_t pos) const {
    if (!Keyset()) return rows_->HeldRow(pos);
    const std::uint64_t generation = db_->Engine().CacheGeneration;
    // Rows just added came back from the server as stored; a refresh of the cache
    // (asked for after every write) need not read them again.
    if (pos >= addedStart_ && pos < addedStart_ + added_.size()) return &added_[pos - addedStart_];
    if (page_.empty() || pos < pageStart_ || pos >= pageStart_ + page_.size()) ReadPage(pos);
    // A refresh (asked for after every record a dataset reads) reads again only
    // the row asked for, not its page.
    else if (pageGenerations_[pos - pageStart_] != generation)
        ReadRow(pos);
    const auto& row = page_[pos - pageStart_];
    return row ? &*row : nullptr;
}

void TOdbcRecordset::ReadRow(size_t pos) const {
    const size_t slot = pos - pageStart_;
    try {
        // Every use asks for the connection: rows still held go out first.
        TOdbcConnection& connection = db_->Connection(kSource);
        if (!rowStatement_) {
            rowStatement_ = std::make_unique<TOdbcStatement>(connection);
            rowStatement_->Prepare("SELECT " + source_.SelectList + " FROM " + source_.From +
                                   " WHERE " + KeyColumn() + " = ?");
        }
        TOdbcStatement& stmt = *rowStatement_;
        stmt.Bind({rows_->Keys().At(pos)});
        stmt.Execute();
        page_[slot].reset();
        if (stmt.Fetch()) {
            std::vector<Variant> row;
            row.reserve(fields_.size());
            for (size_t i = 0; i < fields_.size(); ++i) row.push_back(stmt.Get(i));
            page_[slot] = std::move(row);
        }
        stmt.CloseCursor();
    } catch (const EOdbc& e) {
        rowStatement_.reset();
        Raise(e);
    }
    pageGenerations_[slot] = db_->Engine().CacheGeneration;
}

// One statement for every page: a short page repeats its last key.
void TOdbcRecordset::ReadPage(size_t pos) const {
    pageStart_ = pos - std::min(pos, kPageRows / 4);
    const TKeyList& keyList = rows_->Keys();
    const size_t count = std::min(kPageRows, keyList.Size() - pageStart_);
    std::vector<Variant> keys;
    keys.reserve(kPageRows);
    for (size_t i = 0; i < count; ++i) keys.push_back(keyList.At(pageStart_ + i));
    keys.resize(kPageRows, keys.back());
    page_.assign(count, std::nullopt);
    pageGenerations_.assign(count, db_->Engine().CacheGeneration);
    std::unordered_map<std::string, size_t> slots;
    for (size_t i = 0; i < count; ++i) slots.emplace(keys[i].AsString(), i);
    try {
        // Every use asks for the connection: rows still held go out first.
        TOdbcConnection& connection = db_->Connection(kSource);
        if (!pageStatement_) {
            pageStatement_ = std::make_unique<TOdbcStatement>(connection);
            pageStatement_->Prepare("SELECT " + source_.SelectList + ", " + KeyColumn() + " FROM " +
                                    source_.From + " WHERE " + KeyColumn() + " IN (" +
                                    Placeholders(kPageRows) + ")");
        }
        TOdbcStatement& stmt = *pageStatement_;
        stmt.Bind(keys);
        stmt.Execute();
        while (stmt.Fetch()) {
            std::vector<Variant> row;
            row.reserve(fields_.size());
            for (size_t i = 0; i < fields_.size(); ++i) row.push_back(stmt.Get(i));
            const auto slot = slots.find(stmt.Get(fields_.size()).AsString());
            if (slot != slots.end()) page_[slot->second] = std::move(row);
        }
        stmt.CloseCursor();
    } catch (const EOdbc& e) {
        page_.clear();
        pageStatement_.reset();
        Raise(e);
    }
}

// The rows this recordset added last are kept beside the page: an import adds at
// the end while the current record stays where it was, and both are read.
void TOdbcRecordset::KeepNewRow(std::vector<Variant> row) {
    const size_t pos = rows_->KnownSize() - 1;
    if (added_.empty() || addedStart_ + added_.size() != pos) {
        added_.clear();
        addedStart_ = pos;
    }
    added_.push_back(std::move(row));
    if (added_.size() > kPageRows) {
        const size_t drop = added_.size() - kPageRows / 2;
        added_.erase(added_.begin(), added_.begin() + static_cast<long>(drop));
        addedStart_ += drop;
    }
}

const Variant& TOdbcRecordset::CurrentValue(size_t field) const {
    CheckOpen();
    if (edit_.Active()) return edit_.Value(field);
    if (!cursor_.HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    if (rows_->IsDeleted(static_cast<size_t>(cursor_.Position()))) Raise(TDaoErr::RecordDeleted);
    const auto* row = Row(static_cast<size_t>(cursor_.Position()));
    if (!row || row->empty()) Raise(TDaoErr::RecordDeleted);
    return (*row)[field];
}

Variant TOdbcRecordset::FieldValue(size_t field) const {
    return CurrentValue(field);
}

// Without a copy of the value on its way: the dataset reads every record's texts.
bool TOdbcRecordset::CopyFieldText(size_t field, std::string& text) const {
    const Variant& value = CurrentValue(field);
    if (value.Type() != TVarType::String) return false;
    text.assign(value.StringValue());
    return true;
}

// The size of a memo or binary value without a copy of it.
long long TOdbcRecordset::FieldSize(size_t field) const {
    return ValueSize(CurrentValue(field));
}

// Rows are kept as the fields give their values: each is handed on as it is.
bool TOdbcRecordset::VisitCurrentValues(const TValueVisitor& visit) const {
    if (closed_ || db_->Closed() || edit_.Active() || !cursor_.HasCurrent() ||
        rows_->IsDeleted(static_cast<size_t>(cursor_.Position())))
        return false;
    const std::vector<Variant>* row = nullptr;
    try {
        row = Row(static_cast<size_t>(cursor_.Position()));
    } catch (const std::exception&) {
        return false;  // each field tells what failed
    }
    if (!row || row->size() < fields_.size()) return false;
    for (size_t field = 0; field < fields_.size(); ++field) visit(field, (*row)[field]);
    return true;
}

bool TOdbcRecordset::Updatable() const {
    CheckOpen();
    return !readOnly_ && Keyset() && type_ != dbOpenSnapshot &&
           std::any_of(fields_.begin(), fields_.end(), [](const auto& f) { return f.Updatable; });
}

std::shared_ptr<Recordset> TOdbcRecordset::OpenRecordset(int type, int) {
    CheckOpen();
    if (type == 0) type = type_ == dbOpenTable ? dbOpenDynaset : type_;
    auto rs =
        std::make_shared<TOdbcRecordset>(db_, source_.Narrowed(filter_, sort_), type, readOnly_);
    rs->Open();
    return rs;
}

std::shared_ptr<Recordset> TOdbcRecordset::Clone() {
    CheckOpen();
    if (!Bookmarkable()) Raise(TDaoErr::NotSupported);
    auto clone = std::make_shared<TOdbcRecordset>(db_, source_, type_, readOnly_);
    clone->family_ = family_;
    clone->fields_ = fields_;
    // The same rows, deletion marks and added rows included; no current record.
    clone->rows_ = rows_;
    clone->cursor_ = cursor_.Unpositioned();
    clone->index_ = index_;
    return clone;
}

void TOdbcRecordset::Requery() {
    CheckOpen();
    if (edit_.Active()) CancelUpdate();
    if (Keyset())
        LoadKeys();
    else
        LoadRows();
}

void TOdbcRecordset::Close() {
    CheckOpen();
    if (edit_.Active()) CancelUpdate();
    insert_.reset();
    // A forward-only set's statement goes with its rows (it has no clones).
    if (type_ == dbOpenForwardOnly) {
        cursor_ = TCursor();
        rows_.reset();
    }
    pageStatement_.reset();
    rowStatement_.reset();
    closed_ = true;
}

FieldCollection& TOdbcRecordset::Fields() {
    CheckOpen();
    if (!fieldCollection_)
        fieldCollection_ = MakeRecordFields(shared_from_this(), db_->EngineRef(), fields_.size());
    return *fieldCollection_;
}

}  // namespace zalvert::engine::odbc
