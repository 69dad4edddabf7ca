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
#include "os/posix/scoped.h"
#include "os/profile_text.h"
#include "text/convert.h"
#include "text/cp932.h"

namespace os {
namespace {

using posix::Dir;
using posix::Fail;
using posix::Fd;
using posix::RequireRegular;
using posix::WriteAll;

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

bool g_removable = false;

bool Failed(Op op) { return detail::InjectedFailure(op); }

// True when `native` exists and lacks the owner write bit: the Windows
// read-only attribute.
bool ReadOnly(const std::string& native) {
  struct stat st;
  return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

// O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is then
// refused as not a regular file.
bool ReadWhole(const std::string& native, std::string& out, struct stat* st = nullptr) {
  Fd fd(::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return Fail(errno);
  if (!RequireRegular(fd.get(), st)) return false;
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
  Dir dir(::opendir(native.c_str()));
  if (!dir.valid()) {
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
  Fd in(::open(src.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (in.get() < 0) return Fail(errno);
  struct stat st;
  if (!RequireRegular(in.get(), &st)) return false;
  if (ReadOnly(dst)) return Fail(EACCES);
  // A replaced file keeps its permissions; a new one gets those umask gives.
  Fd out(::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666));
  if (out.get() < 0) return Fail(errno);
  struct stat target;
  if (!RequireRegular(out.get(), &target)) return false;
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
  // CopyFile carries the source's read-only attribute over.
  if (!(st.st_mode & S_IWUSR)) ::fchmod(out.get(), target.st_mode & 07777 & ~kWriteBits);
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
    mode &= static_cast<mode_t>(~kWriteBits);
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
  // The file that takes the place of another keeps that one's permissions;
  // only the read-only attribute travels with the moved file, as on Windows.
  struct stat moved, replaced;
  if (::stat(dst.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode) && ::stat(src.c_str(), &moved) == 0) {
    mode_t mode = replaced.st_mode & 07777;
    mode = (moved.st_mode & S_IWUSR) ? (mode | S_IWUSR) : (mode & ~kWriteBits);
    if (mode != (moved.st_mode & 07777)) ::chmod(src.c_str(), mode);
  }
  if (::rename(src.c_str(), dst.c_str()) != 0) return Fail(errno);
  // Make the rename itself durable, as MOVEFILE_WRITE_THROUGH does.
  std::size_t slash = dst.rfind('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : dst.substr(0, slash));
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

bool LastWriteDateExclusive(const std::string& path, Date& date) {
  Fd fd(::open(posix::NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return Fail(errno);
  struct stat st;
  if (!RequireRegular(fd.get(), &st)) return false;
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return Fail(errno);
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
  impl_.reset();
  auto impl = std::make_unique<Impl>();
  impl->fd.Reset(::open(posix::NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (impl->fd.get() < 0) return Fail(errno);
  if (!RequireRegular(impl->fd.get())) return false;
  if (exclusive && ::flock(impl->fd.get(), LOCK_EX | LOCK_NB) != 0) return Fail(errno);
  impl_ = std::move(impl);
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

long long InputFile::ReadAt(void* buffer, std::size_t size, std::uint64_t offset) {
  if (!impl_) return -1;
  for (;;) {
    ssize_t r = ::pread(impl_->fd.get(), buffer, size, static_cast<off_t>(offset));
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
  impl->fd.Reset(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666));
  if (impl->fd.get() < 0) return Fail(errno);
  if (!RequireRegular(impl->fd.get())) return false;
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

namespace {

// UTF-16 from and to code page 932 by way of UTF-8, which the converter of
// text/ speaks. What does not convert becomes '?'.
std::u16string ToUtf16(const std::string& cp932) {
  const std::string u8 = text::Cp932ToUtf8(cp932);
  std::u16string out;
  for (std::size_t i = 0; i < u8.size();) {
    unsigned char c = static_cast<unsigned char>(u8[i]);
    std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
    if (n == 0 || i + n > u8.size()) {
      out += u'?';
      ++i;
      continue;
    }
    char32_t cp = n == 1 ? c : (c & (0x7F >> n));
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(u8[i + k]) & 0x3F);
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += n;
  }
  return out;
}

std::string ToCp932(const std::u16string& utf16) {
  std::string u8;
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = '?';  // a lone surrogate
    }
    if (cp < 0x80) {
      u8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
      u8 += static_cast<char>(0xC0 | (cp >> 6));
      u8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      u8 += static_cast<char>(0xE0 | (cp >> 12));
      u8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      u8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      u8 += static_cast<char>(0xF0 | (cp >> 18));
      u8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      u8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      u8 += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return text::Utf8ToCp932(u8);
}

const Utf16Codec kCodec = {ToUtf16, ToCp932};

// A new file beside `native` with a short name of its own, so that a
// settings name near the file-name limit still leaves room for it. Created
// with the permissions umask gives.
bool CreateBeside(const std::string& native, Fd& fd, std::string& temp) {
  static unsigned serial = 0;
  std::size_t slash = native.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "~brx%04x%04x.tmp", static_cast<unsigned>(::getpid()) & 0xFFFF,
                  ++serial & 0xFFFF);
    temp = folder + name;
    fd.Reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() >= 0) return true;
    if (errno != EEXIST) return Fail(errno);
  }
  return Fail(EEXIST);
}

}  // namespace

std::string GetProfileValue(const std::string& section, const std::string& key,
                             const std::string& def, std::size_t size, const std::string& file) {
  std::string content;
  if (!ReadWhole(posix::NativePath(file), content)) content.clear();
  return ProfileRead(content, section, key, def, size, kCodec);
}

bool SetProfileValue(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& file) {
  if (Failed(Op::ProfileWrite)) return false;
  std::string native = posix::NativePath(file);
  std::string content;
  struct stat st;
  bool exists = ReadWhole(native, content, &st);
  if (!exists) {
    if (LastError() != Error::NotFound) return false;
    content.clear();
  }
  if (exists && !(st.st_mode & S_IWUSR)) return Fail(EACCES);
  std::string updated = ProfileWrite(content, section, key, value, kCodec);
  // The new text goes to a file beside the settings file and replaces it in
  // one step, so a full disk never leaves the settings cut short. The
  // settings file keeps its permissions.
  Fd fd;
  std::string temp;
  if (!CreateBeside(native, fd, temp)) return false;
  if (exists) ::fchmod(fd.get(), st.st_mode & 07777);
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
