// Portable stand-ins for the platform's variant functions. They agree with
// the platform for decimal integers and numbers, "True" and "False"; the
// platform's other forms (thousands separators, currency symbols, hexadecimal
// "&H", localized words) are not recognised.
#include <atomic>
#include <cmath>
#include <limits>
#include <string>

#include "lumetra/automation/values/day_number.h"
#include "lumetra/automation/values/decimal.h"
#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/number_text.h"
#include "lumetra/automation/values/platform_conversions.h"
#include "lumetra/automation/values/text_blanks.h"

namespace lumetra {
namespace {

constexpr double kFirstDayNumber = -657434;  // 1 January 100
constexpr double kLastDayNumber = 2958466;   // 1 January 10000, excluded
constexpr int64_t kSecondsPerDay = 86400;

std::string TwoDigits(int64_t n) {
  std::string digits = std::to_string(n);
  if (digits.size() < 2) digits.insert(digits.begin(), '0');
  return digits;
}

std::string TimeOfDayText(int64_t seconds) {
  const int64_t hour = seconds / 3600;
  const int64_t hour12 = hour % 12 == 0 ? 12 : hour % 12;
  return std::to_string(hour12) + ":" + TwoDigits(seconds / 60 % 60) + ":" + TwoDigits(seconds % 60) +
         (hour < 12 ? " AM" : " PM");
}

std::atomic<const PlatformConversions*> g_platform_conversions{nullptr};

}  // namespace

// Blanks around, optional sign, decimal digits.
std::optional<int32_t> PlatformConversions::I4FromStr(WideStringView text) const {
  text = TrimBlanks(text, IsSpaceOrTab);
  if (!IsDecimalIntegerText(text)) return std::nullopt;
  const std::optional<int64_t> value =
      DecimalIntegerValue(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  if (!value) throw OverflowError("Integer overflow");
  return static_cast<int32_t>(*value);
}

// Blanks around, optional sign, digits with the regional decimal separator, optional exponent.
std::optional<double> PlatformConversions::R8FromStr(WideStringView text) const {
  return ParseDecimalNumber(text, DecimalSeparator());
}

// "True"/"False" in any letter case, or a number (true when not zero); blanks around.
std::optional<bool> PlatformConversions::BoolFromStr(WideStringView text) const {
  text = TrimBlanks(text, IsSpaceOrTab);
  if (const std::optional<bool> word = BooleanWord(text)) return word;
  if (const std::optional<bool> is_zero = IsZeroNumberText(text, DecimalSeparator())) return !*is_zero;
  return std::nullopt;
}

// The exact amount with the regional decimal separator, trailing zeros dropped: "-1234.5".
WideString PlatformConversions::BstrFromCy(int64_t scaled_by_10000) const {
  const bool negative = scaled_by_10000 < 0;
  const auto scaled = static_cast<uint64_t>(scaled_by_10000);
  const uint64_t magnitude = negative ? 0 - scaled : scaled;
  const std::string text = PlaceDecimalSeparator(std::to_string(magnitude), kCurrencyDigits, '.');
  return WithSeparator(negative ? "-" + text : text, DecimalSeparator());
}

// A fixed United States layout: "M/D/YYYY", "M/D/YYYY h:nn:ss AM" when there is
// a time of day, "h:nn:ss AM" alone on day 0. The fraction is the time of day,
// counted away from day 0 (-1.25 is 29 December 1899, 6:00). Throws
// ConversionError outside the dates the platform knows (years 100 to 9999).
WideString PlatformConversions::BstrFromDate(double day_number) const {
  if (!(day_number >= kFirstDayNumber && day_number < kLastDayNumber)) throw ConversionError("Invalid date");
  int64_t day = static_cast<int64_t>(std::trunc(day_number));
  int64_t seconds = std::llround(std::fabs(day_number - std::trunc(day_number)) * kSecondsPerDay);
  if (seconds == kSecondsPerDay) {
    seconds = 0;
    day += day_number < 0 ? -1 : 1;
  }
  std::string text;
  if (day != 0) {
    const CivilDate date = CivilFromDayNumber(day);
    text = std::to_string(date.month) + "/" + std::to_string(date.day) + "/" + std::to_string(date.year);
  }
  if (day == 0 || seconds != 0) {
    if (!text.empty()) text += ' ';
    text += TimeOfDayText(seconds);
  }
  return Widen(text);
}

// Only decimals: to a 32-bit integer rounded half to even (OverflowError
// beyond its range), double, exact text with the regional separator, or
// boolean. Errors, objects, arrays and every other kind: nullopt.
std::optional<Variant> PlatformConversions::ChangeType(const Variant& value, VarTypeCode target) const {
  const Variant& v = value.deref();
  if (v.type() != vt::Decimal) return std::nullopt;
  const DecimalValue& decimal = v.decimal_value();
  switch (target) {
    case vt::I4:
      return Variant::I4(DecimalToInt32(decimal));
    case vt::R8:
      return Variant::R8(DecimalToDouble(decimal));
    case vt::BStr:
      return Variant::String(WithSeparator(DecimalAsciiText(decimal), DecimalSeparator()));
    case vt::Bool:
      return Variant::Bool(!IsZero(decimal));
    default:
      return std::nullopt;
  }
}

const PlatformConversions& CurrentPlatformConversions() {
  static const PlatformConversions portable_stand_ins;
  const PlatformConversions* installed = g_platform_conversions.load();
  return installed != nullptr ? *installed : portable_stand_ins;
}

void SetPlatformConversions(const PlatformConversions* conversions) { g_platform_conversions.store(conversions); }

}  // namespace lumetra
