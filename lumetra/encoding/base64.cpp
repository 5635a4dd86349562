#include "lumetra/encoding/base64.h"

#include <array>
#include <cstdint>

namespace lumetra {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kGroupsPerLine = 19;  // 76 characters

constexpr std::array<int8_t, 256> MakeDecodeTable() {
  std::array<int8_t, 256> table{};
  for (auto& entry : table) entry = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
  return table;
}
constexpr std::array<int8_t, 256> kDecode = MakeDecodeTable();

}  // namespace

std::string EncodeBase64(std::string_view bytes) {
  const size_t groups = (bytes.size() + 2) / 3;
  std::string out;
  out.reserve(groups * 4 + (groups / kGroupsPerLine) * 2);
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t i = 0;
  size_t groups_on_line = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = (uint32_t{in[i]} << 16) | (uint32_t{in[i + 1]} << 8) | in[i + 2];
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
    if (++groups_on_line == kGroupsPerLine) {
      out += "\r\n";
      groups_on_line = 0;
    }
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    const uint32_t v = (uint32_t{in[i]} << 16) | (rest == 2 ? uint32_t{in[i + 1]} << 8 : 0);
    out += kAlphabet[v >> 18];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string DecodeBase64(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  uint32_t bits = 0;
  int count = 0;
  for (unsigned char c : text) {
    const int8_t value = kDecode[c];
    if (value < 0) continue;
    bits = (bits << 6) | static_cast<uint32_t>(value);
    if (++count == 4) {
      out += static_cast<char>(bits >> 16);
      out += static_cast<char>(bits >> 8);
      out += static_cast<char>(bits);
      bits = 0;
      count = 0;
    }
  }
  // A tail of 2 or 3 characters gives 1 or 2 bytes; leftover bits are dropped unchecked.
  if (count == 2) {
    out += static_cast<char>(bits >> 4);
  } else if (count == 3) {
    out += static_cast<char>(bits >> 10);
    out += static_cast<char>(bits >> 2);
  }
  return out;
}

}  // namespace lumetra
