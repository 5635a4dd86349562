#include "lumetra/automation/values/number_text.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "lumetra/automation/values/errors.h"
#include "lumetra/automation/values/text_blanks.h"

namespace lumetra {
namespace {

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// word is lower-case ASCII.
bool EqualsIgnoringCase(WideStringView text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (AsciiLower(text[i]) != static_cast<char16_t>(word[i])) return false;
  }
  return true;
}

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
  text = TrimBlanks(text, IsSpaceOrTab);
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

}  // namespace

WideString Widen(std::string_view ascii) { return WideString(ascii.begin(), ascii.end()); }

std::optional<bool> BooleanWord(WideStringView text) {
  if (EqualsIgnoringCase(text, "true")) return true;
  if (EqualsIgnoringCase(text, "false")) return false;
  return std::nullopt;
}

bool IsDecimalIntegerText(WideStringView text) {
  if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) text.remove_prefix(1);
  if (text.empty()) return false;
  return std::all_of(text.begin(), text.end(), IsAsciiDigit);
}

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

std::optional<double> ParseDecimalNumber(WideStringView text, char16_t separator) {
  const std::optional<DecimalNumberText> number = ScanDecimalNumber(text, separator);
  if (!number) return std::nullopt;
  return DecimalNumberValue(*number);
}

std::optional<bool> IsZeroNumberText(WideStringView text, char16_t separator) {
  const std::optional<DecimalNumberText> number = ScanDecimalNumber(text, separator);
  if (!number) return std::nullopt;
  const auto is_zero = [](const std::string& digits) { return digits.find_first_not_of('0') == std::string::npos; };
  return is_zero(number->integer_digits) && is_zero(number->fraction_digits);
}

std::string PlaceDecimalSeparator(std::string digits, size_t scale, char separator) {
  if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
  std::string integer_part = digits.substr(0, digits.size() - scale);
  std::string fraction_part = digits.substr(digits.size() - scale);
  while (!fraction_part.empty() && fraction_part.back() == '0') fraction_part.pop_back();
  return fraction_part.empty() ? integer_part : integer_part + separator + fraction_part;
}

WideString WithSeparator(std::string_view ascii, char16_t separator) {
  WideString text = Widen(ascii);
  for (char16_t& c : text) {
    if (c == u'.') c = separator;
  }
  return text;
}

}  // namespace lumetra
