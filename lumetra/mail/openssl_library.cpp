#include "lumetra/mail/openssl_library.h"

#include "lumetra/mail/dynamic_library.h"

namespace lumetra::mail {
namespace {

// Looks every function up in either library; returns the first missing name.
class Resolver {
 public:
  Resolver(const DynamicLibrary& ssl, const DynamicLibrary& crypto) : ssl_(ssl), crypto_(crypto) {}

  template <typename Function>
  void Required(Function& function, const char* name) {
    Optional(function, name);
    if (!function && missing_.empty()) missing_ = name;
  }

  template <typename Function>
  void Optional(Function& function, const char* name) {
    void* address = ssl_.Find(name);
    if (!address) address = crypto_.Find(name);
    function = reinterpret_cast<Function>(address);
  }

  const std::string& missing() const { return missing_; }

 private:
  const DynamicLibrary& ssl_;
  const DynamicLibrary& crypto_;
  std::string missing_;
};

std::string Resolve(const DynamicLibrary& ssl, const DynamicLibrary& crypto, OpenSslApi& api) {
  Resolver r(ssl, crypto);
  r.Required(api.OPENSSL_init_ssl, "OPENSSL_init_ssl");
  r.Required(api.TLS_client_method, "TLS_client_method");
  r.Required(api.SSL_CTX_new, "SSL_CTX_new");
  r.Required(api.SSL_CTX_free, "SSL_CTX_free");
  r.Required(api.SSL_CTX_ctrl, "SSL_CTX_ctrl");
  r.Required(api.SSL_CTX_set_verify, "SSL_CTX_set_verify");
  r.Required(api.SSL_CTX_set_default_verify_paths, "SSL_CTX_set_default_verify_paths");
  r.Required(api.SSL_new, "SSL_new");
  r.Required(api.SSL_free, "SSL_free");
  r.Required(api.SSL_set_bio, "SSL_set_bio");
  r.Required(api.SSL_set_connect_state, "SSL_set_connect_state");
  r.Required(api.SSL_ctrl, "SSL_ctrl");
  r.Required(api.SSL_set1_host, "SSL_set1_host");
  r.Required(api.SSL_get0_param, "SSL_get0_param");
  r.Required(api.X509_VERIFY_PARAM_set1_ip_asc, "X509_VERIFY_PARAM_set1_ip_asc");
  r.Required(api.SSL_get_verify_result, "SSL_get_verify_result");
  r.Required(api.X509_verify_cert_error_string, "X509_verify_cert_error_string");
  r.Required(api.SSL_do_handshake, "SSL_do_handshake");
  r.Required(api.SSL_read, "SSL_read");
  r.Required(api.SSL_write, "SSL_write");
  r.Required(api.SSL_get_error, "SSL_get_error");
  r.Required(api.SSL_shutdown, "SSL_shutdown");
  r.Required(api.BIO_s_mem, "BIO_s_mem");
  r.Required(api.BIO_new, "BIO_new");
  r.Required(api.BIO_free, "BIO_free");
  r.Required(api.BIO_read, "BIO_read");
  r.Required(api.BIO_write, "BIO_write");
  r.Required(api.BIO_ctrl, "BIO_ctrl");
  r.Required(api.ERR_clear_error, "ERR_clear_error");
  r.Required(api.ERR_get_error, "ERR_get_error");
  r.Required(api.ERR_error_string_n, "ERR_error_string_n");
  return r.missing();
}

bool Initialise(const OpenSslApi& api) { return api.OPENSSL_init_ssl(0, nullptr) == 1; }

}  // namespace

OpenSslLoad LoadOpenSsl(const std::vector<OpenSslFileNames>& candidates, OpenSslApi& api) {
  OpenSslLoad load;
  for (const auto& names : candidates) {
    std::string error;
    const auto crypto = DynamicLibrary::Load(names.crypto, error);
    const auto ssl = crypto ? DynamicLibrary::Load(names.ssl, error) : DynamicLibrary();
    if (!ssl) {
      load.error = error;
      continue;
    }
    api = OpenSslApi();
    if (const auto missing = Resolve(ssl, crypto, api); !missing.empty()) {
      load.error = names.ssl + " lacks " + missing;
      continue;
    }
    if (!Initialise(api)) {
      load.error = "OpenSSL could not be initialised";
      continue;
    }
    load.api = &api;
    load.error.clear();
    return load;
  }
  if (load.error.empty()) load.error = "no OpenSSL library to load";
  return load;
}

const OpenSslLoad& TlsLibrary() {
  static OpenSslApi api;
  static const OpenSslLoad load = LoadOpenSsl(platform::OpenSslCandidates(), api);
  return load;
}

}  // namespace lumetra::mail
