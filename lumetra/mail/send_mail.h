// The SendMail operation: one HTML e-mail with To, Cc, Bcc and attachments,
// sent through one SMTP client over one connection.
//
// SendMailMessage sets `result` to kMailSent first; when preparing the
// message or the connect, send or disconnect step fails it sets `result` to
// that step's text (kSendFailed for the message, kConnectFailed, kSendFailed,
// kDisconnectFailed) and lets the same error continue, so a failure never
// reads as a success. Everything created for the call (client, connection,
// message) is released on every path.
// Attachments: the paths in `attachments` separated by "|"; a path naming no
// existing file (a directory does not count) is skipped without a report, and
// so is one that cannot name a file here (natively, a lone surrogate has no
// UTF-8 form).
// The sender's display name and address fall back to `user_name` when empty.
//
// SendMail is the automation method: SendMailMessage with no explicit
// sender; `res` receives the result only when it returns normally.
#pragma once

#include <chrono>
#include <cstdint>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/mail/smtp_client.h"

namespace lumetra::mail {

inline constexpr char16_t kMailSent[] = u"Correo enviado correctamente.";
inline constexpr char16_t kConnectFailed[] = u"Error al conectar con el servidor.";
inline constexpr char16_t kSendFailed[] = u"Fallo en el envio de email";
inline constexpr char16_t kDisconnectFailed[] = u"Error al desconectar del servidor.";

// `reply_limit` bounds every wait for the server (the product uses the default).
void SendMailMessage(const WideString& to, const WideString& cc, const WideString& bcc, const WideString& subject,
                     const WideString& body, const WideString& attachments, const WideString& user_name,
                     const WideString& password, const WideString& host, const WideString& from_name,
                     const WideString& from_address, int32_t port, bool use_tls, WideString& result,
                     std::chrono::milliseconds reply_limit = kDefaultReplyLimit);

void SendMail(const WideString& destino, const WideString& cc, const WideString& cco, const WideString& asunto,
              const WideString& mensaje, const WideString& adjuntos, const WideString& user_name,
              const WideString& user_pass, const WideString& server, int32_t port, bool tsl, WideString& res);

}  // namespace lumetra::mail
