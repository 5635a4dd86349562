#include "lumetra/mail/smtp_connection.h"

#include "lumetra/automation/values/errors.h"

namespace lumetra::mail {
namespace {

constexpr std::size_t kReadChunk = 16 * 1024;
constexpr char kReplyTooLong[] = "The server sent a reply that is too long.";

std::string Milliseconds(std::chrono::milliseconds span) { return std::to_string(span.count()) + " ms."; }

}  // namespace

SmtpConnection::SmtpConnection(Socket socket, std::chrono::milliseconds reply_limit,
                               std::chrono::milliseconds conversation_limit)
    : socket_(std::move(socket)),
      reply_limit_(reply_limit),
      conversation_limit_(conversation_limit),
      start_(Clock::now()) {
  LimitWaits();
}

SmtpConnection::~SmtpConnection() = default;

void SmtpConnection::SendLine(std::string_view line) {
  std::string bytes(line);
  bytes.append("\r\n");
  Write(bytes);
}

void SmtpConnection::Write(std::string_view bytes) {
  bytes_sent_ += bytes.size();
  LimitWaits();
  if (tls_)
    tls_->Send(bytes);
  else
    socket_.Send(bytes, reply_limit_);
}

void SmtpConnection::LimitWaits(Clock::time_point reply_end, std::string reply_text) {
  // Whole units only, so that the few bytes of the commands earn nothing.
  const auto allowance = kSendAllowance * static_cast<Clock::rep>(bytes_sent_ / kAllowanceBytes);
  const auto conversation = conversation_limit_ + allowance;
  const auto conversation_end = start_ + conversation;
  if (reply_end < conversation_end)
    socket_.LimitWaits(reply_end, std::move(reply_text));
  else
    socket_.LimitWaits(conversation_end,
                       "The conversation with the server took longer than " + Milliseconds(conversation));
}

SmtpReply SmtpConnection::ReadReply() {
  LimitWaits(Clock::now() + reply_limit_, "The server did not reply within " + Milliseconds(reply_limit_));
  ReplyParser parser;
  std::size_t bytes_left = kMaxReplyBytes;
  for (std::size_t lines = 0; lines < kMaxReplyLines; ++lines) {
    if (auto reply = parser.AddLine(ReadLine(bytes_left))) return std::move(*reply);
  }
  throw Error(kReplyTooLong);
}

std::string SmtpConnection::ReadLine(std::size_t& bytes_left) {
  for (;;) {
    const auto end = input_.find('\n', read_at_);
    if (end != std::string::npos) {
      if (end + 1 - read_at_ > bytes_left) throw Error(kReplyTooLong);
      bytes_left -= end + 1 - read_at_;
      std::string line = input_.substr(read_at_, end - read_at_);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      read_at_ = end + 1;
      return line;
    }
    if (input_.size() - read_at_ >= bytes_left) throw Error(kReplyTooLong);
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
  // The handshake as a whole gets one reply limit.
  LimitWaits(Clock::now() + reply_limit_, "The server did not reply within " + Milliseconds(reply_limit_));
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
