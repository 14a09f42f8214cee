#include "engine/odbc/OdbcFields.h"

#include "engine/odbc/OdbcRecordset.h"

namespace zalvert::engine::odbc {
namespace {

constexpr const char* kFieldSource = "DAO.Field";

// A field of the current record. It may outlive its recordset: then it refuses work.
class TOdbcField : public Field {
  public:
    TOdbcField(std::weak_ptr<TOdbcRecordset> owner, TEngineRef engine, size_t index)
        : owner_(std::move(owner)), engine_(std::move(engine)), index_(index) {}

    std::string Name() const override { return Meta().Name; }
    void SetName(const std::string&) override { Raise(TDaoErr::InvalidOperation); }
    int Type() const override { return Meta().Type; }
    int Size() const override { return Meta().Size; }
    long Attributes() const override {
        const TOdbcFieldMeta& meta = Meta();
        const bool fixed = meta.Type != dbText && meta.Type != dbMemo &&
                           meta.Type != dbLongBinary && meta.Type != dbBinary;
        long attributes = fixed ? dbFixedField : dbVariableField;
        if (meta.AutoIncrement) attributes |= dbAutoIncrField;
        if (meta.Updatable) attributes |= dbUpdatableField;
        return attributes;
    }
    void SetAttributes(long) override { Raise(TDaoErr::InvalidOperation); }
    Variant Value() const override { return Owner().FieldValue(index_); }
    void SetValue(const Variant& value) override { Owner().SetFieldValue(index_, value); }
    long long FieldSize() const override {
        const Variant value = Owner().FieldValue(index_);
        if (value.IsEmptyOrNull()) return 0;
        if (value.Type() == TVarType::Bytes) return static_cast<long long>(value.AsBytes().size());
        return static_cast<long long>(value.AsString().size());
    }
    std::string DefaultValue() const override { return Meta().DefaultValue; }
    bool Required() const override { return Meta().Required; }
    std::string SourceTable() const override { return Meta().SourceTable; }
    std::string SourceField() const override {
        return Meta().SourceTable.empty() ? std::string() : Meta().Name;
    }
    // The server keeps no properties of fields beyond these members.
    PropertyCollection& Properties() override {
        if (!properties_) properties_ = std::make_unique<TPropertyList>(engine_, kFieldSource);
        return *properties_;
    }
    std::shared_ptr<Property> CreateProperty(const std::string& name, int type,
                                             const Variant& value) override {
        return std::make_shared<TPlainProperty>(name, type, value);
    }

  private:
    TOdbcRecordset& Owner() const {
        const auto owner = owner_.lock();
        if (!owner) Raise(TDaoErr::ObjectClosed);
        return *owner;
    }
    const TOdbcFieldMeta& Meta() const { return Owner().Meta(index_); }
    [[noreturn]] void Raise(TDaoErr number) const { Fail(*engine_, number, kFieldSource); }

    std::weak_ptr<TOdbcRecordset> owner_;
    TEngineRef engine_;
    size_t index_;
    std::unique_ptr<TPropertyList> properties_;
};

}  // namespace

std::unique_ptr<FieldCollection> MakeRecordFields(std::weak_ptr<TOdbcRecordset> owner,
                                                  TEngineRef engine, size_t count) {
    std::vector<std::shared_ptr<Field>> list;
    for (size_t i = 0; i < count; ++i)
        list.push_back(std::make_shared<TOdbcField>(owner, engine, i));
    return std::make_unique<TFixedList<Field, FieldCollection, TDaoErr::InvalidOperation>>(
        std::move(engine), kFieldSource, [list] { return list; });
}

}  // namespace zalvert::engine::odbc
