// A shared library loaded at run time (dlopen, posix/): OpenSSL in the native
// build. The Windows build loads no library at run time. A library once loaded stays loaded until the process ends:
// the handle is never closed, so its functions can be kept anywhere.
#pragma once

#include <string>

namespace lumetra::mail {

class DynamicLibrary {
 public:
  // Loads the library by its file name; on failure returns an empty library
  // and sets `error` to the platform's text.
  static DynamicLibrary Load(const std::string& file_name, std::string& error);

  DynamicLibrary() = default;
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  // The address of an exported function, or nullptr.
  void* Find(const char* symbol) const noexcept;

 private:
  explicit DynamicLibrary(void* handle) noexcept : handle_(handle) {}
  void* handle_ = nullptr;
};

}  // namespace lumetra::mail
