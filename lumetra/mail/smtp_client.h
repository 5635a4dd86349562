// The SMTP client (RFC 5321, STARTTLS per RFC 3207, AUTH LOGIN per RFC 4954)
// for one send: Connect (TCP within the connect limit, greeting 220, EHLO with
// fallback to HELO), Deliver (STARTTLS when TLS was requested - required, no
// plain-text fallback -, AUTH LOGIN when there is a user name and the server
// offers LOGIN, MAIL FROM, RCPT TO for each recipient, DATA with
// dot-stuffing), Disconnect (QUIT, whose failure is ignored, then close).
// Commands are not pipelined. Each reply as a whole is bounded by the reply
// limit, the whole conversation by the conversation limit plus an allowance
// for the bytes sent, and each reply's size (see smtp_connection.h). A failing step raises lumetra::Error with the
// server's reply text or the texts documented at each step; Connect and the TLS upgrade close the connection themselves
// when they fail, otherwise the destructor closes it.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lumetra/automation/values/wide_string.h"
#include "lumetra/mail/byte_sink.h"
#include "lumetra/mail/smtp_connection.h"
#include "lumetra/mail/tls_session.h"

namespace lumetra::mail {

inline constexpr std::chrono::milliseconds kConnectLimit{3000};
// Our own bound on each whole reply and each stalled send, so that a silent
// or trickling server cannot hold the process forever.
inline constexpr std::chrono::milliseconds kDefaultReplyLimit{60000};
// Our bound on the whole conversation, before the allowance that the bytes
// sent earn (SmtpConnection): far beyond any real conversation, but finite.
inline constexpr std::chrono::milliseconds kDefaultConversationLimit{10 * 60 * 1000};

struct SmtpSettings {
  WideString host;
  int32_t port = 25;  // only the low 16 bits count
  WideString user_name;
  WideString password;
  bool use_tls = false;
  // Check the server's certificate (chain and host name) during the handshake.
  bool verify_server_certificate = false;
  std::chrono::milliseconds connect_limit = kConnectLimit;
  std::chrono::milliseconds reply_limit = kDefaultReplyLimit;
  std::chrono::milliseconds conversation_limit = kDefaultConversationLimit;
};

// The port connected to: the low 16 bits of `port`; 465 becomes 25 with TLS,
// which is always upgraded with STARTTLS.
uint16_t SmtpPort(int32_t port, bool use_tls);

// The capabilities a reply to EHLO announces: its lines after the first
// (the greeting line) when the code is 250; none otherwise.
std::vector<std::string> CapabilitiesOf(const SmtpReply& ehlo_reply);

// Whether a capability line is `name` (upper case), ignoring letter case and
// surrounding blanks.
bool HasCapability(const std::vector<std::string>& capabilities, std::string_view name);

// The mechanisms named by the capability lines "AUTH name..." or "AUTH=name...".
bool OffersLogin(const std::vector<std::string>& capabilities);

class SmtpClient {
 public:
  // `start_tls` starts the TLS session when TLS was requested.
  explicit SmtpClient(SmtpSettings settings, TlsStarter start_tls = StartTlsSession);
  ~SmtpClient();

  // "A Host is required", "A Port is required", the socket error, or the
  // server's reply to the greeting or to HELO.
  void Connect();
  // "SSL is not available on this server." and "Start SSL negotiation command
  // failed." (both after QUIT), "SSL negotiation failed." (closed without QUIT),
  // or the refused reply (after RSET for RCPT TO, DATA and the final ".").
  void Deliver(WideStringView sender, const std::vector<WideString>& recipients, const MessageText& message);
  void Disconnect();
  bool Connected() const noexcept;
  const std::vector<std::string>& capabilities() const noexcept { return capabilities_; }

 private:
  void Greet();
  void UpgradeToTls();
  void Authenticate();
  SmtpReply Expect(std::string_view command, int code, int other_code = 0);
  void ResetAndFail(const SmtpReply& refused);
  void QuitAndClose() noexcept;
  void CloseNow() noexcept;

  SmtpSettings settings_;
  TlsStarter start_tls_;
  std::unique_ptr<SmtpConnection> connection_;
  std::vector<std::string> capabilities_;
};

}  // namespace lumetra::mail
