#include "lumetra/mail/quoted_printable.h"

namespace lumetra::mail {
namespace {

constexpr std::size_t kMaxLine = 76;  // characters before CR LF, soft break "=" included

bool EndsLine(std::string_view bytes, std::size_t next) {
  return next >= bytes.size() || bytes[next] == '\r' || bytes[next] == '\n';
}

}  // namespace

std::string EncodeQuotedPrintable(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  std::size_t line = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      out.append("\r\n");
      line = 0;
      continue;
    }
    const bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !EndsLine(bytes, i + 1));
    const std::size_t width = literal ? 1 : 3;
    // Keep room for the soft break "=" unless this token ends the line anyway.
    const std::size_t room = EndsLine(bytes, i + 1) ? kMaxLine : kMaxLine - 1;
    if (line + width > room) {
      out.append("=\r\n");
      line = 0;
    }
    if (literal) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('=');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
    line += width;
  }
  return out;
}

}  // namespace lumetra::mail
