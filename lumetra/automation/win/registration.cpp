#include "lumetra/automation/win/registration.h"

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "lumetra/automation/win/com_ptr.h"
#include "lumetra_h.h"  // generated from lumetra.idl
#include "lumetra/automation/win/module_path.h"

namespace lumetra::win {
namespace {

constexpr wchar_t kProgId[] = L"Lumetra.LumetraCOM";
constexpr wchar_t kDescription[] = L"LumetraCOM";
constexpr wchar_t kInterfaceName[] = L"ILumetraCOM";
constexpr wchar_t kLibraryVersion[] = L"1.0";
constexpr wchar_t kLibraryName[] = L"Lumetra";
// The type-library marshaler (PSOAInterface): proxies and stubs built from the type library.
constexpr wchar_t kTypeLibMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t kRegistryError[] = L"Error creating system registry entry";

std::wstring GuidString(REFGUID guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

struct Scope {
  HKEY root;
  std::wstring prefix;
};

Scope ScopeFor(bool per_user) {
  return per_user ? Scope{HKEY_CURRENT_USER, L"Software\\Classes\\"} : Scope{HKEY_CLASSES_ROOT, L""};
}

class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* Put() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Creates the key and sets a string value (the default value when name is null).
bool WriteString(const Scope& scope, const std::wstring& path, const wchar_t* name, const std::wstring& value,
                 REGSAM view = 0) {
  RegKey key;
  if (RegCreateKeyExW(scope.root, (scope.prefix + path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | view,
                      nullptr, key.Put(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
         ERROR_SUCCESS;
}

bool WriteDefault(const Scope& scope, const std::wstring& path, const std::wstring& value, REGSAM view = 0) {
  return WriteString(scope, path, nullptr, value, view);
}

void DeleteKey(const Scope& scope, const std::wstring& path, REGSAM view = 0) {
  RegDeleteKeyExW(scope.root, (scope.prefix + path).c_str(), view, 0);
}

std::wstring ErrorText(HRESULT hr) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message;
  if (n != 0 && text != nullptr) {
    message.assign(text, n);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
  } else {
    wchar_t code[32];
    wsprintfW(code, L"Error 0x%08X", static_cast<unsigned>(hr));
    message = code;
  }
  LocalFree(text);
  return message;
}

using TypeLibRegisterFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using TypeLibUnregisterFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

// The per-user variants of the type-library functions, where oleaut32 offers them.
template <typename Fn>
Fn PerUserFunction(const char* name) {
  HMODULE oleaut = GetModuleHandleW(L"oleaut32.dll");
  return oleaut ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(oleaut, name))) : nullptr;
}

std::optional<std::wstring> RegisterTypeLibrary(const std::wstring& path, bool per_user) {
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Put());
  if (FAILED(hr)) return ErrorText(hr);
  std::wstring full_path = path;
  std::wstring help_dir = DirectoryOf(path);
  TypeLibRegisterFn register_fn = RegisterTypeLib;
  if (per_user) {
    if (auto fn = PerUserFunction<TypeLibRegisterFn>("RegisterTypeLibForUser")) register_fn = fn;
  }
  hr = register_fn(library.get(), full_path.data(), help_dir.data());
  if (FAILED(hr)) return ErrorText(hr);
  return std::nullopt;
}

// The keys that let clients of either bitness reach the server through the
// type-library marshaler: the type library's path for win32 and win64, and
// the interface with its marshaler and type library, in the 64-bit and the
// 32-bit view of the registry.
constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
// The library's own locale (0x409), as RegisterTypeLib writes it, and the neutral one.
constexpr const wchar_t* kLocales[] = {L"0", L"409"};

bool RegisterForBothBitnesses(const Scope& scope, const std::wstring& path) {
  const std::wstring libid = GuidString(LIBID_Lumetra);
  const std::wstring iid = GuidString(IID_ILumetraCOM);
  const std::wstring lib = L"TypeLib\\" + libid + L"\\" + kLibraryVersion;
  const std::wstring itf = L"Interface\\" + iid;
  for (REGSAM view : kViews) {
    bool ok = WriteDefault(scope, lib, kLibraryName, view) && WriteDefault(scope, lib + L"\\FLAGS", L"0", view) &&
              WriteDefault(scope, lib + L"\\HELPDIR", DirectoryOf(path), view) &&
              WriteDefault(scope, itf, kInterfaceName, view) &&
              WriteDefault(scope, itf + L"\\ProxyStubClsid", kTypeLibMarshaler, view) &&
              WriteDefault(scope, itf + L"\\ProxyStubClsid32", kTypeLibMarshaler, view) &&
              WriteDefault(scope, itf + L"\\TypeLib", libid, view) &&
              WriteString(scope, itf + L"\\TypeLib", L"Version", kLibraryVersion, view);
    for (const wchar_t* locale : kLocales) {
      for (const wchar_t* platform : {L"\\win32", L"\\win64"}) {
        ok = ok && WriteDefault(scope, lib + L"\\" + locale + platform, path, view);
      }
    }
    if (!ok) return false;
  }
  return true;
}

void UnregisterForBothBitnesses(const Scope& scope) {
  const std::wstring libid = GuidString(LIBID_Lumetra);
  const std::wstring lib = L"TypeLib\\" + libid + L"\\" + kLibraryVersion;
  const std::wstring itf = L"Interface\\" + GuidString(IID_ILumetraCOM);
  for (REGSAM view : kViews) {
    for (const wchar_t* locale : kLocales) {
      for (const wchar_t* platform : {L"\\win32", L"\\win64", L""}) {
        DeleteKey(scope, lib + L"\\" + locale + platform, view);
      }
    }
    for (const wchar_t* sub : {L"\\FLAGS", L"\\HELPDIR", L""}) DeleteKey(scope, lib + sub, view);
    DeleteKey(scope, L"TypeLib\\" + libid, view);
    for (const wchar_t* sub : {L"\\ProxyStubClsid", L"\\ProxyStubClsid32", L"\\TypeLib", L""}) {
      DeleteKey(scope, itf + sub, view);
    }
  }
}

}  // namespace

std::optional<std::wstring> RegisterServer(bool per_user) {
  const Scope scope = ScopeFor(per_user);
  const std::wstring path = ModulePath();
  if (auto failure = RegisterTypeLibrary(path, per_user)) return failure;

  const std::wstring clsid = L"CLSID\\" + GuidString(CLSID_LumetraCOM);
  const std::pair<std::wstring, std::wstring> keys[] = {
      {clsid, kDescription},
      {clsid + L"\\LocalServer32", ServerCommand(path)},
      {kProgId, kDescription},
      {std::wstring(kProgId) + L"\\Clsid", GuidString(CLSID_LumetraCOM)},
      {clsid + L"\\ProgID", kProgId},
      {clsid + L"\\Version", kLibraryVersion},
      {clsid + L"\\TypeLib", GuidString(LIBID_Lumetra)},
  };
  for (const auto& [key, value] : keys) {
    if (!WriteDefault(scope, key, value)) return std::wstring(kRegistryError);
  }
  if (!RegisterForBothBitnesses(scope, path)) return std::wstring(kRegistryError);
  return std::nullopt;
}

void UnregisterServer(bool per_user) {
  const Scope scope = ScopeFor(per_user);
  TypeLibUnregisterFn unregister_fn = UnRegisterTypeLib;
  if (per_user) {
    if (auto fn = PerUserFunction<TypeLibUnregisterFn>("UnRegisterTypeLibForUser")) unregister_fn = fn;
  }
  unregister_fn(LIBID_Lumetra, 1, 0, 0x409, SYS_WIN32);

  const std::wstring clsid = L"CLSID\\" + GuidString(CLSID_LumetraCOM);
  for (const std::wstring& key :
       {clsid + L"\\TypeLib", clsid + L"\\Version", clsid + L"\\ProgID", std::wstring(kProgId) + L"\\Clsid",
        std::wstring(kProgId), clsid + L"\\LocalServer32", clsid}) {
    DeleteKey(scope, key);
  }
  UnregisterForBothBitnesses(scope);
}

}  // namespace lumetra::win
