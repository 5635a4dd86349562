// Any item as compact JSON text (no white space), plain ASCII: "/" and every
// code unit above U+007F are escaped, other controls as \uXXXX (upper-case
// hex) unless they have a short escape. Numbers are written as stored; a
// member is written as "key":value. Iterative, so any depth is fine. The text
// is measured first and then written into a string sized once.
#pragma once

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/json/items.h"

namespace lumetra::json {

WideString FormatJSON(TJSONAncestor item);

// Appends the text of `item` to `out`.
void AppendJSON(TJSONAncestor item, WideString& out);

}  // namespace lumetra::json
