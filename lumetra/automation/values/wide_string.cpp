#include "lumetra/automation/values/wide_string.h"

namespace lumetra {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string ToUtf8(WideStringView text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      AppendUtf8(out, cp);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

WideString FromUtf8(std::string_view text) {
  WideString out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    size_t len = 1;
    size_t need = 0;
    char32_t min = 0;
    if (b < 0x80) {
      cp = b;
    } else if ((b & 0xE0) == 0xC0) {
      need = 1, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      need = 2, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      need = 3, cp = b & 0x07, min = 0x10000;
    }
    if (need > 0) {
      size_t j = 1;
      for (; j <= need && i + j < text.size(); ++j) {
        unsigned char cont = static_cast<unsigned char>(text[i + j]);
        if ((cont & 0xC0) != 0x80) break;
        cp = (cp << 6) | (cont & 0x3F);
      }
      if (j == need + 1 && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
        len = need + 1;
      } else {
        cp = 0xFFFD;
        len = j;  // skip the broken sequence as far as it went
      }
    } else if (b >= 0x80) {
      cp = 0xFFFD;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += len;
  }
  return out;
}

}  // namespace lumetra
