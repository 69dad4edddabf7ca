// Helpers shared by the Windows files of os/: error mapping. The handle
// owners are in os/win32/scoped.h.
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

}  // namespace win32
}  // namespace os
