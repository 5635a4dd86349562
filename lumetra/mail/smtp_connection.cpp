#include "lumetra/mail/smtp_connection.h"

#include "lumetra/automation/values/errors.h"

namespace lumetra::mail {
namespace {

constexpr std::size_t kMaxLine = 64 * 1024;
constexpr std::size_t kReadChunk = 16 * 1024;

}  // namespace

SmtpConnection::SmtpConnection(Socket socket, std::chrono::milliseconds reply_limit)
    : socket_(std::move(socket)), reply_limit_(reply_limit) {}

SmtpConnection::~SmtpConnection() = default;

void SmtpConnection::SendLine(std::string_view line) {
  std::string bytes(line);
  bytes.append("\r\n");
  Write(bytes);
}

void SmtpConnection::Write(std::string_view bytes) {
  if (tls_)
    tls_->Send(bytes);
  else
    socket_.Send(bytes, reply_limit_);
}

SmtpReply SmtpConnection::ReadReply() {
  ReplyParser parser;
  for (;;) {
    if (auto reply = parser.AddLine(ReadLine())) return std::move(*reply);
  }
}

std::string SmtpConnection::ReadLine() {
  for (;;) {
    const auto end = input_.find('\n', read_at_);
    if (end != std::string::npos) {
      std::string line = input_.substr(read_at_, end - read_at_);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      read_at_ = end + 1;
      return line;
    }
    if (input_.size() - read_at_ > kMaxLine) throw Error("The server sent a reply line that is too long.");
    input_.erase(0, read_at_);
    read_at_ = 0;
    const auto size = input_.size();
    input_.resize(size + kReadChunk);
    const std::size_t got = tls_ ? tls_->Receive(input_.data() + size, kReadChunk)
                                 : socket_.Receive(input_.data() + size, kReadChunk, reply_limit_);
    input_.resize(size + got);
    if (got == 0) throw Error("The server closed the connection.");
  }
}

void SmtpConnection::StartTls(const TlsStarter& start, TlsSettings settings) {
  input_.clear();
  read_at_ = 0;
  settings.limit = reply_limit_;
  tls_ = start(socket_, settings);
}

void SmtpConnection::Close() {
  if (tls_) {
    if (socket_.IsOpen()) tls_->Shutdown();
    tls_.reset();
  }
  socket_.Close();
}

}  // namespace lumetra::mail
