// Conversion of a whole text to a 32-bit signed integer, as ini values are read.
// Accepted: optional leading spaces, an optional "+" or "-", then either decimal digits
// (within -2147483648..2147483647) or hexadecimal digits after "$", "x", "X", "0x" or "0X"
// (at most 8 significant digits, taken as a 32-bit pattern: $FFFFFFFF is -1).
// A leading "-" negates either form. Anything else, including empty text, gives nullopt.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tolvane {

std::optional<std::int32_t> ParseInt32(std::string_view text);

}  // namespace tolvane
