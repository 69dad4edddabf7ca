// Helpers shared by the Linux files of os/: error mapping and the checks
// and writes every file needs. The handle owners are in os/posix/scoped.h.
#pragma once

#include <sys/stat.h>
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

// True when `fd` is a regular file (its status in `st` when given). Anything
// else (a folder, a FIFO, a device) fails as an unreadable file does, so that
// no caller waits on a pipe or reads a device without end.
bool RequireRegular(int fd, struct stat* st = nullptr);

// Writes all `n` bytes, retrying after interruptions; false (last error set)
// on a failure.
bool WriteAll(int fd, const char* p, std::size_t n);

}  // namespace posix
}  // namespace os
