#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "lumetra/encoding/output_file.h"

namespace lumetra::platform {

bool CreateAndWrite(WideStringView path, std::string_view bytes) {
  const std::string native = ToUtf8(path);
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // One write of the whole buffer; the kernel may still take it in parts.
  const char* data = bytes.data();
  size_t left = bytes.size();
  bool ok = true;
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace lumetra::platform
