// Where this executable lies.
#pragma once

#include <string>

namespace lumetra::win {

// The executable's full path in its long form.
std::wstring ModulePath();

// The directory of a path, without the final backslash.
std::wstring DirectoryOf(const std::wstring& path);

// The command LocalServer32 holds for the executable: the path itself; its
// short (8.3) form when the long one contains a space; and when even that
// still contains a space (a volume without short names), the path in quotes,
// so activation can never run another program.
std::wstring ServerCommand(const std::wstring& long_path);

}  // namespace lumetra::win
