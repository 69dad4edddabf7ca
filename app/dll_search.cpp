#include "app/dll_search.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

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

  // Where SetDefaultDllDirectories is missing (XP, Vista and 7 without the
  // update) the program's own folder still comes first for a bare name. The
  // DLLs the system loads later by bare name for this program's windows are
  // therefore loaded now from the system folder by full path; a later load
  // by name finds them already in memory. (Wine's builtin theme DLL also
  // loads msimg32 past the directories set above.)
  std::string system(MAX_PATH, '\0');
  UINT length = ::GetSystemDirectoryA(&system[0], static_cast<UINT>(system.size()));
  if (length == 0) return;
  if (length >= system.size()) {
    system.resize(length);
    length = ::GetSystemDirectoryA(&system[0], static_cast<UINT>(system.size()));
    if (length == 0 || length >= system.size()) return;
  }
  system.resize(length);
  for (const char* name : {"uxtheme.dll", "msimg32.dll"}) {
    // Kept loaded for the life of the process.
    ::LoadLibraryA((system + "\\" + name).c_str());
  }
}

bool InitCommonControlsFromSystem(unsigned long classes) {
  // Never freed: the controls must outlive every window of the program.
  HMODULE controls = ::LoadLibraryA("comctl32.dll");
  if (controls == nullptr) return false;
  using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  auto init = reinterpret_cast<InitFn>(reinterpret_cast<void*>(::GetProcAddress(controls, "InitCommonControlsEx")));
  if (init == nullptr) return false;
  INITCOMMONCONTROLSEX icc{sizeof icc, classes};
  return init(&icc) != FALSE;
}
