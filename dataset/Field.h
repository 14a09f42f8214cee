#pragma once
// Field objects: one column of a dataset's current record, with conversions
// between the field's native data and texts, numbers, dates and variants.

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataset/Component.h"
#include "dataset/FieldTypes.h"
#include "dataset/Stream.h"

namespace zalvert {

class TDataSet;

class TField : public TComponent {
  public:
    TField(TComponent* owner, TFieldType type);
    ~TField() override;

    // Identity and layout.
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& name) { fieldName_ = name; }
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int number) { fieldNo_ = number; }
    TFieldType DataType() const { return dataType_; }
    int Size() const { return size_; }
    virtual void SetSize(int size) { size_ = size; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind) { fieldKind_ = kind; }
    bool Calculated() const { return fieldKind_ == TFieldKind::fkCalculated; }
    bool Lookup() const { return fieldKind_ == TFieldKind::fkLookup; }
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    int Index() const;
    // Where a calculated or lookup field keeps its value in a record buffer.
    int CalcOffset() const { return calcOffset_; }
    void SetCalcOffset(int offset) { calcOffset_ = offset; }

    // Presentation and rules.
    std::string DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const std::string& label) { displayLabel_ = label; }
    std::string DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    const std::string& DefaultExpression() const { return defaultExpression_; }
    void SetDefaultExpression(const std::string& text) { defaultExpression_ = text; }
    // The bytes a text for this field may contain; all by default.
    const std::bitset<256>& ValidChars() const { return validChars_; }
    void SetValidChars(const std::bitset<256>& chars) { validChars_ = chars; }
    bool IsValidChar(unsigned char c) const { return validChars_.test(c); }

    // Lookup fields.
    TDataSet* LookupDataSet = nullptr;
    std::string KeyFields;
    std::string LookupKeyFields;
    std::string LookupResultField;
    // With the cache on, each key is looked up once until the list is refreshed.
    bool LookupCache = false;
    void RefreshLookupList() { lookupList_.clear(); }
    Variant LookupValue(const std::vector<Variant>& keys);

    // Events.
    std::function<void(TField&)> OnValidate;
    std::function<void(TField&)> OnChange;
    std::function<void(TField&, std::string& text, bool displayText)> OnGetText;
    std::function<void(TField&, const std::string& text)> OnSetText;

    // Values.
    bool IsNull() const;
    void Clear();
    std::string AsString() const;
    void SetAsString(const std::string& text);
    std::int32_t AsInteger() const;
    void SetAsInteger(std::int32_t value);
    double AsFloat() const;
    void SetAsFloat(double value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime value);
    double AsCurrency() const { return AsFloat(); }
    void SetAsCurrency(double value) { SetAsFloat(value); }
    Variant AsVariant() const;
    void SetAsVariant(const Variant& value);
    Variant Value() const { return AsVariant(); }
    void SetValue(const Variant& value) { SetAsVariant(value); }
    // The text shown (DisplayText) and the text edited (Text).
    std::string DisplayText() const;
    std::string Text() const;
    void SetText(const std::string& text);

    // Native data through the dataset: false when null. `buffer` may be null.
    bool GetData(TFieldData* buffer) const;
    void SetData(const TFieldData* buffer);
    // Asks OnValidate about data about to be stored.
    void Validate(const TFieldData* buffer);
    // Checks the state and the field's rules before a value is written.
    void CheckCanWrite() const;
    bool WriteProtected() const;

  protected:
    virtual int DefaultDisplayWidth() const { return 10; }
    virtual std::string GetAsString() const;
    virtual void SetAsStringValue(const std::string& text);
    virtual std::int32_t GetAsInteger() const;
    virtual void SetAsIntegerValue(std::int32_t value);
    virtual double GetAsFloat() const;
    virtual void SetAsFloatValue(double value);
    virtual bool GetAsBoolean() const;
    virtual void SetAsBooleanValue(bool value);
    virtual TDateTime GetAsDateTime() const;
    virtual void SetAsDateTimeValue(TDateTime value);
    virtual Variant GetAsVariant() const;
    virtual void SetVariantValue(const Variant& value);
    virtual std::string GetDisplayText() const { return GetAsString(); }
    [[noreturn]] void AccessError(const char* typeName) const;
    [[noreturn]] void RangeError(double value, double low, double high) const;

  private:
    std::string fieldName_;
    int fieldNo_ = 0;
    TFieldType dataType_;
    int size_ = 0;
    TFieldKind fieldKind_ = TFieldKind::fkData;
    TDataSet* dataSet_ = nullptr;
    int calcOffset_ = -1;
    std::string displayLabel_;
    int displayWidth_ = 0;
    bool visible_ = true;
    bool readOnly_ = false;
    bool required_ = false;
    std::string defaultExpression_;
    std::bitset<256> validChars_;
    std::vector<std::pair<std::vector<Variant>, Variant>> lookupList_;
};

class TStringField : public TField {
  public:
    explicit TStringField(TComponent* owner, int size = 20);
    // Longer texts are cut to Size characters.
  protected:
    int DefaultDisplayWidth() const override { return Size(); }
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& text) override;
    std::int32_t GetAsInteger() const override;
    void SetAsIntegerValue(std::int32_t value) override;
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTimeValue(TDateTime value) override;
    Variant GetAsVariant() const override;
    void SetVariantValue(const Variant& value) override;

  private:
    // The text on its way to the record, its memory kept from value to value; a
    // handler that sets this field again meanwhile gets a buffer of its own.
    TFieldData text_;
    bool settingText_ = false;
};

class TNumericField : public TField {
  public:
    using TField::TField;
    std::string DisplayFormat;
    std::string EditFormat;
};

class TIntegerField : public TNumericField {
  public:
    explicit TIntegerField(TComponent* owner, TFieldType type = TFieldType::ftInteger);
    std::int64_t MinValue = 0;
    std::int64_t MaxValue = 0;  // both 0: the type's own range

  protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& text) override;
    std::int32_t GetAsInteger() const override;
    void SetAsIntegerValue(std::int32_t value) override;
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    Variant GetAsVariant() const override;
    void SetVariantValue(const Variant& value) override;

  private:
    void CheckRange(std::int64_t value) const;
    std::int64_t low_;
    std::int64_t high_;
};

class TSmallintField : public TIntegerField {
  public:
    explicit TSmallintField(TComponent* owner) : TIntegerField(owner, TFieldType::ftSmallint) {}
};

class TWordField : public TIntegerField {
  public:
    explicit TWordField(TComponent* owner) : TIntegerField(owner, TFieldType::ftWord) {}
};

class TAutoIncField : public TIntegerField {
  public:
    explicit TAutoIncField(TComponent* owner) : TIntegerField(owner, TFieldType::ftAutoInc) {}
};

class TLargeintField : public TIntegerField {
  public:
    explicit TLargeintField(TComponent* owner) : TIntegerField(owner, TFieldType::ftLargeint) {}
};

class TFloatField : public TNumericField {
  public:
    explicit TFloatField(TComponent* owner, TFieldType type = TFieldType::ftFloat);
    int Precision = 15;
    bool Currency = false;

  protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& text) override;
    std::int32_t GetAsInteger() const override;
    void SetAsIntegerValue(std::int32_t value) override { SetAsFloatValue(value); }
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    Variant GetAsVariant() const override;
    void SetVariantValue(const Variant& value) override;
    std::string GetDisplayText() const override;
};

class TCurrencyField : public TFloatField {
  public:
    explicit TCurrencyField(TComponent* owner) : TFloatField(owner, TFieldType::ftCurrency) {
        Currency = true;
    }

  protected:
    Variant GetAsVariant() const override;
};

class TBCDField : public TFloatField {
  public:
    explicit TBCDField(TComponent* owner) : TFloatField(owner, TFieldType::ftBCD) {}
};

class TBooleanField : public TField {
  public:
    explicit TBooleanField(TComponent* owner);
    // "Wahr;Falsch": the texts for true and false.
    void SetDisplayValues(const std::string& values);

  protected:
    int DefaultDisplayWidth() const override { return 5; }
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& text) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
    std::int32_t GetAsInteger() const override { return GetAsBoolean() ? 1 : 0; }
    void SetAsIntegerValue(std::int32_t value) override { SetAsBooleanValue(value != 0); }
    Variant GetAsVariant() const override;
    void SetVariantValue(const Variant& value) override;

  private:
    std::string trueText_ = "Wahr";
    std::string falseText_ = "Falsch";
};

class TDateTimeField : public TField {
  public:
    explicit TDateTimeField(TComponent* owner, TFieldType type = TFieldType::ftDateTime);
    std::string DisplayFormat;

  protected:
    int DefaultDisplayWidth() const override { return 18; }
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& text) override;
    double GetAsFloat() const override { return GetAsDateTime(); }
    void SetAsFloatValue(double value) override { SetAsDateTimeValue(value); }
    TDateTime GetAsDateTime() const override;
    void SetAsDateTimeValue(TDateTime value) override;
    Variant GetAsVariant() const override;
    void SetVariantValue(const Variant& value) override;
};

class TDateField : public TDateTimeField {
  public:
    explicit TDateField(TComponent* owner) : TDateTimeField(owner, TFieldType::ftDate) {}
};

class TTimeField : public TDateTimeField {
  public:
    explicit TTimeField(TComponent* owner) : TDateTimeField(owner, TFieldType::ftTime) {}
};

class TBinaryField : public TField {
  public:
    using TField::TField;

  protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& text) override;
    Variant GetAsVariant() const override;
    void SetVariantValue(const Variant& value) override;
};

class TBytesField : public TBinaryField {
  public:
    explicit TBytesField(TComponent* owner, int size = 16)
        : TBinaryField(owner, TFieldType::ftBytes) {
        SetSize(size);
    }
};

class TVarBytesField : public TBinaryField {
  public:
    explicit TVarBytesField(TComponent* owner, int size = 16)
        : TBinaryField(owner, TFieldType::ftVarBytes) {
        SetSize(size);
    }
};

// Memo and binary fields: their content goes through the dataset's blob stream
// when the dataset has one, so it is read and written byte for byte.
class TBlobField : public TBinaryField {
  public:
    explicit TBlobField(TComponent* owner, TFieldType type = TFieldType::ftBlob)
        : TBinaryField(owner, type) {}

    std::int64_t BlobSize() const;
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    // File errors name the file.
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;

  protected:
    std::string GetAsString() const override;
    void SetAsStringValue(const std::string& text) override;
    Variant GetAsVariant() const override;
    void SetVariantValue(const Variant& value) override;

  private:
    std::unique_ptr<TStream> OpenStream(TBlobStreamMode mode) const;
};

class TMemoField : public TBlobField {
  public:
    explicit TMemoField(TComponent* owner) : TBlobField(owner, TFieldType::ftMemo) {}

  protected:
    std::string GetDisplayText() const override { return "(MEMO)"; }
};

class TGraphicField : public TBlobField {
  public:
    explicit TGraphicField(TComponent* owner) : TBlobField(owner, TFieldType::ftGraphic) {}
};

// Creates the field class that stands for a data type.
TField* CreateFieldOfType(TComponent* owner, TFieldType type, int size);

}  // namespace zalvert
