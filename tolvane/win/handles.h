// Owners of Windows handles: each closes its handle when it goes out of scope.
#pragma once

#include <windows.h>

#include <utility>

namespace tolvane::win {

// Owns one handle of a kind that Close() releases; Empty is the value that means "none".
template <typename Handle, BOOL(WINAPI* Close)(Handle), Handle Empty = Handle()>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) : handle_(handle) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, Empty)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Empty));
    return *this;
  }
  ~OwnedHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Empty; }

  void reset(Handle handle = Empty) {
    if (handle_ != Empty) Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Empty;
};

// Kernel objects: processes, threads, events, files (INVALID_HANDLE_VALUE is not used here;
// file handles are normalised to nullptr by their opener).
using KernelHandle = OwnedHandle<HANDLE, CloseHandle>;

// The service control manager and services.
using ServiceHandle = OwnedHandle<SC_HANDLE, CloseServiceHandle>;

// A loaded library.
using LibraryHandle = OwnedHandle<HMODULE, FreeLibrary>;

// An event-log source.
using EventSourceHandle = OwnedHandle<HANDLE, DeregisterEventSource>;

// A windows hook.
using HookHandle = OwnedHandle<HHOOK, UnhookWindowsHookEx>;

}  // namespace tolvane::win
