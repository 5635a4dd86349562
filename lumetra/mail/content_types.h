// The MIME content type of an attachment, chosen by the extension of its file
// name (letter case ignored); "application/octet-stream" for unknown ones.
#pragma once

#include <string_view>

#include "lumetra/automation/values/wide_string.h"

namespace lumetra::mail {

std::string_view ContentTypeForFileName(WideStringView file_name);

}  // namespace lumetra::mail
