#include "engine/odbc/OdbcRecordset.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "engine/EngineState.h"
#include "engine/odbc/OdbcDialect.h"
#include "engine/odbc/OdbcFields.h"
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
    if (const auto first = NextLive(-1, +1)) Land(*first);
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
    const TOdbcTableInfo* table = source_.Table.empty() ? nullptr : db_->Table(source_.Table);
    std::string sql = source_.Keyed()
                          ? "SELECT " + source_.SelectList + " FROM " + source_.From + " WHERE 1=0"
                          : "SELECT * FROM (" + source_.Sql + ") AS zi_source WHERE 1=0";
    try {
        TOdbcStatement stmt(db_->Connection(kSource));
        stmt.ExecDirect(sql);
        for (const TOdbcColumn& c : stmt.Columns()) {
            TOdbcFieldMeta meta;
            meta.Name = c.Name;
            meta.Type = DaoTypeOf(c.SqlType, c.Size, c.Digits);
            meta.Size = meta.Type == dbText ? static_cast<int>(c.Size) : 0;
            if (const TOdbcColumnInfo* column = table ? table->Column(c.Name) : nullptr) {
                meta.SourceTable = table->Name;
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

void TOdbcRecordset::LoadKeys() {
    const TOdbcTableInfo* table = db_->Table(source_.Table);
    const TOdbcColumnInfo* key = table ? table->Column(source_.Key) : nullptr;
    const int type = key ? key->Type : 0;
    keys_.Clear(type == dbByte || type == dbInteger || type == dbLong || type == dbBigInt);
    page_.clear();
    added_.clear();
    std::string sql = "SELECT " + KeyColumn() + " FROM " + source_.From;
    if (!source_.Where.empty()) sql += " WHERE " + source_.Where;
    if (!source_.OrderBy.empty()) sql += " ORDER BY " + source_.OrderBy;
    if (source_.Top) sql += " LIMIT " + std::to_string(*source_.Top);
    try {
        TOdbcStatement stmt(db_->Connection(kSource));
        stmt.ExecDirect(sql);
        keys_.Load(stmt);
    } catch (const EOdbc& e) {
        Raise(e);
    }
    deleted_.assign(keys_.Size(), false);
    deletedCount_ = 0;
}

void TOdbcRecordset::LoadRows() {
    rows_.clear();
    deleted_.clear();
    deletedCount_ = 0;
    try {
        stream_ = std::make_unique<TOdbcStatement>(db_->Connection(kSource));
        stream_->ExecDirect(source_.Compose());
        streamDone_ = false;
        if (type_ != dbOpenForwardOnly) {
            while (Has(rows_.size())) {
            }
        }
    } catch (const EOdbc& e) {
        Raise(e);
    }
}

// Whether position `pos` exists, reading held rows as far as needed.
bool TOdbcRecordset::Has(size_t pos) {
    if (Keyset()) return pos < keys_.Size();
    while (pos >= rows_.size() && !streamDone_) {
        try {
            if (!stream_->Fetch()) {
                streamDone_ = true;
                stream_.reset();
                break;
            }
            std::vector<Variant> row;
            for (size_t i = 0; i < fields_.size(); ++i) row.push_back(stream_->Get(i));
            // A forward-only recordset keeps only its current row.
            if (type_ == dbOpenForwardOnly && !rows_.empty()) rows_.back().clear();
            rows_.push_back(std::move(row));
        } catch (const EOdbc& e) {
            Raise(e);
        }
    }
    return pos < rows_.size();
}

std::optional<long> TOdbcRecordset::NextLive(long from, int direction) {
    for (long pos = from + direction; pos >= 0; pos += direction) {
        if (!Has(static_cast<size_t>(pos))) return std::nullopt;
        if (!Deleted(static_cast<size_t>(pos))) return pos;
    }
    return std::nullopt;
}

bool TOdbcRecordset::HasCurrent() const {
    return pos_ >= 0 && !bof_ && !eof_ && static_cast<size_t>(pos_) < Size();
}

void TOdbcRecordset::Land(long pos) {
    pos_ = pos;
    bof_ = eof_ = false;
}

void TOdbcRecordset::BeforeMove() {
    CheckOpen();
    if (editMode_ != dbEditNone) CancelUpdate();
}

std::string TOdbcRecordset::Name() const {
    CheckOpen();
    return source_.Name;
}

bool TOdbcRecordset::Bof() const {
    CheckOpen();
    return bof_;
}

bool TOdbcRecordset::Eof() const {
    CheckOpen();
    return eof_;
}

void TOdbcRecordset::MoveFirst() {
    BeforeMove();
    if (type_ == dbOpenForwardOnly && pos_ > 0) Raise(TDaoErr::NotSupported);
    // A dynamic recordset sees the rows other users added or removed.
    if (type_ == dbOpenDynamic) LoadKeys();
    const auto first = NextLive(-1, +1);
    if (!first) {
        bof_ = eof_ = true;
        Raise(TDaoErr::NoCurrentRecord);
    }
    Land(*first);
}

void TOdbcRecordset::MoveLast() {
    BeforeMove();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    if (type_ == dbOpenDynamic) LoadKeys();
    while (Has(Size())) {
    }
    const auto last = NextLive(static_cast<long>(Size()), -1);
    if (!last) {
        bof_ = eof_ = true;
        Raise(TDaoErr::NoCurrentRecord);
    }
    Land(*last);
}

void TOdbcRecordset::MoveNext() {
    BeforeMove();
    if (eof_) Raise(TDaoErr::NoCurrentRecord);
    if (const auto next = NextLive(bof_ ? -1 : pos_, +1)) return Land(*next);
    pos_ = static_cast<long>(Size());
    eof_ = true;
    bof_ = Size() == deletedCount_;
}

void TOdbcRecordset::MovePrevious() {
    BeforeMove();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    if (bof_) Raise(TDaoErr::NoCurrentRecord);
    if (const auto previous = NextLive(eof_ ? static_cast<long>(Size()) : pos_, -1))
        return Land(*previous);
    pos_ = -1;
    bof_ = true;
    eof_ = Size() == deletedCount_;
}

void TOdbcRecordset::Move(long rows) {
    CheckOpen();
    if (!HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    if (type_ == dbOpenForwardOnly && rows < 0) Raise(TDaoErr::NotSupported);
    BeforeMove();
    const int direction = rows > 0 ? 1 : -1;
    long pos = pos_;
    for (long left = std::labs(rows); left > 0; --left) {
        const auto next = NextLive(pos, direction);
        if (!next) {
            pos = direction > 0 ? static_cast<long>(Size()) : -1;
            break;
        }
        pos = *next;
    }
    if (pos >= 0 && static_cast<size_t>(pos) < Size()) return Land(pos);
    pos_ = pos;
    bof_ = pos < 0 || Size() == deletedCount_;
    eof_ = pos >= 0 || Size() == deletedCount_;
}

long TOdbcRecordset::AbsolutePosition() const {
    CheckOpen();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    if (!HasCurrent()) return -1;
    long live = pos_;
    if (deletedCount_ > 0)
        for (long i = 0; i < pos_; ++i) live -= Deleted(static_cast<size_t>(i));
    return live;
}

void TOdbcRecordset::SetAbsolutePosition(long position) {
    CheckOpen();
    if (type_ == dbOpenForwardOnly) Raise(TDaoErr::NotSupported);
    if (position < 0) Raise(TDaoErr::InvalidArgument);
    long pos = deletedCount_ == 0 ? position : -1;
    if (deletedCount_ > 0) {
        for (long n = 0; n <= position; ++n) {
            const auto next = NextLive(pos, +1);
            if (!next) Raise(TDaoErr::InvalidArgument);
            pos = *next;
        }
    } else if (!Has(static_cast<size_t>(pos))) {
        Raise(TDaoErr::InvalidArgument);
    }
    BeforeMove();
    Land(pos);
}

double TOdbcRecordset::PercentPosition() const {
    const long count = RecordCount();
    if (!HasCurrent() || count == 0) return 0;
    return 100.0 * static_cast<double>(AbsolutePosition() + 1) / static_cast<double>(count);
}

void TOdbcRecordset::SetPercentPosition(double percent) {
    CheckOpen();
    if (percent < 0 || percent > 100) Raise(TDaoErr::InvalidArgument);
    const long live = RecordCount();
    if (live == 0) Raise(TDaoErr::NoCurrentRecord);
    const long target = std::min(live - 1, static_cast<long>(std::floor(percent / 100.0 * live)));
    SetAbsolutePosition(std::max(0L, target));
}

// Keys and held rows are all known: the count is exact for every type but
// forward-only, which counts the rows read so far.
long TOdbcRecordset::RecordCount() const {
    CheckOpen();
    return static_cast<long>(Size() - deletedCount_);
}

// Four bytes name the record, as callers keep them, and four the recordset and its
// clones. A keyset of whole-number keys names a record by its key, so that the
// bookmark stays with it when the order changes; other sets name a position.
TBytes TOdbcRecordset::BookmarkOf(size_t pos) const {
    std::int64_t value = static_cast<std::int64_t>(pos) + 1;
    if (Keyset() && keys_.Numeric()) value = keys_.At(pos).AsInt64();
    if (value < 1 || value > 0x7FFFFFFF) Raise(TDaoErr::InvalidBookmark);
    const auto mark = static_cast<std::uint32_t>(value);
    TBytes bytes(8);
    std::memcpy(bytes.data(), &mark, 4);
    std::memcpy(bytes.data() + 4, &family_, 4);
    return bytes;
}

TBytes TOdbcRecordset::Bookmark() const {
    CheckOpen();
    if (!Bookmarkable()) Raise(TDaoErr::NotSupported);
    if (!HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    return BookmarkOf(static_cast<size_t>(pos_));
}

void TOdbcRecordset::SetBookmark(const TBytes& bookmark) {
    CheckOpen();
    if (!Bookmarkable()) Raise(TDaoErr::NotSupported);
    std::uint32_t mark = 0, family = family_;
    if (bookmark.size() < 4) Raise(TDaoErr::InvalidBookmark);
    std::memcpy(&mark, bookmark.data(), 4);
    if (bookmark.size() >= 8) std::memcpy(&family, bookmark.data() + 4, 4);
    std::optional<size_t> pos;
    if (family == family_ && mark > 0 && mark <= 0x7FFFFFFF) {
        if (Keyset() && keys_.Numeric())
            pos = keys_.Find(Variant(static_cast<std::int64_t>(mark)));
        else if (mark <= Size())
            pos = mark - 1;
    }
    if (!pos) Raise(TDaoErr::InvalidBookmark);
    if (Deleted(*pos) || !Row(*pos)) Raise(TDaoErr::RecordDeleted);
    BeforeMove();
    Land(static_cast<long>(*pos));
}

TBytes TOdbcRecordset::LastModified() const {
    CheckOpen();
    if (!lastModified_) Raise(TDaoErr::NoCurrentRecord);
    return BookmarkOf(*lastModified_);
}

// A keyset's rows are read a page at a time around the one asked for; a row the
// page lacks was deleted by another user.
const std::vector<Variant>* TOdbcRecordset::Row(size_t pos) const {
    if (!Keyset()) return pos < rows_.size() ? &rows_[pos] : nullptr;
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
        if (!rowStatement_) {
            rowStatement_ = std::make_unique<TOdbcStatement>(db_->Connection(kSource));
            rowStatement_->Prepare("SELECT " + source_.SelectList + " FROM " + source_.From +
                                   " WHERE " + KeyColumn() + " = ?");
        }
        TOdbcStatement& stmt = *rowStatement_;
        stmt.Bind({keys_.At(pos)});
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
    const size_t count = std::min(kPageRows, keys_.Size() - pageStart_);
    std::vector<Variant> keys;
    keys.reserve(kPageRows);
    for (size_t i = 0; i < count; ++i) keys.push_back(keys_.At(pageStart_ + i));
    keys.resize(kPageRows, keys.back());
    page_.assign(count, std::nullopt);
    pageGenerations_.assign(count, db_->Engine().CacheGeneration);
    std::unordered_map<std::string, size_t> slots;
    for (size_t i = 0; i < count; ++i) slots.emplace(keys[i].AsString(), i);
    try {
        if (!pageStatement_) {
            pageStatement_ = std::make_unique<TOdbcStatement>(db_->Connection(kSource));
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
    const size_t pos = keys_.Size() - 1;
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

Variant TOdbcRecordset::FieldValue(size_t field) const {
    CheckOpen();
    if (editMode_ != dbEditNone) return editValues_[field];
    if (!HasCurrent()) Raise(TDaoErr::NoCurrentRecord);
    if (Deleted(static_cast<size_t>(pos_))) Raise(TDaoErr::RecordDeleted);
    const auto* row = Row(static_cast<size_t>(pos_));
    if (!row || row->empty()) Raise(TDaoErr::RecordDeleted);
    return (*row)[field];
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
    clone->keys_ = keys_;
    clone->deleted_ = deleted_;
    clone->deletedCount_ = deletedCount_;
    clone->rows_ = rows_;
    clone->streamDone_ = true;
    clone->index_ = index_;
    return clone;
}

void TOdbcRecordset::Requery() {
    CheckOpen();
    if (editMode_ != dbEditNone) CancelUpdate();
    pos_ = -1;
    bof_ = eof_ = true;
    if (Keyset())
        LoadKeys();
    else
        LoadRows();
    if (const auto first = NextLive(-1, +1)) Land(*first);
}

void TOdbcRecordset::Close() {
    CheckOpen();
    if (editMode_ != dbEditNone) CancelUpdate();
    stream_.reset();
    insert_.reset();
    pageStatement_.reset();
    rowStatement_.reset();
    closed_ = true;
}

FieldCollection& TOdbcRecordset::Fields() {
    CheckOpen();
    if (!fieldCollection_)
        fieldCollection_ = MakeRecordFields(weak_from_this(), db_->EngineRef(), fields_.size());
    return *fieldCollection_;
}

}  // namespace zalvert::engine::odbc
