#include <windows.h>

#include <string>

#include "lumetra/encoding/output_file.h"

namespace lumetra::platform {

bool CreateAndWrite(WideStringView path, std::string_view bytes) {
  const std::wstring native(path.begin(), path.end());
  HANDLE file = CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  if (!bytes.empty()) {
    DWORD written = 0;
    ok = bytes.size() <= MAXDWORD &&
         WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  }
  return CloseHandle(file) && ok;
}

}  // namespace lumetra::platform
