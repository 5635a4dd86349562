// The Base64 file operations: the text's UTF-8 bytes encoded into a file, or
// the bytes decoded from a Base64 text written into a file. Each returns true
// when the whole output was written and false on any failure.
#pragma once

#include "lumetra/automation/values/wide_string.h"

namespace lumetra {

bool EncodeBase64ToFile(WideStringView text, WideStringView output_path);
bool DecodeBase64ToFile(WideStringView text, WideStringView output_path);

}  // namespace lumetra
