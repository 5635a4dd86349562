// Any item as compact JSON text (no white space), plain ASCII: "/" and every
// code unit above U+007F are escaped, other controls as \uXXXX (upper-case
// hex) unless they have a short escape. Numbers are written as stored; a
// member is written as "key":value. Iterative, so any depth is fine. One walk
// writes the text into a string that grows as it goes.
#pragma once

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/json/items.h"

namespace lumetra::json {

WideString FormatJSON(TJSONAncestor item);

// Appends the text of `item` to `out`. Throws std::bad_alloc, and `out` is then as it was.
void AppendJSON(TJSONAncestor item, WideString& out);

}  // namespace lumetra::json
