#include "engine/core/EditBuffer.h"

namespace zalvert::engine {

void TEditBuffer::BeginEdit(std::vector<Variant> original) {
    original_ = std::move(original);
    values_ = original_;
    edited_.assign(values_.size(), false);
    mode_ = dbEditInProgress;
}

void TEditBuffer::Written() {
    constexpr size_t kLarge = 64 * 1024;
    mode_ = dbEditNone;
    original_.clear();
    for (Variant& value : values_) {
        const bool large =
            (value.Type() == TVarType::String && value.StringValue().capacity() > kLarge) ||
            (value.Type() == TVarType::Bytes && value.AsBytes().capacity() > kLarge);
        if (large) value = Variant::Null();
    }
}

void TEditBuffer::Cancel() {
    mode_ = dbEditNone;
    values_.clear();
    edited_.clear();
    original_.clear();
}

}  // namespace zalvert::engine
