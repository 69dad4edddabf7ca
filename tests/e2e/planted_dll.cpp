// A DLL planted beside the program under test, named like a system DLL. When
// any process loads it, it leaves a marker file beside itself
// (<its own path>.loaded) and then refuses to load.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  std::string path(260, '\0');
  for (;;) {
    DWORD got = GetModuleFileNameA(self, &path[0], static_cast<DWORD>(path.size()));
    if (got == 0) return FALSE;
    if (got < path.size()) {
      path.resize(got);
      break;
    }
    path.resize(path.size() * 2);
  }
  path += ".loaded";
  HANDLE marker = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  // Failing the load lets the real system DLL be used after all, so the
  // program goes on and the test sees its first dialog either way.
  return FALSE;
}
