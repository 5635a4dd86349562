// Base64 with the standard alphabet and "=" padding. The encoder breaks its
// output into lines of 76 characters, each followed by CR LF (also a last full
// line); a short last group gets no line end. The decoder is lenient: it skips
// every byte outside the alphabet wherever it stands ("=", blanks, line ends,
// "-", "_", non-ASCII) and never fails.
#pragma once

#include <string>
#include <string_view>

namespace lumetra {

std::string EncodeBase64(std::string_view bytes);
std::string DecodeBase64(std::string_view text);

}  // namespace lumetra
