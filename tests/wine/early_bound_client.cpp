// Early-bound client of the server: calls ILumetraCOM through its function
// table (by slot, as a client compiled against the type library does), checks
// the interfaces the object answers and refuses, the dispatch identifiers of
// the method table, and the error object after a failure.
// Prints one FAIL line per failed check and OK at the end; exits with the
// number of failures.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <ocidl.h>

#include <cstdio>
#include <string>

#include "lumetra/automation/method_table.h"
#include "lumetra/automation/win/bstr.h"
#include "lumetra/automation/win/com_ptr.h"
#include "lumetra_h.h"  // generated from lumetra.idl

using lumetra::win::Bstr;
using lumetra::win::ComPtr;

namespace {

int failures = 0;

// IDispatchEx, which script engines ask for first (not in the import libraries).
constexpr IID kIID_IDispatchEx = {0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

void Check(bool ok, const char* what) {
  if (!ok) {
    ++failures;
    std::printf("FAIL: %s\n", what);
  }
}

void CheckHr(HRESULT actual, HRESULT expected, const char* what) {
  if (actual != expected) {
    ++failures;
    std::printf("FAIL: %s: 0x%08lX, expected 0x%08lX\n", what, static_cast<unsigned long>(actual),
                static_cast<unsigned long>(expected));
  }
}

std::wstring Text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

// A method of the function table by its slot number (0 is QueryInterface).
template <typename Fn>
Fn Slot(ILumetraCOM* object, int slot) {
  void** table = *reinterpret_cast<void***>(object);
  return reinterpret_cast<Fn>(table[slot]);
}

void CheckSlots(ILumetraCOM* object) {
  using VersionFn = HRESULT(STDMETHODCALLTYPE*)(ILumetraCOM*, BSTR*);
  using AddNumberFn = HRESULT(STDMETHODCALLTYPE*)(ILumetraCOM*, VARIANT*, VARIANT, VARIANT*);

  Bstr version;
  CheckHr(Slot<VersionFn>(object, 27)(object, version.Put()), S_OK, "slot 27 (Version)");
  Check(Text(version.get()) == L"1.0.002", "slot 27 gives the version 1.0.002");

  VARIANT root;
  VariantInit(&root);
  CheckHr(object->JSONAddElement(&root, nullptr, &root), S_OK, "JSONAddElement root");
  Check(V_VT(&root) == VT_I8, "a handle is a 64-bit integer");
  VARIANT key, value;
  V_VT(&key) = VT_BSTR;
  V_BSTR(&key) = SysAllocString(L"n");
  V_VT(&value) = VT_R8;
  V_R8(&value) = 2.5;
  CheckHr(Slot<AddNumberFn>(object, 14)(object, &root, key, &value), S_OK, "slot 14 (JSONAddNodeAsNumber)");
  VariantClear(&key);
  Bstr text;
  CheckHr(object->JSONFormat(&root, text.Put()), S_OK, "JSONFormat");
  Check(Text(text.get()) == L"{\"n\":2.5}", "slot 14 added a number member");

  VARIANT count;
  CheckHr(object->JSONCount(&root, &count), S_OK, "JSONCount");
  Check(V_VT(&count) == VT_I4 && V_I4(&count) == 1, "JSONCount gives the 32-bit integer 1");
  CheckHr(object->JSONFree(&root), S_OK, "JSONFree");
}

void CheckInterfaces(ILumetraCOM* object) {
  const IID answered[] = {IID_IUnknown, IID_IDispatch, IID_ILumetraCOM, IID_ISupportErrorInfo, IID_IProvideClassInfo};
  for (const IID& iid : answered) {
    ComPtr<IUnknown> p;
    CheckHr(object->QueryInterface(iid, p.PutVoid()), S_OK, "QueryInterface of an interface of the object");
  }
  const IID refused[] = {IID_IPersist, kIID_IDispatchEx, IID_IProvideClassInfo2, IID_IConnectionPointContainer,
                         IID_IClassFactory};
  for (const IID& iid : refused) {
    ComPtr<IUnknown> p;
    CheckHr(object->QueryInterface(iid, p.PutVoid()), E_NOINTERFACE, "QueryInterface of a foreign interface");
  }

  ComPtr<ISupportErrorInfo> support;
  object->QueryInterface(IID_ISupportErrorInfo, support.PutVoid());
  if (support) {
    for (const IID& iid : answered) {
      CheckHr(support->InterfaceSupportsErrorInfo(iid), S_OK, "InterfaceSupportsErrorInfo of ours");
    }
    CheckHr(support->InterfaceSupportsErrorInfo(IID_IPersist), S_FALSE, "InterfaceSupportsErrorInfo of another");
  }

  ComPtr<IProvideClassInfo> provide;
  object->QueryInterface(IID_IProvideClassInfo, provide.PutVoid());
  if (provide) {
    ComPtr<ITypeInfo> info;
    CheckHr(provide->GetClassInfo(info.Put()), S_OK, "GetClassInfo");
    TYPEATTR* attr = nullptr;
    if (info && SUCCEEDED(info->GetTypeAttr(&attr))) {
      Check(attr->guid == CLSID_LumetraCOM && attr->typekind == TKIND_COCLASS, "the class info is LumetraCOM");
      info->ReleaseTypeAttr(attr);
    } else {
      Check(false, "GetTypeAttr of the class info");
    }
  }
}

void CheckDispatch(ILumetraCOM* object) {
  ComPtr<IDispatch> dispatch;
  object->QueryInterface(IID_IDispatch, dispatch.PutVoid());
  if (!dispatch) return;
  UINT count = 0;
  CheckHr(dispatch->GetTypeInfoCount(&count), S_OK, "GetTypeInfoCount");
  Check(count == 1, "one type information");
  ComPtr<ITypeInfo> info;
  CheckHr(dispatch->GetTypeInfo(1, 0, info.Put()), DISP_E_BADINDEX, "GetTypeInfo(1)");

  for (const lumetra::MethodInfo& method : lumetra::MethodTable()) {
    for (bool lower : {false, true}) {
      std::wstring name(method.name.begin(), method.name.end());
      if (lower) CharLowerW(name.data());
      LPOLESTR names[] = {name.data()};
      DISPID id = 0;
      HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
      if (FAILED(hr) || id != method.dispid) {
        ++failures;
        std::printf("FAIL: GetIDsOfNames(%ls): 0x%08lX, DISPID %ld, expected %d\n", name.c_str(),
                    static_cast<unsigned long>(hr), static_cast<long>(id), static_cast<int>(method.dispid));
      }
    }
  }
}

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void CheckErrorFields(BSTR source, BSTR description, const char* where) {
  std::string what = std::string(where) + ": ";
  Check(Text(source) == L"Lumetra.LumetraCOM", (what + "the error source is Lumetra.LumetraCOM").c_str());
  Check(Text(description) == L"Could not convert variant of type (Null) into type (Int64)",
        (what + "the error description is the conversion message").c_str());
}

void CheckErrorObject(ILumetraCOM* object) {
  VARIANT null_handle;
  V_VT(&null_handle) = VT_NULL;
  VARIANT key;
  HRESULT hr = object->JSONGetPairKey(&null_handle, &key);
  CheckHr(hr, E_UNEXPECTED, "JSONGetPairKey(Null)");
  Check(V_VT(&key) == VT_EMPTY, "the result of a failed call stays empty");
  ComPtr<IErrorInfo> error;
  hr = GetErrorInfo(0, error.Put());
  if (hr == S_OK && error) {
    Bstr source, description;
    GUID guid{};
    error->GetSource(source.Put());
    error->GetDescription(description.Put());
    error->GetGUID(&guid);
    CheckErrorFields(source.get(), description.get(), "IErrorInfo");
    Check(guid == IID_ILumetraCOM, "the error names ILumetraCOM");
  } else if (RunningOnWine()) {
    // Wine's COM channel does not carry the server's error object back to
    // the client process; the same object reaches clients through IDispatch.
    std::printf("NOTE: no IErrorInfo across processes on Wine; checked through IDispatch::Invoke\n");
  } else {
    CheckHr(hr, S_OK, "GetErrorInfo after the failure");
  }

  ComPtr<IDispatch> dispatch;
  object->QueryInterface(IID_IDispatch, dispatch.PutVoid());
  if (!dispatch) return;
  VARIANT arg;
  V_VT(&arg) = VT_NULL;
  DISPPARAMS params{&arg, nullptr, 1, 0};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  hr = dispatch->Invoke(114, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception, nullptr);
  CheckHr(hr, DISP_E_EXCEPTION, "Invoke JSONGetPairKey(Null)");
  CheckHr(exception.scode, E_UNEXPECTED, "the exception's result code");
  CheckErrorFields(exception.bstrSource, exception.bstrDescription, "EXCEPINFO");
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  VariantClear(&result);
}

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 100;
  {
    ComPtr<ILumetraCOM> object;
    HRESULT hr = CoCreateInstance(CLSID_LumetraCOM, nullptr, CLSCTX_LOCAL_SERVER, IID_ILumetraCOM, object.PutVoid());
    CheckHr(hr, S_OK, "CoCreateInstance");
    if (object) {
      CheckSlots(object.get());
      CheckInterfaces(object.get());
      CheckDispatch(object.get());
      CheckErrorObject(object.get());
    }
  }
  CoUninitialize();
  if (failures == 0) std::printf("OK early-bound client\n");
  std::fflush(stdout);
  return failures;
}
