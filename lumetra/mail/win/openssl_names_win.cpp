#include "lumetra/mail/openssl_library.h"

namespace lumetra::mail::platform {

// OpenSSL 3 first (64-bit and 32-bit builds name their DLLs differently),
// then the 1.0 names: ssleay32.dll, or libssl32.dll when that is missing.
std::vector<OpenSslFileNames> OpenSslCandidates() {
  return {
#ifdef _WIN64
      {"libssl-3-x64.dll", "libcrypto-3-x64.dll"},
#else
      {"libssl-3.dll", "libcrypto-3.dll"},
#endif
      {"ssleay32.dll", "libeay32.dll"},
      {"libssl32.dll", "libeay32.dll"},
  };
}

}  // namespace lumetra::mail::platform
