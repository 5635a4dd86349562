#include "lumetra/mail/tls_session.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "lumetra/automation/values/errors.h"

namespace lumetra::mail {
namespace {

// OpenSSL constants (stable across 1.0 to 3.x).
constexpr int kSslErrorWantRead = 2;
constexpr int kSslErrorWantWrite = 3;
constexpr int kSslErrorZeroReturn = 6;
constexpr int kSslVerifyNone = 0;
constexpr int kCtrlSetMinProtoVersion = 123;
constexpr long kTls12Version = 0x0303;
constexpr int kCtrlOptions = 32;  // 1.0: SSL_CTX_set_options
constexpr long kNoSsl2Ssl3Tls1Tls11 = 0x01000000L | 0x02000000L | 0x04000000L | 0x10000000L;
constexpr int kCtrlSetTlsextHostname = 55;
constexpr int kBioCtrlPending = 10;
constexpr std::size_t kChunk = 16 * 1024;

bool IsAddressLiteral(const std::string& host) {
  return host.find(':') != std::string::npos ||
         std::all_of(host.begin(), host.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

}  // namespace

TlsSession::TlsSession(const OpenSslApi& api, Socket& socket, const std::string& server_name,
                       std::chrono::milliseconds limit)
    : api_(api), socket_(socket), limit_(limit) {
  try {
    Handshake(server_name);
  } catch (...) {
    Release();  // the destructor does not run for a failed constructor
    throw;
  }
}

void TlsSession::Handshake(const std::string& server_name) {
  api_.ERR_clear_error();
  const void* method = api_.TLS_client_method ? api_.TLS_client_method() : api_.SSLv23_client_method();
  ctx_ = api_.SSL_CTX_new(method);
  if (!ctx_) Fail("SSL_CTX_new");
  if (api_.SSL_CTX_ctrl(ctx_, kCtrlSetMinProtoVersion, kTls12Version, nullptr) != 1)
    api_.SSL_CTX_ctrl(ctx_, kCtrlOptions, kNoSsl2Ssl3Tls1Tls11, nullptr);
  api_.SSL_CTX_set_verify(ctx_, kSslVerifyNone, nullptr);

  ssl_ = api_.SSL_new(ctx_);
  if (!ssl_) Fail("SSL_new");
  input_ = api_.BIO_new(api_.BIO_s_mem());
  output_ = api_.BIO_new(api_.BIO_s_mem());
  if (!input_ || !output_) {
    if (input_) api_.BIO_free(input_);
    if (output_) api_.BIO_free(output_);
    input_ = output_ = nullptr;
    Fail("BIO_new");
  }
  api_.SSL_set_bio(ssl_, input_, output_);
  if (!server_name.empty() && !IsAddressLiteral(server_name))
    api_.SSL_ctrl(ssl_, kCtrlSetTlsextHostname, 0, const_cast<char*>(server_name.c_str()));
  api_.SSL_set_connect_state(ssl_);

  for (;;) {
    const int result = api_.SSL_do_handshake(ssl_);
    FlushOutput();
    if (result == 1) return;
    const int error = api_.SSL_get_error(ssl_, result);
    if (error == kSslErrorWantRead) {
      if (!FillInput()) Fail("the server closed the connection during the handshake");
    } else if (error != kSslErrorWantWrite) {
      Fail("handshake");
    }
  }
}

TlsSession::~TlsSession() { Release(); }

void TlsSession::Release() noexcept {
  if (ssl_) api_.SSL_free(std::exchange(ssl_, nullptr));
  if (ctx_) api_.SSL_CTX_free(std::exchange(ctx_, nullptr));
}

void TlsSession::Fail(const std::string& what) {
  std::string text = "TLS: " + what;
  if (const unsigned long error = api_.ERR_get_error(); error != 0) {
    char detail[256] = {};
    api_.ERR_error_string_n(error, detail, sizeof detail);
    text += ": ";
    text += detail;
  }
  api_.ERR_clear_error();
  throw Error(text);
}

void TlsSession::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const int size = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX / 2));
    const int written = api_.SSL_write(ssl_, bytes.data(), size);
    if (written > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
      FlushOutput();
      continue;
    }
    const int error = api_.SSL_get_error(ssl_, written);
    FlushOutput();
    if (error == kSslErrorWantRead) {
      if (!FillInput()) throw Error("The server closed the connection.");
    } else if (error != kSslErrorWantWrite) {
      Fail("write");
    }
  }
}

std::size_t TlsSession::Receive(char* buffer, std::size_t size) {
  for (;;) {
    const int got = api_.SSL_read(ssl_, buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX / 2)));
    if (got > 0) return static_cast<std::size_t>(got);
    const int error = api_.SSL_get_error(ssl_, got);
    FlushOutput();
    if (error == kSslErrorZeroReturn) return 0;
    if (error == kSslErrorWantRead) {
      if (!FillInput()) return 0;
    } else if (error != kSslErrorWantWrite) {
      Fail("read");
    }
  }
}

void TlsSession::Shutdown() noexcept {
  try {
    api_.SSL_shutdown(ssl_);
    FlushOutput();
  } catch (...) {
  }
  api_.ERR_clear_error();
}

void TlsSession::FlushOutput() {
  char chunk[kChunk];
  while (api_.BIO_ctrl(output_, kBioCtrlPending, 0, nullptr) > 0) {
    const int got = api_.BIO_read(output_, chunk, sizeof chunk);
    if (got <= 0) break;
    socket_.Send(std::string_view(chunk, static_cast<std::size_t>(got)), limit_);
  }
}

bool TlsSession::FillInput() {
  char chunk[kChunk];
  const std::size_t got = socket_.Receive(chunk, sizeof chunk, limit_);
  if (got == 0) return false;
  return api_.BIO_write(input_, chunk, static_cast<int>(got)) == static_cast<int>(got);
}

}  // namespace lumetra::mail
