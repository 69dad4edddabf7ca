// Entry point of Brelix.exe.
#include <windows.h>

#include "app/brelix_app.h"
#include "app/dll_search.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything can load a DLL by bare name (common controls, themes).
  RestrictDllSearch();
  try {
    CBrelixApp app;
    return app.Main();
  } catch (...) {
    // Out of memory during start-up: end without a window, as a failed
    // start-up does.
    return 1;
  }
}
