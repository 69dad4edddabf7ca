// File operations the archive component needs beyond os/os.h.
#pragma once

#include <cstdint>
#include <string>

namespace os {

// Sets a file's last-write time from Unix time (seconds since 1970, UTC).
bool SetFileTimeUnix(const std::string& path, std::int64_t unixTime);
// Sets a file's last-write time from an MS-DOS date and time (date in the
// high 16 bits), which is local time.
bool SetFileTimeDos(const std::string& path, std::uint32_t dosDateTime);

}  // namespace os
