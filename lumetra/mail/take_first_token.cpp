#include "lumetra/mail/take_first_token.h"

namespace lumetra::mail {

void TakeFirstToken(WideString& text, WideStringView separator, WideString& token) {
  const auto at = separator.empty() ? WideString::npos : text.find(separator);
  if (at == WideString::npos) {
    token = std::move(text);
    text.clear();
    return;
  }
  token = text.substr(0, at);
  text.erase(0, at + separator.size());
}

}  // namespace lumetra::mail
