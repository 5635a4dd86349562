// Quoted-printable (RFC 2045 6.7) of a byte string, for the HTML body.
// Line breaks of the text (CR LF, a lone CR, a lone LF) become hard line
// breaks written as CR LF; no other CR or LF reaches the output. Bytes 33..126
// except "=" stand for themselves, space and tab too except before a line
// break or at the end, everything else is "=XX". Lines hold at most 76
// characters; longer ones are broken with a soft line break "=".
#pragma once

#include <string>
#include <string_view>

namespace lumetra::mail {

std::string EncodeQuotedPrintable(std::string_view bytes);

}  // namespace lumetra::mail
