#include "lumetra/automation/win/type_info.h"

#include <windows.h>
#include <oleauto.h>

#include "lumetra/automation/win/module_path.h"
#include "lumetra_h.h"  // generated from lumetra.idl

namespace lumetra::win {

HRESULT LoadLumetraTypeInfo(LumetraTypeInfo& info) {
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, library.Put());
  if (FAILED(hr)) return hr;
  LumetraTypeInfo loaded;
  hr = library->GetTypeInfoOfGuid(IID_ILumetraCOM, loaded.dispatch_info.Put());
  if (FAILED(hr)) return hr;
  hr = library->GetTypeInfoOfGuid(CLSID_LumetraCOM, loaded.class_info.Put());
  if (FAILED(hr)) return hr;

  // A dual interface is described twice; the function table is the
  // description its dispatch view refers to with index -1.
  TYPEATTR* attr = nullptr;
  hr = loaded.dispatch_info->GetTypeAttr(&attr);
  if (FAILED(hr)) return hr;
  const TYPEKIND kind = attr->typekind;
  loaded.dispatch_info->ReleaseTypeAttr(attr);
  if (kind == TKIND_DISPATCH) {
    HREFTYPE ref = 0;
    hr = loaded.dispatch_info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
    if (SUCCEEDED(hr)) hr = loaded.dispatch_info->GetRefTypeInfo(ref, loaded.interface_info.Put());
    if (FAILED(hr)) return hr;
  } else {
    loaded.interface_info = loaded.dispatch_info;
  }
  info = std::move(loaded);
  return S_OK;
}

}  // namespace lumetra::win
