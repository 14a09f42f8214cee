#pragma once
// Parameters of SQL text: ":Name" places found by the parser, each with a value.

#include <string>
#include <string_view>
#include <vector>

#include "dataset/FieldTypes.h"
#include "rtl/Variant.h"

namespace zalvert {

enum class TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

struct TParam {
    std::string Name;
    TFieldType DataType = TFieldType::ftUnknown;
    TParamType ParamType = TParamType::ptInput;
    Variant Value = Variant::Null();
    bool IsNull() const { return Value.IsEmptyOrNull(); }
    void Clear() { Value = Variant::Null(); }
};

class TParams {
  public:
    int Count() const { return static_cast<int>(items_.size()); }
    TParam& Items(int index);
    const TParam& Items(int index) const;
    TParam& CreateParam(TFieldType type, const std::string& name, TParamType paramType);
    TParam* FindParam(std::string_view name);
    // Raises EDatabaseError "Parameter '%s' nicht gefunden".
    TParam& ParamByName(std::string_view name);
    void Clear() { items_.clear(); }
    // Takes over the values of the parameters of the same name.
    void AssignValues(const TParams& other);
    // Fills the list from the ":Name" places of `sql`, keeping values of names that stay.
    void ParseSQL(std::string_view sql);

  private:
    std::vector<TParam> items_;
};

// The parameter names of SQL text in order of appearance: a colon followed by a
// name, or by a quoted or bracketed name; nothing inside quoted strings; a double
// colon is no parameter.
std::vector<std::string> FindParamNames(std::string_view sql);
// The position after a string ('...' or "..."), a bracketed name or a #date#
// literal that starts at `i`, or `i` when none starts there. Nothing inside such
// a region is a parameter.
size_t SkipQuoted(std::string_view sql, size_t i);

}  // namespace zalvert
