// Winsock. Each Socket holds its own WSAStartup reference (the platform
// counts them), so there is no process-wide start-up to manage.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <utility>

#include "lumetra/automation/values/errors.h"
#include "lumetra/mail/socket.h"

namespace lumetra::mail {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::intptr_t kClosed = -1;

std::string ErrorText(int error) {
  char* text = nullptr;
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = "Socket Error # " + std::to_string(error);
  if (length > 0 && text) {
    std::string detail(text, length);
    while (!detail.empty() && (detail.back() == '\r' || detail.back() == '\n' || detail.back() == ' '))
      detail.pop_back();
    message += "\r\n" + detail;
  }
  if (text) LocalFree(text);
  return message;
}

[[noreturn]] void Fail(int error) { throw Error(ErrorText(error)); }

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(left);
}

bool WaitFor(SOCKET s, short events, Clock::time_point deadline) {
  WSAPOLLFD entry{s, events, 0};
  const int ready = WSAPoll(&entry, 1, MillisecondsLeft(deadline));
  if (ready == SOCKET_ERROR) Fail(WSAGetLastError());
  return ready > 0;
}

class WinsockUse {
 public:
  WinsockUse() {
    WSADATA data;
    if (const int error = WSAStartup(MAKEWORD(2, 2), &data); error != 0) Fail(error);
  }
  ~WinsockUse() {
    if (held_) WSACleanup();
  }
  // The reference now belongs to a socket, which gives it back when closed.
  void HandOver() { held_ = false; }

 private:
  bool held_ = true;
};

SOCKET ConnectOne(const addrinfo& address, Clock::time_point deadline, int& error) {
  SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (s == INVALID_SOCKET) {
    error = WSAGetLastError();
    return INVALID_SOCKET;
  }
  u_long non_blocking = 1;
  ioctlsocket(s, FIONBIO, &non_blocking);
  if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return s;
  error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) {
    // select, not WSAPoll: older WSAPoll does not report a refused connect.
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    const int left = MillisecondsLeft(deadline);
    timeval wait{left / 1000, (left % 1000) * 1000};
    const int ready = select(0, nullptr, &writable, &failed, &wait);
    if (ready == 0) {
      error = WSAETIMEDOUT;
    } else if (ready == SOCKET_ERROR) {
      error = WSAGetLastError();
    } else {
      int length = sizeof error;
      if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) error = WSAGetLastError();
      if (error == 0 && FD_ISSET(s, &writable)) return s;
      if (error == 0) error = WSAECONNREFUSED;
    }
  }
  closesocket(s);
  return INVALID_SOCKET;
}

}  // namespace

Socket Socket::Connect(const std::string& host, uint16_t port, std::chrono::milliseconds limit) {
  WinsockUse winsock;
  const auto deadline = Clock::now() + limit;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); status != 0) Fail(status);
  int error = WSAETIMEDOUT;
  SOCKET s = INVALID_SOCKET;
  for (const addrinfo* address = found; address && s == INVALID_SOCKET && MillisecondsLeft(deadline) > 0;
       address = address->ai_next)
    s = ConnectOne(*address, deadline, error);
  freeaddrinfo(found);
  if (s == INVALID_SOCKET) Fail(error);
  winsock.HandOver();
  return Socket(static_cast<std::intptr_t>(s));
}

Socket::Socket(Socket&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)),
      deadline_(other.deadline_),
      deadline_text_(std::move(other.deadline_text_)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    if (handle_ != kClosed) {
      closesocket(static_cast<SOCKET>(handle_));
      WSACleanup();
    }
    handle_ = std::exchange(other.handle_, kClosed);
    deadline_ = other.deadline_;
    deadline_text_ = std::move(other.deadline_text_);
  }
  return *this;
}

Socket::~Socket() {
  if (handle_ != kClosed) {
    closesocket(static_cast<SOCKET>(handle_));
    WSACleanup();
  }
}

void Socket::Send(std::string_view bytes, std::chrono::milliseconds limit) {
  if (handle_ == kClosed) throw Error("Not connected.");
  const auto s = static_cast<SOCKET>(handle_);
  while (!bytes.empty()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    const int sent = send(s, bytes.data(), chunk, 0);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    const int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) Fail(error);
    const auto end =
        EndOfWait(Clock::now(), limit, "The server took no data for " + std::to_string(limit.count()) + " ms.");
    if (!WaitFor(s, POLLWRNORM, end.at)) throw Error(end.text);
  }
}

std::size_t Socket::Receive(char* buffer, std::size_t size, std::chrono::milliseconds limit) {
  if (handle_ == kClosed) throw Error("Not connected.");
  const auto s = static_cast<SOCKET>(handle_);
  const auto start = Clock::now();
  for (;;) {
    const int got = recv(s, buffer, static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
    if (got >= 0) return static_cast<std::size_t>(got);
    const int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) Fail(error);
    const auto end =
        EndOfWait(start, limit, "The server did not reply within " + std::to_string(limit.count()) + " ms.");
    if (!WaitFor(s, POLLRDNORM, end.at)) throw Error(end.text);
  }
}

void Socket::Close() {
  if (handle_ == kClosed) return;
  const auto s = static_cast<SOCKET>(std::exchange(handle_, kClosed));
  const int result = closesocket(s);
  const int error = result == 0 ? 0 : WSAGetLastError();
  WSACleanup();
  if (result != 0) Fail(error);
}

bool Socket::IsOpen() const noexcept { return handle_ != kClosed; }

std::string LocalHostName() {
  // The DNS host name, or the NetBIOS computer name when there is none.
  char name[256] = {};
  DWORD size = sizeof name;
  if (GetComputerNameExA(ComputerNameDnsHostname, name, &size) && name[0] != '\0') return name;
  size = sizeof name;
  if (GetComputerNameA(name, &size) && name[0] != '\0') return name;
  return "localhost";
}

}  // namespace lumetra::mail
