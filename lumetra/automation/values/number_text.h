// Reading the number and word texts that scripts pass as strings: decimal
// integers, decimal numbers with a given decimal separator, "True"/"False".
// Pure functions: the regional separator is always passed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra {

// ASCII text as UTF-16.
WideString Widen(std::string_view ascii);

// "True" and "False" in any letter case; nothing around them.
std::optional<bool> BooleanWord(WideStringView text);

// An optional sign followed by decimal digits only, nothing else.
bool IsDecimalIntegerText(WideStringView text);

// The value of a decimal integer text (see IsDecimalIntegerText); nullopt when
// it lies outside [min, max].
std::optional<int64_t> DecimalIntegerValue(WideStringView text, int64_t min, int64_t max);

// A decimal number: optional sign, digits with at most one decimal separator
// (at least one digit), optional exponent ("E" or "e", optional sign, digits);
// spaces and tabs around it are ignored. nullopt when the text is not one;
// OverflowError beyond the double range; a number too small for a double is zero.
std::optional<double> ParseDecimalNumber(WideStringView text, char16_t separator);

// Whether a decimal number text (as above) is zero; nullopt when the text is not one.
std::optional<bool> IsZeroNumberText(WideStringView text, char16_t separator);

// Digits with the separator put `scale` digits from the right, trailing
// fraction zeros dropped: ("15000", 4) gives "1.5", ("5", 4) gives "0.0005".
std::string PlaceDecimalSeparator(std::string digits, size_t scale, char separator);

// ASCII text with the marker '.' replaced by the regional separator.
WideString WithSeparator(std::string_view ascii, char16_t separator);

}  // namespace lumetra
