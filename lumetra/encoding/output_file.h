// Writing a whole file from memory, for the Base64 file operations.
// The path is checked by the same Windows path rules in every build, so the
// behaviour is identical everywhere: not blank, no character invalid in
// paths (controls, " < > | * ?), no ":" beyond a drive designator, shorter
// than 260 characters unless it starts with the extended-length prefix
// "\\?\". The folder must exist (it is never created); the file is created
// or truncated and receives the bytes in one write.
#pragma once

#include <string_view>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra {

bool IsAcceptableOutputPath(WideStringView path);

// False when the path is refused or the file cannot be created or written.
// A file created before a failed write is left as it is.
bool WriteWholeFile(WideStringView path, std::string_view bytes);

namespace platform {
// The platform's part of WriteWholeFile: create or truncate, one write.
bool CreateAndWrite(WideStringView path, std::string_view bytes);
}  // namespace platform

}  // namespace lumetra
