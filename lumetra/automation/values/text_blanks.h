// The blank characters that the readers of this system skip, one named set
// per reader, and trimming by any of them.
#pragma once

#include "lumetra/automation/values/wide_string.h"

namespace lumetra {

// Around numbers and words in the variant conversions.
constexpr bool IsSpaceOrTab(char16_t c) { return c == u' ' || c == u'\t'; }

// Around mail addresses: space, tab, CR and LF.
constexpr bool IsAsciiWhitespace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// Between the tokens of the JSON values that DSToJSON reads: ASCII whitespace,
// the byte order mark and the no-break space.
constexpr bool IsJsonTokenBlank(char16_t c) { return IsAsciiWhitespace(c) || c == 0xFEFF || c == 0xA0; }

template <typename IsBlank>
WideStringView TrimBlanks(WideStringView text, IsBlank is_blank) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace lumetra
