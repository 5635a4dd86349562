#include "scripted_smtp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <thread>

namespace lumetra::mail::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::string VerbOf(const std::string& line) {
  std::string verb = line.substr(0, line.find_first_of(" :"));
  for (auto& c : verb)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return verb;
}

void SendAll(int fd, const std::string& bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const ssize_t sent = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
    if (sent <= 0) return;
    at += static_cast<std::size_t>(sent);
  }
}

void Reply(int fd, const std::string& reply) {
  if (!reply.empty()) SendAll(fd, reply + "\r\n");
}

}  // namespace

ScriptedSmtpServer::ScriptedSmtpServer(SmtpScript script) : script_(std::move(script)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 1) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("the scripted SMTP server cannot listen");
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

ScriptedSmtpServer::~ScriptedSmtpServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  close(listener_);
}

std::vector<std::string> ScriptedSmtpServer::Commands() {
  if (thread_.joinable()) thread_.join();
  return commands_;
}

std::vector<std::string> ScriptedSmtpServer::Verbs() {
  Commands();
  return verbs_;
}

std::string ScriptedSmtpServer::Data() {
  Commands();
  return data_;
}

void ScriptedSmtpServer::Serve() {
  const auto deadline = Clock::now() + kLifetime;
  while (!stop_ && Clock::now() < deadline) {
    pollfd entry{listener_, POLLIN, 0};
    if (poll(&entry, 1, 50) <= 0) continue;
    const int fd = accept(listener_, nullptr, nullptr);
    if (fd < 0) continue;
    Converse(fd);
    close(fd);
    return;
  }
}

void ScriptedSmtpServer::Converse(int fd) {
  const auto deadline = Clock::now() + kLifetime;
  if (!Answer(fd, "GREETING", script_.greeting)) return;
  std::string input;
  bool in_data = false;
  int credentials = 0;  // lines still expected after "AUTH LOGIN"
  std::size_t rcpt_count = 0;
  while (!stop_ && Clock::now() < deadline) {
    const auto end = input.find("\r\n");
    if (end == std::string::npos) {
      pollfd entry{fd, POLLIN, 0};
      if (poll(&entry, 1, 50) <= 0) continue;
      char chunk[4096];
      const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
      if (got <= 0) return;  // the client hung up
      input.append(chunk, static_cast<std::size_t>(got));
      continue;
    }
    const std::string line = input.substr(0, end);
    input.erase(0, end + 2);
    if (in_data) {
      if (line == ".") {
        in_data = false;
        if (!Answer(fd, ".", script_.replies["."])) return;
      } else {
        data_ += line + "\r\n";
      }
      continue;
    }
    commands_.push_back(line);
    std::string key = VerbOf(line);
    if (credentials > 0) key = credentials-- == 2 ? "CRED1" : "CRED2";
    verbs_.push_back(key.rfind("CRED", 0) == 0 ? "CRED" : key);
    std::string reply = script_.replies[key];
    if (key == "RCPT" && rcpt_count < script_.rcpt_replies.size()) reply = script_.rcpt_replies[rcpt_count];
    if (key == "RCPT") ++rcpt_count;
    if (key == "AUTH" && reply.rfind("334", 0) == 0) credentials = 2;
    if (key == "CRED1" && reply.rfind("334", 0) != 0) credentials = 0;
    if (!Answer(fd, key, reply)) return;
    if (key == "DATA" && reply.rfind("354", 0) == 0) in_data = true;
    if (key == "STARTTLS" && script_.garbage_after_starttls) {
      SendAll(fd, "this is certainly not a TLS handshake\r\n");
      shutdown(fd, SHUT_RDWR);
    }
    if (key == "QUIT") return;
  }
}

bool ScriptedSmtpServer::Answer(int fd, const std::string& key, const std::string& reply) {
  const auto stream = script_.streams.find(key);
  if (stream == script_.streams.end()) {
    Reply(fd, reply);
    return true;
  }
  return Stream(fd, stream->second);
}

bool ScriptedSmtpServer::Stream(int fd, const SmtpStream& stream) {
  const auto deadline = Clock::now() + kLifetime;
  const std::size_t piece = stream.piece == 0 ? stream.bytes.size() : stream.piece;
  std::size_t at = 0, total = 0;
  while (!stop_ && Clock::now() < deadline && total < kFloodBytes) {
    if (at == stream.bytes.size()) {
      if (!stream.repeat) return true;
      at = 0;
    }
    if (stream.pause.count() > 0) std::this_thread::sleep_for(stream.pause);
    pollfd entry{fd, POLLOUT, 0};
    if (poll(&entry, 1, 50) <= 0) continue;
    const std::size_t size = std::min(piece, stream.bytes.size() - at);
    const ssize_t sent = send(fd, stream.bytes.data() + at, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (sent <= 0) return false;  // the client hung up
    at += static_cast<std::size_t>(sent);
    total += static_cast<std::size_t>(sent);
  }
  return false;
}

}  // namespace lumetra::mail::testing
