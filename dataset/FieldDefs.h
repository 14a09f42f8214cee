#pragma once
// Field and index definitions: what a dataset's fields and indexes are, before
// field objects exist.

#include <string>
#include <vector>

#include "dataset/FieldTypes.h"

namespace zalvert {

class TComponent;
class TDataSet;
class TField;

struct TFieldDef {
    std::string Name;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;
    bool Required = false;
    int Precision = 0;
    int FieldNo = 0;
    // Creates the field object of this definition, owned by `owner`, in `dataSet`.
    TField* CreateField(TComponent* owner, TDataSet* dataSet) const;
};

class TFieldDefs {
  public:
    int Count() const { return static_cast<int>(items_.size()); }
    const TFieldDef& Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    TFieldDef& Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
    void Clear() { items_.clear(); }
    int IndexOf(const std::string& name) const;
    const TFieldDef* Find(const std::string& name) const;
    // Marks the definitions current, as after the dataset read them.
    void Update() { updated_ = true; }
    bool Updated() const { return updated_; }
    void Invalidate() { updated_ = false; }

  private:
    std::vector<TFieldDef> items_;
    bool updated_ = false;
};

enum TIndexOption { ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8 };

struct TIndexDef {
    std::string Name;
    std::string Fields;      // field names separated by ";"
    std::string DescFields;  // those of them in descending order
    int Options = 0;         // TIndexOption flags
};

class TIndexDefs {
  public:
    int Count() const { return static_cast<int>(items_.size()); }
    const TIndexDef& Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    TIndexDef& Add(const std::string& name, const std::string& fields, int options);
    void Clear() { items_.clear(); }
    int IndexOf(const std::string& name) const;
    const TIndexDef* Find(const std::string& name) const;
    void Update() { updated_ = true; }
    bool Updated() const { return updated_; }
    void Invalidate() { updated_ = false; }

  private:
    std::vector<TIndexDef> items_;
    bool updated_ = false;
};

// The field names of a list separated by ";".
std::vector<std::string> SplitFieldNames(const std::string& names);

}  // namespace zalvert
