// Process control on Windows, over the process functions of the system and the process-status
// functions of PSAPI.dll, which is loaded by name on first use and looked for again on each use
// until it loads.
//   Find:      EnumProcesses into 1024 ids; each process opened with 0x0410 (query information,
//              read memory); its first module's file name (261 characters) compared after
//              AnsiLowerCase with the path; the first match in the system's order wins.
//   Terminate: opened with 0x0001 (terminate), TerminateProcess with exit code 0, not waited for.
//   Start:     CreateProcessA with the path as the application name and, quoted, as the start of
//              the command line ("\"path\" " + arguments), flags 0x220 (normal priority, new
//              process group), no inherited handles, the caller's environment and folder, a zeroed
//              startup record; the returned handles are closed at once.
//   A path whose file name has no extension names the program with ".exe" added, for Find and
//   Start alike (KorAsyncProcess=worker is worker.exe).
#include "tolvane/process_control.h"

#include <windows.h>

#include <memory>

#include "tolvane/ansi_text.h"
#include "tolvane/kor_tools.h"
#include "tolvane/win/handles.h"

namespace tolvane {
namespace {

using win::KernelHandle;
using win::LibraryHandle;

constexpr DWORD kQueryAndReadAccess = 0x0410;  // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ
constexpr DWORD kTerminateAccess = 0x0001;     // PROCESS_TERMINATE
constexpr DWORD kCreationFlags = 0x220;        // NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP
constexpr DWORD kProcessIdCapacity = 1024;
constexpr DWORD kModuleNameCapacity = 261;
// Added to a program path whose file name has no extension, for starting and for finding it.
constexpr std::string_view kProgramExtension = ".exe";

template <typename Function>
bool Bind(HMODULE library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return function != nullptr;
}

// The three functions of PSAPI.dll that finding a process needs.
class PsapiLibrary {
 public:
  using EnumProcessesFn = BOOL(WINAPI*)(DWORD* ids, DWORD size, DWORD* bytes_returned);
  using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE process, HMODULE* modules, DWORD size, DWORD* bytes_needed);
  using GetModuleFileNameExAFn = DWORD(WINAPI*)(HANDLE process, HMODULE module, char* name, DWORD size);

  // Loads the library unless it is loaded; false when it or one of the functions is missing.
  bool Load();

  EnumProcessesFn enum_processes = nullptr;
  EnumProcessModulesFn enum_process_modules = nullptr;
  GetModuleFileNameExAFn get_module_file_name_ex_a = nullptr;

 private:
  LibraryHandle library_;
};

class WinProcessControl final : public ProcessControl {
 public:
  ProcessId FindProcessIdByPath(const std::string& path) override;
  void TerminateProcessById(ProcessId process_id) override;
  bool StartProcess(const std::string& path, const std::string& arguments) override;

 private:
  PsapiLibrary psapi_;
};

bool PsapiLibrary::Load() {
  if (library_) return true;
  LibraryHandle library(LoadLibraryA("PSAPI.dll"));
  if (!library) return false;
  if (!Bind(library.get(), "EnumProcesses", enum_processes) ||
      !Bind(library.get(), "EnumProcessModules", enum_process_modules) ||
      !Bind(library.get(), "GetModuleFileNameExA", get_module_file_name_ex_a)) {
    return false;
  }
  library_ = std::move(library);
  return true;
}

ProcessId WinProcessControl::FindProcessIdByPath(const std::string& path) {
  if (!psapi_.Load()) return 0;
  const std::string program = WithDefaultExtension(path, kProgramExtension);
  DWORD ids[kProcessIdCapacity];
  DWORD bytes = 0;
  if (!psapi_.enum_processes(ids, sizeof ids, &bytes)) return 0;

  const DWORD count = bytes / sizeof ids[0];
  for (DWORD i = 0; i < count; ++i) {
    const KernelHandle process(OpenProcess(kQueryAndReadAccess, FALSE, ids[i]));
    if (!process) continue;
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (!psapi_.enum_process_modules(process.get(), &module, sizeof module, &needed)) continue;
    char name[kModuleNameCapacity];
    const DWORD length = psapi_.get_module_file_name_ex_a(process.get(), module, name, kModuleNameCapacity);
    if (length == 0) continue;
    if (AnsiSameText(std::string_view(name, length), program)) return ids[i];
  }
  return 0;
}

void WinProcessControl::TerminateProcessById(ProcessId process_id) {
  if (process_id == 0) return;
  const KernelHandle process(OpenProcess(kTerminateAccess, FALSE, process_id));
  if (process) TerminateProcess(process.get(), 0);
}

bool WinProcessControl::StartProcess(const std::string& path, const std::string& arguments) {
  // The path goes as the application name and, quoted, on the command line: a path with spaces
  // can never start a program named by a part of it. The application name gets no default
  // extension from the system, so ".exe" is added here as the system adds it to a command line.
  const std::string program = WithDefaultExtension(path, kProgramExtension);
  std::string command_line = "\"" + program + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  if (!CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, kCreationFlags, nullptr, nullptr,
                      &startup, &created)) {
    return false;
  }
  CloseHandle(created.hThread);
  CloseHandle(created.hProcess);
  return true;
}

}  // namespace

std::unique_ptr<ProcessControl> MakeSystemProcessControl() { return std::make_unique<WinProcessControl>(); }

}  // namespace tolvane
