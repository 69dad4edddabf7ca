#include "os/archive_io.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>

#include "os/os.h"
#include "os/posix/path_posix.h"

namespace os {
namespace {

bool SetTime(const std::string& path, time_t t) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // access time stays
  times[1].tv_sec = t;
  times[1].tv_nsec = 0;
  if (::utimensat(AT_FDCWD, posix::NativePath(path).c_str(), times, 0) == 0) return true;
  SetLastError(errno == ENOENT ? Error::NotFound : Error::Other);
  return false;
}

}  // namespace

bool SetFileTimeUnix(const std::string& path, std::int64_t unixTime) {
  return SetTime(path, static_cast<time_t>(unixTime));
}

bool SetFileTimeDos(const std::string& path, std::uint32_t dos) {
  struct tm tm = {};
  tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
  tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
  tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
  tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
  tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
  tm.tm_isdst = -1;
  time_t t = ::mktime(&tm);
  if (t == static_cast<time_t>(-1)) return false;
  return SetTime(path, t);
}

}  // namespace os
