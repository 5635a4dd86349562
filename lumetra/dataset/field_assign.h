// Turning an automation value into the cell of a field, by the field's own
// data type: text into text types, numbers (and numeric text) into numeric
// types, day numbers and date texts into date-time types. Empty and null give
// a null cell. Integer types check the range of their type ("%s is not a
// valid value for field '%s'. The allowed range is %s to %s"); text types cut
// the text to the field's WIDTH characters, and refuse text holding a
// character that a data packet (XML 1.0) cannot carry: NUL, a control
// character other than tab, LF and CR, U+FFFE, U+FFFF, a surrogate without
// its partner (memo and binary types, stored as UTF-8 bytes in Base64, refuse
// only the last); ftDate keeps the day, ftTime the
// time of day, ftCurrency four decimals. A value the type cannot take throws
// lumetra::Error (ConversionError from the automation conversions).
#pragma once

#include <optional>

#include "lumetra/automation/values/variant.h"
#include "lumetra/dataset/records.h"

namespace lumetra::dataset {

// The cell a field stores for the value.
Cell CellForField(const FieldDef& field, const Variant& value);

// The cell a locate key compares with: the same conversion without cutting
// text, and nullopt (matches nothing) for a number outside the type's range
// or text that the field refuses.
std::optional<Cell> KeyCellForField(const FieldDef& field, const Variant& value);

}  // namespace lumetra::dataset
