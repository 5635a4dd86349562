#include "lumetra/mail/tls_session.h"

#include <algorithm>

namespace lumetra::mail {

bool IsAddressLiteral(std::string_view host) {
  return host.find(':') != std::string_view::npos ||
         std::all_of(host.begin(), host.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

}  // namespace lumetra::mail
