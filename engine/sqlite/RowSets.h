#pragma once
// The rows behind a recordset and its clones, by position: a keyset of row ids of
// one table (table-type and dynaset recordsets), a static copy (snapshots and
// dynasets over joins, groups or unions), or a forward-only stream.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/RowPositions.h"
#include "engine/sqlite/SqliteState.h"
#include "engine/sqlite/TableKeys.h"

namespace zalvert::engine {

// What a recordset was opened on, translated.
struct TRecordSource {
    std::string Name;
    std::string Sql;                  // the whole statement
    std::vector<Variant> Parameters;  // bound to ?1, ?2...
    bool SingleTable = false;         // the parts below describe one table
    std::string Table;
    std::string TableRef;
    std::string SelectList;
    std::string From;
    std::string Where;
    std::string OrderBy;
    std::optional<long long> Top;
};

enum class TFindKind { First, Last, Next, Previous };
// Stored values by field; null where a field keeps its value (or its default).
using TChanges = std::vector<const Variant*>;

class TRowSet : public TRowPositions {
  public:
    TRowSet(TSqliteRef db, TRecordSource source);
    ~TRowSet() override = default;
    TRowSet(const TRowSet&) = delete;
    TRowSet& operator=(const TRowSet&) = delete;

    std::uint32_t Id() const { return id_; }
    const std::vector<TFieldMeta>& Fields() const { return fields_; }
    const TRecordSource& Source() const { return source_; }
    TSqliteState& Database() const { return *db_; }
    const TSqliteRef& DatabaseRef() const { return db_; }

    // The stored values of a row; false when it is gone (deleted by another user).
    virtual bool Read(size_t pos, std::vector<Variant>& row) = 0;
    virtual bool Updatable() const { return false; }
    virtual void UpdateRow(size_t pos, const TChanges& changes);
    // The new row's position; `stored` gets the row as stored where the set can
    // tell it without reading it again (else it is emptied).
    virtual size_t InsertRow(const TChanges& values, std::vector<Variant>* stored = nullptr);
    virtual void DeleteRow(size_t pos);
    // A row found gone by a write: from now on every access to it fails with
    // "Record is deleted." instead of showing what was read before.
    virtual void MarkGone(size_t /*pos*/) {}
    virtual std::optional<size_t> Find(const std::string& criteria, TFindKind kind,
                                       std::optional<size_t> current) = 0;

  protected:
    void BindParameters(TStatement& stmt) const;
    TSqliteRef db_;
    TRecordSource source_;
    std::uint32_t id_;
    std::vector<TFieldMeta> fields_;
};

// Field descriptions of a prepared statement's result columns.
std::vector<TFieldMeta> DescribeColumns(TSqliteState& db, const TStatement& stmt);

class TKeysetRowSet : public TRowSet {
  public:
    TKeysetRowSet(TSqliteRef db, TRecordSource source);

    bool Has(size_t pos) override { return pos < keys_.size(); }
    size_t KnownSize() const override { return keys_.size(); }
    void FetchAll() override {}
    bool Complete() const override { return true; }
    bool IsDeleted(size_t pos) const override { return deleted_[pos]; }
    size_t DeletedCount() const override { return deletedCount_; }
    bool Read(size_t pos, std::vector<Variant>& row) override;
    bool Updatable() const override;
    void UpdateRow(size_t pos, const TChanges& changes) override;
    size_t InsertRow(const TChanges& values, std::vector<Variant>* stored = nullptr) override;
    void DeleteRow(size_t pos) override;
    void MarkGone(size_t pos) override;
    std::optional<size_t> Find(const std::string& criteria, TFindKind kind,
                               std::optional<size_t> current) override;

    std::int64_t RowId(size_t pos) const;
    // Whether rows were added through this set: they stand at its end, out of the
    // source's order.
    bool HasAddedRows() const { return keys_.size() > loadedKeys_; }
    std::optional<size_t> PositionOf(std::int64_t rowid) const;
    // The position of a row of the source that was added after the keys were read
    // (by another user, or found by a clone that read them again): it joins the
    // set at its end. Empty when no such row is in the source.
    std::optional<size_t> Learn(std::int64_t rowid);
    // The first row (in `orderBy` order) meeting `condition`, for Seek.
    std::optional<size_t> FirstWhere(const std::string& condition, const std::string& orderBy,
                                     const std::vector<Variant>& values);

  private:
    void LoadKeys();
    std::string OrderedSql(const std::string& columns) const;
    bool WholeTable() const;
    bool ReadStreamed(size_t pos, std::vector<Variant>& row);
    bool StartStream(size_t pos);
    void GiveUpStream();
    std::int64_t InsertNow(const TChanges& values);
    std::optional<std::int64_t> DeferInsert(const TChanges& values, std::vector<Variant>* stored);
    size_t AddKey(std::int64_t key);
    struct TDeferral {
        std::vector<char> Written;  // the fields the plan is for (bytes: read every row)
        bool Possible = false;
        std::string Table;
        bool AutoIncrement = false;
        std::string Columns;                // quoted, the row id column first
        size_t Width = 0;                   // their count
        std::vector<TAffinity> Affinities;  // of the written fields
        std::vector<size_t> KeyFields;      // fields showing the row id
    };
    TDeferral PlanDeferral(std::vector<char> written) const;
    std::vector<const Variant*> deferredRow_;  // kept for the next row's values
    std::string Condition(const std::string& criteria) const;

    // Read as positions are asked for, also by const questions.
    mutable TTableKeys keys_;
    size_t loadedKeys_ = 0;  // the keys in the source's order
    std::vector<bool> deleted_;
    size_t deletedCount_ = 0;
    static constexpr std::uint32_t kNoPosition = 0xFFFFFFFF;
    void BuildLookup() const;
    // Row id to position, built on demand: by row id, or sorted pairs.
    mutable std::vector<std::uint32_t> direct_;
    mutable std::vector<std::pair<std::int64_t, std::uint32_t>> lookup_;
    std::unique_ptr<TStatement> rowStatement_;
    std::string keyOrder_;  // the ORDER BY the keys were read in, without the row id
    // The rows in the keys' order while they are read one after another.
    static constexpr size_t kStreamAfterReads = 64;
    static constexpr int kStreamMisses = 32;
    std::shared_ptr<TStatement> stream_;
    unsigned streamSnapshot_ = 0;  // the snapshots ended when it started
    bool streamOnRow_ = false;     // stream_ stands on a row not yet handed out
    int streamMisses_ = 0;         // reads in a row the stream did not have
    bool streamGivenUp_ = false;
    size_t lastRead_ = static_cast<size_t>(-1);
    size_t readsInOrder_ = 0;
    // The INSERT for the set of fields written last: imports write the same ones.
    std::vector<bool> insertColumns_;
    std::string insertSql_;
    std::optional<TDeferral> deferral_;
};

class TStaticRowSet : public TRowSet {
  public:
    TStaticRowSet(TSqliteRef db, TRecordSource source);

    bool Has(size_t pos) override { return pos < rows_.size(); }
    size_t KnownSize() const override { return rows_.size(); }
    void FetchAll() override {}
    bool Complete() const override { return true; }
    bool Read(size_t pos, std::vector<Variant>& row) override;
    std::optional<size_t> Find(const std::string& criteria, TFindKind kind,
                               std::optional<size_t> current) override;

  private:
    std::vector<std::vector<Variant>> rows_;
};

class TForwardRowSet : public TRowSet {
  public:
    TForwardRowSet(TSqliteRef db, TRecordSource source);

    bool Has(size_t pos) override;
    size_t KnownSize() const override { return fetched_; }
    void FetchAll() override;
    bool Complete() const override { return done_; }
    bool Read(size_t pos, std::vector<Variant>& row) override;
    std::optional<size_t> Find(const std::string& criteria, TFindKind kind,
                               std::optional<size_t> current) override;

  private:
    std::unique_ptr<TStatement> statement_;
    std::vector<Variant> current_;
    size_t fetched_ = 0;
    bool done_ = false;
};

}  // namespace zalvert::engine
