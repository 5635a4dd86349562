// Field names are looked up without regard to letter case: two names match
// when their lower-case forms are equal. Lower-casing covers ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic; other characters compare as they are.
#pragma once

#include "lumetra/automation/values/wide_string.h"

namespace lumetra::dataset {

WideString LowerName(WideStringView name);

}  // namespace lumetra::dataset
