// Entry point of Brelix.exe.
#include <windows.h>

#include "app/brelix_app.h"
#include "app/dll_search.h"
#include "engine/run_outcome.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything can load a DLL by bare name (common controls, themes).
  RestrictDllSearch();
  try {
    CBrelixApp app;
    app.Main();
    return app.ExitCode();
  } catch (...) {
    // Out of memory during start-up: end without a window, as a failed
    // start-up does; nothing was changed.
    return ExitCodeOf(RunOutcome::CancelledBeforeChange);
  }
}
