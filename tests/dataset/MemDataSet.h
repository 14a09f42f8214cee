#pragma once
// A small in-memory dataset that implements the dataset contract, to drive the
// framework in tests.

#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "dataset/DataSet.h"

namespace zalvert::testing {

class TMemDataSet : public TDataSet {
  public:
    using TValues = std::vector<std::optional<TFieldData>>;
    struct TRow {
        int Id;
        TValues Values;
    };
    struct TColumn {
        std::string Name;
        TFieldType Type;
        int Size = 0;
        bool Required = false;
    };

    explicit TMemDataSet(std::vector<TColumn> columns, TComponent* owner = nullptr)
        : TDataSet(owner), columns_(std::move(columns)) {}
    ~TMemDataSet() override { Close(); }

    void AddRow(TValues values) {
        rows_.push_back({nextId_++, std::move(values)});
        index_.clear();
    }
    const std::vector<TRow>& Rows() const { return rows_; }
    int GetRecordCalls = 0;
    // Makes the next writes fail, to try the error events.
    int FailPosts = 0;
    int FailDeletes = 0;
    bool ReadOnlyData = false;

    bool CanModify() const override { return !ReadOnlyData && Active(); }

  protected:
    struct TMemBuffer : TRecordBuffer {
        TValues Values;
        int Id = 0;
        TBookmarkFlag Flag = TBookmarkFlag::bfCurrent;
    };
    static TMemBuffer& Mem(TRecordBuffer& buffer) { return static_cast<TMemBuffer&>(buffer); }

    std::unique_ptr<TRecordBuffer> AllocRecordBuffer() override {
        return std::make_unique<TMemBuffer>();
    }
    void InternalInitRecord(TRecordBuffer& buffer) override {
        Mem(buffer).Values.assign(columns_.size(), std::nullopt);
        Mem(buffer).Id = 0;
    }
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool) override {
        ++GetRecordCalls;
        const int size = static_cast<int>(rows_.size());
        for (;;) {
            switch (mode) {
                case TGetMode::gmNext:
                    if (cursor_ >= size - 1) {
                        cursor_ = size;
                        return TGetResult::grEOF;
                    }
                    ++cursor_;
                    break;
                case TGetMode::gmPrior:
                    if (cursor_ <= 0) {
                        cursor_ = -1;
                        return TGetResult::grBOF;
                    }
                    --cursor_;
                    break;
                case TGetMode::gmCurrent:
                    if (cursor_ < 0 || cursor_ >= size) return TGetResult::grError;
                    break;
            }
            TMemBuffer& mem = Mem(buffer);
            mem.Values = rows_[static_cast<size_t>(cursor_)].Values;
            mem.Id = rows_[static_cast<size_t>(cursor_)].Id;
            mem.Flag = TBookmarkFlag::bfCurrent;
            if (!Filtered() || FilterAccepts(buffer)) return TGetResult::grOK;
            if (mode == TGetMode::gmCurrent) mode = TGetMode::gmNext;
        }
    }
    void InternalFirst() override { cursor_ = -1; }
    void InternalLast() override { cursor_ = static_cast<int>(rows_.size()); }
    void InternalSetToRecord(TRecordBuffer& buffer) override {
        cursor_ = IndexOfId(Mem(buffer).Id);
    }
    void InternalGotoBookmark(const TBookmark& bookmark) override {
        int id = 0;
        std::memcpy(&id, bookmark.data(), 4);
        cursor_ = IndexOfId(id);
    }
    TBookmark GetBookmarkData(TRecordBuffer& buffer) override {
        TBookmark bookmark(4);
        std::memcpy(bookmark.data(), &Mem(buffer).Id, 4);
        return bookmark;
    }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer& buffer) override { return Mem(buffer).Flag; }
    void SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag flag) override {
        Mem(buffer).Flag = flag;
    }
    void SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark) override {
        std::memcpy(&Mem(buffer).Id, bookmark.data(), 4);
    }
    void InternalOpen() override {
        InternalInitFieldDefs();
        if (DefaultFields()) CreateFields();
        SetBookmarkSize(4);
        open_ = true;
        cursor_ = -1;
    }
    void InternalClose() override { open_ = false; }
    bool IsCursorOpen() const override { return open_; }
    void InternalInitFieldDefs() override {
        FieldDefs().Clear();
        for (const TColumn& c : columns_) FieldDefs().Add(c.Name, c.Type, c.Size, c.Required);
    }
    void InternalAddRecord(TRecordBuffer& buffer, bool append) override {
        Store(Mem(buffer), append);
    }
    void InternalPost() override {
        TDataSet::InternalPost();
        if (FailPosts > 0 && FailPosts--) throw EDatabaseError("Schreiben fehlgeschlagen");
        TMemBuffer& mem = Mem(*ActiveBuffer());
        if (State() == TDataSetState::dsEdit)
            rows_[static_cast<size_t>(cursor_)].Values = mem.Values;
        else
            Store(mem, mem.Flag == TBookmarkFlag::bfEOF);
    }
    void InternalDelete() override {
        if (FailDeletes > 0 && FailDeletes--) throw EDatabaseError("Löschen fehlgeschlagen");
        rows_.erase(rows_.begin() + cursor_);
        index_.clear();
    }
    bool DoGetFieldData(const TField& field, TFieldData* buffer) const override {
        TRecordBuffer* record = BufferForState();
        if (!record) return false;
        const auto& value =
            static_cast<TMemBuffer*>(record)->Values.at(static_cast<size_t>(field.FieldNo() - 1));
        if (!value) return false;
        if (buffer) *buffer = *value;
        return true;
    }
    void DoSetFieldData(TField& field, const TFieldData* buffer) override {
        auto& value = static_cast<TMemBuffer*>(BufferForState())
                          ->Values.at(static_cast<size_t>(field.FieldNo() - 1));
        if (buffer)
            value = *buffer;
        else
            value.reset();
    }
    int GetRecordCount() override { return static_cast<int>(rows_.size()); }
    int GetRecNo() override {
        UpdateCursorPos();
        return cursor_ + 1;
    }

  private:
    int IndexOfId(int id) const {
        if (index_.empty())
            for (size_t i = 0; i < rows_.size(); ++i) index_[rows_[i].Id] = static_cast<int>(i);
        const auto it = index_.find(id);
        return it == index_.end() ? -1 : it->second;
    }
    void Store(TMemBuffer& mem, bool append) {
        const int at = append || cursor_ < 0 || cursor_ > static_cast<int>(rows_.size())
                           ? static_cast<int>(rows_.size())
                           : cursor_;
        mem.Id = nextId_++;
        rows_.insert(rows_.begin() + at, TRow{mem.Id, mem.Values});
        index_.clear();
        cursor_ = at;
    }

    std::vector<TColumn> columns_;
    std::vector<TRow> rows_;
    mutable std::unordered_map<int, int> index_;  // row id to position, rebuilt after changes
    int nextId_ = 1;
    int cursor_ = -1;
    bool open_ = false;
};

}  // namespace zalvert::testing
