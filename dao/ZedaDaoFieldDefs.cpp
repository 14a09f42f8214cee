// Field and index definitions of the table, read from the engine's objects, and
// index definitions written back into the stored table.

#include <algorithm>

#include "dao/FieldTypeMapping.h"
#include "dao/ZedaDaoTable.h"
#include "dao/ZedaDaoTableSupport.h"
#include "rtl/IniFile.h"
#include "rtl/Utf8.h"

namespace zalvert {
using namespace daotable;
namespace {

std::optional<std::string> PropertyText(engine::Field& field, const char* name) {
    try {
        auto& properties = field.Properties();
        for (int i = 0; i < properties.Count(); ++i) {
            auto property = properties.Item(i);
            if (SameText(property->Name(), name)) return property->Value().AsString();
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

bool DefaultNamesGenerator(int daoType, const std::string& defaultValue) {
    const std::string lower = AsciiLowerCase(defaultValue);
    switch (daoType) {
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 16:
        case 19:
        case 20:
        case 21:
            return lower.find("genuniqueid") != std::string::npos;
        case engine::dbGUID:
            return lower.find("genguid") != std::string::npos;
        default:
            return false;
    }
}

std::vector<std::string> TrimmedNames(const std::string& list) {
    std::vector<std::string> names;
    for (std::string name : SplitFieldNames(list)) {
        const auto first = name.find_first_not_of(' ');
        const auto last = name.find_last_not_of(' ');
        if (first != std::string::npos) names.push_back(name.substr(first, last - first + 1));
    }
    return names;
}

}  // namespace

// --- field definitions -----------------------------------------------------------------

void TZedaDaoTable::InternalInitFieldDefs() {
    FieldDefs().Clear();
    captions_.Clear();
    const bool ownOpen = !opening_ && !cursorOpen_;
    if (ownOpen) OpenDaoRecordset();
    try {
        BuildFieldDefs();
    } catch (...) {
        if (ownOpen) IgnoringErrors([this] { recordset_->Close(); });
        throw;
    }
    if (ownOpen) {
        fieldCache_.clear();
        IgnoringErrors([this] { recordset_->Close(); });
        recordset_.reset();
    }
}

void TZedaDaoTable::BuildFieldDefs() {
    FieldDefs().Clear();
    captions_.Clear();
    for (size_t i = 0; i < fieldCache_.size(); ++i)
        AddFieldDef(static_cast<int>(i), *fieldCache_[i]);
    ReadIndexDefs();
}

void TZedaDaoTable::AddFieldDef(int index, engine::Field& field) {
    const int daoType = field.Type();
    const std::string name = field.Name();
    const int size = DaoFieldSize(daoType, field.Size());
    const long attributes = field.Attributes();
    std::optional<std::string> format;
    if (daoType == engine::dbDate) format = PropertyText(field, "Format");
    const int refined = RefineDaoType(daoType, attributes, format);
    const auto slot = static_cast<size_t>(index);
    if (database_->EngineType() == engine::dbUseJet && slot < defaultValues_.size()) {
        std::string daoDefault;
        IgnoringErrors([&] { daoDefault = field.DefaultValue(); });
        if (refined == kDaoAutoIncrement || DefaultNamesGenerator(daoType, daoDefault))
            defaultValues_[slot].clear();
    }
    const TFieldType type = DatasetFieldType(refined);
    if (type == TFieldType::ftBlob && slot < defaultValues_.size()) defaultValues_[slot].clear();
    bool required = false;
    if (UseDaoProperties && !readOnly_) IgnoringErrors([&] { required = field.Required(); });
    TFieldDef& def = FieldDefs().Add(name, type, DatasetFieldSize(refined, size), required);
    if (daoType == engine::dbGUID) def.Precision = kGuidMark;
    const auto caption = UseCaptions ? PropertyText(field, "Caption") : std::nullopt;
    captions_.Add(caption ? *caption : name);
}

// --- index definitions -----------------------------------------------------------------

void TZedaDaoTable::ReadIndexDefs() {
    indexDefs_.Clear();
    if (tableType_ != engine::dbOpenTable || tableName_.empty() || !database_ ||
        database_->EngineType() == engine::dbUseODBC || !database_->DatabaseObject())
        return;
    auto table = database_->DatabaseObject()->TableDefs().Item(tableName_);
    auto& indexes = table->Indexes();
    IgnoringErrors([&] { indexes.Refresh(); });
    for (int i = 0; i < indexes.Count(); ++i) {
        auto index = indexes.Item(i);
        std::string name, fields, descFields;
        bool primary = false, unique = false, anyAscending = false;
        IgnoringErrors([&] {
            name = index->Name();
            primary = index->Primary();
            unique = index->Unique();
        });
        auto& indexFields = index->Fields();
        for (int f = 0; f < indexFields.Count(); ++f) {
            auto field = indexFields.Item(f);
            if (field->Attributes() & kAttrDescending) {
                descFields += field->Name() + ";";
            } else {
                fields += field->Name() + ";";
                anyAscending = true;
            }
        }
        if (!fields.empty()) fields.pop_back();
        if (!descFields.empty()) descFields.pop_back();
        int options = 0;
        if (primary) options |= ixPrimary;
        if (unique) options |= ixUnique;
        if (!anyAscending) options |= ixDescending;
        indexDefs_.Add(name, fields, options).DescFields = descFields;
    }
}

void TZedaDaoIndexDefs::Update() {
    table_->UpdateIndexDefs();
}

void TZedaDaoTable::UpdateIndexDefs() {
    if (!database_ || !database_->DatabaseObject()) return ReadIndexDefs();
    std::vector<std::string> existing;
    std::shared_ptr<engine::TableDef> table;
    IgnoringErrors([&] {
        table = database_->DatabaseObject()->TableDefs().Item(tableName_);
        auto& indexes = table->Indexes();
        for (int i = 0; i < indexes.Count(); ++i) existing.push_back(indexes.Item(i)->Name());
    });
    const auto known = [](const std::vector<std::string>& names, const std::string& name) {
        return std::any_of(names.begin(), names.end(),
                           [&](const std::string& n) { return SameText(n, name); });
    };
    const bool wasOpen = Active();
    bool closed = false;
    for (int i = 0; i < indexDefs_.Count(); ++i) {
        const TIndexDef def = indexDefs_.Items(i);
        if (known(existing, def.Name) || tableName_.empty() || !table ||
            database_->TableNames().IndexOf(tableName_) < 0)
            continue;
        const auto ascending = TrimmedNames(def.Fields);
        const auto descending = TrimmedNames(def.DescFields);
        std::vector<std::string> allNames;
        for (int f = 0; f < fieldNames_.Count(); ++f) allNames.push_back(fieldNames_.Strings(f));
        if (!std::all_of(ascending.begin(), ascending.end(),
                         [&](const std::string& n) { return known(allNames, n); }) ||
            !std::all_of(descending.begin(), descending.end(),
                         [&](const std::string& n) { return known(allNames, n); }))
            continue;
        if (Active()) {
            Close();
            closed = true;
        }
        auto index = table->CreateIndex(def.Name);
        if (def.Options & ixPrimary) index->SetPrimary(true);
        if (def.Options & ixUnique) index->SetUnique(true);
        for (const std::string& name : ascending) index->Fields().Append(index->CreateField(name));
        for (const std::string& name : descending) {
            auto field = index->CreateField(name);
            field->SetAttributes(kAttrDescending);
            index->Fields().Append(field);
        }
        table->Indexes().Append(index);
    }
    std::vector<std::string> defined;
    for (int i = 0; i < indexDefs_.Count(); ++i) defined.push_back(indexDefs_.Items(i).Name);
    for (const std::string& name : existing) {
        if (known(defined, name)) continue;
        if (Active()) {
            Close();
            closed = true;
        }
        database_->DeleteIndex(tableName_, name);
    }
    if (closed) database_->RefreshDefinitions();
    if (wasOpen && closed) Open();
    ReadIndexDefs();
}

}  // namespace zalvert
