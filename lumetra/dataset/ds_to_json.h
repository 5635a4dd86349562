// DSToJSON: writes the field values of a JSON text into one record of a data
// packet and returns the changed packet. "C" appends a record and sets the
// key field; "M" edits the record found by the key (the first record when
// none matches); "D" deletes the record found by the key and returns the
// empty string; the letter is compared exactly. The JSON values are written
// into the fields of the record by their names (any letter case); an array
// of objects under a nested dataset field appends detail records.
//
// Only a packet that cannot be loaded throws (lumetra::Error with the
// loader's message). Every later failure returns the empty string; a failure
// while the JSON is applied only ends the application, and what was written
// before it is kept.
#pragma once

#include <optional>
#include <vector>

#include "lumetra/automation/values/variant.h"
#include "lumetra/automation/values/wide_string.h"

namespace lumetra::dataset {

// The key value argument: a single value, or an array of values (one per key
// field, in the order of the names).
struct KeyValue {
  Variant value;                                 // a single value (ignored for an array)
  std::optional<std::vector<Variant>> elements;  // set when the argument is an array

  // An automation value as a key; an array gives its elements.
  static KeyValue From(const Variant& value);
};

WideString DSToJSON(WideStringView iXML, WideStringView iJSON, WideStringView iKeyField, const KeyValue& iKeyValue,
                    WideStringView iTypeOper);

}  // namespace lumetra::dataset
