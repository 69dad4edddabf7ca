#include "os/posix/posix_common.h"

#include <cerrno>

namespace os {
namespace posix {

Error FromErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      return Error::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ENXIO:  // a FIFO that nobody reads, opened without waiting
      return Error::AccessDenied;
    case EWOULDBLOCK:
    case EBUSY:
    case ETXTBSY:
      return Error::SharingViolation;
    case ENOSPC:
    case EDQUOT:
      return Error::DiskFull;
    default:
      return Error::Other;
  }
}

bool RequireRegular(int fd, struct stat* st) {
  struct stat own;
  if (!st) st = &own;
  if (::fstat(fd, st) != 0) return Fail(errno);
  if (!S_ISREG(st->st_mode)) return Fail(EACCES);
  return true;
}

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace posix
}  // namespace os
