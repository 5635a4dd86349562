// The registry entries of the LumetraCOM class and of the type library, per
// machine (HKEY_CLASSES_ROOT) or per user (HKEY_CURRENT_USER\Software\Classes).
#pragma once

#include <optional>
#include <string>

namespace lumetra::win {

// Registers the type library carried as resource TYPELIB 1 of the executable,
// then writes the class keys. Returns the failure's message, if any.
std::optional<std::wstring> RegisterServer(bool per_user);

// Removes what RegisterServer wrote. Missing keys are no failure, so
// unregistering twice succeeds.
void UnregisterServer(bool per_user);

}  // namespace lumetra::win
