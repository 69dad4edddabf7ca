#include "os/targets_io.h"

#include <windows.h>

#include "os/os.h"
#include "os/os_internal.h"
#include "os/win32/win32_common.h"

namespace os {
namespace {

using win32::Fail;

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
