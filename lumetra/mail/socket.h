// A TCP connection, implemented per platform (posix/, win/). Every wait is
// bounded: Connect by its limit, Send and Receive by theirs and, besides, by
// the deadline set with LimitWaits (SmtpConnection's bound on a whole reply
// and on the whole conversation, which thereby covers the reads and writes
// of the TLS session on this socket too). Failures raise lumetra::Error with
// the socket layer's text. The socket is closed by Close or by the
// destructor.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumetra::mail {

class Socket {
 public:
  using Clock = std::chrono::steady_clock;

  // Resolves `host` and connects to the first of its addresses that answers,
  // all within `limit`.
  static Socket Connect(const std::string& host, uint16_t port, std::chrono::milliseconds limit);

  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket();

  // Sends every byte; fails when the peer takes nothing for `limit`.
  void Send(std::string_view bytes, std::chrono::milliseconds limit);
  // Waits up to `limit` for bytes and returns how many were stored (at most
  // `size`); 0 when the peer has closed the connection.
  std::size_t Receive(char* buffer, std::size_t size, std::chrono::milliseconds limit);
  // From now on no wait of Send or Receive goes past `deadline`; one that
  // would fails with `text`. Bytes already at hand are still taken.
  void LimitWaits(Clock::time_point deadline, std::string text);
  // Closes the connection; raises when the platform reports a failure.
  void Close();
  bool IsOpen() const noexcept;

 private:
  // The end of a wait that may last `limit`, and the text of its failure
  // (`text` when it ends by `limit`, the LimitWaits text otherwise).
  struct WaitEnd {
    Clock::time_point at;
    std::string text;
  };
  WaitEnd EndOfWait(Clock::time_point start, std::chrono::milliseconds limit, std::string text) const;

  explicit Socket(std::intptr_t handle) noexcept : handle_(handle) {}
  std::intptr_t handle_;
  Clock::time_point deadline_ = Clock::time_point::max();
  std::string deadline_text_;
};

// The name this computer gives itself (for EHLO); "localhost" when it has none.
std::string LocalHostName();

}  // namespace lumetra::mail
