// The class object of LumetraCOM. Its own references do not keep the process
// alive; LockServer counts like an object.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "lumetra/automation/win/server_lifetime.h"
#include "lumetra/automation/win/type_info.h"

namespace lumetra::win {

class ClassFactory final : public IClassFactory {
 public:
  ClassFactory(ServerLifetime& lifetime, const LumetraTypeInfo& types) : lifetime_(lifetime), types_(types) {}
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  // The factory lives as long as the server's main routine; its count is kept
  // for the COM runtime's sake only.
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  volatile LONG refs_ = 1;
  ServerLifetime& lifetime_;
  const LumetraTypeInfo& types_;
};

// Registers the class object for local activations, multiple use, suspended
// until CoResumeClassObjects; revoked when this goes.
class ClassObjectRegistration {
 public:
  ClassObjectRegistration() = default;
  ClassObjectRegistration(const ClassObjectRegistration&) = delete;
  ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;
  ~ClassObjectRegistration();

  HRESULT Register(REFCLSID clsid, IUnknown* factory);

 private:
  DWORD cookie_ = 0;
  bool registered_ = false;
};

}  // namespace lumetra::win
