#pragma once
// How the table component turns the engine's field types into dataset field
// types: the refinements (date formats, text size 0, auto-increment) and the
// mapping table, the type names of its per-table list, and date defaults.

#include <optional>
#include <string>

#include "dataset/FieldTypes.h"

namespace zalvert {

// The engine type code for an auto-increment long integer, after refinement.
constexpr int kDaoAutoIncrement = 40000;

// Date fields become 22 (time) or 23 (date and time) by their "Format" property;
// a long integer with the auto-increment attribute becomes kDaoAutoIncrement.
int RefineDaoType(int daoType, long attributes, const std::optional<std::string>& format);
// The engine's size is kept only for binary, text, memo and GUID types.
int DaoFieldSize(int daoType, int engineSize);
TFieldType DatasetFieldType(int refinedDaoType);
int DatasetFieldSize(int refinedDaoType, int daoSize);
// The name in the per-table type-name list ("ftString", "ftSmallInt"...).
std::string FieldTypeListName(TFieldType type);
// A date default written as m/d/y[ h:n[:s][ AM| PM]] as the value text of a
// record buffer: day number and millisecond of the day; empty when no date.
std::string DateDefaultText(const std::string& text);

}  // namespace zalvert
