// Key-path lookup from a value: dotted names ("a.b"), bracketed quoted names
// (['x.y'], ["a\"b"]) and bracketed indexes ([2], [$1F], [0x1f]), e.g.
// "items[2].name". A path that is malformed or leads nowhere finds nothing
// (a view of nothing). An empty or white-space-only path finds the start item itself
// when it is an object or array; a leaf is found only by the empty path.
#pragma once

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/json/items.h"

namespace lumetra::json {

TJSONValue FindByKeyPath(TJSONValue start, WideStringView path);

}  // namespace lumetra::json
