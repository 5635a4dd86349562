// The texts of a mail message. The first byte picks the function; the rest is
// its input (UTF-16 code units for texts, bytes for bodies):
// address lists, encoded words and the header texts, quoted-printable, Base64
// lines and dot-stuffing, each with the properties that are cheap to check.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "lumetra/encoding/base64.h"
#include "lumetra/mail/address_list.h"
#include "lumetra/mail/base64_lines.h"
#include "lumetra/mail/dot_stuffing.h"
#include "lumetra/mail/header_text.h"
#include "lumetra/mail/quoted_printable.h"

using lumetra::WideString;
using lumetra::fuzz::Check;
using lumetra::fuzz::FuzzInput;
namespace mail = lumetra::mail;

namespace {

// CR and LF appear only as folding: CR LF followed by a space or tab.
void CheckHeaderSafe(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') Check(i > 0 && text[i - 1] == '\r', "an LF only after a CR");
    if (text[i] == '\r')
      Check(i + 2 < text.size() && text[i + 1] == '\n' && (text[i + 2] == ' ' || text[i + 2] == '\t'),
            "a CR only as folding");
  }
}

void AddressList(const WideString& text) {
  for (const mail::Mailbox& mailbox : mail::ParseAddressList(text)) {
    Check(!mailbox.address.empty(), "an entry has an address");
    CheckHeaderSafe(mail::FormatMailbox(mailbox));
  }
}

// Each encoded word is at most 75 characters and decodes to its part of the text.
void EncodedWords(const WideString& text) {
  const std::string words = mail::EncodeWords(text, " ");
  CheckHeaderSafe(words);
  std::string decoded;
  size_t start = 0;
  while (start < words.size()) {
    size_t end = words.find(' ', start);
    if (end == std::string::npos) end = words.size();
    const std::string_view word = std::string_view(words).substr(start, end - start);
    Check(word.size() <= 75, "an encoded word has at most 75 characters");
    Check(word.starts_with("=?UTF-8?B?") && word.ends_with("?="), "an encoded word is B-encoded UTF-8");
    decoded += lumetra::DecodeBase64(word.substr(10, word.size() - 12));
    start = end + 1;
  }
  Check(decoded == lumetra::ToUtf8(text), "the encoded words decode to the text");
}

void HeaderTexts(const WideString& text) {
  CheckHeaderSafe(mail::HeaderPhrase(text));
  CheckHeaderSafe(mail::QuotedDisplayName(text));
  CheckHeaderSafe(mail::FormatParameterValue(text));
  const std::string address = mail::SafeAddress(text);
  for (const char c : address) Check(static_cast<unsigned char>(c) >= 32, "a safe address has no control characters");
  if (mail::IsPlainHeaderText(text))
    for (const char16_t c : text) Check(c >= u' ' && c <= u'~', "plain text is printable ASCII");
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Quoted-printable lines: at most 76 characters, only CR LF line ends, no
// blank before a line end, and decoding gives the bytes with their line breaks as CR LF.
void QuotedPrintable(std::string_view bytes) {
  const std::string encoded = mail::EncodeQuotedPrintable(bytes);
  std::string decoded;
  size_t line_length = 0;
  bool soft_break = false;  // the last character was a bare "="
  for (size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    const bool after_equals = soft_break;
    soft_break = false;
    if (c == '\r') {
      Check(i + 1 < encoded.size() && encoded[i + 1] == '\n', "a CR only in CR LF");
      Check(i == 0 || (encoded[i - 1] != ' ' && encoded[i - 1] != '\t'), "no blank before a line end");
      ++i;
      line_length = 0;
      if (after_equals) {
        decoded.pop_back();  // a soft line break
      } else {
        decoded += "\r\n";
      }
      continue;
    }
    Check(c != '\n', "an LF only in CR LF");
    Check((c >= 33 && c <= 126) || c == ' ' || c == '\t', "only printable characters, space and tab");
    Check(++line_length <= 76, "a line has at most 76 characters");
    if (c == '=' && i + 2 < encoded.size() && HexDigit(encoded[i + 1]) >= 0 && HexDigit(encoded[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigit(encoded[i + 1]) * 16 + HexDigit(encoded[i + 2]));
      i += 2;
      line_length += 2;
      Check(line_length <= 76, "a line has at most 76 characters");
      continue;
    }
    Check(c != '=' || (i + 1 < encoded.size() && encoded[i + 1] == '\r'), "\"=\" only as an escape or soft break");
    soft_break = c == '=';
    decoded += c;
  }
  Check(!soft_break, "no soft break at the end");
  Check(encoded.empty() || (encoded.back() != ' ' && encoded.back() != '\t'), "no blank at the end");
  std::string expected;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' || bytes[i] == '\n') {
      expected += "\r\n";
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      expected += bytes[i];
    }
  }
  Check(decoded == expected, "quoted-printable decodes to the bytes");
}

void Base64(std::string_view bytes) {
  const std::string line = mail::Base64OneLine(bytes);
  Check(line.find_first_of("\r\n") == std::string::npos, "one line");
  Check(lumetra::DecodeBase64(line) == bytes, "the line decodes to the bytes");
  std::string lines;
  mail::AppendBase64Lines(bytes, lines);
  for (size_t start = 0; start < lines.size();) {
    const size_t end = lines.find("\r\n", start);
    Check(end != std::string::npos, "every line ends with CR LF");
    Check(end - start <= 76, "a line has at most 76 characters");
    start = end + 2;
  }
  Check(lumetra::DecodeBase64(lines) == bytes, "the lines decode to the bytes");
}

// Dot-stuffing, the bytes written in pieces of fuzzed sizes: every line that
// starts with "." gets a second one, so nothing before the terminating line
// can end DATA, and taking the dots out again gives the text back.
void DotStuffing(FuzzInput& input) {
  const std::string_view sizes = input.Bytes(input.Byte() % 8);
  const std::string_view bytes = input.Rest();
  mail::StringSink out;
  mail::DotStuffingSink sink(out);
  std::string_view rest = bytes;
  for (size_t piece = 0; !rest.empty(); ++piece) {
    const size_t take = piece < sizes.size() ? static_cast<uint8_t>(sizes[piece]) : rest.size();
    sink.Write(rest.substr(0, take));
    rest.remove_prefix(std::min(take, rest.size()));
  }
  sink.Finish();
  const std::string& text = out.text;
  Check(text.ends_with("\r\n.\r\n") || text == ".\r\n", "the data ends with CR LF \".\" CR LF");
  const size_t body = text.size() - 3;  // the terminating ".\r\n"
  std::string unstuffed;
  for (size_t i = 0; i < body; ++i) {
    if ((i == 0 || text[i - 1] == '\n') && text[i] == '.') {
      Check(i + 1 < body && text[i + 1] == '.', "a line starting with \".\" is stuffed");
      ++i;
    }
    unstuffed += text[i];
  }
  std::string expected(bytes);
  if (!expected.empty() && !expected.ends_with("\r\n")) expected += "\r\n";
  Check(unstuffed == expected, "taking the dots out gives the text back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  switch (input.Byte() % 6) {
    case 0:
      AddressList(lumetra::fuzz::Utf16Units(input.Rest()));
      break;
    case 1:
      EncodedWords(lumetra::fuzz::Utf16Units(input.Rest()));
      break;
    case 2:
      HeaderTexts(lumetra::fuzz::Utf16Units(input.Rest()));
      break;
    case 3:
      QuotedPrintable(input.Rest());
      break;
    case 4:
      Base64(input.Rest());
      break;
    default:
      DotStuffing(input);
      break;
  }
  return 0;
}
