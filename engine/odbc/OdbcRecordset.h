#pragma once
// A recordset of a server database. Table-type, dynaset and dynamic recordsets of
// one table with a one-column key hold the keys in their order and read rows in
// pages by key; edits are written by key with optimistic locking (the row must
// still hold what was read). Snapshots and recordsets of anything else hold their
// rows; forward-only ones stream them.

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/Dao.h"
#include "engine/core/Cursor.h"
#include "engine/core/EditBuffer.h"
#include "engine/core/RecordFields.h"
#include "engine/odbc/OdbcKeys.h"
#include "engine/odbc/OdbcRows.h"
#include "engine/odbc/OdbcSource.h"

namespace zalvert::engine::odbc {

class TOdbcRecordset : public Recordset,
                       public TFieldOwner,
                       public std::enable_shared_from_this<TOdbcRecordset> {
  public:
    TOdbcRecordset(TOdbcRef db, TOdbcSource source, int type, bool readOnly);
    ~TOdbcRecordset() override;
    // Reads the keys or rows; separate from construction so that fields can refer back.
    void Open();

    std::string Name() const override;
    int Type() const override { return type_; }
    bool Bof() const override;
    bool Eof() const override;
    void MoveFirst() override;
    void MoveLast() override;
    void MoveNext() override;
    void MovePrevious() override;
    void Move(long rows) override;
    long AbsolutePosition() const override;
    void SetAbsolutePosition(long position) override;
    double PercentPosition() const override;
    void SetPercentPosition(double percent) override;
    long RecordCount() const override;
    TBytes Bookmark() const override;
    void SetBookmark(const TBytes& bookmark) override;
    bool Bookmarkable() const override { return type_ != dbOpenForwardOnly; }
    TBytes LastModified() const override;
    int EditMode() const override { return edit_.Mode(); }
    void AddNew() override;
    void Edit() override;
    void Update() override;
    void CancelUpdate() override;
    void Delete() override;
    void Requery() override;
    std::shared_ptr<Recordset> Clone() override;
    void Close() override;
    bool Updatable() const override;
    long long RecordsAffected() const override { return 0; }
    std::string Index() const override { return index_; }
    void SetIndex(const std::string& name) override;
    void Seek(const std::string& comparison, const std::vector<Variant>& keys) override;
    bool NoMatch() const override { return noMatch_; }
    void FindFirst(const std::string& criteria) override { Find(criteria, 0); }
    void FindLast(const std::string& criteria) override { Find(criteria, 1); }
    void FindNext(const std::string& criteria) override { Find(criteria, 2); }
    void FindPrevious(const std::string& criteria) override { Find(criteria, 3); }
    std::string Filter() const override { return filter_; }
    void SetFilter(const std::string& filter) override { filter_ = filter; }
    std::string Sort() const override { return sort_; }
    void SetSort(const std::string& sort) override { sort_ = sort; }
    std::shared_ptr<Recordset> OpenRecordset(int type, int options) override;
    FieldCollection& Fields() override;

    // Used by the recordset's fields.
    const TFieldMeta& Meta(size_t field) const override { return fields_[field]; }
    Variant FieldValue(size_t field) const override;
    bool CopyFieldText(size_t field, std::string& text) const override;
    long long FieldSize(size_t field) const override;
    bool VisitCurrentValues(const TValueVisitor& visit) const override;
    void SetFieldValue(size_t field, const Variant& value) override;
    TOdbcState& Database() const { return *db_; }

  private:
    bool Keyset() const {
        return source_.Keyed() && type_ != dbOpenSnapshot && type_ != dbOpenForwardOnly;
    }
    [[noreturn]] void Raise(TDaoErr number, const std::string& detail = {}) const;
    [[noreturn]] void Raise(const EOdbc& error) const;
    void CheckOpen() const;
    void Describe();
    void LoadKeys();
    void LoadRows();
    void Refuse(TCursorRefusal refusal) const;
    void MoveAfter(TCursorRefusal refusal);
    const std::vector<Variant>* Row(size_t pos) const;
    void ReadPage(size_t pos) const;
    void ReadRow(size_t pos) const;
    void KeepNewRow(std::vector<Variant> row);
    std::string KeyText(size_t pos) const { return rows_->Keys().Text(pos); }
    TBytes BookmarkOf(size_t pos) const;
    std::string KeyColumn() const;
    void WriteEdit();
    void WriteNew();
    std::optional<size_t> BatchKeyField() const;
    void WriteNewInBatch(size_t keyField);
    const TBatchInsert& BatchInsert();
    void Find(const std::string& criteria, int kind);
    Variant Converted(const TFieldMeta& meta, const Variant& value) const;
    void AssignConverted(const TFieldMeta& meta, const Variant& value, Variant& stored) const;
    // The field's value in the record being edited, else in the current row.
    const Variant& CurrentValue(size_t field) const;
    const std::vector<Variant>& DefaultValues();

    TOdbcRef db_;
    TOdbcSource source_;
    int type_;
    bool readOnly_;
    std::uint32_t family_;
    bool closed_ = false;
    std::vector<TFieldMeta> fields_;
    // Shared with the clones; a row found gone by a write is marked deleted there,
    // so that every later access to it fails with RecordDeleted.
    std::shared_ptr<TOdbcRows> rows_;
    TCursor cursor_;
    // A keyset's rows are read a page at a time.
    mutable size_t pageStart_ = 0;
    mutable std::vector<std::optional<std::vector<Variant>>> page_;
    // The cache generation each row of the page was read in.
    mutable std::vector<std::uint64_t> pageGenerations_;
    mutable std::unique_ptr<TOdbcStatement> pageStatement_;
    mutable std::unique_ptr<TOdbcStatement> rowStatement_;
    std::vector<std::vector<Variant>> added_;
    size_t addedStart_ = 0;
    TEditBuffer edit_;
    std::optional<size_t> lastModified_;
    bool noMatch_ = true;
    std::string filter_, sort_, index_;
    std::unique_ptr<FieldCollection> fieldCollection_;
    std::optional<std::vector<Variant>> defaults_;
    // Statements kept for the writes an import repeats.
    std::unique_ptr<TOdbcStatement> insert_;
    std::string insertSql_;
    // A batched row's INSERT and which fields it names, kept while rows name the same.
    TBatchInsert batchInsert_;
    std::vector<bool> batchGiven_;
};

}  // namespace zalvert::engine::odbc
