// DSToJSON with the JSON fuzzed, on fixed packets of tests/dataset/packets.
// The first byte picks the packet, the operation and the key; the rest is the
// JSON text (UTF-8). A fixed packet always loads, so nothing may throw.
#include <cstddef>
#include <cstdint>

#include "ds_to_json_check.h"

using lumetra::Variant;
using lumetra::WideString;
using lumetra::fuzz::Check;
namespace dataset = lumetra::dataset;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const WideString packets[] = {
      lumetra::FromUtf8(lumetra::fuzz::ReadPacketFixture("people.xml")),
      lumetra::FromUtf8(lumetra::fuzz::ReadPacketFixture("all_types.xml")),
  };
  static const char16_t* const key_fields[] = {u"ID", u"I4"};
  static const char16_t* const operations[] = {u"M", u"C", u"D"};

  lumetra::fuzz::FuzzInput input(data, size);
  const uint8_t choice = input.Byte();
  const size_t packet = choice & 1;
  const char16_t* const operation = operations[(choice >> 1) % 3];
  const dataset::KeyValue key{Variant::I4((choice >> 3) % 4), std::nullopt};
  const std::string_view json = input.Rest();
  const WideString text = lumetra::FromUtf8(json);

  WideString result;
  try {
    result = dataset::DSToJSON(packets[packet], text, key_fields[packet], key, operation);
  } catch (const lumetra::Error& error) {
    std::fprintf(stderr, "DSToJSON: %s\n", error.what());
    Check(false, "a fixed packet always loads");
  }
  lumetra::fuzz::CheckResultLoadsAgain(result);
  return 0;
}
