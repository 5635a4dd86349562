// OpenSSL, loaded at run time. TlsLibrary() loads it the first time it is
// called and keeps it for the life of the process (the only process-wide
// state of the mail code; the C++ runtime makes the first call thread-safe).
// A failure to load is kept too and reported only to a caller that needs TLS.
//
// OpenSslApi declares just the functions the TLS session uses, with their
// C signatures (the OpenSSL objects are opaque pointers), so no OpenSSL
// headers are needed to build. Only the native build uses OpenSSL (3.x); the
// Windows build talks TLS through the system's Secure Channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumetra::mail {

struct OpenSslApi {
  int (*OPENSSL_init_ssl)(uint64_t options, const void* settings) = nullptr;
  const void* (*TLS_client_method)() = nullptr;

  void* (*SSL_CTX_new)(const void* method) = nullptr;
  void (*SSL_CTX_free)(void* ctx) = nullptr;
  long (*SSL_CTX_ctrl)(void* ctx, int command, long larg, void* parg) = nullptr;
  void (*SSL_CTX_set_verify)(void* ctx, int mode, void* callback) = nullptr;
  int (*SSL_CTX_set_default_verify_paths)(void* ctx) = nullptr;
  void* (*SSL_new)(void* ctx) = nullptr;
  void (*SSL_free)(void* ssl) = nullptr;
  void (*SSL_set_bio)(void* ssl, void* read_bio, void* write_bio) = nullptr;
  void (*SSL_set_connect_state)(void* ssl) = nullptr;
  long (*SSL_ctrl)(void* ssl, int command, long larg, void* parg) = nullptr;
  int (*SSL_set1_host)(void* ssl, const char* host) = nullptr;
  void* (*SSL_get0_param)(void* ssl) = nullptr;
  int (*X509_VERIFY_PARAM_set1_ip_asc)(void* param, const char* address) = nullptr;
  long (*SSL_get_verify_result)(const void* ssl) = nullptr;
  const char* (*X509_verify_cert_error_string)(long result) = nullptr;
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
