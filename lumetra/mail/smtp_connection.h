// The byte stream of one SMTP conversation: command lines out, replies in,
// on a plain socket or, after StartTls, through a TLS session. Every wait
// for the server is bounded by the reply limit (no byte for that long fails
// with lumetra::Error). Also a ByteSink, for the message text of DATA.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "lumetra/mail/byte_sink.h"
#include "lumetra/mail/smtp_reply.h"
#include "lumetra/mail/socket.h"
#include "lumetra/mail/tls_session.h"

namespace lumetra::mail {

class SmtpConnection : public ByteSink {
 public:
  SmtpConnection(Socket socket, std::chrono::milliseconds reply_limit);
  ~SmtpConnection() override;

  // Sends `line` followed by CR LF.
  void SendLine(std::string_view line);
  // Sends bytes as they are.
  void Write(std::string_view bytes) override;
  // Reads one complete reply (all its lines).
  SmtpReply ReadReply();
  SmtpReply Command(std::string_view line) {
    SendLine(line);
    return ReadReply();
  }
  // Performs the TLS handshake with `start` (the reply limit bounds its
  // waits too); input received before it is discarded, so nothing the server
  // sent in plain text is read as protected.
  void StartTls(const TlsStarter& start, TlsSettings settings);
  // Ends TLS (close_notify) and closes the socket; raises only when closing
  // the socket fails. Closing twice is harmless.
  void Close();
  bool IsOpen() const noexcept { return socket_.IsOpen(); }

 private:
  std::string ReadLine();

  Socket socket_;
  std::chrono::milliseconds reply_limit_;
  std::unique_ptr<TlsSession> tls_;
  std::string input_;
  std::size_t read_at_ = 0;
};

}  // namespace lumetra::mail
