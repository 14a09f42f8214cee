#pragma once
// The recordset object: a position over a row set shared with its clones, the edit
// buffer, bookmarks, searches, and the fields of the current record.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Dao.h"
#include "engine/core/Cursor.h"
#include "engine/core/EditBuffer.h"
#include "engine/core/RecordFields.h"
#include "engine/sqlite/RowSets.h"

namespace zalvert::engine {

// Builds the row set for a source and a recordset type.
std::shared_ptr<TRowSet> MakeRowSet(const TSqliteRef& db, const TRecordSource& source, int type);
// The statement text of a one-table source's parts.
std::string ComposeSql(const TRecordSource& source);

class TSqliteRecordset : public Recordset,
                         public TFieldOwner,
                         public std::enable_shared_from_this<TSqliteRecordset> {
  public:
    TSqliteRecordset(std::shared_ptr<TRowSet> rows, int type, bool readOnly,
                     std::string index = {});
    ~TSqliteRecordset() override;

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
    void FindFirst(const std::string& criteria) override { Find(criteria, TFindKind::First); }
    void FindLast(const std::string& criteria) override { Find(criteria, TFindKind::Last); }
    void FindNext(const std::string& criteria) override { Find(criteria, TFindKind::Next); }
    void FindPrevious(const std::string& criteria) override { Find(criteria, TFindKind::Previous); }
    std::string Filter() const override { return filter_; }
    void SetFilter(const std::string& filter) override;
    std::string Sort() const override { return sort_; }
    void SetSort(const std::string& sort) override;
    std::shared_ptr<Recordset> OpenRecordset(int type, int options) override;
    FieldCollection& Fields() override;

    // Used by the recordset's fields.
    const TFieldMeta& Meta(size_t field) const override { return rows_->Fields()[field]; }
    Variant FieldValue(size_t field) const override;
    void SetFieldValue(size_t field, const Variant& value) override;
    void TakeFieldValue(size_t field, Variant&& value) override;
    bool CopyFieldText(size_t field, std::string& text) const override;
    long long FieldSize(size_t field) const override;
    bool VisitCurrentValues(const TValueVisitor& visit) const override;
    std::string FieldDefault(size_t field) const override;
    std::vector<std::shared_ptr<Property>> FieldProperties(size_t field) const override;
    TSqliteState& Database() const { return rows_->Database(); }

  private:
    void LandOnSeek(std::optional<size_t> found);
    std::optional<std::optional<size_t>> SeekByHalving(TKeysetRowSet& keyset,
                                                       const TTableInfo& table,
                                                       const TIndexInfo& index,
                                                       const std::vector<Variant>& values,
                                                       const std::string& comparison);
    [[noreturn]] void Raise(TDaoErr number, const std::string& detail = {}) const;
    // ObjectClosed once the recordset or its database is closed.
    void CheckOpen() const {
        if (closed_ || rows_->Database().Closed()) Raise(TDaoErr::ObjectClosed);
    }
    void CheckUpdatable() const;
    void Refuse(TCursorRefusal refusal) const;
    void MoveAfter(TCursorRefusal refusal);
    void Land(long pos);
    void Moved();
    const std::vector<Variant>& CurrentRow() const;
    void KeepWritten(long pos, std::vector<Variant> row);
    void CheckUnchangedSinceEdit();
    const Variant& StoredValue(size_t field) const;
    template <class Assign>
    void StoreFieldValue(size_t field, Assign assign);
    bool TakeWritten(long pos) const;
    void ForgetWritten();
    TBytes BookmarkOf(long pos) const;
    std::optional<std::uint32_t> OwnBookmarkValue(const TBytes& bookmark) const;
    std::optional<long> PositionOfBookmark(const TBytes& bookmark) const;
    std::optional<long> LearnRowOfBookmark(const TBytes& bookmark);
    void Reach(long positions);
    void Find(const std::string& criteria, TFindKind kind);
    void Rebuild(std::shared_ptr<TRowSet> rows);
    void AssignDefaultValues(std::vector<Variant>& values) const;

    std::shared_ptr<TRowSet> rows_;
    // The rows as a keyset, where they are one (its bookmarks name row ids); asked
    // on every bookmark, so found once.
    TKeysetRowSet* keyset_ = nullptr;
    int type_;
    bool readOnly_;
    std::uint32_t family_;  // names the recordset and its clones in keyset bookmarks
    bool closed_ = false;
    long accessed_ = 0;  // positions reached so far, for RecordCount
    // Positions of rows this recordset added past them, counted until reached.
    std::vector<long> addedBeyond_;
    mutable long cachedPos_ = -2;
    mutable std::uint64_t cachedGeneration_ = 0;
    mutable std::vector<Variant> current_;
    mutable bool currentGone_ = false;
    // The row last written or checked by this recordset, until it is first read.
    mutable std::vector<Variant> written_;
    // The row shown before the last written one: the next written row is stored
    // over it, its texts keeping their memory.
    mutable std::vector<Variant> spare_;
    mutable long writtenPos_ = -1;
    TEditBuffer edit_;
    TChanges changes_;  // what Update writes, kept for the next record
    std::optional<long> lastModified_;
    bool noMatch_ = true;
    std::string filter_;
    std::string sort_;
    std::string index_;
    std::unique_ptr<FieldCollection> fields_;
    mutable std::vector<std::optional<Variant>> defaults_;  // constant defaults, by field
    TCursor cursor_;                                        // over rows_, shared with the clones
};

}  // namespace zalvert::engine
