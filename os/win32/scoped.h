// Owners of the Windows handles this program opens (see os/scoped.h).
#pragma once

#include <windows.h>

#include "os/scoped.h"

namespace os {
namespace win32 {

// Kernel objects that CloseHandle closes. CreateFile reports a failure as
// INVALID_HANDLE_VALUE, most other functions as null: neither is closed.
struct KernelHandleTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};

// A search begun by FindFirstFile.
struct FindHandleTraits {
  using Type = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindClose(h); }
};

// An open registry key.
struct RegKeyTraits {
  using Type = HKEY;
  static HKEY Invalid() { return nullptr; }
  static bool Valid(HKEY k) { return k != nullptr; }
  static void Close(HKEY k) { ::RegCloseKey(k); }
};

// A handle whose failure value is null and that `Destroy` releases (menus,
// icons, ...).
template <typename H, BOOL(WINAPI* Destroy)(H)>
struct NullHandleTraits {
  using Type = H;
  static H Invalid() { return nullptr; }
  static bool Valid(H h) { return h != nullptr; }
  static void Close(H h) { Destroy(h); }
};

// A GDI object (pen, brush, font, bitmap, palette, region) that DeleteObject
// releases.
template <typename H>
struct GdiObjectTraits {
  using Type = H;
  static H Invalid() { return nullptr; }
  static bool Valid(H h) { return h != nullptr; }
  static void Close(H h) { ::DeleteObject(h); }
};

using Handle = Scoped<KernelHandleTraits>;
using FindHandle = Scoped<FindHandleTraits>;
using RegKey = Scoped<RegKeyTraits>;
template <typename H>
using GdiObject = Scoped<GdiObjectTraits<H>>;

}  // namespace win32
}  // namespace os
