// A TCP connection, implemented per platform (posix/, win/). Every wait is
// bounded: Connect by its limit, Send and Receive by theirs. Failures raise
// lumetra::Error with the socket layer's text. The socket is closed by Close
// or by the destructor.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumetra::mail {

class Socket {
 public:
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
  // Closes the connection; raises when the platform reports a failure.
  void Close();
  bool IsOpen() const noexcept;

 private:
  explicit Socket(std::intptr_t handle) noexcept : handle_(handle) {}
  std::intptr_t handle_;
};

// The name this computer gives itself (for EHLO); "localhost" when it has none.
std::string LocalHostName();

}  // namespace lumetra::mail
