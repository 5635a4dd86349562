#include <windows.h>

#include "lumetra/mail/dynamic_library.h"

namespace lumetra::mail {

DynamicLibrary DynamicLibrary::Load(const std::string& file_name, std::string& error) {
  HMODULE module = LoadLibraryA(file_name.c_str());
  if (!module) error = "cannot load " + file_name + " (error " + std::to_string(GetLastError()) + ")";
  return DynamicLibrary(reinterpret_cast<void*>(module));
}

void* DynamicLibrary::Find(const char* symbol) const noexcept {
  return handle_ ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), symbol)) : nullptr;
}

}  // namespace lumetra::mail
