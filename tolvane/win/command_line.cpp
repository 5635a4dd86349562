#include "tolvane/win/command_line.h"

#include <windows.h>
#include <shellapi.h>

namespace tolvane::win {

CommandLine CommandLine::OfThisProcess() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 1; words != nullptr && i < count; ++i) arguments.emplace_back(words[i]);
  LocalFree(words);
  return CommandLine(std::move(arguments));
}

bool CommandLine::HasSwitch(const std::wstring& name) const {
  for (const std::wstring& argument : arguments_) {
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) continue;
    if (CompareStringOrdinal(argument.c_str() + 1, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
  }
  return false;
}

}  // namespace tolvane::win
