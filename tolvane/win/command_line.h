// The program's switches: an argument that begins with "/" or "-" followed by the switch's name,
// compared without regard to letter case. Only the presence of a switch matters.
#pragma once

#include <string>
#include <vector>

namespace tolvane::win {

class CommandLine {
 public:
  // The arguments after the program's name.
  explicit CommandLine(std::vector<std::wstring> arguments) : arguments_(std::move(arguments)) {}

  // The arguments of this process, as the system splits its command line.
  static CommandLine OfThisProcess();

  bool HasSwitch(const std::wstring& name) const;

 private:
  std::vector<std::wstring> arguments_;
};

}  // namespace tolvane::win
