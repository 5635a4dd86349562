// Full path of the running program, as the platform reports it (implemented per platform).
// Used only to build the production defaults; everything else takes the path as a parameter.
#pragma once

#include <string>

namespace tolvane {

std::string ThisExecutablePath();

}  // namespace tolvane
