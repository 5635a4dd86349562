#include "lumetra/automation/win/lumetra_object.h"

#include <new>

#include "lumetra/automation/method_table.h"
#include "lumetra/automation/win/bstr.h"
#include "lumetra/automation/win/com_ptr.h"
#include "lumetra/automation/win/string_ref_args.h"
#include "lumetra/automation/win/variant_marshal.h"

namespace lumetra::win {
namespace {

// Step 1 of every call: VARIANT outs become empty, BSTR outs null.
bool ClearOut(VARIANT* out) {
  if (out == nullptr) return false;
  VariantInit(out);
  return true;
}

bool ClearOut(BSTR* out) {
  if (out == nullptr) return false;
  *out = nullptr;
  return true;
}

// Results reach the client only from a successful call.
HRESULT Deliver(HRESULT hr, const Variant& result, VARIANT* out) {
  if (FAILED(hr)) return hr;
  return ToVariant(result, out);
}

HRESULT Deliver(HRESULT hr, const WideString& result, BSTR* out) {
  if (FAILED(hr)) return hr;
  *out = ToBstr(result);
  return *out != nullptr ? hr : E_OUTOFMEMORY;
}

// The COM boundary: no C++ exception leaves a method of the object. Copying
// the arguments into the portable object's types (and the results back)
// allocates, outside the object's own GuardedCall; whatever escapes becomes a
// failing result and the thread's error object, by the same convention.
template <typename Call>
HRESULT AtBoundary(ErrorReporter& reporter, Call&& call) noexcept {
  try {
    return call();
  } catch (...) {
    return ReportCurrentException(reporter);
  }
}

// A failure of Invoke itself, before a method runs, as ITypeInfo::Invoke
// delivers the failure of a method: DISP_E_EXCEPTION with the result and the
// thread's error object in the EXCEPINFO.
HRESULT DispatchException(HRESULT hr, EXCEPINFO* exception) {
  if (exception == nullptr) return hr;
  *exception = EXCEPINFO{};
  exception->scode = hr;
  ComPtr<IErrorInfo> error;
  if (GetErrorInfo(0, error.Put()) == S_OK) {
    error->GetSource(&exception->bstrSource);
    error->GetDescription(&exception->bstrDescription);
    error->GetHelpFile(&exception->bstrHelpFile);
    error->GetHelpContext(&exception->dwHelpContext);
  }
  return DISP_E_EXCEPTION;
}

WideString Text(BSTR text) { return FromBstr(text); }
WideString TextRef(const BSTR* text) { return FromBstr(text != nullptr ? *text : nullptr); }

}  // namespace

HRESULT LumetraObject::Create(ServerLifetime& lifetime, const LumetraTypeInfo& types, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  // The object deletes itself when its last reference goes (Release).
  auto* object = new (std::nothrow) LumetraObject(lifetime, types);
  if (object == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = object->QueryInterface(riid, out);
  object->Release();
  return hr;
}

LumetraObject::LumetraObject(ServerLifetime& lifetime, const LumetraTypeInfo& types)
    : lifetime_(lifetime), types_(types) {
  lifetime_.AddObject();
}

LumetraObject::~LumetraObject() { lifetime_.ReleaseObject(); }

// IUnknown ------------------------------------------------------------------

STDMETHODIMP LumetraObject::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_ILumetraCOM) {
    *out = static_cast<ILumetraCOM*>(this);
  } else if (riid == IID_IDispatch) {
    *out = static_cast<IDispatch*>(this);
  } else if (riid == IID_ISupportErrorInfo) {
    *out = static_cast<ISupportErrorInfo*>(this);
  } else if (riid == IID_IProvideClassInfo) {
    *out = static_cast<IProvideClassInfo*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) LumetraObject::AddRef() { return InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) LumetraObject::Release() {
  const ULONG refs = InterlockedDecrement(&refs_);
  if (refs == 0) delete this;
  return refs;
}

// IDispatch -----------------------------------------------------------------

STDMETHODIMP LumetraObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP LumetraObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  *info = types_.dispatch_info.get();
  (*info)->AddRef();
  return S_OK;
}

STDMETHODIMP LumetraObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return DispGetIDsOfNames(types_.interface_info.get(), names, count, ids);
}

STDMETHODIMP LumetraObject::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* arg_error) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) flags |= DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
  try {
    StringRefArgs args(FindMethod(static_cast<int32_t>(id)), params);
    return types_.interface_info->Invoke(static_cast<ILumetraCOM*>(this), id, flags, args.get(), result, exception,
                                         arg_error);
  } catch (...) {  // the copy of the arguments failed; the methods catch their own
    return DispatchException(ReportCurrentException(reporter_), exception);
  }
}

// ISupportErrorInfo and IProvideClassInfo -------------------------------------

STDMETHODIMP LumetraObject::InterfaceSupportsErrorInfo(REFIID riid) {
  const bool ours = riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ILumetraCOM ||
                    riid == IID_ISupportErrorInfo || riid == IID_IProvideClassInfo;
  return ours ? S_OK : S_FALSE;
}

STDMETHODIMP LumetraObject::GetClassInfo(ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = types_.class_info.get();
  (*info)->AddRef();
  return S_OK;
}

// ILumetraCOM ---------------------------------------------------------------

STDMETHODIMP LumetraObject::JSONCreate(BSTR strJSON, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    Variant result;
    return Deliver(object_.JSONCreate(Text(strJSON), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONGetElement(VARIANT* iJSON, BSTR key, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONGetElement(handle.get(), Text(key), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONGetNodeValue(VARIANT* iJSON, BSTR key, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONGetNodeValue(handle.get(), Text(key), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONGetArrayElement(VARIANT* iJSON, LONG index, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONGetArrayElement(handle.get(), index, result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONArrayCount(VARIANT* iJSON, LONG* count) {
  if (count == nullptr) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    int32_t result = 0;
    HRESULT hr = object_.JSONArrayCount(handle.get(), result);
    if (SUCCEEDED(hr)) *count = result;
    return hr;
  });
}

STDMETHODIMP LumetraObject::JSONFree(VARIANT* iJSON) {
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    return object_.JSONFree(handle.get());
  });
}

STDMETHODIMP LumetraObject::JSONAddElement(VARIANT* iJSON, BSTR key, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONAddElement(handle.get(), Text(key), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONAddNode(VARIANT* iJSON, BSTR key, VARIANT value) {
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    VariantArg node_value(&value);
    return object_.JSONAddNode(handle.get(), Text(key), node_value.get());
  });
}

STDMETHODIMP LumetraObject::JSONFormat(VARIANT* iJSON, BSTR* oStrJSON) {
  if (!ClearOut(oStrJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    WideString result;
    return Deliver(object_.JSONFormat(handle.get(), result), result, oStrJSON);
  });
}

STDMETHODIMP LumetraObject::JSONAddArray(VARIANT* iJSON, BSTR key, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONAddArray(handle.get(), Text(key), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONAddArrayElement(VARIANT* iJSON, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONAddArrayElement(handle.get(), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONAddNodeAsNumber(VARIANT* iJSON, VARIANT key, VARIANT* value) {
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    VariantArg name(&key);
    VariantArg number(value);
    return object_.JSONAddNodeAsNumber(handle.get(), name.get(), number.get());
  });
}

STDMETHODIMP LumetraObject::JSONAddNodeAsBool(VARIANT* iJSON, VARIANT key, VARIANT* value) {
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    VariantArg name(&key);
    VariantArg flag(value);
    return object_.JSONAddNodeAsBool(handle.get(), name.get(), flag.get());
  });
}

STDMETHODIMP LumetraObject::JSONGetPairKey(VARIANT* iJSON, VARIANT* key) {
  if (!ClearOut(key)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONGetPairKey(handle.get(), result), result, key);
  });
}

STDMETHODIMP LumetraObject::JSONIsObject(VARIANT* iJSON, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONIsObject(handle.get(), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONIsArray(VARIANT* iJSON, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONIsArray(handle.get(), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONCount(VARIANT* iJSON, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONCount(handle.get(), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONGetPair(VARIANT* iJSON, LONG index, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONGetPair(handle.get(), index, result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONGetPairValue(VARIANT* iJSON, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONGetPairValue(handle.get(), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::JSONAddArrayElementNested(VARIANT* iJSON, BSTR value, VARIANT* oJSON) {
  if (!ClearOut(oJSON)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg handle(iJSON);
    Variant result;
    return Deliver(object_.JSONAddArrayElementNested(handle.get(), Text(value), result), result, oJSON);
  });
}

STDMETHODIMP LumetraObject::DSToJSON(BSTR* iXML, BSTR* iJSON, BSTR* iKeyField, VARIANT iKeyValue, BSTR* iTypeOper,
                                     BSTR* oXML) {
  if (!ClearOut(oXML)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    VariantArg key_value(&iKeyValue);
    WideString result;
    HRESULT hr = object_.DSToJSON(TextRef(iXML), TextRef(iJSON), TextRef(iKeyField), key_value.get(),
                                  TextRef(iTypeOper), result);
    return Deliver(hr, result, oXML);
  });
}

STDMETHODIMP LumetraObject::SendMail(BSTR Destino, BSTR CC, BSTR CCO, BSTR Asunto, BSTR Mensaje, BSTR Adjuntos,
                                     BSTR UserName, BSTR UserPass, BSTR Server, int Port, VARIANT_BOOL TSL, BSTR* Res) {
  if (!ClearOut(Res)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    WideString result;
    HRESULT hr = object_.SendMail(Text(Destino), Text(CC), Text(CCO), Text(Asunto), Text(Mensaje), Text(Adjuntos),
                                  Text(UserName), Text(UserPass), Text(Server), Port, TSL != VARIANT_FALSE, result);
    return Deliver(hr, result, Res);
  });
}

STDMETHODIMP LumetraObject::EncodeBase64(BSTR InputText, BSTR OutputPath, VARIANT_BOOL* Res) {
  if (Res == nullptr) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    bool failed = true;
    HRESULT hr = object_.EncodeBase64(Text(InputText), Text(OutputPath), failed);
    if (SUCCEEDED(hr)) *Res = failed ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
  });
}

STDMETHODIMP LumetraObject::DecodeBase64(BSTR InputText, BSTR OutputPath, VARIANT_BOOL* Res) {
  if (Res == nullptr) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    bool failed = true;
    HRESULT hr = object_.DecodeBase64(Text(InputText), Text(OutputPath), failed);
    if (SUCCEEDED(hr)) *Res = failed ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
  });
}

STDMETHODIMP LumetraObject::Version(BSTR* Version) {
  if (!ClearOut(Version)) return E_POINTER;
  return AtBoundary(reporter_, [&] {
    WideString result;
    return Deliver(object_.Version(result), result, Version);
  });
}

}  // namespace lumetra::win
