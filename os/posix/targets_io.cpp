#include "os/targets_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "os/os.h"
#include "os/os_internal.h"
#include "os/posix/path_posix.h"
#include "os/posix/posix_common.h"
#include "os/posix/scoped.h"
#include "text/convert.h"

namespace os {
namespace {

using posix::Fail;

}  // namespace

struct NamedOutputFile::Impl {
  posix::Fd fd;
};

NamedOutputFile::NamedOutputFile() = default;
NamedOutputFile::~NamedOutputFile() = default;

bool NamedOutputFile::Create(const std::string& folder, const std::string& name) {
  impl_.reset();
  if (detail::InjectedFailure(Op::Create)) return false;
  // Only the folder is looked up without regard to case; it exists, so that
  // costs one stat.
  std::string native = posix::NativePath(folder) + "/" + text::Cp932ToUtf8(name);
  struct stat st;
  // A missing owner write bit stands for the read-only attribute, which
  // keeps even root from truncating the file.
  if (::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) return Fail(EACCES);
  auto impl = std::make_unique<Impl>();
  // A new file gets the permissions umask gives; O_NONBLOCK keeps a FIFO
  // from holding the open, and it is then refused.
  impl->fd.Reset(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666));
  if (impl->fd.get() < 0) return Fail(errno);
  if (!posix::RequireRegular(impl->fd.get())) return false;
  impl_ = std::move(impl);
  return true;
}

bool NamedOutputFile::Write(const void* data, std::size_t size) {
  if (!impl_) return Fail(EBADF);
  if (detail::InjectedFailure(Op::Write)) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t w = ::write(impl_->fd.get(), p, size);
    if (w < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    p += w;
    size -= static_cast<std::size_t>(w);
  }
  return true;
}

bool NamedOutputFile::Flush() {
  if (!impl_) return Fail(EBADF);
  if (detail::InjectedFailure(Op::Flush)) return false;
  if (::fsync(impl_->fd.get()) != 0) return Fail(errno);
  return true;
}

bool NamedOutputFile::Close() {
  if (!impl_) return true;
  bool injected = detail::InjectedFailure(Op::Close);
  int fd = impl_->fd.Release();
  impl_.reset();
  int r = ::close(fd);
  int e = errno;
  if (injected) return false;
  if (r != 0) return Fail(e);
  return true;
}

}  // namespace os
