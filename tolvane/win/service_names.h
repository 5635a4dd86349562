// The names of the service: "TolvaneServ" and "KORVA - Tolvane " followed by the instance suffix.
// The service name must be an identifier: a letter (A-Z, a-z) or "_" first, then letters, digits
// or "_".
#pragma once

#include <string>
#include <string_view>

namespace tolvane::win {

bool IsValidIdent(std::string_view name);

struct ServiceNames {
  std::string name;
  std::string display_name;
};

// Throws EComponentError ("''<name>'' is not a valid component name") when the service name
// made with the suffix is not an identifier.
ServiceNames MakeServiceNames(const std::string& instance_suffix);

}  // namespace tolvane::win
