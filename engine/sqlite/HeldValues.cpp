#include "engine/sqlite/HeldValues.h"

#include <utility>

namespace zalvert::engine {

void THeldValues::Add(std::int64_t value) {
    TSlot& slot = slots_.emplace_back();
    slot.Kind = TKind::Integer;
    slot.Integer = value;
}

void THeldValues::Add(const Variant& value) {
    switch (value.Type()) {
        case TVarType::Empty:
        case TVarType::Null:
            slots_.emplace_back();
            return;
        case TVarType::Array:
            throw ESqlite(SQLITE_MISMATCH, "array values cannot be stored");
        case TVarType::Boolean:
            return Add(std::int64_t{value.AsBoolean() ? 1 : 0});
        case TVarType::Integer:
        case TVarType::Int64:
            return Add(value.AsInt64());
        case TVarType::Double:
        case TVarType::Currency:
        case TVarType::Date: {
            TSlot& slot = slots_.emplace_back();
            slot.Kind = TKind::Real;
            slot.Real = value.AsDouble();
            return;
        }
        case TVarType::String: {
            const std::string& text = value.StringValue();
            return AddBytes(TKind::Text, text.data(), text.size());
        }
        case TVarType::Bytes: {
            const TBytes& bytes = value.AsBytes();
            return AddBytes(TKind::Blob, reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
    }
}

void THeldValues::AddRow(std::int64_t id, const std::vector<const Variant*>& values) {
    const size_t slots = slots_.size(), bytes = bytes_.size();
    try {
        Add(id);
        for (const Variant* value : values) Add(*value);
    } catch (...) {
        slots_.resize(slots);
        bytes_.resize(bytes);
        throw;
    }
}

void THeldValues::AddBytes(TKind kind, const char* data, size_t size) {
    TSlot& slot = slots_.emplace_back();
    slot.Kind = kind;
    slot.Offset = bytes_.size();
    slot.Size = size;
    bytes_.append(data, size);
}

void THeldValues::Bind(TStatement& stmt, int parameter, size_t index) const {
    const TSlot& slot = slots_[index];
    switch (slot.Kind) {
        case TKind::Null:
            return stmt.BindNull(parameter);
        case TKind::Integer:
            return stmt.BindInt64(parameter, slot.Integer);
        case TKind::Real:
            return stmt.BindDouble(parameter, slot.Real);
        case TKind::Text:
            return stmt.BindTextKept(parameter,
                                     std::string_view(bytes_.data() + slot.Offset, slot.Size));
        case TKind::Blob:
            // No bytes go as no pointer, as a value's empty bytes would: SQLite stores NULL.
            return stmt.BindBlobKept(
                parameter, slot.Size > 0 ? bytes_.data() + slot.Offset : nullptr, slot.Size);
    }
}

void THeldValues::Clear() {
    slots_.clear();
    bytes_.clear();
}

void THeldValues::Swap(THeldValues& other) noexcept {
    slots_.swap(other.slots_);
    bytes_.swap(other.bytes_);
}

}  // namespace zalvert::engine
