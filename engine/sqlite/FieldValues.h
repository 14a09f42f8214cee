#pragma once
// Converting values written to a field into the stored form of its column, and
// stored values back into the values a field reports, as the engine does it.

#include "engine/DaoError.h"
#include "engine/sqlite/Catalog.h"
#include "rtl/Variant.h"

namespace zalvert::engine {

// A value the column cannot take: a conversion error, or a text too long for the field.
struct EValueRefused {
    TDaoErr Number;
};

Variant ToStorage(const TTypeInfo& type, const Variant& value);
// The same into `stored`, whose text keeps its memory; unchanged when refused.
void AssignStorage(const TTypeInfo& type, const Variant& value, Variant& stored);
// The same, taking over a memo's text or a long binary's bytes instead of a copy.
void AssignStorage(const TTypeInfo& type, Variant&& value, Variant& stored);
Variant FromStorage(const TTypeInfo& type, const Variant& stored);
// Whether FromStorage gives `stored` itself (a text, a binary value): a reader may
// then take it without a copy.
bool GivenAsStored(const TTypeInfo& type, const Variant& stored);

// A GUID in its braced upper-case text form; empty when the text is no GUID.
std::string NormalizeGuid(std::string_view text);
// A column default as the engine's users read it: texts in double quotes,
// dates between "#" signs (m/d/yyyy), the null default as "Null", anything else
// as the expression stands.
std::string DefaultValueText(const TTypeInfo& type, std::string_view stored);

}  // namespace zalvert::engine
