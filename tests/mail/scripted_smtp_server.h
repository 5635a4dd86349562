// A small SMTP server on a loopback port that answers from a script, for the
// error paths a real server will not produce. It serves one connection on a
// thread of its own and records every line it receives. Replies are looked up
// by the command's verb in upper case ("EHLO", "MAIL", ...); "CRED1"/"CRED2"
// answer the two lines after "AUTH LOGIN"; "." answers the end of the data.
// An empty reply means silence. A stream sends its bytes in place of the
// reply, for servers that trickle, stall or flood. Every wait is bounded
// (kLifetime overall).
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumetra::mail::testing {

// Bytes sent as they are (no CR LF added): `piece` bytes at a time (0: all
// at once), each piece after `pause`; with `repeat`, over and over until the
// client hangs up or kFloodBytes have gone out. The conversation goes on
// afterwards unless the client has hung up.
struct SmtpStream {
  std::string bytes;
  std::size_t piece = 0;
  std::chrono::milliseconds pause{0};
  bool repeat = false;
};

struct SmtpScript {
  std::string greeting = "220 scripted ESMTP";
  std::map<std::string, std::string> replies = {
      {"EHLO", "250-scripted\r\n250-AUTH PLAIN LOGIN\r\n250 STARTTLS"},
      {"HELO", "250 scripted"},
      {"STARTTLS", "220 go ahead"},
      {"AUTH", "334 VXNlcm5hbWU6"},
      {"CRED1", "334 UGFzc3dvcmQ6"},
      {"CRED2", "235 accepted"},
      {"MAIL", "250 sender ok"},
      {"RCPT", "250 recipient ok"},
      {"DATA", "354 go on"},
      {".", "250 queued"},
      {"RSET", "250 reset"},
      {"QUIT", "221 bye"},
  };
  // Replies to the n-th RCPT, before the "RCPT" entry applies.
  std::vector<std::string> rcpt_replies;
  // Streams sent instead of the reply to a verb ("GREETING" for the greeting).
  std::map<std::string, SmtpStream> streams;
  // After answering STARTTLS, send bytes that are not TLS and hang up.
  bool garbage_after_starttls = false;
};

class ScriptedSmtpServer {
 public:
  static constexpr std::chrono::seconds kLifetime{20};
  static constexpr std::size_t kFloodBytes = 8 * 1024 * 1024;

  explicit ScriptedSmtpServer(SmtpScript script);
  ScriptedSmtpServer(const ScriptedSmtpServer&) = delete;
  ScriptedSmtpServer& operator=(const ScriptedSmtpServer&) = delete;
  ~ScriptedSmtpServer();

  int port() const { return port_; }
  // The command lines received (data lines excluded); waits until the client
  // has hung up or the lifetime is over.
  std::vector<std::string> Commands();
  // The verbs of Commands(), credentials shown as "CRED".
  std::vector<std::string> Verbs();
  // The raw bytes between DATA and the terminating line.
  std::string Data();

 private:
  void Serve();
  void Converse(int fd);
  // The reply to `key`, or its stream; false when the client has hung up.
  bool Answer(int fd, const std::string& key, const std::string& reply);
  bool Stream(int fd, const SmtpStream& stream);

  SmtpScript script_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<std::string> commands_;
  std::vector<std::string> verbs_;
  std::string data_;
};

}  // namespace lumetra::mail::testing
