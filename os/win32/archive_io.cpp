#include "os/archive_io.h"

#include <windows.h>

#include "os/os.h"

namespace os {
namespace {

// Opens a file only to change its times; closed by the destructor.
class TimeHandle {
 public:
  explicit TimeHandle(const std::string& path)
      : h_(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~TimeHandle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  TimeHandle(const TimeHandle&) = delete;
  TimeHandle& operator=(const TimeHandle&) = delete;
  bool Set(const FILETIME& ft) {
    if (h_ == INVALID_HANDLE_VALUE) {
      SetLastError(::GetLastError() == ERROR_FILE_NOT_FOUND ? Error::NotFound : Error::Other);
      return false;
    }
    return ::SetFileTime(h_, nullptr, nullptr, &ft) != 0;
  }

 private:
  HANDLE h_;
};

}  // namespace

bool SetFileTimeUnix(const std::string& path, std::int64_t unixTime) {
  unsigned long long ticks = static_cast<unsigned long long>(unixTime + 11644473600LL) * 10000000ULL;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return TimeHandle(path).Set(ft);
}

bool SetFileTimeDos(const std::string& path, std::uint32_t dos) {
  FILETIME local, utc;
  if (!::DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos & 0xFFFF), &local)) return false;
  if (!::LocalFileTimeToFileTime(&local, &utc)) return false;
  return TimeHandle(path).Set(utc);
}

}  // namespace os
