#include "dataset/Field.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dataset/DataSet.h"
#include "dataset/DbConsts.h"
#include "rtl/DateConvert.h"
#include "rtl/Exceptions.h"
#include "rtl/FormatSettings.h"
#include "rtl/Utf8.h"
#include "rtl/WholeFile.h"

namespace zalvert {

using dbconsts::Format;

TField::TField(TComponent* owner, TFieldType type) : TComponent(owner), dataType_(type) {
    validChars_.set();
}

TField::~TField() {
    if (dataSet_) dataSet_->Fields().Remove(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) dataSet_->Fields().Remove(this);
    dataSet_ = dataSet;
    if (dataSet_) dataSet_->Fields().Add(this);
}

int TField::Index() const {
    return dataSet_ ? dataSet_->Fields().IndexOf(this) : -1;
}

bool TField::GetData(TFieldData* buffer) const {
    if (!dataSet_) DatabaseError(Format(dbconsts::SNoDataSet, {}), Name());
    return dataSet_->GetFieldData(*this, buffer);
}

void TField::CheckCanWrite() const {
    if (!dataSet_) DatabaseError(dbconsts::SNoDataSet, Name());
    const TDataSetState state = dataSet_->State();
    const bool writable = state == TDataSetState::dsEdit || state == TDataSetState::dsInsert ||
                          state == TDataSetState::dsSetKey ||
                          state == TDataSetState::dsCalcFields ||
                          state == TDataSetState::dsFilter || state == TDataSetState::dsNewValue ||
                          state == TDataSetState::dsInternalCalc;
    if (!writable) DatabaseError(dbconsts::SNotEditing, dataSet_->Name());
}

bool TField::WriteProtected() const {
    const TDataSetState state = dataSet_->State();
    return readOnly_ && state != TDataSetState::dsSetKey && !Calculated() && !Lookup() &&
           state != TDataSetState::dsCalcFields;
}

void TField::Validate(const TFieldData*) {
    if (OnValidate) OnValidate(*this);
}

void TField::SetData(const TFieldData* buffer) {
    CheckCanWrite();
    // A read-only field is silently not written (a counter in a positional insert).
    if (WriteProtected()) return;
    dataSet_->SetFieldData(*this, buffer);
}

Variant TField::LookupValue(const std::vector<Variant>& keys) {
    if (!LookupDataSet) return Variant::Null();
    if (LookupCache)
        for (const auto& [cachedKeys, value] : lookupList_)
            if (cachedKeys == keys) return value;
    const Variant key = keys.size() == 1 ? keys.front() : Variant::Array(0, keys);
    Variant value = LookupDataSet->Lookup(LookupKeyFields, key, LookupResultField);
    if (LookupCache) lookupList_.emplace_back(keys, value);
    return value;
}

bool TField::IsNull() const {
    return !GetData(nullptr);
}
void TField::Clear() {
    SetData(nullptr);
}

void TField::AccessError(const char* typeName) const {
    DatabaseError(Format(dbconsts::SFieldAccessError, {DisplayName(), typeName}));
}

void TField::RangeError(double value, double low, double high) const {
    DatabaseError(Format(dbconsts::SFieldRangeError,
                         {FloatToStr(value), DisplayName(), FloatToStr(low), FloatToStr(high)}));
}

std::string TField::AsString() const {
    return GetAsString();
}
void TField::SetAsString(const std::string& text) {
    SetAsStringValue(text);
}
std::int32_t TField::AsInteger() const {
    return GetAsInteger();
}
void TField::SetAsInteger(std::int32_t value) {
    SetAsIntegerValue(value);
}
double TField::AsFloat() const {
    return GetAsFloat();
}
void TField::SetAsFloat(double value) {
    SetAsFloatValue(value);
}
bool TField::AsBoolean() const {
    return GetAsBoolean();
}
void TField::SetAsBoolean(bool value) {
    SetAsBooleanValue(value);
}
TDateTime TField::AsDateTime() const {
    return GetAsDateTime();
}
void TField::SetAsDateTime(TDateTime value) {
    SetAsDateTimeValue(value);
}
Variant TField::AsVariant() const {
    return GetAsVariant();
}

void TField::SetAsVariant(const Variant& value) {
    if (value.IsEmptyOrNull())
        Clear();
    else
        SetVariantValue(value);
}

std::string TField::DisplayText() const {
    std::string text;
    if (OnGetText)
        OnGetText(const_cast<TField&>(*this), text, true);
    else
        text = GetDisplayText();
    return text;
}

std::string TField::Text() const {
    std::string text;
    if (OnGetText)
        OnGetText(const_cast<TField&>(*this), text, false);
    else
        text = GetAsString();
    return text;
}

void TField::SetText(const std::string& text) {
    if (OnSetText)
        OnSetText(*this, text);
    else
        SetAsString(text);
}

// The base field knows no conversions; each class supplies its own.
std::string TField::GetAsString() const {
    AccessError("String");
}
void TField::SetAsStringValue(const std::string&) {
    AccessError("String");
}
std::int32_t TField::GetAsInteger() const {
    AccessError("Integer");
}
void TField::SetAsIntegerValue(std::int32_t) {
    AccessError("Integer");
}
double TField::GetAsFloat() const {
    AccessError("Float");
}
void TField::SetAsFloatValue(double) {
    AccessError("Float");
}
bool TField::GetAsBoolean() const {
    AccessError("Boolean");
}
void TField::SetAsBooleanValue(bool) {
    AccessError("Boolean");
}
TDateTime TField::GetAsDateTime() const {
    AccessError("DateTime");
}
void TField::SetAsDateTimeValue(TDateTime) {
    AccessError("DateTime");
}
Variant TField::GetAsVariant() const {
    AccessError("Variant");
}
void TField::SetVariantValue(const Variant&) {
    AccessError("Variant");
}

// --- strings ---------------------------------------------------------------------

TStringField::TStringField(TComponent* owner, int size) : TField(owner, TFieldType::ftString) {
    SetSize(size);
}

std::string TStringField::GetAsString() const {
    TFieldData data;
    if (!GetData(&data)) return {};
    if (const auto* text = std::get_if<std::string>(&data)) return *text;
    return {};
}

void TStringField::SetAsStringValue(const std::string& text) {
    // No more bytes than Size: no more characters either, nothing to cut. A longer
    // text is cut to Size characters, never inside one.
    size_t length = text.size();
    if (length > static_cast<size_t>(std::max(Size(), 0))) {
        size_t count = 0;
        length = 0;
        while (length < text.size() && count < static_cast<size_t>(Size())) {
            NextCodePoint(text, length);
            ++count;
        }
    }
    if (settingText_) {
        const TFieldData data = text.substr(0, length);
        return SetData(&data);
    }
    settingText_ = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{settingText_};
    if (auto* held = std::get_if<std::string>(&text_))
        held->assign(text, 0, length);
    else
        text_ = text.substr(0, length);
    SetData(&text_);
}

std::int32_t TStringField::GetAsInteger() const {
    const std::string text = GetAsString();
    if (const auto n = TryStrToInt64(text); n && *n >= std::numeric_limits<std::int32_t>::min() &&
                                            *n <= std::numeric_limits<std::int32_t>::max())
        return static_cast<std::int32_t>(*n);
    DatabaseError(Format(dbconsts::SInvalidIntegerValue, {text, DisplayName()}));
}

void TStringField::SetAsIntegerValue(std::int32_t value) {
    SetAsStringValue(std::to_string(value));
}

double TStringField::GetAsFloat() const {
    const std::string text = GetAsString();
    if (const auto f = TryStrToFloat(text)) return *f;
    DatabaseError(Format(dbconsts::SInvalidFloatValue, {text, DisplayName()}));
}

void TStringField::SetAsFloatValue(double value) {
    SetAsStringValue(FloatToStr(value));
}

bool TStringField::GetAsBoolean() const {
    const std::string text = AsciiUpperCase(GetAsString());
    if (text.empty()) return false;
    return text[0] == 'T' || text[0] == 'Y' || text[0] == 'W' || text[0] == 'J';
}

void TStringField::SetAsBooleanValue(bool value) {
    SetAsStringValue(value ? "T" : "F");
}

TDateTime TStringField::GetAsDateTime() const {
    return Variant(GetAsString()).AsDateTime();
}
void TStringField::SetAsDateTimeValue(TDateTime value) {
    SetAsStringValue(DateTimeToStr(value));
}

Variant TStringField::GetAsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant(GetAsString());
}

void TStringField::SetVariantValue(const Variant& value) {
    SetAsStringValue(value.AsString());
}

// --- integers ----------------------------------------------------------------------

TIntegerField::TIntegerField(TComponent* owner, TFieldType type) : TNumericField(owner, type) {
    switch (type) {
        case TFieldType::ftSmallint:
            low_ = -32768, high_ = 32767;
            break;
        case TFieldType::ftWord:
            low_ = 0, high_ = 65535;
            break;
        case TFieldType::ftLargeint:
            low_ = std::numeric_limits<std::int64_t>::min(),
            high_ = std::numeric_limits<std::int64_t>::max();
            break;
        default:
            low_ = std::numeric_limits<std::int32_t>::min(),
            high_ = std::numeric_limits<std::int32_t>::max();
    }
}

void TIntegerField::CheckRange(std::int64_t value) const {
    const std::int64_t low = MinValue != 0 || MaxValue != 0 ? MinValue : low_;
    const std::int64_t high = MinValue != 0 || MaxValue != 0 ? MaxValue : high_;
    if (value < low || value > high)
        RangeError(static_cast<double>(value), static_cast<double>(low), static_cast<double>(high));
}

namespace {

std::optional<std::int64_t> IntegerOf(const TFieldData& data) {
    if (const auto* v = std::get_if<std::int32_t>(&data)) return *v;
    if (const auto* v = std::get_if<std::int64_t>(&data)) return *v;
    return std::nullopt;
}

}  // namespace

std::string TIntegerField::GetAsString() const {
    TFieldData data;
    if (!GetData(&data)) return {};
    const auto value = IntegerOf(data);
    return value ? std::to_string(*value) : std::string();
}

void TIntegerField::SetAsStringValue(const std::string& text) {
    if (text.empty()) return Clear();
    const auto value = TryStrToInt64(text);
    if (!value) DatabaseError(Format(dbconsts::SInvalidIntegerValue, {text, DisplayName()}));
    CheckRange(*value);
    const TFieldData data = DataType() == TFieldType::ftLargeint
                                ? TFieldData(*value)
                                : TFieldData(static_cast<std::int32_t>(*value));
    SetData(&data);
}

std::int32_t TIntegerField::GetAsInteger() const {
    TFieldData data;
    if (!GetData(&data)) return 0;
    return static_cast<std::int32_t>(IntegerOf(data).value_or(0));
}

void TIntegerField::SetAsIntegerValue(std::int32_t value) {
    CheckRange(value);
    const TFieldData data =
        DataType() == TFieldType::ftLargeint ? TFieldData(std::int64_t{value}) : TFieldData(value);
    SetData(&data);
}

double TIntegerField::GetAsFloat() const {
    TFieldData data;
    if (!GetData(&data)) return 0;
    return static_cast<double>(IntegerOf(data).value_or(0));
}

void TIntegerField::SetAsFloatValue(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -9.2e18 && rounded <= 9.2e18))
        RangeError(value, static_cast<double>(low_), static_cast<double>(high_));
    CheckRange(static_cast<std::int64_t>(rounded));
    const auto n = static_cast<std::int64_t>(rounded);
    const TFieldData data = DataType() == TFieldType::ftLargeint
                                ? TFieldData(n)
                                : TFieldData(static_cast<std::int32_t>(n));
    SetData(&data);
}

Variant TIntegerField::GetAsVariant() const {
    TFieldData data;
    if (!GetData(&data)) return Variant::Null();
    const std::int64_t value = IntegerOf(data).value_or(0);
    if (DataType() == TFieldType::ftLargeint) return Variant(value);
    return Variant(static_cast<int>(value));
}

void TIntegerField::SetVariantValue(const Variant& value) {
    if (value.Type() == TVarType::String) return SetAsStringValue(value.AsString());
    SetAsFloatValue(value.AsDouble());
}

// --- floats --------------------------------------------------------------------------

TFloatField::TFloatField(TComponent* owner, TFieldType type) : TNumericField(owner, type) {}

double TFloatField::GetAsFloat() const {
    TFieldData data;
    if (!GetData(&data)) return 0;
    if (const auto* v = std::get_if<double>(&data)) return *v;
    return 0;
}

void TFloatField::SetAsFloatValue(double value) {
    const TFieldData data = value;
    SetData(&data);
}

std::string TFloatField::GetAsString() const {
    if (IsNull()) return {};
    return FloatToStr(GetAsFloat());
}

void TFloatField::SetAsStringValue(const std::string& text) {
    if (text.empty()) return Clear();
    const auto value = TryStrToFloat(text);
    if (!value) DatabaseError(Format(dbconsts::SInvalidFloatValue, {text, DisplayName()}));
    SetAsFloatValue(*value);
}

std::int32_t TFloatField::GetAsInteger() const {
    const double value = std::nearbyint(GetAsFloat());
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        RangeError(value, std::numeric_limits<std::int32_t>::min(),
                   std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(value);
}

Variant TFloatField::GetAsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant(GetAsFloat());
}

void TFloatField::SetVariantValue(const Variant& value) {
    if (value.Type() == TVarType::String) return SetAsStringValue(value.AsString());
    SetAsFloatValue(value.AsDouble());
}

// Currency fields show the amount with two decimals and the currency sign.
std::string TFloatField::GetDisplayText() const {
    if (IsNull()) return {};
    if (!Currency) return GetAsString();
    return CurrencyText(GetAsFloat());
}

Variant TCurrencyField::GetAsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant(TCurrency::FromDouble(GetAsFloat()));
}

// --- booleans ------------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* owner) : TField(owner, TFieldType::ftBoolean) {}

void TBooleanField::SetDisplayValues(const std::string& values) {
    const size_t semicolon = values.find(';');
    trueText_ = values.substr(0, semicolon);
    falseText_ = semicolon == std::string::npos ? std::string() : values.substr(semicolon + 1);
}

bool TBooleanField::GetAsBoolean() const {
    TFieldData data;
    if (!GetData(&data)) return false;
    const auto* v = std::get_if<bool>(&data);
    return v && *v;
}

void TBooleanField::SetAsBooleanValue(bool value) {
    const TFieldData data = value;
    SetData(&data);
}

std::string TBooleanField::GetAsString() const {
    if (IsNull()) return {};
    return GetAsBoolean() ? trueText_ : falseText_;
}

// A text counts as true or false when it starts like one of the display values.
void TBooleanField::SetAsStringValue(const std::string& text) {
    if (text.empty()) return Clear();
    const std::string upper = AsciiUpperCase(text);
    const auto startsLike = [&](const std::string& value) {
        return !value.empty() && AsciiUpperCase(value).rfind(upper, 0) == 0;
    };
    if (startsLike(trueText_) || startsLike("True")) return SetAsBooleanValue(true);
    if (startsLike(falseText_) || startsLike("False")) return SetAsBooleanValue(false);
    DatabaseError(Format(dbconsts::SInvalidBoolValue, {text, DisplayName()}));
}

Variant TBooleanField::GetAsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant(GetAsBoolean());
}

void TBooleanField::SetVariantValue(const Variant& value) {
    if (value.Type() == TVarType::String) return SetAsStringValue(value.AsString());
    SetAsBooleanValue(value.AsBoolean());
}

// --- dates and times -------------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner, type) {}

TDateTime TDateTimeField::GetAsDateTime() const {
    TFieldData data;
    if (!GetData(&data)) return 0;
    const auto* rec = std::get_if<TDateTimeRec>(&data);
    if (!rec) return 0;
    switch (DataType()) {
        case TFieldType::ftDate:
            return RecToDateTime({rec->Date, 0});
        case TFieldType::ftTime:
            return rec->Time / 86400000.0;
        default:
            return RecToDateTime(*rec);
    }
}

void TDateTimeField::SetAsDateTimeValue(TDateTime value) {
    TDateTimeRec rec = DateTimeToRec(value);
    if (DataType() == TFieldType::ftDate) rec.Time = 0;
    if (DataType() == TFieldType::ftTime) rec.Date = 0;
    const TFieldData data = rec;
    SetData(&data);
}

std::string TDateTimeField::GetAsString() const {
    if (IsNull()) return {};
    const TDateTime value = GetAsDateTime();
    switch (DataType()) {
        case TFieldType::ftDate:
            return DateTimeToStr(std::trunc(value));
        case TFieldType::ftTime:
            return TimeToStr(value);
        default:
            return DateTimeToStr(value);
    }
}

void TDateTimeField::SetAsStringValue(const std::string& text) {
    if (text.empty()) return Clear();
    const auto value = TryStrToDateTime(text);
    if (!value) throw EConvertError("'" + text + "' ist kein gültiges Datum und Uhrzeit");
    SetAsDateTimeValue(*value);
}

Variant TDateTimeField::GetAsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant::FromDate(GetAsDateTime());
}

void TDateTimeField::SetVariantValue(const Variant& value) {
    if (value.Type() == TVarType::String) return SetAsStringValue(value.AsString());
    SetAsDateTimeValue(value.AsDateTime());
}

// --- binary ----------------------------------------------------------------------------

std::string TBinaryField::GetAsString() const {
    TFieldData data;
    if (!GetData(&data)) return {};
    if (const auto* bytes = std::get_if<TBytes>(&data))
        return std::string(bytes->begin(), bytes->end());
    if (const auto* text = std::get_if<std::string>(&data)) return *text;
    return {};
}

void TBinaryField::SetAsStringValue(const std::string& text) {
    const TFieldData data = TBytes(text.begin(), text.end());
    SetData(&data);
}

Variant TBinaryField::GetAsVariant() const {
    TFieldData data;
    if (!GetData(&data)) return Variant::Null();
    if (const auto* bytes = std::get_if<TBytes>(&data)) return Variant(*bytes);
    return Variant(GetAsString());
}

void TBinaryField::SetVariantValue(const Variant& value) {
    if (value.Type() == TVarType::Bytes) {
        const TFieldData data = value.AsBytes();
        return SetData(&data);
    }
    if (value.Type() == TVarType::Array) {
        TBytes bytes;
        for (const Variant& item : value.AsArray().Items)
            bytes.push_back(static_cast<std::uint8_t>(item.AsInteger()));
        const TFieldData data = std::move(bytes);
        return SetData(&data);
    }
    SetAsStringValue(value.AsString());
}

// --- blob fields -------------------------------------------------------------------------

std::unique_ptr<TStream> TBlobField::OpenStream(TBlobStreamMode mode) const {
    TDataSet* dataSet = DataSet();
    return dataSet ? dataSet->CreateBlobStream(const_cast<TBlobField&>(*this), mode) : nullptr;
}

std::string TBlobField::GetAsString() const {
    if (auto stream = OpenStream(TBlobStreamMode::bmRead)) return stream->ReadAllText();
    TFieldData data;
    if (!GetData(&data)) return {};
    if (const auto* text = std::get_if<std::string>(&data)) return *text;
    if (const auto* bytes = std::get_if<TBytes>(&data))
        return std::string(bytes->begin(), bytes->end());
    return {};
}

void TBlobField::SetAsStringValue(const std::string& text) {
    CheckCanWrite();
    if (WriteProtected()) return;
    if (auto stream = OpenStream(TBlobStreamMode::bmWrite)) {
        stream->Write(text.data(), text.size());
        return;
    }
    const TFieldData data = DataType() == TFieldType::ftMemo
                                ? TFieldData(text)
                                : TFieldData(TBytes(text.begin(), text.end()));
    SetData(&data);
}

Variant TBlobField::GetAsVariant() const {
    if (IsNull()) return Variant::Null();
    const std::string content = GetAsString();
    if (DataType() == TFieldType::ftMemo) return Variant(content);
    return Variant(TBytes(content.begin(), content.end()));
}

void TBlobField::SetVariantValue(const Variant& value) {
    if (value.IsEmptyOrNull()) return Clear();
    if (value.Type() == TVarType::Bytes) {
        const TBytes& bytes = value.AsBytes();
        return SetAsStringValue(std::string(bytes.begin(), bytes.end()));
    }
    if (value.Type() == TVarType::Array) {
        std::string bytes;
        for (const Variant& item : value.AsArray().Items)
            bytes.push_back(static_cast<char>(item.AsInteger()));
        return SetAsStringValue(bytes);
    }
    SetAsStringValue(value.AsString());
}

std::int64_t TBlobField::BlobSize() const {
    if (auto stream = OpenStream(TBlobStreamMode::bmRead)) return stream->Size();
    return static_cast<std::int64_t>(GetAsString().size());
}

void TBlobField::LoadFromStream(TStream& stream) {
    std::string content(static_cast<size_t>(std::max<std::int64_t>(stream.Size(), 0)), '\0');
    stream.Seek(0, TSeekOrigin::Beginning);
    content.resize(stream.Read(content.data(), content.size()));
    SetAsStringValue(content);
}

void TBlobField::SaveToStream(TStream& stream) const {
    const std::string content = GetAsString();
    stream.Write(content.data(), content.size());
}

void TBlobField::LoadFromFile(const std::string& path) {
    SetAsStringValue(ReadWholeFile(path));
}

void TBlobField::SaveToFile(const std::string& path) const {
    WriteWholeFile(path, GetAsString());
}

TField* CreateFieldOfType(TComponent* owner, TFieldType type, int size) {
    switch (type) {
        case TFieldType::ftString:
            return new TStringField(owner, size);
        case TFieldType::ftSmallint:
            return new TSmallintField(owner);
        case TFieldType::ftInteger:
            return new TIntegerField(owner);
        case TFieldType::ftWord:
            return new TWordField(owner);
        case TFieldType::ftAutoInc:
            return new TAutoIncField(owner);
        case TFieldType::ftLargeint:
            return new TLargeintField(owner);
        case TFieldType::ftBoolean:
            return new TBooleanField(owner);
        case TFieldType::ftFloat:
            return new TFloatField(owner);
        case TFieldType::ftCurrency:
            return new TCurrencyField(owner);
        case TFieldType::ftBCD:
            return new TBCDField(owner);
        case TFieldType::ftDate:
            return new TDateField(owner);
        case TFieldType::ftTime:
            return new TTimeField(owner);
        case TFieldType::ftDateTime:
            return new TDateTimeField(owner);
        case TFieldType::ftBytes:
            return new TBytesField(owner, size);
        case TFieldType::ftVarBytes:
            return new TVarBytesField(owner, size);
        case TFieldType::ftBlob:
            return new TBlobField(owner);
        case TFieldType::ftMemo:
            return new TMemoField(owner);
        case TFieldType::ftGraphic:
            return new TGraphicField(owner);
        case TFieldType::ftGuid:
            return new TStringField(owner, 38);
        default:
            return nullptr;
    }
}

}  // namespace zalvert
