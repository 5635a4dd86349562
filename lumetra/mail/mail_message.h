// The e-mail that SendMail sends: an HTML part and file attachments.
// Written as RFC 5322 with MIME, CR LF line ends only:
//   From ("name" <address>, only when there is a sender address), To, Cc (the
//   entries joined by ", ", folded between entries, only when not empty),
//   Subject, Date, MIME-Version: 1.0; no Bcc header.
//   Without attachments the message is the HTML part itself (text/html,
//   quoted-printable, inline); with attachments it is multipart/mixed with a
//   preamble, the HTML part, then one base64 part per attachment (type by
//   extension with a name, attachment with a filename).
// The body becomes one byte per character (single_bytes.h), then
// quoted-printable. Attachment files are read while the message is written,
// in pieces; a file that cannot be opened or read raises lumetra::Error.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/mail/address_list.h"
#include "lumetra/mail/byte_sink.h"

namespace lumetra::mail {

struct Attachment {
  std::filesystem::path path;
  WideString file_name;  // as shown to the recipient, without folders
};

struct MailMessage : MessageText {
  Mailbox sender;  // the From header; none when the address is empty
  std::vector<Mailbox> to, cc, bcc;
  WideString subject;
  WideString html_body;
  std::vector<Attachment> attachments;
  std::string date;      // Date header value; see DateHeaderNow
  std::string boundary;  // multipart boundary; see NewBoundary

  void WriteTo(ByteSink& sink) const override;
};

// The file name part of a path as written by the user: after the last "\" or "/".
WideString FileNameOfPath(WideStringView path);

// The current time in RFC 5322 form, in UTC ("Thu, 10 Dec 2026 08:05:03 +0000").
std::string DateHeaderNow();

// A boundary that cannot occur in quoted-printable or base64 text.
std::string NewBoundary();

}  // namespace lumetra::mail
