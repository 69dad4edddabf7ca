#include "engine/installed_location.h"

#include "os/os.h"
#include "text/cp932.h"

const char kUninstallKeyPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

int FolderFromUninstallCommand(std::string& command) {
  std::size_t option = text::Find(command, " -f");
  if (option == std::string::npos) return 0;
  std::string path = command.substr(option + 3);
  std::size_t next = text::Find(path, " -");
  if (next != std::string::npos) path.resize(next);
  text::PathParts parts = text::SplitPath(path);
  command = parts.drive + parts.dir;
  return 1;
}

bool FindInstalledFolder(const std::string (&keys)[kUninstallKeyCount], std::string& folder) {
  std::string command;
  for (const std::string& name : keys) {
    if (name.empty()) break;
    command.clear();
    os::RegistryRead r = os::ReadMachineValue(kUninstallKeyPrefix + name, "UninstallString", command);
    if (r == os::RegistryRead::NoKey) continue;
    if (r == os::RegistryRead::NoValue) command.clear();
    break;
  }
  if (FolderFromUninstallCommand(command) != 1) return false;
  // The directory part ends with its separator; the proposal drops one
  // backslash (never a trail byte that happens to be 0x5C).
  if (text::EndsWithSeparator(command) && command.back() == '\\') command.pop_back();
  folder = command;
  return true;
}
