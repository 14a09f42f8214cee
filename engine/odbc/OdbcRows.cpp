#include "engine/odbc/OdbcRows.h"

namespace zalvert::engine::odbc {
namespace {

constexpr const char* kSource = "DAO.Recordset";

}  // namespace

std::shared_ptr<TOdbcRows> TOdbcRows::Keyset(TOdbcRef db, TKeyList keys) {
    std::shared_ptr<TOdbcRows> rows(new TOdbcRows(std::move(db)));
    rows->keyset_ = true;
    rows->keys_ = std::move(keys);
    rows->deleted_.assign(rows->keys_.Size(), false);
    return rows;
}

std::shared_ptr<TOdbcRows> TOdbcRows::Held(TOdbcRef db, std::unique_ptr<TOdbcStatement> stream,
                                           size_t width, bool forwardOnly) {
    std::shared_ptr<TOdbcRows> rows(new TOdbcRows(std::move(db)));
    rows->stream_ = std::move(stream);
    rows->width_ = width;
    rows->forwardOnly_ = forwardOnly;
    if (!forwardOnly) rows->FetchAll();
    return rows;
}

void TOdbcRows::AddKey(const Variant& key) {
    keys_.Push(key);
    deleted_.push_back(false);
}

void TOdbcRows::MarkDeleted(size_t pos) {
    if (pos >= deleted_.size() || deleted_[pos]) return;
    deleted_[pos] = true;
    ++deletedCount_;
}

bool TOdbcRows::Has(size_t pos) {
    while (pos >= KnownSize() && FetchOne()) {
    }
    return pos < KnownSize();
}

void TOdbcRows::FetchAll() {
    while (FetchOne()) {
    }
}

// One more row of the stream; false once it has none.
bool TOdbcRows::FetchOne() {
    if (!stream_) return false;
    // Rows still held go out first, and the connection must be free.
    db_->Connection(kSource);
    try {
        if (!stream_->Fetch()) {
            stream_.reset();
            return false;
        }
        std::vector<Variant> row;
        row.reserve(width_);
        for (size_t i = 0; i < width_; ++i) row.push_back(stream_->Get(i));
        // A forward-only set keeps only its current row.
        if (forwardOnly_ && !rows_.empty()) rows_.back().clear();
        rows_.push_back(std::move(row));
    } catch (const EOdbc& e) {
        db_->Fail(e, kSource);
    }
    return true;
}

}  // namespace zalvert::engine::odbc
