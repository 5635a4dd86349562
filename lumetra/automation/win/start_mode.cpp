#include "lumetra/automation/win/start_mode.h"

#include <windows.h>
#include <shellapi.h>

namespace lumetra::win {
namespace {

struct SwitchName {
  const wchar_t* name;
  StartMode mode;
  bool per_user;
};

constexpr SwitchName kSwitches[] = {
    {L"AUTOMATION", StartMode::Automation, false},     {L"EMBEDDING", StartMode::Automation, false},
    {L"REGSERVER", StartMode::RegServer, false},       {L"UNREGSERVER", StartMode::UnregServer, false},
    {L"REGSERVERPERUSER", StartMode::RegServer, true}, {L"UNREGSERVERPERUSER", StartMode::UnregServer, true},
};

bool IsSwitch(const std::wstring& arg, const wchar_t* name) {
  if (arg.size() < 2 || (arg[0] != L'-' && arg[0] != L'/')) return false;
  return CompareStringOrdinal(arg.c_str() + 1, static_cast<int>(arg.size() - 1), name, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

StartOptions ParseStartOptions(const std::vector<std::wstring>& args) {
  for (const SwitchName& s : kSwitches) {
    for (const std::wstring& arg : args) {
      if (IsSwitch(arg, s.name)) return StartOptions{s.mode, s.per_user};
    }
  }
  return StartOptions{};
}

std::vector<std::wstring> ProcessArguments() {
  std::vector<std::wstring> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

}  // namespace lumetra::win
