#include "tolvane/win/service_names.h"

#include "tolvane/win/errors.h"

namespace tolvane::win {
namespace {

bool IsLetterOrUnderscore(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsValidIdent(std::string_view name) {
  if (name.empty() || !IsLetterOrUnderscore(name.front())) return false;
  for (const char c : name.substr(1)) {
    if (!IsLetterOrUnderscore(c) && !IsDigit(c)) return false;
  }
  return true;
}

ServiceNames MakeServiceNames(const std::string& instance_suffix) {
  ServiceNames names{"TolvaneServ" + instance_suffix, "KORVA - Tolvane " + instance_suffix};
  if (!IsValidIdent(names.name)) RaiseInvalidComponentName(names.name);
  return names;
}

}  // namespace tolvane::win
