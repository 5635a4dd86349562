#include "lumetra/automation/method_table.h"

namespace lumetra {
namespace {

using enum ParamType;
constexpr ParamDirection In = ParamDirection::In;
constexpr ParamDirection Out = ParamDirection::OutRetval;

constexpr ParamInfo kJSONCreate[] = {{"strJSON", BStr, In}, {"oJSON", Variant, Out}};
constexpr ParamInfo kHandleKeyToHandle[] = {{"iJSON", VariantRef, In}, {"key", BStr, In}, {"oJSON", Variant, Out}};
constexpr ParamInfo kHandleIndexToHandle[] = {{"iJSON", VariantRef, In}, {"index", Long, In}, {"oJSON", Variant, Out}};
constexpr ParamInfo kJSONArrayCount[] = {{"iJSON", VariantRef, In}, {"count", Long, Out}};
constexpr ParamInfo kJSONFree[] = {{"iJSON", VariantRef, In}};
constexpr ParamInfo kJSONAddNode[] = {{"iJSON", VariantRef, In}, {"key", BStr, In}, {"value", Variant, In}};
constexpr ParamInfo kJSONFormat[] = {{"iJSON", VariantRef, In}, {"oStrJSON", BStr, Out}};
constexpr ParamInfo kHandleToHandle[] = {{"iJSON", VariantRef, In}, {"oJSON", Variant, Out}};
constexpr ParamInfo kAddNodeTyped[] = {{"iJSON", VariantRef, In}, {"key", Variant, In}, {"value", VariantRef, In}};
constexpr ParamInfo kJSONGetPairKey[] = {{"iJSON", VariantRef, In}, {"key", Variant, Out}};
constexpr ParamInfo kJSONAddArrayElementNested[] = {
    {"iJSON", VariantRef, In}, {"value", BStr, In}, {"oJSON", Variant, Out}};
constexpr ParamInfo kDSToJSON[] = {{"iXML", BStrRef, In},      {"iJSON", BStrRef, In},     {"iKeyField", BStrRef, In},
                                   {"iKeyValue", Variant, In}, {"iTypeOper", BStrRef, In}, {"oXML", BStr, Out}};
constexpr ParamInfo kSendMail[] = {{"Destino", BStr, In},  {"CC", BStr, In},         {"CCO", BStr, In},
                                   {"Asunto", BStr, In},   {"Mensaje", BStr, In},    {"Adjuntos", BStr, In},
                                   {"UserName", BStr, In}, {"UserPass", BStr, In},   {"Server", BStr, In},
                                   {"Port", Int, In},      {"TSL", VariantBool, In}, {"Res", BStr, Out}};
constexpr ParamInfo kBase64[] = {{"InputText", BStr, In}, {"OutputPath", BStr, In}, {"Res", VariantBool, Out}};
constexpr ParamInfo kVersion[] = {{"Version", BStr, Out}};

constexpr std::array<MethodInfo, kMethodCount> kTable = {{
    {"JSONCreate", 102, kJSONCreate},
    {"JSONGetElement", 103, kHandleKeyToHandle},
    {"JSONGetNodeValue", 104, kHandleKeyToHandle},
    {"JSONGetArrayElement", 105, kHandleIndexToHandle},
    {"JSONArrayCount", 106, kJSONArrayCount},
    {"JSONFree", 107, kJSONFree},
    {"JSONAddElement", 108, kHandleKeyToHandle},
    {"JSONAddNode", 109, kJSONAddNode},
    {"JSONFormat", 110, kJSONFormat},
    {"JSONAddArray", 111, kHandleKeyToHandle},
    {"JSONAddArrayElement", 112, kHandleToHandle},
    {"JSONAddNodeAsNumber", 101, kAddNodeTyped},
    {"JSONAddNodeAsBool", 113, kAddNodeTyped},
    {"JSONGetPairKey", 114, kJSONGetPairKey},
    {"JSONIsObject", 115, kHandleToHandle},
    {"JSONIsArray", 116, kHandleToHandle},
    {"JSONCount", 117, kHandleToHandle},
    {"JSONGetPair", 118, kHandleIndexToHandle},
    {"JSONGetPairValue", 119, kHandleToHandle},
    {"JSONAddArrayElementNested", 120, kJSONAddArrayElementNested},
    {"DSToJSON", 121, kDSToJSON},
    {"SendMail", 122, kSendMail},
    {"EncodeBase64", 123, kBase64},
    {"DecodeBase64", 124, kBase64},
    {"Version", 125, kVersion},
}};

}  // namespace

const std::array<MethodInfo, kMethodCount>& MethodTable() { return kTable; }

const MethodInfo* FindMethod(std::string_view name) {
  for (const MethodInfo& m : kTable)
    if (m.name == name) return &m;
  return nullptr;
}

const MethodInfo* FindMethod(int32_t dispid) {
  for (const MethodInfo& m : kTable)
    if (m.dispid == dispid) return &m;
  return nullptr;
}

}  // namespace lumetra
