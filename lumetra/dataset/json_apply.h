// Applying a JSON text to the current record of a dataset, token by token:
// each property writes its value into the field of that name (nested objects
// and top-level arrays are not interpreted: their properties go to the same
// record, a later value replacing an earlier one); a property whose value is
// an array must name a nested dataset field, and inside the array every
// StartObject appends a detail record, every property writes into the detail
// record and every EndObject posts it, until the first EndArray. A value is
// written by the field's group (WriteToken). The first failure throws and
// ends the application; what was written before it stays.
#pragma once

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/dataset/dataset.h"
#include "lumetra/dataset/json_tokens.h"

namespace lumetra::dataset {

void ApplyJson(Dataset& dataset, WideStringView json);

// Writes the value of a token into a field, as the field's group takes it:
// text fields take text (a token without a value: ""), integer fields 32-bit
// integers (a 64-bit one by its low 32 bits; no value: 0), boolean fields
// booleans (false), floating fields numbers (0), date-time fields date texts,
// numbers of days from 1899-12-30 and booleans (-1 or 0 days; no value:
// 1899-12-30), other fields any value converted by their own type (no value:
// null). Any other combination throws.
void WriteToken(Dataset& dataset, int field, const Token& token);

}  // namespace lumetra::dataset
