#include "lumetra/automation/win/class_factory.h"

#include <windows.h>
#include <objbase.h>

#include "lumetra/automation/win/lumetra_object.h"

namespace lumetra::win {

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return LumetraObject::Create(lifetime_, types_, riid, out);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  CoLockObjectExternal(static_cast<IClassFactory*>(this), lock, TRUE);
  if (lock) {
    lifetime_.AddObject();
  } else {
    lifetime_.ReleaseObject();
  }
  return S_OK;
}

ClassObjectRegistration::~ClassObjectRegistration() {
  if (registered_) CoRevokeClassObject(cookie_);
}

HRESULT ClassObjectRegistration::Register(REFCLSID clsid, IUnknown* factory) {
  HRESULT hr =
      CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED, &cookie_);
  registered_ = SUCCEEDED(hr);
  return hr;
}

}  // namespace lumetra::win
