#include "lumetra/automation/values/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace lumetra {

WideString FormatGeneralNumber(double value, char16_t decimal_separator) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
  if (value == 0) return u"0";

  // "d.dddddddddddddde+XX": the 15 significant digits, correctly rounded.
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  std::string digits;
  const char* p = buffer;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  int exponent = std::atoi(p + 1) + 1;  // magnitude = 0.d1d2...dn * 10^exponent
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out;
  if (value < 0) out += '-';
  const int n = static_cast<int>(digits.size());
  constexpr char kSeparator = '\x01';  // replaced below, so the separator may be any code unit
  if (exponent >= -3 && exponent <= 15) {
    if (exponent <= 0) {
      out += '0';
      out += kSeparator;
      out.append(static_cast<size_t>(-exponent), '0');
      out += digits;
    } else {
      for (int i = 0; i < exponent; ++i) out += i < n ? digits[i] : '0';
      if (n > exponent) {
        out += kSeparator;
        out.append(digits, static_cast<size_t>(exponent));
      }
    }
  } else {
    out += digits[0];
    if (n > 1) {
      out += kSeparator;
      out.append(digits, 1);
    }
    out += 'E';
    out += std::to_string(exponent - 1);
  }

  WideString result;
  result.reserve(out.size());
  for (char c : out) result += c == kSeparator ? decimal_separator : static_cast<char16_t>(c);
  return result;
}

}  // namespace lumetra
