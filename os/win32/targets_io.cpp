#include "os/targets_io.h"

#include <windows.h>

#include "os/os.h"
#include "os/os_internal.h"

namespace os {
namespace {

bool Fail() {
  switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      SetLastError(Error::NotFound);
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      SetLastError(Error::AccessDenied);
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      SetLastError(Error::SharingViolation);
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      SetLastError(Error::DiskFull);
      break;
    default:
      SetLastError(Error::Other);
  }
  return false;
}

// Operations are counted on Windows but never failed.
void Count(Op op) {
  if (detail::InjectedFailure(op)) SetLastError(Error::None);
}

}  // namespace

struct NamedOutputFile::Impl {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~Impl() {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};

NamedOutputFile::NamedOutputFile() = default;
NamedOutputFile::~NamedOutputFile() = default;

// Windows looks names up without regard to case itself; the folder and the
// name are simply joined.
bool NamedOutputFile::Create(const std::string& folder, const std::string& name) {
  impl_.reset();
  Count(Op::Create);
  auto impl = std::make_unique<Impl>();
  impl->h = ::CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
  if (impl->h == INVALID_HANDLE_VALUE) return Fail();
  impl_ = std::move(impl);
  return true;
}

bool NamedOutputFile::Write(const void* data, std::size_t size) {
  if (!impl_) return false;
  Count(Op::Write);
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(impl_->h, p, chunk, &written, nullptr)) return Fail();
    p += written;
    size -= written;
  }
  return true;
}

bool NamedOutputFile::Flush() {
  if (!impl_) return false;
  Count(Op::Flush);
  if (!::FlushFileBuffers(impl_->h)) return Fail();
  return true;
}

bool NamedOutputFile::Close() {
  if (!impl_) return true;
  Count(Op::Close);
  HANDLE h = impl_->h;
  impl_->h = INVALID_HANDLE_VALUE;
  impl_.reset();
  if (!::CloseHandle(h)) return Fail();
  return true;
}

}  // namespace os
