// Entry point of Brelix.exe.
#include <windows.h>

#include "app/brelix_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    CBrelixApp app;
    return app.Main();
  } catch (...) {
    // Out of memory during start-up: end without a window, as a failed
    // start-up does.
    return 1;
  }
}
