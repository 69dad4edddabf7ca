#include "app/dll_search.h"

#include <windows.h>

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, spelled out: the headers declare it only for
// newer targets than this program's.
constexpr DWORD kSearchSystem32 = 0x00000800;

}  // namespace

void RestrictDllSearch() {
  // kernel32 is always loaded; both functions are looked up so that the
  // program still starts on systems that lack them.
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return;
  // Windows 8 and later, and Vista/7 with update KB2533623: every later load
  // by bare name looks in the system folder only, not beside the program.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr) setDefault(kSearchSystem32);
  // XP SP1 and later: the current folder (often the medium) leaves the search.
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  auto setDirectory = reinterpret_cast<SetDllDirectoryFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDllDirectoryA")));
  if (setDirectory != nullptr) setDirectory("");
}
