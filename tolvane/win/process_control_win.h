// Process control over the Windows process functions and the process-status functions of
// PSAPI.dll, which is loaded by name on first use and looked for again on each use until it loads.
//   Find:      EnumProcesses into 1024 ids; each process opened with 0x0410 (query information,
//              read memory); its first module's file name (261 characters) compared after
//              AnsiLowerCase with the path; the first match in the system's order wins.
//   Terminate: opened with 0x0001 (terminate), TerminateProcess with exit code 0, not waited for.
//   Start:     CreateProcessA with the path as the application name and, quoted, as the start of
//              the command line ("\"path\" " + arguments), flags 0x220 (normal priority, new
//              process group), no inherited handles, the caller's environment and folder, a zeroed
//              startup record; the returned handles are closed at once.
#pragma once

#include <windows.h>

#include "tolvane/process_control.h"
#include "tolvane/win/handles.h"

namespace tolvane::win {

// The three functions of PSAPI.dll that finding a process needs.
class PsapiLibrary {
 public:
  using EnumProcessesFn = BOOL(WINAPI*)(DWORD* ids, DWORD size, DWORD* bytesReturned);
  using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE process, HMODULE* modules, DWORD size, DWORD* bytesNeeded);
  using GetModuleFileNameExAFn = DWORD(WINAPI*)(HANDLE process, HMODULE module, char* name, DWORD size);

  // Loads the library unless it is loaded; false when it or one of the functions is missing.
  bool Load();

  EnumProcessesFn EnumProcesses = nullptr;
  EnumProcessModulesFn EnumProcessModules = nullptr;
  GetModuleFileNameExAFn GetModuleFileNameExA = nullptr;

 private:
  LibraryHandle library_;
};

class WinProcessControl final : public ProcessControl {
 public:
  ProcessId FindProcessIdByPath(const std::string& path) override;
  void TerminateProcessById(ProcessId processId) override;
  bool StartProcess(const std::string& path, const std::string& arguments) override;

 private:
  PsapiLibrary psapi_;
};

}  // namespace tolvane::win
