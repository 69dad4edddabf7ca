// Owners of the Linux handles this program opens (see os/scoped.h).
#pragma once

#include <dirent.h>
#include <unistd.h>

#include "os/scoped.h"

namespace os {
namespace posix {

// A file descriptor; a failed open gives a negative one.
struct FdTraits {
  using Type = int;
  static int Invalid() { return -1; }
  static bool Valid(int fd) { return fd >= 0; }
  static void Close(int fd) { ::close(fd); }
};

// A folder listing begun by opendir or fdopendir.
struct DirTraits {
  using Type = DIR*;
  static DIR* Invalid() { return nullptr; }
  static bool Valid(DIR* d) { return d != nullptr; }
  static void Close(DIR* d) { ::closedir(d); }
};

using Fd = Scoped<FdTraits>;
using Dir = Scoped<DirTraits>;

}  // namespace posix
}  // namespace os
