// The hourglass while the program is busy on its one thread.
#pragma once

#include <windows.h>

namespace winui {

// Shows the wait cursor from construction to destruction and then puts the
// previous cursor back. Nests.
class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  // Shows the wait cursor again, for example after a message box changed it.
  static void Restore() { SetCursor(LoadCursor(nullptr, IDC_WAIT)); }

 private:
  HCURSOR previous_;
};

}  // namespace winui
