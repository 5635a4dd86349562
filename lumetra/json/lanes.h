// Four UTF-16 code units read as one 64-bit word ("lanes"), for the scans of
// long texts. The word is loaded with memcpy in the machine's order, so lane 0
// (the first code unit) is the low 16 bits on the little-endian machines we
// build for. Each test below is exact for "does any lane ...": a borrow can
// only mark lanes after the first that truly matches, so the lowest marked
// lane is always a true match.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace lumetra::json::lanes {

static_assert(std::endian::native == std::endian::little, "lane 0 must be the first code unit");

constexpr uint64_t Broadcast(uint16_t unit) { return uint64_t{unit} * 0x0001000100010001u; }

inline uint64_t Load(const char16_t* units) {
  uint64_t word;
  std::memcpy(&word, units, sizeof word);
  return word;
}

// The top bit of a lane is set where the lane is below `limit` (at most
// 0x8000), and possibly in later lanes.
constexpr uint64_t Below(uint64_t word, uint16_t limit) {
  return (word - Broadcast(limit)) & ~word & Broadcast(0x8000);
}

// The top bit of a lane is set where the lane equals `unit`, and possibly in later lanes.
constexpr uint64_t Equal(uint64_t word, uint16_t unit) { return Below(word ^ Broadcast(unit), 1); }

// The index (0-3) of the first marked lane of a non-zero mark word.
inline unsigned FirstMarked(uint64_t marks) { return static_cast<unsigned>(std::countr_zero(marks)) / 16; }

}  // namespace lumetra::json::lanes
