#include "lumetra/mail/send_mail.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "lumetra/mail/mail_message.h"
#include "lumetra/mail/take_first_token.h"

namespace lumetra::mail {
namespace {

// The file system's path for a path as the caller wrote it; none when the
// text names no file this system can have. On Windows the UTF-16 text is the
// path itself; elsewhere paths are UTF-8, which has no form for a lone
// surrogate (the conversion throws), and a replacement character would name
// another file.
std::optional<std::filesystem::path> FileSystemPath(const WideString& text) {
#ifdef _WIN32
  return std::filesystem::path(std::wstring(text.begin(), text.end()));
#else
  try {
    return std::filesystem::path(text);
  } catch (const std::exception&) {
    return std::nullopt;
  }
#endif
}

bool IsAttachableFile(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);  // follows symbolic links
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::vector<Attachment> ExistingAttachments(WideString paths) {
  std::vector<Attachment> found;
  WideString token;
  while (!paths.empty()) {
    TakeFirstToken(paths, u"|", token);
    if (token.empty()) continue;
    auto path = FileSystemPath(token);
    if (path && IsAttachableFile(*path)) found.push_back({std::move(*path), FileNameOfPath(token)});
  }
  return found;
}

std::vector<WideString> Envelope(const MailMessage& message) {
  std::vector<WideString> recipients;
  for (const auto* list : {&message.to, &message.cc, &message.bcc})
    for (const auto& mailbox : *list) recipients.push_back(mailbox.address);
  return recipients;
}

// Runs one step; on failure sets `result` to the step's text and rethrows.
template <typename Operation>
void Step(WideString& result, const char16_t* failure_text, Operation&& step) {
  try {
    step();
  } catch (...) {
    result = failure_text;
    throw;
  }
}

}  // namespace

void SendMailMessage(const WideString& to, const WideString& cc, const WideString& bcc, const WideString& subject,
                     const WideString& body, const WideString& attachments, const WideString& user_name,
                     const WideString& password, const WideString& host, const WideString& from_name,
                     const WideString& from_address, int32_t port, bool use_tls, WideString& result,
                     std::chrono::milliseconds reply_limit) {
  result = kMailSent;

  SmtpSettings settings;
  settings.host = host;
  settings.port = port;
  settings.user_name = user_name;
  settings.password = password;
  settings.use_tls = use_tls;
  settings.verify_server_certificate = VerifyServerCertificateSetting();  // read once per send
  settings.reply_limit = reply_limit;
  SmtpClient client(std::move(settings));

  MailMessage message;
  // Preparing the message is part of sending it: should it fail, the result
  // must not read as a success.
  Step(result, kSendFailed, [&] {
    message.sender.name = from_name.empty() ? user_name : from_name;
    message.sender.address = from_address.empty() ? user_name : from_address;
    message.subject = subject;
    message.html_body = body;
    message.to = ParseAddressList(to);
    message.cc = ParseAddressList(cc);
    message.bcc = ParseAddressList(bcc);
    message.attachments = ExistingAttachments(attachments);
    message.date = DateHeaderNow();
    message.boundary = NewBoundary();
  });

  Step(result, kConnectFailed, [&] { client.Connect(); });
  Step(result, kSendFailed, [&] { client.Deliver(message.sender.address, Envelope(message), message); });
  if (client.Connected()) Step(result, kDisconnectFailed, [&] { client.Disconnect(); });
}

void SendMail(const WideString& destino, const WideString& cc, const WideString& cco, const WideString& asunto,
              const WideString& mensaje, const WideString& adjuntos, const WideString& user_name,
              const WideString& user_pass, const WideString& server, int32_t port, bool tsl, WideString& res) {
  WideString result;
  SendMailMessage(destino, cc, cco, asunto, mensaje, adjuntos, user_name, user_pass, server, u"", u"", port, tsl,
                  result);
  res = result;
}

}  // namespace lumetra::mail
