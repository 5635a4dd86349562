// Calls the LumetraCOM object the way a script does: build and read a JSON
// document through handles, write it back as text, free it, write Base64
// files and ask for the version. Usage: lumetra_demo OUTPUT_FOLDER
#include <filesystem>
#include <iostream>

#include "lumetra/automation/lumetra_com.h"
#include "lumetra/automation/values/variant_convert.h"

namespace {

using lumetra::Variant;
using lumetra::WideString;

class PrintingReporter : public lumetra::ErrorReporter {
 public:
  bool Report(const lumetra::ErrorInfo& info) noexcept override {
    std::cout << "  automation error from " << lumetra::ToUtf8(info.source) << ": " << lumetra::ToUtf8(info.description)
              << "\n";
    return true;
  }
};

std::string Show(const Variant& v) {
  if (v.type() == lumetra::vt::Null) return "Null (VarType 1)";
  std::string shown = "\"";
  shown += lumetra::ToUtf8(lumetra::VariantToText(v));
  shown += "\" (VarType " + std::to_string(v.type()) + ")";
  return shown;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : "demo-output";
  std::filesystem::create_directories(folder);

  PrintingReporter reporter;
  lumetra::LumetraCOM com(reporter);

  WideString version;
  com.Version(version);
  std::cout << "Lumetra " << lumetra::ToUtf8(version) << "\n";

  Variant root;
  com.JSONCreate(u"{\"order\": {\"id\": 1.50, \"lines\": [{\"sku\": \"A-1\"}, {\"sku\": \"B/2\"}]}, \"paid\": true}",
                 root);
  std::cout << "JSONCreate -> handle " << Show(root) << "\n";

  Variant value;
  for (const char16_t* path : {u"order.id", u"order.lines[1].sku", u"paid", u"order['lines'][0]", u"missing"}) {
    com.JSONGetNodeValue(root, path, value);
    std::cout << "JSONGetNodeValue " << lumetra::ToUtf8(path) << " -> " << Show(value) << "\n";
  }

  Variant customer;
  com.JSONAddElement(root, u"customer", customer);
  com.JSONAddNode(customer, u"name", Variant::String(u"José"));
  com.JSONAddNodeAsNumber(customer, Variant::String(u"discount"), Variant::R8(0.00001));
  com.JSONAddNodeAsBool(customer, Variant::String(u"vip"), Variant::String(u"True"));
  Variant tags;
  com.JSONAddArray(customer, u"tags", tags);
  com.JSONAddArrayElementNested(tags, u"{}", value);

  WideString text;
  com.JSONFormat(root, text);
  std::cout << "JSONFormat -> " << lumetra::ToUtf8(text) << "\n";

  Variant key;
  std::cout << "JSONGetPairKey with a Null handle:\n";
  com.JSONGetPairKey(Variant::Null(), key);

  com.JSONFree(root);
  com.JSONFormat(root, text);
  std::cout << "after JSONFree, JSONFormat -> " << lumetra::ToUtf8(text) << "\n";

  bool failed = true;
  const auto encoded = (folder / "hello.b64").u16string();
  const auto decoded = (folder / "hello.txt").u16string();
  com.EncodeBase64(u"¡Hola, Lumetra!", encoded, failed);
  std::cout << "EncodeBase64 -> Res " << (failed ? "True" : "False") << " (" << lumetra::ToUtf8(encoded) << ")\n";
  com.DecodeBase64(u"wqFIb2xhLCBMdW1ldHJhIQ==", decoded, failed);
  std::cout << "DecodeBase64 -> Res " << (failed ? "True" : "False") << " (" << lumetra::ToUtf8(decoded) << ")\n";
  com.DecodeBase64(u"AAAA", (folder / "no-such-folder" / "x.bin").u16string(), failed);
  std::cout << "DecodeBase64 into a missing folder -> Res " << (failed ? "True" : "False") << "\n";
  return 0;
}
