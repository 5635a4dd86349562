// JSON text (UTF-16) to a tree of new items, all or nothing. The grammar is
// RFC 8259's, with two choices of ours: control characters U+0000..U+001F may
// stand unescaped inside strings, and a leading U+FEFF is skipped when
// anything follows it. Numbers keep their exact text. Strings are code units:
// surrogates, paired or not, are stored as they stand or as escaped.
// Nesting deeper than kMaxParseDepth is rejected. The reader is iterative.
#pragma once

#include <cstddef>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/json/items.h"

namespace lumetra::json {

inline constexpr size_t kMaxParseDepth = 10000;

// The new tree (not in any store), or an empty Tree when the text is not
// JSON. Out of memory throws std::bad_alloc, leaving nothing behind.
Tree ParseJSON(WideStringView text);

}  // namespace lumetra::json
