#pragma once
// The values of a record being added or edited, from AddNew or Edit until Update
// writes them or CancelUpdate drops them, and which of them were assigned.

#include <vector>

#include "engine/DaoConstants.h"
#include "rtl/Variant.h"

namespace zalvert::engine {

class TEditBuffer {
  public:
    int Mode() const { return mode_; }
    bool Active() const { return mode_ != dbEditNone; }

    // A new record of `count` fields, its values given their defaults in place by
    // `fill(std::vector<Variant>&)`, so that their texts keep the last record's
    // memory. Should `fill` throw, no edit begins.
    template <class Fill>
    void BeginAdd(size_t count, Fill fill) {
        original_.clear();
        values_.resize(count);
        fill(values_);
        edited_.assign(count, false);
        mode_ = dbEditAdd;
    }
    // The current record as read, kept to tell later whether another user changed it.
    void BeginEdit(std::vector<Variant> original);

    // Assigns a field through `assign(Variant&)`; a refusal it throws leaves the
    // field as it was and unassigned.
    template <class Assign>
    void Set(size_t field, Assign assign) {
        assign(values_[field]);
        edited_[field] = true;
    }
    const Variant& Value(size_t field) const { return values_[field]; }
    bool Edited(size_t field) const { return edited_[field]; }
    std::vector<Variant>& Values() { return values_; }
    const std::vector<Variant>& Values() const { return values_; }
    const std::vector<Variant>& Original() const { return original_; }

    // Written: the values stay for the next new record to reuse, a large memo
    // or blob let go instead of being held until then.
    void Written();
    void Cancel();

  private:
    int mode_ = dbEditNone;
    std::vector<Variant> values_;
    std::vector<bool> edited_;
    std::vector<Variant> original_;
};

}  // namespace zalvert::engine
