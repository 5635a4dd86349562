#include "lumetra/automation/lumetra_com.h"

#include "lumetra/automation/values/errors.h"
#include "lumetra/dataset/ds_to_json.h"
#include "lumetra/encoding/base64_files.h"
#include "lumetra/encoding/version.h"
#include "lumetra/json/json_methods.h"
#include "lumetra/mail/send_mail.h"

namespace lumetra {

HResult LumetraCOM::JSONCreate(const WideString& strJSON, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONCreate(strJSON, oJSON); });
}

HResult LumetraCOM::JSONGetElement(const Variant& iJSON, const WideString& key, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONGetElement(iJSON, key, oJSON); });
}

HResult LumetraCOM::JSONGetNodeValue(const Variant& iJSON, const WideString& key, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONGetNodeValue(iJSON, key, oJSON); });
}

HResult LumetraCOM::JSONGetArrayElement(const Variant& iJSON, int32_t index, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONGetArrayElement(iJSON, index, oJSON); });
}

HResult LumetraCOM::JSONArrayCount(const Variant& iJSON, int32_t& count) {
  return Run([&] { json::JSONArrayCount(iJSON, count); });
}

HResult LumetraCOM::JSONFree(const Variant& iJSON) {
  return Run([&] { json::JSONFree(iJSON); });
}

HResult LumetraCOM::JSONAddElement(const Variant& iJSON, const WideString& key, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONAddElement(iJSON, key, oJSON); });
}

HResult LumetraCOM::JSONAddNode(const Variant& iJSON, const WideString& key, const Variant& value) {
  return Run([&] { json::JSONAddNode(iJSON, key, value); });
}

HResult LumetraCOM::JSONFormat(const Variant& iJSON, WideString& oStrJSON) {
  oStrJSON.clear();
  return Run([&] { json::JSONFormat(iJSON, oStrJSON); });
}

HResult LumetraCOM::JSONAddArray(const Variant& iJSON, const WideString& key, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONAddArray(iJSON, key, oJSON); });
}

HResult LumetraCOM::JSONAddArrayElement(const Variant& iJSON, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONAddArrayElement(iJSON, oJSON); });
}

HResult LumetraCOM::JSONAddNodeAsNumber(const Variant& iJSON, const Variant& key, const Variant& value) {
  return Run([&] { json::JSONAddNodeAsNumber(iJSON, key, value); });
}

HResult LumetraCOM::JSONAddNodeAsBool(const Variant& iJSON, const Variant& key, const Variant& value) {
  return Run([&] { json::JSONAddNodeAsBool(iJSON, key, value); });
}

HResult LumetraCOM::JSONGetPairKey(const Variant& iJSON, Variant& key) {
  key = Variant();
  return Run([&] { json::JSONGetPairKey(iJSON, key); });
}

HResult LumetraCOM::JSONIsObject(const Variant& iJSON, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONIsObject(iJSON, oJSON); });
}

HResult LumetraCOM::JSONIsArray(const Variant& iJSON, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONIsArray(iJSON, oJSON); });
}

HResult LumetraCOM::JSONCount(const Variant& iJSON, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONCount(iJSON, oJSON); });
}

HResult LumetraCOM::JSONGetPair(const Variant& iJSON, int32_t index, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONGetPair(iJSON, index, oJSON); });
}

HResult LumetraCOM::JSONGetPairValue(const Variant& iJSON, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONGetPairValue(iJSON, oJSON); });
}

HResult LumetraCOM::JSONAddArrayElementNested(const Variant& iJSON, const WideString& value, Variant& oJSON) {
  oJSON = Variant();
  return Run([&] { json::JSONAddArrayElementNested(iJSON, value, oJSON); });
}

HResult LumetraCOM::DSToJSON(const WideString& iXML, const WideString& iJSON, const WideString& iKeyField,
                             const Variant& iKeyValue, const WideString& iTypeOper, WideString& oXML) {
  oXML.clear();
  return Run([&] { oXML = dataset::DSToJSON(iXML, iJSON, iKeyField, dataset::KeyValue::From(iKeyValue), iTypeOper); });
}

HResult LumetraCOM::SendMail(const WideString& Destino, const WideString& CC, const WideString& CCO,
                             const WideString& Asunto, const WideString& Mensaje, const WideString& Adjuntos,
                             const WideString& UserName, const WideString& UserPass, const WideString& Server,
                             int32_t Port, bool TSL, WideString& Res) {
  Res.clear();
  return Run(
      [&] { mail::SendMail(Destino, CC, CCO, Asunto, Mensaje, Adjuntos, UserName, UserPass, Server, Port, TSL, Res); });
}

HResult LumetraCOM::EncodeBase64(const WideString& InputText, const WideString& OutputPath, bool& Res) {
  return Run([&] {
    Res = false;
    try {
      Res = !EncodeBase64ToFile(InputText, OutputPath);
    } catch (...) {
      Res = true;  // only the flag reports a failure
    }
  });
}

HResult LumetraCOM::DecodeBase64(const WideString& InputText, const WideString& OutputPath, bool& Res) {
  return Run([&] {
    Res = false;
    try {
      Res = !DecodeBase64ToFile(InputText, OutputPath);
    } catch (...) {
      Res = true;
    }
  });
}

HResult LumetraCOM::Version(WideString& version) {
  version.clear();
  return Run([&] { version = kVersionText; });
}

}  // namespace lumetra
