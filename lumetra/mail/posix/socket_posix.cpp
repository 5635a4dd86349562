#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "lumetra/automation/values/errors.h"
#include "lumetra/mail/socket.h"

namespace lumetra::mail {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::intptr_t kClosed = -1;

[[noreturn]] void Fail(int error) { throw Error(std::strerror(error)); }

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(left);
}

// Waits for `events` on `fd` until `deadline`; false on time-out.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, MillisecondsLeft(deadline));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) Fail(errno);
  }
}

// A non-blocking connect to one address; the descriptor or -1 with `error` set.
int ConnectOne(const addrinfo& address, Clock::time_point deadline, int& error) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return fd;
  error = errno;
  if (error == EINPROGRESS) {
    if (!WaitFor(fd, POLLOUT, deadline)) {
      error = ETIMEDOUT;
    } else {
      socklen_t length = sizeof error;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
      if (error == 0) return fd;
    }
  }
  close(fd);
  return -1;
}

}  // namespace

Socket Socket::Connect(const std::string& host, uint16_t port, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); status != 0)
    throw Error(status == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(status));
  int error = ETIMEDOUT;
  int fd = -1;
  for (const addrinfo* address = found; address && fd < 0 && MillisecondsLeft(deadline) > 0; address = address->ai_next)
    fd = ConnectOne(*address, deadline, error);
  freeaddrinfo(found);
  if (fd < 0) Fail(error);
  return Socket(fd);
}

Socket::Socket(Socket&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)),
      deadline_(other.deadline_),
      deadline_text_(std::move(other.deadline_text_)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    if (handle_ != kClosed) close(static_cast<int>(handle_));
    handle_ = std::exchange(other.handle_, kClosed);
    deadline_ = other.deadline_;
    deadline_text_ = std::move(other.deadline_text_);
  }
  return *this;
}

Socket::~Socket() {
  if (handle_ != kClosed) close(static_cast<int>(handle_));
}

void Socket::Send(std::string_view bytes, std::chrono::milliseconds limit) {
  if (handle_ == kClosed) throw Error("Not connected.");
  const int fd = static_cast<int>(handle_);
  while (!bytes.empty()) {
    const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) Fail(errno);
    const auto end =
        EndOfWait(Clock::now(), limit, "The server took no data for " + std::to_string(limit.count()) + " ms.");
    if (!WaitFor(fd, POLLOUT, end.at)) throw Error(end.text);
  }
}

std::size_t Socket::Receive(char* buffer, std::size_t size, std::chrono::milliseconds limit) {
  if (handle_ == kClosed) throw Error("Not connected.");
  const int fd = static_cast<int>(handle_);
  const auto start = Clock::now();
  for (;;) {
    const ssize_t got = recv(fd, buffer, size, 0);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) Fail(errno);
    const auto end =
        EndOfWait(start, limit, "The server did not reply within " + std::to_string(limit.count()) + " ms.");
    if (!WaitFor(fd, POLLIN, end.at)) throw Error(end.text);
  }
}

void Socket::Close() {
  if (handle_ == kClosed) return;
  const int fd = static_cast<int>(std::exchange(handle_, kClosed));
  if (close(fd) != 0 && errno != EINTR) Fail(errno);
}

bool Socket::IsOpen() const noexcept { return handle_ != kClosed; }

std::string LocalHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

}  // namespace lumetra::mail
