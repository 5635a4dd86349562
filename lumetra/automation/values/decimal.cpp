#include "lumetra/automation/values/decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/number_text.h"

namespace lumetra {
namespace {

// The unscaled 96-bit magnitude in decimal digits ("0" for zero).
std::string DecimalMagnitudeDigits(const DecimalValue& value) {
  std::array<uint32_t, 3> limbs = {value.hi32, static_cast<uint32_t>(value.lo64 >> 32),
                                   static_cast<uint32_t>(value.lo64)};
  std::string digits;
  bool nonzero = true;
  while (nonzero) {
    uint64_t remainder = 0;
    nonzero = false;
    for (uint32_t& limb : limbs) {
      const uint64_t current = (remainder << 32) | limb;
      limb = static_cast<uint32_t>(current / 10);
      remainder = current % 10;
      nonzero = nonzero || limb != 0;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + remainder));
  }
  return digits;
}

}  // namespace

double RoundHalfToEven(double value) {
  if (std::fabs(value - std::trunc(value)) == 0.5) return 2.0 * std::round(value / 2.0);
  return std::round(value);
}

std::optional<int64_t> RoundToInt64(double value) {
  const double rounded = RoundHalfToEven(value);
  constexpr double kTwoPow63 = 9223372036854775808.0;
  if (!(rounded >= -kTwoPow63 && rounded < kTwoPow63)) return std::nullopt;
  return static_cast<int64_t>(rounded);
}

int64_t RoundCurrency(int64_t scaled) {
  int64_t whole = scaled / kCurrencyScale;
  const int64_t rest = scaled % kCurrencyScale;  // same sign as scaled
  const int64_t rest_magnitude = rest < 0 ? -rest : rest;
  const int64_t half = kCurrencyScale / 2;
  const bool round_away = rest_magnitude > half || (rest_magnitude == half && whole % 2 != 0);
  if (round_away) whole += rest < 0 ? -1 : 1;
  return whole;
}

bool IsZero(const DecimalValue& value) { return value.hi32 == 0 && value.lo64 == 0; }

std::string DecimalAsciiText(const DecimalValue& value) {
  const std::string text = PlaceDecimalSeparator(DecimalMagnitudeDigits(value), value.scale, '.');
  return value.negative && !IsZero(value) ? "-" + text : text;
}

double DecimalToDouble(const DecimalValue& value) {
  const std::string text = DecimalAsciiText(value);
  double result = 0;
  std::from_chars(text.data(), text.data() + text.size(), result);
  return result;
}

int32_t DecimalToInt32(const DecimalValue& value) {
  std::string digits = DecimalMagnitudeDigits(value);
  if (digits.size() <= value.scale) digits.insert(0, value.scale + 1 - digits.size(), '0');
  const size_t integer_length = digits.size() - value.scale;
  std::string integer_digits = digits.substr(0, integer_length);
  const std::string fraction_digits = digits.substr(integer_length);
  integer_digits.erase(0, std::min(integer_digits.find_first_not_of('0'), integer_digits.size() - 1));
  if (integer_digits.size() > 10) throw OverflowError("Decimal overflow");

  int64_t magnitude = std::stoll(integer_digits);
  if (!fraction_digits.empty()) {
    const char first = fraction_digits.front();
    const bool rest_nonzero = fraction_digits.find_first_not_of('0', 1) != std::string::npos;
    const bool is_odd = magnitude % 2 != 0;
    if (first > '5' || (first == '5' && (rest_nonzero || is_odd))) ++magnitude;
  }
  const int64_t result = value.negative ? -magnitude : magnitude;
  if (result < std::numeric_limits<int32_t>::min() || result > std::numeric_limits<int32_t>::max()) {
    throw OverflowError("Decimal overflow");
  }
  return static_cast<int32_t>(result);
}

}  // namespace lumetra
