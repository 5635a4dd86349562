#include "lumetra/mail/single_bytes.h"

namespace lumetra::mail {

std::string ToSingleBytes(WideStringView text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char16_t unit : text) bytes.push_back(unit <= 0xFF ? static_cast<char>(unit) : '?');
  return bytes;
}

}  // namespace lumetra::mail
