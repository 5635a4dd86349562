#include <dlfcn.h>

#include "lumetra/mail/dynamic_library.h"

namespace lumetra::mail {

DynamicLibrary DynamicLibrary::Load(const std::string& file_name, std::string& error) {
  void* handle = dlopen(file_name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* text = dlerror();
    error = text ? text : "cannot load " + file_name;
  }
  return DynamicLibrary(handle);
}

void* DynamicLibrary::Find(const char* symbol) const noexcept { return handle_ ? dlsym(handle_, symbol) : nullptr; }

}  // namespace lumetra::mail
