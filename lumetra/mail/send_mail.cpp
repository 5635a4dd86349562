#include "lumetra/mail/send_mail.h"

#include <filesystem>
#include <system_error>

#include "lumetra/mail/mail_message.h"
#include "lumetra/mail/take_first_token.h"

namespace lumetra::mail {
namespace {

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
    std::filesystem::path path(token);
    if (IsAttachableFile(path)) found.push_back({std::move(path), FileNameOfPath(token)});
  }
  return found;
}

std::vector<WideString> Envelope(const MailMessage& message) {
  std::vector<WideString> recipients;
  for (const auto* list : {&message.to, &message.cc, &message.bcc})
    for (const auto& mailbox : *list) recipients.push_back(mailbox.address);
  return recipients;
}

// Runs one network step; on failure sets `result` to the step's text and rethrows.
template <typename Step>
void NetworkStep(WideString& result, const char16_t* failure_text, Step&& step) {
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

  NetworkStep(result, kConnectFailed, [&] { client.Connect(); });
  NetworkStep(result, kSendFailed, [&] { client.Deliver(message.sender.address, Envelope(message), message); });
  if (client.Connected()) NetworkStep(result, kDisconnectFailed, [&] { client.Disconnect(); });
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
