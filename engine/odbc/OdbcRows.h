#pragma once
// The rows behind a server recordset and its clones: the keys of a keyset in their
// order, or the rows held (streamed as a forward-only set reads them), and which of
// them are deleted. A recordset and its clones share one, so that a row deleted or
// added through any of them is seen by all.

#include <memory>
#include <vector>

#include "engine/core/RowPositions.h"
#include "engine/odbc/OdbcKeys.h"
#include "engine/odbc/OdbcState.h"

namespace zalvert::engine::odbc {

class TOdbcRows : public TRowPositions {
  public:
    // A keyset of the keys read.
    static std::shared_ptr<TOdbcRows> Keyset(TOdbcRef db, TKeyList keys);
    // The rows of the executed `stream`, `width` columns each: a forward-only set
    // reads them as it moves and keeps only the last, any other reads them all now.
    static std::shared_ptr<TOdbcRows> Held(TOdbcRef db, std::unique_ptr<TOdbcStatement> stream,
                                           size_t width, bool forwardOnly);

    bool IsKeyset() const { return keyset_; }
    const TKeyList& Keys() const { return keys_; }
    // A held row; none past the rows read.
    const std::vector<Variant>* HeldRow(size_t pos) const {
        return pos < rows_.size() ? &rows_[pos] : nullptr;
    }
    // A row added through one of the recordsets joins the keyset at its end.
    void AddKey(const Variant& key);
    // Deleted through one of the recordsets, or found gone by a write.
    void MarkDeleted(size_t pos);

    bool Has(size_t pos) override;
    size_t KnownSize() const override { return keyset_ ? keys_.Size() : rows_.size(); }
    bool Complete() const override { return keyset_ || !stream_; }
    void FetchAll() override;
    bool IsDeleted(size_t pos) const override { return pos < deleted_.size() && deleted_[pos]; }
    size_t DeletedCount() const override { return deletedCount_; }

  private:
    explicit TOdbcRows(TOdbcRef db) : db_(std::move(db)) {}
    bool FetchOne();

    TOdbcRef db_;
    bool keyset_ = false;
    TKeyList keys_;
    std::vector<std::vector<Variant>> rows_;
    std::unique_ptr<TOdbcStatement> stream_;  // until every row is read
    size_t width_ = 0;
    bool forwardOnly_ = false;
    std::vector<bool> deleted_;
    size_t deletedCount_ = 0;
};

}  // namespace zalvert::engine::odbc
