// The part of Socket that is the same on every platform: the deadline that
// LimitWaits sets over every wait.
#include "lumetra/mail/socket.h"

namespace lumetra::mail {

void Socket::LimitWaits(Clock::time_point deadline, std::string text) {
  deadline_ = deadline;
  deadline_text_ = std::move(text);
}

Socket::WaitEnd Socket::EndOfWait(Clock::time_point start, std::chrono::milliseconds limit, std::string text) const {
  const auto own = start + limit;
  if (deadline_ < own) return {deadline_, deadline_text_};
  return {own, std::move(text)};
}

}  // namespace lumetra::mail
