// OpenSSL, loaded at run time. TlsLibrary() loads it the first time it is
// called and keeps it for the life of the process (the only process-wide
// state of the mail code; the C++ runtime makes the first call thread-safe).
// A failure to load is kept too and reported only to a caller that needs TLS.
//
// OpenSslApi declares just the functions the TLS session uses, with their
// C signatures (the OpenSSL objects are opaque pointers), so no OpenSSL
// headers are needed to build. OpenSSL 3 is looked for first; on Windows the
// 1.0 library names are tried after it, with their older entry points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumetra::mail {

struct OpenSslApi {
  // Present in 1.1 and newer; the 1.0 fallbacks are below.
  int (*OPENSSL_init_ssl)(uint64_t options, const void* settings) = nullptr;
  const void* (*TLS_client_method)() = nullptr;
  // 1.0 only.
  int (*SSL_library_init)() = nullptr;
  const void* (*SSLv23_client_method)() = nullptr;

  void* (*SSL_CTX_new)(const void* method) = nullptr;
  void (*SSL_CTX_free)(void* ctx) = nullptr;
  long (*SSL_CTX_ctrl)(void* ctx, int command, long larg, void* parg) = nullptr;
  void (*SSL_CTX_set_verify)(void* ctx, int mode, void* callback) = nullptr;
  void* (*SSL_new)(void* ctx) = nullptr;
  void (*SSL_free)(void* ssl) = nullptr;
  void (*SSL_set_bio)(void* ssl, void* read_bio, void* write_bio) = nullptr;
  void (*SSL_set_connect_state)(void* ssl) = nullptr;
  long (*SSL_ctrl)(void* ssl, int command, long larg, void* parg) = nullptr;
  int (*SSL_do_handshake)(void* ssl) = nullptr;
  int (*SSL_read)(void* ssl, void* buffer, int size) = nullptr;
  int (*SSL_write)(void* ssl, const void* buffer, int size) = nullptr;
  int (*SSL_get_error)(const void* ssl, int result) = nullptr;
  int (*SSL_shutdown)(void* ssl) = nullptr;
  const void* (*BIO_s_mem)() = nullptr;
  void* (*BIO_new)(const void* method) = nullptr;
  int (*BIO_free)(void* bio) = nullptr;
  int (*BIO_read)(void* bio, void* buffer, int size) = nullptr;
  int (*BIO_write)(void* bio, const void* buffer, int size) = nullptr;
  long (*BIO_ctrl)(void* bio, int command, long larg, void* parg) = nullptr;
  void (*ERR_clear_error)() = nullptr;
  unsigned long (*ERR_get_error)() = nullptr;
  void (*ERR_error_string_n)(unsigned long error, char* buffer, std::size_t size) = nullptr;
};

struct OpenSslFileNames {
  std::string ssl;
  std::string crypto;
};

struct OpenSslLoad {
  const OpenSslApi* api = nullptr;  // nullptr when loading failed
  std::string error;                // why it failed
};

// Tries each pair of file names in turn (crypto first, then ssl); the first
// pair that loads with every function needed wins. The libraries stay loaded.
OpenSslLoad LoadOpenSsl(const std::vector<OpenSslFileNames>& candidates, OpenSslApi& api);

// The process's OpenSSL, loaded on the first call from the platform's candidates.
const OpenSslLoad& TlsLibrary();

namespace platform {
std::vector<OpenSslFileNames> OpenSslCandidates();
}  // namespace platform

}  // namespace lumetra::mail
