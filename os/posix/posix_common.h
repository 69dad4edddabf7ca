// Helpers shared by the Linux files of os/: error mapping and a file
// descriptor that closes itself.
#pragma once

#include <unistd.h>

#include <cstddef>

#include "os/os.h"

namespace os {
namespace posix {

// The os::Error for an errno value.
Error FromErrno(int e);

// Records `e` as the last error and returns false.
inline bool Fail(int e) {
  SetLastError(FromErrno(e));
  return false;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int Release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Writes all `n` bytes, retrying after interruptions; false (last error set)
// on a failure.
bool WriteAll(int fd, const char* p, std::size_t n);

}  // namespace posix
}  // namespace os
