// The aiosmtpd server of smtp_server.py, run as a child process for one test
// (or one benchmark) on a free loopback port, with its own record folder.
// The constructor waits (bounded) until it listens; the destructor stops it
// and removes the folder. Message(n) reads what the server recorded about
// the n-th message it accepted (see smtp_server.py).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumetra::mail::testing {

struct ReceivedHeader {
  std::string name, value, raw;  // value decoded from encoded words
};

struct ReceivedPart {
  std::string content_type, disposition, file_name, charset;
  std::string bytes;  // decoded payload
};

struct ReceivedMessage {
  bool tls = false;
  std::string login, password;  // "" when not authenticated
  std::string mail_from;
  std::vector<std::string> recipients;
  std::vector<ReceivedHeader> headers;
  std::vector<ReceivedPart> parts;
  int defects = -1;
  std::string raw;

  std::vector<std::string> HeaderNames() const;
  std::optional<std::string> Header(const std::string& name) const;  // decoded, first occurrence
};

class SmtpServerProcess {
 public:
  explicit SmtpServerProcess(const std::vector<std::string>& options = {});
  SmtpServerProcess(const SmtpServerProcess&) = delete;
  SmtpServerProcess& operator=(const SmtpServerProcess&) = delete;
  ~SmtpServerProcess();

  int port() const { return port_; }
  const std::filesystem::path& folder() const { return folder_; }
  // Messages recorded so far.
  int MessageCount() const;
  ReceivedMessage Message(int n) const;

 private:
  void Stop() noexcept;

  std::filesystem::path folder_;
  pid_t pid_ = -1;
  int port_ = 0;
};

// A loopback port on which nothing listens (bound once, then released).
int UnusedLoopbackPort();

}  // namespace lumetra::mail::testing
