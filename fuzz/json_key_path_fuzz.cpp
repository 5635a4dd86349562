// Key paths against a fixed document: JSONGetNodeValue and JSONGetElement with
// fuzzed keys, and the key-path lookup itself. A found element has a live
// handle to an item of the document; asking again gives the same handle, so
// the handles never outnumber the document's items.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "lumetra/json/json_methods.h"
#include "lumetra/json/key_path.h"
#include "lumetra/json/store.h"

using lumetra::Variant;
using lumetra::WideString;
using lumetra::fuzz::Check;
namespace json = lumetra::json;

namespace {

constexpr char16_t kDocument[] =
    uR"({"pedido":{"id":7,"items":[{"sku":"A1","qty":2},{"sku":"B\u00e92","tags":["x","y",[1,[2,{"z":null}]]]}]},)"
    uR"("x.y":{"a\"b":true,"":false,"[0]":"br"},"n":-1.5e3,"s":"t\u0000u","\u00f1":{"$1F":[]},)"
    uR"("arr":[0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32]})";

struct Document {
  Variant handle;
  size_t items = 0;
  Document() {
    const size_t before = json::Store::LiveItemCount();
    json::JSONCreate(kDocument, handle);
    Check(handle.type() == lumetra::vt::I8, "the fixed document loads");
    items = json::Store::LiveItemCount() - before;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Document document;
  const WideString key = lumetra::FromUtf8({reinterpret_cast<const char*>(data), size});

  Variant value;
  json::JSONGetNodeValue(document.handle, key, value);
  Variant element;
  json::JSONGetElement(document.handle, key, element);
  if (element.type() == lumetra::vt::I8) {
    const json::TJSONAncestor item = json::GlobalStore().Resolve(element.signed_value());
    Check(static_cast<bool>(item), "a found element has a live handle");
    Variant again;
    json::JSONGetElement(document.handle, key, again);
    Check(again == element, "the same key finds the same handle");
    WideString text;
    json::JSONFormat(element, text);
    Check(!text.empty(), "a found element formats to some text");
  }
  const auto root = json::As<json::TJSONValue>(json::GlobalStore().Resolve(document.handle.signed_value()));
  Check(static_cast<bool>(root), "the document stays alive");
  json::FindByKeyPath(root, key);
  Check(json::GlobalStore().LiveHandleCount() <= document.items + 1, "handles never outnumber the items");
  return 0;
}
