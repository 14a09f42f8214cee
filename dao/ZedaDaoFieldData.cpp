// Field values between the texts of the record buffers and the native data the
// fields exchange with the dataset.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dao/GuidFieldText.h"
#include "dao/ZedaDaoTable.h"
#include "dao/ZedaDaoTableSupport.h"
#include "rtl/Utf8.h"

namespace zalvert {
using namespace daotable;
namespace {

std::optional<std::int32_t> ReadInteger(const std::string& text) {
    const auto exact = TryStrToInt64(text);
    if (exact) return static_cast<std::int32_t>(*exact);
    const auto real = TryStrToFloat(text);
    // Ties go to the even neighbour, as the run-time rounds.
    if (real) return static_cast<std::int32_t>(std::nearbyint(*real));
    return std::nullopt;
}

// "True", "yes", "on", "-1" and any other integer but 0 are true; "False",
// "no", "off" and nothing are false; a leading "=" is ignored.
std::optional<bool> ReadBoolean(std::string text) {
    if (text.starts_with('=')) text.erase(0, 1);
    const std::string lower = AsciiLowerCase(text);
    if (lower == "false" || lower == "no" || lower == "off" || lower.empty()) return false;
    if (lower == "true" || lower == "yes" || lower == "on" || lower == "-1") return true;
    const auto number = TryStrToInt64(text);
    if (!number) return std::nullopt;
    return static_cast<std::int16_t>(*number) != 0;
}

}  // namespace

bool TZedaDaoTable::IsGuidField(const TField& field) const {
    return field.ValidChars() == GuidChars();
}

bool TZedaDaoTable::DoGetFieldData(const TField& field, TFieldData* buffer) const {
    const TDaoRecordBuffer* record = cursorOpen_ ? StateBuffer() : nullptr;
    const auto index = static_cast<size_t>(field.FieldNo() - 1);
    if (!record || field.FieldNo() < 1 || index >= record->Values.size()) return false;
    const std::string& text = record->Values[index].Text;
    const bool present = !text.empty();
    if (!buffer) return present;
    switch (field.DataType()) {
        case TFieldType::ftString:
            *buffer = text;
            return present;
        case TFieldType::ftBytes:
        case TFieldType::ftVarBytes:
            if (IsGuidField(field)) {
                if (!present) return false;
                *buffer = GuidBytesOf(text);
                return true;
            }
            *buffer = TBytes(text.begin(), text.end());
            return present;
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftAutoInc:
            if (const auto value = ReadInteger(present ? text : "0")) *buffer = *value;
            return present;
        case TFieldType::ftFloat:
        case TFieldType::ftCurrency:
            if (const auto value = TryStrToFloat(present ? text : "0")) *buffer = *value;
            return present;
        case TFieldType::ftBoolean:
            if (const auto value = ReadBoolean(text)) *buffer = *value;
            return present;
        case TFieldType::ftDate:
        case TFieldType::ftTime:
        case TFieldType::ftDateTime: {
            const auto value = DateTimeOfText(text);
            if (!value) return false;
            *buffer = *value;
            return true;
        }
        case TFieldType::ftMemo:
        case TFieldType::ftBlob:
            *buffer = text;
            return present;
        default:
            return false;
    }
}

void TZedaDaoTable::DoSetFieldData(TField& field, const TFieldData* buffer) {
    TDaoRecordBuffer* record = StateBuffer();
    const auto index = static_cast<size_t>(field.FieldNo() - 1);
    if (!record || field.FieldNo() < 1 || index >= record->Values.size()) return;
    if (field.ReadOnly()) return;
    // Written in place: the entry's text keeps its memory from record to record.
    std::string& text = record->Values[index].Text;
    text.clear();
    if (buffer && !std::holds_alternative<std::monostate>(*buffer)) {
        const TFieldData& data = *buffer;
        switch (field.DataType()) {
            case TFieldType::ftString:
            case TFieldType::ftMemo:
            case TFieldType::ftBlob:
                if (const auto* s = std::get_if<std::string>(&data)) text = *s;
                if (const auto* b = std::get_if<TBytes>(&data)) text.assign(b->begin(), b->end());
                text.resize(std::min(text.size(), text.find('\0')));
                break;
            case TFieldType::ftSmallint:
            case TFieldType::ftInteger:
            case TFieldType::ftWord:
            case TFieldType::ftAutoInc:
                if (const auto* i = std::get_if<std::int32_t>(&data)) text = std::to_string(*i);
                if (const auto* l = std::get_if<std::int64_t>(&data)) text = std::to_string(*l);
                break;
            case TFieldType::ftBoolean:
                if (const auto* b = std::get_if<bool>(&data)) text = *b ? "True" : "False";
                break;
            case TFieldType::ftFloat:
            case TFieldType::ftCurrency:
            case TFieldType::ftBCD:
                if (const auto* d = std::get_if<double>(&data)) text = FloatToStr(*d);
                break;
            case TFieldType::ftDate:
            case TFieldType::ftTime:
            case TFieldType::ftDateTime:
                if (const auto* r = std::get_if<TDateTimeRec>(&data)) {
                    const std::int32_t day =
                        field.DataType() == TFieldType::ftTime ? kDateDelta : r->Date;
                    const std::int32_t ms = field.DataType() == TFieldType::ftDate ? 0 : r->Time;
                    text = DateTimeText(day, ms);
                }
                break;
            case TFieldType::ftBytes:
            case TFieldType::ftVarBytes:
                if (const auto* b = std::get_if<TBytes>(&data)) {
                    if (IsGuidField(field)) {
                        text = GuidValueText(*b);
                    } else {
                        TBytes bytes = *b;
                        bytes.resize(static_cast<size_t>(std::max(field.Size(), 0)));
                        text.assign(bytes.begin(), bytes.end());
                    }
                }
                break;
            default:
                break;
        }
    }
    record->Values[index].Modified = true;
}

}  // namespace zalvert
