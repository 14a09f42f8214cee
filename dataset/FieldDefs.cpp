#include "dataset/FieldDefs.h"

#include "dataset/DataSet.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

// Position of the item named `name`, without regard to case; -1 when none.
template <class Item>
int IndexOfName(const std::vector<Item>& items, const std::string& name) {
    const std::string wanted = AsciiUpperCase(name);
    for (size_t i = 0; i < items.size(); ++i)
        if (AsciiUpperCase(items[i].Name) == wanted) return static_cast<int>(i);
    return -1;
}

}  // namespace

TField* TFieldDef::CreateField(TComponent* owner, TDataSet* dataSet) const {
    TField* field = CreateFieldOfType(owner, DataType, Size);
    if (!field) return nullptr;
    field->SetFieldName(Name);
    field->SetFieldNo(FieldNo);
    field->SetRequired(Required);
    if (auto* floatField = dynamic_cast<TFloatField*>(field); floatField && Precision > 0)
        floatField->Precision = Precision;
    field->SetDataSet(dataSet);
    return field;
}

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required) {
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    def.Required = required;
    def.FieldNo = Count() + 1;
    items_.push_back(def);
    return items_.back();
}

int TFieldDefs::IndexOf(const std::string& name) const {
    return IndexOfName(items_, name);
}

const TFieldDef* TFieldDefs::Find(const std::string& name) const {
    const int index = IndexOf(name);
    return index < 0 ? nullptr : &items_[static_cast<size_t>(index)];
}

TIndexDef& TIndexDefs::Add(const std::string& name, const std::string& fields, int options) {
    items_.push_back({name, fields, {}, options});
    return items_.back();
}

int TIndexDefs::IndexOf(const std::string& name) const {
    return IndexOfName(items_, name);
}

const TIndexDef* TIndexDefs::Find(const std::string& name) const {
    const int index = IndexOf(name);
    return index < 0 ? nullptr : &items_[static_cast<size_t>(index)];
}

std::vector<std::string> SplitFieldNames(const std::string& names) {
    std::vector<std::string> result;
    size_t start = 0;
    while (start <= names.size()) {
        size_t end = names.find(';', start);
        if (end == std::string::npos) end = names.size();
        std::string name = names.substr(start, end - start);
        while (!name.empty() && name.front() == ' ') name.erase(0, 1);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (!name.empty()) result.push_back(name);
        start = end + 1;
    }
    return result;
}

}  // namespace zalvert
