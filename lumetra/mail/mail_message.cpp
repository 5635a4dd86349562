#include "lumetra/mail/mail_message.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>

#include "lumetra/automation/values/errors.h"
#include "lumetra/mail/base64_lines.h"
#include "lumetra/mail/content_types.h"
#include "lumetra/mail/header_text.h"
#include "lumetra/mail/quoted_printable.h"
#include "lumetra/mail/single_bytes.h"

namespace lumetra::mail {
namespace {

constexpr std::size_t kFoldAfter = 76;
constexpr std::size_t kReadPiece = kBase64LineBytes * 1024;  // 57 KiB read from a file at a time

void WriteAddressHeader(ByteSink& sink, std::string_view name, const std::vector<Mailbox>& list) {
  if (list.empty()) return;
  std::string line(name);
  line.append(": ");
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string mailbox = FormatMailbox(list[i]);
    if (i > 0) {
      line.push_back(',');
      const auto current = line.size() - line_start;
      if (current + 1 + mailbox.size() > kFoldAfter) {
        line.append("\r\n");
        line_start = line.size();
      }
      line.push_back(' ');
    }
    line.append(mailbox);
  }
  line.append("\r\n");
  sink.Write(line);
}

void WriteHtmlPartHeaders(ByteSink& sink) {
  sink.Write(
      "Content-Type: text/html\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n"
      "Content-Disposition: inline\r\n");
}

// The quoted-printable body and the line end that follows it. In a multipart
// message that CR LF belongs to the next delimiter; in a single part it would
// belong to the body, so a soft line break ends it there instead: the body
// reads back exactly as given.
void WriteHtmlBody(ByteSink& sink, WideStringView html, bool single_part) {
  std::string body = EncodeQuotedPrintable(ToSingleBytes(html));
  const bool ends_line = body.size() >= 2 && body.compare(body.size() - 2, 2, "\r\n") == 0;
  if (!single_part)
    body.append("\r\n");
  else if (!body.empty() && !ends_line)
    body.append("=\r\n");
  sink.Write(body);
}

void WriteAttachment(ByteSink& sink, const Attachment& attachment) {
  const std::string name = FormatParameterValue(attachment.file_name);
  std::string headers = "Content-Type: ";
  headers.append(ContentTypeForFileName(attachment.file_name));
  headers.append(";\r\n name=" + name + "\r\nContent-Transfer-Encoding: base64\r\n");
  headers.append("Content-Disposition: attachment;\r\n filename=" + name + "\r\n\r\n");

  std::ifstream file(attachment.path, std::ios::binary);
  if (!file) throw Error("Cannot open the attachment file " + ToUtf8(attachment.file_name));
  sink.Write(headers);
  std::string piece(kReadPiece, '\0');
  std::string encoded;
  while (file) {
    file.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    const auto got = static_cast<std::size_t>(file.gcount());
    if (file.bad()) throw Error("Cannot read the attachment file " + ToUtf8(attachment.file_name));
    if (got == 0) break;
    encoded.clear();
    AppendBase64Lines(std::string_view(piece).substr(0, got), encoded);
    sink.Write(encoded);
  }
}

}  // namespace

void MailMessage::WriteTo(ByteSink& sink) const {
  if (!sender.address.empty()) {
    const WideString& name = sender.name.empty() ? sender.address : sender.name;
    sink.Write("From: " + QuotedDisplayName(name) + " <" + SafeAddress(sender.address) + ">\r\n");
  }
  WriteAddressHeader(sink, "To", to);
  WriteAddressHeader(sink, "Cc", cc);
  const std::string subject_text = HeaderPhrase(subject);
  sink.Write(subject_text.empty() ? "Subject:\r\n" : "Subject: " + subject_text + "\r\n");
  sink.Write("Date: " + date + "\r\nMIME-Version: 1.0\r\n");

  if (attachments.empty()) {
    WriteHtmlPartHeaders(sink);
    sink.Write("\r\n");
    WriteHtmlBody(sink, html_body, true);
    return;
  }
  const std::string delimiter = "\r\n--" + boundary + "\r\n";
  sink.Write("Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n\r\n");
  sink.Write("This is a multi-part message in MIME format\r\n");
  sink.Write(delimiter);
  WriteHtmlPartHeaders(sink);
  sink.Write("\r\n");
  WriteHtmlBody(sink, html_body, false);
  for (const auto& attachment : attachments) {
    sink.Write(delimiter.substr(2));  // the body ended with CR LF already
    WriteAttachment(sink, attachment);
  }
  sink.Write("--" + boundary + "--\r\n");
}

WideString FileNameOfPath(WideStringView path) {
  const auto slash = path.find_last_of(u"\\/");
  return WideString(slash == WideStringView::npos ? path : path.substr(slash + 1));
}

std::string DateHeaderNow() {
  static constexpr std::array<const char*, 7> kDays{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[64];
  std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday % 7], utc.tm_mday,
                kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
  return text;
}

std::string NewBoundary() {
  // "=_" never occurs in quoted-printable or base64 text, so the boundary
  // cannot appear inside a part.
  std::random_device random;
  char text[48];
  std::snprintf(text, sizeof text, "=_Lumetra_%08X%08X", random(), random());
  return text;
}

}  // namespace lumetra::mail
