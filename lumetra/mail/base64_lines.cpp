#include "lumetra/mail/base64_lines.h"

namespace lumetra::mail {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void AppendEncoded(std::string_view bytes, std::string& out) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
    const char group[4] = {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], kAlphabet[v & 63]};
    out.append(group, 4);
  }
  const std::size_t rest = bytes.size() - i;
  if (rest == 0) return;
  const unsigned v = (in[i] << 16) | (rest == 2 ? in[i + 1] << 8 : 0);
  out.push_back(kAlphabet[v >> 18]);
  out.push_back(kAlphabet[(v >> 12) & 63]);
  out.push_back(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
  out.push_back('=');
}

}  // namespace

std::string Base64OneLine(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  AppendEncoded(bytes, out);
  return out;
}

void AppendBase64Lines(std::string_view bytes, std::string& out) {
  out.reserve(out.size() + (bytes.size() + 2) / 3 * 4 + (bytes.size() / kBase64LineBytes + 1) * 2);
  while (!bytes.empty()) {
    const auto line = bytes.substr(0, kBase64LineBytes);
    AppendEncoded(line, out);
    out.append("\r\n");
    bytes.remove_prefix(line.size());
  }
}

}  // namespace lumetra::mail
