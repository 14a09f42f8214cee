#pragma once
// Data sources connect a dataset to data links; data links are how controls (a
// grid, a navigator, a master link) follow the dataset and its buffers.

#include <functional>
#include <string>
#include <vector>

#include "dataset/Component.h"
#include "dataset/DataSet.h"

namespace zalvert {

class TDataSource : public TComponent {
  public:
    explicit TDataSource(TComponent* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TDataSetState State() const;

    std::function<void(TDataSource&, TField*)> OnDataChange;
    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&)> OnUpdateData;

    // Called by the dataset.
    void DataEvent(TDataEvent event, std::intptr_t info);
    void AddLink(TDataLink* link);
    void RemoveLink(TDataLink* link);
    const std::vector<TDataLink*>& Links() const { return links_; }

  protected:
    void Notification(TComponent* component, TOperation operation) override;

  private:
    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    TDataSetState lastState_ = TDataSetState::dsInactive;
    std::vector<TDataLink*> links_;
};

class TDataLink {
  public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const { return active_; }
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    // The active record, counted from the link's first buffered record.
    int ActiveRecord() const;
    void SetActiveRecord(int index);
    // Records in the link's window of buffers.
    int RecordCount() const;
    bool Editing() const { return editing_; }
    bool ReadOnly = false;
    bool Edit();
    void UpdateRecord();
    int MoveBy(int distance);
    int FirstRecord() const { return firstRecord_; }

    // Called by the data source.
    void DataEvent(TDataEvent event, std::intptr_t info);

  protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void UpdateData() {}
    virtual void FocusControl(TField* /*field*/) {}

  private:
    friend class TDataSet;
    friend class TDataSource;
    void UpdateState();
    void SetActive(bool active);
    void SetEditing(bool editing);
    void UpdateFirstRecord();

    TDataSource* dataSource_ = nullptr;
    bool active_ = false;
    bool editing_ = false;
    bool updating_ = false;
    int bufferCount_ = 1;
    int firstRecord_ = 0;
};

// A link from a detail to its master dataset: names the master fields and tells
// when the master moves or closes.
class TMasterDataLink : public TDataLink {
  public:
    std::string FieldNames;
    std::vector<TField*> Fields() const;
    std::function<void()> OnMasterChange;
    std::function<void()> OnMasterDisable;

  protected:
    void ActiveChanged() override;
    void RecordChanged(TField* field) override;
    void LayoutChanged() override { ActiveChanged(); }
};

}  // namespace zalvert
