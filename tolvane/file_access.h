// The few file-system operations the configuration store needs, one implementation per
// platform (tolvane/posix, tolvane/win). Paths go to the operating system exactly as given.
#pragma once

#include <stdexcept>
#include <string>

namespace tolvane {

// A file that exists but cannot be opened for reading.
// Message: Cannot open file "<path>". <system error text>
class EFOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True when something other than a directory exists at path.
bool FileExists(const std::string& path);

// Creates the folder that holds file_path and every missing folder above it; failures are ignored.
void CreateFoldersFor(const std::string& file_path);

// Creates an empty file at path unless something already exists there; failures are ignored.
void CreateEmptyFile(const std::string& path);

// The whole content of the file, read while other programs may not write to it where the
// platform can enforce that. Throws EFOpenError when the file cannot be opened.
std::string ReadWholeFile(const std::string& path);

}  // namespace tolvane
