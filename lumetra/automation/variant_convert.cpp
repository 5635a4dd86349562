#include "lumetra/automation/variant_convert.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "lumetra/automation/errors.h"
#include "lumetra/automation/number_format.h"

namespace lumetra {
namespace {

// ---------------------------------------------------------------------------
// Kind names and the two failure messages.

// Names of the base kinds by type code; an empty entry has no name of its own.
// INT (22) and UINT (23) take the platform's own short names, since "Integer"
// and "Cardinal" already name the 32-bit kinds 3 and 19.
constexpr std::array<std::string_view, 24> kBaseKindNames = {
    "Empty",    "Null",     "Smallint", "Integer",  "Single",   "Double",   // 0-5
    "Currency", "Date",     "OleStr",   "Dispatch", "Error",    "Boolean",  // 6-11
    "Variant",  "Unknown",  "Decimal",  "",         "ShortInt", "Byte",     // 12-17
    "Word",     "Cardinal", "Int64",    "UInt64",   "Int",      "UInt",     // 18-23
};

// A kind without a name of its own is shown by its code: "$0024".
std::string HexKindName(VarTypeCode base) {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string name = "$";
  for (int shift = 12; shift >= 0; shift -= 4) name += kHexDigits[(base >> shift) & 0xF];
  return name;
}

std::string BaseKindName(VarTypeCode base) {
  if (base < kBaseKindNames.size() && !kBaseKindNames[base].empty()) {
    return std::string(kBaseKindNames[base]);
  }
  return HexKindName(base);
}

// The source kind is named as the caller gave it, by-reference marker included
// ("ByRef Null"): the message tells the client what it passed, although the
// conversion itself works on the value referred to.
[[noreturn]] void ThrowConversionError(VarTypeCode source, VarTypeCode target) {
  throw ConversionError("Could not convert variant of type (" + VarTypeName(source) + ") into type (" +
                        VarTypeName(target) + ")");
}

[[noreturn]] void ThrowOverflowError(VarTypeCode source, VarTypeCode target) {
  throw OverflowError("Overflow while converting variant of type (" + VarTypeName(source) + ") into type (" +
                      VarTypeName(target) + ")");
}

// Runs one step that defers to the platform; a failure it reports is raised
// again with the conversion's own message for this source and target.
template <typename Step>
auto WithConversionMessages(VarTypeCode source, VarTypeCode target, Step step) -> decltype(step()) {
  try {
    return step();
  } catch (const OverflowError&) {
    ThrowOverflowError(source, target);
  } catch (const ConversionError&) {
    ThrowConversionError(source, target);
  }
}

// ---------------------------------------------------------------------------
// Numbers.

// Nearest integer, halves to the even neighbour (banker's rounding).
double RoundHalfToEven(double value) {
  if (std::fabs(value - std::trunc(value)) == 0.5) return 2.0 * std::round(value / 2.0);
  return std::round(value);
}

// The rounded value as a 64-bit integer; nullopt outside that range (NaN included).
std::optional<int64_t> RoundToInt64(double value) {
  const double rounded = RoundHalfToEven(value);
  constexpr double kTwoPow63 = 9223372036854775808.0;
  if (!(rounded >= -kTwoPow63 && rounded < kTwoPow63)) return std::nullopt;
  return static_cast<int64_t>(rounded);
}

constexpr int64_t kCurrencyScale = 10000;
constexpr size_t kCurrencyDigits = 4;

// Currency (value * 10000) to the nearest integer, halves to the even neighbour.
int64_t RoundCurrency(int64_t scaled) {
  int64_t whole = scaled / kCurrencyScale;
  const int64_t rest = scaled % kCurrencyScale;  // same sign as scaled
  const int64_t rest_magnitude = rest < 0 ? -rest : rest;
  const int64_t half = kCurrencyScale / 2;
  const bool round_away = rest_magnitude > half || (rest_magnitude == half && whole % 2 != 0);
  if (round_away) whole += rest < 0 ? -1 : 1;
  return whole;
}

// ---------------------------------------------------------------------------
// Text helpers.

WideString Widen(std::string_view ascii) { return WideString(ascii.begin(), ascii.end()); }

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

WideStringView TrimBlanks(WideStringView text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// word is lower-case ASCII.
bool EqualsIgnoringCase(WideStringView text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (AsciiLower(text[i]) != static_cast<char16_t>(word[i])) return false;
  }
  return true;
}

// "True" and "False" in any letter case.
std::optional<bool> BooleanWord(WideStringView text) {
  if (EqualsIgnoringCase(text, "true")) return true;
  if (EqualsIgnoringCase(text, "false")) return false;
  return std::nullopt;
}

// An optional sign followed by decimal digits only, nothing else.
bool IsDecimalIntegerText(WideStringView text) {
  if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char16_t c : text) {
    if (!IsAsciiDigit(c)) return false;
  }
  return true;
}

// The value of a decimal integer text (see IsDecimalIntegerText); nullopt when
// it lies outside [min, max].
std::optional<int64_t> DecimalIntegerValue(WideStringView text, int64_t min, int64_t max) {
  const bool negative = text.front() == u'-';
  if (text.front() == u'+' || text.front() == u'-') text.remove_prefix(1);
  const uint64_t limit = negative ? 0 - static_cast<uint64_t>(min) : static_cast<uint64_t>(max);
  uint64_t magnitude = 0;
  for (char16_t c : text) {
    const auto digit = static_cast<uint64_t>(c - u'0');
    if (magnitude > (limit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

// A decimal number: optional sign, digits with at most one decimal separator
// (at least one digit), optional exponent ("E" or "e", optional sign, digits);
// blanks around it are ignored.
struct DecimalNumberText {
  bool negative = false;
  std::string integer_digits;
  std::string fraction_digits;
  bool exponent_negative = false;
  std::string exponent_digits;
};

size_t TakeDigits(WideStringView text, size_t pos, std::string& digits) {
  while (pos < text.size() && IsAsciiDigit(text[pos])) digits += static_cast<char>(text[pos++]);
  return pos;
}

std::optional<DecimalNumberText> ScanDecimalNumber(WideStringView text, char16_t separator) {
  text = TrimBlanks(text);
  DecimalNumberText number;
  size_t pos = 0;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) number.negative = text[pos++] == u'-';
  pos = TakeDigits(text, pos, number.integer_digits);
  if (pos < text.size() && text[pos] == separator) pos = TakeDigits(text, pos + 1, number.fraction_digits);
  if (number.integer_digits.empty() && number.fraction_digits.empty()) return std::nullopt;
  if (pos < text.size() && (text[pos] == u'E' || text[pos] == u'e')) {
    ++pos;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) number.exponent_negative = text[pos++] == u'-';
    pos = TakeDigits(text, pos, number.exponent_digits);
    if (number.exponent_digits.empty()) return std::nullopt;
  }
  if (pos != text.size()) return std::nullopt;
  return number;
}

// Decimal exponent of the leading non-zero digit plus one (0.d1d2... * 10^n);
// only its sign matters, so it saturates.
int64_t MagnitudeExponent(const DecimalNumberText& number) {
  constexpr int64_t kSaturation = 1'000'000'000;
  int64_t exponent = 0;
  for (char c : number.exponent_digits) exponent = std::min(exponent * 10 + (c - '0'), kSaturation);
  if (number.exponent_negative) exponent = -exponent;
  const size_t first_integer_digit = number.integer_digits.find_first_not_of('0');
  if (first_integer_digit != std::string::npos) {
    return exponent + static_cast<int64_t>(number.integer_digits.size() - first_integer_digit);
  }
  const size_t first_fraction_digit = number.fraction_digits.find_first_not_of('0');
  return exponent - static_cast<int64_t>(first_fraction_digit);
}

// The double nearest to the number; throws OverflowError beyond the double
// range; a number too small for a double is zero.
double DecimalNumberValue(const DecimalNumberText& number) {
  std::string ascii = number.integer_digits.empty() ? "0" : number.integer_digits;
  if (!number.fraction_digits.empty()) ascii += "." + number.fraction_digits;
  if (!number.exponent_digits.empty()) ascii += (number.exponent_negative ? "e-" : "e") + number.exponent_digits;
  double value = 0;
  const std::from_chars_result parsed = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (parsed.ec == std::errc::result_out_of_range) {
    if (MagnitudeExponent(number) > 0) throw OverflowError("Floating point overflow");
    value = 0;
  }
  return number.negative ? -value : value;
}

// A decimal number text with the given separator; nullopt when the text is
// not one, OverflowError beyond the double range.
std::optional<double> ParseDecimalNumber(WideStringView text, char16_t separator) {
  const std::optional<DecimalNumberText> number = ScanDecimalNumber(text, separator);
  if (!number) return std::nullopt;
  return DecimalNumberValue(*number);
}

// Whether a decimal number text is zero; nullopt when the text is not one.
std::optional<bool> IsZeroNumberText(WideStringView text, char16_t separator) {
  const std::optional<DecimalNumberText> number = ScanDecimalNumber(text, separator);
  if (!number) return std::nullopt;
  const auto is_zero = [](const std::string& digits) { return digits.find_first_not_of('0') == std::string::npos; };
  return is_zero(number->integer_digits) && is_zero(number->fraction_digits);
}

// Digits with the separator put `scale` digits from the right, trailing
// fraction zeros dropped: ("15000", 4) gives "1.5", ("5", 4) gives "0.0005".
std::string PlaceDecimalSeparator(std::string digits, size_t scale, char separator) {
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  std::string integer_part = digits.substr(0, digits.size() - scale);
  std::string fraction_part = digits.substr(digits.size() - scale);
  while (!fraction_part.empty() && fraction_part.back() == '0') fraction_part.pop_back();
  return fraction_part.empty() ? integer_part : integer_part + separator + fraction_part;
}

// ASCII text with the marker '.' replaced by the regional separator.
WideString WithSeparator(std::string_view ascii, char16_t separator) {
  WideString text = Widen(ascii);
  for (char16_t& c : text) {
    if (c == u'.') c = separator;
  }
  return text;
}

// ---------------------------------------------------------------------------
// The platform's DECIMAL.

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

bool IsZero(const DecimalValue& value) { return value.hi32 == 0 && value.lo64 == 0; }

// Exact text with '.' as separator, trailing fraction zeros dropped.
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

// Rounded half to even; OverflowError outside the 32-bit range.
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

// ---------------------------------------------------------------------------
// Dates: day number 0 is 30 December 1899; the fraction is the time of day,
// counted away from day 0 (-1.25 is 29 December 1899, 6:00).

struct CivilDate {
  int64_t year;
  int month;
  int day;
};

// Days since 1970-01-01 to the proleptic Gregorian date.
CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t month_index = (5 * day_of_year + 2) / 153;
  const int day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
  const int month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
  return {year_of_era + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

constexpr int64_t kDayNumberOfUnixEpoch = 25569;
constexpr double kFirstDayNumber = -657434;      // 1 January 100
constexpr double kLastDayNumber = 2958466;       // 1 January 10000, excluded
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

// ---------------------------------------------------------------------------
// The conversions' common steps.

// The platform's conversion of a kind the tables leave to it; nullopt when it
// cannot convert or answers with another kind.
std::optional<Variant> PlatformChangeType(const Variant& value, VarTypeCode target) {
  std::optional<Variant> result = CurrentPlatformConversions().ChangeType(value, target);
  if (result && result->type() != target) return std::nullopt;
  return result;
}

int64_t ToInt64OrOverflow(double value, VarTypeCode source) {
  const std::optional<int64_t> rounded = RoundToInt64(value);
  if (!rounded) ThrowOverflowError(source, vt::I8);
  return *rounded;
}

// A 32-bit platform step that overflows leaves the decision to the double step
// that follows it: the value may still fit 64 bits.
template <typename Step>
std::optional<int32_t> Int32StepOrNothing(Step step) {
  try {
    return step();
  } catch (const OverflowError&) {
    return std::nullopt;
  }
}

// The platform's 32-bit integer conversion, else its double conversion, rounded.
template <typename Int32Step, typename DoubleStep>
std::optional<int64_t> Int64ByPlatform(VarTypeCode source, Int32Step int32_step, DoubleStep double_step) {
  const std::optional<int32_t> integer =
      WithConversionMessages(source, vt::I8, [&] { return Int32StepOrNothing(int32_step); });
  if (integer) return *integer;
  const std::optional<double> number = WithConversionMessages(source, vt::I8, double_step);
  if (number) return ToInt64OrOverflow(*number, source);
  return std::nullopt;
}

int64_t Int64FromString(WideStringView text, VarTypeCode source) {
  if (IsDecimalIntegerText(text)) {
    const std::optional<int64_t> value =
        DecimalIntegerValue(text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
    if (!value) ThrowOverflowError(source, vt::I8);
    return *value;
  }
  const PlatformConversions& platform = CurrentPlatformConversions();
  const std::optional<int64_t> by_platform = Int64ByPlatform(
      source, [&] { return platform.I4FromStr(text); }, [&] { return platform.R8FromStr(text); });
  if (by_platform) return *by_platform;
  if (const std::optional<bool> word = BooleanWord(text)) return *word ? 1 : 0;
  ThrowConversionError(source, vt::I8);
}

int64_t Int64ByChangeType(const Variant& value, VarTypeCode source) {
  const auto as_int32 = [&]() -> std::optional<int32_t> {
    const std::optional<Variant> result = PlatformChangeType(value, vt::I4);
    if (!result) return std::nullopt;
    return static_cast<int32_t>(result->signed_value());
  };
  const auto as_double = [&]() -> std::optional<double> {
    const std::optional<Variant> result = PlatformChangeType(value, vt::R8);
    if (!result) return std::nullopt;
    return result->double_value();
  };
  const std::optional<int64_t> integer = Int64ByPlatform(source, as_int32, as_double);
  if (!integer) ThrowConversionError(source, vt::I8);
  return *integer;
}

double DoubleFromString(WideStringView text, VarTypeCode source) {
  const std::optional<double> value = WithConversionMessages(source, vt::R8, [&]() -> std::optional<double> {
    if (const std::optional<double> by_platform = CurrentPlatformConversions().R8FromStr(text)) return by_platform;
    return ParseDecimalNumber(text, DecimalSeparator());
  });
  if (!value) ThrowConversionError(source, vt::R8);
  return *value;
}

bool BoolFromString(WideStringView text, VarTypeCode source) {
  const std::optional<bool> by_platform =
      WithConversionMessages(source, vt::Bool, [&] { return CurrentPlatformConversions().BoolFromStr(text); });
  if (by_platform) return *by_platform;
  if (const std::optional<bool> word = BooleanWord(text)) return *word;
  if (const std::optional<bool> is_zero = IsZeroNumberText(text, DecimalSeparator())) return !*is_zero;
  ThrowConversionError(source, vt::Bool);
}

// The platform's conversion of a kind the tables leave to it; its result has the target kind.
Variant ByChangeType(const Variant& value, VarTypeCode source, VarTypeCode target) {
  std::optional<Variant> result =
      WithConversionMessages(source, target, [&] { return PlatformChangeType(value, target); });
  if (!result) ThrowConversionError(source, target);
  return std::move(*result);
}

std::atomic<char16_t> g_decimal_separator{u'.'};
std::atomic<const PlatformConversions*> g_platform_conversions{nullptr};

}  // namespace

// ---------------------------------------------------------------------------

std::string VarTypeName(VarTypeCode type) {
  std::string name = BaseKindName(type & vt::TypeMask);
  if ((type & vt::Array) != 0) name = "Array " + name;
  if ((type & vt::ByRef) != 0) name = "ByRef " + name;
  return name;
}

char16_t DecimalSeparator() { return g_decimal_separator.load(); }

void SetDecimalSeparator(char16_t separator) { g_decimal_separator.store(separator); }

int64_t VariantToInt64(const Variant& value) {
  const VarTypeCode source = value.type();
  const Variant& v = value.deref();
  switch (v.type()) {
    case vt::Empty:
      return 0;
    case vt::Null:
      ThrowConversionError(source, vt::I8);
    case vt::I1:
    case vt::I2:
    case vt::I4:
    case vt::I8:
    case vt::Int:
    case vt::Bool:
      return v.signed_value();
    case vt::UI1:
    case vt::UI2:
    case vt::UI4:
    case vt::UInt:
    case vt::UI8:
      if (v.unsigned_value() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        ThrowOverflowError(source, vt::I8);
      }
      return static_cast<int64_t>(v.unsigned_value());
    case vt::R4:
      return ToInt64OrOverflow(v.single_value(), source);
    case vt::R8:
    case vt::Date:
      return ToInt64OrOverflow(v.double_value(), source);
    case vt::Cy:
      return RoundCurrency(v.currency_scaled());
    case vt::BStr:
      return Int64FromString(v.string_value(), source);
    default:
      return Int64ByChangeType(v, source);
  }
}

WideString VariantToText(const Variant& value) {
  const VarTypeCode source = value.type();
  const Variant& v = value.deref();
  const PlatformConversions& platform = CurrentPlatformConversions();
  switch (v.type()) {
    case vt::Empty:
      return WideString();
    case vt::Null:
      ThrowConversionError(source, vt::BStr);
    case vt::I1:
    case vt::I2:
    case vt::I4:
    case vt::I8:
    case vt::Int:
      return Widen(std::to_string(v.signed_value()));
    case vt::UI1:
    case vt::UI2:
    case vt::UI4:
    case vt::UI8:
    case vt::UInt:
      return Widen(std::to_string(v.unsigned_value()));
    case vt::R4:
      return FormatGeneralNumber(v.single_value(), DecimalSeparator());
    case vt::R8:
      return FormatGeneralNumber(v.double_value(), DecimalSeparator());
    case vt::Cy:
      return WithConversionMessages(source, vt::BStr, [&] { return platform.BstrFromCy(v.currency_scaled()); });
    case vt::Date:
      return WithConversionMessages(source, vt::BStr, [&] { return platform.BstrFromDate(v.double_value()); });
    case vt::Bool:
      return v.bool_value() ? u"True" : u"False";
    case vt::BStr:
      return v.string_value();
    default:
      return ByChangeType(v, source, vt::BStr).string_value();
  }
}

double VariantToDouble(const Variant& value) {
  const VarTypeCode source = value.type();
  const Variant& v = value.deref();
  switch (v.type()) {
    case vt::Empty:
      return 0;
    case vt::Null:
      ThrowConversionError(source, vt::R8);
    case vt::I1:
    case vt::I2:
    case vt::I4:
    case vt::I8:
    case vt::Int:
    case vt::Bool:
      return static_cast<double>(v.signed_value());
    case vt::UI1:
    case vt::UI2:
    case vt::UI4:
    case vt::UI8:
    case vt::UInt:
      return static_cast<double>(v.unsigned_value());
    case vt::R4:
      return v.single_value();
    case vt::R8:
    case vt::Date:
      return v.double_value();
    case vt::Cy:
      return static_cast<double>(v.currency_scaled()) / kCurrencyScale;
    case vt::BStr:
      return DoubleFromString(v.string_value(), source);
    default:
      return ByChangeType(v, source, vt::R8).double_value();
  }
}

bool VariantToBool(const Variant& value) {
  const VarTypeCode source = value.type();
  const Variant& v = value.deref();
  switch (v.type()) {
    case vt::Empty:
      return false;
    case vt::Null:
      ThrowConversionError(source, vt::Bool);
    case vt::I1:
    case vt::I2:
    case vt::I4:
    case vt::I8:
    case vt::Int:
    case vt::Bool:
    case vt::Cy:
      return v.signed_value() != 0;
    case vt::UI1:
    case vt::UI2:
    case vt::UI4:
    case vt::UI8:
    case vt::UInt:
      return v.unsigned_value() != 0;
    case vt::R4:
      return v.single_value() != 0;
    case vt::R8:
    case vt::Date:
      return v.double_value() != 0;
    case vt::BStr:
      return BoolFromString(v.string_value(), source);
    default:
      return ByChangeType(v, source, vt::Bool).bool_value();
  }
}

// ---------------------------------------------------------------------------
// Portable stand-ins for the platform's variant functions. They agree with
// the platform for decimal integers and numbers, "True" and "False"; the
// platform's other forms (thousands separators, currency symbols, hexadecimal
// "&H", localized words) are not recognised.

// Blanks around, optional sign, decimal digits.
std::optional<int32_t> PlatformConversions::I4FromStr(WideStringView text) const {
  text = TrimBlanks(text);
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
  text = TrimBlanks(text);
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
// a time of day, "h:nn:ss AM" alone on day 0. Throws ConversionError outside
// the dates the platform knows (years 100 to 9999).
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
    const CivilDate date = CivilFromDays(day - kDayNumberOfUnixEpoch);
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
  static const PlatformConversions portable_defaults;
  const PlatformConversions* installed = g_platform_conversions.load();
  return installed != nullptr ? *installed : portable_defaults;
}

void SetPlatformConversions(const PlatformConversions* conversions) { g_platform_conversions.store(conversions); }

}  // namespace lumetra
