// The JSON reader through the automation methods: text that loads is formatted,
// the formatted text loads again and formats to the same text, and freeing
// both documents leaves the store, its handles and the item memory as before.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "lumetra/json/item_pool.h"
#include "lumetra/json/json_methods.h"
#include "lumetra/json/reader.h"
#include "lumetra/json/store.h"
#include "lumetra/json/writer.h"

using lumetra::Variant;
using lumetra::WideString;
using lumetra::fuzz::Check;
namespace json = lumetra::json;

namespace {

bool IsHandle(const Variant& value) { return value.type() == lumetra::vt::I8 && value.signed_value() != 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const WideString text = lumetra::FromUtf8({reinterpret_cast<const char*>(data), size});
  json::Store& store = json::GlobalStore();
  const size_t roots = store.RootCount();
  const size_t handles = store.LiveHandleCount();
  const size_t items = json::Store::LiveItemCount();
  const size_t blocks = json::ItemMemory().BlocksInUse();

  Variant first;
  json::JSONCreate(text, first);
  // The reader on its own agrees with the method.
  const bool parsed = static_cast<bool>(json::ParseJSON(text));
  if (!IsHandle(first)) {
    Check(!parsed, "ParseJSON accepts what JSONCreate refuses");
    Check(first.type() == lumetra::vt::I8 && first.signed_value() == 0, "text that is not JSON gives the handle 0");
  } else {
    Check(parsed, "JSONCreate accepts what ParseJSON refuses");
    WideString formatted;
    json::JSONFormat(first, formatted);
    Variant second;
    json::JSONCreate(formatted, second);
    Check(IsHandle(second), "the formatted text loads again");
    WideString again;
    json::JSONFormat(second, again);
    Check(again == formatted, "the formatted text formats to itself");
    json::JSONFree(second);
    json::JSONFree(first);
  }
  Check(store.RootCount() == roots, "freeing gives back every root");
  Check(store.LiveHandleCount() == handles, "freeing gives back every handle");
  Check(json::Store::LiveItemCount() == items, "freeing destroys every item");
  Check(json::ItemMemory().BlocksInUse() == blocks, "freeing gives back every block");
  return 0;
}
