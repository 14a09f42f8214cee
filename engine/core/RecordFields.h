#pragma once
// The fields of a recordset's current record, for either back end: each asks the
// recordset that made it for its value and description.

#include <memory>
#include <string>
#include <vector>

#include "engine/Dao.h"
#include "engine/core/EngineState.h"
#include "engine/core/Metadata.h"

namespace zalvert::engine {

// What a recordset answers for its fields, by field number.
class TFieldOwner {
  public:
    virtual const TFieldMeta& Meta(size_t field) const = 0;
    virtual Variant FieldValue(size_t field) const = 0;
    virtual void SetFieldValue(size_t field, const Variant& value) = 0;
    // As SetFieldValue, taking a large value over instead of copying it.
    virtual void TakeFieldValue(size_t field, Variant&& value) { SetFieldValue(field, value); }
    // A text value into `text`, its memory reused; false where the value is no text.
    virtual bool CopyFieldText(size_t, std::string&) const { return false; }
    // Length in bytes of the value: a text's or binary value's, 0 for Null.
    virtual long long FieldSize(size_t field) const;
    // The default as users of the engine read it.
    virtual std::string FieldDefault(size_t field) const { return Meta(field).DefaultValue; }
    // The properties stored for the field's column, read when first asked for.
    virtual std::vector<std::shared_ptr<Property>> FieldProperties(size_t) const { return {}; }

  protected:
    ~TFieldOwner() = default;
};

// The field collection of a recordset; a field outliving its recordset refuses work.
std::unique_ptr<FieldCollection> MakeRecordFields(const std::shared_ptr<TFieldOwner>& owner,
                                                  TEngineRef engine, size_t count);

// Length in bytes of a value as FieldSize gives it: a text's or binary value's, 0
// for Null.
long long ValueSize(const Variant& value);

// A field's attributes from its description.
long FieldAttributes(const TFieldMeta& meta);

}  // namespace zalvert::engine
