#include "lumetra/encoding/base64_files.h"

#include "lumetra/encoding/base64.h"
#include "lumetra/encoding/output_file.h"

namespace lumetra {

bool EncodeBase64ToFile(WideStringView text, WideStringView output_path) {
  return WriteWholeFile(output_path, EncodeBase64(ToUtf8(text)));
}

bool DecodeBase64ToFile(WideStringView text, WideStringView output_path) {
  return WriteWholeFile(output_path, DecodeBase64(ToUtf8(text)));
}

}  // namespace lumetra
