// The COM object of the class LumetraCOM: the interfaces ILumetraCOM (the
// function table of clients bound to it), IDispatch (late binding through the
// type information), ISupportErrorInfo and IProvideClassInfo, over the
// portable LumetraCOM object.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include "lumetra/automation/lumetra_com.h"
#include "lumetra/automation/win/error_reporter.h"
#include "lumetra/automation/win/server_lifetime.h"
#include "lumetra/automation/win/type_info.h"
#include "lumetra_h.h"  // generated from lumetra.idl

namespace lumetra::win {

class LumetraObject final : public ILumetraCOM, public IDispatch, public ISupportErrorInfo, public IProvideClassInfo {
 public:
  // Creates an object and hands out the requested interface (the only
  // reference); the object counts itself in the server's lifetime.
  static HRESULT Create(ServerLifetime& lifetime, const LumetraTypeInfo& types, REFIID riid, void** out);

  LumetraObject(const LumetraObject&) = delete;
  LumetraObject& operator=(const LumetraObject&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* arg_error) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

  // IProvideClassInfo
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;

  // ILumetraCOM
  STDMETHODIMP JSONCreate(BSTR strJSON, VARIANT* oJSON) override;
  STDMETHODIMP JSONGetElement(VARIANT* iJSON, BSTR key, VARIANT* oJSON) override;
  STDMETHODIMP JSONGetNodeValue(VARIANT* iJSON, BSTR key, VARIANT* oJSON) override;
  STDMETHODIMP JSONGetArrayElement(VARIANT* iJSON, LONG index, VARIANT* oJSON) override;
  STDMETHODIMP JSONArrayCount(VARIANT* iJSON, LONG* count) override;
  STDMETHODIMP JSONFree(VARIANT* iJSON) override;
  STDMETHODIMP JSONAddElement(VARIANT* iJSON, BSTR key, VARIANT* oJSON) override;
  STDMETHODIMP JSONAddNode(VARIANT* iJSON, BSTR key, VARIANT value) override;
  STDMETHODIMP JSONFormat(VARIANT* iJSON, BSTR* oStrJSON) override;
  STDMETHODIMP JSONAddArray(VARIANT* iJSON, BSTR key, VARIANT* oJSON) override;
  STDMETHODIMP JSONAddArrayElement(VARIANT* iJSON, VARIANT* oJSON) override;
  STDMETHODIMP JSONAddNodeAsNumber(VARIANT* iJSON, VARIANT key, VARIANT* value) override;
  STDMETHODIMP JSONAddNodeAsBool(VARIANT* iJSON, VARIANT key, VARIANT* value) override;
  STDMETHODIMP JSONGetPairKey(VARIANT* iJSON, VARIANT* key) override;
  STDMETHODIMP JSONIsObject(VARIANT* iJSON, VARIANT* oJSON) override;
  STDMETHODIMP JSONIsArray(VARIANT* iJSON, VARIANT* oJSON) override;
  STDMETHODIMP JSONCount(VARIANT* iJSON, VARIANT* oJSON) override;
  STDMETHODIMP JSONGetPair(VARIANT* iJSON, LONG index, VARIANT* oJSON) override;
  STDMETHODIMP JSONGetPairValue(VARIANT* iJSON, VARIANT* oJSON) override;
  STDMETHODIMP JSONAddArrayElementNested(VARIANT* iJSON, BSTR value, VARIANT* oJSON) override;
  STDMETHODIMP DSToJSON(BSTR* iXML, BSTR* iJSON, BSTR* iKeyField, VARIANT iKeyValue, BSTR* iTypeOper,
                        BSTR* oXML) override;
  STDMETHODIMP SendMail(BSTR Destino, BSTR CC, BSTR CCO, BSTR Asunto, BSTR Mensaje, BSTR Adjuntos, BSTR UserName,
                        BSTR UserPass, BSTR Server, int Port, VARIANT_BOOL TSL, BSTR* Res) override;
  STDMETHODIMP EncodeBase64(BSTR InputText, BSTR OutputPath, VARIANT_BOOL* Res) override;
  STDMETHODIMP DecodeBase64(BSTR InputText, BSTR OutputPath, VARIANT_BOOL* Res) override;
  STDMETHODIMP Version(BSTR* Version) override;

 private:
  LumetraObject(ServerLifetime& lifetime, const LumetraTypeInfo& types);
  ~LumetraObject();

  volatile LONG refs_ = 1;
  ServerLifetime& lifetime_;
  LumetraTypeInfo types_;
  ComErrorReporter reporter_;
  LumetraCOM object_{reporter_};
};

}  // namespace lumetra::win
