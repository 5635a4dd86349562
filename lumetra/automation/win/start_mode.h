// The start mode, decided once from the command line.
#pragma once

#include <string>
#include <vector>

namespace lumetra::win {

enum class StartMode { Standalone, Automation, RegServer, UnregServer };

struct StartOptions {
  StartMode mode = StartMode::Standalone;
  bool per_user = false;  // registry root HKCU\Software\Classes instead of HKCR
};

// An argument is a switch when it starts with '-' or '/' and the rest equals a
// switch name, letter case aside. The names are tried in a fixed order
// (AUTOMATION, EMBEDDING, REGSERVER, UNREGSERVER, REGSERVERPERUSER,
// UNREGSERVERPERUSER), each against every argument; the first found decides.
StartOptions ParseStartOptions(const std::vector<std::wstring>& args);

// The arguments of this process, without the program name.
std::vector<std::wstring> ProcessArguments();

}  // namespace lumetra::win
