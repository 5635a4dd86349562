// The byte stream of one SMTP conversation: command lines out, replies in,
// on a plain socket or, after StartTls, through a TLS session. Also a
// ByteSink, for the message text of DATA. Every wait for the server is
// bounded, and each bound fails with lumetra::Error:
// - a whole reply (all its lines) and the whole TLS handshake by the reply
//   limit ("The server did not reply within N ms."); a send that stalls, by
//   the reply limit too ("The server took no data for N ms.");
// - the whole conversation, from the connection on, by the conversation
//   limit plus an allowance for the bytes sent (kSendAllowance per
//   kAllowanceBytes), so that a large message gets the time its upload needs
//   ("The conversation with the server took longer than N ms.", N the limit
//   and the allowance earned so far);
// - a reply by kMaxReplyLines lines and kMaxReplyBytes bytes, line ends
//   included ("The server sent a reply that is too long.").
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
  static constexpr std::size_t kMaxReplyLines = 500;
  static constexpr std::size_t kMaxReplyBytes = 64 * 1024;
  static constexpr std::size_t kAllowanceBytes = 4 * 1024;
  static constexpr std::chrono::milliseconds kSendAllowance{1000};

  SmtpConnection(Socket socket, std::chrono::milliseconds reply_limit, std::chrono::milliseconds conversation_limit);
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
  using Clock = Socket::Clock;

  // Bounds the next waits by the end of the conversation and, when given,
  // by `reply_end`, whose failure text is `reply_text`.
  void LimitWaits(Clock::time_point reply_end = Clock::time_point::max(), std::string reply_text = {});
  // The next line without its line end; the line and its end may take at
  // most `bytes_left` bytes, which are reduced by them.
  std::string ReadLine(std::size_t& bytes_left);

  Socket socket_;
  std::chrono::milliseconds reply_limit_;
  std::chrono::milliseconds conversation_limit_;
  Clock::time_point start_;
  std::size_t bytes_sent_ = 0;
  std::unique_ptr<TlsSession> tls_;
  std::string input_;
  std::size_t read_at_ = 0;
};

}  // namespace lumetra::mail
