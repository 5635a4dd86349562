#include "lumetra/mail/header_text.h"

#include "lumetra/mail/base64_lines.h"

namespace lumetra::mail {
namespace {

constexpr std::string_view kWordStart = "=?UTF-8?B?";
constexpr std::string_view kWordEnd = "?=";
constexpr std::size_t kMaxWordBytes = 45;     // 60 Base64 characters: 72 with the delimiters
constexpr std::size_t kMaxPlainLength = 900;  // longer plain texts are encoded to be folded

// Length of the UTF-8 sequence that starts with `lead`.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  return 4;
}

}  // namespace

bool IsPlainHeaderText(WideStringView text) {
  for (char16_t c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

std::string EncodeWords(WideStringView text, std::string_view joiner) {
  const std::string utf8 = ToUtf8(text);
  std::string out;
  std::size_t at = 0;
  do {
    std::size_t end = at;
    while (end < utf8.size()) {
      const std::size_t next = end + SequenceLength(static_cast<unsigned char>(utf8[end]));
      if (next - at > kMaxWordBytes) break;
      end = next;
    }
    if (!out.empty()) out.append(joiner);
    out.append(kWordStart);
    out.append(Base64OneLine(std::string_view(utf8).substr(at, end - at)));
    out.append(kWordEnd);
    at = end;
  } while (at < utf8.size());
  return out;
}

std::string HeaderPhrase(WideStringView text) {
  if (IsPlainHeaderText(text) && text.size() <= kMaxPlainLength) return ToUtf8(text);
  return EncodeWords(text, "\r\n ");
}

std::string QuotedDisplayName(WideStringView name) {
  if (!IsPlainHeaderText(name) || name.size() > kMaxPlainLength) return EncodeWords(name, "\r\n ");
  std::string out = "\"";
  for (char16_t c : name) {
    if (c == u'\\' || c == u'"') out.push_back('\\');
    out.push_back(static_cast<char>(c));
  }
  out.push_back('"');
  return out;
}

std::string SafeAddress(WideStringView address) {
  WideString kept;
  kept.reserve(address.size());
  for (char16_t c : address)
    if (c >= 0x20 && c != 0x7F) kept.push_back(c);
  return ToUtf8(kept);
}

std::string FormatMailbox(const Mailbox& mailbox) {
  if (mailbox.name.empty()) return SafeAddress(mailbox.address);
  return QuotedDisplayName(mailbox.name) + " <" + SafeAddress(mailbox.address) + ">";
}

std::string FormatParameterValue(WideStringView value) {
  bool plain = IsPlainHeaderText(value) && value.size() <= kMaxPlainLength;
  for (char16_t c : value)
    if (c == u'"' || c == u'\\') plain = false;
  // Appended rather than `"\"" + text`: GCC 12 at -O3 warns falsely (-Wrestrict)
  // about the insert at the front of a temporary string.
  std::string quoted = "\"";
  quoted += plain ? ToUtf8(value) : EncodeWords(value, "\r\n ");
  quoted += '"';
  return quoted;
}

}  // namespace lumetra::mail
