#include "tolvane/win/process_control_win.h"

#include "tolvane/ansi_text.h"

namespace tolvane::win {
namespace {

constexpr DWORD kQueryAndReadAccess = 0x0410;  // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ
constexpr DWORD kTerminateAccess = 0x0001;     // PROCESS_TERMINATE
constexpr DWORD kCreationFlags = 0x220;        // NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP
constexpr DWORD kProcessIdCapacity = 1024;
constexpr DWORD kModuleNameCapacity = 261;

template <typename Function>
bool Bind(HMODULE library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return function != nullptr;
}

}  // namespace

bool PsapiLibrary::Load() {
  if (library_) return true;
  LibraryHandle library(LoadLibraryA("PSAPI.dll"));
  if (!library) return false;
  if (!Bind(library.get(), "EnumProcesses", EnumProcesses) ||
      !Bind(library.get(), "EnumProcessModules", EnumProcessModules) ||
      !Bind(library.get(), "GetModuleFileNameExA", GetModuleFileNameExA)) {
    return false;
  }
  library_ = std::move(library);
  return true;
}

ProcessId WinProcessControl::FindProcessIdByPath(const std::string& path) {
  if (!psapi_.Load()) return 0;
  DWORD ids[kProcessIdCapacity];
  DWORD bytes = 0;
  if (!psapi_.EnumProcesses(ids, sizeof ids, &bytes)) return 0;

  const DWORD count = bytes / sizeof ids[0];
  for (DWORD i = 0; i < count; ++i) {
    const KernelHandle process(OpenProcess(kQueryAndReadAccess, FALSE, ids[i]));
    if (!process) continue;
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (!psapi_.EnumProcessModules(process.get(), &module, sizeof module, &needed)) continue;
    char name[kModuleNameCapacity];
    const DWORD length = psapi_.GetModuleFileNameExA(process.get(), module, name, kModuleNameCapacity);
    if (length == 0) continue;
    if (AnsiSameText(std::string_view(name, length), path)) return ids[i];
  }
  return 0;
}

void WinProcessControl::TerminateProcessById(ProcessId processId) {
  if (processId == 0) return;
  const KernelHandle process(OpenProcess(kTerminateAccess, FALSE, processId));
  if (process) TerminateProcess(process.get(), 0);
}

bool WinProcessControl::StartProcess(const std::string& path, const std::string& arguments) {
  // The path goes as the application name and, quoted, on the command line: a path with spaces
  // can never start a program named by a part of it.
  std::string commandLine = "\"" + path + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, kCreationFlags, nullptr, nullptr,
                      &startup, &created)) {
    return false;
  }
  CloseHandle(created.hThread);
  CloseHandle(created.hProcess);
  return true;
}

}  // namespace tolvane::win
