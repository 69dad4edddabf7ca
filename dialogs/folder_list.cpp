#include "dialogs/folder_list.h"

#include <direct.h>

#include <cstdlib>
#include <memory>

#include "os/os.h"

std::vector<std::string> ListSubfolderNames(const std::string& searchPath) {
  std::vector<std::string> names{".."};
  for (os::FindEntry& e : os::FindFiles(searchPath)) {
    if (!e.directory || e.name == "." || e.name == "..") continue;
    names.push_back(std::move(e.name));
  }
  return names;
}

void FillFolderListBox(HWND list, const std::vector<std::string>& names) {
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  std::size_t bytes = 0;
  for (const std::string& n : names) bytes += n.size() + 3;
  SendMessageA(list, LB_INITSTORAGE, names.size(), bytes);
  std::string entry;
  for (const std::string& n : names) {
    entry.assign("[").append(n).append("]");
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

std::string CurrentDirectory() {
  // _getcwd allocates a buffer of the length needed when given none.
  std::unique_ptr<char, void (*)(void*)> cwd(_getcwd(nullptr, 0), std::free);
  return cwd ? std::string(cwd.get()) : std::string();
}
