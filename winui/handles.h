// Owners for the window layer: a menu is owned as every handle is
// (os/win32/scoped.h); a device context is held for one scope.
#pragma once

#include <windows.h>

#include <string>

#include "os/win32/scoped.h"

namespace winui {

// A menu that no window holds, destroyed when the owner goes.
using Menu = os::Scoped<os::win32::NullHandleTraits<HMENU, DestroyMenu>>;

// BeginPaint / EndPaint for the life of the object.
class PaintDC {
 public:
  explicit PaintDC(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd_, &ps_); }
  ~PaintDC() { EndPaint(hwnd_, &ps_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// GetDC / ReleaseDC for the life of the object.
class ClientDC {
 public:
  explicit ClientDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~ClientDC() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  ClientDC(const ClientDC&) = delete;
  ClientDC& operator=(const ClientDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// The whole text of a window or control, of any length.
std::string WindowText(HWND hwnd);

}  // namespace winui
