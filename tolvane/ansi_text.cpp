#include "tolvane/ansi_text.h"

namespace tolvane {
namespace {

unsigned char LowerAnsi(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A:
      return 0x9A;  // S with caron
    case 0x8C:
      return 0x9C;  // OE ligature
    case 0x8E:
      return 0x9E;  // Z with caron
    case 0x9F:
      return 0xFF;  // Y with diaeresis
    default:
      return c;
  }
}

}  // namespace

std::string AnsiLowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(LowerAnsi(static_cast<unsigned char>(c)));
  return result;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAnsi(static_cast<unsigned char>(a[i])) != LowerAnsi(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string UpperCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return result;
}

}  // namespace tolvane
