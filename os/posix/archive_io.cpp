#include "os/archive_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>
#include <unordered_set>
#include <utility>

#include "os/os.h"
#include "os/os_internal.h"
#include "os/posix/path_posix.h"
#include "os/posix/posix_common.h"
#include "os/posix/scoped.h"
#include "text/convert.h"
#include "text/cp932.h"

namespace os {
namespace {

using posix::Dir;
using posix::Fail;
using posix::Fd;

// The name on Linux. ASCII names (the temporary files, most members) are the
// same in UTF-8 and skip the converter.
std::string Native(const std::string& name) {
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) return text::Cp932ToUtf8(name);
  }
  return name;
}

std::string Cp932(const std::string& utf8) {
  for (char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x80) return text::Utf8ToCp932(utf8);
  }
  return utf8;
}

}  // namespace

bool RemoveEmptyFolder(const std::string& path) {
  if (::rmdir(posix::NativePath(path).c_str()) != 0) return Fail(errno);
  return true;
}

struct FolderFile::Impl {
  Fd fd;
};

FolderFile::FolderFile() = default;
FolderFile::~FolderFile() = default;

bool FolderFile::Write(const void* data, std::size_t size) {
  if (!impl_) return Fail(EBADF);
  if (detail::InjectedFailure(Op::Write)) return false;
  auto* p = static_cast<const char*>(data);
  while (size) {
    ssize_t n = ::write(impl_->fd.get(), p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool FolderFile::Flush() {
  if (!impl_) return Fail(EBADF);
  return !detail::InjectedFailure(Op::Flush);
}

bool FolderFile::SetTimeUnix(std::int64_t unixTime) {
  if (!impl_) return Fail(EBADF);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // access time stays
  times[1].tv_sec = static_cast<time_t>(unixTime);
  times[1].tv_nsec = 0;
  if (::futimens(impl_->fd.get(), times) != 0) return Fail(errno);
  return true;
}

bool FolderFile::SetTimeDos(std::uint32_t dos) {
  struct tm tm = {};
  tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
  tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
  tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
  tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
  tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
  tm.tm_isdst = -1;
  time_t t = ::mktime(&tm);
  if (t == static_cast<time_t>(-1)) return Fail(EINVAL);
  return SetTimeUnix(t);
}

bool FolderFile::Close() {
  if (!impl_) return true;
  if (detail::InjectedFailure(Op::Close)) {
    impl_.reset();
    return false;
  }
  int fd = impl_->fd.Release();
  impl_.reset();
  if (::close(fd) != 0) return Fail(errno);
  return true;
}

// A file made here that takes the place of an existing one keeps that
// file's permissions (its owner may write it): either the old file is
// still there when the new one is renamed over it, or it was renamed away
// first and its permissions were noted under the name it left.
// CreateNew and Remove may run on several threads at once: the names they
// note are guarded.
struct ExtractFolder::Impl {
  Fd dir;
  std::mutex mutex;
  std::unordered_set<std::string> created;   // native names of the files CreateNew made
  std::map<std::string, mode_t> movedAway;   // native name -> permissions of the file that left it
};

ExtractFolder::ExtractFolder() = default;
ExtractFolder::~ExtractFolder() = default;

bool ExtractFolder::Open(const std::string& folder) {
  path_ = text::EndsWithSeparator(folder) ? folder : folder + '\\';
  auto impl = std::make_unique<Impl>();
  impl->dir.Reset(::open(posix::NativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (impl->dir.get() < 0) return Fail(errno);
  impl_ = std::move(impl);
  return true;
}

std::vector<std::string> ExtractFolder::List() {
  std::vector<std::string> names;
  Fd fd(::openat(impl_->dir.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return names;
  Dir d(::fdopendir(fd.get()));
  if (!d.valid()) return names;
  fd.Release();  // the listing owns it now
  while (struct dirent* e = ::readdir(d.get())) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    names.push_back(Cp932(n));
  }
  return names;
}

bool ExtractFolder::CreateNew(const std::string& name, FolderFile& file) {
  file.impl_.reset();
  if (detail::InjectedFailure(Op::Create)) return false;
  std::string native = Native(name);
  Fd fd(::openat(impl_->dir.get(), native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!fd.valid()) return Fail(errno);
  file.impl_ = std::make_unique<FolderFile::Impl>();
  file.impl_->fd = std::move(fd);
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->created.insert(std::move(native));
  return true;
}

bool ExtractFolder::Rename(const std::string& from, const std::string& to) {
  if (detail::InjectedFailure(Op::Rename)) return false;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const int dir = impl_->dir.get();
  const std::string src = Native(from), dst = Native(to);
  const bool ours = impl_->created.count(src) != 0;
  // The name noted as ours moves with the file (its node is reused).
  auto moveOwn = [this, &src, &dst] {
    auto node = impl_->created.extract(src);
    node.value() = dst;
    impl_->created.insert(std::move(node));
  };
  // A new file going to a name nothing holds (nor held before) keeps its
  // permissions: one call, refused when the name is taken after all, and
  // then the general way below. File systems without the flag refuse it too.
  if (ours && impl_->movedAway.count(dst) == 0 &&
      ::renameat2(dir, src.c_str(), dir, dst.c_str(), RENAME_NOREPLACE) == 0) {
    moveOwn();
    return true;
  }
  struct stat st;
  const bool replacing = ::fstatat(dir, dst.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (ours) {
    auto noted = impl_->movedAway.find(dst);
    if (replacing && S_ISREG(st.st_mode)) {
      ::fchmodat(dir, src.c_str(), (st.st_mode & 07777) | S_IWUSR, 0);
    } else if (!replacing && noted != impl_->movedAway.end()) {
      ::fchmodat(dir, src.c_str(), noted->second | S_IWUSR, 0);
    }
  } else if (!replacing && ::fstatat(dir, src.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
    impl_->movedAway[src] = st.st_mode & 07777;
  }
  if (::renameat(dir, src.c_str(), dir, dst.c_str()) != 0) return Fail(errno);
  if (ours) moveOwn();
  return true;
}

bool ExtractFolder::Remove(const std::string& name) {
  if (detail::InjectedFailure(Op::Remove)) return false;
  const std::string native = Native(name);
  if (::unlinkat(impl_->dir.get(), native.c_str(), 0) != 0) return Fail(errno);
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->created.erase(native);
  return true;
}

bool ExtractFolder::Exists(const std::string& name) {
  struct stat st;
  return ::fstatat(impl_->dir.get(), Native(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool ExtractFolder::IsDirectory(const std::string& name) {
  struct stat st;
  return ::fstatat(impl_->dir.get(), Native(name).c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// The Windows read-only attribute stands for a missing owner write bit.
bool ExtractFolder::IsReadOnly(const std::string& name) {
  struct stat st;
  return ::fstatat(impl_->dir.get(), Native(name).c_str(), &st, 0) == 0 && S_ISREG(st.st_mode) &&
         !(st.st_mode & S_IWUSR);
}

bool ExtractFolder::SyncData() {
  // One call for every file written into the folder's file system.
  if (::syncfs(impl_->dir.get()) != 0) return Fail(errno);
  return true;
}

bool ExtractFolder::SyncNames() {
  if (::fsync(impl_->dir.get()) != 0) return Fail(errno);
  return true;
}

}  // namespace os
