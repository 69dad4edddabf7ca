// The operating-system door on Linux. Windows semantics that callers rely on
// are reproduced here: a read-only file (no owner write bit) cannot be
// written, replaced by a copy or deleted, even when the process runs as root.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <memory>

#include "os/os.h"
#include "os/os_internal.h"
#include "os/posix/path_posix.h"
#include "os/posix/posix_common.h"
#include "os/profile_text.h"
#include "text/convert.h"
#include "text/cp932.h"

namespace os {
namespace {

using posix::Fail;
using posix::Fd;
using posix::WriteAll;

bool g_removable = false;

bool Failed(Op op) { return detail::InjectedFailure(op); }

// True when `native` exists and lacks the owner write bit: the Windows
// read-only attribute.
bool ReadOnly(const std::string& native) {
  struct stat st;
  return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

bool ReadWhole(const std::string& native, std::string& out) {
  Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return Fail(errno);
  out.clear();
  char buf[65536];
  for (;;) {
    ssize_t r = ::read(fd.get(), buf, sizeof buf);
    if (r < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (r == 0) return true;
    out.append(buf, static_cast<std::size_t>(r));
  }
}

// Windows wildcard matching on code page 932 names: '*' any run, '?' one
// character (a double-byte character is one), ASCII letters without case.
bool WildMatch(const std::string& pat, std::size_t pi, const std::string& name, std::size_t ni) {
  while (pi < pat.size()) {
    char c = pat[pi];
    if (c == '*') {
      while (pi < pat.size() && pat[pi] == '*') ++pi;
      if (pi == pat.size()) return true;
      for (std::size_t k = ni; k <= name.size(); k += (k < name.size() ? text::CharLength(name, k) : 1)) {
        if (WildMatch(pat, pi, name, k)) return true;
      }
      return false;
    }
    if (ni >= name.size()) return false;
    std::size_t pn = text::CharLength(pat, pi);
    std::size_t nn = text::CharLength(name, ni);
    if (c == '?' && pn == 1) {
      pi += 1;
      ni += nn;
      continue;
    }
    if (pn != nn || !text::EqualsNoCaseAscii(pat.substr(pi, pn), name.substr(ni, nn))) return false;
    pi += pn;
    ni += nn;
  }
  return ni == name.size();
}

}  // namespace

std::string ExecutablePath() {
  std::string buf(PATH_MAX, '\0');
  ssize_t n = ::readlink("/proc/self/exe", &buf[0], buf.size());
  if (n <= 0) return std::string();
  buf.resize(static_cast<std::size_t>(n));
  return text::Utf8ToCp932(buf);
}

bool Exists(const std::string& path) {
  struct stat st;
  if (::stat(posix::NativePath(path).c_str(), &st) == 0) return true;
  return Fail(errno);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(posix::NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolder(const std::string& path) {
  if (Failed(Op::MakeFolder)) return false;
  if (::mkdir(posix::NativePath(path).c_str(), 0777) != 0) return Fail(errno);
  return true;
}

std::string WindowsFolder() { return "C:\\WINDOWS"; }

int DriveTypeOf(const std::string&) { return g_removable ? kDriveRemovable : kDriveFixed; }

void SetRemovableForTesting(bool removable) { g_removable = removable; }

std::vector<FindEntry> FindFiles(const std::string& pattern, std::size_t limit) {
  std::vector<FindEntry> out;
  std::size_t sep = text::FindLastSeparator(pattern);
  std::string folder = sep == std::string::npos ? std::string() : pattern.substr(0, sep + 1);
  std::string name = sep == std::string::npos ? pattern : pattern.substr(sep + 1);
  if (folder.empty() && pattern.size() >= 2 && pattern[1] == ':') {
    folder = pattern.substr(0, 2);
    name = pattern.substr(2);
  }
  if (name == "*.*") name = "*";
  std::string native = posix::NativePath(folder.empty() ? "." : folder);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(native.c_str()), ::closedir);
  if (!dir) {
    Fail(errno);
    return out;
  }
  while (out.size() < limit) {
    errno = 0;
    struct dirent* e = ::readdir(dir.get());
    if (!e) break;
    std::string cp = text::Utf8ToCp932(e->d_name);
    if (!WildMatch(name, 0, cp, 0)) continue;
    FindEntry entry;
    entry.name = cp;
    struct stat st;
    std::string full = native + "/" + e->d_name;
    entry.directory = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    out.push_back(entry);
  }
  return out;
}

bool CopyFileReplace(const std::string& from, const std::string& to) {
  // An injected failure strikes once the target is cut short and partly
  // written, as a full disk does.
  const bool injected = Failed(Op::Copy);
  std::string src = posix::NativePath(from);
  std::string dst = posix::NativePath(to);
  Fd in(::open(src.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return Fail(errno);
  struct stat st;
  if (::fstat(in.get(), &st) != 0) return Fail(errno);
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  if (ReadOnly(dst)) return Fail(EACCES);
  Fd out(::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (out.get() < 0) return Fail(errno);
  char buf[1 << 16];
  for (;;) {
    ssize_t r = ::read(in.get(), buf, sizeof buf);
    if (r < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (r == 0) break;
    std::size_t n = static_cast<std::size_t>(r);
    if (!WriteAll(out.get(), buf, injected ? n / 2 : n)) return false;
    if (injected) return false;
  }
  if (injected) return false;  // an empty source
  // CopyFile carries the source's attributes over, the read-only bit among them.
  ::fchmod(out.get(), st.st_mode & 07777);
  if (::close(out.Release()) != 0) return Fail(errno);
  return true;
}

bool GetAttributes(const std::string& path, std::uint32_t& attributes) {
  struct stat st;
  if (::stat(posix::NativePath(path).c_str(), &st) != 0) return Fail(errno);
  attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= 0x10;
  if (!(st.st_mode & S_IWUSR)) attributes |= kAttrReadOnly;
  if (attributes == 0) attributes = 0x80;  // FILE_ATTRIBUTE_NORMAL
  return true;
}

bool LastWriteTime(const std::string& path, std::int64_t& unixTime, std::uint32_t& dosTime) {
  struct stat st;
  if (::stat(posix::NativePath(path).c_str(), &st) != 0) return Fail(errno);
  unixTime = static_cast<std::int64_t>(st.st_mtime);
  struct tm local;
  time_t t = st.st_mtime;
  if (!::localtime_r(&t, &local) || local.tm_year < 80) {
    dosTime = (1u << 5 | 1u) << 16;  // 1980-01-01 00:00:00
    return true;
  }
  std::uint32_t date = static_cast<std::uint32_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  std::uint32_t time = static_cast<std::uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  dosTime = date << 16 | time;
  return true;
}

bool SetAttributes(const std::string& path, std::uint32_t attributes) {
  if (Failed(Op::SetAttributes)) return false;
  std::string native = posix::NativePath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return Fail(errno);
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttrReadOnly) {
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  } else {
    mode |= S_IWUSR;
  }
  if (::chmod(native.c_str(), mode) != 0) return Fail(errno);
  return true;
}

bool RemoveFile(const std::string& path) {
  if (Failed(Op::Remove)) return false;
  std::string native = posix::NativePath(path);
  if (ReadOnly(native)) return Fail(EACCES);
  if (::unlink(native.c_str()) != 0) return Fail(errno);
  return true;
}

bool MoveReplace(const std::string& from, const std::string& to, bool replaceReadOnly) {
  if (Failed(Op::Rename)) return false;
  std::string src = posix::NativePath(from);
  std::string dst = posix::NativePath(to);
  if (!replaceReadOnly && ReadOnly(dst)) return Fail(EACCES);
  if (::rename(src.c_str(), dst.c_str()) != 0) return Fail(errno);
  // Make the rename itself durable, as MOVEFILE_WRITE_THROUGH does.
  std::size_t slash = dst.rfind('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : dst.substr(0, slash));
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

bool LastWriteDateExclusive(const std::string& path, Date& date) {
  Fd fd(::open(posix::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return Fail(errno);
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return Fail(errno);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return Fail(errno);
  struct tm tm;
  time_t t = st.st_mtime;
  if (!::gmtime_r(&t, &tm)) return Fail(EINVAL);
  date.year = tm.tm_year + 1900;
  date.month = tm.tm_mon + 1;
  date.day = tm.tm_mday;
  return true;
}

bool SetLastWriteTime(const std::string& path, int year, int month, int day, int hour) {
  struct tm tm = {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = ::timegm(&tm);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  if (::utimensat(AT_FDCWD, posix::NativePath(path).c_str(), times, 0) != 0) return Fail(errno);
  return true;
}

// ---- InputFile -----------------------------------------------------------

struct InputFile::Impl {
  Fd fd;
};

InputFile::InputFile() = default;
InputFile::~InputFile() = default;

bool InputFile::Open(const std::string& path, bool exclusive) {
  impl_ = std::make_unique<Impl>();
  impl_->fd.Reset(::open(posix::NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st;
  if (impl_->fd.get() < 0 || (exclusive && ::flock(impl_->fd.get(), LOCK_EX | LOCK_NB) != 0) ||
      ::fstat(impl_->fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) {
    Fail(impl_->fd.get() < 0 ? errno : (errno ? errno : EISDIR));
    impl_.reset();
    return false;
  }
  return true;
}

long long InputFile::Read(void* buffer, std::size_t size) {
  if (!impl_) return -1;
  for (;;) {
    ssize_t r = ::read(impl_->fd.get(), buffer, size);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) Fail(errno);
    return r;
  }
}

bool InputFile::Seek(std::uint64_t offset) {
  return impl_ && ::lseek(impl_->fd.get(), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

long long InputFile::Size() {
  struct stat st;
  if (!impl_ || ::fstat(impl_->fd.get(), &st) != 0) return -1;
  return st.st_size;
}

void InputFile::Close() { impl_.reset(); }

// ---- OutputFile ----------------------------------------------------------

struct OutputFile::Impl {
  Fd fd;
};

OutputFile::OutputFile() = default;
OutputFile::~OutputFile() = default;

bool OutputFile::Create(const std::string& path) {
  impl_.reset();
  if (Failed(Op::Create)) return false;
  std::string native = posix::NativePath(path);
  if (ReadOnly(native)) return Fail(EACCES);
  auto impl = std::make_unique<Impl>();
  impl->fd.Reset(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (impl->fd.get() < 0) return Fail(errno);
  impl_ = std::move(impl);
  return true;
}

bool OutputFile::Write(const void* data, std::size_t size) {
  if (!impl_) return Fail(EBADF);
  if (Failed(Op::Write)) return false;
  return WriteAll(impl_->fd.get(), static_cast<const char*>(data), size);
}

bool OutputFile::Seek(std::uint64_t offset) {
  if (!impl_) return Fail(EBADF);
  if (::lseek(impl_->fd.get(), static_cast<off_t>(offset), SEEK_SET) < 0) return Fail(errno);
  return true;
}

bool OutputFile::Truncate() {
  if (!impl_) return Fail(EBADF);
  off_t at = ::lseek(impl_->fd.get(), 0, SEEK_CUR);
  if (at < 0 || ::ftruncate(impl_->fd.get(), at) != 0) return Fail(errno);
  return true;
}

bool OutputFile::Flush() {
  if (!impl_) return Fail(EBADF);
  if (Failed(Op::Flush)) return false;
  if (::fsync(impl_->fd.get()) != 0) return Fail(errno);
  return true;
}

bool OutputFile::Close() {
  if (!impl_) return true;
  bool injected = Failed(Op::Close);
  int r = ::close(impl_->fd.Release());
  int e = errno;
  impl_.reset();
  if (injected) return false;
  if (r != 0) return Fail(e);
  return true;
}

bool OutputFile::IsOpen() const { return impl_ != nullptr; }

// ---- Profile strings -----------------------------------------------------

std::string GetProfileValue(const std::string& section, const std::string& key,
                             const std::string& def, std::size_t size, const std::string& file) {
  std::string content;
  if (!ReadWhole(posix::NativePath(file), content)) content.clear();
  return ProfileRead(content, section, key, def, size);
}

bool SetProfileValue(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
  if (Failed(Op::ProfileWrite)) return false;
  std::string native = posix::NativePath(file);
  std::string content;
  if (!ReadWhole(native, content)) {
    if (LastError() != Error::NotFound) return false;
    content.clear();
  }
  if (ReadOnly(native)) return Fail(EACCES);
  std::string updated = ProfileWrite(content, section, key, value);
  // The new text goes to a file beside the settings file and replaces it in
  // one step, so a full disk never leaves the settings cut short.
  struct stat st;
  mode_t mode = ::stat(native.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0666;
  std::string temp = native + ".brxtmp";
  Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
  if (fd.get() < 0) return Fail(errno);
  ::fchmod(fd.get(), mode);
  bool injected = Failed(Op::Write);
  bool ok = !injected && WriteAll(fd.get(), updated.data(), updated.size());
  if (injected) WriteAll(fd.get(), updated.data(), updated.size() / 2);  // a disk that fills up half-way
  if (ok && ::fsync(fd.get()) != 0) ok = Fail(errno);
  if (::close(fd.Release()) != 0 && ok) ok = Fail(errno);
  if (ok && ::rename(temp.c_str(), native.c_str()) != 0) ok = Fail(errno);
  if (!ok) {
    Error e = LastError();
    ::unlink(temp.c_str());
    SetLastError(e);
  }
  return ok;
}

}  // namespace os

namespace os {
namespace {

using FakeRegistry = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

FakeRegistry& Registry() {
  static FakeRegistry keys;
  return keys;
}

}  // namespace

RegistryRead ReadMachineValue(const std::string& keyPath, const std::string& valueName, std::string& value) {
  for (const auto& key : Registry()) {
    if (!text::EqualsNoCaseAscii(key.first, keyPath)) continue;
    for (const auto& v : key.second) {
      if (text::EqualsNoCaseAscii(v.first, valueName)) {
        value = v.second.substr(0, v.second.find('\0'));
        return RegistryRead::Value;
      }
    }
    return RegistryRead::NoValue;
  }
  return RegistryRead::NoKey;
}

void SetRegistryForTesting(const FakeRegistry& keys) { Registry() = keys; }

}  // namespace os
