#include "smtp_server_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#ifndef LUMETRA_SMTP_SERVER_SCRIPT
#error "LUMETRA_SMTP_SERVER_SCRIPT must name smtp_server.py"
#endif

namespace lumetra::mail::testing {
namespace {

constexpr int kStartLimitMs = 30000;

std::string Unhex(const std::string& text) {
  if (text == "-") return "";
  std::string bytes;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::vector<std::string> ReceivedMessage::HeaderNames() const {
  std::vector<std::string> names;
  for (const auto& header : headers) names.push_back(header.name);
  return names;
}

std::optional<std::string> ReceivedMessage::Header(const std::string& name) const {
  for (const auto& header : headers)
    if (header.name == name) return header.value;
  return std::nullopt;
}

SmtpServerProcess::SmtpServerProcess(const std::vector<std::string>& options) {
  std::string pattern = (std::filesystem::temp_directory_path() / "lumetra-smtp-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;

  std::vector<std::string> args = {"/usr/bin/python3", LUMETRA_SMTP_SERVER_SCRIPT, "--out", folder_.string()};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string said;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
  while (said.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd entry{out[0], POLLIN, 0};
    if (poll(&entry, 1, 200) <= 0) continue;
    char chunk[128];
    const ssize_t got = read(out[0], chunk, sizeof chunk);
    if (got <= 0) break;
    said.append(chunk, static_cast<std::size_t>(got));
  }
  close(out[0]);
  if (said.rfind("PORT ", 0) == 0) port_ = std::atoi(said.c_str() + 5);
  if (port_ <= 0) {
    Stop();
    throw std::runtime_error("the SMTP test server did not start: " + said);
  }
}

SmtpServerProcess::~SmtpServerProcess() { Stop(); }

void SmtpServerProcess::Stop() noexcept {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    pid_ = -1;
  }
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

int SmtpServerProcess::MessageCount() const {
  int n = 0;
  while (std::filesystem::exists(folder_ / ("msg-" + std::to_string(n + 1) + ".txt"))) ++n;
  return n;
}

ReceivedMessage SmtpServerProcess::Message(int n) const {
  const std::string base = "msg-" + std::to_string(n);
  std::ifstream in(folder_ / (base + ".txt"));
  if (!in) throw std::runtime_error("no message " + std::to_string(n) + " was received");
  ReceivedMessage message;
  message.raw = ReadFile(folder_ / (base + ".eml"));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind, a, b, c, d;
    fields >> kind >> a >> b >> c >> d;
    if (kind == "session") {
      message.tls = a == "1";
      message.login = Unhex(b);
      message.password = Unhex(c);
    } else if (kind == "mail_from") {
      message.mail_from = Unhex(a);
    } else if (kind == "rcpt") {
      message.recipients.push_back(Unhex(a));
    } else if (kind == "header") {
      message.headers.push_back({a, Unhex(b), Unhex(c)});
    } else if (kind == "part") {
      const auto index = message.parts.size() + 1;
      message.parts.push_back({a, b == "-" ? "" : b, Unhex(c), d == "-" ? "" : d,
                               ReadFile(folder_ / (base + "-part-" + std::to_string(index) + ".bin"))});
    } else if (kind == "defects") {
      message.defects = std::stoi(a);
    }
  }
  return message;
}

int UnusedLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace lumetra::mail::testing
