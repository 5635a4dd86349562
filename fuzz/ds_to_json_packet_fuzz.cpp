// DSToJSON with the packet fuzzed (UTF-8) and a fixed JSON change: a packet
// that cannot be loaded throws lumetra::Error, and a result loads again.
#include <cstddef>
#include <cstdint>

#include "ds_to_json_check.h"

using lumetra::Variant;
using lumetra::WideString;
namespace dataset = lumetra::dataset;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const WideString packet = lumetra::FromUtf8({reinterpret_cast<const char*>(data), size});
  const dataset::KeyValue key{Variant::I4(1), std::nullopt};
  constexpr char16_t kChange[] = uR"({"NAME":"Zoe","AGE":7,"S":"x","I4":3,"PETS":[{"PET":"gato","LEGS":4}]})";
  WideString result;
  try {
    result = dataset::DSToJSON(packet, kChange, u"ID", key, u"M");
  } catch (const lumetra::Error&) {
    return 0;  // a packet that cannot be loaded
  }
  lumetra::fuzz::CheckResultLoadsAgain(result);
  return 0;
}
