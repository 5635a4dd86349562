// Lumetra.exe: the out-of-process automation server of the class LumetraCOM.
//
// With a registration switch it writes or removes its registry entries and
// ends. Otherwise it registers its class object, shows its tray icon and runs
// the message loop of its main thread, a single-threaded apartment that
// delivers every automation call.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "lumetra/automation/win/class_factory.h"
#include "lumetra/automation/win/error_box.h"
#include "lumetra/automation/win/main_form.h"
#include "lumetra/automation/win/windows_conversions.h"
#include "lumetra/automation/win/registration.h"
#include "lumetra/automation/win/server_lifetime.h"
#include "lumetra/automation/win/start_mode.h"
#include "lumetra/automation/win/type_info.h"
#include "lumetra_h.h"  // generated from lumetra.idl

namespace lumetra::win {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;

class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(result_) && !left_to_process_exit_) CoUninitialize();
  }
  HRESULT result() const { return result_; }

  // The apartment of a serving process is not uninitialised: the process ends
  // right after its loop, and CoUninitialize can wait for ever on the client's
  // last call (the release that ended the loop), whose reply the RPC runtime's
  // own thread may still be sending. Seen under Wine about once in fifty
  // activations; the end of the process frees the apartment all the same.
  void LeaveToProcessExit() { left_to_process_exit_ = true; }

 private:
  HRESULT result_;
  bool left_to_process_exit_ = false;
};

std::wstring HResultText(const wchar_t* what, HRESULT hr) {
  wchar_t text[160];
  wsprintfW(text, L"%s (0x%08X)", what, static_cast<unsigned>(hr));
  return text;
}

// The last stop of a C++ exception on the main thread (the COM methods and the
// window procedure stop their own): it is shown, and the loop goes on serving.
// Thread messages of the lifetime (its grace timer) go to the lifetime.
void RunMessageLoop(ServerLifetime& lifetime) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    try {
      if (lifetime.HandleThreadMessage(message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    } catch (...) {
      ShowCurrentException();
    }
  }
}

// Serves activations until the quit message. The lifetime and the class
// factory are owned by the caller, outside the apartment: the COM runtime may
// release what clients left behind when the apartment ends.
int Serve(HINSTANCE instance, ServerLifetime& lifetime, LumetraTypeInfo& types, ClassFactory& factory) {
  HRESULT hr = LoadLumetraTypeInfo(types);
  if (FAILED(hr)) {
    ShowError(HResultText(L"Cannot load the type library", hr));
    return kExitFailure;
  }
  {
    ClassObjectRegistration registration;
    hr = registration.Register(CLSID_LumetraCOM, static_cast<IClassFactory*>(&factory));
    if (FAILED(hr)) {
      ShowError(HResultText(L"Cannot register the class object", hr));
      types = {};
      return kExitFailure;
    }
    CoResumeClassObjects();
    lifetime.AwaitFirstActivation();

    MainForm form(instance, lifetime);
    form.Create();  // without a display there is no tray icon; serving goes on all the same
    RunMessageLoop(lifetime);
  }
  types = {};
  return kExitOk;
}

int Run(HINSTANCE instance) {
  const StartOptions options = ParseStartOptions(ProcessArguments());
  ServerLifetime lifetime(options.mode, GetCurrentThreadId());
  LumetraTypeInfo types;
  ClassFactory factory(lifetime, types);

  ComApartment apartment;
  if (FAILED(apartment.result())) {
    ShowError(HResultText(L"Cannot initialise COM", apartment.result()));
    return kExitFailure;
  }
  InstallWindowsConversions();

  switch (options.mode) {
    case StartMode::RegServer:
      if (auto failure = RegisterServer(options.per_user)) {
        WriteStandardError(*failure);
        ShowError(*failure);
        return kExitFailure;
      }
      return kExitOk;
    case StartMode::UnregServer:
      UnregisterServer(options.per_user);
      return kExitOk;
    case StartMode::Standalone:
    case StartMode::Automation:
      break;
  }
  apartment.LeaveToProcessExit();
  return Serve(instance, lifetime, types, factory);
}

}  // namespace
}  // namespace lumetra::win

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return lumetra::win::Run(instance); }
