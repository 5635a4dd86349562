// A TLS client session on an open socket, through the loaded OpenSSL. The
// constructor performs the handshake and raises lumetra::Error when it fails.
// Settings: TLS 1.2 or newer with OpenSSL's default ciphers, the server's
// certificate accepted without verification, SNI sent for host names.
// OpenSSL works on memory buffers; the bytes travel through Socket, so every
// wait is bounded by `limit` like on a plain connection.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "lumetra/mail/openssl_library.h"
#include "lumetra/mail/socket.h"

namespace lumetra::mail {

class TlsSession {
 public:
  TlsSession(const OpenSslApi& api, Socket& socket, const std::string& server_name, std::chrono::milliseconds limit);
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;
  ~TlsSession();

  void Send(std::string_view bytes);
  // Some decrypted bytes (at most `size`); 0 when the peer closed the session.
  std::size_t Receive(char* buffer, std::size_t size);
  // Sends close_notify; errors are ignored.
  void Shutdown() noexcept;

 private:
  void Handshake(const std::string& server_name);
  void Release() noexcept;
  [[noreturn]] void Fail(const std::string& what);
  void FlushOutput();
  bool FillInput();

  const OpenSslApi& api_;
  Socket& socket_;
  std::chrono::milliseconds limit_;
  void* ctx_ = nullptr;
  void* ssl_ = nullptr;     // owns both memory buffers below
  void* input_ = nullptr;   // bytes from the server, to be decrypted
  void* output_ = nullptr;  // bytes for the server, encrypted
};

}  // namespace lumetra::mail
