// Mapping of code page 932 Windows-style paths to Linux paths.
#pragma once

#include <string>

namespace os {
namespace posix {

// The Linux path (UTF-8) for a code page 932 path: backslashes become
// slashes, doubled separators count as one, a drive letter "X:" maps to the
// folder named by the environment variable BRELIX_DRIVE_X (unmapped drives
// map to a folder that does not exist), and each existing component is found
// without regard to ASCII case.
std::string NativePath(const std::string& path);

}  // namespace posix
}  // namespace os
