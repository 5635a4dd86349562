// Decimal arithmetic of the automation values: rounding half to even, the
// currency kind (an integer scaled by 10000) and the platform's DECIMAL
// (a 96-bit magnitude scaled by 10^-scale).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "lumetra/automation/values/variant.h"

namespace lumetra {

// Nearest integer, halves to the even neighbour (banker's rounding).
double RoundHalfToEven(double value);

// The rounded value as a 64-bit integer; nullopt outside that range (NaN included).
std::optional<int64_t> RoundToInt64(double value);

inline constexpr int64_t kCurrencyScale = 10000;
inline constexpr size_t kCurrencyDigits = 4;

// Currency (value * 10000) to the nearest integer, halves to the even neighbour.
int64_t RoundCurrency(int64_t scaled);

bool IsZero(const DecimalValue& value);

// Exact text with '.' as separator, trailing fraction zeros dropped.
std::string DecimalAsciiText(const DecimalValue& value);

// The nearest double.
double DecimalToDouble(const DecimalValue& value);

// Rounded half to even; OverflowError outside the 32-bit range.
int32_t DecimalToInt32(const DecimalValue& value);

}  // namespace lumetra
