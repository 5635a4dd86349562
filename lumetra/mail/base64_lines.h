// Base64 (RFC 4648, standard alphabet, "=" padding) for mail:
// - Base64OneLine: the whole encoding on one line, no line end (AUTH LOGIN,
//   encoded words).
// - AppendBase64Lines: MIME body lines of 76 characters, each ended by CR LF.
//   To encode a long input in pieces, pass pieces whose size is a multiple of
//   kBase64LineBytes (57) except the last: the lines then join seamlessly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumetra::mail {

inline constexpr std::size_t kBase64LineBytes = 57;

std::string Base64OneLine(std::string_view bytes);
void AppendBase64Lines(std::string_view bytes, std::string& out);

}  // namespace lumetra::mail
