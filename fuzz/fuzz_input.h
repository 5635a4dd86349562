// Helpers of the fuzz targets: the fuzz bytes taken apart piece by piece, and
// the checks that end a run with a report when a property does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra::fuzz {

// Reads the fuzz bytes from the front; every read past the end gives zeros or nothing.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  bool empty() const { return rest_.empty(); }
  size_t size() const { return rest_.size(); }

  uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }

  // `count` bytes as an unsigned little-endian number (count <= 8).
  uint64_t Number(size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i) value |= uint64_t{Byte()} << (8 * i);
    return value;
  }

  // Up to `count` bytes.
  std::string_view Bytes(size_t count) {
    const std::string_view taken = rest_.substr(0, count);
    rest_.remove_prefix(taken.size());
    return taken;
  }

  // The bytes up to the next `separator` (dropped) or the end.
  std::string_view Until(char separator) {
    const size_t end = rest_.find(separator);
    const std::string_view taken = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return taken;
  }

  std::string_view Rest() {
    const std::string_view taken = rest_;
    rest_ = {};
    return taken;
  }

 private:
  std::string_view rest_;
};

// Bytes as UTF-16 code units, two bytes each (little-endian): any code unit, lone surrogates too.
inline WideString Utf16Units(std::string_view bytes) {
  WideString text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
  return text;
}

// Ends the run with a report when `holds` is false.
inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property does not hold: %s\n", what);
  std::abort();
}

}  // namespace lumetra::fuzz
