// TLS through OpenSSL, loaded at run time (openssl_library.h). OpenSSL works
// on memory buffers; the bytes travel through our Socket, so every TLS wait
// has the same bound as a plain one.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "lumetra/automation/values/errors.h"
#include "lumetra/mail/openssl_library.h"
#include "lumetra/mail/tls_session.h"

namespace lumetra::mail {
namespace {

// OpenSSL constants (stable across 1.1 and 3.x).
constexpr int kSslErrorWantRead = 2;
constexpr int kSslErrorWantWrite = 3;
constexpr int kSslErrorZeroReturn = 6;
constexpr int kSslVerifyNone = 0;
constexpr int kSslVerifyPeer = 1;
constexpr long kX509VerifyOk = 0;
constexpr int kCtrlSetMinProtoVersion = 123;
constexpr long kTls12Version = 0x0303;
constexpr int kCtrlSetTlsextHostname = 55;
constexpr int kBioCtrlPending = 10;
constexpr std::size_t kChunk = 16 * 1024;

class OpenSslSession final : public TlsSession {
 public:
  OpenSslSession(const OpenSslApi& api, Socket& socket, const TlsSettings& settings);
  ~OpenSslSession() override { Release(); }

  void Send(std::string_view bytes) override;
  std::size_t Receive(char* buffer, std::size_t size) override;
  void Shutdown() noexcept override;

 private:
  void Handshake(const TlsSettings& settings);
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

OpenSslSession::OpenSslSession(const OpenSslApi& api, Socket& socket, const TlsSettings& settings)
    : api_(api), socket_(socket), limit_(settings.limit) {
  try {
    Handshake(settings);
  } catch (...) {
    Release();  // the destructor does not run for a failed constructor
    throw;
  }
}

void OpenSslSession::Handshake(const TlsSettings& settings) {
  api_.ERR_clear_error();
  ctx_ = api_.SSL_CTX_new(api_.TLS_client_method());
  if (!ctx_) Fail("SSL_CTX_new");
  if (api_.SSL_CTX_ctrl(ctx_, kCtrlSetMinProtoVersion, kTls12Version, nullptr) != 1) Fail("minimum version");
  const bool verify = settings.verify_server_certificate;
  if (verify && api_.SSL_CTX_set_default_verify_paths(ctx_) != 1) Fail("the system's trusted certificates");
  api_.SSL_CTX_set_verify(ctx_, verify ? kSslVerifyPeer : kSslVerifyNone, nullptr);

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
  const std::string& host = settings.server_name;
  const bool address = IsAddressLiteral(host);
  if (!host.empty() && !address) api_.SSL_ctrl(ssl_, kCtrlSetTlsextHostname, 0, const_cast<char*>(host.c_str()));
  if (verify) {
    const int named = address ? api_.X509_VERIFY_PARAM_set1_ip_asc(api_.SSL_get0_param(ssl_), host.c_str())
                              : api_.SSL_set1_host(ssl_, host.c_str());
    if (named != 1) Fail("the host name to check");
  }
  api_.SSL_set_connect_state(ssl_);

  for (;;) {
    const int result = api_.SSL_do_handshake(ssl_);
    FlushOutput();
    if (result == 1) return;
    const int error = api_.SSL_get_error(ssl_, result);
    if (error == kSslErrorWantRead) {
      if (!FillInput()) Fail("the server closed the connection during the handshake");
    } else if (error != kSslErrorWantWrite) {
      if (const long check = api_.SSL_get_verify_result(ssl_); verify && check != kX509VerifyOk) {
        const std::string reason = std::string("the server's certificate was refused (") + host +
                                   "): " + api_.X509_verify_cert_error_string(check);
        std::fprintf(stderr, "Lumetra: %s\n", reason.c_str());
        Fail(reason);
      }
      Fail("handshake");
    }
  }
}

void OpenSslSession::Release() noexcept {
  if (ssl_) api_.SSL_free(std::exchange(ssl_, nullptr));
  if (ctx_) api_.SSL_CTX_free(std::exchange(ctx_, nullptr));
}

void OpenSslSession::Fail(const std::string& what) {
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

void OpenSslSession::Send(std::string_view bytes) {
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

std::size_t OpenSslSession::Receive(char* buffer, std::size_t size) {
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

void OpenSslSession::Shutdown() noexcept {
  try {
    api_.SSL_shutdown(ssl_);
    FlushOutput();
  } catch (...) {
  }
  api_.ERR_clear_error();
}

void OpenSslSession::FlushOutput() {
  char chunk[kChunk];
  while (api_.BIO_ctrl(output_, kBioCtrlPending, 0, nullptr) > 0) {
    const int got = api_.BIO_read(output_, chunk, sizeof chunk);
    if (got <= 0) break;
    socket_.Send(std::string_view(chunk, static_cast<std::size_t>(got)), limit_);
  }
}

bool OpenSslSession::FillInput() {
  char chunk[kChunk];
  const std::size_t got = socket_.Receive(chunk, sizeof chunk, limit_);
  if (got == 0) return false;
  return api_.BIO_write(input_, chunk, static_cast<int>(got)) == static_cast<int>(got);
}

}  // namespace

std::unique_ptr<TlsSession> StartTlsSession(Socket& socket, const TlsSettings& settings) {
  const OpenSslLoad& library = TlsLibrary();
  if (!library.api) throw Error(library.error);
  return std::make_unique<OpenSslSession>(*library.api, socket, settings);
}

bool VerifyServerCertificateSetting() {
  const char* value = std::getenv("LUMETRA_VERIFY_SERVER_CERTIFICATE");
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace lumetra::mail
