#include "tolvane/integer_text.h"

namespace tolvane {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Consumes a hexadecimal prefix, returning false when there is none.
bool SkipHexPrefix(std::string_view& text) {
  if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
    text.remove_prefix(1);
    return true;
  }
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    return true;
  }
  return false;
}

std::optional<std::uint32_t> ParseHexPattern(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint32_t pattern = 0;
  int significant_digits = 0;
  for (char c : digits) {
    const int value = HexDigitValue(c);
    if (value < 0) return std::nullopt;
    if (significant_digits > 0 || value != 0) ++significant_digits;
    if (significant_digits > 8) return std::nullopt;
    pattern = (pattern << 4) | static_cast<std::uint32_t>(value);
  }
  return pattern;
}

// Magnitude of a decimal number, up to 2^31 so that -2147483648 fits after negation.
std::optional<std::uint32_t> ParseDecimalMagnitude(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  constexpr std::uint64_t kLimit = 2147483648u;
  std::uint64_t magnitude = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
    if (magnitude > kLimit) return std::nullopt;
  }
  return static_cast<std::uint32_t>(magnitude);
}

}  // namespace

std::optional<std::int32_t> ParseInt32(std::string_view text) {
  while (text.starts_with(' ')) text.remove_prefix(1);
  bool negative = false;
  if (text.starts_with('+') || text.starts_with('-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (SkipHexPrefix(text)) {
    const std::optional<std::uint32_t> pattern = ParseHexPattern(text);
    if (!pattern) return std::nullopt;
    const std::uint32_t bits = negative ? 0u - *pattern : *pattern;
    return static_cast<std::int32_t>(bits);
  }
  const std::optional<std::uint32_t> magnitude = ParseDecimalMagnitude(text);
  if (!magnitude) return std::nullopt;
  if (!negative && *magnitude > 2147483647u) return std::nullopt;
  const std::uint32_t bits = negative ? 0u - *magnitude : *magnitude;
  return static_cast<std::int32_t>(bits);
}

}  // namespace tolvane
