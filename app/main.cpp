// Entry point of Brelix.exe.
#include <windows.h>

#include "app/brelix_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CBrelixApp app;
  return app.Main();
}
