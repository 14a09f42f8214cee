#include "engine/core/RecordFields.h"

namespace zalvert::engine {
namespace {

constexpr const char* kFieldSource = "DAO.Field";

class TRecordField : public Field {
  public:
    TRecordField(const std::shared_ptr<TFieldOwner>& owner, TEngineRef engine, size_t index)
        : owner_(owner), ownerPointer_(owner.get()), engine_(std::move(engine)), index_(index) {}

    std::string Name() const override { return Meta().Name; }
    void SetName(const std::string&) override { Raise(TDaoErr::InvalidOperation); }
    int Type() const override { return Meta().Type.Type; }
    int Size() const override { return Meta().Type.Size; }
    long Attributes() const override { return FieldAttributes(Meta()); }
    void SetAttributes(long) override { Raise(TDaoErr::InvalidOperation); }
    Variant Value() const override { return Owner().FieldValue(index_); }
    bool CopyTextTo(std::string& text) const override {
        return Owner().CopyFieldText(index_, text);
    }
    void SetValue(const Variant& value) override { Owner().SetFieldValue(index_, value); }
    void TakeValue(Variant&& value) override { Owner().TakeFieldValue(index_, std::move(value)); }
    long long FieldSize() const override { return Owner().FieldSize(index_); }
    std::string DefaultValue() const override { return Owner().FieldDefault(index_); }
    bool Required() const override { return Meta().Required; }
    std::string SourceTable() const override { return Meta().SourceTable; }
    std::string SourceField() const override { return Meta().SourceField; }
    PropertyCollection& Properties() override {
        if (!properties_)
            properties_ = std::make_unique<TPropertyList>(
                engine_, kFieldSource, [this] { return Owner().FieldProperties(index_); });
        return *properties_;
    }
    std::shared_ptr<Property> CreateProperty(const std::string& name, int type,
                                             const Variant& value) override {
        return std::make_shared<TPlainProperty>(name, type, value);
    }

  private:
    // Asking whether the recordset still lives costs a read; locking it would cost
    // two atomic writes, on every value of every record read.
    TFieldOwner& Owner() const {
        if (owner_.expired()) Raise(TDaoErr::ObjectClosed);
        return *ownerPointer_;
    }
    const TFieldMeta& Meta() const { return Owner().Meta(index_); }
    [[noreturn]] void Raise(TDaoErr number) const { Fail(*engine_, number, kFieldSource); }

    std::weak_ptr<TFieldOwner> owner_;
    TFieldOwner* ownerPointer_;
    TEngineRef engine_;
    size_t index_;
    std::unique_ptr<TPropertyList> properties_;
};

}  // namespace

long long ValueSize(const Variant& value) {
    if (value.IsEmptyOrNull()) return 0;
    if (value.Type() == TVarType::Bytes) return static_cast<long long>(value.AsBytes().size());
    if (value.Type() == TVarType::String) return static_cast<long long>(value.StringValue().size());
    return static_cast<long long>(value.AsString().size());
}

long long TFieldOwner::FieldSize(size_t field) const {
    return ValueSize(FieldValue(field));
}

long FieldAttributes(const TFieldMeta& meta) {
    long attributes = meta.Type.Fixed ? dbFixedField : dbVariableField;
    if (meta.AutoIncrement) attributes |= dbAutoIncrField;
    if (meta.Updatable) attributes |= dbUpdatableField;
    return attributes;
}

std::unique_ptr<FieldCollection> MakeRecordFields(const std::shared_ptr<TFieldOwner>& owner,
                                                  TEngineRef engine, size_t count) {
    std::vector<std::shared_ptr<Field>> list;
    list.reserve(count);
    for (size_t i = 0; i < count; ++i)
        list.push_back(std::make_shared<TRecordField>(owner, engine, i));
    return std::make_unique<TFixedList<Field, FieldCollection, TDaoErr::InvalidOperation>>(
        std::move(engine), kFieldSource, [list] { return list; });
}

}  // namespace zalvert::engine
