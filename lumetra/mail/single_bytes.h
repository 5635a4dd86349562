// The one-byte-per-character rule used for the SMTP credentials and the HTML
// body: each UTF-16 code unit U+0000..U+00FF becomes that byte, every other
// code unit becomes "?" (so a character outside the BMP becomes "??").
#pragma once

#include <string>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra::mail {

std::string ToSingleBytes(WideStringView text);

}  // namespace lumetra::mail
