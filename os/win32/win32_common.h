// Helpers shared by the Windows files of os/: error mapping and a handle
// that closes itself.
#pragma once

#include <windows.h>

#include "os/os.h"

namespace os {
namespace win32 {

// The os::Error for a Win32 error code.
Error FromWin32(DWORD e);

// Records GetLastError() as the last error and returns false.
inline bool Fail() {
  SetLastError(FromWin32(::GetLastError()));
  return false;
}

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
    if (valid()) ::CloseHandle(h_);
    h_ = h;
  }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE h_;
};

}  // namespace win32
}  // namespace os
