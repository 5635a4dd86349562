// General number format of a double: 15 significant digits, trailing zeros
// dropped, fixed notation for decimal exponents -3..15, scientific otherwise
// ("1E-5", "1.23456789012346E15"). Used for the text conversion of doubles
// (with the regional decimal separator) and for JSON number text (with ".").
#pragma once

#include "lumetra/automation/values/wide_string.h"

namespace lumetra {

// NaN and the infinities give "NAN", "INF" and "-INF".
WideString FormatGeneralNumber(double value, char16_t decimal_separator);

}  // namespace lumetra
