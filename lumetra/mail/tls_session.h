// A TLS client session on an open socket, through the platform's TLS:
// natively OpenSSL loaded at run time (posix/tls_session_posix.cpp), on
// Windows the system's Secure Channel (win/tls_session_win.cpp).
//
// StartTlsSession performs the handshake and raises lumetra::Error when it
// fails (also when the platform's TLS cannot be used). Both layers negotiate
// TLS 1.2 or newer with the library's default ciphers and send SNI when the
// host is a name, not an address literal. The server's certificate is
// accepted without any check unless `verify_server_certificate` is set; then
// the chain must end in one of the system's trusted roots and name the host,
// and a failed check fails the handshake (the reason goes to the platform's
// log: the application event log on Windows, stderr natively).
// The bytes travel through Socket, so every wait is bounded by `limit` like
// on a plain connection.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "lumetra/mail/socket.h"

namespace lumetra::mail {

struct TlsSettings {
  std::string server_name;  // the host as the caller gave it
  bool verify_server_certificate = false;
  std::chrono::milliseconds limit{60000};
};

class TlsSession {
 public:
  TlsSession() = default;
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;
  virtual ~TlsSession() = default;

  virtual void Send(std::string_view bytes) = 0;
  // Some decrypted bytes (at most `size`); 0 when the peer closed the session.
  virtual std::size_t Receive(char* buffer, std::size_t size) = 0;
  // Sends close_notify; errors are ignored.
  virtual void Shutdown() noexcept = 0;
};

// The platform's TLS on `socket`, after the handshake.
std::unique_ptr<TlsSession> StartTlsSession(Socket& socket, const TlsSettings& settings);

// How a client starts TLS; StartTlsSession unless a test says otherwise.
using TlsStarter = std::function<std::unique_ptr<TlsSession>(Socket& socket, const TlsSettings& settings)>;

// The machine's setting "check the server's certificate", read anew on each
// call: natively the environment variable LUMETRA_VERIFY_SERVER_CERTIFICATE=1,
// on Windows the DWORD 1 in HKLM\SOFTWARE\Lumetra\VerifyServerCertificate.
bool VerifyServerCertificateSetting();

// True for an IPv4 or IPv6 address literal, which is never sent as SNI.
bool IsAddressLiteral(std::string_view host);

}  // namespace lumetra::mail
