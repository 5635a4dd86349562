// The property of both DSToJSON targets: a non-empty result is a packet that
// loads again (in the packet reader and in a dataset), and the dataset loaded
// from it produces the same text again. (A second DSToJSON is no empty change:
// "M" posts an edit, which the change log records even when nothing changed.)
#pragma once

#include <cstdio>
#include <string>

#include "fuzz_input.h"
#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/dataset.h"
#include "lumetra/dataset/dataset_packet.h"
#include "lumetra/dataset/ds_to_json.h"
#include "lumetra/dataset/packet_reader.h"

namespace lumetra::fuzz {

inline void CheckResultLoadsAgain(const WideString& result) {
  if (result.empty()) return;
  const std::string utf8 = ToUtf8(result);
  try {
    dataset::ReadPacket(utf8);
  } catch (const Error& error) {
    std::fprintf(stderr, "packet reader: %s\n%s\n", error.what(), utf8.c_str());
    Check(false, "a result loads again in the packet reader");
  }
  WideString again;
  try {
    dataset::Dataset loaded;
    dataset::LoadPacket(loaded, result);
    again = dataset::ProducePacket(loaded);
  } catch (const Error& error) {
    std::fprintf(stderr, "load and produce: %s\n%s\n", error.what(), utf8.c_str());
    Check(false, "a result loads again into a dataset");
  }
  if (again != result) {
    std::fprintf(stderr, "first:  %s\nsecond: %s\n", utf8.c_str(), ToUtf8(again).c_str());
    Check(false, "a result loaded and produced again gives the same text");
  }
}

// The whole text of a file of the repository's test packets.
std::string ReadPacketFixture(const char* name);

}  // namespace lumetra::fuzz
