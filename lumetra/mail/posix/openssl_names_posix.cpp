#include "lumetra/mail/openssl_library.h"

namespace lumetra::mail::platform {

std::vector<OpenSslFileNames> OpenSslCandidates() { return {{"libssl.so.3", "libcrypto.so.3"}}; }

}  // namespace lumetra::mail::platform
