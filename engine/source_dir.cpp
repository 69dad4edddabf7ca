#include "engine/source_dir.h"

#include "os/os.h"
#include "text/cp932.h"

std::string g_sourceDir;

std::string SourceDirFromExecutable(const std::string& exePath) {
  // Wine names a program started from a share "UNC\srv\share\..." (a
  // relative path); Windows says "\\srv\share\...". Both mean the share.
  const bool wineUnc = exePath.size() > 4 && text::EqualsNoCaseAscii(exePath.substr(0, 4), "UNC\\");
  text::PathParts parts = text::SplitPath(wineUnc ? "\\\\" + exePath.substr(4) : exePath);
  std::string dir = parts.drive + parts.dir;
  // A drive root keeps no separator, so that "D:" + "info.txt" reads the
  // medium's root through the drive's current directory, as the medium
  // layout expects.
  if (dir.size() == 3) dir.resize(2);
  return dir;
}

void DetermineSourceDir() { g_sourceDir = SourceDirFromExecutable(os::ExecutablePath()); }
