// LumetraCOM, the automation object, without the platform: one method per row
// of the method table, taking automation values and native strings and
// returning a result code. Every method first clears its VARIANT and BSTR
// outs, then runs its operation. An error that leaves the operation becomes
// a failing result code (the error's own platform code, kAbortResult for a
// silent abort, else kUnexpected) and error information handed to the
// ErrorReporter. The object holds no data: JSON items live in the process-wide
// store and outlive every object.
#pragma once

#include <cstdint>
#include <utility>

#include "lumetra/automation/error_convention.h"
#include "lumetra/automation/values/variant.h"
#include "lumetra/automation/values/wide_string.h"

namespace lumetra {

class LumetraCOM {
 public:
  explicit LumetraCOM(ErrorReporter& reporter) : reporter_(reporter) {}

  HResult JSONCreate(const WideString& strJSON, Variant& oJSON);
  HResult JSONGetElement(const Variant& iJSON, const WideString& key, Variant& oJSON);
  HResult JSONGetNodeValue(const Variant& iJSON, const WideString& key, Variant& oJSON);
  HResult JSONGetArrayElement(const Variant& iJSON, int32_t index, Variant& oJSON);
  HResult JSONArrayCount(const Variant& iJSON, int32_t& count);
  HResult JSONFree(const Variant& iJSON);
  HResult JSONAddElement(const Variant& iJSON, const WideString& key, Variant& oJSON);
  HResult JSONAddNode(const Variant& iJSON, const WideString& key, const Variant& value);
  HResult JSONFormat(const Variant& iJSON, WideString& oStrJSON);
  HResult JSONAddArray(const Variant& iJSON, const WideString& key, Variant& oJSON);
  HResult JSONAddArrayElement(const Variant& iJSON, Variant& oJSON);
  HResult JSONAddNodeAsNumber(const Variant& iJSON, const Variant& key, const Variant& value);
  HResult JSONAddNodeAsBool(const Variant& iJSON, const Variant& key, const Variant& value);
  HResult JSONGetPairKey(const Variant& iJSON, Variant& key);
  HResult JSONIsObject(const Variant& iJSON, Variant& oJSON);
  HResult JSONIsArray(const Variant& iJSON, Variant& oJSON);
  HResult JSONCount(const Variant& iJSON, Variant& oJSON);
  HResult JSONGetPair(const Variant& iJSON, int32_t index, Variant& oJSON);
  HResult JSONGetPairValue(const Variant& iJSON, Variant& oJSON);
  HResult JSONAddArrayElementNested(const Variant& iJSON, const WideString& value, Variant& oJSON);
  HResult DSToJSON(const WideString& iXML, const WideString& iJSON, const WideString& iKeyField,
                   const Variant& iKeyValue, const WideString& iTypeOper, WideString& oXML);
  HResult SendMail(const WideString& Destino, const WideString& CC, const WideString& CCO, const WideString& Asunto,
                   const WideString& Mensaje, const WideString& Adjuntos, const WideString& UserName,
                   const WideString& UserPass, const WideString& Server, int32_t Port, bool TSL, WideString& Res);
  HResult EncodeBase64(const WideString& InputText, const WideString& OutputPath, bool& Res);
  HResult DecodeBase64(const WideString& InputText, const WideString& OutputPath, bool& Res);
  HResult Version(WideString& version);

 private:
  template <typename Operation>
  HResult Run(Operation&& operation) noexcept {
    return GuardedCall(reporter_, std::forward<Operation>(operation));
  }

  ErrorReporter& reporter_;
};

}  // namespace lumetra
